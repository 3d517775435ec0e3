// The tie: its three points (start, apex, end), its curve, its drag steps, its side by its
// height, its flip and its marks on the heads it joins.
#include <algorithm>

#include "framework/Arith.h"
#include "model/DragTask.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/SystemStaff.h"
#include "model/ScoreStandIns.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "notation/TieType.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"

namespace {

CTie& TieOf(CScoreItem& item) { return static_cast<CTie&>(item); }

// The head's link byte of a note (null for a rest, another record or a head it lacks).
NoteHead* HeadOf(CBarItem* note, int head) {
    if (!note || !note->IsNoteOrRawNote()) return nullptr;
    auto* n = static_cast<CRawNote*>(note);
    return head >= 0 && head < n->HeadCountField() ? n->Head(head) : nullptr;
}

}  // namespace

const TieBehaviour& TieBehaviour::Instance() {
    static const TieBehaviour behaviour;
    return behaviour;
}

int TieBehaviour::GetPoints(CTieType& item, POINT* p) const {
    auto& tie = static_cast<CTie&>(item);
    POINT a{}, b{};
    EndPoints(tie, &a, &b);
    CStaff* staff = g_model.currentStaff;
    const int s = staff ? staff->Space() : 6;
    const int length = b.x - a.x;
    const int extra = length > 10 * s ? MulDiv(length, 30, 8 * s) : 0;
    const int height = tie.Height() < 0 ? tie.Height() - extra : tie.Height() + extra;
    if (tie.HasFixedPosition()) {
        if (tie.Height() <= 0) {
            a.x += s / 2;
            b.x -= s / 2;
        } else {
            a.x += s;
            a.y -= s / 2;
            b.y -= s / 2;
        }
    }
    if (staff) a.x += staff->GetHeadWidth();
    while (b.x - a.x < 4) {
        --a.x;
        ++b.x;
    }
    p[0] = a;
    p[2] = b;
    p[1] = POINT{a.x + (b.x - a.x) / 2, b.y - (staff ? staff->ScaleOffset(height) : height)};
    return 3;
}

void TieBehaviour::DrawLine(CTieType& item, POINT* points, int n) const {
    CArtist* a = g_draw.artist;
    if (!a || n < 3) return;
    int thickness = CurrentEngraverSettings().GetWord(EngraverSettings::kTieWidth);
    if (thickness == 0) thickness = 20;
    a->DrawCurve(points, item.ScaleToView(thickness + 10), item.IsDotted() ? 2 : 0);
}

bool TieBehaviour::IsAbove(const CTieType& item) const { return static_cast<const CTie&>(item).IsAbove(); }

void TieBehaviour::SetAbove(CTieType& item, bool above) const { static_cast<CTie&>(item).SetAbove(above); }

void TieBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& tie = TieOf(item);
    if (!drag) return;
    if (g_platform.altDown) {
        tie.SetStartDx(tie.StartDx() + drag->dx);
        tie.SetStartDy(tie.StartDy() + drag->dy);
        tie.SetEndDx(tie.EndDx() + drag->dx);
    } else if (g_model.hitPart == 0) {
        tie.SetStartDx(tie.StartDx() + drag->dx);
        tie.SetStartDy(tie.StartDy() + drag->dy);
    } else if (g_model.hitPart == 1) {
        tie.SetHeight(tie.Height() - drag->dy);
    } else {
        tie.SetEndDx(tie.EndDx() + drag->dx);
        tie.SetStartDy(tie.StartDy() + drag->dy);
    }
    tie.SetEndDy(tie.StartDy());
}

void TieBehaviour::Flip(CBarItem& item, int mode) const {
    auto& tie = TieOf(item);
    if (mode != 0 || !tie.Holds(CTie::kHeight, 2)) return;
    tie.SetHeight(-tie.Height());
    const int dy = tie.Height() <= 0 ? 15 : -45;
    tie.SetStartDy(dy);
    tie.SetEndDy(dy);
}

void TieBehaviour::MarkRemoved(CBarItem& item) const {
    auto& tie = TieOf(item);
    CTrkBar* trkBar = g_model.currentTrkBar;
    if (trkBar) {
        int head = 0;
        if (CBarItem* end = trkBar->FindTieEndNote(&tie, &head, false)) {
            SetEndNoteMark(tie, end, false, head);
            if (tie.EndBarOffset() != 0)
                if (CTrkBar* later = g_model.finderBar) {
                    later->RecalcAccidentals();
                    later->MeasureItems();
                    later->SetCurrent();
                }
        }
        trkBar->SetCurrent();
        if (CBarItem* start = trkBar->FindTieEndNote(&tie, &head, true)) SetStartNoteMark(tie, start, false, head);
        trkBar->SetCurrent();
        trkBar->RecalcAccidentals();
        trkBar->MeasureItems();
    }
    BarItemBehaviour::MarkRemoved(tie);
}

bool TieBehaviour::HasStartNoteMark(const CTieType&, CBarItem* note, int head) const {
    const NoteHead* h = HeadOf(note, head);
    return h && h->HasTieStart();
}

bool TieBehaviour::HasEndNoteMark(const CTieType&, CBarItem* note, int head) const {
    const NoteHead* h = HeadOf(note, head);
    return h && h->HasTieEnd();
}

void TieBehaviour::SetStartNoteMark(const CTieType&, CBarItem* note, bool on, int head) const {
    if (NoteHead* h = note && note->IsNote() ? HeadOf(note, head) : nullptr) h->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, on);
}

void TieBehaviour::SetEndNoteMark(const CTieType&, CBarItem* note, bool on, int head) const {
    if (NoteHead* h = note && note->IsNote() ? HeadOf(note, head) : nullptr) h->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, on);
}

void TieBehaviour::OwnFieldsFromFileOrder(CTieType& item) const { item.CoordFromFileOrder(CTie::kHeight); }
void TieBehaviour::OwnFieldsToFileOrder(CTieType& item) const { item.CoordToFileOrder(CTie::kHeight); }
