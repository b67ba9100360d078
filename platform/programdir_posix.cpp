#include "platform/programdir.h"

#include "platform/files.h"

#include <filesystem>

namespace corvane {

std::string programDirectory()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string dir = error ? std::filesystem::current_path().string() : exe.parent_path().string();
    if (dir.empty() || dir.back() != kPathSeparator)
        dir += kPathSeparator;
    return dir;
}

} // namespace corvane
