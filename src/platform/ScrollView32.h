// The scrolling view of the score windows: a view over a logical page with a mapping mode,
// total, page and line sizes, scroll bars kept in step with it and wheel scrolling. Its scroll
// ranges may exceed 32767: while the user drags a thumb over such a range, the position is
// taken from the pointer instead of the message.
#pragma once
#include <cstdint>

#include "framework/View.h"

class CScrollView32 : public CView {
public:
    // The mapping mode of a view that shrinks its whole page into the client area.
    static constexpr int kScaleToFit = -1;
    // No thumb drag under way.
    static constexpr std::int32_t kNoThumbOffset = 0x7FFF;

    CScrollView32();
    ~CScrollView32() override;

    void SetScrollSizes(int mode, SIZE total, SIZE page = SIZE{}, SIZE line = SIZE{});
    void SetScaleToFitSize(SIZE total);
    POINT GetDeviceScrollPosition() const;
    POINT GetScrollPosition() const;
    virtual void ScrollToPosition(POINT pt);            // logical
    virtual void ScrollToDevicePosition(POINT pt);
    void OnPrepareDC(CDC* dc, void* printInfo = nullptr) override;
    // Low byte the horizontal code, high byte the vertical one (0xFF: none).
    virtual BOOL OnScroll(UINT scrollCode, UINT pos, BOOL doScroll = TRUE);
    virtual BOOL OnScrollBy(SIZE scrollSize, BOOL doScroll = TRUE);
    // Outside adjustment (adjustOutside): grows the rectangle by the view's frame and by the
    // bars its total size needs; otherwise by the frame without the client edge.
    virtual void CalcWindowRect(RECT* rect, bool adjustOutside);
    // The room the view's own bars take from the client area.
    void GetScrollBarSizes(SIZE* size);
    // The client size as if no bar were shown; true when there is room for bars.
    bool GetTrueClientSize(SIZE* size, SIZE* barSizes);
    void GetScrollBarState(SIZE client, SIZE* need, SIZE* range, POINT* moveTo, bool insideClient);
    void UpdateBars();
    // Lines per wheel notch, looked up once (again when forced).
    static int GetWheelLines(bool forceLookup = false);

    std::int32_t mapMode = 0;
    std::int32_t thumbOffsetX = kNoThumbOffset;
    std::int32_t thumbOffsetY = kNoThumbOffset;
    SIZE totalLog;
    SIZE totalDev;
    SIZE pageDev;
    SIZE lineDev;
    std::int32_t center = 0;
    std::int32_t insideUpdate = 0;

protected:
    void OnSize(UINT type, int cx, int cy) override;
    void OnHScroll(UINT code, UINT pos, CScrollBar* bar) override;
    void OnVScroll(UINT code, UINT pos, CScrollBar* bar) override;
    BOOL OnMouseWheel(UINT flags, short delta, POINT pt) override;

private:
    void ThumbScroll(int bar, UINT code, UINT pos, CScrollBar* ctrl);
};
