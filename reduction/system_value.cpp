#include "reduction/system_value.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include <fmt/format.h>

#include "core/messages.h"
#include "core/packed_row.h"
#include "core/text.h"
#include "reduction/warranty.h"

namespace vinra::reduction {

namespace {

// The three values of a match normalised to sum 1; false when they cannot be
// (a missing or negative value, or all zero).
bool Normalised(const std::array<double, 3>& v, std::array<double, 3>& out) {
    const double sum = v[0] + v[1] + v[2];
    if (!(sum > 0) || v[0] < 0 || v[1] < 0 || v[2] < 0) return false;
    for (int s = 0; s < 3; ++s) out[s] = v[s] / sum;
    return true;
}

bool AllPositive(const std::array<double, 3>& v) { return v[0] > 0 && v[1] > 0 && v[2] > 0; }

// One match of the people's polynomial: (q + (1 - q) x) times the running
// product, cut at x^3 (the coefficient of x^k is the chance of k wrong).
inline void Multiply(const double* in, double q, double* out) {
    out[0] = in[0] * q;
    for (int k = 1; k < 4; ++k) out[k] = in[k] * q + in[k - 1] * (1 - q);
}

}  // namespace

std::string ReturnClassLabel(const ReturnClass& c, size_t index, int languageBase) {
    auto msg = [&](int number, const std::vector<core::MsgArg>& args) {
        return core::FormatMsg(core::MsgIn(languageBase, number), args);
    };
    auto whole = [](double x) { return core::GroupDigits(static_cast<int64_t>(std::llround(x))); };
    if (index == 0) return msg(1416, {});              // "No win"
    if (c.from == 0) return msg(1425, {whole(c.to)});  // "under %s"
    if (c.to == 0) return msg(1426, {whole(c.from)});  // "%s or more"
    return whole(c.from) + "\u2013" + whole(c.to);
}

std::string ProbabilityText(double p) {
    const double pc = p * 100;
    // Small chances with more decimals, so they do not read as none.
    return core::FormatMsg(pc == 0 || pc >= 0.01 ? "%.2f %%" : "%.4f %%", {pc});
}

std::vector<std::string> SystemValueLines(const SystemValue& value, const ValueModel& model, int languageBase) {
    auto msg = [&](int number, const std::vector<core::MsgArg>& args) {
        return core::FormatMsg(core::MsgIn(languageBase, number), args);
    };
    std::vector<std::string> lines;
    if (!value.complete) return lines;
    for (int k = 0; k < 4; ++k)
        lines.push_back(msg(1411, {static_cast<long long>(value.n - k)}) + ": " + ProbabilityText(value.bestChance[k]));
    lines.push_back(msg(1412, {core::FormatMsg("%.3f", {value.returnPerKrona})}));
    const std::string turnover = core::GroupDigits(static_cast<int64_t>(std::llround(model.turnover)));
    lines.push_back(msg(model.turnoverKnown ? 1421 : 1422, {turnover}));
    lines.push_back(msg(1427, {}));
    return lines;
}

void ValueRun::Run(const std::atomic<bool>* cancel, std::atomic<int64_t>* done, std::atomic<int64_t>* total) noexcept {
    error.clear();
    value = {};
    try {
        if (total) {
            int64_t t = 1;
            for (int m = 0; m < model.n && m < kMaxValueMatches; ++m) t *= 3;
            total->store(t, std::memory_order_relaxed);
        }
        value = ComputeSystemValue(rows, model, cancel, done);
    } catch (const std::exception& e) {
        error = e.what();
    }
}

double ValueModel::LevelPool(int wrong) const {
    if (wrong < 0 || wrong > 3 || n - wrong < firstWinLevel) return 0;
    double paying = 0;
    for (int k = 0; k < 4; ++k)
        if (n - k >= firstWinLevel) paying += levelShare[k];
    if (!(paying > 0)) return 0;
    return turnover * payoutShare * levelShare[wrong] / paying;
}

ValueModel MarketValueModel(int n, const PercentTable& odds, const PercentTable& bookmaker, const PercentTable& people,
                            double turnover, int firstWinLevel) {
    if (n < 1 || n > core::kMaxMatches) throw std::invalid_argument(fmt::format("value: {} matches", n));
    ValueModel model;
    model.n = n;
    model.firstWinLevel = firstWinLevel;
    if (turnover > 0) {
        model.turnover = turnover;
        model.turnoverKnown = true;
    }
    const std::array<double, 3> even{1.0 / 3, 1.0 / 3, 1.0 / 3};
    for (int m = 0; m < n; ++m) {
        std::array<double, 3> a{}, b{};
        const bool hasA = AllPositive(odds[m]) && Normalised(odds[m], a);
        const bool hasB = AllPositive(bookmaker[m]) && Normalised(bookmaker[m], b);
        auto& p = model.probability[m];
        if (hasA && hasB) {
            for (int s = 0; s < 3; ++s) p[s] = (a[s] + b[s]) / 2;
        } else if (hasA || hasB) {
            p = hasA ? a : b;
        } else {
            ++model.matchesWithoutOdds;
            if (!Normalised(people[m], p)) p = even;
        }
        if (!Normalised(people[m], model.people[m])) {
            ++model.matchesWithoutPeople;
            model.people[m] = even;
        }
    }
    return model;
}

bool NoMarketData(const ValueModel& model) {
    return model.matchesWithoutOdds == model.n && model.matchesWithoutPeople == model.n;
}

RowValueFigures ValueOfRow(std::string_view row, const ValueModel& model) {
    RowValueFigures f;
    if (static_cast<int>(row.size()) != model.n) return f;
    double p = 1, q = 1;
    for (int m = 0; m < model.n; ++m) {
        const int s = row[m] - '0';
        if (s < 0 || s > 2) return {};
        p *= model.probability[m][s];
        q *= model.people[m][s];
    }
    f.probability = p;
    f.otherWinners = model.turnover / model.rowPrice * q;
    f.expectedPayout = model.LevelPool(0) / (1 + f.otherWinners);
    f.value = p * f.expectedPayout / model.rowPrice;
    return f;
}

std::vector<std::string> KeepHighestValue(const std::vector<std::string>& rows, const ValueModel& model, size_t k,
                                          const std::atomic<bool>* cancel, std::atomic<int64_t>* done) {
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (k < rows.size()) {
        std::vector<double> value(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            if (i % 1024 == 0) {
                if (cancel && cancel->load(std::memory_order_relaxed)) return {};
                if (done) done->store(static_cast<int64_t>(i), std::memory_order_relaxed);
            }
            value[i] = ValueOfRow(rows[i], model).value;
        }
        if (done) done->store(static_cast<int64_t>(rows.size()), std::memory_order_relaxed);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return value[a] > value[b]; });
        order.resize(k);
    }
    std::vector<std::string> kept;
    kept.reserve(order.size());
    for (size_t i : order) kept.push_back(rows[i]);
    std::sort(kept.begin(), kept.end());
    return kept;
}

SystemValue ComputeSystemValue(const std::vector<std::string>& rows, const ValueModel& model,
                               const std::atomic<bool>* cancel, std::atomic<int64_t>* done) {
    const int n = model.n;
    if (n < 3 || n > kMaxValueMatches)
        throw std::invalid_argument(
            fmt::format("the value can be computed for 3 to {} matches, not {}", kMaxValueMatches, n));
    if (rows.empty()) throw std::invalid_argument("there are no rows to value");
    std::vector<core::PackedRow> packed;
    packed.reserve(rows.size());
    for (const std::string& r : rows) {
        if (static_cast<int>(r.size()) != n || r.find_first_not_of("012") != std::string::npos)
            throw std::invalid_argument(fmt::format("\"{}\" is not a row of {} matches", r, n));
        packed.push_back(core::PackRow(r));
    }

    SystemValue v;
    v.n = n;
    v.rows = static_cast<int64_t>(rows.size());
    v.stake = static_cast<double>(rows.size()) * model.rowPrice;

    // Every result, ascending (first match slowest), and its counts from the
    // warranty engine.
    uint64_t total = 1;
    for (int m = 0; m < n; ++m) total *= 3;
    std::vector<core::PackedRow> outcomes(total);
    for (uint64_t i = 0; i < total; ++i) {
        uint64_t x = i;
        core::PackedRow p = 0;
        for (int m = n - 1; m >= 0; --m) {
            p |= (x % 3) << core::PackedShift(m);
            x /= 3;
        }
        outcomes[i] = p;
    }
    std::vector<OutcomeCounts> counts;
    if (!CountsPerOutcome(outcomes, packed, n, counts, cancel, nullptr)) return v;
    outcomes = {};

    // Then the results in the same order with their chance and the expected
    // number of other rows with 0..3 wrong, as running products over the matches.
    const double otherRows = model.turnover / model.rowPrice;
    std::array<double, 4> pool{};
    for (int k = 0; k < 4; ++k) pool[k] = model.LevelPool(k);
    std::vector<double> prefP(n + 1, 1.0);
    std::vector<std::array<double, 4>> prefC(n + 1, {1.0, 0, 0, 0});
    std::vector<int> digit(n, 0);
    for (int m = 0; m < n; ++m) {
        prefP[m + 1] = prefP[m] * model.probability[m][0];
        Multiply(prefC[m].data(), model.people[m][0], prefC[m + 1].data());
    }
    std::array<double, 7> classes{};  // no win, then one per edge interval
    double expected = 0;
    for (uint64_t i = 0; i < total; ++i) {
        if ((i & 65535) == 0) {
            if (cancel && cancel->load(std::memory_order_relaxed)) return v;
            if (done) done->store(static_cast<int64_t>(i), std::memory_order_relaxed);
        }
        const double p = prefP[n];
        const OutcomeCounts& h = counts[i];
        double ret = 0;
        int best = -1;
        for (int k = 0; k < 4; ++k) {
            if (h[k] == 0) continue;
            if (best < 0) best = k;
            if (pool[k] > 0) ret += pool[k] * h[k] / (h[k] + otherRows * prefC[n][k]);
        }
        if (best >= 0) v.bestChance[best] += p;
        expected += p * ret;
        const double perKrona = ret / v.stake;
        size_t c = 0;
        if (ret > 0) {
            c = 1;
            while (c <= kReturnEdges.size() && perKrona >= kReturnEdges[c - 1]) ++c;
        }
        classes[c] += p;

        // Next result: the last match moves fastest.
        int m = n - 1;
        while (m >= 0 && digit[m] == 2) digit[m--] = 0;
        if (m < 0) break;
        ++digit[m];
        for (int j = m; j < n; ++j) {
            prefP[j + 1] = prefP[j] * model.probability[j][digit[j]];
            Multiply(prefC[j].data(), model.people[j][digit[j]], prefC[j + 1].data());
        }
    }
    if (done) done->store(static_cast<int64_t>(total), std::memory_order_relaxed);
    v.expectedReturn = expected;
    v.returnPerKrona = expected / v.stake;
    v.noWinChance = classes[0];
    v.distribution.push_back({0, 0, classes[0]});
    double from = 0;
    for (size_t c = 0; c <= kReturnEdges.size(); ++c) {
        const double to = c < kReturnEdges.size() ? kReturnEdges[c] : 0;
        v.distribution.push_back({from, to, classes[c + 1]});
        from = to;
    }
    v.complete = true;
    return v;
}

}  // namespace vinra::reduction
