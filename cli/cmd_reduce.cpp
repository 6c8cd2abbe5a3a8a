// vinra reduce SYSTEM.1x2 -o OUT.1x2 --guarantee 12|11 [--seconds S] [--seed S]:
// the fewest rows we can find in S seconds such that every outcome of the
// frame that meets the system's conditions has a row with at most one (12) or
// two (11) wrong. The rows are checked by the warranty engine and written with
// their warranty.
#include <chrono>
#include <future>
#include <iostream>
#include <memory>
#include <thread>

#include <fmt/format.h>

#include "cli/command.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/conditions.h"
#include "reduction/guarantee_cover.h"
#include "reduction/reduced_system.h"
#include "reduction/row_generation.h"

namespace vinra::cli {
namespace {

constexpr double kMaxSeconds = 7 * 24 * 3600;

struct ReduceOptions {
    std::string file;
    std::string out;
    int guarantee = 12;
    double seconds = 10;
    uint64_t seed = 1;
    bool noShipped = false;
};

std::string English(int number, const std::vector<core::MsgArg>& args = {}) {
    return core::FormatMsg(core::MsgIn(core::LangEnglish, number), args);
}

int RunReduce(const ReduceOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const int n = doc.MatchCount;
    if (n < 3 || n > core::kMaxMatches) throw CommandError(fmt::format("{}: the system has {} matches", opt.file, n));
    const int wrong = reduction::GuaranteeWrongFor(n, opt.guarantee);
    if (wrong == 0)
        throw CommandError(fmt::format("{}: {}", opt.file,
                                       English(1406, {static_cast<long long>(opt.guarantee), static_cast<long long>(n),
                                                      static_cast<long long>(n - 1), static_cast<long long>(n - 2)})));
    // A time beyond a week (or infinite) is no budget the search can count
    // down from: its deadline would overflow and it would stop at once.
    if (!(opt.seconds > 0) || opt.seconds > kMaxSeconds)
        throw CommandError(fmt::format("--seconds {}: give a time above 0 and at most {} (a week)", opt.seconds,
                                       kMaxSeconds));

    reduction::GuaranteeInput in;
    in.frame = doc.Grundrad;
    in.conditions = reduction::FromDocument(doc);
    // A system file holds no people's percentages: every percentage factor is
    // 1.0, as in `generate` and in the program without game information.
    in.percent.user = reduction::UserPercentTable(in.conditions);
    in.wrong = wrong;
    in.seconds = opt.seconds;
    in.seed = opt.seed;
    // The operator's shipped system of the frame's guards guarantees N-1 (or
    // N-2) on every frame row: the search starts from it when it is the smaller list.
    if (!opt.noShipped)
        in.startRows =
            reduction::ShippedSystemRows(reduction::OperatorSystemsFolder(doc.Country), doc.Grundrad, n, wrong);

    CatchInterrupt();
    std::atomic<int> phase{0};
    std::atomic<int64_t> done{0}, total{0}, rows{0};
    reduction::GuaranteeHooks hooks{&InterruptFlag(), &phase, &done, &total, &rows};
    reduction::GuaranteeResult result;
    std::exception_ptr failure;
    std::promise<void> finished;
    const std::future<void> end = finished.get_future();
    std::thread worker([&] {
        try {
            result = reduction::ReduceWithGuarantee(in, hooks);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.set_value();
    });
    const bool showProgress = StderrIsTerminal();
    // Woken by the end of the search itself; the timeout only paces the progress line.
    while (end.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (showProgress) {
            const auto p = static_cast<reduction::GuaranteePhase>(phase.load());
            if (p == reduction::GuaranteePhase::Expansion)
                std::cerr << fmt::format("\rExpanding the frame {} / {}   ", core::GroupDigits(done.load()),
                                         core::GroupDigits(total.load()))
                          << std::flush;
            else if (rows.load() > 0)
                std::cerr << "\r" << English(1408, {static_cast<long long>(rows.load())}) << "   " << std::flush;
        }
    }
    worker.join();
    if (showProgress) std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const reduction::GuaranteeError& e) {
            throw CommandError(opt.file + ": " + e.what());
        } catch (const reduction::GenerationError& e) {
            throw CommandError(opt.file + ": " + e.what());
        }
    }
    if (result.rows.empty()) {
        if (result.cancelled) {
            std::cerr << "vinra: interrupted; nothing was written.\n";
            return 130;
        }
        throw CommandError(opt.file + ": " + English(1403));
    }

    reduction::StoreGuaranteeResult(doc, result, core::LangEnglish);
    try {
        doc.SaveToFile(opt.out);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
    std::cout << English(1409, {static_cast<long long>(result.rows.size()), static_cast<long long>(opt.guarantee),
                                static_cast<long long>(result.outcomes)})
              << "\n";
    std::cout << fmt::format(
        "Greedy start {} rows; lower bound {} (outcomes / {} frame rows within reach of a "
        "row), {} (outcomes / the most outcomes one row reaches); first list after {:.3f} s, "
        "search ended after {:.1f} s.\n",
        result.greedyRows, result.lowerBound, result.ballSize, result.reachBound, result.firstSeconds, result.seconds);
    std::cout << reduction::GapText(result, core::LangEnglish) << "\n";
    if (result.startUsed) std::cout << "The search went on from the shipped reduced system of these guards.\n";
    if (result.constructionUsed)
        std::cout << "The search went on from a code constructed for these guards (Hamming, Golay).\n";
    std::cout << fmt::format("Written to {}\n", opt.out);
    if (result.cancelled) std::cerr << "vinra: interrupted; the best list found until then was written.\n";
    return 0;
}

Registrar reg("reduce", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<ReduceOptions>();
    auto* sub =
        app.add_subcommand("reduce",
                           "Reduce with guarantee: the fewest rows such that every outcome of the frame that meets the "
                           "system's conditions has a row with at least the given number right");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_option("-o,--output", opt->out, "Write the system with the new rows and their warranty here")->required();
    sub->add_option("--guarantee", opt->guarantee,
                    "Right guaranteed when the result meets the conditions: N-1 or N-2 (12 or 11 on 13 matches)")
        ->required();
    sub->add_option("--seconds", opt->seconds, "Time for the search (default 10); Ctrl+C keeps the best so far");
    sub->add_option("--seed", opt->seed, "Seed of the search (default 1: the same result every run)");
    sub->add_flag("--no-shipped", opt->noShipped,
                  "Do not start from the shipped reduced system of the frame's guards");
    return [opt] { return RunReduce(*opt); };
});

}  // namespace
}  // namespace vinra::cli
