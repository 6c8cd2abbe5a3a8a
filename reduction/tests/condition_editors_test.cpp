#include "reduction/condition_editors.h"

#include <cmath>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vinra::reduction {
namespace {

using ::testing::ElementsAre;

const core::DisplaySigns kSigns;  // 1, X, 2

// Row number i of all rows of n matches in ascending order.
std::string Base3Row(int i, int n) {
    std::string row(static_cast<size_t>(n), '0');
    for (int m = n - 1; m >= 0 && i > 0; --m, i /= 3) row[static_cast<size_t>(m)] = static_cast<char>('0' + i % 3);
    return row;
}

TEST(CombinationEditor, AddCleansValidatesAndStoresCodes) {
    ConditionSet c = NewConditionSet(13);
    c.yesCombinations = {{"00", 1, 2}};
    const ConditionSet before = c;
    CombinationEditor yes(CombinationEditor::Kind::Yes, 13, kSigns, c);
    ASSERT_EQ(yes.Entries().size(), 1u);
    EXPECT_EQ(yes.Entries()[0].text, "11");  // shown in display characters

    struct Case {
        const char* typed;
        int min, max;
        CombinationEditor::AddResult::What what;
        int message;
        int wantMin, wantMax;
    };
    using W = CombinationEditor::AddResult::What;
    const Case cases[] = {
        {"1x2!1", 3, 4, W::Added, 0, 0, 0},      // lower case accepted; '!' sets the boxes to 0
        {"1?2!1", 1, 1, W::Refused, 339, 1, 1},  // both '?' and '!'
        {"x", 1, 1, W::Ignored, 0, 1, 1},        // too short
        {"a b", 1, 1, W::Ignored, 0, 1, 1},      // nothing allowed left
        {"XX", 2, 3, W::Added, 0, 2, 3},
        {"xx", 0, 1, W::Updated, 0, 0, 1},   // already there: only its bounds change
        {"11", 9, -2, W::Updated, 0, 6, 0},  // the boxes offer 0..6
    };
    for (const Case& k : cases) {
        const auto r = yes.Add(k.typed, k.min, k.max);
        EXPECT_EQ(r.what, k.what) << k.typed;
        EXPECT_EQ(r.message, k.message) << k.typed;
        if (k.what != W::Refused && k.what != W::Ignored) {
            EXPECT_EQ(yes.Entries()[static_cast<size_t>(r.index)].min, k.wantMin) << k.typed;
            EXPECT_EQ(yes.Entries()[static_cast<size_t>(r.index)].max, k.wantMax) << k.typed;
        }
    }
    EXPECT_EQ(yes.Entries()[1].text, "1X2!1");
    EXPECT_EQ(c, before);  // nothing reaches the conditions before OK
    yes.Store(c);
    ASSERT_EQ(c.yesCombinations.size(), 3u);
    EXPECT_EQ(c.yesCombinations[0], (YesCombination{"00", 6, 0}));
    EXPECT_EQ(c.yesCombinations[1], (YesCombination{"012!0", 0, 0}));
    EXPECT_EQ(c.yesCombinations[2], (YesCombination{"11", 0, 1}));

    // Delete selects the entry before it.
    EXPECT_EQ(yes.Delete(2), 1);
    EXPECT_EQ(yes.Delete(0), 0);
    EXPECT_EQ(yes.Delete(0), -1);
    EXPECT_TRUE(yes.Entries().empty());
}

TEST(CombinationEditor, NoCombinationsNeedFullLengthWildcardsAndAreCapped) {
    ConditionSet c = NewConditionSet(13);
    CombinationEditor no(CombinationEditor::Kind::No, 13, kSigns, c);
    EXPECT_EQ(no.Allowed(), "1X2*");
    auto r = no.Add("1*", 0, 0);
    EXPECT_EQ(r.message, 340);
    EXPECT_EQ(no.Add("1?2", 0, 0).what, CombinationEditor::AddResult::What::Added);  // '?' dropped: "12"
    EXPECT_EQ(no.Add("*x***********", 0, 0).what, CombinationEditor::AddResult::What::Added);
    for (int i = 0; no.Entries().size() < static_cast<size_t>(kMaxConditionEntries); ++i)
        ASSERT_NE(no.Add(CodesToDisplayChars(Base3Row(i, 5), kSigns), 0, 0).what,
                  CombinationEditor::AddResult::What::Refused);
    r = no.Add("2222222", 0, 0);
    EXPECT_EQ(r.what, CombinationEditor::AddResult::What::Refused);
    EXPECT_EQ(r.message, 1502);
    no.Store(c);
    EXPECT_EQ(c.noCombinations.size(), 100u);
    EXPECT_EQ(c.noCombinations[0], "02");
    EXPECT_EQ(c.noCombinations[1], "*1***********");
}

TEST(SourceRowEditor, PatternsOfCellsAsTheFileKeepsThem) {
    // Home at match 1, away at match 3, nothing else: empty cells and '*' alternate.
    std::vector<int> cells(13, 0);
    cells[0] = 1;
    cells[2] = 3;
    EXPECT_EQ(SourceRowEditor::PatternOfCells(cells), "0,*,2,*,,*,,*,,*,,*,");
    EXPECT_EQ(SourceRowEditor::PatternOfCells({0, 7, 4, 8}), "*,012,01,*");
    EXPECT_EQ(SourceRowEditor::PatternOfCells({5, 6, 2}), "12,02,1");
}

TEST(SourceRowEditor, CyclesDeletesAndStores) {
    ConditionSet c = NewConditionSet(4);
    c.sourceRows = {{"0,*,2,", 1, 3}, {"01,12,02,012", 0, 4}, {"2,2,2,2", 2, 2}};
    SourceRowEditor e(4, c);
    ASSERT_EQ(e.Columns().size(), 4u);  // three source rows and one to fill in
    EXPECT_EQ(e.CellText(0, 1, kSigns), "*");
    EXPECT_EQ(e.CellText(1, 2, kSigns), "12");
    EXPECT_EQ(e.CellText(1, 3, kSigns), "1X2");

    // Left click forward, right click backward, both wrap.
    e.CycleCell(0, 3, true);
    EXPECT_EQ(e.CellText(0, 3, kSigns), "1");
    e.CycleCell(0, 3, false);
    e.CycleCell(0, 3, false);
    EXPECT_EQ(e.CellText(0, 3, kSigns), "*");
    e.CycleMax(0, true);  // 3 -> 4 -> empty
    e.CycleMax(0, true);
    EXPECT_EQ(e.MaxText(0), "");
    e.CycleMin(2, false);  // 2 -> 1
    EXPECT_EQ(e.MinText(2), "1");

    // Deleting source row 2 moves row 3 into its place with its Min and Max.
    e.DeleteColumn(1);
    ASSERT_EQ(e.Columns().size(), 3u);
    EXPECT_EQ(e.CellText(1, 0, kSigns), "2");
    EXPECT_EQ(e.MinText(1), "1");
    EXPECT_EQ(e.MaxText(1), "2");

    // A column filled in becomes a source row; an empty Max stores N.
    e.CycleCell(2, 1, true);
    EXPECT_EQ(e.Columns().size(), 4u);
    const auto rows = e.SourceRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (SourceRow{"0,*,2,*", 1, 4}));
    EXPECT_EQ(rows[1], (SourceRow{"2,2,2,2", 1, 2}));
    EXPECT_EQ(rows[2], (SourceRow{"*,0,*,", 0, 4}));
}

TEST(SourceRowEditor, HoldsAHundredRowsAndSaysSoAtTheLast) {
    ConditionSet c = NewConditionSet(3);
    for (int i = 0; i < 99; ++i) c.sourceRows.push_back({"0,1,2", 0, 3});
    SourceRowEditor e(3, c);
    ASSERT_EQ(e.Columns().size(), 100u);
    EXPECT_FALSE(e.CycleCell(98, 0, true));
    EXPECT_TRUE(e.CycleCell(99, 0, true));  // message 457: no room for another
    EXPECT_EQ(e.Columns().size(), 100u);
    EXPECT_EQ(e.SourceRows().size(), 100u);
    e.DeleteColumn(5);
    EXPECT_EQ(e.Columns().size(), 100u);  // room again for one to fill in
    EXPECT_EQ(e.UsedColumns(), 99);
}

TEST(ConditionEditors, PeopleRanksAndSignCounts) {
    std::array<std::array<std::string, 3>, core::kMaxMatches> people{};
    people[0] = {"45.5", "28.0", "26.5"};
    people[1] = {"05.5", "45.5", "49.0"};
    const auto ranks = PeopleRanks(people, 2);
    EXPECT_THAT(ranks[0], ElementsAre(2, 4, 5));
    EXPECT_THAT(ranks[1], ElementsAre(6, 2, 1));  // equal texts share the better rank

    ConditionSet c = NewConditionSet(13);
    c.maxCount = {20, 5, -1};
    SignCountEditor s(13, c);
    EXPECT_EQ(s.Value(SignCountEditor::MaxLine, 0), 13);
    EXPECT_EQ(s.Value(SignCountEditor::MaxLine, 2), 0);
    s.Set(SignCountEditor::RunLine, 1, 2);
    s.Set(SignCountEditor::MinLine, 0, 99);
    s.Store(c);
    EXPECT_EQ(c.runMax[1], 2);
    EXPECT_EQ(c.minCount[0], 13);
}

TEST(PercentEditor, BalancesEachMatchToAHundred) {
    ConditionSet c = NewConditionSet(3);
    for (auto& list : c.userPercent) list.clear();  // a new dialog starts from 40/30/30
    const std::vector<std::string> frame = {"012", "012", "012"};
    PercentEditor e(3, frame, c, PercentTable{});
    struct Case {
        int sign;
        const char* text;
        int h, d, a;
    };
    const Case cases[] = {
        {0, "35", 35, 33, 32},   // home: the rest halved, the draw takes the larger half
        {1, "50", 35, 50, 15},   // draw: away takes what is left
        {2, "10", 35, 50, 10},   // away: nothing else moves
        {0, "1a2", 12, 44, 44},  // only digits count
        {0, "", 0, 50, 50},      // empty is 0
        {0, "250", 100, 0, 0},   // limited to 100
        {1, "80", 100, 80, 0},   // never below zero
    };
    for (const Case& k : cases) {
        e.Edit(0, k.sign, k.text);
        EXPECT_THAT((std::array<int, 3>{e.Value(0, 0), e.Value(0, 1), e.Value(0, 2)}), ElementsAre(k.h, k.d, k.a))
            << k.text;
    }
    // A change that keeps the match at 100 moves nothing else.
    e.Edit(1, 0, "40");
    EXPECT_THAT((std::array<int, 3>{e.Value(1, 0), e.Value(1, 1), e.Value(1, 2)}), ElementsAre(40, 30, 30));
}

TEST(PercentEditor, RowValueBoundsCopyAndStore) {
    ConditionSet c = NewConditionSet(2);
    c.userPercent[0] = {"50", "20"};
    c.userPercent[1] = {"25", "30"};
    c.userPercent[2] = {"25", "50"};
    c.procMin = 0.5;
    c.procMax = 2;
    PercentTable people{};
    people[0] = {25.0, 25.0, 50.0};  // factors 2, 1, 0.5
    people[1] = {40.0, 0.0, 60.0};   // a 0: factor 1.0 whatever the sign
    PercentEditor e(2, {"0 2", "012"}, c, people);
    EXPECT_EQ(e.Value(0, 0), 50);
    EXPECT_DOUBLE_EQ(e.MinRowValue(), 0.5);  // away at match 1 (draw is not in the frame)
    EXPECT_DOUBLE_EQ(e.MaxRowValue(), 2.0);
    EXPECT_TRUE(std::isfinite(e.MinRowValue()));

    PercentTable ref{};
    ref[0] = {47.67, 27.24, 25.09};
    ref[1] = {10.5, 20.4, 69.1};
    e.SetChecked(1, false);
    e.CopyReference(ref);
    EXPECT_EQ(e.Value(0, 0), 48);
    EXPECT_EQ(e.Value(0, 2), 25);
    EXPECT_EQ(e.Value(1, 0), 20);  // unchecked: unchanged
    e.InvertChecks();
    EXPECT_FALSE(e.Checked(0));
    EXPECT_TRUE(e.Checked(1));
    e.CheckAll(true);
    EXPECT_TRUE(e.Checked(0));

    EXPECT_EQ(e.minText, "0,5");
    e.minText = "abc";
    e.maxText = "";
    e.Store(c);
    EXPECT_EQ(c.procMin, 0.0);
    EXPECT_EQ(c.procMax, 10000.0);
    EXPECT_EQ(c.userPercent[0][0], "48");
    EXPECT_EQ(c.userPercent[2][1], "50");
    e.minText = "1,25";
    e.maxText = "7.5";
    e.Store(c);
    EXPECT_EQ(c.procMin, 1.25);
    EXPECT_EQ(c.procMax, 7.5);
}

// A round without bookmaker odds leaves that reference at 0 for a match: the
// copy that keeps blanks leaves the player's numbers there; the plain copy
// (the player said yes to zeros) writes them.
TEST(PercentEditor, CopyKeepsOwnNumbersWhereTheReferenceIsBlank) {
    ConditionSet c = NewConditionSet(2);
    c.userPercent[0] = {"50", "20"};
    c.userPercent[1] = {"25", "30"};
    c.userPercent[2] = {"25", "50"};
    PercentEditor e(2, {"0 2", "012"}, c, PercentTable{});
    PercentTable partial{};
    partial[1] = {33.3, 33.3, 33.4};
    EXPECT_EQ(e.BlankCheckedMatches(partial), std::vector<int>{0});
    EXPECT_FALSE(HasReferenceFigures(partial, 0));
    EXPECT_TRUE(HasAnyReferenceFigures(partial, 2));
    EXPECT_FALSE(HasAnyReferenceFigures(partial, 1));
    EXPECT_FALSE(HasAnyReferenceFigures(PercentTable{}, 13));
    e.CopyReference(partial, true);
    EXPECT_EQ(e.Value(0, 0), 50);
    EXPECT_EQ(e.Value(1, 2), 33);
    e.SetChecked(0, false);
    EXPECT_TRUE(e.BlankCheckedMatches(partial).empty());  // only checked matches count
    e.SetChecked(0, true);
    e.CopyReference(partial);
    EXPECT_EQ(e.Value(0, 0), 0);
}

TEST(WinLevelEditor, BoundsLimitsAndColours) {
    ConditionSet c = NewConditionSet(2);
    c.sumTable[0] = {450, 280, 270};
    c.sumTable[1] = {100, 300, 600};
    c.winMin = 0;
    c.winMax = 99999;
    WinLevelEditor e(2, {"01 ", "  2"}, c);
    EXPECT_EQ(e.TotalBounds(), (std::pair<int64_t, int64_t>{370, 1050}));
    EXPECT_EQ(e.FrameBounds(), (std::pair<int64_t, int64_t>{880, 1050}));
    EXPECT_EQ(e.Low(), 880);
    EXPECT_EQ(e.High(), 1050);
    e.SetLow(10);
    e.SetHigh(1000);
    EXPECT_EQ(e.Low(), 880);
    e.Store(c);
    EXPECT_EQ(c.winMin, 880);
    EXPECT_EQ(c.winMax, 1000);

    using M = WinLevelEditor::Mark;
    EXPECT_EQ(e.Colour(0, 0, false), M::High);
    EXPECT_EQ(e.Colour(0, 2, false), M::Low);
    EXPECT_EQ(e.Colour(0, 1, false), M::None);
    EXPECT_EQ(e.Colour(0, 0, true), M::High);
    EXPECT_EQ(e.Colour(0, 1, true), M::Low);
    EXPECT_EQ(e.Colour(0, 2, true), M::None);     // not in the frame
    EXPECT_EQ(e.Colour(1, 2, true), M::Between);  // the only frame sign
}

}  // namespace
}  // namespace vinra::reduction
