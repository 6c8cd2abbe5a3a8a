#pragma once
// The reduction windows on a fresh VINRA_HOME: pool definitions, active pools
// and update.ini in the program folder, English texts, the default signs and a
// prompter the test answers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "tests/temp_dir.h"
#include "ui/core/program.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui::testing {

class ReductionWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        setenv("VINRA_HOME", dir_.path().c_str(), 1);
        const fs::path data = dir_.path() / "Program";
        fs::create_directories(data / "DB");
        const fs::path src = fs::path(VINRA_SOURCE_DIR) / "ui" / "tests" / "data";
        for (const char* f : {"National.Ini", "activepools.ini", "update.ini"})
            fs::copy_file(src / f, data / f, fs::copy_options::overwrite_existing);
        program_ = std::make_unique<Program>(dir_.path() / "bin");
        program_->LoadSettings();
        SetLanguage(core::LangEnglish);
        core::SetCurrentDisplaySigns(core::DisplaySigns{});
    }
    void TearDown() override {
        program_.reset();
        unsetenv("VINRA_HOME");
    }
    void SetLanguage(int base) {
        program_->settings.language = base;
        core::SetCurrentLanguage(base);
    }
    QString Msg(int n) const { return QString::fromStdString(core::Msg(n)); }

    // A Stryktipset system of the fixture round with the given frame and no rows.
    static core::TVinraFile System(const std::vector<std::string>& frame) {
        core::TVinraFile doc;
        doc.NewSystem(static_cast<int>(frame.size()), false);
        doc.Grundrad = frame;
        doc.Pool = "Stryktipset";
        doc.Country = "Svenska Spel";
        doc.Typ = "S";
        doc.Omg = "2026-50";
        doc.OmgID = 4851;
        return doc;
    }

    // The command-line program built beside the tests.
    static std::filesystem::path Cli() {
        return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / ".." / "bin" / "vinra";
    }

    vinra::testing::TempDir dir_;
    std::unique_ptr<Program> program_;
    ScriptedPrompter prompter_;
};

}  // namespace vinra::ui::testing
