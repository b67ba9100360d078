#pragma once

#include <filesystem>
#include <string>

namespace corvane::test {

// Things that are no regular file, for the reader to refuse at once.
enum class NotAFile { Fifo, DeviceLink, Socket, Directory };

// A fresh folder under the system's temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the program addresses it (UTF-8), ending in the platform's separator.
    std::string dir() const;
    // Writes bytes exactly as given, creating parent folders; relative is UTF-8 with "/".
    std::string write(const std::string& relative, const std::string& bytes) const;
    // Writes UTF-8 text as Windows-1251 bytes.
    std::string writeCp1251(const std::string& relative, const std::string& utf8) const;
    // Puts a FIFO, a link to /dev/zero, a socket or a directory at the path.
    std::string place(const std::string& relative, NotAFile kind) const;

private:
    std::filesystem::path path_;
};

std::string readBytes(const std::string& path);

} // namespace corvane::test
