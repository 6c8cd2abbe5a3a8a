#include "ui/output/print_dialog.h"
#include "ui/output/printer_paper.h"

#include <algorithm>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/ini.h"
#include "core/messages.h"
#include "core/text.h"
#include "output/coupon_layout.h"
#include "output/coupon_print.h"
#include "output/protocol.h"
#include "output/row_files.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/output/coupon_dialogs.h"
#include "ui/output/page_painter.h"
#include "ui/output/print_preview.h"
#include "ui/output/print_progress.h"
#include "ui/net/browser.h"
#include "net/update_check.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }

// "NTF-files (*.ntf)|*.ntf" -> "NTF-files (*.ntf)": the description part of a
// filter written for the other platform's dialogs.
QString QtFilter(const std::string& filter) {
    const auto bar = filter.find('|');
    return Q(filter.substr(0, bar));
}

bool IsOneOf(const std::string& typ, const char* codes) {
    return typ.size() == 1 && std::string_view(codes).find(typ[0]) != std::string_view::npos;
}

class QtPrintBackend : public PrintBackend {
public:
    QtPrintBackend() : printer_(QPrinter::HighResolution) {}

    void selectPrinter(const QString& name, const PaperSettings& paper) override {
        if (!name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull()) printer_.setPrinterName(name);
        before_ = PaperOfPrinter(printer_);
        ApplyPaper(printer_, paper);
    }
    std::optional<QString> choosePrinter(QWidget* parent) override {
        QPrintDialog dialog(&printer_, parent);
        if (dialog.exec() != QDialog::Accepted) {
            ApplyPaper(printer_, before_);
            return std::nullopt;
        }
        // The name the printer settings are stored under (a PDF printer has none of its own).
        return DeviceName(printer_);
    }
    // The pages are shown in the preview; the user prints from there.
    bool output(QWidget* parent, const output::PrintDocument& doc) override {
        return ShowPrintPreview(parent, doc, &printer_);
    }

private:
    QPrinter printer_;
    PaperSettings before_;
};

}  // namespace

std::unique_ptr<PrintBackend> MakeQtPrintBackend() { return std::make_unique<QtPrintBackend>(); }

PrintDialogHooks DefaultPrintDialogHooks(const PrintContext& context, Prompter& prompter) {
    PrintDialogHooks hooks;
    core::SettingsFile* settings = context.settingsFile;
    core::NationalIni* national = context.national;
    const fs::path nationalPath = context.nationalPath;
    Prompter* p = &prompter;
    if (settings) {
        hooks.printerSettings = [settings, p](QWidget* parent, const QString& name) -> std::optional<PaperSettings> {
            QPrinter printer;
            if (!name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull()) printer.setPrinterName(name);
            TIniMarginal dialog(*settings, printer, *p, parent);
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return dialog.paper();
        };
        hooks.pcBetSettings = [settings, p](QWidget* parent) {
            TfrmPCBet dialog(*settings, *p, parent);
            dialog.exec();
        };
    }
    if (national && !nationalPath.empty()) {
        hooks.couponLayout = [national, nationalPath, p](QWidget* parent, const std::string& pool) {
            TfrmCoupon dialog(*national, nationalPath, pool, *p, parent);
            dialog.exec();
        };
    }
    return hooks;
}

PrintContext PrintContextOf(Program& program, std::vector<std::string> matchLabels, const fs::path& systemFile) {
    PrintContext c;
    c.doc = &program.doc;
    c.matchLabels = std::move(matchLabels);
    c.settingsFile = &program.settingsFile();
    c.settings = &program.settings;
    c.national = &program.national;
    c.nationalPath = program.NationalPath();
    c.dataFolder = program.DataFolder();
    c.userFolder = program.UserFolder();
    c.systemFile = systemFile;
    c.webAddress = program.updateIni.ReadString("Service", "Host");
    return c;
}

TSkrivUtDlg::TSkrivUtDlg(PrintContext context, Prompter& prompter, PrintBackend& backend, PrintDialogHooks hooks,
                         QWidget* parent)
    : QDialog(parent), ctx_(std::move(context)), prompter_(prompter), backend_(backend), hooks_(std::move(hooks)) {
    if (ctx_.doc == nullptr) throw output::PrintError("No system to print.");
    typ_ = ctx_.doc->Typ;
    if (ctx_.national) rowsPerCoupon_ = output::ReadCouponLayout(ctx_.national->ini(), ctx_.doc->Pool).rowsPerCoupon;
    rowsPerCoupon_ = std::clamp(rowsPerCoupon_, 1, output::kMaxRowsPerCoupon);
    couponCount_ = output::CouponCount(static_cast<int>(ctx_.doc->Rader.size()), rowsPerCoupon_);
    setObjectName(QStringLiteral("SkrivUtDlg"));
    Tag(this, 109);
    build();
    Localise(this);
    updateEnabled();
}

void TSkrivUtDlg::build() {
    auto* layout = new QVBoxLayout(this);
    auto* modes = new QGroupBox(this);
    auto* grid = new QGridLayout(modes);
    all_ = Tag(new QRadioButton(QStringLiteral("&All coupons"), modes), 268);
    range_ = Tag(new QRadioButton(QStringLiteral("&From coupon"), modes), 269);
    protocol_ = Tag(new QRadioButton(QStringLiteral("&Protocol"), modes), 270);
    file_ = Tag(new QRadioButton(QStringLiteral("P&rint to file"), modes), 271);
    all_->setObjectName(QStringLiteral("rbAll"));
    range_->setObjectName(QStringLiteral("rbFrom"));
    protocol_->setObjectName(QStringLiteral("rbProtocol"));
    file_->setObjectName(QStringLiteral("rbFile"));
    from_ = new QLineEdit(QString::number(couponCount_ > 0 ? 1 : 0), modes);
    to_ = new QLineEdit(QString::number(couponCount_), modes);
    from_->setObjectName(QStringLiteral("edFrom"));
    to_->setObjectName(QStringLiteral("edTo"));
    from_->setMaximumWidth(60);
    to_->setMaximumWidth(60);
    auto* toLabel = new QLabel(QStringLiteral("-"), modes);

    grid->addWidget(all_, 0, 0, 1, 4);
    grid->addWidget(range_, 1, 0);
    grid->addWidget(from_, 1, 1);
    grid->addWidget(toLabel, 1, 2);
    grid->addWidget(to_, 1, 3);
    grid->addWidget(protocol_, 2, 0, 1, 4);
    auto* boxes = new QWidget(modes);
    auto* boxLayout = new QVBoxLayout(boxes);
    boxLayout->setContentsMargins(24, 0, 0, 0);
    winnings_ = Tag(new QCheckBox(QStringLiteral("Winnings"), boxes), 111);
    sysInfo_ = Tag(new QCheckBox(QStringLiteral("System information"), boxes), 112);
    warranty_ = Tag(new QCheckBox(QStringLiteral("Warranty"), boxes), 114);
    comment_ = Tag(new QCheckBox(QStringLiteral("Comment"), boxes), 531);
    for (QCheckBox* b : {winnings_, sysInfo_, warranty_, comment_}) {
        b->setChecked(true);
        boxLayout->addWidget(b);
    }
    grid->addWidget(boxes, 3, 0, 1, 4);
    grid->addWidget(file_, 4, 0, 1, 4);
    layout->addWidget(modes);

    // The file mode only for pools with a row file, PC-Bet only for the NTF pools.
    file_->setVisible(IsOneOf(typ_, "SITOACE"));
    protocol_->setChecked(true);

    auto* buttons = new QHBoxLayout;
    auto addButton = [&](const char* name, int msg, const QString& text, void (TSkrivUtDlg::*slot)()) {
        auto* b = Tag(new QPushButton(text, this), msg);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    QPushButton* print = addButton("btnPrint", 109, QStringLiteral("Print"), &TSkrivUtDlg::PrintClick);
    print->setDefault(true);
    auto* cancel = Tag(new QPushButton(QStringLiteral("&Cancel"), this), 41);  // "&Cancel"
    cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    addButton("btnTest", 115, QStringLiteral("&Test page"), &TSkrivUtDlg::TestPageClick);
    addButton("btnPrinterSettings", 116, QStringLiteral("Settin&gs..."), &TSkrivUtDlg::PrinterSettingsClick)
        ->setVisible(bool(hooks_.printerSettings));
    addButton("btnCoupon", 117, QStringLiteral("Coupon..."), &TSkrivUtDlg::CouponLayoutClick)
        ->setVisible(bool(hooks_.couponLayout));
    addButton("btnPcBet", 113, QStringLiteral("Settings..."), &TSkrivUtDlg::PcBetClick)
        ->setVisible(bool(hooks_.pcBetSettings) && isNtfPool());
    // Help is always offered; without a hook of the caller it opens the
    // dialog's page of the manual.
    if (!hooks_.help) hooks_.help = [](QWidget* parent) { OpenHelp(parent, kPrintHelpPage); };
    SetHelpPage(this, kPrintHelpPage);
    addButton("btnHelp", 239, QStringLiteral("Help"), &TSkrivUtDlg::HelpClick);  // "Help"
    layout->addLayout(buttons);

    for (QRadioButton* r : {all_, range_, protocol_, file_})
        connect(r, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    // Typing into a coupon number selects the range.
    auto toRange = [this] {
        if (!range_->isChecked()) range_->setChecked(true);
    };
    connect(from_, &QLineEdit::textEdited, this, toRange);
    connect(to_, &QLineEdit::textEdited, this, toRange);
}

void TSkrivUtDlg::updateEnabled() {
    const bool range = range_->isChecked();
    from_->setEnabled(range);
    to_->setEnabled(range);
    const bool prot = protocol_->isChecked();
    for (QCheckBox* b : {winnings_, sysInfo_, warranty_, comment_}) b->setEnabled(prot && protocol_->isEnabled());
}

bool TSkrivUtDlg::isNtfPool() const { return IsOneOf(typ_, "ACE"); }

TSkrivUtDlg::Mode TSkrivUtDlg::mode() const {
    if (all_->isChecked()) return Mode::AllCoupons;
    if (range_->isChecked()) return Mode::Range;
    if (file_->isChecked()) return Mode::ToFile;
    return Mode::Protocol;
}

QRadioButton* TSkrivUtDlg::ModeButton(Mode m) const {
    switch (m) {
        case Mode::AllCoupons: return all_;
        case Mode::Range: return range_;
        case Mode::Protocol: return protocol_;
        case Mode::ToFile: return file_;
    }
    return nullptr;
}

void TSkrivUtDlg::SetMode(Mode m) { ModeButton(m)->setChecked(true); }

QCheckBox* TSkrivUtDlg::ProtocolBox(int msg) const {
    switch (msg) {
        case 111: return winnings_;
        case 112: return sysInfo_;
        case 114: return warranty_;
        case 531: return comment_;
        default: return nullptr;
    }
}

QPushButton* TSkrivUtDlg::Button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

void TSkrivUtDlg::OpenForCoupon(int coupon) {
    range_->setChecked(true);
    from_->setText(QString::number(coupon));
    to_->setText(QString::number(coupon));
    protocol_->setEnabled(false);
    updateEnabled();
}

QString TSkrivUtDlg::lastPrinter(const char* key) const {
    if (!ctx_.settingsFile) return {};
    return Q(ctx_.settingsFile->ini().ReadString("General", key));
}

void TSkrivUtDlg::storePrinter(const char* key, const QString& printer) {
    if (ctx_.settingsFile) ctx_.settingsFile->WriteString("General", key, printer.toStdString());
}

PaperSettings TSkrivUtDlg::paperOf(const QString& printer) const {
    if (!ctx_.settingsFile) return {};
    return PaperOf(output::ReadPrinterSettings(ctx_.settingsFile->ini(), printer.toStdString()));
}

void TSkrivUtDlg::PrintClick() {
    const Mode m = mode();
    if (m == Mode::Protocol) return printProtocol();
    if (m == Mode::ToFile) return printToFile();

    const int total = static_cast<int>(ctx_.doc->Rader.size());
    int from = 1, to = couponCount_, rows = total;
    if (m == Mode::Range) {
        // A coupon number must be a whole number of at least 1.
        auto read = [&](QLineEdit* edit, int& value) {
            const auto v = core::ParseInteger(edit->text().toStdString());
            if (!v || *v < 1 || *v > 1000000) {
                prompter_.error(this, M(451) + QStringLiteral(" '") + edit->text() + QStringLiteral("'"));
                edit->setFocus();
                return false;
            }
            value = static_cast<int>(*v);
            return true;
        };
        if (!read(from_, from) || !read(to_, to)) return;
        if (to < from) {
            prompter_.error(this, M(446));
            to_->setFocus();
            return;
        }
        if (from > couponCount_) {
            prompter_.error(this, M(447));
            from_->setFocus();
            return;
        }
        if (to > couponCount_) {
            prompter_.error(this, M(448));
            to_->setFocus();
            return;
        }
        rows = output::RowsToPrint(from, to, total, rowsPerCoupon_);
    }
    if (total == 0) {
        prompter_.information(this, M(283));
        return;
    }
    printCoupons(from, to, rows);
}

namespace {

// What every coupon print and the test page share: the rows, the pool's signs
// and layout and the current printer's margins.
output::CouponJob MakeJob(const PrintContext& ctx, const QString& printer, Prompter& prompter, QWidget* parent) {
    output::CouponJob job;
    job.rows = ctx.doc->Rader.Strings();
    job.matchCount = ctx.doc->MatchCount > 0
                         ? ctx.doc->MatchCount
                         : (job.rows.empty() ? core::kDefaultMatches : static_cast<int>(job.rows[0].size()));
    if (ctx.national) {
        job.signs = ctx.national->Settings(ctx.doc->Pool).signs;
        job.layout = output::ReadCouponLayout(ctx.national->ini(), ctx.doc->Pool);
    } else {
        job.layout = output::FallbackCouponLayout();
    }
    if (job.layout.needsMessage()) prompter.error(parent, M(output::kLayoutErrorMessage));
    if (ctx.settingsFile) {
        const output::PrinterMargins margins =
            output::MarginsInches(output::ReadPrinterSettings(ctx.settingsFile->ini(), printer.toStdString()));
        job.marginLeft = margins.left;
        job.marginTop = margins.top;
    }
    job.useXWhenPrinting = ctx.settings && ctx.settings->useXWhenPrinting;
    return job;
}

}  // namespace

void TSkrivUtDlg::printCoupons(int from, int to, int rowsToPrint) {
    const QString printer = lastPrinter("LastPrinter");
    backend_.selectPrinter(printer, chosenPaper_ ? *chosenPaper_ : paperOf(printer));
    const std::optional<QString> chosen = backend_.choosePrinter(this);
    if (!chosen) return;
    storePrinter("LastPrinter", *chosen);
    try {
        const output::CouponJob job = MakeJob(ctx_, *chosen, prompter_, this);
        output::PageComposer composer;
        // A long run is composed on a worker with the progress window and Cancel.
        const bool composed = ComposeWithProgress(
            this, M(444), from, to, composer,
            [&](output::PageComposer& c, const std::atomic<bool>& stop) {
                return output::PrintCoupons(c, job, from, to, rowsToPrint, &stop);
            },
            hooks_.progressShown);
        if (!composed) return;
        if (!backend_.output(this, composer.TakeDocument())) return;
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    ctx_.doc->Printed = true;
    changed_ = true;
    accept();
}

void TSkrivUtDlg::TestPageClick() {
    if (prompter_.question(this, M(452), false) != Answer::Yes) return;
    const QString printer = lastPrinter("LastPrinter");
    backend_.selectPrinter(printer, chosenPaper_ ? *chosenPaper_ : paperOf(printer));
    try {
        const output::CouponJob job = MakeJob(ctx_, printer, prompter_, this);
        output::PageComposer composer;
        output::PrintTestPage(composer, job);
        backend_.output(this, composer.TakeDocument());
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
    }
}

void TSkrivUtDlg::printProtocol() {
    const QString printer = lastPrinter("LastPrinterA4");
    backend_.selectPrinter(printer, PaperSettings{output::kPaperA4, output::kSourceAuto, false});
    const std::optional<QString> chosen = backend_.choosePrinter(this);
    if (!chosen) return;
    storePrinter("LastPrinterA4", *chosen);
    output::ProtocolInput in;
    in.doc = ctx_.doc;
    in.matchLabels = ctx_.matchLabels;
    in.options = {winnings_->isChecked(), sysInfo_->isChecked(), warranty_->isChecked(), comment_->isChecked()};
    in.printUpperCase = ctx_.settings == nullptr || ctx_.settings->printUpperCase;
    if (ctx_.national) {
        const core::PoolSettings pool = ctx_.national->Settings(ctx_.doc->Pool);
        in.signs = pool.signs;
        if (!pool.img.empty()) in.poolLogo = ctx_.dataFolder / pool.img;
    }
    in.picturesFolder = ctx_.dataFolder / "Images";
    in.webAddress = ctx_.webAddress;
    try {
        if (!backend_.output(this, output::ProtocolDocument(in))) return;
    } catch (const std::exception& e) {
        prompter_.error(this, Q(e.what()));
        return;
    }
    accept();
}

void TSkrivUtDlg::printToFile() {
    const bool ntf = isNtfPool();
    FileDialogSpec spec;
    spec.filter = QtFilter(core::Msg(ntf ? 449 : 450));
    spec.defaultSuffix = ntf ? QStringLiteral("ntf") : QStringLiteral("txt");
    const std::string ext = ntf ? ".ntf" : ".txt";
    fs::path proposed;
    if (!ctx_.systemFile.empty()) {
        proposed = ctx_.systemFile;
        proposed.replace_extension(ext);
    } else {
        proposed = ctx_.userFolder / ctx_.doc->Pool / (ctx_.doc->Pool + " " + ctx_.doc->Omg + ext);
    }
    spec.folder = Q(proposed.parent_path().string());
    spec.selected = Q(proposed.string());
    const QString chosen = prompter_.saveFile(this, spec);
    if (!chosen.isEmpty()) {
        output::PcBetSettings pcBet;
        if (ctx_.settingsFile) pcBet = output::ReadPcBetSettings(ctx_.settingsFile->ini());
        const core::DisplaySigns signs =
            ctx_.national ? ctx_.national->Settings(ctx_.doc->Pool).signs : core::CurrentDisplaySigns();
        const output::ExportResult result = output::ExportRows(*ctx_.doc, fs::path(chosen.toStdString()), pcBet, signs);
        if (result.ok()) {
            ctx_.doc->Printed = true;
            changed_ = true;
        } else {
            prompter_.error(this, Q(result.message));
        }
    }
    accept();
}

void TSkrivUtDlg::HelpClick() {
    if (hooks_.help) hooks_.help(this);
}

void TSkrivUtDlg::PrinterSettingsClick() {
    if (!hooks_.printerSettings) return;
    if (auto paper = hooks_.printerSettings(this, lastPrinter("LastPrinter"))) chosenPaper_ = *paper;
}

void TSkrivUtDlg::CouponLayoutClick() {
    if (!hooks_.couponLayout) return;
    hooks_.couponLayout(this, ctx_.doc->Pool);
    // The number of rows on a coupon may have changed.
    if (ctx_.national) {
        if (!ctx_.nationalPath.empty() && fs::exists(ctx_.nationalPath))
            *ctx_.national = core::NationalIni::FromFile(ctx_.nationalPath);
        rowsPerCoupon_ = std::clamp(output::ReadCouponLayout(ctx_.national->ini(), ctx_.doc->Pool).rowsPerCoupon, 1,
                                    output::kMaxRowsPerCoupon);
    }
    const int before = couponCount_;
    couponCount_ = output::CouponCount(static_cast<int>(ctx_.doc->Rader.size()), rowsPerCoupon_);
    if (before != couponCount_) {
        from_->setText(QStringLiteral("1"));
        to_->setText(QString::number(couponCount_));
    }
}

void TSkrivUtDlg::PcBetClick() {
    if (!hooks_.pcBetSettings) return;
    hooks_.pcBetSettings(this);
    if (!file_->isHidden()) file_->setChecked(true);
}

bool RunPrintDialog(QWidget* parent, PrintContext context, Prompter& prompter, PrintBackend& backend,
                    PrintDialogHooks hooks) {
    if (context.doc == nullptr || context.doc->Rader.empty()) {
        prompter.information(parent, M(283));
        return false;
    }
    TSkrivUtDlg dialog(std::move(context), prompter, backend, std::move(hooks), parent);
    dialog.exec();
    return dialog.DocumentChanged();
}

bool RunPrintDialogForCoupon(QWidget* parent, PrintContext context, const std::vector<std::string>& rows, int coupon,
                             Prompter& prompter, PrintBackend& backend, PrintDialogHooks hooks) {
    if (context.doc == nullptr) return false;
    // The viewer's copy is printed; the document learns only that it was printed.
    core::TVinraFile* doc = context.doc;
    core::TVinraFile copy = *doc;
    copy.Rader = rows;
    context.doc = &copy;
    TSkrivUtDlg dialog(std::move(context), prompter, backend, std::move(hooks), parent);
    dialog.OpenForCoupon(coupon);
    dialog.exec();
    if (!dialog.DocumentChanged()) return false;
    doc->Printed = true;
    return true;
}

}  // namespace vinra::ui
