#pragma once
// TfrmWebStatus: fetches the matches of the current round (games mode, the
// main window's Get games command) or the results of rounds (results mode,
// the check window's web button) from the operators' published data, shows
// them and stores them in the games and results database.
//
// A download that fails parses nothing and leaves the open system as it was;
// every round that was shown is saved at once (Cancel does not undo it), but
// Cancel gives the system back its draw number.
//
// Entry points for the other windows:
//   RunGetGames(parent, program, prompter, doc, homes, aways)   games mode on
//       a copy of doc; on OK the copy, whose Omg holds the chosen year and
//       week and OmgID the round's draw number (the caller hands them to the
//       open system and reloads the round's teams).
//   RunGetResults(parent, program, prompter, homes, aways) results mode; the
//       chosen round (year * 100 + week) on OK, for the check window to load.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDialog>

#include "checking/tips_data.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "net/downloads.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace vinra::ui {

class Prompter;
class Program;

// Everything the window works on; MakeWebStatusContext fills it from the program.
struct WebStatusContext {
    core::TVinraFile* doc = nullptr;
    checking::TTipsData* db = nullptr;
    Prompter* prompter = nullptr;
    std::filesystem::path dataFolder;  // update.ini, teamstat.ini and download.htm
    core::PoolSettings pool;           // XML, PauseTipping and the display strings of the system's pool
    bool warnings = true;
    bool debug = false;
    // Run before the first transfer of a command (the update check); false stops the command.
    std::function<bool()> prepareConnection;
    // "yyyy-ww" of today.
    std::function<std::string()> currentRound;
    // The round chooser: a caption and the preset year and week; nullopt on Cancel.
    std::function<std::optional<std::pair<std::string, std::string>>(const QString& caption, const std::string& year,
                                                                     const std::string& week)>
        chooseRound;
};
WebStatusContext MakeWebStatusContext(Program& program, Prompter& prompter);

class TfrmWebStatus : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Games, Results };
    TfrmWebStatus(Mode mode, WebStatusContext context, std::vector<std::string> homes = {},
                  std::vector<std::string> aways = {}, QWidget* parent = nullptr);
    ~TfrmWebStatus() override;

    Mode mode() const { return mode_; }
    // The year and week lists ("" when nothing is selected).
    std::string YearText() const;
    std::string WeekText() const;
    // Selects the entries with these texts (no selection when there is none).
    void SetYearWeek(const std::string& year, const std::string& week);
    // Names of the grid, in match order.
    std::vector<std::string> Homes() const;
    std::vector<std::string> Aways() const;
    // Known team names (teamstat.ini [Alias] and [League]), sorted.
    const std::vector<std::string>& KnownTeams() const { return known_; }
    // True when a name cell is shown as unknown (red).
    bool CellMarked(int line, int column) const;

    QTableWidget* Grid() const { return grid_; }
    QTableWidget* FullTimeGrid() const { return full_; }
    QTableWidget* HalfTimeGrid() const { return half_; }
    QComboBox* TeamBox() const { return team_; }
    QComboBox* BulkPool() const { return bulkPool_; }
    QCheckBox* BulkXml() const { return bulkXml_; }
    QSpinBox* BulkFrom() const { return bulkFrom_; }
    QSpinBox* BulkTo() const { return bulkTo_; }
    QCheckBox* TabNavigation() const { return tabNav_; }

public slots:
    void btnGetClick();
    void btnIntervalClick();
    void btnViewClick();
    void btnOKClick();
    void btnCancelClick();
    // A click on a cell: name cells get the team list box.
    void EditCell(int line, int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    enum class Fetch { Ok, Failed, Stop };
    struct Round {
        net::TCouponInfo full, half;
    };
    void build(const std::vector<std::string>& homes, const std::vector<std::string>& aways);
    void loadKnownTeams();
    core::IniFile updateIni() const;
    int matchCount() const;
    int valueLines() const;
    bool prepare();
    net::FetchOutcome fetchOffGuiThread(const std::string& url, bool xml, const core::IniFile& ini,
                                        const net::ParseOptions& options, net::TCouponInfo& info);
    Fetch fetch(const std::string& typ, int addressMode, int32_t draw, net::TCouponInfo& info);
    // currentDraw: when given, the draw number (XMLResDBID) of the full-time
    // page, read before the half-time page takes its place in download.htm.
    Fetch fetchBoth(int addressMode, int32_t draw, Round& round, int64_t* currentDraw = nullptr);
    void showAndSave(const Round& round);
    void writeSigns(const std::string& row, int firstColumn);
    void fillPrizeGrid(QTableWidget* grid, const net::TCouponInfo& info);
    bool savePrizeGrid(QTableWidget* grid, const std::string& row, const std::string& typ);
    bool saveGames();
    int32_t roundInteger() const;
    void commitEdit();
    void validateCell(int line, int column);
    void moveEditTo(int line, int column);
    void showBusy(bool busy);

    Mode mode_;
    WebStatusContext ctx_;
    int32_t savedOmgId_ = 0;
    std::vector<std::string> known_;
    int editLine_ = -1, editColumn_ = -1;

    QComboBox* year_ = nullptr;
    QComboBox* week_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QTableWidget* full_ = nullptr;
    QTableWidget* half_ = nullptr;
    QGroupBox* halfBox_ = nullptr;
    QComboBox* team_ = nullptr;
    QCheckBox* tabNav_ = nullptr;
    QComboBox* bulkPool_ = nullptr;
    QCheckBox* bulkXml_ = nullptr;
    QSpinBox* bulkFrom_ = nullptr;
    QSpinBox* bulkTo_ = nullptr;
    QLabel* status_ = nullptr;
};

// homes, aways: the main window's team lists of the round.
std::optional<core::TVinraFile> RunGetGames(QWidget* parent, Program& program, Prompter& prompter,
                                            const core::TVinraFile& doc, const std::vector<std::string>& homes,
                                            const std::vector<std::string>& aways);
std::optional<int32_t> RunGetResults(QWidget* parent, Program& program, Prompter& prompter,
                                     const std::vector<std::string>& homes, const std::vector<std::string>& aways);

}  // namespace vinra::ui
