// The Qt side of the print engine: painting drawing commands, PDF and picture
// output, paper codes, the preview and the progress window.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>

#include "core/messages.h"
#include "core/settings.h"
#include "output/page.h"
#include "tests/in_language.h"
#include "tests/temp_dir.h"
#include "tests/thrown_text.h"
#include "ui/output/page_painter.h"
#include "ui/output/print_preview.h"
#include "ui/output/print_progress.h"
#include "ui/output/printer_paper.h"
#include "ui/tests/support/scripted_prompter.h"

namespace vinra::ui {
namespace {

using vinra::testing::ReadBytes;
using vinra::testing::TempDir;

// A page with one black square, one mark centred in a column and a footer.
output::PrintDocument SampleDocument(int pages = 1) {
    output::PageComposer pc;
    pc.BeginDoc("Sample", pages);
    for (int i = 0; i < pages; ++i) {
        if (i > 0) pc.NewPage();
        pc.FillRect(1, 1, 1, 1, 0x000000);
        pc.SetFont({"DejaVu Sans", 20, true, false, 0x000000});
        pc.DefineColumn(3, 4, 0.5);
        pc.SetLine(5);
        pc.TextCentreInColumn(3, "X");
        pc.SetFont({"DejaVu Sans", 10, false, true, 0x000000});
        pc.Footer("footer");
    }
    pc.EndDoc();
    return pc.TakeDocument();
}

bool Dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Bounding box of the dark pixels inside a region.
QRect DarkBox(const QImage& img, const QRect& region) {
    QRect box;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (Dark(img, x, y)) box = box.united(QRect(x, y, 1, 1));
    return box;
}

TEST(PagePainter, DrawsAtInchPositionsOffsetByThePrintersMargins) {
    const auto doc = SampleDocument();
    for (double margin : {0.0, 0.25}) {
        SCOPED_TRACE(margin);
        PageGeometry g;
        g.margins = QMarginsF(margin, margin, margin, margin);
        const double dpi = 100;
        const QImage img = RenderPage(doc, 0, g, dpi);
        EXPECT_EQ(img.width(), qRound(g.paper.width() * dpi));
        const int off = qRound(margin * dpi);
        // The square covers 1..2 in.
        EXPECT_TRUE(Dark(img, off + 105, off + 105));
        EXPECT_TRUE(Dark(img, off + 195, off + 195));
        EXPECT_FALSE(Dark(img, off + 95, off + 150));
        EXPECT_FALSE(Dark(img, off + 205, off + 150));
        // The mark lies centred in its column (4..4.5 in) just below its line (5 in).
        const QRect mark = DarkBox(img, QRect(off + 300, off + 450, 300, 150));
        ASSERT_FALSE(mark.isNull());
        EXPECT_NEAR(mark.center().x(), off + 425, 3);
        EXPECT_GE(mark.top(), off + 500);
        EXPECT_LT(mark.bottom(), off + 540);
        // The footer sits at the foot of the printable area.
        const QRect foot = DarkBox(img, QRect(0, img.height() - off - 60, img.width(), 60));
        EXPECT_FALSE(foot.isNull());
        EXPECT_NEAR(foot.center().x(), img.width() / 2, 30);
    }
    EXPECT_THROW(RenderPage(doc, 1, A4Portrait(), 50), output::PrintError);
    EXPECT_THROW(RenderPage(doc, -1, A4Portrait(), 50), output::PrintError);
}

TEST(PagePainter, PicturesLinesAndBoxes) {
    TempDir dir;
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(dir.file("red.png"))));
    output::PageComposer pc;
    pc.BeginDoc("p", 0);
    pc.Picture(dir.file("red.png"), 1, 1, 2, 0);  // height from the picture's proportions
    pc.Picture(dir.file("missing.png"), 4, 4, 1, 1);
    pc.Line(1, 3, 7, 3, 4);
    pc.RoundBox(1, 5, 3, 1, 2);
    const QImage img = RenderPage(pc.TakeDocument(), 0, A4Portrait(), 100);
    EXPECT_EQ(img.pixelColor(150, 140), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(150, 190), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(150, 250), QColor(Qt::white));  // 2 x 1 in, not 2 x 2
    EXPECT_EQ(img.pixelColor(450, 450), QColor(Qt::white));  // a missing file draws nothing
    EXPECT_TRUE(Dark(img, 400, 300));                        // the line
    EXPECT_TRUE(Dark(img, 250, 500));                        // top edge of the box
    EXPECT_FALSE(Dark(img, 250, 550));                       // its inside stays empty
}

int PdfPages(const std::string& bytes) {
    int pages = 0;
    for (size_t at = bytes.find("/Type /Page"); at != std::string::npos; at = bytes.find("/Type /Page", at + 1))
        if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

TEST(PagePainter, PdfHasOnePagePerDocumentPageAndReplacesAtomically) {
    TempDir dir;
    const QString file = QString::fromStdString(dir.file("out.pdf"));
    ASSERT_TRUE(PrintToPdf(SampleDocument(3), file));
    const std::string bytes = ReadBytes(dir.file("out.pdf"));
    EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
    EXPECT_EQ(PdfPages(bytes), 3);
    // A folder that does not exist: failure, nothing half-written.
    EXPECT_FALSE(PrintToPdf(SampleDocument(), QString::fromStdString(dir.file("no/such/out.pdf"))));
    // A4 landscape sheet keeps its shape.
    PageGeometry wide;
    wide.paper = wide.paper.transposed();
    WritePdf(SampleDocument(), dir.path() / "wide.pdf", wide);
    const std::string w = ReadBytes(dir.path() / "wide.pdf");
    EXPECT_NE(w.find("/MediaBox [0 0 842"), std::string::npos) << w.substr(0, 2000);
}

TEST(PagePainter, PrintsOnAPrinterAndStopsWhenTold) {
    TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.file("printer.pdf")));
    std::vector<int> seen;
    EXPECT_TRUE(PrintDocumentOn(printer, SampleDocument(2), [&](int i) {
        seen.push_back(i);
        return true;
    }));
    EXPECT_EQ(seen, (std::vector<int>{0, 1}));
    EXPECT_EQ(PdfPages(ReadBytes(dir.file("printer.pdf"))), 2);

    QPrinter second(QPrinter::HighResolution);
    second.setOutputFormat(QPrinter::PdfFormat);
    second.setOutputFileName(QString::fromStdString(dir.file("stopped.pdf")));
    EXPECT_FALSE(PrintDocumentOn(second, SampleDocument(3), [](int i) { return i < 1; }));
}

TEST(PagePainter, SavesPagesAsPictures) {
    TempDir dir;
    const auto doc = SampleDocument(2);
    QStringList names = {"p.png", "p.jpg", "p.JPEG", "p.bmp"};
    if (PictureSuffixes().contains("gif")) names << "p.gif";
    for (const QString& n : names) {
        SCOPED_TRACE(n.toStdString());
        const auto path = dir.path() / n.toStdString();
        SavePagePicture(doc, 1, A4Portrait(), path, 50);
        QImageReader reader(QString::fromStdString(path.string()));
        const QImage img = reader.read();
        ASSERT_FALSE(img.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(img.width(), qRound(210 / 25.4 * 50));
        EXPECT_TRUE(Dark(img, 75, 75));
    }
    EXPECT_THROW(SavePagePicture(doc, 0, A4Portrait(), dir.path() / "p.tiff"), output::PrintError);
    EXPECT_THROW(SavePagePicture(doc, 5, A4Portrait(), dir.path() / "q.png"), output::PrintError);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "q.png"));
}

// The preview shows why a picture is refused in the player's language.
TEST(PagePainter, RefusalsSpeakThePlayersLanguage) {
    const vinra::testing::InLanguage swedish(core::LangSwedish);
    TempDir dir;
    const auto doc = SampleDocument(2);
    const auto refusal = [&](const std::filesystem::path& file, int page) {
        return vinra::testing::ThrownText<output::PrintError>(
            [&] { SavePagePicture(doc, page, A4Portrait(), file, 50); });
    };
    const struct {
        std::string text;
        const char* swedish;
    } cases[] = {
        {refusal(dir.path() / "p.tiff", 0), "Bilder kan inte sparas som .tiff."},
        {refusal(dir.path() / "q.png", 5), "Dokumentet har ingen sida 6."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

TEST(PrinterPaper, WindowsCodesMapToQtAndBack) {
    const std::vector<std::pair<int, QPageSize::PageSizeId>> sizes = {
        {9, QPageSize::A4}, {1, QPageSize::Letter}, {5, QPageSize::Legal}, {8, QPageSize::A3}, {11, QPageSize::A5},
    };
    for (const auto& [code, id] : sizes) {
        EXPECT_EQ(PageSizeOfCode(code).id(), id) << code;
        EXPECT_EQ(CodeOfPageSize(QPageSize(id)), code);
        EXPECT_EQ(PaperSizeName(code), QPageSize::name(id));
    }
    EXPECT_EQ(PaperSizeName(9), "A4");
    EXPECT_EQ(PageSizeOfCode(31999).id(), QPageSize::A4);
    EXPECT_EQ(PaperSizeName(31999), "31999");

    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15, 256})
        EXPECT_EQ(CodeOfQtSource(QtSourceOfCode(code)), code);
    EXPECT_EQ(QtSourceOfCode(300), QPrinter::CustomSource);
    EXPECT_EQ(QtSourceOfCode(12), QPrinter::Auto);
    // The names follow the program's language.
    const int language = core::CurrentLanguage();
    core::SetCurrentLanguage(core::LangSwedish);
    EXPECT_EQ(PaperSourceName(1), QStringLiteral("Övre"));
    EXPECT_EQ(PaperSourceName(7), QStringLiteral("Välj automatiskt"));
    EXPECT_EQ(PaperSourceName(11), QStringLiteral("Högkapacitetsfack"));
    EXPECT_EQ(PaperSourceName(300), QStringLiteral("Skrivarspecifikt pappersfack"));
    EXPECT_EQ(OrientationName(true), QStringLiteral("Liggande"));
    EXPECT_EQ(OrientationName(false), QStringLiteral("Stående"));
    core::SetCurrentLanguage(core::LangEnglish);
    EXPECT_EQ(PaperSourceName(1), QStringLiteral("Upper"));
    EXPECT_EQ(PaperSourceName(300), QStringLiteral("Printer-specific paper tray"));
    EXPECT_EQ(OrientationName(true), QStringLiteral("Landscape"));
    core::SetCurrentLanguage(language);

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    ApplyPaper(printer, {11, 7, true});
    const PaperSettings back = PaperOfPrinter(printer);
    EXPECT_EQ(back.format, 11);
    EXPECT_TRUE(back.landscape);
    ApplyPaper(printer, {9, 7, false});
    EXPECT_EQ(PaperOfPrinter(printer), (PaperSettings{9, 7, false}));
    // The protocol asks for A4 portrait whatever the printer says.
    ApplyPaper(printer, {5, 7, true});
    output::PrintDocument protocol = SampleDocument();
    protocol.portraitA4 = true;
    EXPECT_EQ(GeometryForDocument(protocol, &printer).paper, A4Portrait().paper);
    EXPECT_GT(GeometryForDocument(SampleDocument(), &printer).paper.width(), 13.9);  // legal, turned
}

class PreviewTest : public ::testing::Test {
protected:
    TempDir dir_;
    testing::ScriptedPrompter prompter_;
};

TEST_F(PreviewTest, NavigatesAndZoomsWithinTheLimits) {
    PreviewOptions opt;
    opt.prompter = &prompter_;
    TPrintPreview preview(SampleDocument(3), opt);
    EXPECT_EQ(preview.pageCount(), 3);
    EXPECT_EQ(preview.page(), 0);
    EXPECT_EQ(preview.zoom(), 100);
    const int fullWidth = preview.shownPage().width();

    auto* next = preview.findChild<QPushButton*>("btnNext");
    auto* last = preview.findChild<QPushButton*>("btnLast");
    auto* first = preview.findChild<QPushButton*>("btnFirst");
    ASSERT_TRUE(next && last && first);
    EXPECT_FALSE(first->isEnabled());
    next->click();
    EXPECT_EQ(preview.page(), 1);
    last->click();
    EXPECT_EQ(preview.page(), 2);
    EXPECT_FALSE(next->isEnabled());
    preview.nextPage();
    EXPECT_EQ(preview.page(), 2);
    first->click();
    EXPECT_EQ(preview.page(), 0);
    preview.setPage(-4);
    EXPECT_EQ(preview.page(), 0);

    preview.setZoom(30);
    EXPECT_EQ(preview.zoom(), 60);
    EXPECT_NEAR(preview.shownPage().width(), fullWidth * 0.6, 2);
    preview.setZoom(250);
    EXPECT_EQ(preview.zoom(), 100);
    EXPECT_EQ(preview.shownPage().width(), fullWidth);
    preview.setZoom(80);
    EXPECT_NEAR(preview.shownPage().width(), fullWidth * 0.8, 2);
}

// The page counter keeps room for its longest text in every language, also
// in a window squeezed as narrow as it goes.
TEST_F(PreviewTest, ThePageCounterIsNeverCut) {
    PreviewOptions opt;
    opt.prompter = &prompter_;
    for (int lang : {core::LangSwedish, core::LangEnglish, core::LangFinnish}) {
        core::SetCurrentLanguage(lang);
        TPrintPreview preview(SampleDocument(123), opt);
        preview.show();
        preview.resize(200, 300);
        QApplication::processEvents();
        preview.lastPage();
        auto* label = preview.findChild<QLabel*>("lblPage");
        ASSERT_TRUE(label);
        EXPECT_TRUE(label->text().contains(QStringLiteral("123"))) << label->text().toStdString();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << label->text().toStdString();
        if (const char* dir = std::getenv("VINRA_SCREENSHOT_DIR"); dir && *dir) {
            std::filesystem::create_directories(dir);
            preview.grab().save(QString::fromStdString(dir) + QStringLiteral("/preview_%1.png").arg(lang));
        }
    }
    core::SetCurrentLanguage(core::LangEnglish);
}

TEST_F(PreviewTest, SavesTheShownPageAsAPicture) {
    PreviewOptions opt;
    opt.prompter = &prompter_;
    opt.pictureFolder = QString::fromStdString(dir_.path().string());
    TPrintPreview preview(SampleDocument(2), opt);
    preview.setPage(1);

    prompter_.files.push_back(QString::fromStdString(dir_.file("page.bmp")));
    EXPECT_TRUE(preview.savePicture());
    EXPECT_FALSE(QImage(QString::fromStdString(dir_.file("page.bmp"))).isNull());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_NE(prompter_.shown[0].spec.filter.indexOf("JPEG (*.jpg *.jpeg)"), -1);
    EXPECT_TRUE(prompter_.shown[0].spec.selected.endsWith("Sample 2.png"));

    // A name without a known suffix becomes a PNG; a cancelled dialog saves nothing.
    prompter_.files.push_back(QString::fromStdString(dir_.file("page")));
    EXPECT_TRUE(preview.savePicture());
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "page.png"));
    EXPECT_FALSE(preview.savePicture());
    // A folder that does not exist: an error message, no crash.
    prompter_.files.push_back(QString::fromStdString(dir_.file("none/page.png")));
    EXPECT_FALSE(preview.savePicture());
    EXPECT_EQ(prompter_.Texts("error").size(), 1u);
}

TEST_F(PreviewTest, PrintsOnTheChosenPrinter) {
    const QString out = QString::fromStdString(dir_.file("printed.pdf"));
    PreviewOptions opt;
    opt.prompter = &prompter_;
    int asked = 0;
    opt.choosePrinter = [&](QPrinter& p, QWidget*) {
        ++asked;
        if (asked == 1) return false;  // the user cancels the print dialog
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(out);
        return true;
    };
    TPrintPreview preview(SampleDocument(2), opt);
    EXPECT_FALSE(preview.printDocument());
    EXPECT_FALSE(preview.printed());
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(preview.printDocument());
    EXPECT_TRUE(preview.printed());
    EXPECT_EQ(PdfPages(ReadBytes(dir_.file("printed.pdf"))), 2);

    // With a printer chosen before, the preview prints on it without asking.
    QPrinter chosen(QPrinter::HighResolution);
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setOutputFileName(QString::fromStdString(dir_.file("chosen.pdf")));
    PreviewOptions direct;
    direct.printer = &chosen;
    direct.choosePrinter = [&](QPrinter&, QWidget*) {
        ADD_FAILURE() << "asked again";
        return false;
    };
    TPrintPreview second(SampleDocument(1), direct);
    EXPECT_TRUE(second.printDocument());
    EXPECT_EQ(PdfPages(ReadBytes(dir_.file("chosen.pdf"))), 1);
}

TEST(PrintProgress, ShowsTheCountAndStopsOnCancel) {
    TPrintProgress progress("Printing", 5);
    EXPECT_TRUE(progress.step(2));
    EXPECT_EQ(progress.value(), 2);
    progress.setValue(99);
    EXPECT_EQ(progress.value(), 5);
    auto* cancel = progress.findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_TRUE(progress.cancelled());
    EXPECT_FALSE(progress.step(3));

    // Watching a composer's counter.
    output::PageComposer pc;
    pc.BeginDoc("t", 4);
    TPrintProgress watcher("Printing", 4);
    watcher.watch([&] { return pc.progress(); });
    pc.Progress(3);
    QElapsedTimer clock;
    clock.start();
    while (watcher.value() != 3 && clock.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(watcher.value(), 3);
}

}  // namespace
}  // namespace vinra::ui
