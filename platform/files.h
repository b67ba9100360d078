#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace corvane {

// The platform's path separator; paths are composed by plain concatenation with it.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Where the file the program opens by `path` lies when letter case in names does not count, as
// on Windows: `path` itself when it exists; else, for each step of the path that is missing, the
// entry whose name differs from it only in letter case (the first in byte order when there are
// several); nothing when there is none. Every read below opens files this way.
std::optional<std::string> findIgnoringCase(const std::string& path);

// Reads a whole file as bytes. Only regular files are read: a FIFO, a device, a socket or a
// directory fails at once. Throws FileOpenError "Cannot open file \"path\". reason".
std::string readWholeFile(const std::string& path);

// The same, but a file larger than maxBytes is refused before it is read: gives nothing.
std::optional<std::string> readWholeFileWithin(const std::string& path, std::size_t maxBytes);

// Hands the file to onChunk piece by piece, so a huge file is never held whole; onChunk
// returns false to stop early. Same rules and errors as readWholeFile.
void readFileInChunks(const std::string& path, const std::function<bool(std::string_view)>& onChunk);

// Reads a regular file into bytes, reusing their capacity, for passes over many files in a row.
// False, at once, for anything that cannot be read or is no regular file, and for a file larger
// than maxBytes, which is refused by its size before it is read.
bool readRegularFileInto(const std::string& path, std::string& bytes,
                         std::size_t maxBytes = static_cast<std::size_t>(-1));

// The bytes of a file, or nothing when it cannot be read (or is no regular file); the reason
// goes to *errorNumber when asked for.
std::optional<std::string> readFileIfReadable(const std::string& path, int* errorNumber = nullptr);

// Creates or truncates the file and writes the bytes. Never writes through a symbolic link
// and never into anything but a regular file.
// Throws FileCreateError "Cannot create file \"path\". reason".
void writeWholeFile(const std::string& path, const std::string& bytes);

// Renames `from`, a file already flushed, over `to` in one step, so a reader finds the old file
// or the new one, never half of either, and makes the rename itself durable. Gives the system's
// reason when it fails, leaving both as they were.
std::error_code replaceFile(const std::string& from, const std::string& to);

// Creates one directory level (a symbolic link standing there is never followed); the result
// is reported but callers may ignore it.
bool createDirectory(const std::string& path);

} // namespace corvane
