#pragma once

#include <string>
#include <string_view>

namespace corvane::librarytool {

// `text` with each character that `replacement(c, buffer)` names replaced by what it returns (it
// may write up to 8 bytes into `buffer` for that); an empty view keeps the character.
template <typename Replacement>
std::string escapedEach(std::string_view text, Replacement replacement)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    char buffer[8];
    for (const char c : text) {
        const std::string_view with = replacement(c, buffer);
        if (with.empty())
            out += c;
        else
            out += with;
    }
    return out;
}

} // namespace corvane::librarytool
