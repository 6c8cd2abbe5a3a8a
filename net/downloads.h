#pragma once
// Where the games and results of a round are fetched from, and one fetch:
// the page into "download.htm", then the pool's parser.
//
// Addresses come from update.ini, a file the web service delivers: its
// address forms are filled by our own placeholder substitution (%s and %d
// only, counted), never handed to printf, and every value put into them is
// URL-encoded.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "net/result_parsers.h"

namespace vinra::net {

// An address that cannot be built: no address for the pool, a form with the
// wrong number of placeholders, not an http(s) address. what() says which.
class AddressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills the placeholders %s and %d of a form, in order, with the values
// (each URL-encoded); "%%" is a percent sign; any other "%" stays as written
// (addresses hold escapes such as %20). Throws AddressError when the form has
// more placeholders than values; extra values are left unused.
std::string FillPlaceholders(std::string_view form, const std::vector<std::string>& values);

// Address forms of a download.
enum AddressMode : int {
    kCurrentRound = 0,  // the address key alone
    kByDrawNumber = 1,  // address + parameter with the draw number
    kByYearWeek = 2,    // address + parameter with the year and the week
};

// The address of a round's games or results, from the section `typ` of
// update.ini: the XML keys when xml, else the HTML keys. Throws AddressError
// when the pool has no address or the result is not an http(s) address.
std::string ServiceAddress(const core::IniFile& updateIni, std::string_view typ, bool xml, bool results, int mode,
                           int32_t drawNumber, std::string_view year = {}, std::string_view week = {});

// The half-time pool of a pool with PauseTipping (A -> B, C -> D, E -> F);
// empty for every other code.
std::string HalfTimeCode(std::string_view code);

// The host of the operator proxies of the web service: update.ini [Service]
// ProxyHost, else Host (without a trailing "/").
std::string ProxyHostOf(const core::IniFile& updateIni);
// The bulk results address of a pool code and draw number: S and I through
// the service's results proxy, G and H the Danish results pages (on the same
// host). Empty for the other codes.
std::string BulkResultsAddress(const core::IniFile& updateIni, std::string_view code, int32_t drawNumber);

// The codes the bulk download offers, in its order.
const std::vector<std::string>& BulkPoolCodes();

// What one fetch gave.
struct FetchOutcome {
    bool ok = false;                    // downloaded and parsed (count may still be 0)
    bool transportFailed = false;       // no connection, time-out: the whole command stops
    bool badKeys = false;               // the pool's keys are not valid XPaths: the whole command stops too
    std::string error;                  // why not ok, for the user
    int count = 0;                      // home names (HTML: -1 when a marker is missing)
    std::optional<int32_t> drawNumber;  // XML: the round's draw number (0 when the page has none)
    std::vector<int> messages;          // 465 / 466
};

// Deletes `target`, downloads the address into it and parses it with the
// XML parser (xml) or the HTML parser. A failed download parses nothing and
// leaves info as it was. Never throws.
FetchOutcome FetchRound(const std::string& url, const std::filesystem::path& target, bool xml,
                        const core::IniFile& updateIni, const ParseOptions& options, TCouponInfo& info);

}  // namespace vinra::net
