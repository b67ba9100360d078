#include "library/textlist.h"

#include "platform/codepage.h"
#include "platform/files.h"

#include <cstring>

namespace corvane {
namespace {

std::string_view beforeNul(std::string_view bytes)
{
    const size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

// Calls onLine for each line of the text by the rule above.
template <typename OnLine>
void forEachLine(std::string_view text, OnLine onLine)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        onLine(std::string_view(p, static_cast<size_t>(lineEnd - p)));
        if (lineEnd == end)
            break;
        p = lineEnd + 1;
        if (*lineEnd == '\r' && p < end && *p == '\n')
            ++p;
    }
}

} // namespace

TextList splitTextList(std::string_view bytes)
{
    TextList lines;
    forEachLine(beforeNul(bytes), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::size_t countTextListLines(std::string_view bytes)
{
    const std::string_view text = beforeNul(bytes);
    std::size_t count = 0;
    forEachLine(text, [&](std::string_view) { ++count; });
    return count;
}

TextList loadTextList(const std::string& path)
{
    TextList lines = splitTextList(readWholeFile(path));
    for (auto& line : lines)
        line = cp1251ToUtf8(line);
    return lines;
}

std::string loadScriptText(const std::string& path)
{
    const std::string bytes = readWholeFile(path);
    const std::string_view text = beforeNul(bytes);
    std::string normalised;
    normalised.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            normalised += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            normalised += text[i];
        }
    }
    return cp1251ToUtf8(normalised);
}

} // namespace corvane
