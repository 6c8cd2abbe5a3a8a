#pragma once
// vinra-service: the web service the program talks to. It serves the service
// definition file, the club data files, the active pools, the games and results
// database lines, the operators' results, game information and live pages built
// from the round files of its data folder, and it takes own-rows submissions,
// system uploads and goal-service publications.
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "service/live_round.h"
#include "service/season.h"

namespace httplib {
class Server;
}

namespace vinra::service {

struct ServiceOptions {
    std::filesystem::path data;  // the data folder (rounds/, help/, logos/, update.ini ...)
    std::string publicUrl;       // base address put into replies; empty: taken from each request
    // Today's date and time, "yyyy-mm-dd hh:mm"; tests fix it.
    std::function<std::string()> now;
    // Bytes of submissions, uploads and publications kept in memory, per kind;
    // the oldest go first.
    size_t keepStoredBytes = size_t{64} << 20;
    // The manual installed with the programs (one folder per language base);
    // pages the data folder's help/ holds take precedence.
    std::filesystem::path help{};
    // The key that starts and stops the live round; empty: only from this machine.
    std::string operatorKey = {};
};

class VinraService {
public:
    explicit VinraService(ServiceOptions options);
    ~VinraService();

    // Registers every path on the server.
    void Register(httplib::Server& server);

    // The season as last read (re-read when a round file changed).
    std::shared_ptr<const Season> season();

    // The round played live on a timetable (none until started).
    LivePlay& live() { return live_; }

    // An uploaded system's rows, read once, and its count of rows per number
    // right against the last result asked for.
    struct UploadCheck;

    struct Stored {
        std::string id, owner, name, body;
        // A publication's page, or an upload's rows: built once when stored,
        // so a view only copies what is ready.
        std::shared_ptr<const std::string> page = nullptr;
        std::shared_ptr<UploadCheck> check = nullptr;
        size_t Bytes() const;
    };

private:
    std::shared_ptr<const Season> reloadIfChanged();
    std::string store(std::deque<Stored>& list, Stored item);
    const Stored* lookup(const std::deque<Stored>& list, const std::string& id) const;

    ServiceOptions options_;
    std::mutex mutex_;
    std::shared_ptr<const Season> season_;
    std::filesystem::file_time_type seasonStamp_{};
    size_t seasonFiles_ = 0;
    uint64_t nextId_ = 1;
    std::deque<Stored> submissions_, uploads_, publications_;
    LivePlay live_;
};

// "yyyy-mm-dd hh:mm" of the local clock.
std::string LocalNow();
// ISO year-week of a "yyyy-mm-dd..." date, "2026-50".
std::string WeekOf(const std::string& date);

}  // namespace vinra::service
