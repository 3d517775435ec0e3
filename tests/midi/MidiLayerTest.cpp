// The MIDI device layer on loopback ports: what reaches each output (redirect, patches, resets,
// message lists, clock and real-time sends) and what MIDI input does (queue, thru echo, the
// redirect of an accepted input, and what is ignored).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/Midi.h"
#include "midi/ClockPerformer.h"
#include "midi/MidiLayer.h"
#include "midi/PortLists.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "support/FakeEngine.h"
#include "support/TempHome.h"

namespace {

namespace midi = fw::midi;
namespace loopback = fw::midi::loopback;

using Bytes = std::vector<int>;

class MidiLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        fw::clocktest::SetManual(1000);
        g_preferences.SetByte(Preferences::kResetModWheel, 0);
        // Outputs A (id 0), B (1), C (2), a sample player (1000); the keyboard's loopback
        // output feeds the input "Keys" (id 6), another feeds "Pads" (7).
        for (const char* name : {"Out A", "Out B", "Out C", "Sample Studio 1"}) loopback::AddOutput(name);
        loopback::AddOutput("Keyboard", "Keys");
        loopback::AddOutput("Pad", "Pads");
        loopback::AddInput("Keys");
        loopback::AddInput("Pads");
        EnumDevices(system);
        for (const char* name : {"Out A", "Out B", "Out C", "Sample Studio 1"}) ASSERT_TRUE(out.OpenByName(system, name));
        ASSERT_TRUE(in.OpenByName(system, "Keys"));
        ASSERT_TRUE(in.OpenByName(system, "Pads"));
        keyboard = midi::OpenOutput("Keyboard");
        pad = midi::OpenOutput("Pad");
        ASSERT_NE(keyboard, 0u);
        layer = CreateMidi();
        layer->SetPorts(&in, &out);
        layer->SetInputAccepted(true);
        loopback::ClearLog();
    }
    void TearDown() override {
        DestroyMidi(layer);
        in.RemoveAll();
        out.RemoveAll();
        fw::clocktest::Reset();
        fw::ResetAllGlobals();
    }
    // What each output received, as "port: bytes" in order (the keyboards' own sends left out).
    std::vector<std::pair<int, Bytes>> Sent() {
        std::vector<std::pair<int, Bytes>> sent;
        for (const loopback::Captured& c : loopback::Log()) {
            if (c.port == keyboard || c.port == pad) continue;
            int id = -1;
            for (int i = 0; i < out.GetCount(); ++i)
                if (out.GetAt(i).handle == c.port) id = out.GetAt(i).id;
            sent.push_back({id, Bytes(c.bytes, c.bytes + c.count)});
        }
        loopback::ClearLog();
        return sent;
    }
    std::vector<QueueRecord> Queued() {
        std::vector<QueueRecord> records;
        for (QueueRecord r; TheInputQueue().Get(&r);) records.push_back(r);
        return records;
    }
    void Play(midi::PortId from, std::vector<std::uint8_t> bytes) { midi::Send(from, bytes.data(), bytes.size()); }

    testsupport::TempHome home;
    CSystemDevices system;
    CMidiInPorts in;
    CMidiOutPorts out;
    midi::PortId keyboard = 0, pad = 0;
    CMidi* layer = nullptr;
};

using Sends = std::vector<std::pair<int, Bytes>>;

TEST_F(MidiLayerTest, ARedirectTurnsEachPortToTheOtherAndOnlyTheFirstEntryApplies) {
    layer->SetRedirects({{0, -1, 1}, {0, -1, 2}, {2, -1, 0}});
    for (int port : {0, 1, 2, 3}) layer->SendMessage3(port, 0x90, 60, 100);
    EXPECT_EQ(Sent(), (Sends{{1, {0x90, 60, 100}}, {0, {0x90, 60, 100}}, {0, {0x90, 60, 100}}}))
        << "A sounds on B, B on A, C on A by the first entry naming it; D (no port 3) nothing";
    layer->SetRedirects({});
    layer->SendMessage3(0, 0x80, 60, 0);
    EXPECT_EQ(Sent(), (Sends{{0, {0x80, 60, 0}}}));
    EXPECT_TRUE(layer->OutputActivity());
}

TEST_F(MidiLayerTest, SendPatchSendsTheBankWhenForcedOrPresentAndNothingForNoProgram) {
    struct Case {
        const char* name;
        std::int32_t word;
        int force;
        Sends sent;
    } cases[] = {
        {"no patch", -1, 0, {}},
        {"program 128", 128, 1, {}},
        {"program alone", 5, 0, {{1, {0xC3, 5}}}},
        {"bank bits", 0x01020005, 0, {{1, {0xB3, 0, 1}}, {1, {0xB3, 32, 2}}, {1, {0xC3, 5}}}},
        {"forced bank", 7, 1, {{1, {0xB3, 0, 0}}, {1, {0xB3, 32, 0}}, {1, {0xC3, 7}}}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(layer->SendPatch(1, 3, c.word, c.force)) << c.name;
        EXPECT_EQ(Sent(), c.sent) << c.name;
    }
}

TEST_F(MidiLayerTest, ResettingAChannelSendsTheSampleplayersOwnBytes) {
    struct Case {
        const char* name;
        int port;
        bool modWheel;
        Sends sent;
    } cases[] = {
        {"plain port", 2, true,
         {{2, {0xB4, 123, 0}}, {2, {0xE4, 0, 0x40}}, {2, {0xB4, 64, 0}}, {2, {0xD4, 0}}, {2, {0xA4, 0, 0}}}},
        {"sample player, mod wheel reset", 1000, true,
         {{1000, {0xB4, 123, 0}}, {1000, {0xE4, 0, 0x40}}, {1000, {0xB4, 1, 96}}, {1000, {0xD4, 0}}, {1000, {0xA4, 0, 0}}}},
        {"sample player", 1000, false,
         {{1000, {0xB4, 123, 0}}, {1000, {0xE4, 0, 0x40}}, {1000, {0xD4, 0}}, {1000, {0xA4, 0, 0}}}},
    };
    for (const Case& c : cases) {
        g_preferences.SetByte(Preferences::kResetModWheel, c.modWheel);
        EXPECT_TRUE(layer->ResetChannel(c.port, 4)) << c.name;
        EXPECT_EQ(Sent(), c.sent) << c.name;
    }
}

TEST_F(MidiLayerTest, AMessageListWaitsItsPausesOnTheClock) {
    // Note on, wait 30/60 s; program change (two bytes), no wait; note off, end.
    const std::uint8_t list[] = {0x90, 60, 100, 30, 0xC0, 9, 0, 0x80, 60, 0, 0xFF};
    const DWORD before = fw::GetTickCount();
    EXPECT_TRUE(layer->SendMessageList(0, 2, list));
    EXPECT_NEAR(double(fw::GetTickCount() - before), 500.0, 17.0);
    EXPECT_EQ(Sent(), (Sends{{0, {0x92, 60, 100}}, {0, {0xC2, 9}}, {0, {0x82, 60, 0}}}));
    const std::uint8_t triple[] = {0xFF, 0xFF, 4, 11};
    EXPECT_TRUE(layer->SendMessageList(0, 1, triple));
    EXPECT_EQ(Sent(), (Sends{{0, {0xB1, 32, 4}}, {0, {0xC1, 11}}}));
}

TEST_F(MidiLayerTest, ClockSongPositionAndRealTimeToNoPortSucceedWithoutSending) {
    EXPECT_TRUE(layer->SendClock(-1));
    EXPECT_TRUE(layer->SendSongPosition(-1, 300));
    EXPECT_TRUE(layer->SendRealtime(-1, 0xFA));
    EXPECT_EQ(Sent(), Sends{});
    EXPECT_TRUE(layer->SendClock(0));
    EXPECT_TRUE(layer->SendSongPosition(0, 300));
    EXPECT_TRUE(layer->SendRealtime(0, 0xFC));
    EXPECT_EQ(Sent(), (Sends{{0, {0xF8}}, {0, {0xF2, 300 & 127, 300 >> 7}}, {0, {0xFC}}}));
}

TEST_F(MidiLayerTest, InputIsQueuedAndEchoedOnTheThruChannelWithTheThruTranspose) {
    layer->SetThru({true, 9, 2, -1, 12});
    Play(keyboard, {0x91, 60, 100});
    Play(keyboard, {0xB1, 7, 90});
    Play(keyboard, {0x91, 120, 0});  // 132 is no key: no echo, but queued
    const std::vector<QueueRecord> queued = Queued();
    ASSERT_EQ(queued.size(), 3u);
    EXPECT_EQ(queued[0].status, 0x90);
    EXPECT_EQ(queued[0].data1, 60);
    EXPECT_EQ(queued[1].status, 0xB0);
    EXPECT_EQ(queued[2].status, 0x80);  // a velocity-0 note-on is a note-off
    EXPECT_EQ(Sent(), (Sends{{2, {0x99, 72, 100}}, {2, {0xB9, 7, 90}}}));
    EXPECT_TRUE(layer->InputActivity());

    layer->SetThru({false, 9, 2, -1, 12});
    Play(keyboard, {0x91, 60, 100});
    EXPECT_EQ(Queued().size(), 1u);
    EXPECT_EQ(Sent(), Sends{});
}

TEST_F(MidiLayerTest, AnAcceptedInputPlaysOnItsTracksDeviceAndIsNotQueued) {
    layer->SetThru({true, 0, 2, -1, 0});
    // The track plays on A (0) and accepts the pads (input 7), its sound redirected to C (2).
    layer->SetRedirects({{0, 7, 2}});
    Play(pad, {0x95, 40, 80});
    EXPECT_EQ(Sent(), (Sends{{0, {0x95, 40, 80}}}));
    EXPECT_TRUE(Queued().empty());
    Play(keyboard, {0x95, 40, 80});  // the other input: queued and echoed
    EXPECT_EQ(Queued().size(), 1u);
    EXPECT_EQ(Sent(), (Sends{{0, {0x90, 40, 80}}})) << "thru to C, which the table turns to A";
}

TEST_F(MidiLayerTest, InputThatIsNoChannelMessageOrComesWhileNotTakenIsIgnored) {
    layer->SetThru({true, 0, 1, -1, 0});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool armed, muted, accepted;
    } cases[] = {
        {"disarmed", {0x90, 60, 100}, false, false, true},
        {"muted", {0x90, 60, 100}, true, true, true},
        {"not accepted", {0x90, 60, 100}, true, false, false},
        {"system exclusive", {0xF0, 0x7E, 0x7F, 0xF7}, true, false, true},
        {"a lone data byte", {0x3C}, true, false, true},
        {"song position", {0xF2, 1, 2}, true, false, true},
    };
    for (const Case& c : cases) {
        c.armed ? layer->Arm() : (layer->Disarm(), 0);
        c.muted ? layer->MuteOn() : layer->MuteOff();
        layer->SetInputAccepted(c.accepted);
        Play(keyboard, c.bytes);
        EXPECT_TRUE(Queued().empty()) << c.name;
        EXPECT_EQ(Sent(), Sends{}) << c.name;
        EXPECT_FALSE(layer->InputActivity()) << c.name;
    }
}

TEST_F(MidiLayerTest, TheLayerIsTheModelsWhileItLives) {
    EXPECT_EQ(&TheMidi(), static_cast<MidiSender*>(layer));
    TheMidi().SendMessage3(1, 0x90, 64, 1);
    EXPECT_EQ(Sent(), (Sends{{1, {0x90, 64, 1}}}));
    DestroyMidi(layer);
    layer = nullptr;
    EXPECT_NE(&TheMidi(), nullptr);
    EXPECT_TRUE(TheMidi().SendMessage3(1, 0x90, 64, 1));
    EXPECT_EQ(Sent(), Sends{});
}

// What the open engine's ring holds from its first entry: handle, offset and bytes of each.
struct RingEntry {
    EngineHandle handle;
    double offset;
    Bytes bytes;
    bool operator==(const RingEntry&) const = default;
};
std::vector<RingEntry> RingEntries(const testsupport::FakeEngine& engine) {
    std::vector<RingEntry> entries;
    for (std::uint32_t i = 0; i < engine.WriteIndex(); ++i) {
        const EngineEvent& e = engine.ring.entries[i];
        entries.push_back({e.handle, e.msOffset, Bytes(e.bytes, e.bytes + 3)});
    }
    return entries;
}

TEST_F(MidiLayerTest, EnginePortsQueueForTheirSlotAndAMutedSlotReleasesInsteadOfStriking) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2000, "Strings", 1, true);
    engine.AddSlot(2003, "Piano", 4);
    const EngineHandle muted = engine.HandleOf(2000), open = engine.HandleOf(2003);
    struct Case {
        const char* name;
        int port;
        Bytes sent;
        std::vector<RingEntry> queued;
    } cases[] = {
        {"note-on to a muted slot: a note-off, same key and velocity", 2000, {0x93, 60, 100}, {{muted, 0, {0x83, 60, 100}}}},
        {"note-off to a muted slot", 2000, {0x83, 60, 64}, {{muted, 0, {0x83, 60, 64}}}},
        {"controller to a muted slot", 2000, {0xB5, 7, 90}, {{muted, 0, {0xB5, 7, 90}}}},
        {"program change to a muted slot", 2000, {0xC1, 12, 0}, {{muted, 0, {0xC1, 12, 0}}}},
        {"pitch bend to a muted slot", 2000, {0xE0, 0, 64}, {{muted, 0, {0xE0, 0, 64}}}},
        {"note-on to an open slot", 2003, {0x90, 62, 80}, {{open, 0, {0x90, 62, 80}}}},
        {"a port no slot carries", 2001, {0x90, 62, 80}, {}},
        {"a port far above", 32767, {0x90, 62, 80}, {}},
    };
    for (const Case& c : cases) {
        engine.ring.writeIndex = 0;
        layer->ClearActivity();
        EXPECT_TRUE(layer->SendMessage3(c.port, c.sent[0], c.sent[1], c.sent[2])) << c.name;
        EXPECT_EQ(RingEntries(engine), c.queued) << c.name;
        EXPECT_EQ(layer->OutputActivity(), !c.queued.empty()) << c.name;
    }
    EXPECT_EQ(Sent(), Sends{}) << "no MIDI port hears the engine's messages";

    // A redirect turns a MIDI port to an instrument and back.
    engine.ring.writeIndex = 0;
    layer->SetRedirects({{1, -1, 2003}});
    layer->SendMessage3(1, 0x91, 70, 30);
    layer->SendMessage3(2003, 0x91, 71, 30);
    EXPECT_EQ(RingEntries(engine), (std::vector<RingEntry>{{open, 0, {0x91, 70, 30}}}));
    EXPECT_EQ(Sent(), (Sends{{1, {0x91, 71, 30}}}));
}

TEST_F(MidiLayerTest, TheEngineRingWrapsAfterItsLastEntry) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2000, "Strings", 1);
    for (int i = 0; i < EngineRing::kSize; ++i) layer->SendMessage3(2000, 0xB0, 7, i % 128);
    EXPECT_EQ(engine.WriteIndex(), 0u) << "512 entries written: the index is back at the first";
    EXPECT_EQ(engine.ring.entries[511].bytes[2], 511 % 128);
    layer->SendMessage3(2000, 0x90, 60, 1);
    EXPECT_EQ(engine.WriteIndex(), 1u);
    EXPECT_EQ(Bytes(engine.ring.entries[0].bytes, engine.ring.entries[0].bytes + 3), (Bytes{0x90, 60, 1}));
    EXPECT_EQ(engine.ring.entries[1].bytes[2], 1) << "the second entry is not touched";
}

TEST_F(MidiLayerTest, WithoutAnOpenEngineNothingIsQueued) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2000, "Strings", 1);
    EngineHost::AttachRing(nullptr);
    EXPECT_FALSE(EngineHost::IsOpen());
    EXPECT_TRUE(layer->SendMessage3(2000, 0x90, 60, 100));
    EXPECT_EQ(engine.WriteIndex(), 0u);
    EXPECT_EQ(Sent(), Sends{});
}

TEST_F(MidiLayerTest, SendersOnTwoThreadsEachGetTheirOwnEntriesOfTheEngineRing) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2000, "Strings", 1);
    constexpr int kEach = 200;  // both together stay below one turn of the ring
    auto send = [&](int status) {
        for (int i = 0; i < kEach; ++i) layer->SendMessage3(2000, status, i % 128, 1);
    };
    std::thread other(send, 0xB1);
    send(0xB2);
    other.join();
    EXPECT_EQ(engine.WriteIndex(), 2u * kEach);
    int first = 0, second = 0;
    for (const RingEntry& q : RingEntries(engine)) {
        first += q.bytes[0] == 0xB1 ? 1 : 0;
        second += q.bytes[0] == 0xB2 ? 1 : 0;
    }
    EXPECT_EQ(first, kEach);
    EXPECT_EQ(second, kEach);
}

// A performer that plays a note on an engine instrument at every tick.
class EnginePerformer : public ClockPerformer {
public:
    explicit EnginePerformer(CMidi* midi) : midi_(midi) {}
    int GetTransportState() override { return 1; }
    int GetTempo() override { return 12500; }  // one tick a millisecond
    void PlayTick() override { midi_->SendMessage3(2000, 0x90, 60 + ticks_++, 100); }

private:
    CMidi* midi_;
    int ticks_ = 0;
};

TEST_F(MidiLayerTest, MessagesTheEnginesBlocksPlayCarryTheirMillisecondInTheBlock) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2000, "Strings", 1);
    EnginePerformer performer(layer);
    SetPerformer(&performer);
    layer->SetEngineDrivesClock(true);
    ASSERT_TRUE(layer->StartClock());
    layer->EngineTick(4.0);
    layer->SendMessage3(2000, 0x80, 60, 0);  // from outside the block
    layer->StopClock();
    SetPerformer(nullptr);
    const EngineHandle h = engine.HandleOf(2000);
    EXPECT_EQ(RingEntries(engine), (std::vector<RingEntry>{{h, 0, {0x90, 60, 100}},
                                                        {h, 1, {0x90, 61, 100}},
                                                        {h, 2, {0x90, 62, 100}},
                                                        {h, 3, {0x90, 63, 100}},
                                                        {h, 0, {0x80, 60, 0}}}));
}

// A performer that sends a note on output B from the clock's thread every 10th tick.
class SendingPerformer : public ClockPerformer {
public:
    explicit SendingPerformer(CMidi* midi) : midi_(midi) {}
    int GetTransportState() override { return 1; }
    void PlayTick() override {
        if (++ticks_ % 10 == 0) midi_->SendMessage3(1, 0x92, 50, 60);
    }

private:
    CMidi* midi_;
    int ticks_ = 0;
};

TEST_F(MidiLayerTest, SendsFromTheUserInterfaceWhileTheInputAndClockThreadsRunArriveWhole) {
    // The real clock, the clock's thread sending, an input thread playing the keyboard (queued,
    // echoed through thru), and this thread sending, arming, muting and swapping the snapshots.
    fw::clocktest::Reset();
    g_preferences.SetWord(Preferences::kSyncDevice, -1);
    SendingPerformer performer(layer);
    SetPerformer(&performer);
    layer->SetThru({true, 3, 2, -1, 0});
    layer->Arm();
    ASSERT_TRUE(layer->StartPlayback());
    std::atomic<bool> done{false};
    std::thread input([&] {
        for (int i = 0; !done; ++i) {
            Play(keyboard, {0x90, std::uint8_t(40 + i % 40), 100});
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 2000; ++i) {
        layer->SendMessage3(0, 0xB0, 7, i % 128);
        if (i % 50 == 0) {
            layer->SetRedirects(i % 100 == 0 ? std::vector<RedirectEntry>{{0, -1, 1}} : std::vector<RedirectEntry>{});
            layer->SetThru({i % 200 != 0, 3, 2, -1, i % 3});
            i % 150 == 0 ? layer->MuteOn() : layer->MuteOff();
            layer->SetTempoUnlessRecording(9000 + i);
            layer->TakeInputActivity();
            layer->TakeOutputActivity();
        }
        for (QueueRecord r; TheInputQueue().Get(&r);) {
        }
        if (i % 200 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Wait (with a generous deadline) until the clock's thread has sent.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto clockSends = [&] {
        int n = 0;
        for (const loopback::Captured& c : loopback::Log()) n += c.count == 3 && c.bytes[0] == 0x92 ? 1 : 0;
        return n;
    };
    while (clockSends() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    done = true;
    input.join();
    layer->StopClock();
    SetPerformer(nullptr);
    EXPECT_GT(clockSends(), 0);
    // Every message arrived whole: three bytes, a status byte first, data bytes after it.
    int controllers = 0;
    for (const loopback::Captured& c : loopback::Log()) {
        if (c.port == keyboard || c.port == pad) continue;
        ASSERT_EQ(c.count, 3u);
        EXPECT_GE(c.bytes[0], 0x80);
        EXPECT_LT(c.bytes[1], 0x80);
        EXPECT_LT(c.bytes[2], 0x80);
        controllers += c.bytes[0] == 0xB0 ? 1 : 0;
    }
    EXPECT_EQ(controllers, 2000);
}

}  // namespace
