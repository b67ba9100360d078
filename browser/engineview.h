#pragma once

#include <QElapsedTimer>
#include <QWebEngineView>

#include <functional>

namespace corvane {

// The engine's own view inside a WebView. A window its page asks for (window.open, a link with a
// target) is the view `openWindow` gives, or none when it gives null. It notes the user's clicks
// and keys, which reach the engine's widgets inside it.
class EngineView : public QWebEngineView {
    Q_OBJECT
public:
    using WindowOpener = std::function<EngineView*()>;
    EngineView(WindowOpener openWindow, QWidget* parent);

    // The name screen readers give the view; the engine's widgets inside, which take the focus,
    // carry it too.
    void setViewName(const QString& name);
    // True within `ms` of the user's last click or key here, since forgetUserAction().
    bool userActedWithin(int ms) const;
    void forgetUserAction() { userAction_.invalidate(); }

protected:
    QWebEngineView* createWindow(QWebEnginePage::WebWindowType type) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameEngineWidgets();

    WindowOpener openWindow_;
    QElapsedTimer userAction_;
};

} // namespace corvane
