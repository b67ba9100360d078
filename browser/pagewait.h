#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;
class QWebEngineUrlRequestJob;

namespace corvane {

// Lets a page's script wait while the program does something that needs the event loop, such as
// a modal dialog with a page of its own. The engine cannot run pages inside a nested event loop,
// so the page is not answered from one: its script asks for a wait's address with a synchronous
// request, which holds that page's renderer until the program releases the wait.
class PageWaits : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static const QByteArray kScheme;

    // The scheme, known to the engine before the application object exists.
    static void registerScheme();
    // The one handler, taking the waits of `profile`'s pages.
    static PageWaits& serving(QWebEngineProfile& profile);

    // A new wait; its address is kScheme ":" + the id.
    QString begin();
    // The page may go on; a request not yet made is answered at once when it comes.
    void release(const QString& id);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    static void answer(QWebEngineUrlRequestJob* job);

    struct Wait {
        QPointer<QWebEngineUrlRequestJob> job;
        bool released = false;
    };
    QHash<QString, Wait> waits_;
    quint64 next_ = 0;
};

} // namespace corvane
