#include "browser/runawayguard.h"

#include "platform/process.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

namespace corvane {

RunawayGuard::RunawayGuard(QWebEnginePage* page)
    : QObject(page)
    , page_(page)
{
    timer_.setInterval(kProbeIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &RunawayGuard::probe);
    connect(page, &QWebEnginePage::loadStarted, this, [this] {
        if (!ending_ && !timer_.isActive())
            timer_.start();
    });
    // A new document makes an unanswered question meaningless: the engine drops the questions
    // of a document it leaves.
    connect(page, &QWebEnginePage::loadFinished, this, &RunawayGuard::forget);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        timer_.stop();
        forget();
        if (!ending_)
            return;
        ending_ = false;
        emit stopped(endedUrl_);
    });
}

qint64 RunawayGuard::unansweredMs() const
{
    return asked_.isValid() ? asked_.elapsed() : 0;
}

void RunawayGuard::forget()
{
    asked_.invalidate();
    hurried_ = false;
    ++question_;
}

void RunawayGuard::probe()
{
    if (paused_ || ending_)
        return;
    if (asked_.isValid()) {
        if (unansweredMs() >= (hurried_ ? kHurryLimitMs : kRunawayLimitMs))
            end();
        return;
    }
    asked_.start();
    const quint64 question = ++question_;
    QPointer<RunawayGuard> self(this);
    page_->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                         [self, question](const QVariant&) {
                             if (!self || question != self->question_)
                                 return;
                             self->asked_.invalidate();
                             self->hurried_ = false;
                         });
}

bool RunawayGuard::hurry()
{
    if (ending_)
        return true;
    if (!timer_.isActive())
        return false;
    if (!paused_ && unansweredMs() >= kHurryLimitMs) {
        end();
        return ending_;
    }
    hurried_ = true;
    return false;
}

bool RunawayGuard::endNow()
{
    if (!ending_)
        end();
    return ending_;
}

void RunawayGuard::setPaused(bool paused)
{
    paused_ = paused;
    if (paused)
        pausedFor_.start();
    // The question asked before the box is answered only after it; a box gone before the
    // next question was due kept nobody waiting.
    else if (pausedFor_.elapsed() >= kProbeIntervalMs)
        forget();
}

void RunawayGuard::end()
{
    const qint64 pid = page_->renderProcessPid();
    if (pid <= 0) {
        forget();
        return;
    }
    ending_ = true;
    endedUrl_ = page_->url();
    endProcess(pid);
}

} // namespace corvane
