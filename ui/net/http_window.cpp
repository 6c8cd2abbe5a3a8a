#include "ui/net/http_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/help.h"
#include "ui/net/browser.h"

namespace vinra::ui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// Only complete web addresses reach the browser; a message shows any other.
void OpenInBrowser(QWidget* parent, Prompter& prompter, const std::string& url) { OpenAddress(parent, prompter, url); }

constexpr int kMsgCancel = 41;               // "&Cancel"
constexpr int kMsgGettingData = 467;         // "Getting data..."
constexpr int kMsgTransferCancelled = 1100;  // "The transfer was cancelled."
constexpr int kMsgCancelling = 1101;         // "Cancelling..."
}  // namespace

std::string TransferCancelledText() { return core::Msg(kMsgTransferCancelled); }

// ---- TfrmHTTP ----

TfrmHTTP::TfrmHTTP(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmHTTP"));
    setWindowTitle(QString::fromLatin1(kProgramCaption));
    setModal(false);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(18, 12, 18, 14);
    column->setSpacing(8);
    caption_ = new QLabel(frame);
    caption_->setObjectName(QStringLiteral("lblCaption"));
    info_ = new QLabel(frame);
    info_->setObjectName(QStringLiteral("lblInfo"));
    info_->setAlignment(Qt::AlignCenter);
    QFont bold = info_->font();
    bold.setBold(true);
    info_->setFont(bold);
    info_->setMinimumWidth(280);
    column->addWidget(caption_);
    column->addWidget(info_);
    // Only a transfer that takes a while shows these.
    auto* row = new QHBoxLayout;
    bar_ = new QProgressBar(frame);
    bar_->setObjectName(QStringLiteral("barProgress"));
    bar_->setTextVisible(false);
    bar_->setRange(0, 0);
    bar_->hide();
    cancel_ = new QPushButton(Q(core::Msg(kMsgCancel)), frame);
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { emit cancelRequested(); });
    row->addWidget(bar_, 1);
    row->addWidget(cancel_);
    column->addLayout(row);
}

void TfrmHTTP::showProgress(qint64 done, qint64 total) {
    if (total > 0) {
        // QProgressBar counts in int: per mille of the whole.
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(std::min<qint64>(1000, done * 1000 / total)));
    } else {
        bar_->setRange(0, 0);
    }
    if (!bar_->isVisible()) {
        bar_->show();
        cancel_->show();
        adjustSize();
    }
}

void TfrmHTTP::showCancelling() {
    cancel_->setEnabled(false);
    setInfo(Q(core::Msg(kMsgCancelling)));
}

void TfrmHTTP::reject() {
    if (cancel_->isVisible() && cancel_->isEnabled()) emit cancelRequested();
}

void TfrmHTTP::setCaption(const QString& text) {
    caption_->setText(text);
    caption_->repaint();
}

void TfrmHTTP::setInfo(const QString& text) {
    info_->setText(text);
    adjustSize();
    info_->repaint();
}

QString TfrmHTTP::caption() const { return caption_->text(); }
QString TfrmHTTP::info() const { return info_->text(); }

void TfrmHTTP::showCentred() {
    adjustSize();
    QRect area;
    if (QWidget* owner = parentWidget(); owner && owner->isVisible()) {
        area = owner->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) move(area.center() - rect().center());
    show();
    raise();
    repaint();
    // Get the window on the screen before the caller blocks.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- a transfer off the GUI thread ----

void TransferContext::SetInfo(const QString& text) {
    job.RunOnGuiThread(progress, [w = window, text] {
        if (w) w->setInfo(text);
    });
}

TransferOutcome RunTransfer(QWidget* owner, const QString& caption, const QString& info, TransferWork work,
                            int progressAfterMs) {
    TfrmHTTP window(owner);
    window.setCaption(caption);
    window.setInfo(info);
    // Nothing else takes input while the transfer runs (no second command can
    // start under it), but every window keeps painting.
    window.setWindowModality(Qt::ApplicationModal);
    BackgroundJob job(nullptr, 50);
    QEventLoop loop;
    TransferOutcome out;
    QElapsedTimer since;
    since.start();
    QObject::connect(&job, &BackgroundJob::progress, &window, [&](qint64 done, qint64 total, int) {
        if (since.elapsed() >= progressAfterMs) window.showProgress(done, total);
    });
    QObject::connect(&window, &TfrmHTTP::cancelRequested, &job, [&] {
        job.Cancel();
        window.showCancelling();
    });
    QObject::connect(&job, &BackgroundJob::finished, &loop, [&](bool cancelled, const QString& error) {
        out.cancelled = cancelled;
        out.error = error;
        loop.quit();
    });
    window.showCentred();
    job.Start([jobPtr = &job, w = QPointer<TfrmHTTP>(&window), work = std::move(work)](JobProgress& p) {
        // The bytes of whatever the work fetches feed the progress bar.
        const net::TransferWatch watch(&p.cancel, [&p](int64_t now, int64_t total) { return p.Bytes(now, total); });
        TransferContext context{*jobPtr, p, w};
        work(context);
    });
    loop.exec();
    out.longestTickGapMs = job.LongestTickGapMs();
    window.hide();
    return out;
}

// ---- update check through the prompter ----

PrompterUpdateCheckUi::PrompterUpdateCheckUi(Prompter& prompter, QWidget* parent,
                                             std::function<void(const std::string&)> openUrl)
    : prompter_(prompter), parent_(parent), openUrl_(std::move(openUrl)) {}

void PrompterUpdateCheckUi::ShowInfo(const std::string& text) { prompter_.information(parent_, Q(text)); }

bool PrompterUpdateCheckUi::AskYesNo(const std::string& text) {
    return prompter_.question(parent_, Q(text), false) == Answer::Yes;
}

void PrompterUpdateCheckUi::OpenUrl(const std::string& url) {
    if (openUrl_) openUrl_(url);
    else OpenInBrowser(parent_, prompter_, url);
}

JobUpdateCheckUi::JobUpdateCheckUi(BackgroundJob& job, JobProgress& progress, Prompter& prompter,
                                   QPointer<QWidget> parent, std::function<void(const std::string&)> openUrl)
    : job_(job), progress_(progress), prompter_(prompter), parent_(parent), openUrl_(std::move(openUrl)) {}

// The calls capture values only: a cancelled worker stops waiting, and the
// call may still run after it has gone.
void JobUpdateCheckUi::ShowInfo(const std::string& text) {
    job_.RunOnGuiThread(progress_, [p = &prompter_, parent = parent_, text] { p->information(parent, Q(text)); });
}

bool JobUpdateCheckUi::AskYesNo(const std::string& text) {
    auto yes = std::make_shared<std::atomic<bool>>(false);
    const bool answered = job_.RunOnGuiThread(progress_, [p = &prompter_, parent = parent_, text, yes] {
        *yes = p->question(parent, Q(text), false) == Answer::Yes;
    });
    return answered && *yes;
}

void JobUpdateCheckUi::OpenUrl(const std::string& url) {
    job_.RunOnGuiThread(progress_, [open = openUrl_, url, p = &prompter_, parent = parent_] {
        if (open) open(url);
        else OpenInBrowser(parent, *p, url);
    });
}

bool PrepareConnection(QWidget* parent, Program& program, Prompter& prompter,
                       std::function<void(const std::string&)> openUrl) {
    const std::filesystem::path data = program.DataFolder();
    net::UpdateCheckResult result;
    bool ready = false;
    const TransferOutcome out =
        RunTransfer(parent, Q(core::Msg(kMsgGettingData)), QStringLiteral("update.ini"),
                    [&, openUrl = std::move(openUrl), self = QPointer<QWidget>(parent)](TransferContext& c) {
                        JobUpdateCheckUi ui(c.job, c.progress, prompter, self, openUrl);
                        ready = net::PrepareConnection(data, ui, &result);
                    });
    // update.ini is read on this thread, also when the user gave up after the
    // check had replaced it.
    if (result.updateIniReplaced) program.LoadDataFiles();
    if (!out.error.isEmpty()) {
        prompter.error(parent, out.error);
        return false;
    }
    return ready && !out.cancelled;
}

void OpenHelpPage(QWidget* parent, Prompter&, const Program&, const std::string& page) { OpenHelp(parent, page); }

void OpenHelpPage(const Program&, const std::string& page) { OpenHelp(QApplication::activeWindow(), page); }

// ---- download reports on the window's thread ----

TDownloadReceiver::TDownloadReceiver(Handler handler, QObject* parent, int intervalMs)
    : QObject(parent), inbox_(std::make_shared<net::TDownloadInbox>()), handler_(std::move(handler)) {
    timer_ = new QTimer(this);
    timer_->setInterval(intervalMs);
    connect(timer_, &QTimer::timeout, this, &TDownloadReceiver::drain);
    timer_->start();
}

TDownloadReceiver::~TDownloadReceiver() { inbox_->Detach(); }

void TDownloadReceiver::Get(const std::string& url, const std::filesystem::path& file, int32_t requestId) {
    net::TDownloadThread t(inbox_, file, url, requestId, net::TDownloadThread::kGet);
    t.Start();
}

void TDownloadReceiver::drain() {
    // The handler may close the window and with it this object: keep what the
    // loop needs, and stop once the inbox was detached.
    const std::shared_ptr<net::TDownloadInbox> inbox = inbox_;
    const Handler handler = handler_;
    for (const net::TSyncInfo& report : inbox->Drain()) {
        if (inbox->detached()) return;
        if (handler) handler(report);
    }
}

}  // namespace vinra::ui
