// The check window and the database editor as commands of the main window.
#include "ui/checking/register.h"

#include <algorithm>

#include "core/messages.h"
#include "core/text.h"
#include "net/active_pools.h"
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
