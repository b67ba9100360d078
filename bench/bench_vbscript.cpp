// How long a page's 300-line VBScript block takes to parse and start, in the page as the preview
// loads it (the layer given by the page scan): the page reads the clock in a script before the
// block and in one after it, and the block runs between the two. CORVANE_BENCH_ROUNDS loads
// (default 30); the median, the best and the worst are printed. Beside it, when the page's first
// script starts with and without a VBScript block on the page: what loading the interpreter costs.
#include "browser/webengine.h"
#include "browser/webview.h"

#include <QApplication>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

int sizeFromEnv(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// A VBScript block of 300 lines as such pages had them: helpers that format and check values,
// handlers, and a top level that fills arrays and builds text.
std::string vbscriptBlock()
{
    std::vector<std::string> lines{"Option Explicit", "Dim total, names(9), grid(4, 4), text, i, j"};
    for (int k = 0; k < 18; ++k) {
        const std::string n = std::to_string(k);
        const std::vector<std::string> helper{
            "' helper " + n + ": formats and checks a value",
            "Function Format" + n + "(value, width)",
            "  Dim s",
            "  s = CStr(value)",
            "  Do While Len(s) < width",
            "    s = \"0\" & s",
            "  Loop",
            "  Select Case value Mod 3",
            "    Case 0: Format" + n + " = \"<b>\" & s & \"</b>\"",
            "    Case 1: Format" + n + " = UCase(Left(s, 1)) & Mid(s, 2)",
            "    Case Else: Format" + n + " = Replace(s, \"0\", \"o\")",
            "  End Select",
            "End Function",
            "Sub Show" + n + "(target)",
            "  If IsObject(target) Then target.innerText = Format" + n + "(total + " + n
                + ", 4) Else total = total + " + n,
            "End Sub",
        };
        lines.insert(lines.end(), helper.begin(), helper.end());
    }
    const std::vector<std::string> top{
        "For i = 0 To 9",
        "  names(i) = \"Row \" & i & \": \" & Format0(i * 7, 3)",
        "Next",
        "For i = 0 To 4",
        "  For j = 0 To 4",
        "    grid(i, j) = i * j",
        "  Next",
        "Next",
        "text = Join(names, \"<br>\")",
        "total = 0",
        "For Each i In names",
        "  total = total + Len(i)",
        "Next",
        "Show1 document.getElementById(\"out\")",
    };
    lines.insert(lines.end(), top.begin(), top.end());
    std::string block;
    for (const auto& line : lines)
        block += line + "\r\n";
    return block;
}

// The page: the clock before and after the block; the title says "<block ms> <first script ms>".
std::string page(bool withBlock)
{
    std::string html = "<html><head><title>bench</title>\r\n<script>var t0 = performance.now();</script>\r\n";
    if (withBlock)
        html += "<script language=\"VBScript\">\r\n" + vbscriptBlock() + "</script>\r\n";
    html += "<script>var t1 = performance.now(); document.title = (t1 - t0).toFixed(2) + ' ' + t0.toFixed(2);"
            "</script>\r\n</head><body><div id=\"out\"></div>\r\n";
    // The page without VBScript still needs the layer's scan to see nothing: plain DHTML.
    html += withBlock ? "" : "<p>no VBScript here</p>\r\n";
    return html + "</body></html>\r\n";
}

struct Figures {
    std::vector<double> block;
    std::vector<double> firstScript;
};

Figures load(corvane::WebView& view, const QString& path, int rounds)
{
    Figures f;
    for (int i = 0; i < rounds; ++i) {
        QEventLoop loop;
        QString title;
        static const QRegularExpression figures(QStringLiteral("^[0-9.]+ [0-9.]+$"));
        const auto done =
            QObject::connect(&view, &corvane::WebView::titleChange, &loop, [&](const QString& t) {
                // The view names the page by its address, then "bench", before the figures come.
                if (!figures.match(t).hasMatch())
                    return;
                title = t;
                loop.quit();
            });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        view.navigate(path);
        loop.exec();
        QObject::disconnect(done);
        const QStringList parts = title.split(u' ');
        if (parts.size() != 2) {
            std::fprintf(stderr, "no figure from %s (title \"%s\")\n", qPrintable(path), qPrintable(title));
            continue;
        }
        f.block.push_back(parts[0].toDouble());
        f.firstScript.push_back(parts[1].toDouble());
    }
    return f;
}

void print(const char* what, std::vector<double> v)
{
    if (v.empty())
        return;
    std::sort(v.begin(), v.end());
    std::printf("%s: median %.2f ms, best %.2f ms, worst %.2f ms (%zu loads)\n", what, v[v.size() / 2],
                v.front(), v.back(), v.size());
}

} // namespace

int main(int argc, char** argv)
{
    // The engine as the program starts it.
    corvane::prepareWebEngine();
    QApplication app(argc, argv);
    const int rounds = sizeFromEnv("CORVANE_BENCH_ROUNDS", 30);
    QTemporaryDir folder;
    const QString withBlock = folder.filePath(QStringLiteral("vbscript.html"));
    const QString without = folder.filePath(QStringLiteral("plain.html"));
    std::ofstream(withBlock.toStdString(), std::ios::binary) << page(true);
    std::ofstream(without.toStdString(), std::ios::binary) << page(false);

    corvane::WebView view;
    view.resize(800, 600);
    view.show();
    // A first load warms the engine's process up; it is not counted.
    load(view, without, 1);
    const Figures vb = load(view, withBlock, rounds);
    const Figures plain = load(view, without, rounds);
    std::printf("A 300-line VBScript block, from the script before it to the script after it:\n");
    print("  parse and start", vb.block);
    std::printf("When the page's first script starts (from the start of navigation):\n");
    print("  page with VBScript (the interpreter injected)", vb.firstScript);
    print("  page without (nothing injected)", plain.firstScript);
    return vb.block.empty() ? 1 : 0;
}
