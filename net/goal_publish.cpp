#include "net/goal_publish.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/text.h"
#include "net/upload.h"

namespace vinra::net {

namespace {

// Decodes one UTF-8 code point; a byte that does not start valid UTF-8 is
// taken as Windows-1252 would show it (here: as its Latin-1 value).
char32_t Next(std::string_view s, size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    auto cont = [&](size_t k) { return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
    if (b < 0x80) {
        ++i;
        return b;
    }
    if ((b & 0xE0) == 0xC0 && b >= 0xC2 && cont(1)) {
        const char32_t cp = (b & 0x1F) << 6 | (s[i + 1] & 0x3F);
        i += 2;
        return cp;
    }
    if ((b & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        const char32_t cp = (b & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
        if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
            i += 3;
            return cp;
        }
    }
    if ((b & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
        const char32_t cp = (b & 0x07) << 18 | (s[i + 1] & 0x3F) << 12 | (s[i + 2] & 0x3F) << 6 | (s[i + 3] & 0x3F);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            i += 4;
            return cp;
        }
    }
    ++i;
    return b;
}

std::string Esc(std::string_view text) { return ToLatin1Xml(EncodeEntities(text)); }

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
    for (size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size()) s.replace(p, from.size(), to);
    return s;
}

// The first `limit` characters of escaped ASCII text, never ending inside an entity.
std::string CutAtEntity(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    const size_t amp = text.rfind('&', cut - 1);
    if (amp != std::string::npos) {
        const size_t semi = text.find(';', amp);
        if (semi == std::string::npos || semi >= cut) cut = amp;  // the entity would be split
    }
    return text.substr(0, cut);
}

std::string SignOf(char code, const core::DisplaySigns& s) {
    return code == '0' ? s.home : code == '1' ? s.draw : code == '2' ? s.away : std::string("-");
}

}  // namespace

std::string ToLatin1Xml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = Next(utf8, i);
        if (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') continue;
        if (cp >= 0x7F && cp < 0xA0) continue;  // C1 controls: not text
        if (cp <= 0xFF) out += static_cast<char>(cp);
        else out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
    }
    return out;
}

std::string PublishXml(const core::TVinraFile& doc, const GoalPublication& p, const core::DisplaySigns& signs) {
    const int n = std::clamp(doc.MatchCount, 0, core::kMaxMatches);
    const size_t best = std::min<size_t>(p.bestRows.size(), 10);
    auto at = [](const std::vector<std::string>& v, size_t i) { return i < v.size() ? v[i] : std::string(); };
    std::string x =
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><?xml-stylesheet type=\"text/xsl\" href=\"goalservice.xsl\"?>"
        "<goalservice><productname>" +
        Esc(doc.Pool) + "</productname><round>" + Esc(doc.Omg) + "</round><bannerid>" + std::to_string(p.bannerId) +
        "</bannerid><lastupdate>" + Esc(p.now) + "</lastupdate><rows>" + std::to_string(doc.Rader.size()) +
        "</rows><games>";
    for (int i = 0; i < n; ++i) {
        const std::string frame = i < static_cast<int>(doc.Grundrad.size()) ? doc.Grundrad[i] : std::string();
        auto has = [&](char c, const std::string& shown) {
            return frame.find(c) != std::string::npos ? Esc(shown) : std::string();
        };
        x += "<match><no>" + std::to_string(i + 1) + "</no><home>" + Esc(at(p.homes, i)) + "</home><away>" +
             Esc(at(p.aways, i)) + "</away><tkn1>" + has('0', signs.home) + "</tkn1><tknx>" + has('1', signs.draw) +
             "</tknx><tkn2>" + has('2', signs.away) + "</tkn2><goals>" + std::to_string(doc.HGoal[i]) + " - " +
             std::to_string(doc.AGoal[i]) + "</goals><result>" +
             Esc(i < static_cast<int>(doc.Facit.size()) ? SignOf(doc.Facit[i], signs) : std::string("-")) +
             "</result><status>" + Esc(at(p.marks, i)) + "</status><bestrows>";
        for (size_t b = 0; b < best; ++b)
            x += "<tkn>" +
                 Esc(i < static_cast<int>(p.bestRows[b].codes.size()) ? SignOf(p.bestRows[b].codes[i], signs)
                                                                      : std::string("-")) +
                 "</tkn>";
        x += "</bestrows></match>";
    }
    x += "<summary><rights>";
    for (size_t b = 0; b < best; ++b) x += "<res>" + std::to_string(p.bestRows[b].right) + "</res>";
    x += "</rights><goalsleft>";
    for (size_t b = 0; b < best; ++b) x += "<num>" + std::to_string(p.bestRows[b].goalsNeeded) + "</num>";
    x += "</goalsleft></summary></games><result>";
    for (int g = 1; g <= 4; ++g) {
        const int k = n - g + 1;
        const int64_t count = k >= 0 && k < static_cast<int>(p.counts.size()) ? p.counts[k] : 0;
        const int64_t value = static_cast<int64_t>(std::llround(static_cast<double>(p.winAmount[g - 1]) / 10000.0));
        x += "<win><rights>" + std::to_string(k) + "</rights><number>" + std::to_string(count) + "</number><value>" +
             std::to_string(value) + "</value><sum>" + std::to_string(value * count) + "</sum></win>";
    }
    const std::string comment = CutAtEntity(Esc(ReplaceAll(doc.Comment, "*13*", "<br/>")), kMaxPublishedComment);
    x += "</result><comment>" + comment + "</comment></goalservice>";
    return ReplaceAll(x, "-1 - -1", "x - x");
}

std::string PublishId(const core::TVinraFile& doc, std::string_view userName, std::string_view systemFileName) {
    auto keep = [](std::string_view s) {
        std::string out;
        for (char c : s)
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                c == '.')
                out += c;
        return out;
    };
    std::string file = keep(std::filesystem::path(std::string(systemFileName)).filename().string());
    file = file.size() > 4 ? file.substr(0, file.size() - 4) : std::string();
    return keep(doc.Typ) + std::to_string(doc.OmgID) + "_" + keep(userName) + "_" + file;
}

}  // namespace vinra::net
