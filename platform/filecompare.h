#pragma once

#include <string>

namespace corvane {

// The two regular files hold the same bytes; read piece by piece, so their size does not matter.
// Throws FileOpenError.
bool sameFileContents(const std::string& first, const std::string& second);

} // namespace corvane
