#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace corvane::librarytool {

// A one-line progress bar on a terminal, shown only once the work has taken a second, so quick
// runs and runs into files or pipes print nothing.
class TerminalProgress {
public:
    // `stream` is drawn on only when `enabled` (the caller knows whether it is a terminal).
    TerminalProgress(std::FILE* stream, bool enabled);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void update(std::size_t done, std::size_t total);
    // Clears the bar, if one was drawn.
    void finish();

private:
    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

} // namespace corvane::librarytool
