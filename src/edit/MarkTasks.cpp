// Accidentals, dots and marks on the selected notes.
#include "edit/MarkTasks.h"
#include "edit/Transcriber.h"

#include <cstring>
#include <vector>

#include "framework/Globals.h"
#include "model/Bar.h"
#include "model/NoteMark.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/TaskMakers.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/RawNote.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {

constexpr int kNatural = 3;
constexpr int kMarkBuffer = 1024;
// Per-head marks: codes 70-75 go on every selected head.
constexpr int kFirstHeadMark = 70, kLastHeadMark = 75;
// The mark whose placing changes the playback (the bar is spaced again).
constexpr int kArpeggioMark = 30;
// One staff step between heads, in the mark's offset units.
constexpr int kStepOffset = -60;

// Sets the accidental code on head i of the note (removes it for -1); force shows it even where
// the key or the bar would not.
void SetCode(CRawNote* note, int i, int code, bool force) {
    note->SetHeadAccidental(i, code, false);
    if (code >= 0 && force) note->Head(i)->SetBits(NoteHead::kAccByte, NoteHead::kAccForced, true);
}

// Every note tied to head i, backwards and forwards along the chain, takes the code.
void FollowTieChain(CScoreTask& task, CTrkBar* home, CRawNote* note, int i, int code, bool force) {
    for (bool forward : {false, true}) {
        CBarItem* at = note;
        int head = i;
        CTrkBar* bar = home;
        for (int guard = 0; guard < 1024; ++guard) {
            CTrkBar* found = nullptr;
            int h = head;
            bar->SetCurrent();
            CBarItem* next = forward ? bar->FindTiedNote(at, &h, &found) : bar->FindTiedFromNote(at, &h, &found);
            if (!next || !next->IsNoteOrRawNote() || next == note) break;
            if (!found) found = bar;
            // The save may give the bar a run of its own: the note is found again by its place.
            const int voice = next->VoiceField(), time = next->TimeField(), column = next->PositionField();
            if (!task.SaveTrackBar(found->GetTrackIndex(), found->GetBarIndex())) ThrowOutOfMemory();
            found->SetCurrent();
            next = nullptr;
            for (CBarItem* r = found->GetItems(); r && r->TypeCode() != 255 && !next; r = r->NextItem())
                if (!r->IsRemoved() && r->IsNoteOrRawNote() && r->VoiceField() == voice && r->TimeField() == time &&
                    r->PositionField() == column)
                    next = r;
            if (!next) break;
            auto* tied = static_cast<CRawNote*>(next);
            if (h < 0 || h >= tied->HeadCountField()) break;
            SetCode(tied, h, code, force);
            tied->Invalidate();
            found->MeasureItems();
            at = next;
            head = h;
            bar = found;
        }
    }
    home->SetCurrent();
}

// With carry-through: the voice's later live notes of the bar that have a head at the same staff
// position and staff take the code too.
void CarryToLaterNotes(CRawNote* note, int i, int code, bool force) {
    const NoteHead* from = note->Head(i);
    const int voice = note->VoiceField(), position = from->Position(), staff = from->CrossStaffOffset();
    for (CBarItem* r = note->NextItem(); r && r->TypeCode() != 255; r = r->NextItem()) {
        if (r->IsRemoved() || !r->IsNoteOrRawNote() || r->VoiceField() != voice) continue;
        auto* later = static_cast<CRawNote*>(r);
        for (int h = 0; h < later->HeadCountField(); ++h)
            if (later->Head(h)->Position() == position && later->Head(h)->CrossStaffOffset() == staff) {
                SetCode(later, h, code, force);
                later->Invalidate();
            }
    }
}

}  // namespace

// --- accidentals ---------------------------------------------------------------------------------

void CAddAcciTask::DoItem() {
    if (!curItem->IsNoteOrRawNote()) return;
    auto* note = static_cast<CRawNote*>(curItem);
    CTrkBar* home = trkBar;
    const int code = argument;
    for (int i = 0; i < note->HeadCountField(); ++i) {
        NoteHead* h = note->Head(i);
        if (!h->IsSelected()) continue;
        const int before = h->Byte(NoteHead::kAccByte);
        const int written = h->Accidental();
        int set = code;
        bool force = false;
        if (code > 0 && (written == code || (code == kNatural && written == 0))) {
            if (!h->IsAccidentalShown())
                force = true;
            else
                set = -1;
        }
        home->SetCurrent();
        SetCode(note, i, set, force);
        // With sounding during edits on, a click of the palette lets the head sound.
        if (set > 0 && g_preferences.Byte(Preferences::kDragNote) && IsMouseDown() && track)
            track->SoundNote(note->Head(i)->Pitch(), note->Head(i)->Byte(NoteHead::kVelocity), note->VoiceField(), true);
        AddItemRect(note);
        if (note->Head(i)->Byte(NoteHead::kAccByte) == before) continue;
        if (g_edit.carryAccidentals && IsMouseDown()) CarryToLaterNotes(note, i, set, force);
        FollowTieChain(*this, home, note, i, set, force);
    }
    home->SetCurrent();
    home->RecalcAccidentals();
}

void CAddAcciTask::EndVoice() {
    if (trkBar) trkBar->SetCurrent();
}

// --- dots ----------------------------------------------------------------------------------------

void CAddDotTask::DoItem() {
    if (!curItem->IsNoteOrRest()) return;
    auto* item = static_cast<CRawHead*>(curItem);
    item->CycleDots();
    if (item->IsNote()) item->LayoutChord();
    changed = 1;
}

void CAddDotTask::EndVoice() {
    if (!changed) return;
    trkBar->SetCurrent();
    trkBar->RecalcTimes(nullptr, nullptr);
    if (g_preferences.Byte(Preferences::kBeam)) trkBar->Rebeam(curVoice, 0);
    trkBar->RecalcAccidentals();
    trkBar->RecalcPositions(-1);
    trkBar->Invalidate();
    changed = 0;
}

// --- marks ---------------------------------------------------------------------------------------

bool CAddMarkTask::Perform() {
    playbackAffected = false;
    SetDeselect(true);
    Walk();
    return true;
}

void CAddMarkTask::DoItem() {
    if (!curItem->IsNoteOrRest()) return;
    auto* item = static_cast<CRawHead*>(curItem);
    const int code = argument;
    const int subTool = ChosenSubTool() ? ChosenSubTool()() : 0;
    VoiceStats stats;
    const bool manyVoices = trkBar->GetVoiceStats(&stats, false) > 1;
    std::vector<std::uint8_t> buffer(kMarkBuffer, 0);
    auto* mark = reinterpret_cast<NoteMark*>(buffer.data());
    item->InitMark(mark, code, subTool, manyVoices);
    if (mark->Size() <= 0) return;
    const bool perHead = code >= kFirstHeadMark && code <= kLastHeadMark;
    if (item->IsRest()) {
        CRawHead* grown = item->AddMark(*mark);
        if (!grown && item->MarkCount() < CRawHead::kMaxMarks) ThrowOutOfMemory();
        if (grown) curItem = grown;
    } else {
        auto* note = static_cast<CRawNote*>(item);
        const int n = note->HeadCountField();
        for (int i = 0; i < n; ++i) {
            if (note->Head(i)->IsSelected()) {
                CRawHead* grown = note->AddMark(*mark);
                if (!grown) {
                    if (note->MarkCount() < CRawHead::kMaxMarks) ThrowOutOfMemory();
                    break;
                }
                note = static_cast<CRawNote*>(grown);
                curItem = note;
                if (!perHead) break;
            }
            if (!perHead || i + 1 >= n) continue;
            int step = note->Head(i)->Position() - note->Head(i + 1)->Position();
            if (note->IsStemUp()) step = -step;
            mark->SetYOffset(std::int16_t(mark->YOffset() + kStepOffset * step));
        }
    }
    curItem->Invalidate();
    if (code == kArpeggioMark) playbackAffected = true;
}

void CAddMarkTask::EndVoice() {
    if (playbackAffected && bar) bar->Respace();
}
