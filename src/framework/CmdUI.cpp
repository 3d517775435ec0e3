#include "framework/CmdUI.h"

#include <map>
#include <utility>

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

void SendMessageToDescendants(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!wnd) return;
    for (CWnd* child : wnd->GetChildren()) {
        child->SendMessage(message, wParam, lParam);
        SendMessageToDescendants(child, message, wParam, lParam);
    }
}

}  // namespace fw
