#pragma once

#include <filesystem>
#include <system_error>

namespace corvane {

// `path` is `root` or lies beneath it, compared component by component (both canonical, or
// both lexically normal).
bool isWithin(const std::filesystem::path& path, const std::filesystem::path& root);

// Where a path really leads once the system has followed every link in it, checked against a
// folder it must stay in.
struct ResolvedPath {
    std::filesystem::path real; // empty unless the path resolves inside the root
    std::error_code error;      // why it does not resolve: no such file, a link loop, no access
    bool outside = false;       // it resolves, but to somewhere outside the root
};

// Resolves `path` as the system opens it (links, then "..", in order) and says whether that
// lies inside `root`, which must be canonical. Deciding on the resolved path, not on the
// spelling, keeps a link to elsewhere from smuggling outside files in.
ResolvedPath resolveInside(const std::filesystem::path& root, const std::filesystem::path& path);

} // namespace corvane
