// A Saturday afternoon at a club's vinra-service, on this machine: a round is
// played live while simulated players reload their live-check and goal-service
// pages at the pages' own rates (60 s and 30 s), others publish goal pages and
// upload systems. Loopback only, bounded in players and time; prints the
// throughput and the latency (p50, p99, max) of each kind of request.
//
//   service_load_bench [--viewers N] [--seconds S] [--speed X] [--data DIR]
//
// --speed X reloads X times as often as a browser would (the load of X times
// as many players). Defaults: 2000 viewers, 60 s, speed 1, service/data.
#include <httplib.h>
#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <queue>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "service/guarded_server.h"
#include "service/server.h"

namespace {

using Clock = std::chrono::steady_clock;
using vinra::service::GuardedServer;
using vinra::service::ServiceOptions;
using vinra::service::VinraService;

constexpr int kMaxViewers = 20000;
constexpr double kMaxSeconds = 600;
constexpr int kClientThreads = 48;  // browsers waiting for replies at once
constexpr int kPublishers = 40;     // players whose goal page others follow
constexpr int kUploads = 40;        // systems whose live-check page others follow

enum Kind { LiveCheck, GoalPage, LiveXml, Publish, Upload, kKinds };
const char* const kKindNames[kKinds] = {"live-check page", "goal-service page", "live scores (XML)", "publication",
                                        "system upload"};

struct Job {
    Clock::time_point at;
    int viewer;
    Kind kind;
    bool operator>(const Job& o) const { return at > o.at; }
};

std::string Rows(std::mt19937& rng, int count) {
    std::string text = "Stryktipset\r\n";
    const char signs[] = {'1', 'X', '2'};
    for (int i = 0; i < count; ++i) {
        for (int m = 0; m < 13; ++m) text += signs[rng() % 3];
        text += "\r\n";
    }
    return text;
}

std::string Publication(int n) {
    std::string xml = fmt::format("<goalservice><productname>Stryktipset</productname><round>{}</round><games>", n);
    for (int m = 1; m <= 13; ++m)
        xml += fmt::format("<match><no>{}</no><home>Home {}</home><away>Away {}</away><goals>{}-0</goals></match>", m,
                           m, m, n % 4);
    return xml + "</games><comment>Player " + std::to_string(n) + "</comment></goalservice>";
}

double Percentile(std::vector<double>& v, double p) {
    if (v.empty()) return 0;
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
    return v[i];
}

}  // namespace

int main(int argc, char** argv) {
    int viewers = 2000;
    double seconds = 60, speed = 1;
    std::filesystem::path data = "service/data";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--viewers") viewers = std::atoi(value.c_str());
        else if (key == "--seconds") seconds = std::atof(value.c_str());
        else if (key == "--speed") speed = std::atof(value.c_str());
        else if (key == "--data") data = value;
        else {
            std::cerr << "service_load_bench: unknown option " << key << "\n";
            return 2;
        }
    }
    if (viewers < 1 || viewers > kMaxViewers || !(seconds > 0 && seconds <= kMaxSeconds) || !(speed > 0 && speed <= 100)) {
        std::cerr << fmt::format("service_load_bench: 1 to {} viewers, 0 to {} seconds, speed 0 to 100\n", kMaxViewers,
                                 kMaxSeconds);
        return 2;
    }
    if (!std::filesystem::is_regular_file(data / "apikeys.ini")) {
        std::cerr << "service_load_bench: " << data << " is no service data folder (run from the source folder)\n";
        return 2;
    }

    VinraService service(ServiceOptions{data, "", {}});
    GuardedServer server;
    service.Register(server);
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread listener([&] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));

    // The round kicks off now, half a second a match minute: it is played
    // while the benchmark runs (and ends within 50 s).
    httplib::Client control("127.0.0.1", port);
    if (auto r = control.Post("/api/live/start?typ=S&start=now&minute=0.5", "", "text/plain"); !r || r->status != 200) {
        std::cerr << "service_load_bench: the live round did not start\n";
        return 1;
    }

    // The systems and goal pages the viewers follow.
    std::mt19937 rng(2026);
    std::vector<std::string> checkPaths, goalIds;
    const std::string key = "vinra-demo-2026";
    auto upload = [&](httplib::Client& c, int n, std::mt19937& g) {
        const httplib::MultipartFormDataItems items = {
            {"data[username]", "demo", "", ""},
            {"data[apikey]", key, "", ""},
            {"data[file]", Rows(g, 2000 + n % 5 * 2000), fmt::format("system{}.txt", n), "text/plain"},
        };
        auto res = c.Post("/systems/apiImportVinra/0", items);
        if (!res || res->status != 200) return std::string();
        const size_t at = res->body.find("systems\\/live\\/");
        if (at == std::string::npos) return std::string();
        const size_t from = at + std::string("systems\\/live\\/").size();
        return "/systems/live/" + res->body.substr(from, res->body.find('"', from) - from);
    };
    auto publish = [&](httplib::Client& c, int n) {
        const httplib::Params form = {{"dbid", fmt::format("S_player{}", n)}, {"xmldata", Publication(n)}};
        auto res = c.Post("/apps/goalservice/gsnew.php", form);
        return res && res->status == 200;
    };
    for (int i = 0; i < kUploads; ++i) {
        const std::string p = upload(control, i, rng);
        if (p.empty()) {
            std::cerr << "service_load_bench: an upload failed\n";
            return 1;
        }
        checkPaths.push_back(p);
    }
    for (int i = 0; i < kPublishers; ++i) {
        if (!publish(control, i)) {
            std::cerr << "service_load_bench: a publication failed\n";
            return 1;
        }
        goalIds.push_back(fmt::format("S_player{}", i));
    }

    // Every viewer reloads both pages and its program polls the live scores;
    // the publishers publish every 60 s and a few systems are uploaded.
    std::priority_queue<Job, std::vector<Job>, std::greater<>> jobs;
    const auto start = Clock::now() + std::chrono::milliseconds(200);
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto every = [speed](double s) {
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s / speed));
    };
    const std::map<Kind, Clock::duration> period = {
        {LiveCheck, every(60)}, {GoalPage, every(30)}, {LiveXml, every(30)}, {Publish, every(60)}, {Upload, every(120)}};
    std::uniform_real_distribution<double> phase(0, 1);
    auto first = [&](Kind k) {
        return start + std::chrono::duration_cast<Clock::duration>(period.at(k) * phase(rng));
    };
    for (int v = 0; v < viewers; ++v)
        for (Kind k : {LiveCheck, GoalPage, LiveXml}) jobs.push({first(k), v, k});
    for (int p = 0; p < kPublishers; ++p) jobs.push({first(Publish), p, Publish});
    for (int u = 0; u < 10; ++u) jobs.push({first(Upload), kUploads + u, Upload});

    std::mutex m;
    std::condition_variable cv;
    std::vector<std::vector<double>> latency(kKinds);
    std::vector<int> failures(kKinds, 0);
    double worstLag = 0;
    std::vector<std::thread> clients;
    for (int t = 0; t < kClientThreads; ++t)
        clients.emplace_back([&, t] {
            std::mt19937 g(static_cast<unsigned>(t));
            for (;;) {
                Job job;
                {
                    std::unique_lock lock(m);
                    for (;;) {
                        if (jobs.empty() || jobs.top().at >= end) return;
                        if (jobs.top().at <= Clock::now()) break;
                        cv.wait_until(lock, jobs.top().at);
                    }
                    job = jobs.top();
                    jobs.pop();
                    jobs.push({job.at + period.at(job.kind), job.viewer, job.kind});
                    cv.notify_one();
                }
                // A fresh connection per reload, as a browser after 30 s.
                httplib::Client c("127.0.0.1", port);
                c.set_read_timeout(30, 0);
                const auto sent = Clock::now();
                bool ok = false;
                switch (job.kind) {
                    case LiveCheck: {
                        auto r = c.Get(checkPaths[static_cast<size_t>(job.viewer) % checkPaths.size()]);
                        ok = r && r->status == 200;
                        break;
                    }
                    case GoalPage: {
                        auto r = c.Get("/goalservice/goalservice.php?id=" +
                                       goalIds[static_cast<size_t>(job.viewer) % goalIds.size()]);
                        ok = r && r->status == 200;
                        break;
                    }
                    case LiveXml: {
                        auto r = c.Get("/api/svenskaspel/goalserviceProxy.php?produktid=1");
                        ok = r && r->status == 200;
                        break;
                    }
                    case Publish: ok = publish(c, job.viewer); break;
                    case Upload: ok = !upload(c, job.viewer, g).empty(); break;
                    case kKinds: break;
                }
                const auto done = Clock::now();
                std::lock_guard lock(m);
                latency[job.kind].push_back(std::chrono::duration<double, std::milli>(done - sent).count());
                if (!ok) ++failures[job.kind];
                worstLag = std::max(worstLag, std::chrono::duration<double, std::milli>(sent - job.at).count());
            }
        });
    for (auto& c : clients) c.join();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    server.stop();
    listener.join();

    std::vector<double> all;
    size_t total = 0;
    int failed = 0;
    std::cout << fmt::format("{} viewers, speed {}, {:.0f} s, {} client threads, {} hardware threads\n", viewers, speed,
                             took, kClientThreads, std::thread::hardware_concurrency());
    std::cout << fmt::format("{:<20} {:>8} {:>8} {:>9} {:>9} {:>9}\n", "request", "count", "failed", "p50 ms",
                             "p99 ms", "max ms");
    for (int k = 0; k < kKinds; ++k) {
        auto& v = latency[static_cast<size_t>(k)];
        total += v.size();
        failed += failures[static_cast<size_t>(k)];
        all.insert(all.end(), v.begin(), v.end());
        const double mx = v.empty() ? 0 : *std::max_element(v.begin(), v.end());
        std::cout << fmt::format("{:<20} {:>8} {:>8} {:>9.1f} {:>9.1f} {:>9.1f}\n", kKindNames[k], v.size(),
                                 failures[static_cast<size_t>(k)], Percentile(v, 0.50), Percentile(v, 0.99), mx);
    }
    const double p99 = Percentile(all, 0.99);
    std::cout << fmt::format("{:<20} {:>8} {:>8} {:>9.1f} {:>9.1f}\n", "all", total, failed, Percentile(all, 0.50), p99);
    std::cout << fmt::format("throughput {:.1f} requests/s; latest start of a request {:.0f} ms after its time\n",
                             static_cast<double>(total) / took, worstLag);
    return failed == 0 && p99 < 200 ? 0 : 1;
}
