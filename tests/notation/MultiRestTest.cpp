// Multi-bar rests on the page: the ends of the bar by percent and bar fields, the range and
// count, end strokes by style and drawing mode, handles, drags of the ends and the count, and
// the copy of a drag to every track's multi-bar rest of the bar.
#include <functional>
#include <utility>
#include <vector>

#include "ScoreDrawSupport.h"
#include "support/CommandRecorder.h"
#include "model/DragTask.h"
#include "model/ScoreStandIns.h"
#include "model/EditTask.h"
#include "notation/MultiRest.h"

using namespace notedraw;

namespace {

CMultiRest* NewMultiRest(CTrkBar* tb, int span, std::uint8_t flags, int percent) {
    auto* m = static_cast<CMultiRest*>(tb->NewItem(CMultiRest::kType, 0));
    g_model.currentBar->SetMultiRestSpan(span);
    m->SetFlags(flags);
    m->SetPercent(std::uint8_t(percent));
    return m;
}

}  // namespace

class MultiRest : public ScoreDrawTest {};

TEST_F(MultiRest, EndsByPercentCentredInTheAvailableWidth) {
    struct Case {
        const char* name;
        int percent, storedPercent;
    } cases[] = {
        {"100 keeps the full width", 100, 100},
        {"10 keeps a tenth, centred", 10, 10},
        {"0 takes the score's default", 0, 80},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CMultiRest* m = NewMultiRest(tb, 4, 0, c.percent);
        POINT l, r;
        m->GetEnds(&l, &r);
        // A middle bar of its system without key, meter or barline parts: the bar's own edges.
        const int full = Bar()->GetRight() - Bar()->GetLeft();
        const int inset = full * (100 - c.storedPercent) / 200;
        EXPECT_EQ(m->Percent(), c.storedPercent) << c.name;
        EXPECT_EQ(l.x, Bar()->GetLeft() + inset) << c.name;
        EXPECT_EQ(r.x, Bar()->GetRight() - inset) << c.name;
        EXPECT_EQ(l.y, Staff()->GetMiddleY()) << c.name;
        EXPECT_EQ(r.y, l.y) << c.name;
        EXPECT_EQ(m->GetHorizontalOffset(), Staff()->UnscaleOffset(inset)) << c.name;
        m->MarkRemoved();
    }
    CTrkBar* tb = Current(0, 1);
    CMultiRest* slanted = NewMultiRest(tb, 2, CMultiRest::kSlanted, 100);
    POINT l, r;
    slanted->GetEnds(&l, &r);
    EXPECT_EQ(l.y, Staff()->GetMiddleY() + Staff()->Space());
    EXPECT_EQ(r.y, Staff()->GetMiddleY() - Staff()->Space());
}

TEST_F(MultiRest, EndsFollowTheBarsParts) {
    // The first bar of a system starts half a system space left; an opening barline moves the
    // start a space right; the score's last bar ends before its trailing part unless the
    // score's option says otherwise; a span's last bar with a closing barline does the same.
    Current(0, 0);
    ASSERT_TRUE(Bar()->IsFirstInLine());
    const int space = Bar()->GetLine()->GetSpace();
    {
        CMultiRest* m = NewMultiRest(score->GetTrkBar(0, 0), 2, 0, 100);
        POINT l, r;
        m->GetEnds(&l, &r);
        EXPECT_EQ(l.x, Bar()->GetLeft() - space / 2);
        Bar()->SetOpeningKind(2);
        m->GetEnds(&l, &r);
        EXPECT_EQ(l.x, Bar()->GetLeft() + space);
    }
    const int last = score->GetBarCount() - 1;
    Current(0, last);
    CMultiRest* m = NewMultiRest(score->GetTrkBar(0, last), 1, 0, 100);
    POINT l, r;
    m->GetEnds(&l, &r);
    EXPECT_EQ(r.x, Bar()->GetRight() - Bar()->GetTrailingWidth());
    score->multiBarRestOption = 1;
    m->GetEnds(&l, &r);
    EXPECT_EQ(r.x, Bar()->GetRight());

    Current(0, 2);
    score->GetBar(4)->SetClosingKind(1);
    CMultiRest* spanning = NewMultiRest(score->GetTrkBar(0, 2), 3, 0, 100);
    spanning->GetEnds(&l, &r);
    EXPECT_EQ(r.x, Bar()->GetRight() - score->GetBar(4)->GetTrailingWidth()) << "the span's last bar decides";
}

TEST_F(MultiRest, SpansPastTheScoreOrOfNoBarsStayInsideTheBarArray) {
    const int last = score->GetBarCount() - 1;
    struct Case {
        const char* name;
        int bar, span;
    } cases[] = {
        {"a span past the last bar ends at the last bar", last - 1, 40},
        {"a span of 0 is its own bar", 3, 0},
        {"a negative span is its own bar", 3, -5},
        {"a span of 32767", 5, 32767},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, c.bar);
        CMultiRest* m = NewMultiRest(tb, c.span, 0, 100);
        POINT l, r;
        m->GetEnds(&l, &r);
        EXPECT_GT(r.x, l.x) << c.name;
        EXPECT_LE(r.x, Bar()->GetRight()) << c.name;
        EXPECT_FALSE(Calls([&] { m->Draw(); }, {"FillRect"}).empty()) << c.name;
    }
}

TEST_F(MultiRest, DraggingTheEndsChangesThePercentWithinItsRange) {
    struct Case {
        const char* name;
        int part, from, dx;
        int to;
    } cases[] = {
        {"left end 100 right: 5 less", 0, 80, 100, 75},
        {"right end 100 right: 5 more", 2, 80, 100, 85},
        {"left end 400 right from 15 stops at 10", 0, 15, 400, 10},
        {"right end 400 right from 95 stops at 100", 2, 95, 400, 100},
        {"19 units do nothing", 0, 50, 19, 50},
        {"-39 units: one step, toward zero", 0, 50, -39, 51},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CMultiRest* m = NewMultiRest(tb, 2, 0, c.from);
        g_model.hitPart = c.part;
        CDragTask drag;
        drag.dx = c.dx;
        m->DragBy(&drag);
        EXPECT_EQ(m->Percent(), c.to) << c.name;
        m->MarkRemoved();
    }
    CTrkBar* tb = Current(0, 1);
    g_model.hitPart = 1;
    CDragTask drag;
    drag.dy = 12;
    CMultiRest* above = NewMultiRest(tb, 2, 0, 80);
    above->DragBy(&drag);
    EXPECT_EQ(above->CountOffset(), -12) << "pulling the count above the staff down brings it nearer";
    above->MarkRemoved();
    CMultiRest* below = NewMultiRest(tb, 2, CMultiRest::kCountBelow, 80);
    below->DragBy(&drag);
    EXPECT_EQ(below->CountOffset(), 12);
}

TEST_F(MultiRest, RangeNumbersShiftLeftWhenTheRangeCrossesTenOrAHundred) {
    struct Case {
        const char* name;
        int bar, span;
        bool shifted;
    } cases[] = {
        {"bars 9 to 12", 8, 4, true},
        {"bars 2 to 5", 1, 4, false},
        {"bars 9 to 10", 8, 2, false},
        {"bars 8 to 11 cross 10", 7, 4, true},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, c.bar);
        ASSERT_EQ(Bar()->GetDisplayNumber(), c.bar);
        // The range with the count hidden: only the two range numbers are text.
        CMultiRest* m = NewMultiRest(tb, c.span, CMultiRest::kShowRange | CMultiRest::kHideCount, 100);
        POINT l, r;
        m->GetEnds(&l, &r);
        const int s = Staff()->Space();
        const int mid = l.x + (r.x - l.x) / 2 - (c.shifted ? s / 2 : 0);
        const auto text = Calls([&] { m->Draw(); }, {"TextOut"});
        ASSERT_EQ(text.size(), 2u) << c.name;
        const auto at = Points(text);
        EXPECT_EQ(at[1].first, mid + s) << c.name;
        EXPECT_NE(text[0].find("\"" + std::to_string(c.bar + 1) + "\""), std::string::npos) << c.name;
        EXPECT_NE(text[1].find("\"" + std::to_string(c.bar + c.span) + "\""), std::string::npos) << c.name;
        m->MarkRemoved();
    }
}

TEST_F(MultiRest, HiddenCountNeedsTheRange) {
    CTrkBar* tb = Current(0, 1);
    CMultiRest* m = NewMultiRest(tb, 6, CMultiRest::kHideCount, 100);
    const auto text = Calls([&] { m->Draw(); }, {"TextOut"});
    EXPECT_EQ(m->Flags() & CMultiRest::kHideCount, 0);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_NE(text[0].find("\"6\""), std::string::npos);
}

TEST_F(MultiRest, EndStrokesByStyleAndDrawingMode) {
    struct Case {
        const char* name;
        int style, strokes, width;
    } cases[] = {
        {"style 0: thin", 0, 2, 1},
        {"style 1: thick", 1, 2, 4},
        {"style 3: thick", 3, 2, 4},
        {"style 2: none", 2, 0, 0},
    };
    for (const auto& c : cases) {
        CTrkBar* tb = Current(0, 1);
        CMultiRest* m = NewMultiRest(tb, 2, std::uint8_t(c.style << CMultiRest::kStyleShift), 100);
        const auto rects = Calls([&] { m->Draw(); }, {"FillRect"});
        ASSERT_EQ(int(rects.size()), c.strokes) << c.name;
        for (const auto& line : rects) {
            int l = 0, t = 0, r = 0, b = 0;
            std::sscanf(line.c_str(), "FillRect %d %d %d %d", &l, &t, &r, &b);
            EXPECT_EQ(r - l, c.width) << c.name;
            EXPECT_EQ(b - t, 2 * Staff()->Space()) << c.name;
        }
        m->MarkRemoved();
    }
    // Rubber-band drawing: strokes erased in white mode and inverted in "not" mode.
    CTrkBar* tb = Current(0, 1);
    CMultiRest* m = NewMultiRest(tb, 2, 1 << CMultiRest::kStyleShift, 100);
    POINT l, r;
    m->GetEnds(&l, &r);
    m->Draw();
    EXPECT_EQ(dc.GetPixel(l.x + 1, l.y + Staff()->Space() - 1), RGB(0, 0, 0));
    a->SetROP2(R2_WHITE);
    m->Draw();
    EXPECT_EQ(dc.GetPixel(l.x + 1, l.y + Staff()->Space() - 1), RGB(255, 255, 255));
    a->SetROP2(R2_NOT);
    EXPECT_EQ(Calls([&] { m->Draw(); }, {"InvertRect"}).size(), 2u);
}

TEST_F(MultiRest, HandlesAtTheEndsAndTheCount) {
    CTrkBar* tb = Current(0, 1);
    CMultiRest* m = NewMultiRest(tb, 2, 0, 50);
    POINT l, r;
    m->GetEnds(&l, &r);
    const int countY = Staff()->GetMiddleY() - 3 * Staff()->Space();
    struct Case {
        const char* name;
        int x, y;
        bool hit;
        int part;
    } cases[] = {
        {"left end", l.x + 1, l.y - 1, true, 0},
        {"right end", r.x, r.y + 2, true, 2},
        {"count above", Bar()->GetCenterX(), countY, true, 1},
        {"the bar's middle is no handle", (l.x + r.x) / 2, l.y + 4, false, -1},
    };
    for (const auto& c : cases) {
        g_model.hitPart = -1;
        EXPECT_EQ(m->HitTest(c.x, c.y), c.hit) << c.name;
        EXPECT_EQ(g_model.hitPart, c.part) << c.name;
    }
    RECT b;
    m->GetBounds(&b);
    EXPECT_EQ(b.left, l.x);
    EXPECT_EQ(b.right, r.x);
    EXPECT_EQ(b.bottom - b.top, 2 * (Staff()->Space() / 2));
}

TEST_F(MultiRest, DoubleClickRunsTheEditCommand) {
    CMultiRest* m = NewMultiRest(Current(0, 1), 2, 0, 80);
    commandtest::MadeTasks made;
    m->OpenProperties(0, 0);
    EXPECT_EQ(made.classes, std::vector<std::string>{"CMultiBarTask"});
}

TEST_F(MultiRest, EndDragCopiesToEveryTracksMultiRestOfTheBar) {
    CMultiRest* other = NewMultiRest(Current(1, 3), 2, 0, 80);
    other->SetCountOffset(7);
    CMultiRest* removed = NewMultiRest(Current(1, 3), 2, 0, 80);
    removed->MarkRemoved();
    CMultiRest* m = NewMultiRest(Current(0, 3), 2, 0, 80);
    m->SetPercent(40);
    m->SetInset(33);
    g_model.hitPart = 0;
    CDragTask drag;
    g_viewDrag.allTracksFlag = false;
    m->EndDrag(&drag);
    auto find = [&](int live) {
        int k = 0;
        for (CBarItem* it = score->GetTrkBar(1, 3)->GetItems(); it->TypeCode() != 255; it = it->NextItem())
            if (it->TypeCode() == CMultiRest::kType && k++ == live) return static_cast<CMultiRest*>(it);
        return static_cast<CMultiRest*>(nullptr);
    };
    EXPECT_EQ(find(0)->Percent(), 80) << "without the all-tracks flag nothing is copied";

    // Each track's bar is saved for undo before its multi-bar rest changes.
    struct SavingTask : CScoreTask {
        std::function<int(int)> percentOf;
        std::vector<std::pair<int, int>> saved;   // track, the percent it held then
        bool SaveTrackBar(int track, int bar) override {
            saved.emplace_back(track, percentOf(track));
            return bar == 3;
        }
    } task;
    task.percentOf = [&](int track) {
        CMultiRest* live = find(0)->IsRemoved() ? find(1) : find(0);
        return track == 1 ? int(live->Percent()) : 40;
    };
    doc.currentTask = &task;
    g_viewDrag.allTracksFlag = true;
    m->EndDrag(&drag);
    doc.currentTask = nullptr;
    EXPECT_EQ(task.saved, (std::vector<std::pair<int, int>>{{0, 40}, {1, 80}}));
    for (int k : {0, 1}) {
        CMultiRest* it = find(k);
        if (it->IsRemoved()) {
            EXPECT_EQ(it->Percent(), 80) << "a removed one is left";
        } else {
            EXPECT_EQ(it->Percent(), 40);
            EXPECT_EQ(it->GetHorizontalOffset(), 33);
            EXPECT_EQ(it->CountOffset(), 7) << "an end drag leaves the count";
        }
    }
    g_model.hitPart = 1;
    m->SetFlags(CMultiRest::kCountBelow);
    m->SetCountOffset(-20);
    m->SetPercent(90);
    m->EndDrag(&drag);
    for (int k : {0, 1}) {
        CMultiRest* it = find(k);
        if (it->IsRemoved()) continue;
        EXPECT_EQ(it->Flags() & CMultiRest::kCountBelow, CMultiRest::kCountBelow);
        EXPECT_EQ(it->CountOffset(), -20);
        EXPECT_EQ(it->Percent(), 40) << "a count drag leaves the length";
    }
    EXPECT_FALSE(m->IsRemoved());
    g_viewDrag.allTracksFlag = false;
}
