// The user-interface base's globals, in one place: the click count of the last mouse press,
// the numeric field that takes typed keys, and the values that the application hands the
// dialogs at start-up.
#pragma once
#include <cstdint>
#include <string>

class CNumeric;
class CPaneBtn;

struct UiGlobals {
    // 1 after a single press on a pane, view or dialog, 2 after a double click, 0 none.
    std::int16_t clickCount = 0;
    // The numeric field that receives typed keys (null when no numeric entry is under way).
    CNumeric* currentNumeric = nullptr;
    // The one pane button under the mouse (hot), none when null.
    CPaneBtn* hotButton = nullptr;
    // The first entry of combos that offer no choice (set at start-up).
    std::string noneText = "None";
    // The preference that lists controllers, keys and patches without a name too.
    bool listUnnamedEntries = false;
    // The voice names of the current track context (empty: "Voice n").
    char voiceNames[8][64] = {};
    // Interface text size in points (9; 11 with the Japanese interface).
    int interfaceTextSize = 9;
    // Window helpers: gradient fills on, the display's colour count (0 until found).
    bool gradientFill = true;
    std::uint32_t colorCount = 0;
    // The texture of the preferences pages, the "Texture" byte of the preferences.
    std::uint8_t prefPagesTexture = 11;
};

extern UiGlobals g_ui;

// Start-up values again (tests).
void ResetUiGlobals();
