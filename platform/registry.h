#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

namespace corvane {

// A key of the registry, opened with full access. Value operations raise RegistryError with the
// messages the program has always shown. Closing (or destroying) the key releases it.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // Opens "root\subKey" (a trailing backslash is allowed), creating it if asked. Failure is
    // silent: the key just stays closed and every value operation then fails or answers "no".
    virtual bool openKey(const std::string& root, const std::string& subKey, bool create) = 0;
    virtual void closeKey() = 0;
    virtual bool isOpen() const = 0;

    virtual bool valueExists(const std::string& name) const = 0;
    // A DWORD; missing or longer data fails to get, another type of 4 bytes or less is invalid.
    virtual std::int32_t readInteger(const std::string& name) const = 0;
    virtual void writeInteger(const std::string& name, std::int32_t value) = 0;
    // A missing value, or one with empty data, reads as "".
    virtual std::string readString(const std::string& name) const = 0;
    virtual void writeString(const std::string& name, const std::string& value) = 0;
};

// Where keys come from: the real registry on Windows, a store file here.
class Registry {
public:
    virtual ~Registry() = default;
    virtual std::unique_ptr<RegistryKey> newKey() const = 0;
};

// The registry the program keeps its settings in: the system's on Windows; here the per-user
// store file, taking over one an earlier version left in the old place.
std::unique_ptr<Registry> programRegistry();

// The three registry messages, shared by every implementation.
[[noreturn]] void throwRegistryGetData(const std::string& name);
// The set-data error carries the system's reason for the failure, when there is one.
[[noreturn]] void throwRegistrySetData(const std::string& name, std::error_code reason = {});
[[noreturn]] void throwRegistryInvalidType(const std::string& name);

} // namespace corvane
