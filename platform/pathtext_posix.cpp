#include "platform/pathtext.h"

namespace corvane {

std::filesystem::path toPath(std::string_view utf8)
{
    return std::filesystem::path(std::string(utf8));
}

std::string pathText(const std::filesystem::path& path)
{
    return path.native();
}

} // namespace corvane
