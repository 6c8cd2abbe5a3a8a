#include "ui/output/printer_paper.h"

#include <QPrinter>

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

QString PaperSourceName(int kalla) {
    if (kalla >= 256) return QStringLiteral("Skrivarspecifikt pappersfack");
    switch (kalla) {
        case 1: return QStringLiteral("Övre");
        case 2: return QStringLiteral("Nedre");
        case 3: return QStringLiteral("Mittersta");
        case 4: return QStringLiteral("Manuell matning");
        case 5: return QStringLiteral("Kuvert");
        case 6: return QStringLiteral("Kuvert, manuell matning");
        case 7: return QStringLiteral("Välj automatiskt");
        case 8: return QStringLiteral("Traktormatning");
        case 9: return QStringLiteral("Litet format");
        case 10: return QStringLiteral("Stort format");
        case 11: return QStringLiteral("Högkapacitetsfack");
        case 14: return QStringLiteral("Kassett");
        case 15: return QStringLiteral("Form source");
        default: return QString::number(kalla);
    }
}

QString OrientationName(bool landscape) {
    return landscape ? QStringLiteral("Liggande") : QStringLiteral("Stående");
}

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
