#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

// Paths are UTF-8 text inside the program, but std::filesystem reads a narrow string on Windows
// in the ANSI code page: every path crosses into it and back through these.
std::filesystem::path toPath(std::string_view utf8);
std::string pathText(const std::filesystem::path& path);
// The same with "/" between the parts, as addresses want it.
std::string genericPathText(const std::filesystem::path& path);

} // namespace corvane
