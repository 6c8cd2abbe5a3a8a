#pragma once
// The rules of the coupon viewer without any toolkit: a working copy of the
// system's rows laid out R to a coupon, the current coupon, and the edits the
// user may make to the copy (delete a row, delete a coupon, add a typed row).
// The window shows what this model says and asks the questions; nothing here
// touches the system document, which takes the copy back only when the user
// agrees.
#include <string>
#include <string_view>
#include <vector>

#include "core/signs.h"

namespace vinra::output {

// Where one sign of a row goes in its coupon column: the box (0 home, 1 draw,
// 2 away) and the text shown there. An unexpected code is shown as it is, in
// the home box, so a damaged row is visible rather than hidden.
struct CouponMark {
    int box = 0;
    std::string text;
};
CouponMark MarkOf(char code, const core::DisplaySigns& signs);

// Positions where row and result row hold the same character, over the
// shorter of the two.
int RightCount(std::string_view row, std::string_view facit);
// The right count is shown green from this many right on, red below.
inline constexpr int kGoodRightCount = 10;

// A typed row checked against the pool's display strings. message is 0 when
// the row is good (codes then holds it as sign codes), 482 when its length is
// not N, 483 when a character is not one of the three display strings. The
// text is expected upper-cased already; characters are counted as code points.
struct TypedRowCheck {
    int message = 0;
    std::string codes;
};
TypedRowCheck CheckTypedRow(std::string_view typed, int n, const core::DisplaySigns& signs);

class CouponViewModel {
public:
    // rowsPerCoupon outside 1..16 counts as 12, as everywhere coupons are laid out.
    CouponViewModel(std::vector<std::string> rows, int rowsPerCoupon);

    const std::vector<std::string>& Rows() const { return rows_; }
    int RowsPerCoupon() const { return perCoupon_; }
    // K: rows / R rounded up; 0 without rows.
    int CouponCount() const;
    // Coupons the viewer can page through: K, but at least one (an empty
    // copy shows one empty coupon to which rows can be added).
    int PageCount() const;
    int Current() const { return current_; }
    // Clamped to 1..PageCount().
    void SetCurrent(int k);

    // Rows shown on coupon k (0 for a coupon that does not exist).
    int RowsOnCoupon(int k) const;
    // Index into Rows() of row p (1-based) of coupon k, or -1 when there is none.
    int RowIndex(int k, int p) const;
    // Row p (1-based) of the current coupon, or nullptr.
    const std::string* RowAt(int p) const;

    // Set by every edit; read when the viewer closes.
    bool Changed() const { return changed_; }

    // Removes row p of the current coupon; false when there is no such row.
    // When the current coupon no longer exists the view moves to the last one.
    bool DeleteRow(int p);
    // Removes exactly the rows shown on the current coupon and moves to the
    // previous coupon when there is one. Gives the number of rows removed.
    int DeleteCoupon();
    // Appends a row (sign codes) and shows the last coupon. False, and no
    // change, when the row is already in the copy.
    bool InsertRow(const std::string& codes);

private:
    std::vector<std::string> rows_;
    int perCoupon_ = 12;
    int current_ = 1;
    bool changed_ = false;
};

}  // namespace vinra::output
