#pragma once
// The expert system: a template (.exp) says, relative to the round's
// favourites, which matches are played as singles or half guards, how the sign
// counts are tightened and which source rows the rows must hit. Applied to the
// people's percentages of a round it gives a frame and a ConditionSet; two
// generation passes (all rows of the frame that pass, then a random cut down to
// the player's limit) give the system.
//
// Everything here is plain data and arithmetic: the expert wizard and the
// template editor only show it.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "core/system_document.h"
#include "reduction/conditions.h"
#include "reduction/row_generation.h"

namespace vinra::reduction {

// ---------------------------------------------------------------------------
// The favourite ranking

struct RankEntry {
    int match = 0;          // 1-based
    double percent = -1.0;  // the favourite's people's percentage; -1 when the round has none
    int sign = 0;           // the favourite: 0 home, 1 draw, 2 away
};

// Reads a people's percentage as a number ("45.5", "45,5", "100.0", " 7");
// nullopt for empty or other text.
std::optional<double> ParsePercent(std::string_view text);

// The matches ordered by their favourite's people's percentage, the clearest
// favourite first. The favourite is the sign with the highest percentage (ties:
// home, then draw). Equal percentages: home favourites before draw before away,
// then the lower match number. Percentages are compared as numbers, so "5.55"
// ranks below "45.0" and "100.0" above "99.9". A match without readable
// percentages ranks last with home as its favourite.
// people[m][s]: the text of match m (0-based), sign s; only the first n are used.
std::vector<RankEntry> FavouriteRanking(const std::vector<std::array<std::string, 3>>& people, int n);

// ---------------------------------------------------------------------------
// Templates

// How the cells of a source row are formed from a rank entry (U%d_Char).
enum class SourceKind : int {
    Favourite = 0,      // 1 -> 1
    FavouriteDraw = 1,  // 1 -> 1X
    HomeAway = 2,       // 1 -> 12
    Underdog = 3,       // 1 -> 2
    UnderdogDraw = 4,   // 1 -> X2
    GuardSign = 5,      // 1 -> X
};
constexpr int kSourceKinds = 6;
// The highest rank position the editor keeps in a list.
constexpr int kMaxTemplatePosition = 14;
// Languages of the Name and Desc sections (the language bases as keys).
constexpr std::array<int, 5> kTemplateLanguages{0, 10000, 20000, 30000, 40000};

struct ExpertSourceRow {
    int kind = 0;                // 0..5
    std::vector<int> positions;  // rank positions, as read
    std::string min, max;        // minimum and maximum hits, as text
    bool operator==(const ExpertSourceRow&) const = default;
};

struct ExpertTemplate {
    int rowDiff = 0;  // 0..5
    std::vector<int> safe, halfX, half2;
    std::array<int, 3> maxTighten{}, runTighten{}, minTighten{};  // Max%d, Ord%d, Min%d
    std::vector<ExpertSourceRow> sourceRows;
    std::map<int, std::string> names, descs;  // language base -> text

    // The name in a language; empty when the template has none for it.
    std::string Name(int languageBase) const;
    std::string Desc(int languageBase) const;
    bool operator==(const ExpertTemplate&) const = default;
};

// A list of rank positions as a template holds it: numbers separated by
// commas. Entries that are not numbers, and 0, are left out (a damaged or
// hand-made file never stops the wizard); the order is kept.
std::vector<int> ParsePositions(std::string_view text);
// "1,2,5": positions joined by commas.
std::string JoinPositions(const std::vector<int>& positions);
// The editor's form of a list field: only digits and commas are kept, the
// entries made unique and sorted as numbers, entries above 14 and 0 dropped.
std::string NormalisePositionList(std::string_view text);

ExpertTemplate TemplateFromIni(const core::IniFile& ini);
// Throws core::FileError when the file cannot be read.
ExpertTemplate ReadTemplate(const std::filesystem::path& path);
// Writes every field (names and descriptions too), replacing the file in one
// step: the old file stays whole until the new one is complete.
core::IniFile TemplateToIni(const ExpertTemplate& t);
void WriteTemplate(const std::filesystem::path& path, const ExpertTemplate& t);

// The template folder: "Expertsystem" in the data folder.
std::filesystem::path TemplateFolder(const std::filesystem::path& dataFolder);

// The wizard's method list: 0.exp, 1.exp, ... 9.exp of the folder, stopping at
// the first that is missing, unreadable or has no name in the language.
struct TemplateChoice {
    int index = 0;
    std::filesystem::path file;
    std::filesystem::path picture;  // empty when the template has none
    std::string name, desc;
};
std::vector<TemplateChoice> ListTemplates(const std::filesystem::path& folder, int languageBase);

// ---------------------------------------------------------------------------
// Applying a template

struct ExpertSetup {
    int n = core::kDefaultMatches;
    std::vector<std::string> frame;  // compact entries ("0", "01", "012")
    ConditionSet conditions;
};

// Sets the frame and the conditions of a round of n matches from the template
// and the ranking. `base` gives everything the template does not set (the
// player's percentages, the win levels and the filter count).
ExpertSetup ApplyTemplate(const ExpertTemplate& t, const std::vector<RankEntry>& rank, int n, const ConditionSet& base);

// The source-row cell of one rank entry (codes in ascending order).
std::string SourceCell(SourceKind kind, int favourite, int position);

// ---------------------------------------------------------------------------
// The two passes

// The player's limit as the limit field holds it: an integer of at least 1,
// else 100 (the field then shows 100).
int ParseRowLimit(std::string_view text);

// Pass 1: every row of the frame that passes the sign counts, runs and source
// rows, then the row difference.
GenerationInput ExpertPass1(const ExpertSetup& setup, const PercentTables& percent);
// Pass 2 is needed when pass 1 left more rows than the limit.
bool NeedsPass2(size_t rows, int limit);
// Pass 2: the rows of pass 1 cut to the limit at random, then the row difference.
GenerationInput ExpertPass2(const ExpertSetup& setup, std::vector<std::string> rows, int limit,
                            std::optional<uint64_t> seed = std::nullopt);

// Both passes on the calling thread, as the wizard runs them one after the
// other on a worker (the command line and the tests use this).
struct ExpertRun {
    std::vector<std::string> rows;
    int64_t frameRows = 0;
    int64_t afterPass1 = 0;
    bool pass2 = false;
};
ExpertRun RunExpert(const ExpertSetup& setup, const PercentTables& percent, int limit,
                    std::optional<uint64_t> seed = std::nullopt);

// Finish: the rows, row difference, sign counts and source rows go into the
// document; the frame becomes the frame of the rows, the warranty is cleared
// (it described other rows) and the system counts as an own system.
void StoreExpertResult(core::TVinraFile& doc, const ExpertSetup& setup, const std::vector<std::string>& rows,
                       int limit);

}  // namespace vinra::reduction
