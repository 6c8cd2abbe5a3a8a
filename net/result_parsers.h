#pragma once
// Readers of the operators' published games and results (XML through the
// pool's XPath keys of update.ini, HTML through its table-line keys) and of
// the two live-score sources (the Svenska Spel live XML and SVT Text pages).
//
// Everything read from a page is outside data: sizes are bounded, texts are
// never used as formats, and a page that cannot be read gives a ParseError
// with a clear message instead of a half-filled round.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "checking/tips_data.h"
#include "core/ini.h"
#include "core/signs.h"

namespace vinra::net {

// A page that cannot be read as the pool's keys say: not XML, an XPath the
// XML engine rejects, a page larger than kMaxPageBytes. what() says which.
class ParseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A key of the pool that the XML engine rejects as an XPath: every page would
// fail the same way, so a run of downloads stops at the first.
class XPathKeyError : public ParseError {
public:
    using ParseError::ParseError;
};

// Pages larger than this are refused (a results page is a few kilobytes).
inline constexpr size_t kMaxPageBytes = 16u * 1024u * 1024u;

// One downloaded round: year and week texts, right row, names, payouts and
// winner counts (top level first), pool code and draw number.
using TCouponInfo = checking::CouponRound;
// Empties the four lists and the right row (year, week, code and draw stay).
void ClearCouponInfo(TCouponInfo& info);

// What the parsers need beyond the page and the pool's keys.
struct ParseOptions {
    std::string typ = "S";              // section of update.ini holding the keys
    bool resultsMode = false;           // results keys, right row and payouts
    int matchCount = 13;                // N: at most N match lines are read
    core::DisplaySigns signs;           // the pool's display strings
    bool warnings = true;               // messages 465/466 are reported
    bool debug = false;                 // the HTML parser writes its diagnostic files
    std::filesystem::path debugFolder;  // where Games.txt and Table.txt go
};

struct XmlParseResult {
    int count = 0;                      // number of home names
    std::optional<int32_t> drawNumber;  // new draw number of the round (0: no node); unset: not readable
    std::vector<int> messages;          // 465 / 466 to show (only with warnings)
};

// The XML parser: loads the page and reads the keys of options.typ. Fills
// info (year and week only when the page gives 4 and 2 characters). Throws
// ParseError for a page that is not XML or a key that is not a valid XPath.
XmlParseResult ParseXmlRound(const std::filesystem::path& file, const core::IniFile& updateIni,
                             const ParseOptions& options, TCouponInfo& info);
XmlParseResult ParseXmlRoundText(std::string_view page, const core::IniFile& updateIni, const ParseOptions& options,
                                 TCouponInfo& info);

// Text of the first node an XPath selects in a page, nullopt when none (or
// the page is not XML). Used for the current draw number of an interval.
std::optional<std::string> XmlFirstNodeText(const std::filesystem::path& file, const std::string& xpath);

// The HTML parser: -1 when a table marker is missing, else the number of home
// names. info receives the round only when the result is not -1.
int ParseHtmlRound(const std::filesystem::path& file, const core::IniFile& updateIni, const ParseOptions& options,
                   TCouponInfo& info);
int ParseHtmlRoundText(std::string_view page, const core::IniFile& updateIni, const ParseOptions& options,
                       TCouponInfo& info);

// Table lines. The number of the table that holds a marker: the count of
// "<TABLE" tags (any case) before the marker's first occurrence (any case);
// nullopt when the marker does not occur with its exact case.
std::optional<int> TableNumberOfMarker(std::string_view page, std::string_view marker);
// The table opened by the k-th (1-based) "<TABLE" of the page as text lines:
// one line per row, cells joined by tabs; nested tables left out, header cells
// taken as cells, tags dropped, "&nbsp;" a space, empty rows skipped.
// Table 0 or a number beyond the page's tables gives no lines.
std::vector<std::string> HtmlTableLines(std::string_view page, int tableNumber);
// Cell "column c" of a line: the cell with 0-based index c + 1 (empty when absent).
std::string LineColumn(std::string_view line, int column);

// --- live results -----------------------------------------------------------

// The latest live state of a round (index m - 1 for match m).
struct TResultInfo {
    std::array<bool, core::kMaxMatches> tracked;
    std::array<int32_t, core::kMaxMatches> version;
    std::array<int32_t, core::kMaxMatches> home;
    std::array<int32_t, core::kMaxMatches> away;
    std::array<int32_t, core::kMaxMatches> status;  // 1 ended, 3 not ended
    std::array<int32_t, core::kMaxMatches> outcome;
    std::array<int64_t, 4> winAmount{};  // ten-thousandths of the currency unit, group 1 = top level
    std::array<int32_t, 4> winners{};
    std::string unmatchedTeams;  // SVT: names not found, each followed by CR LF
    std::string pageLines;       // SVT: the cleaned lines, each followed by CR LF
    int32_t findTeams = 0;       // names of a match that must be found on an SVT page, minus one

    TResultInfo();
};

// Matches the Svenska Spel live service reports on.
inline constexpr int kLiveMatches = 13;

// Reads a Svenska Spel live XML file. False (and nothing changed) when the
// file cannot be read as XML.
bool ParseLiveXml(const std::filesystem::path& file, TResultInfo& info);
bool ParseLiveXmlText(std::string_view page, TResultInfo& info);

// Reads an SVT Text goal page for the system's matches. svtNames: the
// teams_svt section of teamstat.ini (a team of the system -> its SVT name).
// False when the file cannot be read.
bool ParseSvtPage(const std::filesystem::path& file, TResultInfo& info, std::string_view typ,
                  const std::vector<std::string>& homes, const std::vector<std::string>& aways,
                  const core::IniFile& teamstat);
void ParseSvtPageText(std::string_view page, TResultInfo& info, std::string_view typ,
                      const std::vector<std::string>& homes, const std::vector<std::string>& aways,
                      const core::IniFile& teamstat);

// The team-mapping suggestion for a name: for prefix lengths from the name's
// length - 1 down to 3, the first prefix found in the page text; the page text
// from there up to the next "-", trimmed (empty when no prefix is found).
std::string SvtSuggestion(std::string_view name, std::string_view pageText);
// An SVT name the mapping accepts: it occurs in the page text, is shorter than
// 13 characters and, trimmed, longer than 1.
bool SvtNameAcceptable(std::string_view text, std::string_view pageText);

}  // namespace vinra::net
