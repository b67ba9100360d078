#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

using TextList = std::vector<std::string>;

// The text of a file's bytes: it ends at the first NUL.
std::string_view textBeforeNul(std::string_view bytes);

// Splits bytes into lines: the text ends at the first NUL; a line ends at CR, LF or CR LF; a
// break at the very end adds no empty line; nothing is trimmed.
TextList splitTextList(std::string_view bytes);

// Number of lines splitTextList would give, without building them.
std::size_t countTextListLines(std::string_view bytes);

// Counts lines by the same rule over text that arrives in pieces.
class TextListLineCounter {
public:
    // Takes the next piece; answers false once a NUL has ended the text.
    bool feed(std::string_view piece);
    std::uint64_t lines() const { return breaks_ + (lineOpen_ ? 1 : 0); }

private:
    std::uint64_t breaks_ = 0;
    bool afterCr_ = false;  // a CR ended the last piece: an LF starting the next one pairs with it
    bool lineOpen_ = false; // text follows the last break
    bool ended_ = false;
};

// Lines of a text file, read piece by piece so that no size of file is held whole.
// Throws FileOpenError.
std::uint64_t countTextListFileLines(const std::string& path);

// Characters the code box holds, line breaks counted as CR LF. Every real script is far smaller.
inline constexpr std::size_t kCodeBoxCapacity = std::size_t{16} * 1024 * 1024;

// A Windows-1251 text file as a list of UTF-8 lines. Throws FileOpenError.
TextList loadTextList(const std::string& path);

// A Windows-1251 text file as one UTF-8 text for the code box: the text ends at the first NUL and
// every line break (CR, LF or CR LF) becomes "\n". Throws FileOpenError, and TextCapacityError
// when the file, or the text with CR LF breaks, is larger than the capacity; the size is checked
// before the file is read.
std::string loadScriptText(const std::string& path, std::size_t capacity = kCodeBoxCapacity);

} // namespace corvane
