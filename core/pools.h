#pragma once
// The pools the program knows by code, and the per-pool settings of National.Ini.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "core/signs.h"

namespace vinra::core {

// A pool the program gives built-in behaviour, by its one-letter code.
struct PoolInfo {
    char code;
    const char* name;
    const char* country;
    bool halfTime;  // B, D, F: results only
};
// The built-in table (S, I, A..F, G, H, V, T, O); nullptr for an unknown code.
const PoolInfo* FindPool(std::string_view code);
const std::vector<PoolInfo>& BuiltinPools();

// First win level of a pool: 11 for T, 7 for O, 10 otherwise.
int FirstWinLevel(std::string_view code);

// Settings of one pool, from its section (named after the pool) in National.Ini.
struct PoolSettings {
    std::string name;  // section name = pool display name
    std::string img;
    int couponColumns = 12;
    std::string dbId = "S";
    DisplaySigns signs;
    bool pauseTipping = false;
    bool xml = true;
    int pricePerRow = 100;  // hundredths of the currency unit
    std::string printChar = "X";
};

struct OperatorLink {
    std::string caption;
    std::string url;
};

// National.Ini read key by key.
class NationalIni {
public:
    NationalIni() = default;
    explicit NationalIni(IniFile ini) : ini_(std::move(ini)) {}
    static NationalIni FromFile(const std::filesystem::path& path) { return NationalIni(IniFile::FromFile(path)); }

    // Operator names in file order (section Countries).
    std::vector<std::string> Operators() const;
    // Operator of a pool code (section Pools; default "Svenska Spel").
    std::string OperatorOfPool(std::string_view code) const;
    // Display name of a pool at an operator (default "Stryktipset").
    std::string PoolName(std::string_view country, std::string_view code) const;
    // Pool codes an operator lists, in file order (keys of the operator's section
    // that are one letter long).
    std::vector<std::string> PoolCodes(std::string_view country) const;
    // MENU0.. / URL0.. of an operator, up to the first missing index (at most 10).
    std::vector<OperatorLink> Links(std::string_view country) const;
    // Settings of the pool section named poolName, with the defaults for absent keys.
    PoolSettings Settings(std::string_view poolName) const;
    // Settings of the pool with a code: its name at its operator, then that section.
    PoolSettings SettingsOfCode(std::string_view code) const;
    // Settings of a system's pool: the section of its pool name when there is
    // one, else by its pool code (S when empty).
    PoolSettings SettingsOfSystem(std::string_view pool, std::string_view code) const;

    const IniFile& ini() const { return ini_; }
    IniFile& ini() { return ini_; }

private:
    IniFile ini_;
};

}  // namespace vinra::core
