#pragma once

#include "pages/recode.h"

#include <string>
#include <string_view>

namespace corvane::pages {

// A page saved "so that it runs in today's browsers": the parts of the compatibility layer it
// needs, put together as one script with no program behind it, written beside the page and
// linked first in its head. What Save and export write alike.

// The layer's script for the page `pageText` (Windows-1251 or UTF-8) whose relative addresses
// start in `pageFolder`; of the files it loads only those inside `libraryFolder` are read.
// Plain ASCII, so it reads the same whatever the page's character set. Empty when the page needs
// nothing.
std::string standaloneLayer(std::string_view pageText, const std::string& pageFolder,
                            const std::string& libraryFolder);

// Whether the page needs the layer at all (what standaloneLayer would not leave empty).
bool needsStandaloneLayer(std::string_view pageText, const std::string& pageFolder,
                          const std::string& libraryFolder);

// The script's file name beside the page called `pageName`: "<name without extension>.compat.js".
std::string standaloneLayerName(const std::string& pageName);

// The edit that links the script at `relative` (a UTF-8 path from the page's folder) first in the
// page's head.
TextEdit standaloneLayerLink(std::string_view pageText, const std::string& relative);

} // namespace corvane::pages
