// The drawing layer's globals: the current port and its stack, the current artist, the
// flags that the view and print code set while they draw, the staff metrics that staff and
// note drawing set, and the font references made at start-up.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/FontRef.h"

class CDC;
class CFont;
class CPen;
class CArtist;
struct FontMap;

struct PortState {
    CDC* port = nullptr;       // the port that was current before the push
    FontRef fontRef;           // the artist's font reference at the push
    CFont* savedFont = nullptr;
    CPen* savedPen = nullptr;
};

struct DrawGlobals {
    CDC* currentPort = nullptr;
    CArtist* artist = nullptr;
    // The port stack grows as deep as the nesting goes.
    std::vector<PortState> portStack;

    // Set by the view while it draws drag feedback, prepares a printer, drags, or prints.
    bool feedbackDrawing = false;
    bool printingDC = false;
    bool dragInProgress = false;
    bool printJob = false;
    bool laserJetQuirk = false;  // the printer's name holds "HP LaserJet"
    bool suppressOrientation = false;  // start-up flag: rotated fonts keep orientation 0

    // Staff metrics, set by the staff and note drawing before they draw.
    std::int16_t thinLineWidth = 12;     // 1/20 point
    std::int16_t ledgerLineWidth = 20;   // 1/20 point
    std::int32_t stemThickness = 12;     // 1/20 point, what SetMusicMetrics returned
    std::int32_t musicCharWidth = 6;     // pixels
    std::int32_t musicLineWidth = 1;     // pixels
    std::int32_t thinStaffLine = 20;     // 1/20 point: the line of DrawWavyLine and DrawGlyphRun
    std::int32_t bracketLineWidth = 40;  // 1/20 point

    // The document's font map (null with no document open).
    FontMap* fontMap = nullptr;
    // Font references made at start-up: 0 and 2 interface faces, 4 the music entry.
    FontRef standardFontRefs[5];
    FontRef defaultMusicFontRef;
    std::uint16_t jazzFace = FontRef::kNoFace;  // the face found for "JazzCW"
    // The direction of the font tables' mapping: set while references are recorded for a save,
    // clear while they are mapped back after a load.
    bool fontsForSave = false;

    // Preference colour numbers: roles 0-7 (voices), 8 (grey), 9 (selection).
    std::uint8_t roleColors[10] = {0, 5, 3, 1, 6, 4, 2, 16, 10, 5};
    // The theme's two colour numbers (swatches).
    std::uint16_t themeColorA = 0, themeColorB = 7;
};

extern DrawGlobals g_draw;

// The current artist's SetMusicMetrics for a line value (1/20 point at size 24) and a music
// font size (0: the size selected): the music character width, the music line width and the
// scaled thickness above take its results. Staff, note, rest and beam drawing call it before
// they draw or measure. Nothing without an artist.
void ApplyMusicMetrics(int value, int size);

// Start-up values again (tests).
void ResetDrawGlobals();
