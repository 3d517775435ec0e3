// The Edit > Select filters (by kind, by the note criteria, by the data criteria) and find: what
// each keeps, the whole score when nothing is selected, the note grid, the data kinds, and find
// walking on from the selection with the question at the end of the score.
#include "framework/CodePage.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "edit/EditFixture.h"
#include "framework/MessageBox.h"
#include "model/Data.h"
#include "model/DocumentStandIns.h"
#include "model/Select.h"
#include "model/Tempo.h"

namespace {

using edittest::EditScore;
constexpr int kWhole = CSelect::kWhole;

CTrkBar* TB(EditScore& s, int t, int b) { return s.score->GetTrkBar(t, b); }

// The selected live items of a bar of a track, by type code.
std::vector<int> SelectedTypes(EditScore& s, int t, int b) {
    std::vector<int> out;
    for (CBarItem* i : s.Live(t, b))
        if (i->IsSelectedBit()) out.push_back(i->TypeCode());
    return out;
}

// Selects every live item of tracks t1-t2 in bars b1-b2.
void SelectAll(EditScore& s, int t1, int t2, int b1, int b2) {
    s.doc->GetSelection()->SelectSpan(t1, b1, 0, t2, b2, 1024, true);
}

// Fresh criteria records for each test (they live for the program run).
struct FreshCriteria {
    FreshCriteria() { SelectCriteria() = SelectionCriteria{}; }
    ~FreshCriteria() { SelectCriteria() = SelectionCriteria{}; }
};

// One item of each kind the type filters know, in track 0's bar 2, and a note in track 1's bar 5.
void AddEveryKind(EditScore& s) {
    s.AddNote(0, 2, 0, 3, {60});
    s.AddRest(0, 2, 480, 0, false);
    for (int type : {17, 27, 24, 20, 37, 19, 66, 31, 22, 40, 171}) ASSERT_NE(TB(s, 0, 2)->NewItem(type, 960), nullptr) << type;
    s.AddNote(1, 5, 0, 3, {64});
}

TEST(SelectionFilter, EachKindFilterKeepsExactlyItsTypes) {
    struct Case {
        int command;
        std::vector<int> kept;
    };
    const Case cases[] = {
        {32904, {144}}, {32905, {128}}, {32906, {17}}, {32907, {27}}, {32908, {24}}, {32909, {20}},
        {32910, {37}}, {32911, {19}}, {32912, {66}}, {32913, {31}}, {32914, {22}}, {32915, {40}},
    };
    for (const Case& c : cases) {
        EditScore s;
        FreshCriteria fresh;
        AddEveryKind(s);
        SelectAll(s, 0, 0, 2, 2);
        CSelect* sel = s.doc->GetSelection();
        ASSERT_EQ(sel->itemCount, 13);
        s.doc->NotifyWindows(1, 0);
        sel->FilterSelection(c.command);
        EXPECT_EQ(SelectedTypes(s, 0, 2), c.kept) << c.command;
        EXPECT_TRUE(SelectedTypes(s, 1, 5).empty()) << c.command << ": outside the selection";
        EXPECT_EQ(sel->itemCount, int(c.kept.size())) << c.command;
    }
}

TEST(SelectionFilter, WithNothingSelectedTheWholeScoreIsFiltered) {
    EditScore s;
    FreshCriteria fresh;
    AddEveryKind(s);
    CSelect* sel = s.doc->GetSelection();
    sel->ClearAll();
    std::vector<int> told;
    DocumentHintTargets()[1] = [&](int code) { told.push_back(code); };
    sel->FilterSelection(32904);
    EXPECT_EQ(SelectedTypes(s, 0, 2), std::vector<int>{144});
    EXPECT_EQ(SelectedTypes(s, 1, 5), std::vector<int>{144});
    EXPECT_EQ(sel->itemCount, 2);
    EXPECT_EQ(sel->noteCount, 2);
    EXPECT_EQ(told, std::vector<int>{4330}) << "the selection-changed notice";
}

TEST(SelectionFilter, TheNoteFilterDeselectsHeadsOutsideThePitchRange) {
    EditScore s;
    FreshCriteria fresh;
    s.AddNote(0, 3, 0, 3, {60, 64, 67});
    s.AddNote(0, 3, 480, 3, {50, 52});
    s.AddRest(0, 3, 960, 0, false);
    SelectAll(s, 0, 0, 3, 3);
    NoteFilterCriteria& c = SelectCriteria().noteFilter;
    c.pitchOn = 1, c.pitchMin = 62, c.pitchMax = 70;
    CSelect* sel = s.doc->GetSelection();
    sel->FilterSelection(32902);
    std::vector<CBarItem*> live = s.Live(0, 3);
    ASSERT_EQ(live.size(), 3u);
    auto* chord = static_cast<CRawNote*>(live[0]);
    EXPECT_TRUE(chord->IsSelectedBit()) << "the chord stays selected";
    EXPECT_FALSE(chord->Head(0)->IsSelected()) << "head 60";
    EXPECT_TRUE(chord->Head(1)->IsSelected()) << "head 64";
    EXPECT_TRUE(chord->Head(2)->IsSelected()) << "head 67";
    EXPECT_FALSE(live[1]->IsSelectedBit()) << "every head outside: the note goes";
    EXPECT_FALSE(live[2]->IsSelectedBit()) << "a rest is no note";
    EXPECT_EQ(sel->itemCount, 1);
}

TEST(SelectionFilter, TheNoteGridAndTheNoteValue) {
    struct Case {
        const char* why;
        int positionIndex, everyIndex;
        bool every;
        int noteValue;  // -1: off
        std::vector<int> kept;
    };
    const Case cases[] = {
        {"480 every 480 in 4/4", 10, 10, true, -1, {480, 960, 1440}},
        {"480 alone", 10, 10, false, -1, {480}},
        {"0 every 960", 0, 12, true, -1, {0, 960}},
        {"quarters at 0", 0, 0, false, 2, {0}},
        {"quarter notes, no grid", -1, 0, false, 2, {0, 480, 960, 1440}},
        {"dotted quarters", -1, 0, false, 9, {}},
    };
    for (const Case& c : cases) {
        EditScore s;
        FreshCriteria fresh;
        ASSERT_EQ(TB(s, 0, 4)->GetMeterLength(), 1920);
        for (int time : {0, 480, 960, 1440}) s.AddNote(0, 4, time, 3, {60});
        SelectAll(s, 0, 0, 4, 4);
        NoteFilterCriteria& n = SelectCriteria().noteFilter;
        n.positionOn = c.positionIndex >= 0;
        n.positionIndex = std::int16_t(std::max(c.positionIndex, 0));
        n.everyOn = c.every;
        n.everyIndex = std::int16_t(c.everyIndex);
        n.noteValueOn = c.noteValue >= 0;
        n.noteValue = std::int16_t(std::max(c.noteValue, 0));
        s.doc->GetSelection()->FilterSelection(32902);
        std::vector<int> kept;
        for (CBarItem* i : s.Live(0, 4))
            if (i->IsSelectedBit()) kept.push_back(i->TimeField());
        EXPECT_EQ(kept, c.kept) << c.why;
    }
}

TEST(SelectionFilter, DurationFromIndex) {
    const std::pair<int, int> cases[] = {{0, 0}, {1, 15}, {2, 30}, {3, 45}, {4, 60}, {5, 90}, {10, 480}, {11, 720},
                                         {14, 1920}, {15, 2880}};
    for (auto [index, ticks] : cases) EXPECT_EQ(DurationFromIndex(index), ticks) << index;
}

TEST(SelectionFilter, TheDataFilterKinds) {
    struct Item {
        int type;
        int byte1, byte2;  // data bytes, the value byte (dynamic 19, expression 28) or the tempo word
    };
    struct Case {
        const char* why;
        std::function<void(FindCriteria&)> set;
        std::vector<Item> items;
        std::vector<bool> kept;
    };
    const Case cases[] = {
        {"controllers of a number", [](FindCriteria& c) { c.controllerOn = 1, c.controllerNumberOn = 1, c.controllerNumber = 7; },
         {{171, 7, 100}, {171, 10, 100}, {172, 7, 0}}, {true, false, false}},
        {"controllers of a value range", [](FindCriteria& c) { c.controllerOn = 1, c.controllerValueOn = 1, c.controllerMin = 50, c.controllerMax = 90; },
         {{171, 7, 100}, {171, 10, 60}, {171, 11, 49}}, {false, true, false}},
        {"patches of a number", [](FindCriteria& c) { c.patchOn = 1, c.patchNumberOn = 1, c.patchNumber = 5; },
         {{172, 5, 0}, {172, 6, 0}, {171, 5, 0}}, {true, false, false}},
        {"bends by the bend minus 8192", [](FindCriteria& c) { c.pitchBendOn = 1, c.pitchBendValueOn = 1, c.pitchBendMin = -8192, c.pitchBendMax = -8000; },
         {{174, 0, 0}, {174, 0, 64}, {174, 100, 0}}, {true, false, true}},
        {"every bend", [](FindCriteria& c) { c.pitchBendOn = 1; }, {{174, 0, 64}, {173, 0, 0}}, {true, false}},
        {"hairpins report 0", [](FindCriteria& c) { c.hairpinOn = 1, c.hairpinValueOn = 1, c.hairpinMin = 0, c.hairpinMax = 3; },
         {{19, 0, 0}}, {true}},
        {"hairpins outside a range above 0", [](FindCriteria& c) { c.hairpinOn = 1, c.hairpinValueOn = 1, c.hairpinMin = 1, c.hairpinMax = 3; },
         {{19, 0, 0}}, {false}},
        {"dynamics by their value", [](FindCriteria& c) { c.dynamicOn = 1, c.dynamicValueOn = 1, c.dynamicMin = 60, c.dynamicMax = 80; },
         {{20, 70, 0}, {20, 90, 0}}, {true, false}},
        {"expressions of kind 0 (playback 1)", [](FindCriteria& c) { c.expressionOn = 1, c.expressionKindOn = 1, c.expressionKind = 0; },
         {{37, 0x11, 0}, {37, 0x21, 0}, {37, 0x00, 0}}, {true, false, false}},
        {"expressions of kind 3 (playback 5)", [](FindCriteria& c) { c.expressionOn = 1, c.expressionKindOn = 1, c.expressionKind = 3; },
         {{37, 0x51, 0}, {37, 0x31, 0}}, {true, false}},
        {"expressions without playback", [](FindCriteria& c) { c.expressionOn = 1, c.expressionKindOn = 1, c.expressionKind = 4; },
         {{37, 0x00, 0}, {37, 0x21, 0}, {37, 0x10, 0}}, {true, false, true}},
        {"tempo marks by their tempo word", [](FindCriteria& c) { c.tempoOn = 1, c.tempoValueOn = 1, c.tempoMin = 10000, c.tempoMax = 13000; },
         {{28, 12000, 0}, {28, 9000, 0}}, {true, false}},
        {"every tempo mark", [](FindCriteria& c) { c.tempoOn = 1; }, {{28, 9000, 0}}, {true}},
        {"nothing enabled keeps nothing", [](FindCriteria&) {}, {{171, 7, 0}, {37, 0, 0}}, {false, false}},
    };
    for (const Case& c : cases) {
        EditScore s;
        FreshCriteria fresh;
        int time = 0;
        for (const Item& it : c.items) {
            CBarItem* item = TB(s, 1, 3)->NewItem(it.type, time);
            ASSERT_NE(item, nullptr) << c.why;
            item->SetTimeField(std::int16_t(time));
            if (it.type > 169)
                static_cast<CData*>(item)->SetDataBytes(it.byte1, it.byte2);
            else if (it.type == 20)
                rec::Put<std::uint8_t>(item, 19, std::uint8_t(it.byte1));
            else if (it.type == 28)
                static_cast<CTempo*>(item)->SetValue(it.byte1);
            else if (it.type == 37)
                rec::Put<std::uint8_t>(item, 28, std::uint8_t(it.byte1));
            time += 240;
        }
        // Nothing selected: every item of the score is a candidate.
        s.doc->GetSelection()->ClearAll();
        c.set(SelectCriteria().find);
        s.doc->GetSelection()->FilterSelection(32903);
        std::vector<bool> kept;
        for (CBarItem* i : s.Live(1, 3)) kept.push_back(i->IsSelectedBit());
        EXPECT_EQ(kept, c.kept) << c.why;
        EXPECT_EQ(SelectCriteria().find.mode, 1) << c.why << ": the dialog ran in data-filter mode";
    }
}

TEST(SelectionFilter, TheCriteriaTakeTheirDefaultsOncePerRun) {
    EditScore s;
    FreshCriteria fresh;
    SelectionCriteria& c = SelectCriteria();
    EXPECT_EQ(c.noteFilter.durationMin, 120);
    EXPECT_EQ(c.noteFilter.durationMax, 480);
    EXPECT_EQ(c.noteFilter.velocityMin, 1);
    EXPECT_EQ(c.noteFilter.noteValue, 3);
    EXPECT_EQ(c.find.pitchMax, 127);
    EXPECT_EQ(c.find.velocityMax, 127);
    c.noteFilter.pitchMin = 40;
    c.find.controllerNumber = 9;
    s.doc->GetSelection()->Init(s.doc.get());
    EXPECT_EQ(c.noteFilter.pitchMin, 40) << "what the user confirmed stays";
    EXPECT_EQ(c.find.controllerNumber, 9);
    c.noteFilter.velocityMin = 0;  // as before the first initialisation
    s.doc->GetSelection()->Init(s.doc.get());
    EXPECT_EQ(c.noteFilter.pitchMin, 0);
    EXPECT_EQ(c.noteFilter.velocityMin, 1);
    EXPECT_EQ(c.find.controllerNumber, 0);
}

// --- find -------------------------------------------------------------------------------------

// Notes of pitch 62 (the ones find looks for) and others; a controller 7 in track 2.
struct FindScore : EditScore {
    FindScore() {
        AddNote(0, 2, 480, 3, {62});
        AddNote(0, 2, 960, 3, {60});
        AddNote(0, 5, 0, 3, {62, 65});
        AddNote(1, 1, 0, 3, {62});
        AddNote(1, 4, 0, 3, {70});
        SelectCriteria() = SelectionCriteria{};
        FindCriteria& c = SelectCriteria().find;
        c.notesOn = 1, c.pitchOn = 1, c.pitchMin = 60, c.pitchMax = 65;
    }
    ~FindScore() { SelectCriteria() = SelectionCriteria{}; }
    // Where the selection is: (track, bar, time) of each selected item.
    std::vector<std::vector<int>> Found() {
        std::vector<std::vector<int>> out;
        for (int t = 0; t < score->GetTrackCount(); ++t)
            for (int b = 0; b < score->GetBarCount(); ++b)
                for (CBarItem* i : Live(t, b))
                    if (i->IsSelectedBit()) out.push_back({t, b, i->TimeField()});
        return out;
    }
    std::vector<int> Insertion() { return {doc->location.trackIndex, doc->location.barIndex, int(doc->location.time)}; }
};

TEST(SelectionFind, FindStartsAtTheInsertionPointAndFindNextSkipsTheLastMatch) {
    FindScore s;
    fw::msgboxtest::Capture boxes;
    CSelect* sel = s.doc->GetSelection();
    s.doc->location.trackIndex = 0, s.doc->location.barIndex = 2, s.doc->location.time = 600;
    sel->FindNext(32916);
    EXPECT_EQ(s.Found(), (std::vector<std::vector<int>>{{0, 2, 960}})) << "at or after the insertion point";
    EXPECT_EQ(s.Insertion(), (std::vector<int>{0, 2, 960}));
    EXPECT_EQ(s.doc->location.position, TB(s, 0, 2)->TickToFraction(960));
    EXPECT_EQ(SelectCriteria().find.mode, 0) << "the dialog ran in find mode";
    EXPECT_EQ(GraphicWindow::lastHint, 4332);
    sel->FindNext(32917);
    EXPECT_EQ(s.Found(), (std::vector<std::vector<int>>{{0, 5, 0}}));
    sel->FindNext(32917);
    EXPECT_EQ(s.Found(), (std::vector<std::vector<int>>{{1, 1, 0}})) << "the next track starts at bar 0";
    EXPECT_EQ(s.Insertion(), (std::vector<int>{1, 1, 0}));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(GraphicWindow::shownKind, -1) << "no MIDI data found";

    // A selection made otherwise moves the starting point.
    sel->ClearAll();
    sel->SelectSpan(0, 2, 0, 0, 2, 100, true);
    sel->FindNext(32917);
    EXPECT_EQ(s.Found(), (std::vector<std::vector<int>>{{0, 2, 480}}));
}

TEST(SelectionFind, AtTheEndOfTheScoreItAsksWhetherToStartAtTheTop) {
    for (int answer : {IDYES, IDNO}) {
        FindScore s;
        fw::msgboxtest::Capture boxes;
        boxes.Answer(answer);
        CSelect* sel = s.doc->GetSelection();
        s.doc->location.trackIndex = 1, s.doc->location.barIndex = 1, s.doc->location.time = 0;
        sel->FindNext(32916);
        ASSERT_EQ(s.Found(), (std::vector<std::vector<int>>{{1, 1, 0}}));
        sel->FindNext(32917);
        ASSERT_EQ(boxes.shown().size(), 1u) << answer;
        EXPECT_EQ(fw::ToUtf8(boxes.shown()[0].text), "已到达琴谱的末尾！\n要从头开始吗？");
        EXPECT_EQ(boxes.shown()[0].type & MB_TYPEMASK, UINT(MB_YESNO));
        EXPECT_EQ(boxes.beeps(), 1) << answer;
        if (answer == IDYES) {
            EXPECT_EQ(s.Found(), (std::vector<std::vector<int>>{{0, 2, 480}})) << "from the top";
            EXPECT_EQ(s.Insertion(), (std::vector<int>{0, 2, 480}));
        } else {
            EXPECT_TRUE(s.Found().empty()) << "No leaves nothing selected";
            EXPECT_EQ(sel->itemCount, 0);
        }
    }
}

TEST(SelectionFind, AMidiDataMatchShowsItsKindInThePianoRoll) {
    FindScore s;
    fw::msgboxtest::Capture boxes;
    FindCriteria& c = SelectCriteria().find;
    c.notesOn = 0;
    c.controllerOn = 1, c.controllerNumberOn = 1, c.controllerNumber = 7;
    CBarItem* other = TB(s, 2, 3)->NewItem(171, 0);
    static_cast<CData*>(other)->SetDataBytes(10, 64);
    CBarItem* data = TB(s, 2, 3)->NewItem(171, 240);
    data->SetTimeField(240);
    static_cast<CData*>(data)->SetDataBytes(7, 100);
    s.doc->location.trackIndex = 0, s.doc->location.barIndex = 0, s.doc->location.time = 0;
    s.doc->GetSelection()->FindNext(32916);
    EXPECT_EQ(s.Found(), (std::vector<std::vector<int>>{{2, 3, 240}}));
    EXPECT_EQ(GraphicWindow::shownKind, 3) << "the controller kind";
    EXPECT_EQ(GraphicWindow::shownController, 7);
}

}  // namespace
