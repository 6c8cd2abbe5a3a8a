#include "ui/reduction/condition_dialogs.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "net/update_check.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"

namespace vinra::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
QString MF(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

// Message numbers of the editors.
constexpr int kMsgOk = 40;              // "OK"
constexpr int kMsgCancel = 41;          // "&Cancel"
constexpr int kMsgHelp = 32;            // "&Help"
constexpr int kMsgMax = 100;            // "Max:"
constexpr int kMsgMin = 101;            // "Min:"
constexpr int kMsgAdd = 102;            // "&Add:"
constexpr int kMsgDelete = 103;         // "&Delete"
// The sign counts say what each line bounds: "Max:" alone read as the
// largest of something unnamed beside "In a row:".
constexpr int kMsgAtMost = 3168;        // "At most:"
constexpr int kMsgInARow = 3169;        // "At most in a row:"
constexpr int kMsgAtLeast = 3170;       // "At least:"
constexpr int kMsgSignCounts = 3171;    // "Sign counts and runs"
constexpr int kMsgSourceRows = 107;     // "Define source rows"
constexpr int kMsgPercent = 98;         // "Create rows using percentage"
constexpr int kMsgGame = 453;           // "Game"
constexpr int kMsgFrame = 454;          // "Frame"
constexpr int kMsgFull = 457;           // "Can't add more Source rows!"
constexpr int kMsgDeleteSRow = 458;     // "Do you want to delete S-row number %d?"
constexpr int kMsgWinLevel = 529;       // "Choose win level"
constexpr int kMsgMinMax = 530;         // "Min/Max"
constexpr int kMsgTotal = 532;          // "Min/max total:"
constexpr int kMsgWithinFrame = 533;    // "Min/max within frame:"
constexpr int kMsgLowest = 534;         // "&Lowest row sum"
constexpr int kMsgHighest = 535;        // "&Highest row sum"
constexpr int kMsgMine = 1505;          // "My percentages"
constexpr int kMsgOthers = 1506;        // "Others' percentages"
constexpr int kMsgDistribution = 1507;  // "Percentage distribution"
constexpr int kMsgOperator = 1508;      // "Svenska Spel"
constexpr int kMsgBookie = 1509;        // "Bookmaker"
constexpr int kMsgPeople = 1510;        // "The people's"
constexpr int kMsgCopy = 1511;          // "Copy"
constexpr int kMsgCopyZeros = 3167;     // "The chosen reference has no figures for %d of the checked matches. ..."
constexpr int kMsgCheckAll = 1512;      // "Check all"
constexpr int kMsgUncheckAll = 1513;    // "Uncheck all"
constexpr int kMsgInvert = 1514;        // "Invert"
constexpr int kMsgPercentMin = 1515;    // "Lowest percentage value:"
constexpr int kMsgPercentMax = 1516;    // "Highest percentage value:"
constexpr int kMsgNumber = 1517;        // "No."
constexpr int kMsgRankHint = 1520;      // "Rank by the people's percentages (1 = most played)"

const QColor kLow(255, 0, 0);        // red
const QColor kHigh(0, 255, 0);       // lime
const QColor kBetween(0, 255, 255);  // aqua

QString SignHeader(const core::DisplaySigns& signs, int s) {
    return Q(s == 0 ? signs.home : s == 1 ? signs.draw : signs.away);
}

QTableWidgetItem* ReadOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

// The read-only list of the matches: number, teams, frame (and optional extra columns).
QTableWidget* MatchTable(QWidget* parent, const RoundView& round, int extraColumns) {
    auto* t = new QTableWidget(round.n, 3 + extraColumns, parent);
    t->setObjectName(QStringLiteral("grdMatches"));
    t->setHorizontalHeaderItem(0, new QTableWidgetItem(M(kMsgNumber)));
    t->setHorizontalHeaderItem(1, new QTableWidgetItem(M(kMsgGame)));
    t->setHorizontalHeaderItem(2, new QTableWidgetItem(M(kMsgFrame)));
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    for (int m = 0; m < round.n; ++m) {
        t->setItem(m, 0, ReadOnlyItem(QString::number(m + 1)));
        t->setItem(m, 1, ReadOnlyItem(Q(round.Teams(m))));
        const std::string entry = m < static_cast<int>(round.frame.size()) ? round.frame[static_cast<size_t>(m)] : "";
        t->setItem(m, 2, ReadOnlyItem(Q(reduction::CodesToDisplayChars(core::EntrySigns(entry), round.signs))));
    }
    t->resizeColumnsToContents();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    return t;
}

int ToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::string RoundView::Teams(int m) const {
    const auto at = [m](const std::vector<std::string>& v) {
        return m >= 0 && m < static_cast<int>(v.size()) ? v[static_cast<size_t>(m)] : std::string();
    };
    const std::string h = at(homes), a = at(aways);
    if (h.empty() && a.empty()) return {};
    return h + " - " + a;
}

// ---------------------------------------------------------------------------

ConditionDialog::ConditionDialog(const RoundView& round, Prompter& prompter, const char* helpPage, QWidget* parent)
    : QDialog(parent), round_(round), prompter_(prompter), helpPage_(helpPage) {
    setModal(true);
    new QVBoxLayout(this);
    SetHelpPage(this, helpPage);
}

void ConditionDialog::addButtons() {
    auto* row = new QHBoxLayout;
    auto* help = Tag(new QPushButton(this), kMsgHelp);
    help->setObjectName(QStringLiteral("btnHelp"));
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(this, helpPage_); });
    row->addWidget(help);
    row->addStretch();
    ok_ = Tag(new QPushButton(this), kMsgOk);
    ok_->setObjectName(QStringLiteral("btnOk"));
    ok_->setDefault(false);
    ok_->setAutoDefault(false);
    auto* cancel = Tag(new QPushButton(this), kMsgCancel);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (Accept()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(ok_);
    row->addWidget(cancel);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
    Localise(this);
}

void ConditionDialog::keyPressEvent(QKeyEvent* event) {
    // Enter belongs to the field that has the focus (Add in the combination
    // editor), never to OK.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}

void ConditionDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* p = parentWidget()) {
        const QRect pr = p->window()->frameGeometry();
        move(pr.center() - rect().center());
    }
}

// ---------------------------------------------------------------------------

TfrmCombinations::TfrmCombinations(reduction::CombinationEditor::Kind kind, const reduction::ConditionSet& c,
                                   const RoundView& round, Prompter& prompter, QWidget* parent)
    : ConditionDialog(round, prompter, kind == reduction::CombinationEditor::Kind::Yes ? "yescomb.htm" : "nocomb.htm",
                      parent),
      editor_(kind, round.n, round.signs, c) {
    const bool yes = kind == reduction::CombinationEditor::Kind::Yes;
    setObjectName(yes ? QStringLiteral("frmYesComb") : QStringLiteral("frmNoComb"));
    Tag(this, yes ? 319 : 321);  // "Yes-combinations" / "No-combinations"
    auto* lay = static_cast<QVBoxLayout*>(layout());
    auto* text = Tag(new QLabel(this), yes ? 320 : 322);  // what the combinations must (not) be in
    text->setWordWrap(true);
    lay->addWidget(text);

    auto* body = new QHBoxLayout;
    list_ = new QTableWidget(0, yes ? 3 : 1, this);
    list_->setObjectName(QStringLiteral("lstCombinations"));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(false);
    list_->setHorizontalHeaderItem(0, new QTableWidgetItem(yes ? M(319) : M(321)));
    if (yes) {
        list_->setHorizontalHeaderItem(1, new QTableWidgetItem(M(kMsgMax)));
        list_->setHorizontalHeaderItem(2, new QTableWidgetItem(M(kMsgMin)));
    }
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int col = 1; col < list_->columnCount(); ++col) list_->setColumnWidth(col, 60);
    list_->setMinimumHeight(220);
    body->addWidget(list_, 1);

    auto* side = new QGridLayout;
    entry_ = new QLineEdit(this);
    entry_->setObjectName(QStringLiteral("edtEntry"));
    entry_->setMaxLength(core::kMaxMatches * 2);
    auto* add = Tag(new QPushButton(this), kMsgAdd);
    add->setObjectName(QStringLiteral("btnAdd"));
    auto* del = Tag(new QPushButton(this), kMsgDelete);
    del->setObjectName(QStringLiteral("btnDelete"));
    side->addWidget(add, 0, 0);
    side->addWidget(entry_, 0, 1);
    min_ = new QComboBox(this);
    max_ = new QComboBox(this);
    min_->setObjectName(QStringLiteral("cmbMin"));
    max_->setObjectName(QStringLiteral("cmbMax"));
    for (int i = 0; i <= 6; ++i) {
        min_->addItem(QString::number(i));
        max_->addItem(QString::number(i));
    }
    max_->setCurrentIndex(1);
    min_->setCurrentIndex(1);
    auto* maxLabel = Tag(new QLabel(this), kMsgMax);
    auto* minLabel = Tag(new QLabel(this), kMsgMin);
    side->addWidget(maxLabel, 1, 0);
    side->addWidget(max_, 1, 1);
    side->addWidget(minLabel, 2, 0);
    side->addWidget(min_, 2, 1);
    side->addWidget(del, 3, 0, 1, 2);
    side->setRowStretch(4, 1);
    for (QWidget* w : {static_cast<QWidget*>(min_), static_cast<QWidget*>(max_), static_cast<QWidget*>(maxLabel),
                       static_cast<QWidget*>(minLabel)})
        w->setVisible(yes);
    body->addLayout(side);
    lay->addLayout(body);

    connect(add, &QPushButton::clicked, this, &TfrmCombinations::AddClick);
    connect(entry_, &QLineEdit::returnPressed, this, &TfrmCombinations::AddClick);
    connect(del, &QPushButton::clicked, this, &TfrmCombinations::DeleteClick);
    connect(list_, &QTableWidget::cellClicked, this, [this](int r, int) { SelectEntry(r); });
    fillList();
    addButtons();
    resize(520, 360);
}

void TfrmCombinations::fillList() {
    const auto& entries = editor_.Entries();
    list_->setRowCount(static_cast<int>(entries.size()));
    const bool yes = editor_.kind() == reduction::CombinationEditor::Kind::Yes;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const auto& e = entries[static_cast<size_t>(i)];
        list_->setItem(i, 0, new QTableWidgetItem(Q(e.text)));
        if (yes) {
            list_->setItem(i, 1, new QTableWidgetItem(QString::number(e.max)));
            list_->setItem(i, 2, new QTableWidgetItem(QString::number(e.min)));
        }
    }
}

void TfrmCombinations::AddClick() {
    const auto r = editor_.Add(entry_->text().toStdString(), min_->currentIndex(), max_->currentIndex());
    using W = reduction::CombinationEditor::AddResult::What;
    if (r.what == W::Refused) {
        prompter_.error(this, MF(r.message, {static_cast<long long>(round_.n)}));
        return;
    }
    min_->setCurrentIndex(r.min);
    max_->setCurrentIndex(r.max);
    if (r.what == W::Ignored) return;
    fillList();
    list_->selectRow(r.index);
    entry_->clear();
}

void TfrmCombinations::SelectEntry(int index) {
    const auto& entries = editor_.Entries();
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    const auto& e = entries[static_cast<size_t>(index)];
    entry_->setText(Q(e.text));
    min_->setCurrentIndex(e.min);
    max_->setCurrentIndex(e.max);
    list_->selectRow(index);
}

void TfrmCombinations::DeleteClick() {
    const int row = list_->currentRow();
    if (row < 0) return;
    const int next = editor_.Delete(row);
    fillList();
    if (next >= 0) {
        list_->selectRow(next);
        list_->setCurrentCell(next, 0);
    } else {
        list_->clearSelection();
        list_->setCurrentCell(-1, -1);
    }
}

bool TfrmCombinations::Accept() {
    if (entry_->text().isEmpty()) return true;
    const auto r = editor_.Add(entry_->text().toStdString(), min_->currentIndex(), max_->currentIndex());
    if (r.what == reduction::CombinationEditor::AddResult::What::Refused) {
        prompter_.error(this, MF(r.message, {static_cast<long long>(round_.n)}));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

TfrmSignCounts::TfrmSignCounts(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                               QWidget* parent)
    : ConditionDialog(round, prompter, "linechars.htm", parent), editor_(round.n, c) {
    setObjectName(QStringLiteral("frmSignCounts"));
    Tag(this, kMsgSignCounts);
    auto* grid = new QGridLayout;
    for (int s = 0; s < 3; ++s) {
        auto* head = new QLabel(SignHeader(round.signs, s), this);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, s + 1);
    }
    const int lines[3] = {kMsgAtMost, kMsgInARow, kMsgAtLeast};
    for (int l = 0; l < 3; ++l) {
        grid->addWidget(Tag(new QLabel(this), lines[l]), l + 1, 0);
        for (int s = 0; s < 3; ++s) {
            auto* box = new QComboBox(this);
            box->setObjectName(QStringLiteral("cmb%1_%2").arg(l).arg(s));
            for (int v = 0; v <= round.n; ++v) box->addItem(QString::number(v));
            box->setCurrentIndex(editor_.Value(l, s));
            boxes_[static_cast<size_t>(l)][static_cast<size_t>(s)] = box;
            grid->addWidget(box, l + 1, s + 1);
        }
    }
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
    addButtons();
    setMinimumWidth(320);
}

bool TfrmSignCounts::Accept() {
    for (int l = 0; l < 3; ++l)
        for (int s = 0; s < 3; ++s) editor_.Set(l, s, Box(l, s)->currentIndex());
    return true;
}

// ---------------------------------------------------------------------------

TfrmSourceRows::TfrmSourceRows(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                               QWidget* parent)
    : ConditionDialog(round, prompter, "srows.htm", parent), editor_(round.n, c) {
    setObjectName(QStringLiteral("frmSourceRows"));
    Tag(this, kMsgSourceRows);
    auto* body = new QHBoxLayout;
    matches_ = MatchTable(this, round, 3);
    for (int s = 0; s < 3; ++s) {
        auto* h = new QTableWidgetItem(SignHeader(round.signs, s));
        h->setToolTip(M(kMsgRankHint));
        matches_->setHorizontalHeaderItem(3 + s, h);
    }
    matches_->insertRow(round.n);  // lines up with the Min and Max lines of the grid
    matches_->insertRow(round.n + 1);
    if (round.hasInfo) {
        const auto ranks = reduction::PeopleRanks(round.peopleText, round.n);
        for (int m = 0; m < round.n; ++m) {
            const auto& r = ranks[static_cast<size_t>(m)];
            const int best = *std::min_element(r.begin(), r.end());
            const int worst = *std::max_element(r.begin(), r.end());
            const int bestCount = static_cast<int>(std::count(r.begin(), r.end(), best));
            const int worstCount = static_cast<int>(std::count(r.begin(), r.end(), worst));
            for (int s = 0; s < 3; ++s) {
                auto* item = ReadOnlyItem(QString::number(r[static_cast<size_t>(s)]));
                item->setTextAlignment(Qt::AlignCenter);
                const int v = r[static_cast<size_t>(s)];
                item->setBackground(v == best && bestCount == 1     ? kHigh
                                    : v == worst && worstCount == 1 ? kLow
                                                                    : kBetween);
                item->setForeground(Qt::black);
                matches_->setItem(m, 3 + s, item);
            }
        }
    }
    matches_->resizeColumnsToContents();
    matches_->setMinimumWidth(matches_->horizontalHeader()->length() + 4);
    body->addWidget(matches_);

    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("grdSourceRows"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(matches_->verticalHeader()->defaultSectionSize());
    grid_->horizontalHeader()->setDefaultSectionSize(40);
    grid_->viewport()->installEventFilter(this);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, &TfrmSourceRows::HeaderClick);
    body->addWidget(grid_, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(body);
    fillGrid();
    addButtons();
    const int height = (round.n + 2) * grid_->verticalHeader()->defaultSectionSize() +
                       grid_->horizontalHeader()->sizeHint().height() + 90;
    resize(std::max(760, matches_->minimumWidth() + 8 * 40 + 60), std::min(height, 900));
}

void TfrmSourceRows::fillGrid() {
    const int n = round_.n;
    const auto& cols = editor_.Columns();
    grid_->setRowCount(n + 2);
    grid_->setColumnCount(static_cast<int>(cols.size()));
    for (int j = 0; j < static_cast<int>(cols.size()); ++j) {
        grid_->setHorizontalHeaderItem(j, new QTableWidgetItem(QString::number(j + 1)));
        for (int m = 0; m < n; ++m) {
            auto* item = new QTableWidgetItem(Q(editor_.CellText(j, m, round_.signs)));
            item->setTextAlignment(Qt::AlignCenter);
            grid_->setItem(m, j, item);
        }
        auto* mn = new QTableWidgetItem(Q(editor_.MinText(j)));
        auto* mx = new QTableWidgetItem(Q(editor_.MaxText(j)));
        for (auto* item : {mn, mx}) {
            item->setTextAlignment(Qt::AlignCenter);
            item->setBackground(QColor(230, 230, 230));
        }
        grid_->setItem(n, j, mn);
        grid_->setItem(n + 1, j, mx);
    }
    // The bottom lines are named in the match list beside them.
    matches_->setItem(n, 1, ReadOnlyItem(M(kMsgMin)));
    matches_->setItem(n + 1, 1, ReadOnlyItem(M(kMsgMax)));
}

bool TfrmSourceRows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QModelIndex idx = grid_->indexAt(me->position().toPoint());
        if (idx.isValid() && (me->button() == Qt::LeftButton || me->button() == Qt::RightButton))
            CellClick(idx.row(), idx.column(), me->button() == Qt::LeftButton);
        return true;
    }
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonDblClick) return true;
    return ConditionDialog::eventFilter(watched, event);
}

void TfrmSourceRows::CellClick(int line, int column, bool forward) {
    const int n = round_.n;
    bool full = false;
    if (line < n) full = editor_.CycleCell(column, line, forward);
    else if (line == n) editor_.CycleMin(column, forward);
    else editor_.CycleMax(column, forward);
    fillGrid();
    if (full && !warnedFull_) {
        warnedFull_ = true;
        prompter_.information(this, M(kMsgFull));
    }
}

void TfrmSourceRows::HeaderClick(int column) {
    const auto& cols = editor_.Columns();
    if (column < 0 || column >= static_cast<int>(cols.size())) return;
    const auto& col = cols[static_cast<size_t>(column)];
    const bool empty =
        col.min < 0 && col.max < 0 && std::all_of(col.cells.begin(), col.cells.end(), [](int v) { return v == 0; });
    if (empty) return;  // the column to fill in holds nothing to delete
    if (prompter_.question(this, MF(kMsgDeleteSRow, {static_cast<long long>(column + 1)}), false) != Answer::Yes)
        return;
    editor_.DeleteColumn(column);
    warnedFull_ = false;
    fillGrid();
}

// ---------------------------------------------------------------------------

TfrmPercent::TfrmPercent(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter, QWidget* parent)
    : ConditionDialog(round, prompter, "percent.htm", parent), editor_(round.n, round.frame, c, round.people) {
    setObjectName(QStringLiteral("frmPercent"));
    Tag(this, kMsgPercent);
    const int n = round.n;
    // The bookmaker's figures come first, but a round without bookmaker odds
    // opens on the first reference that has figures rather than on a column of 0,0.
    for (Source s : {Source::Bookie, Source::OperatorOdds, Source::People})
        if (reduction::HasAnyReferenceFigures(Table(s), n)) {
            source_ = s;
            break;
        }
    auto* inner = new QWidget;
    auto* grid = new QGridLayout(inner);
    grid->setVerticalSpacing(2);
    grid->addWidget(Tag(new QLabel(inner), kMsgMine), 0, 1, 1, 3, Qt::AlignCenter);
    grid->addWidget(Tag(new QLabel(inner), kMsgOthers), 0, 5, 1, 3, Qt::AlignCenter);
    for (int s = 0; s < 3; ++s) {
        grid->addWidget(new QLabel(SignHeader(round.signs, s), inner), 1, 1 + s, Qt::AlignCenter);
        grid->addWidget(new QLabel(SignHeader(round.signs, s), inner), 1, 5 + s, Qt::AlignCenter);
    }
    const auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    fields_.resize(static_cast<size_t>(n));
    refs_.resize(static_cast<size_t>(n));
    for (int m = 0; m < n; ++m) {
        const std::string teams = round.Teams(m);
        const QString label = QString::asprintf(m + 1 < 10 ? " %d. " : "%d. ", m + 1) + Q(teams);
        auto* name = new QLabel(label, inner);
        name->setObjectName(QStringLiteral("lblMatch%1").arg(m + 1));
        name->setMinimumWidth(220);
        grid->addWidget(name, m + 2, 0);
        for (int s = 0; s < 3; ++s) {
            auto* f = new QLineEdit(inner);
            f->setObjectName(QStringLiteral("edtPercent%1_%2").arg(m + 1).arg(s));
            f->setMaxLength(3);
            f->setValidator(digits);
            f->setFixedWidth(44);
            f->setAlignment(Qt::AlignRight);
            connect(f, &QLineEdit::textEdited, this, [this, m, s] { fieldEdited(m, s); });
            fields_[static_cast<size_t>(m)][static_cast<size_t>(s)] = f;
            grid->addWidget(f, m + 2, 1 + s);
            auto* r = new QLineEdit(inner);
            r->setObjectName(QStringLiteral("edtReference%1_%2").arg(m + 1).arg(s));
            r->setReadOnly(true);
            r->setFixedWidth(52);
            r->setAlignment(Qt::AlignRight);
            r->setFocusPolicy(Qt::NoFocus);
            refs_[static_cast<size_t>(m)][static_cast<size_t>(s)] = r;
            grid->addWidget(r, m + 2, 5 + s);
        }
        auto* check = new QCheckBox(QStringLiteral("(%1)").arg(m + 1), inner);
        check->setObjectName(QStringLiteral("chkMatch%1").arg(m + 1));
        check->setChecked(true);
        connect(check, &QCheckBox::toggled, this, [this, m](bool on) { editor_.SetChecked(m, on); });
        checks_.push_back(check);
        grid->addWidget(check, m + 2, 8);
    }
    grid->setColumnMinimumWidth(4, 16);
    grid->setRowStretch(n + 2, 1);  // the lines keep their height; the room is left below
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(inner->sizeHint().width() + 24);
    auto* lay = static_cast<QVBoxLayout*>(layout());
    lay->addWidget(scroll, 1);

    auto* tools = new QHBoxLayout;
    auto* sourceBox = Tag(new QGroupBox(this), kMsgDistribution);
    auto* sourceLay = new QHBoxLayout(sourceBox);
    const std::pair<Source, int> sources[] = {
        {Source::OperatorOdds, kMsgOperator}, {Source::Bookie, kMsgBookie}, {Source::People, kMsgPeople}};
    for (const auto& [src, msg] : sources) {
        auto* b = Tag(new QRadioButton(sourceBox), msg);
        b->setObjectName(QStringLiteral("rbSource%1").arg(static_cast<int>(src)));
        b->setChecked(src == source_);
        // A reference the round has no figures for has nothing to show or copy.
        b->setEnabled(src == source_ || reduction::HasAnyReferenceFigures(Table(src), n));
        connect(b, &QRadioButton::toggled, this, [this, src = src](bool on) {
            if (on) ShowSource(src);
        });
        sourceLay->addWidget(b);
    }
    tools->addWidget(sourceBox);
    auto* copy = Tag(new QPushButton(this), kMsgCopy);
    copy->setObjectName(QStringLiteral("btnCopy"));
    connect(copy, &QPushButton::clicked, this, &TfrmPercent::CopyClick);
    auto* all = Tag(new QPushButton(this), kMsgCheckAll);
    auto* none = Tag(new QPushButton(this), kMsgUncheckAll);
    auto* invert = Tag(new QPushButton(this), kMsgInvert);
    all->setObjectName(QStringLiteral("btnCheckAll"));
    none->setObjectName(QStringLiteral("btnUncheckAll"));
    invert->setObjectName(QStringLiteral("btnInvert"));
    const auto setChecks = [this] {
        for (int m = 0; m < static_cast<int>(checks_.size()); ++m) {
            const QSignalBlocker block(checks_[static_cast<size_t>(m)]);
            checks_[static_cast<size_t>(m)]->setChecked(editor_.Checked(m));
        }
    };
    connect(all, &QPushButton::clicked, this, [this, setChecks] {
        editor_.CheckAll(true);
        setChecks();
    });
    connect(none, &QPushButton::clicked, this, [this, setChecks] {
        editor_.CheckAll(false);
        setChecks();
    });
    connect(invert, &QPushButton::clicked, this, [this, setChecks] {
        editor_.InvertChecks();
        setChecks();
    });
    for (auto* b : {copy, all, none, invert}) {
        b->setAutoDefault(false);
        tools->addWidget(b);
    }
    tools->addStretch();
    lay->addLayout(tools);

    auto* bounds = new QGridLayout;
    minField_ = new QLineEdit(Q(editor_.minText), this);
    maxField_ = new QLineEdit(Q(editor_.maxText), this);
    minField_->setObjectName(QStringLiteral("edtProcMin"));
    maxField_->setObjectName(QStringLiteral("edtProcMax"));
    minLabel_ = new QLabel(this);
    maxLabel_ = new QLabel(this);
    minLabel_->setObjectName(QStringLiteral("lblRowValueMin"));
    maxLabel_->setObjectName(QStringLiteral("lblRowValueMax"));
    bounds->addWidget(Tag(new QLabel(this), kMsgPercentMin), 0, 0);
    bounds->addWidget(minField_, 0, 1);
    bounds->addWidget(minLabel_, 0, 2);
    bounds->addWidget(Tag(new QLabel(this), kMsgPercentMax), 1, 0);
    bounds->addWidget(maxField_, 1, 1);
    bounds->addWidget(maxLabel_, 1, 2);
    bounds->setColumnStretch(3, 1);
    lay->addLayout(bounds);

    refreshFields();
    ShowSource(source_);
    refreshBounds();
    addButtons();
    resize(820, std::min(140 + (n + 2) * 28 + 160, 860));
}

const reduction::PercentTable& TfrmPercent::Table(Source source) const {
    return source == Source::OperatorOdds ? round_.operatorOdds
           : source == Source::Bookie     ? round_.bookie
                                          : round_.people;
}

void TfrmPercent::ShowSource(Source source) {
    source_ = source;
    const reduction::PercentTable& t = Table(source);
    for (int m = 0; m < round_.n; ++m)
        for (int s = 0; s < 3; ++s)
            refs_[static_cast<size_t>(m)][static_cast<size_t>(s)]->setText(
                Q(core::FormatMsg("%.1f", {t[static_cast<size_t>(m)][static_cast<size_t>(s)]})));
}

void TfrmPercent::CopyClick() {
    const reduction::PercentTable& t = Table(source_);
    // Zeros never replace the player's own numbers unless he says so.
    const auto blank = editor_.BlankCheckedMatches(t);
    const bool keepBlank =
        !blank.empty() && prompter_.question(this, MF(kMsgCopyZeros, {static_cast<long long>(blank.size())}),
                                             false) != Answer::Yes;
    editor_.CopyReference(t, keepBlank);
    refreshFields();
    refreshBounds();
}

void TfrmPercent::fieldEdited(int match, int sign) {
    if (updating_) return;
    editor_.Edit(match, sign, fields_[static_cast<size_t>(match)][static_cast<size_t>(sign)]->text().toStdString());
    // The other fields of the match follow; the one being typed in keeps its cursor.
    updating_ = true;
    for (int s = 0; s < 3; ++s) {
        QLineEdit* f = fields_[static_cast<size_t>(match)][static_cast<size_t>(s)];
        const QString v = QString::number(editor_.Value(match, s));
        if (s == sign && f->text() == v) continue;
        if (s == sign && f->text().isEmpty() && v == QLatin1String("0")) continue;  // empty counts as 0 while typing
        f->setText(v);
    }
    updating_ = false;
    refreshBounds();
}

void TfrmPercent::refreshFields() {
    updating_ = true;
    for (int m = 0; m < round_.n; ++m)
        for (int s = 0; s < 3; ++s)
            fields_[static_cast<size_t>(m)][static_cast<size_t>(s)]->setText(QString::number(editor_.Value(m, s)));
    updating_ = false;
}

void TfrmPercent::refreshBounds() {
    minLabel_->setText(M(kMsgMin) + QLatin1Char(' ') + Q(core::FormatMsg("%.3f", {editor_.MinRowValue()})));
    maxLabel_->setText(M(kMsgMax) + QLatin1Char(' ') + Q(core::FormatMsg("%.3f", {editor_.MaxRowValue()})));
}

bool TfrmPercent::Accept() {
    editor_.minText = minField_->text().toStdString();
    editor_.maxText = maxField_->text().toStdString();
    return true;
}

// ---------------------------------------------------------------------------

TfrmWinLevel::TfrmWinLevel(const reduction::ConditionSet& c, const RoundView& round, Prompter& prompter,
                           QWidget* parent)
    : ConditionDialog(round, prompter, "winlevel.htm", parent), editor_(round.n, round.frame, c) {
    setObjectName(QStringLiteral("frmWinLevel"));
    Tag(this, kMsgWinLevel);
    auto* body = new QHBoxLayout;
    auto* matches = MatchTable(this, round, 0);
    body->addWidget(matches);
    grid_ = new QTableWidget(round.n, 3, this);
    grid_->setObjectName(QStringLiteral("grdSums"));
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->verticalHeader()->setDefaultSectionSize(matches->verticalHeader()->defaultSectionSize());
    for (int s = 0; s < 3; ++s) grid_->setHorizontalHeaderItem(s, new QTableWidgetItem(SignHeader(round.signs, s)));
    for (int m = 0; m < round.n; ++m)
        for (int s = 0; s < 3; ++s) {
            auto* item = ReadOnlyItem(QString::number(c.sumTable[static_cast<size_t>(m)][static_cast<size_t>(s)]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(m, s, item);
        }
    grid_->horizontalHeader()->setDefaultSectionSize(64);
    grid_->setMinimumWidth(3 * 64 + 4);
    body->addWidget(grid_);

    auto* side = new QGridLayout;
    const auto [tlo, thi] = editor_.TotalBounds();
    const auto [flo, fhi] = editor_.FrameBounds();
    total_ = new QLabel(M(kMsgTotal) + QStringLiteral(" %1 / %2").arg(tlo).arg(thi), this);
    frame_ = new QLabel(M(kMsgWithinFrame) + QStringLiteral(" %1 / %2").arg(flo).arg(fhi), this);
    total_->setObjectName(QStringLiteral("lblTotal"));
    frame_->setObjectName(QStringLiteral("lblWithinFrame"));
    side->addWidget(total_, 0, 0, 1, 2);
    side->addWidget(frame_, 1, 0, 1, 2);
    low_ = new QSpinBox(this);
    high_ = new QSpinBox(this);
    low_->setObjectName(QStringLiteral("spnLow"));
    high_->setObjectName(QStringLiteral("spnHigh"));
    for (QSpinBox* b : {low_, high_}) b->setRange(ToInt(flo), ToInt(std::max(flo, fhi)));
    low_->setValue(ToInt(editor_.Low()));
    high_->setValue(ToInt(editor_.High()));
    auto* lowLabel = Tag(new QLabel(this), kMsgLowest);
    auto* highLabel = Tag(new QLabel(this), kMsgHighest);
    lowLabel->setBuddy(low_);
    highLabel->setBuddy(high_);
    side->addWidget(lowLabel, 2, 0);
    side->addWidget(low_, 2, 1);
    side->addWidget(highLabel, 3, 0);
    side->addWidget(high_, 3, 1);
    auto* minMax = Tag(new QPushButton(this), kMsgMinMax);
    auto* frameButton = Tag(new QPushButton(this), kMsgFrame);
    minMax->setObjectName(QStringLiteral("btnMinMax"));
    frameButton->setObjectName(QStringLiteral("btnFrame"));
    connect(minMax, &QPushButton::clicked, this, [this] { ColourGrid(false); });
    connect(frameButton, &QPushButton::clicked, this, [this] { ColourGrid(true); });
    side->addWidget(minMax, 4, 0);
    side->addWidget(frameButton, 4, 1);
    side->setRowStretch(5, 1);
    body->addLayout(side);
    static_cast<QVBoxLayout*>(layout())->addLayout(body);
    ColourGrid(true);
    addButtons();
    resize(matches->horizontalHeader()->length() + 3 * 64 + 380,
           std::min(round.n * grid_->verticalHeader()->defaultSectionSize() + 140, 860));
}

void TfrmWinLevel::ColourGrid(bool frameOnly) {
    using Mark = reduction::WinLevelEditor::Mark;
    for (int m = 0; m < round_.n; ++m)
        for (int s = 0; s < 3; ++s) {
            QTableWidgetItem* item = grid_->item(m, s);
            switch (editor_.Colour(m, s, frameOnly)) {
                case Mark::Low: item->setBackground(kLow); break;
                case Mark::High: item->setBackground(kHigh); break;
                case Mark::Between: item->setBackground(kBetween); break;
                default: item->setBackground(QBrush()); break;
            }
        }
}

bool TfrmWinLevel::Accept() {
    editor_.SetLow(low_->value());
    editor_.SetHigh(high_->value());
    return true;
}

}  // namespace vinra::ui
