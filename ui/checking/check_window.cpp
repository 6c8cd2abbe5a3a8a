#include "ui/checking/check_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDate>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <type_traits>

#include "checking/engine.h"
#include "core/messages.h"
#include "net/game_info.h"
#include "output/coupon_print.h"
#include "output/row_files.h"
#include "output/winnings_report.h"
#include "reduction/conditions.h"
#include "ui/core/help.h"
#include "ui/checking/check_texts.h"
#include "ui/checking/check_window_helpers.h"
#include "ui/checking/goal_service_tab.h"
#include "ui/core/background_job.h"
#include "ui/core/icons.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/output/quick_view.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {

using namespace checkwin;

// ---------------------------------------------------------------------------
// The window

TfrmRatta::TfrmRatta(core::TVinraFile work, CheckWindowContext context, QWidget* parent)
    : QDialog(parent), work_(std::move(work)), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("frmRatta"));
    Tag(this, 155);
    work_.MatchCount = std::clamp(work_.MatchCount, 1, core::kMaxMatches);
    if (!ctx_.prompter) {
        static QtPrompter real;
        ctx_.prompter = &real;
    }
    checking::WinningsMessages wm;
    wm.unreadableAmount = core::Msg(checktext::kUnreadableAmount);
    wm.tooLarge = core::Msg(checktext::kWinTooLarge);
    session_ = std::make_unique<checking::CheckSession>(
        work_, ctx_.pool, checking::CheckMessages::FromTable([](int n) { return core::Msg(n); }), wm);
    valueJob_ = new BackgroundJob(this, 100);
    connect(valueJob_, &BackgroundJob::finished, this, [this](bool cancelled, const QString& error) {
        if (!valueRun_) return;
        auto run = std::move(valueRun_);
        if (!cancelled && error.isEmpty() && run->error.empty()) {
            value_ = run->value;
            valueChart_->SetValue(run->value, run->model);
        } else {
            valueChart_->Clear(error.isEmpty() ? Q(run->error) : error);
        }
        showValueLines();
        emit valueFinished();
    });
    fetchJob_ = new BackgroundJob(this, 100);
    connect(fetchJob_, &BackgroundJob::finished, this, [this](bool cancelled, const QString& error) {
        if (!fetch_) return;
        auto f = std::move(fetch_);
        // The player may have moved on meanwhile: the answer is only for the round still shown empty.
        if (cancelled || f->round != labelRound() || f->typ != work_.Typ || shownOmgId_ != 0) return;
        const std::string round = RoundText(f->round);
        const QString none = Fmt(checktext::kNoResultStored, {round});
        const std::string why = !error.isEmpty() ? error.toStdString() : f->error;
        if (!why.empty()) {
            showNote(none + QLatin1Char(' ') + Fmt(checktext::kFetchFailed, {round, why}));
            return;
        }
        if (!f->settled) {
            showNote(none + QLatin1Char(' ') + Fmt(checktext::kServiceHasNone, {round}));
            return;
        }
        showNote(none);
        if (ctx_.prompter->question(this, Fmt(checktext::kFetchOffer, {round}), false) != Answer::Yes) return;
        if (!ctx_.db || !ctx_.db->IsOpen()) return;
        try {
            ctx_.db->SaveCouponResult(f->found);
            if (!f->found.Homes.empty()) ctx_.db->SaveCouponGames(f->found);
        } catch (const std::exception& e) {
            ctx_.prompter->error(this, Q(e.what()));
            return;
        }
        resetNavigator();
        if (nav_ && nav_->Locate(f->round)) loadCurrentRound();
        updateNavigation();
    });
    build();
    prepare();
    Localise(this);
}

TfrmRatta::~TfrmRatta() {
    // The value run captures only its own shared state; stop it before the widgets go.
    if (valueJob_) valueJob_->CancelAndJoin();
    if (fetchJob_) fetchJob_->CancelAndJoin();
}

bool TfrmRatta::ValueRunning() const { return valueJob_->Running(); }

QTableWidgetItem* TfrmRatta::LevelItem(int k, int col) const { return levels_->item(work_.MatchCount - k, col); }

void TfrmRatta::fitLevelGrid() {
    // As wide as its columns: the match grid takes the rest of the line.
    int w = levels_->frameWidth() * 2 + 2;
    for (int c = 0; c < LevelColCount; ++c) w += levels_->columnWidth(c);
    if (levels_->verticalScrollBar()->isVisible()) w += levels_->verticalScrollBar()->width();
    levels_->setFixedWidth(w);
}
bool TfrmRatta::FetchRunning() const { return fetchJob_->Running(); }

void TfrmRatta::showNote(const QString& text) {
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

QString TfrmRatta::NoteText() const { return note_->isHidden() ? QString() : note_->text(); }

void TfrmRatta::lookUpOnService(int32_t round) {
    if (!ctx_.fetchRoundResult || !ctx_.db || !ctx_.db->IsOpen()) return;
    if (fetchJob_->Running()) fetchJob_->CancelAndJoin();
    auto f = std::make_shared<RoundFetch>();
    f->typ = work_.Typ;
    f->round = round;
    f->matchCount = work_.MatchCount;
    try {
        f->draw = round == static_cast<int32_t>(core::RoundNumber(work_.Omg)) && work_.OmgID != 0
                      ? work_.OmgID
                      : ctx_.db->FindDrawNumber(round, work_.Typ);
    } catch (const std::exception&) {
        f->draw = 0;  // then only an address by year and week can name the round
    }
    fetch_ = f;
    showNote(Fmt(checktext::kNoResultStored, {RoundText(round)}) + QLatin1Char(' ') +
             Fmt(checktext::kLookingUp, {RoundText(round)}));
    // The transfer runs off the GUI thread; the window stays usable and the
    // answer is offered only if the player is still on that round.
    fetchJob_->Start([f, fn = ctx_.fetchRoundResult](JobProgress&) { fn(*f); });
}

void TfrmRatta::startValue() {
    if (valueJob_->Running()) valueJob_->CancelAndJoin();
    valueRun_.reset();
    value_.reset();
    const int n = work_.MatchCount;
    if (reduction::NoMarketData(valueModel_)) {
        valueChart_->Clear(
            Q(core::Msg(1419)));  // "The round has no game information ...; the value cannot be computed."
    } else if (n > reduction::kMaxValueMatches) {
        // "The value can be computed for at most %d matches."
        valueChart_->Clear(Q(core::FormatMsg(core::Msg(1420), {static_cast<long long>(reduction::kMaxValueMatches)})));
    } else if (work_.Rader.empty()) {
        valueChart_->Clear(Q(core::Msg(1424)));  // "There are no rows to value."
    } else {
        auto run = std::make_shared<reduction::ValueRun>();
        run->rows = work_.Rader.Strings();
        run->model = valueModel_;
        valueRun_ = run;
        valueChart_->Clear();
        valueJob_->Start([run](JobProgress& p) { run->Run(&p.cancel, &p.done, &p.total); });
        showValueLines();
        return;
    }
    showValueLines();
    emit valueFinished();
}

void TfrmRatta::showValueLines() {
    // The value's lines follow the protocol of the conditions; they are replaced, never repeated.
    if (valueLinesAt_ >= 0)
        while (conditions_->count() > valueLinesAt_) delete conditions_->takeItem(conditions_->count() - 1);
    valueLinesAt_ = conditions_->count();
    if (!value_) return;
    conditions_->addItem(QString());
    for (const std::string& line : reduction::SystemValueLines(*value_, valueModel_, core::CurrentLanguage()))
        conditions_->addItem(Q(line));
}

QTableWidgetItem* TfrmRatta::cell(QTableWidget* grid, int row, int col) {
    QTableWidgetItem* item = grid->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid->setItem(row, col, item);
    }
    return item;
}

QAction* TfrmRatta::Action(const QString& name) const {
    for (QAction* a : actions_)
        if (a->objectName() == name) return a;
    return nullptr;
}

void TfrmRatta::build() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbCheck"));
    bar->setIconSize(QSize(20, 20));
    auto add = [&](const char* name, int hint, const QIcon& icon, auto slot, bool checkable = false) {
        QAction* a = bar->addAction(icon, QString());
        a->setObjectName(QString::fromLatin1(name));
        TagHint(a, hint);
        a->setCheckable(checkable);
        if constexpr (std::is_invocable_v<decltype(slot), TfrmRatta*, bool>)
            connect(a, &QAction::triggered, this, [this, slot](bool on) { (this->*slot)(on); });
        else connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
        actions_.push_back(a);
        return a;
    };
    QStyle* st = style();
    add("actClear", 230, st->standardIcon(QStyle::SP_DialogResetButton), &TfrmRatta::btnClearClick);
    add("actPrint", 231, MakeIcon(Icon::Print), &TfrmRatta::btnPrintClick);
    add("actSave", 232, MakeIcon(Icon::Save), &TfrmRatta::btnSaveClick);
    bar->addSeparator();
    add("actLocal", 233, MakeIcon(Icon::Database), &TfrmRatta::btnLocalClick);
    add("actLastYear", 234, st->standardIcon(QStyle::SP_MediaSkipBackward), &TfrmRatta::btnLastYearClick);
    add("actPrior", 235, st->standardIcon(QStyle::SP_MediaSeekBackward), &TfrmRatta::btnPriorClick);
    add("actNext", 236, st->standardIcon(QStyle::SP_MediaSeekForward), &TfrmRatta::btnNextClick);
    add("actNextYear", 237, st->standardIcon(QStyle::SP_MediaSkipForward), &TfrmRatta::btnNextYearClick);
    QAction* web = add("actWeb", 238, st->standardIcon(QStyle::SP_DriveNetIcon), &TfrmRatta::btnWebClick);
    web->setVisible(ctx_.debug);
    bar->addSeparator();
    add("actOverview", 267, st->standardIcon(QStyle::SP_FileDialogDetailedView), &TfrmRatta::btnOverviewClick, true);
    QAction* help = bar->addAction(MakeIcon(Icon::Help), QString());
    help->setObjectName(QStringLiteral("actHelp"));
    TagHint(help, 239);
    actions_.push_back(help);
    connect(help, &QAction::triggered, this, [this] {
        if (ctx_.help) ctx_.help("check.htm");
    });
    QAction* close = bar->addAction(MakeIcon(Icon::Exit), QString());
    close->setObjectName(QStringLiteral("actClose"));
    TagHint(close, 240);
    actions_.push_back(close);
    connect(close, &QAction::triggered, this, &QDialog::reject);
    top->addWidget(bar);
    roundLabel_ = new QLabel(this);
    roundLabel_->setObjectName(QStringLiteral("lblRound"));
    QFont bold = roundLabel_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    roundLabel_->setFont(bold);
    top->addWidget(roundLabel_);
    top->addStretch(1);
    layout->addLayout(top);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pgcCheck"));
    layout->addWidget(tabs_, 1);
    buildWinningsTab();
    buildConditionsTab();
    buildBestTab();
    buildLiveTab();
    tabs_->addTab(Tag(makeGoalServiceTab(), checktext::kGoalServiceTab), QStringLiteral("Goal service"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
        if (i == TabBestRows) computeBestRows();
        if (quick_) placeOverview();
    });

    status_ = new QStatusBar(this);
    status_->setObjectName(QStringLiteral("stbCheck"));
    status_->setSizeGripEnabled(false);
    for (int i = 0; i < 7; ++i) {
        panels_[i] = new QLabel(status_);
        panels_[i]->setObjectName(QStringLiteral("pnl%1").arg(i));
        if (i == 0) {
            Tag(panels_[i], 494);
            status_->addWidget(panels_[i], 1);
        } else {
            status_->addPermanentWidget(panels_[i]);
        }
    }
    layout->addWidget(status_);

    SetHelpPage(this, "check.htm");
    resize(1200, 640);
}


// ---------------------------------------------------------------------------
// Preparing and showing

void TfrmRatta::prepare() {
    const int n = work_.MatchCount;
    const int first = session_->Levels().FirstLevel();
    baseTyp_ = work_.Typ;
    pauseTyp_ = PauseCode(baseTyp_);
    homes_ = ctx_.homes;
    aways_ = ctx_.aways;
    homes_.resize(static_cast<size_t>(n));
    aways_.resize(static_cast<size_t>(n));

    const auto& signs = ctx_.pool.signs;
    QStringList heads = {QString(),
                         M(67),
                         M(68),
                         Q(signs.home),
                         Q(signs.draw),
                         Q(signs.away),
                         Fmt(385, {signs.home}),
                         Fmt(385, {signs.draw}),
                         Fmt(385, {signs.away})};
    filling_ = true;
    grid_->setHorizontalHeaderLabels(heads);
    grid_->setRowHidden(0, true);
    for (int r = 0; r <= n; ++r) {
        cell(grid_, r, ColMatch)->setText(r == 0 ? QString() : QString::number(r));
        cell(grid_, r, ColMatch)->setTextAlignment(Qt::AlignCenter);
        for (int c = ColSign1; c <= ColSign2; ++c) cell(grid_, r, c)->setTextAlignment(Qt::AlignCenter);
        for (int c = ColNum1; c <= ColNum2; ++c) cell(grid_, r, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    levels_->setHorizontalHeaderLabels({M(checktext::kLevelRight), M(checktext::kLevelRows), M(checktext::kLevelPerRow),
                                        M(checktext::kLevelWin)});
    for (int k = n; k >= 0; --k) {
        const int r = n - k;
        QTableWidgetItem* right = cell(levels_, r, LevelRight);
        right->setText(QString::number(k));
        right->setTextAlignment(Qt::AlignCenter);
        right->setBackground(k < first ? kNotInFrame : kInFrame);
        for (int c = LevelRows; c <= LevelSum; ++c)
            cell(levels_, r, c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (k >= first) {
            QTableWidgetItem* payout = cell(levels_, r, LevelPayout);
            payout->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            payout->setText(QStringLiteral("0,00"));
            cell(levels_, r, LevelSum)->setText(QStringLiteral("0,00"));
        }
    }
    filling_ = false;
    setTeams(homes_, aways_);
    grid_->resizeColumnsToContents();
    grid_->setColumnWidth(ColHome, std::max(grid_->columnWidth(ColHome), 130));
    grid_->setColumnWidth(ColAway, std::max(grid_->columnWidth(ColAway), 130));
    for (int c = ColSign1; c <= ColSign2; ++c) grid_->setColumnWidth(c, 30);
    levels_->resizeColumnsToContents();
    levels_->setColumnWidth(LevelPayout, std::max(levels_->columnWidth(LevelPayout), 100));
    levels_->setColumnWidth(LevelSum, std::max(levels_->columnWidth(LevelSum), 100));
    fitLevelGrid();

    writeShares();
    // The stored result row of the system, N long.
    std::string facit = work_.Facit.substr(0, static_cast<size_t>(n));
    facit.resize(static_cast<size_t>(n), '-');
    display_ = core::SignsToDisplay(facit, signs);
    writeSignCells();
    loadPeople();
    recount();

    link_->setText(Q(work_.SalvikLink));
    filling_ = true;
    comment_->setPlainText(FromCrLf(work_.Comment));
    filling_ = false;

    quick_ = new TfrmQuick(work_, this, true);
    quick_->setObjectName(QStringLiteral("frmQuick"));
    quick_->SetInputEnabled(false);
    quick_->SetRowHeight(grid_->verticalHeader()->defaultSectionSize());
    quick_->hide();
    resetNavigator();
}

void TfrmRatta::resetNavigator() {
    nav_.reset();
    if (ctx_.db && ctx_.db->IsOpen()) {
        nav_ = std::make_unique<checking::ResultNavigator>(*ctx_.db, work_.Typ);
        try {
            nav_->Last();
        } catch (const std::exception& e) {
            nav_.reset();
            ctx_.prompter->error(this, Q(e.what()));
        }
    }
}

void TfrmRatta::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    showing();
}

void TfrmRatta::showing() {
    labelOmg_ = static_cast<int32_t>(core::RoundNumber(work_.Omg));
    setRoundLabel(labelOmg_);
    if (nav_ && nav_->Locate(labelOmg_)) {
        loadCurrentRound();
    } else {
        people_->setText(Q(session_->Last().peopleLine));
        if (nav_) showNote(Fmt(checktext::kNoResultStored, {RoundText(labelOmg_)}));
    }
    updateNavigation();
    tabs_->setCurrentIndex(TabWinnings);
}

void TfrmRatta::done(int result) {
    // The pause pool is a view of the round: the system keeps its own pool.
    work_.Typ = baseTyp_;
    if (quick_) quick_->hide();
    // A fetch or publication of the goal tab under way ends with the window.
    if (goalTab_) goalTab_->Stop();
    QDialog::done(result);
}

// ---------------------------------------------------------------------------
// Overview and keys

void TfrmRatta::btnOverviewClick(bool show) {
    if (!quick_) return;
    if (!show) {
        quick_->hide();
        return;
    }
    quick_->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    quick_->Refresh();
    // Shown first: its frame is known only then.
    quick_->show();
    placeOverview();
}

void TfrmRatta::placeOverview() {
    QTableWidget* grid = tabs_->currentIndex() == TabBestRows ? best_ : grid_;
    quick_->SetRowHeight(grid->verticalHeader()->defaultSectionSize());
    const int screenH = screen() ? screen()->geometry().height() : 768;
    const int below = screenH >= 1024 ? 32 : 30;
    const QPoint tabsTop = tabs_->mapToGlobal(QPoint(0, 0));
    int x = frameGeometry().left() - quick_->frameGeometry().width();
    if (x < 0) x = 0;
    quick_->move(x, tabsTop.y() + below);
}

bool TfrmRatta::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int col = grid_->currentColumn();
        if (col >= ColSign1 && col <= ColSign2) {
            if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) {
                if (grid_->currentRow() >= 1) ToggleSign(grid_->currentRow(), col - ColSign1);
                return true;
            }
            // Sign cells are never typed into.
            if (key->key() != Qt::Key_Escape && !key->text().isEmpty()) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TfrmRatta::WinTotalText() const { return total_->text(); }
QString TfrmRatta::WinAfterBetText() const { return afterBet_->text(); }
QString TfrmRatta::PeopleLine() const { return people_->text(); }
QString TfrmRatta::IndicatorState() const {
    if (!verdict_) return {};
    return *verdict_ ? QStringLiteral("true") : QStringLiteral("false");
}

}  // namespace vinra::ui
