// The drags of a beam's handles and body, and its arrow-key moves.
#include "notation/BeamDrag.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "model/TieType.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"

namespace {

CBeam& Beam(CScoreItem& item) { return static_cast<CBeam&>(item); }

// A vertical drag step moves a fine offset by this many units.
constexpr int kFineStep = 15;
enum : int { kStartHandle = 0, kBody = 1, kEndHandle = 2 };
constexpr int kStartFine = CBeam::kSegments + BeamSegment::kStartFine;
constexpr int kEndFine = CBeam::kSegments + BeamSegment::kEndFine;

void AddWord(CBeam& beam, int at, int v) { rec::Put(&beam, std::size_t(at), std::int16_t(rec::Get<std::int16_t>(&beam, std::size_t(at)) + v)); }

// Asks every covered item of a bar `k` bars after the beam's to redraw.
void InvalidateCovered(CBeam& beam, CTrkBar* trkBar, int k) {
    for (CBarItem* it = trkBar ? trkBar->GetItems() : nullptr; it && it->TypeCode() != 255; it = it->NextItem()) {
        if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
        if (beam.Covers(it, k)) it->Invalidate();
    }
}

}  // namespace

CDragTask* BeamBehaviour::CreateDragTask(CScoreItem& item) const { return new (std::nothrow) CDragBeam; }

void BeamBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& beam = Beam(item);
    if (!drag || beam.RecordSizeField() < CBeam::kSize) return;
    const int dy = (drag->dy + 1) / 2;
    const int step = drag->flag ? 0 : (dy > 0 ? kFineStep : -kFineStep);
    const int part = g_viewDrag.draggedPart;
    const int n = beam.WholeSegments();
    if (part == kBody) {
        AddWord(beam, kStartFine, step);
        AddWord(beam, kEndFine, step);
    } else if (beam.IsTremolo()) {
        // The strokes' insets move with the handle; modifier A moves the other end the other way.
        const bool fromFirst = !(beam.OffsetsByte() & CBeam::kFullFirstSegments) || g_viewDrag.modifierFlagB;
        const int first = fromFirst ? 0 : rec::Get<std::uint8_t>(&beam, CBeam::kGroups);
        const int own = part == kStartHandle ? BeamSegment::kStartInset : BeamSegment::kEndInset;
        const int other = part == kStartHandle ? BeamSegment::kEndInset : BeamSegment::kStartInset;
        for (int i = first; i < n; ++i) {
            BeamSegment s = beam.Segment(i);
            s.SetWord(own, std::int16_t(s.Word(own) + drag->dx));
            if (g_viewDrag.modifierFlagA) s.SetWord(other, std::int16_t(s.Word(other) - drag->dx));
            s.SetWord(BeamSegment::kStartInset, std::int16_t(std::max<int>(s.Word(BeamSegment::kStartInset), 0)));
            s.SetWord(BeamSegment::kEndInset, std::int16_t(std::min<int>(s.Word(BeamSegment::kEndInset), 0)));
        }
        AddWord(beam, part == kStartHandle ? kStartFine : kEndFine, step);
    } else {
        const std::uint8_t bit = part == kStartHandle ? CBeam::kStartToggled : CBeam::kEndToggled;
        const int fine = part == kStartHandle ? BeamSegment::kStartFine : BeamSegment::kEndFine;
        if (g_viewDrag.modifierFlagB && n > 1) {
            // Once per drag: the sub-beams at this end change side and lose their fine offsets.
            if (!drag->toggled) {
                beam.SetBeamFlags(std::uint8_t(beam.BeamFlags() ^ bit));
                for (int i = 0; i < n; ++i) beam.Segment(i).SetWord(fine, 0);
                drag->toggled = 1;
                drag->moved = 1;
            }
            return;
        }
        AddWord(beam, part == kStartHandle ? kStartFine : kEndFine, step);
    }
    if (step != 0 || drag->dx != 0) drag->moved = 1;
}

void BeamBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& beam = Beam(item);
    beam.SetFlagsB(std::uint8_t(beam.FlagsB() & ~CBarItem::kRemovedBit));
    if (!drag || !drag->moved || beam.RecordSizeField() < CBeam::kSize) return;
    BeamGeometry g = beam.Measure();
    if (g.start.y == g.end.y) {
        rec::Put(&beam, CBeam::kStartStaffPos, rec::Get<std::int8_t>(&beam, CBeam::kEndStaffPos));
        rec::Put(&beam, std::size_t(kStartFine), rec::Get<std::int16_t>(&beam, std::size_t(kEndFine)));
    }
    // Each end's y back into a staff position and a fine offset on its own staff.
    for (bool atEnd : {false, true}) {
        const CStaff* staff = beam.EndStaff(atEnd);
        if (!staff) continue;
        int y = atEnd ? g.end.y : g.start.y;
        if ((staff->GetDisplay() & 0x01) && !g_draw.printingDC) --y;
        const int pos = staff->YToPosition(y);
        rec::Put(&beam, atEnd ? CBeam::kEndStaffPos : CBeam::kStartStaffPos, std::int8_t(pos));
        rec::Put(&beam, std::size_t(atEnd ? kEndFine : kStartFine), std::int16_t(staff->UnscaleOffset(y - staff->PositionToY(pos))));
    }
    CTrkBar* own = g_model.currentTrkBar;
    InvalidateCovered(beam, own, 0);
    if (beam.BarSpanField() > 0 && own && g_model.currentScore)
        InvalidateCovered(beam, g_model.currentScore->GetTrkBar(own->GetTrackIndex(), own->GetBarIndex() + 1), 1);
}

// --- the drag task ------------------------------------------------------------------------------

namespace {
bool BeamAbove(CBeam& beam) { return (beam.Segment(0).Flags() & BeamSegment::kFirstUp) != 0; }
int EndOffset(CBeam& beam, bool atEnd) { return rec::Get<std::int8_t>(&beam, atEnd ? CBeam::kEndStaffPos : CBeam::kStartStaffPos); }
int EndHeight(CBeam& beam, bool atEnd) { return beam.Segment(0).Word(atEnd ? BeamSegment::kEndFine : BeamSegment::kStartFine); }
}  // namespace

void CDragBeam::BeginItemDrag() {
    auto* bi = static_cast<CBarItem*>(item);
    beam = bi && bi->TypeCode() == CBeam::kType && bi->RecordSizeField() >= CBeam::kSize ? static_cast<CBeam*>(bi) : nullptr;
    if (!beam) {
        CDragTask::BeginItemDrag();
        return;
    }
    beam->Invalidate();
    if (document) {
        // The bars the beam reaches into, and the bar before (a note's beam may begin there).
        const ScoreLocation& at = document->location;
        SaveTrackBarRange(at.trackIndex, std::max(0, at.barIndex - 1), at.trackIndex, at.barIndex + beam->BarSpanField());
    }
    startAbove = BeamAbove(*beam) ? 1 : 0;
    for (int end = 0; end < 2; ++end) {
        startOffsets[end] = EndOffset(*beam, end != 0);
        startHeights[end] = EndHeight(*beam, end != 0);
    }
    CDragTask::BeginItemDrag();  // the beam is marked removed: it shows only as the drag image
    g_model.dragItem = beam;
}

void CDragBeam::EndItemDrag() {
    if (!beam) {
        CDragTask::EndItemDrag();
        return;
    }
    beam->SetFlagsB(std::uint8_t(beam->FlagsB() & ~CBarItem::kRemovedBit));
    if (g_model.dragItem == beam) g_model.dragItem = nullptr;
    if (!moved) return;
    // The beam's own track bar is current for its end hook and its layout.
    CTrkBar* own = score && document ? score->GetTrkBar(document->location.trackIndex, document->location.barIndex) : nullptr;
    if (own) own->SetCurrent();
    beam->EndDrag(this);
    if (own) {
        // The notes follow the heights the drag gave the beam; the record may have moved.
        g_beamContext.Init(own, 1, 0);
        if (CBarItem* laid = g_beamContext.MakeBeam(beam, 0)) beam = static_cast<CBeam*>(laid);
        item = beam;
    }
    FollowTuplets(own);
}

void CDragBeam::FollowTuplets(CTrkBar* own) {
    if (!own || !beam) return;
    const bool above = BeamAbove(*beam);
    const int newOffsets[2] = {EndOffset(*beam, false), EndOffset(*beam, true)};
    const int offsetChange[2] = {newOffsets[0] - startOffsets[0], newOffsets[1] - startOffsets[1]};
    const int heightChange[2] = {EndHeight(*beam, false) - startHeights[0], EndHeight(*beam, true) - startHeights[1]};
    const int oldOffsets[2] = {startOffsets[0], startOffsets[1]};
    const int voice = beam->VoiceField(), first = beam->StartPositionField(), last = beam->EndPositionField();
    std::vector<CTuplet*> tuplets;
    trkbar::ForEachLiveItem(own, [&](CBarItem* r) {
        if (!r->IsTuplet() || r->VoiceField() != voice || r->RecordSizeField() < CTuplet::kSize) return;
        auto* t = static_cast<CTuplet*>(r);
        if (t->PositionField() >= first && t->EndPositionField() <= last) tuplets.push_back(t);
    });
    for (CTuplet* t : tuplets) {
        t->Invalidate();
        const int side = t->Hook();
        if (above == (startAbove != 0) && (above ? side > 0 : side < 0)) {
            t->FollowBeam(offsetChange, heightChange);
        } else if (above != (startAbove != 0) && startAbove && side < 0) {
            t->MirrorWithBeam(oldOffsets, newOffsets, heightChange);
        } else {
            // Placed afresh on its own side: turned over and back.
            t->Flip(0);
            t->Flip(0);
        }
        t->Invalidate();
    }
}

void BeamBehaviour::Nudge(CScoreItem& item, int dx, int dy) const {
    auto& beam = Beam(item);
    if (beam.RecordSizeField() < CBeam::kSize) return;
    CBar* bar = g_model.currentBar;
    if (beam.IsTremolo() && dx != 0 && bar) {
        for (int i = 1; i < beam.WholeSegments(); ++i) {
            BeamSegment s = beam.Segment(i);
            // Each step is the smallest position change that moves x.
            int start = s.StartPosition(), end = s.EndPosition();
            for (int k = 0; k < std::abs(dx); ++k) {
                start = bar->StepX(start, dx > 0 ? 1 : -1);
                end = bar->StepX(end, dx > 0 ? 1 : -1);
            }
            s.SetStartPosition(std::int16_t(start));
            s.SetEndPosition(std::int16_t(end));
        }
    }
    if (dy != 0) {
        const CStaff* staff = g_model.currentStaff;
        const int unit = staff ? staff->UnscaleOffset(1) : 1;
        AddWord(beam, kStartFine, dy * unit);
        AddWord(beam, kEndFine, dy * unit);
    }
    beam.SetPositionField(beam.StartPositionField());
}
