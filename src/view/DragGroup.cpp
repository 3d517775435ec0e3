// The drag of the selection as a whole: the list of what moves, each step's moves of notes
// (pitch or position, the stretch with Ctrl), rests and the other items, and the release that
// marks, re-lays and re-ties what moved.
#include "view/DragGroup.h"

#include <algorithm>
#include <cstdlib>

#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreItem.h"
#include "model/Select.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/NoteBase.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"

namespace {

constexpr std::uint8_t kHeadMarkBit = 0x02;  // a head's first byte: the head is selected
constexpr std::uint8_t kEndDragBit = 0x04;   // an item's flag byte: its end-drag hook is due
constexpr int kLowestPosition = -64, kHighestPosition = 1023;

// The kinds of item a group drag takes.
bool Moves(CBarItem* it) {
    return it->IsNoteRestOrRawNote() || it->IsLyric() || it->IsText() || it->IsCresc() || it->IsDynamic() ||
           it->IsChord() || it->IsGuitarFrame() || it->IsSymbol() || it->IsGraphic() || it->IsPict() ||
           it->IsSlur() || it->IsTuplet();
}

bool HeadMarked(CBarItem* note, int head) { return (entry::HeadAt(note, head)[entry::kHeadShape] & kHeadMarkBit) != 0; }

void MarkHead(CBarItem* note, int head, bool on) {
    std::uint8_t& b = entry::HeadAt(note, head)[entry::kHeadShape];
    b = on ? std::uint8_t(b | kHeadMarkBit) : std::uint8_t(b & ~kHeadMarkBit);
}

bool ChordSounds() { return g_preferences.Byte(Preferences::kDragChord) != 0; }

}  // namespace

CDragGroup::~CDragGroup() { FreeList(); }

void CDragGroup::FreeList() {
    if (!list) return;
    UnlockHandle(list);
    FreeHandle(list);
    list = 0;
    entries = nullptr;
    count = capacity = 0;
}

bool CDragGroup::Listed(const CBarItem* it) const {
    for (int i = 0; i < count; ++i)
        if (entries[i].item == it) return true;
    return false;
}

bool CDragGroup::Add(CBarItem* it, CTrkBar* trkBar, CBarItem* owner) {
    if (Listed(it)) return true;
    if (count >= capacity) return false;
    entries[count++] = Entry{it, trkBar, owner};
    return true;
}

void CDragGroup::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    CDragTask::Begin(doc, hit, nameId);
    followStaff = 0;   // the steps are counted on the staff of the press
    copyDrag = 0;
    if (!doc || !score) return;
    CSelect* sel = doc->GetSelection();
    const int selected = sel ? sel->GetItemCount() : 0;
    const int room = std::max(2, 2 * selected);
    list = AllocHandle(std::uint32_t(room * sizeof(Entry)));
    if (!list) return;
    entries = static_cast<Entry*>(LockHandle(list));
    capacity = room;

    auto* hitItem = hit && hit->ClassTestC() ? static_cast<CBarItem*>(hit) : nullptr;
    hitHead = g_model.hitPart;
    if (hitItem && hitItem->IsNoteOrRawNote()) {
        if (hitHead < 0 || hitHead >= entry::HeadCount(hitItem)) hitHead = 0;
        if (!hitItem->IsSelectedBit()) MarkHead(hitItem, hitHead, true);
        StartItemSound(hitItem, ChordSounds() ? -1 : hitHead);
    }

    const ScoreLocation& ip = doc->location;
    int t1 = sel ? sel->lower[kExtentTrack] : ip.trackIndex, t2 = sel ? sel->upper[kExtentTrack] : ip.trackIndex;
    int b1 = sel ? sel->lower[kExtentBar] : ip.barIndex, b2 = sel ? sel->upper[kExtentBar] : ip.barIndex;
    if (hitItem) {
        t1 = std::min<int>(t1, ip.trackIndex), t2 = std::max<int>(t2, ip.trackIndex);
        b1 = std::min<int>(b1, ip.barIndex), b2 = std::max<int>(b2, ip.barIndex);
    }
    t1 = std::max(t1, 0), b1 = std::max(b1, 0);
    t2 = std::min(t2, score->GetTrackCount() - 1), b2 = std::min(b2, score->GetBarCount() - 1);
    firstBar = b1;
    bool firstNote = true, full = false;
    for (int t = t1; t <= t2 && !full; ++t) {
        for (int b = b1; b <= b2 && !full; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            if (!SaveTrackBar(t, b)) {
                FreeList();
                return;
            }
            tb->SetCurrent();
            trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
                if (full || !(it->IsSelectedBit() || it == hitItem) || !Moves(it)) return;
                if (it == hitItem) hitIndex = Listed(it) ? hitIndex : count;
                if (!Add(it, tb, nullptr)) {
                    full = true;
                    return;
                }
                if (!it->IsNoteOrRawNote()) return;
                const int at = (b - firstBar) * 1024 + it->PositionField();
                if (firstNote) firstPosition = at;
                firstNote = false;
                lastPosition = at;
                hitIsLast = it == hitItem;
                AttachedItemList attached;
                static_cast<CRawHead*>(it)->CollectAttached(tb, &attached, -1);
                for (int i = 0; i < attached.count && !full; ++i)
                    if (attached.items[i] && !Add(attached.items[i], attached.bars[i] ? attached.bars[i] : tb, it))
                        full = true;
                tb->SetCurrent();
            });
        }
    }
    InvalidateListed();
}

void CDragGroup::InvalidateListed() {
    for (int i = 0; i < count; ++i) {
        if (entries[i].trkBar) entries[i].trkBar->SetCurrent();
        entries[i].item->Invalidate();
    }
}

void CDragGroup::BeginItemDrag() { lastStaffPos = targetStaffPos; }

// The moved items are drawn where they now stand when the panes repaint what the steps
// invalidated; no image of them is inverted over the page.
void CDragGroup::DrawFeedback() {}

void CDragGroup::MoveNote(Entry& e, int staffStep, bool stretch, bool* stopped) {
    CBarItem* note = e.item;
    CTrkBar* tb = e.trkBar;
    if (staffStep != 0) {
        movedVertically = true;
        int clef = 0, key = 0;
        tb->GetClefAndKeyAt(note->PositionField(), &clef, &key);
        pitchContext[0] = std::int16_t(clef);
        pitchContext[1] = std::int16_t(key);
        const int keep = targetStaffPos;
        for (int h = 0, n = entry::HeadCount(note); h < n; ++h) {
            if (!HeadMarked(note, h)) continue;
            std::uint8_t* head = entry::HeadAt(note, h);
            const int was = entry::HeadPos(head);
            targetStaffPos = std::clamp(was + staffStep, -127, 127);
            SoundChord(note, h, static_cast<CScoreItem*>(note) == item);
            head = entry::HeadAt(note, h);
            head[entry::kHeadPos] = std::uint8_t(std::int8_t(was));
            NoteMoveHead(*note, h, targetStaffPos - was);
        }
        targetStaffPos = keep;
        NoteUpdateStem(*note, 3, true);
    }
    if (positionStep == 0 || *stopped) return;
    const int at = note->PositionField();
    int want = at + positionStep;
    if (stretch) {
        // Positions counted from the first note (1024 a bar from the selection's first bar): the
        // last note dragged stretches them from the first one, any other note towards the last.
        const long long offset = (long long)(tb->GetBarIndex() - firstBar) * 1024 - firstPosition;
        const long long span = lastPosition - firstPosition, pos = offset + at;
        if (hitIsLast)
            want = int(pos * (span + positionStep) / span - offset);
        else
            want = int(span - (span - pos) * (span - positionStep) / span - offset);
    }
    if (want < kLowestPosition + 1 || want > kHighestPosition) *stopped = true;
    note->SetPosition(std::clamp(want, kLowestPosition, kHighestPosition));
}

void CDragGroup::MoveItemDrag() {
    if (!entries) ThrowOutOfMemory();
    const int staffStep = targetStaffPos - lastStaffPos;
    lastStaffPos = targetStaffPos;
    if (staffStep == 0 && positionStep == 0 && dx == 0 && dy == 0) return;
    InvalidateListed();
    const bool stretch = g_platform.ctrlDown && lastPosition != firstPosition;
    const bool backwards = horizontal && positionStep > 0;
    bool stopped = false;
    const std::int16_t keepPart = g_model.hitPart;
    g_model.hitPart = 0;
    for (int k = 0; k < count; ++k) {
        Entry& e = entries[backwards ? count - 1 - k : k];
        CBarItem* it = e.item;
        if (e.owner) continue;  // beams, ties and slurs of a moved note follow it
        if (e.trkBar) e.trkBar->SetCurrent();
        if (it->IsNoteOrRawNote()) {
            MoveNote(e, staffStep, stretch, &stopped);
        } else if (it->IsRest()) {
            if (staffStep != 0)
                entry::PutByte(it, entry::kRestStaffPos,
                               std::uint8_t(std::int8_t(std::clamp(std::int8_t(entry::Byte(it, entry::kRestStaffPos)) + staffStep, -127, 127))));
            if (positionStep != 0 && !stopped)
                it->SetPosition(std::clamp(it->PositionField() + positionStep, kLowestPosition, kHighestPosition));
        } else if (it->IsLyric()) {
            // A syllable under a selected note or rest moves with it already.
            bool carried = false;
            trkbar::ForEachLiveItem(e.trkBar, [&](CBarItem* other) {
                carried |= other->IsNoteOrRest() && other->IsSelectedBit() && other->TimeField() == it->TimeField();
            });
            if (!carried) it->DragBy(this);
        } else {
            it->DragBy(this);
        }
    }
    g_model.hitPart = keepPart;
    // The stretch goes on from where this step left the first and the last note.
    if (stretch && hitIsLast)
        lastPosition += positionStep;
    else if (stretch)
        firstPosition += positionStep;
    InvalidateListed();
}

void CDragGroup::EndItemDrag() {
    auto* hitItem = item && item->ClassTestC() ? static_cast<CBarItem*>(item) : nullptr;
    if (hitItem && hitItem->IsNoteOrRawNote()) {
        StopItemSound(hitItem, ChordSounds() ? -1 : hitHead);
        if (!hitItem->IsSelectedBit() && hitHead >= 0 && hitHead < entry::HeadCount(hitItem)) MarkHead(hitItem, hitHead, false);
    }
    if (!entries || !moved) return;
    CSelect* sel = document ? document->GetSelection() : nullptr;
    if (hitIndex >= 0 && hitIndex < count && sel) {
        Entry& e = entries[hitIndex];
        sel->MarkItem(e.item, e.item->IsNoteOrRawNote() ? hitHead : CSelect::kWhole, e.trkBar);
    }
    int lowBar = 32767, highBar = -1;
    for (int i = 0; i < count; ++i) {
        Entry& e = entries[i];
        e.item->SetFlagsB(std::uint8_t(e.item->FlagsB() & ~CBarItem::kRemovedBit));
        if (e.trkBar) {
            lowBar = std::min<int>(lowBar, e.trkBar->GetBarIndex());
            highBar = std::max<int>(highBar, e.trkBar->GetBarIndex());
        }
    }
    // The bars of a track that hold moved items are laid out again: their beams, tuplets and
    // slurs, and after a re-pitch the accidentals.
    for (int i = 0; i < count; ++i) {
        CTrkBar* tb = entries[i].trkBar;
        bool seen = false;
        for (int j = 0; j < i && !seen; ++j) seen = entries[j].trkBar == tb;
        if (!tb || seen) continue;
        tb->SetCurrent();
        if (movedVertically) tb->RecalcAccidentals();
        tb->Recalc(1);
    }
    if (score && sel)
        for (int t = std::max<int>(0, sel->lower[kExtentTrack]); t <= sel->upper[kExtentTrack] && t < score->GetTrackCount(); ++t)
            for (int b = std::max(0, lowBar); b <= highBar; ++b) {
                CTrkBar* tb = score->GetTrkBar(t, b);
                if (!tb) continue;
                tb->SetCurrent();
                trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
                    if (it->IsNoteOrRawNote() && it->IsSelectedBit()) NotePlaceTies(*it, t);
                });
            }
    InvalidateListed();
    // What undo gives back is the score before the drag without a selection, as redo gives the
    // moved one: the swap deselects what is live.
    ClearSnapshotMarks();
    // The page of the drag stays current for what the pane does next.
    if (CTrkBar* tb = score ? score->GetTrkBar(g_model.dragStart.trackIndex, g_model.dragStart.barIndex) : nullptr)
        tb->SetCurrent();
}
