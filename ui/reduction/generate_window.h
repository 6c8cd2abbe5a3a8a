#pragma once
// The reduction wizard: the player picks a method, sets the conditions, runs
// the generation engine and looks at the warranty, on a working copy of the
// system. Finish hands back one working copy with the rows, conditions,
// warranty and flags; Cancel hands back nothing. The rules are those of
// reduction::WizardModel; this window shows them.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QElapsedTimer>

#include "core/system_document.h"
#include "reduction/guarantee_cover.h"
#include "reduction/row_generation.h"
#include "reduction/system_value.h"
#include "reduction/warranty.h"
#include "reduction/wizard_model.h"
#include "ui/reduction/condition_dialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;

namespace vinra::ui {

class BackgroundJob;
class Program;
class ValueChart;
class Prompter;

class TfrmGenerate : public QDialog {
    Q_OBJECT
public:
    struct Options {
        std::filesystem::path systemFile;       // the system's file (Import reads it); empty when unsaved
        std::vector<std::string> homes, aways;  // team names of the round
    };
    // doc is copied: the wizard never touches the system while it is open.
    TfrmGenerate(const core::TVinraFile& doc, Program& program, Prompter& prompter, Options options = {},
                 QWidget* parent = nullptr);
    ~TfrmGenerate() override;

    // After Finish: the system with the wizard's rows, conditions, warranty and flags.
    const core::TVinraFile& Result() const { return result_; }
    reduction::WizardModel& Model() { return model_; }
    const RoundView& Round() const { return round_; }

    // --- the buttons ---------------------------------------------------------
    void NextClick();
    void PreviousClick();
    void FinishClick();
    void ReduceClick();
    void CancelRunClick();
    void RestoreClick();
    void WarrantyGenerateClick();
    void ExportToFile();
    void ExportToClipboard();
    void ImportClick();
    void StartRowClick();
    enum class Editor { SignCounts, Percentage, SourceRows, NoComb, YesComb, WinLevel };
    void OpenEditor(Editor editor);

    // --- for tests and the screen grabs ----------------------------------------
    QStackedWidget* Pages() const { return pages_; }
    QPushButton* Button(const QString& objectName) const;
    QCheckBox* FlagBox(int flag) const;
    QComboBox* RowDiffList() const { return rowDiff_; }
    QRadioButton* MethodButton(reduction::WizardMethod m) const;
    QRadioButton* GenerateChoice() const { return generate_; }
    QRadioButton* ReadFileChoice() const { return readFile_; }
    QCheckBox* UseBox() const { return useBox_; }
    QLineEdit* RandomCountField() const { return randomCount_; }
    QLineEdit* FilterCountField() const { return filterCount_; }
    QComboBox* GuaranteeChoice() const { return guaranteeChoice_; }  // 0: N-1 right, 1: N-2 right
    QLineEdit* SecondsField() const { return seconds_; }
    QLineEdit* KeepCountField() const { return keepCount_; }
    ValueChart* Chart() const { return chart_; }
    // The value model of the round (from its game information) the chart and
    // the highest-value method use.
    const reduction::ValueModel& ValueModel() const { return valueModel_; }
    bool ValueRunning() const;
    QLabel* StatusPanel(int i) const { return status_[i]; }
    QLabel* TestedLabel() const { return tested_; }
    QLabel* UsedLabel() const { return used_; }
    QLabel* RateLabel() const { return rate_; }
    QProgressBar* Bar() const { return bar_; }
    QTableWidget* WarrantyGrid() const { return warrantyGrid_; }
    QPlainTextEdit* WarrantyText() const { return warrantyText_; }
    QLabel* ConditionNote() const { return conditionNote_; }
    QLabel* StartRowLabel() const { return startRow_; }
    QLabel* TitleLabel() const { return title_; }
    QMenu* ExportMenu() const { return exportMenu_; }
    bool Running() const { return model_.Running(); }
    // The longest time between two ticks of the last run's timer, in ms.
    qint64 LongestTickGapMs() const;

signals:
    // A run (reduction or warranty) has ended and the display shows its result.
    void runFinished();
    // The value chart shows the figures of the current rows (or why there are none).
    void valueFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;

private:
    void buildMethodPage();
    void buildConditionsPage();
    void buildGenerationPage();
    void buildWarrantyPage();
    void showStep();
    void updateControls();
    void updateMethodPage();
    void updateConditionBoxes();
    void updateStatus();
    void showStartRow();
    void showCounters(int64_t tested, int64_t used, int64_t bar);
    void showWarranty();
    void startRun(reduction::GenerationInput input);
    void startGuarantee();
    void startHighestValue();
    void beginRunDisplay();
    void onOtherTick();
    void onOtherFinished(bool cancelled, const QString& error);
    void showMethodCaptions();
    void startValue();
    void onTick();
    void onFinished(bool cancelled, const QString& error);
    void help();
    bool conditionsOn() const;

    Program& program_;
    Prompter& prompter_;
    Options options_;
    core::TVinraFile doc_;
    core::TVinraFile result_;
    RoundView round_;
    reduction::WizardModel model_;
    std::optional<reduction::WarrantyView> view_;

    BackgroundJob* job_ = nullptr;
    std::shared_ptr<reduction::TRowGeneration> gen_;
    std::shared_ptr<reduction::GuaranteeRun> guarantee_;
    // "Keep the K rows of highest value": the rows given, then the rows kept.
    std::shared_ptr<std::vector<std::string>> kept_;
    BackgroundJob* valueJob_ = nullptr;
    std::shared_ptr<reduction::ValueRun> value_;
    reduction::ValueModel valueModel_;
    QElapsedTimer runClock_;
    int64_t lastTested_ = 0;

    QLabel* title_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLabel* status_[3] = {};
    // method page
    QRadioButton* generate_ = nullptr;
    QRadioButton* readFile_ = nullptr;
    QRadioButton* methodButtons_[reduction::kWizardMethodCount] = {};
    QComboBox* guaranteeChoice_ = nullptr;
    QLineEdit* seconds_ = nullptr;
    QLineEdit* keepCount_ = nullptr;
    QLabel* keepTail_ = nullptr;
    QLineEdit* randomCount_ = nullptr;
    QLineEdit* filterCount_ = nullptr;
    QCheckBox* useBox_ = nullptr;
    // conditions page
    QCheckBox* flagBoxes_[8] = {};
    QPushButton* editorButtons_[6] = {};
    QComboBox* rowDiff_ = nullptr;
    QLabel* startRow_ = nullptr;
    QLabel* typeLabels_[2] = {};
    // generation page
    QLabel* tested_ = nullptr;
    QLabel* used_ = nullptr;
    QLabel* rate_ = nullptr;
    QProgressBar* bar_ = nullptr;
    // warranty page
    QTableWidget* warrantyGrid_ = nullptr;
    QPlainTextEdit* warrantyText_ = nullptr;
    QLabel* conditionNote_ = nullptr;
    QMenu* exportMenu_ = nullptr;
    ValueChart* chart_ = nullptr;
};

}  // namespace vinra::ui
