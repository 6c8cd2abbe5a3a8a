#include "output/winnings_report.h"

#include <algorithm>

#include "core/messages.h"

namespace vinra::output {

namespace {

FontSpec Times(double size, bool bold = false, bool italic = false) {
    FontSpec f;
    f.name = "Times New Roman";
    f.size = size;
    f.bold = bold;
    f.italic = italic;
    return f;
}

std::string Text(const WinningsReportInput& in, int n) {
    std::string t = in.text ? in.text(n) : core::Msg(n);
    return t;
}

// Page geometry in inches from the printable area's top-left (A4 and letter both fit).
constexpr double kLeft = 0.5;
constexpr double kRight = 7.3;
constexpr double kLine = 0.24;
constexpr double kPageBottom = 10.4;
constexpr uint32_t kHeaderGrey = 0xD0D0D0;

// Left block: match labels and the three sign columns; right block: the levels.
constexpr double kSignCol[3] = {2.85, 3.2, 3.55};
constexpr double kSignWidth = 0.35;
constexpr double kBlockSplit = 3.95;
constexpr double kCountX = 4.95, kCountW = 0.45;
constexpr double kPayoutX = 5.45, kPayoutW = 0.95;
constexpr double kWinX = 6.4, kWinW = 0.85;

}  // namespace

std::array<ReportLevel, 4> SummaryLevels(int matchCount, const std::vector<int64_t>& counts,
                                         const checking::WinningsTable& table) {
    std::array<ReportLevel, 4> out{};
    for (int i = 0; i < 4; ++i) {
        const int k = matchCount - 3 + i;
        out[static_cast<size_t>(i)].level = k;
        if (k >= 0 && static_cast<size_t>(k) < counts.size())
            out[static_cast<size_t>(i)].ownCount = counts[static_cast<size_t>(k)];
        if (const checking::WinLevel* line = table.Level(k)) out[static_cast<size_t>(i)].payout = line->payout;
    }
    return out;
}

SummaryTotals SummaryTotalsOf(const WinningsReportInput& in) {
    SummaryTotals t;
    for (const auto& l : in.levels) t.sum += l.Win();
    t.stake = in.rowCount * in.pricePerRow;
    t.result = t.sum - t.stake;
    return t;
}

std::string ReportRoundText(std::string omg, const std::string& currentYear) {
    if (omg.size() < 7) omg = currentYear + omg;
    // The week follows the last '-', the year is the text before it.
    const size_t dash = omg.rfind('-');
    if (dash == std::string::npos) return omg;
    return omg.substr(dash + 1) + " " + omg.substr(0, dash);
}

std::string WinningSummaryTitle(const WinningsReportInput& in) {
    // The print queue names the pool the summary is about.
    std::string pool = in.typ == "S" ? std::string("Stryktipset") : in.pool;
    if (pool.empty()) pool = in.typ == "I" ? "Europatipset" : in.typ;
    return core::FormatMsg(Text(in, 484), {pool, in.omg});
}

std::string WinningRowsTitle(const WinningsReportInput& in) { return core::FormatMsg(Text(in, 492), {in.typ, in.omg}); }

PrintDocument WinningSummaryDocument(const WinningsReportInput& in) {
    PageComposer c;
    c.BeginDoc(WinningSummaryTitle(in), 1);
    const int n = std::clamp(in.matchCount, 1, core::kMaxMatches);

    double y = 0.2;
    c.SetFont(Times(22, true, true));
    c.TextAt(y, kLeft, Text(in, 485));
    y += 0.5;
    c.SetFont(Times(16));
    c.TextAt(y, kLeft, in.pool + " " + Text(in, 423) + in.roundText);
    y += 0.55;

    // The framed table: a grey header band over both blocks.
    const double top = y;
    c.FillRect(kLeft, top, kRight - kLeft, 0.32, kHeaderGrey);
    c.SetFont(Times(12, true, true));
    c.TextAt(top + 0.06, kLeft + 0.1, Text(in, 487));
    c.TextAt(top + 0.06, kBlockSplit + 0.1, Text(in, 486));
    c.SetFont(Times(10, true));
    const std::string heads[3] = {in.signs.home, in.signs.draw, in.signs.away};
    for (int s = 0; s < 3; ++s) c.TextInBox(top + 0.08, kSignCol[s], kSignWidth, Align::Centre, heads[s]);

    // Left block: one line per match.
    const std::string facit = core::DisplayToSigns(in.displayResult, in.signs);
    double ly = top + 0.42;
    for (int m = 0; m < n; ++m) {
        const std::string label =
            static_cast<size_t>(m) < in.matchLabels.size() ? in.matchLabels[static_cast<size_t>(m)] : std::string();
        c.SetFont(Times(10));
        c.TextInBox(ly, kLeft + 0.1, kSignCol[0] - kLeft - 0.15, Align::Left, std::to_string(m + 1) + ". " + label);
        const char code = static_cast<size_t>(m) < facit.size() ? facit[static_cast<size_t>(m)] : '-';
        const int col = code == '0' ? 0 : code == '1' ? 1 : 2;
        const std::string sign = code == '-' ? std::string("-") : heads[col];
        c.SetFont(Times(10, true));
        c.TextInBox(ly, kSignCol[col], kSignWidth, Align::Centre, sign);
        ly += kLine;
    }

    // Right block: column heads, the four levels, then the totals.
    double ry = top + 0.42;
    c.SetFont(Times(10, true));
    // Each head names its column: the system's rows at the level, the payout
    // of one winning row, and what those rows win ("Sum" twice said neither).
    c.TextInBox(ry, kCountX, kCountW, Align::Right, Text(in, 3205));
    c.TextInBox(ry, kPayoutX, kPayoutW, Align::Right, Text(in, 3206));
    c.TextInBox(ry, kWinX, kWinW, Align::Right, Text(in, 3207));
    ry += kLine + 0.04;
    for (const ReportLevel& l : in.levels) {
        c.SetFont(Times(10, true));
        c.TextAt(ry, kBlockSplit + 0.1, core::FormatMsg(Text(in, 488), {static_cast<long long>(l.level)}));
        c.SetFont(Times(10));
        c.TextInBox(ry, kCountX, kCountW, Align::Right, core::GroupDigits(l.ownCount));
        c.TextInBox(ry, kPayoutX, kPayoutW, Align::Right, core::FormatAmount(l.payout));
        c.TextInBox(ry, kWinX, kWinW, Align::Right, core::FormatAmount(l.Win()));
        ry += kLine;
    }
    ry += 0.06;
    c.Line(kCountX, ry, kRight - 0.05, ry, 0.75);
    ry += 0.08;
    const SummaryTotals t = SummaryTotalsOf(in);
    const std::pair<int, std::string> totals[3] = {{490, core::FormatAmount(t.sum)},
                                                   {489, "-" + core::FormatAmount(t.stake)},
                                                   {491, core::FormatAmount(t.result)}};
    for (const auto& [msg, amount] : totals) {
        c.SetFont(Times(10, true, true));
        c.TextAt(ry, kBlockSplit + 0.1, Text(in, msg));
        c.SetFont(Times(10, msg == 491));
        c.TextInBox(ry, kWinX - 0.4, kWinW + 0.4, Align::Right, amount);
        ry += kLine;
    }

    const double bottom = std::max(ly, ry) + 0.1;
    c.RoundBox(kLeft, top, kRight - kLeft, bottom - top, 1);
    c.Line(kBlockSplit, top, kBlockSplit, bottom, 0.75);
    c.Line(kLeft, top + 0.32, kRight, top + 0.32, 0.75);
    c.EndDoc();
    PrintDocument doc = c.TakeDocument();
    doc.portraitA4 = true;
    return doc;
}

PrintDocument WinningRowsDocument(const WinningsReportInput& in) {
    PageComposer c;
    c.BeginDoc(WinningRowsTitle(in), 1);
    // A line of 12 pt is up to about 3.5 inches wide.
    const double colX[2] = {kLeft, 4.2};
    double y = 0.2;
    c.SetFont(Times(22, true, true));
    c.TextAt(y, kLeft, Text(in, 493));
    y += 0.5;
    c.SetFont(Times(16));
    c.TextAt(y, kLeft, Text(in, 423) + in.roundText);
    y += 0.55;

    auto columnHeads = [&] {
        c.SetFont(Times(12, true));
        c.TextAt(y, colX[0], Text(in, 493));
        c.TextAt(y, colX[1], Text(in, 493));
        y += 0.3;
        c.SetFont(Times(12));
    };
    columnHeads();
    for (size_t i = 0; i < in.winningLines.size(); ++i) {
        const int col = static_cast<int>(i % 2);
        if (col == 0 && y + kLine > kPageBottom) {
            c.NewPage();
            y = 0.2;
            columnHeads();
        }
        c.TextAt(y, colX[col], "  " + in.winningLines[i]);
        if (col == 1) y += kLine;
    }
    c.EndDoc();
    PrintDocument doc = c.TakeDocument();
    doc.portraitA4 = true;
    return doc;
}

}  // namespace vinra::output
