// The desktop program Vinra 2000.
#include <cstdio>
#include <cstring>

#include <QGuiApplication>

#include "core/system_document.h"
#include "ui/core/startup.h"

int main(int argc, char** argv) {
    // Answered before any window exists, so they work without a display (in a
    // terminal over ssh, in package checks).
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vinra2000 %s\n", vinra::core::kProgramVersion);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "Usage: vinra2000 [FILE.1x2]\n"
            "The desktop program Vinra 2000: builds, reduces, prints and checks systems for 1X2\n"
            "football pools. Opens FILE.1x2, or else the system used last.\n"
            "  --version  print the version and exit\n"
            "See also vinra(1), the command-line tool.\n");
        return 0;
    }
    // Ties the windows to org.vinra2000.Vinra2000.desktop (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vinra2000.Vinra2000"));
    return vinra::ui::RunDesktopProgram(argc, argv);
}
