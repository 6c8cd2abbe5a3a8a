#pragma once
// The game information of a round: per match the public's percentages
// ("people"), the newspapers' tips, bookmakers' odds, an expert tip and a
// comment. It is cached as an INI file, Cache/Data/<pool name> <draw number>.ini,
// one section [Game0] .. [Game(N-1)] per match, numbers with a decimal point.
//
// TSvSpelInfo loads that file and derives odds, implied percentages and the
// favourite ranking the reduction conditions, the statistics windows and the
// check window use.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "core/signs.h"
#include "core/system_document.h"

namespace vinra::net {

// A file-name part made from downloaded text: path separators, ":" and
// control characters become "_", and leading dots are dropped, so the name
// never leaves its folder or hides itself.
std::string SafeFileNamePart(std::string_view text);

// dataFolder/Cache/Data/<pool> <omgId>.ini
std::filesystem::path GameInfoFile(const std::filesystem::path& dataFolder, std::string_view pool, int64_t omgId);
// [info] Deadline of a game-information file; empty when absent or unreadable.
std::string GameInfoDeadline(const std::filesystem::path& file);
// The main window's round-line part: "(deadline)", or nothing without one.
std::string DeadlineText(std::string_view deadline);

// One entry of the favourite ranking.
struct TRankRec {
    int32_t match = 0;   // 1-based
    std::string people;  // the favourite sign's People text
    std::string sign;    // its code: "0", "1" or "2"
};

// The colour a sign is shown in by how the public backs it.
enum class FavColour { Lime, Aqua, Red, Blue };
struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
Rgb ColourRgb(FavColour c);

class TSvSpelInfo {
public:
    using Texts = std::array<std::array<std::string, 3>, core::kMaxMatches>;
    using Values = std::array<std::array<double, 3>, core::kMaxMatches>;

    // Reads the game-information file of a round for n matches (clamped to
    // 1..30); a missing file or missing keys give empty texts and zeros.
    // UserValue comes from the document's Proc lists (per sign, per match).
    void Load(const std::filesystem::path& file, int n, const std::array<std::vector<std::string>, 3>& proc = {});
    // The file of the document's pool and the given draw number, under dataFolder.
    void Load(const std::filesystem::path& dataFolder, const core::TVinraFile& doc, std::string_view omgIdText);

    int MatchCount() const { return n_; }

    Texts People;  // as read, "0" put in front of texts shorter than 4 characters
    Texts Odds;
    Texts News;
    Texts Ubet;
    std::array<std::string, core::kMaxMatches> Comment, XTips, Sound, Home, Away;
    std::vector<std::string> AllPeople;  // the 3N People texts, ascending
    Values PeopleValue{}, PeopleOdds{}, OddsValue{}, OddsPercent{}, UbetValue{}, UbetPercent{}, UserValue{}, UserOdds{};
    std::vector<TRankRec> Rank;      // ascending by the favourite's percentage text
    std::vector<TRankRec> RankDesc;  // Rank reversed

    // Favourite sign code of match m (0-based): ties favour home, then draw.
    int Favourite(int m) const;
    // Lime for the sign the public backs most, red for the least, aqua for the
    // one between (and for ties); blue for a sign outside 0..2 or a match out of range.
    FavColour FavouriteColour(int m, int s) const;

private:
    int n_ = 0;
};

// What the game-information download did. On failure the previous file of
// the round is left as it was and error says why.
struct GameInfoDownload {
    bool ok = false;
    int matches = 0;
    std::filesystem::path file;
    std::string error;
};

// The pools whose operator publishes game information: S, I, T and O.
bool GameInfoAvailable(std::string_view poolCode);

// Builds the game-information INI from the operator's XML: elements hemmalag,
// bortalag, tips, kommentar, val1, valx and val2 in document order; each match
// takes one of each of the first four and three each of val1/valx/val2
// (people, newspapers, odds). Throws std::runtime_error with a clear message
// when the XML cannot be read or lacks elements. At most 30 matches.
core::IniFile GameInfoFromXml(std::string_view xmlBytes);

// Downloads the game information of a round: update.ini [poolCode] Details with
// its %s replaced by the draw number, fetched into dataFolder/"~ss.xml", read
// whole, then written to GameInfoFile (replacing the old one only then).
GameInfoDownload DownloadGameInfo(const core::IniFile& updateIni, const std::filesystem::path& dataFolder,
                                  std::string_view poolCode, std::string_view poolName, int64_t omgId);

}  // namespace vinra::net
