// Uploads and own-rows submissions against the real vinra-service on 127.0.0.1,
// with its sample season and its demo account.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

#include "core/messages.h"
#include "net/http.h"
#include "net/submission.h"
#include "net/upload.h"
#include "service/server.h"
#include "net/tests/short_timeouts.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

namespace fs = std::filesystem;
using vinra::testing::TempDir;

class ServiceFlowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(fs::path(VINRA_SOURCE_DIR) / "service" / "data", dir_.path() / "data", fs::copy_options::recursive);
        service::ServiceOptions options;
        options.data = dir_.path() / "data";
        options.now = [] { return std::string("2026-12-10 12:00"); };
        service_ = std::make_unique<service::VinraService>(options);
        service_->Register(svr_);
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void TearDown() override {
        svr_.stop();
        thread_.join();
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }

    core::TVinraFile System(size_t rows) const {
        core::TVinraFile doc;
        doc.NewSystem(13, true);
        doc.Pool = "Stryktipset";
        doc.Typ = "S";
        doc.Country = "Svenska Spel";
        doc.Omg = "2026-50";
        doc.OmgID = 4851;
        for (size_t i = 0; i < rows; ++i) {
            std::string row(13, '0');
            size_t v = i;
            for (int m = 12; m >= 0; --m, v /= 3) row[m] = static_cast<char>('0' + v % 3);
            doc.Rader.push_back(row);
        }
        return doc;
    }

    TempDir dir_;
    httplib::Server svr_;
    std::unique_ptr<service::VinraService> service_;
    std::thread thread_;
    int port_ = 0;
    testing::ShortTimeouts timeouts_{2000, 2000};
};

TEST_F(ServiceFlowsTest, WholeFileAndPartFilesGetLiveCheckPages) {
    const UploadAccount demo{"demo", "vinra-demo-2026"};
    for (size_t rows : {size_t{40}, size_t{5001}}) {
        SCOPED_TRACE(rows);
        const fs::path file = dir_.path() / ("System " + std::to_string(rows) + ".1x2");
        core::TVinraFile doc = System(rows);
        doc.SaveToFile(file);
        const UploadPlan plan = PlanUpload(doc, file);
        const UploadResult result = RunUpload(doc, plan, Host(), demo);
        ASSERT_TRUE(result.error.empty()) << result.error;
        ASSERT_TRUE(result.changed) << result.message;
        ASSERT_EQ(doc.SalvikLink.rfind(Host() + "/", 0), 0u) << doc.SalvikLink;
        const HttpReply page = Get(doc.SalvikLink);
        EXPECT_EQ(page.status, 200);
    }
}

// A Norwegian system too large to go whole: its part files carry H, U and B,
// and the service reads every row of them.
TEST_F(ServiceFlowsTest, ANorwegianSystemInPartFilesArrivesWhole) {
    const fs::path file = dir_.path() / "Lordag.1x2";
    const std::vector<std::string> rows = System(5001).Rader.Strings();
    core::TVinraFile doc;
    doc.NewSystem(12, true);
    for (const std::string& row : rows) doc.Rader.push_back(row.substr(1));  // 5 001 different rows of 12 signs
    doc.Pool = "Tipping L\xC3\xB8rdag";
    doc.Typ = "C";
    doc.Country = "Norsk Tipping";
    doc.OmgID = 2602;
    doc.SaveToFile(file);
    const UploadPlan plan = PlanUpload(doc, file, core::DisplaySigns{"H", "U", "B"});
    ASSERT_FALSE(plan.wholeFile);
    ASSERT_EQ(plan.files.size(), 1u);
    const UploadResult result = RunUpload(doc, plan, Host(), {"demo", "vinra-demo-2026"});
    ASSERT_TRUE(result.error.empty()) << result.error;
    ASSERT_TRUE(result.changed) << result.message;
    const HttpReply page = Get(doc.SalvikLink);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("5001 rader"), std::string::npos) << page.body.substr(0, 600);
}

TEST_F(ServiceFlowsTest, AWrongKeyIsReported) {
    const fs::path file = dir_.path() / "System.1x2";
    core::TVinraFile doc = System(3);
    doc.SaveToFile(file);
    const core::TVinraFile before = doc;
    const UploadResult result = RunUpload(doc, PlanUpload(doc, file), Host(), {"demo", "fel"});
    EXPECT_EQ(result.message, core::Msg(kMsgUploadWrongKey));
    EXPECT_EQ(doc, before);
}

TEST_F(ServiceFlowsTest, OwnRowsAreTakenAndTheApprovalPageIsServed) {
    const core::TVinraFile doc = System(2);
    const SubmissionResult r = SubmitOwnRows(Host(), doc, "123456");
    ASSERT_EQ(r.outcome, SubmissionOutcome::Accepted) << r.error;
    const HttpReply page = Get(r.url);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("123456"), std::string::npos);

    // No card number: the shop refuses.
    EXPECT_EQ(SubmitOwnRows(Host(), doc, "").outcome, SubmissionOutcome::Refused);
}

}  // namespace
}  // namespace vinra::net
