// vinra apply-system SYSTEM.1x2 --red FILE.RED -o OUT.1x2 [--math M,...] [--urow ROW]:
// plays a reduced system on the frame of a system file and writes the result.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "core/folders.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "reduction/reduced_system.h"

namespace vinra::cli {
namespace {

struct ApplyOptions {
    std::string file;
    std::string red;
    std::string out;
    std::vector<int> math;
    std::string urow;
    bool dropCombinations = false;
};

std::string SignName(int sign, const core::DisplaySigns& d) { return sign == 0 ? d.home : sign == 1 ? d.draw : d.away; }

int RunApply(const ApplyOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const int n = doc.MatchCount;
    if (n < 1 || n > core::kMaxMatches || static_cast<int>(doc.Grundrad.size()) < n)
        throw CommandError(opt.file + ": the system has no frame of 1 to 30 matches");
    const core::DisplaySigns signs = PoolOfSystem(doc).signs;

    reduction::SystemCoupon coupon(n);
    for (int i = 0; i < n; ++i) {
        for (int s = 0; s < 3; ++s)
            if (core::EntryHas(doc.Grundrad[i], static_cast<char>('0' + s))) coupon.ToggleMark(i, s);
        if (coupon.match(i).markCount() == 0)
            throw CommandError(opt.file + ": match " + std::to_string(i + 1) + " has no sign in the frame");
    }

    std::error_code ec;
    if (!std::filesystem::is_regular_file(opt.red, ec))
        throw CommandError(reduction::FileNotFoundMessage(opt.red).text);
    const std::string name = std::filesystem::path(opt.red).stem().string();
    const reduction::RedMessage nameMsg = coupon.ChooseSystem(name);
    if (nameMsg.number != 0)
        throw CommandError(opt.red + ": " + nameMsg.text +
                           " (a system is named like \"R 4-0-9\": type, blank, full-half-rows)");
    const char type = coupon.systemType();

    // Mathematical guards: the option, else those stored with the system.
    std::vector<int> math = opt.math;
    if (math.empty()) {
        const std::string stored = doc.GetMatGard();
        for (int i = 0; i < n && i < static_cast<int>(stored.size()); ++i)
            if (stored[i] == 'M') math.push_back(i + 1);
    }
    for (int m : math) {
        if (m < 1 || m > n)
            throw CommandError("--math " + std::to_string(m) + ": the system has matches 1 to " + std::to_string(n));
        if (type == 'S' || type == 'G')
            throw CommandError(opt.red + ": this kind of system takes no mathematical guards");
        if (coupon.match(m - 1).markCount() < 2)
            throw CommandError("--math " + std::to_string(m) +
                               ": a mathematical guard needs two or three signs in the frame");
        if (!coupon.match(m - 1).math) coupon.ToggleMath(m - 1);
    }

    // U signs (U-systems only): the option in the pool's characters, else those stored.
    if (type == 'U') {
        std::string urow = opt.urow;
        if (!urow.empty()) {
            if (static_cast<int>(urow.size()) != n)
                throw CommandError("--urow \"" + urow + "\" has " + std::to_string(urow.size()) +
                                   " characters; the system has " + std::to_string(n) + " matches");
            for (int i = 0; i < n; ++i) {
                const std::string one(1, urow[i]);
                int s = -1;
                if (core::EqualsNoCase(one, signs.home)) s = 0;
                else if (core::EqualsNoCase(one, signs.draw)) s = 1;
                else if (core::EqualsNoCase(one, signs.away)) s = 2;
                else if (one != "-" && one != "*")
                    throw CommandError("--urow: '" + one + "' is not one of " + signs.home + ", " + signs.draw + ", " +
                                       signs.away + ", - or *");
                if (s < 0) continue;
                const auto& m = coupon.match(i);
                if (m.math)
                    throw CommandError("--urow: match " + std::to_string(i + 1) +
                                       " is a mathematical guard and takes no U sign");
                if (!m.marks[s] || m.markCount() < 2)
                    throw CommandError("--urow: match " + std::to_string(i + 1) + " cannot take the U sign " +
                                       SignName(s, signs) + " (it must be a marked sign of a guarded match)");
                coupon.ClickU(i, s);
            }
        } else {
            const std::string stored = doc.GetURow();
            for (int i = 0; i < n && i < static_cast<int>(stored.size()); ++i) {
                const char c = stored[i];
                const int s = c == '1' ? 0 : (c == 'X' || c == 'x') ? 1 : c == '2' ? 2 : -1;
                if (s >= 0) coupon.ClickU(i, s);
            }
        }
    } else if (!opt.urow.empty()) {
        throw CommandError("--urow: " + name + " is not a U-system");
    }

    if (!coupon.OkEnabled()) {
        const auto c = coupon.Counts();
        std::string why = opt.red + ": the frame does not fit the system: it needs " + std::to_string(c.totalFull) +
                          " full and " + std::to_string(c.totalHalf) + " half guards, the frame has " +
                          std::to_string(c.usedFull) + " and " + std::to_string(c.usedHalf) +
                          " outside the mathematical guards";
        if (c.leftU != 0)
            why += "; a U-system needs a U sign (--urow) on each of its " + std::to_string(c.totalU) +
                   " guarded matches, " + std::to_string(c.uMarks) + " given";
        throw CommandError(why);
    }

    size_t rows = 0;
    try {
        rows = reduction::ApplyRedFileToDocument(doc, coupon, opt.red, !opt.dropCombinations);
    } catch (const reduction::RedError& e) {
        throw CommandError(e.message().number == reduction::kMsgFileNotFound ? e.message().text
                                                                             : opt.red + ": " + e.message().text);
    }
    try {
        doc.SaveToFile(opt.out);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
    std::cout << rows << " rows of " << name << " written to " << opt.out << "\n";
    return 0;
}

Registrar reg("apply-system", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<ApplyOptions>();
    auto* sub = app.add_subcommand("apply-system", "Play a reduced system (.RED) on the frame of a system file");
    sub->add_option("file", opt->file, "System file (.1x2) whose frame is the base row")->required();
    sub->add_option("--red", opt->red, "Reduced system file (.RED), named like \"R 4-0-9\"")->required();
    sub->add_option("-o,--output", opt->out, "Write the system with its new rows to this file")->required();
    sub->add_option("--math", opt->math,
                    "Matches (1-based) played as mathematical guards (default: those stored with the system)")
        ->delimiter(',');
    sub->add_option("--urow", opt->urow,
                    "U-systems: the U sign of every match in the pool's characters, - for none "
                    "(default: the U row stored with the system)");
    sub->add_flag("--drop-combinations", opt->dropCombinations,
                  "Clear the source rows and yes/no-combinations of the system");
    return [opt] { return RunApply(*opt); };
});

}  // namespace
}  // namespace vinra::cli
