#pragma once
// The documents the service sends, built from its season. Every text that comes
// from data files or requests is escaped for the markup it lands in.
#include <string>
#include <string_view>

#include "service/season.h"

namespace vinra::service {

std::string EscapeMarkup(std::string_view text);  // XML and HTML text and attribute values

// activepools.ini (UTF-8, LF; the server sends it as Windows-1252 CR LF).
// `today` is "yyyy-mm-dd": the list counts as current until then.
std::string ActivePoolsIni(const Season& season, const std::string& today);
// ";"-separated exchange lines of every round, one per line (LF).
std::string GamesLines(const Season& season);
std::string ResultsLines(const Season& season);  // settled rounds only

// <resultat><omgang/><vecka>yyyy-ww</vecka><match><hemmalag/><bortalag/><tecken/></match>...
//   <utdelning><niva><ratt/><belopp/><antal/></niva>...</utdelning></resultat>
std::string ResultsXml(const Round& round);
// The same round as an operator's HTML results page: a table of matches (marker
// "Matcher") and a table of payouts (marker "Utdelning"), the week after "Vecka: ".
std::string ResultsHtml(const Round& round);
// Game information: hemmalag, bortalag, tips, kommentar, then val1/valx/val2 three
// times per match (people, newspapers, odds).
std::string GameInfoXml(const Round& round);
// The live XML of the goal service; round may be null (no data yet).
std::string LiveXml(const Round* round);
// A text-TV style goal page: one line per match, finished ones marked class="C",
// and the preliminary payouts of the round as "13 rätt" lines.
std::string SvtPage(const Round* round);

// Statistics pages; view is "Chart", "Games", "Meetings" or "Table/1".."Table/6".
// Returns an empty string for an unknown view or match.
// language: "sv" or empty for Swedish, anything else English.
std::string StatsPage(const Season& season, const std::string& view, const Round& round, int match,
                      std::string_view language = {});

}  // namespace vinra::service
