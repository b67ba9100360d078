#pragma once

#include <string>
#include <string_view>

namespace corvane::pages {

// Lower case for the letters of Windows-1251 (Latin and Cyrillic) in UTF-8 text.
std::string foldCase(std::string_view utf8);

// A file a browser opens as a web page, by its extension.
bool isWebPageName(std::string_view name);

} // namespace corvane::pages
