#pragma once
// Random rows and condition sets for the differential tests.
#include <algorithm>
#include <random>
#include <string>

#include "reduction/conditions.h"

namespace vinra::reduction::testing {

// Random condition sets whose bounds sit near real values, so that every
// condition kind both passes and fails often.
class Randomiser {
public:
    explicit Randomiser(uint64_t seed) : rng_(seed) {}
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool Chance(int percent) { return Int(0, 99) < percent; }
    std::string Row(int n) {
        std::string r;
        for (int i = 0; i < n; ++i) r += static_cast<char>('0' + Int(0, 2));
        return r;
    }
    std::string Piece(int maxLen) {
        std::string p;
        const int len = Int(0, maxLen);
        for (int i = 0; i < len; ++i) p += Chance(3) ? 'x' : static_cast<char>('0' + Int(0, 2));
        return p;
    }
    ConditionSet Conditions(int n, PercentTables& t) {
        ConditionSet c = NewConditionSet(n);
        for (auto& f : c.flags) f = Chance(60);
        for (int s = 0; s < 3; ++s) {
            c.minCount[s] = Int(-1, n / 2);
            c.maxCount[s] = Chance(10) ? Int(-2, n + 2) : Int(n / 3, n);
            c.runMax[s] = Chance(10) ? Int(-3, n + 1) : Int(1, n);
        }
        // Now and then more source rows than the engine checks in its lanes.
        for (int i = Int(0, Chance(15) ? 8 : 3); i > 0; --i) {
            std::string pat;
            const int cells = Int(n - 2, n + 2);
            for (int k = 0; k < cells; ++k) {
                if (k) pat += ',';
                const int kind = Int(0, 9);
                if (kind == 0) pat += '*';
                else if (kind == 1) {
                } else
                    for (char s = '0'; s <= '2'; ++s)
                        if (Chance(45)) pat += s;
            }
            const int lo = Int(0, n);
            c.sourceRows.push_back({pat, lo, Int(lo - 1, n)});
        }
        for (int i = Int(0, 3); i > 0; --i) {
            const int kind = Int(0, 2);
            std::string pat = Piece(4);
            if (kind > 0)
                for (int k = Int(1, 3); k > 0; --k) pat += (kind == 1 ? '?' : '!') + Piece(3);
            const int lo = Int(0, 3);
            c.yesCombinations.push_back({pat, kind ? 0 : lo, kind ? 0 : Int(lo, 6)});
        }
        for (int i = Int(0, 3); i > 0; --i) {
            if (Chance(50)) {
                c.noCombinations.push_back(Piece(4));
            } else {
                std::string pat(static_cast<size_t>(Chance(10) ? n + Int(-1, 1) : n), '*');
                for (auto& ch : pat)
                    if (Chance(15)) ch = static_cast<char>('0' + Int(0, 2));
                c.noCombinations.push_back(pat);
            }
        }
        t = PercentTables{};
        for (int m = 0; m < n; ++m)
            for (int s = 0; s < 3; ++s) {
                t.user[m][s] = Int(0, 100);
                t.people[m][s] = Chance(5) ? 0 : Int(1, 100) / 1.7;
                c.sumTable[m][s] = Int(-5, 900);
            }
        const double v1 = RowValue(Row(n), t.user, t.people), v2 = RowValue(Row(n), t.user, t.people);
        c.procMin = std::min(v1, v2);
        c.procMax = std::max(v1, v2);
        const int64_t s1 = RowSum(Row(n), c.sumTable), s2 = RowSum(Row(n), c.sumTable);
        c.winMin = std::min(s1, s2);
        c.winMax = std::max(s1, s2);
        return c;
    }

private:
    std::mt19937_64 rng_;
};

}  // namespace vinra::reduction::testing
