#include "output/coupon_print.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <tuple>

#include "core/ini.h"
#include "core/messages.h"
#include "core/settings.h"

namespace vinra::output {
namespace {

// A 12-row coupon in millimetres, as a user would type it into National.Ini.
constexpr const char* kNational =
    "[Testtipset]\r\n"
    "CouponColumns=12\r\n"
    "Fontname=Arial\r\n"
    "Fontsize=11\r\n"
    "Bold=1\r\n"
    "PrintChar=#\r\n"
    "KolumnAvstand=12,7\r\n"
    "KolumnBredd=2,54\r\n"
    "StartBredd1=25,4\r\n"
    "StartBreddX=30,48\r\n"
    "StartBredd2=35,56\r\n"
    "StartHojd=50,8\r\n"
    "HojdOkning=5,08\r\n"
    "CB0=Stryktipset|10,16|20,32|1\r\n"
    "CB1=Extra draw|15,24|20,32|0\r\n"
    "NamnX=12,7\r\n"
    "NamnY=101,6\r\n";

// Expected geometry in inches.
constexpr double kAvstand = 0.5, kBredd = 0.1, kStart[3] = {1.0, 1.2, 1.4}, kStartHojd = 2.0, kHojd = 0.2;
constexpr double kLeft = 0.1, kTop = -0.05;  // the printer's Left 2,54 mm and Top -1,27 mm

CouponJob Job(const std::vector<std::string>& rows) {
    CouponJob job;
    job.rows = rows;
    job.matchCount = 13;
    job.layout = ReadCouponLayout(core::IniFile::FromText(kNational), "Testtipset");
    PrinterSettings printer;
    printer.left = "2,54";
    printer.top = "-1,27";
    const PrinterMargins m = MarginsInches(printer);
    job.marginLeft = m.left;
    job.marginTop = m.top;
    return job;
}

// Distinct random rows (fixed seed).
std::vector<std::string> Rows(int count, int n = 13) {
    std::mt19937 rng(7);
    std::vector<std::string> rows;
    while (static_cast<int>(rows.size()) < count) {
        std::string r;
        for (int m = 0; m < n; ++m) r += static_cast<char>('0' + rng() % 3);
        if (std::find(rows.begin(), rows.end(), r) == rows.end()) rows.push_back(r);
    }
    return rows;
}

// A cross read back from the drawing commands.
struct Cross {
    int coupon, column, match, sign;
    std::string text;
    auto key() const { return std::tie(coupon, column, match, sign); }
    bool operator<(const Cross& o) const { return key() < o.key(); }
};

int Round(double v) { return static_cast<int>(std::lround(v)); }

// Reads every mark written in a print column: the coupon is the page, the
// coupon column and sign come from the column number, the match from the line.
// Also checks that the column stands where the layout and the margin put it.
std::vector<Cross> Crosses(const PrintDocument& doc) {
    std::vector<Cross> out;
    for (size_t p = 0; p < doc.pages.size(); ++p) {
        for (const DrawCommand& cmd : doc.pages[p].commands) {
            if (cmd.kind != CommandKind::Text || cmd.column == 0) continue;
            const int column = (cmd.column - 1) / 3 + 1;
            const int sign = (cmd.column - 1) % 3;
            const double match = (cmd.y - kStartHojd - kTop) / kHojd + 1;
            EXPECT_NEAR(match, Round(match), 1e-9);
            EXPECT_NEAR(cmd.x, kStart[sign] + kLeft + (column - 1) * kAvstand, 1e-9);
            EXPECT_NEAR(cmd.w, kBredd, 1e-9);
            EXPECT_EQ(cmd.align, Align::Centre);
            out.push_back({static_cast<int>(p) + 1, column, Round(match), sign, cmd.text});
        }
    }
    return out;
}

// What the crosses of a coupon sequence should be: coupon i holds counts[i] rows from firstRow on.
std::vector<Cross> Expected(const std::vector<std::string>& rows, int firstRow, const std::vector<int>& counts) {
    std::vector<Cross> out;
    const char* display[3] = {"1", "X", "2"};
    int g = firstRow;
    for (size_t c = 0; c < counts.size(); ++c)
        for (int j = 1; j <= counts[c]; ++j, ++g)
            for (int m = 1; m <= 13; ++m) {
                const int s = rows[g][m - 1] - '0';
                out.push_back({static_cast<int>(c) + 1, j, m, s, display[s]});
            }
    return out;
}

std::vector<std::string> TextsAt(const Page& page, double y, double x) {
    std::vector<std::string> out;
    for (const DrawCommand& cmd : page.commands)
        if (cmd.kind == CommandKind::Text && cmd.column == 0 && std::abs(cmd.y - y) < 1e-9 &&
            std::abs(cmd.x - x) < 1e-9)
            out.push_back(cmd.text);
    return out;
}

TEST(CouponPrint, ThirtyRowsOnTwelveRowCouponsPutEveryCrossInItsBox) {
    core::SetCurrentLanguage(core::LangEnglish);
    const auto rows = Rows(30);
    const CouponJob job = Job(rows);
    ASSERT_FALSE(job.layout.needsMessage());
    PageComposer c;
    PrintCoupons(c, job, 1, 3, 30);
    const PrintDocument doc = c.TakeDocument();

    EXPECT_EQ(doc.title, "Vinra 2000 - Printing coupon");
    EXPECT_EQ(doc.progressMax, 3);
    ASSERT_EQ(doc.pages.size(), 3u);
    std::vector<Cross> got = Crosses(doc), want = Expected(rows, 0, {12, 12, 6});
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].key(), want[i].key()) << i;
        EXPECT_EQ(got[i].text, want[i].text) << i;
    }

    for (size_t p = 0; p < 3; ++p) {
        const Page& page = doc.pages[p];
        // The fixed box with print flag 1 is crossed on every coupon, the other one only on the test page.
        EXPECT_THAT(TextsAt(page, 0.8 + kTop, 0.4 + kLeft), ::testing::ElementsAre("#"));
        EXPECT_THAT(TextsAt(page, 0.8 + kTop, 0.6 + kLeft), ::testing::IsEmpty());
        EXPECT_THAT(TextsAt(page, 4.0 + kTop, 0.5 + kLeft),
                    ::testing::ElementsAre("VR 2K: " + std::to_string(p + 1) + "/3"));
        for (const DrawCommand& cmd : page.commands) {
            EXPECT_EQ(cmd.font.size, 11);
            EXPECT_TRUE(cmd.font.bold);
        }
    }
}

TEST(CouponPrint, PlansRunsWithTheSingleRowRule) {
    struct Case {
        int total, from, to;
        int rowsToPrint;
        std::vector<std::tuple<int, int, int>> coupons;  // coupon, first row (1-based), row count
    };
    const Case cases[] = {
        {25, 1, 3, 25, {{1, 1, 12}, {2, 13, 11}, {3, 24, 2}}},  // the last coupon gets two rows
        {25, 3, 3, 1, {{3, 25, 1}}},                            // coupon 2 is not in the run
        {25, 1, 2, 24, {{1, 1, 12}, {2, 13, 12}}},              // the run does not end at the last coupon
        {25, 2, 3, 13, {{2, 13, 11}, {3, 24, 2}}},
        {24, 1, 2, 24, {{1, 1, 12}, {2, 13, 12}}},
        {13, 1, 2, 13, {{1, 1, 11}, {2, 12, 2}}},
        {1, 1, 1, 1, {{1, 1, 1}}},
        {30, 2, 2, 12, {{2, 13, 12}}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(::testing::Message() << tc.total << " rows, " << tc.from << " to " << tc.to);
        EXPECT_EQ(RowsToPrint(tc.from, tc.to, tc.total, 12), tc.rowsToPrint);
        std::vector<std::tuple<int, int, int>> got;
        for (const CouponPlan& p : PlanCoupons(tc.from, tc.to, tc.rowsToPrint, tc.total, 12))
            got.emplace_back(p.coupon, p.firstRow + 1, p.rowCount);
        EXPECT_EQ(got, tc.coupons);
    }
    EXPECT_EQ(CouponCount(25, 12), 3);
    EXPECT_EQ(CouponCount(24, 12), 2);
    EXPECT_EQ(CouponCount(0, 12), 0);
    EXPECT_EQ(CouponCount(5, 0), 5);
}

TEST(CouponPrint, TwentyFiveRowsGiveThreeCouponsAndTheLastTwoRowsTogether) {
    core::SetCurrentLanguage(core::LangEnglish);
    const auto rows = Rows(25);
    PageComposer c;
    PrintCoupons(c, Job(rows), 1, 3, 25);
    const PrintDocument doc = c.TakeDocument();
    ASSERT_EQ(doc.pages.size(), 3u);  // two page breaks
    std::vector<Cross> got = Crosses(doc), want = Expected(rows, 0, {12, 11, 2});
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].key(), want[i].key()) << i;

    // A run of the last coupon alone prints row 25 on coupon 3; the label still counts all coupons.
    PageComposer one;
    PrintCoupons(one, Job(rows), 3, 3, RowsToPrint(3, 3, 25, 12));
    const PrintDocument single = one.TakeDocument();
    ASSERT_EQ(single.pages.size(), 1u);
    got = Crosses(single);
    ASSERT_EQ(got.size(), 13u);
    for (const Cross& x : got) EXPECT_EQ(x.sign, rows[24][x.match - 1] - '0');
    EXPECT_THAT(TextsAt(single.pages[0], 4.0 + kTop, 0.5 + kLeft), ::testing::ElementsAre("VR 2K: 3/3"));
}

TEST(CouponPrint, FullCouponsEndWithoutAnEmptyPage) {
    PageComposer c;
    PrintCoupons(c, Job(Rows(24)), 1, 2, 24);
    EXPECT_EQ(c.document().pages.size(), 2u);
}

TEST(CouponPrint, PrintCharacterSettingMarksEveryBoxWithItButKeepsThePosition) {
    const auto rows = Rows(3);
    CouponJob job = Job(rows);
    job.useXWhenPrinting = true;
    PageComposer c;
    PrintCoupons(c, job, 1, 1, 3);
    const std::vector<Cross> got = Crosses(c.document());
    ASSERT_EQ(got.size(), 39u);
    for (const Cross& x : got) {
        EXPECT_EQ(x.text, "#");
        EXPECT_EQ(x.sign, rows[x.column - 1][x.match - 1] - '0');
    }
}

TEST(CouponPrint, PoolSignsAndOddCodesFollowTheRules) {
    CouponJob job = Job({"01-", "2?0"});
    job.matchCount = 3;
    job.signs = {"H", "U", "B"};
    PageComposer c;
    PrintCoupons(c, job, 1, 1, 2);
    std::map<std::pair<int, int>, std::string> marks;  // (column, match) -> text
    for (const DrawCommand& cmd : c.document().pages[0].commands)
        if (cmd.column) marks[{cmd.column, Round((cmd.y - kStartHojd - kTop) / kHojd) + 1}] = cmd.text;
    // Any code other than home or draw goes in the away box.
    const std::map<std::pair<int, int>, std::string> want = {{{1, 1}, "H"}, {{2, 2}, "U"}, {{3, 3}, "B"},
                                                             {{6, 1}, "B"}, {{6, 2}, "B"}, {{4, 3}, "H"}};
    EXPECT_EQ(marks, want);
}

TEST(CouponPrint, TestPageMarksEveryBoxAndEveryCheckBox) {
    core::SetCurrentLanguage(core::LangEnglish);
    PageComposer c;
    PrintTestPage(c, Job({}));
    const PrintDocument doc = c.TakeDocument();
    ASSERT_EQ(doc.pages.size(), 1u);
    std::map<int, int> perColumn;
    for (const DrawCommand& cmd : doc.pages[0].commands) {
        if (!cmd.column) continue;
        ++perColumn[cmd.column];
        const char* want = cmd.column % 3 == 1 ? "1" : cmd.column % 3 == 2 ? "X" : "2";
        EXPECT_EQ(cmd.text, want);
    }
    EXPECT_EQ(perColumn.size(), 36u);
    for (const auto& [col, count] : perColumn) EXPECT_EQ(count, 13) << col;
    EXPECT_THAT(TextsAt(doc.pages[0], 0.8 + kTop, 0.4 + kLeft), ::testing::ElementsAre("#"));
    EXPECT_THAT(TextsAt(doc.pages[0], 0.8 + kTop, 0.6 + kLeft), ::testing::ElementsAre("#"));
    EXPECT_THAT(TextsAt(doc.pages[0], 4.0 + kTop, 0.5 + kLeft), ::testing::ElementsAre(core::Msg(445)));
}

TEST(CouponPrint, UnreadableLayoutPrintsWithTheFallbackPositions) {
    core::IniFile ini = core::IniFile::FromText(kNational);
    ini.DeleteKey("Testtipset", "StartHojd");
    CouponJob job = Job({"0120021102210"});
    job.layout = ReadCouponLayout(ini, "Testtipset");
    job.marginLeft = job.marginTop = 0;
    ASSERT_TRUE(job.layout.needsMessage());
    PageComposer c;
    PrintCoupons(c, job, 1, 1, 1);
    const auto& cmds = c.document().pages[0].commands;
    const auto first = std::find_if(cmds.begin(), cmds.end(), [](const DrawCommand& d) { return d.column == 1; });
    ASSERT_NE(first, cmds.end());
    EXPECT_DOUBLE_EQ(first->x, 1.42);
    EXPECT_DOUBLE_EQ(first->y, 0.725);
    EXPECT_EQ(first->font.size, 8);
    EXPECT_FALSE(first->font.bold);
}

TEST(SignShares, CountsAndRoundsHalvesToEven) {
    // Shares of 8 rows land on halves: 87,5 / 12,5 and 37,5.
    const std::vector<std::string> rows = {"001", "011", "012", "112", "020", "021", "022", "000"};
    const SignShareTable t = SignShares(rows);
    EXPECT_EQ(t.total, 8);
    EXPECT_EQ(t.count[0], (std::array<int, 3>{7, 1, 0}));
    EXPECT_EQ(t.share[0], (std::array<int, 3>{88, 12, 0}));  // 87,5 -> 88, 12,5 -> 12
    EXPECT_EQ(t.count[1], (std::array<int, 3>{2, 3, 3}));
    EXPECT_EQ(t.share[1], (std::array<int, 3>{25, 38, 38}));  // 37,5 -> 38
    EXPECT_EQ(t.count[2], (std::array<int, 3>{2, 3, 3}));
    // Over all matches: 11, 7 and 6 of 24 signs, cut to whole percent.
    EXPECT_EQ(t.overallShare, (std::array<int, 3>{45, 29, 25}));
    EXPECT_EQ(t.count[3], (std::array<int, 3>{0, 0, 0}));

    const SignShareTable none = SignShares({});
    EXPECT_EQ(none.total, 0);
    EXPECT_EQ(none.share[0], (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(none.overallShare, (std::array<int, 3>{0, 0, 0}));
}

}  // namespace
}  // namespace vinra::output
