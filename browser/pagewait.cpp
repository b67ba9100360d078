#include "browser/pagewait.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace corvane {

const QByteArray PageWaits::kScheme = QByteArrayLiteral("corvane-wait");

void PageWaits::registerScheme()
{
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local like the library's pages, which may ask it; no other page may.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

// A document is given the schemes its profile serves when it is made: a page must be served
// before it loads anything.
PageWaits& PageWaits::serving(QWebEngineProfile& profile)
{
    static QPointer<PageWaits> instance;
    if (!instance)
        instance = new PageWaits(QCoreApplication::instance());
    if (profile.urlSchemeHandler(kScheme) != instance)
        profile.installUrlSchemeHandler(kScheme, instance);
    return *instance;
}

QString PageWaits::begin()
{
    QString id = QString::number(++next_);
    waits_.insert(id, Wait{});
    return id;
}

void PageWaits::release(const QString& id)
{
    const auto wait = waits_.find(id);
    if (wait == waits_.end())
        return;
    wait->released = true;
    if (QWebEngineUrlRequestJob* job = wait->job) {
        waits_.erase(wait);
        answer(job);
    }
}

void PageWaits::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto wait = waits_.find(job->requestUrl().path());
    if (wait == waits_.end() || wait->job) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    if (wait->released) {
        waits_.erase(wait);
        answer(job);
        return;
    }
    wait->job = job;
}

void PageWaits::answer(QWebEngineUrlRequestJob* job)
{
    auto* body = new QBuffer(job);
    body->setData(QByteArrayLiteral("1"));
    job->reply(QByteArrayLiteral("text/plain"), body);
}

} // namespace corvane
