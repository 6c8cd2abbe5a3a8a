#include "net/active_pools.h"

#include <gtest/gtest.h>

#include "core/signs.h"
#include "net/tests/pools_test_server.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

const char* const kPools =
    "[Info]\r\nFileOK=1\r\nDate=2026-12-12\r\nPools=SI\r\nS=S1\r\nI=I0\r\n"
    "[S0]\r\nN=Stryktipset\r\nC=Svenska Spel\r\nOmg=2026-50\r\nXMLOmgang=4851\r\nNumGames=13\r\n"
    "Deadline=2026-12-12 15:59\r\n"
    "[S1]\r\nN=Stryktipset\r\nOmg=2026-51\r\nXMLOmgang=4852\r\nNumGames=99\r\nDeadline=2026-12-19 15:59\r\n"
    "[S2]\r\nC=Svenska Spel\r\nOmg=2026-52\r\n"
    "[S3]\r\nN=Never reached\r\n"
    "[I0]\r\nN=Europatipset\r\nC=Svenska Spel\r\nOmg=2026-50\r\nXMLOmgang=1720\r\nDeadline=soon\r\n"
    "[PoolResults]\r\n"
    "200928;S;3921;1X2211X21X122;12;1500000,00;340;4200,50;3100;210,00;25000;35,00\r\n"
    "[PoolGames]\r\n"
    "; the current round\r\n"
    "202650;S;4851;1;Arsenal;Chelsea\r\n"
    "\r\n"
    "202650;S;4851;2;Malm\xf6 FF;AIK\r\n";

constexpr LocalDateTime kNow{2026, 12, 12, 15, 59, 0};

TEST(ActivePools, EntriesPerPoolUntilASectionWithoutNameWithOpenAndClosedState) {
    const auto pools = ActivePoolsFile::FromText(kPools);
    ASSERT_TRUE(pools.FileOK());
    const auto e = pools.Entries(kNow);
    ASSERT_EQ(e.size(), 3u);  // S0, S1, I0: S2 has no N, so S3 is never read
    EXPECT_EQ(e[0].code, "S");
    EXPECT_EQ(e[0].Caption(), "Stryktipset (2026-12-12 15:59) ");
    EXPECT_EQ(e[0].omgId, 4851);
    EXPECT_TRUE(e[0].closed);  // the deadline is now
    EXPECT_EQ(e[1].omg, "2026-51");
    EXPECT_EQ(e[1].country, "Svenska Spel");  // default operator
    EXPECT_EQ(e[1].numGames, 30);             // clamped
    EXPECT_FALSE(e[1].closed);
    EXPECT_EQ(e[2].code, "I");
    EXPECT_EQ(e[2].numGames, 13);
    EXPECT_FALSE(e[2].closed);  // an unreadable deadline counts as open

    // An incomplete file lists nothing.
    std::string incomplete = kPools;
    incomplete.replace(incomplete.find("FileOK=1"), 8, "FileOK=0");
    EXPECT_TRUE(ActivePoolsFile::FromText(incomplete).Entries(kNow).empty());
    EXPECT_TRUE(ActivePoolsFile::FromText("").Entries(kNow).empty());
}

TEST(ActivePools, CurrentRoundFollowsInfoKeyAndFallsBackToS0AndDefaults) {
    const auto pools = ActivePoolsFile::FromText(kPools);
    core::TVinraFile doc;
    pools.CurrentRound("S", doc);
    EXPECT_EQ(doc.OmgID, 4852);
    EXPECT_EQ(doc.MatchCount, 30);
    EXPECT_EQ(doc.Omg, "2026-51");

    pools.CurrentRound("C", doc);  // no key C: S0
    EXPECT_EQ(doc.OmgID, 4851);
    EXPECT_EQ(doc.MatchCount, 13);
    EXPECT_EQ(doc.Pool, "Stryktipset");

    ActivePoolsFile().CurrentRound("I", doc);
    EXPECT_EQ(doc.OmgID, -1);
    EXPECT_EQ(doc.MatchCount, 13);
    EXPECT_EQ(doc.Omg, core::RoundOfToday());
    EXPECT_EQ(doc.Pool, "Stryktipset");
    EXPECT_EQ(doc.Country, "Svenska Spel");
}

TEST(ActivePools, ExchangeSectionsKeepTheirRawLinesReadFromWindows1252) {
    TempDir dir;
    WriteBytes(dir.path() / "activepools.ini", kPools);
    const auto pools = ActivePoolsFile::Load(dir.path() / "activepools.ini");
    ASSERT_EQ(pools.PoolResults().size(), 1u);
    EXPECT_EQ(pools.PoolResults()[0].substr(0, 13), "200928;S;3921");
    ASSERT_EQ(pools.PoolGames().size(), 2u);  // comment and blank line left out
    EXPECT_EQ(pools.PoolGames()[1], "202650;S;4851;2;Malm\xc3\xb6 FF;AIK");
}

TEST(ActivePools, DeadlinesAndRefreshDates) {
    struct Case {
        const char* deadline;
        bool passed;
    } cases[] = {
        {"2026-12-12 15:58", true},  {"2026-12-12 15:59", true},
        {"2026-12-12 16:00", false}, {"2026-12-12 15:59:01", false},
        {"2026-12-12T15:00", true},  {"2026-12-12", false},
        {"2026-12-11", true},        {"2026-02-30 10:00", false},
        {"12/12/2026", false},       {"", false},
        {"2026-12-12 25:00", false},
    };
    for (const auto& c : cases) EXPECT_EQ(DeadlinePassed(c.deadline, kNow), c.passed) << c.deadline;

    auto due = [](const std::string& date) {
        return ActivePoolsFile::FromText("[Info]\nDate=" + date + "\n").RefreshDue(kNow);
    };
    EXPECT_TRUE(due("2026-12-11"));
    EXPECT_FALSE(due("2026-12-12"));
    EXPECT_FALSE(due("2027-01-01"));
    EXPECT_TRUE(due("tomorrow"));
    EXPECT_TRUE(ActivePoolsFile().RefreshDue(kNow));  // default 2009-01-01
}

class ActivePoolsRefreshTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.Open(dir.path() / "DB" / "tipsdata.sqlite");
        WriteBytes(target(), kOld);
    }
    std::filesystem::path target() const { return dir.path() / "activepools.ini"; }
    void ExpectNoLeftovers() const {
        for (const char* f : {"~pools.tmp", "dbresults.txt", "dbgames.txt"})
            EXPECT_FALSE(std::filesystem::exists(dir.path() / f)) << f;
    }

    static constexpr const char* kOld = "[Info]\r\nFileOK=1\r\nPools=S\r\n[S0]\r\nN=Stryktipset\r\nXMLOmgang=4000\r\n";
    TempDir dir;
    checking::TTipsData db;
    testing::ShortTimeouts timeouts;
    testing::PoolsTestServer server;
};

TEST_F(ActivePoolsRefreshTest, CompleteListReplacesFileAndFillsDatabase) {
    server.Serve("/vinra/activepools", kPools);
    const auto r = RefreshActivePools(server.Host(), dir.path(), &db);
    ASSERT_TRUE(r.replaced) << r.error;
    EXPECT_EQ(ReadBytes(target()), kPools);
    EXPECT_EQ(r.results.inserted, 1u);
    EXPECT_EQ(r.games.inserted, 2u);
    EXPECT_TRUE(r.importError.empty());
    const auto res = db.FindResult("S", 3921);
    ASSERT_TRUE(res.found);
    EXPECT_EQ(res.U(12), 420050);
    const auto games = db.RoundGames(4851, "S");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[1].Home, "Malm\xc3\xb6 FF");
    ExpectNoLeftovers();

    // Refreshing again updates instead of adding.
    const auto again = RefreshActivePools(server.Host(), dir.path(), &db);
    EXPECT_EQ(again.games.updated, 2u);
    EXPECT_EQ(db.GameCount(), 2u);
}

TEST_F(ActivePoolsRefreshTest, FailedOrIncompleteDownloadKeepsThePresentList) {
    // The service host may carry a path, so every case gets its own prefix.
    const std::string path = "/vinra/activepools";
    server.Fail("/notfound" + path, 404);
    server.Fail("/private" + path, 401);
    server.Serve("/portal" + path, "<html><body>Log in to the hotel Wi-Fi</body></html>", "text/html");
    server.Serve("/incomplete" + path, "[Info]\r\nFileOK=0\r\n[S0]\r\nN=Stryktipset\r\n");
    server.Stall("/stalled" + path);
    server.Truncate("/truncated" + path, "[Info]\r\nFileOK=1\r\n[S0]\r\nN=Strykt", 5000);
    const std::vector<std::string> hosts = {
        server.Host() + "/notfound",   server.Host() + "/private", server.Host() + "/portal",
        server.Host() + "/incomplete", server.Host() + "/stalled", server.Host() + "/truncated",
        "http://127.0.0.1:1",  // nothing listens there
    };
    for (const auto& host : hosts) {
        SCOPED_TRACE(host);
        const auto r = RefreshActivePools(host, dir.path(), &db);
        EXPECT_FALSE(r.replaced);
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(ReadBytes(target()), kOld);
        EXPECT_EQ(db.GameCount(), 0u);
        ExpectNoLeftovers();
    }
    // A data folder that cannot take the file is a failure too, not an exception.
    server.Serve("/vinra/activepools", kPools);
    const auto r = RefreshActivePools(server.Host(), dir.path() / "missing", &db);
    EXPECT_FALSE(r.replaced);
    EXPECT_FALSE(r.error.empty());
}

}  // namespace
}  // namespace vinra::net
