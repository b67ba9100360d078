#include "browser/popupwindow.h"

#include "browser/webview.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>

namespace corvane {

PopupWindow::PopupWindow(QWidget* owner)
    : QWidget(owner, Qt::Window)
    , view_(new WebView(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setWindowIcon(owner->window()->windowIcon());
    resize(800, 600);

    QWebEnginePage* page = view_->page();
    connect(view_, &WebView::titleChange, this, [this](const QString& title) {
        setWindowTitle(title.isEmpty() ? view_->currentUrl().toString() : title);
    });
    connect(page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    // The page's width and height features (and a position, when it gives one).
    connect(page, &QWebEnginePage::geometryChangeRequested, this, [this](const QRect& geometry) {
        QRect wanted = geometry;
        if (const QScreen* screen = this->screen())
            wanted.setSize(wanted.size().boundedTo(screen->availableGeometry().size()));
        if (wanted.width() > 0 && wanted.height() > 0)
            resize(wanted.size());
        if (geometry.topLeft() != QPoint(0, 0))
            move(geometry.topLeft());
    });
}

} // namespace corvane
