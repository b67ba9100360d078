#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Text crosses the Windows API as UTF-16; inside the program it is UTF-8.
std::wstring toWide(std::string_view utf8);
std::string fromWide(std::wstring_view wide);

} // namespace corvane
