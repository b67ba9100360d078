#include "platform/filestream.h"

#include "platform/errors.h"
#include "platform/widetext_win.h"

#include <windows.h>

#include <utility>

namespace corvane {
namespace {

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

const std::intptr_t kClosed = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);

[[noreturn]] void throwOpenError(const std::string& path, DWORD error)
{
    throw FileOpenError("Cannot open file \"" + path + "\". " + systemErrorText(static_cast<int>(error)));
}

[[noreturn]] void throwCreateError(const std::string& path, DWORD error)
{
    throw FileCreateError("Cannot create file \"" + path + "\". " + systemErrorText(static_cast<int>(error)));
}

} // namespace

FileReader::FileReader(const std::string& path)
    : path_(path)
    , handle_(kClosed)
{
    // Shares reads only, as readWholeFile does; pipes, consoles and devices are refused.
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throwOpenError(path, ::GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    if (::GetFileType(file) != FILE_TYPE_DISK)
        throwOpenError(path, ERROR_ACCESS_DENIED);
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(file, &length))
        throwOpenError(path, ::GetLastError());
    size_ = static_cast<std::uintmax_t>(length.QuadPart);
}

FileReader::~FileReader()
{
    if (handle_ != kClosed)
        ::CloseHandle(handleOf(handle_));
}

std::string_view FileReader::read(std::size_t maxBytes)
{
    buffer_.resize(maxBytes);
    DWORD n = 0;
    const DWORD wanted = maxBytes < 0x40000000 ? static_cast<DWORD>(maxBytes) : 0x40000000;
    if (!::ReadFile(handleOf(handle_), buffer_.data(), wanted, &n, nullptr))
        throwOpenError(path_, ::GetLastError());
    return {buffer_.data(), n};
}

NewFile::NewFile(std::string path)
    : path_(std::move(path))
    , handle_(kClosed)
{
    const HANDLE file = ::CreateFileW(toWide(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throwCreateError(path_, ::GetLastError());
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

NewFile::~NewFile()
{
    if (handle_ == kClosed)
        return;
    ::CloseHandle(handleOf(handle_));
    ::DeleteFileW(toWide(path_).c_str());
}

void NewFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() < 0x40000000 ? static_cast<DWORD>(bytes.size()) : 0x40000000;
        DWORD n = 0;
        if (!::WriteFile(handleOf(handle_), bytes.data(), chunk, &n, nullptr))
            throwCreateError(path_, ::GetLastError());
        bytes.remove_prefix(n);
    }
}

void NewFile::keep()
{
    const HANDLE file = handleOf(std::exchange(handle_, kClosed));
    const bool flushed = ::FlushFileBuffers(file) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!flushed) {
        ::DeleteFileW(toWide(path_).c_str());
        throwCreateError(path_, error);
    }
}

} // namespace corvane
