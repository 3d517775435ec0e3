// The ending drag: begin (a new ending on the pressed bar, or a copy of the hit one kept), and
// the release that snaps the ending's start or end to a bar and moves it there.
#include "model/EndingDrag.h"

#include <algorithm>
#include <cstring>

#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemFactory.h"
#include "model/Jumper.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"

namespace {

constexpr int kEndHandle = 2;
constexpr int kSnap = 8;
constexpr int kFirstEndingKind = CJumper::kEndingBefore;  // 9: closes with a repeat
constexpr int kFirstEndingEndX = -60;

CStaff* FirstStaffOf(CBar* bar) {
    CLine* line = bar ? bar->GetLine() : nullptr;
    return line && line->GetStaffCount() > 0 ? line->GetStaff(0) : nullptr;
}

int ToCoordinate(CBar* bar, int pageDistance) {
    CStaff* staff = FirstStaffOf(bar);
    return staff ? staff->UnscaleOffset(pageDistance) : pageDistance;
}

}  // namespace

void CDragEnding::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    CDragTask::Begin(doc, hit, nameId);
    if (!doc || !score) return;
    startBar = doc->location.bar ? doc->location.bar : score->GetBar(doc->location.barIndex);
    if (!startBar) return;
    startBar->MakeCurrent();
    SaveBar(startBar->GetIndex());
    auto* hitItem = hit && hit->ClassTestC() ? static_cast<CBarItem*>(hit) : nullptr;
    if (!hitItem || !hitItem->IsEnding()) {
        // A new first ending on the pressed bar; its end handle follows the pointer.
        g_model.dragItem = nullptr;
        std::memset(scratch, 0, sizeof scratch);
        if (CBarItem* old = startBar->GetEnding()) old->Invalidate();
        auto* made = static_cast<CBarItem*>(ConstructClass(CEnding::kType, scratch));
        if (!made) return;
        CJumper::Of(made)->SetKind(kFirstEndingKind);
        made->PutWord(CEnding::kEndX, ToCoordinate(startBar, doc->location.pointX - startBar->GetRight()));
        for (const int kind : {CJumper::kEndingBefore, CJumper::kEndingAfter, CJumper::kRepeatCount})
            startBar->RemoveJumper(kind);
        ending = startBar->AddItem(made);
        item = ending;
        g_model.hitPart = kEndHandle;
    } else {
        ending = hitItem;
        std::memcpy(scratch, ending, std::min<std::size_t>(sizeof scratch, std::size_t(ending->RecordSizeField())));
    }
    barItem = 1;
    lastBar = ending ? startBar->GetIndex() - 1 + std::max<int>(1, CEnding::Of(ending)->GetSpan()) : startBar->GetIndex();
}

void CDragEnding::EndItemDrag() {
    if (!ending || !startBar || !score) {
        CDragTask::EndItemDrag();
        return;
    }
    if (!moved && g_model.dragItem) undoable = 0;
    const int handle = g_model.hitPart;
    if (moved && (handle == 0 || handle == 1))
        EndStart();
    else if (moved && handle == kEndHandle)
        EndEnd();
    else
        CDragTask::EndItemDrag();
    startBar->MakeCurrent();
    score->Reindex();
}

void CDragEnding::EndStart() {
    CLine* line = startBar->GetLine();
    if (!line) return;
    ScoreLocation at = document->location;
    line->LocatePoint(current.x, &at);
    int located = at.barIndex;
    CBar* first = line->GetFirstBar();
    const int lastInLine = std::min(line->GetFirstBarIndex() + line->GetBarCount() - 1, score->GetBarCount() - 1);
    if (current.x < line->GetLeft() - kSnap) {
        located = line->GetFirstBarIndex() - 1;
    } else if (first && current.x < first->GetLeft() + kSnap) {
        located = lastInLine;
    } else if (at.position > 768 && score->GetBarCount() > 1) {
        located += 1;
    }
    CDragTask::EndItemDrag();
    if (located < 0 || located == startBar->GetIndex() || located > lastBar) return;
    CBar* target = score->GetBar(located);
    if (!target) return;
    SaveBar(startBar->GetIndex());
    SaveBar(located);
    alignas(8) std::uint8_t moving[256] = {};
    std::memcpy(moving, ending, std::min<std::size_t>(sizeof moving, std::size_t(ending->RecordSizeField())));
    auto* copy = reinterpret_cast<CBarItem*>(moving);
    const int startX = copy->Word(CEnding::kStartX);
    copy->PutWord(CEnding::kEndX, copy->Word(CEnding::kEndX) - startX);
    copy->PutWord(CEnding::kStartX, 0);
    CJumper::Of(copy)->SetTarget(lastBar - located + 1);
    ending->Invalidate();
    startBar->RemoveItem(ending);
    ending = target->AddItem(copy);
    startBar = target;
    if (ending) ending->Invalidate();
}

void CDragEnding::EndEnd() {
    CStaff* staff = FirstStaffOf(startBar);
    const int space = staff ? staff->GetLineSpacing() : 0;
    ScoreLocation at = document->location;
    score->LocatePoint(current.x, current.y + 2 * space, &at);
    int located = std::max<int>(at.barIndex, startBar->GetIndex());
    CBar* locatedBar = score->GetBar(located);
    CLine* line = locatedBar ? locatedBar->GetLine() : nullptr;
    CBar* first = line ? line->GetFirstBar() : nullptr;
    if (line && current.x > line->GetRight() + kSnap)
        located = line->GetFirstBarIndex() + line->GetBarCount();
    else if (first && current.x < first->GetLeft() - kSnap)
        located = line->GetFirstBarIndex() - 1;
    else if (at.barIndex >= startBar->GetIndex() && at.position <= 256)
        located -= 1;
    located = std::clamp(located, int(startBar->GetIndex()), score->GetBarCount() - 1);
    for (int b = startBar->GetIndex(); b <= located; ++b) SaveBar(b);
    CBar* end = score->GetBar(located);
    if (!end) return;
    end->MakeCurrent();
    auto* e = CJumper::Of(ending);
    const bool first9 = e->GetKind() == kFirstEndingKind;
    int endX = first9 ? kFirstEndingEndX : 0;
    if (located == lastBar && g_model.dragItem) endX = ToCoordinate(end, current.x - end->GetRight());
    e->PutWord(CEnding::kEndX, endX);
    e->SetTarget(located - startBar->GetIndex() + 1);
    lastBar = located;
    CDragTask::EndItemDrag();
    ending->Invalidate();
    if (first9) {
        // The records of the bars' own arrays may move: the ending is found again after.
        startBar->RemoveJumper(CJumper::kRepeatCount);
        end->SetRepeatEnd();
        ending = startBar->GetEnding();
    }
}
