#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>

class QWebEnginePage;

namespace corvane {

// Watches one page's renderer process. While a page is loaded it asks the renderer a trivial
// question every kProbeIntervalMs; a renderer that leaves a question unanswered for
// kRunawayLimitMs is ended, and stopped() follows once it is gone. A renderer that answers late
// but within the limit (a heavy page) is left alone. Between loads, and after the renderer is
// gone, nothing runs.
class RunawayGuard : public QObject {
    Q_OBJECT
public:
    static constexpr int kRunawayLimitMs = 5000;
    // The limit while the program waits to show another page there: a busy renderer is not
    // given the benefit of the doubt.
    static constexpr int kHurryLimitMs = 1000;
    static constexpr int kProbeIntervalMs = 500;

    explicit RunawayGuard(QWebEnginePage* page);

    // The program is about to navigate the page. Returns true when the renderer is busy past
    // the hurry limit and has been ended: the navigation must wait for stopped(). Otherwise the
    // short limit applies until the renderer answers again.
    bool hurry();
    // Ends the renderer now, whatever it is doing (a page flooding the program with messages);
    // stopped() follows once it is gone. False when there is no renderer to end.
    bool endNow();
    // A box of the page's own is open: its renderer waits for the user, it is not stuck. A box
    // answered at once (a page opening box after box, answered by a program) pauses nothing.
    void setPaused(bool paused);
    bool ending() const { return ending_; }

signals:
    // The renderer this guard ended is gone; `url` was the page it showed.
    void stopped(const QUrl& url);

private:
    void probe();
    void forget();
    void end();
    qint64 unansweredMs() const;

    QWebEnginePage* page_;
    QTimer timer_;
    QElapsedTimer asked_; // valid while a question waits for its answer
    QElapsedTimer pausedFor_;
    quint64 question_ = 0;
    bool paused_ = false;
    bool hurried_ = false;
    bool ending_ = false;
    QUrl endedUrl_;
};

} // namespace corvane
