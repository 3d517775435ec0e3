// The drag task: begin on the document, the press, the moves past the 2-unit threshold (axis
// lock, steps in page, object and bar units, following the pointer into other staves), the
// release (click or drop, undo only when the pointer moved), the inverted-image feedback and
// the sounding of dragged notes.
#include "model/DragTask.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "framework/Globals.h"
#include "framework/Window.h"
#include "model/Bar.h"
#include "model/BarItem.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreItem.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntryFields.h"
#include "model/ZelDoc.h"
#include "platform/Artist.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

ViewDragGlobals g_viewDrag;

void ResetViewDragGlobals() { g_viewDrag = ViewDragGlobals{}; }

namespace {
[[maybe_unused]] const bool registered = fw::RegisterGlobalsReset(&ResetViewDragGlobals);
}  // namespace

namespace {
constexpr int kSelectTool = 800;
constexpr int kNoteTool = 903;
constexpr int kHeadVelocity = 8;
}  // namespace

CDragTask::~CDragTask() {
    if (g_viewDrag.currentTask == this) g_viewDrag.currentTask = nullptr;
}

void CDragTask::LocateAt(int x, int y) {
    ScoreLocation& at = g_model.dragStart;
    if (!score) return;
    score->LocatePoint(x, y, &at);
    if (CBar* b = score->GetBar(at.barIndex)) {
        at.bar = b;
        at.time = b->FractionToTick(at.position);
    }
}

void CDragTask::Begin(CZelDoc* doc, CScoreItem* hit, int nameId) {
    Attach(doc, nameId);
    feedbackStarted = 0;
    moved = 0;
    waiting = 1;
    axisLockAllowed = 1;
    followStaff = 1;
    barItem = 0;
    horizontal = 0;
    item = hit;
    g_viewDrag.currentTask = this;
    if (!doc) return;
    ScoreLocation& ip = doc->location;

    CSelect* sel = doc->GetSelection();
    const int selected = sel ? sel->GetItemCount() : 0;
    const bool noteOrRest = hit && hit->IsNoteOrRest();
    copyDrag = selected < 2 && hit && hit->ClassTestC() && g_platform.ctrlDown && !g_platform.altDown &&
               (g_viewDrag.tool == kSelectTool || noteOrRest);

    SaveTrackBarRange(ip.trackIndex, ip.barIndex, ip.trackIndex, ip.barIndex);

    g_model.dragStart = ip;
    if (CBar* b = score ? score->GetBar(ip.barIndex) : nullptr) g_model.dragStart.time = b->FractionToTick(ip.position);
    g_model.dragStart.item = nullptr;
    source = nullptr;

    // A copy drag of a note duplicates the note as it moves (the note's own drag); any other item
    // is duplicated now, the copy in front of it being the one dragged.
    if (copyDrag && !noteOrRest) {
        CScoreItem* copy = DuplicateForCopyDrag(static_cast<CBarItem*>(hit), ip);
        if (copy) {
            if (ip.item == hit) ip.item = copy;
            item = hit = copy;
        } else {
            copyDrag = 0;
        }
    }

    if (ip.page) bounds = ip.page->GetPaperRect();
    if (CTrkBar* tb = score ? score->GetTrkBar(ip.trackIndex, ip.barIndex) : nullptr) {
        tb->SetCurrent();
        int a = 0, b = 0;
        tb->GetClefAndKeyAt(ip.position, &a, &b);
        pitchContext[0] = std::int16_t(a);
        pitchContext[1] = std::int16_t(b);
    }
    if (item) {
        if (item->IsPageText()) followStaff = 0;
        if (item->IsTempo() || item->IsExpression()) SaveBar(ip.barIndex);
        if (item->IsClef()) SetLayoutChanged();
        if (!layoutChanged) item->Invalidate();
        barItem = item->ClassTestC() ? 1 : 0;
    }
}

namespace {
// A copy of the record inserted in front of it in its item array; the copy, or null when the
// record is not in the array or memory ran out.
CBarItem* DuplicateInArray(CItemArray* items, CBarItem* record) {
    if (!items || !record) return nullptr;
    const int n = items->GetCount();
    for (int i = 0; i < n; ++i) {
        if (items->GetAt(i) != record) continue;
        const int size = record->RecordSizeField();
        if (size < CBarItem::kHeadEnd) return nullptr;
        // The array's block may move as it grows: the record is copied aside first.
        const std::vector<std::uint8_t> bytes(record->Bytes(), record->Bytes() + size);
        return static_cast<CBarItem*>(items->InsertAt(i, bytes.data()));
    }
    return nullptr;
}
}  // namespace

CScoreItem* CDragTask::DuplicateForCopyDrag(CBarItem* record, const ScoreLocation& at) {
    if (!score || !record) return nullptr;
    CBarItem* copy = nullptr;
    if (record->IsPageText()) {
        if (!SavePageTexts()) return nullptr;
        copy = DuplicateInArray(score->GetPageTextArray(), record);
    } else if (record->IsTrackItem()) {
        // The snapshot of the begin holds the track-bar already.
        CTrkBar* tb = score->GetTrkBar(at.trackIndex, at.barIndex);
        const std::uint8_t* run = tb ? tb->Block()->Address() : nullptr;
        const auto* at8 = reinterpret_cast<const std::uint8_t*>(record);
        if (run && at8 >= run && at8 < run + tb->GetRunLength()) copy = tb->DuplicateItem(record);
    } else if (CBar* bar = score->GetBar(at.barIndex)) {
        if (!SaveBar(at.barIndex)) return nullptr;
        copy = DuplicateInArray(bar->GetItemArray(), record);
        if (copy) bar->RefreshItemCache();
    }
    if (!copy) return nullptr;
    source = copy->NextItem();
    return copy;
}

bool CDragTask::SaveTrackBarRange(int track1, int bar1, int track2, int bar2) {
    CScoreItem* it = item;
    if (it && !it->ClassTestC()) {
        if (it->IsTrack()) return SaveTracks();
        if (it->IsPageText()) return SavePageTexts();
        if (it->IsStaff()) return SaveSystem(document ? document->location.systemIndex : 0);
    }
    if (it && (it->IsClef() || it->IsKeySig()) && score) bar2 = score->GetBarCount() - 1;
    // A clef moves the notes of its own staff and the heads the staves beside it draw there.
    if (it && it->IsClef()) {
        --track1;
        ++track2;
    }
    return CScoreTask::SaveTrackBarRange(track1, bar1, track2, bar2);
}

void CDragTask::SetContext() {
    ScoreLocation& at = g_model.dragStart;
    if (!score) return;
    if (CBar* b = score->GetBar(at.barIndex)) b->MakeCurrent();
    if (at.trkBar) at.trkBar->SetCurrent();
    if (at.staff) g_model.currentStaff = at.staff;
}

void CDragTask::BeginItemDrag() {
    if (item) item->BeginDrag();
}

void CDragTask::MoveItemDrag() {
    if (item) item->DragBy(this);
}

void CDragTask::EndItemDrag() {
    if (item) item->EndDrag(this);
}

void CDragTask::DrawDragImage() {
    if (item) item->DrawDragFeedback();
}

void CDragTask::DrawFeedback() {
    g_draw.feedbackDrawing = true;
    CPage* page = score ? score->GetPage(g_model.dragStart.pageIndex) : nullptr;
    if (page && item) {
        page->DrawInPane(item, [](CScoreItem*, void* self) {
            // Before the first move the item is painted out in white; after it the image is
            // inverted, so that drawing it again gives the page back as it was.
            CArtist* a = g_draw.artist;
            a->PushColor();
            a->SetMusicFont(24);
            if (!g_viewDrag.feedbackOn) {
                a->SetColor(7);
                a->SetROP2(R2_WHITE);
            } else {
                a->SetROP2(R2_NOT);
            }
            static_cast<CDragTask*>(self)->DrawDragImage();
            a->SetROP2(R2_COPYPEN);
            a->PopColor();
            return 1;
        }, this);
    }
    g_draw.feedbackDrawing = false;
}

void CDragTask::RedrawStaves() {
    if (!document) return;
    if (CPage* page = score ? score->GetPage(g_model.dragStart.pageIndex) : nullptr) {
        if (CPagePaneBase* pane = document->GetPagePane(page->GetIndex())) {
            // Painted now, before the first inverted image: a paint later in the drag would wipe
            // an image that the next step inverts again.
            pane->Invalidate();
            if (CWnd* w = pane->PaneWindow()) w->UpdateWindow();
        }
    }
}

void CDragTask::EndFeedback() {
    if (g_viewDrag.feedbackOn || !copyDrag) {
        DrawFeedback();
        if (!item || !item->IsStaff()) RedrawStaves();
    }
}

std::int16_t CDragTask::ClampX(int x) const { return std::int16_t(std::clamp<int>(x, int(bounds.left), int(bounds.right))); }
std::int16_t CDragTask::ClampY(int y) const { return std::int16_t(std::clamp<int>(y, int(bounds.top), int(bounds.bottom))); }

bool CDragTask::AutoScrollTo(POINT pt) {
    CPage* page = score && document ? score->GetPage(g_model.dragStart.pageIndex) : nullptr;
    CPagePaneBase* pane = page ? document->GetPagePane(page->GetIndex()) : nullptr;
    if (!pane) return false;
    const RECT paper = page->GetPaperRect();
    return pane->AutoScroll(POINT{pt.x - paper.left, pt.y - paper.top});
}

void CDragTask::MouseDown(POINT pt) {
    start = pt;
    current = previous = pt;
    SetContext();
    ForceHideCursor();
    ScoreLocation& at = g_model.dragStart;
    CBar* b = score ? score->GetBar(at.barIndex) : nullptr;
    CStaff* staff = at.staff;
    if (!barItem || !b || !staff) {
        unitX = pt.x;
        unitY = pt.y;
    } else {
        startPosition = b->XToFraction(pt.x);
        unitX = b->XToItemOffset(pt.x, startPosition, item);
        unitY = pt.y;
        startStaffPos = std::int16_t(staff->YToPosition(pt.y));
        targetStaffPos = startStaffPos;
    }
    counters[0] = counters[1] = 0;
    anchor = pt;
    if (barItem && item && b && staff) {
        auto* bi = static_cast<CBarItem*>(item);
        anchor.x = b->PositionToItemX(bi->PositionField(), 0);
        anchor.y = staff->PositionToY(startStaffPos);
    }
    LocateAt(anchor.x, anchor.y);
    g_viewDrag.locateByAnchor = g_model.hitPart == 0 ? 1 : 0;
    BeginItemDrag();
    g_model.dragOffsetX = std::int16_t(anchor.x - start.x);
    g_model.dragOffsetY = std::int16_t(anchor.y - start.y);
    if (followStaff) g_model.dragStart.item = item;
}

void CDragTask::MouseMove(POINT cur, POINT prev, POINT st) {
    if (cur.x == prev.x && cur.y == prev.y) return;
    current = cur;
    previous = prev;
    start = st;
    if (waiting) {
        dx = std::abs(cur.x - st.x);
        dy = std::abs(cur.y - st.y);
        if (dx < kThreshold && dy < kThreshold) return;
        horizontal = dy < dx ? 1 : 0;
        waiting = 0;
    }
    if (!feedbackStarted) {
        EndFeedback();
        feedbackStarted = 1;
        g_viewDrag.feedbackOn = true;
    } else {
        DrawFeedback();
    }
    // Leaving what the view shows scrolls it; the drawing context is then set again.
    if (AutoScrollTo(current)) SetContext();
    if (g_platform.shiftDown && axisLockAllowed) {
        if (!horizontal)
            current.x = previous.x = start.x;
        else
            current.y = previous.y = start.y;
    }
    dx = current.x - previous.x;
    dy = current.y - previous.y;
    ScoreLocation& at = g_model.dragStart;
    CBar* b = score ? score->GetBar(at.barIndex) : nullptr;
    if (at.staff) targetStaffPos = at.staff->YToPosition(current.y);
    positionStep = b ? b->XToFraction(current.x) - b->XToFraction(previous.x) : 0;
    int newX = current.x, newY = current.y;
    if (barItem && b) newX = b->XToItemOffset(current.x, startPosition, item);
    anchor.x += dx;
    if (followStaff) {
        const int lx = g_viewDrag.locateByAnchor ? anchor.x : current.x;
        const int ly = g_platform.shiftDown && axisLockAllowed && horizontal ? start.y : current.y;
        const ScoreLocation before = at;
        LocateAt(lx, ly);
        if (barItem && item) {
            // A bar item changes staff only when it reaches well into the other staff: onto the
            // next staff down at position 3 or lower, onto the one above at -3 or higher (across
            // systems only onto the first or last shown staff); a slur never, unless copied.
            CLine* system = at.system;
            if (!system)
                if (CBar* located = score->GetBar(at.barIndex)) system = located->GetLine();
            const bool later = at.systemIndex > before.systemIndex;
            const bool earlier = at.systemIndex < before.systemIndex;
            const bool keep =
                (item->IsSlur() && !copyDrag) ||
                (later && at.staffPosition > 3 && system && at.trackIndex == system->GetFirstShownStaff()) ||
                (earlier && at.staffPosition < -3 && system && at.trackIndex == system->GetLastShownStaff()) ||
                (!later && !earlier &&
                 ((at.trackIndex > before.trackIndex && at.staffPosition > 3) ||
                  (at.trackIndex < before.trackIndex && at.staffPosition < -3)));
            if (keep) {
                at.trackIndex = before.trackIndex;
                at.systemIndex = before.systemIndex;
                at.staff = before.staff;
                at.track = before.track;
                at.trkBar = score->GetTrkBar(at.trackIndex, at.barIndex);
                if (at.trkBar) at.trkBar->SetCurrent();
            }
        }
    }
    // Anything but a bar item following the staves takes the nearest column of the bar's beat
    // chart (the first of two as near).
    if ((!barItem || !followStaff) && score)
        if (CBar* located = score->GetBar(at.barIndex)) {
            if (const CBarItem* chart = located->GetBeatChart()) {
                int best = 32767;
                int snapped = at.position;
                for (int i = 0, n = beatchart::UsableCount(chart); i < n; ++i) {
                    const int column = beatchart::Field(chart, i, beatchart::kPosition);
                    if (std::abs(column - at.position) < best) {
                        best = std::abs(column - at.position);
                        snapped = column;
                    }
                }
                at.position = std::int16_t(snapped);
            }
        }
    unitDx = newX - unitX;
    unitDy = newY - unitY;
    unitX += unitDx;
    unitY += unitDy;
    MoveItemDrag();
    DrawFeedback();
}

void CDragTask::MouseUp(POINT cur, POINT prev, POINT st) {
    if (feedbackStarted) DrawFeedback();
    current = cur;
    previous = prev;
    start = st;
    g_viewDrag.feedbackOn = false;
    g_model.dragStart.item = nullptr;
    g_model.dragOffsetX = g_model.dragOffsetY = 0;
    const bool movedNow = cur.x != st.x || cur.y != st.y;
    moved = (movedNow && !waiting) ? 1 : 0;
    if (copyDrag && !moved && source) source->MarkRemoved();
    if (item) {
        if (item->IsTempo()) tempoChanged = 1;
        item->Invalidate();
        if (!moved && barItem) Click();
    }
    if (!moved && !(copyDrag && source)) undoable = 0;
    EndItemDrag();
    ForceShowCursor();
    if (document)
        if (CSelect* sel = document->GetSelection()) sel->Recount();
    if (moved || copyDrag) {
        if (g_model.currentTrkBar) g_model.currentTrkBar->RecalcTimes(nullptr, nullptr);
        if (tempoChanged && score) score->RecalcBars(0);
        if (document) document->location.item = nullptr;
    }
    item = nullptr;
}

void CDragTask::Click() {
    if (!item || !document) return;
    if (item->IsNoteOrRest() && g_viewDrag.tool != kNoteTool && g_viewDrag.tool != kSelectTool) return;
    if (g_viewDrag.tool == kSelectTool) undoable = 0;
    CSelect* sel = document->GetSelection();
    auto* bi = static_cast<CBarItem*>(item);
    // An item that takes no click selection under this tool (a clef outside the clef tool)
    // keeps its state.
    if (!bi->WantsClickSelection()) return;
    const bool modifier = g_platform.shiftDown || g_platform.ctrlDown;
    const bool wasSelected = bi->IsSelectedBit();
    bool select = !wasSelected;
    if (wasSelected) {
        // Without Shift or Ctrl a selected item is selected afresh; with them it toggles off.
        item->Deselect();
        select = !modifier;
    }
    CTrkBar* tb = score ? score->GetTrkBar(g_model.dragStart.trackIndex, g_model.dragStart.barIndex) : nullptr;
    if (select && sel && tb) sel->SelectItem(bi, CSelect::kWhole, tb, true);
}

// --- sounding -----------------------------------------------------------------------------------

void CDragTask::SoundNote(int pitch, int velocity, int voice) {
    if (!g_preferences.Byte(Preferences::kDragNote)) return;
    CTrack* t = g_model.dragStart.track;
    if (!t || t->IsTablatureStaff()) return;
    t->SoundNote(pitch, velocity, voice, false);
}

void CDragTask::StartItemSound(CBarItem* note, int head) {
    if (!note || !note->IsNoteOrRawNote()) return;
    const int voice = note->VoiceField();
    const int heads = entry::HeadCount(note);
    for (int i = 0; i < heads; ++i) {
        if (head >= 0 && i != head) continue;
        const std::uint8_t* h = entry::HeadAt(note, i);
        if (h[0] & 1) continue;  // an invisible head of a chord being entered
        SoundNote(h[entry::kHeadPitch], h[kHeadVelocity] ? h[kHeadVelocity] : 64, voice);
    }
}

void CDragTask::StopItemSound(CBarItem* note, int head) {
    if (!note || !note->IsNoteOrRawNote()) return;
    const int voice = note->VoiceField();
    const int heads = entry::HeadCount(note);
    for (int i = 0; i < heads; ++i) {
        if (head >= 0 && i != head) continue;
        const std::uint8_t* h = entry::HeadAt(note, i);
        if (h[0] & 1) continue;
        SoundNote(h[entry::kHeadPitch], 0, voice);
    }
}

void CDragTask::SoundChord(CBarItem* note, int head, bool restart) {
    if (!note || dy == 0) return;
    const bool chord = g_preferences.Byte(Preferences::kDragChord) != 0;
    if (restart) StopItemSound(note, chord ? -1 : head);
    CTrack* t = g_model.dragStart.track;
    const int h = std::max(head, 0);
    if (t && t->IsPercussionStaff()) {
        const int step = dy < 0 ? 1 : -1;
        int pos = targetStaffPos;
        int key = 0;
        for (; pos >= -127 && pos <= 127; pos += step) {
            key = t->GetDrumKeyAtPosition(pos, note->VoiceField());
            if (key > 0) break;
        }
        if (key <= 0) return;
        std::uint8_t* hb = entry::HeadAt(note, h);
        hb[entry::kHeadPos] = std::uint8_t(std::int8_t(pos));
        hb[entry::kHeadPitch] = std::uint8_t(key);
    } else if (g_preferences.Byte(Preferences::kDragChromatic)) {
        // "Drag Chromatic": one semitone in the direction of the move, spelt in the key.
        const fw::ScopedGlobal<CTrack*> keepTrack(g_model.currentTrack);
        if (t) g_model.currentTrack = t;
        if (!NoteStepHead(*note, h, pitchContext[0], pitchContext[1], dy < 0, true)) return;
    } else {
        std::uint8_t* hb = entry::HeadAt(note, h);
        const int was = hb[entry::kHeadPitch];
        if (targetStaffPos == entry::HeadPos(hb)) return;
        hb[entry::kHeadPos] = std::uint8_t(std::int8_t(std::clamp(targetStaffPos, -127, 127)));
        NoteHeadFromPosition(*note, h, 0, pitchContext[0], pitchContext[1]);
        if (entry::HeadAt(note, h)[entry::kHeadPitch] == was) return;
    }
    if (restart) StartItemSound(note, chord ? -1 : head);
}
