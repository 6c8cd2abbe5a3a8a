// The goal log: its line templates from update.ini, the live results XML, the
// team names and the log rows a system file brings. Whatever they hold, no
// outside text adds markup to a log line: a line has no more "<" than its template.
#include <algorithm>
#include <cctype>

#include "fuzz/fuzz_support.h"

#include "checking/live_goals.h"
#include "core/ini.h"
#include "core/system_document.h"
#include "net/result_parsers.h"

using namespace vinra;

namespace {
size_t Tags(std::string_view s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '<')); }

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> out;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        out.emplace_back(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    }
    return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 4);
    const checking::GoalLogTemplates t = checking::GoalLogTemplates::FromIni(core::IniFile::FromText(parts[0]));

    net::TResultInfo info;
    const bool parsed = net::ParseLiveXmlText(parts[1], info);

    core::TVinraFile doc;
    doc.NewSystem(core::kDefaultMatches, true);
    doc.LogRows = Lines(parts[3]);
    std::vector<std::string> homes = Lines(parts[2]), aways;
    if (homes.size() > core::kMaxMatches) {
        aways.assign(homes.begin() + core::kMaxMatches, homes.end());
        homes.resize(core::kMaxMatches);
    }
    checking::LiveRound live(doc, homes, aways);
    if (parsed) {
        checking::LiveScores s;
        for (size_t m = 0; m < live.Matches().size(); ++m) {
            s.home[m] = info.home[m];
            s.away[m] = info.away[m];
            s.status[m] = info.status[m];
        }
        live.Apply(s);
    }
    live.UpdateScoreCells();
    live.MarkChanges();
    live.MarkEnded();

    checking::BestRowInfo best;
    best.index = 3;
    best.goalsNeeded = 2;
    best.right = 11;
    const auto entry = live.LogEntry(t, checking::LiveTexts{}, "12:00:00", "1X21X21X21X21", "1111111111111", best);
    VINRA_FUZZ_CHECK(!entry.empty());
    VINRA_FUZZ_CHECK(Tags(entry.front()) <= Tags(t.time));
    for (size_t i = 1; i < entry.size(); ++i)
        VINRA_FUZZ_CHECK(Tags(entry[i]) <= std::max({Tags(t.team), Tags(t.row), Tags(t.res)}));
    live.AddToLog(entry);
    VINRA_FUZZ_CHECK(doc.LogRows.size() <= checking::kMaxLogRows);
    // The page is the filtered frame around the rows, and whatever the frame or
    // the rows held, it opens no link, picture, script or frame of its own.
    const std::string page = checking::GoalLogPage(t, doc.LogRows);
    const std::string head = checking::SafeLogMarkup(t.begin, true), tail = checking::SafeLogMarkup(t.end, true);
    VINRA_FUZZ_CHECK(page.size() >= head.size() + tail.size());
    VINRA_FUZZ_CHECK(page.compare(0, head.size(), head) == 0);
    VINRA_FUZZ_CHECK(page.compare(page.size() - tail.size(), tail.size(), tail) == 0);
    std::string lower(page);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* opener : {"<a ", "<a>", "<img", "<script", "<iframe", "<link", "<object", "<embed", "<style"})
        VINRA_FUZZ_CHECK(lower.find(opener) == std::string::npos);
    return 0;
}
