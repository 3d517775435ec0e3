// Views: windows that draw a content through OnDraw, and views that scroll it.
//
// A CView paints by preparing its paint DC (OnPrepareDC) and calling OnDraw. A CScrollView
// keeps a total size, a page and a line amount and its own scroll bars in step with them:
// the bars appear when the total exceeds the client area, the scroll messages (and the wheel)
// move the position within the limits, and OnPrepareDC shifts the DC's origin by it.
#pragma once
#include "framework/Window.h"

class CDocument;

// Mapping modes: logical units of a DC.
enum : int {
    MM_TEXT = 1,       // pixels
    MM_LOMETRIC = 2,   // 0.1 mm
    MM_HIMETRIC = 3,   // 0.01 mm
    MM_LOENGLISH = 4,  // 0.01 inch
    MM_HIENGLISH = 5,  // 0.001 inch
    MM_TWIPS = 6,      // 1/1440 inch
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8,
};

// Print commands.
enum : UINT { ID_FILE_PRINT = 57607, ID_FILE_PRINT_DIRECT = 57608, ID_FILE_PRINT_PREVIEW = 57609 };

class CView : public CWnd {
public:
    CView();
    ~CView() override;

    virtual void OnDraw(CDC* dc);
    virtual void OnPrepareDC(CDC* dc, void* printInfo = nullptr);
    virtual void OnInitialUpdate();
    // Called by whatever the view shows when it changed; the base invalidates the view.
    virtual void OnUpdate(CView* sender, LPARAM hint, void* hintObject);
    // The frame holding the view was activated or deactivated (framework/Mdi.h); the base gives
    // an activated view the focus.
    virtual void OnActivateView(BOOL activate, CView* activateView, CView* deactivateView);
    // The document the view shows (null: none); it gets the commands the view does not take.
    virtual CDocument* GetDocument() const { return nullptr; }
    // The view's own table, then its document's.
    BOOL OnCmdMsg(UINT id, int code) override;

protected:
    void OnPaint() override;
};

class CScrollView : public CView {
public:
    CScrollView();
    ~CScrollView() override;

    // Total size, page and line amounts in logical units of the mapping mode; a zero page is a
    // tenth of the total, a zero line a tenth of the page.
    void SetScrollSizes(int mapMode, SIZE total, SIZE page = SIZE{}, SIZE line = SIZE{});
    SIZE GetTotalSize() const;  // logical
    int GetMapMode() const;
    // The scroll position in logical units and in pixels.
    POINT GetScrollPosition() const;
    POINT GetDeviceScrollPosition() const;
    // Scrolls to a logical position (clamped to the limits).
    void ScrollToPosition(POINT pt);

    // Scroll code: low byte the horizontal code, high byte the vertical one (0xFF: none).
    virtual BOOL OnScroll(UINT scrollCode, UINT pos, BOOL doScroll = TRUE);
    virtual BOOL OnScrollBy(SIZE scrollSize, BOOL doScroll = TRUE);
    void OnPrepareDC(CDC* dc, void* printInfo = nullptr) override;
    // Puts the bars in step with the sizes and the client area.
    void UpdateBars();

protected:
    void OnSize(UINT type, int cx, int cy) override;
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    BOOL OnMouseWheel(UINT flags, short delta, POINT pt) override;

    int m_nMapMode = MM_TEXT;
    SIZE m_totalLog;
    SIZE m_totalDev;
    SIZE m_pageDev;
    SIZE m_lineDev;
    bool m_insideUpdate = false;
};

namespace fw {
// A size in logical units of a mapping mode to pixels (96 per inch) and back; MM_TEXT,
// MM_ISOTROPIC and MM_ANISOTROPIC are taken as pixels. Heights come out positive.
SIZE MapModeToDevice(int mapMode, SIZE logical);
SIZE DeviceToMapMode(int mapMode, SIZE device);
}  // namespace fw
