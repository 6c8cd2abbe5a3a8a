#include "ui/core/main_commands.h"

#include <QAction>
#include <QDesktopServices>
#include <QProcess>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "output/coupon_layout.h"
#include "ui/core/about_box.h"
#include "ui/core/document_session.h"
#include "ui/core/file_controller.h"
#include "ui/core/grid_panel.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"
#include "ui/net/http_window.h"
#include "ui/net/submit_dialog.h"
#include "ui/net/update_database_dialog.h"
#include "ui/net/web_status.h"
#include "ui/output/coupon_viewer.h"
#include "ui/output/print_dialog.h"
#include "ui/stats/match_stat.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kMsgUndo = 1000;        // "&Undo"
constexpr int kMsgRedo = 1001;        // "&Redo"
constexpr int kMsgDeleteRows = 1005;  // undo text of rows deleted in the coupon viewer
constexpr int kMsgShowPeople = 1930;  // "Show people's percentages"
constexpr int kMaxHelpLinks = 10;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

}  // namespace

MainCommands::MainCommands(const ShellContext& shell, CommandTable& table, FileController& files, TipsGridPanel& grid,
                           QObject* parent)
    : QObject(parent), shell_(shell), table_(table), files_(files), grid_(grid) {}

MainCommands::~MainCommands() = default;

void MainCommands::Register() {
    auto& t = table_;
    auto& f = files_;
    auto& program = shell_.program;
    QUndoStack* undo = shell_.session.UndoStack();
    const auto later = [](CommandSpec spec) {
        spec.later = true;
        return spec;
    };

    // File
    t.Add({.name = "actNew",
           .msg = 10,
           .shortcut = QKeySequence(Qt::CTRL | Qt::Key_N),
           .icon = Icon::New,
           .menu = MenuId::File,
           .position = 10,
           .toolBarPosition = 1,
           .toolBarHint = 216,
           .handler = [&f] { f.NewClick(); }});
    t.Add({.name = "actOpen",
           .msg = 11,
           .shortcut = QKeySequence(Qt::CTRL | Qt::Key_O),
           .icon = Icon::Open,
           .menu = MenuId::File,
           .position = 20,
           .toolBarPosition = 2,
           .toolBarHint = 217,
           .handler = [&f] { f.OpenClick(); }});
    t.Add({.name = "actSave",
           .msg = 12,
           .shortcut = QKeySequence(Qt::CTRL | Qt::Key_S),
           .icon = Icon::Save,
           .menu = MenuId::File,
           .position = 30,
           .toolBarPosition = 3,
           .toolBarHint = 218,
           .handler = [&f] { f.SaveClick(); }});
    t.Add({.name = "actSaveAs",
           .msg = 13,
           .shortcut = QKeySequence(Qt::Key_F12),
           .menu = MenuId::File,
           .position = 40,
           .handler = [&f] { f.SaveAsClick(); }});
    t.Add({.name = "actImport",
           .msg = 543,
           .menu = MenuId::File,
           .position = 50,
           .separatorBefore = true,
           .handler = [&f] { f.ImportClick(); }});
    t.Add(
        {.name = "actExport", .msg = 604, .menu = MenuId::File, .position = 60, .handler = [&f] { f.ExportClick(); }});
    t.Add(
        later({.name = "actSendMail", .msg = 544, .menu = MenuId::File, .position = 70, .fillSubmenu = [](QMenu*) {}}));
    t.Add({.name = "actGetGames",
           .msg = 14,
           .menu = MenuId::File,
           .position = 80,
           .handler = [this] { GetGamesClick(); },
           .debugOnly = true});
    t.Add({.name = "actPrint",
           .msg = 15,
           .shortcut = QKeySequence(Qt::CTRL | Qt::Key_P),
           .icon = Icon::Print,
           .menu = MenuId::File,
           .position = 90,
           .toolBarPosition = 11,
           .toolBarHint = 219,
           .handler = [this] { PrintClick(); }});
    t.Add(later({.name = "actSettings", .msg = 16, .menu = MenuId::File, .position = 100}));
    for (int i = 0; i < static_cast<int>(core::RecentFiles::kMax); ++i) {
        t.Add({.name = QStringLiteral("actRecent%1").arg(i),
               .menu = MenuId::File,
               .position = 110 + i,
               .separatorBefore = i == 0,
               .handler = [&f, i] { f.OpenRecent(i); },
               .visible = [&program, i] { return i < static_cast<int>(program.settings.recent.entries().size()); }});
    }
    t.Add({.name = "actExit",
           .msg = 17,
           .icon = Icon::Exit,
           .menu = MenuId::File,
           .position = 200,
           .separatorBefore = true,
           .toolBarPosition = 32,
           .toolBarHint = 229,
           .handler = [w = shell_.window] { w->close(); }});

    // System
    t.Add(later({.name = "actSetFrame",
                 .msg = 19,
                 .shortcut = QKeySequence(Qt::CTRL | Qt::Key_T),
                 .icon = Icon::GameWizard,
                 .menu = MenuId::System,
                 .position = 10,
                 .toolBarPosition = 22,
                 .toolBarHint = 224}));
    t.Add(later({.name = "actReduce",
                 .msg = 20,
                 .shortcut = QKeySequence(Qt::CTRL | Qt::Key_G),
                 .icon = Icon::Reduce,
                 .menu = MenuId::System,
                 .position = 20,
                 .toolBarPosition = 23,
                 .toolBarHint = 225}));
    t.Add(later({.name = "actExpert",
                 .msg = 564,
                 .shortcut = QKeySequence(Qt::CTRL | Qt::Key_E),
                 .menu = MenuId::System,
                 .position = 30}));
    t.Add({.name = "actViewCoupons",
           .msg = 21,
           .shortcut = QKeySequence(Qt::CTRL | Qt::Key_W),
           .menu = MenuId::System,
           .position = 40,
           .handler = [this] { ViewCouponsClick(); }});
    t.Add(later({.name = "actCheck",
                 .msg = 22,
                 .shortcut = QKeySequence(Qt::CTRL | Qt::Key_R),
                 .icon = Icon::Check,
                 .menu = MenuId::System,
                 .position = 50,
                 .toolBarPosition = 24,
                 .toolBarHint = 227}));
    t.Add({.name = "actStatistics",
           .msg = 24,
           .shortcut = QKeySequence(Qt::Key_F5),
           .icon = Icon::Statistics,
           .menu = MenuId::System,
           .position = 60,
           .separatorBefore = true,
           .toolBarPosition = 21,
           .toolBarHint = 222,
           .handler = [this] { StatisticsClick(); }});
    t.Add({.name = "actShowPeople",
           .msg = kMsgShowPeople,
           .menu = MenuId::System,
           .position = 65,
           .handler = [this] { ShowPeopleClick(); },
           .checked = [&g = grid_] { return g.PeopleShown(); }});
    t.Add({.name = "actUndo",
           .shortcut = QKeySequence(QKeySequence::Undo),
           .menu = MenuId::System,
           .position = 70,
           .separatorBefore = true,
           .handler = [undo] { undo->undo(); },
           .enabled = [undo] { return undo->canUndo(); }});
    t.Add({.name = "actRedo",
           .shortcut = QKeySequence(Qt::CTRL | Qt::Key_Y),
           .menu = MenuId::System,
           .position = 80,
           .handler = [undo] { undo->redo(); },
           .enabled = [undo] { return undo->canRedo(); }});

    // Tools (debug mode)
    t.Add({.name = "actSystemEditor", .msg = 25, .menu = MenuId::Tools, .position = 10, .handler = [this] {
               SystemEditorClick();
           }});
    t.Add(later({.name = "actDbMatches", .msg = 27, .menu = MenuId::Databases, .position = 10}));
    t.Add(later({.name = "actDbResults", .msg = 28, .menu = MenuId::Databases, .position = 20}));

    // Language
    const std::pair<int, int> languages[] = {{core::LangSwedish, 272},
                                             {core::LangEnglish, 273},
                                             {core::LangDanish, 274},
                                             {core::LangNorwegian, 275},
                                             {core::LangFinnish, 276}};
    int position = 10;
    for (const auto& [base, msg] : languages) {
        t.Add({.name = QStringLiteral("actLanguage%1").arg(base),
               .msg = msg,
               .menu = MenuId::Language,
               .position = position,
               .handler = [this, b = base] { ChangeLanguage(b); },
               .checked = [b = base] { return core::CurrentLanguage() == b; }});
        position += 10;
    }

    // Help
    t.Add({.name = "actHelpContent",
           .msg = 33,
           .shortcut = QKeySequence(Qt::Key_F1),
           .icon = Icon::Help,
           .menu = MenuId::Help,
           .position = 10,
           .toolBarPosition = 31,
           .toolBarHint = 228,
           .handler = [this] { HelpContentClick(); },
           .enabled = [&program] { return !program.updateIni.ReadString("Service", "Host").empty(); }});
    t.Add({.name = "actAbout",
           .msg = 37,
           .menu = MenuId::Help,
           .position = 100,
           .separatorBefore = true,
           .handler = [this] { AboutClick(); }});

    // Buttons of the panels
    t.Add({.name = "actPlaceBet", .handler = [this] { SubmitClick(); }});
    t.Add({.name = "actUpdateDatabase", .handler = [this] { UpdateDatabaseClick(); }});

    RefreshTexts();
}

void MainCommands::RefreshTexts() {
    const auto& entries = shell_.program.settings.recent.entries();
    for (int i = 0; i < static_cast<int>(core::RecentFiles::kMax); ++i) {
        const QString name = QStringLiteral("actRecent%1").arg(i);
        if (i < static_cast<int>(entries.size())) {
            table_.SetText(name, QStringLiteral("&%1 %2").arg(i + 1).arg(Q(entries[i].display)));
            if (QAction* a = table_.Action(name)) a->setToolTip(Q(entries[i].path.string()));
        }
    }
    QUndoStack* undo = shell_.session.UndoStack();
    const auto caption = [](int msg, const QString& what) {
        return what.isEmpty() ? M(msg) : M(msg) + QStringLiteral(" ") + what;
    };
    table_.SetText(QStringLiteral("actUndo"), caption(kMsgUndo, undo->undoText()));
    table_.SetText(QStringLiteral("actRedo"), caption(kMsgRedo, undo->redoText()));
    table_.Refresh();
}

void MainCommands::RebuildHelpLinks() {
    for (int i = 0; i < helpLinks_; ++i) table_.Remove(QStringLiteral("actHelpLink%1").arg(i));
    helpLinks_ = 0;
    auto& program = shell_.program;
    const auto& doc = shell_.session.Doc();
    const std::string country = doc.Country.empty() ? program.national.OperatorOfPool(doc.Typ) : doc.Country;
    for (const auto& link : program.national.Links(country)) {
        if (helpLinks_ >= kMaxHelpLinks) break;
        // The address comes from a hand-editable file: only a web address
        // reaches the browser, and a failure says so.
        const std::string url = link.url;
        table_.Add({.name = QStringLiteral("actHelpLink%1").arg(helpLinks_),
                    .text = Q(link.caption),
                    .menu = MenuId::Help,
                    .position = 20 + helpLinks_,
                    .handler = [this, url] { OpenAddress(shell_.window, shell_.prompter, url); }});
        ++helpLinks_;
    }
}

void MainCommands::ChangeLanguage(int base) {
    if (!core::IsLanguageBase(base)) return;
    core::SetCurrentLanguage(base);
    shell_.program.settings.language = base;
    try {
        // Kept at once, as the first start's choice is.
        shell_.program.settingsFile().WriteInteger("General", "Language", base);
    } catch (const core::FileError&) {
        // A read-only data folder: the exit save reports it.
    }
    shell_.session.Relocalise();
    emit languageChanged();
}

// ---------------------------------------------------------------------------
// Statistics and the games download

bool MainCommands::FetchStatistics(bool quiet) {
    MatchStatOptions options;
    options.quietFailure = quiet;
    // The logo downloads report on this thread; the grid reloads the pictures a moment later.
    options.logosArrived = [this] { QTimer::singleShot(500, &grid_, [this] { grid_.ReloadLogos(); }); };
    return ShowMatchStatistics(shell_.window, shell_.program, shell_.prompter, options);
}

void MainCommands::StatisticsClick() {
    FetchStatistics();
    files_.LoadRoundTeams();
    grid_.ReloadGameInfo();
    emit outsideChanged();
}

void MainCommands::ShowPeopleClick() {
    const bool on = !grid_.PeopleShown();
    grid_.SetPeopleShown(on);
    shell_.program.settings.showPeople = on;
    try {
        shell_.program.settingsFile().WriteBool("General", "ShowPeople", on);
    } catch (const core::FileError& e) {
        shell_.prompter.error(shell_.window, QString::fromStdString(e.what()));
    }
    table_.Refresh();
}

void MainCommands::GetGamesClick() {
    auto& session = shell_.session;
    const auto got = RunGetGames(shell_.window, shell_.program, shell_.prompter, session.Doc(), session.HomeTeams(),
                                 session.AwayTeams());
    if (!got) return;
    // The download chose the round: its week and draw number come back.
    session.Change(DocPart::Round, false, [&](core::TVinraFile& d) {
        d.Omg = got->Omg;
        d.OmgID = got->OmgID;
    });
    files_.LoadRoundTeams();
    emit outsideChanged();
}

// ---------------------------------------------------------------------------
// Output

void MainCommands::SetPrintBackend(std::unique_ptr<PrintBackend> backend) { printBackend_ = std::move(backend); }

PrintBackend& MainCommands::printBackend() {
    if (!printBackend_) printBackend_ = MakeQtPrintBackend();
    return *printBackend_;
}

fs::path MainCommands::systemFile() const {
    return shell_.session.IsUntitled() ? fs::path() : shell_.session.FileName();
}

void MainCommands::PrintClick() {
    auto& session = shell_.session;
    if (session.Doc().Rader.empty()) {
        shell_.prompter.information(shell_.window, M(283));
        return;
    }
    // The dialog marks its copy as printed; the session takes the mark over.
    core::TVinraFile copy = session.Doc();
    PrintContext ctx = PrintContextOf(shell_.program, session.MatchLabels(), systemFile());
    ctx.doc = &copy;
    if (RunPrintDialog(shell_.window, ctx, shell_.prompter, printBackend(),
                       DefaultPrintDialogHooks(ctx, shell_.prompter)))
        session.Change(DocPart::Printed, true, [&](core::TVinraFile& d) { d.Printed = copy.Printed; });
    emit outsideChanged();
}

void MainCommands::ViewCouponsClick() {
    auto& session = shell_.session;
    if (session.Doc().Rader.empty()) {
        shell_.prompter.information(shell_.window, M(283));
        return;
    }
    CouponViewerHooks hooks;
    // The system counts as changed the moment the viewer deletes a row, even
    // if the viewer is then closed without keeping its rows.
    hooks.systemModified = [this] { shell_.session.Change(DocPart::Rows, true, [](core::TVinraFile&) {}); };
    hooks.printCoupon = [this](QWidget* parent, const std::vector<std::string>& rows, int coupon) {
        auto& s = shell_.session;
        core::TVinraFile copy = s.Doc();
        PrintContext ctx = PrintContextOf(shell_.program, s.MatchLabels(), systemFile());
        ctx.doc = &copy;
        if (RunPrintDialogForCoupon(parent, ctx, rows, coupon, shell_.prompter, printBackend(),
                                    DefaultPrintDialogHooks(ctx, shell_.prompter)))
            s.Change(DocPart::Printed, true, [&](core::TVinraFile& d) { d.Printed = copy.Printed; });
    };
    const int perCoupon = output::ReadCouponLayout(shell_.program.national.ini(), session.Doc().Pool).rowsPerCoupon;
    const ViewCouponsResult result = RunCouponViewer(shell_.window, session.Doc(), perCoupon, shell_.prompter, hooks);
    // The viewer's rows come back as one undoable edit.
    core::TVinraFile copy = session.Doc();
    if (KeepCouponChanges(shell_.window, copy, result, shell_.prompter))
        session.Replace(copy, DocPart::Rows, M(kMsgDeleteRows));
    emit outsideChanged();
}

void MainCommands::SubmitClick() {
    auto& session = shell_.session;
    ui::SubmitClick(shell_.window, shell_.program, session.FileName(), session.IsUntitled(), shell_.prompter);
}

void MainCommands::UpdateDatabaseClick() {
    if (!UpdateDatabaseCommand(shell_.window, shell_.program, shell_.prompter)) return;
    emit databaseUpdated();
}

// ---------------------------------------------------------------------------
// Tools and help

void MainCommands::SystemEditorClick() {
    const fs::path exe = shell_.program.ProgramFolder() / kSystemEditor;
    std::error_code ec;
    if (!fs::exists(exe, ec) || !QProcess::startDetached(Q(exe.string()), {}))
        shell_.prompter.error(shell_.window, M(285));
}

void MainCommands::HelpContentClick() { OpenHelpPage(shell_.window, shell_.prompter, shell_.program, "main.htm"); }

void MainCommands::AboutClick() {
    TfrmAbout about(shell_.program.DataFolder(), shell_.window);
    about.exec();
}

}  // namespace vinra::ui
