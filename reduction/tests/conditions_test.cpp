#include "reduction/conditions.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/system_document.h"
#include "reduction/tests/plain_reference.h"
#include "reduction/tests/random_conditions.h"

namespace vinra::reduction {
namespace {

using core::PackRow;
using core::UnpackRow;

ConditionSet AllOff(int n) {
    ConditionSet c = NewConditionSet(n);
    c.flags.fill(false);
    return c;
}

bool Passes(const std::string& row, const ConditionSet& c) { return RowPassesConditions(row, c, PercentTables{}); }

TEST(RowTests, CountEqualAndCombinationCount) {
    EXPECT_EQ(CountEqualSigns("0120", "0110"), 3);
    EXPECT_EQ(CountEqualSigns("012", "01210"), 3);  // only the common length counts
    EXPECT_EQ(CountEqualSigns("", "012"), 0);

    struct Case {
        const char* row;
        const char* q;
        int count;
    };
    for (const Case& k :
         {Case{"00000", "00", 2}, Case{"0000", "00", 2}, Case{"000000", "00", 3}, Case{"0101010", "010", 2},
          Case{"012012", "12", 2}, Case{"012", "", 0}, Case{"012", "0123", 0}, Case{"2222", "1", 0}})
        EXPECT_EQ(CombinationCount(k.row, k.q), k.count) << k.row << " / " << k.q;
}

TEST(RowTests, SourceRowHits) {
    const std::string pattern = "0,0,0,1,1,1,2,2,2,012,*,*,*";
    // One hit per agreeing match among the first nine, match 10 always, 11-13 never.
    EXPECT_EQ(SourceRowHits("0001112220000", pattern), 10);
    EXPECT_EQ(SourceRowHits("1111112220000", pattern), 7);
    EXPECT_EQ(SourceRowHits("2220002221111", pattern), 4);
    struct Case {
        const char* row;
        const char* pattern;
        int hits;
    };
    for (const Case& k : {Case{"012", "0,1,2,0,1", 3},  // cells beyond the row are ignored
                          Case{"01200", "0,1", 2},      // matches beyond the cells never hit
                          Case{"012", "", 0}, Case{"012", ",,", 0}, Case{"012", "*,01,", 1},
                          Case{"222", "012,02,12", 3}, Case{"1", "1", 1}})
        EXPECT_EQ(SourceRowHits(k.row, k.pattern), k.hits) << k.row << " / " << k.pattern;

    ConditionSet c = AllOff(13);
    c.flags[core::UseURad] = true;
    c.sourceRows.push_back({pattern, 7, 9});
    EXPECT_TRUE(Passes("1111112220000", c));   // 7 hits
    EXPECT_TRUE(Passes("0001112200000", c));   // 9 hits
    EXPECT_FALSE(Passes("0001112220000", c));  // 10 hits
    EXPECT_FALSE(Passes("1111110000000", c));  // 4 hits
}

TEST(RowTests, SignCountsAndRuns) {
    ConditionSet c = AllOff(13);
    c.flags[core::UseMaxMin] = true;
    c.maxCount[0] = 4;
    c.minCount[0] = 4;
    EXPECT_TRUE(Passes("0000111111111", c));
    EXPECT_FALSE(Passes("0001111111111", c));
    EXPECT_FALSE(Passes("0000011111111", c));

    ConditionSet r = AllOff(13);
    r.flags[core::UseMaxMin] = true;
    r.runMax[1] = 2;
    EXPECT_TRUE(Passes("1101101101101", r));
    EXPECT_FALSE(Passes("0000000000111", r));
    r.runMax[1] = 13;  // N: no run test even for a row of draws only
    EXPECT_TRUE(Passes("1111111111111", r));

    // Bounds out of range never crash; a negative maximum or run admits nothing.
    for (int bad : {-1, -5, -1000000}) {
        ConditionSet b = AllOff(13);
        b.flags[core::UseMaxMin] = true;
        b.runMax[2] = bad;
        EXPECT_FALSE(Passes("0000000000000", b)) << bad;
        b.runMax[2] = 13;
        b.maxCount[1] = bad;
        EXPECT_FALSE(Passes("0000000000000", b)) << bad;
    }
    ConditionSet inverted = AllOff(13);
    inverted.flags[core::UseMaxMin] = true;
    inverted.minCount[0] = 5;
    inverted.maxCount[0] = 3;
    EXPECT_FALSE(Passes("0000011111222", inverted));
}

TEST(RowTests, YesCombinations) {
    struct Case {
        const char* pattern;
        int min, max;
        const char* row;
        bool pass;
    };
    const Case cases[] = {
        {"00", 1, 2, "0000111", true},
        {"00", 1, 2, "0000001", false},
        {"00", 1, 2, "0101010", false},
        {"0?22", 0, 0, "1111111110", true},      // one '0'
        {"0?22", 0, 0, "1111111122", true},      // '22'
        {"0?22", 0, 0, "0000000001111", false},  // nine '0' count as absent, no '22'
        {"0?22", 0, 0, "0000000011111", true},   // eight '0'
        {"0?22", 0, 0, "1111111111111", false},
        {"00!22!11", 0, 0, "0012121212120", true},  // '00' with neither '22' nor '11'
        {"00!22!11", 0, 0, "0022000000000", false},
        {"00!22!11", 0, 0, "0011000000000", false},
        {"00!22!11", 0, 0, "2211221122112", true},  // no '00': always passes
        {"?0", 0, 0, "0111", true},
        {"0??", 0, 0, "1111", false},   // empty pieces are absent
        {"!0", 0, 0, "0000", true},     // empty first piece: absent, so the combination holds
        {"0?!1", 0, 0, "1111", false},  // '?' wins; the piece "!1" never occurs
    };
    for (const Case& k : cases) {
        ConditionSet c = AllOff(static_cast<int>(std::string(k.row).size()));
        c.flags[core::UseJaKomb] = true;
        c.yesCombinations.push_back({k.pattern, k.min, k.max});
        EXPECT_EQ(Passes(k.row, c), k.pass) << k.pattern << " on " << k.row;
    }
}

TEST(RowTests, NoCombinations) {
    struct Case {
        const char* pattern;
        const char* row;
        bool pass;
    };
    const Case cases[] = {
        {"012", "2201200", false},  {"012", "2210200", true}, {"*0***", "10111", false},
        {"*0***", "11111", true},                                                         // one fixed position
        {"*0**2", "10112", false},  {"*0**2", "10111", true}, {"*****", "01201", false},  // only '*': every row
        {"*0**", "10111", false},                                                         // wrong length: every row
        {"*0****", "10111", false}, {"", "01201", true},  // names nothing, rejects nothing
    };
    for (const Case& k : cases) {
        ConditionSet c = AllOff(5);
        c.flags[core::UseNejKomb] = true;
        c.noCombinations.push_back(k.pattern);
        EXPECT_EQ(Passes(k.row, c), k.pass) << k.pattern << " on " << k.row;
    }
}

TEST(RowTests, PercentageValue) {
    PercentTables t;
    t.user[0] = {50, 30, 20};
    t.people[0] = {25, 50, 25};
    t.user[1] = {10, 10, 80};
    t.people[1] = {40, 0, 60};  // a 0 among the people's: factor 1
    t.user[2] = {0, 50, 50};
    t.people[2] = {20, 40, 40};  // quotient 0: factor 1
    EXPECT_DOUBLE_EQ(RowValue("000", t.user, t.people), 2.0);
    EXPECT_DOUBLE_EQ(RowValue("122", t.user, t.people), 0.6 * 1.0 * 1.25);
    EXPECT_DOUBLE_EQ(RowValue("000", PercentTable{}, PercentTable{}), 1.0);

    ConditionSet c = AllOff(3);
    c.flags[core::UseProcent] = true;
    c.procMin = 2.0;
    c.procMax = 2.0;  // both bounds inclusive
    EXPECT_TRUE(RowPassesConditions("000", c, t));
    EXPECT_FALSE(RowPassesConditions("100", c, t));
}

TEST(RowTests, RowSumAndFrameBounds) {
    SumTable tab{};
    tab[0] = {40, 30, 30};
    tab[1] = {10, 20, 70};
    tab[2] = {5000, 3, 2};
    EXPECT_EQ(RowSum("012", tab), 40 + 20 + 2);
    EXPECT_EQ(RowSum("0-2", tab), 40 + 2);  // not a sign: adds nothing
    EXPECT_EQ(RowSum("", tab), 0);

    const std::vector<std::string> frame{"0 2", "1", ""};
    // Within the frame: match 1 over {40,30}, match 2 over {20}, match 3 has no sign (adds N*1000 / 0).
    EXPECT_EQ(FrameSumBounds(tab, frame, true), (std::pair<int64_t, int64_t>{30 + 20 + 3000, 40 + 20 + 0}));
    // All signs: the lowest starts from N*1000, so 5000 counts as 3000.
    EXPECT_EQ(FrameSumBounds(tab, frame, false), (std::pair<int64_t, int64_t>{30 + 10 + 2, 40 + 70 + 5000}));

    struct Case {
        int64_t min, max, lo, hi, wantMin, wantMax;
    };
    for (const Case& k :
         {Case{0, 13000, 100, 500, 100, 500}, Case{200, 300, 100, 500, 200, 300}, Case{600, 50, 100, 500, 100, 500},
          Case{300, 300, 100, 500, 300, 301}, Case{700, 100, 100, 500, 100, 101}, Case{50, 200, 100, 100, 100, 101}}) {
        ConditionSet c = NewConditionSet(13);
        c.winMin = k.min;
        c.winMax = k.max;
        NormaliseWinBounds(c, k.lo, k.hi);
        EXPECT_EQ(c.winMin, k.wantMin) << k.min << ".." << k.max;
        EXPECT_EQ(c.winMax, k.wantMax) << k.min << ".." << k.max;
    }
}

TEST(RowPasses, FlagsOrderAndRandomContext) {
    ConditionSet c = NewConditionSet(4);
    c.flags.fill(false);
    c.noCombinations = {"****"};
    c.winMax = -1;
    c.procMin = 5;
    EXPECT_TRUE(Passes("0120", c));  // every condition set, none switched on
    c.flags[core::UseFilterTo] = true;
    EXPECT_TRUE(Passes("0120", c));  // flag 6 is no row test
    c.flags[core::UseNejKomb] = true;
    EXPECT_FALSE(Passes("0120", c));

    ConditionSet r = AllOff(4);
    r.flags[core::UseRadDiff] = true;
    r.radDiff = 2;
    const std::vector<std::string> accepted{"0000", "1111"};
    const RandomContext ctx{&accepted};
    EXPECT_FALSE(RowPassesConditions("1111", r, {}, &ctx));  // duplicate
    EXPECT_FALSE(RowPassesConditions("0001", r, {}, &ctx));  // differs from 0000 in one place
    EXPECT_TRUE(RowPassesConditions("0011", r, {}, &ctx));
    EXPECT_TRUE(RowPassesConditions("0001", r, {}));  // outside random generation no difference test
    r.flags[core::UseRadDiff] = false;
    EXPECT_TRUE(RowPassesConditions("0001", r, {}, &ctx));
    EXPECT_FALSE(RowPassesConditions("0000", r, {}, &ctx));  // duplicates always
}

TEST(RowDifference, GreedyStartRowAndCancel) {
    std::vector<std::string> rows{"000", "001", "011"};
    ApplyRowDifference(rows, 2, "", nullptr);
    EXPECT_EQ(rows, (std::vector<std::string>{"000", "011"}));

    rows = {"000", "001", "011", "222"};
    ApplyRowDifference(rows, 2, "221", nullptr);  // not in the list: inserted first, 222 too close
    EXPECT_EQ(rows, (std::vector<std::string>{"221", "000", "011"}));

    rows = {"000", "001", "011", "122"};
    ApplyRowDifference(rows, 2, "011", nullptr);  // moved to the front
    EXPECT_EQ(rows, (std::vector<std::string>{"011", "000", "122"}));

    rows = {"000", "001", "000"};
    ApplyRowDifference(rows, 0, "", nullptr);  // nothing can agree in more than N places
    EXPECT_EQ(rows.size(), 3u);
    rows = {"000", "122", "211"};
    ApplyRowDifference(rows, 4, "", nullptr);  // d > N: the first row alone
    EXPECT_EQ(rows, (std::vector<std::string>{"000"}));

    // Cancelled from the start: the first row has thinned the list, the rest is as it was.
    std::atomic<bool> cancel{true};
    // Rows with a foreign character (the plain pass), few rows (comparison), many (neighbourhood).
    for (size_t count : {9u, 10u, 3000u}) {
        std::vector<std::string> all;
        for (size_t i = 0; i < count; ++i) {
            std::string r;
            for (uint64_t v = i * 2654435761u % 6561; r.size() < 8; v /= 3) r += static_cast<char>('0' + v % 3);
            all.push_back(r);
        }
        if (count == 9) all[5][2] = '-';
        std::vector<std::string> got = all;
        ApplyRowDifference(got, 3, "", &cancel);
        std::vector<std::string> want{all[0]};
        for (size_t i = 1; i < all.size(); ++i)
            if (CountEqualSigns(all[i], all[0]) <= 8 - 3) want.push_back(all[i]);
        EXPECT_EQ(got, want) << count;
    }
}

TEST(CompiledConditions, AgreesWithTheRowTestsOnRandomSets) {
    testing::Randomiser rnd(20261210);
    int64_t passed = 0, total = 0;
    for (int set = 0; set < 3000; ++set) {
        const int n = set % 10 == 0 ? rnd.Int(1, 30) : rnd.Int(3, 13);
        PercentTables t;
        const ConditionSet c = rnd.Conditions(n, t);
        const CompiledConditions fast(c, t);
        for (int i = 0; i < 60; ++i) {
            const std::string row = rnd.Row(n);
            const bool want = RowPassesConditions(row, c, t);
            ASSERT_EQ(fast.Passes(PackRow(row)), want) << "set " << set << " row " << row;
            passed += want;
            ++total;
        }
    }
    // The sets must exercise both answers, or the comparison proves little.
    EXPECT_GT(passed, total / 20);
    EXPECT_LT(passed, total - total / 20);
}

TEST(CompiledConditions, ExtremeBoundsFromDamagedFiles) {
    constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    testing::Randomiser rnd(5);
    for (int bound : {lo, -1, 0, hi}) {
        for (int other : {lo, hi}) {
            ConditionSet c = NewConditionSet(13);
            c.flags.fill(true);
            c.minCount = {bound, other, 0};
            c.maxCount = {other, bound, hi};
            c.runMax = {bound, other, 13};
            c.sourceRows = {{"0,1,2,012", bound, other}};
            c.yesCombinations = {{"00", bound, other}, {"1", other, bound}};
            c.radDiff = bound;
            c.winMin = bound;
            c.winMax = other;
            const CompiledConditions fast(c, {});
            const std::vector<std::string> accepted{"0000000000000"};
            const RandomContext ctx{&accepted};
            for (int i = 0; i < 50; ++i) {
                const std::string row = rnd.Row(13);
                EXPECT_EQ(fast.Passes(PackRow(row)), RowPassesConditions(row, c, {})) << bound << " " << other;
                RowPassesConditions(row, c, {}, &ctx);  // must not overflow
            }
        }
    }
    for (int d : {lo, hi}) {
        std::vector<std::string> rows{"000", "001", "222"};
        ApplyRowDifference(rows, d, "", nullptr);
        EXPECT_EQ(rows.size(), d == lo ? 3u : 1u);
    }
}

TEST(RowDifference, ProgressFollowsTheShrinkingList) {
    std::vector<std::string> rows;
    for (int i = 0; i < 6561; ++i) {
        std::string r;
        for (int v = i, k = 0; k < 8; ++k, v /= 3) r.insert(r.begin(), static_cast<char>('0' + v % 3));
        rows.push_back(r);
    }
    std::vector<std::string> want = rows;
    plain::ApplyRowDifference(want, 8, 2, "");
    std::vector<std::pair<int64_t, int64_t>> calls;
    ApplyRowDifference(rows, 2, "", nullptr, [&](int64_t i, int64_t count) { calls.emplace_back(i, count); });
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front(), (std::pair<int64_t, int64_t>{0, 6561}));
    EXPECT_EQ(calls.back().second, static_cast<int64_t>(rows.size()));
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GE(calls[i].first, calls[i - 1].first);
        EXPECT_LE(calls[i].second, calls[i - 1].second);
    }
    EXPECT_EQ(rows, want);
}

TEST(RowDifference, NeighbourhoodPassAgreesWithThePlainPass) {
    testing::Randomiser rnd(77);
    for (int round = 0; round < 150; ++round) {
        // Now and then more than 16 matches (few of them varying), where the
        // row numbers are no longer looked up four matches at a time.
        const bool wide = round % 5 == 4;
        const int n = wide ? rnd.Int(14, 20) : rnd.Int(2, 9);
        std::vector<std::string> frame;
        for (int m = 0; m < n; ++m) {
            std::string e;
            for (char s = '0'; s <= '2'; ++s)
                if (rnd.Chance(70)) e += s;
            if (wide && !rnd.Chance(35)) e = e.substr(0, 1);
            frame.push_back(e.empty() ? "1" : e);
        }
        if (core::MathRowCount(frame) > 20000) continue;
        // The full frame, a thinned frame, or shuffled rows with duplicates.
        ConditionSet none = AllOff(n);
        std::vector<std::string> rows = plain::ExpandFrame(frame, n, none, {});
        if (round % 3 == 1) {
            std::vector<std::string> some;
            for (const auto& r : rows)
                if (rnd.Chance(40)) some.push_back(r);
            rows.swap(some);
        } else if (round % 3 == 2) {
            std::shuffle(rows.begin(), rows.end(), std::mt19937(round));
            if (!rows.empty()) rows.push_back(rows[rows.size() / 2]);
        }
        const int d = wide ? rnd.Int(1, 4) : rnd.Int(0, n + 1);
        const std::string start = rnd.Chance(40) ? rnd.Row(n) : std::string();
        std::vector<std::string> want = rows;
        plain::ApplyRowDifference(want, n, d, start);
        std::vector<std::string> got = rows;
        ApplyRowDifference(got, d, start, nullptr);
        ASSERT_EQ(got, want) << "round " << round << " n " << n << " d " << d;
    }
}

TEST(Document, ConditionsRoundTripAndDefaults) {
    core::TVinraFile doc;
    doc.MatchCount = 12;
    doc.Clear();
    const ConditionSet fresh = FromDocument(doc);
    EXPECT_EQ(fresh, NewConditionSet(12));

    ConditionSet c = NewConditionSet(12);
    c.flags = {false, true, false, true, false, true, true, false};
    c.radDiff = 3;
    c.firstRow = "012012012012";
    c.procMin = 0.5;
    c.procMax = 12.25;
    c.filterToRader = 77;
    c.maxCount = {9, 8, 7};
    c.runMax = {3, 4, 5};
    c.minCount = {1, 2, 0};
    c.sourceRows = {{"0,1,2,012,*,,0,0,0,0,0,0", 2, 9}};
    c.yesCombinations = {{"00", 1, 2}, {"0?22", 0, 0}};
    c.noCombinations = {"111", "*0**********"};
    c.userPercent[0][4] = "45";
    c.sumTable[3] = {10, 20, 30};
    c.winMin = 100;
    c.winMax = 900;
    ToDocument(c, doc);
    EXPECT_EQ(doc.UseFlags.ToInteger(), 2u + 8 + 32 + 64);
    EXPECT_EQ(doc.JaMax[0], "2");
    EXPECT_EQ(FromDocument(doc), c);

    // Bounds missing from a file: minimum 0, maximum N.
    doc.UMin = {""};
    doc.UMax = {};
    EXPECT_EQ(FromDocument(doc).sourceRows[0].min, 0);
    EXPECT_EQ(FromDocument(doc).sourceRows[0].max, 12);
}

}  // namespace
}  // namespace vinra::reduction
