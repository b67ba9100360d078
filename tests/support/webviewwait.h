#pragma once

#include "browser/webview.h"
#include "support/qtwait.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <QWebEnginePage>
#include <QWidget>

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

// The script errors the view's page reported (uncaught exceptions, console.error) since the
// program's last navigation, as the console lists them.
inline QStringList scriptErrors(WebView& view)
{
    ConsoleModel& console = view.console();
    console.flush();
    QStringList errors;
    for (int row = 0; row < console.rowCount(); ++row) {
        const ConsoleMessage& m = console.message(row);
        if (m.kind == ConsoleMessage::Kind::Script && m.level == ConsoleMessage::Level::Error)
            errors << m.text + QStringLiteral(" (") + m.source + QLatin1Char(':') + QString::number(m.line)
                          + QLatin1Char(')');
    }
    return errors;
}

// A runtime folder of the test's own, given to the program as the user's while the object lives,
// so that the temporary files of an edited run can be seen come and go.
class OwnRuntimeFolder {
public:
    OwnRuntimeFolder()
        : before_(qgetenv("XDG_RUNTIME_DIR"))
    {
        // The toolkit takes a runtime folder only when the user alone may enter it.
        QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder_.path()));
    }
    ~OwnRuntimeFolder() { qputenv("XDG_RUNTIME_DIR", before_); }
    OwnRuntimeFolder(const OwnRuntimeFolder&) = delete;
    OwnRuntimeFolder& operator=(const OwnRuntimeFolder&) = delete;

    // The files in it now, with their paths.
    QStringList files() const
    {
        QStringList paths;
        const QDir dir(folder_.path());
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            paths << dir.filePath(name);
        return paths;
    }

private:
    QTemporaryDir folder_;
    QByteArray before_;
};

// The widget that takes the user's mouse and keys for a view: the engine's own, behind the
// view's focus proxy.
inline QWidget* inputSurface(QWidget& view)
{
    QWidget* proxy = view.focusProxy();
    return proxy && proxy->focusProxy() ? proxy->focusProxy() : proxy;
}

} // namespace corvane::test
