#include "ui/net/http_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include <httplib.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>

#include "core/ini.h"
#include "net/http.h"
#include "tests/tiny_http_server.h"
#include "tests/temp_dir.h"
#include "ui/core/program.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;
using vinra::testing::TempDir;
using vinra::testing::TinyServer;
using vinra::testing::WriteBytes;

// Runs the event loop until done() or the time is up.
template <class F>
bool SpinUntil(F done, int maxMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < maxMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

TEST(HttpWindow, ShowsCaptionAndInfoCentredOnItsOwnerWhileWorkRuns) {
    QWidget owner;
    owner.setGeometry(100, 100, 800, 600);
    owner.show();
    // The work runs on a worker thread: the window is looked at from the GUI
    // thread, which keeps running meanwhile, and the work waits for that.
    std::atomic<bool> looked{false};
    bool seen = false;
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, [&] {
        auto* w = owner.findChild<TfrmHTTP*>();
        if (!w || looked) return;
        seen = w->isVisible();
        EXPECT_EQ(w->caption(), QStringLiteral("Getting data..."));
        EXPECT_EQ(w->info(), QStringLiteral("Laddar upp system.1x2"));
        EXPECT_LE((w->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(w->findChild<QLabel*>(QStringLiteral("lblInfo"))->font().bold());
        EXPECT_FALSE(w->cancelButton()->isVisible()) << "a short transfer offers no Cancel";
        looked = true;
    });
    look.start();
    const QString caption = QStringLiteral("Getting data..."), info = QStringLiteral("Laddar upp system.1x2");
    const int got = WithHttpWindow(&owner, caption, info, [&] {
        for (int i = 0; i < 200 && !looked; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return 7;
    });
    EXPECT_TRUE(seen);
    EXPECT_EQ(got, 7);
    EXPECT_EQ(owner.findChild<TfrmHTTP*>(), nullptr);
    // A failing transfer still takes the window away, and its error keeps its type.
    EXPECT_THROW(WithHttpWindow(&owner, QString(), QString(), []() -> int { throw net::NetError("down"); }),
                 net::NetError);
    EXPECT_EQ(owner.findChild<TfrmHTTP*>(), nullptr);
}

// A web service that answers only after 3 s: the GUI thread keeps its event
// loop all the while, the window offers Cancel, Cancel ends the fetch at
// once, and a failure comes back with its message.
TEST(HttpWindow, ASlowServiceLeavesTheGuiResponsiveAndCancelStopsIt) {
    std::atomic<bool> release{false};
    httplib::Server svr;
    svr.Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 300 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.set_content("late but whole", "text/plain");
    });
    const int port = svr.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { svr.listen_after_bind(); });
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/slow";

    QWidget owner;
    owner.show();
    // An independent 10 ms timer: the longest pause between its ticks is how
    // long the GUI thread was kept from its events.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    std::string body;
    QElapsedTimer took;
    took.start();
    TransferOutcome out = RunTransfer(&owner, QStringLiteral("Getting data..."), QStringLiteral("slow"),
                                      [&](TransferContext&) { body = net::Get(url).body; });
    const qint64 slowMs = took.elapsed();
    const qint64 gapWhileSlow = longestGap;
    EXPECT_TRUE(out.ok()) << out.error.toStdString();
    EXPECT_EQ(body, "late but whole");
    EXPECT_GE(slowMs, 2900);
    EXPECT_LT(gapWhileSlow, 250) << "the GUI thread stood still";
    std::printf("[ measured ] 3 s reply: longest gap between 10 ms timer ticks %lld ms (job timer %lld ms)\n",
                static_cast<long long>(gapWhileSlow), static_cast<long long>(out.longestTickGapMs));

    // Cancel once the window offers it: the fetch ends long before the reply.
    bool offered = false;
    QTimer clicker;
    clicker.setInterval(20);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* w = owner.findChild<TfrmHTTP*>();
        if (!w || !w->cancelButton()->isVisible()) return;
        offered = true;
        w->cancelButton()->click();
    });
    clicker.start();
    body.clear();
    took.restart();
    out = RunTransfer(
        &owner, QStringLiteral("Getting data..."), QStringLiteral("slow"),
        [&](TransferContext&) { body = net::Get(url).body; }, 300);
    clicker.stop();
    EXPECT_TRUE(offered);
    EXPECT_TRUE(out.cancelled);
    EXPECT_TRUE(body.empty());
    EXPECT_LT(took.elapsed(), 2000);

    // A failure: the message of the transfer, naming the address.
    release = true;
    svr.stop();
    thread.join();
    out = RunTransfer(&owner, QString(), QString(), [&](TransferContext&) { net::Get(url); });
    EXPECT_FALSE(out.cancelled);
    EXPECT_TRUE(out.error.contains(QString::fromStdString(url))) << out.error.toStdString();
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VINRA_HOME", dir.path().c_str(), 1);
        fs::create_directories(dir.path() / "Program");
        net::HttpOptions o;
        o.connectTimeoutMs = 2000;
        o.stallTimeoutMs = 2000;
        net::SetHttpOptions(o);
        net::ResetPrepareConnection();
    }
    void TearDown() override { net::ResetPrepareConnection(); }
    void Start(const std::string& host) {
        WriteBytes(dir.path() / "Program" / "update.ini",
                   "[Update]\r\nPgmVersion=7.51\r\nIniVersion=700\r\n[Service]\r\nHost=" + host + "\r\n");
        program = std::make_unique<Program>(dir.path() / "bin");
        program->LoadSettings();
    }
    TempDir dir;
    std::unique_ptr<Program> program;
    testing::ScriptedPrompter prompter;
};

TEST_F(ProgramTest, PrepareConnectionShowsTheCheckAndReadsTheNewUpdateIni) {
    TinyServer svc(std::map<std::string, std::string>{
        {"/vinra2000/ini/update.ini",
         "[Update]\r\nPgmVersion=8.0\r\nPgmUrl=http://maker.example/new\r\nIniVersion=700\r\n"
         "Varning=Maintenance tonight\r\n[S]\r\nName=Stryktipset\r\n"}});
    Start(svc.Host());
    ASSERT_EQ(program->updateIni.ReadString("S", "Name"), "");
    prompter.answers.push_back(Answer::Yes);
    std::vector<std::string> opened;
    EXPECT_TRUE(PrepareConnection(nullptr, *program, prompter, [&](const std::string& u) { opened.push_back(u); }));
    EXPECT_EQ(program->updateIni.ReadString("S", "Name"), "Stryktipset");
    EXPECT_EQ(program->updateIni.ReadString("Service", "Host"), svc.Host());
    ASSERT_EQ(prompter.Texts("question").size(), 1u);
    EXPECT_TRUE(prompter.Texts("question")[0].contains(QStringLiteral("(8.0)")));
    EXPECT_EQ(opened, std::vector<std::string>{"http://maker.example/new"});
    ASSERT_EQ(prompter.Texts("information").size(), 1u);
    EXPECT_EQ(prompter.Texts("information")[0], QStringLiteral("Maintenance tonight"));

    // Once a run.
    EXPECT_TRUE(PrepareConnection(nullptr, *program, prompter));
    EXPECT_EQ(svc.hits(), 1);
}

TEST_F(ProgramTest, DownloadReportsArriveOnTheWindowsThreadUntilItGoes) {
    TinyServer svc(std::map<std::string, std::string>{{"/logo.png", "PNGDATA"}});
    Start(svc.Host());
    std::vector<net::TSyncInfo> got;
    auto receiver = std::make_unique<TDownloadReceiver>([&](const net::TSyncInfo& r) { got.push_back(r); });
    const fs::path file = dir.path() / "logo.png";
    receiver->Get(svc.Host() + "/logo.png", file, 5);
    receiver->Get(svc.Host() + "/none.png", dir.path() / "none.png", 6);
    auto finished = [&] {
        int n = 0;
        for (const auto& r : got) n += r.state == net::kSyncFinished;
        return n == 2;
    };
    ASSERT_TRUE(SpinUntil(finished));
    for (const auto& r : got) {
        if (r.state != net::kSyncFinished) continue;
        EXPECT_EQ(r.ok, r.requestId == 5) << r.requestId << " " << r.error;
    }
    EXPECT_EQ(vinra::testing::ReadBytes(file), "PNGDATA");
    EXPECT_FALSE(fs::exists(dir.path() / "none.png"));

    // A handler may delete its receiver; the reports after that are dropped.
    int calls = 0;
    TDownloadReceiver* self = nullptr;
    self = new TDownloadReceiver([&](const net::TSyncInfo&) {
        ++calls;
        delete self;
    });
    self->Get(svc.Host() + "/logo.png", dir.path() / "third.png", 8);
    ASSERT_TRUE(net::TDownloadThread::WaitAll(std::chrono::seconds(3)));
    self->drain();
    EXPECT_EQ(calls, 1);

    // A receiver that goes before its transfer ends hears nothing more.
    got.clear();
    receiver->Get(svc.Host() + "/logo.png", dir.path() / "again.png", 7);
    receiver.reset();
    EXPECT_TRUE(net::TDownloadThread::WaitAll(std::chrono::seconds(3)));
    QApplication::processEvents();
    EXPECT_TRUE(got.empty());
}

}  // namespace
}  // namespace vinra::ui
