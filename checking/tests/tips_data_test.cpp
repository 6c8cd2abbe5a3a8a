#include "checking/tips_data.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/text.h"
#include "tests/temp_dir.h"
#include "tests/in_language.h"
#include "tests/thrown_text.h"

namespace vinra::checking {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

// A result row of 13 matches with every sign in turn.
const std::string kResultRow = "1X21X21X21X21";

class TipsDataTest : public ::testing::Test {
protected:
    void SetUp() override { db.Open(dir.path() / "DB" / "tipsdata.sqlite"); }

    std::string write(const std::string& name, const std::string& text) {
        WriteBytes(dir.path() / name, text);
        return dir.file(name);
    }

    std::vector<std::string> gameLines(std::string_view typ) {
        std::vector<std::string> out;
        Stmt(("SELECT OmgID || '/' || \"Match\" || '/' || Home || '/' || Away FROM tMatcher WHERE Typ = '" +
              std::string(typ) + "' ORDER BY OmgID, \"Match\"")
                 .c_str(),
             out);
        return out;
    }

    void Stmt(const char* sql, std::vector<std::string>& out) {
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db.handle(), sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db.handle());
        while (sqlite3_step(st) == SQLITE_ROW) {
            auto p = sqlite3_column_text(st, 0);
            out.emplace_back(p ? reinterpret_cast<const char*>(p) : "");
        }
        sqlite3_finalize(st);
    }

    TempDir dir;
    TTipsData db;
};

TEST(AmountTest, ParsesExactHundredths) {
    struct Case {
        const char* text;
        std::optional<int64_t> hundredths;
    };
    const Case cases[] = {
        {"1500000,00", 150000000},
        {"1 234 567,89", 123456789},  // 32-bit floats would give ...,87
        {"4200,5", 420050},
        {"35", 3500},
        {"", 0},
        {"  ", 0},
        {"0,005", 1},  // third decimal rounds half away from zero
        {"12,344", 1234},
        {"-71,00", -7100},
        {"4200.50", 420050},
        {",5", 50},
        {"1 500\xC2\xA0"
         "000",
         150000000},
        {"abc", std::nullopt},
        {"1,2,3", std::nullopt},
        {",", std::nullopt},
        {"12kr", std::nullopt},
        {"9999999999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseAmount(c.text), c.hundredths) << c.text;

    EXPECT_EQ(AmountText(123456789), "1234567,89");
    EXPECT_EQ(AmountText(5), "0,05");
    EXPECT_EQ(AmountText(-7100), "-71,00");

    EXPECT_EQ(ParseCount("1 234"), 1234);
    EXPECT_EQ(ParseCount(""), 0);
    EXPECT_EQ(ParseCount("12,5"), std::nullopt);
    EXPECT_EQ(ParseCount("3000000000"), std::nullopt);
}

TEST_F(TipsDataTest, CreatesTablesWithKeysAndSizesInWalMode) {
    std::vector<std::string> mode;
    Stmt("PRAGMA journal_mode", mode);
    EXPECT_THAT(mode, ElementsAre("wal"));

    // The unique keys are real constraints, not just program logic.
    char* err = nullptr;
    const char* dup =
        "INSERT INTO tMatcher VALUES (200928, 1, 'S', 'A', 'B', 3921);"
        "INSERT INTO tMatcher VALUES (200929, 1, 'S', 'C', 'D', 3921);";
    EXPECT_NE(sqlite3_exec(db.handle(), dup, nullptr, nullptr, &err), SQLITE_OK);
    sqlite3_free(err);
    EXPECT_NE(sqlite3_exec(db.handle(),
                           "INSERT INTO tRattRad (Typ, OmgID, Rad) VALUES ('S', 1, "
                           "'1234567890123456789012345678901')",
                           nullptr, nullptr, &err),
              SQLITE_OK);
    sqlite3_free(err);

    // Writers cut texts to the field sizes instead of failing.
    TFacitRec rec;
    rec.Typ = "SIXX";
    rec.OmgID = 7;
    rec.Rad = std::string(40, '1');
    db.StoreResult(rec);
    TFacitRec back = db.FindResult("SIX", 7);
    ASSERT_TRUE(back.found);
    EXPECT_EQ(back.Rad.size(), kRadSize);

    core::TVinraFile doc;
    doc.OmgID = 5;
    std::string longName;
    for (int i = 0; i < 70; ++i) longName += "ö";  // 70 characters, 140 bytes
    db.SaveGames(doc, 200928, "S", {longName}, {"AIK"});
    auto games = db.RoundGames(5, "S");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].Home.size(), 2 * kTeamSize);  // 64 whole characters
}

TEST(TipsDataOpenTest, UsesDataFolderOfVinraHome) {
    TempDir home;
    const char* old = std::getenv("VINRA_HOME");
    std::string saved = old ? old : "";
    setenv("VINRA_HOME", home.path().c_str(), 1);
    {
        TTipsData db;
        OpenReport r = db.Open();
        EXPECT_TRUE(r.created);
        EXPECT_EQ(db.FilePath(), home.path() / "Program" / "DB" / "tipsdata.sqlite");
        EXPECT_TRUE(fs::exists(db.FilePath()));
    }
    {
        TTipsData db;
        EXPECT_FALSE(db.Open().created);
    }
    if (old) setenv("VINRA_HOME", saved.c_str(), 1);
    else unsetenv("VINRA_HOME");
}

TEST(TipsDataOpenTest, RefusesAFileThatIsNoDatabase) {
    TempDir dir;
    WriteBytes(dir.path() / "x.sqlite", std::string(4096, 'x'));
    TTipsData db;
    EXPECT_THROW(db.Open(dir.path() / "x.sqlite"), DatabaseError);
    EXPECT_FALSE(db.IsOpen());
}

// The windows show what a refused database says: in a Swedish program the
// program's part of it is Swedish (SQLite's own words stay as they are).
TEST(TipsDataOpenTest, RefusalsSpeakThePlayersLanguage) {
    const vinra::testing::InLanguage swedish(core::LangSwedish);
    TempDir dir;
    const fs::path garbage = dir.path() / "x.sqlite";
    WriteBytes(garbage, std::string(4096, 'x'));
    const fs::path newer = dir.path() / "newer.sqlite";
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(newer.string().c_str(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "PRAGMA user_version = 999", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    const fs::path lines = dir.path() / "games.txt";
    WriteBytes(lines, "1;2;S\r\n");
    const auto thrown = vinra::testing::ThrownText<DatabaseError>;
    const struct {
        std::string text;
        std::string swedish;
    } cases[] = {
        {thrown([&] { TTipsData().Open(newer); }),
         newer.string() + ": databasen är skapad av en nyare version av programmet"},
        {thrown([&] { TTipsData().Open(garbage); }), garbage.string() + ": databasfel (SQL): file is not a database"},
        {thrown([&] { TTipsData().ImportGamesFile(lines, {}); }), "databasen är inte öppen"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

TEST(TipsDataPacketTest, ImportsOldDataPacketsOnceWhenNew) {
    TempDir dir;
    fs::create_directories(dir.path() / "DB");
    for (const char* f : {"matcher.xml", "rattrad.xml"})
        fs::copy_file(fs::path(VINRA_TEST_DATA) / "db_packet" / f, dir.path() / "DB" / f);

    TTipsData db;
    OpenReport r = db.Open(dir.path() / "DB" / "tipsdata.sqlite");
    EXPECT_TRUE(r.created);
    EXPECT_TRUE(r.packetError.empty()) << r.packetError;
    EXPECT_EQ(r.packetGames, 4u);    // the deleted row is dropped
    EXPECT_EQ(r.packetResults, 3u);  // the modified row counts as a second write of its record
    EXPECT_EQ(r.packetSkipped, 2u);  // a round that is no number, a count that is no number

    auto s = db.RoundGames(3921, "S");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].Home, "Malmö FF");  // Windows-1252 bytes read as text
    EXPECT_EQ(s[1].Home, "Djurgården");
    EXPECT_EQ(s[2].Away, "Häcken");
    auto i = db.RoundGames(1204, "I");
    ASSERT_EQ(i.size(), 1u);
    EXPECT_EQ(i[0].Home, "Arsenal & Co");

    TFacitRec res = db.FindResult("S", 3921);
    ASSERT_TRUE(res.found);
    EXPECT_EQ(res.Omg, 200928);
    EXPECT_EQ(res.Rad, kResultRow);
    EXPECT_THAT(res.Winners, ElementsAre(12, 340, 3100, 25000));
    EXPECT_THAT(res.Payout, ElementsAre(150000000, 420050, 21000, 3500));
    // The modified row carries only its changed payout over the original row.
    TFacitRec mod = db.FindResult("I", 1204);
    EXPECT_EQ(mod.U(13), 250000);
    EXPECT_EQ(mod.A(13), 1);
    EXPECT_EQ(db.ResultCount(), 2u);

    // Once only: data deleted after creation does not come back from the packets.
    db.PurgeAbove("S", 0);
    db.Close();
    EXPECT_FALSE(db.Open(dir.path() / "DB" / "tipsdata.sqlite").created);
    EXPECT_FALSE(db.FindResult("S", 3921).found);
}

TEST(TipsDataPacketTest, BrokenPacketIsReportedAndTheDatabaseStillOpens) {
    TempDir dir;
    WriteBytes(dir.path() / "matcher.xml", "<DATAPACKET><ROWDATA><ROW Omg=");
    TTipsData db;
    OpenReport r = db.Open(dir.path() / "tipsdata.sqlite");
    EXPECT_TRUE(r.created);
    EXPECT_THAT(r.packetError, ::testing::HasSubstr("matcher.xml"));
    EXPECT_EQ(db.GameCount(), 0u);
}

TEST_F(TipsDataTest, SaveGamesKeysRoundWithoutDrawNumberAndUpdatesInPlace) {
    core::TVinraFile doc;
    doc.Omg = "2009-28";
    doc.OmgID = 0;
    db.SaveGames(doc, 200928, "S", {"Malmö FF", "", "Öster", "Hammarby"}, {"AIK", "GAIS", "-", "Djurgården"});
    EXPECT_EQ(doc.OmgID, 200928);
    // Matches with an empty or "-" name are skipped; match numbers follow the list.
    EXPECT_THAT(gameLines("S"), ElementsAre("200928/1/Malmö FF/AIK", "200928/4/Hammarby/Djurgården"));

    db.SaveGames(doc, 200928, "S", {"Malmö", "Elfsborg"}, {"AIK", "Kalmar"});
    EXPECT_THAT(gameLines("S"),
                ElementsAre("200928/1/Malmö/AIK", "200928/2/Elfsborg/Kalmar", "200928/4/Hammarby/Djurgården"));

    core::TVinraFile other;
    other.Omg = "1999-01";
    std::vector<std::string> homes, aways;
    EXPECT_EQ(db.LoadRoundTeams(other, 200928, "S", homes, aways), 3);
    EXPECT_EQ(other.Omg, "2009-28");
    EXPECT_THAT(homes, ElementsAre("Malmö", "Elfsborg", "Hammarby"));
    EXPECT_THAT(aways, ElementsAre("AIK", "Kalmar", "Djurgården"));
    // Appends to what the lists held; an unknown round leaves the round text alone.
    EXPECT_EQ(db.LoadRoundTeams(other, 1, "S", homes, aways), 0);
    EXPECT_EQ(homes.size(), 3u);
}

TEST_F(TipsDataTest, FindsDrawNumberOfARoundAndFillsOldFiles) {
    core::TVinraFile doc;
    doc.OmgID = 3922;
    db.SaveGames(doc, 200928, "S", {"A"}, {"B"});
    doc.OmgID = 3921;
    db.SaveGames(doc, 200928, "S", {"C"}, {"D"});
    doc.OmgID = 777;
    db.SaveGames(doc, 200928, "I", {"E"}, {"F"});
    EXPECT_EQ(db.FindDrawNumber(200928, "S"), 3921);
    EXPECT_EQ(db.FindDrawNumber(200928, "I"), 777);
    EXPECT_EQ(db.FindDrawNumber(200929, "S"), 0);

    // A system file of the old layout without a draw number gets it from the games.
    std::string file = write("old.1x2",
                             "[Info]\r\nOmg=2009-28\r\nOmgID=0\r\nTyp=S\r\nVersion=5.20\r\n\r\n"
                             "[Grundrad]\r\nRad0=0\r\nRad1=1\r\n");
    core::TVinraFile old;
    old.LoadFromFile(file);
    EXPECT_EQ(db.FillDrawNumberOfOldFile(old), 3921);
    EXPECT_EQ(old.OmgID, 3921);

    struct Case {
        const char* version;
        int32_t omgId;
        const char* omg;
        int32_t expected;
    };
    const Case cases[] = {
        {"7.51", 0, "2009-28", 0},  // current layout: left alone
        {"", 0, "2009-28", 3921},   // no version reads as 5.00
        {"5.20", 12, "2009-28", 12},
        {"5.20", 0, "2009-30", 0},  // unknown round stays 0
    };
    for (const auto& c : cases) {
        core::TVinraFile d;
        d.Version = c.version;
        d.OmgID = c.omgId;
        d.Omg = c.omg;
        d.Typ = "S";
        EXPECT_EQ(db.FillDrawNumberOfOldFile(d), c.expected) << c.version << " " << c.omg;
    }
}

TEST_F(TipsDataTest, SaveResultStoresExactAmountsAndRefusesUnreadableNumbers) {
    core::TVinraFile doc;
    doc.MatchCount = 13;
    doc.OmgID = 3921;
    std::array<std::string, 8> numbers = {"12", "1 234 567,89", "340", "4 200,50", "3 100", "210,00", "", ""};
    db.SaveResult(doc, 200928, kResultRow + "11", numbers, "S");
    TFacitRec r = db.FindResult("S", 3921);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.Omg, 200928);
    EXPECT_EQ(r.Rad, kResultRow);  // cut to N
    EXPECT_THAT(r.Winners, ElementsAre(12, 340, 3100, 0));
    EXPECT_THAT(r.Payout, ElementsAre(123456789, 420050, 21000, 0));

    // A second save of the same draw replaces the record.
    numbers[7] = "35";
    db.SaveResult(doc, 200929, kResultRow, numbers, "S");
    r = db.FindResult("S", 3921);
    EXPECT_EQ(r.Omg, 200929);
    EXPECT_EQ(r.U(10), 3500);
    EXPECT_EQ(db.ResultCount(), 1u);

    // An amount that cannot be read names its field and writes nothing.
    numbers[3] = "4,200,50";
    try {
        db.SaveResult(doc, 200930, kResultRow, numbers, "S");
        FAIL() << "no error";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("U12"));
    }
    EXPECT_EQ(db.FindResult("S", 3921).Omg, 200929);

    // Without a draw number the round integer becomes the key, in the document too.
    core::TVinraFile fresh;
    numbers[3] = "1";
    db.SaveResult(fresh, 201001, kResultRow, numbers, "S");
    EXPECT_EQ(fresh.OmgID, 201001);
    EXPECT_TRUE(db.FindResult("S", 201001).found);

    EXPECT_FALSE(db.FindResult("S", 4000).found);
    EXPECT_FALSE(db.FindResult("I", 3921).found);
}

TEST_F(TipsDataTest, SavesDownloadedRounds) {
    CouponRound round;
    round.Year = "2009";
    round.Week = "7";  // a one-digit week still gives year * 100 + week
    round.Typ = "I";
    round.OmgID = 1300;
    round.Row = "1X2";
    round.Homes = {"A", "B", "-"};
    round.Aways = {"C", "D", "E"};
    round.Payouts = {"100 000,00", "250,50"};
    round.Winners = {"2", "1 000"};
    EXPECT_TRUE(db.SaveCouponGames(round));
    EXPECT_TRUE(db.SaveCouponResult(round));
    EXPECT_THAT(gameLines("I"), ElementsAre("1300/1/A/C", "1300/2/B/D"));
    EXPECT_EQ(db.RoundGames(1300, "I").front().Omg, 200907);
    TFacitRec r = db.FindResult("I", 1300);
    EXPECT_EQ(r.Omg, 200907);
    EXPECT_THAT(r.Winners, ElementsAre(2, 1000, 0, 0));  // missing entries count as 0
    EXPECT_THAT(r.Payout, ElementsAre(10000000, 25050, 0, 0));

    round.Week = "xx";
    EXPECT_THROW(db.SaveCouponGames(round), std::invalid_argument);
}

TEST_F(TipsDataTest, EditOrDeleteMatchReportsItsOutcome) {
    core::TVinraFile doc;
    doc.OmgID = 3921;
    db.SaveGames(doc, 200928, "S", {"A", "B"}, {"C", "D"});
    EXPECT_EQ(db.EditOrDeleteMatch("S", "X", "Y", 3, 3921, true), MatchOutcome::NotFound);
    EXPECT_EQ(db.EditOrDeleteMatch("I", "X", "Y", 1, 3921, true), MatchOutcome::NotFound);
    EXPECT_EQ(db.EditOrDeleteMatch("S", "AA", "CC", 1, 3921, true), MatchOutcome::Edited);
    EXPECT_EQ(db.EditOrDeleteMatch("S", "", "", 2, 3921, false), MatchOutcome::Deleted);
    EXPECT_THAT(gameLines("S"), ElementsAre("3921/1/AA/CC"));
    EXPECT_STREQ(MatchOutcomeText(MatchOutcome::NotFound), "Kunde inte hitta matchen!");
    EXPECT_STREQ(MatchOutcomeText(MatchOutcome::Edited), "Lagnamnen ändrade!");
    EXPECT_STREQ(MatchOutcomeText(MatchOutcome::Deleted), "Matchen raderad!");
}

TEST_F(TipsDataTest, ImportsResultLinesAndUpdatesOnSecondImport) {
    std::string file = write("res.txt", "200928;S;3921;" + kResultRow +
                                            ";12;1500000,00;340;4200,50;3100;210,00;25000;35,00\r\n"
                                            "\r\n"
                                            "200928;S;bad;" +
                                            kResultRow +
                                            ";1;1;1;1;1;1;1;1\r\n"
                                            "200929 ; I ; 1204 ; 1X2 ; 1 ; 2,5 ; 0 ; 0 ; 0 ; 0 ; 0 ; 0 \r\n"
                                            "200930;S;3922;1X2;1;2;3\r\n");
    ImportReport r = db.ImportResultsFile(file);
    EXPECT_EQ(r.inserted, 2u);
    EXPECT_EQ(r.updated, 0u);
    EXPECT_THAT(r.skippedLines, ElementsAre(3u, 5u));  // bad lines are counted, the others kept
    TFacitRec s = db.FindResult("S", 3921);
    EXPECT_EQ(s.Rad, kResultRow);
    EXPECT_THAT(s.Winners, ElementsAre(12, 340, 3100, 25000));
    EXPECT_THAT(s.Payout, ElementsAre(150000000, 420050, 21000, 3500));
    EXPECT_EQ(db.FindResult("I", 1204).U(13), 250);

    r = db.ImportResultsFile(file);
    EXPECT_EQ(r.inserted, 0u);
    EXPECT_EQ(r.updated, 2u);
    EXPECT_EQ(db.ResultCount(), 2u);

    EXPECT_THROW(db.ImportResultsFile(dir.file("missing.txt")), core::FileError);
}

TEST_F(TipsDataTest, ImportsGameLinesWithTheLastFieldToTheEndOfTheLine) {
    std::string file = write("games.txt",
                             "200928;S;3921;1;Malmö FF;AIK; Solna\n"
                             "200928;S;3921;2;Öster\n"
                             "200928;S;3921;x;A;B\n"
                             "200928;S;3921;1;Malmö;AIK\n"
                             "200928;S;3921;0;No;Match\n"
                             "200928;S;3921;31;No;Match\n"
                             "200928;;3921;3;No;Pool\n");
    ImportReport r = db.ImportGamesFile(file);
    EXPECT_EQ(r.inserted, 1u);
    EXPECT_EQ(r.updated, 1u);
    EXPECT_THAT(r.skippedLines, ElementsAre(2u, 3u, 5u, 6u, 7u));
    EXPECT_THAT(gameLines("S"), ElementsAre("3921/1/Malmö/AIK"));

    // Windows-1252 files from the web service are read as such.
    WriteBytes(dir.path() / "cp.txt", core::Utf8ToCp1252("200928;S;3921;2;Djurgården;Häcken\r\n"));
    db.ImportGamesFile(dir.file("cp.txt"));
    EXPECT_THAT(gameLines("S"), ElementsAre("3921/1/Malmö/AIK", "3921/2/Djurgården/Häcken"));
}

std::string ManyGameLines(int rounds) {
    std::string text;
    for (int r = 0; r < rounds; ++r)
        for (int m = 1; m <= 13; ++m)
            text += "2009" + std::to_string(10 + r % 40) + ";S;" + std::to_string(5000 + r) + ";" + std::to_string(m) +
                    ";Home " + std::to_string(m) + ";Away\r\n";
    return text;
}

TEST_F(TipsDataTest, CancelledImportLeavesTheDatabaseAsItWas) {
    core::TVinraFile doc;
    doc.OmgID = 5000;
    db.SaveGames(doc, 200910, "S", {"Kept"}, {"Kept"});
    std::string file = write("games.txt", ManyGameLines(100));
    ImportReport r = db.ImportGamesFile(file, [](size_t line) { return line < 700; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(db.GameCount(), 1u);
    EXPECT_THAT(gameLines("S"), ElementsAre("5000/1/Kept/Kept"));
}

TEST_F(TipsDataTest, ImportKilledMidwayLeavesTheDatabaseAsItWas) {
    core::TVinraFile doc;
    doc.OmgID = 5000;
    db.SaveGames(doc, 200910, "S", {"Kept"}, {"Kept"});
    std::string file = write("games.txt", ManyGameLines(100));
    fs::path dbFile = db.FilePath();
    db.Close();

    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The child dies without any clean-up while its transaction is open
        // and hundreds of records are written into it.
        TTipsData child;
        child.Open(dbFile);
        child.ImportGamesFile(file, [](size_t line) {
            if (line == 900) _exit(42);
            return true;
        });
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 42);

    db.Open(dbFile);
    EXPECT_EQ(db.GameCount(), 1u);
    EXPECT_THAT(gameLines("S"), ElementsAre("5000/1/Kept/Kept"));
    // And the database is writable again.
    EXPECT_EQ(db.ImportGamesFile(file).inserted, 1299u);
}

TEST_F(TipsDataTest, PurgeAboveRemovesYearWeekKeysOfOnePool) {
    core::TVinraFile doc;
    for (int32_t id : {200530, 3921, 199752}) {
        doc.OmgID = id;
        doc.MatchCount = 3;
        db.SaveGames(doc, 200530, "S", {"A"}, {"B"});
        db.SaveResult(doc, 200530, "1X2", {}, "S");
    }
    doc.OmgID = 200530;
    db.SaveGames(doc, 200530, "I", {"A"}, {"B"});
    EXPECT_EQ(db.PurgeAbove("S", 199752), 2u);
    EXPECT_FALSE(db.FindResult("S", 200530).found);
    EXPECT_TRUE(db.FindResult("S", 3921).found);
    EXPECT_TRUE(db.FindResult("S", 199752).found);
    EXPECT_THAT(gameLines("S"), ElementsAre("3921/1/A/B", "199752/1/A/B"));
    EXPECT_EQ(db.RoundGames(200530, "I").size(), 1u);
}

TEST_F(TipsDataTest, ExportReadsBackThroughTheImports) {
    core::TVinraFile doc;
    doc.OmgID = 3921;
    doc.MatchCount = 13;
    db.SaveGames(doc, 200928, "S", {"Malmö; FF", "B"}, {"AIK", "Öster;IF"});
    db.SaveResult(doc, 200928, kResultRow, {"12", "1 234 567,89", "1", "2", "3", "4", "5", "6,05"}, "S");
    db.ExportPool("S", dir.path());

    std::string games = ReadBytes(dir.path() / "SMatcher.txt");
    EXPECT_EQ(games, core::Utf8ToCp1252("200928;S;3921;1;Malmö, FF;AIK\r\n200928;S;3921;2;B;Öster,IF\r\n"));
    EXPECT_EQ(ReadBytes(dir.path() / "SResultat.txt"),
              "200928;S;3921;" + kResultRow + ";12;1234567,89;1;2,00;3;4,00;5;6,05\r\n");

    TTipsData other;
    other.Open(dir.path() / "other.sqlite");
    EXPECT_EQ(other.ImportGamesFile(dir.path() / "SMatcher.txt").inserted, 2u);
    EXPECT_EQ(other.ImportResultsFile(dir.path() / "SResultat.txt").inserted, 1u);
    EXPECT_EQ(other.RoundGames(3921, "S")[0].Home, "Malmö, FF");
    EXPECT_EQ(other.FindResult("S", 3921).U(13), 123456789);
}

TEST_F(TipsDataTest, EditorImportAddsNewKeysAndListsBadLines) {
    for (const auto& code : TTipsData::EditorPoolCodes()) {
        WriteBytes(dir.path() / (code + "Matcher.txt"), "");
        WriteBytes(dir.path() / (code + "Resultat.txt"), "");
    }
    core::TVinraFile doc;
    doc.OmgID = 3921;
    db.SaveGames(doc, 200928, "S", {"Stored"}, {"Stored"});
    // Table order, then the exchange layout the export writes, then lines of neither.
    WriteBytes(dir.path() / "SMatcher.txt",
               "200928;1;S;New;New;3921\r\n"
               "200928;2;S;Two;Two;3921\r\n"
               "200928;S;3921;3;Three;Three\r\n"
               "200928;4;S;Broken\r\n");
    WriteBytes(dir.path() / "SResultat.txt", "200928;" + kResultRow +
                                                 ";1;2,00;3;4,00;5;6,00;7;8,00;S;3921\r\n"
                                                 "200929;S;3922;" +
                                                 kResultRow +
                                                 ";1;2,00;3;4,00;5;6,00;7;8,00\r\n"
                                                 "200930;1X2;x;0;0;0;0;0;0;0;S;3923\r\n");
    WriteBytes(dir.path() / "VResultat.txt", "junk\r\n");

    ImportReport r = db.ImportAllPools(dir.path());
    EXPECT_EQ(r.inserted, 4u);
    EXPECT_EQ(r.unchanged, 1u);
    EXPECT_THAT(gameLines("S"), ElementsAre("3921/1/Stored/Stored", "3921/2/Two/Two", "3921/3/Three/Three"));
    EXPECT_EQ(db.FindResult("S", 3921).U(10), 800);
    EXPECT_TRUE(db.FindResult("S", 3922).found);
    // Errors of every pool are kept, not only those of the last one.
    EXPECT_EQ(core::DecodeFileText(ReadBytes(dir.path() / "errors.txt")),
              "200928;4;S;Broken\r\n200930;1X2;x;0;0;0;0;0;0;0;S;3923\r\njunk\r\n");

    // A missing file stops the import before that pool writes anything.
    fs::remove(dir.path() / "IResultat.txt");
    WriteBytes(dir.path() / "IMatcher.txt", "200928;1;I;A;B;100\r\n");
    EXPECT_THROW(db.ImportAllPools(dir.path()), core::FileError);
    EXPECT_TRUE(db.RoundGames(100, "I").empty());
}

TEST_F(TipsDataTest, NavigatesRoundsOfOnePoolInTimeOrder) {
    auto store = [&](const char* typ, int32_t omg, int32_t id) {
        TFacitRec r;
        r.Typ = typ;
        r.Omg = omg;
        r.OmgID = id;
        r.Rad = "1X2";
        db.StoreResult(r);
    };
    store("S", 200930, 3923);
    store("S", 200928, 3921);
    store("S", 200929, 3922);
    store("S", 200929, 3900);  // same round, lower draw number first
    store("I", 200931, 1);

    ResultNavigator nav(db, "S");
    ASSERT_TRUE(nav.Last());
    EXPECT_TRUE(nav.Eof());
    EXPECT_EQ(nav.Current().OmgID, 3923);
    std::vector<int32_t> seen;
    while (nav.Prior()) {
        if (nav.Bof()) break;
        seen.push_back(nav.Current().OmgID);
    }
    EXPECT_THAT(seen, ElementsAre(3922, 3900, 3921));
    EXPECT_TRUE(nav.Bof());
    EXPECT_EQ(nav.Current().OmgID, 3921);  // a failed move stays put
    ASSERT_TRUE(nav.Next());
    EXPECT_FALSE(nav.Bof());
    EXPECT_EQ(nav.Current().OmgID, 3900);

    ASSERT_TRUE(nav.Locate(200930));
    EXPECT_EQ(nav.Current().OmgID, 3923);
    EXPECT_FALSE(nav.Eof());
    EXPECT_TRUE(nav.Next());  // stays on the last record
    EXPECT_TRUE(nav.Eof());
    EXPECT_FALSE(nav.Locate(200931));  // another pool's round
    EXPECT_EQ(nav.Current().OmgID, 3923);
    ASSERT_TRUE(nav.Locate(200929));
    EXPECT_EQ(nav.Current().OmgID, 3900);

    ResultNavigator empty(db, "V");
    EXPECT_FALSE(empty.Last());
    EXPECT_TRUE(empty.Bof());
    EXPECT_TRUE(empty.Eof());

    std::vector<std::string> tree;
    for (const auto& k : db.ResultsTree("S")) tree.push_back(std::to_string(k.Omg) + "/" + std::to_string(k.OmgID));
    EXPECT_THAT(tree, ElementsAre("200930/3923", "200929/3922", "200929/3900", "200928/3921"));
}

}  // namespace
}  // namespace vinra::checking
