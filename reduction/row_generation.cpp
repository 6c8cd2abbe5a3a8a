#include "reduction/row_generation.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <climits>
#include <exception>
#include <memory>
#include <random>
#include <system_error>
#include <thread>
#include <unordered_set>

#include <fmt/format.h>

#include "core/messages.h"

namespace vinra::reduction {

using core::PackedRow;

namespace {

// The reasons a run is refused reach the generate window and the expert
// wizard: in the player's language (the command line keeps English).
constexpr int kMsgMatchCount = 4031;       // "a system has 1 to %d matches, not %d"
constexpr int kMsgFrameEntries = 4032;     // "the frame has %d entries for %d matches"
constexpr int kMsgFrameNotASign = 4033;    // "match %d of the frame holds '%s', which is not a sign"
constexpr int kMsgFrameNoSign = 4034;      // "match %d of the frame has no sign marked"
constexpr int kMsgFrameTooLarge = 4035;    // "the frame has %s rows; the engine handles at most %s rows"
constexpr int kMsgResultTooLarge = 4036;   // "the result would have %s rows of %d matches, about %d MB ..."
constexpr int kMsgWarrantyMatches = 4037;  // "the warranty needs at least 3 matches; this system has %d"
constexpr int kMsgNotARow = 4038;          // "row %d (\"%s\") is not a row of %d matches"

template <typename T>
long long L(T n) {
    return static_cast<long long>(n);
}
std::string Said(int msg, const std::vector<core::MsgArg>& args) { return core::FormatMsg(core::Msg(msg), args); }

}  // namespace

// ---------------------------------------------------------------------------
// Frame

std::vector<std::vector<int>> FrameSigns(const std::vector<std::string>& frame, int n) {
    if (n < 1 || n > core::kMaxMatches)
        throw GenerationError(Said(kMsgMatchCount, {L(core::kMaxMatches), L(n)}));
    if (frame.size() < static_cast<size_t>(n))
        throw GenerationError(Said(kMsgFrameEntries, {L(frame.size()), L(n)}));
    std::vector<std::vector<int>> signs(static_cast<size_t>(n));
    double rows = 1;
    for (size_t m = 0; m < static_cast<size_t>(n); ++m) {
        int present = 0;
        for (char ch : frame[m]) {
            if (ch == ' ') continue;
            if (ch < '0' || ch > '2')
                throw GenerationError(Said(kMsgFrameNotASign, {L(m + 1), std::string(1, ch)}));
            present |= 1 << (ch - '0');
        }
        for (int s = 0; s < 3; ++s)
            if (present & (1 << s)) signs[m].push_back(s);
        if (signs[m].empty()) throw GenerationError(Said(kMsgFrameNoSign, {L(m + 1)}));
        rows *= static_cast<double>(signs[m].size());
    }
    if (rows > static_cast<double>(kMaxFrameRows))
        throw GenerationError(Said(kMsgFrameTooLarge, {fmt::format("{:.0f}", rows), fmt::format("{}", kMaxFrameRows)}));
    return signs;
}

uint64_t ResultBytesEstimate(uint64_t rows, int n) {
    const uint64_t len = static_cast<uint64_t>(std::max(n, 0));
    // A std::string object, plus a heap block (with its malloc header) once the
    // row is too long for the in-place buffer.
    const uint64_t asString =
        sizeof(std::string) + (len >= sizeof(std::string) / 2 ? ((len + 1 + 15) / 16) * 16 + 16 : 0);
    // "Rad12345678=" + row + CR LF in the file text, before and after encoding.
    const uint64_t asLine = 12 + len + 2;
    const uint64_t perRow = 2 * asString + 2 * asLine + sizeof(core::PackedRow);
    return rows > UINT64_MAX / perRow ? UINT64_MAX : rows * perRow;
}

uint64_t MaxResultRows(int n) { return kMemoryBudgetBytes / ResultBytesEstimate(1, n); }

namespace {

// A result that would not fit the budget as text rows ends the run with a
// message naming its size, before any row is turned into text.
void CheckResultFits(uint64_t rows, int n) {
    if (rows <= MaxResultRows(n)) return;
    throw GenerationError(Said(kMsgResultTooLarge, {core::GroupDigits(static_cast<int64_t>(rows)), L(n),
                                                   L(ResultBytesEstimate(rows, n) >> 20),
                                                   core::GroupDigits(static_cast<int64_t>(MaxResultRows(n))),
                                                   L(kMemoryBudgetBytes >> 20)}));
}

}  // namespace

// ---------------------------------------------------------------------------
// Full expansion

namespace {

// The most yes pieces a walk looks up in its tail tables.
constexpr int kMaxPieces = 16;

// Walks the frame in mixed radix: the first variable match changes slowest.
// The percentage value is multiplied match by match in match order (as
// RowValue does, so the doubles agree to the last bit); the prefix up to a
// variable match is shared by every row below it.
class FrameWalker {
public:
    FrameWalker(const std::vector<std::vector<int>>& signs, const CompiledConditions& cond)
        : signs_(signs), cond_(cond), n_(static_cast<int>(signs.size())) {
        uint64_t fixedLow = 0;
        for (int m = 0; m < n_; ++m) {
            if (signs_[static_cast<size_t>(m)].size() > 1) {
                vars_.push_back(m);
            } else {
                const int s = signs_[static_cast<size_t>(m)][0];
                base_ |= static_cast<PackedRow>(s) << core::PackedShift(m);
                fixedSum_ += cond_.sumFigure(m, s);
                fixedLanes_ += cond_.LaneIncrement(m, s);
                fixedLow |= 1ull << core::PackedShift(m);
            }
        }
        // What is known below each variable match, for cutting off whole
        // stretches of rows that cannot pass.
        const size_t k = vars_.size();
        prefix_.resize(k);
        leavesBelow_.assign(k, 1);
        uint64_t known = fixedLow;
        for (size_t j = 0; j < k; ++j) {
            known |= 1ull << core::PackedShift(vars_[j]);
            auto& info = prefix_[j];
            info.knownLow = known;
            for (size_t i = j + 1; i < k; ++i) {
                const int m = vars_[i];
                int64_t lo = INT64_MAX, hi = INT64_MIN;
                uint64_t mayAdd = 0;
                for (int s : signs_[static_cast<size_t>(m)]) {
                    mayAdd |= cond_.LaneIncrement(m, s);
                    info.possible[static_cast<size_t>(s)] |= 1ull << core::PackedShift(m);
                    lo = std::min(lo, cond_.sumFigure(m, s));
                    hi = std::max(hi, cond_.sumFigure(m, s));
                }
                info.laneMaxRest += mayAdd;
                info.sumMinRest += lo;
                info.sumMaxRest += hi;
                leavesBelow_[j] *= static_cast<int64_t>(signs_[static_cast<size_t>(m)].size());
            }
            cond_.CompletePrefix(info);
        }
        prune_ = cond_.CanPrune();
        useValue_ = cond_.usesValue();
        step_.resize(k);
        for (size_t j = 0; j < k; ++j) {
            const int m = vars_[j];
            auto& st = step_[j];
            st.count = static_cast<int>(signs_[static_cast<size_t>(m)].size());
            for (int i = 0; i < st.count; ++i) {
                const int s = signs_[static_cast<size_t>(m)][static_cast<size_t>(i)];
                st.bits[static_cast<size_t>(i)] = static_cast<PackedRow>(s) << core::PackedShift(m);
                st.sum[static_cast<size_t>(i)] = cond_.sumFigure(m, s);
                st.lanes[static_cast<size_t>(i)] = cond_.LaneIncrement(m, s);
            }
        }
        buildTail();
    }

    struct State {
        PackedRow row = 0;
        double value = 1.0;
        int64_t sum = 0;
        uint64_t lanes = 0;
    };

    // What one thread keeps while it walks: the yes-combinations' verdicts
    // over the tails, by context and by what the prefix holds of each piece.
    struct Scratch {
        static constexpr size_t kSlots = 4096;
        std::array<uint64_t, kSlots> key;
        std::array<uint64_t, kSlots> mask{};
        Scratch() { key.fill(~0ull); }
    };

    const std::vector<int>& vars() const { return vars_; }
    int varSize(size_t j) const { return static_cast<int>(signs_[static_cast<size_t>(vars_[j])].size()); }

    // The state before variable 0: fixed matches ahead of it multiplied in.
    State Initial() const {
        State st{base_, 1.0, fixedSum_, fixedLanes_};
        if (cond_.usesValue()) st.value = fixedProduct(0, vars_.empty() ? n_ : vars_[0], 1.0);
        return st;
    }
    // Sets variable j to its i-th sign.
    State Step(const State& st, size_t j, int i) const {
        const auto& sv = step_[j];
        State next{st.row | sv.bits[static_cast<size_t>(i)], st.value, st.sum + sv.sum[static_cast<size_t>(i)],
                   st.lanes + sv.lanes[static_cast<size_t>(i)]};
        if (useValue_) {
            const int m = vars_[j];
            const int s = signs_[static_cast<size_t>(m)][static_cast<size_t>(i)];
            const int until = j + 1 < vars_.size() ? vars_[j + 1] : n_;
            next.value = fixedProduct(m + 1, until, st.value * cond_.factor(m, s));
        }
        return next;
    }
    // True when no row below the state (variables 0..j set) can pass.
    bool Hopeless(const State& st, size_t j) const {
        return prune_ && cond_.PrefixCannotPass(st.row, prefix_[j], st.sum, st.lanes);
    }
    int64_t LeavesBelow(size_t j) const { return leavesBelow_[j]; }
    // The first variable of the tail that is walked as one table.
    size_t TailFirst() const { return tailFirst_; }

    // Tests every row below state st (variables j.. still open), appending the accepted ones.
    // Returns false when stopped by the cancel flag.
    bool Walk(const State& st, size_t j, std::vector<PackedRow>& out, const std::atomic<bool>* cancel,
              int64_t& tested, Scratch& scratch) const {
        if (j == tailFirst_) {
            if (cancel && cancel->load(std::memory_order_relaxed)) return false;
            walkTail(st, out, scratch);
            tested += tailCount_;
            return true;
        }
        const int k = step_[j].count;
        if (j + 1 == vars_.size()) {
            if (cancel && cancel->load(std::memory_order_relaxed)) return false;
            if (!useValue_) {
                const auto& sv = step_[j];
                for (int i = 0; i < k; ++i) {
                    const PackedRow row = st.row | sv.bits[static_cast<size_t>(i)];
                    if (cond_.Passes(row, 1.0, st.sum + sv.sum[static_cast<size_t>(i)],
                                     st.lanes + sv.lanes[static_cast<size_t>(i)]))
                        out.push_back(row);
                }
            } else {
                for (int i = 0; i < k; ++i) {
                    const State r = Step(st, j, i);
                    if (cond_.Passes(r.row, r.value, r.sum, r.lanes)) out.push_back(r.row);
                }
            }
            tested += k;
            return true;
        }
        const bool cut = j + 3 <= vars_.size();  // not worth it just above the rows
        for (int i = 0; i < k; ++i) {
            const State next = Step(st, j, i);
            if (cut && Hopeless(next, j)) {
                tested += leavesBelow_[j];
                continue;
            }
            if (!Walk(next, j + 1, out, cancel, tested, scratch)) return false;
        }
        return true;
    }

private:
    // The last variables (at most 64 rows below them) become a table built
    // once: each tail's bits, sum and lanes. A row is then its prefix's state
    // plus one entry, and the patterns that reject wherever they occur (runs,
    // no-combinations without '*') are settled for all the tails of a prefix at
    // once: those wholly within the prefix by one test, those that reach into
    // the tail by a mask looked up from the last matches before the tail.
    void buildTail() {
        const size_t nvars = vars_.size();
        tailFirst_ = nvars;
        uint64_t count = 1;
        while (tailFirst_ > 0 && count * static_cast<uint64_t>(varSize(tailFirst_ - 1)) <= 64)
            count *= static_cast<uint64_t>(varSize(--tailFirst_));
        if (tailFirst_ == nvars) return;  // no variables
        tailCount_ = static_cast<int>(count);
        tailPos_ = vars_[tailFirst_];
        tailBits_.assign(count, 0);
        tailSum_.assign(count, 0);
        tailLanes_.assign(count, 0);
        // Odometer order over the tail variables, the last one fastest.
        for (uint64_t t = 0; t < count; ++t) {
            uint64_t q = t;
            for (size_t j = nvars; j-- > tailFirst_;) {
                const auto& sv = step_[j];
                const size_t i = static_cast<size_t>(q % static_cast<uint64_t>(sv.count));
                q /= static_cast<uint64_t>(sv.count);
                tailBits_[t] |= sv.bits[i];
                tailSum_[t] += sv.sum[i];
                tailLanes_[t] += sv.lanes[i];
            }
        }
        for (int m = 0; m < tailPos_; ++m) headKnown_ |= 1ull << core::PackedShift(m);

        // The matches before the tail that a pattern reaching into it may cover.
        const int forbiddenSpan = cond_.ForbiddenSpan();
        pieces_ = cond_.YesPieces();
        stars_ = cond_.StarNos();
        const int span = std::max(forbiddenSpan, cond_.YesPieceSpan());
        allTailsFree_ = forbiddenSpan == 0;
        ctxLen_ = std::min(std::max(span - 1, 0), tailPos_);
        if (ctxLen_ > 6) return;  // too many contexts for a table: such rows take the whole test
        const size_t contexts = size_t{1} << (2 * ctxLen_);
        tailTable_ = true;
        // The yes pieces from the table too, when it stays small.
        fastRest_ = !cond_.HasSourcesBeyondLanes() && pieces_ <= kMaxPieces &&
                    contexts * count * static_cast<uint64_t>(pieces_) <= (uint64_t{1} << 17);
        uint64_t tailKnown = 0, tailFixed = 0;
        for (int m = tailPos_; m < n_; ++m) {
            tailKnown |= 1ull << core::PackedShift(m);
            tailFixed |= base_ & (3ull << core::PackedShift(m));
        }
        headPairs_ = headKnown_ | (headKnown_ << 1);
        const uint64_t tailPairs = tailKnown | (tailKnown << 1);
        // Only the occurrences that reach into the tail: those wholly before it
        // are the prefix's own, counted once per prefix.
        std::array<uint64_t, kMaxPieces> reachStarts{};
        for (int k = 0; k < pieces_ && fastRest_; ++k) {
            const int first = std::max(tailPos_ - cond_.YesPieceLength(k) + 1, 0);
            for (int m = first; m < n_; ++m) reachStarts[static_cast<size_t>(k)] |= 1ull << core::PackedShift(m);
        }
        // The verdicts cached by what the prefix holds: a count and, for a piece
        // whose occurrences may overlap, how far its last counted one reaches.
        cacheYes_ = fastRest_ && pieces_ > 0 && pieces_ <= 5 && ctxLen_ <= 6;
        ctxMask_.assign(contexts, 0);
        if (fastRest_) ctxStarts_.assign(contexts * count * static_cast<uint64_t>(pieces_), 0);
        for (size_t c = 0; c < contexts; ++c) {
            PackedRow ctx = 0;
            uint64_t known = tailKnown;
            bool inFrame = true;
            for (int i = 0; i < ctxLen_ && inFrame; ++i) {
                const int m = tailPos_ - ctxLen_ + i;
                const int code = static_cast<int>(c >> (2 * (ctxLen_ - 1 - i))) & 3;
                const auto& allowed = signs_[static_cast<size_t>(m)];
                inFrame = std::find(allowed.begin(), allowed.end(), code) != allowed.end();
                ctx |= static_cast<PackedRow>(code) << core::PackedShift(m);
                known |= 1ull << core::PackedShift(m);
            }
            if (!inFrame) continue;  // no row of the frame has these signs there
            uint64_t ok = 0;
            for (uint64_t t = 0; t < count; ++t) {
                const PackedRow row = ctx | tailFixed | tailBits_[t];
                if (allTailsFree_ || !cond_.ForbiddenWithin(row, known)) ok |= 1ull << t;
                if (fastRest_)
                    for (int k = 0; k < pieces_; ++k)
                        ctxStarts_[(c * count + t) * static_cast<size_t>(pieces_) + static_cast<size_t>(k)] =
                            cond_.YesPieceStarts(k, row, known) & reachStarts[static_cast<size_t>(k)];
            }
            ctxMask_[c] = ok;
        }
        if (fastRest_) {
            starTail_.assign(static_cast<size_t>(stars_), 0);
            for (int k = 0; k < stars_; ++k)
                for (uint64_t t = 0; t < count; ++t)
                    if (cond_.StarMatchesWithin(k, tailFixed | tailBits_[t], tailPairs))
                        starTail_[static_cast<size_t>(k)] |= 1ull << t;
        }
    }

    // Tests the rows of every tail below the prefix st, appending the accepted ones.
    // The tails (as a mask) whose rows hold every yes-combination, below a
    // prefix of context c whose pieces stand as head[] (wholly before the tail).
    uint64_t yesTails(size_t c, const uint64_t* table, const std::array<uint64_t, kMaxPieces>& head,
                      Scratch& scratch) const {
        std::array<CompiledConditions::PieceCount, kMaxPieces> from{};
        uint64_t key = c;
        for (int k = 0; k < pieces_; ++k) {
            auto& f = from[static_cast<size_t>(k)];
            f = cond_.CountPieceFrom(k, head[static_cast<size_t>(k)], {});
            // An end before the first occurrence that reaches the tail blocks nothing.
            int reach = std::max(f.end - (tailPos_ - cond_.YesPieceLength(k)), 0);
            // Nor does it matter once the count has reached the piece's cap.
            const int cap = cond_.YesPieceCap(k);
            if (f.count >= cap) f.count = cap, reach = 0;
            if (reach == 0) f.end = -1;
            key |= (static_cast<uint64_t>(f.count) << 4 | static_cast<uint64_t>(reach)) << (12 + 10 * k);
        }
        const size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 52);
        if (scratch.key[slot] == key) return scratch.mask[slot];
        uint64_t mask = 0;
        std::array<int, kMaxPieces> counts{};
        // Only the tails free of forbidden patterns in this context can pass.
        const uint64_t candidates = ctxMask_[c];
        for (int t = 0; t < tailCount_; ++t) {
            if (!((candidates >> t) & 1)) continue;
            const uint64_t* entry = table + static_cast<size_t>(t) * static_cast<size_t>(pieces_);
            for (int k = 0; k < pieces_; ++k)
                counts[static_cast<size_t>(k)] =
                    cond_.CountPieceFrom(k, entry[k], from[static_cast<size_t>(k)]).count;
            if (cond_.YesHoldFromCounts(counts.data())) mask |= 1ull << t;
        }
        scratch.key[slot] = key;
        scratch.mask[slot] = mask;
        return mask;
    }

    void walkTail(const State& st, std::vector<PackedRow>& out, Scratch& scratch) const {
        // A percentage value that is 1.0 for every row, outside its bounds.
        if (!useValue_ && !cond_.PassesValue(1.0)) return;
        if (cond_.RejectsAll()) return;
        uint64_t ok = ~0ull;
        size_t c = 0;
        if (tailTable_) {
            if (!allTailsFree_ && cond_.ForbiddenWithin(st.row, headKnown_)) return;
            if (ctxLen_ > 0)
                c = static_cast<size_t>((st.row >> (64 - 2 * tailPos_)) & ((1ull << (2 * ctxLen_)) - 1));
            ok = ctxMask_[c];
        } else if (!allTailsFree_) {
            ok = 0;
            for (int t = 0; t < tailCount_; ++t)
                if (!cond_.ForbiddenWithin(st.row | tailBits_[static_cast<size_t>(t)], ~0ull)) ok |= 1ull << t;
        }
        std::array<uint64_t, kMaxPieces> head{}, starts{};
        const uint64_t* table = nullptr;
        if (fastRest_) {
            // A no-combination with '*' turns down the tails it matches when the prefix matches it.
            for (int k = 0; k < stars_; ++k)
                if (cond_.StarMatchesWithin(k, st.row, headPairs_)) ok &= ~starTail_[static_cast<size_t>(k)];
            for (int k = 0; k < pieces_; ++k)
                head[static_cast<size_t>(k)] = cond_.YesPieceStarts(k, st.row, headKnown_);
            table = ctxStarts_.data() + c * static_cast<size_t>(tailCount_) * static_cast<size_t>(pieces_);
            if (cacheYes_) ok &= yesTails(c, table, head, scratch);
        }
        const bool useSum = cond_.usesSum();
        // Only the tails still in the mask, in order.
        ok &= tailCount_ == 64 ? ~0ull : (1ull << tailCount_) - 1;
        for (; ok; ok &= ok - 1) {
            const int t = std::countr_zero(ok);
            const size_t i = static_cast<size_t>(t);
            if (!cond_.LanesPass(st.lanes + tailLanes_[i])) continue;
            if (useSum && !cond_.PassesSum(st.sum + tailSum_[i])) continue;
            const PackedRow row = st.row | tailBits_[i];
            if (useValue_) {
                // Match by match in match order, as the plain value multiplies.
                double v = st.value;
                for (int m = tailPos_; m < n_; ++m) v *= cond_.factor(m, core::PackedSign(row, m));
                if (!cond_.PassesValue(v)) continue;
            }
            if (cacheYes_) {
                out.push_back(row);
            } else if (fastRest_) {
                const uint64_t* entry = table + i * static_cast<size_t>(pieces_);
                for (size_t k = 0; k < static_cast<size_t>(pieces_); ++k) starts[k] = head[k] | entry[k];
                if (cond_.YesHoldFromStarts(starts.data())) out.push_back(row);
            } else if (cond_.PassesRest(row)) {
                out.push_back(row);
            }
        }
    }

    double fixedProduct(int from, int until, double v) const {
        for (int m = from; m < until; ++m) v *= cond_.factor(m, signs_[static_cast<size_t>(m)][0]);
        return v;
    }

    const std::vector<std::vector<int>>& signs_;
    const CompiledConditions& cond_;
    int n_;
    std::vector<int> vars_;
    PackedRow base_ = 0;
    int64_t fixedSum_ = 0;
    uint64_t fixedLanes_ = 0;
    std::vector<CompiledConditions::PrefixInfo> prefix_;
    std::vector<int64_t> leavesBelow_;
    bool prune_ = false;
    bool useValue_ = false;
    struct VarStep {
        int count = 0;
        std::array<PackedRow, 3> bits{};
        std::array<int64_t, 3> sum{};
        std::array<uint64_t, 3> lanes{};
    };
    std::vector<VarStep> step_;
    size_t tailFirst_ = 0;
    int tailCount_ = 0, tailPos_ = 0, ctxLen_ = 0;
    std::vector<PackedRow> tailBits_;
    std::vector<int64_t> tailSum_;
    std::vector<uint64_t> tailLanes_;
    uint64_t headKnown_ = 0;
    bool allTailsFree_ = true, tailTable_ = false, fastRest_ = false, cacheYes_ = false;
    std::vector<uint64_t> ctxMask_;  // per context before the tail, the tails free of forbidden patterns
    int pieces_ = 0, stars_ = 0;
    uint64_t headPairs_ = 0;
    std::vector<uint64_t> ctxStarts_;  // per context and tail, where each yes piece starts there
    std::vector<uint64_t> starTail_;   // per no-combination with '*', the tails that match its tail part
};

// Every row of the frame in expansion order, for conditions that pass them
// all: no test, no joining, each worker writes its own stretch of the result.
std::vector<PackedRow> EveryRow(const std::vector<std::vector<int>>& signs, PackedRow fixed,
                                const std::atomic<bool>* cancel, std::atomic<int64_t>* tested,
                                std::atomic<int64_t>* accepted) {
    struct Var {
        std::array<PackedRow, 3> bits{};
        int count = 0;
    };
    std::vector<Var> vars;
    uint64_t total = 1;
    for (size_t m = 0; m < signs.size(); ++m) {
        if (signs[m].size() < 2) continue;
        Var v;
        for (int s : signs[m])
            v.bits[static_cast<size_t>(v.count++)] = static_cast<PackedRow>(s)
                                                     << core::PackedShift(static_cast<int>(m));
        vars.push_back(v);
        total *= static_cast<uint64_t>(v.count);
    }
    std::vector<PackedRow> out(total);
    // Stretches of the order: the leading variables pick the stretch, the
    // others count through it like an odometer, the last one fastest.
    size_t lead = 0;
    uint64_t stretches = 1;
    while (stretches < 64 && lead + 1 < vars.size() && total >= 50000)
        stretches *= static_cast<uint64_t>(vars[lead++].count);
    const uint64_t len = total / stretches;
    std::atomic<uint64_t> next{0};
    std::vector<char> done(stretches, 0);
    auto work = [&] {
        std::array<int, core::kMaxMatches> digit{};
        for (;;) {
            const uint64_t k = next.fetch_add(1);
            if (k >= stretches) return;
            if (cancel && cancel->load(std::memory_order_relaxed)) return;
            PackedRow head = fixed;
            for (size_t j = lead, q = k; j-- > 0;) {
                head |= vars[j].bits[q % static_cast<uint64_t>(vars[j].count)];
                q /= static_cast<uint64_t>(vars[j].count);
            }
            PackedRow* dst = out.data() + k * len;
            // The odometer over the other variables; the last one is unrolled.
            const size_t last = vars.size() - 1;
            const Var& lv = vars[last];
            PackedRow mid = head;
            for (size_t j = lead; j < last; ++j) {
                digit[j] = 0;
                mid |= vars[j].bits[0];
            }
            for (uint64_t q = 0; q < len; q += static_cast<uint64_t>(lv.count)) {
                for (int i = 0; i < lv.count; ++i)
                    dst[q + static_cast<uint64_t>(i)] = mid | lv.bits[static_cast<size_t>(i)];
                size_t j = last;
                while (j-- > lead) {
                    mid &= ~vars[j].bits[static_cast<size_t>(digit[j])];
                    if (++digit[j] < vars[j].count) {
                        mid |= vars[j].bits[static_cast<size_t>(digit[j])];
                        break;
                    }
                    digit[j] = 0;
                    mid |= vars[j].bits[0];
                }
            }
            done[k] = 1;
            if (tested) tested->fetch_add(static_cast<int64_t>(len), std::memory_order_relaxed);
            if (accepted) accepted->fetch_add(static_cast<int64_t>(len), std::memory_order_relaxed);
        }
    };
    const unsigned threads = stretches > 1 ? std::min(2u, std::max(1u, std::thread::hardware_concurrency())) : 1;
    std::vector<std::thread> helpers;
    try {
        for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No helper thread: this one does every stretch.
    }
    work();
    for (auto& h : helpers) h.join();
    // A cancelled run keeps the stretches finished in front.
    uint64_t whole = 0;
    while (whole < stretches && done[whole]) ++whole;
    if (whole < stretches) out.resize(whole * len);
    return out;
}

}  // namespace

std::vector<PackedRow> ExpandFrame(const std::vector<std::string>& frame, int n, const ConditionSet& c,
                                   const PercentTables& t, const std::atomic<bool>* cancel,
                                   std::atomic<int64_t>* tested, std::atomic<int64_t>* accepted) {
    const auto signs = FrameSigns(frame, n);
    ConditionSet cc = c;
    cc.n = n;
    CompiledConditions cond(cc, t);
    cond.DropAlwaysTrue(signs);
    cond.OrderByRejection(signs);
    const FrameWalker walker(signs, cond);
    std::vector<PackedRow> out;
    const auto& vars = walker.vars();

    if (vars.empty()) {  // only singles: one candidate
        const auto st = walker.Initial();
        if (cond.Passes(st.row, st.value, st.sum)) out.push_back(st.row);
        if (tested) tested->fetch_add(1, std::memory_order_relaxed);
        if (accepted) accepted->store(static_cast<int64_t>(out.size()), std::memory_order_relaxed);
        return out;
    }

    if (cond.PassesEveryRow(signs)) return EveryRow(signs, walker.Initial().row, cancel, tested, accepted);

    // Split the frame into chunks by the first variable matches; the chunks are
    // consecutive stretches of the expansion order, so joining their results
    // in chunk order gives the rows in expansion order.
    uint64_t total = 1;
    for (size_t j = 0; j < vars.size(); ++j) total *= static_cast<uint64_t>(walker.varSize(j));
    size_t depth = 0;
    uint64_t chunks = 1;
    const uint64_t wantChunks = total >= 50000 ? 64 : 1;
    while (chunks < wantChunks && depth + 1 < vars.size() && depth < walker.TailFirst())
        chunks *= static_cast<uint64_t>(walker.varSize(depth++));

    std::vector<FrameWalker::State> starts{walker.Initial()};
    for (size_t j = 0; j < depth; ++j) {
        std::vector<FrameWalker::State> next;
        for (const auto& st : starts)
            for (int i = 0; i < walker.varSize(j); ++i) {
                const auto step = walker.Step(st, j, i);
                if (walker.Hopeless(step, j)) {
                    if (tested) tested->fetch_add(walker.LeavesBelow(j), std::memory_order_relaxed);
                    continue;
                }
                next.push_back(step);
            }
        starts.swap(next);
    }

    std::vector<std::vector<PackedRow>> parts(starts.size());
    std::atomic<size_t> nextChunk{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;  // set by the helper thread only
    auto walk = [&] {
        auto scratch = std::make_unique<FrameWalker::Scratch>();
        // Each chunk's rows gather in one buffer the worker keeps, and are then
        // copied out at their exact size: no chain of growing copies per chunk.
        std::vector<PackedRow> rows;
        for (;;) {
            const size_t i = nextChunk.fetch_add(1);
            if (i >= starts.size() || failed.load(std::memory_order_relaxed)) return;
            int64_t count = 0;
            rows.clear();
            const bool done = walker.Walk(starts[i], depth, rows, cancel, count, *scratch);
            parts[i].assign(rows.begin(), rows.end());
            if (tested) tested->fetch_add(count, std::memory_order_relaxed);
            if (accepted) accepted->fetch_add(static_cast<int64_t>(parts[i].size()), std::memory_order_relaxed);
            if (!done) return;
        }
    };
    // Out of memory on the helper thread must reach the caller, not end the program.
    auto helper = [&] {
        try {
            walk();
        } catch (...) {
            error = std::current_exception();
            failed.store(true);
        }
    };
    const unsigned threads = starts.size() > 1 ? std::min(2u, std::max(1u, std::thread::hardware_concurrency())) : 1;
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < threads; ++k) helpers.emplace_back(helper);
    try {
        walk();
    } catch (...) {
        failed.store(true);
        for (auto& h : helpers) h.join();
        throw;
    }
    for (auto& h : helpers) h.join();
    if (error) std::rethrow_exception(error);

    size_t size = 0;
    for (const auto& p : parts) size += p.size();
    out.reserve(size);
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ---------------------------------------------------------------------------
// Random weights

WeightsCheck PrepareRandomWeights(ConditionSet& c, const std::vector<std::string>& frame) {
    const size_t n = static_cast<size_t>(std::clamp(c.n, 1, core::kMaxMatches));
    for (auto& list : c.userPercent)
        if (list.size() < n) list.resize(n, "0");
    bool over = false;
    for (size_t m = 0; m < n; ++m) {
        const std::string entry = m < frame.size() ? frame[m] : std::string();
        int k = 0;
        for (char s = '0'; s <= '2'; ++s) k += core::EntryHas(entry, s);
        const std::string share = k == 1 ? "100" : (k == 2 ? "50" : "33");
        int64_t sum = 0;
        for (size_t s = 0; s < 3; ++s) {
            std::string& e = c.userPercent[s][m];
            const bool inFrame = core::EntryHas(entry, static_cast<char>('0' + s));
            if (k > 1 && e == "100") e = share;
            if (inFrame && e == "0") e = share;
            if (!inFrame) e = std::string(1, '0');
            sum += UserWeight(c, static_cast<int>(m), static_cast<int>(s), 0);
        }
        if (sum > 102) over = true;
    }
    return over ? WeightsCheck::SumOver100 : WeightsCheck::Ok;
}

// ---------------------------------------------------------------------------
// The worker

TRowGeneration::TRowGeneration(GenerationInput input) : in_(std::move(input)) {
    n_ = in_.conditions.n;
    if (n_ < 1 || n_ > core::kMaxMatches)
        throw GenerationError(Said(kMsgMatchCount, {L(core::kMaxMatches), L(n_)}));
    switch (in_.mode) {
        case GenerationMode::Full: FrameSigns(in_.frame, n_); break;
        case GenerationMode::Random:
            FrameSigns(in_.frame, n_);
            if (in_.requestedCount > 0) CheckResultFits(static_cast<uint64_t>(in_.requestedCount), n_);
            break;
        case GenerationMode::Filter: break;
        case GenerationMode::Warranty:
            if (n_ < 3)
                throw GenerationError(Said(kMsgWarrantyMatches, {L(n_)}));
            FrameSigns(in_.frame, n_);
            for (size_t i = 0; i < in_.rows.size(); ++i)
                if (!core::IsRow(in_.rows[i], static_cast<size_t>(n_)))
                    throw GenerationError(Said(kMsgNotARow, {L(i + 1), in_.rows[i], L(n_)}));
            break;
        default: throw GenerationError(fmt::format("unknown generation mode {}", static_cast<int>(in_.mode)));
    }
}

TRowGeneration::~TRowGeneration() {
    if (thread_.joinable()) Cancel();
}

void TRowGeneration::Start() {
    if (thread_.joinable() || IsRunning()) throw std::logic_error("the generation worker is already started");
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this] {
        execute();
        markEnded();
    });
}

void TRowGeneration::Run() {
    running_.store(true, std::memory_order_release);
    execute();
    markEnded();
}

void TRowGeneration::markEnded() {
    {
        const std::lock_guard<std::mutex> lock(endMutex_);
        running_.store(false, std::memory_order_release);
    }
    ended_.notify_all();
}

bool TRowGeneration::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(endMutex_);
    return ended_.wait_for(lock, timeout, [this] { return !IsRunning(); });
}

void TRowGeneration::Join() {
    if (thread_.joinable()) thread_.join();
}

void TRowGeneration::Cancel() {
    cancel_.store(true);
    Join();
}

void TRowGeneration::execute() {
    try {
        switch (in_.mode) {
            case GenerationMode::Full: runFull(); break;
            case GenerationMode::Random: runRandom(); break;
            case GenerationMode::Filter: runFilter(); break;
            case GenerationMode::Warranty: runWarranty(); break;
        }
    } catch (const std::exception& e) {
        error_ = e.what();
    }
}

namespace {

std::mt19937_64 MakeGenerator(const std::optional<uint64_t>& seed) {
    if (seed) return std::mt19937_64(*seed);
    return std::mt19937_64(static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

}  // namespace

void TRowGeneration::applyRowDifference(std::vector<PackedRow>& rows) {
    setPhase(GenerationPhase::RowDifference);
    maximum_.store(static_cast<int64_t>(rows.size()));
    tested_.store(0);
    const auto& first = in_.conditions.firstRow;
    // A start row that is not a row of this system would end up among the rows; it is ignored.
    const bool hasStart = core::IsRow(first, static_cast<size_t>(n_));
    const PackedRow start = hasStart ? core::PackRow(first) : 0;
    ApplyRowDifferencePacked(rows, n_, in_.conditions.radDiff, hasStart ? &start : nullptr, &cancel_,
                             [this](int64_t index, int64_t count) {
                                 tested_.store(index, std::memory_order_relaxed);
                                 maximum_.store(count, std::memory_order_relaxed);
                                 accepted_.store(count, std::memory_order_relaxed);
                             });
}

void TRowGeneration::runFull() {
    setPhase(GenerationPhase::Expansion);
    maximum_.store(static_cast<int64_t>(core::MathRowCount(in_.frame)));
    auto rows = ExpandFrame(in_.frame, n_, in_.conditions, in_.percent, &cancel_, &tested_, &accepted_);
    accepted_.store(static_cast<int64_t>(rows.size()));
    if (in_.conditions.flag(core::UseRadDiff) && !cancel_.load()) applyRowDifference(rows);
    accepted_.store(static_cast<int64_t>(rows.size()));
    CheckResultFits(rows.size(), n_);
    rows_ = core::RowList::FromPacked(std::move(rows), n_);
}

void TRowGeneration::runRandom() {
    setPhase(GenerationPhase::Random);
    maximum_.store(in_.requestedCount);
    const auto signs = FrameSigns(in_.frame, n_);
    ConditionSet cc = in_.conditions;
    cc.n = n_;
    const CompiledConditions cond(cc, in_.percent);
    auto rng = MakeGenerator(in_.seed);

    // Weights per match; a sign outside the frame never comes up. A match whose
    // frame signs all weigh 0 draws evenly among them, so every row stays inside the frame.
    static constexpr int64_t kMissing[3] = {33, 34, 33};
    std::vector<std::array<int64_t, 3>> w(static_cast<size_t>(n_));
    for (int m = 0; m < n_; ++m) {
        auto& wm = w[static_cast<size_t>(m)];
        int64_t total = 0;
        for (int s = 0; s < 3; ++s) {
            const auto& ms = signs[static_cast<size_t>(m)];
            const bool inFrame = std::find(ms.begin(), ms.end(), s) != ms.end();
            wm[static_cast<size_t>(s)] = inFrame ? UserWeight(in_.conditions, m, s, kMissing[s]) : 0;
            total += wm[static_cast<size_t>(s)];
        }
        if (total == 0)
            for (int s : signs[static_cast<size_t>(m)]) wm[static_cast<size_t>(s)] = 1;
    }

    const bool rowDiff = in_.conditions.flag(core::UseRadDiff);
    const int64_t limit = int64_t{n_} - in_.conditions.radDiff;
    std::vector<PackedRow> accepted;  // ascending, for the duplicate search
    const int64_t want = std::max<int64_t>(in_.requestedCount, 0);
    int64_t lastNew = 0;  // attempts_ when the last row was accepted
    while (static_cast<int64_t>(accepted.size()) < want) {
        if (cancel_.load(std::memory_order_relaxed)) break;
        if (in_.maxTries > 0 && attempts_ >= in_.maxTries) {
            triesExhausted_ = true;
            break;
        }
        if (in_.stallTries > 0 && attempts_ - lastNew >= in_.stallTries) {
            stalled_ = true;
            break;
        }
        PackedRow row = 0;
        for (int m = 0; m < n_; ++m) {
            const auto& wm = w[static_cast<size_t>(m)];
            const int64_t total = wm[0] + wm[1] + wm[2];
            const int64_t r = std::uniform_int_distribution<int64_t>(0, total - 1)(rng);
            const int s = r < wm[0] ? 0 : (wm[1] > 0 && r < wm[0] + wm[1] ? 1 : 2);
            row |= static_cast<PackedRow>(s) << core::PackedShift(m);
        }
        ++attempts_;
        tested_.store(attempts_, std::memory_order_relaxed);
        auto pos = std::lower_bound(accepted.begin(), accepted.end(), row);
        if (pos != accepted.end() && *pos == row) continue;
        if (!cond.PassesValue(cond.usesValue() ? cond.Value(row) : 1.0)) continue;
        if (!cond.PassesSum(cond.Sum(row))) continue;
        if (rowDiff) {
            bool close = false;
            for (PackedRow a : accepted)
                if (core::CountEqualPacked(row, a, n_) > limit) {
                    close = true;
                    break;
                }
            if (close) continue;
        }
        if (!cond.PassesPatterns(row)) continue;
        accepted.insert(pos, row);
        lastNew = attempts_;
        accepted_.store(static_cast<int64_t>(accepted.size()), std::memory_order_relaxed);
    }
    rows_ = core::RowList::FromPacked(std::move(accepted), n_);
}

void TRowGeneration::runFilter() {
    // Filtering works on the rows as text (rows of other lengths are refused
    // before the run, but the conditions' text path handles any row).
    textRows_ = in_.rows.Strings();
    accepted_.store(static_cast<int64_t>(textRows_.size()));
    const auto& c = in_.conditions;
    const bool any = c.flag(core::UseMaxMin) || c.flag(core::UseURad) || c.flag(core::UseJaKomb) ||
                     c.flag(core::UseNejKomb) || c.flag(core::UseFilterTo) || c.flag(core::UseChooseWin);
    if (any) {
        if (c.flag(core::UseFilterTo)) {
            reduceToCount();
        } else {
            setPhase(GenerationPhase::Filtering);
            maximum_.store(static_cast<int64_t>(textRows_.size()));
            ConditionSet cc = c;
            cc.n = n_;
            const CompiledConditions cond(cc, in_.percent);
            std::vector<std::string> all;
            all.swap(textRows_);
            accepted_.store(0);
            for (size_t i = 0; i < all.size(); ++i) {
                tested_.store(static_cast<int64_t>(i), std::memory_order_relaxed);
                if (cancel_.load(std::memory_order_relaxed)) {
                    // Rows never tested were never rejected: a stopped filter keeps them.
                    textRows_.insert(textRows_.end(), std::make_move_iterator(all.begin() + static_cast<std::ptrdiff_t>(i)),
                                 std::make_move_iterator(all.end()));
                    break;
                }
                const bool pass = core::IsRow(all[i], static_cast<size_t>(n_))
                                      ? cond.Passes(core::PackRow(all[i]))
                                      : RowPassesConditions(all[i], cc, in_.percent);
                if (pass) textRows_.push_back(std::move(all[i]));
                accepted_.store(static_cast<int64_t>(textRows_.size()), std::memory_order_relaxed);
            }
        }
    }
    if (c.flag(core::UseRadDiff) && !cancel_.load()) {
        setPhase(GenerationPhase::RowDifference);
        maximum_.store(static_cast<int64_t>(textRows_.size()));
        const std::string start = core::IsRow(c.firstRow, static_cast<size_t>(n_)) ? c.firstRow : std::string();
        ApplyRowDifference(textRows_, c.radDiff, start, &cancel_, [this](int64_t index, int64_t count) {
            tested_.store(index, std::memory_order_relaxed);
            maximum_.store(count, std::memory_order_relaxed);
            accepted_.store(count, std::memory_order_relaxed);
        });
    }
    rows_ = core::RowList(textRows_);
    std::vector<std::string>().swap(textRows_);
    accepted_.store(static_cast<int64_t>(rows_.size()));
}

void TRowGeneration::reduceToCount() {
    const int64_t t = in_.conditions.filterToRader;
    const int64_t size = static_cast<int64_t>(textRows_.size());
    if (t <= 0 || t >= size) {  // nothing to choose: the rows stay as they are
        filterUnchanged_ = true;
        return;
    }
    if (!in_.randomSelection) {
        setPhase(GenerationPhase::Filtering);
        maximum_.store(size);
        std::vector<std::pair<double, size_t>> byValue;
        byValue.reserve(textRows_.size());
        for (size_t i = 0; i < textRows_.size(); ++i)
            byValue.emplace_back(RowValue(textRows_[i], in_.percent.user, in_.percent.people), i);
        std::stable_sort(byValue.begin(), byValue.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::string> kept;
        for (size_t i = static_cast<size_t>(size - t); i < byValue.size(); ++i)
            kept.push_back(std::move(textRows_[byValue[i].second]));
        std::sort(kept.begin(), kept.end());
        textRows_.swap(kept);
        return;
    }

    setPhase(GenerationPhase::RandomReduction);
    maximum_.store(t);
    auto rng = MakeGenerator(in_.seed);
    std::vector<size_t> pool(textRows_.size());
    for (size_t i = 0; i < pool.size(); ++i) pool[i] = i;
    auto take = [&]() {  // a uniformly chosen index not taken before
        const size_t k = std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng);
        const size_t idx = pool[k];
        pool[k] = pool.back();
        pool.pop_back();
        return idx;
    };
    int64_t steps = 0;
    if (size / 2 < t) {
        // Delete random rows until t remain; the others keep their order.
        std::vector<char> gone(textRows_.size(), 0);
        for (int64_t remaining = size; remaining > t; --remaining) {
            if (cancel_.load(std::memory_order_relaxed)) break;
            gone[take()] = 1;
            tested_.store(++steps, std::memory_order_relaxed);
        }
        size_t out = 0;
        for (size_t i = 0; i < textRows_.size(); ++i)
            if (!gone[i]) {
                if (out != i) textRows_[out] = std::move(textRows_[i]);
                ++out;
            }
        textRows_.resize(out);
    } else {
        // Pick t distinct rows; they come out in the order they were picked.
        std::vector<std::string> picked;
        std::unordered_set<std::string> seen;
        while (static_cast<int64_t>(picked.size()) < t && !pool.empty()) {
            // Stopped before t rows were picked: the rows not picked were never
            // passed over, so the list stays as it was.
            if (cancel_.load(std::memory_order_relaxed)) return;
            const size_t idx = take();
            tested_.store(++steps, std::memory_order_relaxed);
            if (seen.insert(textRows_[idx]).second) picked.push_back(textRows_[idx]);
        }
        textRows_.swap(picked);
    }
}

void TRowGeneration::runWarranty() {
    setPhase(GenerationPhase::Expansion);
    maximum_.store(static_cast<int64_t>(core::MathRowCount(in_.frame)));
    ConditionSet cc = in_.conditions;
    outcomes_ = ExpandFrame(in_.frame, n_, cc, in_.percent, &cancel_, &tested_);
    if (cancel_.load()) {
        warranty_ = WarrantyTable{};
        warranty_.total = static_cast<int64_t>(outcomes_.size());
        warranty_.complete = false;
        return;
    }
    setPhase(GenerationPhase::WarrantyTally);
    tested_.store(0);
    maximum_.store(static_cast<int64_t>(outcomes_.size()));
    std::vector<PackedRow> system;
    if (in_.rows.IsPacked() && in_.rows.Width() == n_) {
        const auto words = in_.rows.Words();
        system.assign(words.begin(), words.end());
    } else {
        system.reserve(in_.rows.size());
        for (const auto& r : in_.rows) system.push_back(core::PackRow(r));
    }
    warranty_ = TallyWarranty(outcomes_, system, n_, &cancel_, &tested_);
}

}  // namespace vinra::reduction
