#include "ui/net/update_database_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/messages.h"
#include "net/active_pools.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"

namespace vinra::ui {

namespace {

QString MsgText(int n) { return QString::fromStdString(core::Msg(n)); }

}  // namespace

TfrmUpdateDatabase::TfrmUpdateDatabase(Job job, QWidget* parent) : QDialog(parent), job_(std::move(job)) {
    setObjectName(QStringLiteral("frmUpdateDatabase"));
    // Borderless like the other transfer windows: there is nothing to cancel.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(24, 16, 24, 16);
    caption_ = new QLabel(MsgText(598), this);
    caption_->setObjectName(QStringLiteral("lblCaption"));
    Tag(caption_, 598);
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("lblInfo"));
    info_->setAlignment(Qt::AlignCenter);
    QFont bold = info_->font();
    bold.setBold(true);
    info_->setFont(bold);
    info_->setMinimumWidth(340);
    frame->addWidget(caption_);
    frame->addWidget(info_);
    setStyleSheet(QStringLiteral("QDialog { border: 1px solid #606060; }"));
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, [this] { poll(); });
}

TfrmUpdateDatabase::~TfrmUpdateDatabase() {
    // Only reached with a running worker when the window is torn down early.
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

net::UpdateDatabaseResult TfrmUpdateDatabase::Run() {
    done_ = false;
    step_ = -1;
    info_->setText(QString::fromUtf8(net::UpdateStepText(net::UpdateStep::DownloadResults)));
    worker_ = std::thread([this] {
        try {
            result_ = job_([this](net::UpdateStep s) { step_ = static_cast<int>(s); }, cancel_);
        } catch (const std::exception& e) {
            result_ = {};
            result_.error = e.what();
        }
        done_ = true;
    });
    timer_->start();
    exec();
    timer_->stop();
    if (worker_.joinable()) worker_.join();
    return result_;
}

QString TfrmUpdateDatabase::InfoText() const { return info_->text(); }

void TfrmUpdateDatabase::poll() {
    const int s = step_;
    if (s >= 0) {
        const QString text = QString::fromUtf8(net::UpdateStepText(static_cast<net::UpdateStep>(s)));
        if (info_->text() != text) info_->setText(text);
    }
    if (done_) {
        timer_->stop();
        if (worker_.joinable()) worker_.join();  // the hand-over of the result
        accept();
    }
}

void TfrmUpdateDatabase::closeEvent(QCloseEvent* event) {
    if (!done_) event->ignore();
    else QDialog::closeEvent(event);
}

void TfrmUpdateDatabase::reject() {
    if (done_) QDialog::reject();
}

bool UpdateDatabaseCommand(QWidget* parent, const std::string& serviceHost, const std::filesystem::path& dataFolder,
                           checking::TTipsData& db, Prompter& prompter) {
    if (prompter.question(parent, MsgText(599), false) != Answer::Yes) return false;
    TfrmUpdateDatabase window(
        [&](const net::UpdateStepFn& onStep, const std::atomic<bool>& cancel) {
            return net::RunUpdateDatabase(serviceHost, dataFolder, db, onStep, &cancel);
        },
        parent);
    const net::UpdateDatabaseResult r = window.Run();
    if (!r.ok) {
        prompter.error(parent, QString::fromStdString(r.error));
        return false;
    }
    prompter.information(parent, MsgText(353));
    return true;
}

bool UpdateDatabaseCommand(QWidget* parent, Program& program, Prompter& prompter) {
    return UpdateDatabaseCommand(parent, net::ServiceHostOf(program.updateIni), program.DataFolder(), program.db,
                                 prompter);
}

}  // namespace vinra::ui
