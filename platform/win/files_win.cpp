#include "platform/files.h"

#include "platform/errors.h"
#include "platform/win/widetext.h"

#include <windows.h>

namespace corvane {
namespace {

[[noreturn]] void throwOpenError(const std::string& path, DWORD error)
{
    throw FileOpenError("Cannot open file \"" + path + "\". " + systemErrorText(static_cast<int>(error)));
}

[[noreturn]] void throwCreateError(const std::string& path, DWORD error)
{
    throw FileCreateError("Cannot create file \"" + path + "\". " + systemErrorText(static_cast<int>(error)));
}

// Closes the handle on every way out.
struct FileHandle {
    HANDLE handle;
    ~FileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

// Reads the file into bytes; returns 0 or the system's error code.
DWORD readInto(const std::string& path, std::string& bytes)
{
    // Sharing reads only: a file another program holds open for writing does not open.
    FileHandle file{::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    // Pipes, consoles and devices are no files to read whole.
    if (::GetFileType(file.handle) != FILE_TYPE_DISK)
        return ERROR_ACCESS_DENIED;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.handle, &size))
        return ::GetLastError();
    if (static_cast<unsigned long long>(size.QuadPart) > bytes.max_size())
        return ERROR_NOT_ENOUGH_MEMORY;

    bytes.clear();
    bytes.reserve(static_cast<size_t>(size.QuadPart));
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.handle, buffer, sizeof buffer, &n, nullptr))
            return ::GetLastError();
        if (n == 0)
            return 0;
        bytes.append(buffer, n);
    }
}

} // namespace

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    if (const DWORD error = readInto(path, bytes))
        throwOpenError(path, error);
    return bytes;
}

std::optional<std::string> readFileIfReadable(const std::string& path)
{
    std::string bytes;
    if (readInto(path, bytes) != 0)
        return std::nullopt;
    return bytes;
}

void writeWholeFile(const std::string& path, const std::string& bytes)
{
    // Held exclusively while it is written, as a created file always was.
    FileHandle file{::CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        throwCreateError(path, ::GetLastError());
    size_t written = 0;
    while (written < bytes.size()) {
        const size_t chunk = bytes.size() - written < 0x40000000 ? bytes.size() - written : 0x40000000;
        DWORD n = 0;
        if (!::WriteFile(file.handle, bytes.data() + written, static_cast<DWORD>(chunk), &n, nullptr))
            throwCreateError(path, ::GetLastError());
        written += n;
    }
}

bool createDirectory(const std::string& path)
{
    return ::CreateDirectoryW(toWide(path).c_str(), nullptr) != 0;
}

} // namespace corvane
