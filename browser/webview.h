#pragma once

#include "browser/consolemessages.h"
#include "browser/webpage.h"
#include "syntax/oldpages.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

namespace corvane {

class ContentLoader;
class EngineView;
class LocalFileGuard;
class PageDialogs;
class PopupWindow;
class PopupWindows;

// One hosted web view, as the rest of the program sees it: navigate, refresh and stop, and six
// events, around the engine's view (EngineView) and its page (WebPage). Around them, what a
// browser does on its own: a page that stops answering is stopped, new windows open as windows of
// our own (PopupWindows), the page's boxes go through PageDialogs, content goes through a
// ContentLoader, and the page's messages gather in console().
class WebView : public QWidget {
    Q_OBJECT
public:
    // Messages a second from which a page floods the console: a navigation of the program's
    // ends its renderer rather than wait behind them.
    static constexpr int kFloodPerSecond = 1000;

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // A plain local path opens that file; an address without a scheme is a web address.
    void navigate(const QString& address);
    // Shows `html` (Windows-1251 bytes, like the library's files) as a page whose relative
    // references resolve against the folder `baseUrl`. While that page is shown, refresh() loads
    // `original` instead; an empty `original` means the page shown before. Nothing is written
    // beside `baseUrl`.
    void navigateContent(const QByteArray& html, const QUrl& baseUrl, const QUrl& original);
    void refresh();
    void stop();
    // Makes the engine's own widget now rather than at the first page. The engine draws through
    // the GPU, so a window made before that widget joins it is made anew, losing its maximised
    // state; a window shown with the widget already in place is made once, ready for it.
    void createEngineWidget();
    // While held, the program's loads are checked and kept but not started; releaseLoads()
    // starts the last one kept.
    void holdLoads();
    void releaseLoads();
    // True from a load of the program's until it finishes.
    bool loading() const { return static_cast<bool>(waitingLoad_); }
    // The address under which the last content was shown; its messages carry it as their source.
    QUrl contentUrl() const { return contentUrl_; }

    // Where the page's boxes and the downloads' save dialogs go; without, the engine's boxes
    // and no downloads.
    void setPageDialogs(PageDialogs* dialogs);
    // The messages of the pages shown here, cleared by every navigation the program makes.
    ConsoleModel& console() { return console_; }

    // The name screen readers give the view; the engine's widgets inside, which take the focus,
    // carry it too.
    void setViewName(const QString& name);

    // From now on pages here and in the popups they open load local files only from inside
    // these folders and the program's own, and nothing off the machine unless the program sent
    // them there; each refusal is a console line.
    void restrictLocalFiles(const QStringList& libraryFolders);

    // Off: a page that cannot load leaves the view blank instead of showing an error page.
    void setErrorPageEnabled(bool enabled);

    // On: pages show as today's browsers show them, without the compatibility layer; this view
    // and its popups reload. Off (as every view starts): the layer is given where needed.
    void setAsToday(bool asToday);
    // How long after the user's click or key in this view a page may still use the clipboard.
    static constexpr int kUserActionMs = 1000;

    // The engine's page, for what its owner shows of it (its address, its title).
    WebPage* page() const { return page_; }

signals:
    void statusTextChange(const QString& text);
    void downloadBegin();
    void downloadComplete();
    void titleChange(const QString& text);
    void beforeNavigate(const QString& url);
    void documentComplete(const QString& url);

private:
    void navigationRequested(const QUrl& url, bool isMainFrame);
    void consoleMessage(const ConsoleMessage& message);
    void loadFinished();
    // Every navigation the program makes: a hung page is ended first, and the load waits for that.
    void programLoad(const std::function<void()>& load);
    void renderStopped(const QUrl& url);
    void memoryExceeded(const QUrl& url);
    // A page of the program's own in place of `url`, from the resource `page` (:/browser/).
    // The page of our own that stands for a renderer the program ended, with its console line.
    void showStoppedPage(const QUrl& url, const ConsoleMessage& line, const QString& title,
                         const QString& heading, const QString& reason);
    void requestRefused(const QUrl& url);
    void popupOpened(const QUrl& url);
    // The page has sent the console more than kFloodPerSecond messages in the last second.
    bool flooding() const;
    EngineView* openPopup();
    PopupWindow* newPopup();
    // A popup's view takes on what its opener was set up with.
    void followOpener(WebView& opener);
    bool openModalDialog(const ModalDialogRequest& request, const WebPage::DialogClosed& closed);
    bool userActedRecently() const;
    void compatDecided(const QUrl& url, const syntax::CompatNeeds& needed, bool enabled);

    EngineView* view_;
    WebPage* page_;
    ContentLoader* content_;
    PageDialogs* dialogs_ = nullptr;
    ConsoleModel console_;
    bool programNavigation_ = false; // a load of the program's own waits for its first request
    std::function<void()>
        waitingLoad_;         // the program's load until it finishes; runs again if the renderer is ended
    WebView* root_ = nullptr; // the view whose popups this view's popups count with
    std::unique_ptr<PopupWindows> ownPopups_; // a root view's; null in a popup
    PopupWindows* popups_;                    // the root view's
    bool showsContent_ = false;
    bool held_ = false;
    QUrl contentUrl_;        // the address the engine reports for the content page
    QUrl original_;          // what refresh() shows instead of reloading the content
    QByteArray lastContent_; // what navigateContent() showed last, to show again without the layer
    QUrl lastContentBase_;
    bool asToday_ = false;
    LocalFileGuard* fileGuard_ = nullptr; // none: pages load what the engine lets them
    QElapsedTimer floodSecond_;           // the current second of console messages
    int floodThisSecond_ = 0;
    int floodLastSecond_ = 0;
    QStringList libraryFolders_;
};

} // namespace corvane
