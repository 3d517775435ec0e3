// Insert and delete track over the score's track insertion and removal.
#include "edit/TrackTask.h"

#include <algorithm>
#include <cstring>

#include "edit/AddTrackDlg.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TaskMakers.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Handles.h"
#include "platform/PortLayer.h"

namespace {
constexpr int kMessageTooManyTracks = 10012;
constexpr std::uint16_t kFiveLines = 1984;
constexpr int kPercussionChannel = 9;

int StavesOfKind(int kind) { return kind == 7 ? 3 : kind == 6 ? 2 : 1; }
}  // namespace

void CTrackTask::BuildTemplate() {
    templateBytes.fill(0);
    CTrack* t = CTrack::Construct(templateBytes.data());
    t->Init(0, 0, kFiveLines);
    // The current track's settings, from its display switches on; never its names.
    if (CTrack* current = score->GetTrack(insertIndex))
        std::memcpy(templateBytes.data() + CTrack::kDisplay, reinterpret_cast<const std::uint8_t*>(current) + CTrack::kDisplay,
                    CTrack::kSize - CTrack::kDisplay);
    for (int v = 0; v < CTrack::kVoices; ++v) t->SetVoiceDefName(v, "");
}

bool CTrackTask::Prepare() {
    if (!score || !document) return false;
    const int command = name;
    insertIndex = std::int16_t(std::clamp<int>(document->location.trackIndex, 0, std::max(0, score->GetTrackCount() - 1)));
    BuildTemplate();
    trackKind = ChosenPaletteButton() ? ChosenPaletteButton()() : 0;
    instrumentIndex = 0;
    dialogShown = 1;
    if (command == kInsertMenu) {
        dialogShown = 0;
        trackKind = 0;
        name = kInsert;
        CAddTrackDlg dlg(*score, Template());
        if (!dlg.RunModal(CAddTrackDlg::kTemplateId)) return false;
        trackKind = dlg.kind;
        instrumentIndex = dlg.staffChoice;
        if (dlg.after) insertIndex = std::int16_t(std::min<int>(insertIndex + 1, score->GetTrackCount()));
    }
    if (trackKind != 4 && trackKind != 5 && trackKind != 6 && trackKind != 7) trackKind = 0;
    return true;
}

void CTrackTask::SetUpNewTracks() {
    const int first = insertIndex;
    const int n = StavesOfKind(trackKind);
    CTrack* track = score->GetTrack(first);
    if (!track) return;
    CTrack& templ = Template();
    // The template's settings, keeping the new track's display switches, lines and first strings.
    std::uint8_t* to = reinterpret_cast<std::uint8_t*>(track);
    std::uint8_t* from = templateBytes.data();
    std::memcpy(from + CTrack::kDisplay, to + CTrack::kDisplay, 8);
    std::memcpy(to + CTrack::kDisplay, from + CTrack::kDisplay, CTrack::kOwner - CTrack::kDisplay);
    std::memcpy(to + CTrack::kMarkTable, from + CTrack::kMarkTable, CTrack::kSize - CTrack::kMarkTable);
    track->SetTrackFlags(std::uint8_t(track->GetTrackFlags() & ~0x04));
    const int port = track->GetDevice();

    switch (trackKind) {
    case 0:
        if (instrumentIndex < 2) {
            // The template's clef: the track's own unless the dialog chose one.
            const int clef = dialogShown == 0 ? templ.GetClef() : track->GetClef();
            track->SetClef(clef);
            track->SetTransposedClef(clef);
        } else {
            ApplyInstrumentTemplate(instrumentIndex - 2, track, &templ);
        }
        break;
    case 4:
        ApplyInstrumentTemplate(kPercussionEntry, track, &templ);
        track->SetStaffKind(1);
        track->SetVoiceChannel(-1, kPercussionChannel);
        track->SetVoiceProgram(-1, -1, false);
        break;
    case 5:
        ApplyInstrumentTemplate(kTablatureEntry, track, &templ);
        if (dialogShown) {
            CTrack* neighbour = first > 0 ? score->GetTrack(first - 1) : score->GetTrack(first + 1);
            if (neighbour) track->SetVoiceChannel(-1, neighbour->GetVoiceChannel(0));
        }
        track->SetVoiceProgram(-1, -1, false);
        break;
    case 6: {
        ApplyInstrumentTemplate(kPianoEntry, track, &templ);
        track->SetVoiceChannel(-1, track->GetVoiceChannel(0));
        // The lower staff plays with the upper one's voices.
        if (CTrack* lower = score->GetTrack(first + 1)) {
            std::memcpy(reinterpret_cast<std::uint8_t*>(lower) + CTrack::kSlots,
                        reinterpret_cast<const std::uint8_t*>(track) + CTrack::kSlots, CTrack::kVoices * CTrack::kSlotSize);
            lower->SetVoiceCount(lower->GetVoiceCount());
        }
        break;
    }
    case 7: {
        track->SetName("Voice");
        track->SetAbbreviation("V.");
        if (CTrack* next = score->GetTrack(first + 1)) {
            next->SetDevice(port);
            ApplyInstrumentTemplate(kPianoEntry, next, &templ);
            next->SetDevice(port);
            const int channel = score->FindFreeChannel(first + 1, port, nullptr);
            if (channel >= 0) next->SetVoiceChannel(-1, channel);
            if (CTrack* lower = score->GetTrack(first + 2)) {
                std::memcpy(reinterpret_cast<std::uint8_t*>(lower) + CTrack::kSlots,
                            reinterpret_cast<const std::uint8_t*>(next) + CTrack::kSlots, CTrack::kVoices * CTrack::kSlotSize);
            }
        }
        break;
    }
    default: break;
    }
    score->NoteDeviceUsed(port);

    // Every system's staves show the new tracks' clefs and lines.
    for (int t = first; t < first + n; ++t) {
        CTrack* made = score->GetTrack(t);
        if (!made) continue;
        for (int s = 0; s < score->GetLineCount(); ++s) {
            CLine* line = score->GetLine(s);
            CStaff* staff = line ? line->GetStaff(t) : nullptr;
            if (!staff) continue;
            staff->SetLineMask(made->GetLineMask());
            const int old = staff->GetClef();
            if (old == made->GetShownClef()) continue;
            staff->SetClef(made->GetShownClef());
            if (CTrkBar* tb = score->GetTrkBar(t, line->GetFirstBarIndex())) tb->RepositionForClef(0, old);
        }
    }
}

bool CTrackTask::Perform() {
    if (!score || !document) return true;
    const int command = name;
    const bool insert = command == kInsert || command == kInsertMenu;
    const int n = insert ? StavesOfKind(trackKind) : -1;
    const int count = score->GetTrackCount();
    if (insert && count + n > kMaxTracks) {
        ShowAlertById(kAlertStop, kMessageTooManyTracks);
        hasSnapshot = 0;
        return true;
    }
    if (!insert && count <= 1) {
        hasSnapshot = 0;
        return true;
    }
    SetLayoutChanged();
    // Every track slot the change reaches: after an insertion the tracks moved up, after a
    // removal the last track's bars moved down a slot.
    const int lastSlot = std::max(count - 1, count - 1 + n);
    if (!SaveTracks() || !SavePages() || !SaveLines() || !SaveBarArray() || !SaveTrackBarArrays(0, lastSlot) ||
        !SaveRange(0, 0, lastSlot, score->GetBarCount() - 1))
        ThrowOutOfMemory();
    if (insert) {
        if (!score->InsertTrack(insertIndex, trackKind, document->location.systemIndex)) ThrowOutOfMemory();
        SetUpNewTracks();
    } else {
        if (!score->DeleteTrack(insertIndex)) ThrowOutOfMemory();
        if (document->location.trackIndex >= score->GetTrackCount())
            document->location.trackIndex = score->GetTrackCount() - 1;
    }
    score->RecalcBars(false);
    document->RecalcPageGeometry(true, false);
    document->NotifyWindows(1, CZelDoc::kHintTaskDone);
    return true;
}

void CTrackTask::SwapSnapshot() {
    CScoreTask::SwapSnapshot();
    if (!score || !document) return;
    score->RecalcBars(false);
    document->NotifyWindows(1, CZelDoc::kHintTaskDone);
}
