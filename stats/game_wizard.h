#pragma once
// What the game wizard works with, without a window: the teams' statistics
// from the round information file, the frame the player edits match by match,
// his own percentages and odds, and the conversions made when he leaves a
// match. The window only shows this model and forwards clicks to it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "core/system_document.h"
#include "net/game_info.h"

namespace vinra::stats {

// ---- Round statistics ------------------------------------------------------

// True when the round information file is missing, cannot be read, or its
// [Info] Date (default 2011-01-01) is before today ("yyyy-mm-dd"). A date that
// is not a date counts as old, so the statistics are fetched again.
bool StatisticsStale(const std::filesystem::path& roundInfoFile, std::string_view today);

// Merges the club statistics the service publishes for a round (an INI text:
// [Info] Date and one section per club with Total and LG0..LG255) into the
// round information file, replacing the clubs' old sections and the date and
// keeping the game information. Sections that would clobber the game
// information ([Game0].., [info]) and keys other than Total/LG%d are ignored.
// The file is written atomically; core::FileError when it cannot be.
void MergeRoundStatistics(const std::filesystem::path& roundInfoFile, std::string_view statsText);
// Fetches host + "/Vinra/Info/<pool>/<draw>/" and merges it. False when the
// service answers with an error status (nothing is changed); net::NetError
// when the transfer fails.
bool FetchRoundStatistics(const std::string& host, std::string_view pool, int64_t omgId,
                          const std::filesystem::path& roundInfoFile);

enum class GameOutcome { Win, Loss, Draw };
struct LatestGame {
    GameOutcome outcome = GameOutcome::Draw;
    std::string text;  // what the list shows
};

// Which of a team's latest games a list shows.
enum class GameFilter { All, HomeOnly, AwayOnly };

struct TeamStats {
    std::string name;        // canonical name (teamstat [Alias])
    std::string league;      // teamstat [League], "*****" when unknown
    std::string leagueName;  // teamstat [LeagueAlias], the league itself by default
    std::string position;    // the round file's Total, empty when missing
    std::vector<LatestGame> games;
};

// The team's section of the round information file: LG0.. LG255 in order
// (a gap ends nothing; missing numbers are skipped). A line with fewer than
// three '|'-separated fields shows an empty text.
std::vector<LatestGame> LatestGames(const core::IniFile& roundInfo, std::string_view canonicalName);
std::vector<LatestGame> FilterGames(const std::vector<LatestGame>& games, GameFilter filter);
TeamStats ReadTeamStats(const core::IniFile& roundInfo, const core::IniFile& teamstat, std::string_view team);
// "league name\nposition": "-" for a missing position, "n/a" for an unknown league.
std::string LeagueLine(const TeamStats& team);

// ---- Statistics pages ------------------------------------------------------

inline constexpr int kOnlinePages = 9;  // chart .. away form; page 9 is the game information
// The service path of online page 0..8 of a match: "/Vinra/<view>/<pool>/<draw>/<match>/".
// Empty for a page outside 0..8.
std::string StatsPagePath(int page, std::string_view pool, int64_t omgId, int match);

// ---- Downloaded file names ----------------------------------------------------

// The file a downloaded name (a sound, a logo) stands for inside folder; nullopt
// when the name could leave the folder: empty, a separator, "..", a leading
// dot, a drive colon, control characters.
std::optional<std::filesystem::path> FileInFolder(const std::filesystem::path& folder, std::string_view name);

// ---- Own percentages and odds --------------------------------------------

// A number the player typed: digits with at most one decimal comma or point
// ("2,5" and "2.5" are both two and a half), spaces and a trailing '%'
// allowed; empty is 0. nullopt for anything else ("-5", "abc", "1,2,3"),
// so a typing slip is shown to the player instead of being read as another number.
std::optional<double> ParseOwnField(std::string_view text);

// The limits of an own figure: a percentage 0..100; odds 0 (none) or 1..kMaxOwnOdds.
inline constexpr double kMaxOwnOdds = 1000.0;
bool OwnFigureInRange(double value, bool oddsView);

struct OwnValues {
    std::array<double, 3> percent{}, odds{};
};
// The own fields of a match read in percent view (percent = fields, odds =
// 100 / percent) or odds view (odds = fields, percent = normalised implied
// percentages, all 0 unless all three odds are set). A field that does not
// parse counts as 0 here; GameWizardModel::Leave refuses it instead.
OwnValues OwnFromFields(const std::array<std::string, 3>& fields, bool oddsView);

enum class QuickSource { News, People, Operator, Bookmaker };
// The three figures a click on a label copies into the own fields (texts as
// the fields show them). Newspaper figures are multiplied by 10 for S and I.
// In percent view people's and odds figures become whole percentages.
std::array<std::string, 3> QuickFill(const net::TSvSpelInfo& info, int match0, QuickSource source,
                                     std::string_view pool, bool oddsView);

// Rank of a sign's people's percentage among all 3N values (1 = the most played).
int PeopleRank(const net::TSvSpelInfo& info, int match0, int sign);

// The value of backing a sign: the player's (or the bookmaker's) probability
// divided by the people's share. 0 when either is 0.
double SignValue(double probabilityPercent, double peoplePercent);

// A number as the wizard shows it: with decimal comma and the given decimals.
std::string FormatFixed(double value, int decimals);

// ---- The wizard's working state -------------------------------------------

struct StatusCounts {
    int singles = 0, triples = 0, doubles = 0;
    std::string rows;  // digits grouped in threes
};

class GameWizardModel {
public:
    // Takes the system's frame and own percentages; start is clamped to 1..N.
    GameWizardModel(const core::TVinraFile& doc, int start);

    int count() const { return n_; }
    int current() const { return current_; }  // 1..N
    // Moves to match n (clamped). Call Leave first to keep the fields.
    void GoTo(int n);

    bool oddsView() const { return oddsView_; }
    // Switches the view; the caller reads the fields first (Leave) and shows OwnFields again.
    void SetOddsView(bool odds) { oddsView_ = odds; }

    // The frame entry of match n (1..N), compact ("02").
    const std::string& Frame(int n) const { return frame_[n - 1]; }
    bool HasSign(int n, int sign) const;
    // Toggles a sign of the current match; the entry is rewritten in the order home, draw, away.
    void ToggleSign(int sign);
    StatusCounts Status() const;

    // Whether match n (1..N) holds the player's own estimate: a new system
    // holds 1 for every sign, which is no estimate (the three do not come
    // near a hundred).
    bool HasOwnEstimate(int n) const;
    // The own fields of the current match as the view shows them; empty
    // without an estimate, so they never sit as "1 1 1" beside figures that
    // come from elsewhere.
    std::array<std::string, 3> OwnFields() const;
    // Reads the own fields of the current match (leaving it or switching view).
    // Only fields whose text differs from what OwnFields() shows count as
    // edited: a match the player did not touch keeps its percentages exactly
    // (a banker 100/0/0 survives the odds view, a new system's 1/1/1 is
    // neither normalised nor shown, and fields left empty keep it). Returns the
    // sign (0..2) of the first field that is not a number in range, changing
    // nothing; -1 when the fields were taken.
    int Leave(const std::array<std::string, 3>& fields);
    const OwnValues& Own(int n) const { return own_[n - 1]; }

    // Finish: the frame and the working percentages (rounded) into the document.
    void StoreFrame(core::TVinraFile& doc) const;
    void StorePercentages(core::TVinraFile& doc) const;

private:
    int n_ = 1;
    int current_ = 1;
    bool oddsView_ = false;
    std::vector<std::string> frame_;
    std::vector<OwnValues> own_;
    std::array<std::vector<std::string>, 3> proc_;
};

}  // namespace vinra::stats
