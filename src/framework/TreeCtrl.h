// The tree control: items with a text and a 32-bit data word under a root, each level kept in
// the order the program inserts it (or sorted, when asked). The tree tells its parent when the
// selected item changes, whether the user or the program chose it: WM_COMMAND with the control
// id in the low word and TVN_SELCHANGED in the high word, lParam the control (CWnd*).
#pragma once
#include "framework/String.h"
#include "framework/Window.h"

struct TreeItemTag;
using HTREEITEM = TreeItemTag*;

// Where InsertItem puts an item: the parent TVI_ROOT is the root; after TVI_FIRST/TVI_LAST at
// the start or the end of its siblings, TVI_SORT among them by text.
inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(std::intptr_t(-0x10000));
inline HTREEITEM const TVI_FIRST = reinterpret_cast<HTREEITEM>(std::intptr_t(-0x0FFFF));
inline HTREEITEM const TVI_LAST = reinterpret_cast<HTREEITEM>(std::intptr_t(-0x0FFFE));
inline HTREEITEM const TVI_SORT = reinterpret_cast<HTREEITEM>(std::intptr_t(-0x0FFFD));

// The selection-change notice (as the 16-bit notification code of WM_COMMAND).
enum : UINT { TVN_SELCHANGED = 0xFE6E };
// Expand codes.
enum : UINT { TVE_COLLAPSE = 0x1, TVE_EXPAND = 0x2, TVE_TOGGLE = 0x3 };

class CTreeCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // Null when the parent is not an item of this tree.
    HTREEITEM InsertItem(const char* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    BOOL DeleteAllItems();
    UINT GetCount() const;
    CString GetItemText(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    DWORD_PTR GetItemData(HTREEITEM item) const;
    // Null for a top-level item (or no item).
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetSelectedItem() const;
    // Selects the item (null: none) and tells the parent when the selection changed.
    BOOL SelectItem(HTREEITEM item);
    BOOL Expand(HTREEITEM item, UINT code);
    // The item's rectangle in the control's client coordinates; false when it is not shown.
    BOOL GetItemRect(HTREEITEM item, RECT* rect, BOOL textOnly) const;
    // The indent of a level, in pixels.
    void SetIndent(UINT indent);
    UINT GetIndent() const;
};
