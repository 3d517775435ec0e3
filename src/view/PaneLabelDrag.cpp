// A track label dragged in a page pane. The press is located through the page's hit order; a
// track label found there (kind 5) is moved by the track's own drag operations in label units
// of its staff, the label's old and new places repainted as it goes, and the whole drag kept
// as one undoable step that saves the tracks.
#include "view/PaneLabelDrag.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "model/DragTask.h"
#include "model/EditTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreHit.h"
#include "model/ScoreLocation.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Pane.h"
#include "view/PagePane.h"

namespace {

constexpr int kTrackNameHit = 5;
constexpr int kDragNameId = 4900;
// The pointer must leave the press point by this much before anything moves.
constexpr int kThreshold = 2;

bool NonEmpty(const RECT& r) { return r.right > r.left && r.bottom > r.top; }

RECT Union(const RECT& a, const RECT& b) {
    if (!NonEmpty(a)) return b;
    if (!NonEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

class LabelDrag : public CMouseTask {
public:
    LabelDrag(CPagePane& pane, CScore& score, CTrack& track, CLine& line, CStaff& staff, CScoreTask& task,
              CDragTask& drag)
        : pane(pane), score(score), track(track), line(line), staff(staff), task(task), drag(drag) {}

    void MouseDown(POINT start) override {
        last = start;
        g_trackLabels.dragTotalX = 0;
        g_trackLabels.dragTotalY = 0;
        line.MakeCurrent();
        track.BeginDrag();
        // Where every label stands before the drag: what the drag leaves behind on every system.
        for (int k = 0; k < score.GetLineCount(); ++k) {
            CLine* each = score.GetLine(k);
            if (!each) continue;
            each->MakeCurrent();
            for (int t = 0; t < score.GetTrackCount(); ++t) {
                CTrack* other = score.GetTrack(t);
                RECT r;
                if (other && NonEmpty(*other->GetLabelRect(&r, k == 0))) before.push_back({std::int16_t(each->GetPageIndex()), r});
            }
        }
        line.MakeCurrent();
    }

    void MouseMove(POINT current, POINT previous, POINT start) override {
        if (current.x == previous.x && current.y == previous.y) return;
        if (waiting) {
            if (std::abs(current.x - start.x) < kThreshold && std::abs(current.y - start.y) < kThreshold) return;
            waiting = false;
        }
        Step(current, start);
    }

    void MouseUp(POINT current, POINT, POINT start) override {
        if (!waiting) Step(current, start);
        line.MakeCurrent();
        drag.moved = unitX != 0 || unitY != 0;
        task.undoable = drag.moved;
        if (!drag.moved) return;
        track.EndDrag(&drag);
        for (const PageDirtyRect& d : before) task.AddDirtyRect(d.rect, d.page);
    }

private:
    // Moves the label to the pointer: the step since the last one in the staff's label units.
    void Step(POINT current, POINT start) {
        line.MakeCurrent();
        const int x = staff.UnscaleOffset(current.x - start.x), y = staff.UnscaleOffset(current.y - start.y);
        drag.unitDx = x - unitX;
        drag.unitDy = y - unitY;
        if (drag.unitDx == 0 && drag.unitDy == 0) return;
        drag.dx = current.x - last.x;
        drag.dy = current.y - last.y;
        last = current;
        unitX = x;
        unitY = y;
        const bool first = score.GetLineCount() > 0 && score.GetLine(0) == &line;
        RECT was, now;
        track.GetLabelRect(&was, first);
        track.DragBy(&drag);
        track.GetLabelRect(&now, first);
        Repaint(Union(was, now));
    }

    // A page rectangle of the label's page repainted in the pane.
    void Repaint(const RECT& r) {
        CPage* page = score.GetPage(pane.GetPageNumber());
        if (!page || !NonEmpty(r)) return;
        const RECT paper = page->GetPaperRect();
        pane.RedrawRect(RECT{r.left - paper.left - 1, r.top - paper.top - 1, r.right - paper.left + 1,
                             r.bottom - paper.top + 1});
    }

    CPagePane& pane;
    CScore& score;
    CTrack& track;
    CLine& line;
    CStaff& staff;
    CScoreTask& task;
    CDragTask& drag;
    bool waiting = true;
    int unitX = 0, unitY = 0;
    POINT last{};
    std::vector<PageDirtyRect> before;
};

}  // namespace

bool DragTrackLabel(CPagePane& pane, POINT point) {
    CZelDoc* doc = pane.document;
    CScore* score = pane.score;
    CPage* page = score ? score->GetPage(pane.GetPageNumber()) : nullptr;
    if (!doc || !page) return false;
    const RECT paper = page->GetPaperRect();
    ScoreLocation at = doc->location;
    const int kind = HitPagePoint(*score, pane.GetPageNumber(), point.x + paper.left, point.y + paper.top, &at);
    auto* track = static_cast<CTrack*>(at.track);
    CLine* line = at.system;
    CStaff* staff = at.staff;
    if (kind != kTrackNameHit || !track || at.item != track || !line || !staff) return false;

    auto task = std::make_unique<CScoreTask>();
    std::unique_ptr<CDragTask> drag(track->CreateDragTask());
    if (!drag) return false;
    task->Attach(doc, kDragNameId);
    if (!task->SaveTracks()) return false;
    LabelDrag mouse(pane, *score, *track, *line, *staff, *task, *drag);
    RECT client;
    pane.GetClientRect(&client);
    pane.TrackMouse(&mouse, point, client);
    task->Redraw();
    if (task->IsUndoable()) doc->PushUndo(task.release());
    return true;
}
