#include "ui/checking/results_dialogs.h"

#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "checking/tips_data.h"
#include "checking/winnings.h"
#include "core/messages.h"
#include "ui/core/help.h"
#include "ui/checking/check_texts.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/output/page_painter.h"
#include "ui/output/print_preview.h"

namespace vinra::ui {

namespace {

using checktext::M;

QString Fmt(int msg, const std::vector<core::MsgArg>& args) {
    return QString::fromStdString(core::FormatMsg(core::Msg(msg), args));
}

// OK, Cancel and Help with their messages; Help and F1 open the page.
QDialogButtonBox* Buttons(QDialog* dialog, const HelpFn& help, const std::string& page) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, dialog);
    Tag(box->button(QDialogButtonBox::Ok), 40)->setObjectName(QStringLiteral("btnOK"));
    Tag(box->button(QDialogButtonBox::Cancel), 41)->setObjectName(QStringLiteral("btnCancel"));
    Tag(box->button(QDialogButtonBox::Help), 32)->setObjectName(QStringLiteral("btnHelp"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto openHelp = [help, page] {
        if (help) help(page);
    };
    QObject::connect(box, &QDialogButtonBox::helpRequested, dialog, openHelp);
    SetHelpPage(dialog, page);
    return box;
}

std::string Digits(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c >= '0' && c <= '9') out += c;
    return out;
}

// Spaces out, then grouped; nullopt when the rest is not a number.
std::optional<std::string> NormaliseCount(const std::string& text) {
    const auto v = checking::ReadCountText(text);
    if (!v) return std::nullopt;
    return core::GroupDigits(static_cast<int64_t>(*v));
}
std::optional<std::string> NormaliseAmount(const std::string& text) {
    const auto v = checking::ParseAmount(text);
    if (!v || *v < 0) return std::nullopt;
    return core::FormatAmount(*v);
}

}  // namespace

// ---------------------------------------------------------------------------
// Round chooser

int TfrmChooseOmg::LastYear() { return QDate::currentDate().year() + 1; }

TfrmChooseOmg::TfrmChooseOmg(const QString& caption, const std::string& year, const std::string& week, HelpFn help,
                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmChooseOmg"));
    Tag(this, 166);
    auto* form = new QFormLayout;
    year_ = new QComboBox(this);
    year_->setObjectName(QStringLiteral("cboYear"));
    for (int y = kFirstYear; y <= LastYear(); ++y) year_->addItem(QString::number(y));
    week_ = new QComboBox(this);
    week_->setObjectName(QStringLiteral("cboWeek"));
    for (int w = 1; w <= 53; ++w) week_->addItem(QStringLiteral("%1").arg(w, 2, 10, QLatin1Char('0')));
    auto* yl = Tag(new QLabel(QStringLiteral("&Year:"), this), 46);
    auto* wl = Tag(new QLabel(QStringLiteral("&Week:"), this), 47);
    yl->setBuddy(year_);
    wl->setBuddy(week_);
    form->addRow(yl, year_);
    form->addRow(wl, week_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Buttons(this, help, "chooseomg.htm"));
    // Preset by text; a text that is not in the lists leaves the nearest end.
    const int yi = year_->findText(QString::fromStdString(year));
    year_->setCurrentIndex(yi >= 0 ? yi : year_->count() - 2);
    QString w = QString::fromStdString(week);
    if (w.size() == 1) w.prepend(QLatin1Char('0'));
    const int wi = week_->findText(w);
    week_->setCurrentIndex(wi >= 0 ? wi : 0);
    Localise(this);
    // A title shows "&" as it is; the message doubles it for captions.
    setWindowTitle(caption.isEmpty() ? windowTitle().replace(QStringLiteral("&&"), QStringLiteral("&")) : caption);
}

std::string TfrmChooseOmg::Year() const { return year_->currentText().toStdString(); }
std::string TfrmChooseOmg::Week() const { return week_->currentText().toStdString(); }

std::optional<std::pair<std::string, std::string>> ChooseRound(QWidget* parent, const QString& caption,
                                                               const std::string& year, const std::string& week,
                                                               HelpFn help) {
    TfrmChooseOmg dialog(caption, year, week, std::move(help), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(dialog.Year(), dialog.Week());
}

// ---------------------------------------------------------------------------
// Save dialog

TfrmSave::TfrmSave(int matchCount, const core::DisplaySigns& signs, const std::array<int, 4>& levels,
                   const SaveResultValues& values, Prompter& prompter, ChooseFn choose, HelpFn help, QWidget* parent)
    : QDialog(parent), n_(matchCount), signs_(signs), prompter_(prompter), choose_(std::move(choose)) {
    setObjectName(QStringLiteral("frmSave"));
    Tag(this, 167);
    auto* group = Tag(new QGroupBox(QStringLiteral("Results"), this), 28);
    auto* grid = new QGridLayout(group);
    auto* roundCaption = Tag(new QLabel(QStringLiteral("&Round:"), group), 168);
    round_ = new QLabel(QString::fromStdString(values.round), group);
    round_->setObjectName(QStringLiteral("lblRound"));
    auto* change = Tag(new QPushButton(QStringLiteral("&Change..."), group), 178);
    change->setObjectName(QStringLiteral("btnChange"));
    roundCaption->setBuddy(change);
    grid->addWidget(roundCaption, 0, 0);
    grid->addWidget(round_, 0, 1);
    grid->addWidget(change, 0, 2, 1, 2);
    auto* rowCaption = Tag(new QLabel(QStringLiteral("&Winning row:"), group), 177);
    row_ = new QLineEdit(QString::fromStdString(values.row), group);
    row_->setObjectName(QStringLiteral("edtRow"));
    row_->setMaxLength(static_cast<int>(checking::kRadSize));
    rowCaption->setBuddy(row_);
    grid->addWidget(rowCaption, 1, 0);
    grid->addWidget(row_, 1, 1, 1, 3);
    for (int i = 0; i < 4; ++i) {
        const auto li = static_cast<size_t>(i);
        auto* wl = new QLabel(Fmt(169, {static_cast<long long>(levels[li])}), group);
        auto* pl = new QLabel(Fmt(170, {static_cast<long long>(levels[li])}), group);
        winners_[li] = new QLineEdit(QString::fromStdString(values.winners[li]), group);
        payouts_[li] = new QLineEdit(QString::fromStdString(values.payouts[li]), group);
        winners_[li]->setObjectName(QStringLiteral("edtWinners%1").arg(i));
        payouts_[li]->setObjectName(QStringLiteral("edtPayout%1").arg(i));
        winners_[li]->setAlignment(Qt::AlignRight);
        payouts_[li]->setAlignment(Qt::AlignRight);
        wl->setBuddy(winners_[li]);
        pl->setBuddy(payouts_[li]);
        grid->addWidget(wl, 2 + i, 0);
        grid->addWidget(winners_[li], 2 + i, 1);
        grid->addWidget(pl, 2 + i, 2);
        grid->addWidget(payouts_[li], 2 + i, 3);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(Buttons(this, help, "save.htm"));
    connect(change, &QPushButton::clicked, this, &TfrmSave::btnChangeClick);
    Localise(this);
}

SaveResultValues TfrmSave::Values() const {
    SaveResultValues v;
    v.round = round_->text().toStdString();
    v.row = row_->text().toStdString();
    for (size_t i = 0; i < 4; ++i) {
        v.winners[i] = winners_[i]->text().toStdString();
        v.payouts[i] = payouts_[i]->text().toStdString();
    }
    return v;
}

void TfrmSave::btnChangeClick() {
    const std::string round = round_->text().toStdString();
    const size_t dash = round.find('-');
    const std::string year = dash == std::string::npos ? round : round.substr(0, dash);
    const std::string week = dash == std::string::npos ? std::string() : round.substr(dash + 1);
    auto chosen = choose_ ? choose_(this, year, week) : ChooseRound(this, QString(), year, week);
    if (chosen) round_->setText(QString::fromStdString(chosen->first + "-" + chosen->second));
}

void TfrmSave::accept() {
    for (size_t i = 0; i < 4; ++i) {
        const auto w = NormaliseCount(winners_[i]->text().toStdString());
        if (!w) {
            prompter_.error(this, Fmt(checktext::kNotANumber,
                                      {winners_[i]->text().toStdString(),
                                       std::string("A") + std::to_string(checking::SlotNumber(static_cast<int>(i)))}));
            winners_[i]->setFocus();
            return;
        }
        const auto p = NormaliseAmount(payouts_[i]->text().toStdString());
        if (!p) {
            prompter_.error(this, Fmt(checktext::kNotANumber,
                                      {payouts_[i]->text().toStdString(),
                                       std::string("U") + std::to_string(checking::SlotNumber(static_cast<int>(i)))}));
            payouts_[i]->setFocus();
            return;
        }
        winners_[i]->setText(QString::fromStdString(*w));
        payouts_[i]->setText(QString::fromStdString(*p));
    }
    const QString row = row_->text().trimmed().toUpper();
    row_->setText(row);
    // Every character must read back as a sign or an open match.
    const std::string r = row.toStdString();
    bool ok = static_cast<int>(row.size()) == n_;
    if (ok)
        for (const QChar c : row) {
            const std::string one = QString(c).toStdString();
            if (one != "-" && core::DisplayToSigns(one, signs_) == "-") ok = false;
        }
    if (!ok || Digits(round_->text().toStdString()).empty()) {
        prompter_.error(
            this, Fmt(checktext::kRowLength, {static_cast<long long>(n_), signs_.home, signs_.draw, signs_.away}));
        row_->setFocus();
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------
// Report choice

TfrmSkrivUtVinst::TfrmSkrivUtVinst(HelpFn help, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSkrivUtVinst"));
    Tag(this, 109);
    auto* group = new QGroupBox(this);
    auto* g = new QVBoxLayout(group);
    summary_ = Tag(new QRadioButton(QStringLiteral("Winning summary"), group), 485);
    summary_->setObjectName(QStringLiteral("rbSummary"));
    rows_ = Tag(new QRadioButton(QStringLiteral("Winning rows"), group), 493);
    rows_->setObjectName(QStringLiteral("rbRows"));
    summary_->setChecked(true);
    g->addWidget(summary_);
    g->addWidget(rows_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(Buttons(this, help, "printwin.htm"));
    Localise(this);
    setMinimumWidth(280);
}

TfrmSkrivUtVinst::Report TfrmSkrivUtVinst::Choice() const {
    return rows_->isChecked() ? Report::Rows : Report::Summary;
}
void TfrmSkrivUtVinst::SetChoice(Report r) { (r == Report::Rows ? rows_ : summary_)->setChecked(true); }

// ---------------------------------------------------------------------------
// Preview with PDF

bool ShowReportPreview(QWidget* parent, output::PrintDocument doc, Prompter& prompter, const QString& pdfFolder) {
    PreviewOptions options;
    options.prompter = &prompter;
    options.pictureFolder = pdfFolder;
    TPrintPreview preview(std::move(doc), std::move(options), parent);
    // The preview's button row gets "Save as PDF" beside its picture button.
    auto* pdf = new QPushButton(M(checktext::kSavePdf), &preview);
    pdf->setObjectName(QStringLiteral("btnSavePdf"));
    if (auto* bar = preview.layout() ? preview.layout()->itemAt(0)->layout() : nullptr) {
        auto* box = qobject_cast<QBoxLayout*>(bar);
        const int at = box ? box->indexOf(preview.findChild<QPushButton*>(QStringLiteral("btnSavePicture"))) : -1;
        if (box && at >= 0) box->insertWidget(at + 1, pdf);
        else bar->addWidget(pdf);
    }
    QObject::connect(pdf, &QPushButton::clicked, &preview, [&preview, &prompter, pdfFolder] {
        FileDialogSpec spec;
        spec.filter = QStringLiteral("PDF (*.pdf)");
        spec.defaultSuffix = QStringLiteral("pdf");
        spec.folder = pdfFolder;
        QString name = QString::fromStdString(preview.document().title).replace(QLatin1Char('/'), QLatin1Char('-'));
        if (name.isEmpty()) name = QStringLiteral("Vinra 2000");
        name += QStringLiteral(".pdf");
        spec.selected = pdfFolder.isEmpty() ? name : pdfFolder + QLatin1Char('/') + name;
        QString file = prompter.saveFile(&preview, spec);
        if (file.isEmpty()) return;
        if (!file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) file += QStringLiteral(".pdf");
        try {
            WritePdf(preview.document(), file.toStdString(), preview.geometry());
        } catch (const std::exception& e) {
            prompter.error(&preview, Fmt(checktext::kPdfFailed, {std::string(e.what())}));
        }
    });
    preview.exec();
    return preview.printed();
}

}  // namespace vinra::ui
