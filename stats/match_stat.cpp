#include "stats/match_stat.h"

#include <system_error>

namespace vinra::stats {

namespace fs = std::filesystem;

std::string DetailsAddress(const core::IniFile& updateIni, std::string_view typ, int64_t omgId) {
    std::string tmpl = updateIni.ReadString(typ, "Details");
    const std::string draw = std::to_string(omgId);
    std::string out;
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] == '%' && i + 1 < tmpl.size() && tmpl[i + 1] == 's') {
            out += draw;
            ++i;
        } else {
            out += tmpl[i];
        }
    }
    return out;
}

std::string LastPathSegment(std::string_view url) {
    if (const auto cut = url.find_first_of("?#"); cut != std::string_view::npos) url = url.substr(0, cut);
    const auto slash = url.find_last_of('/');
    return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

RoundStored StoreRoundAndPlanLogos(const fs::path& roundInfoFile, const fs::path& dataFolder, core::TVinraFile& doc,
                                   checking::TTipsData* db) {
    RoundStored r;
    std::error_code ec;
    if (!fs::exists(roundInfoFile, ec)) return r;
    r.teams = ReadRoundTeams(roundInfoFile, dataFolder);
    // A round text that is not "yyyy-ww" has no round number: the matches are
    // not stored rather than filed under round 0.
    const int32_t round = RoundNumberOfOmg(doc.Omg);
    if (db && round > 0 && !r.teams.homes.empty() && !r.teams.homes.front().empty()) {
        r.savedGames = db->SaveGames(doc, round, doc.Typ, r.teams.homes, r.teams.aways);
    }
    r.logos = PlanLogoDownloads(r.teams, dataFolder / "Cache" / "Images");
    return r;
}

}  // namespace vinra::stats
