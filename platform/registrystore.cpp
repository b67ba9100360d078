#include "platform/registrystore.h"

#include "platform/files.h"
#include "platform/registrytext.h"
#include "platform/storeregistrykey.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
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

} // namespace

RegistryStore::RegistryStore(std::string filePath)
    : filePath_(std::move(filePath))
{
}

std::optional<RegistryHive> RegistryStore::load() const
{
    std::error_code error;
    if (!std::filesystem::exists(filePath_, error) && !error)
        return RegistryHive{};
    const auto bytes = readFileIfReadable(filePath_);
    if (!bytes)
        return std::nullopt;
    return parseRegistryText(*bytes);
}

bool RegistryStore::save(const RegistryHive& hive) const
{
    const std::filesystem::path target(filePath_);
    std::error_code error;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), error);

    std::string temp = filePath_ + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const std::string text = formatRegistryText(hive);
    size_t written = 0;
    bool ok = true;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<size_t>(n);
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), filePath_.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
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

} // namespace corvane
