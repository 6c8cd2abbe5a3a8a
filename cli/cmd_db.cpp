// vinra db ...: the games and results database of the data folder (or --db FILE).
//
//   vinra db import games FILE        exchange lines Omg;Typ;OmgID;Match;Home;Away
//   vinra db import results FILE      exchange lines Omg;Typ;OmgID;Rad;A13;U13;...;A10;U10
//   vinra db import pools [--dir D]   the editor's <code>Matcher.txt / <code>Resultat.txt, errors in D/errors.txt
//   vinra db export [CODE...] [--dir D]
//   vinra db result POOL DRAW [--json]
//   vinra db result POOL DRAW --row ROW --round yyyy-ww [--winners a;b;c;d] [--payouts a;b;c;d]
//   vinra db games POOL (DRAW | --round yyyy-ww) [--json]
//   vinra db rounds POOL [--json]
//
// Exit codes: 0 done; 1 error (nothing was changed by the failing step);
// 3 an import finished but skipped lines it could not read; 130 interrupted
// (the interrupted import changed nothing).
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "checking/tips_data.h"
#include "cli/command.h"
#include "core/folders.h"
#include "core/signs.h"
#include "core/text.h"

namespace vinra::cli {
namespace {

namespace fs = std::filesystem;
using checking::TTipsData;

constexpr int kExitSkipped = 3;
constexpr int kExitInterrupted = 130;

struct DbOptions {
    std::string dbFile;
    // import
    std::string importFile;
    std::string dir;
    // export
    std::vector<std::string> codes;
    // result / games / rounds
    std::string pool;
    std::optional<int32_t> draw;
    std::string round;
    std::string row;
    std::string winners;
    std::string payouts;
    bool json = false;
};

std::string PoolCode(const std::string& text) {
    std::string code = core::ToUpperAscii(core::Trim(text));
    bool letters = !code.empty() && code.size() <= checking::kResultTypSize;
    for (char c : code) letters = letters && c >= 'A' && c <= 'Z';
    if (!letters) throw CommandError("'" + text + "' is not a pool code (one to three letters, e.g. S)");
    return code;
}

int32_t RoundInteger(const std::string& text) {
    std::string t(core::Trim(text));
    bool ok = t.size() == 7 && t[4] == '-';
    for (size_t i = 0; ok && i < t.size(); ++i) ok = i == 4 || (t[i] >= '0' && t[i] <= '9');
    int32_t week = ok ? std::stoi(t.substr(5)) : 0;
    if (!ok || week < 1 || week > 53) throw CommandError("'" + text + "' is not a round (yyyy-ww, e.g. 2009-28)");
    return static_cast<int32_t>(core::RoundNumber(t));
}

std::string RoundText(int32_t omg) {
    std::string s = std::to_string(omg);
    if (s.size() == 6) s.insert(4, "-");
    return s;
}

std::vector<std::string> SplitList(const std::string& text, const char* what) {
    std::vector<std::string> out;
    if (core::Trim(text).empty()) return out;
    size_t pos = 0;
    while (true) {
        size_t sep = text.find(';', pos);
        out.emplace_back(core::Trim(text.substr(pos, sep == std::string::npos ? std::string::npos : sep - pos)));
        if (sep == std::string::npos) break;
        pos = sep + 1;
    }
    if (out.size() > checking::kSlotCount)
        throw CommandError(std::string(what) + ": at most four values, top level first, separated by ';'");
    return out;
}

fs::path Folder(const DbOptions& opt) { return opt.dir.empty() ? core::DataFolder() : fs::path(opt.dir); }

void OpenDb(TTipsData& db, const DbOptions& opt) {
    checking::OpenReport r = opt.dbFile.empty() ? db.Open() : db.Open(opt.dbFile);
    if (r.created && (r.packetGames || r.packetResults || r.packetSkipped))
        std::cerr << "vinra: new database " << db.FilePath().string() << ": read " << r.packetGames << " games and "
                  << r.packetResults << " results from the old data files, skipped " << r.packetSkipped << "\n";
    if (!r.packetError.empty()) std::cerr << "vinra: old data files not read: " << r.packetError << "\n";
}

std::string LineList(const std::vector<size_t>& lines) {
    std::string s;
    for (size_t i = 0; i < lines.size() && i < 20; ++i) s += (i ? ", " : "") + std::to_string(lines[i]);
    if (lines.size() > 20) s += ", ...";
    return s;
}

int ReportImport(const checking::ImportReport& r, const std::string& what) {
    if (r.cancelled) {
        std::cerr << "vinra: interrupted; the database is unchanged\n";
        return kExitInterrupted;
    }
    std::cout << what << ": " << r.inserted << " added, " << r.updated << " updated";
    if (r.unchanged) std::cout << ", " << r.unchanged << " already present (left as they were)";
    std::cout << ", " << r.skipped() << " skipped\n";
    if (r.skipped()) {
        std::cerr << "vinra: " << r.skipped()
                  << " line(s) could not be read and were skipped: " << LineList(r.skippedLines) << "\n";
        return kExitSkipped;
    }
    return 0;
}

int RunImport(const DbOptions& opt, bool games) {
    if (!fs::exists(opt.importFile)) throw CommandError(opt.importFile + ": no such file");
    TTipsData db;
    OpenDb(db, opt);
    CatchInterrupt();
    auto progress = [](size_t) { return !InterruptFlag().load(); };
    auto r = games ? db.ImportGamesFile(opt.importFile, progress) : db.ImportResultsFile(opt.importFile, progress);
    return ReportImport(r, opt.importFile);
}

int RunImportPools(const DbOptions& opt) {
    TTipsData db;
    OpenDb(db, opt);
    fs::path folder = Folder(opt);
    auto r = db.ImportAllPools(folder);
    int rc = ReportImport(r, folder.string());
    if (rc == kExitSkipped) std::cerr << "vinra: the lines are listed in " << (folder / "errors.txt").string() << "\n";
    return rc;
}

int RunExport(const DbOptions& opt) {
    std::vector<std::string> codes;
    for (const auto& c : opt.codes) codes.push_back(PoolCode(c));
    if (codes.empty()) codes = TTipsData::EditorPoolCodes();
    TTipsData db;
    OpenDb(db, opt);
    fs::path folder = Folder(opt);
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const auto& c : codes) db.ExportPool(c, folder);
    std::cout << "exported " << codes.size() << " pool(s) to " << folder.string() << "\n";
    return 0;
}

nlohmann::ordered_json ResultJson(const checking::TFacitRec& r) {
    nlohmann::ordered_json j;
    j["pool"] = r.Typ;
    j["draw"] = r.OmgID;
    j["round"] = RoundText(r.Omg);
    j["row"] = r.Rad;
    j["slots"] = nlohmann::ordered_json::array();
    for (int i = 0; i < checking::kSlotCount; ++i)
        j["slots"].push_back({{"slot", checking::SlotNumber(i)},
                              {"winners", r.Winners[i]},
                              {"payout", core::FormatAmount(r.Payout[i])},
                              {"payout_hundredths", r.Payout[i]}});
    return j;
}

int RunResult(const DbOptions& opt) {
    std::string pool = PoolCode(opt.pool);
    if (!opt.draw) throw CommandError("result: the draw number is missing");
    TTipsData db;
    bool store = !opt.row.empty() || !opt.round.empty() || !opt.winners.empty() || !opt.payouts.empty();
    if (store) {
        if (opt.row.empty() || opt.round.empty()) throw CommandError("result: saving needs --row and --round");
        if (opt.row.size() > checking::kRadSize) throw CommandError("result: the row is longer than 30 characters");
        checking::TFacitRec rec;
        rec.Typ = pool;
        rec.OmgID = *opt.draw;
        rec.Omg = RoundInteger(opt.round);
        rec.Rad = core::ToUpperText(opt.row);
        auto winners = SplitList(opt.winners, "--winners");
        auto payouts = SplitList(opt.payouts, "--payouts");
        for (size_t i = 0; i < winners.size(); ++i) {
            auto v = checking::ParseCount(winners[i]);
            if (!v) throw CommandError("--winners: '" + winners[i] + "' is not a number");
            rec.Winners[i] = *v;
        }
        for (size_t i = 0; i < payouts.size(); ++i) {
            auto v = checking::ParseAmount(payouts[i]);
            if (!v) throw CommandError("--payouts: '" + payouts[i] + "' is not an amount");
            rec.Payout[i] = *v;
        }
        OpenDb(db, opt);
        db.StoreResult(rec);
    } else {
        OpenDb(db, opt);
    }
    checking::TFacitRec r = db.FindResult(pool, *opt.draw);
    if (!r.found) throw CommandError("no result stored for pool " + pool + ", draw " + std::to_string(*opt.draw));
    if (opt.json) {
        std::cout << ResultJson(r).dump() << "\n";
        return 0;
    }
    std::cout << "Pool " << r.Typ << ", draw " << r.OmgID << ", round " << RoundText(r.Omg) << "\n"
              << "Row: " << r.Rad << "\n";
    for (int i = 0; i < checking::kSlotCount; ++i)
        std::cout << "Slot " << checking::SlotNumber(i) << ": " << core::GroupDigits(static_cast<int64_t>(r.Winners[i]))
                  << " winners, " << core::FormatAmount(r.Payout[i]) << " each\n";
    return 0;
}

int RunGames(const DbOptions& opt) {
    std::string pool = PoolCode(opt.pool);
    if (opt.draw.has_value() == !opt.round.empty())
        throw CommandError("games: give either a draw number or --round yyyy-ww");
    TTipsData db;
    OpenDb(db, opt);
    int32_t draw = opt.draw ? *opt.draw : db.FindDrawNumber(RoundInteger(opt.round), pool);
    auto games = draw == 0 ? std::vector<checking::MatchRecord>{} : db.RoundGames(draw, pool);
    if (games.empty())
        throw CommandError("no games stored for pool " + pool + ", " +
                           (opt.draw ? "draw " + std::to_string(*opt.draw) : "round " + opt.round));
    if (opt.json) {
        nlohmann::ordered_json j;
        j["pool"] = pool;
        j["draw"] = draw;
        j["round"] = RoundText(games.front().Omg);
        j["matches"] = nlohmann::ordered_json::array();
        for (const auto& m : games) j["matches"].push_back({{"match", m.Match}, {"home", m.Home}, {"away", m.Away}});
        std::cout << j.dump() << "\n";
        return 0;
    }
    std::cout << "Pool " << pool << ", draw " << draw << ", round " << RoundText(games.front().Omg) << "\n";
    for (const auto& m : games)
        std::cout << (m.Match < 10 ? " " : "") << m.Match << "  " << m.Home << " - " << m.Away << "\n";
    return 0;
}

int RunRounds(const DbOptions& opt) {
    std::string pool = PoolCode(opt.pool);
    TTipsData db;
    OpenDb(db, opt);
    auto rounds = db.ResultsTree(pool);
    if (opt.json) {
        nlohmann::ordered_json j = nlohmann::ordered_json::array();
        for (const auto& k : rounds) j.push_back({{"round", RoundText(k.Omg)}, {"draw", k.OmgID}});
        std::cout << j.dump() << "\n";
        return 0;
    }
    for (const auto& k : rounds) std::cout << RoundText(k.Omg) << "  draw " << k.OmgID << "\n";
    return 0;
}

Registrar reg("db", [](CLI::App& app) -> RunFn {
    auto opt = std::make_shared<DbOptions>();
    auto* db = app.add_subcommand("db", "Games and results database (exit 3: lines skipped, 130: interrupted)");
    db->require_subcommand(1);
    db->add_option("--db", opt->dbFile, "Database file (default: DB/tipsdata.sqlite in the data folder)");

    auto* imp = db->add_subcommand("import", "Import text files into the database");
    imp->require_subcommand(1);
    auto* impGames = imp->add_subcommand("games", "Games lines Omg;Typ;OmgID;Match;Home;Away");
    impGames->add_option("file", opt->importFile, "Text file")->required();
    auto* impResults =
        imp->add_subcommand("results", "Results lines Omg;Typ;OmgID;Rad;A13;U13;A12;U12;A11;U11;A10;U10");
    impResults->add_option("file", opt->importFile, "Text file")->required();
    auto* impPools =
        imp->add_subcommand("pools", "The database editor's files <code>Matcher.txt and <code>Resultat.txt");
    impPools->add_option("--dir", opt->dir, "Folder of the files (default: the data folder)");

    auto* exp = db->add_subcommand("export", "Write <code>Matcher.txt and <code>Resultat.txt per pool");
    exp->add_option("codes", opt->codes, "Pool codes (default: all, A B C D E F S I G H T O V)");
    exp->add_option("--dir", opt->dir, "Target folder (default: the data folder)");

    auto* res = db->add_subcommand("result", "Show (or save) the result of a round");
    res->add_option("pool", opt->pool, "Pool code, e.g. S")->required();
    res->add_option("draw", opt->draw, "Draw number")->required();
    res->add_option("--row", opt->row, "Save: winning row in the pool's display characters");
    res->add_option("--round", opt->round, "Save: round yyyy-ww");
    res->add_option("--winners", opt->winners, "Save: winners of slots 13;12;11;10");
    res->add_option("--payouts", opt->payouts, "Save: payouts of slots 13;12;11;10 (\"1 500 000,00;4200,50;...\")");
    res->add_flag("--json", opt->json, "Print one JSON object");

    auto* games = db->add_subcommand("games", "Show the matches of a round");
    games->add_option("pool", opt->pool, "Pool code, e.g. S")->required();
    games->add_option("draw", opt->draw, "Draw number");
    games->add_option("--round", opt->round, "Round yyyy-ww instead of a draw number");
    games->add_flag("--json", opt->json, "Print one JSON object");

    auto* rounds = db->add_subcommand("rounds", "List the stored results of a pool, newest first");
    rounds->add_option("pool", opt->pool, "Pool code, e.g. S")->required();
    rounds->add_flag("--json", opt->json, "Print one JSON array");

    return [=] {
        try {
            if (impGames->parsed()) return RunImport(*opt, true);
            if (impResults->parsed()) return RunImport(*opt, false);
            if (impPools->parsed()) return RunImportPools(*opt);
            if (exp->parsed()) return RunExport(*opt);
            if (res->parsed()) return RunResult(*opt);
            if (games->parsed()) return RunGames(*opt);
            if (rounds->parsed()) return RunRounds(*opt);
        } catch (const checking::DatabaseError& e) {
            throw CommandError(std::string("database: ") + e.what());
        }
        throw CommandError("db: unknown command");
    };
});

}  // namespace
}  // namespace vinra::cli
