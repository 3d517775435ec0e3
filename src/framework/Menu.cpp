// Menus: the items, the menu resources, pop-ups tracked at a point and a frame's menu bar.
#include "framework/Menu.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "framework/CodePage.h"
#include "framework/Resources.h"
#include "framework/StringTable.h"
#include "framework/WindowImpl.h"

struct MenuItemData {
    UINT flags = 0;  // MF_ state and kind bits (no MF_BYPOSITION)
    UINT id = 0;
    std::string text;  // code page
    std::unique_ptr<MenuData> popup;
};

struct MenuData {
    bool isPopup = false;
    std::vector<MenuItemData> items;
    std::unique_ptr<CMenu> facade;  // the CMenu handed out for this pop-up by GetSubMenu
};

namespace {

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_MENUBARBREAK | MF_MENUBREAK | MF_DEFAULT | MF_HILITE;

// Finds an item by position, or by command id in the menu and the pop-ups inside it.
MenuItemData* findItem(MenuData* m, UINT item, UINT flags, MenuData** owner = nullptr, std::size_t* index = nullptr) {
    if (!m) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= m->items.size()) return nullptr;
        if (owner) *owner = m;
        if (index) *index = item;
        return &m->items[item];
    }
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        MenuItemData& it = m->items[i];
        if (!it.popup && !(it.flags & MF_SEPARATOR) && it.id == item) {
            if (owner) *owner = m;
            if (index) *index = i;
            return &it;
        }
        if (it.popup)
            if (MenuItemData* found = findItem(it.popup.get(), item, flags, owner, index)) return found;
    }
    return nullptr;
}

// Fills an item from the flags of Append/Insert/ModifyMenu.
bool fillItem(MenuItemData& it, UINT flags, UINT_PTR idOrMenu, const char* text) {
    it.flags = flags & (kStateBits | MF_SEPARATOR | MF_POPUP | MF_OWNERDRAW);
    if (flags & MF_POPUP) {
        auto* sub = reinterpret_cast<MenuData*>(idOrMenu);
        if (!sub) return false;
        sub->isPopup = true;
        it.popup.reset(sub);
        it.id = 0;
    } else {
        it.popup.reset();
        it.id = (flags & MF_SEPARATOR) ? 0 : UINT(idOrMenu);
    }
    it.text = (flags & MF_SEPARATOR) ? std::string() : std::string(text ? text : "");
    return true;
}

// ---- the menu resource ----------------------------------------------------------------------


std::string menuText(const std::string& w) {
    if (w.size() >= 2 && w.front() == '"') return fw::FromUtf8(w.substr(1, w.size() - 2));
    if (w.size() > 1 && w[0] == '@') {
        std::string cp;
        fw::LoadStringResource(UINT(std::strtoul(w.c_str() + 1, nullptr, 10)), cp);
        return cp;
    }
    return fw::FromUtf8(w);
}

bool itemFlags(const std::vector<std::string>& w, std::size_t from, UINT* flags) {
    for (std::size_t i = from; i < w.size(); ++i) {
        const std::string& f = w[i];
        if (f == "checked") *flags |= MF_CHECKED;
        else if (f == "grayed") *flags |= MF_GRAYED;
        else if (f == "disabled") *flags |= MF_DISABLED;
        else if (f == "break") *flags |= MF_MENUBREAK;
        else if (f == "barbreak") *flags |= MF_MENUBARBREAK;
        else if (f == "default") *flags |= MF_DEFAULT;
        else return false;
    }
    return true;
}

std::unique_ptr<MenuData> parseMenu(const std::string& text) {
    auto root = std::make_unique<MenuData>();
    std::vector<MenuData*> stack{root.get()};
    bool header = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto w = fw::SplitResourceLine(line);
        if (w.empty()) continue;
        if (w[0] == "menu") {
            header = true;
            continue;
        }
        if (!header) return nullptr;
        MenuData* cur = stack.back();
        if (w[0] == "end") {
            if (stack.size() <= 1) return nullptr;
            stack.pop_back();
        } else if (w[0] == "separator") {
            MenuItemData it;
            it.flags = MF_SEPARATOR;
            cur->items.push_back(std::move(it));
        } else if (w[0] == "item") {
            if (w.size() < 3) return nullptr;
            MenuItemData it;
            it.id = UINT(std::strtoul(w[1].c_str(), nullptr, 0));
            it.text = menuText(w[2]);
            if (!itemFlags(w, 3, &it.flags)) return nullptr;
            cur->items.push_back(std::move(it));
        } else if (w[0] == "popup") {
            if (w.size() < 2) return nullptr;
            MenuItemData it;
            it.text = menuText(w[1]);
            if (!itemFlags(w, 2, &it.flags)) return nullptr;
            it.flags |= MF_POPUP;
            it.popup = std::make_unique<MenuData>();
            it.popup->isPopup = true;
            MenuData* sub = it.popup.get();
            cur->items.push_back(std::move(it));
            stack.push_back(sub);
        } else {
            return nullptr;
        }
    }
    if (!header || stack.size() != 1) return nullptr;
    return root;
}

// ---- what a pop-up shows --------------------------------------------------------------------

QString plainText(const std::string& cp) {
    QString t = QString::fromStdString(fw::ToUtf8(cp));
    return t;
}

std::string withoutMnemonic(const std::string& cp) {
    std::string out;
    for (std::size_t i = 0; i < cp.size(); ++i) {
        if (cp[i] == '&') {
            if (i + 1 < cp.size() && cp[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        std::size_t n = fw::CharBytes(cp.c_str() + i);
        out.append(cp, i, std::max<std::size_t>(1, n));
        i += std::max<std::size_t>(1, n) - 1;
    }
    return out;
}

std::vector<fw::uitest::MenuItem> describe(const MenuData* m) {
    std::vector<fw::uitest::MenuItem> out;
    int column = 0;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const MenuItemData& it = m->items[i];
        if (i > 0 && (it.flags & (MF_MENUBREAK | MF_MENUBARBREAK))) ++column;
        fw::uitest::MenuItem d;
        d.text = withoutMnemonic(it.text);
        d.id = it.popup ? 0 : it.id;
        d.flags = it.flags | (it.popup ? UINT(MF_POPUP) : 0u);
        d.column = column;
        if (it.popup) d.popup = describe(it.popup.get());
        out.push_back(std::move(d));
    }
    return out;
}

bool hasBreaks(const MenuData* m) {
    for (std::size_t i = 1; i < m->items.size(); ++i)
        if (m->items[i].flags & (MF_MENUBREAK | MF_MENUBARBREAK)) return true;
    return false;
}

// Fills a platform menu from ours; a chosen command goes to `choose`.
void fillQMenu(QMenu* q, const MenuData* m, const std::function<void(UINT)>& choose) {
    q->clear();
    for (const MenuItemData& it : m->items) {
        if (it.flags & MF_SEPARATOR) {
            q->addSeparator();
            continue;
        }
        QString label = plainText(it.text);
        if (it.popup) {
            QMenu* sub = q->addMenu(label);
            fillQMenu(sub, it.popup.get(), choose);
            sub->setEnabled(!(it.flags & (MF_GRAYED | MF_DISABLED)));
            continue;
        }
        QAction* a = q->addAction(label);
        a->setData(QVariant(uint(it.id)));
        a->setEnabled(!(it.flags & (MF_GRAYED | MF_DISABLED)));
        if (it.flags & MF_CHECKED) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        if (it.flags & MF_DEFAULT) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        UINT id = it.id;
        QObject::connect(a, &QAction::triggered, q, [choose, id] { choose(id); });
    }
}

// A pop-up in columns, for menus with column breaks: one column of plain entries per break.
UINT trackColumns(const MenuData* m, QPoint at) {
    UINT chosen = 0;
    QFrame popup(nullptr, Qt::Popup);
    popup.setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* grid = new QGridLayout(&popup);
    grid->setSpacing(0);
    grid->setContentsMargins(2, 2, 2, 2);
    QEventLoop loop;
    int column = 0, row = 0;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const MenuItemData& it = m->items[i];
        if (i > 0 && (it.flags & (MF_MENUBREAK | MF_MENUBARBREAK))) {
            ++column;
            row = 0;
        }
        if (it.flags & MF_SEPARATOR) {
            auto* line = new QFrame(&popup);
            line->setFrameShape(QFrame::HLine);
            grid->addWidget(line, row++, column);
            continue;
        }
        auto* b = new QPushButton(plainText(it.text), &popup);
        b->setFlat(true);
        b->setStyleSheet(QStringLiteral("text-align: left; padding: 2px 12px;"));
        b->setEnabled(!it.popup && !(it.flags & (MF_GRAYED | MF_DISABLED)));
        if (it.flags & MF_CHECKED) {
            b->setCheckable(true);
            b->setChecked(true);
        }
        UINT id = it.id;
        QObject::connect(b, &QPushButton::clicked, &popup, [&chosen, &loop, id] {
            chosen = id;
            loop.quit();
        });
        grid->addWidget(b, row++, column);
    }
    struct Watch : QObject {
        QEventLoop* loop;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Hide || e->type() == QEvent::Close) loop->quit();
            if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) loop->quit();
            return false;
        }
    } watch;
    watch.loop = &loop;
    popup.installEventFilter(&watch);
    popup.move(at);
    popup.show();
    loop.exec();
    popup.hide();
    return chosen;
}

// Frames' menu bars.
std::map<const CFrameWnd*, std::unique_ptr<CMenu>>& frameMenus() {
    static std::map<const CFrameWnd*, std::unique_ptr<CMenu>> m;
    return m;
}

}  // namespace

// ---- CMenu ----------------------------------------------------------------------------------

CMenu::CMenu() = default;

CMenu::~CMenu() { DestroyMenu(); }

BOOL CMenu::LoadMenu(UINT id) {
    std::string text;
    if (!fw::LoadResourceText("menus", id, text)) return FALSE;
    auto data = parseMenu(text);
    if (!data) return FALSE;
    DestroyMenu();
    m_hMenu = data.release();
    owned_ = true;
    return TRUE;
}

BOOL CMenu::CreateMenu() {
    DestroyMenu();
    m_hMenu = new MenuData;
    owned_ = true;
    return TRUE;
}

BOOL CMenu::CreatePopupMenu() {
    DestroyMenu();
    m_hMenu = new MenuData;
    m_hMenu->isPopup = true;
    owned_ = true;
    return TRUE;
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) return FALSE;
    if (owned_) delete m_hMenu;
    m_hMenu = nullptr;
    owned_ = false;
    return TRUE;
}

BOOL CMenu::Attach(HMENU menu, bool own) {
    if (!menu) return FALSE;
    DestroyMenu();
    m_hMenu = menu;
    owned_ = own;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU h = m_hMenu;
    m_hMenu = nullptr;
    owned_ = false;
    return h;
}

CMenu* CMenu::GetSubMenu(int pos) const {
    if (!m_hMenu || pos < 0 || std::size_t(pos) >= m_hMenu->items.size()) return nullptr;
    MenuData* sub = m_hMenu->items[std::size_t(pos)].popup.get();
    if (!sub) return nullptr;
    if (!sub->facade) {
        sub->facade = std::make_unique<CMenu>();
        sub->facade->Attach(sub, false);
    }
    return sub->facade.get();
}

UINT CMenu::GetMenuItemCount() const { return m_hMenu ? UINT(m_hMenu->items.size()) : UINT(-1); }

UINT CMenu::GetMenuItemID(int pos) const {
    if (!m_hMenu || pos < 0 || std::size_t(pos) >= m_hMenu->items.size()) return UINT(-1);
    const MenuItemData& it = m_hMenu->items[std::size_t(pos)];
    if (it.popup) return UINT(-1);
    return (it.flags & MF_SEPARATOR) ? 0 : it.id;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
    MenuItemData* it = findItem(m_hMenu, item, flags);
    if (!it) return UINT(-1);
    UINT s = it->flags & (kStateBits | MF_SEPARATOR);
    if (it->popup) s |= MF_POPUP | (UINT(it->popup->items.size()) << 8);
    return s;
}

int CMenu::GetMenuString(UINT item, char* buffer, int size, UINT flags) const {
    MenuItemData* it = findItem(m_hMenu, item, flags);
    if (!buffer || size <= 0) return it ? int(it->text.size()) : 0;
    buffer[0] = 0;
    if (!it) return 0;
    return int(fw::CopyText(buffer, std::size_t(size), it->text));
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
    MenuItemData* it = findItem(m_hMenu, item, flags);
    text = it ? it->text : std::string();
    return text.GetLength();
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idOrMenu, const char* text) {
    if (!m_hMenu) return FALSE;
    MenuItemData it;
    if (!fillItem(it, flags, idOrMenu, text)) return FALSE;
    m_hMenu->items.push_back(std::move(it));
    return TRUE;
}

BOOL CMenu::InsertMenu(UINT item, UINT flags, UINT_PTR idOrMenu, const char* text) {
    if (!m_hMenu) return FALSE;
    MenuData* owner = m_hMenu;
    std::size_t index = m_hMenu->items.size();
    if (flags & MF_BYPOSITION) {
        // A position past the end (-1 too) appends.
        if (item < m_hMenu->items.size()) index = item;
    } else if (!findItem(m_hMenu, item, flags, &owner, &index)) {
        return FALSE;
    }
    MenuItemData it;
    if (!fillItem(it, flags, idOrMenu, text)) return FALSE;
    owner->items.insert(owner->items.begin() + long(index), std::move(it));
    return TRUE;
}

BOOL CMenu::ModifyMenu(UINT item, UINT flags, UINT_PTR idOrMenu, const char* text) {
    MenuItemData* it = findItem(m_hMenu, item, flags);
    if (!it) return FALSE;
    MenuItemData now;
    if (!fillItem(now, flags, idOrMenu, text)) return FALSE;
    *it = std::move(now);
    return TRUE;
}

BOOL CMenu::DeleteMenu(UINT item, UINT flags) {
    MenuData* owner = nullptr;
    std::size_t index = 0;
    if (!findItem(m_hMenu, item, flags, &owner, &index)) return FALSE;
    owner->items.erase(owner->items.begin() + long(index));
    return TRUE;
}

BOOL CMenu::RemoveMenu(UINT item, UINT flags) {
    MenuData* owner = nullptr;
    std::size_t index = 0;
    MenuItemData* it = findItem(m_hMenu, item, flags, &owner, &index);
    if (!it) return FALSE;
    if (it->popup) (void)it->popup.release();  // whoever holds the pop-up keeps it
    owner->items.erase(owner->items.begin() + long(index));
    return TRUE;
}

UINT CMenu::CheckMenuItem(UINT item, UINT check) {
    MenuItemData* it = findItem(m_hMenu, item, check);
    if (!it) return UINT(-1);
    UINT old = it->flags & MF_CHECKED;
    it->flags = (it->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
    MenuItemData* it = findItem(m_hMenu, item, enable);
    if (!it) return UINT(-1);
    UINT old = it->flags & (MF_GRAYED | MF_DISABLED);
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return old;
}

BOOL CMenu::SetDefaultItem(UINT item, BOOL byPosition) {
    if (!m_hMenu) return FALSE;
    for (auto& it : m_hMenu->items) it.flags &= ~MF_DEFAULT;
    if (item == UINT(-1)) return TRUE;
    MenuItemData* it = findItem(m_hMenu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (!it) return FALSE;
    it->flags |= MF_DEFAULT;
    return TRUE;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT*) {
    if (!m_hMenu) return FALSE;
    fw::EnsureGraphics();
    if (owner && owner->IsWindow() && !(flags & TPM_NONOTIFY)) owner->SendMessage(WM_INITMENUPOPUP, WPARAM(this), 0);
    fw::uitest::ShownMenu shown;
    shown.x = x;
    shown.y = y;
    shown.flags = flags;
    shown.items = describe(m_hMenu);
    UINT chosen = 0;
    if (fw::UiTestTrackMenu(&shown)) {
        chosen = shown.answer;
    } else if (!fw::Headless()) {
        // A menu with column breaks shows its columns side by side.
        if (hasBreaks(m_hMenu)) {
            chosen = trackColumns(m_hMenu, QPoint(x, y));
        } else {
            QMenu menu;
            fillQMenu(&menu, m_hMenu, [&chosen](UINT id) { chosen = id; });
            menu.exec(QPoint(x, y));
        }
    }
    if (flags & TPM_RETURNCMD) return BOOL(chosen);
    if (chosen && owner && owner->IsWindow() && !(flags & TPM_NONOTIFY)) owner->PostMessage(WM_COMMAND, chosen, 0);
    return chosen != 0;
}

bool fw::HasMenuResource(UINT menuId) {
    std::string text;
    return fw::LoadResourceText("menus", menuId, text) && parseMenu(text) != nullptr;
}

// ---- a frame's menu bar ---------------------------------------------------------------------

namespace {
void connectHovers(QMenu* q, CFrameWnd* frame) {
    for (QAction* a : q->actions()) {
        if (QMenu* sub = a->menu()) {
            connectHovers(sub, frame);
        } else if (!a->isSeparator()) {
            const UINT id = a->data().toUInt();
            QObject::connect(a, &QAction::hovered, a, [frame, id] {
                if (frame->IsWindow()) frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(id, 0), 0);
            });
        }
    }
}
}  // namespace

BOOL fw::AttachMenuBar(CFrameWnd* frame, UINT menuId) {
    if (!frame || !frame->impl()->widget) return FALSE;
    auto menu = std::make_unique<CMenu>();
    if (!menu->LoadMenu(menuId)) return FALSE;
    QWidget* outer = frame->impl()->widget;
    QMenuBar* bar = outer->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar) bar = new QMenuBar(outer);
    bar->clear();
    MenuData* data = menu->m_hMenu;
    for (std::size_t i = 0; i < data->items.size(); ++i) {
        const MenuItemData& it = data->items[i];
        if (!it.popup) continue;
        QMenu* q = bar->addMenu(plainText(it.text));
        // The pop-up is built again each time it opens, so that checks and greyed items are
        // current.
        QObject::connect(q, &QMenu::aboutToShow, q, [frame, q, i] {
            CMenu* m = frame->GetMenu();
            if (!m || !m->m_hMenu || i >= m->m_hMenu->items.size() || !m->m_hMenu->items[i].popup) return;
            frame->SendMessage(WM_INITMENUPOPUP, WPARAM(m->GetSubMenu(int(i))), MAKELPARAM(int(i), 0));
            fillQMenu(q, m->m_hMenu->items[i].popup.get(), [frame](UINT id) {
                if (id && frame->IsWindow()) frame->PostMessage(WM_COMMAND, id, 0);
            });
            // The entry under the pointer tells the frame (its prompt goes to the message
            // field).
            connectHovers(q, frame);
        });
        QObject::connect(q, &QMenu::aboutToHide, q, [frame] {
            if (frame->IsWindow()) frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        });
    }
    bar->show();
    frameMenus()[frame] = std::move(menu);
    fw::FrameLayoutOuter(frame);
    return TRUE;
}

namespace {
QAction* findAction(QMenu* q, UINT id) {
    for (QAction* a : q->actions()) {
        if (QMenu* sub = a->menu()) {
            if (QAction* found = findAction(sub, id)) return found;
        } else if (!a->isSeparator() && a->data().toUInt() == id) {
            return a;
        }
    }
    return nullptr;
}
}  // namespace

fw::MenuBarEntryState fw::ChooseFromMenuBar(CFrameWnd* frame, UINT id, bool choose) {
    MenuBarEntryState state;
    if (!frame || !frame->impl()->widget || id == 0) return state;
    QMenuBar* bar = frame->impl()->widget->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar) return state;
    for (QAction* title : bar->actions()) {
        QMenu* q = title->menu();
        if (!q) continue;
        // The pop-up opens: its update pass runs and its entries are built again.
        emit q->aboutToShow();
        QAction* a = findAction(q, id);
        if (!a) continue;
        state.found = true;
        state.enabled = a->isEnabled();
        for (QWidget* w = a->parentWidget(); w && w != bar; w = w->parentWidget())
            if (!w->isEnabled()) state.enabled = false;
        state.checked = a->isChecked();
        state.text = fw::FromUtf8(a->text().toStdString());
        if (choose && state.enabled) a->trigger();
        return state;
    }
    return state;
}

bool fw::HoverMenuBarEntry(CFrameWnd* frame, UINT id) {
    if (!frame || !frame->impl()->widget || id == 0) return false;
    QMenuBar* bar = frame->impl()->widget->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar) return false;
    for (QAction* title : bar->actions()) {
        QMenu* q = title->menu();
        if (!q) continue;
        emit q->aboutToShow();
        if (QAction* a = findAction(q, id)) {
            a->hover();
            return true;
        }
    }
    return false;
}

void fw::CloseMenuBar(CFrameWnd* frame) {
    if (!frame || !frame->impl()->widget) return;
    if (QMenuBar* bar = frame->impl()->widget->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly))
        for (QAction* title : bar->actions())
            if (QMenu* q = title->menu()) emit q->aboutToHide();
}

void fw::DropFrameMenu(const CFrameWnd* frame) { frameMenus().erase(frame); }

CMenu* fw::FrameMenu(const CFrameWnd* frame) {
    auto it = frameMenus().find(frame);
    return it == frameMenus().end() ? nullptr : it->second.get();
}
