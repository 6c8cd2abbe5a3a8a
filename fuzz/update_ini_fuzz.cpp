// The update.ini reader: the service definition the program downloads.
#include "fuzz/fuzz_support.h"

#include "core/ini.h"
#include "net/active_pools.h"
#include "net/update_check.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const core::IniFile ini = core::IniFile::FromText(core::DecodeFileText(fuzz::AsText(data, size)));
    const std::string host = net::ServiceHostOf(ini);
    const net::UpdateInfo info = net::ReadUpdateInfo(ini, host.empty() ? "http://127.0.0.1" : host, "7.51");
    (void)net::VersionGreater(info.pgmVersion, "7.51");
    (void)net::VersionGreater(info.iniVersion, info.pgmVersion);
    (void)net::HelpPageUrl(host, 10000, "main.htm");
    return 0;
}
