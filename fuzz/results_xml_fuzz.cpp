// The results XML parser with the shipped keys of every pool: the first byte
// picks the pool and the mode, the rest is the page.
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
    net::ParseOptions o;
    o.typ = std::string(1, kPools[(data[0] & 0x7F) % 13]);
    o.resultsMode = data[0] & 0x80;
    o.matchCount = 13;
    net::TCouponInfo info;
    try {
        const auto r = net::ParseXmlRoundText(fuzz::AsText(data + 1, size - 1), Keys(), o, info);
        VINRA_FUZZ_CHECK(info.Homes.size() <= 30 && r.count >= 0);
    } catch (const net::ParseError&) {}
    return 0;
}
