// What several commands share: reading a system, the settings of its pool.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>

#include <fmt/format.h>

#include "cli/command.h"
#include "cli/terminal_output.h"
#include "core/folders.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "core/signs.h"
#include "core/text.h"
#include "reduction/row_generation.h"

namespace vinra::cli {

core::TVinraFile LoadSystem(const std::string& file) {
    core::TVinraFile doc;
    try {
        doc.LoadFromFile(file);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
    return doc;
}

core::PoolSettings PoolOfSystem(const core::TVinraFile& doc) {
    const auto path = core::DataFolder() / "National.Ini";
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    try {
        return core::NationalIni::FromFile(path).SettingsOfSystem(doc.Pool, doc.Typ);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
}

namespace {

const char* PhaseText(reduction::GenerationPhase phase) {
    switch (phase) {
        case reduction::GenerationPhase::Expansion: return "Expanding the frame";
        case reduction::GenerationPhase::RowDifference: return "Row difference";
        case reduction::GenerationPhase::Filtering: return "Filtering rows";
        case reduction::GenerationPhase::Random: return "Random rows, attempts";
        case reduction::GenerationPhase::WarrantyTally: return "Tallying outcomes";
        case reduction::GenerationPhase::RandomReduction: return "Choosing rows";
    }
    return "";
}

}  // namespace

bool SmallRun(const reduction::GenerationInput& in) {
    constexpr uint64_t kFrameRows = 59049;        // 3^10
    constexpr uint64_t kOutcomeRowPairs = 20'000'000;  // warranty: outcomes times system rows
    if (in.mode == reduction::GenerationMode::Random) return false;
    const uint64_t frameRows = core::MathRowCount(in.frame);
    if (frameRows > kFrameRows || in.rows.size() > kFrameRows) return false;
    if (in.mode == reduction::GenerationMode::Warranty)
        return frameRows * std::max<uint64_t>(in.rows.size(), 1) <= kOutcomeRowPairs;
    return true;
}

bool RunToEnd(reduction::TRowGeneration& run, const std::string& file, bool small) {
    CatchInterrupt();
    if (small) {
        // Ctrl+C meanwhile is seen when the run has ended: nothing is written then.
        run.Run();
        if (!run.Error().empty()) throw CommandError(file + ": " + run.Error());
        return !InterruptFlag().load();
    }
    const bool showProgress = StderrIsTerminal();
    run.Start();
    // The wait ends with the run, so a short command takes no longer than its
    // work; the timeout only paces the progress line and the look at Ctrl+C.
    while (!run.WaitFor(std::chrono::milliseconds(100))) {
        if (InterruptFlag().load()) {
            run.Cancel();
            break;
        }
        if (showProgress)
            ProgressStream() << fmt::format("\r{} {} / {}   ", PhaseText(run.Phase()), core::GroupDigits(run.Tested()),
                                            core::GroupDigits(run.Maximum()))
                             << std::flush;
    }
    run.Join();
    if (showProgress) ProgressStream() << "\r" << std::string(60, ' ') << "\r" << std::flush;
    if (!run.Error().empty()) throw CommandError(file + ": " + run.Error());
    return !InterruptFlag().load();
}

}  // namespace vinra::cli
