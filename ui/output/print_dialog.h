#pragma once
// The print dialog (TSkrivUtDlg): the system's rows on the pool's paper
// coupons (all of them or a range), the A4 protocol page, a test page that
// marks every box, and the rows written to the operator's row file. It keeps
// the last printers used for coupons and for the protocol in the settings file.
//
// `Printed` of the document is set only once the coupons went to the printer
// or the row file was written: a cancelled dialog, a failed check or a failed
// write leave it as it was.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "core/pools.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "output/page.h"
#include "ui/output/printer_paper.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vinra::ui {

class Program;
class Prompter;

// Where printed pages go. The real one uses QPrinter, the platform's print
// dialog and the preview; tests put one in that writes PDF files.
class PrintBackend {
public:
    virtual ~PrintBackend() = default;
    // Makes the named printer (empty: the default printer) the current one and
    // applies the paper to it.
    virtual void selectPrinter(const QString& printer, const PaperSettings& paper) = 0;
    // Shows the platform's print dialog on the current printer. Gives the
    // printer chosen, or nullopt when the user cancelled; a cancel puts back
    // the paper settings the printer had before selectPrinter.
    virtual std::optional<QString> choosePrinter(QWidget* parent) = 0;
    // Sends the pages to the current printer (through the preview where there
    // is one). True when they were printed (or written to a file).
    virtual bool output(QWidget* parent, const output::PrintDocument& doc) = 0;
};

// The real backend: QPrinter and QPrintDialog, pages shown in the print preview.
std::unique_ptr<PrintBackend> MakeQtPrintBackend();

// The program's state the dialog works on.
struct PrintContext {
    core::TVinraFile* doc = nullptr;
    // One label per match: home team, " - ", away team.
    std::vector<std::string> matchLabels;
    core::SettingsFile* settingsFile = nullptr;  // RAVAROZ.INI: printers, PCBET
    const core::Settings* settings = nullptr;    // PrintUpperCase, UseXWhenPrinting
    core::NationalIni* national = nullptr;       // coupon layouts and pool logos
    std::filesystem::path nationalPath;          // where the layout dialog saves
    std::filesystem::path dataFolder;            // pool logos and pictures (Images/)
    std::filesystem::path systemFile;            // the system's file; empty when untitled
    std::filesystem::path userFolder;            // where an untitled system's row file is proposed
    std::string webAddress;                      // shown in the protocol's footer
};

// The context of the running program: its document, settings, pool
// definitions and folders; systemFile is the current file (empty when untitled).
PrintContext PrintContextOf(Program& program, std::vector<std::string> matchLabels,
                            const std::filesystem::path& systemFile);

class TPrintProgress;

// The three settings dialogs reached from this one. Empty hooks hide their buttons.
struct PrintDialogHooks {
    // The printer settings dialog for the named printer: the paper chosen on OK.
    std::function<std::optional<PaperSettings>(QWidget* parent, const QString& printer)> printerSettings;
    // The coupon layout dialog for the pool (by display name).
    std::function<void(QWidget* parent, const std::string& pool)> couponLayout;
    // The PC-Bet settings dialog.
    std::function<void(QWidget* parent)> pcBetSettings;
    // Help; when empty the help pages of the web service open in the browser.
    std::function<void(QWidget* parent)> help;
    // Called with the progress window of a long print run once it shows (tests).
    std::function<void(TPrintProgress& progress)> progressShown;
};

// The help page the print dialog opens.
inline constexpr const char* kPrintHelpPage = "print.htm";

// The real dialogs (TIniMarginal, TfrmCoupon, TfrmPCBet) on the context's
// settings file and pool definitions, which must outlive the hooks.
PrintDialogHooks DefaultPrintDialogHooks(const PrintContext& context, Prompter& prompter);

class TSkrivUtDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { AllCoupons, Range, Protocol, ToFile };

    TSkrivUtDlg(PrintContext context, Prompter& prompter, PrintBackend& backend, PrintDialogHooks hooks = {},
                QWidget* parent = nullptr);

    // The viewer's entry: "From coupon" selected with from = to = coupon, and no protocol.
    void OpenForCoupon(int coupon);

    int CouponCount() const { return couponCount_; }
    int RowsPerCoupon() const { return rowsPerCoupon_; }
    Mode mode() const;
    void SetMode(Mode m);
    // True when the document was changed (Printed set).
    bool DocumentChanged() const { return changed_; }

    // The buttons.
    void PrintClick();
    void TestPageClick();
    void PrinterSettingsClick();
    void HelpClick();
    void CouponLayoutClick();
    void PcBetClick();

    // For tests.
    QLineEdit* FromEdit() const { return from_; }
    QLineEdit* ToEdit() const { return to_; }
    QRadioButton* ModeButton(Mode m) const;
    QCheckBox* ProtocolBox(int msg) const;  // 111, 112, 114 or 531
    QPushButton* Button(const QString& objectName) const;

private:
    void build();
    void updateEnabled();
    void printCoupons(int from, int to, int rowsToPrint);
    void printProtocol();
    void printToFile();
    bool isNtfPool() const;
    QString lastPrinter(const char* key) const;
    void storePrinter(const char* key, const QString& printer);
    PaperSettings paperOf(const QString& printer) const;

    PrintContext ctx_;
    Prompter& prompter_;
    PrintBackend& backend_;
    PrintDialogHooks hooks_;
    std::string typ_;
    int rowsPerCoupon_ = 12;
    int couponCount_ = 0;
    bool changed_ = false;
    // Paper chosen in the printer settings dialog, for the next print.
    std::optional<PaperSettings> chosenPaper_;

    QRadioButton* all_ = nullptr;
    QRadioButton* range_ = nullptr;
    QRadioButton* protocol_ = nullptr;
    QRadioButton* file_ = nullptr;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QCheckBox* winnings_ = nullptr;
    QCheckBox* sysInfo_ = nullptr;
    QCheckBox* warranty_ = nullptr;
    QCheckBox* comment_ = nullptr;
};

// The main window's Print command: without rows message 283; otherwise the
// dialog. Gives true when the document changed (it was printed or written).
bool RunPrintDialog(QWidget* parent, PrintContext context, Prompter& prompter, PrintBackend& backend,
                    PrintDialogHooks hooks = {});
// The coupon viewer's "Print this coupon": the dialog for coupon k of the given
// rows (the viewer's copy). Gives true when the document's Printed flag was set.
bool RunPrintDialogForCoupon(QWidget* parent, PrintContext context, const std::vector<std::string>& rows, int coupon,
                             Prompter& prompter, PrintBackend& backend, PrintDialogHooks hooks = {});

}  // namespace vinra::ui
