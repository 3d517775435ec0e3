// The hit test of a note's marks that the bar's item search asks for (model/NoteHitHooks.h):
// every mark, or only the marks standing over the staff (their vertical position above 1440)
// or under it (below 1440), as the search reaches a note from the system below or above.
#include <algorithm>

#include "model/ModelGlobals.h"
#include "model/NoteHitHooks.h"
#include "model/NoteMark.h"
#include "notation/NoteBase.h"
#include "notation/NotationClasses.h"

namespace {

constexpr int kMiddle = 1440;
constexpr int kMarkTool = 906;

bool HitNoteMarks(CBarItem* item, int x, int y, int side) {
    if (!item || !item->IsNoteOrRawNote()) return false;
    auto* note = static_cast<CRawHead*>(item);
    if (side == 0) return note->HitTestMarks(x, y);
    const int n = note->WholeMarks(false);
    for (int i = 0; i < n; ++i) {
        const int v = note->GetMark(i)->GetWord(NoteMark::kYOffset);
        if (side == 1 ? v <= kMiddle : v >= kMiddle) continue;
        RECT r{};
        note->GetMarkRect(&r, i);
        const RECT m{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                     std::max(r.top, r.bottom)};
        if (x >= m.left && x < m.right && y >= m.top && y < m.bottom) {
            g_model.hitPart = std::int16_t(i);
            g_model.hitTool = kMarkTool;
            return true;
        }
    }
    return false;
}

}  // namespace

void RegisterNoteHitHooks() { NoteMarksHit() = &HitNoteMarks; }
