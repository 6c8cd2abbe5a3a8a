// The club statistics of a round: what the service publishes for the sample
// season, fetched over HTTP and read with the program's own INI reader.
#include "service/round_stats.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include <fmt/format.h>

#include "core/text.h"
#include "net/http.h"
#include "service/server.h"

namespace vinra::service {
namespace {
namespace fs = std::filesystem;

const fs::path kSample = VINRA_SERVICE_DATA;
const char* const kThursday = "2026-12-10 12:00";

TEST(RoundStats, SampleSeasonGivesEveryClubAPositionAndItsLatestGames) {
    VinraService service({kSample, "", [] { return std::string(kThursday); }});
    httplib::Server svr;
    service.Register(svr);
    const int port = svr.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { svr.listen_after_bind(); });
    struct Stop {
        httplib::Server& svr;
        std::thread& thread;
        ~Stop() {
            svr.stop();
            thread.join();
        }
    } stop{svr, thread};
    const std::string base = fmt::format("http://127.0.0.1:{}", port);

    const net::HttpReply reply = net::Get(base + "/Vinra/Info/S/4850/");
    ASSERT_EQ(reply.status, 200);
    const auto ini = core::IniFile::FromText(core::DecodeFileText(reply.body));
    const auto teamstat = core::IniFile::FromFile(kSample / "teamstat.ini");
    EXPECT_EQ(ini.ReadString("Info", "Date"), "2026-12-10");

    const Season season = Season::Load(kSample, kThursday);
    const Round& round = *season.find('S', 4850);
    int withGames = 0;
    for (const Match& m : round.matches) {
        for (const std::string& name : {m.home, m.away}) {
            const std::string club = teamstat.ReadString("Alias", name, name);
            ASSERT_TRUE(ini.HasSection(club)) << club;
            EXPECT_GE(ini.ReadInteger(club, "Total", 0), 1) << club;
            if (!ini.HasKey(club, "LG0")) continue;
            ++withGames;
            for (int i = 0; i < 10 && ini.HasKey(club, fmt::format("LG{}", i)); ++i) {
                // "W|2026-49|Home - Away 2-1 (h)": the outcome is the club's, the marker its side.
                const std::string line = ini.ReadString(club, fmt::format("LG{}", i));
                int hg = 0, ag = 0;
                char side = 0;
                const size_t score = line.rfind(' ', line.rfind(" (") - 1);
                ASSERT_EQ(std::sscanf(line.c_str() + score, " %d-%d (%c)", &hg, &ag, &side), 3) << line;
                const int gf = side == 'h' ? hg : ag, ga = side == 'h' ? ag : hg;
                EXPECT_EQ(line[0], gf > ga ? 'W' : gf < ga ? 'L' : 'D') << line;
                EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 2) << line;
            }
        }
    }
    EXPECT_GT(withGames, 0);
    EXPECT_EQ(net::Get(base + "/Vinra/Info/S/1/").status, 404);

    // Every match with a comment has a preview clip, and the clip is a WAV file.
    int clips = 0;
    for (size_t k = 0; k < round.matches.size(); ++k) {
        const std::string clip = ini.ReadString(fmt::format("Game{}", k), "Sound");
        EXPECT_EQ(clip.empty(), round.matches[k].comment.empty()) << k;
        if (clip.empty()) continue;
        ++clips;
        const net::HttpReply wav = net::Get(base + "/Vinra/Sounds/" + clip);
        ASSERT_EQ(wav.status, 200) << clip;
        ASSERT_GT(wav.body.size(), 44u);
        EXPECT_EQ(wav.body.substr(0, 4), "RIFF");
        EXPECT_EQ(wav.body.substr(8, 8), "WAVEfmt ");
    }
    EXPECT_GT(clips, 0);
    for (const char* bad : {"x.mp3", "..%2Fx.wav", "a%20b.wav"})
        EXPECT_EQ(net::Get(base + "/Vinra/Sounds/" + bad).status, 404) << bad;
}

TEST(RoundStats, PositionsByLeagueAndUnsafeNamesLeftOut) {
    Season season;
    auto played = [](std::string omg, std::vector<Match> ms) {
        Round r;
        r.omg = std::move(omg);
        r.omgId = static_cast<int32_t>(r.omg.size() * 100 + r.omg.back());
        for (Match& m : ms) m.ended = true;
        r.matches = std::move(ms);
        return r;
    };
    auto match = [](std::string home, std::string away, int homeGoals = -1, int awayGoals = -1) {
        Match m;
        m.home = std::move(home);
        m.away = std::move(away);
        m.homeGoals = homeGoals;
        m.awayGoals = awayGoals;
        return m;
    };
    season.add(played("2026-48", {match("A", "B", 0, 1), match("C", "D", 2, 2)}));
    season.add(played("2026-49", {match("B", "C", 3, 0), match("A", "[x]", 1, 0)}));
    Round open;
    open.omg = "2026-50";
    open.matches = {match("B", "A"), match("[x]", "C"), match("D", "Z")};
    const auto teamstat = core::IniFile::FromText("[Alias]\nB=Bravo\n[League]\nA=L1\nBravo=L1\nC=L1\nD=L1\n");
    const auto ini = core::IniFile::FromText(RoundStatsIni(season, open, teamstat, "2026-12-10"));
    EXPECT_EQ(ini.ReadInteger("Bravo", "Total", 0), 1);  // 6 points
    EXPECT_EQ(ini.ReadInteger("D", "Total", 0), 2);      // 1 point, goals 2
    EXPECT_EQ(ini.ReadInteger("C", "Total", 0), 3);      // 1 point, -3
    EXPECT_EQ(ini.ReadInteger("A", "Total", 0), 4);      // the win over [x] is outside the league
    EXPECT_EQ(ini.ReadString("Bravo", "LG0"), "W|2026-49|B - C 3-0 (h)");
    EXPECT_EQ(ini.ReadString("Bravo", "LG1"), "W|2026-48|A - B 0-1 (b)");
    EXPECT_EQ(ini.ReadString("A", "LG0"), "W|2026-49|A - [x] 1-0 (h)");
    EXPECT_TRUE(ini.HasSection("Z"));
    EXPECT_FALSE(ini.HasKey("Z", "Total"));  // no league known
    EXPECT_FALSE(ini.HasKey("Z", "LG0"));
    for (const std::string& s : ini.Sections()) EXPECT_EQ(s.find('['), std::string::npos) << s;
}

}  // namespace
}  // namespace vinra::service
