#include "platform/pathtext.h"

#include "platform/widetext_win.h"

namespace corvane {

std::filesystem::path toPath(std::string_view utf8)
{
    return std::filesystem::path(toWide(utf8));
}

std::string pathText(const std::filesystem::path& path)
{
    return fromWide(path.native());
}

} // namespace corvane
