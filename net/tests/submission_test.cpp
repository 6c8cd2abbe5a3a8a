#include "net/submission.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/http.h"
#include "net/tests/short_timeouts.h"

namespace vinra::net {
namespace {

class SubmissionTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc_.NewSystem(3, true);
        doc_.Pool = "Stryktipset";
        doc_.Typ = "S";
        doc_.Rader = {"012", "210"};
    }
    void TearDown() override {
        release_ = true;
        if (thread_.joinable()) {
            svr_.stop();
            thread_.join();
        }
    }
    // Serves the own-rows path with a fixed status and body; records the form.
    void Serve(int status, std::string body) {
        svr_.Post("/Vinra/egnarader", [this, status, body](const httplib::Request& req, httplib::Response& res) {
            posted_ = req.get_param_value("xmlData");
            res.status = status;
            res.set_content(body, "text/xml");
        });
        Start();
    }
    void Start() {
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }

    httplib::Server svr_;
    std::thread thread_;
    std::atomic<bool> release_{false};
    int port_ = 0;
    std::string posted_;
    core::TVinraFile doc_;
    testing::ShortTimeouts timeouts_{2000, 400};
};

TEST_F(SubmissionTest, TheOwnRowsXmlGoesOutAndTheApprovalPageComesBack) {
    Serve(200, "<svar><status kod=\"0\">OK</status><url>https://spela.example/godkann?id=1&amp;x=2</url></svar>");
    const core::TVinraFile before = doc_;
    const SubmissionResult r = SubmitOwnRows(Host() + "/", doc_, "12-345");
    EXPECT_EQ(r.outcome, SubmissionOutcome::Accepted);
    EXPECT_EQ(r.url, "https://spela.example/godkann?id=1&x=2");
    EXPECT_EQ(posted_,
              "<egnarader klient=\"Vinra 2000\" ombud=\"41706\" spelkort=\"12345\">"
              "<spel produkt=\"1\" produktnamn=\"Stryktipset\"><rad system=\"E\">1,X,2</rad>"
              "<rad system=\"E\">2,X,1</rad></spel></egnarader>");
    EXPECT_EQ(doc_, before);
}

TEST_F(SubmissionTest, RepliesThatAreNotASuccess) {
    struct Case {
        int status;
        std::string body;
        SubmissionOutcome outcome;
    };
    const std::vector<Case> cases = {
        {200, "<svar><status kod=\"1\">Fel spelkort</status></svar>", SubmissionOutcome::Refused},
        {200, "<svar><status kod=\"0\">OK</status><url>javascript:alert(1)</url></svar>",
         SubmissionOutcome::AcceptedWithoutUrl},
        {200, "<svar><status kod=\"0\">OK</status><url>/relativ</url>", SubmissionOutcome::AcceptedWithoutUrl},
        {200, "<svar><status kod=\"0\">OK</status><url>https://a.b/c", SubmissionOutcome::AcceptedWithoutUrl},
        {401, "<html>Authorization Required</html>", SubmissionOutcome::Refused},
        {500, "", SubmissionOutcome::Refused},
    };
    int n = 0;
    svr_.Post("/Vinra/egnarader", [&](const httplib::Request&, httplib::Response& res) {
        res.status = cases[n].status;
        res.set_content(cases[n].body, "text/xml");
    });
    Start();
    for (; n < static_cast<int>(cases.size()); ++n) {
        const SubmissionResult r = SubmitOwnRows(Host(), doc_, "1");
        EXPECT_EQ(r.outcome, cases[n].outcome) << cases[n].body;
        EXPECT_EQ(r.httpStatus, cases[n].status);
        EXPECT_TRUE(r.url.empty());
    }
}

TEST_F(SubmissionTest, StalledOrMissingServerIsACommunicationError) {
    svr_.Post("/Vinra/egnarader", [this](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 250 && !release_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.set_content("<status kod=\"0\">OK</status>", "text/xml");
    });
    Start();
    const auto start = std::chrono::steady_clock::now();
    SubmissionResult r = SubmitOwnRows(Host(), doc_, "1");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(r.outcome, SubmissionOutcome::CommunicationError);
    EXPECT_FALSE(r.error.empty());

    r = SubmitOwnRows("http://127.0.0.1:9", doc_, "1");
    EXPECT_EQ(r.outcome, SubmissionOutcome::CommunicationError);
}

TEST(SubmissionCostTest, ExactWithTwoDecimals) {
    EXPECT_EQ(SubmissionCostText(100, 100), "Kostnad: 100,00 SEK");
    EXPECT_EQ(SubmissionCostText(3, 25), "Kostnad: 0,75 SEK");
    EXPECT_EQ(SubmissionCostText(1594323, 50), "Kostnad: 797161,50 SEK");
    EXPECT_EQ(SubmissionCostText(0, 100), "Kostnad: 0,00 SEK");
}

}  // namespace
}  // namespace vinra::net
