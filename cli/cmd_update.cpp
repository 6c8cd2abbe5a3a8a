// vinra update-check: the program's update check on the data folder (update.ini,
// teamstat.ini, teamlogo.ini), its messages printed instead of shown.
// vinra fetch URL -o FILE: one download on the download worker, followed by polling.
#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include "cli/command.h"
#include "cli/terminal_output.h"
#include "core/folders.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/text.h"
#include "net/download.h"
#include "net/http.h"
#include "net/update_check.h"

namespace vinra::cli {
namespace {

// Transfers go through the proxy of the settings, as in the desktop program.
void ApplySettingsProxy() {
    try {
        core::SettingsFile settings(core::SettingsFile::DefaultPath());
        net::UseProxySetting(settings.Load().proxy);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
}

// No one to ask: a newer program is reported, never opened.
class PrintingUi : public net::UpdateCheckUi {
public:
    void ShowInfo(const std::string& text) override { std::cout << text << "\n"; }
    bool AskYesNo(const std::string& text) override {
        std::cout << text << "\n";
        return false;
    }
    void OpenUrl(const std::string&) override {}
};

int RunUpdateCheck() {
    ApplySettingsProxy();
    PrintingUi ui;
    net::UpdateCheckResult r;
    try {
        r = net::UpdateCheck(core::DataFolder(), ui, core::kProgramVersion);
    } catch (const core::FileError& e) {
        throw CommandError(e.what());
    }
    if (!r.updateIniReplaced) throw CommandError("update.ini kept: " + r.updateIniError);
    std::cout << "update.ini: replaced\n";
    if (r.dataFilesDue) {
        std::cout << "teamstat.ini: " << (r.teamstatRefreshed ? "refreshed" : "kept") << "\n";
        std::cout << "teamlogo.ini: " << (r.teamlogoRefreshed ? "refreshed" : "kept") << "\n";
        for (const std::string& e : r.dataFileErrors) std::cerr << "vinra: " << e << "\n";
        if (!r.teamstatRefreshed || !r.teamlogoRefreshed) return 1;
    }
    return 0;
}

struct FetchOptions {
    std::string url;
    std::string out;
};

int RunFetch(const FetchOptions& opt) {
    ApplySettingsProxy();
    CatchInterrupt();
    auto inbox = std::make_shared<net::TDownloadInbox>();
    net::TDownloadThread transfer(inbox, opt.out, opt.url, 1);
    transfer.Start();
    const bool terminal = StderrIsTerminal();
    // The worker ends by itself (connect and stall time-outs); Ctrl+C cancels it.
    for (;;) {
        if (InterruptFlag()) {
            inbox->Detach();
            inbox->WaitIdle(std::chrono::seconds(5));
            throw CommandError(opt.url + ": interrupted; " + opt.out + " left as it was");
        }
        for (const net::TSyncInfo& r : inbox->Drain()) {
            if (r.state == net::kSyncProgress && terminal) {
                ProgressStream() << "\r" << r.bytes;
                if (r.expected > 0) ProgressStream() << " / " << r.expected;
                ProgressStream() << " bytes" << std::flush;
            }
            if (r.state == net::kSyncFinished) {
                if (terminal) std::cerr << "\n";
                if (!r.ok) throw CommandError(r.error + "; " + opt.out + " left as it was");
                std::cout << opt.out << ": " << r.bytes << " bytes\n";
                return 0;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

Registrar regCheck("update-check", [](CLI::App& app) -> RunFn {
    app.add_subcommand("update-check",
                       "Fetch update.ini from the web service (update.ini [Service] Host) and refresh the club "
                       "data files when the service has newer ones");
    return [] { return RunUpdateCheck(); };
});

Registrar regFetch("fetch", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<FetchOptions>();
    auto* sub = app.add_subcommand("fetch", "Download an address into a file (replaced only by a complete reply)");
    sub->add_option("url", opt->url, "http:// or https:// address")->required();
    sub->add_option("-o,--output", opt->out, "File to write")->required();
    return [opt] { return RunFetch(*opt); };
});

}  // namespace
}  // namespace vinra::cli
