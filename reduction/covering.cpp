#include "reduction/covering.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <limits>
#include <numeric>
#include <optional>
#include <random>
#include <span>
#include <stdexcept>

namespace vinra::reduction {

namespace {

// Spaces beyond this would make the neighbour table too big to be worth it;
// systems of the program stop far below (3^10 points).
constexpr uint64_t kMaxPoints = 531441;  // 3^12
// Spaces that are only numbered and checked (the shipped 11-right systems
// reach 13 full guards).
constexpr uint64_t kMaxSpacePoints = 1594323;  // 3^13

using Clock = std::chrono::steady_clock;

// The plain space is one covering graph; a space divided by a group of moves
// (the coset search below) is another.
using Graph = CoverGraph;

inline std::span<const uint32_t> Of(const Graph& g, uint32_t p) {
    return {g.adj.data() + g.start[p], g.adj.data() + g.start[p + 1]};
}

// A set of nodes: its members in a vector (to pick one at random and to walk
// them) and each node's place there (to take one out in constant time).
class IndexedSet {
public:
    explicit IndexedSet(uint32_t nodes) : pos_(nodes, -1) {}
    bool contains(uint32_t p) const { return pos_[p] >= 0; }
    // p must not be in the set.
    void insert(uint32_t p) {
        pos_[p] = static_cast<int32_t>(items_.size());
        items_.push_back(p);
    }
    // p must be in the set.
    void erase(uint32_t p) {
        const int32_t i = pos_[p];
        const uint32_t last = items_.back();
        items_[static_cast<size_t>(i)] = last;
        pos_[last] = i;
        items_.pop_back();
        pos_[p] = -1;
    }
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    uint32_t operator[](size_t i) const { return items_[i]; }
    const std::vector<uint32_t>& items() const { return items_; }

private:
    std::vector<uint32_t> items_;
    std::vector<int32_t> pos_;  // place in items_, -1 outside
};

// Words covering each node, counted from this start: a node that need not be
// covered starts so high that it never looks uncovered or covered once, so the
// searches below count only the needed nodes without asking.
constexpr uint16_t kNotNeeded = 0x4000;
std::vector<uint16_t> StartCover(const Graph& g) {
    std::vector<uint16_t> cov(g.nodes, 0);
    if (!g.need.empty())
        for (uint32_t p = 0; p < g.nodes; ++p)
            if (!g.need[p]) cov[p] = kNotNeeded;
    return cov;
}

// The tabu search on a fixed number of words. The state is kept between calls
// of run() so the shrinking loop can continue an attempt.
class Tabu {
public:
    // moves: where a word may go in one step (its one-sign neighbours); the
    // cover graph itself when null. At radius 2 a word then moves one sign at
    // a time, which keeps a step as cheap as at radius 1.
    Tabu(const Graph& g, std::vector<uint32_t> code, uint64_t seed, const Graph* moves = nullptr)
        : g_(g),
          m_(moves ? *moves : g),
          rng_(seed),
          code_(std::move(code)),
          where_(g.nodes, -1),
          cov_(StartCover(g)),
          uncovered_(g.nodes),
          tabuUntil_(g.nodes, 0),
          stamp_(g.nodes, 0) {
        const uint32_t size = g.nodes;
        std::uniform_int_distribution<uint32_t> any(0, size - 1);
        for (size_t i = 0; i < code_.size(); ++i) {
            uint32_t w = code_[i];
            // Words must be distinct: a repeated word is moved to a free point.
            while (where_[w] >= 0) w = any(rng_);
            code_[i] = w;
            where_[w] = static_cast<int32_t>(i);
            addCover(w, +1);
        }
        for (uint32_t p = 0; p < size; ++p)
            if (cov_[p] == 0) uncovered_.insert(p);
        bestEver_ = uncovered_.size();
        const size_t k = code_.size();
        tenure_ = static_cast<uint64_t>(std::clamp<size_t>(k / 10, 2, 12));
    }

    // Runs up to maxIterations steps; true when the code covers the space.
    bool run(uint64_t maxIterations, Clock::time_point deadline, const std::atomic<bool>* cancel) {
        for (uint64_t it = 0; it < maxIterations && !uncovered_.empty(); ++it, ++iter_) {
            if ((it & 1023) == 0) {
                if (cancel && cancel->load(std::memory_order_relaxed)) break;
                if (Clock::now() >= deadline) break;
            }
            step();
        }
        return uncovered_.empty();
    }

    const std::vector<uint32_t>& code() const { return code_; }
    size_t uncovered() const { return uncovered_.size(); }

private:
    const Graph& g_;
    const Graph& m_;
    std::mt19937_64 rng_;
    std::vector<uint32_t> code_;
    std::vector<int32_t> where_;  // index in code_ of the word at a point, -1 none
    std::vector<uint16_t> cov_;   // words within distance 1
    IndexedSet uncovered_;
    std::vector<uint64_t> tabuUntil_;  // a word may not move onto a point it just left
    std::vector<uint32_t> stamp_;
    uint32_t stampNo_ = 0;
    uint64_t iter_ = 1;
    uint64_t tenure_ = 4;
    size_t bestEver_ = 0;

    void touch(uint32_t p, int d) {
        if (d > 0) {
            if (cov_[p]++ == 0 && uncovered_.contains(p)) uncovered_.erase(p);
        } else {
            if (--cov_[p] == 0) uncovered_.insert(p);
        }
    }
    void addCover(uint32_t w, int d) {
        touch(w, d);
        for (uint32_t y : Of(g_, w)) touch(y, d);
    }

    // Change of the number of uncovered points when the word at c moves to q.
    int delta(uint32_t c, uint32_t q) {
        if (++stampNo_ == 0) {
            std::fill(stamp_.begin(), stamp_.end(), 0);
            stampNo_ = 1;
        }
        int gained = 0;
        stamp_[q] = stampNo_;
        gained += cov_[q] == 0;
        for (uint32_t y : Of(g_, q)) {
            stamp_[y] = stampNo_;
            gained += cov_[y] == 0;
        }
        int lost = (cov_[c] == 1 && stamp_[c] != stampNo_);
        for (uint32_t y : Of(g_, c)) lost += (cov_[y] == 1 && stamp_[y] != stampNo_);
        return lost - gained;
    }

    void move(uint32_t c, uint32_t q) {
        const int32_t idx = where_[c];
        addCover(c, -1);
        where_[c] = -1;
        code_[idx] = q;
        where_[q] = idx;
        addCover(q, +1);
        tabuUntil_[c] = iter_ + tenure_ + (rng_() % 3);
    }

    void step() {
        const uint32_t p = uncovered_[rng_() % uncovered_.size()];
        // Every move that covers p: a word next to a point q of p's ball moves to q.
        int best = std::numeric_limits<int>::max();
        uint32_t bestC = 0, bestQ = 0;
        int ties = 0;
        auto consider = [&](uint32_t q) {
            for (uint32_t c : Of(m_, q)) {
                if (where_[c] < 0) continue;
                const int d = delta(c, q);
                const bool aspire = static_cast<int64_t>(uncovered_.size()) + d < static_cast<int64_t>(bestEver_);
                if (tabuUntil_[q] > iter_ && !aspire) continue;
                if (d < best) {
                    best = d;
                    bestC = c;
                    bestQ = q;
                    ties = 1;
                } else if (d == best && (rng_() % static_cast<uint64_t>(++ties)) == 0) {
                    bestC = c;
                    bestQ = q;
                }
            }
        };
        consider(p);
        const auto np = Of(g_, p);
        for (uint32_t q : np) consider(q);
        if (best == std::numeric_limits<int>::max()) {
            // No word is near: bring any word into p's ball.
            const uint32_t q = np.empty() || rng_() % (np.size() + 1) == 0 ? p : np[rng_() % np.size()];
            bestC = code_[rng_() % code_.size()];
            bestQ = q;
        }
        move(bestC, bestQ);
        bestEver_ = std::min(bestEver_, uncovered_.size());
    }
};

void CheckSpace(int full, int half, uint64_t maxPoints = kMaxPoints) {
    if (full < 0 || half < 0 || full + half < 1)
        throw std::invalid_argument("a covering needs at least one guarded match");
    uint64_t size = 1;
    for (int i = 0; i < full; ++i) size *= 3;
    for (int i = 0; i < half; ++i) size *= 2;
    if (full + half > 20 || size > maxPoints)
        throw std::invalid_argument("too many guarded matches for a covering search");
}

// Number of points only this word covers.
int UniqueCover(const Graph& g, const std::vector<uint16_t>& cov, uint32_t w) {
    int n = cov[w] == 1;
    for (uint32_t y : Of(g, w)) n += cov[y] == 1;
    return n;
}

std::vector<uint32_t> GreedyOnGraph(const Graph& g, uint64_t seed) {
    const uint32_t size = g.nodes;
    std::vector<uint8_t> covered(size, 0);
    for (uint32_t p = 0; p < size; ++p) covered[p] = !g.needs(p);
    std::vector<int> gain(size);
    const int top0 = static_cast<int>(g.maxDeg) + 1;
    std::vector<std::vector<uint32_t>> bucket(static_cast<size_t>(top0) + 1);
    std::vector<uint32_t> order(size);
    std::iota(order.begin(), order.end(), 0u);
    std::mt19937_64 rng(seed);
    std::shuffle(order.begin(), order.end(), rng);
    uint32_t left = 0;
    for (uint32_t p : order) {
        gain[p] = !covered[p];
        for (uint32_t y : Of(g, p)) gain[p] += !covered[y];
        bucket[gain[p]].push_back(p);
        left += !covered[p];
    }
    std::vector<uint32_t> code;
    int top = top0;
    // Gains only fall, so a node found in a bucket above its gain is moved
    // down lazily when it comes up.
    while (left > 0) {
        while (bucket[top].empty()) --top;
        const uint32_t x = bucket[top].back();
        bucket[top].pop_back();
        if (gain[x] != top) {
            if (gain[x] > 0) bucket[gain[x]].push_back(x);
            continue;
        }
        code.push_back(x);
        auto cover = [&](uint32_t y) {
            if (covered[y]) return;
            covered[y] = 1;
            --left;
            --gain[y];
            for (uint32_t z : Of(g, y)) --gain[z];
        };
        cover(x);
        for (uint32_t y : Of(g, x)) cover(y);
    }
    return code;
}

// Shrinks a covering of the graph one node at a time while the time lasts.
// An attempt that finds no covering within its iterations is given up and a
// fresh one starts from the best code, dropping a random word instead: one
// unlucky drop must not eat the whole budget.
std::vector<uint32_t> ShrinkOnGraph(const Graph& g, std::vector<uint32_t> best, uint32_t floor, uint64_t perAttempt,
                                    Clock::time_point deadline, std::mt19937_64& rng, const CoveringOptions& options,
                                    const std::function<void(size_t)>& found, const Graph* moves = nullptr) {
    int failures = 0;
    // Far above the floor (a greedy start of thousands of words) one word per
    // repair is slow going: drop a batch of the least useful words at once,
    // and halve the batch whenever such a repair fails. Near the floor this is
    // the one-word step below.
    size_t batch = std::max<size_t>(1, (best.size() - std::min<size_t>(best.size(), floor)) / 32);
    while (best.size() > floor && best.size() > 1 && Clock::now() < deadline &&
           !(options.cancel && options.cancel->load(std::memory_order_relaxed))) {
        const size_t room = best.size() - std::max<size_t>(floor, 1);
        const size_t k = failures == 0 ? std::min(batch, room) : 1;
        std::vector<uint32_t> trial;
        if (k > 1) {
            std::vector<uint16_t> cov = StartCover(g);
            for (uint32_t w : best) {
                ++cov[w];
                for (uint32_t y : Of(g, w)) ++cov[y];
            }
            std::vector<std::pair<int, uint64_t>> order(best.size());  // (points only it covers, random)
            for (size_t i = 0; i < best.size(); ++i) order[i] = {UniqueCover(g, cov, best[i]), rng()};
            std::vector<size_t> idx(best.size());
            std::iota(idx.begin(), idx.end(), size_t{0});
            std::nth_element(idx.begin(), idx.begin() + static_cast<std::ptrdiff_t>(k), idx.end(),
                             [&](size_t a, size_t b) { return order[a] < order[b]; });
            std::vector<uint8_t> dropped(best.size(), 0);
            for (size_t i = 0; i < k; ++i) dropped[idx[i]] = 1;
            for (size_t i = 0; i < best.size(); ++i)
                if (!dropped[i]) trial.push_back(best[i]);
        } else {
            size_t drop = 0;
            if (failures == 0) {
                // Drop the word that alone covers the fewest points, then repair.
                std::vector<uint16_t> cov = StartCover(g);
                for (uint32_t w : best) {
                    ++cov[w];
                    for (uint32_t y : Of(g, w)) ++cov[y];
                }
                int fewest = std::numeric_limits<int>::max();
                int ties = 0;
                for (size_t i = 0; i < best.size(); ++i) {
                    const int u = UniqueCover(g, cov, best[i]);
                    if (u < fewest) {
                        fewest = u;
                        drop = i;
                        ties = 1;
                    } else if (u == fewest && rng() % static_cast<uint64_t>(++ties) == 0) {
                        drop = i;
                    }
                }
            } else {
                drop = static_cast<size_t>(rng() % best.size());
            }
            trial = best;
            trial.erase(trial.begin() + static_cast<std::ptrdiff_t>(drop));
        }
        Tabu tabu(g, std::move(trial), rng(), moves);
        // Later attempts run longer: the step may simply be hard. A batch gets
        // a share by its size: a batch that does not come out quickly is given
        // up for a smaller one rather than eating the budget.
        const uint64_t iterations = k > 1 ? std::min<uint64_t>(perAttempt, 4000 * static_cast<uint64_t>(k))
                                          : perAttempt * static_cast<uint64_t>(1 + std::min(failures, 8));
        if (tabu.run(iterations, deadline, options.cancel)) {
            best = tabu.code();
            failures = 0;
            if (found) found(best.size());
        } else if (k > 1) {
            batch = k / 2;
        } else {
            ++failures;
        }
    }
    return best;
}

// Coset search: the code is taken as a union of cosets of a group L of moves
// (a subspace on the three-sign coordinates plus one on the two-sign ones).
// A coset covers another exactly when their difference lies in L + ball, so
// the problem becomes a covering problem on the much smaller graph of cosets.
// Good large codes of the literature are built this way.
struct CosetProblem {
    Graph graph;
    std::vector<uint32_t> cosetOf;              // point -> coset
    std::vector<std::vector<uint32_t>> points;  // coset -> its points
};

// Adds two words coordinate by coordinate (mod 2 or 3).
CoverWord AddWords(const MixedSpace& s, const CoverWord& a, const CoverWord& b) {
    CoverWord r(a.size());
    for (int i = 0; i < s.length(); ++i) r[i] = static_cast<uint8_t>((a[i] + b[i]) % s.radix(i));
    return r;
}

// A random group of 3^k3 * 2^k2 moves whose non-zero members change at least
// minWeight signs (2r + 1: balls of different members stay apart), or nullopt.
std::optional<std::vector<CoverWord>> RandomGroup(const MixedSpace& s, int k3, int k2, int minWeight,
                                                  std::mt19937_64& rng) {
    const int n = s.length();
    for (int attempt = 0; attempt < 200; ++attempt) {
        std::vector<CoverWord> members{CoverWord(n, 0)};
        bool good = true;
        auto extend = [&](int k, int radix, int from, int to) {
            for (int b = 0; b < k && good; ++b) {
                CoverWord v(n, 0);
                for (int i = from; i < to; ++i) v[i] = static_cast<uint8_t>(rng() % radix);
                // New members: every old member plus 1..radix-1 times v.
                std::vector<CoverWord> grown = members;
                CoverWord step = v;
                for (int t = 1; t < radix; ++t) {
                    for (const CoverWord& m : members) grown.push_back(AddWords(s, m, step));
                    step = AddWords(s, step, v);
                }
                // Independence: the new members must all be new.
                std::vector<uint32_t> codes;
                for (const CoverWord& m : grown) codes.push_back(s.Encode(m));
                std::sort(codes.begin(), codes.end());
                if (std::adjacent_find(codes.begin(), codes.end()) != codes.end()) {
                    good = false;
                    break;
                }
                members = std::move(grown);
            }
        };
        extend(k2, 2, 0, s.half());
        extend(k3, 3, s.half(), n);
        if (!good) continue;
        for (size_t m = 1; m < members.size() && good; ++m) {
            int weight = 0;
            for (uint8_t x : members[m]) weight += x != 0;
            if (weight < minWeight) good = false;
        }
        if (good) return members;
    }
    return std::nullopt;
}

CosetProblem MakeCosetProblem(const MixedSpace& s, const Graph& plain, const std::vector<CoverWord>& group) {
    CosetProblem cp;
    const uint32_t none = std::numeric_limits<uint32_t>::max();
    cp.cosetOf.assign(s.size(), none);
    for (uint32_t p = 0; p < s.size(); ++p) {
        if (cp.cosetOf[p] != none) continue;
        const uint32_t id = static_cast<uint32_t>(cp.points.size());
        cp.points.emplace_back();
        const CoverWord x = s.Decode(p);
        for (const CoverWord& m : group) {
            const uint32_t q = s.Encode(AddWords(s, x, m));
            cp.cosetOf[q] = id;
            cp.points.back().push_back(q);
        }
    }
    Graph& g = cp.graph;
    g.nodes = static_cast<uint32_t>(cp.points.size());
    g.start.push_back(0);
    std::vector<uint32_t> nb;
    for (uint32_t c = 0; c < g.nodes; ++c) {
        nb.clear();
        for (uint32_t y : Of(plain, cp.points[c].front())) {
            const uint32_t d = cp.cosetOf[y];
            if (d != c) nb.push_back(d);
        }
        std::sort(nb.begin(), nb.end());
        nb.erase(std::unique(nb.begin(), nb.end()), nb.end());
        g.adj.insert(g.adj.end(), nb.begin(), nb.end());
        g.start.push_back(static_cast<uint32_t>(g.adj.size()));
        g.maxDeg = std::max<uint32_t>(g.maxDeg, static_cast<uint32_t>(nb.size()));
    }
    return cp;
}

// The weighted search of WeightedShrinkCoverGraph. Scores, kept up to date
// on every change: for a node outside the list, the weight of the uncovered
// needed nodes it would cover; for a node in the list, minus the weight of
// the needed nodes only it covers (what taking it out would cost).
class WeightedCover {
public:
    WeightedCover(const Graph& g, uint64_t seed)
        : g_(g),
          rng_(seed),
          list_(g.nodes),
          cov_(g.nodes, 0),
          weight_(g.nodes, 1),
          score_(g.nodes, 0),
          stamp_(g.nodes, 0),
          tabuUntil_(g.nodes, 0),
          holes_(g.nodes) {
        for (uint32_t p = 0; p < g.nodes; ++p)
            if (g.needs(p)) {
                holes_.insert(p);
                // Every node that covers p, p itself included, would gain it.
                ++score_[p];
                for (uint32_t t : Of(g, p)) ++score_[t];
            }
    }

    void add(uint32_t s) {
        if (list_.contains(s)) return;
        const int64_t before = score_[s];
        forCovered(s, [&](uint32_t e) {
            if (cov_[e] == 0) {
                holes_.erase(e);
                forCoverers(e, [&](uint32_t t) {
                    if (t != s) score_[t] -= weight_[e];
                });
            } else if (cov_[e] == 1) {
                score_[onlyCoverer(e)] += weight_[e];
            }
            ++cov_[e];
        });
        score_[s] = -before;
        list_.insert(s);
        stamp_[s] = iter_;
    }

    void remove(uint32_t s) {
        if (!list_.contains(s)) return;
        list_.erase(s);
        const int64_t before = score_[s];
        forCovered(s, [&](uint32_t e) {
            if (--cov_[e] == 0) {
                holes_.insert(e);
                forCoverers(e, [&](uint32_t t) {
                    if (t != s) score_[t] += weight_[e];
                });
            } else if (cov_[e] == 1) {
                score_[onlyCoverer(e)] -= weight_[e];
            }
        });
        score_[s] = -before;
        stamp_[s] = iter_;
    }

    // Takes out every node of the list that covers nothing alone.
    void dropRedundant() {
        for (size_t i = list_.size(); i-- > 0;)
            if (i < list_.size() && score_[list_[i]] == 0) remove(list_[i]);
    }

    // The node of the list that costs least to take out (the oldest of
    // equals), never the one just brought in.
    uint32_t cheapest() const {
        uint32_t best = list_[0];
        bool any = false;
        for (uint32_t s : list_.items()) {
            if (s == lastAdded_ && list_.size() > 1) continue;
            if (!any || score_[s] > score_[best] || (score_[s] == score_[best] && stamp_[s] < stamp_[best])) {
                best = s;
                any = true;
            }
        }
        return best;
    }

    // One step on a list that leaves needed nodes uncovered: the node that
    // covers the most (weighted) uncovered nodes next to a random uncovered
    // one comes in, then the node that costs least goes out. Taken out after
    // the new one is in, a node whose outcomes the new one covers as well
    // costs nothing, so the pair is a move of one node to a better place. In
    // the weighted phase the uncovered nodes then weigh more.
    void step() {
        ++iter_;
        const uint32_t e = holes_[rng_() % holes_.size()];
        uint32_t in = e;
        bool any = false, anyAllowed = false;
        forCoverers(e, [&](uint32_t t) {
            if (list_.contains(t)) return;
            const bool allowed = tabuUntil_[t] <= iter_;
            if (anyAllowed && !allowed) return;
            if (!any || (allowed && !anyAllowed) || score_[t] > score_[in] ||
                (score_[t] == score_[in] && stamp_[t] < stamp_[in])) {
                in = t;
                any = true;
                anyAllowed = anyAllowed || allowed;
            }
        });
        add(in);
        lastAdded_ = in;
        const uint32_t out = cheapest();
        remove(out);
        // A node just taken out stays out for a while, or the search circles.
        tabuUntil_[out] = iter_ + kTenure + rng_() % (kTenure / 2 + 1);
        if (weighted_)
            for (uint32_t h : holes_.items()) {
                ++weight_[h];
                forCoverers(h, [&](uint32_t t) { ++score_[t]; });
            }
    }

    // From now on the uncovered nodes gain weight at every step.
    void weigh() { weighted_ = true; }
    bool weighted() const { return weighted_; }
    const std::vector<uint32_t>& list() const { return list_.items(); }
    size_t holes() const { return holes_.size(); }

private:
    static constexpr uint64_t kTenure = 10;
    const Graph& g_;
    std::mt19937_64 rng_;
    IndexedSet list_;
    std::vector<uint16_t> cov_;  // nodes of the list covering a needed node
    std::vector<uint32_t> weight_;
    std::vector<int64_t> score_;
    std::vector<uint64_t> stamp_;  // step of the node's last change
    std::vector<uint64_t> tabuUntil_;
    IndexedSet holes_;  // needed nodes no node of the list covers
    uint64_t iter_ = 0;
    bool weighted_ = false;
    uint32_t lastAdded_ = std::numeric_limits<uint32_t>::max();

    template <class F>
    void forCovered(uint32_t s, F&& f) {
        if (g_.needs(s)) f(s);
        for (uint32_t y : Of(g_, s))
            if (g_.needs(y)) f(y);
    }
    template <class F>
    void forCoverers(uint32_t e, F&& f) {
        f(e);
        for (uint32_t t : Of(g_, e)) f(t);
    }
    uint32_t onlyCoverer(uint32_t e) const {
        if (list_.contains(e)) return e;
        for (uint32_t t : Of(g_, e))
            if (list_.contains(t)) return t;
        return e;  // not reached: cov_ says one covers e
    }
};

}  // namespace

std::vector<uint32_t> WeightedShrinkCoverGraph(const CoverGraph& g, std::vector<uint32_t> code, uint32_t floor,
                                               const CoveringOptions& options) {
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(std::max(0.0, options.seconds)));
    const uint32_t stopAt = std::max({floor, options.target, 1u});
    if (code.empty() || code.size() <= stopAt) return code;
    WeightedCover search(g, options.seed);
    for (uint32_t s : code) search.add(s);
    // A list that does not cover is no start: the caller's list comes back as it was.
    if (search.holes() != 0) return code;
    std::vector<uint32_t> best = std::move(code);
    auto cancelled = [&] { return options.cancel && options.cancel->load(std::memory_order_relaxed); };
    uint64_t it = 0, lastGain = 0;
    for (;; ++it) {
        if ((it & 255) == 0 && (Clock::now() >= deadline || cancelled())) break;
        if (search.holes() == 0) {
            search.dropRedundant();
            if (search.list().size() < best.size()) {
                best = search.list();
                lastGain = it;
                if (options.progress)
                    options.progress(static_cast<uint32_t>(best.size()),
                                     std::chrono::duration<double>(Clock::now() - start).count());
            }
            if (best.size() <= stopAt || search.list().size() <= 1) break;
            search.remove(search.cheapest());
            continue;
        }
        // Plain counts first, while they still lead somewhere; once a long
        // stretch finds nothing smaller, the weights take over.
        if (!search.weighted() && it - lastGain > std::max<uint64_t>(20000, 20 * best.size())) search.weigh();
        search.step();
    }
    return best;
}

MixedSpace::MixedSpace(int full, int half) : full_(full), half_(half) {
    CheckSpace(full, half, kMaxSpacePoints);
    const int n = full + half;
    weight_.assign(n, 1);
    uint32_t w = 1;
    for (int i = n - 1; i >= 0; --i) {
        weight_[i] = w;
        w *= static_cast<uint32_t>(radix(i));
    }
    size_ = w;
}

uint32_t MixedSpace::Encode(const CoverWord& w) const {
    uint32_t p = 0;
    for (int i = 0; i < length(); ++i) p += w[i] * weight_[i];
    return p;
}

CoverWord MixedSpace::Decode(uint32_t point) const {
    CoverWord w(length());
    for (int i = 0; i < length(); ++i) w[i] = static_cast<uint8_t>((point / weight_[i]) % radix(i));
    return w;
}

void MixedSpace::Ball(uint32_t point, int radius, std::vector<uint32_t>& out) const {
    Neighbours(point, out);
    if (radius < 2) return;
    // Distance exactly 2: two coordinates changed, each to another symbol.
    const int n = length();
    for (int i = 0; i < n; ++i) {
        const uint32_t ri = static_cast<uint32_t>(radix(i));
        const uint32_t di = (point / weight_[i]) % ri;
        for (uint32_t vi = 0; vi < ri; ++vi) {
            if (vi == di) continue;
            const uint32_t pi = point - di * weight_[i] + vi * weight_[i];
            for (int j = i + 1; j < n; ++j) {
                const uint32_t rj = static_cast<uint32_t>(radix(j));
                const uint32_t dj = (point / weight_[j]) % rj;
                for (uint32_t vj = 0; vj < rj; ++vj)
                    if (vj != dj) out.push_back(pi - dj * weight_[j] + vj * weight_[j]);
            }
        }
    }
}

uint64_t MixedSpace::BallSize(int radius) const {
    const uint64_t one = static_cast<uint64_t>(half_) + 2u * static_cast<uint64_t>(full_);
    if (radius < 2) return 1 + one;
    // Pairs of changed coordinates: half-half, half-full, full-full.
    const uint64_t h = static_cast<uint64_t>(half_), f = static_cast<uint64_t>(full_);
    return 1 + one + h * (h - (h > 0)) / 2 + 2 * h * f + 4 * f * (f - (f > 0)) / 2;
}

void MixedSpace::Neighbours(uint32_t point, std::vector<uint32_t>& out) const {
    out.clear();
    for (int i = 0; i < length(); ++i) {
        const uint32_t r = static_cast<uint32_t>(radix(i));
        const uint32_t d = (point / weight_[i]) % r;
        const uint32_t base = point - d * weight_[i];
        for (uint32_t v = 0; v < r; ++v)
            if (v != d) out.push_back(base + v * weight_[i]);
    }
}

uint32_t SphereCoveringBound(int full, int half, int radius) {
    const MixedSpace space(full, half);
    const uint64_t ball = space.BallSize(radius);
    return static_cast<uint32_t>((space.size() + ball - 1) / ball);
}

bool IsCovering(int full, int half, const std::vector<CoverWord>& code, int radius) {
    const int n = full + half;
    const MixedSpace space(full, half);
    std::vector<uint8_t> reached(space.size(), 0);
    std::vector<uint32_t> ball;
    for (const CoverWord& w : code) {
        if (static_cast<int>(w.size()) != n) return false;
        for (int i = 0; i < n; ++i)
            if (w[i] >= space.radix(i)) return false;
        const uint32_t p = space.Encode(w);
        reached[p] = 1;
        space.Ball(p, radius, ball);
        for (uint32_t y : ball) reached[y] = 1;
    }
    return std::all_of(reached.begin(), reached.end(), [](uint8_t r) { return r != 0; });
}

bool IsRadiusOneCovering(int full, int half, const std::vector<CoverWord>& code) {
    const int n = full + half;
    for (const CoverWord& w : code) {
        if (static_cast<int>(w.size()) != n) return false;
        for (int i = 0; i < n; ++i)
            if (w[i] >= (i < half ? 2 : 3)) return false;
    }
    // Every point, against every word: a plain double loop, no shared machinery.
    const MixedSpace space(full, half);
    for (uint32_t p = 0; p < space.size(); ++p) {
        const CoverWord x = space.Decode(p);
        bool covered = false;
        for (const CoverWord& w : code) {
            int diff = 0;
            for (int i = 0; i < n && diff <= 1; ++i) diff += x[i] != w[i];
            if (diff <= 1) {
                covered = true;
                break;
            }
        }
        if (!covered) return false;
    }
    return true;
}

CoverGraph CoverGraph::OfSpace(const MixedSpace& s, int radius) {
    CoverGraph g;
    g.nodes = s.size();
    g.start.reserve(static_cast<size_t>(s.size()) + 1);
    g.adj.reserve(static_cast<size_t>(s.size()) * static_cast<size_t>(s.BallSize(radius) - 1));
    std::vector<uint32_t> tmp;
    g.start.push_back(0);
    for (uint32_t p = 0; p < s.size(); ++p) {
        s.Ball(p, radius, tmp);
        g.adj.insert(g.adj.end(), tmp.begin(), tmp.end());
        g.start.push_back(static_cast<uint32_t>(g.adj.size()));
        g.maxDeg = std::max<uint32_t>(g.maxDeg, static_cast<uint32_t>(tmp.size()));
    }
    return g;
}

std::vector<uint32_t> GreedyCoverGraph(const CoverGraph& g, uint64_t seed) { return GreedyOnGraph(g, seed); }

std::vector<uint32_t> ShrinkCoverGraph(const CoverGraph& g, std::vector<uint32_t> code, uint32_t floor,
                                       const CoveringOptions& options) {
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(std::max(0.0, options.seconds)));
    std::mt19937_64 rng(options.seed);
    const uint64_t perAttempt = std::max<uint64_t>(1000, static_cast<uint64_t>(options.iterationsPerPoint * g.nodes));
    auto found = [&](size_t size) {
        if (options.progress)
            options.progress(static_cast<uint32_t>(size), std::chrono::duration<double>(Clock::now() - start).count());
    };
    return ShrinkOnGraph(g, std::move(code), std::max(floor, options.target), perAttempt, deadline, rng, options,
                         found);
}

std::vector<uint32_t> GreedyCovering(const MixedSpace& space, uint64_t seed) {
    return GreedyOnGraph(Graph::OfSpace(space), seed);
}

bool TabuCover(const MixedSpace& space, std::vector<uint32_t>& code, uint64_t maxIterations, uint64_t seed,
               const std::atomic<bool>* cancel) {
    if (code.empty()) return false;
    const Graph g = Graph::OfSpace(space);
    Tabu tabu(g, code, seed);
    const bool ok = tabu.run(maxIterations, Clock::time_point::max(), cancel);
    code = tabu.code();
    return ok;
}

std::vector<CoverWord> FindCovering(int full, int half, const CoveringOptions& options) {
    CheckSpace(full, half);
    const MixedSpace space(full, half);
    const auto start = Clock::now();
    auto at = [&](double seconds) {
        return start +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(0.0, seconds)));
    };
    const auto deadline = at(options.seconds);
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    auto cancelled = [&] { return options.cancel && options.cancel->load(std::memory_order_relaxed); };
    std::mt19937_64 rng(options.seed);
    const int radius = options.radius;
    if (radius != 1 && radius != 2) throw std::invalid_argument("a covering radius of 1 or 2 only");
    if (static_cast<uint64_t>(space.size()) * (space.BallSize(radius) - 1) > kMaxCoveringGraphEntries)
        throw std::invalid_argument("too many guarded matches for a covering search of this radius");
    const Graph g = Graph::OfSpace(space, radius);
    // At radius 2 the words move one sign at a time (see Tabu).
    const std::optional<Graph> steps = radius > 1 ? std::optional<Graph>(Graph::OfSpace(space, 1)) : std::nullopt;
    const Graph* moves = steps ? &*steps : nullptr;
    const uint32_t floor = std::max(options.target, SphereCoveringBound(full, half, radius));
    auto perAttempt = [&](const Graph& gr) {
        return std::max<uint64_t>(1000, static_cast<uint64_t>(options.iterationsPerPoint * gr.nodes));
    };
    auto report = [&](size_t size) {
        if (options.progress) options.progress(static_cast<uint32_t>(size), elapsed());
    };

    std::vector<uint32_t> best = GreedyOnGraph(g, options.seed);
    report(best.size());
    // A given start (a construction, a shipped system) replaces the greedy
    // one when it is smaller and really covers.
    if (!options.start.empty() && options.start.size() < best.size() &&
        IsCovering(full, half, options.start, radius)) {
        best.clear();
        for (const CoverWord& w : options.start) best.push_back(space.Encode(w));
        std::sort(best.begin(), best.end());
        best.erase(std::unique(best.begin(), best.end()), best.end());
        report(best.size());
    }

    // First part of the time: coset searches over random groups of moves,
    // taking turns over the group sizes that leave 9 .. maxCosets cosets.
    std::vector<std::pair<int, int>> shapes;
    for (int k3 = 0; k3 < std::max(1, full); ++k3)
        for (int k2 = 0; k2 < std::max(1, half); ++k2) {
            if (k3 + k2 == 0 || k3 > full || k2 > half) continue;
            uint64_t groupSize = 1;
            for (int i = 0; i < k3; ++i) groupSize *= 3;
            for (int i = 0; i < k2; ++i) groupSize *= 2;
            const uint64_t cosets = space.size() / groupSize;
            if (cosets >= 9 && cosets <= options.maxCosets) shapes.emplace_back(k3, k2);
        }
    if (!shapes.empty() && space.size() >= 64) {
        const auto phaseEnd = at(options.seconds * options.cosetShare);
        // Small coset graphs are solved (or given up) fast: try many groups there.
        const double sliceCap =
            std::max(0.05, options.seconds * options.cosetShare / (3.0 * static_cast<double>(shapes.size())));
        for (size_t turn = 0; Clock::now() < phaseEnd && best.size() > floor && !cancelled(); ++turn) {
            const auto [k3, k2] = shapes[turn % shapes.size()];
            const auto group = RandomGroup(space, k3, k2, 2 * radius + 1, rng);
            if (!group) continue;
            const CosetProblem cp = MakeCosetProblem(space, g, *group);
            const std::optional<CosetProblem> cpSteps =
                steps ? std::optional<CosetProblem>(MakeCosetProblem(space, *steps, *group)) : std::nullopt;
            const size_t groupSize = group->size();
            const uint32_t cosetFloor = static_cast<uint32_t>((floor + groupSize - 1) / groupSize);
            const double slice = std::clamp(cp.graph.nodes / 2000.0, 0.02, sliceCap);
            const auto sliceEnd = std::min(phaseEnd, Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                                        std::chrono::duration<double>(slice)));
            std::vector<uint32_t> cosets = GreedyOnGraph(cp.graph, rng());
            if (options.weightedShare > 0) {
                CoveringOptions sub;
                sub.seed = rng();
                sub.seconds = std::chrono::duration<double>(sliceEnd - Clock::now()).count();
                sub.cancel = options.cancel;
                // Only a union of cosets smaller than the best code helps.
                sub.target = std::max<uint32_t>(cosetFloor, 1);
                cosets = WeightedShrinkCoverGraph(cp.graph, std::move(cosets), cosetFloor, sub);
            } else {
                cosets = ShrinkOnGraph(cp.graph, std::move(cosets), cosetFloor, perAttempt(cp.graph), sliceEnd, rng,
                                       options, {}, cpSteps ? &cpSteps->graph : nullptr);
            }
            if (cosets.size() * groupSize < best.size()) {
                best.clear();
                for (uint32_t c : cosets) best.insert(best.end(), cp.points[c].begin(), cp.points[c].end());
                report(best.size());
            }
        }
    }

    // Then the weighted search for its share, and the plain tabu search from
    // the best code so far.
    if (options.weightedShare > 0 && best.size() > floor && !cancelled()) {
        CoveringOptions sub;
        sub.seed = rng();
        sub.seconds = std::chrono::duration<double>(deadline - Clock::now()).count() * options.weightedShare;
        sub.cancel = options.cancel;
        sub.progress = [&](uint32_t size, double) { report(size); };
        best = WeightedShrinkCoverGraph(g, std::move(best), floor, sub);
    }
    best = ShrinkOnGraph(g, std::move(best), floor, perAttempt(g), deadline, rng, options, report, moves);

    std::sort(best.begin(), best.end());
    std::vector<CoverWord> words;
    words.reserve(best.size());
    for (uint32_t p : best) words.push_back(space.Decode(p));
    return words;
}

}  // namespace vinra::reduction
