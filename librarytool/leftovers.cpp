#include "librarytool/leftovers.h"

#include "librarytool/staging.h"
#include "platform/pathtext.h"

#include <algorithm>
#include <random>

namespace fs = std::filesystem;

namespace corvane::librarytool {
namespace {

const std::string kMarker = ".tmp-";

bool allDigits(const std::string& text)
{
    return !text.empty() && text.size() <= 20
           && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A leftover of an add that no longer runs: ".NAME.tmp-PID-N" or ".NAME.tmp-N".
bool isLeftover(const std::string& name)
{
    const std::size_t at = name.rfind(kMarker);
    if (name.size() < 2 || name[0] != '.' || at == std::string::npos || at < 2)
        return false;
    const std::string tail = name.substr(at + kMarker.size());
    const std::size_t dash = tail.find('-');
    if (dash == std::string::npos)
        return allDigits(tail);
    const std::string process = tail.substr(0, dash);
    return allDigits(process) && allDigits(tail.substr(dash + 1)) && process.size() <= 10
           && !processIsRunning(std::stoul(process));
}

} // namespace

fs::path temporaryFor(const fs::path& target)
{
    static std::mt19937 generator{std::random_device{}()};
    return target.parent_path()
           / toPath("." + pathText(target.filename()) + kMarker + std::to_string(currentProcess()) + "-"
                    + std::to_string(generator() % 1000000000u));
}

std::vector<fs::path> findLeftovers(const fs::path& root)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && !it->is_symlink(ignored)
            && isLeftover(pathText(it->path().filename())))
            found.push_back(it->path().lexically_relative(root));
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::size_t removeLeftovers(const fs::path& root)
{
    std::size_t removed = 0;
    for (const fs::path& leftover : findLeftovers(root)) {
        std::error_code error;
        removed += fs::remove(root / leftover, error) ? 1 : 0;
    }
    return removed;
}

} // namespace corvane::librarytool
