// Library search over a generated library of CORVANE_BENCH_SEARCH_CATEGORIES ×
// CORVANE_BENCH_SEARCH_SCRIPTS scripts of about 2 KB (default 100 × 1000), beside a cat-like read
// of the same files to /dev/null. The text query's counters give the read time measured in the
// same run and the ratio to it.
#include "platform/codepage.h"
#include "search/librarysearch.h"

#include "generatedlibrary.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// About 2 KB of a page in Windows-1251; one script in a hundred mentions a clock.
std::string scriptText(int category, int script)
{
    std::string text =
        "<html>\r\n<head><title>Скрипт " + std::to_string(script) + "</title></head>\r\n<body>\r\n";
    text += "<script language=\"JavaScript\">\r\n";
    int line = 0;
    while (text.size() < 1900) {
        text += "  var стойност" + std::to_string(line) + " = document.forms[0].elements["
                + std::to_string(line) + "].value; // проверка на полето\r\n";
        if (line == 7 && (category * 1000 + script) % 100 == 42)
            text += "  // Аналогов ЧАСОВНИК със стрелки\r\n";
        ++line;
    }
    text += "</script>\r\n</body>\r\n</html>\r\n";
    return corvane::utf8ToCp1251(text);
}

struct Library {
    Library()
        : generated(
            "corvane-bench-search", bench::sizeFromEnv("CORVANE_BENCH_SEARCH_CATEGORIES", 100),
            [](int c) { return "Категория " + std::to_string(c); },
            [this](const std::filesystem::path& folder, std::ofstream& list, int c) {
                const int scripts = bench::sizeFromEnv("CORVANE_BENCH_SEARCH_SCRIPTS", 1000);
                for (int s = 0; s < scripts; ++s) {
                    // One name in a hundred has the word the name query looks for.
                    const std::string name =
                        "Скрипт " + std::to_string(s) + (s % 100 == 3 ? " Стрелки" : "") + ".html";
                    list << corvane::utf8ToCp1251(name) << "\r\n";
                    std::ofstream(folder / name, std::ios::binary) << scriptText(c, s);
                    paths.push_back((folder / name).string());
                }
            })
    {
    }

    std::vector<std::string> paths; // before `generated`, which fills it
    bench::GeneratedLibrary generated;
};

Library& library()
{
    return bench::once<Library>();
}

// What cat does for each file: open, stat, read it through, write it to /dev/null, close.
double catAllSeconds()
{
    static std::vector<char> buffer(128 * 1024);
    const int null = ::open("/dev/null", O_WRONLY);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& path : library().paths) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        struct stat info {};
        ::fstat(fd, &info);
        ssize_t n;
        while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
            benchmark::DoNotOptimize(::write(null, buffer.data(), static_cast<size_t>(n)));
        ::close(fd);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    ::close(null);
    return elapsed.count();
}

corvane::SearchReport runSearch(const char* query, corvane::SearchScope scope)
{
    const corvane::SearchCancel cancel;
    return corvane::searchLibrary(
        library().generated.dir, query, cancel,
        [](std::vector<corvane::SearchHit>&& hits) { benchmark::DoNotOptimize(hits.data()); }, scope);
}

void BM_NameQuery(benchmark::State& state)
{
    library();
    corvane::SearchReport report;
    for (auto _ : state)
        report = runSearch("стрелки", corvane::SearchScope::Names);
    state.counters["matches"] = static_cast<double>(report.nameMatches);
}

void BM_CatAllScripts(benchmark::State& state)
{
    library();
    for (auto _ : state) {
        const double seconds = catAllSeconds();
        state.SetIterationTime(seconds);
    }
    state.counters["files"] = static_cast<double>(library().paths.size());
}

void textQuery(benchmark::State& state, const char* query)
{
    library();
    catAllSeconds(); // warm the cache
    double catTotal = 0;
    double searchTotal = 0;
    corvane::SearchReport report;
    for (auto _ : state) {
        state.PauseTiming();
        catTotal += catAllSeconds();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        report = runSearch(query, corvane::SearchScope::NamesAndText);
        searchTotal += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["cat_ms"] = catTotal / n * 1000;
    state.counters["vs_cat"] = searchTotal / catTotal;
    state.counters["matches"] = static_cast<double>(report.nameMatches + report.textMatches);
    state.counters["unreadable"] = static_cast<double>(report.unreadableScripts);
}

// A word in one script in a hundred.
void BM_TextQueryRare(benchmark::State& state)
{
    textQuery(state, "часовник");
}

// A word on most lines: the shown hits are capped, the rest only counted.
void BM_TextQueryCommon(benchmark::State& state)
{
    textQuery(state, "VALUE");
}

BENCHMARK(BM_NameQuery)->Unit(benchmark::kMillisecond);
// A pass over 100,000 files takes seconds: a few passes each are enough.
BENCHMARK(BM_CatAllScripts)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_TextQueryRare)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TextQueryCommon)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
