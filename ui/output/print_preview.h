#pragma once
// The preview of a composed document: one page at a time at 60 to 100 %, page
// navigation, print, save the page as a picture, close.
#include <functional>
#include <memory>

#include <QDialog>
#include <QImage>

#include "output/page.h"
#include "ui/output/page_painter.h"

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;

namespace vinra::ui {

class Prompter;

struct PreviewOptions {
    // The printer the user chose before the preview; null: the print button
    // asks for one with the platform's print dialog.
    QPrinter* printer = nullptr;
    // Save dialog and error messages; the real dialogs when null.
    Prompter* prompter = nullptr;
    // Folder the picture save dialog starts in.
    QString pictureFolder;
    // Asks for a printer (default: the platform's print dialog). Tests replace it.
    std::function<bool(QPrinter&, QWidget*)> choosePrinter;
};

class TPrintPreview : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinZoom = 60;
    static constexpr int kMaxZoom = 100;

    TPrintPreview(output::PrintDocument doc, PreviewOptions options, QWidget* parent = nullptr);
    ~TPrintPreview() override;

    int page() const { return page_; }  // 0-based
    int pageCount() const { return static_cast<int>(doc_.pages.size()); }
    int zoom() const { return zoom_; }
    const QImage& shownPage() const { return shown_; }
    const PageGeometry& geometry() const { return geometry_; }
    const output::PrintDocument& document() const { return doc_; }
    // True once the document went to a printer from this window.
    bool printed() const { return printed_; }

public slots:
    void setPage(int index);    // clamped to the pages
    void setZoom(int percent);  // clamped to 60..100
    void firstPage() { setPage(0); }
    void previousPage() { setPage(page_ - 1); }
    void nextPage() { setPage(page_ + 1); }
    void lastPage() { setPage(pageCount() - 1); }
    // The print button: prints every page, closes the window when done.
    bool printDocument();
    // The save button: asks for a file and saves the shown page.
    bool savePicture();

private:
    void render();
    Prompter& prompter();

    output::PrintDocument doc_;
    PreviewOptions options_;
    PageGeometry geometry_;
    std::unique_ptr<Prompter> ownPrompter_;
    std::unique_ptr<QPrinter> ownPrinter_;
    int page_ = 0;
    int zoom_ = kMaxZoom;
    bool printed_ = false;
    QImage shown_;
    QLabel* picture_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* last_ = nullptr;
};

// Shows the document in the preview (modal). Returns true when it was printed from there.
bool ShowPrintPreview(QWidget* parent, output::PrintDocument doc, QPrinter* printer = nullptr,
                      Prompter* prompter = nullptr);

// Texts of the preview in the current language (messages 1179-1182).
enum class PreviewText { Title, PageOf, SavePicture, Zoom };
QString PreviewTextOf(PreviewText id);
// "Page 2 of 5" in the current language.
QString PreviewPageText(int page, int count);

}  // namespace vinra::ui
