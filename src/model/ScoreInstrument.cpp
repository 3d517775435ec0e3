// A track set up from an instrument of the instrument library in one undoable step: range,
// transposition, staff kind, clefs, voices and their sound, a channel that does not clash, names,
// staff options, lines and size, and a percussion entry's drum map.
#include <algorithm>
#include <cstring>
#include <string>

#include "model/EditTask.h"
#include "model/InstLib.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Devices.h"

namespace {

constexpr std::uint16_t kSixLines = 0x07E0;
constexpr int kTablatureSize = 125;

}  // namespace

bool ApplyInstrumentTemplate(int index, CTrack* track, const CTrack* lines) {
    CInstLib* library = g_model.instLib;
    if (!track || !library || !library->GetInstrument(index)) return false;
    if (library->GetInstrument(index)->staffKind == 1) library->FillDrumMap(std::int16_t(index));
    const InstrumentDef e = *library->GetInstrument(index);

    track->SetName(CInstLib::NameOf(e).c_str());
    char abbreviation[CTrack::kNameLength] = {};
    std::memcpy(abbreviation, e.abbreviation, sizeof e.abbreviation);
    track->SetAbbreviation(abbreviation);
    track->SetTrackFlags(std::uint8_t((track->GetTrackFlags() | 0x01) & ~0x02));
    track->SetVoiceProgram(-1, -1, false);
    if (e.patch.program == -1) track->SetVoicePatch(0, e.PatchWord(), false);
    else track->SetVoiceProgram(0, e.patch.program, false);
    track->SetVoiceChannel(-1, std::clamp<int>(e.channel, 0, 15));
    const int clef = e.clef;
    const bool tablature = clef == CStaff::kTablatureClef;
    const bool percussion = !tablature && e.staffKind == 1;
    track->SetClef(clef);
    if (percussion) track->SetStaffKind(1);
    track->SetTransposition(e.transposition);
    track->SetHighRange(e.highKey);
    track->SetLowRange(e.lowKey);
    track->SetTransposedClef(e.transposedClef);
    track->SetVoiceCount(std::clamp<int>(e.voices, 1, 8));
    track->SetVoiceTranspose(-1, e.playbackTranspose);
    std::uint8_t display = std::uint8_t((track->GetDisplaySwitches() | 0x1F) & ~0x40);
    if (tablature) {
        track->SetLineMask(lines ? lines->GetLineMask() : kSixLines);
        display = std::uint8_t((display & ~(0x04 | 0x08 | 0x20)) | 0x80);
        rec::Put<std::uint8_t>(track, CTrack::kStaffSize, std::uint8_t(kTablatureSize));
    } else if (percussion) {
        for (int i = 0; i < CTrack::kDrums; ++i) {
            const InstrumentDrumSlot& row = e.drums[i];
            rec::Put<std::uint8_t>(track, CTrack::kDrumPositions + i, std::uint8_t(row.position));
            rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + i, row.noteHead);
            rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + i, row.key);
            rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + i, row.voice);
        }
        track->SetHighRange(127);
        track->SetLowRange(0);
        display = std::uint8_t((display & ~0x08) | 0x40);
    }
    track->SetDisplaySwitches(display);
    return true;
}

bool CScore::ChooseTrackInstrument(int x, int y, int trackIndex) {
    CTrack* track = GetTrack(trackIndex);
    if (!track || !document) return false;
    CInstLib* library = g_model.instLib;
    if (!library) return false;
    std::int16_t current = -1;
    const std::string own = track->GetFullName();
    for (int i = 0; i < library->GetCount(); ++i) {
        const std::string name = library->GetItemName(i);
        if (!name.empty() && name == own) current = std::int16_t(i);
    }
    if (!library->RunInstrumentMenu(x, y, current) || !library->GetInstrument(current)) return false;

    CScoreTask* task = NewUndoTask(0, trackIndex, -1, trackIndex, -1);
    if (!task) return false;
    if (!task->SaveTracks() || !task->SaveTrackBars(trackIndex, trackIndex)) {
        document->DropNewestUndo();
        return false;
    }
    const InstrumentDef e = *library->GetInstrument(current);
    const int oldKind = track->GetStaffKind();
    const int kind = e.staffKind;

    const bool switchBack = transposedDisplay && (track->GetTransposition() != e.transposition ||
                                                  track->GetTransposedClef() != e.transposedClef ||
                                                  track->GetClef() != e.clef);
    if (switchBack) SetTrackTransposedDisplay(trackIndex, 0);

    track->SetInstrument(std::uint8_t(e.program));
    track->SetHighRange(e.highKey);
    track->SetLowRange(e.lowKey);
    track->SetTransposition(e.transposition);
    track->SetStaffKind(kind);
    if (kind == 1) {
        track->SetTransposition(0);
        track->SetTransposedClef(track->GetClef());
    }
    track->SetClef(e.clef);
    track->SetTransposedClef(e.transposedClef);
    track->SetVoiceCount(std::clamp<int>(e.voices, 1, 8));
    track->SetVoiceTranspose(-1, e.playbackTranspose);
    if (e.patch.program == -1) track->SetVoicePatch(-1, e.PatchWord(), false);
    else track->SetVoiceProgram(-1, e.patch.program, false);

    if (kind != 1) {
        const std::int32_t p = track->GetVoicePatch(0);
        const int port = e.port;
        auto isFree = [&](int c) {
            if (c == 9 || !GetMidiOutPorts()->IsChannelInMask(port, c)) return false;
            for (int t = 0; t < trackCount; ++t) {
                if (t == trackIndex || GetTrack(t)->GetDevice() != port) continue;
                for (int v = 0; v < CTrack::kVoices; ++v) {
                    const std::int32_t other = GetTrack(t)->GetVoicePatch(v);
                    if (GetTrack(t)->GetVoiceChannel(v) == c && other != p && other != -1) return false;
                }
            }
            return true;
        };
        if (!isFree(e.channel))
            for (int c = 0; c < 16; ++c)
                if (isFree(c)) {
                    track->SetVoiceChannel(-1, c);
                    break;
                }
    }
    if (!track->GetFullName()[0]) {
        track->SetName(CInstLib::NameOf(e).c_str());
        char abbreviation[33] = {};
        std::memcpy(abbreviation, e.abbreviation, sizeof e.abbreviation);
        track->SetAbbreviation(abbreviation);
    }
    std::uint8_t display = track->GetDisplaySwitches();
    if (kind != oldKind) display = std::uint8_t((display | 0x1F) & ~0x40);
    if (kind == 2) {
        track->SetLineMask(0x07E0);
        display = std::uint8_t((display & ~(0x08 | 0x04 | 0x20)) | 0x80);
        CTrack* above = trackIndex > 0 ? GetTrack(trackIndex - 1) : nullptr;
        const int size = above && !above->IsTablatureStaff()
                             ? rec::Get<std::uint8_t>(above, CTrack::kStaffSize) * 5 / 4
                             : 125;
        rec::Put<std::uint8_t>(track, CTrack::kStaffSize, std::uint8_t(size));
    } else {
        track->SetLineMask(0x07C0);
        if (kind == 1) {
            display = std::uint8_t((display & ~0x08) | 0x40);
            track->SetHighRange(127);
            track->SetLowRange(0);
            for (int i = 0; i < CTrack::kDrums; ++i) {
                const InstrumentDrumSlot& row = e.drums[i];
                rec::Put<std::uint8_t>(track, CTrack::kDrumPositions + i, std::uint8_t(row.position));
                rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + i, row.noteHead);
                rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + i, row.key);
                rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + i, row.voice);
            }
            track->CollectDrumMap(this);
            if (oldKind != 1) track->ApplyDrumMap(this);
        }
    }
    track->SetDisplaySwitches(display);
    if (!track->IsStandardStaff())
        for (int s = 0; s < lineCount; ++s)
            if (CStaff* staff = GetLine(s)->GetStaff(trackIndex)) staff->SetClef(track->GetClef());
    if (switchBack) SetTrackTransposedDisplay(trackIndex, 1);
    if (!transposedDisplay && lineCount > 0) {
        CLine* first = GetLine(0);
        CStaff* staff = first->GetStaff(trackIndex);
        if (staff && staff->GetClef() != track->GetShownClef()) {
            const int old = staff->GetClef();
            staff->SetClef(track->GetShownClef());
            if (CTrkBar* tb = GetTrkBar(trackIndex, first->GetFirstBarIndex())) tb->RepositionForClef(0, old);
        }
    }
    RecalcBars(false);
    return true;
}
