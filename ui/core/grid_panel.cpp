#include "ui/core/grid_panel.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QUndoCommand>
#include <QVBoxLayout>

#include "checking/engine.h"
#include "checking/winnings.h"
#include "core/messages.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "net/game_info.h"
#include "stats/team_logos.h"
#include "ui/core/document_session.h"
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

// Messages of this panel.
constexpr int kMsgToggleSign = 1002;   // undo text of a sign
constexpr int kMsgDeadline = 3199;     // "Deadline %s" in the round line
constexpr int kMsgRenameMatch = 1008;  // undo text of a renamed match
constexpr int kMsgDeleteMatch = 1009;  // undo text of a deleted match
constexpr int kMsgTotal = 1015;        // "Total:" line of the result list
constexpr int kMsgAskDelete = 1016;    // "Do you want to delete match no. %d?"
constexpr int kMsgUpdateMatch = 1017;  // title of the rename boxes
constexpr int kMsgNewHome = 1018;      // "Enter a new name for the home team:"
constexpr int kMsgNewAway = 1019;      // "Enter a new name for the away team:"
constexpr int kMsgMatchNotFound = 1022;
constexpr int kMsgMatchRenamed = 1023;
constexpr int kMsgMatchDeleted = 1024;

const QColor kResultGreen(192, 255, 192);
const QColor kSignText(20, 60, 130);

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

constexpr int kRowHeight = 30;
constexpr int kRowHeightWithPeople = 36;
// The largest the pool's picture under the grid is drawn.
constexpr QSize kPictureSize(360, 200);

// A sign cell with the people's percentage: the sign above, the percentage
// small and grey below it; background, selection and focus as any cell.
class SignCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString people = index.data(kPeopleRole).toString();
        if (people.isEmpty()) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem o(option);
        initStyleOption(&o, index);
        const QString sign = o.text;
        o.text.clear();
        const QWidget* w = o.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &o, painter, w);
        QFont small = o.font;
        small.setBold(false);
        small.setPointSizeF(o.font.pointSizeF() * 0.62);
        const int smallHeight = QFontMetrics(small).height();
        const QRect r = o.rect;
        const QRect bottom(r.left(), r.bottom() - smallHeight, r.width(), smallHeight);
        const QRect top(r.left(), r.top() + 1, r.width(), r.height() - smallHeight - 1);
        painter->save();
        painter->setFont(o.font);
        painter->setPen(o.palette.color(QPalette::Text));
        painter->drawText(top, Qt::AlignCenter, sign);
        painter->setFont(small);
        painter->setPen(QColor(105, 112, 122));
        painter->drawText(bottom, Qt::AlignHCenter | Qt::AlignTop, people);
        painter->restore();
    }
};
std::string S(const QString& s) { return s.toStdString(); }

int RoundInteger(const std::string& omg) {
    const std::string digits = core::KeepChars(omg, "0123456789");
    return digits.empty() || digits.size() > 9 ? 0 : std::stoi(digits);
}

// A match renamed or deleted in the games database, undone by renaming it
// back or storing it again. The edit is made before the entry is pushed.
class MatchEditCommand : public QUndoCommand {
public:
    MatchEditCommand(checking::TTipsData& db, checking::MatchRecord before, std::optional<checking::MatchRecord> after,
                     std::function<void()> reload)
        : QUndoCommand(M(after ? kMsgRenameMatch : kMsgDeleteMatch)),
          db_(db),
          before_(std::move(before)),
          after_(std::move(after)),
          reload_(std::move(reload)) {}

    void redo() override {
        if (first_) {
            first_ = false;
            return;
        }
        apply(after_);
    }
    void undo() override { apply(before_); }

private:
    void apply(const std::optional<checking::MatchRecord>& state) {
        try {
            if (!state) {
                db_.EditOrDeleteMatch(before_.Typ, before_.Home, before_.Away, before_.Match, before_.OmgID, false);
            } else if (db_.EditOrDeleteMatch(state->Typ, state->Home, state->Away, state->Match, state->OmgID, true) ==
                       checking::MatchOutcome::NotFound) {
                // The match was deleted: store it again under its round.
                core::TVinraFile round;
                round.OmgID = state->OmgID;
                std::vector<std::string> homes(state->Match), aways(state->Match);
                homes.back() = state->Home;
                aways.back() = state->Away;
                db_.SaveGames(round, state->Omg, state->Typ, homes, aways);
            }
        } catch (const checking::DatabaseError&) {}
        if (reload_) reload_();
    }

    checking::TTipsData& db_;
    checking::MatchRecord before_;
    std::optional<checking::MatchRecord> after_;
    std::function<void()> reload_;
    bool first_ = true;
};

// The picture or result list under the grid asks for no room of its own: the
// grid gets the height of all its matches first, and this takes what is left
// (the picture shrinks to fit it). On a small screen both shrink and the grid
// scrolls; the window's minimum size is not raised.
class LeftoverRoomStack : public QStackedWidget {
public:
    using QStackedWidget::QStackedWidget;
    QSize sizeHint() const override { return {QStackedWidget::sizeHint().width(), 1}; }
    QSize minimumSizeHint() const override { return {QStackedWidget::minimumSizeHint().width(), 1}; }
};

}  // namespace

TipsGridPanel::TipsGridPanel(const ShellContext& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("pnlTips"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(6);
    auto* head = new QHBoxLayout;
    roundLine_ = new QLabel(this);
    roundLine_->setObjectName(QStringLiteral("lblRound"));
    QFont big = roundLine_->font();
    big.setPointSizeF(big.pointSizeF() * 1.25);
    big.setBold(true);
    roundLine_->setFont(big);
    head->addWidget(roundLine_, 1);
    poolLogo_ = new QLabel(this);
    poolLogo_->setObjectName(QStringLiteral("imgPoolLogo"));
    poolLogo_->setVisible(false);
    head->addWidget(poolLogo_);
    layout->addLayout(head);

    grid_ = new QTableWidget(0, kGridColumns, this);
    grid_->setObjectName(QStringLiteral("grdTipsGrid"));
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
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
    grid_->setStyleSheet(
        QStringLiteral("QTableWidget#grdTipsGrid { gridline-color: #d5dbe3; background: white; }"
                       "QTableWidget#grdTipsGrid::item:selected { background: #cfe3fb; color: black; }"));
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
        if (QApplication::keyboardModifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) return;
        if (col >= kColSign && col < kColSign + 3) ToggleSign(row + 1, col - kColSign);
    });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int col) {
        if (col < kColSign) emit setFrameRequested(row + 1);
    });
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);
    for (int c = kColSign; c < kColSign + 3; ++c) grid_->setItemDelegateForColumn(c, new SignCellDelegate(grid_));
    showPeople_ = shell_.program.settings.showPeople;
    layout->addWidget(grid_);

    resultStack_ = new LeftoverRoomStack(this);
    resultStack_->setObjectName(QStringLiteral("stkResult"));
    resultPicture_ = new QLabel(resultStack_);
    resultPicture_->setObjectName(QStringLiteral("imgPicture"));
    resultPicture_->setAlignment(Qt::AlignCenter);
    // The picture shrinks to whatever room the grid leaves (fitPicture).
    resultPicture_->setMinimumSize(1, 1);
    resultPicture_->installEventFilter(this);
    resultStack_->addWidget(resultPicture_);
    resultList_ = new QTableWidget(0, 4, resultStack_);
    resultList_->setObjectName(QStringLiteral("lvResult"));
    resultList_->verticalHeader()->setVisible(false);
    resultList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultList_->setSelectionMode(QAbstractItemView::NoSelection);
    resultList_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    resultList_->verticalHeader()->setDefaultSectionSize(24);
    resultStack_->addWidget(resultList_);
    layout->addWidget(resultStack_, 1);

    auto& session = shell_.session;
    connect(&session, &DocumentSession::frameChanged, this, [this] {
        // A new N needs new grid rows; otherwise only the signs change.
        if (grid_->rowCount() != std::clamp(shell_.session.MatchCount(), 1, core::kMaxMatches)) {
            rebuildGrid();
        } else {
            // A window that changed the frame may have fetched the round's information.
            if (GameInfoStamp() != peopleStamp_) {
                loadPeople();
                updateRoundLine();
            }
            redrawSigns();
        }
    });
    connect(&session, &DocumentSession::teamsChanged, this, &TipsGridPanel::rebuildGrid);
    connect(&session, &DocumentSession::roundChanged, this, [this] {
        updateRoundLine();
        ReloadGameInfo();
        showResult();
    });
    connect(&session, &DocumentSession::rowsChanged, this, &TipsGridPanel::showResult);
    connect(&session, &DocumentSession::resultChanged, this, &TipsGridPanel::showResult);
    connect(&session, &DocumentSession::documentReset, this, [this] {
        warnedFrameChange_ = false;
        rebuildGrid();
        // An opened system shows how it did in its round; a new one starts with the picture.
        if (shell_.session.IsUntitled()) hideResult();
        else showResult();
    });
}

QString TipsGridPanel::RoundLine() const { return roundLine_->text(); }

bool TipsGridPanel::ResultShown() const { return resultStack_->currentWidget() == resultList_; }

int TipsGridPanel::CurrentMatch() const { return std::max(grid_->currentRow(), 0) + 1; }

void TipsGridPanel::hideResult() {
    result_ = checking::TFacitRec();
    resultStack_->setCurrentWidget(resultPicture_);
    redrawSigns();
}

void TipsGridPanel::Relocalise() {
    rebuildGrid();
    showResult();
}

void TipsGridPanel::PoolSwitched() {
    auto& program = shell_.program;
    const core::PoolSettings ps = program.national.Settings(shell_.session.Doc().Pool);
    QPixmap logo;
    if (!ps.img.empty()) logo.load(Q((program.DataFolder() / ps.img).string()));
    if (!logo.isNull()) poolLogo_->setPixmap(logo.scaledToHeight(36, Qt::SmoothTransformation));
    picture_ = logo;
    fitPicture();
    poolLogo_->setVisible(!logo.isNull());
    rebuildGrid();
}

void TipsGridPanel::ReloadLogos() { rebuildGrid(); }

void TipsGridPanel::fitPicture() {
    if (picture_.isNull()) {
        resultPicture_->setPixmap(QPixmap());
        return;
    }
    const QSize room = resultPicture_->size().boundedTo(kPictureSize);
    const QPixmap shown = picture_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (resultPicture_->pixmap().size() != shown.size()) resultPicture_->setPixmap(shown);
}

QSize TipsGridPanel::PictureShownSize() const { return resultPicture_->pixmap().size(); }

void TipsGridPanel::SetPeopleShown(bool on) {
    if (on == showPeople_) return;
    showPeople_ = on;
    redrawSigns();
}

void TipsGridPanel::ReloadGameInfo() {
    loadPeople();
    redrawSigns();
    updateRoundLine();  // the information may bring the deadline
}

std::string TipsGridPanel::GameInfoStamp() const {
    std::error_code ec;
    const fs::path file = shell_.program.StatisticsFile();
    const auto time = fs::last_write_time(file, ec);
    if (ec) return {};
    return file.string() + "@" + std::to_string(time.time_since_epoch().count());
}

void TipsGridPanel::loadPeople() {
    havePeople_ = false;
    people_ = {};
    peopleStamp_ = GameInfoStamp();
    const int n = std::clamp(shell_.session.MatchCount(), 1, core::kMaxMatches);
    const fs::path file = shell_.program.StatisticsFile();
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return;
    try {
        // Only information for this round's number of matches fits the grid.
        const core::IniFile ini = core::IniFile::FromFile(file);
        if (!ini.HasSection("Game" + std::to_string(n - 1)) || ini.HasSection("Game" + std::to_string(n))) return;
        net::TSvSpelInfo info;
        info.Load(file, n);
        for (int m = 0; m < n; ++m)
            for (int s = 0; s < 3; ++s) {
                // The file is written by hand as often as downloaded: only a
                // share of the people is shown, never a figure out of range.
                const double share = info.PeopleValue[m][s];
                people_[m][s] = share > 0 && share <= 100 ? share : 0;
                if (people_[m][s] > 0) havePeople_ = true;
            }
    } catch (const std::exception&) {
        // An unreadable file shows no percentages; the statistics window reports it.
        havePeople_ = false;
    }
}

void TipsGridPanel::updateRoundLine() {
    const auto& doc = shell_.session.Doc();
    // The deadline of the round's game information, else the one the list of
    // open rounds gives for this round: a player sees when his bet must be in.
    std::string deadline = net::GameInfoDeadline(shell_.program.StatisticsFile());
    if (deadline.empty()) {
        const auto pools = net::ActivePoolsFile::Load(shell_.program.ActivePoolsPath());
        for (const auto& e : pools.Entries(net::LocalNow()))
            if (e.code == doc.Typ && e.omgId == doc.OmgID) {
                deadline = e.deadline;
                break;
            }
    }
    const QString dot = QStringLiteral("   ·   ");
    // The message ends in a space; the line is shown with single spaces.
    QString line = Q(core::Msg(423) + " " + doc.Omg).simplified();
    if (!deadline.empty()) line += dot + Q(core::FormatMsg(core::Msg(kMsgDeadline), {deadline}));
    if (!doc.Pool.empty()) line += dot + Q(doc.Pool);  // no dangling dot before nothing
    roundLine_->setText(line);
}

void TipsGridPanel::rebuildGrid() {
    const auto& session = shell_.session;
    const auto& homes = session.HomeTeams();
    const auto& aways = session.AwayTeams();
    const int n = std::clamp(session.MatchCount(), 1, core::kMaxMatches);
    const auto& signs = core::CurrentDisplaySigns();
    QStringList headers;
    headers << T(UiText::MatchColumn) << M(67) << QString() << QString() << M(68) << Q(signs.home) << Q(signs.draw)
            << Q(signs.away);
    grid_->setHorizontalHeaderLabels(headers);
    grid_->setRowCount(n);
    loadLogos();
    for (int r = 0; r < n; ++r) {
        const std::string home = r < static_cast<int>(homes.size()) ? homes[r] : std::string();
        const std::string away = r < static_cast<int>(aways.size()) ? aways[r] : std::string();
        auto* num = new QTableWidgetItem(QString::number(r + 1));
        num->setTextAlignment(Qt::AlignCenter);
        num->setForeground(QColor(110, 116, 126));
        grid_->setItem(r, kColNumber, num);
        // The team names as tool tips, when the player wants them (long names are cut in the grid).
        const bool tips = shell_.program.settings.toolTip;
        auto* h = new QTableWidgetItem(Q(home));
        if (tips) h->setToolTip(Q(home));
        grid_->setItem(r, kColHome, h);
        auto* hl = new QTableWidgetItem;
        hl->setData(Qt::DecorationRole, teamLogo(home));
        grid_->setItem(r, kColHomeLogo, hl);
        auto* al = new QTableWidgetItem;
        al->setData(Qt::DecorationRole, teamLogo(away));
        grid_->setItem(r, kColAwayLogo, al);
        auto* a = new QTableWidgetItem(Q(away));
        if (tips) a->setToolTip(Q(away));
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
    const bool anyLogo =
        std::any_of(logoCache_.begin(), logoCache_.end(), [](const auto& entry) { return !entry.second.isNull(); });
    grid_->setColumnHidden(kColHomeLogo, !anyLogo);
    grid_->setColumnHidden(kColAwayLogo, !anyLogo);
    loadPeople();
    redrawSigns();
    updateRoundLine();
    grid_->updateGeometry();
}

void TipsGridPanel::redrawSigns() {
    const auto& doc = shell_.session.Doc();
    const auto& signs = core::CurrentDisplaySigns();
    const std::string display[3] = {signs.home, signs.draw, signs.away};
    std::string facit;
    if (result_.found) facit = core::DisplayToSigns(result_.Rad);
    const bool people = showPeople_ && havePeople_;
    const int rowHeight = people ? kRowHeightWithPeople : kRowHeight;
    grid_->verticalHeader()->setDefaultSectionSize(rowHeight);
    for (int r = 0; r < grid_->rowCount(); ++r) grid_->setRowHeight(r, rowHeight);
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const std::string entry = r < static_cast<int>(doc.Grundrad.size()) ? doc.Grundrad[r] : std::string();
        for (int s = 0; s < 3; ++s) {
            QTableWidgetItem* cell = grid_->item(r, kColSign + s);
            if (!cell) continue;
            const bool marked = core::EntryHas(entry, static_cast<char>('0' + s));
            cell->setText(marked ? Q(display[s]) : QString());
            const double share = r < core::kMaxMatches ? people_[r][s] : 0;
            cell->setData(kPeopleRole, people && share > 0 ? QStringLiteral("%1%").arg(qRound(share)) : QString());
            const bool isResult = r < static_cast<int>(facit.size()) && facit[r] == '0' + s;
            cell->setBackground(isResult ? QBrush(kResultGreen) : QBrush(Qt::white));
        }
    }
}

void TipsGridPanel::loadLogos() {
    logoCache_.clear();
    const fs::path dataFolder = shell_.program.DataFolder();
    core::IniFile stat, logo;
    std::error_code ec;
    try {
        if (fs::exists(dataFolder / "teamstat.ini", ec)) stat = core::IniFile::FromFile(dataFolder / "teamstat.ini");
        if (fs::exists(dataFolder / "teamlogo.ini", ec)) logo = core::IniFile::FromFile(dataFolder / "teamlogo.ini");
    } catch (const core::FileError&) {}
    auto load = [&](const std::string& team) {
        if (team.empty() || logoCache_.count(team)) return;
        const std::string alias = stat.ReadString("Alias", team, team);
        const std::string url = logo.ReadString("Images", alias);
        QPixmap pm;
        // The picture lies under the name the logo download gave it.
        const std::string file = stats::LogoFileName(url);
        if (!file.empty()) {
            QPixmap raw(Q((dataFolder / "Cache" / "Images" / file).string()));
            if (!raw.isNull()) pm = raw.scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        logoCache_[team] = pm;
    };
    for (const auto& t : shell_.session.HomeTeams()) load(t);
    for (const auto& t : shell_.session.AwayTeams()) load(t);
}

QPixmap TipsGridPanel::teamLogo(const std::string& team) const {
    auto it = logoCache_.find(team);
    return it == logoCache_.end() ? QPixmap() : it->second;
}

void TipsGridPanel::ToggleSign(int match, int sign) {
    auto& session = shell_.session;
    if (match < 1 || match > session.MatchCount() || sign < 0 || sign > 2) return;
    session.ToggleSign(match, sign);
    // The rows stay as they are: the player is told once that they no longer fit the frame.
    if (!session.Doc().Rader.empty() && !warnedFrameChange_) {
        warnedFrameChange_ = true;
        shell_.prompter.information(shell_.window, M(600));
    }
}

// The result of the round from the database; the rows' counts per number of
// right signs come from the checking engine, the payouts and level wins from
// the winnings table of the pool.
void TipsGridPanel::showResult() {
    auto& program = shell_.program;
    const auto& doc = shell_.session.Doc();
    result_ = checking::TFacitRec();
    if (program.db.IsOpen()) {
        try {
            result_ = program.db.FindResult(doc.Typ, doc.OmgID);
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
    const auto& signs = core::CurrentDisplaySigns();
    std::string facit = core::DisplayToSigns(result_.Rad);
    facit.resize(n, '-');
    const checking::RowChecker checker(doc.Rader, n);
    std::array<int32_t, core::kMaxMatches> noGoals{};
    noGoals.fill(-1);
    const checking::CheckResult checked = checker.Check(facit, noGoals, noGoals, 12, signs);
    std::vector<int64_t> counts = checked.counts;
    counts.resize(n + 1, 0);
    checking::WinningsTable table(n, doc.Typ);
    table.LoadSlots(result_);
    table.SetCounts(counts);

    resultList_->setRowCount(n + 2);
    auto put = [&](int r, int c, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(c == 0 ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
        resultList_->setItem(r, c, item);
    };
    int r = 0;
    for (int k = n; k >= 0; --k, ++r) {
        put(r, 0, QString::number(k));
        put(r, 1, Q(core::GroupDigits(counts[k])));
        // The four highest levels show their payout, also a level the pool does not pay (0,00).
        if (k >= n - 3) {
            const checking::WinLevel* level = table.Level(k);
            put(r, 2, Q(core::FormatAmount(level ? level->payout : 0)));
            put(r, 3, Q(core::FormatAmount(level ? level->levelWin : 0)));
        } else {
            put(r, 2, QString());
            put(r, 3, QString());
        }
    }
    put(r, 0, M(kMsgTotal));
    put(r, 1, Q(core::GroupDigits(static_cast<int64_t>(doc.Rader.size()))));
    put(r, 2, QString());
    put(r, 3, Q(core::FormatAmount(table.WinTotals(static_cast<int64_t>(doc.Rader.size()), 0).total)));
    QFont bold = resultList_->font();
    bold.setBold(true);
    for (int c = 0; c < 4; ++c)
        if (auto* item = resultList_->item(r, c)) item->setFont(bold);
    resultStack_->setCurrentWidget(resultList_);
    redrawSigns();
}

void TipsGridPanel::MaintainMatch(int match) {
    auto& program = shell_.program;
    auto& prompter = shell_.prompter;
    auto& session = shell_.session;
    const auto& doc = session.Doc();
    if (match < 1 || match > doc.MatchCount || !program.db.IsOpen()) return;
    const auto& homes = session.HomeTeams();
    const auto& aways = session.AwayTeams();
    const std::string home = match <= static_cast<int>(homes.size()) ? homes[match - 1] : std::string();
    const std::string away = match <= static_cast<int>(aways.size()) ? aways[match - 1] : std::string();
    checking::MatchRecord before{RoundInteger(doc.Omg), match, doc.Typ, home, away, doc.OmgID};
    std::optional<checking::MatchRecord> after;
    checking::MatchOutcome outcome = checking::MatchOutcome::NotFound;
    try {
        for (const auto& g : program.db.RoundGames(doc.OmgID, doc.Typ))
            if (g.Match == match) before.Omg = g.Omg;
        if (prompter.question(shell_.window,
                              Q(core::FormatMsg(core::Msg(kMsgAskDelete), {static_cast<long long>(match)})),
                              false) == Answer::Yes) {
            outcome = program.db.EditOrDeleteMatch(doc.Typ, home, away, match, doc.OmgID, false);
        } else {
            const QString title = M(kMsgUpdateMatch);
            const auto newHome = prompter.inputText(shell_.window, title, M(kMsgNewHome), Q(home));
            if (!newHome) return;
            const auto newAway = prompter.inputText(shell_.window, title, M(kMsgNewAway), Q(away));
            if (!newAway) return;
            after = before;
            after->Home = S(*newHome);
            after->Away = S(*newAway);
            outcome = program.db.EditOrDeleteMatch(doc.Typ, after->Home, after->Away, match, doc.OmgID, true);
        }
    } catch (const checking::DatabaseError& e) {
        prompter.error(shell_.window, Q(e.what()));
        return;
    }
    switch (outcome) {
        case checking::MatchOutcome::NotFound: prompter.error(shell_.window, M(kMsgMatchNotFound)); return;
        case checking::MatchOutcome::Edited: prompter.information(shell_.window, M(kMsgMatchRenamed)); break;
        case checking::MatchOutcome::Deleted: prompter.information(shell_.window, M(kMsgMatchDeleted)); break;
    }
    session.PushCommand(new MatchEditCommand(program.db, before, after, [this] { emit teamsEdited(); }));
    emit teamsEdited();
}

bool TipsGridPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == resultPicture_ && event->type() == QEvent::Resize) fitPicture();
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && (me->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) ==
                                                  (Qt::ControlModifier | Qt::ShiftModifier)) {
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
            emit setFrameRequested(row + 1);
            return true;
        }
        // Players type the signs: 1, X and 2, or the pool's own letters.
        const QString typed = ke->text().trimmed().toUpper();
        if (row >= 0 && typed.size() == 1 && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const auto& signs = core::CurrentDisplaySigns();
            const QString own[3] = {Q(signs.home).toUpper(), Q(signs.draw).toUpper(), Q(signs.away).toUpper()};
            const QString plain[3] = {QStringLiteral("1"), QStringLiteral("X"), QStringLiteral("2")};
            for (int s = 0; s < 3; ++s) {
                if (typed == own[s] || typed == plain[s]) {
                    ToggleSign(row + 1, s);
                    return true;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vinra::ui
