#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::test {

// Things that are no regular file, for the reader to refuse at once.
enum class NotAFile { Fifo, DeviceLink, Socket, Directory };

// One script of a sample library. Categories are listed in the order they first appear, each
// category's scripts in the order of their rows.
struct LibraryRow {
    const char* category;
    const char* script; // nullptr: the category has no scripts.txt
    const char* text;   // UTF-8; nullptr: the script is listed but has no file
};

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
    // Writes the library the rows describe, in Windows-1251 with CR LF breaks, into the folder
    // (relative, "" for this one); returns that folder as the program addresses it.
    std::string writeLibrary(const std::vector<LibraryRow>& rows, const std::string& folder = {}) const;
    // Puts a FIFO, a link to /dev/zero, a socket or a directory at the path.
    std::string place(const std::string& relative, NotAFile kind) const;

private:
    std::filesystem::path path_;
};

std::string readBytes(const std::string& path);

// A case's description as a test name: letters and digits kept, anything else '_'.
inline std::string testCaseName(const char* description)
{
    std::string name;
    for (const char* p = description; *p; ++p)
        name += (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') ? *p : '_';
    return name;
}

} // namespace corvane::test
