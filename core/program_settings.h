#pragma once
// What the program settings and internet settings dialogs show and store,
// without a window: every value read from and written back to RAVAROZ.INI and
// National.Ini, the Help-menu links and the goal-service sounds.
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ini.h"
#include "core/pools.h"
#include "core/settings.h"

namespace vinra::core {

struct ProgramSettingsValues {
    bool toolTip = true;
    bool fillAll = true;
    bool printUpperCase = true;
    bool lastSaved = true;
    bool closeProgram = true;
    bool useXWhenPrinting = false;
    bool warnings = true;
    bool guideOnNewFile = true;
    std::string apiKey;
    std::string printChar = "X";
    std::vector<OperatorLink> links;  // Help-menu links of the current operator
    int findTeams = 0;
    ProxySetting proxy;
    std::vector<std::pair<std::string, bool>> showPool;  // operator, listed
};

// Where the dialog's values live: the two files and the current pool.
struct SettingsPlace {
    std::string operatorName;  // section of the links in National.Ini
    std::string poolName;      // section of PrintChar in National.Ini
};

// The dialog's starting values: General keys from RAVAROZ.INI (LastSaved
// defaults to true here), apiKey, GuideOnNewFile and the proxy from the
// running program, PrintChar and the links from National.Ini.
ProgramSettingsValues LoadProgramSettings(const IniFile& ravaroz, const Settings& process, const NationalIni& national,
                                          const SettingsPlace& place);
// OK of the program settings: the values into both files (in memory; the
// caller saves them) and into the running program's settings.
void StoreProgramSettings(const ProgramSettingsValues& v, IniFile& ravaroz, IniFile& national,
                          const SettingsPlace& place, Settings& process);

// Links of an operator as the dialog reads them: MENU0..MENU8 up to the first
// empty caption; a link without an address is dropped and ends the list.
std::vector<OperatorLink> ReadDialogLinks(const NationalIni& national, std::string_view operatorName);
// The link grid's rows as stored: "&" removed from captions, rows without a
// caption skipped, the rest closed up.
std::vector<OperatorLink> CloseUpLinks(const std::vector<OperatorLink>& grid);
// Writes MENUn/URLn from 0 and deletes those keys of every later index up to 9,
// so that removed links do not come back.
void WriteLinks(IniFile& national, std::string_view operatorName, const std::vector<OperatorLink>& links);

// The six goal-service sound events and their files.
using SoundEvents = std::vector<std::pair<std::string, std::string>>;
SoundEvents DefaultSoundEvents();
// Section Sounds in file order; the defaults when it holds fewer than six entries.
SoundEvents ReadSoundEvents(const IniFile& ravaroz);
// Replaces section Sounds with the events in list order.
void WriteSoundEvents(IniFile& ravaroz, const SoundEvents& events);
// The file of a sound value: a bare name is in Cache/Sounds of the data folder.
std::filesystem::path SoundFilePath(std::string_view value, const std::filesystem::path& dataFolder);

}  // namespace vinra::core
