// The drawing facade: every drawing of scores, views, palettes and dialogs goes through the
// one current artist into the current port. Its operations are virtual so that the printing
// artist can map coordinates and sizes to the printer.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Types.h"
#include "platform/FontRef.h"

class CDC;
struct FontMapSlot;

// Five font measures, each in points of the current font's nominal size.
struct FontMetrics16 {
    std::int16_t ascent = 0;
    std::int16_t descent = 0;
    std::int16_t maxWidth = 0;
    std::int16_t leading = 0;
    std::int16_t internalLeading = 0;
};

// The 144 colours by number: 0-121 the document palette, 122-143 interface colours.
extern COLORREF ColorTable[144];
// Swaps red and blue in every entry (stored 0xRRGGBB to device 0x00BBGGRR).
void ConvertColorTable();

class CArtist {
public:
    CArtist();
    virtual ~CArtist();
    CArtist(const CArtist&) = delete;
    CArtist& operator=(const CArtist&) = delete;

    // --- slots 0-17: state and text ---
    virtual void SetFrameRect(const RECT& rect);                          // 0
    virtual void NoOp(int arg);                                           // 1
    virtual void PushFont();                                              // 2
    virtual void PopFont();                                               // 3
    virtual void SetBackColor(int n);                                     // 4
    virtual void SetColor(int n);                                         // 5
    virtual void SetColorIndirect(int n);                                 // 6
    virtual void DrawCharAtPen(int c);                                    // 7
    virtual void DrawChar(int x, int y, int c);                           // 8
    virtual void DrawCharEx(int x, int y, int c);                         // 9
    virtual void DrawTextAtPen(const char* s);                            // 10
    virtual void DrawText(int x, int y, const char* s);                   // 11
    virtual void DrawTextCentered(int x, int y, const char* s);           // 12
    virtual void DrawTextRight(int x, int y, const char* s);              // 13
    virtual void DrawNumber(int x, int y, int n);                         // 14
    virtual void DrawNumberCentered(int x, int y, int n);                 // 15
    virtual void DrawNumberRight(int x, int y, int n);                    // 16
    virtual void DrawTextEx(int x, int y, const char* s, UINT align);     // 17
    // --- slots 18-47: lines, shapes, fills, clipping ---
    virtual void MoveTo(int x, int y);                                    // 18
    virtual void LineTo(int x, int y);                                    // 19
    virtual void Arc(const RECT& rect, int x1, int y1, int x2, int y2);   // 20
    virtual void LineWidth(int x1, int y1, int x2, int y2, int w);        // 21
    virtual void Line(int x1, int y1, int x2, int y2);                    // 22
    virtual void LineAlt(int x1, int y1, int x2, int y2);                 // 23
    virtual void ThickLine(int x1, int y1, int x2, int y2, int style);    // 24
    virtual void ThickLineAlt(int x1, int y1, int x2, int y2, int style); // 25
    virtual void LineInColor(int x1, int y1, int x2, int y2);             // 26
    virtual void FrameRect(const RECT& rect);                             // 27
    virtual void FrameRectInColor(const RECT& rect);                      // 28
    virtual void FrameOval(const RECT& rect);                             // 29
    virtual void FillOvalBW(const RECT& rect, bool black);                // 30
    virtual void EraseRect(const RECT& rect);                             // 31
    virtual void DrawClipped(const RECT& rect);                           // 32
    virtual void FillRectSysColor(const RECT& rect);                      // 33
    virtual void FillRectColor(const RECT& rect, int n);                  // 34
    virtual void FillRectRgn(const RECT& rect);                           // 35
    virtual void PaintOval(const RECT& rect);                             // 36
    virtual void PaintRoundRect(const RECT& rect, int w, int h);          // 37
    virtual void InvertRect(const RECT& rect);                            // 38
    virtual void DrawImageRect(const RECT& rect, int a, int b);           // 39
    virtual void FrameRectangle(const RECT& rect);                        // 40
    virtual void FrameRoundRect(const RECT& rect, int w, int h);          // 41
    virtual void FrameOvalAlt(const RECT& rect);                          // 42
    virtual void InvertHighlight(const RECT& rect);                       // 43
    virtual void FillHighlight(const RECT& rect);                         // 44
    virtual void SetClipRect(const RECT& rect);                           // 45
    virtual void GetClipRect(RECT* rect);                                 // 46
    virtual void SetWindowOrg(int x, int y);                              // 47
    // --- slots 48-78: measuring, fonts, pens, zoom ---
    virtual int CharWidth(int c);                                         // 48
    virtual int TextWidth(const char* s);                                 // 49
    virtual int SetMusicMetrics(int* widthOut, int* lineOut, int value, int size);  // 50
    virtual void GetFontMetrics(FontMetrics16* out);                      // 51
    virtual void GetGlyphMetrics(FontMetrics16* out, int c);              // 52
    virtual void SetFontFace(int face);                                   // 53
    virtual void SetFontSizeWidth(int size, int width);                   // 54
    virtual void SetFontSize(int size);                                   // 55
    virtual void SetFontStyle(int style);                                 // 56
    virtual void SetBkMode(int mode);                                     // 57
    virtual void GetFontRef(FontRef* out);                                // 58
    virtual void SetFontFull(int face, int size, int style, int angle, int width);  // 59
    virtual void SetFont(int face, int size, int style);                  // 60
    virtual void SetFontRef(const FontRef& ref);                          // 61
    virtual void SetFontRefScaled(const FontRef& ref);                    // 62
    virtual void SetFontSizePct(int pct, int size);                       // 63
    virtual void SetMusicFont(int size);                                  // 64
    virtual void UseFontA();                                              // 65
    virtual void UseFontB();                                              // 66
    virtual POINT GetPenPos();                                            // 67
    virtual int GetPenWidth();                                            // 68
    virtual void SetROP2(int mode);                                       // 69
    virtual void SetCopyMode();                                           // 70
    virtual void DoNothing();                                             // 71
    virtual void SetPenGrey();                                            // 72
    virtual void SetPenBlack();                                           // 73
    virtual void SetPenStyle(int style);                                  // 74
    virtual void SetPenWidth(int w);                                      // 75
    virtual int Scale(int v);                                             // 76
    virtual int GetZoom();                                                // 77
    virtual int SetZoom(int z);                                           // 78
    // --- slots 79-97: music shapes ---
    virtual void DrawGlyphAdjusted(int x, int y, int c);                  // 79
    virtual void DrawBarline(int x, int yTop, int yBottom, int kind, int align);  // 80
    virtual void DrawBeam(int x1, int ya, int x2, int yb, int clipLeft, int y1, int clipRight, int y2, int thickness,
                          bool leftEnd, bool rightEnd, int level, int spacing, bool upperShift, bool lowerShift);  // 81
    virtual void DrawMultiRestBar(int x1, int ya, int x2, int yb, int clipLeft, int y1, int clipRight, int y2,
                                  int count, bool shift, bool rightEnd);  // 82
    virtual void DrawPlacedGlyph(int x, int y, int c, int mode);          // 83
    virtual void DrawGlyphBold(int x, int y);                             // 84
    virtual void DrawGlyphInRect(const RECT& rect);                       // 85
    virtual void DrawWavyLine(int x1, int y1, int x2, int y2, bool wavy); // 86
    virtual void DrawGlyphPair(int x, int y, int c, bool shifted);        // 87
    virtual std::int32_t DrawGlyphRun(int x1, int y1, int x2, int y2, int c);  // 88
    virtual void DrawStaffLines(int x1, int yTop, int x2, int mask, int spacing, int width);  // 89
    virtual void DrawLedgerLines(int x, int y, int position, int spacing, int width);  // 90
    virtual void DrawBezier(const POINT* points, int thickness, int mode, int style);  // 91
    virtual void DrawStem(int x, int yFrom, int yTo, bool up);            // 92
    virtual void DrawCurve(const POINT* points, int thickness, int style);  // 93
    virtual void FillRotatedShape(int x1, int y1, int x2, int y2, int size, bool notched, bool filled);  // 94
    virtual void DrawArcShape(int x1, int y1, int x2, int y2, bool straight, int size);  // 95
    virtual void DrawTextAngled(const char* s, int x, int y, int degrees);  // 96
    virtual void DrawGraphicShape(const RECT& rect, int kind, int penWidth, int style, int param);  // 97
    // --- slots 98-104 ---
    virtual int MapX(int v);                                              // 98
    virtual int MapY(int v);                                              // 99
    virtual void DrawGlyphCentered(int x, int y, int c);                  // 100
    virtual void DrawGlyph(int x, int y, int c);                          // 101
    virtual int GlyphWidth(int c);                                        // 102
    virtual void FillRectRgnAt(int x1, int y1, int x2, int y2, int w);    // 103
    virtual void FillOval(int x, int y, int w, int h, bool filled);       // 104

    // --- non-virtual members ---
    void PushColor();
    void PopColor();
    void PushBackColor();
    void PopBackColor();
    void PushClip();
    void PopClip();
    COLORREF GetColorValue(int n) const;
    void SetTextAndPenColor(COLORREF c);
    bool GetCurrentLogPen(LOGPEN* out);
    void ApplyLogPen(const LOGPEN& lp);
    void SetFontAngle(int degrees);
    bool SetPaletteColor(int n);
    void SetRoleColor(int role);
    void DrawHandle(int x, int y, bool filled);
    void InitColorTable();
    // Interface drawing.
    void DrawButtonEdge(const RECT& rect, bool pressed);
    void DrawFieldFrame(const RECT& rect, bool scroll);
    void DrawTabEdge(const RECT& rect);
    void DrawTickMark(int x, int y);
    void DrawStripImage(int x, int y, int id, int index, int mode);
    void DrawPaletteIcon(int x, int y);
    void DrawBitmapRes(int x, int y, int id);
    void DrawColorSwatch(const RECT& rect, int kind, bool arrow);
    void DrawSwatchLabel(const RECT& rect, const char* text, int kind, int style, bool centred);
    void ScrollRect(const RECT& rect, int dx, int dy, RECT* update);
    void FillRectPattern(const RECT& rect, const CBitmap& bitmap);
    void FillRectBitmapRes(const RECT& rect, int id);
    void FillRectBackground(const RECT& rect);
    // Music glyph helpers.
    const FontMapSlot* SelectMappedGlyphFont(int c);
    int FillCharRun(char* buffer, int length, int c);
    void DrawAccidentalText(int x, int y, const char* s);

    // The names the note, mark and view code use for some of the operations above.
    int SetNoteMetrics(int* widthOut, int* lineOut, int value, int size) {
        return SetMusicMetrics(widthOut, lineOut, value, size);
    }
    void DrawTextMapped(const char* s, int x, int y, int degrees) { DrawTextAngled(s, x, y, degrees); }
    void SetTextAngle(int degrees) { SetFontAngle(degrees); }
    void SetFontFaceSize(int face, int size) { SetFont(face, size, currentFont.style); }
    // A line with a pen width for this line only (the previous width comes back).
    void LineKeepWidth(int x1, int y1, int x2, int y2, int w);
    void FillRectRGB(const RECT& rect, COLORREF c);

    // --- state (the port stack and the font list reach it) ---
    std::int32_t zoom = 100;
    std::int32_t colorIndex = 0;
    std::vector<std::int32_t> colorStack;  // grows as deep as the nesting goes
    COLORREF backColorStack[7] = {};
    std::int32_t backColorDepth = 0;
    std::vector<RECT> clipStack;
    std::vector<FontRef> fontStack;
    std::uint8_t fontDirty = 0;
    std::int32_t fontAngle = 0;  // tenths of a degree
    std::int32_t fontWidth = 0;
    std::int32_t musicCharWidth = 0;
    std::int32_t musicLineWidth = 0;
    std::int32_t glyphNudge = 0;
    // What a staff's position-to-y left for the line and glyph drawing after it: 0, or 1 (-1)
    // when the y lies half a pixel below (above) the position at an odd space height.
    std::int32_t halfPixelHint = 0;
    RECT frameRect;
    FontRef currentFont{FontRef::kNoFace, 9, 0, 0};
    CPen pen;
    CPen* savedPen = nullptr;
    CFont* savedFont = nullptr;

    int CurrentFace() const { return currentFont.face == FontRef::kNoFace ? -1 : int(currentFont.face); }
    int CurrentSize() const { return std::int16_t(currentFont.size); }

protected:
    CDC* Port() const;
    void DrawTextAligned(int x, int y, const char* s, UINT align);
    void TextOutAt(int x, int y, const char* s);
    int MusicFace() const;
    // The glyph drawing of DrawGlyph with the font map (x, y in port units).
    // device: the coordinates are already port units (the printing artist), so the character
    // is drawn and measured by this class's own operations.
    void DrawGlyphMapped(int x, int y, int c, bool device);
    int MappedGlyphWidth(int c, bool device);
    void SelectFaceTemporarily(int face);
    void SelectOwnFont();
};

// The document font map the artist draws glyphs through (null: none).
void SetArtistFontMap(struct FontMap* map);
