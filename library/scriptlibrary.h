#pragma once

#include "library/textlist.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// The category list file: records its path only; the file is read when the names are asked for.
class CategoryListFile {
public:
    explicit CategoryListFile(std::string path);

    const std::string& path() const { return path_; }
    // Section names in file order; a missing file or one without sections gives none.
    std::vector<std::string> sectionNames() const;

private:
    std::string path_;
};

// The script library beside the executable: categories.ini, one folder per category with its
// scripts.txt and the scripts. Read only. Paths are plain concatenation, never normalised.
class ScriptLibrary {
public:
    explicit ScriptLibrary(std::string programDirectory);

    const std::string& programDirectory() const { return programDirectory_; }
    std::string categoriesPath() const;
    // The folder of a category's list and scripts, ending in the separator.
    std::string categoryFolder(const std::string& category) const;
    std::string scriptListPath(const std::string& category) const;
    std::string scriptPath(const std::string& category, const std::string& script) const;

    // The category's scripts.txt as a text list. Throws FileOpenError.
    TextList loadScriptList(const std::string& category) const;

    // Total of the lines of every category's scripts.txt, in list order; the first list that
    // cannot be opened ends the count with its FileOpenError. The total is a signed 32-bit
    // count and wraps past INT_MAX as the program's unchecked arithmetic always did.
    std::int32_t countScripts(const std::vector<std::string>& categories) const;

private:
    std::string programDirectory_;
};

// total + lines, wrapped to a signed 32-bit count (defined: done in unsigned arithmetic).
std::int32_t addToScriptTotal(std::int32_t total, std::uint64_t lines);

} // namespace corvane
