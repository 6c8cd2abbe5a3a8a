// The downloads against the real vinra-service with its sample season: its
// update.ini, results XML and HTML pages, live XML and SVT page must read with
// the keys and parsers of the program.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/ini.h"
#include "core/text.h"
#include "net/downloads.h"
#include "net/http.h"
#include "net/tests/short_timeouts.h"
#include "tests/temp_dir.h"
#include "tests/tiny_http_server.h"

extern char** environ;

namespace vinra::net {
namespace {

namespace fs = std::filesystem;

fs::path ServiceBinary() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return self.parent_path().parent_path() / "bin" / "vinra-service";
}

class ServiceDownloads : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path bin = ServiceBinary();
        if (!fs::exists(bin)) GTEST_SKIP() << "vinra-service is not built: " << bin;
        port_ = vinra::testing::UnusedLoopbackPort();
        host_ = "http://127.0.0.1:" + std::to_string(port_);
        const std::string data = (fs::path(VINRA_SOURCE_DIR) / "service" / "data").string();
        const std::string port = std::to_string(port_);
        std::vector<std::string> args = {bin.string(), "--host", "127.0.0.1", "--port", port, "--data", data};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);

        for (int i = 0; i < 100; ++i) {
            try {
                const HttpReply r = Get(host_ + "/vinra2000/ini/update.ini");
                if (r.ok()) {
                    ini_ = core::IniFile::FromText(core::DecodeFileText(r.body));
                    return;
                }
            } catch (const NetError&) {}
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        FAIL() << "vinra-service did not answer on " << host_;
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    FetchOutcome Fetch(const std::string& typ, bool xml, bool results, int mode, int32_t draw, TCouponInfo& info,
                       const std::string& year = {}, const std::string& week = {}) {
        ParseOptions o;
        o.typ = typ;
        o.resultsMode = results;
        if (typ == "C" || typ == "D") o.signs = core::DisplaySigns{"H", "U", "B"};
        const std::string url = ServiceAddress(ini_, typ, xml, results, mode, draw, year, week);
        return FetchRound(url, dir_.path() / "download.htm", xml, ini_, o, info);
    }

    pid_t pid_ = 0;
    int port_ = 0;
    std::string host_;
    core::IniFile ini_;
    testing::ShortTimeouts timeouts_{1000, 5000};
    vinra::testing::TempDir dir_;
};

TEST_F(ServiceDownloads, XmlAndHtmlPagesOfARoundReadAlike) {
    // What the service's round file says.
    const auto round =
        core::IniFile::FromFile(fs::path(VINRA_SOURCE_DIR) / "service" / "data" / "rounds" / "I-2309.ini");
    const std::string omg = round.ReadString("Round", "Omg");
    const std::string top = round.ReadString("Payout", "13");
    ASSERT_NE(top.find(';'), std::string::npos);

    TCouponInfo xml, html;
    const FetchOutcome a = Fetch("I", true, true, kByDrawNumber, 2309, xml);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.drawNumber, 2309);
    EXPECT_EQ(a.count, 13);
    EXPECT_EQ(xml.Year + "-" + xml.Week, omg);
    EXPECT_EQ(xml.Homes[0], round.ReadString("Match1", "Home"));
    EXPECT_EQ(xml.Aways[12], round.ReadString("Match13", "Away"));
    EXPECT_EQ(xml.Row.size(), 13u);
    ASSERT_GE(xml.Payouts.size(), 4u);
    EXPECT_EQ(xml.Winners[0], top.substr(0, top.find(';')));
    EXPECT_EQ(xml.Payouts[0], top.substr(top.find(';') + 1));

    const FetchOutcome b = Fetch("I", false, true, kByDrawNumber, 2309, html);
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(b.count, 13);
    EXPECT_EQ(html.Homes, xml.Homes);
    EXPECT_EQ(html.Aways, xml.Aways);
    EXPECT_EQ(html.Row, xml.Row);
    EXPECT_EQ(html.Week, xml.Week);
    ASSERT_GE(html.Payouts.size(), 4u);
    EXPECT_EQ(html.Payouts[0], xml.Payouts[0]);

    // A draw the service does not have: an HTTP error, nothing parsed.
    TCouponInfo none;
    const FetchOutcome c = Fetch("I", true, true, kByDrawNumber, 1, none);
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(none.Homes.empty());
}

TEST_F(ServiceDownloads, NorwegianRoundByYearAndWeekAndItsHalfTimeGame) {
    TCouponInfo full, half;
    const FetchOutcome a = Fetch("C", true, true, kByYearWeek, 0, full, "2026", "48");
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.drawNumber, 2594);
    EXPECT_GE(a.count, 12);
    EXPECT_EQ(full.Row.size(), static_cast<size_t>(a.count));
    const FetchOutcome b = Fetch(HalfTimeCode("C"), true, true, kByYearWeek, 0, half, "2026", "48");
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(half.Homes, full.Homes);
}

TEST_F(ServiceDownloads, BulkAddressesAndLivePagesOfTheService) {
    TCouponInfo info;
    ParseOptions o;
    o.typ = "S";
    o.resultsMode = true;
    const FetchOutcome a =
        FetchRound(BulkResultsAddress(ini_, "S", 4848), dir_.path() / "download.htm", true, ini_, o, info);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.drawNumber, 4848);
    EXPECT_GT(info.Homes.size(), 5u);
    EXPECT_GT(info.Row.size(), 5u);

    // The live pages of the current round name its teams.
    TCouponInfo current;
    ASSERT_TRUE(Fetch("S", true, false, kCurrentRound, 0, current).ok);
    ASSERT_FALSE(current.Homes.empty());
    const fs::path live = dir_.path() / "live.xml";
    ASSERT_TRUE(GetToFile(host_ + "/api/svenskaspel/goalserviceProxy.php?produktid=1&omgang=4851", live));
    TResultInfo result;
    EXPECT_TRUE(ParseLiveXml(live, result));
    const fs::path svt = dir_.path() / "377.html";
    ASSERT_TRUE(GetToFile(host_ + "/apps/goalservice/377.html", svt));
    TResultInfo page;
    page.findTeams = 1;
    ASSERT_TRUE(ParseSvtPage(svt, page, "S", current.Homes, current.Aways, core::IniFile()));
    EXPECT_FALSE(page.pageLines.empty());
    EXPECT_EQ(page.unmatchedTeams, "") << page.pageLines;
}

}  // namespace
}  // namespace vinra::net
