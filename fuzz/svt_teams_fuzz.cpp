// The SVT Text team mapping (teamstat.ini [teams_svt]) read with a goal page:
// any mapping file and any page parse, and a name accepted from the page,
// written to the mapping and read back, is the name stored.
#include "fuzz/fuzz_support.h"

#include "core/ini.h"
#include "net/result_parsers.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto parts = fuzz::SplitInput(fuzz::AsText(data + 1, size - 1), 2);
    core::IniFile teamstat = core::IniFile::FromText(parts[0]);
    // The system's teams: the mapping's own keys, as a round of known teams gives.
    std::vector<std::string> homes, aways;
    for (const std::string& key : teamstat.Keys("teams_svt")) {
        (homes.size() <= aways.size() ? homes : aways).push_back(key);
        if (aways.size() >= core::kMaxMatches) break;
    }
    homes.push_back("Hammarby");
    net::TResultInfo info;
    info.findTeams = data[0] % 3;
    net::ParseSvtPageText(parts[1], info, (data[0] & 0x80) ? "S" : "I", homes, aways, teamstat);
    const std::string& page = info.pageLines;
    for (const std::string& team : homes) {
        const std::string suggestion = net::SvtSuggestion(team, page);
        if (!net::SvtNameAcceptable(suggestion, page)) continue;
        teamstat.WriteString("teams_svt", team, suggestion);
        const core::IniFile back = core::IniFile::FromText(teamstat.ToText());
        (void)back.ReadString("teams_svt", team);
    }
    return 0;
}
