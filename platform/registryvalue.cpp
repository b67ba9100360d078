#include "platform/registryvalue.h"

#include "platform/ascii.h"

#include "platform/codepage.h"

namespace corvane {
bool sameRegistryName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

std::string dwordBytes(std::uint32_t value)
{
    std::string data;
    for (int k = 0; k < 4; ++k)
        data += static_cast<char>((value >> (8 * k)) & 0xFF);
    return data;
}

std::uint32_t dwordFromBytes(const std::string& data)
{
    std::uint32_t n = 0;
    for (int k = static_cast<int>(data.size() < 4 ? data.size() : 4) - 1; k >= 0; --k)
        n = (n << 8) | static_cast<unsigned char>(data[static_cast<size_t>(k)]);
    return n;
}

std::size_t RegistryValue::dataSize() const
{
    // Text is measured as the program reads it, in its code page: a byte a letter.
    if (type == kRegString || type == kRegExpandString)
        return utf8ToCp1251(data).size() + 1;
    return data.size();
}

RegistryKeyData* RegistryHive::findKey(const std::string& path)
{
    for (auto& key : keys)
        if (sameRegistryName(key.path, path))
            return &key;
    return nullptr;
}

RegistryKeyData& RegistryHive::addKey(const std::string& path)
{
    if (auto* key = findKey(path))
        return *key;
    keys.push_back({path, {}});
    return keys.back();
}

} // namespace corvane
