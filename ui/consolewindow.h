#pragma once

#include <QDialog>

#include <memory>

class QAction;
class QModelIndex;

namespace Ui {
class ConsoleWindow;
}

namespace corvane {

class ConsoleModel;
struct ConsoleMessage;

// The modeless console: the preview's messages, newest last, with the error count in the title,
// and the switch that shows the page as today's browsers do (`asToday`, the main window's action,
// whose key works here too).
class ConsoleWindow : public QDialog {
    Q_OBJECT
public:
    ConsoleWindow(ConsoleModel& model, QAction* asToday, QWidget* parent);
    ~ConsoleWindow() override;

    // Shows the window beside the main window (the first time), raised.
    void present();

signals:
    // Enter or a double click on a message that names a line.
    void lineChosen(const QString& source, int line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showErrorCount(int count);
    void showDroppedCount(int count);
    void choose(const QModelIndex& index);

    std::unique_ptr<Ui::ConsoleWindow> ui;
    ConsoleModel& model_;
    bool placed_ = false;
};

} // namespace corvane
