#pragma once
// The coupon viewer: the system's rows coupon by coupon as they go on paper,
// with the right count of each row against the result row, printing of one
// coupon, and the edits of a working copy (delete a row or a coupon, add a
// typed row). The main window hands over a copy and decides afterwards,
// asking the user, whether the edited copy becomes the system's rows.
#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "core/system_document.h"
#include "output/coupon_view_model.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;

namespace vinra::ui {

class Prompter;

// What the viewer asks of the rest of the program. printCoupon opens the print
// dialog for one coupon of the given rows (the viewer's copy, which may differ
// from the system's rows by now): "From coupon" selected, from = to = coupon,
// protocol mode disabled. printerSetup shows the printer setup; when it is
// empty the platform's page setup dialog is used.
struct CouponViewerHooks {
    std::function<void(QWidget* parent, const std::vector<std::string>& rows, int coupon)> printCoupon;
    std::function<void(QWidget* parent)> printerSetup;
    // A row or a coupon was deleted: the system counts as changed from this
    // moment, before the question whether to keep the changes (the owner of the
    // document marks it modified). Adding a row does not call it.
    std::function<void()> systemModified;
};

class TfrmView : public QDialog {
    Q_OBJECT
public:
    // Works on a copy of doc.Rader; doc is read for N, the result row and the
    // system type, and never changed.
    TfrmView(const core::TVinraFile& doc, int rowsPerCoupon, Prompter& prompter, CouponViewerHooks hooks = {},
             QWidget* parent = nullptr);

    const std::vector<std::string>& Rows() const { return model_.Rows(); }
    bool Changed() const { return model_.Changed(); }
    int Coupon() const { return model_.Current(); }
    int CouponCount() const { return model_.PageCount(); }

    // Navigation (buttons, context menu, the coupon list).
    void ShowCoupon(int k);
    void FirstClick() { ShowCoupon(1); }
    void PriorClick() { ShowCoupon(Coupon() - 1); }
    void NextClick() { ShowCoupon(Coupon() + 1); }
    void LastClick() { ShowCoupon(CouponCount()); }

    // The coupon column (1..R) the user clicked last; 0 for none. A click on
    // the grid sets it; the delete commands act on it.
    int ClickedColumn() const { return clicked_; }
    void SetClickedColumn(int couponColumn);

    void InsertRowClick();
    void DeleteRowClick();
    void DeleteCouponClick();
    void PrintCouponClick();
    void PrinterSetupClick();

    // For tests and the screen grabs.
    QTableWidget* Grid() const { return grid_; }
    QComboBox* CouponList() const { return couponList_; }
    QLabel* TitleLabel() const { return title_; }
    QAction* Action(const QString& objectName) const;
    QPushButton* Button(const QString& objectName) const;
    // The context menu as it would open now (delete items follow the clicked column).
    QMenu* ContextMenu();
    // Grid position of match m (1..N) and box (1..3R), and of the right count
    // of coupon column j.
    static int MatchLine(int m) { return m + 1; }
    int RightLine() const { return matches_ + 2; }
    static int GridColumn(int couponColumn, int box) { return 3 * (couponColumn - 1) + box; }

private:
    void build();
    void redisplay();
    void updateActions();
    void warnSingleRowSystem();
    void gridClicked(int line, int column);

    output::CouponViewModel model_;
    Prompter& prompter_;
    CouponViewerHooks hooks_;
    std::string facit_;
    std::string systemTyp_;
    int matches_ = 13;
    int clicked_ = 0;

    QTableWidget* grid_ = nullptr;
    QLabel* title_ = nullptr;
    QComboBox* couponList_ = nullptr;
    QMenu* menu_ = nullptr;
};

struct ViewCouponsResult {
    std::vector<std::string> rows;  // the edited copy
    bool changed = false;
};

// The View coupons command: opens the viewer (modal) on a copy of doc.Rader,
// R rows to a coupon, and gives back the copy and whether it was edited.
ViewCouponsResult RunCouponViewer(QWidget* parent, const core::TVinraFile& doc, int rowsPerCoupon, Prompter& prompter,
                                  CouponViewerHooks hooks = {});

// After the viewer: when it changed the rows, asks message 284 "Do you want
// to keep the changes?". Yes makes the copy the system's rows and the system
// an own system (SystemTyp "E") and returns true: the caller then marks the
// system modified and refreshes its row count and status bar. No (or no
// change) leaves doc untouched and returns false.
bool KeepCouponChanges(QWidget* parent, core::TVinraFile& doc, const ViewCouponsResult& result, Prompter& prompter);

}  // namespace vinra::ui
