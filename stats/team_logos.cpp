#include "stats/team_logos.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <system_error>
#include <unistd.h>

#include "core/messages.h"
#include "net/http.h"
#include "net/transfer_error.h"

namespace vinra::stats {

namespace fs = std::filesystem;

namespace {
// Why a logo is missing, in the player's language.
constexpr int kMsgNotAPicture = 4107;  // "%s is not a picture"
constexpr int kMsgNotStored = 4108;    // "%s could not be stored: %s"
constexpr int kMsgTooLarge = 4109;     // "The picture at %s is larger than %d bytes"
}  // namespace

bool PoolHasMatchInformation(std::string_view typ) { return typ == "S" || typ == "I" || typ == "T" || typ == "O"; }

bool PoolHasMatchInformation(std::string_view typ, const core::IniFile& updateIni) {
    return PoolHasMatchInformation(typ) || (typ.size() == 1 && !updateIni.ReadString(typ, "Details").empty());
}

int32_t RoundNumberOfOmg(std::string_view omg) {
    if (omg.size() < 7) return 0;
    const std::string digits = std::string(omg.substr(0, 4)) + std::string(omg.substr(5, 2));
    int32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string LogoFileName(std::string_view url) {
    std::string_view path = url;
    if (const auto cut = path.find_first_of("?#"); cut != std::string_view::npos) path = path.substr(0, cut);
    // After "scheme://" comes the host: it is not a path segment.
    if (const auto scheme = path.find("://"); scheme != std::string_view::npos) {
        const auto slash = path.find('/', scheme + 3);
        if (slash == std::string_view::npos) return {};
        path = path.substr(slash);
    }
    const auto last = path.find_last_of("/\\");
    std::string name(last == std::string_view::npos ? path : path.substr(last + 1));
    if (name.empty() || name.size() > 200 || name.front() == '.') return {};  // ".", "..", hidden
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || c == ':') return {};
    return name;
}

RoundTeams ReadRoundTeams(const core::IniFile& roundInfo, const core::IniFile& teamstat,
                          const core::IniFile& teamlogo) {
    RoundTeams t;
    auto logoOf = [&](const std::string& team) {
        if (team.empty()) return std::string();
        return teamlogo.ReadString("Images", teamstat.ReadString("Alias", team, team));
    };
    for (int m = 0; m < 30; ++m) {
        const std::string section = "Game" + std::to_string(m);
        if (!roundInfo.HasSection(section)) break;
        t.homes.push_back(roundInfo.ReadString(section, "Home"));
        t.aways.push_back(roundInfo.ReadString(section, "Away"));
        t.homeLogos.push_back(logoOf(t.homes.back()));
        t.awayLogos.push_back(logoOf(t.aways.back()));
    }
    return t;
}

RoundTeams ReadRoundTeams(const fs::path& roundInfoFile, const fs::path& dataFolder) {
    const core::IniFile info = core::IniFile::FromFile(roundInfoFile);
    auto optional = [](const fs::path& p) {
        std::error_code ec;
        return fs::exists(p, ec) ? core::IniFile::FromFile(p) : core::IniFile();
    };
    return ReadRoundTeams(info, optional(dataFolder / "teamstat.ini"), optional(dataFolder / "teamlogo.ini"));
}

std::vector<LogoJob> PlanLogoDownloads(const RoundTeams& teams, const fs::path& imagesFolder) {
    std::vector<LogoJob> jobs;
    std::set<std::string> planned;
    auto add = [&](const std::string& url) {
        if (url.empty()) return;
        std::string name = LogoFileName(url);
        if (name.empty() || planned.count(name)) return;
        std::error_code ec;
        if (fs::exists(imagesFolder / name, ec)) return;
        planned.insert(name);
        jobs.push_back({url, std::move(name)});
    };
    for (const auto& u : teams.homeLogos) add(u);
    for (const auto& u : teams.awayLogos) add(u);
    return jobs;
}

bool LooksLikePicture(std::string_view b) {
    auto starts = [&](std::string_view magic) { return b.substr(0, magic.size()) == magic; };
    return starts("\x89PNG\r\n\x1a\n") || starts("\xFF\xD8\xFF") || starts("GIF87a") || starts("GIF89a") ||
           (starts("BM") && b.size() > 26);
}

LogoDownloads::LogoDownloads(fs::path imagesFolder, std::vector<LogoJob> jobs, int maxParallel)
    : folder_(std::move(imagesFolder)) {
    outcomes_.reserve(jobs.size());
    for (auto& j : jobs) outcomes_.push_back({std::move(j), false, {}});
    if (outcomes_.empty()) return;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    const size_t n = std::min<size_t>(outcomes_.size(), static_cast<size_t>(std::max(1, maxParallel)));
    for (size_t i = 0; i < n; ++i) workers_.emplace_back([this] { work(); });
}

LogoDownloads::~LogoDownloads() {
    cancel();
    wait();
}

void LogoDownloads::wait() {
    std::lock_guard<std::mutex> lock(joinMutex_);
    for (auto& w : workers_)
        if (w.joinable()) w.join();
}

void LogoDownloads::work() {
    for (;;) {
        const size_t i = next_.fetch_add(1);
        if (i >= outcomes_.size()) return;
        fetchOne(outcomes_[i]);
        done_.fetch_add(1);
    }
}

void LogoDownloads::fetchOne(LogoOutcome& out) {
    if (cancel_.load()) {
        out.error = net::CancelledText(out.job.url);
        return;
    }
    // A name of its own for every transfer, so two runs fetching the same logo
    // never write into one temporary file; hidden, so no reader takes it for a logo.
    static std::atomic<unsigned> serial{0};
    const fs::path temp = folder_ / ("." + out.job.fileName + "." + std::to_string(::getpid()) + "-" +
                                     std::to_string(serial.fetch_add(1)) + ".part");
    const fs::path target = folder_ / out.job.fileName;
    std::error_code ec;
    bool tooLarge = false;
    try {
        const bool ok = net::GetToFile(out.job.url, temp, [this, &tooLarge](int64_t now, int64_t total) {
            if (now > kMaxLogoBytes || total > kMaxLogoBytes) {
                tooLarge = true;
                return false;
            }
            return !cancel_.load();
        });
        if (!ok) {
            out.error = net::RefusedText(out.job.url);
        } else {
            std::string head(32, '\0');
            std::ifstream in(temp, std::ios::binary);
            in.read(head.data(), static_cast<std::streamsize>(head.size()));
            head.resize(static_cast<size_t>(in.gcount()));
            in.close();
            if (tooLarge || fs::file_size(temp, ec) > static_cast<uintmax_t>(kMaxLogoBytes)) {
                tooLarge = true;
                throw std::runtime_error("too large");
            } else if (!LooksLikePicture(head)) {
                out.error = core::FormatMsg(core::Msg(kMsgNotAPicture), {out.job.url});
            } else {
                fs::rename(temp, target, ec);
                if (ec) out.error = core::FormatMsg(core::Msg(kMsgNotStored), {target.string(), ec.message()});
                else out.ok = true;
            }
        }
    } catch (const std::exception& e) {
        out.error = tooLarge
                        ? core::FormatMsg(core::Msg(kMsgTooLarge), {out.job.url, static_cast<long long>(kMaxLogoBytes)})
                        : std::string(e.what());
    }
    if (!out.ok) fs::remove(temp, ec);
}

}  // namespace vinra::stats
