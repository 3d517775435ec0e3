// Rests on the page: glyph, ledger line and dots by note value and staff position, the
// rectangle, placement by the note tool, drags and arrow-key moves, and rests that reach to
// another staff.
#include "ScoreDrawSupport.h"
#include "notation/Beam.h"
#include "notation/Rest.h"

using namespace notedraw;

namespace {

CRest* NewRest(CTrkBar* tb, int value, int staffPos, int dots = 0, int position = 0) {
    auto* r = static_cast<CRest*>(tb->NewItem(CRest::kType, 0));
    r->SetNoteValue(value);
    r->SetStaffPos(staffPos);
    r->SetDotCount(dots);
    r->SetPositionField(std::int16_t(position));
    return r;
}

CBarItem* Find(CTrkBar* tb, int type, int position) {
    for (CBarItem* it = tb->GetItems(); it && it->TypeCode() != 255; it = it->NextItem())
        if (it->TypeCode() == type && it->PositionField() == position && !it->IsRemoved()) return it;
    return nullptr;
}

}  // namespace

class RestDraw : public ScoreDrawTest {};

TEST_F(RestDraw, LedgerLinesForWholeAndHalfRestsOutsideTheStaff) {
    struct Case {
        const char* name;
        int value, pos;
        int ledgerPos;  // the staff position of the ledger line, or 99 for none
    } cases[] = {
        {"whole rest at 7 hangs from the line at 9", 1, 7, 9},
        {"whole rest at 5 stays inside the staff", 1, 5, 99},
        {"whole rest at -7 hangs from -5", 1, -7, -5},
        {"half rest at -6 sits on its own line", 2, -6, -6},
        {"half rest at 6 sits on its own line", 2, 6, 6},
        {"quarter rest at 8 never has one", 3, 8, 99},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CRest* r = NewRest(tb, c.value, c.pos);
        const auto lines = Points(Calls([&] { r->Draw(); }, {"MoveTo"}));
        if (c.ledgerPos == 99) {
            EXPECT_TRUE(lines.empty()) << c.name;
        } else {
            ASSERT_EQ(lines.size(), 1u) << c.name;
            EXPECT_EQ(lines[0].second, Staff()->PositionToY(c.ledgerPos)) << c.name;
            EXPECT_EQ(lines[0].first, Bar()->FractionToX(0) - Staff()->ScaleLength(2)) << c.name;
        }
        r->MarkRemoved();
    }
    // A staff that shows no ledger lines draws none.
    CTrkBar* tb = Current(0, 2);
    Staff()->SetDisplay(std::uint8_t(Staff()->GetDisplay() & ~0x10));
    CRest* r = NewRest(tb, 1, 7);
    EXPECT_TRUE(Calls([&] { r->Draw(); }, {"MoveTo"}).empty());
}

TEST_F(RestDraw, DotsStandAtTheValuesOffsetAndSpreadByDotWidth) {
    struct Case {
        const char* name;
        int value, pos, dots, dotOffset;
    } cases[] = {
        {"dotted eighth: at its own position", 4, 1, 1, 0},
        {"dotted 128th: nine steps up", 8, 0, 1, 9},
        {"double-dotted quarter: a step up", 3, 0, 2, 1},
        {"dotted 32nd at -1: four steps up", 6, -1, 1, 4},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CRest* r = NewRest(tb, c.value, c.pos, c.dots);
        const auto glyphs = Points(Calls([&] { r->Draw(); }, {"TextOut"}));
        ASSERT_EQ(glyphs.size(), std::size_t(1 + c.dots)) << c.name;
        const int x = Bar()->FractionToX(0);
        EXPECT_EQ(glyphs[0], std::make_pair(x, Staff()->PositionToY(c.pos))) << c.name;
        a->SetMusicFont(Staff()->GetFontSize());
        const int firstDot = x + a->GlyphWidth(CRest::kGlyphs[c.value]) + Staff()->Space() / 4;
        EXPECT_EQ(glyphs[1], std::make_pair(firstDot, Staff()->PositionToY(c.pos + c.dotOffset))) << c.name;
        if (c.dots == 2) EXPECT_EQ(glyphs[2].first, firstDot + a->GlyphWidth(199) + Staff()->Space() / 2) << c.name;
        r->MarkRemoved();
    }
}

TEST_F(RestDraw, RectangleIsOneSpacePerDotWiderAndTwoSpacesHigh) {
    CTrkBar* tb = Current(0, 1);
    const int s = Staff()->Space();
    for (int dots : {0, 1, 2}) {
        CRest* r = NewRest(tb, 3, 2, dots, 512);
        RECT b;
        r->GetBounds(&b);
        const int x = Bar()->FractionToX(512), y = Staff()->PositionToY(2);
        EXPECT_EQ(b.left, x) << dots;
        EXPECT_EQ(b.right - b.left, (1 + dots) * s) << dots;
        EXPECT_EQ(b.top, y - s) << dots;
        EXPECT_EQ(b.bottom, y + s) << dots;
        r->MarkRemoved();
    }
}

TEST_F(RestDraw, HitTestAsksForTheNoteToolAndIgnoresHiddenRests) {
    CTrkBar* tb = Current(0, 1);
    CRest* r = NewRest(tb, 3, 0, 0, 256);
    const int x = Bar()->FractionToX(256) + 1, y = Staff()->PositionToY(0);
    EXPECT_TRUE(r->HitTest(x, y));
    EXPECT_EQ(g_model.hitTool, 903);
    EXPECT_FALSE(r->HitTest(x, y + 3 * Staff()->Space()));
    r->SetFlagsB(std::uint8_t(r->FlagsB() | CBarItem::kHiddenBit));
    g_model.hitTool = 0;
    EXPECT_FALSE(r->HitTest(x, y));
    EXPECT_EQ(g_model.hitTool, 0);
    g_model.currentDoc = &doc;
    doc.location.hiddenObjects = 1;
    EXPECT_TRUE(r->HitTest(x, y)) << "the document shows hidden items";
    doc.location.hiddenObjects = 0;
    g_model.currentDoc = nullptr;
    r->SetFlagsB(std::uint8_t(r->FlagsB() | CBarItem::kSelectedBit));
    EXPECT_TRUE(r->HitTest(x, y)) << "a selected hidden rest is still hit";
}

TEST_F(RestDraw, PlacementFromTheRestButtons) {
    struct Case {
        const char* name;
        int button, pointerPos, placementFlag, dots;
        int value, staffPos;
    } cases[] = {
        {"quarter at the middle line", 14, 0, 0, 0, 3, 0},
        {"quarter with the pointer at 4: an octave up", 14, 4, 0, 0, 3, 8},
        {"quarter with the pointer at -4: an octave down", 14, -4, 0, 0, 3, -8},
        {"quarter with the pointer at -3 stays", 14, -3, 0, 0, 3, 0},
        {"eighth's own place", 15, 1, 0, 1, 4, 1},
        {"128th's own place", 19, 0, 0, 0, 8, -4},
        {"placement flag keeps the pointer's position", 13, 3, 1, 2, 2, 3},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CRest* r = NewRest(tb, 0, 0);
        ScoreLocation loc;
        loc.noteValueIndex = std::int16_t(c.button);
        loc.staffPosition = c.pointerPos;
        loc.placementFlag = std::uint8_t(c.placementFlag);
        loc.dots = std::int16_t(c.dots);
        loc.tupletCount = 3;
        loc.tupletSpace = 2;
        r->PlaceAt(loc);
        EXPECT_EQ(r->TypeCode(), 128) << c.name;
        EXPECT_EQ(r->NoteValue(), c.value) << c.name;
        EXPECT_EQ(r->StaffPosField(), c.staffPos) << c.name;
        EXPECT_EQ(r->DotCount(), c.dots) << c.name;
        EXPECT_EQ(r->TupletCount(), 3) << c.name;
        EXPECT_EQ(r->TupletSpace(), 2) << c.name;
        EXPECT_TRUE(r->FlagsB() & CBarItem::kScratchBit) << c.name;
        r->MarkRemoved();
    }
}

TEST_F(RestDraw, VerticalDragStepsNeverPassTheTarget) {
    struct Case {
        const char* name;
        int from, target, dy;
        bool fine;
        int to;
    } cases[] = {
        {"up two", 0, 4, -3, false, 2},
        {"up to the target exactly", 0, 2, -3, false, 2},
        {"one short of a step: stays", 0, 1, -3, false, 0},
        {"fine step reaches it", 0, 1, -3, true, 1},
        {"down two", 0, -3, 5, false, -2},
        {"down past the target: stays", 0, -1, 5, false, 0},
        {"fine step down", 3, 2, 5, true, 2},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CRest* r = NewRest(tb, 3, c.from);
        g_viewDrag.fineStepFlag = c.fine;
        CDragTask drag;
        drag.dy = c.dy;
        drag.targetStaffPos = c.target;
        r->DragBy(&drag);
        EXPECT_EQ(r->StaffPosField(), c.to) << c.name;
        r->MarkRemoved();
    }
    g_viewDrag.fineStepFlag = false;
    CTrkBar* tb = Current(0, 1);
    CRest* r = NewRest(tb, 3, 0, 0, 100);
    CDragTask drag;
    drag.horizontal = 1;
    drag.positionStep = 37;
    r->DragBy(&drag);
    r->DragBy(&drag);
    EXPECT_EQ(r->PositionField(), 174);
    EXPECT_EQ(r->StaffPosField(), 0);
}

TEST_F(RestDraw, CrossStaffOffsetKeepsItsLowThreeBits) {
    CTrkBar* tb = Current(0, 1);
    CRest* r = NewRest(tb, 3, 0);
    for (auto [set, stored] : {std::pair{5, -3}, {3, 3}, {-1, -1}, {8, 0}, {-4, -4}}) {
        r->SetStartStaffOffset(set);
        EXPECT_EQ(r->GetStartStaffOffset(), stored) << set;
        EXPECT_EQ(r->IsCrossStaff(), stored != 0) << set;
    }
    r->SetRestFlags(std::uint8_t(r->RestFlags() | CRest::kSlurEnd));
    r->SetStartStaffOffset(-2);
    EXPECT_TRUE(r->HasSlurEnd()) << "the flag bits stay";
}

TEST_F(RestDraw, AnOffsetPastTheSystemsStavesStaysOnTheOwnStaff) {
    CTrkBar* tb = Current(0, 1);
    CRest* r = NewRest(tb, 3, 2);
    // One staff down is the piano's lower staff.
    r->SetStartStaffOffset(1);
    const int lowerY = score->GetLine(0)->GetStaff(1)->PositionToY(2);
    EXPECT_EQ(Points(Calls([&] { r->Draw(); }, {"TextOut"}))[0].second, lowerY);
    RECT lower;
    r->GetBounds(&lower);
    EXPECT_EQ(lower.top, lowerY - Staff()->Space());
    const int y = Staff()->PositionToY(2);
    for (int offset : {2, 3, -1, -4}) {
        r->SetStartStaffOffset(offset);
        const auto glyphs = Points(Calls([&] { r->Draw(); }, {"TextOut"}));
        ASSERT_EQ(glyphs.size(), 1u) << offset;
        EXPECT_EQ(glyphs[0].second, y) << offset;
        RECT b;
        r->GetBounds(&b);
        EXPECT_EQ(b.top, y - Staff()->Space()) << offset;
        EXPECT_TRUE(r->HitTest(Bar()->FractionToX(0) + 1, y)) << offset;
    }
}

TEST_F(RestDraw, NudgeMovesByStaffStepsAndBarGridSteps) {
    CTrkBar* tb = Current(0, 1);
    CRest* r = NewRest(tb, 3, 0, 0, 200);
    r->Nudge(0, 3);
    EXPECT_EQ(r->StaffPosField(), 3);
    EXPECT_EQ(r->PositionField(), 200);
    const int x = Bar()->FractionToX(200);
    r->Nudge(1, 0);
    EXPECT_GT(r->PositionField(), 200);
    EXPECT_EQ(Bar()->FractionToX(r->PositionField()), x + 1) << "one step is the smallest move of x";
    r->Nudge(-1, -1);
    EXPECT_EQ(Bar()->FractionToX(r->PositionField()), x);
    EXPECT_EQ(r->StaffPosField(), 2);
}

TEST_F(RestDraw, HorizontalEndDragMovesTheBeamStartThatStoodAtTheRest) {
    CTrkBar* tb = Current(0, 1);
    auto* beam = static_cast<CBeam*>(tb->NewItem(CBeam::kType, 0));
    beam->SetSegmentCount(1);
    beam->SetPosition(100);
    beam->Segment(0).SetEndPosition(600);
    CRest* r = NewRest(tb, 4, 0, 0, 100);
    r->SetFlagBit(CRawHead::kBeamedBit, true);
    // The run moved when the rest went in: find both again.
    beam = static_cast<CBeam*>(Find(tb, CBeam::kType, 100));
    r = static_cast<CRest*>(Find(tb, CRest::kType, 100));
    ASSERT_TRUE(beam && r);

    g_viewDrag.currentTask = nullptr;
    CDragTask drag;
    g_viewDrag.currentTask = &drag;
    r->BeginDrag();
    EXPECT_EQ(drag.startPosition, 100);
    drag.horizontal = 1;
    drag.positionStep = 50;
    r->DragBy(&drag);
    r->EndDrag(&drag);
    EXPECT_EQ(r->PositionField(), 150);
    EXPECT_EQ(drag.startPosition, 100) << "the task keeps where the drag began";
    EXPECT_EQ(beam->StartPositionField(), 150);
    EXPECT_EQ(beam->PositionField(), 150);
    EXPECT_EQ(beam->EndPositionField(), 600);

    // The rest at the beam's end moves the end.
    CRest* last = NewRest(tb, 4, 0, 0, 600);
    last->SetFlagBit(CRawHead::kBeamedBit, true);
    beam = static_cast<CBeam*>(Find(tb, CBeam::kType, 150));
    last = static_cast<CRest*>(Find(tb, CRest::kType, 600));
    CDragTask back;
    back.horizontal = 1;
    back.startPosition = 600;
    last->SetPositionField(560);
    last->EndDrag(&back);
    EXPECT_EQ(beam->EndPositionField(), 560);
    EXPECT_EQ(beam->StartPositionField(), 150);
    g_viewDrag.currentTask = nullptr;
}
