#pragma once
// The three side panels of the main window: the open rounds of the pools
// (active pools), the player's system files, and the rounds of the results
// database. Each says what the player picked through a signal; the file
// controller does the rest.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "checking/tips_data.h"
#include "net/active_pools.h"
#include "ui/core/command_table.h"
#include "ui/core/file_list.h"

class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace vinra::ui {

class BackgroundJob;

class ActivePoolsPanel : public QWidget {
    Q_OBJECT
public:
    ActivePoolsPanel(const ShellContext& shell, CommandTable& commands, QWidget* parent = nullptr);
    ~ActivePoolsPanel() override;

    QTreeWidget* Tree() const { return tree_; }
    // The line under the title: the refresh running, or why it failed (empty otherwise).
    QString StatusText() const;
    bool Refreshing() const;
    // The job of the refresh (tests measure the GUI thread with it).
    BackgroundJob& RefreshJob() const { return *job_; }

    // Rebuilds the tree from activepools.ini.
    void Rebuild();
    // Fetches a new list off the GUI thread: always when forced (the double
    // click on the title), else only when the present one is missing or old.
    // A failure is told in the panel, and with report also in a message box.
    // False when no refresh was started.
    bool StartRefresh(bool force, bool report);
    void SetPlaceBetVisible(bool visible);
    void Relocalise();

signals:
    void poolChosen(const vinra::net::TCouponInfoEx& entry);
    // A refresh ended; replaced: a new list was taken (the panel is rebuilt already).
    void refreshed(bool replaced);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setStatus(const QString& text, bool failure);
    void showFailure();

    ShellContext shell_;
    CommandTable& commands_;
    BackgroundJob* job_ = nullptr;
    std::shared_ptr<net::ActivePoolsRefresh> result_;  // written by the worker, read after the join
    bool report_ = false;
    std::string failure_;  // why the last refresh failed; empty after a good one
    QString statusText_;   // the line as text, without its Cancel link
    QLabel* title_ = nullptr;
    QLabel* status_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPushButton* statistics_ = nullptr;
    QPushButton* check_ = nullptr;
    QPushButton* placeBet_ = nullptr;
};

class FilesPanel : public QWidget {
    Q_OBJECT
public:
    FilesPanel(const ShellContext& shell, CommandTable& commands, QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return tree_; }
    // File names in the tree, in order.
    QStringList Names() const;
    void SetOrder(FileOrder order, bool descending);
    void Rebuild();
    void Relocalise();

signals:
    void fileChosen(const std::filesystem::path& path);

private:
    void showOrder();

    ShellContext shell_;
    FileOrder order_ = FileOrder::Date;
    bool descending_ = true;
    QTreeWidget* tree_ = nullptr;
    std::vector<QToolButton*> orderButtons_;
    QToolButton* direction_ = nullptr;
    QPushButton* updateDb_ = nullptr;
};

class DatabasePanel : public QWidget {
    Q_OBJECT
public:
    explicit DatabasePanel(const ShellContext& shell, QWidget* parent = nullptr);

    QTreeWidget* Tree() const { return tree_; }
    void Rebuild();

signals:
    void roundChosen(const vinra::checking::RoundKey& round);

private:
    ShellContext shell_;
    QTreeWidget* tree_ = nullptr;
};

}  // namespace vinra::ui
