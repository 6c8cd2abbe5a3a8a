// The INI reader: any text reads, and what it writes reads back as the same keys.
#include "fuzz/fuzz_support.h"

#include "core/ini.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = core::DecodeFileText(fuzz::AsText(data, size));
    const core::IniFile ini = core::IniFile::FromText(text);
    const std::string written = ini.ToText();
    const core::IniFile back = core::IniFile::FromText(written);
    VINRA_FUZZ_CHECK(back.ToText() == written);
    // The bytes a save would write read back as the same text.
    // Valid UTF-8 comes back whole; only invalid sequences may have become "?".
    const std::string back8 = core::DecodeFileText(core::EncodeFileText(written));
    VINRA_FUZZ_CHECK(back8 == written || back8 == core::Cp1252ToUtf8(core::Utf8ToCp1252(written)));
    return 0;
}
