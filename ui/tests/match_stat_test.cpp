// The match statistics window against a real server on 127.0.0.1: the
// round's details and the team logos of the fixture round.
#include "ui/stats/match_stat.h"

#include <httplib.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QTableWidget>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "core/messages.h"
#include "core/settings.h"
#include "net/game_info.h"
#include "net/http.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/grid_panel.h"
#include "ui/stats/game_wizard.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

std::string Png(int hue) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setBrush(QColor::fromHsv(hue % 360, 170, 200));
    p.drawEllipse(2, 2, 20, 20);
    p.end();
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    pm.save(&buf, "PNG");
    return bytes.toStdString();
}

// The operator's details document for the fixture teams; `firstHome` replaces
// the first home team, `dropLastAway` leaves one bortalag out.
std::string DetailsXml(const std::string& firstHome, bool dropLastAway = false) {
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kupong>\n";
    const auto& homes = FixtureHomes();
    const auto& aways = FixtureAways();
    for (size_t i = 0; i < homes.size(); ++i) {
        x += "<match><hemmalag>" + (i == 0 ? firstHome : homes[i]) + "</hemmalag>";
        if (!(dropLastAway && i + 1 == homes.size())) x += "<bortalag>" + aways[i] + "</bortalag>";
        x += "<tips>1X</tips><kommentar>Form\nand injuries</kommentar>";
        x += "<val1>45</val1><valx>28.5</valx><val2>26.5</val2>";              // people
        x += "<val1>6</val1><valx>3</valx><val2>1</val2>";                     // newspapers
        x += "<val1>2.10</val1><valx>3.40</valx><val2>3.60</val2></match>\n";  // odds
    }
    return x + "</kupong>\n";
}

class MatchStatTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        net::HttpOptions o;
        o.connectTimeoutMs = 2000;
        o.stallTimeoutMs = 1000;
        net::SetHttpOptions(o);
        details_ = DetailsXml("Arsenal");
        svr_.Get(R"(/details/(\d+)\.xml)", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            if (mode_ == "404") {
                res.status = 404;
            } else if (mode_ == "slow") {
                // A silent service that answers after 3 s, or when the test ends.
                for (int i = 0; i < 300 && !stop_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                std::lock_guard<std::mutex> lock(mutex_);
                res.set_content(details_, "text/xml");
            } else if (mode_ == "stall") {
                res.set_chunked_content_provider("text/xml", [this](size_t, httplib::DataSink& sink) {
                    sink.write("<kupong>", 8);
                    for (int i = 0; i < 100 && !stop_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return false;
                });
            } else {
                std::lock_guard<std::mutex> lock(mutex_);
                res.set_content(req.matches[1].str() == drawServed_ ? details_ : std::string("<kupong/>"), "text/xml");
            }
        });
        svr_.Get(R"(/img/logo(\d+)\.png)", [this](const httplib::Request& req, httplib::Response& res) {
            count(req.path);
            std::this_thread::sleep_for(std::chrono::milliseconds(logoDelayMs_.load()));
            res.set_content(Png(std::stoi(req.matches[1].str()) * 37), "image/png");
        });
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });

        program_->updateIni = core::IniFile::FromText("[S]\nName=Stryktipset\nDetails=" + url("/details/%s.xml") +
                                                      "\n[I]\nName=Europatipset\n");
        WriteClubFiles();
        auto& doc = program_->doc;
        doc.Typ = "S";
        doc.Pool = "Stryktipset";
        doc.Country = "Svenska Spel";
        doc.OmgID = 4852;  // a round the games database does not know yet
        doc.Omg = "2026-51";
        // The update check has tests of its own; here it only has to run first.
        opts_.prepareConnection = [this] {
            ++prepared_;
            return mode_ != "prepare-fails";
        };
    }
    void TearDown() override {
        stop_ = true;
        svr_.stop();
        thread_.join();
        net::SetHttpOptions(net::HttpOptions{});
        UiFixture::TearDown();
    }

    // teamstat.ini / teamlogo.ini with every club of the round on the test
    // server (Arsenal through its alias); logo0.png is in the cache already.
    void WriteClubFiles() {
        const fs::path data = home() / "Program";
        std::string stat = "[Alias]\r\nArsenal=Arsenal FC\r\n[Update]\r\nFileOK=1\r\n";
        std::string logo = "[Images]\r\n";
        std::vector<std::string> teams = FixtureHomes();
        teams.insert(teams.end(), FixtureAways().begin(), FixtureAways().end());
        for (size_t i = 0; i < teams.size(); ++i)
            logo += (teams[i] == "Arsenal" ? std::string("Arsenal FC") : teams[i]) + "=" +
                    url("/img/logo" + std::to_string(i) + ".png") + "\r\n";
        logo += "Sneaky=" + url("/img/..") + "\r\n[Update]\r\nFileOK=1\r\n";
        vinra::testing::WriteBytes(data / "teamstat.ini", stat);
        vinra::testing::WriteBytes(data / "teamlogo.ini", logo);
        fs::create_directories(images());
        vinra::testing::WriteBytes(images() / "logo0.png", Png(0));
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    fs::path images() const { return home() / "Program" / "Cache" / "Images"; }
    fs::path infoFile() const { return net::GameInfoFile(home() / "Program", "Stryktipset", 4852); }
    void count(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++hits_[path];
    }
    int hits(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_[path];
    }
    // Lets the event loop run until done() or the time is up.
    static bool WaitFor(const std::function<bool()>& done, int ms = 8000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    }

    httplib::Server svr_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::map<std::string, int> hits_;
    std::string details_;
    std::string drawServed_ = "4852";
    std::string mode_;
    std::atomic<bool> stop_{false};
    std::atomic<int> logoDelayMs_{0};
    MatchStatOptions opts_;
    int prepared_ = 0;
};

TEST_F(MatchStatTest, FetchesDetailsStoresTheGamesAndLoadsMissingLogosOnce) {
    bool arrived = false;
    MatchStatOptions options = opts_;
    options.logosArrived = [&] { arrived = true; };
    ASSERT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, options));
    EXPECT_TRUE(prompter_.Texts("error").empty());
    EXPECT_EQ(prepared_, 1);

    const auto info = core::IniFile::FromFile(infoFile());
    EXPECT_EQ(info.ReadString("Game0", "Home"), "Arsenal");
    EXPECT_EQ(info.ReadString("Game12", "Away"), "Ipswich");
    EXPECT_EQ(info.ReadString("Game3", "People1"), "45.0");
    const auto games = program_->db.RoundGames(4852, "S");
    ASSERT_EQ(games.size(), 13u);
    EXPECT_EQ(games[0].Omg, 202651);
    EXPECT_EQ(games[12].Home, "Watford");
    EXPECT_EQ(games[12].Away, "Ipswich");

    ASSERT_TRUE(WaitFor([&] { return arrived; }));
    for (int i = 1; i < 26; ++i) EXPECT_TRUE(fs::exists(images() / ("logo" + std::to_string(i) + ".png"))) << i;
    EXPECT_EQ(hits("/img/logo0.png"), 0);  // Arsenal's logo was in the cache
    EXPECT_EQ(hits("/img/logo1.png"), 1);

    // Running again replaces the information file and fetches no logo twice.
    details_ = DetailsXml("Arsenal Reserves");
    arrived = false;
    ASSERT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, options));
    EXPECT_EQ(core::IniFile::FromFile(infoFile()).ReadString("Game0", "Home"), "Arsenal Reserves");
    EXPECT_EQ(program_->db.RoundGames(4852, "S")[0].Home, "Arsenal Reserves");
    EXPECT_EQ(hits("/details/4852.xml"), 2);
    EXPECT_EQ(hits("/img/logo1.png"), 1);
    EXPECT_FALSE(arrived);
    // Nothing but logos (no temporary or escaped names) in the picture cache.
    for (const auto& e : fs::directory_iterator(images()))
        EXPECT_EQ(e.path().filename().string().rfind("logo", 0), 0u) << e.path();
    EXPECT_FALSE(fs::exists(home() / "Program" / "~ss.xml"));
}

// A round text without year and week stores no matches under a round 0; the
// rest of the run goes on.
TEST_F(MatchStatTest, AMalformedRoundTextStoresNoGames) {
    program_->doc.Omg = "2026-5";
    ASSERT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, opts_));
    EXPECT_TRUE(program_->db.RoundGames(4852, "S").empty());
    EXPECT_EQ(core::IniFile::FromFile(infoFile()).ReadString("Game0", "Home"), "Arsenal");
}

// Run from the game wizard, the statistics window's logo downloads outlive it
// and reach the cache.
TEST_F(MatchStatTest, LogosArriveWhenTheGameWizardRanTheStatistics) {
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* w = qobject_cast<TfrmGameWiz*>(QApplication::activeModalWidget())) static_cast<QDialog*>(w)->reject();
    });
    closer.start();
    RunGameWizard(*program_, prompter_, window_->Session(), 1, window_.get(), opts_);
    closer.stop();
    EXPECT_TRUE(prompter_.Texts("error").empty());
    ASSERT_TRUE(WaitFor([&] { return fs::exists(images() / "logo25.png"); }));
    for (int i = 1; i < 26; ++i) EXPECT_TRUE(fs::exists(images() / ("logo" + std::to_string(i) + ".png"))) << i;
}

TEST_F(MatchStatTest, FailuresShowTheMessageAndKeepTheGoodFile) {
    // A good file of the round from an earlier run.
    ASSERT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, opts_));
    const std::string good = vinra::testing::ReadBytes(infoFile());
    struct Case {
        const char* mode;
        bool dropLastAway;
        const char* reasonPart;
    } cases[] = {
        {"404", false, "refused"},
        {"stall", false, "fetched"},
        {"", true, "bortalag"},
        {"prepare-fails", false, ""},  // the update check stopped it: no transfer at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        prompter_.shown.clear();
        mode_ = c.mode;
        details_ = DetailsXml("Changed", c.dropLastAway);
        QElapsedTimer t;
        t.start();
        const int before = hits("/details/4852.xml");
        EXPECT_FALSE(ShowMatchStatistics(window_.get(), *program_, prompter_, opts_));
        EXPECT_EQ(hits("/details/4852.xml"), before + (mode_ == "prepare-fails" ? 0 : 1));
        EXPECT_LT(t.elapsed(), 6000);
        const auto errors = prompter_.Texts("error");
        ASSERT_EQ(errors.size(), 1u);
        // The English program says it in English: no fixed Swedish text shows through.
        EXPECT_TRUE(errors[0].startsWith(QString::fromStdString(core::Msg(1104))));
        EXPECT_EQ(errors[0].indexOf(QString::fromUtf8("Något")), -1);
        EXPECT_TRUE(errors[0].contains(QLatin1String(c.reasonPart), Qt::CaseInsensitive)) << errors[0].toStdString();
        EXPECT_EQ(vinra::testing::ReadBytes(infoFile()), good);
    }
}

// The window that froze for minutes: with a service that answers after 3 s
// it paints all the while, and its Cancel ends the run at once, quietly.
TEST_F(MatchStatTest, ASlowServiceKeepsTheWindowAliveAndCancelEndsTheRun) {
    net::HttpOptions o;
    o.connectTimeoutMs = 2000;
    o.stallTimeoutMs = 10000;
    net::SetHttpOptions(o);
    mode_ = "slow";
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    QElapsedTimer took;
    took.start();
    {
        TfrmMatchStat w(*program_, prompter_, opts_, window_.get());
        w.show();
        ASSERT_TRUE(WaitFor([&] { return !w.isVisible(); }));
        EXPECT_TRUE(w.succeeded());
        EXPECT_GE(took.elapsed(), 2900);
        EXPECT_LT(longestGap, 250) << "the GUI thread stood still";
        std::printf(
            "[ measured ] statistics, 3 s reply: longest gap between 10 ms timer ticks %lld ms, "
            "job timer %lld ms\n",
            static_cast<long long>(longestGap), static_cast<long long>(w.longestTickGapMs()));
    }
    EXPECT_EQ(core::IniFile::FromFile(infoFile()).ReadString("Game0", "Home"), "Arsenal");

    // Cancel while the service is silent: the window closes within a moment,
    // nothing is reported as an error and the good file stays.
    const std::string good = vinra::testing::ReadBytes(infoFile());
    details_ = DetailsXml("Changed");
    prompter_.shown.clear();
    TfrmMatchStat w(*program_, prompter_, opts_, window_.get());
    w.show();
    ASSERT_TRUE(WaitFor([&] { return w.statusText().startsWith(QString::fromStdString(core::Msg(347))); }));
    took.restart();
    w.cancelButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !w.isVisible(); }, 2500));
    EXPECT_LT(took.elapsed(), 2000);
    EXPECT_TRUE(w.cancelled());
    EXPECT_FALSE(w.succeeded());
    EXPECT_TRUE(prompter_.Texts("error").empty());
    EXPECT_EQ(vinra::testing::ReadBytes(infoFile()), good);
}

TEST_F(MatchStatTest, OtherPoolsAndRoundsWithoutTemplateEndAtOnce) {
    program_->doc.Typ = "A";
    program_->doc.Pool = "Tipping Lørdag";
    TfrmMatchStat w(*program_, prompter_, opts_, window_.get());
    w.show();
    ASSERT_TRUE(WaitFor([&] { return !w.isVisible(); }));
    EXPECT_TRUE(w.succeeded());
    EXPECT_EQ(prepared_, 0);  // nothing to fetch, so no connection either
    EXPECT_EQ(w.statusText().toStdString(), core::Msg(353));

    program_->doc.Typ = "I";  // Europatipset: update.ini has no Details for it
    program_->doc.Pool = "Europatipset";
    EXPECT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, opts_));
    EXPECT_TRUE(prompter_.Texts("error").empty());
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_TRUE(hits_.empty());
}

TEST_F(MatchStatTest, LogosOfAClosedOwnerNeverReport) {
    logoDelayMs_ = 300;
    bool arrived = false;
    auto owner = std::make_unique<QObject>();  // say a wizard's main window
    MatchStatOptions options = opts_;
    options.logosArrived = [&] { arrived = true; };
    options.logoOwner = owner.get();
    ASSERT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, options));
    owner.reset();  // cancels the downloads that still run and waits for them
    // Left alone, the 25 logos would take about two seconds.
    WaitFor([] { return false; }, 2500);
    EXPECT_FALSE(arrived);
    int files = 0;
    for (const auto& e : fs::directory_iterator(images())) {
        EXPECT_NE(e.path().filename().string().front(), '.') << "temporary file left: " << e.path();
        ++files;
    }
    EXPECT_LT(files, 26);  // logo0.png was there before; the rest were stopped
}

TEST_F(MatchStatTest, ScreenshotWhileFetching) {
    mode_ = "stall";
    TfrmMatchStat w(*program_, prompter_, opts_, window_.get());
    w.show();
    EXPECT_EQ(w.windowTitle().toStdString(), core::Msg(56));
    ASSERT_TRUE(WaitFor([&] { return w.statusText().startsWith(QString::fromStdString(core::Msg(347))); }));
    EXPECT_EQ(w.statusText().toStdString(), core::Msg(347) + "4852.xml");
    WaitFor([] { return false; }, 200);
    const char* dir = std::getenv("VINRA_SCREENSHOT_DIR");
    const fs::path out = (dir && *dir) ? fs::path(dir) : home();
    fs::create_directories(out);
    EXPECT_TRUE(w.grab().save(QString::fromStdString((out / "match_stat.png").string())));
    stop_ = true;
    ASSERT_TRUE(WaitFor([&] { return !w.isVisible(); }));
    EXPECT_FALSE(w.succeeded());
}

}  // namespace
}  // namespace vinra::ui::testing

#ifdef VINRA_WITH_SERVICE
#include "net/update_check.h"
#include "service/server.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

// The whole way on a new installation: the update check against the real web
// service with its sample season, the round's information and logos, and the
// main window showing the round with its logos.
TEST_F(UiFixture, StatisticsAgainstTheWebServiceFillsTheRoundAndItsLogos) {
    service::VinraService service(
        {fs::path(VINRA_SOURCE_DIR) / "service" / "data", "", [] { return std::string("2026-12-10 12:00"); }});
    httplib::Server svr;
    service.Register(svr);
    const int port = svr.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { svr.listen_after_bind(); });
    struct Stop {
        httplib::Server& s;
        std::thread& t;
        ~Stop() {
            s.stop();
            t.join();
            net::ResetPrepareConnection();
        }
    } stop{svr, thread};
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const fs::path data = home() / "Program";
    vinra::testing::WriteBytes(data / "update.ini", "[Service]\r\nHost=" + base + "\r\n[Update]\r\nIniVersion=700\r\n");
    fs::remove(data / "teamstat.ini");
    fs::remove(data / "teamlogo.ini");
    program_->LoadDataFiles();
    net::ResetPrepareConnection();

    auto& doc = program_->doc;
    doc.Typ = "S";
    doc.Pool = "Stryktipset";
    doc.Country = "Svenska Spel";
    doc.OmgID = 4851;
    doc.Omg = "2026-50";
    bool arrived = false;
    MatchStatOptions options;  // the real update check runs first
    options.logosArrived = [&] { arrived = true; };
    ASSERT_TRUE(ShowMatchStatistics(window_.get(), *program_, prompter_, options));
    EXPECT_TRUE(prompter_.Texts("error").empty());
    EXPECT_TRUE(fs::exists(data / "teamlogo.ini"));  // refreshed by the update check

    const auto info = core::IniFile::FromFile(net::GameInfoFile(data, "Stryktipset", 4851));
    EXPECT_EQ(info.ReadString("Game0", "Home"), "Dunmere United");
    EXPECT_EQ(info.ReadString("Game0", "People2"), "46.8");
    const auto games = program_->db.RoundGames(4851, "S");
    ASSERT_EQ(games.size(), 13u);
    EXPECT_EQ(games[0].Home, "Dunmere United");  // the fixture's names were replaced
    EXPECT_EQ(games[0].Away, "Ashford Town");

    QElapsedTimer t;
    t.start();
    while (!arrived && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(arrived);
    const auto teams = stats::ReadRoundTeams(net::GameInfoFile(data, "Stryktipset", 4851), data);
    int logos = 0;
    for (const auto* list : {&teams.homeLogos, &teams.awayLogos})
        for (const auto& url : *list)
            if (!url.empty()) {
                EXPECT_TRUE(fs::exists(data / "Cache" / "Images" / stats::LogoFileName(url))) << url;
                ++logos;
            }
    EXPECT_EQ(logos, 26);

    // The main window takes the round over with its logos.
    window_->NewSystem(false);
    window_->resize(1100, 720);
    window_->show();
    QApplication::processEvents();
    EXPECT_EQ(window_->HomeTeams().front(), "Dunmere United");
    const QVariant logo = window_->Grid()->item(0, 2)->data(Qt::DecorationRole);
    EXPECT_FALSE(logo.value<QPixmap>().isNull());

    // The people's percentage under each sign (29.5, 23.8, 46.8 for match 1),
    // also under a sign outside the frame; the System menu's toggle hides
    // them and is kept in the settings file.
    const auto people = [&](int row, int sign) {
        return window_->Grid()->item(row, 5 + sign)->data(kPeopleRole).toString();
    };
    EXPECT_EQ(people(0, 0), QStringLiteral("30%"));
    EXPECT_EQ(people(0, 1), QStringLiteral("24%"));
    EXPECT_EQ(people(0, 2), QStringLiteral("47%"));
    QAction* toggle = window_->Commands().Action(QStringLiteral("actShowPeople"));
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isChecked());
    window_->Commands().Trigger(QStringLiteral("actShowPeople"));
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(people(0, 2), QString());
    core::SettingsFile saved(program_->settingsFile().path());
    EXPECT_FALSE(saved.Load().showPeople);
    window_->Commands().Trigger(QStringLiteral("actShowPeople"));
    EXPECT_EQ(people(12, 0).isEmpty(), false);
    // A round without information shows none.
    window_->Session().Change(DocPart::Round, false, [](core::TVinraFile& d) { d.OmgID = 4711; });
    EXPECT_EQ(people(0, 2), QString());
    if (const char* dir = std::getenv("VINRA_SCREENSHOT_DIR"); dir && *dir) {
        fs::create_directories(dir);
        window_->grab().save(QString::fromStdString((fs::path(dir) / "main_after_statistics.png").string()));
    }
}

// The statistics file the windows look for is the one the download writes,
// and a pool name from a file cannot lead it out of the cache folder.
TEST_F(UiFixture, StatisticsFileIsTheGameInformationFile) {
    auto& doc = program_->doc;
    const fs::path cache = program_->DataFolder() / "Cache" / "Data";
    for (const char* pool : {"Stryktipset", "../../../etc/x", "a/b\\c:d", ".."}) {
        SCOPED_TRACE(pool);
        doc.Pool = pool;
        doc.OmgID = 4851;
        const fs::path file = program_->StatisticsFile();
        EXPECT_EQ(file, net::GameInfoFile(program_->DataFolder(), doc.Pool, doc.OmgID));
        EXPECT_EQ(file.parent_path(), cache);
    }
}
}  // namespace
}  // namespace vinra::ui::testing
#endif
