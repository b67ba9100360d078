// The preview as a browser: runaway scripts, new windows, downloads, the page's boxes, the console.
#include "app/desktoppagedialogs.h"
#include "app/messages.h"
#include "browser/popupwindow.h"
#include "browser/popupwindows.h"
#include "browser/runawayguard.h"
#include "browser/webview.h"
#include "support/child.h"
#include "support/qtwait.h"
#include "support/webviewwait.h"
#include "support/windowdoubles.h"
#include "ui/scriptcombobox.h"
#include "ui/tform1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QWebEnginePage>

#include <filesystem>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// A process that still exists and is no zombie.
bool processAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return pid > 0 && stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

class Preview : public ::testing::Test, protected test::WindowBench {
protected:
    // One category "Игри" holding `scripts` (name, text).
    void open(const std::vector<std::pair<std::string, std::string>>& scripts)
    {
        std::vector<test::LibraryRow> rows;
        for (const auto& [name, text] : scripts)
            rows.push_back({"Игри", name.c_str(), text.c_str()});
        dir.writeLibrary(rows);
        form = make();
        form->resize(1000, 700);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        wb1 = test::child<WebView>(*form, "wb1");
        test::typeText(test::child<ScriptComboBox>(*form, "cats"), QStringLiteral("И"));
    }
    // Chooses a script by typing its name into the script box, as the user would.
    void choose(const QString& script)
    {
        auto* lb = test::child<ScriptComboBox>(*form, "lb");
        lb->setText(QString());
        test::typeText(lb, script);
    }
    bool titled(const QString& title)
    {
        return test::waitUntil([&] { return wb1->page()->title() == title; });
    }
    // open(), then the script typed as `script` chosen and its page shown titled `title`.
    bool openShowing(const std::vector<std::pair<std::string, std::string>>& scripts, const QString& script,
                     const QString& title)
    {
        open(scripts);
        if (HasFatalFailure())
            return false;
        choose(script);
        return titled(title);
    }

    std::unique_ptr<TForm1> form;
    WebView* wb1 = nullptr;
};

// The library was made on Windows: a list naming CLOCK.html and a category folder written in
// other letters than its name still show the page, its picture and its text.
TEST_F(Preview, namesInAnotherLetterCaseFindTheirFiles)
{
    const char* clock = "<html><head><title>Часовник</title></head><body><img src=\"PIC.GIF\" "
                        "onload=\"document.title = 'Часовник ' + this.naturalWidth\"></body></html>";
    std::vector<test::LibraryRow> rows{{"Игри", "CLOCK.html", clock}};
    dir.writeLibrary(rows);
    namespace fs = std::filesystem;
    fs::rename(dir.path() / fs::u8path("Игри") / "CLOCK.html",
               dir.path() / fs::u8path("Игри") / "clock.html");
    fs::rename(dir.path() / fs::u8path("Игри"), dir.path() / fs::u8path("игри"));
    dir.write("игри/pic.gif",
              std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04"
                          "\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
                          43));
    form = make();
    form->show();
    wb1 = test::child<WebView>(*form, "wb1");
    test::typeText(test::child<ScriptComboBox>(*form, "cats"), QStringLiteral("И"));
    choose(QStringLiteral("C"));
    EXPECT_TRUE(titled(QStringLiteral("Часовник 1"))) << wb1->page()->title().toStdString();
    EXPECT_TRUE(
        test::child<QPlainTextEdit>(*form, "Memo4")->toPlainText().contains(QStringLiteral("PIC.GIF")));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(u'\n').toStdString();
}

// A script that loops for ever is stopped with a page of our own; the next script comes at once
// even while the loop runs, and no renderer of the program stays busy.
TEST_F(Preview, runawayScriptIsStoppedAndNeverHoldsUpTheNextScript)
{
    const char* loop = "<html><head><title>Loop</title></head><body><script>"
                       "setTimeout(function () { while (true) {} }, 300);</script></body></html>";
    ASSERT_TRUE(
        openShowing({{"loop.html", loop}, {"next.html", "<html><head><title>Next</title></head></html>"}},
                    QStringLiteral("l"), QStringLiteral("Loop")));
    test::waitUntil([] { return false; }, 1500); // the loop runs now
    const qint64 hung = wb1->page()->renderProcessPid();
    ASSERT_TRUE(processAlive(hung));

    QElapsedTimer timer;
    timer.start();
    choose(QStringLiteral("n"));
    ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title() == QStringLiteral("Next"); },
                                RunawayGuard::kRunawayLimitMs))
        << wb1->page()->title().toStdString();
    EXPECT_LT(timer.elapsed(), RunawayGuard::kRunawayLimitMs);
    EXPECT_TRUE(test::waitUntil([&] { return !processAlive(hung); }, 2000));
    EXPECT_TRUE(test::waitUntil(
        [&] { return test::child<QLabel>(*form, "Panel6")->text() == QStringLiteral("Готово."); }));

    // Left alone, the loop is stopped and says so; the console names it; "Опресни" runs it again.
    choose(QStringLiteral("l"));
    ASSERT_TRUE(titled(QStringLiteral("Loop")));
    ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title() == QStringLiteral("Скриптът беше спрян"); },
                                RunawayGuard::kRunawayLimitMs + 4000))
        << wb1->page()->title().toStdString();
    EXPECT_TRUE(test::waitUntil(
        [&] { return test::child<QLabel>(*form, "Panel6")->text() == QStringLiteral("Готово."); }));
    const ConsoleModel& console = wb1->console();
    ASSERT_GE(console.rowCount(), 1);
    EXPECT_EQ(console.message(console.rowCount() - 1).kind, ConsoleMessage::Kind::RunawayStop);
    QTest::mouseClick(test::child<QToolButton>(*form, "SpeedButton4"), Qt::LeftButton);
    EXPECT_TRUE(titled(QStringLiteral("Loop")));
    EXPECT_EQ(console.rowCount(), 0);
}

// A page that takes ever more memory is stopped with a page of our own that says so, and the
// console names it; the next script shows as usual.
TEST_F(Preview, greedyPageIsStoppedForItsMemory)
{
    // It answers between its allocations: the memory stops it, not the runaway guard.
    const char* greedy = "<html><head><title>Greedy</title></head><body><script>var kept = [];"
                         "function grow() { var b = new Uint8Array(64 << 20); b.fill(1); kept.push(b);"
                         " setTimeout(grow, 0); } setTimeout(grow, 300);</script></body></html>";
    ASSERT_TRUE(
        openShowing({{"greedy.html", greedy}, {"next.html", "<html><head><title>Next</title></head></html>"}},
                    QStringLiteral("g"), QStringLiteral("Greedy")));
    ASSERT_TRUE(test::waitUntil([&] {
        return wb1->page()->title() == QStringLiteral("Страницата беше спряна");
    })) << wb1->page()->title().toStdString();
    const ConsoleModel& console = wb1->console();
    ASSERT_GE(console.rowCount(), 1);
    const ConsoleMessage& last = console.message(console.rowCount() - 1);
    EXPECT_EQ(last.kind, ConsoleMessage::Kind::MemoryStop);
    EXPECT_TRUE(last.source.endsWith(QStringLiteral("greedy.html"))) << last.source.toStdString();
    QString shown;
    wb1->page()->toPlainText([&](const QString& text) { shown = text; });
    ASSERT_TRUE(test::waitUntil([&] { return !shown.isEmpty(); }));
    EXPECT_TRUE(shown.contains(QStringLiteral("твърде много памет"))) << shown.toStdString();
    choose(QStringLiteral("n"));
    EXPECT_TRUE(titled(QStringLiteral("Next")));
}

// window.open and a _blank link each open a window of ours showing the page, sized by the
// features; their events stay out of the caption strip; window.close() closes one; a page that
// opens windows in a loop gets null beyond the limit.
TEST_F(Preview, newWindowsOpenAsWindowsOfTheirOwn)
{
    dir.writeCp1251(
        "Игри/popup.html",
        "<html><head><title>Прозорец</title></head><body><p>Този прозорец е отворен от страницата, "
        "която го поиска с размерите, дадени в нейния скрипт.</p></body></html>");
    dir.writeCp1251("Игри/blank.html", "<html><head><title>Blank</title></head><body>blank</body></html>");
    const char* opener =
        "<html><head><title>Opener</title></head><body><a id=\"a\" href=\"blank.html\" target=\"_blank\">x</a>"
        "<script>var w = window.open('popup.html', 'p', 'width=320,height=240');"
        "document.title = 'Opener ' + (w ? 'ok' : 'null');"
        "setTimeout(function () { document.getElementById('a').click(); }, 300);</script></body></html>";
    const char* flood =
        "<html><body><script>var refused = 0;"
        "for (var i = 0; i < 40; ++i) if (!window.open('popup.html', 'f' + i)) ++refused;"
        "document.title = refused > 0 ? 'some refused' : 'none refused';</script></body></html>";
    ASSERT_TRUE(openShowing({{"opener.html", opener}, {"flood.html", flood}}, QStringLiteral("o"),
                            QStringLiteral("Opener ok")));
    const auto popups = [&] { return wb1->findChildren<PopupWindow*>(Qt::FindDirectChildrenOnly); };
    ASSERT_TRUE(test::waitUntil([&] { return popups().size() == 2; }));
    PopupWindow* popup = nullptr;
    PopupWindow* blank = nullptr;
    ASSERT_TRUE(test::waitUntil([&] {
        for (PopupWindow* w : popups()) {
            if (w->windowTitle() == QStringLiteral("Прозорец"))
                popup = w;
            if (w->windowTitle() == QStringLiteral("Blank"))
                blank = w;
        }
        return popup && blank;
    })) <<
        [&] {
            std::string titles;
            for (PopupWindow* w : popups())
                titles += w->windowTitle().toStdString() + "|"
                          + w->view()->page()->url().toString().toStdString() + "\n";
            return titles;
        }();
    EXPECT_TRUE(popup->isVisible() && blank->isVisible());
    EXPECT_TRUE(test::waitUntil([&] { return popup->size() == QSize(320, 240); }))
        << popup->width() << "x" << popup->height();
    EXPECT_TRUE(test::waitUntil(
        [&] { return test::child<QLabel>(*form, "Panel6")->text() == QStringLiteral("Готово."); }));
    bool popupListed = false;
    for (int row = 0; row < wb1->console().rowCount(); ++row)
        popupListed |= wb1->console().message(row).kind == ConsoleMessage::Kind::Popup;
    EXPECT_TRUE(popupListed);

    QPointer<PopupWindow> closing(popup);
    popup->view()->page()->runJavaScript(QStringLiteral("window.close()"));
    EXPECT_TRUE(test::waitUntil([&] { return closing.isNull(); }));
    EXPECT_EQ(popups().size(), 1);

    choose(QStringLiteral("f"));
    ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title().endsWith(QStringLiteral(" refused")); }));
    EXPECT_EQ(wb1->page()->title(), QStringLiteral("some refused"));
    EXPECT_EQ(popups().size(), PopupWindows::kLimit);
}

// A download asks where to save with the save dialog and saves there; a cancelled dialog saves
// nothing.
TEST_F(Preview, downloadGoesThroughTheSaveDialog)
{
    const char* page =
        "<html><head><title>Files</title></head><body>"
        "<a id=\"d\" download=\"note.txt\" href=\"data:text/plain;charset=utf-8,hello%20there\">x</a>"
        "<a id=\"up\" download=\"../../.bashrc\" href=\"data:text/plain,rm%20-rf\">y</a>"
        "</body></html>";
    ASSERT_TRUE(openShowing({{"files.html", page}}, QStringLiteral("f"), QStringLiteral("Files")));
    test::TempDir target;
    pageDialogs.savePath = QString::fromStdString(target.dir()) + QStringLiteral("saved.txt");
    wb1->page()->runJavaScript(QStringLiteral("document.getElementById('d').click()"));
    ASSERT_TRUE(test::waitUntil([&] {
        QFile saved(pageDialogs.savePath);
        return saved.open(QIODevice::ReadOnly) && saved.readAll() == "hello there";
    }));
    ASSERT_EQ(pageDialogs.suggestions.size(), 1);
    EXPECT_TRUE(pageDialogs.suggestions[0].endsWith(QStringLiteral("/note.txt")))
        << pageDialogs.suggestions[0].toStdString();
    EXPECT_TRUE(pageDialogs.failures.isEmpty());

    pageDialogs.savePath.clear();
    wb1->page()->runJavaScript(QStringLiteral("document.getElementById('d').click()"));
    ASSERT_TRUE(test::waitUntil([&] { return pageDialogs.suggestions.size() == 2; }));
    // A name that climbs out of the download folder is proposed as a plain name inside it.
    wb1->page()->runJavaScript(QStringLiteral("document.getElementById('up').click()"));
    ASSERT_TRUE(test::waitUntil([&] { return pageDialogs.suggestions.size() == 3; }));
    const QFileInfo first(pageDialogs.suggestions[0]);
    const QFileInfo climbing(pageDialogs.suggestions[2]);
    EXPECT_EQ(climbing.absolutePath(), first.absolutePath());
    EXPECT_EQ(climbing.fileName().toStdString(), "bashrc");
    test::waitUntil([] { return false; }, 500);
    EXPECT_EQ(QDir(QString::fromStdString(target.dir())).entryList(QDir::Files),
              QStringList{QStringLiteral("saved.txt")});
}

// The page's alert is the program's box, with the application title; a quick run of boxes gets
// the offer to stop them, and taking it keeps the rest away.
TEST_F(Preview, pageBoxesAreTheProgramsAndARunOfThemCanBeStopped)
{
    const char* boxes =
        "<html><head><title>Boxes</title></head><body><script>"
        "function many() { for (var i = 1; i <= 5; ++i) alert('box ' + i); document.title = 'done'; }"
        "</script></body></html>";
    ASSERT_TRUE(openShowing({{"boxes.html", boxes}}, QStringLiteral("b"), QStringLiteral("Boxes")));
    pageDialogs.stopWhenOffered = true;
    wb1->page()->runJavaScript(QStringLiteral("many()"));
    ASSERT_TRUE(titled(QStringLiteral("done")));
    EXPECT_EQ(pageDialogs.boxes, (QStringList{QStringLiteral("alert:box 1"), QStringLiteral("alert:box 2"),
                                              QStringLiteral("alert:box 3")}));
    EXPECT_EQ(pageDialogs.offers, (QList<bool>{false, false, true}));

    // The real box, on the page loaded again: the application's title, the page's text.
    QTest::mouseClick(test::child<QToolButton>(*form, "SpeedButton4"), Qt::LeftButton);
    ASSERT_TRUE(titled(QStringLiteral("Boxes")));
    DesktopPageDialogs real;
    wb1->setPageDialogs(&real);
    QString caption, text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            for (QLabel* label : box->findChildren<QLabel*>())
                text += label->text();
            box->accept();
        }
    });
    poll.start(50);
    wb1->page()->runJavaScript(QStringLiteral("alert('Здравей от страницата'); document.title = 'alerted';"));
    ASSERT_TRUE(titled(QStringLiteral("alerted")));
    EXPECT_EQ(caption, QLatin1String(kApplicationTitle));
    EXPECT_TRUE(text.contains(QStringLiteral("Здравей от страницата"))) << text.toStdString();
    wb1->setPageDialogs(&pageDialogs);
}

// The console lists an uncaught error with its line, a console.log text and a missing picture,
// counts the errors in its title, and a double click selects the error's line in the code box.
// Choosing a script clears it; a navigation of the page's own adds a separator.
TEST_F(Preview, consoleListsThePagesMessagesAndLeadsToTheLine)
{
    const char* page = "<html><head><title>Faulty</title></head>\r\n"
                       "<body><img src=\"missing.png\">\r\n"
                       "<script>console.log('здравей, конзола');</script>\r\n"
                       "<script>\r\n"
                       "  undefinedFunction();\r\n"
                       "</script></body></html>";
    ASSERT_TRUE(openShowing({{"faulty.html", page}, {"plain.html", "<title>Plain</title>"}},
                            QStringLiteral("f"), QStringLiteral("Faulty")));
    QTest::keyClick(form.get(), Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
    auto* window = form->findChild<QDialog*>(QStringLiteral("ConsoleWindow"));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    auto* list = window->findChild<QAbstractItemView*>(QStringLiteral("messages"));
    ASSERT_TRUE(test::waitUntil([&] {
        return window->windowTitle() == QStringLiteral("Конзола – 2 грешки");
    })) << window->windowTitle().toStdString();
    QStringList rows;
    int errorRow = -1;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        rows << index.data().toString();
        if (index.data().toString().contains(QStringLiteral("undefinedFunction")))
            errorRow = row;
    }
    const QString all = rows.join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("здравей, конзола"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("missing.png"))) << all.toStdString();
    ASSERT_GE(errorRow, 0) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("faulty.html:5"))) << all.toStdString();

    const QModelIndex error = list->model()->index(errorRow, 0);
    const QPoint at = list->visualRect(error).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    EXPECT_EQ(memo->textCursor().selectedText(), QStringLiteral("  undefinedFunction();"));

    // The message is about the file the code box holds, whatever the boxes name meanwhile.
    auto* cats = test::child<ScriptComboBox>(*form, "cats");
    test::typeText(cats, QStringLiteral("x"));
    ASSERT_EQ(dialogs.errors.size(), 1); // no such category
    memo->moveCursor(QTextCursor::Start);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(memo->textCursor().selectedText(), QStringLiteral("  undefinedFunction();"));
    cats->setText(QString());
    test::typeText(cats, QStringLiteral("И"));

    wb1->page()->runJavaScript(QStringLiteral("location.href = 'plain.html'"));
    ASSERT_TRUE(titled(QStringLiteral("Plain")));
    EXPECT_EQ(wb1->console().message(wb1->console().rowCount() - 1).kind, ConsoleMessage::Kind::Separator);
    choose(QStringLiteral("p"));
    EXPECT_TRUE(test::waitUntil([&] { return window->windowTitle() == QStringLiteral("Конзола"); }));
    EXPECT_TRUE(test::waitUntil([&] { return list->model()->rowCount() == 0; }));
}

// An old page runs with the layer; Ctrl+Shift+D shows it as today's browsers do, the console says
// so and its button shows the state, and the button brings the layer back. Both reload the page.
TEST_F(Preview, theSwitchShowsThePageAsTodaysBrowsersUntilSwitchedBack)
{
    const char* page =
        "<html><head><title>start</title></head><body><script>\r\n"
        "if (document.all) document.title = 'IE'; else if (document.layers) document.title = 'NS';\r\n"
        "else document.title = 'neither';\r\n"
        "</script></body></html>";
    ASSERT_TRUE(openShowing({{"sniff.html", page}}, QStringLiteral("s"), QStringLiteral("IE")));
    QTest::keyClick(form.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(titled(QStringLiteral("neither")));
    QStringList lines;
    for (int row = 0; row < wb1->console().rowCount(); ++row)
        lines << ConsoleModel::displayText(wb1->console().message(row));
    EXPECT_TRUE(lines.join(u'\n').contains(QStringLiteral("Съвместимост: изключена")))
        << lines.join(u'\n').toStdString();

    QTest::keyClick(form.get(), Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
    auto* window = form->findChild<QDialog*>(QStringLiteral("ConsoleWindow"));
    ASSERT_NE(window, nullptr);
    auto* button = window->findChild<QToolButton*>(QStringLiteral("asToday"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isChecked());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(button->isChecked());
    EXPECT_TRUE(titled(QStringLiteral("IE")));
}

// A page that floods the console without end keeps the last messages and the count of the
// rest in the open console, and never holds up the next script, whose console starts empty.
TEST_F(Preview, consoleFloodNeverHoldsUpTheNextScript)
{
    const char* flood = "<html><head><title>Flood</title></head><body><script>var n = 0;"
                        "function chunk() { for (var i = 0; i < 5000; ++i) console.log('line ' + ++n);"
                        " setTimeout(chunk, 0); }"
                        "setTimeout(chunk, 100);</script></body></html>";
    ASSERT_TRUE(
        openShowing({{"flood.html", flood}, {"next.html", "<html><head><title>Next</title></head></html>"}},
                    QStringLiteral("f"), QStringLiteral("Flood")));
    QTest::keyClick(form.get(), Qt::Key_F12);
    auto* window = form->findChild<QDialog*>(QStringLiteral("ConsoleWindow"));
    ASSERT_NE(window, nullptr);
    auto* dropped = window->findChild<QLabel*>(QStringLiteral("dropped"));
    ASSERT_NE(dropped, nullptr);
    const ConsoleModel& console = wb1->console();
    ASSERT_TRUE(test::waitUntil([&] { return dropped->isVisible(); }));
    EXPECT_TRUE(dropped->text().contains(QString::number(console.droppedCount())))
        << dropped->text().toStdString();
    EXPECT_EQ(console.rowCount(), ConsoleModel::kConsoleLimit);
    EXPECT_TRUE(console.message(console.rowCount() - 1).text.startsWith(QStringLiteral("line ")));

    choose(QStringLiteral("n"));
    ASSERT_TRUE(titled(QStringLiteral("Next")));
    EXPECT_TRUE(test::waitUntil([&] { return !dropped->isVisible(); }));
    for (int row = 0; row < console.rowCount(); ++row)
        EXPECT_FALSE(console.message(row).text.startsWith(QStringLiteral("line "))) << row;
}

// The preview's page and its edited run read files of the library only, whichever way the text
// came (a small edit as content, a large one through a file of the program's); the home button
// still takes the preview to the maker's site.
TEST_F(Preview, readsOnlyTheLibraryAndTheHomeButtonStillLeaves)
{
    const test::OwnRuntimeFolder runtime;
    test::TempDir home;
    const std::string secret = home.write("id_rsa", "PRIVATE KEY");
    const std::string reader =
        "<html><head><title>start</title></head><body><script>"
        "var own = 'own.txt', secret = '"
        + QUrl::fromLocalFile(QString::fromStdString(secret)).toString().toStdString()
        + "';\nfunction get(a) { return fetch(a).then(r => r.text(), () => 'blocked'); }\n"
          "Promise.all([get(own), get(secret)]).then(t => document.title = t.join(' '));"
          "</script><!--PADDING--></body></html>";
    dir.write("Игри/own.txt", "own");
    ASSERT_TRUE(
        openShowing({{"reader.html", reader.c_str()}}, QStringLiteral("r"), QStringLiteral("own blocked")));
    const auto refusals = [&] {
        QStringList lines;
        for (int row = 0; row < wb1->console().rowCount(); ++row)
            if (wb1->console().message(row).kind == ConsoleMessage::Kind::Refused)
                lines << wb1->console().message(row).source;
        return lines;
    };
    EXPECT_TRUE(test::waitUntil([&] { return refusals().filter(QStringLiteral("id_rsa")).size() == 1; }))
        << refusals().join(u'\n').toStdString();

    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    for (const int padding : {0, 2200000}) {
        QString text = QString::fromStdString(reader);
        text.replace(QStringLiteral("start"), QStringLiteral("edited"));
        text.replace(QStringLiteral("PADDING"), QString(padding, QLatin1Char('x')));
        memo->setPlainText(text);
        memo->setFocus();
        QTest::keyClick(memo, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(runtime.files().isEmpty(), padding == 0);
        EXPECT_TRUE(titled(QStringLiteral("own blocked")))
            << padding << " " << wb1->page()->title().toStdString();
        EXPECT_TRUE(test::waitUntil([&] { return refusals().filter(QStringLiteral("id_rsa")).size() == 1; }))
            << padding;
    }

    QTest::mouseClick(test::child<QToolButton>(*form, "SpeedButton6"), Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] {
        return wb1->page()->url().host() == QStringLiteral("www.corvane.example");
    })) << wb1->page()->url().toString().toStdString();
    EXPECT_TRUE(test::waitUntil(
        [&] { return test::child<QLabel>(*form, "Panel6")->text() == QStringLiteral("Готово."); }));
    EXPECT_TRUE(refusals().isEmpty()) << refusals().join(u'\n').toStdString();
}

} // namespace
} // namespace corvane
