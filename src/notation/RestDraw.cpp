// The rest on the page: its glyph, dots, ledger line and marks, its rectangle and hit test,
// its placement by the note tool, and its drags and arrow-key moves, which carry the tuplets,
// beam ends, slurs and lines that stand at it.
#include <algorithm>
#include <new>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include "model/DragTask.h"
#include "model/TieType.h"
#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/ItemStaff.h"
#include "notation/NoteDrags.h"
#include "notation/NoteMetrics.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteStandIns.h"
#include "notation/Rest.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {

CRest& Rest(CScoreItem& item) { return static_cast<CRest&>(item); }

constexpr int kDotGlyph = 199;
constexpr int kRestButtonBase = 11;
constexpr int kNoteTool = 903;
constexpr int kMarkTool = 906;
// The staff shows ledger lines (display byte 23).
constexpr std::uint8_t kLedgerLinesBit = 0x10;
constexpr int kStaffLedgerLimit = 5;

// The music font at the staff's size, or at the item's share of it.
int MusicSize(const CStaff& staff, const CScoreItem& item) {
    const int size = staff.GetFontSize();
    return item.Scale() ? MulDiv(size, item.Scale(), 100) : size;
}

}  // namespace

void RestBehaviour::Draw(CScoreItem& item) const {
    auto& r = Rest(item);
    CArtist* a = g_draw.artist;
    CBar* bar = g_model.currentBar;
    if (!a || !bar || !g_model.currentStaff) return;
    notation::ScopedOffsetStaff moved(r.StaffOffsetField());
    CStaff& staff = *moved.staff();
    a->PushFont();
    a->SetMusicFont(MusicSize(staff, r));
    const int v = r.GlyphIndex();
    const int glyph = CRest::kGlyphs[v];
    const int pos = r.StaffPosField();
    const int x = bar->FractionToX(r.PositionField());
    const int y = staff.PositionToY(pos);
    g_notation.noteX = x;
    g_notation.headY = y;
    r.SetDrawColor(r.IsSelectedBit() && !g_draw.feedbackDrawing && !g_draw.printingDC);
    a->DrawGlyph(x, y, glyph);
    const int width = a->GlyphWidth(glyph);
    if ((v == 1 || v == 2) && (pos > kStaffLedgerLimit || pos < -kStaffLedgerLimit) &&
        (staff.GetDisplay() & kLedgerLinesBit)) {
        // A whole rest hangs from the line above its position; a half rest sits on its own.
        const int e = staff.ScaleLength(2);
        const int ly = staff.PositionToY(v == 1 ? pos + 2 : pos);
        const int pen = a->SetNoteMetrics(nullptr, nullptr, CurrentEngraverSettings().GetWord(EngraverSettings::kLedgerLineWidth),
                                          r.IsGrace() ? 0 : staff.GetFontSize());
        a->LineWidth(x - e, ly, x + width + e, ly, pen);
    }
    const int s = staff.Space();
    const int dotY = staff.PositionToY(pos + CRest::kDotOffset[v]);
    int dotX = x + width + s / 4;
    for (int d = 0; d < r.DotCount(); ++d) {
        a->DrawGlyph(dotX, dotY, kDotGlyph);
        dotX += a->GlyphWidth(kDotGlyph) + s / 2;
    }
    if (r.MarkCount() != 0) r.DrawMarks();
    r.ResetDrawColor();
    a->PopFont();
}

RECT* RestBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& r = Rest(item);
    r.VerifyTrack();
    *rect = RECT{};
    CBar* bar = g_model.currentBar;
    if (!bar || !g_model.currentStaff) return rect;
    CArtist* a = g_draw.artist;
    if (a) a->PushFont();
    // The rectangle stands on the staff the rest is drawn on.
    const CStaff& staff = *notation::StaffOrCurrent(r.StaffOffsetField());
    const int s = staff.Space();
    const int left = bar->FractionToX(r.PositionField());
    const int y = staff.PositionToY(r.StaffPosField());
    *rect = RECT{left, y - s, left + s + s * r.DotCount(), y + s};
    if (a) a->PopFont();
    return rect;
}

bool RestBehaviour::HitTest(CScoreItem& item, int x, int y) const {
    auto& r = Rest(item);
    if (!r.IsShownOnStaff() && !r.IsSelectedBit()) return false;
    g_model.hitTool = kNoteTool;
    if (BarItemBehaviour::HitTest(item, x, y)) return true;
    return r.HitTestMarks(x, y);
}

void RestBehaviour::PlaceAt(CBarItem& item, const ScoreLocation& location) const {
    auto& r = static_cast<CRest&>(item);
    BarItemBehaviour::PlaceAt(item, location);
    r.SetType(CRest::kType);
    const int value = std::clamp(location.noteValueIndex - kRestButtonBase, 0, 8);
    r.SetNoteValue(value);
    r.SetDotCount(location.dots);
    r.SetTupletCount(std::uint8_t(location.tupletCount));
    r.SetTupletSpace(std::uint8_t(location.tupletSpace));
    int pos = location.staffPosition;
    if (!location.placementFlag) {
        // The value's own place, moved an octave when the pointer lay well above or below.
        pos = CRest::kDefaultStaffPos[value];
        if (location.staffPosition >= 4)
            pos += 8;
        else if (location.staffPosition < -3)
            pos -= 8;
    }
    r.SetStaffPos(pos);
    r.SetFlagsB(std::uint8_t(r.FlagsB() | CBarItem::kScratchBit));
}

CDragTask* RestBehaviour::CreateDragTask(CScoreItem& item) const {
    if (g_model.hitTool == kMarkTool) return new (std::nothrow) CDragMark;
    return new (std::nothrow) CDragTask;
}

void RestBehaviour::BeginDrag(CScoreItem& item) const {
    CDragTask* task = g_viewDrag.currentTask;
    if (!task) return;
    task->startPosition = Rest(item).PositionField();
    task->startStaffPos = Rest(item).StaffPosField();
}

void RestBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& r = Rest(item);
    if (drag->horizontal) {
        r.SetPositionField(std::int16_t(r.PositionField() + drag->positionStep));
        return;
    }
    int step = g_viewDrag.fineStepFlag ? 1 : 2;
    if (drag->dy > 0) step = -step;
    const int next = r.StaffPosField() + step;
    // The step never carries the rest past the position under the pointer.
    if (step < 0 ? drag->targetStaffPos <= next : next <= drag->targetStaffPos) r.SetStaffPos(next);
}

void RestBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& r = Rest(item);
    // While the attached items are found, the rest stands where it began and the task holds
    // where it went.
    const std::int16_t moved = r.PositionField();
    r.SetPositionField(drag->startPosition);
    drag->startPosition = moved;
    const int at = r.PositionField();
    const bool vertical = !drag->horizontal;
    const int lift = drag->targetStaffPos - drag->startStaffPos;
    CTrkBar* trkBar = g_model.currentTrkBar;
    CBarItem* found[AttachedItemList::kCapacity];
    const auto attached = [&](int kind) {
        return trkBar ? trkBar->GetAttachedItems(&r, found, AttachedItemList::kCapacity, kind) : 0;
    };
    if (r.IsTupletMember()) {
        const int n = attached(4);
        for (int i = 0; i < n; ++i) {
            CBarItem* t = found[i];
            t->Invalidate();
            if (t->PositionField() == at) {
                if (vertical)
                    CTieType::Of(t)->SetStartY(CTieType::Of(t)->StartY() + lift);
                else
                    t->SetPosition(moved);
            }
            if (t->GetEndPosition() == at) {
                if (vertical)
                    CTieType::Of(t)->SetEndY(CTieType::Of(t)->EndY() + lift);
                else
                    t->SetEndPosition(moved);
            }
            t->Invalidate();
        }
    }
    if (r.IsBeamed()) {
        CTrkBar* trkBar = g_model.currentTrkBar;
        if (CBarItem* hit = trkBar ? trkBar->FindBeamOfNote(&r) : nullptr) {
            auto* beam = static_cast<CBeam*>(hit);
            beam->Invalidate();
            if (!vertical) {
                if (beam->StartPositionField() == at)
                    beam->SetPosition(moved);
                else if (beam->Segment(0).EndPosition() == at)
                    beam->Segment(0).SetEndPosition(moved);
            }
            beam->Invalidate();
        }
    }
    const std::uint8_t flags = r.RestFlags();
    if (flags & (CRest::kSlurEnd | CRest::kLineEnd)) {
        const int n = attached(0);
        for (int i = 0; i < n; ++i) {
            found[i]->Invalidate();
            found[i]->SetEndPosition(moved);
            found[i]->Invalidate();
        }
    }
    if (flags & (CRest::kSlurStart | CRest::kLineStart)) {
        const int n = attached(1);
        for (int i = 0; i < n; ++i) {
            found[i]->Invalidate();
            found[i]->SetPosition(moved);
            found[i]->Invalidate();
        }
    }
    drag->startPosition = std::int16_t(at);
    r.SetPositionField(moved);
    if (trkBar) trkBar->UpdateAttachedItems(&r);
}

void RestBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    auto& r = Rest(item);
    r.SetStaffPos(r.StaffPosField() + dy);
    if (dx != 0) {
        if (CBar* bar = g_model.currentBar) r.MoveToPosition(bar->StepX(r.PositionField(), dx));
    }
    if (CTrkBar* trkBar = g_model.currentTrkBar) trkBar->UpdateAttachedItems(&r);
}
