#include "ui/keyboard.h"

#include "browser/webview.h"
#include "ui/scriptcombobox.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QShortcut>

namespace corvane {
namespace {

template <typename T>
T* child(QMainWindow& form, const char* name)
{
    T* found = form.findChild<T*>(QLatin1String(name));
    Q_ASSERT_X(found, "addKeyboardAccess", name);
    return found;
}

// A key that presses a button, so it runs exactly what a click runs.
void pressOnKey(const QKeySequence& key, QWidget& context, Qt::ShortcutContext scope, QAbstractButton* button)
{
    auto* shortcut = new QShortcut(key, &context);
    shortcut->setContext(scope);
    QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
}

// An editable box is read out by the name of the label that introduces it, and so is the text
// field inside it, which is what has the focus.
void nameAfterBuddy(QMainWindow& form, const char* labelName, ScriptComboBox* box)
{
    QString name = child<QLabel>(form, labelName)->text();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    name = name.trimmed();
    box->setAccessibleName(name);
    if (QLineEdit* edit = box->lineEdit())
        edit->setAccessibleName(name);
}

} // namespace

void addKeyboardAccess(QMainWindow& form)
{
    auto* wb1 = child<WebView>(form, "wb1");
    pressOnKey(QKeySequence(Qt::Key_F5), form, Qt::WindowShortcut,
               child<QAbstractButton>(form, "SpeedButton4"));
    pressOnKey(QKeySequence(Qt::Key_Escape), *wb1, Qt::WidgetWithChildrenShortcut,
               child<QAbstractButton>(form, "SpeedButton5"));
    pressOnKey(QKeySequence(Qt::ALT | Qt::Key_Home), form, Qt::WindowShortcut,
               child<QAbstractButton>(form, "SpeedButton6"));

    // The code box is a memo that does not take tabs: Tab moves on.
    child<QPlainTextEdit>(form, "Memo4")->setTabChangesFocus(true);

    wb1->setViewName(QStringLiteral("Преглед на скрипта"));
    child<WebView>(form, "banner")->setViewName(QStringLiteral("Рекламна лента"));
    nameAfterBuddy(form, "Label2", child<ScriptComboBox>(form, "cats"));
    nameAfterBuddy(form, "Label3", child<ScriptComboBox>(form, "lb"));
}

} // namespace corvane
