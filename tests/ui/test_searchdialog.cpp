#include "platform/registrystore.h"
#include "platform/shell.h"
#include "support/qtwait.h"
#include "support/testfiles.h"
#include "support/windowdoubles.h"
#include "ui/dialogs.h"
#include "ui/scriptcombobox.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SearchDialog, ctrlFSearchesAndEnterChoosesLikeTheUser)
{
    test::WindowBench bench;
    bench.dir.writeLibrary({
        {"Игри", "Шах.html", "<title>Шах</title>"},
        {"Игри", "Липсващ.html", nullptr},
        {"Часовници", "Цифров часовник.html", "<b>00:00</b>"},
        {"Часовници", "Стрелки.html", "<html>\r\n<body>\r\n  <!-- Аналогов Часовник -->\r\n</body>"},
        {"Часовници", "BackGround Slide.html", "<html></html>"},
    });
    const auto made = bench.make();
    TForm1& form = *made;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
    auto* dialog = form.findChild<QDialog*>(QStringLiteral("SearchDialog"));
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Търсене в библиотеката"));
    auto* query = dialog->findChild<QLineEdit*>(QStringLiteral("query"));
    auto* results = dialog->findChild<QTreeWidget*>(QStringLiteral("results"));
    auto* unreadable = dialog->findChild<QLabel*>(QStringLiteral("unreadable"));
    ASSERT_TRUE(query && results && unreadable);

    // The name match comes first; Down in the field moves to the text match below it.
    test::typeText(query, QStringLiteral("ЧАСОВНИК"));
    ASSERT_TRUE(
        test::waitUntil([&] { return results->topLevelItemCount() == 2 && unreadable->isVisible(); }));
    EXPECT_EQ(results->topLevelItem(0)->text(1), QStringLiteral("Цифров часовник.html"));
    EXPECT_TRUE(unreadable->text().startsWith(QStringLiteral("1 ")));
    QTest::keyClick(query, Qt::Key_Down);
    QTest::keyClick(query, Qt::Key_Return);

    auto* cats = form.findChild<ScriptComboBox*>(QStringLiteral("cats"));
    auto* lb = form.findChild<ScriptComboBox*>(QStringLiteral("lb"));
    auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo4"));
    EXPECT_EQ(cats->text(), QStringLiteral("Часовници"));
    EXPECT_EQ(cats->count(), 2);
    EXPECT_EQ(lb->count(), 3);
    EXPECT_EQ(lb->text(), QStringLiteral("Стрелки.html"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<html>\n<body>\n  <!-- Аналогов Часовник -->\n</body>"));
    EXPECT_EQ(memo->textCursor().selectedText(), QStringLiteral("Часовник"));
    EXPECT_EQ(memo->textCursor().blockNumber(), 2);
    EXPECT_TRUE(dialog->isVisible());

    // A double click on the slide asks before anything runs outside; the code box loads anyway.
    query->selectAll();
    test::typeText(query, QStringLiteral("slide"));
    ASSERT_TRUE(test::waitUntil([&] { return results->topLevelItemCount() == 1; }));
    ASSERT_TRUE(test::waitUntil([&] { return results->visualItemRect(results->topLevelItem(0)).isValid(); }));
    const QRect row = results->visualItemRect(results->topLevelItem(0));
    // A real double click: a click, then the second press that the system reports as double.
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(lb->text(), QStringLiteral("BackGround Slide.html"));
    EXPECT_EQ(bench.dialogs.confirmations.size(), 1);
    EXPECT_TRUE(bench.shell.calls.empty());
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<html></html>"));
    EXPECT_TRUE(bench.dialogs.errors.isEmpty());

    QTest::keyClick(query, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

} // namespace
} // namespace corvane
