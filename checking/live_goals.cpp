#include "checking/live_goals.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "core/text.h"

namespace vinra::checking {

// --- the cycle ----------------------------------------------------------------

bool LiveCycle::Press(bool down) {
    buttonDown_ = down;
    timerOn_ = down;
    // Releasing the button switches the update off: a tick would press it
    // again in "Non stop", so the button could never stop the cycle.
    if (!down) return false;
    return Tick();
}

bool LiveCycle::Tick() {
    bool start = false;
    if (!busy_) {
        busy_ = true;
        gameEndedNews = false;
        start = true;
    }
    buttonDown_ = mode_ == LiveMode::NonStop;
    timerOn_ = buttonDown_;
    return start;
}

void LiveCycle::SetMode(LiveMode mode) {
    mode_ = mode;
    buttonDown_ = false;
}

void LiveCycle::DownloadFinished() {
    busy_ = false;
    fresh_ = true;
}

bool LiveCycle::TakeFresh() {
    const bool f = fresh_;
    fresh_ = false;
    return f;
}

void LiveCycle::AfterRefresh(bool allEnded) {
    if (buttonDown_ && (mode_ == LiveMode::AtButtonClick || allEnded)) buttonDown_ = false;
    timerOn_ = buttonDown_;
}

void LiveCycle::Stop() {
    buttonDown_ = false;
    timerOn_ = false;
    busy_ = false;
    fresh_ = false;
    gameEndedNews = false;
}

// --- texts --------------------------------------------------------------------

GoalLogTemplates GoalLogTemplates::FromIni(const core::IniFile& ini) {
    GoalLogTemplates t;
    for (auto [key, field] : {std::pair{"time", &t.time},
                              {"team", &t.team},
                              {"row", &t.row},
                              {"res", &t.res},
                              {"begin", &t.begin},
                              {"end", &t.end}})
        *field = ini.ReadString("Goals", key, *field);
    return t;
}

std::string GroupedRow(std::string_view row) {
    std::string out;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i && i % 3 == 0) out += ' ';
        out += row[i];
    }
    return out;
}

BestRowInfo FirstBestRow(const CheckResult& check, int matchCount) {
    BestRowInfo b;
    if (check.bestKeys.empty()) return b;
    const std::string& key = check.bestKeys.front();
    b.right = std::max(0, RightOfBestKey(key, matchCount));
    b.index = RowIndexOfBestKey(key);
    const size_t t1 = key.find('\t');
    const size_t t2 = t1 == std::string::npos ? t1 : key.find('\t', t1 + 1);
    if (t2 != std::string::npos) {
        if (auto g = core::ParseInteger(std::string_view(key).substr(t1 + 1, t2 - t1 - 1))) b.goalsNeeded = *g;
    }
    return b;
}

LiveSound ChooseSound(int d, int& reference, int matchCount, bool gameEndedNews) {
    LiveSound s;
    if (reference < 0) s = gameEndedNews ? LiveSound::GameEnd : LiveSound::GoalSame;
    else if (d == matchCount) s = LiveSound::GoalAll;
    else if (d > reference) s = LiveSound::GoalUp;
    else if (d < reference) s = LiveSound::GoalDown;
    else s = gameEndedNews ? LiveSound::GameEnd : LiveSound::GoalSame;
    reference = d;
    return s;
}

// --- one live opening -----------------------------------------------------------

LiveRound::LiveRound(core::TVinraFile& doc, std::vector<std::string> homes, std::vector<std::string> aways)
    : doc_(doc),
      matches_(std::clamp(doc.MatchCount, 0, core::kMaxMatches)),
      homes_(std::move(homes)),
      aways_(std::move(aways)) {
    UpdateScoreCells();
    for (LiveMatch& m : matches_) m.changed = false;
}

bool LiveRound::Apply(const LiveScores& s) {
    bool news = false;
    for (size_t m = 0; m < matches_.size(); ++m) {
        // A match ended by hand no longer follows the source.
        if (!matches_[m].tracked) continue;
        if (s.status[m] == 1) {
            if (!doc_.End[m]) news = true;
            doc_.End[m] = true;
        } else {
            doc_.End[m] = false;
        }
        doc_.HGoal[m] = s.home[m];
        doc_.AGoal[m] = s.away[m];
    }
    return news;
}

int LiveRound::UpdateScoreCells() {
    int changed = 0;
    for (size_t m = 0; m < matches_.size(); ++m) {
        LiveMatch& x = matches_[m];
        x.changed = false;
        if (doc_.HGoal[m] < 0 || doc_.AGoal[m] < 0) {
            x.scoreCell = "---";
            continue;
        }
        const std::string text = std::to_string(doc_.HGoal[m]) + "-" + std::to_string(doc_.AGoal[m]);
        if (text != x.scoreCell) {
            x.scoreCell = text;
            x.changed = true;
            ++changed;
        }
    }
    return changed;
}

void LiveRound::MarkChanges() {
    for (LiveMatch& x : matches_)
        if (x.tracked) x.mark = x.changed ? "<-" : "";
}

void LiveRound::MarkEnded() {
    for (size_t m = 0; m < matches_.size(); ++m)
        if (matches_[m].tracked && doc_.End[m]) matches_[m].mark = "S";
}

bool LiveRound::AllEnded() const {
    for (size_t m = 0; m < matches_.size(); ++m)
        if (!doc_.End[m]) return false;
    return true;
}

void LiveRound::HandGoal(int match, bool home, bool decrease) {
    if (match < 1 || match > static_cast<int>(matches_.size())) return;
    const size_t m = match - 1;
    if (doc_.HGoal[m] < 0 || doc_.AGoal[m] < 0) doc_.HGoal[m] = doc_.AGoal[m] = 0;
    int32_t& g = home ? doc_.HGoal[m] : doc_.AGoal[m];
    g = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(g) + (decrease ? -1 : 1), 0, kMaxHandGoals));
    matches_[m].scoreCell = std::to_string(doc_.HGoal[m]) + "-" + std::to_string(doc_.AGoal[m]);
}

void LiveRound::ToggleTracked(int match) {
    if (match < 1 || match > static_cast<int>(matches_.size())) return;
    LiveMatch& x = matches_[match - 1];
    x.tracked = !x.tracked;
    x.mark = x.tracked ? "" : "(S)";
    doc_.End[match - 1] = !x.tracked;
}

void LiveRound::ClearMatch(int match) {
    if (match < 1 || match > static_cast<int>(matches_.size())) return;
    const size_t m = match - 1;
    doc_.HGoal[m] = doc_.AGoal[m] = -1;
    doc_.End[m] = false;
    matches_[m] = LiveMatch{};
}

void LiveRound::Reset() {
    for (int m = 1; m <= static_cast<int>(matches_.size()); ++m) ClearMatch(m);
}

std::vector<std::string> LiveRound::LogEntry(const GoalLogTemplates& t, const LiveTexts& texts, std::string_view now,
                                             const std::string& displayResult, const std::string& bestDisplayRow,
                                             const BestRowInfo& best) const {
    // Templates come from a file the user may edit: they are filled by plain
    // substitution, and everything put into them is escaped for HTML, so a
    // team name or a "%n" in the file can neither break the page nor the program.
    std::vector<std::string> lines;
    lines.push_back(FormatMessage(t.time, {core::EscapeMarkup(now)}));
    bool any = false;
    for (size_t m = 0; m < matches_.size(); ++m) {
        if (!matches_[m].changed) continue;
        any = true;
        const std::string text = std::to_string(m + 1) + ". " + Home(m) + "-" + Away(m) + " " + matches_[m].scoreCell;
        lines.push_back(FormatMessage(t.team, {core::EscapeMarkup(text)}));
    }
    if (any) {
        const std::string first = GroupedRow(displayResult) + " <= " + texts.winningRow;
        const std::string second = GroupedRow(bestDisplayRow) + " <= " + texts.bestRow + " (" +
                                   std::to_string(best.right) + " " + texts.right + " rad " +
                                   std::to_string(best.index + 1) + ")";
        lines.push_back(FormatMessage(t.row, {core::EscapeMarkup(first), core::EscapeMarkup(second)}));
        if (best.goalsNeeded > 0)
            lines.push_back(FormatMessage(
                t.res, {core::EscapeMarkup(FormatMessage(
                           texts.goalsTo, {std::to_string(best.goalsNeeded), std::to_string(matches_.size())}))}));
    }
    return lines;
}

void LiveRound::AddToLog(const std::vector<std::string>& lines) {
    std::vector<std::string>& log = doc_.LogRows;
    if (log.empty()) log.emplace_back();
    log.insert(log.begin(), lines.begin(), lines.end());
    if (log.size() > kMaxLogRows) log.resize(kMaxLogRows);
}

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool InList(std::string_view name, std::initializer_list<std::string_view> list) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Colours, sizes, class names and font faces: nothing that can name a place.
bool PlainValue(std::string_view v) {
    return std::all_of(v.begin(), v.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '#' || c == '%' || c == ' ' || c == ',' ||
               c == '-' || c == '_' || c == '.';
    });
}

// One tag without its angle brackets, rebuilt from its allowed parts; empty
// when the tag is not one a goal log may have.
std::string SafeTag(std::string_view tag, bool page) {
    size_t i = 0;
    const bool closing = !tag.empty() && tag[0] == '/';
    if (closing) ++i;
    const size_t nameStart = i;
    while (i < tag.size() && IsNameChar(tag[i])) ++i;
    const std::string name = Lower(tag.substr(nameStart, i - nameStart));
    const bool row = InList(name, {"tr", "td", "th", "b", "strong", "i", "em", "u", "pre", "br", "font", "span",
                                   "p", "div", "small", "big", "center", "nobr"});
    const bool frame = page && InList(name, {"html", "head", "title", "body", "table"});
    if (name.empty() || (!row && !frame)) return {};
    if (closing) return "</" + name + ">";
    std::string out = "<" + name;
    while (i < tag.size()) {
        while (i < tag.size() && (std::isspace(static_cast<unsigned char>(tag[i])) || tag[i] == '/')) ++i;
        const size_t a = i;
        while (i < tag.size() && (IsNameChar(tag[i]) || tag[i] == '-')) ++i;
        if (i == a) {
            ++i;  // a stray character: skipped
            continue;
        }
        const std::string attr = Lower(tag.substr(a, i - a));
        std::string value;
        bool hasValue = false;
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
        if (i < tag.size() && tag[i] == '=') {
            hasValue = true;
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char q = tag[i++];
                const size_t end = tag.find(q, i);
                value = std::string(tag.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
                i = end == std::string_view::npos ? tag.size() : end + 1;
            } else {
                const size_t v = i;
                while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
                value = std::string(tag.substr(v, i - v));
            }
        }
        if (!InList(attr, {"bgcolor", "color", "class", "face", "size", "align", "valign", "width", "border",
                           "colspan", "cellpadding", "cellspacing", "nowrap"}))
            continue;
        if (!hasValue) {
            out += " " + attr;
        } else if (PlainValue(value)) {
            out += " " + attr + "=\"" + value + "\"";
        }
    }
    return out + ">";
}

}  // namespace

std::string SafeLogMarkup(std::string_view html, bool page) {
    std::string out;
    out.reserve(html.size());
    size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '>') {
            out += "&gt;";
            ++i;
            continue;
        }
        if (c != '<') {
            out += c;
            ++i;
            continue;
        }
        // The tag's end, quotes respected: a '>' inside a value ends nothing.
        size_t j = i + 1;
        char quote = 0;
        while (j < html.size() && (quote || html[j] != '>')) {
            if (quote && html[j] == quote) quote = 0;
            else if (!quote && (html[j] == '"' || html[j] == '\'')) quote = html[j];
            ++j;
        }
        if (j >= html.size()) {
            out += core::EscapeMarkup(html.substr(i));
            break;
        }
        const std::string_view inner = html.substr(i + 1, j - i - 1);
        const std::string tag = SafeTag(inner, page);
        out += tag.empty() ? core::EscapeMarkup(html.substr(i, j - i + 1)) : tag;
        i = j + 1;
    }
    return out;
}

std::string GoalLogPage(const GoalLogTemplates& t, const std::vector<std::string>& logRows) {
    std::string out = SafeLogMarkup(t.begin, true);
    for (size_t i = 0; i < logRows.size(); ++i) {
        if (i) out += "\n";
        out += SafeLogMarkup(logRows[i]);
    }
    return out + SafeLogMarkup(t.end, true);
}

void WriteGoalLogPage(const std::filesystem::path& file, const GoalLogTemplates& t,
                      const std::vector<std::string>& logRows) {
    core::WriteFileAtomic(file, GoalLogPage(t, logRows));
}

std::filesystem::path SoundFile(const core::IniFile& settings, LiveSound sound, const std::filesystem::path& soundDir) {
    static constexpr std::array<std::pair<const char*, const char*>, 5> kKeys{{{"GoalUp", "good.wav"},
                                                                               {"GoalDown", "bad.wav"},
                                                                               {"GoalSame", "same.wav"},
                                                                               {"GoalAll", "all.wav"},
                                                                               {"GameEnd", "end.wav"}}};
    const auto& [key, def] = kKeys[static_cast<size_t>(sound)];
    const std::string value = settings.ReadString("Sounds", key, def);
    std::error_code ec;
    std::filesystem::path p = value;
    if (value.empty() || !std::filesystem::is_regular_file(p, ec)) p = soundDir / value;
    if (value.empty() || !std::filesystem::is_regular_file(p, ec)) return {};
    return p;
}

}  // namespace vinra::checking
