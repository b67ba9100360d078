#include "platform/programdir.h"

#include "platform/widetext_win.h"

#include <windows.h>

namespace corvane {

std::string programDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        // A full buffer means the name may have been cut: try again with more room.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return fromWide(path.substr(0, path.rfind(L'\\') + 1));
}

} // namespace corvane
