#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::librarytool {

// One problem found in a library. `path` is relative to the library folder.
struct Finding {
    std::string path;
    int line = 0; // from 1; 0 when the finding is about the whole file
    std::string kind;
    std::string message;
};

// By path, then line, then kind; findings of one place keep the order they were made in.
void sortFindings(std::vector<Finding>& findings);

// "path: kind: message", one a line; a finding with a line starts its message "line N: ".
std::string findingsAsText(const std::vector<Finding>& findings);

// A JSON array of {"path", "line", "kind", "message"}; line is null when there is none.
std::string findingsAsJson(const std::vector<Finding>& findings);

// The name as UTF-8: names read from the disk may be in the library's code page.
std::string displayName(const std::string& bytes);

// UTF-8 text made safe for a terminal: control characters (C0, DEL and C1, line breaks
// included) become \xNN, so that no name read from a library can move the cursor, retitle or
// clear the terminal, or start a line of its own.
std::string forTerminal(std::string_view utf8);

// UTF-8 text of more than maxBytes cut to its two ends, saying how much was left out between.
std::string shortened(std::string_view utf8, std::size_t maxBytes = 200);

} // namespace corvane::librarytool
