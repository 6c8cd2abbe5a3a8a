#include <gtest/gtest.h>

#include <array>
#include <random>
#include <utility>

#include "core/messages.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/system_file.h"
#include "core/text.h"
#include "tests/temp_dir.h"

using namespace vinra::core;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

namespace {

std::string Crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += "\r\n";
        else out += c;
    }
    return out;
}

// A document with every field away from its default.
TVinraFile FullDocument(int rows) {
    TVinraFile d;
    d.NewSystem(13, true);
    d.Omg = "2014-07";
    d.OmgID = 4301;
    d.Country = "Svenska Spel";
    d.Pool = "Stryktipset";
    d.Typ = "S";
    d.SystemTyp = "R";
    d.Printed = true;
    d.Facit = "012-012-012-0";
    d.Comment = "H\xC3\xA4mmarby \xC3\xA5 \xC3\xA4 \xC3\xB6\r\nsecond line\r\n";
    d.SalvikLink = "http://example.invalid/live?id=7";
    d.UseFlags.FromInteger(0xC3, 8);
    d.RadDiff = 3;
    d.FirstRow = "0000000000000";
    d.FilterToRader = 250;
    d.ProcMin = 0.5;
    d.ProcMax = 12.25;
    d.Max = {9, 5, 4};
    d.Ord = {4, 3, 2};
    d.Min = {2, 1, 0};
    d.Ja = {"00", "0?22", "00!22!11"};
    d.JaMin = {"1", "0", "0"};
    d.JaMax = {"2", "0", "0"};
    d.Nej = {"222", "*0***********"};
    for (int s = 0; s < 3; ++s)
        for (int i = 0; i < 30; ++i) d.Proc[s][i] = std::to_string(10 * s + i % 7);
    d.URad = {"0,0,0,1,1,1,2,2,2,012,*,*,*"};
    d.UMin = {"7"};
    d.UMax = {"9"};
    for (int m = 0; m < 13; ++m)
        for (int c = 0; c < 3; ++c) d.UserPercent[m][c] = 10 * m + c;
    d.WinMin = 100;
    d.WinMax = 900;
    d.Grundrad = {"0", "012", "0 2", " 1 ", "01", "012", "012", "012", "012", "012", "012", "012", "12"};
    std::mt19937 rng(7);
    std::set<std::string> seen;
    while (static_cast<int>(d.Rader.size()) < rows) {
        std::string r(13, '0');
        for (auto& c : r) c = static_cast<char>('0' + rng() % 3);
        if (seen.insert(r).second) d.Rader.push_back(r);
    }
    d.GarRad = {"01-0-03-11", "0-01-02-05"};
    d.GarAnt = {"17", "4"};
    d.AntalGarantiRader = 2;
    d.AntalRader = 21;
    d.Gar = {"80,00 % chans of at least 1 row(s) with 13 matches.",
             "100,00 % chans of at least 1 row(s) with 12 matches."};
    d.Systemnamn = "R 4-4-144";
    d.SetMatGard("MM-M---------");
    d.SetURow("1X2**********");
    d.LogRows = {"<tr><td>1-0</td></tr>", "", "<tr><td>1-1</td></tr>"};
    for (int m = 0; m < 13; ++m) {
        d.HGoal[m] = m % 4;
        d.AGoal[m] = m % 3 - 1;
        d.End[m] = m % 2 == 0;
    }
    return d;
}

}  // namespace

TEST(SystemDocument, ClearAndNewSystem) {
    TVinraFile d;
    d.MatchCount = 5;
    d.Omg = "2001-01";
    d.UserPercent[0][0] = 77;
    d.Clear();
    EXPECT_EQ(d.MatchCount, 13);
    EXPECT_EQ(d.WinMax, 13000);
    EXPECT_EQ(d.Omg, "2001-01");         // kept
    EXPECT_EQ(d.UserPercent[0][0], 77);  // kept
    EXPECT_EQ(d.UseFlags.ToInteger(), 189u);
    EXPECT_EQ(d.ProcMax, 100.0);
    EXPECT_EQ(d.Max, (std::array<int32_t, 3>{13, 13, 13}));
    EXPECT_EQ(d.Proc[1].size(), 30u);
    EXPECT_EQ(d.AntalRader, 1);
    for (int m = 0; m < 13; ++m) EXPECT_EQ(d.HGoal[m], -1);

    d.NewSystem(12, true);
    EXPECT_EQ(d.MatchCount, 12);
    EXPECT_EQ(d.Grundrad, std::vector<std::string>(12, "012"));
    EXPECT_EQ(d.SystemTyp, "E");
    EXPECT_EQ(d.Version, "7.51");
    d.NewSystem(5, false);
    EXPECT_EQ(d.MatchCount, 13);
    EXPECT_EQ(d.Grundrad, std::vector<std::string>(13, ""));
}

TEST(SystemDocument, MatGardURowAndFlags) {
    TVinraFile d;
    d.NewSystem(13, false);
    d.SetMatGard("MMMMMMMMMMMMM");
    d.SetMatGard("M-M");
    EXPECT_EQ(d.GetMatGard(), "M-MMMMMMMMMMM");
    d.MatchCount = 3;
    d.URow[0] = "  2";
    d.URow[1] = "   ";
    d.URow[2] = " X ";
    EXPECT_EQ(d.GetURow(), "2*X");
    // The pool's own characters (Norway: H, U, B) are read by their position;
    // an entry of another shape by the characters 1, X, 2 it holds.
    const std::pair<std::array<const char*, 3>, const char*> rows[] = {
        {{"H  ", " U ", "  B"}, "1X2"},
        {{"  H", "U  ", "   "}, "21*"},
        {{"X", "", "1 2"}, "X*2"},
    };
    for (const auto& [entries, want] : rows) {
        for (size_t i = 0; i < 3; ++i) d.URow[i] = entries[i];
        EXPECT_EQ(d.GetURow(), want);
    }
    d.SetURow("1x2extra");
    EXPECT_EQ(d.URow[0], "1  ");
    EXPECT_EQ(d.URow[1], " X ");
    EXPECT_EQ(d.URow[2], "  2");

    TBooleanList flags;
    flags.FromInteger(189, 8);
    EXPECT_EQ(flags.ToInteger(), 189u);
    EXPECT_TRUE(flags.Get(0));
    EXPECT_FALSE(flags.Get(1));
    flags.FromInteger(0, 8);
    EXPECT_EQ(flags.Count(), 8);
    EXPECT_EQ(flags.ToInteger(), 0u);
    try {
        flags.Put(8, true);
        FAIL() << "no error for a bad index";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (8)");
    }
}

TEST(SystemFile, RoundTripKeepsEveryField) {
    TempDir dir;
    const auto path = dir.path() / "full.1x2";
    const TVinraFile written = FullDocument(3000);
    written.SaveToFile(path);
    TVinraFile read;
    read.LoadFromFile(path);
    // Reading trims values (" 1 " reads as "1") and takes N percentages a sign.
    TVinraFile expected = written;
    expected.Grundrad[3] = "1";
    for (auto& list : expected.Proc) list.resize(13);
    EXPECT_EQ(read.Grundrad, expected.Grundrad);
    EXPECT_EQ(read.Proc, expected.Proc);
    EXPECT_EQ(read.Rader, expected.Rader);
    EXPECT_EQ(read.Comment, expected.Comment);
    EXPECT_EQ(read.LogRows, expected.LogRows);
    EXPECT_EQ(read, expected);

    // Windows-1252 and CR LF on disk; line breaks of the comment as *13*.
    const std::string bytes = ReadBytes(path);
    EXPECT_NE(bytes.find("Comment=H\xE4mmarby \xE5 \xE4 \xF6*13*second line*13*\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_GT(i, 0u);
            ASSERT_EQ(bytes[i - 1], '\r');
        }
    }
}

TEST(SystemFile, WritesTheKeysInTheirOrder) {
    TVinraFile d;
    d.NewSystem(3, false);
    d.MatchCount = 3;
    d.Clear();
    d.MatchCount = 3;
    d.Omg = "2014-07";
    d.OmgID = 4301;
    d.Country = "Svenska Spel";
    d.Pool = "Stryktipset";
    d.Typ = "S";
    d.SystemTyp = "E";
    d.Program = "Vinra 2000";
    d.Version = "7.51";
    d.Comment = "first line\r\nsecond line";
    d.Grundrad = {"0", "12", "012"};
    d.Rader = {"012", "021"};
    d.Nej = {"22"};
    d.Ja = {"00"};
    d.JaMin = {"1"};
    d.JaMax = {"2"};
    for (auto& l : d.Proc) l.assign(2, "1");
    d.Max = d.Ord = {3, 3, 3};
    d.WinMax = 3000;
    const std::string text = SystemFileText(d);
    const std::string expected = Crlf(
        "[Info]\nOmg=2014-07\nOmgID=4301\nCountry=Svenska Spel\nPool=Stryktipset\nTyp=S\nSystemTyp=E\n"
        "Program=Vinra 2000\nVersion=7.51\nPrinted=0\nFacit=\nSalvikLink=\nComment=first line*13*second line\n\n"
        "[Villkor]\nRadDiff=2\nFirstRow=\nUseSettings=189\nProcMin=0\nProcMax=100\nFilterToRader=100\nNej0=22\n"
        "Ja0=00\nJaMax0=2\nJaMin0=1\nMax0=3\nOrd0=3\nMin0=0\nMax1=3\nOrd1=3\nMin1=0\nMax2=3\nOrd2=3\nMin2=0\n"
        "Proc0_0=1\nProc1_0=1\nProc0_1=1\nProc1_1=1\nProc0_2=1\nProc1_2=1\nWinMin=0\nWinMax=3000\n"
        "UserPercent1_1=0\nUserPercent1_2=0\nUserPercent1_3=0\nUserPercent2_1=0\nUserPercent2_2=0\n"
        "UserPercent2_3=0\nUserPercent3_1=0\nUserPercent3_2=0\nUserPercent3_3=0\n\n"
        "[Rader]\nRad1=00\nRad2=12\nRad3=21\n\n"
        "[Grundrad]\nRad0=0\nRad1=12\nRad2=012\n\n"
        "[Garanti]\nAntalGarantiRader=0\nAntalRader=1\n\n"
        "[Systemkupong]\nSystemnamn=\nU-Rad=***\nMatGard=---\n\n"
        "[LogResult]\nHGoal1=-1\nAGoal1=-1\nEnd1=0\nHGoal2=-1\nAGoal2=-1\nEnd2=0\nHGoal3=-1\nAGoal3=-1\nEnd3=0\n\n");
    EXPECT_EQ(text, expected);
}

TEST(SystemFile, ReadsTheOldLayout) {
    TempDir dir;
    const auto path = dir.path() / "old.1x2";
    // Version 5.20: eight flag keys instead of UseSettings; no SalvikLink.
    WriteBytes(path, Crlf("[Info]\nOmg=2005-10\nOmgID=0\nPool=Stryktipset\nTyp=S\nVersion=5.20\nSalvikLink=ignored\n"
                          "Comment=Gammalt system \xE5\xE4\xF6\n"
                          "[Villkor]\nUseMaxMin=1\nUseRadDiff=1\nUseURad=0\nUseJaKomb=1\nUseNejKomb=0\n"
                          "UseProcent=1\nUseFilterTo=1\nUseChooseWin=0\nRadDiff=3\n"
                          "[Rader]\nRad1=01\nRad2=00\nRad3=22\n"
                          "[Grundrad]\nRad0=01\nRad1=0\nRad2=2\n"));
    TVinraFile d;
    d.NewSystem(13, false);
    d.SalvikLink = "kept";
    d.LoadFromFile(path);
    EXPECT_EQ(d.MatchCount, 3);
    EXPECT_EQ(d.UseFlags.ToInteger(), 0b01101011u);
    EXPECT_EQ(d.SalvikLink, "kept");
    EXPECT_EQ(d.Comment, "Gammalt system \xC3\xA5\xC3\xA4\xC3\xB6");
    EXPECT_EQ(d.Rader, (std::vector<std::string>{"002", "102"}));
    EXPECT_EQ(d.Version, "5.20");

    // Without any flag key the first six conditions are on, the last two off.
    WriteBytes(path, Crlf("[Info]\nVersion=5.00\n[Grundrad]\nRad0=0\n"));
    d.LoadFromFile(path);
    EXPECT_EQ(d.UseFlags.ToInteger(), 63u);
    // No Version at all reads the old layout too, and 10.00 compares below 6.00 as text.
    WriteBytes(path, Crlf("[Info]\nOmg=2009-01\n[Villkor]\nUseSettings=0\n[Grundrad]\nRad0=0\n"));
    d.LoadFromFile(path);
    EXPECT_EQ(d.UseFlags.ToInteger(), 63u);
    WriteBytes(path, Crlf("[Info]\nVersion=10.00\n[Villkor]\nUseSettings=0\n[Grundrad]\nRad0=0\n"));
    d.LoadFromFile(path);
    EXPECT_EQ(d.UseFlags.ToInteger(), 63u);

    // Saving an old file writes the current version and UseSettings; reading back keeps the flags.
    WriteBytes(path, Crlf("[Info]\nVersion=5.20\n[Villkor]\nUseMaxMin=0\nUseURad=1\n[Grundrad]\nRad0=0\nRad1=1\n"));
    d.LoadFromFile(path);
    const uint32_t flags = d.UseFlags.ToInteger();
    d.SaveToFile(path);
    EXPECT_NE(ReadBytes(path).find("Version=7.51\r\n"), std::string::npos);
    EXPECT_NE(ReadBytes(path).find("UseSettings=" + std::to_string(flags) + "\r\n"), std::string::npos);
    TVinraFile again;
    again.LoadFromFile(path);
    EXPECT_EQ(again.UseFlags.ToInteger(), flags);
}

TEST(SystemFile, OldLayoutAsksTheDatabaseForAMissingDrawNumber) {
    TempDir dir;
    const auto path = dir.path() / "old.1x2";
    WriteBytes(path, Crlf("[Info]\nOmg=2005-10\nTyp=I\nVersion=5.00\n[Grundrad]\nRad0=0\n"));
    SetDrawNumberResolver(
        [](std::string_view typ, std::string_view omg) { return typ == "I" && omg == "2005-10" ? 812 : 0; });
    TVinraFile d;
    d.LoadFromFile(path);
    SetDrawNumberResolver(nullptr);
    EXPECT_EQ(d.OmgID, 812);
}

TEST(SystemFile, ReadingRules) {
    TempDir dir;
    const auto path = dir.path() / "rules.1x2";
    std::string frame;
    for (int k = 0; k < 13; ++k) frame += "Rad" + std::to_string(k) + "=012\n";
    std::string rows;
    for (int j = 1; j <= 13; ++j)
        if (j != 8) rows += "Rad" + std::to_string(j) + "=01\n";
    WriteBytes(
        path,
        Crlf("[Info]\nVersion=7.51\n"
             "[Villkor]\nUseSettings=0\nNej0=22\nNej1=\nNej2=11\n"
             "Ja0=00\nJaMax0=2\nJaMin0=1\nJa1=11\nJaMax1=3\nJa2=22\nJaMin2=0\nJaMax2=1\n"
             "URad0=0,1\nUMin0=1\n"
             "Proc0_0=10\nProc1_0=20\nProc3_0=40\nProc0_1=5\n"
             "FirstRow=012\n"
             "[Rader]\n" +
             rows + "[Grundrad]\n" + frame +
             "[Garanti]\nAntalGarantiRader=3\nRad0=01-0-0-0\nAnt0=5\nRad1=0-01-0-0\nRad2=x\nAnt2=1\nGar0=a\nGar2=c\n"
             "[LogResult]\nRow0=first\nRow1=\nRow3=fourth\n"));
    TVinraFile d;
    d.NewSystem(13, false);
    d.Max = {7, 7, 7};
    d.LoadFromFile(path);
    EXPECT_EQ(d.MatchCount, 13);
    EXPECT_TRUE(d.Rader.empty());                      // column 8 is missing
    EXPECT_EQ(d.Nej, std::vector<std::string>{"22"});  // an empty value ends the list
    EXPECT_EQ(d.Ja, std::vector<std::string>{"00"});   // Ja1 lacks JaMin1: dropped, ends the list
    EXPECT_EQ(d.JaMin, std::vector<std::string>{"1"});
    EXPECT_EQ(d.JaMax, std::vector<std::string>{"2"});
    EXPECT_TRUE(d.URad.empty());
    EXPECT_EQ(d.Proc[0], (std::vector<std::string>{"10", "20"}));
    EXPECT_EQ(d.Proc[1], std::vector<std::string>{"5"});
    EXPECT_TRUE(d.Proc[2].empty());
    EXPECT_EQ(d.Max, (std::array<int32_t, 3>{7, 7, 7}));  // absent keys leave the values
    EXPECT_EQ(d.FirstRow, "");                            // not a row of 13 signs
    EXPECT_EQ(d.WinMax, 13000);
    EXPECT_EQ(d.GarRad, std::vector<std::string>{"01-0-0-0"});  // Rad1 lacks Ant1
    EXPECT_EQ(d.Gar, std::vector<std::string>{"a"});
    EXPECT_EQ(d.LogRows, (std::vector<std::string>{"first", ""}));
    EXPECT_EQ(d.ProcMax, 10000.0);
}

TEST(SystemFile, UnmarkedMatchSurvivesSaveAndRead) {
    TempDir dir;
    const auto path = dir.path() / "gap.1x2";
    TVinraFile d;
    d.NewSystem(13, true);
    d.Grundrad[4] = "";
    d.Grundrad[7] = "   ";
    d.SaveToFile(path);
    TVinraFile back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.MatchCount, 13);
    EXPECT_EQ(back.Grundrad[4], "");
    EXPECT_EQ(back.Grundrad[7], "");
    EXPECT_EQ(back.Grundrad[12], "012");
}

TEST(SystemFile, RowsWithoutFrameKeysAreKept) {
    TempDir dir;
    const auto path = dir.path() / "noframe.1x2";
    struct Case {
        const char* name;
        int columns;
        std::string grundrad;
        int n;
        size_t rows;
    };
    const Case cases[] = {
        {"no frame keys: the columns give N", 13, "", 13, 2},
        {"eight columns of an eight-match pool", 8, "", 8, 2},
        {"an empty frame section", 13, "[Grundrad]\n", 13, 2},
        {"frame keys present still rule", 13, "[Grundrad]\nRad0=0\nRad1=1\n", 2, 2},
        {"neither frame nor rows", 0, "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string rows = c.columns ? "[Rader]\n" : "";
        for (int j = 1; j <= c.columns; ++j) rows += "Rad" + std::to_string(j) + "=0" + std::to_string(j % 3) + "\n";
        WriteBytes(path, Crlf("[Info]\nVersion=7.51\n" + rows + c.grundrad));
        TVinraFile d;
        d.LoadFromFile(path);
        EXPECT_EQ(d.MatchCount, c.n);
        ASSERT_EQ(d.Rader.size(), c.rows);
        if (c.rows) {
            EXPECT_EQ(d.Rader[0], std::string(static_cast<size_t>(c.n), '0'));
            EXPECT_EQ(d.Rader[1].size(), static_cast<size_t>(c.n));
        }
    }
}

TEST(SystemFile, RefusedFilesLeaveTheDocumentUnchanged) {
    TempDir dir;
    TVinraFile d = FullDocument(50);
    const TVinraFile before = d;
    const std::string frame = "[Grundrad]\nRad0=01\nRad1=01\nRad2=01\n";
    struct Case {
        const char* name;
        std::string text;
        const char* why;
        const char* swedish;  // the reason in a Swedish program
    };
    const Case cases[] = {
        {"ragged", "[Info]\nVersion=7.51\nOmg=2020-01\n[Rader]\nRad1=0101\nRad2=010\nRad3=0101\n" + frame, "column 2",
         "radkolumn 2 har 3 tecken"},
        {"garbage", "[Info]\nVersion=7.51\n[Rader]\nRad1=01\nRad2=0X\nRad3=01\n" + frame, "character 'X'",
         "tecknet 'X'"},
        {"max", "[Info]\nVersion=7.51\nOmg=2020-01\n[Villkor]\nMax0=3\nOrd0=abc\n" + frame, "Ord0",
         "Ord0 är \"abc\", inget tal"},
        {"notsystem", "just some text\nwithout sections\n", "not a system file", "är ingen systemfil"},
    };
    for (int base : {LangEnglish, LangSwedish}) {
        SetCurrentLanguage(base);
        for (const auto& c : cases) {
            const auto path = dir.path() / (std::string(c.name) + ".1x2");
            WriteBytes(path, Crlf(c.text));
            try {
                d.LoadFromFile(path);
                ADD_FAILURE() << c.name << " was read";
            } catch (const FileError& e) {
                const char* why = base == LangEnglish ? c.why : c.swedish;
                EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
                EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
                // The window shows message 280 and then this text: the sentence once.
                const std::string sentence = MsgIn(base, 280);
                const std::string shown = sentence + "\n\n" + e.what();
                EXPECT_EQ(shown.find(sentence, 1), std::string::npos) << shown;
            }
            EXPECT_EQ(d, before) << c.name;
        }
    }
    EXPECT_THROW(d.LoadFromFile(dir.path() / "missing.1x2"), FileError);
    EXPECT_THROW(d.LoadFromFile(dir.path()), FileError);
    EXPECT_EQ(d, before);
    SetCurrentLanguage(LangEnglish);
}

TEST(SystemFile, ClampsTheNumberOfMatches) {
    TempDir dir;
    const auto path = dir.path() / "many.1x2";
    std::string text = "[Info]\nVersion=7.51\n[Grundrad]\n";
    for (int k = 0; k < 40; ++k) text += "Rad" + std::to_string(k) + "=01\n";
    WriteBytes(path, Crlf(text));
    TVinraFile d;
    d.LoadFromFile(path);
    EXPECT_EQ(d.MatchCount, 30);
    EXPECT_EQ(d.Grundrad.size(), 30u);
}

TEST(SystemFile, ValuesNeverBreakTheFile) {
    TempDir dir;
    const auto path = dir.path() / "breaks.1x2";
    TVinraFile d;
    d.NewSystem(3, true);
    d.MatchCount = 3;
    d.Grundrad = {"0", "1", "2"};
    d.Comment = "a\rb\nc\r\nd";
    d.Pool = "Stryk\r\ntipset";
    d.Systemnamn = "R\n4-0-9";
    d.SaveToFile(path);
    TVinraFile back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Comment, "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(back.Pool, "Stryk tipset");
    EXPECT_EQ(back.Systemnamn, "R 4-0-9");
    EXPECT_EQ(back.Grundrad, d.Grundrad);
}

TEST(SystemFile, MergeRowsAndSplitIntoFiles) {
    TempDir dir;
    TVinraFile other;
    other.NewSystem(3, true);
    other.MatchCount = 3;
    other.Grundrad = {"012", "012", "012"};
    other.Rader = {"000", "111", "012"};
    other.SaveToFile(dir.path() / "other.1x2");

    TVinraFile d;
    d.NewSystem(3, true);
    d.MatchCount = 3;
    d.Rader = {"111"};
    EXPECT_EQ(d.MergeRowsFrom(dir.path() / "other.1x2"), 2);
    EXPECT_EQ(d.Rader, (std::vector<std::string>{"111", "000", "012"}));

    // 45 000 rows: three files of 20 000, 20 000 and 5 000 rows.
    TVinraFile big;
    big.NewSystem(13, true);
    big.Pool = "Stryktipset";
    for (int i = 0; i < 45000; ++i) {
        std::string r(13, '0');
        int v = i;
        for (int k = 12; k >= 0; --k, v /= 3) r[k] = static_cast<char>('0' + v % 3);
        big.Rader.push_back(r);
    }
    EXPECT_THROW(big.SplitRowsToFiles(dir.path() / "unsaved.1x2"), FileError);
    const auto sys = dir.path() / "big.1x2";
    big.SaveToFile(sys);
    const auto files = big.SplitRowsToFiles(sys);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].filename().string(), "big - Del 1 av 3.txt");
    EXPECT_EQ(files[2].filename().string(), "big - Del 3 av 3.txt");
    const std::string first = ReadBytes(files[0]);
    EXPECT_EQ(first.substr(0, 42), "Stryktipset\r\nE,1,1,1,1,1,1,1,1,1,1,1,1,1\r\n");
    size_t lines = 0;
    for (char c : ReadBytes(files[2])) lines += c == '\n';
    EXPECT_EQ(lines, 5001u);

    // A pool with letters of its own writes them, as its row file does.
    big.Pool = "Tipping L\xC3\xB8rdag";
    big.Rader.erase(big.Rader.begin() + 3, big.Rader.end());
    const auto hub = big.SplitRowsToFiles(sys, DisplaySigns{"H", "U", "B"});
    ASSERT_EQ(hub.size(), 1u);
    EXPECT_EQ(ReadBytes(hub[0]),
              "Tipping L\xF8rdag\r\nE,H,H,H,H,H,H,H,H,H,H,H,H,H\r\nE,H,H,H,H,H,H,H,H,H,H,H,H,U\r\n"
              "E,H,H,H,H,H,H,H,H,H,H,H,H,B\r\n");
}
