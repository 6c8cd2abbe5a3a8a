// vinra-service on 127.0.0.1: every path fetched the way the program fetches it,
// and every reply read with the program's own readers and the keys of the
// update.ini the service publishes.
#include <httplib.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include <fmt/format.h>

#include "core/ini.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "core/text.h"
#include "checking/tips_data.h"
#include "net/active_pools.h"
#include "net/downloads.h"
#include "net/game_info.h"
#include "net/http.h"
#include "net/result_parsers.h"
#include "net/update_check.h"
#include "net/update_database.h"
#include "net/upload.h"
#include "service/pages.h"
#include "service/server.h"
#include "tests/temp_dir.h"

namespace vinra::service {
namespace {
namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

const fs::path kSample = VINRA_SERVICE_DATA;
const char* const kThursday = "2026-12-10 12:00";  // Thursday of week 50

// The service on an ephemeral port with a fixed clock (Thursday of week 50).
class Running {
public:
    explicit Running(const fs::path& data, std::string now = kThursday)
        : service_({.data = data, .publicUrl = "", .now = [now] { return now; }, .help = VINRA_HELP_DIR}) {
        service_.Register(svr_);
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
    }
    ~Running() {
        svr_.stop();
        thread_.join();
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    VinraService& service() { return service_; }

private:
    httplib::Server svr_;
    VinraService service_;
    int port_ = 0;
    std::thread thread_;
};

// Fetches like the program: into a file, read back as the program reads it.
std::string Fetch(const std::string& url, const TempDir& dir) {
    const fs::path file = dir.path() / "download.htm";
    EXPECT_TRUE(net::GetToFile(url, file)) << url;
    return core::DecodeFileText(ReadBytes(file));
}

core::IniFile UpdateIni(const Running& s, const TempDir& dir) {
    return core::IniFile::FromText(Fetch(s.base() + "/vinra2000/ini/update.ini", dir));
}

// A small season with markup in names and texts, a round in play this week and
// a broken file the service must skip.
void WriteHostileData(const fs::path& data) {
    fs::create_directories(data / "rounds");
    WriteBytes(data / "rounds" / "S-5000.ini",
               "[Round]\nTyp=S\nOmgID=5000\nOmg=2026-50\nDeadline=2026-12-12 15:59\n"
               "[Payout]\n13=2;1234567\n12=40;5678\n11=300;250\n10=2000;40\n"
               "[Match1]\nHome=Brook & <Vale>\nAway=Ashford \"Town\"\nScore=2-1\n"
               "Comment=</kommentar><x>&amp;\nPeople=45.5;28.0;26.5\nNews=6;3;1\nOdds=2.00;3.50;3.80\nTips=1\n"
               "[Match2]\nHome=Kilbrack\nAway=Glenmuir\nScore=0-3\nEnded=0\n"
               "People=5.5;20;74.5\nNews=1;2;7\nOdds=8.00;4.00;1.40\n"
               "[Match3]\nHome=Isdal\nAway=Nesb\xC3\xB8\nScore=2-2\n"
               "People=30;40;30\nNews=3;4;3\nOdds=3.00;2.50;3.00\n");
    WriteBytes(data / "rounds" / "S-broken.ini", "[Round]\nTyp=Q\nOmgID=1\n");
    WriteBytes(data / "apikeys.ini", "[Keys]\ndemo=secret\n");
}

TEST(Season, ReadsRoundFilesAndSkipsBrokenOnes) {
    TempDir dir;
    WriteHostileData(dir.path());
    const Season season = Season::Load(dir.path());
    ASSERT_EQ(season.rounds().size(), 1u);
    ASSERT_EQ(season.problems().size(), 1u);
    EXPECT_NE(season.problems()[0].find("S-broken.ini"), std::string::npos);
    const Round& r = season.rounds()[0];
    EXPECT_EQ(r.roundInteger(), 202650);
    EXPECT_EQ(r.resultRow(), "1-X");  // match 2 is still being played
    ASSERT_EQ(r.levels.size(), 4u);
    EXPECT_EQ(r.levels[0].rights, 13);
    EXPECT_EQ(r.levels[0].payout, 1234567);
    EXPECT_EQ(r.matches[2].away, "Nesb\xC3\xB8");

    // The sample season: every file reads, every pool that is played has an open round.
    const Season sample = Season::Load(kSample, kThursday);
    EXPECT_TRUE(sample.problems().empty()) << sample.problems()[0];
    EXPECT_EQ(sample.pools(), "SIABCDEFGHVTO");
    // (The midweek pools A and G played this week's round on Wednesday.)
    for (char typ : std::string("SICEHVTO")) EXPECT_FALSE(sample.current(typ, "2026-50")->settled()) << typ;
    EXPECT_EQ(sample.current('S', "2026-49")->omgId, 4850);
}

// "yyyy-mm-dd hh:mm" as minutes since 1970.
long long Minutes(const std::string& t) {
    using namespace std::chrono;
    const sys_days day{year{std::stoi(t.substr(0, 4))} / std::stoi(t.substr(5, 2)) / std::stoi(t.substr(8, 2))};
    return day.time_since_epoch().count() * 1440LL + std::stoi(t.substr(11, 2)) * 60 + std::stoi(t.substr(14, 2));
}

// The sample season follows the day the service runs: on any date each pool has
// one open round whose deadline comes within the week, the weeks before it are
// settled with results, and the sample system's round is served with its teams.
TEST(Season, TheSampleSeasonFollowsTheDate) {
    core::TVinraFile sample;
    sample.LoadFromFile(fs::path(VINRA_SOURCE_DIR) / "resources" / "samples" / "sample.1x2");
    std::map<char, int32_t> openDraw;
    // A Thursday, the Sunday after the Saturday deadlines, the same Thursday a year on.
    for (const std::string now : {"2026-12-10 12:00", "2026-12-13 09:00", "2027-12-09 12:00"}) {
        SCOPED_TRACE(now);
        Running s(kSample, now);
        TempDir dir;
        const auto pools = net::ActivePoolsFile::FromText(Fetch(s.base() + "/vinra/activepools", dir));
        ASSERT_TRUE(pools.FileOK());
        const auto at = *net::ParseDeadline(now);
        const auto entries = pools.Entries(at);
        // One open round for every pool a player can play, whatever his operator.
        std::string playable, listed;
        for (const auto& p : core::BuiltinPools())
            if (!p.halfTime) playable += p.code;
        for (const auto& e : entries) listed += e.code;
        std::sort(playable.begin(), playable.end());
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, playable);
        const core::IniFile update = UpdateIni(s, dir);
        for (const auto& e : entries) {
            EXPECT_FALSE(e.closed) << e.code;
            EXPECT_GT(e.deadline, now) << e.code;
            EXPECT_EQ(e.omg, WeekOf(e.deadline)) << e.code;
            const Season season = Season::Load(kSample, now);
            const Round* open = season.find(e.code[0], e.omgId);
            ASSERT_NE(open, nullptr);
            EXPECT_TRUE(open->resultRow().empty()) << "an open round shows no scores";
            // The week before is settled with its whole result and payouts.
            const Round* before = season.find(e.code[0], e.omgId - open->drawStep);
            ASSERT_NE(before, nullptr);
            EXPECT_TRUE(before->settled());
            EXPECT_EQ(before->resultRow().find('-'), std::string::npos);
            EXPECT_LT(before->deadline, now);
            // Its games are in the list the program imports.
            const std::string line = fmt::format("{};{};{};1;{};{}", open->roundInteger(), e.code, e.omgId,
                                                 open->matches[0].home, open->matches[0].away);
            EXPECT_NE(std::find(pools.PoolGames().begin(), pools.PoolGames().end(), line), pools.PoolGames().end())
                << line;
            // Its game information through the pool's own address, and its statistics.
            std::string address = update.ReadString(e.code, "Details");
            ASSERT_NE(address.find("%s"), std::string::npos) << e.code;
            address.replace(address.find("%s"), 2, std::to_string(e.omgId));
            const core::IniFile gameInfo = net::GameInfoFromXml(Fetch(address, dir));
            EXPECT_EQ(gameInfo.ReadString("Game0", "Home"), open->matches[0].home) << e.code;
            EXPECT_FALSE(gameInfo.ReadString(fmt::format("Game{}", e.numGames - 1), "People1").empty()) << e.code;
            const net::HttpReply stats = net::Get(fmt::format("{}/Vinra/Info/{}/{}/", s.base(), e.code, e.omgId));
            EXPECT_EQ(stats.status, 200) << e.code;
            if (now == "2027-12-09 12:00") {
                EXPECT_EQ(e.omgId - openDraw[e.code[0]], 52 * open->drawStep) << e.code;
            } else if (now == "2026-12-10 12:00") {
                openDraw[e.code[0]] = e.omgId;
            }
        }
        // Every deadline lies within the coming week.
        for (const auto& e : entries) EXPECT_LT(Minutes(e.deadline) - Minutes(now), 7 * 1440) << e.code;

        // The sample system's round, by draw and by week, with its teams.
        std::string details = UpdateIni(s, dir).ReadString("S", "Details");
        details.replace(details.find("%s"), 2, std::to_string(sample.OmgID));
        const core::IniFile info = net::GameInfoFromXml(Fetch(details, dir));
        const Season season = Season::Load(kSample, now);
        const Round* round = season.findByWeek('S', sample.Omg);
        ASSERT_NE(round, nullptr);
        EXPECT_EQ(round->omgId, sample.OmgID);
        ASSERT_EQ(static_cast<int>(round->matches.size()), sample.MatchCount);
        EXPECT_EQ(info.ReadString("Game0", "Home"), round->matches[0].home);
        EXPECT_FALSE(info.ReadString("Game12", "Away").empty());
    }
}

TEST(Season, TheShippedActivePoolsFindTheirRoundsOnAnyDate) {
    // A first start makes its system from the list the program ships, before the
    // fresh one arrives: every round of it must be one the service knows.
    const auto shipped = net::ActivePoolsFile::FromText(
        core::DecodeFileText(ReadBytes(fs::path(VINRA_SOURCE_DIR) / "resources" / "activepools.ini")));
    for (const std::string now : {"2026-12-10 12:00", "2027-12-09 12:00"}) {
        const Season season = Season::Load(kSample, now);
        const auto entries = shipped.Entries(*net::ParseDeadline(now));
        ASSERT_FALSE(entries.empty());
        for (const auto& e : entries) {
            const Round* r = season.find(e.code[0], e.omgId);
            ASSERT_NE(r, nullptr) << e.code << " " << e.omgId << " at " << now;
            EXPECT_EQ(static_cast<int>(r->matches.size()), e.numGames) << e.code;
        }
    }
}

TEST(Service, UpdateIniAndClubFilesPointBackAtTheService) {
    Running s(kSample);
    TempDir dir;
    const fs::path file = dir.path() / "update.ini";
    ASSERT_TRUE(net::GetToFile(s.base() + "/vinra2000/ini/update.ini", file));
    const std::string bytes = ReadBytes(file);
    EXPECT_FALSE(core::IsUtf8WithNonAscii(bytes));        // Windows-1252 ...
    EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1);  // ... with CR LF
    const core::IniFile update = core::IniFile::FromFile(file);
    EXPECT_EQ(update.ReadString("Service", "Host"), s.base());
    EXPECT_GT(update.ReadString("Update", "IniVersion"), std::string("700"));  // compared as text
    EXPECT_EQ(update.ReadString("S", "Details").rfind(s.base() + "/api/svenskaspel/XMLinfoProxy.php", 0), 0u);
    EXPECT_EQ(update.ReadString("C", "GetResultRight"), "r\xC3\xA4tt");
    for (const std::string& section : update.Sections())
        for (const std::string& key : update.Keys(section))
            EXPECT_EQ(update.ReadString(section, key).find("{SERVICE}"), std::string::npos) << section << key;

    for (const char* key : {"IniUrl", "TeamLogo"}) {
        const core::IniFile club = core::IniFile::FromText(Fetch(update.ReadString("Update", key), dir));
        EXPECT_EQ(club.ReadInteger("Update", "FileOK", 0), 1) << key;
    }
    const core::IniFile logos = core::IniFile::FromText(Fetch(update.ReadString("Update", "TeamLogo"), dir));
    const std::string logo = logos.ReadString("Images", "Bj\xC3\xB8rkelia");
    ASSERT_EQ(logo.rfind(s.base() + "/vinra2000/logos/", 0), 0u);
    ASSERT_TRUE(net::GetToFile(logo, dir.path() / "logo.png"));
    EXPECT_EQ(ReadBytes(dir.path() / "logo.png").substr(1, 3), "PNG");
}

TEST(Service, ActivePoolsListTheOpenRoundsWithTheirDatabaseLines) {
    Running s(kSample);
    TempDir dir;
    const std::string text = Fetch(s.base() + "/vinra/activepools", dir);
    const core::IniFile ini = core::IniFile::FromText(text);
    EXPECT_EQ(ini.ReadInteger("Info", "FileOK", 0), 1);
    EXPECT_EQ(ini.ReadString("Info", "Date"), "2026-12-10");
    EXPECT_EQ(ini.ReadString("Info", "Pools"), "SIACEGHVTO");  // the half-time pools B, D, F are results only
    EXPECT_EQ(ini.ReadString("Info", "C"), "C0");
    EXPECT_EQ(ini.ReadString("S0", "XMLOmgang"), "4851");
    EXPECT_EQ(ini.ReadString("C0", "N"), "Tipping L\xC3\xB8rdag");
    EXPECT_EQ(ini.ReadString("C0", "C"), "Norsk Tipping");
    EXPECT_EQ(ini.ReadInteger("C0", "NumGames", 0), 12);
    EXPECT_FALSE(ini.HasSection("S1"));

    // [PoolGames] and [PoolResults] hold exchange lines: 6 and 12 ";"-fields.
    const auto lines = core::SplitLines(text);
    auto section = [&](const std::string& name) {
        std::vector<std::string> out;
        auto it = std::find(lines.begin(), lines.end(), "[" + name + "]");
        for (++it; it < lines.end() && !it->empty() && (*it)[0] != '['; ++it) out.push_back(*it);
        return out;
    };
    const auto games = section("PoolGames"), results = section("PoolResults");
    EXPECT_EQ(games.size(), 13u * 5 + 12u * 4 + 10u);  // S I H V T, A C E G, O
    for (const std::string& l : games) EXPECT_EQ(std::count(l.begin(), l.end(), ';'), 5) << l;
    ASSERT_EQ(results.size(), 13u);  // the latest result of every pool, half-time pools too
    for (const std::string& l : results) EXPECT_EQ(std::count(l.begin(), l.end(), ';'), 11) << l;
}

TEST(Service, DatabaseFilesAreExchangeLinesOfEveryRound) {
    Running s(kSample);
    TempDir dir;
    const Season season = Season::Load(kSample, kThursday);
    const auto games = core::SplitLines(Fetch(s.base() + "/vinra2000/ini/dbgames.txt", dir));
    size_t matches = 0;
    for (const Round& r : season.rounds()) matches += r.matches.size();
    EXPECT_EQ(games.size(), matches);
    EXPECT_NE(std::find(games.begin(), games.end(), "202647;C;2590;1;Bj\xC3\xB8rkelia;Tindvik"), games.end());

    const auto results = core::SplitLines(Fetch(s.base() + "/vinra2000/ini/dbresults.txt", dir));
    size_t settled = 0;
    for (const Round& r : season.rounds()) settled += r.settled();
    ASSERT_EQ(results.size(), settled);
    for (const std::string& line : results) {
        std::vector<std::string> f;
        for (size_t a = 0, b;; a = b + 1) {
            b = line.find(';', a);
            f.push_back(line.substr(a, b - a));
            if (b == std::string::npos) break;
        }
        ASSERT_EQ(f.size(), 12u) << line;
        const Round* r = season.find(f[1][0], std::stoi(f[2]));
        ASSERT_NE(r, nullptr) << line;
        EXPECT_EQ(f[3], r->resultRow());
        for (int i = 5; i <= 11; i += 2) EXPECT_EQ(f[i].substr(f[i].size() - 3), ",00") << line;
    }
}

// The results of a round in XML and HTML, read with the pool's keys of the
// published update.ini by the program's own parsers.
TEST(Service, ResultsPagesReadWithThePoolKeys) {
    Running s(kSample);
    TempDir dir;
    const core::IniFile update = UpdateIni(s, dir);
    const Season season = Season::Load(kSample, kThursday);
    // Addresses built from the keys as the download window builds them.
    auto address = [&](const char* typ, bool xml, int32_t draw, const char* week) {
        return draw ? net::ServiceAddress(update, typ, xml, true, net::kByDrawNumber, draw, "", "")
                    : net::ServiceAddress(update, typ, xml, true, net::kByYearWeek, 0, "2026", week);
    };
    struct Case {
        std::string typ, url;
        int32_t draw;
        bool xml;
    } cases[] = {
        {"S", address("S", true, 4850, ""), 4850, true},   {"I", address("I", true, 2311, ""), 2311, true},
        {"C", address("C", true, 0, "49"), 2598, true},    {"D", address("D", true, 0, "48"), 2594, true},
        {"S", address("S", false, 4849, ""), 4849, false}, {"C", address("C", false, 0, "47"), 2590, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const Round& r = *season.find(c.typ[0], c.draw);
        net::ParseOptions options;
        options.typ = c.typ;
        options.resultsMode = true;
        options.matchCount = static_cast<int>(r.matches.size());
        const std::string signs = PoolSigns(r.typ);
        options.signs = {signs.substr(0, 1), signs.substr(1, 1), signs.substr(2, 1)};
        net::TCouponInfo info;
        const std::string page = Fetch(c.url, dir);
        if (c.xml) {
            const auto parsed = net::ParseXmlRoundText(page, update, options, info);
            EXPECT_EQ(parsed.count, options.matchCount);
            EXPECT_EQ(parsed.drawNumber, c.draw);
            EXPECT_EQ(info.Year + "-" + info.Week, r.omg);
        } else {
            EXPECT_EQ(net::ParseHtmlRoundText(page, update, options, info), options.matchCount);
            EXPECT_EQ(info.Week, r.omg.substr(5));
        }
        EXPECT_EQ(info.Row, r.resultRow());
        ASSERT_EQ(info.Homes.size(), r.matches.size());
        EXPECT_EQ(info.Homes.back(), r.matches.back().home);
        EXPECT_EQ(info.Aways.front(), r.matches.front().away);
        ASSERT_GE(info.Payouts.size(), r.levels.size());
        EXPECT_EQ(info.Payouts[0], std::to_string(r.levels[0].payout));
        EXPECT_EQ(info.Winners[1], std::to_string(r.levels[1].winners));
    }

    // Without a draw number: the round of the current week, still without result.
    net::TCouponInfo open;
    net::ParseOptions games;
    EXPECT_EQ(
        net::ParseXmlRoundText(Fetch(update.ReadString("S", "XMLGetGamesUrl"), dir), update, games, open).drawNumber,
        4851);
    EXPECT_EQ(open.Homes.size(), 13u);
    EXPECT_EQ(open.Row, "");

    // Unknown rounds and nonsense queries are HTTP errors, so nothing good is replaced.
    const fs::path kept = dir.path() / "kept.htm";
    WriteBytes(kept, "good");
    for (const std::string& url : {update.ReadString("S", "XMLGetResultUrl") + "&omgang=1",
                                   s.base() + "/api/svenskaspel/XMLresultatProxy.php?produktid=7",
                                   update.ReadString("C", "GetResultLink") + "&aar=2026&uke=x",
                                   update.ReadString("G", "GetResultLink") + "draw=1"})
        EXPECT_FALSE(net::GetToFile(url, kept)) << url;
    EXPECT_EQ(ReadBytes(kept), "good");
}

TEST(Service, GameInformationGivesThreeValuesPerSignAndMatch) {
    Running s(kSample);
    TempDir dir;
    const core::IniFile update = UpdateIni(s, dir);
    std::string details = update.ReadString("S", "Details");
    details.replace(details.find("%s"), 2, "4851");
    const core::IniFile info = net::GameInfoFromXml(Fetch(details, dir));
    const Season season = Season::Load(kSample, kThursday);
    const Round& r = *season.find('S', 4851);
    for (int m = 0; m < 13; ++m) {
        const std::string g = "Game" + std::to_string(m);
        EXPECT_EQ(info.ReadString(g, "Home"), r.matches[m].home);
        EXPECT_EQ(info.ReadString(g, "People1"), r.matches[m].people[0]);
        EXPECT_EQ(info.ReadString(g, "News2"), r.matches[m].news[2]);
        EXPECT_EQ(info.ReadString(g, "OddsX"), r.matches[m].odds[1]);
        EXPECT_EQ(info.ReadString(g, "XTips"), r.matches[m].tips);
    }
    EXPECT_FALSE(info.HasSection("Game13"));
    EXPECT_FALSE(
        net::GetToFile(s.base() + "/api/svenskaspel/XMLinfoProxy.php?produktid=1&omgang=99", dir.path() / "x"));
}

TEST(Service, MarkupInTheOperatorsDataIsEscapedEverywhere) {
    TempDir data, dir;
    WriteHostileData(data.path());
    Running s(data.path());
    const core::IniFile info =
        net::GameInfoFromXml(Fetch(s.base() + "/api/svenskaspel/XMLinfoProxy.php?produktid=1&omgang=5000", dir));
    EXPECT_EQ(info.ReadString("Game0", "Home"), "Brook & <Vale>");
    EXPECT_EQ(info.ReadString("Game0", "Away"), "Ashford \"Town\"");
    EXPECT_EQ(info.ReadString("Game0", "Comment"), "</kommentar><x>&amp;");

    for (const char* path :
         {"/api/svenskaspel/XMLresultatProxy.php?produktid=1&omgang=5000", "/spel/resultat.php?typ=S&omgang=5000",
          "/Vinra/Games/S/5000/1/", "/Vinra/Table/1/S/5000/1/", "/apps/goalservice/377.html"}) {
        const std::string page = Fetch(s.base() + path, dir);
        EXPECT_EQ(page.find("<Vale>"), std::string::npos) << path;
        EXPECT_EQ(page.find("& "), std::string::npos) << path;
    }
    pugi::xml_document doc;
    const std::string xml = Fetch(s.base() + "/api/svenskaspel/XMLresultatProxy.php?produktid=1&omgang=5000", dir);
    ASSERT_TRUE(doc.load_string(xml.c_str()));
    EXPECT_STREQ(doc.select_node("//match/hemmalag").node().text().get(), "Brook & <Vale>");
}

TEST(Service, LiveSourcesReadByTheProgramsParsers) {
    TempDir data, dir;
    WriteHostileData(data.path());
    Running s(data.path());
    net::TResultInfo live;
    ASSERT_TRUE(net::ParseLiveXmlText(
        Fetch(s.base() + "/api/svenskaspel/goalserviceProxy.php?produktid=1&omgang=5000", dir), live));
    EXPECT_EQ(live.home[0], 2);
    EXPECT_EQ(live.away[0], 1);
    EXPECT_EQ(live.status[0], 1);
    EXPECT_EQ(live.status[1], 3);  // still being played
    EXPECT_EQ(live.away[1], 3);
    EXPECT_EQ(live.home[2], 2);
    EXPECT_EQ(live.winAmount[0], 1234567 * int64_t{10000});
    EXPECT_EQ(live.winners[3], 2000);

    // A later goal makes a newer record, which the program takes over.
    const int32_t before = live.version[1];
    std::string round = ReadBytes(data.path() / "rounds" / "S-5000.ini");
    round.replace(round.find("Score=0-3"), 9, "Score=1-3");
    WriteBytes(data.path() / "rounds" / "S-5000.ini", round);
    fs::last_write_time(data.path() / "rounds" / "S-5000.ini",
                        fs::file_time_type::clock::now() + std::chrono::seconds(5));
    ASSERT_TRUE(net::ParseLiveXmlText(
        Fetch(s.base() + "/api/svenskaspel/goalserviceProxy.php?produktid=1&omgang=5000", dir), live));
    EXPECT_GT(live.version[1], before);
    EXPECT_EQ(live.home[1], 1);

    // The text-TV page: plain names are found with their scores and ended marks,
    // the payout of 13 right is read from its line.
    net::TResultInfo svt;
    const fs::path page = dir.path() / "page.goal";
    ASSERT_TRUE(net::GetToFile(s.base() + "/apps/goalservice/377.html", page));
    ASSERT_TRUE(net::ParseSvtPage(page, svt, "S", {"Brook & <Vale>", "Kilbrack", "Isdal"},
                                  {"Ashford \"Town\"", "Glenmuir", "Nesb\xC3\xB8"}, core::IniFile()));
    EXPECT_EQ(svt.home[1], 1);
    EXPECT_EQ(svt.away[1], 3);
    EXPECT_EQ(svt.status[1], 3);
    EXPECT_EQ(svt.home[2], 2);
    EXPECT_EQ(svt.status[2], 1);
    EXPECT_EQ(svt.winAmount[0], 1234567 * int64_t{10000});
    EXPECT_EQ(svt.winAmount[3], 40 * int64_t{10000});
}

// A new installation: the shipped update.ini pointed at the service, then the
// program's own flows one after the other.
TEST(Service, TheProgramsFlowsRunAgainstTheSampleSeason) {
    Running s(kSample);
    TempDir folder;
    const fs::path data = folder.path();
    std::string shipped = ReadBytes(fs::path(VINRA_SOURCE_DIR) / "resources" / "update.ini");
    for (size_t at; (at = shipped.find("http://127.0.0.1:8080")) != std::string::npos;)
        shipped.replace(at, 21, s.base());
    WriteBytes(data / "update.ini", shipped);

    struct QuietUi : net::UpdateCheckUi {
        void ShowInfo(const std::string&) override {}
        bool AskYesNo(const std::string&) override { return false; }
        void OpenUrl(const std::string&) override {}
    } ui;
    const net::UpdateCheckResult check = net::UpdateCheck(data, ui, "7.51");
    EXPECT_TRUE(check.updateIniReplaced) << check.updateIniError;
    EXPECT_TRUE(check.teamstatRefreshed);
    EXPECT_TRUE(check.teamlogoRefreshed);
    EXPECT_FALSE(check.newerProgram);
    const core::IniFile update = core::IniFile::FromFile(data / "update.ini");
    EXPECT_EQ(update.ReadString("Update", "IniVersion"), "701");

    checking::TTipsData db;
    db.Open(data / "tipsdata.sqlite");
    const net::ActivePoolsRefresh pools = net::RefreshActivePools(net::ServiceHostOf(update), data, &db);
    ASSERT_TRUE(pools.replaced) << pools.error;
    EXPECT_EQ(pools.importError, "");
    EXPECT_EQ(pools.games.inserted, 123u);
    EXPECT_EQ(pools.results.inserted, 13u);
    EXPECT_TRUE(pools.games.skippedLines.empty());

    const net::UpdateDatabaseResult all = net::RunUpdateDatabase(net::ServiceHostOf(update), data, db);
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_TRUE(all.games.skippedLines.empty());
    EXPECT_TRUE(all.results.skippedLines.empty());
    const Season season = Season::Load(kSample, kThursday);
    size_t settled = 0;
    for (const Round& r : season.rounds()) settled += r.settled();
    EXPECT_EQ(all.results.inserted + all.results.updated + all.results.unchanged, settled);
    const auto stored = db.FindResult("C", 2598);
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.Rad, season.find('C', 2598)->resultRow());

    const net::GameInfoDownload info = net::DownloadGameInfo(update, data, "S", "Stryktipset", 4851);
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_EQ(info.matches, 13);
}

TEST(Service, OwnRowsAreAcceptedOnlyWhenWellFormed) {
    Running s(kSample);
    auto post = [&](const std::string& xml) {
        return net::PostForm(s.base() + "/Vinra/egnarader", {"xmlData=" + xml}).body;
    };
    const std::string row = "<rad system=\"E\">1,X,2,1,X,2,1,X,2,1,X,2,1</rad>";
    const std::string good =
        "<egnarader klient=\"Vinra 2000\" ombud=\"41706\" spelkort=\"12345\">"
        "<spel produkt=\"1\" produktnamn=\"Stryktipset\">" +
        row + row + "</spel></egnarader>";
    const std::string reply = post(good);
    ASSERT_NE(reply.find("<status kod=\"0\">OK</status>"), std::string::npos) << reply;
    const size_t a = reply.find("<url>") + 5, b = reply.find("</url>");
    const net::HttpReply shop = net::Get(reply.substr(a, b - a));
    EXPECT_EQ(shop.status, 200);
    EXPECT_NE(shop.body.find("1X21X21X21X21"), std::string::npos);

    for (const std::string& bad : {std::string("not xml"), std::string(good).replace(good.find("12345"), 5, "12a45"),
                                   std::string(good).replace(good.find("1,X,2,1</rad>"), 13, "1,X,2</rad>"),
                                   std::string(good).replace(good.find("1,X,2,1</rad>"), 13, "1,X,2,Q</rad>"),
                                   std::string(good).replace(good.find("produkt=\"1\""), 11, "produkt=\"9\"")}) {
        const std::string r = post(bad);
        EXPECT_EQ(r.find("<status kod=\"0\">"), std::string::npos) << bad;
        EXPECT_NE(r.find("<status kod="), std::string::npos) << r;
    }
}

TEST(Service, OwnRowsOfEverySizeTheShopTakesGetThroughAndRefusalsAreStated) {
    auto xml = [](size_t rows) {
        std::string out = "<egnarader klient=\"Vinra 2000\" ombud=\"41706\" spelkort=\"12345\">"
                          "<spel produkt=\"1\" produktnamn=\"Stryktipset\">";
        for (size_t r = 0; r < rows; ++r) {
            std::string signs;
            for (int m = 0; m < 13; ++m) signs += std::string(m ? "," : "") + "1X2"[(r >> (m % 11)) % 3];
            out += "<rad system=\"E\">" + signs + "</rad>";
        }
        return out + "</spel></egnarader>";
    };
    struct Case {
        std::string now;
        size_t rows;
        const char* status;
    };
    const Case cases[] = {
        {kThursday, 96, "<status kod=\"0\">OK</status>"},      // past the HTTP library's own 8 KB form limit
        {kThursday, 20000, "<status kod=\"0\">OK</status>"},   // the most the shop takes
        {kThursday, 20001, "<status kod=\"5\">"},              // one too many: said so
        {"2026-12-12 18:00", 10, "<status kod=\"0\">OK</status>"},  // Saturday evening: next week's round
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " rows at " + c.now);
        Running s(kSample, c.now);
        const net::HttpReply reply = net::PostForm(s.base() + "/Vinra/egnarader", {"xmlData=" + xml(c.rows)});
        EXPECT_EQ(reply.status, 200);
        EXPECT_NE(reply.body.find(c.status), std::string::npos) << reply.body.substr(0, 300);
    }
    // A round file whose deadline has passed and no later one: the round is closed.
    TempDir data;
    fs::create_directories(data.path() / "rounds");
    std::string round = "[Round]\nTyp=S\nOmgID=4851\nOmg=2026-50\nDeadline=2026-12-12 15:59\n";
    for (int m = 1; m <= 13; ++m) round += fmt::format("[Match{}]\nHome=A{}\nAway=B{}\n", m, m, m);
    WriteBytes(data.path() / "rounds" / "S-4851.ini", round);
    Running late(data.path(), "2026-12-12 16:30");
    const net::HttpReply closed = net::PostForm(late.base() + "/Vinra/egnarader", {"xmlData=" + xml(2)});
    EXPECT_NE(closed.body.find("<status kod=\"6\">"), std::string::npos) << closed.body;
}

TEST(Service, APostWithoutABodyIsAnEmptyPost) {
    // As curl -X POST sends it when no data is given: no length, no body.
    Running s(kSample);
    const int port = std::stoi(s.base().substr(s.base().rfind(':') + 1));
    for (const std::string path : {"/api/live/start?typ=S&start=now&minute=1", "/api/live/stop"}) {
        SCOPED_TRACE(path);
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        const std::string request = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n";
        ASSERT_EQ(::send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
        timeval wait{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char buf[64] = {};
        const ssize_t got = ::recv(fd, buf, sizeof buf - 1, 0);
        ::close(fd);
        ASSERT_GT(got, 0);
        EXPECT_EQ(std::string(buf).substr(0, 12), "HTTP/1.1 200");
    }
}

TEST(Service, UploadsNeedTheAccountKeyAndLeadToALiveCheckPage) {
    TempDir dir;
    Running s(kSample);
    const Season season = Season::Load(kSample, kThursday);
    const Round& round = *season.find('S', 4850);
    std::string result;  // sign codes of the result row
    for (char c : round.resultRow()) result += static_cast<char>('0' + PoolSigns('S').find(c));
    std::string twelve = result;
    twelve[0] = result[0] == '0' ? '1' : '0';
    core::TVinraFile doc;
    doc.NewSystem(13, true);
    doc.Typ = "S";
    doc.Pool = "Stryktipset";
    doc.OmgID = 4850;
    doc.Rader = {result, twelve};
    const fs::path system = dir.path() / "Mitt system.1x2";
    doc.SaveToFile(system);

    const net::UploadReply ok =
        net::ParseUploadReply(net::UploadSystem(s.base(), {"demo", "vinra-demo-2026"}, system, true).body);
    ASSERT_EQ(ok.kind, net::UploadReplyKind::Uploaded)
        << ok.problem << net::UploadSystem(s.base(), {"demo", "vinra-demo-2026"}, system, true).body;
    const std::string page = net::Get(ok.link).body;
    EXPECT_NE(page.find("Mitt system.1x2"), std::string::npos);
    EXPECT_NE(page.find("<tr><td>13</td><td>1</td>"), std::string::npos) << page;
    EXPECT_NE(page.find("<tr><td>12</td><td>1</td>"), std::string::npos) << page;

    // The described reply handling cuts the link as the text after "link":" without
    // the last four characters; the reply is laid out so that this works too.
    const std::string raw =
        net::UnescapeSlashes(net::UploadSystem(s.base(), {"demo", "vinra-demo-2026"}, system, true).body);
    const std::string cut = raw.substr(raw.find("\"link\":\"") + 8);
    EXPECT_EQ(net::Get(cut.substr(0, cut.size() - 4)).status, 200);

    // A part file of text rows, whose first line names the pool.
    const fs::path part = dir.path() / "part1.txt";
    WriteBytes(part, "Stryktipset\r\nE,1,X,1,1,1,1,1,1,1,1,1,1,1\r\nE,2,2,2,2,2,2,2,2,2,2,2,2,2\r\n");
    EXPECT_EQ(net::ParseUploadReply(net::UploadSystem(s.base(), {"demo", "vinra-demo-2026"}, part, false).body).kind,
              net::UploadReplyKind::Uploaded);

    EXPECT_EQ(net::ParseUploadReply(net::UploadSystem(s.base(), {"demo", "wrong"}, system, true).body).kind,
              net::UploadReplyKind::WrongKey);
    EXPECT_EQ(net::ParseUploadReply(net::UploadSystem(s.base(), {"nobody", ""}, system, true).body).kind,
              net::UploadReplyKind::WrongKey);
    WriteBytes(part, "no pool here\r\n1X2\r\n");
    EXPECT_EQ(net::ParseUploadReply(net::UploadSystem(s.base(), {"demo", "vinra-demo-2026"}, part, false).body).kind,
              net::UploadReplyKind::Unreadable);
}

TEST(Service, GoalServicePublicationsAreShownEscaped) {
    Running s(kSample);
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><goalservice><productname>Stryktipset</productname>"
        "<round>2026-50</round><rows>2</rows><games><match><no>1</no><home>\xD6rby</home><away>A&amp;B &lt;x&gt;</away>"
        "<goals>x - "
        "x</goals></match></games><result><win><rights>13</rights><number>0</number><value>0</value><sum>0</sum></win>"
        "</result><comment>rad 1&lt;br&#47;&gt;rad 2</comment></goalservice>";
    const net::HttpReply posted = net::PostForm(s.base() + "/apps/goalservice/gsnew.php",
                                                {"submit=Submit", "xmldata=" + xml, "dbid=S4851_demo_mitt"});
    EXPECT_EQ(posted.status, 200);
    const std::string page = net::Get(s.base() + "/goalservice/goalservice.php?id=S4851_demo_mitt").body;
    EXPECT_NE(page.find("\xC3\x96rby"), std::string::npos);
    EXPECT_NE(page.find("A&amp;B &lt;x&gt;"), std::string::npos);
    EXPECT_NE(page.find("rad 1<br>rad 2"), std::string::npos);
    EXPECT_EQ(net::Get(s.base() + "/goalservice/goalservice.php?id=other").status, 404);
    EXPECT_EQ(net::PostForm(s.base() + "/apps/goalservice/gsnew.php", {"xmldata=" + xml, "dbid=../x"}).status, 400);

    // A full round with its ten best rows is far beyond 8 KB once URL-encoded.
    std::string big = xml;
    big.insert(big.find("</games>"), std::string(60000, ' '));
    EXPECT_EQ(net::PostForm(s.base() + "/apps/goalservice/gsnew.php",
                            {"submit=Submit", "xmldata=" + big, "dbid=S4851_demo_stor"})
                  .status,
              200);
}

TEST(Service, HelpAndStatisticsPagesStayInsideTheDataFolder) {
    Running s(kSample);
    auto status = [&](const std::string& path) { return net::Get(s.base() + path).status; };
    EXPECT_NE(net::Get(s.base() + "/vinra2000/help/0/html/main.htm").body.find("lang=\"sv\""), std::string::npos);
    EXPECT_NE(net::Get(s.base() + "/vinra2000/help/30000/html/main.htm").body.find("lang=\"no\""), std::string::npos);
    EXPECT_NE(net::Get(s.base() + "/vinra2000/help/50000/html/main.htm").body.find("lang=\"en\""), std::string::npos);
    // The manual built with the programs: a window's page and its picture.
    EXPECT_NE(net::Get(s.base() + "/vinra2000/help/10000/html/generate.htm").body.find("lang=\"en\""),
              std::string::npos);
    for (const char* path :
         {"/vinra2000/help/0/html/..%2F..%2Fapikeys.ini", "/vinra2000/help/0/html/.hidden",
          "/vinra2000/help/0/html/nothing.htm", "/vinra2000/logos/..%2Fapikeys.ini", "/vinra2000/ini/apikeys.ini"})
        EXPECT_EQ(status(path), 404) << path;

    const Season season = Season::Load(kSample, kThursday);
    const Round& r = *season.find('S', 4850);
    for (const char* view : {"Chart", "Games", "Meetings", "Table/1", "Table/4", "Table/6"}) {
        const net::HttpReply page = net::Get(s.base() + "/Vinra/" + view + "/S/4850/2/");
        EXPECT_EQ(page.status, 200) << view;
        EXPECT_NE(page.body.find(r.matches[1].home), std::string::npos) << view;
    }
    // Both teams' league: every club of theirs appears in the table once.
    const std::string table = net::Get(s.base() + "/Vinra/Table/1/S/4850/2/").body;
    EXPECT_NE(table.find("<td>14</td><td>"), std::string::npos);  // the 14-club league
    EXPECT_EQ(table.find("<td>15</td><td>"), std::string::npos);
    for (const char* path : {"/Vinra/Table/7/S/4850/2/", "/Vinra/Chart/S/4850/14/", "/Vinra/Chart/S/1/1/"})
        EXPECT_EQ(status(path), 404) << path;
    // In the player's language: Swedish by default, English for the others.
    const std::string games = net::Get(s.base() + "/Vinra/Games/S/4850/2/?lang=sv").body;
    EXPECT_NE(games.find("<h1>Senaste matcherna</h1>"), std::string::npos);
    const std::string english = net::Get(s.base() + "/Vinra/Games/S/4850/2/?lang=en").body;
    EXPECT_NE(english.find("<h1>Latest games</h1>"), std::string::npos);
    EXPECT_NE(english.find("<th>Round</th>"), std::string::npos);
    EXPECT_EQ(english.find("Omgång"), std::string::npos);
    EXPECT_NE(net::Get(s.base() + "/Vinra/Table/1/S/4850/2/?lang=fi").body.find("<th>Pts</th>"), std::string::npos);
}

}  // namespace
}  // namespace vinra::service
