// The desktop program Vinra 2000.
#include "ui/core/startup.h"

int main(int argc, char** argv) { return vinra::ui::RunDesktopProgram(argc, argv); }
