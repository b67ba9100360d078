#pragma once

#include <string>

namespace corvane {

// Reads a regular file into bytes, reusing their capacity, for passes over many files in a row.
// False, at once and without waiting, for anything that cannot be read or is no regular file
// (a missing file, a directory, a FIFO without a writer, a device).
bool readRegularFileInto(const std::string& path, std::string& bytes);

} // namespace corvane
