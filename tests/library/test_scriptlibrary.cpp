#include "library/scriptlibrary.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ScriptLibrary, pathsArePlainConcatenation)
{
    const std::string sep(1, kPathSeparator);
    const ScriptLibrary library("/opt/cs/");
    EXPECT_EQ(library.categoriesPath(), "/opt/cs/categories.ini");
    EXPECT_EQ(library.scriptListPath("Фонове"), "/opt/cs/Фонове" + sep + "scripts.txt");
    EXPECT_EQ(library.scriptPath("Фонове", "BackGround Slide.html"), "/opt/cs/Фонове" + sep + "BackGround Slide.html");
    EXPECT_EQ(library.scriptPath("", ""), "/opt/cs/" + sep);
}

TEST(ScriptLibrary, countsEveryLineOfEveryListWithoutDeduplication)
{
    test::TempDir dir;
    dir.write("A/scripts.txt", "x.html\r\ny.html\r\nx.html");
    dir.write("B/scripts.txt", "");
    dir.write("C/scripts.txt", "a\r\n\r\n");
    const ScriptLibrary library(dir.dir());
    EXPECT_EQ(library.countScripts({"A", "B", "C", "A"}), 3 + 0 + 2 + 3);
    EXPECT_EQ(library.countScripts({}), 0);
}

TEST(ScriptLibrary, missingListStopsTheCountWithItsError)
{
    test::TempDir dir;
    dir.write("A/scripts.txt", "x\r\n");
    const ScriptLibrary library(dir.dir());
    try {
        library.countScripts({"A", "Missing", "A"});
        FAIL() << "no error";
    } catch (const FileOpenError& e) {
        EXPECT_NE(std::string(e.what()).find(dir.dir() + "Missing" + kPathSeparator + "scripts.txt"), std::string::npos);
    }
}

TEST(CategoryListFile, missingFileHasNoCategories)
{
    test::TempDir dir;
    EXPECT_TRUE(CategoryListFile(dir.dir() + "categories.ini").sectionNames().empty());
    dir.writeCp1251("categories.ini", "[Фонове]\r\nkey=1\r\n[Игри]\r\n");
    EXPECT_EQ(CategoryListFile(dir.dir() + "categories.ini").sectionNames(),
              (std::vector<std::string>{"Фонове", "Игри"}));
}

} // namespace
} // namespace corvane
