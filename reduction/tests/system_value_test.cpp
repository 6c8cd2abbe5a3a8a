#include "reduction/system_value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>

#include "core/settings.h"

namespace vinra::reduction {
namespace {

// Every row of n matches, first match slowest.
std::vector<std::string> AllRows(int n) {
    std::vector<std::string> out{""};
    for (int m = 0; m < n; ++m) {
        std::vector<std::string> next;
        for (const auto& r : out)
            for (char c : {'0', '1', '2'}) next.push_back(r + c);
        out.swap(next);
    }
    return out;
}

int Wrong(const std::string& a, const std::string& b) {
    int d = 0;
    for (size_t i = 0; i < a.size(); ++i) d += a[i] != b[i];
    return d;
}

// A model with uneven, random chances and shares.
ValueModel RandomModel(int n, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(0.05, 1.0);
    PercentTable odds{}, book{}, people{};
    for (int m = 0; m < n; ++m)
        for (int s = 0; s < 3; ++s) {
            odds[m][s] = 100 * u(rng);
            book[m][s] = 100 * u(rng);
            people[m][s] = 100 * u(rng);
        }
    return MarketValueModel(n, odds, book, people, 2000, n - 3);
}

// The system's figures the plain way: every result against every row, and
// the other winners by summing the public's chance of every row of the space.
struct Plain {
    std::array<double, 4> best{};
    double expected = 0;
    std::vector<double> classes = std::vector<double>(7, 0.0);
};
Plain PlainValue(const std::vector<std::string>& rows, const ValueModel& model) {
    const int n = model.n;
    const auto space = AllRows(n);
    Plain out;
    const double stake = rows.size() * model.rowPrice;
    for (const std::string& o : space) {
        double p = 1;
        for (int m = 0; m < n; ++m) p *= model.probability[m][o[m] - '0'];
        std::array<double, 4> others{};
        for (const std::string& r : space) {
            const int d = Wrong(r, o);
            if (d > 3) continue;
            double q = model.turnover / model.rowPrice;
            for (int m = 0; m < n; ++m) q *= model.people[m][r[m] - '0'];
            others[d] += q;
        }
        std::array<int, 4> h{};
        for (const std::string& r : rows)
            if (Wrong(r, o) <= 3) ++h[Wrong(r, o)];
        double ret = 0;
        int best = -1;
        for (int k = 0; k < 4; ++k) {
            if (!h[k]) continue;
            if (best < 0) best = k;
            ret += model.LevelPool(k) * h[k] / (h[k] + others[k]);
        }
        if (best >= 0) out.best[best] += p;
        out.expected += p * ret;
        const double perKrona = ret / stake;
        const double edges[] = {1, 2, 5, 20, 100};
        size_t c = 0;
        if (ret > 0) {
            c = 1;
            while (c <= 5 && perKrona >= edges[c - 1]) ++c;
        }
        out.classes[c] += p;
    }
    return out;
}

TEST(SystemValue, MatchesThePlainComputationOnSmallSpaces) {
    for (int n : {3, 5, 6}) {
        for (uint64_t seed : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << n << " matches, seed " << seed);
            const ValueModel model = RandomModel(n, seed);
            std::mt19937_64 rng(seed * 7);
            const auto space = AllRows(n);
            std::vector<std::string> rows;
            for (size_t i = 0; i < 1 + seed * 5; ++i) rows.push_back(space[rng() % space.size()]);
            std::sort(rows.begin(), rows.end());
            rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

            const SystemValue v = ComputeSystemValue(rows, model);
            const Plain p = PlainValue(rows, model);
            ASSERT_TRUE(v.complete);
            for (int k = 0; k < 4; ++k) EXPECT_NEAR(v.bestChance[k], p.best[k], 1e-12) << k << " wrong";
            EXPECT_NEAR(v.expectedReturn, p.expected, 1e-9 * std::max(1.0, p.expected));
            EXPECT_NEAR(v.returnPerKrona, p.expected / rows.size(), 1e-9 * std::max(1.0, p.expected));
            ASSERT_EQ(v.distribution.size(), 7u);
            double sum = 0;
            for (size_t c = 0; c < 7; ++c) {
                EXPECT_NEAR(v.distribution[c].probability, p.classes[c], 1e-12) << "class " << c;
                sum += v.distribution[c].probability;
            }
            EXPECT_NEAR(sum, 1.0, 1e-12);
            EXPECT_NEAR(v.noWinChance, p.classes[0], 1e-12);
        }
    }
}

TEST(SystemValue, TheWholeSpaceWinsTheTopPrizeForSure) {
    const ValueModel model = RandomModel(4, 3);
    const SystemValue v = ComputeSystemValue(AllRows(4), model);
    EXPECT_NEAR(v.bestChance[0], 1.0, 1e-12);
    EXPECT_NEAR(v.noWinChance, 0.0, 1e-12);
    EXPECT_EQ(v.stake, 81.0);
}

TEST(SystemValue, RowFiguresAndTheHighestValueFilter) {
    const ValueModel model = RandomModel(5, 9);
    const auto rows = AllRows(5);
    for (const std::string& r : {rows[0], rows[100], rows[242]}) {
        double p = 1, q = 1;
        for (int m = 0; m < 5; ++m) {
            p *= model.probability[m][r[m] - '0'];
            q *= model.people[m][r[m] - '0'];
        }
        const RowValueFigures f = ValueOfRow(r, model);
        EXPECT_DOUBLE_EQ(f.probability, p);
        EXPECT_DOUBLE_EQ(f.otherWinners, 2000 * q);
        EXPECT_DOUBLE_EQ(f.expectedPayout, model.LevelPool(0) / (1 + 2000 * q));
        EXPECT_DOUBLE_EQ(f.value, p * f.expectedPayout);
    }
    // The chances of a row over the whole space add up to 1.
    double total = 0;
    for (const auto& r : rows) total += ValueOfRow(r, model).probability;
    EXPECT_NEAR(total, 1.0, 1e-12);

    const auto kept = KeepHighestValue(rows, model, 10);
    ASSERT_EQ(kept.size(), 10u);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
    double lowestKept = 1e300, highestDropped = 0;
    for (const auto& r : rows) {
        const double v = ValueOfRow(r, model).value;
        if (std::binary_search(kept.begin(), kept.end(), r)) lowestKept = std::min(lowestKept, v);
        else highestDropped = std::max(highestDropped, v);
    }
    EXPECT_GE(lowestKept, highestDropped);
    EXPECT_EQ(KeepHighestValue({"22222", "00000"}, model, 5), (std::vector<std::string>{"00000", "22222"}));
    EXPECT_EQ(ValueOfRow("0000", model).probability, 0.0);  // wrong length
}

TEST(SystemValue, TheHighestValueFilterCountsItsRowsAndStopsWhenCancelled) {
    const ValueModel model = RandomModel(5, 9);
    const auto rows = AllRows(5);
    std::atomic<bool> cancel{false};
    std::atomic<int64_t> done{0};
    EXPECT_EQ(KeepHighestValue(rows, model, 10, &cancel, &done).size(), 10u);
    EXPECT_EQ(done.load(), static_cast<int64_t>(rows.size()));
    cancel = true;
    done = 0;
    EXPECT_TRUE(KeepHighestValue(rows, model, 10, &cancel, &done).empty());
    EXPECT_EQ(done.load(), 0);  // stopped before valuing a row
}

TEST(SystemValue, WhereTheChancesComeFrom) {
    PercentTable odds{}, book{}, people{};
    odds[0] = {50, 30, 20};  // both odds: their average
    book[0] = {40, 40, 20};
    book[1] = {20, 20, 60};    // only the bookmaker's
    people[2] = {60, 30, 10};  // no odds: the people's
    odds[3] = {50, 0, 50};     // odds with a gap and no people: even chances
    people[0] = {70, 20, 10};
    const ValueModel m = MarketValueModel(4, odds, book, people, 0, 1);
    EXPECT_NEAR(m.probability[0][0], 0.45, 1e-12);
    EXPECT_NEAR(m.probability[1][2], 0.6, 1e-12);
    EXPECT_NEAR(m.probability[2][0], 0.6, 1e-12);
    EXPECT_NEAR(m.probability[3][1], 1.0 / 3, 1e-12);
    EXPECT_EQ(m.matchesWithoutOdds, 2);
    EXPECT_EQ(m.matchesWithoutPeople, 2);
    EXPECT_FALSE(m.turnoverKnown);
    EXPECT_EQ(m.turnover, kTypicalTurnover);
    EXPECT_FALSE(NoMarketData(m));
    EXPECT_TRUE(NoMarketData(MarketValueModel(4, {}, {}, {}, 100, 1)));

    // Thirteen matches pay down to 10 right: 65 % split 40/15/12/33.
    ValueModel s = MarketValueModel(13, {}, {}, {}, 1e6, 10);
    EXPECT_NEAR(s.LevelPool(0), 260000, 1e-6);
    EXPECT_NEAR(s.LevelPool(3), 214500, 1e-6);
    // A pool that pays down to 11 right shares the fund among three levels.
    s.firstWinLevel = 11;
    EXPECT_EQ(s.LevelPool(3), 0);
    EXPECT_NEAR(s.LevelPool(0) + s.LevelPool(1) + s.LevelPool(2), 650000, 1e-6);
}

TEST(SystemValue, TextsForTheChartTheProtocolAndTheCommandLine) {
    const ValueModel model = RandomModel(5, 4);
    const SystemValue v = ComputeSystemValue({"00000", "11111", "01201"}, model);
    const auto sv = SystemValueLines(v, model, core::LangSwedish);
    ASSERT_EQ(sv.size(), 7u);
    EXPECT_EQ(sv[0].rfind("Chans till 5 rätt: ", 0), 0u) << sv[0];
    EXPECT_EQ(sv[3].rfind("Chans till 2 rätt: ", 0), 0u) << sv[3];
    EXPECT_EQ(sv[5], "Omsättning: 2 000 kr");
    EXPECT_NE(sv[6].find("inga löften"), std::string::npos) << sv[6];
    ValueModel typical = model;
    typical.turnoverKnown = false;
    typical.turnover = kTypicalTurnover;
    EXPECT_EQ(SystemValueLines(v, typical, core::LangEnglish)[5], "Turnover (assumed, typical): 50 000 000 kr");

    EXPECT_EQ(ReturnClassLabel(v.distribution[0], 0, core::LangEnglish), "No win");
    EXPECT_EQ(ReturnClassLabel(v.distribution[1], 1, core::LangEnglish), "under 1");
    EXPECT_EQ(ReturnClassLabel(v.distribution[3], 3, core::LangEnglish), "2\u20135");
    EXPECT_EQ(ReturnClassLabel(v.distribution[6], 6, core::LangSwedish), "100 eller mer");
    EXPECT_EQ(ProbabilityText(0.8727), "87,27 %");
    EXPECT_EQ(ProbabilityText(0.0000123), "0,0012 %");
    EXPECT_EQ(ProbabilityText(0), "0,00 %");

    SystemValue unfinished = v;
    unfinished.complete = false;
    EXPECT_TRUE(SystemValueLines(unfinished, model, core::LangEnglish).empty());
}

TEST(SystemValue, TheRunAWindowHolds) {
    ValueRun run;
    run.model = RandomModel(5, 6);
    run.rows = {"00000", "12012"};
    std::atomic<int64_t> done{0}, total{0};
    run.Run(nullptr, &done, &total);
    EXPECT_TRUE(run.error.empty());
    EXPECT_TRUE(run.value.complete);
    EXPECT_EQ(total.load(), 243);
    EXPECT_EQ(done.load(), 243);
    run.rows.clear();
    run.Run(nullptr, &done, &total);
    EXPECT_FALSE(run.error.empty());
    EXPECT_FALSE(run.value.complete);
}

TEST(SystemValue, Refusals) {
    const ValueModel model = RandomModel(5, 1);
    EXPECT_THROW(ComputeSystemValue({}, model), std::invalid_argument);
    EXPECT_THROW(ComputeSystemValue({"0120"}, model), std::invalid_argument);
    EXPECT_THROW(ComputeSystemValue({"01x01"}, model), std::invalid_argument);
    ValueModel big = model;
    big.n = kMaxValueMatches + 1;
    EXPECT_THROW(ComputeSystemValue({std::string(kMaxValueMatches + 1, '0')}, big), std::invalid_argument);
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(ComputeSystemValue({"01201"}, model, &cancel).complete);
}

}  // namespace
}  // namespace vinra::reduction
