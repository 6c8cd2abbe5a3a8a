// vinra export SYSTEM.1x2 -o OUT [--format auto|svenskaspel|unibet|ntf]: writes
// the rows of a system as the operator's row file.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "core/folders.h"
#include "core/pools.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/text.h"
#include "output/row_files.h"

namespace vinra::cli {
namespace {

namespace fs = std::filesystem;

struct ExportOptions {
    std::string file;
    std::string out;
    std::string format = "auto";
};

output::RowFileFormat FormatOf(const std::string& name, const core::TVinraFile& doc) {
    if (name == "svenskaspel") return output::RowFileFormat::SvenskaSpel;
    if (name == "unibet") return output::RowFileFormat::Unibet;
    if (name == "ntf") return output::RowFileFormat::Ntf;
    return output::RowFileFormatOfPool(doc.Typ);
}

int RunExport(const ExportOptions& opt) {
    core::TVinraFile doc = LoadSystem(opt.file);
    const output::RowFileFormat format = FormatOf(opt.format, doc);
    output::PcBetSettings pcBet;
    if (format == output::RowFileFormat::Ntf) {
        try {
            pcBet = output::ReadPcBetSettings(core::SettingsFile::DefaultPath());
        } catch (const core::FileError& e) {
            throw CommandError(e.what());
        }
    }
    const auto result = output::ExportRowsAs(format, doc, opt.out, pcBet, PoolOfSystem(doc).signs);
    if (!result.ok()) throw CommandError(opt.file + ": " + result.message);
    std::cout << result.message << " (" << output::RowFileFormatName(format) << ")\n";
    return 0;
}

Registrar reg("export", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<ExportOptions>();
    auto* sub = app.add_subcommand("export", "Write the rows of a system as the operator's row file");
    sub->add_option("file", opt->file, "System file (.1x2)")->required();
    sub->add_option("-o,--output", opt->out, "Row file to write (replaced when it exists)")->required();
    sub->add_option("--format", opt->format,
                    "auto (by the pool: Svenska Spel S/I, Unibet T/O, NTF for Norsk Tipping A/C/E), "
                    "svenskaspel, unibet or ntf; ntf takes the PC-Bet values of the settings file")
        ->check(CLI::IsMember({"auto", "svenskaspel", "unibet", "ntf"}))
        ->capture_default_str();
    return [opt] { return RunExport(*opt); };
});

}  // namespace
}  // namespace vinra::cli
