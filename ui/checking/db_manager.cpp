#include "ui/checking/db_manager.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

#include "core/messages.h"
#include "ui/core/help.h"
#include "ui/checking/check_texts.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"

namespace vinra::ui {

namespace {

using checktext::M;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Fmt(int msg, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(msg), args)); }

const std::vector<checking::PoolChoice>& Choices(TDBManager::Page page) {
    return page == TDBManager::Page::Games ? checking::EditorGameChoices() : checking::EditorResultChoices();
}

QTableWidgetItem* Item(const QString& text, bool editable, bool right = false) {
    auto* item = new QTableWidgetItem(text);
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable) f |= Qt::ItemIsEditable;
    item->setFlags(f);
    if (right) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// The rows of a grid that have a selected cell, ascending.
std::vector<int> SelectedRows(QTableWidget* grid) {
    std::set<int> rows;
    for (const auto& range : grid->selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r) rows.insert(r);
    return {rows.begin(), rows.end()};
}

}  // namespace

TDBManager::TDBManager(checking::TTipsData& db, std::filesystem::path folder, Prompter& prompter, Page page,
                       HelpFn help, QWidget* parent)
    : QDialog(parent), db_(db), folder_(std::move(folder)), prompter_(prompter), help_(std::move(help)) {
    setObjectName(QStringLiteral("frmDBManager"));
    Tag(this, 192);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* filterCaption = Tag(new QLabel(QStringLiteral(" &Index:"), this), 193);
    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("cboIndex"));
    filter_->setMinimumWidth(200);
    filterCaption->setBuddy(filter_);
    top->addWidget(filterCaption);
    top->addWidget(filter_);
    top->addStretch(1);
    layout->addLayout(top);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pgcTables"));
    games_ = new QTableWidget(0, 6);
    games_->setObjectName(QStringLiteral("grdGames"));
    games_->setSelectionBehavior(QAbstractItemView::SelectRows);
    games_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    games_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    games_->setHorizontalHeaderLabels({"Omg", "Match", "Typ", "Home", "Away", "OmgID"});
    results_ = new QTableWidget(0, checking::kResultFieldCount);
    results_->setObjectName(QStringLiteral("grdResults"));
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QStringList heads;
    for (int f = 0; f < checking::kResultFieldCount; ++f)
        heads << QString::fromLatin1(checking::ResultFieldName(static_cast<checking::ResultField>(f)));
    results_->setHorizontalHeaderLabels(heads);
    for (QTableWidget* g : {games_, results_}) {
        g->verticalHeader()->hide();
        g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 6);
    }
    auto* gamesPage = Tag(new QWidget, 27);
    gamesPage->setObjectName(QStringLiteral("tabGames"));
    (new QVBoxLayout(gamesPage))->addWidget(games_);
    auto* resultsPage = Tag(new QWidget, 28);
    resultsPage->setObjectName(QStringLiteral("tabResults"));
    (new QVBoxLayout(resultsPage))->addWidget(results_);
    tabs_->addTab(gamesPage, QStringLiteral("Matches"));
    tabs_->addTab(resultsPage, QStringLiteral("Results"));
    layout->addWidget(tabs_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, int msg) {
        auto* b = Tag(new QPushButton(this), msg);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    auto* edit = button("btnEditMatch", checktext::kEditMatch);
    auto* del = button("btnDelete", checktext::kDelete);
    buttons->addSpacing(16);
    auto* exp = button("btnExport", checktext::kExport);
    auto* imp = button("btnImport", checktext::kImport);
    buttons->addStretch(1);
    auto* helpButton = button("btnHelp", 32);
    auto* close = button("btnClose", 240);
    layout->addLayout(buttons);

    connect(edit, &QPushButton::clicked, this, &TDBManager::btnEditMatchClick);
    connect(del, &QPushButton::clicked, this, &TDBManager::btnDeleteClick);
    connect(exp, &QPushButton::clicked, this, &TDBManager::btnExportClick);
    connect(imp, &QPushButton::clicked, this, &TDBManager::btnImportClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto openHelp = [this] {
        if (help_) help_("dbmanager.htm");
    };
    connect(helpButton, &QPushButton::clicked, this, openHelp);
    SetHelpPage(this, "dbmanager.htm");
    connect(tabs_, &QTabWidget::currentChanged, this, [this, edit](int i) {
        edit->setVisible(i == static_cast<int>(Page::Games));
        fillFilter();
        Reload();
    });
    connect(filter_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) Reload();
    });
    connect(results_, &QTableWidget::itemChanged, this, &TDBManager::resultEdited);

    Localise(this);
    tabs_->setCurrentIndex(static_cast<int>(page));
    edit->setVisible(page == Page::Games);
    fillFilter();
    Reload();
    resize(860, 560);
}

TDBManager::Page TDBManager::CurrentPage() const { return static_cast<Page>(tabs_->currentIndex()); }
void TDBManager::SetPage(Page page) { tabs_->setCurrentIndex(static_cast<int>(page)); }
void TDBManager::SetFilter(int index) { filter_->setCurrentIndex(index); }

std::string TDBManager::FilterCode() const { return filter_->currentData().toString().toStdString(); }

void TDBManager::fillFilter() {
    filling_ = true;
    const std::string keep = FilterCode();
    filter_->clear();
    filter_->addItem(M(194), QString());
    for (const auto& c : Choices(CurrentPage())) filter_->addItem(Q(c.code + ": " + c.name), Q(c.code));
    const int i = filter_->findData(Q(keep));
    filter_->setCurrentIndex(i >= 0 ? i : 0);
    filling_ = false;
}

void TDBManager::Reload() {
    try {
        if (CurrentPage() == Page::Games) fillGames();
        else fillResults();
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
    }
}

void TDBManager::fillGames() {
    gameRows_ = checking::ListGames(db_, FilterCode());
    games_->setRowCount(static_cast<int>(gameRows_.size()));
    for (int r = 0; r < static_cast<int>(gameRows_.size()); ++r) {
        const auto& g = gameRows_[static_cast<size_t>(r)];
        games_->setItem(r, 0, Item(QString::number(g.Omg), false, true));
        games_->setItem(r, 1, Item(QString::number(g.Match), false, true));
        games_->setItem(r, 2, Item(Q(g.Typ), false));
        games_->setItem(r, 3, Item(Q(g.Home), false));
        games_->setItem(r, 4, Item(Q(g.Away), false));
        games_->setItem(r, 5, Item(QString::number(g.OmgID), false, true));
    }
    games_->resizeColumnsToContents();
}

void TDBManager::fillResults() {
    filling_ = true;
    resultRows_ = checking::ListResults(db_, FilterCode());
    results_->setRowCount(static_cast<int>(resultRows_.size()));
    for (int r = 0; r < static_cast<int>(resultRows_.size()); ++r)
        for (int f = 0; f < checking::kResultFieldCount; ++f) {
            const auto field = static_cast<checking::ResultField>(f);
            const bool right = field != checking::ResultField::Rad && field != checking::ResultField::Typ;
            results_->setItem(
                r, f, Item(Q(checking::ResultFieldText(resultRows_[static_cast<size_t>(r)], field)), true, right));
        }
    results_->resizeColumnsToContents();
    filling_ = false;
}

void TDBManager::resultEdited(QTableWidgetItem* item) {
    if (filling_) return;
    const int r = item->row();
    if (r < 0 || r >= static_cast<int>(resultRows_.size())) return;
    const auto field = static_cast<checking::ResultField>(item->column());
    const checking::TFacitRec before = resultRows_[static_cast<size_t>(r)];
    const auto after = checking::WithResultField(before, field, item->text().toStdString());
    QString problem;
    if (!after) {
        problem =
            Fmt(checktext::kValueRejected, {item->text().toStdString(), std::string(checking::ResultFieldName(field))});
    } else {
        try {
            switch (checking::ReplaceResult(db_, before, *after)) {
                case checking::EditOutcome::Stored: resultRows_[static_cast<size_t>(r)] = *after; break;
                case checking::EditOutcome::KeyTaken:
                    problem = Fmt(checktext::kKeyTaken, {after->Typ, static_cast<long long>(after->OmgID)});
                    break;
                case checking::EditOutcome::Missing: problem = M(checktext::kRecordGone); break;
            }
        } catch (const std::exception& e) {
            problem = Q(e.what());
        }
    }
    // The cell shows what is stored: the normalised value, or the old one.
    filling_ = true;
    item->setText(Q(checking::ResultFieldText(resultRows_[static_cast<size_t>(r)], field)));
    filling_ = false;
    if (!problem.isEmpty()) prompter_.error(this, problem);
}

void TDBManager::btnDeleteClick() {
    const bool games = CurrentPage() == Page::Games;
    const std::vector<int> rows = SelectedRows(games ? games_ : results_);
    if (rows.empty()) return;
    if (prompter_.question(this, Fmt(checktext::kDeleteRecords, {static_cast<long long>(rows.size())}), false) !=
        Answer::Yes)
        return;
    try {
        if (games) {
            checking::MatchOutcome last = checking::MatchOutcome::Deleted;
            for (int r : rows) {
                const auto& g = gameRows_[static_cast<size_t>(r)];
                const auto outcome = db_.EditOrDeleteMatch(g.Typ, g.Home, g.Away, g.Match, g.OmgID, false);
                if (outcome == checking::MatchOutcome::NotFound) last = outcome;
            }
            prompter_.information(this, QString::fromUtf8(checking::MatchOutcomeText(last)));
        } else {
            std::vector<checking::ResultKey> keys;
            for (int r : rows)
                keys.push_back({resultRows_[static_cast<size_t>(r)].Typ, resultRows_[static_cast<size_t>(r)].OmgID});
            checking::DeleteResults(db_, keys);
        }
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
    }
    Reload();
}

void TDBManager::btnEditMatchClick() {
    if (CurrentPage() != Page::Games) return;
    const std::vector<int> rows = SelectedRows(games_);
    if (rows.empty()) return;
    const auto& g = gameRows_[static_cast<size_t>(rows.front())];
    const QString title = Fmt(checktext::kEditMatch, {}).remove(QLatin1Char('&')).remove(QStringLiteral("..."));
    const auto home = prompter_.inputText(this, title, M(67), Q(g.Home));
    if (!home) return;
    const auto away = prompter_.inputText(this, title, M(68), Q(g.Away));
    if (!away) return;
    try {
        const auto outcome = db_.EditOrDeleteMatch(g.Typ, home->trimmed().toStdString(), away->trimmed().toStdString(),
                                                   g.Match, g.OmgID, true);
        prompter_.information(this, QString::fromUtf8(checking::MatchOutcomeText(outcome)));
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
    }
    Reload();
}

void TDBManager::btnExportClick() {
    try {
        for (const std::string& code : checking::TTipsData::EditorPoolCodes()) db_.ExportPool(code, folder_);
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    prompter_.information(this, Fmt(checktext::kExportDone, {folder_.string()}));
}

void TDBManager::btnImportClick() {
    checking::ImportReport report;
    QString stopped;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        report = db_.ImportAllPools(folder_);
    } catch (const std::exception& e) {
        stopped = Fmt(checktext::kImportStopped, {std::string(e.what())});
    }
    QApplication::restoreOverrideCursor();
    Reload();
    if (!stopped.isEmpty()) {
        prompter_.error(this, stopped);
        return;
    }
    QString text =
        Fmt(checktext::kImportDone, {static_cast<long long>(report.inserted), static_cast<long long>(report.unchanged),
                                     static_cast<long long>(report.skipped())});
    if (report.skipped() > 0)
        text += QStringLiteral("\n") + Fmt(checktext::kImportErrors, {(folder_ / "errors.txt").string()});
    prompter_.information(this, text);
}

void RunDatabaseEditor(QWidget* parent, checking::TTipsData& db, const std::filesystem::path& folder,
                       Prompter& prompter, TDBManager::Page page, HelpFn help) {
    TDBManager editor(db, folder, prompter, page, std::move(help), parent);
    editor.exec();
}

}  // namespace vinra::ui
