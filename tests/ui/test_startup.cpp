// The real start on a real display: run under Xvfb, with a window manager and without one.
#include "app/splashscreen.h"
#include "app/startup.h"
#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/windowdoubles.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

std::string sizeText(const QSize& size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// The engine's widget of a web view, made when its page is first used.
bool hasEngineWidget(const TForm1& window, const char* view)
{
    const auto* webView = window.findChild<WebView*>(QLatin1String(view));
    return webView && webView->findChildren<QWidget*>().size() > 1;
}

TEST(Startup, theFirstStartOpensMaximisedOnceTheMessageIsDismissed)
{
    WindowBench bench; // no store: the first start
    const ProgramWindows windows = startProgram(bench.services(), std::make_unique<Tsplashscreen>());
    TForm1& form = *windows.form1;
    ASSERT_EQ(bench.dialogs.messages.size(), 1)
        << "the first-start message, dismissed through the dialog seam";

    // The banner's page comes after the window is shown; its engine widget joining the window
    // must leave the window as it is.
    ASSERT_TRUE(waitUntil([&] { return hasEngineWidget(form, "banner"); }));
    ASSERT_TRUE(waitUntil([&] { return form.windowHandle() && form.windowHandle()->isExposed(); }));
    const QRect workArea = form.screen()->availableGeometry();
    waitUntil([&] { return form.frameGeometry().size() == workArea.size(); }, 5000);
    EXPECT_EQ(sizeText(form.frameGeometry().size()), sizeText(workArea.size()));
    EXPECT_TRUE(form.windowState().testFlag(Qt::WindowMaximized));
    // Still so once everything the start set going has run.
    QTest::qWait(500);
    EXPECT_TRUE(form.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_EQ(sizeText(form.frameGeometry().size()), sizeText(workArea.size()));
}

} // namespace
} // namespace corvane::test
