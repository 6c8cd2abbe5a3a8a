#include "reduction/red_guarantee.h"

#include <algorithm>
#include <stdexcept>

#include "core/messages.h"
#include "core/packed_row.h"
#include "reduction/covering_codes.h"
#include "reduction/row_generation.h"
#include "reduction/warranty.h"

namespace vinra::reduction {

namespace {

constexpr int kMsgGuarantee = 1700;  // "%d rows: %d right guaranteed if all singles are right."
constexpr int kMsgUHeader = 1701;    // "%d rows. Right guaranteed if all singles are right:"
constexpr int kMsgUAllRight = 1702;  // "all S-signs right: %d right"
constexpr int kMsgUWrong = 1703;     // "%d S-signs wrong: %d right"
constexpr int kMsgTooManyOutcomes = 3425;
constexpr int kMsgAboveKnown = 3802;  // "Best known system for these guards: %d rows; this one has %d more."
constexpr int kMsgKnownSize = 3803;   // "Smallest size known for these guards: %d rows."

std::string Text(int number, const char* english) {
    std::string t = core::Msg(number);
    return t.empty() ? std::string(english) : t;
}

}  // namespace

RedGuarantee ComputeRedGuarantee(const RedSystem& system, int n, const std::atomic<bool>* cancel) {
    ValidateRedSystem(system, n);
    RedGuarantee g;
    g.n = n;
    g.rows = system.rows();
    g.full = system.info.full;
    g.half = system.info.half;
    g.uSystem = system.info.type == 'U';
    const int singles = n - g.full - g.half;
    uint64_t space = 1;
    for (int i = 0; i < g.full; ++i) space *= 3;
    for (int i = 0; i < g.half; ++i) space *= 2;
    if (space > 1594323)
        throw std::invalid_argument(
            Text(kMsgTooManyOutcomes, "The system has too many outcomes to work out its guarantee."));

    // Singles home, half guards home and draw, full guards all three; the U
    // sign (when there is one) is home on every guarded match, so a wrong U
    // sign is any other sign there.
    SystemCoupon coupon(n);
    std::vector<std::string> frame;
    for (int i = 0; i < n; ++i) {
        const int marks = i < singles ? 1 : i < singles + g.half ? 2 : 3;
        for (int s = 0; s < marks; ++s) coupon.ToggleMark(i, s);
        frame.push_back(std::string("012").substr(0, static_cast<size_t>(marks)));
    }
    coupon.ChooseSystem(system.name);
    if (g.uSystem)
        for (int i = singles; i < n; ++i) coupon.ClickU(i, 0);
    const SystemCoupon::Result result = coupon.Apply(system);

    ConditionSet none = NewConditionSet(n);
    none.flags.fill(false);
    const std::vector<core::PackedRow> outcomes = ExpandFrame(frame, n, none, {}, nullptr, nullptr);
    std::vector<core::PackedRow> rows;
    rows.reserve(result.rows.size());
    for (const auto& r : result.rows) rows.push_back(core::PackRow(r));
    std::vector<OutcomeCounts> counts;
    if (!CountsPerOutcome(outcomes, rows, n, counts, cancel)) {
        g.complete = false;
        return g;
    }

    g.guaranteed = n;
    if (g.uSystem) g.byMisses.assign(static_cast<size_t>(g.full + g.half + 1), n);
    for (size_t o = 0; o < outcomes.size(); ++o) {
        int best = n - 4;
        for (int k = 0; k < 4; ++k)
            if (counts[o][static_cast<size_t>(k)] > 0) {
                best = n - k;
                break;
            }
        g.guaranteed = std::min(g.guaranteed, best);
        if (g.uSystem) {
            const std::string row = core::UnpackRow(outcomes[o], n);
            const auto misses = std::count_if(row.begin() + singles, row.end(), [](char c) { return c != '0'; });
            auto& slot = g.byMisses[static_cast<size_t>(misses)];
            slot = std::min(slot, best);
        }
    }
    return g;
}

// How the system stands against the best known covering of its guards and
// guarantee (empty when no figure is known).
std::string KnownSizeLine(const RedGuarantee& g) {
    const int wrong = g.n - g.guaranteed;
    if (wrong < 1 || wrong > 2) return {};
    const uint32_t known = BestKnownCoveringSize(g.full, g.half, wrong);
    if (known == 0) return {};
    if (static_cast<uint32_t>(g.rows) <= known)
        return core::FormatMsg(Text(kMsgKnownSize, "Smallest size known for these guards: %d rows."),
                               {static_cast<long long>(known)});
    return core::FormatMsg(Text(kMsgAboveKnown, "Best known system for these guards: %d rows; this one has %d more."),
                           {static_cast<long long>(known), static_cast<long long>(g.rows - static_cast<int>(known))});
}

std::vector<std::string> GuaranteeLines(const RedGuarantee& g) {
    std::vector<std::string> lines;
    const std::string known = KnownSizeLine(g);
    if (!g.uSystem) {
        lines.push_back(core::FormatMsg(Text(kMsgGuarantee, "%d rows: %d right guaranteed if all singles are right."),
                                        {static_cast<long long>(g.rows), static_cast<long long>(g.guaranteed)}));
        if (!known.empty()) lines.push_back(known);
        return lines;
    }
    lines.push_back(core::FormatMsg(Text(kMsgUHeader, "%d rows. Right guaranteed if all singles are right:"),
                                    {static_cast<long long>(g.rows)}));
    for (size_t k = 0; k < g.byMisses.size(); ++k) {
        if (k == 0)
            lines.push_back(core::FormatMsg(Text(kMsgUAllRight, "all S-signs right: %d right"),
                                            {static_cast<long long>(g.byMisses[0])}));
        else
            lines.push_back(core::FormatMsg(Text(kMsgUWrong, "%d S-signs wrong: %d right"),
                                            {static_cast<long long>(k), static_cast<long long>(g.byMisses[k])}));
    }
    if (!known.empty()) lines.push_back(known);
    return lines;
}

}  // namespace vinra::reduction
