#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QAction;
class QMainWindow;
class QPlainTextEdit;

namespace corvane {

class ConsoleWindow;
class Dialogs;
class WebView;

// The preview's console as the main window offers it: Ctrl+Shift+J or F12 opens the console
// window, made at the first opening; Ctrl+Shift+D shows the page as today's browsers do; a
// message's line is selected in the code box when the message is about the box's text.
class PreviewConsole : public QObject {
    Q_OBJECT
public:
    // shownScript: the address of the script file the code box holds; empty when it holds none.
    PreviewConsole(QMainWindow& window, WebView& preview, QPlainTextEdit& codeBox, Dialogs& dialogs,
                   std::function<QUrl()> shownScript);
    ~PreviewConsole() override;

    void present();
    void chooseLine(const QString& source, int line);

private:
    QMainWindow& window_;
    WebView& preview_;
    QPlainTextEdit& codeBox_;
    std::function<QUrl()> shownScript_;
    QAction* asToday_ = nullptr;
    std::unique_ptr<ConsoleWindow> consoleWindow_; // made when first opened
};

} // namespace corvane
