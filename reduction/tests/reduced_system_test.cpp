#include "reduction/reduced_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "core/packed_row.h"
#include "core/signs.h"
#include "core/text.h"
#include "reduction/warranty.h"
#include "tests/temp_dir.h"

namespace vinra::reduction {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// The ternary Hamming code of length 4 as an R-system: 9 rows, 4 full guards.
const std::vector<std::string> kHamming = {"000111222", "012012012", "012120201", "021102210"};

// A coupon from frame entries ("0", "02", "012"), a choice of system, math
// guards ('M' per match) and U signs ('0'..'2' per match, '-' none).
SystemCoupon MakeCoupon(const std::vector<std::string>& frame, const std::string& system, const std::string& math = "",
                        const std::string& u = "") {
    SystemCoupon c(static_cast<int>(frame.size()));
    for (size_t i = 0; i < frame.size(); ++i)
        for (char s : frame[i]) c.ToggleMark(static_cast<int>(i), s - '0');
    c.ChooseSystem(system);
    for (size_t i = 0; i < math.size(); ++i)
        if (math[i] == 'M') c.ToggleMath(static_cast<int>(i));
    for (size_t i = 0; i < u.size(); ++i)
        if (u[i] != '-') c.ClickU(static_cast<int>(i), u[i] - '0');
    return c;
}

std::vector<std::string> Repeat(const std::string& entry, int times) { return std::vector<std::string>(times, entry); }

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void WriteRed(const fs::path& path, const std::string& text) { vinra::testing::WriteBytes(path, text); }

TEST(RedName, ReadsTypeAndGuards) {
    struct Case {
        const char* name;
        char type;
        int full, half;
        bool readable;
    };
    for (const Case& c : {
             Case{"R 4-0-9", 'R', 4, 0, true},
             Case{"U 3-3-24", 'U', 3, 3, true},
             Case{"R 4.0.9", 'R', 4, 0, true},
             Case{"R 0-7-16 extra text", 'R', 0, 7, true},
             Case{"R 2-1", 'R', 2, 1, true},  // the half count may end the name
             Case{"u 2-1-4", 'U', 2, 1, true},
             Case{"S 10-0-3645", 'S', 10, 0, true},
             Case{"R4-0-9", 'R', 0, 0, false},   // no blank
             Case{"R x-0-9", 'R', 0, 0, false},  // letters where numbers belong
             Case{"U 4", 'R', 0, 0, false},      // full count not ended
             Case{"U 4-x", 'R', 0, 0, false},
             Case{"R 99-0-9", 'R', 0, 0, false},  // more guards than matches exist
             Case{"", 'R', 0, 0, false},
         }) {
        SCOPED_TRACE(c.name);
        const RedName n = ParseRedName(c.name);
        EXPECT_EQ(n.readable, c.readable);
        EXPECT_EQ(n.type, c.type);
        EXPECT_EQ(n.full, c.full);
        EXPECT_EQ(n.half, c.half);
    }
    EXPECT_EQ(RedSystemName('U', 3, 3, 24), "U 3-3-24");
    EXPECT_EQ(ParseRedName(RedSystemName('R', 10, 0, 3645)).full, 10);
    // An 11-right system names its guarantee after the rows; the numbers read as before.
    EXPECT_EQ(RedSystemName('R', 8, 0, 81, 2), "R 8-0-81 N-2");
    const RedName two = ParseRedName("R 8-0-81 N-2");
    EXPECT_TRUE(two.readable);
    EXPECT_EQ(two.full, 8);
    EXPECT_EQ(two.half, 0);
    EXPECT_EQ(RedNameWrong("R 8-0-81 N-2"), 2);
    EXPECT_EQ(RedNameWrong("R 8-0-486"), 1);
    EXPECT_EQ(RedNameWrong("N-2"), 1);
}

TEST(RedFile, FitsLinesToTheRound) {
    const std::vector<std::string> lines = {"U1U", "012"};
    EXPECT_EQ(FitRedLines(lines, 4), (std::vector<std::string>{"UUU", "UUU", "U1U", "012"}));
    EXPECT_EQ(FitRedLines(lines, 2), lines);
    EXPECT_EQ(FitRedLines(lines, 1), (std::vector<std::string>{"012"}));
}

TEST(RedFile, ReadsCrLfFilesAndReportsMissingOnes) {
    TempDir dir;
    const fs::path p = dir.path() / "R 4-0-9.RED";
    WriteRed(p, core::JoinCrLf(kHamming) + "\r\n");  // a blank line at the end is harmless
    const RedSystem sys = ReadRedFile(p);
    EXPECT_EQ(sys.name, "R 4-0-9");
    EXPECT_EQ(sys.info.full, 4);
    EXPECT_EQ(sys.rows(), 9);
    EXPECT_EQ(sys.lines, kHamming);

    const fs::path missing = dir.path() / "R 5-0-27.RED";
    try {
        ReadRedFile(missing);
        FAIL() << "no error";
    } catch (const RedError& e) {
        EXPECT_EQ(e.message().number, 380);
        EXPECT_EQ(e.message().text, "File not found: " + missing.string());
    }
}

TEST(ApplySystem, SinglesKeepTheirSignInEveryRow) {
    // 4 lines of 9 rows on 13 matches: 9 lines of U go in front.
    const auto frame = Concat({"0", "1", "2", "0", "1", "2", "0", "1", "2"}, Repeat("012", 4));
    const auto c = MakeCoupon(frame, "R 4-0-9");
    ASSERT_TRUE(c.OkEnabled());
    const auto r = c.Apply(RedSystemFromLines("R 4-0-9", kHamming));
    ASSERT_EQ(r.rows.size(), 9u);
    for (size_t j = 0; j < 9; ++j) {
        EXPECT_EQ(r.rows[j].substr(0, 9), "012012012");
        for (int k = 0; k < 4; ++k) EXPECT_EQ(r.rows[j][9 + k], kHamming[k][j]);
    }
}

TEST(ApplySystem, LinesGoToTheGuardedMatchesInMatchOrder) {
    // Full guards at matches 1, 4, 8 and 13, half guard at 6, singles elsewhere.
    std::vector<std::string> frame = Repeat("1", 13);
    for (int i : {0, 3, 7, 12}) frame[i] = "012";
    frame[5] = "02";
    const std::vector<std::string> lines = {"U1U1U1U1U", kHamming[0], kHamming[1], kHamming[2], kHamming[3]};
    const auto c = MakeCoupon(frame, "R 4-1-9");
    ASSERT_TRUE(c.OkEnabled());
    const auto r = c.Apply(RedSystemFromLines("R 4-1-9", lines));
    ASSERT_EQ(r.columns.size(), 13u);
    EXPECT_EQ(r.columns[0], kHamming[0]);
    EXPECT_EQ(r.columns[3], kHamming[1]);
    EXPECT_EQ(r.columns[7], kHamming[2]);
    EXPECT_EQ(r.columns[12], kHamming[3]);
    EXPECT_EQ(r.columns[5], "020202020");  // U = first marked sign, the other character the last
    EXPECT_EQ(r.columns[1], "111111111");
}

TEST(ApplySystem, CharacterRulesOfUSystems) {
    // Full guard: codes relative to the U sign; '1' and '2' are the other two in order home, draw, away.
    struct FullCase {
        char u;
        const char* expect;  // signs for file codes 0, 1, 2
    };
    for (const FullCase& fc : {FullCase{'0', "012"}, FullCase{'1', "102"}, FullCase{'2', "201"}}) {
        SCOPED_TRACE(fc.u);
        const auto c = MakeCoupon({"0", "2", "012"}, "U 1-0-3", "", std::string("--") + fc.u);
        ASSERT_TRUE(c.OkEnabled());
        const auto r = c.Apply(RedSystemFromLines("U 1-0-3", {"012"}));
        EXPECT_EQ(r.columns[2], fc.expect);
    }
    // Half guard: 'U' is the U sign, any other character the other marked sign.
    struct HalfCase {
        const char* frame;
        char u;
        const char* expect;  // for the line "U1"
    };
    for (const HalfCase& hc :
         {HalfCase{"12", '2', "21"}, HalfCase{"12", '1', "12"}, HalfCase{"02", '0', "02"}, HalfCase{"02", '2', "20"}}) {
        SCOPED_TRACE(std::string(hc.frame) + hc.u);
        const auto c = MakeCoupon({"0", hc.frame}, "U 0-1-2", "", std::string("-") + hc.u);
        ASSERT_TRUE(c.OkEnabled());
        EXPECT_EQ(c.Apply(RedSystemFromLines("U 0-1-2", {"U1"})).columns[1], hc.expect);
    }
    // The same half line in an R-system: U = first marked sign, whatever the U marks.
    const auto r = MakeCoupon({"0", "12"}, "R 0-1-2");
    EXPECT_EQ(r.Apply(RedSystemFromLines("R 0-1-2", {"U1"})).columns[1], "12");
}

TEST(ApplySystem, MathematicalGuardsRepeatTheSystemInBlocks) {
    // One three-way math guard: 27 rows, home in rows 1-9, draw 10-18, away 19-27.
    {
        auto frame = Concat(Repeat("0", 8), {"012"});
        frame = Concat(frame, Repeat("012", 4));
        const auto c = MakeCoupon(frame, "R 4-0-9", "--------M");
        ASSERT_TRUE(c.OkEnabled());
        const auto r = c.Apply(RedSystemFromLines("R 4-0-9", kHamming));
        ASSERT_EQ(r.rows.size(), 27u);
        EXPECT_EQ(r.columns[8], std::string(9, '0') + std::string(9, '1') + std::string(9, '2'));
        for (size_t j = 0; j < 9; ++j) {
            EXPECT_EQ(r.rows[j].substr(9), r.rows[j + 9].substr(9));
            EXPECT_EQ(r.rows[j].substr(9), r.rows[j + 18].substr(9));
        }
    }
    // Two math guards (3 marks, then draw/away): 54 rows; the first changes every 18, the second every 9.
    {
        auto frame = Concat(Repeat("0", 7), {"012", "12"});
        frame = Concat(frame, Repeat("012", 4));
        const auto c = MakeCoupon(frame, "R 4-0-9", "-------MM");
        ASSERT_TRUE(c.OkEnabled());
        const auto r = c.Apply(RedSystemFromLines("R 4-0-9", kHamming));
        ASSERT_EQ(r.rows.size(), 54u);
        std::string first, second;
        for (char s : {'0', '1', '2'}) first += std::string(18, s);
        for (int k = 0; k < 3; ++k) second += std::string(9, '1') + std::string(9, '2');
        EXPECT_EQ(r.columns[7], first);
        EXPECT_EQ(r.columns[8], second);
        EXPECT_EQ(std::set<std::string>(r.rows.begin(), r.rows.end()).size(), 54u);
    }
}

TEST(ApplySystem, DuplicateColumnsGiveNoDuplicateRows) {
    // Rows 2 and 3 of the file are the same row.
    const RedSystem sys = RedSystemFromLines("R 2-0-4", {"0111", "0220"});
    const auto plain = MakeCoupon({"012", "012"}, "R 2-0-4").Apply(sys);
    EXPECT_EQ(plain.rows, (std::vector<std::string>{"00", "12", "10"}));
    const auto withMath = MakeCoupon({"012", "012", "02"}, "R 2-0-4", "--M").Apply(sys);
    EXPECT_EQ(withMath.rows.size(), 6u);
    EXPECT_EQ(std::set<std::string>(withMath.rows.begin(), withMath.rows.end()).size(), 6u);
}

TEST(ApplySystem, DamagedFilesAreRefusedAndChangeNothing) {
    struct Case {
        const char* name;
        const char* text;
        const char* says;
    };
    TempDir dir;
    core::TVinraFile doc;
    doc.NewSystem(3, false);
    doc.Grundrad = {"0", "012", "012"};
    doc.Rader = {"000", "011"};
    doc.Ja = {"00"};
    doc.JaMin = {"1"};
    doc.JaMax = {"2"};
    doc.Systemnamn = "before";
    const core::TVinraFile before = doc;
    for (const Case& c : {
             Case{"R 2-0-3", "012\r\n01\r\n", "line 2 has 2 characters"},
             Case{"R 2-0-3", "012\r\n0U2\r\n", "line 2 (a full guard) holds 'U'"},
             Case{"R 2-0-3", "012\r\n0X2\r\n", "holds 'X'"},
             Case{"R 1-1-3", "U12\r\n012\r\n", "holds both '1' and '2'"},
             Case{"R 1-0-3", "U1U\r\n012\r\n", "line 1 (a single match) holds '1'"},
             Case{"R 3-0-3", "012\r\n012\r\n", "its name promises 3"}, Case{"R 2-0-3", "", "holds no lines"},
             Case{"R 2-0-3", "\r\n012\r\n012\r\n", "first line is empty"},
             Case{"R 4-0-9", "000111222\r\n012012012\r\n012120201\r\n021102210\r\n", "the round has only 3"},
             Case{"R 2-0-3", "012\r\n01\t\r\n", "holds a control character"},
             Case{"Rx", "012\r\n012\r\n", "only U belongs there"},  // unreadable name: no guards
         }) {
        SCOPED_TRACE(c.text);
        const fs::path p = dir.path() / (std::string(c.name) + ".RED");
        WriteRed(p, c.text);
        const auto coupon = MakeCoupon({"0", "012", "012"}, c.name);
        try {
            ApplyRedFileToDocument(doc, coupon, p, false);
            ADD_FAILURE() << "accepted";
        } catch (const RedError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
        EXPECT_TRUE(doc == before);
        fs::remove(p);
    }
    // A missing file: message 380, nothing changed either.
    EXPECT_THROW(
        ApplyRedFileToDocument(doc, MakeCoupon({"0", "012", "012"}, "R 2-0-3"), dir.path() / "none.RED", false),
        RedError);
    EXPECT_TRUE(doc == before);
}

TEST(ApplySystem, RefusesACouponThatDoesNotFitTheSystem) {
    const RedSystem sys = RedSystemFromLines("U 1-0-3", {"012"});
    // Too many full guards, a match without signs, a missing U sign.
    EXPECT_THROW(MakeCoupon({"012", "012"}, "U 1-0-3", "", "01").Apply(sys), RedError);
    EXPECT_THROW(MakeCoupon({"", "012"}, "U 1-0-3", "", "-1").Apply(sys), RedError);
    EXPECT_THROW(MakeCoupon({"0", "012"}, "U 1-0-3").Apply(sys), RedError);
    EXPECT_NO_THROW(MakeCoupon({"0", "012"}, "U 1-0-3", "", "-1").Apply(sys));
}

TEST(SystemCoupon, CountsAndOkRule) {
    SystemCoupon c = MakeCoupon({"012", "012", "02", "1", "0"}, "U 2-1-9");
    CouponCounts n = c.Counts();
    EXPECT_EQ(n.totalFull, 2);
    EXPECT_EQ(n.totalHalf, 1);
    EXPECT_EQ(n.totalU, 3);
    EXPECT_EQ(n.leftFull, 0);
    EXPECT_EQ(n.leftHalf, 0);
    EXPECT_EQ(n.leftU, 3);
    EXPECT_FALSE(c.OkEnabled());
    EXPECT_EQ(c.Indicator(0), UIndicator::Arrow);
    EXPECT_EQ(c.Indicator(3), UIndicator::None);

    c.ClickU(0, 1);
    c.ClickU(1, 0);
    c.ClickU(2, 1);  // draw is not marked on match 3: no U mark
    EXPECT_EQ(c.match(2).uSign, -1);
    EXPECT_EQ(c.Counts().leftU, 1);
    c.ClickU(2, 2);
    EXPECT_EQ(c.Indicator(0), UIndicator::Tick);
    EXPECT_TRUE(c.OkEnabled());

    // A math guard gives its full guard back and takes the U mark away.
    c.ToggleMath(0);
    n = c.Counts();
    EXPECT_EQ(n.leftFull, 1);
    EXPECT_EQ(n.leftU, 1);
    EXPECT_EQ(c.Indicator(0), UIndicator::None);
    EXPECT_FALSE(c.OkEnabled());
    c.ToggleMath(0);
    EXPECT_EQ(c.Counts().leftFull, 0);

    // One full guard too many.
    c.ToggleMark(3, 0);
    c.ToggleMark(3, 2);
    EXPECT_EQ(c.Counts().leftFull, -1);
    EXPECT_EQ(SystemCoupon::LeftText(c.Counts().leftFull), "1 too many!");
    EXPECT_EQ(SystemCoupon::LeftText(2), "2");
    EXPECT_EQ(SystemCoupon::MatchLabel(7, "AIK", "IFK"), " 7. AIK - IFK");
    EXPECT_EQ(SystemCoupon::MatchLabel(13, "A", "B"), "13. A - B");

    // The U mark goes with its sign, and below two marks the math guard goes.
    c.ToggleMark(1, 2);  // 3 -> 2 marks: U on home stays
    EXPECT_EQ(c.match(1).uSign, 0);
    c.ToggleMark(1, 2);
    c.ToggleMark(1, 0);  // home unmarked: its U mark goes with it
    EXPECT_EQ(c.match(1).uSign, -1);
    c.ToggleMath(1);
    EXPECT_TRUE(c.match(1).math);
    c.ToggleMark(1, 2);
    EXPECT_FALSE(c.match(1).math);

    // A match without any sign blocks OK.
    SystemCoupon d = MakeCoupon({"012", ""}, "R 1-0-3");
    EXPECT_EQ(d.Counts().leftFull, 0);
    EXPECT_FALSE(d.OkEnabled());
    // No system chosen blocks OK.
    EXPECT_FALSE(MakeCoupon({"0"}, "").OkEnabled());
}

TEST(SystemCoupon, ChoosingASystemClearsWhatItCannotUse) {
    SystemCoupon c = MakeCoupon({"012", "02", "0"}, "U 1-1-9", "", "02");
    c.ToggleMath(2);  // a single cannot be a math guard
    EXPECT_FALSE(c.match(2).math);
    EXPECT_EQ(c.Counts().uMarks, 2);
    c.ChooseSystem("R 1-1-9");
    EXPECT_EQ(c.Counts().uMarks, 0);
    c.ClickU(0, 0);  // the U column is off in R-systems
    EXPECT_EQ(c.Counts().uMarks, 0);
    c.ToggleMath(0);
    EXPECT_TRUE(c.match(0).math);
    c.ChooseSystem("S 1-1-9");
    EXPECT_FALSE(c.match(0).math);
    const RedMessage m = c.ChooseSystem("My system");
    EXPECT_EQ(m.number, 382);
    EXPECT_EQ(m.text, "An error occured when calculating covers.");
    EXPECT_EQ(c.systemType(), 'R');
    EXPECT_EQ(c.Counts().totalFull, 0);
}

TEST(SystemCoupon, StoresTheResultAndSurvivesASaveInAPoolWithOtherLetters) {
    TempDir dir;
    const core::DisplaySigns saved = core::CurrentDisplaySigns();
    // The U row is kept in the pool's own characters and read back by position.
    const std::pair<core::DisplaySigns, std::array<const char*, 4>> pools[] = {
        {{"H", "U", "B"}, {"   ", "  B", " U ", "  B"}},
        {{"1", "X", "2"}, {"   ", "  2", " X ", "  2"}},
    };
    for (const auto& [signs, uRow] : pools) {
    SCOPED_TRACE(signs.home);
    core::SetCurrentDisplaySigns(signs);
    core::TVinraFile doc;
    doc.NewSystem(13, true);
    doc.MatchCount = 4;  // a new system has at least 8 matches; a short round keeps the test small
    doc.UseFlags.FromInteger(0xFF, 8);
    doc.URad = {"0,0,0,0"};
    doc.UMin = {"0"};
    doc.UMax = {"4"};
    doc.Nej = {"00"};
    doc.GarRad = {"01-02-00-00"};
    doc.GarAnt = {"3"};
    doc.AntalGarantiRader = 1;
    doc.Grundrad = {"0", "12", "012", "012"};

    SystemCoupon c(4);
    c.LoadFromDocument(doc);
    c.ChooseSystem("U 2-1-9");
    c.ClickU(1, 2);
    c.ClickU(2, 1);
    c.ClickU(3, 2);
    ASSERT_TRUE(c.OkEnabled());
    const std::vector<std::string> lines = {"UUU111UUU", "000111222", "012012012"};
    const auto result = c.Apply(RedSystemFromLines("U 2-1-9", lines));
    c.StoreInDocument(doc, result, false);

    EXPECT_EQ(doc.Rader, result.rows);
    EXPECT_EQ(doc.Grundrad, (std::vector<std::string>{"0  ", " 12", "012", "012"}));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(doc.URow[static_cast<size_t>(i)], uRow[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(doc.GetURow(), "*2X2");
    SystemCoupon unsaved(4);  // the coupon opened again before any save
    unsaved.LoadFromDocument(doc);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(unsaved.match(i).uSign, c.match(i).uSign) << i;
    EXPECT_EQ(doc.GetMatGard(), "----");
    EXPECT_EQ(doc.Systemnamn, "U 2-1-9");
    EXPECT_EQ(doc.SystemTyp, "R");
    EXPECT_TRUE(doc.GarRad.empty());
    EXPECT_EQ(doc.AntalGarantiRader, 0);
    EXPECT_TRUE(doc.URad.empty());
    EXPECT_TRUE(doc.Nej.empty());
    EXPECT_EQ(doc.UseFlags.ToInteger(), (1u << core::UseProcent) | (1u << core::UseChooseWin));
    for (const auto& row : doc.Rader)
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(core::EntryHas(doc.Grundrad[i], row[i])) << row;

    // Saved and opened again, the coupon comes back with the same U signs.
    const fs::path file = dir.path() / "sys.1x2";
    doc.SaveToFile(file);
    core::TVinraFile back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.GetURow(), "*2X2");
    SystemCoupon again(4);
    EXPECT_EQ(again.LoadFromDocument(back).number, 0);
    EXPECT_EQ(again.systemName(), "U 2-1-9");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(again.match(i).uSign, c.match(i).uSign) << i;
    EXPECT_TRUE(again.OkEnabled());
    }
    core::SetCurrentDisplaySigns(saved);
}

TEST(SystemCoupon, KeepsCombinationsWhenAskedAndMarksOwnSystems) {
    core::TVinraFile doc;
    doc.NewSystem(3, false);
    doc.Ja = {"00"};
    doc.JaMin = {"1"};
    doc.JaMax = {"2"};
    EXPECT_TRUE(SystemCoupon::HasCombinations(doc));
    SystemCoupon c = MakeCoupon({"0", "012", "012"}, "R 1-0-3", "-M");
    c.setOwnSystems(true);
    ASSERT_TRUE(c.OkEnabled());
    const auto r = c.Apply(RedSystemFromLines("R 1-0-3", {"012"}));
    EXPECT_EQ(r.rows.size(), 9u);
    c.StoreInDocument(doc, r, true);
    EXPECT_EQ(doc.Ja.size(), 1u);
    EXPECT_EQ(doc.SystemTyp, "G");
    EXPECT_EQ(doc.GetMatGard(), "-M-");
}

TEST(RedSystemsFolder, ListsTheRedFilesSorted) {
    TempDir dir;
    for (const char* f : {"R 5-0-27.RED", "R 4-0-9.red", "notes.txt"}) WriteRed(dir.path() / f, "0\r\n");
    fs::create_directory(dir.path() / "sub.RED");
    EXPECT_EQ(ListRedSystems(dir.path()), (std::vector<std::string>{"R 4-0-9", "R 5-0-27"}));
    EXPECT_TRUE(ListRedSystems(dir.path() / "absent").empty());
    EXPECT_EQ(OperatorSystemsFolder("../x").filename(), ".._x");
}

// Every shipped system, applied to a 13-match round, must leave no outcome of
// the frame with fewer than 12 right (11 for the systems named "... N-2").
// Checked through the warranty engine.
TEST(ShippedSystems, EveryGuaranteeHolds) {
    const fs::path root = fs::path(VINRA_SOURCE_DIR) / "resources" / "systems";
    ASSERT_TRUE(fs::is_directory(root));
    std::map<std::string, std::string> seen;  // file content -> first file holding it
    std::map<std::string, std::set<std::string>> namesPerOperator;
    int checked = 0;
    for (const auto& op : fs::directory_iterator(root)) {
        if (!op.is_directory()) continue;
        for (const std::string& name : ListRedSystems(op.path())) {
            namesPerOperator[op.path().filename().string()].insert(name);
            const fs::path file = op.path() / (name + ".RED");
            const std::string bytes = core::ReadFileBytes(file);
            if (!seen.emplace(bytes, file.string()).second) continue;
            SCOPED_TRACE(file.string());
            const RedSystem sys = ReadRedFile(file);
            ASSERT_TRUE(sys.info.readable);
            ASSERT_TRUE(sys.info.type == 'R' || sys.info.type == 'U');
            const int f = sys.info.full, h = sys.info.half, n = 13;
            const int wrong = RedNameWrong(name);
            ASSERT_LE(f + h, 13);
            ASSERT_EQ(static_cast<int>(sys.lines.size()), f + h);
            ASSERT_LE(sys.rows(), 6561);
            EXPECT_EQ(name, RedSystemName(sys.info.type, f, h, static_cast<size_t>(sys.rows()), wrong));

            // Guarded matches spread over the round; half guards on varying pairs, U signs varying.
            std::vector<std::string> frame(n);
            std::string u(n, '-');
            const char* pairs[] = {"01", "02", "12"};
            int placedF = 0, placedH = 0;
            for (int i = 0; i < n; ++i) {
                const int slot = (i * 5) % n;  // a fixed scatter of the positions
                if (placedF < f) {
                    frame[slot] = "012";
                    u[slot] = static_cast<char>('0' + (i % 3));
                    ++placedF;
                } else if (placedH < h) {
                    frame[slot] = pairs[i % 3];
                    u[slot] = frame[slot][i % 2];
                    ++placedH;
                } else {
                    frame[slot] = std::string(1, static_cast<char>('0' + (i % 3)));
                }
            }
            const auto coupon = MakeCoupon(frame, name, "", sys.info.type == 'U' ? u : "");
            ASSERT_TRUE(coupon.OkEnabled());
            const auto result = coupon.Apply(sys);
            EXPECT_EQ(result.rows.size(), static_cast<size_t>(sys.rows()));  // distinct rows

            std::vector<core::PackedRow> rows;
            for (const auto& r : result.rows) {
                for (int i = 0; i < n; ++i) ASSERT_TRUE(core::EntryHas(frame[i], r[i])) << r;
                rows.push_back(core::PackRow(r));
            }
            // Every row of the frame is an outcome.
            std::vector<core::PackedRow> outcomes{0};
            for (int i = 0; i < n; ++i) {
                std::vector<core::PackedRow> next;
                for (core::PackedRow o : outcomes)
                    for (char s : frame[i])
                        next.push_back(o | (static_cast<core::PackedRow>(s - '0') << core::PackedShift(i)));
                outcomes.swap(next);
            }
            std::sort(outcomes.begin(), outcomes.end());
            const WarrantyTable t = TallyWarranty(outcomes, rows, n, nullptr, nullptr);
            ASSERT_TRUE(t.complete);
            int64_t total = 0;
            for (size_t k = 0; k < t.keys.size(); ++k) {
                const std::string& key = t.keys[k];
                const int right = std::stoi(key.substr(0, key.find('-')));
                const std::string rest = key.substr(key.find('-') + 1);
                const int oneWrong = std::stoi(rest.substr(0, rest.find('-')));
                const std::string rest2 = rest.substr(rest.find('-') + 1);
                const int twoWrong = wrong == 2 ? std::stoi(rest2.substr(0, rest2.find('-'))) : 0;
                EXPECT_GE(right + oneWrong + twoWrong, 1)
                    << "class " << key << " has no row with " << 13 - wrong << " or more right";
                total += t.counts[k];
            }
            EXPECT_EQ(total, static_cast<int64_t>(outcomes.size()));
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
    // Every operator offers the same systems.
    for (const auto& [op, names] : namesPerOperator) EXPECT_EQ(names, namesPerOperator.begin()->second) << op;
    // Every size up to 10 guarded matches is there, as R- and U-system, at
    // 12 right; at 11 right 5 to 13 full guards, and 5 to 10 guarded matches
    // with half guards among them.
    const auto& names = namesPerOperator.begin()->second;
    auto has = [&](char type, int f, int h, int wrong) {
        for (const auto& nm : names) {
            const RedName info = ParseRedName(nm);
            if (info.type == type && info.full == f && info.half == h && RedNameWrong(nm) == wrong) return true;
        }
        return false;
    };
    for (char type : {'R', 'U'}) {
        for (int g = 1; g <= 10; ++g)
            for (int f = 0; f <= g; ++f) EXPECT_TRUE(has(type, f, g - f, 1)) << type << " " << f << "-" << g - f;
        for (int f = 5; f <= 13; ++f) EXPECT_TRUE(has(type, f, 0, 2)) << type << " " << f << "-0 N-2";
        for (int g = 5; g <= 10; ++g)
            for (int h = 1; h <= g; ++h) EXPECT_TRUE(has(type, g - h, h, 2)) << type << " " << g - h << "-" << h << " N-2";
    }
}

}  // namespace
}  // namespace vinra::reduction
