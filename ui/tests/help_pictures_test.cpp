// The pictures of the manual: the real windows on a real round, opened through
// the main window's own commands, in every language. Runs only when
// VINRA_HELP_PICTURES names the folder to write (scripts/help_pictures.sh runs
// it under a virtual X server and writes help/pictures/<language>/).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>

#include <functional>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "ui/core/help.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

class HelpPictures : public UiFixture {
protected:
    void SetUp() override {
        const char* out = std::getenv("VINRA_HELP_PICTURES");
        if (!out || !*out) GTEST_SKIP() << "VINRA_HELP_PICTURES not set";
        out_ = out;
        withResult_ = true;
        UiFixture::SetUp();
    }

    static void Save(QWidget* w, const fs::path& file) {
        QTest::qWait(300);  // let the window lay itself out and paint
        const QPixmap pm = w->grab();
        ASSERT_FALSE(pm.isNull());
        fs::create_directories(file.parent_path());
        ASSERT_TRUE(pm.save(QString::fromStdString(file.string())));
    }

    // Runs the main window's command and photographs the modal window it
    // opens whose help page is `page`; other windows it opens on the way (a
    // statistics download, a question) are closed.
    void Shoot(const char* action, const std::string& page, const fs::path& file) {
        auto* act = window_->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(act, nullptr) << action;
        bool shot = false;
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        poll.setInterval(100);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                if (clock.elapsed() > 15000) poll.stop();
                return;
            }
            if (HelpPageOf(modal) == page && !shot) {
                shot = true;
                // The first tab is the one the page describes first.
                if (auto* tabs = modal->findChild<QTabWidget*>()) tabs->setCurrentIndex(0);
                Save(modal, file);
            }
            if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
            else modal->close();
        });
        poll.start();
        act->trigger();
        poll.stop();
        EXPECT_TRUE(shot) << action << " opened no window with the page " << page;
    }

    fs::path out_;
};

TEST_F(HelpPictures, TheWindowsOfTheManualInEveryLanguage) {
    core::TVinraFile doc;
    doc.NewSystem(13, false);
    doc.Omg = "2026-50";
    doc.OmgID = 4851;
    doc.Typ = "S";
    doc.Pool = "Stryktipset";
    doc.Country = "Svenska Spel";
    doc.Comment = "Halvgardering på derbyna.";
    const std::string facit = core::DisplayToSigns(kFixtureResult);
    doc.Rader = {facit, std::string(13, '0'), "0122001201012", "1122001201022", "0122001201010", "2102001201012"};
    doc.Grundrad = core::FrameFromRows(doc.Rader, 13);
    doc.Grundrad[6] = "012";
    fs::create_directories(userPool());
    const fs::path path = userPool() / "Stryktipset 2026-50.1x2";
    doc.SaveToFile(path);
    WriteLogos();
    window_->resize(1100, 760);
    window_->show();
    window_->FirstShow(QString::fromStdString(path.string()));
    QApplication::processEvents();

    const std::pair<int, const char*> languages[] = {{core::LangSwedish, "sv"},
                                                     {core::LangEnglish, "en"},
                                                     {core::LangDanish, "da"},
                                                     {core::LangNorwegian, "no"},
                                                     {core::LangFinnish, "fi"}};
    const std::pair<const char*, const char*> windows[] = {
        {"actReduce", "generate.htm"},   {"actReadSystem", "reduced.htm"}, {"actExpert", "expert.htm"},
        {"actCheck", "check.htm"},       {"actPrint", "print.htm"},        {"actViewCoupons", "viewer.htm"},
        {"actSetFrame", "gamewiz.htm"},  {"actSettings", "settings.htm"},
    };
    for (const auto& [base, lang] : languages) {
        window_->ChangeLanguage(base);
        const fs::path folder = out_ / lang;
        Save(window_.get(), folder / "mainwindow.png");
        for (const auto& [action, page] : windows) {
            std::string name = page;
            name.replace(name.size() - 4, 4, ".png");
            Shoot(action, page, folder / name);
        }
    }
    window_->ChangeLanguage(core::LangEnglish);
}

}  // namespace
}  // namespace vinra::ui::testing
