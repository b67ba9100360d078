#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// A regular file open for reading: the operating system's half under the reads of files.h and
// FileReader (readablefile_posix.cpp, readablefile_win.cpp). Error numbers are the system's,
// as systemErrorText takes them.
class ReadableFile {
public:
    ReadableFile() = default;
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    // Opens `path`, found in another letter case where names ignore it. Only a regular file
    // stays open: a FIFO, a device, a socket or a directory fails at once, never waits.
    // Gives 0 or the error number.
    int open(const std::string& path);
    // The size the file had when it was opened.
    std::uintmax_t size() const { return size_; }
    // Reads at most maxBytes into buffer; count is 0 at the end. Gives 0 or the error number.
    int read(char* buffer, std::size_t maxBytes, std::size_t& count) const;

private:
    std::intptr_t handle_ = -1; // a descriptor, or a HANDLE (INVALID_HANDLE_VALUE is -1 too)
    std::uintmax_t size_ = 0;
};

} // namespace corvane
