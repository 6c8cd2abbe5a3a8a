#include "output/winnings_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/settings.h"

namespace vinra::output {
namespace {

using ::testing::Contains;
using ::testing::Not;

class WinningsReportTest : public ::testing::Test {
protected:
    void SetUp() override { core::SetCurrentLanguage(core::LangEnglish); }
};

WinningsReportInput Input(int n) {
    WinningsReportInput in;
    in.typ = "S";
    in.pool = "Stryktipset";
    in.omg = "2009-28";
    in.matchCount = n;
    in.rowCount = 96;
    in.pricePerRow = 100;
    in.roundText = "28 2009";
    in.displayResult = std::string(static_cast<size_t>(n), '1');
    for (int m = 1; m <= n; ++m) in.matchLabels.push_back("Home " + std::to_string(m) + " - Away");
    for (int i = 0; i < 4; ++i) in.levels[static_cast<size_t>(i)].level = n - 3 + i;
    return in;
}

std::vector<std::string> Texts(const Page& p) {
    std::vector<std::string> out;
    for (const auto& c : p.commands)
        if (c.kind == CommandKind::Text) out.push_back(c.text);
    return out;
}

// The text drawn on the same line (y) right of a label, left to right.
std::vector<std::string> LineAfter(const Page& p, const std::string& label) {
    double y = -1;
    for (const auto& c : p.commands)
        if (c.kind == CommandKind::Text && c.text == label) y = c.y;
    std::vector<std::pair<double, std::string>> cells;
    for (const auto& c : p.commands)
        if (c.kind == CommandKind::Text && c.y == y && c.text != label) cells.push_back({c.x, c.text});
    std::sort(cells.begin(), cells.end());
    std::vector<std::string> out;
    for (auto& [x, t] : cells) out.push_back(t);
    return out;
}

TEST_F(WinningsReportTest, SummaryOf96RowsWithOneTenPaying25) {
    WinningsReportInput in = Input(13);
    in.levels[0] = {10, 1, 2500};
    const PrintDocument doc = WinningSummaryDocument(in);
    ASSERT_EQ(doc.pages.size(), 1u);
    const Page& p = doc.pages[0];
    EXPECT_EQ(LineAfter(p, "10 right:"), (std::vector<std::string>{"1", "25,00", "25,00"}));
    // The heads over those three columns say what each one is.
    EXPECT_THAT(LineAfter(p, "Rows"), ::testing::IsSupersetOf({"Win per row", "Win"}));
    EXPECT_THAT(LineAfter(p, "Rows"), Not(Contains("Sum")));
    EXPECT_EQ(LineAfter(p, "13 right:"), (std::vector<std::string>{"0", "0,00", "0,00"}));
    EXPECT_EQ(LineAfter(p, "Sum:"), (std::vector<std::string>{"25,00"}));
    EXPECT_EQ(LineAfter(p, "Minus stake:"), (std::vector<std::string>{"-96,00"}));
    EXPECT_EQ(LineAfter(p, "Result:"), (std::vector<std::string>{"-71,00"}));
    EXPECT_THAT(Texts(p), Contains("Stryktipset Round 28 2009"));
    EXPECT_EQ(doc.title, "Winning summary Stryktipset 2009-28");
}

TEST_F(WinningsReportTest, SignsGoInTheirColumnsAndAnUndecidedMatchPrintsDashAsAway) {
    WinningsReportInput in = Input(13);
    in.displayResult = "1X2-111111111";
    const PrintDocument doc = WinningSummaryDocument(in);
    const Page& p = doc.pages[0];
    // Column x of the three sign heads.
    double head[3] = {0, 0, 0};
    const std::string heads[3] = {"1", "X", "2"};
    for (const auto& c : p.commands)
        for (int s = 0; s < 3; ++s)
            if (c.kind == CommandKind::Text && c.text == heads[s] && c.font.size == 10 && head[s] == 0 && c.y < 2)
                head[s] = c.x;
    auto signOf = [&](int match) {
        double y = -1;
        for (const auto& c : p.commands)
            if (c.kind == CommandKind::Text && c.text.rfind(std::to_string(match) + ". ", 0) == 0) y = c.y;
        for (const auto& c : p.commands)
            if (c.kind == CommandKind::Text && c.y == y && c.font.bold) return std::make_pair(c.x, c.text);
        return std::make_pair(-1.0, std::string());
    };
    EXPECT_EQ(signOf(1), std::make_pair(head[0], std::string("1")));
    EXPECT_EQ(signOf(2), std::make_pair(head[1], std::string("X")));
    EXPECT_EQ(signOf(3), std::make_pair(head[2], std::string("2")));
    EXPECT_EQ(signOf(4), std::make_pair(head[2], std::string("-")));
}

TEST_F(WinningsReportTest, TwelveMatchesPrintNineToTwelveWithNineEmpty) {
    checking::WinningsTable table(12, "S");
    std::vector<int64_t> counts(13, 0);
    counts[9] = 7;
    counts[10] = 4;
    counts[11] = 2;
    counts[12] = 1;
    table.SetCounts(counts);
    ASSERT_TRUE(table.SetPayoutText(10, "12,50"));
    ASSERT_TRUE(table.SetPayoutText(12, "1 000,00"));
    WinningsReportInput in = Input(12);
    in.levels = SummaryLevels(12, counts, table);
    const PrintDocument doc = WinningSummaryDocument(in);
    const Page& p = doc.pages[0];
    // Level 9 does not pay: its rows are counted, its payout is nothing.
    EXPECT_EQ(LineAfter(p, "9 right:"), (std::vector<std::string>{"7", "0,00", "0,00"}));
    EXPECT_EQ(LineAfter(p, "10 right:"), (std::vector<std::string>{"4", "12,50", "50,00"}));
    EXPECT_EQ(LineAfter(p, "12 right:"), (std::vector<std::string>{"1", "1 000,00", "1 000,00"}));
    EXPECT_THAT(Texts(p), Not(Contains("13 right:")));
    EXPECT_EQ(LineAfter(p, "Sum:"), (std::vector<std::string>{"1 050,00"}));
}

TEST_F(WinningsReportTest, TitlesNameThePool) {
    WinningsReportInput in = Input(12);
    in.typ = "C";
    in.pool = "Tipping Lørdag";
    EXPECT_EQ(WinningSummaryTitle(in), "Winning summary Tipping Lørdag 2009-28");
    EXPECT_EQ(WinningRowsTitle(in), "Winning rows C 2009-28");
}

TEST_F(WinningsReportTest, RoundTextIsWeekThenYear) {
    EXPECT_EQ(ReportRoundText("2009-28", "2026"), "28 2009");
    EXPECT_EQ(ReportRoundText("-28", "2026"), "28 2026");
}

TEST_F(WinningsReportTest, WinningRowsFillTwoColumnsAndBreakPages) {
    WinningsReportInput in = Input(13);
    const PrintDocument headingsOnly = WinningRowsDocument(in);
    const Page& empty = headingsOnly.pages[0];
    // Headings only.
    EXPECT_EQ(Texts(empty),
              (std::vector<std::string>{"Winning rows", "Round 28 2009", "Winning rows", "Winning rows"}));

    for (int i = 0; i < 100; ++i) in.winningLines.push_back("10 matches in coupon 1, row " + std::to_string(i));
    const PrintDocument doc = WinningRowsDocument(in);
    ASSERT_GE(doc.pages.size(), 2u);
    size_t printed = 0;
    for (const auto& page : doc.pages)
        for (const auto& t : Texts(page))
            if (t.rfind("  10 matches", 0) == 0) ++printed;
    EXPECT_EQ(printed, 100u);
    // Lines 0 and 1 share a line, 0 in the left column.
    const auto& cmds = doc.pages[0].commands;
    auto find = [&](const std::string& t) {
        for (const auto& c : cmds)
            if (c.text == t) return c;
        return DrawCommand{};
    };
    const DrawCommand a = find("  10 matches in coupon 1, row 0"), b = find("  10 matches in coupon 1, row 1"),
                      c = find("  10 matches in coupon 1, row 2");
    EXPECT_EQ(a.y, b.y);
    EXPECT_LT(a.x, b.x);
    EXPECT_GT(c.y, a.y);
    EXPECT_EQ(c.x, a.x);
    for (const auto& page : doc.pages)
        for (const auto& cmd : page.commands)
            if (cmd.kind == CommandKind::Text) {
                EXPECT_LT(cmd.y, 10.5);
            }
}

}  // namespace
}  // namespace vinra::output
