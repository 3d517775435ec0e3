// A track's voices: what each setter stores and sends, mute and solo with the score's audible
// flags, the voice limit check, sounding a note, the patches sent at once, the sound clipboard,
// the texts, and what a voice's sound gives the performer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "support/MidiRecorder.h"
#include "RecordTestSupport.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "model/Articulation.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/StdArray.h"

namespace {

using Sent = testsupport::MidiRecorder::Sent;
using Kind = testsupport::MidiRecorder::Kind;

constexpr int kPort = 3;

// Instrument definitions that name every patch, so that the score keeps each patch in use.
class NamingDefinitions : public CNameMgr {
public:
    void GetPatchName(int, int, std::uint32_t word, char* text, std::size_t size) override {
        std::snprintf(text, size, "P%u", unsigned(word & 0xFFFF));
    }
};

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    Fixture(int tracks = 1) {
        RegisterTrackClass();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(4, tracks));
        g_model.currentScore = score.get();
        for (int t = 0; t < tracks; ++t) {
            CTrack* track = score->GetTrack(t);
            track->SetDevice(kPort);
            track->SetVoiceCount(4);
            for (int v = 0; v < 8; ++v) track->SetVoiceChannel(v, v + 1);
        }
        testsupport::RecordedMidi().clear();
        DeviceRecord port;
        port.id = kPort;
        std::snprintf(port.name, sizeof port.name, "Port");
        ports.Add(port);
        SetMidiOutPorts(&ports);
        SetNameMgr(&definitions);
    }
    ~Fixture() {
        g_model.currentScore = nullptr;
        testsupport::RecordedMidi().clear();
        SetMidiOutPorts(nullptr);
        SetNameMgr(nullptr);
    }
    // The patch list entries the score keeps, each on the fixture's port.
    int KeptPatches() {
        CPatchArray* list = score->GetPatchArray();
        for (int i = 0; i < list->GetCount(); ++i)
            EXPECT_EQ(rec::Get<std::int16_t>(list->GetAt(i), CPatchArray::kPortOffset), kPort);
        return list->GetCount();
    }
    CDevices ports;
    NamingDefinitions definitions;
    CTrack* Track(int t = 0) { return score->GetTrack(t); }
};

TEST(TrackVoicesTest, SettersStoreTheirValueAndSendOnlyWhatIsAskedAndSet) {
    const struct {
        const char* name;
        std::function<void(CTrack&)> change;
        std::function<bool(CTrack&)> stored;
        std::vector<Sent> sent;
        int notedPatches;
    } cases[] = {
        {"volume 0 on every voice is 'not set' and never sent",
         [](CTrack& t) { t.SetVoiceVolume(-1, 0, true); },
         [](CTrack& t) { return t.GetVoiceVolume(0) == 0xFF && t.GetVoiceVolume(7) == 0xFF; }, {}, 0},
        {"a volume goes out as controller 7 on the voice's channel",
         [](CTrack& t) { t.SetVoiceVolume(2, 100, true); }, [](CTrack& t) { return t.GetVoiceVolume(2) == 100; },
         {{Kind::Record, kPort, 0xB3, 7, 100, 0}}, 0},
        {"a volume without sending stays quiet", [](CTrack& t) { t.SetVoiceVolume(2, 100, false); },
         [](CTrack& t) { return t.GetVoiceVolume(2) == 100; }, {}, 0},
        {"a pan goes out as controller 10, shifted by 64", [](CTrack& t) { t.SetVoicePan(1, -20, true); },
         [](CTrack& t) { return t.GetVoicePan(1) == -20; }, {{Kind::Record, kPort, 0xB2, 10, 44, 0}}, 0},
        {"a pan of -1 is not set and not sent", [](CTrack& t) { t.SetVoicePan(1, -1, true); },
         [](CTrack& t) { return t.GetVoicePan(1) == -1; }, {}, 0},
        {"a program keeps the bank bytes",
         [](CTrack& t) {
             t.SetVoicePatch(2, 0x00010203, false);
             t.SetVoiceProgram(2, 5, false);
         },
         [](CTrack& t) { return t.GetVoicePatch(2) == 0x00010205; }, {}, 2},
        {"program -1 is no patch",
         [](CTrack& t) {
             t.SetVoicePatch(2, 0x00010203, false);
             t.SetVoiceProgram(2, -1, true);
         },
         [](CTrack& t) { return t.GetVoicePatch(2) == -1; }, {}, 1},
        {"a changed program is sent with 0 last; voice -1 takes voice 0's channel; no bank stays none",
         [](CTrack& t) { t.SetVoiceProgram(-1, 40, true); },
         [](CTrack& t) { return t.GetVoiceProgram(0) == 40 && t.GetVoiceProgram(7) == 40; },
         {{Kind::Patch, kPort, 1, int(0xFFFFFF28u), 0, 0}}, 1},
        {"the same program again sends nothing",
         [](CTrack& t) {
             t.SetVoiceProgram(-1, 40, false);
             t.SetVoiceProgram(-1, 40, true);
         },
         [](CTrack& t) { return t.GetVoiceProgram(3) == 40; }, {}, 1},
        {"a patch word is sent with 1 last", [](CTrack& t) { t.SetVoicePatch(3, 0x0105, true); },
         [](CTrack& t) { return t.GetVoicePatch(3) == 0x0105; }, {{Kind::Patch, kPort, 4, 0x0105, 1, 0}}, 1},
        {"no patch is never sent", [](CTrack& t) { t.SetVoicePatch(3, -1, true); },
         [](CTrack& t) { return t.GetVoicePatch(3) == -1; }, {}, 0},
        {"a bank on a voice without a patch is stored but not sent",
         [](CTrack& t) { t.SetVoiceBank(5, 2, true); }, [](CTrack& t) { return t.GetVoicePatch(5) != -1; }, {}, 0},
        {"the voice word -1 stores 0; stems one voice or all",
         [](CTrack& t) {
             t.SetVoiceWord(-1, -1);
             t.SetVoiceStem(-1, 2);
             t.SetVoiceStem(6, 0);
         },
         [](CTrack& t) {
             return rec::Get<std::uint16_t>(t.Slot(4), CTrack::kSlotVoiceWord) == 0 && t.GetVoiceStem(1) == 2 &&
                    t.IsVoiceStemAuto(6) && !t.IsVoiceStemAuto(7);
         },
         {}, 0},
    };
    for (const auto& c : cases) {
        Fixture f;
        c.change(*f.Track());
        EXPECT_TRUE(c.stored(*f.Track())) << c.name;
        EXPECT_EQ(testsupport::RecordedMidi(), c.sent) << c.name;
        EXPECT_EQ(f.KeptPatches(), c.notedPatches) << c.name;
    }
}

TEST(TrackVoicesTest, MuteAndSoloExcludeEachOtherAndDecideWhoSounds) {
    Fixture f(3);
    // The track window hears of every change.
    bool told = false;
    DocumentHintTargets()[4] = [&told](int code) { told = told || code == 4321; };
    CTrack* a = f.Track(0);
    CTrack* b = f.Track(1);
    CTrack* c = f.Track(2);
    // Solo is in force through one voice of the third track.
    c->SetSolo(1, true);
    EXPECT_TRUE(c->IsVoiceAudible(1));
    EXPECT_FALSE(c->IsVoiceAudible(0));
    EXPECT_FALSE(a->IsVoiceAudible(0));
    EXPECT_FALSE(a->GetTrackFlags() & 0x10);
    EXPECT_TRUE(c->GetTrackFlags() & 0x10);
    // A soloed track sounds whole, except a voice muted in it.
    b->SetSolo(-1, true);
    b->SetMuted(2, true);
    EXPECT_TRUE(b->IsVoiceAudible(0));
    EXPECT_FALSE(b->IsVoiceAudible(2));
    // Muting the soloed voice takes its solo away.
    c->SetMuted(1, true);
    EXPECT_TRUE(c->IsMuted(1));
    EXPECT_FALSE(c->IsSolo(1));
    EXPECT_FALSE(c->IsVoiceAudible(1));
    // Soloing the track clears its voices' own states and its mute.
    c->SetMuted(-1, true);
    c->SetSolo(-1, true);
    EXPECT_FALSE(c->IsMuted(-1));
    EXPECT_FALSE(c->IsMuted(1));
    EXPECT_TRUE(c->IsVoiceAudible(1));
    // A voice beyond the limit is neither muted nor soloed.
    c->SetMuted(6, true);
    EXPECT_FALSE(c->IsMuted(6));
    // Each change tells the document to redraw and marks it modified.
    EXPECT_TRUE(told);
    EXPECT_TRUE(f.doc.IsModified());
}

TEST(TrackVoicesTest, VoiceAtTheLimitIsRefusedWithItsMessage) {
    Fixture f;
    fw::msgboxtest::Capture boxes;
    EXPECT_TRUE(f.Track()->CheckVoice(3));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(f.Track()->CheckVoice(4));
    ASSERT_EQ(boxes.shown().size(), 1u);
    std::string text;
    ASSERT_TRUE(fw::LoadStringResource(10006, text));
    EXPECT_EQ(boxes.shown()[0].text, text);
}

TEST(TrackVoicesTest, SoundingANoteAndSendingEveryPatch) {
    Fixture f;
    CTrack* t = f.Track();
    t->SetVoiceTranspose(2, -12);
    t->SoundNote(64, 90, 2, true);
    const std::vector<Sent> note = {{Kind::Message3, kPort, 0x93, 52, 90, 0}, {Kind::Message3, kPort, 0x93, 52, 0, 0}};
    EXPECT_EQ(testsupport::RecordedMidi(), note);

    testsupport::RecordedMidi().clear();
    t->SetVoiceChannel(-1, 0);
    t->SetVoicePatch(-1, -1, false);
    t->SetVoicePatch(0, 12, false);
    t->SetVoicePatch(1, 12, false);  // the same on the same channel: sent once
    t->SetVoicePatch(2, 13, false);
    t->SetVoiceChannel(3, 5);
    t->SetVoicePatch(3, 12, false);  // the same patch on another channel
    t->SendVoicePatches();
    const std::vector<Sent> patches = {
        {Kind::Patch, kPort, 0, 12, 1, 0}, {Kind::Patch, kPort, 0, 13, 1, 0}, {Kind::Patch, kPort, 5, 12, 1, 0}};
    EXPECT_EQ(testsupport::RecordedMidi(), patches);
}

TEST(TrackVoicesTest, SoundClipboardCopiesAndPastesOnlyChanges) {
    Fixture f(2);
    CTrack* from = f.Track(0);
    CTrack* to = f.Track(1);
    from->SetDevice(9);
    from->SetVoicePatch(1, 0x0230, false);
    from->SetVoiceDefName(1, "Strings");
    EXPECT_TRUE(from->CopySound(1));
    EXPECT_FALSE(from->CopySound(1));
    testsupport::RecordedMidi().clear();
    EXPECT_TRUE(to->PasteSound(3));
    EXPECT_EQ(to->GetDevice(), 9);
    EXPECT_EQ(to->GetVoiceChannel(3), from->GetVoiceChannel(1));
    EXPECT_EQ(to->GetVoicePatch(3), 0x0230);
    EXPECT_TRUE(testsupport::RecordedMidi().empty());
    EXPECT_FALSE(to->PasteSound(3));
}

TEST(TrackVoicesTest, TextsAndNames) {
    Fixture f;
    CTrack* t = f.Track();
    char text[64];
    t->SetVoiceVolume(0, 0, false);
    t->FormatVoiceVolume(0, text);
    EXPECT_STREQ(text, "-");
    t->SetVoiceVolume(0, 96, false);
    t->FormatVoiceVolume(0, text);
    EXPECT_STREQ(text, "96");
    t->SetVoicePan(0, -64, false);
    t->FormatVoicePan(0, text);
    EXPECT_STREQ(text, "-64");
    t->SetVoiceTranspose(0, 7);
    t->FormatVoiceTranspose(0, text);
    EXPECT_STREQ(text, "7");
    t->SetVoicePatch(0, -1, false);
    t->GetVoicePatchName(0, text, sizeof text);
    EXPECT_STREQ(text, "None");
    t->SetVoiceDefName(5, "Horn");
    char name[CTrack::kVoiceDefNameSize];
    t->GetVoiceDefName(2, name);
    EXPECT_STREQ(CurrentTrackVoiceNames()[5], "Horn");
}

// Definitions that know one articulation and sound values, to see what the track asks for.
struct Defs : VSTDeviceDefs {
    bool GetArticulation(int port, const char* instrument, int code, std::uint8_t* entry) override {
        if (port != kPort || std::strcmp(instrument, "Violin") != 0) return false;
        std::memset(entry, 0, 32);
        entry[0] = std::uint8_t(code & 0xFF);
        return true;
    }
    int GetSoundValue(int, const char*, int which) override { return 100 + which; }
};

TEST(TrackVoicesTest, MarkPlaybackAndSoundValuesGoThroughTheVoicesSound) {
    Fixture f;
    Defs defs;
    SetVSTDeviceDefs(&defs);
    CTrack* t = f.Track();
    t->SetVoiceDefName(1, "Violin");
    MarkPlaybackTable& table = t->MarkTable();
    for (int i : {5, 61, 62, 63}) reinterpret_cast<std::uint8_t*>(&table.Entry(i))[0] = std::uint8_t(200 + i % 50);
    const struct {
        int index;
        bool result;
        int firstByte;
    } cases[] = {
        {5, true, 205},      // the track's own entries 0-31
        {61, true, 211},     // and 61, 62
        {40, true, 40},      // the sound's own below 1000
        {1002, true, 212},   // 1002 takes entry 62 over the sound's answer
        {1003, true, 213},   // 1003 entry 63
        {1001, true, 1001 & 0xFF},
    };
    for (const auto& c : cases) {
        std::uint8_t entry[32] = {};
        EXPECT_EQ(t->GetMarkPlayback(1, c.index, entry), c.result) << c.index;
        EXPECT_EQ(entry[0], c.firstByte) << c.index;
    }
    std::uint8_t entry[32] = {};
    EXPECT_FALSE(t->GetMarkPlayback(0, 40, entry));  // voice 0 has no sound name
    // The sound's setup values, unless the track's entry 61 gives its own.
    EXPECT_EQ(t->GetVoiceDefValue(1, 2), 102);
    auto* own = reinterpret_cast<std::uint8_t*>(&table.Entry(61));
    own[4] = 9;
    own[7] = 33;
    EXPECT_EQ(t->GetVoiceDefValue(1, 0), 8);
    EXPECT_EQ(t->GetVoiceDefValue(1, 2), 33);
    SetVSTDeviceDefs(nullptr);
}

}  // namespace

// A sample-player track sends each voice's volume with its patch, on the MIDI volume controller
// while the device definitions name none (never on controller -1).
TEST(TrackVoicesTest, ASamplePlayerVoicesVolumeGoesOnTheMidiVolumeWithoutDefinitions) {
    struct SamplePorts : CDevices {
        bool IsSamplePlayerPort(int port) override { return port == kPort; }
    } ports;
    Fixture f;
    CDevices* kept = GetMidiOutPorts();
    SetMidiOutPorts(&ports);
    CTrack* t = f.Track();
    t->SetVoicePatch(-1, -1, false);
    t->SetVoiceChannel(0, 2);
    t->SetVoicePatch(0, 12, false);
    testsupport::RecordedMidi().clear();
    t->SendVoicePatches();
    SetMidiOutPorts(kept);
    EXPECT_EQ(t->GetVolumeController(0), -1) << "no definitions are loaded";
    const std::vector<Sent> sent = {{Kind::Patch, kPort, 2, 12, 1, 0}, {Kind::Message3, kPort, 0xB2, 7, 80, 0}};
    EXPECT_EQ(testsupport::RecordedMidi(), sent);
}
