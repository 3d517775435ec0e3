// Clear, Cut's removal and the strip commands (marks, beams, duplicate heads) over the selection.
#include "edit/DeleteTask.h"

#include <memory>

#include "edit/ChordTies.h"
#include "edit/EditStandIns.h"
#include "model/Bar.h"
#include "model/ItemArray.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"

namespace {
// A head's flag that makes it the one kept of two equal heads (bit 2 of its byte 3).
constexpr std::uint8_t kKeptDuplicateBit = 0x04;
}  // namespace

bool CDeleteTask::SaveTrackBarRange(int track1, int bar1, int track2, int bar2) {
    // An empty selection has nothing to delete: nothing is saved (its reversed bounds would
    // span the whole score) and the operation is not kept for undo.
    if (track1 > track2 || bar1 > bar2) {
        undoable = 0;
        return true;
    }
    const bool saved = CScoreTask::SaveTrackBarRange(track1 - 1, bar1 - 1, track2 + 1, bar2 + 1);
    hasSnapshot = saved ? 1 : 0;
    if (saved && score) {
        if (CPageTextArray* texts = score->GetPageTextArray()) {
            for (int i = 0; i < texts->GetCount(); ++i) {
                auto* text = static_cast<CBarItem*>(texts->GetAt(i));
                if (text && text->IsSelectedBit()) return SavePageTexts();
            }
        }
    }
    return saved;
}

bool CDeleteTask::Perform() {
    fillGaps = tempoGone = carriedGone = emptiedVoices = 0;
    SetDeselect(false);
    CCruise::Perform();
    if (CPageTextArray* texts = score ? score->GetPageTextArray() : nullptr) {
        for (int i = texts->GetCount() - 1; i >= 0; --i) {
            auto* text = static_cast<CBarItem*>(texts->GetAt(i));
            if (!text || !text->IsSelectedBit()) continue;
            text->Invalidate();
            texts->Remove(text);
        }
    }
    if (tempoGone) {
        score->RecalcBars(false);
    } else if (carriedGone) {
        // What the bar recalculation carries from bar to bar changed without one: the next
        // recalculation walks the whole score, not on from what the last one carried into a
        // later system.
        score->ForgetRecalcStarts();
    }
    if (document && lower[kExtentBar] <= upper[kExtentBar]) {
        document->location.barIndex = lower[kExtentBar];
        document->location.time = lower[kExtentTime];
        document->location.position = lower[kExtentPosition];
    }
    return true;
}

void CDeleteTask::DoTrackBar() {
    // Every track bar ends with the end step, whether or not its voices met removed records:
    // the bar's own selected items go there.
    endDone = false;
    CCruise::DoTrackBar();
    if (!endDone) EndTrackBar();
}

void CDeleteTask::DoItem() {
    CBarItem* item = curItem;
    if (!item->IsNoteOrRawNote()) {
        // One tie of a chord cleared takes the chord's other ties with it.
        if (name == kClear && item->IsTie() && edit::IsChordTie(trkBar, item))
            edit::RemoveSiblingTies(*this, trkBar, item, true);
    } else {
        // The items attached to the note (ties, slurs, beams, tuplets) are redrawn, each bar of
        // another track bar saved first; a beam lays itself out again, or goes with the beams
        // command.
        auto attached = std::make_unique<AttachedItemList>();
        static_cast<CRawHead*>(item)->CollectAttached(trkBar, attached.get(), CRawNote::kAllHeads);
        for (int k = 0; k < attached->count; ++k) {
            CBarItem* a = attached->items[k];
            CTrkBar* owner = attached->bars[k];
            if (!a) continue;
            if (owner && owner != trkBar) {
                if (!SaveTrackBar(owner->GetTrackIndex(), owner->GetBarIndex())) hasSnapshot = 0;
                owner->SetCurrent();
            }
            AddItemRect(a);
            if (a->IsBeam()) {
                a->SetFlagsA(std::uint8_t(a->FlagsA() | CBarItem::kRelayoutBit));
                if (name == kDeleteBeams) a->MarkRemoved();
            }
        }
        trkBar->SetCurrent();
    }
    switch (name) {
    case kClear:
    case kCut:
        AddItemRect(item);
        if (item->IsClef() || item->IsKeySig()) carriedGone = 1;
        item->Delete();
        if (item->IsTempo()) {
            tempoGone = 1;
        } else if (item->IsNoteOrRawNote()) {
            if (!item->IsRemoved()) {
                // Only some heads went: the chord stays selected.
                item->Select();
                auto* note = static_cast<CRawNote*>(item);
                if (note->HeadCountField() > 0) note->Head(0)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
            } else {
                fillGaps = 1;
                emptiedVoices |= std::uint8_t(1u << item->VoiceField());
            }
        }
        break;
    case kDeleteBeams:
        if (item->IsBeam()) item->MarkRemoved();
        AddItemRect(item);
        break;
    case kDeleteMarks:
        if (item->IsNoteRestOrRawNote()) StripMarks();
        AddItemRect(curItem);
        break;
    case kDeleteDuplicates:
        item->Deselect();
        if (item->IsNoteOrRawNote()) DeleteDuplicateHeads();
        break;
    default:
        break;
    }
    changed = 1;
}

void CDeleteTask::StripMarks() {
    auto* head = static_cast<CRawHead*>(curItem);
    while (head->MarkCount() != 0) {
        const int before = head->MarkCount();
        head = head->RemoveMark(0);
        if (!head) ThrowOutOfMemory();
        // The record shrank and may have moved: the walk goes on from its new place.
        curItem = head;
        if (head->MarkCount() >= before) break;
    }
}

void CDeleteTask::DeleteDuplicateHeads() {
    auto* note = static_cast<CRawNote*>(curItem);
    for (bool again = true; again;) {
        again = false;
        const int n = note->HeadCountField();
        for (int i = n - 1; i > 0 && !again; --i)
            for (int j = i - 1; j >= 0 && !again; --j) {
                const NoteHead* hi = note->Head(i);
                const NoteHead* hj = note->Head(j);
                if (hi->Pitch() != hj->Pitch() || hi->StartOffset() != hj->StartOffset()) continue;
                const bool lowerGoes = (hj->Byte(NoteHead::kAccByte) & kKeptDuplicateBit) &&
                                       !(hi->Byte(NoteHead::kAccByte) & kKeptDuplicateBit);
                note->RemoveHead(lowerGoes ? j : i);
                again = true;
            }
    }
}

void CDeleteTask::EndTrackBar() {
    endDone = true;
    // The bar's own items (tempo marks, endings, jumpers) selected in this track.
    if (bar) {
        if (CItemArray* own = bar->GetItemArray()) {
            for (int i = 0; i < own->GetCount();) {
                auto* item = static_cast<CBarItem*>(own->GetAt(i));
                if (!item) break;
                if (item->IsRemoved() || !item->IsSelected(curTrack)) {
                    ++i;
                    continue;
                }
                if (item->IsTempo()) tempoGone = 1;
                curItem = item;
                DoItem();
                // What the bar's own list no longer holds leaves it (the list is never compacted).
                if (curItem->IsRemoved())
                    bar->RemoveItem(curItem);
                else
                    ++i;
            }
        }
    }
    trkBar->SetCurrent();
    trkBar->Invalidate();
    if (!changed) return;
    // Every voice that lost a note gets its gaps filled (the walk over all voices may empty
    // several).
    if (fillGaps)
        for (int v = 0; v < 8; ++v) {
            if (!(emptiedVoices & (1u << v))) continue;
            const bool other = v >= 1 && trkBar->HasOtherVoice(v);
            if (!trkBar->FillGaps(v, true, other, true)) ThrowOutOfMemory();
        }
    trkBar->Compact();
    trkBar->RecalcTimes(nullptr, nullptr);
    trkBar->RecalcAccidentals();
    trkBar->Recalc(0);
    if (g_entry.autoSpacing) {
        if (!bar->Respace()) ThrowOutOfMemory();
        if (system) system->Rejustify(true);
    }
    changed = 0;
    fillGaps = 0;
    emptiedVoices = 0;
}
