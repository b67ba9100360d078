#include "pages/pagenames.h"

#include "platform/ascii.h"
#include "platform/codepage.h"

namespace corvane::pages {

std::string foldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 'A' && b <= 'Z') {
            out += static_cast<char>(b - 'A' + 'a');
        } else if ((b & 0xE0) == 0xC0 && i + 1 < utf8.size()
                   && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            char32_t c =
                (static_cast<char32_t>(b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
            // А-Я, and À-Þ without ×, lie 0x20 below their small letters; Ѐ-Џ 0x50 below.
            if ((c >= 0x410 && c <= 0x42F) || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
                c += 0x20;
            else if (c >= 0x400 && c <= 0x40F)
                c += 0x50;
            else if (c == 0x490)
                c = 0x491;
            appendUtf8(out, c);
            ++i;
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

bool isWebPageName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string extension = asciiLowered(name.substr(dot + 1));
    return extension == "html" || extension == "htm" || extension == "shtml" || extension == "xhtml"
           || extension == "xht";
}

} // namespace corvane::pages
