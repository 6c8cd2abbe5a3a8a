// The value of a 13-match system over all 1 594 323 results: the engine
// (per-outcome counts from the warranty engine, running products for the
// chances and the other winners) against the plain way (every result against
// every row as strings, each result's products from scratch). The plain way is
// timed on an evenly spread sample of the results and scaled up.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "reduction/system_value.h"

using namespace vinra;

namespace {

constexpr int kN = 13;

const reduction::ValueModel& Model() {
    static const reduction::ValueModel m = [] {
        std::mt19937_64 rng(13);
        std::uniform_real_distribution<double> u(0.1, 1.0);
        reduction::PercentTable odds{}, people{};
        for (int i = 0; i < kN; ++i)
            for (int s = 0; s < 3; ++s) odds[i][s] = u(rng), people[i][s] = u(rng);
        return reduction::MarketValueModel(kN, odds, odds, people, 0, 10);
    }();
    return m;
}

std::vector<std::string> Rows(size_t count) {
    std::mt19937 rng(2026);
    std::vector<std::string> rows;
    for (size_t i = 0; i < count; ++i) {
        std::string r;
        for (int m = 0; m < kN; ++m) r += static_cast<char>('0' + rng() % 3);
        rows.push_back(r);
    }
    return rows;
}

double g_fast[2], g_plain[2];
const size_t kRows[2] = {64, 1000};

void Fast(benchmark::State& state, int which) {
    const auto rows = Rows(kRows[which]);
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const auto v = reduction::ComputeSystemValue(rows, Model());
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(v.expectedReturn);
    }
    g_fast[which] = total / static_cast<double>(state.iterations());
}

void Plain(benchmark::State& state, int which, uint64_t stride) {
    const auto rows = Rows(kRows[which]);
    const auto& m = Model();
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        double expected = 0;
        uint64_t sampled = 0;
        std::string o(kN, '0');
        for (uint64_t i = 0; i < 1594323; i += stride, ++sampled) {
            uint64_t x = i;
            for (int j = kN - 1; j >= 0; --j, x /= 3) o[j] = static_cast<char>('0' + x % 3);
            double p = 1, c[4] = {1, 0, 0, 0};
            for (int j = 0; j < kN; ++j) {
                const int s = o[j] - '0';
                p *= m.probability[j][s];
                const double q = m.people[j][s];
                for (int k = 3; k > 0; --k) c[k] = c[k] * q + c[k - 1] * (1 - q);
                c[0] *= q;
            }
            int h[4] = {0, 0, 0, 0};
            for (const std::string& r : rows) {
                int d = 0;
                for (int j = 0; j < kN; ++j) d += r[j] != o[j];
                if (d < 4) ++h[d];
            }
            double ret = 0;
            for (int k = 0; k < 4; ++k)
                if (h[k]) ret += m.LevelPool(k) * h[k] / (h[k] + m.turnover * c[k]);
            expected += p * ret;
        }
        benchmark::DoNotOptimize(expected);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() *
                          1594323.0 / static_cast<double>(sampled);
        g_plain[which] = ms;
        state.SetIterationTime(ms / 1000.0);
    }
}

void BM_Value64Rows_Fast(benchmark::State& s) { Fast(s, 0); }
void BM_Value64Rows_Plain(benchmark::State& s) { Plain(s, 0, 97); }
void BM_Value1000Rows_Fast(benchmark::State& s) { Fast(s, 1); }
void BM_Value1000Rows_Plain(benchmark::State& s) { Plain(s, 1, 997); }
BENCHMARK(BM_Value64Rows_Fast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Value64Rows_Plain)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_Value1000Rows_Fast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Value1000Rows_Plain)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (int w = 0; w < 2; ++w)
        if (g_fast[w] > 0 && g_plain[w] > 0)
            std::printf(
                "value of %zu rows over every 13-match result: fast %.0f ms, plain %.0f ms (sampled), "
                "ratio %.1fx\n",
                kRows[w], g_fast[w], g_plain[w], g_plain[w] / g_fast[w]);
    return 0;
}
