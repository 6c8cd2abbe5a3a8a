#pragma once
// A main window on a fresh VINRA_HOME: pool definitions, active pools and a
// games database with the teams of a real round, and a prompter the test answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/temp_dir.h"
#include "ui/core/main_window.h"
#include "ui/core/program.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui::testing {

// Teams of the fixture round (Stryktipset, draw 4851, 2026-50).
const std::vector<std::string>& FixtureHomes();
const std::vector<std::string>& FixtureAways();
// Result row of the fixture round in display signs.
inline constexpr const char* kFixtureResult = "1X2211X21X122";

class UiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the program and the window (called by SetUp unless delayed).
    void StartWindow();
    // Stores the fixture's games (and result) in the database.
    void FillDatabase(bool withResult);
    // teamstat.ini, teamlogo.ini and a small picture per club of the round
    // (Arsenal through its alias "Arsenal FC").
    void WriteLogos();

    std::filesystem::path home() const { return dir_.path(); }
    std::filesystem::path userPool() const;  // user folder / Stryktipset
    std::string Msg(int n) const;

    vinra::testing::TempDir dir_;
    std::unique_ptr<Program> program_;
    ScriptedPrompter prompter_;
    std::unique_ptr<TfrmStryk> window_;
    bool startWindow_ = true;
    bool withResult_ = false;
};

}  // namespace vinra::ui::testing
