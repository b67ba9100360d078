#include "library/scriptlibrary.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/profile.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Walks the library the build ships: every category, list and script must be there, once.
TEST(DefaultLibrary, everyListedScriptExistsOnceAndIsValidWindows1251)
{
    const ScriptLibrary library(CORVANE_DEFAULT_LIBRARY);
    const auto categories = readSectionNames(library.categoriesPath());
    ASSERT_GE(categories.size(), 8u);
    std::set<std::string> seen;
    int total = 0;
    for (const auto& category : categories) {
        SCOPED_TRACE(category);
        ASSERT_TRUE(
            std::filesystem::is_directory(std::filesystem::u8path(library.programDirectory() + category)));
        const auto scripts = library.loadScriptList(category);
        EXPECT_GE(scripts.size(), 1u);
        for (const auto& script : scripts) {
            SCOPED_TRACE(script);
            const std::string path = library.scriptPath(category, script);
            EXPECT_TRUE(seen.insert(path).second) << "listed twice";
            ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(path)));
            const std::string bytes = readWholeFile(path);
            EXPECT_TRUE(isDefinedCp1251(bytes));
            EXPECT_EQ(bytes.find('\0'), std::string::npos);
            ++total;
        }
        EXPECT_TRUE(isDefinedCp1251(readWholeFile(library.scriptListPath(category))));
    }
    EXPECT_GE(total, 60);
    EXPECT_EQ(library.countScripts(categories), total);
    EXPECT_TRUE(seen.count(library.scriptPath("Фонове", "BackGround Slide.html")));
}

} // namespace
} // namespace corvane
