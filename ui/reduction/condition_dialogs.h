#pragma once
// The five editors of the reduction conditions, opened from the conditions
// page of the reduction wizard. Each shows a copy of the working values (the
// rules live in reduction/condition_editors.h) and hands them back only when
// the player presses OK; Cancel and Escape change nothing.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "core/signs.h"
#include "reduction/condition_editors.h"
#include "reduction/conditions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace vinra::ui {

class Prompter;

// What the editors show of the round for orientation.
struct RoundView {
    int n = 13;
    std::vector<std::string> frame;  // one entry per match
    std::vector<std::string> homes;  // team names (empty when unknown)
    std::vector<std::string> aways;
    core::DisplaySigns signs;
    bool hasInfo = false;  // the round has game information
    std::array<std::array<std::string, 3>, core::kMaxMatches> peopleText{};
    reduction::PercentTable people{};        // people's percentages
    reduction::PercentTable operatorOdds{};  // implied by the pool operator's odds
    reduction::PercentTable bookie{};        // implied by the bookmaker's odds

    // "home - away" of match m (0-based).
    std::string Teams(int m) const;
};

// Common frame of the editors: OK, Cancel and Help, centred on the wizard.
class ConditionDialog : public QDialog {
    Q_OBJECT
public:
    ConditionDialog(const RoundView& round, Prompter& prompter, const char* helpPage, QWidget* parent);
    // OK: the subclass checks and takes the values; false keeps the dialog open.
    virtual bool Accept() { return true; }
    QPushButton* OkButton() const { return ok_; }

protected:
    // Adds the button row at the bottom of the layout.
    void addButtons();
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    const RoundView& round_;
    Prompter& prompter_;
    const char* helpPage_;
    QPushButton* ok_ = nullptr;
};

// Yes- and no-combinations.
class TfrmCombinations : public ConditionDialog {
    Q_OBJECT
public:
    TfrmCombinations(reduction::CombinationEditor::Kind kind, const reduction::ConditionSet& c, const RoundView& round,
                     Prompter& prompter, QWidget* parent = nullptr);
    void AddClick();
    void DeleteClick();
    void SelectEntry(int index);
    bool Accept() override;
    void Store(reduction::ConditionSet& c) const { editor_.Store(c); }

    QLineEdit* Entry() const { return entry_; }
    QTableWidget* List() const { return list_; }
    QComboBox* MinBox() const { return min_; }
    QComboBox* MaxBox() const { return max_; }

private:
    void fillList();
    reduction::CombinationEditor editor_;
    QLineEdit* entry_ = nullptr;
    QTableWidget* list_ = nullptr;
    QComboBox* min_ = nullptr;
    QComboBox* max_ = nullptr;
};

// Sign counts and runs.
class TfrmSignCounts : public ConditionDialog {
    Q_OBJECT
public:
    TfrmSignCounts(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                   QWidget* parent = nullptr);
    bool Accept() override;
    void Store(reduction::ConditionSet& c) const { editor_.Store(c); }
    // line: 0 max, 1 in a row, 2 min; sign 0..2.
    QComboBox* Box(int line, int sign) const { return boxes_[static_cast<size_t>(line)][static_cast<size_t>(sign)]; }

private:
    reduction::SignCountEditor editor_;
    std::array<std::array<QComboBox*, 3>, 3> boxes_{};
};

// Source rows.
class TfrmSourceRows : public ConditionDialog {
    Q_OBJECT
public:
    TfrmSourceRows(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                   QWidget* parent = nullptr);
    // A click on a cell of the grid: line 0..N-1 a match, N the Min line, N+1 the Max line.
    void CellClick(int line, int column, bool forward);
    void HeaderClick(int column);
    void Store(reduction::ConditionSet& c) const { editor_.Store(c); }
    QTableWidget* Grid() const { return grid_; }
    QTableWidget* MatchList() const { return matches_; }
    const reduction::SourceRowEditor& Editor() const { return editor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillGrid();
    reduction::SourceRowEditor editor_;
    QTableWidget* grid_ = nullptr;
    QTableWidget* matches_ = nullptr;
    bool warnedFull_ = false;
};

// The player's percentages and the bounds of the percentage value.
class TfrmPercent : public ConditionDialog {
    Q_OBJECT
public:
    TfrmPercent(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                QWidget* parent = nullptr);
    enum class Source { OperatorOdds, Bookie, People };
    void ShowSource(Source source);
    Source CurrentSource() const { return source_; }
    void CopyClick();
    bool Accept() override;
    void Store(reduction::ConditionSet& c) const { editor_.Store(c); }

    QLineEdit* Field(int match, int sign) const {
        return fields_[static_cast<size_t>(match)][static_cast<size_t>(sign)];
    }
    QLineEdit* Reference(int match, int sign) const {
        return refs_[static_cast<size_t>(match)][static_cast<size_t>(sign)];
    }
    QCheckBox* Check(int match) const { return checks_[static_cast<size_t>(match)]; }
    QLineEdit* MinField() const { return minField_; }
    QLineEdit* MaxField() const { return maxField_; }
    QLabel* MinLabel() const { return minLabel_; }
    QLabel* MaxLabel() const { return maxLabel_; }
    const reduction::PercentEditor& Editor() const { return editor_; }

private:
    const reduction::PercentTable& Table(Source source) const;
    void fieldEdited(int match, int sign);
    void refreshFields();
    void refreshBounds();
    reduction::PercentEditor editor_;
    Source source_ = Source::Bookie;
    std::vector<std::array<QLineEdit*, 3>> fields_, refs_;
    std::vector<QCheckBox*> checks_;
    QLineEdit* minField_ = nullptr;
    QLineEdit* maxField_ = nullptr;
    QLabel* minLabel_ = nullptr;
    QLabel* maxLabel_ = nullptr;
    bool updating_ = false;
};

// The win level: the bounds of the row sum.
class TfrmWinLevel : public ConditionDialog {
    Q_OBJECT
public:
    TfrmWinLevel(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                 QWidget* parent = nullptr);
    void ColourGrid(bool frameOnly);
    bool Accept() override;
    void Store(reduction::ConditionSet& c) const { editor_.Store(c); }
    QTableWidget* Grid() const { return grid_; }
    QSpinBox* LowField() const { return low_; }
    QSpinBox* HighField() const { return high_; }
    QLabel* TotalLabel() const { return total_; }
    QLabel* FrameLabel() const { return frame_; }

private:
    reduction::WinLevelEditor editor_;
    QTableWidget* grid_ = nullptr;
    QSpinBox* low_ = nullptr;
    QSpinBox* high_ = nullptr;
    QLabel* total_ = nullptr;
    QLabel* frame_ = nullptr;
};

}  // namespace vinra::ui
