// The drags of a beam's handles and body, and its arrow-key moves.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/NoteStandIns.h"
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
    // The notes follow the heights the drag gave the beam (the record may move: nothing reads it after).
    if (own) {
        g_beamContext.Init(own, 0, 0);
        g_beamContext.MakeBeam(&beam, 0);
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
