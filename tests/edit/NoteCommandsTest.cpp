// The note commands over the selection, run through the document's command handler as the Note
// menu and the palettes send them: Add Interval, marks per head, new pitches from the keyboard,
// showing notes on another staff and the drum pitch. Each is undone to the bytes it found.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "edit/IntervalTasks.h"
#include "edit/Transcriber.h"
#include "framework/Input.h"
#include "edit/EditFixture.h"
#include "model/TaskMakers.h"
#include "model/TieType.h"
#include "notation/RawNote.h"
#include "platform/Theory.h"

using edittest::EditScore;

namespace {

std::vector<int> Pitches(const CBarItem* item) {
    const auto* note = static_cast<const CRawNote*>(item);
    std::vector<int> out;
    for (int i = 0; i < note->HeadCountField(); ++i) out.push_back(note->Head(i)->Pitch());
    return out;
}

// The first live note of track t's bar b.
CRawNote* FirstNote(EditScore& s, int t, int b) {
    for (CBarItem* item : s.Live(t, b))
        if (item->IsNote()) return static_cast<CRawNote*>(item);
    return nullptr;
}

}  // namespace

// Every interval command: up from the highest head, down from the lowest, by its semitones,
// each new head standing where its pitch is written in the key; undo gives the bar back.
TEST(AddInterval, EachOfTheSixteenCommandsAddsItsIntervalSpelledForTheKey) {
    struct Case {
        int id, semitones;
    };
    const Case cases[] = {{35010, 14},  {35011, 12},  {35012, 11},  {35013, 9},  {35014, 7},  {35015, 5},
                          {35016, 4},   {35017, 2},   {35018, -2},  {35019, -4}, {35020, -5}, {35021, -7},
                          {35022, -9},  {35023, -11}, {35024, -12}, {35025, -14}};
    EditScore s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const int bar = c.id - 35010;
        s.AddNote(0, bar, 0, 3, {64, 67}, 0, true);
        s.SelectExtent(0, 0, bar, bar);
        const auto before = s.Run(0, bar);
        s.doc->OnCommandRange(c.id);
        CRawNote* note = FirstNote(s, 0, bar);
        ASSERT_NE(note, nullptr);
        const std::vector<int> pitches = Pitches(note);
        ASSERT_EQ(pitches.size(), 3u);
        const int from = c.semitones > 0 ? 67 : 64;
        EXPECT_NE(std::find(pitches.begin(), pitches.end(), from + c.semitones), pitches.end());
        int clef = 0, key = 0;
        s.score->GetTrkBar(0, bar)->GetClefAndKeyAt(0, &clef, &key);
        for (int i = 0; i < note->HeadCountField(); ++i)
            if (note->Head(i)->Pitch() == from + c.semitones)
                EXPECT_EQ(note->Head(i)->Position(), g_theory.PitchToStaffPos(from + c.semitones, clef, key));
        s.doc->Undo();
        note = FirstNote(s, 0, bar);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(Pitches(note), (std::vector<int>{64, 67}));
    }
}

// A pitch that would leave the MIDI range adds no head; neither does a note that holds the 255
// heads its one-byte count allows.
TEST(AddInterval, APitchOutsideTheMidiRangeOrAFullNoteGetsNoHead) {
    EditScore s;
    s.AddNote(0, 0, 0, 3, {120}, 0, true);
    s.SelectExtent(0, 0, 0, 0);
    s.doc->OnCommandRange(35010);  // up a ninth: 134
    EXPECT_EQ(Pitches(FirstNote(s, 0, 0)), (std::vector<int>{120}));
    s.AddNote(0, 1, 0, 3, {5}, 0, true);
    s.SelectExtent(0, 0, 1, 1);
    s.doc->OnCommandRange(35025);  // down a ninth: -9
    EXPECT_EQ(Pitches(FirstNote(s, 0, 1)), (std::vector<int>{5}));
    std::vector<int> many(255, 60);
    s.AddNote(0, 2, 0, 3, many, 0, true);
    s.SelectExtent(0, 0, 2, 2);
    s.doc->OnCommandRange(35016);
    EXPECT_EQ(FirstNote(s, 0, 2)->HeadCountField(), 255);
}

// Three pitches played while a one-head note is selected make it a chord of those pitches,
// spelled for the key in force.
TEST(NewPitch, AChordPlayedOnAOneHeadNoteGivesThreeHeadsSpelledForTheKey) {
    EditScore s;
    s.AddNote(0, 3, 0, 3, {60}, 0, true);
    s.SelectExtent(0, 0, 3, 3);
    const std::uint8_t entries[12] = {0x90, 61, 100, 0, 0x90, 65, 100, 0, 0x90, 68, 100, 0};
    auto* task = new CNewPitchTask;
    task->Attach(s.doc.get(), 0, 3);
    task->SetPitches(entries, 3);
    s.doc->DoTask(task);
    CRawNote* note = FirstNote(s, 0, 3);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(Pitches(note), (std::vector<int>{61, 65, 68}));
    int clef = 0, key = 0;
    s.score->GetTrkBar(0, 3)->GetClefAndKeyAt(0, &clef, &key);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(note->Head(i)->Position(), g_theory.PitchToStaffPos(note->Head(i)->Pitch(), clef, key));
}

// Show on the staff below moves the selected heads one staff down; on the last track showing
// them below, and on the first showing them above, moves nothing.
TEST(NewStaff, HeadsMoveOneStaffWithinTheTracksAndTheOffsetLimit) {
    EditScore s;
    const int last = s.score->GetTrackCount() - 1;
    s.AddNote(0, 4, 0, 3, {72}, 0, true);
    s.SelectExtent(0, 0, 4, 4);
    s.doc->OnCommandRange(35601);
    EXPECT_EQ(FirstNote(s, 0, 4)->Head(0)->CrossStaffOffset(), 1);
    s.AddNote(last, 5, 0, 3, {48}, 0, true);
    s.SelectExtent(last, last, 5, 5);
    s.doc->OnCommandRange(35601);
    EXPECT_EQ(FirstNote(s, last, 5)->Head(0)->CrossStaffOffset(), 0);
    s.AddNote(0, 6, 0, 3, {60}, 0, true);
    s.SelectExtent(0, 0, 6, 6);
    s.doc->OnCommandRange(35600);
    EXPECT_EQ(FirstNote(s, 0, 6)->Head(0)->CrossStaffOffset(), 0) << "the first track has no staff above";
}

// A per-head mark (70-75) goes on each selected head of a chord, 60 units further per staff step
// between the heads; another mark goes on once.
TEST(AddMark, APerHeadMarkGoesOnEverySelectedHeadAnyOtherOnce) {
    EditScore s;
    int code = 70;
    ChosenPaletteButton() = [&code] { return code; };
    s.AddNote(0, 7, 0, 3, {60, 64, 67}, 0, true);
    s.SelectExtent(0, 0, 7, 7);
    s.doc->GetSelection()->Recount();
    s.doc->OnCommandRange(4007);
    CRawNote* note = FirstNote(s, 0, 7);
    ASSERT_EQ(note->MarkCount(), 3);
    const int step1 = note->Head(0)->Position() - note->Head(1)->Position();
    const int sign = note->IsStemUp() ? -1 : 1;
    EXPECT_EQ(note->GetMark(1)->YOffset() - note->GetMark(0)->YOffset(), -60 * step1 * sign);
    s.doc->Undo();
    code = 2;
    note = FirstNote(s, 0, 7);
    note->Select();
    note->SelectPart(CRawNote::kAllHeads);
    s.SelectExtent(0, 0, 7, 7);
    s.doc->GetSelection()->Recount();
    s.doc->OnCommandRange(4007);
    EXPECT_EQ(FirstNote(s, 0, 7)->MarkCount(), 1);
    ChosenPaletteButton() = nullptr;
}

// The drum pitch (51002) goes to the selected heads only.
TEST(DrumPitch, TheChosenPitchGoesToTheSelectedHeads) {
    EditScore s;
    CRawNote* note = s.AddNote(0, 8, 0, 3, {60, 64}, 0, false);
    note->Select();
    note->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    s.SelectExtent(0, 0, 8, 8);
    s.doc->location.drumEntry = 38;
    s.doc->OnCommandRange(51002);
    EXPECT_EQ(Pitches(FirstNote(s, 0, 8)), (std::vector<int>{60, 38}));
}

// Fill with Rests fills the gaps of the insertion point's bar in every shown voice that holds a
// note, and leaves a voice without notes alone; undo gives the bar back.
TEST(FillRests, TheInsertionBarsVoicesWithNotesGetRestsInTheirGaps) {
    EditScore s;
    s.AddNote(0, 9, 480, 3, {67}, 0, false);
    s.AddNote(0, 9, 960, 3, {60}, 1, false);
    const auto before = s.Run(0, 9);
    s.doc->location.trackIndex = 0;
    s.doc->location.barIndex = 9;
    s.doc->location.insertionPlaced = true;
    s.doc->OnCommandRange(34012);
    int restsInVoice0 = 0, restsInVoice1 = 0, restsElsewhere = 0;
    for (CBarItem* item : s.Live(0, 9)) {
        if (!item->IsRest()) continue;
        if (item->VoiceField() == 0) ++restsInVoice0;
        else if (item->VoiceField() == 1) ++restsInVoice1;
        else ++restsElsewhere;
    }
    EXPECT_GT(restsInVoice0, 0);
    EXPECT_EQ(restsElsewhere, 0);
    if (s.score->IsVoiceShown(1)) EXPECT_GT(restsInVoice1, 0);
    s.doc->Undo();
    EXPECT_EQ(s.Run(0, 9), before);
}

// A beam-group palette button (4122: groups of 3) sets the selected beam's group count and lays
// it out again; undo gives the bar back.
TEST(GroupBeam, TheSelectedBeamTakesTheGroupCount) {
    EditScore s;
    for (int k = 0; k < 4; ++k) s.AddNote(0, 10, 240 * k, 4, {60 + 2 * k}, 0, true);
    s.score->GetTrkBar(0, 10)->RecalcPositions(-1);
    s.SelectExtent(0, 0, 10, 10);
    s.doc->OnCommandRange(35201);
    CBarItem* beam = nullptr;
    for (CBarItem* item : s.Live(0, 10))
        if (item->IsBeam()) beam = item;
    ASSERT_NE(beam, nullptr) << "beamed by hand";
    beam->Select();
    s.SelectExtent(0, 0, 10, 10);
    s.doc->OnCommandRange(4122);
    beam = nullptr;
    for (CBarItem* item : s.Live(0, 10))
        if (item->IsBeam()) beam = item;
    ASSERT_NE(beam, nullptr);
    EXPECT_EQ(rec::Get<std::uint8_t>(beam, 19), 3);
    s.doc->Undo();
    beam = nullptr;
    for (CBarItem* item : s.Live(0, 10))
        if (item->IsBeam()) beam = item;
    ASSERT_NE(beam, nullptr);
    EXPECT_NE(rec::Get<std::uint8_t>(beam, 19), 3);
}

// The dotted tie (4006) ties two notes of one pitch with a dotted tie, Tie (35300) with a solid
// one; notes of another voice or pitch are never paired.
TEST(AddTie, DottedFromThePaletteSolidFromTheMenuAndOnlyLikeHeadsPair) {
    struct Case {
        int id;
        bool dotted;
    };
    for (const Case c : {Case{4006, true}, Case{35300, false}}) {
        SCOPED_TRACE(c.id);
        EditScore s;
        s.AddNote(0, 11, 0, 3, {67}, 0, true);
        s.AddNote(0, 11, 480, 3, {67}, 1, true);   // another voice
        s.AddNote(0, 11, 960, 3, {69}, 0, true);   // another pitch
        s.AddNote(0, 11, 1440, 3, {67}, 0, true);
        s.score->GetTrkBar(0, 11)->RecalcPositions(-1);
        s.doc->location.allVoices = true;
        s.SelectExtent(0, 0, 11, 11);
        s.doc->GetSelection()->Recount();
        s.doc->OnCommandRange(c.id);
        std::vector<CBarItem*> ties;
        for (CBarItem* item : s.Live(0, 11))
            if (item->IsTie()) ties.push_back(item);
        ASSERT_EQ(ties.size(), 1u) << "only the two voice-0 notes of pitch 67 pair";
        EXPECT_EQ(CTieType::Of(ties[0])->IsDotted(), c.dotted);
        EXPECT_EQ(ties[0]->TimeField(), 0);
        EXPECT_EQ(CTieType::Of(ties[0])->Pitch(), 67);
    }
}

// Respelling leaves a note with tablature heads alone.
TEST(Enharmonic, TablatureHeadsAreLeftAlone) {
    EditScore s;
    CRawNote* note = s.AddNote(0, 12, 0, 3, {61}, 0, true);
    note->Head(0)->SetAccidental(1);
    note->SetNoteFlags(std::uint8_t(note->NoteFlags() | CRawNote::kFretNumbers));
    s.SelectExtent(0, 0, 12, 12);
    const auto before = FirstNote(s, 0, 12)->Head(0)->Position();
    s.doc->OnCommandRange(35402);
    EXPECT_EQ(FirstNote(s, 0, 12)->Head(0)->Accidental(), 1);
    EXPECT_EQ(FirstNote(s, 0, 12)->Head(0)->Position(), before);
}

// Every head of track 0's bar 3 as (pitch, accidental byte).
static std::vector<std::pair<int, int>> Heads(EditScore& s) {
    std::vector<std::pair<int, int>> out;
    for (CBarItem* item : s.Live(0, 3))
        if (item->IsNote())
            for (int h = 0; h < static_cast<CRawNote*>(item)->HeadCountField(); ++h) {
                const NoteHead* head = static_cast<CRawNote*>(item)->Head(h);
                out.emplace_back(head->Pitch(), head->Byte(NoteHead::kAccByte));
            }
    return out;
}

// Carry-through: a sharp set while a mouse button is held goes on the voice's later notes of the
// bar at the same staff position too (not on another position or voice); without the option or
// without the button only the selected head takes it. Undo gives the bar back.
TEST(AddAccidental, CarryThroughReachesTheVoicesLaterNotesAtThatPositionWhileAButtonIsHeld) {
    struct Case {
        bool option, button;
        int laterSame;  // the pitch the voice's later note at that position ends with
    };
    for (const Case c : {Case{true, true, 61}, Case{true, false, 60}, Case{false, true, 60}}) {
        EditScore s;
        s.AddNote(0, 3, 0, 3, {60}, 0, true);
        s.AddNote(0, 3, 480, 3, {60}, 0);
        s.AddNote(0, 3, 960, 3, {62}, 0);
        s.AddNote(0, 3, 480, 3, {60}, 1);
        // Each head where its pitch is written, and the bar's accidentals worked out.
        CTrkBar* tb = s.score->GetTrkBar(0, 3);
        int clef = 0, key = 0;
        tb->GetClefAndKeyAt(0, &clef, &key);
        for (CBarItem* item : s.Live(0, 3)) {
            NoteHead* h = static_cast<CRawNote*>(item)->Head(0);
            h->SetPosition(g_theory.PitchToStaffPos(h->Pitch(), clef, key));
        }
        tb->RecalcAccidentals();
        const auto before = s.Live(0, 3).size();
        const auto start = Heads(s);
        s.SelectExtent(0, 0, 3, 3);
        g_edit.carryAccidentals = c.option ? 1 : 0;
        {
            fw::inputtest::Script keys;
            keys.SetDown(VK_LBUTTON, c.button);
            s.doc->OnCommandRange(1022);
        }
        g_edit.carryAccidentals = 0;
        const std::vector<CBarItem*> live = s.Live(0, 3);
        ASSERT_EQ(live.size(), before);
        auto pitchAt = [&](int time, int voice) {
            for (CBarItem* item : live)
                if (item->IsNote() && item->TimeField() == time && item->VoiceField() == voice)
                    return int(static_cast<CRawNote*>(item)->Head(0)->Pitch());
            return -1;
        };
        EXPECT_EQ(pitchAt(0, 0), 61);
        EXPECT_EQ(pitchAt(480, 0), c.laterSame) << "option " << c.option << ", button " << c.button;
        EXPECT_EQ(pitchAt(960, 0), 62) << "another position";
        EXPECT_EQ(pitchAt(480, 1), 60) << "another voice";
        s.doc->Undo();
        EXPECT_EQ(Heads(s), start) << "undo gives the bar back";
    }
}

// Flip Direction on the notes of a tuplet: a tuplet whose side is not kept turns to the other
// side with the stems; one whose kept flag is set stays where it is.
TEST(FlipStems, ATupletTurnsWithTheStemsUnlessItsSideIsKept) {
    for (const bool kept : {false, true}) {
        EditScore s;
        for (int time : {0, 160, 320}) s.AddNote(0, 5, time, 4, {67}, 0, true);
        s.score->GetBar(5)->Respace();
        // The records move as the run grows: the notes are found again.
        std::vector<CBarItem*> members;
        for (CBarItem* item : s.Live(0, 5))
            if (item->IsNote()) members.push_back(item);
        ASSERT_EQ(members.size(), 3u);
        TupletMake make;
        make.number = 3;
        make.secondNumber = 2;
        CTuplet::FitToNotes(members.data(), 3, make);
        alignas(8) std::uint8_t bytes[CTuplet::kSize];
        CTuplet* tuplet = CTuplet::Init(bytes, 0, 120, 3, 3, 2, make.voice, 0, members.front()->PositionField(),
                                        make.startY, make.startStaffOffset, members.back()->PositionField(), make.endY,
                                        make.endStaffOffset);
        if (kept) tuplet->SetShape(std::uint8_t(tuplet->Shape() | CTuplet::kKeptBit));
        CTrkBar* tb = s.score->GetTrkBar(0, 5);
        ASSERT_NE(tb->AddTuplet(*tuplet, 0), nullptr);
        auto hook = [&] {
            for (CBarItem* item : s.Live(0, 5))
                if (item->IsTuplet()) return int(static_cast<CTuplet*>(item)->Hook());
            return 0;
        };
        const int before = hook();
        ASSERT_NE(before, 0);
        s.SelectExtent(0, 0, 5, 5);
        s.doc->OnCommandRange(35400);
        const int after = hook();
        if (kept)
            EXPECT_EQ(after, before) << "a kept side stays";
        else
            EXPECT_EQ(after < 0, before > 0) << "the tuplet turns with the stems";
    }
}

// Mark As Grace on a whole note under both grace timings: 0, the grace plays before its time and
// the next note as before; set, the grace plays on its time and the voice's next note that much
// later. Undo gives the heads back either way.
TEST(MarkAsGrace, TheGraceTimingChoosesWhetherTheGraceOrTheNextNoteGivesWay) {
    for (const int timing : {0, 1}) {
        EditScore s;
        s.AddNote(0, 6, 0, 3, {67}, 0, true);
        s.AddNote(0, 6, 480, 3, {69}, 0);
        s.score->GetBar(6)->Respace();
        auto heads = [&] {
            // (pitch, start offset) of every head in run order.
            std::vector<std::pair<int, int>> out;
            for (CBarItem* item : s.Live(0, 6))
                if (item->IsNote())
                    for (int h = 0; h < static_cast<CRawNote*>(item)->HeadCountField(); ++h)
                        out.emplace_back(static_cast<CRawNote*>(item)->Head(h)->Pitch(),
                                         static_cast<CRawNote*>(item)->Head(h)->StartOffset());
            return out;
        };
        const auto before = heads();
        s.SelectExtent(0, 0, 6, 6);
        g_edit.graceTiming = std::uint8_t(timing);
        s.doc->OnCommandRange(35709);
        g_edit.graceTiming = 0;
        // An eighth grace is not shorter than half the quarter it came from: it takes the
        // quarter's 480 ticks.
        const std::vector<std::pair<int, int>> expected =
            timing == 0 ? std::vector<std::pair<int, int>>{{67, -480}, {69, 0}}
                        : std::vector<std::pair<int, int>>{{67, 0}, {69, 480}};
        EXPECT_EQ(heads(), expected) << "grace timing " << timing;
        s.doc->Undo();
        EXPECT_EQ(heads(), before);
    }
}
