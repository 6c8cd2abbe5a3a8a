#include "net/submission.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/messages.h"
#include "core/settings.h"
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
        // Refusals the service states are told apart from the rest.
        {200, "<svar><status kod=\"5\">F\xc3\xb6r m\xc3\xa5nga rader</status></svar>", SubmissionOutcome::TooManyRows},
        {200, "<svar><status kod=\"6\">Omg\xc3\xa5ngen \xc3\xa4r st\xc3\xa4ngd</status></svar>",
         SubmissionOutcome::RoundClosed},
        {200, "<svar><status kod=\"56\">?</status></svar>", SubmissionOutcome::Refused},
        {200, "<svar><status kod=\"5x\">?</status></svar>", SubmissionOutcome::Refused},
        // A service whose HTTP library refused the form's size.
        {413, "Payload Too Large", SubmissionOutcome::TooManyRows},
        {200, "<svar><status kod=\"0\">OK</status><url>javascript:alert(1)</url></svar>",
         SubmissionOutcome::AcceptedWithoutUrl},
        {200, "<svar><status kod=\"0\">OK</status><url>/relativ</url>", SubmissionOutcome::AcceptedWithoutUrl},
        {200, "<svar><status kod=\"0\">OK</status><url>https://a.b/c", SubmissionOutcome::AcceptedWithoutUrl},
        // An error status is a failed transfer, never the shop's refusal, and
        // never a success, whatever the error page holds.
        {401, "<html>Authorization Required</html>", SubmissionOutcome::CommunicationError},
        {404, "<html>Not Found</html>", SubmissionOutcome::CommunicationError},
        {500, "", SubmissionOutcome::CommunicationError},
        {502, "<status kod=\"0\">OK</status><url>http://a.b/c</url>", SubmissionOutcome::CommunicationError},
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

TEST_F(SubmissionTest, MoreRowsThanTheShopTakesAreNotSent) {
    Serve(200, "<svar><status kod=\"0\">OK</status><url>https://a.b/c</url></svar>");
    doc_.Rader.assign(kOwnRowsMaxRows + 1, "012");
    EXPECT_EQ(SubmitOwnRows(Host(), doc_, "1").outcome, SubmissionOutcome::TooManyRows);
    EXPECT_TRUE(posted_.empty());
    doc_.Rader = {"012", "210"};
    EXPECT_EQ(SubmitOwnRows(Host(), doc_, "1").outcome, SubmissionOutcome::Accepted);
    EXPECT_FALSE(posted_.empty());
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

// Place bet asks first when the system's round can no longer be played.
TEST(ClosedRoundTest, FromTheActivePools) {
    const auto pools = ActivePoolsFile::FromText(
        "[Info]\nFileOK=1\nPools=SI\nS=S0\nI=I0\n"
        "[S0]\nN=Stryktipset\nOmg=2026-50\nXMLOmgang=4851\nDeadline=2026-12-12 15:59\n"
        "[I0]\nN=Europatipset\nOmg=2026-50\nXMLOmgang=2312\nDeadline=2026-12-13 15:59\n");
    const LocalDateTime saturdayEvening{2026, 12, 12, 18, 0, 0}, thursday{2026, 12, 10, 12, 0, 0};
    struct Case {
        const char* typ;
        int32_t omgId;
        LocalDateTime now;
        bool closed;
        const char* deadline;
    };
    const Case cases[] = {
        {"S", 4851, thursday, false, ""},                        // open
        {"S", 4851, saturdayEvening, true, "2026-12-12 15:59"},  // its deadline has passed
        {"I", 2312, saturdayEvening, false, ""},                 // another pool's deadline is later
        {"S", 4850, thursday, true, ""},                         // an earlier draw: over, date unknown
        {"S", 4852, thursday, false, ""},                        // a later draw is not closed
        {"T", 100, thursday, false, ""},                         // a pool the list does not know
    };
    for (const Case& c : cases) {
        const RoundClosing r = ClosedRoundOf(pools, c.typ, c.omgId, c.now);
        EXPECT_EQ(r.closed, c.closed) << c.typ << c.omgId;
        EXPECT_EQ(r.deadline, c.deadline) << c.typ << c.omgId;
    }
    EXPECT_FALSE(ClosedRoundOf(ActivePoolsFile(), "S", 4850, thursday).closed);
}

TEST(SubmissionCostTest, ExactWithTwoDecimals) {
    const int language = core::CurrentLanguage();
    core::SetCurrentLanguage(core::LangSwedish);
    EXPECT_EQ(SubmissionCostText(100, 100), "Kostnad: 100,00 SEK");
    EXPECT_EQ(SubmissionCostText(3, 25), "Kostnad: 0,75 SEK");
    EXPECT_EQ(SubmissionCostText(1594323, 50), "Kostnad: 797161,50 SEK");
    EXPECT_EQ(SubmissionCostText(0, 100), "Kostnad: 0,00 SEK");
    core::SetCurrentLanguage(core::LangEnglish);
    EXPECT_EQ(SubmissionCostText(3, 25), "Cost: 0,75 SEK");
    core::SetCurrentLanguage(language);
}

}  // namespace
}  // namespace vinra::net
