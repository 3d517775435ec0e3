#include <gtest/gtest.h>

#include <string>

#include <cstring>

#include "framework/CodePage.h"
#include "framework/DC.h"
#include "framework/Fonts.h"
#include "framework/MusicFont.h"

namespace {

struct MemoryDC {
    MemoryDC(int w, int h) {
        fw::EnsureGraphics();
        dc.CreateCompatibleDC(nullptr);
        bmp.CreateBitmap(w, h);
        dc.SelectObject(&bmp);
    }
    CDC dc;
    CBitmap bmp;
};

// A small memory port with the music face selected at 24 pixels.
struct MusicDC : MemoryDC {
    MusicDC() : MemoryDC(10, 10) {
        lf.lfHeight = -24;
        std::strcpy(lf.lfFaceName, fw::kMusicFaceName);
        music.CreateFontIndirect(lf);
        dc.SelectObject(&music);
    }
    LOGFONT lf;
    CFont music;
};

long DiffersFrom(CDC& from, int w, int h, const CBitmap& other) {
    CBitmap b;
    b.CreateBitmap(w, h);
    CDC m;
    m.CreateCompatibleDC(nullptr);
    m.SelectObject(&b);
    m.BitBlt(0, 0, w, h, &from, 0, 0, SRCCOPY);
    return b.CountDifferences(other, 0);
}

}  // namespace

TEST(DeviceContext, LinesAndRectanglesCoverThePixelsTheyShould) {
    MemoryDC m(40, 40);
    m.dc.MoveTo(2, 5);
    m.dc.LineTo(10, 5);
    EXPECT_EQ(m.dc.GetPixel(2, 5), RGB(0, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(9, 5), RGB(0, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(10, 5), RGB(255, 255, 255));  // the end point is left out
    m.dc.SelectStockObject(NULL_BRUSH);
    m.dc.Rectangle(20, 20, 30, 30);
    EXPECT_EQ(m.dc.GetPixel(20, 20), RGB(0, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(29, 29), RGB(0, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(30, 25), RGB(255, 255, 255));
    EXPECT_EQ(m.dc.GetPixel(25, 25), RGB(255, 255, 255));
    RECT r{0, 30, 10, 40};
    CBrush red(RGB(255, 0, 0));
    m.dc.FillRect(&r, &red);
    EXPECT_EQ(m.dc.GetPixel(9, 39), RGB(255, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(10, 39), RGB(255, 255, 255));
    // The window origin moves logical coordinates.
    m.dc.SetWindowOrg(100, 100);
    m.dc.SetPixel(101, 101, RGB(0, 0, 255));
    m.dc.SetWindowOrg(0, 0);
    EXPECT_EQ(m.dc.GetPixel(1, 1), RGB(0, 0, 255));
}

TEST(DeviceContext, InvertingModesAndBlitsRestoreWhenRepeated) {
    MemoryDC m(60, 40);
    RECT all{0, 0, 60, 40};
    m.dc.FillSolidRect(&all, RGB(30, 140, 200));
    m.dc.TextOut(2, 2, "Ab", 2);
    CBitmap before;
    before.CreateBitmap(60, 40);
    {
        CDC copy;
        copy.CreateCompatibleDC(nullptr);
        copy.SelectObject(&before);
        copy.BitBlt(0, 0, 60, 40, &m.dc, 0, 0, SRCCOPY);
    }
    m.dc.SetROP2(R2_NOT);
    CPen wide(PS_SOLID, 3, RGB(255, 0, 0));
    m.dc.SelectObject(&wide);
    for (int i = 0; i < 2; ++i) {
        m.dc.MoveTo(0, 0);
        m.dc.LineTo(50, 30);
        m.dc.Ellipse(10, 10, 40, 30);
        RECT r{5, 5, 25, 25};
        m.dc.InvertRect(&r);
    }
    m.dc.SetROP2(R2_COPYPEN);
    EXPECT_EQ(DiffersFrom(m.dc, 60, 40, before), 0);

    MemoryDC src(20, 20);
    RECT s{0, 0, 10, 20};
    src.dc.FillSolidRect(&s, RGB(0, 0, 0));
    for (int i = 0; i < 2; ++i) m.dc.BitBlt(10, 10, 20, 20, &src.dc, 0, 0, SRCINVERT);
    EXPECT_EQ(DiffersFrom(m.dc, 60, 40, before), 0);
    m.dc.BitBlt(10, 10, 20, 20, &src.dc, 0, 0, MERGEPAINT);  // black source paints white
    EXPECT_EQ(m.dc.GetPixel(12, 12), RGB(255, 255, 255));
    EXPECT_EQ(m.dc.GetPixel(25, 12), RGB(30, 140, 200));
    m.dc.BitBlt(10, 10, 20, 20, &src.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(m.dc.GetPixel(12, 12), RGB(0, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(25, 12), RGB(255, 255, 255));
}

TEST(DeviceContext, ClippingLimitsDrawingAndRecordingLogsCalls) {
    MemoryDC m(40, 40);
    CRgn rgn;
    rgn.CreateRectRgn(10, 10, 20, 20);
    m.dc.SelectClipRgn(&rgn);
    RECT box;
    m.dc.GetClipBox(&box);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.bottom, 20);
    RECT all{0, 0, 40, 40};
    m.dc.StartRecording();
    m.dc.FillSolidRect(&all, RGB(0, 0, 0));
    m.dc.MoveTo(1, 2);
    m.dc.LineTo(3, 4);
    auto log = m.dc.TakeRecording();
    EXPECT_EQ(log, (std::vector<std::string>{"FillRect 0 0 40 40", "MoveTo 1 2", "LineTo 3 4"}));
    EXPECT_EQ(m.dc.GetPixel(15, 15), RGB(0, 0, 0));
    EXPECT_EQ(m.dc.GetPixel(5, 5), RGB(255, 255, 255));
    m.dc.SelectClipRgn(nullptr);
    m.dc.GetClipBox(&box);
    EXPECT_EQ(box.right, 40);
}

TEST(Fonts, FacesResolveThroughTheSubstitutionTable) {
    fw::EnsureGraphics();
    EXPECT_EQ(fw::ResolvedFamily("MS Sans Serif"), "DejaVu Sans");
    EXPECT_EQ(fw::ResolvedFamily("Times New Roman"), "DejaVu Serif");
    EXPECT_EQ(fw::ResolvedFamily("Courier New"), "DejaVu Sans Mono");
    EXPECT_EQ(fw::ResolvedFamily(fw::FromUtf8("宋体").c_str()), "WenQuanYi Micro Hei");
    EXPECT_EQ(fw::ResolvedFamily("Vorlind New"), "Bravura");
    EXPECT_EQ(fw::EnumFontFamilies("MS Sans Serif").size(), 1u);
    EXPECT_EQ(fw::EnumFontFamilies("Vorlind New").size(), 1u);
    EXPECT_TRUE(fw::EnumFontFamilies("No Such Face Anywhere").empty());
    EXPECT_GT(fw::EnumFontFamilies(nullptr).size(), 2u);
}

TEST(Fonts, MusicFaceCodesDrawWhatTheProgramMeansByThem) {
    // Head shapes 2-7 are drawn with codes 80, 81, 78, 79, 94 and 95; the rhythmic slash, the
    // open rhythm and the two slash shapes (2, 5, 6, 7) are slashes, the percussion and the
    // closed rhythm heads (3, 4) are not.
    const struct {
        int shape, code;
        bool slash;
    } heads[] = {{2, 80, true}, {3, 81, false}, {4, 78, false}, {5, 79, true}, {6, 94, true}, {7, 95, true}};
    for (const auto& h : heads)
        EXPECT_EQ(std::string(fw::MusicGlyphName(h.code)).find("Slash") != std::string::npos, h.slash) << h.shape;
    const struct {
        int code;
        const char* name;
    } named[] = {
        {141, "repeat1Bar"},                     // the one-bar repeat
        {142, "repeat2Bars"},                    // the two-bar repeat
        {165, "ornamentTremblement"},            // the long mordent
        {173, "ornamentTremblement with ornamentMiddleVerticalStroke"},  // and its lower form
        {250, "brace (grouping sign)"},          // a grouping sign's single glyph
        {251, "csymBracketLeftTall (grouping sign)"},
    };
    for (const auto& n : named) EXPECT_STREQ(fw::MusicGlyphName(n.code), n.name) << n.code;

    MusicDC m;
    ASSERT_TRUE(fw::MusicFontAvailable());
    EXPECT_LT(m.dc.GetCharWidth(141), m.dc.GetCharWidth(142));
    EXPECT_EQ(m.dc.GetCharWidth(173), m.dc.GetCharWidth(165));
}

TEST(Fonts, MusicFaceMeasuresFromItsTable) {
    MusicDC m;
    ASSERT_TRUE(fw::MusicFontAvailable());
    struct {
        UINT code;
        int width;
    } cases[] = {{116, 7}, {188, 3}, {199, 2}, {33, 6}, {32, 7}, {62, 7}};
    for (auto c : cases) EXPECT_EQ(m.dc.GetCharWidth(c.code), c.width) << c.code;
    TEXTMETRIC tm;
    m.dc.GetTextMetrics(&tm);
    EXPECT_EQ(tm.tmAscent, 24);
    EXPECT_EQ(tm.tmDescent, 6);
    EXPECT_EQ(m.dc.GetTextCharset(), SYMBOL_CHARSET);
    // A width request stretches the glyphs.
    LOGFONT lf = m.lf;
    lf.lfWidth = 14;
    CFont wide;
    wide.CreateFontIndirect(lf);
    m.dc.SelectObject(&wide);
    EXPECT_EQ(m.dc.GetCharWidth(62), 14);
    EXPECT_STREQ(fw::MusicGlyphName(116), "noteheadBlack");
    EXPECT_STREQ(fw::MusicGlyphName(188), "barlineHeavy");
    EXPECT_STREQ(fw::MusicGlyphName(33), "accidentalSharp");
    EXPECT_STREQ(fw::MusicGlyphName(34), "accidentalFlat");
    EXPECT_STREQ(fw::MusicGlyphName(35), "accidentalNatural");
}
