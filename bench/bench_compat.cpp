// What the compatibility layer costs where it is given, on generated pages written as IE 5 and
// Netscape 4 pages were (prints its own figures):
// - one page's load in the preview's view, from navigate() to document complete, with the layer
//   and as today's browsers show it, CORVANE_BENCH_LOADS times each (default 40), alternating;
//   the medians and their difference;
// - corvane-library run over CORVANE_BENCH_PAGES such pages (default 500), CORVANE_BENCH_JOBS at
//   once (default: the number of processors), with the layer and with --as-today, in the same
//   run, CORVANE_BENCH_ROUNDS times each (default 2), alternating; the better time of each and
//   their ratio, wall and processor time.
#include "benchpages.h"
#include "browser/pageprobe.h"
#include "browser/webview.h"
#include "platform/codepage.h"
#include "processcost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Pages like bench_pageprobe's, which are like the library's (Windows-1251 text, a style, a
// picture, a list the script builds), each with an effect of the old browsers, four kinds in turn:
// an animation by pixelLeft under an alpha filter; IE's events and styles; a Netscape 4 layer that
// moves; a fade through filters.alpha.opacity. Each has the DOM's way beside the old browser's,
// doing the same with the same timers, so both runs do the same work and the difference is what
// the layer costs.
std::string effect(int kind)
{
    switch (kind) {
    case 0:
        return "var x = 0;\r\nfunction move() {\r\n  x += 8;\r\n  if (ie4) document.all.ball.style.pixelLeft = x;\r\n"
               "  else if (dom) document.getElementById('ball').style.left = x + 'px';\r\n"
               "  if (x < 80) setTimeout('move()', 20);\r\n}\r\nwindow.onload = move;\r\n";
    case 1:
        return "function over(e) { var el = ie4 ? window.event.srcElement : e.target; el.style.color = 'red'; "
               "el.title = ie4 ? el.currentStyle.fontSize : getComputedStyle(el).fontSize; }\r\n"
               "window.onload = function () { var items = ie4 ? document.all.tags('LI') : "
               "document.getElementsByTagName('LI');\r\n"
               "  for (var k = 0; k < items.length; ++k) { if (ie4) items[k].attachEvent('onmouseover', over); "
               "else items[k].addEventListener('mouseover', over, false); }\r\n"
               "  (ie4 ? document.all.ball : document.getElementById('ball')).innerHTML = 'Готово'; };\r\n";
    case 2:
        return "var y = 10;\r\nfunction slide() {\r\n  y += 5;\r\n  if (ns4) document.layers.ball.moveTo(20, y);\r\n"
               "  else if (document.getElementById) document.getElementById('ball').style.top = y + 'px';\r\n"
               "  if (y < 60) setTimeout('slide()', 20);\r\n}\r\nwindow.onload = slide;\r\n";
    default:
        return "var level = 20;\r\nfunction fade() {\r\n  level += 8;\r\n"
               "  if (ie4) document.all.ball.filters.alpha.opacity = level;\r\n"
               "  else if (dom) document.getElementById('ball').style.opacity = level / 100;\r\n"
               "  if (level < 100) setTimeout('fade()', 20);\r\n}\r\nwindow.onload = fade;\r\n";
    }
}

std::string oldPage(int i)
{
    // The Netscape page tests for layers and the DOM only, as such pages did.
    const std::string sniff = i % 4 == 2
                                  ? "var ns4 = (document.layers) ? true : false;\r\n"
                                  : "var ie4 = (document.all) ? true : false;\r\n"
                                    "var ns4 = (document.layers) ? true : false;\r\n"
                                    "var dom = (!ie4 && !ns4 && document.getElementById) ? true : false;\r\n";
    const std::string clock =
        i % 4 == 1
            ? "setInterval(function () { document.getElementById('t').innerHTML = new Date(); }, 1000);\r\n"
            : "";
    return "<HTML>\r\n<HEAD>\r\n<TITLE>Стар скрипт " + std::to_string(i)
           + "</TITLE>\r\n<STYLE>\r\nBODY { font-family: Verdana; background: #EEEEFF; }\r\n"
             ".box { border: 1px solid #8888AA; padding: 4px; }\r\n"
             "#ball { position: absolute; left: 0px; top: 200px; width: 40px; height: 40px; background: red; "
             "filter: alpha(opacity=20); cursor: hand; }\r\n</STYLE>\r\n"
             "<SCRIPT LANGUAGE=\"JavaScript\">\r\n<!--\r\n"
           + sniff + effect(i % 4) + "//-->\r\n</SCRIPT>\r\n</HEAD>\r\n<BODY>\r\n<H1>Скрипт номер "
           + std::to_string(i)
           + "</H1>\r\n<DIV CLASS=\"box\" ID=\"t\">Текст на страницата</DIV>\r\n"
             "<IMG SRC=\"dot.gif\" WIDTH=\"20\" HEIGHT=\"20\">\r\n<UL ID=\"list\"></UL>\r\n"
             "<DIV ID=\"ball\">Топка</DIV>\r\n<SCRIPT LANGUAGE=\"JavaScript\">\r\n"
             "var list = document.getElementById('list');\r\n"
             "for (var k = 0; k < 20; ++k) { var li = document.createElement('LI'); li.innerHTML = 'Ред ' + k; "
             "list.appendChild(li); }\r\n"
           + clock + "</SCRIPT>\r\n</BODY>\r\n</HTML>\r\n";
}

qint64 probe(const QStringList& files, int jobs, bool asToday)
{
    QElapsedTimer timer;
    timer.start();
    corvane::PageProbe probe(jobs, asToday);
    QEventLoop loop;
    QObject::connect(&probe, &corvane::PageProbe::finished, &loop, &QEventLoop::quit);
    probe.start(files);
    loop.exec();
    return timer.elapsed();
}

// Runs `start` and waits for the view's next document complete; milliseconds it took, or -1 when
// none came within ten seconds.
template <typename Start>
double timedLoad(corvane::WebView& view, Start start)
{
    QEventLoop loop;
    bool complete = false;
    const auto done = QObject::connect(&view, &corvane::WebView::documentComplete, &loop, [&] {
        complete = true;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    start();
    loop.exec();
    QObject::disconnect(done);
    return complete ? static_cast<double>(timer.nsecsElapsed()) / 1e6 : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A page's load in the preview's view, with and without the layer.
void loadCost(const QStringList& files, int loads)
{
    corvane::WebView view;
    view.resize(640, 480);
    view.show();
    for (int kind = 0; kind < 4; ++kind) {
        std::vector<double> with;
        std::vector<double> without;
        // A load of each first, so that the engine has what it keeps between loads.
        timedLoad(view, [&] { view.navigate(files[kind]); });
        for (int i = 0; i < loads; ++i) {
            for (const bool asToday : {false, true}) {
                // The switch loads the page once; the next load is the one timed.
                timedLoad(view, [&] { view.setAsToday(asToday); });
                const double ms = timedLoad(view, [&] { view.navigate(files[kind]); });
                if (ms >= 0)
                    (asToday ? without : with).push_back(ms);
            }
        }
        std::printf(
            "load of old page kind %d: with the layer %.1f ms, as today %.1f ms (medians of %zu and %zu): "
            "the layer costs %.1f ms\n",
            kind, median(with), median(without), with.size(), without.size(), median(with) - median(without));
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    corvane::PageProbe::prepareEngine();
    QApplication app(argc, argv);
    const int count = bench::positiveSizeFromEnv("CORVANE_BENCH_PAGES", 500);
    const int jobs = bench::jobsFromEnv();
    const int rounds = bench::positiveSizeFromEnv("CORVANE_BENCH_ROUNDS", 2);
    QTemporaryDir folder;
    const QStringList files = bench::writePages(folder.path(), count, QStringLiteral("old"),
                                                [](int i) { return corvane::utf8ToCp1251(oldPage(i)); });

    loadCost(files, bench::positiveSizeFromEnv("CORVANE_BENCH_LOADS", 40));

    using bench::Cost;
    Cost layer{-1, -1};
    Cost today{-1, -1};
    for (int round = 0; round < rounds; ++round) {
        const Cost l = bench::measure([&] { return probe(files, jobs, false); });
        const Cost t = bench::measure([&] { return probe(files, jobs, true); });
        std::printf("round %d: run %lld ms (processor %.0f ms), run --as-today %lld ms (processor %.0f ms)\n",
                    round + 1, static_cast<long long>(l.wallMs), l.cpuMs, static_cast<long long>(t.wallMs),
                    t.cpuMs);
        std::fflush(stdout);
        layer = bench::better(layer, l);
        today = bench::better(today, t);
    }
    std::printf("%d old pages, %d at once: run %lld ms, run --as-today %lld ms: ratio %.2f; processor time "
                "ratio %.2f\n",
                count, jobs, static_cast<long long>(layer.wallMs), static_cast<long long>(today.wallMs),
                double(layer.wallMs) / double(today.wallMs), layer.cpuMs / today.cpuMs);
    return 0;
}
