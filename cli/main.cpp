// The `vinra` command-line tool: every engine of the desktop program, without a window.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>

#include <unistd.h>

#include "cli/command.h"
#include "cli/terminal_output.h"
#include "core/settings.h"
#include "net/http.h"

namespace vinra::cli {

std::vector<CommandEntry>& Commands() {
    static std::vector<CommandEntry> commands;
    return commands;
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::atomic<bool>& InterruptFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

namespace {
extern "C" void OnInterrupt(int) { InterruptFlag().store(true); }
}  // namespace

void CatchInterrupt() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace vinra::cli

int main(int argc, char** argv) {
    using namespace vinra::cli;
    const TerminalOutputGuard escapeControls;
    CLI::App app{"Vinra 2000 command line: systems, reduction, warranty, checking"};
    app.require_subcommand(1);
    std::map<CLI::App*, RunFn> runs;
    for (auto& entry : Commands()) {
        size_t before = app.get_subcommands({}).size();
        RunFn run = entry.setup(app);
        auto subs = app.get_subcommands({});
        if (subs.size() > before) runs[subs.back()] = std::move(run);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    // Transfers use the proxy of the settings file, else the environment's.
    try {
        const auto path = vinra::core::SettingsFile::DefaultPath();
        std::error_code ec;
        vinra::net::UseProxySetting(std::filesystem::exists(path, ec) ? vinra::core::SettingsFile(path).Load().proxy
                                                                      : vinra::core::ProxyFromEnvironment());
    } catch (const std::exception&) {
        vinra::net::UseProxySetting(vinra::core::ProxyFromEnvironment());
    }
    for (auto& [sub, run] : runs) {
        if (!sub->parsed()) continue;
        try {
            return run();
        } catch (const CommandError& e) {
            std::cerr << "vinra: " << e.what() << "\n";
            return 1;
        } catch (const std::exception& e) {
            std::cerr << "vinra: " << e.what() << "\n";
            return 1;
        }
    }
    return 1;
}
