// A track set up from an instrument library entry chosen in the pop-up (answered by the test):
// the current entry, Escape, a B-flat instrument on a transposed score, a channel clash,
// percussion and tablature entries, the voice limit and names kept.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "framework/Menu.h"
#include "framework/UiTest.h"
#include "model/Score.h"
#include "model/InstLib.h"
#include "model/ModelGlobals.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/ZelDoc.h"
#include "platform/Devices.h"

namespace ui = fw::uitest;

namespace {

InstrumentDef Instrument(const char* name, int kind, int clef, int port, int channel, int program, int voices = 8,
                         int transposition = 0, int transposedClef = -1) {
    InstrumentDef e{};
    e.staffKind = std::uint8_t(kind);
    e.program = 40;
    std::snprintf(e.name, sizeof e.name, "%s", name);
    std::snprintf(e.abbreviation, sizeof e.abbreviation, "%.3s.", name);
    e.clef = std::int16_t(clef);
    e.port = std::uint16_t(port);
    e.channel = std::int16_t(channel);
    e.patch.program = std::int16_t(program);
    e.highKey = 90;
    e.lowKey = 50;
    e.voices = std::int16_t(voices);
    e.transposedClef = std::int16_t(transposedClef < 0 ? clef : transposedClef);
    e.transposition = std::int16_t(transposition);
    for (int i = 0; i < 16; ++i) e.drums[i].key = std::uint8_t(35 + i);
    return e;
}

struct Fixture {
    recordtest::CleanGlobals clean;
    ui::Session session;
    CZelDoc doc;
    CDevices ports;
    CInstLib library;
    explicit Fixture(int tracks = 2) {
        for (const InstrumentDef& e : {
                 Instrument("Flute", 0, 0, 1, 0, 73),
                 Instrument("Flute", 0, 0, 1, 2, 73),
                 Instrument("Clarinet", 0, 0, 1, 3, 71, 8, 2),
                 Instrument("Drums", 1, 11, 1, 9, 0),
                 Instrument("Guitar", 2, 13, 1, 4, 24),
                 Instrument("Choir", 0, 0, 1, 5, 52, 9),
             })
            library.AddItem(&e);
        g_model.instLib = &library;
        RegisterTrackClass();
        DeviceRecord port;
        port.id = 1;
        port.handle = 1;
        ports.Add(port);
        SetMidiOutPorts(&ports);
        delete doc.score;  // the new document's own score gives way to this one
        doc.score = new CScore(&doc);
        EXPECT_TRUE(doc.score->BuildSkeleton(2, tracks));
        for (int t = 0; t < tracks; ++t) Track(t)->SetDevice(1);
    }
    ~Fixture() {
        SetMidiOutPorts(nullptr);
        g_model.instLib = nullptr;
    }
    CScore* Score() { return doc.score; }
    CTrack* Track(int t) { return doc.score->GetTrack(t); }
    // Chooses library entry i (-1: Escape) for track t.
    bool Choose(int t, int i) {
        ui::AnswerMenu(i < 0 ? 0 : UINT(i + 1));
        return Score()->ChooseTrackInstrument(10, 20, t);
    }
    int CheckedItem() {
        const auto& shown = ui::Menus().back().items;
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (shown[i].flags & MF_CHECKED) return int(i);
        return -1;
    }
};

}  // namespace

TEST(ScoreInstrument, TheChooserOpensOnTheLastSameNamedEntryAndEscapeChangesNothing) {
    Fixture f;
    f.Track(0)->SetName("Flute");
    const std::vector<std::uint8_t> before(reinterpret_cast<std::uint8_t*>(f.Track(0)),
                                           reinterpret_cast<std::uint8_t*>(f.Track(0)) + CTrack::kSize);
    EXPECT_FALSE(f.Choose(0, -1));
    EXPECT_EQ(f.CheckedItem(), 1);
    EXPECT_EQ(int(ui::Menus().back().items.size()), f.library.GetCount());
    EXPECT_EQ(0, std::memcmp(before.data(), f.Track(0), before.size()));
    EXPECT_EQ(f.doc.GetUndoCount(), 0) << "no undo step";
    f.Track(0)->SetName("Oboe");
    EXPECT_FALSE(f.Choose(0, -1));
    EXPECT_EQ(f.CheckedItem(), -1);
}

TEST(ScoreInstrument, AnEntrySetsTheTrackUpInOneUndoStepAndKeepsItsNames) {
    Fixture f;
    f.Track(0)->SetName("Melody");
    ASSERT_TRUE(f.Choose(0, 5));
    EXPECT_EQ(f.doc.GetUndoCount(), 1);
    EXPECT_STREQ(f.Track(0)->GetFullName(), "Melody") << "a named track keeps its names";
    EXPECT_EQ(f.Track(0)->GetVoiceCount(), 8) << "nine voices give eight";
    EXPECT_EQ(f.Track(0)->GetVoiceProgram(0), 52);
    EXPECT_EQ(f.Track(0)->GetInstrument(), 40);
    ASSERT_TRUE(f.Choose(1, 0));
    EXPECT_STREQ(f.Track(1)->GetFullName(), "Flute") << "an unnamed track takes the entry's names";
    EXPECT_STREQ(f.Track(1)->GetAbbreviation(), "Flu.");
}

TEST(ScoreInstrument, AChannelClashMovesToTheLowestFreeChannelButNine) {
    Fixture f(3);
    // Track 1 plays another sound on channels 0-2 (2 is the entry's); track 2 the entry's sound
    // on channel 3, which does not count as a clash.
    for (int v = 0; v < 8; ++v) {
        f.Track(1)->SetVoiceChannel(v, v < 3 ? v : 2);
        f.Track(1)->SetVoiceProgram(v, 10, false);
        f.Track(0)->SetVoiceChannel(v, 7);
        f.Track(2)->SetVoiceChannel(v, 3);
        f.Track(2)->SetVoiceProgram(v, 73, false);
    }
    ASSERT_TRUE(f.Choose(0, 1));  // Flute on channel 2
    for (int v = 0; v < 8; ++v) EXPECT_EQ(f.Track(0)->GetVoiceChannel(v), 3) << v;
    // A free entry channel leaves the channels as they are.
    ASSERT_TRUE(f.Choose(0, 4));  // Guitar on channel 4: free
    for (int v = 0; v < 8; ++v) EXPECT_EQ(f.Track(0)->GetVoiceChannel(v), 3) << v;
}

TEST(ScoreInstrument, PercussionAndTablatureEntriesSetTheirStaves) {
    Fixture f;
    rec::Put<std::uint8_t>(f.Track(0), CTrack::kStaffSize, 90);
    for (int v = 0; v < 8; ++v) f.Track(1)->SetVoiceChannel(v, 6);
    ASSERT_TRUE(f.Choose(1, 4));
    EXPECT_TRUE(f.Track(1)->IsTablatureStaff());
    EXPECT_EQ(f.Track(1)->GetLineMask(), 0x07E0);
    EXPECT_EQ(rec::Get<std::uint8_t>(f.Track(1), CTrack::kStaffSize), 112) << "five quarters of 90";
    EXPECT_EQ(f.Track(1)->GetDisplaySwitches() & 0x80, 0x80);
    EXPECT_EQ(f.Score()->GetLine(0)->GetStaff(1)->GetClef(), 13);
    ASSERT_TRUE(f.Choose(1, 3));
    EXPECT_TRUE(f.Track(1)->IsPercussionStaff());
    EXPECT_EQ(f.Track(1)->GetLineMask(), 0x07C0);
    EXPECT_EQ(f.Track(1)->GetHighRange(), 127);
    EXPECT_EQ(f.Track(1)->GetLowRange(), 0);
    EXPECT_EQ(rec::Get<std::uint8_t>(f.Track(1), CTrack::kDrumKeys + 3), 38);
    for (int v = 0; v < 8; ++v) EXPECT_EQ(f.Track(1)->GetVoiceChannel(v), 6) << "percussion keeps the channels";
}

TEST(ScoreInstrument, ABFlatInstrumentOnATransposedScoreStaysTransposed) {
    Fixture f;
    f.Score()->ToggleTransposedDisplay();
    ASSERT_TRUE(f.Choose(0, 2));
    EXPECT_EQ(f.Track(0)->GetTransposition(), 2);
    EXPECT_TRUE(f.Track(0)->IsTransposedDisplay());
    EXPECT_EQ(f.Score()->GetLine(0)->GetStaff(0)->GetKey(), 9) << "C major written as D major";
}

// The insert-track operation's set-up from a library entry: names shown in full, voice 0's
// sound and every voice's channel, clefs, range and voice count from the entry; a tablature
// entry takes the template's lines (six without one) at size 125; a percussion entry its drum
// map with the whole key range; an entry the library lacks leaves the track as it was.
TEST(ScoreInstrument, ALibraryEntrySetsANewTrackUp) {
    struct Case {
        const char* what;
        int entry;
        bool withLines;
        bool applied;
        int kind, clef, program, channel, voices;
        std::uint16_t lines;
        int size;
    };
    const Case cases[] = {
        {"a B-flat clarinet", 2, false, true, 0, 0, 71, 3, 8, 0x07C0, 100},
        {"tablature, template lines", 4, true, true, 2, 13, 24, 4, 8, 0x03C0, 125},
        {"tablature, no template", 4, false, true, 2, 13, 24, 4, 8, 0x07E0, 125},
        {"percussion", 3, false, true, 1, 11, 0, 9, 8, 0x07C0, 100},
        {"nine voices give eight", 5, false, true, 0, 0, 52, 5, 8, 0x07C0, 100},
        {"no such entry", 17, false, false, 0, 0, -1, 0, 8, 0x07C0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f(1);
        CTrack* t = f.Track(0);
        alignas(8) std::uint8_t templBytes[CTrack::kSize] = {};
        CTrack* templ = CTrack::Construct(templBytes);
        templ->Init(0, 0, 0x03C0);
        const std::vector<std::uint8_t> before(reinterpret_cast<std::uint8_t*>(t),
                                               reinterpret_cast<std::uint8_t*>(t) + CTrack::kSize);
        EXPECT_EQ(ApplyInstrumentTemplate(c.entry, t, c.withLines ? templ : nullptr), c.applied);
        if (!c.applied) {
            EXPECT_EQ(std::memcmp(before.data(), t, CTrack::kSize), 0) << "the track is untouched";
            continue;
        }
        EXPECT_EQ(std::string(t->GetFullName()), f.library.GetItemName(c.entry));
        EXPECT_EQ(t->GetTrackFlags() & 0x03, 0x01) << "the full name shown, not the short one";
        EXPECT_EQ(t->GetStaffKind(), c.kind);
        EXPECT_EQ(t->GetClef(), c.clef);
        EXPECT_EQ(t->GetVoiceProgram(0), c.program);
        EXPECT_EQ(t->GetVoicePatch(1), -1) << "the other voices have no sound";
        for (int v = 0; v < CTrack::kVoices; ++v) EXPECT_EQ(t->GetVoiceChannel(v), c.channel) << "voice " << v;
        EXPECT_EQ(t->GetVoiceCount(), c.voices);
        EXPECT_EQ(t->GetLineMask(), c.lines);
        EXPECT_EQ(rec::Get<std::uint8_t>(t, CTrack::kStaffSize), c.size);
        if (c.kind == 1) {
            EXPECT_EQ(t->GetHighRange(), 127);
            EXPECT_EQ(t->GetLowRange(), 0);
            EXPECT_EQ(t->GetDrumKey(5), 40);
            EXPECT_EQ(t->GetDisplaySwitches() & 0x48, 0x40);
        } else if (c.kind == 2) {
            EXPECT_EQ(t->GetDisplaySwitches() & 0xAC, 0x80);
        } else {
            EXPECT_EQ(t->GetDisplaySwitches() & 0x5F, 0x1F);
        }
    }
}
