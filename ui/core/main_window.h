#pragma once
// The main window: the matches of the round with the frame, every command of
// the program, the side panels, and the unsaved-changes bookkeeping of the one
// current system.
#include <filesystem>
#include <memory>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QPixmap>

#include "checking/tips_data.h"
#include "net/active_pools.h"
#include "ui/core/active_pools.h"
#include "ui/core/file_list.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTableWidget;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vinra::ui {

class Program;
class Prompter;
class PrintBackend;

// Workflow steps of the links panel.
enum class Step { Statistics = 0, Frame, Rows, Print, Check };

class TfrmStryk : public QMainWindow {
    Q_OBJECT
public:
    TfrmStryk(Program& program, Prompter& prompter, QWidget* parent = nullptr);
    ~TfrmStryk() override;

    // --- state -------------------------------------------------------------
    const std::filesystem::path& FileName() const { return fileName_; }
    bool Modified() const { return modified_; }
    bool IsUntitled() const;
    QString StatusField(int index) const;
    bool StepDone(Step step) const;
    QString RoundLine() const;
    const std::vector<std::string>& HomeTeams() const { return homes_; }
    const std::vector<std::string>& AwayTeams() const { return aways_; }
    bool ResultShown() const;

    // --- start-up ----------------------------------------------------------
    // Step 8 of start-up: the command-line file (all arguments joined), else
    // the most recent file when LastSaved is on; then the active pools and,
    // when nothing was opened, a new system.
    void FirstShow(const QString& commandLine);

    // --- commands (one method per command) ---------------------------------
    void NewClick();
    void OpenClick();
    void SaveClick();
    // False when the dialog was cancelled or the name refused.
    bool SaveAsClick();
    void ImportClick();
    void ExportClick();
    void SendMailClick();
    void GetGamesClick();
    void PrintClick();
    void SettingsClick();
    void ExitClick();
    void ExpertSystemClick();
    void StatisticsClick();
    void SetFrameClick(int match);
    void ReduceClick();
    void ViewCouponsClick();
    // The printer the Print command and the viewer use (tests hand in one that
    // writes PDF files); the real QPrinter one when none was set.
    void SetPrintBackend(std::unique_ptr<PrintBackend> backend);
    void CheckSystemClick();
    void SystemEditorClick();
    void DatabaseEditorClick(bool results);
    void ChangeLanguage(int base);
    void HelpContentClick();
    void AboutClick();
    void SubmitClick();
    void UpdateDatabaseClick();
    void OpenRecent(int index);
    void ChoosePool(const net::TCouponInfoEx& entry);
    void SelectDatabaseRound(const checking::RoundKey& round);
    void SetFileOrder(FileOrder order, bool descending);
    void ToggleSign(int match, int sign);
    // Ctrl+Shift and a click on a grid row.
    void MaintainMatch(int match);

    // Opening steps 3 to 5 (recent files, the file panel, the command line).
    bool OpenFile(const std::filesystem::path& path);
    // Yes saves, No discards, Cancel stops (returns false). cancelIsNo: the
    // active-pools panel treats Cancel as No.
    bool AskSaveChanges(bool cancelIsNo = false);
    // New system steps 2 to 7 (and 8 when withGuide).
    void NewSystem(bool withGuide);
    // Rebuilds the panels from the data files.
    void RebuildActivePools();
    void RebuildFileTree();
    void RebuildDatabaseTree();

    // --- for tests and the screen grabs --------------------------------------
    QTableWidget* Grid() const { return grid_; }
    QTreeWidget* FileTree() const { return fileTree_; }
    QTreeWidget* DatabaseTree() const { return dbTree_; }
    QTreeWidget* ActivePoolsTree() const { return poolsTree_; }
    QPlainTextEdit* CommentEdit() const { return comment_; }
    QTabWidget* SidePanels() const { return sideTabs_; }
    QAction* Action(const QString& objectName) const;
    QList<QAction*> RecentActions() const { return recentActions_; }
    QStringList FileTreeNames() const;   // file names of the file panel, in order

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PrintBackend& printBackend();
    bool fetchStatistics();
    std::vector<std::string> matchLabels() const;
    int rowsPerCoupon() const;
    std::unique_ptr<PrintBackend> printBackend_;
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildCentral();
    void buildStatusBar();
    QAction* addCommand(const QString& name, int msg, void (TfrmStryk::*slot)(), bool available);
    void setLater(QAction* action);

    void localiseAll();
    void updateTitle();
    void setModified(bool modified);
    void updateStatusBar();
    void updateWorkflow();
    void updateRoundLine();
    void rebuildGrid();
    void redrawSigns();
    void showResult();
    void loadRoundTeams();
    void loadLogos();
    QPixmap teamLogo(const std::string& team);
    void switchPool(const std::string& poolName);
    void rebuildRecentMenu();
    void rebuildHelpLinks();
    void addRecent(const std::filesystem::path& path);
    std::filesystem::path poolFolder(bool create) const;
    std::string untitledName() const;
    std::string proposedName() const;
    bool saveTo(const std::filesystem::path& path);

    Program& program_;
    Prompter& prompter_;
    std::filesystem::path fileName_;
    bool modified_ = false;
    int stateMsg_ = 368;            // status field 1: 364, 365 or 368
    bool warnedFrameChange_ = false;
    bool loadingComment_ = false;
    std::string currentPoolName_;
    std::vector<std::string> homes_, aways_;
    std::map<std::string, QPixmap> logoCache_;
    checking::TFacitRec result_;
    FileOrder fileOrder_ = FileOrder::Date;
    bool fileDescending_ = true;

    // widgets
    QTableWidget* grid_ = nullptr;
    QLabel* roundLine_ = nullptr;
    QLabel* poolLogo_ = nullptr;
    QStackedWidget* resultStack_ = nullptr;
    QTableWidget* resultList_ = nullptr;
    QLabel* resultPicture_ = nullptr;
    QTabWidget* sideTabs_ = nullptr;
    QTreeWidget* poolsTree_ = nullptr;
    QTreeWidget* fileTree_ = nullptr;
    QTreeWidget* dbTree_ = nullptr;
    QLabel* poolsTitle_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    std::vector<QLabel*> links_;
    QPushButton* placeBet_ = nullptr;
    QPushButton* poolsPlaceBet_ = nullptr;
    QPushButton* poolsStatistics_ = nullptr;
    QPushButton* poolsCheck_ = nullptr;
    QPushButton* updateDb_ = nullptr;
    std::vector<QToolButton*> orderButtons_;
    QToolButton* directionButton_ = nullptr;
    QLabel* status_[5] = {};
    QMenu* fileMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QMenu* mailMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    QList<QAction*> helpLinkActions_;
    QAction* helpLinksSeparator_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    std::map<int, QAction*> languageActions_;
    std::vector<QAction*> laterActions_;
};

}  // namespace vinra::ui
