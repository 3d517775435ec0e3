// Note and rest entry on the program's own notes: the current-voice state kept, failures under
// injected out-of-memory, and a bounded random series of entries that must leave every bar
// consistent.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "EntryTestSupport.h"
#include "framework/Memory.h"
#include "model/TrkBarEntry.h"
#include "notation/NotationGlobals.h"

namespace {

using entrytest::EntryTest;
class NoteEntry : public EntryTest {
protected:
    static EntryRequest Request(CTrkBar* tb, int time, int staffPosition, int value) {
        EntryRequest r;
        r.time = time;
        r.position = tb->TickToFraction(time);
        r.staffPosition = staffPosition;
        r.value = value;
        r.midiPitch = 60 + staffPosition;
        r.insertedDuration = 3840 >> value;
        r.headDuration = int(r.insertedDuration);
        return r;
    }
    static std::vector<std::uint8_t> LiveBytes(CTrkBar* tb) {
        std::vector<std::uint8_t> out;
        for (CBarItem* r : Live(tb)) out.insert(out.end(), r->Bytes(), r->Bytes() + r->RecordSizeField());
        return out;
    }
};

TEST_F(NoteEntry, TheCurrentVoiceStateComesBackOnEveryExit) {
    CTrkBar* tb = TrkBar(0);
    g_entry.voiceFlag = false;
    g_entry.currentVoice = 5;
    EntryRequest first = Request(tb, 0, 0, 3);
    ASSERT_TRUE(tb->InsertNote(first, true, 0));
    EntryRequest other = Request(tb, 0, -3, 2);  // near a quarter: the neighbouring voice
    ASSERT_TRUE(tb->InsertNote(other, true, 0));
    EXPECT_EQ(other.voice, 1);
    EXPECT_EQ(g_entry.currentVoice, 5);
    EXPECT_FALSE(g_entry.voiceFlag);
    EntryRequest rest = Request(tb, 480, 6, 4);
    fw::memtest::FailAfter(0);
    const bool ok = tb->InsertRest(rest);
    fw::memtest::Reset();
    EXPECT_FALSE(ok);
    EXPECT_EQ(g_entry.currentVoice, 5);
}

// A note entered onto a rest of its voice takes the rest's place, with automatic rests or
// without: the notes after it stay where they are.
TEST_F(NoteEntry, ANoteEnteredOntoARestReplacesItAndPushesNothing) {
    for (const bool autoRests : {true, false}) {
        SCOPED_TRACE(autoRests ? "automatic rests" : "no automatic rests");
        CTrkBar* tb = TrkBar(autoRests ? 0 : 1);
        ASSERT_NE(AddNote(tb, {.time = 0, .value = 3}), nullptr);
        ASSERT_NE(AddRest(tb, 480, 3), nullptr);
        ASSERT_NE(AddNote(tb, {.time = 960, .value = 2, .heads = {2}}), nullptr);
        g_entry.autoRests = autoRests;
        EntryRequest r = Request(tb, 480, 4, 3);
        ASSERT_TRUE(tb->InsertNote(r, true, 0));
        g_entry.autoRests = true;
        std::vector<std::pair<int, bool>> run;  // time, rest
        for (CBarItem* item : NotesAndRests(tb, 0)) run.emplace_back(item->TimeField(), item->IsRest());
        EXPECT_EQ(run, (std::vector<std::pair<int, bool>>{{0, false}, {480, false}, {960, false}}));
    }
}

// With automatic spacing the voice is spaced again after an entry, also when automatic beaming
// is off: a grace note gets its own room before its note.
TEST_F(NoteEntry, AutomaticSpacingRespacesTheVoiceWithBeamingOff) {
    CTrkBar* tb = TrkBar(0);
    ASSERT_NE(AddNote(tb, {.time = 0, .value = 3}), nullptr);
    CNote* main = AddNote(tb, {.time = 480, .value = 3});
    ASSERT_NE(main, nullptr);
    ASSERT_NE(AddNote(tb, {.time = 960, .value = 2}), nullptr);
    tb->RecalcPositions(0);
    g_entry.autoBeam = false;
    EntryRequest r = Request(tb, 480, 3, 4);
    r.grace = true;
    const bool ok = tb->InsertNote(r, true, 0);
    g_entry.autoBeam = true;
    ASSERT_TRUE(ok);
    CBarItem* grace = nullptr;
    CBarItem* note = nullptr;
    for (CBarItem* item : NotesAndRests(tb, 0)) {
        if (item->TimeField() != 480 || !item->IsNote()) continue;
        (static_cast<CRawHead*>(item)->IsGrace() ? grace : note) = item;
    }
    ASSERT_NE(grace, nullptr);
    ASSERT_NE(note, nullptr);
    EXPECT_LT(grace->PositionField(), note->PositionField()) << "the grace note stands before its note";
}

// Each failure to make room answers false; the bar copied before (the caller's undo snapshot)
// gives back the bar as it was, removals included. Allowing one allocation more each time, the
// entry at last succeeds.
TEST_F(NoteEntry, AFailedInsertionIsReportedAndTheSnapshotGivesTheBarBack) {
    CTrkBar* tb = TrkBar(0);
    EntryRequest first = Request(tb, 0, 0, 4);
    ASSERT_TRUE(tb->InsertNote(first, true, 0));
    const std::vector<std::uint8_t> before = LiveBytes(tb);
    std::vector<std::uint8_t> snapshotBytes(CTrkBar::kSize, 0);
    CTrkBar* snapshot = CTrkBar::Construct(snapshotBytes.data());
    bool done = false;
    int failures = 0;
    for (int allowed = 0; allowed < 200 && !done; ++allowed) {
        ASSERT_TRUE(tb->CopyTo(snapshot));
        EntryRequest r = Request(tb, 240, 2, 5);
        r.tupletCount = 3;
        r.tupletSpan = 2;
        fw::memtest::FailAfter(allowed);
        done = tb->InsertNote(r, true, 0);
        fw::memtest::Reset();
        if (!done) {
            ++failures;
            ASSERT_TRUE(snapshot->CopyTo(tb));
            EXPECT_EQ(LiveBytes(tb), before) << "allowed " << allowed;
        }
    }
    snapshot->Release(true);
    EXPECT_TRUE(done);
    EXPECT_GT(failures, 0);
}

// A bounded random series of entries with every option on: notes, chords, rests, grace notes
// and triplets in two voices of four bars.
TEST_F(NoteEntry, RandomEntriesLeaveEveryBarConsistent) {
    std::mt19937 random(25);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    for (int step = 0; step < 300; ++step) {
        const int b = pick(4);
        CTrkBar* tb = TrkBar(b);
        const int value = 3 + pick(3);
        EntryRequest r = Request(tb, 120 * pick(16), pick(13) - 6, value);
        r.voice = pick(2);
        const int kind = pick(6);
        bool ok;
        if (kind == 0) {
            ok = tb->InsertRest(r);
        } else {
            r.grace = kind == 1;
            if (kind == 2) {
                r.tupletCount = 3;
                r.tupletSpan = 2;
                r.insertedDuration = r.insertedDuration * 2 / 3;
            }
            ok = tb->InsertNote(r, kind != 3, 0);
        }
        ASSERT_TRUE(ok) << "step " << step;
        tb = TrkBar(b);
        tb->Compact();
        int track = 0, voice = 0;
        const int overflow = tb->RecalcTimes(&track, &voice);
        // The run is sorted, no two rests of a voice overlap, and with no overflow reported each
        // voice in use fills its bar.
        int last = -32768;
        double filled[8] = {}, restEnd[8] = {};
        bool used[8] = {};
        for (CBarItem* item : Live(tb)) {
            ASSERT_GE(item->TimeField(), last) << "step " << step;
            last = item->TimeField();
            if (!item->IsNoteOrRest() || static_cast<CRawHead*>(item)->IsGrace()) continue;
            const int v = item->VoiceField();
            used[v] = true;
            filled[v] += NoteDuration(*item);
            if (item->IsRest()) {
                // Times are whole ticks: a rest after one of 7, 9, 11 or 13 in the time of four
                // starts at most a fraction of a tick early.
                EXPECT_GT(item->TimeField() + 1, restEnd[v]) << "step " << step << " voice " << v;
                restEnd[v] = NoteEndTime(*item);
            }
            if (item->IsNote() && static_cast<CRawHead*>(item)->IsBeamed())
                EXPECT_NE(tb->FindBeamOfNote(item), nullptr) << "step " << step;
        }
        if (overflow == 0)
            for (int v = 0; v < 8; ++v)
                if (used[v]) {
                    EXPECT_NEAR(filled[v], tb->GetMeterLength(), 1) << "step " << step << " voice " << v;
                }
    }
    // Every bar's stored form reads back to the same bytes.
    for (int b = 0; b < 4; ++b) {
        CTrkBar* tb = TrkBar(b);
        const auto written = recordtest::Written([&](CChunkStream& s) { tb->Write(s); });
        std::vector<std::uint8_t> copyBytes(CTrkBar::kSize, 0);
        CTrkBar* copy = CTrkBar::Construct(copyBytes.data());
        ASSERT_TRUE(copy->Init(0, b));
        recordtest::Reader reader(written);
        copy->Read(reader.stream);
        EXPECT_EQ(recordtest::Written([&](CChunkStream& s) { copy->Write(s); }), written) << "bar " << b;
        copy->Release(true);
    }
}

// Triplets entered on their grid among plain notes and rests of one voice, every option on: in
// each bar whose voice holds its length, every member of a tuplet stands under a tuplet or under
// the beam that carries its number.
TEST_F(NoteEntry, EnteredTripletsStayUnderTheirTuplets) {
    std::mt19937 random(3);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    int checked = 0;
    for (int step = 0; step < 400; ++step) {
        const int b = pick(4);
        CTrkBar* tb = TrkBar(b);
        const int value = 3 + pick(2);
        const int kind = pick(4);
        // A triplet starts where three of its members fit from a multiple of their span.
        const int span = 2 * (1920 >> (value - 1));
        EntryRequest r = Request(tb, kind == 0 ? 240 * pick(8) : span * pick(1920 / span), pick(9) - 4, value);
        if (kind == 3) {
            ASSERT_TRUE(tb->InsertRest(r)) << "step " << step;
        } else {
            if (kind != 0) {
                r.tupletCount = 3;
                r.tupletSpan = 2;
                r.insertedDuration = r.insertedDuration * 2 / 3;
            }
            ASSERT_TRUE(tb->InsertNote(r, true, 0)) << "step " << step;
        }
        tb = TrkBar(b);
        tb->Compact();
        int track = 0, voice = 0;
        if (tb->RecalcTimes(&track, &voice) != 0) continue;
        const std::vector<CBarItem*> live = Live(tb);
        for (CBarItem* item : live) {
            if (!item->IsNoteOrRest() || !(item->Bytes()[18] & 0x10) || item->Bytes()[16] == 0) continue;
            if (static_cast<CRawHead*>(item)->IsBeamed()) continue;
            ++checked;
            const auto covers = [&](CBarItem* t) {
                return t->TypeCode() == 31 && t->VoiceField() == item->VoiceField() &&
                       t->PositionField() <= item->PositionField() && item->PositionField() <= t->GetEndPosition();
            };
            EXPECT_TRUE(std::any_of(live.begin(), live.end(), covers))
                << "step " << step << " bar " << b << " time " << item->TimeField();
        }
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
