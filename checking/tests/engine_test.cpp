#include "checking/engine.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "checking/check_reference.h"
#include "reduction/conditions.h"

namespace vinra::checking {
namespace {

using ::testing::ElementsAre;

core::TVinraFile Doc(int n, std::vector<std::string> rows, std::string facit = {}) {
    core::TVinraFile doc;
    doc.Clear();
    doc.MatchCount = n;
    doc.Rader = std::move(rows);
    doc.Facit = std::move(facit);
    doc.HGoal.fill(-1);
    doc.AGoal.fill(-1);
    return doc;
}

const core::DisplaySigns kDefault{};
const core::DisplaySigns kHub{"H", "U", "B"};

TEST(FormatMessageTest, SubstitutesInOrderAndNeverReadsArgumentsAsFormats) {
    struct Case {
        std::string text;
        std::vector<std::string> args;
        std::string want;
    };
    const std::vector<Case> cases = {
        {"Coupon %d, row %d;", {"3", "7"}, "Coupon 3, row 7;"},
        {"%s: %s", {"a%d", "%s"}, "a%d: %s"},  // argument text is copied, not expanded
        {"100%% %s", {"x"}, "100% x"},
        {"%d and %d", {"1"}, "1 and "},      // a missing argument gives nothing
        {"%d", {"1", "2", "3"}, "1"},        // surplus arguments are dropped
        {"50% off %x%", {}, "50% off %x%"},  // other % sequences stay as they are
    };
    for (const auto& c : cases) {
        std::string out;
        if (c.args.size() == 0) out = FormatMessage(c.text, {});
        if (c.args.size() == 1) out = FormatMessage(c.text, {c.args[0]});
        if (c.args.size() == 2) out = FormatMessage(c.text, {c.args[0], c.args[1]});
        if (c.args.size() == 3) out = FormatMessage(c.text, {c.args[0], c.args[1], c.args[2]});
        EXPECT_EQ(out, c.want) << c.text;
    }
}

// The English defaults are the language table's texts, so a window that has no
// table yet shows the same protocol as one that has.
TEST(CheckMessagesTest, DefaultsAreTheEnglishTextsOfTheLanguageTable) {
    std::ifstream in(std::string(VINRA_SOURCE_DIR) + "/resources/messages.tsv", std::ios::binary);
    ASSERT_TRUE(in) << "language table missing";
    std::map<int, std::vector<std::string>> table;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cols;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cols.push_back(line.substr(start, tab - start));
        cols.push_back(line.substr(start));
        if (cols.size() >= 3 && !cols[0].empty() && std::isdigit(static_cast<unsigned char>(cols[0][0])))
            table[std::stoi(cols[0])] = cols;
    }
    const auto column = [&](size_t c) {
        return [&table, c](int n) { return table.count(n) && table[n].size() > c ? table[n][c] : std::string(); };
    };
    EXPECT_EQ(CheckMessages::FromTable(column(2)), CheckMessages{});
    const auto sv = CheckMessages::FromTable(column(1));
    EXPECT_NE(sv.couponRow, CheckMessages{}.couponRow);
    EXPECT_EQ(CheckMessages::FromTable([](int) { return std::string(); }), CheckMessages{});
}

TEST(ResultRowFromGoalsTest, SignPerMatchAndUnknownScoresUndecided) {
    auto doc = Doc(6, {});
    const int h[] = {2, 1, 0, -1, 3, 0};
    const int a[] = {0, 1, 3, 0, 2, -1};
    for (int m = 0; m < 6; ++m) {
        doc.HGoal[m] = h[m];
        doc.AGoal[m] = a[m];
    }
    EXPECT_EQ(ResultRowFromGoals(doc), "012-0-");
    EXPECT_EQ(doc.Facit, "012-0-");
}

TEST(GoalsToRowTest, GoalsNeededPerDifferingMatch) {
    std::array<int32_t, core::kMaxMatches> h{}, a{};
    h.fill(-1);
    a.fill(-1);
    auto set = [&](int m, int hg, int ag) { h[m] = hg, a[m] = ag; };
    set(0, 2, 0);
    set(1, 0, 0);
    set(2, 0, 2);
    set(3, 1, 0);
    // result display row: 1 X 2 1 - (match 5 undecided, goals unknown)
    const std::string result = "1X21-";
    struct Case {
        std::string row;
        int64_t want;
    };
    const std::vector<Case> cases = {
        {"1X21-", 0},  // identical
        {"XX21-", 2},  // draw wanted at 2-0: two goals
        {"1121-", 1},  // home wanted at 0-0: one goal
        {"1X11-", 3},  // home wanted at 0-2: three goals
        {"1X22-", 2},  // away wanted at 1-0: |1-0| + 1
        {"1X211", 1},  // undecided match differs: one
        {"2221X", 3 + 1 + 0 + 0 + 1},
        {"1X21", -1},  // lengths differ
    };
    for (const auto& c : cases) EXPECT_EQ(GoalsToRow(c.row, result, h, a, "X"), c.want) << c.row;
}

TEST(CheckRowsTest, DistributionHintsAndCouponPositions) {
    // 14 rows of 13 matches: the 12th (index 11) ends coupon 1, the 13th starts coupon 2.
    std::vector<std::string> rows;
    for (int i = 0; i < 14; ++i) rows.push_back(std::string(13, '0'));
    rows[11] = "0000000000111";  // 10 right
    rows[12] = "1111111111111";  // 0 right
    auto doc = Doc(13, rows, std::string(13, '0'));
    const auto r = CheckRows(doc, 12, kDefault);
    ASSERT_EQ(r.counts.size(), 14u);
    EXPECT_EQ(r.counts[13], 12);
    EXPECT_EQ(r.counts[10], 1);
    EXPECT_EQ(r.counts[0], 1);
    EXPECT_EQ(r.best, 13);
    EXPECT_EQ(r.hints[10], "Coupon 1, row 12;");
    EXPECT_EQ(r.hints[0], "Coupon 2, row 1;");
    EXPECT_EQ(r.hints[13].substr(0, 34), "Coupon 1, row 1;Coupon 1, row 2;Co");
    EXPECT_EQ(r.winningLines.size(), 13u);
    EXPECT_EQ(r.winningLines.front(), "10 right in coupon 1, row 12 (row 12)");
}

// A level's hint is a tooltip: it names the first rows and then says there
// are more, however many rows the level has.
TEST(CheckRowsTest, HintsNameAtMostTheirFirstRows) {
    std::vector<std::string> rows(5000, "000");
    auto doc = Doc(3, rows, "000");
    const auto r = CheckRows(doc, 12, kDefault);
    EXPECT_EQ(r.counts[3], 5000);
    const std::string& hint = r.hints[3];
    EXPECT_EQ(std::count(hint.begin(), hint.end(), ';'), kMaxHintRows);
    EXPECT_EQ(hint.substr(hint.size() - 4), kHintMore);
    EXPECT_NE(hint.find("Coupon 17, row 8;"), std::string::npos);  // row 200
    EXPECT_EQ(hint.find("Coupon 17, row 9;"), std::string::npos);
}

TEST(CheckRowsTest, CouponColumnsOutsideOneToSixteenCountAsTwelve) {
    std::vector<std::string> rows(30, "000");
    auto doc = Doc(3, rows, "000");
    const auto twelve = CheckRows(doc, 12, kDefault);
    for (int bad : {0, -4, 17, 1000}) EXPECT_EQ(CheckRows(doc, bad, kDefault).hints, twelve.hints) << bad;
    const auto five = CheckRows(doc, 5, kDefault);
    EXPECT_EQ(five.hints[3].substr(0, 64), "Coupon 1, row 1;Coupon 1, row 2;Coupon 1, row 3;Coupon 1, row 4;");
    EXPECT_NE(five.hints[3].find("Coupon 1, row 5;Coupon 2, row 1;"), std::string::npos);
    EXPECT_NE(CheckRows(doc, 1, kDefault).hints[3].find("Coupon 30, row 1;"), std::string::npos);
}

TEST(CheckRowsTest, WinningLinesFromTenRightSortedAsText) {
    // 13 matches: row 1 has 11 right, row 2 has 9 (no line), rows 3.. have 10 and 13.
    std::vector<std::string> rows = {"0000000000022", "0000000002222"};
    for (int i = 0; i < 20; ++i) rows.push_back(i == 19 ? std::string(13, '0') : "0000000000222");
    auto doc = Doc(13, rows, std::string(13, '0'));
    const auto r = CheckRows(doc, 12, kDefault);
    ASSERT_EQ(r.winningLines.size(), 21u);
    // 10 right first; within it coupon numbers and rows compare as text.
    EXPECT_EQ(r.winningLines[0], "10 right in coupon 1, row 10 (row 10)");
    EXPECT_EQ(r.winningLines[1], "10 right in coupon 1, row 11 (row 11)");
    EXPECT_EQ(r.winningLines[2], "10 right in coupon 1, row 12 (row 12)");
    EXPECT_EQ(r.winningLines[3], "10 right in coupon 1, row 3 (row 3)");
    EXPECT_EQ(r.winningLines[10], "10 right in coupon 2, row 1 (row 13)");
    EXPECT_EQ(r.winningLines[19], "11 right in coupon 1, row 1 (row 1)");
    EXPECT_EQ(r.winningLines[20], "13 right in coupon 2, row 10 (row 22)");
}

TEST(CheckRowsTest, UndecidedResultCountsEveryRowWrong) {
    auto doc = Doc(13, {"0000000000000", "1111111111111", "2222222222222"}, std::string(13, '-'));
    const auto r = CheckRows(doc, 12, kDefault);
    EXPECT_EQ(r.counts[0], 3);
    EXPECT_EQ(r.best, 0);
    EXPECT_TRUE(r.winningLines.empty());
    // every match undecided with unknown goals: 13 goals to every row
    EXPECT_THAT(r.bestKeys.ToStrings(), ElementsAre("13 \t 13 \t 0", "13 \t 13 \t 1", "13 \t 13 \t 2"));
}

TEST(CheckRowsTest, BestRowKeysLayoutAndTextOrder) {
    // 3 matches, result 1-0, 0-0, 2-0 -> internal "010".
    std::vector<std::string> rows(12, "222");
    rows[0] = "012";   // 1 wrong: match 3 away at 2-0 -> 3 goals
    rows[1] = "010";   // right
    rows[2] = "210";   // 1 wrong: match 1 away at 1-0 -> 2 goals
    rows[10] = "011";  // 1 wrong: draw at 2-0 -> 2 goals; index 10 sorts before 2 as text
    auto doc = Doc(3, rows, "010");
    doc.HGoal[0] = 1, doc.AGoal[0] = 0;
    doc.HGoal[1] = 0, doc.AGoal[1] = 0;
    doc.HGoal[2] = 2, doc.AGoal[2] = 0;
    const auto r = CheckRows(doc, 12, kDefault);
    ASSERT_GE(r.bestKeys.size(), 4u);
    EXPECT_EQ(r.bestKeys[0], "00 \t 0 \t 1");
    EXPECT_EQ(r.bestKeys[1], "01 \t 2 \t 10");
    EXPECT_EQ(r.bestKeys[2], "01 \t 2 \t 2");
    EXPECT_EQ(r.bestKeys[3], "01 \t 3 \t 0");
    EXPECT_EQ(RightOfBestKey(r.bestKeys[3], 3), 2);
    EXPECT_EQ(RowIndexOfBestKey(r.bestKeys[1]), 10);
    EXPECT_EQ(RowIndexOfBestKey("garbage"), -1);
}

TEST(CheckRowsTest, GoalsTextSortsAsTextTenBeforeTwo) {
    // Scores 10-0, 1-0, 0-0: result "001".
    auto doc = Doc(3, {"101", "021", "201", "001", "000"}, "001");
    doc.HGoal[0] = 10, doc.AGoal[0] = 0;
    doc.HGoal[1] = 1, doc.AGoal[1] = 0;
    doc.HGoal[2] = 0, doc.AGoal[2] = 0;
    const auto r = CheckRows(doc, 12, kDefault);
    // draw at 10-0 needs 10, away at 1-0 needs 2, away at 10-0 needs 11, home at 0-0 needs 1
    EXPECT_THAT(r.bestKeys.ToStrings(),
                ElementsAre("00 \t 0 \t 3", "01 \t 1 \t 4", "01 \t 10 \t 0", "01 \t 11 \t 2", "01 \t 2 \t 1"));
}

// The packed recount against the plain definition on random systems: rows of
// other lengths and with stray characters, undecided matches, unknown goals,
// odd coupon columns, and display strings of several kinds.
TEST(CheckRowsTest, PackedRecountMatchesPlainDefinition) {
    std::mt19937 rng(20261210);
    const std::vector<core::DisplaySigns> displays = {kDefault, kHub, {"1", "1", "2"}, {"H", "UU", "B"}};
    CheckMessages upper;
    upper.winningRow = "%d Right IN Coupon %d, Row %d (row %d)";
    for (int round = 0; round < 60; ++round) {
        const int n = 1 + static_cast<int>(rng() % 30);
        std::vector<std::string> rows;
        // Some systems of thousands of rows, so the indexes of the keys run to four digits.
        const int count = static_cast<int>(round % 10 == 3 ? 1000 + rng() % 2000 : rng() % 400);
        for (int i = 0; i < count; ++i) {
            std::string row;
            int len = n;
            if (rng() % 25 == 0) len = static_cast<int>(rng() % 32);
            for (int m = 0; m < len; ++m) row += "012"[rng() % 3];
            if (!row.empty() && rng() % 30 == 0) row[rng() % row.size()] = "-X7"[rng() % 3];
            rows.push_back(row);
        }
        std::string facit;
        for (int m = 0; m < n; ++m) facit += "012-"[rng() % 4];
        if (round % 7 == 0) facit.resize(rng() % (n + 1));
        auto doc = Doc(n, rows, facit);
        // Goals of football, of hundreds (thousands needed per row) and of damaged files.
        const uint32_t scoreLimit = round % 6 == 5 ? 2147483647u : (round % 6 == 4 ? 400u : 12u);
        for (int m = 0; m < n; ++m) {
            doc.HGoal[m] = rng() % 5 == 0 ? -1 : static_cast<int32_t>(rng() % scoreLimit);
            doc.AGoal[m] = rng() % 5 == 0 ? -1 : static_cast<int32_t>(rng() % scoreLimit);
        }
        const int cols = static_cast<int>(rng() % 20) - 1;
        const auto& signs = displays[static_cast<size_t>(round) % displays.size()];
        const auto& messages = round % 2 ? upper : CheckMessages{};
        const auto fast = CheckRows(doc, cols, signs, messages);
        const auto plain = reference::CheckRowsPlain(doc, cols, signs, messages);
        ASSERT_EQ(fast.counts, plain.counts) << round;
        ASSERT_EQ(fast.best, plain.best) << round;
        ASSERT_EQ(fast.hints, plain.hints) << round;
        ASSERT_EQ(fast.winningLines, plain.winningLines) << round;
        ASSERT_EQ(fast.bestKeys, plain.bestKeys) << round;
    }
}

// Rows the document keeps packed are counted from their words, by the one-off
// recount and by a kept checker alike; packed rows of another length than N
// are counted as text rows. Both against the plain definition.
TEST(CheckRowsTest, PackedDocumentRowsMatchPlainDefinition) {
    std::mt19937 rng(20261211);
    for (int round = 0; round < 24; ++round) {
        const int width = 3 + static_cast<int>(rng() % 28);
        const int n = width + static_cast<int>(round % 3) - 1;  // N one less, equal, one more
        std::vector<std::string> rows(1 + rng() % 300);
        for (auto& row : rows)
            for (int m = 0; m < width; ++m) row += "012"[rng() % 3];
        std::string facit;
        for (int m = 0; m < n; ++m) facit += "012-"[rng() % 4];
        auto doc = Doc(n, rows, facit);
        ASSERT_TRUE(doc.Rader.IsPacked());
        for (int m = 0; m < n; ++m) {
            doc.HGoal[m] = static_cast<int32_t>(rng() % 6) - 1;
            doc.AGoal[m] = static_cast<int32_t>(rng() % 6) - 1;
        }
        const auto plain = reference::CheckRowsPlain(doc, 12, kDefault, {});
        const auto once = CheckRows(doc, 12, kDefault);
        const auto kept = RowChecker(doc.Rader, n).Check(doc.Facit, doc.HGoal, doc.AGoal, 12, kDefault);
        for (const auto* fast : {&once, &kept}) {
            ASSERT_EQ(fast->counts, plain.counts) << round;
            ASSERT_EQ(fast->best, plain.best) << round;
            ASSERT_EQ(fast->hints, plain.hints) << round;
            ASSERT_EQ(fast->winningLines, plain.winningLines) << round;
            ASSERT_EQ(fast->bestKeys, plain.bestKeys) << round;
        }
    }
}

TEST(SignStatisticsTest, CountsAndLongestRuns) {
    const auto st = SignCounts("0010002", 7, kHub);
    EXPECT_EQ(st.count, (std::array<int, 3>{5, 1, 1}));
    EXPECT_EQ(st.longestRun, (std::array<int, 3>{3, 1, 1}));
    EXPECT_EQ(st.countLines[0], "Num H: 5");
    EXPECT_EQ(st.runLines[1], "U in a row: 1");
    const auto undecided = SignCounts("-------", 7, kDefault);
    EXPECT_EQ(undecided.count, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(undecided.longestRun, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(LongestRun("2222", 4, 2), 4);
    EXPECT_EQ(LongestRun("2222", 3, 2), 3);  // only the first N matches count
}

// ---------------------------------------------------------------------------
// Conditions protocol

core::TVinraFile ProtocolDoc(uint32_t flags) {
    auto doc = Doc(13, {});
    doc.UseFlags.FromInteger(flags, 8);
    return doc;
}

const std::string S(67, '=');

TEST(ProtocolTest, NoFlagGivesOneSeparatorAndNoVerdict) {
    const auto p = WinningRowConditions(ProtocolDoc(0), "0000000000000", kDefault);
    EXPECT_THAT(p.lines, ElementsAre(S));
    EXPECT_FALSE(p.verdict.has_value());
}

TEST(ProtocolTest, OnlyNoCombinationsWithoutAny) {
    const auto p = WinningRowConditions(ProtocolDoc(1u << core::UseNejKomb), "0000000000000", kDefault);
    EXPECT_THAT(p.lines, ElementsAre(S, S, "No-combinations:   OK", S, "[No No-combiantions specified]", S));
    EXPECT_EQ(p.verdict, true);
}

// The "in a row" bound reads the same in the protocol as in the generation,
// also for the negative bound of a damaged file: a winning row the generation
// could not have kept is never reported as holding the condition.
TEST(ProtocolTest, RunBoundAgreesWithTheGeneration) {
    const char* rows[] = {"0000000000000", "1111111111111", "0011001100110", "0101010101010"};
    for (int bound : {-3, -1, 0, 1, 2, 12, 13, 20}) {
        auto doc = ProtocolDoc(1u << core::UseMaxMin);
        doc.Max = {13, 13, 13};
        doc.Min = {0, 0, 0};
        doc.Ord = {bound, 13, 13};
        const auto conditions = reduction::FromDocument(doc);
        for (const char* row : rows) {
            const auto p = WinningRowConditions(doc, row, kDefault);
            const bool kept = reduction::PassesSignCounts(row, conditions);
            const std::string line = "   Max " + std::to_string(bound) + " home wins in a row => ";
            EXPECT_NE(std::find(p.lines.begin(), p.lines.end(), line + (kept ? "OK" : "Wrong!")), p.lines.end())
                << "bound " << bound << ", row " << row;
            if (bound < 0) {
                EXPECT_FALSE(kept) << row;
            }
        }
    }
}

TEST(ProtocolTest, EveryReportedSectionWithItsExactLines) {
    // Flags 0, 2, 3, 4, 7 plus 1, 5 and 6, which are never reported.
    auto doc = ProtocolDoc(255);
    doc.URad = {"0,0,0,1,1,1,2,2,2,012,*,*,*", "2,2,2,2,2,2,2,2,2,2,2,2,2"};
    doc.UMin = {"7", "0"};
    doc.UMax = {"9", "1"};
    doc.Max = {5, 13, 13};
    doc.Ord = {2, 13, 13};
    doc.Min = {0, 1, 0};
    doc.Ja = {"00", "0?22", "00!11"};
    doc.JaMin = {"1", "0", "0"};
    doc.JaMax = {"2", "0", "0"};
    doc.Nej = {"222", "*************"};
    doc.UserPercent[0] = {40, 30, 30};
    doc.UserPercent[1] = {10, 20, 70};
    doc.WinMin = 0;
    doc.WinMax = 60;
    // Result: H H H U U B B B B H U - -
    const std::string row = "00011222201--";
    const auto p = WinningRowConditions(doc, row, kHub);
    const std::vector<std::string> want = {
        S,
        "S-rows:   Wrong!",
        S,
        "   H,H,H,U,U,U,B,B,B,HUB,*,*,*: 7 to 9 right. Res: 9 right => OK",
        "   B,B,B,B,B,B,B,B,B,B,B,B,B: 0 to 1 right. Res: 4 right => Wrong!",
        S,
        "Max-Min-In a row:   Wrong!",
        S,
        "   Max 5 home wins per row => OK",
        "   Max 13 draws per row => OK",
        "   Max 13 away wins per row => OK",
        "   Max 2 home wins in a row => Wrong!",
        "   Max 13 draws in a row => OK",
        "   Max 13 away wins in a row => OK",
        "   At least 0 home wins per row => OK",
        "   At least 1 draws per row => OK",
        "   At least 0 away wins per row => OK",
        S,
        "Yes-combinations:   Wrong!",
        S,
        "   HH: 1 to 2 times/row => OK",
        "   H?BB => OK",
        "   HH!UU => Wrong!",
        S,
        "No-combinations:   Wrong!",
        S,
        "   BBB => Wrong!",
        "   ************* => Wrong!",
        S,
        "Sum of percent in winning row",
        S,
        "   Row: HHHUUBBBBHU--, Sum: 50, Min: 0, Max: 60 => OK",
        S,
    };
    EXPECT_EQ(p.lines, want);
    EXPECT_EQ(p.verdict, false);
}

TEST(ProtocolTest, WinLevelAloneDecidesTheVerdict) {
    auto doc = ProtocolDoc(1u << core::UseChooseWin);
    doc.UserPercent[0] = {40, 30, 30};
    doc.WinMin = 41;
    doc.WinMax = 100;
    const auto p = WinningRowConditions(doc, "0------------", kDefault);
    EXPECT_THAT(p.lines, ElementsAre(S, "Sum of percent in winning row", S,
                                     "   Row: 1------------, Sum: 40, Min: 41, Max: 100 => Wrong!", S));
    EXPECT_EQ(p.verdict, false);
}

TEST(ProtocolTest, EmptyListsPassAndTranslatedTextsAreUsed) {
    CheckMessages sv;
    sv.ok = "Rätt";
    sv.sRowsHeader = "U-rader:";
    sv.noSRows = "[Inga U-rader]";
    sv.yesHeader = "Ja-kombinationer:";
    sv.noYes = "[Inga ja-kombinationer]";
    const auto p = WinningRowConditions(ProtocolDoc((1u << core::UseURad) | (1u << core::UseJaKomb)),
                                        std::string(13, '1'), kDefault, sv);
    EXPECT_THAT(p.lines, ElementsAre(S, "U-rader:   Rätt", S, "[Inga U-rader]", S, "Ja-kombinationer:   Rätt", S,
                                     "[Inga ja-kombinationer]"));
    EXPECT_EQ(p.verdict, true);
}

TEST(PeoplePercentTest, TextsAndSumOfTheResultRow) {
    struct Case {
        std::string text;
        int32_t want;
    };
    for (const auto& c : std::vector<Case>{{"045", 45},
                                           {"05", 5},
                                           {"100", 100},
                                           {"0", 0},
                                           {"", 0},
                                           {"abc", 0},
                                           {"12%", 12},
                                           {"0,5", 5},
                                           {"99999999999", 0}})
        EXPECT_EQ(PeoplePercentFromText(c.text), c.want) << c.text;
    PercentTable people{};
    people[0] = {45, 30, 25};
    people[1] = {10, 20, 70};
    people[2] = {33, 33, 34};
    EXPECT_EQ(PeoplePercentSum("02-", people), 45 + 70);
    EXPECT_EQ(PeoplePercentLine("02-", people), "Sum of percent in winning row: 115");
}

}  // namespace
}  // namespace vinra::checking
