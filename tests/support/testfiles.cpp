#include "support/testfiles.h"

#include "platform/codepage.h"
#include "platform/files.h"

#ifndef _WIN32
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif
#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace corvane::test {

TempDir::TempDir()
{
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("corvane-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::string TempDir::dir() const
{
    return path_.u8string() + kPathSeparator;
}

std::string TempDir::write(const std::string& relative, const std::string& bytes) const
{
    const auto file = path_ / std::filesystem::u8path(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.u8string();
}

std::string TempDir::writeCp1251(const std::string& relative, const std::string& utf8) const
{
    return write(relative, utf8ToCp1251(utf8));
}

std::string TempDir::writeLibrary(const std::vector<LibraryRow>& rows, const std::string& folder) const
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    std::string categories;
    std::vector<std::pair<std::string, std::string>> lists; // category, its scripts.txt
    for (const LibraryRow& row : rows) {
        auto list =
            std::find_if(lists.begin(), lists.end(), [&](const auto& l) { return l.first == row.category; });
        if (list == lists.end()) {
            categories += std::string("[") + row.category + "]\r\n";
            list = lists.insert(lists.end(), {row.category, std::string()});
        }
        if (!row.script)
            continue;
        list->second += std::string(row.script) + "\r\n";
        if (row.text)
            writeCp1251(base + row.category + "/" + row.script, row.text);
    }
    writeCp1251(base + "categories.ini", categories);
    for (const auto& [category, list] : lists)
        if (!list.empty())
            writeCp1251(base + category + "/scripts.txt", list);
    std::string where = dir() + base;
    std::replace(where.begin(), where.end(), '/', kPathSeparator);
    return where;
}

#ifndef _WIN32
std::string TempDir::place(const std::string& relative, NotAFile kind) const
{
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    const std::string path = file.string();
    bool ok = false;
    switch (kind) {
    case NotAFile::Fifo: ok = ::mkfifo(path.c_str(), 0644) == 0; break;
    case NotAFile::DeviceLink: ok = ::symlink("/dev/zero", path.c_str()) == 0; break;
    case NotAFile::Socket: {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path)
            throw std::runtime_error("socket path too long");
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ok = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
        break;
    }
    case NotAFile::Directory: ok = std::filesystem::create_directory(file); break;
    }
    if (!ok)
        throw std::runtime_error("cannot place " + path);
    return path;
}
#endif

std::string readBytes(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace corvane::test
