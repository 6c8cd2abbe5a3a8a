// Place bet driven offscreen: the Svenska Spel submission dialog against a
// server on 127.0.0.1, and the Unibet row file hand-over.
#include "ui/net/submit_dialog.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/http.h"
#include "net/submission.h"
#include "net/tests/short_timeouts.h"
#include "tests/temp_dir.h"
#include "ui/net/browser.h"
#include "ui/net/http_window.h"
#include "ui/tests/support/fixture_round.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class SubmitTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        auto& doc = program_->doc;
        doc.NewSystem(13, true);
        SetFixtureRound(doc);
        doc.Rader = {"0000000000000", "0120120120120"};
    }
    void TearDown() override {
        StopServer();
        UiFixture::TearDown();
    }
    void StopServer() {
        release_ = true;
        if (thread_.joinable()) {
            svr_->stop();
            thread_.join();
        }
        svr_.reset();
        release_ = false;
    }
    // The own-rows endpoint answering every post with status and body.
    void Serve(int status, const std::string& body) {
        StopServer();
        svr_ = std::make_unique<httplib::Server>();
        svr_->Post("/Vinra/egnarader", [this, status, body](const httplib::Request& req, httplib::Response& res) {
            posted_ = req.get_param_value("xmlData");
            if (body == "stall")
                for (int i = 0; i < 250 && !release_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (int waited = 0; waited < delayMs_ && !release_; waited += 20)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            res.status = status;
            res.set_content(body, "text/xml");
        });
        const int port = svr_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { svr_->listen_after_bind(); });
        for (int i = 0; i < 250 && !svr_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        program_->updateIni.WriteString("Service", "Host", "http://127.0.0.1:" + std::to_string(port));
    }
    std::string StoredCardNo() const {
        return core::IniFile::FromFile(program_->settingsFile().path()).ReadString("General", kCardNoKey);
    }

    std::unique_ptr<httplib::Server> svr_;
    std::thread thread_;
    std::atomic<bool> release_{false};
    std::atomic<int> delayMs_{0};  // how long the server waits before it answers
    std::string posted_;
    std::vector<QString> opened_;
    UrlOpener opener_ = [this](const QString& url) { opened_.push_back(url); };
    net::testing::ShortTimeouts timeouts_{2000, 400};
};

TEST_F(SubmitTest, SentRowsOpenTheApprovalPageAndTheCardNumberIsKept) {
    program_->settingsFile().WriteString("General", kCardNoKey, "555");
    Serve(200, "<svar><status kod=\"0\">OK</status><url>https://spela.example/ok?id=9</url></svar>");
    const core::TVinraFile before = program_->doc;

    TfrmSSXml dialog(*program_, prompter_, opener_);
    EXPECT_EQ(dialog.CardNoEdit()->text(), "555");
    EXPECT_TRUE(dialog.SaveCardNoBox()->isChecked());
    EXPECT_EQ(dialog.RowsLabel()->text(), "Number of rows: 2");
    EXPECT_EQ(dialog.CostLabel()->text(), "Cost: 2,00 SEK");
    dialog.CardNoEdit()->setText("12 34-5x6");
    EXPECT_EQ(dialog.CardNoEdit()->text(), "123456");

    dialog.show();
    dialog.SendClick();
    EXPECT_NE(posted_.find("spelkort=\"123456\""), std::string::npos) << posted_;
    EXPECT_NE(posted_.find("<rad system=\"E\">1,X,2,1,X,2,1,X,2,1,X,2,1</rad>"), std::string::npos) << posted_;
    ASSERT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("information")[0].startsWith("The rows have now been sent to Svenska Spel.\n\n"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(opened_, std::vector<QString>{"https://spela.example/ok?id=9"});
    EXPECT_EQ(StoredCardNo(), "123456");
    EXPECT_TRUE(dialog.StatusLabel()->text().isEmpty());
    EXPECT_EQ(program_->doc, before);
}

TEST_F(SubmitTest, FailuresKeepTheDialogOpen) {
    struct Case {
        int status;
        std::string body;
        std::vector<std::string> errors;
    };
    const std::vector<Case> cases = {
        {200, "<svar><status kod=\"3\">Ogiltigt spelkort</status></svar>", {core::Msg(net::kMsgSubmitRefused)}},
        // An error status is a failed transfer: the communication text, not the card-number one.
        {401,
         "Authorization Required",
         {core::Msg(kMsgSubmitUnauthorised), core::Msg(net::kMsgSubmitCommunicationError)}},
        {404, "Not Found", {core::Msg(net::kMsgSubmitCommunicationError)}},
        // Refusals the service states are said as they are.
        {413, "Payload Too Large", {core::FormatMsg(core::Msg(net::kMsgSubmitTooManyRows), {"20 000"})}},
        {200, "<svar><status kod=\"6\">St\xc3\xa4ngd</status></svar>", {core::Msg(net::kMsgSubmitRoundClosed)}},
        {500, "<status kod=\"0\">OK</status>", {core::Msg(net::kMsgSubmitCommunicationError)}},
        {200, "stall", {core::Msg(net::kMsgSubmitCommunicationError)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        prompter_.shown.clear();
        Serve(c.status, c.body);
        TfrmSSXml dialog(*program_, prompter_, opener_);
        dialog.show();
        dialog.SendClick();
        std::vector<QString> want;
        for (const auto& e : c.errors) want.push_back(Q(e));
        EXPECT_EQ(prompter_.Texts("error"), want);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(opened_.empty());
        dialog.SaveCardNoBox()->setChecked(false);
        dialog.reject();
        EXPECT_EQ(StoredCardNo(), "");
    }
}

// A shop that answers late: Send runs off the GUI thread, so the dialog keeps
// handling its events under the transfer window, and Cancel ends the wait at
// once, leaving the dialog open without an error.
TEST_F(SubmitTest, ALateShopKeepsTheWindowAliveAndCancelStopsTheWait) {
    net::testing::ShortTimeouts patient{2000, 8000};
    Serve(200, "<svar><status kod=\"0\">OK</status><url>https://spela.example/ok</url></svar>");
    struct Case {
        int delayMs;
        bool cancel;
    };
    for (const Case c : {Case{1500, false}, Case{6000, true}}) {
        SCOPED_TRACE(c.cancel);
        delayMs_ = c.delayMs;
        prompter_.shown.clear();
        opened_.clear();
        TfrmSSXml dialog(*program_, prompter_, opener_);
        dialog.show();
        // A timer of the GUI thread: it only ticks while the event loop runs.
        QElapsedTimer clock, sinceTick;
        clock.start();
        sinceTick.start();
        qint64 longestGap = 0;
        int ticks = 0;
        QString shownInfo;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            longestGap = std::max(longestGap, sinceTick.restart());
            auto* window = dialog.findChild<TfrmHTTP*>();
            if (!window || !window->isVisible()) return;
            if (shownInfo.isEmpty()) shownInfo = window->info();
            if (c.cancel && window->cancelButton()->isVisible() && window->cancelButton()->isEnabled())
                window->cancelButton()->click();
        });
        timer.start(20);
        dialog.SendClick();
        timer.stop();
        const qint64 took = clock.elapsed();

        EXPECT_EQ(shownInfo, Q(core::Msg(net::kMsgSubmitSending)));
        EXPECT_GE(ticks, 20) << "the GUI thread stood still during the transfer";
        EXPECT_LT(longestGap, 700);
        EXPECT_LT(dialog.LastTickGapMs(), 700);
        EXPECT_TRUE(prompter_.Texts("error").empty());
        if (c.cancel) {
            EXPECT_LT(took, 4000) << "Cancel did not stop the wait";
            EXPECT_EQ(dialog.StatusLabel()->text(), Q(TransferCancelledText()));
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.SendButton()->isEnabled());
            EXPECT_TRUE(opened_.empty());
        } else {
            EXPECT_GE(took, 1400);
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(opened_, std::vector<QString>{"https://spela.example/ok"});
        }
    }
}

TEST_F(SubmitTest, AcceptedWithoutAUsableAddressOpensNothing) {
    Serve(200, "<status kod=\"0\">OK</status><url>javascript:alert(1)</url>");
    TfrmSSXml dialog(*program_, prompter_, opener_);
    dialog.show();
    dialog.SendClick();
    EXPECT_EQ(prompter_.Texts("information").size(), 1u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(opened_.empty());
}

TEST_F(SubmitTest, PlaceBetByOperator) {
    // Without rows.
    program_->doc.Rader.clear();
    SubmitClick(nullptr, *program_, "Untitled.1x2", true, prompter_, {opener_, {}, {}});
    EXPECT_EQ(prompter_.Texts("information"), std::vector<QString>{Q(core::Msg(283))});
    program_->doc.Rader = {"0000000000000"};

    // Svenska Spel: the dialog.
    bool ran = false;
    SubmitClick(nullptr, *program_, "Untitled.1x2", true, prompter_,
                {opener_, [&](TfrmSSXml& d) { ran = d.RowsLabel()->text() == "Number of rows: 1"; }, {}});
    EXPECT_TRUE(ran);

    // Unibet, untitled: the proposed name from pool and round; Yes opens the site.
    auto& doc = program_->doc;
    doc.Country = "Unibet";
    doc.Pool = "SuperToto";
    doc.Typ = "T";
    const fs::path proposed = home() / "User" / "SuperToto" / "SuperToto 2026-50.txt";
    EXPECT_EQ(UnibetProposedName(*program_, "Untitled.1x2", true).filename(), proposed.filename());
    const fs::path target = home() / "ut.txt";
    prompter_.files.push_back(Q(target.string()));
    prompter_.answers.push_back(Answer::Yes);
    prompter_.shown.clear();
    SubmitClick(nullptr, *program_, "Untitled.1x2", true, prompter_, {opener_, {}, {}});
    ASSERT_GE(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[0].kind, "save");
    EXPECT_TRUE(prompter_.shown[0].text.endsWith("SuperToto 2026-50.txt"));
    EXPECT_EQ(core::ReadFileBytes(target), "1,1,1,1,1,1,1,1,1,1,1,1,1\r\n");
    EXPECT_EQ(prompter_.Texts("question"), std::vector<QString>{BoxText(core::Msg(kMsgUnibetCreated))});
    EXPECT_EQ(opened_, std::vector<QString>{"https://www.unibet.se/"});

    // Titled: the file name with .txt; a cancelled dialog writes nothing and asks nothing.
    EXPECT_EQ(UnibetProposedName(*program_, "/s/Min.1X2", false), fs::path("/s/Min.txt"));
    EXPECT_EQ(UnibetProposedName(*program_, "/s/Min", false), fs::path("/s/Min.txt"));
    prompter_.shown.clear();
    SubmitClick(nullptr, *program_, "/s/Min.1x2", false, prompter_, {opener_, {}, {}});
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "/s/Min.txt");

    // A file that cannot be written is an error, and no question follows.
    prompter_.files.push_back(Q((home() / "missing" / "x.txt").string()));
    prompter_.shown.clear();
    SubmitClick(nullptr, *program_, "/s/Min.1x2", false, prompter_, {opener_, {}, {}});
    EXPECT_EQ(prompter_.Texts("error").size(), 1u);
    EXPECT_TRUE(prompter_.Texts("question").empty());

    // Another operator: nothing.
    doc.Country = "Norsk Tipping";
    prompter_.shown.clear();
    SubmitClick(nullptr, *program_, "/s/Min.1x2", false, prompter_, {opener_, {}, {}});
    EXPECT_TRUE(prompter_.shown.empty());
}

// Place bet for a round whose deadline has passed asks first; No sends nothing.
TEST_F(SubmitTest, PlaceBetAsksFirstForAClosedRound) {
    vinra::testing::WriteBytes(program_->ActivePoolsPath(),
                               "[Info]\r\nFileOK=1\r\nPools=S\r\nS=S0\r\n[S0]\r\nN=Stryktipset\r\nOmg=2026-51\r\n"
                               "XMLOmgang=4852\r\nDeadline=2026-12-19 15:59\r\n[S1]\r\nN=Stryktipset\r\nOmg=2026-50\r\n"
                               "XMLOmgang=4851\r\nDeadline=2026-12-12 15:59\r\n");
    const net::LocalDateTime thursday{2026, 12, 10, 12, 0, 0}, saturdayEvening{2026, 12, 12, 18, 0, 0};
    int dialogs = 0;
    auto run = [&](net::LocalDateTime now) {
        SubmitClick(nullptr, *program_, "Untitled.1x2", true, prompter_,
                    {opener_, [&](TfrmSSXml&) { ++dialogs; }, [now] { return now; }});
    };
    struct Case {
        int32_t omgId;
        net::LocalDateTime now;
        std::deque<Answer> answers;
        QString question;  // empty: none asked
        int dialogs;
    };
    const QString closedOn = Q(core::FormatMsg(core::Msg(kMsgRoundClosedOn), {std::string("2026-12-12 15:59")}));
    const QString closed = Q(core::FormatMsg(core::Msg(kMsgRoundClosed), {std::string("2026-49")}));
    const Case cases[] = {
        {4851, thursday, {}, {}, 1},                          // open: straight to the dialog
        {4851, saturdayEvening, {}, closedOn, 0},             // closed, No: nothing goes out
        {4851, saturdayEvening, {Answer::Yes}, closedOn, 1},  // closed, Yes: the dialog
        {4850, thursday, {}, closed, 0},                      // an earlier draw than every listed one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.omgId);
        program_->doc.OmgID = c.omgId;
        program_->doc.Omg = c.omgId == 4850 ? "2026-49" : "2026-50";
        prompter_.shown.clear();
        prompter_.answers = c.answers;
        dialogs = 0;
        run(c.now);
        EXPECT_EQ(prompter_.Texts("question"),
                  c.question.isEmpty() ? std::vector<QString>{} : std::vector<QString>{c.question});
        EXPECT_EQ(dialogs, c.dialogs);
    }
    EXPECT_NE(closedOn.indexOf("2026-12-12 15:59"), -1);
}

// Pictures of the dialog and of its transfer window with Cancel, in Swedish
// and English, when VINRA_SCREENSHOT_DIR names a folder.
TEST_F(SubmitTest, ScreenshotsInSwedishAndEnglish) {
    const char* dir = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    fs::create_directories(dir);
    net::testing::ShortTimeouts patient{2000, 8000};
    Serve(200, "<svar><status kod=\"1\">Nej</status></svar>");
    delayMs_ = 4000;
    for (const auto& [language, tag] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
        core::SetCurrentLanguage(language);
        TfrmSSXml dialog(*program_, prompter_, opener_);
        dialog.show();
        QApplication::processEvents();
        dialog.grab().save(QString::fromStdString((fs::path(dir) / (std::string("submit_") + tag + ".png")).string()));
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* window = dialog.findChild<TfrmHTTP*>();
            if (!window || !window->cancelButton()->isVisible() || !window->cancelButton()->isEnabled()) return;
            window->grab().save(
                QString::fromStdString((fs::path(dir) / (std::string("submit_sending_") + tag + ".png")).string()));
            window->cancelButton()->click();
        });
        timer.start(50);
        dialog.SendClick();
        dialog.grab().save(
            QString::fromStdString((fs::path(dir) / (std::string("submit_cancelled_") + tag + ".png")).string()));
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

// Addresses from data files reach the browser only when they are web
// addresses; otherwise, and when no browser starts, the player sees the address.
TEST_F(SubmitTest, OnlyWebAddressesReachTheBrowser) {
    struct Case {
        const char* url;
        bool browserStarts;
        int message;  // 0: opened
    };
    const Case cases[] = {
        {"https://spela.example/mitt-konto?x=1", true, 0},
        {"  http://127.0.0.1:8080/vinra2000/help/0/html/main.htm ", true, 0},
        {"javascript:alert(1)", true, kMsgNotAWebAddress},
        {"file:///etc/passwd", true, kMsgNotAWebAddress},
        {"www.example.com", true, kMsgNotAWebAddress},
        {"/usr/bin/xterm", true, kMsgNotAWebAddress},
        {"", true, kMsgNotAWebAddress},
        {"https://spela.example/", false, kMsgNoBrowser},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        prompter_.shown.clear();
        std::vector<QString> launched;
        const bool opened = OpenAddress(nullptr, prompter_, c.url, [&](const QUrl& u) {
            launched.push_back(u.toString());
            return c.browserStarts;
        });
        EXPECT_EQ(opened, c.message == 0);
        const std::string address(core::Trim(c.url));
        if (c.message == 0) {
            EXPECT_TRUE(prompter_.Texts("error").empty());
            EXPECT_EQ(launched, std::vector<QString>{Q(address)});
        } else {
            EXPECT_EQ(prompter_.Texts("error"),
                      std::vector<QString>{Q(core::FormatMsg(core::Msg(c.message), {address}))});
            if (c.message == kMsgNotAWebAddress) {
                EXPECT_TRUE(launched.empty());
            }
        }
    }
    // The dialog's own opener goes the same way.
    prompter_.shown.clear();
    DefaultUrlOpener(nullptr, prompter_)(QStringLiteral("javascript:alert(1)"));
    EXPECT_EQ(prompter_.Texts("error").size(), 1u);
}

}  // namespace
}  // namespace vinra::ui::testing
