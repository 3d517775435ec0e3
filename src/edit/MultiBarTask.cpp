#include "edit/MultiBarTask.h"

#include <algorithm>
#include <cstring>

#include "edit/MultiBarDlg.h"
#include "edit/Transcriber.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Record.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"

namespace {
constexpr int kMaxSpan = 9999;
constexpr int kInitialDistance = 240;

CBarItem* EditedRest(CZelDoc& doc) {
    for (CBaseItem* item : {doc.location.item, g_model.hitItem}) {
        auto* bar = static_cast<CBarItem*>(item);
        if (bar && bar->TypeCode() == CMultiBarTask::kType && bar->RecordSizeField() >= CMultiBarTask::kRecordSize)
            return bar;
    }
    return nullptr;
}
}  // namespace

bool CMultiBarTask::Prepare() {
    if (!score || !document || score->GetBarCount() <= 0) return false;
    const int command = name;
    if (command == kEdit) {
        edited = EditedRest(*document);
        if (!edited) return false;
        std::memcpy(working, edited, kRecordSize);
        span = 1;
        // The run that holds the rest: its bar becomes the current one.
        bool found = false;
        for (int b = 0; b < score->GetBarCount() && !found; ++b)
            for (int t = 0; t < score->GetTrackCount() && !found; ++t) {
                CTrkBar* tb = score->GetTrkBar(t, b);
                for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
                    if (item == edited) {
                        editedTrack = t;
                        editedBar = b;
                        found = true;
                        break;
                    }
            }
        if (!found) return false;
        if (document->location.barIndex != editedBar) document->SetCurrentBar(editedBar, false);
    } else {
        std::memset(working, 0, sizeof working);
        rec::Put<std::int16_t>(working, rec::kSize, std::int16_t(kRecordSize));
        if (!ConstructClass(kType, working)) return false;
        std::uint8_t flags = working[CMultiBarDlg::kFlags] & std::uint8_t(~(3 << CMultiBarDlg::kEndsShift));
        flags = std::uint8_t((flags & ~CMultiBarDlg::kRangeBit) | ((g_edit.multiRestOption & 1) ? CMultiBarDlg::kRangeBit : 0));
        working[CMultiBarDlg::kFlags] = flags;
        rec::Put<std::int16_t>(working, CMultiBarDlg::kNumberDistance, std::int16_t(kInitialDistance));
        working[CMultiBarDlg::kFillByte] = score->multiBarRestDefault;
        int first = 0, last = 0;
        span = 1;
        if (document->GetSelectedBarRange(&first, &last) && first >= 0 && first < score->GetBarCount()) {
            document->SetCurrentBar(first, false);
            span = std::clamp(last, first, score->GetBarCount() - 1) - first + 1;
        }
    }
    const int at = std::clamp<int>(document->location.barIndex, 0, score->GetBarCount() - 1);
    CBar* bar = score->GetBar(at);
    span = std::max<std::int32_t>(span, bar->GetMultiRestSpan());

    CMultiBarDlg dlg;
    std::memcpy(dlg.record, working, kRecordSize);
    dlg.numberFont = score->textFont5;
    dlg.rangeFont = score->textFont1;
    dlg.editing = command == kEdit;
    dlg.barsToEnd = score->GetBarCount() - at;
    dlg.count = span;
    dlg.firstNumber = bar->GetDisplayNumber();
    if (!dlg.RunModal(CMultiBarDlg::kTemplateId)) return false;
    if (!dlg.editing) span = std::clamp(dlg.count, 1, kMaxSpan);
    g_edit.multiRestOption = (dlg.record[CMultiBarDlg::kFlags] & CMultiBarDlg::kRangeBit) ? 1 : 0;
    std::memcpy(working + CMultiBarDlg::kFlags, dlg.record + CMultiBarDlg::kFlags, kRecordSize - CMultiBarDlg::kFlags);
    score->textFont5 = dlg.numberFont;
    score->multiBarRestDefault = dlg.record[CMultiBarDlg::kFillByte];
    return true;
}

void CMultiBarTask::PerformNew() {
    const int first = std::clamp<int>(document->location.barIndex, 0, score->GetBarCount() - 1);
    int n = std::min<int>(span, score->GetBarCount() - first);
    for (int b = first + 1; b < first + n; ++b)
        if (score->GetBar(b)->GetMultiRestSpan() > 0) {
            n = b - first;
            break;
        }
    // The runs the rests go into or out of are copied aside before they change.
    const int reach = std::max<int>(n, score->GetBar(first)->GetMultiRestSpan());
    if (!SaveBars(first, first + n - 1) || !SaveAll() ||
        !SaveTrackBarRange(0, first, score->GetTrackCount() - 1, std::min<int>(first + reach, score->GetBarCount()) - 1))
        ThrowOutOfMemory();
    span = n;
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = first; b < first + n; ++b) {
            CTrkBar* tb = score->GetTrkBar(t, b);
            for (CBarItem* item = tb->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
                if (!item->IsRemoved() && item->TypeCode() == kType) item->MarkRemoved();
        }
    SetLayoutChanged(true);
    CBar* bar = score->GetBar(first);
    const int old = bar->GetMultiRestSpan();
    if (old > 0 || n == 1) {
        for (int b = first; b < first + std::max(old, 1) && b < score->GetBarCount(); ++b)
            score->GetBar(b)->SetBarFlag(CBar::kCoveredBit, false);
        bar->SetMultiRestSpan(0);
        if (old < n || n == 1) {
            // The bars the rest covered come back: the page is laid out again.
            score->Reindex();
            if (CLine* line = bar->GetLine()) score->ReflowFromPage(std::max(0, int(line->GetPageIndex())));
            score->RecalcBars(false);
        }
    }
    if (n > 1) {
        if (!score->BuildMultiRests(first, n, 2, kMaxSpan, reinterpret_cast<CBarItem*>(working))) ThrowOutOfMemory();
        score->RecalcBars(false);
    }
}

bool CMultiBarTask::Perform() {
    if (!score || !document) return true;
    if (name == kEdit) {
        if (!edited) return true;
        const int t = editedTrack, b = editedBar;
        if (!SaveTrackBar(t, b)) ThrowOutOfMemory();
        std::memcpy(reinterpret_cast<std::uint8_t*>(edited) + CMultiBarDlg::kFlags, working + CMultiBarDlg::kFlags,
                    kRecordSize - CMultiBarDlg::kFlags);
        if (CTrkBar* tb = score->GetTrkBar(t, b)) tb->Invalidate();
        SetLayoutChanged(true);
        return true;
    }
    PerformNew();
    return true;
}
