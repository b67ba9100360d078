#include "platform/files.h"

#include "platform/errors.h"
#include "platform/widetext_win.h"

#include <windows.h>

#include <functional>
#include <string_view>

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

// Opens a file for reading, sharing reads only: a file another program holds open for writing
// does not open. Pipes, consoles and devices are refused. Gives the handle or the error code.
DWORD openForReading(const std::string& path, FileHandle& file, unsigned long long& size)
{
    file.handle = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.handle == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    if (::GetFileType(file.handle) != FILE_TYPE_DISK)
        return ERROR_ACCESS_DENIED;
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file.handle, &length))
        return ::GetLastError();
    size = static_cast<unsigned long long>(length.QuadPart);
    return 0;
}

// Hands the open file to onChunk piece by piece; returns 0 or the error code.
DWORD readChunks(HANDLE handle, const std::function<bool(std::string_view)>& onChunk)
{
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(handle, buffer, sizeof buffer, &n, nullptr))
            return ::GetLastError();
        if (n == 0 || !onChunk(std::string_view(buffer, n)))
            return 0;
    }
}

// Reads the file into bytes, refusing one over maxBytes; returns 0 or the error code.
DWORD readInto(const std::string& path, std::string& bytes, std::size_t maxBytes, bool& tooBig)
{
    FileHandle file{INVALID_HANDLE_VALUE};
    unsigned long long size = 0;
    if (const DWORD error = openForReading(path, file, size))
        return error;
    tooBig = size > maxBytes;
    if (tooBig)
        return 0;
    bytes.clear();
    bytes.reserve(static_cast<size_t>(size));
    return readChunks(file.handle, [&](std::string_view piece) {
        bytes.append(piece);
        return true;
    });
}

} // namespace

std::optional<std::string> findIgnoringCase(const std::string& path)
{
    // The file system itself takes names in any letter case.
    if (::GetFileAttributesW(toWide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return path;
}

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    bool tooBig = false;
    if (const DWORD error = readInto(path, bytes, bytes.max_size(), tooBig))
        throwOpenError(path, error);
    if (tooBig)
        throwOpenError(path, ERROR_NOT_ENOUGH_MEMORY);
    return bytes;
}

std::optional<std::string> readWholeFileWithin(const std::string& path, std::size_t maxBytes)
{
    std::string bytes;
    bool tooBig = false;
    if (const DWORD error = readInto(path, bytes, maxBytes, tooBig))
        throwOpenError(path, error);
    if (tooBig)
        return std::nullopt;
    return bytes;
}

void readFileInChunks(const std::string& path, const std::function<bool(std::string_view)>& onChunk)
{
    FileHandle file{INVALID_HANDLE_VALUE};
    unsigned long long size = 0;
    DWORD error = openForReading(path, file, size);
    if (!error)
        error = readChunks(file.handle, onChunk);
    if (error)
        throwOpenError(path, error);
}

bool readRegularFileInto(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bool tooBig = false;
    return readInto(path, bytes, maxBytes, tooBig) == 0 && !tooBig;
}

std::optional<std::string> readFileIfReadable(const std::string& path, int* errorNumber)
{
    std::string bytes;
    bool tooBig = false;
    const DWORD error = readInto(path, bytes, bytes.max_size(), tooBig);
    if (error || tooBig) {
        if (errorNumber)
            *errorNumber = static_cast<int>(error ? error : ERROR_NOT_ENOUGH_MEMORY);
        return std::nullopt;
    }
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
