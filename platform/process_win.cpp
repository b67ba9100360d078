#include "platform/process.h"

#include <windows.h>

#include <psapi.h>

namespace corvane {

void endProcess(std::int64_t pid)
{
    if (pid <= 0)
        return;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

std::int64_t residentBytes(std::int64_t pid)
{
    if (pid <= 0)
        return 0;
    std::int64_t bytes = 0;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid))) {
        PROCESS_MEMORY_COUNTERS counters{};
        if (GetProcessMemoryInfo(process, &counters, sizeof counters))
            bytes = static_cast<std::int64_t>(counters.WorkingSetSize);
        CloseHandle(process);
    }
    return bytes;
}

} // namespace corvane
