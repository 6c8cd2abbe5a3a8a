#pragma once
// Paper settings stored with their Windows meaning (paper-size and paper-bin
// codes, landscape flag) applied to and read from a Qt printer, and the names
// the printer dialogs show for them.
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include "output/coupon_layout.h"

class QPrinter;

namespace vinra::ui {

struct PaperSettings {
    int format = output::kPaperA4;
    int kalla = output::kSourceAuto;
    bool landscape = false;
    bool operator==(const PaperSettings&) const = default;
};
inline PaperSettings PaperOf(const output::PrinterSettings& p) { return {p.format, p.kalla, p.orientering}; }

// Windows paper-size code to Qt's page size; an unknown code gives A4.
QPageSize PageSizeOfCode(int format);
// Qt's page size to the Windows code; 9 (A4) when it has none.
int CodeOfPageSize(const QPageSize& size);
// The standard name of a paper size ("A4", "Letter", ...); the number when unknown.
QString PaperSizeName(int format);
// The names of the paper sources in the current language (messages
// 1152-1165): 1 "Upper" ... 15 "Form source", 256 and above "Printer-specific
// paper tray".
QString PaperSourceName(int kalla);
// "Landscape" or "Portrait" (messages 1166, 1167).
QString OrientationName(bool landscape);
// Windows paper-source code to QPrinter::PaperSource (as an int to keep this
// header light) and back. Unknown codes give automatic selection.
int QtSourceOfCode(int kalla);
int CodeOfQtSource(int qtSource);

// The name a printer's settings are stored under in RAVAROZ.INI: the device
// name the platform reports, or "PDF" for output to a PDF file without a device.
QString DeviceName(const QPrinter& printer);

// Applies paper size, source and orientation to the printer.
void ApplyPaper(QPrinter& printer, const PaperSettings& paper);
// The printer's current paper size, source and orientation.
PaperSettings PaperOfPrinter(const QPrinter& printer);

}  // namespace vinra::ui
