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
#include "ui/checking/goal_service_tab.h"
#include "ui/core/background_job.h"
#include "ui/core/icons.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/output/quick_view.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {

namespace {

using checktext::M;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Fmt(int msg, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(msg), args)); }

const QColor kInFrame(0x90, 0xEE, 0x90);  // the sign is in the system's frame
const QColor kNotInFrame(0xFF, 0x80, 0x80);
const QColor kBestSame = QColor(0xFF, 0xFF, 0xE1);  // best rows: the row's sign is the result's

// The pause pool of a pool that has one: A -> B, C -> D, E -> F.
std::string PauseCode(const std::string& typ) {
    if (typ.size() != 1) return typ;
    return std::string(1, static_cast<char>(typ[0] + 1));
}

// A small round picture for the conditions indicator.
QPixmap Lamp(const QColor& c) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(c);
    p.setPen(QPen(c.darker(160), 1));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return pm;
}

std::string ToCrLf(const QString& text) {
    std::string s = text.toStdString();
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\r\n";
        else if (c != '\r') out += c;
    }
    return out;
}

// "2026-49" of the round integer 202649.
std::string RoundText(int32_t round) {
    const QString text = QString::number(round).rightJustified(6, QLatin1Char('0'));
    return (text.left(4) + QLatin1Char('-') + text.mid(4, 2)).toStdString();
}

QString FromCrLf(const std::string& s) {
    QString t = Q(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

}  // namespace

void PrizeListsToSlots(checking::CouponRound& round, int matchCount) {
    // Slot s holds the level SlotLevel gives; the page lists level N - i at i.
    for (auto* list : {&round.Payouts, &round.Winners}) {
        std::vector<std::string> bySlot;
        for (int i = 0; i < checking::kSlotCount; ++i) {
            const int at = matchCount - checking::SlotLevel(checking::SlotNumber(i), matchCount);
            bySlot.push_back(at >= 0 && static_cast<size_t>(at) < list->size() ? (*list)[static_cast<size_t>(at)]
                                                                             : std::string("0"));
        }
        *list = std::move(bySlot);
    }
}

// ---------------------------------------------------------------------------
// Distribution chart

TDistributionChart::TDistributionChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chtDistribution"));
    setToolTip(M(checktext::kChartTitle));
}

void TDistributionChart::SetCounts(std::vector<int64_t> counts, int firstWinLevel) {
    counts_ = std::move(counts);
    firstWin_ = firstWinLevel;
    update();
}

QSize TDistributionChart::sizeHint() const { return {190, 260}; }
QSize TDistributionChart::minimumSizeHint() const { return {140, 160}; }

void TDistributionChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().text().color());
    const QFontMetrics fm(font());
    const int titleH = fm.height() + 6;
    p.drawText(QRect(4, 2, width() - 8, titleH), Qt::AlignLeft | Qt::AlignVCenter, M(checktext::kChartTitle));
    if (counts_.empty()) return;
    const int n = static_cast<int>(counts_.size());
    const int labelW = fm.horizontalAdvance(QStringLiteral("30")) + 8;
    int64_t maxCount = 1;
    for (int64_t c : counts_) maxCount = std::max(maxCount, c);
    const QString maxText = Q(core::GroupDigits(maxCount));
    const int countW = fm.horizontalAdvance(maxText) + 8;
    const int barLeft = 4 + labelW;
    const int barMax = std::max(10, width() - barLeft - countW - 6);
    const double lineH = std::max(4.0, (height() - titleH - 4.0) / n);
    // Highest number of right on top, as the payout grid reads from the top level down.
    for (int i = 0; i < n; ++i) {
        const int k = n - 1 - i;
        const double y = titleH + i * lineH;
        const QRectF labelRect(4, y, labelW - 4, lineH);
        p.setPen(palette().text().color());
        p.drawText(labelRect, Qt::AlignRight | Qt::AlignVCenter, QString::number(k));
        const int64_t c = counts_[static_cast<size_t>(k)];
        const double w =
            c == 0
                ? 0
                : std::max(1.0, static_cast<double>(barMax) * static_cast<double>(c) / static_cast<double>(maxCount));
        const QColor colour = k >= firstWin_ ? QColor(0x3C, 0xB3, 0x71) : QColor(0x64, 0x95, 0xED);
        p.fillRect(QRectF(barLeft, y + lineH * 0.15, w, lineH * 0.7), colour);
        p.drawText(QRectF(barLeft + w + 4, y, countW, lineH), Qt::AlignLeft | Qt::AlignVCenter,
                   Q(core::GroupDigits(c)));
    }
}

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
        run->rows = work_.Rader;
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

void TfrmRatta::buildWinningsTab() {
    const int n = work_.MatchCount;
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabWinnings"));
    Tag(page, 156);
    auto* v = new QVBoxLayout(page);
    auto* h = new QHBoxLayout;
    grid_ = new QTableWidget(n + 1, ColCountAll, page);
    grid_->setObjectName(QStringLiteral("grdPayout"));
    grid_->verticalHeader()->hide();
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->installEventFilter(this);
    h->addWidget(grid_, 1);
    // The counts per number of right are a table of their own: lines of the
    // match grid are matches, never levels.
    levels_ = new QTableWidget(n + 1, LevelColCount, page);
    levels_->setObjectName(QStringLiteral("grdLevels"));
    levels_->verticalHeader()->hide();
    levels_->setSelectionMode(QAbstractItemView::SingleSelection);
    levels_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    levels_->verticalHeader()->setDefaultSectionSize(grid_->verticalHeader()->defaultSectionSize());
    h->addWidget(levels_);
    chart_ = new TDistributionChart(page);
    h->addWidget(chart_);
    v->addLayout(h, 1);
    note_ = new QLabel(page);
    note_->setObjectName(QStringLiteral("lblNote"));
    note_->setWordWrap(true);
    note_->hide();
    v->addWidget(note_);

    auto* below = new QGridLayout;
    auto* indicatorCaption = Tag(new QLabel(QStringLiteral("Conditions fulfilled:"), page), 157);
    indicator_ = new QLabel(page);
    indicator_->setObjectName(QStringLiteral("imgConditions"));
    indicator_->setPixmap(Lamp(QColor(0xC0, 0xC0, 0xC0)));
    auto* ind = new QHBoxLayout;
    ind->addWidget(indicatorCaption);
    ind->addWidget(indicator_);
    ind->addStretch(1);
    below->addLayout(ind, 0, 0);
    percent_ = Tag(new QCheckBox(QStringLiteral("In percentages (%)"), page), 161);
    percent_->setObjectName(QStringLiteral("chkPercent"));
    direct_ = Tag(new QCheckBox(QStringLiteral("Direct update"), page), 162);
    direct_->setObjectName(QStringLiteral("chkDirect"));
    direct_->setChecked(true);
    pause_ = Tag(new QCheckBox(QStringLiteral("Pause pool"), page), 160);
    pause_->setObjectName(QStringLiteral("chkPause"));
    pause_->setVisible(ctx_.pool.pauseTipping);
    below->addWidget(percent_, 1, 0);
    below->addWidget(direct_, 2, 0);
    below->addWidget(pause_, 3, 0);
    auto* totalCaption = Tag(new QLabel(QStringLiteral("Win total:"), page), 158);
    auto* afterCaption = Tag(new QLabel(QStringLiteral("Win after bet:"), page), 159);
    total_ = new QLabel(QStringLiteral("0,00"), page);
    total_->setObjectName(QStringLiteral("lblTotal"));
    afterBet_ = new QLabel(QStringLiteral("0,00"), page);
    afterBet_->setObjectName(QStringLiteral("lblAfterBet"));
    QFont bold = total_->font();
    bold.setBold(true);
    total_->setFont(bold);
    afterBet_->setFont(bold);
    total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    afterBet_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    below->addWidget(totalCaption, 0, 2);
    below->addWidget(total_, 0, 3);
    below->addWidget(afterCaption, 1, 2);
    below->addWidget(afterBet_, 1, 3);
    people_ = new QLabel(page);
    people_->setObjectName(QStringLiteral("lblPeople"));
    below->addWidget(people_, 2, 2, 1, 2);
    below->setColumnStretch(1, 1);
    v->addLayout(below);
    tabs_->addTab(page, QStringLiteral("&Winnings"));

    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
        if (row >= 1 && col >= ColSign1 && col <= ColSign2) ToggleSign(row, col - ColSign1);
    });
    connect(levels_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != LevelPayout) return;
        EditPayout(work_.MatchCount - item->row(), item->text());
    });
    connect(percent_, &QCheckBox::toggled, this, [this] { writeShares(); });
    connect(direct_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) afterSignChange();
    });
    connect(pause_, &QCheckBox::toggled, this, &TfrmRatta::chkPausePoolClick);
}

void TfrmRatta::buildConditionsTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabConditions"));
    Tag(page, 163);
    auto* v = new QVBoxLayout(page);
    conditions_ = new QListWidget(page);
    conditions_->setObjectName(QStringLiteral("lstConditions"));
    conditions_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    v->addWidget(conditions_, 1);
    valueChart_ = new ValueChart(page);
    v->addWidget(valueChart_);
    tabs_->addTab(page, QStringLiteral("&Conditions"));
}

void TfrmRatta::buildBestTab() {
    const int n = work_.MatchCount;
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabBestRows"));
    Tag(page, 164);
    auto* v = new QVBoxLayout(page);
    best_ = new QTableWidget(n + 3, 6 + kBestColumns, page);
    best_->setObjectName(QStringLiteral("grdBest"));
    best_->verticalHeader()->hide();
    best_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    best_->verticalHeader()->setDefaultSectionSize(best_->fontMetrics().height() + 6);
    best_->horizontalHeader()->setDefaultSectionSize(30);
    v->addWidget(best_);
    tabs_->addTab(page, QStringLiteral("Best rows"));
}

void TfrmRatta::buildLiveTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabLiveCheck"));
    Tag(page, checktext::kLiveCheckTab);
    auto* g = new QGridLayout(page);
    auto* linkCaption = Tag(new QLabel(QStringLiteral("Live-check link:"), page), checktext::kLinkLabel);
    link_ = new QLineEdit(page);
    link_->setObjectName(QStringLiteral("edtLink"));
    link_->setReadOnly(true);
    linkCaption->setBuddy(link_);
    g->addWidget(linkCaption, 0, 0);
    g->addWidget(link_, 0, 1, 1, 3);
    auto button = [&](const char* name, int msg, void (TfrmRatta::*slot)(), int row, int col) {
        auto* b = Tag(new QPushButton(page), msg);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        g->addWidget(b, row, col);
        return b;
    };
    button("btnUpload", checktext::kUpload, &TfrmRatta::btnUploadClick, 1, 0);
    button("btnGoToLiveCheck", checktext::kGoToLiveCheck, &TfrmRatta::btnGoToLiveCheckClick, 1, 1);
    button("btnServiceHome", checktext::kServiceHome, &TfrmRatta::btnServiceHomeClick, 1, 2);
    button("btnSettings", checktext::kSettings, &TfrmRatta::btnSettingsClick, 1, 3);
    button("btnCopyLink", checktext::kCopyLink, &TfrmRatta::btnCopyLinkClick, 2, 0);
    button("btnPasteLink", checktext::kPasteLink, &TfrmRatta::btnPasteLinkClick, 2, 1);
    button("btnDeleteLink", checktext::kDeleteLink, &TfrmRatta::btnDeleteLinkClick, 2, 2);
    auto* commentCaption = Tag(new QLabel(QStringLiteral("Comment:"), page), checktext::kCommentLabel);
    comment_ = new QPlainTextEdit(page);
    comment_->setObjectName(QStringLiteral("memComment"));
    commentCaption->setBuddy(comment_);
    g->addWidget(commentCaption, 3, 0, 1, 4);
    g->addWidget(comment_, 4, 0, 1, 4);
    g->setRowStretch(4, 1);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(2, 1);
    tabs_->addTab(page, QStringLiteral("Live check"));
    connect(comment_, &QPlainTextEdit::textChanged, this, [this] {
        if (!filling_) work_.Comment = ToCrLf(comment_->toPlainText());
    });
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
// Result row and recount

bool TfrmRatta::signInFrame(int match, int sign) const {
    const size_t m = static_cast<size_t>(match - 1);
    if (m >= work_.Grundrad.size()) return false;
    return core::EntryHas(work_.Grundrad[m], static_cast<char>('0' + sign));
}

void TfrmRatta::writeSignCells() {
    const auto& signs = ctx_.pool.signs;
    const std::string facit = core::DisplayToSigns(display_, signs);
    const QString texts[3] = {Q(signs.home), Q(signs.draw), Q(signs.away)};
    filling_ = true;
    for (int m = 1; m <= work_.MatchCount; ++m) {
        const char code = static_cast<size_t>(m - 1) < facit.size() ? facit[static_cast<size_t>(m - 1)] : '-';
        for (int s = 0; s < 3; ++s) {
            QTableWidgetItem* item = cell(grid_, m, ColSign1 + s);
            const bool set = code == static_cast<char>('0' + s);
            item->setText(set ? texts[s] : QString());
            item->setBackground(set ? QBrush(signInFrame(m, s) ? kInFrame : kNotInFrame) : QBrush());
        }
    }
    filling_ = false;
}

void TfrmRatta::ToggleSign(int match, int sign) {
    if (match < 1 || match > work_.MatchCount || sign < 0 || sign > 2) return;
    const auto& signs = ctx_.pool.signs;
    std::string facit = core::DisplayToSigns(display_, signs);
    facit.resize(static_cast<size_t>(work_.MatchCount), '-');
    char& c = facit[static_cast<size_t>(match - 1)];
    const char code = static_cast<char>('0' + sign);
    c = c == code ? '-' : code;
    display_ = core::SignsToDisplay(facit, signs);
    writeSignCells();
    if (direct_->isChecked()) afterSignChange();
    else showResultInGoalTab();
}

void TfrmRatta::afterSignChange() {
    recount();
    computeBestRows();
    session_->GoalsFromResult();
    showResultInGoalTab();
}

void TfrmRatta::showResultInGoalTab() {
    // The goal grid shows the same result and scores as the payout grid.
    if (goalTab_) goalTab_->ShowResult(core::DisplayToSigns(display_, ctx_.pool.signs));
}

void TfrmRatta::recount() {
    session_->SetDisplayResult(display_);
    session_->DoRecount();
    showRecount();
}

void TfrmRatta::showRecount() {
    const checking::Recount& r = session_->Last();
    const int n = work_.MatchCount;
    filling_ = true;
    for (int k = 0; k <= n; ++k) {
        QTableWidgetItem* item = cell(levels_, n - k, LevelRows);
        const int64_t c = static_cast<size_t>(k) < r.check.counts.size() ? r.check.counts[static_cast<size_t>(k)] : 0;
        item->setText(Q(core::GroupDigits(c)));
        item->setToolTip(static_cast<size_t>(k) < r.check.hints.size() ? Q(r.check.hints[static_cast<size_t>(k)])
                                                                       : QString());
    }
    filling_ = false;
    // The header line holds the count of rows with no right match, which can
    // run to seven digits: the column follows its widest number.
    const int rowsWidth = levels_->columnWidth(LevelRows);
    levels_->resizeColumnToContents(LevelRows);
    if (levels_->columnWidth(LevelRows) != rowsWidth) fitLevelGrid();
    for (const auto& level : session_->Levels().Levels()) showLevel(level.level);
    total_->setText(Q(core::FormatAmount(r.totals.total)));
    afterBet_->setText(Q(core::FormatAmount(r.totals.afterStake)));
    people_->setText(Q(r.peopleLine));
    chart_->SetCounts(r.check.counts, session_->Levels().FirstLevel());

    conditions_->clear();
    for (const auto& line : r.protocol.lines) conditions_->addItem(Q(line));
    valueLinesAt_ = -1;
    showValueLines();
    if (r.protocol.verdict) {
        verdict_ = r.protocol.verdict;
        indicator_->setPixmap(Lamp(*verdict_ ? QColor(0x3C, 0xB3, 0x71) : QColor(0xE0, 0x40, 0x40)));
    }
    for (int s = 0; s < 3; ++s) {
        panels_[1 + s]->setText(Q(r.signs.countLines[static_cast<size_t>(s)]));
        panels_[4 + s]->setText(Q(r.signs.runLines[static_cast<size_t>(s)]));
    }
}

void TfrmRatta::showLevel(int level) {
    const checking::WinLevel* line = session_->Levels().Level(level);
    if (!line || level > work_.MatchCount) return;
    filling_ = true;
    const int r = work_.MatchCount - level;
    cell(levels_, r, LevelPayout)->setText(Q(core::FormatAmount(line->payout)));
    cell(levels_, r, LevelPayout)->setToolTip(M(384) + Q(line->winners));
    cell(levels_, r, LevelSum)->setText(Q(core::FormatAmount(line->levelWin)));
    filling_ = false;
}

void TfrmRatta::EditPayout(int level, const QString& text) {
    if (!session_->Levels().Level(level)) return;
    if (!session_->Levels().SetPayoutText(level, text.toStdString())) {
        ctx_.prompter->error(this, Q(session_->Levels().Level(level)->error));
    }
    showLevel(level);
    const checking::Totals t =
        session_->Levels().WinTotals(static_cast<int64_t>(work_.Rader.size()), ctx_.pool.pricePerRow);
    total_->setText(Q(core::FormatAmount(t.total)));
    afterBet_->setText(Q(core::FormatAmount(t.afterStake)));
}

void TfrmRatta::writeShares() {
    const auto shares = output::SignShares(work_.Rader);
    const bool percent = percent_->isChecked();
    filling_ = true;
    for (int m = 1; m <= work_.MatchCount; ++m)
        for (int s = 0; s < 3; ++s) {
            const auto ms = static_cast<size_t>(m - 1);
            const auto ss = static_cast<size_t>(s);
            cell(grid_, m, ColNum1 + s)
                ->setText(percent ? QString::number(shares.share[ms][ss])
                                  : Q(core::GroupDigits(static_cast<int64_t>(shares.count[ms][ss]))));
        }
    filling_ = false;
}

void TfrmRatta::computeBestRows() {
    const checking::Recount& r = session_->Last();
    const int n = work_.MatchCount;
    const auto& signs = ctx_.pool.signs;
    QStringList heads;
    for (int c = 0; c < 6; ++c) heads << grid_->horizontalHeaderItem(c)->text();
    // Columns 0 to 5 of the payout grid with their colours.
    for (int m = 0; m < n; ++m)
        for (int c = 0; c < 6; ++c) {
            QTableWidgetItem* from = cell(grid_, m + 1, c);
            QTableWidgetItem* to = cell(best_, m, c);
            to->setText(from->text());
            to->setBackground(from->background());
            // Team names carry no alignment of their own: centred vertically,
            // so the accents of "Örebro" are not cut off at the top.
            const Qt::Alignment a = Qt::Alignment(QFlag(from->textAlignment()));
            to->setTextAlignment(a & Qt::AlignVertical_Mask ? a : a | Qt::AlignLeft | Qt::AlignVCenter);
        }
    cell(best_, n, ColHome)->setText(M(427));
    cell(best_, n + 1, ColHome)->setText(Fmt(514, {static_cast<long long>(n)}));
    cell(best_, n + 2, ColHome)->setText(M(560));
    const std::string displayResult = display_;
    const size_t shown = std::min<size_t>(kBestColumns, r.check.bestKeys.size());
    for (size_t i = 0; i < static_cast<size_t>(kBestColumns); ++i) {
        const int col = 6 + static_cast<int>(i);
        if (i >= shown) {
            heads << QString();
            for (int row = 0; row < n + 3; ++row) {
                cell(best_, row, col)->setText(QString());
                cell(best_, row, col)->setBackground(QBrush());
            }
            continue;
        }
        const std::string& key = r.check.bestKeys[i];
        const int64_t index = checking::RowIndexOfBestKey(key);
        if (index < 0 || static_cast<size_t>(index) >= work_.Rader.size()) {
            heads << QString();
            continue;
        }
        const std::string& row = work_.Rader[static_cast<size_t>(index)];
        heads << QString::number(index + 1);
        const std::string rowDisplay = core::SignsToDisplay(row, signs);
        const std::string facit = core::DisplayToSigns(displayResult, signs);
        for (int m = 0; m < n; ++m) {
            QTableWidgetItem* item = cell(best_, m, col);
            const char code = static_cast<size_t>(m) < row.size() ? row[static_cast<size_t>(m)] : '-';
            item->setText(Q(core::SignsToDisplay(std::string(1, code), signs)));
            item->setTextAlignment(Qt::AlignCenter);
            const bool same = static_cast<size_t>(m) < facit.size() && facit[static_cast<size_t>(m)] == code;
            item->setBackground(same ? kBestSame : kNotInFrame);
        }
        const int right = checking::RightOfBestKey(key, n);
        const int64_t goals = checking::GoalsToRow(rowDisplay, displayResult, work_.HGoal, work_.AGoal, signs.draw);
        const int64_t sum = reduction::RowSum(row, work_.UserPercent);
        const int64_t extra[3] = {right, goals, sum};
        for (int e = 0; e < 3; ++e) {
            QTableWidgetItem* item = cell(best_, n + e, col);
            item->setText(QString::number(extra[e]));
            item->setTextAlignment(Qt::AlignCenter);
            item->setBackground(QBrush());
        }
    }
    best_->setHorizontalHeaderLabels(heads);
    best_->resizeColumnToContents(ColMatch);
    best_->resizeColumnToContents(ColHome);
    best_->setColumnWidth(ColHome, std::max(best_->columnWidth(ColHome), grid_->columnWidth(ColHome)));
    best_->setColumnWidth(ColAway, grid_->columnWidth(ColAway));
}

// ---------------------------------------------------------------------------
// Rounds

void TfrmRatta::setTeams(const std::vector<std::string>& homes, const std::vector<std::string>& aways) {
    const int n = work_.MatchCount;
    labels_.clear();
    filling_ = true;
    for (int m = 1; m <= n; ++m) {
        const std::string h = static_cast<size_t>(m - 1) < homes.size() ? homes[static_cast<size_t>(m - 1)] : "";
        const std::string a = static_cast<size_t>(m - 1) < aways.size() ? aways[static_cast<size_t>(m - 1)] : "";
        cell(grid_, m, ColHome)->setText(Q(h));
        cell(grid_, m, ColAway)->setText(Q(a));
        labels_.push_back(h + " - " + a);
    }
    filling_ = false;
}

void TfrmRatta::setRoundLabel(int32_t omg) {
    labelOmg_ = omg;
    const QString text = QString::number(omg).rightJustified(6, QLatin1Char('0'));
    roundLabel_->setText(QStringLiteral("[%1-%2]").arg(text.left(4), text.mid(4, 2)));
}

QString TfrmRatta::RoundLabel() const { return roundLabel_->text(); }
int32_t TfrmRatta::labelRound() const { return labelOmg_; }

void TfrmRatta::loadCurrentRound() {
    if (!nav_ || !nav_->HasRecord()) return;
    const checking::TFacitRec rec = nav_->Current();
    shownOmgId_ = rec.OmgID;
    showNote({});
    // The teams and the label of the round shown, not of the system's own
    // round: otherwise a round of another week shows under the wrong label.
    core::TVinraFile scratch;
    scratch.Omg = work_.Omg;
    std::vector<std::string> homes, aways;
    int count = 0;
    try {
        count = ctx_.db->LoadRoundTeams(scratch, rec.OmgID, rec.Typ, homes, aways);
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
    }
    if (count > 0) {
        setTeams(homes, aways);
    } else {
        setTeams(homes_, aways_);
    }
    if (rec.OmgID == work_.OmgID && count > 0 && scratch.Omg != work_.Omg) {
        work_.Omg = scratch.Omg;
        roundChanged_ = true;
    }
    setRoundLabel(rec.Omg);
    loadPeople();
    // A short stored row is padded and counted: the figures always belong to this round.
    session_->LoadRound(rec);
    display_ = session_->DisplayResult();
    writeSignCells();
    showRecount();
    computeBestRows();
    session_->GoalsFromResult();
    showResultInGoalTab();
}

void TfrmRatta::loadPeople() {
    checking::PercentTable people{};
    // No market figures until the game information is read: the chart then says why.
    const reduction::ValueModel none =
        reduction::MarketValueModel(work_.MatchCount, {}, {}, {}, 0, core::FirstWinLevel(work_.Typ));
    valueModel_ = none;
    if (net::GameInfoAvailable(work_.Typ) && !ctx_.dataFolder.empty()) {
        net::TSvSpelInfo info;
        try {
            info.Load(ctx_.dataFolder, work_, std::to_string(work_.OmgID));
            valueModel_ = ValueModelOfRound(info, work_.MatchCount, work_.Typ);
            for (int m = 0; m < work_.MatchCount; ++m)
                for (int s = 0; s < 3; ++s)
                    people[static_cast<size_t>(m)][static_cast<size_t>(s)] =
                        checking::PeoplePercentFromText(info.People[static_cast<size_t>(m)][static_cast<size_t>(s)]);
        } catch (const std::exception&) {
            people = {};  // no game information for the round: the line shows 0
            valueModel_ = none;
        }
    }
    session_->SetPeoplePercent(people);
    startValue();
}

void TfrmRatta::updateNavigation() {
    const bool have = nav_ && nav_->HasRecord();
    Action(QStringLiteral("actPrior"))->setEnabled(have && !nav_->Bof());
    Action(QStringLiteral("actNext"))->setEnabled(have && !nav_->Eof());
    const bool db = nav_ != nullptr;
    for (const char* name : {"actLocal", "actLastYear", "actNextYear", "actSave"})
        Action(QString::fromLatin1(name))->setEnabled(db);
}

void TfrmRatta::btnPriorClick() {
    if (nav_ && nav_->Prior()) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnNextClick() {
    if (nav_ && nav_->Next()) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnLastYearClick() {
    if (nav_ && nav_->Locate(labelRound() - 100)) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnNextYearClick() {
    if (nav_ && nav_->Locate(labelRound() + 100)) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::btnLocalClick() {
    if (!nav_) return;
    const QString text = QString::number(labelRound()).rightJustified(6, QLatin1Char('0'));
    const std::string year = text.left(4).toStdString(), week = text.mid(4, 2).toStdString();
    auto chosen =
        ctx_.chooseRound ? ctx_.chooseRound(this, year, week) : ChooseRound(this, QString(), year, week, ctx_.help);
    if (!chosen) return;
    const int32_t round = static_cast<int32_t>(core::RoundNumber(chosen->first + chosen->second));
    if (nav_->Locate(round)) {
        loadCurrentRound();
    } else {
        // Said plainly, and looked up on the web service when it can be.
        showRoundWithoutResult(round);
        lookUpOnService(round);
    }
    updateNavigation();
}

void TfrmRatta::btnWebClick() {
    if (!ctx_.downloadResults) return;
    const std::string typ = work_.Typ;
    if (ctx_.pool.pauseTipping && pause_->isChecked()) {
        // The download stores both halves; the window shows the base pool afterwards.
        const QSignalBlocker block(pause_);
        pause_->setChecked(false);
        work_.Typ = baseTyp_;
        resetNavigator();
    }
    const auto round = ctx_.downloadResults(this, work_);
    if (!round) return;
    setRoundLabel(*round);
    resetNavigator();
    if (nav_ && nav_->Locate(*round)) loadCurrentRound();
    updateNavigation();
}

void TfrmRatta::chkPausePoolClick(bool on) {
    work_.Typ = on ? pauseTyp_ : baseTyp_;
    const int32_t round = labelRound();
    resetNavigator();
    // A pool without the round shows an empty round: the other pool's row and
    // payouts left on screen would be saved as this pool's result.
    if (nav_ && nav_->Locate(round)) loadCurrentRound();
    else showRoundWithoutResult(round);
    updateNavigation();
}

void TfrmRatta::showRoundWithoutResult(int32_t round) {
    shownOmgId_ = 0;
    setRoundLabel(round);
    display_ = std::string(static_cast<size_t>(work_.MatchCount), '-');
    session_->Levels().ClearPayouts();
    writeSignCells();
    recount();
    computeBestRows();
    showNote(Fmt(checktext::kNoResultStored, {RoundText(round)}));
}

void TfrmRatta::btnClearClick() { resetAll(); }

void TfrmRatta::resetAll() {
    if (ctx_.prompter->question(this, M(504), false) != Answer::Yes) return;
    shownOmgId_ = 0;
    setRoundLabel(static_cast<int32_t>(core::RoundNumber(work_.Omg)));
    display_ = std::string(static_cast<size_t>(work_.MatchCount), '-');
    session_->Reset();
    writeSignCells();
    showRecount();
    computeBestRows();
    // The goal tab is part of what is reset: scores, marks, live state, log and sounds.
    if (goalTab_) goalTab_->ResetAll();
    marksModified_ = true;
}

// ---------------------------------------------------------------------------
// Saving and printing

void TfrmRatta::takePreliminaryWinnings() {
    // The operator's preliminary winnings (Svenska Spel pools only) fill a
    // prize table that is still empty, so the player need not copy them by hand.
    if (!goalTab_ || (baseTyp_ != "S" && baseTyp_ != "I")) return;
    const net::TResultInfo& pre = goalTab_->Preliminary();
    if (session_->Levels().TakePreliminary(pre.winners, pre.winAmount)) recount();
}

void TfrmRatta::btnSaveClick() {
    if (!ctx_.db || !ctx_.db->IsOpen()) return;
    takePreliminaryWinnings();
    const int n = work_.MatchCount;
    std::array<int, 4> levels{};
    SaveResultValues values;
    const QString label = RoundLabel();
    values.round = label.mid(1, label.size() - 2).toStdString();
    values.row = display_;
    for (int i = 0; i < 4; ++i) {
        const int level = checking::SlotLevel(checking::SlotNumber(i), n);
        levels[static_cast<size_t>(i)] = level;
        const checking::WinLevel* line = session_->Levels().Level(level);
        values.winners[static_cast<size_t>(i)] = line ? line->winners : std::string();
        values.payouts[static_cast<size_t>(i)] = core::FormatAmount(line ? line->payout : 0);
    }
    TfrmSave dialog(n, ctx_.pool.signs, levels, values, *ctx_.prompter,
                    ctx_.chooseRound ? TfrmSave::ChooseFn(ctx_.chooseRound) : TfrmSave::ChooseFn(), ctx_.help, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const SaveResultValues v = dialog.Values();

    checking::TFacitRec rec;
    rec.found = true;
    rec.Typ = work_.Typ;
    rec.Omg = static_cast<int32_t>(core::RoundNumber(v.round));
    // The record of the round shown: a stored round keeps its own draw number,
    // so saving never writes over another round's result. Only the system's
    // own round may take (or give) the system's draw number; any other round
    // without a record is keyed by its round integer, as rounds saved without
    // a draw number always were.
    const bool own = shownOmgId_ != 0 ? work_.OmgID != 0 && shownOmgId_ == work_.OmgID
                                      : labelRound() == static_cast<int32_t>(core::RoundNumber(work_.Omg));
    if (shownOmgId_ != 0) rec.OmgID = shownOmgId_;
    else if (own && work_.OmgID != 0) rec.OmgID = work_.OmgID;
    else rec.OmgID = rec.Omg;
    rec.Rad = v.row;
    for (size_t i = 0; i < 4; ++i) {
        rec.Winners[i] = checking::ReadCountText(v.winners[i]).value_or(0);
        rec.Payout[i] = checking::ParseAmount(v.payouts[i]).value_or(0);
    }
    try {
        ctx_.db->StoreResult(rec);
    } catch (const std::exception& e) {
        ctx_.prompter->error(this, Q(e.what()));
        return;
    }
    if (own && work_.OmgID == 0) work_.OmgID = rec.OmgID;
    // Show what was stored, and step on from it.
    resetNavigator();
    if (nav_) {
        nav_->Locate(rec.Omg);
        while (nav_->HasRecord() && nav_->Current().OmgID != rec.OmgID && nav_->Next() && !nav_->Eof()) {}
        if (nav_->HasRecord() && nav_->Current().OmgID == rec.OmgID) loadCurrentRound();
    }
    updateNavigation();
}

void TfrmRatta::btnPrintClick() {
    std::string omg = work_.Omg;
    const std::string today = ctx_.today ? ctx_.today() : QDate::currentDate().toString(Qt::ISODate).toStdString();
    if (omg.size() < 7) {
        omg = today.substr(0, 4) + omg;
        work_.Omg = omg;
    }
    TfrmSkrivUtVinst dialog(ctx_.help, this);
    dialog.move(geometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted) return;
    const checking::Recount& r = session_->Last();
    output::WinningsReportInput in;
    in.typ = work_.Typ;
    in.pool = work_.Pool;
    in.omg = work_.Omg;
    in.matchCount = work_.MatchCount;
    in.rowCount = static_cast<int64_t>(work_.Rader.size());
    in.pricePerRow = ctx_.pool.pricePerRow;
    in.signs = ctx_.pool.signs;
    // The round of the label: the round whose result is shown.
    const QString label = RoundLabel();
    in.roundText = output::ReportRoundText(label.mid(1, label.size() - 2).toStdString(), today.substr(0, 4));
    in.displayResult = display_;
    in.matchLabels = labels_;
    in.winningLines = r.check.winningLines;
    in.levels = output::SummaryLevels(work_.MatchCount, r.check.counts, session_->Levels());
    output::PrintDocument doc = dialog.Choice() == TfrmSkrivUtVinst::Report::Summary
                                    ? output::WinningSummaryDocument(in)
                                    : output::WinningRowsDocument(in);
    if (ctx_.showReport) ctx_.showReport(this, std::move(doc));
    else ShowReportPreview(this, std::move(doc), *ctx_.prompter, Q(ctx_.pdfFolder.string()));
}

// ---------------------------------------------------------------------------
// Live check

void TfrmRatta::btnUploadClick() {
    if (!ctx_.upload) return;
    if (!ctx_.upload(this, work_)) return;
    link_->setText(Q(work_.SalvikLink));
    filling_ = true;
    comment_->setPlainText(FromCrLf(work_.Comment));
    filling_ = false;
    marksModified_ = true;
}

void TfrmRatta::btnGoToLiveCheckClick() {
    const std::string link = work_.SalvikLink;
    if (link.empty()) {
        ctx_.prompter->information(this, M(checktext::kUploadFirst));
        return;
    }
    if (!output::IsCompleteHttpUrl(link)) {
        ctx_.prompter->error(this, Fmt(checktext::kNotAnAddress, {link}));
        return;
    }
    if (ctx_.openUrl) ctx_.openUrl(link);
}

void TfrmRatta::btnServiceHomeClick() {
    if (!output::IsCompleteHttpUrl(ctx_.serviceHome)) {
        ctx_.prompter->error(this, Fmt(checktext::kNotAnAddress, {ctx_.serviceHome}));
        return;
    }
    if (ctx_.openUrl) ctx_.openUrl(ctx_.serviceHome);
}

void TfrmRatta::btnDeleteLinkClick() {
    if (ctx_.prompter->question(this, M(checktext::kDeleteLinkQuestion), false) != Answer::Yes) return;
    work_.SalvikLink.clear();
    link_->clear();
    marksModified_ = true;
}

void TfrmRatta::btnSettingsClick() {
    if (ctx_.openSettings) ctx_.openSettings(this);
}

void TfrmRatta::btnCopyLinkClick() { QGuiApplication::clipboard()->setText(link_->text()); }

void TfrmRatta::btnPasteLinkClick() {
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    // Only a complete address becomes the link; anything else is named and
    // the field keeps what it had.
    if (!output::IsCompleteHttpUrl(text.toStdString())) {
        ctx_.prompter->error(this, Fmt(checktext::kNotAnAddress, {text.toStdString()}));
        return;
    }
    link_->setText(text);
    work_.SalvikLink = text.toStdString();
    marksModified_ = true;
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
