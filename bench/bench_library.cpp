// Category list plus script count over a large library, beside a plain line count of the same
// files. Size: CORVANE_BENCH_CATEGORIES × CORVANE_BENCH_SCRIPTS (default 1000 × 1000).
#include "library/scriptlibrary.h"
#include "platform/profile.h"

#include "generatedlibrary.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Library {
    Library()
        : generated(
            "corvane-bench-library", bench::sizeFromEnv("CORVANE_BENCH_CATEGORIES", 1000),
            [](int c) { return "Category " + std::to_string(c); },
            [this](const std::filesystem::path& folder, std::ofstream& list, int) {
                const int scripts = bench::sizeFromEnv("CORVANE_BENCH_SCRIPTS", 1000);
                for (int s = 0; s < scripts; ++s)
                    list << "Script number " << s << ".html\r\n";
                names.push_back(folder.filename().string());
            })
    {
    }

    std::vector<std::string> names; // before `generated`, which fills it
    bench::GeneratedLibrary generated;
};

Library& library()
{
    return bench::once<Library>();
}

void BM_CategoryListAndScriptCount(benchmark::State& state)
{
    const corvane::ScriptLibrary scripts(library().generated.dir);
    for (auto _ : state) {
        const auto categories = corvane::readSectionNames(scripts.categoriesPath());
        benchmark::DoNotOptimize(scripts.countScripts(categories));
    }
}

// The floor: read each list and count its LF bytes, nothing more.
void BM_PlainLineCount(benchmark::State& state)
{
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        long lines = 0;
        for (const auto& name : library().names) {
            std::ifstream in(library().generated.root / name / "scripts.txt", std::ios::binary);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
                for (std::streamsize i = 0; i < in.gcount(); ++i)
                    lines += buffer[static_cast<size_t>(i)] == '\n';
            }
        }
        benchmark::DoNotOptimize(lines);
    }
}

BENCHMARK(BM_CategoryListAndScriptCount)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLineCount)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
