#include "browser/webview.h"
#include "library/scriptlibrary.h"
#include "platform/profile.h"
#include "support/qtwait.h"
#include "support/webviewwait.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Records every request that would leave the machine, and blocks it.
class OffMachineRequests : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QString scheme = info.requestUrl().scheme();
        if (scheme == QLatin1String("file") || scheme == QLatin1String("data")
            || scheme == QLatin1String("blob") || scheme == QLatin1String("about")
            || scheme == QLatin1String("qrc"))
            return;
        requests << info.requestUrl().toString();
        info.block(true);
    }
    QStringList requests;
};

// Every script of the shipped library loads in a real web view without a script error and
// without a request off the machine.
TEST(DefaultLibraryPages, everyScriptLoadsCleanlyOffline)
{
    const ScriptLibrary library(CORVANE_DEFAULT_LIBRARY);
    WebView view;
    view.resize(430, 370);
    view.show();
    OffMachineRequests interceptor;
    view.page()->setUrlRequestInterceptor(&interceptor);
    int loaded = 0;
    QObject::connect(&view, &WebView::documentComplete, [&](const QString&) { ++loaded; });

    int pages = 0;
    for (const auto& category : readSectionNames(library.categoriesPath())) {
        for (const auto& script : library.loadScriptList(category)) {
            SCOPED_TRACE(category + "/" + script);
            interceptor.requests.clear();
            const int before = loaded;
            view.navigate(QString::fromStdString(library.scriptPath(category, script)));
            ASSERT_TRUE(test::waitUntil([&] { return loaded > before; }, 15000));
            // Let timers and start-up animations run a moment.
            test::waitUntil([] { return false; }, 400);
            const QStringList errors = test::scriptErrors(view);
            EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
            EXPECT_TRUE(interceptor.requests.isEmpty()) << interceptor.requests.join(u'\n').toStdString();
            ++pages;
        }
    }
    EXPECT_GE(pages, 60);
    view.page()->setUrlRequestInterceptor(nullptr);
}

} // namespace
} // namespace corvane
