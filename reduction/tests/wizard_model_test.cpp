#include "reduction/wizard_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/signs.h"
#include "core/system_document.h"
#include "reduction/row_generation.h"

namespace vinra::reduction {
namespace {

using ::testing::ElementsAre;

// A 13-match system: three full guards, two half guards, singles elsewhere (108 frame rows).
core::TVinraFile SmallSystem() {
    core::TVinraFile doc;
    doc.NewSystem(13, false);
    doc.Grundrad = {"012", "0 2", "0  ", " 1 ", "012", "  2", "01 ", "0  ", "012", "  2", "0  ", " 1 ", "0  "};
    return doc;
}

// Row number i of all rows of n matches in ascending order.
std::string Base3Row(int i, int n) {
    std::string row(static_cast<size_t>(n), '0');
    for (int m = n - 1; m >= 0 && i > 0; --m, i /= 3) row[static_cast<size_t>(m)] = static_cast<char>('0' + i % 3);
    return row;
}

std::vector<std::string> RunToEnd(GenerationInput in) {
    TRowGeneration gen(std::move(in));
    gen.Run();
    return gen.Rows().Strings();
}

TEST(WizardHelpers, SumFiguresStartRowsCountsAndGrade) {
    // The win-level figure of a people's percentage text.
    const std::pair<const char*, int> figures[] = {{"05.5", 55}, {"45.0", 450}, {"100.0", 1000}, {"", 0},
                                                   {"0", 0},     {"00.0", 0},   {"x12", 12}};
    for (const auto& [text, want] : figures) EXPECT_EQ(SumFigureOfText(text), want) << text;

    // The start row as typed: upper-cased, display characters only, cleared unless N long.
    const core::DisplaySigns signs;
    EXPECT_EQ(StartRowFromEntry("1x2 1x2-1x2.1x2 1", 13, signs), "0120120120120");
    EXPECT_EQ(StartRowFromEntry("1x21x21x21x2", 13, signs), "");
    EXPECT_EQ(StartRowFromEntry("1x21x21x21x2ab1", 13, signs), "0120120120120");
    EXPECT_EQ(StartRowFromEntry("HUBHUB", 6, core::DisplaySigns{"H", "U", "B"}), "012012");

    // Count fields: an integer, else 100.
    const std::pair<const char*, int64_t> counts[] = {{"250", 250}, {" 7 ", 7},   {"-3", -3},          {"", 100},
                                                      {"12a", 100}, {"1,5", 100}, {"99999999999", 100}};
    for (const auto& [text, want] : counts) EXPECT_EQ(CountFieldValue(text), want) << text;

    // The grade of reduction of large frames: rows * 100 overflows 32 bits.
    EXPECT_EQ(GradeOfReduction(43046721 / 2, 43046721), 51);
    EXPECT_EQ(GradeOfReduction(1594323, 1594323), 0);
    EXPECT_EQ(GradeOfReduction(0, 1594323), 100);
    EXPECT_EQ(GradeOfReduction(1, 0), 0);
}

TEST(WizardHelpers, ChangedFrameComparesSignSetsNotTheirForm) {
    const std::vector<std::string> frame = {"012", "02", "0 2"};
    // Every sign used: the same frame, whatever its form.
    EXPECT_FALSE(ChangedFrame({"000", "102", "220", "122"}, frame, 3));
    // Away never used on match 3: the spanned frame drops it.
    const auto changed = ChangedFrame({"000", "120", "220"}, frame, 3);
    ASSERT_TRUE(changed);
    EXPECT_THAT(*changed, ElementsAre("012", "0 2", "0  "));
    EXPECT_FALSE(ChangedFrame({}, frame, 3));
}

TEST(WizardModel, PreparesTheWorkingSetFromTheSystem) {
    core::TVinraFile doc = SmallSystem();
    doc.Rader = {"0020020020020", "2020020020020"};
    doc.RadDiff = 9;  // not offered by the list: shows and runs as 2
    doc.UserPercent[0] = {11, 22, 33};
    doc.WinMin = 5;
    doc.WinMax = 5;
    doc.GarRad = {"01-0-0-0"};
    doc.GarAnt = {"36"};
    doc.AntalGarantiRader = 1;
    doc.AntalRader = 36;

    // Without game information the system's own sum table is kept.
    WizardModel plain(doc, RoundFigures{});
    EXPECT_EQ(plain.Conditions().firstRow, "0020020020020");
    EXPECT_EQ(plain.Conditions().radDiff, 2);
    EXPECT_EQ(plain.RowDiffIndex(), 0);
    EXPECT_EQ(plain.Conditions().sumTable[0][2], 33);
    EXPECT_EQ(plain.FrameRows(), 3u * 2 * 3 * 2 * 3);
    EXPECT_EQ(plain.Warranty().keys, std::vector<std::string>{"01-0-0-0"});
    // Win bounds normalised to the frame: lowest 11 + 0s, highest 33 + 0s.
    EXPECT_EQ(plain.Conditions().winMin, 11);
    EXPECT_EQ(plain.Conditions().winMax, 33);

    // With game information the table comes from the people's percentages.
    RoundFigures round;
    round.present = true;
    round.peopleText[0] = {"45.5", "30.0", "24.5"};
    WizardModel withInfo(doc, round);
    EXPECT_EQ(withInfo.Conditions().sumTable[0][0], 455);
    EXPECT_EQ(withInfo.Conditions().sumTable[0][2], 245);
    EXPECT_EQ(withInfo.Conditions().sumTable[1][0], 0);
}

TEST(WizardModel, MethodPageEnablesAndNextReadsTheCountFields) {
    core::TVinraFile doc = SmallSystem();
    {
        // No rows: filtering is disabled and a chosen filter falls back to mathematical.
        WizardModel m(doc, {});
        m.SetMethod(WizardMethod::Filter);
        EXPECT_FALSE(m.MethodStates().filter);
        EXPECT_FALSE(m.MethodStates().useBox);
        EXPECT_EQ(m.Method(), WizardMethod::Mathematical);
        EXPECT_EQ(m.Next(), WizardModel::NextResult::Moved);
        EXPECT_EQ(m.Mode(), GenerationMode::Full);
        EXPECT_EQ(m.TypeMessage(), 308);
    }
    doc.Rader.assign(50, "");
    for (int i = 0; i < 50; ++i) doc.Rader.Set(static_cast<size_t>(i), Base3Row(i, 13));
    {
        // Filtering to 100 rows of a 50-row list lowers the target to 49.
        WizardModel m(doc, {});
        m.SetMethod(WizardMethod::Filter);
        m.SetUseFilterTo(true);
        m.SetFilterCountText("100");
        EXPECT_TRUE(m.MethodStates().filterCount);
        EXPECT_FALSE(m.MethodStates().randomCount);
        EXPECT_EQ(m.Next(), WizardModel::NextResult::Moved);
        EXPECT_EQ(m.Conditions().filterToRader, 49);
        EXPECT_EQ(m.TypeMessage(), 311);
        // Filtering to a number: only the percentage box stays enabled.
        const ConditionControls cc = m.ConditionStates();
        EXPECT_TRUE(cc.percentage);
        EXPECT_FALSE(cc.rowDiff || cc.signCounts || cc.sourceRows || cc.yesComb || cc.noComb || cc.winLevel);
    }
    {
        WizardModel m(doc, {});
        m.SetMethod(WizardMethod::Random);
        m.SetRandomCountText("many");
        EXPECT_TRUE(m.MethodStates().randomCount);
        EXPECT_EQ(m.Next(), WizardModel::NextResult::Moved);
        EXPECT_EQ(m.RandomCount(), 100);
        EXPECT_EQ(m.TypeMessage(), 309);
        // The player's weights were padded and masked to the frame: match 2 ("0 2") has no draw.
        EXPECT_EQ(m.Conditions().userPercent[1][1], "0");
    }
    {
        // Weights over 100 in a match: message 538, the page stays.
        core::TVinraFile d = doc;
        d.Proc[0] = {"90"};
        d.Proc[1] = {"20"};
        d.Proc[2] = {"5"};
        WizardModel m(d, {});
        m.SetMethod(WizardMethod::Random);
        EXPECT_EQ(m.Next(), WizardModel::NextResult::WeightsOver100);
        EXPECT_EQ(m.Step(), 0);
    }
    {
        WizardModel m(doc, {});
        m.SetReadFromFile(true);
        EXPECT_FALSE(m.MethodStates().mathematical);
        EXPECT_EQ(m.Next(), WizardModel::NextResult::ReadFromFile);
        EXPECT_EQ(m.Step(), 0);
    }
}

TEST(WizardModel, ARandomCountThatCanNeverBeReachedIsRefused) {
    const core::TVinraFile doc = SmallSystem();  // 108 frame rows
    const std::pair<const char*, WizardModel::NextResult> cases[] = {
        {"0", WizardModel::NextResult::RandomCountTooSmall},
        {"-5", WizardModel::NextResult::RandomCountTooSmall},
        {"109", WizardModel::NextResult::RandomCountTooLarge},
        {"108", WizardModel::NextResult::Moved},
        {"1", WizardModel::NextResult::Moved},
    };
    for (const auto& [text, want] : cases) {
        WizardModel m(doc, {});
        m.SetMethod(WizardMethod::Random);
        m.SetRandomCountText(text);
        EXPECT_EQ(m.Next(), want) << text;
        EXPECT_EQ(m.Step(), want == WizardModel::NextResult::Moved ? 1 : 0) << text;
    }
    // Every random run carries a limit on candidates without a new row.
    WizardModel m(doc, {});
    m.SetMethod(WizardMethod::Random);
    m.SetRandomCountText("108");
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    m.Next();
    EXPECT_EQ(m.BeginReduction().stallTries, RandomStallTries(108));
    EXPECT_EQ(RandomStallTries(108), 1'000'000);
    EXPECT_EQ(RandomStallTries(1594323), 15'943'230);
    EXPECT_EQ(RandomStallTries(43046721), 100'000'000);
}

TEST(WizardModel, ControlsFollowTheStepAndTheRun) {
    core::TVinraFile doc = SmallSystem();
    WizardModel m(doc, {});
    struct Want {
        int step;
        bool previous, next, finish;
    };
    for (const Want w : {Want{0, false, true, false}, Want{1, true, true, false}, Want{2, true, true, true},
                         Want{3, true, false, true}}) {
        while (m.Step() < w.step) ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
        const WizardControls c = m.Controls(false);
        EXPECT_EQ(c.previous, w.previous) << w.step;
        EXPECT_EQ(c.next, w.next) << w.step;
        EXPECT_EQ(c.finish, w.finish) << w.step;
        EXPECT_TRUE(c.close && c.reduce && c.restore && c.warrantyGenerate && c.exportButton);
        EXPECT_FALSE(c.cancelRun || c.warrantyCancel || c.importButton);
    }
    EXPECT_TRUE(m.Controls(true).importButton);
    EXPECT_EQ(m.Next(), WizardModel::NextResult::Refused);

    (void)m.BeginWarranty();
    const WizardControls running = m.Controls(true);
    EXPECT_TRUE(running.cancelRun && running.warrantyCancel);
    EXPECT_FALSE(running.reduce || running.restore || running.previous || running.next || running.finish ||
                 running.close || running.warrantyGenerate || running.exportButton || running.importButton);
    EXPECT_EQ(m.RunStatusMessage(), 313);
    m.Previous();
    EXPECT_EQ(m.Step(), 3);  // no way back while a run is active
}

// The player's path through the model: a mathematical run with conditions, a
// warranty, a cancelled warranty, Finish; then Reset.
TEST(WizardModel, RunsFinishAndResetKeepTheStoredWarrantyHonest) {
    core::TVinraFile doc = SmallSystem();
    doc.Rader = {"0000000000000"};
    doc.UseFlags.FromInteger(0, 8);
    const core::TVinraFile original = doc;

    WizardModel m(doc, {});
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    m.SetFlag(core::UseMaxMin, true);
    m.Conditions().maxCount[0] = 4;  // at most four home wins
    m.SetFlag(core::UseRadDiff, true);
    m.SetRowDiffIndex(1);  // row difference 3
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);

    GenerationInput in = m.BeginReduction();
    EXPECT_EQ(m.ProgressMaximum(), 108);
    EXPECT_EQ(in.conditions.radDiff, 3);
    EXPECT_EQ(in.conditions.firstRow, "0000000000000");
    EXPECT_TRUE(m.Warranty().keys.empty());
    std::vector<std::string> rows = RunToEnd(in);
    m.EndReduction(rows, false);
    EXPECT_EQ(m.RunStatusMessage(), 318);
    // The start row comes first even though it breaks the sign counts.
    ASSERT_FALSE(m.Rows().empty());
    EXPECT_EQ(m.Rows().front(), "0000000000000");
    const auto k = m.CountersAfterRun(50);
    EXPECT_EQ(k.tested, 108);
    EXPECT_EQ(k.bar, 108);
    EXPECT_EQ(k.used, static_cast<int64_t>(m.Rows().size()));

    // A complete warranty run is what Finish stores.
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    GenerationInput w = m.BeginWarranty();
    TRowGeneration full(w);
    full.Run();
    m.EndWarranty(full.Warranty(), false);
    EXPECT_EQ(m.RunStatusMessage(), 317);
    const WarrantyTable stored = m.StoredWarranty();
    ASSERT_FALSE(stored.keys.empty());

    // A cancelled one is shown but never replaces it.
    WarrantyTable partial = stored;
    partial.keys.resize(1);
    partial.counts.resize(1);
    (void)m.BeginWarranty();
    m.EndWarranty(partial, true);
    EXPECT_EQ(m.RunStatusMessage(), 315);
    EXPECT_EQ(m.Warranty().keys.size(), 1u);
    EXPECT_FALSE(m.Warranty().complete);
    EXPECT_EQ(m.StoredWarranty().keys, stored.keys);

    core::TVinraFile finished = original;
    m.ApplyTo(finished, WarrantyTexts{});
    EXPECT_EQ(finished.Rader, m.Rows());
    EXPECT_EQ(finished.GarRad, stored.keys);
    EXPECT_EQ(finished.AntalRader, stored.total);
    EXPECT_FALSE(finished.Gar.empty());
    EXPECT_EQ(finished.RadDiff, 3);
    EXPECT_EQ(finished.Max[0], 4);
    EXPECT_TRUE(finished.UseFlags.Get(core::UseRadDiff));
    EXPECT_EQ(FromDocument(finished).flags, m.Conditions().flags);

    // Reset brings back the system's rows together with the system's warranty (none here).
    m.Restore();
    EXPECT_EQ(m.Rows(), original.Rader);
    EXPECT_EQ(m.Conditions().filterToRader, 1);
    EXPECT_TRUE(m.StoredWarranty().keys.empty());
    core::TVinraFile reset = original;
    m.ApplyTo(reset, WarrantyTexts{});
    EXPECT_EQ(reset.Rader, original.Rader);
    EXPECT_TRUE(reset.GarRad.empty());
}

TEST(WizardModel, FilterToANumberSwitchesRowDifferenceOffOnlyInTheWorkingSet) {
    core::TVinraFile doc = SmallSystem();
    for (int i = 0; i < 30; ++i) doc.Rader.push_back(Base3Row(i * 3, 13));
    doc.UseFlags.FromInteger(0, 8);
    doc.UseFlags.Put(core::UseRadDiff, true);
    WizardModel m(doc, {});
    m.SetMethod(WizardMethod::Filter);
    m.SetUseFilterTo(true);
    m.SetFilterCountText("10");
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    GenerationInput in = m.BeginReduction();
    EXPECT_FALSE(in.conditions.flag(core::UseRadDiff));
    EXPECT_TRUE(in.randomSelection);
    EXPECT_EQ(m.ProgressMaximum(), 10);
    m.EndReduction(RunToEnd(in), false);
    EXPECT_EQ(m.Rows().size(), 10u);
    const auto k = m.CountersAfterRun(20);
    EXPECT_EQ(k.tested, 30);
    EXPECT_EQ(k.bar, 10);
    // The document only learns of it on Finish.
    EXPECT_TRUE(doc.UseFlags.Get(core::UseRadDiff));
    core::TVinraFile out = doc;
    m.ApplyTo(out, WarrantyTexts{});
    EXPECT_FALSE(out.UseFlags.Get(core::UseRadDiff));
    EXPECT_TRUE(out.UseFlags.Get(core::UseFilterTo));
    EXPECT_EQ(out.FilterToRader, 10);
}

TEST(WizardModel, AnAbortedRunPutsTheWarrantyAndFlagsBack) {
    core::TVinraFile doc = SmallSystem();
    doc.Rader = {"0000000000000", "0000000000001"};
    doc.GarRad = {"01-0-0-0"};
    doc.GarAnt = {"2"};
    doc.AntalGarantiRader = 1;
    doc.AntalRader = 2;
    WizardModel m(doc, {});
    m.SetMethod(WizardMethod::Filter);
    m.SetUseFilterTo(true);
    m.SetFlag(core::UseRadDiff, true);
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    (void)m.BeginReduction();
    EXPECT_FALSE(m.Conditions().flag(core::UseRadDiff));
    m.AbortRun();
    EXPECT_FALSE(m.Running());
    EXPECT_TRUE(m.Conditions().flag(core::UseRadDiff));
    EXPECT_EQ(m.StoredWarranty().keys, doc.GarRad);
    EXPECT_EQ(m.RunStatusMessage(), 0);
}

}  // namespace
}  // namespace vinra::reduction

namespace vinra::reduction {
namespace {

TEST(WizardModel, GuaranteeMethodCoversWhatTheConditionsLeaveAndFinishStoresIt) {
    core::TVinraFile doc = SmallSystem();
    doc.Rader = {"0000000000000"};
    WizardModel m(doc, {});
    EXPECT_TRUE(m.MethodStates().guarantee);
    m.SetMethod(WizardMethod::Guarantee);
    m.SetGuaranteeWrong(1);
    m.SetSecondsText("x");  // not a number: the usual budget
    EXPECT_TRUE(m.MethodStates().guaranteeChoice);
    EXPECT_FALSE(m.MethodStates().keepCount);
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
    EXPECT_EQ(m.TypeMessage(), 1428);
    EXPECT_EQ(m.TypeFigure(), 12);
    EXPECT_EQ(m.SecondsText(), "10");
    // Row difference thins rows; it is no condition on the result a guarantee covers.
    EXPECT_FALSE(m.ConditionStates().rowDiff);
    EXPECT_TRUE(m.ConditionStates().signCounts);
    m.SetFlag(core::UseRadDiff, true);
    m.SetFlag(core::UseMaxMin, true);
    m.Conditions().maxCount[0] = 4;  // at most four home wins
    ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);

    GuaranteeInput in = m.BeginGuarantee();
    EXPECT_TRUE(m.Running());
    EXPECT_FALSE(in.conditions.flag(core::UseRadDiff));
    EXPECT_EQ(in.wrong, 1);
    in.seconds = 0.3;
    const GuaranteeResult r = ReduceWithGuarantee(in);
    ASSERT_FALSE(r.rows.empty());
    m.EndGuarantee(r, false);
    EXPECT_FALSE(m.Running());
    EXPECT_EQ(m.Rows(), r.rows);
    EXPECT_EQ(m.CountersAfterRun(0).tested, 108);

    core::TVinraFile out = doc;
    m.ApplyTo(out, WarrantyTexts::FromLanguage(0));
    EXPECT_EQ(out.Rader, r.rows);
    // The stored rows hold the guarantee on every outcome the conditions leave, counted afresh.
    GenerationInput check;
    check.mode = GenerationMode::Warranty;
    check.frame = doc.Grundrad;
    check.conditions = in.conditions;
    check.rows = out.Rader;
    TRowGeneration w(check);
    w.Run();
    ASSERT_TRUE(w.Warranty().complete);
    EXPECT_TRUE(GuaranteeHolds(w.Warranty(), 1));
    EXPECT_EQ(w.Warranty().total, r.outcomes);
    EXPECT_EQ(WarrantyFromDocument(out).total, r.outcomes);

    // A run stopped before it had a list leaves the rows and their warranty.
    m.BeginGuarantee();
    m.EndGuarantee(GuaranteeResult{}, true);
    EXPECT_EQ(m.Rows(), r.rows);
    EXPECT_EQ(m.StoredWarranty().total, r.outcomes);
}

TEST(WizardModel, HighestValueMethodAndItsFields) {
    core::TVinraFile doc = SmallSystem();
    WizardModel empty(doc, {});
    EXPECT_FALSE(empty.MethodStates().highestValue);  // no rows to keep from
    empty.SetMethod(WizardMethod::HighestValue);
    EXPECT_EQ(empty.Method(), WizardMethod::Mathematical);

    doc.Rader = {"0000000000000", "0100000000000", "0200000000000", "2200000000000"};
    const std::pair<const char*, int64_t> counts[] = {{"2", 2}, {"0", 1}, {"99", 4}, {"abc", 4}};
    for (const auto& [text, want] : counts) {
        WizardModel m(doc, {});
        m.SetMethod(WizardMethod::HighestValue);
        m.SetKeepCountText(text);
        EXPECT_TRUE(m.MethodStates().keepCount);
        ASSERT_EQ(m.Next(), WizardModel::NextResult::Moved);
        EXPECT_EQ(m.KeepCount(), want) << text;
        EXPECT_EQ(m.TypeMessage(), 1429);
        EXPECT_EQ(m.TypeFigure(), want);
        EXPECT_FALSE(m.ConditionStates().signCounts);  // the value alone decides
    }
    WizardModel m(doc, {});
    m.SetMethod(WizardMethod::HighestValue);
    m.SetKeepCountText("2");
    m.Next();
    m.Next();
    EXPECT_EQ(m.BeginHighestValue(), 2);
    EXPECT_EQ(m.ProgressMaximum(), 4);
    m.EndReduction({"0000000000000", "2200000000000"}, false);
    const auto k = m.CountersAfterRun(0);
    EXPECT_EQ(k.tested, 4);
    EXPECT_EQ(k.used, 2);

    const std::pair<const char*, double> budgets[] = {{"30", 30},  {" 5 ", 5},      {"0", 1},  {"", 10},
                                                      {"1,5", 10}, {"99999", 3600}, {"-4", 10}};
    for (const auto& [text, want] : budgets) EXPECT_EQ(GuaranteeSecondsOfText(text), want) << text;
}

}  // namespace
}  // namespace vinra::reduction
