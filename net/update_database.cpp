#include "net/update_database.h"

#include "core/text.h"
#include "net/http.h"

namespace fs = std::filesystem;

namespace vinra::net {

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

    auto download = [&](UpdateStep step, const char* path, const fs::path& file, const char* what) {
        begin(step);
        const std::string url = serviceHost + path;
        try {
            if (!GetToFile(url, file, transferProgress)) {
                r.error = std::string("The ") + what + " could not be downloaded from " + url +
                          " (the server refused it). The database was not changed.";
                return false;
            }
        } catch (const NetError& e) {
            r.error = std::string("The ") + what + " could not be downloaded: " + e.what() +
                      ". The database was not changed.";
            return false;
        }
        return true;
    };
    auto stopped = [&] {
        if (!cancelled()) return false;
        r.error = "The update was cancelled.";
        return true;
    };

    try {
        if (!download(UpdateStep::DownloadResults, "/vinra2000/ini/dbresults.txt", resultsFile, "results file"))
            return r;
        if (stopped()) return r;
        if (!download(UpdateStep::DownloadGames, "/vinra2000/ini/dbgames.txt", gamesFile, "games file")) return r;
        if (stopped()) return r;

        begin(UpdateStep::ImportResults);
        r.results = db.ImportResultsFile(resultsFile, importProgress);
        if (r.results.cancelled || stopped()) {
            r.error = "The update was cancelled.";
            return r;
        }
        begin(UpdateStep::ImportGames);
        r.games = db.ImportGamesFile(gamesFile, importProgress);
        if (r.games.cancelled || stopped()) {
            r.error = "The update was cancelled.";
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
