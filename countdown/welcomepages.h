#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The page shown at an ordinary start, counting the starts left before the redirect.
std::vector<std::string> welcomePageLines(std::int32_t startsLeft);
// The page shown at the start that redirects to the maker's site.
std::vector<std::string> redirectPageLines();

// The page as stored: Windows-1251 bytes, CR LF after every line, the last one too.
std::string pageBytes(const std::vector<std::string>& lines);

// The first-start greeting, lines separated by a single CR and no final break.
std::string firstStartMessage();

} // namespace corvane
