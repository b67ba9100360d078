#include "platform/profile.h"

#include "platform/widetext_win.h"

#include <windows.h>

namespace corvane {

std::vector<std::string> readSectionNames(const std::string& path, size_t budget)
{
    if (budget < 2)
        return {};
    std::wstring buffer(budget, L'\0');
    const DWORD length =
        ::GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(budget), toWide(path).c_str());
    // Names each end in a NUL; when they do not fit, the system cuts the last one short and
    // answers budget - 2. A list that fits exactly answers the same, but then ends in a NUL.
    const bool cut = length == budget - 2 && length > 0 && buffer[length - 1] != L'\0';

    std::vector<std::string> names;
    size_t start = 0;
    while (start < length) {
        size_t end = buffer.find(L'\0', start);
        if (end == std::wstring::npos || end > length)
            end = length;
        if (cut && end == length)
            break; // the name that did not fit whole is dropped
        names.push_back(fromWide(std::wstring_view(buffer).substr(start, end - start)));
        start = end + 1;
    }
    return names;
}

} // namespace corvane
