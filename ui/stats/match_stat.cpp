#include "ui/stats/match_stat.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "net/update_check.h"
#include "stats/match_stat.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"

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

// The update check's messages as message boxes over the statistics window.
class PrompterUpdateUi : public net::UpdateCheckUi {
public:
    PrompterUpdateUi(Prompter& prompter, QWidget* parent) : prompter_(prompter), parent_(parent) {}
    void ShowInfo(const std::string& text) override { prompter_.information(parent_, Q(text)); }
    bool AskYesNo(const std::string& text) override {
        return prompter_.question(parent_, Q(text), false) == Answer::Yes;
    }
    void OpenUrl(const std::string& url) override { QDesktopServices::openUrl(QUrl(Q(url))); }

private:
    Prompter& prompter_;
    QWidget* parent_;
};

}  // namespace

TfrmMatchStat::TfrmMatchStat(Program& program, Prompter& prompter, MatchStatOptions options, QWidget* parent)
    : QDialog(parent), program_(program), prompter_(prompter), options_(std::move(options)) {
    setObjectName(QStringLiteral("frmMatchStat"));
    Tag(this, 56);
    setWindowTitle(QStringLiteral("Game statistics"));
    setModal(true);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 14, 16, 14);
    outer->setSpacing(14);
    auto* ring = new BusyRing(this);
    animation_ = ring;
    outer->addWidget(ring, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    auto* heading = new QLabel(Q(stats::kFetchingDetailsText), this);
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
    column->addWidget(bar_);
    outer->addLayout(column, 1);

    Localise(this);
    poll_ = new QTimer(this);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, &TfrmMatchStat::poll);
}

TfrmMatchStat::~TfrmMatchStat() {
    if (worker_.joinable()) worker_.join();
}

QString TfrmMatchStat::statusText() const { return status_->text(); }

void TfrmMatchStat::setStatus(const QString& text) {
    status_->setText(text);
    status_->repaint();
}

void TfrmMatchStat::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // The work starts once the window is on the screen.
    QTimer::singleShot(0, this, &TfrmMatchStat::run);
}

void TfrmMatchStat::reject() {
    if (!running_) QDialog::reject();
}

void TfrmMatchStat::run() {
    running_ = true;
    static_cast<BusyRing*>(animation_)->setRunning(true);
    const core::TVinraFile& doc = program_.doc;
    if (!stats::PoolHasMatchInformation(doc.Typ)) {
        // The other operators publish no extended information.
        setStatus(Q(core::Msg(353)));
        succeeded_ = true;
        finish();
        return;
    }
    setStatus(Q(stats::kFetchingDetailsText));
    try {
        if (options_.prepareConnection) {
            if (!options_.prepareConnection()) return fail(QString());
        } else {
            PrompterUpdateUi ui(prompter_, this);
            net::UpdateCheckResult check;
            if (!net::PrepareConnection(program_.DataFolder(), ui, &check)) return fail(QString());
            if (check.updateIniReplaced) program_.LoadDataFiles();
        }
    } catch (const std::exception& e) {
        return fail(Q(e.what()));
    }
    const std::string address = stats::DetailsAddress(program_.updateIni, doc.Typ, doc.OmgID);
    if (address.empty()) {
        // No template for the pool: there is nothing to fetch, and the round
        // keeps whatever information it has.
        afterDetails();
        return;
    }
    if (doc.OmgID <= 0) return fail(QStringLiteral("The round has no draw number yet."));
    setStatus(Q(core::Msg(347) + stats::LastPathSegment(address)));
    bar_->setRange(0, 0);  // busy: the size of the document is not known
    workerDone_ = false;
    worker_ = std::thread([this, ini = program_.updateIni, data = program_.DataFolder(), typ = doc.Typ,
                           pool = doc.Pool, omgId = doc.OmgID] {
        try {
            details_ = net::DownloadGameInfo(ini, data, typ, pool, omgId);
        } catch (const std::exception& e) {
            details_ = {};
            workerError_ = e.what();
        }
        workerDone_ = true;
    });
    poll_->start();
}

void TfrmMatchStat::poll() {
    if (!workerDone_) return;
    poll_->stop();
    worker_.join();
    bar_->setRange(0, 1);
    if (!workerError_.empty()) return fail(Q(workerError_));
    if (!details_.ok) return fail(Q(details_.error));
    afterDetails();
}

void TfrmMatchStat::afterDetails() {
    core::TVinraFile& doc = program_.doc;
    const auto data = program_.DataFolder();
    try {
        const auto file = net::GameInfoFile(data, doc.Pool, doc.OmgID);
        checking::TTipsData* db = program_.db.IsOpen() ? &program_.db : nullptr;
        stats::RoundStored stored = stats::StoreRoundAndPlanLogos(file, data, doc, db);
        logosStarted_ = stored.logos.size();
        if (!stored.logos.empty())
            logos_ = std::make_unique<stats::LogoDownloads>(data / "Cache" / "Images", std::move(stored.logos),
                                                            options_.maxParallelLogos);
    } catch (const std::exception& e) {
        return fail(Q(e.what()));
    }
    bar_->setValue(1);
    setStatus(Q(core::Msg(353)));
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
    const QString text = Q(stats::kSomethingWentWrongText);
    setStatus(text);
    prompter_.error(this, why.isEmpty() ? text : text + QStringLiteral("\n\n") + why);
    QDialog::reject();
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
