#pragma once
// Rows on the operators' paper coupons: which rows go on which coupon, where
// every cross goes, the test page that marks every box, and the sign shares of
// a row list.
//
// A coupon has R row columns (RowsPerCoupon, 1..16); rows are taken in list
// order, coupon k starting with row (k-1)*R + 1. When the last coupon would get
// a single row, the coupon before it gives up its last row so the last coupon
// holds two (the single-row rule; it applies when a run ends at the last coupon).
#include <array>
#include <atomic>
#include <string>
#include <vector>

#include "core/row_list.h"
#include "core/signs.h"
#include "output/coupon_layout.h"
#include "output/page.h"

namespace vinra::output {

// Number of coupons for T rows with R rows a coupon (T / R rounded up; 0 rows, 0
// coupons). R below 1 counts as 1.
int CouponCount(int totalRows, int rowsPerCoupon);

// Rows a run from..to prints (1 <= from <= to <= K): the rows of the whole
// coupons plus the remainder when the run ends at the last coupon.
int RowsToPrint(int from, int to, int totalRows, int rowsPerCoupon);

// What one coupon of a run holds: firstRow is 0-based in the row list.
struct CouponPlan {
    int coupon = 0;
    int firstRow = 0;
    int rowCount = 0;
};
// The coupons of a run and their rows, with the single-row rule applied; stops
// at the end of the row list.
std::vector<CouponPlan> PlanCoupons(int from, int to, int rowsToPrint, int totalRows, int rowsPerCoupon);

// Everything a coupon print needs besides the run.
struct CouponJob {
    std::vector<std::string> rows;
    int matchCount = core::kDefaultMatches;
    core::DisplaySigns signs;
    CouponLayout layout;
    // The printer's correction in inches (Left, Top of its settings / 25.4).
    double marginLeft = 0;
    double marginTop = 0;
    // "Use X as print character": every mark is the layout's PrintChar.
    bool useXWhenPrinting = false;
};

// The print columns of a layout: column 3j-2, 3j-1, 3j hold home, draw and away
// of coupon column j. Exposed so tests can tell where a mark lies.
void DefineCouponColumns(PageComposer& composer, const CouponJob& job);

// Coupons from..to (validated by the caller) with rowsToPrint rows. cancel,
// when given, is read before every coupon: once set the run stops and gives
// false (the document is then incomplete and must not be printed).
bool PrintCoupons(PageComposer& composer, const CouponJob& job, int from, int to, int rowsToPrint,
                  const std::atomic<bool>* cancel = nullptr);
// One page that marks every box of a coupon with its own sign and every check box.
void PrintTestPage(PageComposer& composer, const CouponJob& job);

// Per match and sign: how many rows hold the sign and its share in percent.
struct SignShareTable {
    int total = 0;  // number of rows
    std::array<std::array<int, 3>, core::kMaxMatches> count{};
    std::array<std::array<int, 3>, core::kMaxMatches> share{};  // rounded, halves to even
    std::array<int, 3> overallShare{};                          // over all matches, integer division
};
SignShareTable SignShares(const core::RowList& rows);

}  // namespace vinra::output
