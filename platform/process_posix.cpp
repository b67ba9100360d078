#include "platform/process.h"

#include <csignal>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace corvane {

void endProcess(std::int64_t pid)
{
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), SIGKILL);
}

std::int64_t residentBytes(std::int64_t pid)
{
    if (pid <= 0)
        return 0;
    // The second figure of statm is the resident size in pages.
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    std::int64_t size = 0;
    std::int64_t resident = 0;
    if (!(statm >> size >> resident))
        return 0;
    return resident * ::sysconf(_SC_PAGESIZE);
}

} // namespace corvane
