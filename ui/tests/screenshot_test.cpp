// Pictures of the windows for looking at them, in every language. Runs only
// when VINRA_SCREENSHOT_DIR names a folder for the PNG files.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTabWidget>

#include "core/settings.h"
#include "ui/core/about_box.h"
#include "ui/core/language_window.h"
#include "ui/core/splash.h"
#include "ui/tests/support/picture_fixture.h"

namespace vinra::ui::testing {
namespace {

class ScreenshotTest : public PictureFixture {
protected:
    void SetUp() override { StartPictures("VINRA_SCREENSHOT_DIR"); }
    void Save(QWidget* w, const std::string& name) { PictureFixture::Save(w, out_ / name); }
};

TEST_F(ScreenshotTest, MainWindowWithARealRoundInEveryLanguage) {
    // A reduced system of the round with a comment, checked against the stored result.
    OpenRound("Half guards on the derbies.\r\nFull guard on match 7.", {"0122001201012", "1122001201022"});
    for (const auto& [base, code] : kLanguages) {
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
