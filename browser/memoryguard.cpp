#include "browser/memoryguard.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <QFile>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace corvane {
namespace {

constexpr qint64 kLimitBytes = MemoryGuard::kMemoryLimitMb * 1024 * 1024;

void endProcess(qint64 pid)
{
#ifdef _WIN32
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
#else
    ::kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}

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

qint64 MemoryGuard::residentBytes(qint64 pid)
{
    if (pid <= 0)
        return 0;
#ifdef _WIN32
    qint64 bytes = 0;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid))) {
        PROCESS_MEMORY_COUNTERS counters{};
        if (GetProcessMemoryInfo(process, &counters, sizeof counters))
            bytes = static_cast<qint64>(counters.WorkingSetSize);
        CloseHandle(process);
    }
    return bytes;
#else
    // The second figure of statm is the resident size in pages.
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> figures = statm.readLine(128).split(' ');
    return figures.size() > 1 ? figures[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
#endif
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
