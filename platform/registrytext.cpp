#include "platform/registrytext.h"

#include "platform/ascii.h"

#include <cstdio>
#include <cstdlib>
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
    // Join hex continuations first: a line ending in "\" goes on in the next one.
    std::vector<std::string> lines;
    {
        std::string current;
        bool continuing = false;
        size_t pos = 0;
        while (pos <= text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            std::string line = trimmed(text.substr(pos, end - pos));
            pos = end + 1;
            if (continuing)
                current += line;
            else
                current = line;
            continuing = !current.empty() && current.back() == '\\';
            if (continuing) {
                current.pop_back();
                continue;
            }
            lines.push_back(current);
        }
        if (continuing)
            return std::nullopt;
    }

    size_t first = 0;
    while (first < lines.size() && lines[first].empty())
        ++first;
    if (first == lines.size())
        return std::nullopt;
    std::string header = lines[first];
    if (header.rfind("\xEF\xBB\xBF", 0) == 0)
        header.erase(0, 3);
    if (header != "REGEDIT4" && header != "Windows Registry Editor Version 5.00")
        return std::nullopt;

    // Keys and values are found through indexes by case-folded name, so that parsing stays
    // linear in the size of the store. Deleted entries are only marked and dropped at the end.
    struct ParsedKey {
        RegistryKeyData data;
        bool deleted = false;
        std::vector<bool> valueDeleted;
        std::unordered_map<std::string, size_t> valueIndex;
    };
    std::vector<ParsedKey> parsed;
    std::unordered_map<std::string, size_t> keyIndex;
    ParsedKey* key = nullptr;
    for (size_t i = first + 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return std::nullopt;
            std::string path = line.substr(1, line.size() - 2);
            if (!path.empty() && path.front() == '-') {
                path.erase(0, 1);
                if (const auto found = keyIndex.find(asciiLowered(path)); found != keyIndex.end()) {
                    parsed[found->second].deleted = true;
                    keyIndex.erase(found);
                }
                key = nullptr;
                continue;
            }
            while (!path.empty() && path.back() == '\\')
                path.pop_back();
            const auto [found, added] = keyIndex.emplace(asciiLowered(path), parsed.size());
            if (added) {
                parsed.emplace_back();
                parsed.back().data.path = path;
            }
            key = &parsed[found->second];
            continue;
        }
        if (!key)
            return std::nullopt;
        std::string name;
        size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            pos = 1;
            auto quotedName = readQuoted(line, pos);
            if (!quotedName)
                return std::nullopt;
            name = *quotedName;
        } else {
            return std::nullopt;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return std::nullopt;
        const std::string data = trimmed(line.substr(pos + 1));
        auto& values = key->data.values;
        const auto existing = key->valueIndex.find(asciiLowered(name));
        if (data == "-") {
            if (existing != key->valueIndex.end()) {
                key->valueDeleted[existing->second] = true;
                key->valueIndex.erase(existing);
            }
            continue;
        }
        auto value = parseValueData(data);
        if (!value)
            return std::nullopt;
        value->name = name;
        if (existing != key->valueIndex.end()) {
            values[existing->second] = std::move(*value);
        } else {
            key->valueIndex.emplace(asciiLowered(name), values.size());
            values.push_back(std::move(*value));
            key->valueDeleted.push_back(false);
        }
    }

    RegistryHive hive;
    hive.keys.reserve(parsed.size());
    for (auto& entry : parsed) {
        if (entry.deleted)
            continue;
        RegistryKeyData& kept = hive.keys.emplace_back();
        kept.path = std::move(entry.data.path);
        for (size_t v = 0; v < entry.data.values.size(); ++v)
            if (!entry.valueDeleted[v])
                kept.values.push_back(std::move(entry.data.values[v]));
    }
    return hive;
}

} // namespace corvane
