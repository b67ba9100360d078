// What the compatibility layer costs where it is given, on generated pages written as IE 5 and
// Netscape 4 pages were (prints its own figures):
// - one page's load in the preview's view, from navigate() to document complete, with the layer
//   and as today's browsers show it, CORVANE_BENCH_LOADS times each (default 40), alternating;
//   the medians and their difference;
// - corvane-library run over CORVANE_BENCH_PAGES such pages (default 500), CORVANE_BENCH_JOBS at
//   once (default: the number of processors), with the layer and with --as-today, in the same
//   run, CORVANE_BENCH_ROUNDS times each (default 2), alternating; the better time of each and
//   their ratio, wall and processor time.
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

int sizeFromEnv(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// Four kinds of old page in turn, each with Internet Explorer's or Netscape 4's way and the DOM's
// beside it doing the same, with the same timers: an animation by pixelLeft under an alpha filter;
// IE's events and styles; a Netscape 4 layer that moves; a fade through filters.alpha.opacity. So
// both runs do the same work, and the difference is what the layer costs.
std::string oldPage(int i)
{
    const std::string head =
        "<HTML><HEAD><TITLE>Стар скрипт " + std::to_string(i)
        + "</TITLE>\r\n<SCRIPT LANGUAGE=\"JavaScript\">\r\n"
          "var ie4 = (document.all) ? true : false;\r\nvar ns4 = (document.layers) ? true : false;\r\n"
          "var dom = (!ie4 && !ns4 && document.getElementById) ? true : false;\r\n";
    switch (i % 4) {
    case 0:
        return head
               + "var x = 0;\r\nfunction move() {\r\n  x += 8;\r\n  if (ie4) document.all.ball.style.pixelLeft = x;\r\n"
                 "  else if (dom) document.getElementById('ball').style.left = x + 'px';\r\n"
                 "  if (x < 80) setTimeout('move()', 20);\r\n}\r\n"
                 "</SCRIPT></HEAD>\r\n<BODY onLoad=\"move()\"><DIV ID=\"ball\" STYLE=\"position:absolute; left:0; top:40px; "
                 "width:30px; height:30px; background:red; filter:alpha(opacity=60)\">Топка</DIV></BODY></HTML>\r\n";
    case 1:
        return head
               + "function over(e) { var el = ie4 ? window.event.srcElement : e.target; el.style.color = 'red'; "
                 "el.title = ie4 ? el.currentStyle.fontSize : getComputedStyle(el).fontSize; }\r\n"
                 "function start() { var cells = ie4 ? document.all.tags('TD') : document.getElementsByTagName('TD');\r\n"
                 "  for (var k = 0; k < cells.length; ++k) { if (ie4) cells[k].attachEvent('onmouseover', over); "
                 "else cells[k].addEventListener('mouseover', over, false); }\r\n"
                 "  (ie4 ? document.all.note : document.getElementById('note')).innerHTML = 'Готово'; }\r\n"
                 "</SCRIPT></HEAD>\r\n<BODY onLoad=\"start()\"><TABLE><TR><TD>Едно</TD><TD>Две</TD><TD>Три</TD></TR>"
                 "<TR><TD>Четири</TD><TD>Пет</TD><TD>Шест</TD></TR></TABLE><P ID=\"note\">...</P></BODY></HTML>\r\n";
    case 2:
        return "<HTML><HEAD><TITLE>Стар скрипт " + std::to_string(i)
               + "</TITLE>\r\n<SCRIPT LANGUAGE=\"JavaScript\">\r\n"
                 "var ns4 = (document.layers) ? true : false;\r\nvar y = 10;\r\nfunction slide() {\r\n  y += 5;\r\n"
                 "  if (ns4) document.layers.news.moveTo(20, y);\r\n"
                 "  else if (document.getElementById) document.getElementById('news').style.top = y + 'px';\r\n"
                 "  if (y < 60) setTimeout('slide()', 20);\r\n}\r\n"
                 "</SCRIPT></HEAD>\r\n<BODY onLoad=\"slide()\"><DIV ID=\"news\" STYLE=\"position:absolute; left:20px; "
                 "top:10px; width:200px; background:#FFFFCC\">Новини от днес</DIV></BODY></HTML>\r\n";
    default:
        return head
               + "var level = 20;\r\nfunction fade() {\r\n  level += 8;\r\n"
                 "  if (ie4) document.all.pic.filters.alpha.opacity = level;\r\n"
                 "  else if (dom) document.getElementById('pic').style.opacity = level / 100;\r\n"
                 "  if (level < 100) setTimeout('fade()', 20);\r\n}\r\n"
                 "</SCRIPT></HEAD>\r\n<BODY onLoad=\"fade()\"><DIV ID=\"pic\" STYLE=\"width:120px; height:80px; "
                 "background:teal; filter:alpha(opacity=20); cursor:hand\"></DIV><P>Надпис</P></BODY></HTML>\r\n";
    }
}

QStringList writePages(const QString& folder, int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const std::string page = corvane::utf8ToCp1251(oldPage(i));
        const QString path = folder + QStringLiteral("/old%1.html").arg(i);
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(page.data(), static_cast<std::streamsize>(page.size()));
        files.append(path);
    }
    return files;
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

// Milliseconds from navigate() to document complete.
double loadMs(corvane::WebView& view, const QString& file)
{
    QEventLoop loop;
    const auto done = QObject::connect(&view, &corvane::WebView::documentComplete, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    view.navigate(file);
    loop.exec();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QObject::disconnect(done);
    return ms;
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
        loadMs(view, files[kind]);
        for (int i = 0; i < loads; ++i) {
            for (const bool asToday : {false, true}) {
                view.setAsToday(asToday);
                QEventLoop settle;
                QTimer::singleShot(50, &settle, &QEventLoop::quit);
                settle.exec();
                (asToday ? without : with).push_back(loadMs(view, files[kind]));
            }
        }
        std::printf("load of old page kind %d: with the layer %.1f ms, as today %.1f ms (medians of %d): "
                    "the layer costs %.1f ms\n",
                    kind, median(with), median(without), loads, median(with) - median(without));
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    corvane::PageProbe::prepareEngine();
    QApplication app(argc, argv);
    const int count = sizeFromEnv("CORVANE_BENCH_PAGES", 500);
    const int jobs = sizeFromEnv("CORVANE_BENCH_JOBS",
                                 static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    const int rounds = sizeFromEnv("CORVANE_BENCH_ROUNDS", 2);
    QTemporaryDir folder;
    const QStringList files = writePages(folder.path(), count);

    loadCost(files, sizeFromEnv("CORVANE_BENCH_LOADS", 40));

    using bench::Cost;
    Cost layer{-1, -1};
    Cost today{-1, -1};
    const auto better = [](Cost best, Cost c) {
        return best.wallMs < 0 ? c : Cost{std::min(best.wallMs, c.wallMs), std::min(best.cpuMs, c.cpuMs)};
    };
    for (int round = 0; round < rounds; ++round) {
        const Cost l = bench::measure([&] { return probe(files, jobs, false); });
        const Cost t = bench::measure([&] { return probe(files, jobs, true); });
        std::printf("round %d: run %lld ms (processor %.0f ms), run --as-today %lld ms (processor %.0f ms)\n",
                    round + 1, static_cast<long long>(l.wallMs), l.cpuMs, static_cast<long long>(t.wallMs),
                    t.cpuMs);
        std::fflush(stdout);
        layer = better(layer, l);
        today = better(today, t);
    }
    std::printf("%d old pages, %d at once: run %lld ms, run --as-today %lld ms: ratio %.2f; processor time "
                "ratio %.2f\n",
                count, jobs, static_cast<long long>(layer.wallMs), static_cast<long long>(today.wallMs),
                double(layer.wallMs) / double(today.wallMs), layer.cpuMs / today.cpuMs);
    return 0;
}
