#include "ui/output/print_preview.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/settings.h"
#include "ui/core/localise.h"
#include "ui/core/prompter.h"
#include "ui/output/print_progress.h"

namespace vinra::ui {

QString PreviewTextOf(PreviewText id) {
    static const int kMessages[] = {
        1179,  // "Print preview"
        1180,  // "Page %d of %d"
        1181,  // "Save picture..."
        1182,  // "Zoom:"
    };
    return QString::fromStdString(core::Msg(kMessages[static_cast<int>(id)]));
}

QString PreviewPageText(int page, int count) {
    return QString::fromStdString(
        core::FormatMsg(core::Msg(1180), {static_cast<long long>(page), static_cast<long long>(count)}));
}

namespace {

bool AskWithPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

TPrintPreview::TPrintPreview(output::PrintDocument doc, PreviewOptions options, QWidget* parent)
    : QDialog(parent), doc_(std::move(doc)), options_(std::move(options)) {
    setObjectName(QStringLiteral("frmPrintPreview"));
    if (doc_.pages.empty()) doc_.pages.emplace_back();
    geometry_ = GeometryForDocument(doc_, options_.printer);

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto makeButton = [&](const char* name, int msg, const QString& fallback) {
        auto* b = new QPushButton(fallback, this);
        b->setObjectName(QString::fromLatin1(name));
        if (msg > 0) Tag(b, msg);
        bar->addWidget(b);
        return b;
    };
    first_ = makeButton("btnFirst", 243, QStringLiteral("|<"));
    previous_ = makeButton("btnPrevious", 244, QStringLiteral("<"));
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("lblPage"));
    pageLabel_->setMinimumWidth(90);
    pageLabel_->setAlignment(Qt::AlignCenter);
    bar->addWidget(pageLabel_);
    next_ = makeButton("btnNext", 245, QStringLiteral(">"));
    last_ = makeButton("btnLast", 246, QStringLiteral(">|"));
    bar->addSpacing(12);
    bar->addWidget(new QLabel(PreviewTextOf(PreviewText::Zoom), this));
    zoomBox_ = new QComboBox(this);
    zoomBox_->setObjectName(QStringLiteral("cboZoom"));
    for (int z = kMinZoom; z <= kMaxZoom; z += 10) zoomBox_->addItem(QStringLiteral("%1 %").arg(z), z);
    zoomBox_->setCurrentIndex(zoomBox_->count() - 1);
    bar->addWidget(zoomBox_);
    bar->addStretch(1);
    auto* print = makeButton("btnPrint", 109, QStringLiteral("Print"));
    auto* save = makeButton("btnSavePicture", 0, PreviewTextOf(PreviewText::SavePicture));
    auto* close = makeButton("btnCancel", 41, QStringLiteral("&Cancel"));
    layout->addLayout(bar);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scrPage"));
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    picture_ = new QLabel;
    picture_->setObjectName(QStringLiteral("imgPage"));
    scroll_->setWidget(picture_);
    layout->addWidget(scroll_, 1);

    connect(first_, &QPushButton::clicked, this, &TPrintPreview::firstPage);
    connect(previous_, &QPushButton::clicked, this, &TPrintPreview::previousPage);
    connect(next_, &QPushButton::clicked, this, &TPrintPreview::nextPage);
    connect(last_, &QPushButton::clicked, this, &TPrintPreview::lastPage);
    connect(print, &QPushButton::clicked, this, &TPrintPreview::printDocument);
    connect(save, &QPushButton::clicked, this, &TPrintPreview::savePicture);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(zoomBox_, &QComboBox::currentIndexChanged, this, [this](int i) { setZoom(zoomBox_->itemData(i).toInt()); });
    new QShortcut(QKeySequence(Qt::Key_PageDown), this, [this] { nextPage(); });
    new QShortcut(QKeySequence(Qt::Key_PageUp), this, [this] { previousPage(); });

    // Room for the longest the counter gets ("Page 123 of 123"), so it is never cut.
    const QString longest = PreviewPageText(pageCount(), pageCount());
    pageLabel_->setMinimumWidth(std::max(90, pageLabel_->fontMetrics().horizontalAdvance(longest) + 12));
    Localise(this);
    setWindowTitle(doc_.title.empty() ? PreviewTextOf(PreviewText::Title)
                                      : PreviewTextOf(PreviewText::Title) + QStringLiteral(" - ") +
                                            QString::fromStdString(doc_.title));
    render();
    resize(std::min(picture_->width() + 60, 1000), 800);
}

TPrintPreview::~TPrintPreview() = default;

Prompter& TPrintPreview::prompter() {
    if (options_.prompter) return *options_.prompter;
    if (!ownPrompter_) ownPrompter_ = std::make_unique<QtPrompter>();
    return *ownPrompter_;
}

void TPrintPreview::setPage(int index) {
    index = std::clamp(index, 0, pageCount() - 1);
    if (index == page_ && !shown_.isNull()) return;
    page_ = index;
    render();
}

void TPrintPreview::setZoom(int percent) {
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_ && !shown_.isNull()) return;
    zoom_ = percent;
    const int i = zoomBox_->findData(percent);
    if (i >= 0 && i != zoomBox_->currentIndex()) {
        const QSignalBlocker block(zoomBox_);
        zoomBox_->setCurrentIndex(i);
    }
    render();
}

void TPrintPreview::render() {
    const double screenDpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    shown_ = RenderPage(doc_, page_, geometry_, screenDpi * zoom_ / 100.0);
    // The picture carries the resolution it was drawn at; the screen shows it pixel for pixel.
    QImage onScreen = shown_;
    onScreen.setDevicePixelRatio(1);
    picture_->setPixmap(QPixmap::fromImage(onScreen));
    picture_->resize(onScreen.size());
    pageLabel_->setText(PreviewPageText(page_ + 1, pageCount()));
    first_->setEnabled(page_ > 0);
    previous_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < pageCount());
    last_->setEnabled(page_ + 1 < pageCount());
    scroll_->verticalScrollBar()->setValue(0);
}

bool TPrintPreview::printDocument() {
    QPrinter* printer = options_.printer;
    if (!printer) {
        if (!ownPrinter_) {
            ownPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
            if (doc_.portraitA4) {
                ownPrinter_->setPageSize(QPageSize(QPageSize::A4));
                ownPrinter_->setPageOrientation(QPageLayout::Portrait);
            }
        }
        const auto& choose = options_.choosePrinter ? options_.choosePrinter : AskWithPrintDialog;
        if (!choose(*ownPrinter_, this)) return false;
        printer = ownPrinter_.get();
    }
    std::unique_ptr<TPrintProgress> progress;
    if (pageCount() > 1) {
        progress = std::make_unique<TPrintProgress>(QString::fromStdString(doc_.title), pageCount(), this);
        progress->show();
    }
    bool done = false;
    try {
        done = PrintDocumentOn(*printer, doc_, [&](int i) { return !progress || progress->step(i + 1); });
    } catch (const std::exception& e) {
        prompter().error(this, QString::fromStdString(e.what()));
        return false;
    }
    if (!done) return false;
    printed_ = true;
    accept();
    return true;
}

bool TPrintPreview::savePicture() {
    FileDialogSpec spec;
    QStringList filters = {QStringLiteral("PNG (*.png)"), QStringLiteral("JPEG (*.jpg *.jpeg)"),
                           QStringLiteral("BMP (*.bmp)")};
    const QStringList suffixes = PictureSuffixes();
    if (suffixes.contains(QStringLiteral("gif"))) filters << QStringLiteral("GIF (*.gif)");
    spec.filter = filters.join(QStringLiteral(";;"));
    spec.defaultSuffix = QStringLiteral("png");
    spec.folder = options_.pictureFolder;
    const QString name = QStringLiteral("%1 %2.png")
                             .arg(QString::fromStdString(doc_.title.empty() ? std::string("Vinra 2000") : doc_.title))
                             .arg(page_ + 1)
                             .replace(QLatin1Char('/'), QLatin1Char('-'));
    spec.selected = options_.pictureFolder.isEmpty() ? name : options_.pictureFolder + QLatin1Char('/') + name;
    QString file = prompter().saveFile(this, spec);
    if (file.isEmpty()) return false;
    QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QStringLiteral("jpeg")) suffix = QStringLiteral("jpg");
    if (!suffixes.contains(suffix)) file += QStringLiteral(".png");
    try {
        SavePagePicture(doc_, page_, geometry_, file.toStdString());
    } catch (const std::exception& e) {
        prompter().error(this, QString::fromStdString(e.what()));
        return false;
    }
    return true;
}

bool ShowPrintPreview(QWidget* parent, output::PrintDocument doc, QPrinter* printer, Prompter* prompter) {
    PreviewOptions options;
    options.printer = printer;
    options.prompter = prompter;
    TPrintPreview preview(std::move(doc), std::move(options), parent);
    preview.exec();
    return preview.printed();
}

}  // namespace vinra::ui
