#include "browser/webpage.h"

#include "browser/compatlayer.h"
#include "browser/consolemessages.h"
#include "browser/lettercase.h"
#include "browser/localfileguard.h"
#include "browser/memoryguard.h"
#include "browser/pagechannel.h"
#include "browser/pagedialogs.h"
#include "browser/pagescript.h"
#include "browser/pagewait.h"
#include "browser/runawayguard.h"

#include "syntax/document.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <algorithm>
#include <utility>

namespace corvane {
namespace {

// What the console line of the layer shows at most: the page writes the labels.
constexpr int kMaxUseLabels = 20;
constexpr int kMaxLabelLength = 60;

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

QString identityName(const QString& identity)
{
    if (identity == QLatin1String("ie"))
        return QStringLiteral("IE 6");
    if (identity == QLatin1String("ns4"))
        return QStringLiteral("Netscape 4");
    return {};
}

// "Съвместимост: IE 6 — attachEvent ×3, филтри ×2".
QString usesLine(const QJsonObject& data)
{
    QString text = identityName(data.value(QLatin1String("identity")).toString());
    QStringList uses;
    const QJsonArray all = data.value(QLatin1String("uses")).toArray();
    for (const auto& use : all) {
        if (uses.size() == kMaxUseLabels) {
            uses.append(QStringLiteral("…"));
            break;
        }
        const QJsonArray pair = use.toArray();
        uses.append(pair.at(0).toString().left(kMaxLabelLength) + QStringLiteral(" ×")
                    + QString::number(pair.at(1).toInteger()));
    }
    if (!uses.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral(" — ")) + uses.join(QStringLiteral(", "));
    return QStringLiteral("Съвместимост: ") + text;
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
    , compat_(new CompatLayer(this))
    , memory_(new MemoryGuard(this))
{
    // Before the first load: the layer's calls that wait need it (see PageWaits::serving).
    PageWaits::serving(*this->profile());
    installPageScript(*this, QStringLiteral("corvane-page"),
                      pageScriptSource(QStringLiteral("statustext.js"))
                          + pageScriptSource(QStringLiteral("failedloads.js")),
                      true);
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
    // The layer reads the scripts, styles and components a page loads, and gives it their text.
    compat_->setFileCheck([this](const QUrl& url) {
        return !fileGuard_ || fileGuard_->mayLoad(withFoundLetterCase(url), this->url(), QUrl());
    });
}

void WebPage::setDialogs(PageDialogs* dialogs, QWidget* dialogParent)
{
    dialogs_ = dialogs;
    dialogParent_ = dialogParent;
}

void WebPage::loadPage(const QUrl& url)
{
    const QUrl page = withFoundLetterCase(url);
    if (const std::optional<QByteArray> html = undeclaredPage(page)) {
        showAsWindows1251(*html, page);
    } else {
        compat_->decideBefore(url);
        load(url);
    }
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
        const bool leavesContent = !std::exchange(shownFile_, QUrl()).isEmpty();
        if (const std::optional<QByteArray> html = undeclaredPage(target)) {
            // Once the engine has dropped the navigation it asked about.
            QTimer::singleShot(0, this, [this, html = *html, target] { showAsWindows1251(html, target); });
            return false;
        }
        // A page shown as content that goes on to a file page: loaded by the program, so that the
        // layer is decided before the engine makes the document.
        if (leavesContent && url.isLocalFile()
            && (type == NavigationTypeLinkClicked || type == NavigationTypeOther)) {
            QTimer::singleShot(0, this, [this, url] { loadPage(url); });
            return false;
        }
    }
    // Before the load: the layer's script must be in place when the document is created.
    compat_->navigation(url, isMainFrame);
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
    compat_->decideBefore(url, html);
    setContent(html, QString::fromLatin1(kWindows1251Html), url);
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                       const QString& source)
{
    if (const std::optional<PageMessage> ours = readPageMessage(message)) {
        received(*ours);
        return;
    }
    capture_->pageMessage(level, message, line, source);
}

void WebPage::received(const PageMessage& message)
{
    const QJsonObject data = message.data.toObject();
    if (message.kind == QLatin1String("status")) {
        emit statusText(message.data.toString());
    } else if (message.kind == QLatin1String("failed")) {
        capture_->failedLoad(data.value(QLatin1String("tag")).toString(),
                             data.value(QLatin1String("address")).toString());
    } else if (message.kind == QLatin1String("uses")) {
        compatLine(usesLine(data), message.address, false);
    } else if (message.kind == QLatin1String("layer-error")) {
        compatLine(QStringLiteral("Съвместимост: грешка в %1: %2")
                       .arg(data.value(QLatin1String("part")).toString(),
                            data.value(QLatin1String("message")).toString()),
                   message.address, true);
        emit pageMessage(message);
    } else if (message.kind == QLatin1String("page-error")) {
        ConsoleMessage line;
        line.level = ConsoleMessage::Level::Error;
        line.text = data.value(QLatin1String("text")).toString();
        line.source = data.value(QLatin1String("source")).toString();
        line.line = data.value(QLatin1String("line")).toInt();
        emit consoleMessage(line);
        emit pageMessage(message);
    } else if (message.kind == QLatin1String("console")) {
        ConsoleMessage line;
        line.kind = ConsoleMessage::Kind::Compat;
        const QString level = data.value(QLatin1String("level")).toString();
        line.level = level == QLatin1String("error")     ? ConsoleMessage::Level::Error
                     : level == QLatin1String("warning") ? ConsoleMessage::Level::Warning
                                                         : ConsoleMessage::Level::Info;
        line.text = QStringLiteral("Съвместимост: ") + data.value(QLatin1String("text")).toString();
        line.source = message.address;
        line.line = data.value(QLatin1String("line")).toInt();
        emit consoleMessage(line);
    } else {
        emit pageMessage(message);
    }
}

void WebPage::compatLine(const QString& text, const QString& address, bool error)
{
    ConsoleMessage line;
    line.kind = ConsoleMessage::Kind::Compat;
    line.level = error ? ConsoleMessage::Level::Error : ConsoleMessage::Level::Info;
    line.text = text;
    line.source = address;
    emit consoleMessage(line);
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
    // A call of the layer's, answered while the page waits.
    if (const std::optional<PageMessage> call = readPageMessage(text)) {
        const std::optional<QString> value = answer(*call);
        if (value && result)
            *result = *value;
        return value.has_value();
    }
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

std::optional<QString> WebPage::answer(const PageMessage& message)
{
    const QJsonObject data = message.data.toObject();
    if (message.kind == QLatin1String("modal")) {
        const QUrl url(data.value(QLatin1String("url")).toString());
        static const QStringList kSchemes{QStringLiteral("file"), QStringLiteral("http"),
                                          QStringLiteral("https"), QStringLiteral("about"),
                                          QStringLiteral("data")};
        if (!dialogOpener_ || !url.isValid() || !kSchemes.contains(url.scheme()))
            return std::nullopt;
        ModalDialogRequest request;
        request.url = url;
        request.arguments = data.value(QLatin1String("args")).toString();
        request.features = data.value(QLatin1String("features")).toString();
        request.modal = !data.value(QLatin1String("modeless")).toBool();
        if (!request.modal)
            return dialogOpener_(request, {}) ? std::optional<QString>() : std::nullopt;
        PageWaits& waits = PageWaits::serving(*profile());
        const QString id = waits.begin();
        const QPointer<WebPage> self(this);
        const QPointer<PageWaits> held(&waits);
        const bool opened =
            dialogOpener_(request, [self, held, id](const std::optional<QString>& returnValue) {
                if (self) {
                    self->waited_.insert(id, returnValue);
                    self->guard_->setPaused(false);
                }
                if (held)
                    held->release(id);
            });
        if (!opened) {
            waits.release(id);
            return std::nullopt;
        }
        // The page waits for the dialog; it is not stuck.
        guard_->setPaused(true);
        return QStringLiteral("\x01wait\x01") + id;
    }
    if (message.kind == QLatin1String("waited"))
        return waited_.take(data.value(QLatin1String("id")).toString());
    if (message.kind == QLatin1String("clipboard-set") || message.kind == QLatin1String("clipboard-get"))
        return clipboard(message);
    if (message.kind == QLatin1String("dialog-return")
        && compat_->given().has(syntax::CompatPart::ModalDialog)) {
        const QJsonValue value = data.value(QLatin1String("value"));
        emit dialogReturnValue(value.isString() ? value.toString() : QString());
        return QStringLiteral("1");
    }
    return std::nullopt;
}

// IE let a page use the clipboard; here only in answer to the user's click or key in its view.
std::optional<QString> WebPage::clipboard(const PageMessage& message)
{
    const bool set = message.kind == QLatin1String("clipboard-set");
    if (!userActed_ || !userActed_()) {
        compatLine(QStringLiteral(
                       "Съвместимост: страницата поиска клипборда без щракване или клавиш и не го получи"),
                   message.address, false);
        return set ? std::optional<QString>(QStringLiteral("0")) : std::nullopt;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!set)
        return clipboard->text();
    clipboard->setText(message.data.toObject().value(QLatin1String("text")).toString());
    return QStringLiteral("1");
}

} // namespace corvane
