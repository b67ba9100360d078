#include "platform/lines.h"

#include <algorithm>
#include <cstring>

namespace corvane {

LineView lineAt(std::string_view text, std::size_t start)
{
    std::size_t end = start;
    while (end < text.size() && !isLineBreak(text[end]))
        ++end;
    if (end == text.size())
        return {text.substr(start), end, false};
    const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    return {text.substr(start, end - start), end + (crLf ? 2 : 1), true};
}

std::size_t countLineBreaks(std::string_view piece, bool afterCr)
{
    if (piece.empty())
        return 0;
    // Every LF, and every CR not followed by an LF; memchr keeps counting large files quick.
    const char* const begin = piece.data();
    const char* const end = begin + piece.size();
    std::size_t breaks = static_cast<std::size_t>(std::count(begin, end, '\n'));
    if (afterCr && *begin == '\n')
        --breaks;
    for (const char* p = begin; p != end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        if (!p)
            break;
        if (p + 1 == end || p[1] != '\n')
            ++breaks;
    }
    return breaks;
}

} // namespace corvane
