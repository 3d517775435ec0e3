// The current drawing port, the port stack, and the small drawing helpers that work through
// the current port and artist.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "platform/DrawGlobals.h"

class CDC;
class CArtist;

// The current artist (null before start-up made one).
CArtist* GetArtist();
void SetArtist(CArtist* artist);
// Start-up of the drawing layer as the program does it: the installed-font list, the standard
// font references and the screen artist with its colour table. Tools and tests call it once.
void InitDrawing();

void SavePortState();
void PushPort(CDC* dc);
void PopPort();
void GetCurrentPort(CDC** dc);
CDC* GetCurrentPort();
int GetPortDepth();
void GetPortMousePos(POINT* pt);
void SetPortMousePos(int x, int y);
void PortToScreen(POINT* pt);
int GetPortCharset();

int DrawStackedNumbers(int x, int yTop, int yBottom, int top, int bottom);
int DrawTallGlyph(int x, int yTop, int yBottom, bool alternate);
void DrawNoteWithLedgers(int position, const RECT& box);
// text must have room for two bytes more than its length.
void FitTextToWidth(char* text, int width, bool cutEnd);
bool HitHandleSquare(int x, int y, int cx, int cy);
// The 8-byte glyph record of a mark code (an all-zero record for codes that are not mark codes).
const BYTE* GetMarkGlyphs(int code);
int GetSymbolGlyph(int code);
int GetKindSpacing(int kind);
int AdjustForSize(int value, int size);
void SetArtistColor(int c);

// Saves the artist's background colour and colour index; puts them back when it ends.
class ArtistColorScope {
public:
    ArtistColorScope();
    ~ArtistColorScope();
    ArtistColorScope(const ArtistColorScope&) = delete;
    ArtistColorScope& operator=(const ArtistColorScope&) = delete;
};
