#pragma once

#include <QMessageBox>

class QDialog;
class QLabel;

namespace corvane {

// Sizes a box to its text and caption: the text wraps at half the screen's width and no sooner
// than it must, and the box is wide enough for its whole caption.
void fitToText(QDialog& box, QLabel& text);

// The toolkit's message box, sized as fitToText() sizes the program's own boxes; left to itself
// it wraps at a fixed width whatever the screen, and may cut its caption short.
class MessageBox : public QMessageBox {
    Q_OBJECT
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace corvane
