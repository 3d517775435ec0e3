// The dynamics palette's tools: a click puts a dynamic in (buttons 0-15); a press, drag and
// release draws a hairpin or a written crescendo/decrescendo (buttons 16-19) whose playback
// curve joins the dynamics before and after it. With Ctrl or Alt held at the press the item
// goes onto the following tracks of the system too (all with Ctrl, those with notes in the bar
// with Alt).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "framework/Arith.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/EventCursor.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/PlaybackMarks.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/DrawGlobals.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"
#include "view/PlaceTools.h"
#include "view/ToolState.h"

namespace {
// Below this staff position (on and under the staff's upper part) a mark is moved clear of the
// notes under it.
constexpr int kAvoidBelow = 3;
constexpr int kVerticalDefault = 480;
constexpr int kOpening = 90;
constexpr int kEndOffset = 240;
constexpr int kTimeOffset = -10;
// The hit handle the hairpin's drag hooks read: the end a crescendo opens at, a decrescendo's
// point.
constexpr int kCrescendoEndHandle = 2;
constexpr int kDecrescendoEndHandle = 0;
// The written forms' texts.
constexpr UINT kCrescText = 6630;
constexpr UINT kDecrescText = 6631;
constexpr int kLevelAfterStep = 50;
constexpr int kMaxLevel = 127;

std::string HairpinText(bool crescendo) {
    char text[64];
    return LoadResString(crescendo ? kCrescText : kDecrescText, text);
}
}  // namespace

// --- the dynamic ---------------------------------------------------------------------------------

bool TakesCopy(const CEditTool& tool, int track) {
    CScore* score = tool.score;
    if (track < 0 || track >= CEditTool::kTracks || tool.trackMask[track] != 1 || !score) return false;
    const ScoreLocation& own = tool.own;
    CLine* line = own.system ? own.system : score->GetLine(own.systemIndex);
    CStaff* staff = line ? line->GetStaff(track) : nullptr;
    return staff && staff->IsShown();
}

void SaveCopyTracks(CEditTool& tool, int firstTrack, int bar, bool copiesOnly) {
    if (!(tool.ctrlFlag || tool.altFlag) || !tool.score) return;
    for (int t = firstTrack + 1; t < tool.score->GetTrackCount(); ++t) {
        if (copiesOnly && !TakesCopy(tool, t)) continue;
        if (!tool.SaveTrackBar(t, bar)) ThrowOutOfMemory();
    }
}

void CDynamicTool::BuildItem() {
    auto* d = static_cast<CDynamic*>(ConstructClass(CDynamic::kType, scratch));
    if (!d || !score) return;
    CTrack* track = score->GetTrack(own.trackIndex);
    d->InitMark(g_toolState.button, track);
    d->SetHorizontalOffset(own.xOffset);
    item = d;
    g_model.dragItem = d;
}

void CDynamicTool::Place() {
    auto* d = static_cast<CDynamic*>(ScratchItem());
    if (!score || d->TypeCode() != CDynamic::kType) return;
    CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex);
    CBar* bar = score->GetBar(own.barIndex);
    if (!tb || !bar) return;
    if (!SaveTrackBar(own.trackIndex, own.barIndex)) ThrowOutOfMemory();
    tb->SetCurrent();
    d->SetTimeField(std::int16_t(int(own.time)));
    d->SetPositionField(own.position);
    d->SetHorizontalOffset(own.xOffset);
    const bool avoid = own.staffPosition < kAvoidBelow;
    if (avoid) tb->AvoidNotes(d, true);
    MarkTracks();
    SaveCopyTracks(*this, own.trackIndex, own.barIndex, true);
    tb->SetCurrent();
    bar->MakeCurrent();
    CBarItem* placed = tb->InsertCopy(d);
    if (!placed) ThrowOutOfMemory();
    SetChanged(true);
    AddItemRect(placed);
    newItem = placed;
    const int word = CDynamic::Of(placed)->GetVerticalOffset();
    if (ctrlFlag || altFlag) {
        keepsPlaced = 1;
        for (int t = own.trackIndex + 1; t < score->GetTrackCount(); ++t) {
            if (!TakesCopy(*this, t)) continue;
            CTrkBar* other = score->GetTrkBar(t, own.barIndex);
            if (!other) continue;
            other->SetCurrent();
            CBarItem* copy = other->InsertCopy(d);
            if (!copy) ThrowOutOfMemory();
            CDynamic::Of(copy)->SetVerticalOffset(word);
            if (avoid) other->AvoidNotes(copy, true);
            AddItemRect(copy);
        }
        tb->SetCurrent();
    }
    item = nullptr;
}

void CDynamicTool::DrawDragImage() {
    CBarItem* it = ScratchItem();
    if (!score || it->TypeCode() == 255) return;
    it->VerifyTrack();
    it->DrawDragFeedback();
    if (ctrlFlag || altFlag) {
        for (int t = own.trackIndex + 1; t < score->GetTrackCount(); ++t) {
            CTrkBar* other = score->GetTrkBar(t, own.barIndex);
            if (!other) continue;
            other->SetCurrent();
            if (!TakesCopy(*this, t)) continue;
            it->VerifyTrack();
            if (g_model.currentStaff && g_model.currentStaff->IsShown()) it->Draw();
        }
    }
    if (CTrkBar* tb = score->GetTrkBar(own.trackIndex, own.barIndex)) tb->SetCurrent();
    it->VerifyTrack();
}

// --- the hairpin ---------------------------------------------------------------------------------

void CCrescTool::BuildItem() {
    auto* h = static_cast<CCresc*>(ConstructClass(CCresc::kType, scratch));
    if (!h || !score || !insertion) return;
    const ScoreLocation& at = *insertion;
    const int button = g_toolState.button;
    if (button < kCrescendoText) {
        h->SetShape(CCresc::kCrescendo);
        h->SetTextForm(false);
        h->SetDouble(button == kDouble);
        h->SetText({});
    } else {
        h->SetShape((button - kCrescendoText) & 3);
        h->SetTextForm(true);
        h->SetDouble(false);
        h->SetText(HairpinText(h->GetShape() == CCresc::kCrescendo));
    }
    h->SetTransient(false);
    FontRef font = g_draw.standardFontRefs[0];
    h->SetFont(font);
    h->SetPositionField(at.position);
    h->SetEnd(0, at.position);
    h->SetEndOffset(kEndOffset);
    h->SetStartOffset(own.xOffset);
    h->SetVerticalPosition(at.staffPosition >= kAvoidBelow ? pressOffset : kVerticalDefault);
    h->SetUpper(kOpening);
    h->SetLower(kOpening);
    h->SetTimeField(std::int16_t(int(at.time)));
    h->SetTimeOffsetField(kTimeOffset);
    h->SetAllVoices(true);
    int controller = 7;
    h->SetPlayKind(marks::PlayKindForTrack(score->GetTrack(at.trackIndex), 0, &controller));
    h->SetController(controller);
    h->InitCurve();

    item = h;
    followStaff = 0;
    g_model.dragItem = h;
    if (CTrkBar* tb = score->GetTrkBar(at.trackIndex, at.barIndex)) tb->SetCurrent();
    g_model.hitPart = std::int16_t(h->GetShape() == CCresc::kCrescendo ? kCrescendoEndHandle : kDecrescendoEndHandle);
    g_platform.shiftDown = 1;
}

void CCrescTool::Place() {
    auto* h = static_cast<CCresc*>(ScratchItem());
    if (!score || !insertion || h->TypeCode() != CCresc::kType) return;
    // The hairpin stands where it was pressed; the drag gave its length.
    const ScoreLocation& at = *insertion;
    CTrkBar* tb = score->GetTrkBar(at.trackIndex, at.barIndex);
    if (!tb) return;
    if (!SaveTrackBar(at.trackIndex, at.barIndex)) ThrowOutOfMemory();
    SaveCopyTracks(*this, at.trackIndex, at.barIndex, false);
    tb->SetCurrent();
    CBarItem* placed = tb->InsertCopy(h);
    if (!placed) ThrowOutOfMemory();
    SetChanged(true);
    auto* p = CCresc::Of(placed);
    // What the drag moved: the ends' offsets.
    p->SetStartOffset(p->GetStartOffset() + g_model.itemDragX);
    p->SetEndOffset(p->GetEndOffset() + g_model.dragEndOffsetX);
    g_model.itemDragX = 0;
    g_model.dragEndOffsetX = 0;
    g_model.dragItem = nullptr;
    if (p->GetEndOffset() < 0) {
        // Drawn leftwards: a decrescendo from where the drag ended.
        p->FlipShape();
        p->SetShape(CCresc::kDecrescendo);
        const int start = p->GetStartOffset();
        p->SetStartOffset(p->GetEndOffset());
        p->SetEndOffset(start);
        p->SetText(HairpinText(false));
    }
    FitCurve(p);
    AddItemRect(placed);
    newItem = placed;
    const int vertical = p->GetVerticalPosition();
    const bool avoid = at.staffPosition < kAvoidBelow;
    if (avoid) tb->AvoidNotes(placed, true);

    if (ctrlFlag || altFlag) {
        keepsPlaced = 1;
        std::memcpy(scratch, placed, std::min<std::size_t>(placed->RecordSizeField(), sizeof scratch));
        for (int t = at.trackIndex + 1; t < score->GetTrackCount(); ++t) {
            CTrkBar* other = score->GetTrkBar(t, at.barIndex);
            if (!other || !TakesCopy(*this, t)) continue;
            other->SetCurrent();
            CBarItem* copy = other->InsertCopy(ScratchItem());
            if (!copy) ThrowOutOfMemory();
            CCresc::Of(copy)->SetVerticalPosition(vertical);
            if (avoid) other->AvoidNotes(copy, true);
            AddItemRect(copy);
        }
        tb->SetCurrent();
    }
    item = nullptr;
}

void CCrescTool::MoveItemDrag() {
    // The end the drag draws out, whatever the pointer's hit tests found since the press.
    auto* h = CCresc::Of(ScratchItem());
    if (h->TypeCode() == CCresc::kType)
        g_model.hitPart = std::int16_t(h->GetShape() == CCresc::kCrescendo ? kCrescendoEndHandle : kDecrescendoEndHandle);
    CEditTool::MoveItemDrag();
}

void CCrescTool::FitCurve(CCresc* h) {
    if (!h || !score || !insertion) return;
    const int trackIndex = insertion->trackIndex;
    CTrack* track = score->GetTrack(trackIndex);
    if (!track) return;
    const int voice = h->VoiceField();
    int start = track->GetVoiceVolume(voice), end = 0;
    bool before = false;
    const int bar = insertion->barIndex, position = h->PositionField();
    const int endBar = bar + h->GetEndBar(), endPosition = h->GetEndPosition();
    CEventCursor cursor;
    cursor.Seek(score, trackIndex, 0);
    for (CBarItem* it = cursor.Next(); it; it = cursor.Next()) {
        if (it->TypeCode() != CDynamic::kType || it->VoiceField() != voice) continue;
        const int b = cursor.GetBarIndex(), p = it->PositionField();
        if (b < bar || (b == bar && p <= position)) {
            before = true;
            start = CDynamic::Of(it)->GetValue();
            end = std::min(start + kLevelAfterStep, kMaxLevel);
            continue;
        }
        if (!before) continue;
        if (b < endBar || (b == endBar && p < endPosition)) continue;
        end = CDynamic::Of(it)->GetValue();
        break;
    }
    if (start <= 0) return;
    if (end == 0) end = std::min(MulDiv(start, 150, 100), kMaxLevel);
    const bool rises = h->GetShape() == CCresc::kCrescendo && start < end;
    const bool falls = h->GetShape() == CCresc::kDecrescendo && end < start;
    if (!rises && !falls) return;
    for (int i = 0; i < CCresc::kCurvePoints; ++i)
        h->SetCurveValue(i, int(std::lround(start + (end - start) * i / 6.0)));
}
