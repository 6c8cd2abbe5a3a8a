#pragma once
// The update check: once a program run, before the first transfer of a
// download window, update.ini is fetched from the web service, the two club
// data files are refreshed when the service has a newer set, and the user
// hears of a newer program version.
//
// update.ini holds every operator address the downloads need, so a reply that
// is not a service definition file (an error page, a captive portal's login
// page) never replaces it; a club data file is replaced only by a complete one
// ([Update] FileOK=1), and the user's own team mappings survive the refresh.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"

namespace vinra::net {

// How the check talks to the user; the desktop program uses message boxes and
// the browser, tests record.
class UpdateCheckUi {
public:
    virtual ~UpdateCheckUi() = default;
    virtual void ShowInfo(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;
    virtual void OpenUrl(const std::string& url) = 0;
};

// Version texts compare character by character by character code: "7.6" is
// greater than "7.51", "10.0" is less than "7.51". Strictly greater.
bool VersionGreater(std::string_view a, std::string_view b);

// [Update] of update.ini with the defaults of missing keys.
struct UpdateInfo {
    std::string pgmVersion, pgmUrl, pgmInfo;
    std::string iniVersion, iniUrl, teamLogo, iniInfo, varning;
};
// host: the web service without a trailing "/"; programVersion: the running one.
UpdateInfo ReadUpdateInfo(const core::IniFile& ini, std::string_view host, std::string_view programVersion);

// Refresh of one club data file from url. The file is replaced only by a
// complete new one ([Update] FileOK = 1); the previous file stays beside it
// as "<name>.old". keepSections: sections whose keys the user adds to
// (teamstat.ini: [Alias], [teams_svt]); a key the new file lacks is kept.
// False, with error set, when the file was left as it was.
bool RefreshDataFile(const std::filesystem::path& file, const std::string& url,
                     const std::vector<std::string>& keepSections, std::string* error);

struct UpdateCheckResult {
    bool updateIniReplaced = false;  // the caller re-reads update.ini
    std::string updateIniError;      // why update.ini was kept (not shown: the check stays silent)
    bool dataFilesDue = false;       // the service has newer club data files
    bool teamstatRefreshed = false;
    bool teamlogoRefreshed = false;
    std::vector<std::string> dataFileErrors;
    bool newerProgram = false;
};

// The check on the data folder: update.ini, teamstat.ini, teamlogo.ini and
// their backups update.ini.old, teamstat.ini.old, teamlogo.ini.old.
// Transfer failures are not raised: update.ini then stays as it was and the
// check says nothing; a club data file that could not be refreshed stays as it
// was, and update.ini keeps the old IniVersion so the next run tries again.
// Throws core::FileError only when the data folder cannot be written.
UpdateCheckResult UpdateCheck(const std::filesystem::path& dataFolder, UpdateCheckUi& ui,
                              std::string_view programVersion);

// Runs UpdateCheck on the first call of a program run; every later call gives
// true at once. The result of the check that ran, when asked for (untouched
// on later calls). A call made while the check is still running (from another
// thread, or from a timer inside one of its message boxes) gives false at
// once: that caller skips its transfer this time. A FileError from the check
// is raised, and the next call runs the check again.
bool PrepareConnection(const std::filesystem::path& dataFolder, UpdateCheckUi& ui, UpdateCheckResult* result = nullptr);
// Forgets that the check ran (tests).
void ResetPrepareConnection();

// Address of a help page: host + "/vinra2000/help/<languageBase>/html/<page>",
// the page name URL-encoded.
std::string HelpPageUrl(std::string_view host, int languageBase, std::string_view page);

}  // namespace vinra::net
