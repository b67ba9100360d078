#pragma once

#include "librarytool/check.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace corvane::librarytool {

// Where the command runs: its arguments (without the program name), the library to use when none
// is given, and whether stderr is a terminal worth drawing progress on.
struct Invocation {
    std::vector<std::string> arguments;
    std::string defaultDirectory;
    bool progressOnTerminal = false;
    // Loads every listed page of the library in the browser engine, `jobs` at once, with the
    // compatibility layer unless `asToday`, and gives the findings; empty in a build without the
    // engine, where `run` says so.
    std::function<std::vector<Finding>(const std::string& directory, unsigned jobs, bool asToday,
                                       const ProgressFunction& progress)>
        runPages;
};

// Runs `corvane-library` and returns its exit status: 0 done and clean, 1 findings (check) or
// scripts left out (export) or
// pages refused (add), 2 the tool could not run.
int runLibraryTool(const Invocation& invocation, std::FILE* out, std::FILE* err);

} // namespace corvane::librarytool
