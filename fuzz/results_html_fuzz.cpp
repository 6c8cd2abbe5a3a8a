// The results HTML table parser with the shipped keys of every pool, and the
// table lines on their own.
#include "fuzz/fuzz_support.h"

#include "net/result_parsers.h"

using namespace vinra;

namespace {
const core::IniFile& Keys() {
    static const core::IniFile ini =
        core::IniFile::FromText(core::DecodeFileText(core::ReadFileBytes(VINRA_SOURCE_DIR "/resources/update.ini")));
    return ini;
}
constexpr char kPools[] = "SIABCDEFGHVTO";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view page = fuzz::AsText(data + 1, size - 1);
    net::ParseOptions o;
    o.typ = std::string(1, kPools[(data[0] & 0x7F) % 13]);
    o.resultsMode = data[0] & 0x80;
    o.matchCount = 13;
    net::TCouponInfo info;
    try {
        const int n = net::ParseHtmlRoundText(page, Keys(), o, info);
        VINRA_FUZZ_CHECK(n >= -1 && n <= 30);
    } catch (const net::ParseError&) {}
    for (int t = 0; t < 3; ++t)
        for (const std::string& line : net::HtmlTableLines(page, t)) (void)net::LineColumn(line, data[0] % 8);
    return 0;
}
