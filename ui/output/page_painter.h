#pragma once
// Paints the drawing commands of a composed document with QPainter: on a
// printer, into a PDF, or into a picture of the whole sheet (the preview and
// the saved pictures). Positions are inches from the printable area's top-left.
#include <filesystem>
#include <functional>

#include <QImage>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include "output/page.h"

class QPainter;
class QPrinter;

namespace vinra::ui {

// A sheet of paper in inches: its size, and the margins the printer cannot print on.
struct PageGeometry {
    QSizeF paper{210 / 25.4, 297 / 25.4};
    QMarginsF margins;
    QSizeF printable() const {
        return {paper.width() - margins.left() - margins.right(), paper.height() - margins.top() - margins.bottom()};
    }
};
PageGeometry A4Portrait();
PageGeometry GeometryOfPrinter(const QPrinter& printer);
// The sheet a document is shown on: A4 portrait for a document that asks for
// it or when there is no printer, else the printer's sheet.
PageGeometry GeometryForDocument(const output::PrintDocument& doc, const QPrinter* printer);

// Paints one page. The painter's origin is the printable area's top-left; its
// device's resolution turns inches into device units. The footer is centred at
// the foot of the printable area.
void PaintPage(QPainter& painter, const output::Page& page, const QSizeF& printableInches);

// The whole sheet of page `index` at dpi dots per inch, on white.
// Throws output::PrintError for a page that does not exist.
QImage RenderPage(const output::PrintDocument& doc, int index, const PageGeometry& geometry, double dpi);

// Prints every page on the printer, one sheet per page. onPage(i) is called
// before page i (0-based); when it returns false the job is aborted and false
// returned. Throws output::PrintError when the printer cannot be started.
bool PrintDocumentOn(QPrinter& printer, const output::PrintDocument& doc, const std::function<bool(int)>& onPage = {});

// Writes the document as a PDF on the given sheet (temporary file + rename).
// Throws core::FileError when the file cannot be written.
void WritePdf(const output::PrintDocument& doc, const std::filesystem::path& file,
              const PageGeometry& geometry = A4Portrait());
// The same, reporting failure as false (the print dialog's and main window's form).
bool PrintToPdf(const output::PrintDocument& doc, const QString& file);

// Picture formats a page can be saved in, by file suffix: png, jpg, bmp, and
// gif when this Qt build can write it.
QStringList PictureSuffixes();
// Saves page `index` as a picture, the format chosen by the file's suffix
// (png, jpg or jpeg, bmp, gif). Throws output::PrintError for an unknown
// format or page, core::FileError when the file cannot be written.
void SavePagePicture(const output::PrintDocument& doc, int index, const PageGeometry& geometry,
                     const std::filesystem::path& file, double dpi = 150);

}  // namespace vinra::ui
