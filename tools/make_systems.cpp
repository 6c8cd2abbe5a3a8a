// make_systems: makes the shipped reduced systems (coverings of the guarded
// matches: radius 1 guarantees N-1 right, radius 2 N-2 right) and writes them
// as R- and U-system files, one folder per pool operator. Run by hand; the
// files it writes are shipped with the program. See tools/README.md.
//
//   make_systems --out resources/systems [--only 4-0 --only 3-3] [--max-seconds 60]
//   make_systems --radius 2 --only 8-0 --only 11-0 [--no-search]
//
// Every size starts from the best of: the algebraic construction of its
// guards (Hamming and Golay codes and their direct sums), the direct sums of
// two smaller systems in the folder, the system of the same guards and
// guarantee already in the folder; the search then tries to
// beat that, so runs only ever improve the shipped set. The same seed gives
// the same files. Nothing is written before the warranty engine has played
// the system on its own frame and found the guarantee.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/core.h>

#include "core/text.h"
#include "reduction/covering.h"
#include "reduction/covering_codes.h"
#include "reduction/red_guarantee.h"
#include "reduction/reduced_system.h"

namespace fs = std::filesystem;
using vinra::reduction::CoverWord;

namespace {

struct Size {
    int full;
    int half;
};

// The code held by an R-system file of these guards, when it is a valid covering.
std::vector<CoverWord> ReadExisting(const fs::path& folder, int full, int half, int radius) {
    if (!fs::exists(folder)) return {};
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string stem = entry.path().stem().string();
        const auto name = vinra::reduction::ParseRedName(stem);
        if (!name.readable || name.type != 'R' || name.full != full || name.half != half ||
            vinra::reduction::RedNameWrong(stem) != radius)
            continue;
        try {
            const auto lines = vinra::core::SplitLines(vinra::core::ReadFileBytes(entry.path()));
            const auto code = vinra::reduction::CodeFromRedLines(lines, full, half);
            if (vinra::reduction::IsCovering(full, half, code, radius)) return code;
        } catch (const std::exception&) {}
    }
    return {};
}

// The systems of these guards and this guarantee; those of the other
// guarantee stay.
void RemoveOthers(const fs::path& folder, int full, int half, int radius) {
    if (!fs::exists(folder)) return;
    std::vector<fs::path> old;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!vinra::core::EqualsNoCase(entry.path().extension().string(), ".RED")) continue;
        const std::string stem = entry.path().stem().string();
        const auto name = vinra::reduction::ParseRedName(stem);
        if (name.readable && name.full == full && name.half == half && (name.type == 'R' || name.type == 'U') &&
            vinra::reduction::RedNameWrong(stem) == radius)
            old.push_back(entry.path());
    }
    for (const auto& p : old) fs::remove(p);
}

// The best direct sum of two smaller systems already in the folder (or whole
// spaces, radius 0): A of (f1, h1, r1) and B of the rest, radii adding up to
// `radius`. Half coordinates first, then full ones, as in a file.
std::vector<CoverWord> BestSumOfShipped(const fs::path& folder, int full, int half, int radius, std::string& recipe) {
    std::map<std::array<int, 3>, std::vector<CoverWord>> cache;
    auto code = [&](int f, int h, int r) -> const std::vector<CoverWord>& {
        auto [it, fresh] = cache.try_emplace({f, h, r});
        if (!fresh) return it->second;
        if (r == 0) {
            const vinra::reduction::MixedSpace sp(f, h);
            if (sp.size() <= 6561)
                for (uint32_t p = 0; p < sp.size(); ++p) it->second.push_back(sp.Decode(p));
        } else {
            it->second = ReadExisting(folder, f, h, r);
        }
        return it->second;
    };
    std::vector<CoverWord> best;
    for (int f1 = 0; f1 <= full; ++f1)
        for (int h1 = 0; h1 <= half; ++h1) {
            const int f2 = full - f1, h2 = half - h1;
            if (f1 + h1 == 0 || f2 + h2 == 0 || f1 + h1 < f2 + h2 || (f1 + h1 == f2 + h2 && f1 < f2)) continue;
            for (int r1 = 0; r1 <= radius; ++r1) {
                const auto& a = code(f1, h1, r1);
                const auto& b = code(f2, h2, radius - r1);
                if (a.empty() || b.empty() || (!best.empty() && a.size() * b.size() >= best.size())) continue;
                best.clear();
                for (const CoverWord& x : a)
                    for (const CoverWord& y : b) {
                        CoverWord w;
                        w.insert(w.end(), x.begin(), x.begin() + h1);
                        w.insert(w.end(), y.begin(), y.begin() + h2);
                        w.insert(w.end(), x.begin() + h1, x.end());
                        w.insert(w.end(), y.begin() + h2, y.end());
                        best.push_back(std::move(w));
                    }
                recipe = fmt::format("{}-{} r{} ({}) + {}-{} r{} ({})", f1, h1, r1, a.size(), f2, h2, radius - r1,
                                     b.size());
            }
        }
    return best;
}

// The warranty engine's word on a system: played on a frame of its own guards
// (no singles), every outcome must have a row within the radius.
bool GuaranteeHolds(const std::string& name, const std::vector<std::string>& lines, int full, int half, int radius) {
    const auto system = vinra::reduction::RedSystemFromLines(name, lines);
    const auto g = vinra::reduction::ComputeRedGuarantee(system, full + half);
    if (!g.complete) return false;
    if (system.info.type == 'U')
        for (int right : g.byMisses)
            if (right < full + half - radius) return false;
    return g.guaranteed >= full + half - radius;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Searches reduced systems and writes them as R- and U-system files"};
    std::string out = "resources/systems";
    std::vector<std::string> operators = {"Svenska Spel", "Norsk Tipping", "Dansk Tipstjeneste", "Veikkaus", "Unibet"};
    std::vector<std::string> only;
    int maxGuards = 10;
    uint32_t maxRows = 6561;
    double maxSeconds = 60;
    double minSeconds = 3;
    double secondsPerKPoint = 1.0;
    uint64_t seed = 20261210;
    double cosetShare = 0.5;
    double weightedShare = 0.0;
    uint32_t maxCosets = 6561;
    int radius = 1;
    bool noSearch = false;
    app.add_option("--out", out, "folder that receives one subfolder per operator");
    app.add_option("--operator", operators, "operator folders to write (default: all five)");
    app.add_option("--only", only, "only these guards, as FULL-HALF (repeatable)");
    app.add_option("--max-guards", maxGuards, "largest number of guarded matches");
    app.add_option("--max-rows", maxRows, "largest system written");
    app.add_option("--max-seconds", maxSeconds, "search time limit of one size");
    app.add_option("--min-seconds", minSeconds, "search time of the smallest sizes");
    app.add_option("--seconds-per-kpoint", secondsPerKPoint, "search time per 1000 outcomes of a size");
    app.add_option("--seed", seed, "random seed");
    app.add_option("--coset-share", cosetShare, "share of the time for the coset search");
    app.add_option("--weighted-share", weightedShare,
                   "share of the time after the coset search for the weighted search (it then searches the cosets too)");
    app.add_option("--max-cosets", maxCosets, "largest coset graph the coset search tries");
    app.add_option("--radius", radius, "1: N-1 right guaranteed, 2: N-2 right")->check(CLI::Range(1, 2));
    app.add_flag("--no-search", noSearch, "only the construction or the system already there, no search");
    CLI11_PARSE(app, argc, argv);

    std::vector<Size> sizes;
    if (only.empty()) {
        for (int g = 1; g <= maxGuards; ++g)
            for (int f = g; f >= 0; --f) sizes.push_back({f, g - f});
    } else {
        for (const auto& s : only) {
            int f = 0, h = 0;
            if (std::sscanf(s.c_str(), "%d-%d", &f, &h) != 2) {
                fmt::print(stderr, "make_systems: {} is not FULL-HALF\n", s);
                return 2;
            }
            sizes.push_back({f, h});
        }
    }

    fmt::print("| full | half | radius | outcomes | sphere bound | best known | start | found | seconds |\n");
    fmt::print("|---|---|---|---|---|---|---|---|---|\n");
    for (const Size& sz : sizes) {
        const auto t0 = std::chrono::steady_clock::now();
        const vinra::reduction::MixedSpace space(sz.full, sz.half);
        const uint32_t known = vinra::reduction::BestKnownCoveringSize(sz.full, sz.half, radius);

        // The start: the construction or the system already shipped, the smaller.
        std::vector<CoverWord> code;
        std::string from = "-";
        if (sz.half == 0) {
            auto made = vinra::reduction::ConstructCovering(sz.full, radius);
            if (!made.words.empty() && vinra::reduction::IsCovering(sz.full, 0, made.words, radius)) {
                code = std::move(made.words);
                from = fmt::format("{} ({})", made.recipe, code.size());
            }
        }
        {
            std::string recipe;
            auto sum = BestSumOfShipped(fs::path(out) / operators.front(), sz.full, sz.half, radius, recipe);
            if (!sum.empty() && (code.empty() || sum.size() < code.size()) &&
                vinra::reduction::IsCovering(sz.full, sz.half, sum, radius)) {
                code = std::move(sum);
                from = fmt::format("{} = {}", recipe, code.size());
            }
        }
        const auto existing = ReadExisting(fs::path(out) / operators.front(), sz.full, sz.half, radius);
        if (!existing.empty() && (code.empty() || existing.size() < code.size())) {
            code = existing;
            from = fmt::format("shipped ({})", code.size());
        }
        const bool atBest = !code.empty() && (code.size() <= known ||
                                              code.size() <= vinra::reduction::SphereCoveringBound(
                                                                 sz.full, sz.half, radius));
        if (!noSearch && !atBest) {
            vinra::reduction::CoveringOptions opt;
            opt.seed = seed + static_cast<uint64_t>(sz.full * 37 + sz.half);
            opt.seconds = std::clamp(secondsPerKPoint * space.size() / 1000.0, minSeconds, maxSeconds);
            opt.target = known;
            opt.cosetShare = cosetShare;
            opt.weightedShare = weightedShare;
            opt.maxCosets = maxCosets;
            opt.radius = radius;
            opt.start = code;
            try {
                auto found = vinra::reduction::FindCovering(sz.full, sz.half, opt);
                if (code.empty() || found.size() < code.size()) code = std::move(found);
            } catch (const std::invalid_argument& e) {
                fmt::print(stderr, "make_systems: {}-{}: no search ({})\n", sz.full, sz.half, e.what());
            }
        }
        if (code.empty() || !vinra::reduction::IsCovering(sz.full, sz.half, code, radius)) {
            fmt::print(stderr, "make_systems: {}-{}: no covering\n", sz.full, sz.half);
            return 1;
        }
        if (code.size() > maxRows) {
            fmt::print(stderr, "make_systems: {}-{}: {} rows, more than --max-rows; not written\n", sz.full,
                       sz.half, code.size());
            continue;
        }
        std::sort(code.begin(), code.end(),
                  [&](const CoverWord& a, const CoverWord& b) { return space.Encode(a) < space.Encode(b); });
        std::array<std::vector<std::string>, 2> files;  // R, U
        for (int k = 0; k < 2; ++k) {
            const bool u = k == 1;
            files[k] = vinra::reduction::RedLinesFromCode(code, sz.full, sz.half, u);
            const std::string name = vinra::reduction::RedSystemName(u ? 'U' : 'R', sz.full, sz.half, code.size(),
                                                                     radius);
            if (!GuaranteeHolds(name, files[k], sz.full, sz.half, radius)) {
                fmt::print(stderr, "make_systems: {}: the warranty engine finds the guarantee broken\n", name);
                return 1;
            }
        }
        for (const auto& op : operators) {
            const fs::path folder = fs::path(out) / op;
            fs::create_directories(folder);
            RemoveOthers(folder, sz.full, sz.half, radius);
            for (int k = 0; k < 2; ++k) {
                const std::string name =
                    vinra::reduction::RedSystemName(k == 1 ? 'U' : 'R', sz.full, sz.half, code.size(), radius);
                vinra::core::WriteFileAtomic(folder / (name + ".RED"), vinra::core::JoinCrLf(files[k]));
            }
        }
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        fmt::print("| {} | {} | {} | {} | {} | {} | {} | {} | {:.1f} |\n", sz.full, sz.half, radius, space.size(),
                   vinra::reduction::SphereCoveringBound(sz.full, sz.half, radius),
                   known ? fmt::format("{}", known) : "?", from, code.size(), secs);
        std::fflush(stdout);
    }
    return 0;
}
