#include "librarytool/staging.h"

#include "platform/files.h"
#include "platform/pathtext.h"

#include <csignal>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace corvane::librarytool {
namespace {

const char kStampName[] = ".corvane-gallery";
const char kStampText[] = "A gallery written by corvane-library; export --force may replace this folder.\n";
const std::string kStagingPrefix = ".cvl-";

// The process named in a staging folder's name (".cvl-PID-N"), or 0 when it is none of ours.
unsigned long stagingProcess(const std::string& name)
{
    if (name.compare(0, kStagingPrefix.size(), kStagingPrefix) != 0)
        return 0;
    unsigned long id = 0;
    std::size_t i = kStagingPrefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && i < kStagingPrefix.size() + 10; ++i)
        id = id * 10 + static_cast<unsigned long>(name[i] - '0');
    if (i == kStagingPrefix.size() || i >= name.size() || name[i] != '-')
        return 0;
    for (++i; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return 0;
    return id;
}

volatile std::sig_atomic_t caughtSignal = 0;
bool guarded = false; // a signal stops the work only while an InterruptGuard lives

extern "C" void askToStop(int signal)
{
    caughtSignal = signal;
}

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

} // namespace

unsigned long currentProcess()
{
#ifdef _WIN32
    return static_cast<unsigned long>(_getpid());
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

bool processIsRunning(unsigned long id)
{
    if (id == currentProcess())
        return true;
#ifdef _WIN32
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
#else
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

bool isStampedGallery(const fs::path& folder)
{
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(folder / kStampName, error));
}

fs::path makeStagingFolder(const fs::path& parent)
{
    const std::string stem = kStagingPrefix + std::to_string(currentProcess()) + "-";
    for (int attempt = 0;; ++attempt) {
        fs::path candidate = parent / (stem + std::to_string(attempt));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            writeWholeFile(pathText(candidate / kStampName), kStampText);
            return candidate;
        }
        if (error || attempt > 1000)
            throw ToolError("Cannot create folder \"" + pathText(candidate) + "\". "
                            + trimMessageTail(error ? error.message() : "It exists"));
    }
}

void removeStaleStaging(const fs::path& parent)
{
    std::error_code error;
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
        const unsigned long id = stagingProcess(pathText(it->path().filename()));
        std::error_code ignored;
        if (id == 0 || !it->is_directory(ignored) || it->is_symlink(ignored) || processIsRunning(id))
            continue;
        if (isStampedGallery(it->path()) || fs::is_empty(it->path(), ignored))
            fs::remove_all(it->path(), ignored);
    }
}

InterruptGuard::InterruptGuard()
{
    caughtSignal = 0;
    guarded = true;
    previousInt = std::signal(SIGINT, askToStop);
    previousTerm = std::signal(SIGTERM, askToStop);
}

InterruptGuard::~InterruptGuard()
{
    guarded = false;
    std::signal(SIGINT, previousInt == SIG_ERR ? SIG_DFL : previousInt);
    std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
}

int interruptSignal()
{
    return caughtSignal;
}

void stopIfInterrupted()
{
    if (guarded && caughtSignal != 0)
        throw Interrupted("Stopped by a signal; nothing was written");
}

} // namespace corvane::librarytool
