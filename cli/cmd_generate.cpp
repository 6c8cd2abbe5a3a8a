// vinra generate SYSTEM.1x2 -o OUT.1x2 [--method full|random|filter] [--count K]
// [--seed S] [--max-tries T]: makes the rows of a system with its own conditions
// and writes the system with the new rows (and no warranty) to OUT.
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include <fmt/format.h>

#include "cli/command.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/conditions.h"
#include "reduction/row_generation.h"

namespace vinra::cli {
namespace {

struct GenerateOptions {
    std::string file;
    std::string out;
    std::string method = "full";
    int64_t count = 100;
    bool countGiven = false;
    std::optional<uint64_t> seed;
    int64_t maxTries = 10'000'000;
};

int RunGenerate(const GenerateOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const int n = doc.MatchCount;
    if (n < 1 || n > core::kMaxMatches) throw CommandError(fmt::format("{}: the system has {} matches", opt.file, n));

    reduction::GenerationInput in;
    in.frame = doc.Grundrad;
    in.conditions = reduction::FromDocument(doc);
    // A system file holds no people's percentages: every percentage factor is 1.0,
    // as in the program when the round has no game information.
    in.percent.user = reduction::UserPercentTable(in.conditions);
    in.seed = opt.seed;
    // As the wizard does: a system with rows and no start row starts the row
    // difference from its first row, and keeps that start row.
    if (in.conditions.firstRow.empty() && !doc.Rader.empty()) {
        in.conditions.firstRow = doc.Rader.front();
        doc.FirstRow = in.conditions.firstRow;
    }

    if (opt.countGiven && opt.method != "random") throw CommandError("--count applies to --method random only");
    if (opt.method == "full") {
        in.mode = reduction::GenerationMode::Full;
    } else if (opt.method == "random") {
        in.mode = reduction::GenerationMode::Random;
        if (opt.count < 1) throw CommandError(fmt::format("--count {}: ask for at least one row", opt.count));
        in.requestedCount = opt.count;
        in.maxTries = opt.maxTries;
        if (reduction::PrepareRandomWeights(in.conditions, doc.Grundrad) == reduction::WeightsCheck::SumOver100)
            throw CommandError(opt.file + ": " + core::MsgIn(core::LangEnglish, 538));
    } else {
        in.mode = reduction::GenerationMode::Filter;
        in.rows = doc.Rader;
        // Reducing to a number of rows does not thin by row difference as well.
        if (in.conditions.flag(core::UseFilterTo)) in.conditions.flags[core::UseRadDiff] = false;
    }

    const bool small = SmallRun(in);
    std::unique_ptr<reduction::TRowGeneration> run;
    try {
        run = std::make_unique<reduction::TRowGeneration>(in);
    } catch (const reduction::GenerationError& e) {
        throw CommandError(opt.file + ": " + e.what());
    }

    if (!RunToEnd(*run, opt.file, small)) {
        std::cerr << "vinra: interrupted; nothing was written.\n";
        return 130;
    }

    doc.Rader = run->TakeRows();
    if (in.mode == reduction::GenerationMode::Filter && in.conditions.flag(core::UseFilterTo))
        doc.UseFlags.Put(core::UseRadDiff, false);
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

    std::cout << fmt::format("{} rows written to {}\n", doc.Rader.size(), opt.out);
    if (run->FilterUnchanged())
        std::cerr << fmt::format(
            "vinra: the filter-to count {} is not between 1 and the number of rows less one; "
            "the rows are left as they were.\n",
            in.conditions.filterToRader);
    if (run->TriesExhausted()) {
        // Running out of tries proves nothing about the conditions: more tries may find more rows.
        std::cerr << fmt::format(
            "vinra: found {} of {} rows in {} attempts; {} rows written. Raising --max-tries "
            "may find more.\n",
            doc.Rader.size(), opt.count, run->Attempts(), doc.Rader.size());
        return 3;
    }
    return 0;
}

Registrar reg("generate", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<GenerateOptions>();
    auto* sub = app.add_subcommand("generate", "Make the rows of a system with its own conditions");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_option("-o,--output", opt->out, "Write the system with the new rows to this file")->required();
    sub->add_option("--method", opt->method,
                    "full: every row of the frame that passes (then the row difference when it is on); "
                    "random: --count random rows; filter: the file's own rows that pass")
        ->check(CLI::IsMember({"full", "random", "filter"}));
    auto* count = sub->add_option("--count", opt->count, "Number of random rows (default 100)");
    sub->add_option_function<uint64_t>(
        "--seed", [opt](const uint64_t& s) { opt->seed = s; }, "Seed of the random generator (default: the clock)");
    sub->add_option("--max-tries", opt->maxTries,
                    "Random rows: give up after this many candidates (default 10 000 000); exit code 3 "
                    "when fewer rows than asked were found")
        ->check(CLI::PositiveNumber);
    return [opt, count] {
        opt->countGiven = count->count() > 0;
        return RunGenerate(*opt);
    };
});

}  // namespace
}  // namespace vinra::cli
