#pragma once
// The game wizard: the round one match at a time, with the teams, their
// latest games and league positions, the game information (people's,
// newspapers', bookmakers' figures, the player's own percentages or odds) and
// the service's statistics pages; the player sets the match's frame signs and
// his own percentages. The state lives in stats::GameWizardModel; this window
// shows it. Finish hands the frame and the percentages back through the
// session; Cancel hands back nothing.
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "net/game_info.h"
#include "stats/game_wizard.h"
#include "ui/core/background_job.h"
#include "ui/net/browser.h"
#include "ui/stats/match_stat.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class QStackedWidget;
class QTabBar;
class QTextBrowser;

namespace vinra::ui {

class TfrmQuick;
class CommandTable;
class DocumentSession;
class Program;
struct ShellContext;
class Prompter;

class TfrmGameWiz : public QDialog {
    Q_OBJECT
public:
    // start: the match to open at (clamped to 1..N). serviceHost: scheme and
    // authority of the statistics pages ("" shows them empty).
    TfrmGameWiz(Program& program, Prompter& prompter, DocumentSession& session, int start, std::string serviceHost,
                QWidget* parent = nullptr);
    ~TfrmGameWiz() override;

    const stats::GameWizardModel& model() const { return model_; }
    int page() const;
    void setPage(int page);
    // The widgets tests drive.
    QPushButton* signButton(int sign) const { return signs_[sign]; }
    QLineEdit* ownField(int sign) const { return own_[sign]; }
    QPushButton* quickButton(stats::QuickSource source) const { return quick_[static_cast<int>(source)]; }
    QCheckBox* oddsViewBox() const { return oddsView_; }
    QPushButton* finishButton() const { return finish_; }
    QListWidget* gamesList(int team) const { return games_[team]; }
    QLabel* leagueLabel(int team) const { return league_[team]; }
    QLabel* valueLabel(int row, int sign) const { return values_[row][sign]; }
    QString statusText() const;
    QTextBrowser* browser() const { return browser_; }
    // The overview of the working frame and the button that shows and hides it.
    TfrmQuick* overview() const { return overview_; }
    QPushButton* overviewButton() const { return overviewBtn_; }
    // Waits for the statistics page being fetched (tests).
    bool pageLoading() const { return job_->Running(); }
    // The clip button, whether a clip is being fetched, and the file last played (tests).
    QPushButton* soundButton() const { return sound_; }
    bool soundLoading() const { return soundJob_->Running(); }
    const std::filesystem::path& lastPlayed() const { return lastPlayed_; }
    // Who opens "Open in browser" (tests put a recorder here).
    void setBrowserLauncher(BrowserLauncher launch) { launch_ = std::move(launch); }
    QPushButton* openBrowserButton() const { return openBrowser_; }
    // Shows the logos again (they may have arrived since the match was shown).
    void reloadLogos();

    void next();
    void previous();
    void first();
    void last();
    void finish();

protected:
    void reject() override;  // Cancel and Escape: nothing goes back

private:
    void build();
    void showMatch();
    // Takes the own fields of the match; false (with a message, the field
    // focused) when one of them is not a number in range.
    bool leaveMatch();
    void showLogos();
    void refreshStatus();
    void refreshInfo();
    void refreshGames(int team);
    void loadPage();
    // The statistics page of the current match and page, in the player's language; "" without one.
    std::string pageAddress() const;
    void playSound();
    void soundFetched(bool cancelled, const QString& error);
    void playFile(const std::filesystem::path& file);
    void openInBrowser();
    void toggleOverview();
    // The statistics page the wizard opens on next time.
    void rememberPage(int page);

    Program& program_;
    Prompter& prompter_;
    DocumentSession& session_;
    std::string host_;
    stats::GameWizardModel model_;
    net::TSvSpelInfo info_;
    core::IniFile roundInfo_, teamstat_, teamlogo_;
    std::array<stats::TeamStats, 2> teams_;
    std::string statsDate_;

    QLabel* matchNo_ = nullptr;
    std::array<QLabel*, 2> logo_{}, name_{}, league_{};
    std::array<QComboBox*, 2> filter_{};
    std::array<QListWidget*, 2> games_{};
    std::array<QPushButton*, 3> signs_{};
    QTabBar* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QPushButton* openBrowser_ = nullptr;
    QLabel* comment_ = nullptr;
    QLabel* news_ = nullptr;
    QLabel* expert_ = nullptr;
    QPushButton* sound_ = nullptr;
    std::array<QPushButton*, 4> quick_{};             // News, People, Operator, Bookmaker
    std::array<std::array<QLabel*, 3>, 6> values_{};  // bookmaker, operator, people, rank, value, (unused)
    std::array<QLineEdit*, 3> own_{};
    QCheckBox* oddsView_ = nullptr;
    QPushButton* firstBtn_ = nullptr;
    QPushButton* prevBtn_ = nullptr;
    QPushButton* nextBtn_ = nullptr;
    QPushButton* lastBtn_ = nullptr;
    QPushButton* finish_ = nullptr;
    QStatusBar* status_ = nullptr;
    QPushButton* overviewBtn_ = nullptr;
    // The overview shows this copy of the system, whose frame follows the wizard's.
    core::TVinraFile overviewDoc_;
    TfrmQuick* overview_ = nullptr;
    std::unique_ptr<BackgroundJob> job_;
    std::unique_ptr<BackgroundJob> soundJob_;  // a match's clip from the service
    std::filesystem::path pendingSound_;
    std::filesystem::path lastPlayed_;
    std::shared_ptr<std::string> fetched_;
    BrowserLauncher launch_;
    int lastPage_ = 9;
};

// Opens the wizard at match `start` over the session's system (the main
// window's "set frame" command). The round's statistics are fetched first
// when the round information file is missing or stale.
// When the round information file is missing or older than today: runs the
// match statistics download (runMatchStat), then fetches the clubs'
// statistics from host into the file. True when the statistics were stale.
// The fetch runs in a modal progress window with Cancel, so the main window
// cannot start a second one writing the same file.
bool EnsureRoundStatistics(Program& program, const core::TVinraFile& doc, const std::string& host,
                           const std::string& today, const std::function<void()>& runMatchStat,
                           QWidget* parent = nullptr);
// statOptions: for the match statistics run (the logos it starts outlive it,
// owned by parent, and show in the wizard when they arrive).
void RunGameWizard(Program& program, Prompter& prompter, DocumentSession& session, int start, QWidget* parent,
                   MatchStatOptions statOptions = {});
// The "set frame" command (Ctrl+T, and a double click on a match of the grid).
void RegisterGameWizardCommands(CommandTable& table, const ShellContext& shell);

}  // namespace vinra::ui
