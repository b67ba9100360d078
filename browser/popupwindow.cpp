#include "browser/popupwindow.h"

#include "browser/compatlayer.h"
#include "browser/webview.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>

#include <memory>

namespace corvane {
namespace {

// The size IE gave a dialog: "dialogWidth:300px; dialogHeight:20em", its default otherwise.
QSize dialogSize(const QString& features)
{
    QSize size(400, 300);
    for (const QString& feature : features.split(QLatin1Char(';'))) {
        const qsizetype split = feature.indexOf(QRegularExpression(QStringLiteral("[:=]")));
        if (split < 0)
            continue;
        const QString name = feature.left(split).trimmed().toLower();
        QString value = feature.mid(split + 1).trimmed().toLower();
        double scale = 1;
        if (value.endsWith(QLatin1String("em")))
            scale = 16;
        else if (value.endsWith(QLatin1String("pt")))
            scale = 4.0 / 3;
        value.remove(QRegularExpression(QStringLiteral("[a-z%]+$")));
        bool ok = false;
        const int pixels = static_cast<int>(value.toDouble(&ok) * scale);
        if (!ok || pixels < 50 || pixels > 10000)
            continue;
        if (name == QLatin1String("dialogwidth"))
            size.setWidth(pixels);
        else if (name == QLatin1String("dialogheight"))
            size.setHeight(pixels);
    }
    return size;
}

} // namespace

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
        setWindowTitle(title.isEmpty() ? view_->page()->url().toString() : title);
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

void PopupWindow::showAsDialog(const ModalDialogRequest& request, const WebPage::DialogClosed& closed)
{
    view_->page()->compat().makeDialog(request.arguments);
    if (closed) {
        auto value = std::make_shared<std::optional<QString>>();
        connect(view_->page(), &WebPage::dialogReturnValue, this, [value](const QString& json) {
            *value = json.isEmpty() ? std::nullopt : std::optional<QString>(json);
        });
        connect(this, &QObject::destroyed, this, [value, closed] { closed(*value); });
    }
    resize(dialogSize(request.features));
    if (request.modal)
        setWindowModality(Qt::ApplicationModal);
    show();
    view_->navigate(request.url.toString());
}

} // namespace corvane
