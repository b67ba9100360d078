#pragma once

#include <QSet>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

#include <filesystem>
#include <vector>

namespace corvane {

// What a page of the preview may load. Local files only from inside the library's folders
// (where the system really opens them, links followed) and the program's own files; nothing off
// the machine, WebSockets included, unless the program itself sent the page there (the home
// button). Everything the engine asks for passes here: the page, its frames, pictures, scripts,
// XMLHttpRequest and fetch, workers. Chromium's local-file rules alone let a page read the whole
// home folder; making every file page its own origin would stop it too, but also the library's
// framesets that script each other, so this is the guard.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    explicit LocalFileGuard(QObject* parent = nullptr);

    // The folders whose files pages may load; each counts as given and with its links resolved.
    void setLibraryFolders(const QStringList& folders);
    // A file of the program's own that pages may load besides (the edited run's file), until
    // forgotten.
    void allowFile(const QString& path);
    void forgetFile(const QString& path);
    // The program itself sends the page to `url`: a web address leaves the machine with the
    // user's consent, and what that page asks for is its own business; a local one ends that.
    void programNavigation(const QUrl& url);
    bool remoteAllowed() const { return remoteAllowed_; }
    void setRemoteAllowed(bool allowed) { remoteAllowed_ = allowed; }

    // The one decision: may the page showing `page` load `url`, asked for by `initiator` (the
    // origin that made the request; empty for the program's own loads)?
    bool mayLoad(const QUrl& url, const QUrl& page, const QUrl& initiator) const;

    // mayLoad(), saying so through refused() when not.
    bool admit(const QUrl& url, const QUrl& page, const QUrl& initiator);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

signals:
    // A request was blocked; `page` is the page that asked, when the engine says.
    void refused(const QUrl& url, const QUrl& page);

private:
    bool mayReadFile(const QString& path) const;

    std::vector<std::filesystem::path> roots_; // canonical
    QSet<QString> ownFiles_;                   // absolute, as given and canonical
    bool remoteAllowed_ = false;
};

} // namespace corvane
