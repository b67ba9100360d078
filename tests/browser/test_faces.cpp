#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/testfiles.h"

#include <QFontDatabase>
#include <QWebEnginePage>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Widths of the same Cyrillic text set in several faces, measured by the page itself.
QStringList measuredWidths(WebView& view)
{
    QString result;
    view.page()->runJavaScript(
        QStringLiteral(
            "Array.from(document.querySelectorAll('span'))"
            ".map(function (e) { return e.id + '=' + e.getBoundingClientRect().width; }).join(' ')"),
        [&](const QVariant& value) { result = value.toString(); });
    EXPECT_TRUE(test::waitUntil([&] { return !result.isEmpty(); }));
    return result.split(QLatin1Char(' '));
}

TEST(WebViewFaces, missingVerdanaAndUnnamedFacesRenderInTheSansSerifFace)
{
    if (QFontDatabase::hasFamily(QStringLiteral("Verdana"))
        || !QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans")))
        GTEST_SKIP() << "needs DejaVu Sans and no Verdana";
    test::TempDir dir;
    const std::string text = "Добре дошли в библиотеката WWW iii";
    const std::string page = "<html><body>"
                             "<p><span id=\"verdana\"><font face=\"Verdana\">"
                             + text
                             + "</font></span></p>"
                               "<p><span id=\"unnamed\">"
                             + text
                             + "</span></p>"
                               "<p><span id=\"dejavu\" style=\"font-family: 'DejaVu Sans'\">"
                             + text
                             + "</span></p>"
                               "<p><span id=\"serif\" style=\"font-family: serif\">"
                             + text
                             + "</span></p>"
                               "</body></html>";
    const std::string path = dir.writeCp1251("faces.html", page);

    WebView view;
    view.resize(800, 300);
    view.show();
    bool loaded = false;
    QObject::connect(&view, &WebView::documentComplete, [&] { loaded = true; });
    view.navigate(QString::fromStdString(path));
    ASSERT_TRUE(test::waitUntil([&] { return loaded; }));

    const QStringList widths = measuredWidths(view);
    ASSERT_EQ(widths.size(), 4) << widths.join(QLatin1Char(' ')).toStdString();
    auto width = [&](const char* id) {
        for (const QString& entry : widths)
            if (entry.startsWith(QLatin1String(id) + QLatin1Char('=')))
                return entry.mid(entry.indexOf(QLatin1Char('=')) + 1).toStdString();
        return std::string();
    };
    EXPECT_EQ(width("verdana"), width("dejavu"));
    EXPECT_EQ(width("unnamed"), width("dejavu"));
    EXPECT_NE(width("serif"), width("dejavu")); // the measure tells faces apart
}

} // namespace
} // namespace corvane
