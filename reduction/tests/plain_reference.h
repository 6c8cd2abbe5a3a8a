#pragma once
// Plain implementations of the engine's algorithms, written the simple way on
// row strings, loop for loop. Tests check the fast paths against them and the
// benchmarks time them as the reference.
#include <string>
#include <vector>

#include "core/signs.h"
#include "reduction/conditions.h"

namespace vinra::reduction::plain {

// Every row of the frame that passes RowPassesConditions, first match slowest.
inline std::vector<std::string> ExpandFrame(const std::vector<std::string>& frame, int n, const ConditionSet& c,
                                            const PercentTables& t) {
    std::vector<std::string> signs;
    for (int m = 0; m < n; ++m) signs.push_back(core::EntrySigns(frame[static_cast<size_t>(m)]));
    std::vector<std::string> out;
    std::string row(static_cast<size_t>(n), '0');
    std::vector<size_t> digit(static_cast<size_t>(n), 0);
    for (int m = 0; m < n; ++m) row[static_cast<size_t>(m)] = signs[static_cast<size_t>(m)][0];
    for (;;) {
        if (RowPassesConditions(row, c, t)) out.push_back(row);
        int m = n - 1;
        for (; m >= 0; --m) {
            const size_t um = static_cast<size_t>(m);
            if (++digit[um] < signs[um].size()) {
                row[um] = signs[um][digit[um]];
                break;
            }
            digit[um] = 0;
            row[um] = signs[um][0];
        }
        if (m < 0) return out;
    }
}

// The greedy row difference as a quadratic pass over the list.
inline void ApplyRowDifference(std::vector<std::string>& rows, int n, int d, const std::string& startRow) {
    if (!startRow.empty()) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i] == startRow) {
                rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        rows.insert(rows.begin(), startRow);
    }
    const int limit = n - d;
    for (size_t i = 0; i + 1 < rows.size(); ++i)
        for (size_t j = rows.size() - 1; j > i; --j)
            if (CountEqualSigns(rows[j], rows[i]) > limit) rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(j));
}

}  // namespace vinra::reduction::plain
