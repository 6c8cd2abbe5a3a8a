#pragma once
// The main window's "Update database" command (message 598): the question,
// the small progress window while the games and results files are fetched and
// imported, and the closing message.
//
// The work runs on a BackgroundJob (the games import can take minutes); the
// window shows the step's text from the job's timer and offers Cancel, which
// stops a transfer at once and an import between lines (the import then
// writes nothing). The window itself closes only when the worker ended. The
// first failed step ends the run and is reported as an error, so a dead
// connection never ends in a purged database and "Done!".
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include <QDialog>

#include "checking/tips_data.h"
#include "net/update_database.h"
#include "ui/core/background_job.h"
#include "ui/core/prompter.h"

class QLabel;
class QPushButton;

namespace vinra::ui {

class Program;

// The progress window: a caption line and a bold, centred info line.
class TfrmUpdateDatabase : public QDialog {
public:
    // The job gets the step callback (called on the worker thread) and the cancel flag.
    using Job = std::function<net::UpdateDatabaseResult(const net::UpdateStepFn&, const std::atomic<bool>&)>;

    TfrmUpdateDatabase(Job job, QWidget* parent = nullptr);
    ~TfrmUpdateDatabase() override;

    // Shows the window modally, runs the job on a worker thread and returns
    // its result once the worker has ended.
    net::UpdateDatabaseResult Run();
    // The text of the step shown now.
    QString InfoText() const;
    QPushButton* CancelButton() const { return cancel_; }
    // The run ended because the user cancelled it.
    bool Cancelled() const { return cancelled_; }
    // The step's text in the current language.
    static QString StepText(net::UpdateStep step);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape: the same as Cancel while the worker runs

private:
    void cancel();

    Job job_;
    QLabel* caption_ = nullptr;
    QLabel* info_ = nullptr;
    QPushButton* cancel_ = nullptr;
    BackgroundJob* worker_ = nullptr;
    bool done_ = false;
    bool cancelled_ = false;
    net::UpdateDatabaseResult result_;
};

// The command: asks message 599; on Yes runs the update from serviceHost into
// dataFolder and db with the progress window and ends with message 353
// "Done!", with an error naming the failed transfer, or, after Cancel, with
// the message that the update was cancelled. True when the database was updated.
bool UpdateDatabaseCommand(QWidget* parent, const std::string& serviceHost, const std::filesystem::path& dataFolder,
                           checking::TTipsData& db, Prompter& prompter);
// The same for the main window: the service host of update.ini [Service] Host,
// the program's data folder and database. The caller rebuilds its database tree
// afterwards when this gives true.
bool UpdateDatabaseCommand(QWidget* parent, Program& program, Prompter& prompter);

}  // namespace vinra::ui
