// The document's side of the score view and its page panes: what the document, the page drawing
// and the edit operations ask of them. The score view (view/ZelView.h) and its page panes
// (view/PagePane.h) implement it; the document runs without them, and tests put recording
// doubles in their place.
#pragma once
#include "framework/Types.h"

class CDC;
class CMouseTask;
class CWnd;
class CBarItem;

// One page on screen.
class CPagePaneBase {
public:
    virtual ~CPagePaneBase() = default;
    // The page the pane shows.
    virtual int GetPageIndex() const { return pageIndex; }
    virtual void SetPage(int page) { pageIndex = page; }
    // Switches the blinking insertion cursor off (erasing it when drawn).
    virtual void CursorOff() {}
    // The playback cursor drawn while the score plays (off: erased when shown).
    virtual void SetPlaybackCursorEnabled(bool on) {}
    // Closes the pane's in-place text editor: the editor goes, the document's and the view's
    // pointers to it are cleared and the pane is drawn again. Nothing without one.
    virtual void CloseTextEditor() {}
    // The pane's window, which the in-place text editor is a child of; null without one.
    virtual CWnd* PaneWindow() { return nullptr; }
    // The text editor asks for a new rectangle (pane pixels).
    virtual void OnRequestResize(const RECT& rect) {}
    // Lyric entry: starts it at a pane point on a note or syllable (or the insertion point's
    // note), and the keys the lyric editor hands over (true: handled). Nothing without a view.
    virtual bool StartLyricEntry(int x, int y, CBarItem* item) { return false; }
    virtual bool OnLyricKey(int key) { return false; }
    virtual void Invalidate() {}
    // A rectangle of the page (view pixels, the paper's top-left at 0, 0) to draw again.
    virtual void InvalidatePageRect(const RECT& rect) { Invalidate(); }
    // Whether the pane is on screen.
    virtual bool IsShown() const { return true; }
    // The pane's top in the view, pixels.
    virtual int GetTop() const { return 0; }
    // Points dc at what the pane shows, for drawing outside a paint, with the page's paper
    // rectangle at the surface's top-left. False when there is nothing to draw on.
    virtual bool AttachDrawing(CDC& dc) { return false; }
    // Runs a mouse task while the button is down (pane pixels; the pointer may leave the pane,
    // and the current drawing port is the pane's); nothing where there is no window.
    virtual void TrackMouse(CMouseTask* task, POINT start) {}
    // Scrolls the view towards a pane point outside what it shows; true when it scrolled.
    virtual bool AutoScroll(POINT point) { return false; }

    int pageIndex = 0;
};

// The score view: its window, scroll position and page panes.
class CZelViewBase {
public:
    virtual ~CZelViewBase() = default;
    // The score window's client area, pixels.
    virtual SIZE GetClientSize() const { return {}; }
    virtual POINT GetScrollPosition() const { return {}; }
    // The view's scroll range: its minimum and maximum in each direction.
    virtual RECT GetScrollRange() const { return {}; }
    virtual void ScrollTo(POINT position) {}
    // Lets the view place its page panes (its document and score given).
    virtual void PositionPanes() {}
    virtual void Invalidate() {}
    virtual void Update() {}
    // Shows or hides the rulers.
    virtual void ShowRulers(bool on) {}
    // The pane of a page, null when it has none.
    virtual CPagePaneBase* GetPagePane(int page) { return nullptr; }
    // The pane the single-page arrangement shows.
    virtual CPagePaneBase* GetSinglePane() { return nullptr; }
    // The document's title or its modified mark changed.
    virtual void TitleChanged() {}
    // The score window's placement: whether it is maximised and its normal rectangle; false
    // when the view has no score window.
    virtual bool GetWindowPlacement(bool& maximised, RECT& rect) const { return false; }
    // Shows the score window maximised or normal over rect (nothing without a score window).
    virtual void SetWindowPlacement(bool maximised, const RECT& rect) {}
};
