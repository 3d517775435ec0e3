// The mark tool: builds the mark of the palette's button for the note or rest clicked, lets it
// follow the pointer (a trill's line, a jazz mark's place, an arpeggio's arrow, the side of the
// others) and adds it to the note at the release.
#include "view/MarkTool.h"

#include <algorithm>
#include <cstring>

#include "model/Bar.h"
#include "model/ModelGlobals.h"
#include "model/NoteMark.h"
#include "model/Score.h"
#include "model/SystemStaff.h"
#include "model/ZelDoc.h"
#include "notation/NoteBase.h"
#include "view/ToolState.h"

namespace {
constexpr int kOrnamentTool = 906, kArticulationTool = 908, kGraphicTool = 909, kJazzTool = 911;
constexpr int kGraphicMarkButton = 6, kGraphicMarkCode = 250;
constexpr int kOpenStringButton = 7, kOpenString = 48;
constexpr int kTrillLine = 2, kArpeggio = 30;
enum : std::uint8_t { kWavyLine = 0x02, kSide = 0x04, kFlipped = 0x08, kArrows = 0x30 };
enum : int { kLineStart = 40, kEndPosition = 46 };
// A trill's line starts this far (1/1024 of a bar) after its note.
constexpr int kTrillReach = 128;
constexpr int kTrillLineStart = 240;
constexpr int kNoteFlagsByte = 21;
constexpr std::uint8_t kQuietMarksBit = 0x40;

bool StemUp(const CRawHead& n) { return (rec::Get<std::uint8_t>(&n, CRawHead::kOwnBytes) & 1) != 0; }
}  // namespace

bool CMarkTool::PlacesMarks(const ToolState& t) {
    return t.tool == kOrnamentTool || t.tool == kArticulationTool || t.tool == kJazzTool ||
           (t.tool == kGraphicTool && t.button == kGraphicMarkButton);
}

void CMarkTool::MarkCode(const ToolState& t, int* code, int* variant) {
    if (t.tool == kGraphicTool && t.button == kGraphicMarkButton) {
        *code = kGraphicMarkCode;
        *variant = 0;
        return;
    }
    *code = t.button;
    *variant = t.subTool;
    if (t.tool == kOrnamentTool && t.button >= kOpenStringButton)
        *code = t.button == kOpenStringButton ? kOpenString : t.button - 1;
    if (t.tool == kArticulationTool && *code >= kOpenString) *code += 1;
}

void CMarkTool::BuildItem() {
    redrag = 0;
    auto* hit = static_cast<CBarItem*>(item);
    note = hit && hit->IsNoteOrRest() ? static_cast<CRawHead*>(hit) : nullptr;
    int code = 0, variant = 0;
    MarkCode(g_toolState, &code, &variant);
    std::memset(scratch, 0, sizeof scratch);
    mark = reinterpret_cast<NoteMark*>(scratch);
    if (!note) return;
    note->InitMark(mark, code, variant, false);
    if (mark->Code() != kTrillLine) return;
    // A trill line on a trill without one stretches that trill.
    for (int i = 0; i < note->MarkCount(); ++i) {
        NoteMark* m = note->GetMark(i);
        if (m->Code() > 1 || (m->Flags() & kWavyLine)) continue;
        mark = m;
        redrag = 1;
        changed = 1;
        mark->SetFlags(std::uint8_t(mark->Flags() | kWavyLine));
        mark->SetWord(kLineStart, kTrillLineStart);
        mark->SetWord(kEndPosition, std::int16_t(note->PositionField() + kTrillReach));
        break;
    }
}

void CMarkTool::MoveItemDrag() {
    if (!note || !mark) return;
    const int code = mark->Code();
    const CStaff* staff = g_model.currentStaff;
    const int per100 = staff ? std::max(1, staff->ScaleOffset(100)) : 5;
    counters[0] += dx * 100;
    counters[1] += dy * 100;
    const int du = counters[0] / per100, dv = counters[1] / per100;
    counters[0] -= du * per100;
    counters[1] -= dv * per100;
    if (code <= kTrillLine) {
        if (positionStep != 0) {
            mark->SetFlags(std::uint8_t(mark->Flags() | kWavyLine));
            mark->SetWord(kEndPosition, std::int16_t(std::max(0, mark->GetWord(kEndPosition) + positionStep)));
        }
    } else if (code >= 70 && code <= 89) {
        mark->SetXOffset(std::int16_t(mark->XOffset() + du));
        mark->SetYOffset(std::int16_t(mark->YOffset() + (mark->GetPlacementKind() == 0 && StemUp(*note) ? dv : -dv)));
    } else if (code == kArpeggio) {
        if (dv != 0) mark->SetFlags(std::uint8_t((mark->Flags() & ~kArrows) | (dv > 0 ? 0x10 : 0x20)));
    } else {
        // The side rule: across the note the mark goes to the other side, its y reset.
        const bool up = StemUp(*note);
        const int stemSide = up ? note->GetTopHeadPos() : note->GetBottomHeadPos();
        const int farSide = up ? note->GetBottomHeadPos() : note->GetTopHeadPos();
        const std::uint8_t f = mark->Flags();
        if (!(f & kFlipped)) {
            if (targetStaffPos > stemSide + 1) {
                mark->SetFlags(std::uint8_t((f ^ kSide) | kFlipped));
                mark->SetYOffset(0);
            } else {
                mark->SetYOffset(std::int16_t(mark->YOffset() + dv));
            }
        } else if (targetStaffPos < farSide - 1) {
            mark->SetFlags(std::uint8_t((f ^ kSide) & ~kFlipped));
            mark->SetYOffset(0);
        } else {
            mark->SetYOffset(std::int16_t(mark->YOffset() - dv));
        }
    }
}

void CMarkTool::DrawDragImage() {
    if (!note || !mark || !score || !document) return;
    CBar* bar = score->GetBar(document->location.barIndex);
    if (!bar) return;
    note->VerifyTrack();
    note->DrawMark(bar->PositionToItemX(note->PositionField(), 0), mark);
}

void CMarkTool::Place() {
    if (!note || !mark) return;
    if (!redrag) {
        if (note->IsNoteOrRawNote() && (rec::Get<std::uint8_t>(note, kNoteFlagsByte) & kQuietMarksBit))
            mark->SetByte(NoteMark::kPlayback, 0);
        // Seven marks at most, and a rest takes only its own: a refused mark leaves the note as
        // it was, without a message.
        const int before = note->MarkCount();
        CRawHead* grown = note->AddMark(*mark);
        if (grown && grown->MarkCount() > before) {
            note = grown;
            changed = 1;
            RECT r{};
            note->GetMarkRect(&r, note->MarkCount() - 1);
            if (document) AddDirtyRect(r, document->location.pageIndex);
        }
        mark = nullptr;
    }
    if (changed && mark == nullptr && note->MarkCount() > 0 &&
        note->GetMark(note->MarkCount() - 1)->Code() == kArpeggio && score && document)
        if (CBar* bar = score->GetBar(document->location.barIndex)) bar->Respace();
    note->Invalidate();
    item = nullptr;
}
