// Drawing objects of the framework: pens, brushes, fonts, bitmaps and regions, with the
// constants and records that describe them. Plain C++; the drawing itself lives in DC.h.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Types.h"

// Pen styles.
enum : int { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5 };
// Drawing modes (SetROP2).
enum : int {
    R2_BLACK = 1,
    R2_NOT = 6,  // inverts what lies under the pen; drawing twice restores it
    R2_XORPEN = 7,
    R2_NOP = 11,
    R2_COPYPEN = 13,
    R2_WHITE = 16,
};
// Text alignment.
enum : UINT {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};
// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
// Stretch modes.
enum : int { BLACKONWHITE = 1, COLORONCOLOR = 3, HALFTONE = 4 };
// Raster operations of the blits.
enum : DWORD {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    NOTSRCCOPY = 0x00330008,
    MERGECOPY = 0x00C000CA,
    MERGEPAINT = 0x00BB0226,
    PATCOPY = 0x00F00021,
    DSTINVERT = 0x00550009,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};
// Stock objects.
enum : int {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    HOLLOW_BRUSH = NULL_BRUSH,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    SYSTEM_FONT = 13,
};
// Font weights, character sets and precisions.
enum : int { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };
enum : BYTE { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, GB2312_CHARSET = 134 };
enum : BYTE { OUT_DEFAULT_PRECIS = 0, OUT_TT_PRECIS = 4, OUT_TT_ONLY_PRECIS = 7 };
// Font types reported by the font enumeration.
enum : WORD { RASTER_FONTTYPE = 1, DEVICE_FONTTYPE = 2, TRUETYPE_FONTTYPE = 4 };
// Region combination.
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// Region kinds returned by the region and clip operations.
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

constexpr int LF_FACESIZE = 32;

struct LOGFONT {
    LONG lfHeight = 0;       // negative: character height (em) in pixels; positive: cell height
    LONG lfWidth = 0;        // average character width; 0 = natural
    LONG lfEscapement = 0;   // tenths of a degree, counter-clockwise
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = DEFAULT_CHARSET;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmCharSet = 0;
};

// The part of the outline metrics the program reads.
struct OUTLINETEXTMETRIC {
    UINT otmSize = sizeof(OUTLINETEXTMETRIC);
    TEXTMETRIC otmTextMetrics;
    int otmAscent = 0;
    int otmDescent = 0;
};

struct LOGPEN {
    UINT lopnStyle = PS_SOLID;
    POINT lopnWidth;  // x is the width
    COLORREF lopnColor = 0;
};

class CDC;

// Base of every drawing object. Objects are values held by pointer in a device context; an
// object that is deleted while selected stays usable there until it is replaced.
class CGdiObject {
public:
    enum class Kind { None, Pen, Brush, Font, Bitmap, Region };
    CGdiObject();
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // True while the object holds a created object (the framework's "handle").
    bool IsValid() const;
    explicit operator bool() const { return IsValid(); }
    // Frees the object; false when there was none.
    bool DeleteObject();
    Kind GetKind() const;

    // Stock objects are shared and never deleted.
    static CGdiObject* GetStockObject(int index);

    struct Data;
    std::shared_ptr<Data> data() const { return data_; }

protected:
    std::shared_ptr<Data> data_;
    bool stock_ = false;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    bool CreatePen(int style, int width, COLORREF color);
    bool CreatePenIndirect(const LOGPEN& lp) { return CreatePen(int(lp.lopnStyle), lp.lopnWidth.x, lp.lopnColor); }
    bool GetLogPen(LOGPEN* out) const;
};

class CBitmap;

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    bool CreateSolidBrush(COLORREF color);
    // A brush that tiles the bitmap (copied at creation).
    bool CreatePatternBrush(const CBitmap& bitmap);
    COLORREF GetColor() const;
};

class CFont : public CGdiObject {
public:
    CFont() = default;
    bool CreateFontIndirect(const LOGFONT& lf);
    bool GetLogFont(LOGFONT* out) const;
};

// A bitmap of 32-bit pixels (device colours 0x00BBGGRR in the program's terms).
class CBitmap : public CGdiObject {
public:
    CBitmap() = default;
    bool CreateBitmap(int width, int height);
    // A bitmap that suits drawing on dc, width x height pixels, white.
    bool CreateCompatibleBitmap(CDC* dc, int width, int height);
    // Loads a picture file (PNG, BMP); false when it cannot.
    bool LoadFile(const std::string& utf8Path);
    // The program's bitmap resource by id: a strip of the strip table (framework/Strips.h),
    // else resources/bitmaps/<id>.png or .bmp in the installed data folder; false when the
    // program has no picture for it.
    bool LoadBitmap(UINT id);
    SIZE GetSize() const;
    COLORREF GetPixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF c);
    // Writes a PNG file; false when it cannot.
    bool SavePng(const std::string& utf8Path) const;
    // Compares with another bitmap: the number of pixels whose colours differ by more than
    // tolerance in any channel (width or height differing counts every pixel).
    long CountDifferences(const CBitmap& other, int tolerance) const;
};

class CRgn : public CGdiObject {
public:
    CRgn() = default;
    bool CreateRectRgn(int left, int top, int right, int bottom);
    bool CreateRectRgnIndirect(const RECT& r) { return CreateRectRgn(r.left, r.top, r.right, r.bottom); }
    bool CreateEllipticRgn(int left, int top, int right, int bottom);
    bool CreatePolygonRgn(const POINT* pts, int count);
    int CombineRgn(const CRgn* a, const CRgn* b, int mode);
    void OffsetRgn(int dx, int dy);
    bool PtInRegion(int x, int y) const;
    int GetRgnBox(RECT* out) const;
};

namespace fw {

// Makes sure the process has the application object that fonts and pictures need (created
// here, once, when the program has not made its own yet). Tools and tests call it first.
void EnsureGraphics();

// The colour of a system element (COLOR_... indices of the window system).
enum : int {
    COLOR_WINDOW = 5,
    COLOR_WINDOWTEXT = 8,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_BTNTEXT = 18,
    COLOR_BTNHIGHLIGHT = 20,
};
COLORREF GetSysColor(int index);

}  // namespace fw
