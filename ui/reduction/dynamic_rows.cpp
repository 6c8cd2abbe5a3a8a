#include "ui/reduction/dynamic_rows.h"

#include <algorithm>
#include <limits>

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"
#include "net/game_info.h"
#include "ui/core/help.h"
#include "ui/core/background_job.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/localise.h"
#include "ui/core/progress_bar.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/reduction/run_counters.h"
#include "ui/reduction/template_editor.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;
using reduction::GenerationPhase;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
QString MF(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

constexpr int kMsgHelp = 32;           // "&Help"
constexpr int kMsgCancel = 41;         // "&Cancel"
constexpr int kMsgFinish = 61;         // "&Finish"
constexpr int kMsgNext = 62;           // "&Next"
constexpr int kMsgPrevious = 63;       // "&Previous"
constexpr int kMsgTested = 87;         // "Number of tested rows:"
constexpr int kMsgUsed = 88;           // "Number of used rows:"
constexpr int kMsgCaption = 564;       // "Expert system"
constexpr int kMsgChoose = 565;        // "Choose method:"
constexpr int kMsgWelcome = 566;       // what the expert system does
constexpr int kMsgAlways = 567;        // "&Always show this guide on New system."
constexpr int kMsgLimitText = 568;     // "The only thing left is to limit the size of the system. ..."
constexpr int kMsgMaxRows = 569;       // "Max number of rows:"
constexpr int kMsgBrowse = 570;        // "Browse..."
constexpr int kMsgCreate = 571;        // "Create..."
constexpr int kMsgMathRows = 572;      // "Mathematical no of rows:"
constexpr int kMsgAfterDiff = 573;     // "Rows after warranty-redcution:"
constexpr int kMsgFinal = 574;         // "Final number of rows:"
constexpr int kMsgOnNew = 575;         // "Expert Wizard on new system"
constexpr int kMsgPlaceBet = 577;      // "Place bet on Finish"
constexpr int kMsgTemplates = 1726;    // "Expert templates"
constexpr int kMsgReadFailed = 1728;   // "The template could not be read: %s"
constexpr int kMsgRunFailed = 1729;    // "The rows could not be generated: %s"
constexpr int kMsgNoTemplates = 1730;  // "No templates were found in %s."
constexpr int kMsgNoPeople = 1731;     // "The round has no people's percentages: ..."

QString Grouped(int64_t v) { return Q(core::GroupDigits(v)); }

}  // namespace

TfrmDynamicRows::TfrmDynamicRows(const core::TVinraFile& doc, Program& program, Prompter& prompter, Options options,
                                 QWidget* parent)
    : QDialog(parent), program_(program), prompter_(prompter), options_(std::move(options)), doc_(doc), result_(doc) {
    SetHelpPage(this, "expert.htm");
    setObjectName(QStringLiteral("frmDynamicRows"));
    Tag(this, kMsgCaption);
    setModal(true);
    templates_ = reduction::ListTemplates(reduction::TemplateFolder(program_.DataFolder()), core::CurrentLanguage());
    job_ = new BackgroundJob(this, 100);
    connect(job_, &BackgroundJob::progress, this, [this](qint64, qint64, int) { onTick(); });
    connect(job_, &BackgroundJob::finished, this, &TfrmDynamicRows::onPassEnded);

    auto* lay = new QVBoxLayout(this);
    pages_ = new QStackedWidget(this);
    lay->addWidget(pages_, 1);
    buildWelcome();
    buildMethod();
    buildLimit();
    buildGenerate();

    auto* nav = new QHBoxLayout;
    const auto addNav = [&](const char* name, int msg, void (TfrmDynamicRows::*slot)()) {
        auto* b = Tag(new QPushButton(this), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        nav->addWidget(b);
        return b;
    };
    auto* help = Tag(new QPushButton(this), kMsgHelp);
    help->setObjectName(QStringLiteral("btnHelp"));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(this, "expert.htm"); });
    nav->addWidget(help);
    nav->addStretch();
    addNav("btnPrevious", kMsgPrevious, &TfrmDynamicRows::PreviousClick);
    addNav("btnNext", kMsgNext, &TfrmDynamicRows::NextClick);
    addNav("btnFinish", kMsgFinish, &TfrmDynamicRows::FinishClick);
    addNav("btnCancel", kMsgCancel, &TfrmDynamicRows::CancelClick);
    lay->addLayout(nav);

    Localise(this);
    // The limit: the system's own, the slider where the field's value puts it.
    limit_value_ = doc_.FilterToRader > 0 ? doc_.FilterToRader : 100;
    limit_->setText(QString::number(limit_value_));
    {
        const QSignalBlocker block(slider_);
        slider_->setValue(std::clamp(limit_value_ / 50, 1, 20));
    }
    if (!templates_.empty()) SelectTemplate(0);
    showPage(Welcome);
    resize(640, 460);
}

TfrmDynamicRows::~TfrmDynamicRows() {
    if (gen_) gen_->Cancel();
    if (job_) job_->CancelAndJoin();
}

// ---------------------------------------------------------------------------
// Pages

void TfrmDynamicRows::buildWelcome() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageWelcome"));
    auto* lay = new QVBoxLayout(page);
    auto* title = Tag(new QLabel(page), kMsgCaption);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    title->setFont(f);
    lay->addWidget(title);
    auto* text = Tag(new QLabel(page), kMsgWelcome);
    text->setWordWrap(true);
    lay->addWidget(text);
    lay->addStretch();
    always_ = Tag(new QCheckBox(page), kMsgAlways);
    always_->setObjectName(QStringLiteral("cbAlways"));
    always_->setChecked(program_.settings.guideOnNewFile);
    placeBet_ = Tag(new QCheckBox(page), kMsgPlaceBet);
    placeBet_->setObjectName(QStringLiteral("cbPlaceBet"));
    placeBet_->setChecked(program_.settings.postAfterGuide);
    // Only these operators take rows straight from the program.
    placeBet_->setVisible(doc_.Country == "Svenska Spel" || doc_.Country == "Unibet");
    lay->addWidget(always_);
    lay->addWidget(placeBet_);
    pages_->addWidget(page);
}

void TfrmDynamicRows::buildMethod() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageMethod"));
    auto* lay = new QGridLayout(page);
    lay->addWidget(Tag(new QLabel(page), kMsgChoose), 0, 0, 1, 2);
    methods_ = new QListWidget(page);
    methods_->setObjectName(QStringLiteral("lstMethods"));
    for (const auto& t : templates_) methods_->addItem(Q(t.name));
    connect(methods_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= static_cast<int>(templates_.size())) return;
        desc_->setText(Q(templates_[static_cast<size_t>(row)].desc));
        QPixmap pic;
        if (!templates_[static_cast<size_t>(row)].picture.empty())
            pic.load(Q(templates_[static_cast<size_t>(row)].picture.string()));
        picture_->setPixmap(pic);
        updateMethodButtons();
    });
    lay->addWidget(methods_, 1, 0, 2, 1);
    picture_ = new QLabel(page);
    picture_->setObjectName(QStringLiteral("imgTemplate"));
    picture_->setFixedSize(170, 220);
    picture_->setAlignment(Qt::AlignCenter);
    lay->addWidget(picture_, 1, 1);
    desc_ = new QLabel(page);
    desc_->setObjectName(QStringLiteral("lblDescription"));
    desc_->setWordWrap(true);
    desc_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    desc_->setMinimumHeight(60);
    lay->addWidget(desc_, 3, 0, 1, 2);
    if (templates_.empty())
        desc_->setText(MF(kMsgNoTemplates, {reduction::TemplateFolder(program_.DataFolder()).string()}));
    auto* buttons = new QHBoxLayout;
    browse_ = Tag(new QPushButton(page), kMsgBrowse);
    browse_->setObjectName(QStringLiteral("btnBrowse"));
    create_ = Tag(new QPushButton(page), kMsgCreate);
    create_->setObjectName(QStringLiteral("btnCreate"));
    connect(browse_, &QPushButton::clicked, this, &TfrmDynamicRows::BrowseClick);
    connect(create_, &QPushButton::clicked, this, &TfrmDynamicRows::CreateClick);
    buttons->addWidget(browse_);
    buttons->addWidget(create_);
    buttons->addStretch();
    lay->addLayout(buttons, 4, 0, 1, 2);
    lay->setColumnStretch(0, 1);
    lay->setRowStretch(2, 1);
    pages_->addWidget(page);
}

void TfrmDynamicRows::buildLimit() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageLimit"));
    auto* lay = new QVBoxLayout(page);
    auto* text = Tag(new QLabel(page), kMsgLimitText);
    text->setWordWrap(true);
    lay->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addWidget(Tag(new QLabel(page), kMsgMaxRows));
    limit_ = new QLineEdit(page);
    limit_->setObjectName(QStringLiteral("edMaxRows"));
    limit_->setMaximumWidth(100);
    connect(limit_, &QLineEdit::editingFinished, this, &TfrmDynamicRows::applyLimitField);
    row->addWidget(limit_);
    row->addStretch();
    lay->addLayout(row);
    slider_ = new QSlider(Qt::Horizontal, page);
    slider_->setObjectName(QStringLiteral("sldMaxRows"));
    slider_->setRange(1, 20);
    slider_->setValue(2);
    slider_->setTickPosition(QSlider::TicksBelow);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) {
        limit_->setText(QString::number(v * 50));
        applyLimitField();
    });
    lay->addWidget(slider_);
    lay->addStretch();
    pages_->addWidget(page);
}

void TfrmDynamicRows::buildGenerate() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pageGenerate"));
    auto* lay = new QVBoxLayout(page);
    const int msgs[5] = {kMsgMathRows, kMsgTested, kMsgUsed, kMsgAfterDiff, kMsgFinal};
    std::vector<RunCounters::Counter> list;
    for (int i = 0; i < 5; ++i) list.push_back({msgs[i], QStringLiteral("lblCounter%1").arg(i)});
    auto* run = new RunCounters(list, QStringLiteral("pbGenerate"), page);
    for (int i = 0; i < 5; ++i) {
        counters_[i] = run->Value(i);
        counters_[i]->setText(QStringLiteral("0"));
    }
    bar_ = run->Bar();
    bar_->setTextVisible(false);
    lay->addWidget(run);
    lay->addStretch();
    pages_->addWidget(page);
}

// ---------------------------------------------------------------------------
// State

bool TfrmDynamicRows::AlwaysShow() const { return always_->isChecked(); }
bool TfrmDynamicRows::PlaceBet() const { return placeBet_->isVisibleTo(this) && placeBet_->isChecked(); }
bool TfrmDynamicRows::Running() const { return job_->Running(); }
int TfrmDynamicRows::CurrentPage() const { return pages_->currentIndex(); }

QPushButton* TfrmDynamicRows::Button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

void TfrmDynamicRows::showPage(int page) {
    pages_->setCurrentIndex(page);
    updateMethodButtons();
    updateButtons();
}

void TfrmDynamicRows::updateButtons() {
    const bool running = Running();
    const int page = CurrentPage();
    Button(QStringLiteral("btnNext"))
        ->setEnabled(!running && page != Generate && !(page == Method && templates_.empty()));
    Button(QStringLiteral("btnPrevious"))->setEnabled(!running && page != Welcome);
    // Finish replaces the system's rows: only once a run has made some.
    Button(QStringLiteral("btnFinish"))->setEnabled(!running && generated_ && !rows_.empty());
}

void TfrmDynamicRows::updateMethodButtons() {
    const bool last = CurrentPage() == Method && !templates_.empty() &&
                      methods_->currentRow() == static_cast<int>(templates_.size()) - 1;
    browse_->setVisible(last);
    create_->setVisible(last);
}

void TfrmDynamicRows::SelectTemplate(int index) {
    if (index < 0 || index >= methods_->count()) return;
    methods_->setCurrentRow(index);
}

void TfrmDynamicRows::applyLimitField() {
    limit_value_ = reduction::ParseRowLimit(limit_->text().trimmed().toStdString());
    if (limit_->text() != QString::number(limit_value_)) limit_->setText(QString::number(limit_value_));
    doc_.FilterToRader = limit_value_;
}

std::vector<reduction::RankEntry> TfrmDynamicRows::ranking() const {
    const int n = std::clamp<int>(doc_.MatchCount, 1, core::kMaxMatches);
    std::vector<std::array<std::string, 3>> people(static_cast<size_t>(n));
    const fs::path file = net::GameInfoFile(program_.DataFolder(), doc_.Pool, doc_.OmgID);
    std::error_code ec;
    if (doc_.OmgID > 0 && fs::exists(file, ec)) {
        net::TSvSpelInfo info;
        info.Load(file, n, doc_.Proc);
        for (int m = 0; m < n; ++m) people[static_cast<size_t>(m)] = info.People[static_cast<size_t>(m)];
    }
    return reduction::FavouriteRanking(people, n);
}

bool TfrmDynamicRows::applyTemplate() {
    const int row = methods_->currentRow();
    if (row < 0 || row >= static_cast<int>(templates_.size())) return false;
    fs::path file = templates_[static_cast<size_t>(row)].file;
    std::error_code ec;
    if (row == static_cast<int>(templates_.size()) - 1 && !browsed_.empty() && fs::is_regular_file(browsed_, ec))
        file = browsed_;
    reduction::ExpertTemplate t;
    try {
        t = reduction::ReadTemplate(file);
    } catch (const std::exception& e) {
        prompter_.error(this, MF(kMsgReadFailed, {std::string(e.what())}));
        return false;
    }
    const auto rank = ranking();
    if (std::all_of(rank.begin(), rank.end(), [](const reduction::RankEntry& e) { return e.percent < 0; }))
        prompter_.information(this, M(kMsgNoPeople));
    setup_ = reduction::ApplyTemplate(t, rank, doc_.MatchCount, reduction::FromDocument(doc_));
    return true;
}

// ---------------------------------------------------------------------------
// Navigation

void TfrmDynamicRows::NextClick() {
    if (Running()) return;
    const int page = CurrentPage();
    if (page == Generate) return;
    if (page == Method && templates_.empty()) return;
    if (page == Limit) applyLimitField();
    showPage(page + 1);
    if (page + 1 == Generate) startGeneration();
}

void TfrmDynamicRows::PreviousClick() {
    if (Running() || CurrentPage() == Welcome) return;
    showPage(CurrentPage() - 1);
}

void TfrmDynamicRows::FinishClick() {
    if (Running() || !generated_ || rows_.empty()) return;
    // The conditions stored are those the rows were made with, whatever the
    // player picked on the method page since.
    result_ = doc_;
    reduction::StoreExpertResult(result_, setup_, rows_, limit_value_);
    accept();
}

void TfrmDynamicRows::CancelClick() {
    if (Running()) {
        // Only the pass stops; its end is handled like any other.
        if (gen_) gen_->Cancel();  // the engine runs on the job's thread: this only raises its flag
        job_->Cancel();
        return;
    }
    reject();
}

void TfrmDynamicRows::reject() {
    // Escape or the close box while a pass runs: the pass is stopped and its
    // thread joined before the window goes, so nothing it writes outlives it.
    if (Running()) {
        if (gen_) gen_->Cancel();
        job_->CancelAndJoin();
        gen_.reset();
        pass_ = 0;
    }
    QDialog::reject();
}

void TfrmDynamicRows::BrowseClick() {
    FileDialogSpec spec;
    spec.filter = M(kMsgTemplates) + QStringLiteral(" (*.exp *.txt)");
    spec.defaultSuffix = QStringLiteral("exp");
    spec.folder = Q(reduction::TemplateFolder(program_.DataFolder()).string());
    const QString chosen = prompter_.openFile(this, spec);
    if (chosen.isEmpty()) return;
    const fs::path file(chosen.toStdString());
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return;
    browsed_ = file;
    try {
        const reduction::ExpertTemplate t = reduction::ReadTemplate(file);
        const std::string d = t.Desc(core::CurrentLanguage());
        desc_->setText(Q(file.filename().string()) + (d.empty() ? QString() : QStringLiteral("\n") + Q(d)));
        picture_->clear();
    } catch (const std::exception& e) {
        browsed_.clear();
        prompter_.error(this, MF(kMsgReadFailed, {std::string(e.what())}));
    }
}

void TfrmDynamicRows::CreateClick() {
    TfrmEditor editor(program_, prompter_, this);
    editor.exec();
    // A template saved into the folder joins the list.
    const int row = methods_->currentRow();
    templates_ = reduction::ListTemplates(reduction::TemplateFolder(program_.DataFolder()), core::CurrentLanguage());
    const QSignalBlocker block(methods_);
    methods_->clear();
    for (const auto& t : templates_) methods_->addItem(Q(t.name));
    methods_->setCurrentRow(std::min(row, methods_->count() - 1));
    updateMethodButtons();
    updateButtons();
}

// ---------------------------------------------------------------------------
// The passes

void TfrmDynamicRows::startGeneration() {
    if (!statisticsShown_ && options_.showStatistics) {
        statisticsShown_ = true;
        options_.showStatistics(this);
    }
    generated_ = false;
    pass2Ran_ = false;
    rows_.clear();
    if (!applyTemplate()) {
        showPage(Method);
        return;
    }
    shownTested_ = shownRowDiff_ = shownFinal_ = 0;
    counters_[0]->setText(Grouped(static_cast<int64_t>(core::MathRowCount(setup_.frame))));
    for (int i = 1; i < 5; ++i) counters_[i]->setText(QStringLiteral("0"));
    SetScaledProgress(bar_, 0, 1);
    startPass(1, reduction::ExpertPass1(setup_, {}));
}

void TfrmDynamicRows::startPass(int pass, reduction::GenerationInput input) {
    try {
        gen_ = std::make_shared<reduction::TRowGeneration>(std::move(input));
    } catch (const std::exception& e) {
        prompter_.error(this, MF(kMsgRunFailed, {std::string(e.what())}));
        gen_.reset();
        updateButtons();
        return;
    }
    pass_ = pass;
    std::shared_ptr<reduction::TRowGeneration> gen = gen_;
    job_->Start([gen](JobProgress&) { gen->Run(); });
    updateButtons();
}

void TfrmDynamicRows::onTick() {
    if (!gen_) return;
    const int64_t tested = gen_->Tested();
    const int64_t maximum = gen_->Maximum();
    switch (gen_->Phase()) {
        case GenerationPhase::Expansion:
            if (tested > shownTested_) {
                shownTested_ = tested;
                counters_[1]->setText(Grouped(tested));
            }
            SetScaledProgress(bar_, tested, maximum);
            break;
        case GenerationPhase::RowDifference:
            // The position in the rows, counted from 1; never past the rows left.
            if (std::min(tested + 1, maximum) > shownRowDiff_) {
                shownRowDiff_ = std::min(tested + 1, maximum);
                counters_[3]->setText(Grouped(shownRowDiff_));
            }
            SetScaledProgress(bar_, tested, maximum);
            break;
        case GenerationPhase::RandomReduction:
            if (tested > shownFinal_) {
                shownFinal_ = tested;
                counters_[4]->setText(Grouped(tested));
            }
            SetScaledProgress(bar_, tested, maximum);
            break;
        default: break;
    }
}

void TfrmDynamicRows::onPassEnded(bool /*cancelled*/, const QString& error) {
    std::shared_ptr<reduction::TRowGeneration> gen = std::move(gen_);
    const int pass = pass_;
    pass_ = 0;
    if (!gen) {
        updateButtons();
        return;
    }
    const QString failure = !error.isEmpty() ? error : Q(gen->Error());
    if (!failure.isEmpty()) {
        prompter_.error(this, MF(kMsgRunFailed, {failure.toStdString()}));
        updateButtons();
        return;
    }
    // After the join the rows are ours to read.
    rows_ = gen->Rows().Strings();
    const int64_t count = static_cast<int64_t>(rows_.size());
    const int64_t frameRows = static_cast<int64_t>(core::MathRowCount(setup_.frame));
    if (pass == 1) {
        counters_[1]->setText(Grouped(frameRows));
        counters_[2]->setText(Grouped(count));
    }
    counters_[4]->setText(Grouped(count));
    shownFinal_ = count;
    if (shownRowDiff_ < count) {
        shownRowDiff_ = count;
        counters_[3]->setText(Grouped(count));
    }
    SetScaledProgress(bar_, 1, 1);
    // A stopped pass 1 ends like a finished one: its rows are cut when too many.
    if (pass == 1 && reduction::NeedsPass2(rows_.size(), limit_value_)) {
        pass2Ran_ = true;
        startPass(2, reduction::ExpertPass2(setup_, rows_, limit_value_, options_.seed));
    }
    emit passFinished(pass);
    if (Running()) return;
    generated_ = true;
    updateButtons();
    emit generationDone();
}

// ---------------------------------------------------------------------------
// The command

bool RunExpertWizard(const ShellContext& shell, CommandTable* table) {
    DocumentSession& session = shell.session;
    TfrmDynamicRows::Options options;
    if (table) options.showStatistics = [table](QWidget*) { table->Trigger(QStringLiteral("actStatistics")); };
    TfrmDynamicRows wizard(session.Doc(), shell.program, shell.prompter, options, shell.window);
    const int closed = wizard.exec();
    // The two check boxes are settings, kept however the wizard closed.
    shell.program.settings.guideOnNewFile = wizard.AlwaysShow();
    if (wizard.PlaceBetBox()->isVisibleTo(&wizard)) shell.program.settings.postAfterGuide = wizard.PlaceBet();
    if (closed != QDialog::Accepted) return false;
    session.Replace(wizard.Result(), DocPart::Frame | DocPart::Rows | DocPart::Conditions | DocPart::Warranty,
                    M(kMsgCaption));
    if (wizard.PlaceBet() && !session.Doc().Rader.empty() && table) table->Trigger(QStringLiteral("actPlaceBet"));
    return true;
}

void RegisterExpertCommands(CommandTable& table, const ShellContext& shell) {
    CommandTable* t = &table;
    table.Add({.name = QStringLiteral("actExpert"), .handler = [shell, t] { RunExpertWizard(shell, t); }});
    Program* program = &shell.program;
    table.Add({.name = QStringLiteral("actExpertOnNew"),
               .msg = kMsgOnNew,
               .menu = MenuId::System,
               .position = 31,
               .handler = [program] { program->settings.guideOnNewFile = !program->settings.guideOnNewFile; },
               .checked = [program] { return program->settings.guideOnNewFile; }});
}

}  // namespace vinra::ui
