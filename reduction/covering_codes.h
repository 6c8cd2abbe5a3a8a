#pragma once
// Covering codes made by construction rather than search, and the sizes of
// the best codes known, for the pure ternary spaces of the shipped systems.
//
// Constructions: the ternary Hamming code of length 4 (9 words, radius 1,
// perfect), the ternary Golay code of length 11 (729 words, radius 2,
// perfect), the repetition code {0..0, 1..1, 2..2}, the whole space, and
// direct sums of these (the radii add up: two Hamming codes of length 4 give
// 81 words of radius 2 on 8 coordinates).
//
// Known sizes: the best known (smallest) sizes K3(f, r) come from the tables of
// bounds on ternary covering codes (Keri's tables and later papers); the lower
// bounds here are the sphere-covering bound worked out by the program, which is
// the true size only where a perfect code meets it (f = 4 at radius 1, f = 11
// at radius 2). tools/README.md lists which figure is which.
#include <cstdint>
#include <string>
#include <vector>

#include "reduction/covering.h"

namespace vinra::reduction {

// The best construction of this module for f three-sign coordinates and the
// radius (1 or 2), with how it is made ("Hamming(4) + Hamming(4)"); empty
// words when none is smaller than the whole space. Words are valid points of
// MixedSpace(f, 0).
struct ConstructedCode {
    std::vector<CoverWord> words;
    std::string recipe;
};
ConstructedCode ConstructCovering(int full, int radius);

// The best known size of a covering of 3^f at this radius from the published
// tables, 0 where the program carries no figure. With half guards (h > 0) only
// the binary figures of pure half frames at radius 1 are known here.
uint32_t BestKnownCoveringSize(int full, int half, int radius);

}  // namespace vinra::reduction
