#include "browser/webview.h"

#include "browser/pagesettings.h"
#include "platform/errors.h"
#include "syntax/document.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>

namespace corvane {
namespace {

// The engine turns content into a data address and refuses addresses longer than this many
// characters.
constexpr qsizetype kMaxDataAddress = 2 * 1024 * 1024;
// The text is Windows-1251 by construction, so it says so even where a short page would make the
// engine guess otherwise.
const QByteArray kContentType = QByteArrayLiteral("text/html;charset=windows-1251");

// The longer of the two ways the engine may encode it: percent-encoded or base64.
qsizetype dataAddressLength(const QByteArray& content)
{
    qsizetype percent = 0;
    for (const char c : content) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                           || c == '-' || c == '.' || c == '_' || c == '~';
        percent += plain ? 1 : 3;
    }
    const qsizetype base64 = (content.size() + 2) / 3 * 4;
    return QByteArrayLiteral("data:;base64,").size() + kContentType.size() + std::max(percent, base64);
}

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

class WebPage : public QWebEnginePage {
public:
    WebPage(WebView* owner)
        : QWebEnginePage(owner)
        , owner_(owner)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame)
            owner_->mainFrameNavigation(url);
        // Every navigation goes ahead, frames and script-started ones too.
        // Content travels as a data address; its base stands for it, as the page's address does.
        const bool content = owner_->showsContent_ && url.scheme() == QLatin1String("data");
        emit owner_->beforeNavigate(content ? owner_->contentUrl_.toString() : url.toString());
        return true;
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override
    {
        if (message.startsWith(statusTextMarker())) {
            emit owner_->statusTextChange(message.mid(statusTextMarker().size()));
            return;
        }
        if (level == ErrorMessageLevel)
            emit owner_->scriptError(message + QStringLiteral(" (") + source + QLatin1Char(':') + QString::number(line) + QLatin1Char(')'));
        QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }

private:
    WebView* owner_;
};

WebView::WebView(QWidget* parent)
    : QWidget(parent)
{
    ensureEngineAvailable();
    view_ = new QWebEngineView(this);
    page_ = new WebPage(this);
    view_->setPage(page_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);

    applyPreviewSettings(*page_);

    connect(page_, &QWebEnginePage::linkHovered, this, &WebView::statusTextChange);
    connect(page_, &QWebEnginePage::loadStarted, this, &WebView::downloadBegin);
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
        // The content is read once it has loaded; its own references point at its base folder.
        if (contentFile_ && page_->url() == contentUrl_)
            dropContentFile();
        emit downloadComplete();
        emit documentComplete(page_->url().toString());
    });
    connect(page_, &QWebEnginePage::titleChanged, this, &WebView::titleChange);
}

WebView::~WebView()
{
    dropContentFile();
    // The page must go before the view that shows it.
    view_->setPage(nullptr);
    delete page_;
}

QUrl WebView::addressToUrl(const QString& address)
{
    if (QDir::isAbsolutePath(address))
        return QUrl::fromLocalFile(address);
    const QUrl url(address, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1)
        return url;
    return QUrl::fromUserInput(address);
}

void WebView::navigate(const QString& address)
{
    const QUrl url = addressToUrl(address);
    if (!url.isValid())
        throw BrowserError("Invalid address \"" + address.toStdString() + "\"");
    showsContent_ = false;
    dropContentFile();
    page_->load(url);
}

void WebView::navigateContent(const QByteArray& html, const QUrl& baseUrl, const QUrl& original)
{
    if (!original.isEmpty())
        original_ = original;
    else if (!showsContent_)
        original_ = page_->url();
    dropContentFile();

    if (dataAddressLength(html) <= kMaxDataAddress) {
        // The engine reports the base as the page's address.
        contentUrl_ = baseUrl;
        showsContent_ = true;
        page_->setContent(html, QString::fromLatin1(kContentType), baseUrl);
        return;
    }
    auto file = std::make_unique<QTemporaryFile>(contentFolder() + QStringLiteral("/corvane-edit-XXXXXX.html"));
    const QByteArray page = withBase(html, baseUrl);
    if (!file->open() || file->write(page) != page.size() || !file->flush()) {
        const std::string text = "Cannot create file \"" + file->fileName().toStdString() + "\". "
                                 + file->errorString().toStdString();
        file.reset();
        throw FileCreateError(text);
    }
    file->close();
    contentUrl_ = QUrl::fromLocalFile(file->fileName());
    contentFile_ = std::move(file);
    showsContent_ = true;
    page_->load(contentUrl_);
}

QString WebView::contentFilePath() const
{
    return contentFile_ ? contentFile_->fileName() : QString();
}

void WebView::mainFrameNavigation(const QUrl& url)
{
    // Leaving the content for another page: refresh reloads that page as usual.
    if (showsContent_ && url != contentUrl_ && url.scheme() != QLatin1String("data"))
        showsContent_ = false;
}

void WebView::dropContentFile()
{
    contentFile_.reset();
}

void WebView::refresh()
{
    // A reload would show the content again; the point of refreshing it is the file on disk.
    if (showsContent_ && !original_.isEmpty()) {
        showsContent_ = false;
        dropContentFile();
        page_->load(original_);
        return;
    }
    page_->triggerAction(QWebEnginePage::Reload);
}

void WebView::stop()
{
    page_->triggerAction(QWebEnginePage::Stop);
}

void WebView::setViewName(const QString& name)
{
    setAccessibleName(name);
    view_->installEventFilter(this);
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
    // The engine makes the widget that shows the page when the page first renders.
    if (watched == view_ && event->type() == QEvent::ChildAdded)
        nameEngineWidgets();
    return QWidget::eventFilter(watched, event);
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
