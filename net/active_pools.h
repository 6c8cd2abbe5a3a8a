#pragma once
// activepools.ini: the rounds that are open for play, as the web service
// publishes them at "/vinra/activepools".
//
//   [Info]        FileOK=1, Date (list current until), Pools ("SI"), one key per
//                 pool code naming its current round's section ("S0")
//   [S0], [S1]..  N (pool name), C (operator), Omg, XMLOmgang, NumGames, Deadline
//   [PoolGames]   games exchange lines, [PoolResults] results exchange lines
//
// The refresh downloads into "~pools.tmp" beside the file and replaces
// activepools.ini only when the new file says it is complete, so a failed
// transfer or a captive-portal page never takes the list away.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checking/tips_data.h"
#include "core/ini.h"
#include "core/system_document.h"
#include "net/http.h"

namespace vinra::net {

// A local date and time, compared field by field.
struct LocalDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    auto operator<=>(const LocalDateTime&) const = default;
};
LocalDateTime LocalNow();
// "yyyy-mm-dd hh:nn", "yyyy-mm-dd hh:nn:ss" or "yyyy-mm-dd" (the end of that
// day); a "T" may stand for the space. nullopt when the text is none of these.
std::optional<LocalDateTime> ParseDeadline(std::string_view text);
// A round is closed when its deadline can be read and is not later than now.
bool DeadlinePassed(std::string_view deadline, const LocalDateTime& now);

// One open round: an entry of the main window's list of active pools.
struct TCouponInfoEx {
    std::string code;       // pool code
    std::string name;       // N
    std::string country;    // C
    std::string omg;        // Omg
    int32_t omgId = -1;     // XMLOmgang
    int32_t numGames = 13;  // NumGames, clamped to 1..30
    std::string deadline;   // Deadline as given
    bool closed = false;    // the deadline has passed
    // "N (Deadline) " as the list shows it.
    std::string Caption() const { return name + " (" + deadline + ") "; }
};

class ActivePoolsFile {
public:
    ActivePoolsFile() = default;
    // Parses the text of the file (UTF-8).
    static ActivePoolsFile FromText(std::string_view text);
    // A missing or unreadable file reads as an empty one (every default, not FileOK).
    static ActivePoolsFile Load(const std::filesystem::path& path);

    // [Info] FileOK = 1: the file is complete. Anything else means ignore it.
    bool FileOK() const;
    // [Info] Date, default 2009-01-01.
    std::string Date() const;
    // The list is due for a refresh when its Date lies before today ("yyyy-mm-dd");
    // a date that cannot be read counts as old.
    bool RefreshDue(const LocalDateTime& today) const;
    // [Info] Pools, default "SI": one code a letter.
    std::vector<std::string> PoolCodes() const;
    // Every open round (only when FileOK): for each code, sections code0,
    // code1, ... until one without N; closed marked against now.
    std::vector<TCouponInfoEx> Entries(const LocalDateTime& now) const;
    // The current round of a pool code into the document: OmgID, MatchCount,
    // Omg, Pool and Country from the section [Info] names for the code ("S0"
    // when the key is absent). Defaults as the service documents them.
    void CurrentRound(std::string_view code, core::TVinraFile& doc) const;
    // The raw lines of [PoolGames] and [PoolResults] (blank and ";" comment
    // lines left out), in file order.
    const std::vector<std::string>& PoolGames() const { return poolGames_; }
    const std::vector<std::string>& PoolResults() const { return poolResults_; }

    const core::IniFile& ini() const { return ini_; }

private:
    core::IniFile ini_;
    std::vector<std::string> poolGames_;
    std::vector<std::string> poolResults_;
};

// The maker's web service: update.ini [Service] Host, without a trailing "/".
std::string ServiceHostOf(const core::IniFile& updateIni);

// What a refresh did. On failure activepools.ini is left as it was and error
// says why (the address and the HTTP status or transport error, or that the
// reply was not a complete list).
struct ActivePoolsRefresh {
    bool replaced = false;
    std::string error;
    checking::ImportReport results;  // [PoolResults] into the results table
    checking::ImportReport games;    // [PoolGames] into the games table
    std::string importError;         // the list was replaced but a database import failed
};

// Downloads serviceHost + "/vinra/activepools" into dataFolder/"~pools.tmp";
// when it has [Info] FileOK=1 it becomes dataFolder/"activepools.ini" and its
// [PoolResults] and [PoolGames] lines go through dbresults.txt and dbgames.txt
// into the database (when db is given and open); the two text files are
// deleted afterwards. Never throws for transfer or file failures.
// progress: byte counts of the transfer; answering false stops it. A window
// runs the download off its GUI thread with db = nullptr and then imports the
// list's games and results on its own thread with ImportActivePoolsData (the
// database connection belongs to that thread).
ActivePoolsRefresh RefreshActivePools(const std::string& serviceHost, const std::filesystem::path& dataFolder,
                                      checking::TTipsData* db, const ProgressFn& progress = {});
// The [PoolResults] and [PoolGames] lines of dataFolder/"activepools.ini" into
// the database, as a refresh does; fills r.results, r.games and r.importError.
void ImportActivePoolsData(const std::filesystem::path& dataFolder, checking::TTipsData& db, ActivePoolsRefresh& r);

}  // namespace vinra::net
