#pragma once
// The main window's "Update database" command without its window: fetch the
// results and games files of the web service, import both into the games and
// results database, then remove the Stryktipset and Europatipset records that
// carry year-week numbers in place of draw numbers.
//
// The steps run in order and the first failure ends the run: a failed
// transfer imports nothing and removes nothing, so a dead connection never
// ends in a purged database and a "Done!".
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "checking/tips_data.h"

namespace vinra::net {

enum class UpdateStep {
    DownloadResults,  // "Laddar ner resultat..."
    DownloadGames,    // "Laddar ner matcher..."
    ImportResults,    // "Uppdaterar resultat..."
    ImportGames,      // "Uppdaterar matcher (kan ta flera minuter)"
    CheckDatabase,    // "Kontrollerar databasen..."
};
// The progress window's text of a step (fixed Swedish texts).
const char* UpdateStepText(UpdateStep step);

// Draw numbers above this are year-week numbers of old records.
inline constexpr int32_t kPurgeLimit = 199752;

struct UpdateDatabaseResult {
    bool ok = false;
    UpdateStep failedStep = UpdateStep::DownloadResults;  // when !ok
    std::string error;                                    // when !ok: what failed, naming the address or file
    checking::ImportReport results;
    checking::ImportReport games;
    size_t purged = 0;
};

// Called when a step starts. May be called from a worker thread.
using UpdateStepFn = std::function<void(UpdateStep)>;

// serviceHost + "/vinra2000/ini/dbresults.txt" and ".../dbgames.txt" into
// dataFolder/"dbresults.txt" and "dbgames.txt" (a failed transfer leaves the
// old file), ImportResultsFile, ImportGamesFile, PurgeAbove("S") and ("I").
// Never throws: every failure is in the result. Setting cancel stops the run
// between lines of an import (the import then writes nothing) or between steps.
UpdateDatabaseResult RunUpdateDatabase(const std::string& serviceHost, const std::filesystem::path& dataFolder,
                                       checking::TTipsData& db, const UpdateStepFn& onStep = {},
                                       const std::atomic<bool>* cancel = nullptr);

}  // namespace vinra::net
