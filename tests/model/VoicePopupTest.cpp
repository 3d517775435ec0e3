// The popups of a track's voices with scripted choices: what each choice stores, sends and
// tells the document; the patch menu's items; a sound chosen on the first voice and on another;
// the sample player's slot menu; and the chosen name kept within its buffer.
#include <gtest/gtest.h>

#include <array>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "support/MidiRecorder.h"
#include "RecordTestSupport.h"
#include "support/CommandRecorder.h"
#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "framework/UiTest.h"
#include "model/Articulation.h"
#include "model/MidiChoosers.h"
#include "model/MidiStandIns.h"
#include "model/PlaybackHooks.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "platform/DlgCombosStandIns.h"

namespace {

namespace ui = fw::uitest;
using Sent = testsupport::MidiRecorder::Sent;
using Kind = testsupport::MidiRecorder::Kind;

constexpr int kPort = 3;

// Definitions with two sounds for "Strings": a violin (bank 2, program 40, an octave down,
// playing pizz and staccato) and a bare one.
struct Defs : VSTDeviceDefs {
    int setup = 1;
    int GetSoundCount(int port, const char* instrument) override {
        return port == kPort && std::strcmp(instrument, "Strings") == 0 ? 2 : 0;
    }
    bool GetSound(int port, const char* instrument, int index, VSTSound* sound) override {
        if (index < 0 || index >= GetSoundCount(port, instrument)) return false;
        *sound = {};
        std::strcpy(sound->name, index == 0 ? "Violin" : "Plain");
        std::strcpy(sound->fullName, "Violin I");
        std::strcpy(sound->abbreviation, "Vl.");
        sound->bank = index == 0 ? 2 : -1;
        sound->program = 40 + index;
        sound->pitchOffset = index == 0 ? -12 : 0;
        return true;
    }
    bool GetArticulation(int, const char* instrument, int code, std::uint8_t* entry) override {
        if (std::strcmp(instrument, "Violin") != 0 || (code != 9 && code != 63)) return false;
        std::memset(entry, 0, MarkPlayback::kSize);
        entry[0] = std::uint8_t(100 + code);
        return true;
    }
    int GetSoundSetupValue(int, const char*) override { return setup; }
};

// Names with a known bank 0 and patch names longer than any buffer.
struct Names : CNameMgr {
    int GetBankNumber(int, int, std::uint32_t word) override { return word == 0xFFFFFFFFu ? -1 : 0; }
    void GetPatchName(int, int, std::uint32_t word, char* text, std::size_t size) override {
        const std::string name = "P" + std::to_string(word & 0xFF) + std::string(500, 'x');
        std::strncpy(text, name.c_str(), size - 1);
        text[size - 1] = 0;
    }
};

struct SamplePorts : CDevices {
    bool IsSamplePlayerPort(int port) override { return port == 2100; }
};

// The choosers answer the next scripted value (none: nothing chosen), and remember what they
// were offered.
int g_answer = -1;
void Answer(int value) { g_answer = value; }
bool Take(int* value) {
    const int answer = g_answer;
    g_answer = -1;
    if (answer < 0) return false;
    *value = answer;
    return true;
}
void ScriptChoosers() {
    MidiChoosers& c = TheMidiChoosers();
    c.output = [](int, int, int* port) { return Take(port); };
    c.channel = [](int, int, int, int* channel) { return Take(channel); };
    c.bank = [](int, int, int, int, int* bank) { return Take(bank); };
    c.pan = [](int, int, int* stored) { return Take(stored); };
    c.value = [](int, int, int* value, int) { return Take(value); };
    c.patch = [](int, int, int, int, std::int32_t* word, bool) {
        int program = 0;
        if (!Take(&program)) return false;
        *word = std::int32_t((std::uint32_t(*word) & 0xFFFFFF00u) | std::uint32_t(program));
        return true;
    };
}

struct Fixture {
    recordtest::CleanGlobals clean;
    ui::Session session;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    Defs defs;
    Names names;
    Fixture() {
        RegisterTrackClass();
        ScriptChoosers();
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(2, 1));
        g_model.currentScore = score.get();
        CTrack* t = Track();
        t->SetDevice(kPort);
        t->SetVoiceCount(4);
        for (int v = 0; v < 8; ++v) t->SetVoiceChannel(v, v);
        SetVSTDeviceDefs(&defs);
        SetNameMgr(&names);
        testsupport::RecordedMidi().clear();
        doc.SetModifiedFlag(false);
    }
    ~Fixture() {
        TheMidiChoosers() = MidiChoosers{};
        g_answer = -1;
        SetVSTDeviceDefs(nullptr);
        SetNameMgr(nullptr);
        SetMidiOutPorts(nullptr);
        g_model.currentScore = nullptr;
        testsupport::RecordedMidi().clear();
    }
    CTrack* Track() { return score->GetTrack(0); }
};

TEST(VoicePopup, EachChoiceIsStoredSentAndAnnounced) {
    const struct {
        const char* name;
        std::function<void(CTrack&)> before;
        std::function<bool(CTrack&)> popup;
        int answer;  // the value chosen
        std::function<bool(CTrack&)> stored;
        std::vector<Sent> sent;
        std::vector<int> commands;
        bool modified;
    } cases[] = {
        {"a channel goes to every voice without channels of their own", nullptr,
         [](CTrack& t) { return t.PopupChannel(0, 0, 2); }, 9,
         [](CTrack& t) { return t.GetVoiceChannel(0) == 9 && t.GetVoiceChannel(7) == 9; }, {}, {4316}, false},
        {"a channel goes to the voice alone when each has its own",
         [](CTrack& t) { t.SetTrackFlags(std::uint8_t(t.GetTrackFlags() | 0x04)); },
         [](CTrack& t) { return t.PopupChannel(0, 0, 2); }, 9,
         [](CTrack& t) { return t.GetVoiceChannel(2) == 9 && t.GetVoiceChannel(0) == 0; }, {}, {4316}, false},
        {"a bank is sent with the voice's patch", [](CTrack& t) { t.SetVoicePatch(1, 5, false); },
         [](CTrack& t) { return t.PopupBank(0, 0, 1); }, 2,
         [](CTrack& t) { return t.GetVoicePatch(1) == 0x205; }, {{Kind::Patch, kPort, 1, 0x205, 1, 0}}, {4316},
         false},
        {"a device goes to the track and marks the document", nullptr, [](CTrack& t) { return t.PopupDevice(0, 0); },
         7, [](CTrack& t) { return t.GetDevice() == 7; }, {}, {4316, 2550}, true},
        {"a volume is sent as controller 7", nullptr, [](CTrack& t) { return t.PopupVolume(0, 0, 1); }, 100,
         [](CTrack& t) { return t.GetVoiceVolume(1) == 100; }, {{Kind::Record, kPort, 0xB1, 7, 100, 0}}, {}, false},
        {"a volume of 0 is not set and sends nothing", nullptr, [](CTrack& t) { return t.PopupVolume(0, 0, 1); }, 0,
         [](CTrack& t) { return t.GetVoiceVolume(1) == 0xFF; }, {}, {}, false},
        {"a pan is sent as controller 10 with 64 added", nullptr, [](CTrack& t) { return t.PopupPan(0, 0, 3); },
         54,  // kept with 64 added: -10
         [](CTrack& t) { return t.GetVoicePan(3) == -10; }, {{Kind::Record, kPort, 0xB3, 10, 54, 0}}, {}, false},
        {"a patch from the sound menu is sent", [](CTrack& t) { t.SetVoicePatch(0, 0x100, false); }, [](CTrack& t) { return t.PopupSound(0, 0, 0); }, 19,
         [](CTrack& t) { return t.GetVoiceProgram(0) == 19; }, {{Kind::Patch, kPort, 0, 0x113, 1, 0}}, {4316},
         false},
        {"\"None\" in the sound menu takes the patch away and sends nothing",
         [](CTrack& t) { t.SetVoicePatch(0, 7, false); }, [](CTrack& t) { return t.PopupSound(0, 0, 0); }, 0xFF,
         [](CTrack& t) { return t.GetVoicePatch(0) == -1; }, {}, {4316}, false},
    };
    for (const auto& c : cases) {
        Fixture f;
        CTrack& t = *f.Track();
        if (c.before) c.before(t);
        testsupport::RecordedMidi().clear();
        commandtest::AppCommands app;
        Answer(c.answer);
        EXPECT_TRUE(c.popup(t)) << c.name;
        EXPECT_TRUE(c.stored(t)) << c.name;
        EXPECT_EQ(testsupport::RecordedMidi(), c.sent) << c.name;
        EXPECT_EQ(app.ids, c.commands) << c.name;
        EXPECT_EQ(f.doc.IsModified(), c.modified) << c.name;
        // The same menu dismissed changes nothing.
        const std::vector<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(&t),
                                              reinterpret_cast<std::uint8_t*>(&t) + 2872);
        testsupport::RecordedMidi().clear();
        Answer(-1);
        EXPECT_FALSE(c.popup(t)) << c.name;
        EXPECT_TRUE(testsupport::RecordedMidi().empty()) << c.name;
        EXPECT_EQ(0, std::memcmp(bytes.data(), &t, bytes.size())) << c.name;
    }
}

// A port chosen in the device pop-up reaches the score's device bookkeeping and the
// performer's channel table, with voice 0's channel.
TEST(VoicePopup, ADeviceChoiceReachesTheScoresDevicesAndThePerformersChannels) {
    Fixture f;
    CTrack& t = *f.Track();
    t.SetVoiceChannel(0, 5);
    std::vector<std::array<int, 3>> told;
    g_playbackHooks.trackPortChanged = [&told](int track, int port, int channel) { told.push_back({track, port, channel}); };
    Answer(7);
    ASSERT_TRUE(t.PopupDevice(0, 0));
    EXPECT_EQ(t.GetDevice(), 7);
    EXPECT_EQ(told, (std::vector<std::array<int, 3>>{{t.GetIndex(), 7, 5}}));
    g_playbackHooks.trackPortChanged = nullptr;
}

TEST(VoicePopup, ThePatchMenuOffersNoneTheSoundsAndTheBankInGroupsOfSixteen) {
    Fixture f;
    CTrack& t = *f.Track();
    t.SetVoiceDefName(0, "Strings");
    t.SetVoicePatch(0, 0x0000, false);
    ui::AnswerMenu(0);
    EXPECT_FALSE(t.PopupPatch(10, 20, 0, nullptr));
    ASSERT_EQ(ui::Menus().size(), 1u);
    const auto& items = ui::Menus()[0].items;
    ASSERT_EQ(items.size(), 1u + 2u + 8u);
    EXPECT_EQ(items[0].text, "None");
    EXPECT_EQ(items[0].id, 1000u);
    EXPECT_EQ(items[1].text, "Violin");
    EXPECT_EQ(items[2].text, "Plain");
    EXPECT_EQ(items[3].text, "0-15");
    EXPECT_EQ(items[10].text, "112-127");
    ASSERT_EQ(items[10].popup.size(), 16u);
    EXPECT_EQ(items[10].popup[15].id, 10127u);
    EXPECT_EQ(items[10].popup[15].text.substr(0, 10), "   : P127x");

    // Without a known bank, or on a port from 1000 on, the programs are left out.
    for (const auto& [port, word] : {std::pair{kPort, -1}, std::pair{1500, 0}}) {
        t.SetDevice(port);
        t.SetVoicePatch(0, word, false);
        ui::AnswerMenu(0);
        t.PopupPatch(0, 0, 0, nullptr);
        EXPECT_EQ(ui::Menus().back().items.size(), port == kPort ? 3u : 1u) << port;
    }
}

TEST(VoicePopup, AChosenProgramNameStaysWithinItsBuffer) {
    Fixture f;
    CTrack& t = *f.Track();
    t.SetVoicePatch(1, 0x0000, false);
    char buffer[CTrack::kPatchNameSize + 16];
    std::memset(buffer, '#', sizeof buffer);
    ui::AnswerMenu(10000 + 33);
    ASSERT_TRUE(t.PopupPatch(0, 0, 1, buffer));
    EXPECT_EQ(t.GetVoiceProgram(1), 33);
    EXPECT_EQ(std::string(buffer, 4), "P33x");
    EXPECT_EQ(std::strlen(buffer), std::size_t(CTrack::kPatchNameSize - 1));
    for (std::size_t i = CTrack::kPatchNameSize; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << i;
}

TEST(VoicePopup, ASoundOnTheFirstVoiceNamesTheTrackAndSetsItsArticulationsAfresh) {
    Fixture f;
    CTrack& t = *f.Track();
    t.SetVoiceDefName(0, "Strings");
    t.SetVoicePatch(0, 0, false);
    t.SetVoicePatch(1, 9, false);  // another channel: keeps its patch
    reinterpret_cast<std::uint8_t*>(&t.MarkTable().Entry(20))[0] = 77;
    fw::msgboxtest::Capture boxes;
    char name[CTrack::kPatchNameSize];
    ui::AnswerMenu(1001);
    ASSERT_TRUE(t.PopupPatch(0, 0, 0, name));
    EXPECT_STREQ(name, "Violin");
    EXPECT_STREQ(t.GetVoiceDefName(0), "Violin");
    EXPECT_STREQ(t.GetFullName(), "Violin I");
    EXPECT_STREQ(t.GetAbbreviation(), "Vl.");
    EXPECT_EQ(t.GetVoicePatch(0), 0x228);  // bank 2, program 40
    EXPECT_EQ(t.GetVoiceTranspose(0), -12);
    EXPECT_EQ(t.GetVoicePatch(1), 9);
    EXPECT_TRUE(boxes.shown().empty());
    MarkPlaybackTable fresh;
    InitMarkPlaybackTable(fresh);
    const auto* entries = reinterpret_cast<const std::uint8_t*>(&t.MarkTable());
    EXPECT_EQ(entries[2 + 20 * 32], reinterpret_cast<const std::uint8_t*>(&fresh)[2 + 20 * 32]);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&t.MarkTable().Entry(9))[0], 109);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&t.MarkTable().Entry(63))[0], 163);
    // The bank first with the whole word, then the program.
    const std::vector<Sent> sent = {{Kind::Patch, kPort, 0, 0x200, 1, 0}, {Kind::Patch, kPort, 0, 0x228, 0, 0}};
    EXPECT_EQ(testsupport::RecordedMidi(), sent);
}

TEST(VoicePopup, ASoundOnAnotherVoiceAsksPerArticulationAndTakesOtherPatchesOffItsChannel) {
    Fixture f;
    CTrack& t = *f.Track();
    for (int v : {0, 2, 5}) t.SetVoiceChannel(v, 4);
    t.SetVoiceDefName(2, "Strings");
    t.SetVoicePatch(-1, 0x0001, false);
    const std::uint8_t before9 = reinterpret_cast<std::uint8_t*>(&t.MarkTable().Entry(9))[0];
    fw::msgboxtest::Capture boxes;
    boxes.Answer(IDNO);   // staccato (entry 9): no
    boxes.Answer(IDYES);  // pizz (entry 63): yes
    ui::AnswerMenu(1001);
    ASSERT_TRUE(t.PopupPatch(0, 0, 2, nullptr));
    ASSERT_EQ(boxes.shown().size(), 2u);
    std::string a, b, c;
    fw::LoadStringResource(10035, a);
    fw::LoadStringResource(10036, b);
    fw::LoadStringResource(10037, c);
    EXPECT_EQ(boxes.shown()[1].text, a + "pizz" + b + "3" + c);
    EXPECT_EQ(boxes.shown()[1].type & MB_TYPEMASK, UINT(MB_YESNO));
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(&t.MarkTable().Entry(9))[0], before9);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(&t.MarkTable().Entry(63))[0], 163);
    EXPECT_STREQ(t.GetFullName(), "");  // only the first voice names the track
    EXPECT_EQ(t.GetVoicePatch(2), 0x228);
    EXPECT_EQ(t.GetVoicePatch(0), -1);  // same channel: patch taken away
    EXPECT_EQ(t.GetVoicePatch(5), -1);
    EXPECT_EQ(t.GetVoicePatch(1), 1);   // another channel
}

TEST(VoicePopup, WithoutASoundSetupEveryProgramIsClearedUnsent) {
    Fixture f;
    f.defs.setup = 0;
    CTrack& t = *f.Track();
    t.SetVoiceDefName(1, "Strings");
    t.SetVoicePatch(-1, 0x0001, false);
    ui::AnswerMenu(1002);
    ASSERT_TRUE(t.PopupPatch(0, 0, 1, nullptr));
    for (int v = 0; v < 8; ++v) EXPECT_EQ(t.GetVoicePatch(v), -1) << v;
    EXPECT_STREQ(t.GetVoiceDefName(1), "Plain");
}

TEST(VoicePopup, TheSamplePlayerTrackTakesPortAndChannelFromItsSlotMenu) {
    Fixture f;
    SamplePorts ports;
    SetMidiOutPorts(&ports);
    CTrack& t = *f.Track();
    t.SetDevice(2100);
    ui::AnswerMenu(6);
    ASSERT_TRUE(t.PopupSound(0, 0, 1));
    EXPECT_EQ(t.GetDevice(), 2100);
    EXPECT_EQ(t.GetVoiceChannel(1), 5);
    EXPECT_EQ(ui::Menus().back().items.size(), 8u);
    EXPECT_TRUE(testsupport::RecordedMidi().empty());
}

}  // namespace
