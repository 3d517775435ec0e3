// The commands that change what the selected notes carry in place: the accidental of their
// selected heads, their augmentation dots, and a mark from the palettes.
#pragma once

#include "model/EditTask.h"

// 1022-1024, 4000, 4200: the argument is the accidental code (1 sharp, 2 flat, 3 natural, 4
// double sharp, 5 double flat; -1 none). The same accidental again shows it (forced); once more
// takes it away. Notes tied to a changed head follow it.
class CAddAcciTask : public CCruise {
public:
    void DoItem() override;
    void EndVoice() override;
};

// 4004: each selected note or rest takes one dot more (after three, none); the bar is timed
// again.
class CAddDotTask : public CCruise {
public:
    void DoItem() override;
    void EndVoice() override;
};

// 4007: the argument is the mark code; the palettes' sub-tool is its argument. A per-head mark
// (70-75) goes on every selected head, any other mark once per note.
class CAddMarkTask : public CCruise {
public:
    bool Perform() override;
    void DoItem() override;
    void EndVoice() override;

    bool playbackAffected = false;
};
