// Category list plus script count over a large library, beside a plain line count of the same
// files. Size: CORVANE_BENCH_CATEGORIES × CORVANE_BENCH_SCRIPTS (default 1000 × 1000).
#include "library/scriptlibrary.h"
#include "platform/profile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

int sizeFromEnv(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

struct Library {
    Library()
    {
        root = std::filesystem::temp_directory_path() / "corvane-bench-library";
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        const int categories = sizeFromEnv("CORVANE_BENCH_CATEGORIES", 1000);
        const int scripts = sizeFromEnv("CORVANE_BENCH_SCRIPTS", 1000);
        std::ofstream ini(root / "categories.ini", std::ios::binary);
        for (int c = 0; c < categories; ++c) {
            const std::string name = "Category " + std::to_string(c);
            ini << '[' << name << "]\r\n";
            std::filesystem::create_directory(root / name);
            std::ofstream list(root / name / "scripts.txt", std::ios::binary);
            for (int s = 0; s < scripts; ++s)
                list << "Script number " << s << ".html\r\n";
            names.push_back(name);
        }
        dir = root.string() + '/';
    }
    ~Library() { std::filesystem::remove_all(root); }

    std::filesystem::path root;
    std::string dir;
    std::vector<std::string> names;
};

Library& library()
{
    static Library instance;
    return instance;
}

void BM_CategoryListAndScriptCount(benchmark::State& state)
{
    const corvane::ScriptLibrary scripts(library().dir);
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
            std::ifstream in(library().root / name / "scripts.txt", std::ios::binary);
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
