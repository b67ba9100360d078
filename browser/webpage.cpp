#include "browser/webpage.h"

#include "browser/consolemessages.h"
#include "browser/lettercase.h"
#include "browser/localfileguard.h"
#include "browser/memoryguard.h"
#include "browser/pagedialogs.h"
#include "browser/pagescript.h"
#include "browser/runawayguard.h"

#include "syntax/document.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

// Marks console messages that carry a status text written by the page.
const QString kStatusMarker = QStringLiteral("\x01"
                                             "corvane-status"
                                             "\x01");

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

// The engine asks before a page is left through its confirm box, with this text.
QString leaveQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

const QByteArray kWindows1251Html = QByteArrayLiteral("text/html;charset=windows-1251");
// The engine turns content into a data address and refuses addresses longer than this.
constexpr qsizetype kMaxDataAddress = qsizetype{2} * 1024 * 1024;

// Names the engine loads as HTML.
bool isHtmlName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("html") || suffix == QLatin1String("htm")
           || suffix == QLatin1String("shtml") || suffix == QLatin1String("shtm");
}

} // namespace

bool WebPage::fitsDataAddress(const QByteArray& html)
{
    // The longer of the two ways the engine may encode it: percent-encoded or base64.
    qsizetype percent = 0;
    for (const char c : html) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                           || c == '-' || c == '.' || c == '_' || c == '~';
        percent += plain ? 1 : 3;
    }
    const qsizetype base64 = (html.size() + 2) / 3 * 4;
    return QByteArrayLiteral("data:;base64,").size() + kWindows1251Html.size() + std::max(percent, base64)
           <= kMaxDataAddress;
}

WebPage::WebPage(QObject* parent)
    : WebPage(nullptr, parent)
{
}

WebPage::WebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile ? profile : QWebEngineProfile::defaultProfile(), parent)
    , capture_(new ConsoleCapture(this))
    , guard_(new RunawayGuard(this))
    , memory_(new MemoryGuard(this))
{
    installPageScript(*this, QStringLiteral("statustext.js"));
    connect(capture_, &ConsoleCapture::message, this, &WebPage::consoleMessage);
}

void WebPage::usePreviewSettings()
{
    // The library's pages carry no character-set declaration and are Windows-1251.
    settings()->setDefaultTextEncoding(QStringLiteral("windows-1251"));
    useSansSerifFaces(*settings());
}

void WebPage::setFileGuard(LocalFileGuard* guard)
{
    fileGuard_ = guard;
    setUrlRequestInterceptor(guard);
}

void WebPage::setDialogs(PageDialogs* dialogs, QWidget* dialogParent)
{
    dialogs_ = dialogs;
    dialogParent_ = dialogParent;
}

void WebPage::loadPage(const QUrl& url)
{
    const QUrl page = withFoundLetterCase(url);
    if (const std::optional<QByteArray> html = undeclaredPage(page))
        showAsWindows1251(*html, page);
    else
        load(url);
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // The engine asks no request guard about the first page of a window a page opened, so a page's
    // own navigations are judged here too: a file by where it lies, an address off the machine as
    // one of the page's requests (a new window's by its own address). The program's own loads and
    // the redirects of allowed ones go ahead.
    if (isMainFrame && fileGuard_
        && (url.isLocalFile() || (type != NavigationTypeTyped && type != NavigationTypeRedirect))) {
        const QUrl page =
            this->url().isEmpty() || this->url().scheme() == QLatin1String("about") ? url : this->url();
        if (!fileGuard_->admit(url, page, QUrl()))
            return false;
    }
    if (isMainFrame) {
        // A new document may open boxes again.
        boxesStopped_ = false;
        // The page shown again with its character set named, under the file's own address.
        if (std::exchange(ownContentNext_, false) && url.scheme() == QLatin1String("data")) {
            emit navigationRequested(shownFile_, true);
            return true;
        }
        // A reload of such a page reads the file again, as a reload of the file would.
        const bool reloadsShownFile = type == NavigationTypeReload && url.scheme() == QLatin1String("data")
                                      && !shownFile_.isEmpty() && this->url() == shownFile_;
        const QUrl target = withFoundLetterCase(reloadsShownFile ? shownFile_ : url);
        shownFile_.clear();
        if (const std::optional<QByteArray> html = undeclaredPage(target)) {
            // Once the engine has dropped the navigation it asked about.
            QTimer::singleShot(0, this, [this, html = *html, target] { showAsWindows1251(html, target); });
            return false;
        }
    }
    emit navigationRequested(url, isMainFrame);
    // Every navigation goes ahead, frames and script-started ones too.
    return true;
}

// The engine takes the default character set only as a hint and guesses from the text, so a page
// with little Cyrillic text would be read in a Western code page. Shown as content of its own
// address with the character set named, it reads as the system it was written on read it. Frames
// of the same folder take their parent's character set; a page that names its own keeps it.
std::optional<QByteArray> WebPage::undeclaredPage(const QUrl& url) const
{
    // A file the page may not load is left to the engine, whose request the guard refuses.
    if (!url.isLocalFile() || (fileGuard_ && !fileGuard_->mayLoad(url, this->url(), QUrl())))
        return std::nullopt;
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    // Only regular files, read whole only when small enough to be shown as content.
    if (!isHtmlName(path) || !info.isFile() || info.size() > kMaxDataAddress)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray html = file.read(kMaxDataAddress + 1);
    if (html.size() > kMaxDataAddress || !fitsDataAddress(html)
        || syntax::declaresCharset(std::string_view(html.constData(), static_cast<std::size_t>(html.size()))))
        return std::nullopt;
    return html;
}

void WebPage::showAsWindows1251(const QByteArray& html, const QUrl& url)
{
    ownContentNext_ = true;
    shownFile_ = url;
    setContent(html, QString::fromLatin1(kWindows1251Html), url);
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                       const QString& source)
{
    if (message.startsWith(kStatusMarker)) {
        emit statusText(message.mid(kStatusMarker.size()));
        return;
    }
    capture_->pageMessage(level, message, line, source);
}

// Runs one box of the page: the guard rests meanwhile, and a quick run of boxes gets the offer
// to stop them. `box` takes the stop flag (or null) and returns the answer.
template <typename Box>
auto WebPage::inBox(Box&& box)
{
    burst_ = sinceBox_.isValid() && sinceBox_.elapsed() < kDialogBurstMs ? burst_ + 1 : 1;
    bool stop = false;
    guard_->setPaused(true);
    const auto answer = box(burst_ >= kDialogBurst ? &stop : nullptr);
    guard_->setPaused(false);
    sinceBox_.start();
    boxesStopped_ = stop;
    return answer;
}

void WebPage::javaScriptAlert(const QUrl& origin, const QString& text)
{
    if (!dialogs_)
        return QWebEnginePage::javaScriptAlert(origin, text);
    if (boxesStopped_)
        return;
    inBox([&](bool* stop) {
        dialogs_->alert(dialogParent_, text, stop);
        return true;
    });
}

bool WebPage::javaScriptConfirm(const QUrl& origin, const QString& text)
{
    if (!dialogs_)
        return QWebEnginePage::javaScriptConfirm(origin, text);
    if (text == leaveQuestion()) {
        guard_->setPaused(true);
        const bool leave = dialogs_->confirmLeave(dialogParent_);
        guard_->setPaused(false);
        return leave;
    }
    if (boxesStopped_)
        return false;
    return inBox([&](bool* stop) { return dialogs_->confirm(dialogParent_, text, stop); });
}

bool WebPage::javaScriptPrompt(const QUrl& origin, const QString& text, const QString& defaultValue,
                               QString* result)
{
    if (!dialogs_)
        return QWebEnginePage::javaScriptPrompt(origin, text, defaultValue, result);
    if (boxesStopped_)
        return false;
    QString value = defaultValue;
    const bool accepted =
        inBox([&](bool* stop) { return dialogs_->prompt(dialogParent_, text, value, stop); });
    if (accepted && result)
        *result = value;
    return accepted;
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    return windowFactory_ ? windowFactory_() : nullptr;
}

} // namespace corvane
