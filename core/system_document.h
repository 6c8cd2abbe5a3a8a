#pragma once
// The system document: everything a player builds for one round of one pool.
// One instance lives for the whole run; windows read and change its fields directly.
//
// Names kept from the .1x2 file format and the window classes (Swedish words):
//   Grundrad    the frame: per match the marked signs ("02", or "0 2" positional)
//   Rader       the rows of the system, each N sign codes ("0" 1, "1" X, "2" 2)
//   Facit       the result row: N sign codes, "-" for a match without result
//   Omg         the round as ISO year-week "2026-50"; OmgID the operator's draw number
//   Typ         the pool code (S Stryktipset, I Europatipset, ...); Pool its name
//   Villkor     the reduction conditions; Garanti the warranty
//   Ja / Nej    yes- and no-combinations: sign patterns the rows must / must not hold
//   URad        source rows (U-rows), with UMin and UMax the hits each allows
//   GarRad      warranty table keys, one per class of outcome; GarAnt their counts
//   MatGard     per match "X" when a reduced system covers it mathematically
//   SalvikLink  the live-check page the web service gave for an uploaded system
//   TfrmStryk   the main window; other windows are Tfrm + role (TfrmRatta checking)
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/row_list.h"
#include "core/signs.h"

namespace vinra::core {

// An ordered list of flags; used for the eight condition switches.
class TBooleanList {
public:
    int Add(bool value);
    bool Get(int index) const;
    // Throws std::out_of_range "List index out of bounds (%d)" for a bad index.
    void Put(int index, bool value);
    void Clear() { flags_.clear(); }
    int Count() const { return static_cast<int>(flags_.size()); }
    // Sum of 2^i over the true flags (only the first 32 count).
    uint32_t ToInteger() const;
    // Clears and appends count flags, flag i being bit i of value.
    void FromInteger(uint32_t value, int count);

    bool operator==(const TBooleanList&) const = default;

private:
    std::vector<bool> flags_;
};

// Indexes of the condition flags.
enum UseFlag : int {
    UseMaxMin = 0,
    UseRadDiff = 1,
    UseURad = 2,
    UseJaKomb = 3,
    UseNejKomb = 4,
    UseProcent = 5,
    UseFilterTo = 6,
    UseChooseWin = 7,
};
constexpr uint32_t kDefaultUseFlags = 189;

class TVinraFile {
public:
    TVinraFile();  // lists empty, UseFlags empty, numbers 0 (as created before Clear)

    int32_t MatchCount = 0;             // N
    std::vector<std::string> Grundrad;  // frame, one entry per match
    RowList Rader;                      // rows, each N codes (kept packed)
    std::string Omg;                    // round "yyyy-ww"
    int32_t OmgID = 0;                  // draw number, 0 unknown, -1 not published
    std::string Country;
    std::string Pool;
    std::string Typ;
    std::string SystemTyp;
    std::string Program;
    std::string Version;
    bool Printed = false;
    std::string Facit;
    std::string Comment;  // lines separated by CR LF
    std::string SalvikLink;
    TBooleanList UseFlags;
    int32_t RadDiff = 0;
    std::string FirstRow;
    int32_t FilterToRader = 0;
    double ProcMin = 0.0;
    double ProcMax = 0.0;
    std::array<int32_t, 3> Max{};  // per sign 1, X, 2
    std::array<int32_t, 3> Ord{};
    std::array<int32_t, 3> Min{};
    std::vector<std::string> Ja;
    std::vector<std::string> JaMin;
    std::vector<std::string> JaMax;
    std::vector<std::string> Nej;
    std::array<std::vector<std::string>, 3> Proc;  // per sign, per match, decimal text
    std::vector<std::string> URad;
    std::vector<std::string> UMin;
    std::vector<std::string> UMax;
    std::array<std::array<int32_t, 3>, kMaxMatches> UserPercent{};  // [match 0-based][sign]
    int32_t WinMin = 0;
    int32_t WinMax = 0;
    std::vector<std::string> Gar;     // warranty texts, at most 5
    std::vector<std::string> GarRad;  // warranty class keys
    std::vector<std::string> GarAnt;  // outcome count per key
    int32_t AntalRader = 0;           // number of warranty outcomes
    int32_t AntalGarantiRader = 0;    // number of warranty keys
    std::string Systemnamn;
    std::array<std::string, kMaxMatches> MatGard;  // "X" for a mathematically covered match
    std::array<std::string, kMaxMatches> URow;     // "1  ", " X ", "  2" or "   "
    std::vector<std::string> LogRows;
    std::array<int32_t, kMaxMatches> HGoal{};  // [match 0-based], -1 unknown
    std::array<int32_t, kMaxMatches> AGoal{};
    std::array<bool, kMaxMatches> End{};

    // Every field to its value after Clear (N kept, 13 when below 8).
    void Clear();
    // Clear, then stamp as a new own system of n matches: SystemTyp "E",
    // Program "Vinra 2000", Version "7.51", frame of n entries ("012" when fillAll).
    void NewSystem(int n, bool fillAll);

    // "M" -> "X", anything else empty, per match (characters beyond N ignored).
    void SetMatGard(std::string_view text);
    std::string GetMatGard() const;
    // "1" -> "1  ", "2" -> "  2", "X"/"x" -> " X ", else "   ".
    void SetURow(std::string_view text);
    std::string GetURow() const;

    // Reads a .1x2 file into this document. The file is read into a copy that
    // replaces the document only when the whole file was read; on any failure
    // the document is left exactly as it was and FileError is thrown.
    void LoadFromFile(const std::filesystem::path& path);
    // Writes the document as a .1x2 file (current layout), atomically.
    void SaveToFile(const std::filesystem::path& path) const;
    // Adds the rows of another system file's Rader section that have N signs and
    // are not present yet. Returns the number of rows added. Throws FileError.
    int MergeRowsFrom(const std::filesystem::path& path);
    // Writes the rows into text files of at most 20 000 rows each and returns
    // their names. The document must have been saved (path is its file). The
    // signs are written in the pool's display characters (H, U, B for the
    // Norwegian pools), as its row file has them.
    std::vector<std::filesystem::path> SplitRowsToFiles(const std::filesystem::path& path,
                                                        const DisplaySigns& signs = CurrentDisplaySigns()) const;

    bool operator==(const TVinraFile&) const = default;
};

// The version a new system is stamped with.
inline constexpr const char* kProgramName = "Vinra 2000";
inline constexpr const char* kProgramVersion = "7.51";

}  // namespace vinra::core
