#include "librarytool/progress.h"

#include <string>

namespace corvane::librarytool {

TerminalProgress::TerminalProgress(std::FILE* stream, bool enabled)
    : stream_(stream)
    , enabled_(enabled)
    , start_(std::chrono::steady_clock::now())
{
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::update(std::size_t done, std::size_t total)
{
    if (!enabled_ || total == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1))
        return;
    // A redraw every tenth of a second is smooth enough and costs nothing next to the reading.
    if (drawn_ && done < total && now - lastDraw_ < std::chrono::milliseconds(100))
        return;
    lastDraw_ = now;
    drawn_ = true;
    constexpr std::size_t kWidth = 40;
    const std::size_t filled = done * kWidth / total;
    const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
    std::fprintf(stream_, "\r[%s] %3zu%%  %zu/%zu", bar.c_str(), done * 100 / total, done, total);
    std::fflush(stream_);
}

void TerminalProgress::finish()
{
    if (!drawn_)
        return;
    drawn_ = false;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
}

} // namespace corvane::librarytool
