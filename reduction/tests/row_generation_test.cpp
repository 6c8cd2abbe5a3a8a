#include "reduction/row_generation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "core/messages.h"
#include "core/settings.h"
#include "reduction/tests/plain_reference.h"
#include "reduction/tests/random_conditions.h"
#include "tests/in_language.h"
#include "tests/thrown_text.h"

namespace vinra::reduction {
namespace {

using ::testing::HasSubstr;

ConditionSet AllOff(int n) {
    ConditionSet c = NewConditionSet(n);
    c.flags.fill(false);
    return c;
}

std::vector<std::string> Strings(const std::vector<core::PackedRow>& rows, int n) {
    std::vector<std::string> out;
    for (auto p : rows) out.push_back(core::UnpackRow(p, n));
    return out;
}

std::vector<std::string> Generate(GenerationInput in) {
    TRowGeneration gen(std::move(in));
    gen.Start();
    gen.Join();
    EXPECT_EQ(gen.Error(), "");
    return gen.Rows().Strings();
}

std::vector<std::string> Full(int n, const std::string& entry) {
    return std::vector<std::string>(static_cast<size_t>(n), entry);
}

TEST(Frame, RefusedUpFront) {
    struct Case {
        std::vector<std::string> frame;
        int n;
        const char* message;
    };
    const Case cases[] = {
        {{"0", "", "1"}, 3, "match 2 of the frame has no sign marked"},
        {{"0", "1X", "1"}, 3, "match 2 of the frame holds 'X'"},
        {{"0", "1"}, 3, "the frame has 2 entries for 3 matches"},
        {Full(17, "012"), 17, "engine handles at most 43046721 rows"},
    };
    for (const Case& k : cases) {
        try {
            FrameSigns(k.frame, k.n);
            ADD_FAILURE() << k.message;
        } catch (const GenerationError& e) {
            EXPECT_THAT(e.what(), HasSubstr(k.message));
        }
    }
    EXPECT_EQ(FrameSigns(Full(16, "0 2"), 16).size(), 16u);
    EXPECT_EQ(FrameSigns({"210", " 1 ", "00"}, 3), (std::vector<std::vector<int>>{{0, 1, 2}, {1}, {0}}));
    GenerationInput in;
    in.conditions = AllOff(17);
    in.frame = Full(17, "012");
    EXPECT_THROW(TRowGeneration{in}, GenerationError);
    in.mode = GenerationMode::Warranty;
    in.conditions = AllOff(2);
    in.frame = {"012", "012"};
    EXPECT_THROW(TRowGeneration{in}, GenerationError);  // the warranty needs 3 matches
}

// The generate window shows these refusals as they are: a Swedish program
// says them in Swedish.
TEST(Frame, RefusalsSpeakThePlayersLanguage) {
    const vinra::testing::InLanguage swedish(core::LangSwedish);
    const auto refusal = [](const std::vector<std::string>& frame, int n) {
        return vinra::testing::ThrownText<GenerationError>([&] { FrameSigns(frame, n); });
    };
    GenerationInput warranty;
    warranty.mode = GenerationMode::Warranty;
    warranty.conditions = AllOff(2);
    warranty.frame = {"012", "012"};
    const auto refusedRun = [](const GenerationInput& in) {
        return vinra::testing::ThrownText<GenerationError>([&] { TRowGeneration{in}; });
    };
    const struct {
        std::string text;
        const char* swedish;
    } cases[] = {
        {refusal({"0", "", "1"}, 3), "match 2 i grundraden har inget tecken markerat"},
        {refusal({"0", "1X", "1"}, 3), "match 2 i grundraden innehåller 'X', som inte är ett tecken"},
        {refusal({"0", "1"}, 3), "grundraden har 2 poster för 3 matcher"},
        {refusal(Full(17, "012"), 17), "grundraden har 129140163 rader; motorn klarar högst 43046721 rader"},
        {refusedRun(warranty), "garantin kräver minst 3 matcher; det här systemet har 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

TEST(FullExpansion, OrderSinglesAndProgress) {
    GenerationInput in;
    in.conditions = AllOff(4);
    in.frame = {"012", "0 2", "0", "0"};
    TRowGeneration gen(in);
    gen.Run();
    EXPECT_EQ(gen.Rows(), (std::vector<std::string>{"0000", "0200", "1000", "1200", "2000", "2200"}));
    EXPECT_EQ(gen.Tested(), 6);
    EXPECT_EQ(gen.Maximum(), 6);
    EXPECT_EQ(gen.Phase(), GenerationPhase::Expansion);

    in.frame = {"1", " 2 ", "0", "2"};  // singles: one candidate
    in.frame[1] = "2";
    EXPECT_EQ(Generate(in), (std::vector<std::string>{"1202"}));
    in.conditions.flags[core::UseNejKomb] = true;
    in.conditions.noCombinations = {"20"};
    EXPECT_TRUE(Generate(in).empty());
}

TEST(FullExpansion, AgreesWithThePlainExpansion) {
    testing::Randomiser rnd(4242);
    for (int round = 0; round < 150; ++round) {
        const int n = round % 25 == 0 ? 11 : rnd.Int(1, 9);  // 3^11 runs on both cores
        std::vector<std::string> frame;
        for (int m = 0; m < n; ++m) {
            std::string e;
            for (char s = '0'; s <= '2'; ++s)
                if (round % 25 == 0 || rnd.Chance(55)) e += s;
            if (e.empty()) e = std::string(1, static_cast<char>('0' + rnd.Int(0, 2)));
            if (e.size() == 2 && rnd.Chance(50)) e = e[0] == '0' ? (e[1] == '1' ? "01 " : "0 2") : " 12";
            frame.push_back(e);
        }
        PercentTables t;
        const ConditionSet c = rnd.Conditions(n, t);
        std::atomic<int64_t> tested{0};
        const auto fast = Strings(ExpandFrame(frame, n, c, t, nullptr, &tested), n);
        ASSERT_EQ(fast, plain::ExpandFrame(frame, n, c, t)) << "round " << round;
        EXPECT_EQ(static_cast<uint64_t>(tested.load()), core::MathRowCount(frame));
    }
}

// Conditions whose bounds sit exactly at what the frame can give pass every
// row and skip the tests; one step tighter and the rows must be tested again.
TEST(FullExpansion, ConditionsThatPassEveryRowAgreeWithThePlainExpansion) {
    const std::vector<std::string> frame{"012", "0 2", "1", "012", " 12", "012"};
    const int n = 6;
    struct Case {
        const char* name;
        std::function<void(ConditionSet&)> set;
        bool everyRow;
    };
    auto counts = [](ConditionSet& c) {
        c.flags[core::UseMaxMin] = true;
        c.minCount = {0, 0, 0};
        c.maxCount = {6, 6, 6};
        c.runMax = {6, 6, 6};
    };
    auto source = [](int min, int max) {
        return [min, max](ConditionSet& c) {
            c.flags[core::UseURad] = true;
            c.sourceRows = {{"0,0,1,01,12,*", min, max}};  // hits 2 at least, 5 at most
        };
    };
    auto sum = [](int64_t min, int64_t max) {
        return [min, max](ConditionSet& c) {
            c.flags[core::UseChooseWin] = true;
            for (auto& m : c.sumTable) m = {1, 2, 3};  // 8 at least, 17 at most
            c.winMin = min;
            c.winMax = max;
        };
    };
    const std::vector<Case> cases{
        {"all off", [](ConditionSet&) {}, true},
        {"new system", [](ConditionSet& c) { c = NewConditionSet(6); }, true},
        {"home at most 4", [&](ConditionSet& c) { counts(c), c.maxCount[0] = 4; }, true},
        {"home at most 3", [&](ConditionSet& c) { counts(c), c.maxCount[0] = 3; }, false},
        {"draw at least 1", [&](ConditionSet& c) { counts(c), c.minCount[1] = 1; }, true},
        {"draw at least 2", [&](ConditionSet& c) { counts(c), c.minCount[1] = 2; }, false},
        {"draw runs below 5", [&](ConditionSet& c) { counts(c), c.runMax[1] = 4; }, true},
        {"draw runs below 4", [&](ConditionSet& c) { counts(c), c.runMax[1] = 3; }, false},
        {"source 2..5", source(2, 5), true},
        {"source 3..5", source(3, 5), false},
        {"source 2..4", source(2, 4), false},
        {"sum 8..17", sum(8, 17), true},
        {"sum 9..17", sum(9, 17), false},
        {"sum 8..16", sum(8, 16), false},
        {"value within", [](ConditionSet& c) { c.flags[core::UseProcent] = true; }, true},
        {"value above", [](ConditionSet& c) { c.flags[core::UseProcent] = true, c.procMin = 1.5; }, false},
        {"yes-combination",
         [](ConditionSet& c) {
             c.flags[core::UseJaKomb] = true, c.yesCombinations = {{"1", 0, 6}};
         },
         false},
        {"no-combination", [](ConditionSet& c) { c.flags[core::UseNejKomb] = true, c.noCombinations = {"22222"}; },
         false},
    };
    for (const auto& k : cases) {
        ConditionSet c = AllOff(n);
        k.set(c);
        EXPECT_EQ(CompiledConditions(c, {}).PassesEveryRow(FrameSigns(frame, n)), k.everyRow) << k.name;
        std::atomic<int64_t> tested{0}, accepted{0};
        const auto fast = Strings(ExpandFrame(frame, n, c, {}, nullptr, &tested, &accepted), n);
        EXPECT_EQ(fast, plain::ExpandFrame(frame, n, c, {})) << k.name;
        EXPECT_EQ(tested.load(), 108) << k.name;
        EXPECT_EQ(accepted.load(), static_cast<int64_t>(fast.size())) << k.name;
    }
    // A frame large enough to be cut into stretches for both cores.
    EXPECT_EQ(Strings(ExpandFrame(Full(11, "012"), 11, AllOff(11), {}, nullptr, nullptr), 11),
              plain::ExpandFrame(Full(11, "012"), 11, AllOff(11), {}));
}

// Real condition sets of the kinds players use, each on frames of 10 to 12
// matches with singles, doubles and full guards in random places: the walk
// looks the last matches up in tables (patterns reaching into them, yes-
// combination counts carried over from the matches before, cached verdicts),
// and every such path must give exactly the plain expansion.
TEST(FullExpansion, TypicalConditionSetsOnRandomFramesAgreeWithThePlainExpansion) {
    struct Case {
        const char* name;
        std::function<void(ConditionSet&)> set;
    };
    auto typical = [](ConditionSet& c) {
        c.flags[core::UseMaxMin] = c.flags[core::UseURad] = c.flags[core::UseJaKomb] = true;
        c.flags[core::UseNejKomb] = c.flags[core::UseChooseWin] = true;
        c.minCount = {2, 1, 1};
        c.maxCount = {7, 5, 5};
        c.runMax = {4, 3, 3};
        c.sourceRows = {{"0,0,01,1,0,2,0,01,02,0,1,0", 5, 10}, {"2,1,1,0,02,0,2,2,1,*,0,12", 2, 8}};
        c.yesCombinations = {{"00", 1, 3}, {"11?22", 0, 0}};
        std::string star(static_cast<size_t>(c.n), '*');
        star[7] = '0', star[9] = '1';
        c.noCombinations = {"2222", star};
        for (int m = 0; m < core::kMaxMatches; ++m) c.sumTable[static_cast<size_t>(m)] = {40 + m % 7, 25, 35 - m % 5};
        c.winMin = 300;
        c.winMax = 420;
    };
    const std::vector<Case> cases{
        {"typical", typical},
        {"overlapping pieces counted exactly",
         [](ConditionSet& c) {
             c.flags[core::UseJaKomb] = true;
             c.yesCombinations = {{"000", 1, 1}, {"0101", 0, 1}, {"11", 2, 2}};
         }},
        {"presence of single signs past eight",
         [](ConditionSet& c) {
             c.flags[core::UseJaKomb] = true;
             c.yesCombinations = {{"1?0", 0, 0}, {"2!1", 0, 0}};
         }},
        {"gates and a long forbidden piece",
         [](ConditionSet& c) {
             c.flags[core::UseJaKomb] = c.flags[core::UseNejKomb] = true;
             c.yesCombinations = {{"02!20!11", 0, 0}};
             std::string star(static_cast<size_t>(c.n), '*');
             star[3] = '2';
             c.noCombinations = {"0101010", star, "212"};
         }},
        {"more source rows than lanes",
         [&](ConditionSet& c) {
             typical(c);
             for (int i = 0; i < 5; ++i) c.sourceRows.push_back({"01,12,02,0,1,2,01,12,02,0,1,2", 3, 9});
         }},
        {"six pieces, past the cache",
         [](ConditionSet& c) {
             c.flags[core::UseJaKomb] = true;
             c.yesCombinations = {{"00?11?22", 0, 0}, {"01?10?12", 0, 0}};
         }},
        {"percentage value with a yes-combination",
         [](ConditionSet& c) {
             c.flags[core::UseProcent] = c.flags[core::UseJaKomb] = true;
             c.procMin = 0.05;
             c.procMax = 40;
             c.yesCombinations = {{"22", 0, 2}};
         }},
    };
    testing::Randomiser rnd(2813);
    PercentTables t;
    for (int m = 0; m < core::kMaxMatches; ++m)
        for (size_t s = 0; s < 3; ++s) {
            t.user[static_cast<size_t>(m)][s] = 10 + (m * 7 + static_cast<int>(s) * 13) % 50;
            t.people[static_cast<size_t>(m)][s] = 20 + (m * 11 + static_cast<int>(s) * 5) % 30;
        }
    for (const auto& k : cases)
        for (int round = 0; round < 3; ++round) {
            const int n = 10 + round;
            std::vector<std::string> frame;
            for (int m = 0; m < n; ++m) {
                const int kind = rnd.Int(0, 9);
                frame.push_back(kind < 2 ? std::string(1, static_cast<char>('0' + rnd.Int(0, 2)))
                                         : kind < 4 ? std::string(rnd.Chance(50) ? "01" : "12") : "012");
            }
            ConditionSet c = AllOff(n);
            k.set(c);
            const auto fast = Strings(ExpandFrame(frame, n, c, t, nullptr, nullptr), n);
            const auto plain = plain::ExpandFrame(frame, n, c, t);
            ASSERT_EQ(fast, plain) << k.name << ", frame of " << n;
            // Neither all nor nothing: the case tests rows both ways.
            EXPECT_GT(fast.size(), 0u) << k.name << ", frame of " << n;
            EXPECT_LT(fast.size(), core::MathRowCount(frame)) << k.name << ", frame of " << n;
        }
}

TEST(FullExpansion, RowDifferenceKeepsTheStartRowFirst) {
    GenerationInput in;
    in.conditions = AllOff(4);
    in.frame = Full(4, "012");
    in.conditions.flags[core::UseMaxMin] = true;
    in.conditions.maxCount = {2, 4, 4};  // the start row 0001 fails this
    in.conditions.flags[core::UseRadDiff] = true;
    in.conditions.radDiff = 3;
    in.conditions.firstRow = "0001";
    const auto rows = Generate(in);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "0001");
    std::vector<std::string> all = plain::ExpandFrame(in.frame, 4, in.conditions, {});
    plain::ApplyRowDifference(all, 4, 3, "0001");
    EXPECT_EQ(rows, all);
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = i + 1; j < rows.size(); ++j) EXPECT_LE(CountEqualSigns(rows[i], rows[j]), 1);
}

TEST(FullExpansion, CancelKeepsTheRowsAcceptedSoFar) {
    ConditionSet c = AllOff(13);
    c.flags[core::UseMaxMin] = true;
    c.minCount = {3, 3, 3};
    std::atomic<bool> cancel{true};
    EXPECT_TRUE(ExpandFrame(Full(13, "012"), 13, c, {}, &cancel, nullptr).empty());

    GenerationInput in;
    in.conditions = c;
    in.frame = Full(13, "012");
    TRowGeneration gen(in);
    gen.Start();
    while (gen.Tested() == 0 && gen.IsRunning()) std::this_thread::yield();
    gen.Cancel();
    EXPECT_FALSE(gen.IsRunning());
    const auto& rows = gen.Rows();
    EXPECT_LT(static_cast<int64_t>(rows.size()), 1594323);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    for (const auto& r : rows) ASSERT_TRUE(RowPassesConditions(r, c, {})) << r;
}

TEST(RandomGeneration, WeightsFrameAndDuplicates) {
    GenerationInput in;
    in.mode = GenerationMode::Random;
    in.conditions = AllOff(5);
    in.frame = {"012", "012", "0 2", "1", "012"};
    in.conditions.userPercent = {std::vector<std::string>{"0", "0", "50", "1", "0"},
                                 std::vector<std::string>{"0", "50", "0", "1", "0"},
                                 std::vector<std::string>{"100", "50", "50", "1", "0"}};
    in.requestedCount = 10;  // of the 12 rows these weights can give
    in.seed = 7;
    const auto rows = Generate(in);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    EXPECT_EQ(std::set<std::string>(rows.begin(), rows.end()).size(), rows.size());
    std::set<char> lastMatch;
    for (const auto& r : rows) {
        EXPECT_EQ(r[0], '2') << r;  // weights 0/0/100
        EXPECT_NE(r[1], '0') << r;  // weight 0 for home
        EXPECT_NE(r[2], '1') << r;  // outside the frame
        EXPECT_EQ(r[3], '1') << r;  // single
        lastMatch.insert(r[4]);     // all weights 0: evenly among the frame signs
    }
    EXPECT_EQ(lastMatch, (std::set<char>{'0', '1', '2'}));
    EXPECT_EQ(Generate(in), rows);  // the same seed, the same rows

    // The row difference is tested against the rows accepted so far.
    in.conditions.flags[core::UseRadDiff] = true;
    in.conditions.radDiff = 2;
    in.requestedCount = 4;
    in.maxTries = 20000;
    const auto spread = Generate(in);
    ASSERT_GE(spread.size(), 3u);
    for (size_t i = 0; i < spread.size(); ++i)
        for (size_t j = i + 1; j < spread.size(); ++j) EXPECT_LE(CountEqualSigns(spread[i], spread[j]), 3);
}

TEST(RandomGeneration, NegativeWeightsCountAsNone) {
    GenerationInput in;
    in.mode = GenerationMode::Random;
    in.conditions = AllOff(2);
    in.frame = {"012", "012"};
    in.conditions.userPercent = {std::vector<std::string>{"-40", "1"}, std::vector<std::string>{"-1", "1"},
                                 std::vector<std::string>{"3", "1"}};
    in.requestedCount = 3;
    in.seed = 5;
    EXPECT_EQ(Generate(in), (std::vector<std::string>{"20", "21", "22"}));
}

// A caller waiting for the end is woken by it, not by its timeout: an hour's
// wait for a small run returns at once (a missing wake hangs the test).
TEST(Worker, WaitEndsWithTheRun) {
    GenerationInput in;
    in.conditions = AllOff(4);
    in.frame = Full(4, "012");
    TRowGeneration gen(in);
    gen.Start();
    EXPECT_TRUE(gen.WaitFor(std::chrono::hours(1)));
    EXPECT_FALSE(gen.IsRunning());
    gen.Join();
    EXPECT_EQ(gen.Rows().size(), 81u);
    const auto rows = gen.TakeRows();
    EXPECT_EQ(rows.size(), 81u);
    EXPECT_EQ(rows.front(), "0000");
    EXPECT_TRUE(gen.Rows().empty());
}

TEST(RandomGeneration, ImpossibleConditionsEndByCancelOrTries) {
    GenerationInput in;
    in.mode = GenerationMode::Random;
    in.conditions = AllOff(6);
    in.conditions.flags[core::UseNejKomb] = true;
    in.conditions.noCombinations = {"******"};
    in.frame = Full(6, "012");
    in.requestedCount = 10;
    in.seed = 1;
    TRowGeneration gen(in);
    gen.Start();
    while (gen.Tested() < 1000) std::this_thread::yield();
    EXPECT_TRUE(gen.IsRunning());
    EXPECT_FALSE(gen.WaitFor(std::chrono::milliseconds(20)));  // an endless run: the wait times out
    gen.Cancel();
    EXPECT_TRUE(gen.Rows().empty());
    EXPECT_FALSE(gen.TriesExhausted());

    in.conditions.noCombinations = {"0"};  // only rows without a home sign: 64 exist
    in.requestedCount = 100;
    in.maxTries = 20000;
    TRowGeneration limited(in);
    limited.Run();
    EXPECT_TRUE(limited.TriesExhausted());
    EXPECT_EQ(limited.Attempts(), 20000);
    EXPECT_EQ(limited.Rows().size(), 64u);
}

TEST(RandomGeneration, CountOfAcceptedRowsIsLiveAndAStalledRunEnds) {
    // Only rows without a home sign pass: 64 of the 729, fewer than asked for.
    GenerationInput in;
    in.mode = GenerationMode::Random;
    in.conditions = AllOff(6);
    in.conditions.flags[core::UseNejKomb] = true;
    in.conditions.noCombinations = {"0"};
    in.frame = Full(6, "012");
    in.requestedCount = 100;
    in.seed = 4;
    TRowGeneration endless(in);
    endless.Start();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (endless.Accepted() < 64 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
    EXPECT_EQ(endless.Accepted(), 64);
    EXPECT_TRUE(endless.IsRunning());  // without a stall limit only Cancel ends it
    endless.Cancel();
    EXPECT_FALSE(endless.Stalled());

    in.stallTries = 5000;
    TRowGeneration stalled(in);
    stalled.Run();
    EXPECT_TRUE(stalled.Stalled());
    EXPECT_EQ(stalled.Rows().size(), 64u);
    EXPECT_EQ(stalled.Accepted(), 64);

    in.requestedCount = 20;  // reachable: the limit never comes into it
    TRowGeneration reached(in);
    reached.Run();
    EXPECT_FALSE(reached.Stalled());
    EXPECT_EQ(reached.Rows().size(), 20u);
}

TEST(RandomGeneration, PrepareWeights) {
    ConditionSet c = NewConditionSet(4);
    c.userPercent = {std::vector<std::string>{"100", "0", "60", "1"}, std::vector<std::string>{"0", "100", "20", "1"},
                     std::vector<std::string>{"0", "7", "20"}};  // short: padded with "0"
    EXPECT_EQ(PrepareRandomWeights(c, {"012", "1", "0 2", "01"}), WeightsCheck::Ok);
    EXPECT_EQ(c.userPercent[0], (std::vector<std::string>{"33", "0", "60", "1"}));
    EXPECT_EQ(c.userPercent[1], (std::vector<std::string>{"33", "100", "0", "1"}));
    EXPECT_EQ(c.userPercent[2], (std::vector<std::string>{"33", "0", "20", "0"}));

    c.userPercent = {std::vector<std::string>{"60"}, std::vector<std::string>{"43"}, std::vector<std::string>{"0"}};
    EXPECT_EQ(PrepareRandomWeights(c, {"01", "0", "0", "0"}), WeightsCheck::SumOver100);
    c.userPercent = {std::vector<std::string>{"60"}, std::vector<std::string>{"42"}, std::vector<std::string>{"0"}};
    EXPECT_EQ(PrepareRandomWeights(c, {"01", "0", "0", "0"}), WeightsCheck::Ok);
}

std::vector<std::string> Hundred() {
    std::vector<std::string> rows;
    for (int i = 0; i < 100; ++i) {
        std::string r;
        for (int v = i * 7 + 3, k = 0; k < 6; ++k, v /= 3) r += static_cast<char>('0' + v % 3);
        rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

TEST(Filtering, ConditionsAndFlagFiveAlone) {
    const auto rows = Hundred();
    GenerationInput in;
    in.mode = GenerationMode::Filter;
    in.conditions = AllOff(6);
    in.rows = rows;
    in.conditions.flags[core::UseProcent] = true;
    in.conditions.procMin = in.conditions.procMax = 99;
    in.percent.user[0] = {1, 1, 1};
    EXPECT_EQ(Generate(in), rows);  // the percentage alone starts no filtering

    in.conditions.flags[core::UseMaxMin] = true;
    in.conditions.procMin = 0;
    in.conditions.maxCount = {2, 6, 6};
    std::vector<std::string> want;
    for (const auto& r : rows)
        if (std::count(r.begin(), r.end(), '0') <= 2) want.push_back(r);
    EXPECT_EQ(Generate(in), want);
}

TEST(Filtering, ToANumberOfRows) {
    const auto rows = Hundred();
    ASSERT_EQ(rows.size(), 100u);
    GenerationInput in;
    in.mode = GenerationMode::Filter;
    in.conditions = AllOff(6);
    in.conditions.flags[core::UseFilterTo] = true;
    in.conditions.flags[core::UseMaxMin] = true;
    in.conditions.maxCount = {0, 0, 0};  // not tested when filtering to a number
    in.rows = rows;
    in.seed = 3;

    in.conditions.filterToRader = 10;  // picks 10 distinct rows
    auto picked = Generate(in);
    EXPECT_EQ(picked.size(), 10u);
    EXPECT_EQ(std::set<std::string>(picked.begin(), picked.end()).size(), 10u);
    for (const auto& r : picked) EXPECT_TRUE(std::binary_search(rows.begin(), rows.end(), r));

    in.conditions.filterToRader = 60;  // deletes 40, the rest keep their order
    auto kept = Generate(in);
    EXPECT_EQ(kept.size(), 60u);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));

    for (int t : {0, -3, 100, 150}) {
        in.conditions.filterToRader = t;
        TRowGeneration gen(in);
        gen.Run();
        EXPECT_EQ(gen.Rows(), rows) << t;
        EXPECT_TRUE(gen.FilterUnchanged()) << t;
    }

    // By percentage: the t highest values, then in string order.
    in.randomSelection = false;
    in.conditions.filterToRader = 5;
    for (int m = 0; m < 6; ++m) {
        in.percent.user[m] = {11.0 + 3.1 * m, 17.0 + 1.7 * m, 29.0 - 2.3 * m};
        in.percent.people[m] = {20, 20, 20};
    }
    std::vector<std::pair<double, std::string>> byValue;
    for (const auto& r : rows) byValue.emplace_back(RowValue(r, in.percent.user, in.percent.people), r);
    std::sort(byValue.begin(), byValue.end());
    std::vector<std::string> top;
    for (size_t i = byValue.size() - 5; i < byValue.size(); ++i) top.push_back(byValue[i].second);
    std::sort(top.begin(), top.end());
    ASSERT_GT(byValue[byValue.size() - 5].first, byValue[byValue.size() - 6].first);  // no tie at the cut
    EXPECT_EQ(Generate(in), top);
}

TEST(Filtering, ACancelledRunKeepsTheRowsItDidNotTest) {
    const auto rows = Hundred();
    GenerationInput in;
    in.mode = GenerationMode::Filter;
    in.conditions = AllOff(6);
    in.conditions.flags[core::UseMaxMin] = true;
    in.conditions.maxCount = {1, 6, 6};
    in.rows = rows;
    auto passes = [&](const std::string& r) { return std::count(r.begin(), r.end(), '0') <= 1; };
    ASSERT_LT(std::count_if(rows.begin(), rows.end(), passes), 90);

    // Cancelled before the first row: nothing was tested, nothing goes.
    TRowGeneration early(in);
    early.Cancel();
    early.Run();
    EXPECT_EQ(early.Rows(), rows);
    EXPECT_EQ(early.Accepted(), 100);

    // Cancelled part-way: the rows tested are filtered, the rest stay, in order.
    std::vector<std::string> many;
    for (int copy = 0; copy < 3000; ++copy) many.insert(many.end(), rows.begin(), rows.end());
    in.rows = many;
    TRowGeneration mid(in);
    mid.Start();
    while (mid.Tested() < 1000 && mid.IsRunning()) std::this_thread::yield();
    mid.Cancel();
    const auto& got = mid.Rows();
    // Some k (the first row not tested) explains the result: the rows before
    // it that pass, then every row from it on.
    size_t passed = 0;
    bool explained = false;
    for (size_t k = 0; k <= many.size() && !explained; ++k) {
        if (passed + (many.size() - k) == got.size()) {
            std::vector<std::string> want;
            for (size_t i = 0; i < k; ++i)
                if (passes(many[i])) want.push_back(many[i]);
            want.insert(want.end(), many.begin() + static_cast<std::ptrdiff_t>(k), many.end());
            EXPECT_EQ(got, want);
            explained = true;
        }
        if (k < many.size() && passes(many[k])) ++passed;
    }
    EXPECT_TRUE(explained) << got.size();

    // Filtering to a number of rows by picking: a stop leaves the list as it was.
    in.rows = rows;
    in.conditions.flags[core::UseFilterTo] = true;
    in.conditions.filterToRader = 10;
    in.seed = 3;
    TRowGeneration picking(in);
    picking.Cancel();
    picking.Run();
    EXPECT_EQ(picking.Rows(), rows);
}

TEST(Progress, AcceptedEndsAsTheRowCountOfEveryMode) {
    GenerationInput full;
    full.conditions = AllOff(4);
    full.conditions.flags[core::UseMaxMin] = true;
    full.conditions.maxCount = {1, 4, 4};
    full.frame = Full(4, "012");
    GenerationInput diff = full;
    diff.conditions.flags[core::UseRadDiff] = true;
    diff.conditions.radDiff = 2;
    GenerationInput random = full;
    random.mode = GenerationMode::Random;
    random.requestedCount = 7;
    random.seed = 9;
    GenerationInput filter = full;
    filter.mode = GenerationMode::Filter;
    GenerationInput all;
    all.conditions = AllOff(4);
    all.frame = Full(4, "012");
    filter.rows = Generate(all);
    for (const GenerationInput& in : {full, diff, random, filter}) {
        TRowGeneration gen(in);
        gen.Run();
        EXPECT_GT(gen.Rows().size(), 0u);
        EXPECT_EQ(gen.Accepted(), static_cast<int64_t>(gen.Rows().size())) << static_cast<int>(in.mode);
    }
}

TEST(Progress, PhaseMaximumAndTestedOfEachRun) {
    GenerationInput base;
    base.conditions = AllOff(3);
    base.frame = Full(3, "012");
    base.seed = 2;
    auto rows27 = [] {
        std::vector<std::string> r;
        for (int i = 0; i < 27; ++i) r.push_back({char('0' + i / 9), char('0' + i / 3 % 3), char('0' + i % 3)});
        return r;
    }();
    struct Case {
        const char* name;
        GenerationMode mode;
        std::vector<int> flags;
        GenerationPhase phase;
        int64_t maximum;  // -1: the number of rows in the result
    };
    const Case cases[] = {
        {"full", GenerationMode::Full, {}, GenerationPhase::Expansion, 27},
        {"full + row difference", GenerationMode::Full, {core::UseRadDiff}, GenerationPhase::RowDifference, -1},
        {"random", GenerationMode::Random, {}, GenerationPhase::Random, 5},
        {"filter", GenerationMode::Filter, {core::UseMaxMin}, GenerationPhase::Filtering, 27},
        {"filter to a number", GenerationMode::Filter, {core::UseFilterTo}, GenerationPhase::RandomReduction, 4},
        {"warranty", GenerationMode::Warranty, {}, GenerationPhase::WarrantyTally, 27},
    };
    for (const Case& k : cases) {
        GenerationInput in = base;
        in.mode = k.mode;
        for (int f : k.flags) in.conditions.flags[static_cast<size_t>(f)] = true;
        in.requestedCount = 5;
        in.conditions.filterToRader = 4;
        in.rows = k.mode == GenerationMode::Warranty ? std::vector<std::string>{"000"} : rows27;
        TRowGeneration gen(in);
        gen.Start();
        gen.Join();
        EXPECT_EQ(gen.Phase(), k.phase) << k.name;
        EXPECT_EQ(gen.Maximum(), k.maximum < 0 ? static_cast<int64_t>(gen.Rows().size()) : k.maximum) << k.name;
        if (k.mode == GenerationMode::Full && k.flags.empty()) {
            EXPECT_EQ(gen.Tested(), 27) << k.name;
        }
        if (k.mode == GenerationMode::Random) {
            EXPECT_EQ(gen.Tested(), gen.Attempts()) << k.name;
        }
    }
}

TEST(Warranty, RunsTheTallyOverTheOutcomes) {
    GenerationInput in;
    in.mode = GenerationMode::Warranty;
    in.conditions = AllOff(4);
    in.conditions.flags[core::UseNejKomb] = true;
    in.conditions.noCombinations = {"22"};
    in.conditions.flags[core::UseRadDiff] = true;  // plays no part in the outcomes
    in.frame = Full(4, "012");
    in.rows = {"0000", "1111"};
    TRowGeneration gen(in);
    gen.Start();
    gen.Join();
    EXPECT_EQ(Strings(gen.Outcomes(), 4), plain::ExpandFrame(in.frame, 4, in.conditions, {}));
    const auto& w = gen.Warranty();
    EXPECT_TRUE(w.complete);
    EXPECT_EQ(w.total, static_cast<int64_t>(gen.Outcomes().size()));
    int64_t sum = 0;
    for (auto k : w.counts) sum += k;
    EXPECT_EQ(sum, w.total);
    EXPECT_EQ(gen.Phase(), GenerationPhase::WarrantyTally);

    in.rows = {"0000", "00"};
    EXPECT_THROW(TRowGeneration{in}, GenerationError);

    in.rows = {"0000"};
    TRowGeneration cancelled(in);
    cancelled.Cancel();  // cancelled before it runs
    cancelled.Run();
    EXPECT_FALSE(cancelled.Warranty().complete);
}

}  // namespace
}  // namespace vinra::reduction
