#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::librarytool {

// add replaces each file through a temporary one beside it, ".NAME.tmp-PID-N", renamed over it
// once whole. A killed add leaves those behind; they are found and removed here, except those of
// a process that still runs. (".NAME.tmp-N", without the process, is how earlier versions named
// them.)

// The temporary name for writing `target`.
std::filesystem::path temporaryFor(const std::filesystem::path& target);

// What adds cut short left under `root` (links are not followed), relative to it, sorted.
std::vector<std::filesystem::path> findLeftovers(const std::filesystem::path& root);

// Removes them; gives how many went.
std::size_t removeLeftovers(const std::filesystem::path& root);

} // namespace corvane::librarytool
