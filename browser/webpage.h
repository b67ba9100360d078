#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>
#include <optional>

namespace corvane {

class CompatLayer;
class ConsoleCapture;
class LocalFileGuard;
class MemoryGuard;
class PageDialogs;
class RunawayGuard;
struct ConsoleMessage;
struct PageMessage;

// A dialog a page asked for through the layer's showModalDialog.
struct ModalDialogRequest {
    QUrl url;
    QString arguments; // dialogArguments as JSON text
    QString features;  // "dialogWidth:300px; dialogHeight:200px; ..."
    bool modal = true;
};

// The engine's page as the program sets it up: the Windows-1251 default, the faces, its scripts
// (status text, failed loads, the compatibility layer where needed) and the one channel they
// speak through, the console capture, the runaway and memory guards and the page's own boxes. It reports
// through signals and knows nothing of the view around it.
class WebPage : public QWebEnginePage {
    Q_OBJECT
public:
    // How many boxes in a row, each opened within kDialogBurstMs of the last one closing, before
    // a box offers to stop the page's boxes.
    static constexpr int kDialogBurst = 3;
    static constexpr int kDialogBurstMs = 1000;

    // Content shown through setContent() travels as a data address, which the engine refuses
    // beyond a length; true when `html` fits.
    static bool fitsDataAddress(const QByteArray& html);

    explicit WebPage(QObject* parent);
    // A page of `profile` rather than the default one.
    WebPage(QWebEngineProfile* profile, QObject* parent);

    // The Windows-1251 default and the faces; they hold only once the page is in a view.
    void usePreviewSettings();
    // Loads `url` as the program's own navigation; a local page that names no character set is
    // read as Windows-1251.
    void loadPage(const QUrl& url);
    // Boxes go to `dialogs`, parented to `dialogParent`; without dialogs, the engine's own.
    void setDialogs(PageDialogs* dialogs, QWidget* dialogParent);
    PageDialogs* dialogs() const { return dialogs_; }
    QWidget* dialogParent() const { return dialogParent_; }
    RunawayGuard& guard() const { return *guard_; }
    CompatLayer& compat() const { return *compat_; }

    // Opens the dialog of a showModalDialog, false when it cannot; `closed` comes when it has
    // closed, with its returnValue as JSON text, or nothing. Without an opener the page gets no
    // dialog.
    using DialogClosed = std::function<void(const std::optional<QString>& returnValue)>;
    using DialogOpener = std::function<bool(const ModalDialogRequest&, const DialogClosed& closed)>;
    void setDialogOpener(DialogOpener opener) { dialogOpener_ = std::move(opener); }
    // True when the user has just clicked or typed in the page's view: only then may the page
    // use the clipboard. Without a check, never.
    void setUserActedCheck(std::function<bool()> check) { userActed_ = std::move(check); }

    // Every request of the page passes `guard`, and so does every file the page shows through
    // the program (a page without a character set).
    void setFileGuard(LocalFileGuard* guard);
    MemoryGuard& memoryGuard() const { return *memory_; }

signals:
    void navigationRequested(const QUrl& url, bool isMainFrame);
    void statusText(const QString& text);
    void consoleMessage(const ConsoleMessage& message);
    // What the page's scripts sent through the channel that the page does not handle itself, and
    // the errors of the layer and of the page the layer found, which it also puts in the console.
    void pageMessage(const PageMessage& message);
    // This page is a dialog and its page set returnValue (JSON text; empty for null).
    void dialogReturnValue(const QString& json);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;
    void javaScriptAlert(const QUrl& origin, const QString& text) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& text) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& text, const QString& defaultValue,
                          QString* result) override;

private:
    template <typename Box>
    auto inBox(Box&& box);
    void received(const PageMessage& message);
    std::optional<QString> answer(const PageMessage& message);
    std::optional<QString> clipboard(const PageMessage& message);
    void compatLine(const QString& text, const QString& address, bool error);
    // The bytes of a local page that names no character set, small enough to be shown as content,
    // and one the file guard lets the page have.
    std::optional<QByteArray> undeclaredPage(const QUrl& url) const;
    void showAsWindows1251(const QByteArray& html, const QUrl& url);

    ConsoleCapture* capture_;
    RunawayGuard* guard_;
    CompatLayer* compat_;
    MemoryGuard* memory_;
    LocalFileGuard* fileGuard_ = nullptr;
    PageDialogs* dialogs_ = nullptr;
    QWidget* dialogParent_ = nullptr;
    DialogOpener dialogOpener_;
    std::function<bool()> userActed_;
    QHash<QString, std::optional<QString>> waited_; // what each wait of the page's ended with
    int burst_ = 0;
    QElapsedTimer sinceBox_;
    bool boxesStopped_ = false;
    bool ownContentNext_ = false; // the next main-frame navigation is showAsWindows1251's own
    QUrl shownFile_;              // the file shown that way now; a reload reads it again
};

} // namespace corvane
