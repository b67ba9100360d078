#pragma once

#include "librarytool/findings.h"
#include "librarytool/toolerror.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane::librarytool {

// A list (categories.ini, scripts.txt) larger than this is no list anyone wrote: it is refused
// unread rather than held whole.
inline constexpr std::uintmax_t kMaxListBytes = std::uintmax_t{64} * 1024 * 1024;

// Refuses, with a ToolError, a folder that cannot be opened or is no script library (it has no
// categories.ini), before anything is read or written.
void requireLibrary(const std::string& directory);

// Called as pages are read: pages done, pages in all.
using ProgressFunction = std::function<void(std::size_t done, std::size_t total)>;

// Checks the library in `directory` (ending in the separator), reading it the way the program
// does, and returns the findings sorted. Reads every page once; writes nothing.
// Throws ToolError when the folder cannot be read at all.
std::vector<Finding> checkLibrary(const std::string& directory, const ProgressFunction& progress = {});

// The findings about one page's bytes, as check makes them: encoding, loads from off the
// machine, code only old browsers ran.
void checkPageBytes(const std::string& bytes, const std::string& relative, std::vector<Finding>& findings);

} // namespace corvane::librarytool
