#include "ui/reduction/generate_window.h"

#include <algorithm>
#include <limits>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/pools.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "net/game_info.h"
#include "net/update_check.h"
#include "reduction/reduced_system.h"
#include "ui/core/background_job.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/progress_bar.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"
#include "ui/reduction/system_coupon.h"
#include "ui/reduction/value_chart.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;
using reduction::WizardMethod;
using reduction::WizardModel;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
QString MF(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

// Message numbers of the wizard.
constexpr int kMsgHelp = 32;                // "&Help"
constexpr int kMsgCancel = 41;              // "&Cancel"
constexpr int kMsgFinish = 61;              // "&Finish"
constexpr int kMsgNext = 62;                // "&Next"
constexpr int kMsgPrevious = 63;            // "&Previous"
constexpr int kMsgWizard = 74;              // "System Wizard"
constexpr int kMsgMethodHead = 75;          // "Create rows with this method:"
constexpr int kMsgMethodGroup = 76;         // " Reducing method "
constexpr int kMsgRows = 77;                // " rows"
constexpr int kMsgUse = 78;                 // "&use"
constexpr int kMsgConditions = 79;          // " Conditions for reduction: "
constexpr int kMsgRowDiff = 80;             // "&Row diff."
constexpr int kMsgGeneration = 86;          // "Row generation"
constexpr int kMsgTested = 87;              // "Number of tested rows:"
constexpr int kMsgUsed = 88;                // "Number of used rows:"
constexpr int kMsgReduce = 89;              // "&Reduce"
constexpr int kMsgReset = 90;               // "R&eset"
constexpr int kMsgWarranty = 91;            // "Table of warranty"
constexpr int kMsgGenerate = 92;            // "&Generate"
constexpr int kMsgExport = 93;              // "E&xport"
constexpr int kMsgImport = 94;              // "&Import"
constexpr int kMsgPrinter = 95;             // "Printer"
constexpr int kMsgTextFile = 96;            // "Text file"
constexpr int kMsgClipboard = 97;           // "Clip board"
constexpr int kMsgGenerateRows = 252;       // "&Generate rows"
constexpr int kMsgReadFile = 253;           // "&Read from file (systems with warranty)"
constexpr int kMsgTitle = 20;               // "&Reduce System Wizard": the menu's name, so both say the same
constexpr int kMsgStep = 324;               // "- Step %d of 4"
constexpr int kMsgMathRows = 323;           // "Mathematical no of rows: %s"
constexpr int kMsgTimeZero = 327;           // "Time used: 00:00:00"
constexpr int kMsgGrade = 328;              // "Grade of reduction: %d %%"
constexpr int kMsgTimeUsed = 329;           // "Time used: "
constexpr int kMsgRestore = 332;            // "Do you want to restore the rows (%d pcs) ..."
constexpr int kMsgStartRowLabel = 536;      // "Start row in row difference"
constexpr int kMsgWinLevelButton = 537;     // "&Choose win level"
constexpr int kMsgWeightsOver = 538;        // "The sum of percentage in one or more games is over 100 %. ..."
constexpr int kMsgNoStartRow = 539;         // "<Start row in row difference>"
constexpr int kMsgStartRowTitle = 540;      // "Row difference"
constexpr int kMsgStartRowPrompt = 541;     // "Set start row"
constexpr int kMsgConditionNote = 1501;     // "on results that meet the system's conditions"
constexpr int kMsgRate = 1503;              // "%s rows/s"
constexpr int kMsgTimeLeft = 1504;          // "Time left: %s"
constexpr int kMsgRunFailed = 1518;         // "The run could not start: %s"
constexpr int kMsgStillRunning = 1519;      // "Cancel the run before closing the wizard."
constexpr int kMsgGuaranteeCaption = 1400;  // "Reduce with &guarantee: %d / %d right"
constexpr int kMsgSeconds = 1402;           // "Time budget (seconds):"
constexpr int kMsgKeepCaption = 1418;       // "Keep the %d rows of highest value"
constexpr int kMsgNoGameInfo = 1419;        // "The round has no game information ...; the value cannot be computed."
constexpr int kMsgValueMatches = 1420;      // "The value can be computed for at most %d matches."
constexpr int kMsgNoRowsToValue = 1424;     // "There are no rows to value."
constexpr int kMsgImportFailed = 1521;      // "The warranty table could not be read: %s"
constexpr int kMsgWriteFailed = 1522;       // "The file could not be written: %s"
constexpr int kMsgTabText = 1523;           // "Tab-separated text file"
constexpr int kMsgAllFiles = 1524;          // "All files"
constexpr int kMsgRandomTooSmall = 3400;    // "The number of rows to generate must be at least 1."
constexpr int kMsgRandomTooLarge = 3401;    // "The frame has only %s rows; no more than that can be generated."
constexpr int kMsgRandomStalled = 3402;     // "No new row was found in %s attempts: ... The %s rows found are kept."
constexpr int kMsgGuaranteeNoRowDiff = 3403;  // "A guarantee run does not thin rows by row difference; ..."

constexpr const char* kHelpPage = "generate.htm";

QString Clock(qint64 ms) {
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    return QString::asprintf("%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
}

QString Grouped(int64_t v) { return Q(core::GroupDigits(v)); }

const std::pair<int, int> kEditorButtons[] = {
    // flag, caption of its editor button
    {core::UseMaxMin, 81},   // "&Line of chars"
    {core::UseProcent, 82},  // "&Percentage"
    {core::UseURad, 83},     // "&S-rows"
    {core::UseNejKomb, 84},  // "&No-comb"
    {core::UseJaKomb, 85},   // "&Yes-comb"
    {core::UseChooseWin, kMsgWinLevelButton},
};

RoundView MakeRoundView(const core::TVinraFile& doc, const Program& program, const TfrmGenerate::Options& options,
                        reduction::RoundFigures& figures) {
    RoundView r;
    r.n = std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches);
    r.frame = doc.Grundrad;
    r.signs = core::CurrentDisplaySigns();
    r.homes = options.homes;
    r.aways = options.aways;
    const fs::path file = net::GameInfoFile(program.DataFolder(), doc.Pool, doc.OmgID);
    std::error_code ec;
    if (doc.OmgID > 0 && fs::exists(file, ec)) {
        net::TSvSpelInfo info;
        info.Load(file, r.n, doc.Proc);
        r.hasInfo = true;
        r.people = info.PeopleValue;
        r.operatorOdds = info.OddsPercent;
        r.bookie = info.UbetPercent;
        r.peopleText = info.People;
        r.homes.resize(static_cast<size_t>(r.n));
        r.aways.resize(static_cast<size_t>(r.n));
        for (int m = 0; m < r.n; ++m) {
            auto& h = r.homes[static_cast<size_t>(m)];
            auto& a = r.aways[static_cast<size_t>(m)];
            if (h.empty() && a.empty()) {
                h = info.Home[static_cast<size_t>(m)];
                a = info.Away[static_cast<size_t>(m)];
            }
        }
    }
    figures.present = r.hasInfo;
    figures.people = r.people;
    figures.peopleText = r.peopleText;
    return r;
}

reduction::RoundFigures FiguresOf(const core::TVinraFile& doc, const Program& program,
                                  const TfrmGenerate::Options& options, RoundView& view) {
    reduction::RoundFigures f;
    view = MakeRoundView(doc, program, options, f);
    return f;
}

}  // namespace

TfrmGenerate::TfrmGenerate(const core::TVinraFile& doc, Program& program, Prompter& prompter, Options options,
                           QWidget* parent)
    : QDialog(parent),
      program_(program),
      prompter_(prompter),
      options_(std::move(options)),
      doc_(doc),
      result_(doc),
      model_(doc, FiguresOf(doc, program, options_, round_)) {
    setObjectName(QStringLiteral("frmGenerate"));
    Tag(this, kMsgWizard);
    setModal(true);
    SetHelpPage(this, kHelpPage);
    job_ = new BackgroundJob(this, 100);
    connect(job_, &BackgroundJob::progress, this, [this](qint64, qint64, int) { onTick(); });
    connect(job_, &BackgroundJob::finished, this, &TfrmGenerate::onFinished);
    valueJob_ = new BackgroundJob(this, 100);
    connect(valueJob_, &BackgroundJob::finished, this, [this](bool cancelled, const QString& error) {
        if (!value_) return;
        if (!cancelled && error.isEmpty() && value_->error.empty()) chart_->SetValue(value_->value, value_->model);
        else chart_->Clear(error.isEmpty() ? Q(value_->error) : error);
        value_.reset();
        // The chart with figures is taller than the page was: grow the wizard rather than squeeze the table.
        // (The chart's own height is read: the layouts learn of its new size only later.)
        if (isVisible() && chart_->height() < chart_->minimumSizeHint().height()) {
            int h = height() + chart_->minimumSizeHint().height() - chart_->height();
            if (const QScreen* screen = this->screen()) h = std::min(h, screen->availableGeometry().height() - 60);
            if (height() < h) resize(width(), h);
        }
        emit valueFinished();
    });
    // What the round's game information says of each sign, as ValueModelOfRound reads it.
    valueModel_ = reduction::MarketValueModel(model_.MatchCount(), round_.operatorOdds, round_.bookie, round_.people, 0,
                                              core::FirstWinLevel(doc.Typ));

    auto* lay = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("lblTitle"));
    QFont f = title_->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.25);
    title_->setFont(f);
    lay->addWidget(title_);
    pages_ = new QStackedWidget(this);
    lay->addWidget(pages_, 1);
    buildMethodPage();
    buildConditionsPage();
    buildGenerationPage();
    buildWarrantyPage();

    auto* nav = new QHBoxLayout;
    const auto addNav = [&](const char* name, int msg, void (TfrmGenerate::*slot)()) {
        auto* b = Tag(new QPushButton(this), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        nav->addWidget(b);
        return b;
    };
    addNav("btnHelp", kMsgHelp, &TfrmGenerate::help);
    nav->addStretch();
    addNav("btnPrevious", kMsgPrevious, &TfrmGenerate::PreviousClick);
    addNav("btnNext", kMsgNext, &TfrmGenerate::NextClick);
    addNav("btnFinish", kMsgFinish, &TfrmGenerate::FinishClick);
    addNav("btnClose", kMsgCancel, &TfrmGenerate::reject);
    lay->addLayout(nav);

    auto* statusBar = new QFrame(this);
    statusBar->setFrameShape(QFrame::StyledPanel);
    auto* sl = new QHBoxLayout(statusBar);
    sl->setContentsMargins(6, 2, 6, 2);
    for (int i = 0; i < 3; ++i) {
        status_[i] = new QLabel(statusBar);
        status_[i]->setObjectName(QStringLiteral("lblStatus%1").arg(i + 1));
        sl->addWidget(status_[i], i == 0 ? 2 : 1);
    }
    lay->addWidget(statusBar);

    Localise(this);
    // Showing: the counters, the status bar, the stored warranty and the start row.
    showCounters(0, static_cast<int64_t>(model_.Rows().size()), 0);
    status_[2]->setText(M(kMsgTimeZero));
    showWarranty();
    showStartRow();
    updateMethodPage();
    showStep();
    resize(720, 560);
}

TfrmGenerate::~TfrmGenerate() {
    // A run still going (the owner window went away): stop the engine, then join.
    if (gen_) gen_->Cancel();
    if (job_) job_->CancelAndJoin();
    if (valueJob_) valueJob_->CancelAndJoin();
}

// ---------------------------------------------------------------------------
// Pages

void TfrmGenerate::buildMethodPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageMethod"));
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(Tag(new QLabel(page), kMsgMethodHead));
    generate_ = Tag(new QRadioButton(page), kMsgGenerateRows);
    generate_->setObjectName(QStringLiteral("rbGenerate"));
    generate_->setChecked(true);
    readFile_ = Tag(new QRadioButton(page), kMsgReadFile);
    readFile_->setObjectName(QStringLiteral("rbReadFile"));
    auto* choice = new QButtonGroup(page);
    choice->addButton(generate_);
    choice->addButton(readFile_);
    lay->addWidget(generate_);

    auto* group = Tag(new QGroupBox(page), kMsgMethodGroup);
    auto* grid = new QGridLayout(group);
    auto* methods = new QButtonGroup(page);
    // One line per method the engine offers; a further method is one more entry of WizardMethods().
    int row = 0;
    for (const auto& info : reduction::WizardMethods()) {
        auto* b = new QRadioButton(group);
        // Captions with figures are filled in by showMethodCaptions.
        if (info.method != WizardMethod::Guarantee && info.method != WizardMethod::HighestValue)
            Tag(b, info.captionMsg);
        b->setObjectName(QStringLiteral("rbMethod%1").arg(static_cast<int>(info.method)));
        methods->addButton(b);
        methodButtons_[static_cast<int>(info.method)] = b;
        grid->addWidget(b, row, 0);
        const WizardMethod m = info.method;
        connect(b, &QRadioButton::toggled, this, [this, m](bool on) {
            if (!on) return;
            model_.SetMethod(m);
            updateMethodPage();
            if (m == WizardMethod::Random && randomCount_->isEnabled()) randomCount_->setFocus();
        });
        if (m == WizardMethod::Random) {
            randomCount_ = new QLineEdit(Q(model_.RandomCountText()), group);
            randomCount_->setObjectName(QStringLiteral("edtRandomCount"));
            randomCount_->setMaximumWidth(90);
            connect(randomCount_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetRandomCountText(t.toStdString()); });
            grid->addWidget(randomCount_, row, 2);
            grid->addWidget(Tag(new QLabel(group), kMsgRows), row, 3);
        } else if (m == WizardMethod::Filter) {
            useBox_ = Tag(new QCheckBox(group), kMsgUse);
            useBox_->setObjectName(QStringLiteral("chkUse"));
            useBox_->setChecked(model_.UseFilterTo());
            connect(useBox_, &QCheckBox::toggled, this, [this](bool on) {
                model_.SetUseFilterTo(on);
                updateConditionBoxes();
            });
            grid->addWidget(useBox_, row, 1);
            filterCount_ = new QLineEdit(Q(model_.FilterCountText()), group);
            filterCount_->setObjectName(QStringLiteral("edtFilterCount"));
            filterCount_->setMaximumWidth(90);
            connect(filterCount_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetFilterCountText(t.toStdString()); });
            grid->addWidget(filterCount_, row, 2);
            grid->addWidget(Tag(new QLabel(group), kMsgRows), row, 3);
        } else if (m == WizardMethod::Guarantee) {
            // The caption names both guarantees; the list picks one (N-1 or N-2 right).
            guaranteeChoice_ = new QComboBox(group);
            guaranteeChoice_->setObjectName(QStringLiteral("cmbGuarantee"));
            const int n = model_.MatchCount();
            guaranteeChoice_->addItems({QString::number(n - 1), QString::number(n - 2)});
            guaranteeChoice_->setCurrentIndex(model_.GuaranteeWrong() - 1);
            connect(guaranteeChoice_, &QComboBox::currentIndexChanged, this,
                    [this](int i) { model_.SetGuaranteeWrong(i + 1); });
            grid->addWidget(guaranteeChoice_, row, 1);
            auto* budget = new QHBoxLayout;
            budget->addWidget(Tag(new QLabel(group), kMsgSeconds));
            seconds_ = new QLineEdit(Q(model_.SecondsText()), group);
            seconds_->setObjectName(QStringLiteral("edtSeconds"));
            seconds_->setMaximumWidth(60);
            connect(seconds_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetSecondsText(t.toStdString()); });
            budget->addWidget(seconds_);
            grid->addLayout(budget, row, 2, 1, 2);
        } else if (m == WizardMethod::HighestValue) {
            // "Keep the [K] rows of highest value": the caption is split around the count field.
            keepCount_ = new QLineEdit(Q(model_.KeepCountText()), group);
            keepCount_->setObjectName(QStringLiteral("edtKeepCount"));
            keepCount_->setMaximumWidth(90);
            connect(keepCount_, &QLineEdit::textChanged, this,
                    [this](const QString& t) { model_.SetKeepCountText(t.toStdString()); });
            grid->addWidget(keepCount_, row, 2);
            keepTail_ = new QLabel(group);
            keepTail_->setObjectName(QStringLiteral("lblKeepTail"));
            grid->addWidget(keepTail_, row, 3, 1, 2);
        }
        ++row;
    }
    grid->setColumnStretch(4, 1);
    methodButtons_[static_cast<int>(WizardMethod::Mathematical)]->setChecked(true);
    auto* indent = new QHBoxLayout;
    indent->addSpacing(24);
    indent->addWidget(group, 1);
    lay->addLayout(indent);
    lay->addWidget(readFile_);
    lay->addStretch();
    connect(generate_, &QRadioButton::toggled, this, [this](bool on) {
        model_.SetReadFromFile(!on);
        updateMethodPage();
    });
    pages_->addWidget(page);
}

void TfrmGenerate::buildConditionsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageConditions"));
    auto* lay = new QVBoxLayout(page);
    auto* group = Tag(new QGroupBox(page), kMsgConditions);
    auto* grid = new QGridLayout(group);
    const auto flagBox = [&](int flag, QGroupBox* parent) {
        auto* box = new QCheckBox(parent);
        box->setObjectName(QStringLiteral("chkFlag%1").arg(flag));
        box->setChecked(model_.Conditions().flag(flag));
        connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
            model_.SetFlag(flag, on);
            showWarranty();  // the note under the texts follows the conditions
        });
        flagBoxes_[flag] = box;
        return box;
    };
    auto* rowDiffBox = flagBox(core::UseRadDiff, group);
    Tag(rowDiffBox, kMsgRowDiff);
    grid->addWidget(rowDiffBox, 0, 0, 1, 2);
    rowDiff_ = new QComboBox(group);
    rowDiff_->setObjectName(QStringLiteral("cmbRowDiff"));
    for (int d = 2; d <= 6; ++d) rowDiff_->addItem(QString::number(d));
    rowDiff_->setCurrentIndex(model_.RowDiffIndex());
    connect(rowDiff_, &QComboBox::currentIndexChanged, this, [this](int i) { model_.SetRowDiffIndex(i); });
    grid->addWidget(rowDiff_, 0, 2);
    int row = 1;
    int index = 0;
    for (const auto& [flag, msg] : kEditorButtons) {
        grid->addWidget(flagBox(flag, group), row, 0);
        auto* b = Tag(new QPushButton(group), msg);
        b->setObjectName(QStringLiteral("btnEditor%1").arg(index));
        b->setAutoDefault(false);
        const auto editor = static_cast<Editor>(index);
        connect(b, &QPushButton::clicked, this, [this, editor] { OpenEditor(editor); });
        editorButtons_[index] = b;
        grid->addWidget(b, row, 1, 1, 2);
        ++row;
        ++index;
    }
    grid->setColumnStretch(3, 1);
    grid->addWidget(Tag(new QLabel(group), kMsgStartRowLabel), row, 0, 1, 3);
    startRow_ = new QLabel(group);
    startRow_->setObjectName(QStringLiteral("lblStartRow"));
    startRow_->setCursor(Qt::PointingHandCursor);
    QFont mono = startRow_->font();
    mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
    mono.setUnderline(true);
    startRow_->setFont(mono);
    startRow_->setStyleSheet(QStringLiteral("color: #0645ad"));
    startRow_->installEventFilter(this);
    grid->addWidget(startRow_, row + 1, 0, 1, 4);
    lay->addWidget(group);
    typeLabels_[0] = new QLabel(page);
    typeLabels_[0]->setObjectName(QStringLiteral("lblType2"));
    lay->addWidget(typeLabels_[0]);
    lay->addStretch();
    pages_->addWidget(page);
}

void TfrmGenerate::buildGenerationPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageGeneration"));
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(Tag(new QLabel(page), kMsgGeneration));
    auto* grid = new QGridLayout;
    grid->addWidget(Tag(new QLabel(page), kMsgTested), 0, 0);
    tested_ = new QLabel(page);
    tested_->setObjectName(QStringLiteral("lblTested"));
    grid->addWidget(tested_, 0, 1);
    grid->addWidget(Tag(new QLabel(page), kMsgUsed), 1, 0);
    used_ = new QLabel(page);
    used_->setObjectName(QStringLiteral("lblUsed"));
    grid->addWidget(used_, 1, 1);
    grid->setColumnStretch(2, 1);
    lay->addLayout(grid);
    bar_ = new QProgressBar(page);
    bar_->setObjectName(QStringLiteral("barProgress"));
    bar_->setFormat(QStringLiteral("%p %"));
    bar_->setValue(0);
    lay->addWidget(bar_);
    rate_ = new QLabel(page);
    rate_->setObjectName(QStringLiteral("lblRate"));
    lay->addWidget(rate_);
    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, int msg, void (TfrmGenerate::*slot)()) {
        auto* b = Tag(new QPushButton(page), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    add("btnReduce", kMsgReduce, &TfrmGenerate::ReduceClick);
    add("btnCancelRun", kMsgCancel, &TfrmGenerate::CancelRunClick);
    add("btnRestore", kMsgReset, &TfrmGenerate::RestoreClick);
    buttons->addStretch();
    lay->addLayout(buttons);
    typeLabels_[1] = new QLabel(page);
    typeLabels_[1]->setObjectName(QStringLiteral("lblType3"));
    lay->addWidget(typeLabels_[1]);
    lay->addStretch();
    pages_->addWidget(page);
}

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

// ---------------------------------------------------------------------------
// State shown

QPushButton* TfrmGenerate::Button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

QCheckBox* TfrmGenerate::FlagBox(int flag) const { return flag >= 0 && flag < 8 ? flagBoxes_[flag] : nullptr; }

QRadioButton* TfrmGenerate::MethodButton(WizardMethod m) const { return methodButtons_[static_cast<int>(m)]; }

qint64 TfrmGenerate::LongestTickGapMs() const { return job_->LongestTickGapMs(); }

void TfrmGenerate::showStep() {
    const int step = model_.Step();
    pages_->setCurrentIndex(step);
    const QString title = M(kMsgTitle).remove(QLatin1Char('&')).trimmed() + QLatin1Char(' ') +
                          MF(kMsgStep, {static_cast<long long>(step + 1)});
    setWindowTitle(title);
    title_->setText(title);
    const QString type = model_.TypeFigure() ? MF(model_.TypeMessage(), {static_cast<long long>(model_.TypeFigure())})
                                             : M(model_.TypeMessage());
    for (QLabel* l : typeLabels_) l->setText(type);
    if (step == 3) startValue();
    updateConditionBoxes();
    updateControls();
    updateStatus();
}

void TfrmGenerate::updateControls() {
    const bool fileExists = !options_.systemFile.empty() && fs::exists(options_.systemFile);
    const reduction::WizardControls c = model_.Controls(fileExists);
    const std::pair<const char*, bool> states[] = {
        {"btnReduce", c.reduce},
        {"btnRestore", c.restore},
        {"btnCancelRun", c.cancelRun},
        {"btnWarrantyGenerate", c.warrantyGenerate},
        {"btnWarrantyCancel", c.warrantyCancel},
        {"btnExport", c.exportButton},
        {"btnImport", c.importButton},
        {"btnPrevious", c.previous},
        {"btnNext", c.next},
        {"btnFinish", c.finish},
        {"btnClose", c.close},
    };
    for (const auto& [name, on] : states)
        if (QPushButton* b = Button(QLatin1String(name))) b->setEnabled(on);
    updateMethodPage();
    updateConditionBoxes();
}

void TfrmGenerate::updateMethodPage() {
    const reduction::MethodControls m = model_.MethodStates();
    generate_->setEnabled(!model_.Running());
    readFile_->setEnabled(!model_.Running());
    MethodButton(WizardMethod::Mathematical)->setEnabled(m.mathematical);
    MethodButton(WizardMethod::Random)->setEnabled(m.random);
    MethodButton(WizardMethod::Filter)->setEnabled(m.filter);
    MethodButton(WizardMethod::Guarantee)->setEnabled(m.guarantee);
    MethodButton(WizardMethod::HighestValue)->setEnabled(m.highestValue);
    guaranteeChoice_->setEnabled(m.guaranteeChoice);
    seconds_->setEnabled(m.seconds);
    keepCount_->setEnabled(m.keepCount);
    showMethodCaptions();
    useBox_->setEnabled(m.useBox);
    filterCount_->setEnabled(m.filterCount);
    randomCount_->setEnabled(m.randomCount);
    // A chosen method that is no longer offered gives way to mathematical.
    for (WizardMethod gone : {WizardMethod::Filter, WizardMethod::Guarantee, WizardMethod::HighestValue})
        if (model_.Method() != gone && MethodButton(gone)->isChecked()) {
            // The choice itself changes, not only the button: rows that come back
            // later (Reset) must not bring back a method the page no longer shows.
            model_.SetMethod(WizardMethod::Mathematical);
            const QSignalBlocker block(MethodButton(WizardMethod::Mathematical));
            MethodButton(WizardMethod::Mathematical)->setChecked(true);
        }
    if (filterCount_->text() != Q(model_.FilterCountText())) {
        const QSignalBlocker block(filterCount_);
        filterCount_->setText(Q(model_.FilterCountText()));
    }
}

void TfrmGenerate::showMethodCaptions() {
    const int n = model_.MatchCount();
    MethodButton(WizardMethod::Guarantee)
        ->setText(MF(kMsgGuaranteeCaption, {static_cast<long long>(n - 1), static_cast<long long>(n - 2)}));
    const QString keep = M(kMsgKeepCaption);
    const int at = keep.indexOf(QLatin1String("%d"));
    MethodButton(WizardMethod::HighestValue)->setText(at < 0 ? keep : keep.left(at).trimmed());
    keepTail_->setText(at < 0 ? QString() : keep.mid(at + 2).trimmed());
}

void TfrmGenerate::updateConditionBoxes() {
    const reduction::ConditionControls cc = model_.ConditionStates();
    const bool idle = !model_.Running();
    const std::pair<int, bool> boxes[] = {
        {core::UseRadDiff, cc.rowDiff},    {core::UseMaxMin, cc.signCounts}, {core::UseProcent, cc.percentage},
        {core::UseURad, cc.sourceRows},    {core::UseNejKomb, cc.noComb},    {core::UseJaKomb, cc.yesComb},
        {core::UseChooseWin, cc.winLevel},
    };
    for (const auto& [flag, on] : boxes) {
        flagBoxes_[flag]->setEnabled(on && idle);
        const QSignalBlocker block(flagBoxes_[flag]);
        flagBoxes_[flag]->setChecked(model_.Conditions().flag(flag));
    }
    rowDiff_->setEnabled(cc.rowDiff && idle);
    const bool editors[] = {cc.signCounts, cc.percentage, cc.sourceRows, cc.noComb, cc.yesComb, cc.winLevel};
    for (int i = 0; i < 6; ++i) editorButtons_[i]->setEnabled(editors[i] && idle);
    startRow_->setEnabled(cc.rowDiff && idle);
}

void TfrmGenerate::updateStatus() {
    const int msg = model_.RunStatusMessage();
    status_[0]->setText(msg ? M(msg) : MF(kMsgMathRows, {core::GroupDigits(static_cast<int64_t>(model_.FrameRows()))}));
    // The grade follows the rows; it stays as it was while a run changes them.
    if (!model_.Running())
        status_[1]->setText(MF(kMsgGrade, {static_cast<long long>(
                                              reduction::GradeOfReduction(model_.Rows().size(), model_.FrameRows()))}));
}

void TfrmGenerate::showStartRow() {
    const std::string& first = model_.Conditions().firstRow;
    startRow_->setText(first.empty() ? M(kMsgNoStartRow) : Q(core::SignsToDisplay(first, round_.signs)));
}

void TfrmGenerate::showCounters(int64_t tested, int64_t used, int64_t bar) {
    tested_->setText(Grouped(tested));
    used_->setText(used < 0 ? QString() : Grouped(used));
    SetScaledProgress(bar_, bar, std::max<int64_t>(model_.ProgressMaximum(), bar));
}

bool TfrmGenerate::conditionsOn() const {
    const auto& c = model_.Conditions();
    for (int flag :
         {core::UseMaxMin, core::UseURad, core::UseJaKomb, core::UseNejKomb, core::UseProcent, core::UseChooseWin})
        if (c.flag(flag)) return true;
    return false;
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
// Navigation

void TfrmGenerate::NextClick() {
    switch (model_.Next()) {
        case WizardModel::NextResult::ReadFromFile:
            // The reduced-system dialog takes over (its command opens it next).
            done(kReadSystemFromFile);
            return;
        case WizardModel::NextResult::WeightsOver100:
            prompter_.error(this, M(kMsgWeightsOver));
            OpenEditor(Editor::Percentage);
            return;
        case WizardModel::NextResult::RandomCountTooSmall:
            prompter_.error(this, M(kMsgRandomTooSmall));
            randomCount_->setFocus();
            return;
        case WizardModel::NextResult::RandomCountTooLarge:
            prompter_.error(this, MF(kMsgRandomTooLarge, {core::GroupDigits(static_cast<int64_t>(model_.FrameRows()))}));
            randomCount_->setFocus();
            return;
        case WizardModel::NextResult::Refused: return;
        case WizardModel::NextResult::Moved: break;
    }
    if (model_.Step() == 1) {
        // The counts as the run will use them.
        const QSignalBlocker b1(filterCount_), b2(randomCount_);
        filterCount_->setText(Q(model_.FilterCountText()));
        randomCount_->setText(QString::number(model_.RandomCount()));
        model_.SetRandomCountText(randomCount_->text().toStdString());
    }
    showStep();
}

void TfrmGenerate::PreviousClick() {
    model_.Previous();
    showStep();
}

void TfrmGenerate::FinishClick() {
    if (model_.Running() || !model_.Controls(false).finish) return;
    result_ = doc_;
    model_.ApplyTo(result_, reduction::WarrantyTexts::FromLanguage(core::CurrentLanguage()));
    accept();
}

void TfrmGenerate::reject() {
    if (model_.Running()) {
        prompter_.information(this, M(kMsgStillRunning));
        return;
    }
    QDialog::reject();
}

void TfrmGenerate::closeEvent(QCloseEvent* event) {
    if (model_.Running()) {
        event->ignore();
        prompter_.information(this, M(kMsgStillRunning));
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmGenerate::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;  // no default button
    QDialog::keyPressEvent(event);
}

bool TfrmGenerate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == startRow_ && event->type() == QEvent::MouseButtonRelease && startRow_->isEnabled()) {
        StartRowClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmGenerate::help() {
    OpenHelp(this, kHelpPage);
}

// ---------------------------------------------------------------------------
// Runs

void TfrmGenerate::startRun(reduction::GenerationInput input) {
    try {
        gen_ = std::make_shared<reduction::TRowGeneration>(std::move(input));
    } catch (const std::exception& e) {
        model_.AbortRun();
        updateControls();
        updateStatus();
        prompter_.error(this, MF(kMsgRunFailed, {std::string(e.what())}));
        return;
    }
    lastTested_ = 0;
    status_[2]->setText(M(kMsgTimeZero));
    rate_->clear();
    SetScaledProgress(bar_, 0, std::max<int64_t>(model_.ProgressMaximum(), 1));
    tested_->setText(Grouped(0));
    if (model_.RunningKind() == reduction::RunKind::Reduction) used_->setText(Grouped(0));
    else used_->clear();
    runClock_.start();
    job_->Start([gen = gen_](JobProgress&) { gen->Run(); });
    updateControls();
    updateStatus();
}

void TfrmGenerate::ReduceClick() {
    if (model_.Running() || model_.Step() < 2) return;
    if (model_.EnteredMethod() == WizardMethod::Guarantee) {
        // The search covers outcomes; thinning its rows by row difference would
        // break the guarantee, so the tick goes, and the player is told.
        if (model_.Conditions().flag(core::UseRadDiff)) prompter_.information(this, M(kMsgGuaranteeNoRowDiff));
        startGuarantee();
        return;
    }
    if (model_.EnteredMethod() == WizardMethod::HighestValue) {
        startHighestValue();
        return;
    }
    reduction::GenerationInput in = model_.BeginReduction();
    {
        const QSignalBlocker block(filterCount_);
        filterCount_->setText(Q(model_.FilterCountText()));
    }
    showWarranty();
    startRun(std::move(in));
}

void TfrmGenerate::WarrantyGenerateClick() {
    if (model_.Running()) return;
    startRun(model_.BeginWarranty());
}

void TfrmGenerate::CancelRunClick() {
    if (!model_.Running() || (!gen_ && !guarantee_ && !kept_)) return;
    Button(QStringLiteral("btnCancelRun"))->setEnabled(false);
    Button(QStringLiteral("btnWarrantyCancel"))->setEnabled(false);
    if (gen_) gen_->Cancel();  // the engine runs on the job's thread: this only raises its flag
    job_->Cancel();            // the guarantee search reads the job's own flag
}

void TfrmGenerate::beginRunDisplay() {
    showWarranty();  // the old warranty is gone with the rows about to change
    lastTested_ = 0;
    status_[2]->setText(M(kMsgTimeZero));
    rate_->clear();
    SetScaledProgress(bar_, 0, std::max<int64_t>(model_.ProgressMaximum(), 1));
    tested_->setText(Grouped(0));
    used_->clear();
    runClock_.start();
    updateControls();
    updateStatus();
}

void TfrmGenerate::startGuarantee() {
    auto r = std::make_shared<reduction::GuaranteeRun>();
    r->input = model_.BeginGuarantee();
    guarantee_ = r;
    beginRunDisplay();
    // The operator's shipped system of the frame's guards is the start when
    // it is the smaller list; it is read on the job, not here.
    job_->Start([r, folder = reduction::OperatorSystemsFolder(doc_.Country)](JobProgress& p) {
        r->input.startRows = reduction::ShippedSystemRows(folder, r->input.frame, r->input.conditions.n, r->input.wrong);
        r->Run(&p.cancel, &p.phase, &p.done, &p.total);
    });
}

void TfrmGenerate::startHighestValue() {
    if (reduction::NoMarketData(valueModel_)) {
        prompter_.error(this, M(kMsgNoGameInfo));
        return;
    }
    const auto k = static_cast<size_t>(model_.BeginHighestValue());
    auto rows = std::make_shared<std::vector<std::string>>(model_.Rows());
    kept_ = rows;
    beginRunDisplay();
    job_->Start([rows, k, vm = valueModel_](JobProgress& p) {
        p.total.store(static_cast<int64_t>(rows->size()));
        // A cancel stops the valuing; the end of the run then keeps the rows there were.
        *rows = reduction::KeepHighestValue(*rows, vm, k, &p.cancel, &p.done);
    });
}

void TfrmGenerate::onOtherTick() {
    JobProgress& p = job_->Progress();
    const qint64 ms = runClock_.elapsed();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    const int64_t done = p.done.load(), total = p.total.load();
    if (guarantee_ && p.phase.load() != static_cast<int>(reduction::GuaranteePhase::Expansion)) {
        // Searching: the bar is the time budget used; the rows are the best list so far.
        SetScaledProgress(bar_, done, std::max<int64_t>(total, 1));
        tested_->setText(Grouped(model_.FrameRows()));
        rate_->setText(Q(guarantee_->ProgressText(core::CurrentLanguage())));
        const int64_t best = guarantee_->rowsSoFar.load();
        used_->setText(best > 0 ? Grouped(best) : QString());
    } else {
        SetScaledProgress(bar_, done, std::max<int64_t>(total, 1));
        tested_->setText(Grouped(done));
    }
}

void TfrmGenerate::onOtherFinished(bool cancelled, const QString& error) {
    const qint64 ms = runClock_.elapsed();
    QString status;
    if (guarantee_) {
        auto r = std::move(guarantee_);
        cancelled = cancelled || r->result.cancelled;
        if (!error.isEmpty()) {
            model_.AbortRun();
            prompter_.error(this, MF(kMsgRunFailed, {error.toStdString()}));
        } else {
            // A refused run or one with nothing to cover leaves the rows as they were.
            model_.EndGuarantee(r->Ok() ? r->result : reduction::GuaranteeResult{}, cancelled);
            status = Q(r->StatusText(core::CurrentLanguage()));
            if (r->errorMessage != 0 || !r->errorText.empty()) prompter_.error(this, status);
        }
    } else {
        auto rows = std::move(kept_);
        if (!error.isEmpty()) {
            model_.AbortRun();
            prompter_.error(this, MF(kMsgRunFailed, {error.toStdString()}));
        } else if (cancelled) {
            // Keeping the highest is all or nothing: a stopped run keeps the rows there were.
            model_.EndReduction(model_.Rows(), true);
        } else {
            model_.EndReduction(std::move(*rows), false);
        }
    }
    if (!model_.Running() && model_.LastRun() == reduction::RunKind::Reduction) {
        const auto k = model_.CountersAfterRun(0);
        showCounters(k.tested, k.used, k.bar);
    }
    showWarranty();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    updateControls();
    updateStatus();
    rate_->setText(status);
    emit runFinished();
}

bool TfrmGenerate::ValueRunning() const { return valueJob_->Running(); }

void TfrmGenerate::startValue() {
    if (valueJob_->Running()) valueJob_->CancelAndJoin();
    value_.reset();
    if (reduction::NoMarketData(valueModel_)) {
        chart_->Clear(M(kMsgNoGameInfo));
        emit valueFinished();
        return;
    }
    if (model_.MatchCount() > reduction::kMaxValueMatches) {
        chart_->Clear(MF(kMsgValueMatches, {static_cast<long long>(reduction::kMaxValueMatches)}));
        emit valueFinished();
        return;
    }
    if (model_.Rows().empty()) {
        chart_->Clear(M(kMsgNoRowsToValue));
        emit valueFinished();
        return;
    }
    auto run = std::make_shared<reduction::ValueRun>();
    run->rows = model_.Rows();
    run->model = valueModel_;
    value_ = run;
    chart_->Clear();
    valueJob_->Start([run](JobProgress& p) { run->Run(&p.cancel, &p.done, &p.total); });
}

void TfrmGenerate::onTick() {
    if (guarantee_ || kept_) {
        onOtherTick();
        return;
    }
    if (!gen_) return;
    const int64_t tested = gen_->Tested();
    const auto phase = gen_->Phase();
    const qint64 ms = runClock_.elapsed();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    tested_->setText(Grouped(tested));
    int64_t maximum = model_.ProgressMaximum();
    if (phase == reduction::GenerationPhase::WarrantyTally || phase == reduction::GenerationPhase::RowDifference)
        maximum = gen_->Maximum();
    const bool reducing = model_.RunningKind() == reduction::RunKind::Reduction;
    const bool randomRun = reducing && model_.Mode() == reduction::GenerationMode::Random;
    const int64_t accepted = gen_->Accepted();
    if (reducing) used_->setText(Grouped(accepted));
    // A random run is as far as the rows it has found.
    if (randomRun) SetScaledProgress(bar_, accepted, std::max<int64_t>(maximum, 1));
    else SetScaledProgress(bar_, tested, maximum);
    // Speed and time left on runs longer than a second.
    if (ms >= 1000 && tested > 0) {
        const double perSecond = static_cast<double>(tested) * 1000.0 / static_cast<double>(ms);
        QString text = MF(kMsgRate, {core::GroupDigits(static_cast<int64_t>(perSecond))});
        if (!randomRun && maximum > tested && perSecond > 0) {
            const auto left = static_cast<qint64>(static_cast<double>(maximum - tested) / perSecond * 1000.0);
            text += QStringLiteral("    ") + MF(kMsgTimeLeft, {Clock(left + 999).toStdString()});
        }
        rate_->setText(text);
    }
    lastTested_ = tested;
}

void TfrmGenerate::onFinished(bool cancelled, const QString& error) {
    if (guarantee_ || kept_) {
        onOtherFinished(cancelled, error);
        if (model_.Step() == 3) startValue();
        return;
    }
    if (!gen_) return;
    const qint64 ms = runClock_.elapsed();
    const std::string engineError = gen_->Error();
    const reduction::RunKind kind = model_.RunningKind();
    cancelled = cancelled || gen_->Cancelled();
    QString notice;  // told once the window shows the end of the run
    if (!error.isEmpty() || !engineError.empty()) {
        model_.AbortRun();
        prompter_.error(this, MF(kMsgRunFailed, {error.isEmpty() ? engineError : error.toStdString()}));
    } else if (kind == reduction::RunKind::Reduction) {
        // A random run that found nothing new for a long while ends as an interrupted one.
        const bool stalled = gen_->Stalled();
        model_.EndReduction(gen_->Rows(), cancelled || stalled);
        const auto k = model_.CountersAfterRun(gen_->Tested());
        showCounters(k.tested, k.used, k.bar);
        showStartRow();
        if (stalled)
            notice = MF(kMsgRandomStalled, {core::GroupDigits(reduction::RandomStallTries(model_.FrameRows())),
                                            core::GroupDigits(static_cast<int64_t>(model_.Rows().size()))});
    } else {
        model_.EndWarranty(gen_->Warranty(), cancelled);
        SetScaledProgress(bar_, gen_->Tested(), std::max<int64_t>(gen_->Maximum(), 1));
        showWarranty();
    }
    gen_.reset();
    if (model_.Step() == 3) startValue();
    status_[2]->setText(M(kMsgTimeUsed) + Clock(ms));
    if (bar_->maximum() == 0) SetScaledProgress(bar_, 0, 1);
    updateControls();
    updateStatus();
    if (!notice.isEmpty()) prompter_.information(this, notice);
    emit runFinished();
}

void TfrmGenerate::RestoreClick() {
    if (model_.Running()) return;
    if (prompter_.question(this, MF(kMsgRestore, {static_cast<long long>(model_.SystemRowCount())}), false) !=
        Answer::Yes)
        return;
    model_.Restore();
    showCounters(0, static_cast<int64_t>(model_.Rows().size()), 0);
    showWarranty();
    updateControls();
    updateStatus();
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

// ---------------------------------------------------------------------------
// Conditions page

void TfrmGenerate::StartRowClick() {
    if (model_.Running()) return;
    const std::string shown = model_.Conditions().firstRow.empty()
                                  ? std::string()
                                  : core::SignsToDisplay(model_.Conditions().firstRow, round_.signs);
    const auto typed = prompter_.inputText(this, M(kMsgStartRowTitle), M(kMsgStartRowPrompt), Q(shown));
    if (!typed) return;
    model_.SetStartRowEntry(typed->toStdString(), round_.signs);
    showStartRow();
}

void TfrmGenerate::OpenEditor(Editor editor) {
    if (model_.Running()) return;
    reduction::ConditionSet& c = model_.Conditions();
    const auto run = [&](auto& dlg) {
        if (dlg.exec() == QDialog::Accepted) dlg.Store(c);
    };
    switch (editor) {
        case Editor::SignCounts: {
            TfrmSignCounts dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::Percentage: {
            TfrmPercent dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::SourceRows: {
            TfrmSourceRows dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::NoComb: {
            TfrmCombinations dlg(reduction::CombinationEditor::Kind::No, c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::YesComb: {
            TfrmCombinations dlg(reduction::CombinationEditor::Kind::Yes, c, round_, prompter_, this);
            run(dlg);
            break;
        }
        case Editor::WinLevel: {
            TfrmWinLevel dlg(c, round_, prompter_, this);
            run(dlg);
            break;
        }
    }
    showWarranty();
}

}  // namespace vinra::ui
