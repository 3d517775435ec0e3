// The printing artist: the same calls as on screen, with coordinates, lengths and font sizes
// turned from 1/72 inch into printer pixels and measurements turned back.
#pragma once
#include "platform/Artist.h"

class CPrArtist : public CArtist {
public:
    CPrArtist();

    void SetPrinterResolution(int rx, int ry);
    int UnmapX(int v) const;
    int UnmapY(int v) const;
    void MapRect(RECT& r);
    void UnmapRect(RECT& r) const;
    void MapPoint(POINT& p);
    void UnmapPoint(POINT& p) const;

    // Font-map glyph drawing and measuring with device coordinates.
    void DrawGlyphDevice(int x, int y, int c);
    int GlyphWidthDevice(int c);

    int MapX(int v) override;
    int MapY(int v) override;
    void DrawChar(int x, int y, int c) override;
    void DrawCharEx(int x, int y, int c) override;
    void DrawText(int x, int y, const char* s) override;
    void DrawTextCentered(int x, int y, const char* s) override;
    void DrawTextRight(int x, int y, const char* s) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void SetWindowOrg(int x, int y) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void ThickLine(int x1, int y1, int x2, int y2, int style) override;
    void FillRectRgnAt(int x1, int y1, int x2, int y2, int w) override;
    void FrameRect(const RECT& rect) override;
    void FrameOval(const RECT& rect) override;
    void FillOvalBW(const RECT& rect, bool black) override;
    void EraseRect(const RECT& rect) override;
    void FillRectColor(const RECT& rect, int n) override;
    void FillRectRgn(const RECT& rect) override;
    void FrameRectangle(const RECT& rect) override;
    void FrameRoundRect(const RECT& rect, int w, int h) override;
    void FrameOvalAlt(const RECT& rect) override;
    void SetClipRect(const RECT& rect) override;
    void Arc(const RECT& rect, int x1, int y1, int x2, int y2) override;
    void DrawImageRect(const RECT& rect, int a, int b) override;
    int CharWidth(int c) override;
    int TextWidth(const char* s) override;
    int GetPenWidth() override;
    POINT GetPenPos() override;
    void GetClipRect(RECT* rect) override;
    void GetFontRef(FontRef* out) override;
    void GetFontMetrics(FontMetrics16* out) override;
    void GetGlyphMetrics(FontMetrics16* out, int c) override;
    void SetFont(int face, int size, int style) override;
    void SetFontFull(int face, int size, int style, int angle, int width) override;
    void SetPenWidth(int w) override;
    void DrawGlyph(int x, int y, int c) override;
    void DrawGlyphCentered(int x, int y, int c) override;
    int SetMusicMetrics(int* widthOut, int* lineOut, int value, int size) override;
    void DrawGlyphAdjusted(int x, int y, int c) override;
    void DrawBarline(int x, int yTop, int yBottom, int kind, int align) override;
    void DrawBeam(int x1, int ya, int x2, int yb, int clipLeft, int y1, int clipRight, int y2, int thickness,
                  bool leftEnd, bool rightEnd, int level, int spacing, bool upperShift, bool lowerShift) override;
    void DrawMultiRestBar(int x1, int ya, int x2, int yb, int clipLeft, int y1, int clipRight, int y2, int count,
                          bool shift, bool rightEnd) override;
    void DrawPlacedGlyph(int x, int y, int c, int mode) override;
    void DrawGlyphBold(int x, int y) override;
    void DrawGlyphPair(int x, int y, int c, bool shifted) override;
    void DrawStaffLines(int x1, int yTop, int x2, int mask, int spacing, int width) override;
    void DrawLedgerLines(int x, int y, int position, int spacing, int width) override;
    void DrawBezier(const POINT* points, int thickness, int mode, int style) override;
    void DrawStem(int x, int yFrom, int yTo, bool up) override;
    void FillRotatedShape(int x1, int y1, int x2, int y2, int size, bool notched, bool filled) override;
    void DrawArcShape(int x1, int y1, int x2, int y2, bool straight, int size) override;
    void DrawTextAngled(const char* s, int x, int y, int degrees) override;
    void DrawGraphicShape(const RECT& rect, int kind, int penWidth, int style, int param) override;
    void FillOval(int x, int y, int w, int h, bool filled) override;

    // Slots that the printing artist adds.
    virtual void Slot105() {}
    virtual void Slot106() {}
    virtual void LineNoWidth(int x1, int y1, int x2, int y2);
    virtual void Slot108(int, int, int, int, int, int, int, int, int) {}
    virtual int Slot109() { return 0; }

    int nominalPenWidth = 20;
    int resX = 72, resY = 72;

private:
    int NudgeY() { return MapY(glyphNudge) / 2; }
};

// The picture drawing of the page code for DrawImageRect (rectangle in printer pixels). Final as
// it stands: a picture placeholder has no content to draw, so the page code puts nothing in and
// nothing is drawn.
using PageImageDrawFn = void (*)(const RECT& deviceRect, int a, int b);
PageImageDrawFn& PageImageDrawer();
