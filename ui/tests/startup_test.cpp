// First start: the language window and its choice, the data-files installer,
// the window localisation helper.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "core/messages.h"
#include "core/settings.h"
#include "tests/temp_dir.h"
#include "ui/core/language_window.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("VINRA_HOME", dir_.path().c_str(), 1); }
    void TearDown() override { unsetenv("VINRA_HOME"); }
    TempDir dir_;
};

// Clicks a button of the language window once it is showing; first tries to
// close it without a choice.
void AnswerLanguageWindow(const QString& caption, bool* closedWithoutChoice) {
    QTimer::singleShot(0, [caption, closedWithoutChoice] {
        auto* dlg = qobject_cast<TfrmLanguage*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->reject();
        dlg->close();
        *closedWithoutChoice = !dlg->isVisible();
        for (auto* b : dlg->findChildren<QPushButton*>())
            if (b->text() == caption) b->click();
    });
}

TEST_F(StartupTest, FirstStartLanguageChoiceSetsLanguagePoolAndShownOperators) {
    Program program(dir_.path() / "bin");
    program.LoadSettings();
    ASSERT_EQ(program.settings.language, -1);  // no settings file yet: ask
    bool closed = true;
    AnswerLanguageWindow("Norsk", &closed);
    const int base = AskLanguage();
    EXPECT_FALSE(closed);
    EXPECT_EQ(base, core::LangNorwegian);

    ApplyLanguageChoice(program, base);
    EXPECT_EQ(program.doc.Typ, "C");
    EXPECT_EQ(core::CurrentLanguage(), core::LangNorwegian);
    core::SettingsFile reread(program.settingsFile().path());
    reread.Load();
    for (const char* op : {"Svenska Spel", "Unibet", "Dansk Tipstjeneste", "Veikkaus"})
        EXPECT_FALSE(reread.ShowPool(op)) << op;
    EXPECT_TRUE(reread.ShowPool("Norsk Tipping"));

    // Kept at once: a program killed before its exit does not ask again.
    {
        Program killed(dir_.path() / "bin");
        killed.LoadSettings();
        EXPECT_EQ(killed.settings.language, core::LangNorwegian);
    }

    // Saved at exit, the language is not asked again.
    program.SaveSettings();
    Program next(dir_.path() / "bin");
    next.LoadSettings();
    EXPECT_EQ(next.settings.language, core::LangNorwegian);
    EXPECT_EQ(next.doc.Typ, "C");
    core::SetCurrentLanguage(core::LangEnglish);
}

TEST_F(StartupTest, DataFilesInstallerIsRunSilentlyAndItsFailuresAreReported) {
    Program program(dir_.path() / "bin");
    program.LoadSettings();
    EXPECT_TRUE(program.DataFilesInstallDue());  // never ran, no National.Ini
    const fs::path exe = dir_.path() / "bin" / kDataFilesInstaller;
    EXPECT_EQ(program.RunDataFilesInstaller(), "File not found: " + exe.string() + ". Please re-install Vinra 2000.");

    // A stand-in installer that records its argument and writes National.Ini.
    fs::create_directories(exe.parent_path());
    WriteBytes(exe,
               "#!/bin/sh\necho \"$1\" > \"$VINRA_HOME/args\"\nmkdir -p \"$VINRA_HOME/Program\"\n"
               "printf '[Countries]\\r\\n0=Svenska Spel\\r\\n' > \"$VINRA_HOME/Program/National.Ini\"\n");
    fs::permissions(exe, fs::perms::owner_all);
    EXPECT_EQ(program.RunDataFilesInstaller(), "");
    EXPECT_EQ(vinra::testing::ReadBytes(dir_.path() / "args"), "/S\n");
    program.settings.lastInstall = core::kProgramVersion;
    EXPECT_FALSE(program.DataFilesInstallDue());

    WriteBytes(exe, "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(program.RunDataFilesInstaller(), "User install failed. Please re-install Vinra 2000.");
}

TEST_F(StartupTest, LocaliseSetsTaggedTextsAndKeepsDesignTextsWithoutAMessage) {
    core::SetCurrentLanguage(core::LangDanish);
    QWidget window;
    Tag(&window, 155);
    auto* label = Tag(new QLabel("design", &window), 41);
    auto* untagged = new QLabel("stays", &window);
    auto* absent = Tag(new QLabel("absent keeps", &window), 179);  // no message 179
    auto* button = TagHint(new QPushButton("caption", &window), 216);
    Localise(&window);
    EXPECT_EQ(window.windowTitle().toStdString(), core::MsgIn(core::LangDanish, 155));
    EXPECT_EQ(label->text().toStdString(), core::MsgIn(core::LangDanish, 41));
    EXPECT_EQ(untagged->text(), "stays");
    EXPECT_EQ(absent->text(), "absent keeps");
    EXPECT_EQ(button->text(), "caption");
    EXPECT_EQ(button->toolTip().toStdString(), core::MsgIn(core::LangDanish, 216));
    core::SetCurrentLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui
