#include "reduction/covering_codes.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "reduction/covering.h"

namespace vinra::reduction {
namespace {

int Distance(const CoverWord& a, const CoverWord& b) {
    int d = 0;
    for (size_t i = 0; i < a.size(); ++i) d += a[i] != b[i];
    return d;
}

TEST(MixedSpace, BallOfRadiusTwoIsEveryPointTwoSignsAwayOnce) {
    for (auto [f, h] : {std::pair{3, 0}, {0, 4}, {2, 3}, {1, 1}}) {
        SCOPED_TRACE(testing::Message() << f << "-" << h);
        const MixedSpace s(f, h);
        std::vector<uint32_t> ball;
        for (uint32_t p = 0; p < s.size(); ++p) {
            s.Ball(p, 2, ball);
            const std::set<uint32_t> distinct(ball.begin(), ball.end());
            ASSERT_EQ(distinct.size(), ball.size());
            ASSERT_EQ(ball.size() + 1, s.BallSize(2));
            size_t near = 0;
            for (uint32_t q = 0; q < s.size(); ++q) {
                const int d = Distance(s.Decode(p), s.Decode(q));
                near += d >= 1 && d <= 2;
                if (d >= 1 && d <= 2) {
                    ASSERT_TRUE(distinct.count(q));
                }
            }
            ASSERT_EQ(near, ball.size());
        }
    }
    EXPECT_EQ(SphereCoveringBound(11, 0, 2), 729u);  // 3^11 / 243: the Golay code is perfect
    EXPECT_EQ(SphereCoveringBound(8, 0, 2), 51u);    // 6561 / 129 rounded up
}

TEST(Covering, BallCheckAgreesWithThePlainCheck) {
    std::mt19937 rng(5);
    for (auto [f, h] : {std::pair{4, 0}, {2, 3}, {0, 6}}) {
        const MixedSpace s(f, h);
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<CoverWord> code;
            const size_t words = 2 + rng() % 12;
            for (size_t i = 0; i < words; ++i) code.push_back(s.Decode(static_cast<uint32_t>(rng() % s.size())));
            ASSERT_EQ(IsCovering(f, h, code, 1), IsRadiusOneCovering(f, h, code));
        }
    }
    EXPECT_FALSE(IsCovering(3, 0, {{0, 0, 3}}, 2));  // not a point of the space
}

TEST(CoveringCodes, ConstructionsCoverAtTheirSizes) {
    struct Case {
        int full, radius;
        size_t size;
        const char* recipe;
    };
    for (const Case& c : {Case{4, 1, 9, "Hamming(4)"}, Case{5, 1, 27, "Hamming(4) + 3^1"},
                          Case{3, 2, 3, "repetition(3)"}, Case{8, 2, 81, "Hamming(4) + Hamming(4)"},
                          Case{11, 2, 729, "Golay(11)"}, Case{12, 2, 2187, "Golay(11) + 3^1"},
                          Case{13, 2, 6561, "Golay(11) + 3^2"}}) {
        SCOPED_TRACE(testing::Message() << c.full << " r" << c.radius);
        const ConstructedCode code = ConstructCovering(c.full, c.radius);
        EXPECT_EQ(code.words.size(), c.size);
        EXPECT_EQ(code.recipe, c.recipe);
        EXPECT_TRUE(IsCovering(c.full, 0, code.words, c.radius));
        std::set<std::string> distinct;
        for (const CoverWord& w : code.words) distinct.insert(std::string(w.begin(), w.end()));
        EXPECT_EQ(distinct.size(), code.words.size());
        if (c.size > 1) {
            auto fewer = code.words;
            fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(fewer.size() / 2));
            // The perfect codes and their sums lose a point with any word.
            if (c.full == 4 || c.full == 11 || c.full == 8) {
                EXPECT_FALSE(IsCovering(c.full, 0, fewer, c.radius));
            }
        }
    }
    // The Golay code: minimum distance 5 between any two of its words.
    const auto golay = ConstructCovering(11, 2).words;
    int least = 11;
    for (size_t i = 1; i < golay.size(); ++i) least = std::min(least, Distance(golay[0], golay[i]));
    EXPECT_EQ(least, 5);
}

TEST(CoveringCodes, KnownSizesAndTheSearchStartingFromAConstruction) {
    EXPECT_EQ(BestKnownCoveringSize(9, 0, 1), 1269u);
    EXPECT_EQ(BestKnownCoveringSize(10, 0, 2), 555u);
    EXPECT_EQ(BestKnownCoveringSize(0, 7, 1), 16u);
    EXPECT_EQ(BestKnownCoveringSize(3, 2, 1), 0u);
    EXPECT_EQ(BestKnownCoveringSize(0, 7, 2), 0u);

    // Greedy alone gives over 100 words on 8 guards at radius 2; started from
    // the 81-word construction the search can never end above it.
    CoveringOptions opt;
    opt.radius = 2;
    opt.seconds = 0.5;
    opt.cosetShare = 0;
    opt.start = ConstructCovering(8, 2).words;
    const auto code = FindCovering(8, 0, opt);
    EXPECT_LE(code.size(), 81u);
    EXPECT_TRUE(IsCovering(8, 0, code, 2));

    // A start that does not cover is not taken.
    opt.start.resize(40);
    const auto greedyOnly = FindCovering(8, 0, opt);
    EXPECT_TRUE(IsCovering(8, 0, greedyOnly, 2));
}

TEST(Covering, RadiusTwoSearchReachesTheBestKnownSmallSizes) {
    // Seven guards: 34 needs the words to move one sign at a time; moved
    // within the whole radius-2 ball the search stalled at 35.
    for (auto [f, best] : {std::pair{5, 8u}, {6, 17u}, {7, 34u}}) {
        SCOPED_TRACE(f);
        CoveringOptions opt;
        opt.radius = 2;
        opt.seconds = 40;
        opt.target = best;
        const auto code = FindCovering(f, 0, opt);
        EXPECT_TRUE(IsCovering(f, 0, code, 2));
        EXPECT_EQ(code.size(), best);
    }
}

}  // namespace
}  // namespace vinra::reduction
