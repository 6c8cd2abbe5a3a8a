#pragma once
// Start-up and shut-down of the desktop program.

namespace vinra::ui {

// Runs the whole program: settings, first-start data installation, language
// choice, splash, main window, event loop. Returns the exit code.
int RunDesktopProgram(int argc, char** argv);

}  // namespace vinra::ui
