#pragma once
// For the tests that photograph the real windows (screenshots, the manual's
// pictures): they run only when an environment variable names the folder for
// the pictures, on the fixture's round with its stored result, in every language.
#include <QApplication>
#include <QPixmap>
#include <QtTest/QTest>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/settings.h"
#include "core/signs.h"
#include "ui/tests/support/fixture_round.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {

class PictureFixture : public UiFixture {
protected:
    // The languages and the folder or file suffix of each.
    static constexpr std::pair<int, const char*> kLanguages[] = {{core::LangSwedish, "sv"},
                                                                 {core::LangEnglish, "en"},
                                                                 {core::LangDanish, "da"},
                                                                 {core::LangNorwegian, "no"},
                                                                 {core::LangFinnish, "fi"}};

    // Skips the test unless envVar names the folder for the pictures.
    void StartPictures(const char* envVar) {
        const char* out = std::getenv(envVar);
        if (!out || !*out) GTEST_SKIP() << envVar << " not set";
        out_ = out;
        withResult_ = true;
        UiFixture::SetUp();
    }

    // A picture of w as file, after waitMs for it to lay itself out and paint.
    static void Save(QWidget* w, const std::filesystem::path& file, int waitMs = 0) {
        if (waitMs > 0) QTest::qWait(waitMs);
        QApplication::processEvents();
        const QPixmap pm = w->grab();
        ASSERT_FALSE(pm.isNull());
        std::filesystem::create_directories(file.parent_path());
        ASSERT_TRUE(pm.save(QString::fromStdString(file.string())));
    }

    // A system of round 2026-50 (the stored result, a row of home wins and
    // moreRows, match 7 fully guarded) saved in the user's folder, with the
    // logos of its clubs, opened in the shown main window.
    void OpenRound(const std::string& comment, const std::vector<std::string>& moreRows) {
        core::TVinraFile doc;
        doc.NewSystem(13, false);
        SetFixtureRound(doc);
        doc.Comment = comment;
        doc.Rader = {core::DisplayToSigns(kFixtureResult), std::string(13, '0')};
        for (const std::string& row : moreRows) doc.Rader.push_back(row);
        doc.Grundrad = core::FrameFromRows(doc.Rader, 13);
        doc.Grundrad[6] = "012";
        std::filesystem::create_directories(userPool());
        const std::filesystem::path path = userPool() / "Stryktipset 2026-50.1x2";
        doc.SaveToFile(path);
        WriteLogos();
        window_->show();
        window_->FirstShow(QString::fromStdString(path.string()));
        QApplication::processEvents();
    }

    std::filesystem::path out_;
};

}  // namespace vinra::ui::testing
