#pragma once
#include <QSize>

namespace vinra::ui {

// The main window's first size and its smallest size on a screen with the
// given free area: the usual size where it fits, never larger than the
// screen (room is left for the window frame).
struct WindowSizes {
    QSize first, minimum;
};
WindowSizes MainWindowSizes(const QSize& available);

}  // namespace vinra::ui
