#include "browser/webview.h"

#include "platform/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace corvane {
namespace {

// Marks console messages that carry a status text written by the page.
const QString kStatusMarker = QStringLiteral("\x01" "corvane-status" "\x01");

// Chromium stores window.status but shows it nowhere; report every write instead.
const char* const kStatusScript = R"JS(
(function () {
  var texts = { status: '', defaultStatus: '' };
  ['status', 'defaultStatus'].forEach(function (name) {
    try {
      Object.defineProperty(window, name, {
        configurable: true,
        get: function () { return texts[name]; },
        set: function (value) {
          texts[name] = String(value);
          console.debug('\u0001corvane-status\u0001' + texts[name]);
        }
      });
    } catch (e) {}
  });
})();
)JS";

// The face that stands in for Verdana, as it does in the widgets.
const QString kSansFace = QStringLiteral("DejaVu Sans");

// Chromium takes no look-alike for a face that is missing: a page asking for Verdana falls back
// to the standard face, a serif one unless told otherwise.
void useSansSerifFaces(QWebEngineSettings& settings)
{
    if (QFontDatabase::hasFamily(kSansFace))
        settings.setFontFamily(QWebEngineSettings::SansSerifFont, kSansFace);
    settings.setFontFamily(QWebEngineSettings::StandardFont,
                           settings.fontFamily(QWebEngineSettings::SansSerifFont));
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
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        // Every navigation goes ahead, frames and script-started ones too.
        emit owner_->beforeNavigate(url.toString());
        return true;
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override
    {
        if (message.startsWith(kStatusMarker)) {
            emit owner_->statusTextChange(message.mid(kStatusMarker.size()));
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

    // The library's pages carry no character-set declaration and are Windows-1251.
    page_->settings()->setDefaultTextEncoding(QStringLiteral("windows-1251"));
    useSansSerifFaces(*page_->settings());

    QWebEngineScript status;
    status.setName(QStringLiteral("corvane-status"));
    status.setSourceCode(QString::fromLatin1(kStatusScript));
    status.setInjectionPoint(QWebEngineScript::DocumentCreation);
    status.setWorldId(QWebEngineScript::MainWorld);
    status.setRunsOnSubFrames(true);
    page_->scripts().insert(status);

    connect(page_, &QWebEnginePage::linkHovered, this, &WebView::statusTextChange);
    connect(page_, &QWebEnginePage::loadStarted, this, &WebView::downloadBegin);
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
        emit downloadComplete();
        emit documentComplete(page_->url().toString());
    });
    connect(page_, &QWebEnginePage::titleChanged, this, &WebView::titleChange);
}

WebView::~WebView()
{
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
    page_->load(url);
}

void WebView::refresh()
{
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
