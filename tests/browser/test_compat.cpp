#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/testfiles.h"
#include "support/webviewwait.h"

#include "browser/compatlayer.h"
#include "browser/consolemessages.h"
#include "browser/popupwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <algorithm>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using syntax::CompatPart;
using syntax::PageIdentity;
using test::evaluate;
using test::loadPage;
using test::scriptErrors;
using test::TempDir;
using test::waitInPage;
using test::waitUntil;

// A channel message as the program's page scripts write it, for pages that stand in for a part.
QString channelCall(const char* kind, const char* json)
{
    return QStringLiteral(
               "(function (mark) { return prompt(mark + '%1' + mark + location.href + mark + %2); })"
               "('\\u0001corvane\\u0001')")
        .arg(QLatin1String(kind), QLatin1String(json));
}

QStringList compatLines(ConsoleModel& console)
{
    QStringList lines;
    for (int i = 0; i < console.rowCount(); ++i)
        if (console.message(i).kind == ConsoleMessage::Kind::Compat)
            lines.append(ConsoleModel::displayText(console.message(i)));
    return lines;
}

QString allLines(ConsoleModel& console)
{
    QStringList lines;
    for (int i = 0; i < console.rowCount(); ++i)
        lines.append(ConsoleModel::displayText(console.message(i)));
    return lines.join(u'\n');
}

class CompatTest : public ::testing::Test {
protected:
    CompatTest()
    {
        view.resize(400, 300);
        view.show();
    }
    QString page(const std::string& name, const std::string& html) const
    {
        return QString::fromStdString(dir.write(name, html));
    }
    TempDir dir;
    WebView view;
};

TEST_F(CompatTest, aSniffingPageGetsTheLayerBeforeItRunsAndAModernPageNothing)
{
    const QString old =
        page("old.html", "<html><body><script>var ie4 = document.all ? 1 : 0;</script></body></html>");
    ASSERT_TRUE(loadPage(view, old));
    EXPECT_TRUE(view.page()->compat().given().has(CompatPart::Ie));
    EXPECT_EQ(view.page()->compat().given().identity, PageIdentity::InternetExplorer);
    // The layer ran in the document and said what it did, one line for the page.
    EXPECT_TRUE(waitUntil([&] {
        return compatLines(view.console())
               == QStringList{QStringLiteral("Съвместимост: IE 6 — document.all ×1")};
    })) << compatLines(view.console()).join(u'\n').toStdString();

    const QString modern =
        page("modern.html", "<html><body><script>document.body.textContent = 'x';</script></body></html>");
    ASSERT_TRUE(loadPage(view, modern));
    EXPECT_TRUE(view.page()->compat().given().empty());
    EXPECT_TRUE(view.page()->scripts().find(QStringLiteral("corvane-compat")).isEmpty());
    EXPECT_TRUE(compatLines(view.console()).isEmpty());
}

// A page that names its character set is loaded as a file, one that names none as content: the
// page after the first gets its own parts, not those of the page before.
TEST_F(CompatTest, aPageShownAsContentAfterAFileGetsItsOwnParts)
{
    const QString declared =
        page("declared.html", "<html><head><meta charset=\"utf-8\"><title>д</title></head><body>"
                              "<script>var ie4 = document.all ? 1 : 0;</script></body></html>");
    ASSERT_TRUE(loadPage(view, declared));
    EXPECT_TRUE(evaluate(view, QStringLiteral("!!document.all")).toBool());
    const QString modern =
        page("modern.html", "<html><body><script>document.body.textContent = 'x';</script></body></html>");
    ASSERT_TRUE(loadPage(view, modern));
    EXPECT_TRUE(view.page()->compat().given().empty());
    EXPECT_FALSE(evaluate(view, QStringLiteral("!!document.all")).toBool());

    // And the other way round.
    const QString undeclared =
        page("undeclared.html", "<html><body><script>var ie4 = document.all ? 1 : 0;</script></body></html>");
    ASSERT_TRUE(loadPage(view, undeclared));
    EXPECT_TRUE(evaluate(view, QStringLiteral("!!document.all")).toBool());
    const QString modernDeclared =
        page("modern2.html",
             "<html><head><meta charset=\"utf-8\"></head><body><script>document.body.textContent = "
             "'x';</script></body></html>");
    ASSERT_TRUE(loadPage(view, modernDeclared));
    EXPECT_FALSE(evaluate(view, QStringLiteral("!!document.all")).toBool());
    const QString undeclared2 = page(
        "undeclared2.html", "<html><body><script>var ie4 = document.all ? 1 : 0;</script></body></html>");
    ASSERT_TRUE(loadPage(view, undeclared2));
    EXPECT_TRUE(evaluate(view, QStringLiteral("!!document.all")).toBool());
}

TEST_F(CompatTest, asTodayShowsThePageWithoutTheLayerUntilSwitchedBack)
{
    const QString old = page(
        "old.html", "<html><body><script>if (document.all) document.title = 'ie';</script></body></html>");
    ASSERT_TRUE(loadPage(view, old));
    // The layer's first report is in before the page is shown again.
    ASSERT_TRUE(waitUntil([&] { return !compatLines(view.console()).isEmpty(); }));
    QSignalSpy reloaded(&view, &WebView::documentComplete);
    view.setAsToday(true);
    ASSERT_TRUE(waitUntil([&] { return !reloaded.isEmpty(); }));
    EXPECT_TRUE(view.page()->compat().given().empty());
    EXPECT_TRUE(view.page()->compat().needed().has(CompatPart::Ie));
    // Only the line that says the layer is off, and what the page would get.
    EXPECT_EQ(
        compatLines(view.console()),
        QStringList{QStringLiteral(
            "Съвместимост: изключена, страницата е както в днешните браузъри (би получила: ie, ieevents, iestyle)")})
        << allLines(view.console()).toStdString();

    reloaded.clear();
    view.setAsToday(false);
    ASSERT_TRUE(waitUntil([&] { return !reloaded.isEmpty(); }));
    EXPECT_TRUE(view.page()->compat().given().has(CompatPart::Ie));
    EXPECT_TRUE(waitUntil([&] { return !compatLines(view.console()).isEmpty(); }));
}

// The code box's text run with Ctrl+Enter is scanned as it stands, not as the file was.
TEST_F(CompatTest, editedTextShownAsContentGetsTheLayerItNeeds)
{
    const QByteArray html =
        "<html><body><script>document.title = document.all ? 'IE' : 'none';</script></body></html>";
    view.navigateContent(html, QUrl::fromLocalFile(QString::fromStdString(dir.dir())), QUrl());
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("IE"); }))
        << view.page()->title().toStdString();
    EXPECT_TRUE(view.page()->compat().given().has(CompatPart::Ie));
}

TEST_F(CompatTest, aFramePageAddsWhatItNeeds)
{
    dir.write("frame.html", "<html><body><script>el.attachEvent('onclick', f);</script></body></html>");
    const QString outer =
        page("outer.html", "<html><body><iframe src=\"frame.html\"></iframe></body></html>");
    ASSERT_TRUE(loadPage(view, outer));
    EXPECT_TRUE(waitUntil([&] { return view.page()->compat().given().has(CompatPart::IeEvents); }));
}

TEST_F(CompatTest, theClipboardAnswersOnlyJustAfterTheUsersClick)
{
    QApplication::clipboard()->setText(QStringLiteral("before"));
    const QString clipboard = page(
        "clipboard.html",
        "<html><body style=\"margin:0\"><div id=\"b\" style=\"width:400px;height:300px\"></div><script>\n"
        "function put(text) { return "
            + channelCall("clipboard-set", "JSON.stringify({text: text})").toStdString()
            + "; }\n"
              "document.title = 'unasked:' + put('by itself');\n"
              "document.getElementById('b').onclick = function () { document.title = 'clicked:' + put('by the user'); };\n"
              "</script></body></html>");
    ASSERT_TRUE(loadPage(view, clipboard));
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("unasked:0"); }))
        << view.page()->title().toStdString();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));

    QWidget* surface = test::inputSurface(view);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("clicked:1"); }))
        << view.page()->title().toStdString();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("by the user"));
}

TEST_F(CompatTest, aModalDialogHoldsItsOpenerAndGivesBackItsReturnValue)
{
    page("dialog.html",
         "<html><body><script>\n"
         "setTimeout(function () { "
             + channelCall("dialog-return", "JSON.stringify({value: '\"chosen\"'})").toStdString()
             + "; window.close(); }, 200);\n"
               "</script></body></html>");
    // The opener does what the channel does for a call the program answers later: it waits in a
    // request the program holds, then asks for the answer.
    const QString opener = page(
        "opener.html",
        "<html><body><script>\n"
        "var wait = "
            + channelCall(
                  "modal",
                  "JSON.stringify({url: new URL('dialog.html', location.href).href, args: '[1,2]', features: 'dialogWidth:320px;dialogHeight:240px'})")
                  .toStdString()
            + ";\n"
              "var id = wait.split('\\u0001')[2];\n"
              "var request = new XMLHttpRequest(); request.open('GET', 'corvane-wait:' + id, false);\n"
              "try { request.send(); } catch (e) {}\n"
              "document.title = 'returned:' + "
            + channelCall("waited", "JSON.stringify({id: id})").toStdString()
            + ";\n"
              "</script></body></html>");
    bool sawModal = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* modal = qobject_cast<PopupWindow*>(QApplication::activeModalWidget())) {
            sawModal = true;
            EXPECT_EQ(modal->size(), QSize(320, 240));
        }
    });
    poll.start(20);
    view.navigate(opener);
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("returned:\"chosen\""); }))
        << view.page()->title().toStdString() << allLines(view.console()).toStdString();
    EXPECT_TRUE(sawModal);
    EXPECT_TRUE(view.findChildren<PopupWindow*>().isEmpty());
}

// A part that fails, here because something before it made document.all its own for good, is
// reported as the layer's error; the page runs on as today's browsers would run it.
TEST_F(CompatTest, anErrorInsideTheLayerIsTheLayersAndThePageRunsOn)
{
    QWebEngineScript hostile;
    hostile.setName(QStringLiteral("hostile"));
    hostile.setSourceCode(QStringLiteral("Object.defineProperty(Document.prototype, 'all', "
                                         "{configurable: false, get: function () { return undefined; }});"));
    hostile.setInjectionPoint(QWebEngineScript::DocumentCreation);
    hostile.setWorldId(QWebEngineScript::MainWorld);
    view.page()->scripts().insert(hostile);
    const QString sniff =
        page("sniff.html", "<html><body><script>document.title = 'ran:' + (document.all ? 'ie' : 'none');"
                           "</script></body></html>");
    ASSERT_TRUE(loadPage(view, sniff));
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QStringLiteral("ran:none"); }))
        << view.page()->title().toStdString();
    bool reported = false;
    for (int i = 0; i < view.console().rowCount(); ++i) {
        const ConsoleMessage& m = view.console().message(i);
        reported |= m.kind == ConsoleMessage::Kind::Compat && m.level == ConsoleMessage::Level::Error
                    && m.text.startsWith(QStringLiteral("Съвместимост: грешка в ie: "));
    }
    EXPECT_TRUE(reported) << allLines(view.console()).toStdString();
    const QStringList pageErrors = scriptErrors(view);
    EXPECT_TRUE(std::none_of(pageErrors.begin(), pageErrors.end(), [](const QString& e) {
        return e.startsWith(QStringLiteral("Uncaught"));
    })) << pageErrors.join(u'\n').toStdString();
}

} // namespace
} // namespace corvane
