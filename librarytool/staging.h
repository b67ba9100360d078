#pragma once

#include "librarytool/check.h"

#include <filesystem>

namespace corvane::librarytool {

// A gallery is built in a staging folder beside its place and moved there only when complete.
// Each gallery carries a stamp, so that only a folder this tool wrote is ever replaced.

// This process, and whether another process (named by its number) still runs.
unsigned long currentProcess();
bool processIsRunning(unsigned long id);

// The folder holds this tool's stamp (a file of its own, not a link).
bool isStampedGallery(const std::filesystem::path& folder);

// A new empty folder in `parent`, stamped, with a short name of this tool's own that names
// the process building it (a long gallery name would not fit the staging name).
std::filesystem::path makeStagingFolder(const std::filesystem::path& parent);

// Removes what runs that have ended (stopped, killed) left in `parent`: only folders named as
// this tool names them whose process is gone, and only when they are empty or stamped.
void removeStaleStaging(const std::filesystem::path& parent);

// The run was stopped by SIGINT or SIGTERM.
class Interrupted : public ToolError {
public:
    using ToolError::ToolError;
    const char* className() const noexcept override { return "Interrupted"; }
};

// While it lives, SIGINT and SIGTERM only ask the work to stop, so that it can remove what it
// has half written; interruptSignal() then says which came.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// The signal that asked the work to stop, or 0.
int interruptSignal();

// Throws Interrupted once a signal has asked the work to stop.
void stopIfInterrupted();

} // namespace corvane::librarytool
