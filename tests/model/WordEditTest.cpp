// The mouse and the keys on the score's words and signs: a text's handle and edge hit parts, its
// drag through the shared offset and the frame margin, a page text's corner, filter and nudge,
// the tempo mark's text and metronome parts, a syllable's hyphen part, drags and nudge, a
// symbol's box and drags, and the double clicks that run the edit commands.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "model/DragTask.h"
#include "model/ItemArray.h"
#include "model/Lyric.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/ScoreStandIns.h"
#include "model/Symbol.h"
#include "model/Tempo.h"
#include "model/Text.h"
#include "model/TrkBar.h"
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
        g_model.dragOffsetX = 0;
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
    EXPECT_EQ(g_model.dragOffsetX, 30);
    EXPECT_EQ(t->GetX(), x) << "the x offset waits for the drop";
    EXPECT_EQ(t->GetY(), y - 20);
    EXPECT_GT(Bounds(t).left, before.left);
    const int margin = rec::Get<std::int16_t>(t, CText::kFrameMarginY);
    g_viewDrag.modifierFlagA = true;
    t->DragBy(&drag);
    EXPECT_EQ(t->GetY(), y - 20) << "the held key moves the margin, not the text";
    EXPECT_EQ(rec::Get<std::int16_t>(t, CText::kFrameMarginY), margin - 20);
    EXPECT_EQ(g_model.dragOffsetX, 60);
    // A drop that places nothing anew keeps the move.
    t->EndDrag(nullptr);
    EXPECT_EQ(t->GetX(), x + 60);
    EXPECT_EQ(g_model.dragOffsetX, 0);
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
    g_model.dragOffsetX = 25;
    t->EndDrag(nullptr);
    EXPECT_EQ(t->GetX(), x + 25);
    EXPECT_EQ(g_model.dragOffsetX, 0);
    EXPECT_FALSE(t->IsRemoved());
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
    EXPECT_EQ(rec::Get<std::int16_t>(t, CTempo::kMetronomeX), 10);
    EXPECT_EQ(rec::Get<std::int16_t>(t, CTempo::kMetronomeY), 5);
    EXPECT_EQ(t->GetX(), 0);
    g_model.hitPart = 0;
    t->DragBy(&drag);
    EXPECT_EQ(t->GetX(), 10);
    EXPECT_EQ(t->GetY(), -480 + 5);
    // Without a text the metronome mark is the whole mark: part 0.
    t->Bytes()[CTempo::kUnit] &= std::uint8_t(~CTempo::kTextShownBit);
    const RECT alone = Bounds(t, 1);
    EXPECT_TRUE(Bounds(t, 0).right == Bounds(t, 0).left);
    EXPECT_TRUE(t->HitTest((alone.left + alone.right) / 2, alone.bottom - 2));
    EXPECT_EQ(g_model.hitPart, 0);
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
    EXPECT_EQ(l->GetHyphenOffset(), 40);
    EXPECT_EQ(l->GetY(), 0);
    g_model.hitPart = 0;
    l->DragBy(&drag);
    EXPECT_EQ(l->GetY(), 30) << "a plain drag moves it up and down";
    drag.horizontal = 1;
    l->DragBy(&drag);
    EXPECT_EQ(l->GetX(), 40);
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
    EXPECT_EQ(sym->GetX(), 12);
    EXPECT_EQ(sym->GetY(), -24);
    std::vector<std::uint8_t> mark(CSymbol::kSize);
    auto* line = Place<CSymbol>(CSymbol::Make(mark.data(), 'x', FontRef{0, 18, 0, 0}, CSymbol::kBarLineBit), 512);
    line->DragBy(&drag);
    EXPECT_EQ(line->GetX(), 12);
    EXPECT_EQ(line->GetY(), 0) << "a bar-line mark keeps its height";
    const RECT m = Bounds(line);
    EXPECT_EQ(m.right - m.left, 1 + 2 * (staff->Space() / 2));
    EXPECT_LT(m.top, staff->GetTopLine());
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
