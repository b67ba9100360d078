#pragma once

#include "librarytool/check.h"
#include "librarytool/findings.h"

#include <string>
#include <vector>

namespace corvane::librarytool {

// Loads every page the library in `directory` (ending in the separator) lists in the browser
// engine, `jobs` at once, without a display, with the compatibility layer as the preview gives it
// (none when `asToday`), and returns what they did (script-error, failed-load, network, runaway,
// popup, dialog, blank, inactive), sorted. Lists and pages that cannot be read are check's
// findings and are left out here. Throws ToolError when the folder cannot be read, the engine
// cannot start, or the run was interrupted.
std::vector<Finding> runLibraryPages(const std::string& folder, unsigned jobs, bool asToday,
                                     const ProgressFunction& progress);

} // namespace corvane::librarytool
