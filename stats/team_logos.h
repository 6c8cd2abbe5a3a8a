#pragma once
// The round's teams as the round information file names them, their logo
// addresses through teamstat.ini / teamlogo.ini, and the background download
// of the logos that are not in the picture cache yet.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/ini.h"

namespace vinra::stats {

// Pools whose operator publishes the extended match information.
bool PoolHasMatchInformation(std::string_view typ);
// The same, or a pool for which the service definitions name an address of
// its information (Details): a web service may carry every operator's.
bool PoolHasMatchInformation(std::string_view typ, const core::IniFile& updateIni);

// The round integer of a round text: its characters 1-4 and 6-7 ("2009-28" ->
// 200928). 0 when those characters are not digits.
int32_t RoundNumberOfOmg(std::string_view omg);

// The file name a logo is kept under in the picture cache: the last path
// segment of its address, without query or fragment. Empty when the address
// has no such segment or the name is not safe to create inside the cache
// folder (a folder name, "..", a hidden name, a drive or stream colon,
// control characters, or longer than 200 bytes).
std::string LogoFileName(std::string_view url);

struct RoundTeams {
    std::vector<std::string> homes, aways;          // as the information file names them
    std::vector<std::string> homeLogos, awayLogos;  // logo addresses, empty when unknown
};

// Home and Away of [Game0], [Game1], ... (at most 30 matches) of the round
// information file, each mapped through teamstat [Alias] (a missing entry keeps
// the name) and looked up in teamlogo [Images].
RoundTeams ReadRoundTeams(const core::IniFile& roundInfo, const core::IniFile& teamstat, const core::IniFile& teamlogo);
// The same from the files; a missing teamstat.ini or teamlogo.ini counts as
// empty. Throws core::FileError when the information file cannot be read.
RoundTeams ReadRoundTeams(const std::filesystem::path& roundInfoFile, const std::filesystem::path& dataFolder);

struct LogoJob {
    std::string url;
    std::string fileName;  // LogoFileName(url)
};

// Logos to fetch: every address with a safe file name whose file is not yet in
// imagesFolder, each file name once, home teams first.
std::vector<LogoJob> PlanLogoDownloads(const RoundTeams& teams, const std::filesystem::path& imagesFolder);

// True when the bytes start like a PNG, JPEG, GIF or BMP picture. A server that
// answers with an error page must not leave a "logo" that blocks a later fetch.
bool LooksLikePicture(std::string_view bytes);

// A team logo is a small picture: a reply longer than this is no logo and is
// stopped, whatever the limit of other transfers.
inline constexpr int64_t kMaxLogoBytes = int64_t{4} << 20;

struct LogoOutcome {
    LogoJob job;
    bool ok = false;
    std::string error;  // why it failed
};

// Several logo downloads at once on worker threads. Each goes to a hidden
// temporary file in the cache folder and is renamed to its name only when the
// transfer succeeded and the bytes are a picture; otherwise nothing is left.
// The destructor cancels what still runs and waits for the workers.
class LogoDownloads {
public:
    LogoDownloads(std::filesystem::path imagesFolder, std::vector<LogoJob> jobs, int maxParallel = 4);
    ~LogoDownloads();
    LogoDownloads(const LogoDownloads&) = delete;
    LogoDownloads& operator=(const LogoDownloads&) = delete;

    size_t count() const { return outcomes_.size(); }
    size_t doneCount() const { return done_.load(); }
    bool finished() const { return done_.load() == outcomes_.size(); }
    // Stops the transfers that still run (they end as failed).
    void cancel() { cancel_.store(true); }
    // Waits for every worker. Afterwards outcomes() may be read.
    void wait();
    // Valid after wait() (or once finished()).
    const std::vector<LogoOutcome>& outcomes() const { return outcomes_; }

private:
    void work();
    void fetchOne(LogoOutcome& outcome);

    std::filesystem::path folder_;
    std::vector<LogoOutcome> outcomes_;
    std::atomic<size_t> next_{0};
    std::atomic<size_t> done_{0};
    std::atomic<bool> cancel_{false};
    std::vector<std::thread> workers_;
    std::mutex joinMutex_;
};

}  // namespace vinra::stats
