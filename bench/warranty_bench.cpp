// The warranty over a full 13-match frame (1 594 323 outcomes): outcome
// expansion plus the class tally, fast engine against the plain algorithm
// (string rows, every outcome against every row).
//  (a) 1 000 random rows: target at least 200x and under 100 ms.
//  (b) the 59 049 rows of the perfect ternary Hamming code: target under 1 s.
// The plain tally would take minutes to hours, so it is timed on an evenly
// spread sample of the outcomes and scaled up; its expansion is timed whole.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <random>

#include "reduction/conditions.h"
#include "reduction/row_generation.h"
#include "reduction/tests/warranty_plain.h"
#include "reduction/warranty.h"

using namespace vinra;
using reduction::WarrantyMethod;

namespace {

constexpr int kN = 13;

const std::vector<std::string>& Frame() {
    static const std::vector<std::string> frame(kN, "012");
    return frame;
}

const reduction::ConditionSet& Conditions() {
    static const reduction::ConditionSet c = reduction::NewConditionSet(kN);
    return c;
}

std::vector<std::string> RandomRows(size_t count) {
    std::mt19937 rng(2026);
    std::vector<std::string> rows;
    for (size_t i = 0; i < count; ++i) {
        std::string r;
        for (int m = 0; m < kN; ++m) r += static_cast<char>('0' + rng() % 3);
        rows.push_back(r);
    }
    return rows;
}

// The [13,10] ternary Hamming code: the words x with H x = 0 (mod 3), where the
// columns of H are the 13 nonzero vectors of GF(3)^3 whose first nonzero entry is 1.
std::vector<std::string> HammingCode() {
    std::vector<std::array<int, 3>> columns;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            for (int c = 0; c < 3; ++c) {
                const int first = a ? a : b ? b : c;
                if (first == 1) columns.push_back({a, b, c});
            }
    std::vector<std::string> code;
    std::string word(kN, '0');
    for (uint32_t v = 0; v < 1594323; ++v) {
        uint32_t x = v;
        int s[3] = {0, 0, 0};
        for (int m = kN - 1; m >= 0; --m, x /= 3) {
            const int d = static_cast<int>(x % 3);
            word[static_cast<size_t>(m)] = static_cast<char>('0' + d);
            for (int i = 0; i < 3; ++i) s[i] += d * columns[static_cast<size_t>(m)][static_cast<size_t>(i)];
        }
        if (s[0] % 3 == 0 && s[1] % 3 == 0 && s[2] % 3 == 0) code.push_back(word);
    }
    return code;
}

struct Case {
    std::vector<std::string> rows;
    std::vector<core::PackedRow> packed;
};
const Case& RandomCase() {
    static const Case c = [] {
        Case k{RandomRows(1000), {}};
        for (auto& r : k.rows) k.packed.push_back(core::PackRow(r));
        return k;
    }();
    return c;
}
const Case& HammingCase() {
    static const Case c = [] {
        Case k{HammingCode(), {}};
        for (auto& r : k.rows) k.packed.push_back(core::PackRow(r));
        return k;
    }();
    return c;
}

double Ms(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Fast: the engine's expansion and tally, as the warranty run does them.
void Fast(benchmark::State& state, const Case& c, WarrantyMethod method, double* meanMs) {
    double total = 0;
    size_t classes = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const auto outcomes =
            reduction::ExpandFrame(Frame(), kN, Conditions(), reduction::PercentTables{}, nullptr, nullptr);
        const auto table = reduction::TallyWarranty(outcomes, c.packed, kN, nullptr, nullptr, {method, 0, 0});
        total += Ms(t0);
        classes = table.keys.size();
        benchmark::DoNotOptimize(table.keys.data());
    }
    if (meanMs) *meanMs = total / static_cast<double>(state.iterations());
    state.counters["classes"] = static_cast<double>(classes);
    state.counters["rows"] = static_cast<double>(c.rows.size());
}

// The tally alone, on outcomes expanded once.
void TallyOnly(benchmark::State& state, const Case& c, WarrantyMethod method, unsigned threads = 0) {
    static const auto outcomes =
        reduction::ExpandFrame(Frame(), kN, Conditions(), reduction::PercentTables{}, nullptr, nullptr);
    for (auto _ : state) {
        const auto table = reduction::TallyWarranty(outcomes, c.packed, kN, nullptr, nullptr, {method, 0, threads});
        benchmark::DoNotOptimize(table.keys.data());
    }
}

// Plain: string expansion with the row test, then the tally on every
// `stride`-th outcome, scaled to all of them.
void Plain(benchmark::State& state, const Case& c, size_t stride, double* meanMs) {
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        std::vector<std::string> outcomes;
        for (const auto& row : reduction::plain::ExpandFrame(Frame()))
            if (reduction::RowPassesConditions(row, Conditions(), reduction::PercentTables{})) outcomes.push_back(row);
        const double expandMs = Ms(t0);
        std::vector<std::string> sample;
        for (size_t i = 0; i < outcomes.size(); i += stride) sample.push_back(outcomes[i]);
        t0 = std::chrono::steady_clock::now();
        const auto table = reduction::plain::TallyWarranty(sample, c.rows, kN);
        const double tallyMs = Ms(t0) * static_cast<double>(outcomes.size()) / static_cast<double>(sample.size());
        benchmark::DoNotOptimize(table.keys.data());
        total += expandMs + tallyMs;
        state.SetIterationTime((expandMs + tallyMs) / 1000.0);
    }
    if (meanMs) *meanMs = total / static_cast<double>(state.iterations());
    state.counters["sampled_outcomes"] = static_cast<double>((1594323 + stride - 1) / stride);
}

double g_randomFast = 0, g_randomPlain = 0, g_hammingFast = 0, g_hammingPlain = 0;

void BM_Warranty1000Rows_Fast(benchmark::State& s) { Fast(s, RandomCase(), WarrantyMethod::Auto, &g_randomFast); }
void BM_Warranty1000Rows_Walk(benchmark::State& s) { Fast(s, RandomCase(), WarrantyMethod::Walk, nullptr); }
void BM_Warranty1000Rows_Transform(benchmark::State& s) { Fast(s, RandomCase(), WarrantyMethod::Transform, nullptr); }
void BM_Warranty1000Rows_Plain(benchmark::State& s) { Plain(s, RandomCase(), 199, &g_randomPlain); }
void BM_WarrantyHamming_Fast(benchmark::State& s) { Fast(s, HammingCase(), WarrantyMethod::Auto, &g_hammingFast); }
void BM_WarrantyHamming_Walk(benchmark::State& s) { Fast(s, HammingCase(), WarrantyMethod::Walk, nullptr); }
void BM_WarrantyHamming_Plain(benchmark::State& s) { Plain(s, HammingCase(), 7919, &g_hammingPlain); }

void BM_Tally1000Rows_Walk(benchmark::State& s) { TallyOnly(s, RandomCase(), WarrantyMethod::Walk); }
void BM_Tally1000Rows_Walk1Thread(benchmark::State& s) { TallyOnly(s, RandomCase(), WarrantyMethod::Walk, 1); }
void BM_TallyHamming_Transform1Thread(benchmark::State& s) {
    TallyOnly(s, HammingCase(), WarrantyMethod::Transform, 1);
}
BENCHMARK(BM_Tally1000Rows_Walk1Thread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TallyHamming_Transform1Thread)->Unit(benchmark::kMillisecond);
void BM_Tally1000Rows_Transform(benchmark::State& s) { TallyOnly(s, RandomCase(), WarrantyMethod::Transform); }
void BM_TallyHamming_Transform(benchmark::State& s) { TallyOnly(s, HammingCase(), WarrantyMethod::Transform); }
BENCHMARK(BM_Tally1000Rows_Walk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tally1000Rows_Transform)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TallyHamming_Transform)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_Warranty1000Rows_Fast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Warranty1000Rows_Walk)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Warranty1000Rows_Transform)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Warranty1000Rows_Plain)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_WarrantyHamming_Fast)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WarrantyHamming_Walk)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WarrantyHamming_Plain)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_randomFast > 0 && g_randomPlain > 0)
        std::printf(
            "warranty of 1 000 rows, full 13-match frame: fast %.1f ms, plain %.0f ms (tally sampled), "
            "ratio %.0fx (target >= 200x, < 100 ms)\n",
            g_randomFast, g_randomPlain, g_randomPlain / g_randomFast);
    if (g_hammingFast > 0 && g_hammingPlain > 0)
        std::printf(
            "warranty of the 59 049-row Hamming code, full 13-match frame: fast %.1f ms, plain %.0f s "
            "(tally sampled), ratio %.0fx (target < 1 s)\n",
            g_hammingFast, g_hammingPlain / 1000.0, g_hammingPlain / g_hammingFast);
    return 0;
}
