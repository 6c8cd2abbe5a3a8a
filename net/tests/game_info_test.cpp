#include "net/game_info.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/tests/pools_test_server.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

// Two matches as the operator lays them out: people, newspapers, odds, each a
// val1/valx/val2 triple, in document order.
std::string MatchXml(const std::string& home, const std::string& away, const std::string& people,
                     const std::string& comment = "Form\nguide") {
    const std::string p[3] = {people, "30", "25"};
    std::string x = "<match><hemmalag>" + home + "</hemmalag><bortalag>" + away + "</bortalag><tips>1X</tips>" +
                    "<kommentar>" + comment + "</kommentar>";
    x += "<svenska><val1>" + p[0] + "</val1><valx>" + p[1] + "</valx><val2>" + p[2] + "</val2></svenska>";
    x += "<tidning><val1>7</val1><valx>2</valx><val2>1</val2></tidning>";
    x += "<odds><val1>2.00</val1><valx>3.50</valx><val2>3.80</val2></odds></match>";
    return x;
}
std::string RoundXml(const std::string& matches) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><spelinfo>" + matches + "</spelinfo>";
}

TEST(GameInfoXml, EachMatchTakesPeopleNewspapersAndOddsInDocumentOrder) {
    const auto ini = GameInfoFromXml(RoundXml(MatchXml("Arsenal", "Chelsea", "45", "Rain\r\nexpected") +
                                              MatchXml("<![CDATA[<b>Malm\xc3\xb6</b> FF]]>", "AIK &amp; Co", "5.5")));
    EXPECT_EQ(ini.Sections().size(), 2u);
    EXPECT_EQ(ini.ReadString("Game0", "Home"), "Arsenal");
    EXPECT_EQ(ini.ReadString("Game0", "XTips"), "1X");
    EXPECT_EQ(ini.ReadString("Game0", "Comment"), "Rain expected");
    EXPECT_EQ(ini.ReadString("Game0", "People1"), "45.0");  // at least one decimal
    EXPECT_EQ(ini.ReadString("Game0", "PeopleX"), "30.0");
    EXPECT_EQ(ini.ReadString("Game0", "News1"), "7");
    EXPECT_EQ(ini.ReadString("Game0", "Odds2"), "3.80");
    // Markup in a name is text, not structure.
    EXPECT_EQ(ini.ReadString("Game1", "Home"), "<b>Malm\xc3\xb6</b> FF");
    EXPECT_EQ(ini.ReadString("Game1", "Away"), "AIK & Co");
    EXPECT_EQ(ini.ReadString("Game1", "People1"), "5.5");
}

TEST(GameInfoXml, Latin1DeclaredXmlIsConverted) {
    const auto ini = GameInfoFromXml("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>" +
                                     MatchXml("Malm\xf6 FF", "Djurg\xe5rden", "40") + "</r>");
    EXPECT_EQ(ini.ReadString("Game0", "Home"), "Malm\xc3\xb6 FF");
    EXPECT_EQ(ini.ReadString("Game0", "Away"), "Djurg\xc3\xa5rden");
}

TEST(GameInfoXml, UnreadableOrIncompleteXmlIsRefusedWithAReason) {
    std::string oneMatch = MatchXml("A", "B", "40");
    std::string fewerVal1 = oneMatch;
    fewerVal1.erase(fewerVal1.rfind("<val1>2.00</val1>"), 17);
    std::string many;
    for (int i = 0; i < 31; ++i) many += MatchXml("A", "B", "40");
    struct Case {
        const char* name;
        std::string xml;
        const char* says;
    } cases[] = {
        {"malformed", "<spelinfo><match><hemmalag>A</match>", "not readable XML"},
        {"empty", "", "not readable XML"},
        {"no matches", RoundXml("<match/>"), "no matches"},
        {"fewer val1", RoundXml(fewerVal1), "val1"},
        {"no away team", RoundXml("<hemmalag>A</hemmalag>"), "bortalag"},
        {"too many matches", RoundXml(many), "at most 30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            GameInfoFromXml(c.xml);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

// The match statistics window shows these refusals as they are: in a Swedish
// program, in Swedish.
TEST(GameInfo, RefusalsSpeakThePlayersLanguage) {
    struct Restore {
        ~Restore() { core::SetCurrentLanguage(core::LangEnglish); }
    } restore;
    core::SetCurrentLanguage(core::LangSwedish);
    const auto refusal = [](const std::string& xml) {
        try {
            GameInfoFromXml(xml);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    std::string many;
    for (int i = 0; i < 31; ++i) many += MatchXml("A", "B", "40");
    TempDir dir;
    const struct {
        std::string text;
        const char* swedish;
    } cases[] = {
        {refusal(RoundXml("<match/>")), "Matchinformationen innehåller inga matcher (inget hemmalag-element)."},
        {refusal(RoundXml(many)), "Matchinformationen innehåller 31 matcher; en omgång har högst 30."},
        {refusal(RoundXml("<hemmalag>A</hemmalag>")), "Matchinformationen är ofullständig: 1 matcher men 0 bortalag-element."},
        {DownloadGameInfo(core::IniFile{}, dir.path(), "X", "Nothing", 1).error,
         "Det finns ingen matchinformation för det här spelet."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

// A game-information file written by hand from the format description.
std::filesystem::path WriteInfo(const TempDir& dir, const std::vector<std::array<const char*, 6>>& matches) {
    std::string text;
    for (size_t m = 0; m < matches.size(); ++m) {
        const auto& v = matches[m];
        text += "[Game" + std::to_string(m) + "]\r\nPeople1=" + v[0] + "\r\nPeopleX=" + v[1] + "\r\nPeople2=" + v[2] +
                "\r\nOdds1=" + v[3] + "\r\nOddsX=" + v[4] + "\r\nOdds2=" + v[5] + "\r\n";
    }
    const auto p = dir.path() / "info.ini";
    WriteBytes(p, text);
    return p;
}

TEST(SvSpelInfo, DerivedValuesFavouritesAndRanking) {
    TempDir dir;
    const auto file = WriteInfo(dir, {
                                         {"45.5", "28.0", "26.5", "2.00", "3.50", "3.80"},
                                         {"40.0", "40.0", "20.0", "2.10", "0", "3.00"},
                                         {"5.5", "20.0", "74.5", "", "", ""},
                                         {"30.0", "40.0", "30.0", "1,50", "4.00", "6.00"},
                                     });
    std::array<std::vector<std::string>, 3> proc = {std::vector<std::string>{"50", "x"}, std::vector<std::string>{"25"},
                                                    std::vector<std::string>{}};
    TSvSpelInfo info;
    info.Load(file, 4, proc);

    EXPECT_EQ(info.People[2][0], "05.5");
    EXPECT_NEAR(info.PeopleOdds[0][0], 100 / 45.5, 1e-9);
    EXPECT_NEAR(info.OddsPercent[0][0], 47.67, 0.005);
    EXPECT_NEAR(info.OddsPercent[0][0] + info.OddsPercent[0][1] + info.OddsPercent[0][2], 100, 1e-9);
    EXPECT_EQ(info.OddsPercent[1][0], 0);  // one odds missing: no implied percentages
    EXPECT_EQ(info.OddsPercent[2][2], 0);
    EXPECT_NEAR(info.OddsValue[3][0], 1.5, 1e-12);
    EXPECT_EQ(info.UserValue[0][0], 50);
    EXPECT_EQ(info.UserOdds[0][0], 2);
    EXPECT_EQ(info.UserValue[1][0], 0);  // not a number
    EXPECT_EQ(info.UserValue[0][1], 25);
    EXPECT_EQ(info.UserOdds[0][2], 0);

    ASSERT_EQ(info.AllPeople.size(), 12u);
    EXPECT_EQ(info.AllPeople.front(), "05.5");  // sorts before 20.0 and 45.5
    EXPECT_EQ(info.Favourite(0), 0);
    EXPECT_EQ(info.Favourite(1), 0);  // ties favour home
    EXPECT_EQ(info.Favourite(2), 2);
    EXPECT_EQ(info.Favourite(3), 1);

    // Ascending by the favourite's text; the two 40.0 favourites: draw (1)
    // before home (0), i.e. sign code descending.
    ASSERT_EQ(info.Rank.size(), 4u);
    EXPECT_EQ(info.Rank[0].match, 4);
    EXPECT_EQ(info.Rank[0].sign, "1");
    EXPECT_EQ(info.Rank[1].match, 2);
    EXPECT_EQ(info.Rank[1].sign, "0");
    EXPECT_EQ(info.Rank[2].match, 1);
    EXPECT_EQ(info.Rank[3].match, 3);
    EXPECT_EQ(info.Rank[3].people, "74.5");
    ASSERT_EQ(info.RankDesc.size(), 4u);
    EXPECT_EQ(info.RankDesc[0].match, 3);
    EXPECT_EQ(info.RankDesc[3].match, 4);

    EXPECT_EQ(info.FavouriteColour(0, 0), FavColour::Lime);
    EXPECT_EQ(info.FavouriteColour(0, 1), FavColour::Aqua);
    EXPECT_EQ(info.FavouriteColour(0, 2), FavColour::Red);
    EXPECT_EQ(info.FavouriteColour(1, 0), FavColour::Aqua);  // equal to the draw: not strictly highest
    EXPECT_EQ(info.FavouriteColour(1, 2), FavColour::Red);
    // 30/40/30: the draw is highest; the two equal lowest are neither strictly lowest.
    EXPECT_EQ(info.FavouriteColour(3, 1), FavColour::Lime);
    EXPECT_EQ(info.FavouriteColour(3, 0), FavColour::Aqua);
    EXPECT_EQ(info.FavouriteColour(3, 2), FavColour::Aqua);
    EXPECT_EQ(info.FavouriteColour(0, 3), FavColour::Blue);
    EXPECT_EQ(info.FavouriteColour(9, 0), FavColour::Blue);
    EXPECT_EQ(ColourRgb(FavColour::Lime), (Rgb{0, 255, 0}));
}

TEST(SvSpelInfo, MissingFileGivesEmptyTextsAndZeros) {
    TempDir dir;
    TSvSpelInfo info;
    info.Load(dir.path() / "none.ini", 13);
    EXPECT_EQ(info.MatchCount(), 13);
    EXPECT_EQ(info.AllPeople.size(), 39u);
    for (int m = 0; m < 13; ++m)
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(info.PeopleOdds[m][s], 0);
            EXPECT_EQ(info.OddsPercent[m][s], 0);
            EXPECT_TRUE(info.Odds[m][s].empty());
        }
    EXPECT_EQ(info.Rank.size(), 13u);
}

TEST(GameInfoFiles, NamesStayInsideTheirFolder) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"Stryktipset 4711.ini", "Stryktipset 4711.ini"},
                 {"../../etc/passwd", "_.._etc_passwd"},
                 {"..", "_"},
                 {".hidden", "hidden"},
                 {"a\\b:c\n", "a_b_c_"}};
    for (const auto& c : cases) EXPECT_EQ(SafeFileNamePart(c.in), c.out) << c.in;
    EXPECT_EQ(GameInfoFile("/data", "Stryktipset", 4711),
              std::filesystem::path("/data/Cache/Data/Stryktipset 4711.ini"));
    EXPECT_EQ(GameInfoFile("/data", "../x", 1).parent_path(), std::filesystem::path("/data/Cache/Data"));
    EXPECT_EQ(DeadlineText(""), "");
    EXPECT_EQ(DeadlineText("2026-12-12 15:59"), "(2026-12-12 15:59)");
}

class GameInfoDownloadTest : public ::testing::Test {
protected:
    core::IniFile UpdateIni(const std::string& details) {
        core::IniFile ini;
        ini.WriteString("S", "Details", details);
        return ini;
    }
    std::filesystem::path file() const { return GameInfoFile(dir.path(), "Stryktipset", 4711); }

    TempDir dir;
    testing::ShortTimeouts timeouts;
    testing::PoolsTestServer server;
};

TEST_F(GameInfoDownloadTest, WritesTheRoundsFileFromTheDetailsAddress) {
    std::string seenOmgang;
    server.svr.Get("/info", [&](const httplib::Request& req, httplib::Response& res) {
        seenOmgang = req.get_param_value("omgang");
        res.set_content(RoundXml(MatchXml("Malm\xc3\xb6 FF", "AIK", "45") + MatchXml("C", "D", "33.3")),
                        "application/xml");
    });
    const auto r = DownloadGameInfo(UpdateIni(server.Host() + "/info?produktid=1&omgang=%s"), dir.path(), "S",
                                    "Stryktipset", 4711);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(seenOmgang, "4711");
    EXPECT_EQ(r.file, file());
    EXPECT_EQ(r.matches, 2);
    // The shared file is Windows-1252.
    EXPECT_NE(ReadBytes(file()).find("Home=Malm\xf6 FF"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "~ss.xml"));

    TSvSpelInfo info;
    core::TVinraFile doc;
    doc.Pool = "Stryktipset";
    doc.MatchCount = 2;
    info.Load(dir.path(), doc, "4711");
    EXPECT_EQ(info.Home[0], "Malm\xc3\xb6 FF");
    EXPECT_NEAR(info.PeopleValue[1][0], 33.3, 1e-9);
    EXPECT_NEAR(info.OddsPercent[1][0], 47.67, 0.005);
}

TEST_F(GameInfoDownloadTest, AnotherOperatorsPoolIsFetchedWhereTheServiceGivesAnAddress) {
    server.Serve("/vakio", RoundXml(MatchXml("Jokela", "Peltola", "45")), "application/xml");
    core::IniFile update;
    update.WriteString("V", "Details", server.Host() + "/vakio?omgang=%s");
    const auto r = DownloadGameInfo(update, dir.path(), "V", "Vakioveikkaus", 3850);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.matches, 1);
    EXPECT_NE(ReadBytes(GameInfoFile(dir.path(), "Vakioveikkaus", 3850)).find("Home=Jokela"), std::string::npos);
}

TEST_F(GameInfoDownloadTest, AFailedDownloadLeavesThePreviousFile) {
    std::filesystem::create_directories(file().parent_path());
    const std::string old = "[Game0]\r\nHome=Kept\r\n";
    WriteBytes(file(), old);
    std::string fewerVal1 = MatchXml("A", "B", "40");
    fewerVal1.erase(fewerVal1.rfind("<val1>2.00</val1>"), 17);
    server.Fail("/missing", 404);
    server.Serve("/broken", "<spelinfo><match><hemmalag>A", "application/xml");
    server.Serve("/short", RoundXml(fewerVal1), "application/xml");
    server.Stall("/stalled");
    server.Truncate("/truncated", RoundXml(MatchXml("A", "B", "40")).substr(0, 60), 4000);
    for (const char* path : {"/missing", "/broken", "/short", "/stalled", "/truncated"}) {
        SCOPED_TRACE(path);
        const auto r =
            DownloadGameInfo(UpdateIni(server.Host() + path + "?omgang=%s"), dir.path(), "S", "Stryktipset", 4711);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(ReadBytes(file()), old);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "~ss.xml"));
    }
    // No address, or a pool without game information: nothing fetched.
    EXPECT_FALSE(DownloadGameInfo(core::IniFile(), dir.path(), "S", "Stryktipset", 4711).ok);
    EXPECT_FALSE(DownloadGameInfo(UpdateIni(server.Host() + "/x%s"), dir.path(), "V", "Vakio", 4711).ok);
    EXPECT_EQ(ReadBytes(file()), old);
}

}  // namespace
}  // namespace vinra::net
