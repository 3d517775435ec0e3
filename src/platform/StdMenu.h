// A menu resource whose first pop-up is shown at a point, with item operations by position
// (and by pop-up and position) and automatic column breaks for long lists.
#pragma once
#include <cstddef>
#include <cstdint>

#include "framework/Menu.h"

class CStdMenu : public CMenu {
public:
    static constexpr int kTextMax = 31;

    CStdMenu();
    ~CStdMenu() override;

    // Loads menu resource id in place of the old menu, filters it and takes its first pop-up;
    // column count 30. False when there is no such menu.
    virtual bool Load(UINT id);                                                          // 7
    // An empty pop-up in place of the old menu, filled by InsertItem and InsertSubItem; no
    // column breaks unless columnCount is set.
    bool Create();
    virtual void SetCheck(int pos, bool on);                                             // 8
    virtual void EnableItem(int pos);                                                    // 9
    virtual void DisableItem(int pos);                                                   // 10
    virtual void DisableCommand(UINT id);                                                // 11
    // At most 31 characters (and size - 1), terminated.
    virtual void GetItemText(int pos, char* text, std::size_t size);                     // 12
    virtual void SetItemText(int pos, const char* text);                                 // 13
    virtual UINT GetItemId(int pos);                                                     // 14
    virtual void SetItemId(int pos, UINT id);                                            // 15
    virtual UINT GetSubItemId(int sub, int pos);                                         // 16
    virtual void SetSubItemId(int sub, int pos, UINT id);                                // 17
    virtual void GetSubMenuText(int sub, char* text, std::size_t size);                  // 18
    virtual void DeleteItem(int pos);                                                    // 19
    // A separator when asked; else a column break when asked or when pos is a positive
    // multiple of the column count. Id -1 stands for pos + 1.
    virtual void InsertItem(int pos, const char* text, int id = -1, bool separator = false,
                            bool columnBreak = false);                                   // 20
    // Into pop-up sub; a pop-up that does not exist yet is made and inserted at position sub
    // with the text.
    virtual void InsertSubItem(int sub, int pos, const char* text, int id = -1, bool separator = false,
                               bool columnBreak = false);                                // 21
    virtual void DeleteSubItem(int sub, int pos);                                        // 22
    virtual void CheckSubItem(int sub, int pos, bool on);                                // 23
    // Marks item current (unless -1), shows the pop-up at (x, y) on the screen and returns the
    // position of the chosen item, or -1.
    virtual int TrackSelect(int x, int y, int current);                                  // 24
    // Shows the pop-up at (x, y); the chosen command id, 0 when none.
    virtual UINT Track(int x, int y);                                                    // 25

    template <std::size_t N>
    void GetItemText(int pos, char (&text)[N]) { GetItemText(pos, text, N); }

    std::int32_t columnCount = 0;
    CMenu* popup = nullptr;

protected:
    // The menu's first pop-up, looked up again.
    CMenu* Popup();
    // Inserts into a menu by position with the column-break rule.
    void InsertInto(CMenu* menu, int pos, const char* text, int id, bool separator, bool columnBreak);
};
