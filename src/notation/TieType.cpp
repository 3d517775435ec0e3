// The two-ended items' common behaviour: end points, drawing frame and handles, handle hits,
// the no-notes check's partner operations, nudging, re-anchoring after a drag, the end notes'
// marks and the stored form of the shared fields.
#include "notation/TieType.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Arith.h"
#include "model/DragTask.h"
#include "model/ItemClass.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ScoreStandIns.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "notation/NoteStandIns.h"
#include "notation/RawNote.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

namespace {

CTieType& Ends(CScoreItem& item) { return static_cast<CTieType&>(item); }

// The staff of a track of the current system, offset by a cross-staff offset (the system's
// lookup clamps it); null without a current system.
CStaff* StaffAt(int offset) {
    CLine* line = g_model.currentLine;
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (!line) return g_model.currentStaff;
    const int track = trkBar ? trkBar->GetTrackIndex() : 0;
    return line->GetStaff(std::max(0, track + offset));
}

int StaffOffsetOfNote(CBarItem* note) {
    if (!note->IsNoteOrRawNote()) return 0;
    auto* n = static_cast<CRawNote*>(note);
    return n->HeadCountField() > 0 ? n->Head(0)->CrossStaffOffset() : 0;
}

bool InSquare(const POINT& p, int x, int y, int half) {
    return x >= p.x - half && x <= p.x + half && y >= p.y - half && y <= p.y + half;
}

}  // namespace

const TieTypeBehaviour& TieTypeBehaviour::Of(const CBarItem& item) {
    const BarItemBehaviour& b = const_cast<CBarItem&>(item).BarBehaviour();
    if (const auto* t = dynamic_cast<const TieTypeBehaviour*>(&b)) return *t;
    static const TieTypeBehaviour bare;
    return bare;
}

// --- points ---------------------------------------------------------------------------------------

void TieTypeBehaviour::EndPoints(CTieType& item, POINT* p0, POINT* p1) const {
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : g_model.currentScore;
    if (item.EndBarOffset() != 0 && bar && score && bar->GetIndex() + item.EndBarOffset() >= score->GetBarCount()) {
        item.SetEndBarOffset(0);
        item.SetEndPositionField(1023);
    }
    *p0 = POINT{0, 0};
    *p1 = POINT{0, 0};
    if (!bar) return;
    CStaff* s0 = StaffAt(item.StartStaffOffset());
    CStaff* s1 = StaffAt(item.EndStaffOffset());
    p0->x = bar->PositionToItemX(item.PositionField(), item.StartDx());
    p1->x = bar->SpanPositionToX(item.EndBarOffset(), item.EndPositionField(), item.EndDx(), true);
    if (s0) p0->y = s0->PositionToYOffset(GetEndY(item, 0), item.StartDy());
    if (s1) p1->y = s1->PositionToYOffset(GetEndY(item, 1), item.EndDy());
}

int TieTypeBehaviour::GetPoints(CTieType& item, POINT* points) const {
    EndPoints(item, &points[0], &points[1]);
    return 2;
}

int TieTypeBehaviour::GetEndY(CTieType& item, int end) const {
    const int stored = end == 0 ? item.StartY() : item.EndY();
    if (!item.HasFixedPosition() || item.IsGlissando()) return stored;
    const int fixed = notation::CurrentSlashPosition();
    if (!item.IsTuplet()) return fixed;
    const bool above = static_cast<const CTuplet&>(item).Hook() > 0;
    int answer = above ? fixed + 3 : fixed - 6;
    if (CTrkBar* trkBar = g_model.currentTrkBar) {
        const int voice = item.VoiceField(), start = item.PositionField(), last = item.EndPositionField();
        bool found = false;
        trkbar::ForEachLiveItem(trkBar, [&](CBarItem* r) {
            if (found || !r->IsNoteOrRawNote() || r->VoiceField() != voice) return;
            if (r->PositionField() < start || r->PositionField() > last) return;
            found = true;
            const int y = NoteAttachY(*r, above);
            answer = above ? y + 1 : y - 1;
        });
    }
    return answer;
}

int TieTypeBehaviour::HandlePoints(CTieType& item, POINT* points, bool handles) const {
    const int n = GetPoints(item, points);
    if (!item.IsTie() || n < 3) return n;
    if (points[2].x < points[0].x) std::swap(points[0].x, points[2].x);
    if (handles) {
        CArtist* a = g_draw.artist;
        const int d = a ? a->Scale(2) : 2;
        points[0].x += 3;
        points[2].x -= 4;
        points[1].y += points[1].y < points[0].y ? d : -d;
    }
    return n;
}

void TieTypeBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    POINT a{}, b{};
    EndPoints(Ends(item), &a, &b);
    if (start) *start = a;
    if (end) *end = b;
}

// --- drawing, bounds, hits --------------------------------------------------------------------------

void TieTypeBehaviour::DrawShape(CBarItem& bar) const {
    auto& item = Ends(bar);
    CArtist* a = g_draw.artist;
    if (!a) return;
    POINT points[kMaxPoints];
    const int n = HandlePoints(item, points, false);
    const bool selected = item.IsSelectedBit() && !g_draw.feedbackDrawing && !g_draw.printingDC;
    item.SetDrawColor(selected);
    DrawLine(item, points, n);
    if (selected && item.EndBarOffset() != -1) {
        HandlePoints(item, points, true);
        for (int i = 0; i < n; ++i) a->DrawHandle(points[i].x, points[i].y, false);
    }
    item.ResetDrawColor();
}

RECT* TieTypeBehaviour::GetBounds(CScoreItem& scoreItem, RECT* rect) const {
    auto& item = Ends(scoreItem);
    POINT p[kMaxPoints];
    const int n = GetPoints(item, p);
    RECT r{p[0].x, p[0].y, p[0].x, p[0].y};
    for (int i = 1; i < n; ++i) {
        r.left = std::min<LONG>(r.left, p[i].x);
        r.top = std::min<LONG>(r.top, p[i].y);
        r.right = std::max<LONG>(r.right, p[i].x);
        r.bottom = std::max<LONG>(r.bottom, p[i].y);
    }
    r.left -= 1;
    r.top -= 1;
    r.right += 1;
    r.bottom += 1;
    *rect = r;
    return rect;
}

bool TieTypeBehaviour::IntersectsRect(CScoreItem& scoreItem, const RECT& rect) const {
    POINT p[kMaxPoints];
    const int n = GetPoints(Ends(scoreItem), p);
    for (int i = 0; i < n; ++i)
        if (p[i].x >= rect.left && p[i].x < rect.right && p[i].y >= rect.top && p[i].y < rect.bottom) return true;
    return false;
}

bool TieTypeBehaviour::HitTestShape(CBarItem& bar, int x, int y) const {
    auto& item = Ends(bar);
    POINT p[kMaxPoints];
    const int n = HandlePoints(item, p, true);
    CArtist* a = g_draw.artist;
    const int half = a ? a->Scale(2) : 2;
    for (int i = 0; i < n; ++i)
        if (InSquare(p[i], x, y, half)) {
            g_model.hitPart = std::int16_t(i);
            return true;
        }
    g_model.hitPart = std::int16_t(n);
    return false;
}

// --- ends, marks and removal --------------------------------------------------------------------------

void TieTypeBehaviour::MarkRemoved(CBarItem& bar) const {
    auto& item = Ends(bar);
    if (CTrkBar* trkBar = g_model.currentTrkBar) {
        if (CBarItem* start = trkBar->FindLineStartNote(&item)) SetStartNoteMark(item, start, false, 0);
        if (CBarItem* end = trkBar->FindLineEndNote(&item)) SetEndNoteMark(item, end, false, 0);
    }
    BarItemBehaviour::MarkRemoved(item);
}

std::int16_t TieTypeBehaviour::GetStartStaffOffset(CBarItem& item) const {
    return std::int16_t(Ends(item).StartStaffOffset());
}
int TieTypeBehaviour::GetBarSpan(CBarItem& item) const { return Ends(item).EndBarOffset(); }
int TieTypeBehaviour::GetEndPosition(CBarItem& item) const {
    return Ends(item).HoldsEnds() ? Ends(item).EndPositionField() : item.PositionField();
}
void TieTypeBehaviour::SetEndPosition(CBarItem& item, int position) const { Ends(item).SetEndPositionField(position); }
void TieTypeBehaviour::SetEndStaffOffset(CBarItem& item, int staves) const { Ends(item).SetEndStaffOffset(staves); }
void TieTypeBehaviour::SetStartStaffOffset(CBarItem& item, int staves) const { Ends(item).SetStartStaffOffset(staves); }
std::int16_t TieTypeBehaviour::GetEndStaffOffset(CBarItem& item) const { return std::int16_t(Ends(item).EndStaffOffset()); }
void TieTypeBehaviour::SetHorizontalOffset(CBarItem& item, int offset) const { Ends(item).SetStartDx(offset); }
void TieTypeBehaviour::SetVerticalOffset(CBarItem& item, int offset) const { Ends(item).SetStartDy(offset); }
void TieTypeBehaviour::SetEndHorizontalOffset(CBarItem& item, int offset) const { Ends(item).SetEndDx(offset); }
void TieTypeBehaviour::SetEndVerticalOffset(CBarItem& item, int offset) const { Ends(item).SetEndDy(offset); }
void TieTypeBehaviour::SetEnd(CBarItem& item, int bars, int position) const {
    if (!Ends(item).HoldsEnds()) return;
    Ends(item).SetEndBarOffset(bars);
    Ends(item).SetEndPositionField(position);
}
bool TieTypeBehaviour::AcceptsStartNote(CBarItem& item, CBarItem* note, int head) const {
    return note && HasStartNoteMark(Ends(item), note, head);
}
bool TieTypeBehaviour::AcceptsEndNote(CBarItem& item, CBarItem* note, int head) const {
    return note && HasEndNoteMark(Ends(item), note, head);
}
void TieTypeBehaviour::AttachStart(CBarItem& item, CBarItem* note, int head, int) const {
    if (note) SetStartNoteMark(Ends(item), note, true, head);
}
void TieTypeBehaviour::AttachEnd(CBarItem& item, CBarItem* note, int head, int) const {
    if (note) SetEndNoteMark(Ends(item), note, true, head);
}
void TieTypeBehaviour::Flip(CBarItem& item, int mode) const { AutoShape(Ends(item), mode); }
bool TieTypeBehaviour::ReachesOtherStaff(CBarItem& item) const { return Ends(item).SpansStaves(); }
bool TieTypeBehaviour::LineIsAbove(const CBarItem& item) const { return IsAbove(*CTieType::Of(&item)); }

// --- moves ------------------------------------------------------------------------------------------

void TieTypeBehaviour::Nudge(CScoreItem& scoreItem, int dx, int dy) const {
    auto& item = Ends(scoreItem);
    CTrkBar* trkBar = g_model.currentTrkBar;
    CStaff* staff = g_model.currentStaff;
    if (trkBar) {
        for (bool backwards : {false, true}) {
            int head = 0;
            CBarItem* note = trkBar->FindTieEndNote(&item, &head, backwards);
            if (note && note->IsNoteOrRawNote() && head >= 0 && head < static_cast<CRawNote*>(note)->HeadCountField() &&
                (static_cast<CRawNote*>(note)->Head(head)->Byte(NoteHead::kShapeByte) & NoteHead::kSelected))
                return;  // the head's own move carries the item
        }
    }
    if (!staff) return;
    if (dx != 0) {
        item.SetStartDx(staff->StepToNextY(item.StartDx(), dx > 0 ? 1 : -1));
        item.SetEndDx(staff->StepToNextY(item.EndDx(), dx > 0 ? 1 : -1));
    }
    if (dy != 0) {
        item.SetStartDy(staff->StepToNextY(item.StartDy(), dy > 0 ? -1 : 1));
        item.SetEndDy(staff->StepToNextY(item.EndDy(), dy > 0 ? -1 : 1));
    }
}

void TieTypeBehaviour::EndDrag(CScoreItem& scoreItem, CDragTask* drag) const {
    auto& item = Ends(scoreItem);
    item.SetFlagsB(std::uint8_t(item.FlagsB() & ~CBarItem::kRemovedBit));
    if (!drag || !drag->moved) return;
    item.Invalidate();
    if (!ReanchorsAfterDrag(item)) return;
    CTrkBar* trkBar = g_model.currentTrkBar;
    CBar* bar = g_model.currentBar;
    CScore* score = bar ? bar->GetScore() : g_model.currentScore;
    CZelDoc* doc = score ? score->GetDocument() : g_model.currentDoc;
    if (!trkBar || !bar || !score || !doc) return;
    POINT p[kMaxPoints];
    const int n = GetPoints(item, p);
    const POINT first = p[0], last = p[n - 1];
    ReadModifierKeys();
    const bool ctrl = g_platform.ctrlDown != 0;
    const int hit = g_model.hitPart;
    if (!(hit == 0 || hit == n - 1 || hit == kWholeItem || ctrl)) return;

    const ScoreLocation saved = doc->location;
    const int oldEndBars = item.EndBarOffset(), oldEndDx = item.EndDx(), oldEndY = item.EndY(), oldEndDy = item.EndDy();
    const int oldEndPosition = item.EndPositionField(), oldEndStaff = item.EndStaffOffset();
    const int oldEndBar = trkBar->GetBarIndex() + oldEndBars;
    if (!ctrl) {
        if (CBarItem* note = trkBar->FindLineStartNote(&item)) SetStartNoteMark(item, note, false, 0);
        CTrkBar* found = nullptr;
        CBarItem* note = trkBar->FindLineEndNote(&item, &found);
        if (note && (!found || found->GetBarIndex() == trkBar->GetBarIndex() + oldEndBars))
            SetEndNoteMark(item, note, false, 0);
    }
    ScoreLocation start = doc->location, end = doc->location;
    start.trackIndex = trkBar->GetTrackIndex();
    start.trkBar = trkBar;
    start.barIndex = std::int16_t(trkBar->GetBarIndex());
    start.bar = bar;
    start.pointX = first.x, start.pointY = first.y;
    end.pointX = last.x, end.pointY = last.y;
    auto* placed = static_cast<CTieType*>(item.PlaceAtPoint(start, end));
    doc->location = saved;
    drag->result = placed;
    if (!placed) return;
    CTrkBar* home = start.trkBar ? start.trkBar : trkBar;
    CBar* homeBar = start.bar ? start.bar : bar;
    home->SetCurrent();
    const int voice = placed->VoiceField();
    const int track = home->GetTrackIndex();

    if (CBarItem* note = home->FindNearestNoteOrRest(voice, start.position, false, false)) {
        placed->SetTimeField(note->TimeField());
        SetStartNoteMark(*placed, note, true, 0);
        placed->SetPositionField(note->PositionField());
        placed->SetStartStaffOffset(StaffOffsetOfNote(note));
        placed->SetStartDx(homeBar->XToItemOffset(first.x, note->PositionField(), g_model.currentStaff));
    }
    bool endFound = false;
    if (MovesEndWithNote(*placed)) {
        CTrkBar* endTrkBar = score->GetTrkBar(track, end.barIndex);
        CBar* endBar = score->GetBar(end.barIndex);
        CBarItem* note = endTrkBar ? endTrkBar->FindNearestNoteOrRest(voice, end.position, false, false) : nullptr;
        if (note && endBar) {
            endFound = true;
            SetEndNoteMark(*placed, note, true, 0);
            placed->SetEndBarOffset(std::max(0, end.barIndex - home->GetBarIndex()));
            placed->SetEndPositionField(note->PositionField());
            placed->SetEndStaffOffset(StaffOffsetOfNote(note));
            placed->SetEndDx(endBar->XToItemOffset(last.x, note->PositionField(), g_model.currentStaff));
        }
    }
    if (!endFound) {
        // No note under the end: it keeps its place and staff; only its height follows the drop.
        placed->SetEndBarOffset(std::max(0, oldEndBar - home->GetBarIndex()));
        placed->SetEndPositionField(oldEndPosition);
        placed->SetEndStaffOffset(oldEndStaff);
        placed->SetEndDx(oldEndDx);
    }
    home->SetCurrent();
    int steps = 0;
    if (CStaff* s0 = StaffAt(placed->StartStaffOffset())) {
        placed->SetStartY(s0->YToPositionStep(first.y, &steps));
        placed->SetStartDy(steps);
    }
    if (CStaff* s1 = StaffAt(placed->EndStaffOffset())) {
        placed->SetEndY(s1->YToPositionStep(last.y, &steps));
        placed->SetEndDy(steps);
    }
    if (!MovesEndWithNote(*placed)) {
        placed->SetEndPositionField(placed->PositionField());
        placed->SetEndDx(oldEndDx);
    }
    if (!MovesEndHeight(*placed)) {
        placed->SetEndY(oldEndY);
        placed->SetEndDy(oldEndDy);
    }
}

// --- stored form ----------------------------------------------------------------------------------------

void TieTypeBehaviour::WriteBody(CScoreItem& scoreItem, CChunkStream& stream) const {
    auto& item = Ends(scoreItem);
    const int size = item.RecordSizeField();
    if (size <= CBarItem::kHeadEnd) return;
    // A copy turned into file order: the same conversion as the raw path's.
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(size));
    std::memcpy(copy.data(), &item, copy.size());
    auto* fileOrder = reinterpret_cast<CTieType*>(copy.data());
    fileOrder->FieldsToFileOrder();
    OwnFieldsToFileOrder(*fileOrder);
    stream.WriteBytes(copy.data() + CBarItem::kHeadEnd, std::uint32_t(size - CBarItem::kHeadEnd));
}

void TieTypeBehaviour::ToFileOrder(CScoreItem& scoreItem) const {
    auto& item = Ends(scoreItem);
    // The kind's and the common fields first, while the size field still reads natively.
    OwnFieldsToFileOrder(item);
    item.FieldsToFileOrder();
    BarItemBehaviour::ToFileOrder(item);
}

void TieTypeBehaviour::FromFileOrder(CScoreItem& scoreItem) const {
    auto& item = Ends(scoreItem);
    item.FieldsFromFileOrder();
    OwnFieldsFromFileOrder(item);
}

// --- registration -------------------------------------------------------------------------------------

void RegisterTwoEndedClasses() {
    ItemClassTable& table = ItemClasses();
    table.SetBehaviourForCode(CTie::kType, &TieBehaviour::Instance());
    table.SetBehaviourForCode(CSlur::kType, &SlurBehaviour::Instance());
    table.SetBehaviourForCode(CTuplet::kType, &TupletBehaviour::Instance());
    table.SetBehaviourForCode(CGlissando::kType, &GlissandoBehaviour::Instance());
    table.SetBehaviourForCode(CBend::kType, &BendBehaviour::Instance());
    table.SetBehaviourForCode(CBarre::kType, &BarreBehaviour::Instance());
    table.SetBehaviourForCode(CPedal::kType, &PedalBehaviour::Instance());
    table.SetBehaviourForCode(CGroup::kType, &GroupBehaviour::Instance());
}
