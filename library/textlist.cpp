#include "library/textlist.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/lines.h"

namespace corvane {

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
    breaks_ += countLineBreaks(piece, afterCr_);
    const char last = piece.back();
    afterCr_ = last == '\r';
    lineOpen_ = !isLineBreak(last);
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
    for (size_t at = 0; at < text.size();) {
        const LineView line = lineAt(text, at);
        normalised += line.text;
        if (line.broken) {
            normalised += '\n';
            ++breaks;
        }
        at = line.next;
    }
    // The box holds its breaks as CR LF, so bare CRs and LFs grow the text.
    if (normalised.size() + breaks > capacity)
        tooLarge();
    return cp1251ToUtf8(normalised);
}

} // namespace corvane
