// A track set up from an instrument of the instrument library in one undoable step: range,
// transposition, staff kind, clefs, voices and their sound, a channel that does not clash, names,
// staff options, lines and size, and a percussion entry's drum map.
#include <algorithm>
#include <cstring>
#include <string>

#include "model/EditTask.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "platform/Devices.h"

namespace {

// Fields of a library entry.
enum : int {
    kKind = 0, kInstrument = 2, kClef = 52, kPort = 54, kChannel = 56, kVoiceTranspose = 58, kProgram = 62,
    kPatchWord = 132, kHighKey = 202, kLowKey = 204, kVoices = 206, kTransposedClef = 208, kTransposition = 210,
    kDrumRows = 214,
};

int Word(const std::uint8_t* e, int at) { return rec::Get<std::int16_t>(e, at); }

constexpr std::uint16_t kSixLines = 0x07E0;
constexpr int kTablatureSize = 125;

}  // namespace

bool ApplyInstrumentTemplate(int index, CTrack* track, const CTrack* lines) {
    const InstrumentLibraryReader& library = InstrumentLibrary();
    const int entries = library.count ? library.count() : 0;
    if (!track || index < 0 || index >= entries || !library.entry) return false;
    const std::uint8_t* source = library.entry(index);
    if (!source) return false;
    std::uint8_t e[kInstLibEntrySize];
    std::memcpy(e, source, sizeof e);

    track->SetName(InstLibEntryName(e).c_str());
    char abbreviation[CTrack::kNameLength] = {};
    std::memcpy(abbreviation, e + 36, 16);
    track->SetAbbreviation(abbreviation);
    track->SetTrackFlags(std::uint8_t((track->GetTrackFlags() | 0x01) & ~0x02));
    track->SetVoiceProgram(-1, -1, false);
    if (Word(e, kProgram) == -1) track->SetVoicePatch(0, rec::Get<std::int32_t>(e, kPatchWord), false);
    else track->SetVoiceProgram(0, Word(e, kProgram), false);
    track->SetVoiceChannel(-1, std::clamp(Word(e, kChannel), 0, 15));
    const int clef = Word(e, kClef);
    const bool tablature = clef == CStaff::kTablatureClef;
    const bool percussion = !tablature && e[kKind] == 1;
    track->SetClef(clef);
    if (percussion) track->SetStaffKind(1);
    track->SetTransposition(Word(e, kTransposition));
    track->SetHighRange(Word(e, kHighKey));
    track->SetLowRange(Word(e, kLowKey));
    track->SetTransposedClef(Word(e, kTransposedClef));
    track->SetVoiceCount(std::clamp(Word(e, kVoices), 1, 8));
    std::uint8_t display = std::uint8_t((track->GetDisplaySwitches() | 0x1F) & ~0x40);
    if (tablature) {
        track->SetLineMask(lines ? lines->GetLineMask() : kSixLines);
        display = std::uint8_t((display & ~(0x04 | 0x08 | 0x20)) | 0x80);
        rec::Put<std::uint8_t>(track, CTrack::kStaffSize, std::uint8_t(kTablatureSize));
    } else if (percussion) {
        for (int i = 0; i < CTrack::kDrums; ++i) {
            const std::uint8_t* row = e + kDrumRows + 8 * i;
            rec::Put<std::uint8_t>(track, CTrack::kDrumPositions + i, row[0]);
            rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + i, row[1]);
            rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + i, row[2]);
            rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + i, row[3]);
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
    const InstrumentLibraryReader& library = InstrumentLibrary();
    const int entries = library.count ? library.count() : 0;
    int current = -1;
    const std::string own = track->GetFullName();
    for (int i = 0; i < entries; ++i) {
        const std::string name = InstLibEntryName(library.entry(i));
        if (!name.empty() && name == own) current = i;
    }
    const int chosen = ChooseInstrumentFromMenu(x, y, current);
    if (chosen < 0) return false;

    CScoreTask* task = NewUndoTask(0, trackIndex, -1, trackIndex, -1);
    if (!task) return false;
    if (!task->SaveTracks() || !task->SaveTrackBars(trackIndex, trackIndex)) {
        document->DropNewestUndo();
        return false;
    }
    std::uint8_t e[kInstLibEntrySize];
    std::memcpy(e, library.entry(chosen), sizeof e);
    const int oldKind = track->GetStaffKind();
    const int kind = e[kKind];

    const bool switchBack = transposedDisplay && (track->GetTransposition() != Word(e, kTransposition) ||
                                                  track->GetTransposedClef() != Word(e, kTransposedClef) ||
                                                  track->GetClef() != Word(e, kClef));
    if (switchBack) SetTrackTransposedDisplay(trackIndex, 0);

    track->SetInstrument(e[kInstrument]);
    track->SetHighRange(Word(e, kHighKey));
    track->SetLowRange(Word(e, kLowKey));
    track->SetTransposition(Word(e, kTransposition));
    track->SetStaffKind(kind);
    if (kind == 1) {
        track->SetTransposition(0);
        track->SetTransposedClef(track->GetClef());
    }
    track->SetClef(Word(e, kClef));
    track->SetTransposedClef(Word(e, kTransposedClef));
    track->SetVoiceCount(std::clamp(Word(e, kVoices), 1, 8));
    track->SetVoiceTranspose(-1, Word(e, kVoiceTranspose));
    if (Word(e, kProgram) == -1) track->SetVoicePatch(-1, rec::Get<std::int32_t>(e, kPatchWord), false);
    else track->SetVoiceProgram(-1, Word(e, kProgram), false);

    if (kind != 1) {
        const std::int32_t p = track->GetVoicePatch(0);
        const int port = Word(e, kPort);
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
        if (!isFree(Word(e, kChannel)))
            for (int c = 0; c < 16; ++c)
                if (isFree(c)) {
                    track->SetVoiceChannel(-1, c);
                    break;
                }
    }
    if (!track->GetFullName()[0]) {
        track->SetName(InstLibEntryName(e).c_str());
        char abbreviation[33] = {};
        std::memcpy(abbreviation, e + 36, 16);
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
                const std::uint8_t* row = e + kDrumRows + 8 * i;
                rec::Put<std::uint8_t>(track, CTrack::kDrumPositions + i, row[0]);
                rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + i, row[1]);
                rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + i, row[2]);
                rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + i, row[3]);
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
