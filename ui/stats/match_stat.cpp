#include "ui/stats/match_stat.h"

#include <algorithm>

#include <QCoreApplication>
#include <QPointer>
#include <QDesktopServices>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "net/update_check.h"
#include "stats/match_stat.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/http_window.h"

namespace vinra::ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A ring of dots with one bright dot running round while the window works.
class BusyRing : public QWidget {
public:
    explicit BusyRing(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("aniBusy"));
        setFixedSize(40, 40);
        timer_ = new QTimer(this);
        timer_->setInterval(90);
        connect(timer_, &QTimer::timeout, this, [this] {
            step_ = (step_ + 1) % kDots;
            update();
        });
    }
    void setRunning(bool on) { on ? timer_->start() : timer_->stop(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(width() / 2.0, height() / 2.0);
        for (int i = 0; i < kDots; ++i) {
            const int age = (step_ - i + kDots) % kDots;
            QColor c(0, 90, 170);
            c.setAlphaF(timer_->isActive() ? 1.0 - age * 0.11 : 0.35);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QPointF(0, -14), 3.5, 3.5);
            p.rotate(360.0 / kDots);
        }
    }

private:
    static constexpr int kDots = 8;
    int step_ = 0;
    QTimer* timer_ = nullptr;
};

// Keeps the logo downloads of a run going after the window closed. It belongs
// to the window that opened the statistics: when that window goes first, the
// downloads are cancelled and nobody is told.
class LogoWatcher : public QObject {
public:
    LogoWatcher(std::unique_ptr<stats::LogoDownloads> logos, std::function<void()> arrived, QObject* owner)
        : QObject(owner), logos_(std::move(logos)), arrived_(std::move(arrived)) {
        auto* timer = new QTimer(this);
        timer->setInterval(100);
        connect(timer, &QTimer::timeout, this, [this, timer] {
            if (!logos_->finished()) return;
            timer->stop();
            logos_->wait();
            bool any = false;
            for (const auto& o : logos_->outcomes()) any = any || o.ok;
            if (any && arrived_) arrived_();
            deleteLater();
        });
        timer->start();
    }

private:
    std::unique_ptr<stats::LogoDownloads> logos_;
    std::function<void()> arrived_;
};

constexpr int kMsgCancel = 41;                // "&Cancel"
constexpr int kMsgCaption = 56;               // "Game statistics"
constexpr int kMsgDownloading = 347;          // "Downloading " (followed by the document's name)
constexpr int kMsgDone = 353;                 // "Done!"
constexpr int kMsgCancelling = 1101;          // "Cancelling..."
constexpr int kMsgFetchingDetails = 1103;     // "Fetching extended information..."
constexpr int kMsgSomethingWentWrong = 1104;  // "Something went wrong, please try again a little later."
constexpr int kMsgNoDrawNumber = 1105;        // "The round has no draw number yet."

QString M(int n) { return Q(core::Msg(n)); }

// Phases the worker reports.
constexpr int kPhasePreparing = 0;
constexpr int kPhaseDownloading = 1;

}  // namespace

TfrmMatchStat::TfrmMatchStat(Program& program, Prompter& prompter, MatchStatOptions options, QWidget* parent)
    : QDialog(parent), program_(program), prompter_(prompter), options_(std::move(options)) {
    SetHelpPage(this, "matchstat.htm");
    setObjectName(QStringLiteral("frmMatchStat"));
    Tag(this, kMsgCaption);
    setWindowTitle(M(kMsgCaption));
    setModal(true);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 14, 16, 14);
    outer->setSpacing(14);
    auto* ring = new BusyRing(this);
    animation_ = ring;
    outer->addWidget(ring, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    auto* heading = new QLabel(M(kMsgFetchingDetails), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    column->addWidget(heading);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setWordWrap(true);
    column->addWidget(status_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("barProgress"));
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(300);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(bar_, 1);
    cancel_ = Tag(new QPushButton(M(kMsgCancel), this), kMsgCancel);
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    connect(cancel_, &QPushButton::clicked, this, &TfrmMatchStat::cancel);
    barRow->addWidget(cancel_);
    column->addLayout(barRow);
    outer->addLayout(column, 1);

    Localise(this);
    job_ = new BackgroundJob(this, 50);
    connect(job_, &BackgroundJob::progress, this, [this](qint64 done, qint64 total, int phase) {
        if (phase != kPhaseDownloading || cancelled_) return;
        if (total > 0) {
            bar_->setRange(0, 1000);  // per mille: QProgressBar counts in int
            bar_->setValue(static_cast<int>(std::min<qint64>(1000, done * 1000 / total)));
        }
    });
    connect(job_, &BackgroundJob::finished, this, &TfrmMatchStat::workerEnded);
}

// The worker writes into members: it must be gone before they are.
TfrmMatchStat::~TfrmMatchStat() { job_->CancelAndJoin(); }

QString TfrmMatchStat::statusText() const { return status_->text(); }

void TfrmMatchStat::setStatus(const QString& text) { status_->setText(text); }

void TfrmMatchStat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // The work starts once the window is on the screen.
    QTimer::singleShot(0, this, &TfrmMatchStat::run);
}

void TfrmMatchStat::reject() {
    if (running_) cancel();
    else QDialog::reject();
}

void TfrmMatchStat::cancel() {
    if (!running_ || cancelled_) return;
    cancelled_ = true;
    job_->Cancel();
    cancel_->setEnabled(false);
    setStatus(M(kMsgCancelling));
}

void TfrmMatchStat::run() {
    running_ = true;
    static_cast<BusyRing*>(animation_)->setRunning(true);
    const core::TVinraFile& doc = program_.doc;
    if (!stats::PoolHasMatchInformation(doc.Typ, program_.updateIni)) {
        // The other operators publish no extended information.
        setStatus(M(kMsgDone));
        succeeded_ = true;
        finish();
        return;
    }
    setStatus(M(kMsgFetchingDetails));
    bar_->setRange(0, 0);  // busy: nothing is known of the size yet

    // The status line names the document from the address known now; the
    // worker builds its own from update.ini as the update check leaves it.
    const QString document = Q(stats::LastPathSegment(stats::DetailsAddress(program_.updateIni, doc.Typ, doc.OmgID)));
    connect(job_, &BackgroundJob::progress, this, [this, document](qint64, qint64, int phase) {
        if (phase == kPhaseDownloading && !cancelled_ && statusText() == M(kMsgFetchingDetails))
            setStatus(M(kMsgDownloading) + document);
    });
    job_->Start([this, prepare = options_.prepareConnection, ini = program_.updateIni,
                 iniPath = program_.UpdateIniPath(), data = program_.DataFolder(), typ = doc.Typ, pool = doc.Pool,
                 omgId = doc.OmgID, self = QPointer<QWidget>(this)](JobProgress& p) mutable {
        p.phase = kPhasePreparing;
        if (prepare) {
            if (!prepare()) return;  // outcome_ stays PrepareRefused
        } else {
            JobUpdateCheckUi ui(*job_, p, prompter_, self);
            if (!net::PrepareConnection(data, ui, &check_)) return;
            if (check_.updateIniReplaced) ini = core::IniFile::FromFile(iniPath);
        }
        if (p.Cancelled()) return;
        if (stats::DetailsAddress(ini, typ, omgId).empty()) {
            // No template for the pool: there is nothing to fetch, and the
            // round keeps whatever information it has.
            outcome_ = Outcome::NoTemplate;
            return;
        }
        if (omgId <= 0) {
            outcome_ = Outcome::NoDrawNumber;
            return;
        }
        p.phase = kPhaseDownloading;
        const net::TransferWatch watch(&p.cancel, [&p](int64_t now, int64_t total) { return p.Bytes(now, total); });
        details_ = net::DownloadGameInfo(ini, data, typ, pool, omgId);
        outcome_ = Outcome::Fetched;
    });
}

void TfrmMatchStat::workerEnded(bool cancelled, const QString& error) {
    // The worker has been joined: check_, details_ and outcome_ are ours.
    if (check_.updateIniReplaced) program_.LoadDataFiles();
    bar_->setRange(0, 1);
    if (cancelled || cancelled_) {
        running_ = false;
        static_cast<BusyRing*>(animation_)->setRunning(false);
        QDialog::reject();
        return;
    }
    if (!error.isEmpty()) return fail(error);
    switch (outcome_) {
        case Outcome::PrepareRefused: return fail(QString());
        case Outcome::NoDrawNumber: return fail(M(kMsgNoDrawNumber));
        case Outcome::NoTemplate: return afterDetails();
        case Outcome::Fetched:
            if (!details_.ok) return fail(Q(details_.error));
            return afterDetails();
    }
}

void TfrmMatchStat::afterDetails() {
    core::TVinraFile& doc = program_.doc;
    const auto dataFolder = program_.DataFolder();
    try {
        const auto file = net::GameInfoFile(dataFolder, doc.Pool, doc.OmgID);
        checking::TTipsData* db = program_.db.IsOpen() ? &program_.db : nullptr;
        stats::RoundStored stored = stats::StoreRoundAndPlanLogos(file, dataFolder, doc, db);
        logosStarted_ = stored.logos.size();
        if (!stored.logos.empty())
            logos_ = std::make_unique<stats::LogoDownloads>(dataFolder / "Cache" / "Images", std::move(stored.logos),
                                                            options_.maxParallelLogos);
    } catch (const std::exception& e) {
        return fail(Q(e.what()));
    }
    bar_->setValue(1);
    setStatus(M(kMsgDone));
    succeeded_ = true;
    finish();
}

void TfrmMatchStat::finish() {
    running_ = false;
    static_cast<BusyRing*>(animation_)->setRunning(false);
    accept();
}

void TfrmMatchStat::fail(const QString& why) {
    running_ = false;
    static_cast<BusyRing*>(animation_)->setRunning(false);
    bar_->setRange(0, 1);
    const QString text = M(kMsgSomethingWentWrong);
    setStatus(text);
    if (!options_.quietFailure) prompter_.errorWithDetail(this, text, why);
    QDialog::reject();
}

RoundGamesFetch::RoundGamesFetch(Program& program, const core::TVinraFile& round, QObject* logoOwner,
                                 std::function<void()> logosArrived, QObject* parent)
    : QObject(parent),
      program_(program),
      round_(round),
      logoOwner_(logoOwner),
      logosArrived_(std::move(logosArrived)) {
    job_ = new BackgroundJob(this, 100);
    connect(job_, &BackgroundJob::finished, this, &RoundGamesFetch::workerEnded);
}

// The worker writes details_: it must be gone first.
RoundGamesFetch::~RoundGamesFetch() { job_->CancelAndJoin(); }

bool RoundGamesFetch::Start() {
    if (round_.OmgID <= 0 || !stats::PoolHasMatchInformation(round_.Typ, program_.updateIni) ||
        stats::DetailsAddress(program_.updateIni, round_.Typ, round_.OmgID).empty())
        return false;
    return job_->Start([this, ini = program_.updateIni, data = program_.DataFolder(), typ = round_.Typ,
                        pool = round_.Pool, omgId = round_.OmgID](JobProgress& p) {
        const net::TransferWatch watch(&p.cancel, [&p](int64_t now, int64_t total) { return p.Bytes(now, total); });
        details_ = net::DownloadGameInfo(ini, data, typ, pool, omgId);
    });
}

void RoundGamesFetch::workerEnded(bool cancelled, const QString& error) {
    if (cancelled) return;
    if (!error.isEmpty() || !details_.ok) {
        emit done(Failed);
        return;
    }
    const auto data = program_.DataFolder();
    try {
        checking::TTipsData* db = program_.db.IsOpen() ? &program_.db : nullptr;
        stats::RoundStored stored = stats::StoreRoundAndPlanLogos(details_.file, data, round_, db);
        if (!stored.logos.empty()) {
            auto logos = std::make_unique<stats::LogoDownloads>(data / "Cache" / "Images", std::move(stored.logos), 4);
            new LogoWatcher(std::move(logos), logosArrived_, logoOwner_ ? logoOwner_ : this);
        }
    } catch (const std::exception&) {
        emit done(Failed);
        return;
    }
    emit done(Stored);
}

bool ShowMatchStatistics(QWidget* parent, Program& program, Prompter& prompter, MatchStatOptions options) {
    auto arrived = options.logosArrived;
    QObject* owner = options.logoOwner ? options.logoOwner : static_cast<QObject*>(parent);
    if (!owner) owner = QCoreApplication::instance();
    TfrmMatchStat window(program, prompter, std::move(options), parent);
    window.exec();
    if (auto logos = window.takeLogoDownloads()) {
        new LogoWatcher(std::move(logos), std::move(arrived), owner);
    }
    return window.succeeded();
}

}  // namespace vinra::ui
