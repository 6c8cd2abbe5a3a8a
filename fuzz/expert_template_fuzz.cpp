// The expert-system template reader (.exp), applied to a round: a template
// read, written and read again reads the same, and applying any template to
// any round gives a frame of the round's matches.
#include "fuzz/fuzz_support.h"

#include "core/ini.h"
#include "reduction/expert_system.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 2);
    const reduction::ExpertTemplate t = reduction::TemplateFromIni(core::IniFile::FromText(parts[0]));
    const reduction::ExpertTemplate again =
        reduction::TemplateFromIni(core::IniFile::FromText(reduction::TemplateToIni(t).ToText()));
    const reduction::ExpertTemplate third =
        reduction::TemplateFromIni(core::IniFile::FromText(reduction::TemplateToIni(again).ToText()));
    VINRA_FUZZ_CHECK(third == again);

    // The round's people's percentages: "h;x;a" per line of the second part.
    std::vector<std::array<std::string, 3>> people;
    std::string_view rest = parts[1];
    while (!rest.empty() && people.size() < core::kMaxMatches) {
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
        std::array<std::string, 3> cells;
        for (auto& c : cells) {
            const size_t semi = line.find(';');
            c = std::string(line.substr(0, semi));
            line = semi == std::string_view::npos ? std::string_view{} : line.substr(semi + 1);
        }
        people.push_back(std::move(cells));
    }
    const int n = people.size() >= 8 ? static_cast<int>(people.size()) : core::kDefaultMatches;
    people.resize(static_cast<size_t>(n));
    const auto rank = reduction::FavouriteRanking(people, n);
    VINRA_FUZZ_CHECK(rank.size() == static_cast<size_t>(n));
    const reduction::ExpertSetup setup = reduction::ApplyTemplate(t, rank, n, reduction::NewConditionSet(n));
    VINRA_FUZZ_CHECK(setup.frame.size() == static_cast<size_t>(n));
    for (const std::string& cell : setup.frame) VINRA_FUZZ_CHECK(!cell.empty() && cell.size() <= 3);
    return 0;
}
