#include "browser/webview.h"
#include "platform/registrystore.h"
#include "platform/shell.h"
#include "support/child.h"
#include "support/qtwait.h"
#include "support/testfiles.h"
#include "support/windowdoubles.h"
#include "ui/dialogs.h"
#include "ui/scriptcombobox.h"
#include "ui/tform1.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace corvane {
namespace {

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// The main window shown and active, as a user has it, on a one-category library.
class Keyboard : public ::testing::Test, protected test::WindowBench {
protected:
    void SetUp() override
    {
        dir.writeLibrary(
            {{"Игри", "Шах.html", "<title>Шах</title><p>шах</p><script>window.status = 'готово';</script>"}});
        form = make();
        form->resize(1000, 700);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Moves the focus into a widget (the web view's focus goes to the engine's own view inside).
    QWidget* focusInto(const char* name)
    {
        QWidget* widget = test::child<QWidget>(*form, name);
        widget->setFocus(Qt::OtherFocusReason);
        EXPECT_TRUE(test::waitUntil([&] {
            QWidget* focus = QApplication::focusWidget();
            return focus && (focus == widget || widget->isAncestorOf(focus));
        })) << name;
        return QApplication::focusWidget();
    }

    std::unique_ptr<TForm1> form;
};

TEST_F(Keyboard, keysPressTheBrowserButtons)
{
    const struct {
        const char* name;
        const char* focus;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* pressed; // nullptr: no button
    } rows[] = {
        {"F5 in the code box refreshes", "Memo4", Qt::Key_F5, Qt::NoModifier, "SpeedButton4"},
        {"F5 in the preview refreshes", "wb1", Qt::Key_F5, Qt::NoModifier, "SpeedButton4"},
        {"Esc in the preview stops", "wb1", Qt::Key_Escape, Qt::NoModifier, "SpeedButton5"},
        {"Esc in the category box stops nothing", "cats", Qt::Key_Escape, Qt::NoModifier, nullptr},
        {"Alt+Home in the category box goes home", "cats", Qt::Key_Home, Qt::AltModifier, "SpeedButton6"},
        {"Home alone moves in the text", "cats", Qt::Key_Home, Qt::NoModifier, nullptr},
    };
    const char* buttons[] = {"SpeedButton4", "SpeedButton5", "SpeedButton6"};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget* target = focusInto(row.focus);
        ASSERT_NE(target, nullptr);
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const char* button : buttons)
            spies.push_back(
                std::make_unique<QSignalSpy>(test::child<QToolButton>(*form, button), &QToolButton::clicked));
        QTest::keyClick(target, static_cast<Qt::Key>(row.key), row.modifiers);
        for (std::size_t i = 0; i < spies.size(); ++i) {
            const bool expected = row.pressed && qstrcmp(row.pressed, buttons[i]) == 0;
            EXPECT_EQ(spies[i]->count(), expected ? 1 : 0) << buttons[i];
        }
    }
    // The home key runs the home button's handler: the preview heads for the maker's page.
    QTest::keyClick(focusInto("cats"), Qt::Key_Home, Qt::AltModifier);
    EXPECT_TRUE(test::waitUntil([&] {
        return test::child<QLabel>(*form, "Panel6")->text().contains(QStringLiteral("corvane.example"));
    }));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(Keyboard, tabLeavesTheCodeBoxWithoutTypingATab)
{
    auto* memo = test::child<QPlainTextEdit>(*form, "Memo4");
    memo->setPlainText(QStringLiteral("<p>код</p>"));
    focusInto("Memo4");
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("<p>код</p>"));
    EXPECT_FALSE(memo->hasFocus());
}

TEST_F(Keyboard, controlsHaveNamesAndLabelsKeepTheirText)
{
    const QString preview = accessibleName(test::child<QWidget>(*form, "wb1"));
    const QString banner = accessibleName(test::child<QWidget>(*form, "banner"));
    EXPECT_FALSE(preview.isEmpty());
    EXPECT_FALSE(banner.isEmpty());
    EXPECT_NE(preview, banner);

    // What the focus lands on in an editable box is its text field: it carries the box's name.
    for (const char* name : {"cats", "lb"}) {
        SCOPED_TRACE(name);
        auto* box = test::child<ScriptComboBox>(*form, name);
        EXPECT_FALSE(accessibleName(box).isEmpty());
        EXPECT_EQ(accessibleName(box->lineEdit()), accessibleName(box));
    }
    EXPECT_NE(accessibleName(test::child<QWidget>(*form, "cats")),
              accessibleName(test::child<QWidget>(*form, "lb")));

    // Every control the focus can reach has a name.
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(form.get()) || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        SCOPED_TRACE(widget->metaObject()->className() + std::string(" ")
                     + widget->objectName().toStdString());
        EXPECT_FALSE(accessibleName(widget).isEmpty());
    }

    // Labels are read out with what they show, also after the chosen page changed it.
    test::typeText(test::child<ScriptComboBox>(*form, "cats"), QStringLiteral("И"));
    test::typeText(test::child<ScriptComboBox>(*form, "lb"), QStringLiteral("Ш"));
    ASSERT_TRUE(test::waitUntil([&] { return !test::child<QLabel>(*form, "espPanel1")->text().isEmpty(); }));
    for (const char* name : {"Panel6", "espPanel1", "Label4", "Label1"}) {
        SCOPED_TRACE(name);
        auto* label = test::child<QLabel>(*form, name);
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_EQ(accessibleName(label), label->text());
    }
}

} // namespace
} // namespace corvane
