#include "model/EventCursor.h"

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/Score.h"
#include "model/TrkBar.h"

namespace {
constexpr std::uint8_t kEndType = 255;
}

CEventCursor::CEventCursor() { Reset(); }

void CEventCursor::Reset() {
    item = nullptr;
    position = 0;
}

void CEventCursor::Seek(CScore* s, int t, int b) {
    score = s;
    track = t;
    item = nullptr;
    trkBar = nullptr;
    bar = score ? score->GetBar(b) : nullptr;
    if (bar) {
        if (track == -1) {
            item = bar->GetFirstItem();
        } else {
            trkBar = score->GetTrkBar(track, b);
            item = trkBar ? trkBar->GetItems() : nullptr;
        }
        barStart = bar->GetStartTicks();
    }
    position = 0;
}

const std::uint8_t* CEventCursor::RecordsEnd() const {
    if (trkBar) {
        CTrkBar* tb = trkBar;
        const std::uint8_t* first = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
        return first ? first + tb->GetRunLength() : nullptr;
    }
    CItemArray* a = bar ? bar->GetItemArray() : nullptr;
    return a ? static_cast<const std::uint8_t*>(a->GetData()) + a->GetByteSize() : nullptr;
}

bool CEventCursor::NextBar() {
    if (!score || !bar) return false;
    const int index = trkBar ? trkBar->GetBarIndex() : bar->GetIndex();
    if (index >= score->GetBarCount() - 1) return false;
    if (track == -1 && bar->IsLast()) return false;
    CBar* nextBar = score->GetBar(index + 1);
    if (!nextBar) return false;
    if (track == -1) {
        bar = nextBar;
        item = bar->GetFirstItem();
    } else {
        CTrkBar* next = score->GetTrkBar(track, index + 1);
        if (!next) return false;
        trkBar = next;
        bar = nextBar;
        item = trkBar->GetItems();
    }
    barStart = bar->GetStartTicks();
    position = 0;
    return true;
}

CBarItem* CEventCursor::Current() {
    if (!bar || (track != -1 && !trkBar)) return nullptr;
    for (;;) {
        bool used = true;
        if (item) {
            // A record that is too small or runs past its bar's bytes ends the bar here, so a
            // damaged run never leads the walk outside its block or round in place.
            const std::uint8_t* end = RecordsEnd();
            const auto* p = reinterpret_cast<const std::uint8_t*>(item);
            // The head is read only when it lies inside the bar's bytes.
            const bool sound = end && p + CBarItem::kSize <= end && item->Size() >= CBarItem::kSize &&
                               p + item->Size() <= end;
            if (track == -1)
                used = !sound || position >= bar->GetItemCount();
            else
                used = !sound || item->Type() == kEndType;
        }
        if (!used) return item;
        if (!NextBar()) return nullptr;
    }
}

void CEventCursor::Step() {
    item = item->NextItem();
    if (track == -1) ++position;
}

CBarItem* CEventCursor::Next() {
    for (;;) {
        CBarItem* r = Current();
        if (!r) return nullptr;
        Step();
        if (track == -1) {
            if (!r->IsRemoved()) return r;
        } else if (score->IsItemInShownVoice(r)) {
            return r;
        }
    }
}

void CEventCursor::SeekToTime(std::int32_t time) {
    Seek(score, track, 0);
    // Notated time decides: the first record whose bar start + time reaches the target.
    while (CBarItem* r = Current()) {
        if (barStart + r->TimeField() >= time) break;
        Step();
    }
}

std::int16_t CEventCursor::GetBarIndex() const {
    if (track != -1) return trkBar ? std::int16_t(trkBar->GetBarIndex()) : std::int16_t(-1);
    if (bar) return std::int16_t(bar->GetIndex());
    return -1;
}
