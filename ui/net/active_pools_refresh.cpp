#include "ui/net/active_pools_refresh.h"

#include <memory>

#include <QEventLoop>

#include "core/messages.h"
#include "ui/core/background_job.h"
#include "ui/core/program.h"
#include "ui/net/http_window.h"

namespace vinra::ui {

namespace {

constexpr int kMsgGettingData = 467;     // "Getting data..."
constexpr int kMsgRefreshFailed = 1113;  // "The list of current games could not be fetched."

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The transfer part, on the worker: no database there.
net::ActivePoolsRefresh Fetch(const std::string& host, const std::filesystem::path& data) {
    return net::RefreshActivePools(host, data, nullptr);
}

// The database part, on the GUI thread after the join.
void Import(Program& program, net::ActivePoolsRefresh& r) {
    if (!r.replaced || !program.db.IsOpen()) return;
    net::ImportActivePoolsData(program.DataFolder(), program.db, r);
}

}  // namespace

bool ActivePoolsRefreshDue(const Program& program) {
    const auto present = net::ActivePoolsFile::Load(program.ActivePoolsPath());
    return !present.FileOK() || present.RefreshDue(net::LocalNow());
}

BackgroundJob* RefreshActivePoolsInBackground(QObject* owner, Program& program,
                                              std::function<void(const net::ActivePoolsRefresh&)> done) {
    auto* job = new BackgroundJob(owner, 50);
    auto outcome = std::make_shared<net::ActivePoolsRefresh>();
    QObject::connect(job, &BackgroundJob::finished, job,
                     [job, outcome, &program, done = std::move(done)](bool cancelled, const QString& error) {
                         net::ActivePoolsRefresh r = *outcome;
                         if (cancelled && !r.replaced) r.error = TransferCancelledText();
                         if (!error.isEmpty()) r.error = error.toStdString();
                         Import(program, r);
                         if (done) done(r);
                         job->deleteLater();
                     });
    job->Start([outcome, host = net::ServiceHostOf(program.updateIni), data = program.DataFolder()](JobProgress&) {
        *outcome = Fetch(host, data);
    });
    return job;
}

bool RefreshActivePoolsIfDue(Program& program) {
    if (!ActivePoolsRefreshDue(program)) return false;
    QEventLoop loop;
    bool replaced = false;
    RefreshActivePoolsInBackground(&loop, program, [&](const net::ActivePoolsRefresh& r) {
        replaced = r.replaced;
        loop.quit();
    });
    // Windows paint meanwhile; no click can start a command under the refresh.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return replaced;
}

bool RefreshActivePoolsNow(QWidget* parent, Program& program, Prompter& prompter, bool report) {
    net::ActivePoolsRefresh r;
    const TransferOutcome out = RunTransfer(parent, Q(core::Msg(kMsgGettingData)), QStringLiteral("activepools"),
                                            [&r, host = net::ServiceHostOf(program.updateIni),
                                             data = program.DataFolder()](TransferContext&) { r = Fetch(host, data); });
    if (out.cancelled && !r.replaced) r.error = TransferCancelledText();
    if (!out.error.isEmpty()) r.error = out.error.toStdString();
    Import(program, r);
    if (!r.replaced && report) prompter.errorWithDetail(parent, Q(core::Msg(kMsgRefreshFailed)), Q(r.error));
    return r.replaced;
}

}  // namespace vinra::ui
