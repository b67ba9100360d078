#include "platform/readablefile.h"

#include "platform/widetext_win.h"

#include <windows.h>

namespace corvane {
namespace {

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

ReadableFile::~ReadableFile()
{
    if (handleOf(handle_) != INVALID_HANDLE_VALUE)
        ::CloseHandle(handleOf(handle_));
}

int ReadableFile::open(const std::string& path)
{
    // Shares reads only: a file another program holds open for writing does not open. The file
    // system itself takes names in any letter case.
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return static_cast<int>(::GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // Pipes, consoles and devices are refused.
    if (::GetFileType(file) != FILE_TYPE_DISK)
        return ERROR_ACCESS_DENIED;
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file, &length))
        return static_cast<int>(::GetLastError());
    size_ = static_cast<std::uintmax_t>(length.QuadPart);
    return 0;
}

int ReadableFile::read(char* buffer, std::size_t maxBytes, std::size_t& count) const
{
    DWORD n = 0;
    const DWORD wanted = maxBytes < 0x40000000 ? static_cast<DWORD>(maxBytes) : 0x40000000;
    if (!::ReadFile(handleOf(handle_), buffer, wanted, &n, nullptr))
        return static_cast<int>(::GetLastError());
    count = n;
    return 0;
}

} // namespace corvane
