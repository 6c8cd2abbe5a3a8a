#pragma once
// Texts of the desktop program's own layout (panel titles, column headers)
// by name; they are messages 1030 and on of the language table, in this order.
#include <QString>

namespace vinra::ui {

enum class UiText {
    PanelActivePools,    // title of the active-pools panel
    PanelFiles,          // title of the file panel
    PanelDatabase,       // title of the database panel
    ComesLater,          // tooltip of a command whose window is not in this version yet
    NoActivePools,       // shown when activepools.ini lists nothing
    RefreshActivePools,  // tooltip of the active-pools title
    ResultRight,         // result list: number of right signs
    ResultRows,          // result list: rows with that many right
    ResultPerRow,        // result list: payout per row
    ResultTotal,         // result list: total of the level
    PlaceBet,            // the submit button
    MatchColumn,         // tips grid: match number header
    ChooseLanguage,      // language window: title
    ChooseLanguageText,  // language window: prompt
    SortDirection,       // file panel: direction button tooltip prefix
};

// The text in the current language (English when the base is unknown).
QString T(UiText id);
// The text in a given language base.
QString TIn(int base, UiText id);

}  // namespace vinra::ui
