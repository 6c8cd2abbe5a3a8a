#include "reduction/warranty.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <fmt/format.h>

#include "core/ini.h"
#include "core/messages.h"
#include "core/system_document.h"
#include "core/text.h"

namespace vinra::reduction {

using core::PackedRow;

namespace {

// ---------------------------------------------------------------------------
// The tally.
//
// Comparing every outcome with every row costs outcomes x rows x N. Instead the
// outcomes are laid out as a mixed-radix space over the matches where they vary
// (the frame they span), and every system row adds itself into per-position
// counters h[0..3] (distance 0..3) of the positions near it. The method is
// chosen by an estimate of its cost:
//  - the walk: enumerate each row's distance-0..3 neighbourhood (cheap when
//    rows are few);
//  - the transform: drop every row at its own position and then, match by
//    match, let each position collect x * (the sum over the other signs), a
//    polynomial in x cut at degree 3 (cost independent of the number of rows);
//  - and, when the outcomes are few and thinly spread over a large frame, the
//    plain comparison on packed rows (an XOR and a popcount per pair).
// Rows that leave the spanned frame count right: a wrong sign at a match that
// never varies adds a fixed distance, a sign outside the varying match's signs
// is always wrong there.
// The space is cut into chunks by its leading varying matches, so the counters
// of one chunk stay small, empty chunks (outcomes thinned by the conditions)
// cost nothing, and the chunks go to every core.

constexpr int kDepth = 4;  // distances 0..3

// The counts at one position of a chunk. With fewer than 65 536 rows no count
// can pass 65 535 and 16 bits a count do for the walk: half the memory to
// clear and to walk, and the four counts are the class code as they lie. The
// transform keeps 32 bits: its spreading step runs faster on them.
struct Counters {
    uint32_t h[kDepth];
};
struct Counters16 {
    uint16_t h[kDepth];
};

// A class as one value: four 16-bit counts when no count can pass 65 535 (fewer
// rows than that), else four 32-bit counts.
using SmallCode = uint64_t;
struct WideCode {
    uint64_t a = 0, b = 0;
    bool operator==(const WideCode&) const = default;
};
template <class Code, class C>
inline Code CodeOf(const C& c) {
    if constexpr (std::is_same_v<Code, SmallCode>) {
        if constexpr (std::is_same_v<C, Counters16>) {
            SmallCode code;
            std::memcpy(&code, c.h, sizeof code);  // h[0] in the low bits, as below
            if constexpr (std::endian::native == std::endian::little) return code;
        }
        return uint64_t{c.h[0]} | (uint64_t{c.h[1]} << 16) | (uint64_t{c.h[2]} << 32) | (uint64_t{c.h[3]} << 48);
    } else {
        return {uint64_t{c.h[0]} | (uint64_t{c.h[1]} << 32), uint64_t{c.h[2]} | (uint64_t{c.h[3]} << 32)};
    }
}
inline std::array<int64_t, 4> CountsOf(SmallCode c) {
    return {static_cast<int64_t>(c & 0xFFFF), static_cast<int64_t>((c >> 16) & 0xFFFF),
            static_cast<int64_t>((c >> 32) & 0xFFFF), static_cast<int64_t>(c >> 48)};
}
inline std::array<int64_t, 4> CountsOf(const WideCode& c) {
    return {static_cast<int64_t>(c.a & 0xFFFFFFFFu), static_cast<int64_t>(c.a >> 32),
            static_cast<int64_t>(c.b & 0xFFFFFFFFu), static_cast<int64_t>(c.b >> 32)};
}
// Multiplicative hashes: the table takes the top bits.
inline uint64_t HashCode(SmallCode c) { return (c ^ (c >> 29)) * 0x9E3779B97F4A7C15ull; }
inline uint64_t HashCode(const WideCode& c) {
    return (c.a * 0xC2B2AE3D27D4EB4Full ^ c.b ^ (c.b >> 31)) * 0x9E3779B97F4A7C15ull;
}

// Classes in the order first met, with their outcome counts. Open addressing
// with the codes and the counts in the slots, so that an outcome touches one
// slot only: this runs once per outcome. The counts go to the list in order
// when it is read.
template <class Code>
class ClassList {
public:
    [[gnu::always_inline]] void Add(const Code& code, int64_t count) {
        if (last_ != kNone && slots_[last_].code == code) {
            slots_[last_].count += count;
            return;
        }
        if ((order_.size() + 1) * 2 > slots_.size()) Grow();
        const size_t mask = slots_.size() - 1;
        size_t i = HashCode(code) >> shift_;
        for (;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (s.index == kEmpty) break;
            if (s.code == code) {
                s.count += count;
                last_ = i;
                return;
            }
        }
        slots_[i] = {code, static_cast<uint32_t>(order_.size()), count};
        last_ = i;
        order_.push_back(code);
    }
    // The classes with their counts, in the order first met.
    std::vector<std::pair<Code, int64_t>> entries() const {
        std::vector<std::pair<Code, int64_t>> out(order_.size());
        for (const Slot& s : slots_)
            if (s.index != kEmpty) out[s.index] = {s.code, s.count};
        return out;
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr size_t kNone = ~size_t{0};
    struct Slot {
        Code code{};
        uint32_t index = kEmpty;
        int64_t count = 0;
    };
    [[gnu::noinline]] void Grow() {
        std::vector<Slot> slots(slots_.empty() ? 256 : slots_.size() * 2);
        const size_t mask = slots.size() - 1;
        shift_ = 64 - std::countr_zero(slots.size());
        for (const Slot& s : slots_) {
            if (s.index == kEmpty) continue;
            size_t i = HashCode(s.code) >> shift_;
            while (slots[i].index != kEmpty) i = (i + 1) & mask;
            slots[i] = s;
        }
        slots_.swap(slots);
        last_ = kNone;
    }
    std::vector<Code> order_;
    std::vector<Slot> slots_;
    int shift_ = 64;
    size_t last_ = kNone;
};

enum class Method { Direct, Walk, Transform };

// The space the outcomes span, its cut into chunks and the row data that does
// not depend on the chunk.
struct Layout {
    int n = 0;
    std::array<uint8_t, core::kMaxMatches> signMask{};  // bit c: code c occurs at the match
    std::array<int8_t, core::kMaxMatches * 4> rank{};   // [m*4+c]: digit of code c, -1 outside
    std::array<int, core::kMaxMatches> radix{};
    std::vector<int> variable;  // matches with two or more signs, in match order
    std::vector<int> fixed;     // matches with one sign
    int prefix = 0;             // leading variable matches that pick the chunk
    uint64_t prefixMask = 0;    // packed bits of the prefix matches
    std::vector<int> suffix;    // the other variable matches
    // Walk layout of a chunk: suffix matches in mixed radix, first slowest.
    std::array<uint64_t, core::kMaxMatches> stride{};
    uint64_t chunkSize = 1;
    // Transform layout: one extra digit at a suffix match where some row is
    // outside the outcomes' signs.
    std::array<int, core::kMaxMatches> extRadix{};
    std::array<uint64_t, core::kMaxMatches> extStride{};
    uint64_t extSize = 1;
    Method method = Method::Walk;
    bool sorted = true, strictly = true;  // the outcomes ascending (without repeats)
    // Byte tables (four matches a byte): chunk index and buffer index of an outcome.
    std::vector<std::array<uint64_t, 256>> chunkTable, posTable;

    int groups() const { return (n + 3) / 4; }
    uint64_t ChunkOf(PackedRow p) const {
        uint64_t c = 0;
        for (int g = 0; g < groups(); ++g) c += chunkTable[g][(p >> (56 - 8 * g)) & 0xFF];
        return c;
    }
    uint64_t PosOf(PackedRow p) const {
        uint64_t q = 0;
        for (int g = 0; g < groups(); ++g) q += posTable[g][(p >> (56 - 8 * g)) & 0xFF];
        return q;
    }
    uint64_t bufferSize() const {
        return method == Method::Transform ? extSize : method == Method::Walk ? chunkSize : 0;
    }
};

// Per system row, what every chunk needs.
struct RowInfo {
    PackedRow row;
    int fixedWrong;   // wrong signs at the matches where the outcomes never vary
    int outWrong;     // suffix matches where the row's sign is outside the outcomes' signs
    uint64_t base;    // walk layout: position of its in-frame suffix signs
    uint64_t extPos;  // transform layout: its position
    // Walk layout: where its base positions, steps and step groups start in WalkTables.
    uint32_t basesAt = 0, stepsAt = 0, startsAt = 0;
    uint8_t nb = 0, ni = 0;
};

// Per row, what the walk needs in every chunk, worked out once: the base
// positions (every in-frame sign at the suffix matches where the row is
// outside) and, per suffix match where it is inside, the steps to the other signs.
struct WalkTables {
    std::vector<uint64_t> bases;
    std::vector<int64_t> steps;
    std::vector<uint16_t> starts;  // per row ni + 1 offsets into its steps
};

void AddWalkRow(const Layout& L, RowInfo& r, WalkTables& W) {
    r.basesAt = static_cast<uint32_t>(W.bases.size());
    r.stepsAt = static_cast<uint32_t>(W.steps.size());
    r.startsAt = static_cast<uint32_t>(W.starts.size());
    if (r.fixedWrong + r.outWrong >= kDepth) return;  // never within three signs: nb stays 0
    W.bases.push_back(r.base);
    size_t nb = 1;
    int ni = 0, ns = 0;
    W.starts.push_back(0);
    for (int m : L.suffix) {
        const int code = core::PackedSign(r.row, m);
        const int digit = L.rank[m * 4 + code];
        if (digit < 0) {
            const size_t before = nb;
            for (int d = 1; d < L.radix[m]; ++d)
                for (size_t b = 0; b < before; ++b) {
                    W.bases.push_back(W.bases[r.basesAt + b] + d * L.stride[m]);
                    ++nb;
                }
        } else {
            for (int d = 0; d < L.radix[m]; ++d)
                if (d != digit) {
                    W.steps.push_back((static_cast<int64_t>(d) - digit) * static_cast<int64_t>(L.stride[m]));
                    ++ns;
                }
            W.starts.push_back(static_cast<uint16_t>(ns));
            ++ni;
        }
    }
    r.nb = static_cast<uint8_t>(nb);
    r.ni = static_cast<uint8_t>(ni);
}

// The chunk's signs at the prefix matches, packed.
PackedRow ChunkPrefix(const Layout& L, uint64_t chunk) {
    PackedRow p = 0;
    for (int i = L.prefix - 1; i >= 0; --i) {
        const int m = L.variable[i];
        const int digit = static_cast<int>(chunk % L.radix[m]);
        chunk /= L.radix[m];
        for (int c = 0; c < 3; ++c)
            if (L.rank[m * 4 + c] == digit) p |= static_cast<uint64_t>(c) << core::PackedShift(m);
    }
    return p;
}

inline int PrefixWrong(const Layout& L, PackedRow row, PackedRow chunkPrefix) {
    const uint64_t x = row ^ chunkPrefix;
    // At most one bit per match: summing pairs of bits upwards is enough, and
    // without a popcount instruction (the default target) it beats the
    // library call this runs once per row and chunk.
    uint64_t c = (x | (x >> 1)) & 0x5555555555555555ull & L.prefixMask;
    c = (c & 0x3333333333333333ull) + ((c >> 2) & 0x3333333333333333ull);
    c = (c + (c >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((c * 0x0101010101010101ull) >> 56);
}

// Adds each row's distance-0..3 neighbourhood inside the chunk.
// shared holds every row's tables, or is null (many rows): each row's are
// then worked out again in every chunk, in memory that does not grow with them.
template <class C>
bool FillByWalk(const Layout& L, const std::vector<RowInfo>& rows, const WalkTables* shared, PackedRow chunkPrefix,
                C* buf, const std::atomic<bool>* cancel) {
    size_t counter = 0;
    WalkTables own;
    for (const RowInfo& row : rows) {
        if ((++counter & 255) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return false;
        const int d0 = row.fixedWrong + row.outWrong + PrefixWrong(L, row.row, chunkPrefix);
        if (d0 >= kDepth) continue;
        const int budget = kDepth - 1 - d0;
        const RowInfo* rp = &row;
        RowInfo mine;
        if (!shared) {
            own.bases.clear();
            own.steps.clear();
            own.starts.clear();
            mine = row;
            AddWalkRow(L, mine, own);
            rp = &mine;
        }
        const RowInfo& r = *rp;
        const WalkTables& W = shared ? *shared : own;
        const uint64_t* bases = W.bases.data() + r.basesAt;
        const int64_t* steps = W.steps.data() + r.stepsAt;
        const uint16_t* stepStart = W.starts.data() + r.startsAt;
        const size_t nb = r.nb;
        const int ni = r.ni;
        const int ns = stepStart[ni];
        for (size_t b = 0; b < nb; ++b) {
            const uint64_t p0 = bases[b];
            buf[p0].h[d0]++;
            if (budget < 1) continue;
            for (int i = 0; i < ni; ++i) {
                for (int si = stepStart[i]; si < stepStart[i + 1]; ++si) {
                    const uint64_t p1 = p0 + steps[si];
                    buf[p1].h[d0 + 1]++;
                    if (budget < 2) continue;
                    for (int j = i + 1; j < ni; ++j) {
                        for (int sj = stepStart[j]; sj < stepStart[j + 1]; ++sj) {
                            const uint64_t p2 = p1 + steps[sj];
                            buf[p2].h[d0 + 2]++;
                            if (budget < 3) continue;
                            for (int k = stepStart[j + 1]; k < ns; ++k) buf[p2 + steps[k]].h[d0 + 3]++;
                        }
                    }
                }
            }
        }
    }
    return true;
}

// One match of the transform: every position takes x * (the sum over the
// match's other digits), cut at x^3. E and R are the digit counts (with and
// without the outside digit) when known at compile time, which lets the
// compiler unroll the digits of the common frames; 0 takes e and r.
template <int E, int R, class C>
void Spread(C* buf, uint64_t size, uint64_t s, int e, int r) {
    if constexpr (E > 0) {
        e = E;
        r = R;
    }
    const uint64_t block = s * static_cast<uint64_t>(e);
    for (uint64_t base = 0; base < size; base += block) {
        C* f = buf + base;
#if defined(__SSE2__)
        if constexpr (std::is_same_v<C, Counters>) {
            // The four 32-bit counts of a position are one register: x * (T - f)
            // is the difference moved up one count.
            for (uint64_t off = 0; off < s; ++off) {
                C* p = f + off;
                __m128i t = _mm_setzero_si128();
                for (int d = 0; d < e; ++d)
                    t = _mm_add_epi32(t, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + static_cast<uint64_t>(d) * s)));
                for (int d = 0; d < r; ++d) {
                    __m128i* q = reinterpret_cast<__m128i*>(p + static_cast<uint64_t>(d) * s);
                    const __m128i c = _mm_loadu_si128(q);
                    _mm_storeu_si128(q, _mm_add_epi32(c, _mm_slli_si128(_mm_sub_epi32(t, c), 4)));
                }
            }
            continue;
        }
#endif
        for (uint64_t off = 0; off < s; ++off) {
            C* p = f + off;
            uint32_t t[kDepth] = {0, 0, 0, 0};
            for (int d = 0; d < e; ++d)
                for (int j = 0; j < kDepth - 1; ++j) t[j] += p[static_cast<uint64_t>(d) * s].h[j];
            for (int d = 0; d < r; ++d) {
                C& c = p[static_cast<uint64_t>(d) * s];
                // g = f + x * (T - f), cut at x^3 (16-bit counts wrap alike and end exact)
                const uint32_t o0 = t[0] - c.h[0], o1 = t[1] - c.h[1], o2 = t[2] - c.h[2];
                c.h[1] = static_cast<decltype(+c.h[1])>(c.h[1] + o0);
                c.h[2] = static_cast<decltype(+c.h[2])>(c.h[2] + o1);
                c.h[3] = static_cast<decltype(+c.h[3])>(c.h[3] + o2);
            }
        }
    }
}

// Drops every row at its position with x^distance, then spreads match by match.
template <class C>
bool FillByTransform(const Layout& L, const std::vector<RowInfo>& rows, PackedRow chunkPrefix, C* buf,
                     const std::atomic<bool>* cancel) {
    size_t counter = 0;
    for (const RowInfo& r : rows) {
        if ((++counter & 4095) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return false;
        const int d0 = r.fixedWrong + PrefixWrong(L, r.row, chunkPrefix);
        if (d0 < kDepth) buf[r.extPos].h[d0]++;
    }
    for (int m : L.suffix) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        const uint64_t s = L.extStride[m];
        const int e = L.extRadix[m];
        const int r = L.radix[m];  // the outside digit (r, when e > r) is never read again
        if (e == 3 && r == 3) Spread<3, 3>(buf, L.extSize, s, e, r);
        else if (e == 2 && r == 2) Spread<2, 2>(buf, L.extSize, s, e, r);
        else if (e == 3 && r == 2) Spread<3, 2>(buf, L.extSize, s, e, r);
        else Spread<0, 0>(buf, L.extSize, s, e, r);
    }
    return true;
}

// The cut of the space into chunks by its leading varying matches: the chunks
// should fit the cache and be many enough to share among the cores.
struct Cut {
    int prefix = 0;
    double chunks = 1, positions = 1;
};
Cut ChooseCut(const Layout& L, const std::array<int, core::kMaxMatches>& radix, unsigned threads, double chunkCap) {
    double full = 1;
    for (int m : L.variable) full *= radix[m];
    const double kChunkCap = chunkCap;
    const double minChunks = full >= 65536 ? 4.0 * threads : 1.0;
    Cut cut;
    cut.positions = full;
    const int v = static_cast<int>(L.variable.size());
    while (cut.prefix < v &&
           (cut.positions > kChunkCap || (cut.chunks < minChunks && cut.positions > std::min(4096.0, kChunkCap)))) {
        const int m = L.variable[cut.prefix];
        cut.positions /= radix[m];
        cut.chunks *= L.radix[m];
        ++cut.prefix;
    }
    return cut;
}

Layout MakeLayout(const std::vector<PackedRow>& outcomes, const std::vector<PackedRow>& rows, int n, unsigned threads,
                  const TallyOptions& options) {
    Layout L;
    L.n = n;
    const uint64_t mask = core::PackedMask(n);
    // Per code, the matches where some outcome holds it: one, two, never a
    // zero (all), and the invalid code 3. Four plain reductions the compiler
    // vectorises; the order is checked in a second, scalar loop.
    uint64_t ones = 0, twos = 0, noZero = ~0ull, bad = 0, beyond = 0;
    const PackedRow* o = outcomes.data();
    const size_t count = outcomes.size();
    for (size_t i = 0; i < count; ++i) {
        const uint64_t lo = o[i] & 0x5555555555555555ull, hi = (o[i] >> 1) & 0x5555555555555555ull;
        ones |= lo & ~hi;
        twos |= hi & ~lo;
        noZero &= lo | hi;
        bad |= lo & hi;
        beyond |= o[i] & ~mask;
    }
    const uint64_t seen0 = ~noZero, seen1 = ones, seen2 = twos;
    bool down = false, repeat = false;
    if (beyond == 0) {
        // Nothing past the n matches (the engine's rows): the words compare as
        // they are, four pairs a step.
        size_t i = 1;
        for (; i + 4 <= count && !down; i += 4) {
            down = (o[i] < o[i - 1]) | (o[i + 1] < o[i]) | (o[i + 2] < o[i + 1]) | (o[i + 3] < o[i + 2]);
            repeat |= (o[i] == o[i - 1]) | (o[i + 1] == o[i]) | (o[i + 2] == o[i + 1]) | (o[i + 3] == o[i + 2]);
        }
        for (; i < count && !down; ++i) {
            down = o[i] < o[i - 1];
            repeat |= o[i] == o[i - 1];
        }
    } else {
        for (size_t i = 1; i < count && !down; ++i) {
            const PackedRow a = o[i - 1] & mask, b = o[i] & mask;
            down = b < a;
            repeat |= a == b;
        }
    }
    L.sorted = !down;
    L.strictly = !down && !repeat;
    if (bad & mask) throw std::invalid_argument("warranty: an outcome holds a sign that is not 1, X or 2");
    const uint64_t seen[3] = {seen0, seen1, seen2};
    for (int m = 0; m < n; ++m) {
        const int bit = core::PackedShift(m);
        int r = 0;
        for (int c = 0; c < 4; ++c) L.rank[m * 4 + c] = -1;
        for (int c = 0; c < 3; ++c)
            if ((seen[c] >> bit) & 1) {
                L.signMask[m] |= static_cast<uint8_t>(1 << c);
                L.rank[m * 4 + c] = static_cast<int8_t>(r++);
            }
        L.radix[m] = r;
        if (r >= 2) L.variable.push_back(m);
        else L.fixed.push_back(m);
    }
    // A row outside the outcomes' signs at a varying match needs one more digit
    // there in the transform.
    std::array<bool, core::kMaxMatches> rowOutside{};
    for (PackedRow row : rows)
        for (int m : L.variable)
            if (L.rank[m * 4 + core::PackedSign(row, m)] < 0) rowOutside[m] = true;
    std::array<int, core::kMaxMatches> extRadix{};
    for (int m : L.variable) extRadix[m] = L.radix[m] + (rowOutside[m] ? 1 : 0);

    // Rough cost of each method in nanoseconds; the cheapest wins.
    const int v = static_cast<int>(L.variable.size());
    double avgOther = 0;
    for (int m : L.variable) avgOther += L.radix[m] - 1;
    avgOther = v ? avgOther / v : 0;
    double neigh = 0, binom = 1;
    for (int k = 0; k <= 3 && k <= v; ++k) {
        neigh += binom * std::pow(avgOther, k);
        binom = binom * (v - k) / (k + 1);
    }
    const double nOut = static_cast<double>(outcomes.size()), nRows = static_cast<double>(rows.size());
    const double cap = options.maxChunkPositions ? static_cast<double>(options.maxChunkPositions) : double(1 << 17);
    const Cut walkCut = ChooseCut(L, L.radix, threads, cap);
    const Cut extCut = ChooseCut(L, extRadix, threads, cap);
    const double walkRuns = std::min(walkCut.chunks, nOut), extRuns = std::min(extCut.chunks, nOut);
    const double walkCost = walkRuns * (walkCut.positions * 1.5 + nRows * 15) + nRows * neigh * 3 + nOut * 5;
    const double transformCost =
        extRuns * (extCut.positions * (1.5 + 1.6 * (v - extCut.prefix)) + nRows * 3) + nOut * 5;
    const double directCost = nOut * (nRows * 0.8 + 5);
    switch (options.method) {
        case WarrantyMethod::Direct: L.method = Method::Direct; break;
        case WarrantyMethod::Walk: L.method = Method::Walk; break;
        case WarrantyMethod::Transform: L.method = Method::Transform; break;
        case WarrantyMethod::Auto:
            if (directCost <= walkCost && directCost <= transformCost) L.method = Method::Direct;
            else L.method = transformCost < walkCost ? Method::Transform : Method::Walk;
    }

    const Cut cut = L.method == Method::Direct ? Cut{} : L.method == Method::Walk ? walkCut : extCut;
    L.prefix = cut.prefix;
    for (int i = 0; i < L.prefix; ++i) L.prefixMask |= uint64_t{3} << core::PackedShift(L.variable[i]);
    if (L.method != Method::Direct) L.suffix.assign(L.variable.begin() + L.prefix, L.variable.end());
    L.chunkSize = 1;
    L.extSize = 1;
    for (auto it = L.suffix.rbegin(); it != L.suffix.rend(); ++it) {
        const int m = *it;
        L.stride[m] = L.chunkSize;
        L.chunkSize *= L.radix[m];
        L.extRadix[m] = extRadix[m];
        L.extStride[m] = L.extSize;
        L.extSize *= L.extRadix[m];
    }
    std::array<uint64_t, core::kMaxMatches> prefixStride{};
    uint64_t ps = 1;
    for (int i = L.prefix - 1; i >= 0; --i) {
        prefixStride[L.variable[i]] = ps;
        ps *= L.radix[L.variable[i]];
    }
    std::array<bool, core::kMaxMatches> inPrefix{}, inSuffix{};
    for (int i = 0; i < L.prefix; ++i) inPrefix[L.variable[i]] = true;
    for (int m : L.suffix) inSuffix[m] = true;
    L.chunkTable.assign(L.groups(), {});
    L.posTable.assign(L.groups(), {});
    for (int g = 0; g < L.groups(); ++g) {
        for (int byte = 0; byte < 256; ++byte) {
            uint64_t c = 0, q = 0;
            for (int j = 0; j < 4; ++j) {
                const int m = 4 * g + j;
                if (m >= n) break;
                const int digit = L.rank[m * 4 + ((byte >> (6 - 2 * j)) & 3)];
                if (digit < 0) continue;  // never for an outcome
                if (inPrefix[m]) c += digit * prefixStride[m];
                if (inSuffix[m]) q += digit * (L.method == Method::Transform ? L.extStride[m] : L.stride[m]);
            }
            L.chunkTable[g][byte] = c;
            L.posTable[g][byte] = q;
        }
    }
    return L;
}

RowInfo MakeRowInfo(const Layout& L, PackedRow row) {
    RowInfo r{row & core::PackedMask(L.n), 0, 0, 0, 0};
    for (int m : L.fixed)
        if (L.signMask[m] != 0 && !((L.signMask[m] >> core::PackedSign(r.row, m)) & 1)) ++r.fixedWrong;
    for (int m : L.suffix) {
        const int digit = L.rank[m * 4 + core::PackedSign(r.row, m)];
        if (digit < 0) {
            ++r.outWrong;
            r.extPos += L.radix[m] * L.extStride[m];
        } else {
            r.base += digit * L.stride[m];
            r.extPos += digit * L.extStride[m];
        }
    }
    return r;
}

// Outcomes sharing a chunk (or, for the direct comparison, a slice of the list).
struct ChunkRun {
    uint64_t chunk;
    size_t begin, end;
};

// One tally: the chunks go to the workers, each with its own counters; the
// classes of each run are kept apart and merged in outcome order at the end.
struct TallyJob {
    const Layout& L;
    const std::vector<PackedRow>& outcomes;
    const std::vector<RowInfo>& rows;
    const WalkTables* walk;  // the walk layout's per-row tables
    const std::vector<ChunkRun>& runs;
    const std::vector<uint32_t>& order;  // ascending order of the outcomes when they are not sorted
    bool sorted;
    bool strictly;  // sorted without repeats
    int n;
    const std::atomic<bool>* cancel;
    std::atomic<int64_t>* tested;
    // When set, the counts of every outcome land here (in the order of the
    // outcome list) and no classes are formed.
    std::vector<OutcomeCounts>* each = nullptr;

    PackedRow At(size_t i) const { return outcomes[sorted ? i : order[i]] & core::PackedMask(n); }
    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    template <class Code, class C>
    void Run(WarrantyTable& table, unsigned threads) const {
        std::vector<ClassList<Code>> runClasses(sorted ? runs.size() : 0);
        std::vector<Code> perOutcome(sorted ? 0 : outcomes.size());
        std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[runs.size()]);
        for (size_t i = 0; i < runs.size(); ++i) done[i].store(false);
        std::atomic<size_t> next{0};

        auto worker = [&]() {
            std::vector<C> buffer(L.bufferSize());
            // The counters start at zero; a chunk read whole clears them as it
            // reads, so the next chunk needs no separate pass over them.
            bool clean = true;
            for (;;) {
                const size_t ri = next.fetch_add(1);
                if (ri >= runs.size() || Cancelled()) return;
                const ChunkRun& run = runs[ri];
                if (L.method == Method::Direct) {
                    ClassList<Code>& list = runClasses[ri];
                    for (size_t i = run.begin; i < run.end; ++i) {
                        if ((i & 63) == 0 && Cancelled()) return;
                        const PackedRow o = At(i);
                        Counters c{{0, 0, 0, 0}};
                        for (const RowInfo& r : rows) {
                            const int d = n - core::CountEqualPacked(o, r.row, n);
                            if (d < kDepth) c.h[d]++;
                        }
                        if (each) (*each)[i] = {c.h[0], c.h[1], c.h[2], c.h[3]};
                        else list.Add(CodeOf<Code>(c), 1);
                    }
                } else {
                    if (!clean) std::memset(buffer.data(), 0, buffer.size() * sizeof(C));
                    clean = false;
                    const PackedRow prefix = ChunkPrefix(L, run.chunk);
                    const bool ok = L.method == Method::Transform
                                        ? FillByTransform(L, rows, prefix, buffer.data(), cancel)
                                        : FillByWalk(L, rows, walk, prefix, buffer.data(), cancel);
                    if (!ok) return;
                    if (each) {
                        for (size_t i = run.begin; i < run.end; ++i) {
                            const C& c = buffer[L.PosOf(At(i))];
                            (*each)[sorted ? i : order[i]] = {c.h[0], c.h[1], c.h[2], c.h[3]};
                        }
                    } else if (!sorted) {
                        for (size_t i = run.begin; i < run.end; ++i)
                            perOutcome[order[i]] = CodeOf<Code>(buffer[L.PosOf(At(i))]);
                    } else if (strictly && run.end - run.begin == L.chunkSize &&
                               (L.method == Method::Walk || L.extSize == L.chunkSize)) {
                        // The whole chunk, in order: outcome i sits at position i
                        // (in the transform too when no row needs an outside digit).
                        ClassList<Code>& list = runClasses[ri];
                        for (size_t q = 0; q < L.chunkSize; ++q) {
                            list.Add(CodeOf<Code>(buffer[q]), 1);
                            buffer[q] = C{{0, 0, 0, 0}};
                        }
                        clean = true;
                    } else {
                        ClassList<Code>& list = runClasses[ri];
                        for (size_t i = run.begin; i < run.end; ++i) list.Add(CodeOf<Code>(buffer[L.PosOf(At(i))]), 1);
                    }
                }
                done[ri].store(true);
                if (tested) tested->fetch_add(static_cast<int64_t>(run.end - run.begin));
            }
        };
        // A worker that fails (out of memory) stops the others; the first
        // failure is raised once every worker has ended.
        std::mutex failureLock;
        std::exception_ptr failure;
        auto guarded = [&] {
            try {
                worker();
            } catch (...) {
                next.store(runs.size());
                std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
            }
        };
        std::vector<std::thread> pool;
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(guarded);
        guarded();
        for (auto& t : pool) t.join();
        if (failure) std::rethrow_exception(failure);
        if (each) {
            for (size_t ri = 0; ri < runs.size(); ++ri)
                if (!done[ri].load()) table.complete = false;
            return;
        }

        // Merge in outcome order; a cancelled tally keeps the leading outcomes it finished.
        ClassList<Code> all;
        if (sorted) {
            for (size_t ri = 0; ri < runs.size(); ++ri) {
                if (!done[ri].load()) {
                    table.complete = false;
                    break;
                }
                for (const auto& [code, count] : runClasses[ri].entries()) all.Add(code, count);
            }
        } else {
            std::vector<uint32_t> runOf(outcomes.size());
            for (size_t ri = 0; ri < runs.size(); ++ri)
                for (size_t i = runs[ri].begin; i < runs[ri].end; ++i) runOf[order[i]] = static_cast<uint32_t>(ri);
            for (size_t i = 0; i < outcomes.size(); ++i) {
                if (!done[runOf[i]].load()) {
                    table.complete = false;
                    break;
                }
                all.Add(perOutcome[i], 1);
            }
        }
        for (const auto& [code, count] : all.entries()) {
            const auto h = CountsOf(code);
            table.keys.push_back(WarrantyKey(h[0], h[1], h[2], h[3]));
            table.counts.push_back(count);
        }
    }
};

}  // namespace

std::string WarrantyKey(int64_t right, int64_t oneWrong, int64_t twoWrong, int64_t threeWrong) {
    std::string key;
    const int64_t h[4] = {right, oneWrong, twoWrong, threeWrong};
    for (int i = 0; i < 4; ++i) {
        if (i) key += '-';
        if (h[i] >= 1 && h[i] <= 9) key += '0';
        key += std::to_string(h[i]);
    }
    return key;
}

WarrantyTable TallyWarranty(const std::vector<PackedRow>& outcomes, const std::vector<PackedRow>& systemRows, int n,
                            const std::atomic<bool>* cancel, std::atomic<int64_t>* tested) {
    return TallyWarranty(outcomes, systemRows, n, cancel, tested, TallyOptions{});
}

namespace {

WarrantyTable Tally(const std::vector<PackedRow>& outcomes, const std::vector<PackedRow>& systemRows, int n,
                    const std::atomic<bool>* cancel, std::atomic<int64_t>* tested, const TallyOptions& options,
                    std::vector<OutcomeCounts>* each) {
    if (n < 3)
        throw std::invalid_argument(
            fmt::format("warranty needs at least 3 matches (the table counts N to N-3 right), the system has {}", n));
    if (n > core::kMaxMatches)
        throw std::invalid_argument(fmt::format("warranty: {} matches is more than {}", n, core::kMaxMatches));

    WarrantyTable table;
    table.total = static_cast<int64_t>(outcomes.size());
    if (tested) tested->store(0);
    if (outcomes.empty()) return table;

    const uint64_t mask = core::PackedMask(n);
    const unsigned hw = options.threads ? std::min(options.threads, 64u)
                                        : std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    const Layout L = MakeLayout(outcomes, systemRows, n, hw, options);

    // The outcomes in ascending order: the chunks are then contiguous runs.
    // (The direct comparison needs no order: its runs are slices of the list.)
    const bool sorted = L.method == Method::Direct || L.sorted;
    const bool strictly = L.method == Method::Direct || L.strictly;
    std::vector<uint32_t> order;
    if (!sorted) {
        if (outcomes.size() > std::numeric_limits<uint32_t>::max())
            throw std::invalid_argument("warranty: too many outcomes");
        order.resize(outcomes.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return (outcomes[a] & mask) < (outcomes[b] & mask); });
    }
    auto at = [&](size_t i) -> PackedRow { return outcomes[sorted ? i : order[i]] & mask; };

    std::vector<ChunkRun> runs;
    if (L.method == Method::Direct) {
        const size_t kSlice = options.maxChunkPositions ? options.maxChunkPositions : 2048;
        for (size_t i = 0; i < outcomes.size(); i += kSlice)
            runs.push_back({0, i, std::min(outcomes.size(), i + kSlice)});
    } else {
        // Runs of outcomes sharing a chunk. The chunk index never falls along
        // the sorted list: gallop, then bisect.
        for (size_t i = 0; i < outcomes.size();) {
            const uint64_t c = L.ChunkOf(at(i));
            size_t lo = i + 1, hi = outcomes.size();
            size_t step = 1;
            while (lo < hi && L.ChunkOf(at(std::min(hi - 1, i + step))) == c) {
                lo = std::min(hi, i + step + 1);
                step *= 2;
            }
            hi = std::min(hi, i + step + 1);
            while (lo < hi) {
                const size_t mid = lo + (hi - lo) / 2;
                if (L.ChunkOf(at(mid)) == c) lo = mid + 1;
                else hi = mid;
            }
            runs.push_back({c, i, lo});
            i = lo;
        }
    }

    std::vector<RowInfo> rows;
    rows.reserve(systemRows.size());
    for (PackedRow r : systemRows) rows.push_back(MakeRowInfo(L, r));
    // The walk's per-row tables once for all chunks, while they stay small.
    WalkTables walk;
    const bool shareWalk = L.method == Method::Walk && rows.size() <= 65536;
    if (shareWalk)
        for (RowInfo& r : rows) AddWalkRow(L, r, walk);

    TallyJob job{L, outcomes, rows, shareWalk ? &walk : nullptr, runs, order, sorted, strictly, n, cancel, tested, each};
    const double work = static_cast<double>(outcomes.size()) + static_cast<double>(rows.size()) * runs.size();
    const bool worthIt = work > 50000 || options.threads > 1;
    const unsigned threads =
        (runs.size() > 1 && worthIt) ? static_cast<unsigned>(std::min<size_t>(hw, runs.size())) : 1;
    if (rows.size() > 0xFFFF) job.Run<WideCode, Counters>(table, threads);
    else if (L.method == Method::Walk) job.Run<SmallCode, Counters16>(table, threads);
    else job.Run<SmallCode, Counters>(table, threads);
    return table;
}

}  // namespace

WarrantyTable TallyWarranty(const std::vector<PackedRow>& outcomes, const std::vector<PackedRow>& systemRows, int n,
                            const std::atomic<bool>* cancel, std::atomic<int64_t>* tested,
                            const TallyOptions& options) {
    return Tally(outcomes, systemRows, n, cancel, tested, options, nullptr);
}

bool CountsPerOutcome(const std::vector<PackedRow>& outcomes, const std::vector<PackedRow>& systemRows, int n,
                      std::vector<OutcomeCounts>& counts, const std::atomic<bool>* cancel, std::atomic<int64_t>* tested,
                      const TallyOptions& options) {
    counts.assign(outcomes.size(), OutcomeCounts{});
    return Tally(outcomes, systemRows, n, cancel, tested, options, &counts).complete;
}

WarrantyTexts WarrantyTexts::FromLanguage(int languageBase) {
    WarrantyTexts t;
    auto take = [&](std::string& field, int number) {
        std::string text = core::MsgIn(languageBase, number);
        if (!text.empty()) field = std::move(text);
    };
    take(t.chance, 330);
    take(t.risk, 331);
    take(t.chanceHeader, 325);
    take(t.percentHeader, 326);
    return t;
}

// ---------------------------------------------------------------------------
// Show

namespace {

std::vector<std::string> SplitKey(std::string_view key) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t dash = key.find('-', start);
        parts.emplace_back(key.substr(start, dash == std::string_view::npos ? std::string_view::npos : dash - start));
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    return parts;
}

// A count as shown: the integer when the text is one, otherwise the text.
std::string CountCell(const std::string& text) {
    const auto v = core::ParseInteger(text);
    return v ? std::to_string(*v) : text;
}

}  // namespace

WarrantyView::WarrantyView(const WarrantyTable& table, int n, const WarrantyTexts& texts)
    : n_(n), total_(table.total), complete_(table.complete), texts_(texts) {
    const size_t count = std::min(table.keys.size(), table.counts.size());
    for (size_t i = 0; i < count; ++i) {
        WarrantyGridRow row;
        row.key = table.keys[i];
        std::vector<std::string> parts = SplitKey(row.key);
        for (size_t k = 0; k < 4; ++k) row.counts.push_back(k < parts.size() ? CountCell(parts[k]) : std::string());
        row.outcomes = table.counts[i];
        rows_.push_back(std::move(row));
    }
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const WarrantyGridRow& a, const WarrantyGridRow& b) { return a.key < b.key; });

    // Chances: line k holds the share of outcomes whose best row has at least
    // N-k right, and the fewest such rows among the classes whose best is N-k.
    const double t = static_cast<double>(std::max<int64_t>(total_, 1));
    std::vector<bool> used(rows_.size(), false);
    double acc = 0.0, p[4] = {0, 0, 0, 0};
    int64_t seen = 0;
    for (int k = 0; k < 4; ++k) {
        // The fewest rows is tracked as "none yet" rather than against a cap:
        // on long coupons a class can have 10 000 rows or more with N-3 right,
        // and its line must not vanish.
        std::optional<int64_t> least;
        int64_t sum = 0;
        for (size_t r = 0; r < rows_.size(); ++r) {
            if (used[r]) continue;
            // A cell that is not a number states no count: it is taken as "0".
            const auto v = core::ParseInteger(rows_[r].counts[k]);
            if (!v || *v == 0) continue;
            least = least ? std::min(*least, *v) : *v;
            sum += rows_[r].outcomes;
            used[r] = true;
        }
        if (k > 0) acc += p[k - 1];
        p[k] = static_cast<double>(sum) * 100.0 / t;
        seen += sum;
        if (least)
            lines_.push_back(core::FormatMsg(
                texts_.chance, {p[k] + acc, static_cast<long long>(*least), static_cast<long long>(n_ - k)}));
    }
    if (seen < total_) {
        acc += p[3];
        lines_.push_back(core::FormatMsg(texts_.risk, {std::max(0.0, 100.0 - acc), static_cast<long long>(n_ - 3)}));
    }
}

std::vector<std::string> WarrantyView::Header() const {
    return {std::to_string(n_),     std::to_string(n_ - 1), std::to_string(n_ - 2),
            std::to_string(n_ - 3), texts_.chanceHeader,    texts_.percentHeader};
}

std::vector<std::string> WarrantyView::Cells(size_t r) const {
    const WarrantyGridRow& row = rows_.at(r);
    std::vector<std::string> cells = row.counts;
    cells.push_back(fmt::format("{} / {}", row.outcomes, total_));
    const double t = static_cast<double>(std::max<int64_t>(total_, 1));
    cells.push_back(core::FormatMsg("%f %%", {static_cast<double>(row.outcomes) * 100.0 / t}));
    return cells;
}

std::vector<std::vector<std::string>> WarrantyView::Grid() const {
    std::vector<std::vector<std::string>> grid{Header()};
    if (rows_.empty()) grid.emplace_back(6, std::string());
    for (size_t r = 0; r < rows_.size(); ++r) grid.push_back(Cells(r));
    return grid;
}

void WarrantyView::SortByColumn(int column) {
    if (column < 0 || column > 5) return;
    const bool descending = nextDescending_;
    nextDescending_ = !nextDescending_;
    auto value = [column](const WarrantyGridRow& r) -> std::optional<int64_t> {
        if (column >= 4) return r.outcomes;
        return core::ParseInteger(r.counts[column]);
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const WarrantyGridRow& a, const WarrantyGridRow& b) {
        const auto va = value(a), vb = value(b);
        if (!va || !vb) return false;  // not a number: equal
        return descending ? *va > *vb : *va < *vb;
    });
}

std::string WarrantyView::ExportText() const {
    std::string text;
    for (const auto& cells : Grid()) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i) text += '\t';
            text += cells[i];
        }
        text += "\r\n";
    }
    return text;
}

void WarrantyView::ExportToFile(const std::filesystem::path& path) const {
    core::WriteFileAtomic(path, core::Utf8ToCp1252(ExportText()));
}

// ---------------------------------------------------------------------------
// The document

void StoreWarranty(core::TVinraFile& doc, const WarrantyTable& table, const std::vector<std::string>& lines) {
    if (!table.complete)
        throw std::logic_error("the warranty calculation was interrupted; its table is incomplete and is not stored");
    const size_t count = std::min(table.keys.size(), table.counts.size());
    doc.GarRad.assign(table.keys.begin(), table.keys.begin() + static_cast<std::ptrdiff_t>(count));
    doc.GarAnt.clear();
    for (size_t i = 0; i < count; ++i) doc.GarAnt.push_back(std::to_string(table.counts[i]));
    doc.AntalGarantiRader = static_cast<int32_t>(std::min<size_t>(count, std::numeric_limits<int32_t>::max()));
    doc.AntalRader = static_cast<int32_t>(std::clamp<int64_t>(table.total, 0, std::numeric_limits<int32_t>::max()));
    doc.Gar.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(lines.size(), 5)));
}

namespace {
std::optional<int64_t> ParseCount(std::string_view text) {
    const auto v = core::ParseInteger(text);
    if (!v || *v < 0) return std::nullopt;
    return v;
}
}  // namespace

WarrantyTable WarrantyFromDocument(const core::TVinraFile& doc) {
    WarrantyTable table;
    table.total = doc.AntalRader;
    const size_t count = std::min(doc.GarRad.size(), doc.GarAnt.size());
    for (size_t i = 0; i < count; ++i) {
        const auto c = ParseCount(doc.GarAnt[i]);
        if (!c || doc.GarRad[i].empty()) break;
        table.keys.push_back(doc.GarRad[i]);
        table.counts.push_back(*c);
    }
    return table;
}

void ClearWarranty(core::TVinraFile& doc) {
    doc.GarRad.clear();
    doc.GarAnt.clear();
    doc.Gar.clear();
    doc.AntalGarantiRader = 0;
    doc.AntalRader = 0;
}

WarrantyTable ImportWarranty(const std::filesystem::path& file, int64_t keyCount, int64_t total,
                             const std::atomic<bool>* cancel) {
    const core::IniFile ini = core::IniFile::FromFile(file);
    WarrantyTable table;
    table.total = total;
    for (int64_t i = 0; i < keyCount; ++i) {
        if (i % 10 == 0 && cancel && cancel->load()) return WarrantyTable{{}, {}, total, false};
        const std::string key = ini.ReadString("Garanti", fmt::format("Rad{}", i));
        if (key.empty()) break;
        const auto c = ParseCount(ini.ReadString("Garanti", fmt::format("Ant{}", i)));
        if (!c) break;
        table.keys.push_back(key);
        table.counts.push_back(*c);
    }
    return table;
}

}  // namespace vinra::reduction
