#pragma once
// What the engine benchmarks share: the clock and the processor time of a run, the engine's
// processes included.
#include <QtGlobal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace bench {

// Processor time (user and system, ms) of this process and every process under it, those ended
// and waited for included.
inline double treeCpuMs()
{
    std::map<long, long> parents;
    std::map<long, double> ticks;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
            continue;
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string field;
        std::vector<std::string> fields;
        while (rest >> field)
            fields.push_back(field);
        if (fields.size() < 15)
            continue;
        // After the name: state, ppid, ..., utime (14th field), stime, cutime, cstime.
        const long pid = std::stol(name);
        parents[pid] = std::stol(fields[1]);
        ticks[pid] =
            std::stod(fields[11]) + std::stod(fields[12]) + std::stod(fields[13]) + std::stod(fields[14]);
    }
    double total = 0;
    for (const auto& [pid, t] : ticks) {
        for (long p = pid; p > 1; p = parents.count(p) ? parents[p] : 0)
            if (p == ::getpid()) {
                total += t;
                break;
            }
    }
    return total * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct Cost {
    qint64 wallMs;
    double cpuMs;
};

// The clock and processor time of `run`, which gives its own wall time in ms.
template <typename Run>
Cost measure(Run run)
{
    const double cpu = treeCpuMs();
    const qint64 wall = run();
    return {wall, treeCpuMs() - cpu};
}

// The better of each figure over the rounds so far; a first `best` of {-1, -1} takes `c` whole.
inline Cost better(Cost best, Cost c)
{
    return best.wallMs < 0 ? c : Cost{std::min(best.wallMs, c.wallMs), std::min(best.cpuMs, c.cpuMs)};
}

} // namespace bench
