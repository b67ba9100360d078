#include "platform/pathtext.h"

#ifdef _WIN32
#include "platform/win/widetext.h"
#endif

namespace corvane {

std::filesystem::path toPath(std::string_view utf8)
{
#ifdef _WIN32
    return std::filesystem::path(toWide(utf8));
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

std::string pathText(const std::filesystem::path& path)
{
#ifdef _WIN32
    return fromWide(path.native());
#else
    return path.native();
#endif
}

std::string genericPathText(const std::filesystem::path& path)
{
    return pathText(std::filesystem::path(path.generic_string<std::filesystem::path::value_type>()));
}

} // namespace corvane
