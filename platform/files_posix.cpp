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

// What to answer for something that is not a regular file. Opening a socket gives ENXIO on
// its own, so FIFOs and devices get the same text.
int nonRegularError(mode_t mode)
{
    return S_ISDIR(mode) ? EISDIR : ENXIO;
}

// Opens for reading without waiting on a FIFO and without taking a terminal; only a regular
// file stays open. Returns 0 or the error number.
int openForReading(const std::string& path, FileDescriptor& file, struct stat& info)
{
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    file.fd = ::open(path.c_str(), kFlags);
    if (file.fd < 0) {
        const int error = errno;
        if (error != ENOENT)
            return error;
        const std::optional<std::string> other = findIgnoringCase(path);
        if (!other || *other == path)
            return error;
        file.fd = ::open(other->c_str(), kFlags);
        if (file.fd < 0)
            return errno;
    }
    if (::fstat(file.fd, &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return nonRegularError(info.st_mode);
    // Regular files never block; clear the flag all the same so reads behave plainly.
    const int flags = ::fcntl(file.fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(file.fd, F_SETFL, flags & ~O_NONBLOCK);
    return 0;
}

// Reads to the end, handing each piece on; returns 0 or the error number.
template <typename OnChunk>
int readChunks(int fd, OnChunk onChunk)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0 || !onChunk(std::string_view(buffer, static_cast<size_t>(n))))
            return 0;
    }
}

// Reads the file into bytes, giving up once it holds more than maxBytes; returns 0 or the
// error number, and sets tooLarge when it gave up.
int readInto(const std::string& path, std::string& bytes, size_t maxBytes, bool& tooLarge)
{
    tooLarge = false;
    FileDescriptor file{-1};
    struct stat info {};
    if (const int error = openForReading(path, file, info))
        return error;
    if (info.st_size > 0 && static_cast<unsigned long long>(info.st_size) > maxBytes) {
        tooLarge = true;
        return 0;
    }
    bytes.clear();
    if (info.st_size > 0)
        bytes.reserve(static_cast<size_t>(info.st_size));
    // The size may grow while we read; the limit holds for what is actually read.
    return readChunks(file.fd, [&](std::string_view chunk) {
        if (chunk.size() > maxBytes - bytes.size()) {
            tooLarge = true;
            return false;
        }
        bytes.append(chunk);
        return true;
    });
}

constexpr size_t kNoLimit = static_cast<size_t>(-1);

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

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    bool tooLarge = false;
    if (const int error = readInto(path, bytes, kNoLimit, tooLarge))
        throwOpenError(path, error);
    return bytes;
}

std::optional<std::string> readWholeFileWithin(const std::string& path, size_t maxBytes)
{
    std::string bytes;
    bool tooLarge = false;
    if (const int error = readInto(path, bytes, maxBytes, tooLarge))
        throwOpenError(path, error);
    if (tooLarge)
        return std::nullopt;
    return bytes;
}

void readFileInChunks(const std::string& path, const std::function<bool(std::string_view)>& onChunk)
{
    FileDescriptor file{-1};
    struct stat info {};
    int error = openForReading(path, file, info);
    if (!error)
        error = readChunks(file.fd, onChunk);
    if (error)
        throwOpenError(path, error);
}

bool readRegularFileInto(const std::string& path, std::string& bytes, size_t maxBytes)
{
    bool tooLarge = false;
    return readInto(path, bytes, maxBytes, tooLarge) == 0 && !tooLarge;
}

std::optional<std::string> readFileIfReadable(const std::string& path, int* errorNumber)
{
    std::string bytes;
    bool tooLarge = false;
    const int error = readInto(path, bytes, kNoLimit, tooLarge);
    if (errorNumber)
        *errorNumber = error;
    if (error != 0)
        return std::nullopt;
    return bytes;
}

void writeWholeFile(const std::string& path, const std::string& bytes)
{
    // No O_TRUNC yet: nothing is touched before we know it is a regular file of its own.
    // O_NONBLOCK keeps a FIFO standing there from holding us until a reader comes.
    FileDescriptor file{
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666)};
    if (file.fd < 0)
        throwCreateError(path, errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        throwCreateError(path, errno);
    if (!S_ISREG(info.st_mode))
        throwCreateError(path, nonRegularError(info.st_mode));
    if (::ftruncate(file.fd, 0) != 0)
        throwCreateError(path, errno);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(file.fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            throwCreateError(path, errno);
        }
        written += static_cast<size_t>(n);
    }
}

bool createDirectory(const std::string& path)
{
    // mkdir never follows a link at the last step, dangling or not: it answers EEXIST.
    return ::mkdir(path.c_str(), 0777) == 0;
}

} // namespace corvane
