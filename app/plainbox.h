#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class PlainBox;
}

namespace corvane {

// The program's own plain box, captioned with the application title: a text the user may select
// and OK. A page's boxes add Cancel, a line to answer in, or the offer to stop the page's boxes.
class PlainBox : public QDialog {
    Q_OBJECT
public:
    explicit PlainBox(const QString& text, QWidget* parent = nullptr);
    ~PlainBox() override;

    void addCancel();
    // A line to answer in, holding `value` selected.
    void askLine(const QString& value);
    void offerToStopMore();
    // Shows the box until it is closed; true when the user accepted.
    bool run();
    QString line() const;
    bool stopMoreChosen() const;

private:
    std::unique_ptr<Ui::PlainBox> ui;
};

} // namespace corvane
