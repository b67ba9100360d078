// corvane-library run's page loading beside a bare QWebEnginePage loader, in the same run and
// with the same parallelism: CORVANE_BENCH_PAGES generated pages (default 1000),
// CORVANE_BENCH_JOBS at once (default: the number of processors). Each side runs twice,
// alternating, and the better time of each is compared.
#include "browser/pageprobe.h"
#include "browser/webengine.h"
#include "platform/codepage.h"

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
#include <thread>
#include <vector>

namespace {

int sizeFromEnv(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// Pages like the library's: Windows-1251 text, a style, a picture, a script that builds part of
// the page when it loads; every fourth keeps a clock ticking each second.
QStringList writePages(const QString& folder, int count)
{
    {
        std::ofstream gif((folder + QStringLiteral("/dot.gif")).toStdString(), std::ios::binary);
        gif.write("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00"
                  "\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
                  43);
    }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const std::string clock = i % 4 == 0 ? "setInterval(function () { t.textContent = new Date(); }, 1000);\r\n" : "";
        const std::string page = corvane::utf8ToCp1251(
            "<html>\r\n<head>\r\n<title>Страница " + std::to_string(i) + "</title>\r\n"
            "<style>\r\nbody { font-family: Verdana; background: #eef; }\r\n.box { border: 1px solid #88a; padding: 4px; }\r\n</style>\r\n"
            "</head>\r\n<body>\r\n<h1>Скрипт номер " + std::to_string(i) + "</h1>\r\n"
            "<div class=\"box\" id=\"t\">Текст на страницата</div>\r\n<img src=\"dot.gif\" width=\"20\" height=\"20\">\r\n"
            "<ul id=\"list\"></ul>\r\n<script>\r\nvar list = document.getElementById('list');\r\n"
            "for (var k = 0; k < 20; ++k) { var li = document.createElement('li'); li.textContent = 'Ред ' + k; list.appendChild(li); }\r\n"
            "var t = document.getElementById('t');\r\n" + clock + "</script>\r\n</body>\r\n</html>\r\n");
        const QString path = folder + QStringLiteral("/page%1.html").arg(i);
        std::ofstream(path.toStdString(), std::ios::binary).write(page.data(), static_cast<std::streamsize>(page.size()));
        files.append(path);
    }
    return files;
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
    int findings = 0;
    QObject::connect(&probe, &corvane::PageProbe::pageDone, &loop,
                     [&](int, const QList<corvane::PageEvent>& events) { findings += static_cast<int>(events.size()); });
    QObject::connect(&probe, &corvane::PageProbe::finished, &loop, &QEventLoop::quit);
    probe.start(files);
    loop.exec();
    if (findings > 0)
        std::fprintf(stderr, "warning: the generated pages gave %d findings\n", findings);
    return timer.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --disable-gpu");
    corvane::prepareWebEngine();
    QApplication app(argc, argv);
    const int count = sizeFromEnv("CORVANE_BENCH_PAGES", 1000);
    const int jobs = sizeFromEnv("CORVANE_BENCH_JOBS", static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    QTemporaryDir folder;
    const QStringList files = writePages(folder.path(), count);

    qint64 bare = -1;
    qint64 tool = -1;
    for (int round = 0; round < 2; ++round) {
        const qint64 b = bareLoader(files, jobs);
        const qint64 t = probe(files, jobs);
        std::printf("round %d: bare QWebEnginePage %lld ms, page probe %lld ms\n", round + 1, static_cast<long long>(b),
                    static_cast<long long>(t));
        std::fflush(stdout);
        bare = bare < 0 ? b : std::min(bare, b);
        tool = tool < 0 ? t : std::min(tool, t);
    }
    std::printf("%d pages, %d at once: bare %lld ms (%.1f ms a page), probe %lld ms (%.1f ms a page), ratio %.2f\n",
                count, jobs, static_cast<long long>(bare), double(bare) / count, static_cast<long long>(tool),
                double(tool) / count, double(tool) / double(bare));
    return 0;
}
