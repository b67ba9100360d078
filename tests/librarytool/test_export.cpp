#include "library/textlist.h"
#include "librarytool/export.h"
#include "librarytool/findings.h"
#include "librarytool/gallery.h"
#include "librarytool/staging.h"
#include "pages/pagescan.h"
#include "platform/codepage.h"
#include "support/testfiles.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::librarytool {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;

// Every file under a folder with its bytes and time, to prove a folder was not written.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& root)
{
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files[entry.path().string()] = {entry.is_regular_file() ? readBytes(entry.path().string()) : "",
                                        fs::last_write_time(entry.path())};
    return files;
}

// Two categories: pages with and without their own declarations, a stylesheet with its picture,
// a picture, a link out of the library and a script that is missing.
void writeLibrary(const TempDir& dir)
{
    dir.writeLibrary({
        {"Фонове", "Звездно небе.html",
         "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n"
         "<title>Звездно небе</title>\r\n<link rel=\"stylesheet\" href=\"стил/небе.css?v=2\">\r\n"
         "<script src=\"звезди.js\" charset=\"windows-1251\"></script>\r\n</head>\r\n"
         "<body><img src=\"картинки/%D0%BB%D1%83%D0%BD%D0%B0.png\" alt=\"Луна\">"
         "<img src=\"../../извън.png\"><img src=\"http://img.example/x.png\"></body>\r\n</html>\r\n"},
        {"Фонове", "Без обявяване.html", "<html><head><title>Без</title></head><body>Текст</body></html>"},
        {"Игри", "Змия.html",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"></head>"
         "<body>Змия</body></html>"},
        {"Игри", "Липсваща.html", nullptr},
    });
    // Named in other letters than the file's, as pages made on Windows often were.
    dir.writeCp1251("Фонове/стил/небе.css",
                    "@charset \"windows-1251\";\r\nbody { background: url(ФОН.GIF) } /* Нощ */\r\n");
    dir.write("Фонове/стил/фон.gif", std::string("GIF89a\x01\x00\x98\xFF", 10));
    dir.writeCp1251("Фонове/звезди.js", "var надпис = 'Звезди';\r\n");
    dir.write("Фонове/картинки/луна.png", std::string("\x89PNG\r\n\x1A\n\x00\xFF", 10));
    dir.write("извън.png", "outside");
}

class Export : public testing::Test {
protected:
    void SetUp() override { writeLibrary(library); }
    std::string out(const std::string& relative) const
    {
        return (output.path() / "gallery" / relative).string();
    }
    std::string read(const std::string& relative) const { return readBytes(out(relative)); }

    TempDir library;
    TempDir output;
};

TEST_F(Export, writesIndexPagesAndUtf8CopiesWithTheirAssets)
{
    const auto before = snapshot(library.path());
    const ExportReport report = exportGallery(library.dir(), out(""), false);
    EXPECT_EQ(snapshot(library.path()), before) << "the library was written";

    EXPECT_EQ(report.scripts, 3u);
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_NE(report.skipped[0].find("Липсваща.html"), std::string::npos);

    // The index: UTF-8, categories and scripts in library order, a link a script, the search.
    const std::string index = read("index.html");
    EXPECT_TRUE(isValidUtf8(index));
    EXPECT_NE(index.find("<meta charset=\"utf-8\">"), std::string::npos);
    const std::vector<std::string> order{"Фонове", "Звездно небе", "Без обявяване",
                                         "Игри",   "Змия",         "Липсваща"};
    std::size_t at = 0;
    for (const auto& name : order) {
        const std::size_t found = index.find(">" + name, at);
        ASSERT_NE(found, std::string::npos) << name;
        at = found;
    }
    EXPECT_NE(index.find("href=\"pages/1-1.html\""), std::string::npos);
    EXPECT_NE(index.find("href=\"pages/2-1.html\""), std::string::npos);
    EXPECT_EQ(index.find("href=\"pages/2-2.html\""), std::string::npos) << "a missing script has no page";
    EXPECT_NE(index.find("id=\"search\""), std::string::npos);
    EXPECT_NE(read("gallery.js").find("addEventListener('input'"), std::string::npos);

    // A script page: the preview of the copy, the coloured source and the copy button.
    const std::string page = read("pages/1-1.html");
    EXPECT_TRUE(isValidUtf8(page));
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("<iframe src=\"../library/" + pathToUrl("Фонове/Звездно небе.html") + "\""),
              std::string::npos);
    EXPECT_NE(page.find("<span class=\"tk-tag\">"), std::string::npos);
    EXPECT_NE(page.find("Звездно небе", page.find("<pre")), std::string::npos)
        << "the source's own text, decoded";
    EXPECT_NE(page.find("id=\"copy\""), std::string::npos);
    EXPECT_NE(page.find("href=\"1-2.html\" rel=\"next\""), std::string::npos);

    // The copies: UTF-8, their declarations updated, or one inserted after <head>.
    const std::string stars = read("library/Фонове/Звездно небе.html");
    EXPECT_TRUE(isValidUtf8(stars));
    EXPECT_NE(stars.find("<meta charset=\"utf-8\">\r\n<title>Звездно небе</title>"), std::string::npos);
    EXPECT_NE(stars.find("<script src=\"звезди.js\" charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(stars.find("windows-1251"), std::string::npos);
    EXPECT_EQ(read("library/Фонове/Без обявяване.html"),
              "<html><head>\n<meta charset=\"utf-8\"><title>Без</title></head><body>Текст</body></html>");
    EXPECT_NE(read("library/Игри/Змия.html").find("content=\"text/html; charset=utf-8\""), std::string::npos);

    // Assets the scripts use, found through their addresses, some escaped, one in a stylesheet.
    EXPECT_EQ(read("library/Фонове/картинки/луна.png"),
              readBytes(library.dir() + "Фонове/картинки/луна.png"));
    // Under the name the stylesheet uses, so that a case-sensitive system finds it too.
    EXPECT_EQ(read("library/Фонове/стил/ФОН.GIF"), readBytes(library.dir() + "Фонове/стил/фон.gif"));
    EXPECT_EQ(read("library/Фонове/стил/небе.css"),
              "@charset \"utf-8\";\r\nbody { background: url(ФОН.GIF) } /* Нощ */\r\n");
    EXPECT_EQ(read("library/Фонове/звезди.js"), "var надпис = 'Звезди';\r\n");
    EXPECT_FALSE(fs::exists(output.path() / "извън.png"));
    EXPECT_FALSE(fs::exists(output.path() / "gallery" / "извън.png"));

    // Only the gallery itself is left beside it: no staging folders.
    EXPECT_EQ(std::distance(fs::directory_iterator(output.path()), fs::directory_iterator()), 1);
}

// A page of the old browsers runs in the gallery as in the preview: its layer beside its copy,
// linked first in its head; the pages that need none are copied as they were.
TEST(ExportLayer, anOldPagesCopyGetsItsLayerBesideItAndAModernOneNothing)
{
    TempDir library;
    TempDir output;
    library.writeLibrary(
        {{"Стари", "Стара.html",
          "<html><head><title>Стара</title></head><body><div id=\"a\" "
          "style=\"filter: alpha(opacity=50)\">x</div><script>if (document.all) "
          "document.all.a.filters.alpha.opacity = 90;</script></body></html>"},
         {"Стари", "Нова.html", "<html><head><title>Нова</title></head><body>x</body></html>"}});
    exportGallery(library.dir(), (output.path() / "gallery").string(), false);
    const std::string copy = readBytes((output.path() / "gallery/library/Стари/Стара.html").string());
    EXPECT_NE(copy.find("<meta charset=\"utf-8\"><script src=\"" + pages::pathToUrl("Стара.compat.js")
                        + "\"></script><title>"),
              std::string::npos)
        << copy;
    const std::string layer = readBytes((output.path() / "gallery/library/Стари/Стара.compat.js").string());
    EXPECT_NE(layer.find("compat.part('filters'"), std::string::npos);
    EXPECT_FALSE(fs::exists(output.path() / "gallery/library/Стари/Нова.compat.js"));
    EXPECT_EQ(readBytes((output.path() / "gallery/library/Стари/Нова.html").string()).find("<script"),
              std::string::npos);
}

TEST_F(Export, forceReplacesOnlyAGalleryThisToolWrote)
{
    // A folder of the user's own is never emptied, forced or not.
    output.write("gallery/letter.txt", "mine");
    const auto mine = snapshot(output.path());
    EXPECT_THROW(exportGallery(library.dir(), out(""), true), ToolError);
    EXPECT_THROW(exportGallery(library.dir(), out(""), false), ToolError);
    EXPECT_EQ(snapshot(output.path()), mine);

    // A gallery it wrote is replaced, and only when forced.
    fs::remove_all(output.path() / "gallery");
    exportGallery(library.dir(), out(""), false);
    output.write("gallery/old.txt", "from the last export");
    EXPECT_THROW(exportGallery(library.dir(), out(""), false), ToolError);
    EXPECT_EQ(read("old.txt"), "from the last export");
    exportGallery(library.dir(), out(""), true);
    EXPECT_FALSE(fs::exists(out("old.txt")));
    EXPECT_TRUE(fs::exists(out("index.html")));
    EXPECT_EQ(std::distance(fs::directory_iterator(output.path()), fs::directory_iterator()), 1);
}

TEST_F(Export, aFolderWithoutCategoriesIniIsNoLibraryAndNothingIsWritten)
{
    EXPECT_THROW(exportGallery(library.dir() + "Игри/", out(""), true), ToolError);
    fs::remove(library.path() / "categories.ini");
    EXPECT_THROW(exportGallery(library.dir(), out(""), true), ToolError);
    EXPECT_TRUE(fs::is_empty(output.path()));
}

TEST_F(Export, leavesOutAScriptWhoseFolderLinksOutOfTheLibrary)
{
    output.writeCp1251("elsewhere/Чужд.html", "<html>чужд</html>");
    library.writeCp1251("categories.ini", "[Игри]\r\n[Връзка]\r\n");
    fs::create_directory_symlink(output.path() / "elsewhere", library.path() / "Връзка");
    output.writeCp1251("elsewhere/scripts.txt", "Чужд.html\r\n");

    const ExportReport report = exportGallery(library.dir(), out(""), false);
    EXPECT_EQ(report.scripts, 1u); // Змия
    ASSERT_EQ(report.skipped.size(), 2u);
    EXPECT_NE(report.skipped[0].find("Връзка/scripts.txt: it lies outside the library"), std::string::npos);
    EXPECT_EQ(read("index.html").find("Чужд"), std::string::npos)
        << "names from outside the library are no scripts";
    EXPECT_FALSE(fs::exists(out("pages/2-1.html")));
    EXPECT_FALSE(fs::exists(out("library/Връзка")));
}

// Links planted in a library lead to a secret outside it, absolute and relative, for a script
// name, a category folder and a picture; nothing of the secret may reach the gallery, each is
// named, and check calls each out.
TEST_F(Export, nothingFromOutsideTheLibraryGetsInThroughALink)
{
    TempDir elsewhere;
    elsewhere.write("shadow", "SECRET");
    elsewhere.write("sub/scripts.txt", "a.html\r\n");
    elsewhere.write("sub/a.html", "<html>SECRET</html>");
    elsewhere.write("sub/x.png", "SECRET");
    library.writeCp1251("categories.ini", "[Игри]\r\n[Чужда]\r\n");
    library.writeCp1251("Игри/scripts.txt", "Змия.html\r\nабс/../shadow\r\nотн/../shadow\r\n");
    library.write("Игри/shadow", "a decoy the spelling points at");
    library.writeCp1251("Игри/Змия.html", "<html><body><img src=\"карт/x.png\"></body></html>");
    fs::create_directory_symlink(elsewhere.path() / "sub", library.path() / "Игри" / "абс");
    fs::create_directory_symlink(fs::relative(elsewhere.path() / "sub", library.path() / "Игри"),
                                 library.path() / "Игри" / "отн");
    fs::create_directory_symlink(elsewhere.path() / "sub", library.path() / "Игри" / "карт");
    fs::create_directory_symlink(elsewhere.path() / "sub", library.path() / "Чужда");

    const ExportReport report = exportGallery(library.dir(), out(""), false);
    EXPECT_EQ(report.scripts, 1u); // Змия, without its picture
    for (const auto& entry : fs::recursive_directory_iterator(output.path()))
        if (entry.is_regular_file()) {
            EXPECT_EQ(readBytes(entry.path().string()).find("SECRET"), std::string::npos) << entry.path();
        }
    std::string skipped;
    for (const auto& line : report.skipped)
        skipped += line + "\n";
    for (const char* named : {"Игри/абс/../shadow: it lies outside", "Игри/отн/../shadow: it lies outside",
                              "Чужда/scripts.txt: it lies outside", "Игри/карт/x.png: it lies outside"})
        EXPECT_NE(skipped.find(named), std::string::npos) << named << " in\n" << skipped;

    std::vector<std::tuple<std::string, int, std::string>> outside;
    for (const auto& f : checkLibrary(library.dir()))
        if (f.kind == "outside-library")
            outside.emplace_back(f.path, f.line, f.kind);
    const std::vector<std::tuple<std::string, int, std::string>> expected{
        {"Игри/Змия.html", 1, "outside-library"},
        {"Игри/абс/../shadow", 0, "outside-library"},
        {"Игри/отн/../shadow", 0, "outside-library"},
        {"Чужда", 0, "outside-library"},
    };
    EXPECT_EQ(outside, expected);
}

// What one file makes impossible leaves out that file alone: the rest of the gallery is written.
struct LeftOutCase {
    const char* name;
    std::function<void(const TempDir& library, const TempDir& output)> change;
    std::string named; // in the report
    std::size_t scripts;
};

const LeftOutCase kLeftOutCases[] = {
    {"a sparse picture above the asset limit",
     [](const TempDir& l, const TempDir&) {
         fs::resize_file(l.path() / "Фонове/картинки/луна.png", kMaxAssetBytes + 1);
     },
     "Фонове/картинки/луна.png: larger than", 3},
    {"a sparse stylesheet of a gigabyte",
     [](const TempDir& l, const TempDir&) {
         fs::resize_file(l.path() / "Фонове/стил/небе.css", std::uintmax_t{1} << 30);
     },
     "Фонове/стил/небе.css: larger than", 3},
    {"a script larger than the code box holds",
     [](const TempDir& l, const TempDir&) {
         fs::resize_file(l.path() / "Игри/Змия.html", kCodeBoxCapacity + 1);
     },
     "Игри/Змия.html: larger than the code box", 2},
    {"a script whose copy's path is longer than the system allows",
     [](const TempDir& l, const TempDir&) {
         // Fits in the library; with the staging folder's longer path it does not.
         std::string name;
         while (l.dir().size() + std::string("Игри/").size() + name.size() < 4070)
             name += std::string(200, 'd') + "/";
         name.resize(4070 - l.dir().size() - std::string("Игри/").size());
         name += ".html";
         l.writeCp1251("Игри/" + name, "<html>дълъг</html>");
         l.writeCp1251("Игри/scripts.txt", "Змия.html\r\n" + name + "\r\n");
     },
     ".html: its path in the gallery is longer", 3},
};

class LeftOut : public testing::TestWithParam<LeftOutCase> {};

TEST_P(LeftOut, isNamedAndTheRestIsWritten)
{
    TempDir library;
    TempDir output;
    writeLibrary(library);
    GetParam().change(library, output);
    const std::string gallery = (output.path() / std::string(40, 'g') / "gallery").string();
    ExportReport report;
    ASSERT_NO_THROW(report = exportGallery(library.dir(), gallery, false));
    EXPECT_EQ(report.scripts, GetParam().scripts);
    std::string skipped;
    for (const auto& line : report.skipped)
        skipped += line + "\n";
    EXPECT_NE(skipped.find(GetParam().named), std::string::npos) << skipped;
    EXPECT_TRUE(fs::exists(gallery + "/index.html"));
    std::uintmax_t written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(output.path()))
        if (entry.is_regular_file())
            written += entry.file_size();
    EXPECT_LT(written, std::uintmax_t{1} << 20);
}

void PrintTo(const LeftOutCase& c, std::ostream* os)
{
    *os << c.name;
}

INSTANTIATE_TEST_SUITE_P(Files, LeftOut, testing::ValuesIn(kLeftOutCases),
                         [](const auto& info) { return test::testCaseName(info.param.name); });

TEST_F(Export, stagesUnderAShortNameSoALongGalleryNameFits)
{
    const std::string name(250, 'g');
    EXPECT_NO_THROW(exportGallery(library.dir(), (output.path() / name).string(), false));
    EXPECT_TRUE(fs::exists(output.path() / name / "index.html"));
}

TEST_F(Export, aSignalStopsItAndLeavesNothingBehind)
{
    const InterruptGuard guard;
    const auto stopAtTheSecondScript = [](std::size_t done, std::size_t) {
        if (done == 2)
            std::raise(SIGTERM);
    };
    EXPECT_THROW(exportGallery(library.dir(), out(""), false, stopAtTheSecondScript), Interrupted);
    EXPECT_EQ(interruptSignal(), SIGTERM);
    EXPECT_TRUE(fs::is_empty(output.path()));
}

TEST_F(Export, removesWhatKilledRunsLeftAndNothingElse)
{
    // A run killed half-way, as SIGKILL would, leaves its staging folder.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            exportGallery(library.dir(), out(""), false, [](std::size_t done, std::size_t) {
                if (done == 2)
                    ::_exit(0);
            });
        } catch (...) {
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(std::distance(fs::directory_iterator(output.path()), fs::directory_iterator()), 1);
    // Folders of the user's own beside it stay, whatever their names.
    for (const auto& entry : fs::directory_iterator(output.path()))
        output.write(entry.path().filename().string() + "x/notes.txt", "mine");
    output.write(".hidden/notes.txt", "mine");
    const auto theirs = snapshot(output.path());

    exportGallery(library.dir(), out(""), false);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(output.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left.size(), 3u);
    EXPECT_EQ(left.count("gallery"), 1u);
    for (const auto& [path, file] : theirs)
        if (path.find("notes.txt") != std::string::npos) {
            EXPECT_EQ(readBytes(path), "mine");
        }
}

TEST_F(Export, neverWritesIntoTheLibrary)
{
    const auto before = snapshot(library.path());
    EXPECT_THROW(exportGallery(library.dir(), library.dir() + "gallery", true), ToolError);
    EXPECT_THROW(exportGallery(library.dir(), library.dir(), true), ToolError);
    EXPECT_THROW(exportGallery(library.dir() + "Фонове/", library.dir(), true), ToolError);
    EXPECT_EQ(snapshot(library.path()), before);
}

} // namespace
} // namespace corvane::librarytool
