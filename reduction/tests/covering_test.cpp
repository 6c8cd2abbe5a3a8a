#include "reduction/covering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace vinra::reduction {
namespace {

int Distance(const CoverWord& a, const CoverWord& b) {
    int d = 0;
    for (size_t i = 0; i < a.size(); ++i) d += a[i] != b[i];
    return d;
}

TEST(MixedSpace, NumbersPointsAndFindsExactlyTheNeighbours) {
    for (auto [f, h] : {std::pair{1, 0}, {0, 1}, {2, 3}, {4, 0}, {0, 5}, {3, 2}}) {
        SCOPED_TRACE(testing::Message() << f << "-" << h);
        const MixedSpace s(f, h);
        uint32_t size = 1;
        for (int i = 0; i < h; ++i) size *= 2;
        for (int i = 0; i < f; ++i) size *= 3;
        ASSERT_EQ(s.size(), size);
        std::vector<uint32_t> nb;
        for (uint32_t p = 0; p < s.size(); ++p) {
            const CoverWord w = s.Decode(p);
            ASSERT_EQ(s.Encode(w), p);
            for (int i = 0; i < h; ++i) ASSERT_LT(w[i], 2);  // half coordinates come first
            s.Neighbours(p, nb);
            ASSERT_EQ(nb.size(), static_cast<size_t>(h + 2 * f));
            ASSERT_EQ(std::set<uint32_t>(nb.begin(), nb.end()).size(), nb.size());
            for (uint32_t q : nb) ASSERT_EQ(Distance(w, s.Decode(q)), 1);
        }
    }
}

TEST(Covering, PlainCheckAcceptsThePerfectCodeAndRefusesBrokenOnes) {
    // The ternary Hamming code of length 4: 9 words, every outcome at most one sign away.
    std::vector<CoverWord> hamming;
    for (uint8_t a = 0; a < 3; ++a)
        for (uint8_t b = 0; b < 3; ++b)
            hamming.push_back({a, b, static_cast<uint8_t>((a + b) % 3), static_cast<uint8_t>((a + 2 * b) % 3)});
    EXPECT_TRUE(IsRadiusOneCovering(4, 0, hamming));

    auto missing = hamming;
    missing.pop_back();
    EXPECT_FALSE(IsRadiusOneCovering(4, 0, missing));

    auto badSymbol = hamming;
    badSymbol[0][0] = 3;
    EXPECT_FALSE(IsRadiusOneCovering(4, 0, badSymbol));

    // A 2 on a half coordinate is not a sign of that space.
    EXPECT_FALSE(IsRadiusOneCovering(0, 2, {{0, 0}, {1, 2}}));
    EXPECT_TRUE(IsRadiusOneCovering(0, 2, {{0, 0}, {1, 1}}));
    EXPECT_FALSE(IsRadiusOneCovering(0, 2, {{0, 0}}));
}

TEST(Covering, SphereBound) {
    EXPECT_EQ(SphereCoveringBound(4, 0), 9u);
    EXPECT_EQ(SphereCoveringBound(0, 7), 16u);
    EXPECT_EQ(SphereCoveringBound(5, 0), 23u);
    EXPECT_EQ(SphereCoveringBound(3, 3), 22u);  // 216 / 10 rounded up
}

TEST(Covering, GreedyAlwaysCovers) {
    for (auto [f, h] : {std::pair{3, 0}, {0, 6}, {2, 3}, {5, 1}}) {
        for (uint64_t seed : {1u, 2u, 3u}) {
            const MixedSpace s(f, h);
            std::vector<CoverWord> code;
            for (uint32_t p : GreedyCovering(s, seed)) code.push_back(s.Decode(p));
            EXPECT_TRUE(IsRadiusOneCovering(f, h, code)) << f << "-" << h << " seed " << seed;
        }
    }
}

TEST(Covering, TabuRepairsAScatteredCode) {
    const MixedSpace s(4, 0);
    // Nine words bunched in one corner cannot cover; the search must spread them.
    std::vector<uint32_t> code = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(TabuCover(s, code, 200000, 7));
    std::vector<CoverWord> words;
    for (uint32_t p : code) words.push_back(s.Decode(p));
    EXPECT_EQ(words.size(), 9u);
    EXPECT_TRUE(IsRadiusOneCovering(4, 0, words));
}

TEST(Covering, FindsTheKnownBestSmallSystems) {
    struct Case {
        int full, half;
        size_t best;  // smallest size known
    };
    for (const Case& c : {Case{2, 0, 3}, Case{3, 0, 5}, Case{4, 0, 9}, Case{5, 0, 27}, Case{0, 4, 4}, Case{0, 7, 16},
                          Case{1, 1, 2}, Case{2, 2, 6}}) {
        SCOPED_TRACE(testing::Message() << c.full << "-" << c.half);
        CoveringOptions opt;
        opt.seconds = 10;
        opt.target = static_cast<uint32_t>(c.best);
        const auto code = FindCovering(c.full, c.half, opt);
        EXPECT_TRUE(IsRadiusOneCovering(c.full, c.half, code));
        EXPECT_EQ(code.size(), c.best);
        std::set<std::string> distinct;
        for (const CoverWord& w : code) distinct.insert(std::string(w.begin(), w.end()));
        EXPECT_EQ(distinct.size(), code.size());
    }
}

// The weighted search on the plain space, from a greedy start, down to the
// best sizes known; the coset search of the shipped systems hands it graphs
// of this kind too. A start that does not cover comes back unchanged.
TEST(Covering, WeightedSearchReachesTheKnownBestFromAGreedyStart) {
    struct Case {
        int full, half, radius;
        uint32_t best;
    };
    for (const Case& c : {Case{4, 0, 1, 9}, Case{0, 7, 1, 16}, Case{2, 2, 1, 6}, Case{6, 0, 2, 17}}) {
        SCOPED_TRACE(testing::Message() << c.full << "-" << c.half << " radius " << c.radius);
        const MixedSpace s(c.full, c.half);
        const CoverGraph g = CoverGraph::OfSpace(s, c.radius);
        CoveringOptions opt;
        opt.seconds = 10;
        opt.seed = 3;
        std::vector<uint32_t> sizes;
        opt.progress = [&](uint32_t size, double) { sizes.push_back(size); };
        const std::vector<uint32_t> greedy = GreedyCoverGraph(g, 3);
        ASSERT_GT(greedy.size(), c.best);
        const std::vector<uint32_t> found = WeightedShrinkCoverGraph(g, greedy, c.best, opt);
        std::vector<CoverWord> words;
        for (uint32_t p : found) words.push_back(s.Decode(p));
        EXPECT_TRUE(IsCovering(c.full, c.half, words, c.radius));
        EXPECT_EQ(found.size(), c.best);
        EXPECT_EQ(std::set<uint32_t>(found.begin(), found.end()).size(), found.size());
        ASSERT_FALSE(sizes.empty());
        EXPECT_EQ(sizes.back(), c.best);
        EXPECT_TRUE(std::is_sorted(sizes.rbegin(), sizes.rend()));
    }
    const MixedSpace s(4, 0);
    const CoverGraph g = CoverGraph::OfSpace(s, 1);
    const std::vector<uint32_t> bunched = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(WeightedShrinkCoverGraph(g, bunched, 9, CoveringOptions{}), bunched);
}

TEST(Covering, CancelledSearchStillGivesACovering) {
    std::atomic<bool> cancel{true};
    CoveringOptions opt;
    opt.cancel = &cancel;
    opt.seconds = 30;
    const auto code = FindCovering(6, 0, opt);
    EXPECT_TRUE(IsRadiusOneCovering(6, 0, code));
}

TEST(Covering, RefusesSpacesOutsideItsRange) {
    CoveringOptions opt;
    EXPECT_THROW(FindCovering(0, 0, opt), std::invalid_argument);
    EXPECT_THROW(FindCovering(13, 0, opt), std::invalid_argument);
    EXPECT_THROW(FindCovering(-1, 2, opt), std::invalid_argument);
}

}  // namespace
}  // namespace vinra::reduction
