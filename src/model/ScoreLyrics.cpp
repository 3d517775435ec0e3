// Lyric entry's shift of a verse's syllables by one note, forwards or backwards.
#include <cstring>
#include <vector>

#include "framework/Exceptions.h"
#include "model/BarItem.h"
#include "model/EditTask.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/TrkBar.h"
#include "model/TrkBarFinders.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace {

// A whole copy of a record, whatever its size.
std::vector<std::uint8_t> CopyOf(const CBarItem* item) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(item);
    return std::vector<std::uint8_t>(p, p + item->RecordSizeField());
}

CBarItem* View(std::vector<std::uint8_t>& bytes) { return reinterpret_cast<CBarItem*>(bytes.data()); }

void MarkRemoved(CBarItem* item) { item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit)); }

// A note whose first head ends a tie is no syllable slot.
bool IsTiedInto(const CBarItem* item) { return item->IsNote() && finders::HasTieEnd(item, 0); }

}  // namespace

bool CScore::ShiftLyrics(int mode, CScoreTask* task, ScoreLocation* out) {
    if (!document || !task) return false;
    const ScoreLocation start = document->location;
    const int track = start.trackIndex;
    const int verse = start.verse;
    ScoreLocation w = start;
    w.position = std::int16_t(w.position - 1);
    ScoreLocation t = start;
    std::vector<std::uint8_t> carried;
    std::vector<std::uint8_t> replaced;
    bool firstSyllable = true;  // forwards
    bool firstSlot = true;      // backwards
    bool seen = false;
    bool carrying = false;
    const std::uint8_t hadSnapshot = task->hasSnapshot;
    bool failed = false;
    try {
        // Where the search for the next slot goes on from: w, or a tied note passed over.
        int searchBar = w.barIndex;
        int searchPosition = w.position;
        for (;;) {
            CTrkBar* from = GetTrkBar(track, searchBar);
            int foundBar = -1;
            CBarItem* item = from ? from->FindNextLyric(searchPosition, w.voice, verse, &foundBar, false) : nullptr;
            if (!item || foundBar > w.barIndex + 1) break;
            searchBar = foundBar;
            searchPosition = item->PositionField();
            if (IsTiedInto(item)) continue;
            CTrkBar* found = GetTrkBar(track, foundBar);
            w.trkBar = found;
            w.barIndex = std::int16_t(foundBar);
            w.position = item->PositionField();
            w.time = item->TimeField();
            if (!task->SaveTrackBar(track, foundBar)) ThrowOutOfMemory();
            found->SetCurrent();
            task->AddItemRect(item);
            const bool syllable = item->IsLyric();
            if (mode == 1) {
                if (!syllable) {
                    if (firstSyllable) continue;
                    CBarItem* c = View(carried);
                    c->SetTimeField(item->TimeField());
                    c->SetPositionField(item->PositionField());
                    if (!found->InsertCopy(c)) ThrowOutOfMemory();
                    carrying = false;
                    break;
                }
                if (firstSyllable) {
                    carried = CopyOf(item);
                    MarkRemoved(item);
                    firstSyllable = false;
                    carrying = true;
                    continue;
                }
                replaced = CopyOf(item);
                const int delta = int(carried.size()) - int(replaced.size());
                CBarItem* target = delta ? found->ResizeItem(item, delta) : item;
                if (!target) ThrowOutOfMemory();
                std::memcpy(target, carried.data(), carried.size());
                target->SetTimeField(View(replaced)->TimeField());
                target->SetPositionField(View(replaced)->PositionField());
                carried.swap(replaced);
            } else {
                if (!syllable) {
                    if (seen) break;
                    t = w;
                } else {
                    seen = true;
                    if (!firstSlot) {
                        carried = CopyOf(item);
                        View(carried)->SetTimeField(std::int16_t(int(t.time)));
                        View(carried)->SetPositionField(t.position);
                        MarkRemoved(item);
                        if (!task->SaveTrackBar(track, t.barIndex)) ThrowOutOfMemory();
                        CTrkBar* target = GetTrkBar(track, t.barIndex);
                        if (!target || !target->InsertCopy(View(carried))) ThrowOutOfMemory();
                        t = w;
                    }
                }
                firstSlot = false;
            }
        }
    } catch (const CMemoryException&) {
        failed = true;
    }
    // A syllable still carried would be lost: the shift is refused.
    if (failed || carrying) {
        task->hasSnapshot = hadSnapshot;
        task->SwapSnapshot();
        task->FreeSnapshots();
        // With nothing saved the running operation becomes no undo step.
        task->hasSnapshot = 0;
        return false;
    }
    if (out) *out = w;
    return true;
}
