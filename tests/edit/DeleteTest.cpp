// Clear, Cut's removal, the strip commands and the erase commands: what each leaves in the
// score, and that each undoes to the bytes it started from.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "EditFixture.h"
#include "../model/ScoreRecordBytes.h"
#include "edit/ClipboardWriter.h"
#include "edit/Commands.h"
#include "edit/DeleteTask.h"
#include "framework/Clipboard.h"
#include "framework/Exceptions.h"
#include "framework/Memory.h"
#include "framework/MessageBox.h"
#include "model/Bar.h"
#include "model/Clef.h"
#include "model/ItemArray.h"
#include "model/KeySig.h"
#include "model/ModelGlobals.h"
#include "model/ScoreFile.h"
#include "model/ScoreStructureStandIns.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Tempo.h"
#include "notation/Rest.h"
#include "platform/PlatformGlobals.h"

namespace {

using edittest::EditScore;

// A note's pitches from the lowest (the chord layout orders the heads its own way).
std::vector<int> Pitches(CBarItem* item) {
    std::vector<int> out;
    auto* note = static_cast<CRawNote*>(item);
    for (int k = 0; k < note->HeadCountField(); ++k) out.push_back(note->Head(k)->Pitch());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Clear, APartialChordLosesOnlyItsSelectedHeadsAndStaysSelected) {
    EditScore s;
    CRawNote* chord = s.AddNote(1, 2, 0, 3, {60, 64, 67});
    chord->Select();
    chord->Head(1)->SetBits(NoteHead::kShapeByte, NoteHead::kSelected, true);
    s.SelectExtent(1, 1, 2, 2);
    const auto before = s.AllRuns();
    s.doc->OnCommandRange(CDeleteTask::kClear);
    const auto live = s.Live(1, 2);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(Pitches(live[0]), (std::vector<int>{60, 67}));
    EXPECT_TRUE(live[0]->IsSelectedBit()) << "the chord stays selected";
    EXPECT_TRUE(static_cast<CRawNote*>(live[0])->Head(0)->IsSelected());
    s.doc->Undo();
    EXPECT_EQ(s.AllRuns(), before);
}

// Clear of a voice's notes fills the voice's gaps with rests by the meter; a voice left without
// any note is one whole rest.
TEST(Clear, AVoiceThatLostNotesIsFilledWithRests) {
    struct Case {
        const char* what;
        int voice;
        bool otherVoice;      // a whole note of voice 0 stays in the bar
        bool keepsANote;      // an unselected half note of the cleared voice stays at 960
        int restTicks;        // the ticks the voice's rests cover afterwards
    };
    const Case cases[] = {
        {"the bar's only note: a whole rest", 0, false, false, 1920},
        {"voice 1 beside voice 0: voice 1 is one whole rest", 1, true, false, 1920},
        {"voice 0 beside voice 1: voice 0 is one whole rest", 0, true, false, 1920},
        {"a voice that keeps a note: rests up to it", 0, false, true, 960},
    };
    for (const Case& c : cases) {
        EditScore s;
        s.doc->location.voice = std::uint16_t(c.voice);
        s.AddNote(0, 4, 0, 3, {62}, c.voice, true);
        if (c.otherVoice) s.AddNote(0, 4, 0, 1, {55}, c.voice == 0 ? 1 : 0);
        if (c.keepsANote) s.AddNote(0, 4, 960, 2, {64}, c.voice);
        s.SelectExtent(0, 0, 4, 4);
        s.doc->OnCommandRange(CDeleteTask::kClear);
        int restTicks = 0, notesOfVoice = 0;
        for (CBarItem* i : s.Live(0, 4)) {
            if (i->VoiceField() != c.voice) continue;
            if (i->IsRest()) restTicks += int(NoteDuration(*i));
            if (i->IsNote()) ++notesOfVoice;
        }
        EXPECT_EQ(restTicks, c.restTicks) << c.what;
        EXPECT_EQ(notesOfVoice, c.keepsANote ? 1 : 0) << c.what;
    }
}

TEST(Clear, ASelectedTempoMarkGoesAndTheBarsAfterItTakeTheTempoBefore) {
    EditScore s;
    std::uint8_t bytes[CTempo::kSize] = {};
    CTempo* tempo = MakeTempoItem(bytes, 6000);
    ASSERT_NE(s.score->GetBar(3)->InsertItemSorted(tempo), nullptr);
    s.score->RecalcBars(false);
    const int before = s.score->GetBar(2)->GetTempo();
    ASSERT_EQ(s.score->GetBar(5)->GetTempo(), 6000);
    CItemArray* own = s.score->GetBar(3)->GetItemArray();
    for (int i = 0; i < own->GetCount(); ++i)
        if (static_cast<CBarItem*>(own->GetAt(i))->IsTempo()) static_cast<CBarItem*>(own->GetAt(i))->Select();
    s.SelectExtent(0, 0, 3, 3);
    s.doc->OnCommandRange(CDeleteTask::kClear);
    EXPECT_EQ(s.score->GetBar(3)->GetTempo(), before);
    EXPECT_EQ(s.score->GetBar(20)->GetTempo(), before);
    s.doc->Undo();
    EXPECT_EQ(s.score->GetBar(5)->GetTempo(), 6000) << "undo brings the tempo mark back";
}

// Memory that runs out anywhere inside a clear: either the clear is done and undoable, or the
// score is as it was and nothing is pushed (the snapshot swapped back, or the question 10020
// answered No).
TEST(Clear, RunningOutOfMemoryAnywhereLeavesTheScoreWhole) {
    int done = 0;
    for (int allowed = 0; allowed < 400 && done < 8; ++allowed) {
        EditScore s;
        fw::msgboxtest::Capture boxes;
        boxes.Answer(IDNO);
        s.AddNote(0, 4, 0, 3, {62, 65}, 0, true);
        s.AddNote(1, 4, 480, 3, {50}, 0, true);
        s.SelectExtent(0, 1, 4, 4);
        const auto before = s.AllRuns();
        fw::memtest::FailAfter(allowed);
        s.doc->OnCommandRange(CDeleteTask::kClear);
        fw::memtest::Reset();
        if (s.doc->GetUndoCount() == 1) {
            ++done;
            EXPECT_NE(s.AllRuns(), before) << allowed;
            s.doc->Undo();
        } else {
            EXPECT_EQ(s.doc->GetUndoCount(), 0) << allowed;
        }
        EXPECT_EQ(s.AllRuns(), before) << allowed << " allocations allowed";
    }
    EXPECT_EQ(done, 8) << "with memory enough the clear is done";
}

// A failure after the walk has deleted something: the snapshot goes back before the operation
// is deleted, so the score is as it was.
TEST(Clear, AFailureHalfWayPutsTheScoreBack) {
    struct FailingClear : CDeleteTask {
        int items = 0;
        void DoItem() override {
            CDeleteTask::DoItem();
            if (++items == 2) {
                g_platform.errorCode = 100;
                throw CMemoryException();
            }
        }
    };
    EditScore s;
    fw::msgboxtest::Capture boxes;
    s.AddNote(0, 4, 0, 3, {62, 65}, 0, true);
    s.AddNote(0, 4, 480, 3, {64}, 0, true);
    s.AddNote(1, 5, 0, 3, {50}, 0, true);
    s.SelectExtent(0, 1, 4, 5);
    const auto before = s.AllRuns();
    auto* task = new FailingClear;
    task->Attach(s.doc.get(), CDeleteTask::kClear, CDeleteTask::kClear);
    s.doc->DoTask(task);
    EXPECT_EQ(s.AllRuns(), before);
    EXPECT_EQ(s.doc->GetUndoCount(), 0);
    EXPECT_EQ(boxes.shown().size(), 1u) << "the failure is reported";
}

TEST(Clear, NothingSelectedSavesNothingAndKeepsNoEntry) {
    EditScore s;
    s.AddNote(0, 0, 0, 3, {60});
    s.doc->GetSelection()->Reset();
    const auto before = s.AllRuns();
    auto* task = new CDeleteTask;
    task->Attach(s.doc.get(), CDeleteTask::kClear, CDeleteTask::kClear);
    task->Perform();
    EXPECT_FALSE(task->HasSavedTrackBars(0)) << "no bar was copied";
    EXPECT_EQ(task->SavedBars(), nullptr);
    EXPECT_FALSE(task->IsUndoable());
    delete task;
    s.doc->OnCommandRange(CDeleteTask::kClear);
    EXPECT_EQ(s.doc->GetUndoCount(), 0);
    EXPECT_EQ(s.AllRuns(), before);
}

TEST(Clear, TheInsertionPointGoesToTheExtentsStart) {
    EditScore s;
    s.AddNote(2, 6, 480, 3, {48}, 0, true);
    s.SelectExtent(2, 2, 6, 7);
    CSelect* sel = s.doc->GetSelection();
    sel->lower[4] = 480;
    sel->lower[5] = 300;
    s.doc->location.barIndex = 10;
    s.doc->OnCommandRange(CDeleteTask::kClear);
    EXPECT_EQ(s.doc->location.barIndex, 6);
    EXPECT_EQ(s.doc->location.time, 480.0);
    EXPECT_EQ(s.doc->location.position, 300);
}

// The strip commands on one note each.
TEST(Strip, MarksDuplicateHeadsAndBeams) {
    EditScore s;
    // Seven marks: the record shrinks by every mark's size.
    CRawHead* marked = s.AddNote(0, 1, 0, 1, {65}, 0, true);
    for (int code : {16, 23, 31, 19, 51, 49, 7}) marked = s.AddMark(marked, code);
    ASSERT_EQ(marked->MarkCount(), 7);
    // Three equal heads; of a pair, the lower head goes when it alone shows its accidental.
    CRawNote* triple = s.AddNote(1, 1, 0, 3, {67, 67, 67}, 0, true);
    CRawNote* pair = s.AddNote(1, 1, 480, 3, {62, 62}, 0, true);
    pair->Head(0)->SetBits(NoteHead::kAccByte, NoteHead::kAccShown, true);
    pair->Head(0)->SetAccidental(4);
    (void)triple;
    s.SelectExtent(0, 1, 1, 1);
    const auto before = s.AllRuns();

    s.doc->OnCommandRange(CDeleteTask::kDeleteMarks);
    auto notes = s.Live(0, 1);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(static_cast<CRawHead*>(notes[0])->MarkCount(), 0);
    EXPECT_EQ(notes[0]->RecordSizeField(), CRawNote::kHeads + NoteHead::kSize) << "no mark bytes are left";
    s.doc->Undo();
    EXPECT_EQ(s.AllRuns(), before);

    s.doc->OnCommandRange(CDeleteTask::kDeleteDuplicates);
    auto chords = s.Live(1, 1);
    ASSERT_EQ(chords.size(), 2u);
    EXPECT_EQ(Pitches(chords[0]), (std::vector<int>{67}));
    ASSERT_EQ(Pitches(chords[1]), (std::vector<int>{62}));
    EXPECT_FALSE(static_cast<CRawNote*>(chords[1])->Head(0)->IsAccidentalShown()) << "the flagged lower head went";
    EXPECT_FALSE(chords[0]->IsSelectedBit()) << "the command deselects what it walked";
    s.doc->Undo();
    EXPECT_EQ(s.AllRuns(), before);

    // A selected beam goes with the beams command; notes stay.
    CTrkBar* tb = s.score->GetTrkBar(0, 1);
    tb->SetCurrent();
    CBarItem* beam = tb->NewItem(16, 0);
    ASSERT_NE(beam, nullptr);
    beam->Select();
    s.doc->OnCommandRange(CDeleteTask::kDeleteBeams);
    for (CBarItem* i : s.Live(0, 1)) EXPECT_FALSE(i->IsBeam());
    EXPECT_EQ(s.Live(0, 1).size(), 1u);
}

TEST(Cut, AFailedCopyKeepsTheClipboardAndDeletesNothing) {
    EditScore s;
    fw::msgboxtest::Capture boxes;
    s.AddNote(0, 0, 0, 3, {60}, 0, true);
    s.SelectExtent(0, 0, 0, 0);
    s.doc->OnCommandRange(57634);
    const HGLOBAL held = fw::TheClipboard().GetData();
    ASSERT_NE(held, 0u);
    const std::size_t heldSize = fw::GlobalSize(held);
    const auto before = s.AllRuns();
    for (int allowed : {0, 1, 2}) {
        fw::memtest::FailAfter(allowed);
        s.doc->OnCommandRange(CDeleteTask::kCut);
        fw::memtest::Reset();
        EXPECT_EQ(s.AllRuns(), before) << allowed << " allocations: nothing is cut";
        EXPECT_EQ(fw::TheClipboard().GetData(), held) << allowed;
        EXPECT_EQ(fw::GlobalSize(held), heldSize) << allowed;
    }
    EXPECT_EQ(s.doc->GetUndoCount(), 0);
    ASSERT_FALSE(boxes.shown().empty()) << "the failure is reported";
    s.doc->OnCommandRange(CDeleteTask::kCut);
    EXPECT_TRUE(s.Live(0, 0).empty() || s.Live(0, 0)[0]->IsRest()) << "a cut that could copy clears";
    EXPECT_NE(fw::TheClipboard().GetData(), held);
}

// The erase command on the hit item: which records stay, and that each undoes.
TEST(Erase, TheHitItemOrPartGoes) {
    struct Case {
        const char* what;
        int part;                 // the hit part (-32767 the whole item)
        int tool;                 // 906: a mark was hit
        const char* kind;         // "chord", "single", "marked", "clef", "rest"
        std::vector<std::vector<int>> notesLeft;   // the live notes' pitches afterwards
        int restTicks;            // what rests of voice 0 cover afterwards
    };
    // Chords and single notes are halves at 0 before a half B at 960.
    const Case cases[] = {
        {"a chord's head", 1, 0, "chord", {{60, 67}, {71}}, 0},
        {"a whole chord: rests take its place", CRawNote::kAllHeads, 0, "chord", {{71}}, 960},
        {"a note's only head: rests take its place", 0, 0, "single", {{71}}, 960},
        {"a note's mark", 0, 906, "marked", {{62}}, 0},
        {"a clef", CRawNote::kAllHeads, 0, "clef", {{62}}, 0},
        {"a rest", CRawNote::kAllHeads, 0, "rest", {{62}}, 0},
    };
    for (const Case& c : cases) {
        EditScore s;
        const std::string kind = c.kind;
        CBarItem* hit = nullptr;
        if (kind == "chord" || kind == "single") {
            s.AddNote(1, 3, 960, 2, {71});
            hit = s.AddNote(1, 3, 0, 2, kind == "chord" ? std::vector<int>{60, 64, 67} : std::vector<int>{62});
        } else {
            CRawHead* note = s.AddNote(1, 3, 0, 2, {62});
            if (kind == "marked") note = s.AddMark(s.AddMark(note, 16), 23);
            CTrkBar* tb = s.score->GetTrkBar(1, 3);
            tb->SetCurrent();
            if (kind == "clef") hit = tb->NewItem(18, 960);
            if (kind == "rest") hit = s.AddRest(1, 3, 960, 0, false);
            if (kind == "marked") hit = note;
        }
        ASSERT_NE(hit, nullptr) << c.what;
        const auto before = s.AllRuns();
        g_model.hitBar = s.score->GetBar(3);
        g_model.hitItem = hit;
        g_model.hitPart = std::int16_t(c.part);
        g_model.hitTool = std::int16_t(c.tool);
        g_model.hitKind = 0;
        s.doc->OnCommandRange(4207);
        std::vector<std::vector<int>> notes;
        int restTicks = 0;
        for (CBarItem* i : s.Live(1, 3)) {
            if (i->IsNote()) notes.push_back(Pitches(i));
            if (i->IsRest()) restTicks += int(NoteDuration(*i));
            if (kind == "clef") EXPECT_FALSE(i->IsClef()) << c.what;
            if (kind == "rest") EXPECT_FALSE(i->IsRest()) << c.what;
        }
        EXPECT_EQ(notes, c.notesLeft) << c.what;
        EXPECT_EQ(restTicks, c.restTicks) << c.what;
        if (kind == "marked") EXPECT_EQ(static_cast<CRawHead*>(s.Live(1, 3)[0])->MarkCount(), 1) << c.what;
        EXPECT_EQ(g_model.hitItem, nullptr) << c.what << ": the hit is forgotten";
        ASSERT_EQ(s.doc->GetUndoCount(), 1) << c.what;
        s.doc->Undo();
        EXPECT_EQ(s.AllRuns(), before) << c.what;
    }
}

// The bar erase command: the special bar lines in their order, the repeat structure, the
// repeat-count jumper when nothing particular was hit.
TEST(Erase, BarLinesRepeatsAndJumpersOfTheHitBar) {
    EditScore s;
    CBar* bar = s.score->GetBar(1);
    CBar* next = s.score->GetBar(2);
    bar->SetOpeningKind(5);
    bar->SetClosingKind(4);
    next->SetOpeningKind(2);
    const std::uint8_t lines = rec::Get<std::uint8_t>(bar, CBar::kBarlines);
    g_model.hitBar = bar;
    g_model.hitItem = nullptr;
    g_model.hitKind = 5;
    s.doc->location.systemIndex = bar->GetLine()->GetIndex();
    struct Step {
        int opening, closing, nextOpening;
    };
    const Step steps[] = {
        {0, 4, 2},   // the start kind goes first
        {0, 0, 2},   // then the end kind
        {0, 0, 0},   // then the next bar's start kind
        {0, 6, 0},   // with none left the end becomes invisible
    };
    for (const Step& st : steps) {
        g_model.hitKind = 5;
        s.doc->OnCommandRange(4203);
        EXPECT_EQ(bar->GetOpeningKind(), st.opening);
        EXPECT_EQ(bar->GetClosingKind(), st.closing);
        EXPECT_EQ(next->GetOpeningKind(), st.nextOpening);
    }
    for (int k = 0; k < 4; ++k) s.doc->Undo();
    EXPECT_EQ(rec::Get<std::uint8_t>(s.score->GetBar(1), CBar::kBarlines), lines);

    // The repeat structure (kind 3), then the repeat-count jumper (kind 0 finds it).
    CBar* r = s.score->GetBar(6);
    r->SetOpeningKind(2);
    ASSERT_TRUE(r->SetRepeatEnd());
    const int items = r->GetItemCount();
    g_model.hitBar = r;
    g_model.hitKind = 3;
    s.doc->OnCommandRange(4203);
    EXPECT_FALSE(r->IsRepeatStart());
    EXPECT_FALSE(s.score->GetBar(6)->HasRepeatEnd());
    EXPECT_EQ(s.score->GetBar(6)->GetItemCount(), items - 1);
    s.doc->Undo();
    r = s.score->GetBar(6);
    EXPECT_TRUE(r->IsRepeatStart());
    EXPECT_EQ(r->GetItemCount(), items);
    g_model.hitBar = r;
    g_model.hitKind = 0;
    s.doc->OnCommandRange(4203);
    EXPECT_EQ(s.score->GetBar(6)->GetItemCount(), items - 1) << "the jumper went";
    EXPECT_FALSE(s.score->GetBar(6)->HasRepeatEnd());

    // An ending over two bars (kind 4): both bars are saved, the ending leaves the bar's list.
    std::uint8_t ending[78] = {};
    CBarItem* e = CBarItem::Construct(ending);
    rec::Put<std::uint8_t>(e, rec::kType, CBar::kEndingType);
    rec::Put<std::int16_t>(e, rec::kSize, 78);
    CBar* eb = s.score->GetBar(9);
    const int before = eb->GetItemCount();
    CBarItem* placed = eb->InsertItemSorted(e);
    ASSERT_NE(placed, nullptr);
    g_model.hitBar = eb;
    g_model.hitItem = placed;
    g_model.hitKind = 4;
    s.doc->OnCommandRange(4203);
    EXPECT_EQ(s.score->GetBar(9)->GetItemCount(), before);
    s.doc->Undo();
    EXPECT_EQ(s.score->GetBar(9)->GetItemCount(), before + 1) << "undo brings the ending back";
}

TEST(Erase, APageTextAndABracket) {
    EditScore s;
    // A page text: the array gains one record, the erase takes it out, undo gives it back.
    if (!s.score->GetPageTextArray()) s.score->PageTextArraySlot() = std::make_unique<CPageTextArray>();
    CPageTextArray* texts = s.score->GetPageTextArray();
    std::uint8_t bytes[CBarItem::kSize] = {};
    CBarItem* record = CBarItem::Construct(bytes);
    rec::Put<std::uint8_t>(record, rec::kType, 12);
    const int count = texts->GetCount();
    ASSERT_NE(texts->Add(record), nullptr);
    g_model.hitItem = static_cast<CBarItem*>(texts->GetAt(count));
    s.doc->OnCommandRange(4205);
    EXPECT_EQ(s.score->GetPageTextArray()->GetCount(), count);
    s.doc->Undo();
    EXPECT_EQ(s.score->GetPageTextArray()->GetCount(), count + 1);

    // The bracket of the staves at the insertion point's track, level 0.
    CLine* line = s.score->GetLine(0);
    auto staffBytes = [&](int i) {
        CStaff* st = s.score->GetLine(0)->GetStaff(i);
        const auto* p = st->Bytes();
        return std::vector<std::uint8_t>(p, p + st->RecordSizeField());
    };
    std::vector<std::vector<std::uint8_t>> before;
    for (int i = 0; i < line->GetStaffCount(); ++i) before.push_back(staffBytes(i));
    s.doc->location.trackIndex = 1;
    g_model.hitPart = 0;
    s.doc->OnCommandRange(4202);
    ASSERT_EQ(s.doc->GetUndoCount(), 1) << "the bracket's erase replaced the undone entry";
    bool changed = false;
    for (int i = 0; i < line->GetStaffCount(); ++i) changed = changed || staffBytes(i) != before[std::size_t(i)];
    EXPECT_TRUE(changed) << "the piano's bracket went";
    s.doc->Undo();
    for (int i = 0; i < line->GetStaffCount(); ++i) EXPECT_EQ(staffBytes(i), before[std::size_t(i)]) << "staff " << i;
}

// Clear takes a clef or key signature out without recalculating the bars; a bar inserted on a
// later page afterwards leaves every record as it would with the whole passes, where the
// insertion recalculates the whole score.
TEST(Clear, AClefOrKeyGoneIsCarriedIntoTheNextBarEditAsByTheWholePasses) {
    for (const int type : {int(CClef::kTypeCode), int(CKeySig::kTypeCode)}) {
        std::vector<std::uint8_t> results[2];
        int partial = 0;
        for (const bool whole : {false, true}) {
            EditScore s;
            s.score->wholeScorePasses = whole;
            for (int t = 0; t < s.score->GetTrackCount(); ++t) {
                CBarItem* item = s.score->GetTrkBar(t, 1)->NewItem(type, 0);
                rec::Put<std::uint8_t>(item, type == CClef::kTypeCode ? CClef::kCode : CKeySig::kKey, 3);
                if (t == 1) item->Select();
            }
            s.score->RecalcBars(false);
            ASSERT_GT(s.score->GetPageCount(), 1);
            s.SelectExtent(1, 1, 1, 1);
            s.doc->OnCommandRange(CDeleteTask::kClear);
            ASSERT_TRUE(s.Live(1, 1).empty() || s.Live(1, 1).front()->TypeCode() != type);
            const int before = s.score->partialRecalcs;
            s.score->InsertBar(s.score->GetBarCount() - 1);
            s.score->InsertBar(s.score->GetBarCount() - 1);
            partial += s.score->partialRecalcs - before;
            ScoreFileDoc d;
            results[whole] = ScoreFile::WriteToBytes(*s.score, d);
            recordtest::AppendScoreRecords(results[whole], *s.score);
        }
        EXPECT_TRUE(results[0] == results[1]) << "type " << type;
        EXPECT_GT(partial, 0) << "type " << type << ": the second insertion takes the shorter passes";
    }
}

}  // namespace
