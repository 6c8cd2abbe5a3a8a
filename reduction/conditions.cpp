#include "reduction/conditions.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "core/ini.h"

namespace vinra::reduction {

using core::PackedRow;

namespace {

constexpr uint64_t kLowBits = 0x5555555555555555ull;

int ClampInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ClampMatches(int n) { return n <= 0 ? core::kDefaultMatches : std::min(n, core::kMaxMatches); }

// Decimal text of a count; empty or unreadable text gives def.
int ParseCount(const std::string& text, int def) {
    if (auto v = core::ParseInteger(text)) return ClampInt(*v);
    return def;
}

const std::string& At(const std::vector<std::string>& list, size_t i) {
    static const std::string empty;
    return i < list.size() ? list[i] : empty;
}

bool IsSign(char ch) { return ch >= '0' && ch <= '2'; }

std::vector<std::string_view> SplitAt(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t pos = s.find(sep, start);
        if (pos == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, pos - start));
        start = pos + 1;
    }
}

// A piece of a yes-combination counts as present when it occurs 1 to 8 times;
// more often than that it counts as absent (the rule of the stored systems).
bool PiecePresent(std::string_view row, std::string_view piece) {
    const int k = CombinationCount(row, piece);
    return k >= 1 && k <= 8;
}

bool YesHolds(std::string_view row, const YesCombination& y) {
    const std::string_view p = y.pattern;
    if (p.find('?') != std::string_view::npos) {
        for (auto piece : SplitAt(p, '?'))
            if (PiecePresent(row, piece)) return true;
        return false;
    }
    if (p.find('!') != std::string_view::npos) {
        auto pieces = SplitAt(p, '!');
        if (!PiecePresent(row, pieces[0])) return true;
        for (size_t i = 1; i < pieces.size(); ++i)
            if (PiecePresent(row, pieces[i])) return false;
        return true;
    }
    const int k = CombinationCount(row, p);
    return y.min <= k && k <= y.max;
}

// True when the row matches the no-combination (and is therefore rejected).
bool NoMatches(std::string_view row, std::string_view p) {
    if (p.find('*') == std::string_view::npos) {
        // An empty no-combination names nothing to avoid; it must not reject every row.
        if (p.empty()) return false;
        return row.find(p) != std::string_view::npos;
    }
    if (p.size() != row.size()) return true;
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] != '*' && row[i] != p[i]) return false;
    return true;
}

double Factor(const PercentTable& user, const PercentTable& people, size_t m, size_t s) {
    const auto& p = people[m];
    if (p[0] == 0 || p[1] == 0 || p[2] == 0) return 1.0;
    const double q = user[m][s] / p[s];
    return q == 0 ? 1.0 : q;
}

}  // namespace

// ---------------------------------------------------------------------------
// The set and the document

ConditionSet NewConditionSet(int n) {
    ConditionSet c;
    n = ClampMatches(n);
    c.n = n;
    c.maxCount = {n, n, n};
    c.runMax = {n, n, n};
    c.winMax = int64_t{n} * 1000;
    for (auto& list : c.userPercent) list.assign(core::kMaxMatches, "1");
    return c;
}

ConditionSet FromDocument(const core::TVinraFile& doc) {
    ConditionSet c;
    c.n = ClampMatches(doc.MatchCount);
    for (int i = 0; i < kConditionFlags; ++i)
        c.flags[static_cast<size_t>(i)] = i < doc.UseFlags.Count() && doc.UseFlags.Get(i);
    c.radDiff = doc.RadDiff;
    c.firstRow = doc.FirstRow;
    c.procMin = doc.ProcMin;
    c.procMax = doc.ProcMax;
    c.filterToRader = doc.FilterToRader;
    for (size_t s = 0; s < 3; ++s) {
        c.maxCount[s] = doc.Max[s];
        c.runMax[s] = doc.Ord[s];
        c.minCount[s] = doc.Min[s];
    }
    for (size_t i = 0; i < doc.URad.size(); ++i)
        c.sourceRows.push_back({doc.URad[i], ParseCount(At(doc.UMin, i), 0), ParseCount(At(doc.UMax, i), c.n)});
    for (size_t i = 0; i < doc.Ja.size(); ++i)
        c.yesCombinations.push_back({doc.Ja[i], ParseCount(At(doc.JaMin, i), 0), ParseCount(At(doc.JaMax, i), c.n)});
    c.noCombinations = doc.Nej;
    c.userPercent = doc.Proc;
    c.sumTable = doc.UserPercent;
    c.winMin = doc.WinMin;
    c.winMax = doc.WinMax;
    return c;
}

void ToDocument(const ConditionSet& c, core::TVinraFile& doc) {
    uint32_t bits = 0;
    for (int i = 0; i < kConditionFlags; ++i)
        if (c.flags[static_cast<size_t>(i)]) bits |= 1u << i;
    doc.UseFlags.FromInteger(bits, kConditionFlags);
    doc.RadDiff = c.radDiff;
    doc.FirstRow = c.firstRow;
    doc.ProcMin = c.procMin;
    doc.ProcMax = c.procMax;
    doc.FilterToRader = c.filterToRader;
    for (size_t s = 0; s < 3; ++s) {
        doc.Max[s] = c.maxCount[s];
        doc.Ord[s] = c.runMax[s];
        doc.Min[s] = c.minCount[s];
    }
    doc.URad.clear();
    doc.UMin.clear();
    doc.UMax.clear();
    for (const auto& s : c.sourceRows) {
        doc.URad.push_back(s.pattern);
        doc.UMin.push_back(std::to_string(s.min));
        doc.UMax.push_back(std::to_string(s.max));
    }
    doc.Ja.clear();
    doc.JaMin.clear();
    doc.JaMax.clear();
    for (const auto& y : c.yesCombinations) {
        doc.Ja.push_back(y.pattern);
        doc.JaMin.push_back(std::to_string(y.min));
        doc.JaMax.push_back(std::to_string(y.max));
    }
    doc.Nej = c.noCombinations;
    doc.Proc = c.userPercent;
    doc.UserPercent = c.sumTable;
    doc.WinMin = ClampInt(c.winMin);
    doc.WinMax = ClampInt(c.winMax);
}

int64_t UserWeight(const ConditionSet& c, int match, int sign, int64_t fallback) {
    const auto& list = c.userPercent[static_cast<size_t>(sign)];
    if (match < 0 || static_cast<size_t>(match) >= list.size()) return fallback;
    const std::string& text = list[static_cast<size_t>(match)];
    int64_t v = 0;
    if (auto i = core::ParseInteger(text)) {
        v = *i;
    } else if (auto f = core::ParseFloat(text); f && std::isfinite(*f)) {
        v = static_cast<int64_t>(std::clamp(*f, -1e12, 1e12));
    }
    // A weight is a share of a draw: a negative one from a damaged file counts as none.
    return std::clamp<int64_t>(v, 0, 1'000'000'000);
}

PercentTable UserPercentTable(const ConditionSet& c) {
    PercentTable t{};
    for (size_t s = 0; s < 3; ++s)
        for (size_t m = 0; m < core::kMaxMatches && m < c.userPercent[s].size(); ++m)
            if (auto f = core::ParseFloat(c.userPercent[s][m])) t[m][s] = *f;
    return t;
}

// ---------------------------------------------------------------------------
// Row tests on strings

int CountEqualSigns(std::string_view a, std::string_view b) {
    const size_t len = std::min(a.size(), b.size());
    int k = 0;
    for (size_t i = 0; i < len; ++i) k += a[i] == b[i];
    return k;
}

int SourceRowHits(std::string_view row, std::string_view pattern) {
    int hits = 0;
    size_t p = 0, start = 0;
    for (;;) {
        const size_t comma = pattern.find(',', start);
        if (comma == std::string_view::npos) break;
        if (p >= row.size()) return hits;  // cells beyond the row are ignored
        if (pattern.substr(start, comma - start).find(row[p]) != std::string_view::npos) ++hits;
        ++p;
        start = comma + 1;
    }
    // The text after the last comma is the last cell.
    if (p < row.size() && pattern.substr(start).find(row[p]) != std::string_view::npos) ++hits;
    return hits;
}

int CombinationCount(std::string_view row, std::string_view q) {
    if (q.empty()) return 0;
    int k = 0;
    size_t pos = 0;
    while ((pos = row.find(q, pos)) != std::string_view::npos) {
        ++k;
        pos += q.size();
    }
    return k;
}

double RowValue(std::string_view row, const PercentTable& user, const PercentTable& people) {
    double v = 1.0;
    const size_t len = std::min<size_t>(row.size(), core::kMaxMatches);
    for (size_t m = 0; m < len; ++m) {
        if (!IsSign(row[m])) continue;
        v *= Factor(user, people, m, static_cast<size_t>(row[m] - '0'));
    }
    return v;
}

int64_t RowSum(std::string_view row, const SumTable& table) {
    int64_t sum = 0;
    const size_t len = std::min<size_t>(row.size(), core::kMaxMatches);
    for (size_t m = 0; m < len; ++m)
        if (IsSign(row[m])) sum += table[m][static_cast<size_t>(row[m] - '0')];
    return sum;
}

std::pair<int64_t, int64_t> FrameSumBounds(const SumTable& table, const std::vector<std::string>& frame,
                                           bool withinFrame) {
    const int64_t n = static_cast<int64_t>(frame.size());
    int64_t lo = 0, hi = 0;
    for (size_t m = 0; m < frame.size() && m < core::kMaxMatches; ++m) {
        int64_t mn = n * 1000, mx = 0;
        for (size_t s = 0; s < 3; ++s) {
            if (withinFrame && !core::EntryHas(frame[m], static_cast<char>('0' + s))) continue;
            mn = std::min<int64_t>(mn, table[m][s]);
            mx = std::max<int64_t>(mx, table[m][s]);
        }
        lo += mn;
        hi += mx;
    }
    return {lo, hi};
}

void NormaliseWinBounds(ConditionSet& c, int64_t lo, int64_t hi) {
    if (c.winMin < lo || c.winMin > hi) c.winMin = lo;
    if (c.winMax > hi || c.winMax < lo) c.winMax = hi;
    if (c.winMax == c.winMin) c.winMax = c.winMin + 1;
}

bool PassesSignCounts(std::string_view row, const ConditionSet& c) {
    const int n = c.n;
    for (size_t s = 0; s < 3; ++s) {
        const char sign = static_cast<char>('0' + s);
        const int count = CountEqualSigns(row, std::string(static_cast<size_t>(std::max(n, 0)), sign));
        if (count < c.minCount[s] || count > c.maxCount[s]) return false;
        if (!RunWithinBound(row, sign, c.runMax[s], n)) return false;
    }
    return true;
}

bool RunWithinBound(std::string_view row, char sign, int bound, int n) {
    if (bound >= n) return true;
    // A negative bound from a damaged file admits no row at all.
    if (bound < 0) return false;
    return row.find(std::string(static_cast<size_t>(bound) + 1, sign)) == std::string_view::npos;
}

bool PassesSourceRows(std::string_view row, const ConditionSet& c) {
    for (const auto& s : c.sourceRows) {
        const int h = SourceRowHits(row, s.pattern);
        if (h < s.min || h > s.max) return false;
    }
    return true;
}

bool PassesYesCombinations(std::string_view row, const ConditionSet& c) {
    for (const auto& y : c.yesCombinations)
        if (!YesHolds(row, y)) return false;
    return true;
}

bool PassesNoCombinations(std::string_view row, const ConditionSet& c) {
    for (const auto& p : c.noCombinations)
        if (NoMatches(row, p)) return false;
    return true;
}

bool PassesPercentage(std::string_view row, const ConditionSet& c, const PercentTables& t) {
    const double v = RowValue(row, t.user, t.people);
    return c.procMin <= v && v <= c.procMax;
}

bool PassesWinLevel(std::string_view row, const ConditionSet& c) {
    const int64_t s = RowSum(row, c.sumTable);
    return c.winMin <= s && s <= c.winMax;
}

bool RowPassesConditions(std::string_view row, const ConditionSet& c, const PercentTables& t,
                         const RandomContext* random) {
    const std::vector<std::string>* accepted = random ? random->accepted : nullptr;
    if (accepted && std::binary_search(accepted->begin(), accepted->end(), row, std::less<>())) return false;
    if (c.flag(core::UseProcent) && !PassesPercentage(row, c, t)) return false;
    if (c.flag(core::UseChooseWin) && !PassesWinLevel(row, c)) return false;
    if (accepted && c.flag(core::UseRadDiff)) {
        const int64_t limit = int64_t{c.n} - c.radDiff;
        for (const auto& r : *accepted)
            if (CountEqualSigns(row, r) > limit) return false;
    }
    if (c.flag(core::UseMaxMin) && !PassesSignCounts(row, c)) return false;
    if (c.flag(core::UseURad) && !PassesSourceRows(row, c)) return false;
    if (c.flag(core::UseJaKomb) && !PassesYesCombinations(row, c)) return false;
    if (c.flag(core::UseNejKomb) && !PassesNoCombinations(row, c)) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Row difference

namespace {

void MoveStartRowToFront(std::vector<PackedRow>& rows, PackedRow start) {
    auto it = std::find(rows.begin(), rows.end(), start);
    if (it != rows.end()) rows.erase(it);
    rows.insert(rows.begin(), start);
}

// Rows that are kept are compared with the later rows one by one: the cheap
// way when the neighbourhood of a row is larger than the list itself.
void RowDifferenceByComparison(std::vector<PackedRow>& rows, int n, int limit, const std::atomic<bool>* cancel,
                               const RowDifferenceProgress& progress) {
    std::vector<PackedRow> kept;
    std::vector<char> keep(rows.size(), 0);
    int64_t deleted = 0;
    size_t i = 0;
    for (; i < rows.size(); ++i) {
        const PackedRow r = rows[i];
        bool close = false;
        for (PackedRow k : kept)
            if (core::CountEqualPacked(r, k, n) > limit) {
                close = true;
                break;
            }
        if (close) {
            ++deleted;
            continue;
        }
        keep[i] = 1;
        kept.push_back(r);
        if (progress && (kept.size() & 255) == 1)
            progress(static_cast<int64_t>(kept.size()) - 1, static_cast<int64_t>(rows.size()) - deleted);
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            ++i;
            break;
        }
    }
    // After a cancel the rows not reached lose only those close to a kept row.
    for (; i < rows.size(); ++i) {
        bool close = false;
        for (PackedRow k : kept)
            if (core::CountEqualPacked(rows[i], k, n) > limit) {
                close = true;
                break;
            }
        keep[i] = !close;
    }
    size_t out = 0;
    for (size_t j = 0; j < rows.size(); ++j)
        if (keep[j]) rows[out++] = rows[j];
    rows.resize(out);
}

// Every kept row deletes the rows of its neighbourhood (distance below d): the
// neighbourhood is enumerated inside the frame spanned by the list and marked
// in a bitmap indexed by the row's mixed-radix number. A row is deleted when it
// is marked by the time it is reached, which is exactly "an earlier kept row is
// too close".
class NeighbourhoodMarker {
public:
    NeighbourhoodMarker(int n, const std::array<std::array<int, 3>, core::kMaxMatches>& digit,
                        const std::array<int, core::kMaxMatches>& size, uint64_t total)
        : n_(n), digit_(digit), size_(size), bits_((total + 63) / 64, 0) {
        uint64_t w = 1;
        for (int m = n - 1; m >= 0; --m) {
            weight_[static_cast<size_t>(m)] = static_cast<int64_t>(w);
            w *= static_cast<uint64_t>(size[static_cast<size_t>(m)]);
        }
        // A row's number four matches at a time: one look-up per byte of the packed row.
        chunks_ = (n + 3) / 4;
        for (int c = 0; c < chunks_; ++c)
            for (unsigned byte = 0; byte < 256; ++byte) {
                int64_t part = 0;
                for (int q = 0; q < 4; ++q) {
                    const int m = 4 * c + q;
                    if (m >= n) break;
                    const int code = static_cast<int>(byte >> (6 - 2 * q)) & 3;
                    if (code < 3)
                        part +=
                            digit[static_cast<size_t>(m)][static_cast<size_t>(code)] * weight_[static_cast<size_t>(m)];
                }
                index_[static_cast<size_t>(c)][byte] = part;
            }
        // The same four matches at a time, for the single changes (d = 2):
        // per byte of the packed row, the steps of its four matches together.
        if (chunks_ <= 4) {
            byteSteps_ = std::make_unique<std::array<std::array<ByteSteps, 256>, 4>>();
            for (int c = 0; c < chunks_; ++c)
                for (unsigned byte = 0; byte < 256; ++byte) {
                    ByteSteps& bs = (*byteSteps_)[static_cast<size_t>(c)][byte];
                    for (int q = 0; q < 4; ++q) {
                        const int m = 4 * c + q;
                        const int code = static_cast<int>(byte >> (6 - 2 * q)) & 3;
                        if (m >= n || code == 3) continue;
                        const int own = digit[static_cast<size_t>(m)][static_cast<size_t>(code)];
                        for (int a = 0; a < size[static_cast<size_t>(m)]; ++a)
                            if (a != own)
                                bs.step[static_cast<size_t>(bs.count++)] =
                                    static_cast<int32_t>((a - own) * weight_[static_cast<size_t>(m)]);
                    }
                }
        }
        // Per match and sign, the steps to the same row with each other sign there.
        for (int m = 0; m < n; ++m)
            for (int code = 0; code < 3; ++code) {
                Changes& ch = changes_[static_cast<size_t>(m)][static_cast<size_t>(code)];
                const int own = digit[static_cast<size_t>(m)][static_cast<size_t>(code)];
                for (int a = 0; a < size[static_cast<size_t>(m)]; ++a)
                    if (a != own) ch.step[static_cast<size_t>(ch.count++)] = (a - own) * weight_[static_cast<size_t>(m)];
            }
    }

    // The mixed-radix number of a row of the frame.
    int64_t Index(PackedRow p) const {
        // Up to 16 matches (every pool): four look-ups without a loop; the
        // tables past the row's matches hold zeros.
        if (chunks_ <= 4)
            return index_[0][p >> 56] + index_[1][(p >> 48) & 0xff] + index_[2][(p >> 40) & 0xff] +
                   index_[3][(p >> 32) & 0xff];
        int64_t idx = 0;
        for (int c = 0; c < chunks_; ++c) idx += index_[static_cast<size_t>(c)][(p >> (56 - 8 * c)) & 0xff];
        return idx;
    }
    bool Marked(int64_t idx) const { return (bits_[static_cast<size_t>(idx) >> 6] >> (idx & 63)) & 1; }
    void Mark(int64_t idx) { bits_[static_cast<size_t>(idx) >> 6] |= 1ull << (idx & 63); }

    // Marks every row of the frame within radius of row p (number idx).
    void MarkBall(PackedRow p, int64_t idx, int radius) {
        Mark(idx);
        if (radius <= 0) return;
        if (radius == 1 && byteSteps_) {
            // The common pass (d = 2): the single changes, a byte of the row at a time.
            const auto& t = *byteSteps_;
            for (size_t c = 0; c < 4; ++c) {
                const ByteSteps& bs = t[c][(p >> (56 - 8 * c)) & 0xff];
                for (int a = 0; a < bs.count; ++a) Mark(idx + bs.step[static_cast<size_t>(a)]);
            }
            return;
        }
        if (radius == 1) {
            // The single changes, straight from the table.
            for (int m = 0; m < n_; ++m) {
                const Changes& ch = changes_[static_cast<size_t>(m)][static_cast<size_t>(core::PackedSign(p, m))];
                for (int a = 0; a < ch.count; ++a) Mark(idx + ch.step[static_cast<size_t>(a)]);
            }
            return;
        }
        // The single changes of the row, match by match: their offsets, and for
        // each the first change of a later match (balls add changes of distinct matches).
        int count = 0;
        for (int m = 0; m < n_; ++m) {
            const Changes& ch = changes_[static_cast<size_t>(m)][static_cast<size_t>(core::PackedSign(p, m))];
            const int first = count;
            for (int a = 0; a < ch.count; ++a) delta_[static_cast<size_t>(count++)] = ch.step[static_cast<size_t>(a)];
            for (int k = first; k < count; ++k) later_[static_cast<size_t>(k)] = count;
        }
        markFrom(0, count, radius, idx);
    }

private:
    void markFrom(int from, int count, int radius, int64_t idx) {
        if (radius == 1) {
            for (int i = from; i < count; ++i) Mark(idx + delta_[static_cast<size_t>(i)]);
            return;
        }
        if (radius == 2) {
            for (int i = from; i < count; ++i) {
                const int64_t j = idx + delta_[static_cast<size_t>(i)];
                Mark(j);
                for (int k = later_[static_cast<size_t>(i)]; k < count; ++k) Mark(j + delta_[static_cast<size_t>(k)]);
            }
            return;
        }
        for (int i = from; i < count; ++i) {
            const int64_t j = idx + delta_[static_cast<size_t>(i)];
            Mark(j);
            markFrom(later_[static_cast<size_t>(i)], count, radius - 1, j);
        }
    }

    int n_;
    const std::array<std::array<int, 3>, core::kMaxMatches>& digit_;
    const std::array<int, core::kMaxMatches>& size_;
    std::array<int64_t, core::kMaxMatches> weight_{};
    int chunks_ = 0;
    std::array<std::array<int64_t, 256>, (core::kMaxMatches + 3) / 4> index_{};
    // Steps of a byte's four matches: each under 2 * 3^15, so 32 bits hold them
    // (the tables exist for rows of up to 16 matches).
    struct ByteSteps {
        int count = 0;
        std::array<int32_t, 8> step{};
    };
    std::unique_ptr<std::array<std::array<ByteSteps, 256>, 4>> byteSteps_;
    struct Changes {
        int count = 0;
        std::array<int64_t, 2> step{};
    };
    std::array<std::array<Changes, 3>, core::kMaxMatches> changes_{};
    std::array<int64_t, 2 * core::kMaxMatches> delta_{};
    std::array<int, 2 * core::kMaxMatches> later_{};
    std::vector<uint64_t> bits_;
};

}  // namespace

void ApplyRowDifferencePacked(std::vector<PackedRow>& rows, int n, int d, const PackedRow* startRow,
                              const std::atomic<bool>* cancel, const RowDifferenceProgress& progress) {
    if (startRow) MoveStartRowToFront(rows, *startRow);
    if (rows.size() < 2) return;
    n = std::clamp(n, 1, core::kMaxMatches);
    d = std::clamp(d, 0, n + 1);  // below 1 nothing is too close, above N everything is
    const int limit = n - d;
    if (limit >= n) return;  // no two rows can agree in more than N places
    if (limit < 0) {         // every pair is too close: the first row alone stays
        if (progress) progress(0, static_cast<int64_t>(rows.size()));
        rows.resize(1);
        return;
    }
    const int radius = n - limit - 1;  // delete rows within this distance of a kept row

    // The frame the list spans, as per-match digits.
    // Per code, the matches where some row holds it, as plain reductions over
    // the list (the compiler vectorises them): ones, twos, never a zero, code 3.
    uint64_t ones = 0, twos = 0, noZero = ~0ull, threes = 0;
    for (PackedRow r : rows) {
        const uint64_t lo = r & kLowBits, hi = (r >> 1) & kLowBits;
        ones |= lo & ~hi;
        twos |= hi & ~lo;
        noZero &= lo | hi;
        threes |= lo & hi;
    }
    std::array<int, core::kMaxMatches> present{};
    for (int m = 0; m < n; ++m) {
        const int bit = core::PackedShift(m);
        present[static_cast<size_t>(m)] = static_cast<int>((~noZero >> bit) & 1) |
                                          static_cast<int>(((ones >> bit) & 1) << 1) |
                                          static_cast<int>(((twos >> bit) & 1) << 2) |
                                          static_cast<int>(((threes >> bit) & 1) << 3);
    }
    std::array<std::array<int, 3>, core::kMaxMatches> digit{};
    std::array<int, core::kMaxMatches> size{};
    bool valid = true;
    double total = 1, ball = 0;
    std::vector<double> poly{1.0};  // coefficients of prod(1 + (size-1) x)
    for (size_t m = 0; m < static_cast<size_t>(n); ++m) {
        if (present[m] & 8) valid = false;  // code 3: not a sign
        int k = 0;
        for (int s = 0; s < 3; ++s)
            if (present[m] & (1 << s)) digit[m][static_cast<size_t>(s)] = k++;
        size[m] = k;
        total *= k;
        std::vector<double> next(poly.size() + 1, 0.0);
        for (size_t e = 0; e < poly.size(); ++e) {
            next[e] += poly[e];
            next[e + 1] += poly[e] * (k - 1);
        }
        poly.swap(next);
    }
    for (int e = 0; e <= radius && static_cast<size_t>(e) < poly.size(); ++e) ball += poly[static_cast<size_t>(e)];

    const bool marking = valid && total <= double(1u << 30) && ball <= static_cast<double>(rows.size());
    if (!marking) {
        RowDifferenceByComparison(rows, n, limit, cancel, progress);
        return;
    }

    // The marker is large (byte tables of the row numbers): kept off the stack.
    auto marker = std::make_unique<NeighbourhoodMarker>(n, digit, size, static_cast<uint64_t>(total));
    // Kept rows move down in place: a row is read before anything is written over it.
    int64_t kept = 0, deleted = 0;
    size_t i = 0, out = 0;
    for (; i < rows.size(); ++i) {
        const PackedRow row = rows[i];
        const int64_t idx = marker->Index(row);
        if (marker->Marked(idx)) {
            ++deleted;
            continue;
        }
        rows[out++] = row;
        if (progress && (kept & 1023) == 0) progress(kept, static_cast<int64_t>(rows.size()) - deleted);
        ++kept;
        marker->MarkBall(row, idx, radius);
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            ++i;
            break;
        }
    }
    for (; i < rows.size(); ++i)
        if (!marker->Marked(marker->Index(rows[i]))) rows[out++] = rows[i];
    rows.resize(out);
    if (progress) progress(kept, static_cast<int64_t>(out));
}

void ApplyRowDifference(std::vector<std::string>& rows, int d, const std::string& startRow,
                        const std::atomic<bool>* cancel, const RowDifferenceProgress& progress) {
    if (!startRow.empty()) {
        auto it = std::find(rows.begin(), rows.end(), startRow);
        if (it != rows.end()) rows.erase(it);
        rows.insert(rows.begin(), startRow);
    }
    if (rows.size() < 2) return;
    const size_t n = rows.front().size();
    bool packable = n >= 1 && n <= static_cast<size_t>(core::kMaxMatches);
    for (const auto& r : rows)
        if (!packable || !core::IsRow(r, n)) {
            packable = false;
            break;
        }
    if (packable) {
        std::vector<PackedRow> packed;
        packed.reserve(rows.size());
        for (const auto& r : rows) packed.push_back(core::PackRow(r));
        ApplyRowDifferencePacked(packed, static_cast<int>(n), d, nullptr, cancel, progress);
        rows.resize(packed.size());
        for (size_t i = 0; i < packed.size(); ++i) rows[i] = core::UnpackRow(packed[i], static_cast<int>(n));
        return;
    }
    // Rows of mixed length or with foreign characters: the plain pass.
    const int64_t limit = static_cast<int64_t>(n) - d;
    std::vector<char> gone(rows.size(), 0);
    size_t i = 0;
    int64_t deleted = 0;
    for (; i + 1 < rows.size(); ++i) {
        if (gone[i]) continue;
        if (progress) progress(static_cast<int64_t>(i), static_cast<int64_t>(rows.size()) - deleted);
        for (size_t j = rows.size() - 1; j > i; --j)
            if (!gone[j] && CountEqualSigns(rows[j], rows[i]) > limit) {
                gone[j] = 1;
                ++deleted;
            }
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
    }
    size_t out = 0;
    for (size_t j = 0; j < rows.size(); ++j)
        if (!gone[j]) {
            if (out != j) rows[out] = std::move(rows[j]);
            ++out;
        }
    rows.resize(out);
}

// ---------------------------------------------------------------------------
// Compiled form

namespace {

// Forced inline: these run inside the popcount clones below, and only code
// inlined there is compiled with the popcount instruction (the build targets
// plain x86-64, where std::popcount is a library call).
#define VINRA_HOT __attribute__((always_inline)) inline

VINRA_HOT int PopEven(uint64_t x) { return std::popcount(x); }

CompiledConditions::Piece CompilePiece(std::string_view s, int n) {
    CompiledConditions::Piece p;
    if (s.empty() || static_cast<int>(s.size()) > n) return p;
    for (size_t j = 0; j < s.size(); ++j) {
        if (!IsSign(s[j])) return p;  // no row holds this character
        p.codes[j] = static_cast<uint8_t>(s[j] - '0');
    }
    p.len = static_cast<int>(s.size());
    for (size_t b = 1; b < s.size() && !p.selfOverlap; ++b) p.selfOverlap = s.substr(0, b) == s.substr(s.size() - b);
    return p;
}

// Bit (low bit of match i's pair) set where an occurrence starts at match i.
VINRA_HOT uint64_t Starts(const CompiledConditions::Piece& p, const std::array<uint64_t, 3>& is) {
    uint64_t m = is[p.codes[0]];
    for (int j = 1; j < p.len && m; ++j) m &= is[p.codes[static_cast<size_t>(j)]] << (2 * j);
    return m;
}

// The greedy count, from the left, given where occurrences start.
VINRA_HOT int CountFromStarts(const CompiledConditions::Piece& p, uint64_t m) {
    if (p.len == 0) return 0;
    if (!p.selfOverlap) return PopEven(m);
    int k = 0;
    while (m) {
        const int b = 63 - std::countl_zero(m);
        ++k;
        const int next = b - 2 * p.len;  // the next occurrence starts after this one ends
        m = next < 0 ? 0 : (m & ((2ull << next) - 1));
    }
    return k;
}

// min <= count <= max without the greedy count where the overlapping count
// already settles it (the greedy count lies between ceil(starts / len) and starts).
VINRA_HOT bool CountWithinFromStarts(const CompiledConditions::Piece& p, uint64_t m, int min, int max) {
    if (p.len == 0) return min <= 0 && 0 <= max;
    const int starts = PopEven(m);
    if (!p.selfOverlap) return min <= starts && starts <= max;
    // ceil(starts / len) compared without a division: it exceeds max exactly
    // when starts > max * len, and reaches min exactly when starts > (min - 1) * len.
    const int64_t len = p.len;
    if (starts < min || starts > int64_t{max} * len) return false;
    if (starts <= max && starts > (int64_t{min} - 1) * len) return true;
    const int k = CountFromStarts(p, m);
    return min <= k && k <= max;
}

VINRA_HOT bool PresentFromStarts(const CompiledConditions::Piece& p, uint64_t m) {
    if (p.len == 0 || !m) return false;
    if (PopEven(m) <= 8) return true;
    return CountFromStarts(p, m) <= 8;
}

VINRA_HOT bool PlainCountWithin(const CompiledConditions::Piece& p, const std::array<uint64_t, 3>& is, int min,
                                int max) {
    return CountWithinFromStarts(p, p.len == 0 ? 0 : Starts(p, is), min, max);
}

VINRA_HOT bool PresentPiece(const CompiledConditions::Piece& p, const std::array<uint64_t, 3>& is) {
    return p.len != 0 && PresentFromStarts(p, Starts(p, is));
}

// A run of rule's length starts where a bit is left (see SignRule).
template <class Rule>
VINRA_HOT bool HasRunPlanned(uint64_t b, const Rule& r) {
    uint64_t t = b;
    for (int i = 0; i < r.steps; ++i) t &= t << r.shift[static_cast<size_t>(i)];
    return t != 0;
}

}  // namespace

CompiledConditions::CompiledConditions(const ConditionSet& c, const PercentTables& t) {
    n_ = std::clamp(c.n, 1, core::kMaxMatches);
    lowMask_ = core::PackedMask(n_) & kLowBits;

    useValue_ = c.flag(core::UseProcent);
    procMin_ = c.procMin;
    procMax_ = c.procMax;
    valueTrivial_ = true;
    for (size_t m = 0; m < static_cast<size_t>(n_); ++m)
        for (size_t s = 0; s < 3; ++s) {
            factor_[m][s] = Factor(t.user, t.people, m, s);
            if (factor_[m][s] != 1.0) valueTrivial_ = false;
        }

    useSum_ = c.flag(core::UseChooseWin);
    winMin_ = c.winMin;
    winMax_ = c.winMax;
    for (size_t m = 0; m < static_cast<size_t>(n_); ++m)
        for (size_t s = 0; s < 3; ++s) sum_[m][s] = c.sumTable[m][s];

    useSigns_ = c.flag(core::UseMaxMin);
    for (size_t s = 0; s < 3; ++s) {
        SignRule& r = signs_[s];
        r.min = c.minCount[s];
        r.max = c.maxCount[s];
        const int run = c.runMax[s];
        r.runLen = run >= n_ ? 0 : (run < 0 ? -1 : run + 1);
        if (r.runLen < 0 && useSigns_) rejectAll_ = true;
        if (r.runLen > 1) {
            int have = 1;
            while (have * 2 <= r.runLen) {
                r.shift[static_cast<size_t>(r.steps++)] = static_cast<uint8_t>(2 * have);
                have *= 2;
            }
            if (have < r.runLen) r.shift[static_cast<size_t>(r.steps++)] = static_cast<uint8_t>(2 * (r.runLen - have));
        }
    }

    useSource_ = c.flag(core::UseURad);
    if (useSource_) {
        for (const auto& src : c.sourceRows) {
            SourceMask sm;
            sm.min = src.min;
            sm.max = src.max;
            // The cells a row of n matches reaches, read as SourceRowHits reads them.
            std::string_view pat = src.pattern;
            size_t start = 0;
            for (int p = 0; p < n_; ++p) {
                const size_t comma = pat.find(',', start);
                const std::string_view cell = comma == std::string_view::npos ? pat.substr(std::min(start, pat.size()))
                                                                              : pat.substr(start, comma - start);
                for (size_t s = 0; s < 3; ++s)
                    if (cell.find(static_cast<char>('0' + s)) != std::string_view::npos)
                        sm.mask[s] |= 1ull << core::PackedShift(p);
                if (comma == std::string_view::npos) break;
                start = comma + 1;
            }
            sources_.push_back(sm);
        }
    }

    useYes_ = c.flag(core::UseJaKomb);
    if (useYes_) {
        for (const auto& y : c.yesCombinations) {
            Yes cy;
            cy.min = y.min;
            cy.max = y.max;
            std::string_view p = y.pattern;
            char sep = 0;
            if (p.find('?') != std::string_view::npos) {
                cy.kind = 1;
                sep = '?';
            } else if (p.find('!') != std::string_view::npos) {
                cy.kind = 2;
                sep = '!';
            }
            if (cy.kind == 0) {
                cy.pieces.push_back(CompilePiece(p, n_));
            } else {
                for (auto piece : SplitAt(p, sep)) cy.pieces.push_back(CompilePiece(piece, n_));
            }
            yes_.push_back(std::move(cy));
        }
    }

    useNo_ = c.flag(core::UseNejKomb);
    if (useNo_) {
        for (const auto& pat : c.noCombinations) {
            No cn;
            if (pat.find('*') == std::string::npos) {
                cn.piece = CompilePiece(pat, n_);
                cn.never = cn.piece.len == 0;
            } else {
                cn.star = true;
                if (static_cast<int>(pat.size()) != n_) {
                    cn.always = true;
                } else {
                    for (int i = 0; i < n_; ++i) {
                        const char ch = pat[static_cast<size_t>(i)];
                        if (ch == '*') continue;
                        if (!IsSign(ch)) {
                            cn.never = true;
                            break;
                        }
                        cn.careMask |= 3ull << core::PackedShift(i);
                        cn.value |= static_cast<uint64_t>(ch - '0') << core::PackedShift(i);
                    }
                    if (!cn.never && cn.careMask == 0) cn.always = true;
                }
            }
            if (cn.always) rejectAll_ = true;
            if (!cn.never) no_.push_back(cn);
        }
    }

    // The lanes: counts first, then as many source rows as fit.
    int lane = 0;
    auto setLane = [&](int min, int max) {
        const uint64_t lo = static_cast<uint64_t>(0x80 - std::clamp(min, 0, 31));
        const uint64_t hi = static_cast<uint64_t>(0x7F - std::clamp(max, -1, 31));
        addLo_ |= lo << (8 * lane);
        addHi_ |= hi << (8 * lane);
        laneHigh_ |= 0x80ull << (8 * lane);
        ++lane;
    };
    if (useSigns_)
        for (size_t s = 0; s < 3; ++s) setLane(signs_[s].min, signs_[s].max);
    const int countLanes = lane;
    if (useSource_) {
        laneSources_ = std::min(sources_.size(), static_cast<size_t>(8 - lane));
        for (size_t i = 0; i < laneSources_; ++i) setLane(sources_[i].min, sources_[i].max);
    }
    for (int m = 0; m < n_; ++m)
        for (size_t s = 0; s < 3; ++s) {
            uint64_t inc = countLanes ? 1ull << (8 * s) : 0;
            for (size_t i = 0; i < laneSources_; ++i)
                inc |= ((sources_[i].mask[s] >> core::PackedShift(m)) & 1) << (8 * (countLanes + static_cast<int>(i)));
            laneInc_[static_cast<size_t>(m)][s] = inc;
        }
    numberPieces();
}

double CompiledConditions::Value(PackedRow p) const {
    double v = 1.0;
    for (int m = 0; m < n_; ++m) v *= factor_[static_cast<size_t>(m)][static_cast<size_t>(core::PackedSign(p, m))];
    return v;
}

int64_t CompiledConditions::Sum(PackedRow p) const {
    int64_t s = 0;
    for (int m = 0; m < n_; ++m) s += sum_[static_cast<size_t>(m)][static_cast<size_t>(core::PackedSign(p, m))];
    return s;
}

bool CompiledConditions::Passes(PackedRow p) const {
    if (useValue_ && !PassesValue(valueTrivial_ ? 1.0 : Value(p))) return false;
    if (useSum_ && !PassesSum(Sum(p))) return false;
    return PassesPatterns(p);
}

// Runs and no-combinations without '*': patterns that reject wherever they occur.
VINRA_HOT bool CompiledConditions::forbidden(const std::array<uint64_t, 3>& is) const {
    if (useSigns_)
        for (size_t s = 0; s < 3; ++s)
            if (signs_[s].runLen > 0 && HasRunPlanned(is[s], signs_[s])) return true;
    if (useNo_)
        for (const auto& cn : no_)
            if (!cn.star && Starts(cn.piece, is) != 0) return true;
    return false;
}

VINRA_HOT bool CompiledConditions::yesHolds(const Yes& y, const std::array<uint64_t, 3>& is) const {
    if (y.kind == 0) return PlainCountWithin(y.pieces[0], is, y.min, y.max);
    if (y.kind == 1) {
        for (const auto& piece : y.pieces)
            if (PresentPiece(piece, is)) return true;
        return false;
    }
    if (PresentPiece(y.pieces[0], is))
        for (size_t i = 1; i < y.pieces.size(); ++i)
            if (PresentPiece(y.pieces[i], is)) return false;
    return true;
}

// Source rows beyond the lanes, no-combinations with '*', yes-combinations.
VINRA_HOT bool CompiledConditions::restPass(PackedRow p, const std::array<uint64_t, 3>& is) const {
    for (size_t i = laneSources_; i < sources_.size(); ++i) {
        const auto& sm = sources_[i];
        const int h = PopEven((is[0] & sm.mask[0]) | (is[1] & sm.mask[1]) | (is[2] & sm.mask[2]));
        if (h < sm.min || h > sm.max) return false;
    }
    if (useNo_)
        for (const auto& cn : no_)
            if (cn.star && ((p ^ cn.value) & cn.careMask) == 0) return false;
    if (useYes_)
        for (const auto& y : yes_)
            if (!yesHolds(y, is)) return false;
    return true;
}

// The yes-combinations given where each of their pieces starts (in the
// numbering of YesPieceStarts).
VINRA_HOT bool CompiledConditions::yesHoldsFromStarts(const uint64_t* starts) const {
    for (const auto& y : yes_) {
        const uint64_t* m = starts + y.firstPiece;
        bool ok;
        if (y.kind == 0) {
            ok = CountWithinFromStarts(y.pieces[0], m[0], y.min, y.max);
        } else if (y.kind == 1) {
            ok = false;
            for (size_t i = 0; i < y.pieces.size() && !ok; ++i) ok = PresentFromStarts(y.pieces[i], m[i]);
        } else {
            ok = true;
            if (PresentFromStarts(y.pieces[0], m[0]))
                for (size_t i = 1; i < y.pieces.size() && ok; ++i) ok = !PresentFromStarts(y.pieces[i], m[i]);
        }
        if (!ok) return false;
    }
    return true;
}

void CompiledConditions::numberPieces() {
    pieces_.clear();
    pieceCap_.clear();
    stars_.clear();
    if (useYes_)
        for (auto& y : yes_) {
            y.firstPiece = static_cast<int>(pieces_.size());
            for (const auto& piece : y.pieces) {
                pieces_.push_back(piece);
                // At most n / len occurrences fit in a row without overlapping.
                const int most = piece.len == 0 ? 0 : n_ / piece.len;
                pieceCap_.push_back(y.kind == 0 ? std::clamp(y.max, 0, 63) + 1 : (most <= 8 ? 1 : 9));
            }
        }
    if (useNo_)
        for (const auto& cn : no_)
            if (cn.star) stars_.push_back(cn);
}

// A popcount instruction where the processor has one. Clang takes the clones
// only on a function's first declaration (these are declared in the header),
// and under ThreadSanitizer the instrumented resolver would run before the
// sanitizer is set up: both build the plain version.
#if defined(__clang__) || defined(__SANITIZE_THREAD__)
#define VINRA_POPCNT_CLONES
#else
#define VINRA_POPCNT_CLONES __attribute__((target_clones("default", "popcnt")))
#endif

VINRA_POPCNT_CLONES bool CompiledConditions::PassesPatterns(PackedRow p) const {
    if (rejectAll_) return false;
    const uint64_t lo = p & lowMask_;
    const uint64_t hi = (p >> 1) & lowMask_;
    const std::array<uint64_t, 3> is{~(lo | hi) & lowMask_, lo & ~hi, hi & ~lo};
    // Every test is a pure function of the row, so the order here only decides
    // how soon a row is turned down: the most selective tests come first.
    for (size_t i = 0; useSource_ && i < laneSources_; ++i) {
        const auto& sm = sources_[i];
        const int h = PopEven((is[0] & sm.mask[0]) | (is[1] & sm.mask[1]) | (is[2] & sm.mask[2]));
        if (h < sm.min || h > sm.max) return false;
    }
    if (useSigns_) {
        for (size_t s = 0; s < 3; ++s) {
            const int k = PopEven(is[s]);
            if (k < signs_[s].min || k > signs_[s].max) return false;
        }
    }
    return !forbidden(is) && restPass(p, is);
}

VINRA_POPCNT_CLONES bool CompiledConditions::PassesShapes(PackedRow p) const {
    if (rejectAll_) return false;
    const uint64_t lo = p & lowMask_;
    const uint64_t hi = (p >> 1) & lowMask_;
    const std::array<uint64_t, 3> is{~(lo | hi) & lowMask_, lo & ~hi, hi & ~lo};
    return !forbidden(is) && restPass(p, is);
}

VINRA_POPCNT_CLONES bool CompiledConditions::PassesRest(PackedRow p) const {
    if (rejectAll_) return false;
    const uint64_t lo = p & lowMask_;
    const uint64_t hi = (p >> 1) & lowMask_;
    return restPass(p, {~(lo | hi) & lowMask_, lo & ~hi, hi & ~lo});
}

VINRA_POPCNT_CLONES bool CompiledConditions::ForbiddenWithin(PackedRow p, uint64_t knownLow) const {
    const uint64_t known = knownLow & lowMask_;
    const uint64_t lo = p & known;
    const uint64_t hi = (p >> 1) & known;
    return forbidden({~(lo | hi) & known, lo & ~hi, hi & ~lo});
}

VINRA_POPCNT_CLONES uint64_t CompiledConditions::YesPieceStarts(int k, PackedRow p, uint64_t knownLow) const {
    const Piece& piece = pieces_[static_cast<size_t>(k)];
    if (piece.len == 0) return 0;
    const uint64_t known = knownLow & lowMask_;
    const uint64_t lo = p & known;
    const uint64_t hi = (p >> 1) & known;
    return Starts(piece, {~(lo | hi) & known, lo & ~hi, hi & ~lo});
}

VINRA_POPCNT_CLONES bool CompiledConditions::YesHoldFromStarts(const uint64_t* starts) const {
    return !useYes_ || yesHoldsFromStarts(starts);
}

VINRA_POPCNT_CLONES CompiledConditions::PieceCount CompiledConditions::CountPieceFrom(int k, uint64_t m,
                                                                                      PieceCount from) const {
    const Piece& p = pieces_[static_cast<size_t>(k)];
    if (p.len == 0) return from;
    if (from.end >= 0) m = from.end >= 30 ? 0 : m & ((1ull << (61 - 2 * from.end)) - 1);
    if (!p.selfOverlap) {
        // Occurrences of such a piece never overlap: all of them count.
        if (m) from.end = (62 - std::countr_zero(m)) / 2 + p.len - 1;
        from.count += PopEven(m);
        return from;
    }
    while (m) {
        const int b = 63 - std::countl_zero(m);
        ++from.count;
        from.end = (62 - b) / 2 + p.len - 1;
        const int next = b - 2 * p.len;  // the next occurrence starts after this one ends
        m = next < 0 ? 0 : (m & ((2ull << next) - 1));
    }
    return from;
}

bool CompiledConditions::YesHoldFromCounts(const int* counts) const {
    if (!useYes_) return true;
    // A piece is present when it occurs 1 to 8 times.
    auto present = [&](int k) { return counts[k] >= 1 && counts[k] <= 8; };
    for (const auto& y : yes_) {
        const int first = y.firstPiece;
        bool ok;
        if (y.kind == 0) {
            ok = y.min <= counts[first] && counts[first] <= y.max;
        } else if (y.kind == 1) {
            ok = false;
            for (size_t i = 0; i < y.pieces.size() && !ok; ++i) ok = present(first + static_cast<int>(i));
        } else {
            ok = true;
            if (present(first))
                for (size_t i = 1; i < y.pieces.size() && ok; ++i) ok = !present(first + static_cast<int>(i));
        }
        if (!ok) return false;
    }
    return true;
}

int CompiledConditions::YesPieceCap(int k) const { return pieceCap_[static_cast<size_t>(k)]; }

int CompiledConditions::YesPieceSpan() const {
    int span = 0;
    for (const auto& piece : pieces_) span = std::max(span, piece.len);
    return span;
}

bool CompiledConditions::StarMatchesWithin(int k, PackedRow p, uint64_t pairMask) const {
    const No& cn = stars_[static_cast<size_t>(k)];
    return ((p ^ cn.value) & cn.careMask & pairMask) == 0;
}

int CompiledConditions::ForbiddenSpan() const {
    int span = 0;
    if (useSigns_)
        for (const auto& r : signs_) span = std::max(span, r.runLen);
    if (useNo_)
        for (const auto& cn : no_)
            if (!cn.star) span = std::max(span, cn.piece.len);
    return span;
}

namespace {

// Per match, the signs a frame allows as a bit set (0 for a match past the frame).
std::array<unsigned, core::kMaxMatches> AllowedSigns(const std::vector<std::vector<int>>& signs) {
    std::array<unsigned, core::kMaxMatches> allowed{};
    for (size_t m = 0; m < signs.size() && m < allowed.size(); ++m)
        for (int s : signs[m])
            if (s >= 0 && s <= 2) allowed[m] |= 1u << s;
    return allowed;
}

// True when some row of the frame holds the piece somewhere.
bool PieceMayOccur(const CompiledConditions::Piece& p, const std::array<unsigned, core::kMaxMatches>& allowed,
                   int n) {
    for (int i = 0; p.len > 0 && i + p.len <= n; ++i) {
        bool fits = true;
        for (int j = 0; j < p.len && fits; ++j)
            fits = (allowed[static_cast<size_t>(i + j)] >> p.codes[static_cast<size_t>(j)]) & 1;
        if (fits) return true;
    }
    return false;
}

}  // namespace

// The least and the most sum a row drawn from signs can have (every match
// has at least one allowed sign in 0..2).
std::pair<int64_t, int64_t> CompiledConditions::SumBounds(const std::vector<std::vector<int>>& signs) const {
    int64_t lo = 0, hi = 0;
    for (size_t m = 0; m < signs.size(); ++m) {
        int64_t a = INT64_MAX, b = INT64_MIN;
        for (int s : signs[m]) {
            a = std::min(a, sum_[m][static_cast<size_t>(s)]);
            b = std::max(b, sum_[m][static_cast<size_t>(s)]);
        }
        lo += a;
        hi += b;
    }
    return {lo, hi};
}

void CompiledConditions::DropAlwaysTrue(const std::vector<std::vector<int>>& signs) {
    if (static_cast<int>(signs.size()) != n_) return;
    const auto allowed = AllowedSigns(signs);
    for (int m = 0; m < n_; ++m)
        if (allowed[static_cast<size_t>(m)] == 0) return;
    if (useValue_ && valueTrivial_ && procMin_ <= 1.0 && 1.0 <= procMax_) useValue_ = false;
    if (useSum_) {
        const auto [lo, hi] = SumBounds(signs);
        if (winMin_ <= lo && hi <= winMax_) useSum_ = false;
    }
    if (useSigns_)
        for (size_t s = 0; s < 3; ++s) {
            SignRule& r = signs_[s];
            if (r.runLen <= 0) continue;
            int run = 0, longest = 0;
            for (int m = 0; m < n_; ++m) {
                run = (allowed[static_cast<size_t>(m)] >> s) & 1 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
            if (longest < r.runLen) r.runLen = 0, r.steps = 0;
        }
    if (useSource_) {
        // Only the source rows beyond the lanes: the lanes test all theirs at once.
        std::vector<SourceMask> kept(sources_.begin(), sources_.begin() + static_cast<ptrdiff_t>(laneSources_));
        for (size_t i = laneSources_; i < sources_.size(); ++i) {
            const auto& sm = sources_[i];
            int least = 0, most = 0;
            for (int m = 0; m < n_; ++m) {
                unsigned in = 0;
                for (unsigned s = 0; s < 3; ++s)
                    if ((sm.mask[s] >> core::PackedShift(m)) & 1) in |= 1u << s;
                if ((allowed[static_cast<size_t>(m)] & ~in) == 0) ++least;
                if (allowed[static_cast<size_t>(m)] & in) ++most;
            }
            if (!(sm.min <= least && most <= sm.max)) kept.push_back(sm);
        }
        sources_.swap(kept);
    }
    if (useNo_) {
        std::vector<No> kept;
        for (const auto& cn : no_) {
            bool may = true;
            if (cn.star) {
                for (int m = 0; m < n_ && may; ++m)
                    if ((cn.careMask >> core::PackedShift(m)) & 3)
                        may = (allowed[static_cast<size_t>(m)] >> ((cn.value >> core::PackedShift(m)) & 3)) & 1;
            } else {
                may = PieceMayOccur(cn.piece, allowed, n_);
            }
            if (may) kept.push_back(cn);
        }
        no_.swap(kept);
    }
    if (useYes_) {
        std::vector<Yes> kept;
        for (const auto& y : yes_) {
            bool always = false;
            if (y.kind == 0) {
                // The count lies between 0 and n; a piece the frame cannot hold counts 0.
                const bool may = PieceMayOccur(y.pieces[0], allowed, n_);
                always = y.min <= 0 && (may ? y.max >= n_ : y.max >= 0);
            } else if (y.kind == 2) {
                // Gate absent, or nothing after it can be present.
                always = !PieceMayOccur(y.pieces[0], allowed, n_);
                bool restMay = false;
                for (size_t i = 1; i < y.pieces.size(); ++i) restMay = restMay || PieceMayOccur(y.pieces[i], allowed, n_);
                always = always || !restMay;
            }
            if (!always) kept.push_back(y);
        }
        yes_.swap(kept);
    }
    numberPieces();
}

void CompiledConditions::OrderByRejection(const std::vector<std::vector<int>>& signs) {
    if (static_cast<int>(signs.size()) != n_ || (yes_.size() < 2 && no_.size() < 2)) return;
    for (const auto& m : signs)
        if (m.empty()) return;
    // A fixed sample, so that two runs of one frame test in the same order.
    std::mt19937_64 rng(0x5eed);
    constexpr int kSample = 512;
    std::vector<int> yesFails(yes_.size(), 0), noFails(no_.size(), 0);
    for (int k = 0; k < kSample; ++k) {
        PackedRow p = 0;
        for (int m = 0; m < n_; ++m) {
            const auto& sm = signs[static_cast<size_t>(m)];
            p |= static_cast<PackedRow>(sm[rng() % sm.size()]) << core::PackedShift(m);
        }
        const uint64_t lo = p & lowMask_;
        const uint64_t hi = (p >> 1) & lowMask_;
        const std::array<uint64_t, 3> is{~(lo | hi) & lowMask_, lo & ~hi, hi & ~lo};
        for (size_t i = 0; i < yes_.size(); ++i) yesFails[i] += !yesHolds(yes_[i], is);
        for (size_t i = 0; i < no_.size(); ++i) {
            const auto& cn = no_[i];
            noFails[i] += cn.star ? ((p ^ cn.value) & cn.careMask) == 0 : Starts(cn.piece, is) != 0;
        }
    }
    auto reorder = [](auto& list, const std::vector<int>& fails) {
        std::vector<size_t> order(list.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return fails[a] > fails[b]; });
        std::remove_reference_t<decltype(list)> sorted;
        for (size_t i : order) sorted.push_back(list[i]);
        list.swap(sorted);
    };
    reorder(yes_, yesFails);
    reorder(no_, noFails);
    numberPieces();
}

bool CompiledConditions::PassesEveryRow(const std::vector<std::vector<int>>& signs) const {
    if (rejectAll_ || static_cast<int>(signs.size()) != n_) return false;
    if (useValue_ && !valueTrivial_) return false;
    if (useValue_ && !(procMin_ <= 1.0 && 1.0 <= procMax_)) return false;
    if (useYes_ && !yes_.empty()) return false;
    if (useNo_ && !no_.empty()) return false;
    // Per match, the signs the frame allows as a bit set.
    std::array<unsigned, core::kMaxMatches> allowed{};
    for (size_t m = 0; m < signs.size(); ++m) {
        if (signs[m].empty()) return false;
        for (int s : signs[m]) {
            if (s < 0 || s > 2) return false;
            allowed[m] |= 1u << s;
        }
    }
    if (useSum_) {
        const auto [lo, hi] = SumBounds(signs);
        if (lo < winMin_ || hi > winMax_) return false;
    }
    // Hits of a set of signs per match: at least the matches where every allowed
    // sign is in the set, at most those where one is.
    auto hitsWithin = [&](const std::array<uint64_t, 3>& mask, int min, int max) {
        int least = 0, most = 0;
        for (int m = 0; m < n_; ++m) {
            unsigned in = 0;
            for (unsigned s = 0; s < 3; ++s)
                if ((mask[s] >> core::PackedShift(m)) & 1) in |= 1u << s;
            if ((allowed[static_cast<size_t>(m)] & ~in) == 0) ++least;
            if (allowed[static_cast<size_t>(m)] & in) ++most;
        }
        return min <= least && most <= max;
    };
    if (useSource_)
        for (const auto& sm : sources_)
            if (!hitsWithin(sm.mask, sm.min, sm.max)) return false;
    if (useSigns_) {
        for (size_t s = 0; s < 3; ++s) {
            std::array<uint64_t, 3> mask{};
            mask[s] = lowMask_;
            if (!hitsWithin(mask, signs_[s].min, signs_[s].max)) return false;
            if (signs_[s].runLen > 0) {
                int run = 0, longest = 0;
                for (int m = 0; m < n_; ++m) {
                    run = (allowed[static_cast<size_t>(m)] >> s) & 1 ? run + 1 : 0;
                    longest = std::max(longest, run);
                }
                if (longest >= signs_[s].runLen) return false;
            }
        }
    }
    return true;
}

void CompiledConditions::CompletePrefix(PrefixInfo& info) const {
    info.sourceMay.clear();
    for (const auto& sm : sources_)
        info.sourceMay.push_back(std::popcount(
            ((info.possible[0] & sm.mask[0]) | (info.possible[1] & sm.mask[1]) | (info.possible[2] & sm.mask[2])) &
            lowMask_));
}

VINRA_POPCNT_CLONES bool CompiledConditions::PrefixCannotPass(PackedRow p, const PrefixInfo& info, int64_t sumKnown,
                                                              uint64_t lanesKnown) const {
    if (rejectAll_) return true;
    if (useSum_ && (sumKnown + info.sumMinRest > winMax_ || sumKnown + info.sumMaxRest < winMin_)) return true;
    if (!LanesMayPass(lanesKnown, info.laneMaxRest)) return true;
    const uint64_t known = info.knownLow & lowMask_;
    const uint64_t lo = p & known;
    const uint64_t hi = (p >> 1) & known;
    const std::array<uint64_t, 3> is{~(lo | hi) & known, lo & ~hi, hi & ~lo};
    for (size_t i = laneSources_; useSource_ && i < sources_.size(); ++i) {
        const auto& sm = sources_[i];
        const int h = PopEven((is[0] & sm.mask[0]) | (is[1] & sm.mask[1]) | (is[2] & sm.mask[2]));
        if (h > sm.max || h + info.sourceMay[i] < sm.min) return true;
    }
    if (useSigns_)
        for (size_t s = 0; s < 3; ++s)
            if (signs_[s].runLen > 0 && HasRunPlanned(is[s], signs_[s])) return true;
    if (useNo_) {
        const uint64_t known2 = known | (known << 1);
        for (const auto& cn : no_) {
            if (cn.star) {
                if ((cn.careMask & ~known2) == 0 && ((p ^ cn.value) & cn.careMask) == 0) return true;
            } else if (Starts(cn.piece, is) != 0) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace vinra::reduction
