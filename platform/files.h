#pragma once

#include <optional>
#include <string>

namespace corvane {

// The platform's path separator; paths are composed by plain concatenation with it.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Reads a whole file as bytes. Throws FileOpenError "Cannot open file \"path\". reason".
std::string readWholeFile(const std::string& path);

// The bytes of a file, or nothing when it cannot be read.
std::optional<std::string> readFileIfReadable(const std::string& path);

// Creates or truncates the file and writes the bytes.
// Throws FileCreateError "Cannot create file \"path\". reason".
void writeWholeFile(const std::string& path, const std::string& bytes);

// Creates one directory level; the result is reported but callers may ignore it.
bool createDirectory(const std::string& path);

} // namespace corvane
