#pragma once
// The frames the guarantee benchmarks reduce: the sample system with its own
// conditions, and 6 full + 7 half guards with a typical condition set (sign
// counts, runs, a no-combination).
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/system_document.h"
#include "reduction/conditions.h"

namespace vinra::bench {

struct GuaranteeFrame {
    std::string name;
    std::vector<std::string> frame;
    reduction::ConditionSet conditions;
};

inline GuaranteeFrame SampleSystemFrame() {
    core::TVinraFile doc;
    doc.LoadFromFile(std::filesystem::path(__FILE__).parent_path().parent_path() / "resources/samples/sample.1x2");
    return {"sample system", doc.Grundrad, reduction::FromDocument(doc)};
}

inline GuaranteeFrame SixFullSevenHalfFrame() {
    GuaranteeFrame k{"6 full + 7 half", {}, reduction::NewConditionSet(13)};
    k.frame = {"012", "01", "012", "02", "01", "012", "12", "01", "012", "02", "012", "01", "012"};
    k.conditions.flags.fill(false);
    k.conditions.flags[core::UseMaxMin] = true;
    k.conditions.flags[core::UseNejKomb] = true;
    k.conditions.minCount = {3, 2, 1};
    k.conditions.maxCount = {8, 6, 5};
    k.conditions.runMax = {5, 3, 3};
    k.conditions.noCombinations = {"2222"};
    return k;
}

}  // namespace vinra::bench
