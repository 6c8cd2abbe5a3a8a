#include "stats/game_wizard.h"

#include <gtest/gtest.h>

#include "net/http.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"

namespace vinra::stats {
namespace {

namespace fs = std::filesystem;
using vinra::testing::LocalServer;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

core::TVinraFile Doc(int n, std::vector<std::string> frame) {
    core::TVinraFile doc;
    doc.NewSystem(n, false);
    doc.MatchCount = n;  // small rounds keep the fixtures short
    doc.Grundrad = std::move(frame);
    return doc;
}

TEST(StatisticsStale, MissingUnreadableOldOrBadDateFetchesAgain) {
    TempDir dir;
    const fs::path f = dir.path() / "Stryktipset 4850.ini";
    EXPECT_TRUE(StatisticsStale(f, "2026-12-10"));  // missing
    struct Case {
        const char* text;
        bool stale;
    } cases[] = {
        {"[Info]\r\nDate=2026-12-10\r\n", false}, {"[Info]\r\nDate=2026-12-11\r\n", false},
        {"[Info]\r\nDate=2026-12-09\r\n", true},  // yesterday
        {"[Game0]\r\nHome=AIK\r\n", true},        // no date: the default 2011-01-01
        {"[Info]\r\nDate=10.12.2026\r\n", true},  // not a date
    };
    for (const Case& c : cases) {
        WriteBytes(f, c.text);
        EXPECT_EQ(StatisticsStale(f, "2026-12-10"), c.stale) << c.text;
    }
    fs::remove(f);
    fs::create_directory(f);  // a folder in its place cannot be read
    EXPECT_TRUE(StatisticsStale(f, "2026-12-10"));
}

TEST(TeamStats, AliasLeagueTotalAndLatestGames) {
    const auto info = core::IniFile::FromText(
        "[AIK Fotboll]\nTotal=3\nLG0=W|x|AIK - Hammarby 2-0 (h)\nLG1=L|x|Malmö - AIK 3-1 (b)\n"
        "LG2=D|x|AIK - IFK 1-1 (h)\nLG3=W|short\nLG5=L\n");
    const auto teamstat = core::IniFile::FromText(
        "[Alias]\nAIK=AIK Fotboll\n[League]\nAIK Fotboll=SE1\n[LeagueAlias]\nSE1=Allsvenskan\n");
    const TeamStats t = ReadTeamStats(info, teamstat, "AIK");
    EXPECT_EQ(t.name, "AIK Fotboll");
    EXPECT_EQ(LeagueLine(t), "Allsvenskan\n3");
    ASSERT_EQ(t.games.size(), 5u);  // LG4 is missing: skipped, LG5 still read
    EXPECT_EQ(t.games[0].outcome, GameOutcome::Win);
    EXPECT_EQ(t.games[1].outcome, GameOutcome::Loss);
    EXPECT_EQ(t.games[2].outcome, GameOutcome::Draw);
    EXPECT_EQ(t.games[0].text, "AIK - Hammarby 2-0 (h)");
    EXPECT_EQ(t.games[3].text, "");  // fewer than three fields: empty, no read past the end
    EXPECT_EQ(t.games[4].text, "");
    EXPECT_EQ(t.games[4].outcome, GameOutcome::Loss);

    const auto home = FilterGames(t.games, GameFilter::HomeOnly);
    const auto away = FilterGames(t.games, GameFilter::AwayOnly);
    ASSERT_EQ(home.size(), 4u);
    EXPECT_EQ(home[1].text, "AIK - IFK 1-1 (h)");
    ASSERT_EQ(away.size(), 3u);
    EXPECT_EQ(away[0].text, "Malmö - AIK 3-1 (b)");
    EXPECT_EQ(FilterGames(t.games, GameFilter::All).size(), 5u);

    // No alias, no league: the name itself, "n/a"; known league without a position: "-".
    const TeamStats u = ReadTeamStats(info, teamstat, "Okänd");
    EXPECT_EQ(u.name, "Okänd");
    EXPECT_EQ(LeagueLine(u), "*****\nn/a");
    EXPECT_TRUE(u.games.empty());
    const auto noTotal = core::IniFile::FromText("[AIK Fotboll]\nLG0=W|x|y\n");
    EXPECT_EQ(LeagueLine(ReadTeamStats(noTotal, teamstat, "AIK")), "Allsvenskan\n-");
}

TEST(RoundStatistics, MergeKeepsGameInformationAndReplacesClubs) {
    TempDir dir;
    const fs::path f = dir.path() / "Cache" / "Data" / "Stryktipset 4850.ini";
    fs::create_directories(f.parent_path());
    WriteBytes(f, "[Game0]\r\nHome=AIK\r\nPeople1=45.0\r\n[AIK Fotboll]\r\nTotal=9\r\nLG0=L|x|old\r\nLG1=L|x|old\r\n");
    MergeRoundStatistics(f,
                         "[Info]\nDate=2026-12-10\n[AIK Fotboll]\nTotal=2\nLG0=W|2026-49|new (h)\nColour=red\n"
                         "[Game0]\nHome=evil\n[GAME1]\nPeople1=99\n");
    const auto ini = core::IniFile::FromFile(f);
    EXPECT_EQ(ini.ReadString("Game0", "Home"), "AIK");
    EXPECT_EQ(ini.ReadString("Game0", "People1"), "45.0");
    EXPECT_FALSE(ini.HasSection("Game1"));
    EXPECT_EQ(ini.ReadString("Info", "Date"), "2026-12-10");
    EXPECT_EQ(ini.ReadString("AIK Fotboll", "Total"), "2");
    EXPECT_EQ(ini.ReadString("AIK Fotboll", "LG0"), "W|2026-49|new (h)");
    EXPECT_FALSE(ini.HasKey("AIK Fotboll", "LG1"));  // the old list is replaced whole
    EXPECT_FALSE(ini.HasKey("AIK Fotboll", "Colour"));
    EXPECT_FALSE(StatisticsStale(f, "2026-12-10"));
}

TEST(RoundStatistics, FetchOverHttpAndErrorStatusChangesNothing) {
    LocalServer server;
    server.svr.Get("/Vinra/Info/S/4850/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "[Info]\r\nDate=2026-12-10\r\n[Malm\xf6 FF]\r\nTotal=1\r\nLG0=D|2026-49|Malm\xf6 FF - AIK 1-1 (h)\r\n",
            "text/plain; charset=windows-1252");
    });
    server.Start();
    TempDir dir;
    const fs::path f = dir.path() / "Stryktipset 4850.ini";
    ASSERT_TRUE(FetchRoundStatistics(server.Host(), "S", 4850, f));
    const auto ini = core::IniFile::FromFile(f);
    EXPECT_EQ(ini.ReadString("Malmö FF", "Total"), "1");
    ASSERT_EQ(LatestGames(ini, "Malmö FF").size(), 1u);
    EXPECT_EQ(LatestGames(ini, "Malmö FF")[0].text, "Malmö FF - AIK 1-1 (h)");

    const std::string before = ReadBytes(f);
    EXPECT_FALSE(FetchRoundStatistics(server.Host(), "S", 4851, f));  // 404
    EXPECT_EQ(ReadBytes(f), before);
    server.Stop();
    EXPECT_THROW(FetchRoundStatistics(server.Host(), "S", 4850, f), net::NetError);
}

TEST(StatsPagePath, ViewsInPageOrder) {
    EXPECT_EQ(StatsPagePath(0, "S", 4850, 3), "/Vinra/Chart/S/4850/3/");
    EXPECT_EQ(StatsPagePath(1, "S", 4850, 3), "/Vinra/Games/S/4850/3/");
    EXPECT_EQ(StatsPagePath(2, "T", 12, 1), "/Vinra/Meetings/T/12/1/");
    EXPECT_EQ(StatsPagePath(3, "S", 4850, 13), "/Vinra/Table/1/S/4850/13/");
    EXPECT_EQ(StatsPagePath(8, "S", 4850, 13), "/Vinra/Table/6/S/4850/13/");
    EXPECT_EQ(StatsPagePath(9, "S", 4850, 13), "");
    EXPECT_EQ(StatsPagePath(-1, "S", 4850, 13), "");
}

TEST(FileInFolder, DownloadedNamesStayInTheirFolder) {
    const fs::path folder = "/data/Cache/Images";
    EXPECT_EQ(FileInFolder(folder, "aik.png"), folder / "aik.png");
    EXPECT_EQ(FileInFolder(folder, "mål 1.wav"), folder / "mål 1.wav");
    for (const char* bad :
         {"", "..", "../x.wav", "a/b.png", "a\\b.png", "/etc/passwd", "C:x.png", ".hidden", "a\nb.png"})
        EXPECT_FALSE(FileInFolder(folder, bad).has_value()) << bad;
}

TEST(OwnFields, TypedTextIsANumberOrRefused) {
    struct Case {
        const char* text;
        std::optional<double> value;
    } cases[] = {{"45", 45},           {"33,5", 33.5},      {"2.5", 2.5},         {" 12 %", 12},
                 {"", 0},              {"  ", 0},           {"abc", std::nullopt}, {"1,2,3", std::nullopt},
                 {",", std::nullopt},  {"-5", std::nullopt}, {"1e3", std::nullopt}, {"4 5", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(ParseOwnField(c.text), c.value) << c.text;
    struct Range {
        double value;
        bool odds, ok;
    } ranges[] = {{0, false, true},   {100, false, true}, {100.5, false, false}, {0, true, true},
                  {0.5, true, false}, {1, true, true},    {1000, true, true},    {1000.01, true, false}};
    for (const Range& r : ranges) EXPECT_EQ(OwnFigureInRange(r.value, r.odds), r.ok) << r.value << " " << r.odds;
}

TEST(OwnFields, PercentAndOddsViewConversions) {
    const OwnValues odds = OwnFromFields({"2,0", "4,0", "4,0"}, true);
    EXPECT_NEAR(odds.percent[0], 50, 1e-9);
    EXPECT_NEAR(odds.percent[1], 25, 1e-9);
    EXPECT_NEAR(odds.percent[2], 25, 1e-9);
    EXPECT_DOUBLE_EQ(odds.odds[0], 2.0);

    const OwnValues partial = OwnFromFields({"2,0", "", "4,0"}, true);  // one odds missing: no percentages
    EXPECT_EQ(partial.percent, (std::array<double, 3>{0, 0, 0}));

    const OwnValues pct = OwnFromFields({"50", "0", "abc"}, false);
    EXPECT_DOUBLE_EQ(pct.odds[0], 2.0);
    EXPECT_DOUBLE_EQ(pct.odds[1], 0.0);
    EXPECT_DOUBLE_EQ(pct.percent[2], 0.0);
}

TEST(GameWizardModel, OpensClampedAndEditsTheFrame) {
    const auto doc = Doc(13, {"0", "012", "0 2", " 1 "});
    EXPECT_EQ(GameWizardModel(doc, 0).current(), 1);
    EXPECT_EQ(GameWizardModel(doc, 14).current(), 13);
    EXPECT_EQ(GameWizardModel(doc, -5).current(), 1);

    GameWizardModel w(doc, 3);
    EXPECT_EQ(w.Frame(3), "02");  // positional entries are read by their signs
    EXPECT_EQ(w.Frame(4), "1");
    StatusCounts s = w.Status();
    EXPECT_EQ(s.singles, 2);
    EXPECT_EQ(s.doubles, 1);
    EXPECT_EQ(s.triples, 1);
    EXPECT_EQ(s.rows, "6");

    w.ToggleSign(1);  // 0 2 -> 012, written home, draw, away
    EXPECT_EQ(w.Frame(3), "012");
    EXPECT_EQ(w.Status().rows, "9");
    for (int sign = 0; sign < 3; ++sign) w.ToggleSign(sign);
    EXPECT_EQ(w.Frame(3), "");  // an empty match counts neither as a single nor as a guard
    s = w.Status();
    EXPECT_EQ(s.singles, 2);
    EXPECT_EQ(s.doubles, 0);
    EXPECT_EQ(s.triples, 1);
    EXPECT_EQ(s.rows, "3");

    core::TVinraFile out = doc;
    w.StoreFrame(out);
    ASSERT_EQ(out.Grundrad.size(), 13u);
    EXPECT_EQ(out.Grundrad[1], "012");
    EXPECT_EQ(out.Grundrad[2], "");
    EXPECT_EQ(out.Grundrad[12], "");
}

// Only what the player edits is converted: a match he merely looks at in the
// other view keeps its percentages; a figure out of range is refused.
TEST(GameWizardModel, UneditedFieldsKeepTheirValuesAcrossViews) {
    auto doc = Doc(3, {"0", "1", "2"});
    doc.Proc = {std::vector<std::string>{"100", "1", "33,5"}, {"0", "1", "33,5"}, {"0", "1", "33"}};
    struct Case {
        int match;
        bool odds;
        std::array<std::string, 3> typed;  // empty: leave the field as shown
        int refused;
        std::array<std::string, 3> stored;
    } cases[] = {
        {1, true, {}, -1, {"100", "0", "0"}},                   // banker seen as odds 1,00/0,00/0,00
        {2, true, {}, -1, {"1", "1", "1"}},                     // a new system's 1/1/1 is not normalised
        {2, false, {}, -1, {"1", "1", "1"}},
        {3, false, {}, -1, {"33,5", "33,5", "33"}},             // untouched: not even rounded
        {3, false, {"2.5", "", ""}, -1, {"3", "34", "33"}},     // '.' is a decimal point
        {1, false, {"-5", "", ""}, 0, {"100", "0", "0"}},       // refused, nothing changes
        {1, false, {"", "", "101"}, 2, {"100", "0", "0"}},
        {1, true, {"", "0,5", ""}, 1, {"100", "0", "0"}},       // odds below 1
        {2, true, {"2,0", "4", "4,00"}, -1, {"50", "25", "25"}},
    };
    for (const Case& c : cases) {
        GameWizardModel w(doc, c.match);
        w.SetOddsView(c.odds);
        auto fields = w.OwnFields();
        for (int s = 0; s < 3; ++s)
            if (!c.typed[s].empty()) fields[s] = c.typed[s];
        EXPECT_EQ(w.Leave(fields), c.refused) << c.match << " " << c.odds;
        core::TVinraFile out = doc;
        w.StorePercentages(out);
        for (int s = 0; s < 3; ++s)
            EXPECT_EQ(out.Proc[s][c.match - 1], c.stored[s]) << c.match << " " << c.odds << " sign " << s;
    }
}

TEST(GameWizardModel, RowCountGroupsDigits) {
    GameWizardModel w(Doc(13, std::vector<std::string>(13, "012")), 1);
    EXPECT_EQ(w.Status().rows, "1 594 323");
    EXPECT_EQ(w.Status().triples, 13);
}

TEST(GameWizardModel, LeavingAMatchStoresRoundedPercentagesOnlyOnStore) {
    auto doc = Doc(3, {"0", "1", "2"});
    doc.Proc = {std::vector<std::string>{"50", "10"}, {"30", "20"}, {"20", "70"}};  // shorter than N
    GameWizardModel w(doc, 1);
    EXPECT_EQ(w.OwnFields(), (std::array<std::string, 3>{"50", "30", "20"}));
    w.SetOddsView(true);
    EXPECT_EQ(w.OwnFields(), (std::array<std::string, 3>{"2,00", "3,33", "5,00"}));
    w.Leave({"2,0", "4,0", "4,0"});
    w.GoTo(3);
    w.SetOddsView(false);
    EXPECT_EQ(w.OwnFields(), (std::array<std::string, 3>{"", "", ""}));  // no estimate: nothing shown
    EXPECT_EQ(w.Leave({"1,2,3", "66,6", ""}), 0);  // refused: nothing taken
    EXPECT_EQ(w.Own(3).percent[1], 0.0);
    EXPECT_EQ(w.Leave({"", "66,6", ""}), -1);

    core::TVinraFile out = doc;
    w.StorePercentages(out);
    EXPECT_EQ(out.Proc[0], (std::vector<std::string>{"50", "10", "0"}));
    EXPECT_EQ(out.Proc[1], (std::vector<std::string>{"25", "20", "67"}));
    EXPECT_EQ(out.Proc[2], (std::vector<std::string>{"25", "70", "0"}));
    EXPECT_EQ(doc.Proc[0].size(), 2u);  // the system itself is untouched until stored
}

// A new system holds 1 for every sign: the wizard shows no "1 1 1" as the
// player's own figures, and leaving the fields empty keeps those 1s.
TEST(GameWizardModel, NoOwnEstimateShowsEmptyFieldsAndKeepsTheSystemsValues) {
    auto doc = Doc(2, {"0", "1"});
    doc.Proc = {std::vector<std::string>{"1", "1"}, {"1", "1"}, {"1", "1"}};
    GameWizardModel w(doc, 1);
    EXPECT_FALSE(w.HasOwnEstimate(1));
    for (bool odds : {false, true}) {
        w.SetOddsView(odds);
        EXPECT_EQ(w.OwnFields(), (std::array<std::string, 3>{"", "", ""})) << odds;
    }
    w.SetOddsView(false);
    w.Leave({"", " ", ""});
    w.GoTo(2);
    w.Leave({"50", "30", "20"});
    EXPECT_TRUE(w.HasOwnEstimate(2));
    EXPECT_EQ(w.OwnFields(), (std::array<std::string, 3>{"50", "30", "20"}));
    core::TVinraFile out = doc;
    w.StorePercentages(out);
    EXPECT_EQ(out.Proc[0], (std::vector<std::string>{"1", "50"}));
    EXPECT_EQ(out.Proc[2], (std::vector<std::string>{"1", "20"}));
}

net::TSvSpelInfo Info() {
    TempDir dir;
    const fs::path f = dir.path() / "i.ini";
    WriteBytes(f,
               "[Game0]\nPeople1=60.0\nPeopleX=25.0\nPeople2=15.0\nNews1=7\nNewsX=2\nNews2=1\n"
               "Odds1=2.0\nOddsX=4.0\nOdds2=4.0\nUbet1=1.5\nUbetX=4.0\nUbet2=6.0\n"
               "[Game1]\nPeople1=20.5\nPeopleX=30.0\nPeople2=49.5\nNews1=1\nNewsX=3\nNews2=6\n");
    net::TSvSpelInfo info;
    info.Load(f, 2);
    return info;
}

TEST(QuickFill, FiguresByPoolAndView) {
    const auto info = Info();
    EXPECT_EQ(QuickFill(info, 0, QuickSource::News, "S", false), (std::array<std::string, 3>{"70", "20", "10"}));
    EXPECT_EQ(QuickFill(info, 0, QuickSource::News, "I", false), (std::array<std::string, 3>{"70", "20", "10"}));
    EXPECT_EQ(QuickFill(info, 0, QuickSource::News, "T", false), (std::array<std::string, 3>{"7", "2", "1"}));
    // The operator's odds are the Odds keys, the bookmaker's the Ubet keys.
    EXPECT_EQ(QuickFill(info, 0, QuickSource::Operator, "S", false), (std::array<std::string, 3>{"50", "25", "25"}));
    EXPECT_EQ(QuickFill(info, 0, QuickSource::Operator, "S", true),
              (std::array<std::string, 3>{"2,00", "4,00", "4,00"}));
    EXPECT_EQ(QuickFill(info, 0, QuickSource::Bookmaker, "S", false), (std::array<std::string, 3>{"62", "23", "15"}));
    EXPECT_EQ(QuickFill(info, 0, QuickSource::Bookmaker, "S", true),
              (std::array<std::string, 3>{"1,50", "4,00", "6,00"}));
    EXPECT_EQ(QuickFill(info, 1, QuickSource::People, "S", false), (std::array<std::string, 3>{"21", "30", "50"}));
    EXPECT_EQ(QuickFill(info, 0, QuickSource::People, "S", true), (std::array<std::string, 3>{"1,67", "4,00", "6,67"}));
    EXPECT_EQ(QuickFill(info, 5, QuickSource::People, "S", true), (std::array<std::string, 3>{}));
}

TEST(PeopleRankAndValue, RankAmongAllSignsAndCrowdValue) {
    const auto info = Info();
    EXPECT_EQ(PeopleRank(info, 0, 0), 1);  // 60.0 is the most played of all six
    EXPECT_EQ(PeopleRank(info, 1, 2), 2);  // 49.5
    EXPECT_EQ(PeopleRank(info, 0, 2), 6);  // 15.0 the least
    EXPECT_EQ(PeopleRank(info, 2, 0), 0);
    EXPECT_NEAR(SignValue(info.OddsPercent[0][0], info.PeopleValue[0][0]), 50.0 / 60.0, 1e-9);
    EXPECT_NEAR(SignValue(25, 15), 25.0 / 15.0, 1e-9);
    EXPECT_EQ(SignValue(40, 0), 0.0);
    EXPECT_EQ(SignValue(0, 40), 0.0);
}

}  // namespace
}  // namespace vinra::stats
