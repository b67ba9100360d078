#pragma once

#include "librarytool/findings.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane::librarytool {

// The `old-browser` findings of one page: what only old browsers ran (Netscape layers, VBScript,
// ActiveX, IE's filters, expressions and behaviours...) and today's engine ignores or throws on,
// and browser sniffing with no standard way beside it, whose branches never run today; each with
// its line and the standard way. What the engine still runs (window.event, <marquee>, reading
// document.all) is no finding. The reading of the page is the one the preview's compatibility
// layer decides by (syntax/oldpages.h). The text is Windows-1251 or UTF-8.
void findOldBrowserCode(std::string_view page, const std::string& path, std::vector<Finding>& findings);

} // namespace corvane::librarytool
