#include "ui/core/active_pools.h"

#include <algorithm>

#include "core/signs.h"
#include "core/text.h"

namespace vinra::ui {

ActivePools ActivePools::Load(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    try {
        return ActivePools(core::IniFile::FromFile(path));
    } catch (const core::FileError&) {
        return {};
    }
}

bool ActivePools::FileOK() const { return ini_.ReadBool("Info", "FileOK", false); }

std::string ActivePools::Date() const { return ini_.ReadString("Info", "Date", "2009-01-01"); }

std::vector<std::string> ActivePools::PoolCodes() const {
    std::vector<std::string> codes;
    for (char c : ini_.ReadString("Info", "Pools", "SI"))
        if (c != ' ') codes.emplace_back(1, c);
    return codes;
}

std::vector<TCouponInfoEx> ActivePools::Entries() const {
    std::vector<TCouponInfoEx> out;
    if (!FileOK()) return out;
    for (const auto& code : PoolCodes()) {
        // A file with thousands of sections is not one the service writes;
        // the bound keeps a damaged file from stalling the window.
        for (int k = 0; k < 100; ++k) {
            const std::string section = code + std::to_string(k);
            const std::string name = ini_.ReadString(section, "N");
            if (name.empty()) break;
            TCouponInfoEx e;
            e.code = code;
            e.name = name;
            e.country = ini_.ReadString(section, "C", "Svenska Spel");
            e.omg = ini_.ReadString(section, "Omg", core::RoundOfToday());
            e.omgId = static_cast<int32_t>(ini_.ReadInteger(section, "XMLOmgang", -1));
            e.numGames = static_cast<int32_t>(std::clamp<int64_t>(ini_.ReadInteger(section, "NumGames", 13), 1,
                                                                   core::kMaxMatches));
            e.deadline = ini_.ReadString(section, "Deadline");
            out.push_back(std::move(e));
        }
    }
    return out;
}

void ActivePools::CurrentRound(std::string_view code, core::TVinraFile& doc) const {
    const std::string section = ini_.ReadString("Info", code, "S0");
    doc.OmgID = static_cast<int32_t>(ini_.ReadInteger(section, "XMLOmgang", -1));
    doc.MatchCount = static_cast<int32_t>(
        std::clamp<int64_t>(ini_.ReadInteger(section, "NumGames", 13), 1, core::kMaxMatches));
    doc.Omg = ini_.ReadString(section, "Omg", core::RoundOfToday());
    doc.Pool = ini_.ReadString(section, "N", "Stryktipset");
    doc.Country = ini_.ReadString(section, "C", "Svenska Spel");
}

std::string PoolTreeName(const core::IniFile& updateIni, std::string_view code) {
    return updateIni.ReadString(code, "Name", "<not available>");
}

}  // namespace vinra::ui
