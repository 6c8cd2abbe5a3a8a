#include "ui/tests/support/ui_fixture.h"

#include <cstdlib>
#include <fstream>

#include <QApplication>
#include <QColor>
#include <QPainter>
#include <QPixmap>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"

namespace vinra::ui::testing {

namespace fs = std::filesystem;

const std::vector<std::string>& FixtureHomes() {
    static const std::vector<std::string> v = {"Arsenal",   "Brentford", "Everton", "Fulham",   "Leeds",
                                               "Liverpool", "Newcastle", "Burnley", "Coventry", "Derby",
                                               "Hull",      "Millwall",  "Watford"};
    return v;
}
const std::vector<std::string>& FixtureAways() {
    static const std::vector<std::string> v = {"Chelsea",   "Brighton",   "Wolves", "Aston Villa", "Tottenham",
                                               "Man City",  "West Ham",   "Stoke",  "Norwich",     "Preston",
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

void UiFixture::WriteLogos() {
    const fs::path data = dir_.path() / "Program";
    const fs::path images = data / "Cache" / "Images";
    fs::create_directories(images);
    std::string stat = "[Alias]\r\nArsenal=Arsenal FC\r\n[Update]\r\nFileOK=1\r\n";
    std::string logo = "[Images]\r\n";
    std::vector<std::string> teams = FixtureHomes();
    teams.insert(teams.end(), FixtureAways().begin(), FixtureAways().end());
    int i = 0;
    for (const auto& team : teams) {
        const std::string key = team == "Arsenal" ? "Arsenal FC" : team;
        const std::string file = "logo" + std::to_string(i) + ".png";
        logo += key + "=http://logos.example/img/" + file + "\r\n";
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor::fromHsv((i * 37) % 360, 170, 200));
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.end();
        pm.save(QString::fromStdString((images / file).string()));
        ++i;
    }
    logo += "[Update]\r\nFileOK=1\r\n";
    std::ofstream(data / "teamstat.ini", std::ios::binary) << stat;
    std::ofstream(data / "teamlogo.ini", std::ios::binary) << logo;
}

fs::path UiFixture::userPool() const { return dir_.path() / "User" / "Stryktipset"; }

std::string UiFixture::Msg(int n) const { return core::Msg(n); }

}  // namespace vinra::ui::testing
