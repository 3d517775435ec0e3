// The main frame's status bar against a document of the test's own: its fields and where they
// stand, what an update redraws, the page buttons, the drop-down menus, the number fields, the
// MIDI light and the message field.
#include "framework/CodePage.h"
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ChromeFixture.h"
#include "app/MainFrame.h"
#include "app/StatBar.h"
#include "framework/Clock.h"
#include "framework/Menu.h"
#include "framework/UiTest.h"
#include "app/AppGlobals.h"
#include "platform/PortLayer.h"
#include "support/TempHome.h"

namespace {

using namespace fw::uitest;

class FakeDoc : public CStatusSource {
public:
    int zoom = 100, zoomMode = 0, arrangement = 0, track = 0, voice = 0, bar = 0, bars = 12, page = 0, pages = 3;
    std::vector<std::string> tracks{"Flute", "Oboe", "Cello"};
    std::vector<UINT> commands;
    std::vector<int> voicesSet, tracksSet, barsGone;
    std::vector<std::pair<int, int>> pagesGone;  // page, tick
    int cursorHidden = 0;

    int ZoomPercent() override { return zoom; }
    int ZoomMode() override { return zoomMode; }
    int Arrangement() override { return arrangement; }
    int TrackCount() override { return int(tracks.size()); }
    std::string TrackName(int t) override { return t >= 0 && t < int(tracks.size()) ? tracks[std::size_t(t)] : ""; }
    int CurrentTrack() override { return track; }
    int Voice() override { return voice; }
    int CurrentBar() override { return bar; }
    int BarCount() override { return bars; }
    int CurrentPage() override { return page; }
    int PageCount() override { return pages; }
    void SetTrack(int t) override {
        tracksSet.push_back(t);
        track = t;
    }
    void SetVoice(int v) override {
        voicesSet.push_back(v);
        voice = v;
    }
    void GoToBar(int b) override {
        barsGone.push_back(b);
        bar = b;
    }
    void GoToPage(int p) override {
        pagesGone.push_back({p, GetTicks()});
        page = p;
    }
    void Command(UINT id) override { commands.push_back(id); }
    void HideInsertCursor() override { ++cursorHidden; }
};

class StatusBarTest : public ChromeTest {
protected:
    void SetUp() override {
        ChromeTest::SetUp();
        ASSERT_TRUE(frame.Create());
        frame.MoveWindow(0, 0, 900, 600, TRUE);
        frame.ShowWindow(SW_SHOWNORMAL);
        RunUntilIdle();
        status = frame.GetStatusBar();
        ASSERT_TRUE(status);
        status->Init();
        RunUntilIdle();
    }
    void TearDown() override {
        frame.CFrameWnd::DestroyWindow();
        ChromeTest::TearDown();
    }
    FakeDoc& Bind() {
        auto fake = std::make_unique<FakeDoc>();
        FakeDoc& ref = *fake;
        status->SetSource(std::move(fake));
        return ref;
    }
    // A control's rectangle in the bar's client coordinates.
    RECT In(CWnd* control) {
        RECT r;
        control->GetWindowRect(&r);
        status->ScreenToClient(&r);
        return r;
    }
    // The menu the last press opened.
    const ShownMenu& LastMenu() { return Menus().back(); }
    static bool Checked(const ShownMenu& m, UINT id) {
        for (const MenuItem& i : m.items)
            if (i.id == id) return (i.flags & MF_CHECKED) != 0;
        ADD_FAILURE() << "no item " << id;
        return false;
    }

    testsupport::TempHome home;
    CZelDesktop frame;
    CStatBar* status = nullptr;
};

TEST_F(StatusBarTest, TheBarSpansTheFramesFootAndPlacesItsFields) {
    RECT client, bar;
    frame.GetClientRect(&client);
    bar = In(status);
    status->GetWindowRect(&bar);
    frame.ScreenToClient(&bar);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right - client.left);
    EXPECT_EQ(status->GetDockBarId(), UINT(AFX_IDW_DOCKBAR_BOTTOM));
    struct Place {
        CWnd* control;
        int left, right;
    };
    const Place places[] = {
        {&status->viewField, 30, 74},   {&status->trackField, 110, 230}, {&status->voiceField, 266, 296},
        {&status->barField, 322, 352},  {&status->pageField, 384, 414},  {&status->prevPage, 418, 440},
        {&status->nextPage, 440, 462},  {&status->midiLight, 466, 488},  {&status->shortText, 498, 574},
    };
    for (const Place& p : places) {
        const RECT r = In(p.control);
        EXPECT_EQ(r.left, p.left);
        EXPECT_EQ(r.right, p.right);
        EXPECT_EQ(r.top, 1);
        EXPECT_EQ(r.bottom, 19);
    }
    // The message field takes the rest, the bar's full height.
    RECT inside;
    status->GetClientRect(&inside);
    const RECT m = In(&status->message);
    EXPECT_EQ(m.left, 578);
    EXPECT_EQ(m.right, inside.right);
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.bottom, inside.bottom);
    // The labels end 2 pixels before their fields.
    const int lefts[5] = {30, 110, 266, 322, 384};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(status->fieldRects[i].left, lefts[i]);
}

TEST_F(StatusBarTest, WithoutADocumentTheFieldsAreInert) {
    EXPECT_STREQ(status->viewField.text, "");
    EXPECT_STREQ(status->trackField.text, "");
    EXPECT_STREQ(status->voiceField.text, "");
    EXPECT_EQ(status->barField.field.value, 1);
    EXPECT_EQ(status->pageField.field.value, 1);
    EXPECT_FALSE(status->prevPage.btnEnabled);
    EXPECT_FALSE(status->nextPage.btnEnabled);
    const std::size_t shown = Menus().size();
    Click(&status->viewField, 5, 5);
    Click(&status->voiceField, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(Menus().size(), shown);
    EXPECT_EQ(fw::ToUtf8(status->GetMessageText()), "就绪");
}

TEST_F(StatusBarTest, AnUpdateRedrawsOnlyTheValuesThatChanged) {
    FakeDoc& doc = Bind();
    doc.zoom = 80;
    doc.track = 1;
    doc.voice = 2;
    doc.bar = 6;
    doc.page = 1;
    status->Update();
    EXPECT_STREQ(status->viewField.text, "80%");
    EXPECT_STREQ(status->trackField.text, "Oboe");
    EXPECT_STREQ(status->voiceField.text, "3");
    EXPECT_EQ(status->barField.field.value, 7);
    EXPECT_EQ(status->pageField.field.value, 2);
    int before[5];
    std::copy(std::begin(status->redraws), std::end(status->redraws), before);
    status->Update();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(status->redraws[i], before[i]) << i;
    doc.bar = 9;
    doc.voice = -1;
    status->Update();
    EXPECT_EQ(status->redraws[0], before[0]);
    EXPECT_EQ(status->redraws[1], before[1]);
    EXPECT_EQ(status->redraws[2], before[2] + 1);
    EXPECT_EQ(status->redraws[3], before[3] + 1);
    EXPECT_EQ(status->redraws[4], before[4]);
    EXPECT_EQ(fw::ToUtf8(status->voiceField.text), "全部");
    EXPECT_EQ(status->barField.field.value, 10);
    EXPECT_EQ(status->barField.field.maximum, 12);
}

TEST_F(StatusBarTest, PageButtonsAreEnabledByThePage) {
    struct Case {
        int pages, page;
        bool prev, next;
    };
    const Case cases[] = {{1, 0, false, false}, {3, 0, false, true}, {3, 1, true, true}, {3, 2, true, false}};
    FakeDoc& doc = Bind();
    for (const Case& c : cases) {
        doc.pages = c.pages;
        doc.page = c.page;
        status->Update();
        EXPECT_EQ(status->prevPage.btnEnabled != 0, c.prev) << c.pages << " " << c.page;
        EXPECT_EQ(status->nextPage.btnEnabled != 0, c.next) << c.pages << " " << c.page;
    }
}

TEST_F(StatusBarTest, AHeldNextPageButtonStepsEverySixteenTicksToTheLastPage) {
    FakeDoc& doc = Bind();
    doc.pages = 5;
    status->Update();
    const int start = GetTicks();
    Press(&status->nextPage, 8, 8);
    // Two seconds in steps of 10 ms.
    for (int i = 0; i < 200; ++i) {
        Call([] { fw::clocktest::Advance(10); });
        Tick();
    }
    Release(&status->nextPage, 8, 8);
    RunUntilIdle();
    ASSERT_EQ(doc.pagesGone.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(doc.pagesGone[std::size_t(i)].first, i + 1);
        EXPECT_EQ(doc.pagesGone[std::size_t(i)].second - start, 16 * i);
    }
    EXPECT_EQ(status->pageField.field.value, 5);
    EXPECT_FALSE(status->nextPage.btnEnabled);
    EXPECT_TRUE(status->prevPage.btnEnabled);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    // A short click goes back one page.
    Click(&status->prevPage, 8, 8);
    RunUntilIdle();
    EXPECT_EQ(doc.page, 3);
}

TEST_F(StatusBarTest, TheViewMenuChecksTheZoomAndTheArrangement) {
    FakeDoc& doc = Bind();
    const UINT zoomItems[] = {38000, 38001, 38002, 38003, 38004, 38012, 38013, 33310, 33312};
    struct Case {
        int zoom, mode, arrangement;
        UINT zoomChecked;  // 0: none
        UINT arrangementChecked;
    };
    const Case cases[] = {
        {80, 0, 1, 0, 38006}, {100, 0, 0, 38004, 38005}, {75, 0, 2, 38012, 38007}, {113, -2, 0, 33310, 38005},
        {90, -3, 1, 33312, 38006},
    };
    for (const Case& c : cases) {
        doc.zoom = c.zoom;
        doc.zoomMode = c.mode;
        doc.arrangement = c.arrangement;
        AnswerMenu(0);
        Click(&status->viewField, 5, 5);
        RunUntilIdle();
        const ShownMenu& m = LastMenu();
        for (UINT id : zoomItems) EXPECT_EQ(Checked(m, id), id == c.zoomChecked) << c.zoom << " " << id;
        for (UINT id : {38005u, 38006u, 38007u}) EXPECT_EQ(Checked(m, id), id == c.arrangementChecked) << id;
        // The menu opens at the field's top-right corner.
        POINT corner{44, 0};
        status->viewField.ClientToScreen(&corner);
        EXPECT_EQ(m.x, corner.x);
        EXPECT_EQ(m.y, corner.y);
    }
    AnswerMenu(38001);
    Click(&status->viewField, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(doc.commands, std::vector<UINT>{38001});
    EXPECT_EQ(status->viewField.state, 0);
}

TEST_F(StatusBarTest, TheVoiceMenuMarksAndSetsTheVoice) {
    FakeDoc& doc = Bind();
    doc.voice = 2;
    status->Update();
    // Items 1-9 stand for positions 0-8: all voices, then voices 1-8.
    AnswerMenu(1);
    Click(&status->voiceField, 5, 5);
    RunUntilIdle();
    EXPECT_TRUE(Checked(LastMenu(), 4));
    EXPECT_EQ(doc.voicesSet, std::vector<int>{-1});
    EXPECT_EQ(fw::ToUtf8(status->voiceField.text), "全部");
    // The position already marked still sets the voice, and redraws nothing.
    const int redraws = status->redraws[2];
    AnswerMenu(1);
    Click(&status->voiceField, 5, 5);
    RunUntilIdle();
    EXPECT_TRUE(Checked(LastMenu(), 1));
    EXPECT_EQ(doc.voicesSet, (std::vector<int>{-1, -1}));
    EXPECT_EQ(status->redraws[2], redraws);
    // Dismissed: nothing is set.
    AnswerMenu(0);
    Click(&status->voiceField, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(doc.voicesSet.size(), 2u);
}

TEST_F(StatusBarTest, TheTrackMenuListsTheTracksAndSetsTheChosenOne) {
    FakeDoc& doc = Bind();
    doc.track = 1;
    status->Update();
    AnswerMenu(3);  // the third track
    Click(&status->trackField, 5, 5);
    RunUntilIdle();
    const ShownMenu& m = LastMenu();
    ASSERT_EQ(m.items.size(), 3u);
    EXPECT_EQ(m.items[0].text, "Flute");
    EXPECT_TRUE(m.items[1].flags & MF_CHECKED);
    EXPECT_EQ(doc.tracksSet, std::vector<int>{2});
    EXPECT_STREQ(status->trackField.text, "Cello");
}

TEST_F(StatusBarTest, TheBarAndPageFieldsMoveTheInsertionPoint) {
    FakeDoc& doc = Bind();
    doc.bar = 3;
    doc.page = 1;
    status->Update();
    status->barField.field.SetValueAndRange(8, 1, 12);
    status->barField.field.EndEdit();
    EXPECT_EQ(doc.barsGone, std::vector<int>{7});
    EXPECT_EQ(doc.cursorHidden, 1);
    EXPECT_EQ(status->barField.field.value, 8);
    // The page field goes to a page only when it differs from the current one.
    status->pageField.field.SetValueAndRange(2, 1, 3);
    status->pageField.field.EndEdit();
    EXPECT_TRUE(doc.pagesGone.empty());
    status->pageField.field.SetValueAndRange(3, 1, 3);
    status->pageField.field.EndEdit();
    ASSERT_EQ(doc.pagesGone.size(), 1u);
    EXPECT_EQ(doc.pagesGone[0].first, 2);
}

TEST_F(StatusBarTest, TheMidiLightShowsTheActivityFlags) {
    CMidi midi;
    CMidi* const before = g_app.midi;
    g_app.midi = &midi;
    struct Case {
        bool out, in;
        int state;
    };
    const Case cases[] = {{true, false, 1}, {false, true, 2}, {true, true, 3}, {false, false, 0}};
    for (const Case& c : cases) {
        if (c.out) midi.NoteActivity(false);
        if (c.in) midi.NoteActivity(true);
        fw::clocktest::Advance(100);
        status->CheckMidiActivity();
        EXPECT_EQ(status->midiState, c.state);
        EXPECT_EQ(status->midiLight.imageIndex, c.state);
        EXPECT_FALSE(midi.OutputActivity());
        EXPECT_FALSE(midi.InputActivity());
    }
    // Within 6/60 s of a check the flags are left for the next one.
    midi.NoteActivity(false);
    fw::clocktest::Advance(50);
    status->CheckMidiActivity();
    EXPECT_TRUE(midi.OutputActivity());
    EXPECT_EQ(status->midiState, 0);
    fw::clocktest::Advance(60);
    status->CheckMidiActivity();
    EXPECT_EQ(status->midiState, 1);
    // A hidden bar does not look.
    midi.NoteActivity(true);
    frame.ShowControlBar(status, FALSE);
    fw::clocktest::Advance(200);
    status->CheckMidiActivity();
    EXPECT_TRUE(midi.InputActivity());
    g_app.midi = before;
}

TEST_F(StatusBarTest, TheMessageFieldKeepsItsTextWhenGivenAnEmptyOne) {
    status->SendMessage(WM_SETTEXT, 0, LPARAM("Saving"));
    EXPECT_STREQ(status->GetMessageText(), "Saving");
    status->SendMessage(WM_SETTEXT, 0, LPARAM(""));
    EXPECT_STREQ(status->GetMessageText(), "Saving");
    status->SetMessage("CPU: 12.50 %");
    EXPECT_STREQ(status->shortText.text, "CPU: 12.50 %");
}

}  // namespace
