// The drag of every selected item at once: notes re-pitched together (the hit note sounding) or
// moved along their bars, with Ctrl stretched in proportion from the first selected note, and
// the other selected items (rests, lyrics, texts, dynamics, hairpins, chord symbols, frames,
// symbols, graphics, pictures, slurs, tuplets) moved by the same step through their own drag
// operations. One undoable step over the bars of the selection's tracks.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/DragTask.h"

class CBarItem;
class CTrkBar;

class CDragGroup : public CDragTask {
public:
    // One listed item: the record, its bar of a track, and the note it came with (null: listed
    // on its own).
    struct Entry {
        CBarItem* item;
        CTrkBar* trkBar;
        CBarItem* owner;
    };

    CDragGroup() = default;
    ~CDragGroup() override;

    // Lists the selection's items (and the hit item): the track bars of the selection's range are
    // saved first. A list that cannot be had leaves the drag without one: its first move raises
    // the out-of-memory error (100), which gives the score back.
    void Begin(CZelDoc* doc, CScoreItem* item, int nameId) override;

    void BeginItemDrag() override;
    void MoveItemDrag() override;
    void EndItemDrag() override;
    void DrawDragImage() override {}
    void DrawFeedback() override;
    void Click() override {}

    int Count() const { return count; }
    const Entry* Entries() const { return entries; }

    std::int32_t hitIndex = -1;       // the hit item's place in the list (-1: not listed)
    std::int32_t lastStaffPos = 0;    // the staff position of the drag's last step
    std::int32_t firstPosition = 0;   // the first and last listed note, in 1/1024 of a bar from
    std::int32_t lastPosition = 0;    // the selection's first bar
    std::int32_t hitHead = -1;        // the hit note's head

private:
    bool Add(CBarItem* item, CTrkBar* trkBar, CBarItem* owner);
    bool Listed(const CBarItem* item) const;
    void FreeList();
    void InvalidateListed();
    void MoveNote(Entry& e, int staffStep, bool stretch, bool* stopped);

    HGLOBAL list = 0;
    Entry* entries = nullptr;
    int capacity = 0;
    int count = 0;
    int firstBar = 0;
    bool movedVertically = false;
    bool hitIsLast = false;  // the hit item is the last listed note
};
