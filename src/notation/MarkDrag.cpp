// The drag of a mark on a note or rest: the whole mark moves (flipping across the note when
// dragged through it), a trill's wavy line starts or ends elsewhere (its end may reach into
// later bars), a jazz line's ends move, an arpeggio grows longer or changes its arrow.
#include <algorithm>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NoteBase.h"
#include "notation/NoteDrags.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"

namespace {
enum : std::uint8_t { kDragged = 0x01, kWavyLine = 0x02, kSide = 0x04, kFlipped = 0x08, kArrows = 0x30 };
enum : int { kLineStart = 40, kExtent = 42, kEndY = 44, kEndPosition = 46 };
constexpr int kTrillGlyph = 172;

CRawHead* HeadOf(CScoreItem* item) {
    auto* bi = static_cast<CBarItem*>(item);
    return item && bi->IsNoteOrRest() ? static_cast<CRawHead*>(bi) : nullptr;
}

bool StemUp(const CRawHead& note) { return (rec::Get<std::uint8_t>(&note, CRawHead::kOwnBytes) & 1) != 0; }

// Page pixels to the staff's units (those of the mark offsets), the remainder kept in *rest.
int ToUnits(const CStaff* staff, int px, std::int32_t* rest) {
    const int per100 = staff ? std::max(1, staff->ScaleOffset(100)) : 5;
    *rest += px * 100;
    const int units = *rest / per100;
    *rest -= units * per100;
    return units;
}

void AddWord(NoteMark* mark, int offset, int delta) { mark->SetWord(offset, std::int16_t(mark->GetWord(offset) + delta)); }
}  // namespace

// The side rule: a vertical move of a mark above or below the note; dragged across the note it
// goes to the other side once, its y offset reset.
static void SideRule(NoteMark* mark, CRawHead& note, int staffPos, int du) {
    const bool up = StemUp(note);
    const int stemSide = up ? note.GetTopHeadPos() : note.GetBottomHeadPos();
    const int farSide = up ? note.GetBottomHeadPos() : note.GetTopHeadPos();
    std::uint8_t f = mark->Flags();
    if (!(f & kFlipped)) {
        if (staffPos > stemSide + 1) {
            mark->SetFlags(std::uint8_t((f ^ kSide) | kFlipped));
            mark->SetYOffset(0);
        } else {
            AddWord(mark, NoteMark::kYOffset, du);
        }
    } else {
        if (staffPos < farSide - 1) {
            mark->SetFlags(std::uint8_t((f ^ kSide) & ~kFlipped));
            mark->SetYOffset(0);
        } else {
            AddWord(mark, NoteMark::kYOffset, -du);
        }
    }
}

void CDragMark::BeginItemDrag() {
    CRawHead* note = HeadOf(item);
    mark = nullptr;
    if (!note || !score || !document) return;
    markIndex = g_model.hitPart;
    if (markIndex < 0 || markIndex >= note->MarkCount()) return;
    mark = note->GetMark(markIndex);
    if (CBar* bar = score->GetBar(document->location.barIndex)) noteX = bar->PositionToItemX(note->PositionField(), 0);
    RECT r{};
    note->GetMarkRect(&r, markIndex);
    upperHalf = mark->GetGlyph() == kTrillGlyph ? (start.y < r.top + (r.bottom - r.top) / 2) : 1;
    handle = kStartHandle;
    const int code = mark->Code();
    CArtist* artist = g_draw.artist;
    const int glyphWidth = artist ? artist->GlyphWidth(kTrillGlyph) : int(r.bottom - r.top);
    if (code <= 1) {
        if (start.x > r.left + glyphWidth) {
            handle = start.x < (r.left + r.right) / 2 ? kLineHandle : kEndHandle;
            upperHalf = 0;
        }
    } else if (code == 2) {
        if (start.x > r.left + glyphWidth / 2) {
            handle = kEndHandle;
            upperHalf = 0;
        }
    } else if (code != 30) {
        handle = kWholeMark;
        if (mark->IsCode70To75Or80Or81()) {
            const CStaff* staff = g_model.currentStaff;
            const int half = staff ? std::max(1, staff->Space() / 2) : 3;
            const POINT at = note->PlaceMark(noteX, mark);
            const auto near = [&](POINT p) {
                return start.x >= p.x - half && start.x <= p.x + half && start.y >= p.y - half && start.y <= p.y + half;
            };
            const int ex = staff ? staff->ScaleOffset(mark->GetWord(kExtent)) : mark->GetWord(kExtent);
            const int ey = staff ? staff->ScaleOffset(mark->GetWord(kEndY)) : mark->GetWord(kEndY);
            if (near(at))
                handle = kStartHandle;
            else if (near(POINT{at.x + ex, at.y + ey}))
                handle = kEndHandle;
        }
    }
    mark->SetFlags(std::uint8_t(mark->Flags() | kDragged));
}

void CDragMark::MoveItemDrag() {
    CRawHead* note = HeadOf(item);
    if (!note || !mark) return;
    note->Invalidate();
    const CStaff* staff = g_model.currentStaff;
    const int du = ToUnits(staff, dx, &counters[0]);
    const int dv = ToUnits(staff, dy, &counters[1]);
    const int code = mark->Code();
    const bool up = StemUp(*note);
    if (code >= 70 && code <= 89) {
        if (handle == kWholeMark) {
            AddWord(mark, NoteMark::kXOffset, du);
            AddWord(mark, NoteMark::kYOffset, mark->GetPlacementKind() == 0 && up ? dv : -dv);
        } else if (handle == kStartHandle) {
            AddWord(mark, NoteMark::kXOffset, du);
            AddWord(mark, NoteMark::kYOffset, -dv);
            AddWord(mark, kExtent, -du);
            AddWord(mark, kEndY, -dv);
        } else if (handle == kEndHandle) {
            AddWord(mark, kExtent, du);
            AddWord(mark, kEndY, dv);
        }
        return;
    }
    if (handle == kWholeMark) {
        AddWord(mark, NoteMark::kXOffset, du);
        SideRule(mark, *note, targetStaffPos, dv);
        return;
    }
    if (!horizontal) {
        if (code == 30) {
            if (g_viewDrag.modifierFlagB && dv != 0)
                mark->SetFlags(std::uint8_t((mark->Flags() & ~kArrows) | (dv > 0 ? 0x10 : 0x20)));
            if (!upperHalf)
                mark->SetWord(kExtent, std::int16_t(std::max(0, mark->GetWord(kExtent) + dv)));
            else
                AddWord(mark, NoteMark::kYOffset, dv);
        } else if (code <= 2 && handle != kStartHandle) {
            AddWord(mark, kExtent, dv);
        } else {
            SideRule(mark, *note, targetStaffPos, dv);
        }
        return;
    }
    if (handle == kStartHandle) {
        AddWord(mark, NoteMark::kXOffset, du);
    } else if (code <= 2) {
        if (handle == kLineHandle) {
            AddWord(mark, kLineStart, du);
        } else if (handle == kEndHandle) {
            AddWord(mark, kEndPosition, positionStep);
            if (mark->GetWord(kEndY) > 0 && mark->GetWord(kEndPosition) < 0) {
                mark->SetWord(kEndPosition, 1023);
                AddWord(mark, kEndY, -1);
            } else if (mark->GetWord(kEndY) == 0 && mark->GetWord(kEndPosition) < note->PositionField()) {
                mark->SetWord(kEndPosition, note->PositionField());
            }
        }
    }
}

void CDragMark::EndItemDrag() {
    CRawHead* note = HeadOf(item);
    if (!note || !mark) return;
    mark->SetFlags(std::uint8_t(mark->Flags() & ~kDragged));
    if (mark->Code() <= 1) {
        while (mark->GetWord(kEndPosition) > 1024) {
            AddWord(mark, kEndPosition, -1024);
            AddWord(mark, kEndY, 1);
        }
    }
    if (mark->Code() == 30 && moved && g_preferences.Byte(Preferences::kSpace) && score && document) {
        if (CBar* bar = score->GetBar(document->location.barIndex)) {
            bar->Respace();
            if (CLine* line = document->location.system) line->Rejustify(true);
        }
    }
    RECT r{};
    note->GetMarkRect(&r, markIndex);
    if (document) AddDirtyRect(r, document->location.pageIndex);
    mark = nullptr;
}

void CDragMark::DrawDragImage() {
    CRawHead* note = HeadOf(item);
    if (!note || !mark) return;
    note->VerifyTrack();
    note->DrawMark(noteX, mark);
}
