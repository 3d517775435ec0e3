// Records of the oldest format revived from packed runs: each grows, as its after-load step
// asks, to what its class holds today (a beam its newer fields, note marks their class size),
// as far as the destination really has room, and no further.
#include <gtest/gtest.h>

#include <cstring>

#include "NotationTestSupport.h"
#include "framework/Exceptions.h"
#include "framework/Memory.h"
#include "model/ItemFactory.h"
#include "notation/Beam.h"
#include "platform/Handles.h"

using namespace notetest;

namespace {

class OldestFormatUnpackTest : public NotationTest {};

Bytes Cat(std::initializer_list<Bytes> parts) { return recordtest::Concat(parts); }

// Sets the little-endian stored size of a packed record to its length.
Bytes Sized(Bytes r) {
    r[0] = std::uint8_t(r.size());
    r[1] = std::uint8_t(r.size() >> 8);
    return r;
}

// A note of the oldest format: bar-item head without colour bytes, one head whose play words
// are in the old order, a mark of code 38 and one of code 70, both without their playback
// setting.
Bytes OldNote() {
    const Bytes head = {0, 0, 144, 0, 0, 0, 0x20, 0x01, 0, 0x01};   // time 288, position 256
    const Bytes own = {0, 0, 0, 0x34, 0, 0, 0, 1};                  // quarter, two marks, one head
    const Bytes noteHead = {0, 0, 0, 0, 0, 3, 0, 60, 90, 0, 0xA1, 0xA2, 0xB1, 0xB2, 0xC1, 0xC2};
    const Bytes articulation = {8, 0, 38, 0, 4, 0, 6, 0};
    const Bytes fingering = {14, 0, 70, 0, 0xF6, 0xFF, 12, 0, 7, 1, 32, 0, 48, 0};
    return Sized(Cat({head, own, noteHead, articulation, fingering}));
}

// A beam of the oldest format with two segments: no colour bytes and no bytes 22-29.
Bytes OldBeam() {
    const Bytes head = {0, 0, 16, 0, 0, 0, 0x20, 0x01, 0, 0x02};   // time 288, position 512
    const Bytes own = {0x00, 0x00, 2, 1, 3, 0xFD};                 // two segments, staff 3 to -3
    const Bytes main = {0x20, 0, 0, 0, 100, 0, 0xBC, 0x02, 5, 0, 6, 0, 7, 0, 8, 0};
    const Bytes stub = {0x41, 3, 0, 0, 0x90, 0x01, 0xBC, 0x02, 9, 0, 10, 0, 11, 0, 12, 0};
    return Sized(Cat({head, own, main, stub}));
}

const Bytes kEnd = {16, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Revived sizes: note 4 + 10 + 2 + 8 + 16 + 40 + 46, beam 4 + 10 + 2 + 6 + 8 + 2 x 16, end 20.
constexpr int kNoteSize = 126;
constexpr int kBeamSize = 62;
constexpr int kEndSize = 20;

void ExpectWholeNote(CScoreItem* item) {
    ASSERT_EQ(item->TypeCode(), CNote::kType);
    auto* n = static_cast<CNote*>(item);
    EXPECT_EQ(n->RecordSizeField(), kNoteSize);
    EXPECT_FALSE(n->IsRemoved());
    EXPECT_EQ(n->TimeField(), 288);
    EXPECT_EQ(n->PositionField(), 256);
    EXPECT_EQ(n->HeadCountField(), 1);
    EXPECT_EQ(n->Head(0)->Byte(7), 60);
    EXPECT_EQ(n->Head(0)->Byte(10), 0xB1);
    EXPECT_EQ(n->Head(0)->Byte(12), 0xA1);
    ASSERT_EQ(n->MarkCount(), 2);
    NoteMark* a = n->GetMark(0);
    EXPECT_EQ(a->Size(), 40);
    EXPECT_EQ(a->Code(), 38);
    EXPECT_EQ(a->XOffset(), 4);
    EXPECT_EQ(a->YOffset(), 6);
    NoteMark* f = n->GetMark(1);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(f) - n->Bytes(), 80);
    EXPECT_EQ(f->Size(), 46);
    EXPECT_EQ(f->Code(), 70);
    EXPECT_EQ(f->XOffset(), -10);
    EXPECT_EQ(f->YOffset(), 12);
    EXPECT_EQ(f->GetByte(40), 7);
    EXPECT_EQ(f->GetByte(41), 1);
    EXPECT_EQ(f->GetWord(42), 32);
    EXPECT_EQ(f->GetWord(44), 48);
}

void ExpectWholeBeam(CScoreItem* item) {
    ASSERT_EQ(item->TypeCode(), 16);
    auto* b = static_cast<CBeam*>(item);
    EXPECT_EQ(b->RecordSizeField(), kBeamSize);
    EXPECT_FALSE(b->IsRemoved());
    EXPECT_EQ(b->TimeField(), 288);
    EXPECT_EQ(b->PositionField(), 512);
    EXPECT_EQ(b->SegmentCount(), 2);
    EXPECT_EQ(b->WholeSegments(), 2);
    EXPECT_EQ(rec::Get<std::int8_t>(b, CBeam::kStartStaffPos), 3);
    EXPECT_EQ(rec::Get<std::int8_t>(b, CBeam::kEndStaffPos), -3);
    for (int at = CBeam::kTremoloStrokes; at < CBeam::kSegments; ++at) EXPECT_EQ(rec::Get<std::uint8_t>(b, at), 0) << at;
    BeamSegment main = b->Segment(0);
    EXPECT_EQ(main.Level(), 1);
    EXPECT_EQ(main.StartPosition(), 100);
    EXPECT_EQ(main.EndPosition(), 700);
    EXPECT_EQ(main.Word(BeamSegment::kStartInset), 5);
    EXPECT_EQ(main.Word(BeamSegment::kEndFine), 8);
    BeamSegment stub = b->Segment(1);
    EXPECT_EQ(stub.Flags(), 0x41);
    EXPECT_EQ(stub.Number(), 3);
    EXPECT_EQ(stub.StartPosition(), 400);
    EXPECT_EQ(stub.EndPosition(), 700);
    EXPECT_EQ(stub.Word(BeamSegment::kStartInset), 9);
    EXPECT_EQ(stub.Word(BeamSegment::kEndFine), 12);
}

// A block as a chunk holds it: a 32-bit byte length, then the stored records.
Bytes BlockChunk(const Bytes& stored) {
    return recordtest::Written([&](CChunkStream& s) {
        s.BeginChunk(MakeChunkTag("TEST"), -1);
        s.WriteLong(std::uint32_t(stored.size()));
        s.WriteBytes(stored.data(), std::uint32_t(stored.size()));
        s.EndChunk(-1);
    });
}

}  // namespace

TEST_F(OldestFormatUnpackTest, BeamsAndNoteMarksComeBackWholeFromABlock) {
    recordtest::Reader r(BlockChunk(Cat({OldNote(), OldBeam(), kEnd})));
    r.stream.BeginReadChunk(MakeChunkTag("TEST"));
    HGLOBAL h = 0;
    const std::int32_t total = UnpackItemsFromBlock(r.stream, h, -1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(total, kNoteSize + kBeamSize + kEndSize);
    EXPECT_EQ(GetHandleSize(h), std::uint32_t(total));
    auto* first = ItemCast<CBarItem>(LockHandle(h));
    ExpectWholeNote(first);
    CBarItem* beam = first->NextItem();
    ExpectWholeBeam(beam);
    EXPECT_EQ(beam->NextItem()->TypeCode(), 255);
    UnlockHandle(h);
    FreeHandle(h);
}

TEST_F(OldestFormatUnpackTest, BeamsAndNoteMarksComeBackWholeFromARun) {
    const Bytes run = Cat({OldBeam(), OldNote(), kEnd});
    const int want = kBeamSize + kNoteSize + kEndSize;
    std::vector<std::uint8_t> out(std::size_t(want) + 2, 0xEE);   // the run just fits
    int revived = 0;
    EXPECT_EQ(UnpackItems(run.data(), std::uint32_t(run.size()), out.data(), std::uint32_t(out.size()), -1, &revived),
              want);
    ASSERT_EQ(revived, 3);
    auto* beam = ItemCast<CBarItem>(out.data());
    ExpectWholeBeam(beam);
    ExpectWholeNote(beam->NextItem());
    EXPECT_EQ(beam->NextItem()->NextItem()->TypeCode(), 255);
}

TEST_F(OldestFormatUnpackTest, RecordsThatOutgrowTheDestinationAreRefusedWithoutOverrun) {
    // The note's stored bytes and slot fit in 100 bytes, the note grown does not; the beam's
    // fit in the 58 bytes left after the note, the beam grown does not. Each buffer ends where
    // the destination does, so a write past it is caught.
    struct Case {
        const char* what;
        Bytes run;
        std::uint32_t room;
        int revived;
        std::int32_t used;
    };
    const Case cases[] = {
        {"note", Cat({OldNote(), kEnd}), 100, 0, 0},
        {"beam", Cat({OldNote(), OldBeam(), kEnd}), kNoteSize + 58, 1, kNoteSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> out(c.room, 0xEE);
        int revived = -1;
        EXPECT_EQ(UnpackItems(c.run.data(), std::uint32_t(c.run.size()), out.data(), c.room, -1, &revived), c.used);
        EXPECT_EQ(revived, c.revived);
        for (std::size_t i = std::size_t(c.used); i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << "byte " << i;
    }

    // A block sizes its destination to twice its stored bytes and slots: a note whose seven
    // bare marks each grow to 46 bytes outgrows it, and the block is damage.
    Bytes crowded = {0, 0, 144, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x3E, 0, 0, 0, 1};   // seven marks
    crowded.insert(crowded.end(), 16, 0);
    for (int i = 0; i < 7; ++i) crowded.insert(crowded.end(), {8, 0, 70, 0, 0, 0, 0, 0});
    const std::size_t before = fw::memtest::LiveBlocks();
    {
        recordtest::Reader r(BlockChunk(Cat({Sized(crowded), kEnd})));
        r.stream.BeginReadChunk(MakeChunkTag("TEST"));
        HGLOBAL h = 0;
        EXPECT_THROW(UnpackItemsFromBlock(r.stream, h, -1), CArchiveException);
        FreeHandle(h);
    }
    EXPECT_EQ(fw::memtest::LiveBlocks(), before);
}
