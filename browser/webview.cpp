#include "browser/webview.h"

#include "address/address.h"
#include "browser/compatlayer.h"
#include "browser/contentloader.h"
#include "browser/downloads.h"
#include "browser/engineview.h"
#include "browser/localfileguard.h"
#include "browser/memoryguard.h"
#include "browser/popupwindow.h"
#include "browser/popupwindows.h"
#include "browser/programlines.h"
#include "browser/runawayguard.h"
#include "browser/webengine.h"
#include "platform/errors.h"

#include <QFile>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <algorithm>
#include <utility>

namespace corvane {

WebView::WebView(QWidget* parent)
    : QWidget(parent)
{
    ensureWebEngineInstalled();
    view_ = new EngineView([this] { return openPopup(); }, this);
    page_ = new WebPage(this);
    view_->setPage(page_);
    page_->usePreviewSettings();
    // Once for the profile, whichever view comes first; each download asks its own page's boxes.
    askWhereToSaveDownloads(*page_->profile());
    content_ = new ContentLoader(*page_);
    ownPopups_ = std::make_unique<PopupWindows>(*this);
    popups_ = ownPopups_.get();
    connect(popups_, &PopupWindows::opened, this, &WebView::popupOpened);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);

    connect(page_, &QWebEnginePage::linkHovered, this, &WebView::statusTextChange);
    connect(page_, &WebPage::statusText, this, &WebView::statusTextChange);
    connect(page_, &WebPage::navigationRequested, this, &WebView::navigationRequested);
    connect(page_, &WebPage::consoleMessage, this, &WebView::consoleMessage);
    connect(page_, &QWebEnginePage::loadStarted, this, &WebView::downloadBegin);
    connect(page_, &QWebEnginePage::loadFinished, this, &WebView::loadFinished);
    connect(page_, &QWebEnginePage::titleChanged, this, &WebView::titleChange);
    connect(&page_->guard(), &RunawayGuard::stopped, this, &WebView::renderStopped);
    connect(&page_->memoryGuard(), &MemoryGuard::exceeded, this, &WebView::memoryExceeded);
    page_->setDialogOpener([this](const ModalDialogRequest& request, const WebPage::DialogClosed& closed) {
        return openModalDialog(request, closed);
    });
    page_->setUserActedCheck([this] { return userActedRecently(); });
    connect(&page_->compat(), &CompatLayer::decided, this, &WebView::compatDecided);
}

WebView::~WebView()
{
    // Popups go first: each one's going updates this view's page.
    ownPopups_.reset();
    content_->drop();
    // The page must go before the view that shows it.
    view_->setPage(nullptr);
    delete page_;
}

void WebView::setPageDialogs(PageDialogs* dialogs)
{
    dialogs_ = dialogs;
    page_->setDialogs(dialogs, this);
}

void WebView::programLoad(const std::function<void()>& load)
{
    programNavigation_ = true;
    // Kept until the load finishes: a renderer ended meanwhile takes the load with it.
    waitingLoad_ = load;
    if (held_)
        return;
    // The next page would wait behind every message a flooding page has sent: its renderer
    // goes, and the load starts in a fresh one once it has gone.
    if (flooding() && page_->guard().endNow())
        return;
    if (!page_->guard().hurry())
        load();
}

bool WebView::flooding() const
{
    return floodSecond_.isValid() && floodSecond_.elapsed() < 2000
           && std::max(floodThisSecond_, floodLastSecond_) >= kFloodPerSecond;
}

void WebView::holdLoads()
{
    held_ = true;
    // Out of sight too: an engine view on show costs the start-up even with nothing loaded.
    view_->hide();
}

void WebView::releaseLoads()
{
    if (!std::exchange(held_, false))
        return;
    view_->show();
    if (!waitingLoad_)
        return;
    // A copy: the load may finish, and clear the kept one, before it returns.
    const std::function<void()> load = waitingLoad_;
    if (!page_->guard().hurry())
        load();
}

void WebView::navigate(const QString& address)
{
    const QUrl url = addressToUrl(address);
    if (!url.isValid())
        throw BrowserError("Invalid address \"" + address.toStdString() + "\"");
    showsContent_ = false;
    content_->drop();
    console_.clear();
    if (fileGuard_)
        fileGuard_->programNavigation(url);
    programLoad([this, url] { page_->loadPage(url); });
}

void WebView::navigateContent(const QByteArray& html, const QUrl& baseUrl, const QUrl& original)
{
    if (!original.isEmpty())
        original_ = original;
    else if (!showsContent_)
        original_ = page_->url();
    content_->drop();
    console_.clear();
    lastContent_ = html;
    lastContentBase_ = baseUrl;
    if (fileGuard_)
        fileGuard_->programNavigation(baseUrl);
    const QUrl address = content_->prepare(html, baseUrl);
    contentUrl_ = address;
    showsContent_ = true;
    // Through a file, the engine reports the file's address; as a data address, the base.
    page_->compat().expectContent(html, baseUrl, address == baseUrl ? QUrl() : address);
    programLoad([this] { content_->load(); });
}

void WebView::navigationRequested(const QUrl& url, bool isMainFrame)
{
    const bool content = showsContent_ && url.scheme() == QLatin1String("data");
    if (isMainFrame) {
        // A click on the page before does not answer for the next one.
        view_->forgetUserAction();
        if (content || url == contentUrl_) {
            content_->requested();
        } else {
            // Leaving the content for another page: refresh reloads that page as usual, and the
            // content's file is no longer needed, whether it finished loading or not.
            showsContent_ = false;
            content_->left();
        }
        if (programNavigation_) {
            programNavigation_ = false;
        } else {
            console_.addSeparator(url.toString());
            console_.flush();
        }
    }
    // Content travels as a data address; its base stands for it, as the page's address does.
    emit beforeNavigate(content ? contentUrl_.toString() : url.toString());
}

void WebView::loadFinished()
{
    programNavigation_ = false;
    waitingLoad_ = nullptr;
    emit downloadComplete();
    emit documentComplete(page_->url().toString());
}

void WebView::consoleMessage(const ConsoleMessage& message)
{
    if (!floodSecond_.isValid() || floodSecond_.elapsed() >= 1000) {
        floodLastSecond_ = floodSecond_.isValid() && floodSecond_.elapsed() < 2000 ? floodThisSecond_ : 0;
        floodThisSecond_ = 0;
        floodSecond_.start();
    }
    ++floodThisSecond_;
    // What a renderer being ended still sends belongs to the page being left.
    if (page_->guard().ending())
        return;
    console_.add(message);
}

void WebView::renderStopped(const QUrl& url)
{
    showStoppedPage(
        url, programlines::runawayStopped(url), QStringLiteral("Скриптът беше спрян"),
        QStringLiteral("Скриптът не отговаряше и беше спрян"),
        QStringLiteral("Страницата изпълняваше скрипт, който не отговори повече от няколко секунди, "
                       "затова беше спряна."));
}

void WebView::memoryExceeded(const QUrl& url)
{
    showStoppedPage(url, programlines::memoryStopped(url), QStringLiteral("Страницата беше спряна"),
                    QStringLiteral("Страницата използва твърде много памет и беше спряна"),
                    QStringLiteral("Страницата зае повече от %1 MB памет, затова беше спряна, преди да "
                                   "затрудни компютъра.")
                        .arg(MemoryGuard::kMemoryLimitMb));
}

void WebView::showStoppedPage(const QUrl& url, const ConsoleMessage& line, const QString& title,
                              const QString& heading, const QString& reason)
{
    if (waitingLoad_) {
        // The program was leaving the page anyway: its load starts again in a fresh renderer, and
        // there is nothing to say about the page it left.
        programNavigation_ = true;
        waitingLoad_();
        return;
    }
    console_.add(line);
    console_.flush();
    QFile file(QStringLiteral(":/browser/stopped.html"));
    file.open(QIODevice::ReadOnly);
    QString html = QString::fromUtf8(file.readAll());
    html.replace(QStringLiteral("{title}"), title);
    html.replace(QStringLiteral("{heading}"), heading);
    html.replace(QStringLiteral("{reason}"), reason);
    html.replace(QStringLiteral("{address}"), url.toString().toHtmlEscaped());
    // Shown as content of the stopped address: refresh runs the page again.
    if (!showsContent_)
        original_ = url;
    contentUrl_ = url;
    showsContent_ = true;
    programNavigation_ = true;
    page_->setContent(html.toUtf8(), QStringLiteral("text/html;charset=utf-8"), url);
}

void WebView::refresh()
{
    console_.clear();
    // A reload would show the content again; the point of refreshing it is the file on disk.
    if (showsContent_ && !original_.isEmpty()) {
        showsContent_ = false;
        content_->drop();
        if (fileGuard_)
            fileGuard_->programNavigation(original_);
        programLoad([this] { page_->loadPage(original_); });
        return;
    }
    programLoad([this] { page_->triggerAction(QWebEnginePage::Reload); });
}

void WebView::stop()
{
    page_->triggerAction(QWebEnginePage::Stop);
}

void WebView::createEngineWidget()
{
    // Any use of the page makes it; stopping a page that loads nothing leaves no trace.
    page_->triggerAction(QWebEnginePage::Stop);
}

EngineView* WebView::openPopup()
{
    PopupWindow* popup = newPopup();
    if (!popup)
        return nullptr;
    popup->show();
    return popup->view()->view_;
}

PopupWindow* WebView::newPopup()
{
    PopupWindow* popup = popups_->open();
    if (popup)
        popup->view()->followOpener(*this);
    return popup;
}

void WebView::followOpener(WebView& opener)
{
    root_ = opener.root_ ? opener.root_ : &opener;
    ownPopups_.reset();
    popups_ = opener.popups_;
    setPageDialogs(root_->dialogs_);
    asToday_ = root_->asToday_;
    page_->compat().setEnabled(!asToday_);
    if (opener.fileGuard_) {
        restrictLocalFiles(opener.libraryFolders_);
        // A window a web page opens is on the web with it; one a local page opens is not.
        fileGuard_->setRemoteAllowed(opener.fileGuard_->remoteAllowed());
    }
}

bool WebView::openModalDialog(const ModalDialogRequest& request, const WebPage::DialogClosed& closed)
{
    PopupWindow* popup = newPopup();
    if (!popup)
        return false;
    popup->showAsDialog(request, closed);
    return true;
}

void WebView::popupOpened(const QUrl& url)
{
    console_.add(programlines::popupOpened(url));
    console_.flush();
}

void WebView::setAsToday(bool asToday)
{
    asToday_ = asToday;
    page_->compat().setEnabled(!asToday);
    if (!root_)
        for (PopupWindow* popup : popups_->windows())
            popup->view()->setAsToday(asToday);
    if (!root_ && showsContent_ && !lastContent_.isEmpty()) {
        // The text run from the code box runs again, not the file it came from.
        navigateContent(lastContent_, lastContentBase_, original_);
        return;
    }
    console_.clear();
    programLoad([this] { page_->triggerAction(QWebEnginePage::Reload); });
}

// Shown without the layer, a page that needs it says so in the console, and what it would get.
void WebView::compatDecided(const QUrl& url, const syntax::CompatNeeds& needed, bool enabled)
{
    if (enabled || needed.empty())
        return;
    console_.add(programlines::compatOff(url, needed));
    // The program's own line, shown at once as a separator is.
    console_.flush();
}

bool WebView::userActedRecently() const
{
    return view_->userActedWithin(kUserActionMs);
}

void WebView::setViewName(const QString& name)
{
    setAccessibleName(name);
    view_->setViewName(name);
}

void WebView::restrictLocalFiles(const QStringList& libraryFolders)
{
    libraryFolders_ = libraryFolders;
    if (!fileGuard_) {
        fileGuard_ = new LocalFileGuard(this);
        page_->setFileGuard(fileGuard_);
        content_->setFileGuard(fileGuard_);
        connect(fileGuard_, &LocalFileGuard::refused, this, &WebView::requestRefused);
    }
    fileGuard_->setLibraryFolders(libraryFolders);
}

void WebView::requestRefused(const QUrl& url)
{
    // A popup's refusals are the preview's: its console is the one shown.
    (root_ ? root_->console_ : console_).add(programlines::refused(url));
}

void WebView::setErrorPageEnabled(bool enabled)
{
    page_->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, enabled);
}

} // namespace corvane
