// The active-pools refresh of the main window against a server on 127.0.0.1:
// due or not by the list's date, the database fed from the list, and a failed
// download that keeps the present list.
#include <gtest/gtest.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "core/signs.h"
#include "net/active_pools.h"
#include "tests/temp_dir.h"
#include "ui/core/program.h"
#include "ui/net/active_pools_refresh.h"
#include "ui/tests/support/scripted_prompter.h"
#include "tests/tiny_http_server.h"

namespace vinra::ui::testing {
using vinra::testing::TinyServer;
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

std::string ListDated(const std::string& date) {
    return "[Info]\r\nFileOK=1\r\nDate=" + date +
           "\r\nPools=S\r\n[S0]\r\nN=Stryktipset\r\nC=Svenska Spel\r\nOmg=2026-50\r\nXMLOmgang=4851\r\n"
           "Deadline=2026-12-12 15:59\r\n[PoolGames]\r\n202650;S;4851;1;Arsenal;Chelsea\r\n";
}

class ActivePoolsRefreshUiTest : public ::testing::Test {
protected:
    void Start(const std::string& host, const std::string& presentList) {
        setenv("VINRA_HOME", dir.path().c_str(), 1);
        const fs::path data = dir.path() / "Program";
        fs::create_directories(data / "DB");
        WriteBytes(data / "update.ini", "[Service]\r\nHost=" + host + "/\r\n");
        if (!presentList.empty()) WriteBytes(data / "activepools.ini", presentList);
        program = std::make_unique<Program>(dir.path() / "bin");
        program->LoadSettings();
        program->OpenDatabase();
    }
    void TearDown() override {
        program.reset();
        unsetenv("VINRA_HOME");
    }

    TempDir dir;
    std::unique_ptr<Program> program;
    ScriptedPrompter prompter;
};

TEST_F(ActivePoolsRefreshUiTest, OutdatedListIsReplacedAndFeedsTheDatabase) {
    TinyServer server({{"/vinra/activepools", ListDated("2999-01-01")}});
    Start(server.Host(), ListDated("2009-01-01"));
    EXPECT_TRUE(RefreshActivePoolsIfDue(*program));
    EXPECT_EQ(ReadBytes(program->ActivePoolsPath()), ListDated("2999-01-01"));
    EXPECT_EQ(program->db.RoundGames(4851, "S").size(), 1u);
    // Now current: no second download.
    const int before = server.hits();
    EXPECT_FALSE(RefreshActivePoolsIfDue(*program));
    EXPECT_EQ(server.hits(), before);
}

TEST_F(ActivePoolsRefreshUiTest, MissingListIsFetchedAtStart) {
    TinyServer server({{"/vinra/activepools", ListDated("2999-01-01")}});
    Start(server.Host(), "");
    EXPECT_TRUE(RefreshActivePoolsIfDue(*program));
    EXPECT_EQ(net::ActivePoolsFile::Load(program->ActivePoolsPath()).Entries(net::LocalNow()).size(), 1u);
}

TEST_F(ActivePoolsRefreshUiTest, FailedRefreshKeepsTheListAndSaysWhyOnlyWhenAsked) {
    TinyServer server(std::map<std::string, std::string>{});  // 404 for everything
    const std::string present = ListDated("2009-01-01");
    Start(server.Host(), present);
    EXPECT_FALSE(RefreshActivePoolsIfDue(*program));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(RefreshActivePoolsNow(nullptr, *program, prompter));
    ASSERT_EQ(prompter.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter.Texts("error")[0].contains(QStringLiteral("/vinra/activepools")));
    EXPECT_EQ(ReadBytes(program->ActivePoolsPath()), present);
}

// The refresh a window runs in the background: the GUI thread goes on while
// the service takes its time, the outcome arrives on the GUI thread with the
// database fed there, and an owner that goes first stops the transfer.
TEST_F(ActivePoolsRefreshUiTest, BackgroundRefreshReportsOnTheGuiThreadAndStopsWithItsOwner) {
    std::atomic<int> delayMs{600};
    httplib::Server svr;
    svr.Get("/vinra/activepools", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i * 10 < delayMs; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content(ListDated("2026-12-10"), "text/plain");
    });
    const int port = svr.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { svr.listen_after_bind(); });
    Start("http://127.0.0.1:" + std::to_string(port), ListDated("2009-01-01"));

    QObject owner;
    std::optional<net::ActivePoolsRefresh> got;
    bool onGui = false;
    const auto gui = std::this_thread::get_id();
    RefreshActivePoolsInBackground(&owner, *program, [&](const net::ActivePoolsRefresh& r) {
        got = r;
        onGui = std::this_thread::get_id() == gui;
    });
    int spins = 0;
    QElapsedTimer t;
    t.start();
    while (!got && t.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ++spins;
    }
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->replaced) << got->error;
    EXPECT_TRUE(onGui);
    EXPECT_GT(spins, 20) << "the GUI thread waited for the transfer";
    EXPECT_EQ(program->db.RoundGames(4851, "S").size(), 1u);

    // The owner goes while the service is silent: the transfer is stopped and
    // nobody is told.
    delayMs = 5000;
    got.reset();
    auto shortLived = std::make_unique<QObject>();
    RefreshActivePoolsInBackground(shortLived.get(), *program, [&](const net::ActivePoolsRefresh& r) { got = r; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    t.restart();
    shortLived.reset();
    EXPECT_LT(t.elapsed(), 2000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(got);
    delayMs = 0;
    svr.stop();
    thread.join();
}

}  // namespace
}  // namespace vinra::ui::testing
