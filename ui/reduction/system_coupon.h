#pragma once
// The reduced-system dialog: the player marks a base row, picks a system with
// a known guarantee from the operator's systems or his own, and the system's
// rows are mapped onto the base row. The rules are reduction::SystemCoupon's;
// this window shows them, and the guarantee of the chosen system as the
// warranty engine works it out in the background (a large system takes a
// while; the list stays live and a new choice stops the old count).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "core/system_document.h"
#include "reduction/reduced_system.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vinra::ui {

class BackgroundJob;
class CommandTable;
class Prompter;
struct ShellContext;

// What the reduction wizard's dialog returns when the player chose to read the
// rows from a system file: the wizard closes and this dialog opens instead.
inline constexpr int kReadSystemFromFile = 2;

class TSystemkupong : public QDialog {
    Q_OBJECT
public:
    struct Options {
        std::vector<std::string> homes, aways;  // team names of the round
        std::string country;                    // the operator: the R-system list and its caption
    };
    // doc is read only: the dialog works on its own coupon.
    TSystemkupong(const core::TVinraFile& doc, Prompter& prompter, Options options, QWidget* parent = nullptr);
    ~TSystemkupong() override;

    // After OK: the coupon as the player left it and the rows of the system.
    const reduction::SystemCoupon& Coupon() const { return coupon_; }
    const reduction::SystemCoupon::Result& Result() const { return result_; }

    // --- the player's clicks -------------------------------------------------
    void ClickBase(int match, int sign);
    void ClickMath(int match);
    void ClickU(int match, int sign);
    void ChooseOwnSystems(bool own);
    // Selects a system of the list shown by name; false when it is not listed.
    bool SelectSystem(const QString& name);
    void OkClick();

    // --- for tests and the screen grabs --------------------------------------
    QTableWidget* Grid() const { return grid_; }
    QListWidget* SystemList() const { return list_; }
    QRadioButton* OperatorChoice() const { return operator_; }
    QRadioButton* OwnChoice() const { return own_; }
    QPushButton* OkButton() const { return ok_; }
    QLabel* GuaranteeLabel() const { return guarantee_; }
    // True while the guarantee of a chosen system is being worked out.
    bool GuaranteeRunning() const;
    // Total (column 0) and left (column 1) of 3-ways, 2-ways and U signs.
    QLabel* CountLabel(int row, int column) const { return counts_[row][column]; }
    QString CellText(int match, int column) const;

    // Grid columns.
    static constexpr int kColLabel = 0;
    static constexpr int kColBase = 1;  // 1, 2, 3: home, draw, away
    static constexpr int kColMath = 4;
    static constexpr int kColU = 5;  // 5, 6, 7
    static constexpr int kColIndicator = 8;

signals:
    // The guarantee of the chosen system (or why there is none) is on show.
    void guaranteeShown();

private:
    struct GuaranteeTask;
    void fillList();
    void showAll();
    void showGuarantee();
    void guaranteeFinished(bool cancelled);
    void cellClicked(int row, int column);
    std::filesystem::path systemFolder() const;

    Prompter& prompter_;
    Options options_;
    int n_ = 0;
    reduction::SystemCoupon coupon_;
    reduction::SystemCoupon::Result result_;

    QTableWidget* grid_ = nullptr;
    QRadioButton* operator_ = nullptr;
    QRadioButton* own_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* guarantee_ = nullptr;
    QLabel* counts_[3][2] = {};
    QPushButton* ok_ = nullptr;

    BackgroundJob* guaranteeJob_ = nullptr;
    std::shared_ptr<GuaranteeTask> task_;
    bool guaranteeAgain_ = false;  // the choice changed while a count ran: count the new one next
};

// Opens the dialog on the session's system and, on OK, replaces its rows
// (one undo entry), asking first whether the combinations of the reduction
// wizard stay (message 277). True when rows were applied.
bool RunSystemCoupon(const ShellContext& shell);
void RegisterSystemCouponCommands(CommandTable& table, const ShellContext& shell);

}  // namespace vinra::ui
