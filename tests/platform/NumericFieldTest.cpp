// Numeric fields: the shown text, typed entry (ranges, decimals, Backspace), and changing the
// value by dragging the mouse over a numeric pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "UiBaseFixture.h"
#include "platform/Numeric.h"
#include "platform/NumericPane.h"
#include "platform/PlatformGlobals.h"

namespace {

std::string Shown(CNumeric& f) {
    char text[40];
    f.Format(text);
    return text;
}

constexpr UINT kUp = 30, kDown = 31, kBack = 8;

struct TypeCase {
    const char* name;
    int decimals;
    int minimum, maximum, start;
    std::vector<UINT> keys;
    int value;
    const char* text;
};

}  // namespace

TEST(NumericFormat, ShowsIntegersDecimalsAndTheMinimumText) {
    CNumeric f;
    f.Init(123, -500, 500, RECT{0, 0, 40, 16}, nullptr);
    EXPECT_EQ(Shown(f), "123");
    f.decimals = 2;
    EXPECT_EQ(Shown(f), "1.23");
    f.value = 5;
    EXPECT_EQ(Shown(f), "0.05");
    f.decimals = 1;
    f.value = -15;
    EXPECT_EQ(Shown(f), "-1.5");
    f.value = -5;
    EXPECT_EQ(Shown(f), "-0.5");
    f.Init(0, 0, 10, RECT{}, "off");
    EXPECT_EQ(Shown(f), "off");
    f.value = 3;
    EXPECT_EQ(Shown(f), "3");
}

TEST(NumericFormat, PowerOfTwoFieldsKeepPowersOfTwo) {
    CNumeric f;
    f.Init(0, 0, 128, RECT{}, nullptr);
    f.powerOfTwo = 1;
    f.SetValue(100);
    EXPECT_EQ(f.value, 64);
    f.SetValue(0);
    EXPECT_EQ(f.value, 0);
    f.SetValue(1);
    EXPECT_EQ(f.value, 1);
}

TEST(NumericTyping, DigitsPointsAndBackspace) {
    const TypeCase cases[] = {
        {"two digits", 0, 0, 99, 5, {'1', '2'}, 12, "12"},
        {"a digit past the maximum is refused", 0, 0, 99, 5, {'1', '2', '3'}, 12, "12"},
        {"a one-digit field takes each digit", 0, 0, 9, 4, {'7', '3'}, 3, "3"},
        {"point then digit keeps the whole part", 1, 0, 1000, 37, {'.', '5'}, 35, "3.5"},
        {"two decimals typed", 2, 0, 10000, 123, {'4', '.', '5', '6'}, 456, "4.56"},
        {"a third fraction digit is ignored", 2, 0, 10000, 0, {'1', '.', '2', '3', '4'}, 123, "1.23"},
        {"first digit of a decimal field", 2, 0, 10000, 777, {'3'}, 300, "3.00"},
        {"a fraction digit below the minimum is raised", 1, 15, 100, 50, {'1', '.', '2'}, 15, "1.5"},
        {"backspace takes the last fraction digit", 2, 0, 10000, 999, {'4', '.', '5', '6', kBack}, 450, "4.50"},
        {"backspace takes the point, digits go on", 1, 0, 10000, 37, {'1', '2', '.', kBack, '5'}, 1250, "125.0"},
        {"backspace takes one whole digit", 1, 0, 1000, 37, {'1', '2', kBack}, 10, "1.0"},
        {"backspace over all typed restores", 1, 0, 1000, 37, {'1', '.', '5', kBack, kBack, kBack}, 37, "3.7"},
        {"backspace with nothing typed restores", 2, 0, 10000, 250, {kBack}, 250, "2.50"},
        {"integer backspace divides by ten", 0, 0, 99, 50, {'1', '2', kBack}, 1, "1"},
        {"integer backspace below the minimum restores", 0, 5, 99, 50, {'7', kBack}, 50, "50"},
        {"arrows and signs stay in range", 0, 0, 10, 10, {kUp, '-', kDown, '+'}, 9, "9"},
        {"other keys change nothing", 0, 0, 99, 42, {'x', '.'}, 42, "42"},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        CNumeric f;
        f.Init(c.start, c.minimum, c.maximum, RECT{0, 0, 40, 16}, nullptr);
        f.decimals = std::int16_t(c.decimals);
        f.shownValue = std::int16_t(c.start);
        for (UINT k : c.keys) EXPECT_TRUE(f.TypeKey(k, 0));
        EXPECT_EQ(f.value, c.value);
        EXPECT_EQ(Shown(f), c.text);
    }
}

TEST(NumericTyping, SwappedArrowsAndEndingKeys) {
    CNumeric f;
    f.Init(5, 0, 10, RECT{}, nullptr);
    f.swapArrows = 1;
    f.TypeKey(kUp, 0);
    EXPECT_EQ(f.value, 4);
    for (UINT end : {13u, 3u, 9u, 27u, 32u}) {
        f.active = 1;
        EXPECT_FALSE(f.TypeKey(end, 0)) << end;  // the key goes on to the window
        EXPECT_EQ(f.active, 0);
    }
}

TEST(NumericTyping, NoteNamesTakeLettersSharpsAndOctaves) {
    ResetPlatformGlobals();
    CNumeric f;
    f.Init(60, 0, 127, RECT{}, nullptr);
    f.noteName = 1;
    EXPECT_EQ(Shown(f), "C4");
    f.TypeKey('d', 0);
    EXPECT_EQ(f.value, 62);
    f.TypeKey('#', 0);
    EXPECT_EQ(f.value, 63);
    f.TypeKey('5', 0);
    EXPECT_EQ(f.value, 75);
    EXPECT_EQ(Shown(f), "Eb5");  // spelled in C major
    f.TypeKey('#', 0);          // the flat becomes a sharp: E#5
    EXPECT_EQ(f.value, 77);
    f.TypeKey('A', 0);
    EXPECT_EQ(f.value, 81);
}

// ---- dragging a numeric pane -------------------------------------------------------------------

class NumericPaneTest : public UiBaseTest {
protected:
    void SetUp() override {
        UiBaseTest::SetUp();
        ASSERT_TRUE(pane.Create(&host, RECT{20, 20, 100, 44}, 50, 0, 100, 777));
        fw::uitest::RunUntilIdle();
    }
    // Presses at the pane's middle, moves `dy` pixels from there `moves` times and releases.
    // The drag puts the pointer back after each step, so each move is measured from the press;
    // x alternates so that every move is a move.
    void DragBy(int dy, int moves) {
        fw::uitest::Press(&pane, 40, 12);
        for (int i = 0; i < moves; ++i) fw::uitest::Move(&pane, 40 + (i & 1), 12 + dy);
        fw::uitest::Release(&pane, 40 + (moves & 1), 12 + dy);
        fw::uitest::RunUntilIdle();
    }
    int Count(UINT command) const { return int(std::count(host.commands.begin(), host.commands.end(), command)); }

    CNumericPane pane;
};

TEST_F(NumericPaneTest, DraggingUpAndDownMovesTheValueOneUnitPerTwoPixels) {
    DragBy(-2, 3);
    EXPECT_EQ(pane.field.value, 53);
    EXPECT_EQ(Count(kNumericValueChanged), 3);
    EXPECT_EQ(Count(kNumericEntryEnded), 1);
    EXPECT_EQ(g_ui.currentNumeric, nullptr);  // a drag that changed the value ends the entry
    DragBy(4, 2);
    EXPECT_EQ(pane.field.value, 49);
}

TEST_F(NumericPaneTest, OnePixelStillMovesOneUnitAndTheRangeHolds) {
    DragBy(-1, 1);
    EXPECT_EQ(pane.field.value, 51);
    pane.field.SetValueAndRange(99, 0, 100);
    DragBy(-2, 4);
    EXPECT_EQ(pane.field.value, 100);
}

TEST_F(NumericPaneTest, TwoDecimalFieldsSnapToFiveBeforeTheFirstStep) {
    pane.field.SetValueAndRange(123, 0, 1000);
    pane.field.decimals = 2;
    DragBy(-2, 1);
    EXPECT_EQ(pane.field.value, 125);
}

TEST_F(NumericPaneTest, PowerOfTwoFieldsDoubleAndHalve) {
    pane.field.SetValueAndRange(0, 0, 64);
    pane.field.powerOfTwo = 1;
    DragBy(2, 1);
    EXPECT_EQ(pane.field.value, 0);
    DragBy(-2, 3);
    EXPECT_EQ(pane.field.value, 4);
    DragBy(2, 1);
    EXPECT_EQ(pane.field.value, 2);
}

TEST_F(NumericPaneTest, APlainClickLeavesTheFieldTakingTypedKeys) {
    fw::uitest::Click(&pane, 40, 12);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(g_ui.currentNumeric, &pane.field);
    EXPECT_EQ(g_ui.clickCount, 1);
    fw::uitest::Type(&pane, "12");
    fw::uitest::Key(&pane, VK_ESCAPE);
    fw::uitest::RunUntilIdle();
    EXPECT_EQ(pane.field.value, 12);
    EXPECT_EQ(Count(kNumericEntryEnded), 1);
    EXPECT_EQ(g_ui.currentNumeric, nullptr);
}
