#include "browser/engineview.h"

#include <QChildEvent>
#include <QEvent>

#include <utility>

namespace corvane {

EngineView::EngineView(WindowOpener openWindow, QWidget* parent)
    : QWebEngineView(parent)
    , openWindow_(std::move(openWindow))
{
    installEventFilter(this);
    for (QWidget* widget : findChildren<QWidget*>())
        widget->installEventFilter(this);
}

void EngineView::setViewName(const QString& name)
{
    setAccessibleName(name);
    nameEngineWidgets();
}

void EngineView::nameEngineWidgets()
{
    for (QWidget* widget : findChildren<QWidget*>())
        widget->setAccessibleName(accessibleName());
}

bool EngineView::userActedWithin(int ms) const
{
    return userAction_.isValid() && userAction_.elapsed() < ms;
}

bool EngineView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        // The engine makes the widget that shows the page when the page first renders.
        if (watched == this) {
            if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
                child->installEventFilter(this);
            if (!accessibleName().isEmpty())
                nameEngineWidgets();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        // Only the user makes these: a page's script never reaches the widgets.
        userAction_.start();
        break;
    default: break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

QWebEngineView* EngineView::createWindow(QWebEnginePage::WebWindowType)
{
    return openWindow_ ? openWindow_() : nullptr;
}

} // namespace corvane
