#pragma once
// The round of the fixture's games and result (UiFixture::FillDatabase):
// Stryktipset 2026-50, draw 4851.
#include "core/system_document.h"

namespace vinra::ui::testing {

inline void SetFixtureRound(core::TVinraFile& doc) {
    doc.Omg = "2026-50";
    doc.OmgID = 4851;
    doc.Typ = "S";
    doc.Pool = "Stryktipset";
    doc.Country = "Svenska Spel";
}

}  // namespace vinra::ui::testing
