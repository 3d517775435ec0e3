// The drag task's mouse steps on their own: the 2-unit threshold (a smaller move is a click,
// without an undo entry), the Shift axis lock chosen by the first move past the threshold, the
// page steps, and the drawing-feedback flag on only while the feedback draws.
#include <gtest/gtest.h>

#include "framework/Globals.h"
#include "model/DragTask.h"
#include "platform/DrawGlobals.h"
#include "platform/PlatformGlobals.h"

namespace {

class DragTaskTest : public ::testing::Test {
protected:
    void SetUp() override { fw::ResetAllGlobals(); }
    void TearDown() override { fw::ResetAllGlobals(); }
};

// Records what the item hooks saw.
class Probe : public CDragTask {
public:
    void MoveItemDrag() override {
        ++moves;
        lastDx = dx;
        lastDy = dy;
    }
    void DrawFeedback() override {
        ++draws;
        CDragTask::DrawFeedback();
    }
    int moves = 0, draws = 0, lastDx = 0, lastDy = 0;
};

TEST_F(DragTaskTest, AMoveOfOneUnitIsAClickWithoutUndo) {
    Probe t;
    t.MouseDown(POINT{100, 100});
    t.MouseMove(POINT{101, 101}, POINT{100, 100}, POINT{100, 100});
    t.MouseUp(POINT{101, 101}, POINT{101, 101}, POINT{100, 100});
    EXPECT_EQ(t.moves, 0);
    EXPECT_EQ(t.moved, 0);
    EXPECT_FALSE(t.IsUndoable());
}

TEST_F(DragTaskTest, TwoUnitsPassTheThresholdAndTheDragIsUndoable) {
    Probe t;
    t.MouseDown(POINT{100, 100});
    t.MouseMove(POINT{102, 100}, POINT{100, 100}, POINT{100, 100});
    t.MouseMove(POINT{105, 103}, POINT{102, 100}, POINT{100, 100});
    t.MouseUp(POINT{105, 103}, POINT{105, 103}, POINT{100, 100});
    EXPECT_EQ(t.moves, 2);
    EXPECT_EQ(t.lastDx, 3);
    EXPECT_EQ(t.lastDy, 3);
    EXPECT_EQ(t.moved, 1);
    EXPECT_TRUE(t.IsUndoable());
}

TEST_F(DragTaskTest, ShiftLocksTheAxisOfTheFirstMove) {
    struct Case {
        const char* name;
        POINT first, second;
        int dx, dy;  // the second step
    } cases[] = {
        {"wider: the y stays", {103, 101}, {106, 110}, 3, 0},
        {"taller: the x stays", {101, 103}, {110, 106}, 0, 3},
        {"a tie locks to vertical movement", {102, 102}, {110, 106}, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_platform.shiftDown = true;
        Probe t;
        t.MouseDown(POINT{100, 100});
        t.MouseMove(c.first, POINT{100, 100}, POINT{100, 100});
        t.MouseMove(c.second, c.first, POINT{100, 100});
        EXPECT_EQ(t.lastDx, c.dx);
        EXPECT_EQ(t.lastDy, c.dy);
        t.MouseUp(c.second, c.second, POINT{100, 100});
        g_platform.shiftDown = false;
    }
}

TEST_F(DragTaskTest, TheFeedbackFlagIsOnOnlyWhileTheFeedbackDraws) {
    Probe t;
    t.MouseDown(POINT{10, 10});
    EXPECT_FALSE(g_draw.feedbackDrawing);
    t.MouseMove(POINT{20, 10}, POINT{10, 10}, POINT{10, 10});
    EXPECT_FALSE(g_draw.feedbackDrawing);
    EXPECT_TRUE(g_viewDrag.feedbackOn);
    EXPECT_GE(t.draws, 2);  // the item painted out, then drawn where it goes
    t.MouseUp(POINT{20, 10}, POINT{20, 10}, POINT{10, 10});
    EXPECT_FALSE(g_viewDrag.feedbackOn);
    EXPECT_FALSE(g_draw.feedbackDrawing);
}

}  // namespace
