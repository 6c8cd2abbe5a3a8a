#include "net/update_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "core/ini.h"
#include "core/system_document.h"
#include "net/http.h"
#include "tests/temp_dir.h"
#include "tests/tiny_http_server.h"

namespace vinra::net {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

constexpr auto UnusedPort = vinra::testing::UnusedLoopbackPort;

// The web service's three files, served from a map the test fills; a missing
// path answers 404. Counts the requests per path.
class FakeService {
public:
    FakeService() {
        svr_.Get(".*", [this](const httplib::Request& q, httplib::Response& r) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++hits_[q.path];
            auto it = files_.find(q.path);
            if (it == files_.end()) {
                r.status = 404;
                r.set_content("<html><body>Not found</body></html>", "text/html");
                return;
            }
            r.set_content(it->second, "text/plain");
        });
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 250 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~FakeService() {
        svr_.stop();
        thread_.join();
    }
    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void Serve(const std::string& path, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        files_[path] = body;
    }
    void Remove(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        files_.erase(path);
    }
    int Hits(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_[path];
    }

private:
    httplib::Server svr_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::map<std::string, int> hits_;
};

struct RecordingUi : UpdateCheckUi {
    std::vector<std::string> log;  // "info:", "ask:", "open:" + text
    bool answer = false;
    void ShowInfo(const std::string& text) override { log.push_back("info:" + text); }
    bool AskYesNo(const std::string& text) override {
        log.push_back("ask:" + text);
        return answer;
    }
    void OpenUrl(const std::string& url) override { log.push_back("open:" + url); }
};

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        HttpOptions o;
        o.connectTimeoutMs = 2000;
        o.stallTimeoutMs = 2000;
        SetHttpOptions(o);
        WriteBytes(file("update.ini"), LocalUpdateIni(svc.Host()));
        WriteBytes(file("teamstat.ini"), kOldTeamstat);
        WriteBytes(file("teamlogo.ini"), kOldTeamlogo);
    }
    static std::string LocalUpdateIni(const std::string& host) {
        return "[Update]\r\nPgmVersion=7.51\r\nIniVersion=700\r\n"
               "[Service]\r\nHost=" +
               host +
               "\r\n"
               "[S]\r\nXMLGetResultUrl=http://operator.example/results?draw=%d\r\n";
    }
    // What the service publishes; the data files at the default addresses.
    std::string ServiceUpdateIni(const std::string& iniVersion, const std::string& extra = "") const {
        return "[Update]\r\nPgmVersion=7.51\r\nIniVersion=" + iniVersion + "\r\n" + extra +
               "[S]\r\nXMLGetResultUrl=http://operator.example/v2/results?draw=%d\r\n";
    }
    fs::path file(const std::string& name) const { return dir.path() / name; }
    std::string Text(const std::string& name) const { return ReadBytes(file(name)); }
    std::string Key(const std::string& name, const std::string& section, const std::string& key) const {
        return core::IniFile::FromFile(file(name)).ReadString(section, key, "<absent>");
    }
    UpdateCheckResult Run() { return UpdateCheck(dir.path(), ui, "7.51"); }

    static constexpr const char* kOldTeamstat =
        "[Update]\r\nFileOK=1\r\n[Alias]\r\nMan Utd=Manchester United\r\nMy Local FC=Local Football Club\r\n"
        "[teams_svt]\r\nArsenal=Arsenal FC\r\n";
    static constexpr const char* kOldTeamlogo = "[Update]\r\nFileOK=1\r\n[Images]\r\nArsenal=http://x/old.jpg\r\n";
    static constexpr const char* kNewTeamstat =
        "[Update]\r\nFileOK=1\r\n[Alias]\r\nMan Utd=Manchester Utd\r\nSpurs=Tottenham\r\n[League]\r\nTottenham=PL\r\n";
    static constexpr const char* kNewTeamlogo = "[Images]\r\nArsenal=http://x/new.jpg\r\n[Update]\r\nFileOK=1\r\n";

    TempDir dir;
    FakeService svc;
    RecordingUi ui;
};

TEST(VersionGreater, ComparesAsText) {
    struct Case {
        const char* a;
        const char* b;
        bool greater;
    };
    const Case cases[] = {
        {"7.6", "7.51", true}, {"7.51", "7.51", false}, {"7.5", "7.51", false}, {"10.0", "7.51", false},
        {"700", "1000", true}, {"701", "700", true},    {"", "700", false},     {"\xC3\x85", "Z", true},
    };
    for (const Case& c : cases) EXPECT_EQ(VersionGreater(c.a, c.b), c.greater) << c.a << " vs " << c.b;
}

TEST_F(UpdateCheckTest, AFailedOrForeignReplyKeepsUpdateIniAndSaysNothing) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"404", [&] { svc.Remove("/vinra2000/ini/update.ini"); }},
        {"captive portal page",
         [&] { svc.Serve("/vinra2000/ini/update.ini", "<html><body>Log in to the Wi-Fi</body></html>"); }},
        {"INI without [Update]", [&] { svc.Serve("/vinra2000/ini/update.ini", "[S]\r\nXMLGetResultUrl=\r\n"); }},
        {"no service",
         [&] { WriteBytes(file("update.ini"), LocalUpdateIni("http://127.0.0.1:" + std::to_string(UnusedPort()))); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        const std::string local = Text("update.ini");
        const UpdateCheckResult r = Run();
        EXPECT_FALSE(r.updateIniReplaced);
        EXPECT_FALSE(r.updateIniError.empty());
        EXPECT_EQ(Text("update.ini"), local);
        EXPECT_FALSE(fs::exists(file("Update.tmp")));
        EXPECT_EQ(Text("teamstat.ini"), kOldTeamstat);
        EXPECT_EQ(Text("teamlogo.ini"), kOldTeamlogo);
        EXPECT_TRUE(ui.log.empty());
    }
    EXPECT_EQ(svc.Hits("/vinra2000/ini/teamstat.ini"), 0);
}

TEST_F(UpdateCheckTest, ANewerDataSetRefreshesBothFilesAndKeepsTheUsersMappings) {
    svc.Serve("/vinra2000/ini/update.ini", ServiceUpdateIni("701"));
    svc.Serve("/vinra2000/ini/teamstat.ini", kNewTeamstat);
    svc.Serve("/vinra2000/ini/teamlogo.ini", kNewTeamlogo);
    const std::string oldUpdate = Text("update.ini");

    const UpdateCheckResult r = Run();
    EXPECT_TRUE(r.updateIniReplaced);
    EXPECT_TRUE(r.dataFilesDue);
    EXPECT_TRUE(r.teamstatRefreshed && r.teamlogoRefreshed) << ::testing::PrintToString(r.dataFileErrors);

    // update.ini is the service's, with the user's own service address kept.
    EXPECT_EQ(Key("update.ini", "S", "XMLGetResultUrl"), "http://operator.example/v2/results?draw=%d");
    EXPECT_EQ(Key("update.ini", "Update", "IniVersion"), "701");
    EXPECT_EQ(Key("update.ini", "Service", "Host"), svc.Host());
    EXPECT_EQ(Text("update.ini.old"), oldUpdate);
    EXPECT_FALSE(fs::exists(file("Update.tmp")));

    // The service's names win; names only the user has stay.
    EXPECT_EQ(Key("teamstat.ini", "Alias", "Man Utd"), "Manchester Utd");
    EXPECT_EQ(Key("teamstat.ini", "Alias", "Spurs"), "Tottenham");
    EXPECT_EQ(Key("teamstat.ini", "Alias", "My Local FC"), "Local Football Club");
    EXPECT_EQ(Key("teamstat.ini", "teams_svt", "Arsenal"), "Arsenal FC");
    EXPECT_EQ(Key("teamstat.ini", "League", "Tottenham"), "PL");
    EXPECT_EQ(Text("teamstat.ini.old"), kOldTeamstat);
    // Nothing to merge in teamlogo.ini: the service's bytes as they came.
    EXPECT_EQ(Text("teamlogo.ini"), kNewTeamlogo);
    EXPECT_EQ(Text("teamlogo.ini.old"), kOldTeamlogo);
    EXPECT_TRUE(ui.log.empty());
}

TEST_F(UpdateCheckTest, TheSameDataSetRefreshesNothing) {
    svc.Serve("/vinra2000/ini/update.ini", ServiceUpdateIni("700"));
    svc.Serve("/vinra2000/ini/teamstat.ini", kNewTeamstat);
    const UpdateCheckResult r = Run();
    EXPECT_TRUE(r.updateIniReplaced);
    EXPECT_FALSE(r.dataFilesDue);
    EXPECT_EQ(svc.Hits("/vinra2000/ini/teamstat.ini"), 0);
    EXPECT_EQ(svc.Hits("/vinra2000/ini/teamlogo.ini"), 0);
    EXPECT_EQ(Text("teamstat.ini"), kOldTeamstat);
}

TEST_F(UpdateCheckTest, AnIncompleteDataFileIsKeptAndTriedAgainNextTime) {
    svc.Serve("/vinra2000/ini/update.ini", ServiceUpdateIni("701"));
    svc.Serve("/vinra2000/ini/teamstat.ini", kNewTeamstat);
    svc.Serve("/vinra2000/ini/teamlogo.ini", "[Images]\r\nArsenal=http://x/half");  // cut short, no FileOK

    UpdateCheckResult r = Run();
    EXPECT_TRUE(r.teamstatRefreshed);
    EXPECT_FALSE(r.teamlogoRefreshed);
    ASSERT_EQ(r.dataFileErrors.size(), 1u);
    EXPECT_THAT(r.dataFileErrors[0], HasSubstr("teamlogo.ini"));
    EXPECT_EQ(Text("teamlogo.ini"), kOldTeamlogo);
    EXPECT_FALSE(fs::exists(file("teamlogo.ini.tmp")));
    EXPECT_EQ(Key("update.ini", "Update", "IniVersion"), "700");
    EXPECT_EQ(Key("update.ini", "S", "XMLGetResultUrl"), "http://operator.example/v2/results?draw=%d");

    // A teamstat.ini download that fails outright is kept too.
    svc.Remove("/vinra2000/ini/teamstat.ini");
    svc.Serve("/vinra2000/ini/teamlogo.ini", kNewTeamlogo);
    r = Run();
    EXPECT_FALSE(r.teamstatRefreshed);
    EXPECT_TRUE(r.teamlogoRefreshed);
    EXPECT_THAT(r.dataFileErrors, ElementsAre(HasSubstr("teamstat.ini")));
    EXPECT_EQ(Key("teamstat.ini", "Alias", "Spurs"), "Tottenham");
    EXPECT_EQ(Text("teamlogo.ini"), kNewTeamlogo);
    EXPECT_EQ(Key("update.ini", "Update", "IniVersion"), "700");

    svc.Serve("/vinra2000/ini/teamstat.ini", kNewTeamstat);
    r = Run();
    EXPECT_TRUE(r.teamstatRefreshed && r.teamlogoRefreshed);
    EXPECT_EQ(Key("update.ini", "Update", "IniVersion"), "701");
}

TEST_F(UpdateCheckTest, MessagesComeInOrderAndANewerProgramIsOffered) {
    const std::string extra =
        "PgmVersion=7.6\r\nPgmUrl=http://maker.example/download\r\nPgmInfo=Close the program before installing.\r\n"
        "IniInfo=New club list.\r\nVarning=Service pause on Sunday.\r\n";
    svc.Serve("/vinra2000/ini/update.ini", "[Update]\r\n" + extra + "IniVersion=700\r\n");
    ui.answer = true;
    EXPECT_TRUE(Run().newerProgram);
    ASSERT_EQ(ui.log.size(), 5u);
    EXPECT_EQ(ui.log[0], "info:New club list.");
    EXPECT_THAT(ui.log[1], HasSubstr("ask:"));
    EXPECT_THAT(ui.log[1], HasSubstr("(7.6)"));
    EXPECT_EQ(ui.log[2], "open:http://maker.example/download");
    EXPECT_EQ(ui.log[3], "info:Close the program before installing.");
    EXPECT_EQ(ui.log[4], "info:Service pause on Sunday.");

    ui.log.clear();
    ui.answer = false;
    Run();
    EXPECT_THAT(ui.log, ElementsAre("info:New club list.", HasSubstr("ask:"), "info:Service pause on Sunday."));

    // Not newer as text: no question. A missing PgmUrl defaults to the service.
    for (const char* version : {"7.51", "10.0"}) {
        ui.log.clear();
        svc.Serve("/vinra2000/ini/update.ini", std::string("[Update]\r\nPgmVersion=") + version + "\r\n");
        EXPECT_FALSE(Run().newerProgram) << version;
        EXPECT_TRUE(ui.log.empty()) << version;
    }
    const UpdateInfo info = ReadUpdateInfo(core::IniFile::FromText("[Update]\r\n"), "http://h", "7.51");
    EXPECT_EQ(info.pgmVersion, "7.51");
    EXPECT_EQ(info.pgmUrl, "http://h/vinra2000/");
    EXPECT_EQ(info.iniVersion, "700");
    EXPECT_EQ(info.iniUrl, "http://h/vinra2000/ini/teamstat.ini");
    EXPECT_EQ(info.teamLogo, "http://h/vinra2000/ini/teamlogo.ini");
}

TEST_F(UpdateCheckTest, PrepareConnectionChecksOncePerRun) {
    ResetPrepareConnection();
    svc.Serve("/vinra2000/ini/update.ini", ServiceUpdateIni("700", "Varning=Once only\r\n"));
    UpdateCheckResult r;
    EXPECT_TRUE(PrepareConnection(dir.path(), ui, &r));
    EXPECT_TRUE(r.updateIniReplaced);
    EXPECT_TRUE(PrepareConnection(dir.path(), ui));
    EXPECT_EQ(svc.Hits("/vinra2000/ini/update.ini"), 1);
    EXPECT_THAT(ui.log, ElementsAre("info:Once only"));

    // A check that cannot reach the service still completes the preparation.
    ResetPrepareConnection();
    svc.Remove("/vinra2000/ini/update.ini");
    EXPECT_TRUE(PrepareConnection(dir.path(), ui));
    EXPECT_TRUE(PrepareConnection(dir.path(), ui));
    EXPECT_EQ(svc.Hits("/vinra2000/ini/update.ini"), 2);
    ResetPrepareConnection();
}

TEST(HelpPageUrl, BuildsTheServicePath) {
    EXPECT_EQ(HelpPageUrl("http://h:8080/", 10000, "main.htm"), "http://h:8080/vinra2000/help/10000/html/main.htm");
    EXPECT_EQ(HelpPageUrl("http://h", 0, "a b/../c.htm"), "http://h/vinra2000/help/0/html/a%20b%2F..%2Fc.htm");
}

}  // namespace
}  // namespace vinra::net
