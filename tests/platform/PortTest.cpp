#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DrawFixture.h"
#include "framework/Window.h"
#include "platform/DCPort.h"
#include "platform/FontMap.h"

using PortStackTest = DrawTest;

TEST_F(PortStackTest, NestedPortsGiveBackPortAndFontState) {
    CDC* first = GetCurrentPort();
    a->SetMusicFont(24);
    FontRef atA;
    a->GetFontRef(&atA);
    CDC b, c;
    b.CreateCompatibleDC(nullptr);
    c.CreateCompatibleDC(nullptr);
    PushPort(&b);
    FontRef fresh;
    a->GetFontRef(&fresh);
    EXPECT_EQ(fresh.face, FontRef::kNoFace);  // the next text drawing selects a font anew
    EXPECT_EQ(fresh.size, 9);
    a->SetFont(g_draw.standardFontRefs[0].face, 11, 1);
    FontRef atB;
    a->GetFontRef(&atB);
    PushPort(&c);
    a->SetFont(g_draw.standardFontRefs[1].face, 30, 0);
    PopPort();
    EXPECT_EQ(GetCurrentPort(), &b);
    FontRef back;
    a->GetFontRef(&back);
    EXPECT_EQ(back.face, atB.face);
    EXPECT_EQ(back.size, 11);
    PopPort();
    EXPECT_EQ(GetCurrentPort(), first);
    a->GetFontRef(&back);
    EXPECT_EQ(back.face, atA.face);
    EXPECT_EQ(back.size, 24);
}

TEST_F(PortStackTest, PopGivesThePortBackTheObjectsItCameWith) {
    CDC other;
    other.CreateCompatibleDC(nullptr);
    CPen* ownPen = other.GetCurrentPen();
    CFont* ownFont = other.GetCurrentFont();
    PushPort(&other);
    a->SetFont(g_draw.standardFontRefs[0].face, 12, 0);
    a->SetPenWidth(60);
    EXPECT_NE(other.GetCurrentPen(), ownPen);
    EXPECT_NE(other.GetCurrentFont(), ownFont);
    PopPort();
    EXPECT_EQ(other.GetCurrentPen(), ownPen);
    EXPECT_EQ(other.GetCurrentFont(), ownFont);
    EXPECT_TRUE(ownFont->IsValid());
}

TEST_F(PortStackTest, NullPushKeepsThePortAndDeepNestingGrows) {
    CDC* first = GetCurrentPort();
    int depth = GetPortDepth();
    PushPort(nullptr);
    EXPECT_EQ(GetCurrentPort(), first);
    PopPort();
    EXPECT_EQ(GetCurrentPort(), first);
    // Deeper than the 64 levels a fixed stack would hold.
    std::vector<std::unique_ptr<CDC>> ports;
    for (int i = 0; i < 100; ++i) {
        ports.push_back(std::make_unique<CDC>());
        ports.back()->CreateCompatibleDC(nullptr);
        PushPort(ports.back().get());
    }
    EXPECT_EQ(GetPortDepth(), depth + 100);
    for (int i = 99; i >= 0; --i) {
        EXPECT_EQ(GetCurrentPort(), ports[std::size_t(i)].get());
        PopPort();
    }
    EXPECT_EQ(GetCurrentPort(), first);
    EXPECT_EQ(GetPortDepth(), depth);
}

TEST_F(PortStackTest, WindowPortsNestAndEnd) {
    CFrameWnd w1, w2;
    ASSERT_TRUE(w1.Create("one"));
    ASSERT_TRUE(w2.Create("two"));
    CDC* first = GetCurrentPort();
    {
        CDCPort outer(&w1);
        EXPECT_EQ(GetCurrentPort(), &outer);
        a->SetFont(g_draw.standardFontRefs[0].face, 14, 0);
        {
            CDCPort inner(&w2);
            EXPECT_EQ(GetCurrentPort(), &inner);
            a->SetColor(1);
            a->FillRectColor(RECT{0, 0, 10, 10}, 1);
            EXPECT_EQ(inner.GetPixel(5, 5), RGB(255, 0, 0));
        }
        EXPECT_EQ(GetCurrentPort(), &outer);
        FontRef f;
        a->GetFontRef(&f);
        EXPECT_EQ(f.size, 14);
    }
    EXPECT_EQ(GetCurrentPort(), first);
    int depth = GetPortDepth();
    {
        CDCPort empty;
        EXPECT_FALSE(empty.pushed);
        EXPECT_EQ(GetPortDepth(), depth);
    }
    EXPECT_EQ(GetCurrentPort(), first);
}

TEST_F(PortStackTest, StackedNumbersAndTextFitting) {
    a->SetMusicFont(24);
    dc.StartRecording();
    DrawStackedNumbers(20, 30, 50, 4, 4);
    auto log = Only(dc.TakeRecording(), {"TextOut"});
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].substr(0, 13), "TextOut 20 30");
    EXPECT_EQ(log[1].substr(0, 13), "TextOut 20 50");
    int wu = a->TextWidth("12"), wl = a->TextWidth("8");
    dc.StartRecording();
    int end = DrawStackedNumbers(20, 30, 50, 12, 8);
    log = Only(dc.TakeRecording(), {"TextOut"});
    ASSERT_EQ(log.size(), 3u);
    ASSERT_GT(wu, wl + 1);
    std::string want = "TextOut " + std::to_string(20 + (wu - wl) / 2) + " ";
    EXPECT_EQ(log[2].substr(0, want.size()), want);
    EXPECT_EQ(end, 20 + wu);

    a->UseFontA();
    char text[64] = "abcdefghijklmnopqrstuvwxyz";
    int limit = a->TextWidth("abcdefghij");
    FitTextToWidth(text, limit, false);
    EXPECT_LE(a->TextWidth(text), limit);
    EXPECT_NE(std::strstr(text, "..."), nullptr);
    EXPECT_EQ(text[0], 'a');
    EXPECT_EQ(text[std::strlen(text) - 1], 'z');
    char tail[64] = "abcdefghijklmnopqrstuvwxyz";
    FitTextToWidth(tail, limit, true);
    EXPECT_EQ(std::string(tail).substr(std::strlen(tail) - 3), "...");
    // A double-byte character is never cut in half.
    char chinese[64] = "\xd6\xd0\xce\xc4\xd6\xd0\xce\xc4\xd6\xd0\xce\xc4\xd6\xd0\xce\xc4";
    FitTextToWidth(chinese, a->TextWidth("\xd6\xd0\xce\xc4"), true);
    std::string s(chinese);
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ((s.size() - 3) % 2, 0u);
}

TEST(PortHelpers, SmallLookups) {
    InitDrawing();
    EXPECT_EQ(GetSymbolGlyph(6), 162);
    EXPECT_EQ(GetSymbolGlyph(2), 230);
    EXPECT_EQ(GetKindSpacing(0), 0);
    EXPECT_EQ(GetKindSpacing(1), 60);
    EXPECT_EQ(GetKindSpacing(7), 120);
    EXPECT_EQ(GetKindSpacing(3), 180);
    EXPECT_EQ(AdjustForSize(100, 48), 120);
    EXPECT_EQ(AdjustForSize(100, 12), 95);
    EXPECT_EQ(AdjustForSize(100, 24), 100);
    EXPECT_EQ(GetMarkGlyphs(24)[4], 199);
    EXPECT_EQ(GetMarkGlyphs(100)[4], 112);  // shares the record of code 82
    EXPECT_EQ(GetMarkGlyphs(252)[0], 0);
    EXPECT_EQ(GetMarkGlyphs(253)[2], 1);
    EXPECT_EQ(GetMarkGlyphs(200)[4], 0);  // not a mark code
    EXPECT_TRUE(HitHandleSquare(12, 12, 10, 10));
    EXPECT_FALSE(HitHandleSquare(13, 10, 10, 10));
}

// Under the tests the installed-font list holds the set-up's faces alone (the build's font
// configuration names only them), whatever else the machine has: the faces the program names,
// each listed when the face that draws it is there, and the pinned families, sorted by name.
TEST(FontList, UnderTheTestsItHoldsThePinnedFacesOnly) {
    InitDrawing();
    const CFontList* list = GetFontList();
    ASSERT_NE(list, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < list->GetCount(); ++i) names.push_back(list->GetFaceName(i));
    // Qt adds its generic families (Monospace, Sans Serif, Serif) to every font configuration.
    const std::vector<std::string> expected = {
        "DejaVu Sans",     "DejaVu Sans Mono", "DejaVu Serif", "Monospace",           "MS Sans Serif",
        "Sans Serif",      "Serif",            "Times New Roman", "Vorlind New",      "WenQuanYi Micro Hei",
        "WenQuanYi Micro Hei Mono"};
    EXPECT_EQ(names, expected);
}

TEST(FontList, SortedSubstitutedAndFound) {
    InitDrawing();
    CFontList* list = GetFontList();
    ASSERT_NE(list, nullptr);
    ASSERT_GT(list->GetCount(), 3);
    for (int i = 1; i < list->GetCount(); ++i)
        EXPECT_LE(CompareFaceNames(list->GetFaceName(i - 1), list->GetFaceName(i)), 0);
    FontRef ref;
    EXPECT_TRUE(list->FindFace("MS Sans Serif", &ref, false));
    EXPECT_TRUE(list->FindFace("Vorlind New", &ref, false));
    EXPECT_TRUE(IsMusicFont(ref.face));
    EXPECT_FALSE(list->FindFace("No Such Face", &ref, false));
    EXPECT_EQ(ref.face, FontRef::kNoFace);
    list->FindFace("No Such Face", &ref, true);
    EXPECT_EQ(ref.face, 0);
    // Each name once.
    for (int i = 1; i < list->GetCount(); ++i) EXPECT_STRNE(list->GetFaceName(i - 1), list->GetFaceName(i));
}
