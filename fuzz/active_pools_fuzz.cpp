// The activepools.ini reader.
#include "fuzz/fuzz_support.h"

#include "core/system_document.h"
#include "net/active_pools.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto file = net::ActivePoolsFile::FromText(core::DecodeFileText(fuzz::AsText(data, size)));
    (void)file.FileOK();
    (void)file.Date();
    (void)file.PoolCodes();
    (void)file.RefreshDue(net::LocalNow());
    for (const auto& r : file.Entries(net::LocalNow())) (void)r.Caption();
    for (const std::string& code : file.PoolCodes()) {
        core::TVinraFile doc;
        file.CurrentRound(code, doc);
    }
    (void)file.PoolResults();
    (void)file.PoolGames();
    return 0;
}
