#pragma once
// Installation of the data files shipped with the program into the data folder.
//
// What lands where (paths relative to the data folder):
//   National.Ini          pools and operators; replaced, but the keys the program's
//                          own dialogs write (print character, coupon layout, web
//                          links) are carried over when the user changed them
//   National.Ini.shipped  a copy of the National.Ini last installed, so the next
//                          installation can tell the user's changes from old defaults
//   update.ini            service definitions; an existing file (perhaps fresher,
//                          from the web service) is kept and only gets missing keys
//   activepools.ini       first-start sample; an existing file is kept
//   Images/...            program logo (logo.png) and pool logos; replaced
//   Cache/Sounds/...      sounds of the live goal update; replaced
//   SYSTEM/<operator>/... reduced systems; replaced
//   Expertsystem/...      expert templates and their pictures; replaced unless
//                          the player changed the file (Expertsystem/.shipped/
//                          keeps what was installed last, to tell)
//   DB/tipsdata.sqlite    the games and results database; created empty when
//                          absent (old data packets beside it are read in), never replaced
// RAVAROZ.INI is never touched. Every file is written atomically.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"

namespace vinra::installer {

enum class Action {
    Installed,  // the file was not there
    Replaced,   // an older copy was replaced
    Merged,     // written from the shipped file and the user's own values
    Unchanged,  // already as shipped
    Kept,       // the user's file was left as it is
    Created,    // made anew (the database)
    Failed,     // could not be installed; detail says why
};
const char* ActionName(Action action);

struct InstallEntry {
    std::filesystem::path target;  // relative to the data folder
    Action action;
    std::string detail;
};

struct InstallReport {
    std::vector<InstallEntry> entries;
    bool ok() const;
    size_t count(Action action) const;
};

// The shipped data: <exeDir>/../share/vinra2000 when it holds National.Ini (an
// installed program), else, for a program in the build tree's bin/, the
// resources/ folder of the source tree it was built from. Empty when neither
// holds National.Ini.
std::filesystem::path FindShippedData(const std::filesystem::path& exeDir);

// Installs everything under source into dataFolder. Goes on after a failure,
// so one unwritable file does not keep the others out; the report lists each.
InstallReport InstallDataFiles(const std::filesystem::path& source, const std::filesystem::path& dataFolder);

// The keys of a pool section that the coupon settings and program settings
// dialogs write, besides the check boxes CB0, CB1, ...
const std::vector<std::string>& UserPoolKeys();

struct MergeResult {
    core::IniFile ini;
    std::vector<std::string> carried;  // "section/key" (or "section/links", "section/CB") kept from the user
};
// The shipped National.Ini with the user's own values put back. A value is the
// user's own when it differs from previousShipped (what the last installation
// shipped); without that copy every value the user's file holds counts as own.
// Link lists (MENUn/URLn) and check-box lists (CBn) move as whole lists.
MergeResult MergeNationalIni(const core::IniFile& shipped, const core::IniFile& user,
                             const core::IniFile* previousShipped);

// Adds to target every key of shipped that target lacks; returns how many.
size_t AddMissingKeys(core::IniFile& target, const core::IniFile& shipped);

// The first-start rule of the program: the data files are installed when the
// version that last ran differs from this one or National.Ini is missing.
bool InstallationDue(std::string_view lastInstall, const std::filesystem::path& dataFolder);
// The exit rule: the games and results database is missing.
bool DatabaseMissing(const std::filesystem::path& dataFolder);
std::filesystem::path DatabaseFile(const std::filesystem::path& dataFolder);

}  // namespace vinra::installer
