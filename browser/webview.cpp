#include "browser/webview.h"

#include "address/address.h"
#include "browser/compatlayer.h"
#include "browser/downloads.h"
#include "browser/exitcleanup.h"
#include "browser/localfileguard.h"
#include "browser/memoryguard.h"
#include "browser/popupwindow.h"
#include "browser/runawayguard.h"
#include "browser/webpage.h"
#include "platform/errors.h"
#include "syntax/document.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

// The text is Windows-1251 by construction, so it says so even where a short page would make the
// engine guess otherwise.
const QByteArray kContentType = QByteArrayLiteral("text/html;charset=windows-1251");

// Puts the character set and a <base> first in the page (after its doctype, which must stay first
// for the page to keep its rendering mode), so that a page loaded from elsewhere still finds its
// pictures and scripts.
QByteArray withBase(const QByteArray& html, const QUrl& baseUrl)
{
    QByteArray href = baseUrl.toEncoded();
    href.replace('"', "%22");
    const QByteArray tag = "<meta charset=\"windows-1251\"><base href=\"" + href + "\">";
    const auto at = static_cast<qsizetype>(
        syntax::leadingDoctypeEnd(std::string_view(html.constData(), static_cast<std::size_t>(html.size()))));
    return html.left(at) + tag + html.mid(at);
}

// The size IE gave a dialog: "dialogWidth:300px; dialogHeight:20em", its default otherwise.
QSize dialogSize(const QString& features)
{
    QSize size(400, 300);
    for (const QString& feature : features.split(QLatin1Char(';'))) {
        const qsizetype split = feature.indexOf(QRegularExpression(QStringLiteral("[:=]")));
        if (split < 0)
            continue;
        const QString name = feature.left(split).trimmed().toLower();
        QString value = feature.mid(split + 1).trimmed().toLower();
        double scale = 1;
        if (value.endsWith(QLatin1String("em")))
            scale = 16;
        else if (value.endsWith(QLatin1String("pt")))
            scale = 4.0 / 3;
        value.remove(QRegularExpression(QStringLiteral("[a-z%]+$")));
        bool ok = false;
        const int pixels = static_cast<int>(value.toDouble(&ok) * scale);
        if (!ok || pixels < 50 || pixels > 10000)
            continue;
        if (name == QLatin1String("dialogwidth"))
            size.setWidth(pixels);
        else if (name == QLatin1String("dialogheight"))
            size.setHeight(pixels);
    }
    return size;
}

QString contentFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

void ensureEngineAvailable()
{
    static const bool available = [] {
        const QString configured = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
        if (!configured.isEmpty())
            return QFileInfo(configured).isExecutable();
        const QString dir = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath);
        return QFileInfo(QDir(dir).filePath(QStringLiteral("QtWebEngineProcess"))).isExecutable()
               || QFileInfo(QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("QtWebEngineProcess")))
                      .isExecutable();
    }();
    if (!available)
        throw BrowserError("The web-browser component is not installed (QtWebEngineProcess was not found)");
}

} // namespace

WebView::WebView(QWidget* parent)
    : QWidget(parent)
{
    ensureEngineAvailable();
    view_ = new QWebEngineView(this);
    page_ = new WebPage(this);
    view_->setPage(page_);
    page_->usePreviewSettings();

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
    connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        // The content's own load is over, whether it loaded, failed or was left.
        if (contentFile_ && info.url() == contentUrl_
            && info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            dropContentFile();
    });
    connect(&page_->guard(), &RunawayGuard::stopped, this, &WebView::renderStopped);
    connect(&page_->memoryGuard(), &MemoryGuard::exceeded, this, &WebView::memoryExceeded);
    page_->setWindowFactory([this] { return openPopup(); });
    page_->setDialogOpener([this](const ModalDialogRequest& request, const WebPage::DialogClosed& closed) {
        return openModalDialog(request, closed);
    });
    page_->setUserActedCheck([this] { return userActedRecently(); });
    connect(&page_->compat(), &CompatLayer::decided, this, &WebView::compatDecided);
    // The user's clicks and keys reach the engine's widgets inside the view.
    view_->installEventFilter(this);
    for (QWidget* widget : view_->findChildren<QWidget*>())
        widget->installEventFilter(this);
}

WebView::~WebView()
{
    // Popups go first: each one's going updates this view's page.
    for (const QPointer<QObject>& popup : std::exchange(popups_, {}))
        delete popup.data();
    dropContentFile();
    // The page must go before the view that shows it.
    view_->setPage(nullptr);
    delete page_;
}

void WebView::setPageDialogs(PageDialogs* dialogs)
{
    dialogs_ = dialogs;
    page_->setDialogs(dialogs, this);
    if (dialogs)
        askWhereToSaveDownloads(*page_->profile());
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
    dropContentFile();
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
    dropContentFile();
    console_.clear();
    lastContent_ = html;
    lastContentBase_ = baseUrl;
    if (fileGuard_)
        fileGuard_->programNavigation(baseUrl);

    if (WebPage::fitsDataAddress(html)) {
        // The engine reports the base as the page's address.
        contentUrl_ = baseUrl;
        showsContent_ = true;
        page_->compat().expectContent(html, baseUrl, QUrl());
        programLoad(
            [this, html, baseUrl] { page_->setContent(html, QString::fromLatin1(kContentType), baseUrl); });
        return;
    }
    auto file =
        std::make_unique<QTemporaryFile>(contentFolder() + QStringLiteral("/corvane-edit-XXXXXX.html"));
    const QByteArray page = withBase(html, baseUrl);
    if (!file->open() || file->write(page) != page.size() || !file->flush()) {
        const std::string text = "Cannot create file \"" + file->fileName().toStdString() + "\". "
                                 + file->errorString().toStdString();
        file.reset();
        throw FileCreateError(text);
    }
    file->close();
    removeAtExit(file->fileName());
    if (fileGuard_)
        fileGuard_->allowFile(file->fileName());
    contentUrl_ = QUrl::fromLocalFile(file->fileName());
    contentFile_ = std::move(file);
    showsContent_ = true;
    page_->compat().expectContent(html, baseUrl, contentUrl_);
    programLoad([this] { page_->load(contentUrl_); });
}

QString WebView::contentFilePath() const
{
    return contentFile_ ? contentFile_->fileName() : QString();
}

void WebView::navigationRequested(const QUrl& url, bool isMainFrame)
{
    const bool content = showsContent_ && url.scheme() == QLatin1String("data");
    if (isMainFrame) {
        // A click on the page before does not answer for the next one.
        userAction_.invalidate();
        if (content || url == contentUrl_) {
            contentRequested_ = true;
        } else {
            // Leaving the content for another page: refresh reloads that page as usual, and the
            // content's file is no longer needed, whether it finished loading or not.
            showsContent_ = false;
            if (contentRequested_)
                dropContentFile();
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
    // The content is read once it has loaded; its own references point at its base folder.
    if (contentFile_ && page_->url() == contentUrl_)
        dropContentFile();
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
    if (message.kind == ConsoleMessage::Kind::Script && message.level == ConsoleMessage::Level::Error)
        emit scriptError(message.text + QStringLiteral(" (") + message.source + QLatin1Char(':')
                         + QString::number(message.line) + QLatin1Char(')'));
}

void WebView::renderStopped(const QUrl& url)
{
    if (waitingLoad_) {
        // The program was leaving the page anyway; nothing to say about it.
        programNavigation_ = true;
        waitingLoad_();
        return;
    }
    ConsoleMessage message;
    message.kind = ConsoleMessage::Kind::RunawayStop;
    message.level = ConsoleMessage::Level::Error;
    message.text = QStringLiteral("Скриптът не отговаряше и беше спрян");
    message.source = url.toString();
    console_.add(message);
    console_.flush();
    showStoppedPage(url, QStringLiteral("stopped.html"));
}

void WebView::memoryExceeded(const QUrl& url)
{
    if (waitingLoad_) {
        // The program's load went with the renderer; it starts again in a fresh one.
        programNavigation_ = true;
        waitingLoad_();
        return;
    }
    ConsoleMessage message;
    message.kind = ConsoleMessage::Kind::MemoryStop;
    message.level = ConsoleMessage::Level::Error;
    message.text = QStringLiteral("Страницата използва твърде много памет и беше спряна");
    message.source = url.toString();
    console_.add(message);
    console_.flush();
    showStoppedPage(url, QStringLiteral("outofmemory.html"));
}

void WebView::showStoppedPage(const QUrl& url, const QString& page)
{
    QFile file(QStringLiteral(":/browser/") + page);
    file.open(QIODevice::ReadOnly);
    QString html = QString::fromUtf8(file.readAll());
    html.replace(QStringLiteral("{address}"), url.toString().toHtmlEscaped());
    html.replace(QStringLiteral("{limit}"), QString::number(MemoryGuard::kMemoryLimitMb));
    // Shown as content of the stopped address: refresh runs the page again.
    if (!showsContent_)
        original_ = url;
    contentUrl_ = url;
    showsContent_ = true;
    programNavigation_ = true;
    page_->setContent(html.toUtf8(), QStringLiteral("text/html;charset=utf-8"), url);
}

void WebView::dropContentFile()
{
    if (contentFile_) {
        letGoAtExit(contentFile_->fileName());
        if (fileGuard_)
            fileGuard_->forgetFile(contentFile_->fileName());
    }
    contentFile_.reset();
    contentRequested_ = false;
}

void WebView::refresh()
{
    console_.clear();
    // A reload would show the content again; the point of refreshing it is the file on disk.
    if (showsContent_ && !original_.isEmpty()) {
        showsContent_ = false;
        dropContentFile();
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

QWebEnginePage* WebView::openPopup()
{
    PopupWindow* popup = newPopup();
    if (!popup)
        return nullptr;
    popup->show();
    return popup->view()->page();
}

PopupWindow* WebView::newPopup()
{
    WebView* root = root_ ? root_ : this;
    root->popups_.removeAll(nullptr);
    if (root->popups_.size() >= kPopupLimit)
        return nullptr;
    auto* popup = new PopupWindow(root);
    WebView* view = popup->view();
    view->root_ = root;
    view->setPageDialogs(root->dialogs_);
    view->asToday_ = root->asToday_;
    view->page_->compat().setEnabled(!root->asToday_);
    view->forceCompat(root->forcedCompat_);
    if (fileGuard_) {
        view->restrictLocalFiles(libraryFolders_);
        // A window a web page opens is on the web with it; one a local page opens is not.
        view->fileGuard_->setRemoteAllowed(fileGuard_->remoteAllowed());
    }
    root->popups_.append(popup);
    connect(popup, &QObject::destroyed, root, [root](QObject* gone) {
        root->popups_.removeIf([gone](const QPointer<QObject>& p) { return p.data() == gone; });
        root->allowPopups();
    });
    root->allowPopups();
    connect(
        view->page(), &QWebEnginePage::urlChanged, root,
        [root](const QUrl& url) {
            ConsoleMessage message;
            message.kind = ConsoleMessage::Kind::Popup;
            message.text = QStringLiteral("Отворен е нов прозорец");
            message.source = url.toString();
            root->console_.add(message);
            root->console_.flush();
        },
        Qt::SingleShotConnection);
    return popup;
}

// IE's showModalDialog: the program's popup window, sized by the dialog's features, modal unless
// the page asked for a modeless one; `closed` gets what the dialog set as its returnValue.
bool WebView::openModalDialog(const ModalDialogRequest& request,
                              const std::function<void(const std::optional<QString>&)>& closed)
{
    PopupWindow* popup = newPopup();
    if (!popup)
        return false;
    WebView* view = popup->view();
    view->page_->compat().makeDialog(request.arguments);
    if (closed) {
        auto value = std::make_shared<std::optional<QString>>();
        connect(view->page_, &WebPage::dialogReturnValue, popup, [value](const QString& json) {
            *value = json.isEmpty() ? std::nullopt : std::optional<QString>(json);
        });
        connect(popup, &QObject::destroyed, popup, [value, closed] { closed(*value); });
    }
    popup->resize(dialogSize(request.features));
    if (request.modal)
        popup->setWindowModality(Qt::ApplicationModal);
    popup->show();
    view->navigate(request.url.toString());
    return true;
}

void WebView::setAsToday(bool asToday)
{
    asToday_ = asToday;
    page_->compat().setEnabled(!asToday);
    for (PopupWindow* popup : popups())
        popup->view()->setAsToday(asToday);
    if (!root_ && showsContent_ && !lastContent_.isEmpty()) {
        // The text run from the code box runs again, not the file it came from.
        navigateContent(lastContent_, lastContentBase_, original_);
        return;
    }
    console_.clear();
    programLoad([this] { page_->triggerAction(QWebEnginePage::Reload); });
}

void WebView::forceCompat(const std::optional<syntax::CompatNeeds>& needs)
{
    forcedCompat_ = needs;
    page_->compat().force(needs);
}

syntax::CompatNeeds WebView::compatNeeded() const
{
    return page_->compat().needed();
}

syntax::CompatNeeds WebView::compatGiven() const
{
    return page_->compat().given();
}

// Shown without the layer, a page that needs it says so in the console, and what it would get.
void WebView::compatDecided(const QUrl& url, const syntax::CompatNeeds& needed, bool enabled)
{
    if (enabled || needed.empty())
        return;
    ConsoleMessage message;
    message.kind = ConsoleMessage::Kind::Compat;
    message.text =
        QStringLiteral("Съвместимост: изключена, страницата е както в днешните браузъри (би получила: %1)")
            .arg(QString::fromStdString(needed.partNames()));
    message.source = url.toString();
    console_.add(message);
    // The program's own line, shown at once as a separator is.
    console_.flush();
}

bool WebView::userActedRecently() const
{
    return userAction_.isValid() && userAction_.elapsed() < kUserActionMs;
}

void WebView::allowPopups()
{
    // The engine gives a page null from window.open only while it may not open windows by itself.
    popups_.removeAll(nullptr);
    const bool allowed = popups_.size() < kPopupLimit;
    page_->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, allowed);
    for (PopupWindow* popup : popups())
        popup->view()->page()->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows,
                                                        allowed);
}

QList<PopupWindow*> WebView::popups() const
{
    QList<PopupWindow*> open;
    for (const auto& popup : popups_)
        if (popup)
            open.append(static_cast<PopupWindow*>(popup.data()));
    return open;
}

void WebView::setViewName(const QString& name)
{
    setAccessibleName(name);
    nameEngineWidgets();
}

void WebView::nameEngineWidgets()
{
    view_->setAccessibleName(accessibleName());
    for (QWidget* widget : view_->findChildren<QWidget*>())
        widget->setAccessibleName(accessibleName());
}

bool WebView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        // The engine makes the widget that shows the page when the page first renders.
        if (watched == view_) {
            if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
                child->installEventFilter(this);
            if (!accessibleName().isEmpty())
                nameEngineWidgets();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        // Only the user makes these: a page's script never reaches the widgets.
        userAction_.start();
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void WebView::restrictLocalFiles(const QStringList& libraryFolders)
{
    libraryFolders_ = libraryFolders;
    if (!fileGuard_) {
        fileGuard_ = new LocalFileGuard(this);
        page_->setFileGuard(fileGuard_);
        connect(fileGuard_, &LocalFileGuard::refused, this, &WebView::requestRefused);
    }
    fileGuard_->setLibraryFolders(libraryFolders);
}

void WebView::requestRefused(const QUrl& url)
{
    ConsoleMessage message;
    message.kind = ConsoleMessage::Kind::Refused;
    message.level = ConsoleMessage::Level::Error;
    message.text = url.isLocalFile() ? QStringLiteral("Отказан е достъп до файл извън библиотеката")
                                     : QStringLiteral("Отказана е връзка извън компютъра");
    message.source = url.toString();
    // A popup's refusals are the preview's: its console is the one shown.
    (root_ ? root_ : this)->console_.add(message);
}

void WebView::setErrorPageEnabled(bool enabled)
{
    page_->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, enabled);
}

QUrl WebView::currentUrl() const
{
    return page_->url();
}

QWebEnginePage* WebView::page() const
{
    return page_;
}

QString WebView::title() const
{
    return page_->title();
}

} // namespace corvane
