#include "checking/check_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vinra::checking {
namespace {

core::TVinraFile Doc13(int rows) {
    core::TVinraFile doc;
    doc.NewSystem(13, true);
    doc.Typ = "S";
    doc.UseFlags.FromInteger(1u << core::UseNejKomb, 8);
    for (int i = 0; i < rows; ++i) {
        std::string r(13, '1');
        r[static_cast<size_t>(i % 13)] = '2';  // every row is 12 right against all draws
        doc.Rader.push_back(r);
    }
    doc.Rader.Set(0, std::string(13, '1'));
    return doc;
}

core::PoolSettings Pool(core::DisplaySigns signs = {}) {
    core::PoolSettings p;
    p.signs = std::move(signs);
    p.pricePerRow = 100;
    return p;
}

TEST(CheckSessionTest, StoredRoundRecountResetAndLiveReference) {
    auto doc = Doc13(96);
    CheckSession s(doc, Pool());
    TFacitRec rec;
    rec.found = true;
    rec.Rad = "XXXXXXXXXXXXX";
    rec.Payout = {150000050, 420050, 0, 0};  // slots 13 and 12
    rec.Winners = {2, 340, 3100, 25000};
    ASSERT_TRUE(s.LoadRound(rec));
    EXPECT_EQ(doc.Facit, std::string(13, '1'));
    const auto& r = s.Last();
    EXPECT_EQ(r.check.counts[13], 1);
    EXPECT_EQ(r.check.counts[12], 95);
    EXPECT_EQ(s.Levels().Level(13)->levelWin, 150000050);
    EXPECT_EQ(s.Levels().Level(12)->levelWin, 95 * 420050LL);
    EXPECT_EQ(s.Levels().Level(12)->winners, "340");
    EXPECT_EQ(s.Levels().Level(10)->winners, "25 000");
    EXPECT_EQ(r.totals.total, 150000050 + 95 * 420050LL);
    EXPECT_EQ(r.totals.afterStake, r.totals.total - 9600);
    EXPECT_EQ(r.protocol.verdict, true);
    EXPECT_EQ(r.signs.count[1], 13);
    EXPECT_EQ(r.peopleLine, "Sum of percent in winning row: 0");
    EXPECT_EQ(s.ReferenceBest(), 13);

    // Later recounts keep the reference of the first one.
    s.SetDisplayResult("1XXXXXXXXXXXX");
    EXPECT_EQ(s.DoRecount().check.best, 12);
    EXPECT_EQ(s.ReferenceBest(), 13);

    doc.LogRows = {"<tr><td>1-0</td></tr>"};
    doc.End[3] = true;
    s.Reset();
    EXPECT_TRUE(doc.Facit.empty());
    EXPECT_TRUE(doc.LogRows.empty());
    EXPECT_FALSE(doc.End[3]);
    EXPECT_EQ(doc.HGoal[0], -1);
    EXPECT_EQ(s.Last().check.counts[0], 96);
    EXPECT_EQ(s.Last().totals.total, 0);
    EXPECT_EQ(s.Last().totals.afterStake, -9600);
    EXPECT_EQ(s.Levels().Level(13)->payoutText, "0,00");
    EXPECT_FALSE(s.ReferenceBest().has_value());
    s.SetDisplayResult("2XXXXXXXXXXXX");
    s.DoRecount();
    EXPECT_EQ(s.ReferenceBest(), 13);
}

TEST(CheckSessionTest, ShortStoredRowIsPaddedAndRecountedSoNoOldCountsStay) {
    auto doc = Doc13(5);
    CheckSession s(doc, Pool());
    TFacitRec full;
    full.Rad = std::string(13, '1');
    ASSERT_TRUE(s.LoadRound(full));
    const auto before = s.Last().check.counts;
    TFacitRec rec;
    rec.Rad = "1X2";
    EXPECT_FALSE(s.LoadRound(rec));
    EXPECT_EQ(doc.Facit, "012----------");
    // Counted against the short row, not left at the previous round's figures.
    const auto& counts = s.Last().check.counts;
    ASSERT_EQ(counts.size(), 14u);
    EXPECT_NE(counts, before);
    int64_t rows = 0;
    for (int k = 0; k <= 13; ++k) {
        rows += counts[static_cast<size_t>(k)];
        if (k > 3) {
            EXPECT_EQ(counts[static_cast<size_t>(k)], 0) << k;
        }
    }
    EXPECT_EQ(rows, static_cast<int64_t>(doc.Rader.size()));
}

TEST(CheckSessionTest, SavedResultLoadsBackInADifferentPoolShape) {
    // 11 matches with levels 10 and 11: the two rules of the stored format
    // disagree here, and the round must still load back into its levels.
    core::TVinraFile doc;
    doc.NewSystem(11, true);
    doc.Typ = "S";
    doc.OmgID = 3921;
    doc.Rader = {std::string(11, '0'), "00000000002"};
    const core::DisplaySigns hub{"H", "U", "B"};
    CheckSession s(doc, Pool(hub));
    s.SetDisplayResult("HHHHHHHHHHU");
    s.DoRecount();
    ASSERT_TRUE(s.Levels().SetPayoutText(11, "1 234 567,89"));
    ASSERT_TRUE(s.Levels().SetPayoutText(10, "310,50"));
    s.Levels().SetWinners(11, "3");
    const TFacitRec rec = s.ResultRecord(200928);
    EXPECT_EQ(rec.Typ, "S");
    EXPECT_EQ(rec.OmgID, 3921);
    EXPECT_EQ(rec.Omg, 200928);
    EXPECT_EQ(rec.Rad, "HHHHHHHHHHU");

    core::TVinraFile other = doc;
    other.Facit.clear();
    CheckSession back(other, Pool(hub));
    ASSERT_TRUE(back.LoadRound(rec));
    EXPECT_EQ(other.Facit, "00000000001");
    EXPECT_EQ(back.Levels().Level(11)->payout, 123456789);
    EXPECT_EQ(back.Levels().Level(11)->winners, "3");
    EXPECT_EQ(back.Levels().Level(10)->payout, 31050);
    EXPECT_EQ(back.Last().check.counts[10], 2);
}

TEST(CheckSessionTest, GoalsFollowAHandSetResult) {
    struct Case {
        char sign;
        int h, a, wantH, wantA;
    };
    const std::vector<Case> cases = {
        {'1', 2, 1, 0, 0},  {'1', 2, 2, 2, 2}, {'1', -1, -1, 0, 0}, {'0', 2, 1, 2, 1},   {'0', 0, 0, 1, 0},
        {'0', 3, -1, 1, 0}, {'2', 1, 1, 0, 1}, {'2', 0, 3, 0, 3},   {'-', 2, 2, -1, -1},
    };
    core::TVinraFile doc;
    doc.NewSystem(static_cast<int>(cases.size()), true);
    doc.Rader = {std::string(cases.size(), '0')};
    for (size_t m = 0; m < cases.size(); ++m) {
        doc.Facit += cases[m].sign;
        doc.HGoal[m] = cases[m].h;
        doc.AGoal[m] = cases[m].a;
    }
    CheckSession s(doc, Pool());
    s.GoalsFromResult();
    for (size_t m = 0; m < cases.size(); ++m) {
        EXPECT_EQ(doc.HGoal[m], cases[m].wantH) << m;
        EXPECT_EQ(doc.AGoal[m], cases[m].wantA) << m;
    }
    // The goals give back the same result row.
    const std::string facit = doc.Facit;
    EXPECT_EQ(ResultRowFromGoals(doc), facit);
}

}  // namespace
}  // namespace vinra::checking
