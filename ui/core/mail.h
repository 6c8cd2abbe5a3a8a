#pragma once
// The File menu's mail lists: one entry per list of RAVAROZ.INI, and sending
// a list to its recipients through the desktop's mail composer.
namespace vinra::ui {

class CommandTable;
struct ShellContext;

// Replaces the "later" rows of "Send e-mail" (the mail-list submenu) and of
// the program settings.
void RegisterMailCommands(CommandTable& table, const ShellContext& shell);

// Sends mail list n for the session's system: refused with message 527 while
// the system is unsaved; the launcher runs off the GUI thread and its error
// or notice is shown when it returns. False when nothing was handed over.
bool SendMailList(const ShellContext& shell, int n);

}  // namespace vinra::ui
