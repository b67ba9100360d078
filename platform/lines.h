#pragma once

#include <cstddef>
#include <string_view>

namespace corvane {

// CR, LF and CR LF each end a line. Everything that splits or counts lines does it here.

inline bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

struct LineView {
    std::string_view text; // the line without its break
    std::size_t next;      // where the next line starts
    bool broken;           // a break ends the line; false for a last line without one
};

// The line that starts at offset start (at most text.size(): then an empty, unbroken line).
LineView lineAt(std::string_view text, std::size_t start);

// Calls onLine with each line; a break at the very end adds no empty line.
template <typename OnLine>
void forEachLine(std::string_view text, OnLine onLine)
{
    for (std::size_t at = 0; at < text.size();) {
        const LineView line = lineAt(text, at);
        onLine(line.text);
        at = line.next;
    }
}

// The breaks in piece. afterCr: a CR came just before it, so an LF that opens it ends no line.
std::size_t countLineBreaks(std::string_view piece, bool afterCr = false);

} // namespace corvane
