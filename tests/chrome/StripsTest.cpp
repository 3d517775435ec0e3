// The image strips the program makes: every strip of the table, its cells, its mask, and the
// drawing of one cell.
#include <gtest/gtest.h>

#include <set>

#include "framework/DC.h"
#include "framework/Gdi.h"
#include "framework/MusicFont.h"
#include "framework/Strips.h"
#include "platform/Artist.h"
#include "platform/Port.h"

namespace {

constexpr COLORREF kMask = RGB(192, 192, 192);

// Pixels of one cell of a strip that are not the mask.
int Ink(const CBitmap& strip, int cellWidth, int index) {
    int n = 0;
    const SIZE s = strip.GetSize();
    for (int y = 0; y < s.cy; ++y)
        for (int x = index * cellWidth; x < (index + 1) * cellWidth; ++x)
            if (strip.GetPixel(x, y) != kMask) ++n;
    return n;
}

class StripsTest : public ::testing::Test {
protected:
    void SetUp() override { InitDrawing(); }
};

}  // namespace

TEST_F(StripsTest, EveryStripOfTheTableLoadsAsItsCellsSideBySide) {
    const std::set<std::pair<int, int>> cellSizes{{16, 16}, {32, 16}, {16, 15}, {24, 24}};
    int previous = 0;
    for (const fw::StripDef& def : fw::StripTable()) {
        SCOPED_TRACE(def.id);
        EXPECT_GT(def.id, previous) << "the table runs by rising id";
        previous = def.id;
        EXPECT_TRUE(cellSizes.count({def.cellWidth, def.cellHeight}));
        CBitmap strip;
        ASSERT_TRUE(strip.LoadBitmap(UINT(def.id)));
        EXPECT_EQ(strip.GetSize().cx, def.cellWidth * int(def.images.size()));
        EXPECT_EQ(strip.GetSize().cy, def.cellHeight);
        const bool font = fw::MusicFontAvailable();
        for (std::size_t i = 0; i < def.images.size(); ++i) {
            const fw::StripImage& image = def.images[i];
            const int ink = Ink(strip, def.cellWidth, int(i));
            if (image.kind == fw::StripImage::kBlank)
                EXPECT_EQ(ink, 0) << "image " << i << " is blank";
            else if (image.kind == fw::StripImage::kSvg || font)
                EXPECT_GT(ink, 4) << "image " << i << " shows something";
        }
    }
}

TEST_F(StripsTest, TheStripsTheControlsNameAreThere) {
    // id, images, cell width, cell height
    const struct {
        int id, images, width, height;
    } cases[] = {
        {107, 18, 16, 15}, {108, 11, 16, 16}, {112, 7, 16, 16}, {116, 7, 16, 16},   {118, 14, 16, 16},
        {121, 7, 32, 16},  {389, 1, 24, 24},  {390, 1, 24, 24}, {391, 1, 24, 24}, {1000, 33, 16, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const fw::StripDef* def = fw::FindStrip(c.id);
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(int(def->images.size()), c.images);
        EXPECT_EQ(def->cellWidth, c.width);
        EXPECT_EQ(def->cellHeight, c.height);
    }
    EXPECT_EQ(fw::FindStrip(392), nullptr);
    EXPECT_EQ(fw::FindStrip(0), nullptr);
}

TEST_F(StripsTest, MaskGreyStaysForWhatIsNotDrawnAndDrawnPixelsAvoidIt) {
    // The faces cover their whole cell: none of their pixels may vanish as mask.
    for (int id : {389, 390, 391}) {
        CBitmap face;
        ASSERT_TRUE(face.LoadBitmap(UINT(id)));
        EXPECT_EQ(Ink(face, 24, 0), 24 * 24) << id;
    }
    // The drop-down arrow keeps pure green where the field shows through, and black ink.
    CBitmap arrows;
    ASSERT_TRUE(arrows.LoadBitmap(107));
    int green = 0, black = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 14 * 16; x < 15 * 16; ++x) {
            green += arrows.GetPixel(x, y) == RGB(0, 255, 0);
            black += arrows.GetPixel(x, y) == RGB(0, 0, 0);
        }
    EXPECT_GT(green, 100);
    EXPECT_GT(black, 5);
}

TEST_F(StripsTest, AStripIsBuiltOnceAndAPictureFileStillLoads) {
    CBitmap a, b;
    ASSERT_TRUE(a.LoadBitmap(118));
    ASSERT_TRUE(b.LoadBitmap(118));
    EXPECT_EQ(a.CountDifferences(b, 0), 0);
    EXPECT_EQ(fw::BuildAllStrips(1), int(fw::StripTable().size()));
    // The theme background is a picture, not a strip.
    CBitmap theme;
    EXPECT_TRUE(theme.LoadBitmap(392));
    CBitmap none;
    EXPECT_FALSE(none.LoadBitmap(9999));
    // A bitmap that already holds a picture is not loaded over.
    EXPECT_FALSE(a.LoadBitmap(107));
}

TEST_F(StripsTest, DrawStripImageTakesTheCellWidthFromTheTable) {
    CBitmap page;
    ASSERT_TRUE(page.CreateBitmap(100, 20));
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&page);
    PushPort(&dc);
    GetArtist()->DrawStripImage(10, 2, 121, 6, 13);  // the dashed line: 32 pixels wide
    GetArtist()->DrawStripImage(70, 2, 121, 7, 13);  // no eighth image: nothing
    PopPort();
    int left = 100, right = -1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 100; ++x)
            if (page.GetPixel(x, y) != RGB(255, 255, 255)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_GE(left, 10);
    EXPECT_GT(right, 10 + 16) << "the image is wider than a 16-pixel cell";
    EXPECT_LT(right, 10 + 32);
}
