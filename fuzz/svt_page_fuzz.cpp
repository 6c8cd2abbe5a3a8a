// The SVT Text goal page parser, for a round of the sample teams.
#include "fuzz/fuzz_support.h"

#include "net/result_parsers.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const core::IniFile teamstat =
        core::IniFile::FromText("[teams_svt]\nMalmö FF=Malmö\nAIK=AIK\nHammarby=Hammarby\n");
    static const std::vector<std::string> homes = {"Malmö FF", "AIK", "Arsenal", "Everton", "", "Hammarby"};
    static const std::vector<std::string> aways = {"Hammarby", "Djurgården", "Chelsea", "Fulham", "Leeds", ""};
    if (size == 0) return 0;
    net::TResultInfo info;
    info.findTeams = data[0] % 3;
    net::ParseSvtPageText(fuzz::AsText(data + 1, size - 1), info, (data[0] & 0x80) ? "S" : "I", homes, aways, teamstat);
    const std::string& text = info.pageLines;
    (void)net::SvtSuggestion("Hammarby", text);
    (void)net::SvtNameAcceptable("AIK", text);
    return 0;
}
