// Pictures of the windows for looking at them, in every language. Runs only
// when VINRA_SCREENSHOT_DIR names a folder for the PNG files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QTabWidget>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "ui/core/about_box.h"
#include "ui/core/language_window.h"
#include "ui/core/splash.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

class ScreenshotTest : public UiFixture {
protected:
    void SetUp() override {
        const char* out = std::getenv("VINRA_SCREENSHOT_DIR");
        if (!out || !*out) GTEST_SKIP() << "VINRA_SCREENSHOT_DIR not set";
        out_ = out;
        fs::create_directories(out_);
        withResult_ = true;
        UiFixture::SetUp();
    }
    void Save(QWidget* w, const std::string& name) {
        QApplication::processEvents();
        const QPixmap pm = w->grab();
        ASSERT_FALSE(pm.isNull());
        ASSERT_TRUE(pm.save(QString::fromStdString((out_ / name).string())));
    }
    fs::path out_;
};

TEST_F(ScreenshotTest, MainWindowWithARealRoundInEveryLanguage) {
    // A reduced system of the round with a comment, checked against the stored result.
    core::TVinraFile doc;
    doc.NewSystem(13, false);
    doc.Omg = "2026-50";
    doc.OmgID = 4851;
    doc.Typ = "S";
    doc.Pool = "Stryktipset";
    doc.Country = "Svenska Spel";
    doc.Comment = "Half guards on the derbies.\r\nFull guard on match 7.";
    const std::string facit = core::DisplayToSigns(kFixtureResult);
    doc.Rader = {facit, std::string(13, '0'), "0122001201012", "1122001201022"};
    doc.Grundrad = core::FrameFromRows(doc.Rader, 13);
    doc.Grundrad[6] = "012";
    fs::create_directories(userPool());
    const fs::path path = userPool() / "Stryktipset 2026-50.1x2";
    doc.SaveToFile(path);
    WriteLogos();
    window_->show();
    window_->FirstShow(QString::fromStdString(path.string()));
    QApplication::processEvents();
    const std::pair<int, const char*> languages[] = {{core::LangSwedish, "sv"},
                                                     {core::LangEnglish, "en"},
                                                     {core::LangDanish, "da"},
                                                     {core::LangNorwegian, "no"},
                                                     {core::LangFinnish, "fi"}};
    for (const auto& [base, code] : languages) {
        window_->ChangeLanguage(base);
        Save(window_.get(), std::string("main_") + code + ".png");
    }
    window_->ChangeLanguage(core::LangEnglish);
    for (const char* name : {"mnuFile", "mnuSystem", "mnuHelp"}) {
        auto* menu = window_->findChild<QMenu*>(name);
        ASSERT_NE(menu, nullptr);
        menu->popup(window_->mapToGlobal(QPoint(0, 20)));
        Save(menu, std::string("menu_") + name + ".png");
        menu->hide();
    }
    window_->SidePanels()->setCurrentIndex(1);
    Save(window_.get(), "main_files_en.png");
    window_->SidePanels()->setCurrentIndex(2);
    Save(window_.get(), "main_database_en.png");
    window_->NewClick();
    window_->SidePanels()->setCurrentIndex(0);
    Save(window_.get(), "main_new_en.png");
}

TEST_F(ScreenshotTest, SmallWindows) {
    TfrmLanguage language;
    language.show();
    Save(&language, "language.png");
    TfrmAbout about(program_->DataFolder());
    about.show();
    Save(&about, "about.png");
    TfrmSplash splash(program_->DataFolder());
    splash.show();
    Save(&splash, "splash.png");
}

}  // namespace
}  // namespace vinra::ui::testing
