// The staff record: sizes at a scale and zoom, the conversions between staff positions, label
// units and page y, placement, hit areas and handles, and the repair of older records.
#include <gtest/gtest.h>

#include <vector>

#include "RecordTestSupport.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/Port.h"

using recordtest::Bytes;

namespace {

// A staff record on its own with default values, in a document at the given zoom.
struct LoneStaff {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    alignas(8) std::uint8_t bytes[CStaff::kSize] = {};
    CStaff* staff;
    explicit LoneStaff(int zoom = 100, int scale = 100) {
        doc.zoom = zoom;
        g_model.currentDoc = &doc;
        staff = CStaff::Construct(bytes);
        staff->SetDefaults();
        staff->SetScale(scale);
    }
    // Middle line at y, from x 100, 200 wide.
    LoneStaff& At(int y) {
        staff->SetPosition(100, y, 200);
        return *this;
    }
};

struct SpacingCase {
    int scale, zoom;
    double exact;
    int space, font;
    bool roundedUp;
    int pen;
};

TEST(StaffRecordTest, SpacingFollowsScaleAndZoom) {
    const std::vector<SpacingCase> cases = {
        {100, 100, 6.0, 6, 24, false, 1},  {100, 75, 4.5, 4, 17, true, 1},   {50, 100, 3.0, 3, 12, false, 1},
        {75, 100, 4.5, 4, 17, true, 1},    {100, 50, 3.0, 3, 12, false, 1},  {250, 100, 15.0, 15, 60, false, 1}, {200, 150, 18.0, 18, 72, false, 2},
        {100, 560, 33.6, 33, 132, false, 2}, {100, 600, 36.0, 36, 144, false, 3}, {10, 10, 0.06, 1, 4, false, 1},
        {20, 100, 1.2, 1, 5, true, 1},
    };
    for (const SpacingCase& c : cases) {
        LoneStaff l(c.zoom, c.scale);
        SCOPED_TRACE(testing::Message() << c.scale << "% at zoom " << c.zoom);
        EXPECT_DOUBLE_EQ(l.staff->GetExactSpace(), c.exact);
        EXPECT_EQ(l.staff->GetLineSpacing(), c.space);
        EXPECT_EQ(l.staff->GetFontSize(), c.font);
        EXPECT_EQ((l.staff->GetDisplay() & CStaff::kRoundedUpBit) != 0, c.roundedUp);
        EXPECT_EQ(l.staff->GetPenWidth(), c.pen);
        EXPECT_EQ(l.staff->GetScalePercent(), c.scale);
    }
}

TEST(StaffRecordTest, PositionToYAndTheHalfPixelHint) {
    struct Case {
        int space, pos, y, hint;
    };
    const std::vector<Case> cases = {
        {6, 0, 100, 0},   {6, -8, 124, 0}, {6, 8, 76, 0},   {6, 1, 97, 0},  {6, -1, 103, 0},
        {5, 1, 98, -1},   {5, -1, 102, 1}, {5, 3, 93, -1},  {5, -3, 107, 1}, {5, 2, 95, 0},
        {5, 0, 100, 0},   {3, 5, 93, -1},  {3, -5, 107, 1},
    };
    for (const Case& c : cases) {
        LoneStaff l;
        l.At(100);
        l.staff->SetLineSpacing(std::uint8_t(c.space));
        InitDrawing();
        CArtist* artist = GetArtist();
        ASSERT_NE(artist, nullptr);
        artist->halfPixelHint = 7;
        EXPECT_EQ(l.staff->PositionToY(c.pos), c.y) << "space " << c.space << " pos " << c.pos;
        EXPECT_EQ(artist->halfPixelHint, c.hint) << "space " << c.space << " pos " << c.pos;
        EXPECT_EQ(l.staff->PositionToYOffset(c.pos, 120), c.y + 6) << "one space at exact 6";
    }
}

TEST(StaffRecordTest, YToPositionSnapsToLinesWithinAFifthOfASpace) {
    struct Case {
        int y, pos;
    };
    // Space 6 (a fifth is 1) with the middle line at 100.
    const std::vector<Case> cases = {
        {100, 0}, {101, 0}, {99, 0},  {102, -1}, {98, 1},  {104, -1}, {105, -2}, {106, -2}, {107, -2},
        {108, -3}, {124, -8}, {97, 1}, {95, 2},   {94, 2},  {93, 2},   {92, 3},   {76, 8},
    };
    LoneStaff l;
    l.At(100);
    for (const Case& c : cases) EXPECT_EQ(l.staff->YToPosition(c.y), c.pos) << "y " << c.y;
}

TEST(StaffRecordTest, PositionsSurviveTheRoundTripAtEverySpace) {
    for (int space : {1, 2, 3, 4, 5, 6, 7, 9, 12, 25}) {
        LoneStaff l;
        l.At(300);
        l.staff->SetLineSpacing(std::uint8_t(space));
        for (int pos = -24; pos <= 24; ++pos) {
            if (space < 2 && pos % 2) continue;  // half spaces cannot be told apart below 2 pixels
            EXPECT_EQ(l.staff->YToPosition(l.staff->PositionToY(pos)), pos) << "space " << space << " pos " << pos;
        }
    }
}

TEST(StaffRecordTest, ZeroSpaceFromAFileNeitherDividesByZeroNorHangs) {
    LoneStaff l;
    l.At(100);
    l.staff->SetLineSpacing(0);
    EXPECT_EQ(l.staff->YToPosition(100), 0);
    EXPECT_EQ(l.staff->YToPosition(103), -6);
    EXPECT_EQ(l.staff->PixelsToHalfSpaces(3), 6);
    EXPECT_EQ(l.staff->PixelsToQuarterSpaces(3), 12);
    int steps = 99;
    l.staff->YToPositionStep(103, &steps);
    EXPECT_EQ(steps, 0);
}

TEST(StaffRecordTest, YToPositionStepCountsLabelUnitsFromThePositionsY) {
    struct Case {
        int y, pos, steps;
    };
    const std::vector<Case> cases = {{100, 0, 0}, {101, 0, 20}, {104, -1, 20}, {98, 1, 20}, {96, 1, -20}, {99, 0, -20}};
    LoneStaff l;
    l.At(100);
    for (const Case& c : cases) {
        int steps = 12345;
        EXPECT_EQ(l.staff->YToPositionStep(c.y, &steps), c.pos) << "y " << c.y;
        EXPECT_EQ(steps, c.steps) << "y " << c.y;
    }
}

TEST(StaffRecordTest, LabelUnitsScaleByTheExactSpace) {
    struct Case {
        int zoom, units, pixels;
    };
    const std::vector<Case> cases = {
        {100, 480, 24}, {100, 120, 6}, {100, 19, 0},  {100, 20, 1},   {100, -19, 0}, {100, -130, -6},
        {75, 480, 18},  {75, 27, 1},   {75, 26, 0},   {300, 480, 72}, {300, 7, 1},
    };
    for (const Case& c : cases) {
        LoneStaff l(c.zoom);
        EXPECT_EQ(l.staff->ScaleOffset(c.units), c.pixels) << c.units << " at zoom " << c.zoom;
    }
    LoneStaff l;
    EXPECT_EQ(l.staff->UnscaleOffset(24), 480);
    LoneStaff z(75);
    EXPECT_EQ(z.staff->UnscaleOffset(18), 480);
    EXPECT_EQ(z.staff->UnscaleOffset(7), 187);  // 186 scales to 6 pixels, 187 to 7
}

TEST(StaffRecordTest, UnscaleOffsetIsTheInverseOfScaleOffset) {
    for (int zoom : {25, 75, 100, 150, 400}) {
        LoneStaff l(zoom);
        for (int px = -60; px <= 60; ++px) {
            const int k = l.staff->UnscaleOffset(px);
            EXPECT_EQ(l.staff->ScaleOffset(k), px) << "zoom " << zoom << " px " << px;
        }
    }
}

TEST(StaffRecordTest, OffsetsToYAndBack) {
    LoneStaff l;
    l.At(100);
    EXPECT_EQ(l.staff->OffsetToY(480), 124);
    EXPECT_EQ(l.staff->OffsetToY(-480), 76);
    EXPECT_EQ(l.staff->YToOffset(124), 480);
    EXPECT_EQ(l.staff->YToOffset(76), -480);
    for (int y = 60; y <= 140; ++y) EXPECT_EQ(l.staff->OffsetToY(l.staff->YToOffset(y)), y) << y;

    struct Step {
        int value, direction, next;
    };
    const std::vector<Step> steps = {{5, 0, 5}, {0, 1, 20}, {0, -1, -20}, {20, 1, 40}, {19, 1, 20}, {40, -1, 39}, {21, -1, 19}};
    for (const Step& s : steps)
        EXPECT_EQ(l.staff->StepToNextY(s.value, s.direction), s.next) << s.value << " by " << s.direction;
}

TEST(StaffRecordTest, SpaceFractionsAndLengths) {
    struct Case {
        int space, halfOf9, quartersOf5, pixelsOf3Halves, pixelsOf14Quarters;
    };
    for (const Case& c : std::vector<Case>{{6, 3, 3, 9, 21}, {5, 4, 4, 8, 18}, {4, 5, 5, 6, 14}}) {
        LoneStaff l;
        l.staff->SetLineSpacing(std::uint8_t(c.space));
        EXPECT_EQ(l.staff->PixelsToHalfSpaces(9), c.halfOf9) << c.space;
        EXPECT_EQ(l.staff->PixelsToQuarterSpaces(5), c.quartersOf5) << c.space;
        EXPECT_EQ(l.staff->HalfSpacesToPixels(3), c.pixelsOf3Halves) << c.space;
        EXPECT_EQ(l.staff->ScaleQuarterSpaces(14), c.pixelsOf14Quarters) << c.space;
    }

    struct Length {
        int scale, zoom, v, expected;
    };
    const std::vector<Length> lengths = {
        {100, 100, 7, 7}, {100, 150, 7, 11}, {100, 50, 5, 3}, {50, 100, 7, 4},
        {200, 75, 10, 15}, {80, 100, -5, -4}, {150, 200, 4, 12},
    };
    for (const Length& c : lengths) {
        LoneStaff l(c.zoom, c.scale);
        EXPECT_EQ(l.staff->ScaleLength(c.v), c.expected) << c.scale << "% zoom " << c.zoom << " v " << c.v;
    }

    struct Pen {
        int w, space, expected;
    };
    for (const Pen& p : std::vector<Pen>{{20, 6, 20}, {20, 3, 16}, {20, 2, 13}, {20, 1, 13}, {20, 12, 30}, {6, 4, 5}}) {
        LoneStaff l;
        l.staff->SetLineSpacing(std::uint8_t(p.space));
        EXPECT_EQ(l.staff->SetScaledPenWidth(p.w), p.expected) << p.w << " at space " << p.space;
    }
}

TEST(StaffRecordTest, PlacementByLineMask) {
    struct Case {
        std::uint16_t mask;
        int top, bottom;
    };
    const std::vector<Case> cases = {
        {1984, 188, 212},  // five lines
        {256, 188, 212},   // one line: four spaces high
        {2016, 188, 218},  // six lines, bits 5-10
        {960, 194, 212},   // four lines, bits 6-9
        {384, 200, 206},   // two lines, bits 7-8
        {0, 194, 218},     // no line: as if bit 7 were the only one
        {0x8100, 188, 212},  // bit 15 plays no part
    };
    for (const Case& c : cases) {
        LoneStaff l;
        l.staff->SetLineMask(c.mask);
        l.At(200);
        EXPECT_EQ(l.staff->GetTopLine(), c.top) << c.mask;
        EXPECT_EQ(l.staff->GetBottomLine(), c.bottom) << c.mask;
        EXPECT_EQ(l.staff->GetLeft(), 100);
        EXPECT_EQ(l.staff->GetRight(), 300);
        EXPECT_EQ(l.staff->GetReferenceY(), 200);
    }
}

TEST(StaffRecordTest, HitAreasAreTheTwoEdges) {
    struct Case {
        int x, y;
        bool hit;
    };
    // Left 100, right 300, lines 188-212, space 6: a third of a space is 2.
    const std::vector<Case> cases = {
        {100, 200, true},  {98, 200, true},   {101, 200, true},  {97, 200, false}, {102, 200, false},
        {300, 187, true},  {300, 186, false}, {300, 212, true},  {300, 213, false}, {299, 200, true},
        {200, 200, false},
    };
    LoneStaff l;
    l.At(200);
    for (const Case& c : cases) {
        EXPECT_EQ(l.staff->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(static_cast<CScoreItem*>(l.staff)->HitTest(c.x, c.y), c.hit) << "through the class";
    }
    l.staff->SetShown(false);
    EXPECT_FALSE(l.staff->HitTest(100, 200));
}

TEST(StaffRecordTest, HandleRectangles) {
    struct Case {
        int zoom, which, top, left;
    };
    // Middle line 200, left edge 100; placement B at position 4.
    const std::vector<Case> cases = {
        {100, 0, 172, 84},  {100, 1, 184, 84},  {100, 2, 220, 84},  {100, 3, 184, 84},
        {100, 4, 160, 84},  {100, 5, 226, 84},  {100, 12, 310, 84}, {200, 0, 144, 68},
        {200, 2, 240, 68},  {50, 0, 184, 84},   // never smaller than 4
    };
    for (const Case& c : cases) {
        LoneStaff l(c.zoom);
        l.staff->SetPlaceB(4);
        l.At(200);
        RECT r{};
        l.staff->GetHandleRect(&r, c.which);
        const int h = c.zoom == 200 ? 8 : 4;
        EXPECT_EQ(r.top, c.top) << "handle " << c.which << " zoom " << c.zoom;
        EXPECT_EQ(r.bottom, c.top + 2 * h);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.right, c.left + 2 * h);
        EXPECT_TRUE(l.staff->HitHandle(r.left, r.top, c.which));
        EXPECT_FALSE(l.staff->HitHandle(r.right, r.top, c.which));
        EXPECT_FALSE(l.staff->HitHandle(r.left, r.bottom, c.which));
    }
}

TEST(StaffRecordTest, TextYAboveAndBelow) {
    struct Case {
        int zoom;
        bool below;
        int y;
    };
    const std::int16_t text[4] = {40, 8, 10, 20};  // size, width, offset above, offset below
    for (const Case& c : std::vector<Case>{{100, false, 215}, {100, true, 188}, {200, false, 227}, {200, true, 178}}) {
        LoneStaff l(c.zoom);
        l.At(200);
        l.staff->SetTextGap(3);
        EXPECT_EQ(l.staff->GetTextY(text, c.below), c.y) << c.zoom << (c.below ? " below" : " above");
    }
}

TEST(StaffRecordTest, ClassOperationsUseTheStaffsScaling) {
    LoneStaff l(100, 50);
    CScoreItem* item = l.staff;
    EXPECT_EQ(item->ScaleToView(7), 4);
    EXPECT_EQ(item->TwentiethsToView(480), 12);
    EXPECT_EQ(item->ViewToTwentieths(12), 480);
    item->SetScale(75);
    EXPECT_EQ(l.staff->GetScalePercent(), 75);
    EXPECT_EQ(l.staff->GetLineSpacing(), 4);
    EXPECT_EQ(l.staff->GetFontSize(), 17);
    item->SetScale(100);
    EXPECT_EQ(l.staff->CBaseItem::Scale(), 100);  // 100 is stored itself
    EXPECT_EQ(l.staff->GetLineSpacing(), 6);
}

TEST(StaffRecordTest, UnmeasuredStaffScalesByItsSpaceHeight) {
    recordtest::CleanGlobals clean;
    alignas(8) std::uint8_t bytes[CStaff::kSize] = {};
    CStaff* staff = CStaff::Construct(bytes);
    staff->SetDefaults();
    ASSERT_EQ(staff->GetExactSpace(), 0.0);
    EXPECT_EQ(staff->ScaleOffset(480), 24);
    EXPECT_EQ(staff->UnscaleOffset(24), 480);
}

TEST(StaffRecordTest, RepairFillsOnlyZeroFields) {
    struct Case {
        std::int16_t font;
        std::uint8_t space;
        std::int16_t head, c, d, e;
        std::int16_t font2, space2, c2, d2, e2;
    };
    const std::vector<Case> cases = {
        {0, 0, 0x0207, 0, 0, 0, 24, 7, 480, -240, -600},
        {30, 5, 0x0207, 1, 2, 3, 30, 5, 1, 2, 3},
        {0, 9, 6, 100, 0, -720, 24, 9, 100, -240, -720},
        {0, 0, 0x0100, 0, 0, 0, 24, 1, 480, -240, -600},  // a head width with a low byte of 0
    };
    for (const Case& c : cases) {
        LoneStaff l;
        l.staff->SetFontSize(c.font);
        l.staff->SetLineSpacing(c.space);
        rec::Put<std::int16_t>(l.staff, CStaff::kHeadWidth, c.head);
        l.staff->SetPlaceC(c.c);
        l.staff->SetPlaceD(c.d);
        l.staff->SetPlaceE(c.e);
        l.staff->RepairDefaults();
        EXPECT_EQ(l.staff->GetFontSize(), c.font2);
        EXPECT_EQ(l.staff->GetLineSpacing(), c.space2);
        EXPECT_EQ(l.staff->GetPlaceC(), c.c2);
        EXPECT_EQ(l.staff->GetPlaceD(), c.d2);
        EXPECT_EQ(l.staff->GetPlaceE(), c.e2);
    }
}

TEST(StaffRecordTest, OlderChunkKeepsPlacementLinesUntilTheRepair) {
    // A chunk written now, without the three placement lines and the word that files before
    // version 0x400 lack.
    LoneStaff w;
    w.staff->SetPlaceC(300);
    w.staff->SetPlaceD(-100);
    w.staff->SetPlaceE(-900);
    w.staff->SetFontSize(0);
    Bytes chunk = recordtest::Written([&](CChunkStream& s) { static_cast<CScoreItem*>(w.staff)->Write(s); });
    ASSERT_EQ(chunk.size(), 8u + 92u);
    chunk.erase(chunk.begin() + 8 + 44, chunk.begin() + 8 + 52);
    const std::uint32_t n = std::uint32_t(chunk.size() - 8);
    chunk[6] = std::uint8_t(n >> 8);
    chunk[7] = std::uint8_t(n);

    struct Case {
        std::int16_t before;  // C, D and E of the staff read into
        std::int16_t c, d, e; // after the repair
    };
    for (const Case& k : std::vector<Case>{{0, 480, -240, -600}, {111, 111, 111, 111}}) {
        LoneStaff r(75);
        SetLoadedFileVersion(0x3FF, 0);
        r.staff->SetPlaceC(k.before);
        r.staff->SetPlaceD(k.before);
        r.staff->SetPlaceE(k.before);
        recordtest::Reader in(chunk);
        static_cast<CScoreItem*>(r.staff)->Read(in.stream);
        EXPECT_EQ(r.staff->GetPlaceC(), k.before);
        EXPECT_EQ(r.staff->GetPlaceD(), k.before);
        EXPECT_EQ(r.staff->GetPlaceE(), k.before);
        EXPECT_EQ(r.staff->GetFontSize(), 0);      // the stored value, until the repair
        EXPECT_EQ(r.staff->GetLineSpacing(), 6);   // stored, not recomputed at zoom 75
        EXPECT_DOUBLE_EQ(r.staff->GetExactSpace(), 4.5);
        EXPECT_EQ(r.staff->GetBracketKind(0), 0);
        r.staff->RepairDefaults();
        EXPECT_EQ(r.staff->GetPlaceC(), k.c);
        EXPECT_EQ(r.staff->GetPlaceD(), k.d);
        EXPECT_EQ(r.staff->GetPlaceE(), k.e);
        EXPECT_EQ(r.staff->GetFontSize(), 24);
    }
}

TEST(StaffRecordTest, DefaultsOfANewStaff) {
    LoneStaff l;
    EXPECT_EQ(l.staff->GetPlaceA(), -480);
    EXPECT_EQ(l.staff->GetPlaceC(), 480);
    EXPECT_EQ(l.staff->GetPlaceD(), -240);
    EXPECT_EQ(l.staff->GetPlaceE(), -720);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(l.staff->GetLyricOffset(k), 600 + 240 * k);
    EXPECT_EQ(l.staff->GetLyricOffset(8), 0);
    EXPECT_EQ(l.staff->GetLineMask(), 1984);
    EXPECT_EQ(l.staff->GetStaffFlags() & 0x0A, 0x0A);
    EXPECT_EQ(l.staff->GetDisplay() & 0xFC, 0xF0);
    EXPECT_EQ(l.staff->GetDistanceValue(), l.staff->GetSpacing());
}

}  // namespace
