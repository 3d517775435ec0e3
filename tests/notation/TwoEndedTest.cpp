// Ties, slurs and tuplets: their stored form, the tie builder and the tuplet's initialiser and
// fit, their ends on the page, their hits, drag steps, automatic shapes and removal.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "NotationTestSupport.h"
#include "ScoreDrawSupport.h"
#include "framework/Memory.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/NotationGlobals.h"
#include "notation/Rest.h"
#include "notation/TieType.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"

using namespace notetest;

namespace {

// A record of the kind in a buffer: its class, size and zero fields.
template <typename T>
T* Make(RecordBuf& buf, int size = T::kSize) {
    rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(size));
    return static_cast<T*>(ConstructItem(T::kType, buf.data()));
}

// The stored bytes of a record after its bar-item head (the stored head is 12 bytes).
Bytes StoredBody(CScoreItem* item) {
    Bytes all = Stored(item);
    return Bytes(all.begin() + 12, all.end());
}

class TwoEndedRecordTest : public NotationTest {};

}  // namespace

// --- stored form ----------------------------------------------------------------------------------

TEST_F(TwoEndedRecordTest, TheSharedFieldsAreStoredInTheirFileOrder) {
    RecordBuf buf;
    CTie* tie = Make<CTie>(buf);
    tie->SetStartStaffOffset(-1);
    tie->SetEndStaffOffset(2);
    tie->SetAboveBit(true);
    tie->SetPitch(127);
    tie->SetFixedPosition(true);
    tie->SetStartY(-3);
    tie->SetEndBarOffset(1);
    tie->SetEndPositionField(0x0102);
    tie->SetStartDx(-360);
    tie->SetEndDy(82);
    tie->SetHeight(-120);
    const Bytes body = StoredBody(tie);
    ASSERT_EQ(body.size(), std::size_t(CTie::kSize - 16));
    EXPECT_EQ(body[0], 0xBA) << "above in bit 7, the start offset -1 in bits 5-3, the end offset 2 in bits 2-0";
    EXPECT_EQ(body[1], 0xFF) << "the fixed flag in the top bit, pitch 127 below it";
    EXPECT_EQ(Bytes(body.begin() + 2, body.begin() + 4), (Bytes{0xFF, 0xFD})) << "start y big-endian";
    EXPECT_EQ(Bytes(body.begin() + 8, body.begin() + 10), (Bytes{0x01, 0x02})) << "end position";
    EXPECT_EQ(Bytes(body.begin() + 10, body.begin() + 12), (Bytes{0xFF, 0xB8})) << "start dx -360 / 5";
    EXPECT_EQ(Bytes(body.begin() + 16, body.begin() + 18), (Bytes{0x00, 0x10})) << "end dy 82 / 5, toward zero";
    EXPECT_EQ(Bytes(body.begin() + 18, body.begin() + 20), (Bytes{0xFF, 0xE8})) << "the height -120 / 5";

    tie->SetPitch(60);
    tie->SetFixedPosition(false);
    EXPECT_EQ(StoredBody(tie)[1], 0x3C);

    RecordBuf back;
    CBarItem* read = ReadStored(Stored(tie), back);
    auto* again = static_cast<CTie*>(read);
    EXPECT_EQ(again->StartStaffOffset(), -1);
    EXPECT_EQ(again->EndStaffOffset(), 2);
    EXPECT_TRUE(again->AboveBit());
    EXPECT_EQ(again->Pitch(), 60);
    EXPECT_EQ(again->StartDx(), -360);
    EXPECT_EQ(again->EndDy(), 80) << "a coordinate keeps what its fifth holds";
    EXPECT_EQ(again->Height(), -120);
}

TEST_F(TwoEndedRecordTest, EveryValueOfTheFlagBytesRoundTrips) {
    for (int v = 0; v < 256; ++v) {
        const auto b = std::uint8_t(v);
        EXPECT_EQ(CTieType::EndFlagsFromFile(CTieType::EndFlagsToFile(b)), b) << "byte 16 value " << v;
        EXPECT_EQ(CTieType::PitchByteFromFile(CTieType::PitchByteToFile(b)), b) << "byte 17 value " << v;
        EXPECT_EQ(CTieType::EndFlagsToFile(CTieType::EndFlagsFromFile(b)), b) << "file byte 16 value " << v;
        EXPECT_EQ(CTieType::PitchByteToFile(CTieType::PitchByteFromFile(b)), b) << "file byte 17 value " << v;
    }
}

// The in-place conversion to file order gives the bytes the writer writes, and reading them back
// gives the record again: the coordinates are divided by 5, not multiplied.
TEST_F(TwoEndedRecordTest, ToFileOrderIsTheExactInverseOfFromFileOrder) {
    struct Case {
        const char* what;
        int type, size;
    };
    for (const Case& c : {Case{"tie", CTie::kType, CTie::kSize}, Case{"slur", CSlur::kType, CSlur::kSize},
                          Case{"tuplet", CTuplet::kType, CTuplet::kSize}}) {
        SCOPED_TRACE(c.what);
        RecordBuf buf;
        rec::Put<std::int16_t>(buf.data(), rec::kSize, std::int16_t(c.size));
        auto* item = static_cast<CTieType*>(ConstructItem(c.type, buf.data()));
        for (int at = 16; at < c.size; ++at) item->Bytes()[at] = std::uint8_t(at * 7);
        for (int at = CTieType::kStartDx; at <= CTieType::kEndDy; at += 2) item->PutWord(at, (at - 30) * 25);
        if (c.type == CTie::kType) item->PutWord(CTie::kHeight, -105);
        if (c.type == CSlur::kType) {
            item->PutWord(CSlur::kControl1Y, 300);
            item->PutWord(CSlur::kControl2Y, -60);
            item->PutWord(CSlur::kPercent, 90);
        }
        if (c.type == CTuplet::kType)
            for (int at : {CTuplet::kHook, CTuplet::kNumberDx, CTuplet::kNumberDy}) item->PutWord(at, -at * 5);
        const Bytes memory(item->Bytes() + 16, item->Bytes() + c.size);
        const Bytes written = StoredBody(item);
        RecordBuf copy;
        std::memcpy(copy.data(), item, std::size_t(c.size));
        auto* converted = reinterpret_cast<CTieType*>(copy.data());
        converted->ToFileOrder();
        EXPECT_EQ(Bytes(copy.data() + 16, copy.data() + c.size), written) << "the raw path writes what the writer writes";
        rec::Put<std::int16_t>(copy.data(), rec::kSize, std::int16_t(c.size));
        converted->FromFileOrder();
        EXPECT_EQ(Bytes(copy.data() + 16, copy.data() + c.size), memory);
    }
}

// A slur of a file before the playback setting: it gains the setting zeroed and its full size,
// and its two words at 42 and 44 read as the newer files' do.
TEST_F(TwoEndedRecordTest, AnOlderSlurGainsAZeroedPlaybackSetting) {
    RecordBuf buf;
    CSlur* slur = Make<CSlur>(buf, CSlur::kOldSize);
    slur->PutWord(CSlur::kEndTimeAdjust, 0x0102);
    slur->PutWord(CSlur::kPercent, 80);
    slur->PutWord(CSlur::kControl1X, 256);
    const Bytes old = WithoutColourBytes(Stored(slur));
    SetLoadedFileVersion(0x3FF, 0);
    RecordBuf back(256);
    std::memset(back.data(), 0xEE, back.bytes.size());
    auto* read = static_cast<CSlur*>(ReadStored(old, back));
    EXPECT_EQ(read->RecordSizeField(), CSlur::kSize);
    EXPECT_EQ(read->Word(CSlur::kEndTimeAdjust), 0x0102);
    EXPECT_EQ(read->Word(CSlur::kPercent), 80);
    EXPECT_EQ(read->Word(CSlur::kControl1X), 256);
    for (int at = CSlur::kPlayback; at < CSlur::kSize; ++at) EXPECT_EQ(read->Bytes()[at], 0) << "setting byte " << at;

    // A percentage below 51 reads as 100.
    slur->PutWord(CSlur::kPercent, 50);
    SetLoadedFileVersion(0x410, 0);
    RecordBuf again;
    EXPECT_EQ(static_cast<CSlur*>(ReadStored(Stored(slur), again))->Word(CSlur::kPercent), 100);
}

// --- the tie builder ------------------------------------------------------------------------------

namespace {

struct HeadSpec {
    int position, pitch, shift = 0;
    bool selected = false;
};

CNote* NoteOf(RecordBuf& buf, std::vector<HeadSpec> heads, int value, bool stemUp, int dots = 0, bool slash = false) {
    CNote* note = MakeNote(buf, int(heads.size()), value);
    note->SetStemUpBit(stemUp);
    note->SetTimeField(480);
    note->SetPositionField(256);
    note->SetFlags(std::uint8_t((note->Flags() & 0x3F) | dots << 6));
    if (slash) note->SetFlagBit(CRawHead::kSlashBit, true);
    for (std::size_t k = 0; k < heads.size(); ++k) {
        NoteHead* h = note->Head(int(k));
        h->SetPosition(heads[k].position);
        h->SetPitch(heads[k].pitch);
        h->SetColumn(heads[k].shift);
        if (heads[k].selected) h->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    }
    return note;
}

std::vector<CTie*> Ties(HandleBuffer& out) {
    std::vector<CTie*> ties;
    auto* p = static_cast<std::uint8_t*>(out.GetData());
    for (std::uint32_t at = 0; p && at < out.GetSize(); at += CTie::kSize) ties.push_back(reinterpret_cast<CTie*>(p + at));
    return ties;
}

}  // namespace

TEST_F(TwoEndedRecordTest, TheTieBuilderSidesAndShapesEachHeadsTie) {
    struct Case {
        const char* what;
        std::vector<HeadSpec> heads;
        int value;
        bool stemUp;
        int dots;
        std::vector<int> heights;   // one per tie
        std::vector<int> dys;       // both ends' vertical offset
        std::vector<int> startDxs;
    };
    const Case cases[] = {
        {"a quarter, stem up, on a line: below", {{-2, 64}}, 3, true, 0, {-120}, {82}, {0}},
        {"a quarter, stem up, in a space", {{-3, 62}}, 3, true, 0, {-120}, {30}, {0}},
        {"an eighth, stem down: above and flatter", {{-2, 64}}, 5, false, 0, {90}, {-82}, {0}},
        {"a whole note starts 15 further in", {{-2, 64}}, 0, true, 0, {-120}, {82}, {15}},
        {"a chord: top above, bottom below, the middle by its position", {{-4, 60}, {-2, 64}, {0, 67}}, 3, true, 0,
         {-120, -120, 120}, {82, 82, -82}, {30, 30, 30}},
        {"a chord's middle head above the middle line goes above", {{-1, 60}, {1, 64}, {3, 67}}, 3, true, 0,
         {-120, 120, 120}, {30, -30, -30}, {30, 30, 30}},
        {"a dotted chord of three: past the dots", {{-4, 60}, {-2, 64}, {0, 67}}, 3, true, 1,
         {-120, -120, 120}, {82, 82, -82}, {150, 150, 150}},
        {"a head shifted right starts one head further", {{-2, 64, 1}, {-1, 65}}, 3, true, 0, {-120, 120}, {82, -30},
         {150, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordBuf buf;
        CNote* note = NoteOf(buf, c.heads, c.value, c.stemUp, c.dots);
        HandleBuffer out;
        ASSERT_TRUE(CTie::BuildForNote(note, 0, 100, 1, &out, false));
        const std::vector<CTie*> ties = Ties(out);
        ASSERT_EQ(ties.size(), c.heads.size());
        for (std::size_t k = 0; k < ties.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(ties[k]->Height(), c.heights[k]);
            EXPECT_EQ(ties[k]->AboveBit(), c.heights[k] > 0);
            EXPECT_EQ(ties[k]->StartDy(), c.dys[k]);
            EXPECT_EQ(ties[k]->EndDy(), c.dys[k]);
            EXPECT_EQ(ties[k]->StartDx(), c.startDxs[k]);
            EXPECT_EQ(ties[k]->StartY(), c.heads[k].position);
            EXPECT_EQ(ties[k]->EndY(), c.heads[k].position);
            EXPECT_EQ(ties[k]->Pitch(), c.heads[k].pitch);
            EXPECT_EQ(ties[k]->EndBarOffset(), 1) << "end time 0: the next bar";
            EXPECT_EQ(ties[k]->EndPositionField(), 100);
            EXPECT_EQ(ties[k]->TimeField(), 480);
            EXPECT_EQ(ties[k]->PositionField(), 256);
        }
        out.Free();
    }
}

TEST_F(TwoEndedRecordTest, TheTieBuilderTakesSelectedHeadsSlashHeadsAndReportsMemory) {
    {
        SCOPED_TRACE("selected heads only, which lose their selection");
        RecordBuf buf;
        CNote* note = NoteOf(buf, {{-4, 60}, {-2, 64, 0, true}}, 3, true);
        HandleBuffer out;
        ASSERT_TRUE(CTie::BuildForNote(note, 960, 100, 1, &out, true));
        ASSERT_EQ(Ties(out).size(), 1u);
        EXPECT_EQ(Ties(out)[0]->Pitch(), 64);
        EXPECT_EQ(Ties(out)[0]->EndBarOffset(), 0);
        EXPECT_FALSE(note->Head(1)->Byte(NoteHead::kShapeByte) & NoteHead::kSelected);
        out.Free();
    }
    {
        SCOPED_TRACE("a slash note: fixed position, the side against the stem");
        RecordBuf buf;
        CNote* note = NoteOf(buf, {{0, 71}}, 3, false, 0, true);
        HandleBuffer out;
        ASSERT_TRUE(CTie::BuildForNote(note, 0, 0, 1, &out, false));
        ASSERT_EQ(Ties(out).size(), 1u);
        EXPECT_TRUE(Ties(out)[0]->HasFixedPosition());
        EXPECT_TRUE(Ties(out)[0]->AboveBit());
        out.Free();
    }
    {
        SCOPED_TRACE("out of memory");
        RecordBuf buf;
        CNote* note = NoteOf(buf, {{-4, 60}, {-2, 64}}, 3, true);
        HandleBuffer out;
        fw::memtest::FailAfter(0);
        EXPECT_FALSE(CTie::BuildForNote(note, 0, 0, 1, &out, false));
        fw::memtest::Reset();
        out.Free();
    }
}

// --- the tuplet's initialiser and fit ----------------------------------------------------------------

TEST_F(TwoEndedRecordTest, ATupletIsInitialisedByItsKind) {
    struct Case {
        int kind, hook;
        std::uint8_t shape;
        int numberDy, dy;
    };
    const Case cases[] = {
        {3, 120, CTuplet::kBracketBit, -105, -120},
        {3, -120, CTuplet::kBracketBit, 105, 240},
        {1, 120, CTuplet::kCurvedBit, -105, -120},
        {2, 120, CTuplet::kCurvedBit | CTuplet::kClearBit, 0, -120},
        {4, -120, CTuplet::kBracketBit | CTuplet::kClearBit, 0, 240},
        {0, 120, 0, 60, -120},
        {0, -120, 0, -60, 240},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " hook " << c.hook);
        alignas(8) std::uint8_t bytes[CTuplet::kSize];
        CTuplet* t = CTuplet::Init(bytes, 1, c.hook, c.kind, 5, 4, 2, 480, 279, 3, -1, 600, 4, 1);
        EXPECT_EQ(t->RecordSizeField(), CTuplet::kSize);
        EXPECT_EQ(t->Shape(), c.shape | CTuplet::kRatioBit);
        EXPECT_EQ(t->NumberDy(), c.numberDy);
        EXPECT_EQ(t->StartDy(), c.dy);
        EXPECT_EQ(t->EndDy(), c.dy);
        EXPECT_EQ(t->EndDx(), 124);
        EXPECT_EQ(t->Number(), 5);
        EXPECT_EQ(t->SecondNumber(), 4);
        EXPECT_EQ(t->VoiceField(), 2);
        EXPECT_EQ(t->TimeField(), 480);
        EXPECT_EQ(t->PositionField(), 279);
        EXPECT_EQ(t->StartY(), 3);
        EXPECT_EQ(t->StartStaffOffset(), -1);
        EXPECT_EQ(t->EndPositionField(), 600);
        EXPECT_EQ(t->EndY(), 4);
        EXPECT_EQ(t->EndStaffOffset(), 1);
    }
}

TEST_F(TwoEndedRecordTest, FitToNotesFillsTheSpecificationAndMarksTheMembers) {
    RecordBuf a, b, c;
    CNote* first = NoteOf(a, {{-2, 64}}, 4, true);
    first->SetTimeField(0);
    CRest* rest = CRest::Construct(b.data());
    rest->SetNoteValue(4);
    rest->SetStaffPos(4);
    rest->SetTimeField(160);
    CNote* last = NoteOf(c, {{0, 71}}, 4, false);
    last->SetTimeField(320);
    CBarItem* entries[] = {first, nullptr, rest, last};
    TupletSpec spec;
    spec.number = 3;
    spec.secondNumber = 2;
    CTuplet::FitToNotes(entries, 4, spec);
    EXPECT_EQ(spec.side, 1) << "the first note's stem is up";
    EXPECT_EQ(spec.startY, first->GetAttachY(true, false));
    EXPECT_EQ(spec.endY, last->GetAttachY(true, false));
    EXPECT_EQ(spec.length, 120);
    EXPECT_EQ(spec.startTime, 0);
    EXPECT_EQ(spec.endTime, 320);
    EXPECT_EQ(spec.noteValue, 4) << "three eighths: an eighth each";
    for (CRawHead* m : {static_cast<CRawHead*>(first), static_cast<CRawHead*>(rest), static_cast<CRawHead*>(last)}) {
        EXPECT_TRUE(m->IsTupletMember());
        EXPECT_EQ(m->TupletCount(), 3);
        EXPECT_EQ(rec::Get<std::uint8_t>(m, CRawHead::kTupletSpace), 2);
    }

    TupletSpec untouched;
    untouched.startY = 77;
    CBarItem* none[] = {nullptr, nullptr};
    CTuplet::FitToNotes(none, 2, untouched);
    CTuplet::FitToNotes(none, 0, untouched);
    EXPECT_EQ(untouched.startY, 77) << "no notes: nothing filled";
    EXPECT_EQ(untouched.length, 0);
}
