// Head spelling, accidentals, pitch steps, shapes and staff moves of note heads.
#include <gtest/gtest.h>

#include "NoteDrawSupport.h"
#include "NotationTestSupport.h"
#include "model/Clef.h"
#include "model/ModelGlobals.h"
#include "model/Score.h"
#include "model/ScoreStandIns.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarTestSupport.h"
#include "notation/NotationGlobals.h"
#include "platform/Theory.h"

using namespace notetest;

namespace {

class SpellingTest : public NotationTest {};
// The same on the piano score, its treble track bar 0 current: the clef and key come from the bar.
class SpellingInScoreTest : public NoteDrawTest {};

constexpr int kTreble = 0, kBass = 1;
constexpr int kC = 0, kTwoFlats = 2, kOneSharp = 8;

}  // namespace

TEST_F(SpellingTest, SpellHeadFromPitch) {
    struct Case {
        int pitch, clef, key;
        int accidental, position;
    };
    const Case cases[] = {
        {60, kTreble, kC, 0, -6},          // middle C
        {71, kTreble, kC, 0, 0},           // B on the middle line
        {66, kTreble, kOneSharp, 0, -3},   // F sharp in G major: the key's
        {65, kTreble, kOneSharp, 3, -3},   // F natural in G major
        {70, kTreble, kTwoFlats, 0, 0},    // B flat in B flat major
        {71, kTreble, kTwoFlats, 3, 0},    // B natural there
        {48, kBass, kC, 0, -1},            // C below the bass staff's middle line
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        NoteHead* h = MakeNote(buf, 1)->Head(0);
        h->SetPitch(c.pitch);
        CRawNote::SpellHead(*h, c.clef, c.key);
        EXPECT_EQ(h->Accidental(), c.accidental) << c.pitch << " key " << c.key;
        EXPECT_EQ(h->Position(), c.position) << c.pitch << " key " << c.key;
    }
}

TEST_F(SpellingTest, PitchFromPositionAndAccidental) {
    struct Case {
        int accidental;
        int pitch;
        int offset;
    };
    // The middle line of a treble staff in B flat major: the key's pitch is 70, the natural 71.
    const Case cases[] = {{0, 70, 0}, {1, 72, 0}, {2, 70, 0}, {3, 71, 0}, {4, 73, 0}, {5, 69, 24}};
    for (const Case& c : cases) {
        RecordBuf buf;
        NoteHead* h = MakeNote(buf, 1)->Head(0);
        h->SetPosition(0);
        CRawNote::SetHeadFromPosition(*h, c.accidental, kTreble, kTwoFlats);
        EXPECT_EQ(h->Pitch(), c.pitch) << c.accidental;
        EXPECT_EQ(h->Accidental(), c.accidental);
        EXPECT_EQ(h->AccidentalOffset(), c.offset);
    }
}

TEST_F(SpellingTest, UserAccidentals) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    NoteHead* h = note->Head(0);
    h->SetPosition(0);
    h->SetAccidentalOffset(48);

    note->ApplyHeadAccidental(0, CTheory::kSharp, false, kTreble, kTwoFlats);
    EXPECT_EQ(h->Pitch(), 72) << "the natural pitch plus one, not the key's";
    EXPECT_EQ(h->Accidental(), 1);
    EXPECT_EQ(h->AccidentalOffset(), 0);
    EXPECT_EQ(h->Byte(NoteHead::kAccByte) & (NoteHead::kAccForced | NoteHead::kAccParens), 0);

    note->ApplyHeadAccidental(0, CTheory::kDoubleFlat, true, kTreble, kTwoFlats);
    EXPECT_EQ(h->Pitch(), 69);
    EXPECT_EQ(h->AccidentalOffset(), 36) << "24 for the double flat and 12 for parentheses";
    EXPECT_EQ(h->Byte(NoteHead::kAccByte) & (NoteHead::kAccForced | NoteHead::kAccParens),
              NoteHead::kAccForced | NoteHead::kAccParens);

    note->ApplyHeadAccidental(0, -1, false, kTreble, kTwoFlats);
    EXPECT_EQ(h->Pitch(), 70) << "back to the key's pitch";
    EXPECT_EQ(h->Accidental(), 0);
    EXPECT_EQ(h->Byte(NoteHead::kAccByte) & (NoteHead::kAccForced | NoteHead::kAccParens), 0);
}

TEST_F(SpellingTest, PitchSteps) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    NoteHead* h = note->Head(0);
    h->SetPitch(71);
    h->SetPosition(0);
    h->SetAccidental(3);
    h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);

    // Diatonic: one position, the accidental dropped.
    EXPECT_TRUE(note->StepHeadPitch(0, kTreble, kC, true, false));
    EXPECT_EQ(h->Pitch(), 72);
    EXPECT_EQ(h->Position(), 1);
    EXPECT_EQ(h->Accidental(), 0);
    EXPECT_FALSE(h->IsAccidentalShown());

    // Chromatic: a semitone, spelled again, the accidental shown when there is one.
    EXPECT_TRUE(note->StepHeadPitch(0, kTreble, kC, true, true));
    EXPECT_EQ(h->Pitch(), 73);
    EXPECT_EQ(h->Position(), 1);
    EXPECT_EQ(h->Accidental(), 1);
    EXPECT_TRUE(h->IsAccidentalShown());
    EXPECT_TRUE(note->StepHeadPitch(0, kTreble, kC, false, true));
    EXPECT_EQ(h->Pitch(), 72);
    EXPECT_FALSE(h->IsAccidentalShown());

    // At the highest key nothing moves.
    h->SetPitch(127);
    h->SetPosition(g_theory.PitchToStaffPos(127, kTreble, kC));
    const std::int8_t pos = h->Position();
    EXPECT_FALSE(note->StepHeadPitch(0, kTreble, kC, true, true));
    EXPECT_FALSE(note->StepHeadPitch(0, kTreble, kC, true, false));
    EXPECT_EQ(h->Pitch(), 127);
    EXPECT_EQ(h->Position(), pos);
}

TEST_F(SpellingTest, HeadShapes) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 2);
    note->SetStemUpBit(true);
    note->Head(0)->SetShape(6);
    note->SetFlagBit(CRawHead::kSlashBit, true);

    note->SetHeadShape(0, 1);
    EXPECT_TRUE(note->Head(0)->IsInvisible());
    EXPECT_EQ(note->Head(0)->Shape(), 6) << "the invisible shape only hides the head";
    EXPECT_TRUE(note->IsSlash());

    note->SetHeadShape(0, 7);
    EXPECT_FALSE(note->Head(0)->IsInvisible());
    EXPECT_TRUE(note->IsSlash());
    EXPECT_FALSE(note->IsStemUp()) << "a slash note's stem goes down";

    note->SetHeadShape(0, 40);
    EXPECT_FALSE(note->IsSlash());
    EXPECT_TRUE(note->HasFretNumbers());
    note->SetHeadShape(1, 3);
    EXPECT_TRUE(note->HasFretNumbers()) << "head 0 still carries a fret number";
    note->SetHeadShape(0, 0);
    EXPECT_FALSE(note->HasFretNumbers());
}

TEST_F(SpellingInScoreTest, StaffMovesStayWithinTwoStaves) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    NoteHead* h = note->Head(0);
    h->SetPitch(60);
    h->SetPosition(5);
    h->SetCrossStaffOffset(2);
    note->MoveHeadToStaff(0, 1);
    EXPECT_EQ(h->CrossStaffOffset(), 2);
    EXPECT_EQ(h->Position(), 5);
    h->SetCrossStaffOffset(-2);
    note->MoveHeadToStaff(0, -1);
    EXPECT_EQ(h->CrossStaffOffset(), -2);
    EXPECT_EQ(h->Position(), 5);

    // On its own staff the head is placed again by its pitch.
    h->SetCrossStaffOffset(1);
    note->MoveHeadToStaff(0, -1);
    EXPECT_EQ(h->CrossStaffOffset(), 0);
    EXPECT_EQ(h->Position(), -6);
    EXPECT_EQ(h->Accidental(), 0);
}

// A head that moves to the staff below takes the tie that begins on it along: both of the tie's
// ends go to that staff and the head's new position, so the tie is still the head's.
TEST_F(SpellingInScoreTest, AStaffMoveTakesTheHeadsTieAlong) {
    enum : int { kTie = 30, kEnds = 16, kStartY = 18, kEndY = 20, kEndBars = 22 };
    CTrkBar* upper = score->GetTrkBar(0, 0);
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    note->SetPositionField(256);
    note->Head(0)->SetPitch(60);
    note->Head(0)->SetPosition(-6);
    note->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    ASSERT_NE(upper->InsertCopy(note), nullptr);
    trkbartest::Bytes tie = trkbartest::Item(kTie, 36, 0);
    trkbartest::View(tie)->SetPositionField(256);
    tie[17] = std::uint8_t(60 << 1);
    rec::Put<std::int16_t>(tie.data(), kStartY, -6);
    rec::Put<std::int16_t>(tie.data(), kEndY, -6);
    rec::Put<std::int16_t>(tie.data(), kEndBars, 1);
    ASSERT_NE(upper->InsertCopy(trkbartest::View(tie)), nullptr);

    upper->SetCurrent();
    CBarItem* item = nullptr;
    ASSERT_TRUE(upper->NextNote(&item, 0));
    auto* moved = static_cast<CNote*>(item);
    moved->MoveHeadToStaff(0, 1);
    const int position = moved->Head(0)->Position();
    ASSERT_EQ(moved->Head(0)->CrossStaffOffset(), 1);
    upper->SetCurrent();
    CBarItem* found = upper->FindTieFrom(moved, 0);
    ASSERT_NE(found, nullptr) << "the tie is still the head's";
    EXPECT_EQ(rec::Get<std::uint8_t>(found, kEnds) >> 2, (1 << 3) | 1) << "both ends one staff down";
    EXPECT_EQ(rec::Get<std::int16_t>(found, kStartY), position);
    EXPECT_EQ(rec::Get<std::int16_t>(found, kEndY), position);
    EXPECT_TRUE(moved->Head(0)->HasTieStart());
}

TEST_F(SpellingTest, RoomForAccidentals) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 2);
    NoteHead* a = note->Head(0);
    NoteHead* b = note->Head(1);
    b->SetColumn(-1);
    EXPECT_EQ(note->AccidentalExtentUnits(true), 1) << "a head displaced to the left";
    a->SetAccidental(2);
    a->SetAccidentalOffset(24);
    EXPECT_EQ(note->AccidentalExtentUnits(true), 1) << "an accidental that is not shown";
    a->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
    EXPECT_EQ(note->AccidentalExtentUnits(true), 240);
    EXPECT_EQ(note->AccidentalExtentUnits(false), 1);
    note->CBaseItem::SetScale(50);
    EXPECT_EQ(note->AccidentalExtentUnits(true), 120);
    a->SetByte(NoteHead::kScale, 75);
    EXPECT_EQ(note->AccidentalExtentUnits(true), 180) << "the head's own scale first";
}

TEST_F(SpellingTest, ChromaticStepsOnPercussionAndTablatureStaves) {
    RegisterTrackClass();
    CZelDoc doc;
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(1, 2));
    g_model.currentScore = &score;

    // Percussion: the key moves by a semitone within the track's range, the drum map places it.
    CTrack* drums = score.GetTrack(0);
    drums->SetStaffKind(1);
    for (int i = 0; i < CTrack::kDrums; ++i) rec::Put<std::uint8_t>(drums, CTrack::kDrumKeys + i, 0);
    const int map[3][2] = {{38, 3}, {39, 5}, {40, 1}};
    for (int i = 0; i < 3; ++i) {
        rec::Put<std::uint8_t>(drums, CTrack::kDrumKeys + i, std::uint8_t(map[i][0]));
        rec::Put<std::int8_t>(drums, CTrack::kDrumPositions + i, std::int8_t(map[i][1]));
    }
    drums->SetLowRange(36);
    drums->SetHighRange(40);
    g_model.currentTrack = drums;
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    NoteHead* h = note->Head(0);
    h->SetPitch(38);
    h->SetPosition(3);
    h->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
    EXPECT_TRUE(note->StepHeadPitch(0, kTreble, kC, true, true));
    EXPECT_EQ(h->Pitch(), 39);
    EXPECT_EQ(h->Position(), 5) << "the drum map's place for 39";
    EXPECT_FALSE(h->IsAccidentalShown());
    EXPECT_TRUE(note->StepHeadPitch(0, kTreble, kC, true, true));
    EXPECT_EQ(h->Position(), 1);
    EXPECT_FALSE(note->StepHeadPitch(0, kTreble, kC, true, true)) << "40 is the highest playable key";
    EXPECT_EQ(h->Pitch(), 40);

    // Tablature, six strings 76, 71, 67, 62, 57, 52 on positions 6, 4, 2, 0, -2, -4.
    CTrack* guitar = score.GetTrack(1);
    guitar->SetLineMask(4032);
    guitar->SetStaffKind(2);
    g_model.currentTrack = guitar;
    RecordBuf tb;
    CNote* tab = MakeNote(tb, 1);
    tab->SetNoteFlags(std::uint8_t(tab->NoteFlags() | CRawNote::kFretNumbers));
    NoteHead* t = tab->Head(0);
    t->SetPitch(72);
    t->SetPosition(4);
    struct Step {
        const char* what;
        bool up, drag;
        int pitch, position, shape;
    };
    const Step steps[] = {
        {"down: the next string plays 72 at fret 5", false, false, 72, 2, 37},
        {"up: back to the string above, fret 1", true, false, 72, 4, 33},
        {"dragged down: the pitch moves on its string", false, true, 71, 4, 32},
        {"up twice: string 0 is open at 76, 71 stays", true, false, 71, 4, 32},
    };
    for (const Step& s : steps) {
        g_notation.headDragActive = s.drag;
        EXPECT_TRUE(tab->StepHeadPitch(0, kTreble, kC, s.up, true)) << s.what;
        EXPECT_EQ(t->Pitch(), s.pitch) << s.what;
        EXPECT_EQ(t->Position(), s.position) << s.what;
        EXPECT_EQ(t->Shape(), s.shape) << s.what;
    }
    g_notation.headDragActive = false;
}

TEST_F(SpellingTest, AStaffMoveReachesTheStaffBelowWithItsClef) {
    RegisterTrackClass();
    CZelDoc doc;
    CScore score(&doc);
    ASSERT_TRUE(score.BuildSkeleton(1, 2));
    score.GetTrack(1)->SetClef(kBass);
    g_model.currentScore = &score;
    score.GetTrkBar(0, 0)->SetCurrent();
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    NoteHead* h = note->Head(0);
    h->SetPitch(48);  // the C below the bass staff's middle line
    h->SetPosition(g_theory.PitchToStaffPos(48, kTreble, kC));
    note->MoveHeadToStaff(0, 1);
    EXPECT_EQ(h->CrossStaffOffset(), 1);
    EXPECT_EQ(h->Position(), -1) << "placed under the bass clef";
    note->MoveHeadToStaff(0, 1);
    EXPECT_EQ(h->CrossStaffOffset(), 1) << "no third staff: nothing moves";
}

TEST_F(SpellingTest, ATiedHeadMovedToAStaffWhoseClefChangedKeepsTheClefOfTheTiesStart) {
    // Two treble staves; the lower one turns to the bass clef where the tied-into note stands.
    // Moving the tied-into middle C down keeps it written as the treble clef writes it, like
    // the head it is tied from; a head without a tie is written under the bass clef.
    struct Case {
        const char* what;
        int startBar, startTime, startPos;  // the note the tie begins on
        int endBar, endTime, endPos;        // the note moved
        int clefPos;                        // the lower staff's bass clef, in the moved note's bar
        bool tieEnd;
        int position;
    };
    const Case cases[] = {
        {"tied over the bar line", 0, 1440, 800, 1, 0, 0, 0, true, -6},
        {"tied within the bar", 0, 0, 100, 0, 960, 600, 400, true, -6},
        {"not tied: the new clef", 0, 0, 100, 0, 960, 600, 400, false, 6},
        {"tied, the clef before both notes", 0, 0, 100, 0, 960, 600, 50, true, 6},
    };
    RegisterTrackClass();
    for (const Case& c : cases) {
        CZelDoc doc;
        CScore score(&doc);
        ASSERT_TRUE(score.BuildSkeleton(2, 3));  // treble, treble, bass
        g_model.currentScore = &score;
        CTrkBar* lower = score.GetTrkBar(1, c.endBar);
        CBarItem* clef = lower->NewItem(CClef::kTypeCode, 0);
        ASSERT_NE(clef, nullptr);
        clef->InitNew(0, 0, c.clefPos);
        rec::Put<std::uint8_t>(clef, CClef::kCode, std::uint8_t(kBass));

        auto put = [&](int bar, int time, int pos, bool start, bool end) {
            RecordBuf buf;
            CNote* note = MakeNote(buf, 1);
            note->SetTimeField(std::int16_t(time));
            note->SetPositionField(std::int16_t(pos));
            note->Head(0)->SetPitch(60);
            note->Head(0)->SetPosition(-6);
            note->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, start);
            note->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieEnd, end);
            ASSERT_NE(score.GetTrkBar(0, bar)->InsertCopy(note), nullptr);
        };
        put(c.startBar, c.startTime, c.startPos, true, false);
        put(c.endBar, c.endTime, c.endPos, false, c.tieEnd);

        CTrkBar* upper = score.GetTrkBar(0, c.endBar);
        upper->SetCurrent();
        CBarItem* item = nullptr;
        CNote* moved = nullptr;
        while (upper->NextNote(&item, 0))
            if (item->PositionField() == c.endPos) moved = static_cast<CNote*>(item);
        ASSERT_NE(moved, nullptr) << c.what;
        moved->MoveHeadToStaff(0, 1);
        EXPECT_EQ(moved->Head(0)->CrossStaffOffset(), 1) << c.what;
        EXPECT_EQ(moved->Head(0)->Position(), c.position) << c.what;
        g_model.currentScore = nullptr;
    }
}
