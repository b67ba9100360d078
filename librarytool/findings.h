#pragma once

#include <string>
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

// Text as a JSON string, quotes included. Bytes that are not UTF-8 are taken as Windows-1251.
std::string jsonString(const std::string& text);

// The name as UTF-8: names read from the disk may be in the library's code page.
std::string displayName(const std::string& bytes);

} // namespace corvane::librarytool
