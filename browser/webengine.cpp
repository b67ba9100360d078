#include "browser/webengine.h"

#include "browser/memoryguard.h"
#include "browser/pagewait.h"
#include "platform/errors.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QtGlobal>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace corvane {

void prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifndef _WIN32
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    // Background fetches only produce refused connections on a closed network; none is needed.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--disable-background-networking"))
        flags += " --disable-background-networking --disable-component-update";
    // The JavaScript heap gets twice the memory guard's limit: the guard ends a greedy page
    // first and says why, and the heap limit stops one that outruns the guard's readings.
    if (!flags.contains("--js-flags"))
        flags += " --js-flags=--max-old-space-size=" + QByteArray::number(MemoryGuard::kMemoryLimitMb * 2);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    // Page content reaches screen readers only when this is set before the engine starts.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
    // The engine's start-up report (GL set-up, Chromium parameters) is information, not a
    // warning; QT_LOGGING_RULES still turns it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    PageWaits::registerScheme();
}

void ensureWebEngineInstalled()
{
    static const bool available = [] {
        const QString configured = qEnvironmentVariable("QTWEBENGINE_PROCESS_PATH");
        if (!configured.isEmpty())
            return QFileInfo(configured).isExecutable();
        const QString dir = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath);
        return QFileInfo(QDir(dir).filePath(QStringLiteral("QtWebEngineProcess"))).isExecutable()
               || QFileInfo(QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("QtWebEngineProcess")))
                      .isExecutable();
    }();
    if (!available)
        throw BrowserError("The web-browser component is not installed (QtWebEngineProcess was not found)");
}

} // namespace corvane
