// Games and results database: importing exchange lines and reading a round's games.
//
// Import: the fast path runs a whole file as one transaction with prepared
// statements; the plain reference stores line by line, each line its own
// transaction (what a per-record save does). Both are reported per line.
// Lookup: the fast path reads a round through the primary key; the plain
// reference filters every record of the table (what a dataset filter does).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include "checking/tips_data.h"
#include "core/text.h"

namespace {

namespace fs = std::filesystem;
using vinra::checking::TTipsData;

constexpr int kLines = 50000;
constexpr int kReferenceLines = 500;  // one synced commit per line: all 50 000 would take minutes

fs::path BenchDir() {
    static fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("vinra_tipsdata_bench_" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

struct Line {
    int omg, omgId, match;
    std::string home, away;
};

Line LineAt(int i) {
    int round = i / 13;
    return {200000 + (round / 52) * 100 + round % 52 + 1, 3000 + round, i % 13 + 1, "Home team " + std::to_string(i),
            "Away team " + std::to_string(i)};
}

fs::path GamesFile() {
    static fs::path file = [] {
        std::string text;
        for (int i = 0; i < kLines; ++i) {
            Line l = LineAt(i);
            text += std::to_string(l.omg) + ";S;" + std::to_string(l.omgId) + ";" + std::to_string(l.match) + ";" +
                    l.home + ";" + l.away + "\r\n";
        }
        fs::path f = BenchDir() / "games.txt";
        vinra::core::WriteFileAtomic(f, text);
        return f;
    }();
    return file;
}

void FreshDb(TTipsData& db, const std::string& name) {
    db.Close();
    for (const char* ext : {"", "-wal", "-shm"}) fs::remove(BenchDir() / (name + ext));
    db.Open(BenchDir() / name);
}

double gFastPerLine = 0, gRefPerLine = 0, gFastLookup = 0, gRefLookup = 0;

void BM_ImportOneTransaction(benchmark::State& state) {
    fs::path file = GamesFile();
    TTipsData db;
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FreshDb(db, "fast.sqlite");
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        auto r = db.ImportGamesFile(file);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (r.inserted != kLines) state.SkipWithError("import lost lines");
    }
    gFastPerLine = total / state.iterations() / kLines;
    state.counters["lines"] = kLines;
    state.counters["us_per_line"] = gFastPerLine * 1e6;
}

// The reference: the same locate-then-write per line, each in its own transaction.
void BM_ImportReferencePerLineCommit(benchmark::State& state) {
    TTipsData db;
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FreshDb(db, "ref.sqlite");
        sqlite3* h = db.handle();
        sqlite3_stmt* exists = nullptr;
        sqlite3_stmt* insert = nullptr;
        sqlite3_stmt* update = nullptr;
        sqlite3_prepare_v2(h, "SELECT 1 FROM tMatcher WHERE OmgID=?1 AND Typ=?2 AND \"Match\"=?3", -1, &exists,
                           nullptr);
        sqlite3_prepare_v2(h,
                           "INSERT INTO tMatcher (Omg, \"Match\", Typ, Home, Away, OmgID) VALUES (?4,?3,?2,?5,?6,?1)",
                           -1, &insert, nullptr);
        sqlite3_prepare_v2(h, "UPDATE tMatcher SET Omg=?4, Home=?5, Away=?6 WHERE OmgID=?1 AND Typ=?2 AND \"Match\"=?3",
                           -1, &update, nullptr);
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < kReferenceLines; ++i) {
            Line l = LineAt(i);
            sqlite3_bind_int(exists, 1, l.omgId);
            sqlite3_bind_text(exists, 2, "S", 1, SQLITE_STATIC);
            sqlite3_bind_int(exists, 3, l.match);
            bool found = sqlite3_step(exists) == SQLITE_ROW;
            sqlite3_reset(exists);
            sqlite3_stmt* st = found ? update : insert;
            sqlite3_bind_int(st, 1, l.omgId);
            sqlite3_bind_text(st, 2, "S", 1, SQLITE_STATIC);
            sqlite3_bind_int(st, 3, l.match);
            sqlite3_bind_int(st, 4, l.omg);
            sqlite3_bind_text(st, 5, l.home.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 6, l.away.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) != SQLITE_DONE) state.SkipWithError("reference write failed");
            sqlite3_reset(st);
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        sqlite3_finalize(exists);
        sqlite3_finalize(insert);
        sqlite3_finalize(update);
        state.ResumeTiming();
    }
    gRefPerLine = total / state.iterations() / kReferenceLines;
    state.counters["lines"] = kReferenceLines;
    state.counters["us_per_line"] = gRefPerLine * 1e6;
}

TTipsData& FilledDb() {
    static TTipsData db;
    if (!db.IsOpen()) {
        FreshDb(db, "lookup.sqlite");
        db.ImportGamesFile(GamesFile());
    }
    return db;
}

void BM_RoundGamesLookup(benchmark::State& state) {
    TTipsData& db = FilledDb();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, kLines / 13 - 1);
    for (auto _ : state) {
        auto games = db.RoundGames(3000 + pick(rng), "S");
        if (games.size() != 13) state.SkipWithError("round incomplete");
        benchmark::DoNotOptimize(games);
    }
}

void BM_RoundGamesReferenceScan(benchmark::State& state) {
    TTipsData& db = FilledDb();
    sqlite3_stmt* st = nullptr;
    // "+" keeps SQLite from using any index: every record is tested, as a filter does.
    sqlite3_prepare_v2(db.handle(),
                       "SELECT Omg, \"Match\", Typ, Home, Away, OmgID FROM tMatcher WHERE +OmgID = ?1 AND +Typ = ?2",
                       -1, &st, nullptr);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, kLines / 13 - 1);
    for (auto _ : state) {
        sqlite3_bind_int(st, 1, 3000 + pick(rng));
        sqlite3_bind_text(st, 2, "S", 1, SQLITE_STATIC);
        std::vector<vinra::checking::MatchRecord> out;
        while (sqlite3_step(st) == SQLITE_ROW)
            out.push_back({sqlite3_column_int(st, 0), sqlite3_column_int(st, 1),
                           reinterpret_cast<const char*>(sqlite3_column_text(st, 2)),
                           reinterpret_cast<const char*>(sqlite3_column_text(st, 3)),
                           reinterpret_cast<const char*>(sqlite3_column_text(st, 4)), sqlite3_column_int(st, 5)});
        std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.Match < b.Match; });
        sqlite3_reset(st);
        if (out.size() != 13) state.SkipWithError("round incomplete");
        benchmark::DoNotOptimize(out);
    }
    sqlite3_finalize(st);
}

BENCHMARK(BM_ImportOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportReferencePerLineCommit)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_RoundGamesLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RoundGamesReferenceScan)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    // The lookups once more, plainly timed, for the ratio line.
    {
        TTipsData& db = FilledDb();
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 2000; ++i) benchmark::DoNotOptimize(db.RoundGames(3000 + i % (kLines / 13), "S"));
        gFastLookup = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 2000;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db.handle(), "SELECT Home FROM tMatcher WHERE +OmgID = ?1 AND +Typ = 'S'", -1, &st, nullptr);
        t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 20; ++i) {
            sqlite3_bind_int(st, 1, 3000 + i);
            while (sqlite3_step(st) == SQLITE_ROW) {}
            sqlite3_reset(st);
        }
        gRefLookup = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 20;
        sqlite3_finalize(st);
        db.Close();
    }
    if (gFastPerLine > 0 && gRefPerLine > 0)
        std::printf(
            "import %d lines in one transaction: %.3f s (target < 2 s); per line %.2f us vs %.2f us "
            "committing each line: %.0fx faster\n",
            kLines, gFastPerLine * kLines, gFastPerLine * 1e6, gRefPerLine * 1e6, gRefPerLine / gFastPerLine);
    std::printf("round lookup: %.4f ms (target < 1 ms) vs %.4f ms scanning every record: %.0fx faster\n",
                gFastLookup * 1e3, gRefLookup * 1e3, gRefLookup / gFastLookup);
    std::error_code ec;
    fs::remove_all(BenchDir(), ec);
    benchmark::Shutdown();
    return 0;
}
