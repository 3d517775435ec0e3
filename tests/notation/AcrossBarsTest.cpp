// Notes put into a bar that they do not fit: moved on to the bar their time falls in, cut at the
// bar line into tied pieces, refused past the last bar, and merged into a chord or another voice.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "NotationTestSupport.h"
#include "TwoBarTrackTest.h"
#include "model/ModelGlobals.h"
#include "model/Page.h"
#include "model/Score.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarTestSupport.h"
#include "model/ZelDoc.h"

using namespace notetest;

namespace {

class AcrossBars : public TwoBarTrackTest {
public:
    // A note of `heads` heads (positions from -6 up by 1, pitches from 60) of a value at a time.
    static RecordBuf Note(int time, int value, int heads = 1, int voice = 0) {
        RecordBuf buf(std::size_t(CRawNote::kHeads + NoteHead::kSize * heads + 64));
        CNote* note = MakeNote(buf, heads, value);
        note->SetTimeField(std::int16_t(time));
        note->SetVoice(voice);
        for (int k = 0; k < heads; ++k) {
            note->Head(k)->SetPosition(-6 + k % 40);
            note->Head(k)->SetPitch(std::uint8_t(60 + k % 60));
            note->Head(k)->SetDuration(std::uint16_t(note->GetDuration()));
        }
        return buf;
    }
    CBarItem* Put(int b, RecordBuf buf) {
        Bar(b)->SetCurrent();
        return Bar(b)->InsertCopy(buf.as<CNote>());
    }
    std::vector<CBarItem*> Live(int b, int type) {
        std::vector<CBarItem*> out;
        trkbar::ForEachLiveItem(Bar(b), [&](CBarItem* r) {
            if (r->TypeCode() == type) out.push_back(r);
        });
        return out;
    }
};

constexpr int kTie = 30;

}  // namespace

TEST_F(AcrossBars, AHalfNoteOnTheLastBeatBecomesTwoTiedQuarters) {
    ASSERT_TRUE(Bar(0)->InsertAcrossBars(Put(0, Note(1440, 2))));
    const auto first = Live(0, CNote::kType);
    const auto second = Live(1, CNote::kType);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    auto* a = static_cast<CNote*>(first[0]);
    auto* b = static_cast<CNote*>(second[0]);
    EXPECT_EQ(a->NoteValue(), 3);
    EXPECT_EQ(b->NoteValue(), 3);
    EXPECT_EQ(b->TimeField(), 0);
    EXPECT_TRUE(a->Head(0)->HasTieStart());
    EXPECT_TRUE(b->Head(0)->HasTieEnd());
    EXPECT_EQ(a->Head(0)->Duration(), 480);
    EXPECT_EQ(b->Head(0)->Duration(), 480);
    // The tie between them: from the first piece's head into the next bar's first column.
    const auto ties = Live(0, kTie);
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(ties[0]->PositionField(), a->PositionField());
    EXPECT_EQ(rec::Get<std::int16_t>(ties[0], 22), 1);
    EXPECT_EQ(rec::Get<std::int16_t>(ties[0], 24), 0);
    Bar(0)->SetCurrent();
    int head = 0;
    EXPECT_EQ(Bar(0)->FindTiedNote(a, &head), b) << "the tie finds the second piece";
}

TEST_F(AcrossBars, ARecordIsPlacedInTheBarItsTimeFallsInOrRefused) {
    // A quarter at tick 2,000 of a 4/4 bar goes to tick 80 of the next: it takes that tick's
    // column, and the bar's re-timing then starts it where its voice puts it (alone: at 0).
    ASSERT_TRUE(Bar(0)->InsertAcrossBars(Put(0, Note(2000, 3))));
    EXPECT_TRUE(Live(0, CNote::kType).empty()) << "the source goes once its copy stands";
    ASSERT_EQ(Live(1, CNote::kType).size(), 1u);
    EXPECT_EQ(Live(1, CNote::kType)[0]->PositionField(), Bar(1)->TickToFraction(80));
    EXPECT_EQ(Live(1, CNote::kType)[0]->TimeField(), 0);

    // Past the last bar: refused, and the record stays where it was.
    CBarItem* far = Put(0, Note(4000, 3));
    EXPECT_FALSE(Bar(0)->InsertAcrossBars(far));
    ASSERT_EQ(Live(0, CNote::kType).size(), 1u);
    EXPECT_EQ(Live(0, CNote::kType)[0]->TimeField(), 4000);

    // A whole note on the last beat of the last bar ends at the bar line.
    CBarItem* last = Put(1, Note(1440, 1));
    ASSERT_TRUE(Bar(1)->InsertAcrossBars(last));
    std::vector<int> values;
    for (CBarItem* n : Live(1, CNote::kType)) values.push_back(static_cast<CNote*>(n)->NoteValue());
    EXPECT_EQ(values, (std::vector<int>{3, 3})) << "the quarter at 80 and the cut whole note";
}

TEST_F(AcrossBars, CutPiecesOfATupletOrHalvedNoteLastWhatTheyWereCutTo) {
    // Each piece keeps the note's ratio and half flag, so its written value is the cut length
    // in the note's own time, and the pieces add up to the note.
    struct Case {
        const char* what;
        int time, value, count, space;
        bool half;
        int firstValue, secondValue;  // the pieces' written values
    } cases[] = {
        {"a triplet quarter on the last triplet eighth", 1760, 3, 3, 2, false, 4, 4},
        {"a triplet half on the last triplet quarter", 1600, 2, 3, 2, false, 3, 3},
        {"a quintuplet quarter (5:4) on the last quintuplet sixteenth", 1824, 3, 5, 4, false, 5, 4},
        {"a halved half note on the last eighth", 1680, 2, 0, 0, true, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();  // a fresh track of two bars
        RecordBuf buf = Note(c.time, c.value);
        auto* n = buf.as<CNote>();
        n->SetTupletCount(std::uint8_t(c.count));
        n->SetTupletSpace(std::uint8_t(c.space));
        n->SetHalfFlag(c.half);
        const int length = int(NoteDuration(*n));
        ASSERT_TRUE(Bar(0)->InsertAcrossBars(Put(0, std::move(buf))));
        const auto first = Live(0, CNote::kType), second = Live(1, CNote::kType);
        ASSERT_EQ(first.size(), 1u);
        ASSERT_EQ(second.size(), 1u);
        auto* a = static_cast<CNote*>(first[0]);
        auto* b = static_cast<CNote*>(second[0]);
        EXPECT_EQ(a->NoteValue(), c.firstValue);
        EXPECT_EQ(b->NoteValue(), c.secondValue);
        EXPECT_EQ(a->TupletCount(), c.count);
        EXPECT_EQ(int(NoteDuration(*a)), 1920 - c.time) << "the first piece ends at the bar line";
        EXPECT_EQ(int(NoteDuration(*a)) + int(NoteDuration(*b)), length);
    }
}

TEST_F(AcrossBars, MergedNotesJoinAChordOrTakeAFreeVoice) {
    // A quarter at the time of a quarter: its heads join the chord.
    Put(0, Note(0, 3));
    RecordBuf incoming = Note(0, 3);
    incoming.as<CNote>()->Head(0)->SetPitch(64);
    CBarItem* merged = Bar(0)->MergeNote(incoming.as<CNote>(), 480, -1);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(Live(0, CNote::kType).size(), 1u);
    EXPECT_EQ(static_cast<CNote*>(merged)->HeadCountField(), 2);

    // Voices 0 and 1 sound at 960 with longer notes: a shorter note goes to voice 2.
    Put(0, Note(480, 2, 1, 0));
    Put(0, Note(480, 2, 1, 1));
    RecordBuf eighth = Note(960, 4);
    CBarItem* placed = Bar(0)->MergeNote(eighth.as<CNote>(), 240, -1);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->VoiceField(), 2);

    // A chord of 200 heads merges whole.
    RecordBuf big = Note(1440, 3, 200);
    CBarItem* chord = Bar(0)->MergeNote(big.as<CNote>(), 480, -1);
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(static_cast<CNote*>(chord)->HeadCountField(), 200);
}

TEST_F(AcrossBars, AMergedNoteJoinsOnlyANoteThatStartsWithItAndTiedNotesLastToTheirChainsEnd) {
    // Each case: what voice 0 holds, the incoming note (time, value, length), and where it goes:
    // merged into the note at a time of bar 0, or into a voice of its own.
    struct Case {
        const char* what;
        std::function<void(AcrossBars&)> build;
        int time, value, length;
        int mergedAt;  // -1: not merged
        int voice;
    };
    const Case cases[] = {
        {"a quarter tied over the bar line lasts as long as a half from its time: the half joins it",
         [](AcrossBars& t) { ASSERT_TRUE(t.Bar(0)->InsertAcrossBars(t.Put(0, Note(1440, 2)))); }, 1440, 2, 960, 1440, 0},
        {"the same quarter without its tie is too short and holds its voice",
         [](AcrossBars& t) { t.Put(0, Note(1440, 3)); }, 1440, 2, 960, -1, 1},
        {"a half that started a beat earlier holds its voice but takes no heads",
         [](AcrossBars& t) { t.Put(0, Note(480, 2)); }, 960, 2, 960, -1, 1},
        {"a half of the next bar under the note's end holds its voice but takes no heads",
         [](AcrossBars& t) { t.Put(1, Note(0, 2)); }, 1440, 2, 960, -1, 1},
        {"a half that ends before the note does not hold its voice",
         [](AcrossBars& t) { t.Put(0, Note(0, 2)); }, 960, 2, 960, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        c.build(*this);
        RecordBuf incoming = Note(c.time, c.value);
        incoming.as<CNote>()->Head(0)->SetPosition(3);
        incoming.as<CNote>()->Head(0)->SetPitch(67);
        CBarItem* got = Bar(0)->MergeNote(incoming.as<CNote>(), c.length, -1);
        ASSERT_NE(got, nullptr);
        auto* note = static_cast<CNote*>(got);
        if (c.mergedAt >= 0) {
            EXPECT_EQ(note->TimeField(), c.mergedAt);
            EXPECT_EQ(note->HeadCountField(), 2);
            for (int h = 0; h < 2; ++h)
                EXPECT_TRUE(note->Head(h)->HasTieStart()) << "longer than the quarter it joins: its head goes on too";
        } else {
            EXPECT_EQ(note->TimeField(), c.time);
            EXPECT_EQ(note->HeadCountField(), 1);
        }
        EXPECT_EQ(note->VoiceField(), c.voice);
    }
}
