// The commands that shape the score: bars and pages in and out, time signatures over a run of
// bars, bar-line kinds and joins, multi-bar rests and their dialog. Each edit is undone to the
// bytes the score had.
#include <gtest/gtest.h>

#include <vector>

#include "EditFixture.h"
#include "edit/BarNumDlg.h"
#include "edit/BarTasks.h"
#include "edit/BarlineTasks.h"
#include "edit/MeterTask.h"
#include "edit/MultiBarDlg.h"
#include "edit/MultiBarTask.h"
#include "edit/HeadTask.h"
#include "edit/JustifyTask.h"
#include "edit/OttavaTask.h"
#include "edit/PlaybackTask.h"
#include "edit/PropertyTasks.h"
#include "edit/Transcriber.h"
#include "framework/Dialog.h"
#include "framework/UiTest.h"
#include "model/Bar.h"
#include "model/KeySig.h"
#include "model/BarNumber.h"
#include "model/ChordRecords.h"
#include "model/Meter.h"
#include "model/ModelGlobals.h"
#include "model/Ottava.h"
#include "model/Page.h"
#include "model/PlaybackMarks.h"
#include "model/Symbol.h"
#include "model/ScoreFile.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Text.h"

namespace {

using edittest::EditScore;
namespace ui = fw::uitest;

constexpr int kSlur = 27;
constexpr int kBarEnd = 1023;

std::vector<std::uint8_t> Bytes(EditScore& s) { return ScoreFile::WriteToBytes(*s.score, *s.doc); }

// The bar task with its place and count given, as the dialog would give them.
struct GivenBarTask : CAddBarTask {
    GivenBarTask(bool ins, int pos, int n) : ins(ins), pos(pos), n(n) {}
    bool Prepare() override {
        insert = ins ? 1 : 0;
        position = std::int16_t(pos);
        count = std::int16_t(n);
        return true;
    }
    bool ins;
    int pos, n;
};

void RunTask(EditScore& s, CCruise* task, int id) {
    task->Attach(s.doc.get(), id, id);
    s.doc->DoTask(task);
}

void ExpectUndoneToBytes(EditScore& s, const std::vector<std::uint8_t>& before, const char* what) {
    s.doc->Undo();
    const auto after = Bytes(s);
    std::size_t at = 0;
    while (at < after.size() && at < before.size() && after[at] == before[at]) ++at;
    EXPECT_TRUE(after == before) << what << ": undo gives the score's bytes back; byte " << at << " of "
                                 << before.size() << " (now " << after.size() << ")";
}

TEST(BarTask, DeletionStopsAtTheEndAndKeepsTheScoresLastBar) {
    struct Case {
        const char* what;
        int position, count, barsLeft;
    };
    EditScore probe;
    const int bars = probe.score->GetBarCount();
    const Case cases[] = {
        {"3 bars where 2 remain", bars - 2, 3, bars - 2},
        {"more bars than the score holds", 0, bars + 5, 1},
    };
    for (const Case& c : cases) {
        EditScore s;
        const auto before = Bytes(s);
        RunTask(s, new GivenBarTask(false, c.position, c.count), CAddBarTask::kDeleteMenu);
        EXPECT_EQ(s.score->GetBarCount(), c.barsLeft) << c.what;
        ExpectUndoneToBytes(s, before, c.what);
    }
    // The only bar stays.
    EditScore s;
    RunTask(s, new GivenBarTask(false, 0, 100), CAddBarTask::kDeleteMenu);
    ASSERT_EQ(s.score->GetBarCount(), 1);
    s.doc->SetCurrentBar(0, false);
    s.doc->OnCommandRange(CAddBarTask::kDeleteHere);
    EXPECT_EQ(s.score->GetBarCount(), 1);
}

TEST(BarTask, TheKeyAfterDeletedBarsIsKept) {
    EditScore s;
    CTrkBar* tb = s.score->GetTrkBar(0, 3);
    tb->SetCurrent();
    CBarItem* key = tb->NewItem(CKeySig::kTypeCode, 0);
    rec::Put<std::uint8_t>(key, CKeySig::kKey, 2);
    s.score->RecalcBars(false);
    const auto before = Bytes(s);
    RunTask(s, new GivenBarTask(false, 3, 2), CAddBarTask::kDeleteMenu);
    int keys = 0;
    for (CBarItem* i : s.Live(0, 3))
        if (i->TypeCode() == CKeySig::kTypeCode) {
            ++keys;
            EXPECT_EQ(rec::Get<std::uint8_t>(i, CKeySig::kKey), 2);
            EXPECT_EQ(i->TimeField(), 0);
        }
    EXPECT_EQ(keys, 1) << "the bar after the deleted ones starts in the deleted key";
    for (CBarItem* i : s.Live(1, 3)) EXPECT_NE(i->TypeCode(), CKeySig::kTypeCode) << "the other tracks had none";
    ExpectUndoneToBytes(s, before, "key kept");
}

// A slur and a hairpin from bar 2 into bar 5: deleting bars 4-5 takes the slur and ends the
// hairpin with bar 3; inserting two bars at bar 4 lengthens both over them.
TEST(BarTask, ItemsAcrossThePlaceAreCutOrLengthened) {
    for (const bool insert : {false, true}) {
        EditScore s;
        CTrkBar* tb = s.score->GetTrkBar(0, 2);
        tb->SetCurrent();
        CBarItem* slur = tb->NewItem(kSlur, 0);
        slur->SetEnd(3, 500);
        tb->SetCurrent();
        CBarItem* hairpin = tb->NewItem(CCresc::kType, 0);
        hairpin->SetEnd(3, 500);
        const auto before = Bytes(s);
        RunTask(s, new GivenBarTask(insert, 4, 2), insert ? CAddBarTask::kInsertMenu : CAddBarTask::kDeleteMenu);
        bool slurSeen = false, hairpinSeen = false;
        s.score->GetTrkBar(0, 2)->SetCurrent();
        for (CBarItem* i : s.Live(0, 2)) {
            if (i->TypeCode() == kSlur) {
                slurSeen = true;
                EXPECT_EQ(i->GetBarSpan(), 5);
                EXPECT_EQ(i->GetEndPosition(), 500);
            }
            if (i->TypeCode() == CCresc::kType) {
                hairpinSeen = true;
                EXPECT_EQ(i->GetBarSpan(), insert ? 5 : 1);
                EXPECT_EQ(i->GetEndPosition(), insert ? 500 : kBarEnd);
            }
        }
        EXPECT_EQ(slurSeen, insert) << "a slur into deleted bars goes; one over inserted bars stays";
        EXPECT_TRUE(hairpinSeen);
        ExpectUndoneToBytes(s, before, insert ? "insert" : "delete");
    }
}

// Insert Bars, after the current bar, on the last bar: a bar appended; the last bar keeps its
// contents.
TEST(BarTask, InsertingAfterTheLastBarAppends) {
    EditScore s;
    ui::Session session;
    const int last = s.score->GetBarCount() - 1;
    s.AddNote(0, last, 0, 1, {67});
    s.score->RecalcBars(false);
    const auto lastRun = s.Run(0, last);
    s.doc->SetCurrentBar(last, false);
    ui::OnNextModal([](CDialog& d) {
        ui::ClickControl(&d, 5);
        ui::ClickControl(&d, IDOK);
    });
    s.doc->OnCommandRange(CAddBarTask::kInsertMenu);
    ASSERT_EQ(s.score->GetBarCount(), last + 2);
    EXPECT_EQ(s.Run(0, last), lastRun);
    ASSERT_FALSE(ui::ModalsRun().empty());
    EXPECT_EQ(ui::ModalsRun().back(), 237u);
}

// Insert Pages: two after the current page; the insertion point goes to the first bar of the page
// after the current one.
TEST(PageTask, TwoPagesAfterTheCurrentMoveTheInsertionPointToTheNextPage) {
    EditScore s;
    ui::Session session;
    s.doc->SetCurrentBar(0, false);
    const int pages = s.score->GetPageCount();
    const auto before = Bytes(s);
    ui::OnNextModal([](CDialog& d) {
        d.SetDlgItemText(3, "2");
        ui::ClickControl(&d, 5);
        ui::ClickControl(&d, IDOK);
    });
    s.doc->OnCommandRange(33000);
    EXPECT_EQ(s.score->GetPageCount(), pages + 2);
    CPage* next = s.score->GetPage(1);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(s.doc->location.barIndex, s.score->GetLine(next->GetFirstSystem())->GetFirstBarIndex());
    EXPECT_GT(s.doc->location.barIndex, 0);
    ExpectUndoneToBytes(s, before, "pages inserted");
    // Deleting more pages than the score has keeps one.
    ui::OnNextModal([](CDialog& d) {
        d.SetDlgItemText(3, "99");
        ui::ClickControl(&d, IDOK);
    });
    s.doc->OnCommandRange(33001);
    EXPECT_EQ(s.score->GetPageCount(), 1);
}

// The time signature dialog's answer: 3/4 (and, when given, the run of bars); with `styled`,
// also the large signature drawn on track 1 only, another font and other words.
struct ThreeFourTask : CAddMeterTask {
    explicit ThreeFourTask(int first = -1, int last = -1, bool styled = false)
        : givenFirst(first), givenLast(last), styled(styled) {}
    bool Prepare() override {
        if (!CAddMeterTask::Prepare()) return false;
        preparedFirst = first;
        preparedLast = last;
        working.SetPreset(3, false);
        if (styled) {
            working.SetDisplayFlags(std::uint8_t(working.GetDisplayFlags() | 0x80));
            for (int t = 0; t < style.trackCount; ++t) style.trackShown[t] = t == 1;
            style.font = FontRef{3, 40, 1, 0};
            for (int i = 0; i < HollywoodStyle::kWordsSize; ++i) style.words[i] = std::uint8_t(i + 1);
        }
        working.Update();
        if (givenFirst >= 0) {
            first = std::int16_t(givenFirst);
            last = std::int16_t(givenLast);
        }
        return true;
    }
    int givenFirst, givenLast;
    bool styled;
    int preparedFirst = -1, preparedLast = -1;
};

void SetMeter(EditScore& s, int b, int preset) {
    Meter* m = s.score->GetBar(b)->GetMeter();
    m->SetPreset(preset, false);
    m->Update();
}

TEST(MeterTask, TheDefaultRunEndsBeforeAnotherMeterOrTheRunEndMark) {
    struct Case {
        const char* what;
        int otherMeterAt, endMarkAt, last;
    };
    const Case cases[] = {
        {"another meter at bar 6", 6, -1, 5},
        {"the run-end mark at bar 4", 6, 4, 3},
        {"neither", -1, -1, -2},
    };
    for (const Case& c : cases) {
        EditScore s;
        if (c.otherMeterAt >= 0) SetMeter(s, c.otherMeterAt, 4);
        if (c.endMarkAt >= 0) s.score->GetBar(c.endMarkAt)->SetBarFlag(CBar::kShowsMeterBit, true);
        s.doc->SetCurrentBar(2, false);
        auto* task = new ThreeFourTask;
        task->Attach(s.doc.get(), 34006, 0);
        ASSERT_TRUE(task->Prepare());
        EXPECT_EQ(task->preparedFirst, 2) << c.what;
        EXPECT_EQ(task->preparedLast, c.last == -2 ? s.score->GetBarCount() - 1 : c.last) << c.what;
        delete task;
    }
}

TEST(MeterTask, TheSameMeterOverARunClearsTheMarkOfTheBarAfterAndUndoGivesTheMetersBack) {
    EditScore s;
    SetMeter(s, 6, 3);
    s.score->GetBar(6)->SetBarFlag(CBar::kFlag0, true);
    s.score->RecalcBars(false);
    const auto before = Bytes(s);
    std::vector<Meter> meters;
    for (int b = 0; b < s.score->GetBarCount(); ++b) meters.push_back(*s.score->GetBar(b)->GetMeter());
    s.doc->SetCurrentBar(2, false);
    auto* task = new ThreeFourTask(2, 5);
    RunTask(s, task, 34006);
    for (int b = 2; b <= 5; ++b) {
        EXPECT_EQ(s.score->GetBar(b)->GetMeter()->GetNumerator(), 3) << b;
        EXPECT_EQ(s.score->GetBar(b)->GetMeter()->GetDenominator(), 4) << b;
    }
    EXPECT_TRUE(s.score->GetBar(2)->HasBarFlag(CBar::kFlag0));
    EXPECT_FALSE(s.score->GetBar(3)->HasBarFlag(CBar::kFlag0));
    EXPECT_FALSE(s.score->GetBar(6)->HasBarFlag(CBar::kFlag0)) << "bar 6 continues the run's meter";
    EXPECT_FALSE(s.score->GetBar(6)->GetMeter()->GetDisplayFlags() & Meter::kShown);
    EXPECT_EQ(s.score->GetBar(1)->GetMeter()->GetNumerator(), meters[1].GetNumerator());
    s.doc->Undo();
    for (int b = 0; b < s.score->GetBarCount(); ++b)
        EXPECT_TRUE(s.score->GetBar(b)->GetMeter()->Matches(meters[std::size_t(b)])) << b;
    EXPECT_TRUE(Bytes(s) == before);
}

// The dialog's large signature: the tracks that show it, the score's time-signature font and
// the words of the score and of the run's first bar; undo and redo exchange them, and every
// bar is recalculated then.
TEST(MeterTask, UndoAndRedoGiveTheScoresFontAndWordsAndTheTracksSwitchesBack) {
    for (const int lastBar : {2, 5}) {
        SCOPED_TRACE(lastBar);
        EditScore s;
        ASSERT_GE(s.score->GetTrackCount(), 2);
        const auto before = Bytes(s);
        const FontRef font = s.score->staffLabelFont;
        std::vector<std::uint8_t> words(s.score->largeMeterWords, s.score->largeMeterWords + 12);
        std::vector<std::uint8_t> switches;
        for (int t = 0; t < s.score->GetTrackCount(); ++t) switches.push_back(s.score->GetTrack(t)->GetDisplaySwitches());
        s.doc->SetCurrentBar(2, false);
        RunTask(s, new ThreeFourTask(2, lastBar, true), 34006);
        auto expectApplied = [&] {
            EXPECT_EQ(s.score->staffLabelFont.face, 3);
            EXPECT_EQ(s.score->staffLabelFont.size, 40);
            for (int i = 0; i < 12; ++i) {
                EXPECT_EQ(s.score->largeMeterWords[i], i + 1);
                EXPECT_EQ(s.score->GetBar(2)->Bytes()[CBar::kMeterDisplayWord + i], i + 1);
            }
            for (int t = 0; t < s.score->GetTrackCount(); ++t)
                EXPECT_EQ((s.score->GetTrack(t)->GetDisplaySwitches() & 0x04) != 0, t == 1) << t;
            EXPECT_EQ(s.score->GetBar(2)->GetMeter()->GetNumerator(), 3);
        };
        expectApplied();
        s.doc->Undo();
        EXPECT_EQ(s.score->staffLabelFont.face, font.face);
        EXPECT_EQ(s.score->staffLabelFont.size, font.size);
        EXPECT_EQ(std::vector<std::uint8_t>(s.score->largeMeterWords, s.score->largeMeterWords + 12), words);
        for (int t = 0; t < s.score->GetTrackCount(); ++t)
            EXPECT_EQ(s.score->GetTrack(t)->GetDisplaySwitches(), switches[std::size_t(t)]) << t;
        EXPECT_TRUE(Bytes(s) == before);
        s.doc->Redo();
        expectApplied();
    }
}

// The bar-line palette and pop-up: the side by the insertion point's position, a repeat start
// always at the start and a final bar line always at the end.
TEST(BarlineTask, TheSideFollowsThePositionAndTheKind) {
    struct Case {
        const char* what;
        int command, position, opening, closing;
    };
    const Case cases[] = {
        {"double in the first half", CBarlineTask::kDouble, 100, 1, 0},
        {"double in the second half", CBarlineTask::kDouble, 700, 0, 1},
        {"dotted at 511 (still the start)", CBarlineTask::kDotted, 511, 5, 0},
        {"invisible at 512 (the end)", CBarlineTask::kInvisible, 512, 0, 6},
        {"repeat start in the second half", CBarlineTask::kRepeatStart, 900, 2, 0},
        {"final in the first half", CBarlineTask::kFinal, 10, 0, 4},
    };
    for (const Case& c : cases) {
        EditScore s;
        s.doc->SetCurrentBar(3, false);
        s.doc->location.position = std::int16_t(c.position);
        const auto before = Bytes(s);
        RunTask(s, new CBarlineTask, c.command);
        EXPECT_EQ(s.score->GetBar(3)->GetOpeningKind(), c.opening) << c.what;
        EXPECT_EQ(s.score->GetBar(3)->GetClosingKind(), c.closing) << c.what;
        ExpectUndoneToBytes(s, before, c.what);
    }
}

TEST(BarlineTask, FirstAndFinalBarLinesAreTheScoresOwn) {
    EditScore s;
    // One track: the plain bar line on bar 0 turns the opening bar line on and off.
    s.score->DeleteTrack(2);
    s.score->DeleteTrack(1);
    s.score->RecalcBars(false);
    ASSERT_EQ(s.score->GetTrackCount(), 1);
    s.doc->SetCurrentBar(0, false);
    s.doc->location.position = 0;
    const std::uint8_t single = s.score->singleTrack;
    const auto before = Bytes(s);
    RunTask(s, new CBarlineTask, CBarlineTask::kPlain);
    EXPECT_EQ(s.score->singleTrack, single ? 0 : 1);
    s.doc->location.position = 0;
    RunTask(s, new CBarlineTask, CBarlineTask::kPlain);
    EXPECT_EQ(s.score->singleTrack, single);
    s.doc->Undo();
    ExpectUndoneToBytes(s, before, "first bar line");
    // A final bar line on the last bar is the score's: the bar keeps a plain one.
    const int last = s.score->GetBarCount() - 1;
    s.score->noAutomaticFinalBarline = 1;
    s.doc->SetCurrentBar(last, false);
    RunTask(s, new CBarlineTask, CBarlineTask::kFinal);
    EXPECT_EQ(s.score->GetBar(last)->GetClosingKind(), 0);
    EXPECT_EQ(s.score->noAutomaticFinalBarline, 0);
    s.doc->location.position = 900;
    RunTask(s, new CBarlineTask, CBarlineTask::kPlain);
    EXPECT_EQ(s.score->noAutomaticFinalBarline, 1);
    s.doc->Undo();
    EXPECT_EQ(s.score->noAutomaticFinalBarline, 0);
}

TEST(BreakLineTask, TheTracksJoinsGoInEverySystem) {
    EditScore s;
    for (int l = 0; l < s.score->GetLineCount(); ++l)
        for (int t = 0; t < 2; ++t) {
            CStaff* st = s.score->GetLine(l)->GetStaff(t);
            st->SetStaffFlags(std::uint8_t(st->GetStaffFlags() | CStaff::kGroupContinuesBit));
        }
    const auto before = Bytes(s);
    s.doc->location.trackIndex = 1;
    RunTask(s, new CBreakLineTask, 4300);
    for (int l = 0; l < s.score->GetLineCount(); ++l) {
        EXPECT_FALSE(s.score->GetLine(l)->GetStaff(1)->GetStaffFlags() & CStaff::kGroupContinuesBit) << l;
        EXPECT_TRUE(s.score->GetLine(l)->GetStaff(0)->GetStaffFlags() & CStaff::kGroupContinuesBit) << l;
    }
    ExpectUndoneToBytes(s, before, "joins");
}

// Measure > Multi-bar Rest with the dialog's count typed.
void MultiRest(EditScore& s, int bar, const char* count) {
    s.doc->SetCurrentBar(bar, false);
    ui::OnNextModal([count](CDialog& d) {
        d.SetDlgItemText(CMultiBarDlg::kCount, count);
        ui::ClickControl(&d, IDOK);
    });
    s.doc->OnCommandRange(CMultiBarTask::kNew);
}

TEST(MultiBarTask, SpansStopAtAnotherRestAndTheEndAndOneBarTakesARestAway) {
    EditScore s;
    ui::Session session;
    const int last = s.score->GetBarCount() - 1;
    MultiRest(s, 6, "3");
    ASSERT_EQ(s.score->GetBar(6)->GetMultiRestSpan(), 3);
    EXPECT_TRUE(s.score->GetBar(7)->IsCovered());
    const auto withRest = Bytes(s);
    MultiRest(s, 3, "5");
    EXPECT_EQ(s.score->GetBar(3)->GetMultiRestSpan(), 3) << "stops before bar 6, which starts a rest";
    EXPECT_EQ(s.score->GetBar(6)->GetMultiRestSpan(), 3);
    ExpectUndoneToBytes(s, withRest, "span before a rest");
    MultiRest(s, last - 1, "5");
    EXPECT_EQ(s.score->GetBar(last - 1)->GetMultiRestSpan(), 2) << "stops at the last bar";
    ExpectUndoneToBytes(s, withRest, "span at the end");
    MultiRest(s, 6, "1");
    EXPECT_EQ(s.score->GetBar(6)->GetMultiRestSpan(), 0);
    EXPECT_FALSE(s.score->GetBar(7)->IsCovered());
    EXPECT_FALSE(s.score->GetBar(8)->IsCovered());
    ExpectUndoneToBytes(s, withRest, "rest taken away");
    EXPECT_EQ(s.score->GetBar(6)->GetMultiRestSpan(), 3);
}

// The preview's handles, dragged: the ends stop 5 short of the centre and set the length, the
// number moves 20 units of distance for each pixel away from the bar.
TEST(MultiBarDlg, ThePreviewsHandlesFollowTheMouse) {
    EditScore s;
    ui::Session session;
    CMultiBarDlg dlg;
    dlg.record[CMultiBarDlg::kFillByte] = 100;
    rec::Put<std::int16_t>(dlg.record, CMultiBarDlg::kNumberDistance, 240);
    dlg.count = 4;
    dlg.numberFont = FontRef{0, 12, 0, 0};
    dlg.rangeFont = FontRef{0, 10, 0, 0};
    RECT area{};
    int fillAfterLeft = -1, fillAfterRight = -1, distanceAfterNumber = -1;
    ui::OnNextModal([&](CDialog& d) {
        area = dlg.PreviewArea();
        const int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
        const int width = area.right - area.left;
        // The left end from the area's left edge (fill 100) to 60 in.
        ui::Drag(&d, {POINT{area.left, cy}, POINT{area.left + 30, cy}, POINT{area.left + 60, cy}});
        ui::Call([&] { fillAfterLeft = dlg.record[CMultiBarDlg::kFillByte]; });
        // The right end, now 60 in, past the centre: it stops 5 right of it.
        ui::Drag(&d, {POINT{area.right - 60, cy}, POINT{cx - 20, cy}});
        ui::Call([&] { fillAfterRight = dlg.record[CMultiBarDlg::kFillByte]; });
        // The number, above the staff at 240 / 20 + 21 over the centre, 3 pixels up.
        const int numberY = cy - (240 / 20 + 21);
        ui::Drag(&d, {POINT{cx, numberY}, POINT{cx, numberY - 3}});
        ui::Call([&] { distanceAfterNumber = rec::Get<std::int16_t>(dlg.record, CMultiBarDlg::kNumberDistance); });
        ui::ClickControl(&d, IDOK);
        (void)width;
    });
    ASSERT_TRUE(dlg.RunModal(CMultiBarDlg::kTemplateId));
    const int width = area.right - area.left;
    EXPECT_EQ(fillAfterLeft, 100 - 60 * 200 / width);
    EXPECT_EQ(fillAfterRight, std::max(10, 100 - (width / 2 - 5) * 200 / width)) << "the end stops 5 from the centre";
    EXPECT_EQ(distanceAfterNumber, 240 + 3 * 20);
    EXPECT_EQ(dlg.record[CMultiBarDlg::kFillByte], fillAfterRight);
}

// Octave lines: with no selected notes or rests the line covers the insertion point's bar on its
// track (the menu and palette commands run the operation only while something is selected).
TEST(OttavaTask, NoSelectedNotesCoversTheCurrentBar) {
    EditScore s;
    s.doc->SetCurrentBar(5, false);
    s.doc->location.trackIndex = 1;
    const auto before = Bytes(s);
    s.doc->OnCommandRange(CAddOttavaTask::kAdd);
    EXPECT_EQ(s.doc->GetUndoCount(), 0) << "the command waits for a selection";
    RunTask(s, new CAddOttavaTask, CAddOttavaTask::kAdd);
    std::vector<COttava*> pieces;
    for (CBarItem* i : s.Live(1, 5))
        if (i->TypeCode() == COttava::kTypeCode) pieces.push_back(static_cast<COttava*>(i));
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_TRUE(pieces[0]->IsStart() && pieces[0]->IsEnd());
    EXPECT_EQ(pieces[0]->PositionField(), 0);
    EXPECT_EQ(pieces[0]->GetEndPosition(), kBarEnd);
    EXPECT_EQ(pieces[0]->GetKind(), 0);
    EXPECT_EQ(pieces[0]->GetYOffset(), -600);
    ExpectUndoneToBytes(s, before, "octave line added");
}

COttava* OttavaIn(EditScore& s, int t, int b);

// Over selected notes the line runs from the selection's first note to just past its last, and
// the selection's walk deselects them first; undo gives the score back with the notes
// deselected, as every walk that deselects leaves them.
TEST(OttavaTask, SelectedNotesAreWalkedAndCovered) {
    EditScore s;
    s.AddNote(0, 2, 480, 2, {60});
    s.AddNote(0, 3, 0, 2, {62});
    s.score->RecalcBars(false);
    const auto unselected = Bytes(s);
    CSelect* sel = s.doc->GetSelection();
    sel->SelectSpan(0, 2, 0, 0, 3, 1024, true);
    sel->Recount();
    ASSERT_GT(sel->GetNoteCount(), 0);
    const int from = sel->lower[kExtentPosition], to = sel->upper[kExtentPosition];
    RunTask(s, new CAddOttavaTask, CAddOttavaTask::kAdd);
    ASSERT_EQ(s.doc->GetUndoCount(), 1);
    COttava* first = OttavaIn(s, 0, 2);
    COttava* last = OttavaIn(s, 0, 3);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(first->PositionField(), from);
    EXPECT_GT(last->GetEndPosition(), to);
    EXPECT_EQ(sel->GetItemCount(), 0);
    for (int b : {2, 3})
        for (CBarItem* i : s.Live(0, b)) EXPECT_FALSE(i->IsSelectedBit()) << b;
    ExpectUndoneToBytes(s, unselected, "octave line over a selection");
}

// The octave line dialog's answer: an octave down, the line style off.
struct OctaveDownTask : CAddOttavaTask {
    bool Prepare() override {
        if (!CAddOttavaTask::Prepare()) return false;
        kind = 1;
        flags[1] = 0;
        return true;
    }
};

COttava* OttavaIn(EditScore& s, int t, int b) {
    for (CBarItem* i : s.Live(t, b))
        if (i->TypeCode() == COttava::kTypeCode) return static_cast<COttava*>(i);
    return nullptr;
}

// An edit rewrites every piece of a three-bar line and stops at the one marked last: a piece of
// the same identifier in the bar after belongs to no chain of it.
TEST(OttavaTask, AnEditRewritesTheLinesPiecesUpToTheLast) {
    EditScore s;
    ASSERT_TRUE(s.score->ApplyOttava(2, 0, 4, 900, 0, -600, 0, true, true, true, true, 0));
    ASSERT_TRUE(s.score->ApplyOttava(5, 0, 5, 900, 0, -600, 0, true, true, true, true, 0));
    const int identifier = OttavaIn(s, 0, 2)->GetIdentifier();
    rec::Put<std::uint8_t>(OttavaIn(s, 0, 5), COttava::kIdentifier, std::uint8_t(identifier));
    const auto before = Bytes(s);
    g_model.hitItem = OttavaIn(s, 0, 3);
    s.doc->location.item = nullptr;
    RunTask(s, new OctaveDownTask, CAddOttavaTask::kEdit);
    for (int b = 2; b <= 4; ++b) {
        COttava* p = OttavaIn(s, 0, b);
        ASSERT_NE(p, nullptr) << b;
        EXPECT_EQ(p->GetKind(), 1) << b;
        EXPECT_EQ(p->GetFlags() & 0x0F, 0x0F & ~0x01) << b << ": the second flag is bit 0";
        EXPECT_EQ(p->GetShift(), -12) << b;
    }
    EXPECT_EQ(OttavaIn(s, 0, 5)->GetKind(), 0) << "past the piece marked last";
    ExpectUndoneToBytes(s, before, "octave line edited");
}

// Justify with nothing selected takes the insertion point's bar only; with bars selected, those.
TEST(JustifyTask, TheSelectionsBarsOrTheInsertionBar) {
    EditScore s;
    s.doc->SetCurrentBar(4, false);
    auto* alone = new CJustifyTask;
    alone->Attach(s.doc.get(), 34013, 0);
    s.doc->DoTask(alone);
    ASSERT_EQ(s.doc->GetUndoCount(), 1);
    EXPECT_EQ(alone->firstBar, 4);
    EXPECT_EQ(alone->lastBar, 4);
    EXPECT_FALSE(alone->layoutChanged);
    for (int t = 0; t < s.score->GetTrackCount(); ++t) EXPECT_TRUE(alone->HasSavedTrackBars(t)) << t;
    s.SelectExtent(1, 1, 2, 6);
    auto* range = new CJustifyTask;
    range->Attach(s.doc.get(), 34013, 0);
    s.doc->DoTask(range);
    EXPECT_EQ(range->firstBar, 2);
    EXPECT_EQ(range->lastBar, 6);
    EXPECT_TRUE(range->layoutChanged);
    for (int t = 0; t < s.score->GetTrackCount(); ++t) EXPECT_TRUE(range->HasSavedTrackBars(t)) << "every track, " << t;
}

// The property dialog's answer: a value written into the scratch record at an offset.
template <class Task>
struct AnsweredTask : Task {
    AnsweredTask(int at, int value) : at(at), value(value) {}
    bool Prepare() override {
        if (!Task::Prepare()) return false;
        this->scratch[std::size_t(at)] = std::uint8_t(value);
        return true;
    }
    int at, value;
};

CBarItem* AddItem(EditScore& s, int t, int b, int type, int time) {
    CTrkBar* tb = s.score->GetTrkBar(t, b);
    tb->SetCurrent();
    return tb->NewItem(type, time);
}

CBarItem* FirstOfType(EditScore& s, int t, int b, int type) {
    for (CBarItem* i : s.Live(t, b))
        if (i->TypeCode() == type) return i;
    return nullptr;
}

// A dynamic's edit passes its velocity to the dynamics of the same mark in its track (scope 1)
// or every track (scope 2), never to another mark's.
TEST(EditDynamicTask, TheScopeReachesTheSameMarkInItsTrackOrEveryTrack) {
    struct Place {
        int t, b, mark;
    };
    const Place places[] = {{0, 1, 5}, {0, 3, 5}, {1, 2, 5}, {2, 4, 6}};
    struct Case {
        int scope;
        bool changed[4];
    };
    const Case cases[] = {{0, {true, false, false, false}}, {1, {true, true, false, false}}, {2, {true, true, true, false}}};
    for (const Case& c : cases) {
        EditScore s;
        for (const Place& p : places) {
            CBarItem* d = AddItem(s, p.t, p.b, CDynamic::kType, 0);
            CDynamic::Of(d)->SetMark(p.mark);
            CDynamic::Of(d)->SetValue(64);
        }
        const auto before = Bytes(s);
        g_model.hitItem = FirstOfType(s, 0, 1, CDynamic::kType);
        g_edit.dynamicScope = c.scope;
        RunTask(s, new AnsweredTask<CEditDynamicTask>(CDynamic::kValue, 99), 4103);
        for (int k = 0; k < 4; ++k) {
            const Place& p = places[k];
            EXPECT_EQ(CDynamic::Of(FirstOfType(s, p.t, p.b, CDynamic::kType))->GetValue(), c.changed[k] ? 99 : 64)
                << "scope " << c.scope << ", dynamic " << k;
        }
        ExpectUndoneToBytes(s, before, "dynamic");
    }
}

// A hairpin's scope: above 0 its track, above 1 every track; only hairpins of the same shape.
TEST(EditCrescTask, TheScopeReachesTheSameShape) {
    struct Place {
        int t, b, shape;
    };
    const Place places[] = {{0, 1, 0}, {0, 3, 0}, {2, 2, 0}, {1, 4, 1}};
    struct Case {
        int scope;
        bool changed[4];
    };
    const Case cases[] = {{0, {true, false, false, false}}, {1, {true, true, false, false}}, {3, {true, true, true, false}}};
    for (const Case& c : cases) {
        EditScore s;
        for (const Place& p : places) {
            CBarItem* h = AddItem(s, p.t, p.b, CCresc::kType, 0);
            CCresc::Of(h)->SetShape(p.shape);
            CCresc::Of(h)->SetCurveValue(3, 10);
        }
        const auto before = Bytes(s);
        g_model.hitItem = FirstOfType(s, 0, 1, CCresc::kType);
        g_edit.hairpinScope = c.scope;
        RunTask(s, new AnsweredTask<CEditCrescTask>(CCresc::kCurve + 3, 77), 4115);
        for (int k = 0; k < 4; ++k) {
            const Place& p = places[k];
            EXPECT_EQ(CCresc::Of(FirstOfType(s, p.t, p.b, CCresc::kType))->GetCurveValue(3), c.changed[k] ? 77 : 10)
                << "scope " << c.scope << ", hairpin " << k;
        }
        ExpectUndoneToBytes(s, before, "hairpin");
    }
}

// The bar number dialog's answer: the vertical offset, when given.
struct BarNumberAnswer : CBarNumTask {
    explicit BarNumberAnswer(int y = 0) : y(y) {}
    bool Prepare() override {
        if (!CBarNumTask::Prepare()) return false;
        if (y) rec::Put<std::int16_t>(record, CBarNumber::kYOffset, std::int16_t(y));
        return true;
    }
    int y;
};

// The bar-number dialog ends with OK as it opened.
void AnswerBarNumberDialog() {
    ui::OnNextModal([](CDialog& d) { ui::ClickControl(&d, IDOK); });
}

// Bar 0 always stores its bar number; a later bar stores one only when it differs from the one it
// inherits.
TEST(BarNumTask, ABarNumberLikeTheInheritedOneIsNotStored) {
    EditScore s;
    ui::Session session;
    s.doc->SetCurrentBar(0, false);
    AnswerBarNumberDialog();
    RunTask(s, new BarNumberAnswer, CBarNumTask::kMenu);
    ASSERT_NE(s.score->GetBar(0)->GetBarNumberItem(true), nullptr);
    const auto before = Bytes(s);
    s.doc->SetCurrentBar(5, false);
    AnswerBarNumberDialog();
    RunTask(s, new BarNumberAnswer, CBarNumTask::kMenu);
    EXPECT_EQ(s.score->GetBar(5)->GetBarNumberItem(true), nullptr) << "the same as bar 0's";
    s.doc->SetCurrentBar(5, false);
    AnswerBarNumberDialog();
    RunTask(s, new BarNumberAnswer(-720), CBarNumTask::kMenu);
    CBarItem* own = s.score->GetBar(5)->GetBarNumberItem(true);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(rec::Get<std::int16_t>(own, CBarNumber::kYOffset), -720);
    s.doc->Undo();
    ExpectUndoneToBytes(s, before, "bar number");
}

// A new bar number takes the score's bar-number font, and the score takes the font the dialog
// gave; undo gives the score's font back.
TEST(BarNumTask, TheScoreTakesTheBarNumbersFont) {
    struct SizedAnswer : CBarNumTask {
        bool Prepare() override {
            if (!CBarNumTask::Prepare()) return false;
            preparedSize = rec::Get<std::int16_t>(record, CBarNumber::kFont + 2);
            rec::Put<std::int16_t>(record, CBarNumber::kFont + 2, 77);
            return true;
        }
        int preparedSize = 0;
    };
    EditScore s;
    ui::Session session;
    s.score->GetBar(0)->RemoveBarNumberItem();
    s.score->Reindex();
    ASSERT_EQ(s.score->GetBar(0)->GetBarNumberItem(false), nullptr);
    s.score->textFont1.size = 33;
    const auto before = Bytes(s);
    s.doc->SetCurrentBar(0, false);
    AnswerBarNumberDialog();
    auto* task = new SizedAnswer;
    RunTask(s, task, CBarNumTask::kMenu);
    EXPECT_EQ(task->preparedSize, 33);
    EXPECT_EQ(s.score->textFont1.size, 77);
    ExpectUndoneToBytes(s, before, "bar-number font");
    EXPECT_EQ(s.score->textFont1.size, 33);
    s.doc->Redo();
    EXPECT_EQ(s.score->textFont1.size, 77);
}

// A bar number's edit on a bar whose link is -1 or names no bar of the score finds no bar number:
// nothing is edited and no undo entry is made.
TEST(BarNumTask, ALinkOfMinusOneOrOutsideTheScoreIsNoLink) {
    for (const int link : {-1, 999, -5}) {
        EditScore s;
        CBar* bar = s.score->GetBar(3);
        rec::Put<std::int16_t>(bar, CBar::kBarNumberLink, std::int16_t(link));
        EXPECT_EQ(bar->GetBarNumberItem(false), nullptr) << link;
        const auto before = Bytes(s);
        g_model.hitBar = bar;
        RunTask(s, new CBarNumTask, CBarNumTask::kEdit);
        EXPECT_EQ(s.doc->GetUndoCount(), 0) << link;
        EXPECT_TRUE(Bytes(s) == before) << link;
        g_model.hitBar = nullptr;
    }
}

// The bar-number dialog: the first number shown gives the number offset from the bar; letters
// switched off disable their fields and keep the first letter; the sample let go near the
// preview's right edge takes the right anchor and stands there again when the dialog opens
// anew.
TEST(BarNumDlg, TheFirstNumberLettersAndTheSamplesAnchor) {
    EditScore s;
    ui::Session session;
    alignas(8) std::uint8_t record[CBarNumTask::kRecordSize] = {};
    rec::Put<std::int16_t>(record, rec::kSize, std::int16_t(CBarNumTask::kRecordSize));
    ASSERT_NE(CBarNumber::Construct(record), nullptr);
    record[CBarNumber::kFlags] |= CBarNumber::kLettersBit;
    record[CBarNumber::kFirstLetter] = 'C';
    bool letterFieldOff = false;
    RECT dropped{};
    {
        CBarNumDlg dlg(record, 1, 1);
        ui::OnNextModal([&](CDialog& d) {
            d.SetDlgItemText(CBarNumDlg::kFirstNumber, "5");
            ui::ClickControl(&d, CBarNumDlg::kLetters);
            ui::Call([&] { letterFieldOff = !d.GetDlgItem(CBarNumDlg::kFirstLetter)->IsWindowEnabled(); });
            RECT sample{}, preview{};
            dlg.GetControlRect(CBarNumDlg::kSample, &sample);
            dlg.GetControlRect(CBarNumDlg::kPreview, &preview);
            const POINT from{(sample.left + sample.right) / 2, (sample.top + sample.bottom) / 2};
            const POINT to{preview.right - 10, from.y + 3};
            ui::Drag(&d, {from, POINT{(from.x + to.x) / 2, from.y + 1}, to});
            ui::Call([&] { dlg.GetControlRect(CBarNumDlg::kSample, &dropped); });
            ui::ClickControl(&d, IDOK);
        });
        ASSERT_TRUE(dlg.RunModal(CBarNumDlg::kTemplateId));
    }
    EXPECT_EQ(rec::Get<std::int16_t>(record, CBarNumber::kNumberOffset), 3) << "5 shown from bar 1";
    EXPECT_TRUE(letterFieldOff);
    EXPECT_FALSE(record[CBarNumber::kFlags] & CBarNumber::kLettersBit);
    EXPECT_EQ(record[CBarNumber::kFirstLetter], 'C');
    EXPECT_EQ(record[CBarNumber::kStaff], 1) << "the current track";
    EXPECT_EQ((record[CBarNumber::kFlags] >> CBarNumber::kAnchorShift) & 3, 2) << "the right anchor";
    EXPECT_EQ(rec::Get<std::int16_t>(record, CBarNumber::kYOffset), -360 + 3 * 20);
    RECT reopened{};
    {
        CBarNumDlg dlg(record, 1, 1);
        ui::OnNextModal([&](CDialog& d) {
            dlg.GetControlRect(CBarNumDlg::kSample, &reopened);
            ui::ClickControl(&d, IDCANCEL);
        });
        EXPECT_FALSE(dlg.RunModal(CBarNumDlg::kTemplateId));
    }
    EXPECT_EQ(reopened.left, dropped.left);
    EXPECT_EQ(reopened.top, dropped.top);
    EXPECT_GT(dropped.left, 0);
}

// A bar number's edit (a double click on it, command 4100) opens the dialog on the bar's item.
TEST(BarNumDlg, TheBarNumbersEditOpensIt) {
    EditScore s;
    ui::Session session;
    CBar* bar = s.score->GetBar(0);
    CBarItem* item = bar->GetBarNumberItem(true);
    ASSERT_NE(item, nullptr);
    bool opened = false;
    ui::OnNextModal([&](CDialog& d) {
        opened = dynamic_cast<CBarNumDlg*>(&d) != nullptr;
        d.SetDlgItemText(CBarNumDlg::kFirstNumber, "7");
        ui::ClickControl(&d, IDOK);
    });
    g_model.hitBar = bar;
    bar->MakeCurrent();
    item->OpenProperties(0, 0);
    ui::RunUntilIdle();
    g_model.hitBar = nullptr;
    EXPECT_TRUE(opened);
    CBarItem* now = s.score->GetBar(0)->GetBarNumberItem(true);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(rec::Get<std::int16_t>(now, CBarNumber::kNumberOffset), 6);
    ASSERT_EQ(s.doc->GetUndoCount(), 1);
}

// A head shape on a percussion staff: a head at the staff position of a drum of that shape
// plays the drum's key; a head no drum of that shape stands at keeps its key.
TEST(HeadTask, PercussionHeadsTakeTheDrumMapsKeyOrKeepTheirs) {
    EditScore s;
    CTrack* track = s.score->GetTrack(0);
    track->SetStaffKind(1);
    ASSERT_TRUE(track->IsPercussionStaff());
    rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + 3, 5);
    rec::Put<std::uint8_t>(track, CTrack::kDrumPositions + 3, 2);
    rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + 3, 40);
    s.AddNote(0, 1, 0, 2, {62}, 0, true);
    s.AddNote(0, 1, 960, 2, {64}, 0, true);
    s.SelectExtent(0, 0, 1, 1);
    auto* task = new CHeadTask;
    task->Attach(s.doc.get(), 4903, 5);
    s.doc->DoTask(task);
    std::vector<int> keys, shapes;
    for (CBarItem* i : s.Live(0, 1))
        if (i->IsNote()) {
            auto* note = static_cast<CRawNote*>(static_cast<CRawHead*>(i));
            keys.push_back(note->Head(0)->Byte(NoteHead::kPitch));
            shapes.push_back(note->Head(0)->Shape());
        }
    EXPECT_EQ(keys, (std::vector<int>{40, 64}));
    EXPECT_EQ(shapes, (std::vector<int>{5, 5}));
    // The walk deselects, and its undo gives the notes back unselected (no stale selection).
    s.doc->Undo();
    keys.clear();
    shapes.clear();
    for (CBarItem* i : s.Live(0, 1))
        if (i->IsNote()) {
            auto* note = static_cast<CRawNote*>(static_cast<CRawHead*>(i));
            keys.push_back(note->Head(0)->Byte(NoteHead::kPitch));
            shapes.push_back(note->Head(0)->Shape());
        }
    EXPECT_EQ(keys, (std::vector<int>{62, 64}));
    EXPECT_EQ(shapes, (std::vector<int>{0, 0}));
}

// The guitar frame's dialog answer: a capo fret.
struct CapoFiveFrame : CEditGuitarFrameTask {
    bool RunDialog() override {
        scratch[96] = 5;
        return true;
    }
};

// The guitar frame's edit writes the dialog's frame before the operation runs: its bar is saved
// first, so that undo gives the frame back.
TEST(EditGuitarFrameTask, TheFramesBarIsSavedBeforeTheFrameIsWritten) {
    EditScore s;
    CBarItem* frame = AddItem(s, 0, 2, 40, 0);
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->TypeCode(), 40);
    const auto before = Bytes(s);
    g_model.hitItem = FirstOfType(s, 0, 2, 40);
    RunTask(s, new CapoFiveFrame, 4114);
    ASSERT_EQ(s.doc->GetUndoCount(), 1);
    EXPECT_EQ(rec::Get<std::uint8_t>(FirstOfType(s, 0, 2, 40), 96), 5);
    ExpectUndoneToBytes(s, before, "guitar frame");
}

// The playback dialog's answer: a legato percentage.
struct LegatoAnswer : CEditPlaybackTask {
    explicit LegatoAnswer(int percent) : percent(percent) {}
    bool RunDialog() override {
        playback.legato = percent;
        return true;
    }
    int percent;
};

// The playback dialog's answer for a symbol: a setting whose first byte is 9, with a scope.
struct SymbolPlaybackAnswer : CEditPlaybackTask {
    explicit SymbolPlaybackAnswer(int scope) : scope(scope) {}
    bool RunDialog() override {
        playback.block[0] = 9;
        playback.scope = scope;
        return true;
    }
    int scope;
};

// A symbol's playback setting passes to the like symbols of the insertion point's track (scope
// 1) or of every track (2), never to another kind of item.
TEST(EditPlaybackTask, TheScopeReachesLikeItemsOfTheTrackOrEveryTrack) {
    struct Place {
        int t, b, type;
    };
    const Place places[] = {{0, 1, CSymbol::kTypeCode}, {0, 3, CSymbol::kTypeCode}, {2, 2, CSymbol::kTypeCode}, {0, 2, kSlur}};
    struct Case {
        int scope;
        bool changed[4];
    };
    const Case cases[] = {{0, {true, false, false, false}}, {1, {true, true, false, false}}, {2, {true, true, true, false}}};
    for (const Case& c : cases) {
        EditScore s;
        for (const Place& p : places) ASSERT_NE(AddItem(s, p.t, p.b, p.type, 0), nullptr);
        std::vector<int> was;
        for (const Place& p : places) {
            CBarItem* i = FirstOfType(s, p.t, p.b, p.type);
            ASSERT_GE(CEditPlaybackTask::PlaybackOffset(i), 0);
            ASSERT_NE(i->Bytes()[CEditPlaybackTask::PlaybackOffset(i)], 9);
            was.push_back(i->Bytes()[CEditPlaybackTask::PlaybackOffset(i)]);
        }
        const auto before = Bytes(s);
        s.doc->location.trackIndex = 0;
        g_model.hitItem = FirstOfType(s, 0, 1, CSymbol::kTypeCode);
        RunTask(s, new SymbolPlaybackAnswer(c.scope), 4111);
        ASSERT_EQ(s.doc->GetUndoCount(), 1);
        for (int k = 0; k < 4; ++k) {
            const Place& p = places[k];
            CBarItem* i = FirstOfType(s, p.t, p.b, p.type);
            EXPECT_EQ(i->Bytes()[CEditPlaybackTask::PlaybackOffset(i)], c.changed[k] ? 9 : was[std::size_t(k)])
                << "scope " << c.scope << ", item " << k;
        }
        ExpectUndoneToBytes(s, before, "playback scope");
    }
}

// A slur's legato percentage gives the notes of its voice under it that share of their written
// length; 0 % leaves them alone; a note of another voice or past the slur's end keeps its own.
TEST(EditPlaybackTask, ASlursLegatoSetsThePlayedLengthsUnderIt) {
    for (const int percent : {0, 50}) {
        EditScore s;
        s.AddNote(0, 2, 0, 2, {60});        // under the slur
        s.AddNote(0, 2, 960, 2, {62});      // under the slur
        s.AddNote(0, 3, 0, 2, {64});        // under the slur, in its end bar
        s.AddNote(0, 3, 960, 2, {65});      // past its end
        s.AddNote(0, 2, 0, 2, {67}, 1);     // another voice
        CTrkBar* tb = s.score->GetTrkBar(0, 2);
        tb->SetCurrent();
        CBarItem* slur = tb->NewItem(kSlur, 0);
        slur->SetPositionField(0);
        slur->SetEnd(1, 100);
        s.score->RecalcBars(false);
        std::vector<int> written;
        for (int b : {2, 3})
            for (CBarItem* i : s.Live(0, b))
                if (i->IsNote()) written.push_back(int(static_cast<CRawNote*>(static_cast<CRawHead*>(i))->GetDuration()));
        const auto before = Bytes(s);
        g_model.hitItem = FirstOfType(s, 0, 2, kSlur);
        RunTask(s, new LegatoAnswer(percent), 4102);
        std::vector<int> played, expected;
        std::size_t k = 0;
        for (int b : {2, 3})
            for (CBarItem* i : s.Live(0, b))
                if (i->IsNote()) {
                    auto* note = static_cast<CRawNote*>(static_cast<CRawHead*>(i));
                    played.push_back(rec::Get<std::uint16_t>(note->Head(0), NoteHead::kDuration));
                    const bool under = note->GetVoice() == 0 && (b == 2 || i->PositionField() <= 100);
                    expected.push_back(percent && under ? written[k] * percent / 100 : written[k]);
                    ++k;
                }
        EXPECT_EQ(played, expected) << percent << " %";
        ExpectUndoneToBytes(s, before, "legato");
    }
}

// An expression whose span would pass the score's last bar ends there.
TEST(EditExprTask, AnExpressionPastTheLastBarEndsThere) {
    EditScore s;
    const int last = s.score->GetBarCount() - 1;
    CBarItem* e = AddItem(s, 1, last - 2, CExpression::kType, 0);
    ASSERT_NE(e, nullptr);
    rec::Put<std::int16_t>(e, CExpression::kEndBar, 5);
    const auto before = Bytes(s);
    g_model.hitItem = FirstOfType(s, 1, last - 2, CExpression::kType);
    RunTask(s, new CEditExprTask, 4105);
    CBarItem* edited = FirstOfType(s, 1, last - 2, CExpression::kType);
    ASSERT_NE(edited, nullptr);
    EXPECT_EQ(rec::Get<std::int16_t>(edited, CExpression::kEndBar), 2) << "bars " << last - 2 << " to " << last;
    int live = 0;
    for (CBarItem* i : s.Live(1, last - 2)) live += i->TypeCode() == CExpression::kType;
    EXPECT_EQ(live, 1) << "the old record went";
    ExpectUndoneToBytes(s, before, "expression");
}

// The bar commands leave the score as the whole passes leave it: the bar edits' shorter passes
// stand for the whole recalculation unless items or keys outside the bars changed.
TEST(BarTask, TheShorterPassesGiveWhatTheWholePassesGive) {
    struct Case {
        const char* what;
        bool insert;
        int position, count;
        bool slur;
    };
    const Case cases[] = {
        {"two bars inserted", true, 5, 2, false},
        {"two bars deleted", false, 3, 2, false},
        {"a slur lengthened over inserted bars", true, 4, 1, true},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> results[2];
        for (const bool whole : {false, true}) {
            EditScore s;
            s.score->wholeScorePasses = whole;
            s.AddNote(1, 2, 0, 2, {65});
            if (c.slur) {
                CTrkBar* tb = s.score->GetTrkBar(0, 2);
                tb->SetCurrent();
                tb->NewItem(kSlur, 0)->SetEnd(3, 500);
            }
            s.score->RecalcBars(false);
            RunTask(s, new GivenBarTask(c.insert, c.position, c.count), c.insert ? CAddBarTask::kInsertMenu : CAddBarTask::kDeleteMenu);
            results[whole ? 1 : 0] = Bytes(s);
        }
        EXPECT_TRUE(results[0] == results[1]) << c.what;
    }
}

// The capo dialog's answer: fret 3, chord names above the fingering.
struct CapoThree : CCapoTask {
    bool RunDialog() override {
        fret = 3;
        mode = 1;
        return true;
    }
};

// Note > Capo: the score keeps the capo and every selected guitar frame takes it; a frame that
// is not selected keeps its own.
// The enclosure dialog's answer: a frame of line width 60, enclosed; apply-to-all as given.
struct AnsweredEnclosure : CEditEnclosureTask {
    explicit AnsweredEnclosure(int all) : all(all) {}
    bool Prepare() override {
        if (!CEditEnclosureTask::Prepare()) return false;
        enclosure.frame[10] = 60;
        enclosure.enclosed = 1;
        applyToAll = all;
        return true;
    }
    int all;
};

// An item's enclosure: the texts of every track, or a bar number and the other bars' bar
// numbers; without apply-to-all only the item's, and never a text that is not of its type.
TEST(EditEnclosureTask, ApplyToAllReachesEveryLikeItem) {
    auto text = [](EditScore& s, int t, int b) {
        std::vector<std::uint8_t> buffer(256);
        CText* made = CText::MakePlain(buffer.data(), int(buffer.size()), CText::kTypeCode, CText::kBarText, "dolce",
                                       FontRef{0, 12, 0, 0}, false);
        CTrkBar* tb = s.score->GetTrkBar(t, b);
        tb->SetCurrent();
        return tb->InsertCopy(made);
    };
    auto barNumber = [](EditScore& s, int b) {
        alignas(8) std::uint8_t buffer[CBarNumber::kSize] = {};
        rec::Put<std::int16_t>(buffer, rec::kSize, std::int16_t(CBarNumber::kSize));
        CBarNumber::Construct(buffer);
        return s.score->GetBar(b)->AddItem(reinterpret_cast<CBarItem*>(buffer));
    };
    auto enclosed = [](CBarItem* i) {
        const auto e = CEditEnclosureTask::GetEnclosure(i);
        return e.enclosed == 1 && e.frame[10] == 60;
    };
    for (const int all : {0, 1}) {
        SCOPED_TRACE(all);
        {
            EditScore s;
            text(s, 0, 1);
            text(s, 2, 3);
            CBarItem* dynamic = AddItem(s, 1, 2, CDynamic::kType, 0);
            ASSERT_NE(dynamic, nullptr);
            const auto before = Bytes(s);
            g_model.hitItem = FirstOfType(s, 0, 1, CText::kTypeCode);
            RunTask(s, new AnsweredEnclosure(all), CEditEnclosureTask::kCommand);
            ASSERT_EQ(s.doc->GetUndoCount(), 1);
            EXPECT_TRUE(enclosed(FirstOfType(s, 0, 1, CText::kTypeCode)));
            EXPECT_EQ(enclosed(FirstOfType(s, 2, 3, CText::kTypeCode)), all == 1);
            ExpectUndoneToBytes(s, before, "texts");
        }
        {
            EditScore s;
            CBarItem* first = barNumber(s, 0);
            ASSERT_NE(first, nullptr);
            ASSERT_NE(barNumber(s, 4), nullptr);
            s.score->Reindex();
            const auto before = Bytes(s);
            g_model.hitItem = s.score->GetBar(4)->GetBarNumberItem(false);
            RunTask(s, new AnsweredEnclosure(all), CEditEnclosureTask::kCommand);
            EXPECT_TRUE(enclosed(s.score->GetBar(4)->GetBarNumberItem(false)));
            EXPECT_EQ(enclosed(s.score->GetBar(0)->GetBarNumberItem(false)), all == 1);
            ExpectUndoneToBytes(s, before, "bar numbers");
        }
    }
}

TEST(CapoTask, TheCapoIsCopiedToEachSelectedFrame) {
    EditScore s;
    for (int b : {1, 2, 4}) AddItem(s, 0, b, 40, 0);
    for (int b : {1, 2}) FirstOfType(s, 0, b, 40)->Select();
    s.SelectExtent(0, 0, 1, 2);
    const auto before = Bytes(s);
    RunTask(s, new CapoThree, 35803);
    EXPECT_EQ(s.score->capoFret, 3);
    EXPECT_EQ(s.score->capoMode, 1);
    for (int b : {1, 2}) {
        auto* f = static_cast<CGuitarFrame*>(FirstOfType(s, 0, b, 40));
        EXPECT_EQ(f->GetCapo(), 3) << b;
        EXPECT_EQ(f->GetCapoMode(), 1) << b;
    }
    EXPECT_EQ(static_cast<CGuitarFrame*>(FirstOfType(s, 0, 4, 40))->GetCapo(), 0);
    // The saved file keeps the capo in option bytes 12 and 13 of its header (the options
    // start at byte 6 of the header chunk's body, after its 8-byte tag and length).
    const auto saved = Bytes(s);
    ASSERT_GT(saved.size(), 30u);
    EXPECT_EQ(saved[8 + 6 + 12], 3);
    EXPECT_EQ(saved[8 + 6 + 13], 1);
    // Undo gives the score's capo back (the frames come back deselected, as every walk that
    // deselects leaves them).
    s.doc->Undo();
    EXPECT_EQ(s.score->capoFret, 0);
    EXPECT_EQ(Bytes(s)[8 + 6 + 12], before[8 + 6 + 12]);
    EXPECT_EQ(Bytes(s)[8 + 6 + 13], before[8 + 6 + 13]);
    for (int b : {1, 2}) EXPECT_EQ(static_cast<CGuitarFrame*>(FirstOfType(s, 0, b, 40))->GetCapo(), 0) << b;
    s.doc->Redo();
    EXPECT_EQ(s.score->capoFret, 3);
    EXPECT_EQ(s.score->capoMode, 1);
}

}  // namespace

// Removing a track: a rest shown on the removed staff comes back to its own; one shown across
// the removed staff stays on the staff it was shown on, now one staff nearer; others keep theirs.
TEST(TrackRemoval, CrossStaffRestsComeHomeOrKeepTheirStaff) {
    struct Case {
        const char* what;
        int removed, track, offset;
        int trackAfter, offsetAfter;
    };
    const Case cases[] = {
        {"down onto the removed staff", 1, 0, 1, 0, 0},
        {"up onto the removed staff", 1, 2, -1, 1, 0},
        {"down across the removed staff", 1, 0, 2, 0, 1},
        {"up across the removed staff", 1, 2, -2, 1, -1},
        {"up short of the removed staff", 1, 3, -1, 2, -1},
        {"down short of the removed staff", 2, 0, 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditScore s;
        ASSERT_TRUE(s.score->InsertTrack(s.score->GetTrackCount(), 0, 0));
        ASSERT_EQ(s.score->GetTrackCount(), 4);
        CBarItem* rest = s.AddRest(c.track, 1, 0, 3, false);
        rest->SetStartStaffOffset(c.offset);
        ASSERT_EQ(rest->GetStartStaffOffset(), c.offset);
        ASSERT_TRUE(rest->ReachesOtherStaff());
        ASSERT_TRUE(s.score->DeleteTrack(c.removed));
        CBarItem* after = nullptr;
        for (CBarItem* i : s.Live(c.trackAfter, 1))
            if (i->TypeCode() == 128 && i->GetVoice() == 3) after = i;
        ASSERT_NE(after, nullptr);
        EXPECT_EQ(after->GetStartStaffOffset(), c.offsetAfter);
    }
}
