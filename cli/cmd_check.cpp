// vinra check SYSTEM.1x2 [--result ROW] [--json]: checks a system against a result row.
#include <filesystem>
#include <iostream>

#include <nlohmann/json.hpp>

#include "checking/engine.h"
#include "cli/command.h"
#include "core/folders.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"

namespace vinra::cli {
namespace {

struct CheckOptions {
    std::string file;
    std::string result;
    bool json = false;
};

// A result row typed in the pool's display characters ('-' for undecided) to
// internal codes; letters compare without regard to case.
std::string ResultFromDisplay(const std::string& text, const core::DisplaySigns& signs, int n) {
    if (static_cast<int>(text.size()) != n)
        throw CommandError("result row \"" + text + "\" has " + std::to_string(text.size()) +
                           " characters; the system has " + std::to_string(n) + " matches");
    std::string facit;
    for (char c : text) {
        const std::string one(1, c);
        if (c == '-') facit += '-';
        else if (core::EqualsNoCase(one, signs.home)) facit += '0';
        else if (core::EqualsNoCase(one, signs.draw)) facit += '1';
        else if (core::EqualsNoCase(one, signs.away)) facit += '2';
        else
            throw CommandError("result row \"" + text + "\": '" + one + "' is not one of " + signs.home + ", " +
                               signs.draw + ", " + signs.away + " or -");
    }
    return facit;
}

int RunCheck(const CheckOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const int n = doc.MatchCount;
    if (n < 1 || n > core::kMaxMatches)
        throw CommandError(opt.file + ": the system has " + std::to_string(n) + " matches");
    if (doc.Rader.empty()) throw CommandError(opt.file + ": There are no rows!");
    const core::PoolSettings pool = PoolOfSystem(doc);

    if (!opt.result.empty()) {
        doc.Facit = ResultFromDisplay(opt.result, pool.signs, n);
    } else if (static_cast<int>(doc.Facit.size()) != n) {
        throw CommandError(opt.file + ": the system holds no result row; give one with --result");
    }

    const auto res = checking::CheckRows(doc, pool.couponColumns, pool.signs);
    const auto protocol = checking::WinningRowConditions(doc, doc.Facit, pool.signs);

    if (opt.json) {
        nlohmann::ordered_json j;
        j["distribution"] = res.counts;
        j["best"] = res.best;
        j["winning_lines"] = res.winningLines;
        j["protocol"] = protocol.lines;
        j["conditions_ok"] = protocol.verdict ? nlohmann::ordered_json(*protocol.verdict) : nlohmann::ordered_json();
        std::cout << j.dump() << "\n";
        return 0;
    }
    std::cout << "Result: " << core::SignsToDisplay(doc.Facit, pool.signs) << "\n";
    for (int k = n; k >= 0; --k)
        std::cout << (k < 10 ? " " : "") << k << " right: " << core::GroupDigits(res.counts[static_cast<size_t>(k)])
                  << "\n";
    std::cout << "Best: " << res.best << " right\n";
    for (const auto& line : res.winningLines) std::cout << line << "\n";
    for (const auto& line : protocol.lines) std::cout << line << "\n";
    if (protocol.verdict) std::cout << "Conditions OK: " << (*protocol.verdict ? "Yes" : "No") << "\n";
    return 0;
}

Registrar reg("check", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<CheckOptions>();
    auto* sub = app.add_subcommand("check", "Check a system against a result row");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_option("--result", opt->result,
                    "Result row in the pool's display characters, '-' for undecided (default: the file's)");
    sub->add_flag("--json", opt->json, "Print one JSON object");
    return [opt] { return RunCheck(*opt); };
});

}  // namespace
}  // namespace vinra::cli
