#pragma once
// Search for small covering codes of the mixed space of h two-sign
// (half-guarded) and f three-sign (fully guarded) matches: row sets such that
// every outcome of the guarded matches is at most one (radius 1) or two
// (radius 2) signs away from some row. These are the row sets of the shipped
// reduced systems: with the single matches right, such a system always has a
// row with at most one (two) wrong.
//
// A word holds one symbol per coordinate: the h half coordinates first (symbols
// 0 and 1), then the f full coordinates (symbols 0, 1 and 2), the order of the
// lines of a system file.
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace vinra::reduction {

using CoverWord = std::vector<uint8_t>;

// The largest neighbour table FindCovering builds (4 bytes an entry).
inline constexpr uint64_t kMaxCoveringGraphEntries = 64ull << 20;

// The mixed space 2^h x 3^f; points are numbered in mixed radix, the first
// coordinate most significant.
class MixedSpace {
public:
    MixedSpace(int full, int half);

    int full() const { return full_; }
    int half() const { return half_; }
    int length() const { return full_ + half_; }
    uint32_t size() const { return size_; }
    int radix(int coord) const { return coord < half_ ? 2 : 3; }

    uint32_t Encode(const CoverWord& w) const;
    CoverWord Decode(uint32_t point) const;
    // The points at distance exactly 1 (h + 2f of them), in a fixed order.
    void Neighbours(uint32_t point, std::vector<uint32_t>& out) const;
    // The points at distance 1 .. radius (the point itself left out).
    void Ball(uint32_t point, int radius, std::vector<uint32_t>& out) const;
    // Points within distance radius of a point, the point itself included.
    uint64_t BallSize(int radius) const;

private:
    int full_;
    int half_;
    uint32_t size_;
    std::vector<uint32_t> weight_;  // place value of each coordinate
};

// ceil(size / ball size): no covering of that radius can have fewer words.
uint32_t SphereCoveringBound(int full, int half, int radius = 1);

// True when every point of the space is within distance 1 of a word of code.
// Plain check, independent of the search.
bool IsRadiusOneCovering(int full, int half, const std::vector<CoverWord>& code);
// True when every point is within `radius` of a word of code (every word a
// valid point). Marks the balls of the words, so it takes large codes too.
bool IsCovering(int full, int half, const std::vector<CoverWord>& code, int radius);

struct CoveringOptions {
    uint64_t seed = 1;
    // Every point must lie within this many signs of a word (1 or 2).
    int radius = 1;
    // A covering to start from (one made by construction, or a shipped one):
    // the search then only has to beat it, and gives it back when it cannot.
    // Ignored when it does not cover.
    std::vector<CoverWord> start;
    // Wall-clock budget of the whole search (greedy start included), seconds.
    double seconds = 5.0;
    // Tabu iterations allowed for one attempt at a given size, per point of the space.
    double iterationsPerPoint = 40.0;
    // Share of the time given to the coset search, and the largest coset graph it tries.
    double cosetShare = 0.5;
    uint32_t maxCosets = 6561;
    // Share of the time left after the coset search given to the weighted
    // search (WeightedShrinkCoverGraph) before the tabu search; with a share
    // the coset graphs are searched by it too. 0: tabu search only.
    double weightedShare = 0.0;
    // Stop as soon as a covering of this size (or smaller) is found; 0 = none.
    uint32_t target = 0;
    const std::atomic<bool>* cancel = nullptr;
    // Called after every size found (size, seconds used); may be empty.
    std::function<void(uint32_t, double)> progress;
};

// A covering problem as a graph: a node covers itself and its neighbours, and
// only the nodes marked in `need` must be covered (all of them when `need` is
// empty). The plain space is one such graph; the outcomes a player's conditions
// leave inside his frame, with the rows near them, are another (a node there
// may cover at distance 2 as well, when its neighbours are listed so).
struct CoverGraph {
    uint32_t nodes = 0;
    std::vector<uint32_t> start;  // neighbours of p: adj[start[p] .. start[p+1])
    std::vector<uint32_t> adj;
    uint32_t maxDeg = 0;
    std::vector<uint8_t> need;  // 1: must be covered; empty: every node must

    uint32_t deg(uint32_t p) const { return start[p + 1] - start[p]; }
    bool needs(uint32_t p) const { return need.empty() || need[p] != 0; }
    // The graph of the whole space (every point needed), a node covering
    // what lies within radius.
    static CoverGraph OfSpace(const MixedSpace& s, int radius = 1);
};

// Greedy covering of the needed nodes of a graph (ties broken by the seed).
std::vector<uint32_t> GreedyCoverGraph(const CoverGraph& g, uint64_t seed);

// Shrinks a covering of the graph's needed nodes one node at a time by the tabu
// search, within options.seconds (and options.cancel), never below
// max(floor, options.target). options.progress hears every smaller size found.
// Gives the smallest covering found (the given one when none is smaller).
std::vector<uint32_t> ShrinkCoverGraph(const CoverGraph& g, std::vector<uint32_t> code, uint32_t floor,
                                       const CoveringOptions& options);

// The search for graphs whose needed nodes are a thinned part of the space
// (a player's conditions): a fixed number of nodes is moved to cover the most
// weighted needed nodes, one node out and one in per step; a needed node that
// stays uncovered grows heavier, so the search is pushed off the places it
// keeps failing. Whenever every needed node is covered the list is taken when
// smaller than the best, freed of nodes that cover nothing alone, and one more
// node is dropped. The graph's neighbour lists must be symmetric (a node
// covers what covers it). Never gives more nodes than it was given, and stops
// at max(floor, options.target), at options.seconds or at options.cancel;
// options.progress hears every smaller size found.
std::vector<uint32_t> WeightedShrinkCoverGraph(const CoverGraph& g, std::vector<uint32_t> code, uint32_t floor,
                                               const CoveringOptions& options);

// Greedy covering: repeatedly takes the point that covers most of what is still
// uncovered (ties broken by the seed). Always a complete covering.
std::vector<uint32_t> GreedyCovering(const MixedSpace& space, uint64_t seed);

// Tries to make a code of exactly code.size() words cover the space by tabu
// search (codewords moved one sign at a time toward uncovered points). On
// success code holds the covering and true is returned; else code holds the
// last state and false is returned.
bool TabuCover(const MixedSpace& space, std::vector<uint32_t>& code, uint64_t maxIterations, uint64_t seed,
               const std::atomic<bool>* cancel = nullptr);

// Greedy start; then, for part of the budget, coset searches (the code taken
// as a union of cosets of a random group of moves, which turns the problem into
// a much smaller one); then shrinks the best code one word at a time with the
// tabu search while the budget lasts. Gives the smallest covering found, its
// words sorted ascending.
// Spaces of more than 3^12 points, and radius-2 graphs of more than
// kMaxCoveringGraphEntries neighbour entries, are refused (std::invalid_argument).
std::vector<CoverWord> FindCovering(int full, int half, const CoveringOptions& options);

}  // namespace vinra::reduction
