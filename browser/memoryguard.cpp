#include "browser/memoryguard.h"

#include "platform/process.h"

namespace corvane {
namespace {

constexpr qint64 kLimitBytes = MemoryGuard::kMemoryLimitMb * 1024 * 1024;

} // namespace

MemoryGuard::MemoryGuard(QWebEnginePage* page)
    : QObject(page)
    , page_(page)
{
    timer_.setInterval(kProbeIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &MemoryGuard::probe);
    connect(page, &QWebEnginePage::loadStarted, this, [this] {
        ending_ = false;
        lastBytes_ = 0;
        if (!timer_.isActive())
            timer_.start();
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &MemoryGuard::terminated);
}

void MemoryGuard::probe()
{
    if (ending_)
        return;
    const qint64 pid = page_->renderProcessPid();
    lastBytes_ = residentBytes(pid);
    url_ = page_->url();
    if (lastBytes_ <= kLimitBytes)
        return;
    ending_ = true;
    endProcess(pid);
}

void MemoryGuard::terminated(QWebEnginePage::RenderProcessTerminationStatus status)
{
    timer_.stop();
    const bool crashedFull = (status == QWebEnginePage::CrashedTerminationStatus
                              || status == QWebEnginePage::AbnormalTerminationStatus)
                             && lastBytes_ > kLimitBytes / 2;
    const bool ours = ending_ || crashedFull;
    ending_ = false;
    lastBytes_ = 0;
    if (ours)
        emit exceeded(url_.isEmpty() ? page_->url() : url_);
}

} // namespace corvane
