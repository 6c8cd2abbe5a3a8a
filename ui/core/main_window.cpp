#include "ui/core/main_window.h"

#include <algorithm>
#include <unordered_set>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "checking/winnings.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "ui/net/active_pools_refresh.h"
#include "ui/net/http_window.h"
#include "ui/net/submit_dialog.h"
#include "ui/net/web_status.h"
#include "stats/team_logos.h"
#include "ui/stats/match_stat.h"
#include "ui/net/update_database_dialog.h"
#include "output/coupon_layout.h"
#include "output/row_files.h"
#include "ui/output/coupon_viewer.h"
#include "ui/output/print_dialog.h"
#include "ui/core/about_box.h"
#include "ui/core/icons.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/ui_text.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

// Tips grid columns.
constexpr int kColNumber = 0;
constexpr int kColHome = 1;
constexpr int kColHomeLogo = 2;
constexpr int kColAwayLogo = 3;
constexpr int kColAway = 4;
constexpr int kColSign = 5;  // 5, 6, 7: home, draw, away
constexpr int kGridColumns = 8;
constexpr int kLogoSize = 22;

const QColor kResultGreen(192, 255, 192);
const QColor kLinkDone(128, 0, 128);  // purple
const QColor kLinkOpen(0, 0, 255);    // blue
const QColor kSignText(20, 60, 130);

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
std::string S(const QString& s) { return s.toStdString(); }

// A caption without its accelerator, for tooltips and links.
QString Plain(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.trimmed();
}

// Text of the comment field <-> the document's comment (lines joined by CR LF).
std::string CommentFromEditor(const QString& text) {
    const auto lines = core::SplitLines(S(text));
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += "\r\n";
        out += lines[i];
    }
    return out;
}
QString CommentToEditor(const std::string& comment) { return Q(core::ReplaceLineBreaks(comment, "\n")); }


}  // namespace

// ---------------------------------------------------------------------------
// Construction

TfrmStryk::TfrmStryk(Program& program, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), program_(program), prompter_(prompter) {
    setObjectName(QStringLiteral("frmStryk"));
    setWindowTitle(QString::fromUtf8(core::kProgramName));
    setWindowIcon(MakeIcon(Icon::GameWizard));
    setContextMenuPolicy(Qt::NoContextMenu);

    buildActions();
    buildMenus();
    buildToolBar();
    buildCentral();
    buildStatusBar();

    fileName_ = untitledName();
    int base = program_.settings.language;
    if (!core::IsLanguageBase(base)) base = core::LangEnglish;
    ChangeLanguage(base);
    rebuildRecentMenu();

    const bool debug = program_.settings.debug;
    Action(QStringLiteral("actGetGames"))->setVisible(debug);
    toolsMenu_->menuAction()->setVisible(debug);

    resize(1240, 780);
    setMinimumSize(960, 670);
    if (debug) prompter_.information(this, M(286));
}

TfrmStryk::~TfrmStryk() = default;

QAction* TfrmStryk::addCommand(const QString& name, int msg, void (TfrmStryk::*slot)(), bool available) {
    auto* a = new QAction(this);
    a->setObjectName(name);
    if (msg > 0) Tag(a, msg);
    if (slot) connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    if (!available) setLater(a);
    return a;
}

void TfrmStryk::setLater(QAction* action) {
    action->setEnabled(false);
    action->setProperty("later", true);
    laterActions_.push_back(action);
}

QAction* TfrmStryk::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void TfrmStryk::buildActions() {
    // File
    auto* a = addCommand(QStringLiteral("actNew"), 10, &TfrmStryk::NewClick, true);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    a->setIcon(MakeIcon(Icon::New));
    a = addCommand(QStringLiteral("actOpen"), 11, &TfrmStryk::OpenClick, true);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    a->setIcon(MakeIcon(Icon::Open));
    a = addCommand(QStringLiteral("actSave"), 12, &TfrmStryk::SaveClick, true);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    a->setIcon(MakeIcon(Icon::Save));
    a = addCommand(QStringLiteral("actSaveAs"), 13, nullptr, true);
    connect(a, &QAction::triggered, this, [this] { SaveAsClick(); });
    a->setShortcut(QKeySequence(Qt::Key_F12));
    addCommand(QStringLiteral("actImport"), 543, &TfrmStryk::ImportClick, true);
    addCommand(QStringLiteral("actExport"), 604, &TfrmStryk::ExportClick, true);
    addCommand(QStringLiteral("actGetGames"), 14, &TfrmStryk::GetGamesClick, true);
    a = addCommand(QStringLiteral("actPrint"), 15, &TfrmStryk::PrintClick, true);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    a->setIcon(MakeIcon(Icon::Print));
    addCommand(QStringLiteral("actSettings"), 16, &TfrmStryk::SettingsClick, false);
    a = addCommand(QStringLiteral("actExit"), 17, &TfrmStryk::ExitClick, true);
    a->setIcon(MakeIcon(Icon::Exit));
    // System
    a = addCommand(QStringLiteral("actExpert"), 564, &TfrmStryk::ExpertSystemClick, false);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    a = addCommand(QStringLiteral("actStatistics"), 24, &TfrmStryk::StatisticsClick, true);
    a->setShortcut(QKeySequence(Qt::Key_F5));
    a->setIcon(MakeIcon(Icon::Statistics));
    a = addCommand(QStringLiteral("actSetFrame"), 19, nullptr, false);
    connect(a, &QAction::triggered, this, [this] { SetFrameClick(grid_ ? grid_->currentRow() + 1 : 1); });
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    a->setIcon(MakeIcon(Icon::GameWizard));
    a = addCommand(QStringLiteral("actReduce"), 20, &TfrmStryk::ReduceClick, false);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    a->setIcon(MakeIcon(Icon::Reduce));
    a = addCommand(QStringLiteral("actViewCoupons"), 21, &TfrmStryk::ViewCouponsClick, true);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    a = addCommand(QStringLiteral("actCheck"), 22, &TfrmStryk::CheckSystemClick, false);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    a->setIcon(MakeIcon(Icon::Check));
    // Tools (debug mode)
    addCommand(QStringLiteral("actSystemEditor"), 25, &TfrmStryk::SystemEditorClick, true);
    a = addCommand(QStringLiteral("actDbMatches"), 27, nullptr, false);
    connect(a, &QAction::triggered, this, [this] { DatabaseEditorClick(false); });
    a = addCommand(QStringLiteral("actDbResults"), 28, nullptr, false);
    connect(a, &QAction::triggered, this, [this] { DatabaseEditorClick(true); });
    // Help
    a = addCommand(QStringLiteral("actHelpContent"), 33, &TfrmStryk::HelpContentClick, true);
    a->setShortcut(QKeySequence(Qt::Key_F1));
    a->setIcon(MakeIcon(Icon::Help));
    if (program_.updateIni.ReadString("Service", "Host").empty()) a->setEnabled(false);
    addCommand(QStringLiteral("actAbout"), 37, &TfrmStryk::AboutClick, true);
}

void TfrmStryk::buildMenus() {
    auto* bar = menuBar();
    fileMenu_ = Tag(bar->addMenu(QStringLiteral("&File")), 9);
    fileMenu_->setObjectName(QStringLiteral("mnuFile"));
    fileMenu_->setToolTipsVisible(true);
    fileMenu_->addAction(Action(QStringLiteral("actNew")));
    fileMenu_->addAction(Action(QStringLiteral("actOpen")));
    fileMenu_->addAction(Action(QStringLiteral("actSave")));
    fileMenu_->addAction(Action(QStringLiteral("actSaveAs")));
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action(QStringLiteral("actImport")));
    fileMenu_->addAction(Action(QStringLiteral("actExport")));
    mailMenu_ = Tag(fileMenu_->addMenu(QStringLiteral("Send e-mail")), 544);
    mailMenu_->setObjectName(QStringLiteral("mnuMail"));
    mailMenu_->menuAction()->setEnabled(false);
    mailMenu_->menuAction()->setProperty("later", true);
    laterActions_.push_back(mailMenu_->menuAction());
    fileMenu_->addAction(Action(QStringLiteral("actGetGames")));
    fileMenu_->addAction(Action(QStringLiteral("actPrint")));
    fileMenu_->addAction(Action(QStringLiteral("actSettings")));
    recentSeparator_ = fileMenu_->addSeparator();
    for (int i = 0; i < static_cast<int>(core::RecentFiles::kMax); ++i) {
        auto* r = new QAction(this);
        r->setObjectName(QStringLiteral("actRecent%1").arg(i));
        connect(r, &QAction::triggered, this, [this, i] { OpenRecent(i); });
        fileMenu_->addAction(r);
        recentActions_.push_back(r);
    }
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action(QStringLiteral("actExit")));

    auto* system = Tag(bar->addMenu(QStringLiteral("&System")), 18);
    system->setObjectName(QStringLiteral("mnuSystem"));
    system->setToolTipsVisible(true);
    system->addAction(Action(QStringLiteral("actSetFrame")));
    system->addAction(Action(QStringLiteral("actReduce")));
    system->addAction(Action(QStringLiteral("actExpert")));
    system->addAction(Action(QStringLiteral("actViewCoupons")));
    system->addAction(Action(QStringLiteral("actCheck")));
    system->addSeparator();
    system->addAction(Action(QStringLiteral("actStatistics")));

    toolsMenu_ = Tag(bar->addMenu(QStringLiteral("&Tools")), 23);
    toolsMenu_->setObjectName(QStringLiteral("mnuTools"));
    toolsMenu_->setToolTipsVisible(true);
    toolsMenu_->addAction(Action(QStringLiteral("actSystemEditor")));
    auto* databases = Tag(toolsMenu_->addMenu(QStringLiteral("&Databases")), 26);
    databases->setObjectName(QStringLiteral("mnuDatabases"));
    databases->setToolTipsVisible(true);
    databases->addAction(Action(QStringLiteral("actDbMatches")));
    databases->addAction(Action(QStringLiteral("actDbResults")));

    auto* language = Tag(bar->addMenu(QStringLiteral("Language")), 29);
    language->setObjectName(QStringLiteral("mnuLanguage"));
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusive(true);
    const std::pair<int, int> languages[] = {{core::LangSwedish, 272},
                                             {core::LangEnglish, 273},
                                             {core::LangDanish, 274},
                                             {core::LangNorwegian, 275},
                                             {core::LangFinnish, 276}};
    for (const auto& [base, msg] : languages) {
        auto* a = Tag(new QAction(this), msg);
        a->setObjectName(QStringLiteral("actLanguage%1").arg(base));
        a->setCheckable(true);
        languageGroup_->addAction(a);
        language->addAction(a);
        languageActions_[base] = a;
        connect(a, &QAction::triggered, this, [this, b = base] { ChangeLanguage(b); });
    }

    helpMenu_ = Tag(bar->addMenu(QStringLiteral("&Help")), 32);
    helpMenu_->setObjectName(QStringLiteral("mnuHelp"));
    helpMenu_->addAction(Action(QStringLiteral("actHelpContent")));
    helpLinksSeparator_ = helpMenu_->addSeparator();
    helpMenu_->addAction(Action(QStringLiteral("actAbout")));
}

void TfrmStryk::buildToolBar() {
    auto* tb = addToolBar(QStringLiteral("Main"));
    tb->setObjectName(QStringLiteral("tbMain"));
    tb->setMovable(false);
    tb->setIconSize(QSize(24, 24));
    tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    struct Button {
        const char* command;
        int hint;
    };
    const Button buttons[] = {{"actNew", 216},        {"actOpen", 217},   {"actSave", 218},  {nullptr, 0},
                              {"actPrint", 219},      {nullptr, 0},       {"actStatistics", 222},
                              {"actSetFrame", 224},   {"actReduce", 225}, {"actCheck", 227}, {nullptr, 0},
                              {"actHelpContent", 228}, {"actExit", 229}};
    for (const auto& b : buttons) {
        if (!b.command) {
            tb->addSeparator();
            continue;
        }
        QAction* command = Action(QString::fromLatin1(b.command));
        // A tool-bar action of its own, so that its hint is not the menu caption.
        auto* a = TagHint(new QAction(command->icon(), QString(), this), b.hint);
        a->setObjectName(QStringLiteral("tb") + QString::fromLatin1(b.command).mid(3));
        a->setEnabled(command->isEnabled());
        if (command->property("later").toBool()) {
            a->setProperty("later", true);
            laterActions_.push_back(a);
        }
        connect(a, &QAction::triggered, command, &QAction::trigger);
        tb->addAction(a);
    }
}

void TfrmStryk::buildCentral() {
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splMain"));
    splitter->setChildrenCollapsible(false);

    // --- left: active pools, files, database ---------------------------------
    sideTabs_ = new QTabWidget(splitter);
    sideTabs_->setObjectName(QStringLiteral("tabSide"));
    sideTabs_->setDocumentMode(true);
    sideTabs_->setUsesScrollButtons(false);
    sideTabs_->setElideMode(Qt::ElideRight);
    sideTabs_->tabBar()->setExpanding(true);
    sideTabs_->setMinimumWidth(250);

    auto* poolsPage = new QWidget;
    auto* poolsLayout = new QVBoxLayout(poolsPage);
    poolsLayout->setContentsMargins(6, 6, 6, 6);
    poolsTitle_ = new QLabel(poolsPage);
    poolsTitle_->setObjectName(QStringLiteral("lblActivePools"));
    QFont bold = poolsTitle_->font();
    bold.setBold(true);
    poolsTitle_->setFont(bold);
    poolsTitle_->installEventFilter(this);
    poolsLayout->addWidget(poolsTitle_);
    poolsTree_ = new QTreeWidget(poolsPage);
    poolsTree_->setObjectName(QStringLiteral("tvActivePools"));
    poolsTree_->setHeaderHidden(true);
    poolsTree_->setIconSize(QSize(16, 16));
    poolsTree_->setRootIsDecorated(true);
    connect(poolsTree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, Qt::UserRole).isValid()) return;
        net::TCouponInfoEx e;
        const QStringList v = item->data(0, Qt::UserRole).toStringList();
        if (v.size() < 7) return;
        e.code = S(v[0]);
        e.name = S(v[1]);
        e.country = S(v[2]);
        e.omg = S(v[3]);
        e.omgId = v[4].toInt();
        e.numGames = v[5].toInt();
        e.deadline = S(v[6]);
        ChoosePool(e);
    });
    poolsLayout->addWidget(poolsTree_, 1);
    poolsStatistics_ = Tag(new QPushButton(MakeIcon(Icon::Statistics), QStringLiteral("Statistics"), poolsPage), 24);
    poolsStatistics_->setObjectName(QStringLiteral("btnPoolsStatistics"));
    poolsCheck_ = Tag(new QPushButton(MakeIcon(Icon::Check), QStringLiteral("Check"), poolsPage), 22);
    poolsCheck_->setObjectName(QStringLiteral("btnPoolsCheck"));
    poolsPlaceBet_ = new QPushButton(poolsPage);
    poolsPlaceBet_->setObjectName(QStringLiteral("btnPoolsPlaceBet"));
    connect(poolsStatistics_, &QPushButton::clicked, this, [this] { StatisticsClick(); });
    poolsLayout->addWidget(poolsStatistics_);
    poolsCheck_->setEnabled(false);  // the check window comes in a later version
    poolsLayout->addWidget(poolsCheck_);
    connect(poolsPlaceBet_, &QPushButton::clicked, this, [this] { SubmitClick(); });
    poolsLayout->addWidget(poolsPlaceBet_);
    sideTabs_->addTab(poolsPage, QString());

    auto* filesPage = new QWidget;
    auto* filesLayout = new QVBoxLayout(filesPage);
    filesLayout->setContentsMargins(6, 6, 6, 6);
    auto* orderRow = new QHBoxLayout;
    orderRow->setSpacing(2);
    const std::tuple<FileOrder, Icon, int, const char*> orders[] = {
        {FileOrder::Date, Icon::SortDate, 595, "btnSortDate"},
        {FileOrder::Name, Icon::SortName, 593, "btnSortName"},
        {FileOrder::Size, Icon::SortSize, 594, "btnSortSize"}};
    for (const auto& [order, icon, hint, name] : orders) {
        auto* b = TagHint(new QToolButton(filesPage), hint);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(MakeIcon(icon));
        b->setCheckable(true);
        b->setAutoRaise(true);
        const FileOrder o = order;
        connect(b, &QToolButton::clicked, this, [this, o] { SetFileOrder(o, fileDescending_); });
        orderRow->addWidget(b);
        orderButtons_.push_back(b);
    }
    orderRow->addSpacing(8);
    directionButton_ = new QToolButton(filesPage);
    directionButton_->setObjectName(QStringLiteral("btnSortDirection"));
    directionButton_->setAutoRaise(true);
    connect(directionButton_, &QToolButton::clicked, this, [this] { SetFileOrder(fileOrder_, !fileDescending_); });
    orderRow->addWidget(directionButton_);
    orderRow->addStretch(1);
    filesLayout->addLayout(orderRow);
    fileTree_ = new QTreeWidget(filesPage);
    fileTree_->setObjectName(QStringLiteral("tvFiles"));
    fileTree_->setHeaderHidden(true);
    auto openFromTree = [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, Qt::UserRole).isValid()) return;
        const fs::path path = S(item->data(0, Qt::UserRole).toString());
        if (path == fileName_ && !modified_) return;
        if (!AskSaveChanges()) return;  // moving away is refused on Cancel
        OpenFile(path);
    };
    connect(fileTree_, &QTreeWidget::itemClicked, this, openFromTree);
    connect(fileTree_, &QTreeWidget::itemActivated, this, openFromTree);
    filesLayout->addWidget(fileTree_, 1);
    updateDb_ = Tag(new QPushButton(MakeIcon(Icon::Database), QStringLiteral("Update database"), filesPage), 598);
    updateDb_->setObjectName(QStringLiteral("btnUpdateDatabase"));
    connect(updateDb_, &QPushButton::clicked, this, [this] { UpdateDatabaseClick(); });
    filesLayout->addWidget(updateDb_);
    sideTabs_->addTab(filesPage, QString());

    auto* dbPage = new QWidget;
    auto* dbLayout = new QVBoxLayout(dbPage);
    dbLayout->setContentsMargins(6, 6, 6, 6);
    dbTree_ = new QTreeWidget(dbPage);
    dbTree_->setObjectName(QStringLiteral("tvDatabase"));
    dbTree_->setHeaderHidden(true);
    auto selectRound = [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, Qt::UserRole).isValid()) return;
        const QStringList v = item->data(0, Qt::UserRole).toStringList();
        if (v.size() < 3) return;
        SelectDatabaseRound({S(v[0]), v[1].toInt(), v[2].toInt()});
    };
    connect(dbTree_, &QTreeWidget::itemClicked, this, selectRound);
    connect(dbTree_, &QTreeWidget::itemActivated, this, selectRound);
    dbLayout->addWidget(dbTree_, 1);
    sideTabs_->addTab(dbPage, QString());

    connect(sideTabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1) SetFileOrder(FileOrder::Date, true);
        if (index == 2) RebuildDatabaseTree();
    });

    // --- centre: round line, grid, result -----------------------------------
    auto* centre = new QWidget(splitter);
    auto* centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(8, 6, 8, 6);
    centreLayout->setSpacing(6);
    auto* head = new QHBoxLayout;
    roundLine_ = new QLabel(centre);
    roundLine_->setObjectName(QStringLiteral("lblRound"));
    QFont big = roundLine_->font();
    big.setPointSizeF(big.pointSizeF() * 1.25);
    big.setBold(true);
    roundLine_->setFont(big);
    head->addWidget(roundLine_, 1);
    poolLogo_ = new QLabel(centre);
    poolLogo_->setObjectName(QStringLiteral("imgPoolLogo"));
    poolLogo_->setVisible(false);
    head->addWidget(poolLogo_);
    centreLayout->addLayout(head);

    grid_ = new QTableWidget(0, kGridColumns, centre);
    grid_->setObjectName(QStringLiteral("grdTipsGrid"));
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setDefaultSectionSize(30);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setIconSize(QSize(kLogoSize, kLogoSize));
    grid_->setAlternatingRowColors(false);
    grid_->setShowGrid(true);
    grid_->setWordWrap(false);
    grid_->setTabKeyNavigation(false);
    grid_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont gridFont = grid_->font();
    gridFont.setPointSizeF(gridFont.pointSizeF() * 1.08);
    grid_->setFont(gridFont);
    auto* hh = grid_->horizontalHeader();
    hh->setHighlightSections(false);
    hh->setSectionResizeMode(QHeaderView::Fixed);
    hh->setSectionResizeMode(kColHome, QHeaderView::Stretch);
    hh->setSectionResizeMode(kColAway, QHeaderView::Stretch);
    hh->resizeSection(kColNumber, 40);
    hh->resizeSection(kColHomeLogo, kLogoSize + 10);
    hh->resizeSection(kColAwayLogo, kLogoSize + 10);
    for (int c = kColSign; c < kColSign + 3; ++c) hh->resizeSection(c, 46);
    grid_->setStyleSheet(QStringLiteral(
        "QTableWidget#grdTipsGrid { gridline-color: #d5dbe3; background: white; }"
        "QTableWidget#grdTipsGrid::item:selected { background: #cfe3fb; color: black; }"));
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
        if (QApplication::keyboardModifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) return;
        if (col >= kColSign && col < kColSign + 3) ToggleSign(row + 1, col - kColSign);
    });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int col) {
        if (col < kColSign) SetFrameClick(row + 1);
    });
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    centreLayout->addWidget(grid_);

    resultStack_ = new QStackedWidget(centre);
    resultStack_->setObjectName(QStringLiteral("stkResult"));
    resultPicture_ = new QLabel(resultStack_);
    resultPicture_->setObjectName(QStringLiteral("imgPicture"));
    resultPicture_->setAlignment(Qt::AlignCenter);
    resultStack_->addWidget(resultPicture_);
    resultList_ = new QTableWidget(0, 4, resultStack_);
    resultList_->setObjectName(QStringLiteral("lvResult"));
    resultList_->verticalHeader()->setVisible(false);
    resultList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultList_->setSelectionMode(QAbstractItemView::NoSelection);
    resultList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    resultList_->verticalHeader()->setDefaultSectionSize(24);
    resultStack_->addWidget(resultList_);
    centreLayout->addWidget(resultStack_, 1);

    // --- right: links and comment ------------------------------------------
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(6, 6, 6, 6);
    auto* linksBox = Tag(new QGroupBox(QStringLiteral("Links"), right), 2);
    linksBox->setObjectName(QStringLiteral("grpLinks"));
    auto* linksLayout = new QVBoxLayout(linksBox);
    linksLayout->setSpacing(8);
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(linksBox);
        l->setObjectName(QStringLiteral("lblLink%1").arg(i + 1));
        l->setTextFormat(Qt::RichText);
        l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        l->setWordWrap(true);
        QFont lf = l->font();
        lf.setPointSizeF(lf.pointSizeF() * 1.05);
        l->setFont(lf);
        connect(l, &QLabel::linkActivated, this, [this, i](const QString&) {
            switch (static_cast<Step>(i)) {
                case Step::Statistics: StatisticsClick(); break;
                case Step::Frame: SetFrameClick(1); break;
                case Step::Rows: ReduceClick(); break;
                case Step::Print: PrintClick(); break;
                case Step::Check: CheckSystemClick(); break;
            }
        });
        linksLayout->addWidget(l);
        links_.push_back(l);
    }
    placeBet_ = new QPushButton(linksBox);
    placeBet_->setObjectName(QStringLiteral("btnPlaceBet"));
    connect(placeBet_, &QPushButton::clicked, this, [this] { SubmitClick(); });
    linksLayout->addSpacing(4);
    linksLayout->addWidget(placeBet_);
    rightLayout->addWidget(linksBox);

    auto* commentBox = Tag(new QGroupBox(QStringLiteral("Comment"), right), 531);
    commentBox->setObjectName(QStringLiteral("grpComment"));
    auto* commentLayout = new QVBoxLayout(commentBox);
    comment_ = new QPlainTextEdit(commentBox);
    comment_->setObjectName(QStringLiteral("memComment"));
    comment_->setTabChangesFocus(true);
    connect(comment_, &QPlainTextEdit::textChanged, this, [this] {
        if (loadingComment_) return;
        program_.doc.Comment = CommentFromEditor(comment_->toPlainText());
        stateMsg_ = 364;
        setModified(true);
    });
    commentLayout->addWidget(comment_);
    rightLayout->addWidget(commentBox, 1);

    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    splitter->setSizes({320, 680, 250});
    setCentralWidget(splitter);

    setTabOrder(sideTabs_, grid_);
    setTabOrder(grid_, comment_);
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
}

// ---------------------------------------------------------------------------
// State shown

bool TfrmStryk::IsUntitled() const { return fileName_.parent_path().empty(); }

std::string TfrmStryk::untitledName() const { return core::Msg(429); }

std::string TfrmStryk::proposedName() const {
    return core::FormatMsg("%s %s.1x2", {program_.doc.Pool, program_.doc.Omg});
}

QString TfrmStryk::StatusField(int index) const {
    if (index < 0 || index > 4) return {};
    return status_[index]->text();
}

bool TfrmStryk::StepDone(Step step) const {
    const auto& doc = program_.doc;
    std::error_code ec;
    switch (step) {
        case Step::Statistics: return fs::exists(program_.StatisticsFile(), ec);
        case Step::Frame: return core::FrameComplete(doc.Grundrad);
        case Step::Rows: return !doc.Rader.empty();
        case Step::Print: return doc.Printed;
        case Step::Check: return doc.MatchCount > 0 && static_cast<int>(doc.Facit.size()) == doc.MatchCount;
    }
    return false;
}

QString TfrmStryk::RoundLine() const { return roundLine_->text(); }

bool TfrmStryk::ResultShown() const { return resultStack_->currentWidget() == resultList_; }

void TfrmStryk::updateTitle() {
    QString title = QString::fromUtf8(core::kProgramName);
    if (!IsUntitled()) title += QStringLiteral(" [") + Q(fileName_.filename().string()) + QStringLiteral("]");
    setWindowTitle(title);
}

void TfrmStryk::setModified(bool modified) {
    modified_ = modified;
    if (!modified && stateMsg_ == 364) stateMsg_ = 368;
    updateStatusBar();
}

void TfrmStryk::updateStatusBar() {
    const auto& doc = program_.doc;
    status_[0]->setText(M(494));
    status_[1]->setText(M(stateMsg_));
    status_[2]->setText(Q(core::GroupDigits(static_cast<int64_t>(doc.Rader.size())) + core::Msg(77)));
    const uint64_t math = core::MathRowCount(doc.Grundrad);
    status_[3]->setText(Q(core::GroupDigits(std::to_string(math)) + core::Msg(77)));
    status_[4]->setText(doc.SystemTyp == "E" ? M(366) : Q(doc.Systemnamn));
}

void TfrmStryk::updateWorkflow() {
    const int msgs[5] = {4, 5, 6, 7, 8};
    const char* commands[5] = {"actStatistics", "actSetFrame", "actReduce", "actPrint", "actCheck"};
    for (int i = 0; i < 5; ++i) {
        const bool done = StepDone(static_cast<Step>(i));
        const QString colour = (done ? kLinkDone : kLinkOpen).name();
        const QString text = Plain(M(msgs[i])).toHtmlEscaped();
        QAction* command = Action(QString::fromLatin1(commands[i]));
        const bool available = command && command->isEnabled();
        if (available) {
            links_[i]->setText(QStringLiteral("<a href=\"step%1\" style=\"color:%2\">%3</a>").arg(i).arg(colour, text));
            links_[i]->setToolTip(QString());
        } else {
            links_[i]->setText(QStringLiteral("<span style=\"color:%1\">%2</span>").arg(colour, text));
            links_[i]->setToolTip(T(UiText::ComesLater));
        }
        links_[i]->setProperty("done", done);
    }
}

void TfrmStryk::updateRoundLine() {
    std::string deadline;
    std::error_code ec;
    const fs::path stats = program_.StatisticsFile();
    if (fs::exists(stats, ec)) {
        try {
            deadline = core::IniFile::FromFile(stats).ReadString("info", "Deadline");
        } catch (const core::FileError&) {
        }
    }
    const std::string third = deadline.empty() ? std::string() : "(" + deadline + ")";
    // The message ends in a space; the line is shown with single spaces.
    roundLine_->setText(Q(core::FormatMsg("%s %s %s", {core::Msg(423), program_.doc.Omg, third})).simplified() +
                        QStringLiteral("   ·   ") + Q(program_.doc.Pool));
}

// ---------------------------------------------------------------------------
// Tips grid

void TfrmStryk::rebuildGrid() {
    const auto& doc = program_.doc;
    const int n = std::clamp(doc.MatchCount, 1, core::kMaxMatches);
    const auto& signs = core::CurrentDisplaySigns();
    QStringList headers;
    headers << T(UiText::MatchColumn) << M(67) << QString() << QString() << M(68) << Q(signs.home) << Q(signs.draw)
            << Q(signs.away);
    grid_->setHorizontalHeaderLabels(headers);
    grid_->setRowCount(n);
    loadLogos();
    for (int r = 0; r < n; ++r) {
        const std::string home = r < static_cast<int>(homes_.size()) ? homes_[r] : std::string();
        const std::string away = r < static_cast<int>(aways_.size()) ? aways_[r] : std::string();
        auto* num = new QTableWidgetItem(QString::number(r + 1));
        num->setTextAlignment(Qt::AlignCenter);
        num->setForeground(QColor(110, 116, 126));
        grid_->setItem(r, kColNumber, num);
        auto* h = new QTableWidgetItem(Q(home));
        h->setToolTip(Q(home));
        grid_->setItem(r, kColHome, h);
        auto* hl = new QTableWidgetItem;
        hl->setData(Qt::DecorationRole, teamLogo(home));
        grid_->setItem(r, kColHomeLogo, hl);
        auto* al = new QTableWidgetItem;
        al->setData(Qt::DecorationRole, teamLogo(away));
        grid_->setItem(r, kColAwayLogo, al);
        auto* a = new QTableWidgetItem(Q(away));
        a->setToolTip(Q(away));
        grid_->setItem(r, kColAway, a);
        for (int s = 0; s < 3; ++s) {
            auto* cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            QFont f = grid_->font();
            f.setBold(true);
            f.setPointSizeF(f.pointSizeF() * 1.1);
            cell->setFont(f);
            cell->setForeground(kSignText);
            grid_->setItem(r, kColSign + s, cell);
        }
    }
    // Logo columns take room only when the round has a logo to show.
    const bool anyLogo = std::any_of(logoCache_.begin(), logoCache_.end(),
                                     [](const auto& entry) { return !entry.second.isNull(); });
    grid_->setColumnHidden(kColHomeLogo, !anyLogo);
    grid_->setColumnHidden(kColAwayLogo, !anyLogo);
    redrawSigns();
    updateRoundLine();
    grid_->updateGeometry();
}

void TfrmStryk::redrawSigns() {
    const auto& doc = program_.doc;
    const auto& signs = core::CurrentDisplaySigns();
    const std::string display[3] = {signs.home, signs.draw, signs.away};
    std::string facit;
    if (result_.found) facit = core::DisplayToSigns(result_.Rad);
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const std::string entry = r < static_cast<int>(doc.Grundrad.size()) ? doc.Grundrad[r] : std::string();
        for (int s = 0; s < 3; ++s) {
            QTableWidgetItem* cell = grid_->item(r, kColSign + s);
            if (!cell) continue;
            const bool marked = core::EntryHas(entry, static_cast<char>('0' + s));
            cell->setText(marked ? Q(display[s]) : QString());
            const bool isResult = r < static_cast<int>(facit.size()) && facit[r] == '0' + s;
            cell->setBackground(isResult ? QBrush(kResultGreen) : QBrush(Qt::white));
        }
    }
}

void TfrmStryk::loadLogos() {
    logoCache_.clear();
    const fs::path data = program_.DataFolder();
    core::IniFile stat, logo;
    std::error_code ec;
    try {
        if (fs::exists(data / "teamstat.ini", ec)) stat = core::IniFile::FromFile(data / "teamstat.ini");
        if (fs::exists(data / "teamlogo.ini", ec)) logo = core::IniFile::FromFile(data / "teamlogo.ini");
    } catch (const core::FileError&) {
    }
    auto load = [&](const std::string& team) {
        if (team.empty() || logoCache_.count(team)) return;
        const std::string alias = stat.ReadString("Alias", team, team);
        std::string url = logo.ReadString("Images", alias);
        QPixmap pm;
        // The picture lies under the name the logo download gave it.
        const std::string file = stats::LogoFileName(url);
        if (!file.empty()) {
            QPixmap raw(Q((data / "Cache" / "Images" / file).string()));
            if (!raw.isNull())
                pm = raw.scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        logoCache_[team] = pm;
    };
    for (const auto& t : homes_) load(t);
    for (const auto& t : aways_) load(t);
}

QPixmap TfrmStryk::teamLogo(const std::string& team) {
    auto it = logoCache_.find(team);
    return it == logoCache_.end() ? QPixmap() : it->second;
}

void TfrmStryk::ToggleSign(int match, int sign) {
    auto& doc = program_.doc;
    if (match < 1 || match > doc.MatchCount || sign < 0 || sign > 2) return;
    if (static_cast<int>(doc.Grundrad.size()) < doc.MatchCount) doc.Grundrad.resize(doc.MatchCount);
    std::string& entry = doc.Grundrad[match - 1];
    std::string compact;
    for (int s = 0; s < 3; ++s) {
        const char code = static_cast<char>('0' + s);
        bool has = core::EntryHas(entry, code);
        if (s == sign) has = !has;
        if (has) compact += code;
    }
    entry = compact;
    redrawSigns();
    if (!doc.Rader.empty() && !warnedFrameChange_) {
        warnedFrameChange_ = true;
        prompter_.information(this, M(600));
    }
    stateMsg_ = 364;
    setModified(true);
    updateWorkflow();
}

void TfrmStryk::loadRoundTeams() {
    homes_.clear();
    aways_.clear();
    auto& doc = program_.doc;
    int count = 0;
    if (doc.OmgID >= 0 && program_.db.IsOpen()) {
        try {
            count = program_.db.LoadRoundTeams(doc, doc.OmgID, doc.Typ, homes_, aways_);
        } catch (const checking::DatabaseError&) {
            homes_.clear();
            aways_.clear();
            count = 0;
        }
    }
    (void)count;
}

// ---------------------------------------------------------------------------
// Result display

void TfrmStryk::showResult() {
    const auto& doc = program_.doc;
    result_ = checking::TFacitRec();
    if (program_.db.IsOpen()) {
        try {
            result_ = program_.db.FindResult(doc.Typ, doc.OmgID);
        } catch (const checking::DatabaseError&) {
            result_ = checking::TFacitRec();
        }
    }
    resultList_->setHorizontalHeaderLabels(
        {T(UiText::ResultRight), T(UiText::ResultRows), T(UiText::ResultPerRow), T(UiText::ResultTotal)});
    if (!result_.found) {
        resultStack_->setCurrentWidget(resultPicture_);
        redrawSigns();
        return;
    }
    const int n = std::clamp(doc.MatchCount, 1, core::kMaxMatches);
    const std::string facit = core::DisplayToSigns(result_.Rad);
    std::vector<int64_t> counts(n + 1, 0);
    for (const auto& row : doc.Rader) {
        int right = 0;
        for (int i = 0; i < n && i < static_cast<int>(row.size()) && i < static_cast<int>(facit.size()); ++i)
            if (row[i] == facit[i] && facit[i] != '-') ++right;
        ++counts[right];
    }
    resultList_->setRowCount(n + 2);
    int64_t sumRows = 0, sumTotal = 0;
    auto put = [&](int r, int c, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(c == 0 ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
        resultList_->setItem(r, c, item);
    };
    int r = 0;
    for (int k = n; k >= 0; --k, ++r) {
        put(r, 0, QString::number(k));
        put(r, 1, Q(core::GroupDigits(counts[k])));
        sumRows += counts[k];
        if (k >= n - 3) {
            int64_t payout = 0;
            for (int slot = 13; slot >= 10; --slot)
                if (checking::SlotLevel(slot, n) == k) payout = result_.U(slot);
            const int64_t total = payout * counts[k];
            sumTotal += total;
            put(r, 2, Q(core::FormatAmount(payout)));
            put(r, 3, Q(core::FormatAmount(total)));
        } else {
            put(r, 2, QString());
            put(r, 3, QString());
        }
    }
    put(r, 0, QStringLiteral("Totalt:"));
    put(r, 1, Q(core::GroupDigits(sumRows)));
    put(r, 2, QString());
    put(r, 3, Q(core::FormatAmount(sumTotal)));
    QFont bold = resultList_->font();
    bold.setBold(true);
    for (int c = 0; c < 4; ++c)
        if (auto* item = resultList_->item(r, c)) item->setFont(bold);
    resultStack_->setCurrentWidget(resultList_);
    redrawSigns();
}

// ---------------------------------------------------------------------------
// Language

void TfrmStryk::ChangeLanguage(int base) {
    if (!core::IsLanguageBase(base)) return;
    const bool untitled = IsUntitled();
    core::SetCurrentLanguage(base);
    program_.settings.language = base;
    if (auto it = languageActions_.find(base); it != languageActions_.end()) it->second->setChecked(true);
    if (untitled) fileName_ = untitledName();
    localiseAll();
}

void TfrmStryk::localiseAll() {
    Localise(this);
    const QString later = T(UiText::ComesLater);
    for (QAction* a : laterActions_) {
        QString what = a->toolTip();
        if (what.isEmpty() || a->property(kHintProperty).isNull()) what = Plain(a->text());
        a->setToolTip(what + QStringLiteral("\n") + later);
    }
    sideTabs_->setTabText(0, T(UiText::PanelActivePools));
    sideTabs_->setTabText(1, T(UiText::PanelFiles));
    sideTabs_->setTabText(2, T(UiText::PanelDatabase));
    poolsTitle_->setText(T(UiText::PanelActivePools));
    poolsTitle_->setToolTip(T(UiText::RefreshActivePools));
    poolsStatistics_->setText(Plain(poolsStatistics_->text()));
    poolsCheck_->setText(Plain(poolsCheck_->text()));
    poolsCheck_->setToolTip(later);
    updateDb_->setText(Plain(updateDb_->text()));
    placeBet_->setText(T(UiText::PlaceBet));
    poolsPlaceBet_->setText(T(UiText::PlaceBet));
    directionButton_->setIcon(MakeIcon(fileDescending_ ? Icon::SortDescending : Icon::SortAscending));
    directionButton_->setToolTip(T(UiText::SortDirection) + QStringLiteral(": ") +
                                 M(fileDescending_ ? 597 : 596));
    for (size_t i = 0; i < orderButtons_.size(); ++i)
        orderButtons_[i]->setChecked(static_cast<int>(i) == static_cast<int>(fileOrder_ == FileOrder::Date ? 0
                                                                          : fileOrder_ == FileOrder::Name ? 1
                                                                                                          : 2));
    updateTitle();
    updateStatusBar();
    updateWorkflow();
    rebuildGrid();
    showResult();
    RebuildActivePools();
    RebuildFileTree();
    RebuildDatabaseTree();
}

// ---------------------------------------------------------------------------
// Pools

void TfrmStryk::switchPool(const std::string& poolName) {
    if (poolName.empty() || poolName == currentPoolName_) return;
    currentPoolName_ = poolName;
    auto& doc = program_.doc;
    const bool known = program_.national.ini().HasSection(poolName);
    const core::PoolSettings ps = program_.national.Settings(poolName);
    core::SetCurrentDisplaySigns(ps.signs);
    if (known) doc.Typ = ps.dbId;
    QPixmap logo;
    if (!ps.img.empty()) logo.load(Q((program_.DataFolder() / ps.img).string()));
    if (!logo.isNull()) {
        poolLogo_->setPixmap(logo.scaledToHeight(36, Qt::SmoothTransformation));
        resultPicture_->setPixmap(logo.scaled(360, 200, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        resultPicture_->setPixmap(QPixmap());
    }
    poolLogo_->setVisible(!logo.isNull());
    const std::string country = doc.Country.empty() ? program_.national.OperatorOfPool(doc.Typ) : doc.Country;
    const bool canSubmit = country == "Svenska Spel" || country == "Unibet";
    placeBet_->setVisible(canSubmit);
    poolsPlaceBet_->setVisible(canSubmit);
    rebuildHelpLinks();
    rebuildGrid();
    updateWorkflow();
}

void TfrmStryk::rebuildHelpLinks() {
    for (QAction* a : helpLinkActions_) {
        helpMenu_->removeAction(a);
        a->deleteLater();
    }
    helpLinkActions_.clear();
    const auto& doc = program_.doc;
    const std::string country = doc.Country.empty() ? program_.national.OperatorOfPool(doc.Typ) : doc.Country;
    for (const auto& link : program_.national.Links(country)) {
        auto* a = new QAction(Q(link.caption), this);
        const QUrl url(Q(link.url));
        connect(a, &QAction::triggered, this, [url] { QDesktopServices::openUrl(url); });
        helpMenu_->insertAction(helpLinksSeparator_, a);
        helpLinkActions_.push_back(a);
    }
}

void TfrmStryk::RebuildActivePools() {
    poolsTree_->clear();
    const net::ActivePoolsFile pools = net::ActivePoolsFile::Load(program_.ActivePoolsPath());
    std::map<std::string, QTreeWidgetItem*> groups;
    std::vector<std::string> operators = program_.national.Operators();
    if (operators.empty())
        operators = {"Svenska Spel", "Norsk Tipping", "Dansk Tipstjeneste", "Veikkaus", "Unibet"};
    for (const auto& op : operators) {
        if (!program_.settingsFile().ShowPool(op)) continue;
        auto* item = new QTreeWidgetItem(poolsTree_, {Q(op)});
        QFont f = item->font(0);
        f.setBold(true);
        item->setFont(0, f);
        item->setFlags(Qt::ItemIsEnabled);
        groups[op] = item;
    }
    int entries = 0;
    for (const auto& e : pools.Entries(net::LocalNow())) {
        auto it = groups.find(e.country);
        if (it == groups.end()) continue;
        auto* item = new QTreeWidgetItem(it->second, {Q(e.Caption()).trimmed()});
        item->setIcon(0, MakeIcon(e.closed ? Icon::LockClosed : Icon::LockOpen));
        item->setData(0, Qt::UserRole,
                      QStringList{Q(e.code), Q(e.name), Q(e.country), Q(e.omg), QString::number(e.omgId),
                                  QString::number(e.numGames), Q(e.deadline)});
        ++entries;
    }
    // Operators without an open round are left out so the list stays short.
    for (auto& [op, item] : groups)
        if (item->childCount() == 0) delete item;
    if (entries == 0) {
        auto* none = new QTreeWidgetItem(poolsTree_, {T(UiText::NoActivePools)});
        none->setFlags(Qt::ItemIsEnabled);
        none->setForeground(0, QColor(120, 120, 120));
    }
    poolsTree_->expandAll();
}

void TfrmStryk::ChoosePool(const net::TCouponInfoEx& entry) {
    if (!AskSaveChanges(true)) return;
    auto& doc = program_.doc;
    doc.MatchCount = std::clamp(entry.numGames, 1, core::kMaxMatches);
    doc.OmgID = entry.omgId;
    doc.Typ = entry.code;
    doc.Omg = entry.omg;
    doc.Country = program_.national.OperatorOfPool(entry.code);
    doc.Pool = program_.national.PoolName(doc.Country, entry.code);
    switchPool(doc.Pool);
    NewSystem(false);
}

// ---------------------------------------------------------------------------
// File panel and database panel

void TfrmStryk::SetFileOrder(FileOrder order, bool descending) {
    fileOrder_ = order;
    fileDescending_ = descending;
    for (size_t i = 0; i < orderButtons_.size(); ++i) {
        const FileOrder o = i == 0 ? FileOrder::Date : i == 1 ? FileOrder::Name : FileOrder::Size;
        orderButtons_[i]->setChecked(o == order);
    }
    directionButton_->setIcon(MakeIcon(descending ? Icon::SortDescending : Icon::SortAscending));
    directionButton_->setToolTip(T(UiText::SortDirection) + QStringLiteral(": ") + M(descending ? 597 : 596));
    RebuildFileTree();
}

void TfrmStryk::RebuildFileTree() {
    fileTree_->clear();
    auto* root = new QTreeWidgetItem(fileTree_, {QString::fromUtf8(core::kProgramName)});
    root->setIcon(0, MakeIcon(Icon::Folder));
    const net::ActivePoolsFile pools = net::ActivePoolsFile::Load(program_.ActivePoolsPath());
    std::vector<std::pair<QString, QTreeWidgetItem*>> poolItems;
    for (const auto& code : pools.PoolCodes()) {
        const QString name = Q(PoolTreeName(program_.updateIni, code));
        auto* item = new QTreeWidgetItem(root, {name});
        item->setIcon(0, MakeIcon(Icon::Folder));
        poolItems.emplace_back(name, item);
    }
    auto files = ListSystemFiles(program_.UserFolder());
    SortSystemFiles(files, fileOrder_, fileDescending_);
    for (const auto& f : files) {
        for (auto& [name, item] : poolItems) {
            if (QString::compare(name, f.folder, Qt::CaseInsensitive) != 0) continue;
            auto* child = new QTreeWidgetItem(item, {f.name});
            child->setIcon(0, MakeIcon(Icon::SystemFile));
            child->setData(0, Qt::UserRole, Q(f.path.string()));
            child->setToolTip(0, Q(f.path.string()));
            break;
        }
    }
    for (auto& [name, item] : poolItems)
        if (item->childCount() == 0) delete item;
    fileTree_->expandAll();
}

QStringList TfrmStryk::FileTreeNames() const {
    QStringList names;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
        if (item->data(0, Qt::UserRole).isValid()) names << item->text(0);
        for (int i = 0; i < item->childCount(); ++i) walk(item->child(i));
    };
    for (int i = 0; i < fileTree_->topLevelItemCount(); ++i) walk(fileTree_->topLevelItem(i));
    return names;
}

void TfrmStryk::RebuildDatabaseTree() {
    dbTree_->clear();
    auto* root = new QTreeWidgetItem(dbTree_, {QString::fromUtf8(core::kProgramName)});
    root->setIcon(0, MakeIcon(Icon::Database));
    const net::ActivePoolsFile pools = net::ActivePoolsFile::Load(program_.ActivePoolsPath());
    for (const auto& code : pools.PoolCodes()) {
        auto* poolItem = new QTreeWidgetItem(root, {Q(PoolTreeName(program_.updateIni, code))});
        poolItem->setIcon(0, MakeIcon(Icon::Folder));
        std::vector<checking::RoundKey> rounds;
        if (program_.db.IsOpen()) {
            try {
                rounds = program_.db.ResultsTree(code);
            } catch (const checking::DatabaseError&) {
            }
        }
        QTreeWidgetItem* yearItem = nullptr;
        int year = -1;
        for (const auto& r : rounds) {
            const int y = r.Omg / 100;
            if (y != year || !yearItem) {
                year = y;
                yearItem = new QTreeWidgetItem(poolItem, {QString::number(y)});
            }
            const QString caption = QStringLiteral("%1-%2").arg(y).arg(r.Omg % 100, 2, 10, QLatin1Char('0'));
            auto* item = new QTreeWidgetItem(yearItem, {caption});
            item->setIcon(0, MakeIcon(Icon::Round));
            item->setData(0, Qt::UserRole, QStringList{Q(r.Typ), QString::number(r.Omg), QString::number(r.OmgID)});
        }
    }
    root->setExpanded(true);
}

void TfrmStryk::SelectDatabaseRound(const checking::RoundKey& round) {
    auto& doc = program_.doc;
    doc.OmgID = round.OmgID;
    doc.Typ = round.Typ;
    if (round.Omg > 0)
        doc.Omg = S(QStringLiteral("%1-%2").arg(round.Omg / 100).arg(round.Omg % 100, 2, 10, QLatin1Char('0')));
    loadRoundTeams();
    doc.Country = program_.national.OperatorOfPool(round.Typ);
    switchPool(program_.national.PoolName(doc.Country, round.Typ));
    doc.Typ = round.Typ;  // a half-time pool keeps its own code
    rebuildGrid();
    showResult();
    updateWorkflow();
}

// ---------------------------------------------------------------------------
// Recent files

void TfrmStryk::rebuildRecentMenu() {
    const auto& entries = program_.settings.recent.entries();
    for (int i = 0; i < recentActions_.size(); ++i) {
        QAction* a = recentActions_[i];
        if (i < static_cast<int>(entries.size())) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(Q(entries[i].display)));
            a->setToolTip(Q(entries[i].path.string()));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
}

void TfrmStryk::addRecent(const fs::path& path) {
    program_.settings.recent.Add(path);
    rebuildRecentMenu();
}

void TfrmStryk::OpenRecent(int index) {
    const auto& entries = program_.settings.recent.entries();
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    const fs::path path = entries[index].path;
    if (!AskSaveChanges()) return;
    OpenFile(path);
}

// ---------------------------------------------------------------------------
// File commands

fs::path TfrmStryk::poolFolder(bool create) const {
    fs::path folder = program_.UserFolder();
    if (!program_.doc.Pool.empty()) folder /= program_.doc.Pool;
    if (create) {
        std::error_code ec;
        fs::create_directories(folder, ec);
    }
    return folder;
}

bool TfrmStryk::AskSaveChanges(bool cancelIsNo) {
    if (!modified_) return true;
    switch (prompter_.question(this, M(279), true)) {
        case Answer::Yes:
            if (IsUntitled()) {
                if (!SaveAsClick()) return cancelIsNo;
            } else {
                SaveClick();
            }
            // A save that failed keeps the changes: do not throw them away.
            return !modified_ || cancelIsNo;
        case Answer::No:
            return true;
        case Answer::Cancel:
            break;
    }
    return cancelIsNo;
}

void TfrmStryk::NewClick() {
    if (!AskSaveChanges()) return;
    NewSystem(program_.settings.guideOnNewFile);
}

void TfrmStryk::NewSystem(bool withGuide) {
    auto& doc = program_.doc;
    fileName_ = untitledName();
    if (doc.OmgID == 0) net::ActivePoolsFile::Load(program_.ActivePoolsPath()).CurrentRound(doc.Typ, doc);
    if (doc.Pool.empty()) {
        doc.Country = program_.national.OperatorOfPool(doc.Typ);
        doc.Pool = program_.national.PoolName(doc.Country, doc.Typ);
    }
    switchPool(doc.Pool);
    homes_.clear();
    aways_.clear();
    if (doc.OmgID >= 0) {
        loadRoundTeams();
        // Without games in the database the statistics download fetches them.
        if (homes_.empty() && fetchStatistics()) loadRoundTeams();
        if (homes_.size() > 1) doc.MatchCount = static_cast<int32_t>(homes_.size());
    }
    doc.NewSystem(doc.MatchCount, program_.settings.fillAll);
    updateTitle();
    loadingComment_ = true;
    comment_->clear();
    loadingComment_ = false;
    result_ = checking::TFacitRec();
    resultStack_->setCurrentWidget(resultPicture_);
    rebuildGrid();
    modified_ = false;
    stateMsg_ = 368;
    warnedFrameChange_ = false;
    updateStatusBar();
    program_.DeleteTemporaryFiles();
    updateWorkflow();
    if (withGuide) ExpertSystemClick();
}

void TfrmStryk::OpenClick() {
    if (!AskSaveChanges()) return;
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Vinra 2000 (*.1X2 *.1x2)");
    spec.defaultSuffix = QStringLiteral("1X2");
    spec.folder = Q(poolFolder(true).string());
    if (!IsUntitled()) spec.selected = Q(fileName_.string());
    const QString chosen = prompter_.openFile(this, spec);
    if (chosen.isEmpty()) return;
    OpenFile(S(chosen));
}

bool TfrmStryk::OpenFile(const fs::path& path) {
    auto& doc = program_.doc;
    try {
        doc.LoadFromFile(path);
    } catch (const core::FileError& e) {
        prompter_.error(this, M(280) + QStringLiteral("\n\n") + Q(e.what()));
        return false;
    }
    if (program_.db.IsOpen()) {
        try {
            program_.db.FillDrawNumberOfOldFile(doc);
        } catch (const checking::DatabaseError&) {
        }
    }
    fileName_ = path;
    if (doc.Pool != currentPoolName_) switchPool(doc.Pool);
    updateTitle();
    loadingComment_ = true;
    comment_->setPlainText(CommentToEditor(doc.Comment));
    loadingComment_ = false;
    loadRoundTeams();
    if (homes_.empty()) {
        homes_.assign(doc.MatchCount, std::string());
        aways_.assign(doc.MatchCount, std::string());
    }
    rebuildGrid();
    showResult();
    addRecent(path);
    modified_ = false;
    stateMsg_ = 368;
    warnedFrameChange_ = false;
    updateStatusBar();
    updateWorkflow();
    return true;
}

void TfrmStryk::SaveClick() {
    if (IsUntitled()) {
        SaveAsClick();
        return;
    }
    saveTo(fileName_);
}

bool TfrmStryk::saveTo(const fs::path& path) {
    auto& doc = program_.doc;
    doc.Comment = CommentFromEditor(comment_->toPlainText());
    try {
        doc.SaveToFile(path);
    } catch (const core::FileError& e) {
        prompter_.error(this, Q(e.what()));
        return false;
    }
    fileName_ = path;
    updateTitle();
    modified_ = false;
    stateMsg_ = 365;
    updateStatusBar();
    if (sideTabs_->currentIndex() == 1) SetFileOrder(FileOrder::Date, true);
    return true;
}

bool TfrmStryk::SaveAsClick() {
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Vinra 2000 (*.1x2 *.1X2)");
    spec.defaultSuffix = QStringLiteral("1x2");
    spec.folder = Q(poolFolder(true).string());
    spec.selected = IsUntitled() ? Q(proposedName()) : Q(fileName_.filename().string());
    spec.confirmOverwrite = true;
    const QString chosen = prompter_.saveFile(this, spec);
    if (chosen.isEmpty()) return false;
    const fs::path path = S(chosen);
    if (path.filename().string() == untitledName()) {
        prompter_.information(this, Q(core::FormatMsg(core::Msg(278), {untitledName()})));
        return false;
    }
    if (!saveTo(path)) return false;
    addRecent(path);
    return true;
}

void TfrmStryk::ImportClick() {
    if (!AskSaveChanges()) return;
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Vinra 2000 + Text (*.1x2 *.1X2 *.txt *.TXT);;*.* (*)");
    spec.folder = Q(poolFolder(true).string());
    const QStringList files = prompter_.openFiles(this, spec);
    if (files.isEmpty()) return;
    auto& doc = program_.doc;
    const int n = doc.MatchCount;
    long long added = 0;
    for (const QString& f : files) {
        const fs::path path = S(f);
        try {
            if (core::EqualsNoCase(path.extension().string(), ".1x2")) added += doc.MergeRowsFrom(path);
            else added += output::ImportRowText(doc, path, core::CurrentDisplaySigns());
        } catch (const core::FileError& e) {
            prompter_.error(this, Q(e.what()));
        }
    }
    if (added > 0) {
        std::sort(doc.Rader.begin(), doc.Rader.end());
        doc.Grundrad = core::FrameFromRows(doc.Rader, n);
        stateMsg_ = 364;
        modified_ = true;
        redrawSigns();
        showResult();
        updateStatusBar();
        updateWorkflow();
    }
    prompter_.information(this, Q(core::FormatMsg(core::Msg(528), {added})));
}

void TfrmStryk::ExitClick() { close(); }

void TfrmStryk::closeEvent(QCloseEvent* event) {
    if (program_.DatabaseMissing()) {
        const std::string failure = program_.RunDataFilesInstaller();
        if (!failure.empty()) prompter_.error(this, Q(failure));
    }
    if (!AskSaveChanges()) {
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
// Commands whose windows come in later versions. Each keeps its place here so
// the window can be called from one method when it exists; their actions are
// disabled and say so in their tooltips.

void TfrmStryk::SendMailClick() {}
void TfrmStryk::GetGamesClick() {
    if (!RunGetGames(this, program_, prompter_, homes_, aways_)) return;
    loadRoundTeams();
    updateRoundLine();
    updateWorkflow();
}
void TfrmStryk::SettingsClick() {}
void TfrmStryk::ExpertSystemClick() {}
// Match statistics: the round's information, its games and the team logos.
bool TfrmStryk::fetchStatistics() {
    MatchStatOptions options;
    options.logosArrived = [this] {
        QTimer::singleShot(500, this, [this] {
            loadLogos();
            rebuildGrid();
        });
    };
    return ShowMatchStatistics(this, program_, prompter_, options);
}

void TfrmStryk::StatisticsClick() {
    fetchStatistics();
    loadRoundTeams();
    rebuildGrid();
    updateRoundLine();
    updateWorkflow();
}
void TfrmStryk::DatabaseEditorClick(bool) {}


void TfrmStryk::SetFrameClick(int) {}

void TfrmStryk::ReduceClick() {
    if (!core::FrameComplete(program_.doc.Grundrad)) prompter_.information(this, M(282));
}

void TfrmStryk::CheckSystemClick() {
    if (program_.doc.Rader.empty()) prompter_.information(this, M(283));
}

void TfrmStryk::SubmitClick() {
    ui::SubmitClick(this, program_, fileName_, IsUntitled(), prompter_);
}

// ---------------------------------------------------------------------------
// Internet services

void TfrmStryk::UpdateDatabaseClick() {
    if (!UpdateDatabaseCommand(this, program_, prompter_)) return;
    RebuildDatabaseTree();
    showResult();
}

// ---------------------------------------------------------------------------
// Output: print, export, coupon viewer

void TfrmStryk::SetPrintBackend(std::unique_ptr<PrintBackend> backend) { printBackend_ = std::move(backend); }

PrintBackend& TfrmStryk::printBackend() {
    if (!printBackend_) printBackend_ = MakeQtPrintBackend();
    return *printBackend_;
}

std::vector<std::string> TfrmStryk::matchLabels() const {
    std::vector<std::string> labels;
    for (int m = 0; m < program_.doc.MatchCount; ++m) {
        const std::string home = m < static_cast<int>(homes_.size()) ? homes_[m] : std::string();
        const std::string away = m < static_cast<int>(aways_.size()) ? aways_[m] : std::string();
        labels.push_back(home + " - " + away);
    }
    return labels;
}

int TfrmStryk::rowsPerCoupon() const {
    return output::ReadCouponLayout(program_.national.ini(), program_.doc.Pool).rowsPerCoupon;
}

void TfrmStryk::PrintClick() {
    if (program_.doc.Rader.empty()) {
        prompter_.information(this, M(283));
        return;
    }
    const fs::path file = IsUntitled() ? fs::path() : fileName_;
    PrintContext ctx = PrintContextOf(program_, matchLabels(), file);
    const bool changed = RunPrintDialog(this, ctx, prompter_, printBackend(), DefaultPrintDialogHooks(ctx, prompter_));
    if (changed) {
        modified_ = true;
        stateMsg_ = 364;
        updateStatusBar();
    }
    updateWorkflow();
}

void TfrmStryk::ExportClick() {
    auto& doc = program_.doc;
    if (doc.Rader.empty()) {
        prompter_.information(this, M(283));
        return;
    }
    if (output::RowFileFormatOfPool(doc.Typ) == output::RowFileFormat::None) {
        // Say so before the save dialog: this pool has no row file to write.
        prompter_.information(this, Q(output::ExportRows(doc, fs::path(), {}, core::CurrentDisplaySigns()).message));
        return;
    }
    FileDialogSpec spec;
    spec.filter = QStringLiteral("*.txt (*.txt);;*.* (*)");
    spec.defaultSuffix = QStringLiteral("txt");
    spec.folder = Q(poolFolder(true).string());
    const QString chosen = prompter_.saveFile(this, spec);
    if (chosen.isEmpty()) return;
    const auto pcBet = output::ReadPcBetSettings(program_.settingsFile().ini());
    const auto result = output::ExportRows(doc, S(chosen), pcBet, core::CurrentDisplaySigns());
    if (result.status != output::ExportStatus::Written) prompter_.error(this, Q(result.message));
}

void TfrmStryk::ViewCouponsClick() {
    auto& doc = program_.doc;
    if (doc.Rader.empty()) {
        prompter_.information(this, M(283));
        return;
    }
    CouponViewerHooks hooks;
    hooks.printCoupon = [this](QWidget* parent, const std::vector<std::string>& rows, int coupon) {
        const fs::path file = IsUntitled() ? fs::path() : fileName_;
        PrintContext ctx = PrintContextOf(program_, matchLabels(), file);
        if (RunPrintDialogForCoupon(parent, ctx, rows, coupon, prompter_, printBackend(),
                                    DefaultPrintDialogHooks(ctx, prompter_))) {
            modified_ = true;
            stateMsg_ = 364;
        }
    };
    const ViewCouponsResult result = RunCouponViewer(this, doc, rowsPerCoupon(), prompter_, hooks);
    if (KeepCouponChanges(this, doc, result, prompter_)) {
        modified_ = true;
        stateMsg_ = 364;
        showResult();
    }
    updateStatusBar();
    updateWorkflow();
}

// ---------------------------------------------------------------------------
// Tools and help

void TfrmStryk::SystemEditorClick() {
    const fs::path exe = program_.ProgramFolder() / kSystemEditor;
    std::error_code ec;
    if (!fs::exists(exe, ec) || !QProcess::startDetached(Q(exe.string()), {})) prompter_.error(this, M(285));
}

void TfrmStryk::HelpContentClick() { OpenHelpPage(program_, "main.htm"); }

void TfrmStryk::AboutClick() {
    TfrmAbout about(program_.DataFolder(), this);
    about.exec();
}

void TfrmStryk::MaintainMatch(int match) {
    auto& doc = program_.doc;
    if (match < 1 || match > doc.MatchCount || !program_.db.IsOpen()) return;
    const std::string home = match <= static_cast<int>(homes_.size()) ? homes_[match - 1] : std::string();
    const std::string away = match <= static_cast<int>(aways_.size()) ? aways_[match - 1] : std::string();
    checking::MatchOutcome outcome = checking::MatchOutcome::NotFound;
    try {
        if (prompter_.question(this, Q(core::FormatMsg("Vill du radera match nr %d?", {static_cast<long long>(match)})),
                               false) == Answer::Yes) {
            outcome = program_.db.EditOrDeleteMatch(doc.Typ, home, away, match, doc.OmgID, false);
        } else {
            const QString title = QStringLiteral("Uppdatera matchen");
            const auto newHome = prompter_.inputText(this, title, QStringLiteral("Ange nytt namn för Hemmalaget:"), Q(home));
            if (!newHome) return;
            const auto newAway = prompter_.inputText(this, title, QStringLiteral("Ange nytt namn för Bortalaget:"), Q(away));
            if (!newAway) return;
            outcome = program_.db.EditOrDeleteMatch(doc.Typ, S(*newHome), S(*newAway), match, doc.OmgID, true);
        }
    } catch (const checking::DatabaseError& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    const QString text = QString::fromUtf8(checking::MatchOutcomeText(outcome));
    if (outcome == checking::MatchOutcome::NotFound) prompter_.error(this, text);
    else prompter_.information(this, text);
    const int n = doc.MatchCount;
    loadRoundTeams();
    doc.MatchCount = n;
    rebuildGrid();
}

// ---------------------------------------------------------------------------
// Start-up

void TfrmStryk::FirstShow(const QString& commandLine) {
    bool opened = false;
    const QString named = commandLine.trimmed();
    std::error_code ec;
    if (!named.isEmpty() && fs::exists(fs::path(S(named)), ec)) {
        opened = OpenFile(S(named));
    } else if (program_.settings.lastSaved && !program_.settings.recent.entries().empty()) {
        const fs::path last = program_.settings.recent.entries().front().path;
        if (fs::exists(last, ec)) opened = OpenFile(last);
    }
    QTimer::singleShot(0, this, [this, opened] {
        // The list is refreshed from the web service when it is out of date
        // (silently: without a connection the present file is shown).
        RefreshActivePoolsIfDue(program_);
        RebuildActivePools();
        if (!opened) NewSystem(program_.settings.guideOnNewFile);
        grid_->setFocus();
        if (grid_->rowCount() > 0) grid_->setCurrentCell(0, kColSign);
    });
}

bool TfrmStryk::eventFilter(QObject* watched, QEvent* event) {
    if (!grid_) return QMainWindow::eventFilter(watched, event);
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton &&
            (me->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) == (Qt::ControlModifier | Qt::ShiftModifier)) {
            const int row = grid_->rowAt(me->position().toPoint().y());
            if (row >= 0) MaintainMatch(row + 1);
            return true;
        }
    }
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        const int row = grid_->currentRow(), col = grid_->currentColumn();
        if (ke->key() == Qt::Key_Space && row >= 0 && col >= kColSign) {
            ToggleSign(row + 1, col - kColSign);
            return true;
        }
        if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && row >= 0) {
            SetFrameClick(row + 1);
            return true;
        }
    }
    if (watched == poolsTitle_ && event->type() == QEvent::MouseButtonDblClick) {
        RefreshActivePoolsNow(this, program_, prompter_);
        RebuildActivePools();
        RebuildFileTree();
        RebuildDatabaseTree();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vinra::ui
