// corvane-library run's page loading beside a bare QWebEnginePage loader, in the same run and
// with the same parallelism: CORVANE_BENCH_PAGES generated pages (default 1000),
// CORVANE_BENCH_JOBS at once (default: the number of processors). Each side runs
// CORVANE_BENCH_ROUNDS times (default 2), alternating, and the better time of each is compared.
// Beside the wall time, the processor time of this process and the engine's processes is given:
// on a busy machine it says more than the clock.
#include "benchpages.h"
#include "browser/pageprobe.h"
#include "platform/codepage.h"
#include "processcost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Pages like the library's: Windows-1251 text, a style, a picture, a script that builds part of
// the page when it loads; every fourth keeps a clock ticking each second.
std::string libraryPage(int i)
{
    const std::string clock =
        i % 4 == 0 ? "setInterval(function () { t.textContent = new Date(); }, 1000);\r\n" : "";
    return corvane::utf8ToCp1251(
        "<html>\r\n<head>\r\n<title>Страница " + std::to_string(i)
        + "</title>\r\n"
          "<style>\r\nbody { font-family: Verdana; background: #eef; }\r\n.box { border: 1px solid #88a; padding: 4px; }\r\n</style>\r\n"
          "</head>\r\n<body>\r\n<h1>Скрипт номер "
        + std::to_string(i)
        + "</h1>\r\n"
          "<div class=\"box\" id=\"t\">Текст на страницата</div>\r\n<img src=\"dot.gif\" width=\"20\" height=\"20\">\r\n"
          "<ul id=\"list\"></ul>\r\n<script>\r\nvar list = document.getElementById('list');\r\n"
          "for (var k = 0; k < 20; ++k) { var li = document.createElement('li'); li.textContent = 'Ред ' + k; list.appendChild(li); }\r\n"
          "var t = document.getElementById('t');\r\n"
        + clock + "</script>\r\n</body>\r\n</html>\r\n");
}

// The floor: pages of an off-the-record profile, each loading the next file when one has loaded.
qint64 bareLoader(const QStringList& files, int jobs)
{
    QElapsedTimer timer;
    timer.start();
    QWebEngineProfile profile;
    std::vector<std::unique_ptr<QWebEnginePage>> pages;
    QEventLoop loop;
    int next = 0;
    int done = 0;
    for (int j = 0; j < jobs; ++j) {
        pages.push_back(std::make_unique<QWebEnginePage>(&profile));
        QWebEnginePage* page = pages.back().get();
        QObject::connect(page, &QWebEnginePage::loadFinished, &loop, [&, page](bool) {
            if (++done == files.size())
                loop.quit();
            else if (next < files.size())
                page->load(QUrl::fromLocalFile(files[next++]));
        });
    }
    for (auto& page : pages)
        if (next < files.size())
            page->load(QUrl::fromLocalFile(files[next++]));
    loop.exec();
    pages.clear();
    return timer.elapsed();
}

qint64 probe(const QStringList& files, int jobs)
{
    QElapsedTimer timer;
    timer.start();
    corvane::PageProbe probe(jobs);
    QEventLoop loop;
    QObject::connect(&probe, &corvane::PageProbe::finished, &loop, &QEventLoop::quit);
    probe.start(files);
    loop.exec();
    int findings = 0;
    for (int i = 0; i < files.size(); ++i)
        findings += static_cast<int>(probe.events(i).size());
    if (findings > 0)
        std::fprintf(stderr, "warning: the generated pages gave %d findings\n", findings);
    return timer.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    // Both sides run in the engine as the tool starts it.
    corvane::PageProbe::prepareEngine();
    QApplication app(argc, argv);
    const int count = bench::positiveSizeFromEnv("CORVANE_BENCH_PAGES", 1000);
    const int jobs = bench::jobsFromEnv();
    QTemporaryDir folder;
    const QStringList files = bench::writePages(folder.path(), count, QStringLiteral("page"), libraryPage);

    const int rounds = bench::positiveSizeFromEnv("CORVANE_BENCH_ROUNDS", 2);
    using bench::Cost;
    using bench::measure;
    Cost bare{-1, -1};
    Cost tool{-1, -1};
    for (int round = 0; round < rounds; ++round) {
        const Cost b = measure([&] { return bareLoader(files, jobs); });
        const Cost t = measure([&] { return probe(files, jobs); });
        std::printf(
            "round %d: bare QWebEnginePage %lld ms (processor %.0f ms), page probe %lld ms (processor %.0f ms)\n",
            round + 1, static_cast<long long>(b.wallMs), b.cpuMs, static_cast<long long>(t.wallMs), t.cpuMs);
        std::fflush(stdout);
        bare = bench::better(bare, b);
        tool = bench::better(tool, t);
    }
    std::printf(
        "%d pages, %d at once: bare %lld ms (%.1f ms a page), probe %lld ms (%.1f ms a page): ratio %.2f; "
        "processor time ratio %.2f\n",
        count, jobs, static_cast<long long>(bare.wallMs), double(bare.wallMs) / count,
        static_cast<long long>(tool.wallMs), double(tool.wallMs) / count,
        double(tool.wallMs) / double(bare.wallMs), tool.cpuMs / bare.cpuMs);
    return 0;
}
