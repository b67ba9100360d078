#pragma once

#include "platform/readablefile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// A regular file read piece by piece, so a file of any size is never held whole. Same rules as
// readWholeFile: a FIFO, a device or a directory fails at once with FileOpenError.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The next piece of at most maxBytes (into a buffer of the reader's own, valid until the
    // next call); empty at the end. Throws FileOpenError.
    std::string_view read(std::size_t maxBytes = 65536);
    // The size the file had when it was opened.
    std::uintmax_t size() const { return file_.size(); }

private:
    std::string path_;
    std::string buffer_;
    ReadableFile file_;
};

// A new file written piece by piece. It is made only where nothing stands yet (so never through
// a link) and removed again unless it was kept: a write cut short leaves nothing behind.
class NewFile {
public:
    // Throws FileCreateError, also when something stands at the path.
    explicit NewFile(std::string path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Throws FileCreateError.
    void write(std::string_view bytes);
    // Flushes and closes the file, which stays. Throws FileCreateError.
    void keep();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::intptr_t handle_;
};

} // namespace corvane
