#pragma once
// Helpers the files of the generation wizard share.
#include <QString>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/messages.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/game_info.h"
#include "ui/core/program.h"
#include "ui/reduction/generate_window.h"

namespace vinra::ui::genwin {

namespace fs = std::filesystem;
using reduction::WizardMethod;
using reduction::WizardModel;

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline QString M(int n) { return Q(core::Msg(n)); }
inline QString MF(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

// Message numbers of the wizard.
inline constexpr int kMsgHelp = 32;                // "&Help"
inline constexpr int kMsgCancel = 41;              // "&Cancel"
inline constexpr int kMsgFinish = 61;              // "&Finish"
inline constexpr int kMsgNext = 62;                // "&Next"
inline constexpr int kMsgPrevious = 63;            // "&Previous"
inline constexpr int kMsgWizard = 74;              // "System Wizard"
inline constexpr int kMsgMethodHead = 75;          // "Create rows with this method:"
inline constexpr int kMsgMethodGroup = 76;         // " Reducing method "
inline constexpr int kMsgRows = 77;                // " rows"
inline constexpr int kMsgUse = 78;                 // "&use"
inline constexpr int kMsgConditions = 79;          // " Conditions for reduction: "
inline constexpr int kMsgRowDiff = 80;             // "&Row diff."
inline constexpr int kMsgGeneration = 86;          // "Row generation"
inline constexpr int kMsgTested = 87;              // "Number of tested rows:"
inline constexpr int kMsgUsed = 88;                // "Number of used rows:"
inline constexpr int kMsgReduce = 89;              // "&Reduce"
inline constexpr int kMsgReset = 90;               // "R&eset"
inline constexpr int kMsgWarranty = 91;            // "Table of warranty"
inline constexpr int kMsgGenerate = 92;            // "&Generate"
inline constexpr int kMsgExport = 93;              // "E&xport"
inline constexpr int kMsgImport = 94;              // "&Import"
inline constexpr int kMsgPrinter = 95;             // "Printer"
inline constexpr int kMsgTextFile = 96;            // "Text file"
inline constexpr int kMsgClipboard = 97;           // "Clip board"
inline constexpr int kMsgGenerateRows = 252;       // "&Generate rows"
inline constexpr int kMsgReadFile = 253;           // "&Read from file (systems with warranty)"
inline constexpr int kMsgTitle = 20;               // "&Reduce System Wizard": the menu's name, so both say the same
inline constexpr int kMsgStep = 324;               // "- Step %d of 4"
inline constexpr int kMsgMathRows = 323;           // "Mathematical no of rows: %s"
inline constexpr int kMsgTimeZero = 327;           // "Time used: 00:00:00"
inline constexpr int kMsgGrade = 328;              // "Grade of reduction: %d %%"
inline constexpr int kMsgTimeUsed = 329;           // "Time used: "
inline constexpr int kMsgRestore = 332;            // "Do you want to restore the rows (%d pcs) ..."
inline constexpr int kMsgStartRowLabel = 536;      // "Start row in row difference"
inline constexpr int kMsgWinLevelButton = 537;     // "&Choose win level"
inline constexpr int kMsgWeightsOver = 538;        // "The sum of percentage in one or more games is over 100 %. ..."
inline constexpr int kMsgNoStartRow = 539;         // "<Start row in row difference>"
inline constexpr int kMsgStartRowTitle = 540;      // "Row difference"
inline constexpr int kMsgStartRowPrompt = 541;     // "Set start row"
inline constexpr int kMsgConditionNote = 1501;     // "on results that meet the system's conditions"
inline constexpr int kMsgRate = 1503;              // "%s rows/s"
inline constexpr int kMsgTimeLeft = 1504;          // "Time left: %s"
inline constexpr int kMsgRunFailed = 1518;         // "The run could not start: %s"
inline constexpr int kMsgStillRunning = 1519;      // "Cancel the run before closing the wizard."
inline constexpr int kMsgGuaranteeCaption = 1400;  // "Reduce with &guarantee: %d / %d right"
inline constexpr int kMsgSeconds = 1402;           // "Time budget (seconds):"
inline constexpr int kMsgKeepCaption = 1418;       // "Keep the %d rows of highest value"
inline constexpr int kMsgNoGameInfo = 1419;        // "The round has no game information ...; the value cannot be computed."
inline constexpr int kMsgValueMatches = 1420;      // "The value can be computed for at most %d matches."
inline constexpr int kMsgNoRowsToValue = 1424;     // "There are no rows to value."
inline constexpr int kMsgImportFailed = 1521;      // "The warranty table could not be read: %s"
inline constexpr int kMsgWriteFailed = 1522;       // "The file could not be written: %s"
inline constexpr int kMsgTabText = 1523;           // "Tab-separated text file"
inline constexpr int kMsgAllFiles = 1524;          // "All files"
inline constexpr int kMsgRandomTooSmall = 3400;    // "The number of rows to generate must be at least 1."
inline constexpr int kMsgRandomTooLarge = 3401;    // "The frame has only %s rows; no more than that can be generated."
inline constexpr int kMsgRandomStalled = 3402;     // "No new row was found in %s attempts: ... The %s rows found are kept."
inline constexpr int kMsgGuaranteeNoRowDiff = 3403;  // "A guarantee run does not thin rows by row difference; ..."

inline constexpr const char* kHelpPage = "generate.htm";

inline QString Clock(qint64 ms) {
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    return QString::asprintf("%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
}

inline QString Grouped(int64_t v) { return Q(core::GroupDigits(v)); }

inline const std::pair<int, int> kEditorButtons[] = {
    // flag, caption of its editor button
    {core::UseMaxMin, 81},   // "&Line of chars"
    {core::UseProcent, 82},  // "&Percentage"
    {core::UseURad, 83},     // "&S-rows"
    {core::UseNejKomb, 84},  // "&No-comb"
    {core::UseJaKomb, 85},   // "&Yes-comb"
    {core::UseChooseWin, kMsgWinLevelButton},
};

inline RoundView MakeRoundView(const core::TVinraFile& doc, const Program& program, const TfrmGenerate::Options& options,
                        reduction::RoundFigures& figures) {
    RoundView r;
    r.n = std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches);
    r.frame = doc.Grundrad;
    r.signs = core::CurrentDisplaySigns();
    r.homes = options.homes;
    r.aways = options.aways;
    const fs::path file = net::GameInfoFile(program.DataFolder(), doc.Pool, doc.OmgID);
    std::error_code ec;
    if (doc.OmgID > 0 && fs::exists(file, ec)) {
        net::TSvSpelInfo info;
        info.Load(file, r.n, doc.Proc);
        r.hasInfo = true;
        r.people = info.PeopleValue;
        r.operatorOdds = info.OddsPercent;
        r.bookie = info.UbetPercent;
        r.peopleText = info.People;
        r.homes.resize(static_cast<size_t>(r.n));
        r.aways.resize(static_cast<size_t>(r.n));
        for (int m = 0; m < r.n; ++m) {
            auto& h = r.homes[static_cast<size_t>(m)];
            auto& a = r.aways[static_cast<size_t>(m)];
            if (h.empty() && a.empty()) {
                h = info.Home[static_cast<size_t>(m)];
                a = info.Away[static_cast<size_t>(m)];
            }
        }
    }
    figures.present = r.hasInfo;
    figures.people = r.people;
    figures.peopleText = r.peopleText;
    return r;
}

inline reduction::RoundFigures FiguresOf(const core::TVinraFile& doc, const Program& program,
                                  const TfrmGenerate::Options& options, RoundView& view) {
    reduction::RoundFigures f;
    view = MakeRoundView(doc, program, options, f);
    return f;
}


}  // namespace vinra::ui::genwin
