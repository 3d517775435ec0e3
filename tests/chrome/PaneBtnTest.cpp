// Pane buttons: tracked and untracked clicks, push, toggle and momentary end states, the one
// hot button, menu fields, switches, text panes and the grey disabled face.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ChromeFixture.h"
#include "framework/DC.h"
#include "framework/MusicFont.h"
#include "platform/PaneBtn.h"

namespace {

using PaneBtnTest = ChromeTest;
using fw::uitest::Click;
using fw::uitest::Drag;
using fw::uitest::Move;
using fw::uitest::RunUntilIdle;

constexpr UINT kMenu = 9200;
constexpr const char* kSizes = R"(menu 9200
popup "Sizes"
  item 501 "Small	S"
  item 502 "Medium"
  item 503 "Large"
end
)";

}  // namespace

TEST_F(PaneBtnTest, ClicksEndInTheStateTheirKindGives) {
    const struct {
        const char* what;
        bool track, momentary, toggle;
        int before;
        bool dragOut;
        std::size_t commands;
        int after;
    } cases[] = {
        {"not tracking: sent on the press and back up", false, false, false, 0, false, 1, 0},
        {"not tracking, dragged out: sent all the same", false, false, false, 0, true, 1, 0},
        {"tracked push released inside stays down", true, false, false, 0, false, 1, 1},
        {"momentary push comes back up", true, true, false, 0, false, 1, 0},
        {"tracked push dragged out sends nothing", true, false, false, 0, true, 0, 0},
        {"a push that was down, dragged out, ends up", true, false, false, 1, true, 0, 0},
        {"toggle click flips on", true, false, true, 0, false, 1, 1},
        {"toggle click flips off", true, false, true, 1, false, 1, 0},
        {"toggle dragged out ends as it was", true, false, true, 1, true, 0, 1},
        {"toggle off dragged out ends off", true, false, true, 0, true, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CPaneBtn btn;
        ASSERT_TRUE(btn.Create(&host, RECT{10, 10, 34, 34}, 4100, 0, 16, 16));
        btn.SetTracking(c.track);
        btn.SetMomentary(c.momentary);
        btn.SetToggle(c.toggle);
        btn.SetState(c.before);
        host.commands.clear();
        if (c.dragOut)
            Drag(&btn, {{12, 12}, {60, 12}, {80, 40}});
        else
            Click(&btn, 12, 12);
        RunUntilIdle();
        EXPECT_EQ(host.commands.size(), c.commands);
        if (!host.commands.empty()) {
            EXPECT_EQ(host.commands[0], 4100u);
        }
        EXPECT_EQ(btn.GetState(), c.after);
        EXPECT_EQ(g_ui.clickCount, 1);
        btn.DestroyWindow();
    }
}

TEST_F(PaneBtnTest, OnlyOneButtonIsHotAndItCoolsWhenThePointerLeaves) {
    CPaneBtn a, b;
    ASSERT_TRUE(a.Create(&host, RECT{10, 10, 34, 34}, 4101, 0, 16, 16));
    ASSERT_TRUE(b.Create(&host, RECT{40, 10, 64, 34}, 4102, 0, 16, 16));
    Move(&a, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(a.hot, 1);
    EXPECT_EQ(g_ui.hotButton, &a);
    EXPECT_EQ(fw::uitest::TimerInterval(&a, CPaneBtn::kHotTimer), 100u);
    Move(&b, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(a.hot, 0);
    EXPECT_EQ(b.hot, 1);
    EXPECT_EQ(g_ui.hotButton, &b);
    EXPECT_EQ(fw::uitest::TimerInterval(&a, CPaneBtn::kHotTimer), 0u);
    // The timer finds the pointer still over the button, then gone.
    ASSERT_TRUE(fw::uitest::FireTimer(&b, CPaneBtn::kHotTimer));
    EXPECT_EQ(b.hot, 1);
    Move(&host, 300, 300);
    RunUntilIdle();
    ASSERT_TRUE(fw::uitest::FireTimer(&b, CPaneBtn::kHotTimer));
    EXPECT_EQ(b.hot, 0);
    EXPECT_EQ(g_ui.hotButton, nullptr);
    EXPECT_EQ(fw::uitest::TimerInterval(&b, CPaneBtn::kHotTimer), 0u);
}

TEST_F(PaneBtnTest, AMenuFieldSendsItsIdPlusThePositionOrTheItemsOwnCommand) {
    fw::resourcetest::SetText("menus", kMenu, kSizes);
    CMenuBtn field;
    ASSERT_TRUE(field.Create(&host, RECT{10, 60, 130, 80}, 7000, true));
    field.SetMenu(kMenu, false);
    EXPECT_STREQ(field.text, "Small") << "the current item's text, cut at its tab";
    const struct {
        bool byCommand;
        UINT answer;
        std::vector<UINT> sent;
        const char* shown;
        int current;
    } steps[] = {
        {false, 503, {7002}, "Large", 2},
        {false, 503, {7002}, "Large", 2},  // the current item again still sends
        {false, 0, {}, "Large", 2},        // dismissed: nothing
        {true, 502, {502}, "Large", 2},    // by command: the item's id, the text stays
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.answer);
        field.byCommand = s.byCommand;
        host.commands.clear();
        fw::uitest::AnswerMenu(s.answer);
        Click(&field, 20, 10);
        RunUntilIdle();
        EXPECT_EQ(host.commands, s.sent);
        EXPECT_STREQ(field.text, s.shown);
        EXPECT_EQ(field.current, s.current);
        EXPECT_EQ(field.GetState(), 0) << "the field is shown pressed only while the menu is open";
    }
    // The menu dropped down at the field's bottom-left corner.
    POINT corner{0, 20};
    field.ClientToScreen(&corner);
    ASSERT_FALSE(fw::uitest::Menus().empty());
    EXPECT_EQ(fw::uitest::Menus().back().x, corner.x);
    EXPECT_EQ(fw::uitest::Menus().back().y, corner.y);
    // Disabled: no menu, nothing sent.
    const std::size_t shown = fw::uitest::Menus().size();
    field.Enable(false);
    EXPECT_EQ(field.GetState(), 2);
    host.commands.clear();
    Click(&field, 20, 10);
    RunUntilIdle();
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(fw::uitest::Menus().size(), shown);
}

TEST_F(PaneBtnTest, GetItemTextKeepsTheTextBeforeTheTab) {
    fw::resourcetest::SetText("menus", kMenu, kSizes);
    CMenuBtn field;
    ASSERT_TRUE(field.Create(&host, RECT{10, 60, 130, 80}, 7000, false));
    field.SetMenu(kMenu, false);
    char text[CMenuBtn::kTextSize];
    field.GetItemText(0, text, sizeof text);
    EXPECT_STREQ(text, "Small");
    field.GetItemText(1, text, sizeof text);
    EXPECT_STREQ(text, "Medium");
    EXPECT_EQ(field.current, 1);
}

TEST_F(PaneBtnTest, TextsAreCutAtACharacterBoundaryToTheirField) {
    // 'a' up to one byte before the last place, then a double-byte character that would
    // straddle the end.
    const struct {
        const char* what;
        std::size_t field;
    } cases[] = {{"menu field", CMenuBtn::kTextSize}, {"switch caption", CSwitchBtn::kCaptionSize},
                 {"text pane", CTextPane::kTextSize}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text(c.field - 2, 'a');
        text += "\xB0\xA1 and more";
        std::string got;
        if (c.field == CMenuBtn::kTextSize) {
            CMenuBtn b;
            ASSERT_TRUE(b.Create(&host, RECT{0, 0, 50, 20}, 7001, false));
            b.SetText(text.c_str());
            got = b.text;
        } else if (c.field == CSwitchBtn::kCaptionSize) {
            CSwitchBtn b;
            ASSERT_TRUE(b.Create(&host, RECT{0, 0, 50, 20}, 7002));
            b.SetText(text.c_str());
            got = b.caption;
        } else {
            CTextPane p;
            ASSERT_TRUE(p.Create(&host, RECT{0, 0, 50, 20}));
            p.SetText(text.c_str());
            got = p.text;
            p.SetText(nullptr);
            EXPECT_EQ(std::string(p.text), got) << "a null text changes nothing";
        }
        EXPECT_EQ(got, std::string(c.field - 2, 'a'));
    }
}

TEST_F(PaneBtnTest, ASwitchFlipsOnceAClickAndNotAtAllWhenDraggedOut) {
    CSwitchBtn sw;
    ASSERT_TRUE(sw.Create(&host, RECT{10, 100, 110, 116}, 7100));
    sw.SetText("Loop");
    Click(&sw, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(sw.checked, 1);
    EXPECT_EQ(host.commands, (std::vector<UINT>{7100}));
    Drag(&sw, {{5, 5}, {200, 5}, {220, 60}});
    RunUntilIdle();
    EXPECT_EQ(sw.checked, 1);
    EXPECT_EQ(host.commands.size(), 1u);
    Click(&sw, 5, 5);
    RunUntilIdle();
    EXPECT_EQ(sw.checked, 0);
    EXPECT_EQ(host.commands.size(), 2u);
}

TEST_F(PaneBtnTest, ADisabledFaceButtonIsGreyAndEmbossedAndIgnoresClicks) {
    CPaneBtn on, off;
    // The notes strip: a black note on the mask.
    ASSERT_TRUE(on.Create(&host, RECT{10, 10, 34, 34}, 4200, 1000, 16, 16));
    ASSERT_TRUE(off.Create(&host, RECT{40, 10, 64, 34}, 4201, 1000, 16, 16));
    on.LoadImages(3);
    off.LoadImages(3);
    on.SetFlag(1);
    off.SetFlag(1);
    off.SetEnabled(false);
    on.Invalidate();
    off.Invalidate();
    RunUntilIdle();
    auto count = [](CWnd* w, COLORREF c) {
        CClientDC dc(w);
        int n = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) n += dc.GetPixel(x, y) == c;
        return n;
    };
    const COLORREF grey = fw::GetSysColor(COLOR_GRAYTEXT);
    if (fw::MusicFontAvailable()) {
        EXPECT_GT(count(&on, RGB(0, 0, 0)), 0);
        EXPECT_EQ(count(&on, grey), 0);
        EXPECT_EQ(count(&off, RGB(0, 0, 0)), 0);
        EXPECT_GT(count(&off, grey), 0);
        EXPECT_GT(count(&off, RGB(255, 255, 255)), 0) << "the white emboss under the grey";
    }
    host.commands.clear();
    Click(&off, 12, 12);
    RunUntilIdle();
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(off.GetState(), 0);
}
