// The one place where the windows of the program hand their commands to the
// main window. A window module adds its registration call here and nothing
// else in the main window (see the guide at the top of command_table.h).
#include "ui/checking/register.h"
#include "ui/core/command_table.h"
#include "ui/core/mail.h"
#include "ui/reduction/register.h"
#include "ui/stats/game_wizard.h"

namespace vinra::ui {

void RegisterWindowModules(CommandTable& table, const ShellContext& shell) {
    (void)table;
    (void)shell;
    RegisterReductionCommands(table, shell);
    RegisterCheckCommands(table, shell);
    RegisterGameWizardCommands(table, shell);
    RegisterMailCommands(table, shell);
}

}  // namespace vinra::ui
