// The stored forms of rests, multi-bar rests, beat charts, performance notes, notes and beams:
// the bytes each writes (in stored bit order), reading them back, the repairs of older files
// and the checks that keep a damaged record from being read past its bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "NotationTestSupport.h"
#include "framework/Exceptions.h"
#include "model/BitOrder.h"
#include "model/ItemFactory.h"
#include "notation/Beam.h"
#include "notation/BeatChart.h"
#include "notation/MultiRest.h"
#include "notation/Rest.h"
#include "platform/DrawGlobals.h"

using namespace notetest;

namespace {

class RecordStorageTest : public NotationTest {};

// Bar-item head of the stored form: size, type, scale, flags A, flags B, time, position,
// colour, time offset.
Bytes Head(int size, int type, int time = 0, int position = 0) {
    return {std::uint8_t(size >> 8), std::uint8_t(size), std::uint8_t(type), 0, 0, 0,
            std::uint8_t(time >> 8), std::uint8_t(time), std::uint8_t(position >> 8), std::uint8_t(position), 0, 0};
}

Bytes Cat(std::initializer_list<Bytes> parts) { return recordtest::Concat(parts); }

}  // namespace

TEST_F(RecordStorageTest, RestIsStoredInFileBitOrderAndReadBack) {
    RecordBuf buf;
    CRest* rest = CRest::Construct(buf.data());
    rest->SetTimeField(480);
    rest->SetPositionField(256);
    rest->SetTupletCount(3);
    rest->SetTupletSpace(2);
    rest->SetFlags(0x8A);       // grace, beamed, two dots
    rest->SetNoteValue(3);
    rest->SetHalfFlag(true);
    rest->SetStaffPos(-3);
    rest->SetRestFlags(0xE9);   // slur end, line start, staff offset -1
    NoteMark* m = AppendMark(rest, 38, 40, 0);
    m->SetXOffset(100);
    m->SetYOffset(-55);
    m->SetFlags(0x09);          // hidden, placed above

    const Bytes expected = Cat({Head(62, 128, 480, 256),
                                {3, 2, 0x52, 0x93, 0xFD, 0x97},
                                {0, 40, 38, 0x90, 0, 20, 0xFF, 0xF5},
                                Bytes(32, 0)});
    EXPECT_EQ(Stored(rest), expected);

    RecordBuf back;
    CBarItem* read = ReadStored(expected, back);
    EXPECT_EQ(Body(read), Body(rest));
    auto* r = static_cast<CRest*>(read);
    EXPECT_EQ(r->StaffOffsetField(), -1);
    EXPECT_TRUE(r->HasSlurEnd());
    EXPECT_TRUE(r->HasLineStart());
    EXPECT_FALSE(r->HasSlurStart());
    EXPECT_EQ(r->GetMark(0)->YOffset(), -55);
}

TEST_F(RecordStorageTest, MultiRestReversesItsFlagByte) {
    RecordBuf buf;
    CMultiRest* m = CMultiRest::Construct(buf.data());
    m->SetFlags(0x19);   // slanted, style 3
    m->SetPercent(70);
    m->SetInset(-40);
    m->SetCountOffset(123);
    const Bytes expected = Cat({Head(22, 39), {0x98, 70, 0xFF, 0xF8, 0, 24}});
    EXPECT_EQ(Stored(m), expected);
    RecordBuf back;
    auto* r = static_cast<CMultiRest*>(ReadStored(expected, back));
    EXPECT_EQ(r->Flags(), 0x19);
    EXPECT_EQ(r->StrokeStyle(), 3);
    EXPECT_EQ(r->GetHorizontalOffset(), -40);
    EXPECT_EQ(r->CountOffset(), 120) << "a coordinate keeps a multiple of 5";
    EXPECT_EQ(r->GetVerticalOffset(), 120);
}

TEST_F(RecordStorageTest, BeatChartStoresItsEntries) {
    RecordBuf buf;
    CBeatChart* c = CBeatChart::Construct(buf.data());
    c->SetCount(2);
    c->CBaseItem::SetSize(34);
    c->SetField(0, CBeatChart::kPosition, 0);
    c->SetField(0, CBeatChart::kWidth, 512);
    c->SetField(0, CBeatChart::kSpace, 300);
    c->SetField(0, CBeatChart::kTime, 0);
    c->SetField(1, CBeatChart::kPosition, 512);
    c->SetField(1, CBeatChart::kWidth, 512);
    c->SetField(1, CBeatChart::kSpace, -25);
    c->SetField(1, CBeatChart::kTime, 960);
    const Bytes expected = Cat({Head(34, 9), {0, 2, 0, 0, 2, 0, 0, 60, 0, 0, 2, 0, 2, 0, 0xFF, 0xFB, 3, 0xC0}});
    EXPECT_EQ(Stored(c), expected);
    RecordBuf back;
    CBarItem* r = ReadStored(expected, back);
    EXPECT_EQ(Body(r), Body(c));
}

TEST_F(RecordStorageTest, NoteWithHeadsAndMarksRoundTrips) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 2, 4);
    note->SetStemByte(0xFB);      // stem up, adjustment -3
    note->SetNoteFlags(0x6A);     // stemless, beam levels 5, flag 6
    note->SetLinks(0x35);         // slur end, line end, old field 3
    NoteHead* h = note->Head(0);
    h->SetByte(0, 0x0A);          // selected, shape 2
    h->SetByte(1, 0xAC);          // tie start and end, column -2, parentheses
    h->SetByte(2, 0x5B);          // 5-bit field 27, offset 2
    h->SetByte(3, 0x47);          // dot offset -1, shown, flat
    for (int b = 4; b < 12; ++b) h->SetByte(b, std::uint8_t(b * 7));
    h->SetDuration(0xFFF0);
    h->SetStartOffset(-3);
    note->Head(1)->SetPitch(64);
    note->Head(1)->SetDuration(480);
    NoteMark* trill = AppendMark(note, 0, 54);
    trill->SetWord(40, 35);
    trill->SetWord(44, 1);
    trill->SetWord(46, 512);
    trill->SetByte(48, 60);
    NoteMark* text = AppendMark(note, 250, 48);
    text->SetCharacter(0x41);
    text->SetFont(FontRef{3, 12, 1, 0});

    const Bytes stored = Stored(note);
    ASSERT_EQ(int(stored.size()), note->RecordSizeField() - 4);
    // Bytes 20-23 and the first head's four flag bytes in stored bit order.
    EXPECT_EQ(Bytes(stored.begin() + 16, stored.begin() + 20), (Bytes{0xFD, 0x56, 0xA3, 2}));
    EXPECT_EQ(Bytes(stored.begin() + 20, stored.begin() + 24), (Bytes{0x42, 0x39, 0xDA, 0xE2}));
    EXPECT_EQ(Bytes(stored.begin() + 32, stored.begin() + 36), (Bytes{0xFF, 0xF0, 0xFF, 0xFD}));

    RecordBuf back;
    CBarItem* read = ReadStored(stored, back);
    EXPECT_EQ(Body(read), Body(note));
    auto* r = static_cast<CNote*>(read);
    EXPECT_EQ(r->Head(0)->Column(), -2);
    EXPECT_EQ(r->Head(0)->CrossStaffOffset(), 2);
    EXPECT_EQ(r->Head(0)->DotOffset(), -1);
    EXPECT_EQ(r->StemAdjust(), -3);
    EXPECT_EQ(r->GetMark(1)->Font().size, 12);
}

TEST_F(RecordStorageTest, PerformanceNoteRoundTrips) {
    RecordBuf buf;
    CRawNote* raw = CRawNote::Construct(buf.data());
    raw->SetHeadCountField(1);
    raw->Head(0)->SetPitch(60);
    raw->Head(0)->SetDuration(1000);
    raw->Head(0)->SetStartOffset(-20);
    raw->SetTimeField(100);
    const Bytes stored = Stored(raw);
    RecordBuf back;
    CBarItem* read = ReadStored(stored, back);
    EXPECT_EQ(read->TypeCode(), 112);
    EXPECT_EQ(Body(read), Body(raw));
    EXPECT_EQ(read->GetPlayStart(0), 80);
    EXPECT_EQ(read->GetPlayEnd(0), 1080);
}

TEST_F(RecordStorageTest, BeamWithSegmentsRoundTrips) {
    RecordBuf buf;
    CBeam* beam = CBeam::Construct(buf.data());
    beam->SetSegmentCount(3);
    beam->CBaseItem::SetSize(78);
    EXPECT_EQ(beam->GetWantedSize(), 78);
    beam->SetBeamFlags(0x15);     // beat beam, tremolo, hide inner
    beam->SetOffsetsByte(0x4F);   // start -1, end +1, no number
    rec::Put<std::uint8_t>(beam, CBeam::kTremoloStrokes, 2);
    beam->SetTwoLevelFlag(true);
    rec::Put<std::int8_t>(beam, CBeam::kStartStaffPos, -4);
    for (int i = 0; i < 3; ++i) {
        BeamSegment s = beam->Segment(i);
        s.SetFlags(std::uint8_t(((i + 1) << 5) | 0x05));
        s.Bytes()[1] = std::uint8_t(i);
        s.SetStartPosition(std::int16_t(100 * i));
        s.SetEndPosition(std::int16_t(900 - i));
        s.SetWord(BeamSegment::kStartInset, 120);
        s.SetWord(BeamSegment::kEndFine, std::int16_t(-15 * (i + 1)));
    }
    beam->SetPosition(0);
    const Bytes stored = Stored(beam);
    ASSERT_EQ(int(stored.size()), 74);
    EXPECT_EQ(stored[12], 0xA8) << "beam flags in stored bit order";
    EXPECT_EQ(stored[13], 0xE6) << "the two staff offsets from the high bit";
    EXPECT_EQ(stored[26], 0xA1) << "segment flags: five flags from the high bit, the level last";
    EXPECT_EQ(Bytes(stored.begin() + 34, stored.begin() + 36), (Bytes{0, 24})) << "inset / 5";

    RecordBuf back;
    auto* r = static_cast<CBeam*>(ReadStored(stored, back));
    EXPECT_EQ(Body(r), Body(beam));
    EXPECT_EQ(r->GetStartStaffOffset(), -1);
    EXPECT_EQ(r->GetEndStaffOffset(), 1);
    EXPECT_TRUE(r->IsCrossStaff());
    EXPECT_EQ(r->GetTremoloStrokes(), 2) << "the stroke count has its own byte";
    EXPECT_EQ(r->Segment(2).Word(BeamSegment::kEndFine), -45);
}

TEST_F(RecordStorageTest, OlderBeamGainsItsNewFields) {
    // A tremolo beam of two segments from a file of version 0x3FF: no colour bytes, no bytes
    // 22-29, the segment count standing for the stroke count, bit 4 meaning something else.
    SetLoadedFileVersion(0x3FF, 0);
    const Bytes segment = {0x21, 0, 0, 0, 0, 50, 0, 200, 0, 24, 0xFF, 0xE8, 0, 0, 0, 3};
    const Bytes stored = Cat({{0, 52, 16, 0, 0, 0, 0, 0, 0, 50}, {0x28, 0, 2, 1, 2, 3}, segment, segment});
    RecordBuf back;
    auto* beam = static_cast<CBeam*>(ReadStored(stored, back));
    ASSERT_EQ(beam->RecordSizeField(), 62);
    EXPECT_EQ(beam->SegmentCount(), 2);
    EXPECT_EQ(beam->BeamFlags(), 0x04) << "tremolo kept, the old bit 4 cleared";
    EXPECT_EQ(beam->GetTremoloStrokes(), 2);
    EXPECT_EQ(rec::Get<std::int8_t>(beam, CBeam::kStartStaffPos), 2);
    for (int i = 0; i < 2; ++i) {
        BeamSegment s = beam->Segment(i);
        EXPECT_EQ(s.Flags(), 0x24) << "first stem up, level 1";
        EXPECT_EQ(s.StartPosition(), 50);
        EXPECT_EQ(s.EndPosition(), 200);
        EXPECT_EQ(s.Word(BeamSegment::kStartInset), 120);
        EXPECT_EQ(s.Word(BeamSegment::kEndInset), -120);
        EXPECT_EQ(s.Word(BeamSegment::kEndFine), 15);
    }
}

TEST_F(RecordStorageTest, OlderBeamWithoutRoomToGrowIsDamage) {
    SetLoadedFileVersion(0x3FF, 0);
    const Bytes stored = Cat({{0, 36, 16, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 1, 1, 0, 0}, Bytes(16, 0)});
    RecordBuf back(40);
    EXPECT_THROW(ReadStored(stored, back), CArchiveException);
}

TEST_F(RecordStorageTest, OlderMarksGainTheirPlaybackAndStrokes) {
    // A note of version 0x3FF: its tremolo mark is a full record, its stroke count still in the
    // high half of the note's byte 22; a rest mark lacks its 32-byte playback setting.
    SetLoadedFileVersion(0x3FF, 0);
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    note->SetLinks(0x30);
    AppendMark(note, 32, 40);
    RecordBuf back;
    auto* n = static_cast<CNote*>(ReadStored(WithoutColourBytes(Stored(note)), back));
    EXPECT_EQ(n->GetMark(0)->GetByte(18), 3);
    EXPECT_EQ(n->Links(), 0);

    const Bytes rest = Cat({{0, 28, 128, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0x11, 5, 0}, {0, 8, 39, 0x10, 0, 2, 0, 3}});
    RecordBuf back2;
    auto* r = static_cast<CRest*>(ReadStored(rest, back2));
    ASSERT_EQ(r->RecordSizeField(), 62);
    NoteMark* m = r->GetMark(0);
    EXPECT_EQ(m->Size(), 40);
    EXPECT_EQ(m->Code(), 39);
    EXPECT_EQ(m->XOffset(), 10);
    EXPECT_EQ(m->YOffset(), 15);
    for (int b = 8; b < 40; ++b) EXPECT_EQ(m->GetByte(b), b == 19 || b == 20 ? 0xF6 : 0) << b;
}

TEST_F(RecordStorageTest, OlderTrillMarksTakeTheirFieldsFromTheNote) {
    SetLoadedFileVersion(0x3FF, 0);
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    note->SetNoteFlags(CRawNote::kShiftedRight);
    note->SetLinks(0x20);                       // level 2
    NoteMark* m = AppendMark(note, 1, 54);
    m->SetFlags(0x60);                          // the old fields: 2 and 1
    m->SetWord(46, 2100);
    RecordBuf back;
    auto* n = static_cast<CNote*>(ReadStored(WithoutColourBytes(Stored(note)), back));
    NoteMark* t = n->GetMark(0);
    EXPECT_EQ(t->GetByte(51), 1);
    EXPECT_EQ(n->NoteFlags() & CRawNote::kShiftedRight, 0);
    EXPECT_EQ(t->GetByte(52), 2);
    EXPECT_EQ(t->GetByte(53), 1);
    EXPECT_EQ(t->GetByte(49) >> 4, 2);
    EXPECT_EQ(t->GetByte(48), 120);
    EXPECT_EQ(t->Flags() & 0xF0, 0);
    EXPECT_EQ(n->Links(), 0);
    EXPECT_EQ(t->GetWord(46), 52) << "an end position past the bar moves into the bar count";
    EXPECT_EQ(t->GetWord(44), 2);
}

TEST_F(RecordStorageTest, MarkCodeRepairsByFileVersion) {
    g_draw.standardFontRefs[4].face = 7;
    struct Case {
        int version, build;
        int code;
        std::uint16_t character;
        std::uint16_t face;
        int wantCode;
        std::uint8_t wantFlags;
    };
    const Case cases[] = {
        {0x410, 25, 240, 'm', 0, 102, 0},     // an old letter mark becomes a text mark
        {0x410, 25, 240, 'x', 0, 240, 0},     // other characters keep it
        {0x410, 25, 250, 224, 7, 112, 0},     // music-font fingering characters get codes
        {0x410, 25, 250, 224, 3, 250, 0},     // in another face they stay
        {0x40F, 0, 5, 0, 0, 5, 0x10},         // glyph variant before 0x410
        {0x40F, 0, 4, 0, 0, 4, 0x40},
        {0x410, 0, 5, 0, 0, 5, 0},
    };
    for (const Case& c : cases) {
        SetLoadedFileVersion(std::uint16_t(c.version), std::uint16_t(c.build));
        RecordBuf buf;
        CNote* note = MakeNote(buf, 1);
        NoteMark* m = AppendMark(note, c.code, NoteMark::ClassSize(c.code));
        if (m->Size() >= 48) {
            m->SetCharacter(c.character);
            m->SetFont(FontRef{c.face, 12, 0, 0});
        }
        RecordBuf back;
        auto* n = static_cast<CNote*>(ReadStored(Stored(note), back));
        EXPECT_EQ(n->GetMark(0)->Code(), c.wantCode) << c.code << " " << c.character;
        EXPECT_EQ(n->GetMark(0)->Flags(), c.wantFlags) << c.code;
    }
}

TEST_F(RecordStorageTest, GraceValueAndPlaybackRepairsByBuild) {
    for (auto [version, build, wantValue, wantPlayback] :
         {std::tuple{0x402, 8, 4, 0}, std::tuple{0x402, 9, 6, 0}, std::tuple{0x400, 1, 4, 0xF6},
          std::tuple{0x400, 2, 4, 0}}) {
        SetLoadedFileVersion(std::uint16_t(version), std::uint16_t(build));
        RecordBuf buf;
        CNote* note = MakeNote(buf, 1, 6);
        note->SetFlagBit(CRawHead::kGraceBit, true);
        AppendMark(note, 20, 40);
        RecordBuf back;
        auto* n = static_cast<CNote*>(ReadStored(Stored(note), back));
        EXPECT_EQ(n->NoteValue(), wantValue) << version << "." << build;
        EXPECT_EQ(n->GetMark(0)->GetByte(19), wantPlayback) << version << "." << build;
        EXPECT_EQ(n->GetMark(0)->GetByte(20), wantPlayback) << version << "." << build;
    }
}

TEST_F(RecordStorageTest, OldestHeadsAndMarksAreRepairedWhenUnpacked) {
    // A packed block of the oldest format: memory byte order, no colour bytes, marks without
    // their playback setting, each head's play words in the old order.
    Bytes note = {0, 0, 144, 0, 0, 0, 0, 0, 0, 0};                 // head without bytes 14-15
    Bytes own = {0, 0, 0, 0x32, 0, 0, 0, 1};                       // quarter, one mark
    Bytes head = {0, 0, 0, 0, 0, 3, 0, 60, 90, 0, 0xA1, 0xA2, 0xB1, 0xB2, 0xC1, 0xC2};
    Bytes mark = {8, 0, 38, 0, 4, 0, 6, 0};
    Bytes packed = Cat({note, own, head, mark});
    packed[0] = std::uint8_t(packed.size());
    packed.insert(packed.end(), {16, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    RecordBuf out(512);
    g_model.recordRoom = 200;
    int revived = 0;
    UnpackItems(packed.data(), std::uint32_t(packed.size()), out.data(), 512, -1, &revived);
    ASSERT_EQ(revived, 2);
    auto* n = out.as<CNote>();
    EXPECT_EQ(n->RecordSizeField(), 80);
    const NoteHead* h = n->Head(0);
    EXPECT_EQ(h->Byte(10), 0xB1);
    EXPECT_EQ(h->Byte(11), 0xB2);
    EXPECT_EQ(h->Byte(12), 0xA1);
    EXPECT_EQ(h->Byte(13), 0xA2);
    EXPECT_EQ(h->Byte(14), 0xB1);
    EXPECT_EQ(h->Byte(15), 0xB2);
    NoteMark* m = n->GetMark(0);
    EXPECT_EQ(m->Size(), 40);
    EXPECT_EQ(m->XOffset(), 4);
    EXPECT_EQ(m->YOffset(), 6);
}

TEST_F(RecordStorageTest, DamagedCountsAndSizesAreReported) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    AppendMark(note, 20, 40);
    const Bytes good = Stored(note);

    Bytes zeroMark = good;                 // a mark of size 0 would never advance
    zeroMark[36] = 0;
    zeroMark[37] = 0;
    Bytes longMark = good;                 // a mark that runs past the record
    longMark[37] = 41;
    Bytes manyMarks = good;                // three marks named, one there
    manyMarks[15] = std::uint8_t((manyMarks[15] & 0x8F) | 0x30);
    Bytes manyHeads = good;                // four heads named, one there
    manyHeads[19] = 4;
    for (const Bytes& bad : {zeroMark, longMark, manyMarks, manyHeads}) {
        RecordBuf back;
        EXPECT_THROW(ReadStored(bad, back), CArchiveException);
    }

    RecordBuf chart;
    const Bytes bigCount = Cat({Head(26, 9), {0, 2, 0, 0, 4, 0, 0, 0, 0, 0}});
    EXPECT_THROW(ReadStored(bigCount, chart), CArchiveException);
    const Bytes negative = Cat({Head(26, 9), {0xFF, 0xFF, 0, 0, 4, 0, 0, 0, 0, 0}});
    EXPECT_THROW(ReadStored(negative, chart), CArchiveException);

    RecordBuf beam;
    const Bytes segments = Cat({Head(46, 16), {0, 0, 2, 0}, Bytes(26, 0)});
    EXPECT_THROW(ReadStored(segments, beam), CArchiveException);
}

TEST_F(RecordStorageTest, ShortChunkIsDamageNotStaleBytes) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    const Bytes stored = Stored(note);
    Bytes chunk = recordtest::Written([&](CChunkStream& s) {
        s.BeginChunk(MakeChunkTag("TEST"), -1);
        s.WriteBytes(stored.data(), std::uint32_t(stored.size() - 6));
        s.EndChunk(-1);
    });
    recordtest::Reader r(chunk);
    r.stream.BeginReadChunk(MakeChunkTag("TEST"));
    RecordBuf back(512);
    std::memset(back.data(), 0xEE, 512);
    CBarItem* item = CBarItem::Construct(back.data());
    fw::ScopedGlobal<std::int32_t> room(g_model.recordRoom, 512);
    EXPECT_THROW(item->Read(r.stream), CArchiveException);
}

TEST_F(RecordStorageTest, TrailingBytesKeepTheStoredSize) {
    // A note whose record is longer than it needs (a head removed, not yet compacted) still
    // writes exactly as many bytes as its size says.
    RecordBuf buf;
    CNote* note = MakeNote(buf, 3);
    note->Head(0)->SetPosition(-2);
    note->Head(1)->SetPosition(0);
    note->Head(2)->SetPosition(2);
    AppendMark(note, 20, 40, 0);
    note->RemoveHead(0);
    EXPECT_EQ(note->RecordSizeField(), 112);
    EXPECT_EQ(note->GetWantedSize(), 96);
    const Bytes stored = Stored(note);
    EXPECT_EQ(int(stored.size()), 108);
    RecordBuf back;
    CBarItem* read = ReadStored(stored, back);
    EXPECT_EQ(read->RecordSizeField(), 96) << "the reader fits the record to what it holds";
}

TEST_F(RecordStorageTest, UnpackedRecordsKeepTheirCountsInsideTheRecord) {
    // Packed records do not pass the reader's checks: a mark of size 0 and a head count past
    // the record are cut back when the records are revived.
    Bytes note = {0, 0, 144, 0, 0, 0, 0, 0, 0, 0};
    Bytes own = {0, 0, 0, 0x36, 0, 0, 0, 1};          // quarter, three marks named
    Bytes head(16, 0);
    Bytes mark = {0, 0, 20, 0, 0, 0, 0, 0};            // size 0
    Bytes packed = Cat({note, own, head, mark});
    packed[0] = std::uint8_t(packed.size());
    Bytes heads = {0, 0, 144, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x30, 0, 0, 0, 9};   // nine heads named
    heads.insert(heads.end(), 16, 0);
    heads[0] = std::uint8_t(heads.size());
    Bytes block = Cat({packed, heads, {16, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    SetLoadedFileVersion(0x410, 25);
    RecordBuf out(512);
    int revived = 0;
    UnpackItems(block.data(), std::uint32_t(block.size()), out.data(), 512, -1, &revived);
    ASSERT_EQ(revived, 3);
    auto* first = out.as<CNote>();
    EXPECT_EQ(first->MarkCount(), 0);
    auto* second = static_cast<CNote*>(first->NextItem());
    EXPECT_EQ(second->HeadCountField(), 1);
    EXPECT_TRUE(second->IsRemoved());
}
