#pragma once
// The expert system's wizard: a template and the round's favourites give the
// frame and the conditions, two passes of the generation engine (all rows that
// pass, then a random cut to the player's limit) give the rows. It works on a
// copy of the system; Finish hands back one working copy. The arithmetic is
// reduction/expert_system's; this window shows it.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "core/system_document.h"
#include "reduction/expert_system.h"
#include "reduction/row_generation.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QStackedWidget;

namespace vinra::ui {

class BackgroundJob;
class CommandTable;
class Program;
class Prompter;
struct ShellContext;

class TfrmDynamicRows : public QDialog {
    Q_OBJECT
public:
    enum Page { Welcome = 0, Method = 1, Limit = 2, Generate = 3 };
    struct Options {
        // Shown the first time the generate page is reached: the round's match
        // statistics download (it brings the people's percentages). Empty: none.
        std::function<void(QWidget*)> showStatistics;
        // Seed of the random cut (tests); from the clock when absent.
        std::optional<uint64_t> seed;
    };
    TfrmDynamicRows(const core::TVinraFile& doc, Program& program, Prompter& prompter, Options options = {},
                    QWidget* parent = nullptr);
    ~TfrmDynamicRows() override;

    // After Finish: the system with the rows and the template's conditions.
    const core::TVinraFile& Result() const { return result_; }
    bool AlwaysShow() const;
    bool PlaceBet() const;
    bool Running() const;
    int CurrentPage() const;
    const std::vector<reduction::TemplateChoice>& Templates() const { return templates_; }
    const reduction::ExpertSetup& Setup() const { return setup_; }
    const std::vector<std::string>& Rows() const { return rows_; }
    bool Pass2Ran() const { return pass2Ran_; }

    // --- the buttons ---------------------------------------------------------
    void NextClick();
    void PreviousClick();
    void FinishClick();
    void CancelClick();  // stops a pass that runs; closes the window otherwise
    void BrowseClick();
    void CreateClick();
    void SelectTemplate(int index);

    // --- for tests and the screen grabs --------------------------------------
    QStackedWidget* Pages() const { return pages_; }
    QPushButton* Button(const QString& objectName) const;
    QListWidget* MethodList() const { return methods_; }
    QLabel* Description() const { return desc_; }
    QLabel* Picture() const { return picture_; }
    QLineEdit* LimitField() const { return limit_; }
    QSlider* LimitSlider() const { return slider_; }
    QCheckBox* AlwaysBox() const { return always_; }
    QCheckBox* PlaceBetBox() const { return placeBet_; }
    QLabel* Counter(int i) const { return counters_[i]; }  // 0 math, 1 tested, 2 used, 3 after rowdiff, 4 final
    QProgressBar* Bar() const { return bar_; }

signals:
    // A pass has ended and its counts are shown (pass 1 or 2).
    void passFinished(int pass);
    // Both passes are over (or the only one).
    void generationDone();

public slots:
    void reject() override;  // Escape and the close box: stop and join a pass, then close

private:
    void buildWelcome();
    void buildMethod();
    void buildLimit();
    void buildGenerate();
    void showPage(int page);
    void updateButtons();
    void updateMethodButtons();
    void startGeneration();
    void startPass(int pass, reduction::GenerationInput input);
    void onTick();
    void onPassEnded(bool cancelled, const QString& error);
    void applyLimitField();
    bool applyTemplate();
    std::vector<reduction::RankEntry> ranking() const;

    Program& program_;
    Prompter& prompter_;
    Options options_;
    core::TVinraFile doc_;
    core::TVinraFile result_;
    std::vector<reduction::TemplateChoice> templates_;
    std::filesystem::path browsed_;  // a template file the player browsed to (the last choice)
    reduction::ExpertSetup setup_;
    std::vector<std::string> rows_;
    int limit_value_ = 100;
    bool statisticsShown_ = false;
    bool generated_ = false;
    bool pass2Ran_ = false;
    int pass_ = 0;
    int64_t shownTested_ = 0, shownRowDiff_ = 0, shownFinal_ = 0;

    BackgroundJob* job_ = nullptr;
    std::shared_ptr<reduction::TRowGeneration> gen_;

    QStackedWidget* pages_ = nullptr;
    QCheckBox* always_ = nullptr;
    QCheckBox* placeBet_ = nullptr;
    QListWidget* methods_ = nullptr;
    QLabel* desc_ = nullptr;
    QLabel* picture_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* create_ = nullptr;
    QLineEdit* limit_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* counters_[5] = {};
    QProgressBar* bar_ = nullptr;
};

// Opens the wizard on the session's system; Finish hands the rows back as one
// undo entry and, with "Place bet on Finish", runs the submission. The two
// check boxes are stored in the settings however the wizard closes.
bool RunExpertWizard(const ShellContext& shell, CommandTable* table);
void RegisterExpertCommands(CommandTable& table, const ShellContext& shell);

}  // namespace vinra::ui
