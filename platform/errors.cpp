#include "platform/errors.h"

#include <cstdio>

namespace corvane {

Error::Error(const std::string& message)
    : std::runtime_error(message)
#if defined(__GNUC__)
    , address_(__builtin_return_address(0))
#else
    , address_(nullptr)
#endif
{
}

RegistryError::RegistryError(const std::string& message, std::string systemReason)
    : Error(message)
    , systemReason_(std::move(systemReason))
{
}

FileOpenError fileOpenError(const std::string& path, int errorNumber)
{
    return FileOpenError("Cannot open file \"" + path + "\". " + systemErrorText(errorNumber));
}

FileCreateError fileCreateError(const std::string& path, int errorNumber)
{
    return FileCreateError("Cannot create file \"" + path + "\". " + systemErrorText(errorNumber));
}

std::string errorDisplayText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

std::string applicationErrorText(const std::string& className, const std::string& moduleName,
                                 const void* address, const std::string& message)
{
    char where[32];
    std::snprintf(where, sizeof where, "%p", address);
    std::string text =
        "Exception " + className + " in module " + moduleName + " at " + where + ".\r\n" + message;
    if (!message.empty() && message.back() != '.')
        text += '.';
    return text + "\r\n";
}

std::string trimMessageTail(std::string text)
{
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        if (c <= ' ' || c == '.')
            text.pop_back();
        else
            break;
    }
    return text;
}

} // namespace corvane
