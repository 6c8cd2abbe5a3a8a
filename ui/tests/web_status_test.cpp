// The games and results download window and the SVT team mapping, offscreen,
// against a results service on 127.0.0.1.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/http.h"
#include "net/tests/short_timeouts.h"
#include "tests/temp_dir.h"
#include "ui/net/svt_teams.h"
#include "ui/net/web_status.h"
#include "ui/tests/support/scripted_prompter.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::WriteBytes;
namespace fs = std::filesystem;

constexpr int kCurrentDraw = 4851;  // week 2026-50

// The results XML of a draw: draw 4851 is week 50, each earlier draw a week before.
std::string RoundXml(int draw, int signShift = 0) {
    const int week = 50 - (kCurrentDraw - draw);
    std::string x = "<?xml version=\"1.0\" encoding=\"utf-8\"?><resultat><omgang>" + std::to_string(draw) +
                    "</omgang><vecka>2026-" + std::to_string(week) + "</vecka>";
    const char* signs = "1X2";
    for (int m = 1; m <= 13; ++m)
        x += "<match><hemmalag>Home" + std::to_string(m) + "</hemmalag><bortalag>Away" + std::to_string(m) +
             "</bortalag><tecken>" + signs[(m + draw + signShift) % 3] + "</tecken></match>";
    x += "<utdelning><niva><belopp>1 500 000</belopp><antal>2</antal></niva><niva><belopp>12 345</belopp>"
         "<antal>34</antal></niva><niva><belopp>310</belopp><antal>987</antal></niva><niva><belopp>45</belopp>"
         "<antal>5000</antal></niva></utdelning></resultat>";
    return x;
}

class WebStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::SetCurrentLanguage(core::LangEnglish);
        svr_.Get("/api/svenskaspel/XMLresultatProxy.php", [this](const httplib::Request& req, httplib::Response& res) {
            ++hits_;
            const int draw = req.has_param("omgang") ? std::atoi(req.get_param_value("omgang").c_str()) : kCurrentDraw;
            if (draw > kCurrentDraw || draw == missingDraw_) {
                res.status = 404;
                return;
            }
            std::string xml = RoundXml(draw, req.has_param("half") ? 1 : 0);
            if (req.has_param("halfdraws")) {
                // A half-time page numbering its draws its own way.
                const std::string own = "<omgang>" + std::to_string(draw) + "</omgang>";
                xml.replace(xml.find(own), own.size(), "<omgang>" + std::to_string(draw + 50000) + "</omgang>");
            }
            res.set_content(xml, "text/xml");
        });
        svr_.Get("/missing", [this](const httplib::Request&, httplib::Response& res) {
            ++hits_;
            res.status = 404;
        });
        port_ = svr_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_.listen_after_bind(); });
        for (int i = 0; i < 200 && !svr_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));

        data_ = dir_.path() / "Program";
        fs::create_directories(data_);
        WriteUpdateIni("/api/svenskaspel/XMLresultatProxy.php?produktid=1");
        WriteBytes(data_ / "teamstat.ini",
                   "[Alias]\r\nHome1=Home1\r\nAway1=Away1\r\nBrentford=Brentford\r\n[League]\r\nHome2=1\r\n");
        db_.Open(dir_.path() / "tips.sqlite");
        doc_.MatchCount = 13;
        doc_.Typ = "S";
        doc_.Pool = "Stryktipset";
        doc_.Omg = "2026-49";
        doc_.OmgID = 777;
    }
    void TearDown() override {
        svr_.stop();
        thread_.join();
    }
    void WriteUpdateIni(const std::string& path) {
        const std::string host = "http://127.0.0.1:" + std::to_string(port_);
        const std::string keys =
            "XMLOmgID=//omgang\r\nXMLResDBID=//omgang\r\n"
            "XMLCheckYear=//vecka\r\nXMLCheckWeek=//vecka\r\nXMLCheckWeekPos=6\r\n"
            "XMLCheckYearRes=//vecka\r\nXMLCheckWeekRes=//vecka\r\nXMLCheckWeekResPos=6\r\n"
            "XMLGetGamesHome=//match/hemmalag\r\nXMLGetGamesAway=//match/bortalag\r\n"
            "XMLGetRightRow=//match/tecken\r\nXMLGetMoney=//niva/belopp\r\nXMLGetWinners=//niva/antal\r\n";
        WriteBytes(data_ / "update.ini", "[Service]\r\nHost=" + host + "\r\n[I]\r\n" + keys +
                                             "[S]\r\nXMLGetGamesUrl=" + host + path +
                                             "\r\nXMLGetGamesParam=&omgang=%d\r\nXMLGetResultUrl=" + host + path +
                                             "\r\nXMLGetResultParam=&omgang=%d\r\n" + keys + "ResultLinkType=1\r\n");
    }
    std::unique_ptr<TfrmWebStatus> Open(TfrmWebStatus::Mode mode, std::vector<std::string> homes = {},
                                        core::PoolSettings pool = {}) {
        WebStatusContext c;
        c.pool = pool;
        c.doc = &doc_;
        c.db = &db_;
        c.prompter = &prompter_;
        c.dataFolder = data_;
        c.prepareConnection = [this] {
            ++prepared_;
            return true;
        };
        c.currentRound = [] { return std::string("2026-50"); };
        c.chooseRound = [this](const QString&, const std::string&,
                               const std::string&) -> std::optional<std::pair<std::string, std::string>> {
            if (rounds_.empty()) return std::nullopt;
            auto r = rounds_.front();
            rounds_.erase(rounds_.begin());
            return r;
        };
        return std::make_unique<TfrmWebStatus>(mode, std::move(c), std::move(homes));
    }
    QString Cell(QTableWidget* g, int r, int c) { return g->item(r, c)->text(); }

    vinra::testing::TempDir dir_;
    fs::path data_;
    httplib::Server svr_;
    int port_ = 0;
    std::thread thread_;
    net::testing::ShortTimeouts timeouts_{net::CurrentHttpOptions().connectTimeoutMs, 2000};
    std::atomic<int> hits_{0};
    int missingDraw_ = -1;
    int prepared_ = 0;
    std::vector<std::pair<std::string, std::string>> rounds_;
    core::TVinraFile doc_;
    checking::TTipsData db_;
    testing::ScriptedPrompter prompter_;
};

TEST_F(WebStatusTest, GamesModeGetShowsSavesAndEditsNames) {
    auto w = Open(TfrmWebStatus::Mode::Games, {"Old home"});
    EXPECT_EQ(w->YearText(), "2026");
    EXPECT_EQ(w->WeekText(), "49");
    EXPECT_EQ(Cell(w->Grid(), 0, 1), "Old home");
    w->btnGetClick();
    // The window showed last week: it moves to this week and says so.
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{QString::fromStdString(core::Msg(468))});
    EXPECT_TRUE(prompter_.Texts("error").empty()) << prompter_.Texts("error")[0].toStdString();
    EXPECT_EQ(prepared_, 1);
    EXPECT_EQ(w->WeekText(), "50");
    EXPECT_EQ(doc_.OmgID, kCurrentDraw);
    EXPECT_EQ(Cell(w->Grid(), 0, 1), "Home1");
    EXPECT_EQ(Cell(w->Grid(), 12, 2), "Away13");
    EXPECT_FALSE(w->CellMarked(0, 1));  // known
    EXPECT_FALSE(w->CellMarked(1, 1));  // known through [League]
    EXPECT_TRUE(w->CellMarked(2, 1));   // unknown
    ASSERT_EQ(db_.RoundGames(kCurrentDraw, "S").size(), 13u);

    // The list box over the cell: its text goes into the cell left.
    w->EditCell(2, 1);
    EXPECT_TRUE(w->TeamBox()->isVisibleTo(w.get()));
    EXPECT_EQ(w->TeamBox()->currentText(), "Home3");
    w->TeamBox()->setEditText("Brentford");
    w->EditCell(3, 2);
    EXPECT_EQ(Cell(w->Grid(), 2, 1), "Brentford");
    EXPECT_FALSE(w->CellMarked(2, 1));
    w->btnOKClick();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(db_.RoundGames(kCurrentDraw, "S")[2].Home, "Brentford");
    EXPECT_EQ(doc_.OmgID, kCurrentDraw);
    EXPECT_FALSE(fs::exists(data_ / "download.htm"));
}

TEST_F(WebStatusTest, ResultsModeFillsSignsAndPrizeGridAndStoresTheResult) {
    auto w = Open(TfrmWebStatus::Mode::Results);
    EXPECT_FALSE(w->HalfTimeGrid()->parentWidget()->isVisibleTo(w.get()));
    ASSERT_EQ(w->FullTimeGrid()->rowCount(), 4);
    w->btnGetClick();
    ASSERT_TRUE(prompter_.Texts("error").empty()) << prompter_.Texts("error")[0].toStdString();
    // Signs of draw 4851: match m gets "1X2"[(m + 4851) % 3].
    const std::string row = [] {
        std::string r;
        for (int m = 1; m <= 13; ++m) r += "1X2"[(m + kCurrentDraw) % 3];
        return r;
    }();
    for (int m = 0; m < 13; ++m) {
        const int column = 3 + static_cast<int>(std::string("1X2").find(row[m]));
        EXPECT_EQ(Cell(w->Grid(), m, column), QString(QChar(row[m]))) << m;
    }
    // The top level goes to the bottom line (13), going up.
    EXPECT_EQ(Cell(w->FullTimeGrid(), 3, 0), "1500000");
    EXPECT_EQ(Cell(w->FullTimeGrid(), 3, 1), "2");
    EXPECT_EQ(Cell(w->FullTimeGrid(), 0, 0), "45");
    const checking::TFacitRec rec = db_.FindResult("S", kCurrentDraw);
    ASSERT_TRUE(rec.found);
    EXPECT_EQ(rec.Rad, row);
    EXPECT_EQ(rec.Omg, 202650);
    EXPECT_EQ(rec.U(13), 150000000);
    EXPECT_EQ(rec.A(13), 2);
    EXPECT_EQ(rec.A(10), 5000);
}

TEST_F(WebStatusTest, FailedDownloadParsesNothingAndLeavesTheSystemAlone) {
    WriteUpdateIni("/missing");
    auto w = Open(TfrmWebStatus::Mode::Results, {"Mine"});
    w->btnGetClick();
    ASSERT_EQ(prompter_.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("error")[0].contains("HTTP error"));
    EXPECT_EQ(doc_.OmgID, 777);
    EXPECT_EQ(doc_.Typ, "S");
    EXPECT_EQ(Cell(w->Grid(), 0, 1), "Mine");
    EXPECT_EQ(db_.ResultCount(), 0u);
    EXPECT_EQ(db_.GameCount(), 0u);
}

TEST_F(WebStatusTest, IntervalByDrawNumberAndCancelGivesTheDrawNumberBack) {
    auto w = Open(TfrmWebStatus::Mode::Results);
    prompter_.inputs.push_back(QStringLiteral("2 weeks"));
    missingDraw_ = kCurrentDraw - 1;  // one round the service does not have
    prompter_.inputs.push_back(std::nullopt);
    w->btnIntervalClick();
    EXPECT_TRUE(db_.FindResult("S", kCurrentDraw).found);
    EXPECT_FALSE(db_.FindResult("S", kCurrentDraw - 1).found);
    EXPECT_TRUE(db_.FindResult("S", kCurrentDraw - 2).found);
    EXPECT_EQ(db_.FindResult("S", kCurrentDraw - 2).Omg, 202648);
    EXPECT_EQ(prompter_.Texts("error").size(), 1u);  // the missing round, and the run went on
    EXPECT_EQ(w->WeekText(), "48");
    w->btnCancelClick();
    EXPECT_EQ(doc_.OmgID, 777);
    // Cancel in the input box: nothing fetched.
    hits_ = 0;
    auto w2 = Open(TfrmWebStatus::Mode::Results);
    w2->btnIntervalClick();
    EXPECT_EQ(hits_, 0);
}

TEST_F(WebStatusTest, IntervalByYearAndWeekStaysInOneYear) {
    WriteBytes(data_ / "update.ini",
               "[S]\r\nXMLGetResultUrl=http://127.0.0.1:" + std::to_string(port_) +
                   "/api/svenskaspel/XMLresultatProxy.php?produktid=1\r\nXMLGetResultParam=&y=%s&w=%s\r\n"
                   "ResultLinkType=2\r\n");
    auto w = Open(TfrmWebStatus::Mode::Results);
    rounds_ = {{"2009", "40"}, {"2010", "02"}};
    w->btnIntervalClick();
    // The to round becomes 2009-02, before the from round: nothing is fetched.
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{QString::fromStdString(core::Msg(473))});
    EXPECT_EQ(hits_, 0);
    rounds_ = {{"2026", "47"}, {"2026", "48"}};
    w->btnIntervalClick();
    EXPECT_EQ(hits_, 2);
}

TEST_F(WebStatusTest, BulkStoresRoundsOfAnyPoolWithoutTouchingTheSystem) {
    auto w = Open(TfrmWebStatus::Mode::Results);
    w->BulkPool()->setCurrentText("I");
    w->BulkFrom()->setValue(kCurrentDraw - 1);
    w->BulkTo()->setValue(kCurrentDraw + 1);  // the service does not have this one yet
    w->btnViewClick();
    EXPECT_TRUE(db_.FindResult("I", kCurrentDraw - 1).found);
    EXPECT_TRUE(db_.FindResult("I", kCurrentDraw).found);
    EXPECT_EQ(db_.RoundGames(kCurrentDraw, "I").size(), 13u);
    ASSERT_EQ(prompter_.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("error")[0].contains(QString::number(kCurrentDraw + 1)));
    EXPECT_EQ(doc_.OmgID, 777);
    EXPECT_EQ(doc_.Typ, "S");
}

std::string RowOf(int draw, int shift) {
    std::string r;
    for (int m = 1; m <= 13; ++m) r += "1X2"[(m + draw + shift) % 3];
    return r;
}

TEST_F(WebStatusTest, HalfTimePoolFetchesAndStoresBothRoundsUnderTheirCodes) {
    const std::string host = "http://127.0.0.1:" + std::to_string(port_) + "/api/svenskaspel/XMLresultatProxy.php";
    const std::string ini = ReadBytes(data_ / "update.ini");
    const size_t keysAt = ini.find("XMLOmgID");
    const std::string keys = ini.substr(keysAt, ini.find("[S]") - keysAt);
    WriteBytes(data_ / "update.ini", "[A]\r\nXMLGetResultUrl=" + host + "?p=a\r\n" + keys +
                                         "[B]\r\nXMLGetResultUrl=" + host + "?half=1\r\n" + keys);
    doc_.Typ = "A";
    doc_.Pool = "Tipping Midtuke";
    core::PoolSettings pool;
    pool.pauseTipping = true;
    auto w = Open(TfrmWebStatus::Mode::Results, {}, pool);
    EXPECT_TRUE(w->HalfTimeGrid()->parentWidget()->isVisibleTo(w.get()));
    w->btnGetClick();
    ASSERT_TRUE(prompter_.Texts("error").empty()) << prompter_.Texts("error")[0].toStdString();
    EXPECT_EQ(doc_.Typ, "A");
    EXPECT_EQ(doc_.OmgID, kCurrentDraw);
    const auto full = db_.FindResult("A", kCurrentDraw);
    const auto half = db_.FindResult("B", kCurrentDraw);
    ASSERT_TRUE(full.found);
    ASSERT_TRUE(half.found);
    EXPECT_EQ(full.Rad, RowOf(kCurrentDraw, 0));
    EXPECT_EQ(half.Rad, RowOf(kCurrentDraw, 1));
    const std::string halfRow = RowOf(kCurrentDraw, 1);
    EXPECT_EQ(Cell(w->Grid(), 0, 6 + static_cast<int>(std::string("1X2").find(halfRow[0]))),
              QString(QChar(halfRow[0])));
    EXPECT_EQ(Cell(w->HalfTimeGrid(), 3, 0), "1500000");
    EXPECT_EQ(db_.RoundGames(kCurrentDraw, "A").size(), 13u);
}

// Results by draw number for a pool with a half-time game: the earlier draws
// count back from the full-time page's draw number, not the half-time page's.
TEST_F(WebStatusTest, IntervalByDrawNumberOfAHalfTimePoolCountsFromTheFullTimeDraw) {
    const std::string host = "http://127.0.0.1:" + std::to_string(port_) + "/api/svenskaspel/XMLresultatProxy.php";
    const std::string ini = ReadBytes(data_ / "update.ini");
    const size_t keysAt = ini.find("XMLOmgID");
    const std::string keys = ini.substr(keysAt, ini.find("[S]") - keysAt);
    WriteBytes(data_ / "update.ini", "[A]\r\nXMLGetResultUrl=" + host + "?p=a\r\nXMLGetResultParam=&omgang=%d\r\n" +
                                         keys + "ResultLinkType=1\r\n[B]\r\nXMLGetResultUrl=" + host +
                                         "?half=1&halfdraws=1\r\nXMLGetResultParam=&omgang=%d\r\n" + keys);
    doc_.Typ = "A";
    doc_.Pool = "Tipping Midtuke";
    core::PoolSettings pool;
    pool.pauseTipping = true;
    auto w = Open(TfrmWebStatus::Mode::Results, {}, pool);
    prompter_.inputs.push_back(QStringLiteral("2"));
    w->btnIntervalClick();
    EXPECT_TRUE(prompter_.Texts("error").empty()) << prompter_.Texts("error")[0].toStdString();
    for (int draw : {kCurrentDraw, kCurrentDraw - 1, kCurrentDraw - 2})
        EXPECT_TRUE(db_.FindResult("A", draw).found) << draw;
    EXPECT_EQ(doc_.Typ, "A");
}

TEST_F(WebStatusTest, TabMovesDownTheColumnThenToTheOtherColumn) {
    doc_.MatchCount = 2;
    auto w = Open(TfrmWebStatus::Mode::Games, {"H1", "H2"});
    w->TabNavigation()->setChecked(true);
    w->EditCell(0, 1);
    w->TeamBox()->setEditText("Brentford");
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(w->TeamBox()->lineEdit(), &tab);
    EXPECT_EQ(Cell(w->Grid(), 0, 1), "Brentford");
    EXPECT_EQ(w->TeamBox()->currentText(), "H2");
    QApplication::sendEvent(w->TeamBox()->lineEdit(), &tab);
    EXPECT_EQ(w->TeamBox()->currentText(), "");  // line 1 of the away column
    w->TeamBox()->setEditText("Away1");
    w->EditCell(1, 1);
    EXPECT_EQ(Cell(w->Grid(), 0, 2), "Away1");
    EXPECT_FALSE(w->CellMarked(0, 2));
    EXPECT_TRUE(w->CellMarked(1, 1));
}

TEST_F(WebStatusTest, WarningsAndBrokenKeysStopWithAMessage) {
    // A draw number the page gives as text: 465 when warnings are on, and the
    // system keeps its draw number.
    svr_.Get("/textdraw", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<resultat><omgang>n/a</omgang><vecka>2026-50</vecka></resultat>", "text/xml");
    });
    WriteUpdateIni("/textdraw");
    auto w = Open(TfrmWebStatus::Mode::Results);
    w->SetYearWeek("2026", "50");
    w->btnGetClick();
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{QString::fromStdString(core::Msg(465))});
    EXPECT_EQ(doc_.OmgID, 777);

    // A key that is no XPath stops an interval at its first page.
    WriteUpdateIni("/api/svenskaspel/XMLresultatProxy.php?produktid=1");
    std::string ini = ReadBytes(data_ / "update.ini");
    ini.replace(ini.rfind("XMLGetRightRow=//match/tecken"), 29, "XMLGetRightRow=//match[");
    WriteBytes(data_ / "update.ini", ini);
    prompter_.shown.clear();
    prompter_.inputs.push_back(QStringLiteral("5"));
    hits_ = 0;
    w->btnIntervalClick();
    EXPECT_EQ(hits_, 1);
    ASSERT_EQ(prompter_.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("error")[0].contains("XMLGetRightRow"));
}

// The entry points the main window and the check window call.
class WebStatusEntry : public testing::UiFixture {};

TEST_F(WebStatusEntry, GetGamesOkSetsTheRoundAndStoresTheNames) {
    core::TVinraFile& doc = program_->doc;
    doc.Typ = "S";
    doc.Pool = "Stryktipset";
    doc.MatchCount = 13;
    doc.Omg = "2026-47";
    doc.OmgID = 0;
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TfrmWebStatus*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->mode(), TfrmWebStatus::Mode::Games);
        dlg->SetYearWeek("2026", "48");
        dlg->btnOKClick();
    });
    const auto got =
        RunGetGames(window_.get(), *program_, prompter_, doc, testing::FixtureHomes(), testing::FixtureAways());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->Omg, "2026-48");
    EXPECT_EQ(got->OmgID, 202648);  // no draw number: the round integer stands in
    // The window worked on a copy: the open system is its caller's to change.
    EXPECT_EQ(doc.Omg, "2026-47");
    EXPECT_EQ(doc.OmgID, 0);
    EXPECT_EQ(program_->db.RoundGames(202648, "S").size(), 13u);
    doc.Omg = got->Omg;  // as the main window takes the round over
    doc.OmgID = got->OmgID;

    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TfrmWebStatus*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->mode(), TfrmWebStatus::Mode::Results);
        dlg->btnCancelClick();
    });
    EXPECT_FALSE(RunGetResults(window_.get(), *program_, prompter_, {}, {}));
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TfrmWebStatus*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->btnOKClick();
    });
    EXPECT_EQ(RunGetResults(window_.get(), *program_, prompter_, {}, {}), 202648);
}

TEST(SvtTeams, MappingWritesAcceptedNamesAndStopsOnCancelAll) {
    core::SetCurrentLanguage(core::LangEnglish);
    vinra::testing::TempDir dir;
    const fs::path teamstat = dir.path() / "teamstat.ini";
    WriteBytes(teamstat, "[Alias]\r\nArsenal FC=Arsenal\r\n");
    net::TResultInfo info;
    info.pageLines = "-\tArsenal-Chelsea   1-1-\tn/a\t-\t1-1\t\r\n-\tMalm\xC3\xB6-AIK  0-0-\tn/a\t-\t0-0\t\r\n";
    // "[Alias]" and "Home=Away" could not be keys of teamstat.ini: refused before any dialog.
    info.unmatchedTeams = "[Alias]\r\nArsenal FC\r\n\r\nHome=Away\r\nMalm\xC3\xB6 FF\r\nNever asked\r\n";
    testing::ScriptedPrompter prompter;
    int shown = 0;
    const int written = MapSvtTeams(nullptr, info, teamstat, prompter, [&](TfrmSvtTeams& dlg) {
        ++shown;
        EXPECT_EQ(dlg.Lines()->count(), 2);
        if (shown == 1) {
            EXPECT_EQ(dlg.Text(), "Arsenal");
            dlg.SetText("Arsenal-Chelsea 1");  // too long: refused, the dialog stays
            dlg.btnOKClick();
            EXPECT_EQ(dlg.outcome(), TfrmSvtTeams::Outcome::Skipped);
            dlg.Lines()->setCurrentRow(0);
            emit dlg.Lines()->itemClicked(dlg.Lines()->item(0));
            EXPECT_EQ(dlg.Text(), "-Arsenal-Chelsea   1-1-n/a-1-1");
            dlg.SetText("Arsenal");
            dlg.btnOKClick();
        } else {
            EXPECT_EQ(dlg.Text(), QString::fromUtf8("Malm\xC3\xB6"));
            dlg.btnCancelAllClick();
        }
    });
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(written, 1);
    ASSERT_EQ(prompter.Texts("error").size(), 3u);
    EXPECT_EQ(prompter.Texts("error")[0], QString::fromStdString(core::FormatMsg(core::Msg(3303), {"[Alias]"})));
    EXPECT_TRUE(prompter.Texts("error")[1].startsWith("The team name does not seem"));
    EXPECT_EQ(prompter.Texts("error")[2], QString::fromStdString(core::FormatMsg(core::Msg(3303), {"Home=Away"})));
    const core::IniFile ini = core::IniFile::FromFile(teamstat);
    EXPECT_EQ(ini.ReadString("teams_svt", "Arsenal FC"), "Arsenal");
    EXPECT_EQ(ini.ReadString("Alias", "Arsenal FC"), "Arsenal");
    EXPECT_FALSE(ini.HasKey("teams_svt", "Malm\xC3\xB6 FF"));
}

}  // namespace
}  // namespace vinra::ui
