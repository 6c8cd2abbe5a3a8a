#include "ui/reduction/system_coupon.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/signs.h"
#include "reduction/red_guarantee.h"
#include "ui/core/background_job.h"
#include "ui/core/help.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

constexpr int kMsgReadFile = 253;      // "&Read from file (systems with warranty)"
constexpr int kMsgCaption = 257;       // "Warranty system"
constexpr int kMsgBaseRow = 258;       // "Base row"
constexpr int kMsgMath = 259;          // "Math ways"
constexpr int kMsgURow = 260;          // "S-row"
constexpr int kMsgOwn = 261;           // "My systems"
constexpr int kMsgFull = 262;          // "3-ways"
constexpr int kMsgHalf = 263;          // "2-ways"
constexpr int kMsgUSigns = 264;        // "S-character"
constexpr int kMsgTotal = 265;         // "Total:"
constexpr int kMsgLeft = 266;          // "Left:"
constexpr int kMsgKeep = 277;          // "Do you want to keep the Yes/No-combinations ...?"
constexpr int kMsgFileNotFound = 380;  // "File not found: "
constexpr int kMsgWorkingOut = 3404;   // "Working out the guarantee..."
constexpr int kMsgMathHeader = 3405;   // "M": the mathematical-guard column

const QColor kMarked(255, 236, 140);
const QColor kMathColour(200, 225, 255);

QTableWidgetItem* Cell(const QString& text = {}) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

}  // namespace

TSystemkupong::TSystemkupong(const core::TVinraFile& doc, Prompter& prompter, Options options, QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      options_(std::move(options)),
      n_(std::clamp<int>(doc.MatchCount, 1, core::kMaxMatches)),
      coupon_(n_) {
    SetHelpPage(this, "reduced.htm");
    setObjectName(QStringLiteral("Systemkupong"));
    Tag(this, kMsgCaption);
    setModal(true);
    const reduction::RedMessage loadMsg = coupon_.LoadFromDocument(doc);

    auto* lay = new QHBoxLayout(this);

    // The coupon: match, base row, mathematical guard, U row, indicator.
    auto* left = new QVBoxLayout;
    auto* heads = new QHBoxLayout;
    auto* baseHead = Tag(new QLabel(this), kMsgBaseRow);
    auto* mathHead = Tag(new QLabel(this), kMsgMath);
    auto* uHead = Tag(new QLabel(this), kMsgURow);
    grid_ = new QTableWidget(n_, 9, this);
    grid_->setObjectName(QStringLiteral("grdCoupon"));
    grid_->verticalHeader()->hide();
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setFocusPolicy(Qt::NoFocus);
    const core::DisplaySigns signs = core::CurrentDisplaySigns();
    const QString signText[3] = {Q(signs.home), Q(signs.draw), Q(signs.away)};
    QStringList header = {QString()};
    for (int s = 0; s < 3; ++s) header << signText[s];
    header << M(kMsgMathHeader);
    for (int s = 0; s < 3; ++s) header << signText[s];
    header << QString();
    grid_->setHorizontalHeaderLabels(header);
    for (int m = 0; m < n_; ++m) {
        const std::string home = m < static_cast<int>(options_.homes.size()) ? options_.homes[m] : std::string();
        const std::string away = m < static_cast<int>(options_.aways.size()) ? options_.aways[m] : std::string();
        auto* label = Cell(Q(reduction::SystemCoupon::MatchLabel(m + 1, home, away)));
        label->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid_->setItem(m, kColLabel, label);
        for (int c = 1; c < 9; ++c) grid_->setItem(m, c, Cell());
    }
    grid_->horizontalHeader()->setSectionResizeMode(kColLabel, QHeaderView::Stretch);
    for (int c = 1; c < 9; ++c) grid_->setColumnWidth(c, 30);
    grid_->verticalHeader()->setDefaultSectionSize(22);
    connect(grid_, &QTableWidget::cellClicked, this, &TSystemkupong::cellClicked);
    heads->addStretch(1);
    heads->addWidget(baseHead);
    heads->addSpacing(20);
    heads->addWidget(mathHead);
    heads->addSpacing(10);
    heads->addWidget(uHead);
    heads->addSpacing(30);
    left->addLayout(heads);
    left->addWidget(grid_, 1);
    lay->addLayout(left, 3);

    // The systems and the counts.
    auto* right = new QVBoxLayout;
    operator_ = new QRadioButton(Q(options_.country), this);
    operator_->setObjectName(QStringLiteral("rbOperator"));
    own_ = Tag(new QRadioButton(this), kMsgOwn);
    own_->setObjectName(QStringLiteral("rbOwn"));
    (coupon_.ownSystems() ? own_ : operator_)->setChecked(true);
    connect(operator_, &QRadioButton::toggled, this, [this](bool on) { ChooseOwnSystems(!on); });
    right->addWidget(operator_);
    right->addWidget(own_);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstSystems"));
    connect(list_, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        const reduction::RedMessage m = coupon_.ChooseSystem(name.toStdString());
        if (m.number != 0) prompter_.error(this, Q(m.text));
        showAll();
        showGuarantee();
    });
    right->addWidget(list_, 1);
    guarantee_ = new QLabel(this);
    guarantee_->setObjectName(QStringLiteral("lblGuarantee"));
    guarantee_->setWordWrap(true);
    guarantee_->setMinimumHeight(48);
    guarantee_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    right->addWidget(guarantee_);

    auto* countBox = new QGroupBox(this);
    auto* cg = new QGridLayout(countBox);
    cg->addWidget(Tag(new QLabel(countBox), kMsgTotal), 0, 1);
    cg->addWidget(Tag(new QLabel(countBox), kMsgLeft), 0, 2);
    const int rowMsgs[3] = {kMsgFull, kMsgHalf, kMsgUSigns};
    for (int r = 0; r < 3; ++r) {
        cg->addWidget(Tag(new QLabel(countBox), rowMsgs[r]), r + 1, 0);
        for (int c = 0; c < 2; ++c) {
            counts_[r][c] = new QLabel(countBox);
            counts_[r][c]->setObjectName(QStringLiteral("lblCount%1%2").arg(r).arg(c));
            counts_[r][c]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            cg->addWidget(counts_[r][c], r + 1, c + 1);
        }
    }
    right->addWidget(countBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(ok_, &QPushButton::clicked, this, &TSystemkupong::OkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    right->addWidget(buttons);
    lay->addLayout(right, 2);

    guaranteeJob_ = new BackgroundJob(this);
    connect(guaranteeJob_, &BackgroundJob::finished, this,
            [this](bool cancelled, const QString&) { guaranteeFinished(cancelled); });

    Localise(this);
    fillList();
    showAll();
    // A stored name that cannot be read says so; another choice counts afresh.
    if (loadMsg.number != 0) guarantee_->setText(Q(loadMsg.text));
    else showGuarantee();
    resize(760, std::min(640, 180 + 23 * n_));
}

// One count of a system's guarantee: the file and the round in, the text out.
struct TSystemkupong::GuaranteeTask {
    fs::path file;
    int n = 0;
    QString text;
};

TSystemkupong::~TSystemkupong() = default;

bool TSystemkupong::GuaranteeRunning() const { return guaranteeJob_->Running() || guaranteeAgain_; }

fs::path TSystemkupong::systemFolder() const {
    return coupon_.ownSystems() ? reduction::OwnSystemsFolder() : reduction::OperatorSystemsFolder(options_.country);
}

void TSystemkupong::fillList() {
    const QSignalBlocker block(list_);
    list_->clear();
    for (const std::string& name : reduction::ListRedSystems(systemFolder())) list_->addItem(Q(name));
    const auto found = list_->findItems(Q(coupon_.systemName()), Qt::MatchExactly);
    if (!found.isEmpty()) list_->setCurrentItem(found.front());
}

void TSystemkupong::ChooseOwnSystems(bool own) {
    if (own == coupon_.ownSystems()) return;
    coupon_.setOwnSystems(own);
    {
        const QSignalBlocker b1(operator_), b2(own_);
        (own ? own_ : operator_)->setChecked(true);
    }
    fillList();
    // The chosen system belongs to the list it came from.
    if (!list_->currentItem()) coupon_.ChooseSystem({});
    showAll();
    showGuarantee();
}

bool TSystemkupong::SelectSystem(const QString& name) {
    const auto found = list_->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    list_->setCurrentItem(found.front());
    return true;
}

QString TSystemkupong::CellText(int match, int column) const {
    const QTableWidgetItem* item = grid_->item(match, column);
    return item ? item->text() : QString();
}

void TSystemkupong::cellClicked(int row, int column) {
    if (column >= kColBase && column < kColBase + 3) ClickBase(row, column - kColBase);
    else if (column == kColMath) ClickMath(row);
    else if (column >= kColU && column < kColU + 3) ClickU(row, column - kColU);
}

void TSystemkupong::ClickBase(int match, int sign) {
    coupon_.ToggleMark(match, sign);
    showAll();
}

void TSystemkupong::ClickMath(int match) {
    coupon_.ToggleMath(match);
    showAll();
}

void TSystemkupong::ClickU(int match, int sign) {
    if (coupon_.systemType() != 'U') return;  // the U grid belongs to U-systems only
    coupon_.ClickU(match, sign);
    showAll();
}

void TSystemkupong::showAll() {
    const core::DisplaySigns signs = core::CurrentDisplaySigns();
    const QString signText[3] = {Q(signs.home), Q(signs.draw), Q(signs.away)};
    const bool uSystem = coupon_.systemType() == 'U';
    for (int m = 0; m < n_; ++m) {
        const reduction::CouponMatch& cm = coupon_.match(m);
        for (int s = 0; s < 3; ++s) {
            QTableWidgetItem* base = grid_->item(m, kColBase + s);
            base->setText(cm.marks[s] ? signText[s] : QString());
            base->setBackground(cm.marks[s] ? kMarked : QColor(Qt::white));
            QTableWidgetItem* u = grid_->item(m, kColU + s);
            u->setText(cm.uSign == s ? signText[s] : QString());
            u->setBackground(!uSystem ? QColor(235, 235, 235) : cm.uSign == s ? kMarked : QColor(Qt::white));
        }
        QTableWidgetItem* math = grid_->item(m, kColMath);
        math->setText(cm.math ? QStringLiteral("X") : QString());
        math->setBackground(cm.math ? kMathColour : QColor(Qt::white));
        QString mark;
        switch (coupon_.Indicator(m)) {
            case reduction::UIndicator::Tick: mark = QString(QChar(0x2713)); break;
            case reduction::UIndicator::Arrow: mark = QString(QChar(0x2190)); break;
            case reduction::UIndicator::None: break;
        }
        grid_->item(m, kColIndicator)->setText(mark);
    }
    const reduction::CouponCounts c = coupon_.Counts();
    const int totals[3] = {c.totalFull, c.totalHalf, c.totalU};
    const int lefts[3] = {c.leftFull, c.leftHalf, c.leftU};
    for (int r = 0; r < 3; ++r) {
        counts_[r][0]->setText(QString::number(totals[r]));
        counts_[r][1]->setText(Q(reduction::SystemCoupon::LeftText(lefts[r])));
        counts_[r][1]->setStyleSheet(lefts[r] < 0 ? QStringLiteral("color: #b00000;") : QString());
    }
    ok_->setEnabled(coupon_.OkEnabled());
}

void TSystemkupong::showGuarantee() {
    if (guaranteeJob_->Running()) {
        // The old count is of no use now; the new one starts when it has stopped.
        guaranteeJob_->Cancel();
        guaranteeAgain_ = true;
        guarantee_->setText(list_->currentItem() ? M(kMsgWorkingOut) : QString());
        return;
    }
    const QListWidgetItem* item = list_->currentItem();
    if (!item) {
        task_.reset();
        guarantee_->clear();
        emit guaranteeShown();
        return;
    }
    auto task = std::make_shared<GuaranteeTask>();
    task->file = systemFolder() / (item->text().toStdString() + ".RED");
    task->n = n_;
    task_ = task;
    guarantee_->setText(M(kMsgWorkingOut));
    guaranteeJob_->Start([task](JobProgress& p) {
        try {
            const reduction::RedGuarantee g =
                reduction::ComputeRedGuarantee(reduction::ReadRedFile(task->file), task->n, &p.cancel);
            if (!g.complete) return;
            QStringList lines;
            for (const auto& l : reduction::GuaranteeLines(g)) lines << Q(l);
            task->text = lines.join(QLatin1Char('\n'));
        } catch (const reduction::RedError& e) {
            task->text = Q(e.message().text);
        } catch (const std::exception& e) {
            task->text = Q(e.what());
        }
    });
}

void TSystemkupong::guaranteeFinished(bool cancelled) {
    if (guaranteeAgain_) {
        guaranteeAgain_ = false;
        showGuarantee();
        return;
    }
    if (!cancelled && task_) guarantee_->setText(task_->text);
    emit guaranteeShown();
}

void TSystemkupong::OkClick() {
    if (!coupon_.OkEnabled()) return;
    const fs::path file = systemFolder() / (coupon_.systemName() + ".RED");
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        prompter_.error(this, M(kMsgFileNotFound) + Q(file.string()));
        return;
    }
    try {
        result_ = reduction::ApplyRedFile(coupon_, file);
    } catch (const reduction::RedError& e) {
        prompter_.error(this, Q(e.message().text));
        return;
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    accept();
}

bool RunSystemCoupon(const ShellContext& shell) {
    DocumentSession& session = shell.session;
    TSystemkupong::Options options;
    options.homes = session.HomeTeams();
    options.aways = session.AwayTeams();
    options.country = session.Doc().Country;
    TSystemkupong dialog(session.Doc(), shell.prompter, options, shell.window);
    if (dialog.exec() != QDialog::Accepted) return false;
    bool keep = true;
    if (reduction::SystemCoupon::HasCombinations(session.Doc()))
        keep = shell.prompter.question(shell.window, M(kMsgKeep), false) == Answer::Yes;
    session.Edit(DocPart::Frame | DocPart::Rows | DocPart::Conditions | DocPart::Warranty, M(kMsgCaption),
                 [&](core::TVinraFile& doc) { dialog.Coupon().StoreInDocument(doc, dialog.Result(), keep); });
    return true;
}

void RegisterSystemCouponCommands(CommandTable& table, const ShellContext& shell) {
    table.Add({.name = QStringLiteral("actReadSystem"),
               .msg = kMsgReadFile,
               .menu = MenuId::System,
               .position = 25,
               .handler = [shell] { RunSystemCoupon(shell); },
               .enabled = [&s = shell.session] { return s.MatchCount() > 0; }});
}

}  // namespace vinra::ui
