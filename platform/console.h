#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace corvane {

// A command-line program's arguments (without its name) as UTF-8. On Windows they come from the
// wide command line, as argv is in the ANSI code page there.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Lets UTF-8 written to the console show as such (a Windows console shows its own code page);
// the console's code page is put back at exit.
void writeUtf8ToConsole();

// Whether the stream is a terminal, worth drawing progress on.
bool isTerminal(std::FILE* stream);

} // namespace corvane
