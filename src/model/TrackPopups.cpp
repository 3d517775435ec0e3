// The popups of a track's voices: the user chooses a channel, bank, output port, volume, pan,
// sound or patch at the click point, and the choice is stored in the voice (or the track) and
// sent. The patch popup also offers the sounds of the port's device definitions and, on a
// voice other than the first, asks which of the track's articulations the sound is to play.
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/CodePage.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/App.h"
#include "model/Articulation.h"
#include "model/MidiChoosers.h"
#include "model/MidiStandIns.h"
#include "model/PlaybackHooks.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/PortLayer.h"
#include "platform/StdMenu.h"

namespace {

// Application commands after a voice's sound or the track's port changed.
constexpr int kVoicesChangedCommand = 4316;
constexpr int kPortChangedCommand = 2550;
// Patch-menu items: "None", the sounds from here on, the programs of the bank from here on.
constexpr UINT kNoneItem = 1000;
constexpr UINT kProgramItems = 10000;
// Ports from here on carry no bank of their own in the patch menu.
constexpr int kBanklessPorts = 1000;
constexpr int kProgramsPerGroup = 16;
// Track-table entries a sound can take for another voice: the note marks with names, legato,
// arco and pizz.
constexpr int kNamedMarks = 20;
constexpr int kTechniqueEntries[] = {61, 62, 63};
// The question asked for each of those entries.
constexpr UINT kAskBefore = 10035;
constexpr UINT kAskBetween = 10036;
constexpr UINT kAskAfter = 10037;

void Tell(const CTrack& track, bool modified, std::initializer_list<int> commands) {
    CScore* score = TrackOwningScore(track);
    CZelDoc* doc = score ? score->GetDocument() : nullptr;
    if (!doc) return;
    if (modified) doc->SetModifiedFlag(true);
    // These are the application's commands (sound and port bookkeeping).
    if (CWinApp* app = AfxGetApp())
        for (int id : commands) app->OnCmdMsg(UINT(id), 0);
}

std::string String(UINT id) {
    std::string text;
    fw::LoadStringResource(id, text);
    return text;
}

// Asks whether the track's articulation entry is to be played by this voice's sound.
bool AskArticulation(int entry, int voice) {
    char mark[64] = {};
    GetMarkText(entry, mark);
    const std::string text =
        String(kAskBefore) + mark + String(kAskBetween) + std::to_string(voice + 1) + String(kAskAfter);
    return AfxMessageBox(text.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The sound's articulations go into the track's table: on the first voice the whole table is
// set afresh from the sound; on another voice each one the user accepts.
void TakeArticulations(CTrack& track, int voice, const char* sound) {
    MarkPlaybackTable& table = track.MarkTable();
    std::uint8_t entry[MarkPlayback::kSize];
    const int port = track.GetDevice();
    if (voice == 0) {
        InitMarkPlaybackTable(table);
        for (int i = 0; i < MarkPlaybackTable::kEntries; ++i)
            if (GetVSTDeviceDefs()->GetArticulation(port, sound, i, entry))
                std::memcpy(&table.Entry(i), entry, MarkPlayback::kSize);
        return;
    }
    const auto offer = [&](int i) {
        if (GetVSTDeviceDefs()->GetArticulation(port, sound, i, entry) && AskArticulation(i, voice))
            std::memcpy(&table.Entry(i), entry, MarkPlayback::kSize);
    };
    for (int i = 0; i < kNamedMarks; ++i) offer(i);
    for (int i : kTechniqueEntries) offer(i);
}

// The bank's patch name of a program on the track's port.
std::string ProgramName(const CTrack& track, int voice, int program) {
    char name[CTrack::kPatchNameSize] = {};
    const int device = GetMidiOutPorts()->IndexOfId(track.GetDevice());
    const std::uint32_t word = (std::uint32_t(track.GetVoicePatch(voice)) & 0xFFFFFF00u) | std::uint32_t(program);
    GetNameMgr()->GetPatchName(device, 0, word, name, sizeof name);
    return name;
}

}  // namespace

bool CTrack::PopupChannel(int x, int y, int voice) {
    int channel = GetVoiceChannel(voice);
    const auto& choose = TheMidiChoosers().channel;
    if (!choose || !choose(x, y, GetDevice(), &channel)) return false;
    const bool ownChannels = (GetTrackFlags() & 0x04) != 0;
    SetVoiceChannel(ownChannels ? voice : -1, channel);
    Tell(*this, false, {kVoicesChangedCommand});
    return true;
}

bool CTrack::PopupBank(int x, int y, int voice) {
    int bank = GetVoiceBank(voice);
    const auto& choose = TheMidiChoosers().bank;
    if (!choose || !choose(x, y, GetDevice(), GetVoiceChannel(voice), &bank)) return false;
    SetVoiceBank(voice, bank, true);
    Tell(*this, false, {kVoicesChangedCommand});
    return true;
}

bool CTrack::PopupDevice(int x, int y) {
    int port = GetDevice();
    const auto& choose = TheMidiChoosers().output;
    if (!choose || !choose(x, y, &port)) return false;
    SetDevice(port);
    // The score's device bookkeeping and the performer's channel table follow the new port.
    if (CScore* score = TrackOwningScore(*this)) score->NoteDeviceUsed(port);
    UpdatePerformerChannels(GetIndex(), port, GetVoiceChannel(0), -1);
    Tell(*this, true, {kVoicesChangedCommand, kPortChangedCommand});
    return true;
}

bool CTrack::PopupVolume(int x, int y, int voice) {
    int volume = GetVoiceVolume(voice);
    const auto& choose = TheMidiChoosers().value;
    if (!choose || !choose(x, y, &volume, 1)) return false;
    SetVoiceVolume(voice, volume, true);
    return true;
}

bool CTrack::PopupPan(int x, int y, int voice) {
    // The chooser keeps a pan with 64 added.
    int stored = GetVoicePan(voice) + 64;
    const auto& choose = TheMidiChoosers().pan;
    if (!choose || !choose(x, y, &stored)) return false;
    SetVoicePan(voice, stored - 64, true);
    return true;
}

bool CTrack::PopupSound(int x, int y, int voice) {
    if (IsSamplePlayerTrack()) {
        int port = GetDevice();
        int channel = GetVoiceChannel(voice);
        if (!SoundSets::ChooseSlot(x, y, &port, &channel)) return false;
        SetDevice(port);
        SetVoiceChannel(voice, channel);
        return true;
    }
    std::int32_t word = GetVoicePatch(voice);
    const auto& choose = TheMidiChoosers().patch;
    if (!choose || !choose(x, y, GetDevice(), GetVoiceChannel(voice), &word, true)) return false;
    // "None" comes back as 0xFF in the program byte: the voice then has no patch, and nothing
    // out of the MIDI range is sent.
    if ((word & 0xFF) == 0xFF) word = -1;
    SetVoicePatch(voice, word, true);
    Tell(*this, false, {kVoicesChangedCommand});
    return true;
}

bool CTrack::PopupPatch(int x, int y, int voice, char* nameOut) {
    const int port = GetDevice();
    std::string defName(GetVoiceDefName(voice), strnlen(GetVoiceDefName(voice), kVoiceDefNameSize));
    CStdMenu menu;
    if (!menu.Create()) return false;
    int pos = 0;
    menu.InsertItem(pos++, "None", int(kNoneItem));
    const int sounds = GetVSTDeviceDefs()->GetSoundCount(port, defName.c_str());
    for (int i = 0; i < sounds && kNoneItem + 1 + i < kProgramItems; ++i) {
        VSTSound sound;
        if (!GetVSTDeviceDefs()->GetSound(port, defName.c_str(), i, &sound)) continue;
        sound.name[sizeof sound.name - 1] = 0;
        menu.InsertItem(pos++, sound.name, int(kNoneItem) + 1 + i);
    }
    if (port < kBanklessPorts && GetVoiceBank(voice) != -1) {
        for (int first = 0; first < 128; first += kProgramsPerGroup) {
            const std::string label = std::to_string(first) + "-" + std::to_string(first + kProgramsPerGroup - 1);
            menu.InsertSubItem(pos, 0, label.c_str());
            for (int k = 0; k < kProgramsPerGroup; ++k) {
                const std::string text = "   : " + ProgramName(*this, voice, first + k);
                menu.InsertSubItem(pos, k, text.c_str(), int(kProgramItems) + first + k);
            }
            ++pos;
        }
    }
    const UINT chosen = menu.Track(x, y);
    if (chosen == 0) return false;

    std::string chosenName;
    if (chosen == kNoneItem) {
        SetVoiceProgram(voice, -1, true);
        chosenName = "None";
    } else if (chosen >= kProgramItems) {
        const int program = int(chosen - kProgramItems) & 0x7F;
        SetVoiceProgram(voice, program, true);
        chosenName = ProgramName(*this, voice, program);
    } else {
        VSTSound sound;
        if (!GetVSTDeviceDefs()->GetSound(port, defName.c_str(), int(chosen - kNoneItem - 1), &sound)) return false;
        sound.name[sizeof sound.name - 1] = 0;
        sound.fullName[sizeof sound.fullName - 1] = 0;
        sound.abbreviation[sizeof sound.abbreviation - 1] = 0;
        SetVoiceDefName(voice, sound.name);
        if (voice <= 0) {
            SetName(sound.fullName);
            SetAbbreviation(sound.abbreviation);
        }
        TakeArticulations(*this, voice < 0 ? 0 : voice, sound.name);
        if (sound.bank != -1) SetVoiceBank(voice, sound.bank, true);
        SetVoiceProgram(voice, sound.program, true);
        const int channel = GetVoiceChannel(voice);
        for (int v = 0; v < kVoices; ++v)
            if (v != voice && GetVoiceChannel(v) == channel && GetVoicePatch(v) != -1) SetVoiceProgram(v, -1, true);
        if (GetSoundSetupValue(voice) == 0) SetVoiceProgram(-1, -1, false);
        SetVoiceTranspose(voice, sound.pitchOffset);
        chosenName = sound.name;
    }
    if (nameOut) {
        std::memset(nameOut, 0, kPatchNameSize);
        fw::CopyText(nameOut, kPatchNameSize, chosenName.c_str());
    }
    return true;
}
