// Moving a track: refused when an item crossing staves touches either track, else one undoable
// operation that snapshots the whole score and moves the track with its bars. Re-tying a range
// after a paste.
#include <algorithm>
#include <array>
#include <iterator>

#include "model/Bar.h"
#include "model/EditTask.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/TaskMakers.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "model/ZelDoc.h"
#include "framework/Exceptions.h"
#include "framework/MessageBox.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kSwapTracksCommand = 4905;

// The operation of a track move. The whole-score snapshot gives back the tracks, staves and
// systems; the tracks' bar arrays, which it does not hold, go back to their places by the
// move's own order: each exchange puts every array where the move took it from, or back.
class CSwapTracksTask : public CScoreTask {
public:
    // Which slot each array came from: after the move, slot i holds the array of slot from[i].
    std::array<int, kMaxSavedTracks> cameFrom{};

    void SwapSnapshot() override {
        if (score) {
            std::array<CTrkBarArray*, kMaxSavedTracks> now{};
            for (int t = 0; t < kMaxSavedTracks; ++t) now[std::size_t(t)] = score->TrkBarArraySlot(t).release();
            for (int t = 0; t < kMaxSavedTracks; ++t) {
                const int source = cameFrom[std::size_t(t)];
                // Undo: the array in slot t goes back to the slot it came from; redo: it comes again.
                if (!undone)
                    score->TrkBarArraySlot(source).reset(now[std::size_t(t)]);
                else
                    score->TrkBarArraySlot(t).reset(now[std::size_t(source)]);
            }
        }
        CScoreTask::SwapSnapshot();
        if (document) document->NotifyWindows(4, CZelDoc::kHintTaskDone);
    }
};

// Whether an item that reaches another staff from track t touches track a or b: the track itself,
// or a note's head or a two-ended item's end through its staff offset.
bool TouchesTracks(CBarItem* item, int t, int a, int b) {
    auto hits = [a, b](int track) { return track == a || track == b; };
    if (hits(t)) return true;
    if (item->IsNote()) {
        for (int h = 0; h < entry::HeadCount(item); ++h)
            if (hits(t + entry::HeadCross(entry::HeadAt(item, h)))) return true;
        return false;
    }
    if (CTieType::IsTwoEndedCode(item->TypeCode())) {
        const auto* line = static_cast<CTieType*>(item);
        return hits(t + line->StartStaffOffset()) || hits(t + line->EndStaffOffset());
    }
    return false;
}

}  // namespace

bool CZelDoc::MoveTrack(int from, int to) {
    if (!score || from == to || from < 0 || to < 0 || from >= score->GetTrackCount() || to >= score->GetTrackCount())
        return false;
    score->Reindex();
    for (int t = 0; t < score->GetTrackCount(); ++t)
        for (int b = 0; b < score->GetBarCount(); ++b) {
            bool refused = false;
            trkbar::ForEachLiveItem(score->GetTrkBar(t, b), [&](CBarItem* item) {
                if (!refused && item->ReachesOtherStaff() && TouchesTracks(item, t, from, to)) refused = true;
            });
            if (refused) {
                WarningBeep();
                FlashMainWindow(10);
                return false;
            }
        }
    auto* task = new CSwapTracksTask;
    bool saved = false;
    try {
        task->Attach(this, kSwapTracksCommand);
        task->SetLayoutChanged(true);
        saved = task->SaveAll();
    } catch (const CMemoryException&) {
        saved = false;
    }
    if (!saved) {
        delete task;
        ReportErrorCode(100);
        return false;
    }
    // Where each track's bar array stands after the move.
    std::array<int, CScoreTask::kMaxSavedTracks> order{};
    for (int t = 0; t < CScoreTask::kMaxSavedTracks; ++t) order[std::size_t(t)] = t;
    const int step = to > from ? 1 : -1;
    for (int i = from; i != to; i += step) std::swap(order[std::size_t(i)], order[std::size_t(i + step)]);
    task->cameFrom = order;
    score->MoveTrack(from, to);
    PushUndo(task);
    OnCommandRange(kHintTaskDone);
    InvalidatePanes();
    return true;
}

void CZelDoc::RetieRange(const std::int16_t (&lower)[6], const std::int16_t (&upper)[6]) {
    constexpr int kTieCommand = 4010;
    CScoreTask* task = MakeTask("CAddTieTask", *this);
    auto* tie = dynamic_cast<CCruise*>(task);
    if (!tie) {
        delete task;
        return;
    }
    tie->Attach(this, kTieCommand, 0);
    std::copy(std::begin(lower), std::end(lower), tie->lower);
    std::copy(std::begin(upper), std::end(upper), tie->upper);
    auto* pending = dynamic_cast<PendingTieWalk*>(tie);
    if (pending) pending->ResetPendingTie();
    tie->WalkTracks();
    if (pending) pending->FinishPendingTie();
    delete tie;
}
