// Loading and saving a 13-match system of 100 000 rows.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <set>

#include <unistd.h>

#include "core/system_document.h"

using namespace vinra::core;

namespace {

const std::filesystem::path& BenchFile() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() / ("vinra-bench-" + std::to_string(::getpid()) + ".1x2");
        TVinraFile d;
        d.NewSystem(13, true);
        std::mt19937 rng(1);
        std::set<std::string> seen;
        while (d.Rader.size() < 100000) {
            std::string r(13, '0');
            for (auto& c : r) c = static_cast<char>('0' + rng() % 3);
            if (seen.insert(r).second) d.Rader.push_back(r);
        }
        d.SaveToFile(p);
        return p;
    }();
    return path;
}

void BM_Load100kRows(benchmark::State& state) {
    const auto& path = BenchFile();
    for (auto _ : state) {
        TVinraFile d;
        d.LoadFromFile(path);
        benchmark::DoNotOptimize(d.Rader.Words().data());
    }
}
BENCHMARK(BM_Load100kRows)->Unit(benchmark::kMillisecond);

void BM_Save100kRows(benchmark::State& state) {
    TVinraFile d;
    d.LoadFromFile(BenchFile());
    const auto out = BenchFile().string() + ".out.1x2";
    for (auto _ : state) d.SaveToFile(out);
    std::filesystem::remove(out);
}
BENCHMARK(BM_Save100kRows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(BenchFile());
    return 0;
}
