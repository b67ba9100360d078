#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Size of the buffer the platform fills with section names, each followed by a NUL; the last
// two places stay free.
inline constexpr size_t kSectionNamesBudget = 16384;

// Section names of an INI text, in file order, as UTF-8. A UTF-8 or UTF-16 byte-order mark is
// honoured, anything else is Windows-1251. Names that do not fit the budget whole are dropped.
// (On Windows the library tool uses it to find the line of each section.)
std::vector<std::string> parseSectionNames(std::string_view text, size_t budget = kSectionNamesBudget);

// The section names of a file, by the system's profile reader on Windows and by the parser
// above elsewhere; a missing or unreadable file has no sections.
std::vector<std::string> readSectionNames(const std::string& path, size_t budget = kSectionNamesBudget);

} // namespace corvane
