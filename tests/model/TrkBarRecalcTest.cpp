// A bar of a track recalculated after an edit: what the script cases cannot show. Random raw
// edits keep every voice in step; the tables of tuplets, chord symbols and slurs are bounded or
// grow without writing past them; fixed voice stems; a re-timing that cannot get its memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "HostileFileSupport.h"
#include "RecordTestSupport.h"
#include "TrkBarTestSupport.h"
#include "framework/Memory.h"
#include "model/Bar.h"
#include "model/BeamingHooks.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/ScoreFile.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/ZelDoc.h"

namespace {

using trkbartest::ScopedClass;

// Notes of one head and rests whose duration in ticks stands in bytes 36-37 of a note (the
// head's play duration; byte 20 holds the stem bit, as a real note's) and bytes 20-21 of a rest. The stem modes asked for are kept per
// voice.
int DurationField(const CBarItem& item) { return item.IsRest() ? 20 : 36; }
struct StemLog {
    std::map<int, int> modeByVoice;
};
StemLog* g_stems = nullptr;

class TestNoteBehaviour : public BarItemBehaviour, public NoteRecordBehaviour {
public:
    double NoteOnset(const CBarItem& item) const override { return item.TimeField(); }
    double NoteLength(const CBarItem& item) const override { return rec::Get<std::int16_t>(&item, DurationField(item)); }
    double NoteEnd(const CBarItem& item) const override { return NoteOnset(item) + NoteLength(item); }
    void NoteUpdateStem(CBarItem& item, int mode, bool) const override {
        if (g_stems) g_stems->modeByVoice[item.VoiceField()] = mode;
        if (mode == 1 || mode == 2) rec::Put<std::uint8_t>(&item, 20, std::uint8_t(mode == 1 ? 1 : 0));
    }
    void NoteSpellHead(CTrkBar*, CBarItem&, int) const override {}
    void NoteMoveHead(CBarItem&, int, int) const override {}
    void NoteSetLink(CBarItem&, int, bool) const override {}
};

// Tuplets and slurs with their end bar offset at 22 and end position at 24.
class TestTwoEndedBehaviour : public BarItemBehaviour {
public:
    bool IsTwoEnded(CScoreItem&) const override { return true; }
    int GetBarSpan(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 22); }
    int GetEndPosition(CBarItem& item) const override { return rec::Get<std::int16_t>(&item, 24); }
    void SetEndPosition(CBarItem& item, int position) const override { rec::Put<std::int16_t>(&item, 24, std::int16_t(position)); }
};

struct Recalc : ::testing::Test {
    recordtest::CleanGlobals clean;
    TestNoteBehaviour noteClass;
    TestTwoEndedBehaviour twoEndedClass;
    ScopedClass notes{144, "CNote", 40, &noteClass};
    ScopedClass rests{128, "CRest", 22, &noteClass};
    ScopedClass tuplets{31, "CTuplet", 44, &twoEndedClass};
    ScopedClass slurs{27, "CSlur", 82, &twoEndedClass};
    CZelDoc doc;
    std::unique_ptr<CScore> score = std::make_unique<CScore>(&doc);

    void SetUp() override {
        RegisterTrackClass();
        ASSERT_TRUE(score->BuildSkeleton(4, 2));
        score->Reindex();
        g_model.currentScore = score.get();
        ASSERT_EQ(score->GetBar(0)->GetMeterLength(), 1920);
    }

    static CBarItem* Add(CTrkBar* tb, int type, int time, int position, int voice, int duration) {
        CBarItem* r = tb->NewItem(type, time);
        if (!r) return nullptr;
        r->SetPositionField(std::int16_t(position));
        r->SetFlagsB(std::uint8_t((r->FlagsB() & 0x1F) | (voice << CBarItem::kVoiceShift)));
        rec::Put<std::int16_t>(r, DurationField(*r), std::int16_t(duration));
        if (r->IsNote()) r->Bytes()[23] = 1;  // one head (a note without heads does not load)
        return r;
    }
    static CBarItem* AddChord(CTrkBar* tb, int time, int position) {
        CBarItem* c = tb->NewItem(17, time);
        c->SetPositionField(std::int16_t(position));
        return c;
    }
    static CBarItem* AddTuplet(CTrkBar* tb, int position, int end, int first, int second) {
        CBarItem* t = tb->NewItem(31, 0);
        t->SetPositionField(std::int16_t(position));
        rec::Put<std::int16_t>(t, 24, std::int16_t(end));
        rec::Put<std::uint8_t>(t, 38, std::uint8_t(first));
        rec::Put<std::uint8_t>(t, 39, std::uint8_t(second));
        return t;
    }
    static std::vector<CBarItem*> Live(CTrkBar* tb, bool (CScoreItem::*is)() const) {
        std::vector<CBarItem*> out;
        for (CBarItem* r = tb->GetItems(); r && r->Type() != 255; r = r->NextItem())
            if (!r->IsRemoved() && (r->*is)()) out.push_back(r);
        return out;
    }
};

bool IsGrace(const CBarItem* r) { return r->Bytes()[18] & 0x02; }

// After every raw insertion or removal, and Recalc and RecalcTimes, each voice of the bar runs
// in step: in run order the times never fall, the first note or rest starts the bar, each one
// that takes time starts where the one before ends (a rest as long as the bar or longer taking
// the bar, a tuplet member its own share), and a grace note stands where one of them begins or
// ends. The score saved, read and saved again gives the same bytes.
TEST_F(Recalc, RandomRawEditsKeepEveryVoiceInStepAndTheFileRoundTripsTheSame) {
    std::mt19937 rng(2112);
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    constexpr int kMeter = 1920;
    for (int step = 0; step < 600; ++step) {
        const int t = pick(2), b = pick(4);
        CTrkBar* tb = score->GetTrkBar(t, b);
        std::vector<CBarItem*> live = Live(tb, &CScoreItem::IsNoteOrRest);
        const int voice = pick(3);
        const int action = live.size() >= 12 ? 9 : pick(10);
        if (action < 4) {
            static constexpr int kNotes[] = {60, 120, 240, 480, 960};
            CBarItem* n = Add(tb, 144, pick(32) * 60, pick(1024), voice, kNotes[pick(5)]);
            if (n && pick(8) == 0) n->Bytes()[18] |= 0x02;
        } else if (action < 6) {
            static constexpr int kRests[] = {240, 480, 1920, 2400};
            Add(tb, 128, pick(32) * 60, pick(1024), voice, kRests[pick(4)]);
        } else if (action == 6) {
            // Three triplet eighths under a tuplet flagged for layout.
            const int p = pick(1000);
            CBarItem* tuplet = AddTuplet(tb, p, p + 2, 3, 2);
            tuplet->SetFlagsB(std::uint8_t((tuplet->FlagsB() & 0x1F) | (voice << CBarItem::kVoiceShift)));
            tuplet->SetFlagsA(std::uint8_t(tuplet->FlagsA() | CBarItem::kRelayoutBit));
            for (int k = 0; k < 3; ++k) Add(tb, 144, 0, p + k, voice, 160);
        } else if (!live.empty()) {
            CBarItem* gone = live[std::size_t(pick(int(live.size())))];
            gone->SetFlagsB(std::uint8_t(gone->FlagsB() | CBarItem::kRemovedBit));
            if (pick(2)) tb->Compact();
        }
        tb->Recalc(0);
        int track = -1, overVoice = -1;
        tb->RecalcTimes(&track, &overVoice);

        for (int v = 0; v < 8; ++v) {
            std::vector<CBarItem*> items;
            for (CBarItem* r : Live(tb, &CScoreItem::IsNoteOrRest))
                if (r->VoiceField() == v) items.push_back(r);
            std::vector<int> bounds = {0};
            int previous = -1, expected = 0;
            for (CBarItem* r : items) {
                ASSERT_GE(r->TimeField(), previous) << "step " << step << " voice " << v;
                previous = r->TimeField();
                if (IsGrace(r)) continue;
                ASSERT_EQ(r->TimeField(), expected) << "step " << step << " track " << t << " bar " << b << " voice " << v;
                const int d = rec::Get<std::int16_t>(r, DurationField(*r));
                expected += r->IsRest() && d >= kMeter ? kMeter : d;
                bounds.push_back(expected);
            }
            for (CBarItem* r : items)
                if (IsGrace(r))
                    EXPECT_NE(std::find(bounds.begin(), bounds.end(), r->TimeField()), bounds.end())
                        << "step " << step << " grace note at " << r->TimeField();
        }
    }
    ScoreFileDoc fileDoc;
    const std::vector<std::uint8_t> saved = ScoreFile::WriteToBytes(*score, fileDoc);
    hostile::Loaded loaded;
    ASSERT_TRUE(loaded.Open(saved)) << loaded.error;
    EXPECT_EQ(loaded.Save(), saved);
}

// 300 tuplets in one voice, each over two notes and stored with its end in the next bar: every
// one is refitted (taken back into its bar, ending on its second note), not only the first 256.
TEST_F(Recalc, RefitTupletsRefitsEveryTupletOfTheVoiceHoweverMany) {
    CTrkBar* tb = score->GetTrkBar(0, 0);
    for (int k = 0; k < 300; ++k) {
        CBarItem* t = AddTuplet(tb, 2 * k + 1, 2 * k + 2 - 1024, 2, 2);
        rec::Put<std::int16_t>(t, 22, 1);
    }
    for (int i = 0; i < 600; ++i) Add(tb, 144, 3 * i, i + 1, 0, 3);
    tb->RefitTuplets(0);
    const std::vector<CBarItem*> tuplets = Live(tb, &CScoreItem::IsTuplet);
    ASSERT_EQ(tuplets.size(), 300u);
    for (CBarItem* t : tuplets) {
        EXPECT_EQ(rec::Get<std::int16_t>(t, 22), 0);
        EXPECT_EQ(rec::Get<std::int16_t>(t, 24), t->PositionField() + 1) << "tuplet at " << t->PositionField();
    }
    for (CBarItem* n : Live(tb, &CScoreItem::IsNote)) {
        EXPECT_EQ(n->Bytes()[18] & 0x10, 0x10);
        EXPECT_EQ(n->Bytes()[16], 2);
    }
}

// 300 chord symbols in 4/4 are all shared out over the bar in run order; a meter whose beat is
// no tick long (numerator 0, or more beats than ticks) leaves them as they are.
TEST_F(Recalc, SpaceChordSymbolsSpacesEveryChordSymbolAndNeverDividesByANoTickBeat) {
    CTrkBar* tb = score->GetTrkBar(0, 0);
    for (int k = 0; k < 300; ++k) AddChord(tb, 0, k * 3);
    tb->SpaceChordSymbols();
    std::vector<int> times;
    for (CBarItem* c : Live(tb, &CScoreItem::IsChord)) times.push_back(c->TimeField());
    ASSERT_EQ(times.size(), 300u);
    for (std::size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i], int(i) * (1920 / 300)) << i;

    for (int numerator : {0, 255}) {
        CBar* bar = score->GetBar(1);
        bar->GetMeter()->SetNumerator(std::uint8_t(numerator));
        rec::Put<std::int16_t>(bar->GetMeter()->bytes, Meter::kTicksPerBar, std::int16_t(numerator ? 100 : 1920));
        CTrkBar* other = score->GetTrkBar(0, 1);
        AddChord(other, 700, 400);
        other->SpaceChordSymbols();
        EXPECT_EQ(Live(other, &CScoreItem::IsChord).back()->TimeField(), 700) << "numerator " << numerator;
    }
}

// Of 300 slurs flagged for layout, the first 256 met are laid out (their flag cleared); the
// others keep the flag for the next pass.
TEST_F(Recalc, RecalcLaysOutAtMost256SlursAndLeavesTheRestFlagged) {
    CTrkBar* tb = score->GetTrkBar(0, 0);
    for (int k = 0; k < 300; ++k) {
        CBarItem* s = tb->NewItem(27, 0);
        s->SetPositionField(std::int16_t(k));
        s->SetFlagsA(std::uint8_t(s->FlagsA() | CBarItem::kRelayoutBit));
    }
    tb->Recalc(1);
    int cleared = 0, flagged = 0, index = 0;
    for (CBarItem* s : Live(tb, &CScoreItem::IsSlur)) {
        const bool flag = s->FlagsA() & CBarItem::kRelayoutBit;
        (flag ? flagged : cleared)++;
        if (index++ < 256) EXPECT_FALSE(flag) << "slur " << index - 1;
    }
    EXPECT_EQ(cleared, 256);
    EXPECT_EQ(flagged, 44);
}

// Fixed voice stems: voices 0, 3 and 5 up, 1, 4 and 7 down, and voices 2 and 6 the automatic
// setting (0) rather than whatever happened to be there.
TEST_F(Recalc, FixedVoiceStemsGiveVoicesTwoAndSixTheAutomaticSetting) {
    StemLog log;
    g_stems = &log;
    CTrkBar* tb = score->GetTrkBar(0, 0);
    for (int v = 0; v < 8; ++v) Add(tb, 144, 0, 0, v, 480);
    tb->ApplyVoiceStems(true);
    g_stems = nullptr;
    const std::map<int, int> expected = {{0, 1}, {1, 2}, {2, 0}, {3, 1}, {4, 2}, {5, 1}, {6, 0}, {7, 2}};
    EXPECT_EQ(log.modeByVoice, expected);
}

// The beaming that the recalculation reaches through its hooks, recorded.
struct BeamLog {
    std::vector<int> modes;
    std::vector<int> calls;   // init's beat mode and strokes, autobeam's track, voice, from, to
    int failAt = -1;          // the layout that answers null (1-based)
};
BeamLog* g_beams = nullptr;

struct HookedBeaming {
    BeamingHooks saved = g_beamingHooks;
    BeamLog log;
    HookedBeaming() {
        g_beams = &log;
        g_beamingHooks.init = [](CTrkBar*, int beat, int strokes) { g_beams->calls.insert(g_beams->calls.end(), {beat, strokes}); };
        g_beamingHooks.autoBeam = [](int track, int voice, int from, int to) {
            g_beams->calls.insert(g_beams->calls.end(), {track, voice, from, to});
        };
        g_beamingHooks.makeBeam = [](CBarItem* beam, int mode) -> CBarItem* {
            g_beams->modes.push_back(mode);
            return int(g_beams->modes.size()) == g_beams->failAt ? nullptr : beam;
        };
    }
    ~HookedBeaming() {
        g_beamingHooks = saved;
        g_beams = nullptr;
    }
};

// Beams flagged for layout are laid out in the bar's mode: one that asks for its heights afresh
// (bit 5 of byte 16, then cleared) in that mode with bit 0 set, one whose ends lie on different
// staves in mode 0; an unflagged beam is left alone. A layout that fails ends the recalculation
// at once: the tuplet flagged after it is not refitted.
TEST_F(Recalc, RecalcLaysOutFlaggedBeamsInTheirModeAndStopsWhenALayoutFails) {
    HookedBeaming beaming;
    CTrkBar* tb = score->GetTrkBar(0, 0);
    const auto beam = [&](int time, std::uint8_t flags16, std::uint8_t staves, bool flagged) {
        CBarItem* b = tb->NewItem(16, time);
        b->Bytes()[16] = flags16;
        b->Bytes()[17] = staves;
        if (flagged) b->SetFlagsA(std::uint8_t(b->FlagsA() | CBarItem::kRelayoutBit));
    };
    beam(0, 0, 0, true);
    beam(480, 0x20, 0, true);
    beam(960, 0, 0x01 | (0x07 << 3), true);
    beam(1440, 0, 0, false);
    tb->Recalc(2);
    EXPECT_EQ(beaming.log.modes, (std::vector<int>{2, 3, 0}));
    EXPECT_EQ(beaming.log.calls, (std::vector<int>{1, 0})) << "the context is prepared for the bar in beat mode";
    for (CBarItem* b : Live(tb, &CScoreItem::IsBeam)) {
        EXPECT_EQ(b->FlagsA() & CBarItem::kRelayoutBit, 0);
        EXPECT_EQ(b->Bytes()[16] & 0x20, 0);
    }

    beaming.log.modes.clear();
    beaming.log.failAt = 1;
    for (CBarItem* b : Live(tb, &CScoreItem::IsBeam)) b->SetFlagsA(std::uint8_t(b->FlagsA() | CBarItem::kRelayoutBit));
    CBarItem* tuplet = tb->NewItem(31, 1800);  // behind the beams in the run
    tuplet->SetPositionField(1000);
    tuplet->SetFlagsA(std::uint8_t(tuplet->FlagsA() | CBarItem::kRelayoutBit));
    tb->Recalc(0);
    EXPECT_EQ(beaming.log.modes.size(), 1u);
    EXPECT_FALSE(Live(tb, &CScoreItem::IsTuplet).front()->IsRemoved()) << "a tuplet over nothing, never refitted";
    EXPECT_NE(Live(tb, &CScoreItem::IsTuplet).front()->FlagsA() & CBarItem::kRelayoutBit, 0);
}

// Re-beaming a voice prepares the context for the bar and beams from the time to the bar's end.
TEST_F(Recalc, RebeamBeamsTheVoiceFromTheTimeToTheEnd) {
    HookedBeaming beaming;
    score->GetTrkBar(1, 2)->Rebeam(3, 720);
    EXPECT_EQ(beaming.log.calls, (std::vector<int>{1, 0, 1, 3, 720, 32767}));
}

// Without memory for its sorted list the re-timing reports nothing and changes nothing.
TEST_F(Recalc, RecalcTimesWithoutMemoryChangesNothing) {
    CTrkBar* tb = score->GetTrkBar(0, 0);
    Add(tb, 144, 700, 10, 0, 480);
    Add(tb, 144, 900, 20, 0, 480);
    const std::vector<std::uint8_t> before(tb->Block()->Address(), tb->Block()->Address() + tb->GetRunLength());
    int track = -1, voice = -1;
    fw::memtest::FailAfter(0);
    EXPECT_EQ(tb->RecalcTimes(&track, &voice), 0);
    fw::memtest::Reset();
    EXPECT_EQ(std::vector<std::uint8_t>(tb->Block()->Address(), tb->Block()->Address() + tb->GetRunLength()), before);
    EXPECT_EQ(voice, -1);
    EXPECT_EQ(tb->RecalcTimes(&track, &voice), -960);
    EXPECT_EQ(voice, 0);
}

}  // namespace
