#pragma once
// The main window's own rows of the command table (files, printing, the
// transfers, help, languages, undo) with their handlers, and the rows of the
// windows still to come, which say so until their module replaces them.
#include <filesystem>
#include <memory>
#include <string>

#include <QObject>

#include "ui/core/command_table.h"

namespace vinra::ui {

class FileController;
class PrintBackend;
class TipsGridPanel;

class MainCommands : public QObject {
    Q_OBJECT
public:
    MainCommands(const ShellContext& shell, CommandTable& table, FileController& files, TipsGridPanel& grid,
                 QObject* parent = nullptr);
    ~MainCommands() override;

    // Adds every row. Called once, before the window modules register theirs.
    void Register();
    // Rows of the operator's web links in the Help menu (after a pool switch).
    void RebuildHelpLinks();
    // Captions of the recent files, Undo and Redo.
    void RefreshTexts();

    void PrintClick();
    void ViewCouponsClick();
    void StatisticsClick();
    // System menu: the people's percentages in the grid on or off (kept as a setting).
    void ShowPeopleClick();
    // The statistics window for the round; true when it ran to the end.
    // quiet: a failure ends it without a message box.
    bool FetchStatistics(bool quiet = false);
    void GetGamesClick();
    void SubmitClick();
    void UpdateDatabaseClick();
    void SystemEditorClick();
    void HelpContentClick();
    void AboutClick();
    void ChangeLanguage(int base);

    // The printer the Print command and the viewer use (tests hand in one that
    // writes PDF files); the real QPrinter one when none was set.
    void SetPrintBackend(std::unique_ptr<PrintBackend> backend);

signals:
    // Something outside the document changed that views show (the statistics
    // file of the round, the database): the shell refreshes them.
    void outsideChanged();
    void databaseUpdated();
    void languageChanged();

private:
    PrintBackend& printBackend();
    std::filesystem::path systemFile() const;

    ShellContext shell_;
    CommandTable& table_;
    FileController& files_;
    TipsGridPanel& grid_;
    std::unique_ptr<PrintBackend> printBackend_;
    int helpLinks_ = 0;
};

}  // namespace vinra::ui
