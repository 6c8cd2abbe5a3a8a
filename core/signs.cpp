#include "core/signs.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>

#include "core/row_list.h"
#include "core/text.h"

namespace vinra::core {
namespace {

DisplaySigns& CurrentSigns() {
    static DisplaySigns signs;
    return signs;
}

// Case-insensitive replace-all of ASCII text.
std::string ReplaceAllNoCase(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    const std::string hay = ToUpperAscii(text);
    const std::string needle = ToUpperAscii(what);
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t f = hay.find(needle, pos);
        if (f == std::string::npos) break;
        out.append(text.substr(pos, f - pos));
        out.append(with);
        pos = f + needle.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace

const DisplaySigns& CurrentDisplaySigns() { return CurrentSigns(); }
void SetCurrentDisplaySigns(const DisplaySigns& signs) { CurrentSigns() = signs; }

std::string SignsToDisplay(std::string_view codes, const DisplaySigns& signs) {
    std::string out;
    out.reserve(codes.size());
    for (char c : codes) {
        switch (c) {
            case '0': out += signs.home; break;
            case '1': out += signs.draw; break;
            case '2': out += signs.away; break;
            default: out += '-';
        }
    }
    return out;
}

std::string DisplayToSigns(std::string_view text, const DisplaySigns& signs) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const std::string_view ch(&c, 1);
        if (ch == signs.home) out += '0';
        else if (ch == signs.draw) out += '1';
        else if (ch == signs.away) out += '2';
        else out += '-';
    }
    return out;
}

std::string ReplaceSigns(std::string_view text, bool toDisplay, const DisplaySigns& signs) {
    std::string s(text);
    if (toDisplay) {
        s = ReplaceAllNoCase(s, "2", signs.away);
        s = ReplaceAllNoCase(s, "1", signs.draw);
        s = ReplaceAllNoCase(s, "0", signs.home);
    } else {
        s = ReplaceAllNoCase(s, signs.home, "0");
        s = ReplaceAllNoCase(s, signs.draw, "1");
        s = ReplaceAllNoCase(s, signs.away, "2");
    }
    return s;
}

std::string KeepChars(std::string_view text, std::string_view allowed) {
    const std::string up = ToUpperAscii(text);
    const std::string allowedUp = ToUpperAscii(allowed);
    std::string out;
    for (char c : up)
        if (allowedUp.find(c) != std::string::npos) out += c;
    return out;
}

int MarkedCount(std::string_view entry) {
    int n = 0;
    for (char c : entry)
        if (c != ' ') ++n;
    return n;
}

std::string EntrySigns(std::string_view entry) {
    size_t b = 0, e = entry.size();
    while (b < e && entry[b] == ' ') ++b;
    while (e > b && entry[e - 1] == ' ') --e;
    std::string s(entry.substr(b, e - b));
    auto inner = s.find(' ');
    if (inner != std::string::npos) s.erase(inner, 1);
    return s;
}

uint64_t MathRowCount(const std::vector<std::string>& frame) {
    uint64_t count = 1;
    for (const auto& entry : frame) {
        const int k = MarkedCount(entry);
        if (k > 1) count *= static_cast<uint64_t>(k);
    }
    return count;
}

bool FrameComplete(const std::vector<std::string>& frame) {
    for (const auto& entry : frame)
        if (MarkedCount(entry) == 0) return false;
    return true;
}

std::vector<std::string> FrameFromRows(const std::vector<std::string>& rows, int n) {
    std::vector<std::string> frame(static_cast<size_t>(n < 0 ? 0 : n), "   ");
    for (const auto& row : rows) {
        for (int i = 0; i < n && i < static_cast<int>(row.size()); ++i) {
            const char c = row[i];
            if (c >= '0' && c <= '2') frame[i][c - '0'] = c;
        }
    }
    return frame;
}

std::vector<std::string> FrameFromRowList(const RowList& rows, int n) {
    if (!rows.IsPacked()) return FrameFromRows(rows.Strings(), n);
    const int width = std::min(n, rows.Width());
    std::array<unsigned, kMaxMatches> seen{};
    for (const PackedRow p : rows.Words())
        for (int i = 0; i < width; ++i) seen[static_cast<size_t>(i)] |= 1u << PackedSign(p, i);
    std::vector<std::string> frame(static_cast<size_t>(n < 0 ? 0 : n), "   ");
    for (int i = 0; i < width; ++i)
        for (int s = 0; s < 3; ++s)
            if (seen[static_cast<size_t>(i)] & (1u << s))
                frame[static_cast<size_t>(i)][static_cast<size_t>(s)] = static_cast<char>('0' + s);
    return frame;
}

FrameCounts CountFrame(const std::vector<std::string>& frame) {
    FrameCounts counts;
    for (const auto& entry : frame) {
        switch (EntrySigns(entry).size()) {
            case 1: ++counts.singles; break;
            case 2: ++counts.doubles; break;
            case 3: ++counts.triples; break;
            default: break;
        }
    }
    return counts;
}

bool IsRow(std::string_view s, size_t n) {
    if (s.size() != n) return false;
    for (char c : s)
        if (c < '0' || c > '2') return false;
    return true;
}

std::string RoundOfDate(int year, int month, int day) {
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                        std::chrono::day{static_cast<unsigned>(day)}};
    // Move to the Thursday of the Monday-to-Sunday week.
    const unsigned iso = weekday{date}.iso_encoding();  // Monday 1 .. Sunday 7
    const sys_days thursday = date + days{4 - static_cast<int>(iso)};
    const year_month_day ymd{thursday};
    const int y = static_cast<int>(ymd.year());
    const sys_days jan1{ymd.year() / January / 1};
    const int week = (thursday - jan1).count() / 7 + 1;
    const int value = y * 100 + week;
    std::string digits = std::to_string(value);
    return digits.substr(0, 4) + "-" + digits.substr(4);
}

std::string RoundOfToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return RoundOfDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int64_t RoundNumber(std::string_view omg) {
    int64_t v = 0;
    bool any = false;
    for (char c : omg) {
        if (c >= '0' && c <= '9') {
            if (v > 100000000000000LL) break;
            v = v * 10 + (c - '0');
            any = true;
        }
    }
    return any ? v : 0;
}

std::string GroupDigits(std::string_view numberText) {
    std::string_view intPart = numberText;
    std::string fraction;
    auto comma = numberText.find(',');
    if (comma != std::string_view::npos) {
        intPart = numberText.substr(0, comma);
        fraction = std::string(numberText.substr(comma, 3));
        // One "0" only: ",5" becomes ",50" and a bare "," becomes ",0".
        if (fraction.size() < 3) fraction += '0';
    }
    std::string sign;
    if (!intPart.empty() && (intPart[0] == '-' || intPart[0] == '+')) {
        if (intPart[0] == '-') sign = "-";
        intPart.remove_prefix(1);
    }
    std::string grouped;
    const size_t len = intPart.size();
    for (size_t i = 0; i < len; ++i) {
        if (i > 0 && (len - i) % 3 == 0) grouped += ' ';
        grouped += intPart[i];
    }
    std::string out(Trim(sign + grouped));
    return out + fraction;
}

std::string GroupDigits(int64_t value) { return GroupDigits(std::to_string(value)); }

std::string FormatAmount(int64_t hundredths) {
    const bool negative = hundredths < 0;
    const uint64_t abs = negative ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
    std::string text = (negative ? "-" : "") + std::to_string(abs / 100) + "," + (abs % 100 < 10 ? "0" : "") +
                       std::to_string(abs % 100);
    return GroupDigits(text);
}

}  // namespace vinra::core
