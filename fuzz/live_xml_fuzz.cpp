// The live results XML parser.
#include "fuzz/fuzz_support.h"

#include "net/result_parsers.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    net::TResultInfo info;
    net::ParseLiveXmlText(fuzz::AsText(data, size), info);
    for (int m = 0; m < core::kMaxMatches; ++m) VINRA_FUZZ_CHECK(info.status[static_cast<size_t>(m)] >= 0);
    return 0;
}
