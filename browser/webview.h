#pragma once

#include <QUrl>
#include <QWidget>

#include <memory>

class QTemporaryFile;
class QWebEnginePage;
class QWebEngineView;

namespace corvane {

class WebPage;

// One hosted web view, as the rest of the program sees it: navigate, refresh and stop, and six
// events. Nothing else of the browser engine leaks out of here.
class WebView : public QWidget {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    // A plain local path opens that file; an address without a scheme is a web address.
    void navigate(const QString& address);
    // Shows `html` (Windows-1251 bytes, like the library's files) as a page whose relative
    // references resolve against the folder `baseUrl`. While that page is shown, refresh() loads
    // `original` instead; an empty `original` means the page shown before. Nothing is written
    // beside `baseUrl`: content too large for the engine goes through a temporary file in the
    // user's runtime folder, removed once it has loaded.
    void navigateContent(const QByteArray& html, const QUrl& baseUrl, const QUrl& original);
    void refresh();
    void stop();
    // True while the page on show is content given to navigateContent().
    bool showsContent() const { return showsContent_; }
    // The temporary file of the content being loaded; empty when there is none.
    QString contentFilePath() const;

    // The name screen readers give the view; the engine's widgets inside, which take the focus,
    // carry it too.
    void setViewName(const QString& name);

    // Off: a page that cannot load leaves the view blank instead of showing an error page.
    void setErrorPageEnabled(bool enabled);

    // The address a navigate() call resolves to.
    static QUrl addressToUrl(const QString& address);

    QUrl currentUrl() const;
    QString title() const;
    // The engine's page, for tests that watch its requests.
    QWebEnginePage* page() const;

signals:
    void statusTextChange(const QString& text);
    void downloadBegin();
    void downloadComplete();
    void titleChange(const QString& text);
    void beforeNavigate(const QString& url);
    void documentComplete(const QString& url);
    // A script error the page reported (an uncaught exception or console.error).
    void scriptError(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void nameEngineWidgets();
    friend class WebPage;
    void mainFrameNavigation(const QUrl& url);
    void dropContentFile();

    QWebEngineView* view_;
    WebPage* page_;
    bool showsContent_ = false;
    QUrl contentUrl_;      // the address the engine reports for the content page
    QUrl original_;        // what refresh() shows instead of reloading the content
    std::unique_ptr<QTemporaryFile> contentFile_;
};

} // namespace corvane
