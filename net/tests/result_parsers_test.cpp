#include "net/result_parsers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/downloads.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

using vinra::testing::TempDir;

std::filesystem::path Data(const char* name) { return std::filesystem::path(VINRA_TEST_DATA) / name; }
std::string Page(const char* name) { return vinra::testing::ReadBytes(Data(name)); }

// The keys the web service publishes for its results XML.
core::IniFile XmlKeys(const std::string& extra = {}) {
    core::IniFile ini = core::IniFile::FromText(
        "[S]\n"
        "XMLOmgID=//omgang\n"
        "XMLCheckYear=//vecka\nXMLCheckYearPos=1\nXMLCheckWeek=//vecka\nXMLCheckWeekPos=6\n"
        "XMLCheckYearRes=//vecka\nXMLCheckYearResPos=1\nXMLCheckWeekRes=//vecka\nXMLCheckWeekResPos=6\n"
        "XMLGetGamesHome=//match/hemmalag\nXMLGetGamesAway=//match/bortalag\nXMLGetRightRow=//match/tecken\n"
        "XMLGetMoney=//niva/belopp\nXMLGetWinners=//niva/antal\n");
    const auto more = core::IniFile::FromText("[S]\n" + extra);
    for (const auto& k : more.Keys("S")) ini.WriteString("S", k, more.ReadString("S", k));
    return ini;
}

TCouponInfo Round1999() {
    TCouponInfo info;
    info.Year.assign("1999");
    info.Week.assign("01");
    return info;
}

ParseOptions Options(bool results) {
    ParseOptions o;
    o.typ = "S";
    o.resultsMode = results;
    return o;
}

TEST(XmlParser, ReadsRoundNamesRowAndPrizeTable) {
    TCouponInfo info = Round1999();
    const auto r = ParseXmlRoundText(Page("dl_results.xml"), XmlKeys(), Options(true), info);
    EXPECT_EQ(r.count, 3);
    ASSERT_TRUE(r.drawNumber);
    EXPECT_EQ(*r.drawNumber, 4851);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(info.Year, "2026");
    EXPECT_EQ(info.Week, "50");
    // Latin-1 declared document; names trimmed; markup inside a name is its text.
    EXPECT_EQ(info.Homes, (std::vector<std::string>{"Arsenal", "Malm\xC3\xB6 FF", "Leeds"}));
    EXPECT_EQ(info.Aways, (std::vector<std::string>{"Chelsea", "AIK", "Hull & City"}));
    EXPECT_EQ(info.Row, "1X2");
    EXPECT_EQ(info.Payouts, (std::vector<std::string>{"1500000", "12345", "310", "45"}));
    EXPECT_EQ(info.Winners, (std::vector<std::string>{"2", "1234", "9876", "50000"}));
}

TEST(XmlParser, VerificationAndNumberedPrizePaths) {
    struct Case {
        const char* extra;
        std::vector<std::string> payouts, winners;
    } cases[] = {
        {"XMLResVerify=//status\nXMLResValue=final\n",
         {"1500000", "12345", "310", "45"},
         {"2", "1234", "9876", "50000"}},
        {"XMLResVerify=//status\nXMLResValue=open\n", {}, {}},
        {"XMLResVerify=//nothing\nXMLResValue=final\n", {}, {}},
        // Without the lists: winners first, then payouts; empty keys skipped,
        // a path that finds nothing counts 0.
        {"XMLResultList=0\nXML_ANT_1=//niva[1]/antal\nXML_ANT_3=//niva[9]/antal\n"
         "XML_UTD_1=//niva[1]/belopp\nXML_UTD_2=//niva[2]/belopp\n",
         {"1500000", "12345"},
         {"2", "0"}},
    };
    for (const auto& c : cases) {
        TCouponInfo info;
        ParseXmlRoundText(Page("dl_results.xml"), XmlKeys(c.extra), Options(true), info);
        EXPECT_EQ(info.Payouts, c.payouts) << c.extra;
        EXPECT_EQ(info.Winners, c.winners) << c.extra;
    }
}

TEST(XmlParser, DrawNumberYearAndWeekEdgeCases) {
    struct Case {
        const char* page;
        bool warnings;
        std::optional<int32_t> draw;
        const char* year;
        const char* week;
        std::vector<int> messages;
    } cases[] = {
        // No draw number node: the round's draw number becomes 0.
        {"<r><vecka>2010-7</vecka></r>", true, 0, "2010", "07", {}},
        // A draw number that is not a number: 465, the year is not checked.
        {"<r><omgang>abc</omgang><vecka>2010-12</vecka></r>", true, std::nullopt, "1999", "12", {465}},
        {"<r><omgang>abc</omgang><vecka>2010-12</vecka></r>", false, std::nullopt, "1999", "12", {}},
        // Too short for 4 and 2 characters: the previous year and week stay.
        {"<r><omgang>12</omgang><vecka>201</vecka></r>", true, 12, "1999", "01", {}},
        {"<r><omgang>99999999999</omgang></r>", true, std::nullopt, "1999", "01", {465}},
    };
    for (const auto& c : cases) {
        TCouponInfo info = Round1999();
        ParseOptions o = Options(false);
        o.warnings = c.warnings;
        const auto r = ParseXmlRoundText(c.page, XmlKeys(), o, info);
        EXPECT_EQ(r.drawNumber, c.draw) << c.page;
        EXPECT_EQ(info.Year, c.year) << c.page;
        EXPECT_EQ(info.Week, c.week) << c.page;
        EXPECT_EQ(r.messages, c.messages) << c.page;
        EXPECT_EQ(r.count, 0);
    }
}

TEST(XmlParser, UnreadablePagesAndKeysFailWithAMessageAndLeaveTheRound) {
    TCouponInfo info;
    info.Homes = {"Kept"};
    const std::string truncated = Page("dl_results.xml").substr(0, 200);
    EXPECT_THROW(ParseXmlRoundText(truncated, XmlKeys(), Options(true), info), ParseError);
    EXPECT_THROW(ParseXmlRoundText("", XmlKeys(), Options(true), info), ParseError);
    EXPECT_THROW(
        ParseXmlRoundText("<html><body>Log in to the hotel wifi<br></body></html>", XmlKeys(), Options(true), info),
        ParseError);
    try {
        ParseXmlRoundText(Page("dl_results.xml"), XmlKeys("XMLGetRightRow=//match[\n"), Options(true), info);
        FAIL() << "a broken XPath must fail";
    } catch (const ParseError& e) {
        EXPECT_NE(std::string(e.what()).find("XMLGetRightRow"), std::string::npos) << e.what();
    }
    EXPECT_THROW(
        ParseXmlRoundText(Page("dl_results.xml"), XmlKeys("XMLGetRightRow=count(//match)\n"), Options(true), info),
        ParseError);
    EXPECT_EQ(info.Homes, std::vector<std::string>{"Kept"});
}

// Pages and addresses the program cannot use are told in the player's
// language, as the web status window shows them.
TEST(XmlParser, RefusalsSpeakThePlayersLanguage) {
    struct Restore {
        ~Restore() { core::SetCurrentLanguage(core::LangEnglish); }
    } restore;
    core::SetCurrentLanguage(core::LangSwedish);
    const auto thrown = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    TCouponInfo info;
    const auto ini = core::IniFile::FromText("[S]\nXMLGetGamesUrl=http://svc/g\n[X]\nXMLGetGamesUrl=file:///etc/x\n");
    const struct {
        std::string text;
        std::string swedish;
    } cases[] = {
        {thrown([&] { ParseXmlRoundText("", XmlKeys(), Options(true), info); }),
         "Den hämtade sidan är ingen läsbar XML."},
        {thrown([&] { ParseXmlRoundText(std::string(kMaxPageBytes + 1, ' '), XmlKeys(), Options(true), info); }),
         "Den hämtade sidan är för stor (" + core::GroupDigits(static_cast<int64_t>(kMaxPageBytes + 1)) +
             " byte); den läses inte."},
        {thrown([&] {
             ParseXmlRoundText(Page("dl_results.xml"), XmlKeys("XMLGetRightRow=count(//match)\n"), Options(true), info);
         }),
         "Nyckeln XMLGetRightRow för spelet S väljer inga noder: count(//match)"},
        {thrown([&] { ServiceAddress(ini, "S", true, true, kCurrentRound, 0); }),
         "update.ini anger ingen adress för resultaten i spelet S (nyckel XMLGetResultUrl)."},
        {thrown([&] { ServiceAddress(ini, "A", true, false, kCurrentRound, 0); }),
         "update.ini anger ingen adress för matcherna i spelet A (nyckel XMLGetGamesUrl)."},
        {thrown([&] { ServiceAddress(ini, "X", true, false, kCurrentRound, 0); }),
         "Adressen för spelet X är ingen webbadress: file:///etc/x"},
        {thrown([] { FillPlaceholders("http://h/?a=%s&b=%d", {"1"}); }),
         "Adressmallen \"http://h/?a=%s&b=%d\" behöver fler än 1 värden."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

TEST(XmlParser, HugeListsAreBounded) {
    std::string page = "<r><omgang>1</omgang>";
    for (int i = 0; i < 5000; ++i)
        page += "<match><hemmalag>H</hemmalag><bortalag>A</bortalag><tecken>1</tecken></match>";
    for (int i = 0; i < 5000; ++i) page += "<niva><belopp>1</belopp><antal>1</antal></niva>";
    page += "</r>";
    TCouponInfo info;
    const auto r = ParseXmlRoundText(page, XmlKeys(), Options(true), info);
    EXPECT_EQ(r.count, core::kMaxMatches);
    EXPECT_EQ(info.Row.size(), static_cast<size_t>(core::kMaxMatches));
    EXPECT_LE(info.Payouts.size(), 10u);
    EXPECT_THROW(ParseXmlRoundText(std::string(kMaxPageBytes + 1, ' '), XmlKeys(), Options(true), info), ParseError);
}

// --- HTML ---------------------------------------------------------------------

TEST(HtmlTable, LinesOfATable) {
    const std::string page = Page("dl_games.html");
    EXPECT_EQ(TableNumberOfMarker(page, "Matcher i denna kupong"), 2);
    EXPECT_EQ(TableNumberOfMarker(page, "matcher i denna kupong"), std::nullopt);  // exact case needed
    EXPECT_EQ(TableNumberOfMarker(page, "Hem"), 1);
    EXPECT_EQ(TableNumberOfMarker(page, "Slut"), 3);  // nested tables count too
    const auto lines = HtmlTableLines(page, 2);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Nr\tMatch\tTips");
    EXPECT_EQ(lines[2], "2\tBrann - Molde\tX");  // nested table gone, &nbsp; a space
    EXPECT_EQ(lines[3], "3\t3. Leeds      - Hull &lt;b&gt;\t2");
    EXPECT_EQ(LineColumn(lines[1], 0), "Arsenal - Chelsea");
    EXPECT_EQ(LineColumn(lines[1], 1), "1");
    EXPECT_EQ(LineColumn(lines[1], -1), "1");
    EXPECT_EQ(LineColumn(lines[1], 5), "");
    EXPECT_TRUE(HtmlTableLines(page, 0).empty());
    EXPECT_TRUE(HtmlTableLines(page, 7).empty());
}

TEST(HtmlTable, HostileMarkupEnds) {
    // Truncated in a tag, a cell and a row; thousands of nested tables; no ">".
    EXPECT_EQ(HtmlTableLines("<table><tr><td>a</td><td>b<", 1), std::vector<std::string>{"a\tb"});
    EXPECT_EQ(HtmlTableLines("<table><tr><td>a<td>b<tr><td>c", 1), (std::vector<std::string>{"a\tb", "c"}));
    EXPECT_TRUE(HtmlTableLines("<table", 1).empty());
    std::string deep = "<table><tr><td>x</td></tr>";
    for (int i = 0; i < 200000; ++i) deep += "<table><tr><td>y";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HtmlTableLines(deep, 1), std::vector<std::string>{"x"});
    EXPECT_EQ(TableNumberOfMarker(deep, "y"), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

core::IniFile HtmlGamesKeys() {
    return core::IniFile::FromText(
        "[S]\nGetWeekNumber=vecka\nGetGamesTableNo=Matcher i denna kupong\nGetGamesStartRow=1\n"
        "GetGamesColumn=0\nGetGamesSep=-\n");
}

TEST(HtmlParser, GamesModeNamesAndWeek) {
    TCouponInfo info;
    info.Row = "stale";
    const int n = ParseHtmlRoundText(Page("dl_games.html"), HtmlGamesKeys(), Options(false), info);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(info.Week, "50");
    // Match 3 loses its "3." prefix; markup inside a name is dropped, escaped
    // markup stays text; script content is plain text, never run.
    EXPECT_EQ(info.Homes, (std::vector<std::string>{"Arsenal", "Brann", "Leeds", "alert(1)Lyn"}));
    EXPECT_EQ(info.Aways, (std::vector<std::string>{"Chelsea", "Molde", "Hull &lt;b&gt;", "Start"}));
    EXPECT_EQ(info.Row, "");
    EXPECT_TRUE(info.Payouts.empty());

    ParseOptions two = Options(false);
    two.matchCount = 2;
    EXPECT_EQ(ParseHtmlRoundText(Page("dl_games.html"), HtmlGamesKeys(), two, info), 2);

    // Marker missing: -1 and the round untouched; too few lines: 0.
    TCouponInfo kept;
    kept.Homes = {"Kept"};
    const auto noMarker = core::IniFile::FromText("[S]\nGetGamesTableNo=Not on the page\n");
    EXPECT_EQ(ParseHtmlRoundText(Page("dl_games.html"), noMarker, Options(false), kept), -1);
    EXPECT_EQ(kept.Homes, std::vector<std::string>{"Kept"});
    const auto farStart = core::IniFile::FromText("[S]\nGetGamesTableNo=Matcher i denna kupong\nGetGamesStartRow=40\n");
    EXPECT_EQ(ParseHtmlRoundText(Page("dl_games.html"), farStart, Options(false), kept), 0);
    EXPECT_TRUE(kept.Homes.empty());
}

core::IniFile HtmlResultKeys(const std::string& extra = {}) {
    core::IniFile ini = core::IniFile::FromText(
        "[G]\nGetResultGamesTableNo=RESULTAT-TABEL\nGetResultGamesStartRow=1\nGetResultGamesColumn=0\n"
        "GetResultCharColumn=1\nGetResultSepCol=1\nGetResultTableNo=GEVINST-TABEL\nGetResultRight=rigtige\n"
        "GetResultAntColumn=0\nGetResultUtdColumn=1\n");
    const auto more = core::IniFile::FromText("[G]\n" + extra);
    for (const auto& k : more.Keys("G")) ini.WriteString("G", k, more.ReadString("G", k));
    return ini;
}

TEST(HtmlParser, ResultsModeSignsAndPayoutsPaddedToFive) {
    ParseOptions o = Options(true);
    o.typ = "G";
    o.matchCount = 4;
    TCouponInfo info;
    ASSERT_EQ(ParseHtmlRoundText(Page("dl_results.html"), HtmlResultKeys(), o, info), 4);
    EXPECT_EQ(info.Homes, (std::vector<std::string>{"FCK", "AGF", "Vejle", "Lyngby"}));
    EXPECT_EQ(info.Row, "1X2");  // match 4 has no mark
    EXPECT_EQ(info.Winners, (std::vector<std::string>{"3", "45", "0", "0", "0"}));
    EXPECT_EQ(info.Payouts, (std::vector<std::string>{"1234567", "9876", "0", "0", "0"}));

    // Column 99: that value is not read (the list is then only the padding).
    TCouponInfo noCounts;
    ParseHtmlRoundText(Page("dl_results.html"), HtmlResultKeys("GetResultAntColumn=99\n"), o, noCounts);
    EXPECT_EQ(noCounts.Winners, (std::vector<std::string>(5, "0")));
    EXPECT_EQ(noCounts.Payouts.size(), 5u);

    // One sign column, with the pool's letters: kept and upper-cased.
    core::IniFile one = core::IniFile::FromText(
        "[G]\nGetResultGamesTableNo=RESULTAT-TABEL\nGetResultCharColumn=1\nGetResultTableNo=GEVINST-TABEL\n");
    TCouponInfo letters;
    const std::string page =
        "<table><tr><th>h</th></tr><tr><td>1</td><td>A-B</td><td> h "
        "</td></tr><tr><td>2</td><td>C-D</td><td>u?</td></tr>"
        "<tr><td>RESULTAT-TABEL</td></tr></table><table><tr><td>GEVINST-TABEL</td></tr></table>";
    ASSERT_EQ(ParseHtmlRoundText(page, one, o, letters), 3);
    EXPECT_EQ(letters.Row, "HU");

    // No payout table: -1.
    TCouponInfo none;
    EXPECT_EQ(ParseHtmlRoundText(Page("dl_results.html"), HtmlResultKeys("GetResultTableNo=NOPE\n"), o, none), -1);
    EXPECT_TRUE(none.Homes.empty());
}

TEST(HtmlParser, DebugModeWritesTheTableLines) {
    TempDir dir;
    ParseOptions o = Options(false);
    o.debug = true;
    o.debugFolder = dir.path();
    TCouponInfo info;
    ParseHtmlRoundText(Page("dl_games.html"), HtmlGamesKeys(), o, info);
    const std::string games = vinra::testing::ReadBytes(dir.path() / "Games.txt");
    EXPECT_EQ(games.substr(0, 15), "Nr\tMatch\tTips\r\n");
    const std::string table = vinra::testing::ReadBytes(dir.path() / "Table.txt");
    EXPECT_NE(table.find("Row: 1 Col: 1 Value: Arsenal - Chelsea\r\n"), std::string::npos);
    o.debug = false;
    std::filesystem::remove(dir.path() / "Games.txt");
    ParseHtmlRoundText(Page("dl_games.html"), HtmlGamesKeys(), o, info);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Games.txt"));
}

// --- live results ---------------------------------------------------------------

TEST(LiveXml, NewerVersionsOnlyAndTrackedMatchesOnly) {
    TResultInfo info;
    info.tracked[2] = false;  // match 3 finished by hand
    ASSERT_TRUE(ParseLiveXml(Data("dl_live.xml"), info));
    EXPECT_EQ(info.version[0], 7);
    EXPECT_EQ(info.home[0], 2);
    EXPECT_EQ(info.away[0], 1);
    EXPECT_EQ(info.status[0], 1);
    EXPECT_EQ(info.version[1], -1);  // "x" is not newer than nothing
    EXPECT_EQ(info.home[1], -1);
    EXPECT_EQ(info.home[2], -1);                // untracked
    EXPECT_EQ(info.winAmount[0], 12345678912);  // 1234567.8912 rounded to 4 decimals
    EXPECT_EQ(info.winners[0], 3);
    EXPECT_EQ(info.winAmount[1], 42005000);
    EXPECT_EQ(info.winAmount[2], 0);

    // The same version again changes nothing.
    info.home[0] = 5;
    ASSERT_TRUE(ParseLiveXml(Data("dl_live.xml"), info));
    EXPECT_EQ(info.home[0], 5);

    // An unreadable file changes nothing.
    const TResultInfo before = info;
    EXPECT_FALSE(ParseLiveXmlText("<svsxml><get_live", info));
    EXPECT_FALSE(ParseLiveXml(Data("missing.xml"), info));
    EXPECT_EQ(info.home, before.home);
}

std::vector<std::string> Cp(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

TEST(SvtPage, ScoresEndedMatchesPrizesAndUnmatchedTeams) {
    const auto teamstat = core::IniFile::FromText("[teams_svt]\nDjurg\xC3\xA5rden IF=Djurg\xC3\xA5rden\n");
    TResultInfo info;
    info.findTeams = 1;
    info.winAmount[3] = 99;
    const auto homes = Cp({"Arsenal", "Malm\xC3\xB6 FF", "Leeds United", "Djurg\xC3\xA5rden IF", "Unknown"});
    const auto aways = Cp({"Chelsea", "AIK", "Hull", "Hammarby", "Nobody"});
    ASSERT_TRUE(ParseSvtPage(Data("dl_svt.html"), info, "S", homes, aways, teamstat));
    EXPECT_EQ(info.status[0], 1);
    EXPECT_EQ(info.home[0], 2);  // "12-1": the home side's last digit
    EXPECT_EQ(info.away[0], 1);
    EXPECT_EQ(info.status[1], 3);
    EXPECT_EQ(info.home[1], 0);  // "0-10": the away side's first digit
    EXPECT_EQ(info.away[1], 1);
    EXPECT_EQ(info.home[2], 1);
    EXPECT_EQ(info.away[2], 1);
    EXPECT_EQ(info.home[3], 2);  // found through its SVT name
    EXPECT_EQ(info.away[3], 0);
    EXPECT_EQ(info.home[4], -1);
    EXPECT_EQ(info.unmatchedTeams, "Unknown\r\nNobody\r\n");
    EXPECT_EQ(info.winAmount[0], 1234567 * 10000LL);
    EXPECT_EQ(info.winAmount[1], 12345 * 10000LL);
    EXPECT_EQ(info.winAmount[3], 0);
    const auto lines = core::SplitLines(info.pageLines);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "-\tArsenal-Chelsea            12-1-\tAVSL\t-\t12-1\t");
    // The teams text is the first 31 characters of the line.
    EXPECT_EQ(lines[1], "-\tMalm\xC3\xB6 FF-AIK                 0--\tn/a\t-\t0-10\t");
}

TEST(SvtPage, FindTeamsDecidesHowManyNamesMustBeFound) {
    const core::IniFile none;
    for (int findTeams : {0, 1}) {
        TResultInfo info;
        info.findTeams = findTeams;
        ParseSvtPage(Data("dl_svt.html"), info, "I", Cp({"Leeds United"}), Cp({"Hull City"}), none);
        EXPECT_EQ(info.home[0], findTeams == 0 ? 1 : -1) << findTeams;
        EXPECT_EQ(info.unmatchedTeams.empty(), findTeams == 0);
    }
    // A match without names matches nothing rather than the first line.
    TResultInfo empty;
    ParseSvtPageText(Page("dl_svt.html"), empty, "S", Cp({""}), Cp({""}), none);
    EXPECT_EQ(empty.home[0], -1);
    EXPECT_EQ(empty.unmatchedTeams, "");
    // Other pools have no prize lines.
    TResultInfo norsk;
    ParseSvtPageText(Page("dl_svt.html"), norsk, "A", {}, {}, none);
    EXPECT_EQ(norsk.winAmount[0], 0);
    // A page without any prize line keeps the winnings known so far.
    TResultInfo kept;
    kept.winAmount = {10000000, 20000, 3000, 400};
    kept.winners = {1, 2, 3, 4};
    ParseSvtPageText("<pre>Arsenal-Chelsea 1-0</pre>", kept, "S", Cp({"Arsenal"}), Cp({"Chelsea"}), none);
    EXPECT_EQ(kept.winAmount, (std::array<int64_t, 4>{10000000, 20000, 3000, 400}));
    EXPECT_EQ(kept.winners, (std::array<int32_t, 4>{1, 2, 3, 4}));
}

TEST(SvtMapping, SuggestionAndAcceptance) {
    const std::string page =
        "-\tArsenal-Chelsea   1-1-\tn/a\t-\t1-1\t\r\n-\tMalm\xC3\xB6 FF-AIK  0-0-\tn/a\t-\t0-0\t\r\n";
    EXPECT_EQ(SvtSuggestion("Malm\xC3\xB6 FF Stad", page), "Malm\xC3\xB6 FF");
    EXPECT_EQ(SvtSuggestion("Arsenal FC", page), "Arsenal");
    EXPECT_EQ(SvtSuggestion("Zebra", page), "");
    EXPECT_EQ(SvtSuggestion("Ars", page), "");  // prefixes shorter than 3 are not tried
    EXPECT_TRUE(SvtNameAcceptable("Malm\xC3\xB6 FF", page));
    EXPECT_TRUE(SvtNameAcceptable("Arsenal", page));
    EXPECT_FALSE(SvtNameAcceptable("Arsenal-Chelsea", page));  // 13 characters or more
    EXPECT_FALSE(SvtNameAcceptable("A", page));
    EXPECT_FALSE(SvtNameAcceptable(" A ", page + " A "));
    EXPECT_FALSE(SvtNameAcceptable("Hammarby", page));
}

}  // namespace
}  // namespace vinra::net
