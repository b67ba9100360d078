#include "ui/scriptcombobox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace corvane {

ScriptComboBox::ScriptComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(8);
    // Completion is ours: first item in list order, letter case ignored, tail selected.
    lineEdit()->setCompleter(nullptr);

    connect(this, &QComboBox::activated, this, [this](int index) {
        selected_ = index;
        emit change();
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString&) {
        selected_ = -1;
        emit change();
    });
}

void ScriptComboBox::setText(const QString& text)
{
    const QSignalBlocker blocker(this);
    lineEdit()->setText(text);
}

void ScriptComboBox::setItems(const QStringList& items)
{
    const QSignalBlocker blocker(this);
    clear();
    addItems(items);
    setCurrentIndex(-1);
    lineEdit()->clear();
    selected_ = -1;
}

void ScriptComboBox::choose(const QString& text)
{
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        setCurrentIndex(index);
        emit activated(index);
        return;
    }
    lineEdit()->setText(text);
    selected_ = -1;
    emit change();
}

void ScriptComboBox::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    // Enter chooses nothing in this box.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    const QString typed = event->text();
    const bool plainCharacter =
        typed.size() == 1 && typed.at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plainCharacter) {
        QLineEdit* edit = lineEdit();
        const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        if (complete(edit->text().left(start) + typed)) {
            event->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(event);
}

bool ScriptComboBox::complete(const QString& typed)
{
    for (int i = 0; i < count(); ++i) {
        const QString item = itemText(i);
        if (!item.startsWith(typed, Qt::CaseInsensitive))
            continue;
        {
            const QSignalBlocker blocker(this);
            setCurrentIndex(i);
        }
        QLineEdit* edit = lineEdit();
        edit->setText(item);
        edit->setSelection(static_cast<int>(typed.size()), static_cast<int>(item.size() - typed.size()));
        if (i != selected_) {
            selected_ = i;
            emit change();
        }
        return true;
    }
    return false;
}

} // namespace corvane
