#pragma once

#include <cstdint>
#include <optional>
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
    std::string name;       // empty for the default value
    std::uint32_t type = kRegString;
    std::string data;       // strings without their NUL; a DWORD as 4 little-endian bytes
    // The size the registry reports for the data (strings count their NUL).
    std::size_t dataSize() const;
};

struct RegistryKeyData {
    std::string path;       // "HKEY_LOCAL_MACHINE\Software\..." without a trailing backslash
    std::vector<RegistryValue> values;
};

// The whole store: keys and values in the order they were first written.
struct RegistryHive {
    std::vector<RegistryKeyData> keys;

    RegistryKeyData* findKey(const std::string& path);
    RegistryKeyData& addKey(const std::string& path);
};

// Text form of a hive, in the syntax of .reg files (REGEDIT4), UTF-8.
std::string formatRegistryText(const RegistryHive& hive);
// Parses that text; nothing when it is not a registry file.
std::optional<RegistryHive> parseRegistryText(const std::string& text);

// One store file, the way a machine hive is kept per user here. Every save replaces the file
// atomically, so a write killed half way leaves either the old store or the new one.
class RegistryStore {
public:
    explicit RegistryStore(std::string filePath);

    const std::string& filePath() const { return filePath_; }
    // A missing file is an empty store; a file that cannot be read or parsed gives nothing.
    std::optional<RegistryHive> load() const;
    bool save(const RegistryHive& hive) const;

private:
    std::string filePath_;
};

// The per-user store location: $XDG_DATA_HOME (or ~/.local/share) + "/corvane/system.reg".
std::string defaultRegistryStorePath();

// A key of the store, opened with full access. Value operations raise RegistryError with the
// messages the program has always shown.
class RegistryKey {
public:
    explicit RegistryKey(const RegistryStore& store);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens "root\subKey" (a trailing backslash is allowed), creating it if asked. Failure is
    // silent: the key just stays closed.
    bool openKey(const std::string& root, const std::string& subKey, bool create);
    void closeKey();
    bool isOpen() const { return open_; }

    bool valueExists(const std::string& name) const;
    std::int32_t readInteger(const std::string& name) const;
    void writeInteger(const std::string& name, std::int32_t value);
    // A missing value, or one with empty data, reads as "".
    std::string readString(const std::string& name) const;
    void writeString(const std::string& name, const std::string& value);

private:
    const RegistryValue* find(const std::string& name) const;
    void writeValue(const std::string& name, std::uint32_t type, std::string data);

    const RegistryStore& store_;
    RegistryHive hive_;
    std::string keyPath_;
    bool open_ = false;
};

} // namespace corvane
