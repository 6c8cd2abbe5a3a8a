// The import of exchange lines (games and results, ";"-separated) into the
// games and results database. Odd inputs go to the games import, even ones to
// the results import, by their first byte.
#include "fuzz/fuzz_support.h"

#include "checking/tips_data.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static checking::TTipsData* db = [] {
        auto* d = new checking::TTipsData();
        d->Open(fuzz::Scratch() / "tipsdata.sqlite");
        return d;
    }();
    if (size == 0) return 0;
    const auto file = fuzz::Scratch() / "lines.txt";
    core::WriteFileAtomic(file, fuzz::AsText(data + 1, size - 1));
    const checking::ImportReport r = (data[0] & 1) ? db->ImportGamesFile(file) : db->ImportResultsFile(file);
    VINRA_FUZZ_CHECK(r.inserted + r.updated + r.unchanged + r.skipped() <= size);
    return 0;
}
