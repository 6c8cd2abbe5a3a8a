// The check window's Upload command driven offscreen against a server on 127.0.0.1.
#include "ui/net/upload_command.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/ini.h"
#include "core/messages.h"
#include "net/http.h"
#include "net/tests/short_timeouts.h"
#include "net/upload.h"
#include "ui/net/submit_dialog.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class UploadCommandTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        auto& doc = program_->doc;
        doc.NewSystem(13, true);
        doc.Pool = "Stryktipset";
        doc.Typ = "S";
        doc.Country = "Svenska Spel";
        doc.Rader = {"0000000000000", "0120120120120"};
        fs::create_directories(userPool());
        file_ = userPool() / "Vecka 50.1x2";
        doc.SaveToFile(file_);
        program_->settings.apiKey = "nyckel";
    }
    void TearDown() override {
        release_ = true;
        if (thread_.joinable()) {
            svr_.stop();
            thread_.join();
        }
        UiFixture::TearDown();
    }
    void Serve(int status, const std::string& body) {
        svr_.Post(R"(/systems/apiImportVinra/(\d))",
                  [this, status, body](const httplib::Request& req, httplib::Response& res) {
                      user_ = req.get_file_value("data[username]").content;
                      if (body == "stall")
                          for (int i = 0; i < 250 && !release_; ++i)
                              std::this_thread::sleep_for(std::chrono::milliseconds(20));
                      res.status = status;
                      res.set_content(body, "application/json");
                  });
        const int port = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        program_->updateIni.WriteString("Service", "Host", "http://127.0.0.1:" + std::to_string(port));
    }
    bool Upload(bool untitled = false, bool modified = false) {
        return UploadClick(nullptr, *program_, file_, untitled, modified, prompter_, [this] { ++settingsOpened_; });
    }
    std::string StoredUser() const {
        return core::IniFile::FromFile(program_->settingsFile().path()).ReadString("General", kApiUserKey);
    }

    httplib::Server svr_;
    std::thread thread_;
    std::atomic<bool> release_{false};
    std::string user_;
    fs::path file_;
    int settingsOpened_ = 0;
    net::testing::ShortTimeouts timeouts_{2000, 400};
};

TEST_F(UploadCommandTest, UploadedSystemKeepsItsLinkAndTheUserNameIsAskedOnce) {
    Serve(200, "{\"status\":\"200\",\"link\":\"http:\\/\\/127.0.0.1\\/live\\/42\"}\r\n");
    prompter_.inputs.push_back(QStringLiteral(" kalle "));
    EXPECT_TRUE(Upload());
    EXPECT_EQ(user_, "kalle");
    EXPECT_EQ(StoredUser(), "kalle");
    EXPECT_EQ(program_->doc.SalvikLink, "http://127.0.0.1/live/42");
    EXPECT_EQ(program_->doc.Comment, "\r\nhttp://127.0.0.1/live/42");
    ASSERT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("information")[0].contains("Vecka 50.1x2"));

    // The second time the stored name is used without asking.
    prompter_.shown.clear();
    EXPECT_TRUE(Upload());
    EXPECT_TRUE(prompter_.Texts("input").empty());
    EXPECT_EQ(program_->doc.Comment, "\r\nhttp://127.0.0.1/live/42\r\nhttp://127.0.0.1/live/42");
}

TEST_F(UploadCommandTest, NothingIsSentBeforeTheChecksPass) {
    Serve(200, "{\"status\":\"200\",\"link\":\"http://a.b/c\"}");
    program_->settings.apiKey = " ";
    EXPECT_FALSE(Upload());
    EXPECT_EQ(settingsOpened_, 1);
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{Q(core::Msg(kMsgUploadNeedsKey))});
    program_->settings.apiKey = "nyckel";

    prompter_.shown.clear();
    EXPECT_FALSE(Upload(false, true));
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{Q(core::Msg(kMsgUploadNeedsSave))});

    prompter_.shown.clear();
    EXPECT_FALSE(Upload(true, false));
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{Q(core::Msg(kMsgUploadNeedsName))});

    // A cancelled user name stops the command.
    prompter_.shown.clear();
    prompter_.inputs.push_back(std::nullopt);
    EXPECT_FALSE(Upload());
    EXPECT_EQ(prompter_.Texts("input").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("information").empty());
    EXPECT_TRUE(user_.empty());  // the server never heard of us
    EXPECT_TRUE(program_->doc.SalvikLink.empty());
}

TEST_F(UploadCommandTest, FailedRepliesChangeNothingAndSaySo) {
    struct Case {
        int status;
        std::string body;
        std::string kind;      // the box the outcome is shown in
        std::string contains;  // part of its text
        bool authorisation;
    };
    const std::vector<Case> cases = {
        {200, "{\"status\":\"404\"}", "information", core::Msg(net::kMsgUploadWrongKey), false},
        {401, "{\"status\":\"404\"}", "information", core::Msg(net::kMsgUploadWrongKey), true},
        {200, "{\"status\":\"200\",\"link\":\"ftp://a.b/c\"}", "information", "could not be uploaded", false},
        {200, "{\"status\":\"200\",\"link\":", "information", "could not be uploaded", false},
        {200, "stall", "error", "", false},
    };
    program_->settingsFile().WriteString("General", kApiUserKey, "kalle");
    std::atomic<int> n{0};
    svr_.Post(R"(/systems/apiImportVinra/(\d))", [&](const httplib::Request&, httplib::Response& res) {
        // The case is taken when the request arrives: a stalled reply is still
        // being answered after the client gave up and the loop moved on. A copy:
        // the stalled answer may outlive the test body and its table.
        const Case c = cases[std::min<size_t>(static_cast<size_t>(n.load()), cases.size() - 1)];
        if (c.body == "stall")
            for (int i = 0; i < 250 && !release_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.status = c.status;
        res.set_content(c.body, "application/json");
    });
    const int port = svr_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { svr_.listen_after_bind(); });
    for (int i = 0; i < 250 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    program_->updateIni.WriteString("Service", "Host", "http://127.0.0.1:" + std::to_string(port));

    const core::TVinraFile before = program_->doc;
    for (; n < static_cast<int>(cases.size()); ++n) {
        const Case& c = cases[static_cast<size_t>(n.load())];
        SCOPED_TRACE(c.body);
        prompter_.shown.clear();
        EXPECT_FALSE(Upload());
        EXPECT_EQ(program_->doc, before);
        const auto shown = prompter_.Texts(c.kind);
        ASSERT_FALSE(shown.empty());
        EXPECT_TRUE(shown.back().contains(Q(c.contains))) << shown.back().toStdString();
        const auto errors = prompter_.Texts("error");
        const bool authorisation = !errors.empty() && errors.front() == Q(core::Msg(kMsgAuthorisationRequired));
        EXPECT_EQ(authorisation, c.authorisation);
    }
}

TEST_F(UploadCommandTest, NoServiceAddressIsAnError) {
    program_->settingsFile().WriteString("General", kApiUserKey, "kalle");
    program_->updateIni.WriteString("Service", "Host", "");
    EXPECT_FALSE(Upload());
    EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>{Q(core::Msg(kMsgUploadNoService))});
}

}  // namespace
}  // namespace vinra::ui::testing
