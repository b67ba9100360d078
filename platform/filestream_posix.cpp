#include "platform/filestream.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <utility>

namespace corvane {
namespace {

constexpr std::intptr_t kClosed = -1;

[[noreturn]] void throwOpenError(const std::string& path, int errorNumber)
{
    throw FileOpenError("Cannot open file \"" + path + "\". " + systemErrorText(errorNumber));
}

[[noreturn]] void throwCreateError(const std::string& path, int errorNumber)
{
    throw FileCreateError("Cannot create file \"" + path + "\". " + systemErrorText(errorNumber));
}

int descriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

} // namespace

FileReader::FileReader(const std::string& path)
    : path_(path)
    , handle_(kClosed)
{
    // O_NONBLOCK: a FIFO standing there answers at once instead of waiting for a writer.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(path.c_str(), kFlags);
    // Letter case in names does not count, as for every read of the program's.
    if (fd < 0 && errno == ENOENT) {
        const std::optional<std::string> other = findIgnoringCase(path);
        fd = other && *other != path ? ::open(other->c_str(), kFlags) : -1;
        if (fd < 0 && (!other || *other == path))
            errno = ENOENT;
    }
    if (fd < 0)
        throwOpenError(path, errno);
    handle_ = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throwOpenError(path, errno);
    if (!S_ISREG(info.st_mode))
        throwOpenError(path, S_ISDIR(info.st_mode) ? EISDIR : ENXIO);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size_ = static_cast<std::uintmax_t>(info.st_size);
}

FileReader::~FileReader()
{
    if (handle_ != kClosed)
        ::close(descriptor(handle_));
}

std::string_view FileReader::read(std::size_t maxBytes)
{
    buffer_.resize(maxBytes);
    for (;;) {
        const ssize_t n = ::read(descriptor(handle_), buffer_.data(), maxBytes);
        if (n >= 0)
            return {buffer_.data(), static_cast<std::size_t>(n)};
        if (errno != EINTR)
            throwOpenError(path_, errno);
    }
}

NewFile::NewFile(std::string path)
    : path_(std::move(path))
    , handle_(kClosed)
{
    const int fd =
        ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        throwCreateError(path_, errno);
    handle_ = fd;
}

NewFile::~NewFile()
{
    if (handle_ == kClosed)
        return;
    ::close(descriptor(handle_));
    ::unlink(path_.c_str());
}

void NewFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(descriptor(handle_), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwCreateError(path_, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void NewFile::keep()
{
    const int fd = descriptor(std::exchange(handle_, kClosed));
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int syncError = errno;
    if (::close(fd) != 0 || !synced) {
        const int error = synced ? errno : syncError;
        ::unlink(path_.c_str());
        throwCreateError(path_, error);
    }
}

} // namespace corvane
