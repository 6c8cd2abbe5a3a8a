#include "checking/winnings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/signs.h"

namespace vinra::checking {
namespace {

std::vector<int> LevelsOf(const WinningsTable& t) {
    std::vector<int> out;
    for (const auto& l : t.Levels()) out.push_back(l.level);
    return out;
}

// A payout typed into the level table: a decimal point and a decimal comma
// both mean the same; what cannot be read is refused and the level keeps its
// value. Never a hundredfold amount.
TEST(WinningsTableTest, PayoutTextIsReadByTheOneRuleForMoney) {
    struct Case {
        std::string text;
        std::optional<int64_t> hundredths;  // nullopt: refused
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"25,50", 2550, "25,50"},
        {"25.50", 2550, "25,50"},
        {"1 234.5", 123450, "1 234,50"},
        {"kr 1234,5", 123450, "1 234,50"},
        {"1 500 000", 150000000, "1 500 000,00"},
        {"12,345", 1235, "12,35"},
        {"", 0, "0,00"},
        {"7", 700, "7,00"},
        {"1,2,3", std::nullopt, ""},
        {"1.234,50", std::nullopt, ""},
        {"25.5.0", std::nullopt, ""},
        {"-5", std::nullopt, ""},
        {",", std::nullopt, ""},
        {"99999999999999999999", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        WinningsTable t(13, "S");
        std::vector<int64_t> counts(14, 0);
        counts[10] = 2;
        t.SetCounts(counts);
        ASSERT_TRUE(t.SetPayoutText(10, "3,00"));
        EXPECT_EQ(t.SetPayoutText(10, c.text), c.hundredths.has_value()) << c.text;
        if (c.hundredths) {
            EXPECT_EQ(t.Level(10)->payout, *c.hundredths) << c.text;
            EXPECT_EQ(t.Level(10)->payoutText, c.shown) << c.text;
            EXPECT_EQ(t.Level(10)->levelWin, 2 * *c.hundredths) << c.text;
        } else {
            EXPECT_EQ(t.Level(10)->payout, 300) << c.text;
            EXPECT_FALSE(t.Level(10)->error.empty()) << c.text;
        }
        EXPECT_EQ(ReadPayoutText(c.text), c.hundredths) << c.text;
    }
}

// The operator's preliminary winnings fill an empty prize table with their
// öre, and never a table the player or the database already filled.
TEST(WinningsTableTest, PreliminaryWinningsFillOnlyAnEmptyTable) {
    const std::array<int32_t, 4> winners = {2, 40, 300, 2000};
    const std::array<int64_t, 4> amounts = {12345678912, 56785000, 2500000, 405050};
    std::vector<int64_t> counts(14, 0);
    counts[12] = 1;
    WinningsTable t(13, "S");
    t.SetCounts(counts);
    ASSERT_TRUE(t.TakePreliminary(winners, amounts));
    EXPECT_EQ(t.Level(13)->payoutText, "1 234 567,89");
    EXPECT_EQ(t.Level(12)->payout, 567850);
    EXPECT_EQ(t.Level(12)->winners, "40");
    EXPECT_EQ(t.Level(12)->levelWin, 567850);
    EXPECT_EQ(t.Level(10)->payoutText, "40,51");
    EXPECT_EQ(t.Level(10)->winners, "2 000");

    WinningsTable typed(13, "S");
    ASSERT_TRUE(typed.SetPayoutText(12, "100"));
    EXPECT_FALSE(typed.TakePreliminary(winners, amounts));
    EXPECT_EQ(typed.Level(13)->payout, 0);
    WinningsTable nothing(13, "S");
    EXPECT_FALSE(nothing.TakePreliminary({}, {}));
    EXPECT_EQ(nothing.Level(13)->winners, "");
}

TEST(WinningsTableTest, PayingLevelsDependOnPoolAndMatches) {
    EXPECT_THAT(LevelsOf(WinningsTable(13, "S")), ::testing::ElementsAre(10, 11, 12, 13));
    EXPECT_THAT(LevelsOf(WinningsTable(13, "T")), ::testing::ElementsAre(11, 12, 13));
    EXPECT_THAT(LevelsOf(WinningsTable(10, "O")), ::testing::ElementsAre(7, 8, 9, 10));
    EXPECT_TRUE(WinningsTable(8, "S").Levels().empty());
    EXPECT_EQ(WinningsTable(13, "S").Level(9), nullptr);
}

TEST(WinningsTableTest, LargeAmountsStayExact) {
    WinningsTable t(13, "S");
    std::vector<int64_t> counts(14, 0);
    counts[13] = 1;
    counts[12] = 3;
    t.SetCounts(counts);
    ASSERT_TRUE(t.SetPayoutText(13, "1 234 567,89"));
    ASSERT_TRUE(t.SetPayoutText(12, "16777217,01"));  // beyond the exact range of a 32-bit float
    EXPECT_EQ(t.Level(13)->payoutText, "1 234 567,89");
    EXPECT_EQ(core::FormatAmount(t.Level(13)->levelWin), "1 234 567,89");
    EXPECT_EQ(t.Level(12)->levelWin, 3 * 1677721701LL);
    const auto totals = t.WinTotals(96, 100);
    EXPECT_EQ(totals.total, 123456789 + 3 * 1677721701LL);
    EXPECT_EQ(totals.afterStake, totals.total - 9600);
}

TEST(WinningsTableTest, WinAfterStakeAndUndecidedResult) {
    WinningsTable t(13, "S");
    std::vector<int64_t> counts(14, 0);
    counts[10] = 1;
    t.SetCounts(counts);
    ASSERT_TRUE(t.SetPayoutText(10, "25,00"));
    auto totals = t.WinTotals(96, 100);
    EXPECT_EQ(core::FormatAmount(totals.total), "25,00");
    EXPECT_EQ(core::FormatAmount(totals.afterStake), "-71,00");

    // Everything undecided: nobody has 10 right, so only the stake remains.
    counts.assign(14, 0);
    counts[0] = 96;
    t.SetCounts(counts);
    totals = t.WinTotals(96, 100);
    EXPECT_EQ(core::FormatAmount(totals.total), "0,00");
    EXPECT_EQ(core::FormatAmount(totals.afterStake), "-96,00");
}

TEST(WinningsTableTest, UnreadableAmountLeavesItsLevelAndTheOthersAsTheyWere) {
    WinningsTable t(13, "S");
    std::vector<int64_t> counts(14, 2);
    t.SetCounts(counts);
    ASSERT_TRUE(t.SetPayoutText(11, "150,00"));
    ASSERT_TRUE(t.SetPayoutText(12, "900,50"));
    const auto before = t.Levels();

    EXPECT_FALSE(t.SetPayoutText(12, "1,2,3"));
    const WinLevel* l12 = t.Level(12);
    EXPECT_THAT(l12->error, ::testing::HasSubstr("1,2,3"));
    EXPECT_THAT(l12->error, ::testing::HasSubstr("12"));
    EXPECT_EQ(l12->payout, 90050);
    EXPECT_EQ(l12->levelWin, 2 * 90050);
    EXPECT_EQ(l12->payoutText, "900,50");
    for (int k : {10, 11, 13}) {
        EXPECT_EQ(t.Level(k)->payout, before[static_cast<size_t>(k - 10)].payout);
        EXPECT_TRUE(t.Level(k)->error.empty());
    }
    // A readable amount clears the error.
    EXPECT_TRUE(t.SetPayoutText(12, "1000"));
    EXPECT_TRUE(t.Level(12)->error.empty());
    EXPECT_EQ(t.Level(12)->levelWin, 200000);
    // Amounts that do not fit are refused the same way.
    EXPECT_FALSE(t.SetPayoutText(13, "999999999999999999"));
    EXPECT_FALSE(t.Level(13)->error.empty());
    EXPECT_EQ(t.Level(13)->payout, 0);
}

TEST(LevelSlotsTest, LoadingMapsSlotsToLevels) {
    struct Case {
        int n;
        std::string typ;
        std::array<int, 4> levels;  // level of slots 13, 12, 11, 10
    };
    const std::vector<Case> cases = {
        {13, "S", {13, 12, 11, 10}},
        {12, "G", {13, 12, 11, 10}},  // slot number is the level; 13 cannot occur
        {10, "O", {10, 9, 8, 7}},
        {11, "S", {11, 10, 9, 8}},
    };
    for (const auto& c : cases) {
        TFacitRec rec;
        rec.Payout = {130000, 12000, 1100, 100};
        rec.Winners = {1, 12, 110, 1000};
        WinningsTable t(c.n, c.typ);
        t.LoadSlots(rec);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(SlotLevel(SlotNumber(i), c.n), c.levels[static_cast<size_t>(i)]);
            const WinLevel* line = t.Level(c.levels[static_cast<size_t>(i)]);
            if (line == nullptr) continue;  // not a paying level
            EXPECT_EQ(line->payout, rec.Payout[static_cast<size_t>(i)]) << c.n << c.typ << i;
            EXPECT_EQ(line->winners, core::GroupDigits(static_cast<int64_t>(rec.Winners[static_cast<size_t>(i)])));
        }
    }
    // 12 matches: slot 13 holds no level and is ignored.
    TFacitRec rec;
    rec.Payout = {999, 500, 0, 0};
    WinningsTable t(12, "S");
    t.LoadSlots(rec);
    EXPECT_EQ(t.Level(12)->payout, 500);
    EXPECT_EQ(t.Level(13), nullptr);
}

// Saving puts each level in the slot it loads back from, for every shape of
// pool; where the two rules of the stored format agree (12 matches, or four
// paying levels) that is slot 13 from L+3 down to slot 10 from L.
TEST(LevelSlotsTest, SavedRoundLoadsBackIntoTheSameLevels) {
    struct Case {
        int n;
        std::string typ;
    };
    for (const auto& c : std::vector<Case>{
             {13, "S"}, {12, "S"}, {13, "T"}, {12, "T"}, {11, "S"}, {10, "O"}, {13, "O"}, {8, "O"}, {14, "S"}}) {
        WinningsTable t(c.n, c.typ);
        std::vector<int64_t> counts(static_cast<size_t>(c.n) + 1, 1);
        t.SetCounts(counts);
        for (const auto& l : t.Levels()) {
            ASSERT_TRUE(t.SetPayoutText(l.level, std::to_string(l.level * 1000 + 7) + ",25"));
            t.SetWinners(l.level, core::GroupDigits(static_cast<int64_t>(l.level * 1111)));
        }
        TFacitRec rec;
        t.SaveSlots(rec);
        WinningsTable back(c.n, c.typ);
        back.LoadSlots(rec);
        const int L = t.FirstLevel();
        for (const auto& l : t.Levels()) {
            if (l.level < c.n - 3) continue;  // only four levels have a slot
            EXPECT_EQ(back.Level(l.level)->payout, l.payout) << c.n << c.typ << l.level;
            EXPECT_EQ(back.Level(l.level)->winners, l.winners) << c.n << c.typ << l.level;
        }
        if (c.n == L + 3 || (c.n == 12 && L == 10)) {
            for (int i = 0; i < 4; ++i) {
                const WinLevel* line = t.Level(L + 3 - i);
                EXPECT_EQ(rec.Payout[static_cast<size_t>(i)], line ? line->payout : 0) << c.n << c.typ;
            }
        }
    }
}

}  // namespace
}  // namespace vinra::checking
