#pragma once
// The three settings dialogs reached from the print dialog: the coupon layout
// of a pool (TfrmCoupon, National.Ini), the paper and feed correction of a
// printer (TIniMarginal, RAVAROZ.INI) and the PC-Bet player data (TfrmPCBet,
// RAVAROZ.INI [PCBET]). Questions and messages go through a Prompter.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QFont>

#include "output/coupon_layout.h"
#include "ui/output/printer_paper.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPrinter;
class QRadioButton;

namespace vinra::core {
class NationalIni;
class SettingsFile;
}  // namespace vinra::core

namespace vinra::ui {

class Prompter;

// Coupon layout of one pool. Nothing is written before OK; OK writes every
// layout key and saves National.Ini.
class TfrmCoupon : public QDialog {
    Q_OBJECT
public:
    TfrmCoupon(core::NationalIni& national, std::filesystem::path nationalPath, std::string poolName,
               Prompter& prompter, QWidget* parent = nullptr);

    // Replaces the platform's font dialog (tests).
    void setFontChooser(std::function<bool(QFont&, QWidget*)> chooser) { chooseFont_ = std::move(chooser); }
    // The check-box entries as they stand in the dialog.
    std::vector<std::string> checkBoxes() const;

public slots:
    void selectCheckBox(int row);
    void btnChangeClick();
    void btnAddClick();
    void btnDeleteClick();
    void btnFontClick();
    // Validates and writes; the dialog stays open on an error.
    void btnOKClick();

    // The stored entry behind a line of the check-box list.
    static std::string EntryOf(const QListWidgetItem* item);

private:
    void showFont();
    std::string currentEntry() const;
    QListWidgetItem* addCheckBoxItem(const std::string& entry);
    void setCheckBoxItem(QListWidgetItem* item, const std::string& entry);

    core::NationalIni& national_;
    std::filesystem::path nationalPath_;
    std::string pool_;
    Prompter& prompter_;
    std::function<bool(QFont&, QWidget*)> chooseFont_;
    std::string fontName_;
    int fontSize_ = 10;
    bool bold_ = false;

    QLineEdit* couponColumns_ = nullptr;
    QLineEdit* kolumnAvstand_ = nullptr;
    QLineEdit* kolumnBredd_ = nullptr;
    QLineEdit* startBredd1_ = nullptr;
    QLineEdit* startBreddX_ = nullptr;
    QLineEdit* startBredd2_ = nullptr;
    QLineEdit* startHojd_ = nullptr;
    QLineEdit* hojdOkning_ = nullptr;
    QLineEdit* namnX_ = nullptr;
    QLineEdit* namnY_ = nullptr;
    QLabel* fontLabel_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* cbLabel_ = nullptr;
    QLineEdit* cbX_ = nullptr;
    QLineEdit* cbY_ = nullptr;
    QComboBox* cbPrint_ = nullptr;
};

// Paper size, source, orientation and the feed correction of the current printer.
class TIniMarginal : public QDialog {
    Q_OBJECT
public:
    TIniMarginal(core::SettingsFile& settings, QPrinter& printer, Prompter& prompter, QWidget* parent = nullptr);

    // Replaces the platform's printer setup (tests). Returns false when cancelled.
    void setPrinterSetup(std::function<bool(QPrinter&, QWidget*)> setup) { setup_ = std::move(setup); }
    // Replaces DeviceName after the printer setup (tests: a machine without printers has one name only).
    void setDeviceNameSource(std::function<QString(const QPrinter&)> source) { deviceName_ = std::move(source); }
    // The paper settings of the dialog; the print dialog uses them for the next print.
    const PaperSettings& paper() const { return paper_; }
    const QString& printerName() const { return printerName_; }

public slots:
    void btnPrinterClick();
    // Writes Left, Top, Orientering, Format and Kalla of the printer's section.
    void btnOKClick();

private:
    void showMargins(const output::PrinterSettings& p);
    void showPaper();

    core::SettingsFile& settings_;
    QPrinter& printer_;
    Prompter& prompter_;
    std::function<bool(QPrinter&, QWidget*)> setup_;
    std::function<QString(const QPrinter&)> deviceName_;
    QString printerName_;
    PaperSettings paper_;

    QLabel* printerLabel_ = nullptr;
    QLabel* orientationLabel_ = nullptr;
    QLabel* paperLabel_ = nullptr;
    QLabel* sourceLabel_ = nullptr;
    QLineEdit* left_ = nullptr;
    QLineEdit* top_ = nullptr;
    QRadioButton* dirLeft_ = nullptr;
    QRadioButton* dirRight_ = nullptr;
    QRadioButton* dirUp_ = nullptr;
    QRadioButton* dirDown_ = nullptr;
};

// The player's name and card number and the tipping choices of the NTF file.
class TfrmPCBet : public QDialog {
    Q_OBJECT
public:
    TfrmPCBet(core::SettingsFile& settings, Prompter& prompter, QWidget* parent = nullptr);

public slots:
    // Refuses a card number whose check digit is wrong (message 413); else writes [PCBET].
    void btnOKClick();

private:
    void filterName();

    core::SettingsFile& settings_;
    Prompter& prompter_;
    QLineEdit* name_ = nullptr;
    QLineEdit* cardNo_ = nullptr;
    QComboBox* draws_ = nullptr;
    QCheckBox* reciept_ = nullptr;
    QCheckBox* fulltime_ = nullptr;
    QCheckBox* pause_ = nullptr;
};

}  // namespace vinra::ui
