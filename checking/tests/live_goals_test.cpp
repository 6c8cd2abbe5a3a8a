#include "checking/live_goals.h"

#include <gtest/gtest.h>

#include <limits>

#include <fstream>

#include "core/signs.h"
#include "tests/temp_dir.h"

namespace vinra::checking {
namespace {

core::TVinraFile Doc(int n, std::vector<std::string> rows) {
    core::TVinraFile d;
    d.NewSystem(n, true);
    d.MatchCount = n;  // small systems keep the cases readable
    d.Grundrad.resize(n, "012");
    d.Rader = std::move(rows);
    d.HGoal.fill(-1);
    d.AGoal.fill(-1);
    d.End.fill(false);
    return d;
}

TEST(LiveCycle, AtButtonClickFetchesOnceNonStopKeepsGoingUntilAllEnded) {
    LiveCycle c;
    EXPECT_TRUE(c.Press(true));
    EXPECT_FALSE(c.ButtonDown());  // "At button click": one fetch, button up
    EXPECT_FALSE(c.TimerOn());
    EXPECT_FALSE(c.Tick());  // busy: no second download
    c.DownloadFinished();
    EXPECT_TRUE(c.TakeFresh());
    EXPECT_FALSE(c.TakeFresh());
    c.AfterRefresh(false);
    EXPECT_FALSE(c.TimerOn());

    c.SetMode(LiveMode::NonStop);
    EXPECT_TRUE(c.Press(true));
    EXPECT_TRUE(c.ButtonDown());
    EXPECT_TRUE(c.TimerOn());
    c.DownloadFinished();
    c.AfterRefresh(false);
    EXPECT_TRUE(c.TimerOn());  // waiting for the next 30 s tick
    EXPECT_TRUE(c.Tick());
    c.DownloadFinished();
    c.AfterRefresh(true);  // every match ended
    EXPECT_FALSE(c.ButtonDown());
    EXPECT_FALSE(c.TimerOn());

    // Switching a running cycle to "At button click" fetches once more, then stops.
    c.SetMode(LiveMode::NonStop);
    c.Press(true);
    c.DownloadFinished();
    c.AfterRefresh(false);
    c.SetMode(LiveMode::AtButtonClick);
    EXPECT_FALSE(c.ButtonDown());
    EXPECT_TRUE(c.TimerOn());
    EXPECT_TRUE(c.Tick());
    EXPECT_FALSE(c.TimerOn());

    // The button released in "Non stop" switches the update off, with no new fetch.
    c.DownloadFinished();
    c.SetMode(LiveMode::NonStop);
    EXPECT_TRUE(c.Press(true));
    c.DownloadFinished();
    c.AfterRefresh(false);
    EXPECT_FALSE(c.Press(false));
    EXPECT_FALSE(c.ButtonDown());
    EXPECT_FALSE(c.TimerOn());
}

TEST(LiveSound, ChoiceAgainstReference) {
    struct Case {
        int d, r;
        bool ended;
        LiveSound want;
    };
    for (const Case& c : {Case{10, -1, false, LiveSound::GoalSame}, Case{10, -1, true, LiveSound::GameEnd},
                          Case{13, 12, false, LiveSound::GoalAll}, Case{11, 10, false, LiveSound::GoalUp},
                          Case{9, 10, true, LiveSound::GoalDown}, Case{10, 10, true, LiveSound::GameEnd},
                          Case{10, 10, false, LiveSound::GoalSame}}) {
        int r = c.r;
        EXPECT_EQ(ChooseSound(c.d, r, 13, c.ended), c.want) << c.d << " vs " << c.r;
        EXPECT_EQ(r, c.d);
    }
}

TEST(LiveRound, ApplyLogsChangesAndKeepsHandEndedMatches) {
    core::TVinraFile doc = Doc(3, {"000", "111", "012"});
    LiveRound live(doc, {"AIK", "Malmö <b>FF</b>", "Hammarby"}, {"Djurgården", "IFK", "Örgryte"});
    LiveScores s;
    s.home[0] = 1;
    s.away[0] = 0;
    s.home[1] = 0;
    s.away[1] = 0;
    s.status[1] = 1;
    live.ToggleTracked(3);  // ended by hand: keeps its goals whatever the source says
    s.home[2] = 5;
    s.away[2] = 5;
    s.status[2] = 3;
    EXPECT_TRUE(live.Apply(s));   // match 2 ended
    EXPECT_FALSE(live.Apply(s));  // ... only once
    EXPECT_EQ(doc.HGoal[2], -1);
    EXPECT_TRUE(doc.End[2]);
    EXPECT_EQ(live.UpdateScoreCells(), 2);
    live.MarkChanges();
    live.MarkEnded();
    EXPECT_EQ(live.Matches()[0].mark, "<-");
    EXPECT_EQ(live.Matches()[1].mark, "S");
    EXPECT_EQ(live.Matches()[2].mark, "(S)");
    EXPECT_TRUE(live.AllEnded() == false);

    ResultRowFromGoals(doc);
    const CheckResult check = CheckRows(doc, 12, core::DisplaySigns{});
    const BestRowInfo best = FirstBestRow(check, 3);
    EXPECT_EQ(best.right, 2);  // "012" against 1-0, 0-0: two right
    EXPECT_EQ(best.index, 2);

    GoalLogTemplates t;
    t.team = "<li>%s %n %d</li>";  // a template from the file is never a printf format
    const auto lines = live.LogEntry(t, LiveTexts{}, "2026-12-10 16:40", core::SignsToDisplay(doc.Facit),
                                     core::SignsToDisplay(doc.Rader[best.index]), best);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_NE(lines[0].find("2026-12-10 16:40"), std::string::npos);
    EXPECT_EQ(lines[1], "<li>1. AIK-Djurgården 1-0 %n </li>");
    EXPECT_EQ(lines[2], "<li>2. Malmö &lt;b&gt;FF&lt;/b&gt;-IFK 0-0 %n </li>");
    EXPECT_NE(lines[3].find("1X- &lt;= Winning row"), std::string::npos);
    EXPECT_NE(lines[3].find("1X2 &lt;= Best row (2  right: rad 3)"), std::string::npos) << lines[3];

    live.AddToLog(lines);
    EXPECT_EQ(doc.LogRows.size(), lines.size() + 1);
    EXPECT_EQ(doc.LogRows.back(), "");
}

TEST(LiveRound, HandScoring) {
    core::TVinraFile doc = Doc(2, {"00"});
    LiveRound live(doc, {}, {});
    live.HandGoal(1, true, true);  // Ctrl+left on unknown: 0-0, never below
    EXPECT_EQ(live.Matches()[0].scoreCell, "0-0");
    live.HandGoal(2, false, false);  // right on unknown: 0-1
    EXPECT_EQ(live.Matches()[1].scoreCell, "0-1");
    live.HandGoal(2, true, false);
    live.HandGoal(2, false, true);
    EXPECT_EQ(doc.HGoal[1], 1);
    EXPECT_EQ(doc.AGoal[1], 0);
    live.HandGoal(0, true, false);  // out of range: nothing
    live.HandGoal(3, true, false);
    live.ClearMatch(2);
    EXPECT_EQ(doc.HGoal[1], -1);
    EXPECT_EQ(live.Matches()[1].scoreCell, "---");
    EXPECT_TRUE(live.Matches()[1].tracked);

    // A score read from a file may be anything: a goal more never overflows.
    doc.HGoal[0] = std::numeric_limits<int32_t>::max();
    doc.AGoal[0] = 0;
    live.HandGoal(1, true, false);
    EXPECT_EQ(doc.HGoal[0], kMaxHandGoals);
    live.HandGoal(1, true, false);
    EXPECT_EQ(doc.HGoal[0], kMaxHandGoals);
    live.HandGoal(1, true, true);
    EXPECT_EQ(doc.HGoal[0], kMaxHandGoals - 1);

    // The window's reset: every match back to unknown, tracked and unmarked.
    live.ToggleTracked(2);
    live.Reset();
    for (size_t m = 0; m < 2; ++m) {
        EXPECT_EQ(doc.HGoal[m], -1);
        EXPECT_EQ(doc.AGoal[m], -1);
        EXPECT_FALSE(doc.End[m]);
        EXPECT_TRUE(live.Matches()[m].tracked);
        EXPECT_EQ(live.Matches()[m].mark, "");
        EXPECT_EQ(live.Matches()[m].scoreCell, "---");
    }
}

TEST(GoalLog, CappedAndWrittenAsPage) {
    core::TVinraFile doc = Doc(1, {"0"});
    doc.LogRows.assign(kMaxLogRows, "old");
    LiveRound live(doc, {}, {});
    live.AddToLog({"new1", "new2"});
    ASSERT_EQ(doc.LogRows.size(), kMaxLogRows);
    EXPECT_EQ(doc.LogRows[0], "new1");
    EXPECT_EQ(doc.LogRows[1], "new2");

    core::IniFile ini = core::IniFile::FromText("[Goals]\nbegin=<html>\nend=</html>\n");
    const GoalLogTemplates t = GoalLogTemplates::FromIni(ini);
    EXPECT_EQ(GoalLogPage(t, {"a", "b"}), "<html>a\nb</html>");
    EXPECT_EQ(t.time, GoalLogTemplates{}.time);
    testing::TempDir dir;
    WriteGoalLogPage(dir.path() / "log.html", t, {"x"});
    std::ifstream in(dir.path() / "log.html");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "<html>x</html>");
}

// Log lines come back from the system file and their templates from
// update.ini: whatever those hold, the page keeps only the log's own drawing.
TEST(GoalLog, MarkupFromFilesCannotAddLinksImagesOrTables) {
    struct Case {
        const char* line;
        const char* shown;
    };
    const Case cases[] = {
        // The program's own lines pass as they are.
        {"<tr><td bgcolor=\"#ABCDEF\" class=\"mwb\"><b>&nbsp;12:00</b></td></tr>",
         "<tr><td bgcolor=\"#ABCDEF\" class=\"mwb\"><b>&nbsp;12:00</b></td></tr>"},
        {"<tr><td><pre>&nbsp;a<br>&nbsp;b</pre></td></tr>", "<tr><td><pre>&nbsp;a<br>&nbsp;b</pre></td></tr>"},
        {"<font color=red>1-0</font>", "<font color=\"red\">1-0</font>"},
        // Links, images, tables, scripts and comments become text.
        {"<a href=\"http://x.example/\">win</a>", "&lt;a href=&quot;http://x.example/&quot;&gt;win&lt;/a&gt;"},
        {"<IMG SRC='file:///etc/passwd'>", "&lt;IMG SRC=&#39;file:///etc/passwd&#39;&gt;"},
        {"<table><tr><td>x</td></tr></table>", "&lt;table&gt;<tr><td>x</td></tr>&lt;/table&gt;"},
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"<!-- <a href=x> -->", "&lt;!-- &lt;a href=x&gt; --&gt;"},
        // Allowed tags lose what could point anywhere or restyle the page.
        {"<td style=\"background:url(http://x)\" onclick=\"go()\" bgcolor=\"#fff\">",
         "<td bgcolor=\"#fff\">"},
        {"<td bgcolor=\"javascript:go()\">", "<td>"},
        {"<b title=\"a>b\">bold</b>", "<b>bold</b>"},
        {"<font face='x' color=\"url(http://x)\">", "<font face=\"x\">"},
        // Broken markup never swallows what follows.
        {"1 < 2 and 3 > 2", "1 &lt; 2 and 3 &gt; 2"},
        {"<b", "&lt;b"},
        {"<td bgcolor=\"#fff>open", "&lt;td bgcolor=&quot;#fff&gt;open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SafeLogMarkup(c.line), c.shown);
    }
    // The page: the default frame stays whole; a hostile one and its rows do not.
    GoalLogTemplates t;
    const std::string page = GoalLogPage(t, {cases[0].line});
    EXPECT_EQ(page, t.begin + cases[0].line + t.end);
    t.begin = "<html><body><a href=\"http://x\"><img src=\"y.png\"><table border=1>";
    EXPECT_EQ(GoalLogPage(t, {"<a href=x>row</a>"}),
              "<html><body>&lt;a href=&quot;http://x&quot;&gt;&lt;img src=&quot;y.png&quot;&gt;<table border=\"1\">"
              "&lt;a href=x&gt;row&lt;/a&gt;" + t.end);
}

TEST(SoundFiles, ValueOrSoundFolderOrNothing) {
    testing::TempDir dir;
    std::ofstream(dir.path() / "good.wav") << "RIFF";
    std::ofstream(dir.path() / "mine.wav") << "RIFF";
    const core::IniFile ini = core::IniFile::FromText("[Sounds]\nGoalDown=" + (dir.path() / "mine.wav").string() +
                                                      "\nGoalSame=nothere.wav\n");
    EXPECT_EQ(SoundFile(ini, LiveSound::GoalUp, dir.path()), dir.path() / "good.wav");
    EXPECT_EQ(SoundFile(ini, LiveSound::GoalDown, dir.path()), dir.path() / "mine.wav");
    EXPECT_TRUE(SoundFile(ini, LiveSound::GoalSame, dir.path()).empty());
}

}  // namespace
}  // namespace vinra::checking
