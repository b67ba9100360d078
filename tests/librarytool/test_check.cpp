#include "library/textlist.h"
#include "librarytool/check.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "support/testfiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::librarytool {
namespace {

using test::TempDir;

// A one-category library that checks clean; each case changes it.
void writeCleanLibrary(const TempDir& dir)
{
    dir.writeLibrary({
        {"Часовници", "Цифров часовник.html", "<html>\r\n<body>Часовник</body>\r\n</html>\r\n"},
        {"Часовници", "Календар.html", "<html>\r\n<img src=\"месец.png\">\r\n</html>\r\n"},
    });
    dir.write("Часовници/месец.png", "\x89PNG");
}

struct Expected {
    std::string path;
    int line;
    std::string kind;
};

bool operator==(const Expected& a, const Expected& b)
{
    return std::tie(a.path, a.line, a.kind) == std::tie(b.path, b.line, b.kind);
}

void PrintTo(const Expected& e, std::ostream* os)
{
    *os << e.path << ":" << e.line << ": " << e.kind;
}

struct CheckCase {
    const char* name;
    std::function<void(const TempDir&)> change;
    std::vector<Expected> findings;
};

const std::string kList = "Часовници/scripts.txt";
const std::string kClock = "Часовници/Цифров часовник.html";

const CheckCase kCases[] = {
    {"clean library has no findings", [](const TempDir&) {}, {}},
    {"category without its folder",
     [](const TempDir& d) { d.writeCp1251("categories.ini", "[Часовници]\r\n[Игри]\r\n"); },
     {{"Игри", 0, "missing-folder"}}},
    {"category folder without scripts.txt",
     [](const TempDir& d) { std::filesystem::remove(d.path() / kList); },
     {{kList, 0, "missing-list"}}},
    {"empty category", [](const TempDir& d) { d.write(kList, ""); }, {{kList, 0, "empty-category"}}},
    {"listed script missing",
     [](const TempDir& d) { d.writeCp1251(kList, "Цифров часовник.html\r\nКалендар.html\r\nЗмия.html\r\n"); },
     {{"Часовници/Змия.html", 0, "missing-script"}}},
    {"listed script is a folder",
     [](const TempDir& d) {
         d.writeCp1251(kList, "Цифров часовник.html\r\nКалендар.html\r\nСтари\r\n");
         std::filesystem::create_directory(d.path() / "Часовници" / "Стари");
     },
     {{"Часовници/Стари", 0, "script-is-folder"}}},
    {"name differs only in letter case (Cyrillic); the page found is checked too",
     [](const TempDir& d) {
         d.writeCp1251(kList, "ЦИФРОВ часовник.html\r\nКалендар.html\r\n");
         d.write(kClock, "<html>\r\n<body>\r\nbad \x98 byte\r\n</body>\r\n");
     },
     {{"Часовници/ЦИФРОВ часовник.html", 0, "case-mismatch"}, {kClock, 3, "undefined-byte"}}},
    {"page loads a picture named in another letter case",
     [](const TempDir& d) { d.writeCp1251(kClock, "<html>\r\n<body><img src=\"МЕСЕЦ.PNG\"></body>\r\n"); },
     {{kClock, 2, "case-mismatch"}}},
    {"script listed twice in one category",
     [](const TempDir& d) {
         d.writeCp1251(kList, "Цифров часовник.html\r\nКалендар.html\r\nЦифров часовник.html\r\n");
     },
     {{kList, 3, "listed-twice"}}},
    {"categories.ini with a byte-order mark still gives section lines",
     [](const TempDir& d) { d.write("categories.ini", "\xEF\xBB\xBF[Часовници]\r\n[Часовници]\r\n"); },
     {{"categories.ini", 1, "utf8-bom"},
      {"categories.ini", 1, "utf8-text"},
      {"categories.ini", 2, "shared-folder"}}},
    {"two categories name the same folder",
     [](const TempDir& d) { d.writeCp1251("categories.ini", "[Часовници]\r\nkey=1\r\n[Часовници/.]\r\n"); },
     {{"categories.ini", 3, "shared-folder"}}},
    {"page no list names; pictures are no finding",
     [](const TempDir& d) {
         d.write("Часовници/Стар.htm", "<html></html>");
         d.write("Часовници/снимка.jpg", "jpeg");
     },
     {{"Часовници/Стар.htm", 0, "unlisted-page"}}},
    {"empty line in a list",
     [](const TempDir& d) { d.writeCp1251(kList, "Цифров часовник.html\r\n\r\nКалендар.html\r\n"); },
     {{kList, 2, "blank-line"}}},
    {"leading and trailing spaces in a name",
     [](const TempDir& d) {
         d.writeCp1251(kList, "Цифров часовник.html\r\nКалендар.html \r\n");
         d.writeCp1251("Часовници/Календар.html ", "<html></html>");
         std::filesystem::remove(d.path() / "Часовници" / "Календар.html");
     },
     {{kList, 2, "padded-name"}}},
    {"byte 0x98 in a page",
     [](const TempDir& d) { d.write(kClock, "<html>\r\n<body>\r\nbad \x98 byte\r\n</body>\r\n"); },
     {{kClock, 3, "undefined-byte"}}},
    {"UTF-8 byte-order mark in a list",
     [](const TempDir& d) {
         d.write(kList, "\xEF\xBB\xBF" + utf8ToCp1251("Цифров часовник.html\r\nКалендар.html\r\n"));
     },
     {{kList, 1, "utf8-bom"},
      {kClock, 0, "unlisted-page"},
      {"Часовници/п»їЦифров часовник.html", 0, "missing-script"}}},
    {"page saved as UTF-8",
     [](const TempDir& d) { d.write(kClock, "<html>\r\n<body>\r\nЧасовник</body>\r\n"); },
     {{kClock, 3, "utf8-text"}}},
    {"NUL byte hides the rest of a list",
     [](const TempDir& d) {
         d.write(kList,
                 utf8ToCp1251("Цифров часовник.html\r\n") + std::string(1, '\0') + "Календар.html\r\n");
     },
     {{kList, 2, "nul-byte"}, {"Часовници/Календар.html", 0, "unlisted-page"}}},
    {"page loads from off the machine; plain links are fine",
     [](const TempDir& d) {
         d.write(
             kClock,
             "<html><head>\r\n"
             "<script src=\"http://cdn.example/a.js\"></script>\r\n"
             "<link rel=\"stylesheet\" href=\"//cdn.example/s.css\">\r\n"
             "<style>\r\n@import \"https://cdn.example/more.css\";\r\nbody { background: url( 'HTTPS://img.example/bg.png' ) }\r\n</style>\r\n"
             "</head><body style=\"background-image:url(http://img.example/x.gif)\">\r\n"
             "<a href=\"http://www.corvane.example/\">link</a> <form action=\"https://f.example/\"></form>\r\n"
             "<img src=\"local.png\"> <img src=\"data:image/png;base64,AA\"> <iframe src=\"file:///tmp/x.html\"></iframe>\r\n"
             "<script>var s = '<img src=\"http://not.scanned.example/\">';</script>\r\n"
             "<!-- <img src=\"http://commented.example/\"> -->\r\n"
             "</body></html>\r\n");
     },
     {{kClock, 2, "remote-load"},
      {kClock, 3, "remote-load"},
      {kClock, 5, "remote-load"},
      {kClock, 6, "remote-load"},
      {kClock, 8, "remote-load"}}},
    {"code only old browsers ran, one finding a construct; what the engine still runs is none",
     [](const TempDir& d) {
         d.write(kClock,
                 "<html><head><style>\r\n"
                 ".a { filter: alpha(opacity=50) }\r\n"                                           // 2
                 ".b { -ms-filter: \"progid:DXImageTransform.Microsoft.Alpha(Opacity=50)\" }\r\n" // 3
                 ".c { width: expression(document.body.clientWidth + 'px') }\r\n"                 // 4
                 ".d { behavior: url(hover.htc) }\r\n"                                            // 5
                 ".e { filter: blur(2px); scroll-behavior: smooth } /* filter: alpha(opacity=1) */\r\n"
                 "</style>\r\n"
                 "<script language=\"VBScript\">MsgBox \"document.layers\"</script>\r\n" // 8
                 "<script type=\"text/vbscript\"></script>\r\n"                          // 9
                 "<script>\r\n"
                 "if (document.layers) {}\r\n"                                     // 11
                 "var x = new ActiveXObject('Microsoft.XMLHTTP');\r\n"             // 12
                 "window.showModalDialog('a.html');\r\n"                           // 13
                 "el.attachEvent('onclick', f); el.detachEvent('onclick', f);\r\n" // 14 (two)
                 "var sheet = document.createStyleSheet();\r\n"                    // 15
                 "window.clipboardData.setData('Text', 'x');\r\n"                  // 16
                 "var r = document.selection.createRange();\r\n"                   // 17
                 "el.style.filter = 'alpha(opacity=' + 40 + ')';\r\n"              // 18
                 "var all = document.all, e = window.event, c = event.clipboardData;\r\n"
                 "window.scrollTo({ top: 0, behavior: 'smooth' }); var s = 'document.layers';\r\n"
                 "// document.selection in a comment\r\n"
                 "el.myattachEvent = 1; el.attachEvents = 2;\r\n"
                 "</script></head>\r\n"
                 "<body onload=\"if (document.layers) go()\"><bgsound src=\"a.mid\">\r\n" // 24 (two)
                 "<marquee>still runs</marquee> <!-- <bgsound src=\"b.mid\"> -->\r\n"
                 "<div style=\"filter: progid:DXImageTransform.Microsoft.Shadow()\">x</div>\r\n" // 26
                 "</body></html>\r\n");
     },
     {{kClock, 2, "old-browser"},
      {kClock, 3, "old-browser"},
      {kClock, 4, "old-browser"},
      {kClock, 5, "old-browser"},
      {kClock, 8, "old-browser"},
      {kClock, 9, "old-browser"},
      {kClock, 11, "old-browser"},
      {kClock, 12, "old-browser"},
      {kClock, 13, "old-browser"},
      {kClock, 14, "old-browser"},
      {kClock, 14, "old-browser"},
      {kClock, 15, "old-browser"},
      {kClock, 16, "old-browser"},
      {kClock, 17, "old-browser"},
      {kClock, 18, "old-browser"},
      {kClock, 24, "old-browser"},
      {kClock, 24, "old-browser"},
      {kClock, 26, "old-browser"}}},
    {"attachEvent beside its standard fallback is no finding",
     [](const TempDir& d) {
         d.write(
             kClock,
             "<script>\r\n"
             "if (el.addEventListener) el.addEventListener('click', f); else el.attachEvent('onclick', f);\r\n"
             "if (el.removeEventListener) el.removeEventListener('click', f); else el.detachEvent('onclick', f);\r\n"
             "</script>\r\n");
     },
     {}},
    {"categories beyond the 16384-byte budget",
     [](const TempDir& d) {
         // After "Часовници" (10 bytes with its NUL), 162 names of 100 bytes fit; the 163rd does not.
         std::string ini;
         for (int i = 0; i < 200; ++i) {
             const std::string number = std::to_string(1000 + i);
             const std::string name = number + std::string(96, 'c');
             ini += "[" + name + "]\r\n";
             if (i < 162) {
                 d.write(name + "/scripts.txt", "a.html\r\n");
                 d.write(name + "/a.html", "<html></html>");
             }
         }
         d.writeCp1251("categories.ini", "[Часовници]\r\n" + ini);
     },
     {{"categories.ini", 164, "category-budget"}}},
    {"a pipe where a script belongs is reported, not waited on",
     [](const TempDir& d) {
         std::filesystem::remove(d.path() / kClock);
         ASSERT_EQ(::mkfifo((d.path() / kClock).c_str(), 0600), 0);
     },
     {{kClock, 0, "unreadable"}}},
    {"categories.ini that is a folder",
     [](const TempDir& d) {
         std::filesystem::remove(d.path() / "categories.ini");
         std::filesystem::create_directory(d.path() / "categories.ini");
     },
     {{"categories.ini", 0, "missing-category-list"}}},
    {"a sparse scripts.txt beyond the list limit is refused unread",
     [](const TempDir& d) { std::filesystem::resize_file(d.path() / kList, kMaxListBytes + 1); },
     {{kList, 0, "too-large"}}},
    {"a script beyond the code box's capacity",
     [](const TempDir& d) { std::filesystem::resize_file(d.path() / kClock, kCodeBoxCapacity + 1); },
     {{kClock, 0, "too-large"}}},
    {"a script that outgrows the code box once its bare line breaks are CR LF",
     [](const TempDir& d) { d.write(kClock, std::string(kCodeBoxCapacity / 2 + 1, '\n')); },
     {{kClock, 0, "too-large"}}},
    {"categories.ini without sections",
     [](const TempDir& d) { d.write("categories.ini", "; nothing\r\n"); },
     {{"categories.ini", 0, "empty-library"}}},
};

void PrintTo(const CheckCase& c, std::ostream* os)
{
    *os << c.name;
}

class CheckLibrary : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckLibrary, reportsExactlyTheExpectedFindings)
{
    TempDir dir;
    writeCleanLibrary(dir);
    GetParam().change(dir);
    std::vector<Expected> found;
    for (const auto& f : checkLibrary(dir.dir())) {
        found.push_back({f.path, f.line, f.kind});
        EXPECT_FALSE(f.message.empty()) << f.path;
    }
    EXPECT_EQ(found, GetParam().findings);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CheckLibrary, testing::ValuesIn(kCases),
                         [](const auto& info) { return test::testCaseName(info.param.name); });

TEST(CheckLibrary, aFolderThatIsNoLibraryIsAnErrorNotAFinding)
{
    TempDir dir;
    EXPECT_THROW(checkLibrary(dir.dir() + "no-such-library/"), ToolError);
    writeCleanLibrary(dir);
    std::filesystem::remove(dir.path() / "categories.ini");
    EXPECT_THROW(checkLibrary(dir.dir()), ToolError);
}

// Runs the check as an ordinary user would: root may read what the user may not.
std::vector<Finding> checkAsOrdinaryUser(const TempDir& dir)
{
    if (::geteuid() != 0)
        return checkLibrary(dir.dir());
    // Everything the owner may read, the ordinary user may read too.
    namespace fs = std::filesystem;
    const auto share = [](const fs::path& path) {
        std::error_code error;
        const auto status = fs::symlink_status(path, error);
        const auto owner = status.permissions();
        auto add = fs::perms::none;
        if ((owner & fs::perms::owner_read) != fs::perms::none)
            add |= fs::perms::others_read;
        if ((owner & fs::perms::owner_exec) != fs::perms::none)
            add |= fs::perms::others_exec;
        if (!fs::is_symlink(status))
            fs::permissions(path, add, fs::perm_options::add, error);
    };
    share(dir.path());
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir.path(), error), end; !error && it != end;
         it.increment(error))
        share(it->path());
    int pipe[2];
    if (::pipe(pipe) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        std::string text;
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            try {
                text = findingsAsText(checkLibrary(dir.dir()));
            } catch (const std::exception& e) {
                text = std::string("error: ") + e.what();
            }
        }
        const bool written = ::write(pipe[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
    // Back into findings, path and kind being all a test looks at here.
    std::vector<Finding> findings;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        const std::size_t colon = line.find(": ");
        const std::size_t second = line.find(": ", colon + 2);
        findings.push_back(
            {line.substr(0, colon), 0, line.substr(colon + 2, second - colon - 2), line.substr(second + 2)});
    }
    if (at < text.size())
        findings.push_back({"", 0, "error", text.substr(at)});
    return findings;
}

TEST(CheckLibrary, saysWhatIsReallyWrong)
{
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        std::function<void(const TempDir&)> change;
        std::string path;     // of the one finding expected; empty: none at all
        std::string saysPart; // in its message
    } rows[] = {
        {"a category folder that is a link loop",
         [](const TempDir& d) {
             d.writeCp1251("categories.ini", "[Часовници]\r\n[Петля]\r\n");
             fs::create_directory_symlink("Петля", d.path() / "Петля");
         },
         "Петля", systemErrorText(ELOOP)},
        {"a folder that may be entered but not listed reads as the program reads it",
         [](const TempDir& d) {
             fs::permissions(d.path() / "Часовници",
                             fs::perms::owner_write | fs::perms::owner_exec | fs::perms::others_exec);
         },
         "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        writeCleanLibrary(dir);
        row.change(dir);
        const auto findings = checkAsOrdinaryUser(dir);
        if (row.path.empty()) {
            EXPECT_TRUE(findings.empty()) << findingsAsText(findings);
            continue;
        }
        ASSERT_EQ(findings.size(), 1u) << findingsAsText(findings);
        EXPECT_EQ(findings[0].path, row.path);
        EXPECT_NE(findings[0].message.find(row.saysPart), std::string::npos) << findings[0].message;
    }
}

TEST(CheckLibrary, reportsProgressOncePerPage)
{
    TempDir dir;
    writeCleanLibrary(dir);
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    checkLibrary(dir.dir(), [&](std::size_t done, std::size_t total) { calls.emplace_back(done, total); });
    const std::vector<std::pair<std::size_t, std::size_t>> expected{{1, 2}, {2, 2}};
    EXPECT_EQ(calls, expected);
}

TEST(Findings, jsonCarriesPathLineKindAndEscapedMessage)
{
    const std::vector<Finding> findings{
        {"Фонове/scripts.txt", 3, "listed-twice", "\"a\\b.html\" is listed again\t(first on line 1)"},
        {"Игри", 0, "missing-folder", "no folder"},
    };
    EXPECT_EQ(
        findingsAsJson(findings),
        "[\n"
        "  {\"path\": \"Фонове/scripts.txt\", \"line\": 3, \"kind\": \"listed-twice\", "
        "\"message\": \"\\\"a\\\\b.html\\\" is listed again\\t(first on line 1)\"},\n"
        "  {\"path\": \"Игри\", \"line\": null, \"kind\": \"missing-folder\", \"message\": \"no folder\"}\n"
        "]\n");
    EXPECT_EQ(findingsAsJson({}), "[]\n");
}

TEST(Findings, textEscapesControlCharactersAndShortensHugeNames)
{
    // A name that would retitle the terminal, clear it and print a line of its own.
    const std::string hostile = "a\x1B]0;pwned\x07\x1B[2J\rall clean\n\xC2\x9B"
                                "1;1H.html";
    const std::string huge(3 * 1024 * 1024, 'n');
    const std::string text =
        findingsAsText({{"Игри/" + hostile, 0, "missing-script", "listed as \"" + hostile + "\""},
                        {"Игри/" + huge, 0, "missing-script", "m"}});
    ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    for (const char c : text)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << static_cast<int>(c);
    EXPECT_EQ(text.find("\xC2\x9B"), std::string::npos);
    EXPECT_NE(text.find("pwned"), std::string::npos) << "the rest of the name is still shown";
    EXPECT_LT(text.size(), 1000u);
    // The JSON keeps the name whole, escaped its own way.
    EXPECT_NE(findingsAsJson({{"Игри/" + huge, 0, "missing-script", "m"}}).find(huge), std::string::npos);
}

TEST(Findings, textGivesTheLineAndShowsNamesFromTheDiskAsUtf8)
{
    EXPECT_EQ(findingsAsText(
                  {{"a.html", 12, "remote-load", "loads"}, {"\xD4\xEE\xED/a.html", 0, "unlisted-page", "m"}}),
              "a.html: remote-load: line 12: loads\n"
              "Фон/a.html: unlisted-page: m\n");
}

} // namespace
} // namespace corvane::librarytool
