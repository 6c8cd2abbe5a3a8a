#include "ui/output/coupon_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/pools.h"
#include "core/settings.h"
#include "core/text.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"

namespace vinra::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
QString MsgQ(int n) { return Q(core::Msg(n)); }
QString MsgQ(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

// The print flag of a check box as the dialog shows it.
// (in the current language: the dialog is built after the language is chosen).
constexpr int kMsgNo = 1168;   // "No"
constexpr int kMsgYes = 1169;  // "Yes"

QLineEdit* Edit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QLabel* Label(QWidget* parent, int msg, const char* fallback, QWidget* buddy = nullptr) {
    auto* l = Tag(new QLabel(QString::fromUtf8(fallback), parent), msg);
    if (buddy) l->setBuddy(buddy);
    return l;
}

// An edit field with its unit after it.
QWidget* WithUnit(QWidget* parent, QWidget* field) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(field);
    row->addWidget(Tag(new QLabel(QStringLiteral("mm"), box), 145));
    return box;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    auto* ok = buttons->button(QDialogButtonBox::Ok);
    auto* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setObjectName(QStringLiteral("btnOK"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    Tag(ok, 40);
    Tag(cancel, 41);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}

std::vector<std::string> SplitBar(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bar; (bar = s.find('|', start)) != std::string::npos; start = bar + 1)
        parts.push_back(s.substr(start, bar - start));
    parts.push_back(s.substr(start));
    return parts;
}

}  // namespace

// ---------------------------------------------------------------- TfrmCoupon

TfrmCoupon::TfrmCoupon(core::NationalIni& national, std::filesystem::path nationalPath, std::string poolName,
                       Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      national_(national),
      nationalPath_(std::move(nationalPath)),
      pool_(std::move(poolName)),
      prompter_(prompter) {
    SetHelpPage(this, "coupon.htm");
    setObjectName(QStringLiteral("frmCoupon"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);

    auto* initial = Tag(new QGroupBox(QStringLiteral("Initial values"), this), 119);
    auto* form = new QFormLayout(initial);
    couponColumns_ = Edit(initial, "edtCouponColumns");
    startBredd1_ = Edit(initial, "edtStartBredd1");
    startBreddX_ = Edit(initial, "edtStartBreddX");
    startBredd2_ = Edit(initial, "edtStartBredd2");
    startHojd_ = Edit(initial, "edtStartHojd");
    kolumnBredd_ = Edit(initial, "edtKolumnBredd");
    namnX_ = Edit(initial, "edtNamnX");
    namnY_ = Edit(initial, "edtNamnY");
    form->addRow(Label(initial, 120, "Row count:", couponColumns_), couponColumns_);
    form->addRow(Label(initial, 121, "Start width 1:", startBredd1_), WithUnit(initial, startBredd1_));
    form->addRow(Label(initial, 122, "Start width X:", startBreddX_), WithUnit(initial, startBreddX_));
    form->addRow(Label(initial, 123, "Start width 2:", startBredd2_), WithUnit(initial, startBredd2_));
    form->addRow(Label(initial, 124, "Start height:", startHojd_), WithUnit(initial, startHojd_));
    form->addRow(Label(initial, 128, "Column width:", kolumnBredd_), WithUnit(initial, kolumnBredd_));
    form->addRow(Label(initial, 125, "User text, X:", namnX_), WithUnit(initial, namnX_));
    form->addRow(Label(initial, 126, "User text, Y:", namnY_), WithUnit(initial, namnY_));
    auto* fontButton = Tag(new QPushButton(QStringLiteral("Font..."), initial), 127);
    fontButton->setObjectName(QStringLiteral("btnFont"));
    fontLabel_ = new QLabel(initial);
    fontLabel_->setObjectName(QStringLiteral("lblFont"));
    form->addRow(fontButton, fontLabel_);

    auto* right = new QVBoxLayout;
    auto* distance = Tag(new QGroupBox(QStringLiteral("Distance between 2 rows"), this), 135);
    auto* dform = new QFormLayout(distance);
    hojdOkning_ = Edit(distance, "edtHojdOkning");
    kolumnAvstand_ = Edit(distance, "edtKolumnAvstand");
    dform->addRow(Label(distance, 136, "Height:", hojdOkning_), WithUnit(distance, hojdOkning_));
    dform->addRow(Label(distance, 137, "Width:", kolumnAvstand_), WithUnit(distance, kolumnAvstand_));
    right->addWidget(distance);

    auto* boxes = Tag(new QGroupBox(QStringLiteral("Check boxes"), this), 129);
    auto* bl = new QVBoxLayout(boxes);
    list_ = new QListWidget(boxes);
    list_->setObjectName(QStringLiteral("lstCheckBoxes"));
    bl->addWidget(list_);
    auto* cform = new QFormLayout;
    cbLabel_ = Edit(boxes, "edtCbLabel");
    cbX_ = Edit(boxes, "edtCbX");
    cbY_ = Edit(boxes, "edtCbY");
    cbPrint_ = new QComboBox(boxes);
    cbPrint_->setObjectName(QStringLiteral("cboCbPrint"));
    cbPrint_->addItems({MsgQ(kMsgNo), MsgQ(kMsgYes)});
    cform->addRow(Label(boxes, 133, "Explanation:", cbLabel_), cbLabel_);
    cform->addRow(Label(boxes, 130, "Position, width:", cbX_), WithUnit(boxes, cbX_));
    cform->addRow(Label(boxes, 131, "Position, height:", cbY_), WithUnit(boxes, cbY_));
    cform->addRow(Label(boxes, 132, "Print:", cbPrint_), cbPrint_);
    bl->addLayout(cform);
    auto* cbButtons = new QHBoxLayout;
    auto* change = Tag(new QPushButton(QStringLiteral("Change"), boxes), 134);
    change->setObjectName(QStringLiteral("btnChange"));
    // The language table's "Add" carries a colon for its use as a field label.
    QString addText = MsgQ(102);
    if (addText.endsWith(QLatin1Char(':'))) addText.chop(1);
    auto* add = new QPushButton(addText.isEmpty() ? QStringLiteral("&Add") : addText, boxes);
    add->setObjectName(QStringLiteral("btnAdd"));
    auto* del = Tag(new QPushButton(QStringLiteral("&Delete"), boxes), 103);
    del->setObjectName(QStringLiteral("btnDelete"));
    cbButtons->addWidget(change);
    cbButtons->addWidget(add);
    cbButtons->addWidget(del);
    bl->addLayout(cbButtons);
    right->addWidget(boxes, 1);

    top->addWidget(initial);
    top->addLayout(right, 1);
    auto* buttons = OkCancel(this);
    layout->addWidget(buttons);

    connect(list_, &QListWidget::currentRowChanged, this, &TfrmCoupon::selectCheckBox);
    connect(change, &QPushButton::clicked, this, &TfrmCoupon::btnChangeClick);
    connect(add, &QPushButton::clicked, this, &TfrmCoupon::btnAddClick);
    connect(del, &QPushButton::clicked, this, &TfrmCoupon::btnDeleteClick);
    connect(fontButton, &QPushButton::clicked, this, &TfrmCoupon::btnFontClick);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &TfrmCoupon::btnOKClick);

    Localise(this);
    setWindowTitle(MsgQ(118, {pool_}));

    const output::CouponLayoutForm f = output::ReadCouponLayoutForm(national_.ini(), pool_);
    couponColumns_->setText(QString::number(f.couponColumns));
    fontName_ = f.fontName;
    fontSize_ = f.fontSize;
    bold_ = f.bold;
    showFont();
    if (f.fontError) {
        // The fields after the unreadable key stay empty; OK writes what the user fills in.
        prompter_.error(parent, MsgQ(359));
        return;
    }
    kolumnAvstand_->setText(Q(f.kolumnAvstand));
    kolumnBredd_->setText(Q(f.kolumnBredd));
    startBredd1_->setText(Q(f.startBredd1));
    startBreddX_->setText(Q(f.startBreddX));
    startBredd2_->setText(Q(f.startBredd2));
    startHojd_->setText(Q(f.startHojd));
    hojdOkning_->setText(Q(f.hojdOkning));
    namnX_->setText(Q(f.namnX));
    namnY_->setText(Q(f.namnY));
    for (const auto& cb : f.checkBoxes) addCheckBoxItem(cb);
}

// The list shows a readable caption; the stored entry rides along with it.
QListWidgetItem* TfrmCoupon::addCheckBoxItem(const std::string& entry) {
    auto* item = new QListWidgetItem(list_);
    setCheckBoxItem(item, entry);
    return item;
}

void TfrmCoupon::setCheckBoxItem(QListWidgetItem* item, const std::string& entry) {
    item->setData(Qt::UserRole, Q(entry));
    // 132 "Print:"
    item->setText(Q(output::CheckBoxCaption(entry, core::Msg(132), core::Msg(kMsgYes), core::Msg(kMsgNo))));
}

std::string TfrmCoupon::EntryOf(const QListWidgetItem* item) { return S(item->data(Qt::UserRole).toString()); }

void TfrmCoupon::showFont() {
    fontLabel_->setText(QStringLiteral("%1, %2").arg(Q(fontName_)).arg(fontSize_));
    QFont f = fontLabel_->font();
    f.setBold(bold_);
    fontLabel_->setFont(f);
}

std::vector<std::string> TfrmCoupon::checkBoxes() const {
    std::vector<std::string> out;
    for (int i = 0; i < list_->count(); ++i) out.push_back(EntryOf(list_->item(i)));
    return out;
}

void TfrmCoupon::selectCheckBox(int row) {
    if (row < 0 || row >= list_->count()) return;
    const auto parts = SplitBar(EntryOf(list_->item(row)));
    cbLabel_->setText(Q(parts[0]));
    cbX_->setText(parts.size() > 1 ? Q(parts[1]) : QString());
    cbY_->setText(parts.size() > 2 ? Q(parts[2]) : QString());
    const bool print = parts.size() > 3 && core::Trim(parts[3]) == "1";
    cbPrint_->setCurrentIndex(print ? 1 : 0);
}

std::string TfrmCoupon::currentEntry() const {
    return output::JoinCheckBox(S(cbLabel_->text()), S(cbX_->text()), S(cbY_->text()), cbPrint_->currentIndex() == 1);
}

void TfrmCoupon::btnChangeClick() {
    auto* item = list_->currentItem();
    if (!item) return;
    const std::string entry = currentEntry();
    if (prompter_.question(this, MsgQ(362, {EntryOf(item), entry}), false) == Answer::Yes) setCheckBoxItem(item, entry);
}

void TfrmCoupon::btnAddClick() {
    // Readers stop at CB255; a longer list would silently lose its tail.
    if (list_->count() >= output::kMaxCheckBoxes) {
        prompter_.error(this, MsgQ(360));
        return;
    }
    const std::string entry = currentEntry();
    if (prompter_.question(this, MsgQ(363, {entry}), false) == Answer::Yes) {
        addCheckBoxItem(entry);
        list_->setCurrentRow(list_->count() - 1);
    }
}

void TfrmCoupon::btnDeleteClick() {
    auto* item = list_->currentItem();
    if (!item) return;
    if (prompter_.question(this, MsgQ(361, {EntryOf(item)}), false) == Answer::Yes)
        delete list_->takeItem(list_->row(item));
}

void TfrmCoupon::btnFontClick() {
    QFont font(Q(fontName_), fontSize_);
    font.setBold(bold_);
    const bool chosen = chooseFont_ ? chooseFont_(font, this) : [&] {
        bool ok = false;
        font = QFontDialog::getFont(&ok, font, this);
        return ok;
    }();
    if (!chosen) return;
    fontName_ = S(font.family());
    if (font.pointSize() > 0) fontSize_ = font.pointSize();
    bold_ = font.bold();
    showFont();
}

void TfrmCoupon::btnOKClick() {
    // The row count divides the rows into coupons and takes 3 of the 50 print columns per row.
    const auto rows = core::ParseInteger(S(couponColumns_->text()));
    if (!rows || *rows < 1 || *rows > output::kMaxRowsPerCoupon) {
        prompter_.error(this, MsgQ(360));
        couponColumns_->setFocus();
        return;
    }
    output::CouponLayoutForm f;
    f.couponColumns = static_cast<int>(*rows);
    f.fontName = fontName_;
    f.fontSize = fontSize_;
    f.bold = bold_;
    f.kolumnAvstand = S(kolumnAvstand_->text());
    f.kolumnBredd = S(kolumnBredd_->text());
    f.startBredd1 = S(startBredd1_->text());
    f.startBreddX = S(startBreddX_->text());
    f.startBredd2 = S(startBredd2_->text());
    f.startHojd = S(startHojd_->text());
    f.hojdOkning = S(hojdOkning_->text());
    f.namnX = S(namnX_->text());
    f.namnY = S(namnY_->text());
    f.checkBoxes = checkBoxes();
    // Written to a copy first: a file that cannot be saved leaves the program's values as they were.
    core::IniFile copy = national_.ini();
    output::WriteCouponLayoutForm(copy, pool_, f);
    try {
        copy.SaveToFile(nationalPath_);
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    national_.ini() = std::move(copy);
    accept();
}

// -------------------------------------------------------------- TIniMarginal

TIniMarginal::TIniMarginal(core::SettingsFile& settings, QPrinter& printer, Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), printer_(printer), prompter_(prompter) {
    SetHelpPage(this, "printer.htm");
    setObjectName(QStringLiteral("frmIniMarginal"));
    Tag(this, 138);
    auto* layout = new QVBoxLayout(this);

    auto* grid = new QGridLayout;
    printerLabel_ = new QLabel(this);
    printerLabel_->setObjectName(QStringLiteral("lblPrinter"));
    orientationLabel_ = new QLabel(this);
    orientationLabel_->setObjectName(QStringLiteral("lblOrientation"));
    paperLabel_ = new QLabel(this);
    paperLabel_->setObjectName(QStringLiteral("lblPaper"));
    sourceLabel_ = new QLabel(this);
    sourceLabel_->setObjectName(QStringLiteral("lblSource"));
    auto* printerButton = Tag(new QPushButton(QStringLiteral("Printer"), this), 143);
    printerButton->setObjectName(QStringLiteral("btnPrinter"));
    grid->addWidget(Label(this, 142, "Selected printer:"), 0, 0);
    grid->addWidget(printerLabel_, 0, 1);
    grid->addWidget(printerButton, 0, 2);
    grid->addWidget(Label(this, 139, "Orientation:"), 1, 0);
    grid->addWidget(orientationLabel_, 1, 1);
    grid->addWidget(Label(this, 140, "Paper:"), 2, 0);
    grid->addWidget(paperLabel_, 2, 1);
    grid->addWidget(Label(this, 141, "Paper source:"), 3, 0);
    grid->addWidget(sourceLabel_, 3, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* margins = Tag(new QGroupBox(QStringLiteral("Settings margins"), this), 144);
    auto* mgrid = new QGridLayout(margins);
    // Magnitudes only: the direction buttons give the sign.
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,]*")), this);
    left_ = Edit(margins, "edtLeft");
    top_ = Edit(margins, "edtTop");
    left_->setValidator(digits);
    top_->setValidator(digits);
    auto* horizontal = new QWidget(margins);
    auto* hl = new QHBoxLayout(horizontal);
    hl->setContentsMargins(0, 0, 0, 0);
    dirLeft_ = Tag(new QRadioButton(QStringLiteral("&Left"), horizontal), 497);
    dirRight_ = Tag(new QRadioButton(QStringLiteral("&Right"), horizontal), 498);
    dirLeft_->setObjectName(QStringLiteral("rbLeft"));
    dirRight_->setObjectName(QStringLiteral("rbRight"));
    hl->addWidget(dirLeft_);
    hl->addWidget(dirRight_);
    auto* vertical = new QWidget(margins);
    auto* vl = new QHBoxLayout(vertical);
    vl->setContentsMargins(0, 0, 0, 0);
    dirUp_ = Tag(new QRadioButton(QStringLiteral("&Up"), vertical), 500);
    dirDown_ = Tag(new QRadioButton(QStringLiteral("&Down"), vertical), 501);
    dirUp_->setObjectName(QStringLiteral("rbUp"));
    dirDown_->setObjectName(QStringLiteral("rbDown"));
    vl->addWidget(dirUp_);
    vl->addWidget(dirDown_);
    mgrid->addWidget(Label(margins, 137, "Width:", left_), 0, 0);
    mgrid->addWidget(WithUnit(margins, left_), 0, 1);
    mgrid->addWidget(horizontal, 0, 2);
    mgrid->addWidget(Label(margins, 136, "Height:", top_), 1, 0);
    mgrid->addWidget(WithUnit(margins, top_), 1, 1);
    mgrid->addWidget(vertical, 1, 2);
    layout->addWidget(margins);

    auto* buttons = OkCancel(this);
    layout->addWidget(buttons);
    connect(printerButton, &QPushButton::clicked, this, &TIniMarginal::btnPrinterClick);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &TIniMarginal::btnOKClick);
    Localise(this);

    printerName_ = DeviceName(printer_);
    const output::PrinterSettings stored = output::ReadPrinterSettings(settings_.ini(), S(printerName_));
    paper_ = PaperOf(stored);
    showMargins(stored);
    showPaper();
}

void TIniMarginal::showMargins(const output::PrinterSettings& p) {
    auto show = [](const std::string& stored, QLineEdit* edit, QRadioButton* negative, QRadioButton* positive) {
        const auto v = core::ParseFloat(stored);
        std::string magnitude(core::Trim(stored));
        if (!v) magnitude = "0";
        else if (!magnitude.empty() && (magnitude[0] == '-' || magnitude[0] == '+')) magnitude.erase(0, 1);
        // What the dialog cannot type (a decimal point) is shown with the program's comma.
        for (char& c : magnitude)
            if (c == '.') c = ',';
        edit->setText(Q(magnitude));
        (v && *v < 0 ? negative : positive)->setChecked(true);
    };
    show(p.left, left_, dirLeft_, dirRight_);
    show(p.top, top_, dirUp_, dirDown_);
}

void TIniMarginal::showPaper() {
    printerLabel_->setText(printerName_);
    orientationLabel_->setText(OrientationName(paper_.landscape));
    paperLabel_->setText(PaperSizeName(paper_.format));
    sourceLabel_->setText(PaperSourceName(paper_.kalla));
}

void TIniMarginal::btnPrinterClick() {
    ApplyPaper(printer_, paper_);
    const QString before = printerName_;
    const bool done = setup_ ? setup_(printer_, this) : [&] {
        QPrintDialog dialog(&printer_, this);
        return dialog.exec() == QDialog::Accepted;
    }();
    if (!done) return;
    printerName_ = deviceName_ ? deviceName_(printer_) : DeviceName(printer_);
    if (printerName_ != before) {
        const QString question = MsgQ(418) + QStringLiteral("\n\n") + MsgQ(419) + QStringLiteral("\n\n") + MsgQ(420);
        const bool fromFile = prompter_.question(this, question, false) == Answer::Yes;
        const output::PrinterSettings stored = output::ReadPrinterSettings(settings_.ini(), S(printerName_));
        showMargins(stored);
        paper_ = fromFile ? PaperOf(stored) : PaperOfPrinter(printer_);
    } else {
        paper_ = PaperOfPrinter(printer_);
    }
    showPaper();
}

void TIniMarginal::btnOKClick() {
    const auto left = core::ParseFloat(S(left_->text()));
    const auto top = core::ParseFloat(S(top_->text()));
    if (!left || !top) {
        prompter_.error(this, MsgQ(360));
        return;
    }
    output::PrinterSettings p;
    p.left = core::FormatFloat(dirLeft_->isChecked() ? -*left : *left);
    p.top = core::FormatFloat(dirUp_->isChecked() ? -*top : *top);
    p.format = paper_.format;
    p.kalla = paper_.kalla;
    p.orientering = paper_.landscape;
    try {
        output::WritePrinterSettings(settings_, S(printerName_), p);
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    accept();
}

// ----------------------------------------------------------------- TfrmPCBet

TfrmPCBet::TfrmPCBet(core::SettingsFile& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
    SetHelpPage(this, "pcbet.htm");
    setObjectName(QStringLiteral("frmPCBet"));
    Tag(this, 146);
    auto* layout = new QVBoxLayout(this);

    auto* personal = Tag(new QGroupBox(QStringLiteral("Personal information"), this), 147);
    auto* pform = new QFormLayout(personal);
    name_ = Edit(personal, "edtName");
    name_->setMaxLength(static_cast<int>(output::kPcBetNameMax));
    name_->setMinimumWidth(name_->fontMetrics().horizontalAdvance(QString(22, QLatin1Char('W'))));
    cardNo_ = Edit(personal, "edtCardNo");
    cardNo_->setMaxLength(static_cast<int>(output::kCardNoMax));
    pform->addRow(Label(personal, 148, "&Name (20 characters):", name_), name_);
    pform->addRow(Label(personal, 149, "&Playing card number:", cardNo_), cardNo_);
    layout->addWidget(personal);

    auto* tipping = Tag(new QGroupBox(QStringLiteral("Tipping information"), this), 150);
    auto* tl = new QVBoxLayout(tipping);
    reciept_ = Tag(new QCheckBox(QStringLiteral("Reciept from terminal"), tipping), 151);
    reciept_->setObjectName(QStringLiteral("chkReciept"));
    fulltime_ = Tag(new QCheckBox(QStringLiteral("Full time results"), tipping), 152);
    fulltime_->setObjectName(QStringLiteral("chkFulltime"));
    pause_ = Tag(new QCheckBox(QStringLiteral("Half time results"), tipping), 153);
    pause_->setObjectName(QStringLiteral("chkPause"));
    tl->addWidget(reciept_);
    tl->addWidget(fulltime_);
    tl->addWidget(pause_);
    auto* drawsRow = new QHBoxLayout;
    draws_ = new QComboBox(tipping);
    draws_->setObjectName(QStringLiteral("cboDraws"));
    draws_->addItems({QStringLiteral("01"), QStringLiteral("05"), QStringLiteral("10")});
    drawsRow->addWidget(Label(tipping, 154, "Number of draws:", draws_));
    drawsRow->addWidget(draws_);
    drawsRow->addStretch(1);
    tl->addLayout(drawsRow);
    layout->addWidget(tipping);

    auto* buttons = OkCancel(this);
    layout->addWidget(buttons);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &TfrmPCBet::btnOKClick);
    connect(name_, &QLineEdit::textChanged, this, &TfrmPCBet::filterName);
    Localise(this);

    const output::PcBetSettings p = output::ReadPcBetSettings(settings_.ini());
    name_->setText(Q(p.name));
    cardNo_->setText(Q(p.cardNo));
    const int draws = draws_->findText(Q(p.draws));
    draws_->setCurrentIndex(draws >= 0 ? draws : 0);
    reciept_->setChecked(p.reciept);
    fulltime_->setChecked(p.fulltime);
    pause_->setChecked(p.pause);
}

void TfrmPCBet::filterName() {
    const QString text = name_->text();
    const int cursor = name_->cursorPosition();
    QString kept;
    int removedBeforeCursor = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool ok = c == QLatin1Char(' ') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                        (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
        if (ok) kept += c;
        else if (i < cursor) ++removedBeforeCursor;
    }
    if (kept == text) return;
    const QSignalBlocker block(name_);
    name_->setText(kept);
    name_->setCursorPosition(std::max(0, cursor - removedBeforeCursor));
}

void TfrmPCBet::btnOKClick() {
    const std::string card = S(cardNo_->text());
    if (!output::IsValidCardNumber(card)) {
        prompter_.error(this, MsgQ(413));
        cardNo_->setFocus();
        return;
    }
    output::PcBetSettings p;
    p.name = output::FilterPcBetName(S(name_->text()));
    p.cardNo = card;
    p.draws = S(draws_->currentText());
    p.reciept = reciept_->isChecked();
    p.pause = pause_->isChecked();
    p.fulltime = fulltime_->isChecked();
    try {
        output::WritePcBetSettings(settings_, p);
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    accept();
}

}  // namespace vinra::ui
