#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Lower case for ASCII letters only: names in the registry, tags and schemes in pages.
inline char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string asciiLowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

} // namespace corvane
