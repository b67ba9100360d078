#include "platform/casefold.h"

#include "platform/codepage.h"

namespace corvane {

Cp1251Fold::Cp1251Fold()
{
    for (int b = 0; b < 256; ++b)
        table_[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
    for (int b = 'A'; b <= 'Z'; ++b)
        table_[static_cast<size_t>(b)] = static_cast<unsigned char>(b + 0x20);
    for (int b = 0xC0; b <= 0xDF; ++b)
        table_[static_cast<size_t>(b)] = static_cast<unsigned char>(b + 0x20);
    // The capitals outside А-Я, each with its small letter's byte.
    const unsigned char pairs[][2] = {
        {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
        {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
        {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
    };
    for (const auto& pair : pairs)
        table_[pair[0]] = pair[1];
}

void Cp1251Fold::fold(std::string_view bytes, std::string& out) const
{
    out.resize(bytes.size());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    char* dst = out.data();
    for (size_t i = 0; i < bytes.size(); ++i)
        dst[i] = static_cast<char>(table_[in[i]]);
}

const Cp1251Fold& cp1251Fold()
{
    static const Cp1251Fold fold;
    return fold;
}

std::string foldCase(std::string_view utf8)
{
    const Cp1251Fold& fold = cp1251Fold();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        // Every letter of the code page is ASCII or takes two bytes in UTF-8.
        const std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : 0;
        if (length == 0 || i + length > utf8.size()) {
            out += utf8[i++];
            continue;
        }
        const std::string_view character = utf8.substr(i, length);
        const std::string byte = utf8ToCp1251(character);
        if (byte.size() == 1 && (byte != "?" || character == "?"))
            out += cp1251ToUtf8(std::string(1, static_cast<char>(fold(static_cast<unsigned char>(byte[0])))));
        else
            out += character;
        i += length;
    }
    return out;
}

} // namespace corvane
