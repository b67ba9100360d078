#include "platform/files.h"

#include "platform/errors.h"

#include <cerrno>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

[[noreturn]] void throwOpenError(const std::string& path, int errorNumber)
{
    throw FileOpenError("Cannot open file \"" + path + "\". " + systemErrorText(errorNumber));
}

[[noreturn]] void throwCreateError(const std::string& path, int errorNumber)
{
    throw FileCreateError("Cannot create file \"" + path + "\". " + systemErrorText(errorNumber));
}

// Closes the descriptor on every way out.
struct FileDescriptor {
    int fd;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads the file into bytes; returns 0 or the error number.
int readInto(const std::string& path, std::string& bytes)
{
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        return errno;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return errno;
    // A directory opens on POSIX but is no file to read.
    if (S_ISDIR(info.st_mode))
        return EISDIR;

    bytes.clear();
    if (info.st_size > 0)
        bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    if (const int error = readInto(path, bytes))
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
    FileDescriptor file{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
    if (file.fd < 0)
        throwCreateError(path, errno);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(file.fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throwCreateError(path, errno);
        }
        written += static_cast<size_t>(n);
    }
}

bool createDirectory(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0;
}

} // namespace corvane
