// Checking a system of 1 000 000 rows against a complete result row with every
// output (distribution, hints, winning-row lines, best-row keys): the packed
// recount against the plain string recount. Target: 50 ms. Each run reads the
// ten best-row keys the check window shows, as the window does after a recount.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "checking/check_reference.h"
#include "checking/engine.h"

using namespace vinra;

namespace {

const core::TVinraFile& BenchDoc() {
    static const core::TVinraFile doc = [] {
        core::TVinraFile d;
        d.NewSystem(13, true);
        // 1 000 000 distinct rows in the system's ascending order.
        std::mt19937 rng(7);
        std::vector<uint32_t> all(1594323);
        for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
        std::shuffle(all.begin(), all.end(), rng);
        all.resize(1000000);
        std::sort(all.begin(), all.end());
        d.Rader.reserve(all.size());
        for (uint32_t v : all) {
            std::string r(13, '0');
            for (int m = 12; m >= 0; --m, v /= 3) r[static_cast<size_t>(m)] = static_cast<char>('0' + v % 3);
            d.Rader.push_back(std::move(r));
        }
        // A finished round: every score known.
        for (int m = 0; m < 13; ++m) {
            d.HGoal[m] = static_cast<int32_t>(rng() % 4);
            d.AGoal[m] = static_cast<int32_t>(rng() % 4);
        }
        checking::ResultRowFromGoals(d);
        return d;
    }();
    return doc;
}

double g_fastMs = 0, g_plainMs = 0;

template <class F>
void Timed(benchmark::State& state, double& meanMs, F&& f) {
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        auto r = f();
        for (size_t i = 0; i < 10 && i < r.bestKeys.size(); ++i) benchmark::DoNotOptimize(r.bestKeys[i]);
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }
    meanMs = total / static_cast<double>(state.iterations());
    state.counters["rows"] = static_cast<double>(BenchDoc().Rader.size());
}

void BM_CheckPacked(benchmark::State& state) {
    const auto& doc = BenchDoc();
    Timed(state, g_fastMs, [&] { return checking::CheckRows(doc, 12, core::DisplaySigns{}); });
}
BENCHMARK(BM_CheckPacked)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CheckPlain(benchmark::State& state) {
    const auto& doc = BenchDoc();
    Timed(state, g_plainMs, [&] { return checking::reference::CheckRowsPlain(doc, 12, core::DisplaySigns{}); });
}
BENCHMARK(BM_CheckPlain)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The check window keeps one checker for its session and recounts on every click.
void BM_RecountPrepared(benchmark::State& state) {
    const auto& doc = BenchDoc();
    const checking::RowChecker checker(doc.Rader, doc.MatchCount);
    for (auto _ : state) {
        auto r = checker.Check(doc.Facit, doc.HGoal, doc.AGoal, 12, core::DisplaySigns{});
        for (size_t i = 0; i < 10 && i < r.bestKeys.size(); ++i) benchmark::DoNotOptimize(r.bestKeys[i]);
    }
}
BENCHMARK(BM_RecountPrepared)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    BenchDoc();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_fastMs > 0 && g_plainMs > 0)
        std::printf("check 1 000 000 rows: packed %.1f ms, plain %.1f ms, plain/packed = %.1fx (target 50 ms)\n",
                    g_fastMs, g_plainMs, g_plainMs / g_fastMs);
    return 0;
}
