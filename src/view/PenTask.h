// Two small edit operations of the score view: the pen choice of the graphics palette applied
// to every selected shape, and the edit a click makes in the MIDI data shown under a staff,
// which owns the buffer of events it gathers.
#pragma once
#include <cstdint>

#include "framework/Types.h"
#include "model/EditTask.h"
#include "platform/Handles.h"

class CZelDoc;

// The pen commands on the selection (the argument is the command id): 4801-4803 the pen word
// (0-2), 4810-4813 the line width 0, 5, 10, 15 and 4814-4821 20 to 160, 4830/4831 the fill off
// or on, 4832-4835 the arrow bits (0-3). Items other than shapes are left alone.
class CPenTask : public CCruise {
public:
    enum : int {
        kFirstPenWord = 4801, kLastPenWord = 4803,
        kFirstThinWidth = 4810, kLastThinWidth = 4813,
        kFirstWideWidth = 4814, kLastWideWidth = 4821,
        kFillOff = 4830, kFillOn = 4831,
        kFirstArrows = 4832, kLastArrows = 4835,
    };
    ~CPenTask() override = default;
    // The walk; a selection without shapes is left as it was and leaves no undo entry.
    bool Perform() override;
    void DoItem() override;
    // What one command does to one shape.
    static void Apply(int command, CBarItem* shape);
};

// The click's edit in the MIDI data shown under a staff. Its events and rectangle are filled
// and read by its perform step; the buffer lives as long as the task and goes with it.
class CMidiDataTask : public CCruise {
public:
    CMidiDataTask() = default;
    ~CMidiDataTask() override;
    bool Perform() override;

    HandleBuffer events;
    RECT rect{};
};

// Puts the makers of the view's operations (CPenTask) in for the document's commands.
void RegisterViewOperations();
