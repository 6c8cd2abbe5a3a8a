#pragma once
// The main window's refresh of the active-pools list from the web service.
// The list file is replaced only by a complete new one; the games and results
// it carries go into the database. The caller rebuilds its panel (and trees)
// when a refresh gives true.
#include "ui/core/prompter.h"

class QWidget;

namespace vinra::ui {

class Program;

// At start-up: when activepools.ini is missing, incomplete or its [Info] Date
// lies before today, a new one is fetched. A failure is silent: the present
// list stays. True when the file was replaced.
bool RefreshActivePoolsIfDue(Program& program);

// The double click on the panel's title: fetches the list now. A failure
// leaves the present list and, when report is on, is shown as an error.
bool RefreshActivePoolsNow(QWidget* parent, Program& program, Prompter& prompter, bool report = true);

}  // namespace vinra::ui
