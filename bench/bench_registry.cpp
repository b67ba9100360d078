// The store at start-up: parsing and saving a store of 20,000 and 40,000 keys, and the start
// countdown's first value written into it. Time should double with the keys, not quadruple.
#include "platform/registrystore.h"
#include "platform/registrytext.h"
#include "platform/storeregistrykey.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

std::string storeText(int keys)
{
    corvane::RegistryHive hive;
    for (int k = 0; k < keys; ++k) {
        // Distinct paths by construction: no look-up needed while building.
        auto& key = hive.keys.emplace_back();
        key.path = "HKEY_LOCAL_MACHINE\\Software\\Maker " + std::to_string(k % 97) + "\\Program "
                   + std::to_string(k);
        key.values.push_back(
            {"Path", corvane::kRegString, "C:\\Program Files\\Program " + std::to_string(k)});
        key.values.push_back(
            {"Version", corvane::kRegDword, corvane::dwordBytes(static_cast<std::uint32_t>(k))});
    }
    return corvane::formatRegistryText(hive);
}

void BM_ParseStore(benchmark::State& state)
{
    const std::string text = storeText(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(corvane::parseRegistryText(text));
    state.SetComplexityN(state.range(0));
}

void BM_FormatStore(benchmark::State& state)
{
    const auto hive = corvane::parseRegistryText(storeText(static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(corvane::formatRegistryText(*hive));
    state.SetComplexityN(state.range(0));
}

// What a start pays: open the key (load the store, add the key, save) and write one value.
void BM_OpenKeyAndWriteCounter(benchmark::State& state)
{
    const auto dir = std::filesystem::temp_directory_path() / "corvane-bench-store";
    std::filesystem::create_directories(dir);
    const std::string text = storeText(static_cast<int>(state.range(0)));
    const corvane::RegistryStore store((dir / "system.reg").string());
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(store.filePath());
        {
            std::FILE* out = std::fopen(store.filePath().c_str(), "wb");
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
        }
        state.ResumeTiming();
        corvane::StoreRegistryKey key(store);
        key.openKey("HKEY_LOCAL_MACHINE", "Software\\Corvane\\Corvane Scripts\\", true);
        key.writeInteger("TimesStarted", 20);
    }
    state.SetComplexityN(state.range(0));
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_ParseStore)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_FormatStore)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_OpenKeyAndWriteCounter)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

BENCHMARK_MAIN();
