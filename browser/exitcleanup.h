#pragma once

#include <QString>

namespace corvane {

// Temporary files of the program that must not outlive it: each is removed when the program
// ends, by returning from main, exit(), or SIGTERM, SIGINT or SIGHUP, unless it was let go before.
// Holds a few at a time; beyond that a file is left to its owner alone.
void removeAtExit(const QString& path);
void letGoAtExit(const QString& path);

} // namespace corvane
