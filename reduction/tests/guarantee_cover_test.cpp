#include "reduction/guarantee_cover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/covering.h"
#include "reduction/reduced_system.h"
#include "reduction/tests/plain_reference.h"

namespace vinra::reduction {
namespace {

namespace fs = std::filesystem;

struct Case {
    const char* name;
    std::vector<std::string> frame;
    ConditionSet conditions;
};

ConditionSet AllOff(int n) {
    ConditionSet c = NewConditionSet(n);
    c.flags.fill(false);
    return c;
}

// Frames and condition sets of the kinds players use: sign counts, runs,
// combinations, a source row, and the sample system with all of its own.
std::vector<Case> Cases() {
    std::vector<Case> cases;
    const std::vector<std::string> mixed6 = {"012", "01", "012", "12", "0", "012"};
    cases.push_back({"pure 3 full 2 half", mixed6, AllOff(6)});
    {
        ConditionSet c = AllOff(6);
        c.flags[core::UseMaxMin] = true;
        c.maxCount = {3, 2, 3};
        c.minCount = {1, 0, 0};
        cases.push_back({"sign counts", mixed6, c});
    }
    {
        ConditionSet c = AllOff(8);
        c.flags[core::UseNejKomb] = true;
        c.flags[core::UseJaKomb] = true;
        c.noCombinations = {"22", "111"};
        c.yesCombinations = {{"0", 2, 6}};
        cases.push_back({"combinations", {"012", "012", "012", "012", "01", "02", "012", "012"}, c});
    }
    {
        ConditionSet c = AllOff(7);
        c.flags[core::UseURad] = true;
        c.sourceRows = {{"0,0,1,2,0,1,0", 3, 5}};
        cases.push_back({"source row", {"012", "012", "012", "012", "012", "012", "012"}, c});
    }
    core::TVinraFile doc;
    doc.LoadFromFile(fs::path(VINRA_SOURCE_DIR) / "resources/samples/sample.1x2");
    cases.push_back({"sample system", doc.Grundrad, FromDocument(doc)});
    return cases;
}

TEST(Guarantee, EveryOutcomeThatMeetsTheConditionsHasARowNearEnough) {
    for (const Case& k : Cases()) {
        for (int wrong : {1, 2}) {
            SCOPED_TRACE(testing::Message() << k.name << ", " << wrong << " wrong");
            GuaranteeInput in;
            in.frame = k.frame;
            in.conditions = k.conditions;
            in.wrong = wrong;
            in.seconds = 0.5;
            const GuaranteeResult r = ReduceWithGuarantee(in);
            const int n = k.conditions.n;
            const auto outcomes = plain::ExpandFrame(k.frame, n, k.conditions, {});
            ASSERT_FALSE(outcomes.empty());
            ASSERT_EQ(r.outcomes, static_cast<int64_t>(outcomes.size()));
            ASSERT_FALSE(r.rows.empty());
            EXPECT_FALSE(r.cancelled);

            // Checked here the plain way, independent of the engine's own check.
            const std::set<std::string> frameRows = [&] {
                ConditionSet none = AllOff(n);
                const auto all = plain::ExpandFrame(k.frame, n, none, {});
                return std::set<std::string>(all.begin(), all.end());
            }();
            for (const std::string& row : r.rows) ASSERT_TRUE(frameRows.count(row)) << row << " is outside the frame";
            ASSERT_TRUE(std::is_sorted(r.rows.begin(), r.rows.end()));
            for (const std::string& o : outcomes) {
                int best = 0;
                for (const std::string& row : r.rows) best = std::max(best, CountEqualSigns(o, row));
                ASSERT_GE(best, n - wrong) << "outcome " << o;
            }
            EXPECT_TRUE(GuaranteeHolds(r.warranty, wrong));
            EXPECT_EQ(r.warranty.total, r.outcomes);
            EXPECT_GE(static_cast<int64_t>(r.rows.size()), r.reachBound);
            EXPECT_GE(r.reachBound, r.lowerBound);
            EXPECT_LE(static_cast<int64_t>(r.rows.size()), r.greedyRows);
            // Conditions make the list smaller than the whole frame needs.
            EXPECT_LE(r.outcomes, r.frameRows);
        }
    }
}

// Conditions thin the outcomes unevenly, where the greedy start wastes the
// most rows: a short search must get well below it (the shrinking by one row
// at a time stayed at 0.96 and 0.89 of it here), and every list it gives must
// still reach every outcome (checked the plain way).
TEST(Guarantee, UnderConditionsTheSearchEndsWellBelowItsGreedyStart) {
    struct Frame {
        const char* name;
        std::vector<std::string> frame;
        ConditionSet conditions;
        int wrong;
        double atMost;  // share of the greedy start the result must stay under
    };
    std::vector<Frame> frames;
    {
        ConditionSet c = AllOff(9);
        c.flags[core::UseMaxMin] = true;
        c.minCount = {2, 1, 1};
        c.maxCount = {6, 4, 4};
        frames.push_back({"8 full 1 half, sign counts, 8 right",
                          {"012", "012", "012", "012", "01", "012", "012", "012", "012"}, c, 1, 0.94});
    }
    {
        core::TVinraFile doc;
        doc.LoadFromFile(fs::path(VINRA_SOURCE_DIR) / "resources/samples/sample.1x2");
        frames.push_back({"sample system, 12 right", doc.Grundrad, FromDocument(doc), 1, 0.87});
        frames.push_back({"sample system, 11 right", doc.Grundrad, FromDocument(doc), 2, 0.8});
    }
    for (const Frame& f : frames) {
        SCOPED_TRACE(f.name);
        GuaranteeInput in;
        in.frame = f.frame;
        in.conditions = f.conditions;
        in.wrong = f.wrong;
        in.seed = 7;
        // The greedy start alone, then the search until it is under the mark:
        // a quick run stops at once, a slow machine (a sanitizer build) gets
        // the time it needs.
        in.seconds = 0.01;
        const int64_t greedy = ReduceWithGuarantee(in).greedyRows;
        ASSERT_GT(greedy, 0);
        in.target = static_cast<uint32_t>(std::ceil(f.atMost * static_cast<double>(greedy))) - 1;
        in.seconds = 60;
        const GuaranteeResult r = ReduceWithGuarantee(in);
        ASSERT_FALSE(r.rows.empty());
        EXPECT_EQ(r.greedyRows, greedy);
        EXPECT_LT(static_cast<double>(r.rows.size()), f.atMost * static_cast<double>(r.greedyRows))
            << r.rows.size() << " rows against a greedy start of " << r.greedyRows;
        EXPECT_GE(static_cast<int64_t>(r.rows.size()), r.reachBound);
        const int n = f.conditions.n;
        for (const std::string& o : plain::ExpandFrame(f.frame, n, f.conditions, {})) {
            int best = 0;
            for (const std::string& row : r.rows) best = std::max(best, CountEqualSigns(o, row));
            ASSERT_GE(best, n - f.wrong) << "outcome " << o;
        }
        EXPECT_TRUE(GuaranteeHolds(r.warranty, f.wrong));
    }
}

// The size of the shipped R-system of these guards.
size_t ShippedSize(int full, int half, int wrong = 1) {
    const fs::path folder = fs::path(VINRA_SOURCE_DIR) / "resources/systems/Svenska Spel";
    for (const auto& e : fs::directory_iterator(folder)) {
        const auto name = ParseRedName(e.path().stem().string());
        if (!name.readable || name.type != 'R' || name.full != full || name.half != half ||
            RedNameWrong(e.path().stem().string()) != wrong)
            continue;
        return CodeFromRedLines(core::SplitLines(core::ReadFileBytes(e.path())), full, half).size();
    }
    return 0;
}

TEST(Guarantee, APureFrameReachesTheShippedSystems) {
    for (auto [full, half] : {std::pair{4, 0}, {3, 3}, {2, 4}, {0, 7}, {5, 1}, {1, 6}, {4, 3}}) {
        SCOPED_TRACE(testing::Message() << full << "-" << half);
        const size_t shipped = ShippedSize(full, half);
        ASSERT_GT(shipped, 0u);
        // Thirteen matches, the single ones first, the guarded ones spread out.
        GuaranteeInput in;
        in.frame.assign(13, "1");
        for (int i = 0; i < full; ++i) in.frame[12 - 2 * i] = "012";
        for (int i = 0, m = 0; i < half; ++m)
            if (in.frame[m] == "1") in.frame[m] = "02", ++i;
        in.conditions = NewConditionSet(13);
        in.conditions.flags.fill(false);
        in.target = static_cast<uint32_t>(shipped);
        in.seconds = 30;
        const GuaranteeResult r = ReduceWithGuarantee(in);
        EXPECT_LE(r.rows.size(), shipped);
        EXPECT_TRUE(GuaranteeHolds(r.warranty, 1));
    }
}

TEST(Guarantee, AShippedSystemIsAStartTheSearchNeverLoses) {
    const fs::path folder = fs::path(VINRA_SOURCE_DIR) / "resources/systems/Svenska Spel";
    // Six full guards: 73 rows shipped, more than a short search finds.
    GuaranteeInput in;
    in.frame.assign(13, "0");
    for (int m : {1, 3, 5, 7, 9, 11}) in.frame[m] = "012";
    in.conditions = AllOff(13);
    in.seconds = 0.3;
    in.startRows = ShippedSystemRows(folder, in.frame, 13);
    ASSERT_EQ(in.startRows.size(), ShippedSize(6, 0));
    GuaranteeResult r = ReduceWithGuarantee(in);
    EXPECT_LE(r.rows.size(), in.startRows.size());
    EXPECT_TRUE(GuaranteeHolds(r.warranty, 1));

    // A list with one row less covers no longer: it is not used.
    in.startRows.pop_back();
    r = ReduceWithGuarantee(in);
    EXPECT_FALSE(r.startUsed);
    EXPECT_TRUE(GuaranteeHolds(r.warranty, 1));

    // Under conditions the shipped list covers the outcomes too; the result is
    // no larger than the smaller of it and the greedy start.
    core::TVinraFile doc;
    doc.LoadFromFile(fs::path(VINRA_SOURCE_DIR) / "resources/samples/sample.1x2");
    GuaranteeInput sample;
    sample.frame = doc.Grundrad;
    sample.conditions = FromDocument(doc);
    sample.seconds = 0.2;
    sample.startRows = ShippedSystemRows(folder, sample.frame, 13);
    ASSERT_EQ(sample.startRows.size(), ShippedSize(4, 5));
    r = ReduceWithGuarantee(sample);
    EXPECT_LE(static_cast<int64_t>(r.rows.size()),
              std::min<int64_t>(r.greedyRows, static_cast<int64_t>(sample.startRows.size())));
    EXPECT_TRUE(GuaranteeHolds(r.warranty, 1));

    // No system of these guards in the folder, or no folder: no start.
    EXPECT_TRUE(ShippedSystemRows(folder, std::vector<std::string>(13, "012"), 13).empty());
    EXPECT_TRUE(ShippedSystemRows(folder / "none", in.frame, 13).empty());
}

TEST(Guarantee, ElevenRightOnAPureFrameStartsFromTheBestCodeKnown) {
    const fs::path folder = fs::path(VINRA_SOURCE_DIR) / "resources/systems/Svenska Spel";
    GuaranteeInput in;
    in.frame.assign(13, "2");
    for (int m : {0, 2, 3, 5, 6, 8, 10, 12}) in.frame[m] = "012";
    in.conditions = AllOff(13);
    in.wrong = 2;
    in.seconds = 0.3;
    // The greedy start alone is over 100 rows; two Hamming codes make 81.
    GuaranteeResult r = ReduceWithGuarantee(in);
    EXPECT_LE(r.rows.size(), 81u);
    EXPECT_GT(r.greedyRows, 81);
    EXPECT_TRUE(r.constructionUsed);
    EXPECT_TRUE(GuaranteeHolds(r.warranty, 2));
    EXPECT_FALSE(GuaranteeHolds(r.warranty, 1));
    EXPECT_EQ(r.bestKnown, 81);
    EXPECT_EQ(GapText(r, core::LangEnglish), "Lower bound 51 rows; best known 81 rows.");

    // The shipped systems: the 11-right one for an 11-right search, never for 12.
    EXPECT_EQ(ShippedSystemRows(folder, in.frame, 13, 2).size(), ShippedSize(8, 0, 2));
    EXPECT_EQ(ShippedSystemRows(folder, in.frame, 13, 1).size(), ShippedSize(8, 0, 1));
    in.startRows = ShippedSystemRows(folder, in.frame, 13, 2);
    r = ReduceWithGuarantee(in);
    EXPECT_LE(r.rows.size(), in.startRows.size());
    EXPECT_TRUE(GuaranteeHolds(r.warranty, 2));
}

TEST(Guarantee, RefusalsCancelAndNothingToCover) {
    GuaranteeInput in;
    in.frame = {"012", "012", "01", "0"};
    in.conditions = AllOff(4);
    in.wrong = 3;
    try {
        ReduceWithGuarantee(in);
        FAIL() << "three wrong accepted";
    } catch (const GuaranteeError& e) {
        EXPECT_EQ(e.message(), 1406);
        EXPECT_NE(std::string(e.what()).find('1'), std::string::npos);
    }
    EXPECT_EQ(GuaranteeWrongFor(13, 12), 1);
    EXPECT_EQ(GuaranteeWrongFor(13, 11), 2);
    EXPECT_EQ(GuaranteeWrongFor(12, 11), 1);
    EXPECT_EQ(GuaranteeWrongFor(13, 10), 0);
    EXPECT_EQ(GuaranteeWrongFor(13, 13), 0);

    // Sixteen full guards: more rows than the search indexes.
    GuaranteeInput big;
    big.frame.assign(16, "012");
    big.conditions = AllOff(16);
    EXPECT_THROW(ReduceWithGuarantee(big), GuaranteeError);

    // Cancelled before it starts: no rows, and said so.
    in.wrong = 1;
    std::atomic<bool> cancel{true};
    GuaranteeHooks hooks;
    hooks.cancel = &cancel;
    const GuaranteeResult stopped = ReduceWithGuarantee(in, hooks);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.rows.empty());

    // Conditions no row meets: nothing to cover, no rows.
    in.conditions.flags[core::UseMaxMin] = true;
    in.conditions.maxCount = {0, 0, 0};
    const GuaranteeResult none = ReduceWithGuarantee(in);
    EXPECT_EQ(none.outcomes, 0);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_FALSE(none.cancelled);
}

TEST(Guarantee, ProgressAndStoringInTheSystem) {
    core::TVinraFile doc;
    doc.LoadFromFile(fs::path(VINRA_SOURCE_DIR) / "resources/samples/sample.1x2");
    GuaranteeInput in;
    in.frame = doc.Grundrad;
    in.conditions = FromDocument(doc);
    in.seconds = 0.3;
    std::atomic<int> phase{-1};
    std::atomic<int64_t> done{0}, total{0}, rows{0};
    GuaranteeHooks hooks{nullptr, &phase, &done, &total, &rows};
    const GuaranteeResult r = ReduceWithGuarantee(in, hooks);
    EXPECT_EQ(phase.load(), static_cast<int>(GuaranteePhase::Checking));
    EXPECT_EQ(rows.load(), static_cast<int64_t>(r.rows.size()));
    ASSERT_FALSE(r.improvements.empty());
    EXPECT_EQ(r.improvements.front().second, r.greedyRows);
    EXPECT_EQ(r.improvements.back().second, static_cast<int64_t>(r.rows.size()));
    EXPECT_LE(r.firstSeconds, r.seconds);

    StoreGuaranteeResult(doc, r, core::LangSwedish);
    EXPECT_EQ(doc.Rader, r.rows);
    EXPECT_EQ(doc.AntalRader, r.outcomes);
    ASSERT_FALSE(doc.Gar.empty());
    // Every outcome has a row with 12 or 13 right: a chance line says 100 %, no risk line.
    EXPECT_TRUE(std::any_of(doc.Gar.begin(), doc.Gar.end(),
                            [](const std::string& l) { return l.find("100,00") != std::string::npos; }));
}

TEST(Guarantee, TheRunAWindowHoldsGivesItsTexts) {
    core::TVinraFile doc;
    doc.LoadFromFile(fs::path(VINRA_SOURCE_DIR) / "resources/samples/sample.1x2");
    GuaranteeRun run;
    run.input.frame = doc.Grundrad;
    run.input.conditions = FromDocument(doc);
    run.input.seconds = 0.2;
    std::atomic<bool> cancel{false};
    std::atomic<int> phase{0};
    std::atomic<int64_t> done{0}, total{0};
    run.Run(&cancel, &phase, &done, &total);
    ASSERT_TRUE(run.Ok());
    EXPECT_EQ(run.StatusText(core::LangEnglish), std::to_string(run.result.rows.size()) +
                                                     " rows: 12 right guaranteed if the result meets the conditions (" +
                                                     std::to_string(run.result.outcomes) + " outcomes checked). " +
                                                     GapText(run.result, core::LangEnglish));
    // Under conditions no best size is known: the lower bound alone.
    EXPECT_EQ(GapText(run.result, core::LangEnglish),
              "Lower bound " + std::to_string(std::max(run.result.lowerBound, run.result.reachBound)) + " rows.");
    EXPECT_EQ(run.ProgressText(core::LangSwedish),
              "Söker: " + std::to_string(run.result.rows.size()) + " rader hittills");

    run.input.wrong = 3;
    run.Run(&cancel, &phase, &done, &total);
    EXPECT_FALSE(run.Ok());
    EXPECT_EQ(run.errorMessage, 1406);
    EXPECT_EQ(run.StatusText(core::LangSwedish),
              "En garanti på 10 rätt går inte med 13 matcher: välj 12 eller 11 rätt.");

    run.input.wrong = 1;
    run.input.frame = {"012", "x"};
    run.Run(&cancel, &phase, &done, &total);
    EXPECT_FALSE(run.Ok());
    EXPECT_FALSE(run.errorText.empty());

    run.input.frame = doc.Grundrad;
    run.input.conditions.winMin = 5;
    run.input.conditions.winMax = 4;
    run.Run(&cancel, &phase, &done, &total);
    EXPECT_FALSE(run.Ok());
    EXPECT_EQ(run.StatusText(core::LangEnglish),
              "No outcome of the frame meets the conditions: there is nothing to guarantee.");
}

}  // namespace
}  // namespace vinra::reduction
