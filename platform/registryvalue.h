#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// Value types as the registry numbers them; any other number is kept as it is.
enum RegistryType : std::uint32_t {
    kRegString = 1,
    kRegExpandString = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiString = 7,
    kRegQword = 11,
};

struct RegistryValue {
    std::string name; // empty for the default value
    std::uint32_t type = kRegString;
    std::string data; // strings without their NUL; a DWORD as 4 little-endian bytes
    // The size the registry reports for the data to the program (strings in its code page,
    // with their NUL).
    std::size_t dataSize() const;
};

struct RegistryKeyData {
    std::string path; // "HKEY_LOCAL_MACHINE\Software\..." without a trailing backslash
    std::vector<RegistryValue> values;
};

// The whole store: keys and values in the order they were first written.
struct RegistryHive {
    std::vector<RegistryKeyData> keys;

    RegistryKeyData* findKey(const std::string& path);
    RegistryKeyData& addKey(const std::string& path);
};

// Registry names compare without regard to (ASCII) letter case.
bool sameRegistryName(const std::string& a, const std::string& b);

// A DWORD's 4 little-endian bytes, and back (shorter data reads as far as it goes).
std::string dwordBytes(std::uint32_t value);
std::uint32_t dwordFromBytes(const std::string& data);

} // namespace corvane
