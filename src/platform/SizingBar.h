// Control bars that the user resizes by dragging their edges, docked at a side of the main
// frame or floating, remembering one size per docking state; bars docked in one row share the
// row's length and stay aligned edge to edge. The gripper form adds, while docked, a strip with
// two grip lines and a small close button. Every floating tool window stands on the gripper form.
#pragma once
#include <cstdint>
#include <vector>

#include "framework/ControlBar.h"

// Non-client hit codes of the sizing edges and the close button.
enum : int {
    HTLEFT = 10,
    HTRIGHT = 11,
    HTTOP = 12,
    HTTOPLEFT = 13,
    HTTOPRIGHT = 14,
    HTBOTTOM = 15,
    HTBOTTOMLEFT = 16,
    HTBOTTOMRIGHT = 17,
    HTCLOSE = 20,
};

class CSizingControlBar : public CControlBar {
public:
    // Edge-style bits: the four sizing edges (worked out at every client-area calculation),
    // raised edges, and children stretched with the bar.
    enum : DWORD { kEdgeLeft = 1, kEdgeRight = 2, kEdgeTop = 4, kEdgeBottom = 8, kShowEdges = 0x10, kSizeChildren = 0x20 };

    CSizingControlBar();
    ~CSizingControlBar() override;

    // Makes the bar (hidden) in the frame: the bar-style bits of style stay the bar's style.
    virtual BOOL Create(const char* title, CFrameWnd* frame, UINT id, DWORD style);
    // The same with all three sizes set to defaultSize (the fourth argument is not used).
    virtual BOOL Create(const char* title, CFrameWnd* frame, SIZE defaultSize, BOOL unused, UINT id, DWORD style);
    // The six sizes under "<profile>-SCBar-<id>" in the settings store: a missing value keeps
    // the current size, a value below its minimum loads as the minimum.
    virtual void LoadState(const char* profile);
    virtual void SaveState(const char* profile);

    DWORD GetEdgeStyle() const { return edgeStyle; }
    void SetEdgeStyle(DWORD bits) { edgeStyle = bits & ~DWORD(kEdgeLeft | kEdgeRight | kEdgeTop | kEdgeBottom); }
    bool IsFloatingBar() const;
    bool IsDockedTopOrBottom() const;
    bool IsDockedLeftOrRight() const;

    // 0..3 give the left, top, right and bottom edge codes; others 0.
    static int EdgeHitCode(int index);
    // The rectangle of the edge with the hit code in the window rectangle; false when the bar
    // has no such edge.
    bool EdgeRect(const RECT& window, int code, RECT* out) const;
    // The bar's index in its dock bar's list and its row's first and last index; false when the
    // bar is in no dock bar.
    bool RowRange(int* first, int* last, int* own) const;
    // The visible sizing bars of the bar's row in order, and the bar's place among them (-1
    // when it is not visible).
    std::vector<CSizingControlBar*> RowSizingBars(int* own = nullptr) const;
    // Shares `total` pixels of the row among its sizing bars; false when the row was split
    // before this bar (the layout runs again).
    bool ShareRowLength(int total, bool horz);

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    bool SpansRow() const override { return false; }
    virtual void OnUpdateCmdUI();

    // The non-client answers: hit code of a screen point, and the client rectangle inside a
    // window rectangle (both relative to the same origin).
    virtual int NcHitTest(POINT screen);
    // Floating: the sizing border of the tool window around the bar, the outer
    // kFloatSizingBorder pixels of the bar's own frame (a client point): an edge or corner
    // code, else HTCLIENT.
    int FloatFrameHitCode(POINT client) const;
    static constexpr int kFloatSizingBorder = 3;
    virtual void CalcClientArea(RECT* rect, UINT dockBarId);
    // The client rectangle of the bar's window as the last calculation left it (window
    // coordinates).
    RECT GetClientArea() const { return clientArea_; }

    virtual void BeginEdgeDrag(int code, POINT screen);
    virtual void EndEdgeDrag();
    virtual void TrackEdgeTo(POINT screen);
    virtual void InvertTrackLine();
    virtual void PaintGripper(CDC* dc, const RECT& client);
    virtual void AlignRowBars();

    // Recomputes the edges and client area and repaints the frame.
    void RecalcFrame();

    DWORD edgeStyle = 0;
    std::int32_t dragEdge = 0;
    SIZE sizeHorz{200, 200};
    SIZE sizeVert{200, 200};
    SIZE sizeFloat{200, 200};
    SIZE minHorz{33, 32};
    SIZE minVert{33, 32};
    SIZE minFloat{37, 32};
    std::int32_t trackMin = 0;
    std::int32_t trackMax = 0;
    std::int32_t trackPos = 0;
    std::int32_t trackEdgeOffset = 0;
    bool tracking = false;
    bool keepSize = false;
    bool parentSizing = false;
    bool fullDrag = true;
    UINT dockBarId = 0;
    std::int32_t edgeWidth = 5;
    RECT floatRange{0, 0, 32767, 32767};
    // Whether the inverted tracking line is on the screen now.
    bool trackLineShown = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnShowWindow(BOOL show, UINT status) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnCaptureChanged(CWnd* wnd) override;
    void OnClose() override;
    // The dock bar's id followed; a bar shown docked keeps its length in the next sharing.
    void FollowDocking(bool showing);
    // A press on a non-client part (hit code); true when it was taken.
    virtual bool NcButtonDown(int code, POINT screen);
    virtual bool NcButtonUp(int code, POINT screen);

    RECT clientArea_{};

private:
    bool IsHorz() const { return IsDockedTopOrBottom(); }
    SIZE& DockedSize() { return IsHorz() ? sizeHorz : sizeVert; }
    void ComputeEdges();
};

// The close button of a gripper bar: 11 x 11 pixels at its origin (relative to the bar's
// window).
struct CloseButton {
    bool pushed = false;
    bool raised = false;
    POINT origin{0, 0};
    RECT ButtonRect() const { return RECT{origin.x, origin.y, origin.x + 11, origin.y + 11}; }
    void MoveButton(POINT at) { origin = at; }
    void PaintButton(CDC* dc) const;
};

class CSizingControlBarG : public CSizingControlBar {
public:
    using CSizingControlBar::Create;
    // The least make of a floating tool window: the default size, docking at the top.
    BOOL Create(const char* title, CFrameWnd* frame, SIZE defaultSize, UINT id);

    void OnUpdateCmdUI() override;
    void PaintGripper(CDC* dc, const RECT& client) override;
    void CalcClientArea(RECT* rect, UINT dockBarId) override;
    int NcHitTest(POINT screen) override;
    // True exactly while the bar is docked.
    virtual bool ShowsGripper() const;
    // The bar was asked to close (nothing here).
    virtual void OnCloseBar();

    std::int32_t gripperWidth = 12;
    CloseButton closeButton;

protected:
    void OnClose() override;
    bool NcButtonDown(int code, POINT screen) override;
    bool NcButtonUp(int code, POINT screen) override;

private:
    bool closePressed_ = false;
};
