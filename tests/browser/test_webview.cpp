#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/testfiles.h"
#include "support/webviewwait.h"

#include "address/address.h"
#include "browser/downloads.h"
#include "browser/exitcleanup.h"
#include "browser/popupwindow.h"
#include "browser/runawayguard.h"
#include "browser/webpage.h"
#include "platform/codepage.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QWebEnginePage>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::TempDir;
using test::waitUntil;

// Every event of one view, in arrival order, as "kind:text".
struct EventLog {
    explicit EventLog(WebView& view)
    {
        QObject::connect(&view, &WebView::beforeNavigate, [this](const QString& url) { add("before", url); });
        QObject::connect(&view, &WebView::downloadBegin, [this] { add("begin", {}); });
        QObject::connect(&view, &WebView::downloadComplete, [this] { add("complete", {}); });
        QObject::connect(&view, &WebView::documentComplete,
                         [this](const QString& url) { add("document", url); });
        QObject::connect(&view, &WebView::titleChange, [this](const QString& t) { add("title", t); });
        QObject::connect(&view, &WebView::statusTextChange, [this](const QString& t) { add("status", t); });
    }
    void add(const char* kind, const QString& text)
    {
        events.append(QLatin1String(kind) + QLatin1Char(':') + text);
    }
    int indexOf(const QString& event, int from = 0) const { return events.indexOf(event, from); }
    bool has(const QString& event) const { return events.contains(event); }
    int count(const QString& prefix) const
    {
        int n = 0;
        for (const auto& e : events)
            n += e.startsWith(prefix);
        return n;
    }
    QStringList events;
};

QString fileUrl(const std::string& path)
{
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString();
}

class WebViewTest : public ::testing::Test {
protected:
    WebViewTest()
    {
        view.resize(430, 370);
        view.show();
    }
    TempDir dir;
    WebView view;
    EventLog log{view};
};

TEST(Address, plainPathsAreFilesAndBareHostsAreWebAddresses)
{
    EXPECT_EQ(addressToUrl(QStringLiteral("/tmp/a b/x.html")),
              QUrl::fromLocalFile(QStringLiteral("/tmp/a b/x.html")));
    EXPECT_EQ(addressToUrl(QStringLiteral("www.corvane.example/banner/index.html")).toString(),
              QStringLiteral("http://www.corvane.example/banner/index.html"));
    EXPECT_EQ(addressToUrl(QStringLiteral("http://www.corvane.example/")).toString(),
              QStringLiteral("http://www.corvane.example/"));
    // A path whose name looks like a scheme is still a path.
    EXPECT_TRUE(addressToUrl(QStringLiteral("/srv/http:odd.html")).isLocalFile());
}

// A page's suggested download name never leads out of the download folder nor hides the file.
TEST(DownloadName, keepsOnlyAPlainFinalName)
{
    const struct {
        const char* suggested;
        const char* name;
    } cases[] = {
        {"note.txt", "note.txt"},
        {"../../.bashrc", "bashrc"},
        {"../.config/autostart/x.desktop", "x.desktop"},
        {"/home/user/.profile", "profile"},
        {"..\\..\\Start Menu\\run.bat", "run.bat"},
        {"a<b>c:d\"e|f?g*h.txt", "abcdefgh.txt"},
        {"bell\x07\x1b]0;x.txt", "bell]0;x.txt"},
        {"...", "изтеглен-файл"},
        {"", "изтеглен-файл"},
        {"dir/", "изтеглен-файл"},
        {"Снимка на луната.png ", "Снимка на луната.png"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(downloadFileName(QString::fromUtf8(c.suggested)).toStdString(), c.name) << c.suggested;
    const QString longName = downloadFileName(QString(300, QLatin1Char('x')) + QStringLiteral(".png"));
    EXPECT_LE(longName.size(), 120);
    EXPECT_TRUE(longName.endsWith(QStringLiteral(".png")));
}

TEST_F(WebViewTest, localPageReportsItsEventsInOrder)
{
    const std::string page =
        dir.write("page.html", "<html><head><title>First page</title></head><body>x</body></html>");
    view.navigate(QString::fromStdString(page));
    ASSERT_TRUE(waitUntil([&] { return log.has(QStringLiteral("document:") + fileUrl(page)); }))
        << log.events.join(u'\n').toStdString();

    const int before = log.indexOf(QStringLiteral("before:") + fileUrl(page));
    const int complete = log.indexOf(QStringLiteral("complete:"));
    const int document = log.indexOf(QStringLiteral("document:") + fileUrl(page));
    EXPECT_GE(before, 0);
    EXPECT_GE(log.indexOf(QStringLiteral("begin:")), 0);
    EXPECT_TRUE(log.has(QStringLiteral("title:First page")));
    // Document complete follows download complete of the same load.
    EXPECT_LT(complete, document);
    EXPECT_EQ(view.page()->url(), QUrl::fromLocalFile(QString::fromStdString(page)));
}

TEST_F(WebViewTest, framesAndScriptNavigationsAllPassBeforeNavigate)
{
    const std::string inner = dir.write("inner.html", "<html><body>inner</body></html>");
    const std::string target =
        dir.write("target.html", "<html><head><title>Target</title></head><body></body></html>");
    const std::string outer = dir.write(
        "outer.html",
        "<html><body><iframe src=\"inner.html\"></iframe>"
        "<script>setTimeout(function(){ location.href = 'target.html'; }, 300);</script></body></html>");
    view.navigate(QString::fromStdString(outer));
    ASSERT_TRUE(waitUntil([&] { return log.has(QStringLiteral("title:Target")); }))
        << log.events.join(u'\n').toStdString();
    EXPECT_TRUE(log.has(QStringLiteral("before:") + fileUrl(outer)));
    EXPECT_TRUE(log.has(QStringLiteral("before:") + fileUrl(inner)));
    EXPECT_TRUE(log.has(QStringLiteral("before:") + fileUrl(target)));
    EXPECT_EQ(view.page()->url(), QUrl::fromLocalFile(QString::fromStdString(target)));
}

TEST_F(WebViewTest, statusWritesRaiseStatusTextChange)
{
    const std::string page = dir.writeCp1251(
        "status.html",
        "<html><body><script>window.status = 'Здравей, статус'; "
        "setTimeout(function(){ window.defaultStatus = 'по подразбиране'; status = 'втори'; }, 50);"
        "</script><iframe src=\"frame.html\"></iframe></body></html>");
    dir.write("frame.html", "<html><body><script>window.status = 'from a frame';</script></body></html>");
    view.navigate(QString::fromStdString(page));
    ASSERT_TRUE(waitUntil([&] { return log.has(QStringLiteral("status:втори")); }))
        << log.events.join(u'\n').toStdString();
    EXPECT_TRUE(log.has(QStringLiteral("status:Здравей, статус")));
    EXPECT_TRUE(log.has(QStringLiteral("status:по подразбиране")));
    EXPECT_TRUE(waitUntil([&] { return log.has(QStringLiteral("status:from a frame")); }));
}

// What the engine would guess from little text does not count: a page that names no character set
// is Windows-1251, shown directly, in a popup and after a refresh; a page that names one keeps it.
TEST_F(WebViewTest, pagesWithoutADeclarationAreWindows1251AndDeclaredOnesKeepTheirs)
{
    const std::string shortPage = dir.writeCp1251(
        "short.html", "<html><head><title>Игра</title></head><body>The quick brown fox jumps over the lazy "
                      "dog and runs away. Да</body></html>");
    // "Часовник" and "Час" in KOI8-R.
    const std::string koi8Page = dir.write(
        "koi8.html", "<html><head><meta charset=\"koi8-r\"><title>\xFE\xC1\xD3\xCF\xD7\xCE\xC9\xCB</title>"
                     "</head><body>\xFE\xC1\xD3</body></html>");
    const std::string opener = dir.write(
        "opener.html",
        "<html><body><script>window.open('short.html'); window.open('koi8.html')</script></body></html>");

    for (const auto& [page, title] : {std::pair{shortPage, "Игра"}, std::pair{koi8Page, "Часовник"}}) {
        view.navigate(QString::fromStdString(page));
        EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QString::fromUtf8(title); }))
            << page << ": " << view.page()->title().toStdString();
    }

    view.navigate(QString::fromStdString(opener));
    const auto popups = [&] { return view.findChildren<PopupWindow*>(Qt::FindDirectChildrenOnly); };
    ASSERT_TRUE(waitUntil([&] { return popups().size() == 2; }));
    QStringList titles;
    EXPECT_TRUE(waitUntil([&] {
        titles.clear();
        for (PopupWindow* popup : popups())
            titles << popup->view()->page()->title();
        titles.sort();
        return titles == QStringList{QStringLiteral("Игра"), QStringLiteral("Часовник")};
    })) << titles.join(u',').toStdString();
    for (PopupWindow* popup : popups())
        popup->close();

    // A refresh reads the file again, and reads it the same way.
    view.navigate(QString::fromStdString(shortPage));
    ASSERT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Игра"); }));
    dir.writeCp1251("short.html", "<html><head><title>Нова игра</title></head><body>Hello. Да</body></html>");
    view.refresh();
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Нова игра"); }))
        << view.page()->title().toStdString();
}

TEST_F(WebViewTest, refreshLoadsThePageAgainAndStopIsHarmlessWhenIdle)
{
    const std::string page =
        dir.write("again.html", "<html><head><title>Again</title></head><body></body></html>");
    view.navigate(QString::fromStdString(page));
    ASSERT_TRUE(waitUntil([&] { return log.count(QStringLiteral("document:")) == 1; }));
    view.stop();
    view.refresh();
    ASSERT_TRUE(waitUntil([&] { return log.count(QStringLiteral("document:")) == 2; }))
        << log.events.join(u'\n').toStdString();
    EXPECT_EQ(log.count(QStringLiteral("begin:")), 2);
}

struct ContentCase {
    const char* name;
    std::size_t padding; // bytes of comment that make the page large
    bool throughFile;
};

class WebViewContent : public WebViewTest, public ::testing::WithParamInterface<ContentCase> {};

// Given text runs with its folder's pictures and scripts, leaves nothing behind, and refresh
// shows the file on disk again.
TEST_P(WebViewContent, runsAgainstItsFolderAndRefreshShowsTheFile)
{
    const test::OwnRuntimeFolder runtime;
    const std::string original =
        dir.writeCp1251("Игри/Шах.html", "<html><head><title>Disk</title></head></html>");
    dir.write("Игри/title.js", "document.title += ' ok';");
    const QStringList filesBefore =
        QDir(QString::fromStdString(dir.dir() + "Игри")).entryList(QDir::AllEntries | QDir::Hidden);
    view.navigate(QString::fromStdString(original));
    ASSERT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Disk"); }))
        << view.page()->title().toStdString() << log.events.join(u'\n').toStdString();

    const std::string page =
        "<!DOCTYPE html><html><head><title>Редакция</title><script src=\"title.js\"></script></head>"
        "<body><!--"
        + std::string(GetParam().padding, 'x') + "--></body></html>";
    const QUrl base = QUrl::fromLocalFile(QString::fromStdString(dir.dir() + "Игри/"));
    view.navigateContent(QByteArray::fromStdString(utf8ToCp1251(page)), base, QUrl());
    EXPECT_EQ(runtime.files().size(), GetParam().throughFile ? 1 : 0);
    ASSERT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Редакция ok"); }))
        << log.events.join(u'\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return runtime.files().isEmpty(); }))
        << runtime.files().join(u' ').toStdString();
    EXPECT_EQ(QDir(QString::fromStdString(dir.dir() + "Игри")).entryList(QDir::AllEntries | QDir::Hidden),
              filesBefore);
    for (const QString& event : log.events)
        EXPECT_FALSE(event.startsWith(QStringLiteral("before:data:"))) << event.left(80).toStdString();

    view.refresh();
    ASSERT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Disk"); }))
        << log.events.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Sizes, WebViewContent,
                         ::testing::Values(ContentCase{"small", 10, false},
                                           ContentCase{"overTheEnginesLimit", 2200000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A page that works hard for a second at a time but answers in between is never stopped.
TEST_F(WebViewTest, heavyPageThatAnswersInTimeIsLeftAlone)
{
    const std::string page = dir.write(
        "heavy.html", "<html><head><title>Heavy</title></head><body><script>var rounds = 0;"
                      "function work() { var end = Date.now() + 1200; while (Date.now() < end) {}"
                      "  if (++rounds < 5) setTimeout(work, 50); else document.title = 'Heavy done'; }"
                      "setTimeout(work, 100);</script></body></html>");
    QSignalSpy stopped(&static_cast<WebPage*>(view.page())->guard(), &RunawayGuard::stopped);
    view.navigate(QString::fromStdString(page));
    ASSERT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Heavy done"); }, 30000))
        << view.page()->title().toStdString();
    EXPECT_EQ(stopped.count(), 0);
}

// The edited page's file goes when the page leaves it before it finished loading.
TEST_F(WebViewTest, contentFileGoesWhenThePageLeavesBeforeItLoaded)
{
    const test::OwnRuntimeFolder runtime;
    const std::string next = dir.write("next.html", "<html><head><title>Next</title></head></html>");
    const std::string html = "<html><head><script>location.href = '" + fileUrl(next).toStdString()
                             + "';</script></head><body><!--" + std::string(2200000, 'x')
                             + "--></body></html>";
    view.navigateContent(QByteArray::fromStdString(html),
                         QUrl::fromLocalFile(QString::fromStdString(dir.dir())), QUrl());
    ASSERT_EQ(runtime.files().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("Next"); }))
        << view.page()->title().toStdString();
    EXPECT_TRUE(waitUntil([&] { return runtime.files().isEmpty(); }))
        << runtime.files().join(u' ').toStdString();
}

// A file to remove at exit goes when the program returns from main or is ended by SIGTERM,
// and stays when it was let go.
TEST(ExitCleanup, removesItsFilesOnExitAndOnSigterm)
{
    TempDir dir;
    for (const bool bySignal : {false, true}) {
        const std::string doomed = dir.write(bySignal ? "term.html" : "exit.html", "x");
        const std::string kept = dir.write(bySignal ? "term-kept.html" : "exit-kept.html", "x");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            removeAtExit(QString::fromStdString(doomed));
            removeAtExit(QString::fromStdString(kept));
            letGoAtExit(QString::fromStdString(kept));
            if (bySignal)
                ::raise(SIGTERM);
            std::exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(bySignal ? WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM : WIFEXITED(status), true);
        EXPECT_FALSE(std::ifstream(doomed).good()) << doomed;
        EXPECT_TRUE(std::ifstream(kept).good()) << kept;
    }
}

} // namespace
} // namespace corvane
