#include "platform/StdMenu.h"

#include <algorithm>

#include "framework/CodePage.h"
#include "framework/Window.h"
#include "platform/MenuFilter.h"

namespace {

void CopyMenuText(CMenu* menu, UINT item, UINT flags, char* text, std::size_t size) {
    if (!text || size == 0) return;
    text[0] = 0;
    if (!menu) return;
    char buf[256] = {};
    menu->GetMenuString(item, buf, int(sizeof buf), flags);
    fw::CopyText(text, std::min<std::size_t>(size, CStdMenu::kTextMax + 1), buf);
}

}  // namespace

CStdMenu::CStdMenu() = default;
CStdMenu::~CStdMenu() = default;

CMenu* CStdMenu::Popup() {
    popup = GetSafeHmenu() ? GetSubMenu(0) : nullptr;
    return popup;
}

bool CStdMenu::Load(UINT id) {
    DestroyMenu();
    popup = nullptr;
    if (!LoadMenu(id)) return false;
    FilterMenu(this);
    Popup();
    columnCount = 30;
    return popup != nullptr;
}

bool CStdMenu::Create() {
    DestroyMenu();
    popup = nullptr;
    columnCount = 0;
    CMenu inner;
    if (!CreateMenu() || !inner.CreatePopupMenu()) return false;
    AppendMenu(MF_POPUP, UINT_PTR(inner.Detach()), "");
    return Popup() != nullptr;
}

void CStdMenu::SetCheck(int pos, bool on) {
    if (CMenu* p = Popup()) p->CheckMenuItem(UINT(pos), MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
}

void CStdMenu::EnableItem(int pos) {
    if (CMenu* p = Popup()) p->EnableMenuItem(UINT(pos), MF_BYPOSITION | MF_ENABLED);
}

void CStdMenu::DisableItem(int pos) {
    if (CMenu* p = Popup()) p->EnableMenuItem(UINT(pos), MF_BYPOSITION | MF_GRAYED);
}

void CStdMenu::DisableCommand(UINT id) {
    if (CMenu* p = Popup()) p->EnableMenuItem(id, MF_BYCOMMAND | MF_GRAYED);
}

void CStdMenu::GetItemText(int pos, char* text, std::size_t size) {
    CopyMenuText(Popup(), UINT(pos), MF_BYPOSITION, text, size);
}

void CStdMenu::SetItemText(int pos, const char* text) {
    CMenu* p = Popup();
    if (!p) return;
    const UINT state = p->GetMenuState(UINT(pos), MF_BYPOSITION);
    if (state == UINT(-1)) return;
    const UINT keep = state & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBREAK | MF_MENUBARBREAK);
    p->ModifyMenu(UINT(pos), MF_BYPOSITION | MF_STRING | keep, p->GetMenuItemID(pos), text);
}

UINT CStdMenu::GetItemId(int pos) {
    CMenu* p = Popup();
    return p ? p->GetMenuItemID(pos) : UINT(-1);
}

void CStdMenu::SetItemId(int pos, UINT id) {
    CMenu* p = Popup();
    if (!p) return;
    const UINT state = p->GetMenuState(UINT(pos), MF_BYPOSITION);
    if (state == UINT(-1)) return;
    char text[256] = {};
    p->GetMenuString(UINT(pos), text, int(sizeof text), MF_BYPOSITION);
    const UINT keep = state & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBREAK | MF_MENUBARBREAK);
    p->ModifyMenu(UINT(pos), MF_BYPOSITION | MF_STRING | keep, id, text);
}

UINT CStdMenu::GetSubItemId(int sub, int pos) {
    CMenu* p = Popup();
    CMenu* s = p ? p->GetSubMenu(sub) : nullptr;
    return s ? s->GetMenuItemID(pos) : UINT(-1);
}

void CStdMenu::SetSubItemId(int sub, int pos, UINT id) {
    CMenu* p = Popup();
    CMenu* s = p ? p->GetSubMenu(sub) : nullptr;
    if (!s) return;
    const UINT state = s->GetMenuState(UINT(pos), MF_BYPOSITION);
    if (state == UINT(-1)) return;
    char text[256] = {};
    s->GetMenuString(UINT(pos), text, int(sizeof text), MF_BYPOSITION);
    const UINT keep = state & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBREAK | MF_MENUBARBREAK);
    s->ModifyMenu(UINT(pos), MF_BYPOSITION | MF_STRING | keep, id, text);
}

void CStdMenu::GetSubMenuText(int sub, char* text, std::size_t size) {
    CMenu* p = Popup();
    CopyMenuText(p ? p->GetSubMenu(sub) : nullptr, 0, MF_BYPOSITION, text, size);
}

void CStdMenu::DeleteItem(int pos) {
    if (CMenu* p = Popup()) p->DeleteMenu(UINT(pos), MF_BYPOSITION);
}

void CStdMenu::InsertInto(CMenu* menu, int pos, const char* text, int id, bool separator, bool columnBreak) {
    if (!menu) return;
    const UINT cmd = id == -1 ? UINT(pos + 1) : UINT(id);
    if (separator) {
        menu->InsertMenu(UINT(pos), MF_BYPOSITION | MF_SEPARATOR);
        return;
    }
    UINT flags = MF_BYPOSITION | MF_STRING;
    if (columnBreak || (columnCount > 0 && pos > 0 && pos % columnCount == 0)) flags |= MF_MENUBREAK;
    menu->InsertMenu(UINT(pos), flags, cmd, text);
}

void CStdMenu::InsertItem(int pos, const char* text, int id, bool separator, bool columnBreak) {
    InsertInto(Popup(), pos, text, id, separator, columnBreak);
}

void CStdMenu::InsertSubItem(int sub, int pos, const char* text, int id, bool separator, bool columnBreak) {
    CMenu* p = Popup();
    if (!p) return;
    CMenu* s = p->GetSubMenu(sub);
    if (!s) {
        CMenu made;
        if (!made.CreatePopupMenu()) return;
        p->InsertMenu(UINT(sub), MF_BYPOSITION | MF_POPUP, UINT_PTR(made.Detach()), text);
        return;
    }
    InsertInto(s, pos, text, id, separator, columnBreak);
}

void CStdMenu::DeleteSubItem(int sub, int pos) {
    CMenu* p = Popup();
    if (CMenu* s = p ? p->GetSubMenu(sub) : nullptr) s->DeleteMenu(UINT(pos), MF_BYPOSITION);
}

void CStdMenu::CheckSubItem(int sub, int pos, bool on) {
    CMenu* p = Popup();
    if (CMenu* s = p ? p->GetSubMenu(sub) : nullptr)
        s->CheckMenuItem(UINT(pos), MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
}

int CStdMenu::TrackSelect(int x, int y, int current) {
    CMenu* p = Popup();
    if (!p) return -1;
    if (current != -1) p->CheckMenuItem(UINT(current), MF_BYPOSITION | MF_CHECKED);
    const UINT chosen = UINT(p->TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, x, y, AfxGetMainWnd()));
    // The click that closed the menu must not reach the window below.
    MSG msg;
    while (PeekMessage(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    if (chosen == 0) return -1;
    const int count = int(p->GetMenuItemCount());
    for (int i = 0; i < count; ++i)
        if (p->GetMenuItemID(i) == chosen) return i;
    return -1;
}

UINT CStdMenu::Track(int x, int y) {
    CMenu* p = Popup();
    if (!p) return 0;
    return UINT(p->TrackPopupMenu(TPM_RETURNCMD | TPM_NONOTIFY, x, y, AfxGetMainWnd()));
}
