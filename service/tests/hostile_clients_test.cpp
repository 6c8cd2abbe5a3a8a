// vinra-service against hostile clients: slow and oversized headers, costly
// ranges, and uploads meant to take memory, overflow the money arithmetic or
// learn the server's paths.
#include <httplib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "core/text.h"
#include "service/guarded_server.h"
#include "service/server.h"
#include "tests/temp_dir.h"

namespace vinra::service {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

const fs::path kSample = VINRA_SERVICE_DATA;
const char* const kThursday = "2026-12-10 12:00";  // Thursday of week 50

class Running {
public:
    explicit Running(ServiceOptions options, GuardLimits limits = {}) : svr_(limits), service_(std::move(options)) {
        service_.Register(svr_);
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~Running() {
        svr_.stop();
        thread_.join();
    }
    int port() const { return port_; }
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(10, 0);
        return c;
    }

private:
    GuardedServer svr_;
    VinraService service_;
    int port_ = 0;
    std::thread thread_;
};

ServiceOptions Sample() {
    return {kSample, "", [] { return std::string(kThursday); }};
}

// A raw connection, for requests no well-behaved client would send.
class Raw {
public:
    explicit Raw(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~Raw() { ::close(fd_); }
    bool ok() const { return ok_; }
    // False once the server has closed or reset the connection.
    bool Send(std::string_view bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // Everything until the server closes, or until the time is up.
    std::string ReadAll(std::chrono::milliseconds within) {
        std::string out;
        const auto until = Clock::now() + within;
        while (Clock::now() < until) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char buf[65536];
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }
    // True when the server closed the connection (a read returns 0 or fails).
    bool ClosedByServer() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return false;
        char c;
        return ::recv(fd_, &c, 1, MSG_DONTWAIT) <= 0 || ReadAll(std::chrono::milliseconds(200)).empty();
    }

private:
    int fd_;
    bool ok_ = false;
};

TEST(HostileClients, SlowHeadersNeitherStarveOthersNorHoldAWorkerForEver) {
    GuardLimits limits;
    limits.headerDeadline = std::chrono::milliseconds(1500);
    Running s(Sample(), limits);
    // More clients than there are workers, each sending its header a byte at a
    // time, every 200 ms.
    std::atomic<bool> stop{false};
    std::vector<double> cutAfter(limits.threads + 8, -1);
    std::vector<std::thread> slow;
    for (size_t i = 0; i < cutAfter.size(); ++i)
        slow.emplace_back([&, i] {
            // Connect a few milliseconds apart: a burst of 40 connects at once
            // overflows the listen backlog of the HTTP library, and the kernel
            // then resets some of them, which is not what is tested here.
            std::this_thread::sleep_for(std::chrono::milliseconds(10 * i));
            Raw c(s.port());
            const auto start = Clock::now();
            c.Send("GET / HTTP/1.1\r\n");
            while (!stop && Clock::now() - start < std::chrono::seconds(8)) {
                if (!c.Send("X") || c.ClosedByServer()) {
                    cutAfter[i] = std::chrono::duration<double>(Clock::now() - start).count();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Meanwhile an ordinary request is answered once the first of them are cut off.
    const auto before = Clock::now();
    auto res = s.client().Get("/vinra2000/ini/update.ini");
    const double took = std::chrono::duration<double>(Clock::now() - before).count();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_LT(took, 3.0);
    for (auto& t : slow) t.join();
    stop = true;
    // Each slow client was cut off at the header deadline (the last ones after
    // waiting for a worker), though it kept sending.
    for (double t : cutAfter) {
        EXPECT_GE(t, 1.2);
        EXPECT_LT(t, 5.0);
    }
}

TEST(HostileClients, AHeaderBlockPastTheLimitGets431) {
    Running s(Sample());
    {
        Raw c(s.port());
        ASSERT_TRUE(c.ok());
        std::string request = "GET / HTTP/1.1\r\nHost: x\r\n";
        // 200 000 header lines are 2.4 MB; the reply comes after the first 64 KB.
        std::thread sender([&] {
            std::string lines;
            for (int i = 0; i < 1000; ++i) lines += "X-Pad: aaaa\r\n";
            c.Send(request);
            for (int k = 0; k < 200 && c.Send(lines); ++k) {}
        });
        const std::string reply = c.ReadAll(std::chrono::seconds(10));
        sender.join();
        EXPECT_EQ(reply.rfind("HTTP/1.1 431 ", 0), 0u) << reply.substr(0, 200);
    }
    // A request with many but not too many header lines is served as before.
    httplib::Headers many;
    for (int i = 0; i < 500; ++i) many.emplace(fmt::format("X-Pad-{}", i), "aaaa");
    auto res = s.client().Get("/", many);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
}

TEST(HostileClients, CostlyRangesGetTheWholeBodyOnce) {
    Running s(Sample());
    auto whole = s.client().Get("/vinra2000/ini/update.ini");
    ASSERT_TRUE(whole);
    const size_t size = whole->body.size();
    ASSERT_GT(size, 100u);

    std::string overlapping = "bytes=0-";
    for (int i = 0; i < 1500; ++i) overlapping += ",0-";
    struct Case {
        std::string range;
        int status;
        size_t atMost;  // bytes of the reply body
    };
    const Case cases[] = {
        {overlapping, 200, size}, {"bytes=0-99,50-149", 200, size}, {"bytes=-10,0-5", 200, size},
        {"bytes=0-9", 206, 10},   {"bytes=0-1,5-6", 206, 400},  // two parts of a multipart reply
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.range.substr(0, 40));
        auto res = s.client().Get("/vinra2000/ini/update.ini", {{"Range", k.range}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, k.status);
        EXPECT_LE(res->body.size(), k.atMost);
        if (k.status == 200) {
            EXPECT_TRUE(res->body == whole->body);
        }
    }
}

TEST(HostileClients, RangesTooCostly) {
    struct Case {
        const char* value;
        bool costly;
    };
    for (const Case& k : {Case{"bytes=0-9", false}, Case{" bytes=0-1, 5-6 ,10-", false}, Case{"bytes=-500", false},
                          Case{"bytes=0-9,5-20", true}, Case{"bytes=10-,0-20", true}, Case{"bytes=0-,100-", true},
                          Case{"bytes=-5,0-1", true}, Case{"bytes=0-1,-5", true}, Case{"items=1-2", false},
                          Case{"bytes=0-0,2-2,4-4,6-6,8-8,10-10,12-12,14-14,16-16,18-18,20-20,22-22,24-24,26-26,"
                               "28-28,30-30,32-32",
                               true}}) {
        EXPECT_EQ(RangesTooCostly(k.value, 16), k.costly) << k.value;
    }
}

// A settled round of 13 matches with an absurd top payout.
void WriteAbsurdRound(const fs::path& data) {
    fs::create_directories(data / "rounds");
    std::string round =
        "[Round]\nTyp=S\nOmgID=5000\nOmg=2026-50\nDeadline=2026-12-09 15:59\n"
        "[Payout]\n13=1;9000000000000000000\n12=4;1000\n11=30;250\n10=200;40\n";
    for (int m = 1; m <= 13; ++m) round += fmt::format("[Match{}]\nHome=H{}\nAway=A{}\nScore=1-0\n", m, m, m);
    WriteBytes(data / "rounds" / "S-5000.ini", round);
    WriteBytes(data / "apikeys.ini", "[Keys]\ndemo=secret\n");
}

// Uploads a file the way the program does; the reply's status, message and link.
struct UploadReply {
    std::string status, message, link;
};
UploadReply Upload(const Running& s, const std::string& name, const std::string& content, bool whole) {
    httplib::MultipartFormDataItems items = {
        {"data[username]", "demo", "", ""},
        {"data[apikey]", "secret", "", ""},
        {"data[file]", content, name, "application/octet-stream"},
    };
    auto res = s.client().Post(whole ? "/systems/apiImportVinra/1" : "/systems/apiImportVinra/0", items);
    if (!res) return {};
    std::string body = res->body;
    for (size_t at = body.find("\\/"); at != std::string::npos; at = body.find("\\/", at)) body.erase(at, 1);
    const auto j = nlohmann::json::parse(body, nullptr, false);
    if (j.is_discarded()) return {"unreadable", body, ""};
    return {j.value("status", ""), j.value("message", ""), j.value("link", "")};
}

TEST(HostileClients, ARejectedUploadSaysWhatWasWrongNotWhere) {
    TempDir dir;
    WriteAbsurdRound(dir.path());
    Running s({dir.path(), "", [] { return std::string(kThursday); }});
    const UploadReply r = Upload(s, "mine.1x2", "no system here\r\n", true);
    EXPECT_EQ(r.status, "400");
    EXPECT_NE(r.message.find("not a system file"), std::string::npos) << r.message;
    EXPECT_EQ(r.message.find(fs::temp_directory_path().string()), std::string::npos) << r.message;
    EXPECT_EQ(r.message.find("vinra-service-"), std::string::npos) << r.message;
}

TEST(HostileClients, TheLiveCheckPageNeverWrapsMoneyRound) {
    TempDir dir;
    WriteAbsurdRound(dir.path());
    Running s({dir.path(), "", [] { return std::string(kThursday); }});
    // Two rows with 13 right (1 each time), one with 12.
    const UploadReply r =
        Upload(s, "rows.txt", "Stryktipset\r\n1111111111111\r\n1111111111111\r\n1111111111112\r\n", false);
    ASSERT_EQ(r.status, "200") << r.message;
    const std::string path = r.link.substr(r.link.find("/systems/"));
    auto page = s.client().Get(path);
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("<td>13</td><td>2</td><td>för stort belopp kr</td>"), std::string::npos) << page->body;
    EXPECT_NE(page->body.find("<td>12</td><td>1</td><td>1 000,00 kr</td>"), std::string::npos) << page->body;
    EXPECT_NE(page->body.find("Summa: 1 000,00 kr"), std::string::npos) << page->body;
}

TEST(HostileClients, StoredUploadsAreBoundedInBytes) {
    TempDir dir;
    WriteAbsurdRound(dir.path());
    ServiceOptions o{dir.path(), "", [] { return std::string(kThursday); }};
    o.keepStoredBytes = 6000;
    Running s(o);
    std::string rows = "Stryktipset\r\n";
    for (int i = 0; i < 150; ++i) rows += "1X21X21X21X21\r\n";  // about 2 400 bytes once stored
    std::vector<std::string> links;
    for (int i = 0; i < 3; ++i) {
        const UploadReply r = Upload(s, fmt::format("part{}.txt", i), rows, false);
        ASSERT_EQ(r.status, "200") << r.message;
        links.push_back(r.link.substr(r.link.find("/systems/")));
    }
    EXPECT_EQ(s.client().Get(links[0])->status, 404);
    EXPECT_EQ(s.client().Get(links[1])->status, 200);
    EXPECT_EQ(s.client().Get(links[2])->status, 200);
}

TEST(HostileClients, ALiveCheckPageCostsLittleHoweverLargeTheSystem) {
    TempDir dir;
    WriteAbsurdRound(dir.path());
    Running s({dir.path(), "", [] { return std::string(kThursday); }});
    // Every row of 13 matches: the most a system can hold.
    std::string rows = "Stryktipset\r\n";
    rows.reserve(rows.size() + 1'594'323 * 15 + 15);
    std::string row(13, '1');
    for (int i = 0; i < 1'594'323; ++i) {
        rows += row;
        rows += "\r\n";
        for (size_t m = 13; m-- > 0;) {  // the next row, counting in 1, X, 2
            row[m] = row[m] == '1' ? 'X' : row[m] == 'X' ? '2' : '1';
            if (row[m] != '1') break;
        }
    }
    const UploadReply r = Upload(s, "all.txt", rows, false);
    ASSERT_EQ(r.status, "200") << r.message;
    const std::string path = r.link.substr(r.link.find("/systems/"));
    // Its page is worked out once, not per view.
    const auto start = Clock::now();
    for (int i = 0; i < 5; ++i) {
        auto page = s.client().Get(path);
        ASSERT_TRUE(page);
        EXPECT_NE(page->body.find("<td>12</td><td>26</td>"), std::string::npos);
    }
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.0);

    // One row more than there are is no system.
    const UploadReply more = Upload(s, "more.txt", rows + "1111111111111\r\n", false);
    EXPECT_EQ(more.status, "400");
    EXPECT_NE(more.message.find("more rows than a system can"), std::string::npos) << more.message;
}

TEST(HostileClients, TheLiveCheckPageFollowsTheLiveRound) {
    TempDir dir;
    WriteAbsurdRound(dir.path());
    Running s({dir.path(), "", [] { return std::string(kThursday); }});
    const UploadReply r =
        Upload(s, "rows.txt", "Stryktipset\r\n1111111111111\r\n1111111111111\r\nXXXXXXXXXXXXX\r\n", false);
    ASSERT_EQ(r.status, "200") << r.message;
    const std::string path = r.link.substr(r.link.find("/systems/"));
    EXPECT_NE(s.client().Get(path)->body.find("<td>13</td><td>2</td>"), std::string::npos);
    // Kick-off now: no match has ended, so no row has any right yet.
    ASSERT_EQ(s.client().Post("/api/live/start?typ=S&omgang=5000&start=now&minute=600", "", "text/plain")->status,
              200);
    const std::string live = s.client().Get(path)->body;
    EXPECT_NE(live.find("<td>13</td><td>0</td>"), std::string::npos) << live;
    EXPECT_NE(live.find("<td>0-0</td>"), std::string::npos) << live;
    ASSERT_EQ(s.client().Post("/api/live/stop", "", "text/plain")->status, 200);
    EXPECT_NE(s.client().Get(path)->body.find("<td>13</td><td>2</td>"), std::string::npos);
}

TEST(HostileClients, ReadersOfALargeGoalPageHoldUpNobody) {
    TempDir dir;
    WriteAbsurdRound(dir.path());
    Running s({dir.path(), "", [] { return std::string(kThursday); }});
    // The largest publication taken: its page is some megabytes.
    std::string xml = "<goalservice><productname>Stryktipset</productname><games>";
    while (xml.size() < 250 * 1024) xml += "<match/>";  // a row of empty cells each
    xml += "</games></goalservice>";
    const httplib::Params form = {{"dbid", "big"}, {"xmldata", xml}};
    ASSERT_EQ(s.client().Post("/apps/goalservice/gsnew.php", form)->status, 200);
    const size_t pageSize = s.client().Get("/goalservice/goalservice.php?id=big")->body.size();
    ASSERT_GT(pageSize, 2'000'000u);

    std::atomic<bool> stop{false};
    std::atomic<int> pages{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 16; ++i)
        readers.emplace_back([&] {
            auto c = s.client();
            while (!stop) {
                auto page = c.Get("/goalservice/goalservice.php?id=big");
                if (page && page->body.size() == pageSize) ++pages;
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    double slowest = 0;
    for (int i = 0; i < 10; ++i) {
        const auto before = Clock::now();
        auto res = s.client().Get("/vinra/activepools");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        slowest = std::max(slowest, std::chrono::duration<double>(Clock::now() - before).count());
    }
    stop = true;
    for (auto& t : readers) t.join();
    EXPECT_GT(pages.load(), 16);
    EXPECT_LT(slowest, 0.5);
}

TEST(HostileClients, StalledBodiesAndOneAddressCannotTakeEveryWorker) {
    struct Case {
        const char* what;
        std::string opening;  // what each hostile connection sends, then nothing
        bool capAddress;
    };
    const Case cases[] = {
        {"stalled bodies", "POST /apps/goalservice/gsnew.php HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\nx", false},
        {"one address", "GET / HTTP/1.1\r\n", true},
    };
    for (const Case& c : cases) {
        GuardLimits limits;
        limits.threads = 4;
        limits.idleLimit = std::chrono::milliseconds(500);
        limits.headerDeadline = std::chrono::milliseconds(20'000);
        limits.maxConnectionsPerAddress = c.capAddress ? 3 : 0;
        limits.limitLoopback = c.capAddress;
        Running s(Sample(), limits);
        std::vector<std::unique_ptr<Raw>> hostile;
        for (size_t i = 0; i < limits.threads + 4; ++i) {
            hostile.push_back(std::make_unique<Raw>(s.port()));
            ASSERT_TRUE(hostile.back()->ok());
            hostile.back()->Send(c.opening);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        // An ordinary request is still answered: at once when the address is
        // full, else after the stalled bodies hit the idle limit.
        const auto before = Clock::now();
        auto res = s.client().Get("/vinra2000/ini/update.ini");
        const double took = std::chrono::duration<double>(Clock::now() - before).count();
        ASSERT_TRUE(res) << c.what;
        if (c.capAddress) {
            EXPECT_EQ(res->status, 429) << c.what;
            EXPECT_LT(took, 1.0) << c.what;
            hostile.clear();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EXPECT_EQ(s.client().Get("/vinra2000/ini/update.ini")->status, 200) << c.what;
        } else {
            EXPECT_EQ(res->status, 200) << c.what;
            EXPECT_LT(took, 4.0) << c.what;
        }
    }
}

}  // namespace
}  // namespace vinra::service
