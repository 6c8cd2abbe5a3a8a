// The .RED reader and applying the system: the first line is the system's name
// (it sets the type and the guards), the rest are its lines. The coupon is
// filled the way the name asks, so most inputs get as far as Apply.
#include "fuzz/fuzz_support.h"

#include <algorithm>

#include "core/signs.h"
#include "reduction/reduced_system.h"

using namespace vinra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines = core::SplitLines(core::DecodeFileText(fuzz::AsText(data, size)));
    if (lines.empty()) return 0;
    const std::string name = lines.front();
    lines.erase(lines.begin());
    reduction::RedSystem system;
    try {
        system = reduction::RedSystemFromLines(name, lines);
    } catch (const reduction::RedError&) {
        return 0;
    }
    const reduction::RedName info = system.info;
    const int n = std::clamp(static_cast<int>(system.lines.size()), 1, 16);
    reduction::SystemCoupon coupon(n);
    const int full = std::clamp(info.full, 0, n), half = std::clamp(info.half, 0, n - full);
    for (int i = 0; i < n; ++i) {
        const int level = i >= n - full ? 3 : i >= n - full - half ? 2 : 1;
        for (int s = 0; s < level; ++s) coupon.ToggleMark(i, (s + i) % 3);
        if (level >= 2) coupon.ClickU(i, i % 3);
    }
    coupon.ChooseSystem(name);
    try {
        const auto result = coupon.Apply(system);
        for (const std::string& row : result.rows) VINRA_FUZZ_CHECK(core::IsRow(row, static_cast<size_t>(n)));
    } catch (const reduction::RedError&) {}
    return 0;
}
