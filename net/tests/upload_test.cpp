#include "net/upload.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/messages.h"
#include "core/text.h"
#include "net/tests/short_timeouts.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

namespace fs = std::filesystem;
using vinra::testing::TempDir;

using vinra::testing::LocalServer;

// What the upload endpoint received, one entry per request.
struct Received {
    std::string path, method, user, key, fileName, contentType, bytes;
};

class UploadTest : public ::testing::Test {
protected:
    void TearDown() override { server_.Stop(); }

    // The endpoint: records every request and answers with reply(n) (n from 1).
    void Serve(std::function<std::string(int)> reply, int status = 200) {
        server_.svr.Post(R"(/systems/apiImportVinra/(\d))",
                         [this, reply, status](const httplib::Request& req, httplib::Response& res) {
                             Received r;
                             r.path = req.path;
                             r.method = req.get_file_value("_method").content;
                             r.user = req.get_file_value("data[username]").content;
                             r.key = req.get_file_value("data[apikey]").content;
                             const auto file = req.get_file_value("data[file]");
                             r.fileName = file.filename;
                             r.contentType = file.content_type;
                             r.bytes = file.content;
                             int n = 0;
                             {
                                 std::lock_guard<std::mutex> lock(mutex_);
                                 received_.push_back(r);
                                 n = static_cast<int>(received_.size());
                             }
                             res.status = status;
                             res.set_content(reply(n), "application/json");
                         });
        server_.Start();
    }

    // A saved system of `rows` distinct 13-match rows.
    core::TVinraFile SavedSystem(size_t rows, const fs::path& file) {
        core::TVinraFile doc;
        doc.NewSystem(13, true);
        doc.Pool = "Stryktipset";
        doc.Typ = "S";
        for (size_t i = 0; i < rows; ++i) {
            std::string row(13, '0');
            size_t v = i;
            for (int m = 12; m >= 0; --m, v /= 3) row[m] = static_cast<char>('0' + v % 3);
            doc.Rader.push_back(row);
        }
        doc.SaveToFile(file);
        return doc;
    }

    LocalServer server_;
    std::mutex mutex_;
    std::vector<Received> received_;
    const UploadAccount account_{"kalle", "k3y&x"};
    TempDir dir_;
    testing::ShortTimeouts timeouts_{2000, 400};
};

std::string Ok(const std::string& id) {
    return "{\"status\":\"200\",\"message\":\"Systemet sparat\",\"link\":\"http:\\/\\/127.0.0.1\\/live\\/" + id +
           "\"}\r\n";
}

TEST_F(UploadTest, SmallSystemGoesUpWholeAndItsLinkIsKept) {
    Serve([](int) { return Ok("abc"); });
    const fs::path file = dir_.path() / "Min \"bästa\" rad.1x2";
    core::TVinraFile doc = SavedSystem(5000, file);
    doc.Comment = "Spikar på 1 och 7";

    std::vector<fs::path> shown;
    int hidden = 0;
    UploadHooks hooks;
    hooks.uploading = [&](const fs::path& f) { shown.push_back(f); };
    hooks.done = [&] { ++hidden; };
    const UploadPlan plan = PlanUpload(doc, file);
    const UploadResult result = RunUpload(doc, plan, server_.Host() + "/", account_, hooks);

    ASSERT_EQ(received_.size(), 1u);
    const Received& r = received_[0];
    EXPECT_EQ(r.path, "/systems/apiImportVinra/1");
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.user, "kalle");
    EXPECT_EQ(r.key, "k3y&x");
    EXPECT_EQ(r.fileName, "Min bästa rad.1x2");  // quotes cannot break the part header
    EXPECT_EQ(r.contentType, "application/octet-stream");
    EXPECT_EQ(r.bytes, core::ReadFileBytes(file));

    EXPECT_TRUE(result.error.empty());
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(doc.SalvikLink, "http://127.0.0.1/live/abc");
    EXPECT_EQ(doc.Comment, "Spikar på 1 och 7\r\nhttp://127.0.0.1/live/abc");
    EXPECT_NE(result.message.find("Min \"bästa\" rad.1x2"), std::string::npos) << result.message;
    EXPECT_EQ(shown, std::vector<fs::path>{file});
    EXPECT_EQ(hidden, 1);
}

TEST_F(UploadTest, LargeSystemsGoUpAsPartFilesOneMessageEach) {
    Serve([](int n) { return Ok("del" + std::to_string(n)); });
    const fs::path file = dir_.path() / "Stor.1x2";
    core::TVinraFile doc = SavedSystem(20001, file);

    const UploadPlan plan = PlanUpload(doc, file);
    ASSERT_FALSE(plan.wholeFile);
    ASSERT_EQ(plan.files.size(), 2u);
    const UploadResult result = RunUpload(doc, plan, server_.Host(), account_);

    ASSERT_EQ(received_.size(), 2u);
    for (const Received& r : received_) EXPECT_EQ(r.path, "/systems/apiImportVinra/0");
    EXPECT_EQ(received_[0].fileName, "Stor - Del 1 av 2.txt");
    EXPECT_EQ(received_[1].fileName, "Stor - Del 2 av 2.txt");
    std::string last = "Stryktipset\r\nE";
    for (char c : doc.Rader.back()) last += std::string(",") + (c == '0' ? "1" : c == '1' ? "X" : "2");
    EXPECT_EQ(received_[1].bytes, last + "\r\n");

    EXPECT_EQ(doc.SalvikLink, "http://127.0.0.1/live/del2");
    EXPECT_EQ(doc.Comment, "\r\nhttp://127.0.0.1/live/del1\r\nhttp://127.0.0.1/live/del2");
    const size_t cr = result.message.find('\r');
    ASSERT_NE(cr, std::string::npos);
    EXPECT_NE(result.message.find("Del 1 av 2"), std::string::npos);
    EXPECT_NE(result.message.find("Del 2 av 2", cr), std::string::npos);
}

TEST_F(UploadTest, RowLimitOfTheWholeFile) {
    const fs::path file = dir_.path() / "Gräns.1x2";
    core::TVinraFile doc = SavedSystem(5001, file);
    UploadPlan plan = PlanUpload(doc, file);
    EXPECT_FALSE(plan.wholeFile);
    ASSERT_EQ(plan.files.size(), 1u);
    EXPECT_EQ(plan.files[0].filename(), "Gräns - Del 1 av 1.txt");
    doc.Rader.pop_back();
    plan = PlanUpload(doc, file);
    EXPECT_TRUE(plan.wholeFile);
    EXPECT_EQ(plan.files, std::vector<fs::path>{file});
}

TEST_F(UploadTest, WrongKeyAnd401ChangeNothing) {
    Serve([](int) { return std::string("{\"status\":\"404\"}\r\n"); }, 401);
    const fs::path file = dir_.path() / "Sys.1x2";
    core::TVinraFile doc = SavedSystem(3, file);
    const core::TVinraFile before = doc;
    int authorisation = 0;
    UploadHooks hooks;
    hooks.authorisationRequired = [&] { ++authorisation; };
    const UploadResult result = RunUpload(doc, PlanUpload(doc, file), server_.Host(), account_, hooks);
    EXPECT_EQ(authorisation, 1);
    EXPECT_EQ(result.message, core::Msg(kMsgUploadWrongKey));
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(doc, before);
}

TEST_F(UploadTest, StalledServerEndsTheCommandKeepingPartsAlreadySent) {
    server_.svr.Post(R"(/systems/apiImportVinra/(\d))", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.get_file_value("data[file]").filename.find("Del 2") != std::string::npos) server_.Hold();
        res.set_content(Ok("forsta"), "application/json");
    });
    server_.Start();
    const fs::path file = dir_.path() / "Stor.1x2";
    core::TVinraFile doc = SavedSystem(20001, file);
    const auto start = std::chrono::steady_clock::now();
    const UploadResult result = RunUpload(doc, PlanUpload(doc, file), server_.Host(), account_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.changed);  // the first part went up and its link stays
    EXPECT_EQ(doc.SalvikLink, "http://127.0.0.1/live/forsta");
}

TEST_F(UploadTest, NoServerIsAnErrorNotACrash) {
    const fs::path file = dir_.path() / "Sys.1x2";
    core::TVinraFile doc = SavedSystem(3, file);
    const UploadResult result = RunUpload(doc, PlanUpload(doc, file), "http://127.0.0.1:9", account_);
    EXPECT_FALSE(result.error.empty());
    EXPECT_FALSE(result.changed);
    EXPECT_TRUE(doc.SalvikLink.empty());
}

TEST(UploadBodyTest, StandardFieldsThenTheFilePart) {
    const TMsMultiPartFormDataStream body = UploadBody({"an\r\nna", "k\ney"}, "S.1x2", "[Info]\r\n", "--B");
    EXPECT_EQ(body.data(),
              "----B\r\nContent-Disposition: form-data; name=\"_method\"\r\n\r\nPOST"
              "\r\n----B\r\nContent-Disposition: form-data; name=\"data[username]\"\r\n\r\nanna"
              "\r\n----B\r\nContent-Disposition: form-data; name=\"data[apikey]\"\r\n\r\nkey"
              "\r\n----B\r\nContent-Disposition: form-data; name=\"data[file]\"; filename=\"S.1x2\"\r\n"
              "Content-Type: application/octet-stream\r\n\r\n[Info]\r\n"
              "\r\n----B--\r\n");
}

TEST(UploadReplyTest, RepliesAreReadAsJson) {
    struct Case {
        std::string body;
        long status;
        UploadReplyKind kind;
        std::string link;
    };
    const std::vector<Case> cases = {
        {Ok("x"), 200, UploadReplyKind::Uploaded, "http://127.0.0.1/live/x"},
        // the link need not be the last member, and the status may be a number
        {R"({"link":"https:\/\/example.org\/s?id=7","status":200})", 200, UploadReplyKind::Uploaded,
         "https://example.org/s?id=7"},
        // a notice printed before the object
        {"Notice: something\n{\"status\":\"200\",\"link\":\"http://a.b/c\"}", 200, UploadReplyKind::Uploaded,
         "http://a.b/c"},
        // a short reply: nothing to cut four characters from
        {R"({"status":"200","link":"h"})", 200, UploadReplyKind::Unreadable, ""},
        {R"({"status":"200"})", 200, UploadReplyKind::Unreadable, ""},
        {R"x({"status":"200","link":"javascript:alert(1)"})x", 200, UploadReplyKind::Unreadable, ""},
        {R"({"status":"200","link":"/live/relative"})", 200, UploadReplyKind::Unreadable, ""},
        {R"({"status":"200","link":["http://a.b/c"]})", 200, UploadReplyKind::Unreadable, ""},
        {R"({"status":"404"})", 200, UploadReplyKind::WrongKey, ""},
        {R"({"status":"500","link":"http://a.b/c"})", 200, UploadReplyKind::Unreadable, ""},
        {R"({"status":"200","link":"http://a.b/c")", 200, UploadReplyKind::Unreadable, ""},  // cut short
        {"<html><body>Bad gateway</body></html>", 502, UploadReplyKind::Unreadable, ""},
        {"", 200, UploadReplyKind::Unreadable, ""},
        {"[1,2]", 200, UploadReplyKind::Unreadable, ""},
    };
    for (const Case& c : cases) {
        const UploadReply r = ParseUploadReply(c.body, c.status);
        EXPECT_EQ(r.kind, c.kind) << c.body;
        EXPECT_EQ(r.link, c.link) << c.body;
        if (r.kind == UploadReplyKind::Unreadable) {
            EXPECT_FALSE(r.problem.empty()) << c.body;
        }
    }
    EXPECT_NE(ParseUploadReply("Bad gateway", 502).problem.find("502"), std::string::npos);
}

TEST(UploadReplyTest, AFailedReplyNamesTheFileAndLeavesTheSystem) {
    core::TVinraFile doc;
    doc.Comment = "x";
    bool changed = false;
    const std::string msg = ApplyUploadReply(doc, "Sys.1x2", ParseUploadReply(R"({"status":"200"})"), changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(doc.Comment, "x");
    EXPECT_NE(msg.find("Sys.1x2"), std::string::npos);
    EXPECT_EQ(UnescapeSlashes(R"(http:\/\/a\/b\\c)"), R"(http://a/b\\c)");
}

TEST(EncodeEntitiesTest, CodePointsFrom161To255AndTheFourMarkupCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"A&B <Ö>", "A&amp;B &lt;&#214;&gt;"},
        {"1/2", "1&#47;2"},
        {"&amp;", "&amp;amp;"},                // the ampersand is not taken for an entity
        {"\xC2\xA1\xC3\xBF", "&#161;&#255;"},  // first and last of the range
        {"a\xC2\xAD"
         "b",
         "a\xC2\xAD"
         "b"},                                               // soft hyphen stays
        {"\xC2\xA0", "\xC2\xA0"},                            // 160 is below the range
        {"\xE2\x82\xAC \xC5\x81", "\xE2\x82\xAC \xC5\x81"},  // euro sign and Ł are beyond it
        {"Malm\xF6", "Malm&#246;"},                          // a Windows-1252 byte that is not UTF-8
        {"\x80", "\xE2\x82\xAC"},                            // ... and one whose character is outside the range
        {"\"'\t\r\n", "\"'\t\r\n"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(EncodeEntities(in), out) << in;
}

}  // namespace
}  // namespace vinra::net
