#include "ui/output/quick_view.h"

#include <algorithm>

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/signs.h"
#include "ui/core/localise.h"

namespace vinra::ui {
namespace {

constexpr int kSignWidth = 30;

QString SignText(int signColumn) {
    const auto& s = core::CurrentDisplaySigns();
    const std::string& text = signColumn == 1 ? s.home : signColumn == 2 ? s.draw : s.away;
    return QString::fromStdString(text);
}

}  // namespace

TfrmQuick::TfrmQuick(core::TVinraFile& doc, QWidget* parent, bool stayOnTop)
    : QWidget(parent, Qt::Tool | (stayOnTop ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())), doc_(doc) {
    setObjectName(QStringLiteral("frmQuick"));
    Tag(this, 57);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("grdQuick"));
    grid_->setColumnCount(3);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->verticalHeader()->setMinimumSectionSize(8);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int c = 0; c < 3; ++c) grid_->setColumnWidth(c, kSignWidth);
    connect(grid_, &QTableWidget::cellClicked, this,
            [this](int line, int column) { ToggleCell(column + 1, line + 1); });
    layout->addWidget(grid_);
    Localise(this);
    Refresh();
}

void TfrmQuick::Refresh() {
    matches_ = std::clamp<int>(doc_.MatchCount, 1, core::kMaxMatches);
    grid_->setRowCount(matches_);
    grid_->setHorizontalHeaderLabels({SignText(1), SignText(2), SignText(3)});
    QStringList labels;
    for (int m = 1; m <= matches_; ++m) labels << QString::number(m) + QLatin1Char('.');
    grid_->setVerticalHeaderLabels(labels);
    QFont bold = grid_->font();
    bold.setBold(true);
    for (int m = 1; m <= matches_; ++m) {
        grid_->setRowHeight(m - 1, rowHeight_);
        for (int c = 1; c <= 3; ++c) {
            if (!grid_->item(m - 1, c - 1)) {
                auto* item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                item->setFont(bold);
                grid_->setItem(m - 1, c - 1, item);
            }
            UpdateCell(c, m);
        }
    }
    fitHeight();
}

void TfrmQuick::UpdateCell(int signColumn, int match) {
    if (signColumn < 1 || signColumn > 3 || match < 1 || match > matches_) return;
    const bool marked = static_cast<size_t>(match) <= doc_.Grundrad.size() &&
                        core::EntryHas(doc_.Grundrad[match - 1], static_cast<char>('0' + signColumn - 1));
    grid_->item(match - 1, signColumn - 1)->setText(marked ? SignText(signColumn) : QString());
}

bool TfrmQuick::CellMarked(int signColumn, int match) const {
    if (signColumn < 1 || signColumn > 3 || match < 1 || match > matches_) return false;
    return !grid_->item(match - 1, signColumn - 1)->text().isEmpty();
}

void TfrmQuick::ToggleCell(int signColumn, int match) {
    if (!inputEnabled_ || signColumn < 1 || signColumn > 3 || match < 1 || match > matches_) return;
    auto* item = grid_->item(match - 1, signColumn - 1);
    item->setText(item->text().isEmpty() ? SignText(signColumn) : QString());
    // The entry is written anew from the three cells, in sign order and compact.
    std::string entry;
    for (int c = 1; c <= 3; ++c)
        if (CellMarked(c, match)) entry += static_cast<char>('0' + c - 1);
    if (doc_.Grundrad.size() < static_cast<size_t>(matches_)) doc_.Grundrad.resize(matches_);
    doc_.Grundrad[match - 1] = entry;
    emit frameEdited(signColumn, match);
}

void TfrmQuick::SetRowHeight(int pixels) {
    rowHeight_ = std::max(8, pixels);
    for (int m = 0; m < grid_->rowCount(); ++m) grid_->setRowHeight(m, rowHeight_);
    fitHeight();
}

void TfrmQuick::fitHeight() {
    const int lines = matches_ + 1;  // the heading line too
    grid_->horizontalHeader()->setFixedHeight(rowHeight_);
    const int width = grid_->verticalHeader()->sizeHint().width() + 3 * kSignWidth + 2 * grid_->frameWidth() + 4;
    setFixedSize(width, lines * rowHeight_ + matches_ + 30);
}

}  // namespace vinra::ui
