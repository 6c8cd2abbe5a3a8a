// The check window and the database editor as commands of the main window.
#include "ui/checking/register.h"

#include <algorithm>

#include "core/messages.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "net/downloads.h"
#include "ui/checking/check_window.h"
#include "ui/checking/db_manager.h"
#include "ui/core/document_session.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"
#include "ui/net/http_window.h"
#include "ui/net/upload_command.h"
#include "ui/net/web_status.h"

namespace vinra::ui {

namespace {

constexpr int kMsgNoRows = 283;  // "There are no rows!"
constexpr int kMsgNoDrawNumber = 3208;    // "the draw number of round %s is not known"
constexpr int kMsgNoRoundAddress = 3209;  // "pool %s has no address for the results of a given round"
// RAVAROZ.INI [General]: the goal tab publishes its state (the player's choice, off at first).
constexpr const char* kGoalPublishKey = "GoalPublish";

}  // namespace

CheckWindowContext MakeCheckWindowContext(const ShellContext& shell) {
    Program& program = shell.program;
    DocumentSession& session = shell.session;
    CheckWindowContext c;
    c.db = &program.db;
    c.pool = program.national.SettingsOfSystem(session.Doc().Pool, session.Doc().Typ);
    c.prompter = &shell.prompter;
    c.debug = program.settings.debug;
    c.dataFolder = program.DataFolder();
    c.pdfFolder = program.UserFolder();
    c.homes = session.HomeTeams();
    c.aways = session.AwayTeams();
    c.uploadUser = std::string(core::Trim(program.settingsFile().ini().ReadString("General", kApiUserKey)));
    c.publishGoals = program.settingsFile().ini().ReadBool("General", kGoalPublishKey, false);
    c.rememberPublishGoals = [&program](bool on) { program.settingsFile().WriteBool("General", kGoalPublishKey, on); };
    c.systemFileName = session.IsUntitled() ? std::string() : session.FileName().filename().string();
    const std::string host = net::ServiceHostOf(program.updateIni);
    c.serviceHome = host.empty() ? std::string() : (host.rfind("http", 0) == 0 ? host : "http://" + host) + "/";
    // Addresses come from the service and from files: one that is no web
    // address, or a browser that does not start, is shown to the player.
    c.help = [&program, &prompter = shell.prompter, window = shell.window](const std::string& page) {
        OpenHelpPage(window, prompter, program, page);
    };
    c.openUrl = [&prompter = shell.prompter, window = shell.window](const std::string& url) {
        OpenAddress(window, prompter, url);
    };
    c.downloadResults = [&program, &shell](QWidget* parent, core::TVinraFile& work) -> std::optional<int32_t> {
        // The download window works on the program's document: it gets the
        // working copy's round and pool for the time it runs.
        const core::TVinraFile keep = program.doc;
        program.doc.Typ = work.Typ;
        program.doc.Omg = work.Omg;
        auto round =
            RunGetResults(parent, program, shell.prompter, shell.session.HomeTeams(), shell.session.AwayTeams());
        program.doc = keep;
        return round;
    };
    // A round the database lacks, looked up on the operator's results page
    // through the web service: copies only, it runs on a worker.
    c.fetchRoundResult = [ini = program.updateIni, folder = program.DataFolder(),
                          pool = c.pool](RoundFetch& f) {
        const std::string digits = std::to_string(f.round);
        if (digits.size() != 6) throw std::runtime_error("no round " + digits);
        const std::string year = digits.substr(0, 4), week = digits.substr(4, 2);
        // The pool's address form says how a round is named: one placeholder
        // is the draw number, two are the year and the week.
        const std::string form = ini.ReadString(f.typ, pool.xml ? "XMLGetResultParam" : "GetResultParam");
        int placeholders = 0;
        for (size_t i = 0; i + 1 < form.size(); ++i)
            if (form[i] == '%' && (form[i + 1] == 'd' || form[i + 1] == 's')) ++placeholders, ++i;
            else if (form[i] == '%' && form[i + 1] == '%') ++i;
        if (placeholders == 0) {
            f.error = core::FormatMsg(core::Msg(kMsgNoRoundAddress), {f.typ});
            return;
        }
        const bool byDraw = placeholders == 1;
        if (byDraw && f.draw == 0) {
            f.error = core::FormatMsg(core::Msg(kMsgNoDrawNumber), {digits.substr(0, 4) + "-" + week});
            return;
        }
        const std::string url = net::ServiceAddress(ini, f.typ, pool.xml, true,
                                                    byDraw ? net::kByDrawNumber : net::kByYearWeek, f.draw, year, week);
        net::ParseOptions options;
        options.typ = f.typ;
        options.resultsMode = true;
        options.matchCount = f.matchCount;
        options.signs = pool.signs;
        options.warnings = false;
        net::TCouponInfo info;
        info.Year = year;
        info.Week = week;
        info.Typ = f.typ;
        info.OmgID = f.draw;
        // A file of its own: the download window may be fetching into download.htm.
        const std::filesystem::path target = folder / "checkround.htm";
        const net::FetchOutcome out = net::FetchRound(url, target, pool.xml, ini, options, info);
        std::error_code ec;
        std::filesystem::remove(target, ec);
        if (!out.ok) {
            f.error = out.error;
            return;
        }
        if (out.drawNumber && *out.drawNumber != 0) info.OmgID = *out.drawNumber;
        if (info.OmgID == 0) info.OmgID = f.round;
        // Settled: a sign for every match and a prize table.
        const std::string signs = core::DisplayToSigns(info.Row, pool.signs);
        f.settled = static_cast<int>(signs.size()) == f.matchCount &&
                    signs.find('-') == std::string::npos && !info.Payouts.empty();
        PrizeListsToSlots(info, f.matchCount);
        f.found = std::move(info);
    };
    c.upload = [&program, &shell](QWidget* parent, core::TVinraFile& work) {
        DocumentSession& s = shell.session;
        const bool got = UploadClick(parent, program, s.FileName(), s.IsUntitled(), s.Modified(), shell.prompter, {});
        if (!got) return false;
        // The command wrote the link into the open system; the working copy
        // takes it the same way, so handing it back keeps the player's comment.
        work.SalvikLink = program.doc.SalvikLink;
        work.Comment += "\r\n" + work.SalvikLink;
        return true;
    };
    return c;
}

void RunCheckWindow(const ShellContext& shell) {
    DocumentSession& session = shell.session;
    if (session.Doc().Rader.empty()) {
        shell.prompter.information(shell.window, QString::fromStdString(core::Msg(kMsgNoRows)));
        return;
    }
    TfrmRatta window(session.Doc(), MakeCheckWindowContext(shell), shell.window);
    window.exec();
    HandBackCheck(session, window);
}

namespace {
// A result row as the window keeps it: N characters, '-' where undecided.
std::string Padded(std::string facit, int n) {
    facit.resize(static_cast<size_t>(std::clamp(n, 1, core::kMaxMatches)), '-');
    return facit;
}
}  // namespace

void HandBackCheck(DocumentSession& session, const TfrmRatta& window) {
    const core::TVinraFile& work = window.Document();
    const core::TVinraFile& doc = session.Doc();
    // Opening the window and closing it again leaves the system unchanged.
    if (Padded(work.Facit, work.MatchCount) != Padded(doc.Facit, doc.MatchCount) || work.HGoal != doc.HGoal ||
        work.AGoal != doc.AGoal)
        session.SetResult(work.Facit, work.HGoal, work.AGoal);
    const bool other = work.Comment != doc.Comment || work.SalvikLink != doc.SalvikLink || work.End != doc.End ||
                       work.LogRows != doc.LogRows || work.OmgID != doc.OmgID || work.Omg != doc.Omg;
    if (!other && !window.MarksModified()) return;
    DocParts parts = DocPart::Result;
    if (work.Comment != doc.Comment || work.SalvikLink != doc.SalvikLink) parts |= DocPart::Comment;
    if (work.OmgID != doc.OmgID || work.Omg != doc.Omg) parts |= DocPart::Round;
    if (work.LogRows != doc.LogRows) parts |= DocPart::Rows;
    session.Change(parts, window.MarksModified(), [&work](core::TVinraFile& d) {
        d.Comment = work.Comment;
        d.SalvikLink = work.SalvikLink;
        d.End = work.End;
        d.LogRows = work.LogRows;
        d.Omg = work.Omg;
        d.OmgID = work.OmgID;
    });
}

void RegisterCheckCommands(CommandTable& table, const ShellContext& shell) {
    table.Add({.name = "actCheck", .handler = [shell] { RunCheckWindow(shell); }});
    const auto editor = [shell](TDBManager::Page page) {
        Program& program = shell.program;
        RunDatabaseEditor(shell.window, program.db, program.DataFolder(), shell.prompter, page,
                          [&program](const std::string& p) { OpenHelpPage(program, p); });
    };
    table.Add({.name = "actDbMatches", .handler = [editor] { editor(TDBManager::Page::Games); }});
    table.Add({.name = "actDbResults", .handler = [editor] { editor(TDBManager::Page::Results); }});
}

}  // namespace vinra::ui
