// Beams made, hidden in the middle, and tremolos, over the selection.
#include "edit/BeamTask.h"

#include "model/Score.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/NoteBase.h"
#include "platform/Handles.h"

namespace {

// The tremolo's strokes of a command (0: a plain beam).
int StrokesOf(int id) {
    return id >= CAddBeamTask::kFirstTremolo && id <= CAddBeamTask::kLastTremolo ? id - (CAddBeamTask::kFirstTremolo - 1) : 0;
}

// The notes and rests a beam covers in its track bar, in order.
std::vector<CBarItem*> NotesUnder(CTrkBar* trkBar, CBarItem* beam) {
    std::vector<CBarItem*> notes;
    for (CBarItem* item = trkBar->GetItems(); item && item->TypeCode() != 255; item = item->NextItem()) {
        if (item->IsRemoved() || !item->IsNoteOrRest() || item->VoiceField() != beam->VoiceField()) continue;
        if (!static_cast<CRawHead*>(item)->IsBeamed()) continue;
        if (trkBar->FindBeamOfNote(item) == beam) notes.push_back(item);
    }
    return notes;
}

}  // namespace

bool CAddBeamTask::Perform() {
    SetCompact(false);
    if (argument != kHideNumber) {
        CTrkBar* start = score ? score->GetTrkBar(document->location.trackIndex, document->location.barIndex) : nullptr;
        if (!start && score) start = score->GetTrkBar(0, 0);
        if (start) g_beamContext.Init(start, argument == kByBeat ? 1 : 0, StrokesOf(argument));
    }
    Walk();
    return true;
}

void CAddBeamTask::WalkTracks() {
    CCruise::WalkTracks();
    if (argument == kByBeat || argument == kHideMiddle || argument == kHideNumber) return;
    // One beam over every note and rest collected, built in the extent's first bar.
    CTrkBar* first = score->GetTrkBar(document->location.trackIndex, lower[kExtentBar]);
    if (!first) first = score->GetTrkBar(lower[kExtentTrack], lower[kExtentBar]);
    if (!first) return;
    first->SetCurrent();
    g_beamContext.trkBar = first;
    if (!g_beamContext.BeamNotes(true)) ThrowOutOfMemory();
    for (int b = lower[kExtentBar]; b <= upper[kExtentBar]; ++b)
        for (int t = lower[kExtentTrack]; t <= upper[kExtentTrack]; ++t)
            if (CTrkBar* tb = score->GetTrkBar(t, b)) tb->Invalidate();
}

void CAddBeamTask::DoItem() {
    CBarItem* item = curItem;
    if (argument == kHideNumber) {
        if (!item->IsBeam()) return;
        auto* beam = static_cast<CBeam*>(item);
        beam->SetOffsetsByte(std::uint8_t(beam->OffsetsByte() ^ CBeam::kNoNumber));
        beam->Invalidate();
        return;
    }
    if (argument == kHideMiddle) {
        if (!item->IsBeam()) return;
        auto* beam = static_cast<CBeam*>(item);
        beam->SetBeamFlags(std::uint8_t(beam->BeamFlags() ^ CBeam::kHideInner));
        const bool hidden = (beam->BeamFlags() & CBeam::kHideInner) != 0;
        g_beamContext.Init(trkBar, 0, 0);
        const std::vector<CBarItem*> notes = NotesUnder(trkBar, beam);
        for (std::size_t k = 1; k + 1 < notes.size(); ++k) {
            CBarItem* n = notes[k];
            n->SetFlagsB(hidden ? std::uint8_t(n->FlagsB() | CBarItem::kHiddenBit)
                                : std::uint8_t(n->FlagsB() & ~CBarItem::kHiddenBit));
            n->Invalidate();
        }
        beam->Invalidate();
        return;
    }
    if (!item->IsNoteOrRest()) return;
    auto* note = static_cast<CRawHead*>(item);
    if (note->IsBeamed()) {
        // A note that starts an old beam takes it away; one inside a beam leaves it.
        if (CBarItem* old = trkBar->FindBeamOfNote(note); old && !old->IsRemoved()) {
            auto* beam = static_cast<CBeam*>(old);
            if (beam->StartPositionField() == note->PositionField()) {
                beam->Invalidate();
                beam->MarkRemoved();
            }
        }
    }
    g_beamContext.AddNote(note, trkBar);
}

void CAddBeamTask::EndVoice() {
    if (argument != kByBeat) return;
    trkBar->SetCurrent();
    g_beamContext.trkBar = trkBar;
    if (!g_beamContext.BeamNotes(true)) ThrowOutOfMemory();
    g_beamContext.Init(trkBar, 1, 0);
}

void CGroupBeamTask::DoItem() {
    if (!curItem->IsBeam() || curItem->IsRemoved() || curItem->RecordSizeField() < CBeam::kSize) return;
    g_beamContext.Init(trkBar, 1, 0);
    rec::Put<std::uint8_t>(curItem, CBeam::kGroups, std::uint8_t(argument & 0xFF));
    CBarItem* laid = g_beamContext.MakeBeam(curItem, 0);
    if (laid) curItem = laid;
    AddItemRect(curItem);
}
