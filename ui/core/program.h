#pragma once
// The process-wide state of the desktop program: folders, settings, the one
// system document, the games and results database and the pool definitions.
// Created once at start-up and handed to every window.
#include <filesystem>
#include <memory>
#include <string>

#include "checking/tips_data.h"
#include "core/ini.h"
#include "core/pools.h"
#include "core/settings.h"
#include "core/system_document.h"

class QTemporaryDir;

namespace vinra::ui {

// Name of the data-files installer beside the program.
inline constexpr const char* kDataFilesInstaller = "vinra2000-datafiles";
// Name of the separate system-editor program beside the program.
inline constexpr const char* kSystemEditor = "kelbrio";

class Program {
public:
    // programFolder: where the installer and the system editor lie.
    explicit Program(std::filesystem::path programFolder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up: the settings file, the document with today's round and the
    // last pool, the proxy and the recent files; then the pool definitions.
    void LoadSettings();
    // LastInstall differs from this version, or National.Ini is missing.
    bool DataFilesInstallDue() const;
    // At exit: the games and results database is missing.
    bool DatabaseMissing() const;
    // Runs the installer with /S and waits. Empty when it ran; otherwise the
    // text to show (fixed English texts).
    std::string RunDataFilesInstaller() const;
    // Opens the games and results database; throws checking::DatabaseError.
    void OpenDatabase();
    // Re-reads National.Ini, update.ini (data folder) when present.
    void LoadDataFiles();
    // Exit-time keys of the settings file.
    void SaveSettings();

    // A folder only this run of the program uses for its temporary files
    // (mode 0700, removed at exit). Nothing outside it is ever deleted as a
    // temporary file.
    const std::filesystem::path& TempFolder();
    // Empties the temporary folder.
    void DeleteTemporaryFiles();

    const std::filesystem::path& ProgramFolder() const { return programFolder_; }
    const std::filesystem::path& DataFolder() const { return dataFolder_; }
    const std::filesystem::path& UserFolder() const { return userFolder_; }
    std::filesystem::path NationalPath() const { return dataFolder_ / "National.Ini"; }
    std::filesystem::path UpdateIniPath() const { return dataFolder_ / "update.ini"; }
    std::filesystem::path ActivePoolsPath() const { return dataFolder_ / "activepools.ini"; }
    // The round's statistics file: Cache/Data/<Pool> <OmgID>.ini.
    std::filesystem::path StatisticsFile() const;

    core::SettingsFile& settingsFile() { return *settingsFile_; }
    core::Settings settings;
    core::TVinraFile doc;
    checking::TTipsData db;
    core::NationalIni national;
    core::IniFile updateIni;

private:
    std::filesystem::path programFolder_;
    std::filesystem::path dataFolder_;
    std::filesystem::path userFolder_;
    std::unique_ptr<core::SettingsFile> settingsFile_;
    std::unique_ptr<QTemporaryDir> temp_;
    std::filesystem::path tempPath_;
};

}  // namespace vinra::ui
