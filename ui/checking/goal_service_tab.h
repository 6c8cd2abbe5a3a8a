#pragma once
// The goal-service tab of the check window: follows a round live from the
// web service's live XML or its copy of the text-TV goal page, keeps the score
// by hand, writes the goal log, plays the sound of the prospects and publishes
// the state for friends. The live model (checking/live_goals.h) holds every
// rule; this tab shows it and runs the downloads on a BackgroundJob.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "checking/engine.h"
#include "checking/live_goals.h"
#include "core/ini.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "net/result_parsers.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTextBrowser;
class QTimer;

namespace vinra::ui {

class TfrmSvtTeams;

class BackgroundJob;
class Prompter;

struct GoalServiceOptions {
    std::string serviceBase;            // "http://host:port" of the web service
    std::filesystem::path dataFolder;   // log.html, the download target, Cache/Sounds
    std::filesystem::path soundFolder;  // the shipped WAV files (default: dataFolder/Cache/Sounds)
    core::IniFile updateIni;            // [Goals] templates
    core::IniFile settings;             // [Sounds]
    core::IniFile teamstat;             // SVT names
    std::vector<std::string> homes, aways;
    core::PoolSettings pool;
    std::string userName;  // web-service user (publish id)
    std::string systemFileName;
    Prompter* prompter = nullptr;
    std::function<void(const std::string& url)> openUrl;
    // The window's recount after a goal change: result row from the goals,
    // its sign cells and one recount; returns the recount.
    std::function<const checking::CheckResult&()> recountFromGoals;
    // The window's last recount, as it is on screen: what a publication shows
    // (never a result row derived again from the goals over one typed by hand).
    std::function<const checking::CheckResult&()> currentCheck;
    // A click on a sign cell of the goal grid: match 1..N, sign 0..2 (the
    // window toggles it as in its own grid).
    std::function<void(int match, int sign)> toggleSign;
    // Marks the system modified.
    std::function<void()> modified;
    // "Publish on the goal service": the player's last choice (off until he
    // ticks it), and where a change of it is remembered.
    bool publish = false;
    std::function<void(bool)> publishChosen;
    // Shows the SVT team-mapping dialog (default: exec); tests answer it here.
    std::function<void(TfrmSvtTeams&)> runTeamDialog;
    // The sound chosen (tests listen here); the file is empty when missing.
    std::function<void(checking::LiveSound, const std::filesystem::path&)> onSound;
    // The longest a fetch of the scores or a publication may take, all in: a
    // server that accepts and then trickles or says nothing must not hold the
    // cycle for minutes.
    int transferLimitMs = 30000;
};

class GoalServiceTab : public QWidget {
    Q_OBJECT
public:
    enum Col { ColNo = 0, ColHome, ColAway, ColSign1, ColSignX, ColSign2, ColScore, ColBest, ColMark, ColCount };

    GoalServiceTab(core::TVinraFile& doc, GoalServiceOptions options, QWidget* parent = nullptr);
    ~GoalServiceTab() override;

    // --- for the window and tests -------------------------------------------
    QTableWidget* GoalGrid() const { return grid_; }
    QTableWidget* WinGrid() const { return wins_; }
    QPushButton* OnOff() const { return onOff_; }
    QRadioButton* SourceLive() const { return srcLive_; }
    QRadioButton* SourceSvt() const { return srcSvt_; }
    QRadioButton* ModeNonStop() const { return nonStop_; }
    QRadioButton* ModeButton() const { return atButton_; }
    QCheckBox* PublishBox() const { return publish_; }
    QPushButton* PublishButton() const { return show_; }
    QTextBrowser* LogView() const { return log_; }
    QLabel* StatusLine() const { return status_; }
    QTimer* Timer() const { return timer_; }
    const checking::LiveCycle& Cycle() const { return cycle_; }
    const checking::LiveRound& Live() const { return *live_; }
    std::filesystem::path TargetFile() const { return target_; }
    std::filesystem::path LogFile() const { return options_.dataFolder / "log.html"; }
    std::string LastPublished() const { return lastPublished_; }
    // The id the state is published under.
    std::string PublishId() const;
    bool Busy() const;

    // A mouse button released over a cell (what the grid's clicks lead to).
    void CellReleased(int row, int col, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // The window's reset: the reference of the sounds back to none.
    void ResetReference() { reference_ = -1; }
    // The window's reset: scores, marks, the live state, the preliminary
    // winnings, the log page and the reference of the sounds.
    void ResetAll();
    // The result row (sign codes) and scores changed in the window: the grid
    // follows without a log entry or a sound.
    void ShowResult(const std::string& facit);
    // The operator's preliminary winnings of the last live update.
    const net::TResultInfo& Preliminary() const { return info_; }
    void Refresh();
    void Tick();
    // The window closes: the cycle stops and a transfer under way is cancelled.
    void Stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void applied();    // a download was applied (or found unusable)
    void published();  // the publish post completed

private:
    void build();
    void startDownload();
    void downloadFinished(bool cancelled, const QString& error);
    void postFinished(bool cancelled, const QString& error);
    void cancelTransfers();
    void publish();
    void updateButton();
    void showBest(const checking::CheckResult& check);
    void showSigns(const std::string& facit);
    void writeLogPage();
    void play(checking::LiveSound sound);
    std::string url() const;

    core::TVinraFile& doc_;
    GoalServiceOptions options_;
    checking::GoalLogTemplates templates_;
    checking::LiveTexts texts_;
    checking::LiveCycle cycle_;
    std::unique_ptr<checking::LiveRound> live_;
    net::TResultInfo info_;
    int reference_ = -1;
    std::filesystem::path target_;
    std::string lastPublished_;
    bool filling_ = false;
    bool prepared_ = false;

    QTableWidget* grid_ = nullptr;
    QTableWidget* wins_ = nullptr;
    QPushButton* onOff_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QRadioButton* srcLive_ = nullptr;
    QRadioButton* srcSvt_ = nullptr;
    QRadioButton* nonStop_ = nullptr;
    QRadioButton* atButton_ = nullptr;
    QCheckBox* publish_ = nullptr;
    QPushButton* show_ = nullptr;
    QTextBrowser* log_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* timer_ = nullptr;
    BackgroundJob* job_ = nullptr;
    BackgroundJob* post_ = nullptr;
    // Overall limits of the running fetch and publication; a job cancelled by
    // its limit says so, one cancelled by the player says nothing.
    QTimer* fetchLimit_ = nullptr;
    QTimer* postLimit_ = nullptr;
    bool fetchTimedOut_ = false;
    bool postTimedOut_ = false;
    bool showAfterPost_ = false;  // "Publish and show": the page opens once the post is taken
    std::shared_ptr<bool> downloaded_;
    checking::CheckResult ownCheck_;
};

}  // namespace vinra::ui
