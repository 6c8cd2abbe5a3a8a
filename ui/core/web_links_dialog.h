#pragma once
// The internet settings dialog: the Help-menu links, the proxy, how the live
// goal update identifies teams, the goal sounds and the mail lists.
#include <filesystem>

#include <QDialog>

#include "core/ini.h"
#include "core/mail.h"
#include "core/program_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QSoundEffect;
class QTableWidget;
class QTabWidget;

namespace vinra::ui {

class Prompter;
class Program;

class TfrmWeb : public QDialog {
    Q_OBJECT
public:
    // values: the links, FindTeams and proxy the program settings dialog holds;
    // OK hands them back there. ravaroz: the settings file, where OK writes the
    // sounds and the mail lists at once.
    TfrmWeb(QWidget* parent, Prompter& prompter, Program& program, core::ProgramSettingsValues& values);

    QTabWidget* tabs() const { return tabs_; }
    QTableWidget* links() const { return links_; }
    QComboBox* profile() const { return profile_; }
    QLineEdit* recipients() const { return recip_; }
    QLineEdit* subject() const { return subject_; }
    QPlainTextEdit* body() const { return body_; }
    QListWidget* sounds() const { return sounds_; }
    QLabel* soundFile() const { return soundFile_; }
    const core::MailProfiles& profiles() const { return profiles_; }

    void SaveProfileClick();
    void DeleteProfileClick();
    void ChooseSoundClick();
    void PlaySoundClick();
    void OkClick();

private:
    void showProfile(int index);
    void showSound();
    core::MailProfile fields() const;

    Prompter& prompter_;
    Program& program_;
    core::ProgramSettingsValues& values_;
    core::MailProfiles profiles_;
    core::SoundEvents events_;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* links_ = nullptr;
    QCheckBox* useProxy_ = nullptr;
    QLineEdit* host_ = nullptr;
    QLineEdit* port_ = nullptr;
    QRadioButton* oneHit_ = nullptr;
    QRadioButton* bothHits_ = nullptr;
    QListWidget* sounds_ = nullptr;
    QLabel* soundFile_ = nullptr;
    QSoundEffect* player_ = nullptr;
    QComboBox* profile_ = nullptr;
    QLineEdit* recip_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
};

}  // namespace vinra::ui
