#pragma once

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

namespace corvane {

// Holds one page's renderer process to a memory limit. While the page has a renderer it reads
// that process's resident size every kProbeIntervalMs and ends the process above
// kMemoryLimitMb; exceeded() follows once it is gone. The engine's own JavaScript heap limit
// (twice this one, prepareWebEngine() sets it) catches a page that outruns the readings: a
// renderer that crashes while it held more than half the limit is reported the same way.
class MemoryGuard : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMemoryLimitMb = 512;
    static constexpr int kProbeIntervalMs = 200;

    explicit MemoryGuard(QWebEnginePage* page);

signals:
    // The renderer is gone for the memory it took; `url` was the page it showed.
    void exceeded(const QUrl& url);

private:
    void probe();
    void terminated(QWebEnginePage::RenderProcessTerminationStatus status);

    QWebEnginePage* page_;
    QTimer timer_;
    qint64 lastBytes_ = 0;
    bool ending_ = false;
    QUrl url_; // the page's address at the last reading
};

} // namespace corvane
