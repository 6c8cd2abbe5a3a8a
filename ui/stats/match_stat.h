#pragma once
// The match statistics window: a small progress window that, as soon as it is
// shown, fetches the round's extended match information into the round
// information file, stores the round's matches in the games database, starts
// the downloads of the team logos that are missing, and closes itself.
//
// The details are fetched on a worker thread (the window keeps painting); the
// logos keep loading after the window closed, watched by an object that
// belongs to the parent window, so a window that is gone never gets a report.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <QDialog>

#include "net/game_info.h"
#include "stats/team_logos.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vinra::ui {

class Program;
class Prompter;

// What the window reports back to the command that opened it.
struct MatchStatOptions {
    // Runs before the first transfer; false (or an exception) stops the run as
    // failed. Empty: the program's once-per-run update check (net::PrepareConnection)
    // with its messages through the prompter, and update.ini read again when
    // the check replaced it.
    std::function<bool()> prepareConnection;
    // Called on the parent's thread when the logo downloads of this run ended
    // and at least one logo arrived (the main window reloads its logos).
    std::function<void()> logosArrived;
    // Who keeps the logo downloads after the window closed (they are cancelled
    // when it is destroyed first). Empty: the parent of the window. A wizard
    // that opens the statistics hands in the main window here.
    QObject* logoOwner = nullptr;
    int maxParallelLogos = 4;
};

class TfrmMatchStat : public QDialog {
    Q_OBJECT
public:
    TfrmMatchStat(Program& program, Prompter& prompter, MatchStatOptions options, QWidget* parent = nullptr);
    ~TfrmMatchStat() override;

    // After the window closed: the run got to the end ("Done!").
    bool succeeded() const { return succeeded_; }
    QString statusText() const;
    // Logos this run started to fetch (0 when none were missing).
    size_t logosStarted() const { return logosStarted_; }
    // The running logo downloads, for whoever outlives the window. Empty when
    // none were started or they were taken already.
    std::unique_ptr<stats::LogoDownloads> takeLogoDownloads() { return std::move(logos_); }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // no cancel: the run ends by itself

private:
    void run();
    void poll();
    void afterDetails();
    void finish();
    void fail(const QString& why);
    void setStatus(const QString& text);

    Program& program_;
    Prompter& prompter_;
    MatchStatOptions options_;
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QWidget* animation_ = nullptr;
    QTimer* poll_ = nullptr;
    bool started_ = false;
    bool running_ = false;
    bool succeeded_ = false;
    size_t logosStarted_ = 0;
    std::thread worker_;
    std::atomic<bool> workerDone_{false};
    net::GameInfoDownload details_;
    std::string workerError_;
    std::unique_ptr<stats::LogoDownloads> logos_;
};

// The Statistics command and its workflow link: opens the window modally over
// parent for the program's current document and returns when it closed; true
// when the run got to the end. The logo downloads go on in the background,
// owned by options.logoOwner or else parent (they are cancelled when the owner
// is destroyed first). The caller reloads the round's games afterwards.
bool ShowMatchStatistics(QWidget* parent, Program& program, Prompter& prompter, MatchStatOptions options = {});

}  // namespace vinra::ui
