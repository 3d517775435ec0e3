// The selection of a document: marking items widens the extent and counts them by kind, the
// clone keeps the whole object, deselecting everything unboxes every bar and leaves no mark in
// the score (an undo included), recounting renews what deselecting one part leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "edit/Commands.h"
#include "edit/DeleteTask.h"
#include "edit/EditFixture.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Data.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Select.h"
#include "model/System.h"
#include "platform/PlatformGlobals.h"
#include "platform/StdDlgGlobals.h"
#include "support/TestData.h"

namespace {

using edittest::EditScore;

constexpr int kWhole = CSelect::kWhole;

CTrkBar* TB(EditScore& s, int t, int b) { return s.score->GetTrkBar(t, b); }

bool Boxed(EditScore& s, int t, int b) { return (TB(s, t, b)->GetFlags() & 1) != 0; }

// Every selected record and head of the score: (track, bar, item index, head or -1).
std::vector<std::vector<int>> Marks(CScore& score) {
    std::vector<std::vector<int>> out;
    for (int t = 0; t < score.GetTrackCount(); ++t)
        for (int b = 0; b < score.GetBarCount(); ++b) {
            int k = 0;
            for (CBarItem* i = score.GetTrkBar(t, b)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem(), ++k) {
                if (i->IsSelectedBit()) out.push_back({t, b, k, -1});
                if (i->IsNoteOrRawNote())
                    for (int h = 0; h < static_cast<CRawNote*>(i)->HeadCountField(); ++h)
                        if (static_cast<CRawNote*>(i)->Head(h)->IsSelected()) out.push_back({t, b, k, h});
            }
            CItemArray* own = score.GetBar(b)->GetItemArray();
            for (int i = 0; own && i < own->GetCount(); ++i)
                if (static_cast<CBarItem*>(own->GetAt(i))->IsSelectedBit()) out.push_back({-1, b, i, -1});
        }
    return out;
}

TEST(Selection, TheCloneCopiesTheWholeObject) {
    EditScore s;
    CSelect* sel = s.doc->GetSelection();
    sel->itemCount = 7, sel->noteCount = 3, sel->rawNoteCount = 2, sel->specialNoteCount = 1;
    sel->beamCount = 4, sel->chordCount = 5, sel->boxedCount = 6;
    sel->anchorTrack = 2, sel->anchorBar = 9, sel->anchorTime = 480, sel->anchorPosition = 256;
    sel->rectMode = 1;
    sel->invalidRect = RECT{1, 2, 3, 4};
    for (int i = 0; i < 6; ++i) sel->lower[i] = std::int16_t(10 + i), sel->upper[i] = std::int16_t(20 + i);
    sel->AddDirtyRect(RECT{0, 0, 10, 10}, 0);
    sel->AddDirtyRect(RECT{5, 5, 30, 12}, 0);  // one entry per page, unioned
    sel->AddDirtyRect(RECT{1, 1, 2, 2}, 3);
    sel->AddDirtyRect(RECT{4, 4, 4, 9}, 3);    // empty: ignored

    std::unique_ptr<CSelect> copy(static_cast<CSelect*>(sel->Clone()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->itemCount, 7);
    EXPECT_EQ(copy->noteCount, 3);
    EXPECT_EQ(copy->rawNoteCount, 2);
    EXPECT_EQ(copy->specialNoteCount, 1);
    EXPECT_EQ(copy->beamCount, 4);
    EXPECT_EQ(copy->chordCount, 5);
    EXPECT_EQ(copy->boxedCount, 6);
    EXPECT_EQ(copy->anchorTrack, 2);
    EXPECT_EQ(copy->anchorBar, 9);
    EXPECT_EQ(copy->anchorTime, 480);
    EXPECT_EQ(copy->anchorPosition, 256);
    EXPECT_EQ(copy->rectMode, 1);
    EXPECT_EQ(copy->document, s.doc.get());
    EXPECT_EQ(copy->score, s.score);
    EXPECT_EQ(copy->invalidRect.right, 3);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(copy->lower[i], 10 + i);
        EXPECT_EQ(copy->upper[i], 20 + i);
    }
    ASSERT_EQ(copy->GetCount(), 2);
    EXPECT_EQ(copy->RedrawEntry(0)->page, 0);
    EXPECT_EQ(copy->RedrawEntry(0)->rect.right, 30);
    EXPECT_EQ(copy->RedrawEntry(0)->rect.bottom, 12);
    EXPECT_EQ(copy->RedrawEntry(1)->page, 3);
    EXPECT_NE(copy->GetData(), sel->GetData()) << "the clone holds its own redraw list";
    sel->Reset();
    EXPECT_EQ(copy->GetCount(), 2) << "resetting the original leaves the clone";
    EXPECT_EQ(sel->GetCount(), 0);
    EXPECT_EQ(sel->rectMode, 0);
    EXPECT_EQ(sel->lower[kExtentBar], 32767);
    EXPECT_EQ(sel->upper[kExtentBar], -1);
}

TEST(Selection, MarkingItemsWidensTheExtent) {
    struct Mark {
        int track, bar, time;
    };
    struct Case {
        const char* why;
        std::vector<Mark> marks;
        int lowerBar, lowerTime, upperBar, upperTime, lowerTrack, upperTrack;
    };
    const Case cases[] = {
        {"one bar in any order", {{0, 2, 960}, {0, 2, 0}, {0, 2, 1440}, {0, 2, 480}}, 2, 0, 2, 1440, 0, 0},
        {"an earlier bar resets the lower time first", {{0, 3, 0}, {0, 3, 480}, {1, 1, 960}}, 1, 960, 3, 480, 0, 1},
        {"a later bar resets the upper time first", {{2, 4, 1440}, {0, 6, 480}}, 4, 1440, 6, 480, 0, 2},
        {"items between the end bars leave the times", {{0, 1, 960}, {0, 5, 480}, {1, 3, 0}}, 1, 960, 5, 480, 0, 1},
    };
    for (const Case& c : cases) {
        EditScore s;
        CSelect* sel = s.doc->GetSelection();
        sel->Reset();
        for (const Mark& m : c.marks) {
            CBarItem* rest = s.AddRest(m.track, m.bar, m.time, 0, false);
            rest->SetPositionField(std::int16_t(m.time / 2));
            sel->MarkItem(rest, kWhole, TB(s, m.track, m.bar));
            EXPECT_TRUE(rest->IsSelectedBit()) << c.why;
        }
        EXPECT_EQ(sel->itemCount, int(c.marks.size())) << c.why;
        EXPECT_EQ(sel->lower[kExtentBar], c.lowerBar) << c.why;
        EXPECT_EQ(sel->upper[kExtentBar], c.upperBar) << c.why;
        EXPECT_EQ(sel->lower[kExtentTime], c.lowerTime) << c.why;
        EXPECT_EQ(sel->upper[kExtentTime], c.upperTime) << c.why;
        EXPECT_EQ(sel->lower[kExtentPosition], c.lowerTime / 2) << c.why;
        EXPECT_EQ(sel->upper[kExtentPosition], c.upperTime / 2) << c.why;
        EXPECT_EQ(sel->lower[kExtentTrack], c.lowerTrack) << c.why;
        EXPECT_EQ(sel->upper[kExtentTrack], c.upperTrack) << c.why;
        EXPECT_EQ(sel->lower[kExtentPage], 0) << c.why;
        EXPECT_EQ(sel->lower[kExtentSystem], TB(s, 0, c.lowerBar)->GetLine()->GetIndex()) << c.why;
        EXPECT_EQ(sel->upper[kExtentSystem], TB(s, 0, c.upperBar)->GetLine()->GetIndex()) << c.why;
    }
}

TEST(Selection, MarkingCountsByKind) {
    enum Counter { kNotes, kSpecial, kRaw, kChords, kBeams, kNone };
    struct Case {
        const char* why;
        int type;
        bool special;
        Counter counter;
    };
    const Case cases[] = {
        {"a note", 144, false, kNotes},
        {"a note with special heads", 144, true, kSpecial},
        {"a rest", 128, false, kNotes},
        {"a performance note", 112, false, kRaw},
        {"a chord symbol", 17, false, kChords},
        {"a guitar frame", 40, false, kChords},
        {"a beam", 16, false, kBeams},
        {"a slur", 27, false, kNone},
        {"a controller", 171, false, kNone},
    };
    for (const Case& c : cases) {
        EditScore s;
        CSelect* sel = s.doc->GetSelection();
        CBarItem* item = c.type == 144 ? s.AddNote(0, 1, 0, 3, {60, 64}) : TB(s, 0, 1)->NewItem(c.type, 0);
        ASSERT_NE(item, nullptr) << c.why;
        if (c.special) rec::Put<std::uint8_t>(item, 21, 0x80);
        sel->MarkItem(item, kWhole, TB(s, 0, 1));
        const int got[] = {sel->noteCount, sel->specialNoteCount, sel->rawNoteCount, sel->chordCount, sel->beamCount};
        for (int k = 0; k < 5; ++k) EXPECT_EQ(got[k], k == c.counter ? 1 : 0) << c.why << ": counter " << k;
        EXPECT_EQ(sel->itemCount, 1) << c.why;
        // Recount finds the same from the score.
        sel->itemCount = sel->noteCount = sel->specialNoteCount = sel->rawNoteCount = sel->chordCount = sel->beamCount = 9;
        EXPECT_EQ(sel->Recount(), item) << c.why;
        const int again[] = {sel->noteCount, sel->specialNoteCount, sel->rawNoteCount, sel->chordCount, sel->beamCount};
        for (int k = 0; k < 5; ++k) EXPECT_EQ(again[k], k == c.counter ? 1 : 0) << c.why << ": recounted " << k;
        EXPECT_EQ(sel->itemCount, 1) << c.why;
    }
}

TEST(Selection, AGraphicGivesTheToolItsPenAndTheColourFollowsOneItem) {
    EditScore s;
    CSelect* sel = s.doc->GetSelection();
    CBarItem* graphic = TB(s, 1, 2)->NewItem(66, 480);
    ASSERT_NE(graphic, nullptr);
    rec::Put<std::int16_t>(graphic, 20, 35);
    rec::Put<std::int16_t>(graphic, 18, 2);
    rec::Put<std::uint8_t>(graphic, 17, 0x05);  // option bit 1, two-bit option 2
    rec::Put<std::uint8_t>(graphic, CBarItem::kColor, 4);
    sel->MarkItem(graphic, kWhole, TB(s, 1, 2));
    EXPECT_EQ(g_model.graphicPen.lineWidth, 35);
    EXPECT_EQ(g_model.graphicPen.penStyle, 2);
    EXPECT_EQ(g_model.graphicPen.option1, 1);
    EXPECT_EQ(g_model.graphicPen.option2, 2);
    EXPECT_EQ(s.doc->selectedColor, 3) << "the colour byte minus 1";
    CBarItem* rest = s.AddRest(1, 2, 0, 0, false);
    sel->MarkItem(rest, kWhole, TB(s, 1, 2));
    EXPECT_EQ(s.doc->selectedColor, -1) << "more than one item";
    EXPECT_EQ(sel->itemCount, 2);
    EXPECT_EQ(sel->noteCount, 1) << "a graphic adds to no kind's count";
}

TEST(Selection, ClearAllOnAnEmptySelectionUnboxesEveryBarAndDeselectsPageTexts) {
    EditScore s;
    if (!s.score->GetPageTextArray()) s.score->PageTextArraySlot() = std::make_unique<CPageTextArray>();
    std::uint8_t bytes[CBarItem::kSize] = {};
    CBarItem* record = CBarItem::Construct(bytes);
    rec::Put<std::uint8_t>(record, rec::kType, 12);
    record->Select();
    ASSERT_NE(s.score->GetPageTextArray()->Add(record), nullptr);
    for (auto [t, b] : {std::pair{0, 0}, {2, 23}, {1, 7}}) TB(s, t, b)->SetFlags(std::uint8_t(TB(s, t, b)->GetFlags() | 1));
    CSelect* sel = s.doc->GetSelection();
    sel->Reset();
    ASSERT_EQ(sel->itemCount, 0);
    sel->ClearAll();
    for (int t = 0; t < 3; ++t)
        for (int b = 0; b < s.score->GetBarCount(); ++b) EXPECT_FALSE(Boxed(s, t, b)) << t << " " << b;
    EXPECT_FALSE(static_cast<CBarItem*>(s.score->GetPageTextArray()->GetAt(0))->IsSelectedBit());
    EXPECT_TRUE(TB(s, 2, 23)->IsLast()) << "unboxing keeps the other flags";
}

TEST(Selection, ClearAllDeselectsTheExtentAndDeselectingAPartLeavesTheCountsToRecount) {
    EditScore s;
    CSelect* sel = s.doc->GetSelection();
    sel->Reset();
    CRawNote* chord = s.AddNote(0, 2, 0, 3, {60, 64, 67});
    sel->MarkItem(chord, kWhole, TB(s, 0, 2));
    CBarItem* rest = s.AddRest(1, 4, 960, 0, false);
    sel->MarkItem(rest, kWhole, TB(s, 1, 4));
    chord = static_cast<CRawNote*>(s.Live(0, 2)[0]);
    CBarItem* data = TB(s, 2, 3)->NewItem(171, 0);
    sel->MarkItem(data, kWhole, TB(s, 2, 3));
    ASSERT_EQ(sel->itemCount, 3);

    // Deselecting one head (the note's own deselection takes its mark too) leaves counts and
    // bounds; Recount renews the counts.
    sel->DeselectItem(chord, 1, TB(s, 0, 2), false);
    chord = static_cast<CRawNote*>(s.Live(0, 2)[0]);
    EXPECT_FALSE(chord->Head(1)->IsSelected());
    EXPECT_TRUE(chord->Head(0)->IsSelected());
    EXPECT_EQ(sel->itemCount, 3);
    EXPECT_EQ(sel->lower[kExtentBar], 2);
    sel->DeselectItem(rest, kWhole, TB(s, 1, 4), false);
    EXPECT_EQ(sel->itemCount, 3);
    EXPECT_EQ(sel->upper[kExtentBar], 4);
    EXPECT_EQ(sel->Recount(), data);
    EXPECT_EQ(sel->itemCount, 1) << "the controller alone";
    EXPECT_EQ(sel->noteCount, 0);
    EXPECT_EQ(sel->lower[kExtentBar], 2) << "recounting keeps the bounds";
    EXPECT_EQ(sel->upper[kExtentBar], 4) << "recounting keeps the bounds";

    sel->ClearAll();
    EXPECT_TRUE(Marks(*s.score).empty());
    EXPECT_EQ(sel->itemCount, 0);
    EXPECT_TRUE(sel->IsEmpty());
}

TEST(Selection, TheSelectedBarRangeIsThatOfTheBoxedBars) {
    struct Case {
        const char* why;
        std::vector<std::pair<int, int>> boxed;
        bool any;
        int first, last;
    };
    const Case cases[] = {
        {"none boxed", {}, false, 32767, -1},
        {"one", {{1, 5}}, true, 5, 5},
        {"over tracks", {{2, 9}, {0, 3}, {1, 12}}, true, 3, 12},
        {"the last bar", {{0, 23}}, true, 23, 23},
    };
    for (const Case& c : cases) {
        EditScore s;
        for (auto [t, b] : c.boxed) TB(s, t, b)->SetFlags(std::uint8_t(TB(s, t, b)->GetFlags() | 1));
        int first = 0, last = 0;
        EXPECT_EQ(s.doc->GetSelection()->GetSelectedBarRange(&first, &last), c.any) << c.why;
        EXPECT_EQ(first, c.first) << c.why;
        if (c.any) EXPECT_EQ(last, c.last) << c.why;
    }
}

TEST(Selection, AnUndoDeselectsEveryItemBeforeItsExchange) {
    EditScore s;
    testsupport::TempDir dir;
    fw::msgboxtest::Capture boxes;
    CSelect* sel = s.doc->GetSelection();
    s.AddNote(0, 1, 0, 3, {60, 64});
    s.AddNote(0, 1, 480, 3, {62})->SetPositionField(256);
    s.AddNote(1, 6, 0, 3, {48});
    // Clear what stands at the start of bar 1 (its undo brings that selection back with the
    // cleared items), then select bar 6 of the other track and undo.
    sel->SelectSpan(0, 1, 0, 0, 1, 10, true);
    ASSERT_TRUE(s.Live(0, 1)[0]->IsSelectedBit());
    ASSERT_FALSE(s.Live(0, 1).back()->IsSelectedBit());
    const auto before = Marks(*s.score);
    s.doc->OnCommandRange(CDeleteTask::kClear);
    sel->SelectSpan(1, 6, 0, 1, 6, 1024, true);
    ASSERT_TRUE(s.Live(1, 6)[0]->IsSelectedBit());
    s.doc->Undo();
    EXPECT_EQ(Marks(*s.score), before) << "the selection after the clear is gone, the one before it is back";
    EXPECT_EQ(static_cast<CRawNote*>(s.Live(0, 1)[0])->HeadCountField(), 2) << "the undo gave the cleared chord back";

    const std::string path = dir.path() + "/undone.zel";
    ASSERT_TRUE(s.doc->WriteNative(path));
    CZelDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(path.c_str()));
    EXPECT_EQ(Marks(*reread.GetScore()), before) << "no mark of the later selection was saved";
    s.doc->MakeCurrent();
}

// --- gestures -------------------------------------------------------------------------------

// The modifier keys and click count of a gesture, put back afterwards.
struct Gesture {
    Gesture(int clicks, bool shift, bool ctrl) {
        g_ui.clickCount = std::int16_t(clicks);
        g_platform.shiftDown = shift;
        g_platform.ctrlDown = ctrl;
    }
    ~Gesture() {
        g_ui.clickCount = 0;
        g_platform.shiftDown = g_platform.ctrlDown = 0;
    }
};

// A rest of track t's bar b at a time and position.
CBarItem* Rest(EditScore& s, int t, int b, int time, int position) {
    CBarItem* r = s.AddRest(t, b, time, 0, false);
    r->SetPositionField(std::int16_t(position));
    return r;
}

// The selected live items by (track, bar, time).
std::vector<std::vector<int>> Selected(EditScore& s) {
    std::vector<std::vector<int>> out;
    for (int t = 0; t < s.score->GetTrackCount(); ++t)
        for (int b = 0; b < s.score->GetBarCount(); ++b)
            for (CBarItem* i : s.Live(t, b))
                if (i->IsSelectedBit()) out.push_back({t, b, i->TimeField()});
    return out;
}

// Bars 2-4 of tracks 0 and 1 hold only rests at 0, 480, 960 and 1440 (positions time / 2).
void FillBars(EditScore& s) {
    for (int t = 0; t < 2; ++t)
        for (int b = 2; b <= 4; ++b) {
            for (CBarItem* i : s.Live(t, b)) i->MarkRemoved();
            TB(s, t, b)->Compact();
            for (int time = 0; time < 1920; time += 480) Rest(s, t, b, time, time / 2);
        }
}

void PlaceInsertion(EditScore& s, int t, int b, int time, int position, CBaseItem* item = nullptr) {
    ScoreLocation& L = s.doc->location;
    L.trackIndex = t;
    L.barIndex = std::int16_t(b);
    L.time = time;
    L.position = std::int16_t(position);
    L.systemIndex = TB(s, t, b)->GetLine()->GetIndex();
    L.item = item;
}

TEST(Selection, AClickAtTheInsertionPoint) {
    using V = std::vector<std::vector<int>>;
    struct Case {
        const char* why;
        int clicks;
        bool shift, ctrl;
        int track, bar, time, position;
        int anchorTrack, anchorBar, anchorTime;
        V before;  // selected first, with the extent they give
        V want;
        std::vector<std::pair<int, int>> boxed;
    };
    const V all3 = {{0, 3, 0}, {0, 3, 480}, {0, 3, 960}, {0, 3, 1440}};
    const Case cases[] = {
        {"a click on an empty spot takes the bar on the track", 1, false, false, 0, 3, 700, 350, 0, 0, 0, {{1, 2, 0}}, all3, {}},
        {"a double click also boxes the bar", 2, false, false, 0, 3, 700, 350, 0, 0, 0, {}, all3, {{0, 3}}},
        {"with Ctrl the items outside stay", 1, false, true, 0, 3, 700, 350, 0, 0, 0, {{1, 2, 0}},
         {{0, 3, 0}, {0, 3, 480}, {0, 3, 960}, {0, 3, 1440}, {1, 2, 0}}, {}},
        {"Shift extends from the anchor; at the end time a position below the click's counts", 1, true, false, 1, 3, 480, 300,
         0, 2, 960, {}, {{0, 2, 960}, {0, 2, 1440}, {0, 3, 0}, {0, 3, 480}, {1, 2, 960}, {1, 2, 1440}, {1, 3, 0}, {1, 3, 480}}, {}},
        {"Shift: at the end time a position at the click's is outside", 1, true, false, 1, 3, 480, 240, 0, 2, 960, {},
         {{0, 2, 960}, {0, 2, 1440}, {0, 3, 0}, {1, 2, 960}, {1, 2, 1440}, {1, 3, 0}}, {}},
        {"Shift backwards from the anchor", 1, true, false, 0, 2, 1440, 720, 0, 3, 480, {},
         {{0, 2, 1440}, {0, 3, 0}, {0, 3, 480}}, {}},
        {"a Shift double click takes whole bars from the extent to the click", 2, true, false, 0, 4, 0, 0, 0, 0, 0,
         {{0, 2, 960}}, {{0, 2, 960}, {0, 2, 1440}, {0, 3, 0}, {0, 3, 480}, {0, 3, 960}, {0, 3, 1440},
                         {0, 4, 0}, {0, 4, 480}, {0, 4, 960}, {0, 4, 1440}}, {{0, 2}, {0, 3}, {0, 4}}},
    };
    for (const Case& c : cases) {
        EditScore s;
        FillBars(s);
        CSelect* sel = s.doc->GetSelection();
        sel->Reset();
        for (const auto& w : c.before)
            for (CBarItem* i : s.Live(w[0], w[1]))
                if (i->TimeField() == w[2]) sel->MarkItem(i, kWhole, TB(s, w[0], w[1]));
        sel->anchorTrack = c.anchorTrack, sel->anchorBar = c.anchorBar, sel->anchorTime = c.anchorTime;
        PlaceInsertion(s, c.track, c.bar, c.time, c.position);
        {
            Gesture g(c.clicks, c.shift, c.ctrl);
            sel->SelectAtInsertionPoint();
        }
        EXPECT_EQ(Selected(s), c.want) << c.why;
        EXPECT_EQ(sel->itemCount, int(c.want.size())) << c.why;
        EXPECT_EQ(sel->noteCount, int(c.want.size())) << c.why;
        std::vector<std::pair<int, int>> boxed;
        for (int t = 0; t < 3; ++t)
            for (int b = 0; b < s.score->GetBarCount(); ++b)
                if (Boxed(s, t, b)) boxed.push_back({t, b});
        EXPECT_EQ(boxed, c.boxed) << c.why;
        EXPECT_EQ(s.doc->redrawIntoTask, 1) << c.why;
    }
}

TEST(Selection, ASingleClickOnAnItemSelectsItAloneAndOneThatTakesNoClickWalksTheBar) {
    EditScore s;
    FillBars(s);
    CSelect* sel = s.doc->GetSelection();
    Gesture g(1, false, false);
    CBarItem* hit = s.Live(1, 4)[2];
    PlaceInsertion(s, 1, 4, 960, 480, hit);
    sel->SelectAtInsertionPoint();
    EXPECT_EQ(Selected(s), (std::vector<std::vector<int>>{{1, 4, 960}}));
    EXPECT_EQ(sel->itemCount, 1);
    EXPECT_EQ(sel->GetCount(), 1) << "its rectangle waits to be redrawn";
    // A track record under the click is no bar item: the bar of the insertion point is walked.
    sel->ClearAll();
    PlaceInsertion(s, 1, 4, 960, 480, s.score->GetTrack(1));
    sel->SelectAtInsertionPoint();
    EXPECT_EQ(Selected(s), (std::vector<std::vector<int>>{{1, 4, 0}, {1, 4, 480}, {1, 4, 960}, {1, 4, 1440}}));
}

TEST(Selection, TheSelectToolsClickWithTheAnchor) {
    EditScore s;
    FillBars(s);
    CSelect* sel = s.doc->GetSelection();
    // A double click in the track-name margin takes the whole track.
    {
        Gesture g(2, false, false);
        PlaceInsertion(s, 1, 3, 0, 0);
        s.doc->location.pointX = TB(s, 1, 3)->GetLine()->GetLeft() - 10;
        sel->ExtendToPoint(nullptr);
    }
    for (int b = 0; b < s.score->GetBarCount(); ++b) {
        EXPECT_TRUE(Boxed(s, 1, b)) << b;
        EXPECT_FALSE(Boxed(s, 0, b)) << b;
    }
    EXPECT_EQ(sel->lower[kExtentTrack], 1);
    EXPECT_EQ(sel->upper[kExtentTrack], 1);
    EXPECT_EQ(sel->upper[kExtentBar], s.score->GetBarCount() - 1);
    const auto track = Selected(s);
    EXPECT_FALSE(track.empty());
    EXPECT_TRUE(std::all_of(track.begin(), track.end(), [](const auto& v) { return v[0] == 1; })) << "the track alone";
    sel->ClearAll();

    // Nothing selected: a click selects the item.
    Gesture g(1, true, false);
    s.doc->location.pointX = 100000;
    PlaceInsertion(s, 0, 2, 480, 240);
    s.doc->location.pointX = 100000;
    sel->ExtendToPoint(s.Live(0, 2)[1]);
    EXPECT_EQ(Selected(s), (std::vector<std::vector<int>>{{0, 2, 480}}));
    // Then a Shift click extends from the anchor to the click over the span of positions.
    sel->SetAnchor(s.doc->location);
    PlaceInsertion(s, 1, 3, 960, 480);
    s.doc->location.pointX = 100000;
    sel->ExtendToPoint(s.Live(1, 3)[2]);
    EXPECT_EQ(Selected(s), (std::vector<std::vector<int>>{{0, 2, 480}, {0, 2, 960}, {0, 2, 1440}, {0, 3, 0}, {0, 3, 480},
                                                          {0, 3, 960}, {1, 2, 480}, {1, 2, 960}, {1, 2, 1440}, {1, 3, 0},
                                                          {1, 3, 480}, {1, 3, 960}}));
    EXPECT_EQ(sel->itemCount, 12);
    // Back to before the anchor: the span runs from the click to the anchor, what lay beyond goes.
    PlaceInsertion(s, 0, 2, 0, 0);
    s.doc->location.pointX = 100000;
    sel->ExtendToPoint(s.Live(0, 2)[0]);
    EXPECT_EQ(Selected(s), (std::vector<std::vector<int>>{{0, 2, 0}, {0, 2, 480}}));
    EXPECT_EQ(sel->itemCount, 2);
}

TEST(Selection, WholeTracksAreClampedToTheScore) {
    struct Case {
        const char* why;
        int t1, t2;
        bool extend;
        int firstTrack, lastTrack;
    };
    const Case cases[] = {
        {"the last track with a large t2", 2, 40, false, 2, 2},
        {"a negative t1", -5, 0, false, 0, 0},
        {"extending keeps the tracks already in", 2, 2, true, 1, 2},
    };
    for (const Case& c : cases) {
        EditScore s;
        CSelect* sel = s.doc->GetSelection();
        sel->lower[kExtentTrack] = sel->upper[kExtentTrack] = 1;
        for (int t = 0; t < 3; ++t) s.AddRest(t, 4 + t, 960, 0, false);
        ASSERT_NE(TB(s, 2, 5)->NewItem(171, 0), nullptr);
        sel->SelectTracks(c.t1, c.t2, c.extend);
        EXPECT_EQ(sel->lower[kExtentTrack], c.firstTrack) << c.why;
        EXPECT_EQ(sel->upper[kExtentTrack], c.lastTrack) << c.why;
        EXPECT_EQ(sel->lower[kExtentBar], 0) << c.why;
        EXPECT_EQ(sel->upper[kExtentBar], s.score->GetBarCount() - 1) << c.why;
        int items = 0;
        for (int t = 0; t < s.score->GetTrackCount(); ++t)
            for (int b = 0; b < s.score->GetBarCount(); ++b) {
                const bool in = t >= std::max(c.t1, 0) && t <= std::min(c.t2, 2);
                EXPECT_EQ(Boxed(s, t, b), in) << c.why << " " << t << " " << b;
                for (CBarItem* i : s.Live(t, b)) {
                    EXPECT_EQ(i->IsSelectedBit(), in) << c.why;
                    if (in && !i->IsData()) ++items;
                }
            }
        EXPECT_EQ(sel->itemCount, items) << c.why << ": MIDI data gets its bit but no count";
        EXPECT_GT(items, 0) << c.why;
    }
}

TEST(Selection, ByTimeMarksHeadsByTheirPlayStart) {
    EditScore s;
    CSelect* sel = s.doc->GetSelection();
    const int bar2 = TB(s, 0, 2)->GetBarStart();
    CRawNote* chord = s.AddNote(0, 2, 480, 3, {60, 64, 67});
    chord->Head(1)->SetStartOffset(-40);
    chord->Head(2)->SetStartOffset(30);
    CBarItem* data = TB(s, 1, 2)->NewItem(171, 500);
    ASSERT_NE(data, nullptr);
    TB(s, 1, 2)->NewItem(171, 600);
    sel->SelectByTime(0, 1, bar2 + 440, bar2 + 500);
    chord = static_cast<CRawNote*>(s.Live(0, 2).back());
    for (CBarItem* i : s.Live(0, 2))
        if (i->IsNote()) chord = static_cast<CRawNote*>(i);
    EXPECT_TRUE(chord->IsSelectedBit());
    EXPECT_TRUE(chord->Head(0)->IsSelected()) << "play start 480";
    EXPECT_TRUE(chord->Head(1)->IsSelected()) << "play start 440";
    EXPECT_FALSE(chord->Head(2)->IsSelected()) << "play start 510";
    std::vector<int> dataTimes;
    for (CBarItem* i : s.Live(1, 2))
        if (i->IsData() && i->IsSelectedBit()) dataTimes.push_back(i->TimeField());
    EXPECT_EQ(dataTimes, std::vector<int>{500});
    EXPECT_EQ(sel->lower[kExtentTrack], 0);
    EXPECT_EQ(sel->upper[kExtentTrack], 1);
}

TEST(Selection, ASpanWithAndWithoutDeselectingOutside) {
    for (bool outside : {true, false}) {
        EditScore s;
        FillBars(s);
        CSelect* sel = s.doc->GetSelection();
        sel->MarkItem(s.Live(1, 4)[3], kWhole, TB(s, 1, 4));
        sel->SelectSpan(0, 2, 240, 0, 3, 240, outside);
        std::vector<std::vector<int>> want = {{0, 2, 480}, {0, 2, 960}, {0, 2, 1440}, {0, 3, 0}, {0, 3, 480}};
        if (!outside) want.push_back({1, 4, 1440});
        EXPECT_EQ(Selected(s), want) << outside;
        EXPECT_EQ(sel->itemCount, int(want.size())) << outside;
        EXPECT_GT(sel->boxedCount, 0) << outside;
    }
}

}  // namespace
