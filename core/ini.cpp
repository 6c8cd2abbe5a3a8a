#include "core/ini.h"

#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "core/ini_names.h"
#include "core/messages.h"
#include "core/text.h"

namespace vinra::core {

std::string FormatFloat(double value) {
    if (std::isnan(value) || std::isinf(value)) return "0";
    std::string s = fmt::format("{:.15g}", value);
    if (s == "-0") s = "0";
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    int64_t v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<double> ParseFloat(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::string s(text);
    for (char& c : s)
        if (c == ',') c = '.';
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

namespace {

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

bool IniKeyReadsBack(std::string_view key) {
    if (key.empty() || Trim(key) != key || HasLineBreak(key)) return false;
    if (key.find('=') != std::string_view::npos) return false;
    return key.front() != '[' && key.front() != ';' && key.front() != '#';
}

bool IniSectionReadsBack(std::string_view section) {
    return Trim(section) == section && !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

IniFile IniFile::FromText(std::string_view text) {
    IniFile ini;
    ini.sections_.push_back(Section{});  // lines before the first header
    for (auto& raw : SplitLines(text)) {
        std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[') {
            auto close = t.find(']');
            if (close != std::string_view::npos) {
                Section s;
                s.name = std::string(Trim(t.substr(1, close - 1)));
                s.header = raw;
                const std::string lower = ToLowerAscii(s.name);
                ini.sections_.push_back(std::move(s));
                ini.sectionIndex_.emplace(lower, ini.sections_.size() - 1);
                continue;
            }
        }
        Section& cur = ini.sections_.back();
        Line line;
        line.text = raw;
        auto eq = t.find('=');
        if (!t.empty() && t.front() != ';' && t.front() != '#' && eq != std::string_view::npos && eq > 0) {
            line.isKey = true;
            line.key = std::string(Trim(t.substr(0, eq)));
            line.value = std::string(Trim(t.substr(eq + 1)));
            cur.index.emplace(ToLowerAscii(line.key), cur.lines.size());
        }
        cur.lines.push_back(std::move(line));
    }
    return ini;
}

IniFile IniFile::FromFile(const std::filesystem::path& path) { return FromText(DecodeFileText(ReadFileBytes(path))); }

std::string IniFile::ToText() const {
    std::string out;
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i > 0) {
            out += s.header.empty() ? "[" + s.name + "]" : s.header;
            out += "\r\n";
        }
        for (const Line& l : s.lines) {
            out += l.text;
            out += "\r\n";
        }
    }
    return out;
}

void IniFile::SaveToFile(const std::filesystem::path& path) const { WriteFileAtomic(path, EncodeFileText(ToText())); }

const IniFile::Section* IniFile::findSection(std::string_view name) const {
    auto it = sectionIndex_.find(ToLowerAscii(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniFile::Section* IniFile::findSection(std::string_view name) {
    auto it = sectionIndex_.find(ToLowerAscii(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniFile::Section& IniFile::sectionForWrite(std::string_view name) {
    if (Section* s = findSection(name)) return *s;
    if (sections_.empty()) sections_.push_back(Section{});
    // Keep one empty line between the previous section and the new one.
    Section& last = sections_.back();
    if ((sections_.size() > 1 || !last.lines.empty()) && (last.lines.empty() || !Trim(last.lines.back().text).empty()))
        last.lines.push_back(Line{});
    Section s;
    s.name = std::string(name);
    s.header = "[" + s.name + "]";
    sections_.push_back(std::move(s));
    sectionIndex_.emplace(ToLowerAscii(name), sections_.size() - 1);
    return sections_.back();
}

const IniFile::Line* IniFile::findLine(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s) return nullptr;
    auto it = s->index.find(ToLowerAscii(key));
    return it == s->index.end() ? nullptr : &s->lines[it->second];
}

bool IniFile::HasSection(std::string_view section) const { return findSection(section) != nullptr; }

bool IniFile::HasKey(std::string_view section, std::string_view key) const { return findLine(section, key) != nullptr; }

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const Line* l = findLine(section, key);
    if (!l) return std::nullopt;
    return l->value;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const Line* l = findLine(section, key);
    return l ? l->value : std::string(def);
}

int64_t IniFile::ReadInteger(std::string_view section, std::string_view key, int64_t def) const {
    const Line* l = findLine(section, key);
    if (!l) return def;
    return ParseInteger(l->value).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    const Line* l = findLine(section, key);
    if (!l) return def;
    auto v = ParseInteger(l->value);
    return v ? *v != 0 : def;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
    const Line* l = findLine(section, key);
    if (!l) return def;
    return ParseFloat(l->value).value_or(def);
}

// A name that would not read back is refused (IniNameError) before anything changes.
// The name often comes from downloaded data, and the refusal ends in a message box.
constexpr int kMsgBadSection = 4110;  // "\"%s\" cannot be written as a section of an INI file"
constexpr int kMsgBadKey = 4111;      // "\"%s\" cannot be written as a key of an INI file"

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IniSectionReadsBack(section)) throw IniNameError(FormatMsg(Msg(kMsgBadSection), {std::string(section)}));
    if (!IniKeyReadsBack(key)) throw IniNameError(FormatMsg(Msg(kMsgBadKey), {std::string(key)}));
    std::string v(Trim(ReplaceLineBreaks(value, " ")));
    Section& s = sectionForWrite(section);
    auto it = s.index.find(ToLowerAscii(key));
    if (it != s.index.end()) {
        Line& l = s.lines[it->second];
        l.value = v;
        l.text = l.key + "=" + v;
        return;
    }
    Line l;
    l.isKey = true;
    l.key = std::string(key);
    l.value = v;
    l.text = l.key + "=" + v;
    // New keys go after the last key line of the section (before trailing blank lines).
    size_t pos = s.lines.size();
    while (pos > 0 && Trim(s.lines[pos - 1].text).empty()) --pos;
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(pos), std::move(l));
    if (pos != s.lines.size() - 1) {
        s.index.clear();
        for (size_t i = 0; i < s.lines.size(); ++i)
            if (s.lines[i].isKey) s.index.emplace(ToLowerAscii(s.lines[i].key), i);
    } else {
        s.index.emplace(ToLowerAscii(key), pos);
    }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FormatFloat(value));
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = findSection(section);
    if (!s) return;
    const std::string lower = ToLowerAscii(key);
    std::erase_if(s->lines, [&](const Line& l) { return l.isKey && ToLowerAscii(l.key) == lower; });
    s->index.clear();
    for (size_t i = 0; i < s->lines.size(); ++i)
        if (s->lines[i].isKey) s->index.emplace(ToLowerAscii(s->lines[i].key), i);
}

void IniFile::EraseSection(std::string_view section) {
    const std::string lower = ToLowerAscii(section);
    std::vector<Section> kept;
    for (size_t i = 0; i < sections_.size(); ++i)
        if (i == 0 || ToLowerAscii(sections_[i].name) != lower) kept.push_back(std::move(sections_[i]));
    sections_ = std::move(kept);
    sectionIndex_.clear();
    for (size_t i = 1; i < sections_.size(); ++i) sectionIndex_.emplace(ToLowerAscii(sections_[i].name), i);
}

std::vector<std::string> IniFile::Sections() const {
    std::vector<std::string> out;
    for (size_t i = 1; i < sections_.size(); ++i) {
        auto it = sectionIndex_.find(ToLowerAscii(sections_[i].name));
        if (it != sectionIndex_.end() && it->second == i) out.push_back(sections_[i].name);
    }
    return out;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> out;
    const Section* s = findSection(section);
    if (!s) return out;
    for (size_t i = 0; i < s->lines.size(); ++i) {
        const Line& l = s->lines[i];
        if (!l.isKey) continue;
        auto it = s->index.find(ToLowerAscii(l.key));
        if (it != s->index.end() && it->second == i) out.push_back(l.key);
    }
    return out;
}

}  // namespace vinra::core
