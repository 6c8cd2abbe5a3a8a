#pragma once
// The check window's and the database editor's commands in the main window
// (Ctrl+R and the two database entries of the Tools menu).
#include "ui/checking/check_window.h"
#include "ui/core/command_table.h"

namespace vinra::ui {

class DocumentSession;

// What the check window gets from the open system and the program.
CheckWindowContext MakeCheckWindowContext(const ShellContext& shell);
// The check command: message 283 without rows, else the window on a working
// copy of the system, handed back when it closes.
void RunCheckWindow(const ShellContext& shell);
// The result row and goals go back with the session's set-result call; the
// comment, the link and a loaded round's text with one change when they moved.
void HandBackCheck(DocumentSession& session, const TfrmRatta& window);
void RegisterCheckCommands(CommandTable& table, const ShellContext& shell);

}  // namespace vinra::ui
