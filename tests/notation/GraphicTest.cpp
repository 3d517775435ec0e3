// Graphics, harp pedal markings and pictures: the stored form and older files, the anchored
// points and bounds, the hit parts, drags, placement by two page points, each shape's own hits,
// the playback getters, the harp's pitch classes and bounds, the picture's drag and extent.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "ScoreDrawSupport.h"
#include "model/DragTask.h"
#include "model/Graphic.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "notation/Graphic.h"
#include "notation/NotationGlobals.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"

using namespace notetest;

namespace {

CGraphic* MakeGraphic(RecordBuf& buf, int kind) {
    const int type = CGraphic::TypeOfKind(kind);
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(CGraphic::SizeOfKind(kind)));
    auto* g = static_cast<CGraphic*>(ConstructItem(type, buf.data()));
    g->SetKind(kind);
    return g;
}

class GraphicRecordTest : public NotationTest {};

// A fresh drag step of the given moves (the drag task is its own drag state).
void Step(CDragTask& d, int dx, int dy, int positionStep = 0) {
    static_cast<DragState&>(d) = DragState{};
    d.dx = dx;
    d.dy = dy;
    d.positionStep = positionStep;
    d.moved = 1;
}

}  // namespace

TEST_F(GraphicRecordTest, TheStoredFormKeepsTheWidthInFifthsAndInvertsExactly) {
    for (int kind = 0; kind <= 5; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        RecordBuf buf;
        CGraphic* g = MakeGraphic(buf, kind);
        const int size = g->RecordSizeField();
        for (int at = 16; at < size; ++at) g->Bytes()[at] = std::uint8_t(at * 7);
        g->SetKind(kind);
        g->SetFlags(0x15);
        g->SetLineWidth(40);
        for (int at : {int(CGraphic::kStartDx), int(CGraphic::kStartDy), int(CGraphic::kEndDx), int(CGraphic::kEndDy)})
            g->PutWord(at, -at * 5);
        if (kind == CGraphic::kCurve) {
            g->SetControl(0, 256, 300);
            g->SetControl(1, 768, -300);
        }
        const Bytes all = Stored(g);
        const Bytes body(all.begin() + 12, all.end());
        EXPECT_EQ(body[CGraphic::kLineWidth - 16], 0);
        EXPECT_EQ(body[CGraphic::kLineWidth - 15], 8) << "the width 40 stored as 40 x 4 / 20";
        EXPECT_EQ(body[0], kind);
        RecordBuf back;
        auto* read = CGraphic::Of(ReadStored(all, back));
        EXPECT_EQ(Body(read), Body(g)) << "reads back as it was";
        // The raw path writes what the writer writes, and reads back the same.
        RecordBuf copy;
        std::memcpy(copy.data(), g, std::size_t(size));
        auto* converted = reinterpret_cast<CGraphic*>(copy.data());
        converted->ToFileOrder();
        EXPECT_EQ(Bytes(copy.data() + 16, copy.data() + size), body);
        rec::Put<std::int16_t>(copy.data(), rec::kSize, std::int16_t(size));
        converted->FromFileOrder();
        EXPECT_EQ(Bytes(copy.data() + 16, copy.data() + size), Bytes(g->Bytes() + 16, g->Bytes() + size));
    }
}

TEST_F(GraphicRecordTest, AnOlderGraphicGainsAnEmptySettingAndDoesNotPlay) {
    RecordBuf buf;
    CGraphic* g = MakeGraphic(buf, CGraphic::kRoundRect);
    g->SetRadius(15);
    g->SetEndPosition(700);
    const Bytes stored = Stored(g);
    // The form of a file before 0x400: no setting between the reserved bytes and the radius.
    Bytes old(stored.begin(), stored.begin() + 12 + (CGraphic::kPlayback - 16));
    old.insert(old.end(), stored.begin() + 12 + (CGraphic::kShapeData - 16), stored.end());
    old[0] = std::uint8_t((old.size() + 4) >> 8);
    old[1] = std::uint8_t(old.size() + 4);
    SetLoadedFileVersion(0x3FF, 0);
    RecordBuf back(256);
    auto* read = CGraphic::Of(ReadStored(WithoutColourBytes(old), back));
    SetLoadedFileVersion(0x410, 25);
    ASSERT_EQ(read->RecordSizeField(), CGraphic::kRoundRectSize);
    EXPECT_EQ(read->Radius(), 15);
    EXPECT_EQ(read->EndPosition(), 700);
    for (int at = CGraphic::kPlayback; at < CGraphic::kShapeData; ++at) EXPECT_EQ(read->Bytes()[at], 0) << at;
    EXPECT_TRUE(read->GetFlag8Bit1()) << "the do-not-play flag";
}

TEST_F(GraphicRecordTest, PlaybackGettersAnswerByTheSettingsMode) {
    RecordBuf buf;
    CGraphic* g = MakeGraphic(buf, CGraphic::kRect);
    EXPECT_EQ(g->GetPlaybackController(0), -1);
    EXPECT_EQ(g->GetPlaybackValue(), -1);
    g->PutByte(CGraphic::kPlayback + CGraphic::kPlaybackControllers, 8);
    EXPECT_EQ(g->GetPlaybackController(0), 7);
    g->PutWord(CGraphic::kPlayback + CGraphic::kPlaybackValue, 90);
    EXPECT_EQ(g->GetPlaybackValue(), -1) << "mode 0";
    g->PutByte(CGraphic::kPlayback + CGraphic::kPlaybackMode, 1);
    EXPECT_EQ(g->GetPlaybackValue(), 90);
    EXPECT_EQ(g->CBarItem::GetPlaybackController(0), 7) << "through the slot";
    EXPECT_EQ(g->CBarItem::GetPlaybackValue(0), 90);
    std::uint8_t out[CGraphic::kPlaybackSize];
    EXPECT_EQ(g->GetPlayback(out), 2);
}

TEST_F(GraphicRecordTest, TheHarpsPitchClassesAndStoredRun) {
    RecordBuf buf;
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(CHarpPed::kSize));
    auto* h = static_cast<CHarpPed*>(ConstructItem(CHarpPed::kType, buf.data()));
    const int naturals[] = {2, 0, 11, 4, 5, 7, 9};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(h->GetPitchClass(i), naturals[i]);
    h->SetPedal(2, -1);
    EXPECT_EQ(h->GetPitchClass(2), 10) << "B flat";
    h->SetPedal(1, -1);
    EXPECT_EQ(h->GetPitchClass(1), 11) << "C flat";
    h->SetPedal(2, 1);
    EXPECT_EQ(h->GetPitchClass(2), 0) << "B sharp";
    h->SetXOffset(-25);
    h->SetYOffset(400);
    h->SetStyle(2);
    h->SetShown(0x41);
    rec::Put<std::uint8_t>(h, 29, 0x77);
    const Bytes all = Stored(h);
    const Bytes body(all.begin() + 12, all.end());
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 4), (Bytes{0xFF, 0xFB, 0x00, 0x50})) << "the offsets / 5, big-endian";
    EXPECT_EQ(Bytes(body.begin() + 6, body.end()), Bytes(h->Bytes() + 22, h->Bytes() + 30)) << "the eight-byte run raw";
    RecordBuf back;
    EXPECT_EQ(Body(ReadStored(all, back)), Body(h));
}

// --- on the page ------------------------------------------------------------------------------------

namespace {

class GraphicPageTest : public notedraw::ScoreDrawTest {
protected:
    ~GraphicPageTest() override {
        g_platform.altDown = g_platform.ctrlDown = g_platform.shiftDown = 0;
        g_notation.graphicStartDragX = g_notation.graphicEndDragX = 0;
        g_viewDrag = ViewDragGlobals{};
    }
    CGraphic* Put(int b, int kind, int start, int endPosition, int startDy, int endDy, int t = 0) {
        RecordBuf buf;
        CGraphic* g = MakeGraphic(buf, kind);
        g->SetPositionField(std::int16_t(start));
        g->SetEndPosition(endPosition);
        g->SetStartDy(startDy);
        g->SetEndDy(endDy);
        g->SetLineWidth(20);
        CTrkBar* tb = Current(t, b);
        auto* placed = CGraphic::Of(tb->InsertCopy(g));
        tb->SetCurrent();
        return placed;
    }
    static RECT Bounds(CBarItem* item) {
        RECT r;
        item->GetBounds(&r);
        return r;
    }
};

}  // namespace

TEST_F(GraphicPageTest, AnEndPastTheLastBarIsClippedAndANegativeDistanceIsZero) {
    const int last = score->GetBarCount() - 1;
    CGraphic* g = Put(last - 1, CGraphic::kRect, 100, 500, 0, 240);
    g->SetEndBars(5);
    POINT s{}, e{};
    g->GetEndPoints(&s, &e);
    EXPECT_EQ(g->EndBars(), 1);
    EXPECT_EQ(g->EndPosition(), 1023);
    g->SetEndBars(-3);
    g->GetEndPoints(&s, &e);
    EXPECT_EQ(g->EndBars(), 0);
    // An end staff past the system's staves draws on its last one.
    g->SetEndStaff(40);
    g->GetEndPoints(&s, &e);
    EXPECT_NE(e.y, 0);
}

TEST_F(GraphicPageTest, BoundsTakeLineStyleTwoOnOddAndEvenEdges) {
    CGraphic* g = Put(0, CGraphic::kRect, 100, 500, 0, 240);
    POINT s{}, e{};
    g->GetEndPoints(&s, &e);
    RECT r = Bounds(g);
    EXPECT_EQ(r.left, s.x);
    EXPECT_EQ(r.right, e.x);
    g->SetLineStyle(2);
    r = Bounds(g);
    EXPECT_EQ(r.left % 2 != 0, true) << "the left edge odd";
    EXPECT_EQ(r.right % 2 == 0, true) << "the right edge even";
    EXPECT_LE(std::abs(r.left - s.x), 1);
    EXPECT_LE(std::abs(r.right - e.x), 1);
}

TEST_F(GraphicPageTest, HitPartsComeInTheirOrder) {
    CGraphic* g = Put(0, CGraphic::kRect, 100, 700, -240, 240);
    const RECT r = Bounds(g);
    const int t = GraphicBehaviour::Tolerance(*g) * 2;
    const int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    struct Case {
        const char* what;
        int x, y;
        bool hit;
        int part;
    };
    const Case cases[] = {
        {"top-left", int(r.left), int(r.top), true, 1},      {"bottom-right", int(r.right), int(r.bottom), true, 3},
        {"bottom-left", int(r.left), int(r.bottom), true, 0}, {"top-right", int(r.right), int(r.top), true, 2},
        {"the left edge", int(r.left) + t, my, true, 5},      {"the right edge", int(r.right) - t, my, true, 6},
        {"the top edge", mx, int(r.top) + t, true, 7},        {"the bottom edge", mx, int(r.bottom) - t, true, 8},
        {"inside", mx, my, true, GraphicBehaviour::kWholeItem}, {"outside", int(r.right) + 20, my, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_model.hitPart = 0;
        EXPECT_EQ(g->HitTestShape(c.x, c.y), c.hit);
        if (c.hit) EXPECT_EQ(g_model.hitPart, c.part);
    }
}

TEST_F(GraphicPageTest, DragsMoveThePartHitAndShiftGrowsBothWays) {
    CGraphic* g = Put(0, CGraphic::kRect, 100, 700, -240, 240);
    struct Case {
        int part;
        int startDrag, endDrag, startDx, startDy, endDy;
    };
    const Case cases[] = {
        {GraphicBehaviour::kWholeItem, 5, 5, 0, -235, 245},
        {1, 10, 5, 0, -230, 245},
        {0, 15, 5, 0, -230, 250},
        {2, 15, 10, 0, -225, 250},
        {3, 15, 15, 0, -225, 255},
        {5, 15, 15, 5, -225, 255},
        {6, 15, 20, 5, -225, 255},
        {7, 15, 20, 5, -220, 255},
        {8, 15, 20, 5, -220, 260},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("part " + std::to_string(c.part));
        g_model.hitPart = std::int16_t(c.part);
        CDragTask d;
        Step(d, 5, 5);
        g->MoveDrag(&d);
        // The table counts page steps of 5; the record counts them in the staff's offset units.
        const int u = Staff()->UnscaleOffset(5);
        EXPECT_EQ(g_notation.graphicStartDragX, c.startDrag / 5 * u);
        EXPECT_EQ(g_notation.graphicEndDragX, c.endDrag / 5 * u);
        EXPECT_EQ(g->StartDx(), c.startDx / 5 * u);
        EXPECT_EQ(g->StartDy(), -240 + (c.startDy + 240) / 5 * u);
        EXPECT_EQ(g->EndDy(), 240 + (c.endDy - 240) / 5 * u);
    }
    // The bottom-right corner with Shift moves along the diagonal: the rectangle grows equally.
    g_notation.graphicEndDragX = 0;
    g_platform.shiftDown = 1;
    g_model.hitPart = 3;
    CDragTask d;
    Step(d, 6, 0);
    const int endDy = g->EndDy();
    g->MoveDrag(&d);
    EXPECT_EQ(g_notation.graphicEndDragX, Staff()->UnscaleOffset(6));
    EXPECT_EQ(g->EndDy(), endDy + Staff()->UnscaleOffset(6));
}

// A handle's drag starts with the drag's anchor one unit inside the end the handle moves, and
// the moved flag cleared when the end's x moves; the whole item and Alt or Ctrl leave it alone.
TEST_F(GraphicPageTest, AHandleDragAnchorsOneUnitInsideTheEndItMoves) {
    CGraphic* g = Put(0, CGraphic::kRect, 100, 700, -240, 240);
    POINT s{}, e{};
    g->GetEndPoints(&s, &e);
    const POINT kept{7, 9};
    struct Case {
        int part;
        bool alt;
        POINT anchor;
        int moved;
    };
    const Case cases[] = {
        {1, false, kept, 1},
        {0, false, POINT{kept.x, e.y - 1}, 1},
        {2, false, POINT{e.x - 1, kept.y}, 0},
        {3, false, POINT{e.x - 1, e.y - 1}, 0},
        {5, false, kept, 1},
        {6, false, POINT{e.x - 1, kept.y}, 0},
        {7, false, kept, 1},
        {8, false, POINT{kept.x, e.y - 1}, 1},
        {GraphicBehaviour::kWholeItem, false, kept, 1},
        {3, true, kept, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("part " + std::to_string(c.part) + (c.alt ? " with Alt" : ""));
        CDragTask d;
        d.item = g;
        d.anchor = kept;
        d.moved = 1;
        g_viewDrag.currentTask = &d;
        g_platform.altDown = c.alt ? 1 : 0;
        g_model.hitPart = std::int16_t(c.part);
        g->BeginDrag();
        EXPECT_EQ(d.anchor.x, c.anchor.x);
        EXPECT_EQ(d.anchor.y, c.anchor.y);
        EXPECT_EQ(d.moved, c.moved);
        EXPECT_TRUE(g->IsRemoved()) << "then the bar item's start: taken out while it moves";
        g->SetFlagsB(std::uint8_t(g->FlagsB() & ~CBarItem::kRemovedBit));
        g_viewDrag.currentTask = nullptr;
    }
}

TEST_F(GraphicPageTest, PlacementOrdersThePointsByTheShape) {
    CTrkBar* tb = Current(0, 1);
    CStaff* staff = Staff();
    const int x1 = Bar()->PositionToItemX(200, 0), x2 = Bar()->PositionToItemX(700, 0);
    const int y1 = staff->OffsetToY(-240), y2 = staff->OffsetToY(120);
    struct Case {
        const char* what;
        int kind;
        std::uint8_t flags;
        bool leftward;
        std::uint8_t wantFlags;
    };
    const Case cases[] = {
        {"a wedge released left of its press turns", CGraphic::kWedge, 0, true, CGraphic::kReversed},
        {"a line placed right to left exchanges its arrows", CGraphic::kLine, CGraphic::kArrowEnd, true, CGraphic::kArrowStart},
        {"a rectangle is ordered top-left to bottom-right", CGraphic::kRect, 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tb->SetCurrent();
        RecordBuf buf;
        CGraphic* g = MakeGraphic(buf, c.kind);
        g->SetFlags(c.flags);
        g->SetLineWidth(20);
        ScoreLocation start, end;
        start.pointX = c.leftward ? x2 : x1;
        start.pointY = c.leftward ? y2 : y1;
        end.pointX = c.leftward ? x1 : x2;
        end.pointY = c.leftward ? y1 : y2;
        CBarItem* placed = g->PlaceAtPoint(start, end);
        ASSERT_NE(placed, nullptr);
        auto* p = CGraphic::Of(placed);
        EXPECT_EQ(p->Flags(), c.wantFlags);
        EXPECT_EQ(p->EndBars(), 0) << "without the free end the end is anchored in the bar";
        EXPECT_EQ(p->EndPosition(), p->PositionField());
        POINT s{}, e{};
        Current(0, 1);
        p = CGraphic::Of(placed);
        p->GetEndPoints(&s, &e);
        EXPECT_LT(s.x, e.x) << "stored left to right";
        if (c.kind == CGraphic::kRect) EXPECT_LT(s.y, e.y) << "top to bottom";
        p->MarkRemoved();
    }
}

TEST_F(GraphicPageTest, LinesAndCurvesAreHitOnTheirOwnShape) {
    CGraphic* v = Put(0, CGraphic::kLine, 300, 300, -240, 240);
    POINT s{}, e{};
    v->GetEndPoints(&s, &e);
    ASSERT_EQ(s.x, e.x);
    const int t = GraphicBehaviour::Tolerance(*v);
    const int my = (s.y + e.y) / 2;
    EXPECT_TRUE(v->HitTestShape(s.x + t, my)) << "within t to its right";
    EXPECT_FALSE(v->HitTestShape(s.x - t, my)) << "not to its left";
    EXPECT_TRUE(v->HitTestShape(s.x, s.y));
    EXPECT_EQ(g_model.hitPart, 1);

    CGraphic* c = Put(1, CGraphic::kCurve, 100, 800, 0, 0);
    c->SetControl(0, 0, -240);
    c->SetControl(1, 1024, -240);
    POINT p[4];
    GrCurveBehaviour::Instance().GetPoints(*c, p);
    EXPECT_EQ(p[1].x, p[0].x) << "fraction 0 over the start";
    EXPECT_EQ(p[2].x, p[3].x) << "fraction 1024 over the end";
    EXPECT_LT(p[1].y, p[0].y);
    c->SetControl(0, 256, 0);
    c->SetControl(1, 768, 0);
    GrCurveBehaviour::Instance().GetPoints(*c, p);
    const int mx = (p[0].x + p[3].x) / 2;
    EXPECT_TRUE(c->HitTestShape(mx, p[0].y + 1));
    EXPECT_EQ(g_model.hitPart, 4) << "the curve's body within 1";
    EXPECT_FALSE(c->HitTestShape(mx, p[0].y + 5));
    EXPECT_EQ(GrLineBehaviour::ArrowSize(*v), Staff()->ScaleToView(20 / 10 + 5));
}

TEST_F(GraphicPageTest, AHarpsStyleThreeWithoutBitsKeepsItsPointAndScaleHalvesIt) {
    CTrkBar* tb = Current(0, 2);
    RecordBuf buf;
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(CHarpPed::kSize));
    auto* h = static_cast<CHarpPed*>(ConstructItem(CHarpPed::kType, buf.data()));
    h->SetPositionField(200);
    auto* placed = static_cast<CHarpPed*>(tb->InsertCopy(h));
    tb->SetCurrent();
    RECT full = Bounds(placed);
    const int s = Staff()->Space();
    EXPECT_EQ(full.right - full.left, 8 * s + s / 2 / 2);
    placed->CBaseItem::SetScale(50);
    RECT half = Bounds(placed);
    EXPECT_EQ(half.right - half.left, 8 * (s / 2) + (s / 2) / 2 / 2);
    placed->CBaseItem::SetScale(0);
    placed->SetStyle(3);
    placed->SetShown(0);
    RECT none = Bounds(placed);
    EXPECT_EQ(none.left, none.right) << "no letters: from x to x";
    EXPECT_LT(none.top, none.bottom);
}

TEST_F(GraphicPageTest, APictureHasAnExtentAndItsDragMovesOnlyItsPlace) {
    CTrkBar* tb = Current(0, 1);
    RecordBuf buf;
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(CPict::kSize));
    auto* p = static_cast<CPict*>(ConstructItem(CPict::kType, buf.data()));
    p->SetPositionField(300);
    auto* placed = static_cast<CPict*>(tb->InsertCopy(p));
    tb->SetCurrent();
    const RECT r = Bounds(placed);
    EXPECT_EQ(r.right - r.left, 2 * Staff()->Space());
    EXPECT_EQ(r.bottom - r.top, 2 * Staff()->Space());
    const Bytes before = Body(placed);
    CDragTask d;
    Step(d, 7, 12, 40);
    placed->MoveDrag(&d);
    EXPECT_EQ(placed->PositionField(), 340);
    EXPECT_EQ(placed->YOffset(), Staff()->UnscaleOffset(12)) << "in the staff's offset units";
    Bytes after = Body(placed);
    for (int at : {12 - 4, 13 - 4, 16 - 4, 17 - 4}) after[std::size_t(at)] = before[std::size_t(at)];
    EXPECT_EQ(after, before) << "nothing else changed";
}

TEST_F(GraphicPageTest, APlaybackDescriptionSpansTheBars) {
    CGraphic* g = Put(0, CGraphic::kRect, 0, 512, 0, 0);
    g->SetEndBars(2);
    g->PutByte(CGraphic::kPlayback, 1);
    SpanPlayback out;
    EXPECT_EQ(DescribeGraphicPlayback(*g, out), 2);
    EXPECT_EQ(out.startBar, 0);
    EXPECT_EQ(out.endBar, 2);
    EXPECT_EQ(out.endTimeInBar, score->GetBar(2)->FractionToTick(512));
    EXPECT_EQ(out.endTime, out.endTimeInBar + score->GetBar(0)->GetLength() + score->GetBar(1)->GetLength());
    EXPECT_EQ(out.setting[0], 1);
}

// A selected picture frames its extent on screen, not while printing; a rounded rectangle of
// radius 0 fills as a rectangle would.
TEST_F(GraphicPageTest, ASelectedPictureIsFramedOnScreenOnly) {
    CTrkBar* tb = Current(0, 1);
    RecordBuf buf;
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(CPict::kSize));
    auto* p = static_cast<CPict*>(ConstructItem(CPict::kType, buf.data()));
    p->SetPositionField(300);
    p->SetFlagsB(CBarItem::kSelectedBit);
    auto* placed = static_cast<CPict*>(tb->InsertCopy(p));
    tb->SetCurrent();
    const RECT r = Bounds(placed);
    // The frame's op names its left and top (the port's rectangle takes its far edges one on).
    const std::string frame = "Rectangle " + std::to_string(r.left) + " " + std::to_string(r.top) + " ";
    const auto framed = [&] {
        CBitmap picture;
        std::vector<std::string> ops;
        EXPECT_TRUE(DrawPageToPicture(score->GetPage(0), picture, &ops));
        for (const std::string& op : ops)
            if (op.rfind(frame, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(framed()) << frame;
    g_draw.printingDC = true;
    EXPECT_FALSE(framed());
    g_draw.printingDC = false;
    Current(0, 1);
    placed->SetFlagsB(0);
    EXPECT_FALSE(framed()) << "not selected";
}

TEST_F(GraphicPageTest, ARoundedRectangleOfRadiusZeroFillsAsARectangle) {
    CGraphic* round = Put(2, CGraphic::kRoundRect, 100, 500, -240, 120);
    round->SetFlags(CGraphic::kFilled);
    round->SetLineWidth(0);
    round->SetRadius(0);
    CBitmap withRound, withRect;
    ASSERT_TRUE(DrawPageToPicture(score->GetPage(0), withRound));
    Current(0, 2);
    round->MarkRemoved();
    CGraphic* rect = Put(2, CGraphic::kRect, 100, 500, -240, 120);
    rect->SetFlags(CGraphic::kFilled);
    rect->SetLineWidth(0);
    ASSERT_TRUE(DrawPageToPicture(score->GetPage(0), withRect));
    EXPECT_EQ(withRound.CountDifferences(withRect, 0), 0);
}

// Records shorter than their layout (a damaged or hand-made file) are drawn, bounded, hit and
// dragged without reading or writing past their end.
TEST_F(GraphicPageTest, ShortRecordsAreHandledWithinTheirBytes) {
    for (int type : {64, 65, 66, 68, 69, 70, int(CHarpPed::kType), int(CPict::kType)}) {
        SCOPED_TRACE("type " + std::to_string(type));
        CTrkBar* tb = Current(0, 3);
        RecordBuf buf;
        std::memset(buf.data(), 0xEE, buf.bytes.size());
        std::memset(buf.data(), 0, 18);
        rec::Put<std::int16_t>(buf.data(), rec::kSize, 18);
        auto* item = static_cast<CBarItem*>(ConstructItem(type, buf.data()));
        item->CBaseItem::SetSize(18);
        auto* placed = tb->InsertCopy(item);
        ASSERT_NE(placed, nullptr);
        tb->SetCurrent();
        RECT r;
        placed->GetBounds(&r);
        placed->HitTestShape(r.left, r.top);
        CDragTask d;
        Step(d, 3, 3, 3);
        g_model.hitPart = 3;
        placed->MoveDrag(&d);
        CBitmap picture;
        EXPECT_TRUE(DrawPageToPicture(score->GetPage(0), picture));
        Current(0, 3);
        placed->MarkRemoved();
    }
}
