#include "platform/registry.h"

#include "platform/errors.h"

namespace corvane {

void throwRegistryGetData(const std::string& name)
{
    throw RegistryError("Failed to get data for '" + name + "'");
}

void throwRegistrySetData(const std::string& name)
{
    throw RegistryError("Failed to set data for '" + name + "'");
}

void throwRegistryInvalidType(const std::string& name)
{
    throw RegistryError("Invalid data type for '" + name + "'");
}

} // namespace corvane
