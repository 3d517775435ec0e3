#include "edit/BarTasks.h"

#include <algorithm>
#include <vector>

#include "edit/CountDlg.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/KeySig.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kBarCountChanged = 4319;
constexpr int kBarEnd = 1023;
}  // namespace

// --- bars --------------------------------------------------------------------------------------

bool CAddBarTask::Prepare() {
    if (!score || !document) return false;
    const int command = name;
    count = 1;
    insert = (command == kDeleteMenu || command == kDeleteHere) ? 0 : 1;
    position = command == kAppend ? score->GetBarCount() : document->location.barIndex;
    int first = 0, last = 0;
    if (!insert && document->GetSelectedBarRange(&first, &last) && first >= 0 && first < score->GetBarCount()) {
        last = std::clamp(last, first, score->GetBarCount() - 1);
        position = std::int16_t(first);
        document->SetCurrentBar(first, false);
        count = std::int16_t(last - first + 1);
    }
    if (command == kDeleteHere || command == kAppend || command == kInsertBefore) return true;
    const int limit = insert ? kMaxInsert : score->GetBarCount() - position;
    CCountDlg dlg(count, limit);
    if (!dlg.Run(insert ? CCountDlg::kInsertBars : CCountDlg::kDeleteBars)) return false;
    count = std::int16_t(std::clamp(dlg.count, 1, std::max(1, limit)));
    if (insert && dlg.after) position = std::int16_t(position + 1);
    document->DeselectAll();
    return true;
}

void CAddBarTask::FitSpanningItems() {
    for (int t = 0; t < score->GetTrackCount(); ++t) {
        for (int b = 0; b < position; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            if (!tb) continue;
            tb->SetCurrent();
            for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
                if (item->IsRemoved()) continue;
                const int n = item->GetBarSpan();
                if (n <= 0 || b + n < position) continue;
                for (int k = b; k <= std::min(b + n, score->GetBarCount() - 1); ++k) {
                    if (!SaveBar(k) || !SaveTrackBar(t, k)) ThrowOutOfMemory();
                }
                // The saves copy runs aside, never the live one: the item stays where it is.
                carriedChanged = true;
                if (insert) {
                    item->SetEnd(n + count, item->GetEndPosition());
                } else if (item->IsTwoEnded()) {
                    item->MarkRemoved();
                } else if (b + n > position - 1 + count) {
                    item->SetEnd(n - count, item->GetEndPosition());
                } else {
                    item->SetEnd(position - b - 1, kBarEnd);
                }
            }
        }
    }
}

void CAddBarTask::KeepKeyAfterDeletedBars() {
    const int after = position + count;
    if (after >= score->GetBarCount()) return;
    for (int t = 0; t < score->GetTrackCount(); ++t) {
        // The last key change among the deleted bars: a key change before them is in force
        // after them already.
        CBarItem* key = nullptr;
        for (int b = position; b < after; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            for (CBarItem* item = tb ? tb->GetItems() : nullptr; item && item->TypeCode() != 255; item = item->NextItem())
                if (!item->IsRemoved() && item->TypeCode() == CKeySig::kTypeCode) key = item;
        }
        if (!key) continue;
        CTrkBar* target = score->GetTrkBar(t, after);
        bool hasOwn = false;
        for (CBarItem* item = target->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
            if (!item->IsRemoved() && item->TypeCode() == CKeySig::kTypeCode && item->TimeField() == 0) hasOwn = true;
        if (hasOwn) continue;
        if (!SaveTrackBar(t, after)) ThrowOutOfMemory();
        std::vector<std::uint8_t> copy(reinterpret_cast<const std::uint8_t*>(key),
                                       reinterpret_cast<const std::uint8_t*>(key) + key->GetSize());
        auto* record = reinterpret_cast<CBarItem*>(copy.data());
        record->SetTimeField(0);
        record->SetPositionField(0);
        record->SetFlagsB(std::uint8_t(record->FlagsB() & ~CBarItem::kSelectedBit));
        target->SetCurrent();
        if (!target->InsertCopy(record)) ThrowOutOfMemory();
        carriedChanged = true;
    }
}

bool CAddBarTask::Perform() {
    if (!score || !document) return true;
    SetLayoutChanged(true);
    const int lastTrack = score->GetTrackCount() - 1, lastBar = score->GetBarCount() - 1;
    if (!SaveTrackBarRange(0, insert ? std::min<int>(position, lastBar) : 0, lastTrack, lastBar)) ThrowOutOfMemory();
    if (position > 0) FitSpanningItems();
    if (!insert && position + count < score->GetBarCount()) KeepKeyAfterDeletedBars();
    for (int k = 0; k < count; ++k) {
        AnimateWaitCursor();
        if (!insert) {
            if (score->GetBarCount() <= 1) break;
            score->DeleteBar(position);
            if (position >= score->GetBarCount()) break;
        } else if (!score->InsertBar(position)) {
            ThrowOutOfMemory();
        }
    }
    document->OnCommandRange(kBarCountChanged);
    // The bar edits recalculated from the first system they reflowed (decision 16), which gives
    // what a whole recalculation gives unless items or keys before that changed.
    if (carriedChanged) score->RecalcBars(false);
    return true;
}

// --- pages -------------------------------------------------------------------------------------

bool CAddPageTask::Prepare() {
    if (!score || !document) return false;
    count = 1;
    insert = argument != 0 ? 1 : 0;
    const int limit = insert ? CAddBarTask::kMaxInsert : score->GetPageCount();
    CCountDlg dlg(count, limit);
    if (!dlg.Run(insert ? CCountDlg::kInsertPages : CCountDlg::kDeletePages)) return false;
    count = std::int16_t(std::clamp(dlg.count, 1, std::max(1, limit)));
    after = dlg.after ? 1 : 0;
    page = std::int16_t(document->location.pageIndex);
    return true;
}

bool CAddPageTask::Perform() {
    if (!score || !document) return true;
    if (!SavePageTexts()) {
        hasSnapshot = 0;
        ThrowOutOfMemory();
    }
    if (!SaveTrackBarRange(0, 0, score->GetTrackCount() - 1, score->GetBarCount() - 1)) ThrowOutOfMemory();
    SetLayoutChanged(true);
    int bar = document->location.barIndex;
    if (!insert) {
        // The score keeps one page: deleting them all would leave nothing to lay out.
        for (int k = 0; k < count && score->GetPageCount() > 1; ++k) {
            if (page >= score->GetPageCount()) break;
            score->DeletePage(page);
        }
        bar = std::min(bar, score->GetBarCount() - 1);
        if (page < score->GetPageCount())
            if (CLine* line = score->GetLine(score->GetPage(page)->GetFirstSystem())) bar = line->GetFirstBarIndex();
    } else {
        const int index = page + (after ? 1 : 0);
        for (int k = 0; k < count; ++k) {
            AnimateWaitCursor();
            if (!score->InsertPageLike(index, after != 0)) ThrowOutOfMemory();
        }
        if (after)
            if (CPage* next = score->GetPage(page + 1))
                if (CLine* line = score->GetLine(next->GetFirstSystem())) bar = line->GetFirstBarIndex();
    }
    document->SetCurrentBar(bar, false);
    if (!document->LayoutViewPanes()) ThrowOutOfMemory();
    document->LayoutAllPages(true);
    score->RecalcBars(false);
    return true;
}
