// Locating a page point in the score: the nearest shown staff of the page's systems, and from
// it the track, staff position, offset, stem setting, bar, position and time under the point.
#include <cmath>
#include <cstdint>

#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreArrays.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"

namespace {

constexpr int kFarthest = 32767;

bool StaffContains(const CStaff* staff, int x, int y) {
    return x >= staff->GetLeft() && x < staff->GetRight() && y >= staff->GetTopLine() && y < staff->GetBottomLine();
}

// Straight-line distance from (dx, dy) as a 16-bit distance. Distances beyond the 16-bit
// range count as the farthest one, never as a negative (near) one.
int Distance(int dx, int dy) {
    const double d = std::sqrt(double(dx) * dx + double(dy) * dy);
    return d >= kFarthest ? kFarthest : int(d);
}

}  // namespace

void CScore::LocatePoint(int x, int y, ScoreLocation* location) {
    if (!location) return;
    CPage* page = GetPage(location->pageIndex);
    if (!page) return;
    page->MakeCurrent();
    CLine* first = page->GetLine(0);
    if (page->GetSystemCount() <= 0 || !first) return;

    int best = kFarthest;
    location->staff = first->GetStaff(0);
    CLine* chosen = nullptr;
    bool done = false;
    for (int i = 0; i < page->GetSystemCount() && !done; ++i) {
        CLine* line = page->GetLine(i);
        if (!line) break;
        const int dx = x < line->GetLeft() ? line->GetLeft() - x : (x > line->GetRight() ? x - line->GetRight() : 0);
        CStaffArray* staves = line->GetStaffArray();
        const int n = staves ? staves->GetCount() : 0;
        for (int k = 0; k < n; ++k) {
            auto* staff = static_cast<CStaff*>(staves->GetAt(k));
            if (!staff || !staff->IsShown()) continue;
            const int distance = StaffContains(staff, x, y) ? 0 : Distance(dx, staff->GetTopLine() - y);
            if (distance < best) {
                location->system = line;
                location->staff = staff;
                chosen = line;
                if (distance == 0) {
                    done = true;
                    break;
                }
                best = distance;
            }
        }
    }

    // With no shown staff on the page the system field is left as it was; what follows works
    // on the page's first system, which the preset staff belongs to.
    CLine* line = chosen ? chosen : first;
    CStaff* staff = location->staff;
    location->page = page;
    location->systemIndex = line->GetIndex();
    location->trackIndex = staff ? staff->GetIndex() : 0;
    CTrack* track = GetTrack(location->trackIndex);
    location->track = track;
    if (staff) {
        location->staffPosition = staff->YToPosition(y);
        location->verticalOffset = staff->YToOffset(y);
    }
    location->stemDirection = track ? track->GetVoiceStem(location->voice) : 0;
    line->LocatePoint(x, location);
    location->trkBar = GetTrkBar(location->trackIndex, location->barIndex);
}
