#pragma once
// The splash window and the program's logo picture.
#include <filesystem>

#include <QPixmap>
#include <QSplashScreen>

namespace vinra::ui {

// The program's logo from the data folder, or a drawn one when no picture is installed.
QPixmap ProgramLogo(const std::filesystem::path& dataFolder);

// A borderless picture of the logo, centred on the screen, with message 1.
class TfrmSplash : public QSplashScreen {
    Q_OBJECT
public:
    explicit TfrmSplash(const std::filesystem::path& dataFolder);
};

}  // namespace vinra::ui
