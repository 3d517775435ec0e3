// A palette of the running program shown (as its key or pop-up would show it) and a click on
// one of its buttons.
#pragma once
#include "chrome/ToolBox.h"
#include "framework/UiTest.h"

namespace testsupport {

inline void ShowPalette(int palette) {
    namespace ui = fw::uitest;
    CToolBox& p = Palette(palette);
    if (!p.IsShown()) {
        p.Show();
        ui::RunUntilIdle();
        // The pointer comes over the new window first.
        ui::Move(&p, 1, 1);
    }
    ui::RunUntilIdle();
}

inline void ClickPalette(int palette, int index, UINT mods = fw::uitest::kNone, int clicks = 1) {
    namespace ui = fw::uitest;
    ShowPalette(palette);
    CToolBox& p = Palette(palette);
    const POINT c = p.ButtonCentre(index);
    ui::Click(&p, c.x, c.y, ui::kLeft, mods, clicks);
    ui::RunUntilIdle();
}

}  // namespace testsupport
