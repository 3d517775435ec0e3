// The clef change: its stored form, values, range, drawing and removal.
#include "model/Clef.h"

#include <algorithm>
#include <utility>

#include "framework/Arith.h"
#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/EditTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreLocation.h"
#include "model/SystemStaff.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/ChunkStream.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "platform/Theory.h"

namespace {

const ClefBehaviour kClef;
CClef& Clef(CScoreItem& item) { return static_cast<CClef&>(item); }

constexpr int kCClefCodes[5] = {4, 5, 2, 3, 6};
constexpr int kPaletteCodes[9] = {0, 1, 2, 7, 8, 9, 10, 11, 12};

// A 16-bit field between memory and stored order, the value scaled (coordinates).
void SwapWord(std::uint8_t* p) { std::swap(p[0], p[1]); }

int MusicSize(const CStaff& staff, const CScoreItem& item) {
    const int size = staff.GetFontSize();
    return item.Scale() ? MulDiv(size, item.Scale(), 100) : size;
}

// The clef of the drag under way (null: none).
bool IsDragged(const CClef& c) {
    const CDragTask* task = g_viewDrag.currentTask;
    return task && task->item == &c;
}

// Where the glyph's right edge stands and the y of its staff position; a dragged clef stands
// where the drag has moved it across.
bool Place(CClef& c, int* right, int* y) {
    CBar* bar = g_model.currentBar;
    CStaff* staff = g_model.currentStaff;
    if (!bar || !staff) return false;
    *right = bar->FractionToX(c.PositionField()) + staff->ScaleOffset(c.GetXOffset()) +
             (IsDragged(c) ? g_viewDrag.clefDx : 0);
    *y = staff->PositionToY(c.GetClefStaffPos());
    return true;
}

}  // namespace

const ClefBehaviour& ClefBehaviour::Instance() { return kClef; }

CClef* CClef::Construct(void* buffer) {
    CBarItem::Construct(buffer);
    auto* clef = static_cast<CClef*>(ConstructClass(kTypeCode, buffer));
    if (clef) std::fill(clef->Bytes() + kCode, clef->Bytes() + kSize, std::uint8_t(0));
    return clef;
}

bool CClef::IsCClefCode(int code) { return code >= 2 && code <= 6; }

int CClef::CClefCodeForPosition(int pos) {
    const int row = pos + 4 >= 0 ? (pos + 4) / 2 : -1;
    return kCClefCodes[std::clamp(row, 0, 4)];
}

int CClef::CodeForPaletteButton(int button) { return button >= 0 && button < 9 ? kPaletteCodes[button] : -1; }

bool CClef::DragStaffPos(int d, int* pos) {
    if (d <= -5 || d >= 5) return false;
    *pos = d & ~1;
    return true;
}

void ClefBehaviour::Draw(CScoreItem& item) const {
    auto& c = Clef(item);
    CArtist* a = g_draw.artist;
    int right = 0, y = 0;
    if (!a || c.GetCode() >= CTheory::kClefCount || !Place(c, &right, &y)) return;
    a->PushFont();
    a->SetMusicFont(MusicSize(*g_model.currentStaff, c));
    const int glyph = CTheory::GetClefGlyph(c.GetCode());
    const int x = right - a->GlyphWidth(glyph);
    c.SetDrawColor(c.IsSelectedBit() && !g_draw.dragInProgress && !g_draw.printingDC);
    a->DrawGlyph(x, y, glyph);
    c.ResetDrawColor();
    g_model.drawnPoint = POINT{x, y};
    a->PopFont();
}

RECT* ClefBehaviour::GetBounds(CScoreItem& item, RECT* rect) const {
    auto& c = Clef(item);
    *rect = RECT{};
    int right = 0, y = 0;
    if (!Place(c, &right, &y)) return rect;
    const CStaff& staff = *g_model.currentStaff;
    const int s = staff.Space();
    int width = s * 2;
    if (CArtist* a = g_draw.artist; a && c.GetCode() < CTheory::kClefCount) {
        a->PushFont();
        a->SetMusicFont(MusicSize(staff, c));
        width = a->GlyphWidth(CTheory::GetClefGlyph(c.GetCode()));
        a->PopFont();
    }
    rect->right = right;
    rect->left = right - width;
    rect->bottom = y + s;
    rect->top = rect->bottom - 2 * s - (c.GetCode() == 0 ? s : 0);
    return rect;
}

void ClefBehaviour::WriteBody(CScoreItem& item, CChunkStream& stream) const {
    auto& c = Clef(item);
    if (c.RecordSizeField() < CClef::kSize) return BarItemBehaviour::WriteBody(item, stream);
    stream.WriteByte(c.GetCode());
    stream.WriteByte(std::uint8_t(c.GetClefStaffPos()));
    stream.WriteCoord(c.GetXOffset());
}

void ClefBehaviour::ToFileOrder(CScoreItem& item) const {
    BarItemBehaviour::ToFileOrder(item);
    auto& c = Clef(item);
    if (c.RecordSizeField() < CClef::kSize) return;
    c.SetXOffset(c.GetXOffset() / 5);
    SwapWord(c.Bytes() + CClef::kXOffset);
}

void ClefBehaviour::FromFileOrder(CScoreItem& item) const {
    auto& c = Clef(item);
    if (c.RecordSizeField() < CClef::kSize) return;
    SwapWord(c.Bytes() + CClef::kXOffset);
    c.SetXOffset(c.GetXOffset() * 5);
}

void ClefBehaviour::MarkRemoved(CBarItem& item) const {
    BarItemBehaviour::MarkRemoved(item);
    auto& c = Clef(item);
    if (CTrkBar* tb = g_model.currentTrkBar) tb->RepositionForClef(c.PositionField(), c.GetCode());
}

int ClefBehaviour::GetBarRange(CBarItem& item, int* first, int* last, CTrkBar* trkBar) const {
    const int bar = trkBar ? trkBar->GetBarIndex() : 0;
    int end = bar;
    int found = bar;
    if (trkBar && trkBar->FindNextItemOfKind(&item, &found))
        end = found;
    else if (g_model.currentScore)
        end = std::max(bar, g_model.currentScore->GetBarCount() - 1);
    if (first) *first = bar;
    if (last) *last = end;
    return end - bar;
}

std::int16_t ClefBehaviour::GetStaffPos(CBarItem& item, int) const { return Clef(item).GetClefStaffPos(); }
int ClefBehaviour::GetValue(CBarItem& item) const { return Clef(item).GetCode(); }
void ClefBehaviour::SetVoice(CBarItem& item, int) const { BarItemBehaviour::SetVoice(item, 0); }
void ClefBehaviour::SetValue(CBarItem& item, int value) const { Clef(item).SetCode(value); }

bool ClefBehaviour::WantsClickSelection(CBarItem&) const { return g_viewDrag.currentTool == CClef::kClefTool; }

// --- the drag -------------------------------------------------------------------------------------

namespace {
// What the drag record keeps of the clef at the press: its staff position and its time.
enum : int { kKeptStaffPos = 0, kKeptTime = 1 };

void SetRemovedBit(CBarItem& item, bool on) {
    item.SetFlagsB(on ? std::uint8_t(item.FlagsB() | CBarItem::kRemovedBit)
                      : std::uint8_t(item.FlagsB() & ~CBarItem::kRemovedBit));
}

// The bar's times, layout and accidentals after a clef change, then the score's running state.
void RecalcAfterClef(CScore& score, CTrkBar& tb) {
    tb.SetCurrent();
    tb.RecalcTimes(nullptr, nullptr);
    tb.SetCurrent();
    tb.Recalc(1);
    tb.RecalcAccidentals();
    const fw::ScopedGlobal<CTrkBar*> keep(g_model.currentTrkBar);
    score.RecalcBars(false);
}
}  // namespace

void ClefBehaviour::BeginDrag(CScoreItem& item) const {
    BarItemBehaviour::BeginDrag(item);
    auto& c = Clef(item);
    // The drag keeps to one axis, as while Shift is held.
    g_platform.shiftDown = 1;
    g_viewDrag.clefDx = 0;
    if (CDragTask* task = g_viewDrag.currentTask) {
        task->counters[kKeptStaffPos] = c.GetClefStaffPos();
        task->counters[kKeptTime] = c.TimeField();
    }
}

void ClefBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!drag) return;
    auto& c = Clef(item);
    if (drag->horizontal) {
        g_viewDrag.clefDx += drag->dx;
        return;
    }
    if (!c.IsCClef()) return;
    // The clef follows the pointer from line to line while it stays on the staff.
    int pos = 0;
    if (CClef::DragStaffPos(drag->counters[kKeptStaffPos] + drag->targetStaffPos - drag->startStaffPos, &pos))
        c.SetClefStaffPos(pos);
}

void ClefBehaviour::DrawDragFeedback(CScoreItem& item) const {
    // Drawn in its own bar and staff, whatever bar the pointer is over.
    CScore* score = g_model.currentScore;
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    CTrkBar* tb = doc ? score->GetTrkBar(doc->location.trackIndex, doc->location.barIndex) : nullptr;
    if (!tb) return;
    const fw::ScopedGlobal<CTrkBar*> keepTrkBar(g_model.currentTrkBar);
    const fw::ScopedGlobal<CBar*> keepBar(g_model.currentBar);
    const fw::ScopedGlobal<CStaff*> keepStaff(g_model.currentStaff);
    tb->SetCurrent();
    Draw(item);
}

void ClefBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    auto& c = Clef(item);
    const int dx = g_viewDrag.clefDx;
    g_viewDrag.clefDx = 0;
    // The Shift flag the drag set gives way to the keys as they are.
    ReadModifierKeys();
    SetRemovedBit(c, false);
    CScore* score = g_model.currentScore;
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if (!drag || !drag->moved || !score || !doc) {
        // Cancelled: the clef stands as it stood.
        if (drag && drag->counters[kKeptTime] == c.TimeField()) c.SetClefStaffPos(drag->counters[kKeptStaffPos]);
        return;
    }
    const int track = doc->location.trackIndex, barIndex = doc->location.barIndex;
    CTrkBar* tb = score->GetTrkBar(track, barIndex);
    CBar* bar = score->GetBar(barIndex);
    if (!tb || !bar) return;
    CScoreTask* task = doc->currentTask;
    tb->SetCurrent();

    if (!drag->horizontal) {
        if (!c.IsCClef()) return;
        c.SetCode(CClef::CClefCodeForPosition(c.GetClefStaffPos()));
        tb->RepositionForClef(c.PositionField(), c.GetCode());
        RecalcAfterClef(*score, *tb);
        drag->result = &c;
        return;
    }

    // Across: the clef goes to the bar and place under its moved right edge, on its own staff.
    CStaff* staff = g_model.currentStaff;
    if (!staff || dx == 0) return;
    const int x = bar->FractionToX(c.PositionField()) + staff->ScaleOffset(c.GetXOffset()) + dx;
    ScoreLocation at = doc->location;
    score->LocatePoint(x, staff->PositionToY(c.GetClefStaffPos()), &at);
    CTrkBar* target = score->GetTrkBar(track, at.barIndex);
    if (!target || at.trackIndex != track) return;
    const int position = std::clamp<int>(at.position, 0, 1023);
    if (task) {
        // The bars from the drop to the clef's end of influence, here and on the staves beside.
        const int first = std::min<int>(at.barIndex, barIndex);
        if (!task->SaveRange(track - 1, first, track + 1, score->GetBarCount() - 1)) ThrowOutOfMemory();
        task->SetLayoutChanged();
        task->SetChanged(true);
    }
    alignas(8) std::uint8_t copy[CClef::kSize] = {};
    std::copy(c.Bytes(), c.Bytes() + CClef::kSize, copy);
    auto* moved = static_cast<CClef*>(static_cast<void*>(copy));
    // The old clef goes: the notes after it take the clef that now governs them.
    c.MarkRemoved();
    RecalcAfterClef(*score, *tb);
    target->SetCurrent();
    moved->SetFlagsB(std::uint8_t(moved->FlagsB() & ~(CBarItem::kRemovedBit | CBarItem::kSelectedBit)));
    moved->SetPositionField(std::int16_t(position));
    moved->SetTimeField(std::int16_t(target->PositionToVoiceTime(-1, position)));
    CBarItem* placed = target->InsertCopy(moved);
    if (!placed) ThrowOutOfMemory();
    target->SetCurrent();
    target->RecalcTimes(nullptr, nullptr);
    target->SetCurrent();
    target->RepositionForClef(position, static_cast<CClef*>(placed)->GetCode());
    RecalcAfterClef(*score, *target);
    drag->result = placed;
}
