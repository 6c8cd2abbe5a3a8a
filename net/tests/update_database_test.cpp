#include "net/update_database.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/messages.h"
#include "core/settings.h"
#include "net/downloads.h"
#include "net/tests/pools_test_server.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

const char* const kResults =
    "202650;S;4851;1X2211X21X122;12;1500000,00;340;4200,50;3100;210,00;25000;35,00\r\n"
    "not a results line\r\n"
    "202650;I;1720;1X2211X21X122;1;9000000,00;40;8000,00;500;300,00;4000;20,00\r\n";
const char* const kGames =
    "202650;S;4851;1;Arsenal;Chelsea\r\n"
    "202650;S;4851;2;Malm\xf6 FF;AIK\r\n";

class UpdateDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.Open(dir.path() / "DB" / "tipsdata.sqlite");
        // An old record that carries a year-week number as its draw number,
        // and one with a real draw number.
        WriteBytes(dir.path() / "old.txt",
                   "200530;S;200530;1;Old home;Old away\r\n199801;S;3921;1;Kept home;Kept away\r\n");
        db.ImportGamesFile(dir.path() / "old.txt");
    }
    UpdateDatabaseResult Run(const std::string& host) {
        steps.clear();
        return RunUpdateDatabase(host, dir.path(), db, [this](UpdateStep s) { steps.push_back(s); });
    }

    TempDir dir;
    checking::TTipsData db;
    testing::ShortTimeouts timeouts;
    testing::PoolsTestServer server;
    std::vector<UpdateStep> steps;
};

TEST_F(UpdateDatabaseTest, DownloadsImportsAndRemovesYearWeekRecords) {
    server.Serve("/vinra2000/ini/dbresults.txt", kResults);
    server.Serve("/vinra2000/ini/dbgames.txt", kGames);
    const auto r = Run(server.Host());
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<UpdateStep> all = {UpdateStep::DownloadResults, UpdateStep::DownloadGames,
                                         UpdateStep::ImportResults, UpdateStep::ImportGames, UpdateStep::CheckDatabase};
    EXPECT_EQ(steps, all);
    EXPECT_EQ(r.results.inserted, 2u);
    EXPECT_EQ(r.results.skipped(), 1u);
    EXPECT_EQ(r.games.inserted, 2u);
    EXPECT_EQ(r.purged, 1u);
    EXPECT_TRUE(db.FindResult("I", 1720).found);
    EXPECT_EQ(db.RoundGames(4851, "S").at(1).Home, "Malm\xc3\xb6 FF");
    EXPECT_TRUE(db.RoundGames(200530, "S").empty());
    EXPECT_EQ(db.RoundGames(3921, "S").size(), 1u);

    EXPECT_STREQ(UpdateStepText(UpdateStep::DownloadResults), "Laddar ner resultat...");
    EXPECT_STREQ(UpdateStepText(UpdateStep::ImportGames), "Uppdaterar matcher (kan ta flera minuter)");
    EXPECT_STREQ(UpdateStepText(UpdateStep::CheckDatabase), "Kontrollerar databasen...");
}

TEST_F(UpdateDatabaseTest, StopsAtTheFirstFailedTransferWithoutTouchingTheDatabase) {
    const std::string results = "/vinra2000/ini/dbresults.txt", games = "/vinra2000/ini/dbgames.txt";
    server.Fail("/r404" + results, 404);
    server.Serve("/g404" + results, kResults);
    server.Fail("/g404" + games, 404);
    server.Stall("/rstall" + results);
    server.Serve("/gcut" + results, kResults);
    server.Truncate("/gcut" + games, "202650;S;4851;1;Arsenal;Ch", 3000);
    struct Case {
        std::string host;
        UpdateStep failed;
        const char* says;
    } cases[] = {
        {server.Host() + "/r404", UpdateStep::DownloadResults, "dbresults.txt"},
        {server.Host() + "/g404", UpdateStep::DownloadGames, "dbgames.txt"},
        {server.Host() + "/rstall", UpdateStep::DownloadResults, "No data"},
        {server.Host() + "/gcut", UpdateStep::DownloadGames, "games file"},
        {"http://127.0.0.1:1", UpdateStep::DownloadResults, "results file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        const auto r = Run(c.host);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.failedStep, c.failed);
        EXPECT_EQ(steps.back(), c.failed);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        // Nothing imported, nothing purged.
        EXPECT_EQ(db.ResultCount(), 0u);
        EXPECT_EQ(db.GameCount(), 2u);
        EXPECT_EQ(db.RoundGames(200530, "S").size(), 1u);
    }
}

// What the update and the web status window show about a failed transfer is
// in the player's language.
TEST_F(UpdateDatabaseTest, FailuresSpeakThePlayersLanguage) {
    struct Restore {
        ~Restore() { core::SetCurrentLanguage(core::LangEnglish); }
    } restore;
    core::SetCurrentLanguage(core::LangSwedish);
    const std::string results = "/vinra2000/ini/dbresults.txt";
    server.Fail("/r404" + results, 404);
    server.Fail("/page404", 404);
    server.Serve("/ok" + results, kResults);
    std::atomic<bool> cancel{false};
    const auto cancelled = RunUpdateDatabase(
        server.Host() + "/ok", dir.path(), db, [&](UpdateStep s) { cancel = cancel || s == UpdateStep::DownloadGames; },
        &cancel);
    TCouponInfo info;
    const struct {
        std::string text;
        std::string swedish;
    } cases[] = {
        {Run(server.Host() + "/r404").error, "Resultatfilen kunde inte hämtas från " + server.Host() + "/r404" + results +
                                                 " (servern vägrade). Databasen ändrades inte."},
        // Cancelled during the games' transfer: the transfer's own words inside.
        {cancelled.error, "Matchfilen kunde inte hämtas: Överföringen från " + server.Host() +
                              "/ok/vinra2000/ini/dbgames.txt avbröts. Databasen ändrades inte."},
        {FetchRound(server.Host() + "/page404", dir.path() / "download.htm", true, core::IniFile{}, ParseOptions{}, info)
             .error,
         "Servern vägrade hämtningen av " + server.Host() + "/page404 (HTTP-fel)."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

TEST_F(UpdateDatabaseTest, CancelStopsBeforeTheImports) {
    server.Serve("/vinra2000/ini/dbresults.txt", kResults);
    server.Serve("/vinra2000/ini/dbgames.txt", kGames);
    std::atomic<bool> cancel{false};
    const auto r = RunUpdateDatabase(
        server.Host(), dir.path(), db,
        [&](UpdateStep s) {
            if (s == UpdateStep::DownloadGames) cancel = true;
        },
        &cancel);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(db.ResultCount(), 0u);
    EXPECT_EQ(db.RoundGames(200530, "S").size(), 1u);
}

}  // namespace
}  // namespace vinra::net
