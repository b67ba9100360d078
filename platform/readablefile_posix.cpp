#include "platform/readablefile.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

ReadableFile::~ReadableFile()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

int ReadableFile::open(const std::string& path)
{
    // O_NONBLOCK: a FIFO standing there answers at once instead of waiting for a writer.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(path.c_str(), kFlags);
    if (fd < 0) {
        const int error = errno;
        if (error != ENOENT)
            return error;
        const std::optional<std::string> other = findIgnoringCase(path);
        if (!other || *other == path)
            return error;
        fd = ::open(other->c_str(), kFlags);
        if (fd < 0)
            return errno;
    }
    handle_ = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return errno;
    // Opening a socket gives ENXIO on its own, so FIFOs and devices get the same text.
    if (!S_ISREG(info.st_mode))
        return S_ISDIR(info.st_mode) ? EISDIR : ENXIO;
    // Regular files never block; clear the flag all the same so reads behave plainly.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size_ = static_cast<std::uintmax_t>(info.st_size);
    return 0;
}

int ReadableFile::read(char* buffer, std::size_t maxBytes, std::size_t& count) const
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, maxBytes);
        if (n >= 0) {
            count = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

} // namespace corvane
