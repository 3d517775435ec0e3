// The tie command over the selection.
#include "edit/TieTask.h"

#include <cstring>

#include "model/Score.h"
#include "model/TieType.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/Note.h"
#include "notation/RawNote.h"

namespace {

// The value codes above this one are short notes (their ties are flatter).
constexpr int kLongestShortValue = 4;
// A tie that comes in from the left starts this far before its note.
constexpr int kIncomingLength = 256;

// The live note of the voice at the time and column (the record the candidate was taken from;
// records move when the run grows).
CRawNote* NoteAt(CTrkBar* trkBar, int voice, int time, int x) {
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
        if (!item->IsRemoved() && item->IsNote() && item->VoiceField() == voice && item->TimeField() == time &&
            item->PositionField() == x)
            return static_cast<CRawNote*>(item);
    return nullptr;
}

}  // namespace

bool CAddTieTask::Perform() {
    // The selection stays.
    SetDeselect(false);
    Walk();
    return true;
}

void CAddTieTask::WalkBars() {
    candidates.clear();
    notesSeen = 0;
    CCruise::WalkBars();
    if (notesSeen == 1 && !candidates.empty()) LookInNextBar();
    BuildTies();
}

void CAddTieTask::DoItem() {
    if (!curItem->IsNote() || int(candidates.size()) >= kMaxCandidates) return;
    auto* note = static_cast<CRawNote*>(curItem);
    const int voiceStem = track ? track->GetVoiceStem(note->VoiceField()) : 0;
    ++notesSeen;
    for (int i = 0; i < note->HeadCountField() && int(candidates.size()) < kMaxCandidates; ++i) {
        const NoteHead* h = note->Head(i);
        if (!h->IsSelected() || h->IsInvisible()) continue;
        Candidate c;
        c.track = curTrack;
        c.staffOffset = std::int16_t(h->CrossStaffOffset());
        c.time = note->TimeField();
        c.x = note->PositionField();
        c.head = std::int16_t(i);
        c.pitch = h->Pitch();
        c.staffPos = h->Position();
        c.voice = std::uint8_t(note->VoiceField());
        c.isShort = note->NoteValue() > kLongestShortValue ? 1 : 0;
        c.above = note->IsTieAbove(h->Position(), voiceStem) ? 1 : 0;
        c.noteFlag = note->IsSlash() ? 1 : 0;
        c.trkBar = trkBar;
        candidates.push_back(c);
    }
}

void CAddTieTask::LookInNextBar() {
    const Candidate first = candidates.front();
    if (first.time == 0 || !first.trkBar || first.trkBar->IsLastBar()) return;
    CTrkBar* next = score->GetTrkBar(first.track, first.trkBar->GetBarIndex() + 1);
    if (!next) return;
    for (CBarItem* item = next->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || !item->IsNote() || item->VoiceField() != first.voice || item->TimeField() != 0) continue;
        auto* note = static_cast<CRawNote*>(item);
        for (int i = 0; i < note->HeadCountField(); ++i) {
            NoteHead* h = note->Head(i);
            if (h->Position() != first.staffPos || h->Pitch() != first.pitch) continue;
            const int column = item->PositionField();
            if (!SaveTrackBar(first.track, next->GetBarIndex())) return;
            // The save may have given the bar a run of its own: the note is found again.
            note = NoteAt(next, first.voice, 0, column);
            if (!note) return;
            next->SetCurrent();
            CTrkBar* walked = trkBar;
            trkBar = next;
            curItem = note;
            const bool wasSelected = note->Head(i)->IsSelected();
            note->Head(i)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
            DoItem();
            note->Head(i)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, wasSelected);
            trkBar = walked;
            return;
        }
        return;
    }
}

void CAddTieTask::BuildTies() {
    if (candidates.empty()) return;
    if (notesSeen == 1) {
        MakeTie(candidates.front(), nullptr);
        return;
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& a = candidates[i];
        for (std::size_t j = i + 1; j < candidates.size(); ++j) {
            const Candidate& b = candidates[j];
            if (b.track != a.track || b.voice != a.voice || b.staffOffset != a.staffOffset || b.staffPos != a.staffPos ||
                b.pitch != a.pitch)
                continue;
            // The first such later head is the partner, tied when it lies in the same bar or at the
            // start of the next.
            const bool sameBar = b.trkBar == a.trkBar;
            const bool nextBar = b.trkBar && a.trkBar && b.trkBar->GetBarIndex() == a.trkBar->GetBarIndex() + 1 &&
                                 b.time == 0;
            if (sameBar || nextBar) MakeTie(a, &b);
            break;
        }
    }
}

void CAddTieTask::MakeTie(const Candidate& a, const Candidate* b) {
    CTrkBar* home = a.trkBar;
    home->SetCurrent();
    auto* note = static_cast<CNote*>(NoteAt(home, a.voice, a.time, a.x));
    if (!note || a.head >= note->HeadCountField()) return;
    const bool crosses = b ? b->trkBar != home : a.time != 0;
    const bool incoming = !b && a.time == 0;
    int start = a.x, end = 0;
    if (b) {
        end = b->x;
    } else if (incoming) {
        start = a.x - kIncomingLength;
        end = a.x;
    }
    const bool above = (b && a.noteFlag) || a.above != 0;
    std::uint8_t buffer[CTie::kSize];
    CTie* tie = CTie::Init(buffer, a.staffOffset, a.time, start, end, a.staffPos, a.voice, b ? crosses : a.time != 0,
                           above, a.isShort != 0);
    if (incoming) tie->SetEndBarOffset(0);
    tie->SetPitch(a.pitch);
    tie->SetDotted(argument == 1);
    if (b) tie->SetFixedPosition(a.noteFlag != 0);
    // The heads: the first one's old tie goes, the partner's head is marked as a tie's end.
    if (incoming) {
        note->Head(a.head)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
    } else {
        note->RemoveTieFrom(a.head);
        note->Head(a.head)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    }
    if (b) {
        if (CRawNote* to = NoteAt(b->trkBar, b->voice, b->time, b->x); to && b->head < to->HeadCountField()) {
            NoteHead* h = to->Head(b->head);
            h->SetPitch(a.pitch);
            h->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
            h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, false);
        }
    }
    home->SetCurrent();
    CBarItem* placed = home->InsertCopy(tie);
    if (!placed) return;  // no room: this pair is passed over
    placed->Deselect();
    if (CRawNote* from = NoteAt(home, a.voice, a.time, a.x)) from->PlaceTies(curTrack);
    if (argument == 0) AddItemRect(placed);
    home->RecalcAccidentals();
    home->UpdateTies();
    if (b && crosses) {
        b->trkBar->SetCurrent();
        b->trkBar->RecalcAccidentals();
        b->trkBar->UpdateTies();
        b->trkBar->Invalidate();
        home->SetCurrent();
    }
}
