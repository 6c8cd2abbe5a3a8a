#pragma once
// A progress bar over counts that may pass an int (a full frame of 30 matches):
// the range is scaled down by halving until it fits. An empty maximum shows an
// empty bar, not Qt's endless busy indicator.
#include <algorithm>
#include <cstdint>
#include <limits>

#include <QProgressBar>

namespace vinra::ui {

inline void SetScaledProgress(QProgressBar* bar, int64_t value, int64_t maximum) {
    const int64_t top = std::max<int64_t>(maximum, 1);
    int shift = 0;
    while ((top >> shift) > std::numeric_limits<int>::max()) ++shift;
    bar->setRange(0, static_cast<int>(top >> shift));
    bar->setValue(static_cast<int>(std::clamp<int64_t>(value, 0, top) >> shift));
}

}  // namespace vinra::ui
