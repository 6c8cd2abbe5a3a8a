#pragma once
// Following a round live in the check window, without any window: the update
// cycle (button, timer, busy), applying fetched scores to the document, the
// hand-kept scores, the goal log with its page, and the sound choice. The
// goal-service tab only shows what this holds and starts the downloads it asks for.
#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "checking/engine.h"
#include "core/ini.h"
#include "core/system_document.h"

namespace vinra::checking {

enum class LiveMode { NonStop, AtButtonClick };
enum class LiveSound { GoalUp, GoalDown, GoalSame, GoalAll, GameEnd };

// The update cycle: the On/Off button, the 30 s timer and the busy/fresh flags.
class LiveCycle {
public:
    static constexpr int kIntervalMs = 30000;

    bool ButtonDown() const { return buttonDown_; }
    bool TimerOn() const { return timerOn_; }
    bool Busy() const { return busy_; }
    LiveMode Mode() const { return mode_; }

    // On/Off pressed (or Ctrl+G): the timer follows the button, then one tick.
    // Returns Tick()'s answer.
    bool Press(bool down);
    // A tick (also every timer event). True when a download must start now;
    // while one runs only the button and timer are brought in line.
    bool Tick();
    // Choosing a mode releases the button; the timer keeps its state until the
    // next tick, so a running cycle fetches once more and then stops.
    void SetMode(LiveMode mode);
    // The download ended (parsed or not): not busy, and the next refresh may log.
    void DownloadFinished();
    // The refresh takes the fresh flag (true once per finished download).
    bool TakeFresh();
    // Closing the refresh: the button is released in "At button click" mode or
    // when every match has ended; the timer follows the button.
    void AfterRefresh(bool allEnded);
    // The window's reset or close: everything off.
    void Stop();

    bool gameEndedNews = false;

private:
    bool buttonDown_ = false;
    bool timerOn_ = false;
    bool busy_ = false;
    bool fresh_ = false;
    LiveMode mode_ = LiveMode::AtButtonClick;
};

// The fetched state of the round's matches (index m - 1 for match m).
struct LiveScores {
    std::array<int32_t, core::kMaxMatches> home;
    std::array<int32_t, core::kMaxMatches> away;
    std::array<int32_t, core::kMaxMatches> status;  // 1 ended, anything else playing
    LiveScores() {
        home.fill(-1);
        away.fill(-1);
        status.fill(3);
    }
};

// Per-match state of the tab: tracked (follows the live source) and its mark.
struct LiveMatch {
    bool tracked = true;
    bool changed = false;  // score changed in the last refresh
    std::string scoreCell = "---";
    std::string mark;  // "<-", "S", "(S)" or empty
};

// Texts from the language table the log lines use.
struct LiveTexts {
    std::string winningRow = "Winning row";         // 426
    std::string bestRow = "Best row";               // 542
    std::string right = " right:";                  // 441
    std::string goalsTo = "%d goals to %d right!";  // 518
};

// The goal log's HTML line templates (update.ini [Goals]); each "%s" is
// filled by plain substitution with text that has been escaped for HTML.
struct GoalLogTemplates {
    std::string time = "<tr><td bgcolor=\"#ABCDEF\" class=\"mwb\"><b>&nbsp;%s</b></td></tr>";
    std::string team = "<tr><td bgcolor=\"#CDECDE\" class=\"mwb\">&nbsp;%s</td></tr>";
    std::string row = "<tr><td bgcolor=\"#DDCCEE\" class=\"mwb\"><pre>&nbsp;%s<br>&nbsp;%s</pre></td></tr>";
    std::string res = "<tr><td bgcolor=\"#BCDBCD\" class=\"mwb\">&nbsp;%s</td></tr>";
    std::string begin =
        "<html><head><title>Goal Log</title><body><font face=\"Verdana\" color=\"Black\"><table width=\"100%\" "
        "border=\"0\">";
    std::string end = "</table></body></html>";

    static GoalLogTemplates FromIni(const core::IniFile& updateIni);
};

inline constexpr size_t kMaxLogRows = 10000;

// A row in groups of three characters separated by spaces.
std::string GroupedRow(std::string_view row);

// The best row of a recount: its index, goals needed and number of right.
struct BestRowInfo {
    int64_t index = -1;
    int64_t goalsNeeded = 0;
    int right = 0;  // 0 when there is no readable best row
};
BestRowInfo FirstBestRow(const CheckResult& check, int matchCount);

// The sound for the best row's number of right matches d against the reference
// r (negative: none yet); the reference becomes d.
LiveSound ChooseSound(int d, int& reference, int matchCount, bool gameEndedNews);

// No football score reaches this; it keeps a goal kept by hand inside int32.
inline constexpr int32_t kMaxHandGoals = 99;

// One opening of the live tab.
class LiveRound {
public:
    // homes/aways: the team names of matches 1..N (shorter lists leave names empty).
    LiveRound(core::TVinraFile& doc, std::vector<std::string> homes, std::vector<std::string> aways);
    const std::string& Home(size_t m) const { return m < homes_.size() ? homes_[m] : empty_; }
    const std::string& Away(size_t m) const { return m < aways_.size() ? aways_[m] : empty_; }

    std::vector<LiveMatch>& Matches() { return matches_; }
    const std::vector<LiveMatch>& Matches() const { return matches_; }

    // Copies the fetched scores of tracked matches into the document. Returns
    // true when a match ended since the last download (game-ended news).
    bool Apply(const LiveScores& scores);

    // Score cells from the document's goals; true for each match whose cell changed.
    int UpdateScoreCells();
    // The marks after a refresh that logs: "<-" for changed tracked matches.
    void MarkChanges();
    // "S" on every tracked match whose End is set.
    void MarkEnded();
    bool AllEnded() const;

    // Hand-kept score (column 6): home (left button) or away goal, added or
    // taken away (never below 0); unknown goals count as 0-0 first.
    // At most kMaxHandGoals a side.
    void HandGoal(int match, bool home, bool decrease);
    // Column 8: tracked on/off ("(S)" ends the match by hand).
    void ToggleTracked(int match);
    // Column 0 after the user said yes: the match back to unknown and tracked.
    void ClearMatch(int match);
    // The check window's reset: ClearMatch of every match.
    void Reset();

    // The log lines of one entry, in order (time, changed teams, row, res).
    std::vector<std::string> LogEntry(const GoalLogTemplates& t, const LiveTexts& texts, std::string_view now,
                                      const std::string& displayResult, const std::string& bestDisplayRow,
                                      const BestRowInfo& best) const;
    // Inserts the entry's lines at the top of the document's log, keeping at
    // most kMaxLogRows lines.
    void AddToLog(const std::vector<std::string>& lines);

private:
    core::TVinraFile& doc_;
    std::vector<LiveMatch> matches_;
    std::vector<std::string> homes_, aways_;
    std::string empty_;
};

// Markup read from a file (a log line of the system, a template of update.ini)
// reduced to what a goal log draws with: table rows and cells, bold, colours,
// fonts, line breaks. Any other tag (links, images, tables, scripts, styles,
// comments) is shown as text, and only plain attribute values survive, so a
// file can neither point the viewer anywhere nor add blocks of its own.
// page: the page's frame, which may also open the html, body and table.
std::string SafeLogMarkup(std::string_view html, bool page = false);

// The goal log page: begin, the log lines joined by line breaks, end; each
// part passed through SafeLogMarkup.
std::string GoalLogPage(const GoalLogTemplates& t, const std::vector<std::string>& logRows);
void WriteGoalLogPage(const std::filesystem::path& file, const GoalLogTemplates& t,
                      const std::vector<std::string>& logRows);

// Sound files of RAVAROZ.INI [Sounds]; a value that is not an existing file is
// taken from soundDir. Empty when the file does not exist.
std::filesystem::path SoundFile(const core::IniFile& settings, LiveSound sound, const std::filesystem::path& soundDir);

}  // namespace vinra::checking
