#include "platform/filescan.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

bool readRegularFileInto(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
              && static_cast<std::size_t>(info.st_size) <= maxBytes;
    if (ok) {
        // One byte more than the size, so that a file read whole ends with one short read.
        const size_t expected = static_cast<size_t>(info.st_size) + 1;
        if (bytes.size() < expected)
            bytes.resize(expected);
        size_t used = 0;
        for (;;) {
            if (used == bytes.size())
                bytes.resize(bytes.size() * 2);
            const ssize_t n = ::read(fd, &bytes[used], bytes.size() - used);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            if (n == 0)
                break;
            used += static_cast<size_t>(n);
            // It grew while being read.
            if (used > maxBytes) {
                ok = false;
                break;
            }
        }
        bytes.resize(ok ? used : 0);
    }
    ::close(fd);
    return ok;
}

} // namespace corvane
