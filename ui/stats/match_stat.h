#pragma once
// The match statistics window: a small progress window that, as soon as it is
// shown, fetches the round's extended match information into the round
// information file, stores the round's matches in the games database, starts
// the downloads of the team logos that are missing, and closes itself.
//
// The update check and the details are fetched on a BackgroundJob, so the
// window paints and its Cancel answers however slow the web service is; the
// update check's questions are handed to the GUI thread. The logos keep
// loading after the window closed, watched by an object that belongs to the
// parent window, so a window that is gone never gets a report.
#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "net/game_info.h"
#include "net/update_check.h"
#include "stats/team_logos.h"
#include "ui/core/background_job.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vinra::ui {

class Program;
class Prompter;

// What the window reports back to the command that opened it.
struct MatchStatOptions {
    // Runs on the worker thread before the first transfer; false (or an
    // exception) stops the run as failed. Empty: the program's once-per-run
    // update check (net::PrepareConnection) with its messages through the
    // prompter on the GUI thread, and update.ini read again when the check
    // replaced it.
    std::function<bool()> prepareConnection;
    // Called on the parent's thread when the logo downloads of this run ended
    // and at least one logo arrived (the main window reloads its logos).
    std::function<void()> logosArrived;
    // Who keeps the logo downloads after the window closed (they are cancelled
    // when it is destroyed first). Empty: the parent of the window. A wizard
    // that opens the statistics hands in the main window here.
    QObject* logoOwner = nullptr;
    int maxParallelLogos = 4;
    // A failure closes the window without a message box (the caller says so
    // in its own way).
    bool quietFailure = false;
};

class TfrmMatchStat : public QDialog {
    Q_OBJECT
public:
    TfrmMatchStat(Program& program, Prompter& prompter, MatchStatOptions options, QWidget* parent = nullptr);
    ~TfrmMatchStat() override;

    // After the window closed: the run got to the end ("Done!").
    bool succeeded() const { return succeeded_; }
    // After the window closed: the user stopped the run with Cancel.
    bool cancelled() const { return cancelled_; }
    QString statusText() const;
    QPushButton* cancelButton() const { return cancel_; }
    // The longest pause of the GUI thread's timer while the worker ran, in ms.
    qint64 longestTickGapMs() const { return job_->LongestTickGapMs(); }
    // Logos this run started to fetch (0 when none were missing).
    size_t logosStarted() const { return logosStarted_; }
    // The running logo downloads, for whoever outlives the window. Empty when
    // none were started or they were taken already.
    std::unique_ptr<stats::LogoDownloads> takeLogoDownloads() { return std::move(logos_); }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Escape and the close button: the same as Cancel

private:
    // What the worker got to; read on the GUI thread after the join.
    enum class Outcome { PrepareRefused, NoTemplate, NoDrawNumber, Fetched };

    void run();
    void workerEnded(bool cancelled, const QString& error);
    void afterDetails();
    void finish();
    void fail(const QString& why);
    void cancel();
    void setStatus(const QString& text);

    Program& program_;
    Prompter& prompter_;
    MatchStatOptions options_;
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QWidget* animation_ = nullptr;
    BackgroundJob* job_ = nullptr;
    bool started_ = false;
    bool running_ = false;
    bool succeeded_ = false;
    bool cancelled_ = false;
    size_t logosStarted_ = 0;
    // Written by the worker, read after the join.
    Outcome outcome_ = Outcome::PrepareRefused;
    net::UpdateCheckResult check_;
    net::GameInfoDownload details_;
    std::unique_ptr<stats::LogoDownloads> logos_;
};

// The games of a round, fetched for a system that was opened without them.
// Opening a file never waits for the network: the round's information is
// fetched off the GUI thread (no update check, no question, no message box),
// its games stored in the games database and the missing logos started, and
// `done` tells the outcome on the GUI thread. Destroying it cancels the fetch.
class RoundGamesFetch : public QObject {
    Q_OBJECT
public:
    enum Outcome { Stored = 0, Failed = 1 };

    // round: the pool (Typ, Pool) and round (Omg, OmgID) to fetch. logoOwner
    // keeps the logo downloads (logosArrived is called when some arrived).
    RoundGamesFetch(Program& program, const core::TVinraFile& round, QObject* logoOwner,
                    std::function<void()> logosArrived, QObject* parent = nullptr);
    ~RoundGamesFetch() override;
    // False, and nothing starts, when the pool's information has no address
    // or the round no draw number: there is nothing to fetch.
    bool Start();
    const std::string& Typ() const { return round_.Typ; }
    int32_t OmgID() const { return round_.OmgID; }

signals:
    void done(int outcome);

private:
    void workerEnded(bool cancelled, const QString& error);

    Program& program_;
    core::TVinraFile round_;
    QObject* logoOwner_;
    std::function<void()> logosArrived_;
    BackgroundJob* job_ = nullptr;
    net::GameInfoDownload details_;  // written by the worker, read after the join
};

// The Statistics command and its workflow link: opens the window modally over
// parent for the program's current document and returns when it closed; true
// when the run got to the end. The logo downloads go on in the background,
// owned by options.logoOwner or else parent (they are cancelled when the owner
// is destroyed first). The caller reloads the round's games afterwards.
bool ShowMatchStatistics(QWidget* parent, Program& program, Prompter& prompter, MatchStatOptions options = {});

}  // namespace vinra::ui
