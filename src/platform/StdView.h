// The base of the small scrolling views inside tool windows: it creates itself as a child at a
// given place, scrolls a content rectangle in pixels, and hands painting, presses and keys to
// its subclass or its tool window with the current drawing port set up.
#pragma once
#include <cstdint>

#include "framework/View.h"

class CStdView : public CScrollView {
public:
    CStdView();
    ~CStdView() override;

    // A new view of this class (the views are made by class).
    static CStdView* CreateObject();

    // Creates the view as a visible child of parent from (x, y) to the parent's client width
    // and height; width and height 0 follow the parent's layout, other values are kept.
    virtual BOOL CreateView(CWnd* parent, int x, int y, int width, int height);   // 68
    // Paints a rectangle given in content coordinates.
    virtual void DrawContent(const RECT& rect);                                   // 69
    // A press at a point in content coordinates.
    virtual void OnMouseDown(int x, int y, UINT flags);                           // 70
    // Moves the window contents by (dx, dy).
    virtual void ScrollWindowBy(int dx, int dy);                                  // 71

    void OnDraw(CDC* dc) override;

    void SetPageSize(int cx, int cy);
    // Stores the content rectangle and sets the scroll sizes from it.
    void SetScrollRect(const RECT& rect);
    void GetScrollPosition(POINT* pt) const;
    using CScrollView::GetScrollPosition;
    void RedrawAll();
    // Invalidates a content rectangle (null: everything), erasing it.
    void InvalidateContent(const RECT* rect);
    // The view's rectangle in its parent's layout rectangle: it starts at (placeX, placeY);
    // a fixed width or height fixes the right or bottom edge.
    virtual void CalcWindowRect(RECT* rect);
    // Lays the view out in its parent's client area.
    void FitToParent();

    RECT contentRect;
    std::int32_t placeX = 0, placeY = 0;
    std::int32_t placeWidth = 0, placeHeight = 0;
    std::int32_t pageX = 16, pageY = 16;

    // The first pane id of a frame's views.
    static constexpr UINT kFirstPaneId = 0xE900;

protected:
    void OnPaint() override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnKeyDown(UINT vk, UINT repeat, UINT flags) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    void OnSize(UINT type, int cx, int cy) override;

public:
    BOOL OnScrollBy(SIZE scrollSize, BOOL doScroll = TRUE) override;

private:
    void Press(UINT flags, POINT pt, int clicks);
    void SendKeyToToolWindow(UINT code, UINT repeat, UINT flags);
};
