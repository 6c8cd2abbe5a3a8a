#include "ui/tests/support/ui_fixture.h"

#include <cstdlib>

#include <QApplication>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"

namespace vinra::ui::testing {

namespace fs = std::filesystem;

const std::vector<std::string>& FixtureHomes() {
    static const std::vector<std::string> v = {"Arsenal",     "Brentford", "Everton",   "Fulham",   "Leeds",
                                               "Liverpool",   "Newcastle", "Burnley",   "Coventry", "Derby",
                                               "Hull",        "Millwall",  "Watford"};
    return v;
}
const std::vector<std::string>& FixtureAways() {
    static const std::vector<std::string> v = {"Chelsea",   "Brighton",   "Wolves",  "Aston Villa", "Tottenham",
                                               "Man City",  "West Ham",   "Stoke",   "Norwich",     "Preston",
                                               "Sheff Wed", "Portsmouth", "Ipswich"};
    return v;
}

void UiFixture::SetUp() {
    setenv("VINRA_HOME", dir_.path().c_str(), 1);
    const fs::path data = dir_.path() / "Program";
    fs::create_directories(data / "DB");
    const fs::path src = fs::path(VINRA_SOURCE_DIR) / "ui" / "tests" / "data";
    for (const char* f : {"National.Ini", "activepools.ini", "update.ini"})
        fs::copy_file(src / f, data / f, fs::copy_options::overwrite_existing);
    if (startWindow_) StartWindow();
}

void UiFixture::StartWindow() {
    program_ = std::make_unique<Program>(dir_.path() / "bin");
    program_->LoadSettings();
    program_->settings.language = core::LangEnglish;
    program_->settings.guideOnNewFile = false;
    program_->settings.closeProgram = false;
    core::SetCurrentLanguage(core::LangEnglish);
    core::SetCurrentDisplaySigns(core::DisplaySigns{});
    program_->OpenDatabase();
    FillDatabase(withResult_);
    window_ = std::make_unique<TfrmStryk>(*program_, prompter_);
}

void UiFixture::FillDatabase(bool withResult) {
    core::TVinraFile doc;
    doc.OmgID = 4851;
    doc.Omg = "2026-50";
    program_->db.SaveGames(doc, 202650, "S", FixtureHomes(), FixtureAways());
    if (withResult) {
        checking::TFacitRec rec;
        rec.Typ = "S";
        rec.OmgID = 4851;
        rec.Omg = 202650;
        rec.Rad = kFixtureResult;
        rec.Winners = {12, 340, 3100, 25000};
        rec.Payout = {150000000, 420050, 21000, 3500};
        program_->db.StoreResult(rec);
    }
}

void UiFixture::TearDown() {
    window_.reset();
    program_.reset();
    unsetenv("VINRA_HOME");
}

fs::path UiFixture::userPool() const { return dir_.path() / "User" / "Stryktipset"; }

std::string UiFixture::Msg(int n) const { return core::Msg(n); }

}  // namespace vinra::ui::testing
