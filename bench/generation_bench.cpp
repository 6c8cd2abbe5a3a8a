// Full expansion of a 13-match frame and the row-difference pass: the engine's
// packed paths against the plain string algorithms they replace.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "reduction/conditions.h"
#include "reduction/row_generation.h"
#include "reduction/tests/plain_reference.h"

namespace {

using namespace vinra;
using namespace vinra::reduction;

constexpr int kN = 13;

const std::vector<std::string>& FullFrame() {
    static const std::vector<std::string> frame(kN, "012");
    return frame;
}

// Sign counts, two source rows, two yes- and two no-combinations and a win level.
const ConditionSet& TypicalConditions() {
    static const ConditionSet c = [] {
        ConditionSet set = NewConditionSet(kN);
        set.flags.fill(false);
        set.flags[core::UseMaxMin] = set.flags[core::UseURad] = set.flags[core::UseJaKomb] = true;
        set.flags[core::UseNejKomb] = set.flags[core::UseChooseWin] = true;
        set.minCount = {3, 2, 1};
        set.maxCount = {8, 6, 5};
        set.runMax = {4, 3, 3};
        set.sourceRows = {{"0,0,01,1,0,2,0,01,02,0,1,0,0", 6, 11}, {"2,1,1,0,02,0,2,2,1,*,0,12,1", 2, 8}};
        set.yesCombinations = {{"00", 1, 3}, {"11?22", 0, 0}};
        set.noCombinations = {"2222", "*******0*1***"};
        std::mt19937 rng(13);
        for (int m = 0; m < kN; ++m) {
            const int home = 30 + static_cast<int>(rng() % 40), draw = 15 + static_cast<int>(rng() % 20);
            set.sumTable[m] = {home, draw, 100 - home - draw};
        }
        set.winMin = 300;
        set.winMax = 600;
        return set;
    }();
    return c;
}

void BM_ExpandFast(benchmark::State& state) {
    size_t rows = 0;
    for (auto _ : state) {
        auto out = ExpandFrame(FullFrame(), kN, TypicalConditions(), {}, nullptr, nullptr);
        rows = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
// CPU time of the whole process: the expansion runs on both cores.
BENCHMARK(BM_ExpandFast)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ExpandPlain(benchmark::State& state) {
    size_t rows = 0;
    for (auto _ : state) {
        auto out = plain::ExpandFrame(FullFrame(), kN, TypicalConditions(), {});
        rows = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ExpandPlain)->Unit(benchmark::kMillisecond)->Iterations(2);

const std::vector<core::PackedRow>& AllRows() {
    static const std::vector<core::PackedRow> rows =
        ExpandFrame(FullFrame(), kN, NewConditionSet(kN), {}, nullptr, nullptr);
    return rows;
}

void BM_RowDifferenceFullFrame(benchmark::State& state) {
    const int d = static_cast<int>(state.range(0));
    size_t kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<core::PackedRow> rows = AllRows();
        state.ResumeTiming();
        ApplyRowDifferencePacked(rows, kN, d, nullptr, nullptr);
        kept = rows.size();
    }
    state.counters["rows_in"] = static_cast<double>(AllRows().size());
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_RowDifferenceFullFrame)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

// The same through the string interface the windows use (packing and unpacking included).
void BM_RowDifferenceFullFrameStrings(benchmark::State& state) {
    const int d = static_cast<int>(state.range(0));
    static const std::vector<std::string> all = [] {
        std::vector<std::string> rows;
        for (auto p : AllRows()) rows.push_back(core::UnpackRow(p, kN));
        return rows;
    }();
    size_t kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> rows = all;
        state.ResumeTiming();
        ApplyRowDifference(rows, d, "", nullptr);
        kept = rows.size();
    }
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_RowDifferenceFullFrameStrings)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

// The reference size: the quadratic pass on the whole frame would take hours.
constexpr size_t kSample = 20000;

std::vector<std::string> SampleRows() {
    std::vector<std::string> rows;
    std::mt19937_64 rng(99);
    const auto& all = AllRows();
    // Rows spread over the whole frame, kept in expansion order.
    for (size_t i = 0; i < kSample; ++i) rows.push_back(core::UnpackRow(all[i * (all.size() / kSample)], kN));
    return rows;
}

void BM_RowDifferenceSampleFast(benchmark::State& state) {
    const int d = static_cast<int>(state.range(0));
    const auto sample = SampleRows();
    size_t kept = 0;
    for (auto _ : state) {
        auto rows = sample;
        ApplyRowDifference(rows, d, "", nullptr);
        kept = rows.size();
    }
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_RowDifferenceSampleFast)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_RowDifferenceSamplePlain(benchmark::State& state) {
    const int d = static_cast<int>(state.range(0));
    const auto sample = SampleRows();
    size_t kept = 0;
    for (auto _ : state) {
        auto rows = sample;
        plain::ApplyRowDifference(rows, kN, d, "");
        kept = rows.size();
    }
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_RowDifferenceSamplePlain)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(1);

// Collects the times so that the ratios can be printed after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration) times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void PrintRatio(const RatioReporter& rep, const std::string& fast, const std::string& plain, const char* what) {
    const auto f = rep.times.find(fast), p = rep.times.find(plain);
    if (f == rep.times.end() || p == rep.times.end() || f->second <= 0) return;
    std::printf("%-48s fast %9.2f ms  plain %10.2f ms  ratio %8.1fx\n", what, f->second, p->second,
                p->second / f->second);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    std::printf("\n");
    PrintRatio(rep, "BM_ExpandFast/process_time/real_time", "BM_ExpandPlain/iterations:2", "full 13-match expansion");
    for (int d : {2, 3, 4}) {
        const std::string arg = "/" + std::to_string(d);
        PrintRatio(rep, "BM_RowDifferenceSampleFast" + arg, "BM_RowDifferenceSamplePlain" + arg + "/iterations:1",
                   ("row difference d=" + std::to_string(d) + ", same 20 000 rows").c_str());
        PrintRatio(rep, "BM_RowDifferenceFullFrame" + arg, "BM_RowDifferenceSamplePlain" + arg + "/iterations:1",
                   ("row difference d=" + std::to_string(d) + ", full frame vs plain 20 000").c_str());
    }
    benchmark::Shutdown();
    return 0;
}
