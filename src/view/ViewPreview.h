// The print preview: a window over the score window's client area that shows one sheet side at a
// time as the print run would put it on paper (the layout options, the zoom at 100 %, no rulers),
// fitted into the window on the gap colour. Page Down, the right arrow, the space bar and a click
// show the next side, Page Up and the left arrow the one before, Home and End the first and the
// last; Escape or Enter closes it and the score window is as it was.
#pragma once
#include <memory>

#include "framework/DC.h"
#include "framework/Window.h"
#include "view/ViewPrint.h"

class CZelView;

class CPreviewWnd : public CWnd {
public:
    // Starts the preview of the view's score over its score window; false (nothing shown) when
    // the score has nothing to print.
    bool Start(CZelView* view);
    // Ends the preview: the print run ends and the window goes.
    void End();
    int GetSide() const { return info_.curPage; }
    int GetSideCount() const { return info_.maxPage; }
    void ShowSide(int side);
    // The sheet's place in the window for its current size.
    RECT SheetRect() const;

protected:
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnSize(UINT type, int cx, int cy) override;

private:
    // Draws the current side into the preview picture at a resolution that fits the window.
    void RenderSide();
    CZelView* view_ = nullptr;
    CPrintInfo info_;
    std::unique_ptr<CPrinterDC> dc_;
    int paperWidth_ = 0, paperHeight_ = 0;  // the sheet, 1/72 inch
    bool rendered_ = false;
};
