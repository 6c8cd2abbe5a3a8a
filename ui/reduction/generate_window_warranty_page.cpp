#include "ui/reduction/generate_window.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/reduction/generate_window_helpers.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {

using namespace genwin;

void TfrmGenerate::buildWarrantyPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageWarranty"));
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(Tag(new QLabel(page), kMsgWarranty));
    warrantyGrid_ = new QTableWidget(page);
    warrantyGrid_->setObjectName(QStringLiteral("grdWarranty"));
    warrantyGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    warrantyGrid_->verticalHeader()->hide();
    warrantyGrid_->horizontalHeader()->setSectionsClickable(true);
    connect(warrantyGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (!view_ || model_.Running()) return;
        view_->SortByColumn(column);
        const auto grid = view_->Grid();
        for (size_t r = 1; r < grid.size(); ++r)
            for (size_t c = 0; c < grid[r].size(); ++c)
                warrantyGrid_->item(static_cast<int>(r - 1), static_cast<int>(c))->setText(Q(grid[r][c]));
    });
    lay->addWidget(warrantyGrid_, 3);
    warrantyText_ = new QPlainTextEdit(page);
    warrantyText_->setObjectName(QStringLiteral("memWarranty"));
    warrantyText_->setReadOnly(true);
    warrantyText_->setMaximumHeight(110);
    lay->addWidget(warrantyText_, 1);
    conditionNote_ = Tag(new QLabel(page), kMsgConditionNote);
    conditionNote_->setObjectName(QStringLiteral("lblConditionNote"));
    QFont it = conditionNote_->font();
    it.setItalic(true);
    conditionNote_->setFont(it);
    lay->addWidget(conditionNote_);
    chart_ = new ValueChart(page);
    lay->addWidget(chart_);
    auto* buttons = new QHBoxLayout;
    auto* gen = Tag(new QPushButton(page), kMsgGenerate);
    gen->setObjectName(QStringLiteral("btnWarrantyGenerate"));
    connect(gen, &QPushButton::clicked, this, &TfrmGenerate::WarrantyGenerateClick);
    auto* cancel = Tag(new QPushButton(page), kMsgCancel);
    cancel->setObjectName(QStringLiteral("btnWarrantyCancel"));
    connect(cancel, &QPushButton::clicked, this, &TfrmGenerate::CancelRunClick);
    auto* exp = Tag(new QPushButton(page), kMsgExport);
    exp->setObjectName(QStringLiteral("btnExport"));
    exportMenu_ = new QMenu(exp);
    exportMenu_->setObjectName(QStringLiteral("mnuExport"));
    auto* toFile = Tag(exportMenu_->addAction(QString()), kMsgTextFile);
    toFile->setObjectName(QStringLiteral("actExportFile"));
    auto* toClip = Tag(exportMenu_->addAction(QString()), kMsgClipboard);
    toClip->setObjectName(QStringLiteral("actExportClipboard"));
    auto* toPrinter = Tag(exportMenu_->addAction(QString()), kMsgPrinter);
    toPrinter->setVisible(false);
    connect(toFile, &QAction::triggered, this, &TfrmGenerate::ExportToFile);
    connect(toClip, &QAction::triggered, this, &TfrmGenerate::ExportToClipboard);
    exp->setMenu(exportMenu_);
    auto* imp = Tag(new QPushButton(page), kMsgImport);
    imp->setObjectName(QStringLiteral("btnImport"));
    connect(imp, &QPushButton::clicked, this, &TfrmGenerate::ImportClick);
    for (auto* b : {gen, cancel, exp, imp}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    lay->addLayout(buttons);
    pages_->addWidget(page);
}

void TfrmGenerate::showWarranty() {
    view_.emplace(model_.Warranty(), model_.MatchCount(),
                  reduction::WarrantyTexts::FromLanguage(core::CurrentLanguage()));
    const auto grid = view_->Grid();
    warrantyGrid_->clear();
    warrantyGrid_->setColumnCount(static_cast<int>(grid.front().size()));
    warrantyGrid_->setRowCount(static_cast<int>(grid.size()) - 1);
    for (size_t c = 0; c < grid.front().size(); ++c)
        warrantyGrid_->setHorizontalHeaderItem(static_cast<int>(c), new QTableWidgetItem(Q(grid.front()[c])));
    for (size_t r = 1; r < grid.size(); ++r)
        for (size_t c = 0; c < grid[r].size(); ++c) {
            auto* item = new QTableWidgetItem(Q(grid[r][c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            warrantyGrid_->setItem(static_cast<int>(r - 1), static_cast<int>(c), item);
        }
    warrantyGrid_->resizeColumnsToContents();
    for (int c = 0; c < 4; ++c) warrantyGrid_->setColumnWidth(c, std::max(warrantyGrid_->columnWidth(c), 56));
    warrantyGrid_->horizontalHeader()->setStretchLastSection(true);
    QStringList lines;
    for (const auto& l : view_->lines()) lines << Q(l);
    warrantyText_->setPlainText(lines.join(QLatin1Char('\n')));
    conditionNote_->setVisible(!lines.isEmpty() && conditionsOn());
}

// ---------------------------------------------------------------------------
// Warranty page

void TfrmGenerate::ExportToFile() {
    if (!view_ || model_.Running()) return;
    FileDialogSpec spec;
    spec.filter = QStringLiteral("Microsoft Excel (*.xls *.XLS);;") + M(kMsgTabText) +
                  QStringLiteral(" (*.txt *.TXT);;") + M(kMsgAllFiles) + QStringLiteral(" (*)");
    spec.defaultSuffix = QStringLiteral("xls");
    if (!options_.systemFile.empty()) spec.folder = Q(options_.systemFile.parent_path().string());
    const QString path = prompter_.saveFile(this, spec);
    if (path.isEmpty()) return;
    try {
        view_->ExportToFile(fs::path(path.toStdString()));
    } catch (const std::exception& e) {
        prompter_.error(this, MF(kMsgWriteFailed, {std::string(e.what())}));
    }
}

void TfrmGenerate::ExportToClipboard() {
    if (!view_ || model_.Running()) return;
    QApplication::clipboard()->setText(Q(view_->ExportText()));
}

void TfrmGenerate::ImportClick() {
    if (model_.Running() || options_.systemFile.empty() || !fs::exists(options_.systemFile)) return;
    try {
        model_.SetImportedWarranty(
            reduction::ImportWarranty(options_.systemFile, doc_.AntalGarantiRader, doc_.AntalRader));
    } catch (const std::exception& e) {
        prompter_.error(this, MF(kMsgImportFailed, {std::string(e.what())}));
        return;
    }
    showWarranty();
}

}  // namespace vinra::ui
