#include "ui/net/http_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"

namespace vinra::ui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

void OpenInBrowser(const std::string& url) { QDesktopServices::openUrl(QUrl(Q(url))); }
}  // namespace

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

// ---- update check through the prompter ----

PrompterUpdateCheckUi::PrompterUpdateCheckUi(Prompter& prompter, QWidget* parent,
                                             std::function<void(const std::string&)> openUrl)
    : prompter_(prompter), parent_(parent), openUrl_(std::move(openUrl)) {}

void PrompterUpdateCheckUi::ShowInfo(const std::string& text) { prompter_.information(parent_, Q(text)); }

bool PrompterUpdateCheckUi::AskYesNo(const std::string& text) {
    return prompter_.question(parent_, Q(text), false) == Answer::Yes;
}

void PrompterUpdateCheckUi::OpenUrl(const std::string& url) {
    if (openUrl_)
        openUrl_(url);
    else
        OpenInBrowser(url);
}

bool PrepareConnection(QWidget* parent, Program& program, Prompter& prompter,
                       std::function<void(const std::string&)> openUrl) {
    PrompterUpdateCheckUi ui(prompter, parent, std::move(openUrl));
    net::UpdateCheckResult result;
    try {
        if (!net::PrepareConnection(program.DataFolder(), ui, &result)) return false;
    } catch (const std::exception& e) {
        prompter.error(parent, Q(e.what()));
        return false;
    }
    if (result.updateIniReplaced) program.LoadDataFiles();
    return true;
}

void OpenHelpPage(const Program& program, const std::string& page) {
    OpenInBrowser(net::HelpPageUrl(net::ServiceHostOf(program.updateIni), core::CurrentLanguage(), page));
}

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
