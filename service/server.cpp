#include "service/server.h"

#include <httplib.h>
#include <fmt/format.h>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <random>
#include <regex>
#include <system_error>

#include "core/ini.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "checking/winnings.h"
#include "service/pages.h"
#include "service/round_stats.h"

namespace vinra::service {
namespace fs = std::filesystem;

namespace {

constexpr size_t kKeepStored = 500;             // submissions, uploads and publications kept in memory
constexpr size_t kMaxPublication = 256 * 1024;  // one goal-service page
// The most own rows the shop takes in one game (as many as one row file holds),
// and room for their form: a row of 30 signs is under 100 characters of XML,
// at most three times that once URL-encoded.
constexpr size_t kMaxOwnRows = 20000;
constexpr size_t kMaxOwnRowsForm = (kMaxOwnRows + 1) * 300 + 4096;
// Every distinct row of the largest pool (3^13): no system holds more.
constexpr size_t kMaxUploadRows = 1'594'323;

const char* const kXml = "text/xml; charset=utf-8";
const char* const kHtml = "text/html; charset=utf-8";
const char* const kCp1252 = "text/plain; charset=windows-1252";

// The program's shared files travel as Windows-1252 with CR LF.
std::string ToShared(std::string_view utf8) {
    std::string crlf;
    crlf.reserve(utf8.size() + utf8.size() / 16);
    for (char c : utf8) {
        if (c == '\r') continue;
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return core::Utf8ToCp1252(crlf);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A file name taken from a request: letters, digits, "-", "_" and ".", not
// starting with a dot, so it can only name a file directly inside its folder.
bool SafeName(const std::string& name) {
    if (name.empty() || name.size() > 100 || name[0] == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '.';
    });
}

std::string ContentTypeOf(const fs::path& file) {
    const std::string ext = core::ToLowerAscii(file.extension().string());
    if (ext == ".htm" || ext == ".html") return kHtml;
    if (ext == ".png") return "image/png";
    if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
    if (ext == ".gif") return "image/gif";
    if (ext == ".css") return "text/css";
    return "application/octet-stream";
}

void NotFound(httplib::Response& res, const std::string& what) {
    res.status = 404;
    res.set_content(what + "\n", "text/plain; charset=utf-8");
}

void BadRequest(httplib::Response& res, const std::string& what) {
    res.status = 400;
    res.set_content(what + "\n", "text/plain; charset=utf-8");
}

std::optional<int32_t> PositiveParam(const httplib::Request& req, const char* key) {
    if (!req.has_param(key)) return std::nullopt;
    const auto v = core::ParseInteger(req.get_param_value(key));
    if (!v || *v <= 0 || *v > 99999999) return std::nullopt;
    return static_cast<int32_t>(*v);
}

bool SendFile(httplib::Response& res, const fs::path& file, const std::string& type = {}) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    res.set_content(core::ReadFileBytes(file), type.empty() ? ContentTypeOf(file) : type);
    return true;
}

std::string RandomToken() {
    thread_local std::mt19937_64 rng{std::random_device{}()};  // requests run on several threads
    return fmt::format("{:012x}", rng() & 0xffffffffffffULL);
}

// Rights per row against a result row of sign codes ('-' never counts).
int Rights(std::string_view row, std::string_view result) {
    int rights = 0;
    for (size_t i = 0; i < row.size() && i < result.size(); ++i) rights += row[i] == result[i] && result[i] != '-';
    return rights;
}

std::string ResultCodes(const Round& r) {
    const std::string letters = PoolSigns(r.typ), row = r.resultRow();
    std::string codes;
    for (char c : row) {
        const size_t i = letters.find(c);
        codes += i == std::string::npos ? '-' : static_cast<char>('0' + i);
    }
    return codes;
}

}  // namespace

struct VinraService::UploadCheck {
    std::string typ;
    int32_t omgId = 0;
    std::vector<std::string> rows;

    // Rows per number right (0..n) against a result row of sign codes; worked
    // out once per result, as every viewer of the page asks for the same one.
    std::vector<int64_t> CountsFor(const std::string& result, int n) {
        std::lock_guard lock(mutex_);
        if (!counted_ || result != result_ || n != n_) {
            std::vector<int64_t> count(static_cast<size_t>(n) + 1, 0);
            for (const std::string& row : rows) ++count[static_cast<size_t>(std::min(n, Rights(row, result)))];
            counts_ = std::move(count);
            result_ = result;
            n_ = n;
            counted_ = true;
        }
        return counts_;
    }
    size_t Bytes() const {
        size_t bytes = typ.size();
        for (const std::string& r : rows) bytes += r.size() + 1;  // as the rows came, one a line
        return bytes;
    }

private:
    std::mutex mutex_;
    bool counted_ = false;
    std::string result_;
    int n_ = 0;
    std::vector<int64_t> counts_;
};

size_t VinraService::Stored::Bytes() const {
    return body.size() + name.size() + owner.size() + (page ? page->size() : 0) + (check ? check->Bytes() : 0);
}

namespace {

// The live-check page of an uploaded system: its rows against the round's
// result (the live one while the round is played).
std::string LiveCheckPage(const Round* round, const VinraService::Stored& upload, VinraService::UploadCheck& check) {
    const std::string& typ = check.typ;
    const int32_t omgId = check.omgId;
    std::string out =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"60\">"
        "<title>Rättning</title></head><body style=\"font-family:Verdana,sans-serif\">\n";
    out += fmt::format("<h1>{}</h1>\n<p>{} omgång {} &middot; {} rader &middot; uppladdat av {}</p>\n",
                       EscapeMarkup(upload.name), EscapeMarkup(typ.size() == 1 ? PoolName(typ[0]) : typ), omgId,
                       check.rows.size(), EscapeMarkup(upload.owner));
    if (!round) return out + "<p>Omgången finns inte hos tjänsten ännu.</p></body></html>\n";
    const std::string result = ResultCodes(*round);
    const int n = static_cast<int>(round->matches.size());
    out += "<table border=\"1\"><tr><th>Nr</th><th>Match</th><th>Resultat</th><th>Tecken</th></tr>\n";
    for (int m = 0; m < n; ++m) {
        const Match& x = round->matches[m];
        out += fmt::format("<tr><td>{}</td><td>{} &ndash; {}</td><td>{}</td><td>{}</td></tr>\n", m + 1,
                           EscapeMarkup(x.home), EscapeMarkup(x.away),
                           x.homeGoals >= 0 ? fmt::format("{}-{}", x.homeGoals, x.awayGoals) : std::string("&nbsp;"),
                           m < static_cast<int>(result.size()) && result[m] != '-'
                               ? std::string(1, PoolSigns(round->typ)[result[m] - '0'])
                               : std::string("&nbsp;"));
    }
    out += "</table>\n<h2>Rätt</h2>\n<table border=\"1\"><tr><th>Rätt</th><th>Rader</th><th>Utdelning</th></tr>\n";
    const std::vector<int64_t> count = check.CountsFor(result, n);
    // The checking engine's money arithmetic: exact hundredths, a level whose
    // win does not fit is reported, never wrapped round.
    checking::WinningsTable table(n, typ.size() == 1 ? typ : std::string(1, round->typ));
    table.SetCounts(count);
    for (const Level& l : round->levels)
        if (table.Level(l.rights)) table.SetPayoutText(l.rights, std::to_string(l.payout));
    for (int k = n; k >= std::max(0, n - 3); --k) {
        const checking::WinLevel* line = table.Level(k);
        const std::string win = !line                 ? core::FormatAmount(0)
                                : line->error.empty() ? core::FormatAmount(line->levelWin)
                                                      : std::string("för stort belopp");
        out += fmt::format("<tr><td>{}</td><td>{}</td><td>{} kr</td></tr>\n", k, count[static_cast<size_t>(k)],
                           EscapeMarkup(win));
    }
    return out + fmt::format("</table>\n<p>Summa: {} kr</p>\n</body></html>\n",
                             core::FormatAmount(table.WinTotals(0, 0).total));
}

// The rows of an uploaded file: a whole system file, or a part file of text rows
// whose first line names the pool.
std::shared_ptr<VinraService::UploadCheck> ReadUpload(const std::string& bytes, bool whole, const Season& season,
                                                     const std::string& week) {
    auto info = std::make_shared<VinraService::UploadCheck>();
    std::vector<std::string>& rows = info->rows;
    const std::string tooMany = fmt::format("the file holds more rows than a system can ({})", kMaxUploadRows);
    if (whole) {
        const fs::path tmp = fs::temp_directory_path() / ("vinra-service-" + RandomToken() + ".1x2");
        core::WriteFileAtomic(tmp, bytes);
        core::TVinraFile doc;
        try {
            doc.LoadFromFile(tmp);
        } catch (const std::exception& e) {
            std::error_code ec;
            fs::remove(tmp, ec);
            // Say what was wrong with the file, not where the service kept it.
            throw std::runtime_error(ReplaceAll(e.what(), "\"" + tmp.string() + "\"", "the file"));
        }
        std::error_code ec;
        fs::remove(tmp, ec);
        if (doc.Typ.size() != 1 || !core::FindPool(doc.Typ)) throw std::runtime_error("the file names no pool");
        if (doc.Rader.size() > kMaxUploadRows) throw std::runtime_error(tooMany);
        info->typ = doc.Typ;
        info->omgId = doc.OmgID;
        rows = doc.Rader.Strings();
    } else {
        const auto lines = core::SplitLines(core::DecodeFileText(bytes));
        if (lines.empty()) throw std::runtime_error("empty file");
        std::string typ;
        for (const core::PoolInfo& p : core::BuiltinPools())
            if (core::EqualsNoCase(core::Trim(lines[0]), p.name)) typ = std::string(1, p.code);
        if (typ.empty()) throw std::runtime_error("the first line names no pool");
        if (lines.size() - 1 > kMaxUploadRows &&
            std::count_if(lines.begin() + 1, lines.end(), [](const std::string& l) { return !core::Trim(l).empty(); }) >
                static_cast<std::ptrdiff_t>(kMaxUploadRows))
            throw std::runtime_error(tooMany);
        // The program writes the pool's own letters (H, U, B for the Norwegian
        // pools); older part files had 1, X and 2 for every pool: both read.
        const std::string letters = PoolSigns(typ[0]);
        for (size_t i = 1; i < lines.size(); ++i) {
            std::string row;
            for (char c : core::ToUpperAscii(lines[i])) {
                size_t s = letters.find(c);
                if (s == std::string::npos) s = std::string_view("1X2").find(c);
                if (s != std::string::npos) row += static_cast<char>('0' + s);
            }
            if (row.empty()) continue;
            if (rows.size() == kMaxUploadRows) throw std::runtime_error(tooMany);
            rows.push_back(row);
        }
        const Round* round = season.current(typ[0], week);
        info->typ = typ;
        info->omgId = round ? round->omgId : 0;
    }
    if (rows.empty()) throw std::runtime_error("the file holds no rows");
    return info;
}

// The page of a published goal-service entry.
std::string GoalPage(const VinraService::Stored& entry) {
    pugi::xml_document doc;
    const std::string& xml = entry.body;
    // The program declares ISO-8859-1; a body that is valid UTF-8 is read as such.
    const bool utf8 = core::IsUtf8WithNonAscii(xml);
    const pugi::xml_parse_result ok =
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, utf8 ? pugi::encoding_utf8 : pugi::encoding_auto);
    std::string out =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" content=\"30\">"
        "<title>Målservice</title></head><body style=\"font-family:Verdana,sans-serif\">\n";
    const pugi::xml_node gs = doc.child("goalservice");
    if (!ok || !gs) return out + "<p>Sidan kunde inte läsas.</p></body></html>\n";
    auto text = [](const pugi::xml_node& n, const char* child) { return EscapeMarkup(n.child(child).text().get()); };
    out += fmt::format("<h1>{} {}</h1>\n<p>{} rader &middot; uppdaterad {}</p>\n", text(gs, "productname"),
                       text(gs, "round"), text(gs, "rows"), text(gs, "lastupdate"));
    out +=
        "<table border=\"1\"><tr><th>Nr</th><th>Hemmalag</th><th>Bortalag</th><th>1</th><th>X</th><th>2</th>"
        "<th>Mål</th><th>Tecken</th><th>Status</th></tr>\n";
    for (const pugi::xml_node& m : gs.child("games").children("match"))
        out += fmt::format(
            "<tr><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td></"
            "tr>\n",
            text(m, "no"), text(m, "home"), text(m, "away"), text(m, "tkn1"), text(m, "tknx"), text(m, "tkn2"),
            text(m, "goals"), text(m, "result"), text(m, "status"));
    out += "</table>\n<table border=\"1\"><tr><th>Rätt</th><th>Antal</th><th>Utdelning</th><th>Summa</th></tr>\n";
    for (const pugi::xml_node& w : gs.child("result").children("win"))
        out += fmt::format("<tr><td>{}</td><td>{}</td><td>{}</td><td>{}</td></tr>\n", text(w, "rights"),
                           text(w, "number"), text(w, "value"), text(w, "sum"));
    out += "</table>\n";
    // The comment arrives with its line breaks written as <br/> text.
    const std::string comment = ReplaceAll(text(gs, "comment"), "&lt;br/&gt;", "<br>");
    if (!comment.empty()) out += "<p>" + comment + "</p>\n";
    return out + "</body></html>\n";
}

std::string IndexPage() {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Vinra 2000 web service</title></head>"
           "<body style=\"font-family:Verdana,sans-serif\"><h1>Vinra 2000 web service</h1>\n<ul>\n"
           "<li><a href=\"/vinra2000/ini/update.ini\">update.ini</a></li>\n"
           "<li><a href=\"/vinra/activepools\">activepools</a></li>\n"
           "<li><a href=\"/vinra2000/ini/dbresults.txt\">dbresults.txt</a>, <a "
           "href=\"/vinra2000/ini/dbgames.txt\">dbgames.txt</a></li>\n"
           "<li><a href=\"/apps/goalservice/377.html\">377</a></li>\n"
           "<li><a href=\"/vinra2000/help/10000/html/main.htm\">help</a></li>\n</ul></body></html>\n";
}

}  // namespace

std::string LocalNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

std::string WeekOf(const std::string& date) {
    if (date.size() < 10) return {};
    return core::RoundOfDate(std::stoi(date.substr(0, 4)), std::stoi(date.substr(5, 2)), std::stoi(date.substr(8, 2)));
}

VinraService::VinraService(ServiceOptions options) : options_(std::move(options)) {
    if (!options_.now) options_.now = LocalNow;
    reloadIfChanged();
}

VinraService::~VinraService() = default;

std::shared_ptr<const Season> VinraService::season() { return reloadIfChanged(); }

std::shared_ptr<const Season> VinraService::reloadIfChanged() {
    // Operators edit the round files while the service runs: a changed, added or
    // removed file is picked up by the next request.
    fs::file_time_type stamp = fs::file_time_type::min();  // file times can lie before the clock's epoch
    size_t files = 0;
    std::error_code ec;
    for (fs::directory_iterator it(options_.data / "rounds", ec), end; !ec && it != end; it.increment(ec)) {
        ++files;
        std::error_code tec;
        stamp = std::max(stamp, it->last_write_time(tec));
    }
    // Repeating rounds move on with the clock: past their change, place them again.
    const std::string now = options_.now();
    std::lock_guard lock(mutex_);
    if (!season_ || stamp != seasonStamp_ || files != seasonFiles_ ||
        (!season_->validUntil().empty() && now >= season_->validUntil())) {
        season_ = std::make_shared<const Season>(Season::Load(options_.data, now));
        seasonStamp_ = stamp;
        seasonFiles_ = files;
    }
    return season_;
}

std::string VinraService::store(std::deque<Stored>& list, Stored item) {
    std::lock_guard lock(mutex_);
    if (item.id.empty()) item.id = fmt::format("{}{}", nextId_++, RandomToken().substr(0, 6));
    std::erase_if(list, [&](const Stored& s) { return s.id == item.id; });
    list.push_back(std::move(item));
    size_t bytes = 0;
    for (const Stored& s : list) bytes += s.Bytes();
    while (list.size() > 1 && (list.size() > kKeepStored || bytes > options_.keepStoredBytes)) {
        bytes -= list.front().Bytes();
        list.pop_front();
    }
    return list.back().id;
}

const VinraService::Stored* VinraService::lookup(const std::deque<Stored>& list, const std::string& id) const {
    for (const Stored& s : list)
        if (s.id == id) return &s;
    return nullptr;
}

void VinraService::Register(httplib::Server& svr) {
    svr.set_payload_max_length(32 * 1024 * 1024);
    // A POST without a body and without a length (curl -X POST with no data)
    // is an empty POST: the HTTP library would refuse it, waiting for a body.
    svr.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        if (req.method == "POST" && !req.has_header("Content-Length") && !req.has_header("Transfer-Encoding"))
            const_cast<httplib::Request&>(req).headers.emplace("Content-Length", "0");  // the server's own object
        return httplib::Server::HandlerResponse::Unhandled;
    });

    // The address clients reached us under, for the links we hand out.
    auto base = [this](const httplib::Request& req) {
        if (!options_.publicUrl.empty()) return options_.publicUrl;
        const std::string host = req.get_header_value("Host");
        const bool clean = !host.empty() && host.size() < 256 && std::all_of(host.begin(), host.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' || c == '[' ||
                   c == ']';
        });
        return "http://" + (clean ? host : std::string("127.0.0.1"));
    };
    auto today = [this] { return options_.now().substr(0, 10); };
    auto week = [this] { return WeekOf(options_.now()); };

    svr.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content(IndexPage(), kHtml); });
    svr.Get("/vinra2000/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Vinra 2000</title></head><body>"
            "<h1>Vinra 2000</h1><p>Version 7.51</p></body></html>\n",
            kHtml);
    });

    // Service definition and club data files, pointing back at this service.
    svr.Get(R"(/vinra2000/ini/(update\.ini|teamstat\.ini|teamlogo\.ini))",
            [this, base](const httplib::Request& req, httplib::Response& res) {
                const fs::path file = options_.data / req.matches[1].str();
                std::error_code ec;
                if (!fs::is_regular_file(file, ec)) return NotFound(res, req.matches[1].str() + " is not published");
                const std::string text = core::DecodeFileText(core::ReadFileBytes(file));
                res.set_content(ToShared(ReplaceAll(text, "{SERVICE}", base(req))), kCp1252);
            });
    svr.Get("/vinra2000/ini/dbresults.txt", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(ToShared(ResultsLines(*season())), kCp1252);
    });
    svr.Get("/vinra2000/ini/dbgames.txt", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(ToShared(GamesLines(*season())), kCp1252);
    });
    svr.Get("/vinra/activepools", [this, today](const httplib::Request&, httplib::Response& res) {
        res.set_content(ToShared(ActivePoolsIni(*season(), today())), kCp1252);
    });
    svr.Get(R"(/vinra2000/logos/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string name = req.matches[1].str();
        if (!SafeName(name) || !SendFile(res, options_.data / "logos" / name)) NotFound(res, "no such logo");
    });
    svr.Get(R"(/vinra2000/help/(\d{1,5})/html/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string page = req.matches[2].str();
        if (!SafeName(page)) return NotFound(res, "no such help page");
        // A language without its own page falls back to English, then Swedish.
        for (const std::string& lang : {req.matches[1].str(), std::string("10000"), std::string("0")}) {
            if (SendFile(res, options_.data / "help" / lang / page)) return;
            if (!options_.help.empty() && SendFile(res, options_.help / lang / page)) return;
        }
        NotFound(res, "no such help page");
    });

    // The operators' data: results, games and game information.
    auto sendRound = [this, week](const httplib::Request& req, httplib::Response& res, char typ, bool html) {
        const auto s = season();
        const Round* r = nullptr;
        if (auto draw = PositiveParam(req, "omgang")) r = s->find(typ, *draw);
        else if (auto number = PositiveParam(req, "draw")) r = s->find(typ, *number);
        else if (req.has_param("aar") || req.has_param("uke")) {
            const auto year = PositiveParam(req, "aar"), wk = PositiveParam(req, "uke");
            if (!year || !wk || *year > 9999 || *wk > 53)
                return BadRequest(res, "aar and uke must be a year and a week");
            r = s->findByWeek(typ, fmt::format("{:04}-{:02}", *year, *wk));
        } else if (req.has_param("omgang") || req.has_param("draw")) {
            return BadRequest(res, "the draw number must be a positive integer");
        } else {
            r = s->current(typ, week());
        }
        if (!r) return NotFound(res, "no such round");
        if (html) res.set_content(ResultsHtml(*r), kHtml);
        else res.set_content(ResultsXml(*r), kXml);
    };
    auto product = [](const httplib::Request& req, char first, char second) -> char {
        const std::string p = req.get_param_value("produktid");
        return p == "1" ? first : p == "2" ? second : 0;
    };
    svr.Get("/api/svenskaspel/XMLresultatProxy.php", [=](const httplib::Request& req, httplib::Response& res) {
        const char typ = product(req, 'S', 'I');
        if (!typ) return BadRequest(res, "produktid must be 1 or 2");
        sendRound(req, res, typ, false);
    });
    svr.Get("/api/vinra/XMLresultatProxy.php", [=](const httplib::Request& req, httplib::Response& res) {
        const std::string typ = req.get_param_value("typ");
        if (typ.size() != 1 || !core::FindPool(typ)) return BadRequest(res, "typ must be a pool code");
        sendRound(req, res, typ[0], false);
    });
    svr.Get("/spel/resultat.php", [=](const httplib::Request& req, httplib::Response& res) {
        const std::string typ = req.get_param_value("typ");
        if (typ.size() != 1 || !core::FindPool(typ)) return BadRequest(res, "typ must be a pool code");
        sendRound(req, res, typ[0], true);
    });
    svr.Get(R"(/spil/tips/tips(12|13)/resultater\.php)", [=](const httplib::Request& req, httplib::Response& res) {
        sendRound(req, res, req.matches[1].str() == "12" ? 'G' : 'H', true);
    });
    auto info = [this, product](char first, char second) {
        return [this, product, first, second](const httplib::Request& req, httplib::Response& res) {
            const char typ = product(req, first, second);
            const auto draw = PositiveParam(req, "omgang");
            if (!typ || !draw) return BadRequest(res, "produktid must be 1 or 2 and omgang a draw number");
            const auto s = season();
            const Round* r = s->find(typ, *draw);
            if (!r) return NotFound(res, "no such round");
            res.set_content(GameInfoXml(*r), kXml);
        };
    };
    svr.Get("/api/svenskaspel/XMLinfoProxy.php", info('S', 'I'));
    svr.Get("/api/unibet/XMLinfoProxy.php", info('T', 'O'));
    // Every other pool's game information, by pool code.
    svr.Get("/api/vinra/XMLinfoProxy.php", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string typ = req.get_param_value("typ");
        const auto draw = PositiveParam(req, "omgang");
        if (typ.size() != 1 || !core::FindPool(typ) || !draw)
            return BadRequest(res, "typ must be a pool code and omgang a draw number");
        const auto s = season();
        const Round* r = s->find(typ[0], *draw);
        if (!r) return NotFound(res, "no such round");
        res.set_content(GameInfoXml(*r), kXml);
    });

    // Live scores.
    svr.Get("/api/svenskaspel/goalserviceProxy.php", [=, this](const httplib::Request& req, httplib::Response& res) {
        const char typ = product(req, 'S', 'I');
        if (!typ) return BadRequest(res, "produktid must be 1 or 2");
        const auto s = season();
        const auto draw = PositiveParam(req, "omgang");
        Round scratch;
        res.set_content(LiveXml(live_.Apply(draw ? s->find(typ, *draw) : s->current(typ, week()), scratch)), kXml);
    });
    svr.Get("/apps/goalservice/377.html", [=, this](const httplib::Request&, httplib::Response& res) {
        const auto s = season();
        Round scratch;
        res.set_content(SvtPage(live_.Apply(s->current('S', week()), scratch)), kHtml);
    });
    RegisterLiveEndpoints(svr, live_, options_.operatorKey);

    // Goal-service publications.
    // The form is read here rather than by the HTTP library, whose own reading
    // of URL-encoded forms stops at 8 KB: a full round's publication is larger.
    svr.Post("/apps/goalservice/gsnew.php",
             [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
                 std::string body;
                 bool tooLarge = false;
                 reader([&](const char* data, size_t length) {
                     if (body.size() + length > 3 * kMaxPublication + 4096) {
                         tooLarge = true;
                         return false;
                     }
                     body.append(data, length);
                     return true;
                 });
                 if (tooLarge) {
                     res.status = 413;
                     return res.set_content("The publication is too large.\n", "text/plain; charset=utf-8");
                 }
                 httplib::Params form = req.params;  // fields given in the address count too
                 httplib::detail::parse_query_text(body, form);
                 auto field = [&form](const char* name) {
                     const auto it = form.find(name);
                     return it == form.end() ? std::string() : it->second;
                 };
                 const std::string id = field("dbid"), xml = field("xmldata");
                 if (!SafeName(id) || xml.empty() || xml.size() > kMaxPublication)
                     return BadRequest(res, "dbid and xmldata are required");
                 // The page is built here, once, outside the lock: its readers only copy it.
                 Stored entry{id, "", id, xml, nullptr, nullptr};
                 entry.page = std::make_shared<const std::string>(GoalPage(entry));
                 entry.body.clear();  // the page holds all that is shown
                 store(publications_, std::move(entry));
                 res.set_content("OK\n", "text/plain; charset=utf-8");
             });
    svr.Get("/goalservice/goalservice.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::shared_ptr<const std::string> page;
        {
            std::lock_guard lock(mutex_);
            const Stored* entry = lookup(publications_, req.get_param_value("id"));
            if (entry) page = entry->page;
        }
        if (!page) return NotFound(res, "nothing is published under this id");
        res.set_content(*page, kHtml);
    });

    // Own rows handed to the operator's shop.
    // The form is read here rather than by the HTTP library, whose own reading
    // of URL-encoded forms stops at 8 KB (about 90 rows): every system the shop
    // takes must get through. A refusal is stated in the reply, never as a
    // failed transfer.
    svr.Post("/Vinra/egnarader", [this, base](const httplib::Request& req, httplib::Response& res,
                                              const httplib::ContentReader& reader) {
        auto reply = [&](int code, const std::string& text, const std::string& url) {
            res.set_content(
                fmt::format(
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<svar><status kod=\"{}\">{}</status>{}</svar>\n", code,
                    EscapeMarkup(text), url.empty() ? "" : "<url>" + EscapeMarkup(url) + "</url>"),
                kXml);
        };
        const std::string tooMany = fmt::format("För många rader (högst {} i ett spel)", kMaxOwnRows);
        std::string body;
        bool tooLarge = false;
        reader([&](const char* data, size_t length) {
            if (body.size() + length > kMaxOwnRowsForm) {
                tooLarge = true;
                return false;
            }
            body.append(data, length);
            return true;
        });
        if (tooLarge) return reply(5, tooMany, "");
        httplib::Params form = req.params;  // fields given in the address count too
        httplib::detail::parse_query_text(body, form);
        const auto field = form.find("xmlData");
        const std::string xml = field == form.end() ? std::string() : field->second;
        pugi::xml_document doc;
        if (xml.empty() || !doc.load_buffer(xml.data(), xml.size())) return reply(1, "Filen kunde inte läsas", "");
        const pugi::xml_node root = doc.child("egnarader"), spel = root.child("spel");
        const std::string card = root.attribute("spelkort").value();
        if (!root || !spel || card.empty() || card.size() > 20 ||
            !std::all_of(card.begin(), card.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return reply(2, "Ogiltigt spelkortsnummer", "");
        const int produkt = spel.attribute("produkt").as_int();
        if (produkt != 1 && produkt != 2) return reply(3, "Okänd produkt", "");
        // The rows are for the pool's open round: the first whose deadline is still ahead.
        const char typ = produkt == 1 ? 'S' : 'I';
        const auto s = season();
        const std::string now = options_.now().substr(0, 16);
        const Round* round = nullptr;
        for (const Round* r : s->unsettled())
            if (r->typ == typ && r->deadline > now) {
                round = r;
                break;
            }
        if (!round) return reply(6, "Omgången är stängd", "");
        const size_t n = round->matches.size();
        std::string rows;
        size_t count = 0;
        for (const pugi::xml_node& rad : spel.children("rad")) {
            if (++count > kMaxOwnRows) return reply(5, tooMany, "");
            std::string signs;
            for (char c : std::string(rad.text().get()))
                if (c == '1' || c == 'X' || c == '2') signs += c;
                else if (c != ',') return reply(4, "Ogiltig rad", "");
            if (signs.size() != n) return reply(4, "Ogiltig rad", "");
            rows += signs + "\n";
        }
        if (count == 0) return reply(4, "Inga rader", "");
        const std::string name = fmt::format("{} {}", PoolName(typ), round->omgId);
        const std::string id = store(submissions_, {"", card, name, rows, nullptr, nullptr});
        reply(0, "OK", base(req) + "/Vinra/egnarader/" + id);
    });
    svr.Get(R"(/Vinra/egnarader/([A-Za-z0-9]+))", [this](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex_);
        const Stored* s = lookup(submissions_, req.matches[1].str());
        if (!s) return NotFound(res, "no such submission");
        std::string page =
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Spelbutik</title></head>"
            "<body style=\"font-family:Verdana,sans-serif\">\n<h1>" +
            EscapeMarkup(s->name) + "</h1>\n";
        page += "<p>Spelkort " + EscapeMarkup(s->owner) + ". Logga in och godkänn spelet.</p>\n<pre>" +
                EscapeMarkup(s->body) + "</pre>\n</body></html>\n";
        res.set_content(page, kHtml);
    });

    // System uploads with an account's key, and their live-check pages, which
    // follow the round while it is played live.
    auto checkRound = [this](const Season& s, const UploadCheck& c, Round& scratch) {
        return live_.Apply(c.typ.size() == 1 ? s.find(c.typ[0], c.omgId) : nullptr, scratch);
    };
    svr.Post(R"(/systems/apiImportVinra/([01]))",
             [this, base, week, checkRound](const httplib::Request& req, httplib::Response& res) {
                 auto reply = [&](const std::string& status, const std::string& message, const std::string& link) {
                     nlohmann::ordered_json j;
                     j["status"] = status;
                     j["message"] = message;
                     if (!link.empty()) j["link"] = link;  // the program reads the link as the last member
                     // Slashes escaped the way PHP writes them; the program undoes it.
                     res.set_content(ReplaceAll(j.dump(), "/", "\\/") + "\r\n", "application/json");
                 };
                 auto field = [&](const char* name) {
                     return req.has_file(name) ? req.get_file_value(name).content : req.get_param_value(name);
                 };
                 const std::string user = field("data[username]"), key = field("data[apikey]");
                 std::error_code ec;
                 const fs::path keys = options_.data / "apikeys.ini";
                 const bool known = !user.empty() && !key.empty() && fs::is_regular_file(keys, ec) &&
                                    core::IniFile::FromFile(keys).Get("Keys", user).value_or("") == key;
                 if (!known) return reply("404", "Okänt användarnamn eller fel nyckel", "");
                 if (!req.has_file("data[file]")) return reply("400", "Ingen fil", "");
                 const auto file = req.get_file_value("data[file]");
                 std::shared_ptr<UploadCheck> described;
                 const auto s = season();
                 try {
                     described = ReadUpload(file.content, req.matches[1].str() == "1", *s, week());
                 } catch (const std::exception& e) {
                     return reply("400", std::string("Filen kunde inte läsas: ") + e.what(), "");
                 }
                 const std::string name = fs::path(file.filename).filename().string();
                 Stored entry{"", user, name.empty() ? "system" : name, "", nullptr, described};
                 // Counted now, so the first viewer does not wait for it.
                 Round scratch;
                 if (const Round* r = checkRound(*s, *described, scratch))
                     described->CountsFor(ResultCodes(*r), static_cast<int>(r->matches.size()));
                 const std::string id = store(uploads_, std::move(entry));
                 reply("200", "Systemet är uppladdat", base(req) + "/systems/live/" + id);
             });
    svr.Get(R"(/systems/live/([A-Za-z0-9]+))", [this, checkRound](const httplib::Request& req, httplib::Response& res) {
        const auto s = season();
        Stored upload;
        {
            // A copy of the names and a share of the rows: the page is built without the lock.
            std::lock_guard lock(mutex_);
            const Stored* found = lookup(uploads_, req.matches[1].str());
            if (!found || !found->check) return NotFound(res, "no such system");
            upload = *found;
        }
        Round scratch;
        res.set_content(LiveCheckPage(checkRound(*s, *upload.check, scratch), upload, *upload.check), kHtml);
    });

    // Statistics pages of a match.
    svr.Get(R"(/Vinra/(Chart|Games|Meetings|Table/[1-6])/([A-Z])/(\d{1,8})/(\d{1,2})/?)",
            [this](const httplib::Request& req, httplib::Response& res) {
                const auto s = season();
                const Round* r = s->find(req.matches[2].str()[0], std::stoi(req.matches[3].str()));
                const std::string page = r ? StatsPage(*s, req.matches[1].str(), *r, std::stoi(req.matches[4].str()),
                                                       req.get_param_value("lang"))
                                           : std::string();
                if (page.empty()) return NotFound(res, "no such match");
                res.set_content(page, kHtml);
            });
    // The round's club statistics (league positions, latest games) for the game wizard.
    svr.Get(R"(/Vinra/Info/([A-Z])/(\d{1,8})/?)", [this, today](const httplib::Request& req, httplib::Response& res) {
        const auto s = season();
        const Round* r = s->find(req.matches[1].str()[0], std::stoi(req.matches[2].str()));
        if (!r) return NotFound(res, "no such round");
        const fs::path file = options_.data / "teamstat.ini";
        std::error_code ec;
        core::IniFile teamstat;  // without the club file every name stands for itself
        try {
            if (fs::is_regular_file(file, ec)) teamstat = core::IniFile::FromFile(file);
        } catch (const std::exception&) {}
        res.set_content(ToShared(RoundStatsIni(*s, *r, teamstat, today())), kCp1252);
    });
    // The matches' preview clips the round statistics name.
    svr.Get(R"(/Vinra/Sounds/([A-Za-z0-9-]{1,36}\.wav))", [](const httplib::Request& req, httplib::Response& res) {
        const std::string wav = ClipWav(req.matches[1].str());
        if (wav.empty()) return NotFound(res, "no such clip");
        res.set_content(wav, "audio/wav");
    });
}

}  // namespace vinra::service
