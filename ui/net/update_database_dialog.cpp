#include "ui/net/update_database_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "net/active_pools.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"

namespace vinra::ui {

namespace {

QString MsgText(int n) { return QString::fromStdString(core::Msg(n)); }

constexpr int kMsgCancel = 41;             // "&Cancel"
constexpr int kMsgDone = 353;              // "Done!"
constexpr int kMsgUpdateDatabase = 598;    // "Update database with games and results"
constexpr int kMsgUpdateQuestion = 599;    // "Do you want to update games and results? ..."
constexpr int kMsgFirstStep = 1106;        // 1106..1110: the texts of the steps, in their order
constexpr int kMsgCancelling = 1101;       // "Cancelling..."
constexpr int kMsgUpdateCancelled = 1111;  // "The update was cancelled."
constexpr int kMsgUpdateFailed = 1112;     // "The database could not be updated."

}  // namespace

QString TfrmUpdateDatabase::StepText(net::UpdateStep step) { return MsgText(kMsgFirstStep + static_cast<int>(step)); }

TfrmUpdateDatabase::TfrmUpdateDatabase(Job job, QWidget* parent) : QDialog(parent), job_(std::move(job)) {
    SetHelpPage(this, "updatedb.htm");
    setObjectName(QStringLiteral("frmUpdateDatabase"));
    // Borderless like the other transfer windows.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(24, 16, 24, 16);
    caption_ = new QLabel(MsgText(kMsgUpdateDatabase), this);
    caption_->setObjectName(QStringLiteral("lblCaption"));
    Tag(caption_, kMsgUpdateDatabase);
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("lblInfo"));
    info_->setAlignment(Qt::AlignCenter);
    QFont bold = info_->font();
    bold.setBold(true);
    info_->setFont(bold);
    info_->setMinimumWidth(340);
    cancel_ = new QPushButton(MsgText(kMsgCancel), this);
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    connect(cancel_, &QPushButton::clicked, this, &TfrmUpdateDatabase::cancel);
    frame->addWidget(caption_);
    frame->addWidget(info_);
    frame->addWidget(cancel_, 0, Qt::AlignHCenter);
    setStyleSheet(QStringLiteral("QDialog { border: 1px solid #606060; }"));
    worker_ = new BackgroundJob(this, 50);
    connect(worker_, &BackgroundJob::progress, this, [this](qint64, qint64, int phase) {
        if (cancelled_) return;
        const QString text = StepText(static_cast<net::UpdateStep>(phase));
        if (info_->text() != text) info_->setText(text);
    });
    connect(worker_, &BackgroundJob::finished, this, [this](bool, const QString& error) {
        // The worker has been joined: result_ is ours now.
        if (!error.isEmpty()) {
            result_ = {};
            result_.error = error.toStdString();
        }
        done_ = true;
        accept();
    });
}

// The worker writes result_: it must be gone before the members are.
TfrmUpdateDatabase::~TfrmUpdateDatabase() { worker_->CancelAndJoin(); }

net::UpdateDatabaseResult TfrmUpdateDatabase::Run() {
    done_ = false;
    cancelled_ = false;
    result_ = {};
    info_->setText(StepText(net::UpdateStep::DownloadResults));
    cancel_->setEnabled(true);
    worker_->Start([this](JobProgress& p) {
        result_ = job_([&p](net::UpdateStep s) { p.phase = static_cast<int>(s); }, p.cancel);
    });
    exec();
    if (worker_->Running()) worker_->CancelAndJoin();  // only when exec() was ended from outside
    return result_;
}

QString TfrmUpdateDatabase::InfoText() const { return info_->text(); }

void TfrmUpdateDatabase::cancel() {
    if (done_ || cancelled_) return;
    cancelled_ = true;
    worker_->Cancel();
    cancel_->setEnabled(false);
    info_->setText(MsgText(kMsgCancelling));
}

void TfrmUpdateDatabase::closeEvent(QCloseEvent* event) {
    if (!done_) event->ignore();
    else QDialog::closeEvent(event);
}

void TfrmUpdateDatabase::reject() {
    if (done_) QDialog::reject();
    else cancel();
}

bool UpdateDatabaseCommand(QWidget* parent, const std::string& serviceHost, const std::filesystem::path& dataFolder,
                           checking::TTipsData& db, Prompter& prompter) {
    if (prompter.question(parent, MsgText(kMsgUpdateQuestion), false) != Answer::Yes) return false;
    TfrmUpdateDatabase window(
        [&](const net::UpdateStepFn& onStep, const std::atomic<bool>& cancel) {
            return net::RunUpdateDatabase(serviceHost, dataFolder, db, onStep, &cancel);
        },
        parent);
    const net::UpdateDatabaseResult r = window.Run();
    if (window.Cancelled()) {
        prompter.information(parent, MsgText(kMsgUpdateCancelled));
        return r.ok;
    }
    if (!r.ok) {
        // The detail names the address or file; the heading is in the user's language.
        prompter.errorWithDetail(parent, MsgText(kMsgUpdateFailed), QString::fromStdString(r.error));
        return false;
    }
    prompter.information(parent, MsgText(kMsgDone));
    return true;
}

bool UpdateDatabaseCommand(QWidget* parent, Program& program, Prompter& prompter) {
    return UpdateDatabaseCommand(parent, net::ServiceHostOf(program.updateIni), program.DataFolder(), program.db,
                                 prompter);
}

}  // namespace vinra::ui
