#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace corvane {

// A command-line program's arguments (without its name) as UTF-8. On Windows they come from the
// wide command line, as argv is in the ANSI code page there.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Lets UTF-8 written to the console show as such (a Windows console shows its own code page, put
// back at exit) and lets it take the escape that clears a progress line.
void prepareConsole();

// Whether the stream is a terminal, worth drawing progress on.
bool isTerminal(std::FILE* stream);

} // namespace corvane
