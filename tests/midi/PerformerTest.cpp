// The performer over small scores built in memory, its sends caught by a recording device
// layer: generation passes against a full pool, the tick's handling of events (held notes,
// notes before the start, muting), the level records and the channels' set-up.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "edit/Commands.h"
#include "edit/DeleteTask.h"
#include "edit/EditFixture.h"
#include "framework/Clock.h"
#include "framework/Globals.h"
#include "framework/Memory.h"
#include "midi/MidiLayer.h"
#include "midi/Performer.h"
#include "model/Bar.h"
#include "model/ChordRecords.h"
#include "model/Graphic.h"
#include "model/TieType.h"
#include "model/PlaybackMarks.h"
#include "model/Preferences.h"
#include "model/Playback.h"
#include "model/PlaybackHooks.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"
#include "notation/NotationClasses.h"
#include "notation/RawNote.h"
#include "platform/DlgCombosStandIns.h"
#include "platform/LibraryStandIns.h"
#include "platform/PlatformGlobals.h"

namespace {

struct Sent {
    int port;
    int status, data1, data2;
    bool operator==(const Sent&) const = default;
};

class RecordingMidi : public CMidi {
public:
    std::vector<Sent> sent;
    bool SendEvent(int port, const ChannelMessage& m) override {
        sent.push_back({port, m.status, m.data1, m.data2});
        return true;
    }
    int Count(int status) const {
        int n = 0;
        for (const Sent& s : sent) n += s.status == status ? 1 : 0;
        return n;
    }
};

struct PerformerTest : ::testing::Test {
    void SetUp() override {
        fw::ResetAllGlobals();
        RegisterNotationClasses();
        RegisterTrackClass();
    }
    void TearDown() override {
        SetPerformer(nullptr);
        performer.reset();
        score.reset();
        SetTransportState(0);
        fw::ResetAllGlobals();
    }
    void Build(int bars, int tracks = 1) {
        score = std::make_unique<CScore>(&doc);
        ASSERT_TRUE(score->BuildSkeleton(bars, tracks));
        score->Reindex();
        for (int t = 0; t < tracks; ++t) score->GetTrack(t)->SetVoiceCount(std::max(1, score->GetTrack(t)->GetVoiceCount()));
        performer = std::make_unique<Performer>(&midi);
        SetPerformer(performer.get());
        SetTransportState(1);
    }
    // A one-head note of the key at a time of a track's bar, 480 ticks long.
    void Note(int track, int bar, int time, int key, int length = 480) {
        CBarItem* item = score->GetTrkBar(track, bar)->NewItem(144, time);
        ASSERT_NE(item, nullptr);
        auto* note = static_cast<CRawNote*>(static_cast<CScoreItem*>(item));
        note->SetHeadCountField(1);
        note->Head(0)->SetPitch(key);
        note->Head(0)->SetDuration(std::uint16_t(length));
        note->Head(0)->SetByte(NoteHead::kVelocity, 80);
    }
    // The pool's events in order, as (time, kind, param).
    std::vector<std::tuple<int, int, int>> Events() {
        std::vector<std::tuple<int, int, int>> out;
        EventPool& pool = performer->Pool();
        pool.Rewind();
        for (PerfEvent* e = pool.PeekAtCursor(); e; e = pool.PeekAtCursor()) {
            out.emplace_back(e->time, e->kind, e->param);
            pool.AdvanceCursor();
        }
        return out;
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) performer->PlayTick();
    }
    // Fills the pool with events far ahead of the score (at kFarAhead) until only `left` nodes
    // are free.
    static constexpr int kFarAhead = 1000000;
    void FillPoolFarAhead(int left) {
        EventPool& pool = performer->Pool();
        for (int i = 0; i < EventPool::kNodes - left; ++i) {
            PerfEvent e{};
            e.time = kFarAhead;
            e.kind = kEventChannelMessage;
            ASSERT_NE(pool.Insert(e), nullptr);
        }
    }
    // Frees n of those far events: room again.
    void FreeFarEvents(int n) {
        EventPool& pool = performer->Pool();
        pool.Rewind();
        for (int i = 0; i < n; ++i) {
            while (pool.PeekAtCursor() && pool.PeekAtCursor()->time < kFarAhead) pool.AdvanceCursor();
            pool.RemoveAtCursor();
        }
    }

    CZelDoc doc;
    std::unique_ptr<CScore> score;
    RecordingMidi midi;
    std::unique_ptr<Performer> performer;
};

TEST_F(PerformerTest, AOneBarScoreGivesItsBarAndTheEndMarkerInOnePass) {
    Build(1);
    Note(0, 0, 0, 60);
    performer->Start(score.get(), 0, 0, 0, 0, false, true);
    EXPECT_TRUE(performer->GenerationEnded());
    const std::vector<std::tuple<int, int, int>> expected = {{0, kEventNote, 480}, {1920, kEventBarMarker, -1}};
    EXPECT_EQ(Events(), expected);
    EXPECT_EQ(performer->BarsAhead(), 1);
}

TEST_F(PerformerTest, ANoteWithoutRoomIsGeneratedWholeOnALaterPassAndTheMarkerIsNeverLost) {
    Build(2);
    Note(0, 0, 0, 60);
    Note(0, 0, 480, 62);
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    // Fill the pool with events far ahead so that only three nodes are left: the first note takes
    // one, the last stays for a bar marker, so the second note waits.
    FillPoolFarAhead(3);
    performer->GenerateAhead(1920);
    auto events = Events();
    ASSERT_EQ(std::get<1>(events[0]), kEventNote);
    EXPECT_EQ(std::get<0>(events[0]), 0);
    EXPECT_NE(std::get<1>(events[1]), kEventNote);  // the second note and the marker wait
    // Room again: the next pass generates the second note whole, then the bar marker.
    FreeFarEvents(10);
    performer->GenerateAhead(0);
    events = Events();
    EXPECT_EQ(events[0], std::make_tuple(0, int(kEventNote), 480));
    EXPECT_EQ(events[1], std::make_tuple(480, int(kEventNote), 960));
    EXPECT_EQ(events[2], std::make_tuple(1920, int(kEventBarMarker), 1));
}

TEST_F(PerformerTest, AChordSymbolWithoutRoomForAllItsNotesIsGeneratedWholeOnALaterPass) {
    CChordLib lib;
    alignas(8) std::uint8_t record[CSuffix::kHeadSize] = {};
    CSuffix* definition = CSuffix::Of(reinterpret_cast<CScoreItem*>(record));
    definition->InitEmpty();
    definition->SetKey(145);
    const int intervals[] = {0, 4, 7};
    definition->SetIntervals(3, intervals);
    lib.AddDefinition(record, CSuffix::kHeadSize);
    fw::ScopedGlobal<CChordLib*> scopedLib(g_platform.chordLib, &lib);
    Build(2);
    Note(0, 0, 0, 72);
    CBarItem* item = score->GetTrkBar(0, 0)->NewItem(CChord::kType, 480);
    ASSERT_NE(item, nullptr);
    CChord::Of(item)->InitNew(145, 0, 0, 0, 0, false, false);
    item->SetFlagsA(std::uint8_t(item->FlagsA() & ~0x02));  // to be played
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    // Four nodes left: the note takes one, the chord's three notes and the bar marker's node wait.
    EventPool& pool = performer->Pool();
    FillPoolFarAhead(4);
    performer->GenerateAhead(1920);
    auto events = Events();
    EXPECT_EQ(events[0], std::make_tuple(0, int(kEventNote), 480));
    EXPECT_NE(std::get<1>(events[1]), kEventNote);
    FreeFarEvents(10);
    performer->GenerateAhead(0);
    // C from C3, its strum 4..4 putting every note 4 ticks in, 480 long.
    std::vector<int> pitches;
    pool.Rewind();
    for (PerfEvent* e = pool.PeekAtCursor(); e && e->time < kFarAhead; e = pool.PeekAtCursor()) {
        if (e->kind == kEventNote && e->time == 484 && e->param == 964) pitches.push_back(e->data1);
        pool.AdvanceCursor();
    }
    EXPECT_EQ(pitches, (std::vector<int>{48, 52, 55}));
}

TEST_F(PerformerTest, APassNeverRunsWithThreeBarMarkersWaitingNorCrossesMoreThanOneBarLine) {
    Build(8);
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(20000);
    EXPECT_EQ(performer->BarsAhead(), 1);
    performer->GenerateAhead(0);
    performer->GenerateAhead(0);
    EXPECT_EQ(performer->BarsAhead(), 3);
    performer->GenerateAhead(0);
    EXPECT_EQ(performer->BarsAhead(), 3);
    EXPECT_EQ(Events().size(), 3u);
}

TEST_F(PerformerTest, TwoHeldNotesOfOnePitchInARowSoundAsOne) {
    Build(1);
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    for (int at : {0, 10}) {
        PerfEvent e{};
        e.time = at;
        e.kind = kEventHeldNote;
        e.data1 = 40;
        e.data2 = 1;
        e.data3 = 36;
        e.param = at + 20;
        performer->Pool().Insert(e);
    }
    midi.sent.clear();
    Ticks(40);
    const std::vector<Sent> expected = {{0, 0x90, 40, 1}, {0, 0x80, 40, 36}};
    EXPECT_EQ(midi.sent, expected);
}

TEST_F(PerformerTest, ANoteEndedBeforeTheStartIsDroppedAndOneStillSoundingSoundsAtOnce) {
    Build(1);
    Note(0, 0, 0, 60, 200);
    Note(0, 0, 0, 64, 960);
    performer->Start(score.get(), 0, 0, 0, 480, false, true);
    midi.sent.clear();
    Ticks(1);
    const std::vector<Sent> expected = {{0, 0x90, 64, 80}};
    EXPECT_EQ(midi.sent, expected);
}

TEST_F(PerformerTest, MutingAVoiceWhileItsNoteSoundsSendsTheNoteOffAtOnce) {
    Build(1);
    Note(0, 0, 0, 60, 960);
    performer->Start(score.get(), 0, 0, 0, 0, false, true);
    Ticks(10);
    midi.sent.clear();
    score->GetTrack(0)->SetMuted(0, true);
    score->UpdateMuteSolo();
    performer->RefreshVoicePlay();
    Ticks(1);
    const std::vector<Sent> expected = {{0, 0x80, 60, 0}};
    EXPECT_EQ(midi.sent, expected);
    Ticks(2000);  // it waits silent until its end and is not struck again
    EXPECT_EQ(midi.Count(0x90), 0);
}

TEST_F(PerformerTest, SetupChannelsTakesEveryPortAndChannelPairOfTheScore) {
    Build(1, 64);
    for (int t = 0; t < 64; ++t) {
        CTrack* track = score->GetTrack(t);
        track->SetVoiceCount(8);
        track->SetDevice(t);
        for (int v = 0; v < 8; ++v) {
            track->SetVoiceChannel(v, v);
            track->SetVoicePatch(v, 5, false);
        }
    }
    midi.sent.clear();
    performer->Start(score.get(), 0, 63, 0, 0, false, false);
    performer->SetupChannels(0, 63);
    int programs = 0;
    for (const Sent& s : midi.sent) programs += (s.status & 0xF0) == 0xC0 ? 1 : 0;
    EXPECT_EQ(programs, 512);
}

// Every note struck got its note-off.
void ExpectEveryNoteEnded(const std::vector<Sent>& sent) {
    std::map<int, int> down;
    int struck = 0;
    for (const Sent& s : sent) {
        const int key = (s.port * 16 + (s.status & 15)) * 128 + s.data1;
        if ((s.status & 0xF0) == 0x90 && s.data2 != 0) {
            ++down[key];
            ++struck;
        } else if ((s.status & 0xF0) == 0x80) {
            --down[key];
        }
    }
    EXPECT_GT(struck, 0);
    for (const auto& [key, n] : down) EXPECT_LE(n, 0) << key;
}

TEST_F(PerformerTest, PlaysOnTheRealClockWhileTheScoreIsEditedMutedAndRestarted) {
    Build(8, 2);
    for (int b = 0; b < 8; ++b)
        for (int t = 0; t < 2; ++t)
            for (int k = 0; k < 8; ++k) Note(t, b, k * 240, 48 + 12 * t + k, 200);
    fw::clocktest::Reset();  // the real clock: its own thread plays
    midi.Arm();
    for (int round = 0; round < 50; ++round) {
        performer->Start(score.get(), 0, 1, round % 8, (round * 37) % 960, true, true);
        ASSERT_TRUE(midi.StartPlayback());
        for (int step = 0; step < 4; ++step) {
            {
                // An edit holds the play lock while it changes the score.
                std::lock_guard<std::recursive_mutex> lock(performer->PlayLock());
                const int bars = score->GetBarCount();
                CTrkBar* bar = score->GetTrkBar(round % 2, (round + step) % bars);
                if (CBarItem* item = bar->GetItems(); item && item->TypeCode() != 255) {
                    auto* note = static_cast<CRawNote*>(static_cast<CScoreItem*>(item));
                    note->Head(0)->SetPitch(40 + (round + step) % 40);
                }
                Note(round % 2, (round + step + 3) % bars, 1800, 70);
                // Bars come and go: the last bar is taken out, then one is added again.
                if (step == 1) score->DeleteBar(score->GetBarCount() - 1);
                if (step == 3) {
                    ASSERT_NE(score->AppendBar(false), nullptr);
                    for (int t = 0; t < 2; ++t) Note(t, score->GetBarCount() - 1, 0, 60 + t);
                }
            }
            score->GetTrack(1)->SetMuted(0, (round + step) % 3 == 0);
            score->UpdateMuteSolo();
            performer->RefreshVoicePlay();
            fw::SleepMs(3);
        }
        midi.StopClock();  // joins the clock's thread
        performer->Stop();
    }
    ExpectEveryNoteEnded(midi.sent);
}

// The performer lets the song clock sleep through the ticks that only count: played on the
// virtual clock it sends every message in the same millisecond, in the same order, as one the
// clock calls every millisecond, a voice muted and unmuted mid-note included.
class TimedMidi : public RecordingMidi {
public:
    std::vector<std::pair<DWORD, Sent>> timed;
    bool SendEvent(int port, const ChannelMessage& m) override {
        timed.push_back({fw::GetTickCount(), Sent{port, m.status, m.data1, m.data2}});
        return RecordingMidi::SendEvent(port, m);
    }
};

class EveryTickPerformer : public Performer {
public:
    using Performer::Performer;
    int QuietTicks(bool) override { return 0; }
};

TEST_F(PerformerTest, SleepingThroughQuietTicksSendsInTheSameMillisecondsAsEveryTick) {
    Build(4, 2);
    const int keys[] = {60, 62, 64, 65, 67};
    for (int b = 0; b < 4; ++b) {
        Note(0, b, 0, keys[b], 1920);  // a whole bar, muted and unmuted while it sounds
        for (int k = 0; k < 5; ++k) Note(1, b, k * 300 + b * 7, keys[k] + 12, 37 + 100 * k);
    }
    g_preferences.SetWord(Preferences::kSyncDevice, -1);
    auto play = [&](Performer& p, TimedMidi& m) {
        SetPerformer(&p);
        fw::clocktest::SetManual(1000);
        const DWORD start = fw::GetTickCount();
        m.Arm();
        p.Start(score.get(), 0, 1, 0, 0, false, true);
        EXPECT_TRUE(m.StartPlayback());
        fw::clocktest::Advance(2300);
        score->GetTrack(0)->SetMuted(0, true);
        score->UpdateMuteSolo();
        p.RefreshVoicePlay();
        fw::clocktest::Advance(450);
        score->GetTrack(0)->SetMuted(0, false);
        score->UpdateMuteSolo();
        p.RefreshVoicePlay();
        fw::clocktest::Advance(6000);
        m.StopClock();
        p.Stop();
        std::vector<std::pair<DWORD, Sent>> out = m.timed;
        for (auto& [ms, sent] : out) ms -= start;
        fw::clocktest::Reset();
        return out;
    };
    TimedMidi everyMidi, quietMidi;
    EveryTickPerformer every(&everyMidi);
    const auto expected = play(every, everyMidi);
    Performer quiet(&quietMidi);
    const auto got = play(quiet, quietMidi);
    SetPerformer(performer.get());
    ASSERT_GT(expected.size(), 40u);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, expected[i].first) << "message " << i;
        EXPECT_EQ(got[i].second, expected[i].second) << "message " << i;
    }
    EXPECT_LT(quietMidi.ClockCalls(), everyMidi.ClockCalls() / 4) << "the clock slept";
}

// The pool's note events in order, as (time, voice, channel).
std::vector<std::tuple<int, int, int>> NoteChannels(Performer& performer) {
    std::vector<std::tuple<int, int, int>> out;
    EventPool& pool = performer.Pool();
    pool.Rewind();
    for (PerfEvent* e = pool.PeekAtCursor(); e; e = pool.PeekAtCursor()) {
        if (e->kind == kEventNote) out.emplace_back(e->time, e->voice, e->channel);
        pool.AdvanceCursor();
    }
    return out;
}

TEST_F(PerformerTest, AChannelExpressionMovesTheVoicesOfItsChannelToTheNamedVoicesChannel) {
    Build(1);
    CTrack* track = score->GetTrack(0);
    track->SetVoiceCount(3);
    track->SetVoiceChannel(0, 0);
    track->SetVoiceChannel(1, 0);
    track->SetVoiceChannel(2, 5);
    CExpression* x = CExpression::Of(score->GetTrkBar(0, 0)->NewItem(CExpression::kType, 0));
    ASSERT_NE(x, nullptr);
    x->SetKind(CExpression::kChannelKind);
    x->StoreByte(2, 3);  // voice 3 (the third)
    Note(0, 0, 480, 60);
    Note(0, 0, 960, 62);
    // The last note (the run's last record) moves to voice 1.
    CBarItem* last = nullptr;
    for (CBarItem* item = score->GetTrkBar(0, 0)->GetItems(); item && item->TypeCode() != 255; item = item->NextItem())
        last = item;
    ASSERT_NE(last, nullptr);
    last->SetVoice(1);
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    // Voices 0 and 1 shared channel 0: both now sound on voice 2's channel 5.
    const std::vector<std::tuple<int, int, int>> expected = {{480, 0, 5}, {960, 1, 5}};
    EXPECT_EQ(NoteChannels(*performer), expected);
}

struct BankDefs : VSTDeviceDefs {
    bool GetPatchByIndex(int, int index, std::uint32_t, std::uint32_t* word) override {
        *word = 0x00020000u | std::uint32_t(index) << 8;
        return true;
    }
};

TEST_F(PerformerTest, AMessageExpressionWithABankSendsThePortsPatchWordWithItsProgram) {
    BankDefs defs;
    SetVSTDeviceDefs(&defs);
    Build(1);
    CExpression* x = CExpression::Of(score->GetTrkBar(0, 0)->NewItem(CExpression::kType, 240));
    ASSERT_NE(x, nullptr);
    x->SetKind(CExpression::kPatchKind);
    x->SetPlayValue(0xFFFF0107u);  // no controller, bank index 1, program 7
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    SetVSTDeviceDefs(nullptr);
    const std::vector<std::tuple<int, int, int>> expected = {{240, kEventPatch, 0x00020107}, {1920, kEventBarMarker, -1}};
    EXPECT_EQ(Events(), expected);
}

// The pool's notes and channel messages in order, as (time, kind, voice, channel, data1, data2,
// data3): a note's key, velocity and release; a message's status nibble and data bytes.
using Played = std::tuple<int, int, int, int, int, int, int>;
std::vector<Played> NotesAndMessages(Performer& performer) {
    std::vector<Played> out;
    EventPool& pool = performer.Pool();
    pool.Rewind();
    for (PerfEvent* e = pool.PeekAtCursor(); e; e = pool.PeekAtCursor()) {
        if (e->kind == kEventNote || e->kind == kEventHeldNote || e->kind == kEventChannelMessage)
            out.emplace_back(e->time, e->kind, e->voice, e->channel, e->data1, e->data2, e->data3);
        pool.AdvanceCursor();
    }
    return out;
}

TEST_F(PerformerTest, AGraphicsSettingSendsItsControllersAndMovesItsVoicesNotesOverItsSpan) {
    Build(1);
    CTrack* track = score->GetTrack(0);
    track->SetVoiceCount(3);
    track->SetVoiceChannel(0, 0);
    track->SetVoiceChannel(2, 5);
    // The notes first: an insertion moves the run, and with it an item held by pointer.
    Note(0, 0, 240, 60);
    Note(0, 0, 1440, 62);
    CBarItem* item = score->GetTrkBar(0, 0)->NewItem(CGraphic::kLineType, 0);
    ASSERT_NE(item, nullptr);
    CGraphic* g = CGraphic::Of(item);
    g->SetKind(CGraphic::kLine);
    g->SetEndBars(0);
    g->SetEndPosition(512);  // half the bar: 960 ticks
    // Play voice 3 (the third voice), controller 10 with 100 at the start and 20 at the end.
    for (auto [at, value] : {std::pair{1, 3}, {4, 11}, {5, 11}, {6, 100}, {7, 20}})
        g->PutByte(CGraphic::kPlayback + at, std::uint8_t(value));
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    // The note inside the span sounds on the third voice's channel, the one after it on its own.
    const std::vector<Played> expected = {
        {0, kEventChannelMessage, 0, 0, 0xB0, 10, 100},
        {240, kEventNote, 2, 5, 60, 80, 0},
        {960, kEventChannelMessage, 0, 0, 0xB0, 10, 20},
        {1440, kEventNote, 0, 0, 62, 80, 0},
    };
    EXPECT_EQ(NotesAndMessages(*performer), expected);

    // A graphic marked not to play makes nothing and moves nothing.
    item->SetFlagsA(std::uint8_t(item->FlagsA() | 0x02));
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    const std::vector<Played> silent = {{240, kEventNote, 0, 0, 60, 80, 0}, {1440, kEventNote, 0, 0, 62, 80, 0}};
    EXPECT_EQ(NotesAndMessages(*performer), silent);
}

TEST_F(PerformerTest, ABendsCurveIsAppliedByTheVoicesNextNoteOnlyAtTheBendsOffset) {
    Build(1);
    Note(0, 0, 240, 60);
    Note(0, 0, 720, 62);
    CBarItem* item = score->GetTrkBar(0, 0)->NewItem(CBend::kType, 0);
    ASSERT_NE(item, nullptr);
    auto* bend = static_cast<CBend*>(static_cast<CScoreItem*>(item));
    std::uint8_t curve[CBend::kPlaybackSize] = {};
    curve[4] = 2;   // controller 1 (modulation)
    curve[6] = 90;  // to 90
    bend->SetPlayback(curve);
    item->SetTimeOffsetField(-10);
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    // The first note after the bend sends the controller 10 ticks before it; the next note did
    // not ask for it, so it is undone 15 ticks before that note.
    const std::vector<Played> expected = {
        {230, kEventChannelMessage, 0, 0, 0xB0, 1, 90},
        {240, kEventNote, 0, 0, 60, 80, 0},
        {705, kEventChannelMessage, 0, 0, 0xB0, 1, 0},
        {720, kEventNote, 0, 0, 62, 80, 0},
    };
    EXPECT_EQ(NotesAndMessages(*performer), expected);
}

TEST_F(PerformerTest, ASlurNamingAPlayVoiceCopiesTheNextNoteLegatoToThatVoiceWithItsKeySwitch) {
    Build(1);
    CTrack* track = score->GetTrack(0);
    track->SetVoiceCount(2);
    track->SetVoiceChannel(0, 0);
    track->SetVoiceChannel(1, 3);
    Note(0, 0, 240, 60);
    Note(0, 0, 960, 62);
    CBarItem* item = score->GetTrkBar(0, 0)->NewItem(CSlur::kType, 0);
    ASSERT_NE(item, nullptr);
    ASSERT_GE(item->RecordSizeField(), CSlur::kSize);
    CTieType::Of(item)->SetEndBarOffset(0);
    CTieType::Of(item)->SetEndPositionField(1023);
    for (auto [at, value] : {std::pair{0, 1}, {1, 2}, {2, 25}}) item->PutByte(CSlur::kPlayback + at, std::uint8_t(value));
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    // The note sounds on its own channel and, silent (velocity 1, release 0), on the second
    // voice's channel 3, with key switch 24 from 10 ticks before for half its length; the copy is
    // used up by that note.
    const std::vector<Played> expected = {
        {230, kEventHeldNote, 1, 3, 24, 1, 24},
        {240, kEventNote, 0, 0, 60, 80, 0},
        {240, kEventNote, 1, 3, 60, 1, 0},
        {960, kEventNote, 0, 0, 62, 80, 0},
    };
    EXPECT_EQ(NotesAndMessages(*performer), expected);

    // With no first byte the action is not enabled: the slur plays nothing.
    item->PutByte(CSlur::kPlayback, 0);
    performer->Start(score.get(), 0, 0, 0, 0, false, false);
    performer->GenerateAhead(1920);
    const std::vector<Played> plain = {{240, kEventNote, 0, 0, 60, 80, 0}, {960, kEventNote, 0, 0, 62, 80, 0}};
    EXPECT_EQ(NotesAndMessages(*performer), plain);
}

TEST(PerformerEditStress, PlaysOnTheRealClockWhileNotesAreClearedUndoneAndRedone) {
    // A document's own operations change the playing score: each takes the play lock (the
    // operation's Perform, the undo and the redo) while the clock's thread plays.
    edittest::EditScore s;
    edit::RegisterOperations();
    RecordingMidi midi;
    Performer performer(&midi);
    SetPerformer(&performer);
    g_playbackHooks.playLock = &performer.PlayLock();
    SetTransportState(1);
    const int tracks = std::min<int>(2, s.score->GetTrackCount());
    for (int b = 0; b < 8; ++b)
        for (int t = 0; t < tracks; ++t)
            for (int k = 0; k < 4; ++k) s.AddNote(t, b, k * 480, 3, {60 + k + 12 * t});
    fw::clocktest::Reset();  // the real clock
    midi.Arm();
    for (int round = 0; round < 50; ++round) {
        performer.Start(s.score, 0, tracks - 1, round % 8, (round * 37) % 960, true, true);
        ASSERT_TRUE(midi.StartPlayback());
        const int t = round % tracks, b = (round + 1) % 8;
        {
            PlayLockGuard lock;
            s.AddNote(t, b, 960, 3, {72}, 0, true);
            s.SelectExtent(t, t, b, b);
        }
        s.doc->OnCommandRange(CDeleteTask::kClear);
        fw::SleepMs(2);
        s.doc->Undo();
        fw::SleepMs(2);
        s.doc->Redo();
        midi.StopClock();  // joins the clock's thread
        performer.Stop();
    }
    g_playbackHooks.playLock = nullptr;
    SetPerformer(nullptr);
    SetTransportState(0);
    EXPECT_GE(s.doc->GetUndoCount(), 1);
    ExpectEveryNoteEnded(midi.sent);
}

TEST(LevelRecordTest, InterpolatesItsSevenPointsOverItsSpan) {
    LevelRecord r;
    r.Begin(0, 0, 40, 0);
    r.End(0, 1023, 100);
    for (int i = 1; i <= 5; ++i) r.value[i] = 40 + 10 * i;
    struct Case {
        int bar, position, value;
    } cases[] = {{0, 0, 40}, {0, 146, 50}, {0, 292, 60}, {0, 1023, 100}, {1, 0, 100}, {0, 73, 45}};
    for (const Case& c : cases) EXPECT_EQ(r.Interpolate(c.bar, c.position), c.value) << c.position;
    EXPECT_TRUE(r.Covers(0, 1023));
    EXPECT_FALSE(r.Covers(1, 0));
    // A span too short for seven points gives its last value.
    LevelRecord s;
    s.Begin(0, 5, 10, 0);
    s.End(0, 5, 20);
    EXPECT_EQ(s.Interpolate(0, 5), 20);
}

}  // namespace
