#include "core/messages.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <unordered_map>

#include <fmt/format.h>

#include "core/ini.h"
#include "core/text.h"

// Generated at build time from resources/messages.tsv.
extern const unsigned char kVinraMessagesTsv[];
extern const unsigned long kVinraMessagesTsvSize;

namespace vinra::core {
namespace {

std::atomic<int> g_language{10000};

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = [] {
        std::unordered_map<int, std::string> t;
        for (auto& row : ParseMessageTable(
                 std::string_view(reinterpret_cast<const char*>(kVinraMessagesTsv), kVinraMessagesTsvSize)))
            for (int l = 0; l < 5; ++l)
                if (!row.texts[l].empty()) t[l * 10000 + row.number] = std::move(row.texts[l]);
        return t;
    }();
    return table;
}

}  // namespace

std::vector<MessageRow> ParseMessageTable(std::string_view tsv) {
    std::vector<MessageRow> rows;
    for (const auto& line : SplitLines(tsv)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string_view> cols;
        size_t start = 0;
        std::string_view l(line);
        while (true) {
            size_t tab = l.find('\t', start);
            cols.push_back(l.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
            if (tab == std::string_view::npos) break;
            start = tab + 1;
        }
        auto number = ParseInteger(cols[0]);
        if (!number || *number < 1 || *number >= 10000) continue;
        MessageRow row;
        row.number = static_cast<int>(*number);
        for (size_t c = 1; c < cols.size() && c <= 5; ++c) row.texts[c - 1] = Unescape(cols[c]);
        rows.push_back(std::move(row));
    }
    return rows;
}

int CurrentLanguage() { return g_language.load(); }
void SetCurrentLanguage(int base) { g_language.store(base); }

std::string MsgIn(int base, int n) {
    auto it = Table().find(base + n);
    return it == Table().end() ? std::string() : it->second;
}

std::string Msg(int n) { return MsgIn(CurrentLanguage(), n); }

bool HasMsg(int base, int n) { return Table().count(base + n) != 0; }

std::vector<int> MessageNumbers() {
    std::vector<int> out;
    for (auto& [key, text] : Table())
        if (key < 10000 || (key % 10000) != 0) out.push_back(key % 10000);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::string FormatMsg(std::string_view text, const std::vector<MsgArg>& args) {
    std::string out;
    size_t next = 0;
    auto take = [&]() -> const MsgArg* { return next < args.size() ? &args[next++] : nullptr; };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        size_t j = i + 1;
        if (text[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        int decimals = 2;
        if (text[j] == '.' && j + 2 < text.size() && text[j + 1] >= '0' && text[j + 1] <= '9') {
            decimals = text[j + 1] - '0';
            j += 2;
        }
        const char conv = text[j];
        if (conv != 's' && conv != 'd' && conv != 'f') {
            out += text[i];
            continue;
        }
        i = j;
        const MsgArg* a = take();
        if (!a) continue;
        if (conv == 'f') {
            double v = std::holds_alternative<double>(*a)      ? std::get<double>(*a)
                       : std::holds_alternative<long long>(*a) ? static_cast<double>(std::get<long long>(*a))
                                                               : ParseFloat(std::get<std::string>(*a)).value_or(0.0);
            std::string s = fmt::format("{:.{}f}", v, decimals);
            std::replace(s.begin(), s.end(), '.', ',');
            out += s;
        } else if (conv == 'd') {
            if (std::holds_alternative<long long>(*a)) out += std::to_string(std::get<long long>(*a));
            else if (std::holds_alternative<double>(*a)) out += std::to_string(std::llround(std::get<double>(*a)));
            else out += std::get<std::string>(*a);
        } else {
            if (std::holds_alternative<std::string>(*a)) out += std::get<std::string>(*a);
            else if (std::holds_alternative<long long>(*a)) out += std::to_string(std::get<long long>(*a));
            else out += FormatFloat(std::get<double>(*a));
        }
    }
    return out;
}

}  // namespace vinra::core
