// Pictures compared with references made by this program's own drawing (Bravura and DejaVu).
// ZEL_UPDATE_REFERENCES=1 writes the references anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "DrawFixture.h"
#include "support/PictureCompare.h"
#include "support/TestData.h"
#include "framework/MusicFont.h"
#include "platform/PrArtist.h"

namespace {

std::string ReferencePath(const char* name) {
    return testsupport::TestDataPath(std::string("drawing/") + name);
}

void Scene(CArtist& a) {
    auto S = [&](int v) { return a.Scale(v); };
    a.FillRectColor(RECT{0, 0, S(240), S(160)}, 7);
    a.SetColor(0);
    const int sp = S(6), size = S(24);
    a.DrawStaffLines(S(10), S(40), S(230), 0x7C0, sp, 20);
    a.SetMusicFont(size);
    a.DrawGlyphInRect(RECT{S(2), S(40) - 2 * sp, S(2) + size / 3, S(40) + 2 * sp});
    a.SetMusicFont(size);
    a.DrawBarline(S(10), S(40) - 2 * sp, S(40) + 2 * sp, 0, 0);
    a.DrawGlyph(S(14), S(40) + sp, 128);
    a.DrawGlyph(S(40), S(40) - 2 * sp, 33);
    DrawStackedNumbers(S(52), S(40) - sp, S(40) + sp, 3, 4);
    int nw = 0, nl = 0;
    g_draw.stemThickness = a.SetMusicMetrics(&nw, &nl, 12, size);
    g_draw.musicCharWidth = nw;
    g_draw.musicLineWidth = nl;
    for (int i = 0; i < 3; ++i) {
        int x = S(80 + i * 20), y = S(40) + (i - 1) * sp / 2;
        a.DrawGlyph(x, y, 116);
        a.DrawStem(x + nw - nl, y, S(40) - S(22), true);
    }
    a.DrawBeam(S(80) + nw - nl, 0, S(120) + nw - nl, 0, S(80) + nw - nl, S(40) - S(22), S(120) + nw - nl,
               S(40) - S(22), 50, false, false, 0, sp, false, false);
    a.DrawGlyph(S(140), S(40), 124);
    a.DrawGlyphBold(S(140) + nw + sp / 2, S(40) - sp / 2);
    a.DrawGlyph(S(170), S(40), 99);
    a.DrawGlyph(S(190), S(40) - S(2), 100);
    a.DrawBarline(S(225), S(40) - 2 * sp, S(40) + 2 * sp, 3, 0);
    POINT tie[3] = {{S(20), S(80)}, {S(60), S(68)}, {S(100), S(80)}};
    a.DrawCurve(tie, 40, 0);
    a.ThickLine(S(120), S(75), S(230), S(75), 1);
    a.DrawGlyph(S(20), S(110), 0x95);
    a.DrawGlyph(S(60), S(110), 178);
    a.FrameRect(RECT{S(100), S(95), S(140), S(125)});
    a.FillOval(S(170), S(100), S(14), S(14), true);
    a.SetFont(g_draw.standardFontRefs[1].face, S(12), 0);
    a.DrawText(S(10), S(150), "Allegro 1");
}

void Compare(const CBitmap& picture, const char* name) { testsupport::ExpectPictureMatches(picture, ReferencePath(name)); }

}  // namespace

using DrawingPictureTest = DrawTest;

TEST_F(DrawingPictureTest, ScreenSceneMatchesItsReference) {
    ASSERT_TRUE(fw::MusicFontAvailable());
    CBitmap pic;
    pic.CreateBitmap(480, 320);
    CDC m;
    m.CreateCompatibleDC(nullptr);
    m.SelectObject(&pic);
    PushPort(&m);
    Scene(*a);
    PopPort();
    Compare(pic, "scene100.png");
    CBitmap big;
    big.CreateBitmap(480, 320);
    CDC m2;
    m2.CreateCompatibleDC(nullptr);
    m2.SelectObject(&big);
    PushPort(&m2);
    a->SetZoom(200);
    Scene(*a);
    a->SetZoom(100);
    PopPort();
    Compare(big, "scene200.png");
}

TEST_F(DrawingPictureTest, PrintingArtistAt144DotsDrawsTheZoom200Picture) {
    // The printing artist at 144 pixels per inch maps every score unit to two pixels: its
    // picture matches the screen at zoom 200 closely (rounding may move an edge by a pixel).
    CBitmap printed;
    printed.CreateBitmap(480, 320);
    CDC m;
    m.CreateCompatibleDC(nullptr);
    m.SelectObject(&printed);
    CPrArtist pr;
    pr.SetPrinterResolution(144, 144);
    CArtist* screen = GetArtist();
    SetArtist(&pr);
    PushPort(&m);
    pr.SetCopyMode();
    Scene(pr);
    PopPort();
    SetArtist(screen);
    CBitmap ref;
    ASSERT_TRUE(ref.LoadFile(ReferencePath("scene200.png")));
    EXPECT_LE(printed.CountDifferences(ref, 96), 480L * 320 / 25);
}

TEST(PrinterOutput, PdfAt600Dots) {
    InitDrawing();
    std::string path = std::filesystem::temp_directory_path() / ("zel-print-" + std::to_string(::getpid()) + ".pdf");
    {
        CPrinterDC pdc;
        ASSERT_TRUE(pdc.CreatePdf(path, 600, 612, 792, 36));
        EXPECT_EQ(pdc.GetDeviceCaps(LOGPIXELSX), 600);
        EXPECT_EQ(pdc.GetDeviceCaps(PHYSICALWIDTH), 5100);
        EXPECT_EQ(pdc.GetDeviceCaps(HORZRES), 4500);
        EXPECT_EQ(pdc.GetDeviceCaps(PHYSICALOFFSETX), 300);
        ASSERT_TRUE(pdc.StartDoc("test"));
        CPrArtist pr;
        pr.SetPrinterResolution(600, 600);
        CArtist* screen = GetArtist();
        SetArtist(&pr);
        PushPort(&pdc);
        pdc.StartPage();
        Scene(pr);
        pdc.EndPage();
        PopPort();
        SetArtist(screen);
        EXPECT_TRUE(pdc.EndDoc());
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
    std::filesystem::remove(path);
}
