#include "browser/popupwindows.h"

#include "browser/popupwindow.h"
#include "browser/webpage.h"
#include "browser/webview.h"

#include <QWebEngineSettings>

#include <utility>

namespace corvane {

PopupWindows::PopupWindows(WebView& root)
    : root_(root)
{
}

PopupWindows::~PopupWindows()
{
    // Each window's going updates the root's page, which is still there.
    for (const QPointer<QObject>& window : std::exchange(windows_, {}))
        delete window.data();
}

PopupWindow* PopupWindows::open()
{
    windows_.removeAll(nullptr);
    if (windows_.size() >= kLimit)
        return nullptr;
    auto* window = new PopupWindow(&root_);
    windows_.append(window);
    connect(window, &QObject::destroyed, this, [this](QObject* gone) {
        windows_.removeIf([gone](const QPointer<QObject>& w) { return w.data() == gone; });
        allowMore();
    });
    allowMore();
    connect(window->view()->page(), &QWebEnginePage::urlChanged, this, &PopupWindows::opened,
            Qt::SingleShotConnection);
    return window;
}

QList<PopupWindow*> PopupWindows::windows() const
{
    QList<PopupWindow*> open;
    for (const auto& window : windows_)
        if (window)
            open.append(static_cast<PopupWindow*>(window.data()));
    return open;
}

void PopupWindows::allowMore()
{
    // The engine gives a page null from window.open only while it may not open windows by itself.
    windows_.removeAll(nullptr);
    const bool allowed = windows_.size() < kLimit;
    root_.page()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, allowed);
    for (PopupWindow* window : windows())
        window->view()->page()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows,
                                                         allowed);
}

} // namespace corvane
