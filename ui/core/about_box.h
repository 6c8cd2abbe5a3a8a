#pragma once
// The about box: program name and version.
#include <filesystem>

#include <QDialog>

namespace vinra::ui {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const std::filesystem::path& dataFolder, QWidget* parent = nullptr);
};

}  // namespace vinra::ui
