// Notes, rests and beams inside the item run of a bar of a track: the BDAT chunk written and
// read back byte for byte, and marks added to and removed from a record of the run.
#include <gtest/gtest.h>

#include <cstring>

#include "NotationTestSupport.h"
#include "model/Articulation.h"
#include "platform/Theory.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "notation/Beam.h"
#include "notation/MultiRest.h"
#include "notation/Rest.h"

using namespace notetest;

namespace {

struct TrkBarHolder {
    TrkBarHolder() {
        bar = CTrkBar::Construct(bytes);
        EXPECT_TRUE(bar->Init(0, 0));
    }
    ~TrkBarHolder() { bar->Release(true); }
    alignas(8) std::uint8_t bytes[CTrkBar::kSize] = {};
    CTrkBar* bar;
};

// The run's records up to and including its end record.
Bytes RunBytes(CTrkBar* bar) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(bar->GetItems());
    const auto* end = reinterpret_cast<const std::uint8_t*>(bar->GetEndRecord());
    return Bytes(b, end + 16);
}

class BarRunTest : public NotationTest {};

}  // namespace

TEST_F(BarRunTest, EveryKindRoundTripsThroughTheBarChunk) {
    TrkBarHolder source;
    {
        RecordBuf b;
        CMultiRest* m = CMultiRest::Construct(b.data());
        m->SetFlags(0x0A);
        m->SetPercent(80);
        m->SetCountOffset(-30);
        ASSERT_TRUE(source.bar->InsertCopy(m));
    }
    {
        RecordBuf b;
        CBeam* beam = CBeam::Construct(b.data());
        beam->SetSegmentCount(2);
        beam->CBaseItem::SetSize(62);
        beam->SetOffsetsByte(0x0B);
        beam->Segment(0).SetFlags(0x2C);
        beam->Segment(0).SetEndPosition(700);
        beam->Segment(1).SetFlags(0x41);
        beam->Segment(1).SetWord(BeamSegment::kStartFine, -60);
        ASSERT_TRUE(source.bar->InsertCopy(beam));
    }
    {
        RecordBuf b;
        CNote* note = MakeNote(b, 3, 4);
        note->SetFlags(CRawHead::kBeamedBit);
        note->SetStemByte(0x05);
        for (int k = 0; k < 3; ++k) {
            note->Head(k)->SetPosition(2 * k - 3);
            note->Head(k)->SetByte(NoteHead::kAccByte, std::uint8_t(0x24 + k));
            note->Head(k)->SetPitch(60 + k);
            note->Head(k)->SetDuration(std::uint16_t(240 + k));
        }
        NoteMark* m = AppendMark(note, 70, 46, 0);
        m->SetByte(41, 2);
        m->SetWord(42, -180);
        AppendMark(note, 30, 44, 0)->SetWord(42, 90);
        ASSERT_TRUE(source.bar->InsertCopy(note));
    }
    {
        RecordBuf b;
        CRest* rest = CRest::Construct(b.data());
        rest->SetTimeField(240);
        rest->SetNoteValue(4);
        rest->SetRestFlags(0x42);
        ASSERT_TRUE(source.bar->InsertCopy(rest));
    }
    {
        RecordBuf b;
        CRawNote* raw = CRawNote::Construct(b.data());
        raw->SetTimeField(480);
        raw->SetHeadCountField(1);
        raw->Head(0)->SetPitch(72);
        raw->Head(0)->SetStartOffset(-7);
        ASSERT_TRUE(source.bar->InsertCopy(raw));
    }

    const Bytes chunk = recordtest::Written([&](CChunkStream& s) { source.bar->Write(s); });
    TrkBarHolder target;
    recordtest::Reader r(chunk);
    target.bar->Read(r.stream);
    EXPECT_EQ(RunBytes(target.bar), RunBytes(source.bar));
    const Bytes again = recordtest::Written([&](CChunkStream& s) { target.bar->Write(s); });
    EXPECT_EQ(again, chunk);
}

TEST_F(BarRunTest, MarksAreAddedAndRemovedThroughTheRun) {
    TrkBarHolder holder;
    g_model.currentTrkBar = holder.bar;
    RecordBuf b;
    MakeNote(b, 1);
    auto* note = static_cast<CRawHead*>(holder.bar->InsertCopy(b.as<CNote>()));
    ASSERT_TRUE(note);

    std::uint8_t markBytes[54];
    auto* mark = reinterpret_cast<NoteMark*>(markBytes);
    const int codes[] = {15, 0, 20};
    for (int code : codes) {
        std::memset(markBytes, code, sizeof markBytes);
        mark->Init(code);
        note = note->AddMark(*mark);
        ASSERT_TRUE(note);
    }
    EXPECT_EQ(note->MarkCount(), 3);
    EXPECT_EQ(note->RecordSizeField(), 40 + 40 + 54 + 40);
    EXPECT_EQ(note->GetMark(1)->Code(), 0);

    note = note->RemoveMark(0);
    EXPECT_EQ(note->MarkCount(), 2);
    EXPECT_EQ(note->RecordSizeField(), 40 + 54 + 40);
    EXPECT_EQ(note->GetMark(0)->Code(), 0);
    EXPECT_EQ(note->GetMark(1)->Code(), 20);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(note->GetMark(0)) - note->Bytes(), 40) << "directly after the heads";

    // At most seven marks.
    mark->Init(20);
    for (int i = 2; i < 7; ++i) note = note->AddMark(*mark);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->MarkCount(), 7);
    const int full = note->RecordSizeField();
    EXPECT_EQ(note->AddMark(*mark), note) << "a full note stays as it is";
    EXPECT_EQ(note->RecordSizeField(), full);
    EXPECT_EQ(note->MarkCount(), 7);

    // A rest takes only the rest marks.
    RecordBuf rb;
    CRest::Construct(rb.data());
    auto* rest = static_cast<CRawHead*>(holder.bar->InsertCopy(rb.as<CRest>()));
    mark->Init(15);
    EXPECT_EQ(rest->AddMark(*mark), nullptr);
    mark->Init(38);
    rest = rest->AddMark(*mark);
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->MarkCount(), 1);
    EXPECT_EQ(rest->RecordSizeField(), 62);
}

TEST_F(BarRunTest, BeamMembersMovesAndDissolving) {
    TrkBarHolder holder;
    g_model.currentTrkBar = holder.bar;
    RecordBuf bb;
    CBeam* proto = CBeam::Construct(bb.data());
    proto->SetSegmentCount(1);
    rec::Put<std::int16_t>(proto, CBeam::kStartPosition, 100);
    rec::Put<std::int16_t>(proto, CBeam::kEndPosition, 500);
    proto->SetPositionField(100);
    proto->SetBeamFlags(CBeam::kTremolo);
    ASSERT_TRUE(holder.bar->InsertCopy(proto));

    auto addNote = [&](int time, int position, std::uint8_t flags, int voice) {
        RecordBuf nb;
        CNote* n = MakeNote(nb, 1, 4);
        n->SetTimeField(std::int16_t(time));
        n->SetPositionField(std::int16_t(position));
        n->SetFlags(flags);
        n->SetVoice(voice);
        n->SetHalfFlag(true);
        n->SetFlag8Bit1(true);
        EXPECT_TRUE(holder.bar->InsertCopy(n));
    };
    addNote(0, 100, CRawHead::kBeamedBit, 0);
    addNote(240, 300, CRawHead::kBeamedBit, 0);
    addNote(480, 500, CRawHead::kBeamedBit, 0);
    addNote(480, 500, CRawHead::kBeamedBit, 1);                          // another voice
    addNote(480, 400, CRawHead::kBeamedBit | CRawHead::kGraceBit, 0);    // a grace note
    addNote(720, 600, CRawHead::kBeamedBit, 0);                          // past the end
    addNote(240, 300, 0, 0);                                             // not beamed

    auto beam = [&] {
        for (CBarItem* it = holder.bar->GetItems(); it->TypeCode() != 255; it = it->NextItem())
            if (it->IsBeam()) return static_cast<CBeam*>(it);
        return static_cast<CBeam*>(nullptr);
    };
    int covered = 0;
    for (CBarItem* it = holder.bar->GetItems(); it->TypeCode() != 255; it = it->NextItem()) {
        if (!it->IsNote()) continue;
        auto* n = static_cast<CNote*>(it);
        const bool member = n->VoiceField() == 0 && n->IsBeamed() && !n->IsGrace() && n->PositionField() >= 100 &&
                            n->PositionField() <= 500;
        EXPECT_EQ(beam()->Covers(it, 0), member) << n->PositionField();
        if (member) ++covered;
    }
    EXPECT_EQ(covered, 3);
    EXPECT_FALSE(beam()->Covers(holder.bar->GetItems(), 1)) << "a bar the beam does not reach";

    // The first note moves: the beam's start and its own position follow.
    CBarItem* first = holder.bar->GetItems();
    while (!first->IsNote()) first = first->NextItem();
    first->MoveToPosition(150);
    EXPECT_EQ(first->PositionField(), 150);
    EXPECT_EQ(beam()->StartPositionField(), 150);
    EXPECT_EQ(beam()->GetPosition(), 150);
    EXPECT_EQ(beam()->FlagsA() & CBarItem::kRelayoutBit, CBarItem::kRelayoutBit);

    // Dissolving the tremolo beam frees its notes.
    beam()->MarkRemoved();
    EXPECT_TRUE(beam()->IsRemoved());
    int stillBeamed = 0, halved = 0;
    for (CBarItem* it = holder.bar->GetItems(); it->TypeCode() != 255; it = it->NextItem()) {
        if (!it->IsNote()) continue;
        auto* n = static_cast<CNote*>(it);
        if (n->IsBeamed()) ++stillBeamed;
        if (n->HasHalfFlag()) ++halved;
    }
    EXPECT_EQ(stillBeamed, 3) << "only the three members lose the bit";
    EXPECT_EQ(halved, 4);
}

TEST_F(BarRunTest, MarksTakeTheirPlaybackFromTheirTrack) {
    CZelDoc doc;
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(1, 2));
    g_model.currentScore = &score;
    TrkBarHolder holder;
    g_model.currentTrkBar = holder.bar;
    RecordBuf b;
    MakeNote(b, 1);
    auto* note = static_cast<CRawHead*>(holder.bar->InsertCopy(b.as<CNote>()));
    std::uint8_t markBytes[54] = {};
    auto* mark = reinterpret_cast<NoteMark*>(markBytes);
    mark->Init(20);
    note = note->AddMark(*mark);
    ASSERT_TRUE(note);
    const int index = MarkCodeToPlaybackIndex(20);
    ASSERT_GE(index, 0);
    // Track 1's table says something for the mark's kind that no default says.
    MarkPlayback& entry = score.GetTrack(1)->MarkTable().Entry(index);
    for (int i = 0; i < MarkPlayback::kSize; ++i) reinterpret_cast<std::uint8_t*>(&entry)[i] = std::uint8_t(0xA0 + i);
    note->ApplyTrackMarkPlayback(1);
    EXPECT_EQ(std::memcmp(&note->GetMark(0)->Playback(), &entry, MarkPlayback::kSize), 0);
    // A track the score does not have changes nothing.
    note->ApplyTrackMarkPlayback(7);
    EXPECT_EQ(std::memcmp(&note->GetMark(0)->Playback(), &entry, MarkPlayback::kSize), 0);
}

TEST_F(BarRunTest, APerformanceNoteInsertedByTheBarIsSpelledAndGetsItsStem) {
    CZelDoc doc;
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(2, 2));
    g_model.currentScore = &score;
    // Track 1 is a percussion staff whose snare (38) stands on position 3.
    CTrack* drums = score.GetTrack(1);
    drums->SetStaffKind(1);
    for (int i = 0; i < CTrack::kDrums; ++i) rec::Put<std::uint8_t>(drums, CTrack::kDrumKeys + i, 0);
    rec::Put<std::uint8_t>(drums, CTrack::kDrumKeys + 2, 38);
    rec::Put<std::int8_t>(drums, CTrack::kDrumPositions + 2, 3);
    struct Case {
        const char* what;
        int track, bar, key, position;
        bool stemUp;
    };
    const Case cases[] = {
        {"C#4 on a treble staff: below the middle line, stem up", 0, 0, 61, CTheory::PitchToStaffPos(61, 0, 0), true},
        {"A5 on a treble staff: above it, stem down", 0, 1, 81, CTheory::PitchToStaffPos(81, 0, 0), false},
        {"the snare on the drum map's position; a percussion stem above the middle line points up", 1, 0, 38, 3, true},
    };
    for (const Case& c : cases) {
        CTrkBar* bar = score.GetTrkBar(c.track, c.bar);
        bar->SetCurrent();
        PerformanceEvent e;
        e.key = std::uint8_t(c.key);
        e.duration = 240;
        ASSERT_TRUE(bar->AddPerformanceNote(e)) << c.what;
        CRawNote* note = nullptr;
        for (CBarItem* it = nullptr; bar->NextItem(&it, -1);)
            if (it->TypeCode() == 112) note = static_cast<CRawNote*>(it);
        ASSERT_NE(note, nullptr) << c.what;
        EXPECT_EQ(note->Head(0)->Position(), c.position) << c.what;
        EXPECT_EQ(note->IsStemUp(), c.stemUp) << c.what;
    }
}
