// What several commands share: reading a system, the settings of its pool.
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

bool RunToEnd(reduction::TRowGeneration& run, const std::string& file) {
    CatchInterrupt();
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
