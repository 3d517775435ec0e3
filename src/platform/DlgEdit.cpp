#include "platform/DlgEdit.h"

#include <algorithm>
#include <string>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "platform/Port.h"
#include "platform/PortLayer.h"
#include "platform/StdDlg.h"

// ---- CDlgEdit -------------------------------------------------------------------------------

void CDlgEdit::OnLButtonDown(UINT flags, POINT pt) {
    if (!dialog) {
        CEdit::OnLButtonDown(flags, pt);
        return;
    }
    ReadModifierKeys();
    dialog->EndNumericEntry();
    // A vertical move before the pointer leaves the press point sideways starts a drag of the
    // value; anything else is a plain click.
    POINT press;
    fw::GetCursorPos(&press);
    bool changed = false;
    while (fw::MouseLoopStep()) {
        POINT now;
        fw::GetCursorPos(&now);
        if (now.x != press.x) break;
        if (now.y != press.y) {
            SetCapture();
            changed = dialog->DragNumericField(id, format, minimum, maximum, minAsEmpty != 0);
            ReleaseCapture();
            break;
        }
    }
    dialog->exitCode = id;
    if (!changed) CEdit::OnLButtonDown(flags, pt);
    CClientDC dc(dialog);
    PushPort(&dc);
    dialog->OnControl(id);
    PopPort();
}

// ---- CEditBox ---------------------------------------------------------------------------------

BOOL CEditBox::Create(CWnd* parent, int id, const RECT& rect, const RECT* list) {
    boxRect = rect;
    hidden = false;
    if (list)
        listRect = *list;
    else if (parent)
        parent->GetClientRect(&listRect);
    if (!CEdit::Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, rect, parent, UINT(id))) return FALSE;
    BringWindowToTop();
    ShowWindow(SW_SHOW);
    LOGFONT lf;
    CDC* port = GetCurrentPort();
    CFont* current = port ? port->GetCurrentFont() : nullptr;
    if (current && current->GetLogFont(&lf) && font_.CreateFontIndirect(lf)) SetFont(&font_);
    SetFocus();
    return TRUE;
}

void CEditBox::SetText(const char* text) {
    char buf[kTextMax * 2 + 1];
    fw::CopyText(buf, kTextMax + 1, text ? text : "");
    SetWindowText(buf);
}

void CEditBox::GetText(char* text, std::size_t size) {
    if (!text || size == 0) return;
    const std::string s = GetWindowText();
    fw::CopyText(text, std::min<std::size_t>(size, kTextMax + 1), s);
}

bool CEditBox::SendChar(UINT ch, UINT flags) {
    SetFocus();
    SendMessage(WM_CHAR, WPARAM(ch), LPARAM(flags));
    return true;
}

void CEditBox::ScrollBy(int dy) {
    boxRect.top += dy;
    boxRect.bottom += dy;
    hidden = boxRect.top < listRect.top || boxRect.bottom > listRect.bottom;
    const int off = hidden ? kHiddenOffset : 0;
    SetWindowPos(nullptr, boxRect.left - off, boxRect.top - off, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CEditBox::Refresh() {
    int start = 0, end = 0;
    GetSel(start, end);
    SetSel(end, end);
    HideCaret();
    Invalidate();
    UpdateWindow();
    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    ShowCaret();
}
