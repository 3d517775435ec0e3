// The multiple-document area: child frames inside a client window of the main frame, one of
// them active at a time.
//
// A press anywhere in a child frame (or in one of its windows) and the focus entering it make
// it the active child: the child active before is sent WM_MDIACTIVATE first, then the new one,
// before the press itself is handled, so that a frame can tell the click that activated it.
// When the active child goes away, the next child of the area becomes active. The main frame's
// commands go to the active child (its view first) before the frame's own table. A child frame
// made without an area is a window of its own and is activated only by MDIActivate.
#pragma once
#include "framework/Window.h"

class CView;

class CMDIChildWnd : public CWnd {
public:
    CMDIChildWnd();
    ~CMDIChildWnd() override;

    // Makes the frame as a child of the area `client` over rect (client coordinates), or as a
    // window of its own over rect on the screen when client is null. False when it cannot.
    bool CreateFrame(CWnd* client, const RECT& rect, const char* title);
    // Makes this frame the area's active child (and brings it to the top); the one active
    // before is deactivated first. Nothing happens when it is active already.
    void MDIActivate();
    bool IsActive() const;
    // The active child frame of an area (null when none).
    static CMDIChildWnd* MDIGetActive(const CWnd* client);

    // Maximised, the frame fills its area's client rectangle and follows it when the area is
    // resized; restored, it goes back to its normal rectangle.
    void MDIMaximize();
    void MDIRestore();
    bool IsMaximized() const { return maximized_; }
    // The rectangle the frame has when not maximised (area client coordinates).
    RECT GetNormalRect() const;
    void SetNormalRect(const RECT& rect);

    // The view that gets the frame's commands first and hears its activation.
    void SetActiveView(CView* view) { activeView_ = view; }
    CView* GetActiveView() const { return activeView_; }
    // Commands: the active view's table, then the frame's own.
    BOOL OnCmdMsg(UINT id, int code) override;

protected:
    // WM_MDIACTIVATE: activate is true for the frame being activated; the frames activated and
    // deactivated (either may be null). The base tells the active view.
    virtual void OnMDIActivate(BOOL activate, CWnd* activateWnd, CWnd* deactivateWnd);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend struct MdiArea;
    CView* activeView_ = nullptr;
    bool maximized_ = false;
    RECT normal_{};
};

namespace fw {
// The active child frame of the area that holds the frame window `frame` (its first child that
// is an area with an active child), or null.
CMDIChildWnd* ActiveChildOfFrame(const CWnd* frame);
}  // namespace fw
