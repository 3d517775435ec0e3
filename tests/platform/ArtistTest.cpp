#include <gtest/gtest.h>

#include <cstdio>

#include "DrawFixture.h"
#include "framework/Gdi.h"
#include "platform/FontMap.h"
#include "platform/Offscreen.h"

using ArtistTest = DrawTest;

TEST_F(ArtistTest, ScaleAndPenWidthsRoundAsStored) {
    a->SetZoom(150);
    EXPECT_EQ(a->Scale(7), 11);
    EXPECT_EQ(a->Scale(-7), -11);
    EXPECT_EQ(a->SetZoom(100), 150);
    struct {
        int w, px;
    } cases[] = {{14, 1}, {34, 2}, {0, 1}, {20, 1}, {60, 3}};
    for (auto c : cases) {
        a->SetPenWidth(c.w);
        EXPECT_EQ(a->GetPenWidth(), c.px) << c.w;
    }
    a->SetPenWidth(20);
}

TEST_F(ArtistTest, ColoursAndTheirStacks) {
    EXPECT_TRUE(a->SetPaletteColor(121));
    EXPECT_FALSE(a->SetPaletteColor(122));
    EXPECT_EQ(a->colorIndex, 122);
    EXPECT_FALSE(a->SetPaletteColor(144));
    EXPECT_EQ(a->colorIndex, 122);
    a->SetColor(1);
    EXPECT_EQ(dc.GetTextColor(), RGB(255, 0, 0));  // stored 0xFF0000 is red
    LOGPEN lp;
    a->GetCurrentLogPen(&lp);
    EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
    a->PushColor();
    a->SetColor(5);
    a->PopColor();
    EXPECT_EQ(a->colorIndex, 1);
    a->PopColor();  // empty: ignored
    EXPECT_EQ(a->colorIndex, 1);
    for (int i = 0; i < 8; ++i) {
        dc.SetBkColor(RGB(i, 0, 0));
        a->PushBackColor();
    }
    EXPECT_EQ(a->backColorDepth, 7);
    dc.SetBkColor(RGB(99, 99, 99));
    a->PopBackColor();
    EXPECT_EQ(dc.GetBkColor(), RGB(6, 0, 0));
    while (a->backColorDepth) a->PopBackColor();
    a->PopBackColor();
    EXPECT_EQ(dc.GetBkColor(), RGB(0, 0, 0));
}

TEST_F(ArtistTest, FontRequestsAreCachedUntilDirty) {
    CFontList* list = GetFontList();
    int face = g_draw.standardFontRefs[0].face;
    a->SetFont(face, 12, 0);
    auto made = list->SharedFont()->data();
    a->SetFont(face, 12, 0);
    EXPECT_EQ(list->SharedFont()->data(), made);  // nothing created
    a->SetFontAngle(90);
    a->SetFont(face, 12, 0);
    EXPECT_NE(list->SharedFont()->data(), made);
    EXPECT_EQ(a->fontAngle, 0);
    // A 1-point request makes a 2-point font.
    a->SetFont(face, 1, 0);
    LOGFONT lf;
    list->SharedFont()->GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, -2);
    // A popped entry without a face changes nothing.
    a->SetFont(face, 12, 0);
    a->currentFont.face = FontRef::kNoFace;
    a->PushFont();
    a->SetFont(face, 14, 0);
    a->PopFont();
    FontRef now;
    a->GetFontRef(&now);
    EXPECT_EQ(now.size, 14);
}

TEST_F(ArtistTest, MusicFaceMetricsAreStable) {
    a->SetMusicFont(24);
    // One staff space is a quarter of the size: the quarter head is 1.18 spaces wide.
    EXPECT_EQ(a->GlyphWidth(116), 7);
    EXPECT_EQ(a->CharWidth(188), 3);
    EXPECT_EQ(a->GlyphWidth(199), 2);
    EXPECT_EQ(a->TextWidth("tt"), 14);
    FontMetrics16 m;
    a->GetFontMetrics(&m);
    EXPECT_EQ(m.ascent, 24);
    EXPECT_EQ(m.descent, 5);
    a->GetGlyphMetrics(&m, 178);
    EXPECT_EQ(m.ascent, 6);
    EXPECT_EQ(m.descent, 0);
    int w = 0, l = 0;
    EXPECT_EQ(a->SetMusicMetrics(&w, &l, 12, 48), 24);
    EXPECT_EQ(w, 14);
    EXPECT_EQ(l, 1);
    FontRef f;
    a->GetFontRef(&f);
    EXPECT_EQ(f.size, 24);  // the size came back
}

TEST_F(ArtistTest, FontMapSlotMovesAndReplacesTheGlyph) {
    FontMap map;
    map.Init();
    map.slots[0x41].on = 1;
    map.slots[0x41].character = 0x42;
    map.slots[0x41].face = g_draw.standardFontRefs[4].face;
    map.slots[0x41].dx = 48;
    SetArtistFontMap(&map);
    a->SetMusicFont(24);
    auto before = GetFontList()->SharedFont()->data();
    dc.StartRecording();
    a->DrawGlyph(10, 20, 0x41);
    auto log = Only(dc.TakeRecording(), {"TextOut"});
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "TextOut 22 20 \"B\" align 24");  // half the size to the right
    EXPECT_EQ(GetFontList()->SharedFont()->data(), before);  // same face: no selection
    map.slots[0x41].dx = 4;
    map.slots[0x41].dy = 8;
    dc.StartRecording();
    a->DrawGlyph(10, 20, 0x41);
    log = Only(dc.TakeRecording(), {"TextOut"});
    EXPECT_EQ(log[0], "TextOut 11 18 \"B\" align 24");
    EXPECT_EQ(a->GlyphWidth(0x41), a->CharWidth(0x42));
}

TEST_F(ArtistTest, BarlineKindsGiveTheirRectangles) {
    a->SetMusicFont(24);  // thick bar 3 wide, pen 1
    struct Case {
        int kind, align;
        std::vector<std::string> calls;
    } cases[] = {
        {0, 0, {"MoveTo 100 10", "LineTo 100 50"}},
        {1, 0, {"MoveTo 100 10", "LineTo 100 50", "MoveTo 103 10", "LineTo 103 50"}},
        {1, 2, {"MoveTo 97 10", "LineTo 97 50", "MoveTo 100 10", "LineTo 100 50"}},
        {2, 0, {"FillRect 100 10 103 50", "MoveTo 105 10", "LineTo 105 50"}},
        {2, 1, {"FillRect 99 10 102 50", "MoveTo 104 10", "LineTo 104 50"}},
        {3, 0, {"FillRect 97 10 100 50", "MoveTo 94 10", "LineTo 94 50"}},
        {4, 1, {"FillRect 98 10 101 50", "MoveTo 95 10", "LineTo 95 50"}},
        {8, 0, {"FillRect 100 10 103 50"}},
        {8, 2, {"FillRect 97 10 100 50"}},
        {5, 0, {}},
        {6, 0, {}},
    };
    for (const auto& c : cases) {
        dc.StartRecording();
        a->DrawBarline(100, 10, 50, c.kind, c.align);
        EXPECT_EQ(Only(dc.TakeRecording(), {"FillRect", "MoveTo", "LineTo"}), c.calls) << "kind " << c.kind;
        EXPECT_EQ(a->GetPenWidth(), 1);
    }
    // Repeat kinds add the bracket ends above and below.
    dc.StartRecording();
    a->DrawBarline(100, 10, 50, 9, 0);
    auto text = Only(dc.TakeRecording(), {"TextOut"});
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0].substr(0, 17), "TextOut 100 10 \";");
    // A wide thin line is a filled rectangle.
    g_draw.thinLineWidth = 45;
    dc.StartRecording();
    a->DrawBarline(100, 10, 50, 0, 0);
    EXPECT_EQ(Only(dc.TakeRecording(), {"FillRect", "LineTo"}), std::vector<std::string>{"FillRect 100 10 102 50"});
    g_draw.thinLineWidth = 12;
}

TEST_F(ArtistTest, StaffLedgerBeamAndBraceGeometry) {
    dc.StartRecording();
    a->DrawStaffLines(10, 20, 110, 0x1F, 6, 20);
    auto lines = Only(dc.TakeRecording(), {"MoveTo"});
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "MoveTo 10 68");  // the lowest at yTop + 8 spaces
    EXPECT_EQ(lines[4], "MoveTo 10 44");

    a->musicLineWidth = 1;
    for (auto [pos, n] : std::vector<std::pair<int, int>>{{7, 1}, {8, 2}, {5, 0}, {-6, 1}, {-9, 2}}) {
        dc.StartRecording();
        a->DrawLedgerLines(50, 80, pos, 6, 8);
        EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo"}).size(), std::size_t(n)) << pos;
    }
    dc.StartRecording();
    a->DrawLedgerLines(50, 80, 8, 6, 8);
    EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo", "LineTo"}),
              (std::vector<std::string>{"MoveTo 48 62", "LineTo 60 62", "MoveTo 48 56", "LineTo 60 56"}));

    dc.StartRecording();
    a->DrawBeam(10, 0, 60, 0, 10, 40, 60, 30, 50, false, false, 0, 6, false, false);
    EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo"}).size(), 2u);

    a->SetMusicFont(24);
    dc.StartRecording();
    a->DrawGlyphInRect(RECT{5, 10, 13, 51});
    auto text = Only(dc.TakeRecording(), {"TextOut"});
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0].substr(0, 13), "TextOut 5 21 ");  // mid = 31, size 10
    EXPECT_EQ(text[1].substr(0, 13), "TextOut 5 41 ");
    FontRef f;
    a->GetFontRef(&f);
    EXPECT_EQ(f.size, 10);
}

TEST_F(ArtistTest, ShapesAndPatternedLines) {
    dc.StartRecording();
    RECT r{0, 0, 10, 10};
    a->FrameRect(r);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(Only(dc.TakeRecording(), {"Rectangle"}), std::vector<std::string>{"Rectangle 0 0 11 11"});
    EXPECT_EQ(dc.GetPixel(10, 10), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(0, 5), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(11, 5), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(255, 255, 255));

    dc.StartRecording();
    a->FillOval(10, 10, 5, 4, true);
    EXPECT_EQ(Only(dc.TakeRecording(), {"Ellipse"}), std::vector<std::string>{"Ellipse 7 9 12 14"});
    dc.StartRecording();
    a->FillRectRgnAt(20, 20, 40, 24, 30);
    EXPECT_EQ(Only(dc.TakeRecording(), {"FillRect"}), std::vector<std::string>{"FillRect 19 19 40 24"});

    // Dashes of 7 on, 5 off from the right end; a short line is drawn whole.
    dc.StartRecording();
    a->ThickLine(0, 100, 30, 100, 1);
    EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo", "LineTo"}),
              (std::vector<std::string>{"MoveTo 30 100", "LineTo 23 100", "MoveTo 18 100", "LineTo 11 100",
                                        "MoveTo 6 100", "LineTo 0 100"}));
    dc.StartRecording();
    a->ThickLine(10, 100, 14, 100, 1);
    EXPECT_EQ(Only(dc.TakeRecording(), {"MoveTo", "LineTo"}), (std::vector<std::string>{"MoveTo 14 100", "LineTo 10 100"}));
    // A slanted line starting on a multiple of the period starts with a full dash.
    dc.StartRecording();
    a->ThickLine(14, 0, 14 + 30, 40, 1);
    auto slant = Only(dc.TakeRecording(), {"MoveTo", "LineTo"});
    ASSERT_GE(slant.size(), 2u);
    EXPECT_EQ(slant[0], "MoveTo 14 0");
    EXPECT_EQ(slant[1], "LineTo 18 6");

    // Arrowhead of a left-to-right line.
    dc.StartRecording();
    a->FillRotatedShape(0, 50, 40, 50, 10, false, true);
    EXPECT_EQ(Only(dc.TakeRecording(), {"Polygon"}), std::vector<std::string>{"Polygon 30,50 30,45 40,50 30,55"});

    // Clip stack: after any pop the port is unclipped.
    a->PushClip();
    a->SetClipRect(RECT{0, 0, 20, 20});
    a->PushClip();
    a->SetClipRect(RECT{5, 5, 10, 10});
    a->PopClip();
    RECT clip;
    dc.GetClipBox(&clip);
    EXPECT_EQ(clip.right, width);
    a->PopClip();
}

namespace {
bool SameBitmaps(const CBitmap& x, const CBitmap& y) { return x.CountDifferences(y, 0) == 0; }
void Copy(CBitmap& to, CDC& from, int w, int h) {
    to.CreateBitmap(w, h);
    CDC m;
    m.CreateCompatibleDC(nullptr);
    m.SelectObject(&to);
    m.BitBlt(0, 0, w, h, &from, 0, 0, SRCCOPY);
}
}  // namespace

TEST_F(ArtistTest, InvertingFeedbackDrawnTwiceRestoresThePixels) {
    a->SetColor(17);
    a->FillRectColor(RECT{20, 20, 120, 80}, 17);
    a->UseFontA();
    a->DrawText(30, 100, "Feedback");
    CBitmap before;
    Copy(before, dc, width, height);
    g_draw.feedbackDrawing = true;
    a->SetROP2(R2_NOT);
    for (int pass = 0; pass < 2; ++pass) {
        a->UseFontA();
        a->DrawText(40, 60, "Drag");
        a->SetMusicFont(24);
        a->DrawGlyph(150, 60, 128);
        a->Line(5, 5, 200, 140);
        a->FrameRect(RECT{60, 10, 140, 120});
        POINT curve[4] = {{10, 150}, {60, 100}, {120, 100}, {180, 150}};
        a->DrawBezier(curve, 40, 1, 0);
        a->InvertRect(RECT{0, 0, 30, 30});
    }
    g_draw.feedbackDrawing = false;
    a->SetCopyMode();
    CBitmap after;
    Copy(after, dc, width, height);
    EXPECT_TRUE(SameBitmaps(before, after));
}

TEST_F(ArtistTest, OffscreenCopyEqualsDirectDrawing) {
    auto scene = [&] {
        a->SetColor(0);
        a->SetMusicFont(24);
        a->DrawStaffLines(10, 40, 200, 0x7C0, 6, 20);
        a->DrawGlyph(20, 46, 128);
        a->DrawGlyph(60, 40, 116);
        a->UseFontA();
        a->DrawText(90, 44, "Text");
        a->FillRectColor(RECT{150, 20, 170, 60}, 21);
    };
    scene();
    CBitmap direct;
    Copy(direct, dc, width, height);
    RECT all{0, 0, width, height};
    dc.FillSolidRect(&all, RGB(255, 255, 255));
    COffscreen off;
    off.End(0);  // without Begin: nothing
    ASSERT_TRUE(off.Begin(RECT{0, 0, width, height}, false));
    EXPECT_NE(GetCurrentPort(), &dc);
    scene();
    off.End(0);
    EXPECT_EQ(GetCurrentPort(), &dc);
    CBitmap copied;
    Copy(copied, dc, width, height);
    EXPECT_EQ(direct.CountDifferences(copied, 0), 0);
}
