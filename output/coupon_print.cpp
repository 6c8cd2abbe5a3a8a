#include "output/coupon_print.h"

#include <algorithm>

#include "core/messages.h"

namespace vinra::output {

namespace {

int ClampRows(int r) { return std::clamp(r, 1, kMaxRowsPerCoupon); }

const std::string& SignString(int s, const core::DisplaySigns& signs) {
    return s == 0 ? signs.home : s == 1 ? signs.draw : signs.away;
}

void BeginCouponDoc(PageComposer& c, const CouponJob& job, int progressMax) {
    c.BeginDoc(core::Msg(444), progressMax);
    c.SetFont(job.layout.font);
    DefineCouponColumns(c, job);
}

}  // namespace

int CouponCount(int totalRows, int rowsPerCoupon) {
    if (totalRows <= 0) return 0;
    const int r = std::max(1, rowsPerCoupon);
    return (totalRows + r - 1) / r;
}

int RowsToPrint(int from, int to, int totalRows, int rowsPerCoupon) {
    const int r = std::max(1, rowsPerCoupon);
    const int k = CouponCount(totalRows, r);
    if (to == k && totalRows % r != 0) return totalRows % r + (to - from) * r;
    return (to - from + 1) * r;
}

std::vector<CouponPlan> PlanCoupons(int from, int to, int rowsToPrint, int totalRows, int rowsPerCoupon) {
    std::vector<CouponPlan> out;
    const int r = std::max(1, rowsPerCoupon);
    const int k = CouponCount(totalRows, r);
    // Never past the row list, whatever the caller's numbers say.
    const int last = std::min((from - 1) * r + std::max(0, rowsToPrint), totalRows);
    int g = (from - 1) * r;
    for (int i = from; i <= to && g < last; ++i) {
        int holds = r;
        if (totalRows % r == 1 && to == k && i == k - 1) holds = r - 1;
        const int count = std::min(holds, last - g);
        out.push_back({i, g, count});
        g += count;
    }
    return out;
}

void DefineCouponColumns(PageComposer& c, const CouponJob& job) {
    const CouponLayout& l = job.layout;
    const int r = ClampRows(l.rowsPerCoupon);
    for (int j = 1; j <= r; ++j) {
        const double shift = job.marginLeft + (j - 1) * l.kolumnAvstand;
        c.DefineColumn(3 * j - 2, l.startBredd1 + shift, l.kolumnBredd);
        c.DefineColumn(3 * j - 1, l.startBreddX + shift, l.kolumnBredd);
        c.DefineColumn(3 * j, l.startBredd2 + shift, l.kolumnBredd);
    }
}

bool PrintCoupons(PageComposer& c, const CouponJob& job, int from, int to, int rowsToPrint,
                  const std::atomic<bool>* cancel) {
    const CouponLayout& l = job.layout;
    const int r = ClampRows(l.rowsPerCoupon);
    const int total = static_cast<int>(job.rows.size());
    const int k = CouponCount(total, r);
    const int n = std::clamp(job.matchCount, 1, core::kMaxMatches);
    BeginCouponDoc(c, job, to);

    const std::vector<CouponPlan> plan = PlanCoupons(from, to, rowsToPrint, total, r);
    for (size_t p = 0; p < plan.size(); ++p) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        const CouponPlan& coupon = plan[p];
        c.Progress(coupon.coupon);
        for (const CheckBoxDef& box : l.checkBoxes)
            if (box.print) c.TextAt(box.y + job.marginTop, box.x + job.marginLeft, l.printChar);
        c.TextAt(l.namnY + job.marginTop, l.namnX + job.marginLeft,
                 "VR 2K: " + std::to_string(coupon.coupon) + "/" + std::to_string(k));
        for (int j = 1; j <= coupon.rowCount; ++j) {
            const std::string& row = job.rows[coupon.firstRow + j - 1];
            for (int m = 1; m <= n; ++m) {
                // A row shorter than the round has no mark for the missing matches.
                if (m > static_cast<int>(row.size())) break;
                const char code = row[m - 1];
                const int s = code == '0' ? 0 : code == '1' ? 1 : 2;
                c.SetLine(l.startHojd + job.marginTop + (m - 1) * l.hojdOkning);
                c.TextCentreInColumn(3 * (j - 1) + s + 1,
                                     job.useXWhenPrinting ? l.printChar : SignString(s, job.signs));
            }
        }
        if (p + 1 < plan.size()) c.NewPage();
    }
    c.EndDoc();
    return true;
}

void PrintTestPage(PageComposer& c, const CouponJob& job) {
    const CouponLayout& l = job.layout;
    const int r = ClampRows(l.rowsPerCoupon);
    const int n = std::clamp(job.matchCount, 1, core::kMaxMatches);
    BeginCouponDoc(c, job, 1);
    for (const CheckBoxDef& box : l.checkBoxes) c.TextAt(box.y + job.marginTop, box.x + job.marginLeft, l.printChar);
    for (int col = 1; col <= 3 * r; ++col) {
        const int s = (col - 1) % 3;
        for (int m = 1; m <= n; ++m) {
            c.SetLine(l.startHojd + job.marginTop + (m - 1) * l.hojdOkning);
            c.TextCentreInColumn(col, SignString(s, job.signs));
        }
    }
    c.TextAt(l.namnY + job.marginTop, l.namnX + job.marginLeft, core::Msg(445));
    c.EndDoc();
}

SignShareTable SignShares(const core::RowList& rows) {
    SignShareTable t;
    if (rows.IsPacked()) {
        const int len = rows.Width();
        for (const core::PackedRow p : rows.Words())
            for (int m = 0; m < len; ++m) ++t.count[m][core::PackedSign(p, m)];
    } else {
        for (const std::string& row : rows) {
            const size_t len = std::min(row.size(), static_cast<size_t>(core::kMaxMatches));
            for (size_t m = 0; m < len; ++m) {
                const char c = row[m];
                if (c >= '0' && c <= '2') ++t.count[m][c - '0'];
            }
        }
    }
    t.total = t.count[0][0] + t.count[0][1] + t.count[0][2];
    long long sums[3] = {0, 0, 0};
    long long all = 0;
    for (int m = 0; m < core::kMaxMatches; ++m) {
        for (int s = 0; s < 3; ++s) {
            sums[s] += t.count[m][s];
            all += t.count[m][s];
            if (t.total == 0) continue;
            // count * 100 / total to the nearest integer, halves to the even neighbour.
            const long long num = static_cast<long long>(t.count[m][s]) * 100;
            long long q = num / t.total;
            const long long rem = num % t.total;
            if (2 * rem > t.total || (2 * rem == t.total && q % 2 == 1)) ++q;
            t.share[m][s] = static_cast<int>(q);
        }
    }
    for (int s = 0; s < 3; ++s) t.overallShare[s] = all == 0 ? 0 : static_cast<int>(sums[s] * 100 / all);
    return t;
}

}  // namespace vinra::output
