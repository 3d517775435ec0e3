// Ties, slurs and tuplets: their stored form, the tie builder and the tuplet's initialiser and
// fit, their ends on the page, their hits, drag steps, automatic shapes and removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "NotationTestSupport.h"
#include "ScoreDrawSupport.h"
#include "framework/Arith.h"
#include "framework/Memory.h"
#include "model/DragTask.h"
#include "model/ItemFactory.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/TieType.h"
#include "model/TrkBar.h"
#include "model/TrkBarWalk.h"
#include "notation/NotationGlobals.h"
#include "notation/NoteStandIns.h"
#include "notation/Rest.h"
#include "notation/TieType.h"
#include "platform/Handles.h"
#include "platform/PlatformGlobals.h"
#include "platform/PortLayer.h"

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

TEST_F(TwoEndedRecordTest, ATupletsOwnFieldsAreStoredInTheirFileOrder) {
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* t = CTuplet::Init(bytes, 1, -120, 4, 5, 4, 0, 0, 0, 3, 0, 500, 3, 0);
    t->PutByte(CTuplet::kReserved, 0x5A);
    t->SetNumberDx(-25);
    const Bytes body = StoredBody(t);
    const int at = CTuplet::kShape - 16;
    EXPECT_EQ(body[at], 0x80 | 0x20 | 0x10) << "bracket in file bit 7, clear in 5, ratio in 4";
    EXPECT_EQ(body[at + 1], 0x5A) << "the reserved byte raw";
    EXPECT_EQ(Bytes(body.begin() + at + 2, body.begin() + at + 4), (Bytes{0xFF, 0xE8})) << "hook -120 / 5";
    EXPECT_EQ(body[at + 4], 5);
    EXPECT_EQ(body[at + 5], 4);
    EXPECT_EQ(Bytes(body.begin() + at + 6, body.begin() + at + 8), (Bytes{0xFF, 0xFB})) << "number dx -25 / 5";
    EXPECT_EQ(Bytes(body.begin() + at + 8, body.begin() + at + 10), (Bytes{0x00, 0x00})) << "number dy 0 (cleared box)";
    RecordBuf back;
    auto* read = static_cast<CTuplet*>(ReadStored(Stored(t), back));
    EXPECT_EQ(read->Shape(), t->Shape());
    EXPECT_EQ(read->Hook(), -120);
    EXPECT_EQ(read->NumberDx(), -25);
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
    TupletMake make;
    make.number = 3;
    make.secondNumber = 2;
    CTuplet::FitToNotes(entries, 4, make);
    EXPECT_EQ(make.side, 1) << "the first note's stem is up";
    EXPECT_EQ(make.startY, first->GetAttachY(true, false));
    EXPECT_EQ(make.endY, last->GetAttachY(true, false));
    EXPECT_EQ(make.length, 120);
    EXPECT_EQ(make.startTime, 0);
    EXPECT_EQ(make.endTime, 320);
    EXPECT_EQ(make.noteValue, 4) << "three eighths: an eighth each";
    for (CRawHead* m : {static_cast<CRawHead*>(first), static_cast<CRawHead*>(rest), static_cast<CRawHead*>(last)}) {
        EXPECT_TRUE(m->IsTupletMember());
        EXPECT_EQ(m->TupletCount(), 3);
        EXPECT_EQ(rec::Get<std::uint8_t>(m, CRawHead::kTupletSpace), 2);
    }

    TupletMake untouched;
    untouched.startY = 77;
    CBarItem* none[] = {nullptr, nullptr};
    CTuplet::FitToNotes(none, 2, untouched);
    CTuplet::FitToNotes(none, 0, untouched);
    EXPECT_EQ(untouched.startY, 77) << "no notes: nothing filled";
    EXPECT_EQ(untouched.length, 0);
}

// --- on the page: ends, hits, drags, shapes, removal -------------------------------------------------

namespace {

class TwoEndedPageTest : public notedraw::ScoreDrawTest {
protected:
    // A copy of the record in track 0's bar b, that bar current.
    template <typename T>
    T* Put(int b, T* record) {
        CTrkBar* tb = Current(0, b);
        auto* placed = static_cast<T*>(tb->InsertCopy(record));
        tb->SetCurrent();
        return placed;
    }
    // A note of one head of voice 0 at a column of track 0's bar b.
    CNote* PutNote(int b, int time, int column, int position, bool stemUp, std::uint8_t links = 0, int voice = 0) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, 1, 3);
        note->SetTimeField(std::int16_t(time));
        note->SetPositionField(std::int16_t(column));
        note->SetVoice(voice);
        note->Head(0)->SetPosition(position);
        note->Head(0)->SetPitch(60 + position);
        note->Head(0)->SetDuration(0);
        note->SetStemUpBit(stemUp);
        note->SetLinks(links);
        return Put(b, note);
    }
    // The live record of a type at a column (the last one put there may have moved the others).
    template <typename T>
    T* Find(int b, int type, int column, int voice = 0) {
        T* found = nullptr;
        trkbar::ForEachLiveItem(Current(0, b), [&](CBarItem* r) {
            if (!found && r->TypeCode() == type && r->PositionField() == column && r->VoiceField() == voice)
                found = static_cast<T*>(r);
        });
        return found;
    }
    static const TieTypeBehaviour& B(CBarItem* item) { return TieTypeBehaviour::Of(*item); }
    std::vector<POINT> Handles(CTieType* item) {
        POINT p[TieTypeBehaviour::kMaxPoints];
        const int n = B(item).HandlePoints(*item, p, true);
        return std::vector<POINT>(p, p + n);
    }
    std::vector<POINT> Points(CTieType* item) {
        POINT p[TieTypeBehaviour::kMaxPoints];
        const int n = B(item).GetPoints(*item, p);
        return std::vector<POINT>(p, p + n);
    }
    // A tie in the fixture's own buffer, until Put copies it into a bar.
    CTie* NewTie(int column, int endColumn, int position, int height) {
        CTie* tie = CTie::Init(tieBytes, 0, 0, column, endColumn, position, 0, false, height > 0, false);
        tie->SetHeight(height);
        return tie;
    }
    CSlur* NewSlur(RecordBuf& buf, int column, int endColumn) {
        CSlur* slur = Make<CSlur>(buf);
        slur->SetPositionField(std::int16_t(column));
        slur->SetEndPositionField(endColumn);
        return slur;
    }
    alignas(8) std::uint8_t tieBytes[CTie::kSize] = {};
};

// A fresh drag step of the given moves (the drag task is its own drag state).
void Step(CDragTask& d, int dx, int dy, int positionStep = 0) {
    static_cast<DragState&>(d) = DragState{};
    d.dx = dx;
    d.dy = dy;
    d.positionStep = positionStep;
    d.moved = 1;
}

}  // namespace

TEST_F(TwoEndedPageTest, AnEndPastTheLastBarIsPulledBackIntoItsOwnBar) {
    const int b = score->GetBarCount() - 2;
    RecordBuf buf;
    CSlur* slur = NewSlur(buf, 100, 300);
    slur->SetEndBarOffset(2);
    CSlur* placed = Put(b, slur);
    POINT start{}, end{};
    placed->GetEndPoints(&start, &end);
    EXPECT_EQ(placed->EndBarOffset(), 0);
    EXPECT_EQ(placed->EndPositionField(), 1023);
    EXPECT_EQ(end.x, Bar()->SpanPositionToX(0, 1023, 0, true));
    EXPECT_EQ(start.x, Bar()->PositionToItemX(100, 0));

    // One bar on from the same bar stays.
    CSlur* inside = Put(b, NewSlur(buf, 100, 300));
    inside->SetEndBarOffset(1);
    inside->GetEndPoints(&start, &end);
    EXPECT_EQ(inside->EndBarOffset(), 1);
    EXPECT_EQ(inside->EndPositionField(), 300);
}

// Measuring a system's staves (as the page's collision pass does) takes each bar's items with
// that bar current: a tie into the last bar keeps its end whatever bar earlier work left current.
TEST_F(TwoEndedPageTest, MeasuringAStaffKeepsATieIntoTheLastBar) {
    const int b = score->GetBarCount() - 2;
    PutNote(b, 1440, 800, 0, true);
    Find<CNote>(b, CNote::kType, 800)->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    CTie* tie = NewTie(800, 0, 0, 120);
    tie->SetTimeField(1440);
    tie->SetEndBarOffset(1);
    Put(b, tie);
    PutNote(b + 1, 0, 0, 0, true)->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
    CLine* line = score->GetBar(b)->GetLine();
    ASSERT_NE(line, nullptr);
    g_model.currentBar = score->GetBar(b + 1);
    line->GetStaffExtent(0, nullptr);
    CTie* kept = Find<CTie>(b, CTie::kType, 800);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->EndBarOffset(), 1);
    EXPECT_EQ(kept->EndPositionField(), 0);
}

TEST_F(TwoEndedPageTest, FixedPositionEndsTakeTheStaffOrTheTupletsNotes) {
    CTie* tie = Put(0, NewTie(100, 300, 5, -120));
    tie->SetFixedPosition(true);
    EXPECT_EQ(B(tie).GetEndY(*tie, 0), notation::CurrentSlashPosition());
    EXPECT_EQ(B(tie).GetEndY(*tie, 1), notation::CurrentSlashPosition());
    tie->SetFixedPosition(false);
    EXPECT_EQ(B(tie).GetEndY(*tie, 0), 5);

    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* t = Put(1, CTuplet::Init(bytes, 0, 120, 3, 3, 2, 0, 0, 100, 9, 0, 300, 9, 0));
    t->SetFixedPosition(true);
    EXPECT_EQ(B(t).GetEndY(*t, 0), notation::CurrentSlashPosition() + 3) << "no note: above the staff's position";
    t->SetHook(-120);
    EXPECT_EQ(B(t).GetEndY(*t, 1), notation::CurrentSlashPosition() - 6) << "no note: below it";
    CNote* note = PutNote(1, 0, 200, -2, true);
    const int below = note->GetAttachY(false, false), above = note->GetAttachY(true, false);
    t = Find<CTuplet>(1, CTuplet::kType, 100);
    EXPECT_EQ(B(t).GetEndY(*t, 0), below - 1);
    t->SetHook(120);
    EXPECT_EQ(B(t).GetEndY(*t, 1), above + 1);
}

TEST_F(TwoEndedPageTest, ATieIsHitOnItsHandlesOnly) {
    CTie* tie = Put(0, NewTie(100, 600, -2, -120));
    const std::vector<POINT> h = Handles(tie);
    ASSERT_EQ(h.size(), 3u);
    struct Case {
        const char* what;
        POINT at;
        bool hit;
        int part;
    };
    const Case cases[] = {
        {"the start handle", h[0], true, 0},
        {"the apex handle", h[1], true, 1},
        {"the end handle", h[2], true, 2},
        {"the curve between the start and the apex", POINT{(h[0].x + h[1].x) / 2, (h[0].y + h[1].y) / 2}, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tie->HitTestShape(c.at.x, c.at.y), c.hit);
        EXPECT_EQ(g_model.hitPart, c.part);
    }
}

TEST_F(TwoEndedPageTest, ASlurIsHitOnItsCurveWithinTwo) {
    RecordBuf buf;
    CSlur* slur = NewSlur(buf, 50, 900);
    slur->PutWord(CSlur::kControl1X, 256);
    slur->PutWord(CSlur::kControl2X, 768);
    slur->PutWord(CSlur::kControl1Y, -240);
    slur->PutWord(CSlur::kControl2Y, -240);
    slur = Put(0, slur);
    std::vector<POINT> p = Points(slur);
    ASSERT_EQ(p.size(), 4u);
    const int span = p[3].x - p[0].x;
    EXPECT_EQ(p[1].x - p[0].x, MulDiv(span, 256, 1024)) << "a quarter of the span";
    EXPECT_EQ(p[2].x - p[0].x, MulDiv(span, 768, 1024)) << "three quarters";
    POINT line[11];
    ASSERT_EQ(FlattenBezier(p.data(), line, 10), 11);
    const int x = (line[5].x + line[6].x) / 2;
    const int y = Interpolate(line[5].x, line[5].y, line[6].x, line[6].y, x);
    EXPECT_TRUE(slur->HitTestShape(x, y - 2));
    EXPECT_EQ(g_model.hitPart, 4);
    EXPECT_FALSE(slur->HitTestShape(x, y - 3));
    EXPECT_TRUE(slur->HitTestShape(p[2].x, p[2].y));
    EXPECT_EQ(g_model.hitPart, 2) << "a control point's handle";
}

TEST_F(TwoEndedPageTest, ATupletIsHitOnItsNumberBracketOrCurve) {
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* t = Put(0, CTuplet::Init(bytes, 0, 120, 3, 3, 2, 0, 0, 100, 6, 0, 700, 6, 0));
    std::vector<POINT> p = Points(t);
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].y - p[1].y, staff->ScaleOffset(120)) << "the hook runs from the end";
    const int s = staff->Space();
    EXPECT_TRUE(t->HitTestShape(p[4].x + s / 2, p[4].y - s / 2));
    EXPECT_EQ(g_model.hitPart, 4) << "the number's box";
    const int x = (p[1].x + 3 * p[2].x) / 4;
    EXPECT_TRUE(t->HitTestShape(x, Interpolate(p[1].x, p[1].y, p[2].x, p[2].y, x) + 1));
    EXPECT_EQ(g_model.hitPart, TieTypeBehaviour::kWholeItem) << "the bracket";
    EXPECT_FALSE(t->HitTestShape(x, Interpolate(p[1].x, p[1].y, p[2].x, p[2].y, x) + 3));
    EXPECT_FALSE(t->HitTestShape(p[3].x + 20, p[3].y)) << "right of the bracket";

    t->SetShape(CTuplet::kCurvedBit);
    p = Points(t);
    POINT line[11];
    const POINT curve[4] = {p[0], p[1], p[2], p[3]};
    FlattenBezier(curve, line, 10);
    EXPECT_TRUE(t->HitTestShape(line[7].x, line[7].y));
    EXPECT_EQ(g_model.hitPart, TieTypeBehaviour::kWholeItem) << "the curve";
    t->SetShape(0);
    EXPECT_FALSE(t->HitTestShape(line[7].x, line[7].y)) << "no line: only the number and the handles";
}

TEST_F(TwoEndedPageTest, DragStepsMoveThePartHit) {
    CTie* tie = Put(0, NewTie(100, 600, -2, 0));
    tie->SetStartDy(0);
    tie->SetEndDy(0);
    struct Case {
        const char* what;
        int part;
        bool alt;
        int dx, dy;
        int height, startDx, startDy, endDx;
    };
    const Case cases[] = {
        {"the apex down 10 lowers the curve by 10", 1, false, 0, 10, -10, 0, 0, 0},
        {"the start handle", 0, false, 4, 6, -10, 4, 6, 0},
        {"the end handle moves end dx and the shared vertical offset", 2, false, 5, 7, -10, 4, 13, 5},
        {"with Alt the whole tie", 1, true, 3, 2, -10, 7, 15, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_model.hitPart = std::int16_t(c.part);
        g_platform.altDown = c.alt;
        CDragTask d;
        Step(d, c.dx, c.dy);
        tie->MoveDrag(&d);
        EXPECT_EQ(tie->Height(), c.height);
        EXPECT_EQ(tie->StartDx(), c.startDx);
        EXPECT_EQ(tie->StartDy(), c.startDy);
        EXPECT_EQ(tie->EndDx(), c.endDx);
        EXPECT_EQ(tie->EndDy(), tie->StartDy()) << "both ends share one vertical offset";
    }
    g_platform.altDown = 0;

    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* t = Put(1, CTuplet::Init(bytes, 0, 120, 3, 3, 2, 0, 0, 100, 6, 0, 700, 6, 0));
    g_model.hitPart = 0;
    CDragTask d;
    Step(d, 3, 10);
    t->MoveDrag(&d);
    EXPECT_EQ(t->Hook(), 130) << "handle 0 down by 10 lengthens the hook by 10";
    EXPECT_EQ(t->StartDx(), 3);
    g_model.hitPart = 4;
    t->MoveDrag(&d);
    EXPECT_EQ(t->NumberDx(), 3);
    EXPECT_EQ(t->NumberDy(), -95);

    RecordBuf buf;
    CSlur* slur = Put(1, NewSlur(buf, 100, 700));
    g_model.hitPart = 0;
    Step(d, 2, 6);
    slur->MoveDrag(&d);
    EXPECT_EQ(slur->StartDy(), 6);
    EXPECT_EQ(slur->Word(CSlur::kControl1Y), -6) << "the control points keep their place";
    g_model.hitPart = 4;
    Step(d, 0, 5, 40);
    slur->MoveDrag(&d);
    EXPECT_EQ(slur->Word(CSlur::kControl1X), 40);
    EXPECT_EQ(slur->Word(CSlur::kControl2Y), -1);
}

TEST_F(TwoEndedPageTest, ATieFlipsAndANudgeLeavesItToASelectedHead) {
    CTie* tie = Put(0, NewTie(100, 600, -2, 120));
    tie->Flip(0);
    EXPECT_EQ(tie->Height(), -120);
    EXPECT_EQ(tie->StartDy(), 15);
    EXPECT_EQ(tie->EndDy(), 15);
    tie->Flip(0);
    EXPECT_EQ(tie->Height(), 120);
    EXPECT_EQ(tie->StartDy(), -45);
    EXPECT_TRUE(LineIsAbove(*tie));
    static_cast<const TieBehaviour&>(B(tie)).SetAbove(*tie, false);
    EXPECT_EQ(tie->Height(), -120);
    EXPECT_FALSE(tie->AboveBit());

    PutNote(0, 0, 100, -2, true);
    tie = Find<CTie>(0, CTie::kType, 100);
    CNote* note = Find<CNote>(0, CNote::kType, 100);
    note->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    note->Head(0)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    tie->SetStartDx(0);
    tie->Nudge(1, 1);
    EXPECT_EQ(tie->StartDx(), 0) << "the head's own move carries the tie";
    note->Head(0)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, false);
    tie->Nudge(1, 1);
    EXPECT_GT(tie->StartDx(), 0);
    EXPECT_LT(tie->StartDy(), -45) << "up a step";
}

TEST_F(TwoEndedPageTest, ASlurShapesItselfFromItsNotes) {
    PutNote(0, 0, 100, -6, false, CRawNote::kSlurStart);
    PutNote(0, 480, 400, -5, false, CRawNote::kSlurEnd);
    RecordBuf buf;
    CSlur* slur = Put(0, NewSlur(buf, 100, 400));
    slur->Flip(1);
    slur = Find<CSlur>(0, CSlur::kType, 100);
    EXPECT_FALSE(slur->AboveBit());
    EXPECT_EQ(slur->StartDx(), 60);
    EXPECT_EQ(slur->EndDx(), -30);
    const int low = std::min(slur->StartY(), slur->EndY());
    EXPECT_EQ(slur->Word(CSlur::kControl1Y), 60 * (slur->StartY() - low + 2));
    EXPECT_EQ(slur->Word(CSlur::kControl2Y), slur->Word(CSlur::kControl1Y));

    const Bytes before = Body(slur);
    slur->Flip(0);
    EXPECT_TRUE(slur->AboveBit());
    EXPECT_NE(Body(slur), before);
    slur->Flip(0);
    EXPECT_EQ(Body(slur), before) << "two flips give the slur back";
}

TEST_F(TwoEndedPageTest, ARemovedSlurGivesItsNotesTheirPlayDurations) {
    PutNote(0, 0, 100, -6, false, CRawNote::kSlurStart);
    PutNote(0, 480, 300, -5, false);
    PutNote(0, 960, 500, -4, false, CRawNote::kSlurEnd);
    RecordBuf buf;
    CSlur* slur = Put(0, NewSlur(buf, 100, 500));
    slur->MarkRemoved();
    EXPECT_TRUE(slur->IsRemoved());
    EXPECT_EQ(Find<CNote>(0, CNote::kType, 100)->Head(0)->Duration(), 432) << "a quarter at 90 per cent";
    EXPECT_EQ(Find<CNote>(0, CNote::kType, 300)->Head(0)->Duration(), 432);
    EXPECT_EQ(Find<CNote>(0, CNote::kType, 500)->Head(0)->Duration(), 0) << "the last note keeps its own";
    EXPECT_FALSE(Find<CNote>(0, CNote::kType, 100)->HasSlurStart());
    EXPECT_FALSE(Find<CNote>(0, CNote::kType, 500)->HasSlurEnd());
}

TEST_F(TwoEndedPageTest, ATupletFitsItsBracketToItsNotes) {
    // Notes whose attach point above is 2: the bracket moves one step off the notes.
    int position = -8;
    for (; position < 8; ++position) {
        RecordBuf probe;
        CNote* note = MakeNote(probe, 1, 3);
        note->Head(0)->SetPosition(position);
        note->SetStemUpBit(false);
        if (note->GetAttachY(true, false) == 2) break;
    }
    ASSERT_LT(position, 8);
    PutNote(0, 0, 100, position, false);
    PutNote(0, 480, 400, position, false);
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    CTuplet* t = Put(0, CTuplet::Init(bytes, 0, 120, 3, 3, 2, 0, 0, 100, 0, 0, 400, 0, 0));
    B(t).AutoShape(*t, -1);
    t = Find<CTuplet>(0, CTuplet::kType, 100);
    EXPECT_EQ(t->StartY(), 3);
    EXPECT_EQ(t->EndY(), 3);
    EXPECT_EQ(t->Hook(), 120) << "mode -1 keeps the side";
    t->Flip(0);
    EXPECT_EQ(t->Hook(), -120);
    EXPECT_EQ(t->NumberDy(), 105);
    EXPECT_LT(t->StartY(), 0) << "measured below the notes";
}

TEST_F(TwoEndedPageTest, RemovingATupletSparesOtherVoicesAndTheNextTuplet) {
    for (int column : {0, 200, 400, 600}) PutNote(0, column, column, -2, true);
    PutNote(0, 200, 200, 2, false, 0, 1);
    alignas(8) std::uint8_t bytes[CTuplet::kSize];
    Put(0, CTuplet::Init(bytes, 0, 120, 3, 3, 2, 0, 0, 0, 0, 0, 600, 0, 0));
    Put(0, CTuplet::Init(bytes, 0, 120, 3, 5, 4, 0, 400, 400, 0, 0, 600, 0, 0));
    Put(0, CTuplet::Init(bytes, 0, 120, 3, 3, 2, 1, 200, 200, 0, 0, 200, 0, 0));
    for (int column : {0, 200}) {
        CNote* n = Find<CNote>(0, CNote::kType, column);
        n->SetFlagBit(CRawHead::kTupletBit, true);
        n->SetTupletCount(3);
    }
    Find<CNote>(0, CNote::kType, 200, 1)->SetFlagBit(CRawHead::kTupletBit, true);
    Find<CTuplet>(0, CTuplet::kType, 0)->MarkRemoved();
    EXPECT_FALSE(Find<CNote>(0, CNote::kType, 0)->IsTupletMember());
    EXPECT_EQ(Find<CNote>(0, CNote::kType, 0)->TupletCount(), 0);
    EXPECT_FALSE(Find<CNote>(0, CNote::kType, 200)->IsTupletMember());
    EXPECT_TRUE(Find<CNote>(0, CNote::kType, 200, 1)->IsTupletMember()) << "another voice's note";
    for (int column : {400, 600}) {
        CNote* n = Find<CNote>(0, CNote::kType, column);
        EXPECT_TRUE(n->IsTupletMember()) << column;
        EXPECT_EQ(n->TupletCount(), 5) << "the later tuplet's numbers";
    }
}

TEST_F(TwoEndedPageTest, ALongTieRisesAndAShortOneIsWidened) {
    const int s = staff->Space();
    struct Case {
        const char* what;
        int endColumn, height;
    };
    for (const Case& c : {Case{"a short tie keeps its height", 200, 120}, Case{"a long tie rises", 1000, 120},
                          Case{"a long tie below sinks", 1000, -120}}) {
        SCOPED_TRACE(c.what);
        CTie* tie = Put(0, NewTie(100, c.endColumn, -2, c.height));
        const std::vector<POINT> p = Points(tie);
        ASSERT_EQ(p.size(), 3u);
        const int length = Bar()->SpanPositionToX(0, c.endColumn, tie->EndDx(), true) -
                           Bar()->PositionToItemX(100, tie->StartDx());
        const int extra = length > 10 * s ? MulDiv(length, 30, 8 * s) : 0;
        const int height = c.height < 0 ? c.height - extra : c.height + extra;
        EXPECT_EQ(p[1].y, p[2].y - staff->ScaleOffset(height));
        if (c.endColumn == 1000) EXPECT_EQ(p[0].x, Bar()->PositionToItemX(100, tie->StartDx()) + staff->GetHeadWidth());
        EXPECT_EQ(p[1].x, p[0].x + (p[2].x - p[0].x) / 2);
        tie->MarkRemoved();
    }
    CTie* tie = Put(0, NewTie(300, 300, -2, 120));
    const std::vector<POINT> p = Points(tie);
    EXPECT_EQ(p[2].x - p[0].x, 4) << "a tie to its own column is widened to 4 units";
}

// A selected item shows its handles on the screen; a print shows the item alone.
TEST_F(TwoEndedPageTest, APrintShowsNoHandles) {
    CTie* tie = Put(0, NewTie(100, 600, -2, 120));
    tie->SetFlagsB(std::uint8_t(tie->FlagsB() | CBarItem::kSelectedBit));
    const auto rectangles = [](const std::vector<std::string>& calls) {
        return std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("Rectangle", 0) == 0; });
    };
    const std::vector<std::string> screen = Record([&] { tie->Draw(); });
    EXPECT_EQ(rectangles(screen), 3) << "three handles";
    g_draw.printingDC = true;
    const std::vector<std::string> print = Record([&] { tie->Draw(); });
    g_draw.printingDC = false;
    EXPECT_EQ(rectangles(print), 0);
    EXPECT_EQ(Only(print, {"PolyBezier"}).size(), Only(screen, {"PolyBezier"}).size()) << "the curve itself is drawn";
}

// A slur's end handle dropped near another note of its voice re-anchors that end: its position,
// staff offset and the notes' marks move; dropped where the voice has no note it keeps them.
TEST_F(TwoEndedPageTest, ADroppedEndTakesTheNoteUnderIt) {
    PutNote(0, 0, 100, -2, true, CRawNote::kSlurStart);
    PutNote(0, 480, 300, -2, true, CRawNote::kSlurEnd);
    PutNote(0, 1440, 800, -2, true);
    RecordBuf buf;
    CSlur* slur = Put(0, NewSlur(buf, 100, 300));
    // The end handle dragged right by the distance from column 300 to column 800.
    slur->SetEndDx(slur->EndDx() + staff->UnscaleOffset(Bar()->FractionToX(800) - Bar()->FractionToX(300)));
    g_model.hitPart = 3;
    g_model.hitTrkBar = Current(0, 0);
    CDragTask d;
    Step(d, 1, 0);
    slur->EndDrag(&d);
    CSlur* placed = static_cast<CSlur*>(d.result);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->PositionField(), 100);
    EXPECT_EQ(placed->EndPositionField(), 800);
    EXPECT_EQ(placed->EndBarOffset(), 0);
    EXPECT_EQ(placed->EndStaffOffset(), 0);
    EXPECT_TRUE(Find<CNote>(0, CNote::kType, 800)->HasSlurEnd());
    EXPECT_FALSE(Find<CNote>(0, CNote::kType, 300)->HasSlurEnd());
    EXPECT_TRUE(Find<CNote>(0, CNote::kType, 100)->HasSlurStart());

    // A slur of voice 2, which has no notes: its ends stay where they were.
    CSlur* lone = Put(0, NewSlur(buf, 200, 500));
    lone->SetVoice(2);
    lone = Find<CSlur>(0, CSlur::kType, 200, 2);
    lone->SetEndStaffOffset(1);
    lone->SetEndDx(lone->EndDx() + staff->UnscaleOffset(Bar()->FractionToX(700) - Bar()->FractionToX(500)));
    g_model.hitPart = 3;
    Step(d, 1, 0);
    lone->EndDrag(&d);
    ASSERT_NE(d.result, nullptr);
    auto* kept = static_cast<CSlur*>(d.result);
    EXPECT_EQ(kept->EndPositionField(), 500);
    EXPECT_EQ(kept->EndStaffOffset(), 1);
}
