#include "platform/filestream.h"

#include "platform/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace corvane {
namespace {

constexpr std::intptr_t kClosed = -1;

int descriptor(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

} // namespace

NewFile::NewFile(std::string path)
    : path_(std::move(path))
    , handle_(kClosed)
{
    const int fd =
        ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fileCreateError(path_, errno);
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
            throw fileCreateError(path_, errno);
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
        throw fileCreateError(path_, error);
    }
}

} // namespace corvane
