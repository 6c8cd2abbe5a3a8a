#include "reduction/condition_editors.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/ini.h"
#include "core/text.h"

namespace vinra::reduction {
namespace {

char Upper(char ch) { return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch; }

char FirstOf(const std::string& s, char fallback) { return s.empty() ? fallback : s.front(); }

std::array<char, 3> DisplayChars(const core::DisplaySigns& signs) {
    return {FirstOf(signs.home, '1'), FirstOf(signs.draw, 'X'), FirstOf(signs.away, '2')};
}

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

}  // namespace

std::string DisplayCharsToCodes(std::string_view text, const core::DisplaySigns& signs) {
    const auto d = DisplayChars(signs);
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        char code = ch;
        for (int s = 0; s < 3; ++s)
            if (Upper(ch) == Upper(d[static_cast<size_t>(s)])) {
                code = static_cast<char>('0' + s);
                break;
            }
        out += code;
    }
    return out;
}

std::string CodesToDisplayChars(std::string_view codes, const core::DisplaySigns& signs) {
    const auto d = DisplayChars(signs);
    std::string out;
    out.reserve(codes.size());
    for (char ch : codes) out += (ch >= '0' && ch <= '2') ? d[static_cast<size_t>(ch - '0')] : ch;
    return out;
}

// ---------------------------------------------------------------------------

CombinationEditor::CombinationEditor(Kind kind, int n, const core::DisplaySigns& signs, const ConditionSet& c)
    : kind_(kind), n_(n), signs_(signs) {
    if (kind_ == Kind::Yes) {
        for (const auto& y : c.yesCombinations)
            entries_.push_back({CodesToDisplayChars(y.pattern, signs_), y.min, y.max});
    } else {
        for (const auto& p : c.noCombinations) entries_.push_back({CodesToDisplayChars(p, signs_), 0, 0});
    }
}

std::string CombinationEditor::Allowed() const {
    const auto d = DisplayChars(signs_);
    return std::string{d[0], d[1], d[2]} + (kind_ == Kind::Yes ? "!?" : "*");
}

std::string CombinationEditor::Clean(std::string_view typed) const { return core::KeepChars(typed, Allowed()); }

CombinationEditor::AddResult CombinationEditor::Add(std::string_view typed, int min, int max) {
    AddResult r;
    r.min = Clamp(min, 0, 6);
    r.max = Clamp(max, 0, 6);
    const std::string text = Clean(typed);
    const bool question = text.find('?') != std::string::npos;
    const bool bang = text.find('!') != std::string::npos;
    if (question && bang) {
        r.what = AddResult::What::Refused;
        r.message = 339;
        return r;
    }
    if (text.find('*') != std::string::npos && static_cast<int>(text.size()) != n_) {
        r.what = AddResult::What::Refused;
        r.message = 340;
        return r;
    }
    if (question || bang) r.min = r.max = 0;
    if (text.size() < 2) return r;  // too short to be a combination: ignored
    if (kind_ == Kind::No) r.min = r.max = 0;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].text == text) {
            entries_[i].min = r.min;
            entries_[i].max = r.max;
            r.what = AddResult::What::Updated;
            r.index = static_cast<int>(i);
            return r;
        }
    if (static_cast<int>(entries_.size()) >= kMaxConditionEntries) {
        r.what = AddResult::What::Refused;
        r.message = 1502;
        return r;
    }
    entries_.push_back({text, r.min, r.max});
    r.what = AddResult::What::Added;
    r.index = static_cast<int>(entries_.size()) - 1;
    return r;
}

int CombinationEditor::Delete(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return -1;
    entries_.erase(entries_.begin() + index);
    if (entries_.empty()) return -1;
    return std::max(0, index - 1);
}

void CombinationEditor::Store(ConditionSet& c) const {
    if (kind_ == Kind::Yes) {
        c.yesCombinations.clear();
        for (const auto& e : entries_) c.yesCombinations.push_back({DisplayCharsToCodes(e.text, signs_), e.min, e.max});
    } else {
        c.noCombinations.clear();
        for (const auto& e : entries_) c.noCombinations.push_back(DisplayCharsToCodes(e.text, signs_));
    }
}

// ---------------------------------------------------------------------------

SignCountEditor::SignCountEditor(int n, const ConditionSet& c) : n_(n) {
    for (int s = 0; s < 3; ++s) {
        const auto i = static_cast<size_t>(s);
        v_[MaxLine][i] = Clamp(c.maxCount[i], 0, n_);
        v_[RunLine][i] = Clamp(c.runMax[i], 0, n_);
        v_[MinLine][i] = Clamp(c.minCount[i], 0, n_);
    }
}

int SignCountEditor::Value(int line, int sign) const {
    return v_[static_cast<size_t>(Clamp(line, 0, 2))][static_cast<size_t>(Clamp(sign, 0, 2))];
}

void SignCountEditor::Set(int line, int sign, int value) {
    v_[static_cast<size_t>(Clamp(line, 0, 2))][static_cast<size_t>(Clamp(sign, 0, 2))] = Clamp(value, 0, n_);
}

void SignCountEditor::Store(ConditionSet& c) const {
    for (size_t s = 0; s < 3; ++s) {
        c.maxCount[s] = v_[MaxLine][s];
        c.runMax[s] = v_[RunLine][s];
        c.minCount[s] = v_[MinLine][s];
    }
}

// ---------------------------------------------------------------------------

namespace {

// Codes of each cell state; state 8 is '*'.
constexpr const char* kCellCodes[SourceRowEditor::kCellStates] = {"", "0", "1", "2", "01", "12", "02", "012", "*"};

int StateOfCell(std::string_view cell) {
    if (cell.find('*') != std::string_view::npos) return 8;
    int mask = 0;
    for (char ch : cell)
        if (ch >= '0' && ch <= '2') mask |= 1 << (ch - '0');
    switch (mask) {
        case 1: return 1;
        case 2: return 2;
        case 4: return 3;
        case 3: return 4;
        case 6: return 5;
        case 5: return 6;
        case 7: return 7;
        default: return 0;
    }
}

int Cycle(int v, int lo, int hi, bool forward) {
    if (forward) return v >= hi ? lo : v + 1;
    return v <= lo ? hi : v - 1;
}

}  // namespace

SourceRowEditor::SourceRowEditor(int n, const ConditionSet& c) : n_(n) {
    for (const auto& s : c.sourceRows) {
        if (static_cast<int>(columns_.size()) >= kMaxConditionEntries) break;
        Column col;
        col.cells.assign(static_cast<size_t>(n_), 0);
        size_t start = 0;
        for (int m = 0; m < n_ && start <= s.pattern.size(); ++m) {
            const size_t comma = s.pattern.find(',', start);
            const size_t end = comma == std::string::npos ? s.pattern.size() : comma;
            col.cells[static_cast<size_t>(m)] = StateOfCell(std::string_view(s.pattern).substr(start, end - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        col.min = Clamp(s.min, 0, n_);
        col.max = Clamp(s.max, 0, n_);
        columns_.push_back(std::move(col));
    }
    keepOneEmptyColumn();
}

void SourceRowEditor::keepOneEmptyColumn() {
    const auto empty = [](const Column& col) {
        return col.min < 0 && col.max < 0 &&
               std::all_of(col.cells.begin(), col.cells.end(), [](int v) { return v == 0; });
    };
    if (static_cast<int>(columns_.size()) < kMaxConditionEntries && (columns_.empty() || !empty(columns_.back()))) {
        Column col;
        col.cells.assign(static_cast<size_t>(n_), 0);
        columns_.push_back(std::move(col));
    }
}

int SourceRowEditor::UsedColumns() const {
    int used = 0;
    for (const auto& col : columns_)
        if (std::any_of(col.cells.begin(), col.cells.end(), [](int v) { return v != 0; })) ++used;
    return used;
}

bool SourceRowEditor::CycleCell(int column, int match, bool forward) {
    if (column < 0 || column >= static_cast<int>(columns_.size()) || match < 0 || match >= n_) return false;
    int& v = columns_[static_cast<size_t>(column)].cells[static_cast<size_t>(match)];
    v = Cycle(v, 0, kCellStates - 1, forward);
    const size_t before = columns_.size();
    keepOneEmptyColumn();
    // The last column was just taken and no new one could come.
    return before == columns_.size() && static_cast<int>(columns_.size()) >= kMaxConditionEntries &&
           column == kMaxConditionEntries - 1;
}

void SourceRowEditor::CycleMin(int column, bool forward) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    int& v = columns_[static_cast<size_t>(column)].min;
    v = Cycle(v, -1, n_, forward);
    keepOneEmptyColumn();
}

void SourceRowEditor::CycleMax(int column, bool forward) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    int& v = columns_[static_cast<size_t>(column)].max;
    v = Cycle(v, -1, n_, forward);
    keepOneEmptyColumn();
}

void SourceRowEditor::DeleteColumn(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size())) return;
    columns_.erase(columns_.begin() + column);
    keepOneEmptyColumn();
}

std::string SourceRowEditor::CellText(int column, int match, const core::DisplaySigns& signs) const {
    const int v = columns_[static_cast<size_t>(column)].cells[static_cast<size_t>(match)];
    return CodesToDisplayChars(kCellCodes[v], signs);
}

std::string SourceRowEditor::MinText(int column) const {
    const int v = columns_[static_cast<size_t>(column)].min;
    return v < 0 ? std::string() : std::to_string(v);
}

std::string SourceRowEditor::MaxText(int column) const {
    const int v = columns_[static_cast<size_t>(column)].max;
    return v < 0 ? std::string() : std::to_string(v);
}

std::string SourceRowEditor::PatternOfCells(const std::vector<int>& cells) {
    std::string s;
    for (int v : cells) {
        s += kCellCodes[Clamp(v, 0, kCellStates - 1)];
        s += ',';
    }
    // Two commas in a row get a '*' between them; the search goes on after the
    // pair, so in a run of empty cells '*' and empty cells alternate.
    size_t from = 0;
    for (;;) {
        const size_t p = s.find(",,", from);
        if (p == std::string::npos) break;
        s.insert(p + 1, "*");
        from = p + 3;
    }
    if (!s.empty() && s.front() == ',') s.insert(0, "*");
    if (!s.empty() && s.back() == ',') s.pop_back();
    return s;
}

std::vector<SourceRow> SourceRowEditor::SourceRows() const {
    std::vector<SourceRow> out;
    for (const auto& col : columns_) {
        if (std::all_of(col.cells.begin(), col.cells.end(), [](int v) { return v == 0; })) continue;
        out.push_back({PatternOfCells(col.cells), col.min < 0 ? 0 : col.min, col.max < 0 ? n_ : col.max});
    }
    return out;
}

std::vector<std::array<int, 3>> PeopleRanks(const std::array<std::array<std::string, 3>, core::kMaxMatches>& people,
                                            int n) {
    n = Clamp(n, 0, core::kMaxMatches);
    std::vector<std::string> all;
    for (int m = 0; m < n; ++m)
        for (int s = 0; s < 3; ++s) all.push_back(people[static_cast<size_t>(m)][static_cast<size_t>(s)]);
    std::sort(all.begin(), all.end());
    std::vector<std::array<int, 3>> ranks(static_cast<size_t>(n));
    for (int m = 0; m < n; ++m)
        for (int s = 0; s < 3; ++s) {
            // 1 + the number of texts above it: equal texts share the better rank.
            const auto it =
                std::upper_bound(all.begin(), all.end(), people[static_cast<size_t>(m)][static_cast<size_t>(s)]);
            ranks[static_cast<size_t>(m)][static_cast<size_t>(s)] = 3 * n - static_cast<int>(it - all.begin()) + 1;
        }
    return ranks;
}

// ---------------------------------------------------------------------------

std::optional<double> ParseDecimalField(std::string_view text) {
    const auto v = core::ParseFloat(text);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

PercentEditor::PercentEditor(int n, const std::vector<std::string>& frame, const ConditionSet& c,
                             const PercentTable& people)
    : n_(Clamp(n, 1, core::kMaxMatches)), frame_(frame), people_(people) {
    v_.assign(static_cast<size_t>(n_), {40, 30, 30});
    checked_.assign(static_cast<size_t>(n_), true);
    for (int m = 0; m < n_; ++m)
        for (int s = 0; s < 3; ++s) {
            const int64_t w = UserWeight(c, m, s, -1);
            if (w >= 0)
                v_[static_cast<size_t>(m)][static_cast<size_t>(s)] = static_cast<int>(std::min<int64_t>(w, 999));
        }
    minText = core::FormatFloat(c.procMin);
    maxText = core::FormatFloat(c.procMax);
}

void PercentEditor::Edit(int match, int sign, std::string_view text) {
    if (match < 0 || match >= n_ || sign < 0 || sign > 2) return;
    std::string digits;
    for (char ch : text)
        if (ch >= '0' && ch <= '9' && digits.size() < 3) digits += ch;
    int value = digits.empty() ? 0 : std::stoi(digits);
    auto& v = v_[static_cast<size_t>(match)];
    v[static_cast<size_t>(sign)] = value;
    if (v[0] + v[1] + v[2] == 100) return;
    value = Clamp(value, 0, 100);
    v[static_cast<size_t>(sign)] = value;
    if (sign == 0) {
        const int rest = 100 - value;
        v[1] = (rest + 1) / 2;
        v[2] = 100 - v[0] - v[1];  // the draw takes the larger half
    } else if (sign == 1) {
        // A share never goes below zero: home and draw over 100 leave away at 0.
        v[2] = std::max(0, 100 - v[0] - v[1]);
    }
}

bool HasReferenceFigures(const PercentTable& reference, int match) {
    if (match < 0 || match >= core::kMaxMatches) return false;
    for (double r : reference[static_cast<size_t>(match)])
        if (std::isfinite(r) && r > 0) return true;
    return false;
}

bool HasAnyReferenceFigures(const PercentTable& reference, int n) {
    n = std::clamp(n, 0, core::kMaxMatches);
    for (int m = 0; m < n; ++m)
        if (HasReferenceFigures(reference, m)) return true;
    return false;
}

std::vector<int> PercentEditor::BlankCheckedMatches(const PercentTable& reference) const {
    std::vector<int> blank;
    for (int m = 0; m < n_; ++m)
        if (checked_[static_cast<size_t>(m)] && !HasReferenceFigures(reference, m)) blank.push_back(m);
    return blank;
}

void PercentEditor::CopyReference(const PercentTable& reference, bool keepBlank) {
    for (int m = 0; m < n_; ++m) {
        if (!checked_[static_cast<size_t>(m)]) continue;
        if (keepBlank && !HasReferenceFigures(reference, m)) continue;
        for (int s = 0; s < 3; ++s) {
            const double r = reference[static_cast<size_t>(m)][static_cast<size_t>(s)];
            v_[static_cast<size_t>(m)][static_cast<size_t>(s)] =
                std::isfinite(r) ? Clamp(static_cast<int>(std::lround(std::clamp(r, 0.0, 999.0))), 0, 999) : 0;
        }
    }
}

void PercentEditor::CheckAll(bool on) { checked_.assign(static_cast<size_t>(n_), on); }

void PercentEditor::InvertChecks() {
    for (size_t m = 0; m < checked_.size(); ++m) checked_[m] = !checked_[m];
}

double PercentEditor::extremeRowValue(bool highest) const {
    PercentTable user{};
    for (int m = 0; m < n_; ++m)
        for (int s = 0; s < 3; ++s)
            user[static_cast<size_t>(m)][static_cast<size_t>(s)] = v_[static_cast<size_t>(m)][static_cast<size_t>(s)];
    std::string row;
    for (int m = 0; m < n_; ++m) {
        const auto& p = people_[static_cast<size_t>(m)];
        const bool anyZero = p[0] == 0 || p[1] == 0 || p[2] == 0;
        std::string signs = m < static_cast<int>(frame_.size()) ? core::EntrySigns(frame_[static_cast<size_t>(m)]) : "";
        if (signs.empty()) signs = "012";
        char best = 0;
        double bestF = 0;
        for (char ch : signs) {
            if (ch < '0' || ch > '2') continue;
            const auto s = static_cast<size_t>(ch - '0');
            // The factor of the row value: 1.0 where the people's percentages hold a 0.
            double f = anyZero ? 1.0 : user[static_cast<size_t>(m)][s] / p[s];
            if (f == 0) f = 1.0;
            if (best == 0 || (highest ? f > bestF : f < bestF)) {
                best = ch;
                bestF = f;
            }
        }
        row += best ? best : '0';
    }
    return RowValue(row, user, people_);
}

double PercentEditor::MinRowValue() const { return extremeRowValue(false); }
double PercentEditor::MaxRowValue() const { return extremeRowValue(true); }

void PercentEditor::Store(ConditionSet& c) const {
    c.procMin = ParseDecimalField(minText).value_or(0.0);
    c.procMax = ParseDecimalField(maxText).value_or(10000.0);
    for (size_t s = 0; s < 3; ++s) {
        auto& list = c.userPercent[s];
        if (list.size() < static_cast<size_t>(n_)) list.resize(static_cast<size_t>(n_), "0");
        for (int m = 0; m < n_; ++m) list[static_cast<size_t>(m)] = std::to_string(v_[static_cast<size_t>(m)][s]);
    }
}

// ---------------------------------------------------------------------------

WinLevelEditor::WinLevelEditor(int n, const std::vector<std::string>& frame, const ConditionSet& c)
    : n_(Clamp(n, 1, core::kMaxMatches)), frame_(frame), table_(c.sumTable) {
    total_ = FrameSumBounds(table_, frame_, false);
    frameBounds_ = FrameSumBounds(table_, frame_, true);
    low_ = std::clamp(c.winMin, frameBounds_.first, std::max(frameBounds_.first, frameBounds_.second));
    high_ = std::clamp(c.winMax, frameBounds_.first, std::max(frameBounds_.first, frameBounds_.second));
}

void WinLevelEditor::SetLow(int64_t v) {
    low_ = std::clamp(v, frameBounds_.first, std::max(frameBounds_.first, frameBounds_.second));
}

void WinLevelEditor::SetHigh(int64_t v) {
    high_ = std::clamp(v, frameBounds_.first, std::max(frameBounds_.first, frameBounds_.second));
}

WinLevelEditor::Mark WinLevelEditor::Colour(int match, int sign, bool frameOnly) const {
    if (match < 0 || match >= n_ || sign < 0 || sign > 2) return Mark::None;
    const auto& row = table_[static_cast<size_t>(match)];
    const std::string entry = match < static_cast<int>(frame_.size()) ? frame_[static_cast<size_t>(match)] : "";
    const auto inFrame = [&](int s) { return !frameOnly || core::EntryHas(entry, static_cast<char>('0' + s)); };
    if (!inFrame(sign)) return Mark::None;
    int lowS = -1, highS = -1;
    for (int s = 0; s < 3; ++s) {
        if (!inFrame(s)) continue;
        if (lowS < 0 || row[static_cast<size_t>(s)] < row[static_cast<size_t>(lowS)]) lowS = s;
        if (highS < 0 || row[static_cast<size_t>(s)] > row[static_cast<size_t>(highS)]) highS = s;
    }
    // All equal: nothing stands out.
    if (row[static_cast<size_t>(lowS)] == row[static_cast<size_t>(highS)])
        return frameOnly ? Mark::Between : Mark::None;
    if (sign == lowS) return Mark::Low;
    if (sign == highS) return Mark::High;
    return frameOnly ? Mark::Between : Mark::None;
}

void WinLevelEditor::Store(ConditionSet& c) const {
    c.winMin = low_;
    c.winMax = high_;
}

}  // namespace vinra::reduction
