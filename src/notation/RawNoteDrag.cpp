// Drags of a note's head: the pitch steps with the mouse (sounding as it goes), a fret number
// steps, and on a time axis the head's start or end moves a tick at a time.
#include <algorithm>
#include <cstdlib>

#include "model/DragTask.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationGlobals.h"
#include "notation/RawNote.h"

void HeadDrag::Sound(int pitch, int velocity) {
    CTrack* t = score && track >= 0 && track < score->GetTrackCount() ? score->GetTrack(track) : nullptr;
    if (!t) return;
    StopSound();
    t->SoundNote(pitch, velocity, voice, false);
    sounding = pitch;
}

void HeadDrag::StopSound() {
    if (sounding < 0) return;
    const int pitch = sounding;
    sounding = -1;
    if (CTrack* t = score && track >= 0 && track < score->GetTrackCount() ? score->GetTrack(track) : nullptr)
        t->SoundNote(pitch, 0, voice, false);
}

void CRawNote::BeginHeadDrag(HeadDrag& drag, POINT point) {
    drag.StopSound();
    drag.start = drag.last = point;
    drag.head = -1;
    drag.moveEnd = false;
    drag.score = nullptr;
    drag.track = -1;
    g_notation.headDragActive = true;
    const int hit = g_model.hitPart;
    if (hit < 0 || hit >= HeadCountField()) return;
    drag.head = hit;
    const NoteHead* h = Head(hit);
    if (g_preferences.Byte(Preferences::kDragNote) && g_model.currentTrkBar) {
        drag.score = g_model.currentScore;
        drag.track = g_model.currentTrkBar->GetTrackIndex();
        drag.voice = VoiceField();
        drag.Sound(h->Pitch(), h->Byte(NoteHead::kVelocity));
    }
    if (g_notation.performanceDisplay >= 1) {
        RECT r{};
        GetPartBounds(&r, hit);
        const bool inside = point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom;
        drag.moveEnd = inside && point.x > (r.left + r.right) / 2;
    }
}

void CRawNote::DragHeadBy(HeadDrag& drag, POINT point) {
    const int i = drag.head;
    if (i < 0 || i >= HeadCountField()) return;
    NoteHead* h = Head(i);
    const int before = h->Pitch();
    if (HasFretNumbers() && g_notation.fretDragOption) {
        // The fret number and the pitch it plays step together, within the codes 32-57.
        if (point.y != drag.last.y) {
            StepFret(i, point.y < drag.last.y ? 1 : -1);
            drag.last = point;
        }
    } else {
        if (g_notation.performanceDisplay >= 1 && point.x != drag.last.x) {
            const int d = point.x > drag.last.x ? 1 : -1;
            if (drag.moveEnd)
                h->SetDuration(std::uint16_t(std::clamp(h->Duration() + d, 0, 0xFFFF)));
            else
                h->SetStartOffset(std::int16_t(std::clamp(h->StartOffset() + d, -32768, 32767)));
            // The time shown: the head's start, or its end when the end moves.
            g_model.dragStart.time = TimeField() + h->StartOffset() + (drag.moveEnd ? h->Duration() : 0);
            CMidiDataBox::ShowEvent(g_model.dragStart, 0, 1);
        }
        drag.last.x = point.x;
        const CStaff* staff = g_model.currentStaff;
        const int half = std::max(1, (staff ? staff->GetLineSpacing() : 6) / 2);
        const int dy = point.y - drag.last.y;
        int clef = 0, key = 0;
        if (std::abs(dy) >= half) {
            if (GetClefAndKeyOfHead(i, &clef, &key))
                StepHeadPitch(i, clef, key, dy < 0, g_preferences.Byte(Preferences::kDragChromatic) != 0);
            drag.last.y = point.y;
        }
    }
    h = Head(i);
    if (h->Pitch() != before && drag.sounding >= 0) drag.Sound(h->Pitch(), h->Byte(NoteHead::kVelocity));
}

bool CRawNote::StepFret(int i, int d) {
    if (i < 0 || i >= HeadCountField()) return false;
    NoteHead* h = Head(i);
    const int code = h->Shape() + d, pitch = h->Pitch() + d;
    if (code < 32 || code > 57 || pitch < 0 || pitch > 127) return false;
    h->SetShape(code);
    h->SetPitch(pitch);
    return true;
}

void CRawNote::EndHeadDrag(HeadDrag& drag) {
    drag.StopSound();
    drag.head = -1;
    g_notation.headDragActive = false;
    if (g_notation.performanceDisplay < 1) return;
    CTrkBar* trkBar = g_model.currentTrkBar;
    CPage* page = g_model.currentPage;
    CZelDoc* doc = g_model.currentScore ? g_model.currentScore->GetDocument() : nullptr;
    if (!trkBar || !page || !doc) return;
    RECT r{};
    trkBar->GetBounds(&r);
    doc->AddDirtyRect(r, page->GetIndex());
}

// --- the note's drag slots ------------------------------------------------------------------------

void RawNoteBehaviour::BeginDrag(CScoreItem& item) const {
    ScoreItemBehaviour::BeginDrag(item);
    const CDragTask* task = g_viewDrag.currentTask;
    g_notation.headDrag = std::make_shared<HeadDrag>();
    static_cast<CRawNote&>(item).BeginHeadDrag(*g_notation.headDrag, task ? task->start : POINT{});
}

void RawNoteBehaviour::DragBy(CScoreItem& item, CDragTask* drag) const {
    if (!g_notation.headDrag || !drag) return;
    static_cast<CRawNote&>(item).DragHeadBy(*g_notation.headDrag, drag->current);
}

void RawNoteBehaviour::EndDrag(CScoreItem& item, CDragTask* drag) const {
    if (!g_notation.headDrag) return;
    static_cast<CRawNote&>(item).EndHeadDrag(*g_notation.headDrag);
    g_notation.headDrag.reset();
}
