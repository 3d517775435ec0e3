// Bars and pages in and out of every track.
//
// CAddBarTask: 34001 (Measure > Delete Bars, dialog 236) and 33463 (the bar pop-up's delete)
// take the selected bars, else the insertion point's; 33225 appends one bar, 33227 inserts one
// before the insertion point's bar; any other id (34000, Measure > Insert Bars) asks with
// dialog 237 how many, before or after the current bar. Items that cross the place keep
// reaching over it: an insertion lengthens them by the new bars, a deletion cuts them (a tie or
// slur into the deleted bars goes), and the key in force after deleted bars stays.
//
// CAddPageTask: argument 1 inserts pages (dialog 233, before or after the current page), 0
// deletes pages from the current one (dialog 235).
#pragma once

#include "model/EditTask.h"

class CAddBarTask : public CCruise {
public:
    enum : int { kInsertMenu = 34000, kDeleteMenu = 34001, kAppend = 33225, kInsertBefore = 33227, kDeleteHere = 33463 };
    static constexpr int kMaxInsert = 100;

    bool Prepare() override;
    bool Perform() override;

    std::uint8_t insert = 1;
    std::int16_t position = 0;
    std::int16_t count = 1;
    // Items or keys of bars outside the edited ones changed: the whole score is recalculated.
    bool carriedChanged = false;

private:
    // Items of the bars before the position that reach it: lengthened over inserted bars, cut
    // (or, two-ended, removed) before deleted ones.
    void FitSpanningItems();
    // Each track's last key change among the deleted bars goes to the bar after them.
    void KeepKeyAfterDeletedBars();
};

class CAddPageTask : public CCruise {
public:
    bool Prepare() override;
    bool Perform() override;

    std::uint8_t insert = 1;
    std::uint8_t after = 0;
    std::int16_t page = 0;
    std::int16_t count = 1;
};
