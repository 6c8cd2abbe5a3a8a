#include "reduction/reduced_system.h"

#include <algorithm>
#include <unordered_set>

#include "core/folders.h"
#include "core/messages.h"
#include "core/text.h"
#include "reduction/warranty.h"

namespace vinra::reduction {

namespace {

// More rows than this is a damaged file or a mistake, not a system to play.
constexpr uint64_t kMaxResultRows = 5'000'000;

// A message of the language table in the current language, the English text
// when the table has none.
std::string TextOf(int number, const char* english) {
    std::string text = core::Msg(number);
    return text.empty() ? std::string(english) : text;
}

// A message with its figures filled in; the number goes with it, so the window
// knows the text is the player's language.
RedMessage Said(int number, const char* english, const std::vector<core::MsgArg>& args = {}) {
    return {number, core::FormatMsg(TextOf(number, english), args)};
}

long long L(size_t v) { return static_cast<long long>(v); }

RedError Damaged(const std::string& name, const std::string& what) {
    return RedError(Said(3406, "The system file \"%s\" cannot be used: %s", {name, what}));
}

std::string Reason(int number, const char* english, const std::vector<core::MsgArg>& args = {}) {
    return Said(number, english, args).text;
}

std::string Quote(char c) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
        return TextOf(3416, "a control character");
    return std::string("'") + c + "'";
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

RedMessage FileNotFoundMessage(const std::filesystem::path& path) {
    return {kMsgFileNotFound, TextOf(kMsgFileNotFound, "File not found: ") + path.string()};
}

RedMessage UnreadableNameMessage() {
    return {kMsgUnreadableName, TextOf(kMsgUnreadableName, "An error occured when calculating covers.")};
}

RedName ParseRedName(std::string_view name) {
    const RedName bad{'R', 0, 0, false};
    if (name.empty()) return bad;
    const size_t blank = name.find(' ');
    if (blank == std::string_view::npos) return bad;
    size_t i = blank + 1;
    // A count of digits ended by '-' or '.'; the half count may also end the name.
    auto readCount = [&](bool mayEnd) -> int {
        const size_t start = i;
        while (i < name.size() && IsDigit(name[i])) ++i;
        if (i == start || i - start > 2) return -1;
        const int value = std::stoi(std::string(name.substr(start, i - start)));
        if (i < name.size()) {
            if (name[i] != '-' && name[i] != '.') return -1;
            ++i;
        } else if (!mayEnd) {
            return -1;
        }
        return value <= core::kMaxMatches ? value : -1;
    };
    const int full = readCount(false);
    if (full < 0) return bad;
    const int half = readCount(true);
    if (half < 0) return bad;
    char type = name[0];
    if (type >= 'a' && type <= 'z') type = static_cast<char>(type - 'a' + 'A');
    return {type, full, half, true};
}

std::string RedSystemName(char type, int full, int half, size_t rows, int wrong) {
    std::string name =
        std::string(1, type) + " " + std::to_string(full) + "-" + std::to_string(half) + "-" + std::to_string(rows);
    if (wrong > 1) name += " N-" + std::to_string(wrong);
    return name;
}

int RedNameWrong(std::string_view name) {
    constexpr std::string_view tag = " N-2";
    return name.size() > tag.size() && name.substr(name.size() - tag.size()) == tag ? 2 : 1;
}

RedSystem RedSystemFromLines(std::string name, std::vector<std::string> lines) {
    while (!lines.empty() && core::Trim(lines.back()).empty()) lines.pop_back();
    if (lines.empty()) throw Damaged(name, Reason(3407, "it holds no lines."));
    const size_t length = lines.front().size();
    if (length == 0) throw Damaged(name, Reason(3408, "its first line is empty."));
    for (size_t k = 1; k < lines.size(); ++k) {
        if (lines[k].size() != length)
            throw Damaged(name, Reason(3409, "line %d has %d characters, the first line %d.",
                                       {L(k + 1), L(lines[k].size()), L(length)}));
    }
    RedSystem system;
    system.info = ParseRedName(name);
    system.name = std::move(name);
    system.lines = std::move(lines);
    return system;
}

RedSystem ReadRedFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw RedError(FileNotFoundMessage(path));
    const std::string text = core::DecodeFileText(core::ReadFileBytes(path));
    return RedSystemFromLines(path.stem().string(), core::SplitLines(text));
}

std::vector<std::string> FitRedLines(const std::vector<std::string>& lines, int n) {
    if (n < 0) n = 0;
    const size_t want = static_cast<size_t>(n);
    if (lines.size() >= want)
        return std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(want), lines.end());
    const size_t rows = lines.empty() ? 0 : lines.front().size();
    std::vector<std::string> fitted(want - lines.size(), std::string(rows, 'U'));
    fitted.insert(fitted.end(), lines.begin(), lines.end());
    return fitted;
}

void ValidateRedSystem(const RedSystem& system, int n) {
    const int f = system.info.full;
    const int h = system.info.half;
    if (f + h > n)
        throw Damaged(system.name, Reason(3410, "it guards %d matches, the round has only %d.",
                                          {static_cast<long long>(f + h), static_cast<long long>(n)}));
    const int count = static_cast<int>(system.lines.size());
    if (count < f + h)
        throw Damaged(system.name, Reason(3411, "it has %d lines, its name promises %d guarded matches.",
                                          {static_cast<long long>(count), static_cast<long long>(f + h)}));
    for (int k = 0; k < count; ++k) {
        const std::string& line = system.lines[k];
        const long long number = k + 1;
        if (k >= count - f) {
            for (char c : line)
                if (c != '0' && c != '1' && c != '2')
                    throw Damaged(system.name,
                                  Reason(3412, "line %d (a full guard) holds %s; only 0, 1 and 2 belong there.",
                                         {number, Quote(c)}));
        } else if (k >= count - f - h) {
            char other = 0;
            for (char c : line) {
                if (c == 'U') continue;
                if (c <= ' ' || c > '~')
                    throw Damaged(system.name, Reason(3413, "line %d (a half guard) holds %s.", {number, Quote(c)}));
                if (other != 0 && c != other)
                    throw Damaged(system.name,
                                  Reason(3414,
                                         "line %d (a half guard) holds both %s and %s; a half guard has U and one "
                                         "other character.",
                                         {number, Quote(other), Quote(c)}));
                other = c;
            }
        } else {
            for (char c : line)
                if (c != 'U')
                    throw Damaged(system.name,
                                  Reason(3415, "line %d (a single match) holds %s; only U belongs there.",
                                         {number, Quote(c)}));
        }
    }
}

std::vector<std::string> RedLinesFromCode(const std::vector<CoverWord>& code, int full, int half, bool uSystem) {
    const int n = full + half;
    // Per line the symbol -> written code; in a U-system by falling frequency.
    std::vector<std::array<uint8_t, 3>> relabel(n);
    for (int i = 0; i < n; ++i) {
        relabel[i] = {0, 1, 2};
        if (!uSystem) continue;
        std::array<int, 3> freq{};
        for (const CoverWord& w : code) ++freq[w.at(i)];
        std::array<uint8_t, 3> order{0, 1, 2};
        const int r = i < half ? 2 : 3;
        std::stable_sort(order.begin(), order.begin() + r, [&](uint8_t a, uint8_t b) { return freq[a] > freq[b]; });
        for (int rank = 0; rank < r; ++rank) relabel[i][order[rank]] = static_cast<uint8_t>(rank);
    }
    // Rows in ascending order of their codes (U sign first).
    std::vector<std::string> words;
    words.reserve(code.size());
    for (const CoverWord& w : code) {
        std::string m(static_cast<size_t>(n), '0');
        for (int i = 0; i < n; ++i) m[i] = static_cast<char>('0' + relabel[i][w.at(i)]);
        words.push_back(std::move(m));
    }
    std::sort(words.begin(), words.end());
    std::vector<std::string> lines(n, std::string(words.size(), ' '));
    for (size_t j = 0; j < words.size(); ++j)
        for (int i = 0; i < n; ++i) {
            const char s = words[j][i];
            lines[i][j] = i < half ? (s == '0' ? 'U' : '1') : s;
        }
    return lines;
}

std::vector<CoverWord> CodeFromRedLines(const std::vector<std::string>& lines, int full, int half) {
    const int n = full + half;
    if (static_cast<int>(lines.size()) < n) throw RedError(Said(3417, "The system has fewer lines than guarded matches."));
    const std::vector<std::string> guarded(lines.end() - n, lines.end());
    const size_t rows = n == 0 ? 0 : guarded.front().size();
    std::vector<CoverWord> code(rows, CoverWord(n));
    for (int i = 0; i < n; ++i) {
        if (guarded[i].size() != rows) throw RedError(Said(3418, "The lines of the system differ in length."));
        for (size_t j = 0; j < rows; ++j) {
            const char c = guarded[i][j];
            if (i < half) {
                code[j][i] = c == 'U' ? 0 : 1;
            } else {
                if (c < '0' || c > '2') throw RedError(Said(3419, "A full-guard line holds a character other than 0, 1, 2."));
                code[j][i] = static_cast<uint8_t>(c - '0');
            }
        }
    }
    return code;
}

int CouponMatch::firstMark() const {
    for (int s = 0; s < 3; ++s)
        if (marks[s]) return s;
    return -1;
}

int CouponMatch::lastMark() const {
    for (int s = 2; s >= 0; --s)
        if (marks[s]) return s;
    return -1;
}

SystemCoupon::SystemCoupon(int n) : matches_(static_cast<size_t>(std::clamp(n, 1, core::kMaxMatches))) {}

RedMessage SystemCoupon::LoadFromDocument(const core::TVinraFile& doc) {
    const int n =
        std::clamp(doc.MatchCount > 0 ? doc.MatchCount : static_cast<int>(doc.Grundrad.size()), 1, core::kMaxMatches);
    matches_.assign(static_cast<size_t>(n), CouponMatch{});
    for (int i = 0; i < n && i < static_cast<int>(doc.Grundrad.size()); ++i)
        for (int s = 0; s < 3; ++s) matches_[i].marks[s] = core::EntryHas(doc.Grundrad[i], static_cast<char>('0' + s));
    ownSystems_ = doc.SystemTyp == "G";
    RedMessage msg;
    if (!doc.Systemnamn.empty()) {
        msg = ChooseSystem(doc.Systemnamn);
    } else {
        ChooseSystem("");
    }
    // Restored only where the window itself could have set them.
    const std::string uRow = doc.GetURow();
    for (int i = 0; i < n; ++i) {
        CouponMatch& m = matches_[i];
        if (m.markCount() < 2) continue;
        if (!doc.MatGard[i].empty() && type_ != 'S' && type_ != 'G') {
            m.math = true;
            continue;
        }
        if (type_ != 'U' || i >= static_cast<int>(uRow.size())) continue;
        const char c = uRow[i];
        const int s = c == '1' ? 0 : (c == 'X' || c == 'x') ? 1 : c == '2' ? 2 : -1;
        if (s >= 0 && m.marks[s]) m.uSign = s;
    }
    return msg;
}

void SystemCoupon::ToggleMark(int match, int sign) {
    CouponMatch& m = matches_.at(match);
    if (sign < 0 || sign > 2) return;
    m.marks[sign] = !m.marks[sign];
    if (m.markCount() < 2) {
        m.uSign = -1;
        m.math = false;
    }
    // A U mark on a sign that is no longer marked would send rows outside the frame.
    if (m.uSign >= 0 && !m.marks[m.uSign]) m.uSign = -1;
}

void SystemCoupon::ToggleMath(int match) {
    CouponMatch& m = matches_.at(match);
    m.uSign = -1;
    if (m.markCount() >= 2) m.math = !m.math;
}

void SystemCoupon::ClickU(int match, int sign) {
    if (type_ != 'U') return;
    CouponMatch& m = matches_.at(match);
    m.uSign = -1;
    if (sign >= 0 && sign <= 2 && m.marks[sign] && !m.math && m.markCount() >= 2) m.uSign = sign;
}

RedMessage SystemCoupon::ChooseSystem(const std::string& name) {
    systemName_ = name;
    chosen_ = !name.empty();
    RedMessage msg;
    if (!chosen_) {
        info_ = RedName{'R', 0, 0, true};
        type_ = 'R';
    } else {
        info_ = ParseRedName(name);
        if (!info_.readable) msg = UnreadableNameMessage();
        type_ = info_.type;
    }
    for (CouponMatch& m : matches_) {
        if (type_ == 'S' || type_ == 'G') m.math = false;
        if (type_ != 'U') m.uSign = -1;
    }
    return msg;
}

namespace {

CouponCounts CountFor(const std::vector<CouponMatch>& matches, const RedName& info, bool chosen) {
    CouponCounts c;
    for (const CouponMatch& m : matches) {
        const int k = m.markCount();
        if (k > 0) ++c.marked;
        if (k == 3 && !m.math) ++c.usedFull;
        if (k == 2 && !m.math) ++c.usedHalf;
        if (m.uSign >= 0) ++c.uMarks;
    }
    if (chosen) {
        c.totalFull = info.full;
        c.totalHalf = info.half;
        c.totalU = info.type == 'U' ? info.full + info.half : 0;
    }
    c.leftFull = c.totalFull - c.usedFull;
    c.leftHalf = c.totalHalf - c.usedHalf;
    c.leftU = info.type == 'U' && chosen ? c.totalU - c.uMarks : 0;
    return c;
}

}  // namespace

CouponCounts SystemCoupon::Counts() const { return CountFor(matches_, info_, chosen_); }

std::string SystemCoupon::MatchLabel(int number, std::string_view home, std::string_view away) {
    return (number < 10 ? " " : "") + std::to_string(number) + ". " + std::string(home) + " - " + std::string(away);
}

std::string SystemCoupon::LeftText(int left) {
    if (left < 0) return std::to_string(-left) + TextOf(kMsgTooMany, " too many!");
    return std::to_string(left);
}

bool SystemCoupon::OkEnabled() const {
    const CouponCounts c = Counts();
    return chosen_ && c.leftFull == 0 && c.leftHalf == 0 && c.leftU == 0 && c.marked == matchCount();
}

UIndicator SystemCoupon::Indicator(int match) const {
    const CouponMatch& m = matches_.at(match);
    if (type_ != 'U' || m.markCount() < 2 || m.math) return UIndicator::None;
    return m.uSign >= 0 && m.marks[m.uSign] ? UIndicator::Tick : UIndicator::Arrow;
}

SystemCoupon::Result SystemCoupon::Apply(const RedSystem& system) const {
    const int n = matchCount();
    const RedName& info = system.info;
    const bool uSystem = info.type == 'U';
    ValidateRedSystem(system, n);

    // The coupon must be filled as the system needs it (the window's OK rule).
    for (int i = 0; i < n; ++i)
        if (matches_[i].markCount() == 0)
            throw RedError(Said(3420, "Match %d has no sign in the base row.", {static_cast<long long>(i + 1)}));
    const CouponCounts c = CountFor(matches_, info, true);
    if (c.leftFull != 0 || c.leftHalf != 0)
        throw RedError(Said(3421, "The base row has %d full and %d half guards, the system \"%s\" needs %d and %d.",
                            {static_cast<long long>(c.usedFull), static_cast<long long>(c.usedHalf), system.name,
                             static_cast<long long>(info.full), static_cast<long long>(info.half)}));
    if (uSystem) {
        for (int i = 0; i < n; ++i) {
            const CouponMatch& m = matches_[i];
            if (m.markCount() >= 2 && !m.math && (m.uSign < 0 || !m.marks[m.uSign]))
                throw RedError(
                    Said(3422, "Match %d needs a U sign among its marked signs.", {static_cast<long long>(i + 1)}));
        }
    }

    const std::vector<std::string> lines = FitRedLines(system.lines, n);
    const size_t rows = static_cast<size_t>(system.rows());
    const int s = n - info.full - info.half;

    // Lines to matches, in line order: each takes the first free match that is
    // a mathematical guard or has as many marks as the line's guard level.
    std::vector<int> levelOfMatch(n, 0);
    std::vector<int> lineOfMatch(n, -1);
    for (int k = 0; k < n; ++k) {
        const int level = k < s ? 1 : k < s + info.half ? 2 : 3;
        int target = -1;
        for (int i = 0; i < n && target < 0; ++i)
            if (lineOfMatch[i] < 0 && (matches_[i].math || matches_[i].markCount() == level)) target = i;
        if (target < 0)
            throw RedError(Said(3423, "Line %d of the system finds no match.", {static_cast<long long>(k + 1)}));
        lineOfMatch[target] = k;
        levelOfMatch[target] = level;
    }

    std::vector<std::string> columns(n, std::string(rows, '-'));
    for (int i = 0; i < n; ++i) {
        const CouponMatch& m = matches_[i];
        const std::string& line = lines[lineOfMatch[i]];
        std::string& out = columns[i];
        if (m.math) {
            std::fill(out.begin(), out.end(), 'M');
            continue;
        }
        const int first = m.firstMark();
        const int last = m.lastMark();
        const int u = uSystem ? m.uSign : 0;
        // The two signs other than U, in the order home, draw, away. A single
        // match of a U-system has no U mark (u is -1) and uses neither.
        std::array<int, 2> others{};
        for (int sign = 0, k = 0; sign < 3 && k < 2; ++sign)
            if (sign != u) others[k++] = sign;
        for (size_t j = 0; j < rows; ++j) {
            const char ch = line[j];
            int sign = first;
            switch (levelOfMatch[i]) {
                case 1: sign = first; break;
                case 2:
                    if (uSystem) sign = ch == 'U' ? u : (u == first ? last : first);
                    else sign = ch == 'U' ? first : last;
                    break;
                default:
                    if (uSystem) sign = ch == '0' ? u : others[ch - '1'];
                    else sign = ch - '0';
                    break;
            }
            out[j] = static_cast<char>('0' + sign);
        }
    }

    // Mathematical guards: the system is repeated once per combination of their
    // signs, the first guard changing slowest.
    uint64_t copies = 1;
    for (const CouponMatch& m : matches_)
        if (m.math) copies *= static_cast<uint64_t>(m.markCount());
    if (copies * rows > kMaxResultRows)
        throw RedError(Said(3424, "The system with its mathematical guards would give %s rows, more than %s.",
                            {core::GroupDigits(static_cast<int64_t>(copies * rows)),
                             core::GroupDigits(static_cast<int64_t>(kMaxResultRows))}));
    const size_t total = rows * static_cast<size_t>(copies);
    uint64_t product = 1;
    for (int i = 0; i < n; ++i) {
        const CouponMatch& m = matches_[i];
        std::string expanded;
        expanded.reserve(total);
        if (!m.math) {
            for (uint64_t t = 0; t < copies; ++t) expanded += columns[i];
        } else {
            std::vector<char> cycle;
            for (int sign = 0; sign < 3; ++sign)
                if (m.marks[sign]) cycle.push_back(static_cast<char>('0' + sign));
            product *= cycle.size();
            const size_t block = total / static_cast<size_t>(product);
            for (size_t j = 0; j < total; ++j) expanded.push_back(cycle[(j / block) % cycle.size()]);
        }
        columns[i] = std::move(expanded);
    }

    Result result;
    result.rows.reserve(total);
    std::unordered_set<std::string> seen;
    seen.reserve(total);
    std::string row(static_cast<size_t>(n), '0');
    for (size_t j = 0; j < total; ++j) {
        for (int i = 0; i < n; ++i) row[i] = columns[i][j];
        // Two equal columns in a file must not become two equal rows.
        if (seen.insert(row).second) result.rows.push_back(row);
    }
    result.columns = std::move(columns);
    return result;
}

bool SystemCoupon::HasCombinations(const core::TVinraFile& doc) {
    return !doc.Ja.empty() || !doc.URad.empty() || !doc.Nej.empty();
}

void SystemCoupon::StoreInDocument(core::TVinraFile& doc, const Result& result, bool keepCombinations,
                                   const core::DisplaySigns& signs) const {
    const int n = matchCount();
    ClearWarranty(doc);
    if (!keepCombinations) {
        doc.URad.clear();
        doc.UMin.clear();
        doc.UMax.clear();
        doc.Ja.clear();
        doc.JaMin.clear();
        doc.JaMax.clear();
        doc.Nej.clear();
    }
    doc.Rader = result.rows;
    doc.MatchCount = n;
    // The frame becomes the base row, in internal codes and positional form.
    doc.Grundrad.assign(static_cast<size_t>(n), "   ");
    std::string matGard(static_cast<size_t>(n), '-');
    const std::string* display[3] = {&signs.home, &signs.draw, &signs.away};
    for (int i = 0; i < n; ++i) {
        const CouponMatch& m = matches_[i];
        for (int s = 0; s < 3; ++s)
            if (m.marks[s]) doc.Grundrad[i][s] = static_cast<char>('0' + s);
        // The pool's own character at the sign's position: the position is
        // what GetURow (and so the file) reads back, for every pool.
        std::string u = "   ";
        if (m.uSign >= 0) {
            const std::string& shown = *display[m.uSign];
            u[static_cast<size_t>(m.uSign)] = shown.size() == 1 && shown[0] != ' ' ? shown[0] : "1X2"[m.uSign];
        }
        doc.URow[static_cast<size_t>(i)] = u;
        if (m.math) matGard[i] = 'M';
    }
    doc.SetMatGard(matGard);
    doc.Systemnamn = systemName_;
    doc.SystemTyp = ownSystems_ ? "G" : "R";
    while (doc.UseFlags.Count() < 8) doc.UseFlags.Add(false);
    for (int flag :
         {core::UseMaxMin, core::UseRadDiff, core::UseURad, core::UseJaKomb, core::UseNejKomb, core::UseFilterTo})
        doc.UseFlags.Put(flag, false);
}

SystemCoupon::Result ApplyRedFile(const SystemCoupon& coupon, const std::filesystem::path& path) {
    return coupon.Apply(ReadRedFile(path));
}

size_t ApplyRedFileToDocument(core::TVinraFile& doc, const SystemCoupon& coupon, const std::filesystem::path& path,
                              bool keepCombinations) {
    const SystemCoupon::Result result = ApplyRedFile(coupon, path);
    coupon.StoreInDocument(doc, result, keepCombinations);
    return result.rows.size();
}

std::filesystem::path OperatorSystemsFolder(std::string_view country) {
    // The name comes from data files: it may name a folder, never a path.
    std::string safe(country);
    for (char& c : safe)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    if (safe.empty() || safe == "." || safe == "..") safe = "_";
    return core::DataFolder() / "SYSTEM" / safe;
}

std::filesystem::path OwnSystemsFolder() { return core::UserFolder() / "SYSTEM" / "My Own"; }

std::vector<std::string> ListRedSystems(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        if (core::EqualsNoCase(entry.path().extension().string(), ".RED"))
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vinra::reduction
