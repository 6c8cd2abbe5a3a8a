#pragma once
// The main window's refresh of the active-pools list from the web service.
// The list file is replaced only by a complete new one; the games and results
// it carries go into the database. The caller rebuilds its panel (and trees)
// when a refresh gives true.
//
// The transfer runs on a BackgroundJob, never on the GUI thread: a slow or
// silent web service costs a panel that says so, not a frozen window. The
// database import runs on the GUI thread once the worker has been joined.
#include <functional>

#include "net/active_pools.h"
#include "ui/core/prompter.h"

class QObject;
class QWidget;

namespace vinra::ui {

class BackgroundJob;
class Program;

// At start-up: the list is due when activepools.ini is missing, incomplete or
// its [Info] Date lies before today.
bool ActivePoolsRefreshDue(const Program& program);

// Fetches the list on a BackgroundJob that belongs to owner (destroying owner
// cancels and joins it) and calls done on the GUI thread when the worker has
// ended, with the outcome: replaced, or error saying why not (also after a
// cancel). Returns the job, already started; Cancel() on it stops the transfer.
BackgroundJob* RefreshActivePoolsInBackground(QObject* owner, Program& program,
                                              std::function<void(const net::ActivePoolsRefresh&)> done);

// At start-up, when the list is due, a new one is fetched. A failure is
// silent: the present list stays. True when the file was replaced. The GUI
// keeps painting meanwhile but takes no input; a window that wants to show the
// outcome uses RefreshActivePoolsInBackground.
bool RefreshActivePoolsIfDue(Program& program);

// The double click on the panel's title: fetches the list now under a
// transfer window with Cancel. A failure leaves the present list and, when
// report is on, is shown as an error.
bool RefreshActivePoolsNow(QWidget* parent, Program& program, Prompter& prompter, bool report = true);

}  // namespace vinra::ui
