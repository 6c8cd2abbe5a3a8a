#pragma once
// Icons of the tool bar and the panels, drawn by the program so it needs no
// picture files and looks the same under every style.
#include <QIcon>

namespace vinra::ui {

enum class Icon {
    New,
    Open,
    Save,
    Print,
    Statistics,
    GameWizard,
    Reduce,
    Check,
    Help,
    Exit,
    LockOpen,
    LockClosed,
    Folder,
    SystemFile,
    Database,
    Round,
    SortName,
    SortSize,
    SortDate,
    SortAscending,
    SortDescending,
    // A condition or a switch: a green lamp for true or on, a red one for false or off.
    ConditionTrue,
    ConditionFalse,
};

QIcon MakeIcon(Icon kind);

}  // namespace vinra::ui
