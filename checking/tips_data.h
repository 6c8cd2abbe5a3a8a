#pragma once
// The games and results database: the matches of every round of every pool and
// the result of every round (winning row and four prize level slots).
//
// Storage is one SQLite file (default DB/tipsdata.sqlite in the data folder) in
// WAL mode with two tables:
//   tRattRad  results, one record per (Typ, OmgID)
//   tMatcher  games,   one record per (OmgID, Typ, Match)
// Every operation that writes runs as one transaction: it is either wholly in
// the file or not at all. Only bound parameters reach SQL.
//
// Money is exact: payouts are integer hundredths of the currency unit
// (1 500 000,50 is 150000050), never floating point.
//
// When a database file is created, the data packets "matcher.xml" and
// "rattrad.xml" of older installations lying beside it are read into it, in the
// same transaction that creates the tables.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/system_document.h"

struct sqlite3;

namespace vinra::checking {

// Raised when the database cannot be opened, read or written (what() says why).
// A failed write leaves the database as it was before the operation.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Field sizes of the tables; longer texts are cut to these many characters.
constexpr size_t kRadSize = 30;
constexpr size_t kResultTypSize = 3;
constexpr size_t kGamesTypSize = 1;
constexpr size_t kTeamSize = 64;

// The four prize level slots of a stored round, top first: index 0 is slot 13
// (fields A13/U13), 1 slot 12, 2 slot 11, 3 slot 10. Which level of a round a
// slot means is the checking engine's business (it depends on N and the pool).
constexpr int kSlotCount = 4;
constexpr int SlotNumber(int index) { return 13 - index; }  // 0 -> 13 ... 3 -> 10
constexpr int SlotIndex(int slotNumber) { return 13 - slotNumber; }

// One result record. Also what FindResult returns (found = false: no record).
struct TFacitRec {
    bool found = false;
    std::string Typ;                            // pool code
    int32_t OmgID = 0;                          // draw number
    int32_t Omg = 0;                            // round, year * 100 + week
    std::string Rad;                            // winning row in the pool's display characters
    std::array<int32_t, kSlotCount> Winners{};  // A13, A12, A11, A10: winning rows in the whole pool
    std::array<int64_t, kSlotCount> Payout{};   // U13, U12, U11, U10: hundredths per winning row

    int32_t A(int slotNumber) const { return Winners[SlotIndex(slotNumber)]; }
    int64_t U(int slotNumber) const { return Payout[SlotIndex(slotNumber)]; }
};

// One record of the games table.
struct MatchRecord {
    int32_t Omg = 0;
    int32_t Match = 0;  // 1..N
    std::string Typ;
    std::string Home;
    std::string Away;
    int32_t OmgID = 0;
};

// Key of a stored round (results tree and navigation).
struct RoundKey {
    std::string Typ;
    int32_t Omg = 0;
    int32_t OmgID = 0;
};

// A round as the games and results download holds it: year and week texts,
// lists in match order, payouts and winners from the top level down (first
// entry = slot 13); a missing entry counts as "0".
struct CouponRound {
    std::string Year;  // "2009"
    std::string Week;  // "28"
    std::string Typ;
    int32_t OmgID = 0;
    std::string Row;  // right row, display characters
    std::vector<std::string> Homes;
    std::vector<std::string> Aways;
    std::vector<std::string> Payouts;  // amount texts ("1 500 000,00")
    std::vector<std::string> Winners;  // count texts ("1 234")
};

// Outcome of EditOrDeleteMatch; MatchOutcomeText gives the fixed texts the
// main window shows for it.
enum class MatchOutcome { NotFound, Edited, Deleted };
const char* MatchOutcomeText(MatchOutcome outcome);

// What a text import did. Line numbers count from 1; empty lines are neither
// imported nor skipped.
struct ImportReport {
    size_t inserted = 0;
    size_t updated = 0;
    size_t unchanged = 0;              // editor import: key already present, left as it was
    std::vector<size_t> skippedLines;  // lines that could not be converted
    bool cancelled = false;            // progress callback asked to stop: nothing was written
    size_t skipped() const { return skippedLines.size(); }
};

// Called before each line with its number; returning false cancels the import,
// which then leaves the database exactly as it was.
using ImportProgress = std::function<bool(size_t lineNumber)>;

// What Open did.
struct OpenReport {
    bool created = false;      // the database file was new
    size_t packetGames = 0;    // records read from matcher.xml
    size_t packetResults = 0;  // records read from rattrad.xml
    size_t packetSkipped = 0;  // packet rows that could not be converted
    std::string packetError;   // a packet that could not be read at all (empty: none)
};

// "1 500 000,50" -> 150000050. Spaces are removed first; an empty text is 0;
// "," or "." is the decimal separator; decimals beyond two are rounded half
// away from zero. nullopt when the text is not a number.
std::optional<int64_t> ParseAmount(std::string_view text);
// "1 234" -> 1234; spaces removed, empty is 0; nullopt when not an int32.
std::optional<int32_t> ParseCount(std::string_view text);
// 150000050 -> "1500000,00"-style text with two decimals and no grouping.
std::string AmountText(int64_t hundredths);

class TTipsData {
public:
    TTipsData() = default;
    ~TTipsData();
    TTipsData(const TTipsData&) = delete;
    TTipsData& operator=(const TTipsData&) = delete;

    // Opens (creating when absent) core::DatabaseFolder()/"tipsdata.sqlite", or
    // the given file. Reads old data packets once when the file is new.
    // Throws DatabaseError.
    OpenReport Open();
    OpenReport Open(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::filesystem::path& FilePath() const { return path_; }

    // --- games -------------------------------------------------------------
    // Appends the home and away names of a round in match order; returns how
    // many. When there is at least one, the document's Omg becomes the round of
    // the first match as "yyyy-ww".
    int LoadRoundTeams(core::TVinraFile& doc, int32_t omgId, std::string_view typ, std::vector<std::string>& homes,
                       std::vector<std::string>& aways);
    // The matches of a round in match order.
    std::vector<MatchRecord> RoundGames(int32_t omgId, std::string_view typ);
    // Draw number of the first stored match (lowest draw number) of a round of
    // a pool, 0 when none.
    int32_t FindDrawNumber(int32_t omg, std::string_view typ);
    // After reading a .1x2 file of the old layout (Version below "6.00", empty
    // counting as "5.00") whose OmgID is 0: fills OmgID from the games of its
    // round. Does nothing for other documents. Returns the document's OmgID.
    int32_t FillDrawNumberOfOldFile(core::TVinraFile& doc);

    // Stores the names of matches 1.. of the document's round (skipping a match
    // whose home or away name is empty or "-"); a stored match is updated in
    // place. When the document's OmgID is 0 it becomes omg first.
    bool SaveGames(core::TVinraFile& doc, int32_t omg, std::string_view typ, const std::vector<std::string>& homes,
                   const std::vector<std::string>& aways);
    bool SaveCouponGames(const CouponRound& round);
    MatchOutcome EditOrDeleteMatch(std::string_view typ, std::string_view home, std::string_view away, int32_t match,
                                   int32_t omgId, bool edit);

    // --- results -----------------------------------------------------------
    TFacitRec FindResult(std::string_view typ, int32_t omgId);
    // Stores the result of the document's draw number (OmgID) for a pool; the
    // eight texts are A13, U13, A12, U12, A11, U11, A10, U10 as the save dialog
    // shows them ("1 234", "1 500 000,00"). The row is cut to N (the document's
    // MatchCount, when set). Throws std::invalid_argument naming the field when
    // a number cannot be read; nothing is written then.
    bool SaveResult(core::TVinraFile& doc, int32_t omg, std::string_view row, const std::array<std::string, 8>& numbers,
                    std::string_view typ);
    // Stores one result record by its key (rec.Typ, rec.OmgID), inserting or
    // replacing every field. For the checking engine: it fills Winners/Payout
    // from its level table by the slot rules and calls this.
    void StoreResult(const TFacitRec& rec);
    bool SaveCouponResult(const CouponRound& round);

    // --- bulk --------------------------------------------------------------
    // Exchange lines (fields separated by ";", trimmed, the last running to the
    // end of the line): games Omg;Typ;OmgID;Match;Home;Away, results
    // Omg;Typ;OmgID;Rad;A13;U13;A12;U12;A11;U11;A10;U10. A stored key is
    // updated, a new one inserted; bad lines are skipped and reported. The
    // whole file is one transaction. Throws core::FileError / DatabaseError.
    ImportReport ImportGamesFile(const std::filesystem::path& path, const ImportProgress& progress = {});
    ImportReport ImportResultsFile(const std::filesystem::path& path, const ImportProgress& progress = {});
    // Deletes every record of a pool whose draw number is above limit, in both
    // tables. Returns the number of records deleted.
    size_t PurgeAbove(std::string_view typ, int32_t limit);

    // Database editor. ExportPool writes <code>Matcher.txt and <code>Resultat.txt
    // into folder in the exchange layout (Windows-1252, CR LF); ";" inside a text
    // field becomes "," so every line reads back. ImportPool reads the same two
    // files (the editor's layout, fields in table order, and the exchange layout
    // are both accepted, told apart per line) and adds every line whose key is
    // not stored yet; stored records are left alone. Lines that cannot be used
    // are added to errors (the line itself, or "key: " + line when the record
    // could not be stored). A missing file throws core::FileError.
    void ExportPool(std::string_view code, const std::filesystem::path& folder);
    ImportReport ImportPool(std::string_view code, const std::filesystem::path& folder,
                            std::vector<std::string>& errors);
    // Pool codes in the order the editor exports and imports them.
    static const std::vector<std::string>& EditorPoolCodes();
    // ImportPool for every code of EditorPoolCodes; after each pool the errors
    // so far are written to folder/"errors.txt". Stops with core::FileError at
    // the first missing file (the pools before it stay imported).
    ImportReport ImportAllPools(const std::filesystem::path& folder);

    // --- rounds ------------------------------------------------------------
    // Stored results of a pool, newest first (Omg, then OmgID, descending): the
    // main window's results tree.
    std::vector<RoundKey> ResultsTree(std::string_view typ);
    size_t GameCount();
    size_t ResultCount();

    sqlite3* handle() { return db_; }

private:
    sqlite3* db_ = nullptr;
    std::filesystem::path path_;
};

// Steps through the results of one pool in time order (Omg, then OmgID), as
// the check window does. The cursor behaves as a dataset's: a move that finds
// no record keeps the current one and sets Bof (Prior, First) or Eof (Next,
// Last); Last sets Eof and First sets Bof even when they moved.
class ResultNavigator {
public:
    ResultNavigator(TTipsData& data, std::string typ);

    // Each returns true when the cursor is on a record afterwards.
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    // First record of the pool in time order with this round; false (cursor
    // unchanged) when there is none.
    bool Locate(int32_t omg);
    // Re-reads the current record (after a save).
    bool Refresh();

    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool HasRecord() const { return current_.found; }
    const TFacitRec& Current() const { return current_; }
    const std::string& Typ() const { return typ_; }

private:
    bool moveTo(const char* where, int params, int32_t a = 0, int32_t b = 0);
    TTipsData& data_;
    std::string typ_;
    TFacitRec current_;
    bool bof_ = true;
    bool eof_ = true;
};

}  // namespace vinra::checking
