#pragma once

#include <string>
#include <string_view>

namespace corvane::pages {

// A file a browser opens as a web page, by its extension.
bool isWebPageName(std::string_view name);

} // namespace corvane::pages
