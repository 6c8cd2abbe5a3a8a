// The Update database command offscreen: the question, the progress window's
// texts, "Done!" after a good run, and an error without "Done!" after a failed
// transfer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "checking/tips_data.h"
#include "core/messages.h"
#include "tests/temp_dir.h"
#include "ui/net/update_database_dialog.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui::testing {
namespace {

using vinra::testing::TempDir;

// A minimal HTTP/1.0 server on 127.0.0.1: fixed bodies by path, 404 for the rest.
class TinyServer {
public:
    explicit TinyServer(std::map<std::string, std::string> files) : files_(std::move(files)) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        listen(fd_, 8);
        thread_ = std::thread([this] { loop(); });
    }
    ~TinyServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    void loop() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int c = accept(fd_, nullptr, nullptr);
            if (c < 0) continue;
            std::string req;
            char buf[2048];
            for (int i = 0; i < 100 && req.find("\r\n\r\n") == std::string::npos; ++i) {
                pollfd q{c, POLLIN, 0};
                if (poll(&q, 1, 20) <= 0) continue;
                const ssize_t n = read(c, buf, sizeof buf);
                if (n <= 0) break;
                req.append(buf, static_cast<size_t>(n));
            }
            const auto sp1 = req.find(' '), sp2 = req.find(' ', sp1 + 1);
            const std::string path = sp1 == std::string::npos ? "" : req.substr(sp1 + 1, sp2 - sp1 - 1);
            const auto it = files_.find(path);
            const std::string body = it == files_.end() ? "not found" : it->second;
            const std::string reply = std::string(it == files_.end() ? "HTTP/1.0 404 Not Found" : "HTTP/1.0 200 OK") +
                                      "\r\nContent-Length: " + std::to_string(body.size()) +
                                      "\r\nConnection: close\r\n\r\n" + body;
            (void)!write(c, reply.data(), reply.size());
            close(c);
        }
    }
    std::map<std::string, std::string> files_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

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
    TfrmUpdateDatabase window([](const net::UpdateStepFn& onStep, const std::atomic<bool>&) {
        for (int s = 0; s <= static_cast<int>(UpdateStep::CheckDatabase); ++s) {
            onStep(static_cast<UpdateStep>(s));
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        net::UpdateDatabaseResult r;
        r.ok = true;
        return r;
    });
    QStringList seen;
    bool closedEarly = false;
    QTimer sampler;
    sampler.setInterval(10);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (window.isVisible() && (seen.isEmpty() || seen.back() != window.InfoText())) seen << window.InfoText();
        if (window.isVisible() && seen.size() == 2) {
            window.close();
            closedEarly = !window.isVisible();
        }
    });
    sampler.start();
    const auto r = window.Run();
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(closedEarly);
    EXPECT_EQ(seen, (QStringList{"Laddar ner resultat...", "Laddar ner matcher...", "Uppdaterar resultat...",
                                 "Uppdaterar matcher (kan ta flera minuter)", "Kontrollerar databasen..."}));
}

}  // namespace
}  // namespace vinra::ui::testing
