#include "ui/core/main_window.h"
#include "ui/core/window_size.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "ui/core/document_session.h"
#include "ui/core/file_controller.h"
#include "ui/core/grid_panel.h"
#include "ui/core/icons.h"
#include "ui/core/localise.h"
#include "ui/core/main_commands.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/side_panels.h"
#include "ui/core/ui_text.h"
#include "ui/output/print_dialog.h"
#include "ui/stats/match_stat.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kMsgRowsInSystem = 1010;  // tooltip of status field 2
constexpr int kMsgRowsOfFrame = 1011;   // tooltip of status field 3
// The two counts side by side ("4 rows  768 rows") left the player guessing
// which was which: each field names what it counts.
constexpr int kMsgSystemRows = 3172;  // "System: %s rows"
constexpr int kMsgFrameRows = 3173;   // "Frame: %s rows"

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

}  // namespace

TfrmStryk::TfrmStryk(Program& program, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), program_(program), prompter_(prompter) {
    setObjectName(QStringLiteral("frmStryk"));
    setWindowTitle(QString::fromUtf8(core::kProgramName));
    setWindowIcon(MakeIcon(Icon::GameWizard));
    setContextMenuPolicy(Qt::NoContextMenu);

    session_ = new DocumentSession(program_.doc, this);
    commands_ = new CommandTable(this, program_.settings.debug);
    shell_ = std::make_unique<ShellContext>(ShellContext{program_, prompter_, *session_, this, {}});
    files_ = new FileController(*shell_, this);
    grid_ = new TipsGridPanel(*shell_, this);
    shell_->currentMatch = [this] { return grid_->CurrentMatch(); };
    main_ = new MainCommands(*shell_, *commands_, *files_, *grid_, this);
    main_->Register();
    RegisterWindowModules(*commands_, *shell_);
    files_->fetchStatistics = [this](bool quiet) { return main_->FetchStatistics(quiet); };
    files_->fetchRoundGamesLater = [this] { fetchRoundGamesLater(); };
    files_->openGuide = [this] { commands_->Trigger(QStringLiteral("actExpert")); };

    buildMenus();
    buildLayout();
    buildStatusBar();
    connectViews();

    int base = program_.settings.language;
    if (!core::IsLanguageBase(base)) base = core::LangEnglish;
    ChangeLanguage(base);

    toolsMenu_->menuAction()->setVisible(program_.settings.debug);
    // A 1366 x 768 screen (or a large one at twice the scale) has less height
    // than the usual first size: the window opens inside the screen it is on.
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    const WindowSizes sizes = MainWindowSizes(where ? where->availableGeometry().size() : QSize(1240 + 16, 780 + 48));
    setMinimumSize(sizes.minimum);
    resize(sizes.first);
    if (program_.settings.debug) prompter_.information(this, M(286));
}

WindowSizes MainWindowSizes(const QSize& available) {
    // Title bar and borders of the window manager around the client area.
    const QSize room(std::max(available.width() - 16, 320), std::max(available.height() - 48, 240));
    const QSize first = QSize(1240, 780).boundedTo(room);
    return {first, QSize(960, 670).boundedTo(first)};
}

TfrmStryk::~TfrmStryk() {
    // The session is a child of this window and goes only after this body has
    // run; its undo stack still signals while it is torn down, and those
    // signals must not reach the slots of a window that is already half gone.
    if (session_) {
        session_->UndoStack()->disconnect(this);
        session_->disconnect(this);
    }
}

// ---------------------------------------------------------------------------
// Building

void TfrmStryk::buildMenus() {
    auto* bar = menuBar();
    auto menu = [&](QMenu* parentMenu, const char* name, int msg, const char* english) {
        QMenu* m =
            parentMenu ? parentMenu->addMenu(QString::fromUtf8(english)) : bar->addMenu(QString::fromUtf8(english));
        Tag(m, msg);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    commands_->AttachMenu(MenuId::File, menu(nullptr, "mnuFile", 9, "&File"));
    commands_->AttachMenu(MenuId::System, menu(nullptr, "mnuSystem", 18, "&System"));
    toolsMenu_ = menu(nullptr, "mnuTools", 23, "&Tools");
    commands_->AttachMenu(MenuId::Databases, menu(toolsMenu_, "mnuDatabases", 26, "&Databases"));
    commands_->AttachMenu(MenuId::Tools, toolsMenu_);
    commands_->AttachMenu(MenuId::Language, menu(nullptr, "mnuLanguage", 29, "Language"));
    commands_->AttachMenu(MenuId::Help, menu(nullptr, "mnuHelp", 32, "&Help"));

    auto* tb = addToolBar(QStringLiteral("Main"));
    tb->setObjectName(QStringLiteral("tbMain"));
    tb->setMovable(false);
    tb->setIconSize(QSize(24, 24));
    tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    commands_->AttachToolBar(tb);
}

namespace {
constexpr int kSidePanelMinWidth = 250;
}  // namespace

void TfrmStryk::buildLayout() {
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splMain"));
    splitter->setChildrenCollapsible(false);

    sideTabs_ = new QTabWidget(splitter);
    sideTabs_->setObjectName(QStringLiteral("tabSide"));
    sideTabs_->setDocumentMode(true);
    sideTabs_->setUsesScrollButtons(false);
    sideTabs_->setElideMode(Qt::ElideRight);
    sideTabs_->tabBar()->setExpanding(true);
    sideTabs_->setMinimumWidth(kSidePanelMinWidth);
    pools_ = new ActivePoolsPanel(*shell_, *commands_);
    filesPanel_ = new FilesPanel(*shell_, *commands_);
    dbPanel_ = new DatabasePanel(*shell_);
    sideTabs_->addTab(pools_, QString());
    sideTabs_->addTab(filesPanel_, QString());
    sideTabs_->addTab(dbPanel_, QString());

    grid_->setParent(splitter);
    splitter->addWidget(grid_);
    links_ = new LinksPanel(*shell_, *commands_, splitter);
    splitter->addWidget(links_);

    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    splitter->setSizes({320, 680, 250});
    setCentralWidget(splitter);
    setTabOrder(sideTabs_, grid_->Grid());
    setTabOrder(grid_->Grid(), links_->CommentEdit());
}

void TfrmStryk::fetchRoundGamesLater() {
    constexpr int kMsgFetchingGames = 3003;  // "Fetching the round's games..."
    constexpr int kMsgGamesNotFetched = 3002;  // "The round's games could not be fetched just now; ..."
    delete roundFetch_;  // the round of an earlier file is of no interest any more
    roundFetch_ = new RoundGamesFetch(program_, session_->Doc(), this, [this] {
        QTimer::singleShot(500, grid_, [this] { grid_->ReloadLogos(); });
    }, this);
    RoundGamesFetch* fetch = roundFetch_;
    connect(fetch, &RoundGamesFetch::done, this, [this, fetch](int outcome) {
        const bool sameRound = session_->Doc().Typ == fetch->Typ() && session_->Doc().OmgID == fetch->OmgID();
        if (outcome == RoundGamesFetch::Stored) {
            if (sameRound) setRoundGamesNote(0);
            files_->RoundGamesArrived(fetch->Typ(), fetch->OmgID());
            if (sameRound) grid_->ReloadGameInfo();
        } else if (sameRound) {
            setRoundGamesNote(kMsgGamesNotFetched);
        }
        if (roundFetch_ == fetch) roundFetch_ = nullptr;
        fetch->deleteLater();
    });
    if (fetch->Start()) {
        setRoundGamesNote(kMsgFetchingGames);
    } else {
        delete fetch;
        roundFetch_ = nullptr;
    }
}

void TfrmStryk::buildStatusBar() {
    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 5; ++i) {
        status_[i] = new QLabel(bar);
        status_[i]->setObjectName(QStringLiteral("stsField%1").arg(i));
        status_[i]->setContentsMargins(6, 0, 6, 0);
        if (i == 0) bar->addWidget(status_[i], 1);
        else bar->addPermanentWidget(status_[i]);
    }
    roundGamesNote_ = new QLabel(bar);
    roundGamesNote_->setObjectName(QStringLiteral("stsRoundGames"));
    roundGamesNote_->setContentsMargins(6, 0, 6, 0);
    roundGamesNote_->hide();
    bar->addPermanentWidget(roundGamesNote_);
}

void TfrmStryk::setRoundGamesNote(int msg) {
    const core::TVinraFile& doc = session_->Doc();
    roundGamesNoteOf_ = {session_->FileName(), doc.Typ, doc.OmgID};
    SetMsgTag(roundGamesNote_, msg);  // follows a change of language
    roundGamesNote_->setText(msg ? M(msg) : QString());
    roundGamesNote_->setVisible(msg != 0);
}

void TfrmStryk::dropStaleRoundGamesNote() {
    if (!roundGamesNote_ || roundGamesNote_->isHidden()) return;
    const core::TVinraFile& doc = session_->Doc();
    if (session_->FileName() != roundGamesNoteOf_.file || doc.Typ != roundGamesNoteOf_.typ ||
        doc.OmgID != roundGamesNoteOf_.omgId)
        setRoundGamesNote(0);
}

// Every view follows the session; the shell only routes what the panels pick.
void TfrmStryk::connectViews() {
    auto* s = session_;
    connect(s, &DocumentSession::fileNameChanged, this, &TfrmStryk::updateTitle);
    connect(s, &DocumentSession::fileNameChanged, this, &TfrmStryk::dropStaleRoundGamesNote);
    connect(s, &DocumentSession::roundChanged, this, &TfrmStryk::dropStaleRoundGamesNote);
    connect(s, &DocumentSession::modifiedChanged, this, &TfrmStryk::updateTitle);
    connect(s, &DocumentSession::stateChanged, this, &TfrmStryk::updateStatusBar);
    connect(s, &DocumentSession::documentChanged, this, [this] {
        updateStatusBar();
        refreshCommands();
    });
    connect(s, &DocumentSession::stateChanged, this, &TfrmStryk::refreshCommands);
    connect(s->UndoStack(), &QUndoStack::indexChanged, this, &TfrmStryk::refreshCommands);

    connect(files_, &FileController::poolSwitched, this, &TfrmStryk::poolSwitched);
    connect(files_, &FileController::recentChanged, this, &TfrmStryk::refreshCommands);
    connect(files_, &FileController::saved, this, [this] {
        if (sideTabs_->currentIndex() == 1) filesPanel_->SetOrder(FileOrder::Date, true);
    });

    connect(pools_, &ActivePoolsPanel::poolChosen, files_, &FileController::ChoosePool);
    connect(pools_, &ActivePoolsPanel::refreshed, this, [this](bool replaced) {
        filesPanel_->Rebuild();
        dbPanel_->Rebuild();
        // A new system made from the old list takes the round of the new one,
        // as long as the player has not touched it.
        if (replaced && renewOnRefresh_ && session_->IsUntitled() && !session_->Modified()) {
            session_->Change(DocPart::Round, false, [](core::TVinraFile& d) { d.OmgID = 0; });
            files_->NewSystem(false, true);
        }
        renewOnRefresh_ = false;
    });
    connect(filesPanel_, &FilesPanel::fileChosen, this, [this](const fs::path& path) {
        if (path == session_->FileName() && !session_->Modified()) return;
        if (!files_->AskSaveChanges()) return;  // moving away is refused on Cancel
        files_->OpenFile(path);
    });
    connect(dbPanel_, &DatabasePanel::roundChosen, files_, &FileController::SelectDatabaseRound);
    connect(sideTabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1) filesPanel_->SetOrder(FileOrder::Date, true);
        if (index == 2) dbPanel_->Rebuild();
    });

    const auto setFrameAt = [this](int match) {
        grid_->Grid()->setCurrentCell(match - 1, grid_->Grid()->currentColumn());
        commands_->Trigger(QStringLiteral("actSetFrame"));
    };
    connect(grid_, &TipsGridPanel::setFrameRequested, this, setFrameAt);
    connect(links_, &LinksPanel::setFrameRequested, this, setFrameAt);
    connect(grid_, &TipsGridPanel::teamsEdited, files_, &FileController::LoadRoundTeams);

    // The program settings take effect at once: the Help-menu links and the
    // team-name tool tips of the grid follow them when the dialog closes.
    if (QAction* settings = commands_->Action(QStringLiteral("actSettings")))
        connect(settings, &QAction::triggered, this, [this] {
            main_->RebuildHelpLinks();
            grid_->Relocalise();
            refreshCommands();
        });
    connect(main_, &MainCommands::outsideChanged, this, [this] {
        grid_->Relocalise();
        refreshCommands();
    });
    connect(main_, &MainCommands::databaseUpdated, this, [this] {
        dbPanel_->Rebuild();
        grid_->Relocalise();
    });
    connect(main_, &MainCommands::languageChanged, this, &TfrmStryk::localiseAll);
}

// ---------------------------------------------------------------------------
// What the shell itself shows

void TfrmStryk::updateTitle() {
    QString title = QString::fromUtf8(core::kProgramName);
    if (!session_->IsUntitled()) title += QStringLiteral(" [") + Q(session_->FileName().filename().string()) + "]";
    // Unsaved changes are marked in the title as well as in the status bar.
    if (session_->Modified()) title += QStringLiteral(" *");
    setWindowTitle(title);
}

void TfrmStryk::updateStatusBar() {
    const auto& doc = session_->Doc();
    status_[0]->setText(M(494));
    status_[1]->setText(M(static_cast<int>(session_->State())));
    status_[2]->setText(
        Q(core::FormatMsg(core::Msg(kMsgSystemRows), {core::GroupDigits(static_cast<int64_t>(doc.Rader.size()))})));
    status_[2]->setToolTip(M(kMsgRowsInSystem));
    const uint64_t math = core::MathRowCount(doc.Grundrad);
    status_[3]->setText(Q(core::FormatMsg(core::Msg(kMsgFrameRows), {core::GroupDigits(std::to_string(math))})));
    status_[3]->setToolTip(M(kMsgRowsOfFrame));
    status_[4]->setText(doc.SystemTyp == "E" ? M(366) : Q(doc.Systemnamn));
}

void TfrmStryk::refreshCommands() {
    main_->RefreshTexts();  // also evaluates the enable rules
    links_->Refresh();
}

void TfrmStryk::poolSwitched() {
    grid_->PoolSwitched();
    const auto& doc = session_->Doc();
    const std::string country = doc.Country.empty() ? program_.national.OperatorOfPool(doc.Typ) : doc.Country;
    const bool canSubmit = country == "Svenska Spel" || country == "Unibet";
    links_->SetPlaceBetVisible(canSubmit);
    pools_->SetPlaceBetVisible(canSubmit);
    main_->RebuildHelpLinks();
    refreshCommands();
}

void TfrmStryk::ChangeLanguage(int base) { main_->ChangeLanguage(base); }

void TfrmStryk::localiseAll() {
    Localise(this);
    commands_->Localise();
    sideTabs_->setTabText(0, T(UiText::PanelActivePools));
    sideTabs_->setTabText(1, T(UiText::PanelFiles));
    sideTabs_->setTabText(2, T(UiText::PanelDatabase));
    // The panel is never narrower than its three captions in this language
    // (Finnish needs most), so the splitter cannot squeeze them into "...".
    sideTabs_->setMinimumWidth(std::max(kSidePanelMinWidth, sideTabs_->tabBar()->sizeHint().width()));
    pools_->Relocalise();
    filesPanel_->Relocalise();
    dbPanel_->Rebuild();
    links_->Relocalise();
    grid_->Relocalise();
    updateTitle();
    updateStatusBar();
    refreshCommands();
}

// ---------------------------------------------------------------------------
// Start and close

void TfrmStryk::FirstShow(const QString& commandLine) {
    bool opened = false;
    const QString named = commandLine.trimmed();
    std::error_code ec;
    if (!named.isEmpty() && fs::exists(fs::path(named.toStdString()), ec)) {
        opened = files_->OpenFile(named.toStdString());
    } else if (program_.settings.lastSaved && !program_.settings.recent.entries().empty()) {
        const fs::path last = program_.settings.recent.entries().front().path;
        if (fs::exists(last, ec)) opened = files_->OpenFile(last);
    }
    QTimer::singleShot(0, this, [this, opened] {
        // The list of open rounds is fetched off the GUI thread when it is out
        // of date; meanwhile the present one is shown.
        const bool refreshing = pools_->StartRefresh(false, false);
        if (refreshing) pools_->Rebuild();
        if (!opened) {
            files_->NewSystem(program_.settings.guideOnNewFile, true);
            renewOnRefresh_ = refreshing;
        }
        grid_->Grid()->setFocus();
        if (grid_->Grid()->rowCount() > 0) grid_->Grid()->setCurrentCell(0, 5);
    });
}

void TfrmStryk::EndOnRequest() {
    if (ending_) return;
    ending_ = true;
    files_->SaveRecoveryCopy();
    program_.DeleteTemporaryFiles();
    try {
        program_.SaveSettings();
    } catch (const core::FileError&) {
        // Nobody to tell; the settings of the last orderly end stay.
    }
    // Leaves the innermost loop (a wizard's, a message box's) and every loop
    // around it. The application's own loop may not have begun yet (a wizard
    // of the first start runs before it) and resets that state when it does:
    // the request is repeated until the program has gone.
    QCoreApplication::exit(0);
    auto* again = new QTimer(this);
    connect(again, &QTimer::timeout, this, [] { QCoreApplication::exit(0); });
    again->start(50);
}

void TfrmStryk::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    if (program_.DatabaseMissing()) {
        const std::string failure = program_.RunDataFilesInstaller();
        if (!failure.empty()) prompter_.error(this, Q(failure));
    }
    if (!files_->AskSaveChanges()) {
        event->ignore();
        return;
    }
    if (program_.settings.closeProgram && prompter_.question(this, M(281), false) != Answer::Yes) {
        event->ignore();
        return;
    }
    program_.DeleteTemporaryFiles();
    try {
        program_.SaveSettings();
    } catch (const core::FileError& e) {
        prompter_.error(this, Q(e.what()));
    }
    event->accept();
    emit closed();
}

// ---------------------------------------------------------------------------
// The parts' state and commands, for the tests and the start-up code

const fs::path& TfrmStryk::FileName() const { return session_->FileName(); }
bool TfrmStryk::Modified() const { return session_->Modified(); }
bool TfrmStryk::IsUntitled() const { return session_->IsUntitled(); }
QString TfrmStryk::StatusField(int index) const { return index < 0 || index > 4 ? QString() : status_[index]->text(); }
QString TfrmStryk::RoundLine() const { return grid_->RoundLine(); }
const std::vector<std::string>& TfrmStryk::HomeTeams() const { return session_->HomeTeams(); }
const std::vector<std::string>& TfrmStryk::AwayTeams() const { return session_->AwayTeams(); }
bool TfrmStryk::ResultShown() const { return grid_->ResultShown(); }
QTableWidget* TfrmStryk::Grid() const { return grid_->Grid(); }
QTreeWidget* TfrmStryk::FileTree() const { return filesPanel_->Tree(); }
QTreeWidget* TfrmStryk::DatabaseTree() const { return dbPanel_->Tree(); }
QTreeWidget* TfrmStryk::ActivePoolsTree() const { return pools_->Tree(); }
QStringList TfrmStryk::FileTreeNames() const { return filesPanel_->Names(); }
QAction* TfrmStryk::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

QList<QAction*> TfrmStryk::RecentActions() const {
    QList<QAction*> out;
    for (int i = 0; i < static_cast<int>(core::RecentFiles::kMax); ++i)
        out << commands_->Action(QStringLiteral("actRecent%1").arg(i));
    return out;
}

void TfrmStryk::NewClick() { files_->NewClick(); }
void TfrmStryk::OpenClick() { files_->OpenClick(); }
void TfrmStryk::SaveClick() { files_->SaveClick(); }
bool TfrmStryk::SaveAsClick() { return files_->SaveAsClick(); }
void TfrmStryk::ImportClick() { files_->ImportClick(); }
void TfrmStryk::ExportClick() { files_->ExportClick(); }
void TfrmStryk::PrintClick() { main_->PrintClick(); }
void TfrmStryk::ViewCouponsClick() { main_->ViewCouponsClick(); }
void TfrmStryk::StatisticsClick() { main_->StatisticsClick(); }
void TfrmStryk::GetGamesClick() { main_->GetGamesClick(); }
void TfrmStryk::SubmitClick() { main_->SubmitClick(); }
void TfrmStryk::UpdateDatabaseClick() { main_->UpdateDatabaseClick(); }
void TfrmStryk::OpenRecent(int index) { files_->OpenRecent(index); }
void TfrmStryk::ChoosePool(const net::TCouponInfoEx& entry) { files_->ChoosePool(entry); }
void TfrmStryk::SelectDatabaseRound(const checking::RoundKey& round) { files_->SelectDatabaseRound(round); }
void TfrmStryk::SetFileOrder(FileOrder order, bool descending) { filesPanel_->SetOrder(order, descending); }
void TfrmStryk::ToggleSign(int match, int sign) { grid_->ToggleSign(match, sign); }
void TfrmStryk::MaintainMatch(int match) { grid_->MaintainMatch(match); }
void TfrmStryk::SetPrintBackend(std::unique_ptr<PrintBackend> backend) { main_->SetPrintBackend(std::move(backend)); }
bool TfrmStryk::OpenFile(const fs::path& path) { return files_->OpenFile(path); }
bool TfrmStryk::AskSaveChanges(bool cancelIsNo) { return files_->AskSaveChanges(cancelIsNo); }
void TfrmStryk::NewSystem(bool withGuide) { files_->NewSystem(withGuide); }
void TfrmStryk::RebuildActivePools() { pools_->Rebuild(); }
void TfrmStryk::RebuildFileTree() { filesPanel_->Rebuild(); }
void TfrmStryk::RebuildDatabaseTree() { dbPanel_->Rebuild(); }

}  // namespace vinra::ui
