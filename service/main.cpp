// vinra-service: the Vinra 2000 web service on one address, with the round data
// of a data folder.
#include <httplib.h>

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdlib>
#include <iostream>

#include "core/ini.h"
#include "core/pools.h"
#include "core/system_document.h"
#include "service/guarded_server.h"
#include "service/server.h"

namespace {
httplib::Server* g_server = nullptr;
extern "C" void Stop(int) {
    if (g_server) g_server->stop();
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "vinra-service: the web service of Vinra 2000 (update.ini, active pools, results, game information,\n"
        "live scores, own-rows submission, system uploads, goal-service pages, help and statistics pages)"};
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string data = "service/data";
    std::string publicUrl;
    bool quiet = false;
    app.add_option("--host", host, "address to listen on")->capture_default_str();
    app.add_option("--port", port, "port to listen on (0: any free port, printed at start)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    app.add_option("--data", data,
                   "data folder: rounds/, help/, logos/, update.ini, teamstat.ini, teamlogo.ini, apikeys.ini")
        ->capture_default_str();
    app.add_option("--public-url", publicUrl, "base address written into replies (default: the Host the client used)");
    std::string helpPages;
    app.add_option("--help-pages", helpPages,
                   "folder of the manual's pages, one folder per language base (default: share/vinra2000/help "
                   "beside the program)");
    app.add_flag("--quiet", quiet, "no line per request on standard output");
    std::string liveStart, livePool = "S";
    double liveMinute = 60.0;
    int liveDraw = 0;
    app.add_option("--live-start", liveStart,
                   "play a round live: kick-off as unix seconds or \"now\" (also POST /api/live/start)");
    app.add_option("--live-pool", livePool, "pool code of the live round")->capture_default_str();
    app.add_option("--live-draw", liveDraw, "draw number of the live round (0: the pool's current round)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--live-minute", liveMinute, "real seconds per match minute of the live round")
        ->check(CLI::Range(0.001, 3600.0))
        ->capture_default_str();
    // From the environment, so the key does not show in the process list.
    const char* key = std::getenv("VINRA_OPERATOR_KEY");
    const std::string operatorKey = key ? key : "";
    app.footer(
        "The live round is started and stopped (POST /api/live/start, /api/live/stop) from this machine only,\n"
        "or, with VINRA_OPERATOR_KEY set in the environment, by requests carrying that key as X-Operator-Key.");
    app.set_version_flag("--version", std::string("vinra-service ") + vinra::core::kProgramVersion,
                         "print the version and exit");
    CLI11_PARSE(app, argc, argv);

    std::error_code ec;
    if (!std::filesystem::is_directory(data, ec)) {
        std::cerr << "vinra-service: the data folder " << data << " does not exist\n";
        return 2;
    }
    // The manual comes with the programs: <bin>/../share/vinra2000/help.
    std::filesystem::path help = helpPages;
    if (help.empty())
        help = std::filesystem::canonical("/proc/self/exe", ec).parent_path() / ".." / "share" / "vinra2000" / "help";
    vinra::service::ServiceOptions options{.data = data, .publicUrl = publicUrl, .now = {}, .help = help};
    options.operatorKey = operatorKey;
    vinra::service::VinraService service(options);
    for (const std::string& problem : service.season()->problems())
        std::cerr << "vinra-service: skipped " << problem << "\n";
    if (!liveStart.empty()) {
        vinra::service::LivePlan plan;
        plan.typ = livePool.size() == 1 ? livePool[0] : 0;
        plan.omgId = liveDraw;
        plan.minuteSeconds = liveMinute;
        plan.start = vinra::service::LiveClock::now();
        if (liveStart != "now") {
            const auto v = vinra::core::ParseInteger(liveStart);
            if (!v || *v < 0 || *v > vinra::service::kLatestLiveStart) {
                std::cerr << "vinra-service: --live-start must be now or unix seconds from 0 to "
                          << vinra::service::kLatestLiveStart << ", not " << liveStart << "\n";
                return 2;
            }
            plan.start = vinra::service::LiveClock::time_point(std::chrono::seconds(*v));
        }
        if (!vinra::core::FindPool(livePool)) {
            std::cerr << "vinra-service: --live-pool " << livePool << " is not a pool code\n";
            return 2;
        }
        service.live().Start(plan);
    }

    // Header deadline, header size limit, bounded ranges and a larger pool of
    // workers, so slow or hostile clients cannot take the service down.
    vinra::service::GuardedServer server;
    // Restarting on the same port must work while old connections linger in
    // TIME_WAIT, and a port another server listens on must stay refused (so no
    // SO_REUSEPORT, which the library sets by default).
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    service.Register(server);
    if (!quiet) {
        // One line per request: method, path (no query, no body) and status.
        server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
            std::cout << req.method << " " << req.path << " " << res.status << std::endl;
        });
    }
    g_server = &server;
    std::signal(SIGINT, Stop);
    std::signal(SIGTERM, Stop);
    const int bound = port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    if (bound < 0) {
        std::cerr << "vinra-service: cannot listen on " << host << ":" << port << "\n";
        return 1;
    }
    std::cout << "vinra-service: listening on http://" << host << ":" << bound << " with "
              << service.season()->rounds().size() << " rounds from " << data << std::endl;
    server.listen_after_bind();
    return 0;
}
