#include "ui/output/printer_paper.h"

#include <QPrinter>

#include "core/messages.h"

namespace vinra::ui {

QPageSize PageSizeOfCode(int format) {
    const QPageSize::PageSizeId id = QPageSize::id(format);
    if (id == QPageSize::Custom) return QPageSize(QPageSize::A4);
    return QPageSize(id);
}

int CodeOfPageSize(const QPageSize& size) {
    const int code = size.windowsId();
    return code > 0 ? code : output::kPaperA4;
}

QString PaperSizeName(int format) {
    const QPageSize::PageSizeId id = QPageSize::id(format);
    if (id == QPageSize::Custom) return QString::number(format);
    return QPageSize::name(id);
}

namespace {
QString M(int n) { return QString::fromStdString(core::Msg(n)); }
constexpr int kMsgPrinterSpecificTray = 1165;  // "Printer-specific paper tray"
constexpr int kMsgLandscape = 1166;            // "Landscape"
constexpr int kMsgPortrait = 1167;             // "Portrait"
}  // namespace

QString PaperSourceName(int kalla) {
    if (kalla >= 256) return M(kMsgPrinterSpecificTray);
    switch (kalla) {
        case 1: return M(1152);   // "Upper"
        case 2: return M(1153);   // "Lower"
        case 3: return M(1154);   // "Middle"
        case 4: return M(1155);   // "Manual feed"
        case 5: return M(1156);   // "Envelope"
        case 6: return M(1157);   // "Envelope, manual feed"
        case 7: return M(1158);   // "Select automatically"
        case 8: return M(1159);   // "Tractor feed"
        case 9: return M(1160);   // "Small format"
        case 10: return M(1161);  // "Large format"
        case 11: return M(1162);  // "Large-capacity tray"
        case 14: return M(1163);  // "Cassette"
        case 15: return M(1164);  // "Form source"
        default: return QString::number(kalla);
    }
}

QString OrientationName(bool landscape) { return landscape ? M(kMsgLandscape) : M(kMsgPortrait); }

int QtSourceOfCode(int kalla) {
    if (kalla >= 256) return QPrinter::CustomSource;
    switch (kalla) {
        case 1: return QPrinter::Upper;
        case 2: return QPrinter::Lower;
        case 3: return QPrinter::Middle;
        case 4: return QPrinter::Manual;
        case 5: return QPrinter::Envelope;
        case 6: return QPrinter::EnvelopeManual;
        case 8: return QPrinter::Tractor;
        case 9: return QPrinter::SmallFormat;
        case 10: return QPrinter::LargeFormat;
        case 11: return QPrinter::LargeCapacity;
        case 14: return QPrinter::Cassette;
        case 15: return QPrinter::FormSource;
        default: return QPrinter::Auto;
    }
}

int CodeOfQtSource(int qtSource) {
    switch (qtSource) {
        case QPrinter::Upper: return 1;
        case QPrinter::Lower: return 2;
        case QPrinter::Middle: return 3;
        case QPrinter::Manual: return 4;
        case QPrinter::Envelope: return 5;
        case QPrinter::EnvelopeManual: return 6;
        case QPrinter::Tractor: return 8;
        case QPrinter::SmallFormat: return 9;
        case QPrinter::LargeFormat: return 10;
        case QPrinter::LargeCapacity: return 11;
        case QPrinter::Cassette: return 14;
        case QPrinter::FormSource: return 15;
        case QPrinter::CustomSource: return 256;
        default: return output::kSourceAuto;
    }
}

QString DeviceName(const QPrinter& printer) {
    const QString name = printer.printerName();
    if (name.isEmpty()) return QStringLiteral("PDF");
    return name;
}

void ApplyPaper(QPrinter& printer, const PaperSettings& paper) {
    printer.setPageSize(PageSizeOfCode(paper.format));
    printer.setPageOrientation(paper.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPaperSource(static_cast<QPrinter::PaperSource>(QtSourceOfCode(paper.kalla)));
}

PaperSettings PaperOfPrinter(const QPrinter& printer) {
    PaperSettings p;
    const QPageLayout layout = printer.pageLayout();
    p.format = CodeOfPageSize(layout.pageSize());
    p.landscape = layout.orientation() == QPageLayout::Landscape;
    p.kalla = CodeOfQtSource(printer.paperSource());
    return p;
}

}  // namespace vinra::ui
