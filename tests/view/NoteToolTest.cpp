// Notes entered with the mouse in a page pane: the note tool's click places a note or rest at
// the staff position under the pointer, sounds it, moves the insertion point on and is one undo
// step; the checks of automatic correction ask and a "否" takes the click back whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "framework/Dialog.h"
#include "framework/Menu.h"
#include "support/MidiRecorder.h"
#include "framework/Midi.h"
#include "framework/Window.h"
#include "model/Bar.h"
#include "model/DragTask.h"
#include "model/Playback.h"
#include "model/Page.h"
#include "model/Preferences.h"
#include "model/Select.h"
#include "model/System.h"
#include "model/SystemStaff.h"
#include "model/Track.h"
#include "model/TrkBar.h"
#include "model/TrkBarEntry.h"
#include "model/TrkBarEntryFields.h"
#include "model/TrkBarWalk.h"
#include "platform/DrawGlobals.h"
#include "view/ToolState.h"
#include "model/Playback.h"

namespace {

struct Entered {
    bool rest;
    int time;
    int staffPosition;  // head 0's (a rest's own)
    int pitch;          // head 0's, -1 for a rest
    int heads;
    bool operator==(const Entered&) const = default;
};

void PrintTo(const Entered& e, std::ostream* os) {
    *os << (e.rest ? "rest" : "note") << " t" << e.time << " pos " << e.staffPosition << " pitch " << e.pitch
        << " heads " << e.heads;
}

std::vector<std::uint8_t> Saved(CZelDoc& doc) {
    char temp[] = "/tmp/notetool-XXXXXX";
    const int fd = mkstemp(temp);
    close(fd);
    std::vector<std::uint8_t> bytes;
    if (doc.WriteNative(temp)) {
        if (FILE* f = std::fopen(temp, "rb")) {
            for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(std::uint8_t(c));
            std::fclose(f);
        }
    }
    std::remove(temp);
    return bytes;
}

}  // namespace

class NoteTool : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        Open(1, 0);
        score = doc->GetScore();
        pane = view->GetPane(0);
        g_toolState.tool = ToolState::kNote;
        g_toolState.subTool = ToolState::kNoteSub;
        g_toolState.value = 3;
        g_preferences.SetByte(Preferences::kAdvanceCursor, 1);
    }
    // The pane point of time `tick` in bar `bar` at a staff position of the first track.
    POINT At(int bar, int tick, int staffPosition) {
        CBar* b = score->GetBar(bar);
        CStaff* staff = b->GetLine()->GetStaff(0);
        const RECT paper = score->GetPage(0)->GetPaperRect();
        return POINT{LONG(b->FractionToX(b->TickToFraction(tick, false)) - paper.left),
                     LONG(staff->PositionToY(staffPosition) - paper.top)};
    }
    // The pointer rests at the point, then the left button clicks there.
    void ClickAt(POINT p, UINT mods = fw::uitest::kNone) {
        fw::uitest::Move(pane, int(p.x), int(p.y), mods);
        fw::uitest::Click(pane, int(p.x), int(p.y), fw::uitest::kLeft, mods);
        fw::uitest::RunUntilIdle();
    }
    std::vector<Entered> Items(int track, int bar) {
        std::vector<Entered> out;
        trkbar::ForEachLiveItem(score->GetTrkBar(track, bar), [&](CBarItem* it) {
            if (it->IsNote())
                out.push_back({false, it->TimeField(), entry::HeadPos(entry::HeadAt(it, 0)),
                               entry::HeadAt(it, 0)[entry::kHeadPitch], entry::HeadCount(it)});
            else if (it->IsRest())
                out.push_back({true, it->TimeField(), 0, -1, 0});
        });
        return out;
    }
    // A pane point that the first note of the bar's own hit test takes.
    POINT HeadPoint(int track, int bar) {
        CTrkBar* tb = score->GetTrkBar(track, bar);
        CBarItem* note = nullptr;
        trkbar::ForEachLiveItem(tb, [&](CBarItem* item) {
            if (item->IsNote() && !note) note = item;
        });
        if (!note) return POINT{-1, -1};
        RECT bounds{};
        static_cast<CScoreItem*>(note)->GetBounds(&bounds);
        tb->SetCurrent();
        const RECT paper = score->GetPage(0)->GetPaperRect();
        for (int y = int(bounds.bottom); y >= int(bounds.top); --y)
            for (int x = int(bounds.left); x <= int(bounds.right); ++x)
                if (static_cast<CScoreItem*>(note)->HitTest(x, y)) return POINT{LONG(x - paper.left), LONG(y - paper.top)};
        return POINT{-1, -1};
    }
    std::vector<Entered> Notes(int track, int bar) {
        std::vector<Entered> out;
        for (const Entered& e : Items(track, bar))
            if (!e.rest) out.push_back(e);
        return out;
    }

    CScore* score = nullptr;
    CPagePane* pane = nullptr;
};

TEST_F(NoteTool, FourClickedQuartersRiseAndFourUndosGiveBackTheNewScore) {
    const std::vector<std::uint8_t> fresh = Saved(*doc);
    ASSERT_FALSE(fresh.empty());
    for (int i = 0; i < 4; ++i) ClickAt(At(0, 480 * i, i));
    // Treble clef, C major: staff position 0 is the middle line's B.
    const std::vector<Entered> want{
        {false, 0, 0, 71, 1}, {false, 480, 1, 72, 1}, {false, 960, 2, 74, 1}, {false, 1440, 3, 76, 1}};
    EXPECT_EQ(Notes(0, 0), want);
    EXPECT_EQ(doc->GetUndoCount(), 4);
    for (int i = 0; i < 4; ++i) doc->Undo();
    EXPECT_TRUE(Notes(0, 0).empty());
    EXPECT_EQ(Saved(*doc), fresh);
}

// The pitch of a clicked note: chosen accidental on the natural note of the staff position, an
// accidental carried from an earlier note of the voice, and an earlier note of another staff
// position that carries nothing.
TEST_F(NoteTool, PitchFromStaffPositionAccidentalAndEarlierNotes) {
    struct Case {
        const char* name;
        int earlierPosition, earlierAccidental;  // a first note at t0 (-99: none)
        int position, accidental;                // the note at t960
        int pitch;
    } cases[] = {
        {"natural", -99, 0, 1, 0, 72},
        {"sharp chosen", -99, 0, 1, 1, 73},
        {"flat chosen", -99, 0, 0, 2, 70},
        {"double sharp chosen", -99, 0, 1, 4, 74},
        {"double flat chosen", -99, 0, 0, 5, 69},
        {"natural chosen", -99, 0, 0, 3, 71},
        {"sharp carried from an earlier note", 1, 1, 1, 0, 73},
        {"flat carried from an earlier note", 0, 2, 0, 0, 70},
        {"an earlier sharp elsewhere carries nothing", 2, 1, 1, 0, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        while (doc->GetUndoPosition() > 0) doc->Undo();
        if (c.earlierPosition != -99) {
            g_toolState.accidental = std::uint8_t(c.earlierAccidental);
            ClickAt(At(0, 0, c.earlierPosition));
        }
        g_toolState.accidental = std::uint8_t(c.accidental);
        ClickAt(At(0, 960, c.position));
        g_toolState.accidental = 0;
        const std::vector<Entered> notes = Notes(0, 0);
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes.back().time, 960);
        EXPECT_EQ(notes.back().pitch, c.pitch);
    }
}

TEST_F(NoteTool, AClickNearANoteAddsAChordToneAtItsTime) {
    ClickAt(At(0, 480, 0));
    ClickAt(At(0, 480, 4));
    const std::vector<Entered> notes = Notes(0, 0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].time, 480);
    EXPECT_EQ(notes[0].heads, 2);
    EXPECT_EQ(doc->GetUndoCount(), 2);
    doc->Undo();
    EXPECT_EQ(Notes(0, 0)[0].heads, 1);
}

TEST_F(NoteTool, RestValuesTakeTheDurationsOfTheNoteValues) {
    g_toolState.subTool = ToolState::kRestSub;
    g_toolState.value = 11 + 3;
    ClickAt(At(0, 0, 0));
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 3;
    ClickAt(At(0, 480, 0));
    // The quarter rest at 0 leaves room for the quarter note at 480.
    const std::vector<Entered> items = Items(0, 0);
    ASSERT_GE(items.size(), 2u);
    EXPECT_TRUE(items[0].rest);
    EXPECT_EQ(items[0].time, 0);
    EXPECT_EQ(Notes(0, 0), (std::vector<Entered>{{false, 480, 0, 71, 1}}));
}

TEST_F(NoteTool, ANoteSoundsWhilePressedAndStopsAtTheRelease) {
    std::vector<testsupport::MidiRecorder::Sent>& sent = testsupport::RecordedMidi();
    sent.clear();
    g_preferences.SetByte(Preferences::kDragNote, 1);
    ClickAt(At(0, 0, 1));
    std::vector<std::pair<int, int>> notes;
    for (const auto& s : sent)
        if ((s.a & 0xF0) == 0x90) notes.push_back({s.b, s.c});
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].first, 72);
    EXPECT_GT(notes[0].second, 0);
    EXPECT_EQ(notes[1], std::make_pair(72, 0));
}

TEST_F(NoteTool, TheInsertionPointMovesOnUnlessShiftIsHeld) {
    ClickAt(At(0, 0, 0));
    EXPECT_EQ(doc->location.barIndex, 0);
    EXPECT_EQ(int(doc->location.time), 480);
    ClickAt(At(0, 480, 0), fw::uitest::kShift);
    EXPECT_EQ(int(doc->location.time), 480);
    EXPECT_EQ(Notes(0, 0).size(), 2u);
}

TEST_F(NoteTool, ANoteThatFillsTheBarMovesTheInsertionPointAndThePointerToTheNextBar) {
    for (int i = 0; i < 4; ++i) ClickAt(At(0, 480 * i, 0));
    EXPECT_EQ(doc->location.barIndex, 1);
    EXPECT_EQ(int(doc->location.time), 0);
    // The pointer was put at the new insertion point.
    POINT want = At(1, 0, 0);
    pane->ClientToScreen(&want);
    POINT pointer{};
    fw::GetCursorPos(&pointer);
    EXPECT_EQ(pointer.x, want.x);
    EXPECT_EQ(pointer.y, want.y);
}

TEST_F(NoteTool, AVoiceBeyondTheTracksLimitIsRefused) {
    score->GetTrack(0)->SetVoiceCount(1);
    fw::uitest::Move(pane, int(At(0, 0, 0).x), int(At(0, 0, 0).y));
    fw::uitest::RunUntilIdle();
    doc->location.voice = 1;
    doc->paneLocation.voice = 1;
    fw::uitest::Click(pane, int(At(0, 0, 0).x), int(At(0, 0, 0).y));
    fw::uitest::RunUntilIdle();
    EXPECT_TRUE(Notes(0, 0).empty());
    EXPECT_EQ(doc->GetUndoCount(), 0);
}

TEST_F(NoteTool, TheAccidentalSubToolDoesNothingOnEmptyStaff) {
    g_toolState.subTool = ToolState::kAccidentalSub;
    g_toolState.button = 1;
    const std::vector<std::uint8_t> before = Saved(*doc);
    ClickAt(At(0, 480, 0));
    EXPECT_EQ(doc->GetUndoCount(), 0);
    EXPECT_EQ(Saved(*doc), before);
}

TEST_F(NoteTool, TheNoteToolLeftOfTheBarContentSelects) {
    CBar* b = score->GetBar(0);
    CStaff* staff = b->GetLine()->GetStaff(0);
    const RECT paper = score->GetPage(0)->GetPaperRect();
    const POINT p{LONG(b->GetLeft() - 2 * staff->GetLineSpacing() - paper.left), LONG(staff->PositionToY(0) - paper.top)};
    ClickAt(p);
    EXPECT_TRUE(Notes(0, 0).empty());
    EXPECT_EQ(doc->GetUndoCount(), 0);
}

// Automatic correction asks before it keeps a note: "是" keeps it, "否" leaves the score and the
// undo list as they were before the click.
TEST_F(NoteTool, TheChecksAskAndANoTakesTheClickBack) {
    g_preferences.SetByte(Preferences::kCorrect, 1);
    CTrack* track = score->GetTrack(0);
    track->SetLowRange(60);
    track->SetHighRange(72);
    struct Case {
        const char* name;
        int answer;
        UINT dialog;
        bool kept;
    } cases[] = {{"out of range, yes", IDOK, 404, true}, {"out of range, no", IDCANCEL, 404, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        while (doc->GetUndoPosition() > 0) doc->Undo();
        const int undo = doc->GetUndoCount();
        const std::vector<std::uint8_t> before = Saved(*doc);
        std::string text;
        const std::size_t shown = fw::uitest::ModalsRun().size();
        fw::uitest::OnNextModal([&](CDialog& d) {
            char buffer[256] = {};
            d.GetDlgItemText(3, buffer, int(sizeof buffer));
            text = buffer;
            d.EndDialog(c.answer);
        });
        ClickAt(At(0, 0, 8));  // C6, above the range
        ASSERT_EQ(fw::uitest::ModalsRun().size(), shown + 1);
        EXPECT_EQ(fw::uitest::ModalsRun().back(), c.dialog);
        EXPECT_NE(text.find("(C6)"), std::string::npos) << text;
        EXPECT_NE(text.find("C4"), std::string::npos) << text;
        EXPECT_NE(text.find("C5"), std::string::npos) << text;
        if (c.kept) {
            EXPECT_EQ(Notes(0, 0).size(), 1u);
            EXPECT_EQ(doc->GetUndoCount(), undo + 1);
        } else {
            EXPECT_TRUE(Notes(0, 0).empty());
            EXPECT_EQ(doc->GetUndoCount(), undo);
            EXPECT_EQ(Saved(*doc), before);
        }
    }
}

TEST_F(NoteTool, ABarMadeTooFullAsksFirst) {
    for (int i = 0; i < 3; ++i) ClickAt(At(0, 480 * i, 0));
    g_preferences.SetByte(Preferences::kCorrect, 1);
    g_toolState.value = 2;  // a half note where a quarter is left
    for (const int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer == IDOK ? "yes" : "no");
        const int undo = doc->GetUndoCount();
        const std::size_t shown = fw::uitest::ModalsRun().size();
        fw::uitest::OnNextModal([answer](CDialog& d) { d.EndDialog(answer); });
        ClickAt(At(0, 1440, 2));
        ASSERT_EQ(fw::uitest::ModalsRun().size(), shown + 1);
        EXPECT_EQ(fw::uitest::ModalsRun().back(), 403u);
        EXPECT_EQ(doc->GetUndoCount(), answer == IDOK ? undo + 1 : undo);
        EXPECT_EQ(Notes(0, 0).size(), answer == IDOK ? 4u : 3u);
    }
}

// On a percussion staff the drum map gives the clicked position its key and its note head.
TEST_F(NoteTool, APercussionStaffTakesTheDrumMapsKeyAndHead) {
    CTrack* track = score->GetTrack(0);
    track->SetStaffKind(1);
    rec::Put<std::int8_t>(track, CTrack::kDrumPositions + 0, 2);
    rec::Put<std::uint8_t>(track, CTrack::kDrumKeys + 0, 38);
    rec::Put<std::uint8_t>(track, CTrack::kDrumHeads + 0, 3);
    rec::Put<std::uint8_t>(track, CTrack::kDrumVoices + 0, 0);
    ClickAt(At(0, 0, 2));
    const std::vector<Entered> notes = Notes(0, 0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].pitch, 38);
    EXPECT_EQ(notes[0].staffPosition, 2);
    CBarItem* note = nullptr;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsNote()) note = it;
    });
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(entry::HeadAt(note, 0)[entry::kHeadShape] >> 2, 3);
}

// A note entered where another voice already has notes gets its stem by its voice: up for an
// even voice, down for an odd one.
TEST_F(NoteTool, TwoVoicesTakeTheirStemsByTheirVoice) {
    score->GetTrack(0)->SetVoiceCount(2);
    g_entry.autoRests = false;  // nothing but the two notes in the bar
    ClickAt(At(0, 0, -6));  // voice 0: a low note whose own stem would go up
    fw::uitest::Move(pane, int(At(0, 960, -5).x), int(At(0, 960, -5).y));
    fw::uitest::RunUntilIdle();
    doc->location.voice = 1;
    doc->paneLocation.voice = 1;
    fw::uitest::Click(pane, int(At(0, 960, -5).x), int(At(0, 960, -5).y));
    fw::uitest::RunUntilIdle();
    std::vector<std::pair<int, bool>> stems;  // voice, stem up
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 0), [&](CBarItem* it) {
        if (it->IsNote()) stems.push_back({it->VoiceField(), entry::IsStemUp(it)});
    });
    g_entry.autoRests = true;
    ASSERT_EQ(stems.size(), 2u);
    EXPECT_EQ(stems[1], std::make_pair(1, false));  // a low note of voice 1, stem down
}

// Clicks that end before the tool: the click that activated the window, a click while the
// transport runs, and the note tool left of the bar content (tested above) place nothing.
TEST_F(NoteTool, TheActivatingClickAndARunningTransportPlaceNothing) {
    struct Case {
        const char* name;
        bool activating;
        int transport;
    } cases[] = {{"activating click", true, 0}, {"playing", false, 1}, {"recording", false, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wnd->ignoreNextClick = c.activating ? 1 : 0;
        SetTransportState(c.transport);
        ClickAt(At(0, 480, 0));
        SetTransportState(0);
        EXPECT_TRUE(Notes(0, 0).empty());
        EXPECT_EQ(doc->GetUndoCount(), 0);
        EXPECT_EQ(wnd->ignoreNextClick, 0);
    }
    ClickAt(At(0, 480, 0));
    EXPECT_EQ(Notes(0, 0).size(), 1u);
}

// A click while text is typed into the page only ends the typing: no note, the editor closed;
// the next click places the note.
TEST_F(NoteTool, AClickWhileTextIsTypedOnlyClosesTheEditor) {
    g_toolState.tool = ToolState::kText;
    g_toolState.button = 0;
    const POINT above = At(0, 240, 12);
    fw::uitest::Move(pane, int(above.x) + 7, int(above.y) + 5);
    ClickAt(above);
    ASSERT_NE(doc->textTask, nullptr) << "the text tool's click opens the editor";
    g_toolState.tool = ToolState::kNote;
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 3;
    ClickAt(At(0, 480, 0));
    EXPECT_EQ(doc->textTask, nullptr);
    EXPECT_EQ(pane->textEditor, nullptr);
    EXPECT_TRUE(Notes(0, 0).empty());
    ClickAt(At(0, 480, 0));
    EXPECT_EQ(Notes(0, 0).size(), 1u);
}

// The first note in a bar whose only content is the whole-bar rest takes the rest's place; a
// small note is entered as a grace note.
TEST_F(NoteTool, TheWholeBarRestGivesWayAndASmallNoteIsAGraceNote) {
    g_toolState.subTool = ToolState::kRestSub;
    g_toolState.value = 11 + 1;  // a whole rest
    ClickAt(At(2, 0, 0));
    g_toolState.subTool = ToolState::kNoteSub;
    g_toolState.value = 3;
    bool wholeRest = false;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 2), [&](CBarItem* it) {
        wholeRest = wholeRest || (it->IsRest() && it->TimeField() == 0 && entry::ValueCode(it) < 2);
    });
    ASSERT_TRUE(wholeRest);
    g_toolState.grace = 1;
    ClickAt(At(2, 480, 0));
    g_toolState.grace = 0;
    int notes = 0, graces = 0, wholeRests = 0;
    trkbar::ForEachLiveItem(score->GetTrkBar(0, 2), [&](CBarItem* it) {
        notes += it->IsNote();
        graces += it->IsNote() && entry::IsGrace(it);
        wholeRests += it->IsRest() && it->TimeField() == 0 && entry::ValueCode(it) < 2;
    });
    EXPECT_EQ(notes, 1);
    EXPECT_EQ(graces, 1);
    EXPECT_EQ(wholeRests, 0);
}

namespace {
// The shown item of a command id (null when the menu has none).
const fw::uitest::MenuItem* Item(const fw::uitest::ShownMenu& menu, UINT id) {
    for (const fw::uitest::MenuItem& item : menu.items)
        if (item.id == id) return &item;
    return nullptr;
}
bool Grey(const fw::uitest::ShownMenu& menu, UINT id) {
    const fw::uitest::MenuItem* item = Item(menu, id);
    return item && (item->flags & MF_GRAYED);
}
}  // namespace

// The right click's menu: its items' states by what lies under the pointer and what is
// selected, the solo and mute of the voice, and the playing menu.
TEST_F(NoteTool, TheContextMenuShowsItsItemsByTheHitAndTheSelection) {
    const POINT empty = At(0, 480, 0);
    fw::uitest::Move(pane, int(empty.x), int(empty.y));
    fw::uitest::AnswerMenu(33340);  // solo
    fw::uitest::Click(pane, int(empty.x), int(empty.y), fw::uitest::kRight);
    fw::uitest::RunUntilIdle();
    ASSERT_EQ(fw::uitest::Menus().size(), 1u);
    const fw::uitest::ShownMenu nothing = fw::uitest::Menus().back();
    EXPECT_EQ(Item(nothing, 4118), nullptr) << "no enclosure without an item";
    for (const UINT id : {32918u, 32873u, 32878u, 57634u, 57635u, 57632u, 57637u}) EXPECT_TRUE(Grey(nothing, id)) << id;
    EXPECT_FALSE(Grey(nothing, 33461));
    ASSERT_NE(Item(nothing, 33340), nullptr);
    EXPECT_FALSE(Item(nothing, 33340)->flags & MF_CHECKED);
    const int voice = doc->location.allVoices ? -1 : int(doc->location.voice);
    EXPECT_TRUE(score->GetTrack(0)->IsSolo(voice));
    // The menu opens 80 pixels above the pointer.
    POINT screen = empty;
    pane->ClientToScreen(&screen);
    EXPECT_EQ(nothing.y, screen.y - 80);

    // On a note: the note is selected, so the clipboard's items but paste are there.
    ClickAt(At(0, 0, 0));
    const POINT note = HeadPoint(0, 0);
    fw::uitest::Move(pane, int(note.x), int(note.y));
    fw::uitest::RunUntilIdle();
    fw::uitest::AnswerMenu(0);
    fw::uitest::Click(pane, int(note.x), int(note.y), fw::uitest::kRight);
    fw::uitest::RunUntilIdle();
    ASSERT_EQ(fw::uitest::Menus().size(), 2u);
    const fw::uitest::ShownMenu onNote = fw::uitest::Menus().back();
    EXPECT_TRUE(Item(onNote, 33340)->flags & MF_CHECKED) << "the voice is solo now";
    EXPECT_EQ(Item(onNote, 4118), nullptr) << "a note has no enclosure";
    for (const UINT id : {32918u, 57634u, 57635u, 57632u}) EXPECT_FALSE(Grey(onNote, id)) << id;
    EXPECT_TRUE(Grey(onNote, 57637));

    // While the score plays: the playing menu, solo and mute first.
    PlaybackRunning() = true;
    fw::uitest::AnswerMenu(0);
    fw::uitest::Click(pane, int(empty.x), int(empty.y), fw::uitest::kRight);
    fw::uitest::RunUntilIdle();
    PlaybackRunning() = false;
    ASSERT_EQ(fw::uitest::Menus().size(), 3u);
    const fw::uitest::ShownMenu played = fw::uitest::Menus().back();
    ASSERT_GE(played.items.size(), 2u);
    EXPECT_EQ(played.items[0].id, 33340u);
    EXPECT_EQ(played.items[1].id, 33341u);
}

// "Show instrument" only for a track played by an engine instrument (port 2000 on); the playing
// menu checks solo and mute of the voice as the page menu does; two selected notes keep Copy and
// grey Paste.
TEST_F(NoteTool, TheContextMenusItemStatesFollowThePortThePlayingStateAndTheSelection) {
    ClickAt(At(0, 0, 0));
    ClickAt(At(0, 480, 2));
    ASSERT_EQ(Notes(0, 0).size(), 2u);
    const POINT empty = At(0, 1440, 0);
    auto menuAt = [&](POINT p) {
        fw::uitest::Move(pane, int(p.x), int(p.y));
        fw::uitest::RunUntilIdle();
        fw::uitest::AnswerMenu(0);
        fw::uitest::Click(pane, int(p.x), int(p.y), fw::uitest::kRight);
        fw::uitest::RunUntilIdle();
        return fw::uitest::Menus().back();
    };
    CTrack* track = score->GetTrack(0);
    struct Case {
        int device;
        bool grey;
    };
    for (const Case c : {Case{0, true}, Case{1999, true}, Case{2000, false}, Case{2003, false}}) {
        SCOPED_TRACE(c.device);
        track->SetDevice(c.device);
        const fw::uitest::ShownMenu m = menuAt(empty);
        ASSERT_NE(Item(m, 33415), nullptr);
        EXPECT_EQ(Grey(m, 33415), c.grey);
    }
    track->SetDevice(0);

    const int voice = doc->location.allVoices ? -1 : int(doc->location.voice);
    track->SetMuted(voice, true);
    PlaybackRunning() = true;
    const fw::uitest::ShownMenu played = menuAt(empty);
    PlaybackRunning() = false;
    ASSERT_GE(played.items.size(), 2u);
    EXPECT_FALSE(played.items[0].flags & MF_CHECKED) << "not solo";
    EXPECT_TRUE(played.items[1].flags & MF_CHECKED) << "muted";
    EXPECT_EQ(Item(played, 57637), nullptr) << "the playing menu has no clipboard items";
    track->SetMuted(voice, false);

    CSelect* sel = doc->GetSelection();
    sel->ClearAll();
    CTrkBar* tb = score->GetTrkBar(0, 0);
    trkbar::ForEachLiveItem(tb, [&](CBarItem* it) {
        if (it->IsNote()) sel->SelectItem(it, CSelect::kWhole, tb, true);
    });
    ASSERT_EQ(sel->GetItemCount(), 2);
    const fw::uitest::ShownMenu two = menuAt(empty);
    EXPECT_FALSE(Grey(two, 57634));
    EXPECT_TRUE(Grey(two, 57637));
    EXPECT_EQ(Item(two, 4118), nullptr);
}

TEST_F(NoteTool, AClickOnANoteSelectsItInsteadOfPlacingOne) {
    ClickAt(At(0, 0, 0));
    ASSERT_EQ(doc->GetUndoCount(), 1);
    ClickAt(HeadPoint(0, 0));
    EXPECT_EQ(Notes(0, 0).size(), 1u);
    EXPECT_EQ(Notes(0, 0)[0].heads, 1);
    EXPECT_EQ(doc->GetUndoCount(), 1);
    EXPECT_EQ(doc->GetSelection()->GetItemCount(), 1);
}

// The accidental sub-tool on a note selects the note and hands "Add Accidental" (4000) to the
// document (whose operation comes with the accidental commands); no note is placed.
TEST_F(NoteTool, TheAccidentalSubToolOnANoteSelectsItForAddAccidental) {
    ClickAt(At(0, 0, 1));  // C5
    ASSERT_EQ(Notes(0, 0).size(), 1u);
    g_toolState.subTool = ToolState::kAccidentalSub;
    g_toolState.button = 1;  // sharp
    g_toolState.accidental = 1;
    ClickAt(HeadPoint(0, 0));
    g_toolState.accidental = 0;
    const std::vector<Entered> notes = Notes(0, 0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].heads, 1);
    EXPECT_EQ(doc->GetSelection()->GetItemCount(), 1);
    EXPECT_EQ(doc->GetUndoCount(), 1);
}
