// A page pane's pictures: an edited rectangle repainted through the memory bitmap equals a full
// paint of it, the caret drawn twice restores the page, a paint while the caret shows leaves
// none behind, and the grid's darker lines fall every centimetre.
#include <gtest/gtest.h>

#include <vector>

#include "ViewFixture.h"
#include "model/Bar.h"
#include "model/Preferences.h"
#include "model/ScoreArrays.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"

TEST_F(ViewTest, RedrawingARectangleEqualsAFullPaintOfIt) {
    Open(1, 0);
    CPagePane* pane = view->GetPane(0);
    pane->Invalidate();
    pane->UpdateWindow();
    const RECT r{30, 40, 330, 200};  // over the titles and the first system
    const std::vector<COLORREF> painted = Pixels(pane, r);
    int ink = 0;
    for (COLORREF c : painted) ink += c != RGB(255, 255, 255);
    ASSERT_GT(ink, 50) << "the rectangle shows part of the page";
    {
        CClientDC dc(pane);
        dc.FillSolidRect(&r, RGB(255, 0, 0));
    }
    pane->RedrawRect(r);
    EXPECT_LE(Differ(Pixels(pane, r), painted), 2);
    // Past the client area the rectangle is cut, never drawn outside.
    RECT client;
    pane->GetClientRect(&client);
    pane->RedrawRect(RECT{client.right - 20, client.bottom - 20, client.right + 500, client.bottom + 500});
}

TEST_F(ViewTest, TheCaretDrawnTwiceRestoresThePageAndAPaintLeavesNoneBehind) {
    Open(1, 0);
    CPagePane* pane = view->GetPane(0);
    pane->Invalidate();
    pane->UpdateWindow();
    doc->ShowInsertionPoint(0, false);
    ASSERT_NE(doc->location.bar, nullptr);
    RECT client;
    pane->GetClientRect(&client);
    const std::vector<COLORREF> page = Pixels(pane, client);
    pane->BlinkCaret();
    EXPECT_EQ(doc->location.cursorDrawn, 1);
    const RECT caret = pane->caretRect;
    EXPECT_GT(caret.bottom, caret.top);
    EXPECT_GT(Differ(Pixels(pane, client), page), 10) << "the caret shows";
    pane->BlinkCaret();
    EXPECT_EQ(doc->location.cursorDrawn, 0);
    EXPECT_EQ(Differ(Pixels(pane, client), page), 0) << "the second blink takes it away";

    pane->BlinkCaret();
    pane->Invalidate();
    pane->UpdateWindow();
    EXPECT_EQ(doc->location.cursorDrawn, 0) << "the paint forgets the caret";
    EXPECT_EQ(Differ(Pixels(pane, client), page), 0) << "and paints over it";
    pane->BlinkCaret();
    EXPECT_EQ(doc->location.cursorDrawn, 1) << "it comes back at the next blink";
}

TEST_F(ViewTest, TheGridsDarkerLinesFallEveryCentimetre) {
    g_preferences.SetByte(Preferences::kGridDisplay, 1);
    g_preferences.SetByte(Preferences::kMetric, 1);
    Open(1, 0);
    doc->SetScoreSize(100);
    CPagePane* pane = view->GetPane(0);
    pane->Invalidate();
    pane->UpdateWindow();
    CClientDC dc(pane);
    // Along the page's top row: a line every 2.5 mm, every fourth one (1 cm) darker.
    std::vector<int> dark, light;
    const COLORREF darkColor = dc.GetPixel(0, 3), lightColor = dc.GetPixel(7, 3);
    ASSERT_NE(darkColor, lightColor);
    for (int x = 0; x < 200; ++x) {
        const COLORREF c = dc.GetPixel(x, 3);
        if (c == darkColor) dark.push_back(x);
        if (c == lightColor) light.push_back(x);
    }
    ASSERT_GE(dark.size(), 3u);
    EXPECT_EQ(dark[1] - dark[0], 28) << "1 cm at 100 %";
    EXPECT_EQ(dark[2] - dark[1], 29);
    EXPECT_GE(light.size(), 9u);
}

// A zoom chosen in the window's zoom dialog gives every staff the spaces, music font and pens of
// that zoom, so the brace and clefs at a system's start stay within three of its own spaces
// of its lines (at 30 % they were drawn at full size, five times too tall).
TEST_F(ViewTest, AtEveryZoomTheBraceAndClefsDrawToTheScaleOfTheirLines) {
    doc = std::make_unique<CZelDoc>();
    {
        CDC measure;
        measure.CreateIC();
        PushPort(&measure);
        NewScoreSettings piano;
        piano.arrangement = 1;
        ASSERT_TRUE(BuildNewScore(*doc->GetScore(), piano));
        // No bar numbers: the band below looks only for the brace and the clefs.
        doc->GetScore()->GetBar(0)->RemoveBarNumberItem();
        PopPort();
    }
    doc->SetZoom(100, false);
    wnd = std::make_unique<CZelWnd>();
    ASSERT_TRUE(wnd->Create(nullptr, RECT{0, 0, 820, 620}, doc.get()));
    view = wnd->GetView();
    fw::uitest::RunUntilIdle();
    CPagePane* pane = view->GetPane(0);
    for (int zoom : {100, 50, 30}) {
        SCOPED_TRACE(zoom);
        fw::uitest::OnNextModal([zoom](CDialog& d) {
            d.SetDlgItemText(3, std::to_string(zoom).c_str());
            fw::uitest::ClickControl(&d, IDOK);
        });
        ASSERT_TRUE(wnd->OnCmdMsg(38011, 0));
        ASSERT_EQ(doc->GetZoom(), zoom);
        pane->Invalidate();
        pane->UpdateWindow();
        CLine* system = doc->GetScore()->GetLine(1);  // one with a system above it, not the titles
        ASSERT_NE(system, nullptr);
        const int staves = system->GetStaffArray()->GetCount();
        ASSERT_EQ(staves, 2);
        CStaff* top = system->GetStaff(0);
        CStaff* bottom = system->GetStaff(staves - 1);
        const int space = std::max(1, 6 * zoom / 100);
        EXPECT_EQ(top->GetLineSpacing(), space);
        EXPECT_EQ(bottom->GetLineSpacing(), space);
        // The columns of the brace and the clefs, rows from six spaces above the system to six below
        // (the next system's clef starts seven below).
        const int reach = 3 * space + 1;
        const int left = std::max(0, int(top->GetLeft()) - 4 * space - 4);
        const RECT band{left, std::max(0, top->GetTopLine() - 6 * space), top->GetLeft() + 5 * space,
                        bottom->GetBottomLine() + 6 * space};
        const std::vector<COLORREF> ink = Pixels(pane, band);
        const int width = int(band.right - band.left);
        int outside = 0, inside = 0;
        for (std::size_t i = 0; i < ink.size(); ++i) {
            if (ink[i] == RGB(255, 255, 255)) continue;
            const int y = int(band.top) + int(i) / width;
            const bool out = y < top->GetTopLine() - reach || y > bottom->GetBottomLine() + reach;
            (out ? outside : inside) += 1;
        }
        EXPECT_GT(inside, 4 * space) << "the clefs and the brace are drawn";
        EXPECT_EQ(outside, 0) << "ink beyond three spaces of the system's lines";
    }
}
