#include "framework/CmdUI.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <utility>

#include "framework/App.h"
#include "framework/Document.h"
#include "framework/Input.h"
#include "framework/Mdi.h"
#include "framework/Menu.h"
#include "framework/View.h"
#include "framework/Window.h"

namespace {

std::map<std::pair<const CCmdTarget*, UINT>, std::function<void(CCmdUI*)>>& handlers() {
    static auto& h = *new std::map<std::pair<const CCmdTarget*, UINT>, std::function<void(CCmdUI*)>>;
    return h;
}

}  // namespace

bool CCmdUI::DoUpdate(CCmdTarget* target, bool disableIfNoHandler) {
    if (target) {
        auto it = handlers().find({target, m_nID});
        if (it != handlers().end()) {
            auto handler = it->second;  // a handler may change the table
            handler(this);
            return true;
        }
    }
    if (disableIfNoHandler) Enable(false);
    return false;
}

namespace fw {

void AddUpdateHandler(CCmdTarget* target, UINT id, std::function<void(CCmdUI*)> handler) {
    if (target) handlers()[{target, id}] = std::move(handler);
}

void ForgetUpdateHandlers(CCmdTarget* target) {
    auto& h = handlers();
    for (auto it = h.begin(); it != h.end();) it = it->first.first == target ? h.erase(it) : std::next(it);
}

bool RouteCommandUpdate(CFrameWnd* frame, CCmdUI* ui) {
    if (!ui) return false;
    if (CMDIChildWnd* child = frame ? ActiveChildOfFrame(frame) : nullptr) {
        if (CView* view = child->GetActiveView()) {
            if (ui->DoUpdate(view, false)) return true;
            if (CDocument* doc = view->GetDocument(); doc && ui->DoUpdate(doc, false)) return true;
        }
        if (ui->DoUpdate(child, false)) return true;
    }
    if (frame && ui->DoUpdate(frame, false)) return true;
    CWinApp* app = AfxGetApp();
    return app && ui->DoUpdate(app, false);
}

void UpdateMenuPopup(CFrameWnd* frame, CMenu* popup) {
    if (!popup || !popup->GetSafeHmenu()) return;
    // A handler may put entries in after its own (a list it keeps) and moves the pass past them.
    for (UINT i = 0; i < popup->GetMenuItemCount(); ++i) {
        const UINT state = popup->GetMenuState(i, MF_BYPOSITION);
        // A pop-up's state holds its entry count from bit 8 on, where MF_SEPARATOR's bit can be.
        if (state == UINT(-1) || (!(state & MF_POPUP) && (state & MF_SEPARATOR))) continue;
        if (state & MF_POPUP) {
            UpdateMenuPopup(frame, popup->GetSubMenu(int(i)));
            continue;
        }
        const UINT id = popup->GetMenuItemID(int(i));
        if (id == 0 || id == UINT(-1)) continue;
        CCmdUI ui(id);
        ui.m_pMenu = popup;
        ui.m_nIndex = i;
        CString text;
        popup->GetMenuString(i, text, MF_BYPOSITION);
        ui.text = text.c_str();
        ui.enabled = !(state & (MF_GRAYED | MF_DISABLED));
        ui.checked = (state & MF_CHECKED) ? 1 : 0;
        if (!RouteCommandUpdate(frame, &ui)) continue;
        if (ui.textChanged) {
            const UINT keep = state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_MENUBREAK | MF_MENUBARBREAK | MF_DEFAULT);
            popup->ModifyMenu(i, MF_BYPOSITION | MF_STRING | keep, id, ui.text.c_str());
        }
        popup->EnableMenuItem(i, MF_BYPOSITION | (ui.enabled ? MF_ENABLED : MF_GRAYED));
        popup->CheckMenuItem(i, MF_BYPOSITION | (ui.checked ? MF_CHECKED : MF_UNCHECKED));
        if (ui.m_nIndex > i) i = ui.m_nIndex;
    }
}

bool ParseAcceleratorText(const std::string& text, UINT* mods, UINT* vk) {
    const std::size_t tab = text.find('\t');
    if (tab == std::string::npos) return false;
    std::string keys = text.substr(tab + 1);
    UINT m = 0;
    for (;;) {
        const std::size_t plus = keys.find('+');
        if (plus == std::string::npos || plus + 1 >= keys.size()) break;
        const std::string word = keys.substr(0, plus);
        if (word == "Ctrl") m |= 2;
        else if (word == "Shift") m |= 1;
        else if (word == "Alt") m |= 4;
        else return false;
        keys = keys.substr(plus + 1);
    }
    UINT key = 0;
    if (keys.size() == 1 && ((keys[0] >= 'A' && keys[0] <= 'Z') || (keys[0] >= '0' && keys[0] <= '9'))) key = UINT(keys[0]);
    else if (keys.size() >= 2 && keys.size() <= 3 && keys[0] == 'F' && std::isdigit(static_cast<unsigned char>(keys[1]))) {
        const int n = std::atoi(keys.c_str() + 1);
        if (n < 1 || n > 12) return false;
        key = UINT(VK_F1 + n - 1);
    } else if (keys == "[") key = 0xDB;
    else if (keys == "]") key = 0xDD;
    else if (keys == ";") key = 0xBA;
    else if (keys == "Del" || keys == "Delete") key = VK_DELETE;
    else if (keys == "Ins" || keys == "Insert") key = VK_INSERT;
    else if (keys == "Home") key = VK_HOME;
    else if (keys == "End") key = VK_END;
    else if (keys == "PgUp") key = VK_PRIOR;
    else if (keys == "PgDn") key = VK_NEXT;
    else return false;
    *mods = m;
    *vk = key;
    return true;
}

std::vector<Accelerator> AcceleratorsFromMenu(CMenu* menu) {
    std::vector<Accelerator> out;
    if (!menu || !menu->GetSafeHmenu()) return out;
    const UINT count = menu->GetMenuItemCount();
    for (UINT i = 0; i < count; ++i) {
        const UINT state = menu->GetMenuState(i, MF_BYPOSITION);
        // A pop-up's state holds its entry count from bit 8 on, where MF_SEPARATOR's bit can be.
        if (state == UINT(-1) || (!(state & MF_POPUP) && (state & MF_SEPARATOR))) continue;
        if (state & MF_POPUP) {
            auto inner = AcceleratorsFromMenu(menu->GetSubMenu(int(i)));
            out.insert(out.end(), inner.begin(), inner.end());
            continue;
        }
        CString text;
        menu->GetMenuString(i, text, MF_BYPOSITION);
        Accelerator a;
        a.id = menu->GetMenuItemID(int(i));
        if (a.id && ParseAcceleratorText(text.c_str(), &a.mods, &a.vk)) out.push_back(a);
    }
    return out;
}

void SendMessageToDescendants(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!wnd) return;
    for (CWnd* child : wnd->GetChildren()) {
        child->SendMessage(message, wParam, lParam);
        SendMessageToDescendants(child, message, wParam, lParam);
    }
}

}  // namespace fw
