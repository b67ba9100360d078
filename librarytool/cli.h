#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace corvane::librarytool {

// Where the command runs: its arguments (without the program name), the library to use when none
// is given, and whether stderr is a terminal worth drawing progress on.
struct Invocation {
    std::vector<std::string> arguments;
    std::string defaultDirectory;
    bool progressOnTerminal = false;
};

// Runs `corvane-library` and returns its exit status: 0 done and clean, 1 findings (check) or
// scripts left out (export), 2 the tool could not run.
int runLibraryTool(const Invocation& invocation, std::FILE* out, std::FILE* err);

} // namespace corvane::librarytool
