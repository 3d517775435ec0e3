// The mouse and the keys on the score's words and signs: a text's handle and edge hit parts, its
// drag through the shared offset and the frame margin, a page text's corner, filter and nudge,
// the tempo mark's text and metronome parts, a syllable's hyphen part, drags and nudge, a
// symbol's box and drags, and the double clicks that run the edit commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "framework/Input.h"
#include "model/DragTask.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/Symbol.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "platform/Port.h"
#include "support/CommandRecorder.h"

using drawtest::ScoreDrawTest;

namespace {

class WordEdit : public ScoreDrawTest {
protected:
    void SetUp() override {
        ScoreDrawTest::SetUp();
        Build(1, {2});
        g_model.currentScore = s->score.get();
        g_model.currentDoc = &s->doc;
        tb = s->TrkBar(0, 0);
    }
    void TearDown() override {
        g_model.itemDragX = 0;
        g_viewDrag = ViewDragGlobals{};
        ScoreDrawTest::TearDown();
    }
    // A copy of the record in track bar 0 at the position, current as the bar's drawing makes it.
    template <typename T>
    T* Place(void* record, int position) {
        auto* r = static_cast<CBarItem*>(record);
        r->SetPositionField(std::int16_t(position));
        auto* placed = tb->InsertCopy(r);
        tb->SetCurrent();
        placed->VerifyTrack();
        return static_cast<T*>(placed);
    }
    RECT Bounds(CScoreItem* item, int part = -32767) {
        RECT r{};
        if (part == -32767) item->GetBounds(&r);
        else item->GetPartBounds(&r, part);
        return r;
    }
    CTrkBar* tb = nullptr;
};

}  // namespace

TEST_F(WordEdit, ATextAnswersItsHandlesEdgesAndBody) {
    std::vector<std::uint8_t> bytes(128);
    CText* made = CText::MakePlain(bytes.data(), 128, CText::kTypeCode, CText::kStaffText, "Dolce assai", FontRef{0, 24, 0, 0}, false);
    auto* t = Place<CText>(made, 256);
    Bounds(t);  // the first layout measures the text
    const RECT r = Bounds(t);
    ASSERT_GT(r.right - r.left, 20);
    ASSERT_GT(r.bottom - r.top, 10);
    const int tol = t->ScaleToView(4);
    const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    struct Case {
        int x, y, part;
    } cases[] = {
        {int(r.left), int(r.top), 1},         {int(r.right), int(r.bottom), 3},   {int(r.left), int(r.bottom), 0},
        {int(r.right), int(r.top), 2},        {int(r.left) - tol, midY, 5},       {int(r.right) + tol, midY, 6},
        {midX, int(r.top) - tol, 7},          {midX, int(r.bottom) + tol, 8},     {midX, midY, -32767},
    };
    for (const Case& c : cases) {
        g_model.hitPart = 99;
        EXPECT_TRUE(t->HitTest(c.x, c.y)) << c.x << "," << c.y;
        EXPECT_EQ(g_model.hitPart, c.part) << c.x << "," << c.y;
    }
    EXPECT_FALSE(t->HitTest(r.left - tol - 1, midY));
    EXPECT_FALSE(t->HitTest(midX, r.bottom + tol + 1));
    // A hidden text is hit only while selected.
    t->SetFlagsB(std::uint8_t(t->FlagsB() | CBarItem::kHiddenBit));
    EXPECT_FALSE(t->HitTest(midX, midY));
    t->SetFlagsB(std::uint8_t(t->FlagsB() | CBarItem::kSelectedBit));
    EXPECT_TRUE(t->HitTest(midX, midY));
}

TEST_F(WordEdit, ATextDragGathersSidewaysInTheSharedOffsetAndTheAltDragMovesTheMargin) {
    std::vector<std::uint8_t> bytes(128);
    CText* made = CText::MakePlain(bytes.data(), 128, CText::kTypeCode, CText::kBarText, "Solo", FontRef{0, 12, 0, 0}, true);
    auto* t = Place<CText>(made, 256);
    Bounds(t);
    const RECT before = Bounds(t);
    const int y = t->GetY(), x = t->GetX();
    CDragTask drag;
    drag.dx = 30;
    drag.dy = -20;
    t->DragBy(&drag);
    // The page's movement counts in the staff's offset units (1/120 of a space).
    const auto units = [&](int v) { return s->Line(0)->GetStaff(0)->UnscaleOffset(v); };
    EXPECT_EQ(g_model.itemDragX, units(30));
    EXPECT_EQ(t->GetX(), x) << "the x offset waits for the drop";
    EXPECT_EQ(t->GetY(), y + units(-20));
    EXPECT_GT(Bounds(t).left, before.left);
    const int margin = rec::Get<std::int16_t>(t, CText::kFrameMarginY);
    g_viewDrag.modifierFlagA = true;
    t->DragBy(&drag);
    EXPECT_EQ(t->GetY(), y + units(-20)) << "the held key moves the margin, not the text";
    EXPECT_EQ(rec::Get<std::int16_t>(t, CText::kFrameMarginY), margin + units(-20));
    EXPECT_EQ(g_model.itemDragX, 2 * units(30));
    // A drop that places nothing anew keeps the move.
    t->EndDrag(nullptr);
    EXPECT_EQ(t->GetX(), x + 2 * units(30));
    EXPECT_EQ(g_model.itemDragX, 0);
}

// A system text dropped: within its bar it stays in the bar's own items; into another bar it
// moves to that bar's own items with its top kept against the first staff; with Ctrl below the
// system's first staff it becomes a track text of the staff it lands on.
TEST_F(WordEdit, ASystemTextMovesBetweenBarsAndACtrlDropBelowTheFirstStaffMakesATrackText) {
    Build(2, {2, 1});
    g_model.currentScore = s->score.get();
    CScore* score = s->score.get();
    CLine* line = s->Line(0);
    CStaff* first = line->GetStaff(0);
    CStaff* second = line->GetStaff(1);
    fw::inputtest::Script input;
    struct Case {
        const char* what;
        int bar;
        int y;        // the drop's page y
        bool ctrl;
        int ownBar;   // the bar whose own items hold it after (-1: none)
        int track;    // the track whose bar holds it after (-1: none)
    };
    const Case cases[] = {
        {"within its bar", 0, first->OffsetToY(-600), false, 0, -1},
        {"into the next bar", 1, first->OffsetToY(-600), false, 1, -1},
        {"with Ctrl above the first staff", 1, first->OffsetToY(-600), true, 1, -1},
        {"with Ctrl onto the second staff", 1, second->OffsetToY(0), true, -1, 1},
        {"without Ctrl onto the second staff", 1, second->OffsetToY(0), false, 1, -1},
    };
    const auto texts = [&](CBar* bar) {
        std::vector<CBarItem*> out;
        CBarItem* it = bar->GetFirstItem();
        for (int i = 0, n = bar->GetItemCount(); it && i < n; ++i, it = it->NextItem())
            if (it->IsText() && !it->IsRemoved()) out.push_back(it);
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int b = 0; b < score->GetBarCount(); ++b)
            for (CBarItem* it : texts(score->GetBar(b))) it->SetFlagsB(std::uint8_t(it->FlagsB() | CBarItem::kRemovedBit));
        std::vector<std::uint8_t> bytes(128);
        CText* made = CText::MakePlain(bytes.data(), 128, CText::kTypeCode, CText::kStaffText, "Tutti", FontRef{0, 12, 0, 0}, false);
        rec::Put<std::uint8_t>(made, CText::kPlacement, std::uint8_t(made->PlacementFlags() | CText::kSystemTextBit));
        made->SetY(-600);
        ASSERT_FALSE(made->IsTrackText());
        CBarItem* t = s->Bar(0)->InsertItemSorted(made);
        ASSERT_NE(t, nullptr);
        input.SetDown(VK_CONTROL, c.ctrl);
        CBar* to = s->Bar(c.bar);
        ScoreLocation start;
        start.bar = s->Bar(0);
        start.trkBar = s->TrkBar(0, 0);
        start.pointX = to->FractionToX(512);
        start.pointY = c.y;
        ScoreLocation end = start;
        g_model.itemDragX = 25;
        CBarItem* placed = t->PlaceAtPoint(start, end);
        ASSERT_NE(placed, nullptr);
        EXPECT_EQ(g_model.itemDragX, 0);
        EXPECT_NEAR(placed->PositionField(), 512, 3);
        const auto* pt = static_cast<CText*>(placed);
        EXPECT_NEAR(to->FractionToX(placed->PositionField()) + first->ScaleOffset(pt->GetX()), start.pointX, 1);
        if (c.ownBar >= 0) {
            const std::vector<CBarItem*> held = texts(s->Bar(c.ownBar));
            ASSERT_EQ(held.size(), 1u);
            EXPECT_EQ(held[0], placed);
            EXPECT_FALSE(pt->IsTrackText());
            EXPECT_EQ(pt->GetY(), c.bar == 0 ? -600 : first->YToOffset(c.y)) << "its top kept";
            if (c.ownBar != 0) {
                EXPECT_TRUE(texts(s->Bar(0)).empty()) << "gone from its old bar";
            }
        } else {
            EXPECT_TRUE(texts(s->Bar(0)).empty());
            EXPECT_TRUE(texts(s->Bar(c.bar)).empty());
            int inTrack = 0;
            trkbar::ForEachLiveItem(s->TrkBar(c.track, c.bar), [&](CBarItem* it) { inTrack += it == placed ? 1 : 0; });
            EXPECT_EQ(inTrack, 1);
            EXPECT_TRUE(pt->IsTrackText()) << "the system-text bit cleared";
            EXPECT_FALSE(placed->IsRemoved());
            EXPECT_EQ(pt->GetY(), second->YToOffset(c.y));
        }
    }
}

TEST_F(WordEdit, APageTextIsHitOnItsPagesAtItsCornerAndNudgesAtLeastAUnit) {
    CPage* page = s->score->GetPage(0);
    g_model.currentPage = page;
    std::vector<std::uint8_t> bytes(128);
    CText* t = CText::MakePlain(bytes.data(), 128, CText::kPageTypeCode, CText::kPageText, "Page header", FontRef{0, 14, 0, 0}, false);
    rec::Put<std::int16_t>(t, CText::kPageNumber, std::int16_t(page->GetIndex()));
    const RECT r = Bounds(t);
    ASSERT_GT(r.right, r.left);
    EXPECT_TRUE(t->HitTest((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    EXPECT_EQ(g_model.hitPart, 0);
    EXPECT_TRUE(t->HitTest(r.right - 1, r.bottom - 1));
    EXPECT_EQ(g_model.hitPart, 2);
    EXPECT_FALSE(t->HitTest(r.right + 3, r.bottom));
    // Filter "odd pages" on an even page: not there.
    rec::Put<std::uint8_t>(t, CText::kPlacement, std::uint8_t((t->PlacementFlags() & ~0x38) | (CText::kOddPages << 3)));
    EXPECT_EQ(t->HitTest((r.left + r.right) / 2, (r.top + r.bottom) / 2), page->GetIndex() % 2 == 1);
    rec::Put<std::uint8_t>(t, CText::kPlacement, std::uint8_t(t->PlacementFlags() & ~0x38));
    // Each nudge moves what shows.
    const RECT was = Bounds(t);
    t->Nudge(1, 0);
    EXPECT_GT(Bounds(t).left, was.left);
    t->Nudge(0, -1);
    EXPECT_LT(Bounds(t).top, was.top);
    // The end of a drag folds the shared offset in and brings the text back.
    t->SetFlagsB(std::uint8_t(t->FlagsB() | CBarItem::kRemovedBit));
    const int x = t->GetX();
    g_model.itemDragX = 25;
    t->EndDrag(nullptr);
    EXPECT_EQ(t->GetX(), x + 25);
    EXPECT_EQ(g_model.itemDragX, 0);
    EXPECT_FALSE(t->IsRemoved());
    // The drag's image is the text drawn where it stands, though no drag marked it the dragged
    // item.
    g_model.dragItem = nullptr;
    artist.log.clear();
    t->Draw();
    const std::vector<std::string> drawn = artist.log;
    ASSERT_FALSE(drawn.empty());
    artist.log.clear();
    t->DrawDragFeedback();
    EXPECT_EQ(artist.log, drawn);
    // Removing one of the score's page texts takes it out of their array at once; a copy
    // outside the array is only marked.
    CPageTextArray* texts = s->score->GetPageTextArray();
    ASSERT_NE(texts, nullptr);
    const int before = texts->GetCount();
    auto* held = static_cast<CBarItem*>(texts->Add(t));
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(texts->GetCount(), before + 1);
    held->MarkRemoved();
    EXPECT_EQ(texts->GetCount(), before);
    t->MarkRemoved();
    EXPECT_TRUE(t->IsRemoved());
}

TEST_F(WordEdit, ATempoMarkHasATextPartAndAMetronomePartThatDragApart) {
    std::vector<std::uint8_t> bytes(CTempo::kSize + 16);
    CTempo* made = MakeTempoItem(bytes.data(), 12000);
    std::strcpy(reinterpret_cast<char*>(made->Bytes() + CTempo::kText), "Allegro");
    made->Bytes()[CTempo::kUnit] |= CTempo::kTextShownBit;
    rec::Put<std::int16_t>(made, CTempo::kTextFont + 2, 14);
    auto* t = Place<CTempo>(made, 0);
    const RECT text = Bounds(t, 0), metro = Bounds(t, 1), all = Bounds(t);
    ASSERT_GT(text.right, text.left);
    ASSERT_GT(metro.right, metro.left);
    EXPECT_LE(text.right, metro.left) << "the metronome mark follows the text";
    EXPECT_EQ(all.left, text.left);
    EXPECT_EQ(all.right, metro.right);
    EXPECT_EQ(text.bottom, s->Line(0)->GetStaff(0)->OffsetToY(t->GetY()));
    EXPECT_TRUE(t->HitTest((text.left + text.right) / 2, text.bottom - 2));
    EXPECT_EQ(g_model.hitPart, 0);
    EXPECT_TRUE(t->HitTest((metro.left + metro.right) / 2, metro.bottom - 2));
    EXPECT_EQ(g_model.hitPart, 1) << "beside a text the metronome mark drags by itself";
    EXPECT_FALSE(t->HitTest(metro.right + 5, metro.bottom - 2));
    CDragTask drag;
    drag.dx = 10;
    drag.dy = 5;
    g_model.hitPart = 1;
    t->DragBy(&drag);
    const auto units = [&](int v) { return s->Line(0)->GetStaff(0)->UnscaleOffset(v); };
    EXPECT_EQ(rec::Get<std::int16_t>(t, CTempo::kMetronomeX), units(10));
    EXPECT_EQ(rec::Get<std::int16_t>(t, CTempo::kMetronomeY), units(5));
    EXPECT_EQ(t->GetX(), 0);
    g_model.hitPart = 0;
    t->DragBy(&drag);
    EXPECT_EQ(t->GetX(), units(10));
    EXPECT_EQ(t->GetY(), -480 + units(5));
    // Without a text the metronome mark is the whole mark: part 0.
    t->Bytes()[CTempo::kUnit] &= std::uint8_t(~CTempo::kTextShownBit);
    const RECT alone = Bounds(t, 1);
    EXPECT_TRUE(Bounds(t, 0).right == Bounds(t, 0).left);
    EXPECT_TRUE(t->HitTest((alone.left + alone.right) / 2, alone.bottom - 2));
    EXPECT_EQ(g_model.hitPart, 0);
}

// A tempo mark dropped by its text: where its left lands in a bar, and past the end of a bar
// that is not its system's last, at the start of the next bar, drawn where it was let go; the
// metronome part dragged by itself places nothing.
TEST_F(WordEdit, ATempoMarkDroppedPastItsBarsEndGoesToTheNextBarsStart) {
    Build(1, {2, 1});
    g_model.currentScore = s->score.get();
    CScore* score = s->score.get();
    CStaff* staff = s->Line(0)->GetStaff(0);
    struct Case {
        const char* what;
        int bar;        // the bar the mark is in
        int at;         // where its left is let go: a position of the bar, or 1024 + n: n past its notes' end
        int part;
        int bar2, position2;  // where it is after (position -1: about 512)
    };
    const Case cases[] = {
        {"inside its bar", 0, 512, 0, 0, -1},
        {"past the end of the system's first bar", 0, 1024 + 1, 0, 1, 0},
        {"past the end of the system's last bar", 1, 1024 + 1, 0, 1, 1023},
        {"the metronome part alone", 0, 1024 + 1, 1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CBar* bar = score->GetBar(b);
            CBarItem* it = bar->GetFirstItem();
            for (int i = 0, n = bar->GetItemCount(); it && i < n; ++i, it = it->NextItem())
                if (it->IsTempo()) it->SetFlagsB(std::uint8_t(it->FlagsB() | CBarItem::kRemovedBit));
        }
        CBar* bar = score->GetBar(c.bar);
        std::vector<std::uint8_t> bytes(CTempo::kSize + 16);
        CTempo* made = MakeTempoItem(bytes.data(), 12000);
        CBarItem* t = bar->InsertItemSorted(made);
        ASSERT_NE(t, nullptr);
        const int y = static_cast<CTempo*>(t)->GetY();
        const int x = c.at > 1024 ? bar->FractionToX(1024) + (c.at - 1024) : bar->FractionToX(c.at);
        ASSERT_LT(bar->FractionToX(1024) + 1, bar->GetRight()) << "room after the bar's notes";
        ScoreLocation start;
        start.bar = bar;
        start.barIndex = std::int16_t(c.bar);
        start.trkBar = s->TrkBar(0, c.bar);
        start.staff = staff;
        start.trackIndex = 0;
        start.systemIndex = 0;
        start.pointX = x;
        start.pointY = staff->OffsetToY(y);
        ScoreLocation end = start;
        g_model.dragStart = start;
        g_model.hitPart = std::int16_t(c.part);
        // Measured before the drop, whose recalculation lays the bars out again.
        CBar* next = score->GetBar(std::min(c.bar + 1, score->GetBarCount() - 1));
        const int nextOffset = next->XToItemOffset(x, 0, staff);
        CBarItem* placed = t->PlaceAtPoint(start, end);
        if (c.part != 0) {
            EXPECT_EQ(placed, nullptr);
            EXPECT_EQ(t->PositionField(), 0);
            continue;
        }
        ASSERT_NE(placed, nullptr);
        EXPECT_TRUE(placed->IsTempo());
        EXPECT_EQ(start.barIndex, c.bar2);
        if (c.position2 >= 0) {
            EXPECT_EQ(placed->PositionField(), c.position2);
        } else {
            EXPECT_NEAR(placed->PositionField(), 512, 3);
        }
        EXPECT_EQ(static_cast<CTempo*>(placed)->GetY(), y) << "the mark keeps its height";
        if (c.bar2 != c.bar) EXPECT_EQ(static_cast<CTempo*>(placed)->GetX(), nextOffset) << "drawn where it was let go";
        int live = 0;
        for (int b = 0; b < score->GetBarCount(); ++b) {
            CBar* each = score->GetBar(b);
            CBarItem* it = each->GetFirstItem();
            for (int i = 0, n = each->GetItemCount(); it && i < n; ++i, it = it->NextItem())
                live += it->IsTempo() && !it->IsRemoved() ? 1 : 0;
        }
        EXPECT_EQ(live, 1);
    }
}

TEST_F(WordEdit, ASyllableHitsItsHyphenDragsAndNudges) {
    const FontRef font{0, 12, 0, 0};
    std::vector<std::uint8_t> bytes(CLyric::SizeFor(4) + 4);
    CLyric* made = CLyric::Make(bytes.data(), 0, 0, 0, "Glo", font);
    made->SetLyricFlags(std::uint8_t(made->LyricFlags() | CLyric::kHyphenBit));
    auto* l = Place<CLyric>(made, 128);
    const RECT r = Bounds(l);
    ASSERT_GT(r.right, r.left);
    CStaff* staff = s->Line(0)->GetStaff(0);
    const int space = staff->Space();
    artist.PushFont();
    l->UseFont(font);
    const int width = artist.TextWidth("Glo");
    artist.PopFont();
    EXPECT_GT(r.right - r.left, width) << "the box reaches to the hyphen";
    EXPECT_TRUE(l->HitTestShape(r.right - 1, (r.top + r.bottom) / 2));
    EXPECT_EQ(g_model.hitPart, 1);
    EXPECT_TRUE(l->HitTestShape(r.left + 1, (r.top + r.bottom) / 2));
    EXPECT_EQ(g_model.hitPart, r.left + 1 > r.right - 2 * space ? 1 : 0);
    EXPECT_FALSE(l->HitTestShape(r.right + 2, (r.top + r.bottom) / 2));
    CDragTask drag;
    drag.dx = 40;
    drag.dy = 30;
    g_model.hitPart = 1;
    l->DragBy(&drag);
    const auto units = [&](int v) { return s->Line(0)->GetStaff(0)->UnscaleOffset(v); };
    EXPECT_EQ(l->GetHyphenOffset(), units(40));
    EXPECT_EQ(l->GetY(), 0);
    g_model.hitPart = 0;
    l->DragBy(&drag);
    EXPECT_EQ(l->GetY(), units(30)) << "a plain drag moves it up and down";
    drag.horizontal = 1;
    l->DragBy(&drag);
    EXPECT_EQ(l->GetX(), units(40));
    const int y = staff->OffsetToY(staff->GetLyricOffset(0) + l->GetY());
    l->Nudge(0, 1);
    EXPECT_LT(staff->OffsetToY(staff->GetLyricOffset(0) + l->GetY()), y) << "up a row";
    const int x = staff->ScaleOffset(l->GetX());
    l->Nudge(-1, 0);
    EXPECT_LT(staff->ScaleOffset(l->GetX()), x);
    // A syllable without text has no box and is never hit.
    std::vector<std::uint8_t> empty(CLyric::SizeFor(0) + 2);
    auto* blank = Place<CLyric>(CLyric::Make(empty.data(), 0, 1, 0, "", font), 512);
    const RECT b = Bounds(blank);
    EXPECT_EQ(b.right, b.left);
    EXPECT_FALSE(blank->HitTestShape(b.left, b.top));
}

TEST_F(WordEdit, ASymbolsBoxFollowsItsGlyphAndABarLineMarkKeepsItsHeight) {
    std::vector<std::uint8_t> bytes(CSymbol::kSize);
    CSymbol* made = CSymbol::Make(bytes.data(), 'x', FontRef{0, 18, 0, 0}, 0);
    auto* sym = Place<CSymbol>(made, 512);
    const RECT r = Bounds(sym);
    CStaff* staff = s->Line(0)->GetStaff(0);
    EXPECT_EQ(r.left, s->Bar(0)->FractionToX(512));
    EXPECT_LT(r.top, staff->OffsetToY(0));
    EXPECT_GT(r.right, r.left);
    EXPECT_TRUE(sym->HitTest((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    CDragTask drag;
    drag.dx = 12;
    drag.dy = -24;
    sym->DragBy(&drag);
    EXPECT_EQ(sym->GetX(), staff->UnscaleOffset(12));
    EXPECT_EQ(sym->GetY(), staff->UnscaleOffset(-24));
    std::vector<std::uint8_t> mark(CSymbol::kSize);
    auto* line = Place<CSymbol>(CSymbol::Make(mark.data(), 'x', FontRef{0, 18, 0, 0}, CSymbol::kBarLineBit), 512);
    line->DragBy(&drag);
    EXPECT_EQ(line->GetX(), staff->UnscaleOffset(12));
    EXPECT_EQ(line->GetY(), 0) << "a bar-line mark keeps its height";
    const RECT m = Bounds(line);
    EXPECT_EQ(m.right - m.left, 1 + 2 * (staff->Space() / 2));
    EXPECT_LT(m.top, staff->GetTopLine());
}

// A dragged symbol dropped through its end points lands where it was drawn when let go (its
// position taking what the drag moved), whatever its kind: a text character on its baseline, a
// centred music glyph, a bar-line mark that keeps its height. Its playback description.
TEST_F(WordEdit, ADroppedSymbolLandsWhereItWasLetGoAndDescribesItsPlayback) {
    CStaff* staff = s->Line(0)->GetStaff(0);
    struct Case {
        const char* what;
        std::uint8_t flags;
        int dy;
    };
    const Case cases[] = {
        {"a text character", 0, -30},
        {"a centred music glyph", CSymbol::kMusicFontBit | CSymbol::kCentredBit, -30},
        {"a bar-line mark", CSymbol::kBarLineBit, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bytes(CSymbol::kSize);
        auto* sym = Place<CSymbol>(CSymbol::Make(bytes.data(), c.flags & CSymbol::kMusicFontBit ? 65 : 'x', FontRef{0, 18, 0, 0}, c.flags), 256);
        sym->SetY(-400);
        const RECT before = Bounds(sym);
        POINT a{}, b{};
        sym->GetEndPoints(&a, &b);
        if (c.flags == 0) {
            EXPECT_EQ(a.y, staff->OffsetToY(-400)) << "on its baseline";
            EXPECT_EQ(b.y, a.y);
            EXPECT_EQ(b.x - a.x, before.right - before.left) << "the character's width";
        } else {
            EXPECT_EQ(a.x, before.left);
            EXPECT_EQ(a.y, before.top);
            EXPECT_EQ(b.x, before.right);
            EXPECT_EQ(b.y, before.bottom);
        }
        CDragTask drag;
        drag.dx = 12;
        drag.dy = c.dy;
        sym->DragBy(&drag);
        sym->GetEndPoints(&a, &b);
        ScoreLocation start;
        start.bar = s->Bar(0);
        start.trkBar = tb;
        start.staff = staff;
        start.pointX = a.x;
        start.pointY = a.y;
        ScoreLocation end = start;
        end.pointX = b.x;
        end.pointY = b.y;
        g_model.dragStart = start;
        g_model.hitPart = 0;
        CBarItem* placed = sym->PlaceAtPoint(start, end);
        ASSERT_EQ(placed, sym);
        tb->SetCurrent();
        const RECT after = Bounds(sym);
        EXPECT_NEAR(after.left - before.left, 12, 1);
        EXPECT_NEAR(after.top - before.top, c.dy, 1);
        EXPECT_GT(sym->PositionField(), 256) << "the position takes the move";
        if (c.dy == 0) EXPECT_EQ(sym->GetY(), -400);
    }
    std::vector<std::uint8_t> bytes(CSymbol::kSize);
    auto* sym = Place<CSymbol>(CSymbol::Make(bytes.data(), 'x', FontRef{0, 18, 0, 0}, 0), 512);
    std::uint8_t setting[CSymbol::kPlaybackSize] = {};
    setting[4] = 8;  // controller 7
    setting[6] = 90;
    sym->SetPlayback(setting);
    SymbolPlayback out;
    EXPECT_TRUE(DescribeSymbolPlayback(*sym, *s->Bar(0), out));
    EXPECT_EQ(out.bar, 0);
    EXPECT_EQ(out.position, 512);
    EXPECT_EQ(out.time, sym->GetTimeWithOffset());
    EXPECT_EQ(out.timeAgain, out.time);
    EXPECT_EQ(out.setting[4], 8);
    EXPECT_EQ(out.setting[6], 90);
}

TEST_F(WordEdit, DoubleClicksRunTheEditCommands) {
    std::vector<std::uint8_t> tempo(CTempo::kSize + 16), text(CSymbol::kSize), music(CSymbol::kSize);
    struct Case {
        CBarItem* item;
        std::vector<std::string> tasks;
    } cases[] = {
        {MakeTempoItem(tempo.data(), 9000), {"CAddTempoTask"}},
        {CSymbol::Make(text.data(), 'a', FontRef{0, 12, 0, 0}, 0), {"CEditPlaybackTask"}},
        {CSymbol::Make(music.data(), 142, FontRef{0, 24, 0, 0}, CSymbol::kMusicFontBit), {}},
    };
    for (const Case& c : cases) {
        commandtest::MadeTasks made;
        c.item->OpenProperties(0, 0);
        EXPECT_EQ(made.classes, c.tasks) << c.item->TypeCode();
    }
}
