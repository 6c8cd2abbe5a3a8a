// The .1x2 reader, and the round trip: a file that reads, saved and read
// again, saves as the same text.
#include "fuzz/fuzz_support.h"

#include "core/system_document.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto in = fuzz::Scratch() / "in.1x2";
    const auto out = fuzz::Scratch() / "out.1x2";
    core::WriteFileAtomic(in, fuzz::AsText(data, size));
    core::TVinraFile doc;
    try {
        doc.LoadFromFile(in);
    } catch (const core::FileError&) {
        return 0;
    }
    doc.SaveToFile(out);
    const std::string first = core::ReadFileBytes(out);
    core::TVinraFile again;
    again.LoadFromFile(out);
    again.SaveToFile(out);
    VINRA_FUZZ_CHECK(core::ReadFileBytes(out) == first);
    return 0;
}
