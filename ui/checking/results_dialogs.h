#pragma once
// The small dialogs of checking: the round chooser (TfrmChooseOmg), the
// save-results dialog (TfrmSave) and the choice of winnings report
// (TfrmSkrivUtVinst), plus the preview of a report with a PDF button.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <QDialog>

#include "core/signs.h"
#include "output/page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace vinra::ui {

class Prompter;

// Opens a help page by its file name.
using HelpFn = std::function<void(const std::string& page)>;

// Year list 1969 .. the current year + 1, weeks "01" .. "53".
class TfrmChooseOmg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFirstYear = 1969;
    // caption empty: message 166.
    TfrmChooseOmg(const QString& caption, const std::string& year, const std::string& week, HelpFn help = {},
                  QWidget* parent = nullptr);
    std::string Year() const;
    std::string Week() const;
    QComboBox* YearBox() const { return year_; }
    QComboBox* WeekBox() const { return week_; }
    static int LastYear();  // the current year + 1

private:
    QComboBox* year_ = nullptr;
    QComboBox* week_ = nullptr;
};

// The chooser as one call: the chosen (year, week), nullopt on Cancel.
std::optional<std::pair<std::string, std::string>> ChooseRound(QWidget* parent, const QString& caption,
                                                               const std::string& year, const std::string& week,
                                                               HelpFn help = {});

// What the save dialog shows and returns. The four lines run from the top
// level down: index 0 feeds slot 13, 3 slot 10.
struct SaveResultValues {
    std::string round;                   // "2009-28"
    std::string row;                     // display characters
    std::array<std::string, 4> winners;  // "1 234"
    std::array<std::string, 4> payouts;  // "1 500 000,00"
};

class TfrmSave : public QDialog {
    Q_OBJECT
public:
    using ChooseFn = std::function<std::optional<std::pair<std::string, std::string>>(QWidget*, const std::string& year,
                                                                                      const std::string& week)>;
    // levels: the level each line stands for (labels 169 / 170), top first.
    TfrmSave(int matchCount, const core::DisplaySigns& signs, const std::array<int, 4>& levels,
             const SaveResultValues& values, Prompter& prompter, ChooseFn choose = {}, HelpFn help = {},
             QWidget* parent = nullptr);

    // The values as shown (after OK: normalised).
    SaveResultValues Values() const;
    QLineEdit* RowEdit() const { return row_; }
    QLineEdit* WinnersEdit(int i) const { return winners_[static_cast<size_t>(i)]; }
    QLineEdit* PayoutEdit(int i) const { return payouts_[static_cast<size_t>(i)]; }
    QLabel* RoundLabel() const { return round_; }

public slots:
    void btnChangeClick();
    // OK: normalises the numbers and the row; stays open with a message
    // naming what is wrong.
    void accept() override;

private:
    int n_;
    core::DisplaySigns signs_;
    Prompter& prompter_;
    ChooseFn choose_;
    QLabel* round_ = nullptr;
    QLineEdit* row_ = nullptr;
    std::array<QLineEdit*, 4> winners_{};
    std::array<QLineEdit*, 4> payouts_{};
};

// The choice of report.
class TfrmSkrivUtVinst : public QDialog {
    Q_OBJECT
public:
    enum class Report { Summary, Rows };
    explicit TfrmSkrivUtVinst(HelpFn help = {}, QWidget* parent = nullptr);
    Report Choice() const;
    void SetChoice(Report r);

private:
    QRadioButton* summary_ = nullptr;
    QRadioButton* rows_ = nullptr;
};

// The print preview of a report with one more button that writes the
// document as a PDF. Returns true when it was printed.
bool ShowReportPreview(QWidget* parent, output::PrintDocument doc, Prompter& prompter, const QString& pdfFolder = {});

}  // namespace vinra::ui
