#pragma once

#include "browser/webview.h"
#include "support/qtwait.h"

#include <QSignalSpy>
#include <QString>
#include <QVariant>
#include <QWebEnginePage>

#include <memory>
#include <optional>

namespace corvane::test {

// Navigates the view to the page and waits until its document is complete.
inline bool loadPage(WebView& view, const QString& path, int timeoutMs = 20000)
{
    QSignalSpy complete(&view, &WebView::documentComplete);
    view.navigate(path);
    return waitUntil([&] { return !complete.isEmpty(); }, timeoutMs);
}

// The value of a JavaScript expression in the view's page (an invalid QVariant when it gave
// none in time).
inline QVariant evaluate(WebView& view, const QString& expression, int timeoutMs = 10000)
{
    // Shared: an answer that comes after the wait gave up finds it still there.
    auto result = std::make_shared<std::optional<QVariant>>();
    view.page()->runJavaScript(expression, [result](const QVariant& value) { *result = value; });
    waitUntil([&] { return result->has_value(); }, timeoutMs);
    return result->value_or(QVariant());
}

// Waits until the expression is true in the page.
inline bool waitInPage(WebView& view, const QString& expression, int timeoutMs = 10000)
{
    return waitUntil([&] { return evaluate(view, expression).toBool(); }, timeoutMs);
}

} // namespace corvane::test
