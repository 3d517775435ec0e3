// A child window that behaves like a push button, check box or auto-repeat button but draws
// itself: a bitmap (or a ready image, white transparent) or its text, on a face that shows the
// pressed and checked state, with an optional soft 3-D border and an optional blinking of the
// checked state. It answers the standard button messages and takes part in the idle pass of
// command updates.
#pragma once
#include <cstdint>

#include "framework/CmdUI.h"
#include "framework/Gdi.h"
#include "framework/Window.h"

class CChkBit : public CWnd {
public:
    static constexpr int kTextKind = 1;
    static constexpr UINT_PTR kFlashTimer = 1;
    static constexpr UINT kFlashMs = 250;
    static constexpr DWORD kFirstRepeatMs = 500, kRepeatMs = 50;
    // Notification codes sent to the parent with the control id.
    static constexpr int kClicked = 0, kHilite = 2, kRightClicked = 8;

    explicit CChkBit(int kind);
    ~CChkBit() override;

    // Creates the button; the border bit of the style draws a soft edge instead of being passed
    // on to the window.
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id, UINT bitmap);
    void SetCheck(int value);
    int GetCheck() const { return checked; }

    std::int32_t kind = 0;
    std::int32_t border = 0;
    std::int32_t flashing = 0;
    std::int32_t repeat = 0;
    CFont* font = nullptr;
    std::uint16_t bitmapId = 0;
    CBitmap* image = nullptr;
    std::int32_t pressed = 0;
    std::int32_t checked = 0;
    std::int32_t savedCheck = 0;
    std::int32_t flashPhase = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override { OnLButtonDown(flags, pt); }
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnRButtonUp(UINT flags, POINT pt) override;
    void OnTimer(UINT_PTR id) override;
    void OnCancelMode() override;
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;

private:
    void Notify(int code);
    void Redraw();
    void RunRepeat();
    bool capturedLeft_ = false, capturedRight_ = false;
    DWORD style_ = 0;
};

// The command update of a CChkBit: enabling, checking and the text act on the button.
class CChkBitCmdUI : public CCmdUI {
public:
    void Enable(bool on = true) override;
    void SetCheck(int check = 1) override;
    void SetText(const char* text) override;
};
