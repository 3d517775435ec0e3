// Drawing into a memory bitmap over one rectangle and copying it back to the real port.
#pragma once
#include <memory>

#include "framework/DC.h"
#include "framework/Gdi.h"

class COffscreen {
public:
    COffscreen();
    ~COffscreen();
    COffscreen(const COffscreen&) = delete;
    COffscreen& operator=(const COffscreen&) = delete;

    // Makes a buffer for rect on the current port and makes it the current port, filled with
    // the background colour (or the current background pattern). False when no buffer could
    // be made.
    bool Begin(const RECT& rect, bool pattern);
    // Copies the buffer back (mode 1: inverted onto the port, 2: painted out in white, else a
    // plain copy), and gives the port back. Nothing without a successful Begin.
    void End(int mode);

    bool active = false;
    int zoom = 100;
    RECT rect;
    CBitmap bitmap;
    CBitmap* oldBitmap = nullptr;
    CFont* oldFont = nullptr;
    CDC memDC;
    CDC* savedPort = nullptr;
};

// The patterns that views paint behind pages: colours for 0-2, tiled bitmaps for 3-13.
struct BackgroundPatterns {
    int current = 0;
    int count = 14;
    int colors[3] = {7, 128, 10};
    int bitmapIds[11] = {330, 331, 332, 333, 334, 335, 336, 337, 338, 339, 340};
    CBrush brush;
    CBitmap brushBitmap;
    CBrush* oldBrush = nullptr;
};

BackgroundPatterns& GetBackgroundPatterns();
// Paints rect of port in pattern index (-1: the current one).
void DrawBackgroundPattern(CDC* port, const RECT& rect, int index);
void SelectPattern(int index);
void RestorePatternBrush();
