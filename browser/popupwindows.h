#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

namespace corvane {

class PopupWindow;
class WebView;

// The windows the pages of one view have open, their popups' popups included. Beyond kLimit
// open at once a page gets none, and while at the limit window.open gives it null.
class PopupWindows : public QObject {
    Q_OBJECT
public:
    static constexpr int kLimit = 20;

    explicit PopupWindows(WebView& root);
    // Closes those still open.
    ~PopupWindows() override;

    // A new window, not yet shown; null at the limit.
    PopupWindow* open();
    QList<PopupWindow*> windows() const;

signals:
    // A new window's page has its first address.
    void opened(const QUrl& url);

private:
    void allowMore();

    WebView& root_;
    // As objects: a window being destroyed is no longer a PopupWindow when it leaves the list.
    QList<QPointer<QObject>> windows_;
};

} // namespace corvane
