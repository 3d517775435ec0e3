// The device context: everything the program draws goes through a CDC. A CDC draws into a
// window (its backing picture, which the window shows), into a memory bitmap, or onto a
// printer page; one with no target only measures.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Types.h"

class CWnd;

// GetDeviceCaps indices.
enum : int {
    TECHNOLOGY = 2,
    HORZSIZE = 4,
    VERTSIZE = 6,
    HORZRES = 8,
    VERTRES = 10,
    BITSPIXEL = 12,
    PLANES = 14,
    NUMCOLORS = 24,
    RASTERCAPS = 38,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
    PHYSICALWIDTH = 110,
    PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112,
    PHYSICALOFFSETY = 113,
};
enum : int { DT_RASDISPLAY = 1, DT_RASPRINTER = 2 };

// DrawEdge.
enum : UINT {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_RECT = 0xF,
};

class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // --- kinds ---
    // A memory DC that suits drawing like dc (null: like the screen); it draws into the
    // bitmap selected into it.
    bool CreateCompatibleDC(CDC* dc);
    // A DC that only measures, like the screen (the "DISPLAY" information context).
    bool CreateIC();
    // Draws into the window's backing picture, which the window shows; false when the window
    // has none.
    bool AttachWindow(CWnd* wnd);
    CWnd* GetWindow() const;
    // Lets go of the target; the DC measures only afterwards.
    void DeleteDC();
    // True while the DC has a target or measures (the device-context handle of the original).
    bool HasDC() const;
    bool IsPrinting() const;

    // --- attributes ---
    COLORREF SetTextColor(COLORREF c);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    UINT SetTextAlign(UINT align);
    UINT GetTextAlign() const;
    int SetROP2(int mode);
    int GetROP2() const;
    int SetStretchBltMode(int mode);
    POINT SetWindowOrg(int x, int y);
    POINT GetWindowOrg() const;
    int GetDeviceCaps(int index) const;

    // --- objects ---
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    // Selects a stock object; returns what it replaced (of the same kind).
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;

    // --- clipping (regions in device units) ---
    int SelectClipRgn(const CRgn* rgn);
    // The clip box in logical units (the whole target when unclipped).
    int GetClipBox(RECT* out) const;
    bool PtVisible(int x, int y) const;

    // --- text (code page 936 strings) ---
    virtual bool TextOut(int x, int y, const char* text, int length);
    virtual bool ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, int length);
    SIZE GetTextExtent(const char* text, int length) const;
    // Advance width of one character code (a byte, or a double-byte character as lead << 8 | trail).
    int GetCharWidth(UINT c) const;
    bool GetTextMetrics(TEXTMETRIC* out) const;
    bool GetOutlineTextMetrics(OUTLINETEXTMETRIC* out) const;
    int GetTextCharset() const;
    std::string GetTextFace() const;

    // --- lines and shapes ---
    POINT MoveTo(int x, int y);
    bool LineTo(int x, int y);
    POINT GetCurrentPosition() const;
    bool Rectangle(int l, int t, int r, int b);
    bool RoundRect(int l, int t, int r, int b, int w, int h);
    bool Ellipse(int l, int t, int r, int b);
    bool Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2);
    bool Polygon(const POINT* pts, int count);
    bool Polyline(const POINT* pts, int count);
    bool PolyBezier(const POINT* pts, int count);
    bool BeginPath();
    bool EndPath();
    bool WidenPath();
    bool StrokePath();
    bool FillPath();

    // --- fills ---
    void FillRect(const RECT* rect, CBrush* brush);
    void FillSolidRect(const RECT* rect, COLORREF c);
    bool FillRgn(const CRgn* rgn, CBrush* brush);
    void InvertRect(const RECT* rect);
    bool DrawEdge(RECT* rect, UINT edge, UINT flags);
    COLORREF GetPixel(int x, int y) const;
    COLORREF SetPixel(int x, int y, COLORREF c);

    // --- blits ---
    bool BitBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, DWORD rop);
    bool StretchBlt(int x, int y, int w, int h, CDC* src, int sx, int sy, int sw, int sh, DWORD rop);
    bool PatBlt(int x, int y, int w, int h, DWORD rop);
    // Draws a bitmap at its own size.
    bool DrawBitmap(int x, int y, const CBitmap& bitmap);
    // Draws part of a bitmap, leaving out pixels of the mask colour.
    bool DrawBitmapTransparent(int x, int y, const CBitmap& bitmap, int sx, int sy, int w, int h, COLORREF mask);
    // Moves the pixels of rect by (dx, dy) inside clip; the part left uncovered goes to update.
    bool ScrollDC(int dx, int dy, const RECT* rect, const RECT* clip, RECT* update);

    // --- test hook ---
    // While recording, every drawing call appends one line ("LineTo 10 20") to the log.
    void StartRecording();
    std::vector<std::string> TakeRecording();

    struct Impl;
    Impl* impl() const { return impl_.get(); }

protected:
    std::unique_ptr<Impl> impl_;
};

// A printer page DC: prints through the system's printing (a CUPS printer) or into a PDF file.
class CPrinterDC : public CDC {
public:
    CPrinterDC();
    ~CPrinterDC() override;
    // Output into a PDF file at the resolution (pixels per inch) on paper of the size
    // (in 1/72 inch; 0 for A4), with margins of `margin` points on each side.
    bool CreatePdf(const std::string& utf8Path, int dpi, int paperWidth = 0, int paperHeight = 0, int margin = 18);
    // Output to the named system printer (empty: the default one); false when there is none.
    bool CreatePrinter(const std::string& printerName, int dpi = 600);
    // Before StartDoc: the sheet upright or sideways (the printer's paper turned), and how many
    // copies the printer makes of the document.
    void SetLandscape(bool landscape);
    void SetCopies(int copies);
    // A print preview: each side is drawn into a picture of the paper (in 1/72 inch) at the
    // resolution, as a printer without hardware margins would print it; the side last started
    // can be drawn into another device context, stretched into a rectangle.
    bool CreatePreview(int dpi, int paperWidth, int paperHeight);
    bool DrawPreviewSide(CDC& target, const RECT& where) const;
    bool StartDoc(const char* title);
    bool StartPage();
    bool EndPage();
    bool EndDoc();
    void AbortDoc();
};

namespace fw {
// Names of the system's printers (UTF-8), the default one first; empty without any.
std::vector<std::string> PrinterNames();
}  // namespace fw
