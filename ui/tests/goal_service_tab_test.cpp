// The goal-service tab following a round that vinra-service plays live on a
// clock the test turns, with real downloads, real parsing and a real publication.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <fstream>
#include <functional>

#include "checking/engine.h"
#include "core/messages.h"
#include "core/settings.h"
#include "net/goal_publish.h"
#include "net/http.h"
#include "net/tests/short_timeouts.h"
#include "service/server.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"
#include "ui/checking/goal_service_tab.h"
#include "ui/core/localise.h"
#include "ui/net/svt_teams.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui {
namespace {
namespace fs = std::filesystem;
using checking::LiveSound;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

const std::vector<std::string> kHomes = {"Kilbrack", "Isdal", "Brook & Vale"};
const std::vector<std::string> kAways = {"Glenmuir", "Nesby", "Ashford/Town"};

core::TVinraFile Doc() {
    core::TVinraFile d;
    d.NewSystem(13, true);
    d.MatchCount = 3;
    d.Grundrad.resize(3, "012");
    d.Pool = "Stryktipset";
    d.Typ = "S";
    d.OmgID = 5000;
    d.Omg = "2026-50";
    d.Rader = {"000", "022", "111", "102"};
    d.HGoal.fill(-1);
    d.AGoal.fill(-1);
    d.End.fill(false);
    return d;
}

// vinra-service with a round of three matches (final 2-1, 0-3, 1-1), played live
// from second 1000 at one match minute per second of the test's clock.
struct LiveService {
    TempDir data;
    std::atomic<int64_t> seconds{990};
    std::unique_ptr<service::VinraService> svc;
    vinra::testing::LocalServer server;
    LiveService() {
        fs::create_directories(data.path() / "rounds");
        WriteBytes(data.path() / "rounds" / "S-5000.ini",
                   "[Round]\nTyp=S\nOmgID=5000\nOmg=2026-50\nDeadline=2026-12-12 15:59\n"
                   "[Payout]\n13=2;1234567\n12=40;5678\n11=300;250\n10=2000;40\n"
                   "[Match1]\nHome=Kilbrack\nAway=Glenmuir\nScore=2-1\n"
                   "[Match2]\nHome=Isdal\nAway=Nesby\nScore=0-3\n"
                   "[Match3]\nHome=Brook & Vale\nAway=Ashford/Town\nScore=1-1\n");
        svc = std::make_unique<service::VinraService>(
            service::ServiceOptions{data.path(), "", [] { return std::string("2026-12-10 12:00"); }});
        svc->live().clock = [this] { return service::LiveClock::time_point(std::chrono::seconds(seconds.load())); };
        svc->live().Start({'S', 5000, service::LiveClock::time_point(std::chrono::seconds(1000)), 1.0});
        svc->Register(server.svr);
        server.Start();
    }
};

struct Heard {
    std::vector<LiveSound> sounds;
    std::vector<fs::path> files;
};

GoalServiceOptions Options(const std::string& base, const fs::path& folder, Heard& heard,
                           testing::ScriptedPrompter* prompter = nullptr) {
    GoalServiceOptions o;
    o.serviceBase = base;
    o.dataFolder = folder;
    o.soundFolder = fs::path(VINRA_SOURCE_DIR) / "resources" / "sounds";
    o.homes = kHomes;
    o.aways = kAways;
    o.userName = "anna";
    o.systemFileName = "/tmp/my system.1x2";
    o.prompter = prompter;
    o.onSound = [&heard](LiveSound s, const fs::path& f) {
        heard.sounds.push_back(s);
        heard.files.push_back(f);
    };
    return o;
}

// One press of On/Off and the download applied.
void PressAndWait(GoalServiceTab& tab) {
    QSignalSpy applied(&tab, &GoalServiceTab::applied);
    tab.OnOff()->click();
    ASSERT_TRUE(applied.wait(10000));
}

QString Cell(const GoalServiceTab& tab, int row, int col) { return tab.GoalGrid()->item(row, col)->text(); }

TEST(GoalServiceTab, FollowsALiveRoundLogsSoundsAndPublishes) {
    LiveService live;
    TempDir dir;
    core::TVinraFile doc = Doc();
    Heard heard;
    fs::path target;
    {
        GoalServiceOptions options = Options(live.server.Host(), dir.path(), heard);
        options.publish = true;  // the player ticked it earlier
        GoalServiceTab tab(doc, std::move(options));
        EXPECT_TRUE(tab.PublishBox()->isChecked());
        target = tab.TargetFile();
        EXPECT_EQ(Cell(tab, 0, GoalServiceTab::ColScore), "---");
        EXPECT_TRUE(fs::exists(tab.LogFile()));

        // Minute 30: some goals.
        live.seconds = 1030;
        PressAndWait(tab);
        EXPECT_FALSE(tab.OnOff()->isChecked());  // "At button click": one fetch
        EXPECT_FALSE(tab.Timer()->isActive());
        const QString score30 = Cell(tab, 1, GoalServiceTab::ColScore);
        EXPECT_NE(score30, "---");
        ASSERT_FALSE(heard.sounds.empty());
        EXPECT_EQ(heard.sounds.front(), LiveSound::GoalSame);  // no reference yet
        EXPECT_EQ(heard.files.front().filename(), "same.wav");
        const size_t logAt30 = doc.LogRows.size();
        EXPECT_GT(logAt30, 1u);

        // Unchanged source: no new entry, no sound.
        const size_t soundsBefore = heard.sounds.size();
        PressAndWait(tab);
        EXPECT_EQ(doc.LogRows.size(), logAt30);
        EXPECT_EQ(heard.sounds.size(), soundsBefore);

        // Non stop: the button stays down and the 30 s timer runs.
        tab.ModeNonStop()->click();
        live.seconds = 1100;  // every match over
        const int prior = [&] {
            checking::CheckResult c = checking::CheckRows(doc, 12, core::DisplaySigns{});
            return checking::FirstBestRow(c, 3).right;
        }();
        QSignalSpy published(&tab, &GoalServiceTab::published);
        PressAndWait(tab);
        for (int m = 0; m < 3; ++m) EXPECT_EQ(Cell(tab, m, GoalServiceTab::ColMark), "S") << m;
        EXPECT_EQ(Cell(tab, 0, GoalServiceTab::ColScore), "2-1");
        EXPECT_EQ(Cell(tab, 1, GoalServiceTab::ColScore), "0-3");
        EXPECT_EQ(Cell(tab, 2, GoalServiceTab::ColScore), "1-1");
        EXPECT_EQ(doc.Facit, "021");
        EXPECT_FALSE(tab.OnOff()->isChecked());  // every match ended: the cycle stops
        EXPECT_FALSE(tab.Timer()->isActive());
        // "022" is now the best row with 3 right: all; the sound follows the change.
        checking::CheckResult c = checking::CheckRows(doc, 12, core::DisplaySigns{});
        const int now = checking::FirstBestRow(c, 3).right;
        const LiveSound want = now == 3      ? LiveSound::GoalAll
                               : now > prior ? LiveSound::GoalUp
                               : now < prior ? LiveSound::GoalDown
                                             : LiveSound::GameEnd;
        EXPECT_EQ(heard.sounds.back(), want);
        EXPECT_EQ(Cell(tab, 1, GoalServiceTab::ColBest), "2");
        EXPECT_EQ(tab.GoalGrid()->item(1, GoalServiceTab::ColBest)->background().color(), QColor(0x90, 0xEE, 0x90));
        // Newest entry first; team names escaped in the page.
        ASSERT_GT(doc.LogRows.size(), logAt30);
        EXPECT_NE(doc.LogRows[0].find("2026"), std::string::npos);
        std::ifstream in(tab.LogFile());
        const std::string page((std::istreambuf_iterator<char>(in)), {});
        EXPECT_NE(page.find("Brook &amp; Vale-Ashford/Town 1-1"), std::string::npos);
        EXPECT_NE(page.find("Winning row"), std::string::npos);
        EXPECT_EQ(tab.WinGrid()->item(0, 0)->text(), QStringLiteral("2"));
        EXPECT_EQ(tab.WinGrid()->item(0, 1)->text(), QStringLiteral("1 234 567,00"));  // an amount, with its öre

        // The publication reached the service and reads back.
        ASSERT_TRUE(published.count() > 0 || published.wait(10000));
        const std::string id = net::PublishId(doc, "anna", "/tmp/my system.1x2");
        EXPECT_EQ(id, "S5000_anna_mysystem");
        const net::HttpReply back = net::Get(live.server.Url("/goalservice/goalservice.php?id=" + id));
        EXPECT_EQ(back.status, 200);
        EXPECT_NE(back.body.find("Brook &amp; Vale"), std::string::npos);
        EXPECT_NE(back.body.find("2 - 1"), std::string::npos);
        EXPECT_TRUE(fs::exists(target));
    }
    EXPECT_FALSE(fs::exists(target)) << "the window's download target goes with it";
}

TEST(GoalServiceTab, NothingIsPublishedUntilThePlayerTicksItAndHisChoiceIsKept) {
    LiveService live;
    TempDir dir;
    core::TVinraFile doc = Doc();
    Heard heard;
    std::vector<bool> chosen;
    GoalServiceOptions options = Options(live.server.Host(), dir.path(), heard);
    options.publishChosen = [&chosen](bool on) { chosen.push_back(on); };
    GoalServiceTab tab(doc, options);
    EXPECT_FALSE(tab.PublishBox()->isChecked());
    live.seconds = 1100;
    QSignalSpy published(&tab, &GoalServiceTab::published);
    PressAndWait(tab);
    EXPECT_EQ(doc.Facit, "021");
    EXPECT_FALSE(published.wait(1500));
    const std::string id = net::PublishId(doc, "anna", "/tmp/my system.1x2");
    EXPECT_EQ(net::Get(live.server.Url("/goalservice/goalservice.php?id=" + id)).status, 404);
    tab.PublishBox()->click();
    tab.PublishBox()->click();
    EXPECT_EQ(chosen, (std::vector<bool>{true, false}));
}

TEST(GoalServiceTab, HandScoringAndClearingARow) {
    TempDir dir;
    core::TVinraFile doc = Doc();
    Heard heard;
    testing::ScriptedPrompter prompter;
    GoalServiceTab tab(doc, Options("http://127.0.0.1:9", dir.path(), heard, &prompter));
    tab.CellReleased(0, GoalServiceTab::ColScore, Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(Cell(tab, 0, GoalServiceTab::ColScore), "0-1");
    tab.CellReleased(1, GoalServiceTab::ColScore, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(Cell(tab, 1, GoalServiceTab::ColScore), "0-0");
    tab.CellReleased(1, GoalServiceTab::ColScore, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(doc.Facit.substr(0, 2), "20");
    tab.CellReleased(2, GoalServiceTab::ColMark, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(Cell(tab, 2, GoalServiceTab::ColMark), "(S)");
    EXPECT_TRUE(doc.End[2]);
    prompter.answers.push_back(Answer::Yes);
    tab.CellReleased(0, GoalServiceTab::ColNo, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(Cell(tab, 0, GoalServiceTab::ColScore), "---");
    EXPECT_EQ(doc.HGoal[0], -1);
    EXPECT_EQ(doc.Facit[0], '-');
}

TEST(GoalServiceTab, StalledAndMalformedSourcesLeaveTheScores) {
    vinra::testing::LocalServer bad;
    std::atomic<bool> stall{true};
    bad.svr.Get("/api/svenskaspel/goalserviceProxy.php", [&](const httplib::Request&, httplib::Response& res) {
        if (stall) bad.Hold(3000);
        res.set_content("<<<not xml at all", "text/xml");
    });
    bad.Start();
    net::testing::ShortTimeouts quick(1000, 400);
    TempDir dir;
    core::TVinraFile doc = Doc();
    doc.HGoal[0] = 1;
    doc.AGoal[0] = 0;
    Heard heard;
    GoalServiceTab tab(doc, Options(bad.Host(), dir.path(), heard));
    ASSERT_TRUE(tab.SourceLive()->isChecked());
    ASSERT_TRUE(tab.ModeButton()->isChecked());
    tab.ModeNonStop()->click();
    EXPECT_TRUE(tab.SourceLive()->isChecked());
    PressAndWait(tab);
    EXPECT_EQ(Cell(tab, 0, GoalServiceTab::ColScore), "1-0");
    EXPECT_TRUE(tab.StatusLine()->text().startsWith(QString::fromStdString(core::Msg(1802)).left(30)));
    EXPECT_TRUE(tab.StatusLine()->text().contains(QStringLiteral("No data")));  // the stall, named
    EXPECT_TRUE(tab.Timer()->isActive()) << "the cycle carries on";
    EXPECT_FALSE(tab.Busy());

    stall = false;
    bad.release = true;
    tab.Tick();
    QSignalSpy applied(&tab, &GoalServiceTab::applied);
    ASSERT_TRUE(applied.wait(10000));
    EXPECT_EQ(tab.StatusLine()->text().toStdString(), core::Msg(1803));
    EXPECT_EQ(doc.HGoal[0], 1);
    EXPECT_TRUE(heard.sounds.empty());
}

// A server that takes the connection and then never says a word: the fetch
// and the publication end at the tab's limit with one line in the player's
// language, and Off ends them at once, without a line.
TEST(GoalServiceTab, SilentServerTransfersEndAtTheLimitOrAtOff) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const std::string base = "http://127.0.0.1:" + std::to_string(silent.serverPort());
    const auto waitIdle = [](const std::function<bool()>& idle) {
        QElapsedTimer waited;
        waited.start();
        while (!idle() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return waited.elapsed();
    };
    TempDir dir;
    Heard heard;
    {
        core::TVinraFile doc = Doc();
        GoalServiceOptions o = Options(base, dir.path(), heard);
        o.transferLimitMs = 300;
        bool opened = false;
        o.openUrl = [&](const std::string&) { opened = true; };
        GoalServiceTab tab(doc, std::move(o));
        QSignalSpy applied(&tab, &GoalServiceTab::applied);
        QElapsedTimer took;
        took.start();
        tab.OnOff()->click();
        ASSERT_TRUE(applied.wait(5000));
        EXPECT_LT(took.elapsed(), 4000);
        EXPECT_EQ(tab.StatusLine()->text().toStdString(), checking::FormatMessage(core::Msg(3950), {"1"}));
        EXPECT_FALSE(tab.Busy());
        EXPECT_EQ(doc.HGoal[0], -1);

        QSignalSpy published(&tab, &GoalServiceTab::published);
        tab.PublishButton()->click();
        ASSERT_TRUE(published.wait(5000));
        EXPECT_EQ(tab.StatusLine()->text().toStdString(), checking::FormatMessage(core::Msg(3951), {"1"}));
        EXPECT_TRUE(tab.PublishButton()->isEnabled());
        EXPECT_FALSE(opened) << "nothing was published to show";
    }
    {
        core::TVinraFile doc = Doc();
        GoalServiceTab tab(doc, Options(base, dir.path(), heard));  // the limit far off
        QSignalSpy applied(&tab, &GoalServiceTab::applied);
        QSignalSpy published(&tab, &GoalServiceTab::published);
        tab.ModeNonStop()->click();
        tab.OnOff()->click();
        tab.PublishButton()->click();
        ASSERT_TRUE(tab.Busy());
        QTest::qWait(200);
        tab.OnOff()->click();  // Off
        EXPECT_LT(waitIdle([&] { return !tab.Busy() && tab.PublishButton()->isEnabled(); }), 3000);
        EXPECT_FALSE(tab.Busy());
        EXPECT_TRUE(tab.PublishButton()->isEnabled());
        EXPECT_FALSE(tab.Timer()->isActive());
        EXPECT_TRUE(applied.isEmpty());
        EXPECT_TRUE(tab.StatusLine()->text().isEmpty()) << "the player's own Off needs no line";
    }
}

// The SVT page at a button click: a team of the system the page does not show
// is named by the player, kept in teamstat.ini, and the page read again.
// The operator's live service and its preliminary winnings (13 to 10 right)
// are the Swedish pools'; another pool follows the SVT page.
TEST(GoalServiceTab, PoolDecidesTheSourceAndTheWinningsLines) {
    TempDir dir;
    Heard heard;
    core::TVinraFile doc = Doc();
    GoalServiceTab tab(doc, Options("http://127.0.0.1:1", dir.path(), heard));
    EXPECT_FALSE(tab.SourceLive()->isHidden());
    EXPECT_FALSE(tab.WinGrid()->isHidden());
    EXPECT_EQ(tab.WinGrid()->verticalHeaderItem(0)->text(), QStringLiteral("13"));
    EXPECT_EQ(tab.WinGrid()->verticalHeaderItem(3)->text(), QStringLiteral("10"));
    core::TVinraFile norsk = Doc();
    norsk.Typ = "C";
    GoalServiceTab other(norsk, Options("http://127.0.0.1:1", dir.path(), heard));
    EXPECT_TRUE(other.SourceSvt()->isChecked());
    EXPECT_TRUE(other.SourceLive()->isHidden());
    EXPECT_TRUE(other.WinGrid()->isHidden());
    EXPECT_FALSE(other.ModeButton()->isHidden());
}

TEST(GoalServiceTab, SvtTeamsThePageLacksAreMappedAtAButtonClick) {
    LiveService s;
    s.seconds = 1060;
    TempDir dir;
    core::TVinraFile doc = Doc();
    Heard heard;
    testing::ScriptedPrompter prompter;
    GoalServiceOptions o = Options(s.server.Host(), dir.path(), heard, &prompter);
    o.homes[0] = "Kilbrack City";  // the page says "Kilbrack" and "Glenmuir"
    o.aways[0] = "Glenmuir Rovers";
    int asked = 0;
    o.runTeamDialog = [&](TfrmSvtTeams& dlg) {
        if (++asked == 1) {
            dlg.SetText(QStringLiteral("Kilbrack"));
            dlg.btnOKClick();
        } else {
            dlg.btnSkipClick();
        }
    };
    GoalServiceTab tab(doc, std::move(o));
    tab.SourceSvt()->click();
    ASSERT_TRUE(tab.ModeButton()->isChecked());
    PressAndWait(tab);
    EXPECT_EQ(asked, 2);  // both names of match 1
    const auto teamstat = core::IniFile::FromFile(dir.path() / "teamstat.ini");
    EXPECT_EQ(teamstat.ReadString("teams_svt", "Kilbrack City"), "Kilbrack");
    EXPECT_NE(Cell(tab, 0, GoalServiceTab::ColScore), QStringLiteral("---"));  // read again with the name
    EXPECT_NE(Cell(tab, 1, GoalServiceTab::ColScore), QStringLiteral("---"));

    // Non stop: nobody is asked; the match stays unread.
    TempDir other;
    core::TVinraFile doc2 = Doc();
    GoalServiceOptions o2 = Options(s.server.Host(), other.path(), heard, &prompter);
    o2.homes[0] = "Kilbrack City";
    o2.aways[0] = "Glenmuir Rovers";
    o2.runTeamDialog = [&](TfrmSvtTeams&) { ++asked; };
    GoalServiceTab tab2(doc2, std::move(o2));
    tab2.SourceSvt()->click();
    tab2.ModeNonStop()->click();
    PressAndWait(tab2);
    tab2.OnOff()->click();  // off again
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Cell(tab2, 0, GoalServiceTab::ColScore), QStringLiteral("---"));
}

// The identification setting of the internet settings: with "one hit is
// enough" a match whose home team alone is on the page is read; with both
// teams required it is not.
TEST(GoalServiceTab, FindTeamsSettingDecidesWhetherOneNameIsEnough) {
    LiveService s;
    s.seconds = 1060;
    Heard heard;
    for (const int findTeams : {0, 1}) {
        SCOPED_TRACE(findTeams);
        TempDir dir;
        core::TVinraFile doc = Doc();
        GoalServiceOptions o = Options(s.server.Host(), dir.path(), heard);
        o.settings = core::IniFile::FromText("[URL]\nFindTeams=" + std::to_string(findTeams) + "\n");
        o.aways[0] = "Glenmuir Rovers";  // the page says "Glenmuir"; "Kilbrack" is found
        GoalServiceTab tab(doc, std::move(o));
        tab.SourceSvt()->click();
        tab.ModeNonStop()->click();
        PressAndWait(tab);
        tab.OnOff()->click();
        EXPECT_EQ(Cell(tab, 0, GoalServiceTab::ColScore) == QStringLiteral("---"), findTeams == 1);
    }
}

// Pictures of the tab during a live round, in Swedish and English, when
// VINRA_SCREENSHOT_DIR names a folder.
TEST(GoalServiceTab, ScreenshotsDuringALiveRound) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    LiveService live;
    for (int base : {core::LangSwedish, core::LangEnglish}) {
        core::SetCurrentLanguage(base);
        UseQtLanguage(base);
        TempDir dir;
        core::TVinraFile doc = Doc();
        doc.Comment = "Go *13*team";
        Heard heard;
        GoalServiceTab tab(doc, Options(live.server.Host(), dir.path(), heard));
        Localise(&tab);
        tab.resize(1000, 560);
        tab.show();
        live.seconds = 1030;
        PressAndWait(tab);
        live.seconds = 1060;
        PressAndWait(tab);
        tab.CellReleased(2, GoalServiceTab::ColMark, Qt::LeftButton, Qt::NoModifier);
        QApplication::processEvents();
        const QPixmap pm = tab.grab();
        ASSERT_TRUE(pm.save(QString::fromStdString(
            (fs::path(out) / (base == core::LangSwedish ? "goal_tab_sv.png" : "goal_tab_en.png")).string())));
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui
