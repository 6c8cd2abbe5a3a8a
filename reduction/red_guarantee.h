#pragma once
// What a reduced system guarantees, worked out from its rows by the warranty
// engine rather than taken from its name: the system is played on a base row of
// its own size (singles, then half, then full guards) and every outcome of that
// frame is tallied. The system coupon shows the result in plain words beside
// the list of systems.
#include <atomic>
#include <string>
#include <vector>

#include "reduction/reduced_system.h"

namespace vinra::reduction {

struct RedGuarantee {
    int n = 0;
    int rows = 0;
    int full = 0, half = 0;
    bool uSystem = false;
    // Right guaranteed when every single is right; below n - 3 the engine does
    // not count, which shows as n - 4.
    int guaranteed = 0;
    // U-systems: byMisses[k] is the right guaranteed when the result differs
    // from the U sign in k of the guarded matches (k = 0 .. full + half).
    std::vector<int> byMisses;
    bool complete = true;  // false when the tally was cancelled
};

// Throws RedError when the system does not fit n matches; larger spaces than
// 3^13 outcomes are refused (std::invalid_argument): no shipped system is near.
// A large system takes a while: cancel (may be null) stops the tally, and the
// result then has complete = false and must not be shown.
RedGuarantee ComputeRedGuarantee(const RedSystem& system, int n, const std::atomic<bool>* cancel = nullptr);

// The guarantee in plain words of the current language, one line each:
// "9 rows: 12 right guaranteed if all singles are right." and, for a U-system,
// one line per number of wrong U signs.
std::vector<std::string> GuaranteeLines(const RedGuarantee& g);

}  // namespace vinra::reduction
