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

// Fixed texts of the command.
inline constexpr const char* kUploadNeedsKey =
    "Du behöver en nyckel från Vinra 2000:s webbtjänst för att ladda upp system. Skriv in nyckeln du fått "
    "från webbtjänsten under Programinställningar.";
inline constexpr const char* kUploadNeedsSave = "Spara alla ändringar i systemet innan du laddar upp det.";
inline constexpr const char* kUploadNeedsName =
    "Systemet har inget eget filnamn. Spara det under ett namn innan du laddar upp det.";
inline constexpr const char* kUploadUserPrompt = "Ditt användarnamn hos Vinra 2000:s webbtjänst:";
inline constexpr const char* kUploadNoService =
    "Ingen adress till webbtjänsten finns ([Service] Host i update.ini).";

// Runs the upload command on program.doc saved as fileName.
//  - no key: says where to enter it and calls openSettings (the settings dialog);
//  - unsaved changes, or an untitled system: says so, sends nothing;
//  - no user name stored yet: asks for it once and stores it;
//  - then uploads the system file (at most 5000 rows) or its part files,
//    showing "Laddar upp <file>" while each transfer runs, and shows the
//    collected messages (and the error that ended the command, if any).
// Returns true when the document got a link: the caller marks it modified and
// shows doc.SalvikLink in its link field (Comment got the link too).
bool UploadClick(QWidget* parent, Program& program, const std::filesystem::path& fileName, bool untitled,
                 bool modified, Prompter& prompter, const std::function<void()>& openSettings);

}  // namespace vinra::ui
