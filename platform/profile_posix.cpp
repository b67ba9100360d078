#include "platform/profile.h"

#include "platform/files.h"

namespace corvane {

std::vector<std::string> readSectionNames(const std::string& path, size_t budget)
{
    // The platform's profile reader treats an unreadable file as one without sections.
    const auto bytes = readFileIfReadable(path);
    return bytes ? parseSectionNames(*bytes, budget) : std::vector<std::string>{};
}

} // namespace corvane
