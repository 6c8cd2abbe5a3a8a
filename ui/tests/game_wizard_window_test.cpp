// The game wizard offscreen on a sample round: frame editing through the sign
// fields, own percentages and odds, quick fill, navigation limits, Finish and
// Cancel through the session, and a statistics page from a real local server.
#include "ui/stats/game_wizard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextBrowser>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <fmt/format.h>

#include "core/messages.h"
#include "core/settings.h"
#include "net/game_info.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"
#include "ui/core/document_session.h"
#include "ui/core/main_window.h"
#include "ui/core/program.h"
#include "ui/output/quick_view.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;
using testing::UiFixture;

class GameWizardTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        WriteLogos();
        DocumentSession& s = session();
        s.SetRound({.typ = "S", .country = "SE", .pool = "Stryktipset", .omg = "2026-50", .omgId = 4851, .n = 13});
        s.ApplyFrame(std::vector<std::string>(13, "0"), QStringLiteral("test"));
        std::string ini = "[Info]\r\nDate=2999-12-31\r\n";
        for (int m = 0; m < 13; ++m)
            ini += fmt::format(
                "[Game{}]\r\nHome={}\r\nAway={}\r\nPeople1={}.0\r\nPeopleX=25.0\r\nPeople2={}.0\r\nNews1=6\r\nNewsX="
                "3\r\n"
                "News2=1\r\nOdds1=2.0\r\nOddsX=4.0\r\nOdds2=4.0\r\nComment=Match {} comment\r\nXTips=1X\r\n",
                m, testing::FixtureHomes()[m], testing::FixtureAways()[m], 40 + m, 35 - m, m + 1);
        ini +=
            "[Arsenal FC]\r\nTotal=2\r\nLG0=W|2026-49|Arsenal - Chelsea 2-0 (h)\r\nLG1=L|2026-48|Leeds - Arsenal 3-1 "
            "(b)\r\n"
            "LG2=D|x\r\n";
        const fs::path file = net::GameInfoFile(program_->DataFolder(), "Stryktipset", 4851);
        fs::create_directories(file.parent_path());
        vinra::testing::WriteBytes(file, ini);
    }
    DocumentSession& session() { return window_->Session(); }
    std::unique_ptr<TfrmGameWiz> Open(int start, std::string host = {}) {
        return std::make_unique<TfrmGameWiz>(*program_, prompter_, session(), start, host, window_.get());
    }
};

TEST_F(GameWizardTest, SignFieldsEditTheFrameAndFinishHandsItBack) {
    auto w = Open(0);
    EXPECT_EQ(w->model().current(), 1);  // match 0 opens match 1
    EXPECT_TRUE(w->signButton(0)->isChecked());
    EXPECT_FALSE(w->signButton(1)->isChecked());
    EXPECT_EQ(w->signButton(0)->text(), QStringLiteral("1"));
    EXPECT_EQ(w->signButton(1)->text(), QString());  // an unset field is empty
    EXPECT_TRUE(w->statusText().contains(QStringLiteral("Singles: 13 pcs")));
    w->signButton(1)->click();
    EXPECT_EQ(w->signButton(1)->text(), QStringLiteral("X"));
    w->signButton(2)->click();
    EXPECT_TRUE(w->statusText().contains(QStringLiteral("3-ways: 1 pcs")));
    EXPECT_TRUE(w->statusText().contains(QStringLiteral("# of rows: 3 rows")));
    w->next();
    w->signButton(0)->click();  // match 2 left empty
    EXPECT_TRUE(w->statusText().contains(QStringLiteral("Singles: 11 pcs")));
    EXPECT_TRUE(w->statusText().contains(QStringLiteral("# of rows: 3 rows")));
    w->finishButton()->click();
    const auto& frame = session().Doc().Grundrad;
    EXPECT_EQ(frame[0], "012");
    EXPECT_EQ(frame[1], "");
    EXPECT_EQ(frame[2], "0");
    ASSERT_FALSE(prompter_.shown.empty());
    EXPECT_EQ(prompter_.shown.back().text, QString::fromStdString(core::Msg(364)));
    EXPECT_TRUE(session().Modified());
}

// The overview follows the sign fields; the page used last is where the next
// wizard opens.
TEST_F(GameWizardTest, OverviewFollowsTheSignsAndThePageIsRemembered) {
    auto w = Open(2);
    ASSERT_NE(w->overview(), nullptr);
    EXPECT_FALSE(w->overview()->isVisible());
    w->show();
    w->overviewButton()->click();
    EXPECT_TRUE(w->overview()->isVisible());
    EXPECT_TRUE(w->overview()->CellMarked(1, 2));
    EXPECT_FALSE(w->overview()->CellMarked(3, 2));
    w->signButton(2)->click();
    EXPECT_TRUE(w->overview()->CellMarked(3, 2));
    w->signButton(0)->click();
    EXPECT_FALSE(w->overview()->CellMarked(1, 2));
    EXPECT_EQ(session().Doc().Grundrad[1], "0");  // nothing goes back before Finish
    w->overviewButton()->click();
    EXPECT_FALSE(w->overview()->isVisible());

    w->setPage(5);
    w.reset();
    EXPECT_EQ(Open(1)->page(), 5);
    core::SettingsFile saved(program_->settingsFile().path());
    EXPECT_EQ(saved.Load().gameWizTab, 5);
}

TEST_F(GameWizardTest, OddsViewQuickFillAndBadTextOnLeaving) {
    auto w = Open(14);
    EXPECT_EQ(w->model().current(), 13);  // beyond N opens N
    w->first();
    w->oddsViewBox()->setChecked(true);
    for (int s = 0; s < 3; ++s) w->ownField(s)->setText(QStringLiteral("%1,0").arg(s == 0 ? 2 : 4));
    w->next();
    EXPECT_NEAR(w->model().Own(1).percent[0], 50, 1e-9);
    EXPECT_NEAR(w->model().Own(1).percent[1], 25, 1e-9);
    EXPECT_NEAR(w->model().Own(1).percent[2], 25, 1e-9);
    w->oddsViewBox()->setChecked(false);
    w->quickButton(stats::QuickSource::News)->click();  // 6, 3, 1 x 10 for Stryktipset
    EXPECT_EQ(w->ownField(0)->text(), QStringLiteral("60"));
    EXPECT_EQ(w->ownField(2)->text(), QStringLiteral("10"));
    w->quickButton(stats::QuickSource::Operator)->click();  // the round's Odds keys
    EXPECT_EQ(w->ownField(0)->text(), QStringLiteral("50"));
    w->next();
    w->ownField(0)->setText(QStringLiteral("1,2,3"));
    w->ownField(1)->setText(QStringLiteral("abc"));
    w->ownField(2)->clear();
    // A figure that is not a number is shown to the player, who stays on the match.
    for (auto leave : {&TfrmGameWiz::last, &TfrmGameWiz::finish}) {
        prompter_.shown.clear();
        (w.get()->*leave)();
        EXPECT_EQ(w->model().current(), 3);
        EXPECT_EQ(prompter_.Texts("error"),
                  std::vector<QString>{QString::fromStdString(core::FormatMsg(core::Msg(3300), {"1,2,3"}))});
    }
    w->ownField(0)->clear();
    w->ownField(1)->clear();
    w->last();
    w->finish();
    const auto& proc = session().Doc().Proc;
    EXPECT_EQ(proc[0][0], "50");
    EXPECT_EQ(proc[1][0], "25");
    EXPECT_EQ(proc[0][1], "50");
    EXPECT_EQ(proc[2][1], "25");
    EXPECT_EQ(proc[0][2], "0");
    EXPECT_EQ(proc[1][2], "0");
}

// A banker survives a look at it in the odds view; Enter in an own field
// presses no button; a frame changed under rows gives the regenerate warning.
TEST_F(GameWizardTest, OddsViewKeepsUntouchedFiguresAndEnterPressesNothing) {
    session().Edit(DocPart::Frame, QStringLiteral("test"), [](core::TVinraFile& d) {
        d.Proc = {std::vector<std::string>(13, "1"), std::vector<std::string>(13, "1"),
                  std::vector<std::string>(13, "1")};
        d.Proc[0][0] = "100";
        d.Proc[1][0] = "0";
        d.Proc[2][0] = "0";
        d.Rader = {"0000000000000"};
    });
    auto w = Open(1);
    w->show();
    w->setPage(9);
    w->oddsViewBox()->setChecked(true);
    EXPECT_EQ(w->ownField(0)->text(), QStringLiteral("1,00"));
    w->next();
    w->oddsViewBox()->setChecked(false);
    w->ownField(1)->setFocus();
    QTest::keyClick(w->ownField(1), Qt::Key_Return);
    QTest::keyClick(w->ownField(1), Qt::Key_Enter);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->model().Frame(2), "0");
    w->oddsViewBox()->setChecked(true);
    w->ownField(2)->setText(QStringLiteral("0,5"));  // odds below 1: the view stays
    w->oddsViewBox()->setChecked(false);
    EXPECT_TRUE(w->oddsViewBox()->isChecked());
    EXPECT_EQ(prompter_.Texts("error"),
              std::vector<QString>{QString::fromStdString(core::FormatMsg(core::Msg(3301), {"0,5"}))});
    w->ownField(2)->setText(QString());  // taken back: the match had no estimate of the player's
    w->signButton(1)->click();
    w->finish();
    const auto& proc = session().Doc().Proc;
    EXPECT_EQ((std::array<std::string, 3>{proc[0][0], proc[1][0], proc[2][0]}),
              (std::array<std::string, 3>{"100", "0", "0"}));
    EXPECT_EQ((std::array<std::string, 3>{proc[0][1], proc[1][1], proc[2][1]}),
              (std::array<std::string, 3>{"1", "1", "1"}));
    EXPECT_EQ(prompter_.Texts("information"), (std::vector<QString>{QString::fromStdString(core::Msg(364)),
                                                                    QString::fromStdString(core::Msg(600))}));
    EXPECT_EQ(session().Doc().Rader.size(), 1u);
}

// The service host comes from update.ini: only a web address reaches the browser.
TEST_F(GameWizardTest, OpenInBrowserTakesOnlyWebAddresses) {
    for (const auto& [host, opened] : {std::pair{std::string("http://127.0.0.1:9"), true},
                                       std::pair{std::string("https://127.0.0.1:9"), true},
                                       std::pair{std::string("file:///etc"), false},
                                       std::pair{std::string("javascript:alert(1)//"), false}}) {
        prompter_.shown.clear();
        auto w = Open(2, host);
        w->setPage(0);
        std::vector<QString> launched;
        w->setBrowserLauncher([&](const QUrl& url) {
            launched.push_back(url.toString());
            return true;
        });
        w->openBrowserButton()->click();
        EXPECT_EQ(launched.size(), opened ? 1u : 0u) << host;
        EXPECT_EQ(prompter_.Texts("error").size(), opened ? 0u : 1u) << host;
        if (opened && !launched.empty()) {
            EXPECT_TRUE(launched[0].startsWith(QString::fromStdString(host + "/Vinra/Chart/S/4851/2/"))) << host;
        }
    }
}

// For the Unibet pools the bookmaker row is Unibet's and the operator's row is hidden.
TEST_F(GameWizardTest, UnibetPoolsHideTheOperatorRow) {
    session().SetRound({.typ = "T", .country = "Unibet", .pool = "Stryktipset", .omg = "2026-50", .omgId = 4851,
                        .n = 13});
    auto w = Open(1);
    w->show();
    w->setPage(9);
    EXPECT_TRUE(w->valueLabel(1, 0)->isVisible());
    EXPECT_FALSE(w->valueLabel(2, 0)->isVisible());
    EXPECT_EQ(w->quickButton(stats::QuickSource::Bookmaker)->text(), QString::fromStdString(core::Msg(1917)));
}

TEST_F(GameWizardTest, CancelStoresNothing) {
    const core::TVinraFile before = session().Doc();
    auto w = Open(3);
    w->signButton(2)->click();
    w->ownField(0)->setText(QStringLiteral("77"));
    w->next();
    static_cast<QDialog*>(w.get())->reject();  // Cancel and Escape
    EXPECT_EQ(session().Doc().Grundrad, before.Grundrad);
    EXPECT_EQ(session().Doc().Proc, before.Proc);
}

TEST_F(GameWizardTest, TeamsLatestGamesRanksAndNavigation) {
    // A new system's own percentages, 1 for every sign, are no estimate.
    session().Edit(DocPart::Frame, QStringLiteral("test"), [](core::TVinraFile& d) {
        for (auto& sign : d.Proc) sign.assign(13, "1");
    });
    auto w = Open(1);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(w->ownField(s)->text(), QString()) << s;  // not "1 1 1"
    EXPECT_EQ(w->leagueLabel(0)->text(), QStringLiteral("*****\nn/a"));
    // The home list starts on home games only: the away game is left out; the
    // line without a text shows empty.
    ASSERT_EQ(w->gamesList(0)->count(), 2);
    EXPECT_EQ(w->gamesList(0)->item(0)->text(), QStringLiteral("Arsenal - Chelsea 2-0 (h)"));
    EXPECT_EQ(w->gamesList(0)->item(0)->foreground().color(), QColor(Qt::darkGreen));
    EXPECT_EQ(w->valueLabel(4, 0)->text(), QStringLiteral("13"));  // 40% is the least played favourite
    EXPECT_EQ(w->valueLabel(3, 0)->text(), QStringLiteral("40,00"));
    EXPECT_EQ(w->valueLabel(5, 0)->text(), QStringLiteral("1,25"));  // bookmaker 50 / people 40
    EXPECT_EQ(w->valueLabel(1, 0)->text(), QString());  // no bookmaker (Ubet) odds: empty, not 0
    EXPECT_EQ(w->valueLabel(2, 0)->text(), QStringLiteral("50"));  // the operator's, from the Odds keys
    w->last();
    EXPECT_EQ(w->model().current(), 13);
    EXPECT_EQ(w->valueLabel(4, 0)->text(), QStringLiteral("1"));  // 52% the most played
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("Game Wizard - 13 / 13")));
}

TEST_F(GameWizardTest, StatisticsPageComesFromTheService) {
    vinra::testing::LocalServer server;
    std::string asked, lang;
    server.svr.Get(R"(/Vinra/(.*))", [&](const httplib::Request& req, httplib::Response& res) {
        asked = req.path;
        lang = req.get_param_value("lang");
        res.set_content("<html><body><h1>Tabell</h1></body></html>", "text/html; charset=utf-8");
    });
    server.Start();
    auto w = Open(2, server.Host());
    w->setPage(3);
    QElapsedTimer t;
    t.start();
    while ((w->pageLoading() || w->browser()->toPlainText().isEmpty()) && t.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(asked, "/Vinra/Table/1/S/4851/2/");
    EXPECT_EQ(lang, core::CurrentLanguage() == core::LangSwedish ? "sv" : "en");
    EXPECT_TRUE(w->browser()->toPlainText().contains(QStringLiteral("Tabell")));
}

}  // namespace
}  // namespace vinra::ui

namespace vinra::ui {
namespace {

TEST_F(GameWizardTest, StaleStatisticsAreFetchedFirst) {
    vinra::testing::LocalServer server;
    int asked = 0;
    server.svr.Get("/Vinra/Info/S/4851/", [&](const httplib::Request&, httplib::Response& res) {
        ++asked;
        res.set_content(
            "[Info]\r\nDate=2026-12-10\r\n[Chelsea]\r\nTotal=4\r\nLG0=W|2026-49|Chelsea - Leeds 1-0 (h)\r\n"
            "[Game0]\r\nSound=S4851-1.wav\r\nHome=Someone else\r\n[Game1]\r\nSound=../../evil.wav\r\n",
            "text/plain; charset=windows-1252");
    });
    server.Start();
    const fs::path file = net::GameInfoFile(program_->DataFolder(), "Stryktipset", 4851);
    int matchStatRuns = 0;
    auto run = [&] { ++matchStatRuns; };
    // Current: nothing is fetched.
    EXPECT_FALSE(EnsureRoundStatistics(*program_, session().Doc(), server.Host(), "2026-12-10", run));
    EXPECT_EQ(matchStatRuns, 0);
    // Dated yesterday: the download runs, and the clubs' statistics come in with today's date.
    auto ini = core::IniFile::FromFile(file);
    ini.WriteString("Info", "Date", "2026-12-09");
    ini.SaveToFile(file);
    EXPECT_TRUE(EnsureRoundStatistics(*program_, session().Doc(), server.Host(), "2026-12-10", run));
    EXPECT_EQ(matchStatRuns, 1);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(stats::StatisticsStale(file, "2026-12-10"));
    auto w = Open(1);
    EXPECT_EQ(w->leagueLabel(1)->text(), QStringLiteral("*****\nn/a"));
    ASSERT_EQ(w->gamesList(1)->count(), 0);  // away list: home games of Chelsea left out
    EXPECT_EQ(stats::ReadTeamStats(core::IniFile::FromFile(file), core::IniFile(), "Chelsea").position, "4");
    EXPECT_EQ(core::IniFile::FromFile(file).ReadString("Game0", "Home"), "Arsenal");  // game information kept
    // Of a match's section only a clip name that stays in its folder comes in.
    EXPECT_EQ(core::IniFile::FromFile(file).ReadString("Game0", "Sound"), "S4851-1.wav");
    EXPECT_FALSE(core::IniFile::FromFile(file).HasKey("Game1", "Sound"));
}

// The clubs' statistics come in behind a modal window with Cancel: the main
// window takes no second Ctrl+T meanwhile, and Cancel ends a stalled fetch.
TEST_F(GameWizardTest, StatisticsFetchIsModalAndCancelEndsIt) {
    vinra::testing::LocalServer server;
    std::atomic<bool> release = false;
    server.svr.Get("/Vinra/Info/S/4851/", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 100 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        res.set_content("[Info]\r\nDate=2026-12-10\r\n", "text/plain");
    });
    server.Start();
    const fs::path file = net::GameInfoFile(program_->DataFolder(), "Stryktipset", 4851);
    auto ini = core::IniFile::FromFile(file);
    ini.WriteString("Info", "Date", "2026-12-09");
    ini.SaveToFile(file);
    bool sawModal = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!progress) return;
        sawModal = progress->isModal() && progress->labelText() == QString::fromStdString(core::Msg(3302));
        progress->cancel();
    });
    poll.start();
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(EnsureRoundStatistics(*program_, session().Doc(), server.Host(), "2026-12-10", {}, window_.get()));
    poll.stop();
    EXPECT_LT(t.elapsed(), 4000);
    release = true;
    EXPECT_TRUE(sawModal);
    EXPECT_TRUE(stats::StatisticsStale(file, "2026-12-10"));  // nothing was merged
}

// A match's clip is fetched from the service into the sound cache on the first
// play, off the GUI thread; a clip the service does not have gives the message.
TEST_F(GameWizardTest, ClipIsFetchedOnceAndPlayed) {
    vinra::testing::LocalServer server;
    std::atomic<int> asked = 0;
    server.svr.Get(R"(/Vinra/Sounds/(.*))", [&](const httplib::Request& req, httplib::Response& res) {
        ++asked;
        if (req.matches[1].str() != "S4851-1.wav") return void(res.status = 404);
        std::string wav = "RIFF";
        wav.resize(44 + 800, '\0');
        res.set_content(wav, "audio/wav");
    });
    server.Start();
    const fs::path file = net::GameInfoFile(program_->DataFolder(), "Stryktipset", 4851);
    auto ini = core::IniFile::FromFile(file);
    ini.WriteString("Game0", "Sound", "S4851-1.wav");
    ini.WriteString("Game1", "Sound", "S4851-2.wav");
    ini.SaveToFile(file);
    const fs::path clip = program_->DataFolder() / "Cache" / "Sounds" / "S4851-1.wav";
    auto w = Open(1, server.Host());
    auto play = [&] {
        ASSERT_TRUE(w->soundButton()->isEnabled());
        w->soundButton()->click();
        QElapsedTimer t;
        t.start();
        while (w->soundLoading() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    play();
    EXPECT_TRUE(fs::exists(clip));
    EXPECT_EQ(w->lastPlayed(), clip);
    play();  // from the cache now
    EXPECT_EQ(asked, 1);
    prompter_.shown.clear();
    w->next();
    play();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(fs::exists(clip.parent_path() / "S4851-2.wav"));
    ASSERT_FALSE(prompter_.Texts("error").empty());
    EXPECT_TRUE(prompter_.Texts("error").front().startsWith(QString::fromStdString(core::Msg(1913))));
}

// Pictures of the wizard's pages in Swedish and English for a person to look
// at; runs when VINRA_SCREENSHOT_DIR names a folder.
TEST_F(GameWizardTest, Screenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    vinra::testing::LocalServer server;
    server.svr.Get(R"(/Vinra/(.*))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("<html><body><h1>Tabell</h1><p>" + req.path +
                            "</p><table "
                            "border=\"1\"><tr><th>Lag</th><th>P</th></tr><tr><td>Arsenal</td><td>30</td></tr></table></"
                            "body></html>",
                        "text/html; charset=utf-8");
    });
    server.Start();
    for (const auto& [lang, code] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
        core::SetCurrentLanguage(lang);
        auto w = Open(1, server.Host());
        w->show();
        QApplication::processEvents();
        EXPECT_TRUE(w->grab().save(QStringLiteral("%1/gamewiz-info-%2.png").arg(out, code)));
        w->setPage(3);
        QElapsedTimer t;
        t.start();
        while ((w->pageLoading() || w->browser()->toPlainText().isEmpty()) && t.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(w->grab().save(QStringLiteral("%1/gamewiz-table-%2.png").arg(out, code)));
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui
