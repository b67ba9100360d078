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

} // namespace

NewFile::NewFile(std::string path)
    : path_(std::move(path))
    , handle_(kClosed)
{
    const HANDLE file = ::CreateFileW(toWide(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw fileCreateError(path_, static_cast<int>(::GetLastError()));
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
            throw fileCreateError(path_, static_cast<int>(::GetLastError()));
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
        throw fileCreateError(path_, static_cast<int>(error));
    }
}

} // namespace corvane
