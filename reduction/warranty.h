#pragma once
// The warranty of a system: for every outcome the player may face (every row of
// the frame that passes the system's conditions), how many of the system's rows
// score N, N-1, N-2 and N-3 against it. Outcomes with the same four counts form
// one class; the table lists the classes and how many outcomes fall in each.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/packed_row.h"

namespace vinra::reduction {

struct WarrantyTable {
    std::vector<std::string> keys;   // class keys "aa-b-cc-dd" in first-met order over the outcomes
    std::vector<int64_t> counts;     // outcomes per key
    int64_t total = 0;               // outcomes tallied
    // False when the tally was cancelled: such a table covers only part of the
    // outcomes and must never be stored as the system's warranty.
    bool complete = true;
};

// Tallies the warranty classes. outcomes are packed rows of n matches in
// expansion order (ascending); systemRows are packed rows of n matches.
// cancel (may be null) stops the tally early (complete = false); tested (may be
// null) receives the number of outcomes handled so far. Throws
// std::invalid_argument for n < 3 or n > 30.
WarrantyTable TallyWarranty(const std::vector<core::PackedRow>& outcomes,
                            const std::vector<core::PackedRow>& systemRows, int n,
                            const std::atomic<bool>* cancel, std::atomic<int64_t>* tested);

}  // namespace vinra::reduction
