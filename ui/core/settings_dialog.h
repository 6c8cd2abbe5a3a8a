#pragma once
// The program settings dialog (File menu): the general switches, the print
// character, the operators whose pools are listed and the upload key; its
// "Internet..." button opens the internet settings dialog.
#include <QDialog>

#include "core/program_settings.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace vinra::ui {

class Prompter;
class Program;
struct ShellContext;

class TfrmSettings : public QDialog {
    Q_OBJECT
public:
    TfrmSettings(QWidget* parent, Prompter& prompter, Program& program, core::SettingsPlace place);

    QLineEdit* apiKey() const { return apiKey_; }
    QCheckBox* check(int msg) const;
    QLineEdit* printChar() const { return printChar_; }
    QListWidget* operators() const { return operators_; }
    const core::ProgramSettingsValues& values() const { return values_; }

    void InternetClick();
    // Stores every value in both files; false (dialog stays open) when a file
    // cannot be written, with the reason shown.
    bool OkClick();

private:
    Prompter& prompter_;
    Program& program_;
    core::SettingsPlace place_;
    core::ProgramSettingsValues values_;
    QLineEdit* apiKey_ = nullptr;
    QLineEdit* printChar_ = nullptr;
    QListWidget* operators_ = nullptr;
};

// Opens the program settings dialog for the session's pool and operator.
void ShowProgramSettings(const ShellContext& shell);

}  // namespace vinra::ui
