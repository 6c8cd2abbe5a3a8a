#include "net/downloads.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

#include "net/http.h"
#include "net/tests/short_timeouts.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

TEST(FillPlaceholders, OwnSubstitutionNeverAFormat) {
    struct Case {
        const char* form;
        std::vector<std::string> values;
        const char* expected;
    } cases[] = {
        {"http://h/r?draw=%d", {"4851"}, "http://h/r?draw=4851"},
        {"http://h/r?y=%s&w=%s", {"2009", "28"}, "http://h/r?y=2009&w=28"},
        // Escapes of the address stay; %% is one percent; values are encoded.
        {"http://h/a%20b?x=%s&p=100%%", {"a b&c=d"}, "http://h/a%20b?x=a%20b%26c%3Dd&p=100%"},
        // printf conversions other than %s and %d are plain text.
        {"http://h/%n%x%p?w=%s", {"5"}, "http://h/%n%x%p?w=5"},
        {"http://h/plain", {"1", "2"}, "http://h/plain"},
        {"trailing %", {}, "trailing %"},
    };
    for (const auto& c : cases) EXPECT_EQ(FillPlaceholders(c.form, c.values), c.expected) << c.form;
    EXPECT_THROW(FillPlaceholders("http://h/?a=%s&b=%s&c=%d", {"1", "2"}), AddressError);
}

TEST(ServiceAddress, FormsKeysAndRefusals) {
    const auto ini = core::IniFile::FromText(
        "[S]\nXMLGetGamesUrl=http://svc/games?p=1\nXMLGetGamesParam=&omgang=%d\n"
        "XMLGetResultUrl=http://svc/res?p=1\nXMLGetResultParam=&y=%s&w=%s\n"
        "GetGamesLink=https://page/games\nGetGamesParam=?draw=%d\n"
        "[X]\nXMLGetGamesUrl=file:///etc/passwd\n");
    EXPECT_EQ(ServiceAddress(ini, "S", true, false, kCurrentRound, 0), "http://svc/games?p=1");
    EXPECT_EQ(ServiceAddress(ini, "S", true, false, kByDrawNumber, 4851), "http://svc/games?p=1&omgang=4851");
    EXPECT_EQ(ServiceAddress(ini, "S", true, true, kByYearWeek, 0, "2009", "28"), "http://svc/res?p=1&y=2009&w=28");
    EXPECT_EQ(ServiceAddress(ini, "S", false, false, kByDrawNumber, 12), "https://page/games?draw=12");
    EXPECT_THROW(ServiceAddress(ini, "S", false, true, kCurrentRound, 0), AddressError);  // no HTML results key
    EXPECT_THROW(ServiceAddress(ini, "A", true, false, kCurrentRound, 0), AddressError);  // no section
    EXPECT_THROW(ServiceAddress(ini, "X", true, false, kCurrentRound, 0), AddressError);  // not a web address
    EXPECT_THROW(ServiceAddress(ini, "S", true, true, kByDrawNumber, 1), AddressError);   // two placeholders, one value
}

TEST(Codes, HalfTimeAndBulkAddresses) {
    EXPECT_EQ(HalfTimeCode("A"), "B");
    EXPECT_EQ(HalfTimeCode("C"), "D");
    EXPECT_EQ(HalfTimeCode("E"), "F");
    EXPECT_EQ(HalfTimeCode("S"), "");
    const auto ini = core::IniFile::FromText("[Service]\nHost=http://main:1/\nProxyHost=http://proxy:2/\n");
    EXPECT_EQ(BulkResultsAddress(ini, "S", 3921),
              "http://proxy:2/api/svenskaspel/XMLresultatProxy.php?produktid=1&omgang=3921");
    EXPECT_EQ(BulkResultsAddress(ini, "I", 7),
              "http://proxy:2/api/svenskaspel/XMLresultatProxy.php?produktid=2&omgang=7");
    EXPECT_EQ(BulkResultsAddress(ini, "G", 5), "http://proxy:2/spil/tips/tips12/resultater.php?draw=5");
    EXPECT_EQ(BulkResultsAddress(ini, "H", 5), "http://proxy:2/spil/tips/tips13/resultater.php?draw=5");
    EXPECT_EQ(BulkResultsAddress(ini, "A", 5), "");
    EXPECT_EQ(BulkResultsAddress(core::IniFile::FromText("[Service]\nHost=http://main:1\n"), "S", 1).substr(0, 14),
              "http://main:1/");
}

// A server on 127.0.0.1 answering the round's page, 404, a stalled reply and a
// page that is not XML.
class FetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        svr_.Get("/round", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(ReadBytes(std::filesystem::path(VINRA_TEST_DATA) / "dl_results.xml"), "text/xml");
        });
        svr_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<html>not here</html>", "text/html");
        });
        svr_.Get("/portal", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>Sign in to continue<br></body></html>", "text/html");
        });
        svr_.Get("/stall", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/xml", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("<resultat>", 10);
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                return false;
            });
        });
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 200 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        keys_ = core::IniFile::FromText(
            "[S]\nXMLOmgID=//omgang\nXMLGetGamesHome=//match/hemmalag\nXMLGetGamesAway=//match/bortalag\n");
        options_.typ = "S";
    }
    void TearDown() override {
        svr_.stop();
        thread_.join();
    }
    std::string url(const char* path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

    httplib::Server svr_;
    int port_ = 0;
    std::thread thread_;
    testing::ShortTimeouts timeouts_{2000, 300};
    core::IniFile keys_;
    ParseOptions options_;
    TempDir dir_;
};

TEST_F(FetchTest, GoodPageIsParsed) {
    const auto target = dir_.path() / "download.htm";
    WriteBytes(target, "old page");
    TCouponInfo info;
    const FetchOutcome out = FetchRound(url("/round"), target, true, keys_, options_, info);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(out.count, 3);
    EXPECT_EQ(out.drawNumber, 4851);
    EXPECT_EQ(info.Homes.size(), 3u);
}

TEST_F(FetchTest, FailuresParseNothingAndSayWhy) {
    const auto target = dir_.path() / "download.htm";
    struct Case {
        const char* path;
        bool transport;
        const char* inError;
    } cases[] = {
        {"/missing", false, "HTTP error"},
        {"/portal", false, "not readable XML"},
        {"/stall", true, ""},
    };
    for (const auto& c : cases) {
        TCouponInfo info;
        info.Homes = {"Kept"};
        const auto start = std::chrono::steady_clock::now();
        const FetchOutcome out = FetchRound(url(c.path), target, true, keys_, options_, info);
        EXPECT_FALSE(out.ok) << c.path;
        EXPECT_EQ(out.transportFailed, c.transport) << c.path;
        EXPECT_NE(out.error.find(c.inError), std::string::npos) << out.error;
        EXPECT_FALSE(out.drawNumber) << c.path;
        EXPECT_EQ(info.Homes, std::vector<std::string>{"Kept"}) << c.path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    // Nothing listens here.
    TCouponInfo info;
    const FetchOutcome out = FetchRound("http://127.0.0.1:1/x", target, true, keys_, options_, info);
    EXPECT_TRUE(out.transportFailed);
    EXPECT_FALSE(out.error.empty());
}

}  // namespace
}  // namespace vinra::net
