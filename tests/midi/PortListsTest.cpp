// The system's device list with its port ids, and the chosen port lists: opening by name,
// remembering by name in a temporary settings home, the first-device fallback, the previous
// version's choices, and the lookups of a list.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "support/FakeEngine.h"
#include "support/TempHome.h"
#include "framework/Globals.h"
#include "framework/Midi.h"
#include "midi/PortLists.h"
#include "model/Preferences.h"
#include "platform/PlatformGlobals.h"
#include "platform/RvqUtil.h"

namespace {

namespace midi = fw::midi;

const char* const kKey = "Software\\Harrowick\\Zelmarin\\4.0";
const char* const kOlderKey = "Software\\Harrowick\\Zelmarin\\3.0";

class PortListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::ResetAllGlobals();
        saved_ = midi::CurrentConfig();
        std::snprintf(g_platform.programKeyPath, sizeof g_platform.programKeyPath, "%s", kKey);
        g_preferences.SetWord(Preferences::kDefaultDevice, 0);
        g_preferences.SetWord(Preferences::kThruDevice, 0);
        g_preferences.SetWord(Preferences::kDefaultDeviceChannel, 5);
    }
    void TearDown() override {
        fw::ResetAllGlobals();
        midi::Configure(saved_);
    }
    // The built-in synthesizer listed (it renders into a file, so no sound device is touched);
    // with a sound font that is not there it is listed but cannot open.
    void UseSynth(bool opens) {
        midi::Config c = saved_;
        c.synth = true;
        c.synthWav = home.root() + "/synth.wav";
        if (!opens) c.soundFont = home.root() + "/missing.sf2";
        midi::Configure(c);
    }
    static std::vector<std::string> Names(const CDevices& list) {
        std::vector<std::string> names;
        for (int i = 0; i < list.GetCount(); ++i) names.push_back(list.GetAt(i).name);
        return names;
    }
    static std::string Stored(const char* key, const char* subkey, const char* name) {
        RegKeyRecord record;
        char text[128] = {};
        if (!OpenRegKey(record, key, subkey, KEY_READ, HKEY_CURRENT_USER)) return "<no key>";
        return GetRegStringNoDefault(record, name, text, sizeof text) ? text : "<none>";
    }
    static DWORD StoredCount(const char* key, const char* subkey, const char* name) {
        RegKeyRecord record;
        DWORD v = 0xFFFF;
        if (OpenRegKey(record, key, subkey, KEY_READ, HKEY_CURRENT_USER)) GetRegDword(record, name, v);
        return v;
    }
    static void Remember(const char* key, const char* subkey, const char* countName, std::vector<std::string> names) {
        RegKeyRecord record;
        ASSERT_TRUE(OpenRegKey(record, key, subkey, KEY_WRITE, HKEY_CURRENT_USER));
        for (std::size_t i = 0; i < names.size(); ++i)
            ASSERT_TRUE(SetRegString(record, std::to_string(i).c_str(), names[i].c_str()));
        ASSERT_TRUE(SetRegDword(record, countName, DWORD(names.size())));
    }

    testsupport::TempHome home;
    midi::Config saved_;
};

TEST_F(PortListsTest, IdsFollowTheSystemListWithTheSynthesizerAsDefaultSynthesizer) {
    UseSynth(true);
    for (const char* name : {"Out A", "Sample Studio 1", "Stream MidiOut 1", "Out B", "Sample Orchestra 2"})
        midi::loopback::AddOutput(name);
    midi::loopback::AddInput("In A");
    midi::loopback::AddInput("In B");
    g_preferences.SetWord(Preferences::kDefaultDevice, 99);  // not below the number of outputs
    CSystemDevices system;
    EXPECT_EQ(EnumDevices(system), 8);
    struct Expect {
        const char* name;
        int id;
        int kind;
    } expected[] = {
        {midi::kSynthName, 0, 0}, {"Out A", 1, 0}, {"Sample Studio 1", 1000, 0}, {"Stream MidiOut 1", 1500, 0},
        {"Out B", 4, 0}, {"Sample Orchestra 2", 1001, 0}, {"In A", 6, 1}, {"In B", 7, 1},
    };
    ASSERT_EQ(system.GetCount(), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(system.GetAt(i).name, expected[i].name);
        EXPECT_EQ(system.GetAt(i).id, expected[i].id);
        EXPECT_EQ(system.GetAt(i).kind, expected[i].kind);
        EXPECT_EQ(system.IsInputPort(expected[i].id), expected[i].kind == 1);
        EXPECT_EQ(system.GetAt(i).channelMask, 0xFFFF);
        EXPECT_EQ(system.GetAt(i).handle, 0u);
    }
    EXPECT_EQ(system.defaultSynth, 0);
    EXPECT_TRUE(system.samplePlayerPresent);
    EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDevice), 0);
    EXPECT_EQ(g_preferences.Word(Preferences::kThruDevice), 0);
    EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDeviceChannel), 0);
    EXPECT_TRUE(system.IsSamplePlayerPort(1001));
    EXPECT_FALSE(system.IsSamplePlayerPort(4));
    EXPECT_FALSE(system.IsInputPort(8));  // no record: not an input

    // A default device among the outputs is kept.
    g_preferences.SetWord(Preferences::kDefaultDevice, 4);
    g_preferences.SetWord(Preferences::kDefaultDeviceChannel, 5);
    EnumDevices(system);
    EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDevice), 4);
    EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDeviceChannel), 5);
}

TEST_F(PortListsTest, ChosenPortsAreSavedAndLoadedByName) {
    for (const char* name : {"Out A", "Out B", "Out C"}) midi::loopback::AddOutput(name);
    midi::loopback::AddInput("In A");
    midi::loopback::AddInput("In B");
    CSystemDevices system;
    EnumDevices(system);
    CMidiOutPorts out;
    ASSERT_TRUE(out.OpenByName(system, "Out C"));
    ASSERT_TRUE(out.OpenByName(system, "Out A"));
    EXPECT_FALSE(out.OpenByName(system, "In A"));  // an input is no output
    EXPECT_FALSE(out.OpenByName(system, "Nowhere"));
    EXPECT_EQ(Names(out), (std::vector<std::string>{"Out C", "Out A"}));
    CMidiInPorts in;
    ASSERT_TRUE(in.OpenByName(system, "In B"));
    ASSERT_TRUE(out.Save(kKey));
    ASSERT_TRUE(in.Save(kKey));
    EXPECT_EQ(Stored(kKey, "MIDI Output Devices", "0"), "Out C");
    EXPECT_EQ(Stored(kKey, "MIDI Output Devices", "1"), "Out A");
    EXPECT_EQ(StoredCount(kKey, "MIDI Output Devices", "MaxOutPort"), 2u);
    EXPECT_EQ(Stored(kKey, "MIDI Input Devices", "0"), "In B");
    EXPECT_EQ(StoredCount(kKey, "MIDI Input Devices", "MaxInPort"), 1u);

    // Closing the lists closes their ports; loading opens the remembered ones again.
    const std::uint32_t before = out.GetHandle(system.GetIdAt(2));
    out.RemoveAll();
    EXPECT_FALSE(midi::IsOpen(before));
    CMidiOutPorts again;
    again.Load(system, kKey);
    EXPECT_EQ(Names(again), (std::vector<std::string>{"Out C", "Out A"}));
    for (int i = 0; i < again.GetCount(); ++i) EXPECT_TRUE(midi::IsOpen(again.GetAt(i).handle));
    EXPECT_EQ(again.GetIdAt(0), 2);
    EXPECT_TRUE(again.IsPortAvailable(2));
    EXPECT_FALSE(again.IsPortAvailable(1));  // Out B is not chosen
    CMidiInPorts inAgain;
    inAgain.Load(system, kKey);
    EXPECT_EQ(Names(inAgain), (std::vector<std::string>{"In B"}));
    EXPECT_EQ(inAgain.GetIdAt(0), 4);
}

TEST_F(PortListsTest, AGoneDeviceIsSkippedAndOneThatFailsToOpenIsKeptButNotSaved) {
    UseSynth(false);
    midi::loopback::AddOutput("Out A");
    Remember(kKey, "MIDI Output Devices", "MaxOutPort", {"Gone", midi::kSynthName, "", "Out A"});
    CSystemDevices system;
    EnumDevices(system);
    CMidiOutPorts out;
    out.Load(system, kKey);
    ASSERT_EQ(Names(out), (std::vector<std::string>{midi::kSynthName, "Out A"}));
    EXPECT_EQ(out.GetAt(0).handle, 0u);
    EXPECT_FALSE(out.IsPortAvailable(0));
    EXPECT_TRUE(out.IsPortAvailable(1));
    ASSERT_TRUE(out.Save(kKey));
    EXPECT_EQ(Stored(kKey, "MIDI Output Devices", "0"), "Out A");
    EXPECT_EQ(StoredCount(kKey, "MIDI Output Devices", "MaxOutPort"), 1u);
}

TEST_F(PortListsTest, WithNothingRememberedTheFirstDeviceOpensAndBecomesTheDefaultAndThruDevice) {
    struct Case {
        const char* name;
        bool synth;
        std::vector<std::string> outputs, inputs;
        std::vector<std::string> out, in;
        int defaultDevice;
    } cases[] = {
        {"the synthesizer first", true, {"Out A"}, {"In A", "In B"}, {midi::kSynthName}, {"In A"}, 0},
        {"a plain output first", false, {"Out A", "Out B"}, {}, {"Out A"}, {}, 0},
        {"no devices", false, {}, {}, {}, {}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::ResetAllGlobals();
        midi::Configure(saved_);
        if (c.synth) UseSynth(true);
        for (const std::string& name : c.outputs) midi::loopback::AddOutput(name);
        for (const std::string& name : c.inputs) midi::loopback::AddInput(name);
        g_preferences.SetWord(Preferences::kDefaultDevice, 7);
        g_preferences.SetWord(Preferences::kThruDevice, 7);
        CSystemDevices system;
        CMidiInPorts in;
        CMidiOutPorts out;
        LoadMidiPorts(system, in, out);
        EXPECT_EQ(Names(out), c.out);
        EXPECT_EQ(Names(in), c.in);
        for (int i = 0; i < out.GetCount(); ++i) EXPECT_NE(out.GetAt(i).handle, 0u);
        EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDevice), c.defaultDevice);
        EXPECT_EQ(g_preferences.Word(Preferences::kThruDevice), c.defaultDevice);
    }
}

TEST_F(PortListsTest, ARememberedDefaultDeviceThatIsOpenStays) {
    for (const char* name : {"Out A", "Out B"}) midi::loopback::AddOutput(name);
    Remember(kKey, "MIDI Output Devices", "MaxOutPort", {"Out A", "Out B"});
    g_preferences.SetWord(Preferences::kDefaultDevice, 1);
    g_preferences.SetWord(Preferences::kThruDevice, 0);
    CSystemDevices system;
    EnumDevices(system);
    CMidiOutPorts out;
    out.Load(system, kKey);
    EXPECT_EQ(g_preferences.Word(Preferences::kDefaultDevice), 1);
    EXPECT_EQ(g_preferences.Word(Preferences::kThruDevice), 0);
}

TEST_F(PortListsTest, ThePreviousVersionsChoicesAreUsedAndCopiedOnTheFirstStart) {
    for (const char* name : {"Out A", "Out B"}) midi::loopback::AddOutput(name);
    midi::loopback::AddInput("In A");
    midi::loopback::AddInput("In B");
    Remember(kOlderKey, "MIDI Output Devices", "MaxOutPort", {"Out B"});
    Remember(kOlderKey, "MIDI Input Devices", "MaxInPort", {"In B"});
    {
        CSystemDevices system;
        CMidiInPorts in;
        CMidiOutPorts out;
        LoadMidiPorts(system, in, out);
        EXPECT_EQ(Names(out), (std::vector<std::string>{"Out B"}));
        EXPECT_EQ(Names(in), (std::vector<std::string>{"In B"}));
        EXPECT_EQ(Stored(kKey, "MIDI Output Devices", "0"), "Out B");
        EXPECT_EQ(Stored(kKey, "MIDI Input Devices", "0"), "In B");
    }
    // Once the current version has its preferences, its own choices hold.
    ASSERT_TRUE(SaveRegDword("Preferences", "Version", 1));
    Remember(kKey, "MIDI Output Devices", "MaxOutPort", {"Out A"});
    CSystemDevices system;
    CMidiInPorts in;
    CMidiOutPorts out;
    LoadMidiPorts(system, in, out);
    EXPECT_EQ(Names(out), (std::vector<std::string>{"Out A"}));
    EXPECT_EQ(Names(in), (std::vector<std::string>{"In B"}));
}

TEST_F(PortListsTest, LookupsAnswerMinusOneForNone) {
    CDevices list;
    for (auto [id, name, mask] : {std::tuple{3, "Out A", 0x8001}, std::tuple{1000, "Sample Studio 1", 0xFFFF}}) {
        DeviceRecord r;
        r.id = std::int16_t(id);
        r.channelMask = std::uint16_t(mask);
        std::snprintf(r.name, sizeof r.name, "%s", name);
        list.Add(r);
    }
    struct Case {
        const char* name;
        int id;
    } byName[] = {
        {"Sample Studio: 3", 2002}, {"Sample Studio: 1", 2000}, {"Out A", 3}, {"Sample Studio 1", 1000}, {"Out", -1}, {"", -1},
        // A slot number that names no engine port is no id (1999 would be a MIDI port's).
        {"Sample Studio:", -1}, {"Sample Studio: 0", -1}, {"Sample Studio: x", -1}, {"Sample Studio: -2", -1},
        {"Sample Studio: 40000", -1},
    };
    for (const Case& c : byName) EXPECT_EQ(list.FindIdByName(c.name), c.id) << c.name;
    EXPECT_EQ(list.IndexOfId(1000), 1);
    EXPECT_EQ(list.IndexOfId(0), -1);
    EXPECT_EQ(list.GetIdAt(1), 1000);
    EXPECT_EQ(list.GetIdAt(2), -1);
    EXPECT_EQ(list.GetIdAt(-1), -1);
    EXPECT_EQ(list.FindById(0), nullptr);
    EXPECT_EQ(list.GetHandle(0), 0u);
    // The mask is read from bit 15 down: 0x8001 is channels 0 and 15.
    for (int ch = 0; ch < 16; ++ch) EXPECT_EQ(list.IsChannelInMask(3, ch), ch == 0 || ch == 15) << ch;
    EXPECT_FALSE(list.IsChannelInMask(4, 0));
    char text[64];
    list.GetDeviceName(3, text, sizeof text);
    EXPECT_STREQ(text, "Out A");
    list.GetDeviceName(4, text, sizeof text);
    EXPECT_STREQ(text, "None");
    list.GetDeviceNameWithChannel(3, 9, text, sizeof text);
    EXPECT_STREQ(text, "Out A-10");
    list.GetDeviceNameWithChannel(3, -1, text, sizeof text);
    EXPECT_STREQ(text, "Out A");
}

TEST_F(PortListsTest, EnginePortsAreNamedAndAvailableByTheSlotCarryingThem) {
    testsupport::FakeEngine engine;
    engine.AddSlot(2002, "Strings", 3);
    CDevices list;
    DeviceRecord r;
    r.id = 2001;  // no slot carries it: the record names it
    std::snprintf(r.name, sizeof r.name, "%s", "Stray");
    list.Add(r);
    struct Case {
        int port;
        const char* name;
        bool available;
    } cases[] = {{2002, "Strings: 3", true}, {2001, "Stray", false}, {2005, "None", false}, {-1, "None", false}};
    for (const Case& c : cases) {
        char text[64];
        list.GetDeviceName(c.port, text, sizeof text);
        EXPECT_STREQ(text, c.name) << c.port;
        EXPECT_EQ(list.IsPortAvailable(c.port), c.available) << c.port;
    }
    EXPECT_EQ(list.FindIdByName("Sample Studio: 3"), 2002);
}

// A port of ours in the ALSA sequencer is listed, opened and remembered by its name.
TEST_F(PortListsTest, AnAlsaVirtualPortIsListedOpenedAndSavedByName) {
    if (!midi::AlsaSequencerPresent()) GTEST_SKIP() << "no /dev/snd/seq here";
    midi::Config c = saved_;
    c.alsa = true;
    c.clientName = "zelports" + std::to_string(::getpid());
    midi::Configure(c);
    ASSERT_NE(midi::OpenVirtualInput(midi::Backend::Alsa, "ports test"), 0u);
    CSystemDevices system;
    EnumDevices(system);
    std::string name;
    for (int i = 0; i < system.GetCount(); ++i)
        if (std::string(system.GetAt(i).name).find("ports test") != std::string::npos) name = system.GetAt(i).name;
    ASSERT_FALSE(name.empty());
    CMidiOutPorts out;
    ASSERT_TRUE(out.OpenByName(system, name.c_str()));
    ASSERT_TRUE(out.Save(kKey));
    EXPECT_EQ(Stored(kKey, "MIDI Output Devices", "0"), name);
}

}  // namespace
