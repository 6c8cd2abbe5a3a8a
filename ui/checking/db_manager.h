#pragma once
// TDBManager, the database editor: the stored matches (read-only, edited and
// deleted match by match) and the stored results (edited in the grid), a
// filter by pool, and the text export and import of every pool.
#include <filesystem>
#include <string>
#include <vector>

#include <QDialog>

#include "checking/db_browser.h"
#include "checking/tips_data.h"
#include "ui/checking/results_dialogs.h"

class QComboBox;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

namespace vinra::ui {

class Prompter;

class TDBManager : public QDialog {
    Q_OBJECT
public:
    enum class Page { Games = 0, Results = 1 };
    // folder: where the export writes and the import reads (the data folder).
    TDBManager(checking::TTipsData& db, std::filesystem::path folder, Prompter& prompter, Page page, HelpFn help = {},
               QWidget* parent = nullptr);

    Page CurrentPage() const;
    void SetPage(Page page);
    // Index of the filter list: 0 "Show all", then the pools of the page.
    void SetFilter(int index);
    QComboBox* FilterBox() const { return filter_; }
    QTableWidget* GamesGrid() const { return games_; }
    QTableWidget* ResultsGrid() const { return results_; }
    // The pool code the page is filtered by ("" for all).
    std::string FilterCode() const;

public slots:
    void Reload();
    void btnDeleteClick();
    void btnEditMatchClick();
    void btnExportClick();
    void btnImportClick();

private:
    void fillFilter();
    void fillGames();
    void fillResults();
    void resultEdited(QTableWidgetItem* item);

    checking::TTipsData& db_;
    std::filesystem::path folder_;
    Prompter& prompter_;
    HelpFn help_;
    QTabWidget* tabs_ = nullptr;
    QComboBox* filter_ = nullptr;
    QTableWidget* games_ = nullptr;
    QTableWidget* results_ = nullptr;
    std::vector<checking::MatchRecord> gameRows_;
    std::vector<checking::TFacitRec> resultRows_;
    bool filling_ = false;
};

// Opens the editor modally on a page.
void RunDatabaseEditor(QWidget* parent, checking::TTipsData& db, const std::filesystem::path& folder,
                       Prompter& prompter, TDBManager::Page page, HelpFn help = {});

}  // namespace vinra::ui
