#pragma once
// The recount done the plain way: row strings, one message formatted per row,
// keys built as text and sorted as text. It is the definition the packed
// RowChecker must match; the tests compare the two on random systems and the
// benchmark times one against the other.
#include <algorithm>
#include <string>
#include <vector>

#include "checking/engine.h"
#include "reduction/conditions.h"

namespace vinra::checking::reference {

inline bool LessTextNoCase(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}

inline CheckResult CheckRowsPlain(const core::TVinraFile& doc, int couponColumns, const core::DisplaySigns& signs,
                                  const CheckMessages& messages = {}) {
    const int n = std::clamp(doc.MatchCount, 0, core::kMaxMatches);
    const std::string facit = doc.Facit.substr(0, static_cast<size_t>(n));
    const int cols = ClampCouponColumns(couponColumns);
    const std::string displayFacit = core::SignsToDisplay(facit, signs);

    CheckResult res;
    res.matchCount = n;
    res.counts.assign(static_cast<size_t>(n) + 1, 0);
    std::vector<std::string> hints(static_cast<size_t>(n) + 1), keys;
    for (size_t i = 0; i < doc.Rader.size(); ++i) {
        const std::string& row = doc.Rader[i];
        const int k = reduction::CountEqualSigns(row, facit);
        ++res.counts[static_cast<size_t>(k)];
        res.best = std::max(res.best, k);
        const int j = static_cast<int>(i) + 1;
        const int coupon = (j + cols - 1) / cols;
        const int onCoupon = (j - 1) % cols + 1;
        if (res.counts[static_cast<size_t>(k)] <= kMaxHintRows)
            hints[static_cast<size_t>(k)] +=
                FormatMessage(messages.couponRow, {std::to_string(coupon), std::to_string(onCoupon)});
        else if (res.counts[static_cast<size_t>(k)] == kMaxHintRows + 1)
            hints[static_cast<size_t>(k)] += kHintMore;
        if (k > 9)
            res.winningLines.push_back(FormatMessage(
                messages.winningRow,
                {std::to_string(k), std::to_string(coupon), std::to_string(onCoupon), std::to_string(j)}));
        std::string wrong = std::to_string(n - k);
        if (wrong.size() == 1) wrong = "0" + wrong;
        const int64_t goals =
            GoalsToRow(core::SignsToDisplay(row, signs), displayFacit, doc.HGoal, doc.AGoal, signs.draw);
        keys.push_back(wrong + " \t " + std::to_string(goals) + " \t " + std::to_string(i));
    }
    std::sort(res.winningLines.begin(), res.winningLines.end(), LessTextNoCase);
    std::sort(keys.begin(), keys.end(), LessTextNoCase);
    res.hints = std::move(hints);
    res.bestKeys = std::move(keys);
    return res;
}

}  // namespace vinra::checking::reference
