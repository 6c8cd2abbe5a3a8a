#include "ui/net/active_pools_refresh.h"

#include "net/active_pools.h"
#include "ui/core/program.h"

namespace vinra::ui {

namespace {

net::ActivePoolsRefresh Refresh(Program& program) {
    return net::RefreshActivePools(net::ServiceHostOf(program.updateIni), program.DataFolder(),
                                   program.db.IsOpen() ? &program.db : nullptr);
}

}  // namespace

bool RefreshActivePoolsIfDue(Program& program) {
    const auto present = net::ActivePoolsFile::Load(program.ActivePoolsPath());
    if (present.FileOK() && !present.RefreshDue(net::LocalNow())) return false;
    return Refresh(program).replaced;
}

bool RefreshActivePoolsNow(QWidget* parent, Program& program, Prompter& prompter, bool report) {
    const auto r = Refresh(program);
    if (!r.replaced && report) prompter.error(parent, QString::fromStdString(r.error));
    return r.replaced;
}

}  // namespace vinra::ui
