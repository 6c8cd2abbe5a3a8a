#pragma once
// The warranty tally done the slow, obvious way: string rows, every outcome
// compared with every row, character by character. The fast tally is checked
// and timed against this.
#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "reduction/warranty.h"

namespace vinra::reduction::plain {

inline int CountEqualSigns(const std::string& a, const std::string& b) {
    int equal = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] == b[i]) ++equal;
    return equal;
}

inline WarrantyTable TallyWarranty(const std::vector<std::string>& outcomes, const std::vector<std::string>& rows,
                                   int n, const std::atomic<bool>* cancel = nullptr) {
    WarrantyTable table;
    table.total = static_cast<int64_t>(outcomes.size());
    std::unordered_map<std::string, size_t> index;
    std::vector<int64_t> h(static_cast<size_t>(n) + 1);
    for (const std::string& o : outcomes) {
        std::fill(h.begin(), h.end(), 0);
        for (const std::string& r : rows) {
            if (cancel && cancel->load()) {
                table.complete = false;
                return table;
            }
            h[CountEqualSigns(o, r)] += 1;
        }
        const std::string key = WarrantyKey(h[n], h[n - 1], h[n - 2], h[n - 3]);
        auto [it, added] = index.emplace(key, table.keys.size());
        if (added) {
            table.keys.push_back(key);
            table.counts.push_back(1);
        } else {
            table.counts[it->second] += 1;
        }
    }
    return table;
}

// Every row of a frame in expansion order (first match slowest, signs ascending).
inline std::vector<std::string> ExpandFrame(const std::vector<std::string>& signsPerMatch) {
    std::vector<std::string> rows{""};
    for (const std::string& signs : signsPerMatch) {
        std::vector<std::string> next;
        for (const std::string& r : rows)
            for (char c : signs) next.push_back(r + c);
        rows.swap(next);
    }
    return rows;
}

}  // namespace vinra::reduction::plain
