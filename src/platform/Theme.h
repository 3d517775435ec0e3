// The theme: the two background pictures and the colour numbers that panels, palettes, dock
// bars and menus paint with, chosen in the preferences.
#pragma once
#include <cstdint>

#include "framework/Gdi.h"

class Theme {
public:
    static constexpr unsigned kDefaultBitmap = 392;  // our own background picture

    CBitmap panelBitmap;  // panels and palettes
    CBitmap dockBitmap;   // dock bars (painted as a pattern)
    std::int16_t cellBody = 0, cellText = 0, menuBody = 0, menuText = 0;  // colour numbers

    // Loads the named files from the program folder's "Themes" (names in the code page; an
    // empty name, or a file that does not load, gives the default picture) and takes the
    // colours: the menus take the cell colours unless their own are not -1.
    void Load(const char* panelName, const char* dockName, int cellBodyColor, int cellTextColor,
              int menuBodyColor, int menuTextColor);
};

extern Theme g_theme;

// Empties the theme again (tests).
void ResetTheme();
