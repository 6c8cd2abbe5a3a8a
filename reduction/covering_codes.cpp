#include "reduction/covering_codes.h"

#include <array>
#include <functional>
#include <map>
#include <optional>

namespace vinra::reduction {

namespace {

// A code of the direct-sum recipe: length, radius, the words.
struct Part {
    int length = 0;
    int radius = 0;
    std::vector<CoverWord> words;
    std::string name;
};

// The [4, 2, 3] ternary Hamming code: a*(1,0,1,1) + b*(0,1,1,2).
Part Hamming4() {
    Part p{4, 1, {}, "Hamming(4)"};
    for (uint8_t a = 0; a < 3; ++a)
        for (uint8_t b = 0; b < 3; ++b)
            p.words.push_back({a, b, static_cast<uint8_t>((a + b) % 3), static_cast<uint8_t>((a + 2 * b) % 3)});
    return p;
}

// The [11, 6, 5] ternary Golay code: the multiples m(x) g(x), deg m < 6, of
// g(x) = x^5 + x^4 + 2x^3 + x^2 + 2, a factor of x^11 - 1 over GF(3).
Part Golay11() {
    static const std::array<uint8_t, 6> g = {2, 0, 1, 2, 1, 1};  // lowest power first
    Part p{11, 2, {}, "Golay(11)"};
    for (int m = 0; m < 729; ++m) {
        CoverWord w(11, 0);
        int rest = m;
        for (int i = 0; i < 6; ++i, rest /= 3) {
            const int a = rest % 3;
            for (int j = 0; j < 6; ++j) w[i + j] = static_cast<uint8_t>((w[i + j] + a * g[j]) % 3);
        }
        p.words.push_back(std::move(w));
    }
    return p;
}

// {0..0, 1..1, 2..2}: of n signs one occurs at least ceil(n/3) times.
Part Repetition(int n) {
    Part p{n, n - (n + 2) / 3, {}, "repetition(" + std::to_string(n) + ")"};
    for (uint8_t s = 0; s < 3; ++s) p.words.push_back(CoverWord(static_cast<size_t>(n), s));
    return p;
}

// One word of one coordinate: radius 1.
Part Point1() { return {1, 1, {{0}}, "1"}; }

// The whole space of one coordinate: radius 0.
Part Whole1() { return {1, 0, {{0}, {1}, {2}}, "3^1"}; }

Part Sum(const Part& a, const Part& b) {
    Part s{a.length + b.length, a.radius + b.radius, {}, a.name + " + " + b.name};
    s.words.reserve(a.words.size() * b.words.size());
    for (const CoverWord& x : a.words)
        for (const CoverWord& y : b.words) {
            CoverWord w = x;
            w.insert(w.end(), y.begin(), y.end());
            s.words.push_back(std::move(w));
        }
    return s;
}

}  // namespace

ConstructedCode ConstructCovering(int full, int radius) {
    if (full < 1 || full > 13 || radius < 0 || radius > 2) return {};
    std::vector<Part> parts = {Hamming4(), Golay11(), Whole1(), Point1()};
    for (int n = 2; n <= 4; ++n) parts.push_back(Repetition(n));
    // Sizes only first (a table over length and radius), words at the end.
    struct Best {
        uint64_t size = 0;  // 0: none
        int part = -1;      // a single part, or
        int splitLen = 0, splitRad = 0;  // the sum of best(splitLen, splitRad) and best(rest)
    };
    std::vector<std::array<Best, 3>> best(static_cast<size_t>(full) + 1);
    for (int len = 1; len <= full; ++len)
        for (int r = 0; r <= radius; ++r) {
            Best& b = best[len][r];
            for (size_t i = 0; i < parts.size(); ++i)
                if (parts[i].length == len && parts[i].radius <= r &&
                    (b.size == 0 || parts[i].words.size() < b.size))
                    b = {parts[i].words.size(), static_cast<int>(i), 0, 0};
            for (int a = 1; a < len; ++a)
                for (int ra = 0; ra <= r; ++ra) {
                    const Best& x = best[a][ra];
                    const Best& y = best[len - a][r - ra];
                    if (x.size == 0 || y.size == 0) continue;
                    if (b.size == 0 || x.size * y.size < b.size) b = {x.size * y.size, -1, a, ra};
                }
        }
    std::function<Part(int, int)> build = [&](int len, int r) -> Part {
        const Best& b = best[len][r];
        if (b.part >= 0) return parts[b.part];
        return Sum(build(b.splitLen, b.splitRad), build(len - b.splitLen, r - b.splitRad));
    };
    if (best[full][radius].size == 0) return {};
    Part p = build(full, radius);
    // Runs of "3^1 + 3^1" read better as one power.
    std::string recipe;
    int whole = 0;
    std::string rest;
    size_t from = 0;
    while (from <= p.name.size()) {
        const size_t to = std::min(p.name.find(" + ", from), p.name.size());
        const std::string piece = p.name.substr(from, to - from);
        if (piece == "3^1")
            ++whole;
        else
            rest += (rest.empty() ? "" : " + ") + piece;
        from = to + 3;
    }
    recipe = rest;
    if (whole > 0) recipe += (recipe.empty() ? "" : " + ") + ("3^" + std::to_string(whole));
    return {std::move(p.words), recipe};
}

uint32_t BestKnownCoveringSize(int full, int half, int radius) {
    // Smallest known ternary coverings K3(f, r), from the tables of bounds on
    // ternary covering codes (Keri's tables and later papers).
    static const std::map<int, uint32_t> ternary1 = {{1, 1},  {2, 3},   {3, 5},   {4, 9},    {5, 27},
                                                     {6, 73}, {7, 186}, {8, 486}, {9, 1269}, {10, 3645}};
    static const std::map<int, uint32_t> ternary2 = {{6, 17},   {7, 34},   {8, 81},    {9, 219},
                                                     {10, 555}, {11, 729}, {12, 2187}, {13, 6561}};
    // Smallest known binary coverings K2(h, 1) (half guards only).
    static const std::map<int, uint32_t> binary1 = {{1, 1},  {2, 2},  {3, 2},  {4, 4},  {5, 7},
                                                    {6, 12}, {7, 16}, {8, 32}, {9, 62}, {10, 120}};
    const std::map<int, uint32_t>* table = nullptr;
    int key = 0;
    if (half == 0) {
        table = radius == 1 ? &ternary1 : radius == 2 ? &ternary2 : nullptr;
        key = full;
    } else if (full == 0 && radius == 1) {
        table = &binary1;
        key = half;
    }
    if (!table) return 0;
    const auto it = table->find(key);
    return it == table->end() ? 0 : it->second;
}

}  // namespace vinra::reduction
