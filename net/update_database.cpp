#include "net/update_database.h"

#include "core/messages.h"
#include "core/text.h"
#include "net/http.h"

namespace fs = std::filesystem;

namespace vinra::net {

namespace {
constexpr int kMsgResultsRefused = 4052;  // "The results file could not be downloaded from %s (the server refused it). ..."
constexpr int kMsgGamesRefused = 4053;    // "The games file could not be downloaded from %s (the server refused it). ..."
constexpr int kMsgResultsFailed = 4054;   // "The results file could not be downloaded: %s. The database was not changed."
constexpr int kMsgGamesFailed = 4055;     // "The games file could not be downloaded: %s. The database was not changed."
constexpr int kMsgCancelled = 4056;       // "The update was cancelled."
}  // namespace

const char* UpdateStepText(UpdateStep step) {
    switch (step) {
        case UpdateStep::DownloadResults: return "Laddar ner resultat...";
        case UpdateStep::DownloadGames: return "Laddar ner matcher...";
        case UpdateStep::ImportResults: return "Uppdaterar resultat...";
        case UpdateStep::ImportGames: return "Uppdaterar matcher (kan ta flera minuter)";
        case UpdateStep::CheckDatabase: return "Kontrollerar databasen...";
    }
    return "";
}

UpdateDatabaseResult RunUpdateDatabase(const std::string& serviceHost, const fs::path& dataFolder,
                                       checking::TTipsData& db, const UpdateStepFn& onStep,
                                       const std::atomic<bool>* cancel) {
    UpdateDatabaseResult r;
    auto cancelled = [&] { return cancel && cancel->load(); };
    auto begin = [&](UpdateStep step) {
        r.failedStep = step;
        if (onStep) onStep(step);
    };
    const ProgressFn transferProgress = [&](int64_t, int64_t) { return !cancelled(); };
    const checking::ImportProgress importProgress = [&](size_t) { return !cancelled(); };
    const fs::path resultsFile = dataFolder / "dbresults.txt";
    const fs::path gamesFile = dataFolder / "dbgames.txt";

    // The failures are the detail of the window's error box: in the player's language.
    auto download = [&](UpdateStep step, const char* path, const fs::path& file, bool results) {
        begin(step);
        const std::string url = serviceHost + path;
        try {
            if (!GetToFile(url, file, transferProgress)) {
                r.error = core::FormatMsg(core::Msg(results ? kMsgResultsRefused : kMsgGamesRefused), {url});
                return false;
            }
        } catch (const NetError& e) {
            r.error = core::FormatMsg(core::Msg(results ? kMsgResultsFailed : kMsgGamesFailed), {std::string(e.what())});
            return false;
        }
        return true;
    };
    auto stopped = [&] {
        if (!cancelled()) return false;
        r.error = core::Msg(kMsgCancelled);
        return true;
    };

    try {
        if (!download(UpdateStep::DownloadResults, "/vinra2000/ini/dbresults.txt", resultsFile, true))
            return r;
        if (stopped()) return r;
        if (!download(UpdateStep::DownloadGames, "/vinra2000/ini/dbgames.txt", gamesFile, false)) return r;
        if (stopped()) return r;

        begin(UpdateStep::ImportResults);
        r.results = db.ImportResultsFile(resultsFile, importProgress);
        if (r.results.cancelled || stopped()) {
            r.error = core::Msg(kMsgCancelled);
            return r;
        }
        begin(UpdateStep::ImportGames);
        r.games = db.ImportGamesFile(gamesFile, importProgress);
        if (r.games.cancelled || stopped()) {
            r.error = core::Msg(kMsgCancelled);
            return r;
        }
        begin(UpdateStep::CheckDatabase);
        r.purged = db.PurgeAbove("S", kPurgeLimit);
        r.purged += db.PurgeAbove("I", kPurgeLimit);
    } catch (const std::exception& e) {
        r.error = e.what();
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace vinra::net
