#include "output/page.h"

#include <utility>

#include "core/messages.h"

namespace vinra::output {

namespace {
// A layout that places a column wrongly is refused in the player's language.
constexpr int kMsgColumnRange = 4028;      // "Column value must be between 1 and %d."
constexpr int kMsgColumnUndefined = 4029;  // "Column %d is not defined."
}  // namespace

void PageComposer::BeginDoc(const std::string& title, int progressMax) {
    doc_ = PrintDocument{};
    doc_.title = title;
    doc_.progressMax = progressMax;
    doc_.pages.emplace_back();
    font_ = FontSpec{};
    line_ = 0;
    for (auto& c : columns_) c = Column{};
    progress_.store(0);
}

void PageComposer::EndDoc() {
    // A document always has a page to show, even one that wrote nothing.
    if (doc_.pages.empty()) doc_.pages.emplace_back();
}

void PageComposer::NewPage() {
    doc_.pages.emplace_back();
    line_ = 0;
}

void PageComposer::SetFont(const FontSpec& font) { font_ = font; }

void PageComposer::DefineColumn(int c, double left, double width) {
    if (c < 1 || c > kColumns) throw PrintError(core::FormatMsg(core::Msg(kMsgColumnRange), {static_cast<long long>(kColumns)}));
    columns_[c] = Column{left, width, true};
}

void PageComposer::SetLine(double y) { line_ = y; }

const PageComposer::Column& PageComposer::column(int c) const {
    if (c < 1 || c > kColumns) throw PrintError(core::FormatMsg(core::Msg(kMsgColumnRange), {static_cast<long long>(kColumns)}));
    // Writing into a column nobody placed would put the mark at the page's left
    // edge, which on a coupon is a wrong bet rather than a visible fault.
    if (!columns_[c].defined) throw PrintError(core::FormatMsg(core::Msg(kMsgColumnUndefined), {static_cast<long long>(c)}));
    return columns_[c];
}

Page& PageComposer::page() {
    if (doc_.pages.empty()) doc_.pages.emplace_back();
    return doc_.pages.back();
}

void PageComposer::TextCentreInColumn(int c, const std::string& text) {
    const Column& col = column(c);
    DrawCommand cmd;
    cmd.kind = CommandKind::Text;
    cmd.x = col.left;
    cmd.y = line_;
    cmd.w = col.width;
    cmd.align = Align::Centre;
    cmd.font = font_;
    cmd.text = text;
    cmd.column = c;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::TextLeftInColumn(int c, const std::string& text) {
    const Column& col = column(c);
    DrawCommand cmd;
    cmd.kind = CommandKind::Text;
    cmd.x = col.left;
    cmd.y = line_;
    cmd.w = col.width;
    cmd.align = Align::Left;
    cmd.font = font_;
    cmd.text = text;
    cmd.column = c;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::TextAt(double y, double x, const std::string& text) { TextInBox(y, x, 0, Align::Left, text); }

void PageComposer::TextInBox(double y, double x, double w, Align align, const std::string& text) {
    DrawCommand cmd;
    cmd.kind = CommandKind::Text;
    cmd.x = x;
    cmd.y = y;
    cmd.w = w < 0 ? 0 : w;
    cmd.align = align;
    cmd.font = font_;
    cmd.text = text;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::Line(double x1, double y1, double x2, double y2, double pen) {
    DrawCommand cmd;
    cmd.kind = CommandKind::Line;
    cmd.x = x1;
    cmd.y = y1;
    cmd.x2 = x2;
    cmd.y2 = y2;
    cmd.pen = pen;
    cmd.rgb = font_.rgb;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::FillRect(double x, double y, double w, double h, uint32_t rgb) {
    DrawCommand cmd;
    cmd.kind = CommandKind::FillRect;
    cmd.x = x;
    cmd.y = y;
    cmd.w = w;
    cmd.h = h;
    cmd.rgb = rgb & 0xFFFFFFu;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::RoundBox(double x, double y, double w, double h, double pen) {
    DrawCommand cmd;
    cmd.kind = CommandKind::RoundBox;
    cmd.x = x;
    cmd.y = y;
    cmd.w = w;
    cmd.h = h;
    cmd.pen = pen;
    cmd.rgb = font_.rgb;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::Picture(const std::string& file, double x, double y, double w, double h) {
    DrawCommand cmd;
    cmd.kind = CommandKind::Picture;
    cmd.x = x;
    cmd.y = y;
    cmd.w = w;
    cmd.h = h;
    cmd.text = file;
    page().commands.push_back(std::move(cmd));
}

void PageComposer::Footer(const std::string& text) {
    DrawCommand cmd;
    cmd.kind = CommandKind::Footer;
    cmd.font = font_;
    cmd.text = text;
    page().commands.push_back(std::move(cmd));
}

PrintDocument PageComposer::TakeDocument() {
    PrintDocument out = std::move(doc_);
    doc_ = PrintDocument{};
    return out;
}

}  // namespace vinra::output
