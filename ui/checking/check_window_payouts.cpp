#include "ui/checking/check_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTableWidget>

#include <algorithm>

#include "checking/engine.h"
#include "net/game_info.h"
#include "output/coupon_print.h"
#include "output/row_files.h"
#include "reduction/conditions.h"
#include "ui/checking/check_texts.h"
#include "ui/checking/check_window_helpers.h"
#include "ui/checking/goal_service_tab.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"

namespace vinra::ui {

using namespace checkwin;

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

}  // namespace vinra::ui
