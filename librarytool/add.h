#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane::librarytool {

struct AddReport {
    std::vector<std::string> scripts; // the names added, in order
    bool newCategory = false;
    std::vector<std::string> refusals; // why nothing was added, one line each; empty when added
};

// Called with each file once it is in place; a test throws from it to stop an add midway.
using AddStepHook = std::function<void(const std::string& path)>;

// Adds the pages `files` to `category` of the library in `directory` (ending in the separator),
// making the category when it is missing: each page re-encoded to Windows-1251 with CR LF breaks
// and the files it uses beside it, then its name at the end of scripts.txt. Either everything is
// added or nothing is written and the report says why. Throws ToolError when `directory` is no
// library or a write fails (after undoing what was written).
AddReport addScripts(const std::string& directory, const std::string& category,
                     const std::vector<std::string>& files, const AddStepHook& afterEachStep = {});

} // namespace corvane::librarytool
