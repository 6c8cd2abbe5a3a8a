// The check window and the database editor as commands of the main window:
// Ctrl+R refuses a system without rows, opens the window on the open system
// otherwise, and the result it leaves reaches the system and the result panel.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QApplication>
#include <QTableWidget>
#include <QTest>

#include "net/http.h"
#include "service/server.h"
#include "tests/local_server.h"
#include "ui/checking/results_dialogs.h"

#include "core/messages.h"
#include "core/system_document.h"
#include "ui/checking/check_window.h"
#include "ui/checking/db_manager.h"
#include "ui/checking/goal_service_tab.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/tests/support/fixture_round.h"
#include "ui/tests/support/ui_fixture.h"
#include "ui/tests/support/when_modal.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

class CheckCommandTest : public UiFixture {
protected:
    void OpenSystem(std::vector<std::string> rows) {
        core::TVinraFile doc;
        doc.NewSystem(13, true);
        SetFixtureRound(doc);
        doc.Rader = std::move(rows);
        fs::create_directories(userPool());
        const fs::path path = userPool() / "check.1x2";
        doc.SaveToFile(path);
        ASSERT_TRUE(window_->OpenFile(path));
    }
};

TEST_F(CheckCommandTest, WithoutRowsSaysSo) {
    OpenSystem({});
    ASSERT_TRUE(window_->Commands().Action(QStringLiteral("actCheck"))->isEnabled());
    EXPECT_EQ(window_->Commands().Action(QStringLiteral("actCheck"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    window_->Commands().Trigger(QStringLiteral("actCheck"));
    ASSERT_FALSE(prompter_.Texts("information").empty());
    EXPECT_EQ(prompter_.Texts("information").back().toStdString(), Msg(283));
}

TEST_F(CheckCommandTest, OpeningAndClosingChangesNothing) {
    OpenSystem({std::string(13, '0')});
    ASSERT_FALSE(window_->Session().Modified());
    WhenModal<TfrmRatta>([](TfrmRatta* w) { w->reject(); });
    window_->Commands().Trigger(QStringLiteral("actCheck"));
    EXPECT_FALSE(window_->Session().Modified());
}

TEST_F(CheckCommandTest, TheResultLeftInTheWindowReachesTheSystemAndTheResultPanel) {
    FillDatabase(false);
    OpenSystem({core::DisplayToSigns(kFixtureResult), std::string(13, '0')});
    ASSERT_FALSE(window_->ResultShown());
    bool opened = false;
    WhenModal<TfrmRatta>([&](TfrmRatta* w) {
        opened = true;
        // The teams of the open system's round.
        EXPECT_EQ(w->PayoutGrid()->item(1, TfrmRatta::ColHome)->text().toStdString(), FixtureHomes()[0]);
        for (size_t m = 0; m < 13; ++m) {
            const char c = kFixtureResult[m];
            w->ToggleSign(static_cast<int>(m) + 1, c == '1' ? 0 : c == 'X' ? 1 : 2);
        }
        w->EditPayout(13, QStringLiteral("1 000 000"));
        WhenModal<TfrmSave>([](TfrmSave* d) { d->accept(); });
        w->btnSaveClick();
        w->reject();
    });
    window_->Commands().Trigger(QStringLiteral("actCheck"));
    ASSERT_TRUE(opened);
    EXPECT_EQ(window_->Session().Doc().Facit, core::DisplayToSigns(kFixtureResult));
    EXPECT_EQ(window_->Session().Doc().HGoal[0], 1);
    EXPECT_TRUE(window_->Session().Modified());
    EXPECT_TRUE(program_->db.FindResult("S", 4851).found);
    EXPECT_EQ(program_->db.FindResult("S", 4851).U(13), 100000000);
    // The saved result shows in the main window's result panel.
    EXPECT_TRUE(window_->ResultShown());
}

// The goal-service tab inside the real window: its publish id names the
// upload user and the system's file, Ctrl+G switches the live update on and
// off, and goals kept by hand go back to the system and survive a save.
TEST_F(CheckCommandTest, GoalTabInTheWindowPublishIdCtrlGAndGoalsSaved) {
    OpenSystem({std::string(13, '0')});
    program_->settingsFile().WriteString("General", "apiUser", "anna");
    bool opened = false;
    WhenModal<TfrmRatta>([&](TfrmRatta* w) {
        opened = true;
        auto* tab = w->findChild<GoalServiceTab*>();
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->PublishId(), "S4851_anna_check");
        auto* key = w->findChild<QShortcut*>();
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->key(), QKeySequence(Qt::CTRL | Qt::Key_G));
        tab->ModeNonStop()->click();
        ASSERT_FALSE(tab->OnOff()->isChecked());
        emit key->activated();  // as the key does wherever the window has the focus
        EXPECT_TRUE(tab->OnOff()->isChecked());
        EXPECT_TRUE(tab->Timer()->isActive());
        emit key->activated();
        EXPECT_FALSE(tab->OnOff()->isChecked());
        EXPECT_FALSE(tab->Timer()->isActive());
        // Two home goals and an away goal by hand in match 1.
        tab->CellReleased(0, GoalServiceTab::ColScore, Qt::LeftButton, {});
        tab->CellReleased(0, GoalServiceTab::ColScore, Qt::LeftButton, {});
        tab->CellReleased(0, GoalServiceTab::ColScore, Qt::RightButton, {});
        w->reject();
    });
    window_->Commands().Trigger(QStringLiteral("actCheck"));
    ASSERT_TRUE(opened);
    EXPECT_EQ(window_->Session().Doc().HGoal[0], 2);
    EXPECT_EQ(window_->Session().Doc().AGoal[0], 1);
    ASSERT_TRUE(window_->Session().Modified());
    const fs::path path = userPool() / "check.1x2";
    window_->SaveClick();
    EXPECT_FALSE(window_->Session().Modified());
    core::TVinraFile reread;
    reread.LoadFromFile(path);
    EXPECT_EQ(reread.HGoal[0], 2);
    EXPECT_EQ(reread.AGoal[0], 1);
    EXPECT_EQ(reread.Facit.substr(0, 1), "0");  // the result row follows the goals
}

// The database lacks the result of the system's round; the real web service
// has it settled. The window says so, looks it up without holding the player,
// and on his yes stores the round (row and prize table) and shows it.
TEST_F(CheckCommandTest, ARoundMissingFromTheDatabaseIsFetchedFromTheService) {
    vinra::testing::TempDir data;
    fs::create_directories(data.path() / "rounds");
    std::string round = "[Round]\nTyp=S\nOmgID=4851\nOmg=2026-50\nDeadline=2026-12-12 15:59\n"
                        "[Payout]\n13=12;1500000\n12=340;4200\n11=3100;210\n10=25000;35\n";
    const std::string scores[13] = {"2-0", "1-1", "0-3", "0-1", "2-1", "4-0", "1-1",
                                    "0-2", "3-1", "1-1", "2-0", "0-1", "1-2"};  // 1X2211X21X122
    for (int m = 0; m < 13; ++m)
        round += "[Match" + std::to_string(m + 1) + "]\nHome=" + FixtureHomes()[static_cast<size_t>(m)] +
                 "\nAway=" + FixtureAways()[static_cast<size_t>(m)] + "\nScore=" + scores[m] + "\n";
    vinra::testing::WriteBytes(data.path() / "rounds" / "S-4851.ini", round);
    fs::copy_file(fs::path(VINRA_SOURCE_DIR) / "service" / "data" / "update.ini", data.path() / "update.ini");
    auto service = std::make_unique<service::VinraService>(
        service::ServiceOptions{data.path(), "", [] { return std::string("2026-12-20 12:00"); }});
    vinra::testing::LocalServer server;
    service->Register(server.svr);
    server.Start();
    const net::HttpReply ini = net::Get(server.Url("/vinra2000/ini/update.ini"));
    ASSERT_EQ(ini.status, 200);
    program_->updateIni = core::IniFile::FromText(ini.body);

    FillDatabase(false);
    OpenSystem({core::DisplayToSigns(kFixtureResult), std::string(13, '0')});
    ASSERT_FALSE(program_->db.FindResult("S", 4851).found);
    prompter_.answers.push_back(Answer::Yes);
    bool opened = false;
    WhenModal<TfrmRatta>([&](TfrmRatta* w) {
        opened = true;
        EXPECT_EQ(w->NoteText().toStdString(), "No result is stored for round 2026-50 yet.");
        WhenModal<TfrmChooseOmg>([](TfrmChooseOmg* d) { d->accept(); });  // the round shown
        w->btnLocalClick();
        QTRY_VERIFY_WITH_TIMEOUT(!w->FetchRunning(), 20000);
        QApplication::processEvents();
        EXPECT_EQ(w->DisplayResult(), kFixtureResult);
        EXPECT_EQ(w->LevelItem(12, TfrmRatta::LevelPayout)->text(), "4 200,00");
        EXPECT_TRUE(w->NoteText().isEmpty()) << w->NoteText().toStdString();
        w->reject();
    });
    window_->Commands().Trigger(QStringLiteral("actCheck"));
    ASSERT_TRUE(opened);
    const auto stored = program_->db.FindResult("S", 4851);
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.Rad, kFixtureResult);
    EXPECT_EQ(stored.U(13), 150000000);
    EXPECT_EQ(stored.A(10), 25000);
}

TEST_F(CheckCommandTest, DatabaseEntriesOpenTheEditorOnTheirPage) {
    FillDatabase(true);
    for (auto [name, page] :
         {std::pair{"actDbMatches", TDBManager::Page::Games}, std::pair{"actDbResults", TDBManager::Page::Results}}) {
        bool seen = false;
        WhenModal<TDBManager>([&seen, page = page](TDBManager* d) {
            seen = true;
            EXPECT_EQ(d->CurrentPage(), page);
            d->accept();
        });
        ASSERT_NE(window_->Commands().Action(QString::fromLatin1(name)), nullptr);
        window_->Commands().Trigger(QString::fromLatin1(name));
        EXPECT_TRUE(seen) << name;
    }
}

}  // namespace
}  // namespace vinra::ui::testing
