#pragma once

#include <string>

namespace corvane {

// The directory of the running executable, ending in the path separator.
std::string programDirectory();

} // namespace corvane
