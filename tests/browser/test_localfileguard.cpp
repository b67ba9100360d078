// What a page restricted to its library may reach, tried as a hostile page would.
#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/testfiles.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QWebEnginePage>

#include <filesystem>

#include <gtest/gtest.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::waitUntil;

const char kSecret[] = "the user's secret key";

// One attempt of a page in the category "Игри": its script sets the title to "read:<what it
// got>" or "blocked"; `refused` is part of the address the console must name, or null when the
// attempt must succeed.
struct ReachCase {
    const char* name;
    const char* script;
    const char* refused;
};

// SECRET is the address of a file outside the library, HOME the folder it is in, OWN a file of
// another category, PORT a port on this machine that listens.
const ReachCase kReaches[] = {
    {"a library file of another category is read", "fetch(OWN).then(r => r.text()).then(read, blocked);",
     nullptr},
    {"a library file named in another letter case is read, as on Windows",
     "var x = new XMLHttpRequest(); x.open('GET', OWN.replace('Други/own', 'ДРУГИ/OWN'), false); x.send();"
     " read(x.responseText);",
     nullptr},
    {"a link that leads out, named in another letter case",
     "fetch('LINK.TXT').then(r => r.text()).then(read, blocked);", "link.txt"},
    {"synchronous XMLHttpRequest of a file outside",
     "try { var x = new XMLHttpRequest(); x.open('GET', SECRET, false); x.send(); read(x.responseText); }"
     " catch (e) { blocked(); }",
     "secret.txt"},
    {"fetch of a file outside", "fetch(SECRET).then(r => r.text()).then(read, blocked);", "secret.txt"},
    {"fetch through ../ above the library",
     "fetch('../../home/secret.txt').then(r => r.text()).then(read, blocked);", "secret.txt"},
    {"fetch through a link in the library that leads out",
     "fetch('link.txt').then(r => r.text()).then(read, blocked);", "link.txt"},
    {"an iframe listing the home folder",
     "var f = document.createElement('iframe'); f.src = HOME; f.onload = function () {"
     " try { read(f.contentDocument.body.innerText); } catch (e) { blocked(); } };"
     " document.body.appendChild(f);",
     "/home/"},
    {"an iframe of a file outside",
     "var f = document.createElement('iframe'); f.src = SECRET; f.onload = function () {"
     " try { read(f.contentDocument.body.innerText); } catch (e) { blocked(); } };"
     " document.body.appendChild(f);",
     "secret.txt"},
    {"a worker's fetch of a file outside",
     "var w = new Worker(URL.createObjectURL(new Blob(['fetch(\"' + SECRET + '\").then(r => r.text())"
     ".then(t => postMessage(\"read:\" + t), () => postMessage(\"blocked\"))'])));"
     " w.onmessage = function (e) { document.title = e.data; };",
     "secret.txt"},
    {"a WebSocket to this machine",
     "var s = new WebSocket('ws://127.0.0.1:' + PORT + '/?key=stolen');"
     " s.onopen = function () { read('open'); }; s.onerror = blocked;",
     "ws://127.0.0.1"},
    {"a popup it opens fetching a file outside",
     "var w = window.open('about:blank', 'p');"
     " w.document.write('<script>fetch(\"' + SECRET + '\").then(r => r.text()).then("
     "t => opener.document.title = \"read:\" + t, () => opener.document.title = \"blocked\");</scr' + 'ipt>');",
     "secret.txt"},
    {"a window it opens on this machine's web server",
     "window.open('http://127.0.0.1:' + PORT + '/?key=stolen', 'w'); setTimeout(blocked, 1000);",
     "127.0.0.1"},
    {"a window it opens on a page outside, which it reads",
     "var w = window.open(HOME + 'secret.html', 'p'); setTimeout(function () {"
     " try { var t = w.document.body.innerText; if (t) read(t); else blocked(); } catch (e) { blocked(); } }, 1000);",
     "secret.html"},
};

void PrintTo(const ReachCase& c, std::ostream* os)
{
    *os << c.name;
}

class LocalFileGuardTest : public ::testing::TestWithParam<ReachCase> {
protected:
    LocalFileGuardTest()
    {
        secret_ = dir_.write("home/secret.txt", kSecret);
        dir_.write("home/secret.html", std::string("<p>") + kSecret + "</p>");
        library_ =
            dir_.writeLibrary({{"Игри", "a.html", "<p>a</p>"}, {"Други", "b.html", "<p>b</p>"}}, "lib");
        dir_.write("lib/Други/own.txt", "own text");
        fs::create_symlink(secret_, dir_.path() / "lib" / fs::u8path("Игри") / "link.txt");
        listener_.listen(QHostAddress::LocalHost);
        view_.resize(430, 370);
        view_.show();
        view_.restrictLocalFiles({QString::fromStdString(library_)});
    }
    // The page with the script, made as the test's library page. It names its character set, so
    // the engine loads it as the file itself, with every right a local page has.
    std::string page(const std::string& script) const
    {
        const auto url = [](const std::string& path) {
            return "'" + QUrl::fromLocalFile(QString::fromStdString(path)).toString().toStdString() + "'";
        };
        return dir_.write("lib/Игри/try.html",
                          "<html><head><meta charset=\"utf-8\"><title>start</title></head><body><script>"
                          "var SECRET = "
                              + url(secret_) + ", HOME = " + url(dir_.dir() + "home/")
                              + ", OWN = " + url(library_ + "Други/own.txt")
                              + ", PORT = " + std::to_string(listener_.serverPort())
                              + ";\nfunction read(t) { document.title = 'read:' + t; }"
                                "\nfunction blocked() { document.title = 'blocked'; }\n"
                              + script + "</script></body></html>");
    }

    QStringList refusals() const
    {
        QStringList lines;
        const ConsoleModel& console = const_cast<WebView&>(view_).console();
        for (int row = 0; row < console.rowCount(); ++row)
            if (console.message(row).kind == ConsoleMessage::Kind::Refused)
                lines << ConsoleModel::displayText(console.message(row));
        return lines;
    }

    TempDir dir_;
    std::string secret_;
    std::string library_;
    QTcpServer listener_;
    WebView view_;
};

TEST_P(LocalFileGuardTest, pageReachesOnlyItsLibrary)
{
    view_.navigate(QString::fromStdString(page(GetParam().script)));
    ASSERT_TRUE(waitUntil([&] {
        return view_.page()->title() != QStringLiteral("start") && !view_.page()->title().isEmpty()
               && !view_.page()->title().endsWith(QStringLiteral("try.html"));
    })) << view_.page()->title().toStdString();
    if (!GetParam().refused) {
        EXPECT_EQ(view_.page()->title().toStdString(), "read:own text");
        EXPECT_TRUE(refusals().isEmpty()) << refusals().join(u'\n').toStdString();
        return;
    }
    EXPECT_EQ(view_.page()->title().toStdString(), "blocked");
    EXPECT_FALSE(listener_.hasPendingConnections()) << "a connection reached the listener";
    ASSERT_TRUE(waitUntil([&] {
        return !refusals().filter(QString::fromUtf8(GetParam().refused)).isEmpty();
    })) << refusals().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Reaches, LocalFileGuardTest, ::testing::ValuesIn(kReaches),
                         [](const auto& info) { return test::testCaseName(info.param.name); });

} // namespace
} // namespace corvane
