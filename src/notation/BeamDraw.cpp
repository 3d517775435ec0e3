// The beam on the page: its end points, the notes it lists with their stems, the main beam and
// its further segments (stubs, levels, tremolo strokes, numbers), its rectangle and hit test.
#include <algorithm>
#include <cstdlib>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/EngraverSettings.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/ItemStaff.h"
#include "notation/NoteMetrics.h"
#include "notation/Note.h"
#include "notation/Rest.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

namespace {

CBeam& Beam(CScoreItem& item) { return static_cast<CBeam&>(item); }

constexpr int kMaxNotes = 256;
constexpr int kLastPosition = 1023;
// The staff's display flag that draws its items one unit lower on the screen.
constexpr std::uint8_t kLowerByOneBit = 0x01;

// The x of a position `bars` bars after the bar, running on into the following bars.
int SpanX(CBar& bar, int bars, int position) { return bar.SpanPositionToX(bars, position, 0, true); }

// A band of thickness t from (xa, ya) to (xb, yb), its top edge on the line.
void Band(CArtist& a, int xa, int ya, int xb, int yb, int t) {
    a.DrawBeam(xa, ya, xb, yb, xa, ya, xb, yb, 20 * t, true, true, 0, 0, false, false);
}

// Draws a band, or with the inner notes hidden, its two pieces of 1.5 line spacings.
void BandOrEnds(CArtist& a, int xa, int ya, int xb, int yb, int t, bool ends, int space) {
    if (!ends || xb - xa <= 3 * space) {
        Band(a, xa, ya, xb, yb, t);
        return;
    }
    const int piece = 3 * space / 2;
    const auto yAt = [&](int x) { return xb == xa ? ya : ya + MulDiv(x - xa, yb - ya, xb - xa); };
    Band(a, xa, ya, xa + piece, yAt(xa + piece), t);
    Band(a, xb - piece, yAt(xb - piece), xb, yb, t);
}

}  // namespace

int BeamGeometry::LineY(int x) const {
    if (end.x == start.x) return start.y;
    return start.y + MulDiv(x - start.x, end.y - start.y, end.x - start.x);
}

CStaff* CBeam::EndStaff(bool atEnd) {
    return notation::StaffOrCurrent(atEnd ? GetEndStaffOffset() : GetStartStaffOffset());
}

BeamGeometry CBeam::Measure() {
    BeamGeometry g;
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!bar || !staff || RecordSizeField() < kSize) return g;
    CScore* score = g_model.currentScore;
    if (score && bar->GetIndex() + BarSpanField() >= score->GetBarCount()) SetEnd(0, kLastPosition);
    const int scale = Scale();
    const auto scaled = [&](int v) { return scale ? MulDiv(v, scale, 100) : v; };
    int size = staff->GetFontSize();
    if (scale) size = MulDiv(size, scale, 100);
    int w = staff->GetHeadWidth();
    if (CArtist* a = g_draw.artist) {
        a->PushFont();
        a->SetMusicFont(size);
        w = a->GlyphWidth(0x74);
        a->PopFont();
    }
    const EngraverSettings& es = CurrentEngraverSettings();
    g.headWidth = w;
    g.thickness = std::max(scaled(staff->ScaleOffset(es.GetWord(EngraverSettings::kBeamWidth))), 1);
    g.gap = std::max(scaled(staff->ScaleOffset(es.GetWord(9))), 1);
    g.space = std::max(scaled(staff->Space()), 1);
    BeamSegment main = Segment(0);
    g.start.x = SpanX(*bar, 0, StartPositionField()) + staff->ScaleOffset(main.Word(BeamSegment::kStartInset)) +
                ((main.Flags() & BeamSegment::kFirstUp) ? w : 0);
    g.end.x = SpanX(*bar, BarSpanField(), EndPositionField()) + staff->ScaleOffset(main.Word(BeamSegment::kEndInset)) +
              ((main.Flags() & BeamSegment::kLastUp) ? w : 0);
    const auto endY = [&](bool atEnd) {
        const CStaff& s = *EndStaff(atEnd);
        const int pos = rec::Get<std::int8_t>(this, atEnd ? kEndStaffPos : kStartStaffPos);
        int y = s.PositionToY(pos) + s.ScaleOffset(main.Word(atEnd ? BeamSegment::kEndFine : BeamSegment::kStartFine));
        if ((s.GetDisplay() & kLowerByOneBit) && !g_draw.printingDC) ++y;
        return y;
    };
    g.start.y = endY(false);
    g.end.y = endY(true);
    return g;
}

int CBeam::CollectNotes(const BeamGeometry& g, BeamNote* out, int room) {
    CTrkBar* own = g_model.currentTrkBar;
    CBar* ownBar = g_model.currentBar;
    CScore* score = g_model.currentScore;
    if (!own || !ownBar || (BeamFlags() & kLongTremolo)) return 0;
    const bool beamUp = (Segment(0).Flags() & BeamSegment::kFirstUp) != 0;
    const int track = own->GetTrackIndex();
    int n = 0;
    CBar* bar = ownBar;
    for (int k = 0; k <= BarSpanField() && n < room; ++k) {
        CTrkBar* trkBar = k == 0 ? own : (score ? score->GetTrkBar(track, ownBar->GetIndex() + k) : nullptr);
        if (!trkBar || !bar) break;
        for (CBarItem* it = trkBar->GetItems(); it && it->TypeCode() != 255 && n < room; it = it->NextItem()) {
            if (it->RecordSizeField() < CBarItem::kHeadEnd) break;
            if (!Covers(it, k)) continue;
            BeamNote& e = out[n++];
            e.item = it;
            e.trkBar = trkBar;
            e.bar = bar;
            e.barOffset = k;
            e.position = it->PositionField();
            const int x = SpanX(*ownBar, k, e.position);
            if (it->IsNote()) {
                auto* note = static_cast<CRawNote*>(it);
                const bool up = note->IsStemUp();
                e.stemX = x + (up ? g.headWidth : 0) + (note->IsShiftedRight() ? g.headWidth : 0);
                const int lineY = g.LineY(e.stemX);
                // A stem on the far side of the beam meets the first level on its side.
                e.beamY = up == beamUp ? (up ? lineY : lineY + g.thickness) : (up ? lineY + g.thickness : lineY);
                e.headY = static_cast<CNote*>(note)->GetStemBaseY();
            } else {
                e.stemX = x;
                e.beamY = e.headY = g.LineY(x);
            }
            e.role = 1;
        }
        if (bar->IsLast()) break;
        bar = static_cast<CBar*>(bar->NextRecord());
    }
    if (n > 0) {
        out[0].role = 0;
        out[n - 1].role = 2;
    }
    return n;
}

void BeamBehaviour::GetEndPoints(CBarItem& item, POINT* start, POINT* end) const {
    const BeamGeometry g = Beam(item).Measure();
    if (start) *start = g.start;
    if (end) *end = g.end;
}

void BeamBehaviour::DrawItem(CScoreItem& item) const {
    auto& beam = Beam(item);
    CArtist* a = g_draw.artist;
    CBar* ownBar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!a || !ownBar || !staff || beam.RecordSizeField() < CBeam::kSize) return;
    const BeamGeometry g = beam.Measure();
    static BeamNote notes[kMaxNotes];
    const int n = beam.CollectNotes(g, notes, kMaxNotes);
    const std::uint8_t flags = beam.BeamFlags();
    const bool hideInner = (flags & CBeam::kHideInner) != 0;
    const bool tremolo = (flags & CBeam::kTremolo) != 0;
    const bool beamUp = (beam.Segment(0).Flags() & BeamSegment::kFirstUp) != 0;
    const bool selected = beam.IsSelectedBit() && !g_draw.printingDC;
    beam.SetDrawColor(selected && !g_draw.feedbackDrawing);

    if (!((flags & CBeam::kLongTremolo) && !tremolo)) {
        const int pen = a->SetNoteMetrics(nullptr, nullptr, CurrentEngraverSettings().GetWord(EngraverSettings::kStemWidth),
                                          staff->GetFontSize());
        g_draw.stemThickness = pen;
        for (int i = 0; i < n; ++i) {
            const BeamNote& e = notes[i];
            if (hideInner && e.role == 1) continue;
            if (e.headY == e.beamY || e.stemX < g.start.x || e.stemX > g.end.x) continue;
            a->LineWidth(e.stemX, e.headY, e.stemX, e.beamY, pen);
        }
    }

    // The main beam.
    BeamSegment main = beam.Segment(0);
    if (!tremolo && (main.Flags() & BeamSegment::kPartial)) {
        const int xb = (main.Flags() & BeamSegment::kStubLeft) ? g.start.x - g.headWidth : g.start.x + g.headWidth;
        Band(*a, std::min(g.start.x, xb), g.LineY(std::min(g.start.x, xb)), std::max(g.start.x, xb),
             g.LineY(std::max(g.start.x, xb)), g.thickness);
    } else {
        BandOrEnds(*a, g.start.x, g.start.y, g.end.x, g.end.y, g.thickness, hideInner, g.space);
    }

    // Further segments, each (level - 1) levels from the main beam towards the heads.
    CScore* score = g_model.currentScore;
    const int stub = std::min(g.headWidth, g.space);
    const int segments = beam.WholeSegments();
    for (int i = 1; i < segments; ++i) {
        BeamSegment seg = beam.Segment(i);
        if (score && ownBar->GetIndex() + seg.StartBarOffset() + seg.EndBarOffset() >= score->GetBarCount()) {
            seg.Bytes()[BeamSegment::kEndBar] = 0;
            seg.SetEndPosition(kLastPosition);
        }
        const int startBar = seg.StartBarOffset(), endBar = seg.StartBarOffset() + seg.EndBarOffset();
        const auto stemAt = [&](int bars, int position, int fallback) {
            if (!tremolo)
                for (int k = 0; k < n; ++k)
                    if (notes[k].barOffset == bars && notes[k].position == position) return notes[k].stemX;
            return fallback;
        };
        int xa = stemAt(startBar, seg.StartPosition(),
                        SpanX(*ownBar, startBar, seg.StartPosition()) + staff->ScaleOffset(seg.Word(BeamSegment::kStartInset)) +
                            ((seg.Flags() & BeamSegment::kFirstUp) ? g.headWidth : 0));
        int xb = stemAt(endBar, seg.EndPosition(),
                        SpanX(*ownBar, endBar, seg.EndPosition()) + staff->ScaleOffset(seg.Word(BeamSegment::kEndInset)) +
                            ((seg.Flags() & BeamSegment::kLastUp) ? g.headWidth : 0));
        if (seg.Flags() & BeamSegment::kPartial) {
            xb = (seg.Flags() & BeamSegment::kStubLeft) ? xa - stub : xa + stub;
            if (xb < xa) std::swap(xa, xb);
        }
        const bool towardsHeads = !(seg.Flags() & BeamSegment::kReversed);
        const int dir = (beamUp == towardsHeads) ? 1 : -1;
        const int shift = dir * (std::max(seg.Level(), 1) - 1) * (g.thickness + g.gap);
        const int ya = g.LineY(xa) + shift + staff->ScaleOffset(seg.Word(BeamSegment::kStartFine));
        const int yb = g.LineY(xb) + shift + staff->ScaleOffset(seg.Word(BeamSegment::kEndFine));
        BandOrEnds(*a, xa, ya, xb, yb, g.thickness, hideInner, g.space);
        if (seg.Number() && !(beam.OffsetsByte() & CBeam::kNoNumber))
            a->DrawNumberCentered(xa + (xb - xa) / 2, (ya + yb) / 2 + (dir > 0 ? 2 * g.space : -g.space / 2), seg.Number());
    }

    // The number over the middle of the beam.
    if (main.Number() && !(beam.OffsetsByte() & CBeam::kNoNumber)) {
        const int mid = g.start.x + (g.end.x - g.start.x) / 2;
        const int y = g.LineY(mid) + (beamUp ? -g.space / 2 : 2 * g.space);
        a->PushFont();
        if (score) beam.UseFont(score->textFont3);
        a->DrawNumberCentered(mid, y, main.Number());
        a->PopFont();
    }
    if (selected) {
        a->DrawHandle(g.start.x, g.start.y, false);
        a->DrawHandle(g.end.x, g.end.y, false);
    }
    beam.ResetDrawColor();
}

RECT* BeamBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& beam = Beam(item);
    const BeamGeometry g = beam.Measure();
    const int grow = g.space / 3;
    *rect = RECT{std::min(g.start.x, g.end.x) - grow, std::min(g.start.y, g.end.y) - grow,
                 std::max(g.start.x, g.end.x) + grow, std::max(g.start.y, g.end.y) + grow};
    if (beam.RecordSizeField() >= CBeam::kSize && beam.Segment(0).Number() && !(beam.OffsetsByte() & CBeam::kNoNumber)) {
        const int mid = g.start.x + (g.end.x - g.start.x) / 2;
        const bool up = (beam.Segment(0).Flags() & BeamSegment::kFirstUp) != 0;
        const int y = g.LineY(mid) + (up ? -g.space / 2 : 2 * g.space);
        rect->top = std::min<LONG>(rect->top, y);
        rect->bottom = std::max<LONG>(rect->bottom, y);
    }
    return rect;
}

bool BeamBehaviour::HitTestShape(CBarItem& item, int x, int y) const {
    const BeamGeometry g = Beam(item).Measure();
    int part = -1;
    if (HitHandleSquare(x, y, g.start.x, g.start.y))
        part = 0;
    else if (HitHandleSquare(x, y, g.end.x, g.end.y))
        part = 2;
    else if (x >= g.start.x && x <= g.end.x && y >= g.LineY(x) && y <= g.LineY(x) + g.thickness)
        part = 1;
    if (part < 0) return false;
    g_viewDrag.draggedPart = part;
    return true;
}
