// Menus: menu bars and pop-ups, loaded from the program's menu resources
// (resources/menus/<id>.menu, described in docs/architecture.md) or built item by item, and
// pop-ups tracked at a point.
//
// Items are addressed by command id (MF_BYCOMMAND, which also searches the pop-ups inside) or
// by position (MF_BYPOSITION). Texts are in the program's code page; "&" marks the mnemonic
// and "\t" starts the accelerator text. MF_MENUBREAK starts a new column at the item,
// MF_MENUBARBREAK a new column with a dividing line.
//
// Without a visible display a tracked pop-up answers "nothing chosen" (0) unless a uitest
// script answers it.
#pragma once
#include <memory>
#include <string>

#include "framework/String.h"
#include "framework/Types.h"
#include "framework/Messages.h"

class CWnd;
class CFrameWnd;

enum : UINT {
    MF_STRING = 0x0000,
    MF_BYCOMMAND = 0x0000,
    MF_ENABLED = 0x0000,
    MF_UNCHECKED = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_CHECKED = 0x0008,
    MF_POPUP = 0x0010,
    MF_MENUBARBREAK = 0x0020,
    MF_MENUBREAK = 0x0040,
    MF_HILITE = 0x0080,
    MF_OWNERDRAW = 0x0100,
    MF_BYPOSITION = 0x0400,
    MF_SEPARATOR = 0x0800,
    MF_DEFAULT = 0x1000,
};

enum : UINT {
    TPM_LEFTBUTTON = 0x0000,
    TPM_LEFTALIGN = 0x0000,
    TPM_TOPALIGN = 0x0000,
    TPM_RIGHTBUTTON = 0x0002,
    TPM_CENTERALIGN = 0x0004,
    TPM_RIGHTALIGN = 0x0008,
    TPM_VCENTERALIGN = 0x0010,
    TPM_BOTTOMALIGN = 0x0020,
    TPM_NONOTIFY = 0x0080,
    TPM_RETURNCMD = 0x0100,
};

// A menu (its handle of the original): owned by the CMenu that made or loaded it, or by the
// menu it was inserted into as a pop-up.
struct MenuData;
using HMENU = MenuData*;

class CMenu {
public:
    CMenu();
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // Loads menu resource `id` (its items, pop-ups inside pop-ups, breaks and states); false
    // when there is none.
    BOOL LoadMenu(UINT id);
    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    // Frees the menu this object owns.
    BOOL DestroyMenu();
    // Takes a menu; the object owns it from then on when own is true.
    BOOL Attach(HMENU menu, bool own = true);
    // Lets go of the menu without freeing it.
    HMENU Detach();
    HMENU GetSafeHmenu() const { return m_hMenu; }

    // The pop-up at a position (an object that lives as long as the pop-up), or null.
    CMenu* GetSubMenu(int pos) const;
    // Item count (-1 without a menu).
    UINT GetMenuItemCount() const;
    // Command id at a position: 0 for a separator, -1 for a pop-up or a wrong position.
    UINT GetMenuItemID(int pos) const;
    // MF_ state bits of an item (MF_CHECKED, MF_GRAYED, MF_POPUP, MF_SEPARATOR, the breaks);
    // -1 when there is no such item.
    UINT GetMenuState(UINT item, UINT flags) const;
    // The item's text into buffer (at most size-1 bytes, terminated); returns its length.
    int GetMenuString(UINT item, char* buffer, int size, UINT flags) const;
    int GetMenuString(UINT item, CString& text, UINT flags) const;

    // With MF_POPUP, idOrMenu is the HMENU of the pop-up, which the menu then owns.
    BOOL AppendMenu(UINT flags, UINT_PTR idOrMenu = 0, const char* text = nullptr);
    BOOL InsertMenu(UINT item, UINT flags, UINT_PTR idOrMenu = 0, const char* text = nullptr);
    BOOL ModifyMenu(UINT item, UINT flags, UINT_PTR idOrMenu = 0, const char* text = nullptr);
    // Removes an item; a pop-up is freed.
    BOOL DeleteMenu(UINT item, UINT flags);
    // Removes an item; a pop-up is handed back to no one (it stays alive for whoever holds it).
    BOOL RemoveMenu(UINT item, UINT flags);
    // Returns the previous state (MF_CHECKED or MF_UNCHECKED), -1 when there is no such item.
    UINT CheckMenuItem(UINT item, UINT check);
    // Returns the previous state (MF_ENABLED, MF_GRAYED or MF_DISABLED), -1 when none.
    UINT EnableMenuItem(UINT item, UINT enable);
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE);

    // Shows the pop-up at (x, y) on the screen. With TPM_RETURNCMD returns the chosen command
    // id (0 when none); otherwise sends the choice to owner as WM_COMMAND (unless
    // TPM_NONOTIFY) and returns whether something was chosen.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* rect = nullptr);

    HMENU m_hMenu = nullptr;

private:
    bool owned_ = false;
};

namespace fw {
// Whether a menu resource exists.
bool HasMenuResource(UINT menuId);

// A frame's menu-bar entry as its pop-up showed it.
struct MenuBarEntryState {
    bool found = false;
    bool enabled = false;
    bool checked = false;
    std::string text;  // code page, "&" and the tab's keys as the entry holds them
};
// Opens the menu-bar pop-up that holds command id as a click on its title would (its update
// pass runs and it is built again) and, with choose, chooses the entry when it is enabled (the
// command is posted to the frame). Returns the entry as shown.
MenuBarEntryState ChooseFromMenuBar(CFrameWnd* frame, UINT id, bool choose = true);
// Opens the pop-ups of a frame's menu bar up to the one holding the entry and puts the pointer
// over it (what a hover does); false when no entry has the id. CloseMenuBar closes them.
bool HoverMenuBarEntry(CFrameWnd* frame, UINT id);
void CloseMenuBar(CFrameWnd* frame);
}  // namespace fw
