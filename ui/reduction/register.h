#pragma once
// The reduction wizard's place in the main window: its command, and what the
// main window does around it (the frame check before, the hand-back and the
// frame question after).
namespace vinra::ui {

class CommandTable;
struct ShellContext;

// Replaces the "later" row of the reduction command with the wizard.
void RegisterReductionCommands(CommandTable& table, const ShellContext& shell);

// The command: message 282 when a match has no sign; otherwise the wizard on
// a copy of the session's system. Finish hands the copy back as one undo
// entry; when the rows no longer span the frame, message 526 asks whether
// the frame should follow them. Returns true when the system was changed.
bool RunReductionWizard(const ShellContext& shell);

}  // namespace vinra::ui
