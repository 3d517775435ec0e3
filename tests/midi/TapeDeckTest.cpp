// The transport engine and the MIDI recorder over scores built in memory, on the virtual
// clock, with a device layer that keeps what it sends: the state table, the start points,
// the punch pre-roll and count-off, recorded input written bar by bar into performance notes
// and MIDI data through the record filter and the punch range, one undo for the recording, and
// tapped tempi turned into tempo marks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/TapeDeck.h"
#include "framework/CodePage.h"
#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "framework/Midi.h"
#include "midi/MidiLayer.h"
#include "midi/MidiRecorder.h"
#include "midi/Performer.h"
#include "model/Bar.h"
#include "model/Data.h"
#include "model/ItemArray.h"
#include "model/ModelGlobals.h"
#include "model/NewScore.h"
#include "model/Playback.h"
#include "model/Preferences.h"
#include "model/Score.h"
#include "model/Tempo.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/RawNote.h"

namespace {

class QuietMidi : public CMidi {
public:
    bool SendEvent(int, const ChannelMessage&) override { return true; }
};

// A recorded performance note: bar, time, key, duration.
using Played = std::tuple<int, int, int, int>;
// A MIDI data item: bar, time, type, data byte 1.
using DataItem = std::tuple<int, int, int, int>;

struct TapeDeckTest : ::testing::Test {
    void SetUp() override {
        fw::ResetAllGlobals();
        RegisterNotationClasses();
        RegisterTrackClass();
        fw::clocktest::SetManual(1000);
        TheInputQueue().Init(16000);
        g_preferences.SetByte(Preferences::kClickInRecord, 0);
        g_preferences.SetByte(Preferences::kClickInCountoff, 0);
        g_preferences.SetByte(Preferences::kClickEnabled, 0);
        g_preferences.SetWord(Preferences::kCountBars, 0);
        g_preferences.SetByte(Preferences::kTranscribe, 0);
        g_preferences.SetByte(Preferences::kFilterType, 0);
        g_preferences.SetWord(Preferences::kQuantizeIndex, 5);  // sixteenths: 120 ticks
        g_preferences.SetByte(Preferences::kDataType, 0);
    }
    void TearDown() override {
        if (deck && GetTransportState() != 0) deck->OnCommand(CTapeDeck::kStop);
        deck.reset();
        SetPerformer(nullptr);
        performer.reset();
        doc.ClearUndo();
        delete doc.score;
        doc.score = nullptr;
        SetTransportState(0);
        fw::clocktest::SetManual(0);
        fw::ResetAllGlobals();
    }
    // The document's own new score gives way to the one built here.
    void NewScore() {
        delete doc.score;
        doc.score = new CScore(&doc);
    }
    void Build(int bars, int tracks = 1) {
        NewScore();
        ASSERT_TRUE(doc.score->BuildSkeleton(bars, tracks));
        doc.score->Reindex();
        for (int t = 0; t < tracks; ++t) doc.score->GetTrack(t)->SetVoiceCount(std::max(1, doc.score->GetTrack(t)->GetVoiceCount()));
        Attach();
    }
    // A new score of the piano arrangement: a braced treble and bass staff.
    void BuildPiano() {
        NewScore();
        NewScoreSettings settings;
        settings.arrangement = 1;
        ASSERT_TRUE(BuildNewScore(*doc.score, settings));
        g_model.currentScore = doc.score;
        Attach();
    }
    void Attach() {
        midi.Arm();
        midi.SetInputAccepted(true);
        performer = std::make_unique<Performer>(&midi);
        SetPerformer(performer.get());
        deck = std::make_unique<CTapeDeck>(&midi, performer.get());
        deck->SetDocument(&doc);
    }
    void At(int bar, double time) {
        doc.location.barIndex = std::int16_t(bar);
        doc.location.time = time;
    }
    std::vector<Played> Notes(int track = 0) {
        std::vector<Played> out;
        for (int b = 0; b < doc.score->GetBarCount(); ++b) {
            CTrkBar* tb = doc.score->GetTrkBar(track, b);
            for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem()) {
                if (i->TypeCode() != 112 || i->IsRemoved()) continue;
                auto* note = static_cast<CRawNote*>(static_cast<CScoreItem*>(i));
                out.emplace_back(b, i->TimeField(), note->Head(0)->Pitch(), note->Head(0)->Duration());
            }
        }
        return out;
    }
    std::vector<DataItem> Data(int track = 0) {
        std::vector<DataItem> out;
        for (int b = 0; b < doc.score->GetBarCount(); ++b) {
            CTrkBar* tb = doc.score->GetTrkBar(track, b);
            for (CBarItem* i = tb->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
                if (i->TypeCode() >= 170 && i->TypeCode() <= 175 && !i->IsRemoved())
                    out.emplace_back(b, i->TimeField(), i->TypeCode(), static_cast<CData*>(i)->GetDataByte1());
        }
        return out;
    }
    // A message as it would arrive at that song tick.
    static void Input(int tick, int status, int data1, int data2) {
        ASSERT_TRUE(TheInputQueue().Put(std::uint32_t(tick), std::uint8_t(status), std::uint8_t(data1), std::uint8_t(data2)));
    }
    // Runs the recorder alone over the queue (transport word 2) up to a bar.
    bool Drain(MidiRecorder& r, const PlayRange& range, int lastBar, int splitKey = -1) {
        SetTransportState(2);
        r.Begin(doc.score, range, 0, 0, 0, splitKey);
        for (const auto& [t, s, a, b] : pending) Input(t, s, a, b);
        const bool ok = r.DrainQueue(lastBar);
        SetTransportState(0);
        return ok;
    }

    CZelDoc doc;
    QuietMidi midi;
    std::unique_ptr<Performer> performer;
    std::unique_ptr<CTapeDeck> deck;
    std::vector<std::tuple<int, int, int, int>> pending;
};

TEST_F(TapeDeckTest, WithoutADocumentNoCommandDoesAnything) {
    Build(2);
    deck->SetDocument(nullptr);
    for (int id : {2500, 2502, 2504, 2501, 2503}) {
        deck->OnCommand(id);
        EXPECT_EQ(GetTransportState(), 0) << id;
    }
}

TEST_F(TapeDeckTest, StartCommandsStartFromStopAndStopWhileRunning) {
    Build(4);
    struct Case {
        int first, second;
        int running;  // the transport word after the first
    };
    const Case cases[] = {{2502, 2502, 1}, {2502, 2500, 1}, {2502, 2501, 1}, {2504, 2502, 1},
                          {2500, 2500, 2}, {2500, 2504, 2}, {2500, 2501, 2}};
    for (const Case& c : cases) {
        At(2, 0);
        deck->OnCommand(c.first);
        EXPECT_EQ(GetTransportState(), c.running) << c.first;
        EXPECT_TRUE(midi.ClockRunning()) << c.first;
        deck->OnCommand(2503);
        EXPECT_EQ(GetTransportState(), c.running) << "pause does nothing";
        deck->OnCommand(c.second);
        EXPECT_EQ(GetTransportState(), 0) << c.first << " then " << c.second;
        EXPECT_FALSE(midi.ClockRunning());
    }
    deck->OnCommand(2501);
    EXPECT_EQ(GetTransportState(), 0) << "stop while stopped does nothing";
}

TEST_F(TapeDeckTest, TheMidiDataViewOnTempoMakesRecordARecordingOfTaps) {
    Build(2);
    g_preferences.SetByte(Preferences::kDataType, 8);
    fw::msgboxtest::Capture boxes;
    boxes.Answer(IDNO);
    deck->OnCommand(2500);
    EXPECT_EQ(GetTransportState(), 3);
    deck->OnCommand(2501);
    EXPECT_EQ(GetTransportState(), 0);
}

TEST_F(TapeDeckTest, PlaybackStartsAtTheInsertionPointRoundedDownRecordingAtTheBarsStart) {
    Build(3);
    struct Case {
        int command, bar;
        double time;
        int startBar, startTick;
    };
    const Case cases[] = {
        {2502, 1, 250.7, 1, 240},   // rounded down to a sixteenth
        {2502, 0, 1920, 1, 0},      // the end of a bar is the next bar's start
        {2502, 2, 1920, 2, 1800},   // at the end of the last bar: its last tick, rounded down
        {2502, 2, 5000, 2, 1800},   // past it too
        {2500, 1, 700, 1, 0},       // recording starts at the bar's start
        {2504, 2, 700, 0, 0},       // play from start
    };
    for (const Case& c : cases) {
        At(c.bar, c.time);
        deck->OnCommand(c.command);
        EXPECT_EQ(deck->StartBar(), c.startBar) << c.command << " at " << c.bar << ":" << c.time;
        EXPECT_EQ(deck->StartTick(), c.startTick) << c.command << " at " << c.bar << ":" << c.time;
        deck->OnCommand(2501);
    }
}

TEST_F(TapeDeckTest, APunchInAtBarOneWithTwoCountBarsStartsAtBarZeroWithOneCountOffBar) {
    Build(4);
    g_preferences.SetWord(Preferences::kCountBars, 2);
    PlayRange range;
    range.fromBar = 1;
    range.toBar = 3;
    deck->SetPunch(true);
    deck->SetPlayRange(range);
    At(1, 0);
    deck->OnCommand(2500);
    EXPECT_EQ(deck->StartBar(), 0);
    EXPECT_EQ(deck->CountOffBars(), 1);
    EXPECT_EQ(midi.GetCountOff(), 1920);
    deck->OnCommand(2501);

    // Without punch the count-off is "Count Bars" when a click is asked for in recording.
    deck->SetPunch(false);
    deck->SetPlayRange(PlayRange{});
    g_preferences.SetByte(Preferences::kClickInCountoff, 1);
    At(2, 0);
    deck->OnCommand(2500);
    EXPECT_EQ(deck->StartBar(), 2);
    EXPECT_EQ(deck->CountOffBars(), 2);
    deck->OnCommand(2501);
}

TEST_F(TapeDeckTest, RecordedInputBecomesPerformanceNotesAndDataBarByBarAndOneUndoTakesItBack) {
    Build(2);
    const int undoBefore = doc.GetUndoCount();
    At(0, 0);
    deck->OnCommand(2500);
    ASSERT_EQ(GetTransportState(), 2);
    Input(0, 0x90, 60, 100);
    Input(480, 0x80, 60, 64);
    Input(960, 0xB0, 7, 90);
    Input(2000, 0x90, 64, 90);
    Input(2400, 0x90, 64, 0);  // a note-on of velocity 0 ends the note
    // Bar 0 is converted while the recording runs, once the performer is in bar 1.
    for (int ms = 0; ms < 10000 && performer->GetPlayBar() < 1; ms += 10) fw::clocktest::Advance(10);
    ASSERT_EQ(performer->GetPlayBar(), 1);
    deck->Poll();
    EXPECT_EQ(Notes(), (std::vector<Played>{{0, 0, 60, 480}}));
    deck->OnCommand(2501);
    EXPECT_EQ(Notes(), (std::vector<Played>{{0, 0, 60, 480}, {1, 80, 64, 400}}));
    EXPECT_EQ(Data(), (std::vector<DataItem>{{0, 960, 171, 7}}));
    EXPECT_EQ(doc.GetUndoCount(), undoBefore + 1);
    doc.Undo();
    EXPECT_TRUE(Notes().empty());
    EXPECT_TRUE(Data().empty());
}

TEST_F(TapeDeckTest, TheRecordFilterChoosesWhatIsRecorded) {
    Build(2);
    pending = {{0, 0x90, 60, 100}, {240, 0x80, 60, 64}, {300, 0xB0, 64, 127}, {360, 0xB0, 20, 5},
               {420, 0xB0, 7, 100}, {480, 0xC0, 5, 0}, {540, 0xE0, 0, 64}};
    struct Case {
        int type;
        std::vector<int> flagsOn;  // places after "Filter"
        int notes;
        std::vector<int> data;     // data byte 1 of the items kept
    };
    const Case cases[] = {
        {0, {}, 1, {64, 20, 7, 5, 0}},
        {1, {0, 12}, 1, {64, 20}},         // notes and sustain; a controller without a flag always
        {2, {12}, 1, {7, 5, 0}},           // inverted: neither sustain nor flagless controllers
        {2, {0, 1, 2, 10, 12}, 0, {}},
        {3, {}, 0, {}},                    // any other type records nothing
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 14; ++i) g_preferences.SetByte(Preferences::kFilterFlags + i, 0);
        for (int f : c.flagsOn) g_preferences.SetByte(Preferences::kFilterFlags + f, 1);
        g_preferences.SetByte(Preferences::kFilterType, std::uint8_t(c.type));
        MidiRecorder r;
        ASSERT_TRUE(Drain(r, PlayRange{}, 1));
        EXPECT_EQ(int(Notes().size()), c.notes) << "type " << c.type;
        std::vector<int> data;
        for (const DataItem& d : Data()) data.push_back(std::get<3>(d));
        EXPECT_EQ(data, c.data) << "type " << c.type;
        // Clear the bar for the next case.
        for (CBarItem* i = doc.score->GetTrkBar(0, 0)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
            if (i->TypeCode() == 112 || (i->TypeCode() >= 170 && i->TypeCode() <= 175)) i->MarkRemoved();
    }
}

TEST_F(TapeDeckTest, ThePunchRangeMovesCutsAndDropsNotes) {
    Build(3);
    PlayRange range;
    range.fromBar = 0;
    range.fromTick = 480;
    range.toBar = 1;
    range.toTick = 480;
    pending = {
        {421, 0x90, 60, 100}, {900, 0x80, 60, 64},    // rounds to 480: starts at the punch-in
        {420, 0x90, 62, 100}, {900, 0x80, 62, 64},    // rounds to 360: before the range, dropped
        {1000, 0x90, 64, 100}, {2600, 0x80, 64, 64},  // held past the punch-out: ends there
        {2340, 0x90, 65, 100}, {2600, 0x80, 65, 64},  // cut to 60 ticks, less than 120: goes
        {2500, 0x90, 67, 100}, {2550, 0x80, 67, 64},  // after the punch-out: dropped
    };
    MidiRecorder r;
    ASSERT_TRUE(Drain(r, range, 2));
    EXPECT_EQ(Notes(), (std::vector<Played>{{0, 480, 60, 420}, {0, 1000, 64, 1400}}));
}

TEST_F(TapeDeckTest, AProgramChangeAfterTheLastBarAppendsABarInsideThePunchRange) {
    Build(1);
    pending = {{2000, 0xC0, 3, 0}};
    MidiRecorder r;
    ASSERT_TRUE(Drain(r, PlayRange{}, 5));
    EXPECT_EQ(doc.score->GetBarCount(), 2);
    EXPECT_EQ(Data(), (std::vector<DataItem>{{1, 80, 172, 3}}));

    // Beyond the punch-out bar nothing is appended.
    PlayRange range;
    range.toBar = 0;
    range.toTick = 1920;
    pending = {{5000, 0xC0, 3, 0}};
    MidiRecorder r2;
    ASSERT_TRUE(Drain(r2, range, 5));
    EXPECT_EQ(doc.score->GetBarCount(), 2);
}

TEST_F(TapeDeckTest, InsideThePunchRangeWhatTheFilterCoversIsReplaced) {
    Build(2);
    // An old note in bar 0 and a controller: with "Type" 1 and only "Notes", the note goes.
    CTrkBar* tb = doc.score->GetTrkBar(0, 0);
    PerformanceEvent old;
    old.time = 0;
    old.duration = 480;
    old.key = 50;
    tb->SetCurrent();
    ASSERT_TRUE(tb->AddPerformanceNote(old));
    CBarItem* cc = tb->NewItem(171, 960);
    ASSERT_NE(cc, nullptr);
    static_cast<CData*>(cc)->SetDataBytes(7, 100);
    g_preferences.SetByte(Preferences::kFilterType, 1);
    for (int i = 0; i < 14; ++i) g_preferences.SetByte(Preferences::kFilterFlags + i, i == 0 ? 1 : 0);
    At(0, 0);
    deck->OnCommand(2500);
    Input(480, 0x90, 72, 100);
    Input(960, 0x80, 72, 64);
    deck->OnCommand(2501);
    EXPECT_EQ(Notes(), (std::vector<Played>{{0, 480, 72, 480}}));
    EXPECT_EQ(Data(), (std::vector<DataItem>{{0, 960, 171, 7}}));
    doc.Undo();
    EXPECT_EQ(Notes(), (std::vector<Played>{{0, 0, 50, 480}}));
}

TEST_F(TapeDeckTest, AnAllocationFailureAtStopUndoesTheRecordingAndSaysOutOfMemory) {
    Build(1);
    fw::msgboxtest::Capture boxes;
    const int undoBefore = doc.GetUndoCount();
    At(0, 0);
    deck->OnCommand(2500);
    Input(0, 0x90, 60, 100);
    Input(480, 0x80, 60, 64);
    fw::memtest::FailAfter(0);
    deck->OnCommand(2501);
    fw::memtest::Reset();
    EXPECT_EQ(GetTransportState(), 0);
    EXPECT_TRUE(Notes().empty());
    EXPECT_EQ(doc.GetUndoCount(), undoBefore);
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_EQ(fw::ToUtf8(boxes.shown().back().text), "内存不足。");
}

// Tempo marks of a bar's own items: time, tempo, shown.
using Mark = std::tuple<int, int, bool>;
std::vector<Mark> TempoMarks(CScore* score, int bar) {
    std::vector<Mark> out;
    CItemArray* items = score->GetBar(bar)->GetItemArray();
    for (int i = 0; items && i < items->GetCount(); ++i) {
        auto* item = static_cast<CBarItem*>(items->GetItem(i));
        if (!item || !item->IsTempo() || item->IsRemoved()) continue;
        auto* t = static_cast<CTempo*>(static_cast<CScoreItem*>(item));
        out.emplace_back(item->TimeField(), t->GetValue(), (rec::Get<std::uint8_t>(t, CTempo::kUnit) & CTempo::kMetronomeShownBit) != 0);
    }
    return out;
}

TEST_F(TapeDeckTest, TappedTempiBecomeOneTempoMarkPerBeatOnlyTheFirstShownWhenTheyAreKept) {
    for (int answer : {IDNO, IDYES}) {
        Build(2);
        const auto before = TempoMarks(doc.score, 0);
        g_preferences.SetByte(Preferences::kDataType, 8);
        fw::msgboxtest::Capture boxes;
        boxes.Answer(answer);
        At(0, 0);
        deck->OnCommand(2500);
        ASSERT_EQ(GetTransportState(), 3);
        // Six taps half a second apart: five tempi of 120 beats a minute.
        for (int i = 0; i < 6; ++i) {
            midi.RemapInput(ChannelMessage{0, 0x90, 60, 100, 0});
            fw::clocktest::Advance(500);
        }
        deck->OnCommand(2501);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "Do you wish to keep the recorded tempos?");
        if (answer == IDNO) {
            EXPECT_EQ(TempoMarks(doc.score, 0), before);
        } else {
            EXPECT_EQ(TempoMarks(doc.score, 0),
                      (std::vector<Mark>{{0, 12000, true}, {480, 12000, false}, {960, 12000, false}, {1440, 12000, false}}));
            EXPECT_EQ(TempoMarks(doc.score, 1), (std::vector<Mark>{{0, 12000, false}}));
        }
        deck.reset();
        SetPerformer(nullptr);
        performer.reset();
        doc.ClearUndo();
        delete doc.score;
        doc.score = nullptr;
    }
}

TEST_F(TapeDeckTest, WithSplitOnNotesBelowTheSplitKeyGoToTheLowerStaffOfAGrandStaff) {
    BuildPiano();
    ASSERT_GE(doc.score->GetTrackCount(), 2);
    ASSERT_TRUE(doc.score->GetTrack(0)->IsGrandStaffTop());
    g_preferences.SetByte(Preferences::kSplitEnabled, 1);
    g_preferences.SetByte(Preferences::kSplitPitch, 60);
    At(0, 0);
    doc.location.trackIndex = 0;
    deck->OnCommand(2500);
    Input(0, 0x90, 72, 100);
    Input(0, 0x90, 48, 100);
    Input(480, 0x80, 72, 64);
    Input(480, 0x80, 48, 64);
    deck->OnCommand(2501);
    std::vector<int> upper, lower;
    for (const Played& p : Notes(0)) upper.push_back(std::get<2>(p));
    for (const Played& p : Notes(1)) lower.push_back(std::get<2>(p));
    EXPECT_EQ(upper, std::vector<int>{72});
    EXPECT_EQ(lower, std::vector<int>{48});
}

TEST_F(TapeDeckTest, MoreThanSixtyFourRecordedBarsShowTheProgressDialogWhileTheyAreTranscribed) {
    Build(70);
    g_preferences.SetByte(Preferences::kTranscribe, 1);
    for (int bars : {64, 65}) {
        At(0, 0);
        deck->OnCommand(2500);
        Input(0, 0x90, 60, 100);
        Input(480, 0x80, 60, 64);
        for (int ms = 0; ms < 400000 && performer->GetPlayBar() < bars; ms += 100) fw::clocktest::Advance(100);
        ASSERT_EQ(performer->GetPlayBar(), bars);
        deck->OnCommand(2501);
        EXPECT_EQ(deck->ShowedProgress(), bars > 64) << bars << " bars after the start bar";
    }
}

// With "Transcribe" on, the stop turns what was recorded into notes (and rests), on a new
// score's piano staves.
TEST_F(TapeDeckTest, TranscribeTurnsTheRecordingIntoNotes) {
    BuildPiano();
    g_preferences.SetByte(Preferences::kTranscribe, 1);
    At(0, 0);
    deck->OnCommand(2500);
    Input(0, 0x90, 60, 100);
    Input(480, 0x80, 60, 64);
    Input(960, 0x90, 64, 100);
    Input(1440, 0x80, 64, 64);
    deck->OnCommand(2501);
    std::vector<std::tuple<int, int, int>> items;  // type, time, pitch (0 for a rest) of bar 0
    for (CBarItem* i = doc.score->GetTrkBar(0, 0)->GetItems(); i && i->TypeCode() != 255; i = i->NextItem())
        if (!i->IsRemoved())
            items.emplace_back(i->TypeCode(), i->TimeField(),
                               i->TypeCode() == 144 ? static_cast<CRawNote*>(static_cast<CScoreItem*>(i))->Head(0)->Pitch() : 0);
    EXPECT_EQ(items, (std::vector<std::tuple<int, int, int>>{{144, 0, 60}, {128, 480, 0}, {144, 960, 64}, {128, 1440, 0}}));
    EXPECT_TRUE(Notes().empty()) << "no performance note is left";
}

// Where the ALSA sequencer exists: what a port of ours in the sequencer receives is recorded.
TEST_F(TapeDeckTest, ARecordingTakesWhatAnAlsaVirtualPortReceives) {
    if (!fw::midi::AlsaSequencerPresent()) GTEST_SKIP() << "no /dev/snd/seq here";
    const fw::midi::Config saved = fw::midi::CurrentConfig();
    fw::midi::Config c = saved;
    c.synth = false;
    c.jack = false;
    c.alsa = true;
    c.clientName = "zelrec" + std::to_string(::getpid());
    fw::midi::Configure(c);
    Build(2);
    fw::midi::SetInputHandler(
        [](void* user, fw::midi::PortId port, const std::uint8_t* bytes, std::size_t count) {
            static_cast<CMidi*>(user)->Receive(port, bytes, count);
        },
        &midi);
    const fw::midi::PortId in = fw::midi::OpenVirtualInput(fw::midi::Backend::Alsa, "zeltest-rec-in");
    ASSERT_NE(in, 0u);
    std::string target;
    for (const fw::midi::PortInfo& p : fw::midi::ListPorts())
        if (p.kind == fw::midi::Kind::Output && p.name.find("zeltest-rec-in") != std::string::npos) target = p.name;
    ASSERT_FALSE(target.empty());
    const fw::midi::PortId out = fw::midi::OpenOutput(target);
    ASSERT_NE(out, 0u);
    At(0, 0);
    deck->OnCommand(2500);
    ASSERT_EQ(GetTransportState(), 2);
    // The sequencer delivers on its own thread: wait (generously) until the queue holds it.
    const auto sendAndWait = [](fw::midi::PortId port, int status, int key, int velocity) {
        const int before = TheInputQueue().GetUsedBytes();
        fw::midi::SendShort(port, std::uint8_t(status), std::uint8_t(key), std::uint8_t(velocity));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (TheInputQueue().GetUsedBytes() == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return TheInputQueue().GetUsedBytes() != before;
    };
    EXPECT_TRUE(sendAndWait(out, 0x90, 60, 100));
    fw::clocktest::Advance(500);  // 480 ticks at 120 beats a minute
    EXPECT_TRUE(sendAndWait(out, 0x80, 60, 64));
    deck->OnCommand(2501);
    fw::midi::SetInputHandler(nullptr, nullptr);
    fw::midi::Configure(saved);
    EXPECT_EQ(Notes(), (std::vector<Played>{{0, 0, 60, 480}}));
}

}  // namespace
