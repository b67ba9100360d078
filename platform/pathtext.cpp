#include "platform/pathtext.h"

namespace corvane {

std::string genericPathText(const std::filesystem::path& path)
{
    return pathText(std::filesystem::path(path.generic_string<std::filesystem::path::value_type>()));
}

} // namespace corvane
