#include "output/coupon_view_model.h"

#include <algorithm>

#include "checking/engine.h"

namespace vinra::output {
namespace {

// Splits UTF-8 text into its characters (code points), each as its bytes, so a
// pool whose display strings are not ASCII is measured and compared correctly.
std::vector<std::string_view> Characters(std::string_view text) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t len = 1;
        if (lead >= 0xF0) len = 4;
        else if (lead >= 0xE0) len = 3;
        else if (lead >= 0xC0) len = 2;
        len = std::min(len, text.size() - i);
        out.push_back(text.substr(i, len));
        i += len;
    }
    return out;
}

}  // namespace

CouponMark MarkOf(char code, const core::DisplaySigns& signs) {
    switch (code) {
        case '0': return {0, signs.home};
        case '1': return {1, signs.draw};
        case '2': return {2, signs.away};
        default: return {0, std::string(1, code)};
    }
}

int RightCount(std::string_view row, std::string_view facit) {
    const size_t n = std::min(row.size(), facit.size());
    int count = 0;
    for (size_t i = 0; i < n; ++i)
        if (row[i] == facit[i]) ++count;
    return count;
}

TypedRowCheck CheckTypedRow(std::string_view typed, int n, const core::DisplaySigns& signs) {
    const auto chars = Characters(typed);
    if (static_cast<int>(chars.size()) != n) return {482, {}};
    TypedRowCheck result;
    result.codes.reserve(chars.size());
    for (std::string_view ch : chars) {
        if (ch == signs.home) result.codes += '0';
        else if (ch == signs.draw) result.codes += '1';
        else if (ch == signs.away) result.codes += '2';
        else return {483, {}};
    }
    return result;
}

CouponViewModel::CouponViewModel(std::vector<std::string> rows, int rowsPerCoupon)
    : rows_(std::move(rows)), perCoupon_(checking::ClampCouponColumns(rowsPerCoupon)) {}

int CouponViewModel::CouponCount() const { return static_cast<int>((rows_.size() + perCoupon_ - 1) / perCoupon_); }

int CouponViewModel::PageCount() const { return std::max(1, CouponCount()); }

void CouponViewModel::SetCurrent(int k) { current_ = std::clamp(k, 1, PageCount()); }

int CouponViewModel::RowsOnCoupon(int k) const {
    if (k < 1 || k > CouponCount()) return 0;
    const size_t first = static_cast<size_t>(k - 1) * perCoupon_;
    return static_cast<int>(std::min<size_t>(perCoupon_, rows_.size() - first));
}

int CouponViewModel::RowIndex(int k, int p) const {
    if (p < 1 || p > RowsOnCoupon(k)) return -1;
    return (k - 1) * perCoupon_ + (p - 1);
}

const std::string* CouponViewModel::RowAt(int p) const {
    const int g = RowIndex(current_, p);
    return g < 0 ? nullptr : &rows_[g];
}

bool CouponViewModel::DeleteRow(int p) {
    const int g = RowIndex(current_, p);
    if (g < 0) return false;
    rows_.erase(rows_.begin() + g);
    changed_ = true;
    SetCurrent(current_);  // past the new last coupon: show the last one
    return true;
}

int CouponViewModel::DeleteCoupon() {
    const int count = RowsOnCoupon(current_);
    if (count == 0) return 0;
    const auto first = rows_.begin() + static_cast<ptrdiff_t>(current_ - 1) * perCoupon_;
    rows_.erase(first, first + count);
    changed_ = true;
    SetCurrent(current_ > 1 ? current_ - 1 : 1);
    return count;
}

bool CouponViewModel::InsertRow(const std::string& codes) {
    if (std::find(rows_.begin(), rows_.end(), codes) != rows_.end()) return false;
    rows_.push_back(codes);
    changed_ = true;
    SetCurrent(PageCount());
    return true;
}

}  // namespace vinra::output
