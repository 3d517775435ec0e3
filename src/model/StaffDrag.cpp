// Staff drags: the system's indents sideways, the staff's distance up and down, carried to the
// later systems of the page (or of the score) when the drag ends; and the staff's properties.
#include <algorithm>

#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStandIns.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

StaffDragState g_staffDrag;

namespace {

constexpr int kTrackSetupCommand = 33009;

// The system that holds the staff: the current one when it does, else the one found by search.
CLine* SystemOf(const CStaff& staff) {
    CLine* line = g_model.currentLine;
    const int i = staff.GetIndex();
    if (line && i < line->GetStaffCount() && line->GetStaff(i) == &staff) return line;
    if (CScore* score = g_model.currentScore)
        for (int k = 0; k < score->GetLineCount(); ++k)
            if (CLine* each = score->GetLine(k); each && i < each->GetStaffCount() && each->GetStaff(i) == &staff)
                return each;
    return nullptr;
}

// The nearest shown staff above staff i in the system, or null.
CStaff* ShownStaffAbove(CLine& line, int i) {
    for (int k = i - 1; k >= 0; --k)
        if (CStaff* above = line.GetStaff(k); above && above->IsShown()) return above;
    return nullptr;
}

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void Dirty(const RECT& r, int page) {
    if (CScore* score = g_model.currentScore)
        if (CZelDoc* doc = score->GetDocument()) doc->AddDirtyRect(r, page);
}

}  // namespace

void StaffBehaviour::OpenProperties(CScoreItem& item, int x, int y) const {
    if (CZelDoc* doc = g_model.currentDoc) doc->OnCommandRange(kTrackSetupCommand);
}

void StaffBehaviour::BeginDrag(CScoreItem& item) const {
    ArrayItemBehaviour::BeginDrag(item);
    auto& staff = static_cast<CStaff&>(item);
    g_staffDrag.leftHalf = g_staffDrag.hitX < (staff.GetLeft() + staff.GetRight()) / 2;
    g_staffDrag.startTop = staff.GetTopLine();
    g_staffDrag.movedX = g_staffDrag.movedY = 0;
}

void StaffBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    auto& staff = static_cast<CStaff&>(item);
    CLine* line = SystemOf(staff);
    if (!drag || !line) return;
    if (drag->dx != 0) {
        // The indent of the side the drag began on, kept inside the page margins.
        CPage* page = line->GetPage();
        const RECT printable = page ? page->GetPrintableRect() : RECT{line->GetLeft(), 0, line->GetRight(), 0};
        const int step = line->ViewToTwentieths(drag->dx);
        if (g_staffDrag.leftHalf) {
            const int indent = std::max(0, line->GetLeftIndent() + step);
            line->SetLeftIndent(indent);
            const int left = int(printable.left) + line->TwentiethsToView(indent);
            staff.SetPosition(left, staff.GetMiddleY(), staff.GetRight() - left);
        } else {
            const int indent = std::min(0, line->GetRightIndent() + step);
            line->SetRightIndent(indent);
            const int right = int(printable.right) + line->TwentiethsToView(indent);
            staff.SetPosition(staff.GetLeft(), staff.GetMiddleY(), right - staff.GetLeft());
        }
        g_staffDrag.movedX += drag->dx;
    }
    if (drag->dy != 0) {
        // Never onto the staff shown above (kept a space clear of it when moving up).
        if (CStaff* above = ShownStaffAbove(*line, staff.GetIndex())) {
            RECT moved = staff.GetRect();
            moved.top += drag->dy;
            moved.bottom += drag->dy;
            RECT guard = above->GetRect();
            if (drag->dy < 0) guard.bottom += staff.Space();
            if (Overlaps(moved, guard)) return;
        }
        staff.SetPosition(staff.GetLeft(), staff.GetMiddleY() + drag->dy, staff.GetRight() - staff.GetLeft());
        g_staffDrag.movedY += drag->dy;
    }
}

void StaffBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& staff = static_cast<CStaff&>(item);
    CLine* line = SystemOf(staff);
    CScore* score = g_model.currentScore;
    if (!line || !score) return;
    if (g_staffDrag.movedX == 0 && g_staffDrag.movedY == 0) {
        Dirty(staff.GetRect(), line->GetPageIndex());
        return;
    }
    const int i = staff.GetIndex();
    const int units = line->ViewToTwentieths(g_staffDrag.movedY);
    // The distance above a staff: the system's top distance for its first shown staff.
    const auto moveStaff = [&](CLine& each) {
        CStaff* s = i < each.GetStaffCount() ? each.GetStaff(i) : nullptr;
        if (!s || units == 0) return;
        if (each.GetFirstShownStaff() == i)
            each.SetTopOffset(each.GetTopOffset() + units);
        else
            s->SetSpacing(std::int16_t(s->GetSpacing() + units));
    };
    const int page = line->GetPageIndex();
    const auto carried = [&](CLine* each) { return each && (g_staffDrag.wholeScore || each->GetPageIndex() == page); };
    moveStaff(*line);
    const int left = line->GetLeftIndent(), right = line->GetRightIndent();
    const int first = line->GetIndex();
    for (int k = first + 1; k < score->GetLineCount() && carried(score->GetLine(k)); ++k) {
        CLine* later = score->GetLine(k);
        moveStaff(*later);
        if (g_staffDrag.movedX != 0) {
            later->SetLeftIndent(left);
            later->SetRightIndent(right);
        }
    }
    // The systems and pages laid out again, and the pages they stand on redrawn.
    for (int k = first; k < score->GetLineCount() && carried(score->GetLine(k)); ++k) score->GetLine(k)->Relayout();
    score->GetDocument()->LayoutAllPages(false);
    for (int p = page; p < score->GetPageCount() && (p == page || g_staffDrag.wholeScore); ++p)
        if (CPage* each = score->GetPage(p)) Dirty(each->GetPaperRect(), p);
    g_staffDrag.movedX = g_staffDrag.movedY = 0;
}

void StaffBehaviour::DrawDragFeedback(CScoreItem& item) const {
    if (CArtist* a = g_draw.artist) a->FrameRect(static_cast<CStaff&>(item).GetRect());
}
