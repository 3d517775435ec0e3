// The menu filter: the hidden commands leave every loaded menu and the main frame's menu bar,
// separators do not double or trail, and the empty image tables keep everything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChromeFixture.h"
#include "app/MainFrame.h"
#include "framework/ImageList.h"
#include "framework/Menu.h"
#include "platform/MenuFilter.h"
#include "platform/StdMenu.h"
#include "support/TempHome.h"

namespace {

// The items of a menu as "text" or "-" for separators, "[text]" for a submenu.
std::vector<std::string> Items(CMenu* m) {
    std::vector<std::string> out;
    for (int i = 0; i < int(m->GetMenuItemCount()); ++i) {
        char text[256] = {};
        m->GetMenuString(UINT(i), text, sizeof text, MF_BYPOSITION);
        if (m->GetSubMenu(i))
            out.push_back("[" + std::string(text) + "]");
        else if (m->GetMenuItemID(i) == 0)
            out.push_back("-");
        else
            out.push_back(text);
    }
    return out;
}

using MenuFilterTest = ChromeTest;

constexpr const char* kNoteMenu = R"(menu 9100
popup "Note"
  popup "Group"
    item 35300 "Duplet"
    item 35307 "Triplet"
    item 35308 "Quintuplet"
    item 35309 "Septuplet"
    item 35310 "Other"
  end
  popup "Stem"
    item 35500 "Up"
    separator
    item 35507 "Reset"
    separator
    item 35501 "Down"
    separator
  end
  separator
  item 33019 "Video"
  separator
  item 100 "Last"
  popup "Empty"
    item 36108 "Feet"
  end
end
)";

}  // namespace

TEST_F(MenuFilterTest, LoadedMenusLoseTheHiddenCommandsAndLoneSeparators) {
    fw::resourcetest::SetText("menus", 9100, kNoteMenu);
    CStdMenu menu;
    ASSERT_TRUE(menu.Load(9100));
    CMenu* note = menu.GetSubMenu(0);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(Items(note), (std::vector<std::string>{"[Group]", "[Stem]", "-", "Last", "[Empty]"}));
    EXPECT_EQ(Items(note->GetSubMenu(0)), (std::vector<std::string>{"Duplet", "Other"}));
    // The only item between two separators goes, and one separator stays; the one at the end goes.
    EXPECT_EQ(Items(note->GetSubMenu(1)), (std::vector<std::string>{"Up", "-", "Down"}));
    // A submenu emptied by the filter stays.
    EXPECT_TRUE(Items(note->GetSubMenu(4)).empty());
}

TEST_F(MenuFilterTest, TheHiddenCommandsAreExactlyTheFixedSix) {
    for (int id : {35307, 35308, 35309, 35507, 36108, 33019}) EXPECT_TRUE(IsHiddenCommand(id)) << id;
    for (int id : {0, 35306, 35310, 35500, 33018, 4007}) EXPECT_FALSE(IsHiddenCommand(id)) << id;
    EXPECT_EQ(HiddenCommandIds[6], 0);
}

TEST_F(MenuFilterTest, TheEmptyImageTablesKeepEveryImageCellAndButton) {
    CImageList list;
    ASSERT_TRUE(list.Create(118, 16, 1, RGB(192, 192, 192)));
    FilterImageList(&list, 118);
    EXPECT_EQ(list.GetImageCount(), 14);
    std::vector<std::int16_t> map{0, 1, 2, 3, 4, 5};
    FilterCellMap(map.data(), int(map.size()), 1000);
    EXPECT_EQ(map, (std::vector<std::int16_t>{0, 1, 2, 3, 4, 5}));
    std::vector<int> shown;
    FilterPaletteButtons(7, 4, &shown);
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3}));
    CMenu any;
    EXPECT_FALSE(IsHiddenSubmenu(&any, 0));
}

TEST_F(MenuFilterTest, TheMainFramesMenuBarIsFiltered) {
    fw::resourcetest::SetText("menus", 128, R"(menu 128
popup "Score"
  item 33018 "Add title"
  item 33019 "Add video"
  separator
  separator
  item 33020 "Page"
end
)");
    testsupport::TempHome home;
    CZelDesktop frame;
    ASSERT_TRUE(frame.Create());
    CMenu* bar = frame.GetMenu();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Items(bar->GetSubMenu(0)), (std::vector<std::string>{"Add title", "-", "Page"}));
    frame.CFrameWnd::DestroyWindow();
}
