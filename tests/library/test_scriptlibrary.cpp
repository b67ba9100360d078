#include "library/scriptlibrary.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "support/testfiles.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ScriptLibrary, pathsArePlainConcatenation)
{
    const std::string sep(1, kPathSeparator);
    const ScriptLibrary library("/opt/cs/");
    EXPECT_EQ(library.categoriesPath(), "/opt/cs/categories.ini");
    EXPECT_EQ(library.categoryFolder("Фонове"), "/opt/cs/Фонове" + sep);
    EXPECT_EQ(library.scriptListPath("Фонове"), "/opt/cs/Фонове" + sep + "scripts.txt");
    EXPECT_EQ(library.scriptPath("Фонове", "BackGround Slide.html"),
              "/opt/cs/Фонове" + sep + "BackGround Slide.html");
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
        EXPECT_NE(std::string(e.what()).find(dir.dir() + "Missing" + kPathSeparator + "scripts.txt"),
                  std::string::npos);
    }
}

TEST(ScriptLibrary, theTotalWrapsLikeASigned32BitCount)
{
    const struct {
        const char* name;
        std::int32_t total;
        std::uint64_t lines;
        std::int32_t expected;
    } rows[] = {
        {"past the top", INT_MAX, 1, INT_MIN},
        {"far past the top", INT_MAX, std::uint64_t{1} << 32, INT_MAX},
        {"negative back to zero", -1, 1, 0},
        {"plain", 3, 4, 7},
    };
    for (const auto& row : rows)
        EXPECT_EQ(addToScriptTotal(row.total, row.lines), row.expected) << row.name;
}

// Folder links and FIFOs: POSIX only.
#ifndef _WIN32
TEST(ScriptLibrary, aLibraryOfMoreThanTwoToThe31LinesWrapsTheTotal)
{
    // 129 categories whose folders all link to one list of 16 Mi empty lines: 2^31 + 2^24 lines.
    test::TempDir dir;
    const std::uint64_t linesPerList = std::uint64_t{1} << 24;
    std::filesystem::create_directory(dir.path() / "shared");
    {
        std::ofstream list(dir.path() / "shared" / "scripts.txt", std::ios::binary);
        const std::string block(1 << 20, '\n');
        for (std::uint64_t i = 0; i < linesPerList / block.size(); ++i)
            list.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    std::vector<std::string> categories;
    for (int i = 0; i < 129; ++i) {
        categories.push_back("c" + std::to_string(i));
        std::filesystem::create_directory_symlink(dir.path() / "shared", dir.path() / categories.back());
    }
    const ScriptLibrary library(dir.dir());
    EXPECT_EQ(library.countScripts(categories), INT_MIN + (1 << 24));
}

TEST(ScriptLibrary, noRegularFileInTheLibraryIsAnErrorAtOnceNeverAWait)
{
    const struct {
        const char* name;
        test::NotAFile kind;
    } rows[] = {
        {"fifo", test::NotAFile::Fifo},
        {"link to /dev/zero", test::NotAFile::DeviceLink},
        {"socket", test::NotAFile::Socket},
        {"directory", test::NotAFile::Directory},
    };
    ::alarm(20); // a wait or an endless read ends the run instead of hanging it
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        dir.place("categories.ini", row.kind);
        dir.place("A/scripts.txt", row.kind);
        dir.write("B/scripts.txt", "s.html\r\n");
        dir.place("B/s.html", row.kind);
        const ScriptLibrary library(dir.dir());
        // The category list stays what the platform makes of an unreadable file: empty.
        EXPECT_TRUE(CategoryListFile(library.categoriesPath()).sectionNames().empty());
        EXPECT_THROW(library.countScripts({"A"}), FileOpenError);
        EXPECT_THROW(library.loadScriptList("A"), FileOpenError);
        EXPECT_THROW(loadScriptText(library.scriptPath("B", "s.html")), FileOpenError);
    }
    ::alarm(0);
}
#endif

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
