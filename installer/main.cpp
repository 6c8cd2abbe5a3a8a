// vinra2000-datafiles [/S]: installs the data files shipped with Vinra 2000
// into the data folder. The desktop program runs it with /S at the first start
// and whenever another version ran before.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "core/folders.h"
#include "core/system_document.h"
#include "installer/data_install.h"

namespace fs = std::filesystem;
using namespace vinra;

namespace {

void Usage(std::FILE* out) {
    std::fputs(
        "Usage: vinra2000-datafiles [/S]\n"
        "Installs the data files of Vinra 2000 (pools, service settings, pictures, sounds,\n"
        "reduced systems) into the data folder. Your settings file and your games and\n"
        "results database are never replaced.\n"
        "  /S         silent: print nothing but errors; the exit code tells success (0) or failure (1)\n"
        "  --version  print the version and exit\n",
        out);
}

fs::path ExeDir(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0, ec);
    return self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
    bool silent = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "/S" || arg == "/s") {
            silent = true;
        } else if (arg == "-h" || arg == "--help" || arg == "/?") {
            Usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("vinra2000-datafiles %s\n", core::kProgramVersion);
            return 0;
        } else {
            std::fprintf(stderr, "vinra2000-datafiles: unknown argument \"%s\"\n", argv[i]);
            Usage(stderr);
            return 1;
        }
    }

    const fs::path source = installer::FindShippedData(ExeDir(argv[0]));
    if (source.empty()) {
        std::fputs(
            "vinra2000-datafiles: the shipped data files were not found beside the program. "
            "Please re-install Vinra 2000.\n",
            stderr);
        return 1;
    }
    const fs::path data = core::DataFolder();
    if (!silent)
        std::printf("Installing the data files of Vinra 2000\n  from %s\n  into %s\n", source.string().c_str(),
                    data.string().c_str());

    const installer::InstallReport report = installer::InstallDataFiles(source, data);
    for (const auto& e : report.entries) {
        if (e.action == installer::Action::Failed) {
            std::fprintf(stderr, "vinra2000-datafiles: %s: %s\n", e.target.string().c_str(), e.detail.c_str());
        } else if (!silent && e.action != installer::Action::Unchanged) {
            std::printf("  %-9s %s%s%s\n", installer::ActionName(e.action), e.target.string().c_str(),
                        e.detail.empty() ? "" : " - ", e.detail.c_str());
        }
    }
    if (!silent) {
        using installer::Action;
        std::printf("%zu file(s): %zu installed, %zu updated, %zu merged, %zu kept, %zu unchanged, %zu created",
                    report.entries.size(), report.count(Action::Installed), report.count(Action::Replaced),
                    report.count(Action::Merged), report.count(Action::Kept), report.count(Action::Unchanged),
                    report.count(Action::Created));
        if (!report.ok()) std::printf(", %zu failed", report.count(Action::Failed));
        std::printf(".\n");
    }
    return report.ok() ? 0 : 1;
}
