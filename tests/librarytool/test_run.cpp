// corvane-library run, as a user runs it: the command itself, in a process of its own.
#include "support/testfiles.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using corvane::test::LibraryRow;
using corvane::test::readBytes;
using corvane::test::TempDir;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool in a process group of its own; `interruptAfter` sends it Ctrl+C's signal.
// `group` gets the process group, to look for what outlives the tool.
Outcome runTool(const TempDir& dir, std::vector<std::string> arguments, pid_t* group = nullptr,
                std::chrono::milliseconds interruptAfter = std::chrono::milliseconds::zero())
{
    const std::string outPath = dir.dir() + "stdout.txt";
    const std::string errPath = dir.dir() + "stderr.txt";
    arguments.insert(arguments.begin(), CORVANE_LIBRARY_TOOL);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<char*> argv;
        for (auto& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::setpgid(child, child); // either side may win the race
    if (group)
        *group = child;
    if (interruptAfter.count() > 0) {
        std::this_thread::sleep_for(interruptAfter);
        ::kill(child, SIGINT);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(outPath), readBytes(errPath)};
}

// A one-category library of the given pages (name, UTF-8 text written as Windows-1251).
void writeLibrary(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& pages)
{
    std::vector<LibraryRow> rows;
    for (const auto& [name, text] : pages)
        rows.push_back({"Тест", name.c_str(), text.c_str()});
    dir.writeLibrary(rows, "lib");
}

struct RunCase {
    const char* page;
    const char* text;
    std::vector<std::tuple<int, std::string, std::string>> findings; // line, kind, part of the message
};

const std::vector<RunCase> kCases = {
    {"clean.html", "<p>Часовник</p><img src=\"pic.gif\"><script>setTimeout(function () {}, 50)</script>", {}},
    // Made on Windows, where letter case in names did not count.
    {"letter-case.html", "<p>Часовник</p><img src=\"PIC.GIF\">", {}},
    {"error.html",
     "<p>x</p>\n<script>\nnoSuchFunction();\n</script>",
     {{3, "script-error", "noSuchFunction"}}},
    {"late-error.html",
     "<p>x</p><script>setTimeout(function () { throw new Error('later') }, 100)</script>",
     {{1, "script-error", "later"}}},
    {"frame-error.html",
     "<p>x</p><script>requestAnimationFrame(function () { throw new Error('in a frame') })</script>",
     {{1, "script-error", "in a frame"}}},
    {"failed.html",
     "<p>x</p><img src=\"none.png\"><script src=\"gone.js\"></script>\n"
     "<div style=\"width:9px;height:9px;background:url(bg.png)\"></div>",
     {{0, "failed-load", "Тест/bg.png"},
      {0, "failed-load", "Тест/gone.js"},
      {0, "failed-load", "Тест/none.png"}}},
    {"network.html",
     "<p>x</p><img src=\"http://img.example/a.png\">",
     {{0, "network", "http://img.example/a.png"}}},
    {"runaway.html", "<p>x</p><script>while (true) {}</script>", {{0, "runaway", ""}}},
    {"popup.html", "<p>x</p><script>window.open('clean.html')</script>", {{0, "popup", "Тест/clean.html"}}},
    {"dialog.html",
     "<p>x</p><script>alert('Здравей'); prompt('Име?')</script>",
     {{0, "dialog", "alert: Здравей"}, {0, "dialog", "prompt: Име?"}}},
    // Too little Cyrillic for the engine's own guess: read as Windows-1251 all the same.
    {"short.html",
     "<title>Игра</title><p>The quick brown fox jumps over the lazy dog. Да</p>"
     "<script>alert(document.title)</script>",
     {{0, "dialog", "alert: Игра"}}},
    {"blank.html",
     "<body style=\"background: navy\"><div></div><span> </span><script>var a = 1</script></body>",
     {{0, "blank", ""}}},
    {"alerts.html",
     "<p>x</p><script>for (var i = 1; i <= 30; ++i) alert('box ' + i); window.print()</script>",
     {{0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "alert: box "},
      {0, "dialog", "and 21 more"}}},
    // Answered at once, a loop of boxes would run for ever: it is a runaway, and the pages
    // after it get none of its boxes.
    {"alert-loop.html",
     "<p>x</p><script>setTimeout(function () { for (var i = 1;; ++i) alert('loop ' + i) }, 10)</script>",
     {{0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", "alert: loop "},
      {0, "dialog", " more"},
      {0, "runaway", ""}}},
    {"print.html", "<p>x</p><script>window.print()</script>", {{0, "dialog", "print"}}},
    // It goes on to a page of its own whose timer keeps asking off the machine: every request is
    // still this page's, also those that come while the next page starts.
    {"hop.html", "<p>x</p><script>location.href = 'hop-on.html'</script>", {{0, "network", "late.example"}}},
    {"memory.html",
     // Big steps, so that the limit comes long before the runaway guard's, even on a busy machine.
     "<p>x</p><script>var kept = []; for (;;) { var b = new Uint8Array(256 << 20); b.fill(1); kept.push(b); }"
     "</script>",
     {{0, "memory", "MB of memory"}}},
    {"old-look-alikes.html",
     "<marquee>Текст</marquee><script>var a = document.all; var e = window.event; a.item(0).title = 'x';</script>",
     {}},
};

TEST(RunLibrary, reportsWhatEachPageDidInCheckFormat)
{
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> pages;
    for (const auto& c : kCases)
        pages.emplace_back(c.page, c.text);
    writeLibrary(dir, pages);
    // It asks once as it opens, so that the finding never hangs on how soon its timer comes.
    dir.write("lib/Тест/hop-on.html",
              "<p>on</p><img src=\"http://late.example/ping\"><script>setInterval("
              "function () { new Image().src = 'http://late.example/ping'; }, 2)</script>");
    dir.write("lib/Тест/pic.gif",
              std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01"
                          "\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
                          43));

    const Outcome outcome = runTool(dir, {"run", dir.dir() + "lib", "--jobs", "3"});
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    EXPECT_EQ(outcome.err, "");

    std::vector<std::string> lines;
    for (std::size_t start = 0; start < outcome.out.size();) {
        const std::size_t end = outcome.out.find('\n', start);
        lines.push_back(outcome.out.substr(start, end - start));
        start = end + 1;
    }
    std::size_t at = 0;
    std::set<std::string> sorted;
    for (const auto& c : kCases)
        sorted.insert(c.page);
    // Sorted by path: the cases in name order, each page's findings in order.
    for (const auto& page : sorted) {
        const RunCase& c =
            *std::find_if(kCases.begin(), kCases.end(), [&](const RunCase& k) { return page == k.page; });
        for (const auto& [line, kind, part] : c.findings) {
            ASSERT_LT(at, lines.size()) << "missing " << c.page << ": " << kind << "\n" << outcome.out;
            const std::string prefix = std::string("Тест/") + c.page + ": " + kind + ": "
                                       + (line > 0 ? "line " + std::to_string(line) + ": " : std::string());
            EXPECT_EQ(lines[at].compare(0, prefix.size(), prefix), 0) << lines[at] << "\nexpected " << prefix;
            EXPECT_NE(lines[at].find(part), std::string::npos) << lines[at];
            ++at;
        }
    }
    EXPECT_EQ(at, lines.size()) << outcome.out;
}

// A page that sniffs runs with the layer as in the preview; as today's browsers run it, it takes
// neither browser's way and does nothing, which no error shows.
TEST(RunLibrary, asTodayNamesThePageThatSniffedAndThenDidNothing)
{
    TempDir dir;
    writeLibrary(dir, {{"sniff.html", "<p id=\"p\">x</p><script>\n"
                                      "if (document.all) document.all.p.innerText = 'IE';\n"
                                      "else if (document.layers) document.layers[0].document.write('NS');\n"
                                      "</script>"},
                       {"modern.html", "<p id=\"p\">x</p><script>var name = navigator.appName; "
                                       "document.getElementById('p').textContent = name;</script>"}});
    const Outcome layer = runTool(dir, {"run", dir.dir() + "lib"});
    EXPECT_EQ(layer.status, 0) << layer.out << layer.err;
    const Outcome today = runTool(dir, {"run", dir.dir() + "lib", "--as-today"});
    EXPECT_EQ(today.status, 1) << today.err;
    EXPECT_EQ(today.out.rfind("Тест/sniff.html: inactive: ", 0), 0u) << today.out;
    EXPECT_EQ(std::count(today.out.begin(), today.out.end(), '\n'), 1) << today.out;
}

TEST(RunLibrary, cleanLibraryExitsZeroWithAnyJobsAndAsJson)
{
    TempDir dir;
    writeLibrary(dir, {{"a.html", "<p>Едно</p>"}, {"b.html", "<p>Две</p>"}, {"c.html", "<h1>Три</h1>"}});
    for (const char* jobs : {"1", "8"}) {
        const Outcome outcome = runTool(dir, {"run", dir.dir() + "lib", "--json", "--jobs", jobs});
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.out, "[]\n");
    }
    const Outcome missing = runTool(dir, {"run", dir.dir() + "nowhere"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Cannot open library folder"), std::string::npos) << missing.err;
    EXPECT_EQ(runTool(dir, {"run", dir.dir() + "lib", "--jobs", "0"}).status, 2);
}

TEST(RunLibrary, ctrlCEndsTheRunAndEveryEngineProcess)
{
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> pages;
    for (int i = 0; i < 6; ++i)
        pages.emplace_back("loop" + std::to_string(i) + ".html", "<script>while (true) {}</script>");
    writeLibrary(dir, pages);

    pid_t group = 0;
    const Outcome outcome =
        runTool(dir, {"run", dir.dir() + "lib", "--jobs", "2"}, &group, std::chrono::seconds(3));
    EXPECT_EQ(outcome.status, 2) << outcome.err;
    // Run to the end, the six runaways would be findings (exit 1).
    EXPECT_NE(outcome.err.find("interrupted"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    // The engine's processes leave with the tool (they may take a moment to notice).
    bool left = true;
    for (int i = 0; i < 50 && left; ++i) {
        left = ::kill(-group, 0) == 0;
        if (left)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(left) << "engine processes outlived the tool";
    if (left)
        ::kill(-group, SIGKILL);
}

} // namespace
