#include "browser/webview.h"
#include "library/textlist.h"
#include "platform/registrystore.h"
#include "platform/shell.h"
#include "support/child.h"
#include "support/qtwait.h"
#include "support/testfiles.h"
#include "support/windowdoubles.h"
#include "ui/codehighlighter.h"
#include "ui/dialogs.h"
#include "ui/scriptcombobox.h"
#include "ui/taboutbox.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

#include <filesystem>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Two categories; the slide's name in other letter case is an ordinary script.
const std::vector<test::LibraryRow> kLibrary = {
    {"Фонове", "BackGround Slide.html", "<html>слайд\r\n</html>"},
    {"Фонове", "backGround slide.html", "<html>друг</html>"},
    {"Игри", "Шах.html", "<title>Шах</title>"},
};

class MainWindow : public ::testing::Test, protected test::WindowBench {};

TEST_F(MainWindow, withoutCategoryListTheTotalsAreZero)
{
    auto form = make();
    EXPECT_EQ(test::child<QLabel>(*form, "Label4")->text(),
              QStringLiteral("Общо скриптове : 0 в 0 категории."));
    EXPECT_EQ(dialogs.messages.size(), 1); // the first-start greeting
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Corvane Scripts v.1.0.2"));
}

// The banner's page waits for the preview's first one, and comes whether the preview has one
// (a later start, the welcome page) or not (the first start's greeting).
TEST_F(MainWindow, theBannerLoadsAfterThePreviewsFirstPage)
{
    for (int start = 1; start <= 2; ++start) {
        auto form = make();
        auto* wb1 = test::child<WebView>(*form, "wb1");
        const bool welcome = wb1->loading();
        EXPECT_EQ(welcome, start == 2);
        bool previewDone = false;
        QObject::connect(test::child<WebView>(*form, "banner"), &WebView::downloadBegin,
                         [&] { previewDone = !wb1->loading(); });
        EXPECT_TRUE(test::waitUntil([&] { return previewDone; })) << "start " << start;
        if (welcome) {
            EXPECT_EQ(wb1->page()->url().fileName(), QStringLiteral("Warning.html"));
        }
    }
}

TEST_F(MainWindow, missingScriptListShowsOneErrorAndLeavesTheTotalEmpty)
{
    dir.writeLibrary({{"А", "x", nullptr}, {"Б", nullptr, nullptr}});
    auto form = make();
    EXPECT_EQ(test::child<ScriptComboBox>(*form, "cats")->count(), 2);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], QStringLiteral("Cannot open file \"") + QString::fromStdString(dir.dir())
                                     + QStringLiteral("Б/scripts.txt\". No such file or directory."));
    EXPECT_TRUE(test::child<QLabel>(*form, "Label4")->text().isEmpty());
}

TEST_F(MainWindow, typingCompletesTheCategoryAndLoadsItsListOnce)
{
    dir.writeLibrary(kLibrary);
    auto form = make();
    EXPECT_EQ(test::child<QLabel>(*form, "Label4")->text(),
              QStringLiteral("Общо скриптове : 3 в 2 категории."));
    auto* cats = test::child<ScriptComboBox>(*form, "cats");
    auto* lb = test::child<ScriptComboBox>(*form, "lb");
    int runs = 0;
    QObject::connect(cats, &ScriptComboBox::change, [&] { ++runs; });
    test::typeText(cats, QStringLiteral("и"));
    EXPECT_EQ(cats->text(), QStringLiteral("Игри"));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(lb->count(), 1);
    EXPECT_TRUE(lb->text().isEmpty());
    test::typeText(cats, QStringLiteral("г")); // still the same item: no new run
    EXPECT_EQ(runs, 1);

    // A prefix that matches nothing runs the handler at each character, each with its error.
    cats->setText(QString());
    test::typeText(cats, QStringLiteral("zq"));
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(dialogs.errors.size(), 2);
    EXPECT_EQ(lb->count(), 1); // the previous category's items stay
    QTest::keyClick(cats, Qt::Key_Backspace);
    EXPECT_EQ(runs, 4);
}

TEST_F(MainWindow, backgroundSlideAsksAndTheCodeBoxIsLoadedEitherWay)
{
    dir.writeLibrary(kLibrary);
    auto form = make();
    auto* cats = test::child<ScriptComboBox>(*form, "cats");
    auto* lb = test::child<ScriptComboBox>(*form, "lb");
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    test::typeText(cats, QStringLiteral("Ф"));
    test::typeText(lb, QStringLiteral("B"));
    ASSERT_EQ(lb->text(), QStringLiteral("BackGround Slide.html"));
    EXPECT_EQ(dialogs.confirmations,
              QStringList{QStringLiteral(
                  "Този скрипт трябва да бъде изпълнен във външен браузър.\rЖелаете ли да го изпълните ?")});
    EXPECT_TRUE(shell.calls.isEmpty());
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<html>слайд\n</html>"));

    // Other letter case is previewed like any script: no question. The arrow keys select.
    dialogs.answer = true;
    QTest::keyClick(lb, Qt::Key_Down);
    EXPECT_EQ(lb->text(), QStringLiteral("backGround slide.html"));
    EXPECT_EQ(dialogs.confirmations.size(), 1);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<html>друг</html>"));

    QTest::keyClick(lb, Qt::Key_Up);
    EXPECT_EQ(dialogs.confirmations.size(), 2);
    const QString path = QString::fromStdString(dir.dir()) + QStringLiteral("Фонове/BackGround Slide.html");
    EXPECT_EQ(shell.calls, QStringList{QStringLiteral("open|") + path + QStringLiteral("|app|3")});
    EXPECT_EQ(test::child<QLabel>(*form, "Label5")->text(), path);
}

TEST_F(MainWindow, aScriptBeyondTheCodeBoxCapacityShowsTheErrorAndLeavesTheBoxEmpty)
{
    const std::string library =
        dir.writeLibrary({{"Игри", "Шах.html", "<title>Шах</title>"}, {"Игри", "Голям.html", ""}});
    // Sparse: one byte over the capacity without writing 16 MiB.
    std::filesystem::resize_file(std::filesystem::u8path(library + "Игри/Голям.html"), kCodeBoxCapacity + 1);
    auto form = make();
    auto* lb = test::child<ScriptComboBox>(*form, "lb");
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    auto* wb1 = test::child<WebView>(*form, "wb1");
    test::typeText(test::child<ScriptComboBox>(*form, "cats"), QStringLiteral("И"));
    test::typeText(lb, QStringLiteral("Ш"));
    ASSERT_FALSE(memo->toPlainText().isEmpty());
    const int errorsBefore = dialogs.errors.size();

    lb->setText(QString());
    test::typeText(lb, QStringLiteral("Г"));
    ASSERT_EQ(lb->text(), QStringLiteral("Голям.html"));
    ASSERT_EQ(dialogs.errors.size(), errorsBefore + 1);
    EXPECT_EQ(dialogs.errors.last(), QStringLiteral("Text exceeds memo capacity."));
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    // The preview was already on its way to the script.
    const QString path = QString::fromStdString(dir.dir()) + QStringLiteral("Игри/Голям.html");
    EXPECT_EQ(test::child<QLabel>(*form, "Label5")->text(), path);
    EXPECT_TRUE(test::waitUntil([&] { return wb1->page()->url() == QUrl::fromLocalFile(path); }));
}

TEST_F(MainWindow, commandsCopyTheSelectionAndCallTheShell)
{
    dir.writeLibrary(kLibrary);
    auto form = make();
    form->show();
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    ASSERT_FALSE(memo->toPlainText().isEmpty());
    QApplication::clipboard()->setText(QStringLiteral("before"));
    test::triggerAction(*form, "N6"); // nothing selected: the clipboard keeps its text
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    test::triggerAction(*form, "N2");
    test::triggerAction(*form, "N6");
    EXPECT_EQ(QApplication::clipboard()->text(), memo->toPlainText());

    test::triggerAction(*form, "N7"); // both boxes empty: the path names the program directory
    QTest::mouseClick(test::child<QLabel>(*form, "Image1"), Qt::LeftButton);
    test::triggerAction(*form, "Licenseuseragreement1");
    const QString d = QString::fromStdString(dir.dir());
    EXPECT_EQ(shell.calls, (QStringList{QStringLiteral("open|") + d + QStringLiteral("/|app|3"),
                                        QStringLiteral("open|http://www.corvane.example/|main|0"),
                                        QStringLiteral("open|") + d
                                            + QStringLiteral("License Agreement - BG.txt|app|3")}));
}

TEST_F(MainWindow, layoutKeepsTheRightColumnAt480)
{
    auto form = make();
    for (const QSize size : {QSize(589, 464), QSize(1600, 900)}) {
        form->resize(size);
        form->show();
        QCoreApplication::processEvents();
        auto* panel4 = test::child<QWidget>(*form, "Panel4");
        auto* esp = test::child<QWidget>(*form, "esp");
        EXPECT_EQ(panel4->width(), 480);
        EXPECT_EQ(test::child<QWidget>(*form, "espPanel0")->width(), 100);
        const auto* panel1 = test::child<QWidget>(*form, "espPanel1");
        EXPECT_EQ(panel1->geometry().right(), esp->contentsRect().right());
        EXPECT_EQ(test::child<QWidget>(*form, "Memo4")->geometry(), QRect(7, 246, 298, 259));
        EXPECT_FALSE(test::child<QWidget>(*form, "Panel1")->isVisible());
    }
}

// Every file under a folder with its size, to see that nothing was written there.
QStringList filesUnder(const std::string& dir)
{
    QStringList files;
    QDirIterator it(QString::fromStdString(dir), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files << it.filePath() + QLatin1Char(' ') + QString::number(it.fileInfo().size());
    }
    files.sort();
    return files;
}

bool hasColour(const QTextBlock& block)
{
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (range.format.hasProperty(QTextFormat::ForegroundBrush))
            return true;
    return false;
}

TEST_F(MainWindow, chosenScriptIsColouredAndCopiesAsThePlainText)
{
    dir.writeLibrary(kLibrary);
    dir.writeCp1251("Игри/Шах.html",
                    "<html>\r\n<!-- ход -->\r\n<script>var x = 'а';</script>\r\n</html>\r\n");
    auto form = make();
    form->show();
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    test::typeText(test::child<ScriptComboBox>(*form, "cats"), QStringLiteral("И"));
    test::typeText(test::child<ScriptComboBox>(*form, "lb"), QStringLiteral("Ш"));
    const QString text = QStringLiteral("<html>\n<!-- ход -->\n<script>var x = 'а';</script>\n</html>\n");
    ASSERT_EQ(memo->toPlainText(), text);
    for (QTextBlock block = memo->document()->begin(); block.isValid() && !block.text().isEmpty();
         block = block.next())
        EXPECT_TRUE(hasColour(block)) << block.text().toStdString();

    // The picture buttons beside the menu: select all, then copy.
    QTest::mouseClick(test::child<QToolButton>(*form, "SpeedButton1"), Qt::LeftButton);
    QTest::mouseClick(test::child<QToolButton>(*form, "SpeedButton2"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), text);
}

// A text far larger than the first part: the top is coloured at once, the states reach the end
// on the event loop, and lines brought into view get their colours.
TEST_F(MainWindow, largeTextIsColouredAsItComesIntoView)
{
    auto form = make();
    form->show();
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    auto* highlighter = memo->document()->findChild<CodeHighlighter*>();
    ASSERT_TRUE(highlighter);
    QString text;
    while (text.size() < 3 * CodeHighlighter::kSlice)
        text += QStringLiteral("<p class=\"x\">ред</p>\n<!-- a\nb -->\n");
    text += QStringLiteral("<b>last</b>");
    memo->setPlainText(text);
    EXPECT_FALSE(highlighter->isComplete());
    EXPECT_TRUE(hasColour(memo->document()->firstBlock()));
    EXPECT_FALSE(hasColour(memo->document()->lastBlock()));
    ASSERT_TRUE(test::waitUntil([&] { return highlighter->isComplete(); }));

    memo->moveCursor(QTextCursor::End);
    ASSERT_TRUE(test::waitUntil([&] { return hasColour(memo->document()->lastBlock()); }));
    // The comment's state was carried through every slice.
    EXPECT_TRUE(hasColour(memo->document()->lastBlock().previous()));
    EXPECT_EQ(memo->toPlainText(), text);
}

bool isComment(const QTextBlock& block)
{
    const auto* highlighter = block.document()->findChild<CodeHighlighter*>();
    const auto formats = block.layout()->formats();
    return highlighter && !formats.isEmpty()
           && formats.front().format.foreground()
                  == highlighter->format(syntax::TokenKind::Comment).foreground();
}

// Typing that opens or closes a comment recolours the lines below it, not just the typed one.
TEST_F(MainWindow, typingACommentOpenerRecoloursTheLinesBelow)
{
    auto form = make();
    form->show();
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    memo->setPlainText(QStringLiteral("<b>\n<i>x</i>\n<u>-->"));
    const QTextBlock last = memo->document()->lastBlock();
    EXPECT_FALSE(isComment(last));
    memo->setFocus();
    memo->moveCursor(QTextCursor::Start);
    test::typeText(memo, QStringLiteral("<!--"));
    EXPECT_TRUE(test::waitUntil([&] { return isComment(last) && isComment(last.previous()); }));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(memo, Qt::Key_Backspace);
    EXPECT_TRUE(test::waitUntil([&] { return !isComment(last) && !isComment(last.previous()); }));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<b>\n<i>x</i>\n<u>-->"));
}

struct RunEditCase {
    const char* name;
    QString category; // typed into the category box; empty leaves both boxes empty
    QString script;
    std::string assetFolder;
};

class RunEdit : public MainWindow, public ::testing::WithParamInterface<RunEditCase> {};

// Typed into the code box, Ctrl+Enter runs the text against the script's folder: the page's
// Cyrillic title and its relative script both arrive. Nothing is written into the library, and
// "Опресни" shows the page on disk again.
TEST_P(RunEdit, ctrlEnterRunsTheTypedTextAndRefreshShowsTheDiskAgain)
{
    const RunEditCase& row = GetParam();
    dir.writeLibrary(kLibrary);
    dir.write(row.assetFolder + "mark.js", "document.title += ' +js';");
    dir.writeCp1251("Игри/Шах.html", "<html><head><title>Disk</title></head></html>");
    auto form = make();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    auto* wb1 = test::child<WebView>(*form, "wb1");
    auto* caption = test::child<QLabel>(*form, "Panel6");
    if (!row.category.isEmpty()) {
        test::typeText(test::child<ScriptComboBox>(*form, "cats"), row.category);
        test::typeText(test::child<ScriptComboBox>(*form, "lb"), row.script);
        ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title() == QStringLiteral("Disk"); }));
    }
    const QStringList libraryBefore = filesUnder(dir.dir());

    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    test::typeText(memo, QStringLiteral("<title>Ход</title><script src=\"mark.js\"></script>"));
    QTest::keyClick(memo, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title() == QStringLiteral("Ход +js"); }))
        << wb1->page()->title().toStdString() << " / " << caption->text().toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return caption->text() == QStringLiteral("Готово."); }));
    // The key ran the text and typed nothing into it.
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<title>Ход</title><script src=\"mark.js\"></script>"));
    EXPECT_EQ(filesUnder(dir.dir()), libraryBefore);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(u'\n').toStdString();

    // The keypad's Enter runs it too, here after a further edit.
    QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
    test::typeText(memo, QStringLiteral("<script>document.title += '2';</script>"));
    QTest::keyClick(memo, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title() == QStringLiteral("Ход +js2"); }))
        << wb1->page()->title().toStdString();

    if (!row.category.isEmpty()) {
        QTest::mouseClick(test::child<QToolButton>(*form, "SpeedButton4"), Qt::LeftButton);
        ASSERT_TRUE(test::waitUntil([&] { return wb1->page()->title() == QStringLiteral("Disk"); }))
            << wb1->page()->title().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, RunEdit,
                         ::testing::Values(RunEditCase{"scriptChosen", QStringLiteral("И"),
                                                       QStringLiteral("Ш"), "Игри/"},
                                           RunEditCase{"bothBoxesEmpty", QString(), QString(), ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// The card shows when the pointer moves over the portrait and hides when it leaves "More".
TEST(AboutBox, captionCardAndLanguage)
{
    TAboutBox box{QString()};
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("За програмата ()."));
    auto* card = box.findChild<QWidget*>(QStringLiteral("Panel2"));
    auto* portrait = box.findChild<QWidget*>(QStringLiteral("Image1"));
    auto* more = box.findChild<QWidget*>(QStringLiteral("Label1"));
    ASSERT_TRUE(card && portrait && more);
    EXPECT_TRUE(card->isHidden());
    QTest::mouseMove(portrait);
    EXPECT_TRUE(test::waitUntil([&] { return !card->isHidden(); }));
    QTest::mouseMove(more);
    EXPECT_FALSE(card->isHidden());
    QTest::mouseMove(&box, QPoint(5, 5));
    EXPECT_TRUE(test::waitUntil([&] { return card->isHidden(); }));

    TAboutBox english(QStringLiteral("en"));
    EXPECT_EQ(english.windowTitle(), QStringLiteral("About the program"));
    EXPECT_EQ(english.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("<< More"));
    EXPECT_EQ(english.findChild<QLabel*>(QStringLiteral("Label8"))->text(), QStringLiteral("Автор"));
    TAboutBox bulgarian(QStringLiteral("bg"));
    EXPECT_EQ(bulgarian.windowTitle(), QStringLiteral("За програмата (bg)."));
}

TEST(AboutBox, escLeavesItOpenEnterClosesAndThePositionAndCardCarryOver)
{
    TAboutBox box{QString()};
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.move(120, 90);
    QTest::mouseMove(box.findChild<QWidget*>(QStringLiteral("Image1")));
    auto* card = box.findChild<QWidget*>(QStringLiteral("Panel2"));
    ASSERT_TRUE(test::waitUntil([&] { return !card->isHidden(); }));
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    box.show();
    EXPECT_EQ(box.pos(), QPoint(120, 90));
    EXPECT_FALSE(card->isHidden());
}

} // namespace
} // namespace corvane
