#include "reduction/guarantee_cover.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

#include <fmt/format.h>

#include "core/messages.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "reduction/covering.h"
#include "reduction/covering_codes.h"
#include "reduction/reduced_system.h"
#include "reduction/row_generation.h"

namespace vinra::reduction {

namespace {

using Clock = std::chrono::steady_clock;
using core::PackedRow;

// The English text of one of our messages with its values filled in.
std::string English(int number, const std::vector<core::MsgArg>& args = {}) {
    return core::FormatMsg(core::MsgIn(core::LangEnglish, number), args);
}

// The frame as a mixed-radix space over its guarded matches, first match
// slowest: the index of a frame row is its place in the expansion order.
struct FrameSpace {
    int n = 0;
    std::vector<std::vector<int>> signs;                           // per match, its signs in the order home, draw, away
    std::vector<int> guarded;                                      // matches with two or three signs
    std::vector<uint32_t> radix, weight;                           // per guarded match
    std::array<std::array<int8_t, 4>, core::kMaxMatches> digit{};  // [m][code]: place among the match's signs
    PackedRow fixedPart = 0;                                       // the signs of the single matches
    uint64_t size = 1;

    FrameSpace(const std::vector<std::string>& frame, int matches) : n(matches), signs(FrameSigns(frame, matches)) {
        for (int m = 0; m < n; ++m) {
            digit[m].fill(-1);
            for (size_t i = 0; i < signs[m].size(); ++i) digit[m][signs[m][i]] = static_cast<int8_t>(i);
            if (signs[m].size() >= 2) guarded.push_back(m);
            else fixedPart |= static_cast<uint64_t>(signs[m][0]) << core::PackedShift(m);
        }
        radix.resize(guarded.size());
        weight.resize(guarded.size());
        for (size_t i = guarded.size(); i-- > 0;) {
            radix[i] = static_cast<uint32_t>(signs[guarded[i]].size());
            weight[i] = static_cast<uint32_t>(size);
            size *= radix[i];
            if (size > kMaxGuaranteeFrameRows)
                throw GuaranteeError(1404, English(1404, {static_cast<long long>(kMaxGuaranteeFrameRows)}));
        }
    }

    // The index of a row string, or -1 when it is not a row of the frame.
    int64_t IndexOfText(const std::string& row) const {
        if (static_cast<int>(row.size()) != n) return -1;
        int64_t x = 0;
        for (int m = 0; m < n; ++m) {
            const int code = row[m] - '0';
            if (code < 0 || code > 2 || digit[m][code] < 0) return -1;
        }
        for (size_t i = 0; i < guarded.size(); ++i) x += digit[guarded[i]][row[guarded[i]] - '0'] * int64_t{weight[i]};
        return x;
    }
    uint32_t IndexOf(PackedRow p) const {
        uint32_t x = 0;
        for (size_t i = 0; i < guarded.size(); ++i)
            x += static_cast<uint32_t>(digit[guarded[i]][core::PackedSign(p, guarded[i])]) * weight[i];
        return x;
    }
    PackedRow RowOf(uint32_t x) const {
        PackedRow p = fixedPart;
        for (size_t i = 0; i < guarded.size(); ++i) {
            const uint32_t d = (x / weight[i]) % radix[i];
            p |= static_cast<uint64_t>(signs[guarded[i]][d]) << core::PackedShift(guarded[i]);
        }
        return p;
    }
    int64_t BallSize(int wrong) const {
        int64_t one = 0, two = 0;
        for (size_t i = 0; i < radix.size(); ++i)
            for (size_t j = i + 1; j < radix.size(); ++j) two += int64_t{radix[i] - 1} * (radix[j] - 1);
        for (uint32_t r : radix) one += r - 1;
        return 1 + one + (wrong >= 2 ? two : 0);
    }
    // Calls f(y) for every frame row y at distance 1 .. wrong from x, the
    // nearer ones first.
    template <class F>
    void Ball(uint32_t x, int wrong, F&& f) const {
        const size_t g = guarded.size();
        std::array<uint32_t, core::kMaxMatches> d{};
        for (size_t i = 0; i < g; ++i) d[i] = (x / weight[i]) % radix[i];
        for (size_t i = 0; i < g; ++i)
            for (uint32_t v = 0; v < radix[i]; ++v)
                if (v != d[i]) f(x + v * weight[i] - d[i] * weight[i]);
        if (wrong < 2) return;
        for (size_t i = 0; i < g; ++i)
            for (uint32_t v = 0; v < radix[i]; ++v) {
                if (v == d[i]) continue;
                const uint32_t xi = x + v * weight[i] - d[i] * weight[i];
                for (size_t j = i + 1; j < g; ++j)
                    for (uint32_t u = 0; u < radix[j]; ++u)
                        if (u != d[j]) f(xi + u * weight[j] - d[j] * weight[j]);
            }
    }
};

template <class T>
void Put(std::atomic<T>* a, T v) {
    if (a) a->store(v, std::memory_order_relaxed);
}

}  // namespace

int GuaranteeWrongFor(int n, int right) {
    const int wrong = n - right;
    return wrong == 1 || wrong == 2 ? wrong : 0;
}

bool GuaranteeHolds(const WarrantyTable& table, int wrong) {
    if (!table.complete) return false;
    for (size_t i = 0; i < table.keys.size(); ++i) {
        if (table.counts[i] == 0) continue;
        // Key "aa-b-cc-dd": rows with N, N-1, N-2, N-3 right.
        const std::string& key = table.keys[i];
        std::array<long, 4> h{};
        size_t pos = 0;
        for (int k = 0; k < 4; ++k) {
            const size_t end = k < 3 ? key.find('-', pos) : key.size();
            if (end == std::string::npos) return false;
            h[k] = std::strtol(key.substr(pos, end - pos).c_str(), nullptr, 10);
            pos = end + 1;
        }
        long near = 0;
        for (int k = 0; k <= wrong && k < 4; ++k) near += h[k];
        if (near < 1) return false;
    }
    return true;
}

GuaranteeResult ReduceWithGuarantee(const GuaranteeInput& input, const GuaranteeHooks& hooks) {
    const auto t0 = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - t0).count(); };
    auto cancelled = [&] { return hooks.cancel && hooks.cancel->load(std::memory_order_relaxed); };
    const int n = input.conditions.n;
    if (input.wrong != 1 && input.wrong != 2)
        throw GuaranteeError(1406, English(1406, {static_cast<long long>(n - input.wrong), static_cast<long long>(n),
                                                  static_cast<long long>(n - 1), static_cast<long long>(n - 2)}));
    if (n < 3 || n > core::kMaxMatches)
        throw GuaranteeError(1406, English(1406, {static_cast<long long>(n - input.wrong), static_cast<long long>(n),
                                                  static_cast<long long>(n - 1), static_cast<long long>(n - 2)}));

    GuaranteeResult result;
    result.n = n;
    result.wrong = input.wrong;
    const FrameSpace space(input.frame, n);
    result.frameRows = static_cast<int64_t>(space.size);
    result.ballSize = space.BallSize(input.wrong);

    // The outcomes: what the warranty counts too.
    Put(hooks.phase, static_cast<int>(GuaranteePhase::Expansion));
    Put<int64_t>(hooks.total, result.frameRows);
    Put<int64_t>(hooks.rows, 0);
    ConditionSet conditions = input.conditions;
    const std::vector<PackedRow> outcomes =
        ExpandFrame(input.frame, n, conditions, input.percent, hooks.cancel, hooks.done);
    if (cancelled()) {
        result.cancelled = true;
        result.seconds = elapsed();
        return result;
    }
    result.outcomes = static_cast<int64_t>(outcomes.size());
    result.lowerBound = (result.outcomes + result.ballSize - 1) / result.ballSize;
    if (outcomes.empty()) {
        result.seconds = elapsed();
        return result;
    }

    const double budget = std::max(0.0, input.seconds - elapsed());
    Put<int64_t>(hooks.done, 0);
    Put<int64_t>(hooks.total, static_cast<int64_t>(budget * 1000));
    const double searchStart = elapsed();
    auto found = [&](uint32_t size, double) {
        const double at = elapsed();
        if (result.improvements.empty()) {
            result.greedyRows = size;
            result.firstSeconds = at;
            Put(hooks.phase, static_cast<int>(GuaranteePhase::Improving));
        }
        result.improvements.emplace_back(at, static_cast<int64_t>(size));
        Put<int64_t>(hooks.rows, size);
        Put<int64_t>(hooks.done, static_cast<int64_t>((at - searchStart) * 1000));
    };
    CoveringOptions options;
    options.seed = input.seed;
    options.target = input.target;
    options.seconds = budget;
    options.cancel = hooks.cancel;
    options.progress = found;

    result.reachBound = result.lowerBound;

    // The start list, as frame rows; kept only when it covers every outcome.
    std::vector<uint32_t> start;
    for (const std::string& row : input.startRows) {
        const int64_t x = space.IndexOfText(row);
        if (x < 0) {
            start.clear();
            break;
        }
        start.push_back(static_cast<uint32_t>(x));
    }
    if (!start.empty()) {
        std::sort(start.begin(), start.end());
        start.erase(std::unique(start.begin(), start.end()), start.end());
        std::vector<uint8_t> reached(space.size, 0);
        for (uint32_t x : start) {
            reached[x] = 1;
            space.Ball(x, input.wrong, [&](uint32_t y) { reached[y] = 1; });
        }
        for (PackedRow o : outcomes)
            if (!reached[space.IndexOf(o)]) {
                start.clear();
                break;
            }
    }

    std::vector<PackedRow> rows;
    const bool pure = static_cast<uint64_t>(outcomes.size()) == space.size;
    if (space.guarded.empty()) {
        rows.push_back(space.fixedPart);
        found(1, 0);
    } else if (pure && space.size <= 531441 &&
               space.size * static_cast<uint64_t>(result.ballSize - 1) <= kMaxCoveringGraphEntries) {
        // The whole frame: the plain space of its guarded matches, where the
        // coset search finds the codes of the shipped systems.
        int full = 0, half = 0;
        for (uint32_t r : space.radix) (r == 3 ? full : half)++;
        std::vector<int> coord(space.guarded.size());
        int nextHalf = 0, nextFull = half;
        for (size_t i = 0; i < space.guarded.size(); ++i) coord[i] = space.radix[i] == 2 ? nextHalf++ : nextFull++;
        result.bestKnown = BestKnownCoveringSize(full, half, input.wrong);
        Put(hooks.phase, static_cast<int>(GuaranteePhase::Greedy));
        options.radius = input.wrong;
        // The search goes on from the smaller of the shipped list and the
        // construction of these guards; a size as small as the best known is
        // not worth the player's time to beat.
        for (uint32_t x : start) {
            CoverWord w(space.guarded.size());
            for (size_t i = 0; i < space.guarded.size(); ++i) w[coord[i]] = static_cast<uint8_t>((x / space.weight[i]) % space.radix[i]);
            options.start.push_back(std::move(w));
        }
        bool construction = false;
        if (half == 0) {
            ConstructedCode made = ConstructCovering(full, input.wrong);
            if (!made.words.empty() && (options.start.empty() || made.words.size() < options.start.size())) {
                options.start = std::move(made.words);
                construction = true;
            }
        }
        if (options.target == 0) options.target = static_cast<uint32_t>(result.bestKnown);
        const size_t startSize = options.start.size();
        for (const CoverWord& w : FindCovering(full, half, options)) {
            PackedRow p = space.fixedPart;
            for (size_t i = 0; i < space.guarded.size(); ++i)
                p |= static_cast<uint64_t>(space.signs[space.guarded[i]][w[coord[i]]])
                     << core::PackedShift(space.guarded[i]);
            rows.push_back(p);
        }
        const bool taken = startSize > 0 && startSize < static_cast<size_t>(result.greedyRows);
        result.startUsed = taken && !construction;
        result.constructionUsed = taken && construction;
    } else {
        // The outcomes and every frame row near one of them (the others cover
        // nothing) as a graph: a node covers what lies within the distance.
        Put(hooks.phase, static_cast<int>(GuaranteePhase::Neighbours));
        const uint32_t size = static_cast<uint32_t>(space.size);
        std::vector<int32_t> nodeOf(size, -1);
        std::vector<uint8_t> isOutcome(size, 0);
        for (PackedRow o : outcomes) {
            const uint32_t x = space.IndexOf(o);
            isOutcome[x] = 1;
            nodeOf[x] = 0;
            space.Ball(x, input.wrong, [&](uint32_t y) { nodeOf[y] = 0; });
        }
        std::vector<uint32_t> frameIndex;
        for (uint32_t x = 0; x < size; ++x)
            if (nodeOf[x] == 0) {
                nodeOf[x] = static_cast<int32_t>(frameIndex.size());
                frameIndex.push_back(x);
            }
        if (static_cast<uint64_t>(frameIndex.size()) * static_cast<uint64_t>(result.ballSize - 1) >
            kMaxGuaranteeGraphEntries)
            throw GuaranteeError(1405, English(1405));
        CoverGraph g;
        g.nodes = static_cast<uint32_t>(frameIndex.size());
        g.need.resize(frameIndex.size());
        // The neighbour lists in slices, one per core when the table is big
        // (at 11 right it is the larger part of the time to the first list).
        const size_t count = frameIndex.size();
        const size_t per = static_cast<size_t>(result.ballSize - 1);
        const unsigned slices =
            count * per > (1u << 20) ? std::max(1u, std::min(4u, std::thread::hardware_concurrency())) : 1u;
        std::vector<std::vector<uint32_t>> sliceAdj(slices), sliceDeg(slices);
        std::atomic<bool> stop{false};
        auto build = [&](unsigned t) {
            const size_t lo = count * t / slices, hi = count * (t + 1) / slices;
            std::vector<uint32_t>& adj = sliceAdj[t];
            std::vector<uint32_t>& deg = sliceDeg[t];
            adj.reserve((hi - lo) * per);
            deg.reserve(hi - lo);
            for (size_t i = lo; i < hi; ++i) {
                if ((i & 4095) == 0 && (cancelled() || stop.load(std::memory_order_relaxed))) return;
                const uint32_t x = frameIndex[i];
                g.need[i] = isOutcome[x];
                const size_t before = adj.size();
                space.Ball(x, input.wrong, [&](uint32_t y) {
                    if (nodeOf[y] >= 0) adj.push_back(static_cast<uint32_t>(nodeOf[y]));
                });
                deg.push_back(static_cast<uint32_t>(adj.size() - before));
            }
        };
        {
            std::vector<std::thread> helpers;
            std::exception_ptr failure;
            std::mutex failureLock;
            auto guarded = [&](unsigned t) {
                try {
                    build(t);
                } catch (...) {
                    stop.store(true);
                    std::lock_guard<std::mutex> lock(failureLock);
                    if (!failure) failure = std::current_exception();
                }
            };
            for (unsigned t = 1; t < slices; ++t) helpers.emplace_back(guarded, t);
            guarded(0);
            for (auto& h : helpers) h.join();
            if (failure) std::rethrow_exception(failure);
        }
        if (cancelled()) {
            result.cancelled = true;
            result.seconds = elapsed();
            return result;
        }
        size_t total = 0;
        for (const auto& a : sliceAdj) total += a.size();
        g.adj.reserve(total);
        g.start.reserve(count + 1);
        g.start.push_back(0);
        for (unsigned t = 0; t < slices; ++t) {
            g.adj.insert(g.adj.end(), sliceAdj[t].begin(), sliceAdj[t].end());
            sliceAdj[t] = {};
            for (uint32_t d : sliceDeg[t]) {
                g.start.push_back(g.start.back() + d);
                g.maxDeg = std::max(g.maxDeg, d);
            }
        }
        nodeOf = {};
        isOutcome = {};
        int64_t reach = 1;
        for (uint32_t p = 0; p < g.nodes; ++p) {
            int64_t r = g.need[p];
            for (uint32_t i = g.start[p]; i < g.start[p + 1]; ++i) r += g.need[g.adj[i]];
            reach = std::max(reach, r);
        }
        result.reachBound = (result.outcomes + reach - 1) / reach;
        Put(hooks.phase, static_cast<int>(GuaranteePhase::Greedy));
        std::vector<uint32_t> code = GreedyCoverGraph(g, input.seed);
        found(static_cast<uint32_t>(code.size()), 0);
        if (!start.empty()) {
            // Rows far from every outcome cover nothing here: they are left out.
            std::vector<uint32_t> startCode;
            for (uint32_t x : start) {
                const auto it = std::lower_bound(frameIndex.begin(), frameIndex.end(), x);
                if (it != frameIndex.end() && *it == x)
                    startCode.push_back(static_cast<uint32_t>(it - frameIndex.begin()));
            }
            if (startCode.size() < code.size()) {
                code = std::move(startCode);
                result.startUsed = true;
                found(static_cast<uint32_t>(code.size()), 0);
            }
        }
        options.seconds = std::max(0.0, input.seconds - elapsed());
        options.progress = [&](uint32_t s, double) { found(s, 0); };
        // The weighted search: on outcomes thinned by conditions it gets much
        // further below the greedy start than shrinking one row at a time.
        const uint32_t floor = static_cast<uint32_t>(std::max<int64_t>(1, result.reachBound));
        // Two signs away a row reaches over a hundred outcomes and the
        // weighted search stalls sooner: it gets the first third there, and
        // the tabu search, which moves a row to the best place near it, goes
        // on from its result.
        if (input.wrong == 2) options.seconds /= 3;
        code = WeightedShrinkCoverGraph(g, std::move(code), floor, options);
        if (input.wrong == 2) {
            options.seconds = std::max(0.0, input.seconds - elapsed());
            code = ShrinkCoverGraph(g, std::move(code), floor, options);
        }
        for (uint32_t node : code) rows.push_back(space.RowOf(frameIndex[node]));
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    // Nothing leaves without the warranty engine's word on it.
    Put(hooks.phase, static_cast<int>(GuaranteePhase::Checking));
    result.warranty = TallyWarranty(outcomes, rows, n, nullptr, nullptr);
    if (!GuaranteeHolds(result.warranty, input.wrong)) throw GuaranteeError(1407, English(1407));
    result.rows.reserve(rows.size());
    for (PackedRow p : rows) result.rows.push_back(core::UnpackRow(p, n));
    result.cancelled = cancelled();
    result.seconds = elapsed();
    Put<int64_t>(hooks.rows, static_cast<int64_t>(rows.size()));
    return result;
}

std::vector<std::string> ShippedSystemRows(const std::filesystem::path& folder, const std::vector<std::string>& frame,
                                           int n, int wrong) {
    try {
        const FrameSpace space(frame, n);
        int full = 0, half = 0;
        for (uint32_t r : space.radix) (r == 3 ? full : half)++;
        if (full + half == 0) return {};
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec)) return {};
        // The smallest system of these guards whose name promises no more
        // than `wrong` wrong (an N-1 system serves an N-2 search as well); the
        // search checks its rows before it trusts them.
        std::string chosen;
        int fewest = 0;
        for (const std::string& name : ListRedSystems(folder)) {
            const RedName info = ParseRedName(name);
            if (!info.readable || info.type != 'R' || info.full != full || info.half != half) continue;
            if (RedNameWrong(name) > wrong) continue;
            const RedSystem head = ReadRedFile(folder / (name + ".RED"));
            if (chosen.empty() || head.rows() < fewest) {
                chosen = name;
                fewest = head.rows();
            }
        }
        if (chosen.empty()) return {};
        const RedSystem red = ReadRedFile(folder / (chosen + ".RED"));
        const std::vector<CoverWord> code = CodeFromRedLines(red.lines, full, half);
        // Half coordinates first, then full ones, each in match order.
        std::vector<std::string> rows;
        for (const CoverWord& w : code) {
            std::string row(static_cast<size_t>(n), '0');
            for (int m = 0; m < n; ++m) row[m] = static_cast<char>('0' + space.signs[m][0]);
            int nextHalf = 0, nextFull = half;
            for (size_t i = 0; i < space.guarded.size(); ++i) {
                const int m = space.guarded[i];
                const int c = space.radix[i] == 2 ? nextHalf++ : nextFull++;
                row[m] = static_cast<char>('0' + space.signs[m][w[c]]);
            }
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const std::exception&) {
        // A damaged or foreign file is no start; the search does without.
    }
    return {};
}

void GuaranteeRun::Run(const std::atomic<bool>* cancel, std::atomic<int>* phase, std::atomic<int64_t>* done,
                       std::atomic<int64_t>* total) noexcept {
    errorMessage = 0;
    errorText.clear();
    result = {};
    try {
        result = ReduceWithGuarantee(input, GuaranteeHooks{cancel, phase, done, total, &rowsSoFar});
    } catch (const GuaranteeError& e) {
        errorMessage = e.message();
    } catch (const std::exception& e) {
        errorText = e.what();
    }
}

std::string GuaranteeRun::ProgressText(int languageBase) const {
    const int64_t rows = rowsSoFar.load(std::memory_order_relaxed);
    if (rows <= 0) return {};
    return core::FormatMsg(core::MsgIn(languageBase, 1408), {static_cast<long long>(rows)});
}

std::string GuaranteeRun::StatusText(int languageBase) const {
    if (errorMessage) {
        const int n = input.conditions.n;
        return core::FormatMsg(
            core::MsgIn(languageBase, errorMessage),
            {static_cast<long long>(errorMessage == 1404 ? kMaxGuaranteeFrameRows : n - input.wrong),
             static_cast<long long>(n), static_cast<long long>(n - 1), static_cast<long long>(n - 2)});
    }
    if (!errorText.empty()) return errorText;
    if (!result.rows.empty())
        return core::FormatMsg(core::MsgIn(languageBase, 1409), {static_cast<long long>(result.rows.size()),
                                                                 static_cast<long long>(result.n - result.wrong),
                                                                 static_cast<long long>(result.outcomes)}) +
               " " + GapText(result, languageBase);
    if (!result.cancelled) return core::MsgIn(languageBase, 1403);
    return {};
}

std::string GapText(const GuaranteeResult& result, int languageBase) {
    const long long bound = std::max(result.lowerBound, result.reachBound);
    if (result.bestKnown > 0)
        return core::FormatMsg(core::MsgIn(languageBase, kMsgBoundAndBest),
                               {bound, static_cast<long long>(result.bestKnown)});
    return core::FormatMsg(core::MsgIn(languageBase, kMsgBound), {bound});
}

void StoreGuaranteeResult(core::TVinraFile& doc, const GuaranteeResult& result, int languageBase) {
    if (!result.warranty.complete || result.rows.empty())
        throw std::logic_error("a guarantee run without rows is not stored");
    const WarrantyView view(result.warranty, result.n, WarrantyTexts::FromLanguage(languageBase));
    doc.Rader = result.rows;
    StoreWarranty(doc, result.warranty, view.lines());
}

}  // namespace vinra::reduction
