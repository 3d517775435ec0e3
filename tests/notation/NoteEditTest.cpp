// Editing notes by hand where a script cannot see it: the tie that goes with a transposed head,
// the order in which a key change moves a chord's heads, and head drags with what they sound.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/MidiRecorder.h"
#include "NoteDrawSupport.h"
#include "NotationTestSupport.h"
#include "model/ItemClass.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "model/ModelGlobals.h"
#include "model/Preferences.h"
#include "model/TrkBarTestSupport.h"
#include "notation/NotationGlobals.h"
#include "notation/Note.h"
#include "platform/Theory.h"

using namespace notetest;

namespace {

class NoteEdit : public NoteDrawTest {
protected:
    void SetUp() override {
        NoteDrawTest::SetUp();
        trkBar = score->GetTrkBar(0, 0);
        testsupport::RecordedMidi().clear();
    }

    // A note at column 256 of track 0's bar 0, its heads (position, pitch) in the run; the note
    // in the run.
    CRawNote* AddNote(std::initializer_list<std::pair<int, int>> heads, bool up = true) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, int(heads.size()));
        note->SetPositionField(256);
        note->SetTimeField(480);
        note->SetStemUpBit(up);
        int k = 0;
        for (auto [position, pitch] : heads) {
            note->Head(k)->SetPosition(position);
            note->Head(k)->SetPitch(pitch);
            note->Head(k)->SetByte(NoteHead::kVelocity, 90);
            note->Head(k)->SetDuration(480);
            ++k;
        }
        return static_cast<CRawNote*>(trkBar->InsertCopy(note));
    }
    // The first live record of a type in the run.
    CBarItem* Find(int type) {
        for (CBarItem* item = trkBar->GetItems(); item && item->Type() != 255; item = item->NextItem())
            if (item->Type() == type) return item;
        return nullptr;
    }
    // The notes sent, as (key, velocity): velocity 0 ends a note.
    static std::vector<std::pair<int, int>> NotesSent() {
        std::vector<std::pair<int, int>> out;
        for (const testsupport::MidiRecorder::Sent& s : testsupport::RecordedMidi())
            if (s.kind == testsupport::MidiRecorder::Kind::Message3 && (s.a & 0xF0) == 0x90) out.emplace_back(s.b, s.c);
        return out;
    }

    CTrkBar* trkBar = nullptr;
};

using Notes = std::vector<std::pair<int, int>>;

}  // namespace

TEST_F(NoteEdit, ATransposedHeadTakesItsTieAlongAndAHeadWithoutOneLosesTheFlag) {
    AddNote({{-6, 60}, {-2, 67}});
    // The tie from the lower head: its column, its start on staff position -6, pitch 60.
    recordtest::Bytes tie = trkbartest::Item(30, 40, 480);
    trkbartest::View(tie)->SetPositionField(256);
    rec::Put<std::int16_t>(tie.data(), 18, -6);
    rec::Put<std::int16_t>(tie.data(), 20, -6);
    rec::Put<std::uint8_t>(tie.data(), 17, std::uint8_t(60 << 1 | 1));
    ASSERT_NE(trkBar->InsertCopy(trkbartest::View(tie)), nullptr);
    auto* note = static_cast<CRawNote*>(Find(CNote::kType));
    ASSERT_NE(note, nullptr);
    note->Head(0)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    note->Head(1)->SetBits(NoteHead::kLinkByte, NoteHead::kTieStart, true);
    note->SelectPart(CRawNote::kAllHeads);
    ASSERT_NE(trkBar->FindTieFrom(note, 0), nullptr);

    // Up a semitone: C to C sharp and G to G sharp, the heads staying on their lines.
    note->TransposeSelected(1, 2);

    EXPECT_EQ(note->Head(0)->Pitch(), 61);
    EXPECT_TRUE(note->Head(0)->HasTieStart());
    const CBarItem* t = Find(30);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(rec::Get<std::uint8_t>(t, 17) >> 1, 61) << "the tie's pitch follows its head";
    EXPECT_EQ(rec::Get<std::uint8_t>(t, 17) & 1, 1) << "bit 0 kept";
    EXPECT_EQ(note->Head(1)->Pitch(), 68);
    EXPECT_FALSE(note->Head(1)->HasTieStart()) << "no tie starts at the upper head";
}

namespace {
// The notated note's behaviour that also writes down which head each MoveHead moved.
class OrderOfMoves : public NoteBehaviour {
public:
    void MoveHead(CRawNote& note, int i, int delta, int oldPitch) const override {
        moved.push_back(i);
        NoteBehaviour::MoveHead(note, i, delta, oldPitch);
    }
    mutable std::vector<int> moved;
};
}  // namespace

TEST_F(NoteEdit, AKeyChangeMovesTheHeadFarthestInItsDirectionFirst) {
    OrderOfMoves logging;
    ASSERT_TRUE(ItemClasses().SetBehaviourForCode(CNote::kType, &logging));
    struct Case {
        bool stemUp;
        int semitones;
        std::vector<int> order;
        const char* why;
    };
    // With the stem up head 0 is the lowest; with it down the highest.
    const Case cases[] = {
        {true, 2, {2, 1, 0}, "up, stem up: from the top head down"},
        {true, -2, {0, 1, 2}, "down, stem up: from the bottom head up"},
        {false, 2, {0, 1, 2}, "up, stem down: head 0 is the top"},
        {false, -2, {2, 1, 0}, "down, stem down: head n-1 is the bottom"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, 3);
        note->SetStemUpBit(c.stemUp);
        const int positions[3] = {-6, -4, -2}, pitches[3] = {60, 64, 67};
        for (int k = 0; k < 3; ++k) {
            const int h = c.stemUp ? k : 2 - k;
            note->Head(h)->SetPosition(positions[k]);
            note->Head(h)->SetPitch(pitches[k]);
        }
        logging.moved.clear();
        note->TransposeAll(0, c.semitones > 0 ? 9 : 2, 0, c.semitones);
        EXPECT_EQ(logging.moved, c.order) << c.why;
    }
    ItemClasses().SetBehaviourForCode(CNote::kType, &NoteBehaviour::Instance());
}

TEST_F(NoteEdit, HalfALineSpacingStepsThePitchAndEveryPitchSoundedIsEnded) {
    CRawNote* note = AddNote({{-4, 64}});
    ASSERT_NE(note, nullptr);
    g_preferences.SetByte(Preferences::kDragNote, 1);
    const int half = staff->GetLineSpacing() / 2;
    ASSERT_GT(half, 1);
    g_model.hitPart = 0;
    {
        HeadDrag drag;
        note->BeginHeadDrag(drag, POINT{100, 100});
        EXPECT_TRUE(g_notation.headDragActive);
        note->DragHeadBy(drag, POINT{100, 100 - (half - 1)});
        EXPECT_EQ(note->Head(0)->Pitch(), 64) << "less than half a line spacing: no step";
        note->DragHeadBy(drag, POINT{100, 100 - half});
        EXPECT_EQ(note->Head(0)->Pitch(), 65) << "a step of the key: E to F";
        g_preferences.SetByte(Preferences::kDragChromatic, 1);
        note->DragHeadBy(drag, POINT{100, 100 - 2 * half});
        EXPECT_EQ(note->Head(0)->Pitch(), 66) << "chromatic: F to F sharp";
        note->DragHeadBy(drag, POINT{103, 100 - 2 * half});
        EXPECT_EQ(note->Head(0)->Pitch(), 66) << "sideways in display mode 0: nothing";
        EXPECT_EQ(note->Head(0)->StartOffset(), 0);
        note->EndHeadDrag(drag);
        EXPECT_FALSE(g_notation.headDragActive);
    }
    EXPECT_EQ(NotesSent(), (Notes{{64, 90}, {64, 0}, {65, 90}, {65, 0}, {66, 90}, {66, 0}}));

    // A drag that goes away without its end (a cancel) still ends the note it sounds.
    testsupport::RecordedMidi().clear();
    {
        HeadDrag drag;
        note->BeginHeadDrag(drag, POINT{100, 100});
        note->DragHeadBy(drag, POINT{100, 100 + half});
    }
    EXPECT_EQ(NotesSent(), (Notes{{66, 90}, {66, 0}, {65, 90}, {65, 0}}));

    // Without sounding during edits nothing is sent; the pitch still steps.
    testsupport::RecordedMidi().clear();
    g_preferences.SetByte(Preferences::kDragNote, 0);
    HeadDrag drag;
    note->BeginHeadDrag(drag, POINT{100, 100});
    note->DragHeadBy(drag, POINT{100, 100 + half});
    note->EndHeadDrag(drag);
    EXPECT_EQ(note->Head(0)->Pitch(), 64);
    EXPECT_TRUE(NotesSent().empty());
}

TEST_F(NoteEdit, AFretNumberStepsWithinItsCodesAndItsPitchWithIt) {
    g_notation.fretDragOption = true;
    g_preferences.SetByte(Preferences::kDragNote, 0);
    struct Case {
        int code, pitch;
        int dy;
        int codeAfter, pitchAfter;
        const char* why;
    };
    const Case cases[] = {
        {57, 70, -5, 57, 70, "57 is the highest fret code"},
        {56, 69, -5, 57, 70, "up one"},
        {32, 45, 5, 32, 45, "32, the open string, is the lowest"},
        {40, 53, 5, 39, 52, "down one"},
    };
    for (const Case& c : cases) {
        RecordBuf buf;
        CNote* note = MakeNote(buf, 1);
        note->SetHeadShape(0, c.code);
        note->Head(0)->SetPitch(c.pitch);
        ASSERT_TRUE(note->HasFretNumbers());
        g_model.hitPart = 0;
        HeadDrag drag;
        note->BeginHeadDrag(drag, POINT{50, 50});
        note->DragHeadBy(drag, POINT{50, 50 + c.dy});
        note->EndHeadDrag(drag);
        EXPECT_EQ(note->Head(0)->Shape(), c.codeAfter) << c.why;
        EXPECT_EQ(note->Head(0)->Pitch(), c.pitchAfter) << c.why;
    }
}

TEST_F(NoteEdit, OnATimeAxisAPressRightOfTheCentreDragsTheEndAndLeftOfItTheStart) {
    CRawNote* note = AddNote({{-4, 64}});
    ASSERT_NE(note, nullptr);
    g_preferences.SetByte(Preferences::kDragNote, 0);
    g_notation.performanceDisplay = 1;
    RECT r{};
    note->GetPartBounds(&r, 0);
    ASSERT_GT(r.right - r.left, 4);
    const int y = (r.top + r.bottom) / 2;
    g_model.hitPart = 0;

    HeadDrag drag;
    note->BeginHeadDrag(drag, POINT{r.right - 1, y});
    EXPECT_TRUE(drag.moveEnd);
    note->DragHeadBy(drag, POINT{r.right + 20, y});
    note->DragHeadBy(drag, POINT{r.right + 30, y});
    note->DragHeadBy(drag, POINT{r.right + 25, y});
    note->EndHeadDrag(drag);
    EXPECT_EQ(note->Head(0)->Duration(), 481) << "one tick per event, however far";
    EXPECT_EQ(note->Head(0)->StartOffset(), 0);

    note->BeginHeadDrag(drag, POINT{r.left, y});
    EXPECT_FALSE(drag.moveEnd);
    note->DragHeadBy(drag, POINT{r.left - 10, y});
    note->DragHeadBy(drag, POINT{r.left - 20, y});
    note->EndHeadDrag(drag);
    EXPECT_EQ(note->Head(0)->StartOffset(), -2);
    EXPECT_EQ(note->Head(0)->Duration(), 481);

    // A duration never wraps below zero.
    note->Head(0)->SetDuration(0);
    note->BeginHeadDrag(drag, POINT{r.right - 1, y});
    drag.moveEnd = true;  // the head is only 2 pixels wide now
    note->DragHeadBy(drag, POINT{r.right - 30, y});
    note->EndHeadDrag(drag);
    EXPECT_EQ(note->Head(0)->Duration(), 0);
}

TEST_F(NoteEdit, HeadsThatShowFretNumbersAreNeitherRespelledNorTransposed) {
    RecordBuf buf;
    CNote* note = MakeNote(buf, 1);
    note->SetHeadShape(0, 35);
    note->Head(0)->SetPosition(-6);
    note->Head(0)->SetPitch(61);
    note->Head(0)->SetAccidental(CTheory::kSharp);
    note->SelectPart(CRawNote::kAllHeads);
    note->RespellSelected();
    note->TransposeSelected(1, 2);
    EXPECT_EQ(note->Head(0)->Position(), -6);
    EXPECT_EQ(note->Head(0)->Pitch(), 61);
    EXPECT_EQ(note->Head(0)->Accidental(), CTheory::kSharp);
}
