// Reduction with a guarantee as the player meets it: one long run per frame
// (VINRA_BENCH_SECONDS, default 60), and the rows of the best list after 1 s,
// 10 s and the whole run, beside the greedy start, the start taken (shipped
// system or construction), the lower bound and the best known size.
// Frames: the sample system with its conditions, 6 full + 7 half guards with a
// typical condition set, and pure frames of 8 to 11 full guards; 12 and 11
// right each. Prints a markdown table; run by hand, one at a time.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "bench/guarantee_frames.h"
#include "reduction/guarantee_cover.h"

using namespace vinra;

namespace {

using Frame = bench::GuaranteeFrame;

std::vector<Frame> Frames() {
    std::vector<Frame> out = {bench::SampleSystemFrame(), bench::SixFullSevenHalfFrame()};
    for (int f = 8; f <= 11; ++f) {
        Frame p{fmt::format("{} full, no conditions", f), std::vector<std::string>(13, "1"),
                reduction::NewConditionSet(13)};
        p.conditions.flags.fill(false);
        for (int i = 0; i < f; ++i) p.frame[12 - i] = "012";
        out.push_back(p);
    }
    return out;
}

}  // namespace

int main() {
    const char* env = std::getenv("VINRA_BENCH_SECONDS");
    const double seconds = env ? std::atof(env) : 60.0;
    const auto folder = std::filesystem::path(__FILE__).parent_path().parent_path() / "resources/systems/Svenska Spel";
    fmt::print("| frame | right | outcomes | lower bound | best known | greedy | start | 1 s | 10 s | {:.0f} s |\n",
               seconds);
    fmt::print("|---|---|---|---|---|---|---|---|---|---|\n");
    // VINRA_BENCH_FRAME: only the frames whose name holds it; VINRA_BENCH_RIGHT: only 12 or 11 right.
    const char* only = std::getenv("VINRA_BENCH_FRAME");
    const char* right = std::getenv("VINRA_BENCH_RIGHT");
    for (const Frame& fr : Frames()) {
        if (only && fr.name.find(only) == std::string::npos) continue;
        for (int wrong : {1, 2}) {
            if (right && std::atoi(right) != 13 - wrong) continue;
            reduction::GuaranteeInput in;
            in.frame = fr.frame;
            in.conditions = fr.conditions;
            in.percent.user = reduction::UserPercentTable(in.conditions);
            in.wrong = wrong;
            in.seconds = seconds;
            in.startRows = reduction::ShippedSystemRows(folder, in.frame, 13, wrong);
            try {
                const reduction::GuaranteeResult r = reduction::ReduceWithGuarantee(in);
                auto at = [&](double t) {
                    int64_t best = 0;
                    for (const auto& [when, rows] : r.improvements)
                        if (when <= t) best = rows;
                    return best ? fmt::format("{}", best) : std::string("-");
                };
                const std::string start = r.startUsed          ? fmt::format("shipped {}", in.startRows.size())
                                          : r.constructionUsed ? std::string("construction")
                                                               : std::string("greedy");
                fmt::print("| {} | {} | {} | {} | {} | {} | {} | {} | {} | {} |\n", fr.name, 13 - wrong, r.outcomes,
                           std::max(r.lowerBound, r.reachBound), r.bestKnown ? fmt::format("{}", r.bestKnown) : "?",
                           r.greedyRows, start, at(1), at(10), r.rows.size());
            } catch (const std::exception& e) {
                fmt::print("| {} | {} | refused: {} |\n", fr.name, 13 - wrong, e.what());
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
