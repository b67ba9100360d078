#include "platform/files.h"

#include "platform/errors.h"
#include "platform/widetext_win.h"

#include <windows.h>

namespace corvane {
namespace {

// Closes the handle on every way out.
struct FileHandle {
    HANDLE handle;
    ~FileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

} // namespace

std::optional<std::string> findIgnoringCase(const std::string& path)
{
    // The file system itself takes names in any letter case.
    if (::GetFileAttributesW(toWide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return path;
}

void writeWholeFile(const std::string& path, const std::string& bytes)
{
    // Held exclusively while it is written, as a created file always was.
    FileHandle file{::CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE)
        throw fileCreateError(path, static_cast<int>(::GetLastError()));
    size_t written = 0;
    while (written < bytes.size()) {
        const size_t chunk = bytes.size() - written < 0x40000000 ? bytes.size() - written : 0x40000000;
        DWORD n = 0;
        if (!::WriteFile(file.handle, bytes.data() + written, static_cast<DWORD>(chunk), &n, nullptr))
            throw fileCreateError(path, static_cast<int>(::GetLastError()));
        written += n;
    }
}

bool createDirectory(const std::string& path)
{
    return ::CreateDirectoryW(toWide(path).c_str(), nullptr) != 0;
}

std::error_code replaceFile(const std::string& from, const std::string& to)
{
    if (!::MoveFileExW(toWide(from).c_str(), toWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {static_cast<int>(::GetLastError()), std::system_category()};
    return {};
}

} // namespace corvane
