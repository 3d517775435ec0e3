#include "platform/ChkBit.h"

#include <algorithm>
#include <cstring>

#include "framework/Clock.h"
#include "framework/Controls.h"
#include "framework/Cursor.h"
#include "framework/DC.h"

namespace {

// Colour numbers of the window system: face 15, shadow 16, text 18, highlight 20.
constexpr int kFace = 15, kShadow = 16, kText = 18, kHighlight = 20;

bool InClient(CWnd* w, POINT pt) {
    RECT r;
    w->GetClientRect(&r);
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}

// The frame a window's commands are updated against: its parent when that is a frame, else
// the frame above it.
CCmdTarget* UpdateTarget(CWnd* w) {
    CWnd* parent = w->GetParent();
    if (auto* frame = dynamic_cast<CFrameWnd*>(parent)) return frame;
    for (CWnd* p = parent; p; p = p->GetParent())
        if (auto* frame = dynamic_cast<CFrameWnd*>(p)) return frame;
    return parent;
}

}  // namespace

CChkBit::CChkBit(int k) : kind(k) {}

CChkBit::~CChkBit() {
    if (IsWindow()) DestroyWindow();
}

BOOL CChkBit::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id, UINT bitmap) {
    border = (style & WS_BORDER) ? 1 : 0;
    style_ = style & ~WS_BORDER;
    bitmapId = std::uint16_t(bitmap);
    SetClassStyle(0);
    return CWnd::Create(nullptr, text ? text : "", style_ | WS_CHILD, rect, parent, id);
}

void CChkBit::Redraw() {
    if (IsWindow()) Invalidate(FALSE);
}

void CChkBit::SetCheck(int value) {
    if (value == checked) return;
    checked = pressed = value;
    if (flashing) {
        flashPhase = 1;
        if (IsWindow()) {
            if (checked)
                SetTimer(kFlashTimer, kFlashMs);
            else
                KillTimer(kFlashTimer);
        }
    }
    Redraw();
}

void CChkBit::Notify(int code) {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), code), LPARAM(this));
}

LRESULT CChkBit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_SETCHECK:
        SetCheck(int(wParam));
        return 0;
    case BM_SETSTATE:
        // 0 off, 1 on; other values change nothing.
        if ((wParam & 3) == 0 || (wParam & 3) == 1) SetCheck(int(wParam & 3));
        return 0;
    case BM_GETCHECK:
    case BM_GETSTATE:
        return checked;
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case WM_SETFONT:
        font = reinterpret_cast<CFont*>(wParam);
        if (lParam) Redraw();
        return 0;
    case WM_GETFONT:
        return LRESULT(font);
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT r = CWnd::WindowProc(message, wParam, lParam);
        Redraw();
        return r;
    }
    case WM_IDLEUPDATECMDUI: {
        CChkBitCmdUI ui;
        ui.m_nID = UINT(GetDlgCtrlID());
        ui.m_pOther = this;
        ui.DoUpdate(UpdateTarget(this), false);
        return 0;
    }
    default: return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CChkBit::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    const bool enabled = IsWindowEnabled();
    const COLORREF back = fw::GetSysColor(!enabled ? kFace : (checked && pressed) ? kHighlight : kFace);
    const COLORREF fore = fw::GetSysColor(enabled ? kText : kShadow);
    dc.FillSolidRect(&client, back);
    const int w = client.right - client.left, h = client.bottom - client.top;
    const bool hidden = flashing && checked && flashPhase >= 1 && flashPhase <= 3;
    if (!hidden) {
        if (kind == kTextKind) {
            if (font) dc.SelectObject(font);
            dc.SetTextColor(fore);
            dc.SetBkMode(TRANSPARENT);
            const std::string text = GetWindowText();
            const SIZE s = dc.GetTextExtent(text.c_str(), int(text.size()));
            RECT r{client.left + 4 + (pressed ? 1 : 0), client.top, client.right - 4 + (pressed ? 1 : 0),
                   client.bottom};
            int x = r.left;
            const DWORD align = style_ & BS_CENTER;
            if (align == BS_CENTER)
                x = (r.left + r.right - s.cx) / 2;
            else if (align == BS_RIGHT)
                x = r.right - s.cx;
            dc.TextOut(x, (r.top + r.bottom - s.cy) / 2, text.c_str(), int(text.size()));
        } else if (image) {
            const SIZE s = image->GetSize();
            dc.DrawBitmapTransparent((w - s.cx) / 2 + pressed, (h - s.cy) / 2 + pressed, *image, 0, 0, s.cx, s.cy,
                                     RGB(255, 255, 255));
        } else if (bitmapId) {
            CBitmap bmp;
            if (bmp.LoadBitmap(bitmapId)) {
                const SIZE s = bmp.GetSize();
                if (!enabled) {
                    // The disabled variant: ink in the shadow colour.
                    for (int y = 0; y < s.cy; ++y)
                        for (int x = 0; x < s.cx; ++x) {
                            const COLORREF c = bmp.GetPixel(x, y);
                            if (c != RGB(192, 192, 192) && c != RGB(255, 255, 255)) bmp.SetPixel(x, y, fore);
                        }
                }
                CDC mem;
                mem.CreateCompatibleDC(&dc);
                mem.SelectObject(&bmp);
                if (s.cx > w || s.cy > h) {
                    // Larger than the button: scaled into it.
                    const int off = pressed + 1;
                    dc.SetStretchBltMode(HALFTONE);
                    dc.StretchBlt(off, off, w - off, h - off, &mem, 0, 0, s.cx, s.cy, SRCCOPY);
                } else {
                    dc.BitBlt((w - s.cx) / 2 + pressed, (h - s.cy) / 2 + pressed, s.cx, s.cy, &mem, 0, 0, SRCCOPY);
                }
            }
        }
    }
    if (border) {
        RECT r = client;
        if (!pressed) {
            dc.DrawEdge(&r, BDR_RAISEDINNER, BF_RECT);
        } else {
            dc.DrawEdge(&r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
            r = client;
            dc.DrawEdge(&r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
        }
    }
}

void CChkBit::OnLButtonDown(UINT, POINT) {
    if (!IsWindowEnabled()) return;
    if (repeat) {
        if (CWnd::GetCapture()) return;
        RunRepeat();
        return;
    }
    SetCapture();
    capturedLeft_ = true;
    savedCheck = checked;
    if (!pressed) {
        pressed = 1;
        Redraw();
        Notify(kHilite);
    }
}

void CChkBit::OnMouseMove(UINT, POINT pt) {
    if (!capturedLeft_) return;
    // Outside the face shows the state the press began with, inside its opposite.
    const int show = InClient(this, pt) ? !savedCheck : savedCheck;
    if (show != pressed) {
        pressed = show;
        Redraw();
    }
}

void CChkBit::OnLButtonUp(UINT, POINT pt) {
    if (!capturedLeft_) return;
    capturedLeft_ = false;
    ReleaseCapture();
    if (!InClient(this, pt)) {
        pressed = savedCheck;
        Redraw();
        return;
    }
    const DWORD type = style_ & BS_TYPEMASK;
    if (type & (1 | 2 | 8)) {
        // A check-box style: the click toggles the check.
        pressed = savedCheck;
        SetCheck(savedCheck ? 0 : 1);
    } else {
        pressed = checked;
    }
    Notify(kClicked);
    Redraw();
}

void CChkBit::OnCancelMode() {
    if (capturedLeft_) {
        capturedLeft_ = false;
        ReleaseCapture();
        pressed = savedCheck;
        Redraw();
    }
    capturedRight_ = false;
}

BOOL CChkBit::OnSetCursor(CWnd*, UINT, UINT) {
    fw::SetCursor(IDC_ARROW);
    return TRUE;
}

void CChkBit::OnRButtonDown(UINT, POINT) {
    SetCapture();
    capturedRight_ = true;
}

void CChkBit::OnRButtonUp(UINT, POINT) {
    if (!capturedRight_) return;
    capturedRight_ = false;
    ReleaseCapture();
    Notify(kRightClicked);
}

void CChkBit::OnTimer(UINT_PTR id) {
    if (id != kFlashTimer) return CWnd::OnTimer(id);
    flashPhase = (flashPhase + 1) % 4;
    Invalidate(FALSE);
    UpdateWindow();
}

void CChkBit::RunRepeat() {
    pressed = 1;
    Redraw();
    SetCapture();
    DWORD deadline = fw::GetTickCount() + kFirstRepeatMs;
    auto inside = [this] {
        POINT p;
        fw::GetCursorPos(&p);
        ScreenToClient(&p);
        return InClient(this, p);
    };
    // While the left button is held over the button, a click and a highlight go out at every
    // deadline: the first after 500 ms, then every 50 ms.
    while (CWnd::GetCapture() == this && inside()) {
        const DWORD now = fw::GetTickCount();
        if (DWORD(now - deadline) < 0x80000000u) {
            Notify(kClicked);
            Notify(kHilite);
            deadline += kRepeatMs;
            continue;
        }
        if (!fw::MouseLoopStep(deadline - now)) break;
    }
    if (CWnd::GetCapture() == this) ReleaseCapture();
    pressed = 0;
    Redraw();
}

// --- command updates ---

void CChkBitCmdUI::Enable(bool on) {
    CCmdUI::Enable(on);
    if (auto* b = dynamic_cast<CChkBit*>(m_pOther)) b->EnableWindow(on ? TRUE : FALSE);
}

void CChkBitCmdUI::SetCheck(int check) {
    CCmdUI::SetCheck(check);
    if (auto* b = dynamic_cast<CChkBit*>(m_pOther)) b->SetCheck(check);
}

void CChkBitCmdUI::SetText(const char* text) {
    if (auto* b = dynamic_cast<CChkBit*>(m_pOther)) b->SetWindowText(text ? text : "");
}
