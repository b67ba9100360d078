#include "browser/webpage.h"

#include "browser/consolemessages.h"
#include "browser/memoryguard.h"
#include "browser/pagedialogs.h"
#include "browser/pagescript.h"
#include "browser/runawayguard.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

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

} // namespace

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

void WebPage::setDialogs(PageDialogs* dialogs, QWidget* dialogParent)
{
    dialogs_ = dialogs;
    dialogParent_ = dialogParent;
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame)
{
    // A new document may open boxes again.
    if (isMainFrame)
        boxesStopped_ = false;
    emit navigationRequested(url, isMainFrame);
    // Every navigation goes ahead, frames and script-started ones too.
    return true;
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
