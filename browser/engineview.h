#pragma once

#include <QWebEngineView>

#include <functional>

namespace corvane {

// The engine's own view inside a WebView. A window its page asks for (window.open, a link with a
// target) is the view `openWindow` gives, or none when it gives null.
class EngineView : public QWebEngineView {
    Q_OBJECT
public:
    using WindowOpener = std::function<EngineView*()>;
    EngineView(WindowOpener openWindow, QWidget* parent);

protected:
    QWebEngineView* createWindow(QWebEnginePage::WebWindowType type) override;

private:
    WindowOpener openWindow_;
};

} // namespace corvane
