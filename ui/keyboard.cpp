#include "ui/keyboard.h"

#include "browser/webview.h"
#include "ui/scriptcombobox.h"
#include "ui_form1.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QShortcut>

namespace corvane {
namespace {

// A key that presses a button, so it runs exactly what a click runs.
void pressOnKey(const QKeySequence& key, QWidget& context, Qt::ShortcutContext scope, QAbstractButton* button)
{
    auto* shortcut = new QShortcut(key, &context);
    shortcut->setContext(scope);
    QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
}

// An editable box is read out by the name of the label that introduces it, and so is the text
// field inside it, which is what has the focus.
void nameAfterBuddy(const QLabel& label, ScriptComboBox& box)
{
    QString name = label.text();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    name = name.trimmed();
    box.setAccessibleName(name);
    if (QLineEdit* edit = box.lineEdit())
        edit->setAccessibleName(name);
}

} // namespace

void addKeyboardAccess(QMainWindow& window, Ui::TForm1& form)
{
    pressOnKey(QKeySequence(Qt::Key_F5), window, Qt::WindowShortcut, form.SpeedButton4);
    pressOnKey(QKeySequence(Qt::Key_Escape), *form.wb1, Qt::WidgetWithChildrenShortcut, form.SpeedButton5);
    pressOnKey(QKeySequence(Qt::ALT | Qt::Key_Home), window, Qt::WindowShortcut, form.SpeedButton6);

    // The code box is a memo that does not take tabs: Tab moves on.
    form.Memo4->setTabChangesFocus(true);

    form.wb1->setViewName(QStringLiteral("Преглед на скрипта"));
    form.banner->setViewName(QStringLiteral("Рекламна лента"));
    nameAfterBuddy(*form.Label2, *form.cats);
    nameAfterBuddy(*form.Label3, *form.lb);
}

} // namespace corvane
