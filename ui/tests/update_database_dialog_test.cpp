// The Update database command offscreen: the question, the progress window's
// texts, "Done!" after a good run, and an error without "Done!" after a failed
// transfer.
#include <gtest/gtest.h>

#include <httplib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include "checking/tips_data.h"
#include "core/messages.h"
#include "tests/temp_dir.h"
#include "ui/net/update_database_dialog.h"
#include "ui/tests/support/scripted_prompter.h"
#include "tests/tiny_http_server.h"

namespace vinra::ui::testing {
using vinra::testing::TinyServer;
namespace {

using vinra::testing::TempDir;

const char* const kResults = "202650;S;4851;1X2211X21X122;12;1500000,00;340;4200,50;3100;210,00;25000;35,00\r\n";
const char* const kGames = "202650;S;4851;1;Arsenal;Chelsea\r\n202650;S;4851;2;AIK;Hammarby\r\n";

class UpdateDatabaseDialogTest : public ::testing::Test {
protected:
    void SetUp() override { db.Open(dir.path() / "DB" / "tipsdata.sqlite"); }
    TempDir dir;
    checking::TTipsData db;
    ScriptedPrompter prompter;
};

TEST_F(UpdateDatabaseDialogTest, YesFetchesImportsAndSaysDone) {
    TinyServer server({{"/vinra2000/ini/dbresults.txt", kResults}, {"/vinra2000/ini/dbgames.txt", kGames}});
    prompter.answers = {Answer::Yes};
    EXPECT_TRUE(UpdateDatabaseCommand(nullptr, server.Host(), dir.path(), db, prompter));
    ASSERT_EQ(prompter.Texts("question").size(), 1u);
    EXPECT_EQ(prompter.Texts("question")[0], QString::fromStdString(core::Msg(599)));
    EXPECT_TRUE(prompter.Texts("error").empty());
    ASSERT_EQ(prompter.Texts("information").size(), 1u);
    EXPECT_EQ(prompter.Texts("information")[0], QString::fromStdString(core::Msg(353)));
    EXPECT_TRUE(db.FindResult("S", 4851).found);
    EXPECT_EQ(db.RoundGames(4851, "S").size(), 2u);
}

TEST_F(UpdateDatabaseDialogTest, NoDoesNothing) {
    TinyServer server({{"/vinra2000/ini/dbresults.txt", kResults}, {"/vinra2000/ini/dbgames.txt", kGames}});
    prompter.answers = {Answer::No};
    EXPECT_FALSE(UpdateDatabaseCommand(nullptr, server.Host(), dir.path(), db, prompter));
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(db.ResultCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "dbresults.txt"));
}

TEST_F(UpdateDatabaseDialogTest, FailedTransferIsReportedInsteadOfDone) {
    // The games file is missing on the server: the results must not be imported either.
    TinyServer server(std::map<std::string, std::string>{{"/vinra2000/ini/dbresults.txt", kResults}});
    prompter.answers = {Answer::Yes};
    EXPECT_FALSE(UpdateDatabaseCommand(nullptr, server.Host(), dir.path(), db, prompter));
    EXPECT_TRUE(prompter.Texts("information").empty());
    ASSERT_EQ(prompter.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter.Texts("error")[0].contains(QStringLiteral("/vinra2000/ini/dbgames.txt")))
        << prompter.Texts("error")[0].toStdString();
    EXPECT_EQ(db.ResultCount(), 0u);
}

TEST(UpdateDatabaseWindow, ShowsEveryStepTextInTurnAndCannotBeClosedWhileWorking) {
    using net::UpdateStep;
    QStringList texts;
    for (int s = 0; s <= static_cast<int>(UpdateStep::CheckDatabase); ++s)
        texts << TfrmUpdateDatabase::StepText(static_cast<UpdateStep>(s));
    // In the English program, the steps say it in English.
    EXPECT_EQ(texts.front(), QStringLiteral("Downloading results..."));
    // The worker moves on once the window has shown its step (bounded wait),
    // so a slow machine cannot skip a text.
    std::atomic<int> shown{-1};
    TfrmUpdateDatabase window([&](const net::UpdateStepFn& onStep, const std::atomic<bool>&) {
        for (int s = 0; s < texts.size(); ++s) {
            onStep(static_cast<UpdateStep>(s));
            for (int i = 0; i < 500 && shown < s; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        net::UpdateDatabaseResult r;
        r.ok = true;
        return r;
    });
    QStringList seen;
    bool closedEarly = false;
    QTimer sampler;
    sampler.setInterval(5);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!window.isVisible()) return;
        if (seen.isEmpty() || seen.back() != window.InfoText()) seen << window.InfoText();
        shown = static_cast<int>(texts.indexOf(window.InfoText()));
        if (seen.size() == 2 && !closedEarly) {
            window.close();
            closedEarly = !window.isVisible();
        }
    });
    sampler.start();
    const auto r = window.Run();
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(closedEarly);
    EXPECT_EQ(seen, texts);
}

// Cancel stops a transfer that the service never answers: the window ends
// within a moment, the database is untouched and the user hears it was cancelled.
TEST_F(UpdateDatabaseDialogTest, CancelStopsASilentTransfer) {
    std::atomic<bool> release{false};
    httplib::Server svr;
    svr.Get("/vinra2000/ini/dbresults.txt", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 1000 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content(kResults, "text/plain");
    });
    const int port = svr.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { svr.listen_after_bind(); });
    prompter.answers = {Answer::Yes};
    QElapsedTimer took;
    QTimer clicker;
    clicker.setInterval(50);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dlg = dynamic_cast<TfrmUpdateDatabase*>(w); dlg && dlg->isVisible()) {
                if (!took.isValid()) took.start();
                dlg->CancelButton()->click();
            }
    });
    clicker.start();
    EXPECT_FALSE(UpdateDatabaseCommand(nullptr, "http://127.0.0.1:" + std::to_string(port), dir.path(), db, prompter));
    clicker.stop();
    ASSERT_TRUE(took.isValid());
    EXPECT_LT(took.elapsed(), 2500);
    EXPECT_TRUE(prompter.Texts("error").empty());
    EXPECT_EQ(prompter.Texts("information"), std::vector<QString>{QString::fromStdString(core::Msg(1111))});
    EXPECT_EQ(db.ResultCount(), 0u);
    release = true;
    svr.stop();
    thread.join();
}

}  // namespace
}  // namespace vinra::ui::testing
