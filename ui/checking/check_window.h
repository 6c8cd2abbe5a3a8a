#pragma once
// TfrmRatta, the check window: the player enters or loads the round's result
// and prize table and reads what the system won. Every figure comes from the
// checking model (CheckSession); the window shows it, steps through the
// stored rounds of the pool, saves results, prints the winnings and keeps the
// live-check link.
//
// The window works on a working copy of the system; the caller hands the copy
// back to the open system when the window closes (result row, goals, comment
// and link; the round when a stored round of the system was loaded).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "checking/check_session.h"
#include "checking/tips_data.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "output/page.h"
#include "reduction/system_value.h"
#include "ui/checking/results_dialogs.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

namespace vinra::ui {

class BackgroundJob;
class GoalServiceTab;
class Prompter;
class TfrmQuick;
class ValueChart;

// The distribution of right counts as bars: one bar per number of right,
// the paying levels in green.
class TDistributionChart : public QWidget {
    Q_OBJECT
public:
    explicit TDistributionChart(QWidget* parent = nullptr);
    void SetCounts(std::vector<int64_t> counts, int firstWinLevel);
    const std::vector<int64_t>& Counts() const { return counts_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<int64_t> counts_;
    int firstWin_ = 10;
};

// The result of one round looked up on the web service (filled on a worker).
struct RoundFetch {
    std::string typ;
    int32_t round = 0;               // year * 100 + week
    int32_t draw = 0;                // the round's draw number when the database knows it (0: not known)
    int matchCount = 13;
    bool settled = false;            // the service has the round's complete result
    std::string error;               // the look-up failed: why
    checking::CouponRound found;     // the round as the service has it (when settled)
};

// A round's prize lists as a results page gives them (the top level first)
// put in the order of the stored slots 13, 12, 11, 10, each slot holding the
// level it loads back as (SlotLevel): for 12 matches the top level is slot 12
// and slot 13 gets nothing.
void PrizeListsToSlots(checking::CouponRound& round, int matchCount);

// What the window needs from the program and the shell.
struct CheckWindowContext {
    checking::TTipsData* db = nullptr;  // may be closed: no navigation then
    core::PoolSettings pool;            // the system's pool
    Prompter* prompter = nullptr;
    bool debug = false;                     // shows the web download button
    std::filesystem::path dataFolder;       // game information (people's percentages)
    std::filesystem::path pdfFolder;        // where the report PDFs are proposed
    std::vector<std::string> homes, aways;  // the main window's team names
    std::string serviceHome;                // the web service's start page
    std::string uploadUser;                 // the web-service user of uploads (the publish id)
    std::string systemFileName;             // the system's file name (the publish id)
    HelpFn help;
    std::function<void(const std::string& url)> openUrl;
    std::function<void(QWidget*)> openSettings;
    // The results download of the round; the chosen round (year * 100 + week).
    std::function<std::optional<int32_t>(QWidget*, core::TVinraFile& work)> downloadResults;
    // The upload command; true when the working copy got a link (and the
    // comment the link's line).
    std::function<bool(QWidget*, core::TVinraFile& work)> upload;
    // Looks up the result of a round (fetch.typ, fetch.round) on the web
    // service and fills the rest of fetch. Runs on a worker thread: it may
    // touch nothing but its argument. Unset: no look-up is offered.
    // A transfer it runs stops when the window cancels the look-up.
    std::function<void(RoundFetch& fetch)> fetchRoundResult;
    // Shows a report (default: the preview with its PDF button).
    std::function<void(QWidget*, output::PrintDocument)> showReport;
    // The round chooser (default: TfrmChooseOmg).
    std::function<std::optional<std::pair<std::string, std::string>>(QWidget*, const std::string& year,
                                                                     const std::string& week)>
        chooseRound;
    // Today as "yyyy-mm-dd" (default: the clock).
    std::function<std::string()> today;
    // The goal tab's "Publish on the goal service" box: its remembered state
    // and where a change of it goes.
    bool publishGoals = false;
    std::function<void(bool)> rememberPublishGoals;
};

class TfrmRatta : public QDialog {
    Q_OBJECT
public:
    // Payout grid columns.
    enum Col {
        ColMatch = 0,
        ColHome,
        ColAway,
        ColSign1,
        ColSignX,
        ColSign2,
        ColNum1,
        ColNumX,
        ColNum2,
        ColCountAll
    };
    // Level grid columns: one line per number of right, the top level first.
    enum LevelCol { LevelRight = 0, LevelRows, LevelPayout, LevelSum, LevelColCount };
    enum Tab { TabWinnings = 0, TabConditions, TabBestRows, TabLiveCheck, TabGoalService };
    static constexpr int kBestColumns = 50;

    TfrmRatta(core::TVinraFile work, CheckWindowContext context, QWidget* parent = nullptr);
    ~TfrmRatta() override;

    // The working copy as the window leaves it.
    const core::TVinraFile& Document() const { return work_; }
    // The window changed the system in a way that makes it count as changed
    // (reset, link).
    bool MarksModified() const { return marksModified_; }
    // A stored round of the system's own draw number was loaded (its round text may be new).
    bool RoundTextChanged() const { return roundChanged_; }

    // --- what the window shows (tests read these) ---------------------------
    QTableWidget* PayoutGrid() const { return grid_; }
    QTableWidget* LevelGrid() const { return levels_; }
    // The level grid's cell of k right.
    QTableWidgetItem* LevelItem(int k, int col) const;
    QTableWidget* BestGrid() const { return best_; }
    QListWidget* ConditionsList() const { return conditions_; }
    QTabWidget* Tabs() const { return tabs_; }
    TDistributionChart* Chart() const { return chart_; }
    // The value of the system from the round's market figures (conditions tab).
    ValueChart* ValueChartWidget() const { return valueChart_; }
    bool ValueRunning() const;
    QLineEdit* LinkEdit() const { return link_; }
    QPlainTextEdit* CommentEdit() const { return comment_; }
    QCheckBox* DirectUpdate() const { return direct_; }
    QCheckBox* InPercent() const { return percent_; }
    QCheckBox* PausePool() const { return pause_; }
    QStatusBar* StatusBar() const { return status_; }
    QAction* Action(const QString& name) const;
    TfrmQuick* Overview() const { return quick_; }
    QString RoundLabel() const;
    QString WinTotalText() const;
    QString WinAfterBetText() const;
    QString PeopleLine() const;
    // The line under the grid that says why a round shows no result.
    QString NoteText() const;
    // The look-up of a missing round on the web service is running.
    bool FetchRunning() const;
    // The indicator: empty before any active section, else "true" / "false".
    QString IndicatorState() const;
    std::string DisplayResult() const { return display_; }
    const checking::Recount& Last() const { return session_->Last(); }
    const checking::ResultNavigator* Navigator() const { return nav_.get(); }

signals:
    // The value chart shows the figures of the system (or why there are none).
    void valueFinished();

public slots:
    // A click on a sign cell: match 1..N, sign 0 home, 1 draw, 2 away.
    void ToggleSign(int match, int sign);
    // Types a payout into the grid line of a level, as the player would.
    void EditPayout(int level, const QString& text);
    void btnClearClick();
    void btnPrintClick();
    void btnSaveClick();
    void btnLocalClick();
    void btnLastYearClick();
    void btnPriorClick();
    void btnNextClick();
    void btnNextYearClick();
    void btnWebClick();
    void btnOverviewClick(bool show);
    void btnUploadClick();
    void btnGoToLiveCheckClick();
    void btnServiceHomeClick();
    void btnDeleteLinkClick();
    void btnSettingsClick();
    void btnCopyLinkClick();
    void btnPasteLinkClick();
    void chkPausePoolClick(bool on);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildWinningsTab();
    void buildConditionsTab();
    void buildBestTab();
    void buildLiveTab();
    QWidget* makeGoalServiceTab();  // goal_service_tab.cpp
    void prepare();
    void startValue();
    void showValueLines();
    void showing();
    void recount();
    void showRecount();
    void showLevel(int level);
    void fitLevelGrid();
    void writeSignCells();
    void writeShares();
    void computeBestRows();
    void loadCurrentRound();
    void loadPeople();
    void setTeams(const std::vector<std::string>& homes, const std::vector<std::string>& aways);
    void setRoundLabel(int32_t omg);
    int32_t labelRound() const;
    void updateNavigation();
    void resetAll();
    void showRoundWithoutResult(int32_t round);
    void showNote(const QString& text);
    void lookUpOnService(int32_t round);
    void resetNavigator();
    void afterSignChange();
    void showResultInGoalTab();
    void takePreliminaryWinnings();
    bool signInFrame(int match, int sign) const;
    QTableWidgetItem* cell(QTableWidget* grid, int row, int col);
    std::string poolTyp() const { return work_.Typ; }
    void placeOverview();

    core::TVinraFile work_;
    CheckWindowContext ctx_;
    std::unique_ptr<checking::CheckSession> session_;
    std::unique_ptr<checking::ResultNavigator> nav_;
    std::string baseTyp_, pauseTyp_;
    std::string display_;              // result row in display characters, N long
    std::vector<std::string> labels_;  // "home - away"
    std::vector<std::string> homes_, aways_;
    int32_t shownOmgId_ = 0;  // draw number of the stored round shown (0: none)
    int32_t labelOmg_ = 0;    // year * 100 + week of the round label
    bool filling_ = false;
    bool shown_ = false;
    bool marksModified_ = false;
    bool roundChanged_ = false;
    std::optional<bool> verdict_;

    QTabWidget* tabs_ = nullptr;
    QTableWidget* grid_ = nullptr;    // the matches (line 0 unused: line m is match m)
    QTableWidget* levels_ = nullptr;  // rows and winnings per number of right
    QTableWidget* best_ = nullptr;
    QListWidget* conditions_ = nullptr;
    TDistributionChart* chart_ = nullptr;
    ValueChart* valueChart_ = nullptr;
    BackgroundJob* valueJob_ = nullptr;
    std::shared_ptr<reduction::ValueRun> valueRun_;
    reduction::ValueModel valueModel_;
    std::optional<reduction::SystemValue> value_;
    int valueLinesAt_ = -1;  // first line of the value in the conditions list (-1: none shown)
    QLabel* roundLabel_ = nullptr;
    QLabel* indicator_ = nullptr;
    QLabel* total_ = nullptr;
    QLabel* afterBet_ = nullptr;
    QLabel* people_ = nullptr;
    QLabel* note_ = nullptr;
    BackgroundJob* fetchJob_ = nullptr;
    std::shared_ptr<RoundFetch> fetch_;
    QCheckBox* percent_ = nullptr;
    QCheckBox* direct_ = nullptr;
    QCheckBox* pause_ = nullptr;
    QLineEdit* link_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* panels_[7] = {};
    TfrmQuick* quick_ = nullptr;
    GoalServiceTab* goalTab_ = nullptr;
    std::vector<QAction*> actions_;
};

}  // namespace vinra::ui
