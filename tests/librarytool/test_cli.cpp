#include "librarytool/cli.h"
#include "support/testfiles.h"

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

namespace corvane::librarytool {
namespace {

using test::TempDir;

// A temporary stream read back as text.
class Capture {
public:
    Capture()
        : file_(std::tmpfile(), &std::fclose)
    {
    }
    std::FILE* get() const { return file_.get(); }
    std::string text() const
    {
        std::fflush(file_.get());
        std::rewind(file_.get());
        std::string out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_.get())) > 0;)
            out.append(buffer, n);
        return out;
    }

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult run(std::vector<std::string> arguments, const std::string& defaultDirectory)
{
    Capture out;
    Capture err;
    Invocation invocation;
    invocation.arguments = std::move(arguments);
    invocation.defaultDirectory = defaultDirectory;
    const int status = runLibraryTool(invocation, out.get(), err.get());
    return {status, out.text(), err.text()};
}

struct ExitCase {
    const char* name;
    std::vector<std::string> arguments; // "LIB" is the library, "OUT" a gallery folder
    int status;
    const char* stdoutHas; // nullptr: stdout stays empty
    const char* stderrHas; // nullptr: stderr stays empty
};

const ExitCase kExitCases[] = {
    {"clean library exits 0 and prints nothing", {"check", "LIB"}, 0, nullptr, nullptr},
    {"default folder is the program's", {"check"}, 0, nullptr, nullptr},
    {"findings exit 1, one a line",
     {"check", "BROKEN"},
     1,
     "Змия.html: missing-script: listed on line 1",
     nullptr},
    {"json findings exit 1", {"check", "BROKEN", "--json"}, 1, "\"kind\": \"missing-script\"", nullptr},
    {"an ignored kind is left out", {"check", "BROKEN", "--ignore", "missing-script"}, 0, nullptr, nullptr},
    {"run without the engine in the build exits 2", {"run", "LIB"}, 2, nullptr, "leaves out"},
    {"add of a page already listed exits 1 and names it",
     {"add", "LIB", "Игри", "LIB/Игри/Змия.html"},
     1,
     nullptr,
     "already listed"},
    {"clean json is an empty array", {"check", "--json", "LIB"}, 0, "[]\n", nullptr},
    {"missing library exits 2 with a message",
     {"check", "LIB/nowhere"},
     2,
     nullptr,
     "Cannot open library folder"},
    {"unknown option exits 2", {"check", "--fast"}, 2, nullptr, "unknown option \"--fast\""},
    {"unknown command exits 2", {"publish"}, 2, nullptr, "unknown command \"publish\""},
    {"no command exits 2", {}, 2, nullptr, "no command given"},
    {"help exits 0 with the usage", {"--help"}, 0, "Usage: corvane-library check [DIR] [--json]", nullptr},
    {"export into a new folder exits 0", {"export", "LIB", "OUT"}, 0, "index.html (scripts: 1)", nullptr},
    {"export over an earlier gallery exits 2", {"export", "LIB", "GALLERY"}, 2, nullptr, "add --force"},
    {"forced export over an earlier gallery exits 0",
     {"export", "LIB", "GALLERY", "--force"},
     0,
     "index.html (scripts: 1)",
     nullptr},
    {"forced export into a folder of anything else exits 2",
     {"export", "LIB", "FULL", "--force"},
     2,
     nullptr,
     "left as it is"},
    {"export of a folder that is no library exits 2",
     {"export", "LIB/Игри", "OUT"},
     2,
     nullptr,
     "no script library"},
    {"check of a folder that is no library exits 2", {"check", "LIB/Игри"}, 2, nullptr, "no script library"},
    {"export leaving out a missing script exits 1",
     {"export", "BROKEN", "OUT"},
     1,
     "(scripts: 0)",
     "left out"},
    {"export without OUT exits 2", {"export"}, 2, nullptr, "export takes"},
};

void PrintTo(const ExitCase& c, std::ostream* os)
{
    *os << c.name;
}

class ExitStatus : public testing::TestWithParam<ExitCase> {};

TEST_P(ExitStatus, matchesTheOutcome)
{
    TempDir dir;
    dir.writeLibrary({{"Игри", "Змия.html", "<html><body>Змия</body></html>"}}, "lib");
    dir.writeLibrary({{"Игри", "Змия.html", nullptr}}, "broken");
    dir.write("full/index.html", "old");
    ASSERT_EQ(run({"export", dir.dir() + "lib", dir.dir() + "gallery"}, "").status, 0);

    std::vector<std::string> arguments;
    for (const auto& argument : GetParam().arguments) {
        std::string a = argument;
        if (a.rfind("LIB", 0) == 0)
            a = dir.dir() + "lib" + a.substr(3);
        else if (a == "BROKEN")
            a = dir.dir() + "broken";
        else if (a == "OUT")
            a = dir.dir() + "out";
        else if (a == "FULL")
            a = dir.dir() + "full";
        else if (a == "GALLERY")
            a = dir.dir() + "gallery";
        arguments.push_back(a);
    }
    const RunResult result = run(arguments, dir.dir() + "lib/");
    EXPECT_EQ(result.status, GetParam().status) << result.err;
    const auto expectHas = [](const std::string& text, const char* part) {
        if (part)
            EXPECT_NE(text.find(part), std::string::npos) << text;
        else
            EXPECT_EQ(text, "");
    };
    expectHas(result.out, GetParam().stdoutHas);
    expectHas(result.err, GetParam().stderrHas);
}

INSTANTIATE_TEST_SUITE_P(Commands, ExitStatus, testing::ValuesIn(kExitCases),
                         [](const auto& info) { return test::testCaseName(info.param.name); });

#ifndef _WIN32 // Windows file names cannot hold control characters
TEST(Output, namesFromTheLibraryReachTheTerminalWithTheirControlCharactersEscaped)
{
    // A script name that would clear the terminal and print a fake verdict on a line of its own.
    TempDir dir;
    const std::string hostile = "\x1B[2J\x1B[1;1Hall clean\x1B[8m.html";
    dir.writeCp1251("lib/categories.ini", "[Игри\x1B]0;pwned\x07]\r\n");
    dir.write("lib/Игри\x1B]0;pwned\x07/scripts.txt", hostile + "\r\n");
    // add names what it refuses: a picture whose address holds ESC and BEL, a page named so.
    dir.write("src/page.html", "<img src=\"%1B]0;PWNED%07all clean.png\">");
    dir.write("src/" + hostile, "<p>x</p>");
    for (const auto& arguments :
         {std::vector<std::string>{"check", dir.dir() + "lib"},
          std::vector<std::string>{"export", dir.dir() + "lib", dir.dir() + "out\x1B[2J"},
          std::vector<std::string>{"add", dir.dir() + "lib", "Нови", dir.dir() + "src/page.html"},
          std::vector<std::string>{"add", dir.dir() + "lib", "Нови", dir.dir() + "src/" + hostile}}) {
        SCOPED_TRACE(arguments.front());
        const RunResult result = run(arguments, "");
        EXPECT_EQ(result.status, 1) << result.err;
        const std::string printed = result.out + result.err;
        EXPECT_NE(printed.find("all clean"), std::string::npos) << "the name is still shown";
        for (const char c : printed)
            EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20)
                << static_cast<int>(c) << " in " << printed;
    }
}
#endif

} // namespace
} // namespace corvane::librarytool
