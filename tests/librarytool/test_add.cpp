#include "librarytool/add.h"
#include "librarytool/check.h"
#include "pages/filelimits.h"
#include "platform/codepage.h"
#include "support/testfiles.h"

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace corvane::librarytool {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;

// Every file, folder and link in the test's folder with its bytes ("" for a folder, the target
// for a link): the library, the pages to add and whatever a link leads to.
std::map<std::string, std::string> snapshot(const TempDir& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        files[entry.path().string()] = entry.is_symlink() ? "-> " + fs::read_symlink(entry.path()).string()
                                       : entry.is_directory() ? std::string()
                                       : entry.file_size() > (1u << 20)
                                           ? "size " + std::to_string(entry.file_size())
                                           : readBytes(entry.path().string());
    return files;
}

// A library with one category, "Игри", whose list has no final line break; the pages to add
// sit apart from it under src/, in UTF-8 as an editor saves them.
struct Library {
    Library()
    {
        dir.writeCp1251("lib/categories.ini", "[Игри]\r\n");
        dir.writeCp1251("lib/Игри/scripts.txt", "Змия.html");
        dir.writeCp1251("lib/Игри/Змия.html", "<html><body>Змия</body></html>\r\n");
        dir.write("src/Часовник.html", "<html><head><meta charset=\"utf-8\"></head>\n"
                                       "<body>Часовник <img src=\"снимки/лице.png\"></body></html>\n");
        dir.write("src/снимки/лице.png", "\x89PNG\r\n\x1A\n");
    }
    std::string lib() const { return dir.dir() + "lib/"; }
    std::string src(const std::string& name) const { return dir.dir() + "src/" + name; }
    std::string bytes(const std::string& relative) const { return readBytes(lib() + relative); }

    TempDir dir;
};

TEST(AddScripts, utf8PageWithAPictureGoesIntoANewCategoryInWindows1251)
{
    Library library;
    const AddReport report = addScripts(library.lib(), "Часовници", {library.src("Часовник.html")});
    ASSERT_EQ(report.refusals, std::vector<std::string>{});
    EXPECT_TRUE(report.newCategory);
    EXPECT_EQ(library.bytes("categories.ini"), utf8ToCp1251("[Игри]\r\n[Часовници]\r\n"));
    EXPECT_EQ(library.bytes("Часовници/scripts.txt"), utf8ToCp1251("Часовник.html\r\n"));
    EXPECT_EQ(library.bytes("Часовници/Часовник.html"),
              utf8ToCp1251("<html><head><meta charset=\"windows-1251\"></head>\r\n"
                           "<body>Часовник <img src=\"снимки/лице.png\"></body></html>\r\n"));
    EXPECT_EQ(library.bytes("Часовници/снимки/лице.png"), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(checkLibrary(library.lib()).size(), 0u);
}

// Made on Windows, where letter case in names did not count: the picture is found all the same
// and lands under the name the page uses.
TEST(AddScripts, aPictureNamedInOtherLettersIsFoundAndKeepsThePagesName)
{
    Library library;
    library.dir.write("src/Часовник.html", "<html><body><img src=\"СНИМКИ/Лице.PNG\"></body></html>");
    const AddReport report = addScripts(library.lib(), "Игри", {library.src("Часовник.html")});
    ASSERT_EQ(report.refusals, std::vector<std::string>{});
    EXPECT_EQ(library.bytes("Игри/СНИМКИ/Лице.PNG"), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(checkLibrary(library.lib()).size(), 0u);
}

TEST(AddScripts, existingCategoryKeepsItsListBytesAndGetsTheMissingBreakFirst)
{
    Library library;
    library.dir.writeCp1251("src/Тетрис.htm", "<p>Тетрис</p>\r\n"); // already Windows-1251
    const AddReport report =
        addScripts(library.lib(), "Игри", {library.src("Часовник.html"), library.src("Тетрис.htm")});
    ASSERT_EQ(report.refusals, std::vector<std::string>{});
    EXPECT_FALSE(report.newCategory);
    EXPECT_EQ(library.bytes("categories.ini"), utf8ToCp1251("[Игри]\r\n"));
    EXPECT_EQ(library.bytes("Игри/scripts.txt"),
              utf8ToCp1251("Змия.html\r\nЧасовник.html\r\nТетрис.htm\r\n"));
    EXPECT_EQ(library.bytes("Игри/Тетрис.htm"), utf8ToCp1251("<p>Тетрис</p>\r\n"));
    EXPECT_EQ(checkLibrary(library.lib()).size(), 0u);
}

struct RefusalCase {
    const char* name;
    std::function<void(Library&)> prepare;
    std::string category;
    std::vector<std::string> pages; // under src/
    const char* says;               // part of a refusal
};

const RefusalCase kRefusals[] = {
    {"characters Windows-1251 lacks, each with its line",
     [](Library& l) {
         l.dir.write("src/a.html", "<p>€ ok</p>\n<p>\xE2\x98\x83 snow</p>\n<p>\xF0\x9F\x98\x80</p>\n");
     },
     "Игри",
     {"a.html"},
     "line 3: \"\xF0\x9F\x98\x80\" has no place in Windows-1251"},
    {"a name listed already, letter case ignored",
     [](Library& l) { l.dir.writeCp1251("src/ЗМИЯ.html", "<p>x</p>"); },
     "Игри",
     {"ЗМИЯ.html"},
     "is already listed in \"Игри\" (line 1"},
    {"a category name that cannot be a folder",
     [](Library&) {},
     "Игри/Нови",
     {"Часовник.html"},
     "cannot be a folder name"},
    {"a category name Windows keeps for a device",
     [](Library&) {},
     "con",
     {"Часовник.html"},
     "cannot be a folder name"},
    {"a category differing only in letter case",
     [](Library&) {},
     "ИГРИ",
     {"Часовник.html"},
     "differs only in letter case"},
    {"a file the page uses would lie outside the library",
     [](Library& l) {
         l.dir.write("src/a.html", "<img src=\"../../../x.png\">");
         l.dir.write("x.png", "png");
     },
     "Игри",
     {"a.html"},
     "would lie outside the library"},
    {"a file the page uses is not there",
     [](Library& l) { l.dir.write("src/a.html", "<img src=\"нищо.png\">"); },
     "Игри",
     {"a.html"},
     "which is not there"},
    {"a file the page uses would replace a different one",
     [](Library& l) { l.dir.write("lib/Игри/снимки/лице.png", "other"); },
     "Игри",
     {"Часовник.html"},
     "would replace \"Игри/снимки/лице.png\""},
    {"a picture that is a link to a file outside the page's folder",
     [](Library& l) {
         fs::remove(l.dir.path() / "src" / fs::u8path("снимки/лице.png"));
         fs::create_symlink(l.dir.write("home/.ssh/id_rsa", "KEY"),
                            l.dir.path() / "src" / fs::u8path("снимки/лице.png"));
     },
     "Игри",
     {"Часовник.html"},
     "leads through a link out of the page's folder"},
    {"a style folder that is a link to a folder outside",
     [](Library& l) {
         l.dir.write("src/a.html", "<link rel=\"stylesheet\" href=\"css/s.css\"><p>a</p>");
         l.dir.write("elsewhere/s.css", "p { color: red }");
         fs::create_directory_symlink(l.dir.path() / "elsewhere", l.dir.path() / "src/css");
     },
     "Игри",
     {"a.html"},
     "leads through a link out of the page's folder"},
    {"a file above the page's folder",
     [](Library& l) {
         l.dir.write("src/a.html", "<img src=\"../up.png\">");
         l.dir.write("up.png", "png");
     },
     "Игри",
     {"a.html"},
     "lies above the page's folder"},
    {"a category folder that is a link to a folder outside",
     [](Library& l) {
         fs::create_directory(l.dir.path() / "outside");
         fs::create_directory_symlink(l.dir.path() / "outside", l.dir.path() / "lib" / fs::u8path("Връзка"));
     },
     "Връзка",
     {"Часовник.html"},
     "category folder \"Връзка\" is a symbolic link"},
    {"a scripts.txt that is a link to a file of the user's",
     [](Library& l) {
         fs::remove(l.dir.path() / "lib" / fs::u8path("Игри/scripts.txt"));
         fs::create_symlink(l.dir.write("home/notes.txt", "my notes\r\n"),
                            l.dir.path() / "lib" / fs::u8path("Игри/scripts.txt"));
     },
     "Игри",
     {"Часовник.html"},
     "scripts.txt\" is a symbolic link"},
    {"a folder in the library on the way that is a link",
     [](Library& l) {
         fs::create_directory(l.dir.path() / "outside");
         fs::create_directory_symlink(l.dir.path() / "outside",
                                      l.dir.path() / "lib" / fs::u8path("Игри/снимки"));
     },
     "Игри",
     {"Часовник.html"},
     "would be written through \"Игри/снимки\""},
    {"two pages using different files of one name",
     [](Library& l) {
         l.dir.write("src/one/a.html", "<img src=\"pic.png\">");
         l.dir.write("src/one/pic.png", "first picture");
         l.dir.write("src/two/b.html", "<img src=\"pic.png\">");
         l.dir.write("src/two/pic.png", "second picture");
     },
     "Игри",
     {"one/a.html", "two/b.html"},
     "would both be \"Игри/pic.png\""},
    {"a picture larger than a library file may be",
     [](Library& l) {
         fs::resize_file(l.dir.path() / "src" / fs::u8path("снимки/лице.png"), pages::kMaxAssetBytes + 1);
     },
     "Игри",
     {"Часовник.html"},
     "larger than 256 MB"},
    {"a page larger than the code box holds",
     [](Library& l) {
         l.dir.write("src/big.html", "<p>big</p>");
         fs::resize_file(l.dir.path() / "src/big.html", pages::kMaxTextBytes + 1);
     },
     "Игри",
     {"big.html"},
     "larger than 16 MB"},
    {"what check would find in the page",
     [](Library& l) { l.dir.write("src/a.html", "<script src=\"http://cdn.example/x.js\"></script>"); },
     "Игри",
     {"a.html"},
     "remote-load"},
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

class AddRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(AddRefusal, writesNothingAndSaysWhy)
{
    Library library;
    GetParam().prepare(library);
    const auto before = snapshot(library.dir);
    std::vector<std::string> pages;
    for (const auto& page : GetParam().pages)
        pages.push_back(library.src(page));
    pages.push_back(library.src("Часовник.html")); // a good page beside it is not added either
    const AddReport report = addScripts(library.lib(), GetParam().category, pages);
    std::string refusals;
    for (const auto& r : report.refusals)
        refusals += r + "\n";
    EXPECT_NE(refusals.find(GetParam().says), std::string::npos) << refusals;
    EXPECT_EQ(snapshot(library.dir), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, AddRefusal, testing::ValuesIn(kRefusals), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(AddScripts, cutShortAtAnyStepLeavesTheLibraryAsItWas)
{
    for (const char* category : {"Часовници", "Игри"}) {
        // Steps: the picture, the page, scripts.txt and, for a new category, categories.ini.
        const int steps = std::string(category) == "Игри" ? 3 : 4;
        for (int stopAt = 1; stopAt <= steps; ++stopAt) {
            Library library;
            const auto before = snapshot(library.dir);
            int step = 0;
            const auto stop = [&](const std::string&) {
                if (++step == stopAt)
                    throw std::runtime_error("cut short");
            };
            EXPECT_THROW(addScripts(library.lib(), category, {library.src("Часовник.html")}, stop),
                         std::runtime_error);
            if (stopAt < steps) {
                EXPECT_EQ(snapshot(library.dir), before) << category << " step " << stopAt;
            } else {
                EXPECT_NE(
                    library.bytes(std::string(category) + "/scripts.txt").find(utf8ToCp1251("Часовник.html")),
                    std::string::npos);
                EXPECT_EQ(checkLibrary(library.lib()).size(), 0u);
            }
        }
    }
}

// Two pages that use the same picture under one name share it.
TEST(AddScripts, pagesUsingTheSameFileUnderOneNameShareIt)
{
    Library library;
    library.dir.write("src/one/a.html", "<img src=\"pic.png\">");
    library.dir.write("src/one/pic.png", "one picture");
    library.dir.write("src/two/b.html", "<img src=\"pic.png\">");
    library.dir.write("src/two/pic.png", "one picture");
    const AddReport report =
        addScripts(library.lib(), "Игри", {library.src("one/a.html"), library.src("two/b.html")});
    EXPECT_EQ(report.refusals, std::vector<std::string>{});
    EXPECT_EQ(library.bytes("Игри/pic.png"), "one picture");
}

// An add killed at any step (what SIGKILL leaves: files in place, the list not yet written) is
// completed by adding again; temporary files of a killed add are findings of check and go with
// the next add, those of an add still running stay.
TEST(AddScripts, addingAgainAfterAKillCompletesItAndClearsWhatTheKillLeft)
{
    // Steps: the picture, then the page; after the list the add is complete.
    for (int killAt = 1; killAt <= 2; ++killAt) {
        SCOPED_TRACE(killAt);
        Library library;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int step = 0;
            addScripts(library.lib(), "Игри", {library.src("Часовник.html")}, [&](const std::string&) {
                if (++step == killAt)
                    ::raise(SIGKILL);
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const pid_t gone = ::fork();
        if (gone == 0)
            ::_exit(0);
        ::waitpid(gone, &status, 0);
        const std::string dead = std::to_string(gone);
        const std::string live = std::to_string(::getpid());
        library.dir.write("lib/Игри/.Часовник.html.tmp-" + dead + "-12345", "half a page");
        library.dir.write("lib/Игри/снимки/.лице.png.tmp-777", "half a picture");
        library.dir.write("lib/.categories.ini.tmp-" + live + "-1", "being written");

        std::vector<std::string> leftovers;
        for (const auto& finding : checkLibrary(library.lib()))
            if (finding.kind == "leftover")
                leftovers.push_back(finding.path);
        EXPECT_EQ(leftovers, (std::vector<std::string>{"Игри/.Часовник.html.tmp-" + dead + "-12345",
                                                       "Игри/снимки/.лице.png.tmp-777"}));

        const AddReport report = addScripts(library.lib(), "Игри", {library.src("Часовник.html")});
        ASSERT_EQ(report.refusals, std::vector<std::string>{});
        EXPECT_EQ(library.bytes("Игри/scripts.txt"), utf8ToCp1251("Змия.html\r\nЧасовник.html\r\n"));
        EXPECT_TRUE(fs::exists(library.dir.path() / ("lib/.categories.ini.tmp-" + live + "-1")))
            << "a running add's file stays";
        fs::remove(library.dir.path() / ("lib/.categories.ini.tmp-" + live + "-1"));
        EXPECT_EQ(checkLibrary(library.lib()).size(), 0u);
    }
}

TEST(AddScripts, folderWithoutCategoriesIniIsNoLibrary)
{
    TempDir dir;
    dir.write("lib/x.txt", "");
    EXPECT_THROW(addScripts(dir.dir() + "lib/", "Игри", {dir.dir() + "lib/x.txt"}), ToolError);
}

} // namespace
} // namespace corvane::librarytool
