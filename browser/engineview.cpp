#include "browser/engineview.h"

#include <utility>

namespace corvane {

EngineView::EngineView(WindowOpener openWindow, QWidget* parent)
    : QWebEngineView(parent)
    , openWindow_(std::move(openWindow))
{
}

QWebEngineView* EngineView::createWindow(QWebEnginePage::WebWindowType)
{
    return openWindow_ ? openWindow_() : nullptr;
}

} // namespace corvane
