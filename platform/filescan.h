#pragma once

#include <cstddef>
#include <limits>
#include <string>

namespace corvane {

// Reads a regular file into bytes, reusing their capacity, for passes over many files in a row.
// False, at once and without waiting, for anything that cannot be read or is no regular file
// (a missing file, a directory, a FIFO without a writer, a device), and for a file larger than
// maxBytes, which is refused by its size before it is read.
bool readRegularFileInto(const std::string& path, std::string& bytes,
                         std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

} // namespace corvane
