#pragma once
// The reduction wizard without its window: the working set the player edits
// (rows, conditions, warranty), the four steps, which controls are enabled
// when, what a run is given and what its end leaves behind, and what Finish
// hands back to the system. The window only shows this model and calls it.
//
// Nothing reaches the system document before Finish: flags, the filter-to
// count and the row difference written at the start of a run stay in the
// working set, so Cancel leaves the document exactly as it was.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/signs.h"
#include "core/system_document.h"
#include "reduction/conditions.h"
#include "reduction/guarantee_cover.h"
#include "reduction/row_generation.h"
#include "reduction/warranty.h"

namespace vinra::reduction {

// The ways the method page offers to make rows, in the order shown. Another
// method is one more entry here and one more case where the run is set up.
enum class WizardMethod : int { Mathematical = 0, Random = 1, Filter = 2, Guarantee = 3, HighestValue = 4 };
constexpr int kWizardMethodCount = 5;
struct WizardMethodInfo {
    WizardMethod method;
    int captionMsg;  // the radio button's caption (Guarantee: N-1 and N-2 filled in; HighestValue: the count)
    int typeMsg;     // "Reduction type: ..." shown on the next pages
};
const std::vector<WizardMethodInfo>& WizardMethods();

// What the round's game information gives the wizard; empty and zero when the
// round has none.
struct RoundFigures {
    bool present = false;                                                    // a game-information file was read
    PercentTable people{};                                                   // people's percentages as numbers
    std::array<std::array<std::string, 3>, core::kMaxMatches> peopleText{};  // as read ("05.5")
};

// The win-level figure of one people's percentage text: one leading '0' is
// dropped, every other character that is not a digit is dropped, and the rest
// is read as an integer (0 when nothing is left).
int32_t SumFigureOfText(std::string_view text);

// The start row typed by the player: upper-cased, only display characters
// kept; cleared unless exactly n remain; returned in internal codes.
std::string StartRowFromEntry(std::string_view typed, int n, const core::DisplaySigns& signs);

// A count field: an integer, or 100 when the text is not one.
int64_t CountFieldValue(std::string_view text);

// How many random candidates in a row may bring no new row before a random run
// over a frame of this many rows gives up: enough that a run whose conditions
// still admit rows does not stop short, few enough that one that cannot be
// completed ends within seconds rather than never.
int64_t RandomStallTries(uint64_t frameRows);

// 100 - rows * 100 / frameRows in 64 bits (integer division); 0 for an empty frame.
int64_t GradeOfReduction(uint64_t rows, uint64_t frameRows);

// The frame spanned by the rows when it differs from the current frame (sign
// sets compared match by match, whatever the entries' form); nullopt when the
// rows are empty or span exactly the current frame.
std::optional<std::vector<std::string>> ChangedFrame(const core::RowList& rows, const std::vector<std::string>& frame,
                                                     int n);

enum class RunKind { None, Reduction, Warranty };

// Enabled state of every control that depends on the run and the step.
struct WizardControls {
    bool reduce = false, restore = false, cancelRun = false;  // generation page
    bool warrantyGenerate = false, warrantyCancel = false;    // warranty page
    bool exportButton = false, importButton = false;
    bool previous = false, next = false, finish = false, close = false;  // navigation
};

struct MethodControls {
    bool mathematical = false, random = false, filter = false, guarantee = false, highestValue = false;
    bool useBox = false, filterCount = false, randomCount = false;
    bool guaranteeChoice = false, seconds = false, keepCount = false;  // the fields of the two last methods
};

// The time budget field of a guarantee run: whole seconds, 1 to 3600; 10
// when the text is not a number.
double GuaranteeSecondsOfText(std::string_view text);

struct ConditionControls {
    bool rowDiff = false;  // the check box and its list
    bool signCounts = false, percentage = false, sourceRows = false, noComb = false, yesComb = false, winLevel = false;
};

class WizardModel {
public:
    // Prepares the working set from the system: rows, conditions (check boxes
    // from its flags, the filter-to field), its stored warranty; the first row
    // as start row when none is set; the sum table from the round's people's
    // percentages when the round has game information (otherwise the system's
    // stored table is kept); the win bounds normalised to the frame.
    WizardModel(const core::TVinraFile& doc, const RoundFigures& round);

    int MatchCount() const { return n_; }
    const std::vector<std::string>& Frame() const { return frame_; }
    uint64_t FrameRows() const { return frameRows_; }
    const RoundFigures& Round() const { return round_; }

    // The working values; flags are the condition check boxes.
    const ConditionSet& Conditions() const { return c_; }
    ConditionSet& Conditions() { return c_; }
    const std::vector<std::string>& Rows() const { return rows_; }
    // Row count of the system the wizard was opened on (Reset brings it back).
    size_t SystemRowCount() const { return systemRows_.size(); }

    // ---- Steps and navigation ----
    int Step() const { return step_; }
    enum class NextResult {
        Moved,           // the next page is shown
        ReadFromFile,    // the wizard closes; the reduced-system dialog comes next
        WeightsOver100,  // message 538: the percentages must be corrected first (stays on the page)
        RandomCountTooSmall,  // a random run of 0 rows or fewer (stays on the page)
        RandomCountTooLarge,  // more rows than the frame has (stays on the page)
        Refused,         // a run is active, or the last page
    };
    NextResult Next();
    void Previous();
    WizardControls Controls(bool systemFileExists) const;

    // ---- Method page ----
    bool ReadFromFile() const { return readFromFile_; }
    void SetReadFromFile(bool fromFile) { readFromFile_ = fromFile; }
    // The method chosen; Filter falls back to Mathematical while it is disabled.
    WizardMethod Method() const;
    void SetMethod(WizardMethod m) { method_ = m; }
    bool UseFilterTo() const { return c_.flag(core::UseFilterTo); }
    void SetUseFilterTo(bool on) { c_.flags[core::UseFilterTo] = on; }
    const std::string& RandomCountText() const { return randomCountText_; }
    void SetRandomCountText(std::string text) { randomCountText_ = std::move(text); }
    const std::string& FilterCountText() const { return filterCountText_; }
    void SetFilterCountText(std::string text) { filterCountText_ = std::move(text); }
    int64_t RandomCount() const { return randomCount_; }
    // Guarantee: 1 for N-1 right, 2 for N-2 right.
    int GuaranteeWrong() const { return guaranteeWrong_; }
    void SetGuaranteeWrong(int wrong) { guaranteeWrong_ = wrong == 2 ? 2 : 1; }
    const std::string& SecondsText() const { return secondsText_; }
    void SetSecondsText(std::string text) { secondsText_ = std::move(text); }
    const std::string& KeepCountText() const { return keepCountText_; }
    void SetKeepCountText(std::string text) { keepCountText_ = std::move(text); }
    // The count of "keep the K rows of highest value" as the pages were entered.
    int64_t KeepCount() const { return keepCount_; }
    MethodControls MethodStates() const;
    // "Reduction type: ..." of the method the pages were entered with, and
    // the figure it is filled with (0: the message has none).
    int TypeMessage() const { return typeMsg_; }
    int64_t TypeFigure() const { return typeFigure_; }
    // The method the pages were entered with.
    WizardMethod EnteredMethod() const { return entered_; }
    GenerationMode Mode() const { return mode_; }

    // ---- Conditions page ----
    ConditionControls ConditionStates() const;
    void SetFlag(int flag, bool on);
    // Index of the row-difference list (0 = 2 .. 4 = 6).
    int RowDiffIndex() const { return c_.radDiff - 2; }
    void SetRowDiffIndex(int index);
    // The typed start row (entry rule of StartRowFromEntry).
    void SetStartRowEntry(std::string_view typed, const core::DisplaySigns& signs);

    // ---- Runs ----
    bool Running() const { return running_ != RunKind::None; }
    RunKind RunningKind() const { return running_; }
    RunKind LastRun() const { return lastRun_; }
    bool Interrupted() const { return interrupted_; }
    // Starts a reduction run: clears the warranty, remembers the row count,
    // fixes the flags and the filter-to count in the working set, and gives
    // the engine's input (throws nothing; the engine checks the frame).
    GenerationInput BeginReduction();
    // The end of a reduction run (normal or cancelled): the rows the engine
    // left become the working rows, as far as it got.
    void EndReduction(std::vector<std::string> rows, bool cancelled);
    // Starts a guarantee run (the entered method is Guarantee): the same
    // bookkeeping as a reduction run, and the covering search's input.
    GuaranteeInput BeginGuarantee();
    // The end of a guarantee run: its rows, and its warranty table (complete
    // and checked) when it has rows; a run cancelled before it had a list
    // leaves the working rows as they were.
    void EndGuarantee(const GuaranteeResult& result, bool cancelled);
    // Starts "keep the K rows of highest value" (the entered method is
    // HighestValue): the same bookkeeping; returns K.
    int64_t BeginHighestValue();
    // Starts a warranty run of the working rows (flags 0-5 from the check boxes).
    GenerationInput BeginWarranty();
    // The end of a warranty run. A cancelled table is shown but never stored.
    void EndWarranty(WarrantyTable table, bool cancelled);
    // A run that could not start (the engine refused the input).
    void AbortRun();
    // The progress bar's maximum for the run being started.
    int64_t ProgressMaximum() const { return progressMax_; }
    // Counters after the end of a reduction run.
    struct Counters {
        int64_t tested = 0, used = 0, bar = 0;
    };
    Counters CountersAfterRun(int64_t testedByEngine) const;
    // Status panel 1 after or during runs: 313-318; 0 before any run.
    int RunStatusMessage() const;

    // Reset: the system's rows (and its stored warranty) come back; the
    // filter-to count becomes their number.
    void Restore();

    // ---- Warranty ----
    // The table shown (possibly the partial table of a cancelled run).
    const WarrantyTable& Warranty() const { return shown_; }
    // The last complete table: what Finish stores.
    const WarrantyTable& StoredWarranty() const { return complete_; }
    void SetImportedWarranty(WarrantyTable table);

    // ---- Finish ----
    // Writes rows, conditions (with flags, the filter-to count, the sum table
    // and the win bounds) and the last complete warranty with its texts into doc.
    void ApplyTo(core::TVinraFile& doc, const WarrantyTexts& texts) const;

private:
    int n_;
    std::vector<std::string> frame_;
    uint64_t frameRows_;
    RoundFigures round_;
    ConditionSet c_;
    std::vector<std::string> rows_;
    std::vector<std::string> systemRows_;
    WarrantyTable systemWarranty_;
    WarrantyTable shown_, complete_;
    // What a run that could not start puts back.
    WarrantyTable shownBefore_, completeBefore_;
    std::array<bool, kConditionFlags> flagsBefore_{};

    int step_ = 0;
    bool readFromFile_ = false;
    WizardMethod method_ = WizardMethod::Mathematical;
    GenerationMode mode_ = GenerationMode::Full;
    int typeMsg_ = 308;
    int64_t typeFigure_ = 0;
    WizardMethod entered_ = WizardMethod::Mathematical;
    int guaranteeWrong_ = 1;
    std::string secondsText_ = "10", keepCountText_ = "100";
    double seconds_ = 10;
    int64_t keepCount_ = 100;
    std::string randomCountText_ = "100", filterCountText_;
    int64_t randomCount_ = 100;

    RunKind running_ = RunKind::None, lastRun_ = RunKind::None;
    bool interrupted_ = false;
    int64_t rowsAtStart_ = 0;
    int64_t progressMax_ = 0;

    void beginRun();
};

}  // namespace vinra::reduction
