#pragma once

#include <QComboBox>

namespace corvane {

// Editable drop-down box whose change() fires only for the user's own doing: picking an item
// (mouse or arrow keys), editing the text, or typing that auto-completes to a different item.
// Setting the text or the items from code fires nothing.
class ScriptComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ScriptComboBox(QWidget* parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString& text);
    // Replaces the items; afterwards the text is empty and no item is selected.
    void setItems(const QStringList& items);
    // Makes text the box's choice the way the user would, firing change() as for the user: picks
    // the first item with exactly that text from the list or, when there is none, types it in.
    void choose(const QString& text);

signals:
    void change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool complete(const QString& typed);

    int selected_ = -1; // the list item last chosen or completed, -1 after an edit
};

} // namespace corvane
