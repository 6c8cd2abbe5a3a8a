#include "checking/winnings.h"

#include <algorithm>
#include <limits>

#include "checking/engine.h"
#include "core/pools.h"
#include "core/signs.h"

namespace vinra::checking {

namespace {

// Larger amounts are no payout anyone enters; the bound keeps every product
// and sum of the table inside 64 bits for any realistic number of rows.
constexpr int64_t kMaxAmount = 1'000'000'000'000'000;  // hundredths

int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return r;
}

}  // namespace

std::optional<int32_t> ReadCountText(std::string_view text) {
    int64_t v = 0;
    for (char c : text) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > std::numeric_limits<int32_t>::max()) return std::nullopt;
    }
    return static_cast<int32_t>(v);
}

std::optional<int64_t> ReadPayoutText(std::string_view text) {
    std::string kept;
    for (char c : text)
        if ((c >= '0' && c <= '9') || c == ',' || c == '.' || c == '-' || c == ' ') kept += c;
    const auto v = ParseAmount(kept);
    if (!v || *v < 0 || *v > kMaxAmount) return std::nullopt;
    return v;
}

int SlotLevel(int slot, int n) { return n == 12 ? slot : n - (13 - slot); }

WinningsTable::WinningsTable(int n, std::string_view typ, WinningsMessages messages)
    : n_(std::clamp(n, 0, core::kMaxMatches)), first_(core::FirstWinLevel(typ)), messages_(std::move(messages)) {
    for (int k = first_; k <= n_; ++k) {
        WinLevel line;
        line.level = k;
        levels_.push_back(line);
    }
}

WinLevel* WinningsTable::find(int level) {
    for (auto& l : levels_)
        if (l.level == level) return &l;
    return nullptr;
}

const WinLevel* WinningsTable::Level(int level) const {
    for (const auto& l : levels_)
        if (l.level == level) return &l;
    return nullptr;
}

void WinningsTable::recount(WinLevel& line) {
    int64_t win;
    if (__builtin_mul_overflow(line.ownCount, line.payout, &win)) {
        line.error = FormatMessage(messages_.tooLarge, {std::to_string(line.level)});
        line.levelWin = 0;
        return;
    }
    line.levelWin = win;
}

void WinningsTable::SetCounts(const std::vector<int64_t>& counts) {
    for (auto& line : levels_) {
        line.ownCount = static_cast<size_t>(line.level) < counts.size() ? counts[static_cast<size_t>(line.level)] : 0;
        line.error.clear();
        recount(line);
    }
}

bool WinningsTable::SetPayoutText(int level, std::string_view text) {
    WinLevel* line = find(level);
    if (line == nullptr) return false;
    const auto value = ReadPayoutText(text);
    if (!value) {
        line->error = FormatMessage(messages_.unreadableAmount, {text, std::to_string(level)});
        return false;
    }
    WinLevel next = *line;
    next.payoutText = core::FormatAmount(*value);
    next.payout = *value;
    next.error.clear();
    recount(next);
    if (!next.error.empty()) {
        line->error = next.error;
        return false;
    }
    *line = next;
    return true;
}

void WinningsTable::SetWinners(int level, std::string winners) {
    if (WinLevel* line = find(level)) line->winners = std::move(winners);
}

void WinningsTable::ClearPayouts() {
    for (auto& line : levels_) {
        line.payoutText = "0,00";
        line.payout = 0;
        line.winners.clear();
        line.error.clear();
        recount(line);
    }
}

bool WinningsTable::TakePreliminary(const std::array<int32_t, 4>& winners, const std::array<int64_t, 4>& amounts) {
    const WinLevel* probe = Level(first_ + 2);
    if (!probe || probe->payout != 0 || ReadCountText(probe->winners).value_or(0) != 0) return false;
    bool any = false;
    for (size_t g = 0; g < 4; ++g) any = any || winners[g] != 0 || amounts[g] != 0;
    if (!any) return false;
    for (size_t g = 0; g < 4; ++g) {
        WinLevel* line = find(first_ + 3 - static_cast<int>(g));
        if (!line) continue;
        line->winners = core::GroupDigits(static_cast<int64_t>(winners[g]));
        // Ten-thousandths to hundredths, rounded half up: the öre are kept.
        line->payout = std::clamp<int64_t>((std::max<int64_t>(amounts[g], 0) + 50) / 100, 0, kMaxAmount);
        line->payoutText = core::FormatAmount(line->payout);
        line->error.clear();
        recount(*line);
    }
    return true;
}

Totals WinningsTable::WinTotals(int64_t rowCount, int64_t pricePerRow) const {
    Totals t;
    for (const auto& line : levels_) t.total = SaturatingAdd(t.total, line.levelWin);
    int64_t stake;
    if (__builtin_mul_overflow(rowCount, pricePerRow, &stake)) stake = std::numeric_limits<int64_t>::max();
    t.afterStake = SaturatingAdd(t.total, -stake);
    return t;
}

int64_t WinningsTable::LevelWin(int level) const {
    const WinLevel* line = Level(level);
    return line ? line->levelWin : 0;
}

void WinningsTable::LoadSlots(const TFacitRec& rec) {
    for (int index = 0; index < kSlotCount; ++index) {
        const int slot = SlotNumber(index);
        WinLevel* line = find(SlotLevel(slot, n_));
        if (line == nullptr) continue;  // a level that does not pay (or cannot occur)
        line->payout = std::clamp<int64_t>(rec.Payout[index], -kMaxAmount, kMaxAmount);
        line->payoutText = core::FormatAmount(line->payout);
        line->winners = core::GroupDigits(static_cast<int64_t>(rec.Winners[index]));
        line->error.clear();
        recount(*line);
    }
}

void WinningsTable::SaveSlots(TFacitRec& rec) const {
    for (int index = 0; index < kSlotCount; ++index) {
        const WinLevel* line = Level(SlotLevel(SlotNumber(index), n_));
        rec.Payout[index] = line ? line->payout : 0;
        rec.Winners[index] = line ? ReadCountText(line->winners).value_or(0) : 0;
    }
}

}  // namespace vinra::checking
