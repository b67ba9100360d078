#include "librarytool/export.h"
#include "librarytool/findings.h"
#include "librarytool/gallery.h"
#include "platform/codepage.h"
#include "support/testfiles.h"

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

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
    dir.writeCp1251("Фонове/стил/небе.css", "@charset \"windows-1251\";\r\nbody { background: url(фон.gif) } /* Нощ */\r\n");
    dir.write("Фонове/стил/фон.gif", std::string("GIF89a\x01\x00\x98\xFF", 10));
    dir.writeCp1251("Фонове/звезди.js", "var надпис = 'Звезди';\r\n");
    dir.write("Фонове/картинки/луна.png", std::string("\x89PNG\r\n\x1A\n\x00\xFF", 10));
    dir.write("извън.png", "outside");
}

class Export : public testing::Test {
protected:
    void SetUp() override { writeLibrary(library); }
    std::string out(const std::string& relative) const { return (output.path() / "gallery" / relative).string(); }
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
    const std::vector<std::string> order{"Фонове", "Звездно небе", "Без обявяване", "Игри", "Змия", "Липсваща"};
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
    EXPECT_NE(page.find("<iframe src=\"../library/" + pathToUrl("Фонове/Звездно небе.html") + "\""), std::string::npos);
    EXPECT_NE(page.find("<span class=\"tk-tag\">"), std::string::npos);
    EXPECT_NE(page.find("Звездно небе", page.find("<pre")), std::string::npos) << "the source's own text, decoded";
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
    EXPECT_EQ(read("library/Фонове/картинки/луна.png"), readBytes(library.dir() + "Фонове/картинки/луна.png"));
    EXPECT_EQ(read("library/Фонове/стил/фон.gif"), readBytes(library.dir() + "Фонове/стил/фон.gif"));
    EXPECT_EQ(read("library/Фонове/стил/небе.css"), "@charset \"utf-8\";\r\nbody { background: url(фон.gif) } /* Нощ */\r\n");
    EXPECT_EQ(read("library/Фонове/звезди.js"), "var надпис = 'Звезди';\r\n");
    EXPECT_FALSE(fs::exists(output.path() / "извън.png"));
    EXPECT_FALSE(fs::exists(output.path() / "gallery" / "извън.png"));

    // Only the gallery itself is left beside it: no staging folders.
    EXPECT_EQ(std::distance(fs::directory_iterator(output.path()), fs::directory_iterator()), 1);
}

TEST_F(Export, refusesANonEmptyFolderUnlessForcedAndThenReplacesIt)
{
    output.write("gallery/old.txt", "keep me unless forced");
    EXPECT_THROW(exportGallery(library.dir(), out(""), false), ToolError);
    EXPECT_EQ(read("old.txt"), "keep me unless forced");

    exportGallery(library.dir(), out(""), true);
    EXPECT_FALSE(fs::exists(out("old.txt")));
    EXPECT_TRUE(fs::exists(out("index.html")));
    EXPECT_EQ(std::distance(fs::directory_iterator(output.path()), fs::directory_iterator()), 1);
}

TEST_F(Export, leavesOutAScriptWhoseFolderLinksOutOfTheLibrary)
{
    output.writeCp1251("elsewhere/Чужд.html", "<html>чужд</html>");
    library.writeCp1251("categories.ini", "[Игри]\r\n[Връзка]\r\n");
    library.writeCp1251("Връзка/scripts.txt", "Чужд.html\r\n");
    fs::remove(library.path() / "Връзка" / "scripts.txt");
    fs::remove(library.path() / "Връзка");
    fs::create_directory_symlink(output.path() / "elsewhere", library.path() / "Връзка");
    output.writeCp1251("elsewhere/scripts.txt", "Чужд.html\r\n");

    const ExportReport report = exportGallery(library.dir(), out(""), false);
    EXPECT_EQ(report.scripts, 1u); // Змия
    ASSERT_EQ(report.skipped.size(), 2u);
    EXPECT_NE(report.skipped[1].find("Чужд.html: it lies outside the library"), std::string::npos);
    EXPECT_FALSE(fs::exists(out("pages/2-1.html")));
    EXPECT_FALSE(fs::exists(out("library/Връзка")));
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
