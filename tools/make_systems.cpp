// make_systems: searches small reduced systems (radius-1 coverings of the
// guarded matches) and writes them as R- and U-system files, one folder per
// pool operator. Run by hand; the files it writes are shipped with the program.
//
//   make_systems --out resources/systems [--only 4-0 --only 3-3] [--max-seconds 60]
//
// An existing system of the same guards is kept when the new search does not
// beat it, so runs only ever improve the shipped set.
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
#include "reduction/reduced_system.h"

namespace fs = std::filesystem;
using vinra::reduction::CoverWord;

namespace {

struct Size {
    int full;
    int half;
};

// Best sizes known from the literature for the pure cases (upper bounds).
int KnownBest(int full, int half) {
    static const std::map<int, int> ternary = {{1, 1}, {2, 3}, {3, 5}, {4, 9}, {5, 27}, {6, 73}, {7, 186}, {8, 486}};
    static const std::map<int, int> binary = {{1, 1},  {2, 2},  {3, 2},  {4, 4},  {5, 7},
                                              {6, 12}, {7, 16}, {8, 32}, {9, 62}, {10, 120}};
    if (half == 0) {
        auto it = ternary.find(full);
        return it == ternary.end() ? 0 : it->second;
    }
    if (full == 0) {
        auto it = binary.find(half);
        return it == binary.end() ? 0 : it->second;
    }
    return 0;
}

// The code held by an R-system file of these guards, when it is a valid covering.
std::vector<CoverWord> ReadExisting(const fs::path& folder, int full, int half) {
    if (!fs::exists(folder)) return {};
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string stem = entry.path().stem().string();
        const auto name = vinra::reduction::ParseRedName(stem);
        if (!name.readable || name.type != 'R' || name.full != full || name.half != half) continue;
        try {
            const auto lines = vinra::core::SplitLines(vinra::core::ReadFileBytes(entry.path()));
            const auto code = vinra::reduction::CodeFromRedLines(lines, full, half);
            if (vinra::reduction::IsRadiusOneCovering(full, half, code)) return code;
        } catch (const std::exception&) {}
    }
    return {};
}

void RemoveOthers(const fs::path& folder, int full, int half) {
    if (!fs::exists(folder)) return;
    std::vector<fs::path> old;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!vinra::core::EqualsNoCase(entry.path().extension().string(), ".RED")) continue;
        const auto name = vinra::reduction::ParseRedName(entry.path().stem().string());
        if (name.readable && name.full == full && name.half == half && (name.type == 'R' || name.type == 'U'))
            old.push_back(entry.path());
    }
    for (const auto& p : old) fs::remove(p);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Searches reduced systems and writes them as R- and U-system files"};
    std::string out = "resources/systems";
    std::vector<std::string> operators = {"Svenska Spel", "Norsk Tipping", "Dansk Tipstjeneste", "Veikkaus", "Unibet"};
    std::vector<std::string> only;
    int maxGuards = 10;
    uint32_t maxRows = 4000;
    double maxSeconds = 60;
    double minSeconds = 3;
    double secondsPerKPoint = 1.0;
    uint64_t seed = 20261210;
    double cosetShare = 0.5;
    uint32_t maxCosets = 6561;
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
    app.add_option("--max-cosets", maxCosets, "largest coset graph the coset search tries");
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

    fmt::print("| full | half | outcomes | lower bound | best known | found | seconds |\n");
    fmt::print("|---|---|---|---|---|---|---|\n");
    for (const Size& sz : sizes) {
        const vinra::reduction::MixedSpace space(sz.full, sz.half);
        vinra::reduction::CoveringOptions opt;
        opt.seed = seed + static_cast<uint64_t>(sz.full * 37 + sz.half);
        opt.seconds = std::clamp(secondsPerKPoint * space.size() / 1000.0, minSeconds, maxSeconds);
        opt.target = static_cast<uint32_t>(KnownBest(sz.full, sz.half));
        opt.cosetShare = cosetShare;
        opt.maxCosets = maxCosets;
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<CoverWord> code = vinra::reduction::FindCovering(sz.full, sz.half, opt);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const auto existing = ReadExisting(fs::path(out) / operators.front(), sz.full, sz.half);
        bool kept = false;
        if (!existing.empty() && existing.size() <= code.size()) {
            code = existing;
            kept = true;
        }
        if (!vinra::reduction::IsRadiusOneCovering(sz.full, sz.half, code)) {
            fmt::print(stderr, "make_systems: {}-{}: the search gave no covering\n", sz.full, sz.half);
            return 1;
        }
        const int known = KnownBest(sz.full, sz.half);
        fmt::print("| {} | {} | {} | {} | {} | {}{} | {:.1f} |\n", sz.full, sz.half, space.size(),
                   vinra::reduction::SphereCoveringBound(sz.full, sz.half), known ? fmt::format("{}", known) : "?",
                   code.size(), kept ? " (kept)" : "", secs);
        std::fflush(stdout);
        if (code.size() > maxRows) continue;
        for (const auto& op : operators) {
            const fs::path folder = fs::path(out) / op;
            fs::create_directories(folder);
            RemoveOthers(folder, sz.full, sz.half);
            for (char type : {'R', 'U'}) {
                const auto lines = vinra::reduction::RedLinesFromCode(code, sz.full, sz.half, type == 'U');
                const std::string name = vinra::reduction::RedSystemName(type, sz.full, sz.half, code.size());
                vinra::core::WriteFileAtomic(folder / (name + ".RED"), vinra::core::JoinCrLf(lines));
            }
        }
    }
    return 0;
}
