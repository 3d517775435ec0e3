// The glyph and shape sheets, drawn through the current artist in score units.
#pragma once
#include <vector>

class CArtist;

// The music codes the drawing code uses (every code the music face draws).
std::vector<int> MusicCodes();
// Size of the glyph sheet in score units; its rows of cells start 10 units down, each this high.
void GlyphSheetSize(int* width, int* height);
int GlyphSheetRowHeight();
void DrawGlyphSheet(CArtist& a);
// Size of the shape sheet at a zoom.
void ShapeSheetSize(int zoom, int* width, int* height);
void DrawShapeSheet(CArtist& a, int zoom);
// Size of the key sheet, and the sheet: every key signature (1-7 flats, 8-14 sharps) on
// every clef, each accidental where the clef table places it.
void KeySheetSize(int* width, int* height);
void DrawKeySheet(CArtist& a);
