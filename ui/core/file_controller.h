#pragma once
// The file commands of the main window (New, Open, Save, Save as, Import,
// Export, the recent files) and the round of the open system (the pool it
// belongs to, the team names from the games database), with the
// unsaved-changes question in front of every command that would lose changes.
// The shell's menus and the tests call the same methods.
#include <filesystem>
#include <functional>
#include <string>

#include <QObject>

#include "checking/tips_data.h"
#include "net/active_pools.h"
#include "ui/core/command_table.h"

class QWidget;

namespace vinra::ui {

class DocumentSession;
class Program;
class Prompter;

class FileController : public QObject {
    Q_OBJECT
public:
    explicit FileController(const ShellContext& shell, QObject* parent = nullptr);

    // Runs the match statistics window for the round (a new round whose games
    // the database lacks); true when it fetched them. quiet: a failure closes
    // the window without a message box. Set by the shell.
    std::function<bool(bool quiet)> fetchStatistics;
    // Starts fetching the games of the open system's round in the background
    // (a system opened without them); the shell calls RoundGamesArrived when
    // they are stored. Set by the shell.
    std::function<void()> fetchRoundGamesLater;
    // The games of a round fetched in the background are in the database: the
    // open system takes its team names when it is still on that round and has none.
    void RoundGamesArrived(const std::string& typ, int32_t omgId);
    // The dynamic-rows guide that a new system may open (GuideOnNewFile).
    std::function<void()> openGuide;

    // Yes saves, No discards, Cancel stops (returns false). cancelIsNo: the
    // active-pools panel treats Cancel as No.
    bool AskSaveChanges(bool cancelIsNo = false);
    // Unsaved changes when nobody can be asked (the program is told to end):
    // the document goes to a new file beside its own, "<name> (recovered).1x2"
    // (numbered when taken), never over a file. The session stays as it was.
    // Returns the file written; empty when nothing was unsaved or the copy
    // could not be written.
    std::filesystem::path SaveRecoveryCopy();
    void NewClick();
    void OpenClick();
    void SaveClick();
    // False when the dialog was cancelled, the name refused or the save failed.
    bool SaveAsClick();
    void ImportClick();
    void ExportClick();
    void OpenRecent(int index);
    // Opens a file without the question (recent files, the file panel, the
    // command line). False, with a message, when it cannot be read.
    bool OpenFile(const std::filesystem::path& path);
    // A new system for the document's round (without the question). quiet:
    // the program made it on its own (at start, after the list of open rounds
    // changed), so a failed games download says so in the status bar, not in
    // a box, and is tried again in the background.
    void NewSystem(bool withGuide, bool quiet = false);
    // A round of the active-pools panel becomes a new system.
    void ChoosePool(const net::TCouponInfoEx& entry);
    // A round of the results panel: the pool, round and draw number of the
    // system change together; a system with rows of another pool is not mixed
    // with a round of that pool (the player is asked for a new system first).
    void SelectDatabaseRound(const checking::RoundKey& round);
    // The round's team names from the games database into the session.
    void LoadRoundTeams();
    // Loads the settings of a pool (display signs, logo, operator links) when
    // it is not the current one.
    void SwitchPool(const std::string& poolName);
    const std::string& CurrentPoolName() const { return currentPool_; }
    // The pool's subfolder of the user folder.
    std::filesystem::path PoolFolder(bool create) const;

signals:
    // The pool's settings were loaded: signs, pool logo, operator.
    void poolSwitched();
    // The recent-file list changed.
    void recentChanged();
    // A system was written (the file panel lists it).
    void saved();

private:
    void addRecent(const std::filesystem::path& path);
    void fixMatchCount();
    bool NoTeamNames() const;

    ShellContext shell_;
    std::string currentPool_;
};

}  // namespace vinra::ui
