#include "platform/insidepath.h"

namespace corvane {

bool isWithin(const std::filesystem::path& path, const std::filesystem::path& root)
{
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty() && std::next(r) == root.end())
            break; // a trailing separator
        if (p == path.end() || *p != *r)
            return false;
    }
    return true;
}

ResolvedPath resolveInside(const std::filesystem::path& root, const std::filesystem::path& path)
{
    ResolvedPath resolved;
    std::filesystem::path real = std::filesystem::canonical(path, resolved.error);
    if (resolved.error)
        return resolved;
    if (isWithin(real, root))
        resolved.real = std::move(real);
    else
        resolved.outside = true;
    return resolved;
}

} // namespace corvane
