#pragma once
// The main window: a shell of menus, tool bar, status bar and panels around
// the one open system. It holds no document state: the system, its file name
// and its changed state live in the DocumentSession; the commands are rows of
// the CommandTable (see its guide for how a window plugs in); the file
// commands are the FileController's; every panel follows the session.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "checking/tips_data.h"
#include "net/active_pools.h"
#include "ui/core/command_table.h"
#include "ui/core/file_list.h"
#include "ui/core/links_panel.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace vinra::ui {

class RoundGamesFetch;

class ActivePoolsPanel;
class DatabasePanel;
class DocumentSession;
class FileController;
class FilesPanel;
class MainCommands;
class Program;
class Prompter;
class PrintBackend;
class TipsGridPanel;

class TfrmStryk : public QMainWindow {
    Q_OBJECT
public:
    TfrmStryk(Program& program, Prompter& prompter, QWidget* parent = nullptr);
    ~TfrmStryk() override;

    // --- the parts ---------------------------------------------------------
    DocumentSession& Session() const { return *session_; }
    CommandTable& Commands() const { return *commands_; }
    FileController& Files() const { return *files_; }
    const ShellContext& Shell() const { return *shell_; }
    TipsGridPanel& TipsPanel() const { return *grid_; }
    LinksPanel& Links() const { return *links_; }
    ActivePoolsPanel& ActivePools() const { return *pools_; }

    // --- state, as shown (read from the session) ----------------------------
    const std::filesystem::path& FileName() const;
    bool Modified() const;
    bool IsUntitled() const;
    QString StatusField(int index) const;
    bool StepDone(Step step) const { return links_->StepDone(step); }
    QString RoundLine() const;
    const std::vector<std::string>& HomeTeams() const;
    const std::vector<std::string>& AwayTeams() const;
    bool ResultShown() const;

    // --- start-up ----------------------------------------------------------
    // When the window is first shown: the file named on the command line (all
    // arguments joined), else the most recent file when LastSaved is on; then
    // the active pools (refreshed off the GUI thread when out of date) and,
    // when nothing was opened, a new system.
    void FirstShow(const QString& commandLine);
    // The system tells the program to end and nobody may be there to answer:
    // unsaved changes go to a recovery copy (FileController::SaveRecoveryCopy),
    // the temporary files go, the settings are saved, and every event loop,
    // the open wizards' and dialogs' too, is left; their windows are closed
    // without questions and their workers stopped as they are destroyed.
    void EndOnRequest();

    // --- commands ----------------------------------------------------------
    void NewClick();
    void OpenClick();
    void SaveClick();
    bool SaveAsClick();  // false when cancelled or refused
    void ImportClick();
    void ExportClick();
    void PrintClick();
    void ViewCouponsClick();
    void StatisticsClick();
    void GetGamesClick();
    void SubmitClick();
    void UpdateDatabaseClick();
    void ExitClick() { close(); }
    void ChangeLanguage(int base);
    void OpenRecent(int index);
    void ChoosePool(const net::TCouponInfoEx& entry);
    void SelectDatabaseRound(const checking::RoundKey& round);
    void SetFileOrder(FileOrder order, bool descending);
    void ToggleSign(int match, int sign);
    void MaintainMatch(int match);  // Ctrl+Shift and a click on a grid row
    void SetPrintBackend(std::unique_ptr<PrintBackend> backend);

    bool OpenFile(const std::filesystem::path& path);
    bool AskSaveChanges(bool cancelIsNo = false);
    void NewSystem(bool withGuide);
    void RebuildActivePools();
    void RebuildFileTree();
    void RebuildDatabaseTree();

    // --- for tests and the screen grabs --------------------------------------
    QTableWidget* Grid() const;
    QTreeWidget* FileTree() const;
    QTreeWidget* DatabaseTree() const;
    QTreeWidget* ActivePoolsTree() const;
    QPlainTextEdit* CommentEdit() const { return links_->CommentEdit(); }
    QTabWidget* SidePanels() const { return sideTabs_; }
    QAction* Action(const QString& objectName) const;
    QList<QAction*> RecentActions() const;
    QStringList FileTreeNames() const;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildLayout();
    void buildStatusBar();
    void connectViews();
    void updateTitle();
    void updateStatusBar();
    void refreshCommands();
    void localiseAll();
    void poolSwitched();
    // The games of an opened system's round, fetched while the player works;
    // what came of it is one line in the status bar.
    void fetchRoundGamesLater();
    // The round-games note in the status bar: message msg (0: none) about
    // the open file's round. It sits in a permanent field of its own, since
    // a menu's status tips replace whatever showMessage put up.
    void setRoundGamesNote(int msg);
    // The note belongs to one file and round: another file or round clears it.
    void dropStaleRoundGamesNote();

    Program& program_;
    Prompter& prompter_;
    DocumentSession* session_ = nullptr;
    CommandTable* commands_ = nullptr;
    std::unique_ptr<ShellContext> shell_;
    FileController* files_ = nullptr;
    MainCommands* main_ = nullptr;

    TipsGridPanel* grid_ = nullptr;
    LinksPanel* links_ = nullptr;
    ActivePoolsPanel* pools_ = nullptr;
    FilesPanel* filesPanel_ = nullptr;
    DatabasePanel* dbPanel_ = nullptr;
    QTabWidget* sideTabs_ = nullptr;
    QLabel* status_[5] = {};
    QMenu* toolsMenu_ = nullptr;
    // A new system was made from an outdated list while a fresh one is fetched.
    bool renewOnRefresh_ = false;
    bool ending_ = false;  // EndOnRequest ran: closing asks nothing
    RoundGamesFetch* roundFetch_ = nullptr;
    QLabel* roundGamesNote_ = nullptr;
    struct {
        std::filesystem::path file;
        std::string typ;
        int32_t omgId = 0;
    } roundGamesNoteOf_;
};

}  // namespace vinra::ui
