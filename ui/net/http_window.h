#pragma once
// The HTTP window and what every download window needs before its first
// transfer.
//
//   TfrmHTTP             a small borderless window centred on its owner with a
//                        caption line and a bold info line, shown while a
//                        blocking transfer runs (no progress bar, no cancel)
//   PrompterUpdateCheckUi the update check's messages as message boxes
//   PrepareConnection    the once-a-run update check for a window, update.ini
//                        read again when the check replaced it
//   TDownloadReceiver    drains a download inbox on the window's thread from a
//                        timer; destroying it detaches, so a window that is gone
//                        never receives a late report
#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QObject>

#include "net/download.h"
#include "net/update_check.h"

class QLabel;
class QTimer;

namespace vinra::ui {

class Program;
class Prompter;

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

private:
    QLabel* caption_ = nullptr;
    QLabel* info_ = nullptr;
};

// Shows a TfrmHTTP with the caption and info over owner while work runs on
// this thread, and closes it afterwards (also when work throws).
template <class F>
auto WithHttpWindow(QWidget* owner, const QString& caption, const QString& info, F&& work) -> decltype(work()) {
    TfrmHTTP window(owner);
    window.setCaption(caption);
    window.setInfo(info);
    window.showCentred();
    return work();
}

class PrompterUpdateCheckUi : public net::UpdateCheckUi {
public:
    // openUrl: how an address is opened (default: the desktop's browser).
    PrompterUpdateCheckUi(Prompter& prompter, QWidget* parent,
                          std::function<void(const std::string&)> openUrl = {});
    void ShowInfo(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OpenUrl(const std::string& url) override;

private:
    Prompter& prompter_;
    QWidget* parent_;
    std::function<void(const std::string&)> openUrl_;
};

// The entry point for a download window: runs net::PrepareConnection on the
// program's data folder with its messages through the prompter, and reads
// update.ini again when the check replaced it. False when the transfer should
// not start now (a check is still running); a data folder that cannot be
// written is shown as an error and also gives false.
bool PrepareConnection(QWidget* parent, Program& program, Prompter& prompter,
                       std::function<void(const std::string&)> openUrl = {});

// Opens a help page of the web service in the browser.
void OpenHelpPage(const Program& program, const std::string& page);

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
