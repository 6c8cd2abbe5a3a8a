// vinra warranty SYSTEM.1x2 [--json] [-o OUT.1x2]: the warranty table of a
// system's rows over the outcomes its frame and conditions allow.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/conditions.h"
#include "reduction/row_generation.h"
#include "reduction/warranty.h"

namespace vinra::cli {
namespace {

struct WarrantyOptions {
    std::string file;
    std::string out;
    bool json = false;
};

int RunWarranty(const WarrantyOptions& opt) {
    CatchInterrupt();
    core::TVinraFile doc = LoadSystem(opt.file);
    const int n = doc.MatchCount;
    if (n == 0 || doc.Grundrad.empty()) throw CommandError(opt.file + ": the system has no frame");
    if (n < 3)
        throw CommandError(
            fmt::format("{}: the warranty needs at least 3 matches (it counts N to N-3 right); "
                        "this system has {}",
                        opt.file, n));

    reduction::GenerationInput in;
    in.mode = reduction::GenerationMode::Warranty;
    in.frame = doc.Grundrad;
    in.conditions = reduction::FromDocument(doc);
    // A system file holds no people's percentages: every percentage factor is 1.0,
    // as in the program when the round has no game information.
    in.percent.user = reduction::UserPercentTable(in.conditions);
    in.rows = doc.Rader;
    const bool small = SmallRun(in);

    std::unique_ptr<reduction::TRowGeneration> run;
    try {
        run = std::make_unique<reduction::TRowGeneration>(std::move(in));
    } catch (const reduction::GenerationError& e) {
        throw CommandError(opt.file + ": " + e.what());
    }

    const bool finished = RunToEnd(*run, opt.file, small);
    const reduction::WarrantyTable& table = run->Warranty();
    if (!finished || !table.complete) {
        std::cerr << "vinra: " << core::MsgIn(core::LangEnglish, 315) << " Nothing was written.\n";
        return 130;
    }

    const reduction::WarrantyView view(table, n, reduction::WarrantyTexts::FromLanguage(core::LangEnglish));
    if (!opt.out.empty()) {
        reduction::StoreWarranty(doc, table, view.lines());
        try {
            doc.SaveToFile(opt.out);
        } catch (const core::FileError& e) {
            throw CommandError(e.what());
        }
    }

    if (opt.json) {
        nlohmann::ordered_json j;
        j["total"] = table.total;
        j["classes"] = nlohmann::ordered_json::array();
        for (size_t i = 0; i < table.keys.size(); ++i)
            j["classes"].push_back({{"key", table.keys[i]}, {"count", table.counts[i]}});
        j["lines"] = view.lines();
        std::cout << j.dump() << "\n";
        return 0;
    }
    for (const auto& cells : view.Grid()) {
        for (size_t i = 0; i < cells.size(); ++i) std::cout << (i ? "\t" : "") << cells[i];
        std::cout << "\n";
    }
    for (const auto& line : view.lines()) std::cout << line << "\n";
    return 0;
}

Registrar reg("warranty", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<WarrantyOptions>();
    auto* sub = app.add_subcommand("warranty", "Compute the warranty table of a system's rows");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_flag("--json", opt->json, "Print one JSON object: total, classes in first-met order, texts");
    sub->add_option("-o,--output", opt->out, "Write the system with its warranty to this file");
    return [opt] { return RunWarranty(*opt); };
});

}  // namespace
}  // namespace vinra::cli
