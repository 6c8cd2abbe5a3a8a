#include "output/protocol.h"

#include <algorithm>
#include <cmath>

#include "core/messages.h"
#include "core/text.h"
#include "output/coupon_print.h"

namespace vinra::output {

namespace {

using core::Msg;

constexpr int kMsgNoSystem = 4030;  // "No system to print."

// The page box and the grid of the page, in inches.
constexpr double kLeft = 1.0;
constexpr double kRight = 7.5;
constexpr double kTop = 0.45;
constexpr double kBottom = 11.0;  // the footer lies below
constexpr double kLine = 0.2;     // one match line
constexpr double kSmallLine = 0.17;

FontSpec Font(const char* name, double size, bool bold = false, bool italic = false) {
    FontSpec f;
    f.name = name;
    f.size = size;
    f.bold = bold;
    f.italic = italic;
    return f;
}
const FontSpec kArial10 = Font("Arial", 10);
const FontSpec kArial40B = Font("Arial", 40, true);
const FontSpec kArial18B = Font("Arial", 18, true);
const FontSpec kArial10BI = Font("Arial", 10, true, true);
const FontSpec kArial10I = Font("Arial", 10, false, true);
const FontSpec kArial10B = Font("Arial", 10, true);
const FontSpec kArial8 = Font("Arial", 8);
const FontSpec kArial8I = Font("Arial", 8, false, true);
const FontSpec kTimes10 = Font("Times New Roman", 10);

constexpr uint32_t kLightGrey = 0xD7D7D7;  // RGB 215, 215, 215

// Roughly how wide a text of n characters is at a font size: enough to keep
// long names and comment lines inside their boxes without the printer's metrics.
double ApproxWidth(size_t chars, double points, bool bold) {
    return static_cast<double>(chars) * points / 72.0 * (bold ? 0.62 : 0.55);
}

size_t Utf8Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// Splits text into lines of at most `width` characters, at blanks where possible.
std::vector<std::string> Wrap(const std::string& text, size_t width) {
    std::vector<std::string> out;
    for (const std::string& para : core::SplitLines(text)) {
        std::string line;
        size_t lineLen = 0;
        size_t pos = 0;
        bool any = false;
        while (pos <= para.size()) {
            size_t next = para.find(' ', pos);
            if (next == std::string::npos) next = para.size();
            std::string word = para.substr(pos, next - pos);
            pos = next + 1;
            const size_t wl = Utf8Length(word);
            if (lineLen > 0 && lineLen + 1 + wl > width) {
                out.push_back(line);
                line.clear();
                lineLen = 0;
            }
            if (lineLen > 0) {
                line += ' ';
                ++lineLen;
            }
            line += word;
            lineLen += wl;
            any = true;
            // A single word longer than the line is cut into pieces.
            while (lineLen > width) {
                size_t bytes = 0, chars = 0;
                while (bytes < line.size() && chars < width) {
                    ++bytes;
                    while (bytes < line.size() && (static_cast<unsigned char>(line[bytes]) & 0xC0) == 0x80) ++bytes;
                    ++chars;
                }
                out.push_back(line.substr(0, bytes));
                line.erase(0, bytes);
                lineLen = Utf8Length(line);
            }
        }
        if (any) out.push_back(line);
    }
    return out;
}

// The page cursor: a block that does not fit starts a new page.
class Writer {
public:
    Writer(PageComposer& c, const std::string& footer) : c_(c), footer_(footer) { writeFooter(); }
    PageComposer& c() { return c_; }
    double y = kTop;
    void Need(double h) {
        if (y + h <= kBottom) return;
        c_.NewPage();
        writeFooter();
        y = kTop;
    }

private:
    void writeFooter() {
        const FontSpec keep = c_.font();
        c_.SetFont(kArial8I);
        c_.Footer(footer_);
        c_.SetFont(keep);
    }
    PageComposer& c_;
    std::string footer_;
};

std::string SignText(char code, const core::DisplaySigns& s) {
    switch (code) {
        case '0': return s.home;
        case '1': return s.draw;
        case '2': return s.away;
        default: return "-";
    }
}

std::string Num(long long v) { return std::to_string(v); }

void Header(Writer& w, const ProtocolInput& in) {
    PageComposer& c = w.c();
    const core::TVinraFile& doc = *in.doc;
    std::error_code ec;
    if (!in.poolLogo.empty() && std::filesystem::is_regular_file(in.poolLogo, ec))
        c.Picture(in.poolLogo.string(), kLeft, kTop, 1.5, 0.5);
    c.Picture((in.picturesFolder / "kicker.png").string(), 6.35, kTop - 0.1, 0.5, 0.55);
    c.Picture((in.picturesFolder / "kicker_mirror.png").string(), 7.0, kTop - 0.1, 0.5, 0.55);

    const double boxY = kTop + 0.55, boxH = 0.85;
    c.FillRect(kLeft, boxY, kRight - kLeft, boxH, kLightGrey);
    c.Picture((in.picturesFolder / "kicker_grey.png").string(), kLeft + 0.08, boxY + 0.08, 0.55, boxH - 0.16);

    // The pool name in 40 points; a long name is set smaller so that it stays in the box.
    const double nameX = kLeft + 0.7, nameW = 4.1;
    FontSpec title = kArial40B;
    const double need = ApproxWidth(Utf8Length(doc.Pool), title.size, true);
    if (need > nameW) title.size = std::max(16.0, std::floor(title.size * nameW / need));
    c.SetFont(title);
    c.TextInBox(boxY + (boxH - title.size / 72.0 * 1.15) / 2, nameX, nameW, Align::Centre, doc.Pool);

    c.SetFont(kArial18B);
    const std::string week = doc.Omg.size() >= 7 ? doc.Omg.substr(5, 2) : "";
    const std::string year = doc.Omg.substr(0, std::min<size_t>(4, doc.Omg.size()));
    c.TextInBox(boxY + 0.12, nameX + nameW, kRight - nameX - nameW - 0.1, Align::Right, Msg(423) + week);
    c.TextInBox(boxY + 0.42, nameX + nameW, kRight - nameX - nameW - 0.1, Align::Right, year);
    w.y = boxY + boxH + 0.15;
}

void MatchTable(Writer& w, const ProtocolInput& in) {
    PageComposer& c = w.c();
    const core::TVinraFile& doc = *in.doc;
    const int n = std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches);
    const auto& s = in.signs;
    const std::string signText[3] = {s.home, s.draw, s.away};

    // Columns: the match text, three groups of 1/X/2 and two score columns.
    const double textW = 2.95;
    const double cell = 0.22;
    const double g1 = kLeft + textW + 0.05, g2 = g1 + 3 * cell + 0.1, g3 = g2 + 3 * cell + 0.1;
    const double sc1 = g3 + 3 * cell + 0.12, scW = (kRight - sc1 - 0.04) / 2, sc2 = sc1 + scW + 0.04;
    const double groups[3] = {g1, g2, g3};

    const double headH = 2 * kLine;
    w.Need(headH + std::min(n, 6) * kLine);
    double top = w.y;
    c.SetFont(kArial8);
    c.TextInBox(top, g2, 3 * cell, Align::Centre, Msg(425));
    c.TextInBox(top, g3, 3 * cell, Align::Centre, Msg(426));
    c.TextInBox(top + kLine, sc1, scW, Align::Centre, Msg(425));
    c.TextInBox(top + kLine, sc2, scW, Align::Centre, Msg(427));
    c.SetFont(kArial10B);
    for (double g : groups)
        for (int k = 0; k < 3; ++k) c.TextInBox(top + kLine, g + k * cell, cell, Align::Centre, signText[k]);

    double y = top + headH;
    double boxTop = y;
    auto frameLines = [&](double from, double to) {
        c.RoundBox(kLeft, from, kRight - kLeft, to - from, 1.0);
        for (double g : groups) {
            for (int k = 0; k <= 3; ++k) c.Line(g + k * cell, from, g + k * cell, to, k == 0 || k == 3 ? 1.0 : 0.5);
        }
        c.Line(sc1, from, sc1, to, 1.0);
        c.Line(sc2, from, sc2, to, 1.0);
    };
    for (int m = 1; m <= n; ++m) {
        if (y + kLine > kBottom) {  // only for very long rounds
            frameLines(boxTop, y);
            c.NewPage();
            y = boxTop = kTop;
        }
        std::string label = m - 1 < static_cast<int>(in.matchLabels.size()) ? in.matchLabels[m - 1] : "";
        if (in.printUpperCase) label = ProtocolUpperCase(label);
        c.SetFont(kTimes10);
        c.TextInBox(y + 0.02, kLeft + 0.08, textW - 0.1, Align::Left, Num(m) + ". " + label);
        const std::string entry = m - 1 < static_cast<int>(doc.Grundrad.size()) ? doc.Grundrad[m - 1] : "";
        c.SetFont(kArial10B);
        for (int k = 0; k < 3; ++k)
            if (core::EntryHas(entry, static_cast<char>('0' + k)))
                c.TextInBox(y + 0.02, g1 + k * cell, cell, Align::Centre, signText[k]);
        c.SetFont(kArial10);
        c.TextInBox(y + 0.02, sc1, scW, Align::Centre, "-");
        c.TextInBox(y + 0.02, sc2, scW, Align::Centre, "-");
        y += kLine;
        if (m < n) c.Line(kLeft, y, kRight, y, m % 3 == 0 ? 2.0 : 0.3);
    }
    frameLines(boxTop, y);
    w.y = y + 0.25;
}

void SystemInformation(Writer& w, const ProtocolInput& in) {
    PageComposer& c = w.c();
    const core::TVinraFile& doc = *in.doc;
    const int n = std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches);
    const auto& s = in.signs;
    const std::string signText[3] = {s.home, s.draw, s.away};
    const auto flag = [&](int i) { return i < doc.UseFlags.Count() && doc.UseFlags.Get(i); };
    const SignShareTable shares = SignShares(doc.Rader);

    const double numX = kLeft + 0.08, numW = 0.3;
    const double pctX = kLeft + 0.4, pctW = 0.4;
    const double sumX = pctX + 3 * pctW + 0.1, sumW = 0.5;
    const double srcX = sumX + 3 * sumW + 0.1, srcW = 0.2;
    const double rightX = srcX + 5 * srcW + 0.25;  // character lines and combinations
    const double rightW = kRight - rightX - 0.1;
    constexpr double kInfoLine = 0.18;

    const bool sourceRows = flag(core::UseURad);
    const int sourceCount = sourceRows ? std::min<int>(5, static_cast<int>(doc.URad.size())) : 0;

    // The combinations: first beside the match lines, the rest below the box.
    const bool yes = flag(core::UseJaKomb), no = flag(core::UseNejKomb);
    std::vector<std::pair<std::string, const FontSpec*>> combos;
    if (yes || no) combos.push_back({Msg(433), &kArial10BI});
    if (yes) {
        combos.push_back({Msg(406), &kArial8});
        for (size_t i = 0; i < doc.Ja.size(); ++i) {
            std::string text = PatternToDisplay(doc.Ja[i], s);
            if (doc.Ja[i].find_first_of("!?") == std::string::npos) {
                const std::string lo = i < doc.JaMin.size() ? doc.JaMin[i] : "";
                const std::string hi = i < doc.JaMax.size() ? doc.JaMax[i] : "";
                text += core::FormatMsg(Msg(436), {lo, hi});
            }
            combos.push_back({text, &kArial8});
        }
    }
    if (no) {
        combos.push_back({Msg(437), &kArial8});
        for (const std::string& p : doc.Nej) combos.push_back({PatternToDisplay(p, s), &kArial8});
    }

    w.Need(3 * kLine + std::min(n, 6) * kInfoLine);
    double top = w.y;
    const double headY = top + 0.08;
    c.SetFont(kArial10BI);
    c.TextInBox(headY, pctX, 3 * pctW, Align::Centre, Msg(326));
    c.TextInBox(headY, sumX, 3 * sumW, Align::Centre, Msg(430));
    c.TextInBox(headY, srcX, 5 * srcW + 0.1, Align::Centre, Msg(431));
    c.TextInBox(headY, rightX, rightW, Align::Left, Msg(432));
    c.SetFont(kArial10B);
    for (int k = 0; k < 3; ++k) {
        c.TextInBox(headY + kLine, pctX + k * pctW, pctW, Align::Centre, signText[k]);
        c.TextInBox(headY + kLine, sumX + k * sumW, sumW, Align::Centre, signText[k]);
    }
    c.SetFont(kArial8);
    for (int k = 0; k < sourceCount; ++k)
        c.TextInBox(headY + kLine + 0.02, srcX + k * srcW, srcW, Align::Centre, Num(k + 1));

    // The sign counts of the system beside the match lines.
    double ry = headY + kLine;
    if (flag(core::UseMaxMin)) {
        const double lab = 0.5, colW = (rightW - lab) / 3;
        c.SetFont(kArial10B);
        for (int k = 0; k < 3; ++k) c.TextInBox(ry, rightX + lab + k * colW, colW, Align::Centre, signText[k]);
        struct RowDef {
            int msg;
            const std::array<int32_t, 3>* values;
        };
        const RowDef defs[3] = {{101, &doc.Min}, {434, &doc.Ord}, {100, &doc.Max}};
        for (const RowDef& d : defs) {
            ry += kInfoLine;
            c.SetFont(kArial10I);
            c.TextInBox(ry, rightX, lab, Align::Left, Msg(d.msg));
            c.SetFont(kArial10);
            for (int k = 0; k < 3; ++k)
                c.TextInBox(ry, rightX + lab + k * colW, colW, Align::Centre, Num((*d.values)[k]));
        }
    } else {
        c.SetFont(kArial10);
        c.TextInBox(ry, rightX, rightW, Align::Left, "-");
    }
    ry += kLine + 0.08;

    double y = headY + 2 * kLine + 0.05;
    double boxTop = top;
    const double matchesEnd = std::min(kBottom - kLine - 0.2, y + n * kInfoLine);
    size_t combo = 0;
    // Combinations that fit beside the match lines.
    while (combo < combos.size() && ry + kSmallLine <= matchesEnd) {
        c.SetFont(*combos[combo].second);
        c.TextInBox(ry, rightX, rightW, Align::Left, combos[combo].first);
        ry += combo == 0 ? kLine : kSmallLine;
        ++combo;
    }
    for (int m = 1; m <= n; ++m) {
        if (y + kInfoLine + 0.05 > kBottom) {  // only for very long rounds
            c.RoundBox(kLeft, boxTop, kRight - kLeft, y - boxTop + 0.05, 1.0);
            c.NewPage();
            y = boxTop = kTop;
        }
        c.SetFont(kArial10);
        c.TextInBox(y, numX, numW, Align::Left, Num(m) + ".");
        for (int k = 0; k < 3; ++k) {
            c.TextInBox(y, pctX + k * pctW, pctW, Align::Centre, Num(shares.share[m - 1][k]));
            c.TextInBox(y, sumX + k * sumW, sumW, Align::Centre, Num(shares.count[m - 1][k]));
        }
        for (int k = 0; k < sourceCount; ++k) {
            const std::string& u = doc.URad[k];
            const char code = m - 1 < static_cast<int>(u.size()) ? u[m - 1] : '-';
            c.TextInBox(y, srcX + k * srcW, srcW, Align::Centre, SignText(code, s));
        }
        y += kInfoLine;
    }
    if (boxTop == top) y = std::max(y, ry - kSmallLine + 0.05);
    y += 0.05;
    // "123 rows (Total: 2 592 rows)"
    const std::string rows = core::GroupDigits(static_cast<int64_t>(doc.Rader.size()));
    const std::string math = core::GroupDigits(std::to_string(core::MathRowCount(doc.Grundrad)));
    c.SetFont(kArial10B);
    c.TextInBox(y, numX, kRight - numX - 0.1, Align::Left,
                core::FormatMsg("%s%s (%s %s%s)", {rows, Msg(77), Msg(265), math, Msg(77)}));
    y += kLine + 0.1;
    c.RoundBox(kLeft, boxTop, kRight - kLeft, y - boxTop, 1.0);
    w.y = y + 0.12;

    // The combinations that did not fit flow in two columns below the box.
    if (combo >= combos.size()) return;
    const double colX[2] = {kLeft + 0.08, kLeft + (kRight - kLeft) / 2 + 0.08};
    while (combo < combos.size()) {
        w.Need(2 * kSmallLine);
        const double start = w.y;
        const size_t fit = static_cast<size_t>(std::max(1.0, std::floor((kBottom - start) / kSmallLine)));
        const size_t remaining = combos.size() - combo;
        const size_t perColumn = remaining <= 2 * fit ? (remaining + 1) / 2 : fit;
        double bottom = start;
        for (int col = 0; col < 2 && combo < combos.size(); ++col) {
            double yy = start;
            for (size_t k = 0; k < perColumn && combo < combos.size(); ++k, ++combo) {
                c.SetFont(*combos[combo].second);
                c.TextInBox(yy, colX[col], (kRight - kLeft) / 2 - 0.15, Align::Left, combos[combo].first);
                yy += kSmallLine;
            }
            bottom = std::max(bottom, yy);
        }
        w.y = bottom;
        if (combo < combos.size()) w.Need(kBottom);  // forces a new page
    }
    w.y += 0.12;
}

// A box with a heading and lines, at (x, w.y) of width width; gives its height.
double BoxWithLines(Writer& w, double x, double width, const std::string& heading,
                    const std::vector<std::string>& lines, const FontSpec& font, double lineH) {
    PageComposer& c = w.c();
    const double h = 0.3 + lineH * static_cast<double>(lines.size()) + 0.08;
    w.Need(std::min(h, kBottom - kTop));
    double top = w.y;
    double y = top + 0.06;
    c.SetFont(kArial10BI);
    c.TextInBox(y, x + 0.1, width - 0.2, Align::Left, heading);
    y += 0.26;
    c.SetFont(font);
    for (const std::string& line : lines) {
        if (y + lineH + 0.05 > kBottom) {
            c.RoundBox(x, top, width, y - top + 0.05, 1.0);
            w.Need(kBottom);
            top = w.y;
            y = top + 0.08;
            c.SetFont(font);
        }
        c.TextInBox(y, x + 0.15, width - 0.3, Align::Left, line);
        y += lineH;
    }
    y += 0.08;
    c.RoundBox(x, top, width, y - top, 1.0);
    return y - w.y;
}

std::vector<std::string> WinningLevels(int n) {
    std::vector<std::string> out;
    for (int level = n; level >= n - 3 && level >= 0; --level)
        if (level > n - 3 || level > 9) out.push_back(Num(level) + Msg(441));
    return out;
}

// Warranty and winnings side by side; a box that is left out gives its room to the other.
void WarrantyAndWinnings(Writer& w, const ProtocolInput& in) {
    const core::TVinraFile& doc = *in.doc;
    const bool warranty = in.options.warranty && !doc.Gar.empty();
    const bool winnings = in.options.winnings;
    if (!warranty && !winnings) return;
    const std::vector<std::string> levels = WinningLevels(doc.MatchCount);
    const double lineH = 0.25;
    const double winH = 0.3 + lineH * static_cast<double>(levels.size()) + 0.08;
    const double warH = 0.3 + kLine * static_cast<double>(doc.Gar.size()) + 0.08;
    w.Need(std::max(warranty ? warH : 0, winnings ? winH : 0));
    const double mid = kLeft + (kRight - kLeft) * 0.55;
    const double top = w.y;
    double height = 0;
    if (warranty)
        height = BoxWithLines(w, kLeft, (winnings ? mid - 0.1 : kRight) - kLeft, Msg(114), doc.Gar, kArial10, kLine);
    if (winnings) {
        w.y = top;
        PageComposer& c = w.c();
        const double x = warranty ? mid : kLeft;
        const double h = BoxWithLines(w, x, kRight - x, Msg(111), levels, kArial10, lineH);
        // A line after each level to write the amount on.
        double y = top + 0.32;
        for (size_t i = 0; i < levels.size(); ++i, y += lineH) c.Line(x + 1.2, y + 0.17, kRight - 0.2, y + 0.17, 0.5);
        height = std::max(height, h);
    }
    w.y = top + height + 0.15;
}

}  // namespace

std::string ProtocolUpperCase(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch >= 'a' && ch <= 'z') {
            out += static_cast<char>(ch - 'a' + 'A');
        } else if (ch == 0xC3 && i + 1 < text.size()) {
            // ä (C3 A4), å (C3 A5), ö (C3 B6) -> Ä, Å, Ö: the lower-case code minus 0x20.
            const unsigned char next = static_cast<unsigned char>(text[i + 1]);
            out += static_cast<char>(ch);
            out += static_cast<char>(next == 0xA4 || next == 0xA5 || next == 0xB6 ? next - 0x20 : next);
            ++i;
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out;
}

std::string PatternToDisplay(const std::string& pattern, const core::DisplaySigns& signs) {
    std::string out;
    for (char ch : pattern) {
        if (ch >= '0' && ch <= '2') out += SignText(ch, signs);
        else out += ch;
    }
    return out;
}

void PrintProtocol(PageComposer& composer, const ProtocolInput& in) {
    if (in.doc == nullptr) throw PrintError(Msg(kMsgNoSystem));
    const core::TVinraFile& doc = *in.doc;
    composer.BeginDoc(core::FormatMsg(Msg(422), {doc.Pool, doc.Omg}), 1);
    std::string footer = core::FormatMsg(Msg(428), {std::string(core::kProgramName) + " " + core::kProgramVersion});
    if (!in.webAddress.empty()) footer += " " + in.webAddress;
    Writer w(composer, footer);

    Header(w, in);
    MatchTable(w, in);
    if (in.options.systemInformation) SystemInformation(w, in);
    WarrantyAndWinnings(w, in);
    if (in.options.comment && !core::Trim(doc.Comment).empty()) {
        const size_t width = static_cast<size_t>((kRight - kLeft - 0.3) / ApproxWidth(1, 10, false));
        const double h = BoxWithLines(w, kLeft, kRight - kLeft, Msg(531), Wrap(doc.Comment, width), kArial10, 0.18);
        w.y += h + 0.15;
    }
    composer.EndDoc();
}

PrintDocument ProtocolDocument(const ProtocolInput& in) {
    PageComposer composer;
    PrintProtocol(composer, in);
    PrintDocument doc = composer.TakeDocument();
    doc.portraitA4 = true;
    return doc;
}

}  // namespace vinra::output
