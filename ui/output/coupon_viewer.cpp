#include "ui/output/coupon_viewer.h"

#include <algorithm>

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/signs.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"

namespace vinra::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
QString F(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

constexpr int kLabelWidth = 36;
constexpr int kBoxWidth = 24;
constexpr int kLineHeight = 22;
const QColor kShade(232, 236, 242);
const QColor kHeadingShade(208, 216, 228);
const QColor kHeading(244, 246, 250);
const QColor kClicked(255, 236, 160);
const QColor kRed(200, 0, 0);
const QColor kGreen(0, 140, 40);

}  // namespace

TfrmView::TfrmView(const core::TVinraFile& doc, int rowsPerCoupon, Prompter& prompter, CouponViewerHooks hooks,
                   QWidget* parent)
    : QDialog(parent),
      model_(doc.Rader.Strings(), rowsPerCoupon),
      prompter_(prompter),
      hooks_(std::move(hooks)),
      facit_(doc.Facit),
      systemTyp_(doc.SystemTyp) {
    SetHelpPage(this, "viewer.htm");
    // N from the document; a document without it still shows its rows.
    matches_ = doc.MatchCount;
    if (matches_ < 1) matches_ = doc.Rader.empty() ? core::kDefaultMatches : static_cast<int>(doc.Rader[0].size());
    matches_ = std::clamp(matches_, 1, core::kMaxMatches);
    setObjectName(QStringLiteral("frmView"));
    build();
    Localise(this);
    redisplay();
}

void TfrmView::build() {
    const int r = model_.RowsPerCoupon();
    auto* layout = new QVBoxLayout(this);

    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("lblTitle"));
    QFont tf = title_->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.2);
    title_->setFont(tf);

    auto* bar = new QHBoxLayout;
    auto addButton = [&](const char* name, int msg, void (TfrmView::*slot)()) {
        auto* b = Tag(new QPushButton(this), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, slot] { (this->*slot)(); });
        bar->addWidget(b);
        return b;
    };
    addButton("btnFirst", 243, &TfrmView::FirstClick);
    addButton("btnPrior", 244, &TfrmView::PriorClick);
    couponList_ = new QComboBox(this);
    couponList_->setObjectName(QStringLiteral("cmbCoupon"));
    connect(couponList_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0) ShowCoupon(i + 1);
    });
    bar->addWidget(couponList_);
    addButton("btnNext", 245, &TfrmView::NextClick);
    addButton("btnLast", 246, &TfrmView::LastClick);
    bar->addSpacing(12);
    addButton("btnPrintCoupon", 247, &TfrmView::PrintCouponClick);
    addButton("btnPrinterSetup", 248, &TfrmView::PrinterSetupClick);
    bar->addStretch();
    auto* close = Tag(new QPushButton(this), 240);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    bar->addWidget(close);

    layout->addWidget(title_);
    layout->addLayout(bar);

    // One table drawn as the coupon: a line of row numbers, a line of sign
    // headings, one line per match and a line of right counts.
    grid_ = new QTableWidget(matches_ + 3, 3 * r + 1, this);
    grid_->setObjectName(QStringLiteral("grdView"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setFocusPolicy(Qt::NoFocus);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->horizontalHeader()->setMinimumSectionSize(8);
    grid_->verticalHeader()->setMinimumSectionSize(8);
    grid_->setColumnWidth(0, kLabelWidth);
    for (int c = 1; c <= 3 * r; ++c) grid_->setColumnWidth(c, kBoxWidth);
    for (int l = 0; l < grid_->rowCount(); ++l) grid_->setRowHeight(l, kLineHeight);
    QFont bold = grid_->font();
    bold.setBold(true);
    const auto& signs = core::CurrentDisplaySigns();
    const QString heads[3] = {Q(signs.home), Q(signs.draw), Q(signs.away)};
    for (int l = 0; l < grid_->rowCount(); ++l) {
        for (int c = 0; c < grid_->columnCount(); ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            const int j = c == 0 ? 0 : (c - 1) / 3 + 1;
            const bool shaded = j > 0 && j % 2 == 0;
            if (l <= 1) {
                item->setBackground(shaded ? kHeadingShade : kHeading);
                item->setFont(bold);
            } else if (shaded) {
                item->setBackground(kShade);
            }
            if (c > 0 && l == 1) item->setText(heads[(c - 1) % 3]);
            if (c == 0 && l >= 2 && l <= matches_ + 1) {
                item->setText(QString::number(l - 1) + QLatin1Char('.'));
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (l > 1 && c > 0) item->setFont(bold);
            grid_->setItem(l, c, item);
        }
    }
    for (int j = 1; j <= r; ++j) {
        grid_->setSpan(0, GridColumn(j, 1), 1, 3);
        grid_->setSpan(RightLine(), GridColumn(j, 1), 1, 3);
        grid_->item(0, GridColumn(j, 1))->setText(QString::number(j));
    }
    const int frame = 2 * grid_->frameWidth();
    grid_->setFixedSize(kLabelWidth + 3 * r * kBoxWidth + frame, grid_->rowCount() * kLineHeight + frame);
    connect(grid_, &QTableWidget::cellPressed, this, &TfrmView::gridClicked);
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = grid_->indexAt(pos);
        if (index.isValid()) gridClicked(index.row(), index.column());
        ContextMenu()->exec(grid_->viewport()->mapToGlobal(pos));
    });
    layout->addWidget(grid_, 0, Qt::AlignLeft | Qt::AlignTop);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("mnuView"));
    auto addAction = [&](const char* name, int msg, void (TfrmView::*slot)()) {
        auto* a = Tag(new QAction(this), msg);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
        menu_->addAction(a);
    };
    addAction("actInsertRow", 249, &TfrmView::InsertRowClick);
    addAction("actDeleteRow", 250, &TfrmView::DeleteRowClick);
    addAction("actDeleteCoupon", 251, &TfrmView::DeleteCouponClick);
    menu_->addSeparator();
    addAction("actFirst", 243, &TfrmView::FirstClick);
    addAction("actPrior", 244, &TfrmView::PriorClick);
    addAction("actNext", 245, &TfrmView::NextClick);
    addAction("actLast", 246, &TfrmView::LastClick);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QAction* TfrmView::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }
QPushButton* TfrmView::Button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

QMenu* TfrmView::ContextMenu() {
    updateActions();
    return menu_;
}

void TfrmView::ShowCoupon(int k) {
    model_.SetCurrent(k);
    redisplay();
}

void TfrmView::SetClickedColumn(int couponColumn) {
    clicked_ = std::clamp(couponColumn, 0, model_.RowsPerCoupon());
    for (int j = 1; j <= model_.RowsPerCoupon(); ++j) {
        const bool shaded = j % 2 == 0;
        grid_->item(0, GridColumn(j, 1))->setBackground(j == clicked_ ? kClicked : shaded ? kHeadingShade : kHeading);
    }
    updateActions();
}

void TfrmView::gridClicked(int, int column) { SetClickedColumn(column <= 0 ? 0 : (column - 1) / 3 + 1); }

void TfrmView::redisplay() {
    const int k = model_.Current();
    const int count = model_.PageCount();
    const QString title = F(474, {static_cast<long long>(k), static_cast<long long>(count)});
    setWindowTitle(title);
    title_->setText(title);
    {
        const QSignalBlocker block(couponList_);
        if (couponList_->count() != count) {
            couponList_->clear();
            for (int i = 1; i <= count; ++i) couponList_->addItem(QString::number(i));
        }
        couponList_->setCurrentIndex(k - 1);
    }
    const int r = model_.RowsPerCoupon();
    for (int c = 1; c <= 3 * r; ++c)
        for (int m = 1; m <= matches_; ++m) grid_->item(MatchLine(m), c)->setText(QString());
    const auto& signs = core::CurrentDisplaySigns();
    for (int j = 1; j <= r; ++j) {
        QTableWidgetItem* right = grid_->item(RightLine(), GridColumn(j, 1));
        const std::string* row = model_.RowAt(j);
        if (!row) {
            right->setText(QString());
            continue;
        }
        const int shown = std::min<int>(matches_, static_cast<int>(row->size()));
        for (int m = 1; m <= shown; ++m) {
            const output::CouponMark mark = output::MarkOf((*row)[m - 1], signs);
            grid_->item(MatchLine(m), GridColumn(j, mark.box + 1))->setText(Q(mark.text));
        }
        const int rights = output::RightCount(*row, facit_);
        right->setText(QString::number(rights));
        right->setForeground(rights >= output::kGoodRightCount ? kGreen : kRed);
    }
    updateActions();
}

void TfrmView::updateActions() {
    const int k = model_.Current();
    const int count = model_.PageCount();
    const bool onRow = model_.RowAt(clicked_) != nullptr;
    for (const char* name : {"actFirst", "btnFirst", "actPrior", "btnPrior"}) {
        if (auto* a = Action(QLatin1String(name))) a->setEnabled(k > 1);
        if (auto* b = Button(QLatin1String(name))) b->setEnabled(k > 1);
    }
    for (const char* name : {"actNext", "btnNext", "actLast", "btnLast"}) {
        if (auto* a = Action(QLatin1String(name))) a->setEnabled(k < count);
        if (auto* b = Button(QLatin1String(name))) b->setEnabled(k < count);
    }
    Action(QStringLiteral("actDeleteRow"))->setEnabled(onRow);
    Action(QStringLiteral("actDeleteCoupon"))->setEnabled(onRow);
    Button(QStringLiteral("btnPrintCoupon"))->setEnabled(model_.RowsOnCoupon(k) > 0 && bool(hooks_.printCoupon));
}

void TfrmView::warnSingleRowSystem() {
    // A reduced system stops being one once its rows are edited by hand.
    if (systemTyp_ != "E") prompter_.information(this, M(476));
}

void TfrmView::DeleteRowClick() {
    const int p = clicked_;
    if (!model_.RowAt(p)) return;
    if (prompter_.question(this, F(475, {std::to_string(p)}), false) != Answer::Yes) return;
    model_.DeleteRow(p);
    if (hooks_.systemModified) hooks_.systemModified();
    redisplay();
    warnSingleRowSystem();
}

void TfrmView::DeleteCouponClick() {
    const int k = model_.Current();
    if (model_.RowsOnCoupon(k) == 0) return;
    if (prompter_.question(this, F(477, {std::to_string(k)}), false) != Answer::Yes) return;
    model_.DeleteCoupon();
    if (hooks_.systemModified) hooks_.systemModified();
    redisplay();
    warnSingleRowSystem();
}

void TfrmView::InsertRowClick() {
    const auto& signs = core::CurrentDisplaySigns();
    QString value = model_.Rows().empty() ? QString() : Q(core::SignsToDisplay(model_.Rows().back(), signs));
    for (;;) {
        const std::optional<QString> answer = prompter_.inputText(this, M(478), M(479), value);
        if (!answer) return;
        value = answer->toUpper();
        const output::TypedRowCheck check = output::CheckTypedRow(value.toStdString(), matches_, signs);
        if (check.message == 482) {
            prompter_.information(this, F(482, {static_cast<long long>(matches_)}));
            continue;
        }
        if (check.message == 483) {
            prompter_.information(this, F(483, {signs.home, signs.draw, signs.away}));
            continue;
        }
        if (!model_.InsertRow(check.codes)) {
            prompter_.information(this, M(480));
            return;
        }
        redisplay();
        warnSingleRowSystem();
        return;
    }
}

void TfrmView::PrintCouponClick() {
    const int k = model_.Current();
    if (!hooks_.printCoupon || model_.RowsOnCoupon(k) == 0) return;
    hooks_.printCoupon(this, model_.Rows(), k);
}

void TfrmView::PrinterSetupClick() {
    if (hooks_.printerSetup) {
        hooks_.printerSetup(this);
        return;
    }
    QPrinter printer;
    QPageSetupDialog dialog(&printer, this);
    dialog.exec();
}

ViewCouponsResult RunCouponViewer(QWidget* parent, const core::TVinraFile& doc, int rowsPerCoupon, Prompter& prompter,
                                  CouponViewerHooks hooks) {
    TfrmView view(doc, rowsPerCoupon, prompter, std::move(hooks), parent);
    view.exec();
    return {view.Rows(), view.Changed()};
}

bool KeepCouponChanges(QWidget* parent, core::TVinraFile& doc, const ViewCouponsResult& result, Prompter& prompter) {
    if (!result.changed) return false;
    if (prompter.question(parent, M(284), false) != Answer::Yes) return false;
    doc.Rader = result.rows;
    doc.SystemTyp = "E";
    return true;
}

}  // namespace vinra::ui
