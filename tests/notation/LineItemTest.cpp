// Bends, groups, barres, pedal lines and glissandi: their stored form and older-file repairs,
// hostile point counts, their creation by the palettes' sub-tool, labels, hits, drags, label
// steps, flips, removal and what a pedal gives the performer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "framework/CodePage.h"
#include "ScoreDrawSupport.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/TaskMakers.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/NotationGlobals.h"
#include "notation/PedalDrag.h"
#include "notation/TieType.h"
#include "platform/PlatformGlobals.h"

using namespace notetest;

namespace {

template <typename T>
T* Make(RecordBuf& buf, int size = T::kSize) {
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(size));
    return static_cast<T*>(ConstructItem(T::kType, buf.data()));
}

// A bend record with n points whose fields hold recognisable values.
CBend* BendWithPoints(RecordBuf& buf, int n) {
    CBend* b = Make<CBend>(buf);
    b->SetKind(5);
    b->SetEndLabel(-7);
    b->SetEndLabelDx(45);
    b->SetEndLabelDy(-90);
    for (int i = 0; i < CBend::kPlaybackSize; ++i) b->Bytes()[CBend::kPlayback + i] = std::uint8_t(0x30 + i);
    for (int i = 0; i < n; ++i) {
        b->AppendPoint(100 * (i + 1), -360 + 5 * i);
        b->SetPointLabel(i, i - 3);
        b->PutByte(CBend::PointAt(i), std::uint8_t(0x5A + i));
    }
    return b;
}

class LineRecordTest : public NotationTest {};

}  // namespace

// --- stored form ----------------------------------------------------------------------------------

TEST_F(LineRecordTest, ABendsPointsAndSettingAreStoredInFileOrderAndReadBack) {
    RecordBuf buf;
    CBend* b = BendWithPoints(buf, 2);
    ASSERT_EQ(b->RecordSizeField(), 96);
    const Bytes all = Stored(b);
    const Bytes body(all.begin() + 12, all.end());
    ASSERT_EQ(body.size(), std::size_t(96 - 16));
    const int at = CBend::kPointCount - 16;
    EXPECT_EQ(body[CBend::kKind - 16], 5);
    EXPECT_EQ(body[CBend::kEndLabel - 16], std::uint8_t(-7));
    EXPECT_EQ(Bytes(body.begin() + at, body.begin() + at + 2), (Bytes{0, 2})) << "the count big-endian";
    EXPECT_EQ(Bytes(body.begin() + at + 6, body.begin() + at + 8), (Bytes{0xFF, 0xEE})) << "label dy -90 / 5";
    const int p1 = CBend::PointAt(1) - 16;
    EXPECT_EQ(body[p1], CBend::PointBitsToFile(0x5B)) << "the point's bit fields mirrored";
    EXPECT_EQ(Bytes(body.begin() + p1 + 2, body.begin() + p1 + 4), (Bytes{0, 200}));
    RecordBuf back;
    auto* read = static_cast<CBend*>(ReadStored(all, back));
    EXPECT_EQ(Body(read), Body(b)) << "the record reads back as it was";
}

TEST_F(LineRecordTest, ToFileOrderIsTheExactInverseOfFromFileOrder) {
    struct Case {
        const char* what;
        int type, size;
    };
    for (const Case& c : {Case{"bend", CBend::kType, 96}, Case{"barre", CBarre::kType, CBarre::kSize},
                          Case{"pedal", CPedal::kType, 86}, Case{"group", CGroup::kType, CGroup::kSize},
                          Case{"glissando", CGlissando::kType, CGlissando::kSize}}) {
        SCOPED_TRACE(c.what);
        RecordBuf buf;
        rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(c.size));
        auto* item = static_cast<CTieType*>(ConstructItem(c.type, buf.data()));
        for (int at = 16; at < c.size; ++at) item->Bytes()[at] = std::uint8_t(at * 7);
        // Coordinates hold multiples of 5, as a file's do; the point count what the record holds.
        for (int at = CTieType::kStartDx; at <= CTieType::kEndDy; at += 2) item->PutWord(at, (at - 30) * 25);
        if (c.type != CGlissando::kType) {
            item->PutWord(CBend::kPointCount, (c.size - CBend::kPoints) / CBend::kPointSize);
            for (int at : {int(CBend::kEndLabelDx), int(CBend::kEndLabelDy)}) item->PutWord(at, -at * 5);
            for (int i = 0; i < (c.size - CBend::kPoints) / CBend::kPointSize; ++i)
                for (int f : {int(CBend::kPointDy), int(CBend::kPointLabelDx), int(CBend::kPointLabelDy)})
                    item->PutWord(CBend::PointAt(i) + f, (f + i) * 15);
            // Bit 2 of a barre's fret byte is not stored.
            if (c.type == CBarre::kType) item->PutByte(CBarre::kFret, std::uint8_t(item->Byte(CBarre::kFret) & ~0x04));
        } else {
            item->PutWord(CGlissando::kTextDx, 35);
            item->PutWord(CGlissando::kTextDy, -40);
            item->PutByte(CGlissando::kText + CGlissando::kTextSize - 1, 0);
        }
        const Bytes memory(item->Bytes() + 16, item->Bytes() + c.size);
        const Bytes all = Stored(item);
        const Bytes written(all.begin() + 12, all.end());
        RecordBuf copy;
        std::memcpy(copy.data(), item, std::size_t(c.size));
        auto* converted = reinterpret_cast<CTieType*>(copy.data());
        converted->ToFileOrder();
        EXPECT_EQ(Bytes(copy.data() + 16, copy.data() + c.size), written) << "the raw path writes what the writer writes";
        rec::Put<std::int16_t>(copy.data(), rec::kSize, std::int16_t(c.size));
        converted->FromFileOrder();
        EXPECT_EQ(Bytes(copy.data() + 16, copy.data() + c.size), memory);
    }
}

TEST_F(LineRecordTest, TheBarresFretAndFlagBytesKeepTheirFileOrder) {
    for (int v = 0; v < 256; ++v) {
        const auto b = std::uint8_t(v);
        EXPECT_EQ(CBarre::FlagsFromFile(CBarre::FlagsToFile(b)), b) << "+77 value " << v;
        EXPECT_EQ(CBarre::FlagsToFile(CBarre::FlagsFromFile(b)), b) << "+77 file value " << v;
        EXPECT_EQ(CBarre::FretFromFile(CBarre::FretToFile(b)), std::uint8_t(b & ~0x04)) << "+76 value " << v << ": bit 2 is not kept";
    }
    EXPECT_EQ(CBarre::FretToFile(std::uint8_t(31 << 3 | 2)), 31 | 2 << 5) << "the fret in bits 0-4, the field in 5-6";
    EXPECT_EQ(CBarre::FlagsToFile(0x01), 0x80) << "the end hook in bit 7";
    EXPECT_EQ(CBarre::FlagsToFile(0x02), 0x40) << "the label in bit 6";
    EXPECT_EQ(CBarre::FlagsToFile(2 << 2), 2 << 3) << "the line style in bits 3-5";
    EXPECT_EQ(CBarre::FlagsToFile(std::uint8_t(5 << 5)), 5) << "the prefix in bits 0-2";
}

// A point count from a file larger than the record holds walks only the points there.
TEST_F(LineRecordTest, AHostilePointCountIsHeldToTheRecord) {
    RecordBuf buf;
    CBend* b = BendWithPoints(buf, 2);
    b->SetPointCount(0x7FFF);
    EXPECT_EQ(b->PointCount(), 2);
    EXPECT_EQ(b->WantedSize(), 96);
    Bytes stored = Stored(b);
    RecordBuf back(200);
    std::memset(back.data(), 0xEE, back.bytes.size());
    auto* read = static_cast<CBend*>(ReadStored(stored, back));
    EXPECT_EQ(read->RecordSizeField(), 96);
    EXPECT_EQ(read->PointCount(), 2);
    EXPECT_EQ(read->GetPointValue(1), 200);
    EXPECT_EQ(back.data()[4 + 96], 0xEE) << "nothing past the record was touched";

    // A record shorter than the fixed part has no points at all.
    RecordBuf small;
    CBend* stub = Make<CBend>(small, 40);
    EXPECT_EQ(stub->PointCount(), 0);
}

TEST_F(LineRecordTest, AnOlderBendGainsItsSettingAndTheTimeBytes) {
    RecordBuf buf;
    CBend* b = BendWithPoints(buf, 1);
    // The file form of 0x3FF: no setting, the point straight after +43.
    Bytes stored = Stored(b);
    Bytes old(stored.begin(), stored.begin() + 12 + (CBend::kOldFixedSize - 16));
    old.insert(old.end(), stored.begin() + 12 + (CBend::kPoints - 16), stored.end());
    // The size field counts the record's four leading bytes that the file does not hold.
    old[0] = std::uint8_t((old.size() + 4) >> 8);
    old[1] = std::uint8_t(old.size() + 4);
    SetLoadedFileVersion(0x3FF, 0);
    RecordBuf back(256);
    auto* read = static_cast<CBend*>(ReadStored(WithoutColourBytes(old), back));
    ASSERT_EQ(read->RecordSizeField(), 86);
    EXPECT_EQ(read->PointCount(), 1);
    EXPECT_EQ(read->GetPointValue(0), 100) << "the point moved up past the setting";
    EXPECT_EQ(read->PointDy(0), -360);
    for (int at = CBend::kPlayback; at < CBend::kPoints; ++at) {
        const int want = at == CBend::kPlaybackOffsetBytes || at == CBend::kPlaybackOffsetBytes + 1 ? 0xF6 : 0;
        EXPECT_EQ(read->Bytes()[at], want) << "setting byte " << at;
    }

    // Version 0x400 with sub-version 1 keeps its setting but for the two bytes.
    SetLoadedFileVersion(0x400, 1);
    RecordBuf again(256);
    read = static_cast<CBend*>(ReadStored(stored, again));
    EXPECT_EQ(read->Bytes()[CBend::kPlayback], 0x30);
    EXPECT_EQ(read->Bytes()[CBend::kPlaybackOffsetBytes], 0xF6);
    EXPECT_EQ(read->Bytes()[CBend::kPlaybackOffsetBytes + 1], 0xF6);
    SetLoadedFileVersion(0x400, 2);
    RecordBuf newer(256);
    read = static_cast<CBend*>(ReadStored(stored, newer));
    EXPECT_EQ(read->Bytes()[CBend::kPlaybackOffsetBytes], 0x30 + 11);
    SetLoadedFileVersion(0x410, 25);
}

TEST_F(LineRecordTest, AnOlderGlissandoReadsWithItsDefaults) {
    RecordBuf buf;
    CGlissando* g = Make<CGlissando>(buf, CGlissando::kOldSize);
    g->SetWavy(true);
    g->SetEndPositionField(300);
    const Bytes old = WithoutColourBytes(Stored(g));
    SetLoadedFileVersion(0x3FF, 0);
    RecordBuf back(256);
    auto* read = static_cast<CGlissando*>(ReadStored(old, back));
    SetLoadedFileVersion(0x410, 25);
    EXPECT_EQ(read->RecordSizeField(), 86);
    EXPECT_EQ(read->WaveSize(), 8);
    EXPECT_EQ(read->GetText(), "gliss.");
    EXPECT_EQ(read->GetFont().size, 9);
    EXPECT_FALSE(read->IsWavy());
    EXPECT_EQ(read->EndPositionField(), 300);
}

TEST_F(LineRecordTest, AGlissandosTextIsHeldToItsField) {
    RecordBuf buf;
    CGlissando* g = Make<CGlissando>(buf);
    g->SetText(std::string(40, 'g').c_str());
    EXPECT_EQ(g->GetText(), std::string(31, 'g'));
    // A stored text without its end reads ended within the field.
    std::memset(g->Bytes() + CGlissando::kText, 'x', CGlissando::kTextSize);
    RecordBuf back;
    auto* read = static_cast<CGlissando*>(ReadStored(Stored(g), back));
    EXPECT_EQ(read->GetText(), std::string(31, 'x'));
}

TEST_F(LineRecordTest, LabelsAndFretsReadAsTheyAreDrawn) {
    EXPECT_EQ(BendBehaviour::LabelText(2), "1/2");
    EXPECT_EQ(fw::ToUtf8(BendBehaviour::LabelText(4)), "全部") << "the program's code page";
    EXPECT_EQ(BendBehaviour::LabelText(-5), "-1 1/4");
    EXPECT_EQ(BendBehaviour::LabelText(12), "3");
    EXPECT_EQ(BendBehaviour::LabelText(-40), "-3") << "held to the table";
    const std::pair<int, const char*> frets[] = {{1, "I"}, {4, "IV"}, {9, "IX"}, {14, "XIV"}, {19, "XIX"}, {31, "XXXI"}, {28, "XXVIII"}};
    for (const auto& [fret, text] : frets) {
        char roman[16];
        CBarre::RomanFret(fret, roman);
        EXPECT_STREQ(roman, text) << "fret " << fret;
    }
}

TEST_F(LineRecordTest, RemovingAPedalPointTakesThatPointOrTheWholePedal) {
    RecordBuf buf;
    auto* p = reinterpret_cast<CPedal*>(BendWithPoints(buf, 3));
    p->SetType(CPedal::kType);
    p->RemovePoint(2);
    EXPECT_EQ(p->PointCount(), 2);
    EXPECT_EQ(p->GetPointValue(0), 100);
    EXPECT_EQ(p->GetPointValue(1), 300) << "the later point moved down";
    EXPECT_FALSE(p->IsRemoved());
    p->RemovePoint(0);
    EXPECT_TRUE(p->IsRemoved()) << "index 0 (the start) takes the pedal";
    p->SetFlagsB(0);
    p->RemovePoint(3);
    EXPECT_TRUE(p->IsRemoved()) << "past the count takes the pedal";
}

// --- on the page ------------------------------------------------------------------------------------

namespace {

class LinePageTest : public notedraw::ScoreDrawTest {
protected:
    ~LinePageTest() override {
        ChosenSubTool() = nullptr;
        g_platform.altDown = 0;
        g_platform.ctrlDown = 0;
    }
    // An item of the type placed as its tool places it with the sub-tool at a column and staff
    // position of track 0's bar b, then put into the bar.
    template <typename T>
    T* Place(int b, int subTool, int column, int staffPosition = 0) {
        CTrkBar* tb = Current(0, b);
        RecordBuf buf;
        rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(GetItemRecordSizeForCode(T::kType)));
        auto* item = static_cast<T*>(ConstructItem(T::kType, buf.data()));
        ScoreLocation location;
        location.position = std::int16_t(column);
        location.staffPosition = staffPosition;
        ChosenSubTool() = [subTool] { return subTool; };
        item->PlaceAt(location);
        auto* placed = static_cast<T*>(tb->InsertCopy(item));
        tb->SetCurrent();
        return placed;
    }
    template <typename T>
    T* Find(int b, int type, int column) {
        T* found = nullptr;
        trkbar::ForEachLiveItem(Current(0, b), [&](CBarItem* r) {
            if (!found && r->TypeCode() == type && r->PositionField() == column) found = static_cast<T*>(r);
        });
        return found;
    }
    std::vector<POINT> Points(CTieType* item) {
        POINT p[TieTypeBehaviour::kMaxPoints];
        const int n = TieTypeBehaviour::Of(*item).GetPoints(*item, p);
        return std::vector<POINT>(p, p + n);
    }
    CNote* PutNote(int b, int time, int column, int position, std::uint8_t links = 0) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, 1, 3);
        note->SetTimeField(std::int16_t(time));
        note->SetPositionField(std::int16_t(column));
        note->Head(0)->SetPosition(position);
        note->Head(0)->SetPitch(60 + position);
        note->SetLinks(links);
        CTrkBar* tb = Current(0, b);
        auto* placed = static_cast<CNote*>(tb->InsertCopy(note));
        tb->SetCurrent();
        return placed;
    }
};

// A fresh drag step of the given moves (the drag task is its own drag state).
void Step(CDragTask& d, int dx, int dy, int positionStep = 0) {
    static_cast<DragState&>(d) = DragState{};
    d.dx = dx;
    d.dy = dy;
    d.positionStep = positionStep;
    d.moved = 1;
}

}  // namespace

TEST_F(LinePageTest, ABendIsMadeByItsKind) {
    struct Case {
        int kind;
        int label;
        std::vector<int> points;
        int endPosition, endDx, endDy;
    };
    const Case cases[] = {
        {0, 2, {}, 300, 0, -360},       {1, 2, {}, 300, 360, -360},     {2, 2, {0}, 556, 0, 0},
        {3, 2, {128}, 556, 0, 0},       {4, 2, {0, 170}, 556, 0, 0},    {5, 2, {85, 170}, 556, 0, 0},
        {6, 0, {128}, 556, 0, 0},       {7, 0, {}, 556, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        CBend* b = Place<CBend>(c.kind % 4, c.kind, 300, 3);
        EXPECT_EQ(b->Kind(), c.kind);
        EXPECT_EQ(b->EndLabel(), c.label);
        EXPECT_TRUE(b->AboveBit());
        EXPECT_EQ(b->StartY(), 3);
        EXPECT_EQ(b->EndY(), 3);
        EXPECT_EQ(b->EndPositionField(), c.endPosition);
        EXPECT_EQ(b->EndDx(), c.endDx);
        EXPECT_EQ(b->EndDy(), c.endDy);
        EXPECT_EQ(b->EndLabelDx(), 45);
        EXPECT_EQ(b->EndLabelDy(), -45);
        ASSERT_EQ(b->PointCount(), int(c.points.size()));
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_EQ(b->GetPointValue(int(i)), c.points[i]);
            EXPECT_EQ(b->PointDy(int(i)), -360);
            EXPECT_EQ(b->PointLabelDx(int(i)), 45);
        }
        EXPECT_EQ(int(Points(b).size()), b->PointCount() + 2);
        b->MarkRemoved();
    }
}

TEST_F(LinePageTest, ABendIsHitOnItsPointsThenItsLabels) {
    CBend* b = Place<CBend>(0, 3, 200);
    b->SetPointLabel(0, 2);
    const std::vector<POINT> p = Points(b);
    ASSERT_EQ(p.size(), 3u);
    const int s = Staff()->Space();
    const POINT endLabel{p[2].x + Staff()->ScaleOffset(45), p[2].y + Staff()->ScaleOffset(-45)};
    const POINT pointLabel{p[1].x + Staff()->ScaleOffset(45), p[1].y + Staff()->ScaleOffset(-45)};
    struct Case {
        const char* what;
        POINT at;
        bool hit;
        int part;
    };
    const Case cases[] = {
        {"the start", p[0], true, 0},
        {"the point", p[1], true, 1},
        {"the end", p[2], true, 2},
        {"the end label", POINT{endLabel.x + s / 2, endLabel.y - s / 2}, true, -1},
        {"the point's label", POINT{pointLabel.x + s / 2, pointLabel.y - s / 2}, true, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_model.hitPart = 99;
        EXPECT_EQ(b->HitTestShape(c.at.x, c.at.y), c.hit);
        EXPECT_EQ(g_model.hitPart, c.part);
    }
    EXPECT_FALSE(b->HitTestShape(p[0].x - 5 * s, p[0].y + 5 * s));
    RECT r;
    b->GetBounds(&r);
    EXPECT_LE(r.top, pointLabel.y - s - 2) << "the bounds hold the labels";
}

TEST_F(LinePageTest, BendDragsAndLabelSteps) {
    CBend* b = Place<CBend>(0, 5, 200);
    // The start handle moves the whole bend.
    g_model.hitPart = 0;
    CDragTask d;
    Step(d, 3, 6, 20);
    b->MoveDrag(&d);
    EXPECT_EQ(g_model.hitPart, TieTypeBehaviour::kWholeItem);
    EXPECT_EQ(b->PositionField(), 220);
    EXPECT_EQ(b->EndPositionField(), 476);
    EXPECT_EQ(b->StartDy(), 6);
    EXPECT_EQ(b->EndDy(), 6);
    // The end handle: end dx and dy, and the last point's position for kinds 4 and 5.
    g_model.hitPart = 3;
    Step(d, 4, -5, 10);
    b->MoveDrag(&d);
    EXPECT_EQ(b->EndDx(), 4);
    EXPECT_EQ(b->EndDy(), 1);
    EXPECT_EQ(b->GetPointValue(1), 180);
    // A middle point takes the position step (not the offset) and the vertical move.
    g_model.hitPart = 1;
    Step(d, 7, 9, 16);
    b->MoveDrag(&d);
    EXPECT_EQ(b->GetPointValue(0), 85 + 16);
    EXPECT_EQ(b->PointDy(0), -351);
    // The end label moves by its offsets.
    g_model.hitPart = -1;
    b->MoveDrag(&d);
    EXPECT_EQ(b->EndLabelDx(), 52);
    EXPECT_EQ(b->EndLabelDy(), -36);

    // With Alt a handle's label steps: up raises it, held within -12..12.
    g_platform.altDown = 1;
    g_model.hitPart = 3;
    for (int i = 0; i < 20; ++i) {
        Step(d, 0, -4);
        b->MoveDrag(&d);
    }
    EXPECT_EQ(b->EndLabel(), 12);
    for (int i = 0; i < 30; ++i) {
        Step(d, 0, 4);
        b->MoveDrag(&d);
    }
    EXPECT_EQ(b->EndLabel(), -12);
    Step(d, 0, 1);
    b->MoveDrag(&d);
    EXPECT_EQ(b->EndLabel(), -12) << "half a step does nothing";
    g_model.hitPart = -2;
    Step(d, 0, -2);
    b->MoveDrag(&d);
    EXPECT_EQ(b->PointLabel(0), 1) << "point 0's label raised";
    g_platform.altDown = 0;

    // A wavy bend ending in its own bar keeps 32 after its start.
    CBend* wave = Place<CBend>(1, 9, 600);
    wave->SetEndPositionField(610);
    g_model.hitPart = 1;
    Step(d, -4, 0, -40);
    wave->MoveDrag(&d);
    EXPECT_EQ(wave->EndPositionField(), 632);
}

TEST_F(LinePageTest, GroupsDrawHitAndDragByTheirKind) {
    CGroup* pair = Place<CGroup>(0, 0, 100, 2);
    EXPECT_EQ(pair->GroupSize(), 24);
    pair->SetEndPositionField(700);
    pair->SetEndY(-4);
    const std::vector<POINT> p = Points(pair);
    RECT r;
    pair->GetBounds(&r);
    EXPECT_EQ(r.left, p[0].x);
    EXPECT_GT(r.right, p[1].x) << "the close glyph's width";
    const int middleY = (r.top + r.bottom) / 2;
    EXPECT_FALSE(pair->HitTestShape((r.left + r.right) / 2, middleY)) << "the middle third misses";
    EXPECT_TRUE(pair->HitTestShape(r.left + 1, middleY));
    EXPECT_EQ(g_model.hitPart, 0);
    EXPECT_TRUE(pair->HitTestShape(r.right - 1, r.top + 1));
    EXPECT_EQ(g_model.hitPart, 4) << "the end glyph's top third";

    // The size handle holds the size within 6..99.
    g_model.hitPart = 1;
    for (int i = 0; i < 100; ++i) {
        CDragTask d;
        Step(d, 0, -3);
        pair->MoveDrag(&d);
    }
    EXPECT_EQ(pair->GroupSize(), 99);
    g_model.hitPart = 2;
    for (int i = 0; i < 100; ++i) {
        CDragTask d;
        Step(d, 0, -3);
        pair->MoveDrag(&d);
    }
    EXPECT_EQ(pair->GroupSize(), 6);

    // A vertical bracket's end stays at its start after any drag.
    CGroup* bracket = Place<CGroup>(1, 2, 300);
    EXPECT_EQ(bracket->EndPositionField(), 300);
    for (int part : {0, 1, TieTypeBehaviour::kWholeItem}) {
        g_model.hitPart = std::int16_t(part);
        CDragTask d;
        Step(d, 0, 5, 30 + part % 7);
        bracket->MoveDrag(&d);
        EXPECT_EQ(bracket->EndPositionField(), bracket->PositionField()) << "part " << part;
    }

    // The kinds above 3 take their right edge from glyph 251.
    CGroup* other = Place<CGroup>(2, 7, 300);
    other->GetBounds(&r);
    EXPECT_GT(r.right, r.left);
}

TEST_F(LinePageTest, AHorizontalBracketFlipsToItsNotesOtherSide) {
    PutNote(3, 0, 100, -2, CRawNote::kLineStart);
    PutNote(3, 480, 600, 1, CRawNote::kLineEnd);
    CGroup* g = Place<CGroup>(3, 3, 100);
    g->SetEndPositionField(600);
    g = Find<CGroup>(3, CGroup::kType, 100);
    g->SetStartDy(20);
    g->SetEndDy(-10);
    g->Flip(0);
    g = Find<CGroup>(3, CGroup::kType, 100);
    EXPECT_TRUE(g->AboveBit());
    CBarItem* start = Find<CBarItem>(3, CNote::kType, 100);
    CBarItem* end = Find<CBarItem>(3, CNote::kType, 600);
    EXPECT_EQ(g->StartY(), NoteAttachY(*start, true));
    EXPECT_EQ(g->EndY(), NoteAttachY(*end, true));
    EXPECT_EQ(g->StartDy(), -20);
    EXPECT_EQ(g->EndDy(), 10);
}

TEST_F(LinePageTest, ABarreIsMadeDrawnAndSteppedByItsKind) {
    CBarre* b = Place<CBarre>(0, 0, 100, 9);
    EXPECT_EQ(b->Fret(), 1);
    EXPECT_EQ(b->Prefix(), 1);
    EXPECT_EQ(b->LineStyle(), 1);
    EXPECT_TRUE(b->HasHook());
    EXPECT_TRUE(b->ShowsLabel());
    EXPECT_EQ(b->Fraction(), 3);
    EXPECT_EQ(b->EndPositionField(), 356);
    EXPECT_EQ(b->EndLabelDy(), -45);
    // Drawn with an end less than 80 on, the end moves to start + 80.
    b->SetEndPositionField(120);
    b->Draw();
    EXPECT_EQ(b->EndPositionField(), 180);

    g_platform.altDown = 1;
    g_model.hitPart = 0;
    for (int i = 0; i < 40; ++i) {
        CDragTask d;
        Step(d, 4, 0);
        b->MoveDrag(&d);
    }
    EXPECT_EQ(b->Fret(), 31);
    for (int i = 0; i < 40; ++i) {
        CDragTask d;
        Step(d, -4, 0);
        b->MoveDrag(&d);
    }
    EXPECT_EQ(b->Fret(), 1);
    b->SetFraction(5);
    CDragTask up;
    Step(up, 0, -2);
    b->MoveDrag(&up);
    EXPECT_EQ(b->Fraction(), 0) << "6 wraps to 0";
    CDragTask down;
    Step(down, 0, 2);
    b->MoveDrag(&down);
    EXPECT_EQ(b->Fraction(), 5) << "-1 wraps to 5";
    g_model.hitPart = 1;
    b->MoveDrag(&down);
    EXPECT_FALSE(b->HasHook()) << "the end handle toggles the hook";

    CBarre* until = Place<CBarre>(1, 1, 100);
    EXPECT_FALSE(until->ShowsLabel()) << "\"Continue Until\" has no label";
    g_model.hitPart = 0;
    for (int want : {2, 0, 1}) {
        CDragTask d;
        Step(d, 0, 2);
        until->MoveDrag(&d);
        EXPECT_EQ(until->LineStyle(), want);
    }
    g_platform.altDown = 0;
}

TEST_F(LinePageTest, PedalsAreMadeFlippedAndDescribed) {
    CPedal* notched = Place<CPedal>(0, 1, 100);
    ASSERT_EQ(notched->PointCount(), 1);
    EXPECT_EQ(notched->GetPointValue(0), 128);
    EXPECT_EQ(notched->PointDy(0), 0);
    EXPECT_EQ(notched->StartDy(), 0);
    EXPECT_EQ(notched->EndDy(), 0);
    const std::vector<POINT> p = Points(notched);
    EXPECT_EQ(p.back().y, p.front().y) << "a flat line";
    EXPECT_TRUE(notched->AboveBit());
    notched->Flip(0);
    EXPECT_FALSE(notched->AboveBit());

    CPedal* bracket = Place<CPedal>(0, 0, 500);
    EXPECT_EQ(bracket->PointCount(), 0);
    EXPECT_EQ(bracket->EndDy(), -360);

    // Over three bars: the end's time in its bar and the two bars' lengths before it.
    bracket->SetEndBarOffset(2);
    bracket->SetEndPositionField(0);
    SpanPlayback out;
    EXPECT_EQ(DescribeSpanPlayback(*bracket, out), 2);
    const int length0 = score->GetBar(0)->GetLength(), length1 = score->GetBar(1)->GetLength();
    EXPECT_EQ(out.endBar, 2);
    EXPECT_EQ(out.endTime, out.endTimeInBar + length0 + length1);
    score->GetBar(1)->SetBarFlag(CBar::kCoveredBit, true);
    DescribeSpanPlayback(*bracket, out);
    EXPECT_EQ(out.endTime, out.endTimeInBar + length0) << "the sum stops at a bar with flag bit 2";
    score->GetBar(1)->SetBarFlag(CBar::kCoveredBit, false);
}

TEST_F(LinePageTest, AltOnAPedalsChangePointInsertsAPointAndTheReleaseSortsThem) {
    CPedal* pedal = Place<CPedal>(0, 1, 100);
    ASSERT_EQ(pedal->PointCount(), 1);
    const int size = pedal->RecordSizeField();
    std::unique_ptr<CDragTask> made(static_cast<CScoreItem*>(static_cast<CBarItem*>(pedal))->CreateDragTask());
    auto* drag = dynamic_cast<CDragPedal*>(made.get());
    ASSERT_NE(drag, nullptr) << "a pedal line drags its points";
    g_platform.altDown = 1;
    g_model.hitPart = 1;
    drag->Begin(nullptr, pedal, 4900);
    auto* grown = static_cast<CPedal*>(static_cast<CBarItem*>(drag->item));
    EXPECT_EQ(grown->RecordSizeField(), size + 10);
    ASSERT_EQ(grown->PointCount(), 2);
    EXPECT_EQ(std::memcmp(grown->Bytes() + CBend::PointAt(0), grown->Bytes() + CBend::PointAt(1), CBend::kPointSize), 0)
        << "the hit point is there twice";
    EXPECT_EQ(g_platform.altDown, 0) << "Alt counts as released";
    // Points released out of order are put in order of their positions.
    grown->SetPointValue(0, 300);
    grown->SetPointValue(1, 100);
    grown->SetPointDy(0, 7);
    drag->MouseUp(POINT{0, 0}, POINT{0, 0}, POINT{0, 0});
    EXPECT_EQ(grown->GetPointValue(0), 100);
    EXPECT_EQ(grown->GetPointValue(1), 300);
    EXPECT_EQ(grown->PointDy(1), 7) << "a point moves whole";
    // Without Alt, or on a bracket, nothing is inserted.
    CPedal* bracket = Place<CPedal>(1, 0, 100);
    const int bracketSize = bracket->RecordSizeField();
    g_platform.altDown = 1;
    CDragPedal other;
    other.Begin(nullptr, bracket, 4900);
    EXPECT_EQ(static_cast<CBarItem*>(other.item)->RecordSizeField(), bracketSize);
}

TEST_F(LinePageTest, AGlissandoShowsItsTextAndItsRemovalSoundsItsNotes) {
    PutNote(0, 0, 100, -2);
    PutNote(0, 480, 400, 3);
    PutNote(0, 960, 700, 0);
    CGlissando* g = Place<CGlissando>(0, 0, 100, -2);
    g->SetEnd(0, 700);
    g->SetEndY(0);
    EXPECT_EQ(Points(g).size(), 4u) << "the text point";
    g->SetShowsText(false);
    EXPECT_EQ(Points(g).size(), 3u);
    const TieTypeBehaviour& b = TieTypeBehaviour::Of(*g);
    auto* start = Find<CBarItem>(0, CNote::kType, 100);
    auto* middle = Find<CBarItem>(0, CNote::kType, 400);
    auto* end = Find<CBarItem>(0, CNote::kType, 700);
    b.SetStartNoteMark(*g, start, true, 0);
    b.SetEndNoteMark(*g, end, true, 0);
    middle->SetFlag8Bit1(true);
    EXPECT_TRUE(start->GetFlag8Bit1());
    EXPECT_TRUE(b.HasStartNoteMark(*g, start, 0));
    EXPECT_TRUE(b.HasEndNoteMark(*g, end, 0));
    g->MarkRemoved();
    EXPECT_TRUE(g->IsRemoved());
    EXPECT_FALSE(b.HasStartNoteMark(*g, start, 0));
    EXPECT_FALSE(b.HasEndNoteMark(*g, end, 0));
    for (CBarItem* n : {start, middle, end}) EXPECT_FALSE(n->GetFlag8Bit1());
}
