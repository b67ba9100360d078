// corvane-library check over a generated library, beside the floor of reading every file of it
// once with find and cat. Size: CORVANE_BENCH_CATEGORIES × CORVANE_BENCH_SCRIPTS
// (default 300 × 1000); pages are small so that generating them stays quick.
#include "librarytool/check.h"
#include "platform/codepage.h"

#include "generatedlibrary.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using bench::sizeFromEnv;

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Library {
    Library()
    {
        root = std::filesystem::temp_directory_path() / "corvane-bench-check";
        std::error_code error;
        std::filesystem::remove_all(root, error);
        std::filesystem::create_directories(root);
        const int categories = sizeFromEnv("CORVANE_BENCH_CATEGORIES", 300);
        const int scripts = sizeFromEnv("CORVANE_BENCH_SCRIPTS", 1000);
        const std::string page = corvane::utf8ToCp1251(
            "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n<title>Часовник</title>\r\n"
            "<style>body { background: url(fon.png) }</style>\r\n</head>\r\n"
            "<body>\r\n<p id=\"t\">Часовник</p>\r\n<a href=\"http://www.corvane.example/\">Corvane</a>\r\n"
            "<script>document.getElementById('t').textContent = new Date();</script>\r\n</body>\r\n</html>\r\n");
        std::string ini;
        for (int c = 0; c < categories; ++c) {
            const std::string name = "Category " + std::to_string(c);
            ini += '[' + name + "]\r\n";
            const auto folder = root / name;
            std::filesystem::create_directory(folder);
            std::string list;
            for (int s = 0; s < scripts; ++s) {
                const std::string script = "Script " + std::to_string(s) + ".html";
                list += script + "\r\n";
                writeFile(folder / script, page);
            }
            writeFile(folder / "scripts.txt", list);
        }
        writeFile(root / "categories.ini", ini);
        dir = root.string() + '/';
        floorCommand = "find '" + root.string() + "' -type f -exec cat {} + > /dev/null";
        // Written pages may still be on their way to the disk; both runs start from a warm cache.
        if (std::system(("sync && " + floorCommand).c_str()) != 0)
            std::abort();
    }
    ~Library()
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }

    std::filesystem::path root;
    std::string dir;
    std::string floorCommand;
};

Library& library()
{
    return bench::once<Library>();
}

void BM_CheckLibrary(benchmark::State& state)
{
    const std::string& dir = library().dir;
    for (auto _ : state) {
        const auto findings = corvane::librarytool::checkLibrary(dir);
        if (!findings.empty()) {
            state.SkipWithError("the generated library should check clean");
            break;
        }
    }
}

// The floor: every file of the library read once, by the shell's own tools.
void BM_ReadEveryFileOnce(benchmark::State& state)
{
    const std::string& command = library().floorCommand;
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("find/cat failed");
            break;
        }
    }
}

// A tighter floor, for context: the same reading done in this process, no programs started.
void BM_ReadEveryFileInProcess(benchmark::State& state)
{
    std::vector<char> buffer(1 << 17);
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(library().root)) {
            if (!entry.is_regular_file())
                continue;
            const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
            for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
                bytes += static_cast<std::size_t>(n);
            if (fd >= 0)
                ::close(fd);
        }
        benchmark::DoNotOptimize(bytes);
    }
}

BENCHMARK(BM_ReadEveryFileOnce)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_CheckLibrary)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_ReadEveryFileInProcess)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
