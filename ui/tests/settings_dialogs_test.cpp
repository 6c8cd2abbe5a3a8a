// The settings dialogs and the mail-list menu driven offscreen on a fresh
// data folder; the mail launcher is a stand-in script on PATH.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>

#include "core/mail.h"
#include "core/messages.h"
#include "core/settings.h"
#include "net/http.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/localise.h"
#include "ui/core/mail.h"
#include "ui/core/main_window.h"
#include "ui/core/settings_dialog.h"
#include "ui/core/web_links_dialog.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::WriteBytes;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class SettingsDialogsTest : public UiFixture {
protected:
    core::SettingsPlace Place() const { return {"Svenska Spel", "Stryktipset"}; }
    core::IniFile Ravaroz() const { return core::IniFile::FromFile(program_->settingsFile().path()); }
    core::IniFile National() const { return core::IniFile::FromFile(program_->NationalPath()); }
};

TEST_F(SettingsDialogsTest, ProgramSettingsOkWritesBothFilesAndTheRunningValues) {
    program_->settingsFile().WriteBool("General", "Fillall", true);
    core::IniFile rav = Ravaroz();
    rav.DeleteKey("General", "LastSaved");
    rav.SaveToFile(program_->settingsFile().path());
    program_->settingsFile().Load();

    TfrmSettings dialog(nullptr, prompter_, *program_, Place());
    // No LastSaved key: shown ticked, and OK stores it.
    EXPECT_TRUE(dialog.check(204)->isChecked());
    dialog.check(202)->setChecked(false);
    dialog.check(206)->setChecked(true);
    dialog.printChar()->setText(QStringLiteral("#"));
    dialog.apiKey()->setText(QStringLiteral("  abc123 "));
    ASSERT_GT(dialog.operators()->count(), 0);
    dialog.operators()->item(0)->setCheckState(Qt::Unchecked);
    const std::string firstOperator = dialog.operators()->item(0)->text().toStdString();
    ASSERT_TRUE(dialog.OkClick());

    const core::IniFile after = Ravaroz();
    EXPECT_TRUE(after.ReadBool("General", "LastSaved", false));
    EXPECT_FALSE(after.ReadBool("General", "Fillall", true));
    EXPECT_TRUE(after.ReadBool("General", "UseXWhenPrinting", false));
    EXPECT_EQ(after.ReadString("General", "apiKey"), "abc123");
    EXPECT_FALSE(after.ReadBool("ShowPool", firstOperator, true));
    EXPECT_EQ(National().ReadString("Stryktipset", "PrintChar"), "#");
    EXPECT_FALSE(program_->settings.fillAll);
    EXPECT_EQ(program_->settings.apiKey, "abc123");
}

TEST_F(SettingsDialogsTest, InternetSettingsLinksProfilesAndSounds) {
    core::ProgramSettingsValues values =
        core::LoadProgramSettings(program_->settingsFile().ini(), program_->settings, program_->national, Place());
    {
        TfrmWeb web(nullptr, prompter_, *program_, values);
        EXPECT_EQ(web.tabs()->count(), 3);
        EXPECT_EQ(web.sounds()->count(), 6);
        EXPECT_EQ(web.soundFile()->text(), QStringLiteral("good.wav"));
        // Until a profile is chosen the sample templates are shown.
        EXPECT_EQ(web.subject()->text(), Q(core::Msg(602)));
        EXPECT_TRUE(web.body()->toPlainText().contains(QLatin1Char('\n')));

        web.links()->item(0, 0)->setText(QStringLiteral("&Egen &sida"));
        web.links()->item(0, 1)->setText(QStringLiteral("https://egen.example"));
        for (int r = 1; r < web.links()->rowCount(); ++r) web.links()->item(r, 0)->setText(QString());
        web.links()->item(4, 0)->setText(QStringLiteral("Fem"));
        web.links()->item(4, 1)->setText(QStringLiteral("https://fem.example"));

        web.profile()->setEditText(QStringLiteral("Klubben"));
        web.recipients()->setText(QStringLiteral("a@x.se;b@x.se"));
        web.subject()->setText(QStringLiteral("*game* *week*"));
        web.body()->setPlainText(QStringLiteral("Rad 1\nRad 2"));
        web.SaveProfileClick();
        web.profile()->setEditText(QStringLiteral("Bad=name"));
        web.SaveProfileClick();
        ASSERT_EQ(prompter_.Texts("error").size(), 1u);
        EXPECT_EQ(web.profiles().lists().size(), 1u);
        web.profile()->setEditText(QStringLiteral("Vänner"));
        web.recipients()->setText(QStringLiteral("c@x.se"));
        web.SaveProfileClick();
        web.profile()->setEditText(QStringLiteral("Tillfällig"));
        web.SaveProfileClick();
        web.DeleteProfileClick();
        EXPECT_EQ(web.profile()->currentText(), QStringLiteral("Klubben"));
        EXPECT_EQ(web.recipients()->text(), QStringLiteral("a@x.se;b@x.se"));
        web.OkClick();
        EXPECT_EQ(web.result(), QDialog::Accepted);
    }
    // The mail lists and sounds are in the file at once.
    const core::IniFile rav = Ravaroz();
    EXPECT_EQ(rav.ReadString("Maillists", "Name0"), "Klubben");
    EXPECT_EQ(rav.ReadString("Maillists", "Mess0"), "Rad 1*13*Rad 2");
    EXPECT_EQ(rav.ReadString("Maillists", "Name1"), "Vänner");
    EXPECT_FALSE(rav.HasKey("Maillists", "Name2"));
    EXPECT_EQ(rav.Keys("Sounds").size(), 6u);
    // The links are closed up in the values; the program settings' OK stores them.
    ASSERT_EQ(values.links.size(), 2u);
    EXPECT_EQ(values.links[0].caption, "Egen sida");
    EXPECT_EQ(values.links[1].url, "https://fem.example");

    TfrmSettings dialog(nullptr, prompter_, *program_, Place());
    TfrmWeb web(&dialog, prompter_, *program_, const_cast<core::ProgramSettingsValues&>(dialog.values()));
    for (int r = 0; r < web.links()->rowCount(); ++r) web.links()->item(r, 0)->setText(QString());
    web.links()->item(2, 0)->setText(QStringLiteral("Bara en"));
    web.links()->item(2, 1)->setText(QStringLiteral("https://en.example"));
    web.OkClick();
    ASSERT_TRUE(dialog.OkClick());
    const core::IniFile nat = National();
    EXPECT_EQ(nat.ReadString("Svenska Spel", "MENU0"), "Bara en");
    EXPECT_FALSE(nat.HasKey("Svenska Spel", "MENU1"));
    EXPECT_FALSE(nat.HasKey("Svenska Spel", "URL1"));
}

// OK in the program settings takes effect at once: the proxy of the next
// transfer, the Help-menu links and the team-name tool tips of the grid.
TEST_F(SettingsDialogsTest, ProxyLinksAndToolTipsTakeEffectAtOnce) {
    window_->NewClick();
    window_->Session().SetTeams(std::vector<std::string>(13, "AIK"), std::vector<std::string>(13, "Hammarby"));
    EXPECT_EQ(window_->Grid()->item(0, 1)->toolTip(), QStringLiteral("AIK"));
    QTimer::singleShot(0, [this] {
        auto* dialog = qobject_cast<TfrmSettings*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto& values = const_cast<core::ProgramSettingsValues&>(dialog->values());
        values.proxy = {true, "proxy.example", "3128"};
        values.links = {{"Bara en", "https://en.example"}};
        dialog->check(201)->setChecked(false);  // no tool tips
        if (dialog->OkClick()) dialog->accept();
    });
    ASSERT_TRUE(window_->Commands().Trigger(QStringLiteral("actSettings")));
    EXPECT_TRUE(net::CurrentHttpOptions().useProxy);
    EXPECT_EQ(net::CurrentHttpOptions().proxyHost, "proxy.example");
    EXPECT_EQ(net::CurrentHttpOptions().proxyPort, "3128");
    const CommandSpec* link = window_->Commands().Row(QStringLiteral("actHelpLink0"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text, QStringLiteral("Bara en"));
    EXPECT_EQ(window_->Commands().Row(QStringLiteral("actHelpLink1")), nullptr);
    EXPECT_TRUE(window_->Grid()->item(0, 1)->toolTip().isEmpty());
    net::SetHttpOptions(net::HttpOptions{});
}

// Enter in the profile box stores the typed fields under the typed name; it
// adds no bare name and clears nothing, and the dialog stays open.
TEST_F(SettingsDialogsTest, EnterInTheProfileBoxStoresTheProfile) {
    core::ProgramSettingsValues values =
        core::LoadProgramSettings(program_->settingsFile().ini(), program_->settings, program_->national, Place());
    TfrmWeb web(nullptr, prompter_, *program_, values);
    web.show();
    web.tabs()->setCurrentIndex(2);
    web.recipients()->setText(QStringLiteral("a@x.se"));
    web.profile()->setEditText(QStringLiteral("Klubben"));
    web.profile()->lineEdit()->setFocus();
    QTest::keyClick(web.profile()->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(web.isVisible());
    EXPECT_EQ(web.profile()->count(), 1);
    EXPECT_EQ(web.recipients()->text(), QStringLiteral("a@x.se"));
    ASSERT_EQ(web.profiles().lists().size(), 1u);
    EXPECT_EQ(web.profiles().lists()[0].name, "Klubben");
    EXPECT_EQ(web.profiles().lists()[0].recipients, "a@x.se");
}

// A stand-in for xdg-email: records its arguments, one a line.
void WriteStandIn(const fs::path& dir) {
    // The arguments land in args.txt whole (written aside, then renamed): the
    // composer runs on its own, and the test reads as soon as the file is there.
    const std::string args = (dir / "args.txt").string();
    WriteBytes(dir / "xdg-email", "#!/bin/sh\n{ for a in \"$@\"; do printf '> %s\\n' \"$a\"; done; } > \"" + args +
                                      ".part\" && mv \"" + args + ".part\" \"" + args + "\"\nexit 0\n");
    fs::permissions(dir / "xdg-email", fs::perms::owner_all);
}

TEST_F(SettingsDialogsTest, MailMenuSendsTheSavedSystemThroughTheComposer) {
    program_->settingsFile().WriteString("Maillists", "Name0", "Klubben");
    program_->settingsFile().WriteString("Maillists", "Recip0", "a@x.se; b@x.se");
    program_->settingsFile().WriteString("Maillists", "Subject0", "*game* *week* &cc=c@x.se");
    program_->settingsFile().WriteString("Maillists", "Mess0", "Rader: *rows**13*Slut");
    program_->settingsFile().WriteString("Maillists", "Name1", "Klubben");

    QAction* send = window_->Commands().Action(QStringLiteral("actSendMail"));
    ASSERT_NE(send, nullptr);
    ASSERT_NE(send->menu(), nullptr);
    emit send->menu()->aboutToShow();
    ASSERT_EQ(send->menu()->actions().size(), 1);
    EXPECT_EQ(send->menu()->actions()[0]->text(), QStringLiteral("Klubben"));

    // An untitled system is not sent.
    EXPECT_FALSE(SendMailList(window_->Shell(), 0));
    EXPECT_EQ(prompter_.Texts("error"), std::vector<QString>{Q(core::Msg(527))});

    const fs::path bin = home() / "bin";
    fs::create_directories(bin);
    WriteStandIn(bin);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    fs::create_directories(userPool());
    const fs::path file = userPool() / "Vecka 50.1x2";
    auto& session = window_->Session();
    session.NewDocument(13, true);
    session.Change(DocParts(DocPart::Round), true, [](core::TVinraFile& d) {
        d.Pool = "Stryktipset";
        d.Omg = "2026-50";
        d.Rader = {"0000000000000", "0120120120120"};
    });
    session.SaveAs(file);
    send->menu()->actions()[0]->trigger();
    QElapsedTimer t;
    t.start();
    while (!fs::exists(bin / "args.txt") && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(fs::exists(bin / "args.txt"));
    EXPECT_EQ(ReadBytes(bin / "args.txt"),
              "> --utf8\n> --subject\n> Stryktipset 2026-50 &cc=c@x.se\n> --body\n> Rader: 2\r\n"
              "Slut\n> --attach\n> " +
                  file.string() + "\n> a@x.se\n> b@x.se\n");
    EXPECT_EQ(prompter_.Texts("error").size(), 1u);
}

// Pictures of both dialogs (every page) and the mail menu when
// VINRA_SCREENSHOT_DIR names a folder.
TEST_F(SettingsDialogsTest, Screenshots) {
    const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
    if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
    const fs::path dir = out;
    fs::create_directories(dir);
    program_->settingsFile().WriteString("Maillists", "Name0", "Klubben");
    program_->settingsFile().WriteString("Maillists", "Name1", "Vänner");
    auto save = [&](QWidget* w, const std::string& name) {
        QApplication::processEvents();
        ASSERT_TRUE(w->grab().save(Q((dir / name).string())));
    };
    for (auto [base, code] : {std::pair{core::LangSwedish, "sv"}, std::pair{core::LangEnglish, "en"}}) {
        window_->ChangeLanguage(base);
        TfrmSettings dialog(window_.get(), prompter_, *program_, Place());
        dialog.show();
        save(&dialog, std::string("settings_") + code + ".png");
        core::ProgramSettingsValues values = dialog.values();
        TfrmWeb web(&dialog, prompter_, *program_, values);
        web.show();
        for (int i = 0; i < web.tabs()->count(); ++i) {
            web.tabs()->setCurrentIndex(i);
            save(&web, "internet_" + std::to_string(i) + "_" + code + ".png");
        }
        QMenu* file = window_->findChild<QMenu*>(QStringLiteral("mnuFile"));
        QAction* send = window_->Commands().Action(QStringLiteral("actSendMail"));
        window_->show();
        file->popup(window_->mapToGlobal(QPoint(0, 20)));
        save(file, std::string("menu_file_") + code + ".png");
        send->menu()->popup(window_->mapToGlobal(QPoint(200, 60)));
        save(send->menu(), std::string("menu_mail_") + code + ".png");
        send->menu()->hide();
        file->hide();
    }
}

}  // namespace
}  // namespace vinra::ui::testing
