#include "library/scriptlibrary.h"

#include "platform/files.h"
#include "platform/int32.h"
#include "platform/profile.h"

namespace corvane {

CategoryListFile::CategoryListFile(std::string path)
    : path_(std::move(path))
{
}

std::vector<std::string> CategoryListFile::sectionNames() const
{
    return readSectionNames(path_);
}

ScriptLibrary::ScriptLibrary(std::string programDirectory)
    : programDirectory_(std::move(programDirectory))
{
}

std::string ScriptLibrary::categoriesPath() const
{
    return programDirectory_ + "categories.ini";
}

std::string ScriptLibrary::categoryFolder(const std::string& category) const
{
    return programDirectory_ + category + kPathSeparator;
}

std::string ScriptLibrary::scriptListPath(const std::string& category) const
{
    return categoryFolder(category) + "scripts.txt";
}

std::string ScriptLibrary::scriptPath(const std::string& category, const std::string& script) const
{
    return categoryFolder(category) + script;
}

TextList ScriptLibrary::loadScriptList(const std::string& category) const
{
    return loadTextList(scriptListPath(category));
}

std::int32_t ScriptLibrary::countScripts(const std::vector<std::string>& categories) const
{
    std::int32_t total = 0;
    const size_t count = categories.size();
    for (size_t i = 0; i < count; ++i)
        total = addToScriptTotal(total, countTextListFileLines(scriptListPath(categories[i])));
    return total;
}

std::int32_t addToScriptTotal(std::int32_t total, std::uint64_t lines)
{
    return wrapToInt32(static_cast<std::uint32_t>(total) + static_cast<std::uint32_t>(lines));
}

} // namespace corvane
