// Menus: item operations by position, column breaks, tracking, and the font menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "UiBaseFixture.h"
#include "platform/FontMap.h"
#include "platform/FontMenu.h"
#include "platform/StdMenu.h"

namespace {

constexpr UINT kMenu = 9030;

class MenuTest : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        fw::resourcetest::SetText("menus", kMenu, R"(menu 9030
popup "Pop"
  item 101 "One"
  item 102 "Two"
  popup "Sub"
    item 201 "Sub one"
  end
end
)");
        ASSERT_TRUE(menu.Load(kMenu));
    }
    std::string Text(int pos) {
        char text[64];
        menu.GetItemText(pos, text);
        return text;
    }
    CStdMenu menu;
};

}  // namespace

TEST_F(MenuTest, ItemsByPositionAndByPopup) {
    EXPECT_EQ(menu.columnCount, 30);
    ASSERT_NE(menu.popup, nullptr);
    EXPECT_EQ(Text(0), "One");
    EXPECT_EQ(menu.GetItemId(1), 102u);
    EXPECT_EQ(menu.GetSubItemId(2, 0), 201u);
    char sub[64];
    menu.GetSubMenuText(2, sub, sizeof sub);
    EXPECT_STREQ(sub, "Sub one");

    menu.SetItemText(0, std::string(40, 'w').c_str());
    EXPECT_EQ(Text(0), std::string(31, 'w'));  // at most 31 characters come back
    menu.SetItemId(0, 150);
    EXPECT_EQ(menu.GetItemId(0), 150u);
    menu.SetSubItemId(2, 0, 250);
    EXPECT_EQ(menu.GetSubItemId(2, 0), 250u);
    menu.SetCheck(1, true);
    EXPECT_TRUE(menu.popup->GetMenuState(1, MF_BYPOSITION) & MF_CHECKED);
    menu.DisableItem(1);
    EXPECT_TRUE(menu.popup->GetMenuState(1, MF_BYPOSITION) & MF_GRAYED);
    menu.EnableItem(1);
    EXPECT_FALSE(menu.popup->GetMenuState(1, MF_BYPOSITION) & MF_GRAYED);
    menu.DisableCommand(250);
    EXPECT_TRUE(menu.popup->GetSubMenu(2)->GetMenuState(0, MF_BYPOSITION) & MF_GRAYED);
    menu.DeleteItem(0);
    EXPECT_EQ(menu.GetItemId(0), 102u);
}

TEST_F(MenuTest, LongListsBreakIntoColumnsOfThirty) {
    for (int i = 0; i < 3; ++i) menu.DeleteItem(0);
    for (int pos = 0; pos < 65; ++pos) menu.InsertItem(pos, ("Item " + std::to_string(pos)).c_str());
    for (int pos : {0, 1, 29, 31, 59, 64})
        EXPECT_FALSE(menu.popup->GetMenuState(UINT(pos), MF_BYPOSITION) & MF_MENUBREAK) << pos;
    for (int pos : {30, 60}) EXPECT_TRUE(menu.popup->GetMenuState(UINT(pos), MF_BYPOSITION) & MF_MENUBREAK) << pos;
    EXPECT_EQ(menu.GetItemId(30), 31u);  // id -1 stands for position + 1
    menu.InsertItem(5, "", -1, true);
    EXPECT_TRUE(menu.popup->GetMenuState(5, MF_BYPOSITION) & MF_SEPARATOR);
    menu.InsertItem(6, "Forced", 900, false, true);
    EXPECT_TRUE(menu.popup->GetMenuState(6, MF_BYPOSITION) & MF_MENUBREAK);
}

TEST_F(MenuTest, SubItemsGoIntoTheirPopupOrMakeIt) {
    menu.InsertSubItem(2, 1, "Sub two", 202);
    EXPECT_EQ(menu.GetSubItemId(2, 1), 202u);
    menu.CheckSubItem(2, 1, true);
    EXPECT_TRUE(menu.popup->GetSubMenu(2)->GetMenuState(1, MF_BYPOSITION) & MF_CHECKED);
    menu.DeleteSubItem(2, 1);
    EXPECT_EQ(menu.popup->GetSubMenu(2)->GetMenuItemCount(), 1u);
    menu.InsertSubItem(3, 0, "New popup");  // no popup there yet: one is made
    ASSERT_NE(menu.popup->GetSubMenu(3), nullptr);
    char text[64];
    menu.popup->GetMenuString(3, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "New popup");
}

TEST_F(MenuTest, TrackingReturnsThePositionOrTheCommand) {
    fw::uitest::AnswerMenu(102);
    EXPECT_EQ(menu.TrackSelect(100, 120, 0), 1);
    const auto& shown = fw::uitest::Menus();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].x, 100);
    EXPECT_EQ(shown[0].y, 120);
    EXPECT_TRUE(shown[0].flags & TPM_RETURNCMD);
    EXPECT_TRUE(shown[0].items[0].flags & MF_CHECKED);  // the current item is marked
    EXPECT_EQ(menu.TrackSelect(100, 120, -1), -1);     // dismissed
    fw::uitest::AnswerMenu(101);
    EXPECT_EQ(menu.Track(10, 10), 101u);
    EXPECT_EQ(menu.Track(10, 10), 0u);
}

TEST_F(MenuTest, TheFontMenuListsEveryFaceInColumnsOfThirty) {
    CFontList* list = GetFontList();
    ASSERT_NE(list, nullptr);
    const int faces = list->GetCount();
    ASSERT_GT(faces, 0);
    CFontMenu fonts;
    fw::uitest::AnswerMenu(UINT(std::min(faces, 4)));
    EXPECT_EQ(fonts.TrackSelect(0, 0, 0), std::min(faces, 4) - 1);
    const auto& items = fw::uitest::Menus().back().items;
    ASSERT_EQ(int(items.size()), faces);
    EXPECT_EQ(items[0].text, list->GetFaceName(0));
    EXPECT_EQ(items[0].id, 1u);
    EXPECT_TRUE(items[0].flags & MF_CHECKED);
    for (int i = 0; i < faces; ++i) {
        EXPECT_EQ(items[std::size_t(i)].column, i / 30) << i;
        EXPECT_EQ((items[std::size_t(i)].flags & MF_MENUBARBREAK) != 0, i > 0 && i % 30 == 0) << i;
    }
}
