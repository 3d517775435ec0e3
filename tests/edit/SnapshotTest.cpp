// The edit operation's snapshot and its exchange: what undo and redo give back, what a failed
// save leaves, the redraw list, and the selection walk's voices, compaction and marks.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "EditFixture.h"
#include "framework/CodePage.h"
#include "framework/Exceptions.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/ItemArray.h"
#include "model/Page.h"
#include "model/ModelGlobals.h"
#include "model/Select.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "model/ViewInterface.h"
#include "platform/PlatformGlobals.h"

namespace {

using edittest::EditScore;

// An operation whose perform runs a function.
struct FnTask : CCruise {
    std::function<void(FnTask&)> perform;
    bool Perform() override {
        if (perform) perform(*this);
        return true;
    }
};

TEST(Snapshot, UndoAndRedoExchangeOnlyTheDeepCopiedTrackBars) {
    struct Case {
        const char* what;
        int saves;               // how often track 2's bar 3 is saved (each followed by an edit)
    };
    const Case cases[] = {
        {"one save, one edit", 1},
        {"a second save keeps the first copy", 2},
    };
    for (const Case& c : cases) {
        EditScore s;
        const auto before = s.AllRuns();
        auto* task = new FnTask;
        task->Attach(s.doc.get(), 1);
        task->perform = [&](FnTask& t) {
            for (int k = 0; k < c.saves; ++k) {
                ASSERT_TRUE(t.SaveTrackBar(2, 3));
                s.AddRest(2, 3, 240 * (k + 1), 1, false);
            }
            // A bar the operation never saved keeps whatever it holds.
            s.AddRest(1, 4, 0, 1, false);
        };
        s.doc->DoTask(task);
        ASSERT_EQ(s.doc->GetUndoCount(), 1) << c.what;
        const auto edited = s.AllRuns();
        const auto unsavedEdit = s.Run(1, 4);

        s.doc->Undo();
        auto after = s.AllRuns();
        const int bars = s.score->GetBarCount();
        for (int t = 0; t < s.score->GetTrackCount(); ++t)
            for (int b = 0; b < bars; ++b) {
                const std::size_t i = std::size_t(t * bars + b);
                if (t == 1 && b == 4)
                    EXPECT_EQ(after[i], unsavedEdit) << c.what << ": an unsaved bar is left alone";
                else
                    EXPECT_EQ(after[i], before[i]) << c.what << ": track " << t << " bar " << b;
            }
        s.doc->Redo();
        EXPECT_EQ(s.AllRuns(), edited) << c.what << ": redo gives the edit back byte for byte";
        s.doc->Undo();
        EXPECT_EQ(s.Run(2, 3), before[std::size_t(2 * bars + 3)]) << c.what << ": a second undo";
        for (int t = 0; t < s.score->GetTrackCount(); ++t)
            EXPECT_EQ(s.score->GetTrkBar(t, 3)->GetTrackIndex(), t) << "track numbers are renewed";
    }
}

TEST(Snapshot, SavesOutsideTheScoreSucceedWithoutSaving) {
    EditScore s;
    FnTask task;
    task.Attach(s.doc.get(), 1);
    EXPECT_TRUE(task.SaveTrackBar(64, 0));
    EXPECT_TRUE(task.SaveTrackBar(200, 0));
    EXPECT_TRUE(task.SaveTrackBar(0, 24)) << "a bar past the last";
    EXPECT_TRUE(task.SaveTrackBar(-1, 0));
    EXPECT_TRUE(task.SaveRange(64, 0, 300, 2)) << "tracks above 63";
    EXPECT_TRUE(task.SaveRange(-5, 0, 300, 0)) << "clamped to 0-63";
    EXPECT_TRUE(task.HasSnapshot());
    EXPECT_FALSE(task.HasSavedTrackBars(64));
    for (int t = 0; t < 3; ++t) EXPECT_TRUE(task.HasSavedTrackBars(t)) << t;
}

TEST(Snapshot, FailedSavesLeaveTheEditUnpushedOrTheScoreUnchanged) {
    struct Case {
        const char* what;
        bool walk;              // the failure comes in the selection walk's snapshot
        int answer;             // the answer to "go on without undo?"
        bool performed;         // the edit is made
    };
    const Case cases[] = {
        {"a failed clone in a plain save", false, 0, true},
        {"the walk's snapshot fails, the user goes on", true, IDYES, true},
        {"the walk's snapshot fails, the user stops", true, IDNO, false},
    };
    for (const Case& c : cases) {
        EditScore s;
        fw::msgboxtest::Capture boxes;
        if (c.answer) boxes.Answer(c.answer);
        s.AddRest(0, 2, 0, 0, true);
        s.SelectExtent(0, 0, 2, 2);
        const auto before = s.AllRuns();
        struct Clear : FnTask {
            int items = 0;
            void DoItem() override {
                ++items;
                curItem->MarkRemoved();
            }
        };
        auto* task = new Clear;
        task->Attach(s.doc.get(), 1);
        task->perform = [&](FnTask& t) {
            fw::memtest::FailAfter(0);
            if (c.walk) {
                t.Walk();
            } else {
                t.SaveTrackBar(0, 2);
                fw::memtest::Reset();
                s.score->GetTrkBar(0, 2)->GetItems()->MarkRemoved();
            }
            fw::memtest::Reset();
        };
        s.doc->DoTask(task);
        fw::memtest::Reset();
        EXPECT_EQ(s.doc->GetUndoCount(), 0) << c.what;
        EXPECT_EQ(s.AllRuns() == before, !c.performed) << c.what;
        if (c.walk) {
            ASSERT_GE(boxes.shown().size(), 1u) << c.what;
            EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text), "没有足够内存拉取消操作，确认继续？") << c.what;
            EXPECT_EQ(boxes.shown().size(), 1u) << c.what << ": stopping is not reported as an error";
        }
    }
}

TEST(Snapshot, PrepareFalseLeavesNoEntry) {
    EditScore s;
    struct Cancelled : FnTask {
        bool Prepare() override { return false; }
    };
    auto* task = new Cancelled;
    task->Attach(s.doc.get(), 1);
    bool performed = false;
    task->perform = [&](FnTask&) { performed = true; };
    s.doc->DoTask(task);
    EXPECT_FALSE(performed);
    EXPECT_EQ(s.doc->GetUndoCount(), 0);
    EXPECT_EQ(s.doc->currentTask, nullptr);
}

TEST(Snapshot, TheRedrawListKeepsOneEntryPerPageAndFollowsTheZoom) {
    EditScore s;
    auto* task = new FnTask;
    task->Attach(s.doc.get(), 1);
    task->perform = [](FnTask& t) {
        t.SaveTrackBar(0, 0);
        t.AddDirtyRect({10, 20, 110, 220}, 0);
        t.AddDirtyRect({5, 30, 50, 40}, 0);
        t.AddDirtyRect({0, 0, 0, 10}, 1);              // empty: ignored
        t.AddDirtyRect({40000, 1, 40100, 2}, 1);       // far out: needs more than 16 bits at 200
    };
    s.doc->DoTask(task);
    ASSERT_EQ(task->DirtyRects().size(), 2u);
    EXPECT_EQ(task->DirtyRects()[0].rect.left, 5);
    EXPECT_EQ(task->DirtyRects()[0].rect.bottom, 220);
    s.doc->SetZoom(200, false);
    s.doc->Undo();
    const RECT& r0 = task->DirtyRects()[0].rect;
    EXPECT_EQ((std::vector<LONG>{r0.left, r0.top, r0.right, r0.bottom}), (std::vector<LONG>{10, 40, 220, 440}));
    EXPECT_EQ(task->DirtyRects()[1].rect.right, 80200);
    EXPECT_EQ(task->savedZoom, 200);
}

TEST(Snapshot, ASavedBarArrayAloneChangesTheBarRecordsBackAndLeavesTheirItems) {
    EditScore s;
    const int kind = s.score->GetBar(4)->GetOpeningKind();
    auto* task = new FnTask;
    task->Attach(s.doc.get(), 1);
    task->perform = [&](FnTask& t) {
        ASSERT_TRUE(t.SaveBarArray());
        s.score->GetBar(4)->SetOpeningKind(kind + 1);
        std::uint8_t bytes[CTempo::kSize] = {};
        ASSERT_NE(s.score->GetBar(4)->InsertItemSorted(MakeTempoItem(bytes, 9000)), nullptr);
    };
    s.doc->DoTask(task);
    const int items = s.score->GetBar(4)->GetItemCount();
    s.doc->Undo();
    EXPECT_EQ(s.score->GetBar(4)->GetOpeningKind(), kind) << "the record changes back";
    EXPECT_EQ(s.score->GetBar(4)->GetItemCount(), items) << "the bar keeps the items it holds now";
    s.doc->Redo();
    EXPECT_EQ(s.score->GetBar(4)->GetOpeningKind(), kind + 1);
    EXPECT_EQ(s.score->GetBar(4)->GetItemCount(), items);
}

// A view that counts how often its panes are placed.
struct CountingView : CZelViewBase {
    int placed = 0;
    void PositionPanes() override { ++placed; }
};

TEST(Snapshot, UndoAndRedoGiveSelectionCountsAndInsertionPointBackButNotThePageOrArrangement) {
    EditScore s;
    // Two bars of the second page.
    int b1 = 0;
    while (b1 < s.score->GetBarCount() - 1 && s.score->GetBar(b1)->GetPage() != s.score->GetPage(1)) ++b1;
    const int b2 = b1 + 1;
    ASSERT_EQ(s.score->GetBar(b2)->GetPage(), s.score->GetPage(1));
    s.AddRest(1, b1, 0, 0, true);
    s.SelectExtent(1, 1, b1, b1);
    CSelect* sel = s.doc->GetSelection();
    sel->lower[kExtentTime] = 120;
    s.doc->location.barIndex = std::int16_t(b1);
    s.doc->location.trackIndex = 1;
    s.doc->location.voice = 2;
    s.doc->lyricLineCount = 2;
    const std::int16_t lowerTime = sel->lower[kExtentTime];
    auto* task = new FnTask;
    task->Attach(s.doc.get(), 1);
    task->perform = [&](FnTask& t) {
        ASSERT_TRUE(t.SaveTrackBar(1, b1));
        s.AddRest(1, b1, 480, 0, false);
        CSelect* now = s.doc->GetSelection();
        now->lower[kExtentTime] = 700;
        s.doc->location.barIndex = std::int16_t(b2);
        s.doc->location.voice = 0;
        s.doc->lyricLineCount = 3;
    };
    s.doc->DoTask(task);
    // The page shown and the arrangement change after the edit; neither comes back.
    s.doc->location.pageIndex = 1;
    s.doc->location.arrangementMode = 1;
    CountingView view;
    s.doc->view = &view;
    s.doc->SetZoom(150, false);
    const int placedBefore = view.placed;
    s.doc->Undo();
    EXPECT_EQ(s.doc->GetSelection()->lower[kExtentTime], lowerTime) << "the selection object comes back";
    EXPECT_EQ(s.doc->GetSelection()->lower[kExtentBar], b1);
    EXPECT_EQ(s.doc->location.barIndex, b1);
    EXPECT_EQ(s.doc->location.voice, 2);
    EXPECT_EQ(s.doc->lyricLineCount, 2) << "the document word is exchanged";
    EXPECT_EQ(s.doc->location.pageIndex, 1);
    EXPECT_EQ(s.doc->location.arrangementMode, 1);
    EXPECT_GT(view.placed, placedBefore) << "a zoom change before undo fits the window to the pages";
    EXPECT_EQ(s.score->GetBarCount(), 24);
    s.doc->Redo();
    // The selection the edit left was cleared before the exchange: redo brings no stale one.
    EXPECT_TRUE(s.doc->GetSelection()->IsEmpty());
    EXPECT_EQ(s.doc->GetSelection()->GetItemCount(), 0);
    EXPECT_EQ(s.doc->location.barIndex, b2);
    EXPECT_EQ(s.doc->lyricLineCount, 3);
    EXPECT_EQ(s.doc->location.pageIndex, 1);
    EXPECT_EQ(s.doc->location.arrangementMode, 1);
    const int placedAfterRedo = view.placed;
    s.doc->Undo();
    EXPECT_EQ(view.placed, placedAfterRedo) << "no zoom change, no fitting";
    s.doc->view = nullptr;
}

TEST(Snapshot, UndoingATrackMoveRenumbersEveryTrackBar) {
    EditScore s;
    s.AddRest(0, 2, 0, 0, false);
    // A move of track 0 below track 2, as the track-swapping operations make it: the arrays
    // change places and the swap exchanges them again before the base's exchange.
    struct Move : FnTask {
        void SwapSnapshot() override {
            score->TrkBarArraySlot(0).swap(score->TrkBarArraySlot(2));
            CScoreTask::SwapSnapshot();
        }
    };
    auto* task = new Move;
    task->Attach(s.doc.get(), 1);
    task->perform = [&](FnTask& t) {
        ASSERT_TRUE(t.SaveTracks());
        s.score->TrkBarArraySlot(0).swap(s.score->TrkBarArraySlot(2));
    };
    s.doc->DoTask(task);
    ASSERT_EQ(s.doc->GetUndoCount(), 1);
    EXPECT_EQ(s.Live(2, 2).size(), 1u) << "the moved track's rest";
    for (int round = 0; round < 2; ++round) {
        if (round == 0) s.doc->Undo();
        else s.doc->Redo();
        EXPECT_EQ(s.Live(round == 0 ? 0 : 2, 2).size(), 1u) << round;
        for (int t = 0; t < 3; ++t)
            for (int b = 0; b < s.score->GetBarCount(); ++b)
                ASSERT_EQ(s.score->GetTrkBar(t, b)->GetTrackIndex(), t) << "round " << round << " track " << t << " bar " << b;
    }
}

TEST(Snapshot, AnItemRectIsItsTrackBarGrownBySixLineSpacesOrTwelveWhileDataShows) {
    for (int kind : {0, 2}) {
        EditScore s;
        g_model.dataDisplayKind = std::uint8_t(kind);
        FnTask task;
        task.Attach(s.doc.get(), 1);
        CTrkBar* tb = s.score->GetTrkBar(1, 2);
        tb->SetCurrent();
        RECT bounds{};
        tb->GetBounds(&bounds);
        const int space = tb->GetStaff()->Space();
        task.AddItemRect(tb);
        ASSERT_EQ(task.DirtyRects().size(), 1u);
        const int grow = space * (kind ? 12 : 6);
        const RECT& r = task.DirtyRects()[0].rect;
        EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<LONG>{bounds.left - grow, bounds.top - grow, bounds.right + grow, bounds.bottom + grow}))
            << "data kind " << kind;
        EXPECT_EQ(task.DirtyRects()[0].page, tb->GetPageIndex());
        g_model.dataDisplayKind = 0;
    }
}

TEST(Snapshot, TheStartedFlagAndSelectItem) {
    EditScore s;
    FnTask task;
    task.started = 1;
    task.Attach(s.doc.get(), 1);
    EXPECT_FALSE(task.IsStarted()) << "attach clears it";
    EXPECT_EQ(task.SetStarted(true), &task);
    EXPECT_TRUE(task.IsStarted());
    CBarItem* rest = s.AddRest(1, 2, 0, 0, false);
    task.SelectItem(rest, s.score->GetTrkBar(1, 2));
    EXPECT_TRUE(s.Live(1, 2)[0]->IsSelectedBit());
    EXPECT_EQ(s.doc->GetSelection()->GetItemCount(), 1);
}

// The walk over voices: which voices' selected items reach DoItem.
TEST(Walk, VisitsTheInsertionVoiceAndAboveOnlyWithAllVoices) {
    struct Case {
        const char* what;
        int voice;
        bool allVoices;
        std::set<int> visited;
    };
    const Case cases[] = {
        {"voice 2 without all voices", 2, false, {2}},
        {"voice 2 with all voices: voices below are not walked", 2, true, {2, 3}},
        {"voice 0 with all voices", 0, true, {0, 2, 3}},
    };
    for (const Case& c : cases) {
        EditScore s;
        for (int v : {0, 2, 3}) s.AddRest(1, 5, 0, v, true);
        s.AddRest(1, 5, 240, 2, false);
        s.SelectExtent(1, 1, 5, 5);
        s.doc->location.voice = std::uint16_t(c.voice);
        s.doc->location.allVoices = c.allVoices;
        struct Visit : CCruise {
            std::set<int> voices;
            void DoItem() override { voices.insert(curItem->VoiceField()); }
        } task;
        task.Attach(s.doc.get(), 1);
        task.Walk();
        EXPECT_EQ(task.voices, c.visited) << c.what;
    }
}

TEST(Walk, RemovedRecordsAreCompactedOnceAndUndoBringsNoSelectionBack) {
    EditScore s;
    for (int k = 0; k < 3; ++k) s.AddRest(0, 1, 240 * k, 0, true);
    s.AddRest(0, 1, 960, 0, false);
    s.SelectExtent(0, 0, 1, 1);
    const int before = s.score->GetTrkBar(0, 1)->GetRunLength();
    struct Remove : CCruise {
        int ends = 0;
        void DoItem() override {
            CCruise::DoItem();
            curItem->MarkRemoved();
        }
        void EndTrackBar() override {
            ++ends;
            CCruise::EndTrackBar();
        }
    };
    auto* task = new Remove;
    task->Attach(s.doc.get(), 1);
    s.doc->DoTask(task);
    EXPECT_EQ(task->ends, 1);
    int live = 0, removed = 0;
    CTrkBar* tb = s.score->GetTrkBar(0, 1);
    for (CBarItem* it = tb->GetItems(); it->TypeCode() != 255; it = it->NextItem()) ++(it->IsRemoved() ? removed : live);
    EXPECT_EQ(removed, 0) << "compacted";
    EXPECT_LT(int(tb->GetRunLength()), before);

    s.doc->Undo();
    int selected = 0, restored = 0;
    tb = s.score->GetTrkBar(0, 1);
    for (CBarItem* it = tb->GetItems(); it->TypeCode() != 255; it = it->NextItem()) {
        ++restored;
        if (it->IsSelectedBit()) ++selected;
    }
    EXPECT_EQ(restored, live + 3);
    EXPECT_EQ(selected, 0) << "the snapshot holds no selection marks";
    EXPECT_GT(s.doc->GetSelection()->lower[1], s.doc->GetSelection()->upper[1]) << "the saved selection was reset";
}

}  // namespace
