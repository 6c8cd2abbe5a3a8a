#pragma once
// activepools.ini: the open rounds of every pool, read key by key.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "core/system_document.h"

namespace vinra::ui {

// One open round: a button of the active-pools panel.
struct TCouponInfoEx {
    std::string code;      // pool code
    std::string name;      // N
    std::string country;   // C
    std::string omg;       // Omg
    int32_t omgId = -1;    // XMLOmgang
    int32_t numGames = 13; // NumGames
    std::string deadline;  // Deadline
    // "N (Deadline) " as the button shows it.
    std::string Caption() const { return name + " (" + deadline + ") "; }
};

class ActivePools {
public:
    ActivePools() = default;
    explicit ActivePools(core::IniFile ini) : ini_(std::move(ini)) {}
    // A missing or unreadable file reads as an empty one (every default).
    static ActivePools Load(const std::filesystem::path& path);

    bool FileOK() const;
    // [Info] Date, default 2009-01-01.
    std::string Date() const;
    // [Info] Pools, default "SI"; one code per character.
    std::vector<std::string> PoolCodes() const;
    // Every open round (only when FileOK): for each code, sections code0, code1...
    // while N is not empty.
    std::vector<TCouponInfoEx> Entries() const;
    // The current round of a pool code into the document: OmgID, MatchCount,
    // Omg, Pool and Country from the section [Info] names for the code (S0 by default).
    void CurrentRound(std::string_view code, core::TVinraFile& doc) const;

private:
    core::IniFile ini_;
};

// Display name of a pool code for the trees: update.ini [code] Name, default "<not available>".
std::string PoolTreeName(const core::IniFile& updateIni, std::string_view code);

}  // namespace vinra::ui
