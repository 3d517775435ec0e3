// The heads of a note: selection, play times, positions, removal, and the chord layout that
// orders them and places heads, dots and accidentals.
#include <gtest/gtest.h>

#include <vector>

#include "NotationTestSupport.h"
#include "notation/NotationGlobals.h"

using namespace notetest;

namespace {

class ChordTest : public NotationTest {};

CNote* Chord(RecordBuf& buf, std::initializer_list<int> positions, bool up) {
    CNote* note = MakeNote(buf, int(positions.size()));
    int k = 0;
    for (int p : positions) {
        note->Head(k)->SetPosition(p);
        note->Head(k)->SetPitch(60 + p);
        ++k;
    }
    note->SetStemUpBit(up);
    return note;
}

std::vector<int> Positions(CNote* note) {
    std::vector<int> v;
    for (int k = 0; k < note->HeadCountField(); ++k) v.push_back(note->Head(k)->Position());
    return v;
}

void ShowAccidental(NoteHead* h, int code) {
    h->SetAccidental(code);
    h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
}

}  // namespace

TEST_F(ChordTest, PlayTimesAndPositions) {
    RecordBuf buf;
    CNote* note = Chord(buf, {-3, 2}, false);
    note->SetTimeField(100);
    note->Head(1)->SetStartOffset(3);
    note->Head(0)->SetDuration(100);
    note->Head(1)->SetDuration(201);
    EXPECT_EQ(note->GetPlayStart(CRawNote::kAllHeads), 101);
    EXPECT_EQ(note->GetPlayStart(1), 103);
    EXPECT_EQ(note->GetPlayEnd(CRawNote::kAllHeads), 252);
    EXPECT_EQ(note->GetHeadDuration(CRawNote::kAllHeads), 150);
    EXPECT_EQ(note->GetStaffPos(CRawNote::kAllHeads), 0) << "-1/2 toward zero";
    EXPECT_EQ(note->GetTopHeadPos(), -3) << "stem down: head 0";
    EXPECT_EQ(note->GetBottomHeadPos(), 2);
    note->SetStemUpBit(true);
    EXPECT_EQ(note->GetTopHeadPos(), 2);
    EXPECT_EQ(note->GetAttachPos(nullptr, true, false), note->GetAttachY(true, false)) << "no marks to keep clear of";

    RecordBuf one;
    CNote* single = Chord(one, {4}, true);
    single->Head(0)->SetStartOffset(-5);
    EXPECT_EQ(single->GetPlayStart(CRawNote::kAllHeads), single->GetPlayStart(0));

    note->Head(1)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, true);
    EXPECT_FALSE(note->HasTie(true, -1));
    EXPECT_TRUE(note->HasTie(false, -1));
    EXPECT_FALSE(note->HasTieEnd(0));
    EXPECT_TRUE(note->HasTieEnd(1));
    EXPECT_FALSE(note->IsCrossStaff());
    note->SetCrossStaffOffset(1, -1);
    EXPECT_TRUE(note->IsCrossStaff());
    note->SetStartStaffOffset(9);
    EXPECT_EQ(note->GetCrossStaffOffset(0), 1);
    EXPECT_EQ(note->GetCrossStaffOffset(1), 1);
}

TEST_F(ChordTest, SelectingHeads) {
    RecordBuf buf;
    CNote* note = Chord(buf, {0, 2, 4}, true);
    note->SelectPart(1);
    EXPECT_TRUE(note->IsSelectedBit());
    EXPECT_TRUE(note->Head(1)->IsSelected());
    EXPECT_FALSE(note->Head(0)->IsSelected());
    EXPECT_TRUE(note->IsSelected(1));
    note->SelectPart(-5);
    EXPECT_FALSE(note->Head(2)->IsSelected()) << "a negative index selects no head";
    note->SelectPart(CRawNote::kAllHeads);
    EXPECT_TRUE(note->Head(0)->IsSelected() && note->Head(2)->IsSelected());
    note->DeselectPart(0);
    EXPECT_FALSE(note->Head(0)->IsSelected());
    EXPECT_TRUE(note->Head(2)->IsSelected());
    note->DeselectPart(CRawNote::kAllHeads);
    EXPECT_FALSE(note->Head(2)->IsSelected());
    EXPECT_FALSE(note->IsSelectedBit());
}

TEST_F(ChordTest, RemovingHeads) {
    RecordBuf buf;
    CNote* note = Chord(buf, {4, 2, 0}, false);
    NoteMark* m = AppendMark(note, 20, 40, 0x5A);
    m->SetCode(20);
    note->RemoveHead(0);
    EXPECT_EQ(note->HeadCountField(), 2);
    EXPECT_EQ(Positions(note), (std::vector<int>{2, 0}));
    EXPECT_EQ(note->GetMark(0)->Code(), 20) << "the marks move down";
    EXPECT_EQ(note->RecordSizeField(), 112) << "the size stays until the run is compacted";
    EXPECT_EQ(note->GetWantedSize(), 96);
    EXPECT_FALSE(note->IsRemoved());

    RecordBuf one;
    CNote* single = Chord(one, {3}, true);
    single->RemoveHead(0);
    EXPECT_TRUE(single->IsRemoved());
    EXPECT_EQ(single->HeadCountField(), 1) << "the last head stays in the record";

    RecordBuf hidden;
    CNote* ghost = Chord(hidden, {3, 5}, true);
    ghost->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, true);
    ghost->RemoveHead(0);
    EXPECT_TRUE(ghost->IsRemoved()) << "only invisible heads left";

    RecordBuf del;
    CNote* chord = Chord(del, {0, 2}, true);
    chord->Delete();
    EXPECT_FALSE(chord->IsRemoved());
    EXPECT_EQ(chord->HeadCountField(), 2);
    chord->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    chord->Delete();
    EXPECT_EQ(chord->HeadCountField(), 1);
    EXPECT_FALSE(chord->IsRemoved());
    chord->MarkRemoved();
    EXPECT_TRUE(chord->IsRemoved());
}

TEST_F(ChordTest, SecondsAlternateSides) {
    // C and D with the stem up: the lower head stays, the upper moves right, the lower's dot
    // goes below its line.
    RecordBuf up;
    CNote* a = Chord(up, {-5, -6}, true);
    a->SetFlagsA(CBarItem::kRelayoutBit);
    a->LayoutChord();
    EXPECT_EQ(Positions(a), (std::vector<int>{-6, -5}));
    EXPECT_EQ(a->Head(0)->Column(), 0);
    EXPECT_EQ(a->Head(1)->Column(), 1);
    EXPECT_TRUE(a->HasHeadRightOfStem());
    EXPECT_EQ(a->Head(0)->DotOffset(), -1);
    EXPECT_EQ(a->Head(1)->DotOffset(), 0);
    EXPECT_EQ(a->FlagsA() & CBarItem::kRelayoutBit, 0);

    RecordBuf down;
    CNote* b = Chord(down, {-6, -5}, false);
    b->LayoutChord();
    EXPECT_EQ(Positions(b), (std::vector<int>{-5, -6}));
    EXPECT_EQ(b->Head(0)->Column(), 0);
    EXPECT_EQ(b->Head(1)->Column(), -1);
    EXPECT_EQ(b->Head(1)->DotOffset(), -1);
    EXPECT_FALSE(b->HasHeadRightOfStem());

    RecordBuf three;
    CNote* c = Chord(three, {-4, -6, -5}, true);
    c->LayoutChord();
    EXPECT_EQ(Positions(c), (std::vector<int>{-6, -5, -4}));
    EXPECT_EQ(c->Head(0)->Column(), 0);
    EXPECT_EQ(c->Head(1)->Column(), 1);
    EXPECT_EQ(c->Head(2)->Column(), 0);
}

TEST_F(ChordTest, HeadOrderAndDots) {
    RecordBuf buf;
    CNote* note = Chord(buf, {1, 6, -2, 4}, false);
    note->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kInvisible, true);
    note->Head(2)->SetCrossStaffOffset(1);
    note->SetVoice(1);
    note->LayoutChord();
    // Stem down: own staff first, highest first; the lower staff next; invisible heads last.
    EXPECT_EQ(Positions(note), (std::vector<int>{4, 1, -2, 6}));
    EXPECT_EQ(note->Head(0)->DotOffset(), -1) << "a line in an even voice: the dot below";
    EXPECT_EQ(note->Head(1)->DotOffset(), 0);

    RecordBuf one;
    CNote* single = Chord(one, {2}, true);
    single->Head(0)->SetShape(45);
    single->Head(0)->SetColumn(1);
    single->Head(0)->SetAccidentalOffset(24);
    single->LayoutChord();
    EXPECT_EQ(single->Head(0)->Column(), 0);
    EXPECT_EQ(single->Head(0)->DotOffset(), 1);
    EXPECT_EQ(single->Head(0)->AccidentalOffset(), 0);
    EXPECT_TRUE(single->HasFretNumbers());
}

TEST_F(ChordTest, AccidentalColumns) {
    struct Case {
        int upper, lower;
        int upperCode, lowerCode;
        int upperOffset, lowerOffset;
    };
    const Case cases[] = {
        {2, -4, 1, 1, 0, 0},     // six positions apart: one column
        {2, 0, 1, 1, 0, 24},     // two apart: two columns
        {2, -3, 1, 1, 0, 24},    // five apart
        {2, -3, 3, 1, 0, 0},     // five apart under a natural: back to the first column
        {2, -2, 3, 2, 0, 12},    // four apart, a flat under a natural: half a column back
        {2, -2, 3, 1, 0, 24},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = Chord(buf, {c.upper, c.lower}, false);
        ShowAccidental(note->Head(0), c.upperCode);
        ShowAccidental(note->Head(1), c.lowerCode);
        note->LayoutChord();
        EXPECT_EQ(note->Head(0)->AccidentalOffset(), c.upperOffset) << c.upper << " " << c.lower;
        EXPECT_EQ(note->Head(1)->AccidentalOffset(), c.lowerOffset) << c.upper << " " << c.lower;
    }

    // One accidental beside a head displaced to the left.
    RecordBuf buf;
    CNote* note = Chord(buf, {0, -1}, false);
    ShowAccidental(note->Head(0), 1);
    note->LayoutChord();
    EXPECT_EQ(note->Head(1)->Column(), -1);
    EXPECT_EQ(note->Head(0)->AccidentalOffset(), 24);

    // Parentheses widen the column and push a later one further.
    RecordBuf pb;
    CNote* paren = Chord(pb, {2, 0}, false);
    ShowAccidental(paren->Head(0), 1);
    ShowAccidental(paren->Head(1), 1);
    paren->Head(0)->SetBits(NoteHead::kAccByte, NoteHead::kAccParens, true);
    paren->LayoutChord();
    EXPECT_EQ(paren->Head(0)->AccidentalOffset(), 3);
    EXPECT_EQ(paren->Head(1)->AccidentalOffset(), 48);

    // While the beam layout holds the flag, the offsets stay.
    RecordBuf kb;
    CNote* kept = Chord(kb, {2, 0}, false);
    ShowAccidental(kept->Head(0), 1);
    ShowAccidental(kept->Head(1), 1);
    kept->Head(0)->SetAccidentalOffset(77);
    kept->Head(1)->SetAccidentalOffset(5);
    g_notation.keepAccidentalOffsets = true;
    kept->LayoutChord();
    EXPECT_EQ(kept->Head(0)->AccidentalOffset(), 77);
    EXPECT_EQ(kept->Head(1)->AccidentalOffset(), 5);
}

TEST_F(ChordTest, LargeChordsStayInTheTable) {
    // More heads than a column of the accidental table has places.
    RecordBuf buf(2048);
    CNote* note = MakeNote(buf, 40);
    for (int k = 0; k < 40; ++k) {
        note->Head(k)->SetPosition(20 - k);
        ShowAccidental(note->Head(k), 1);
    }
    note->LayoutChord();
    for (int k = 0; k < 40; ++k) {
        const int offset = note->Head(k)->AccidentalOffset();
        EXPECT_EQ(offset % 24, 0) << k;
        EXPECT_LE(offset, 192) << k;
    }
}

TEST_F(ChordTest, BeamedHeadsBeyondTheBeam) {
    RecordBuf buf;
    CNote* note = Chord(buf, {0, 4}, true);
    note->Head(1)->SetBits(NoteHead::kLinkByte, NoteHead::kBeyondBeam, true);
    note->LayoutChord();
    EXPECT_EQ(note->Head(1)->Byte(NoteHead::kLinkByte) & NoteHead::kBeyondBeam, 0) << "not beamed: cleared";
    note->Head(1)->SetBits(NoteHead::kLinkByte, NoteHead::kBeyondBeam, true);
    note->SetFlagBit(CRawHead::kBeamedBit, true);
    note->LayoutChord();
    EXPECT_EQ(note->Head(1)->Column(), 1) << "moved to the far side of the stem";
}

TEST_F(ChordTest, ScaleOfSelectedHeads) {
    RecordBuf buf;
    CNote* note = Chord(buf, {0, 2}, true);
    note->Head(0)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    note->SetScale(70);
    EXPECT_EQ(note->Head(0)->HeadScale(), 70);
    EXPECT_EQ(note->Head(1)->HeadScale(), 0);
    EXPECT_EQ(note->CBaseItem::Scale(), 0);
    note->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    note->SetScale(100);
    EXPECT_EQ(note->Head(1)->HeadScale(), 100);
    EXPECT_EQ(note->CBaseItem::Scale(), 0);
    note->SetScale(60);
    EXPECT_EQ(note->CBaseItem::Scale(), 60);
}
