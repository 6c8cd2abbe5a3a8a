#include "core/messages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <mutex>
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

constexpr int kLanguages = 5;

// The messages of one language (column l + 1 of the table), keyed by number.
// Each language is read on its first use: a command that speaks English
// never builds the other four, and none is built before a text is asked for.
const std::unordered_map<int, std::string>& LanguageTable(int l) {
    static std::array<std::once_flag, kLanguages> once;
    static std::array<std::unordered_map<int, std::string>, kLanguages> tables;
    std::call_once(once[static_cast<size_t>(l)], [l] {
        auto& t = tables[static_cast<size_t>(l)];
        const std::string_view tsv(reinterpret_cast<const char*>(kVinraMessagesTsv), kVinraMessagesTsvSize);
        // Lines as SplitLines cuts them (CR LF, LF or CR), read in place.
        size_t start = 0;
        while (start < tsv.size()) {
            size_t end = tsv.find_first_of("\r\n", start);
            if (end == std::string_view::npos) end = tsv.size();
            const std::string_view line = tsv.substr(start, end - start);
            start = end + (tsv.compare(end, 2, "\r\n") == 0 ? 2 : 1);
            if (line.empty() || line[0] == '#') continue;
            const size_t tab = line.find('\t');
            const auto number = ParseInteger(line.substr(0, tab));
            if (!number || *number < 1 || *number >= 10000 || tab == std::string_view::npos) continue;
            size_t from = tab + 1;
            for (int c = 0; c < l && from != std::string_view::npos; ++c) {
                const size_t next = line.find('\t', from);
                from = next == std::string_view::npos ? next : next + 1;
            }
            if (from == std::string_view::npos) continue;
            const size_t to = line.find('\t', from);
            const std::string text = Unescape(line.substr(from, to == std::string_view::npos ? to : to - from));
            if (!text.empty()) t[static_cast<int>(*number)] = text;
        }
    });
    return tables[static_cast<size_t>(l)];
}

// The text of key base + n (language l at base l * 10000); null when there is none.
const std::string* Find(int key) {
    if (key < 0 || key / 10000 >= kLanguages) return nullptr;
    const auto& table = LanguageTable(key / 10000);
    const auto it = table.find(key % 10000);
    return it == table.end() ? nullptr : &it->second;
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
    const std::string* text = Find(base + n);
    return text ? *text : std::string();
}

std::string Msg(int n) { return MsgIn(CurrentLanguage(), n); }

bool HasMsg(int base, int n) { return Find(base + n) != nullptr; }

std::vector<int> MessageNumbers() {
    std::vector<int> out;
    for (int l = 0; l < kLanguages; ++l)
        for (auto& [number, text] : LanguageTable(l)) out.push_back(number);
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
