// Beams on the page: end points, rectangle, hit parts, handle and body drags with their
// modifiers, the end of a drag, arrow-key moves, membership, and the drawing of stems, levels,
// stubs and hidden inner notes.
#include <algorithm>

#include "ScoreDrawSupport.h"
#include "notation/Beam.h"
#include "notation/Note.h"
#include "notation/Rest.h"

using namespace notedraw;

namespace {

// A plain beam over the bar from `start` to `end` (bars later), stems up, one segment.
CBeam* NewBeam(CTrkBar* tb, int start, int end, int startPos = 6, int endPos = 4, int span = 0, int segments = 1) {
    auto* beam = static_cast<CBeam*>(tb->NewItem(CBeam::kType, 0));
    if (segments > 1) {
        beam = static_cast<CBeam*>(tb->ResizeItem(beam, BeamSegment::kSize * (segments - 1)));
        beam->CBaseItem::SetSize(std::int16_t(CBeam::kSize + BeamSegment::kSize * (segments - 1)));
    }
    beam->SetSegmentCount(segments);
    beam->SetPosition(start);
    beam->SetEnd(span, end);
    rec::Put<std::int8_t>(beam, CBeam::kStartStaffPos, std::int8_t(startPos));
    rec::Put<std::int8_t>(beam, CBeam::kEndStaffPos, std::int8_t(endPos));
    for (int i = 0; i < segments; ++i) {
        BeamSegment s = beam->Segment(i);
        s.SetFlags(std::uint8_t(BeamSegment::kFirstUp | BeamSegment::kLastUp | (1 << BeamSegment::kLevelShift)));
        s.SetStartPosition(std::int16_t(start));
        s.SetEndPosition(std::int16_t(end));
    }
    return beam;
}

CNote* NewNote(CTrkBar* tb, int position, int staffPos, bool beamed = true, bool up = true) {
    auto* n = static_cast<CNote*>(tb->NewItem(CNote::kType, position));
    n->SetHeadCountField(1);
    n->SetPositionField(std::int16_t(position));
    n->SetNoteValue(4);
    n->SetStaffPos(staffPos);
    n->SetStemUpBit(up);
    n->SetFlagBit(CRawHead::kBeamedBit, beamed);
    return n;
}

CBeam* FindBeam(CTrkBar* tb) {
    for (CBarItem* it = tb->GetItems(); it && it->TypeCode() != 255; it = it->NextItem())
        if (it->TypeCode() == CBeam::kType && !it->IsRemoved()) return static_cast<CBeam*>(it);
    return nullptr;
}

int HeadWidth(CArtist* a, int size) {
    a->SetMusicFont(size);
    return a->GlyphWidth(0x74);
}

struct Seg {
    int x1, y1, x2, y2;
};
// The straight lines drawn, MoveTo/LineTo pairs.
std::vector<Seg> Lines(const std::vector<std::string>& calls) {
    std::vector<Seg> out;
    for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
        Seg s{};
        if (std::sscanf(calls[i].c_str(), "MoveTo %d %d", &s.x1, &s.y1) == 2 &&
            std::sscanf(calls[i + 1].c_str(), "LineTo %d %d", &s.x2, &s.y2) == 2)
            out.push_back(s);
    }
    return out;
}

}  // namespace

class BeamDraw : public ScoreDrawTest {
protected:
    int W() { return HeadWidth(a, Staff()->GetFontSize()); }
};

TEST_F(BeamDraw, EndPointsFromPositionsStaffPositionsAndFineOffsets) {
    struct Case {
        const char* name;
        int bar, start, end, span, startPos, endPos, startFine, endFine;
        bool up;
        int endBar, endX;  // the bar and position the end's x stands at
    } cases[] = {
        {"rising, stems up", 1, 100, 800, 0, 4, 6, 0, 0, true, 1, 800},
        {"falling, stems down, fine offsets", 1, 0, 1000, 0, 2, -3, 60, -120, false, 1, 1000},
        {"into the next bar", 1, 700, 200, 1, 3, 3, 0, 0, true, 2, 200},
        {"past the last bar: the end of its own bar", 31, 100, 500, 2, 0, 0, 0, 0, true, 31, 1023},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, c.bar);
        CBeam* beam = NewBeam(tb, c.start, c.end, c.startPos, c.endPos, c.span);
        BeamSegment s = beam->Segment(0);
        s.SetFlags(std::uint8_t((1 << BeamSegment::kLevelShift) | (c.up ? BeamSegment::kFirstUp | BeamSegment::kLastUp : 0)));
        s.SetWord(BeamSegment::kStartFine, std::int16_t(c.startFine));
        s.SetWord(BeamSegment::kEndFine, std::int16_t(c.endFine));
        POINT p1, p2;
        beam->GetEndPoints(&p1, &p2);
        const int w = c.up ? W() : 0;
        EXPECT_EQ(p1.x, Bar()->FractionToX(c.start) + w) << c.name;
        EXPECT_EQ(p2.x, score->GetBar(c.endBar)->FractionToX(c.endX) + w) << c.name;
        EXPECT_EQ(p1.y, Staff()->PositionToY(c.startPos) + Staff()->ScaleOffset(c.startFine)) << c.name;
        EXPECT_EQ(p2.y, Staff()->PositionToY(c.endPos) + Staff()->ScaleOffset(c.endFine)) << c.name;
        beam->MarkRemoved();
    }
}

TEST_F(BeamDraw, AnEndOffsetPastTheSystemsStavesStaysOnTheOwnStaff) {
    CTrkBar* tb = Current(0, 1);
    CBeam* beam = NewBeam(tb, 0, 900, 4, 4);
    beam->SetStartStaffOffset(2);
    beam->SetEndStaffOffset(-3);
    POINT p1, p2;
    beam->GetEndPoints(&p1, &p2);
    EXPECT_EQ(p1.y, Staff()->PositionToY(4));
    EXPECT_EQ(p2.y, Staff()->PositionToY(4));
    EXPECT_FALSE(Calls([&] { beam->Draw(); }, {"LineTo"}).empty());
}

TEST_F(BeamDraw, BoundsTakeInTheNumberAboveOrBelow) {
    CTrkBar* tb = Current(0, 1);
    const int s = Staff()->Space();
    CBeam* beam = NewBeam(tb, 0, 1000, 2, 2);
    POINT p1, p2;
    beam->GetEndPoints(&p1, &p2);
    RECT b;
    beam->GetBounds(&b);
    EXPECT_EQ(b.left, p1.x - s / 3);
    EXPECT_EQ(b.right, p2.x + s / 3);
    EXPECT_EQ(b.top, p1.y - s / 3);
    EXPECT_EQ(b.bottom, p1.y + s / 3);
    beam->Segment(0).Bytes()[BeamSegment::kNumber] = 3;
    beam->GetBounds(&b);
    EXPECT_EQ(b.top, p1.y - s / 2) << "stems up: the number half a space above";
    EXPECT_EQ(b.bottom, p1.y + s / 3);
    beam->Segment(0).SetFlags(1 << BeamSegment::kLevelShift);
    beam->GetEndPoints(&p1, &p2);
    beam->GetBounds(&b);
    EXPECT_EQ(b.bottom, p1.y + 2 * s) << "stems down: two spaces below";
    beam->SetOffsetsByte(CBeam::kNoNumber);
    beam->GetBounds(&b);
    EXPECT_EQ(b.bottom, p1.y + s / 3) << "a suppressed number takes no room";
}

TEST_F(BeamDraw, HitTestShapeGivesTheDraggedPart) {
    CTrkBar* tb = Current(0, 1);
    CBeam* beam = NewBeam(tb, 0, 1000, 2, 6);
    POINT p1, p2;
    beam->GetEndPoints(&p1, &p2);
    const int mx = (p1.x + p2.x) / 2;
    const int my = p1.y + (p2.y - p1.y) * (mx - p1.x) / (p2.x - p1.x);
    struct Case {
        const char* name;
        int x, y;
        bool hit;
        int part;
    } cases[] = {
        {"start handle", p1.x - 1, p1.y + 1, true, 0},
        {"end handle", p2.x + 2, p2.y, true, 2},
        {"body", mx, my + 1, true, 1},
        {"below the band", mx, my + 20, false, 9},
        {"left of the beam", p1.x - 10, p1.y, false, 9},
    };
    for (const auto& c : cases) {
        g_viewDrag.draggedPart = 9;
        EXPECT_EQ(beam->HitTestShape(c.x, c.y), c.hit) << c.name;
        EXPECT_EQ(g_viewDrag.draggedPart, c.part) << c.name;
    }
}

TEST_F(BeamDraw, DragStepsMoveTheFineOffsetsByFifteen) {
    struct Case {
        const char* name;
        int part, dy;
        bool flag;
        int start, end;
    } cases[] = {
        {"body down", 1, 4, false, 15, 15},
        {"body: no movement counts as up", 1, 0, false, -15, -15},
        {"body: -1 halves to 0, up", 1, -1, false, -15, -15},
        {"body with the step switch: none", 1, 9, true, 0, 0},
        {"start handle", 0, 3, false, 15, 0},
        {"end handle up", 2, -6, false, 0, -15},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CBeam* beam = NewBeam(tb, 0, 1000);
        g_viewDrag.draggedPart = c.part;
        CDragTask drag;
        drag.dy = c.dy;
        drag.flag = c.flag;
        beam->DragBy(&drag);
        EXPECT_EQ(beam->Segment(0).Word(BeamSegment::kStartFine), c.start) << c.name;
        EXPECT_EQ(beam->Segment(0).Word(BeamSegment::kEndFine), c.end) << c.name;
        beam->MarkRemoved();
    }
}

TEST_F(BeamDraw, ModifierBTogglesTheSubBeamsOncePerDrag) {
    for (int part : {0, 2}) {
        CTrkBar* tb = Current(0, 1);
        CBeam* beam = NewBeam(tb, 0, 1000, 6, 4, 0, 3);
        const int fine = part == 0 ? BeamSegment::kStartFine : BeamSegment::kEndFine;
        for (int i = 0; i < 3; ++i) beam->Segment(i).SetWord(fine, 30);
        g_viewDrag.draggedPart = part;
        g_viewDrag.modifierFlagB = true;
        CDragTask drag;
        drag.dy = 5;
        beam->DragBy(&drag);
        beam->DragBy(&drag);
        const std::uint8_t bit = part == 0 ? CBeam::kStartToggled : CBeam::kEndToggled;
        EXPECT_EQ(beam->BeamFlags(), bit) << part;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(beam->Segment(i).Word(fine), 0) << part << " segment " << i;
        CDragTask next;
        beam->DragBy(&next);
        EXPECT_EQ(beam->BeamFlags(), 0) << "a new drag toggles again";
        beam->MarkRemoved();
    }
    // A beam of one segment has nothing to toggle: the handle moves.
    CTrkBar* tb = Current(0, 1);
    CBeam* single = NewBeam(tb, 0, 1000);
    g_viewDrag.draggedPart = 0;
    CDragTask drag;
    drag.dy = 5;
    single->DragBy(&drag);
    EXPECT_EQ(single->BeamFlags(), 0);
    EXPECT_EQ(single->Segment(0).Word(BeamSegment::kStartFine), 15);
    g_viewDrag.modifierFlagB = false;
}

TEST_F(BeamDraw, TremoloInsetsStayOnTheirSideOfZero) {
    struct Case {
        const char* name;
        int part, dx;
        bool a, b, fullFirst;
        int startInset, endInset;  // of the last segment
        int firstStart;            // segment 0's start inset
    } cases[] = {
        {"start handle right", 0, 8, false, false, false, 8, 0, 8},
        {"start handle left stops at 0", 0, -8, false, false, false, 0, 0, 0},
        {"end handle left", 2, -6, false, false, false, 0, -6, 0},
        {"end handle right stops at 0", 2, 6, false, false, false, 0, 0, 0},
        {"modifier A moves the other end the other way", 0, 5, true, false, false, 5, -5, 5},
        {"full first segments keep their insets", 0, 5, false, false, true, 5, 0, 0},
        {"modifier B reaches the first segments too", 0, 5, false, true, true, 5, 0, 5},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CBeam* beam = NewBeam(tb, 0, 1000, 6, 6, 0, 3);
        beam->SetBeamFlags(CBeam::kTremolo);
        rec::Put<std::uint8_t>(beam, CBeam::kGroups, 2);
        if (c.fullFirst) beam->SetOffsetsByte(CBeam::kFullFirstSegments);
        g_viewDrag.draggedPart = c.part;
        g_viewDrag.modifierFlagA = c.a;
        g_viewDrag.modifierFlagB = c.b;
        CDragTask drag;
        drag.dx = c.dx;
        drag.dy = 2;
        beam->DragBy(&drag);
        EXPECT_EQ(beam->Segment(2).Word(BeamSegment::kStartInset), c.startInset) << c.name;
        EXPECT_EQ(beam->Segment(2).Word(BeamSegment::kEndInset), c.endInset) << c.name;
        EXPECT_EQ(beam->Segment(0).Word(BeamSegment::kStartInset), c.firstStart) << c.name;
        const int fine = c.part == 0 ? BeamSegment::kStartFine : BeamSegment::kEndFine;
        EXPECT_EQ(beam->Segment(0).Word(fine), 15) << c.name;
        beam->MarkRemoved();
    }
    g_viewDrag.modifierFlagA = g_viewDrag.modifierFlagB = false;
}

TEST_F(BeamDraw, EndDragLevelsEqualEndsAndKeepsEachEndsHeight) {
    CTrkBar* tb = Current(0, 1);
    // Position 4 and position 2 pulled up a space: the same height.
    CBeam* beam = NewBeam(tb, 0, 1000, 4, 2);
    beam->Segment(0).SetWord(BeamSegment::kEndFine, -120);
    beam->SetFlagsB(std::uint8_t(beam->FlagsB() | CBarItem::kRemovedBit));
    CDragTask idle;
    beam->EndDrag(&idle);
    EXPECT_FALSE(beam->IsRemoved());
    EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos), 2) << "a drag that moved nothing changes nothing";
    CDragTask drag;
    drag.moved = 1;
    POINT before1, before2;
    beam->GetEndPoints(&before1, &before2);
    ASSERT_EQ(before1.y, before2.y);
    beam->EndDrag(&drag);
    EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos));
    EXPECT_EQ(beam->Segment(0).Word(BeamSegment::kStartFine), beam->Segment(0).Word(BeamSegment::kEndFine));
    POINT after1, after2;
    beam->GetEndPoints(&after1, &after2);
    EXPECT_EQ(after1.y, before1.y);
    EXPECT_EQ(after2.y, before2.y);

    // Unequal ends: each keeps its y, now as a staff position and a small fine offset.
    beam->MarkRemoved();
    NewBeam(tb, 0, 1000, 0, 0);
    CBeam* sloped = FindBeam(tb);
    sloped->Segment(0).SetWord(BeamSegment::kStartFine, 240);
    sloped->Segment(0).SetWord(BeamSegment::kEndFine, -30);
    sloped->GetEndPoints(&before1, &before2);
    sloped->EndDrag(&drag);
    sloped->GetEndPoints(&after1, &after2);
    EXPECT_EQ(after1.y, before1.y);
    EXPECT_EQ(after2.y, before2.y);
    EXPECT_EQ(rec::Get<std::int8_t>(sloped, CBeam::kStartStaffPos), -4);
    EXPECT_EQ(sloped->Segment(0).Word(BeamSegment::kStartFine), 0);
}

TEST_F(BeamDraw, NudgeMovesFineOffsetsAndTremoloStrokes) {
    CTrkBar* tb = Current(0, 1);
    CBeam* beam = NewBeam(tb, 100, 900, 4, 4, 0, 2);
    beam->SetBeamFlags(CBeam::kTremolo);
    beam->SetPositionField(0);
    const int x = Bar()->FractionToX(100);
    beam->Nudge(2, 0);
    EXPECT_EQ(Bar()->FractionToX(beam->Segment(1).StartPosition()), x + 2);
    EXPECT_EQ(beam->Segment(0).StartPosition(), 100) << "the main beam stays";
    EXPECT_EQ(beam->PositionField(), 100);
    beam->Nudge(0, -3);
    const int unit = Staff()->UnscaleOffset(1);
    EXPECT_EQ(beam->Segment(0).Word(BeamSegment::kStartFine), -3 * unit);
    EXPECT_EQ(beam->Segment(0).Word(BeamSegment::kEndFine), -3 * unit);
    beam->SetBeamFlags(0);
    const int start = beam->Segment(1).StartPosition();
    beam->Nudge(1, 0);
    EXPECT_EQ(beam->Segment(1).StartPosition(), start) << "a plain beam's segments follow their notes";
}

TEST_F(BeamDraw, CoversNotesAndRestsOfItsVoiceAndSpan) {
    CTrkBar* tb = Current(0, 1);
    CBeam* beam = NewBeam(tb, 200, 300, 4, 4, 2);
    struct Case {
        const char* name;
        int type, voice, barOffset, position;
        bool beamed, grace, removed;
        bool covered;
    } cases[] = {
        {"a beamed note at the start", 144, 0, 0, 200, true, false, false, true},
        {"a beamed rest inside", 128, 0, 0, 500, true, false, false, true},
        {"another voice", 144, 1, 0, 500, true, false, false, false},
        {"removed", 144, 0, 0, 500, true, false, true, false},
        {"unbeamed", 144, 0, 0, 500, false, false, false, false},
        {"a grace note under a plain beam", 144, 0, 0, 500, true, true, false, false},
        {"before the start", 144, 0, 0, 199, true, false, false, false},
        {"a bar in between, at its start", 144, 0, 1, 0, true, false, false, true},
        {"a bar in between, at its end", 128, 0, 1, 1023, true, false, false, true},
        {"the end bar at the end", 144, 0, 2, 300, true, false, false, true},
        {"the end bar past the end", 144, 0, 2, 301, true, false, false, false},
        {"past the span", 144, 0, 3, 0, true, false, false, false},
        {"a clef is never covered", 48, 0, 0, 500, true, false, false, false},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes(64, 0);
        auto* item = reinterpret_cast<CRawHead*>(bytes.data());
        CBarItem::Construct(item);
        item->CBaseItem::SetType(std::uint8_t(c.type));
        item->SetVoice(c.voice);
        item->SetPositionField(std::int16_t(c.position));
        item->SetFlagBit(CRawHead::kBeamedBit, c.beamed);
        item->SetFlagBit(CRawHead::kGraceBit, c.grace);
        if (c.removed) item->SetFlagsB(std::uint8_t(item->FlagsB() | CBarItem::kRemovedBit));
        EXPECT_EQ(beam->Covers(item, c.barOffset), c.covered) << c.name;
    }
    beam->SetBeamFlags(CBeam::kGraceBeam);
    std::vector<std::uint8_t> bytes(64, 0);
    auto* grace = reinterpret_cast<CRawHead*>(bytes.data());
    CBarItem::Construct(grace);
    grace->CBaseItem::SetType(144);
    grace->SetPositionField(250);
    grace->SetFlagBit(CRawHead::kBeamedBit, true);
    grace->SetFlagBit(CRawHead::kGraceBit, true);
    EXPECT_TRUE(beam->Covers(grace, 0)) << "grace with grace";
}

TEST_F(BeamDraw, StemsRunFromTheHeadsToTheBeamLine) {
    CTrkBar* tb = Current(0, 1);
    NewNote(tb, 0, -2);
    NewNote(tb, 300, 0);
    NewNote(tb, 600, -1);
    NewNote(tb, 900, 1);
    NewNote(tb, 450, 3, false);  // not beamed: no stem from the beam
    NewBeam(tb, 0, 900, 8, 10);
    CBeam* beam = FindBeam(tb);
    // Where each beamed note's stem leaves its heads, in run order (the notes lie in time order).
    std::vector<int> bases;
    for (CBarItem* it = tb->GetItems(); it->TypeCode() != 255; it = it->NextItem())
        if (it->IsNote() && static_cast<CRawHead*>(it)->IsBeamed()) bases.push_back(static_cast<CNote*>(it)->GetStemBaseY());
    ASSERT_EQ(bases.size(), 4u);
    POINT p1, p2;
    beam->GetEndPoints(&p1, &p2);
    const auto lines = Lines(Calls([&] { beam->Draw(); }, {"MoveTo", "LineTo"}));
    std::vector<Seg> stems;
    for (const auto& l : lines)
        if (l.x1 == l.x2) stems.push_back(l);
    ASSERT_EQ(stems.size(), 4u);
    const int w = W();
    const int positions[] = {0, 300, 600, 900};
    for (int i = 0; i < 4; ++i) {
        const int x = Bar()->FractionToX(positions[i]) + w;
        EXPECT_EQ(stems[std::size_t(i)].x1, x) << i;
        EXPECT_EQ(stems[std::size_t(i)].y1, bases[std::size_t(i)]) << i;
        EXPECT_EQ(stems[std::size_t(i)].y2, p1.y + (p2.y - p1.y) * (x - p1.x) / (p2.x - p1.x)) << i;
    }
    // Hidden inner notes: only the first and last stems.
    beam->SetBeamFlags(CBeam::kHideInner);
    int vertical = 0;
    for (const auto& l : Lines(Calls([&] { beam->Draw(); }, {"MoveTo", "LineTo"}))) vertical += l.x1 == l.x2;
    EXPECT_EQ(vertical, 2);
    // A long-note tremolo draws no stems.
    beam->SetBeamFlags(CBeam::kLongTremolo);
    vertical = 0;
    for (const auto& l : Lines(Calls([&] { beam->Draw(); }, {"MoveTo", "LineTo"}))) vertical += l.x1 == l.x2;
    EXPECT_EQ(vertical, 0);
}

TEST_F(BeamDraw, LevelsLieOneThicknessAndGapApartAndStubsAreShort) {
    CTrkBar* tb = Current(0, 1);
    CBeam* beam = NewBeam(tb, 0, 900, 8, 8, 0, 3);
    // Segment 1: a sixteenth beam over the whole; segment 2: a stub of the third level.
    beam->Segment(1).SetFlags(std::uint8_t(BeamSegment::kFirstUp | BeamSegment::kLastUp | (2 << BeamSegment::kLevelShift)));
    beam->Segment(2).SetFlags(std::uint8_t(BeamSegment::kFirstUp | BeamSegment::kPartial | (3 << BeamSegment::kLevelShift)));
    beam->Segment(2).SetStartPosition(450);
    POINT p1, p2;
    beam->GetEndPoints(&p1, &p2);
    const auto lines = Lines(Calls([&] { beam->Draw(); }, {"MoveTo", "LineTo"}));
    // Every band is drawn as one-pixel lines from its top edge down.
    std::vector<int> tops;
    for (const auto& l : lines)
        if (l.x1 != l.x2 && std::find(tops.begin(), tops.end(), l.y1) == tops.end()) tops.push_back(l.y1);
    const int w = W();
    const int t = std::max(Staff()->ScaleOffset(60), 1), g = std::max(Staff()->ScaleOffset(30), 1);
    EXPECT_EQ(std::count(tops.begin(), tops.end(), p1.y), 1);
    EXPECT_EQ(std::count(tops.begin(), tops.end(), p1.y + t + g), 1);
    EXPECT_EQ(std::count(tops.begin(), tops.end(), p1.y + 2 * (t + g)), 1);
    int stubLeft = 0, stubRight = 0;
    for (const auto& l : lines)
        if (l.y1 == p1.y + 2 * (t + g)) {
            stubLeft = l.x1;
            stubRight = l.x2;
        }
    const int stemX = Bar()->FractionToX(450) + w;
    EXPECT_EQ(stubLeft, stemX);
    EXPECT_LE(stubRight - stubLeft, std::min(w, Staff()->Space()) + 1);

    beam->Segment(2).SetFlags(std::uint8_t(beam->Segment(2).Flags() | BeamSegment::kStubLeft));
    for (const auto& l : Lines(Calls([&] { beam->Draw(); }, {"MoveTo", "LineTo"})))
        if (l.y1 == p1.y + 2 * (t + g)) EXPECT_EQ(l.x1, stemX - std::min(w, Staff()->Space()));
}
