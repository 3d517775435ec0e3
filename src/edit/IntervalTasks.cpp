// Add Interval, the pitches played on the MIDI keyboard, and Show on the Staff Above or Below.
#include "edit/IntervalTasks.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/RawNote.h"
#include "notation/Rest.h"
#include "platform/Handles.h"

namespace {

// A note holds its head count in one byte.
constexpr int kMostHeads = 255;
// The head's link bits (ties and glissandi at it) are the old head's alone.
constexpr std::uint8_t kLinkBits = NoteHead::kGlissEnd | NoteHead::kGlissStart | NoteHead::kTieEnd | NoteHead::kTieStart;

// The outer head in a direction: the highest sounding head for up, the lowest for down.
int OuterHead(const CRawNote& note, bool up) {
    int best = 0;
    for (int i = 1; i < note.HeadCountField(); ++i) {
        const int p = note.Head(i)->Pitch(), b = note.Head(best)->Pitch();
        if (up ? p > b : p < b) best = i;
    }
    return best;
}

// The beam of a beamed note lays itself out again at the bar's recalculation.
void FlagBeamOf(CTrkBar* trkBar, CBarItem* note) {
    if (!static_cast<CRawHead*>(note)->IsBeamed()) return;
    if (CBarItem* beam = trkBar->FindBeamOfNote(note)) {
        beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
        beam->Invalidate();
    }
}

}  // namespace

// --- add interval --------------------------------------------------------------------------------

int CIntervalTask::IntervalOf(int id) {
    if (id >= kFirstId && id <= kLastUpId) return kLastUpId - id + 1;
    if (id > kLastUpId && id <= kLastId) return kLastUpId + 1 - id - 1;
    return 0;
}

int CIntervalTask::SemitonesOf(int interval) {
    static const int kSemitones[9] = {0, 2, 4, 5, 7, 9, 11, 12, 14};
    const int n = std::abs(interval);
    return n <= 8 ? kSemitones[n] : 0;
}

void CIntervalTask::DoItem() {
    if (!curItem->IsNote()) return;
    auto* note = static_cast<CRawNote*>(curItem);
    // The items attached to the note draw themselves again and are laid out afresh.
    auto attached = std::make_unique<AttachedItemList>();
    note->CollectAttached(trkBar, attached.get(), CRawNote::kAllHeads);
    for (int k = 0; k < attached->count; ++k) {
        CBarItem* a = attached->items[k];
        if (!a) continue;
        a->Invalidate();
        a->SetFlagsA(std::uint8_t(a->FlagsA() | CBarItem::kRelayoutBit));
    }
    trkBar->SetCurrent();
    CRawNote* grown = AddIntervalHead(note);
    if (!grown) return;
    note = grown;
    curItem = note;
    note->LayoutChord();
    note->Invalidate();
    // A note alone in its voice with the voice's stem automatic turns its stem anew.
    VoiceStats stats;
    const int voices = trkBar->GetVoiceStats(&stats, true);
    if (voices < 2 && track && track->IsVoiceStemAuto(note->VoiceField())) note->UpdateStem(3, true);
    note->SetFlagsA(std::uint8_t(note->FlagsA() | CBarItem::kRelayoutBit));
    changed = 1;
}

CRawNote* CIntervalTask::AddIntervalHead(CRawNote* note) {
    const int interval = IntervalOf(argument);
    const int n = note->HeadCountField();
    if (interval == 0 || n == 0 || n >= kMostHeads) return nullptr;
    const int outer = OuterHead(*note, interval > 0);
    std::uint8_t bytes[NoteHead::kSize];
    std::memcpy(bytes, note->Head(outer)->Bytes(), NoteHead::kSize);
    NoteHead& head = *reinterpret_cast<NoteHead*>(bytes);
    const int pitch = head.Pitch() + (interval > 0 ? 1 : -1) * SemitonesOf(interval);
    // A pitch outside the MIDI range gives no head.
    if (pitch < 0 || pitch > 127) return nullptr;
    int clef = 0, key = 0;
    if (!note->GetClefAndKeyOfHead(outer, &clef, &key)) return nullptr;
    head.SetPitch(pitch);
    head.SetByte(NoteHead::kLinkByte, std::uint8_t(head.Byte(NoteHead::kLinkByte) & ~kLinkBits));
    head.SetBits(NoteHead::kAccByte, NoteHead::kAccForced | NoteHead::kAccParens, false);
    head.SetAccidentalOffset(0);
    CRawNote::SpellHead(head, clef, key);
    CBarItem* grown = trkBar->ResizeNote(note, bytes, 1);
    if (!grown) ThrowOutOfMemory();
    return static_cast<CRawNote*>(grown);
}

void CIntervalTask::DoTrackBar() {
    changed = 0;
    CCruise::DoTrackBar();
    if (!changed) return;
    trkBar->SetCurrent();
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || !item->IsNote() || !(item->FlagsA() & CBarItem::kRelayoutBit)) continue;
        item->LayoutChord();
        item->SetFlagsA(std::uint8_t(item->FlagsA() & ~CBarItem::kRelayoutBit));
        FlagBeamOf(trkBar, item);
    }
    trkBar->RecalcAccidentals();
    trkBar->Recalc(1);
    trkBar->Invalidate();
    changed = 0;
}

// --- new pitches ---------------------------------------------------------------------------------

void CNewPitchTask::SetPitches(const std::uint8_t* entries, int n) {
    pitches.clear();
    for (int i = 0; entries && i < n; ++i) pitches.push_back(entries[4 * i + 1]);
}

CRawNote* CNewPitchTask::AddIntervalHead(CRawNote* note) {
    const int want = int(pitches.size());
    const int n = note->HeadCountField();
    if (want == 0 || n == 0 || want > kMostHeads) return nullptr;
    std::uint8_t bytes[NoteHead::kSize];
    std::memcpy(bytes, note->Head(0)->Bytes(), NoteHead::kSize);
    NoteHead& templ = *reinterpret_cast<NoteHead*>(bytes);
    templ.SetByte(NoteHead::kLinkByte, std::uint8_t(templ.Byte(NoteHead::kLinkByte) & ~kLinkBits));
    int clef = 0, key = 0;
    if (!note->GetClefAndKeyOfHead(0, &clef, &key)) return nullptr;
    if (want != n) {
        CBarItem* resized = trkBar->ResizeNote(note, nullptr, want - n);
        if (!resized) ThrowOutOfMemory();
        note = static_cast<CRawNote*>(resized);
    }
    for (int i = 0; i < want; ++i) {
        NoteHead* h = note->Head(i);
        std::memcpy(h->Bytes(), bytes, NoteHead::kSize);
        h->SetPitch(std::min<int>(pitches[std::size_t(i)], 127));
        h->SetAccidentalOffset(0);
        CRawNote::SpellHead(*h, clef, key);
    }
    return note;
}

// --- show on the staff above or below ------------------------------------------------------------

void CNewStaffTask::DoItem() {
    CBarItem* item = curItem;
    const int direction = argument == 1 ? 1 : -1;
    const int tracks = score->GetTrackCount();
    if (item->IsNoteOrRawNote()) {
        auto* note = static_cast<CRawNote*>(item);
        AddItemRect(note);
        for (int i = 0; i < note->HeadCountField(); ++i) {
            const NoteHead* h = note->Head(i);
            if (!h->IsSelected()) continue;
            const int target = curTrack + h->CrossStaffOffset() + direction;
            if (target < 0 || target >= tracks) continue;
            note->MoveHeadToStaff(i, direction);
        }
        note->LayoutChord();
        AddItemRect(note);
        changed = 1;
    } else if (item->IsRest()) {
        auto* rest = static_cast<CRest*>(item);
        AddItemRect(rest);
        const int offset = rest->StaffOffsetField() + direction;
        const int target = curTrack + offset;
        if (target >= 0 && target < tracks && offset >= -2 && offset <= 2) rest->SetStartStaffOffset(offset);
        AddItemRect(rest);
        changed = 1;
    }
}

void CNewStaffTask::DoTrackBar() {
    CCruise::DoTrackBar();
    trkBar->SetCurrent();
    trkBar->RecalcTimes(nullptr, nullptr);
    trkBar->Recalc(0);
}
