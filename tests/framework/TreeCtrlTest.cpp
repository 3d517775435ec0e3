// The tree control of a dialog template: items in sorted or given order, their data and
// relations, and the selection-change notice for the program's and the user's choices.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Resources.h"
#include "framework/TreeCtrl.h"
#include "framework/UiTest.h"

namespace {

namespace ui = fw::uitest;

const char* const kTemplate = R"(dialog 9151 160 120
caption "树"
tree 10 4 4 100 100
defbutton 1 110 4 40 14 "OK"
)";

class TreeDlg : public CDialog {
public:
    TreeDlg() : CDialog(9151) {}
    std::vector<std::pair<int, UINT>> notices;  // id, code

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        notices.emplace_back(LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)));
        return CDialog::OnCommand(wParam, lParam);
    }
};

class TreeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override { fw::resourcetest::SetText("dialogs", 9151, kTemplate); }
    void TearDown() override { fw::resourcetest::Clear(); }
    ui::Session session;

    static std::vector<std::string> Names(CTreeCtrl* tree, HTREEITEM under) {
        std::vector<std::string> out;
        for (HTREEITEM i = tree->GetChildItem(under); i; i = tree->GetNextSiblingItem(i))
            out.emplace_back(static_cast<const char*>(tree->GetItemText(i)));
        return out;
    }
    static int Selections(const TreeDlg& dlg) {
        int n = 0;
        for (const auto& c : dlg.notices) n += c == std::pair<int, UINT>{10, TVN_SELCHANGED};
        return n;
    }
};

TEST_F(TreeCtrlTest, ItemsKeepTheirOrderDataAndParents) {
    TreeDlg dlg;
    ASSERT_TRUE(dlg.Create(9151));
    auto* tree = dynamic_cast<CTreeCtrl*>(dlg.GetDlgItem(10));
    ASSERT_NE(tree, nullptr);
    HTREEITEM pop = tree->InsertItem("Pop", TVI_ROOT, TVI_SORT);
    HTREEITEM classic = tree->InsertItem("Classic", TVI_ROOT, TVI_SORT);
    HTREEITEM last = tree->InsertItem("Zed");
    HTREEITEM first = tree->InsertItem("Zulu", TVI_ROOT, TVI_FIRST);
    HTREEITEM after = tree->InsertItem("After classic", TVI_ROOT, classic);
    ASSERT_TRUE(pop && classic && last && first && after);
    EXPECT_EQ(Names(tree, TVI_ROOT), (std::vector<std::string>{"Zulu", "Classic", "After classic", "Pop", "Zed"}));
    HTREEITEM jazz = tree->InsertItem("爵士", pop, TVI_SORT);
    HTREEITEM band = tree->InsertItem("Band", pop, TVI_SORT);
    EXPECT_EQ(Names(tree, pop), (std::vector<std::string>{"Band", "爵士"}));
    EXPECT_EQ(tree->GetParentItem(jazz), pop);
    EXPECT_EQ(tree->GetParentItem(pop), nullptr);
    EXPECT_EQ(tree->GetRootItem(), first);
    EXPECT_EQ(tree->GetCount(), 7u);
    EXPECT_TRUE(tree->SetItemData(band, 3));
    EXPECT_EQ(tree->GetItemData(band), 3u);
    EXPECT_EQ(tree->GetItemData(jazz), 0u);
    tree->SetIndent(3);
    EXPECT_EQ(tree->GetIndent(), 3u);
    // An item of another tree is no parent here.
    TreeDlg other;
    ASSERT_TRUE(other.Create(9151));
    auto* otherTree = static_cast<CTreeCtrl*>(other.GetDlgItem(10));
    EXPECT_EQ(otherTree->InsertItem("x", pop), nullptr);
    EXPECT_FALSE(otherTree->SelectItem(pop));
    EXPECT_TRUE(tree->DeleteAllItems());
    EXPECT_EQ(tree->GetCount(), 0u);
    EXPECT_EQ(tree->GetRootItem(), nullptr);
}

TEST_F(TreeCtrlTest, ChoosingAnItemTellsTheParentOnce) {
    TreeDlg dlg;
    ASSERT_TRUE(dlg.Create(9151));
    dlg.ShowWindow(SW_SHOW);
    auto* tree = static_cast<CTreeCtrl*>(dlg.GetDlgItem(10));
    HTREEITEM a = tree->InsertItem("A");
    HTREEITEM b = tree->InsertItem("B");
    ui::RunUntilIdle();
    dlg.notices.clear();
    // The program's choice is told (as the tree's own selection does), and only on a change.
    EXPECT_TRUE(tree->SelectItem(b));
    EXPECT_EQ(tree->GetSelectedItem(), b);
    EXPECT_EQ(Selections(dlg), 1);
    tree->SelectItem(b);
    EXPECT_EQ(Selections(dlg), 1);
    // The user's click on another item.
    RECT r;
    ASSERT_TRUE(tree->GetItemRect(a, &r, TRUE));
    ui::Click(tree, r.left + 4, (r.top + r.bottom) / 2);
    ui::RunUntilIdle();
    EXPECT_EQ(tree->GetSelectedItem(), a);
    EXPECT_EQ(Selections(dlg), 2);
    // Emptying the tree says nothing.
    tree->DeleteAllItems();
    EXPECT_EQ(Selections(dlg), 2);
    EXPECT_EQ(tree->GetSelectedItem(), nullptr);
}

}  // namespace
