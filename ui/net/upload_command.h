#pragma once
// The check window's Upload button: the saved system goes to the maker's web
// service, which answers with the address of a live-check page.
#include <filesystem>
#include <functional>
#include <string>

class QWidget;

namespace vinra::ui {

class Program;
class Prompter;

// The account's user name: RAVAROZ.INI [General] apiUser (the key is apiKey).
inline constexpr const char* kApiUserKey = "apiUser";

// Messages of the command.
inline constexpr int kMsgAuthorisationRequired = 1115;  // "Authorisation required!"
inline constexpr int kMsgUploadNeedsKey = 1116;         // the upload needs a key of the web service
inline constexpr int kMsgUploadNeedsSave = 1117;        // save the changes before uploading
inline constexpr int kMsgUploadNeedsName = 1118;        // the system has no file name of its own
inline constexpr int kMsgUploadUserPrompt = 1119;       // "Your user name at the Vinra 2000 web service:"
inline constexpr int kMsgUploadNoService = 1120;        // no address of the web service in update.ini

// Runs the upload command on program.doc saved as fileName.
//  - no key: says where to enter it and calls openSettings (the settings dialog);
//  - unsaved changes, or an untitled system: says so, sends nothing;
//  - no user name stored yet: asks for it once and stores it;
//  - then uploads the system file (at most 5000 rows) or its part files,
//    on a worker thread under a transfer window (with Cancel once it takes a
//    while) that names each file as it goes, and shows the collected
//    messages (and the error that ended the command, if any).
// Returns true when the document got a link: the caller marks it modified and
// shows doc.SalvikLink in its link field (Comment got the link too).
bool UploadClick(QWidget* parent, Program& program, const std::filesystem::path& fileName, bool untitled, bool modified,
                 Prompter& prompter, const std::function<void()>& openSettings);

}  // namespace vinra::ui
