#include "platform/registry.h"

#include "platform/errors.h"

namespace corvane {

void throwRegistryGetData(const std::string& name)
{
    throw RegistryError("Failed to get data for '" + name + "'");
}

void throwRegistrySetData(const std::string& name, std::error_code reason)
{
    const std::string message = "Failed to set data for '" + name + "'";
    throw RegistryError(message, reason ? trimMessageTail(reason.message()) : std::string());
}

void throwRegistryInvalidType(const std::string& name)
{
    throw RegistryError("Invalid data type for '" + name + "'");
}

} // namespace corvane
