#pragma once
// The team statistics of a round that the game wizard lists: per club its
// league position and its latest finished games, keyed by the club's own name
// (teamstat.ini [Alias], the same file the program downloads), so the program
// finds them under the names it maps the operator's spellings to.
#include <string>
#include <string_view>

#include "core/ini.h"
#include "service/season.h"

namespace vinra::service {

// INI text (UTF-8, LF):
//   [Info] Date=<today>  (the statistics count as current for the day)
//   [<club>] Total=<league position>, LG0..LG9=<W|L|D>|<round>|<home> - <away> <h>-<a> (h|b)
//   [Game<k>] Sound=<clip>  (k from 0) for the matches with a spoken preview,
//   served at /Vinra/Sounds/<clip>
// Latest game first. Total is left out for a club without a known league.
// Clubs whose names cannot head an INI section are left out.
std::string RoundStatsIni(const Season& season, const Round& round, const core::IniFile& teamstat,
                          const std::string& today);

// The preview clip of match k (0-based) of a round, or "" when it has none:
// the sample season has one for every match with a comment.
std::string MatchClipName(const Round& round, size_t k);
// A short WAV clip for a clip name (8 kHz, 16-bit mono, about half a second,
// its pitch taken from the name); "" for a name that is not a clip name.
std::string ClipWav(std::string_view name);

}  // namespace vinra::service
