#pragma once

#include <cstdint>

namespace corvane {

// Ends a process at once, without asking it (a page's renderer that must stop). Nothing for a
// process number of zero or below.
void endProcess(std::int64_t pid);

// The resident memory of a process, in bytes; 0 when it cannot be read.
std::int64_t residentBytes(std::int64_t pid);

} // namespace corvane
