#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

using TextList = std::vector<std::string>;

// Splits bytes into lines: the text ends at the first NUL; a line ends at CR, LF or CR LF; a
// break at the very end adds no empty line; nothing is trimmed.
TextList splitTextList(std::string_view bytes);

// Number of lines splitTextList would give, without building them.
std::size_t countTextListLines(std::string_view bytes);

// A Windows-1251 text file as a list of UTF-8 lines. Throws FileOpenError.
TextList loadTextList(const std::string& path);

// A Windows-1251 text file as one UTF-8 text for the code box: the text ends at the first NUL and
// every line break (CR, LF or CR LF) becomes "\n". Throws FileOpenError.
std::string loadScriptText(const std::string& path);

} // namespace corvane
