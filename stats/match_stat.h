#pragma once
// The steps of the match statistics run that need no window: the address of
// the round's details for the status line, and, once the round information
// file is there, storing its matches in the games database and choosing the
// logos to fetch.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "checking/tips_data.h"
#include "core/ini.h"
#include "core/system_document.h"
#include "stats/team_logos.h"

namespace vinra::stats {

// The fixed texts of the run (they have no number in the language table).
inline constexpr const char* kFetchingDetailsText = "Hämtar utökad information...";
inline constexpr const char* kSomethingWentWrongText = "Något gick fel, prova igen lite senare.";

// update.ini [typ] Details with its %s placeholders filled by the draw number;
// empty when the pool has no template. Used to name the document being fetched.
std::string DetailsAddress(const core::IniFile& updateIni, std::string_view typ, int64_t omgId);
// The last path segment of an address ("" when it has none).
std::string LastPathSegment(std::string_view url);

struct RoundStored {
    RoundTeams teams;
    bool savedGames = false;     // the matches went into the games database
    std::vector<LogoJob> logos;  // logos not yet in Cache/Images/
};

// Reads the round information file of the document's round (a missing file
// gives no teams), stores the matches in the games database when the first
// home name is not empty and Omg gives a round number (round integer from Omg,
// pool code Typ) and plans the
// logo downloads into dataFolder/Cache/Images/. Throws core::FileError when the
// file exists but cannot be read, checking::DatabaseError when the database fails.
RoundStored StoreRoundAndPlanLogos(const std::filesystem::path& roundInfoFile, const std::filesystem::path& dataFolder,
                                   core::TVinraFile& doc, checking::TTipsData* db);

}  // namespace vinra::stats
