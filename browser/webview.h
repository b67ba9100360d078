#pragma once

#include <QUrl>
#include <QWidget>

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
    void refresh();
    void stop();

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

    QWebEngineView* view_;
    WebPage* page_;
};

} // namespace corvane
