#include "ui/checking/check_window.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "checking/engine.h"
#include "net/game_info.h"
#include "output/row_files.h"
#include "reduction/conditions.h"
#include "ui/checking/check_texts.h"
#include "ui/checking/check_window_helpers.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {

using namespace checkwin;

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

}  // namespace vinra::ui
