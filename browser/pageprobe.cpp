#include "browser/pageprobe.h"

#include "address/address.h"
#include "browser/compatlayer.h"
#include "browser/consolemessages.h"
#include "browser/lettercase.h"
#include "browser/memoryguard.h"
#include "browser/pagechannel.h"
#include "browser/pagedialogs.h"
#include "browser/pagescript.h"
#include "browser/runawayguard.h"
#include "browser/webengine.h"
#include "browser/webpage.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSet>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <algorithm>

namespace corvane {
namespace {

// A page has a view of about the preview's size, so it lays out as it does there; the view is
// never shown, so nothing is painted (painting cost half as much again as loading).
constexpr int kViewWidth = 640;
constexpr int kViewHeight = 480;

// Blocks every request off the machine and every local one the page cannot have (a missing
// file, or something that is no regular file and might never end), reporting both.
class RequestGuard : public QWebEngineUrlRequestInterceptor {
public:
    // The kind, the address and the page that asked for it.
    using Report = std::function<void(PageEvent::Kind, const QString&, const QUrl&)>;
    // A document the page goes on to show by itself.
    using Navigation = std::function<void(const QUrl&)>;
    RequestGuard(Report report, Navigation navigation, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent)
        , report_(std::move(report))
        , navigation_(std::move(navigation))
    {
    }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            navigation_(url);
        if (!isLocalScheme(url.scheme())) {
            info.block(true);
            report_(PageEvent::Kind::Network, url.toString(), info.firstPartyUrl());
        } else if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
            // A name in another letter case finds its file, as it did on Windows.
            const QUrl found = withFoundLetterCase(url);
            if (found != url && QFileInfo(found.toLocalFile()).isFile()) {
                info.redirect(found);
                return;
            }
            info.block(true);
            report_(PageEvent::Kind::FailedLoad, url.toString(), info.firstPartyUrl());
        }
    }

private:
    Report report_;
    Navigation navigation_;
};

// The page's boxes, answered at once: no, cancel, and leave when it asks to be left.
class AnsweringDialogs : public PageDialogs {
public:
    explicit AnsweringDialogs(std::function<void(const QString&)> shown)
        : shown_(std::move(shown))
    {
    }
    void alert(QWidget*, const QString& text, bool*) override { shown_(QStringLiteral("alert: ") + text); }
    bool confirm(QWidget*, const QString& text, bool*) override
    {
        shown_(QStringLiteral("confirm: ") + text);
        return false;
    }
    bool prompt(QWidget*, const QString& text, QString&, bool*) override
    {
        shown_(QStringLiteral("prompt: ") + text);
        return false;
    }
    bool confirmLeave(QWidget*) override { return true; }
    QString saveFileName(QWidget*, const QString&) override { return {}; }
    void downloadFailed(QWidget*, const QString&) override {}

private:
    std::function<void(const QString&)> shown_;
};

} // namespace

// One page at a time: the preview's page, with its settings, guard and console capture, in a view
// of its own. What a page does goes to `report` with the page's index, also when it comes in
// late, after the next page has started.
class ProbeSlot : public WebPage {
public:
    using Report = std::function<void(int index, const PageEvent& event)>;

    ProbeSlot(QWebEngineProfile* profile, bool asToday, Report report, std::function<void(ProbeSlot*)> done)
        : WebPage(profile, nullptr)
        , report_(std::move(report))
        , done_(std::move(done))
        , dialogs_([this](const QString& text) { record(PageEvent::Kind::Dialog, text); })
        , requests_([this](PageEvent::Kind kind, const QString& address,
                           const QUrl& page) { record(kind, address, {}, 0, page); },
                    [this](const QUrl& document) {
                        if (running_)
                            documents_.insert(document, index_);
                    },
                    this)
    {
        installPageScript(
            *this, QStringLiteral("corvane-settle"),
            pageScriptSource(QStringLiteral("settle.js"))
                .replace(QLatin1String("SETTLE_MS"), QString::number(PageProbe::kSettleMs))
                .replace(QLatin1String("PAINTED"), pageScriptSource(QStringLiteral("painted.js"))),
            false);
        compat().setEnabled(!asToday);
        // The watch reads what the page reads: it comes after the layer's script.
        watchAfterLayer();
        connect(&compat(), &CompatLayer::installed, this, &ProbeSlot::watchAfterLayer);
        settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
        // Otherwise the engine drops a local page's requests off the machine before the guard
        // sees them (the guard blocks them all the same).
        settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        setUrlRequestInterceptor(&requests_);
        view_.setPage(this);
        view_.resize(kViewWidth, kViewHeight);
        usePreviewSettings();
        setDialogs(&dialogs_, &view_);

        connect(this, &WebPage::consoleMessage, this, &ProbeSlot::consoleMessage);
        connect(this, &WebPage::pageMessage, this, &ProbeSlot::pageMessage);
        connect(&guard(), &RunawayGuard::stopped, this, [this] {
            record(PageEvent::Kind::Runaway,
                   QStringLiteral("the page stopped answering; its script was stopped"));
            finish();
        });
        connect(&memoryGuard(), &MemoryGuard::exceeded, this, [this] {
            record(PageEvent::Kind::Memory,
                   QStringLiteral("the page took more than %1 MB of memory; it was stopped")
                       .arg(MemoryGuard::kMemoryLimitMb));
            finish();
        });
        connect(this, &QWebEnginePage::renderProcessTerminated, this,
                [this](RenderProcessTerminationStatus status) {
                    if (status != NormalTerminationStatus && !guard().ending() && running_) {
                        record(PageEvent::Kind::ScriptError,
                               QStringLiteral("the engine's page process ended unexpectedly"));
                        finish();
                    }
                });
        connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
            record(PageEvent::Kind::Popup, request.requestedUrl().toString());
        });
        // showModalDialog is a window too; it is counted, not opened, and gives back nothing.
        setDialogOpener([this](const ModalDialogRequest& request, const DialogClosed&) {
            record(PageEvent::Kind::Popup, request.url.toString());
            return false;
        });
        // window.print() opens the print dialog, a box like the others; it is not opened.
        connect(this, &QWebEnginePage::printRequested, this, [this] {
            record(PageEvent::Kind::Dialog, QStringLiteral("print: the page asks to be printed"));
        });
        connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            // The blank page is in (or its load ended some other way): the page before is gone.
            if (clearing_ && info.url() == blankUrl()
                && info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
                QTimer::singleShot(0, this, [this] {
                    if (clearing_)
                        start();
                });
        });
        connect(this, &QWebEnginePage::loadFinished, this, [this](bool ok) {
            if (!running_ || loaded_)
                return;
            loaded_ = true;
            // A page that did not load was refused by the request guard, which said why (a page
            // that leaves for an address off the machine, say).
            if (!ok)
                finish();
            else if (!settled_.isEmpty())
                judge();
        });
        limit_.setSingleShot(true);
        connect(&limit_, &QTimer::timeout, this, [this] {
            triggerAction(Stop);
            record(
                PageEvent::Kind::Runaway,
                QStringLiteral("the page was still loading after %1 s").arg(PageProbe::kPageLimitMs / 1000));
            finish();
        });
    }

    ~ProbeSlot() override
    {
        // The view goes first, while the page it shows still exists.
        view_.setPage(nullptr);
    }

    // The page before goes first, with its timers, frames and workers: what it still does
    // meanwhile is its own, and nothing of it is left to be blamed on the next one.
    void probe(int index, const QUrl& url)
    {
        nextIndex_ = index;
        nextUrl_ = url;
        if (index_ < 0) {
            start();
            return;
        }
        clearing_ = true;
        load(blankUrl());
    }

    int index() const { return index_; }

private:
    void watchAfterLayer()
    {
        static const QString kWatch = QStringLiteral("corvane-watch");
        for (const QWebEngineScript& old : scripts().find(kWatch))
            scripts().remove(old);
        installPageScript(*this, kWatch, pageScriptSource(QStringLiteral("watch.js")), false);
    }

    static QUrl blankUrl() { return QUrl(QStringLiteral("about:blank")); }

    void start()
    {
        clearing_ = false;
        previousUrl_ = url_;
        index_ = nextIndex_;
        url_ = nextUrl_;
        documents_.insert(url_, index_);
        running_ = true;
        loaded_ = false;
        settled_.clear();
        sniffed_ = false;
        active_ = false;
        limit_.start(PageProbe::kPageLimitMs);
        loadPage(url_);
    }

    // `document` is the page the event came from, when the engine says: a page's worker, frame
    // or timer may still be at work when a later one has started. A document this slot never
    // showed is no page of the one running now either.
    void record(PageEvent::Kind kind, const QString& text, const QString& source = {}, int line = 0,
                const QUrl& document = {})
    {
        int index = index_;
        bool earlier = false;
        // While the blank page comes, everything is the leaving page's.
        if (!document.isEmpty() && !clearing_ && document != blankUrl()) {
            const auto shown = documents_.constFind(document);
            earlier = shown == documents_.constEnd();
            if (!earlier)
                index = *shown;
        }
        if (index >= 0)
            report_(index, {kind, text, source, line, earlier, 0});
    }

    void pageMessage(const PageMessage& message)
    {
        const QJsonObject data = message.data.toObject();
        if (message.kind == QLatin1String("page-error")) {
            // An error of the page's own the layer found (VBScript's), as an uncaught one.
            const QUrl source(data.value(QLatin1String("source")).toString());
            const bool inPage = source == url_ || source == previousUrl_;
            record(PageEvent::Kind::ScriptError, data.value(QLatin1String("text")).toString(),
                   inPage ? QString() : source.toString(), data.value(QLatin1String("line")).toInt(), source);
            return;
        }
        if (message.kind == QLatin1String("layer-error")) {
            record(PageEvent::Kind::ScriptError,
                   QStringLiteral("the compatibility layer failed in %1: %2")
                       .arg(data.value(QLatin1String("part")).toString(),
                            data.value(QLatin1String("message")).toString()),
                   {}, 0, QUrl(message.address));
            return;
        }
        // The page before may have settled, or done something, just as this one started.
        const bool before = QUrl(message.address) == previousUrl_ && previousUrl_ != url_;
        if (message.kind == QLatin1String("sniffed") || message.kind == QLatin1String("active")) {
            if (running_ && !before)
                (message.kind == QLatin1String("sniffed") ? sniffed_ : active_) = true;
            return;
        }
        if (message.kind != QLatin1String("settled"))
            return;
        if (running_ && settled_.isEmpty() && !before) {
            settled_ = message.data.toObject().value(QLatin1String("painted")).toBool()
                           ? QStringLiteral("painted")
                           : QStringLiteral("blank");
            if (loaded_)
                judge();
        }
    }

    void consoleMessage(const ConsoleMessage& message)
    {
        if (message.kind == ConsoleMessage::Kind::FailedLoad) {
            // What the request guard blocked is a network finding already; an address the guard
            // saw too is written the same way, so it is one finding.
            const QUrl address(message.source);
            if (isLocalScheme(address.scheme()))
                record(PageEvent::Kind::FailedLoad, address.toString());
        } else if (message.kind == ConsoleMessage::Kind::Script
                   && message.level == ConsoleMessage::Level::Error
                   && message.text.startsWith(QLatin1String("Uncaught"))) {
            const QUrl source(message.source);
            const bool inPage = documents_.contains(source);
            record(PageEvent::Kind::ScriptError, message.text, inPage ? QString() : message.source,
                   message.line, inPage ? source : QUrl());
        }
    }

    // The page has loaded and settled: it paints something or nothing.
    void judge()
    {
        if (settled_ == QLatin1String("blank"))
            record(PageEvent::Kind::Blank, QStringLiteral("the page paints nothing but its background"));
        if (sniffed_ && !active_)
            record(PageEvent::Kind::Inactive,
                   QStringLiteral(
                       "it read the browser's name (document.all, document.layers or navigator) and "
                       "then created, changed or wrote nothing on the page: it took neither browser's way"));
        // Today's browsers skip VBScript and behaviors without a word: as today, the page says so.
        const syntax::CompatNeeds& needed = compat().needed();
        if (!compat().enabled() && needed.has(syntax::CompatPart::VbScript))
            record(PageEvent::Kind::NotRun, QStringLiteral("its VBScript is not run by today's browsers"));
        if (!compat().enabled() && needed.has(syntax::CompatPart::Behaviors))
            record(PageEvent::Kind::NotRun,
                   QStringLiteral("the behaviors it binds are not run by today's browsers"));
        finish();
    }

    void finish()
    {
        if (!running_)
            return;
        running_ = false;
        limit_.stop();
        // The next page is started from the event loop, out of the engine's call that ended this one.
        QTimer::singleShot(0, this, [this] { done_(this); });
    }

    Report report_;
    std::function<void(ProbeSlot*)> done_;
    QWebEngineView view_;
    AnsweringDialogs dialogs_;
    RequestGuard requests_;
    QTimer limit_;
    QUrl url_;
    int index_ = -1;
    QUrl previousUrl_;
    QHash<QUrl, int> documents_; // every document this slot showed, by the page it belongs to
    bool clearing_ = false;      // the blank page is on its way between two pages
    int nextIndex_ = -1;
    QUrl nextUrl_;
    bool running_ = false;
    bool loaded_ = false;
    QString settled_;      // what the page said once it settled: "painted" or "blank"
    bool sniffed_ = false; // the page read the browser's name
    bool active_ = false;  // and then did something on the page
};

void PageProbe::prepareEngine()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A hidden page's timers run as a shown page's do; there is no display to draw with.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const char* flag :
         {"--disable-gpu", "--disable-background-timer-throttling", "--disable-renderer-backgrounding"})
        if (!flags.contains(flag))
            flags += QByteArray(" ") + flag;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    prepareWebEngine();
}

PageProbe::PageProbe(int jobs, bool asToday, QObject* parent)
    : QObject(parent)
    , profile_(std::make_unique<QWebEngineProfile>()) // no storage name: off the record, nothing on disk
{
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    for (int i = 0; i < std::max(1, jobs); ++i)
        slots_.push_back(std::make_unique<ProbeSlot>(
            profile_.get(), asToday, [this](int index, const PageEvent& event) { add(index, event); },
            [this](ProbeSlot* slot) {
                ++done_;
                emit pageDone(slot->index());
                next(slot);
            }));
}

PageProbe::~PageProbe()
{
    // Pages go before their profile.
    slots_.clear();
}

void PageProbe::start(const QStringList& files)
{
    files_ = files;
    next_ = 0;
    done_ = 0;
    events_.assign(static_cast<std::size_t>(files.size()), {});
    seen_.assign(static_cast<std::size_t>(files.size()), {});
    perKind_.assign(static_cast<std::size_t>(files.size()), {});
    if (files_.isEmpty()) {
        QTimer::singleShot(0, this, &PageProbe::finished);
        return;
    }
    for (auto& slot : slots_)
        next(slot.get());
}

void PageProbe::add(int index, const PageEvent& event)
{
    // A picture asked for twice, or seen failing by the script and the request guard alike, is
    // one finding.
    const QString key = QString::number(static_cast<int>(event.kind)) + QLatin1Char('\n') + event.source
                        + QLatin1Char('\n') + QString::number(event.line) + QLatin1Char('\n') + event.text;
    auto& seen = seen_[static_cast<std::size_t>(index)];
    if (seen.contains(key))
        return;
    // A page in a loop of boxes or windows is said in a few lines, not in thousands.
    int& ofKind = perKind_[static_cast<std::size_t>(index)][static_cast<int>(event.kind)];
    if (++ofKind > kEventsPerKind)
        return;
    seen.insert(key);
    events_[static_cast<std::size_t>(index)].append(event);
}

QList<PageEvent> PageProbe::events(int index) const
{
    QList<PageEvent> events = events_[static_cast<std::size_t>(index)];
    const auto& perKind = perKind_[static_cast<std::size_t>(index)];
    for (auto it = perKind.constBegin(); it != perKind.constEnd(); ++it)
        if (it.value() > kEventsPerKind) {
            PageEvent more;
            more.kind = static_cast<PageEvent::Kind>(it.key());
            more.more = it.value() - kEventsPerKind;
            events.append(more);
        }
    return events;
}

void PageProbe::next(ProbeSlot* slot)
{
    if (next_ < files_.size()) {
        const int index = next_++;
        slot->probe(index, QUrl::fromLocalFile(files_[index]));
    } else if (done_ == files_.size()) {
        done_ = -1; // once
        emit finished();
    }
}

} // namespace corvane
