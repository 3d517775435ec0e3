// The program's light child window: it keeps its position and size in fields, paints through
// the current drawing port, turns mouse messages into calls of its virtual operations with the
// port already set up, follows its parent's size by anchor rules, and runs the mouse loop of a
// mouse task.
#pragma once
#include <cstdint>

#include "framework/Window.h"

// A task driven by a mouse loop (the mouse tools and drags); the pane calls its three entry
// points with points in the pane's client coordinates.
class CMouseTask {
public:
    virtual ~CMouseTask() = default;
    virtual void MouseDown(POINT start) {}
    virtual void MouseMove(POINT current, POINT previous, POINT start) {}
    virtual void MouseUp(POINT current, POINT previous, POINT start) {}
};

class CPane : public CWnd {
public:
    // Anchor codes: stick to the parent's left (top) edge, to its right (bottom) edge, or move
    // and stretch with the parent's change; other values stay where they are.
    enum Anchor : int { kAnchorStart = 0, kAnchorEnd = 1, kAnchorFixed = 2, kAnchorStretch = 3 };

    CPane();
    ~CPane() override;

    // Creates the pane as a visible child of parent at rect and enables it.
    BOOL Create(CWnd* parent, std::intptr_t owner, const RECT& rect, int hAnchor, int vAnchor);

    virtual void Paint(const RECT& client);                                     // 48
    virtual void MouseDown(POINT pt, UINT flags);                               // 49 (also double click)
    virtual void RightMouseDown(POINT pt, UINT flags);                          // 50
    virtual bool WantsFocus();                                                  // 51
    virtual void MouseMove(POINT pt, UINT flags);                               // 52
    // Stores x and y and moves the window (no size change); with redraw, invalidates it.
    virtual void MoveTo(int x, int y, bool redraw);                             // 53
    // Stores x, y, width and height, moves and sizes the window and invalidates it.
    virtual void SetRect(int x, int y, int width, int height);                  // 54
    virtual void PaneHook();                                                    // 55
    // SetRect with each of x, y, width and height changed by the change rectangle's four
    // values, then every child pane follows by the same change.
    virtual void Offset(const RECT& change, bool redraw);                       // 56
    // Spans the parent's client width (horizontal) or starts at its top (vertical).
    virtual void Stretch(bool horizontal, bool vertical);                       // 57
    // Follows the parent's client rectangle by the anchors, then the child panes follow.
    virtual void FollowParent(const RECT& parentClient, const RECT& change);    // 58
    virtual void PaneReserved();                                                // 59

    // Runs a mouse task while a mouse button is down; every point handed to the task lies
    // inside limits.
    void TrackMouse(CMouseTask* task, POINT& start, const RECT& limits);
    void SetEnabled(bool on);
    // Whether the parent's child window at the point (parent client coordinates) is this pane.
    bool IsPaneAt(POINT pt) const;

    std::int32_t x = 0, y = 0;
    std::int16_t width = 0, height = 0;
    std::int16_t hAnchor = 0, vAnchor = 0;
    std::uint8_t enabled = 0;
    std::uint8_t eraseBackground = 1;
    std::int16_t reservedWord = 0;
    std::intptr_t owner = 0;       // kept from Create
    CWnd* createParent = nullptr;  // kept from Create

protected:
    void OnPaint() override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
    BOOL OnEraseBkgnd(CDC* dc) override;

private:
    void Press(UINT flags, POINT pt, int clicks, bool right);
    void ForEachChildPane(const RECT& change);
};
