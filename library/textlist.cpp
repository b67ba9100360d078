#include "library/textlist.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace corvane {
namespace {

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

std::string_view textBeforeNul(std::string_view bytes)
{
    const size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

TextList splitTextList(std::string_view bytes)
{
    TextList lines;
    forEachLine(textBeforeNul(bytes), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

bool TextListLineCounter::feed(std::string_view piece)
{
    if (ended_)
        return false;
    if (const size_t nul = piece.find('\0'); nul != std::string_view::npos) {
        piece = piece.substr(0, nul);
        ended_ = true;
    }
    if (piece.empty())
        return !ended_;
    // Every CR and every LF is a break, except an LF right after a CR.
    const char* const begin = piece.data();
    const char* const end = begin + piece.size();
    std::uint64_t breaks = static_cast<std::uint64_t>(std::count(begin, end, '\n'));
    if (afterCr_ && *begin == '\n')
        --breaks;
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)))); ++p) {
        ++breaks;
        if (p + 1 < end && p[1] == '\n')
            --breaks;
    }
    breaks_ += breaks;
    const char last = piece.back();
    afterCr_ = last == '\r';
    lineOpen_ = last != '\r' && last != '\n';
    return !ended_;
}

std::size_t countTextListLines(std::string_view bytes)
{
    TextListLineCounter counter;
    counter.feed(bytes);
    return static_cast<std::size_t>(counter.lines());
}

std::uint64_t countTextListFileLines(const std::string& path)
{
    TextListLineCounter counter;
    readFileInChunks(path, [&](std::string_view piece) { return counter.feed(piece); });
    return counter.lines();
}

TextList loadTextList(const std::string& path)
{
    TextList lines = splitTextList(readWholeFile(path));
    for (auto& line : lines)
        line = cp1251ToUtf8(line);
    return lines;
}

std::string loadScriptText(const std::string& path, std::size_t capacity)
{
    const auto tooLarge = [] { throw TextCapacityError("Text exceeds memo capacity"); };
    const std::optional<std::string> bytes = readWholeFileWithin(path, capacity);
    if (!bytes)
        tooLarge();
    const std::string_view text = textBeforeNul(*bytes);
    std::string normalised;
    normalised.reserve(text.size());
    size_t breaks = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            normalised += '\n';
            ++breaks;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            normalised += text[i];
        }
    }
    // The box holds its breaks as CR LF, so bare CRs and LFs grow the text.
    if (normalised.size() + breaks > capacity)
        tooLarge();
    return cp1251ToUtf8(normalised);
}

} // namespace corvane
