#include "platform/registrystore.h"

#include "platform/files.h"
#include "platform/registrytext.h"
#include "platform/storeregistrykey.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace corvane {
namespace {

std::string homeBased(const char* variable, const char* fallback)
{
    if (const char* value = std::getenv(variable); value && *value)
        return value;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + fallback;
    return ".";
}

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

} // namespace

RegistryStore::RegistryStore(std::string filePath)
    : filePath_(std::move(filePath))
{
}

std::optional<RegistryHive> RegistryStore::load() const
{
    const Loaded loaded = loadFile();
    if (loaded.state != Loaded::Parsed)
        return std::nullopt;
    return loaded.hive;
}

RegistryStore::Loaded RegistryStore::loadFile() const
{
    struct stat info {};
    if (::lstat(filePath_.c_str(), &info) != 0)
        return errno == ENOENT ? Loaded{Loaded::Parsed, {}, {}} : Loaded{Loaded::Unreadable, {}, lastError()};
    int error = 0;
    const auto bytes = readFileIfReadable(filePath_, &error);
    if (!bytes) {
        if (error == ENOENT) // a dangling link: nothing stored yet
            return {Loaded::Parsed, {}, {}};
        // A directory, FIFO, device or socket is no store; no rights to it is another matter.
        const std::error_code reason(error, std::generic_category());
        return {error == EISDIR || error == ENXIO ? Loaded::Broken : Loaded::Unreadable, {}, reason};
    }
    auto hive = parseRegistryText(*bytes);
    if (!hive)
        return {Loaded::Broken, {}, {}};
    return {Loaded::Parsed, std::move(*hive), {}};
}

std::optional<RegistryHive> RegistryStore::loadOrSetAside(std::error_code& failure) const
{
    Loaded loaded = loadFile();
    failure = loaded.error;
    if (loaded.state == Loaded::Broken) {
        failure = setAside();
        if (!failure)
            return RegistryHive{};
    }
    if (loaded.state != Loaded::Parsed)
        return std::nullopt;
    return std::move(loaded.hive);
}

std::error_code RegistryStore::setAside() const
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = brokenPathPrefix() + stamp;
    for (int n = 1; n < 1000; ++n) {
        const std::string name = n == 1 ? base : base + '-' + std::to_string(n);
        // Never over an earlier one: each broken store keeps its bytes.
        if (::renameat2(AT_FDCWD, filePath_.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
            return {};
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return lastError();
        // A file system without the no-replace flag: look first, then rename.
        struct stat info {};
        if (::lstat(name.c_str(), &info) == 0)
            continue;
        return ::rename(filePath_.c_str(), name.c_str()) == 0 ? std::error_code() : lastError();
    }
    return std::make_error_code(std::errc::file_exists);
}

namespace {

// The user may not write this store: no write permission bits, or the system says no.
// Checked by hand because rename() would replace the file all the same.
bool writeProtected(const std::string& path, mode_t& mode)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false; // nothing there yet, or a dangling link that the rename replaces
    mode = info.st_mode & 07777;
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

std::error_code writeAll(int fd, const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return lastError();
        if (n == 0)
            return std::make_error_code(std::errc::no_space_on_device);
        written += static_cast<size_t>(n);
    }
    return {};
}

// Opens the temporary file and locks it, so that two copies of the program never write it at
// once; it must still be the temporary file once locked, or the other copy has renamed it away
// meanwhile. A holder that keeps it longer than a moment makes the save fail instead of wait.
int openLockedTemporary(const std::string& temp, std::error_code& error)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    for (;;) {
        const int fd =
            ::open(temp.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = lastError();
            return -1;
        }
        struct stat opened {};
        const bool statted = ::fstat(fd, &opened) == 0;
        if (!statted || !S_ISREG(opened.st_mode)) {
            error = statted ? std::make_error_code(std::errc::invalid_argument) : lastError();
            ::close(fd);
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat named {};
            if (::lstat(temp.c_str(), &named) == 0 && named.st_dev == opened.st_dev
                && named.st_ino == opened.st_ino)
                return fd;
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            error = lastError();
            ::close(fd);
            return -1;
        }
        ::close(fd);
        if (Clock::now() > deadline) {
            error = std::make_error_code(std::errc::device_or_resource_busy);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Replaces the store with the text through the locked temporary file fd.
std::error_code replaceThrough(int fd, const std::string& temp, const std::string& store,
                               const std::string& text, mode_t mode)
{
    if (::ftruncate(fd, 0) != 0)
        return lastError();
    if (const std::error_code error = writeAll(fd, text))
        return error;
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return lastError();
    return replaceFile(temp, store);
}

} // namespace

std::error_code RegistryStore::save(const RegistryHive& hive) const
{
    const std::filesystem::path target(filePath_);
    std::error_code ignored; // a folder that cannot be made shows as the temporary's failure
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ignored);

    mode_t mode = 0644;
    if (writeProtected(filePath_, mode))
        return std::make_error_code(std::errc::permission_denied);

    const std::string temp = temporaryPath();
    std::error_code error;
    const int fd = openLockedTemporary(temp, error);
    if (fd < 0)
        return error;
    // The lock goes with the descriptor, after the rename: a copy waiting on the old file
    // then finds that it is no longer the temporary one.
    error = replaceThrough(fd, temp, filePath_, formatRegistryText(hive), mode);
    if (::close(fd) != 0 && !error)
        error = lastError();
    // On failure the temporary stays; the next save truncates and reuses it.
    return error;
}

std::unique_ptr<RegistryKey> RegistryStore::newKey() const
{
    return std::make_unique<StoreRegistryKey>(*this);
}

std::string defaultRegistryStorePath()
{
    return homeBased("XDG_STATE_HOME", "/.local/state") + "/corvane/system.reg";
}

std::string legacyRegistryStorePath()
{
    return homeBased("XDG_DATA_HOME", "/.local/share") + "/corvane/system.reg";
}

void moveLegacyRegistryStore(const std::string& from, const std::string& to)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (from == to || fs::symlink_status(to, error).type() != fs::file_type::not_found)
        return;
    if (!fs::is_regular_file(fs::symlink_status(from, error)))
        return;
    const fs::path target(to);
    fs::create_directories(target.parent_path(), error);
    fs::rename(from, to, error);
    if (error == std::errc::cross_device_link) {
        // Another file system: copy, and drop the old one only once the copy is whole.
        if (fs::copy_file(from, to, error) && !error)
            fs::remove(from, error);
    }
}

std::unique_ptr<Registry> programRegistry()
{
    moveLegacyRegistryStore(legacyRegistryStorePath(), defaultRegistryStorePath());
    return std::make_unique<RegistryStore>(defaultRegistryStorePath());
}

} // namespace corvane
