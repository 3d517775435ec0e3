// The command-UI object the document's update handlers drive: it stands for the one menu entry
// or bar button being updated and changes it only when the entry's id is the one a call names.
#pragma once
#include <string>

class CCmdUI;

class CMenuUI {
public:
    // Starts on an entry: with state 0 the entry is greyed at once, with 1 enabled, with -1 it is left to the
    // calls that follow (an entry that no call matches stays as it was, enabled).
    void Begin(CCmdUI* entry, int state);
    void EnableId(int id);
    void DisableId(int id);
    // Checks (or unchecks) the entry when its id is the given one.
    void CheckId(int id, bool on = true);
    // Enables the entry when its id lies in first..last.
    void EnableRange(int first, int last);
    // The entry's text (code page; "&" and the tab's keys kept).
    std::string GetItemText() const;
    void SetText(const std::string& text);
    // The entry's id (0 when none is being updated).
    int Id() const;
    void Enable(bool on);

private:
    CCmdUI* entry_ = nullptr;
};

// The program's one command-UI object.
CMenuUI& MenuUI();
