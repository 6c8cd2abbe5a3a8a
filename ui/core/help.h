#pragma once
// The player's manual. A window names its page once (SetHelpPage); F1 in the
// window and its Help button both come to one handler (OpenHelp). The handler
// opens the web service's page when the help host answers and the page
// installed with the program otherwise, so help works without a connection.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/net/browser.h"

class QWidget;

namespace vinra::ui {

// Every page a window can open. The manual has each of them in all five
// languages, under the same name.
const std::vector<std::string>& HelpPageNames();
bool IsHelpPage(std::string_view page);

// Where the pages come from. host: the web service, asked at each request (it
// changes with update.ini); installed: the folder with one subfolder per
// language base (0, 10000, ...).
struct HelpSource {
    std::function<std::string()> host;
    std::filesystem::path installed;
    BrowserLauncher launch;  // empty: the desktop's browser
};
// Until this is called, help has no host and the installed pages beside the program.
void SetHelpSource(HelpSource source);

// The installed pages of a program in exeDir: <exeDir>/../share/vinra2000/help
// (the same layout in the build tree).
std::filesystem::path InstalledHelpFolder(const std::filesystem::path& exeDir);

// The installed file of a page in a language; English and then Swedish when
// that language lacks it; empty when none has it or the name is not a page.
std::filesystem::path InstalledHelpPage(const std::filesystem::path& folder, int languageBase, std::string_view page);

// The address to open: the service's page when the service answers it with a
// page within timeoutMs, else the installed page as a file:// address; empty
// when neither has it. Blocks for the probe: call it off the GUI thread.
std::string HelpAddress(const std::string& host, const std::filesystem::path& installed, int languageBase,
                        const std::string& page, long timeoutMs = 3000);

// F1 anywhere in window opens page.
void SetHelpPage(QWidget* window, const std::string& page);
// The page that window named (empty: none).
std::string HelpPageOf(const QWidget* window);

// Opens page in the player's language. The service is asked on a worker
// thread; the browser starts on the GUI thread when the answer is in.
void OpenHelp(QWidget* parent, const std::string& page);

}  // namespace vinra::ui
