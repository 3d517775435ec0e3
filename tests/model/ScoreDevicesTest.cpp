// The score's devices, patches and channels on a fake machine (named ports, some not open) and
// on a second machine with the same names under other ids: what a save keeps, what a load finds
// again, where tracks of missing ports go, the one warning, free channels and stored names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Devices.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/StdArray.h"

namespace {

struct Port {
    int id;
    const char* name;
    bool open;
};

// A machine's output ports.
class Machine : public CDevices {
public:
    explicit Machine(std::vector<Port> ports) {
        for (const Port& p : ports) {
            DeviceRecord r;
            r.id = std::int16_t(p.id);
            r.handle = p.open ? 1u : 0u;
            std::snprintf(r.name, sizeof r.name, "%s", p.name);
            Add(r);
        }
    }
};

// Instrument definitions that name programs 0-9 of every port "Sound N".
class Definitions : public CNameMgr {
public:
    void GetPatchName(int, int, std::uint32_t word, char* text, std::size_t size) override {
        if ((word & 0xFF) < 10) std::snprintf(text, size, "Sound %u", unsigned(word & 0xFF));
        else if (size) text[0] = 0;
    }
};

struct Fixture {
    recordtest::CleanGlobals clean;
    CZelDoc doc;
    std::unique_ptr<CScore> score;
    Machine machine{{{1, "Synth A", true}, {2, "Synth B", true}, {3, "Closed C", false}, {4, "Closed D", false}}};
    Definitions definitions;
    explicit Fixture(int tracks = 3) {
        RegisterTrackClass();
        SetMidiOutPorts(&machine);
        SetNameMgr(&definitions);
        score = std::make_unique<CScore>(&doc);
        EXPECT_TRUE(score->BuildSkeleton(2, tracks));
    }
    ~Fixture() {
        SetMidiOutPorts(nullptr);
        SetNameMgr(nullptr);
    }
    CTrack* Track(int t) { return score->GetTrack(t); }
    void AddDevice(int id, const char* name) {
        std::uint8_t e[CDeviceArray::kElementSize] = {};
        rec::Put<std::int16_t>(e, 0, std::int16_t(id));
        std::snprintf(reinterpret_cast<char*>(e + CDeviceArray::kNameOffset), CDeviceArray::kNameSize, "%s", name);
        ASSERT_NE(score->GetDeviceArray()->Add(e), nullptr);
    }
    std::vector<int> DevicePorts() {
        std::vector<int> out;
        CDeviceArray* a = score->GetDeviceArray();
        for (int i = 0; i < a->GetCount(); ++i) out.push_back(rec::Get<std::int16_t>(a->GetAt(i), 0));
        return out;
    }
    std::vector<int> PatchPorts() {
        std::vector<int> out;
        CPatchArray* a = score->GetPatchArray();
        for (int i = 0; i < a->GetCount(); ++i) out.push_back(rec::Get<std::int16_t>(a->GetAt(i), CPatchArray::kPortOffset));
        return out;
    }
    // Every voice of track t on a port, channel and program.
    void Use(int t, int port, int channel, int program) {
        Track(t)->SetDevice(port);
        for (int v = 0; v < CTrack::kVoices; ++v) {
            Track(t)->SetVoiceChannel(v, channel);
            Track(t)->SetVoicePatch(v, std::int32_t(0xFFFF00u | unsigned(program)), false);
        }
    }
};

}  // namespace

TEST(ScoreDevices, ASaveKeepsOnlyTheDevicesAndPatchesTheTracksUse) {
    Fixture f(2);
    f.Use(0, 1, 0, 3);
    f.Use(1, 2, 1, 4);
    f.AddDevice(4, "Closed D");  // no track uses it
    f.score->CollectDevicesForSave();
    EXPECT_EQ(f.DevicePorts(), (std::vector<int>{1, 2}));
    EXPECT_EQ(f.PatchPorts(), (std::vector<int>{1, 2}));
    // The last track on port 2 goes: its device and patch entries go at the next save.
    f.Use(1, 1, 0, 3);
    f.score->CollectDevicesForSave();
    EXPECT_EQ(f.DevicePorts(), std::vector<int>{1});
    EXPECT_EQ(f.PatchPorts(), std::vector<int>{1});
}

TEST(ScoreDevices, AnEntryThatCannotBeAddedIsLeftOut) {
    Fixture f(1);
    f.Use(0, 1, 0, 3);
    fw::memtest::FailAfter(0);
    f.score->CollectDevicesForSave();
    fw::memtest::Reset();
    EXPECT_TRUE(f.DevicePorts().empty());
    EXPECT_TRUE(f.PatchPorts().empty());
    f.score->CollectDevicesForSave();
    EXPECT_EQ(f.DevicePorts(), std::vector<int>{1});
}

TEST(ScoreDevices, ALoadOnAnotherMachineFindsThePortsByName) {
    Fixture f(3);
    f.Use(0, 1, 0, 3);
    f.Use(1, 2, 1, 3);
    f.Track(2)->SetDevice(1003);
    f.AddDevice(1, "Synth A");
    f.AddDevice(2, "Synth B");
    g_preferences.SetWord(Preferences::kDefaultDevice, 2);
    // The second machine: the same names under other ids.
    Machine other{{{7, "Synth B", true}, {8, "Synth A", true}}};
    SetMidiOutPorts(&other);
    f.score->RemapDevicesAfterLoad();
    EXPECT_EQ(f.Track(0)->GetDevice(), 8);
    EXPECT_EQ(f.Track(1)->GetDevice(), 7);
    EXPECT_EQ(f.Track(2)->GetDevice(), 2003) << "the old sample player's port is the engine's";
    EXPECT_EQ(f.DevicePorts(), (std::vector<int>{8, 7}));
    EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDevice), 7);
    SetMidiOutPorts(&f.machine);
}

TEST(ScoreDevices, MissingPortsFollowThePreferenceAndRecordedOnesWarnOnce) {
    struct Case {
        const char* name;
        bool useDefault;
        int defaultPort;
        int expected;
    };
    for (const Case& c : {Case{"the default port when on", true, 2, 2}, Case{"the first port when off", false, 2, 1},
                          Case{"the first port when the default is closed", true, 3, 1}}) {
        SCOPED_TRACE(c.name);
        Fixture f(1);
        f.Track(0)->SetDevice(9);  // no such port, not recorded
        g_preferences.SetByte(Preferences::kUseDefaultDevice, c.useDefault ? 1 : 0);
        g_preferences.SetWord(Preferences::kDefaultDevice, std::int16_t(c.defaultPort));
        fw::msgboxtest::Capture boxes;
        f.score->CheckTrackDevices();
        EXPECT_EQ(f.Track(0)->GetDevice(), c.expected);
        EXPECT_TRUE(boxes.shown().empty());
    }
    Fixture f(3);
    f.Track(0)->SetDevice(3);
    f.Track(1)->SetDevice(4);
    f.Track(2)->SetDevice(1);
    f.AddDevice(3, "Closed C");
    f.AddDevice(4, "Closed D");
    fw::msgboxtest::Capture boxes;
    f.score->CheckTrackDevices();
    ASSERT_EQ(boxes.shown().size(), 1u) << "two recorded, unavailable devices: one message";
    EXPECT_NE(boxes.shown()[0].text.find("MIDI"), std::string::npos);
    EXPECT_EQ(f.Track(0)->GetDevice(), 3) << "a known device keeps its tracks";
    // Every track refreshes its voices afterwards: a voice left on another port follows voice 0.
    rec::Put<std::uint16_t>(f.Track(2)->Slot(5), CTrack::kSlotPort, 7);
    f.score->CheckTrackDevices();
    for (int v = 0; v < CTrack::kVoices; ++v)
        EXPECT_EQ(rec::Get<std::uint16_t>(f.Track(2)->Slot(v), CTrack::kSlotPort), 1) << "voice " << v;
}

TEST(ScoreDevices, FreeChannelsNeverOfferNineAndRunOut) {
    Fixture f(3);
    f.Use(0, 1, 0, 3);
    f.Use(1, 2, 1, 3);  // another port: does not count
    bool flags[16];
    EXPECT_EQ(f.score->FindFreeChannel(2, 1, flags), 1);
    EXPECT_FALSE(flags[0]);
    EXPECT_FALSE(flags[9]);
    EXPECT_TRUE(flags[1]);
    EXPECT_EQ(f.score->FindFreeChannel(2, 5, flags), 0) << "a port nobody uses";
    EXPECT_FALSE(flags[9]);
    // Every channel but 9 taken on port 1 by tracks 0 and 1.
    for (int v = 0; v < 8; ++v) {
        f.Track(0)->SetVoiceChannel(v, v);
        f.Track(1)->SetVoiceChannel(v, v < 7 ? 8 + v + (8 + v >= 9 ? 1 : 0) : 15);
    }
    f.Track(1)->SetDevice(1);
    EXPECT_EQ(f.score->FindFreeChannel(2, 1, flags), -1);
    for (int c = 0; c < 16; ++c) EXPECT_FALSE(flags[c]) << c;
}

TEST(ScoreDevices, StoredNamesAndPatchDataStayInsideTheirFields) {
    Fixture f(1);
    f.AddDevice(3, "Closed C");
    char text[64];
    EXPECT_TRUE(f.score->GetDeviceDisplayName(3, 4, text, sizeof text));
    EXPECT_STREQ(text, "Closed C-5");
    EXPECT_TRUE(f.score->GetDeviceDisplayName(1, -1, text, sizeof text));
    EXPECT_STREQ(text, "Synth A");
    // A patch entry whose data claims 200 bytes and whose name fills its field without a zero.
    std::uint8_t e[CPatchArray::kElementSize] = {};
    rec::Put<std::uint16_t>(e, 0, 0x0042);
    std::memset(e + CPatchArray::kNameOffset, 'n', CPatchArray::kNameSize);
    rec::Put<std::uint16_t>(e, CPatchArray::kDataLengthOffset, 200);
    for (int i = 0; i < CPatchArray::kDataSize; ++i) e[CPatchArray::kDataOffset + i] = std::uint8_t(i);
    rec::Put<std::int16_t>(e, CPatchArray::kPortOffset, 1);
    ASSERT_NE(f.score->GetPatchArray()->Add(e), nullptr);
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(f.score->GetStoredPatchData(0x42, &data));
    EXPECT_EQ(data.size(), std::size_t(CPatchArray::kDataSize));
    char name[100];
    EXPECT_FALSE(f.score->GetPatchDisplayName(1, 0, 0x42, name, sizeof name));
    EXPECT_EQ(std::strlen(name), std::size_t(CPatchArray::kNameSize)) << "cut at its field";
    EXPECT_TRUE(f.score->GetPatchDisplayName(1, 0, 3, name, sizeof name));
    EXPECT_STREQ(name, "Sound 3");
}
