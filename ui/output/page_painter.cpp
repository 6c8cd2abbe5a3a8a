#include "ui/output/page_painter.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImageWriter>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPrinter>

#include "core/messages.h"
#include "core/system_document.h"
#include "core/text.h"

namespace vinra::ui {
namespace {

// The print and preview windows show these as they are: in the player's language.
constexpr int kMsgNoPage = 4048;             // "The document has no page %d."
constexpr int kMsgPrinterNotStarted = 4049;  // "The printer could not be started."
constexpr int kMsgPictureSuffix = 4050;      // "Pictures cannot be saved as .%s."
constexpr int kMsgPictureFailed = 4051;      // "The picture could not be made."

QColor ColorOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

QFont FontOf(const output::FontSpec& spec) {
    QFont f(QString::fromStdString(spec.name));
    f.setPointSizeF(spec.size > 0 ? spec.size : 10);
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    return f;
}

// Distance of the footer's top from the foot of the printable area.
constexpr double kFooterRise = 0.35;
// Corner radius of a rounded box.
constexpr double kBoxRadius = 0.1;

int AlignOf(output::Align a) {
    switch (a) {
        case output::Align::Centre: return Qt::AlignHCenter;
        case output::Align::Right: return Qt::AlignRight;
        default: return Qt::AlignLeft;
    }
}

void DrawText(QPainter& p, double dpx, double dpy, double x, double y, double w, int align,
              const output::FontSpec& font, const std::string& text) {
    p.setFont(FontOf(font));
    p.setPen(ColorOf(font.rgb));
    // A zero-size rectangle with no clipping puts the text at (x, y) and lets it run on.
    const QRectF box(x * dpx, y * dpy, w > 0 ? w * dpx : 0, 0);
    p.drawText(box, align | Qt::AlignTop | Qt::TextDontClip | Qt::TextExpandTabs, QString::fromStdString(text));
}

void DrawPicture(QPainter& p, double dpx, double dpy, const output::DrawCommand& c) {
    QImage img;
    if (c.text.empty() || !img.load(QString::fromStdString(c.text))) return;
    // A missing size takes the picture's own, keeping its proportions.
    const double ownDpiX = img.dotsPerMeterX() > 0 ? img.dotsPerMeterX() * 0.0254 : 96;
    const double ownDpiY = img.dotsPerMeterY() > 0 ? img.dotsPerMeterY() * 0.0254 : 96;
    double w = c.w, h = c.h;
    if (w <= 0 && h <= 0) {
        w = img.width() / ownDpiX;
        h = img.height() / ownDpiY;
    } else if (w <= 0) {
        w = h * img.width() / img.height();
    } else if (h <= 0) {
        h = w * img.height() / img.width();
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(c.x * dpx, c.y * dpy, w * dpx, h * dpy), img);
    p.restore();
}

}  // namespace

PageGeometry A4Portrait() { return PageGeometry{}; }

PageGeometry GeometryOfPrinter(const QPrinter& printer) {
    const QPageLayout layout = printer.pageLayout();
    PageGeometry g;
    g.paper = layout.fullRect(QPageLayout::Inch).size();
    g.margins = layout.margins(QPageLayout::Inch);
    return g;
}

PageGeometry GeometryForDocument(const output::PrintDocument& doc, const QPrinter* printer) {
    if (doc.portraitA4 || !printer) return A4Portrait();
    return GeometryOfPrinter(*printer);
}

void PaintPage(QPainter& p, const output::Page& page, const QSizeF& printable) {
    const double dpx = p.device()->logicalDpiX();
    const double dpy = p.device()->logicalDpiY();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (const output::DrawCommand& c : page.commands) {
        switch (c.kind) {
            case output::CommandKind::Text:
                DrawText(p, dpx, dpy, c.x, c.y, c.w, AlignOf(c.align), c.font, c.text);
                break;
            case output::CommandKind::Line: {
                QPen pen(ColorOf(c.rgb));
                pen.setWidthF(std::max(c.pen, 0.1) * dpx / 72.0);
                p.setPen(pen);
                p.drawLine(QPointF(c.x * dpx, c.y * dpy), QPointF(c.x2 * dpx, c.y2 * dpy));
                break;
            }
            case output::CommandKind::FillRect:
                p.fillRect(QRectF(c.x * dpx, c.y * dpy, c.w * dpx, c.h * dpy), ColorOf(c.rgb));
                break;
            case output::CommandKind::RoundBox: {
                QPen pen(ColorOf(c.rgb));
                pen.setWidthF(std::max(c.pen, 0.1) * dpx / 72.0);
                p.setPen(pen);
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(QRectF(c.x * dpx, c.y * dpy, c.w * dpx, c.h * dpy), kBoxRadius * dpx,
                                  kBoxRadius * dpy);
                break;
            }
            case output::CommandKind::Picture: DrawPicture(p, dpx, dpy, c); break;
            case output::CommandKind::Footer:
                DrawText(p, dpx, dpy, 0, printable.height() - kFooterRise, printable.width(), Qt::AlignHCenter, c.font,
                         c.text);
                break;
        }
    }
    p.restore();
}

QImage RenderPage(const output::PrintDocument& doc, int index, const PageGeometry& g, double dpi) {
    if (index < 0 || index >= static_cast<int>(doc.pages.size()))
        throw output::PrintError(core::FormatMsg(core::Msg(kMsgNoPage), {static_cast<long long>(index) + 1}));
    const QSize size(std::max(1, qRound(g.paper.width() * dpi)), std::max(1, qRound(g.paper.height() * dpi)));
    QImage img(size, QImage::Format_RGB32);
    // Fonts are sized by the picture's resolution, so a 10 point mark has the
    // same size on the sheet at every zoom.
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    QPainter p(&img);
    p.translate(g.margins.left() * dpi, g.margins.top() * dpi);
    PaintPage(p, doc.pages[index], g.printable());
    p.end();
    return img;
}

bool PrintDocumentOn(QPrinter& printer, const output::PrintDocument& doc, const std::function<bool(int)>& onPage) {
    if (doc.pages.empty()) return true;
    if (!doc.title.empty()) printer.setDocName(QString::fromStdString(doc.title));
    QPainter p;
    if (!p.begin(&printer)) throw output::PrintError(core::Msg(kMsgPrinterNotStarted));
    const QSizeF printable = printer.pageLayout().paintRect(QPageLayout::Inch).size();
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        if (onPage && !onPage(static_cast<int>(i))) {
            printer.abort();
            p.end();
            return false;
        }
        if (i > 0) printer.newPage();
        PaintPage(p, doc.pages[i], printable);
    }
    p.end();
    return true;
}

void WritePdf(const output::PrintDocument& doc, const std::filesystem::path& file, const PageGeometry& g) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setTitle(QString::fromStdString(doc.title));
        writer.setCreator(QString::fromUtf8(core::kProgramName));
        // Page sizes are named portrait; a wide sheet is the same size turned.
        const bool landscape = g.paper.width() > g.paper.height();
        const QSizeF upright = landscape ? g.paper.transposed() : g.paper;
        const QPageSize size(upright, QPageSize::Inch);
        writer.setPageLayout(QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, g.margins,
                                         QPageLayout::Inch));
        QPainter p(&writer);
        const size_t pages = std::max<size_t>(doc.pages.size(), 1);
        for (size_t i = 0; i < pages; ++i) {
            if (i > 0) writer.newPage();
            if (i < doc.pages.size()) PaintPage(p, doc.pages[i], g.printable());
        }
        p.end();
    }
    core::WriteFileAtomic(file, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

bool PrintToPdf(const output::PrintDocument& doc, const QString& file) {
    try {
        WritePdf(doc, file.toStdString());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QStringList PictureSuffixes() {
    QStringList out = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("bmp")};
    if (QImageWriter::supportedImageFormats().contains("gif")) out << QStringLiteral("gif");
    return out;
}

void SavePagePicture(const output::PrintDocument& doc, int index, const PageGeometry& g,
                     const std::filesystem::path& file, double dpi) {
    std::string suffix = core::ToLowerAscii(file.extension().string());
    if (!suffix.empty()) suffix.erase(0, 1);
    if (suffix == "jpeg") suffix = "jpg";
    if (!PictureSuffixes().contains(QString::fromStdString(suffix)))
        throw output::PrintError(core::FormatMsg(core::Msg(kMsgPictureSuffix), {suffix}));
    const QImage img = RenderPage(doc, index, g, dpi);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray format = suffix == "jpg" ? QByteArray("JPEG") : QByteArray::fromStdString(suffix).toUpper();
    if (!img.save(&buffer, format.constData(), suffix == "jpg" ? 90 : -1))
        throw output::PrintError(core::Msg(kMsgPictureFailed));
    core::WriteFileAtomic(file, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace vinra::ui
