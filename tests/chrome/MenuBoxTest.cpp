// The menu box: its columns, paging to the current item, numbered texts, choosing with the
// held mouse and the drum-note preview.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MidiRecorder.h"
#include "ChromeFixture.h"
#include "model/MidiOut.h"
#include "platform/Devices.h"
#include "view/MenuBox.h"

namespace {

using fw::uitest::Call;
using fw::uitest::Move;
using fw::uitest::Press;
using fw::uitest::Release;
using fw::uitest::RunUntilIdle;

class MenuBoxTest : public ChromeTest {
protected:
    void SetUp() override {
        ChromeTest::SetUp();
        ASSERT_TRUE(opener.Create(nullptr, "opener", WS_OVERLAPPED | WS_VISIBLE, RECT{100, 100, 500, 400}, nullptr, 0));
        RunUntilIdle();
        testsupport::RecordedMidi().clear();
    }
    void TearDown() override {
        opener.DestroyWindow();
        ChromeTest::TearDown();
    }
    static void Fill(CMenuBox& box, int n) {
        ASSERT_TRUE(box.SetItemCount(n));
        for (int i = 0; i < n; ++i) box.SetItemText(i, ("Item " + std::to_string(i)).c_str());
    }
    // Presses on the opener (which opens the box), moves over `path` (items; -1 a point
    // outside the box) and releases.
    void Script(const std::vector<int>& path) {
        Press(&opener, 20, 20);
        Call([this, path] {
            auto* box = dynamic_cast<CMenuBox*>(CWnd::GetCapture());
            ASSERT_NE(box, nullptr);
            for (int item : path) {
                POINT pt{-40, -40};
                if (item >= 0) {
                    RECT r;
                    box->GetItemRect(item, &r);
                    pt = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                }
                POINT in = Between(box, pt, &opener);
                Move(&opener, in.x, in.y);
            }
            Call([this] {
                POINT p;
                ::fw::GetCursorPos(&p);
                opener.ScreenToClient(&p);
                Release(&opener, p.x, p.y);
            });
        });
    }
    PressHost opener;
};

}  // namespace

TEST_F(MenuBoxTest, ItemsFillAsManyColumnsAsTheirCountCalls) {
    const struct {
        int n, columns, rows;
    } cases[] = {{1, 1, 1},   {16, 1, 16}, {17, 2, 9},  {40, 2, 20}, {72, 4, 18},
                 {96, 6, 16}, {100, 4, 25}, {127, 5, 26}, {128, 4, 32}, {200, 6, 34}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        CMenuBox box;
        Fill(box, c.n);
        box.Layout();
        EXPECT_EQ(box.columns, c.columns);
        EXPECT_EQ(box.rows, c.rows);
        EXPECT_EQ(box.firstRow, 0);
        EXPECT_EQ(box.scrollUp, 0);
        EXPECT_EQ(box.scrollDown, 0);
        // Down the columns: the last item lies in the last column.
        RECT r;
        box.GetItemRect(c.n - 1, &r);
        EXPECT_EQ(r.left, (c.columns - 1) * box.columnWidth);
    }
}

TEST_F(MenuBoxTest, TheScreenDecidesTheColumnsAndWhetherTheListScrolls) {
    // Items measure 6 pixels a character here (no window): "Item 39" makes 52-pixel columns.
    const struct {
        const char* what;
        int width, height, n, columns;
        bool scrolls;
    } cases[] = {
        {"room enough", 1000, 700, 128, 4, false},
        {"too narrow: down to one column, which stays", 150, 700, 128, 1, true},
        {"too low, room for a third column", 1000, 200, 40, 3, true},
        {"too low and no room for another column", 330, 200, 40, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fw::screentest::SetWorkArea(0, 0, c.width, c.height);
        CMenuBox box;
        Fill(box, c.n);
        box.Layout();
        EXPECT_EQ(box.columns, c.columns);
        EXPECT_EQ(box.rows, (c.n + c.columns - 1) / c.columns);
        EXPECT_GT(box.visibleRows, 0);
        EXPECT_EQ(box.visibleRows < box.rows, c.scrolls);
        EXPECT_EQ(box.scrollDown, c.scrolls ? 1 : 0);
        EXPECT_LT(box.visibleRows * box.rowHeight, c.height - 2 * box.rowHeight);
    }
}

TEST_F(MenuBoxTest, AListThatScrollsOpensPagedDownToTheCurrentItem) {
    // Low, and too narrow for a third column.
    fw::screentest::SetWorkArea(0, 0, 330, 200);
    const struct {
        int current;
        bool paged;
    } cases[] = {{-1, false}, {3, false}, {15, true}, {19, true}, {35, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current);
        CMenuBox box;
        Fill(box, 40);
        box.current = std::int16_t(c.current);
        box.Layout();
        ASSERT_EQ(box.columns, 2);
        ASSERT_LT(box.visibleRows, box.rows) << "the list has to scroll";
        EXPECT_EQ(box.scrollUp, c.paged ? 1 : 0);
        EXPECT_EQ(box.firstRow > 0, c.paged);
        if (c.current >= 0) {
            const int row = c.current % box.rows;
            EXPECT_GE(row, box.firstRow);
            EXPECT_LT(row, box.firstRow + box.visibleRows);
        }
        EXPECT_EQ(box.scrollDown, box.firstRow + box.visibleRows < box.rows ? 1 : 0);
    }
}

TEST_F(MenuBoxTest, NumberTextPrefixesTheNumberAndShortensLongTexts) {
    const struct {
        std::string text;
        int number, limit;
        std::string want;
    } cases[] = {
        {"Bass Drum", 7, 30, "  7. Bass Drum"},
        {"Acoustic Grand Piano", 0, 64, "  0. Acoustic Grand Piano"},
        {"abcdefghijklmnopqrstuvwxyz0123", 127, 30, "127. abcdefghijklmnopqrstuvwx..."},
        {"abcdefghijklmnopqrstuvwx", 12, 30, " 12. abcdefghijklmnopqrstuvwx"},  // 24 characters fit
        {"abcdefghijklmnopqrstuvwxy", 12, 30, " 12. abcdefghijklmnopqrstuvwx..."},
        // A double-byte character across the 24th byte is not split.
        {std::string(23, 'a') + "\xB0\xA1" + std::string(10, 'b'), 1, 20, "  1. " + std::string(23, 'a') + "..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        char text[64] = {};
        std::snprintf(text, sizeof text, "%s", c.text.c_str());
        CMenuBox::NumberText(text, sizeof text, c.number, c.limit);
        EXPECT_EQ(std::string(text), c.want);
    }
}

TEST_F(MenuBoxTest, ItemsAreCutToTheirRecordAndBadCountsAreRefused) {
    CMenuBox box;
    EXPECT_STREQ(box.GetItemText(0), "");
    EXPECT_TRUE(box.IsEnabled(0));
    EXPECT_FALSE(box.SetItemCount(-1));
    EXPECT_FALSE(box.SetItemCount(CMenuBox::kMaxItems + 1));
    ASSERT_TRUE(box.SetItemCount(2));
    const std::string text = std::string(62, 'x') + "\xB0\xA1" + "tail";
    box.SetItemText(1, text.c_str());
    EXPECT_EQ(std::string(box.GetItemText(1)), std::string(62, 'x'));
    box.SetItemText(5, "nowhere");  // no such item: nothing happens
    EXPECT_STREQ(box.GetItemText(0), "");
}

TEST_F(MenuBoxTest, TheHeldMouseChoosesTheItemUnderTheRelease) {
    const struct {
        const char* what;
        std::vector<int> path;
        int before;
        bool chosen;
        int after;
    } cases[] = {
        {"moved onto item 5", {2, 5}, 0, true, 5},
        {"moved into the second column", {3, 20}, 0, true, 20},
        {"released outside", {4, -1}, 7, false, 7},
        {"released on the current item without moving", {}, 7, true, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int current = c.before;
        bool result = !c.chosen;
        opener.onPress = [&](POINT at) {
            CMenuBox box;
            Fill(box, 30);
            opener.ClientToScreen(&at);
            result = box.Popup(at.x, at.y, &current);
        };
        Script(c.path);
        RunUntilIdle();
        EXPECT_EQ(result, c.chosen);
        EXPECT_EQ(current, c.after);
    }
}

TEST_F(MenuBoxTest, ThePreviewSoundsEachNoteAndStopsTheLastWhenTheBoxCloses) {
    int current = 0;
    opener.onPress = [&](POINT at) {
        CMenuBox box;
        Fill(box, 60);
        box.preview = 1;
        box.previewPort = 2;
        box.previewChannel = 9;
        opener.ClientToScreen(&at);
        box.Popup(at.x, at.y, &current);
    };
    Script({36, 38});
    RunUntilIdle();
    using K = testsupport::MidiRecorder::Kind;
    const std::vector<testsupport::MidiRecorder::Sent> want{
        {K::Message3, 2, 0x99, 36, 64, 0}, {K::Message3, 2, 0x89, 36, 64, 0},
        {K::Message3, 2, 0x99, 38, 64, 0}, {K::Message3, 2, 0x89, 38, 64, 0},  // stopped at the close
    };
    EXPECT_EQ(testsupport::RecordedMidi(), want);
    EXPECT_EQ(current, 38);
}
