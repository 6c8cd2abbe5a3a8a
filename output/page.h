#pragma once
// The print engine's page composition, free of any toolkit: every printed output
// (coupons, test page, protocol, reports) is composed here as drawing commands
// in inches from the top-left corner of the printable page; ui/ paints them on a
// printer, a PDF or the preview.
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vinra::output {

class PrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FontSpec {
    std::string name = "Arial";
    double size = 10;  // points
    bool bold = false;
    bool italic = false;
    uint32_t rgb = 0x000000;
    bool operator==(const FontSpec&) const = default;
};

enum class Align { Left, Centre, Right };

enum class CommandKind {
    Text,      // text in the box (x, y, w): y is the top of the line; aligned in w (w = 0: starts at x)
    Line,      // from (x, y) to (x2, y2), pen width in points
    FillRect,  // (x, y, w, h) filled with rgb
    RoundBox,  // (x, y, w, h) outline with rounded corners, pen width
    Picture,   // image file `text` scaled into (x, y, w, h); a missing file draws nothing
    Footer,    // text in the page footer
};

struct DrawCommand {
    CommandKind kind = CommandKind::Text;
    double x = 0, y = 0, w = 0, h = 0;
    double x2 = 0, y2 = 0;
    double pen = 1;
    uint32_t rgb = 0;
    Align align = Align::Left;
    FontSpec font;
    std::string text;
    // For text written in a column: the column number (1..50), else 0. Tests
    // read where a mark went from this and the line.
    int column = 0;
};

struct Page {
    std::vector<DrawCommand> commands;
};

struct PrintDocument {
    std::string title;
    int progressMax = 0;
    bool portraitA4 = false;  // the protocol page: A4 portrait whatever the printer's settings
    std::vector<Page> pages;
};

// The operations the printed outputs use, recording drawing commands.
class PageComposer {
public:
    static constexpr int kColumns = 50;

    void BeginDoc(const std::string& title, int progressMax);
    void EndDoc();
    void NewPage();
    void SetFont(const FontSpec& font);
    const FontSpec& font() const { return font_; }
    // Throws PrintError "Column value must be between 1 and 50." for c outside 1..50.
    void DefineColumn(int c, double left, double width);
    void SetLine(double y);
    double line() const { return line_; }
    void TextCentreInColumn(int c, const std::string& text);
    void TextLeftInColumn(int c, const std::string& text);
    void TextAt(double y, double x, const std::string& text);
    void TextInBox(double y, double x, double w, Align align, const std::string& text);
    void Line(double x1, double y1, double x2, double y2, double pen);
    void FillRect(double x, double y, double w, double h, uint32_t rgb);
    void RoundBox(double x, double y, double w, double h, double pen);
    void Picture(const std::string& file, double x, double y, double w, double h);
    void Footer(const std::string& text);
    // The coupon being printed; the progress window reads it.
    void Progress(int n) { progress_.store(n); }
    int progress() const { return progress_.load(); }

    const PrintDocument& document() const { return doc_; }
    PrintDocument TakeDocument();

private:
    struct Column {
        double left = 0, width = 0;
        bool defined = false;
    };
    Page& page();
    const Column& column(int c) const;
    PrintDocument doc_;
    FontSpec font_;
    double line_ = 0;
    Column columns_[kColumns + 1];
    std::atomic<int> progress_{0};
};

}  // namespace vinra::output
