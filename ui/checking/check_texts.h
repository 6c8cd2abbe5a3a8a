#pragma once
// Message numbers of the check window, its dialogs and the database editor
// that have no number of their own elsewhere (language table 1600 and on).
#include <string>

#include <QString>

#include "core/messages.h"

namespace vinra::ui::checktext {

inline constexpr int kLiveCheckTab = 1600;        // "Live check" tab
inline constexpr int kGoalServiceTab = 1601;      // "Goal service" tab (hidden)
inline constexpr int kUpload = 1602;              // "&Upload"
inline constexpr int kGoToLiveCheck = 1603;       // "&Go to live check"
inline constexpr int kServiceHome = 1604;         // "Web service &home page"
inline constexpr int kDeleteLink = 1605;          // "&Delete link"
inline constexpr int kSettings = 1606;            // "&Settings..."
inline constexpr int kCopyLink = 1607;            // "&Copy link"
inline constexpr int kPasteLink = 1608;           // "&Paste link"
inline constexpr int kLinkLabel = 1609;           // "Live-check link:"
inline constexpr int kCommentLabel = 1610;        // "Comment:"
inline constexpr int kNotAnAddress = 1611;        // "\"%s\" is not a complete http:// or https:// address."
inline constexpr int kUnreadableAmount = 1612;    // "The amount \"%s\" for %d right cannot be read."
inline constexpr int kWinTooLarge = 1613;         // "The win for %d right is too large."
inline constexpr int kChartTitle = 1614;          // "Rows per number of right"
inline constexpr int kRowLength = 1615;           // "The winning row must have %d signs (%s, %s, %s or -)."
inline constexpr int kNotANumber = 1616;          // "\"%s\" is not a number (%s)."
inline constexpr int kSavePdf = 1617;             // "Save as &PDF..."
inline constexpr int kExport = 1618;              // "&Export"
inline constexpr int kImport = 1619;              // "&Import"
inline constexpr int kDeleteRecords = 1620;       // "Delete the %d selected records?"
inline constexpr int kEditMatch = 1621;           // "&Edit match..."
inline constexpr int kExportDone = 1622;          // "The pools were written to %s."
inline constexpr int kImportDone = 1623;          // "%d new records, %d already stored, %d lines could not be read."
inline constexpr int kImportErrors = 1624;        // "The lines that could not be read are listed in %s."
inline constexpr int kValueRejected = 1625;       // "\"%s\" cannot be stored in %s."
inline constexpr int kKeyTaken = 1626;            // "Another result already has pool %s and draw number %d."
inline constexpr int kRecordGone = 1627;          // "The record is no longer in the database."
inline constexpr int kDelete = 1628;              // "&Delete"
inline constexpr int kImportStopped = 1629;       // "The import stopped: %s"
inline constexpr int kPdfFailed = 1630;           // "The PDF could not be written: %s"
inline constexpr int kDeleteLinkQuestion = 1631;  // delete-link question (only the link in the program goes)
inline constexpr int kUploadFirst = 1632;         // "Du måste ladda upp filen först!" in every language
inline constexpr int kNoResultStored = 3200;     // "No result is stored for round %s yet."
inline constexpr int kFetchOffer = 3201;         // "The web service has the result of round %s. Store it ...?"
inline constexpr int kServiceHasNone = 3202;     // "The web service has no result for round %s yet either."
inline constexpr int kLookingUp = 3203;          // "Looking for the result of round %s on the web service ..."
inline constexpr int kLevelRight = 3210;         // "Right" (the number of right of a level line)
inline constexpr int kLevelRows = 3205;          // "Rows" (of the system, with that many right)
inline constexpr int kLevelPerRow = 3206;        // "Win per row"
inline constexpr int kLevelWin = 3207;           // "Win"
inline constexpr int kFetchFailed = 3204;        // "The result of round %s could not be fetched: %s"

inline QString M(int n) { return QString::fromStdString(core::Msg(n)); }

}  // namespace vinra::ui::checktext
