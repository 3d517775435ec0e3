// Beaming through the one work object: random voices beamed twice by the meter give the same
// beams and cover every beamed note once; long manual beams and beams too long for their segment
// count; the model's hooks reaching the real re-layout; a tremolo over a bar line dissolved; the
// beam shapes of sloped pairs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "NoteDrawSupport.h"
#include "model/Bar.h"
#include "model/BeamingHooks.h"
#include "model/EditTask.h"
#include "notation/Beam.h"
#include "notation/Beaming.h"
#include "notation/Rest.h"

using namespace notetest;

namespace {

class BeamingTest : public NoteDrawTest {
protected:
    CTrkBar* Bar(int b) {
        CTrkBar* tb = score->GetTrkBar(0, b);
        tb->SetCurrent();
        return tb;
    }
    void SetMeter(int b, int num, int den) {
        Meter* m = score->GetBar(b)->GetMeter();
        m->SetNumerator(std::uint8_t(num));
        m->SetDenominator(std::uint8_t(den));
        m->SetGroupCount(0);
        m->SetDefaultBeamGroups();
        ASSERT_TRUE(m->Update());
    }
    // A note of one head (or a rest) in bar b at a time.
    void Put(CTrkBar* tb, int time, int value, int position, std::uint8_t flags = 0, int dots = 0, int tuplet = 0,
             bool rest = false) {
        RecordBuf buf;
        CRawHead* item;
        if (rest) {
            item = CRest::Construct(buf.data());
        } else {
            CNote* n = MakeNote(buf, 1, value);
            n->Head(0)->SetPosition(position);
            n->Head(0)->SetPitch(60 + position);
            item = n;
        }
        item->SetNoteValue(value);
        item->SetFlags(flags);
        item->SetDotCount(dots);
        if (tuplet) {
            item->SetTupletCount(std::uint8_t(tuplet));
            item->SetTupletSpace(2);
            item->SetFlagBit(CRawHead::kTupletBit, true);
        }
        item->SetTimeField(std::int16_t(time));
        item->SetPositionField(tb->GetBar()->TickToFraction(time, false));
        CBarItem* placed = tb->InsertCopy(item);
        ASSERT_TRUE(placed);
        placed->LayoutChord();
    }
    static std::vector<CBarItem*> Items(CTrkBar* tb, bool liveOnly = true) {
        std::vector<CBarItem*> out;
        for (CBarItem* it = tb->GetItems(); it && it->TypeCode() != 255; it = it->NextItem())
            if (!liveOnly || !it->IsRemoved()) out.push_back(it);
        return out;
    }
    static std::vector<std::vector<std::uint8_t>> LiveBytes(CTrkBar* tb) {
        std::vector<std::vector<std::uint8_t>> out;
        for (CBarItem* it : Items(tb)) out.emplace_back(it->Bytes(), it->Bytes() + it->RecordSizeField());
        return out;
    }
    static std::vector<std::uint8_t> RunBytes(CTrkBar* tb) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(tb->GetItems());
        return std::vector<std::uint8_t>(b, b + tb->GetRunLength());
    }
};

// A random voice that fills a bar: notes and rests of values from quarters to 32nds, some dotted,
// eighth and sixteenth triplets, grace notes before notes.
void FillVoice(BeamingTest* t, CTrkBar* tb, std::mt19937& rng, int length,
               const std::function<void(CTrkBar*, int, int, int, std::uint8_t, int, int, bool)>& put) {
    int time = 0;
    std::uniform_int_distribution<int> pick(0, 99), pos(-6, 6);
    while (time < length) {
        const int roll = pick(rng);
        if (roll < 12) {
            // A triplet of eighths or sixteenths where it fits.
            const int value = pick(rng) < 50 ? 4 : 5;
            const int each = CRawHead::kValueTicks[value] * 2 / 3;
            if (time + 3 * each <= length) {
                for (int k = 0; k < 3; ++k) put(tb, time + k * each, value, pos(rng), 0, 0, 3, pick(rng) < 15);
                time += 3 * each;
                continue;
            }
        }
        if (roll >= 12 && roll < 20) put(tb, time, 5 + pick(rng) % 2, pos(rng), CRawHead::kGraceBit, 0, 0, false);
        int value = 3 + pick(rng) % 5;
        int dots = pick(rng) < 20 && value < 7 ? 1 : 0;
        int ticks = CRawHead::kValueTicks[value] * (dots ? 3 : 2) / 2;
        while (time + ticks > length && value < 7) {
            ++value;
            dots = 0;
            ticks = CRawHead::kValueTicks[value];
        }
        if (time + ticks > length) break;
        put(tb, time, value, pos(rng), 0, dots, 0, pick(rng) < 15);
        time += ticks;
    }
}

// The shapes beams take.
class BeamLayoutTest : public BeamingTest {};

}  // namespace

TEST_F(BeamingTest, RandomVoicesBeamTheSameTwiceAndEveryBeamedNoteHasOneBeam) {
    struct M {
        int num, den;
    };
    const M meters[] = {{2, 4}, {3, 4}, {4, 4}, {6, 8}, {9, 8}, {12, 8}, {3, 8}, {3, 16}, {5, 8}, {2, 2}};
    std::mt19937 rng(2311);
    auto put = [this](CTrkBar* tb, int time, int value, int position, std::uint8_t flags, int dots, int tuplet, bool rest) {
        Put(tb, time, value, position, flags, dots, tuplet, rest);
    };
    int beamsMade = 0;
    for (int round = 0; round < 400; ++round) {
        const int b = round % score->GetBarCount();
        const M m = meters[std::size_t(round) % (sizeof meters / sizeof meters[0])];
        SetMeter(b, m.num, m.den);
        CTrkBar* tb = Bar(b);
        for (CBarItem* it : Items(tb)) it->SetFlagsB(std::uint8_t(it->FlagsB() | CBarItem::kRemovedBit));
        tb->Compact();
        FillVoice(this, tb, rng, tb->GetBar()->GetMeterLength(), put);
        SCOPED_TRACE("round " + std::to_string(round) + " meter " + std::to_string(m.num) + "/" + std::to_string(m.den));

        g_beamContext.Init(tb, 1, 0);
        g_beamContext.AutoBeam(0, 0, 0, 32767);
        const auto once = LiveBytes(tb);
        g_beamContext.Init(tb, 1, 0);
        g_beamContext.AutoBeam(0, 0, 0, 32767);
        EXPECT_EQ(LiveBytes(tb), once) << "a second beaming changes no live record";

        std::vector<CBeam*> beams;
        for (CBarItem* it : Items(tb))
            if (it->IsBeam()) beams.push_back(static_cast<CBeam*>(it));
        beamsMade += int(beams.size());
        for (CBarItem* it : Items(tb)) {
            if (!it->IsNoteOrRest() || !static_cast<CRawHead*>(it)->IsBeamed()) continue;
            int covering = 0;
            for (CBeam* beam : beams) {
                if (!beam->Covers(it, 0)) continue;
                ++covering;
                if (it->IsRest() && (beam->BeamFlags() & CBeam::kBeatBeam)) {
                    EXPECT_TRUE(static_cast<CRawHead*>(it)->IsTupletMember()) << "a beat beam spans a rest at " << it->TimeField();
                }
            }
            EXPECT_EQ(covering, 1) << "item at " << it->TimeField();
        }
    }
    EXPECT_GT(beamsMade, 400) << "the voices make beams";
}

TEST_F(BeamingTest, AManualBeamBuildsEverySegmentAndRefusesMoreThanItsCountHolds) {
    struct Case {
        int pairs;
        int segments;   // 0: refused
    } cases[] = {{60, 241}, {64, 0}};
    for (const Case& c : cases) {
        CTrkBar* tb = Bar(c.pairs == 60 ? 0 : 1);
        for (int k = 0; k < c.pairs; ++k) {
            Put(tb, k * 255, 4, 1);
            Put(tb, k * 255 + 240, 8, 1);
        }
        const auto before = RunBytes(tb);
        g_beamContext.Init(tb, 0, 0);
        for (CBarItem* it : Items(tb)) g_beamContext.AddNote(it, tb);
        EXPECT_TRUE(g_beamContext.BeamNotes(false));
        CBeam* beam = nullptr;
        for (CBarItem* it : Items(tb))
            if (it->IsBeam()) beam = static_cast<CBeam*>(it);
        if (c.segments == 0) {
            EXPECT_EQ(beam, nullptr);
            EXPECT_EQ(RunBytes(tb), before) << "nothing changes";
            continue;
        }
        ASSERT_NE(beam, nullptr);
        EXPECT_EQ(beam->SegmentCount(), c.segments);
        EXPECT_EQ(beam->RecordSizeField(), CBeam::kSize + BeamSegment::kSize * (c.segments - 1));
        int beamed = 0;
        for (CBarItem* it : Items(tb))
            if (it->IsNote() && static_cast<CRawHead*>(it)->IsBeamed()) ++beamed;
        EXPECT_EQ(beamed, 2 * c.pairs);
    }
}

TEST_F(BeamingTest, TheModelsHooksLayABeamOutAgainAndDissolveOneLeftWithTooFewNotes) {
    CTrkBar* tb = Bar(0);
    Put(tb, 0, 4, -6);
    Put(tb, 240, 4, -2);
    Put(tb, 480, 4, 2);
    Put(tb, 720, 4, 2);
    beaming::Init(tb, 1, 0);
    beaming::AutoBeam(0, 0, 0, 32767);
    auto beamOf = [&] {
        for (CBarItem* it : Items(tb))
            if (it->IsBeam()) return static_cast<CBeam*>(it);
        return static_cast<CBeam*>(nullptr);
    };
    CBeam* beam = beamOf();
    ASSERT_NE(beam, nullptr);
    const int start = rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos);

    // Notes moved up three steps mark the beam; mode 0 keeps the heights, mode 3 decides them afresh.
    for (CBarItem* it : Items(tb))
        if (it->IsNote()) static_cast<CNote*>(it)->Head(0)->SetPosition(static_cast<CNote*>(it)->Head(0)->Position() + 3);
    beam->SetFlagsA(std::uint8_t(beam->FlagsA() | CBarItem::kRelayoutBit));
    beaming::Init(tb, 0, 0);
    beam = static_cast<CBeam*>(beaming::MakeBeam(beam, 0));
    EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), start);
    EXPECT_EQ(beam->FlagsA() & CBarItem::kRelayoutBit, 0);
    beam = static_cast<CBeam*>(beaming::MakeBeam(beam, 3));
    EXPECT_NE(rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), start);

    // Three of the four notes removed: a beat beam over one note dissolves and frees it.
    std::vector<CBarItem*> notes;
    for (CBarItem* it : Items(tb))
        if (it->IsNote()) notes.push_back(it);
    for (std::size_t k = 1; k < notes.size(); ++k) notes[k]->SetFlagsB(std::uint8_t(notes[k]->FlagsB() | CBarItem::kRemovedBit));
    beaming::MakeBeam(beam, 3);
    EXPECT_TRUE(beam->IsRemoved());
    EXPECT_FALSE(static_cast<CRawHead*>(notes[0])->IsBeamed());
}

TEST_F(BeamLayoutTest, EndHeightsOfTwoEighthsFollowTheirInterval) {
    // Two eighths (grace or plain) a number of steps apart below the middle line, stems up: the
    // beam slopes with them by at most two steps, a grace beam by one.
    struct Case {
        int first, second;
        bool grace;
        int slope;
    } cases[] = {{-6, -6, false, 0}, {-6, -5, false, 1}, {-6, -4, false, 2}, {-6, -2, false, 2},
                 {-2, -6, false, -2}, {-6, -2, true, 1}, {-6, -5, true, 1}, {-2, -6, true, -1}};
    int b = 0;
    for (const Case& c : cases) {
        CTrkBar* tb = Bar(b++);
        const std::uint8_t flags = c.grace ? CRawHead::kGraceBit : 0;
        Put(tb, 0, 4, c.first, flags);
        Put(tb, 240, 4, c.second, flags);
        g_beamContext.Init(tb, 0, 0);
        for (CBarItem* it : Items(tb)) g_beamContext.AddNote(it, tb);
        ASSERT_TRUE(g_beamContext.BeamNotes(false));
        CBeam* beam = nullptr;
        for (CBarItem* it : Items(tb))
            if (it->IsBeam()) beam = static_cast<CBeam*>(it);
        ASSERT_NE(beam, nullptr);
        EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kEndStaffPos) - rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), c.slope)
            << c.first << " to " << c.second << (c.grace ? " grace" : "");
        EXPECT_EQ(beam->IsGraceBeam(), c.grace);
    }
}

namespace {
// An edit operation that records the bars it is asked to keep for undo.
struct RecordingTask : CScoreTask {
    std::vector<std::pair<int, int>> saved;
    bool SaveTrackBar(int track, int bar) override {
        saved.emplace_back(track, bar);
        return true;
    }
};
}  // namespace

TEST_F(BeamingTest, DissolvingATremoloOverABarLineFreesItsNotesInBothBarsAndKeepsBothForUndo) {
    CTrkBar* first = Bar(2);
    Put(first, 1440, 2, 1);
    CTrkBar* second = Bar(3);
    Put(second, 0, 2, 1);
    first->SetCurrent();
    g_beamContext.Init(first, 0, 2);
    g_beamContext.AddNote(Items(first)[0], first);
    g_beamContext.AddNote(Items(second)[0], second);
    ASSERT_TRUE(g_beamContext.BeamNotes(false));
    CBeam* beam = nullptr;
    for (CBarItem* it : Items(first))
        if (it->IsBeam()) beam = static_cast<CBeam*>(it);
    ASSERT_NE(beam, nullptr);
    EXPECT_EQ(beam->BarSpanField(), 1);
    EXPECT_TRUE(beam->IsTremolo());
    std::vector<CRawHead*> notes;
    for (CTrkBar* tb : {first, second})
        for (CBarItem* it : Items(tb))
            if (it->IsNote()) notes.push_back(static_cast<CRawHead*>(it));
    ASSERT_EQ(notes.size(), 2u);
    for (CRawHead* n : notes) {
        EXPECT_TRUE(n->IsBeamed());
        EXPECT_TRUE(n->HasHalfFlag());
    }
    EXPECT_TRUE(notes[1]->GetFlag8Bit1()) << "the last note of a tremolo";
    EXPECT_TRUE(notes[1]->ContinuesBeam());

    RecordingTask task;
    doc.currentTask = &task;
    g_model.currentDoc = &doc;
    first->SetCurrent();
    beam->MarkRemoved();
    doc.currentTask = nullptr;
    EXPECT_TRUE(beam->IsRemoved());
    for (CRawHead* n : notes) {
        EXPECT_FALSE(n->IsBeamed());
        EXPECT_FALSE(n->HasHalfFlag());
        EXPECT_FALSE(n->GetFlag8Bit1());
    }
    EXPECT_EQ(task.saved, (std::vector<std::pair<int, int>>{{0, 2}, {0, 3}}));
}

// A beam moved along its bar takes every segment with it; whole bars carry into the segment's
// bar counters, and no start goes before the beam's own bar.
TEST(BeamShift, SegmentsMoveAndCarryWholeBars) {
    struct Case {
        const char* what;
        int startBar, start, endBar, end, delta;
        int wantStartBar, wantStart, wantEndBar, wantEnd;
    };
    const Case cases[] = {
        {"inside the bar", 0, 100, 0, 300, 200, 0, 300, 0, 500},
        {"the end crosses the bar line", 0, 700, 0, 900, 256, 0, 956, 1, 132},
        {"both ends cross it", 0, 900, 0, 1000, 256, 1, 132, 0, 232},
        {"back over a bar line the segment began after", 1, 10, 0, 100, -20, 0, 1014, 1, 80},
        {"an end in a later bar comes back into the start's bar", 0, 500, 1, 10, -20, 0, 480, 0, 1014},
        {"never before the beam's bar", 0, 10, 0, 50, -30, 0, 0, 0, 20},
    };
    for (const Case& c : cases) {
        std::uint8_t bytes[CBeam::kSize] = {};
        CBeam* beam = CBeam::Construct(bytes);
        beam->CBaseItem::SetSize(std::int16_t(CBeam::kSize));
        beam->SetSegmentCount(1);
        BeamSegment segment = beam->Segment(0);
        segment.Bytes()[BeamSegment::kStartBar] = std::uint8_t(c.startBar);
        segment.Bytes()[BeamSegment::kEndBar] = std::uint8_t(c.endBar);
        segment.SetStartPosition(std::int16_t(c.start));
        segment.SetEndPosition(std::int16_t(c.end));
        beam->ShiftSegments(c.delta);
        EXPECT_EQ(segment.StartBarOffset(), c.wantStartBar) << c.what;
        EXPECT_EQ(segment.StartPosition(), c.wantStart) << c.what;
        EXPECT_EQ(segment.EndBarOffset(), c.wantEndBar) << c.what;
        EXPECT_EQ(segment.EndPosition(), c.wantEnd) << c.what;
        EXPECT_NE(beam->FlagsA() & CBarItem::kRelayoutBit, 0) << c.what << ": placed again";
    }
}
