// vinra info SYSTEM.1x2 [--json]: the facts of a system file.
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "core/signs.h"
#include "core/system_document.h"

namespace vinra::cli {
namespace {

struct InfoOptions {
    std::string file;
    bool json = false;
};

int RunInfo(const InfoOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const uint64_t mathRows = core::MathRowCount(doc.Grundrad);
    if (opt.json) {
        nlohmann::ordered_json j;
        j["matches"] = doc.MatchCount;
        j["rows"] = doc.Rader.size();
        j["math_rows"] = mathRows;
        j["frame"] = doc.Grundrad;
        j["round"] = doc.Omg;
        j["draw"] = doc.OmgID;
        j["pool"] = doc.Typ;
        j["system_type"] = doc.SystemTyp;
        j["flags"] = doc.UseFlags.ToInteger();
        std::cout << j.dump() << "\n";
        return 0;
    }
    std::cout << "File:        " << opt.file << "\n"
              << "Pool:        " << doc.Pool << " (" << doc.Typ << "), " << doc.Country << "\n"
              << "Round:       " << doc.Omg << ", draw " << doc.OmgID << "\n"
              << "Matches:     " << doc.MatchCount << "\n"
              << "Rows:        " << core::GroupDigits(static_cast<int64_t>(doc.Rader.size())) << " of "
              << core::GroupDigits(static_cast<int64_t>(mathRows)) << " in the frame\n"
              << "System type: " << doc.SystemTyp << "\n"
              << "Conditions:  " << doc.UseFlags.ToInteger() << "\n";
    for (size_t i = 0; i < doc.Grundrad.size(); ++i) {
        std::cout << (i < 9 ? " " : "") << i + 1 << "  " << core::SignsToDisplay(core::EntrySigns(doc.Grundrad[i]))
                  << "\n";
    }
    return 0;
}

Registrar reg("info", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<InfoOptions>();
    auto* sub = app.add_subcommand("info", "Show the facts of a system file");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_flag("--json", opt->json, "Print one JSON object");
    return [opt] { return RunInfo(*opt); };
});

}  // namespace
}  // namespace vinra::cli
