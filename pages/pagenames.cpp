#include "pages/pagenames.h"

#include "platform/ascii.h"

namespace corvane::pages {

bool isWebPageName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string extension = asciiLowered(name.substr(dot + 1));
    return extension == "html" || extension == "htm" || extension == "shtml" || extension == "xhtml"
           || extension == "xht";
}

} // namespace corvane::pages
