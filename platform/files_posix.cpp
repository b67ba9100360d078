#include "platform/files.h"

#include "platform/casefold.h"
#include "platform/errors.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

// Closes the descriptor on every way out.
struct FileDescriptor {
    int fd;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// What to answer for something that is not a regular file. Opening a socket gives ENXIO on
// its own, so FIFOs and devices get the same text.
int nonRegularError(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : ENXIO;
}

// The entry of `folder` whose name folds as `name` does: the first in byte order.
std::optional<std::string> entryIgnoringCase(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return std::nullopt;
    const std::string folded = foldCase(name);
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == "..")
            continue;
        if ((!found || entryName < *found) && foldCase(entryName) == folded)
            found = std::string(entryName);
    }
    ::closedir(dir);
    return found;
}

} // namespace

std::optional<std::string> findIgnoringCase(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return path;
    std::string found;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        const std::string step = path.substr(start, end - start);
        const std::string separator = slash == std::string::npos ? std::string() : std::string(1, '/');
        start = end + 1;
        if (step.empty() || step == "." || step == ".." || ::stat((found + step).c_str(), &info) == 0) {
            found += step + separator;
            continue;
        }
        const std::optional<std::string> entry = entryIgnoringCase(found, step);
        if (!entry)
            return std::nullopt;
        found += *entry + separator;
    }
    return found;
}

void writeWholeFile(const std::string& path, const std::string& bytes)
{
    // No O_TRUNC yet: nothing is touched before we know it is a regular file of its own.
    // O_NONBLOCK keeps a FIFO standing there from holding us until a reader comes.
    FileDescriptor file{
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666)};
    if (file.fd < 0)
        throw fileCreateError(path, errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        throw fileCreateError(path, errno);
    if (!S_ISREG(info.st_mode))
        throw fileCreateError(path, nonRegularError(info.st_mode));
    if (::ftruncate(file.fd, 0) != 0)
        throw fileCreateError(path, errno);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(file.fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            throw fileCreateError(path, errno);
        }
        written += static_cast<size_t>(n);
    }
}

bool createDirectory(const std::string& path)
{
    // mkdir never follows a link at the last step, dangling or not: it answers EEXIST.
    return ::mkdir(path.c_str(), 0777) == 0;
}

std::error_code replaceFile(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return {errno, std::generic_category()};
    // The rename lives in the folder: sync it too.
    const std::size_t slash = to.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return {};
}

} // namespace corvane
