#include "stats/team_logos.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/messages.h"
#include "core/settings.h"
#include "net/http.h"
#include "tests/in_language.h"
#include "tests/temp_dir.h"

namespace vinra::stats {
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "rest of a picture";

TEST(LogoFileName, LastPathSegmentOnlyWhenSafe) {
    struct Case {
        const char* url;
        const char* name;
    } cases[] = {
        {"http://logos.example/img/aik.png", "aik.png"},
        {"http://logos.example/img/aik.png?size=32#x", "aik.png"},
        {"https://logos.example/a/b/c/Malm%C3%B6.jpg", "Malm%C3%B6.jpg"},
        {"img\\win\\hif.gif", "hif.gif"},
        {"plain.png", "plain.png"},
        {"http://logos.example", ""},       // a host is no file name
        {"http://logos.example/img/", ""},  // a folder
        {"http://logos.example/img/..", ""},
        {"http://logos.example/img/.", ""},
        {"http://logos.example/.hidden", ""},
        {"http://logos.example/../../etc/passwd", "passwd"},  // only the last segment: stays in the folder
        {"http://logos.example/x/C:evil.png", ""},
        {"http://logos.example/x/a\tb.png", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LogoFileName(c.url), c.name) << c.url;
    EXPECT_EQ(LogoFileName("http://h/" + std::string(201, 'a')), "");
}

TEST(RoundNumberOfOmg, YearAndWeekDigits) {
    EXPECT_EQ(RoundNumberOfOmg("2009-28"), 200928);
    EXPECT_EQ(RoundNumberOfOmg("2026-05"), 202605);
    EXPECT_EQ(RoundNumberOfOmg("2026-5"), 0);
    EXPECT_EQ(RoundNumberOfOmg("20x6-50"), 0);
    EXPECT_EQ(RoundNumberOfOmg(""), 0);
}

TEST(PoolHasMatchInformation, AnyPoolWhoseInformationHasAnAddress) {
    core::IniFile update;
    update.WriteString("V", "Details", "http://127.0.0.1:8080/api/vinra/XMLinfoProxy.php?typ=V&omgang=%s");
    update.WriteString("G", "Details", "");
    const std::pair<const char*, bool> cases[] = {{"S", true}, {"O", true}, {"V", true}, {"G", false}, {"A", false}, {"", false}};
    for (const auto& [pool, has] : cases) EXPECT_EQ(PoolHasMatchInformation(pool, update), has) << pool;
}

TEST(PoolHasMatchInformation, OnlyTheFourPools) {
    for (const char* p : {"S", "I", "T", "O"}) EXPECT_TRUE(PoolHasMatchInformation(p)) << p;
    for (const char* p : {"A", "G", "V", "", "SI"}) EXPECT_FALSE(PoolHasMatchInformation(p)) << p;
}

TEST(ReadRoundTeams, AliasThenLogoAndPlanSkipsCachedUnsafeAndRepeated) {
    const auto info = core::IniFile::FromText(
        "[Game0]\nHome=AIK\nAway=Hammarby\n[Game1]\nHome=Malmö\nAway=Okänt lag\n"
        "[Game2]\nHome=Djurgården\nAway=AIK\n[Game4]\nHome=Not read\nAway=Gap before\n");
    const auto stat = core::IniFile::FromText("[Alias]\nMalmö=Malmö FF\n");
    const auto logo = core::IniFile::FromText(
        "[Images]\nAIK=http://h/l/aik.png\nHammarby=http://h/l/bajen.png\nMalmö FF=http://h/l/mff.png\n"
        "Malmö=http://h/l/wrong.png\nDjurgården=http://h/l/..\n");
    const RoundTeams t = ReadRoundTeams(info, stat, logo);
    EXPECT_EQ(t.homes, (std::vector<std::string>{"AIK", "Malmö", "Djurgården"}));
    EXPECT_EQ(t.aways, (std::vector<std::string>{"Hammarby", "Okänt lag", "AIK"}));
    EXPECT_EQ(t.homeLogos, (std::vector<std::string>{"http://h/l/aik.png", "http://h/l/mff.png", "http://h/l/.."}));
    EXPECT_EQ(t.awayLogos, (std::vector<std::string>{"http://h/l/bajen.png", "", "http://h/l/aik.png"}));

    TempDir dir;
    WriteBytes(dir.path() / "bajen.png", kPng);  // already in the cache
    const auto jobs = PlanLogoDownloads(t, dir.path());
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].fileName, "aik.png");
    EXPECT_EQ(jobs[1].fileName, "mff.png");
}

TEST(LooksLikePicture, KnownSignatures) {
    EXPECT_TRUE(LooksLikePicture(kPng));
    EXPECT_TRUE(LooksLikePicture("\xFF\xD8\xFF\xE0 jfif"));
    EXPECT_TRUE(LooksLikePicture("GIF89a...."));
    EXPECT_FALSE(LooksLikePicture("<html><body>Log in to the hotel network</body></html>"));
    EXPECT_FALSE(LooksLikePicture(""));
}

// A server on 127.0.0.1 with logos, failures and a counter of parallel requests.
class LogoServer : public ::testing::Test {
protected:
    void SetUp() override {
        net::HttpOptions o;
        o.connectTimeoutMs = 2000;
        o.stallTimeoutMs = 1000;
        net::SetHttpOptions(o);
        svr_.Get(R"(/logo/(\w+)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
            const int now = ++inFlight_;
            int seen = maxInFlight_.load();
            while (now > seen && !maxInFlight_.compare_exchange_weak(seen, now)) {}
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            ++requests_;
            --inFlight_;
            res.set_content(kPng + req.matches[1].str(), "image/png");
        });
        svr_.Get("/missing.png", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        // A "logo" of 5 MiB, with its length given and sent in chunks without one.
        svr_.Get("/huge.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kPng + std::string(5 << 20, '\0'), "image/png");
        });
        svr_.Get("/huge-chunked.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/png", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= (5u << 20)) {
                    sink.done();
                    return true;
                }
                const std::string block =
                    offset == 0 ? kPng + std::string(65536 - kPng.size(), '\0') : std::string(65536, '\0');
                return sink.write(block.data(), block.size());
            });
        });
        svr_.Get("/portal.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html>please log in</html>", "text/html");
        });
        svr_.Get("/truncated.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000, "image/png", [](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0) return false;  // closes the connection after 8 of 1000 bytes
                sink.write(kPng.data(), 8);
                return true;
            });
        });
        svr_.Get("/stalled.png", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/png", [this](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) sink.write(kPng.data(), 8);
                for (int i = 0; i < 100 && !stop_.load(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return false;
            });
        });
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
    }
    void TearDown() override {
        stop_ = true;
        svr_.stop();
        thread_.join();
        net::SetHttpOptions(net::HttpOptions{});
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    static std::vector<std::string> Listing(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    httplib::Server svr_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<int> inFlight_{0}, maxInFlight_{0}, requests_{0};
    std::atomic<bool> stop_{false};
};

TEST_F(LogoServer, SeveralAtOnceAndOnlyGoodPicturesAreKept) {
    TempDir dir;
    const fs::path images = dir.path() / "Cache" / "Images";
    std::vector<LogoJob> jobs;
    for (const char* team : {"aik", "mff", "ifk", "hif", "bp", "gais"})
        jobs.push_back({url(std::string("/logo/") + team + ".png"), std::string(team) + ".png"});
    jobs.push_back({url("/missing.png"), "missing.png"});
    jobs.push_back({url("/portal.png"), "portal.png"});
    jobs.push_back({url("/truncated.png"), "truncated.png"});
    jobs.push_back({"http://127.0.0.1:1/refused.png", "refused.png"});
    {
        LogoDownloads d(images, jobs, 4);
        d.wait();
        ASSERT_TRUE(d.finished());
        ASSERT_EQ(d.outcomes().size(), jobs.size());
        for (size_t i = 0; i < jobs.size(); ++i) {
            EXPECT_EQ(d.outcomes()[i].ok, i < 6) << jobs[i].url << ": " << d.outcomes()[i].error;
            if (i >= 6) {
                EXPECT_FALSE(d.outcomes()[i].error.empty());
            }
        }
    }
    EXPECT_GT(maxInFlight_.load(), 1);
    EXPECT_LE(maxInFlight_.load(), 4);
    EXPECT_EQ(ReadBytes(images / "aik.png"), kPng + "aik");
    // Failed transfers leave no file and no temporary file behind.
    EXPECT_EQ(Listing(images),
              (std::vector<std::string>{"aik.png", "bp.png", "gais.png", "hif.png", "ifk.png", "mff.png"}));
}

// Each picture has its own limit, far below the limit of other replies.
TEST_F(LogoServer, APictureLargerThanTheLogoLimitIsRefused) {
    TempDir dir;
    LogoDownloads d(dir.path(), {{url("/huge.png"), "huge.png"},
                                 {url("/huge-chunked.png"), "huge-chunked.png"},
                                 {url("/logo/aik.png"), "aik.png"}});
    d.wait();
    ASSERT_EQ(d.outcomes().size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(d.outcomes()[i].ok);
        EXPECT_NE(d.outcomes()[i].error.find("larger than"), std::string::npos) << d.outcomes()[i].error;
    }
    EXPECT_TRUE(d.outcomes()[2].ok) << d.outcomes()[2].error;
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"aik.png"});
}

// Why a logo is missing is told in the player's language, not in English.
TEST_F(LogoServer, FailuresInThePlayersLanguage) {
    TempDir dir;
    const testing::InLanguage finnish(core::LangFinnish);
    const std::vector<std::pair<std::string, int>> cases = {
        {"/missing.png", 4101}, {"/portal.png", 4107}, {"/huge.png", 4109}};
    std::vector<LogoJob> jobs;
    for (const auto& [path, message] : cases) jobs.push_back({url(path), path.substr(1)});
    LogoDownloads d(dir.path(), jobs);
    d.wait();
    ASSERT_EQ(d.outcomes().size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string& error = d.outcomes()[i].error;
        for (const std::string& piece : testing::FixedPieces(core::Msg(cases[i].second)))
            EXPECT_NE(error.find(piece), std::string::npos) << error;
        EXPECT_EQ(testing::EnglishWords(error, {url(cases[i].first)}), std::vector<std::string>{}) << error;
    }
}

TEST_F(LogoServer, StalledTransferFailsAndCancelEndsQuickly) {
    TempDir dir;
    {
        LogoDownloads d(dir.path(), {{url("/stalled.png"), "stalled.png"}});
        d.wait();  // the stall time-out of 1 s ends it
        ASSERT_EQ(d.outcomes().size(), 1u);
        EXPECT_FALSE(d.outcomes()[0].ok);
    }
    stop_ = false;
    const auto start = std::chrono::steady_clock::now();
    {
        net::HttpOptions o;
        o.stallTimeoutMs = 60000;
        net::SetHttpOptions(o);
        LogoDownloads d(dir.path(), {{url("/stalled.png"), "stalled.png"}, {url("/logo/aik.png"), "aik.png"}}, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }  // the destructor cancels: the stalled transfer and the queued one end now
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(Listing(dir.path()).empty());
}

TEST(LogoDownloads, NothingToDoIsFinishedAtOnce) {
    TempDir dir;
    LogoDownloads d(dir.path() / "never", {});
    EXPECT_TRUE(d.finished());
    EXPECT_FALSE(fs::exists(dir.path() / "never"));
}

}  // namespace
}  // namespace vinra::stats
