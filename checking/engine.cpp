#include "checking/engine.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdlib>

#include "core/ini.h"
#include "core/text.h"
#include "reduction/conditions.h"

namespace vinra::checking {

namespace {

constexpr uint64_t kLowBits = 0x5555555555555555ull;

int ClampN(int n) { return std::clamp(n, 0, core::kMaxMatches); }

// Decimal text of an integer without allocation.
struct Num {
    char buf[24];
    size_t len;
    explicit Num(int64_t v) { len = static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf); }
    std::string_view view() const { return {buf, len}; }
};

std::string Str(int64_t v) { return std::to_string(v); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
        const unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

// Number of positions where both texts hold the same character, over their common length.
int CountEqual(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    int k = 0;
    for (size_t i = 0; i < n; ++i) k += a[i] == b[i];
    return k;
}

// The display strings are single distinct characters other than '-': then a
// comparison in display form is the same as one in internal codes.
bool DisplayIsOneCharEach(const core::DisplaySigns& s) {
    if (s.home.size() != 1 || s.draw.size() != 1 || s.away.size() != 1) return false;
    const char h = s.home[0], d = s.draw[0], a = s.away[0];
    return h != d && h != a && d != a && h != '-' && d != '-' && a != '-';
}

int DigitCount(uint64_t v) {
    int d = 1;
    while (v >= 10) {
        v /= 10;
        ++d;
    }
    return d;
}

uint64_t Pow10(int e) {
    uint64_t p = 1;
    while (e-- > 0) p *= 10;
    return p;
}

// Sort key of a decimal number compared as text: the digits padded with zeros
// on the right to a fixed width, then the number of digits (a prefix sorts first).
uint64_t TextOrderKey(uint64_t v, int width) {
    const int d = DigitCount(v);
    return (v * Pow10(width - d)) << 5 | static_cast<uint64_t>(d);
}

constexpr int kGoalsWidth = 12;  // at most 30 * (2^31 + 1) goals

}  // namespace

// ---------------------------------------------------------------------------
// Messages

MessageTemplate::MessageTemplate(std::string_view text) {
    std::string lit;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            const char c = text[i + 1];
            if (c == 's' || c == 'd') {
                literals_.push_back(std::move(lit));
                lit.clear();
                ++i;
                continue;
            }
            if (c == '%') {
                lit += '%';
                ++i;
                continue;
            }
        }
        lit += text[i];
    }
    literals_.push_back(std::move(lit));
}

void MessageTemplate::AppendTo(std::string& out, std::initializer_list<std::string_view> args) const {
    auto arg = args.begin();
    for (size_t i = 0; i < literals_.size(); ++i) {
        out += literals_[i];
        if (i + 1 < literals_.size() && arg != args.end()) out += *arg++;
    }
}

std::string MessageTemplate::Format(std::initializer_list<std::string_view> args) const {
    std::string out;
    AppendTo(out, args);
    return out;
}

std::string FormatMessage(std::string_view text, std::initializer_list<std::string_view> args) {
    return MessageTemplate(text).Format(args);
}

CheckMessages CheckMessages::FromTable(const std::function<std::string(int)>& text) {
    CheckMessages m;
    const std::pair<std::string CheckMessages::*, int> numbers[] = {
        {&CheckMessages::couponRow, 411}, {&CheckMessages::winningRow, 412},   {&CheckMessages::ok, 40},
        {&CheckMessages::wrong, 395},     {&CheckMessages::sRowsHeader, 402},  {&CheckMessages::noSRows, 403},
        {&CheckMessages::sRowLine, 404},  {&CheckMessages::maxMinHeader, 405}, {&CheckMessages::max, 396},
        {&CheckMessages::atLeast, 398},   {&CheckMessages::homeWins, 439},     {&CheckMessages::draws, 440},
        {&CheckMessages::awayWins, 495},  {&CheckMessages::perRow, 399},       {&CheckMessages::inARow, 400},
        {&CheckMessages::yesHeader, 406}, {&CheckMessages::noYes, 407},        {&CheckMessages::yesLine, 408},
        {&CheckMessages::noHeader, 409},  {&CheckMessages::noNo, 410},         {&CheckMessages::sumHeader, 515},
        {&CheckMessages::sumLine, 516},   {&CheckMessages::signCount, 385},    {&CheckMessages::signRun, 388},
        {&CheckMessages::peopleSum, 502},
    };
    for (const auto& [field, number] : numbers) {
        std::string t = text(number);
        if (!t.empty()) m.*field = std::move(t);
    }
    return m;
}

int ClampCouponColumns(int couponColumns) { return couponColumns >= 1 && couponColumns <= 16 ? couponColumns : 12; }

// ---------------------------------------------------------------------------
// Result row and goals

std::string ResultRowFromGoals(core::TVinraFile& doc) {
    const int n = ClampN(doc.MatchCount);
    std::string row(static_cast<size_t>(n), '-');
    for (int m = 0; m < n; ++m) {
        const int32_t h = doc.HGoal[m], a = doc.AGoal[m];
        if (h < 0 || a < 0) continue;
        const int64_t diff = static_cast<int64_t>(h) - a;
        row[m] = diff >= 1 ? '0' : (diff == 0 ? '1' : '2');
    }
    doc.Facit = row;
    return row;
}

int64_t GoalsToRow(std::string_view displayRow, std::string_view displayResult,
                   const std::array<int32_t, core::kMaxMatches>& hGoal,
                   const std::array<int32_t, core::kMaxMatches>& aGoal, std::string_view drawDisplay) {
    if (displayRow.size() != displayResult.size()) return -1;
    int64_t goals = 0;
    for (size_t m = 0; m < displayRow.size(); ++m) {
        if (displayRow[m] == displayResult[m]) continue;
        if (m >= hGoal.size() || hGoal[m] < 0 || aGoal[m] < 0) {
            goals += 1;
            continue;
        }
        goals += std::llabs(static_cast<int64_t>(hGoal[m]) - aGoal[m]);
        if (displayRow.substr(m, 1) != drawDisplay) goals += 1;
    }
    return goals;
}

// ---------------------------------------------------------------------------
// Counting

namespace {

// Calls f(v) for v = 0 .. count-1 in the order of their decimal texts
// ("0", "1", "10", "100", ..., "11", ..., "2", ...), without sorting.
template <class F>
void ForEachInTextOrder(uint64_t count, F&& f) {
    if (count == 0) return;
    f(uint64_t{0});
    const uint64_t last = count - 1;
    uint64_t cur = 1;
    for (uint64_t done = 1; done < count; ++done) {
        f(cur);
        if (cur <= last / 10) {
            cur *= 10;
        } else {
            while (cur % 10 == 9 || cur + 1 > last) cur /= 10;
            ++cur;
        }
    }
}

// An array of a recount's size that is not cleared first: every entry is
// written before it is read, and clearing a million entries is a pass of its own.
template <class T>
struct Uncleared {
    std::unique_ptr<T[]> data;
    void Allocate(size_t n) { data.reset(n ? new T[n] : nullptr); }
    T& operator[](size_t i) { return data[i]; }
    const T& operator[](size_t i) const { return data[i]; }
};

// Goals counts up to this many sort by counting; beyond it by comparison.
constexpr int64_t kCountingSortGoals = 4095;

// The per-row figures of one recount; the hint and key lists spell them out
// when they are read. A row's (wrong matches, goals) is one bucket number when
// the goals are bounded (wrong * slots + the slot of the goals), else the two
// figures are kept as they are.
struct RecountRows {
    int n = 0;
    int64_t cols = 12;
    size_t rows = 0;
    MessageTemplate hintText{""};
    bool bucketed = false;
    size_t slots = 0;                  // goals slots: "-1", then 0..bound in text order
    std::vector<uint32_t> slotOf;      // goals -> slot
    std::vector<int64_t> goalsOfSlot;  // slot -> goals
    Uncleared<uint32_t> bucket;        // per row, when bucketed
    Uncleared<uint8_t> right;          // per row, otherwise
    Uncleared<int64_t> goals;          // per row, otherwise
    Uncleared<uint32_t> order;         // rows in the order of their best-row keys

    int Right(size_t row) const { return bucketed ? n - static_cast<int>(bucket[row] / slots) : right[row]; }
    int64_t Goals(size_t row) const { return bucketed ? goalsOfSlot[bucket[row] % slots] : goals[row]; }
};

class HintTexts final : public CheckTexts::Source {
public:
    explicit HintTexts(std::shared_ptr<const RecountRows> rows) : rows_(std::move(rows)) {}
    size_t Size() const override { return static_cast<size_t>(rows_->n) + 1; }
    std::string At(size_t k) const override {
        std::string out;
        const RecountRows& d = *rows_;
        int64_t named = 0;
        for (size_t i = 0; i < d.rows; ++i) {
            if (static_cast<size_t>(d.Right(i)) != k) continue;
            if (++named > kMaxHintRows) {
                out += kHintMore;
                break;
            }
            const int64_t j = static_cast<int64_t>(i) + 1;
            const Num coupon((j + d.cols - 1) / d.cols), onCoupon((j - 1) % d.cols + 1);
            d.hintText.AppendTo(out, {coupon.view(), onCoupon.view()});
        }
        return out;
    }

private:
    std::shared_ptr<const RecountRows> rows_;
};

class BestKeyTexts final : public CheckTexts::Source {
public:
    explicit BestKeyTexts(std::shared_ptr<const RecountRows> rows) : rows_(std::move(rows)) {}
    size_t Size() const override { return rows_->rows; }
    std::string At(size_t i) const override {
        const size_t row = rows_->order[i];
        const int wrong = rows_->n - rows_->Right(row);
        const int64_t goals = rows_->Goals(row);
        std::string key;
        key += static_cast<char>('0' + wrong / 10);
        key += static_cast<char>('0' + wrong % 10);
        key += " \t ";
        key += Num(goals < 0 ? -1 : goals).view();
        key += " \t ";
        key += Num(static_cast<int64_t>(row)).view();
        return key;
    }

private:
    std::shared_ptr<const RecountRows> rows_;
};

// Puts the rows in the order of their best-row keys "ww \t goals \t index"
// compared as text: wrong matches, then the goals as text ("-1" first), then
// the index as text.
void SortBestKeys(RecountRows& d) {
    const size_t rows = d.rows;
    d.order.Allocate(rows);
    if (rows == 0) return;
    if (d.bucketed) {
        std::vector<uint32_t> start(static_cast<size_t>(d.n + 1) * d.slots + 1, 0);
        for (size_t row = 0; row < rows; ++row) ++start[d.bucket[row] + 1];
        for (size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
        // Placing the rows in the text order of their indexes keeps that order inside a bucket.
        ForEachInTextOrder(rows, [&](uint64_t row) { d.order[start[d.bucket[row]]++] = static_cast<uint32_t>(row); });
        return;
    }
    struct KeyEntry {
        uint64_t primary;  // wrong, goals (text order)
        uint64_t index;    // row index (text order)
        uint32_t row;
    };
    const int indexWidth = DigitCount(rows - 1);
    std::vector<KeyEntry> keys(rows);
    for (size_t i = 0; i < rows; ++i) {
        const uint64_t wrong = static_cast<uint64_t>(d.n - d.right[i]);
        const int64_t goals = d.goals[i];
        const uint64_t goalsKey = goals < 0 ? 0 : TextOrderKey(static_cast<uint64_t>(goals), kGoalsWidth);
        keys[i] = {wrong << 58 | goalsKey, TextOrderKey(i, indexWidth), static_cast<uint32_t>(i)};
    }
    std::sort(keys.begin(), keys.end(), [](const KeyEntry& a, const KeyEntry& b) {
        return a.primary != b.primary ? a.primary < b.primary : a.index < b.index;
    });
    for (size_t i = 0; i < rows; ++i) d.order[i] = keys[i].row;
}

// One recount. rowAt(i, packed) gives row i: nullptr with its packed codes
// when it is N signs, else the row text itself (such a row takes the plain path).
template <class RowAt>
CheckResult Recount(size_t rows, const RowAt& rowAt, int n, std::string_view facit,
                    const std::array<int32_t, core::kMaxMatches>& hGoal,
                    const std::array<int32_t, core::kMaxMatches>& aGoal, int couponColumns,
                    const core::DisplaySigns& signs, const CheckMessages& messages) {
    if (facit.size() > static_cast<size_t>(n)) facit = facit.substr(0, static_cast<size_t>(n));
    const int fl = static_cast<int>(facit.size());
    const int64_t cols = ClampCouponColumns(couponColumns);

    CheckResult res;
    res.matchCount = n;
    res.counts.assign(static_cast<size_t>(n) + 1, 0);

    auto data = std::make_shared<RecountRows>();
    RecountRows& d = *data;
    d.n = n;
    d.cols = cols;
    d.rows = rows;
    d.hintText = MessageTemplate(messages.couponRow);
    const MessageTemplate winText(messages.winningRow);

    // Internal-code shortcut for the goals when it gives the display-form answer.
    const bool internalGoals = DisplayIsOneCharEach(signs);
    const std::string displayFacit = internalGoals ? std::string() : core::SignsToDisplay(facit, signs);
    // cost[m][c]: goals a row with code c needs at match m where it is wrong.
    std::array<std::array<int64_t, 3>, core::kMaxMatches> cost{};
    // No row needs more goals than this: each differing match costs its goal difference plus one at most.
    int64_t goalsBound = 0;
    for (int m = 0; m < n; ++m) {
        const bool known = hGoal[m] >= 0 && aGoal[m] >= 0;
        const int64_t diff = known ? std::llabs(static_cast<int64_t>(hGoal[m]) - aGoal[m]) : 0;
        for (int c = 0; c < 3; ++c) cost[m][c] = known ? diff + (c != 1 ? 1 : 0) : 1;
        if (m < fl) goalsBound += diff + 1;
    }

    // Bucketed keys need goals within the bound; with display strings of
    // other lengths the goals follow display positions, so no bound is assumed.
    d.bucketed = internalGoals && goalsBound <= kCountingSortGoals;
    if (d.bucketed) {
        d.slots = static_cast<size_t>(goalsBound + 2);
        d.slotOf.resize(d.slots - 1);
        d.goalsOfSlot.resize(d.slots);
        d.goalsOfSlot[0] = -1;
        uint32_t next = 1;
        ForEachInTextOrder(static_cast<uint64_t>(goalsBound + 1), [&](uint64_t g) {
            d.goalsOfSlot[next] = static_cast<int64_t>(g);
            d.slotOf[g] = next++;
        });
        d.bucket.Allocate(rows);
    } else {
        d.right.Allocate(rows);
        d.goals.Allocate(rows);
    }

    const core::PackedRow fp = core::PackRow(facit);
    const uint64_t fmask = core::PackedMask(fl);

    // With the whole result known, four matches at a time: the byte of a row's
    // codes there looks up its right matches (low 5 bits) plus its goals (above).
    const bool byTable = internalGoals && fl == n && n > 0;
    const int chunks = (n + 3) / 4;
    std::array<std::array<int64_t, 256>, (core::kMaxMatches + 3) / 4> table{};
    for (int c = 0; byTable && c < chunks; ++c)
        for (unsigned byte = 0; byte < 256; ++byte) {
            int64_t entry = 0;
            for (int q = 0; q < 4; ++q) {
                const int m = 4 * c + q;
                if (m >= n) break;
                const int code = static_cast<int>(byte >> (6 - 2 * q)) & 3;
                if (code == core::PackedSign(fp, m)) entry += 1;
                else if (code < 3) entry += cost[m][code] << 5;
            }
            table[static_cast<size_t>(c)][byte] = entry;
        }

    int best = 0;
    for (size_t i = 0; i < rows; ++i) {
        core::PackedRow p = 0;
        const std::string* oddRow = rowAt(i, p);

        int k;
        int64_t goals;
        if (oddRow == nullptr) {
            if (byTable) {
                int64_t sum = 0;
                for (int c = 0; c < chunks; ++c) sum += table[static_cast<size_t>(c)][(p >> (56 - 8 * c)) & 0xff];
                k = static_cast<int>(sum & 31);
                goals = sum >> 5;
            } else {
                const uint64_t x = p ^ fp;
                const uint64_t differ = (x | (x >> 1)) & kLowBits & fmask;
                k = fl - std::popcount(differ);
                if (!internalGoals)
                    goals = GoalsToRow(core::SignsToDisplay(core::UnpackRow(p, n), signs), displayFacit, hGoal, aGoal,
                                       signs.draw);
                else goals = -1;  // the result is shorter than the rows
            }
        } else {
            k = CountEqual(*oddRow, facit);
            goals =
                GoalsToRow(core::SignsToDisplay(*oddRow, signs),
                           internalGoals ? core::SignsToDisplay(facit, signs) : displayFacit, hGoal, aGoal, signs.draw);
        }

        ++res.counts[static_cast<size_t>(k)];
        if (k > best) best = k;
        if (d.bucketed) {
            d.bucket[i] = static_cast<uint32_t>(static_cast<size_t>(n - k) * d.slots +
                                                (goals < 0 ? 0 : d.slotOf[static_cast<size_t>(goals)]));
        } else {
            d.right[i] = static_cast<uint8_t>(k);
            d.goals[i] = goals;
        }

        if (k > 9) {
            const int64_t j = static_cast<int64_t>(i) + 1;
            const Num coupon((j + cols - 1) / cols), onCoupon((j - 1) % cols + 1);
            const Num kn(k), jn(j);
            res.winningLines.push_back(winText.Format({kn.view(), coupon.view(), onCoupon.view(), jn.view()}));
        }
    }
    res.best = best;

    std::sort(res.winningLines.begin(), res.winningLines.end(), LessNoCase);
    SortBestKeys(d);

    std::shared_ptr<const RecountRows> shared = std::move(data);
    res.hints = CheckTexts(std::make_shared<HintTexts>(shared));
    res.bestKeys = CheckTexts(std::make_shared<BestKeyTexts>(shared));
    return res;
}

// Packs a row of n signs; false when it is not n signs '0'..'2'.
bool PackSigns(const std::string& r, int n, core::PackedRow& p) {
    if (static_cast<int>(r.size()) != n) return false;
    p = core::PackRow(r);
    // Code 3 marks a character that is not a sign.
    return (p & (p >> 1) & kLowBits & core::PackedMask(n)) == 0;
}

}  // namespace

std::vector<std::string> CheckTexts::ToStrings() const {
    if (!source_) return texts_;
    std::vector<std::string> out;
    out.reserve(size());
    for (size_t i = 0; i < size(); ++i) out.push_back((*this)[i]);
    return out;
}

bool CheckTexts::operator==(const CheckTexts& other) const {
    if (size() != other.size()) return false;
    for (size_t i = 0; i < size(); ++i)
        if ((*this)[i] != other[i]) return false;
    return true;
}

RowChecker::RowChecker(const std::vector<std::string>& rows, int matchCount) : n_(ClampN(matchCount)) {
    packed_.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (PackSigns(rows[i], n_, packed_[i])) continue;
        packed_[i] = 0;
        odd_.emplace_back(i, rows[i]);
    }
}

RowChecker::RowChecker(const core::RowList& rows, int matchCount) : n_(ClampN(matchCount)) {
    if (rows.IsPacked() && rows.Width() == n_) {
        const auto words = rows.Words();
        packed_.assign(words.begin(), words.end());
        return;
    }
    packed_.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows.PackedAt(i, n_, packed_[i])) continue;
        packed_[i] = 0;
        odd_.emplace_back(i, rows[i]);
    }
}

CheckResult RowChecker::Check(std::string_view facit, const std::array<int32_t, core::kMaxMatches>& hGoal,
                              const std::array<int32_t, core::kMaxMatches>& aGoal, int couponColumns,
                              const core::DisplaySigns& signs, const CheckMessages& messages) const {
    size_t oddPos = 0;
    const auto rowAt = [&](size_t i, core::PackedRow& p) -> const std::string* {
        if (oddPos < odd_.size() && odd_[oddPos].first == i) return &odd_[oddPos++].second;
        p = packed_[i];
        return nullptr;
    };
    return Recount(packed_.size(), rowAt, n_, facit, hGoal, aGoal, couponColumns, signs, messages);
}

CheckResult CheckRows(const core::TVinraFile& doc, int couponColumns, const core::DisplaySigns& signs,
                      const CheckMessages& messages) {
    // The document keeps its rows packed: they are counted word by word, with
    // no copy. Rows that are not N signs are counted as text.
    const int n = ClampN(doc.MatchCount);
    const core::RowList& rows = doc.Rader;
    if (rows.IsPacked() && rows.Width() == n) {
        const auto words = rows.Words();
        const auto rowAt = [&](size_t i, core::PackedRow& p) -> const std::string* {
            p = words[i];
            return nullptr;
        };
        return Recount(rows.size(), rowAt, n, doc.Facit, doc.HGoal, doc.AGoal, couponColumns, signs, messages);
    }
    std::string odd;
    const auto rowAt = [&](size_t i, core::PackedRow& p) -> const std::string* {
        if (rows.PackedAt(i, n, p)) return nullptr;
        odd = rows[i];
        return &odd;
    };
    return Recount(rows.size(), rowAt, n, doc.Facit, doc.HGoal, doc.AGoal, couponColumns, signs, messages);
}

int RightOfBestKey(std::string_view key, int matchCount) {
    int wrong = 0;
    for (size_t i = 0; i < 2 && i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return -1;
        wrong = wrong * 10 + (key[i] - '0');
    }
    return ClampN(matchCount) - wrong;
}

int64_t RowIndexOfBestKey(std::string_view key) {
    const size_t tab = key.rfind('\t');
    if (tab == std::string_view::npos) return -1;
    const auto rest = core::Trim(key.substr(tab + 1));
    int64_t v = -1;
    const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), v);
    if (r.ec != std::errc() || r.ptr != rest.data() + rest.size()) return -1;
    return v;
}

// ---------------------------------------------------------------------------
// Sign statistics

int SignCount(std::string_view facit, int matchCount, int sign) {
    const size_t n = std::min(facit.size(), static_cast<size_t>(ClampN(matchCount)));
    const char c = static_cast<char>('0' + sign);
    return static_cast<int>(std::count(facit.begin(), facit.begin() + static_cast<std::ptrdiff_t>(n), c));
}

int LongestRun(std::string_view facit, int matchCount, int sign) {
    const size_t n = std::min(facit.size(), static_cast<size_t>(ClampN(matchCount)));
    const char c = static_cast<char>('0' + sign);
    int best = 0, run = 0;
    for (size_t i = 0; i < n; ++i) {
        run = facit[i] == c ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

SignStatistics SignCounts(std::string_view facit, int matchCount, const core::DisplaySigns& signs,
                          const CheckMessages& messages) {
    SignStatistics st;
    const std::string* display[3] = {&signs.home, &signs.draw, &signs.away};
    for (int s = 0; s < 3; ++s) {
        st.count[s] = SignCount(facit, matchCount, s);
        st.longestRun[s] = LongestRun(facit, matchCount, s);
        st.countLines[s] = FormatMessage(messages.signCount, {*display[s]}) + " " + Str(st.count[s]);
        st.runLines[s] = FormatMessage(messages.signRun, {*display[s]}) + " " + Str(st.longestRun[s]);
    }
    return st;
}

// ---------------------------------------------------------------------------
// Conditions protocol

namespace {

// Integer of a stored bound; text that does not read gives def.
int64_t Bound(const std::string& text, int64_t def) {
    auto v = core::ParseInteger(text);
    return v ? *v : def;
}

}  // namespace

ConditionsProtocol WinningRowConditions(const core::TVinraFile& doc, std::string_view facit,
                                        const core::DisplaySigns& signs, const CheckMessages& m) {
    const int n = ClampN(doc.MatchCount);
    const std::string sep(67, '=');
    const std::string indent = "   ";
    const reduction::ConditionSet conditions = reduction::FromDocument(doc);
    ConditionsProtocol p;
    auto& lines = p.lines;
    bool overall = true;
    bool anySection = false;
    const auto verdictText = [&](bool ok) -> const std::string& { return ok ? m.ok : m.wrong; };
    const auto flag = [&](int i) { return i < doc.UseFlags.Count() && doc.UseFlags.Get(i); };
    const auto display = [&](std::string_view pattern) { return core::ReplaceSigns(pattern, true, signs); };

    lines.push_back(sep);

    // Source rows.
    if (flag(core::UseURad)) {
        anySection = true;
        const size_t header = lines.size();
        lines.push_back(m.sRowsHeader);
        lines.push_back(sep);
        bool section = true;
        if (doc.URad.empty()) {
            lines.push_back(m.noSRows);
        } else {
            for (size_t i = 0; i < doc.URad.size(); ++i) {
                const std::string minText = i < doc.UMin.size() ? doc.UMin[i] : std::string();
                const std::string maxText = i < doc.UMax.size() ? doc.UMax[i] : std::string();
                const int hits = reduction::SourceRowHits(facit, doc.URad[i]);
                const int64_t lo = i < conditions.sourceRows.size() ? conditions.sourceRows[i].min : Bound(minText, 0);
                const int64_t hi = i < conditions.sourceRows.size() ? conditions.sourceRows[i].max : Bound(maxText, n);
                const bool ok = lo <= hits && hits <= hi;
                section = section && ok;
                lines.push_back(indent + FormatMessage(m.sRowLine, {display(doc.URad[i]), minText, maxText, Str(hits),
                                                                    verdictText(ok)}));
            }
        }
        overall = overall && section;
        lines[header] += indent + verdictText(section);
        lines.push_back(sep);
    }

    // Sign counts and runs.
    if (flag(core::UseMaxMin)) {
        anySection = true;
        const size_t header = lines.size();
        lines.push_back(m.maxMinHeader);
        lines.push_back(sep);
        bool section = true;
        const std::string* signNames[3] = {&m.homeWins, &m.draws, &m.awayWins};
        for (int test = 0; test < 3; ++test) {
            for (int s = 0; s < 3; ++s) {
                const int count = SignCount(facit, n, s);
                int32_t bound;
                bool ok;
                if (test == 0) {
                    bound = doc.Max[s];
                    ok = count <= bound;
                } else if (test == 1) {
                    bound = doc.Ord[s];
                    // The generation's own rule, so a winning row passes here
                    // exactly when the generation would have kept it.
                    ok = reduction::RunWithinBound(facit, static_cast<char>('0' + s), bound, static_cast<int>(n));
                } else {
                    bound = doc.Min[s];
                    ok = bound <= count;
                }
                section = section && ok;
                const std::string& label = test == 2 ? m.atLeast : m.max;
                const std::string& where = test == 1 ? m.inARow : m.perRow;
                lines.push_back(indent + label + " " + Str(bound) + " " + *signNames[s] + " " + where + " => " +
                                verdictText(ok));
            }
        }
        overall = overall && section;
        lines[header] += indent + verdictText(section);
        lines.push_back(sep);
    }

    // Yes-combinations.
    if (flag(core::UseJaKomb)) {
        anySection = true;
        const size_t header = lines.size();
        lines.push_back(m.yesHeader);
        lines.push_back(sep);
        bool section = true;
        if (doc.Ja.empty()) {
            lines.push_back(m.noYes);
        } else {
            for (size_t i = 0; i < doc.Ja.size(); ++i) {
                const std::string& pat = doc.Ja[i];
                // One combination at a time through the row test itself, so the
                // protocol and the generation can never disagree.
                reduction::ConditionSet one = reduction::NewConditionSet(n);
                const std::string minText = i < doc.JaMin.size() ? doc.JaMin[i] : std::string();
                const std::string maxText = i < doc.JaMax.size() ? doc.JaMax[i] : std::string();
                one.yesCombinations = {i < conditions.yesCombinations.size()
                                           ? conditions.yesCombinations[i]
                                           : reduction::YesCombination{pat, static_cast<int>(Bound(minText, 0)),
                                                                       static_cast<int>(Bound(maxText, 0))}};
                const bool ok = reduction::PassesYesCombinations(facit, one);
                if (pat.find('?') != std::string::npos || pat.find('!') != std::string::npos) {
                    lines.push_back(indent + display(pat) + " => " + verdictText(ok));
                } else {
                    lines.push_back(indent +
                                    FormatMessage(m.yesLine, {display(pat), minText, maxText, verdictText(ok)}));
                }
                section = section && ok;
            }
        }
        overall = overall && section;
        lines[header] += indent + verdictText(section);
    }

    // No-combinations.
    if (flag(core::UseNejKomb)) {
        anySection = true;
        lines.push_back(sep);
        const size_t header = lines.size();
        lines.push_back(m.noHeader);
        lines.push_back(sep);
        bool section = true;
        if (doc.Nej.empty()) {
            lines.push_back(m.noNo);
        } else {
            for (const std::string& pat : doc.Nej) {
                reduction::ConditionSet one = reduction::NewConditionSet(n);
                one.noCombinations = {pat};
                const bool ok = reduction::PassesNoCombinations(facit, one);
                section = section && ok;
                lines.push_back(indent + display(pat) + " => " + verdictText(ok));
            }
        }
        overall = overall && section;
        lines[header] += indent + verdictText(section);
        lines.push_back(sep);
    }

    // Win level (row sum).
    if (flag(core::UseChooseWin)) {
        anySection = true;
        lines.push_back(m.sumHeader);
        lines.push_back(sep);
        const int64_t sum = reduction::RowSum(facit, doc.UserPercent);
        const bool ok = doc.WinMin <= sum && sum <= doc.WinMax;
        overall = overall && ok;
        lines.push_back(indent + FormatMessage(m.sumLine, {core::SignsToDisplay(facit, signs), Str(sum),
                                                           Str(doc.WinMin), Str(doc.WinMax), verdictText(ok)}));
        lines.push_back(sep);
    }

    if (anySection) p.verdict = overall;
    return p;
}

// ---------------------------------------------------------------------------
// People's percentages

int32_t PeoplePercentFromText(std::string_view text) {
    if (!text.empty() && text[0] == '0') text.remove_prefix(1);
    int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        v = v * 10 + (c - '0');
        if (v > INT32_MAX) return 0;  // not a number the table can hold
    }
    return static_cast<int32_t>(v);
}

int64_t PeoplePercentSum(std::string_view facit, const PercentTable& people) {
    return reduction::RowSum(facit, people);
}

std::string PeoplePercentLine(std::string_view facit, const PercentTable& people, const CheckMessages& messages) {
    return FormatMessage(messages.peopleSum, {Str(PeoplePercentSum(facit, people))});
}

}  // namespace vinra::checking
