// The pictures of the manual: the real windows on a real round, opened through
// the main window's own commands, in every language. Runs only when
// VINRA_HELP_PICTURES names the folder to write (scripts/help_pictures.sh runs
// it under a virtual X server and writes help/pictures/<language>/).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>

#include <functional>

#include "core/settings.h"
#include "ui/core/help.h"
#include "ui/tests/support/picture_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;

class HelpPictures : public PictureFixture {
protected:
    void SetUp() override { StartPictures("VINRA_HELP_PICTURES"); }

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
                Save(modal, file, 300);
            }
            if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
            else modal->close();
        });
        poll.start();
        act->trigger();
        poll.stop();
        EXPECT_TRUE(shot) << action << " opened no window with the page " << page;
    }
};

TEST_F(HelpPictures, TheWindowsOfTheManualInEveryLanguage) {
    window_->resize(1100, 760);
    OpenRound("Halvgardering på derbyna.", {"0122001201012", "1122001201022", "0122001201010", "2102001201012"});

    const std::pair<const char*, const char*> windows[] = {
        {"actReduce", "generate.htm"},   {"actReadSystem", "reduced.htm"}, {"actExpert", "expert.htm"},
        {"actCheck", "check.htm"},       {"actPrint", "print.htm"},        {"actViewCoupons", "viewer.htm"},
        {"actSetFrame", "gamewiz.htm"},  {"actSettings", "settings.htm"},
    };
    for (const auto& [base, lang] : kLanguages) {
        window_->ChangeLanguage(base);
        const fs::path folder = out_ / lang;
        Save(window_.get(), folder / "mainwindow.png", 300);
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
