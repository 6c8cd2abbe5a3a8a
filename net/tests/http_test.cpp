#include "net/http.h"
#include "net/transfer_error.h"

#include "core/messages.h"
#include "core/settings.h"
#include "net/download.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <chrono>
#include <regex>
#include <thread>

#include "net/tests/short_timeouts.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"
#include "tests/tiny_http_server.h"

namespace vinra::net {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

using vinra::testing::LocalServer;
constexpr auto UnusedPort = vinra::testing::UnusedLoopbackPort;

class HttpTest : public ::testing::Test {
protected:
    testing::ShortTimeouts timeouts_{2000, 400};
};

TEST_F(HttpTest, GetToFileReplacesTheFileOnlyOnSuccess) {
    LocalServer s;
    s.svr.Get("/ok",
              [](const httplib::Request&, httplib::Response& r) { r.set_content("new\r\nbytes\x01", "text/plain"); });
    s.svr.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
        r.status = 404;
        r.set_content("<html>not here</html>", "text/html");
    });
    s.svr.Get("/moved", [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/ok"); });
    s.svr.Get("/deny", [](const httplib::Request&, httplib::Response& r) { r.status = 401; });
    s.Start();

    TempDir dir;
    const auto file = dir.path() / "update.ini";
    WriteBytes(file, "good");

    EXPECT_FALSE(GetToFile(s.Url("/missing"), file));
    EXPECT_EQ(ReadBytes(file), "good");
    // No redirects for file downloads: a moved file is a failure, not whatever the new place holds.
    EXPECT_FALSE(GetToFile(s.Url("/moved"), file));
    EXPECT_EQ(ReadBytes(file), "good");
    EXPECT_FALSE(GetToFile(s.Url("/deny"), file));
    EXPECT_EQ(ReadBytes(file), "good");

    int64_t lastNow = -1, lastTotal = -1;
    EXPECT_TRUE(GetToFile(s.Url("/ok"), file, [&](int64_t now, int64_t total) {
        lastNow = now;
        lastTotal = total;
        return true;
    }));
    EXPECT_EQ(ReadBytes(file), "new\r\nbytes\x01");
    // Counts are bytes on the wire (the reply may come compressed).
    EXPECT_GT(lastNow, 0);
    EXPECT_EQ(lastNow, lastTotal);
    // A file that did not exist is created; no temporary files stay behind.
    EXPECT_TRUE(GetToFile(s.Url("/ok"), dir.path() / "fresh.ini"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST_F(HttpTest, TransportFailuresThrowNameTheAddressAndKeepTheFile) {
    LocalServer s;
    s.svr.Get("/truncated", [](const httplib::Request&, httplib::Response& r) {
        r.set_content_provider(1000, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0) return false;  // drops the connection after 10 of 1000 bytes
            sink.write("0123456789", 10);
            return true;
        });
    });
    s.svr.Get("/silent", [&](const httplib::Request&, httplib::Response& r) {
        s.Hold();
        r.set_content("late", "text/plain");
    });
    s.svr.Get("/stops", [&](const httplib::Request&, httplib::Response& r) {
        r.set_chunked_content_provider("text/plain", [&](size_t offset, httplib::DataSink& sink) {
            if (offset == 0) {
                sink.write("first part", 10);
                return true;
            }
            s.Hold();
            sink.done();
            return true;
        });
    });
    s.svr.Get("/huge", [](const httplib::Request&, httplib::Response& r) {
        r.set_content(std::string(100000, 'h'), "text/plain");
    });
    s.Start();
    const int deadPort = UnusedPort();

    TempDir dir;
    const auto file = dir.path() / "teamlogo.ini";
    WriteBytes(file, "good");
    struct Case {
        std::string url;
        std::string inMessage;
    };
    const Case cases[] = {
        {s.Url("/truncated"), "/truncated"},
        {s.Url("/silent"), "No data from"},  // nothing at all, not even headers
        {s.Url("/stops"), "No data from"},   // stalls in the middle of the body
        {"http://127.0.0.1:" + std::to_string(deadPort) + "/x", "127.0.0.1:" + std::to_string(deadPort)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const auto start = std::chrono::steady_clock::now();
        try {
            GetToFile(c.url, file);
            ADD_FAILURE() << "no error";
        } catch (const NetError& e) {
            EXPECT_NE(std::string(e.what()).find(c.inMessage), std::string::npos) << e.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
        EXPECT_EQ(ReadBytes(file), "good");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
    EXPECT_THROW(Get(s.Url("/silent")), NetError);

    // A reply longer than the limit is refused, not held in memory.
    HttpOptions o = CurrentHttpOptions();
    o.maxReplyBytes = 50000;
    SetHttpOptions(o);
    try {
        GetToFile(s.Url("/huge"), file);
        ADD_FAILURE() << "no error";
    } catch (const NetError& e) {
        EXPECT_NE(std::string(e.what()).find("longer than 50000 bytes"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(file), "good");
}

// A Swedish player reads why a transfer failed in Swedish, not in curl's English.
TEST_F(HttpTest, TransportFailuresSpeakThePlayersLanguage) {
    LocalServer s;
    s.svr.Get("/truncated", [](const httplib::Request&, httplib::Response& r) {
        r.set_content_provider(1000, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset > 0) return false;
            sink.write("0123456789", 10);
            return true;
        });
    });
    s.Start();
    const std::string dead = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/x";
    core::SetCurrentLanguage(core::LangSwedish);
    const auto what = [](const std::string& url) {
        try {
            Get(url);
        } catch (const NetError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(what(dead), "Överföringen med " + dead + " misslyckades: servern svarar inte");
    EXPECT_EQ(what(s.Url("/truncated")),
              "Överföringen med " + s.Url("/truncated") + " misslyckades: förbindelsen bröts eller kunde inte upprättas säkert");
    EXPECT_EQ(TransferErrorText(6), "serverns namn kan inte slås upp (är datorn ansluten?)");  // name not found
    EXPECT_EQ(TransferErrorText(3), "nätverksfel 3");  // a malformed address: the number at least
    core::SetCurrentLanguage(core::LangEnglish);
}

TEST_F(HttpTest, ProgressCanCancelAndGetFollowsRedirects) {
    // Five megabytes made and sent by a test server on a busy (or sanitizer)
    // build can pause longer than the fixture's short stall limit; no stall is
    // tested here.
    testing::ShortTimeouts generous{2000, 20000};
    LocalServer s;
    s.svr.Get("/data", [](const httplib::Request&, httplib::Response& r) {
        r.set_content(std::string(5000000, 'x'), "text/plain");
    });
    s.svr.Get("/moved", [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/data"); });
    s.Start();

    const HttpReply reply = Get(s.Url("/moved"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.ok());
    EXPECT_EQ(reply.body.size(), 5000000u);

    TempDir dir;
    const auto file = dir.path() / "a.xml";
    WriteBytes(file, "good");
    try {
        GetToFile(s.Url("/data"), file, [](int64_t now, int64_t) { return now == 0; });
        ADD_FAILURE() << "not cancelled";
    } catch (const NetError& e) {
        EXPECT_NE(std::string(e.what()).find("cancelled"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(file), "good");
}

TEST_F(HttpTest, PostFormEncodesEveryNameAndValueAndGivesCrLfLines) {
    LocalServer s;
    std::string gotBody, gotType;
    std::multimap<std::string, std::string> gotParams;
    s.svr.Post("/form", [&](const httplib::Request& q, httplib::Response& r) {
        gotBody = q.body;
        gotType = q.get_header_value("Content-Type");
        gotParams = q.params;
        r.set_content("line one\nline two\rline three\r\nlast", "text/plain");
    });
    s.svr.Post("/auth", [](const httplib::Request&, httplib::Response& r) {
        r.status = 401;
        r.set_header("WWW-Authenticate", "Basic realm=\"x\"");
        r.set_content("Authorisation required", "text/plain");
    });
    s.svr.Post("/moved", [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/form", 307); });
    s.Start();

    const HttpReply reply = PostForm(s.Url("/form"), {"team=Malmö FF & Co", "rows=0,1=2", "empty=", "bare"});
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "line one\r\nline two\r\nline three\r\nlast\r\n");
    EXPECT_EQ(gotType, "application/x-www-form-urlencoded");
    EXPECT_EQ(gotBody, "team=Malm%C3%B6%20FF%20%26%20Co&rows=0%2C1%3D2&empty=&bare=");
    ASSERT_EQ(gotParams.count("team"), 1u);
    EXPECT_EQ(gotParams.find("team")->second, "Malmö FF & Co");
    EXPECT_EQ(gotParams.find("rows")->second, "0,1=2");

    const HttpReply denied = PostForm(s.Url("/auth"), {"a=b"});
    EXPECT_EQ(denied.status, 401);
    EXPECT_FALSE(denied.ok());
    EXPECT_EQ(denied.body, "Authorisation required\r\n");

    EXPECT_EQ(PostForm(s.Url("/moved"), {"a=b"}).status, 200);  // forms follow redirects
}

TEST(Multipart, BodyIsWrittenFieldByFieldWithValuesUnchanged) {
    TMsMultiPartFormDataStream body("BOUND");
    body.AddFormField("file", "100% sure\r\n--BOUND not the end");
    body.AddFormField("name", "");
    body.Finish();
    body.Finish();  // a second finish adds nothing
    EXPECT_EQ(body.data(),
              "--BOUND\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\n100% sure\r\n--BOUND not the end"
              "\r\n--BOUND\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\n"
              "\r\n--BOUND--\r\n");
    EXPECT_EQ(body.contentType(), "multipart/form-data; boundary=BOUND");

    // The default boundary is 27 hyphens and the local time to the millisecond,
    // so two bodies made in the same millisecond share it.
    TMsMultiPartFormDataStream a;
    EXPECT_TRUE(std::regex_match(a.boundary(), std::regex("-{27}[0-9]{15}"))) << a.boundary();
    const std::string digits = a.boundary().substr(27);
    const int month = std::stoi(digits.substr(0, 2)), day = std::stoi(digits.substr(2, 2));
    EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31) << digits;
}

TEST_F(HttpTest, PostMultipartSendsTheFieldsAServerCanRead) {
    LocalServer s;
    std::string file, key, type;
    s.svr.Post("/upload", [&](const httplib::Request& q, httplib::Response& r) {
        file = q.get_file_value("file").content;
        key = q.get_file_value("key").content;
        type = q.get_header_value("Content-Type");
        r.set_content("{\"id\": 17}", "application/json");
    });
    s.Start();

    TMsMultiPartFormDataStream body;
    body.AddFormField("file", "[Rader]\r\n1=0102\r\n--x");
    body.AddFormField("key", "abc%20");
    // Not finished by the caller: it still goes out well-formed.
    const HttpReply reply = PostMultipart(s.Url("/upload"), body);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "{\"id\": 17}\r\n");
    EXPECT_EQ(file, "[Rader]\r\n1=0102\r\n--x");
    EXPECT_EQ(key, "abc%20");
    EXPECT_EQ(type, body.contentType());
}

// An upload waits for its reply up to its own read time-out, not the short
// stall limit of downloads, and has no cap while bytes keep moving; silence
// longer than the read time-out fails.
TEST_F(HttpTest, PostMultipartWaitsForItsReadTimeOut) {
    HttpOptions o = CurrentHttpOptions();
    o.multipartReadTimeoutMs = 1500;  // the stall limit of the fixture is 400 ms
    SetHttpOptions(o);
    LocalServer s;
    s.svr.Post("/slow", [](const httplib::Request&, httplib::Response& r) {
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
        r.set_content("{\"status\":\"200\"}", "application/json");
    });
    s.svr.Post("/trickle", [](const httplib::Request&, httplib::Response& r) {
        // Moving all the time, longer in all than the read time-out.
        // Not a text type: the server would compress it and hold the bytes back.
        r.set_chunked_content_provider("application/octet-stream", [n = 0](size_t, httplib::DataSink& sink) mutable {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            if (++n > 8) {
                sink.done();
                return true;
            }
            return sink.write("x", 1);
        });
    });
    s.svr.Post("/silent", [](const httplib::Request&, httplib::Response& r) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        r.set_content("late", "text/plain");
    });
    s.Start();
    TMsMultiPartFormDataStream body;
    body.AddFormField("file", "rows");
    body.Finish();
    EXPECT_EQ(PostMultipart(s.Url("/slow"), body).body, "{\"status\":\"200\"}\r\n");
    EXPECT_EQ(PostMultipart(s.Url("/trickle"), body).body, "xxxxxxxx\r\n");
    EXPECT_THROW(PostMultipart(s.Url("/silent"), body), NetError);
}

TEST_F(HttpTest, ProxyIsUsedOnlyWhenOnAndAPortIsGiven) {
    // The "proxy" is a local server that answers every request it is handed.
    LocalServer proxy;
    std::string asked;
    proxy.svr.Get(".*", [&](const httplib::Request& q, httplib::Response& r) {
        asked = q.target;
        r.set_content("via proxy", "text/plain");
    });
    proxy.Start();
    LocalServer direct;
    direct.svr.Get("/x", [](const httplib::Request&, httplib::Response& r) { r.set_content("direct", "text/plain"); });
    direct.Start();

    HttpOptions o = CurrentHttpOptions();
    o.useProxy = true;
    o.proxyHost = "127.0.0.1";
    o.proxyPort = "";
    SetHttpOptions(o);
    EXPECT_EQ(Get(direct.Url("/x")).body, "direct");

    // Loopback addresses never go through a proxy, so the proxied request names
    // a host that only the proxy can reach.
    // The settings' proxy, as start-up hands it over.
    UseProxySetting(core::ProxySetting{true, "127.0.0.1", std::to_string(proxy.port())});
    EXPECT_EQ(CurrentHttpOptions().stallTimeoutMs, 400);
    EXPECT_EQ(Get("http://service.invalid/vinra2000/ini/update.ini").body, "via proxy");
    EXPECT_EQ(asked, "http://service.invalid/vinra2000/ini/update.ini");

    o.useProxy = false;
    SetHttpOptions(o);
    EXPECT_THROW(Get("http://service.invalid/x"), NetError);
}

TEST(UrlEncode, KeepsOnlyUnreservedCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"AZaz09-_.~", "AZaz09-_.~"},
        {"a b+c&d=e/f?g#h%", "a%20b%2Bc%26d%3De%2Ff%3Fg%23h%25"},
        {"Åtvidaberg", "%C3%85tvidaberg"},
        {std::string("\x00\xff", 2), "%00%FF"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(UrlEncode(in), out) << in;
}

// Drains an inbox until every named request reported state 3 (bounded).
std::map<int32_t, std::vector<TSyncInfo>> CollectReports(TDownloadInbox& inbox, size_t requests) {
    std::map<int32_t, std::vector<TSyncInfo>> by;
    size_t finished = 0;
    for (int i = 0; i < 500 && finished < requests; ++i) {
        for (TSyncInfo& r : inbox.Drain()) {
            if (r.state == kSyncFinished) ++finished;
            by[r.requestId].push_back(std::move(r));
        }
        if (finished < requests) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return by;
}

TEST_F(HttpTest, DownloadThreadsRunSideBySideAndReportInOrder) {
    LocalServer s;
    const std::string big(3000000, 'p');
    s.svr.Get("/logo1.jpg", [&](const httplib::Request&, httplib::Response& r) { r.set_content(big, "image/jpeg"); });
    s.svr.Get("/logo2.jpg",
              [](const httplib::Request&, httplib::Response& r) { r.set_content("small", "image/jpeg"); });
    s.svr.Get("/gone.jpg", [](const httplib::Request&, httplib::Response& r) {
        r.status = 404;
        r.set_content("not found page", "text/html");
    });
    std::string posted;
    s.svr.Post("/goal", [&](const httplib::Request& q, httplib::Response& r) {
        posted = q.get_file_value("xml").content;
        r.set_content("stored", "text/plain");
    });
    s.Start();

    TempDir dir;
    WriteBytes(dir.path() / "gone.jpg", "old picture");
    auto inbox = std::make_shared<TDownloadInbox>();
    {
        TDownloadThread a(inbox, dir.path() / "logo1.jpg", s.Url("/logo1.jpg"), 1);
        TDownloadThread b(inbox, dir.path() / "logo2.jpg", s.Url("/logo2.jpg"), 2);
        TDownloadThread c(inbox, dir.path() / "gone.jpg", s.Url("/gone.jpg"), 3);
        TDownloadThread d(inbox, "", s.Url("/goal"), 4, TDownloadThread::kMultipartPost);
        d.AddFormField("xml", "<goal minute=\"12\"/>");
        for (TDownloadThread* t : {&a, &b, &c, &d}) t->Start();
        a.Start();  // a second start does nothing
    }               // the thread objects may go at once; the transfers go on
    auto reports = CollectReports(*inbox, 4);
    ASSERT_EQ(reports.size(), 4u);
    for (auto& [id, list] : reports) {
        SCOPED_TRACE(id);
        ASSERT_GE(list.size(), 2u);
        // started (when a reply began), progress..., received, finished: never backwards
        for (size_t i = 1; i < list.size(); ++i) EXPECT_LE(list[i - 1].state, list[i].state);
        EXPECT_EQ(list.back().state, kSyncFinished);
        EXPECT_EQ(list[list.size() - 2].state, kSyncReceived);
        EXPECT_EQ(std::count_if(list.begin(), list.end(), [](auto& r) { return r.state == kSyncFinished; }), 1);
    }
    EXPECT_TRUE(reports[1].back().ok);
    EXPECT_EQ(reports[1].front().state, kSyncStarted);
    EXPECT_EQ(ReadBytes(dir.path() / "logo1.jpg"), big);
    EXPECT_EQ(ReadBytes(dir.path() / "logo2.jpg"), "small");
    EXPECT_EQ(reports[2].back().fileName, (dir.path() / "logo2.jpg").string());

    EXPECT_FALSE(reports[3].back().ok);
    EXPECT_EQ(reports[3].back().httpStatus, 404);
    EXPECT_NE(reports[3].back().error.find("404"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir.path() / "gone.jpg"), "old picture");

    EXPECT_TRUE(reports[4].back().ok);
    EXPECT_EQ(reports[4][reports[4].size() - 2].text, "stored\r\n");
    EXPECT_EQ(posted, "<goal minute=\"12\"/>");
    EXPECT_EQ(inbox->running(), 0);
}

TEST_F(HttpTest, AnOwnerThatLeavesGetsNoLateReportAndStopsItsTransfers) {
    LocalServer s;
    std::atomic<int> served{0};
    s.svr.Get("/slow", [&](const httplib::Request&, httplib::Response& r) {
        r.set_chunked_content_provider("text/plain", [&](size_t, httplib::DataSink& sink) {
            ++served;
            sink.write("tick", 4);  // keeps the stall watch happy, never ends by itself
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return !s.release.load();
        });
    });
    s.Start();

    TempDir dir;
    WriteBytes(dir.path() / "info.ini", "good");
    auto inbox = std::make_shared<TDownloadInbox>();
    TDownloadThread t(inbox, dir.path() / "info.ini", s.Url("/slow"), 9);
    t.Start();
    for (int i = 0; i < 300 && served < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(served.load(), 3);
    inbox->Detach();
    EXPECT_TRUE(inbox->WaitIdle(std::chrono::seconds(3)));
    EXPECT_TRUE(inbox->Drain().empty());
    EXPECT_EQ(ReadBytes(dir.path() / "info.ini"), "good");

    // Reports to nobody: the transfer still runs and ends.
    TDownloadThread lone(nullptr, "", s.Url("/nothing"), 1);
    lone.Start();
    EXPECT_TRUE(TDownloadThread::WaitAll(std::chrono::seconds(3)));
}

}  // namespace
}  // namespace vinra::net
