#include "platform/registrytext.h"

#include "platform/ascii.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvane {
namespace {

std::string quoted(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

bool fitsQuoted(const std::string& s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    return true;
}

void appendHex(std::string& out, const std::string& prefix, const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    out += prefix;
    size_t column = prefix.size();
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 0xF];
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

// Reads a quoted string at pos (just after the opening quote); pos ends after the closing one.
std::optional<std::string> readQuoted(const std::string& line, size_t& pos)
{
    std::string out;
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"')
            return out;
        if (c == '\\') {
            if (pos >= line.size())
                return std::nullopt;
            out += line[pos++];
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::optional<std::string> parseHexBytes(const std::string& text)
{
    std::string bytes;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size())
            break;
        const int hi = hexDigitValue(text[i]);
        const int lo = i + 1 < text.size() ? hexDigitValue(text[i + 1]) : -1;
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i < text.size()) {
            if (text[i] != ',')
                return std::nullopt;
            ++i;
        }
    }
    return bytes;
}

std::optional<RegistryValue> parseValueData(const std::string& data)
{
    RegistryValue value;
    if (!data.empty() && data.front() == '"') {
        size_t pos = 1;
        auto text = readQuoted(data, pos);
        if (!text || pos != data.size())
            return std::nullopt;
        value.type = kRegString;
        value.data = *text;
        return value;
    }
    if (data.rfind("dword:", 0) == 0) {
        const std::string digits = data.substr(6);
        if (digits.empty() || digits.size() > 8)
            return std::nullopt;
        char* end = nullptr;
        const unsigned long n = std::strtoul(digits.c_str(), &end, 16);
        if (*end != '\0')
            return std::nullopt;
        value.type = kRegDword;
        for (int k = 0; k < 4; ++k)
            value.data += static_cast<char>((n >> (8 * k)) & 0xFF);
        return value;
    }
    std::string hexText;
    if (data.rfind("hex:", 0) == 0) {
        value.type = kRegBinary;
        hexText = data.substr(4);
    } else if (data.rfind("hex(", 0) == 0) {
        const size_t close = data.find("):");
        if (close == std::string::npos || close == 4)
            return std::nullopt;
        char* end = nullptr;
        const std::string number = data.substr(4, close - 4);
        value.type = static_cast<std::uint32_t>(std::strtoul(number.c_str(), &end, 16));
        if (*end != '\0')
            return std::nullopt;
        hexText = data.substr(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(hexText);
    if (!bytes)
        return std::nullopt;
    value.data = *bytes;
    // Strings kept in hex carry their NUL; the model holds them without it.
    if ((value.type == kRegString || value.type == kRegExpandString) && !value.data.empty()
        && value.data.back() == '\0')
        value.data.pop_back();
    return value;
}

std::string trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// The file's lines, trimmed, each line that ends in "\" joined with the next; nothing when the
// last line goes on.
std::optional<std::vector<std::string>> joinedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string current;
    bool continuing = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (continuing)
            current += line;
        else
            current = line;
        continuing = !current.empty() && current.back() == '\\';
        if (continuing)
            current.pop_back();
        else
            lines.push_back(current);
    }
    if (continuing)
        return std::nullopt;
    return lines;
}

// Where the entries start: after the first line that is not empty, which must be a header.
std::optional<size_t> entriesStart(const std::vector<std::string>& lines)
{
    size_t first = 0;
    while (first < lines.size() && lines[first].empty())
        ++first;
    if (first == lines.size())
        return std::nullopt;
    std::string_view header = lines[first];
    if (header.substr(0, 3) == "\xEF\xBB\xBF")
        header.remove_prefix(3);
    if (header != "REGEDIT4" && header != "Windows Registry Editor Version 5.00")
        return std::nullopt;
    return first + 1;
}

struct ValueLine {
    std::string name; // empty for the default value "@"
    std::string data; // "-" deletes the value
};

// A line `"name"=data` or `@=data`.
std::optional<ValueLine> splitValueLine(const std::string& line)
{
    ValueLine value;
    size_t pos = 1;
    if (line.front() == '"') {
        auto name = readQuoted(line, pos);
        if (!name)
            return std::nullopt;
        value.name = std::move(*name);
    } else if (line.front() != '@') {
        return std::nullopt;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        return std::nullopt;
    value.data = trimmed(line.substr(pos + 1));
    return value;
}

// The keys and values in the order the file gives them. Keys and values are found through
// indexes by case-folded name, so that parsing stays linear in the size of the store; deleted
// entries are only marked and dropped when the hive is built.
class HiveBuilder {
public:
    // "[path]" opens a key (made on first sight), "[-path]" deletes one; false for a bad line.
    bool keyLine(const std::string& line)
    {
        if (line.back() != ']')
            return false;
        std::string path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == '-') {
            deleteKey(path.substr(1));
            return true;
        }
        while (!path.empty() && path.back() == '\\')
            path.pop_back();
        const auto [found, added] = keyIndex_.emplace(asciiLowered(path), keys_.size());
        if (added)
            keys_.emplace_back().data.path = path;
        key_ = &keys_[found->second];
        return true;
    }

    // A value of the open key; false for a bad line or one outside every key.
    bool valueLine(const std::string& line)
    {
        const std::optional<ValueLine> entry = splitValueLine(line);
        if (!key_ || !entry)
            return false;
        const auto existing = key_->valueIndex.find(asciiLowered(entry->name));
        if (entry->data == "-") {
            if (existing != key_->valueIndex.end()) {
                key_->valueDeleted[existing->second] = true;
                key_->valueIndex.erase(existing);
            }
            return true;
        }
        std::optional<RegistryValue> value = parseValueData(entry->data);
        if (!value)
            return false;
        value->name = entry->name;
        auto& values = key_->data.values;
        if (existing != key_->valueIndex.end()) {
            values[existing->second] = std::move(*value);
        } else {
            key_->valueIndex.emplace(asciiLowered(entry->name), values.size());
            values.push_back(std::move(*value));
            key_->valueDeleted.push_back(false);
        }
        return true;
    }

    RegistryHive hive() &&
    {
        RegistryHive hive;
        hive.keys.reserve(keys_.size());
        for (auto& key : keys_) {
            if (key.deleted)
                continue;
            RegistryKeyData& kept = hive.keys.emplace_back();
            kept.path = std::move(key.data.path);
            for (size_t v = 0; v < key.data.values.size(); ++v)
                if (!key.valueDeleted[v])
                    kept.values.push_back(std::move(key.data.values[v]));
        }
        return hive;
    }

private:
    struct Key {
        RegistryKeyData data;
        bool deleted = false;
        std::vector<bool> valueDeleted;
        std::unordered_map<std::string, size_t> valueIndex;
    };

    void deleteKey(const std::string& path)
    {
        if (const auto found = keyIndex_.find(asciiLowered(path)); found != keyIndex_.end()) {
            keys_[found->second].deleted = true;
            keyIndex_.erase(found);
        }
        // Values after a deleted key belong to no key.
        key_ = nullptr;
    }

    std::vector<Key> keys_;
    std::unordered_map<std::string, size_t> keyIndex_;
    Key* key_ = nullptr;
};

} // namespace

std::string formatRegistryText(const RegistryHive& hive)
{
    std::string out = "REGEDIT4\n";
    for (const auto& key : hive.keys) {
        out += "\n[" + key.path + "]\n";
        for (const auto& value : key.values) {
            out += value.name.empty() ? std::string("@") : quoted(value.name);
            out += '=';
            if (value.type == kRegString && fitsQuoted(value.data)) {
                out += quoted(value.data);
            } else if (value.type == kRegDword && value.data.size() == 4) {
                std::uint32_t n = 0;
                for (int k = 3; k >= 0; --k)
                    n = (n << 8) | static_cast<unsigned char>(value.data[k]);
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x", n);
                out += digits;
            } else {
                std::string bytes = value.data;
                if (value.type == kRegString || value.type == kRegExpandString)
                    bytes += '\0';
                char prefix[24];
                if (value.type == kRegBinary)
                    std::snprintf(prefix, sizeof prefix, "hex:");
                else
                    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
                appendHex(out, prefix, bytes);
            }
            out += '\n';
        }
    }
    return out;
}

std::optional<RegistryHive> parseRegistryText(const std::string& text)
{
    const std::optional<std::vector<std::string>> lines = joinedLines(text);
    const std::optional<size_t> start = lines ? entriesStart(*lines) : std::nullopt;
    if (!start)
        return std::nullopt;
    HiveBuilder builder;
    for (size_t i = *start; i < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        if (line.empty() || line.front() == ';')
            continue;
        if (!(line.front() == '[' ? builder.keyLine(line) : builder.valueLine(line)))
            return std::nullopt;
    }
    return std::move(builder).hive();
}

} // namespace corvane
