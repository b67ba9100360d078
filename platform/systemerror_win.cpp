#include "platform/errors.h"

#include "platform/widetext_win.h"

#include <windows.h>

namespace corvane {

std::string systemErrorText(int errorNumber)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(errorNumber), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    // An unknown code has no text, as it always had.
    if (length == 0 || !buffer)
        return {};
    std::string text = fromWide(std::wstring_view(buffer, length));
    ::LocalFree(buffer);
    return trimMessageTail(std::move(text));
}

} // namespace corvane
