#pragma once
// The HTTP window and what every download window needs before its first
// transfer.
//
//   TfrmHTTP             a small borderless window centred on its owner with a
//                        caption line and a bold info line, shown while a
//                        transfer runs; a transfer that takes longer than a
//                        moment adds a progress bar and Cancel
//   RunTransfer          runs a transfer on a BackgroundJob under a TfrmHTTP:
//                        the GUI thread keeps its event loop (windows paint)
//   PrompterUpdateCheckUi the update check's messages as message boxes
//   JobUpdateCheckUi     the same for a check that runs on a worker thread
//   PrepareConnection    the once-a-run update check for a window, update.ini
//                        read again when the check replaced it
//   TDownloadReceiver    drains a download inbox on the window's thread from a
//                        timer; destroying it detaches, so a window that is gone
//                        never receives a late report
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include <QDialog>
#include <QObject>
#include <QPointer>

#include "net/download.h"
#include "net/http.h"
#include "net/update_check.h"
#include "ui/core/background_job.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vinra::ui {

class Program;
class Prompter;

// "The transfer was cancelled." in the current language.
std::string TransferCancelledText();

class TfrmHTTP : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHTTP(QWidget* owner);

    void setCaption(const QString& text);
    // Repaints at once: the caller is about to block.
    void setInfo(const QString& text);
    QString caption() const;
    QString info() const;
    // Shows the window centred on its owner (the screen when none) and paints it.
    void showCentred();
    // Shows the progress bar (busy while total is 0) and the Cancel button.
    void showProgress(qint64 done, qint64 total);
    // After Cancel: the button is disabled and the info line says so.
    void showCancelling();
    QProgressBar* progressBar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void cancelRequested();

protected:
    void reject() override;  // Escape: asks the transfer to stop, once Cancel is offered

private:
    QLabel* caption_ = nullptr;
    QLabel* info_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

struct TransferOutcome {
    bool cancelled = false;
    QString error;                // what the work threw; empty when it ended normally
    qint64 longestTickGapMs = 0;  // how long the GUI thread was kept from its events at most
    bool ok() const { return !cancelled && error.isEmpty(); }
};

// What the work of RunTransfer gets: the job, to hand calls to the GUI thread
// (BackgroundJob::RunOnGuiThread), and its progress block, whose cancel flag
// and byte counts every transfer of the work feeds.
struct TransferContext {
    BackgroundJob& job;
    JobProgress& progress;
    QPointer<TfrmHTTP> window;
    // From the worker: shows text in the window's info line.
    void SetInfo(const QString& text);
};
using TransferWork = std::function<void(TransferContext& context)>;

// Runs work on a worker thread while a TfrmHTTP with caption and info shows
// over owner; input to other windows is blocked meanwhile, but they keep
// painting. After progressAfterMs the window adds a progress bar and Cancel.
// Returns once the worker has been joined.
TransferOutcome RunTransfer(QWidget* owner, const QString& caption, const QString& info, TransferWork work,
                            int progressAfterMs = 1000);

// Shows a TfrmHTTP with the caption and info over owner while work runs on a
// worker thread, and closes it afterwards. The result of work, or what it
// threw, comes back on this thread; Cancel throws net::NetError.
template <class F>
auto WithHttpWindow(QWidget* owner, const QString& caption, const QString& info, F&& work) -> decltype(work()) {
    using R = decltype(work());
    std::exception_ptr failure;
    if constexpr (std::is_void_v<R>) {
        const TransferOutcome out = RunTransfer(owner, caption, info, [&](TransferContext&) {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        });
        if (failure) std::rethrow_exception(failure);
        if (out.cancelled) throw net::NetError(TransferCancelledText());
    } else {
        std::optional<R> result;
        const TransferOutcome out = RunTransfer(owner, caption, info, [&](TransferContext&) {
            try {
                result.emplace(work());
            } catch (...) {
                failure = std::current_exception();
            }
        });
        if (failure) std::rethrow_exception(failure);
        if (out.cancelled || !result) throw net::NetError(TransferCancelledText());
        return std::move(*result);
    }
}

class PrompterUpdateCheckUi : public net::UpdateCheckUi {
public:
    // openUrl: how an address is opened (default: the desktop's browser).
    PrompterUpdateCheckUi(Prompter& prompter, QWidget* parent, std::function<void(const std::string&)> openUrl = {});
    void ShowInfo(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OpenUrl(const std::string& url) override;

private:
    Prompter& prompter_;
    QWidget* parent_;
    std::function<void(const std::string&)> openUrl_;
};

// The update check's messages from a worker thread: each is handed to the GUI
// thread through job and shown there with the prompter, the worker waiting
// for it. Once the job is cancelled nothing more is shown and questions
// answer No. parent is taken as a QPointer made on the GUI thread.
class JobUpdateCheckUi : public net::UpdateCheckUi {
public:
    JobUpdateCheckUi(BackgroundJob& job, JobProgress& progress, Prompter& prompter, QPointer<QWidget> parent,
                     std::function<void(const std::string&)> openUrl = {});
    void ShowInfo(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OpenUrl(const std::string& url) override;

private:
    BackgroundJob& job_;
    JobProgress& progress_;
    Prompter& prompter_;
    QPointer<QWidget> parent_;
    std::function<void(const std::string&)> openUrl_;
};

// The entry point for a download window: runs net::PrepareConnection on the
// program's data folder off the GUI thread (under a TfrmHTTP with Cancel) with
// its messages through the prompter, and reads update.ini again when the check
// replaced it. False when the transfer should not start now (a check is still
// running, or the user cancelled it); a data folder that cannot be written is
// shown as an error and also gives false.
bool PrepareConnection(QWidget* parent, Program& program, Prompter& prompter,
                       std::function<void(const std::string&)> openUrl = {});

// Opens a help page of the web service in the browser.
void OpenHelpPage(const Program& program, const std::string& page);
// The same, with the messages (an address that is no web address, no
// browser) on parent through prompter.
void OpenHelpPage(QWidget* parent, Prompter& prompter, const Program& program, const std::string& page);

class TDownloadReceiver : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const net::TSyncInfo&)>;
    // Reports go to handler on this object's thread, every intervalMs.
    explicit TDownloadReceiver(Handler handler, QObject* parent = nullptr, int intervalMs = 50);
    ~TDownloadReceiver() override;  // detaches: running transfers stop, nothing more arrives

    // The inbox to give to TDownloadThread.
    std::shared_ptr<net::TDownloadInbox> inbox() const { return inbox_; }
    // Starts a GET of url (into file when not empty) reporting here.
    void Get(const std::string& url, const std::filesystem::path& file, int32_t requestId);
    // Delivers what has arrived now (also called by the timer).
    void drain();

private:
    std::shared_ptr<net::TDownloadInbox> inbox_;
    Handler handler_;
    QTimer* timer_ = nullptr;
};

}  // namespace vinra::ui
