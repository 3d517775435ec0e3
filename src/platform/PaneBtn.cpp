#include "platform/PaneBtn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Cursor.h"
#include "framework/DC.h"
#include "framework/Gdi.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/MenuFilter.h"
#include "platform/Numeric.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlgGlobals.h"
#include "platform/StdMenu.h"

namespace {

constexpr COLORREF kMask = RGB(192, 192, 192);
constexpr UINT kTrackPollMs = 20;

bool Inside(CWnd* wnd) {
    POINT p;
    fw::GetCursorPos(&p);
    wnd->ScreenToClient(&p);
    RECT r;
    wnd->GetClientRect(&r);
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

// --- CPaneBtn ---

CPaneBtn::CPaneBtn() = default;

CPaneBtn::~CPaneBtn() {
    if (g_ui.hotButton == this) g_ui.hotButton = nullptr;
}

BOOL CPaneBtn::Create(CWnd* parent, const RECT& rect, int command, std::int16_t bitmap, int w, int h) {
    commandId = command;
    bitmapId = bitmap;
    imageWidth = w;
    imageHeight = h;
    imageIndex = 0;
    btnEnabled = 1;
    if (!CPane::Create(parent, std::intptr_t(parent), rect, kAnchorFixed, kAnchorFixed)) return FALSE;
    LoadImages(0);
    state = 0;
    hot = 0;
    bitmapFace = 0;
    track = 1;
    momentary = 0;
    toggle = 0;
    SetDlgCtrlID(command);
    return TRUE;
}

void CPaneBtn::SetEnabled(bool on) {
    if (btnEnabled == (on ? 1 : 0)) return;
    btnEnabled = on ? 1 : 0;
    EnableWindow(on ? TRUE : FALSE);
    Redraw();
}

void CPaneBtn::Redraw() {
    if (IsWindow()) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CPaneBtn::SetState(int value) {
    if (state == value) return;
    state = value;
    Redraw();
}

int CPaneBtn::GetState() { return state; }
void CPaneBtn::Release() { SetState(0); }
void CPaneBtn::Press() { SetState(1); }

void CPaneBtn::ToggleState() {
    state ^= 1;
    Redraw();
}

void CPaneBtn::SetBitmapId(int id) { bitmapId = id; }

void CPaneBtn::LoadImages(int index) { LoadImagesFrom(index, true); }

void CPaneBtn::LoadImagesFrom(int index, bool filter) {
    imageIndex = index;
    if (IsWindow()) {
        RECT r;
        GetClientRect(&r);
        r.left += 1;
        r.top += 1;
        InvalidateRect(&r, TRUE);
    }
    if (bitmapId == 0) return;
    images.DeleteImageList();
    if (!images.Create(UINT(bitmapId), imageWidth, 1, kMask)) return;
    if (filter) FilterImageList(&images, bitmapId);
    for (int i = 0; i < index && images.GetImageCount() > 0; ++i) images.Remove(0);
}

void CPaneBtn::Paint(const RECT&) {
    DrawFace();
    DrawImage();
}

void CPaneBtn::DrawFace() {
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    RECT client;
    GetClientRect(&client);
    if (!bitmapFace) {
        RECT r = client;
        dc->DrawEdge(&r, state != 0 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        return;
    }
    int face = kFaceUp;
    if (btnEnabled) face = state != 0 ? kFaceDown : hot ? kFaceHot : kFaceUp;
    CBitmap bmp;
    if (!bmp.LoadBitmap(UINT(face))) return;
    const SIZE s = bmp.GetSize();
    // The corners take the background that shows there, so the face looks rounded.
    const COLORREF top = dc->GetPixel(0, 0), bottom = dc->GetPixel(0, s.cy - 1);
    dc->DrawBitmap(0, 0, bmp);
    dc->SetPixel(0, 0, top);
    dc->SetPixel(s.cx - 1, 0, top);
    dc->SetPixel(0, s.cy - 1, bottom);
    dc->SetPixel(s.cx - 1, s.cy - 1, bottom);
}

void CPaneBtn::DrawImage() {
    if (!images.IsValid()) return;
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    RECT client;
    GetClientRect(&client);
    const int x = client.left + (client.right - client.left - imageWidth) / 2;
    const int y = client.top + (client.bottom - client.top - imageHeight) / 2;
    images.SetBkColor(fw::GetSysColor(COLOR_BTNFACE));
    images.Draw(dc, 0, x, y);
    if (btnEnabled || !bitmapFace) return;
    // Greyed and embossed: black ink becomes grey text with a white shadow one pixel right and
    // down, white shows the face, anything else unlike the face becomes grey text.
    CBitmap face;
    if (!face.LoadBitmap(UINT(kFaceUp))) return;
    const COLORREF grey = fw::GetSysColor(COLOR_GRAYTEXT), white = RGB(255, 255, 255);
    bool marked[32][32] = {};
    const int rows = std::min(std::max(imageHeight, 24) - 1, 31), cols = std::min(std::max(imageWidth, 24) - 1, 31);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            if (marked[r][c]) continue;
            const COLORREF pixel = dc->GetPixel(client.left + c, client.top + r);
            const COLORREF under = face.GetPixel(c, r);
            if (pixel == RGB(0, 0, 0)) {
                dc->SetPixel(client.left + c, client.top + r, grey);
                dc->SetPixel(client.left + c + 1, client.top + r + 1, white);
                marked[r + 1][c + 1] = true;
            } else if (pixel == white) {
                dc->SetPixel(client.left + c, client.top + r, under);
            } else if (pixel != under) {
                dc->SetPixel(client.left + c, client.top + r, grey);
            }
        }
}

void CPaneBtn::SendCommand(int id, bool withWindow) {
    CWnd* to = GetParent();
    if (!to) return;
    to->SendMessage(WM_COMMAND, WPARAM(std::uint32_t(id) & 0xFFFF), withWindow ? LPARAM(this) : 0);
}

void CPaneBtn::TrackClick(int, int) {
    if (!track) {
        Press();
        SendCommand(commandId, true);
        Release();
        return;
    }
    SetCapture();
    bool inside = false;
    auto follow = [&] {
        const bool now = Inside(this);
        if (now != inside) {
            if (toggle)
                ToggleState();
            else if (now)
                Press();
            else
                Release();
            inside = now;
        }
    };
    follow();
    while (fw::MouseLoopStep(kTrackPollMs)) follow();
    ReleaseCapture();
    if (Inside(this)) {
        SendCommand(commandId, true);
        if (momentary) Release();
    } else if (inside) {
        // The release came before the pointer's last move out was seen.
        if (toggle)
            ToggleState();
        else
            Release();
    }
}

void CPaneBtn::OnLButtonDown(UINT, POINT pt) {
    if (!btnEnabled) return;
    CClientDC dc(this);
    PushPort(&dc);
    ReadModifierKeys();
    if (g_ui.currentNumeric) g_ui.currentNumeric->EndEdit();
    g_ui.clickCount = 1;
    ReadModifierKeys();
    TrackClick(pt.x, pt.y);
    PopPort();
}

void CPaneBtn::OnLButtonDblClk(UINT, POINT pt) {
    if (!btnEnabled) return;
    CClientDC dc(this);
    PushPort(&dc);
    g_ui.clickCount = 2;
    TrackClick(pt.x, pt.y);
    PopPort();
}

void CPaneBtn::OnRButtonDown(UINT, POINT) { g_ui.clickCount = 1; }

void CPaneBtn::SetHot(bool on) {
    if (on) {
        if (g_ui.hotButton && g_ui.hotButton != this) g_ui.hotButton->SetHot(false);
        g_ui.hotButton = this;
        if (!hot) {
            hot = 1;
            SetTimer(kHotTimer, kHotTimerMs);
            Redraw();
        }
        return;
    }
    if (g_ui.hotButton == this) g_ui.hotButton = nullptr;
    if (IsWindow()) KillTimer(kHotTimer);
    if (hot) {
        hot = 0;
        Redraw();
    }
}

void CPaneBtn::OnMouseMove(UINT, POINT) { SetHot(true); }

void CPaneBtn::OnTimer(UINT_PTR id) {
    if (id != kHotTimer) return CPane::OnTimer(id);
    RECT r;
    GetWindowRect(&r);
    POINT p;
    fw::GetCursorPos(&p);
    if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) SetHot(false);
}

// --- CCmdBtn ---

BOOL CCmdBtn::CreateCmd(CWnd* parent, const RECT& rect, int command, std::int32_t bitmap, int w, int h) {
    if (!CPaneBtn::Create(parent, rect, command, 0, w, h)) return FALSE;
    bitmapId = bitmap;
    LoadImagesPlain(0);
    SetDlgCtrlID(command);
    return TRUE;
}

BOOL CCmdBtn::OnSetCursor(CWnd*, UINT, UINT) {
    fw::SetCursor(IDC_ARROW);
    return TRUE;
}

// --- CMenuBtn ---

BOOL CMenuBtn::Create(CWnd* parent, const RECT& rect, int command, bool withArrow) {
    if (!CreateCmd(parent, rect, command, 0, 16, 16)) return FALSE;
    text[0] = 0;
    arrow = withArrow ? 1 : 0;
    menuId = 0;
    current = 0;
    return TRUE;
}

void CMenuBtn::SetText(const char* value) {
    fw::CopyText(text, sizeof text, value ? value : "");
    if (IsWindow()) Invalidate();
}

void CMenuBtn::GetItemText(int position, char* out, int size) {
    if (!out || size <= 0) return;
    out[0] = 0;
    current = position;
    CStdMenu menu;
    if (!menuId || !menu.Load(UINT(menuId))) return;
    char item[CStdMenu::kTextMax + 1] = {};
    menu.GetItemText(position, item, sizeof item);
    if (char* tab = std::strchr(item, '\t')) *tab = 0;
    fw::CopyText(out, std::size_t(size), item);
}

void CMenuBtn::SetMenu(int id, bool byCmd) {
    menuId = id;
    byCommand = byCmd ? 1 : 0;
    char item[kTextSize] = {};
    GetItemText(current, item, sizeof item);
    SetText(item);
}

void CMenuBtn::SetCurrentItem(int position) {
    current = position;
    if (!menuId) return;
    char item[kTextSize] = {};
    GetItemText(position, item, sizeof item);
    SetText(item);
}

void CMenuBtn::Enable(bool on) { SetState(on ? 0 : 2); }

void CMenuBtn::SetState(int value) {
    state = value;
    Redraw();
}

void CMenuBtn::Paint(const RECT& client) {
    if (bitmapFace) return CPaneBtn::Paint(client);
    CArtist* a = GetArtist();
    const int kind = state == 1 ? 1 : state == 2 ? 2 : 0;
    a->DrawColorSwatch(client, kind, arrow && state != 1);
    RECT r = client;
    r.left += 2;
    r.right -= 8;
    RECT label{r.left - 2, r.top, r.right, r.bottom};
    a->DrawSwatchLabel(label, text, kind, 0, false);
}

void CMenuBtn::TrackClick(int x, int y) {
    if (state == 2) return;
    if (!menuId) return CPaneBtn::TrackClick(x, y);
    ToggleState();
    CStdMenu menu;
    const bool loaded = menu.Load(UINT(menuId));
    POINT corner{0, height};
    ClientToScreen(&corner);
    int position = -1;
    UINT chosen = 0;
    if (loaded) {
        if (!byCommand)
            position = menu.TrackSelect(corner.x, corner.y, current);
        else
            chosen = menu.Track(corner.x, corner.y);
    }
    ToggleState();
    if (!byCommand) {
        if (position < 0) return;
        current = position;
        char item[kTextSize] = {};
        GetItemText(position, item, sizeof item);
        SetText(item);
        SendCommand(commandId + position, false);
    } else if (chosen) {
        SendCommand(int(chosen), false);
    }
}

// --- CSwitchBtn ---

BOOL CSwitchBtn::Create(CWnd* parent, const RECT& rect, int command) {
    commandId = command;
    checked = 0;
    first = last = 1;
    if (!CPane::Create(parent, std::intptr_t(parent), rect, kAnchorFixed, kAnchorFixed)) return FALSE;
    SetDlgCtrlID(command);
    return TRUE;
}

void CSwitchBtn::SetText(const char* value) {
    fw::CopyText(caption, sizeof caption, value ? value : "");
    if (IsWindow()) Invalidate();
}

void CSwitchBtn::Toggle() {
    checked ^= 1;
    if (IsWindow()) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CSwitchBtn::Paint(const RECT& client) {
    if (!IsWindow()) return;
    CArtist* a = GetArtist();
    a->UseFontA();
    a->DrawText(client.left + 14, client.bottom - 4, caption);
    const RECT box{client.left, client.top, client.left + 10, client.top + 10};
    a->EraseRect(box);
    a->FrameRect(box);
    if (checked) {
        a->Line(box.left, box.top, box.right - 1, box.bottom - 1);
        a->Line(box.left, box.bottom - 1, box.right - 1, box.top);
    }
}

void CSwitchBtn::OnLButtonDown(UINT, POINT) {
    SetCapture();
    bool inside = false;
    auto follow = [&] {
        const bool now = Inside(this);
        if (now != inside) {
            Toggle();
            inside = now;
        }
    };
    follow();
    while (fw::MouseLoopStep(kTrackPollMs)) follow();
    ReleaseCapture();
    if (Inside(this)) {
        if (!inside) Toggle();
        if (CWnd* to = GetParent()) to->SendMessage(WM_COMMAND, WPARAM(commandId & 0xFFFF), LPARAM(this));
    } else if (inside) {
        Toggle();
    }
}

// --- CTextPane ---

BOOL CTextPane::Create(CWnd* parent, const RECT& rect) {
    noFrame = 1;
    centred = 0;
    text[0] = 0;
    return CPane::Create(parent, std::intptr_t(parent), rect, kAnchorFixed, kAnchorFixed);
}

void CTextPane::SetText(const char* value) {
    if (!value) return;
    fw::CopyText(text, sizeof text, value);
    if (!IsWindow()) return;
    RECT r;
    GetClientRect(&r);
    r.left += 2;
    r.top += 2;
    r.right -= 2;
    r.bottom -= 2;
    InvalidateRect(&r, TRUE);
    UpdateWindow();
}

void CTextPane::SetNumber(std::int16_t n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%d", int(n));
    SetText(buf);
}

void CTextPane::SetFrame(bool noFrameFlag, bool centredFlag) {
    noFrame = noFrameFlag ? 1 : 0;
    centred = centredFlag ? 1 : 0;
    if (IsWindow()) Invalidate();
}

void CTextPane::Paint(const RECT& client) {
    CArtist* a = GetArtist();
    CDC* dc = GetCurrentPort();
    if (!dc) return;
    a->UseFontA();
    RECT r = client;
    dc->FillSolidRect(&r, fw::GetSysColor(COLOR_BTNFACE));
    if (!noFrame) dc->DrawEdge(&r, EDGE_SUNKEN, BF_RECT);
    const int baseline = (client.top + client.bottom) / 2 + 4;
    if (centred)
        a->DrawTextCentered((client.left + client.right) / 2, baseline, text);
    else
        a->DrawText(client.left + 3, baseline, text);
}
