// vinra value SYSTEM.1x2 [--info GAMEINFO.ini] [--turnover KR] [--json]
// [--keep K -o OUT.1x2]: the value of a system estimated from the round's
// market data (odds and people's percentages of its game information): the
// chance of N..N-3 right, the expected return per krona and its distribution,
// computed over every possible result. --keep writes the K rows of the
// highest value.
#include <filesystem>
#include <iostream>
#include <memory>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "core/folders.h"
#include "core/messages.h"
#include "core/pools.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/text.h"
#include "net/game_info.h"
#include "reduction/system_value.h"

namespace vinra::cli {
namespace {

constexpr double kMaxTurnover = 1e13;

struct ValueOptions {
    std::string file;
    std::string info;
    double turnover = 0;
    bool json = false;
    int64_t keep = 0;
    std::string out;
};

std::string English(int number, const std::vector<core::MsgArg>& args = {}) {
    return core::FormatMsg(core::MsgIn(core::LangEnglish, number), args);
}

int RunValue(const ValueOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const int n = doc.MatchCount;
    if (n < 3 || n > reduction::kMaxValueMatches)
        throw CommandError(opt.file + ": " + English(1420, {static_cast<long long>(reduction::kMaxValueMatches)}));
    if (doc.Rader.empty()) throw CommandError(opt.file + ": " + English(1424));
    if (opt.keep != 0 && opt.out.empty()) throw CommandError("--keep needs -o OUT.1x2 to write the rows to");
    if (opt.keep < 0) throw CommandError(fmt::format("--keep {}: keep at least one row", opt.keep));
    // The turnover is shown and written as whole kronor: beyond this (or
    // infinite) it no longer fits and would come out negative.
    if (!(opt.turnover >= 0) || opt.turnover > kMaxTurnover)
        throw CommandError(fmt::format("--turnover {}: give an amount of 0 to {:.0f} kr", opt.turnover, kMaxTurnover));

    const std::filesystem::path infoFile =
        opt.info.empty() ? net::GameInfoFile(core::DataFolder(), doc.Pool, doc.OmgID) : std::filesystem::path(opt.info);
    std::error_code ec;
    if (!std::filesystem::exists(infoFile, ec))
        throw CommandError(fmt::format("{}: {} ({})", opt.file, English(1419), infoFile.string()));
    net::TSvSpelInfo info;
    info.Load(infoFile, n);
    const reduction::ValueModel model = reduction::MarketValueModel(
        n, info.OddsPercent, info.UbetPercent, info.PeopleValue, opt.turnover, core::FirstWinLevel(doc.Typ));
    if (reduction::NoMarketData(model))
        throw CommandError(fmt::format("{}: {} ({})", opt.file, English(1419), infoFile.string()));

    CatchInterrupt();
    const reduction::SystemValue v = reduction::ComputeSystemValue(doc.Rader.Strings(), model, &InterruptFlag());
    if (!v.complete) {
        std::cerr << "vinra: interrupted.\n";
        return 130;
    }

    if (opt.keep > 0) {
        doc.Rader = reduction::KeepHighestValue(doc.Rader.Strings(), model, static_cast<size_t>(opt.keep));
        // The rows have changed: a stored warranty no longer describes them.
        doc.Gar.clear();
        doc.GarRad.clear();
        doc.GarAnt.clear();
        doc.AntalGarantiRader = 0;
        doc.AntalRader = 1;
        try {
            doc.SaveToFile(opt.out);
        } catch (const core::FileError& e) {
            throw CommandError(e.what());
        }
    }

    if (opt.json) {
        nlohmann::ordered_json j;
        j["rows"] = v.rows;
        j["stake"] = v.stake;
        j["turnover"] = model.turnover;
        j["turnover_known"] = model.turnoverKnown;
        auto chances = nlohmann::ordered_json::object();
        for (int k = 0; k < 4; ++k) chances[std::to_string(n - k)] = v.bestChance[k];
        j["chance_best"] = chances;
        j["no_win"] = v.noWinChance;
        j["expected_return"] = v.expectedReturn;
        j["return_per_krona"] = v.returnPerKrona;
        j["distribution"] = nlohmann::ordered_json::array();
        for (const auto& c : v.distribution)
            j["distribution"].push_back({{"from", c.from}, {"to", c.to}, {"probability", c.probability}});
        j["matches_without_odds"] = model.matchesWithoutOdds;
        j["matches_without_people"] = model.matchesWithoutPeople;
        if (opt.keep > 0) j["kept_rows"] = doc.Rader.size();
        j["note"] = English(1427);
        std::cout << j.dump() << "\n";
        return 0;
    }

    std::cout << English(1410) << ": " << opt.file << " (" << core::GroupDigits(v.rows) << " rows, "
              << core::FormatMsg("%.2f", {v.stake}) << " kr)\n";
    const auto lines = reduction::SystemValueLines(v, model, core::LangEnglish);  // chances, return, turnover, note
    std::cout << lines[5] << "\n";
    for (int k = 0; k < 4; ++k) std::cout << "  " << lines[static_cast<size_t>(k)] << "\n";
    std::cout << lines[4] << "\n";
    std::cout << English(1413) << " (" << English(1415) << "):\n";
    for (size_t i = 0; i < v.distribution.size(); ++i)
        std::cout << fmt::format("  {:<14} {}\n", reduction::ReturnClassLabel(v.distribution[i], i, core::LangEnglish),
                                 reduction::ProbabilityText(v.distribution[i].probability));
    if (model.matchesWithoutOdds > 0)
        std::cout << fmt::format("{} of {} matches without odds: their chances come from the people's percentages.\n",
                                 model.matchesWithoutOdds, n);
    if (opt.keep > 0) std::cout << English(1418, {static_cast<long long>(doc.Rader.size())}) << ": " << opt.out << "\n";
    std::cout << lines[6] << "\n";
    return 0;
}

Registrar reg("value", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<ValueOptions>();
    auto* sub = app.add_subcommand("value",
                                   "The value of a system estimated from market odds: the chance of "
                                   "N..N-3 right, the expected return and its distribution");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_option("--info", opt->info,
                    "Game information of the round (default: the round's file in the data folder's cache)");
    sub->add_option("--turnover", opt->turnover, "Turnover of the round in kronor (default: a typical turnover)")
        ->check(CLI::NonNegativeNumber);
    sub->add_flag("--json", opt->json, "Print one JSON object");
    sub->add_option("--keep", opt->keep, "Keep the K rows of the highest value (needs -o)");
    sub->add_option("-o,--output", opt->out, "With --keep: write the system with the kept rows here");
    sub->footer("\n" + English(1417));
    return [opt] { return RunValue(*opt); };
});

}  // namespace
}  // namespace vinra::cli
